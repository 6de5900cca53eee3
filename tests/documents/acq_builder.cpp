// Graph files for the tests, laid out with the format's own offsets (written here as numbers).
#include "tests/documents/acq_builder.h"
#include <cstring>

void PutU16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v);
    b[at + 1] = static_cast<uint8_t>(v >> 8);
}
void PutU32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}
void PutF64(Bytes& b, size_t at, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(bits >> (8 * i));
}
uint16_t GetU16(const Bytes& b, size_t at) { return static_cast<uint16_t>(b[at] | b[at + 1] << 8); }
uint32_t GetU32(const Bytes& b, size_t at) {
    return static_cast<uint32_t>(b[at]) | static_cast<uint32_t>(b[at + 1]) << 8 |
           static_cast<uint32_t>(b[at + 2]) << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}
double GetF64(const Bytes& b, size_t at) {
    uint64_t bits = 0;
    for (int i = 0; i < 8; ++i) bits |= static_cast<uint64_t>(b[at + i]) << (8 * i);
    double v;
    std::memcpy(&v, &bits, 8);
    return v;
}

namespace {

void PutText(Bytes& b, size_t at, const std::string& text, size_t field) {
    for (size_t i = 0; i < field; ++i) b[at + i] = i < text.size() && i < field - 1 ? static_cast<uint8_t>(text[i]) : 0;
}
void Append(Bytes& b, const Bytes& more) { b.insert(b.end(), more.begin(), more.end()); }
void AppendU16(Bytes& b, uint16_t v) {
    b.push_back(static_cast<uint8_t>(v));
    b.push_back(static_cast<uint8_t>(v >> 8));
}
void AppendU32(Bytes& b, uint32_t v) {
    for (int i = 0; i < 4; ++i) b.push_back(static_cast<uint8_t>(v >> (8 * i)));
}
void AppendF64(Bytes& b, double v) {
    Bytes x(8);
    PutF64(x, 0, v);
    Append(b, x);
}

// Big-endian stores for the swapped variant.
void PutB16(Bytes& b, size_t at, uint16_t v) {
    b[at] = static_cast<uint8_t>(v >> 8);
    b[at + 1] = static_cast<uint8_t>(v);
}
void PutB32(Bytes& b, size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (24 - 8 * i));
}
void PutB64(Bytes& b, size_t at, double v) {
    uint64_t bits;
    std::memcpy(&bits, &v, 8);
    for (int i = 0; i < 8; ++i) b[at + i] = static_cast<uint8_t>(bits >> (56 - 8 * i));
}

