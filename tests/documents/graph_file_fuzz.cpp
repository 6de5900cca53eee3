// Feeds the graph file reader and the text file reader damaged files: every seed of a corpus
// folder and a number of deterministic mutations of each. Each input lies at the very end of its memory, against a page
// that may not be touched, so that a read past its end ends the process. A file the reader takes
// must be sound (blocks as large as their counts, markers within their fields, graph items that
// drawing can take), must draw its items into a picture (a value that made drawing endless would
// hang the run) and must write and read back again; a file it refuses must leave nothing in the
// document.
//   graph_file_fuzz <corpus folder> [mutations per seed] [seed]
//   graph_file_fuzz --make-corpus <folder>      (writes the seed files)
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "documents/stored_blocks.h"
#include "documents/items/graph_items.h"
#include "documents/text/text_file.h"
#include "base/byte_stream.h"

namespace {

struct Rng {
    uint64_t s;
    uint64_t Next() {
        s ^= s << 13;
        s ^= s >> 7;
        s ^= s << 17;
        return s;
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
};

// A copy of the input whose last byte is followed by a page that may not be read.
class GuardedBuffer {
public:
    explicit GuardedBuffer(const Bytes& bytes) {
        SYSTEM_INFO si;
        GetSystemInfo(&si);
        const size_t page = si.dwPageSize;
        m_size = (bytes.size() + page - 1) / page * page + page;
        m_base = static_cast<uint8_t*>(VirtualAlloc(nullptr, m_size, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
        DWORD old;
        VirtualProtect(m_base + m_size - page, page, PAGE_NOACCESS, &old);
        m_data = m_base + m_size - page - bytes.size();
        if (!bytes.empty()) std::memcpy(m_data, bytes.data(), bytes.size());
    }
    ~GuardedBuffer() { VirtualFree(m_base, 0, MEM_RELEASE); }
    const uint8_t* Data() const { return m_data; }

private:
    uint8_t* m_base;
    uint8_t* m_data;
    size_t m_size;
};

struct Tally {
    unsigned inputs = 0, read = 0, refused = 0, repaired = 0, faults = 0;
};

void Fault(Tally& t, const char* what, const std::string& input) {
    ++t.faults;
    std::printf("FAULT: %s (%s)\n", what, input.c_str());
}

// What a read document must hold: blocks at least as large as their counts, a sample count that
// is the longest channel's, and markers whose labels fit their field.
const char* DocumentFault(const tagGS* gs) {
    uint32_t longest = 0;
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!(gs->chanFlags[s] & kChanSlotMask)) continue;
        const uint32_t count = gs->chanCount[s];
        longest = std::max(longest, count);
        const uint32_t width = gs->chanType[s] == 1 ? 8 : 2;
        if (gs->storageKind == kStoreMemory && count > 0) {
            HGLOBAL h = gs->chanBlock[s] ? GlobalHandle(gs->chanBlock[s]) : nullptr;
            if (!h || GlobalSize(h) < static_cast<SIZE_T>(count) * width) return "a block smaller than its count";
        }
    }
    if (static_cast<uint32_t>(gs->totalSamples) != std::min<uint32_t>(longest, 0x7FFFFFFF))
        return "a sample count other than the longest channel's";
    for (uint32_t i = 0; i < StoredMarkerCount(gs); ++i) {
        const stStoredMarker* m = StoredMarkerAt(gs, i);
        if (m->labelLength > 127 || m->label[m->labelLength] != 0) return "a marker label out of its field";
    }
    if (const CGraphItemList* items = gs->graphItems)
        for (int i = 0; i < items->Count(); ++i)
            if (!ItemValuesSound(*items->At(i))) return "a graph item that drawing cannot take";
    return nullptr;
}

// The read document's items drawn into a picture, each graph unit a pixel from the plot's corner
// (XY display), so that the file's own coordinates and widths reach the drawing.
void DrawItems(tagGS* gs) {
    if (!gs->graphItems || gs->graphItems->Count() == 0) return;
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, 320, 240);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    gs->plotRect = RECT{10, 10, 310, 230};
    gs->displayMode = kModeXY;
    const uint32_t x = gs->xyXChan < kMaxChannels ? gs->xyXChan : 0, y = gs->selectedChan < kMaxChannels ? gs->selectedChan : 0;
    gs->chanPixelMap[kMapXScale][x] = 1.0;
    gs->chanPixelMap[kMapXZero][x] = 10.0;
    gs->chanPixelMap[kMapYScale][y] = 1.0;
    gs->chanPixelMap[kMapYZero][y] = 230.0;
    gs->graphItems->Draw(dc);
    SelectObject(dc, old);
    DeleteObject(bitmap);
    DeleteDC(dc);
}

// The text reader in each delimiter mode: a read document must be sound and must write as text
// and read back to the same length; a refusal leaves nothing.
void CheckText(const GuardedBuffer& buffer, size_t size, const std::string& name, Tally& t) {
    const stTextReadOptions kept = g_textRead;
    const stTextSaveOptions keptSave = g_textSave;
    for (uint32_t mode = kTextTab; mode <= kTextNoDelimiter; ++mode) {
        g_textRead = stTextReadOptions{};
        g_textRead.delimiter = mode;
        g_textRead.startLine = 1 + static_cast<int32_t>(size % 3);
        TestDoc d;
        const std::string what = name + " as text, delimiter " + std::to_string(mode);
        if (ReadTextBuffer(d.gs, buffer.Data(), size, nullptr)) {
            for (int s = 0; s < kMaxChannels; ++s)
                if (d.gs->chanFlags[s] || d.gs->chanBlock[s]) {
                    Fault(t, "a refused text file left channels behind", what);
                    break;
                }
            continue;
        }
        if (const char* fault = DocumentFault(d.gs)) Fault(t, fault, what);
        g_textSave = stTextSaveOptions{};
        CByteWriter out;
        if (!WriteTextStream(d.gs, out, 0)) Fault(t, "a read text document could not be written", what);
        g_textRead.delimiter = kTextTab;
        g_textRead.startLine = 1;
        TestDoc e;
        const Bytes& text = out.Bytes();
        if (ReadTextBuffer(e.gs, text.data(), text.size(), nullptr) || e.gs->totalSamples != d.gs->totalSamples)
            Fault(t, "a written text document did not read back whole", what);
    }
    g_textRead = kept;
    g_textSave = keptSave;
}

void Check(const Bytes& bytes, const std::string& name, Tally& t) {
    ++t.inputs;
    GuardedBuffer buffer(bytes);
    {
        TestDoc d;
        stGraphReadReport report{};
        if (ReadGraphBuffer(d.gs, buffer.Data(), bytes.size(), &report)) {
            ++t.read;
            t.repaired += report.repaired ? 1 : 0;
            if (const char* fault = DocumentFault(d.gs)) Fault(t, fault, name);
            DrawItems(d.gs);
            CByteWriter out;
            if (!WriteGraphStream(d.gs, out, kWriteWhole, 0)) Fault(t, "a read document could not be written", name);
            TestDoc e;
            stGraphReadReport again{};
            if (!ReadGraphBuffer(e.gs, out.Bytes().data(), out.Bytes().size(), &again) || again.notice ||
                e.gs->totalSamples != d.gs->totalSamples)
                Fault(t, "a written document did not read back whole", name);
        } else {
            ++t.refused;
            if (!report.refusal) Fault(t, "a refusal without its reason", name);
            for (int s = 0; s < kMaxChannels; ++s)
                if (d.gs->chanFlags[s] || d.gs->chanBlock[s]) {
                    Fault(t, "a refused file left channels behind", name);
                    break;
                }
        }
    }
    CheckText(buffer, bytes.size(), name, t);
    {
        TestDoc d;
        CByteReader in(buffer.Data(), bytes.size());
        if (ReadGraphTemplateStream(d.gs, in, nullptr))
            if (const char* fault = DocumentFault(d.gs)) Fault(t, fault, name + " as a template");
    }
}

// Numbers that lengths, counts and slots go wrong with.
const uint32_t kInteresting[] = {0,      1,       2,          3,          4,          5,         11,     12,
                                 59,     60,      61,         127,        128,        255,       0x7FFF, 0x8000,
                                 0xFFFF, 0x10000, 0x7FFFFFFF, 0x80000000, 0xFFFFFFFE, 0xFFFFFFFF};

Bytes Mutate(const Bytes& seed, Rng& rng) {
    Bytes b = seed;
    if (b.empty()) b.push_back(0);
    const int steps = 1 + static_cast<int>(rng.Below(3));
    for (int step = 0; step < steps; ++step) {
        // Most damage lands in the fixed records at the start, where the lengths and counts are.
        size_t span = rng.Below(3) ? std::min<size_t>(b.size(), 4096) : b.size();
        size_t at = rng.Below(span);
        switch (rng.Below(6)) {
        case 0: b[at] ^= static_cast<uint8_t>(1u << rng.Below(8)); break;
        case 1: b[at] = static_cast<uint8_t>(rng.Next()); break;
        case 2:
        case 3: {
            uint32_t v = kInteresting[rng.Below(sizeof kInteresting / sizeof kInteresting[0])];
            size_t width = rng.Below(2) ? 4 : 2;
            for (size_t i = 0; i < width && at + i < b.size(); ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
            break;
        }
        case 4: b.resize(rng.Below(b.size()) + 1); break;
        default: {
            size_t n = std::min<size_t>(rng.Below(64) + 1, b.size() - at);
            Bytes chunk(b.begin() + at, b.begin() + at + n);
            b.insert(b.begin() + rng.Below(b.size()), chunk.begin(), chunk.end());
            break;
        }
        }
    }
    return b;
}

std::vector<std::string> SeedFiles(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        const char* dot = std::strrchr(found.cFileName, '.');
        const bool seed =
            dot && (lstrcmpiA(dot, ".acq") == 0 || lstrcmpiA(dot, ".gtl") == 0 || lstrcmpiA(dot, ".txt") == 0);
        if (seed && !(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    return names;
}

Bytes TextBytes(const char* text) { return Bytes(text, text + std::strlen(text)); }

// The seeds: files that use the format's forms, each small.
int MakeCorpus(const std::string& folder) {
    CreateDirectoryA(folder.c_str(), nullptr);
    AcqRecipe rich = RichRecipe();
    AcqRecipe old = RichRecipe();
    old.version = 33;
    old.tail.clear();
    AcqRecipe v35 = RichRecipe();
    v35.version = 35;
    v35.firstWord = 1;
    AcqRecipe v37 = RichRecipe();
    v37.version = 37;
    AcqRecipe longer = RichRecipe();
    longer.headerLength = 3010;
    longer.channels[1].headerLength = 270;
    AcqRecipe bare;
    bare.foreign = false;
    AcqRecipe swapped = RichRecipe();
    swapped.version = 34;
    AcqRecipe swappedOld = RichRecipe();
    swappedOld.version = 33;
    swappedOld.channels[0].colour = 205;
    AcqRecipe templ = RichRecipe();
    templ.version = 37;
    for (AcqChannel& c : templ.channels) c.raw.clear(), c.values.clear();
    templ.markers.clear();
    const uint32_t noCounters[4] = {};
    templ.tail = JournalBlock(0, "Template notes");
    for (const Bytes& block : {MarkerManagerBlock(noCounters, {}, 2), OutputPanelsBlock(), GraphItemsBlock()})
        templ.tail.insert(templ.tail.end(), block.begin(), block.end());
    Bytes truncated = BuildAcq(rich);
    truncated.resize(SamplesAt(rich) + 30);
    // Damage behind the samples that the reader goes around: a marker beyond the data, a label
    // whose length runs into the next record, and an unknown graph item.
    Bytes damagedTail = BuildAcq(rich);
    const size_t markers = MarkerSectionAt(rich);
    PutU32(damagedTail, markers + 8 + 22, 0xFFFFFFFF);
    PutU16(damagedTail, markers + 8 + 10, 28);
    damagedTail[damagedTail.size() - 25] = 'Q';
    // A line 0x00800002 pixels wide, which no drawing can take.
    Bytes wideItem = BuildAcq(rich);
    const size_t line = wideItem.size() - GraphItemsBlock().size() + 12;
    wideItem[line + 3] = 0x80;
    // A journal whose length says 0: its text and the blocks after it are found by their tags.
    Bytes journalLength = BuildAcq(rich);
    PutU32(journalLength, markers + 8 + 3 * 13 + 9 + 6 + 9 + 6, 0);
    struct Seed {
        const char* name;
        Bytes bytes;
    } seeds[] = {
        {"rich-v42.acq", BuildAcq(rich)},
        {"old-v33.acq", BuildAcq(old)},
        {"variant-v35.acq", BuildAcq(v35)},
        {"long-labels-v37.acq", BuildAcq(v37)},
        {"long-headers.acq", BuildAcq(longer)},
        {"no-channels.acq", BuildAcq(bare)},
        {"swapped-v34.acq", BuildSwappedAcq(swapped)},
        {"swapped-v33.acq", BuildSwappedAcq(swappedOld)},
        {"truncated.acq", truncated},
        {"damaged-tail.acq", damagedTail},
        {"wide-item.acq", wideItem},
        {"journal-length.acq", journalLength},
        {"settings.gtl", BuildAcq(templ)},
        {"columns.txt", TextBytes("Pulse.acq\r\n5.000000 msec/sample\r\n2 channels\r\nFinger\r\nmV\r\nEar\r\nV\r\n"
                                  "CH1\tCH2\t\r\n3\t4\t\r\n1\t10\t\r\n2.5\t-20\t\r\n3E-05\t30\t\r\n\t40\t\r\n")},
        {"ragged.txt", TextBytes("1,,3\n4,5,6\n7\n\n8,9,10,11\n-1.5e2,+.5,0")},
        {"cr-only.txt", TextBytes("Pulse\rmV\r1\t2\r3\t4\r5\t6\r")},
    };
    for (const Seed& s : seeds)
        if (!WriteWholeFile(folder + "\\" + s.name, s.bytes)) return 1;
    std::printf("%u seed files written to %s\n", static_cast<unsigned>(sizeof seeds / sizeof seeds[0]), folder.c_str());
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc >= 3 && std::strcmp(argv[1], "--make-corpus") == 0) return MakeCorpus(argv[2]);
    if (argc < 2) {
        std::printf("usage: graph_file_fuzz <corpus folder> [mutations per seed] [seed]\n");
        return 2;
    }
    const std::string folder = argv[1];
    const unsigned mutations = argc > 2 ? static_cast<unsigned>(std::strtoul(argv[2], nullptr, 10)) : 200;
    const uint64_t seed = argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 20260101;
    const std::vector<std::string> names = SeedFiles(folder);
    if (names.empty()) {
        std::printf("no seed files in %s\n", folder.c_str());
        return 2;
    }
    Tally t;
    for (size_t f = 0; f < names.size(); ++f) {
        const Bytes bytes = ReadWholeFile(folder + "\\" + names[f]);
        Check(bytes, names[f], t);
        Rng rng{seed * 0x9E3779B97F4A7C15ull + f + 1};
        for (unsigned i = 0; i < mutations; ++i) Check(Mutate(bytes, rng), names[f] + " #" + std::to_string(i), t);
    }
    std::printf("%u inputs from %u seeds: %u read (%u repaired), %u refused, %u faults\n", t.inputs,
                static_cast<unsigned>(names.size()), t.read, t.repaired, t.refused, t.faults);
    return t.faults ? 1 : 0;
}