// Every neutral field of a version-42 header set to a value of its own, so that a round trip
// shows which are carried.
void FillDistinctFields(Bytes& h, const AcqRecipe& s) {
    PutU16(h, 12, s.hUnit);
    PutU16(h, 14, s.selected);
    PutF64(h, 16, s.interval);
    PutF64(h, 24, s.viewStart);
    PutF64(h, 32, s.hScale);
    PutF64(h, 40, s.selStart);
    PutF64(h, 48, s.selEnd);
    for (int i = 0; i < 4; ++i) PutU16(h, 56 + 2 * i, static_cast<uint16_t>(s.rect[i]));
    PutU16(h, 76, 1);     // display word 1
    PutF64(h, 78, 12.5);  // time value 1
    PutU16(h, 86, 1);     // display word 2
    PutText(h, 88, "micro-fortnights", 40);
    PutText(h, 128, "ufn", 10);
    PutU16(h, 138, 4);  // document words 1-3
    PutU16(h, 140, 1);
    PutU16(h, 144, 1);
    PutU16(h, 146, s.displayMode);
    PutU16(h, 150, 1);  // document words 4-6
    PutU16(h, 152, 0);
    PutU16(h, 154, 1);
    PutU16(h, 156, s.markerBar);
    PutU16(h, 158, s.journalShown);
    PutU16(h, 160, 1);  // document words 7, 8
    PutU16(h, 162, 3);
    PutU16(h, 164, 1);  // one row of five measurement boxes
    for (int i = 0; i < 40; ++i) {
        const bool used = i < 5;
        PutU16(h, 166 + 2 * i, used ? static_cast<uint16_t>(i + 2) : 0);
        PutU16(h, 246 + 2 * i, used ? static_cast<uint16_t>(i == 0 ? 0xFFFF : i) : 0xFFFF);
        if (!used) continue;
        PutU16(h, 326 + 2 * i, static_cast<uint16_t>(10 + i));
        PutU16(h, 406 + 2 * i, static_cast<uint16_t>(20 + i));
        PutU16(h, 486 + 2 * i, static_cast<uint16_t>(30 + i));
        PutF64(h, 566 + 8 * i, 1.5 * i);
        PutText(h, 1898 + 20 * i, "mV/" + std::to_string(i), 20);
    }
    PutU32(h, 886, 1);  // settings 1, colour, 2
    PutU32(h, 890, s.docColour);
    PutU32(h, 894, 0xC0C0C0);
    for (int i = 0; i < 4; ++i) PutU16(h, 898 + 2 * i, static_cast<uint16_t>(i + 1));
    PutU32(h, 906, 1);  // settings 7-10
    PutU32(h, 910, 7);
    PutU32(h, 914, 0xFFFFF0);
    PutU32(h, 918, 1);
    for (int c = 0; c < 60; ++c) {
        PutF64(h, 922 + 8 * c, 4.0 + c);                           // per-channel value 1
        PutF64(h, 1410 + 8 * c, 0.25 * c);                         // per-channel value 2
        PutU16(h, 2700 + 2 * c, static_cast<uint16_t>(1000 + c));  // per-channel word 1
        PutU16(h, 2848 + 2 * c, static_cast<uint16_t>(c));         // per-channel word 2
    }
    PutF64(h, 1402, 8.0);     // horizontal scale factor
    PutU32(h, 1890, 0xABCD);  // setting 11
    PutU16(h, 1894, 3);       // program-wide display word
    PutU16(h, 1896, 7);       // document word 9
    PutU16(h, 2698, 5);       // document word 10
    PutF64(h, 2820, -2.0);    // standard-curve settings
    PutF64(h, 2828, 3.0);
    PutU32(h, 2836, 50);
    PutU32(h, 2840, 0x00FF00);
    PutU32(h, 2844, 9);
    PutU32(h, 2968, 1);  // settings 12, 13
    PutU32(h, 2972, 0);
}

Bytes ChannelHeader(const AcqChannel& c) {
    Bytes h(c.headerLength > 252 ? c.headerLength : 252, 0);
    PutU32(h, 0, c.headerLength);
    PutU16(h, 4, static_cast<uint16_t>(c.slot));
    PutText(h, 6, c.label, 40);
    PutU32(h, 46, c.colour);
    PutU16(h, 50, c.flags);
    PutF64(h, 52, c.vDisplay1);
    PutF64(h, 60, c.vDisplay2);
    PutText(h, 68, c.units, 20);
    PutU32(h, 88, c.Count());
    PutF64(h, 92, c.scale);
    PutF64(h, 100, c.offset);
    PutU16(h, 108, static_cast<uint16_t>(c.number));
    PutU16(h, 110, static_cast<uint16_t>(c.word1));
    PutU16(h, 112, c.word2);
    PutF64(h, 114, c.value3);
    PutText(h, 122, c.longLabel, 128);
    h.resize(c.headerLength);
    return h;
}

// The samples interleaved frame by frame, in the order the channels are given (slot order).
Bytes Samples(const AcqRecipe& s) {
    Bytes b;
    uint32_t frames = 0;
    for (const AcqChannel& c : s.channels) frames = c.Count() > frames ? c.Count() : frames;
    for (uint32_t j = 0; j < frames; ++j) {
        for (const AcqChannel& c : s.channels) {
            if (j >= c.Count()) continue;
            if (c.type == 1)
                AppendF64(b, c.values[j]);
            else
                AppendU16(b, static_cast<uint16_t>(c.raw[j]));
        }
    }
    return b;
}

}  // namespace

size_t ChannelHeaderAt(const AcqRecipe& recipe, size_t index) {
    size_t at = recipe.headerLength;
    for (size_t i = 0; i < index; ++i) at += recipe.channels[i].headerLength;
    return at;
}
size_t ForeignBlockAt(const AcqRecipe& recipe) { return ChannelHeaderAt(recipe, recipe.channels.size()); }
size_t TypeTableAt(const AcqRecipe& recipe) {
    return ForeignBlockAt(recipe) + 4 + (recipe.foreign && recipe.foreignTag == 100 ? recipe.foreignData.size() : 0);
}
size_t SamplesAt(const AcqRecipe& recipe) { return TypeTableAt(recipe) + 4 * recipe.channels.size(); }
size_t MarkerSectionAt(const AcqRecipe& recipe) { return SamplesAt(recipe) + Samples(recipe).size(); }

Bytes BuildAcq(const AcqRecipe& s) {
    Bytes h(s.headerLength > 2976 ? s.headerLength : 2976, 0);
    FillDistinctFields(h, s);
    PutU16(h, 0, s.firstWord);
    PutU32(h, 2, s.version);
    PutU32(h, 6, s.headerLength);
    PutU16(h, 10, static_cast<uint16_t>(s.channels.size()));
    h.resize(s.headerLength);
    Bytes file = h;
    for (const AcqChannel& c : s.channels) Append(file, ChannelHeader(c));
    const Bytes& data = s.foreign ? s.foreignData : Bytes();
    AppendU16(file, static_cast<uint16_t>(4 + data.size()));
    AppendU16(file, s.foreignTag);
    Append(file, data);
    for (const AcqChannel& c : s.channels) {
        AppendU16(file, c.size);
        AppendU16(file, c.type);
    }
    Append(file, Samples(s));
    if (s.markerSection) {
        uint32_t length = 0;
        for (const AcqMarker& m : s.markers) length += 13 + static_cast<uint32_t>(m.label.size());
        AppendU32(file, length);
        AppendU32(file, static_cast<uint32_t>(s.markers.size()));
        for (const AcqMarker& m : s.markers) {
            AppendU32(file, m.position);
            AppendU16(file, m.open);
            AppendU16(file, m.word1);
            AppendU16(file, m.word2);
            AppendU16(file, static_cast<uint16_t>(m.label.size()));
            file.insert(file.end(), m.label.begin(), m.label.end());
            file.push_back(0);
        }
    }
    Append(file, s.tail);
    return file;
}

Bytes BuildSwappedAcq(const AcqRecipe& s) {
    Bytes h(2976, 0);
    PutB32(h, 2, s.version);
    PutB32(h, 6, s.headerLength);
    PutB16(h, 10, static_cast<uint16_t>(s.channels.size()));
    PutB16(h, 12, s.hUnit);
    PutB16(h, 14, s.selected);
    PutB64(h, 16, s.interval);
    PutB64(h, 24, s.viewStart);
    PutB64(h, 32, s.hScale);
    PutB64(h, 40, s.selStart);
    PutB64(h, 48, s.selEnd);
    for (int i = 0; i < 4; ++i) PutB16(h, 56 + 2 * i, static_cast<uint16_t>(s.rect[i]));
    h[144] = static_cast<uint8_t>(s.displayMode);
    PutB16(h, 154, s.markerBar);
    h.resize(s.headerLength);
    Bytes file = h;
    for (const AcqChannel& c : s.channels) {
        Bytes ch(c.headerLength > 132 ? c.headerLength : 132, 0);
        PutB32(ch, 0, c.headerLength);
        PutB16(ch, 4, static_cast<uint16_t>(c.slot));
        PutText(ch, 6, c.label, 40);
        PutB32(ch, 46, c.colour);
        PutB16(ch, 50, c.flags);
        PutB64(ch, 52, c.vDisplay1);
        PutB64(ch, 60, c.vDisplay2);
        PutText(ch, 68, c.units, 20);
        PutB32(ch, 88, c.Count());
        PutB64(ch, 92, c.scale);
        PutB64(ch, 100, c.offset);
        PutB16(ch, 108, static_cast<uint16_t>(c.number));
        PutB16(ch, 110, static_cast<uint16_t>(c.word1));
        PutB16(ch, 112, static_cast<uint16_t>(c.colour & 0xFF));
        PutB16(ch, 114, static_cast<uint16_t>((c.colour >> 8) & 0xFF));
        PutB16(ch, 116, static_cast<uint16_t>((c.colour >> 16) & 0xFF));
        PutB16(ch, 118, c.word2);
        ch.resize(c.headerLength);
        Append(file, ch);
    }
    const Bytes& data = s.foreign ? s.foreignData : Bytes();
    Bytes head(4);
    PutB16(head, 0, static_cast<uint16_t>(4 + data.size()));
    PutB16(head, 2, s.foreignTag);
    Append(file, head);
    Append(file, data);
    for (const AcqChannel& c : s.channels) {
        Bytes entry(4);
        PutB16(entry, 0, c.size);
        PutB16(entry, 2, c.type);
        Append(file, entry);
    }
    Bytes samples = Samples(s);
    // Each value with its bytes reversed.
    size_t at = 0;
    uint32_t frames = 0;
    for (const AcqChannel& c : s.channels) frames = c.Count() > frames ? c.Count() : frames;
    for (uint32_t j = 0; j < frames; ++j)
        for (const AcqChannel& c : s.channels) {
            if (j >= c.Count()) continue;
            size_t w = c.type == 1 ? 8 : 2;
            for (size_t i = 0; i < w / 2; ++i) std::swap(samples[at + i], samples[at + w - 1 - i]);
            at += w;
        }
    Append(file, samples);
    if (s.markerSection) {
        uint32_t length = 0;
        for (const AcqMarker& m : s.markers) length += 10 + static_cast<uint32_t>(m.label.size());
        Bytes head8(8);
        PutB32(head8, 0, length);
        PutB32(head8, 4, static_cast<uint32_t>(s.markers.size()));
        Append(file, head8);
        for (const AcqMarker& m : s.markers) {
            Bytes r(10);
            PutB32(r, 0, m.position);
            r[4] = static_cast<uint8_t>(m.open);
            r[5] = static_cast<uint8_t>(m.word1);
            r[6] = static_cast<uint8_t>(m.word2);
            PutB16(r, 8, static_cast<uint16_t>(m.label.size()));
            Append(file, r);
            file.insert(file.end(), m.label.begin(), m.label.end());
        }
    }
    return file;
}

AcqRecipe JournalFileRecipe(const std::string& text, uint16_t shown) {
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 2;
    for (int16_t i = 0; i < 6; ++i) c.raw.push_back(i);
    recipe.channels = {c};
    recipe.journalShown = shown;
    recipe.tail = JournalBlock(1, text);
    return recipe;
}

Bytes JournalBlock(uint16_t autoTime, const std::string& text, bool wideField) {
    Bytes b;
    AppendU32(b, 0x11223344);
    if (wideField)
        AppendU32(b, autoTime);
    else
        AppendU16(b, autoTime);
    AppendU32(b, static_cast<uint32_t>(text.size()));
    b.insert(b.end(), text.begin(), text.end());
    return b;
}

Bytes MarkerManagerBlock(const uint32_t counters[4], const std::vector<StoredMarkerRecord>& records, int presets) {
    Bytes b;
    AppendU32(b, 0x08102002);
    for (int i = 0; i < 4; ++i) AppendU32(b, counters[i]);
    AppendU32(b, 0);  // segment view
    AppendU32(b, 1);  // hold relative position
    AppendU32(b, 1);  // separate summaries
    AppendU32(b, 0);  // include header
    AppendU32(b, 1);  // sort by label
    for (int type = 0; type < 4; ++type) {
        AppendU32(b, type == 3 ? 1 : 0);
        AppendU32(b, type == 2 ? 0 : 1);
        const int entries = type == 3 ? presets : 0;
        AppendU32(b, static_cast<uint32_t>(entries - 1));
        for (int e = 0; e < entries; ++e) {
            Bytes entry(130, 0);
            PutU16(entry, 0, 0);
            PutText(entry, 2, "Preset " + std::to_string(e), 128);
            Append(b, entry);
        }
    }
    for (const StoredMarkerRecord& r : records) {
        AppendU32(b, static_cast<uint32_t>(r.type));
        AppendU32(b, static_cast<uint32_t>(r.number));
        AppendU32(b, static_cast<uint32_t>(r.fixedLabel));
        AppendU32(b, static_cast<uint32_t>(r.storedFlag));
        AppendU32(b, static_cast<uint32_t>(r.active));
        AppendU32(b, static_cast<uint32_t>(r.fileTime));
        AppendU32(b, static_cast<uint32_t>(r.fileTime >> 32));
    }
    return b;
}

Bytes OutputPanelsBlock() {
    Bytes b;
    AppendU32(b, 0x12042002);
    AppendU16(b, 8);
    for (int type = 0; type < 7; ++type) {
        AppendU32(b, type == 2 ? 1 : 0);  // the shown panel
        AppendU32(b, 0);                  // one preference of five doubles
        for (int i = 0; i < 5; ++i) AppendF64(b, 1.0 + type + i);
        AppendU32(b, type == 2 ? 0 : 0xFFFFFFFF);  // selected preset
        AppendU32(b, type == 2 ? 0 : 0xFFFFFFFF);  // presets - 1
        if (type == 2) {
            Bytes name(65, 0);
            PutText(name, 0, "Twitch", 65);
            Append(b, name);
            AppendU32(b, 0xFFFFFFFF);
        }
    }
    return b;
}

Bytes GraphItemsBlock() {
    Bytes b;
    AppendU32(b, 0x22333322);
    AppendU32(b, 1);
    AppendU32(b, 1);  // two items
    b.push_back('L');
    AppendU32(b, 2);
    AppendU32(b, 0x0000FF);
    for (double v : {0.0, 1.0, 2.0, 3.0}) AppendF64(b, v);
    b.push_back('D');
    AppendU32(b, 7);
    AppendU32(b, 0x008000);
    for (double v : {4.0, 5.0}) AppendF64(b, v);
    return b;
}

AcqRecipe RichRecipe() {
    AcqRecipe s;
    AcqChannel a;
    a.slot = 0;
    a.label = "Biceps EMG";
    a.units = "mV";
    a.number = 1;
    a.raw = {0, 1, -1, 32767, -32768, 1234, -4321, 7, 8, 9};
    AcqChannel b;
    b.slot = 5;
    b.label = "Force";
    b.units = "N";
    b.colour = 0xFF0000;
    b.flags = 6;  // in use, hidden
    b.number = 2;
    b.type = 1;
    b.size = 8;
    b.scale = 1.0;
    b.values = {0.0, -0.0, 1.5, 1e-310, -3.25, 1e300};
    AcqChannel c;
    c.slot = 59;
    c.label = "C20";
    c.number = 41;
    c.raw = {100, 200, 300};
    s.channels = {a, b, c};
    s.markers = {{0, "Segment 1"}, {3, "twitch"}, {6, "Segment 2"}};
    const uint32_t counters[4] = {1, 0, 0, 2};
    std::vector<StoredMarkerRecord> records(3);
    records[0] = {3, 1, 0, 1, 0, 0x01D2000000000000ull};
    records[1] = {0, 1, 1, 1, 0, 0};
    records[2] = {3, 2, 0, 1, 1, 0x01D2000000001000ull};
    s.tail = JournalBlock(1, "Subject rested.\r\nSecond trial.");
    Bytes manager = MarkerManagerBlock(counters, records);
    s.tail.insert(s.tail.end(), manager.begin(), manager.end());
    Bytes panels = OutputPanelsBlock();
    s.tail.insert(s.tail.end(), panels.begin(), panels.end());
    Bytes items = GraphItemsBlock();
    s.tail.insert(s.tail.end(), items.begin(), items.end());
    return s;
}

TempFolder::TempFolder(const char* name) {
    char base[MAX_PATH];
    GetTempPathA(sizeof base, base);
    path = std::string(base) + name + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(path.c_str(), nullptr);
}

TempFolder::~TempFolder() {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((path + "\\*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            std::string file = File(found.cFileName);
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) {
                SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(file.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(path.c_str());
}

bool WriteWholeFile(const std::string& path, const Bytes& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    DWORD done = 0;
    bool ok = bytes.empty() ||
              (WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr) && done == bytes.size());
    CloseHandle(f);
    return ok;
}

Bytes ReadWholeFile(const std::string& path) {
    Bytes bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL,
                           nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD done = 0;
    if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(f);
    return bytes;
}
