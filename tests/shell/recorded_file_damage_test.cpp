// Graph files the program records and saves on each unit model, damaged block by block: a block
// duplicated, two neighbours swapped, bytes put in or taken out of a block, its tag or its length,
// a length or count set near 2^31 and 2^32, runs of bytes and doubles of NaN and infinity. Each
// damaged file is read with the program's reader; every block the damage did not touch comes back
// as the file holds it, or the read says it was left out.
#include <gtest/gtest.h>
#include <windows.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "base/byte_stream.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"
#include "documents/markers/markers.h"
#include "documents/stored_blocks.h"
#include "outputs/outputs_api.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "tests/shell/unit_program_fixture.h"

namespace {

std::string g_error;
int16_t KeepError(const char* message) {
    g_error = message ? message : "";
    return 0;
}

// ---- What a read document holds of each block ----

Bytes Text(const std::string& s) { return Bytes(s.begin(), s.end()); }

Bytes JournalOf(TestDoc& d) {
    CByteWriter out;
    JournalSaveBlock(d.gs, out);
    return out.Bytes();
}
Bytes MarkersOf(TestDoc& d) {
    std::string all;
    for (uint32_t i = 0; i < StoredMarkerCount(d.gs); ++i) {
        const stStoredMarker* m = StoredMarkerAt(d.gs, i);
        all += std::to_string(m->position) + " " + m->label + ";";
    }
    return Text(all);
}
Bytes SetupOf(TestDoc& d) {
    HGLOBAL h = d.gs->foreignData;
    if (!h) return {};
    const auto* p = static_cast<const uint8_t*>(GlobalLock(h));
    Bytes b(p, p + GlobalSize(h));
    GlobalUnlock(h);
    return b;
}
// Each channel's name, scale, offset and samples.
Bytes ChannelsOf(TestDoc& d) {
    Bytes all;
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!ChannelInUse(d.gs, s)) continue;
        const std::string head = std::to_string(s) + d.gs->chanLabel[s] + ":" + std::to_string(d.gs->chanScale[s]) +
                                 "," + std::to_string(d.gs->chanOffset[s]) + ";";
        all.insert(all.end(), head.begin(), head.end());
        const auto* p = static_cast<const uint8_t*>(d.gs->chanBlock[s]);
        if (p) all.insert(all.end(), p, p + size_t{d.gs->chanCount[s]} * (d.gs->chanType[s] == kTypeDouble ? 8 : 2));
    }
    return all;
}

// The blocks of a file in their order, as the file's own lengths and the read document place them.
enum Part { kHead, kSetup, kTypes, kSamples, kMarkers, kJournal, kManager, kPanels, kItems, kParts };
const char* const kPartNames[kParts] = {"head",    "set-up",  "type table",      "samples", "markers",
                                        "journal", "manager", "output panels", "graph items"};

struct Block {
    size_t from, to;
};

struct FileMap {
    Block block[kParts];
};

// What of the read document shows each part, and the report's words for it being left out.
Bytes PartOf(Part p, TestDoc& d) {
    switch (p) {
    case kSetup: return SetupOf(d);
    case kMarkers: return MarkersOf(d);
    case kJournal: return JournalOf(d);
    case kManager: return ManagerOf(d);
    case kPanels: return PanelsOf(d);
    case kItems: return ItemsOf(d);
    default: return ChannelsOf(d);  // the head, the type table and the samples make the channels
    }
}

bool Told(Part p, const stGraphReadReport& r) {
    const uint32_t markerParts = kLeftOutMarkers | kLeftOutMarkerLabels | kLeftOutMarkerCount;
    switch (p) {
    case kSetup: return r.leftOut & kLeftOutSetup;
    case kMarkers: return (r.leftOut & markerParts) || r.repaired;
    case kJournal: return r.leftOut & (kLeftOutJournal | kLeftOutJournalLength | kLeftOutJournalEnd);
    // The manager block holds a record for each marker.
    case kManager: return (r.leftOut & (kLeftOutMarkerSettings | markerParts)) || r.repaired;
    case kPanels: return r.leftOut & kLeftOutOutputPanels;
    case kItems: return r.leftOut & kLeftOutGraphItems;
    default: return r.repaired || (r.badCount | r.badScale | r.badSlot) != 0;
    }
}

// The blocks of a sound file the program wrote.
bool MapFile(const Bytes& f, TestDoc& sound, FileMap* map) {
    const size_t head = GetU32(f, 6);
    const size_t channels = GetU16(f, 10);
    size_t at = head;
    for (size_t i = 0; i < channels; ++i) at += GetU32(f, at);
    map->block[kHead] = {0, at};
    map->block[kSetup] = {at, at + GetU16(f, at)};
    at = map->block[kSetup].to;
    map->block[kTypes] = {at, at + 4 * channels};
    const size_t markers = static_cast<size_t>(LocateMarkerSection(sound.gs));
    map->block[kSamples] = {map->block[kTypes].to, markers};
    map->block[kMarkers] = {markers, markers + 8 + GetU32(f, markers)};
    at = map->block[kMarkers].to;
    map->block[kJournal] = {at, at + 10 + GetU32(f, at + 6)};
    at = map->block[kJournal].to;
    map->block[kManager] = {at, at + ManagerOf(sound).size()};
    at = map->block[kManager].to;
    map->block[kPanels] = {at, at + PanelsOf(sound).size()};
    at = map->block[kPanels].to;
    map->block[kItems] = {at, at + ItemsOf(sound).size()};
    return map->block[kItems].to == f.size() && map->block[kSamples].from == sound.gs->dataOffset;
}

struct Mutant {
    std::string what;
    Bytes bytes;
    std::vector<Part> touched;
};

void PutDouble(Bytes& f, size_t at, double v) {
    if (at + 8 <= f.size()) std::memcpy(f.data() + at, &v, 8);
}

// The damaged files: each names the blocks whose bytes it changed.
std::vector<Mutant> Mutants(const Bytes& whole, const FileMap& map) {
    std::vector<Mutant> all;
    auto add = [&](std::string what, Bytes b, std::vector<Part> touched) {
        all.push_back({std::move(what), std::move(b), std::move(touched)});
    };
    const uint32_t nearLimits[] = {0x7FFFFFFF, 0x80000000u, 0xFFFFFFFFu};
    for (int k = 0; k < kParts; ++k) {
        const Part p = static_cast<Part>(k);
        const Block b = map.block[k];
        const size_t length = b.to - b.from;
        if (length == 0) continue;
        const std::string name = kPartNames[k];
        {
            Bytes f = whole;
            f.insert(f.begin() + b.to, whole.begin() + b.from, whole.begin() + b.to);
            add(name + " twice", f, {p});
        }
        if (k + 1 < kParts && map.block[k + 1].to > map.block[k + 1].from) {
            const Block c = map.block[k + 1];
            Bytes f(whole.begin(), whole.begin() + b.from);
            f.insert(f.end(), whole.begin() + c.from, whole.begin() + c.to);
            f.insert(f.end(), whole.begin() + b.from, whole.begin() + b.to);
            f.insert(f.end(), whole.begin() + c.to, whole.end());
            add(name + " swapped with " + kPartNames[k + 1], f, {p, static_cast<Part>(k + 1)});
        }
        // Its tag and length lie in its first bytes; then the middle and the last bytes.
        std::vector<size_t> places;
        for (size_t i = 0; i <= 10 && i < length; i += 2) places.push_back(i);
        places.push_back(length / 2);
        places.push_back(length - 1);
        for (size_t i : places) {
            const size_t at = b.from + i;
            for (size_t n : {size_t{1}, size_t{4}, size_t{5}, size_t{8}}) {
                Bytes in = whole;
                in.insert(in.begin() + at, n, static_cast<uint8_t>(n == 4 || n == 5 ? 0xA5 : 0x00));
                add(name + ": " + std::to_string(n) + " bytes put in at +" + std::to_string(i), in, {p});
                if (i + n <= length) {
                    Bytes out = whole;
                    out.erase(out.begin() + at, out.begin() + at + n);
                    add(name + ": " + std::to_string(n) + " bytes taken out at +" + std::to_string(i), out, {p});
                }
            }
            if (i + 8 <= length && (i % 4 == 0 || i == length / 2)) {
                for (uint8_t fill : {uint8_t{0x00}, uint8_t{0xFF}}) {
                    Bytes run = whole;
                    std::memset(run.data() + at, fill, 8);
                    add(name + ": 8 bytes of " + std::to_string(fill) + " at +" + std::to_string(i), run, {p});
                }
                for (double v : {std::numeric_limits<double>::quiet_NaN(), double{INFINITY}, -double{INFINITY}}) {
                    Bytes odd = whole;
                    PutDouble(odd, at, v);
                    add(name + ": " + std::to_string(v) + " at +" + std::to_string(i), odd, {p});
                }
            }
            if (i + 4 <= length && i <= 10) {
                for (uint32_t v : nearLimits) {
                    Bytes big = whole;
                    PutU32(big, at, v);
                    char hex[16];
                    std::snprintf(hex, sizeof hex, "0x%08X", v);
                    add(name + ": " + hex + " at +" + std::to_string(i), big, {p});
                }
            }
        }
    }
    return all;
}

// The head, the type table and the samples together make the channels.
bool ChannelPart(Part p) { return p == kHead || p == kTypes || p == kSamples; }

struct SweepResult {
    size_t mutants = 0, refused = 0;
    std::vector<std::string> silent;  // an untouched block lost without a word
};

SweepResult Sweep(const Bytes& whole) {
    SweepResult result;
    TestDoc sound;
    stGraphReadReport soundReport{};
    if (ReadGraphBuffer(sound.gs, whole.data(), whole.size(), &soundReport) != 1 || soundReport.notice) {
        result.silent.push_back("the sound file does not read without a word");
        return result;
    }
    FileMap map;
    if (!MapFile(whole, sound, &map)) {
        result.silent.push_back("the sound file's blocks are not where its lengths put them");
        return result;
    }
    Bytes kept[kParts];
    for (int k = 0; k < kParts; ++k) kept[k] = PartOf(static_cast<Part>(k), sound);
    for (const Mutant& m : Mutants(whole, map)) {
        ++result.mutants;
        TestDoc d;
        stGraphReadReport report{};
        if (ReadGraphBuffer(d.gs, m.bytes.data(), m.bytes.size(), &report) != 1) {
            // A refusal names its fault and takes nothing.
            if (!report.refusal) result.silent.push_back(m.what + ": refused without a key");
            ++result.refused;
            continue;
        }
        for (int k = 0; k < kParts; ++k) {
            const Part p = static_cast<Part>(k);
            bool touched = false;
            for (Part t : m.touched) touched = touched || t == p || (ChannelPart(t) && ChannelPart(p));
            if (touched) continue;
            if (PartOf(p, d) != kept[k] && !Told(p, report)) {
                const Bytes got = PartOf(p, d);
                result.silent.push_back(m.what + ": " + kPartNames[k] + " [" + std::to_string(report.leftOut) + " " +
                                        std::to_string(report.repaired) + " " + (report.notice ? report.notice : "-") +
                                        "] " + (p == kMarkers ? std::string(got.begin(), got.end()) + " / " +
                                                                    std::string(kept[k].begin(), kept[k].end())
                                                              : std::string()));
            }
        }
    }
    return result;
}

class RecordedFileDamage : public ProgramWithUnit, public ::testing::WithParamInterface<const char*> {
protected:
    void SetUp() override {
        Boot("damage", true, {}, GetParam());
        SetScriptErrorHook(KeepError);
        g_error.clear();
    }
    void TearDown() override {
        SetScriptErrorHook(nullptr);
        DeleteFileA(ScriptPath().c_str());
        DeleteFileA(SavedPath().c_str());
        ProgramWithUnit::TearDown();
    }
    std::string ScriptPath() const { return folder + "\\damage_lesson.txt"; }
    std::string SavedPath() const { return folder + "\\recorded.acq"; }

    // Loads a lesson whose subroutine "Main" holds the lines, and runs it.
    int16_t RunLesson(const std::vector<std::string>& lines) {
        std::string text = "Damage lesson\r\nMain\r\n";
        for (const std::string& line : lines) text += line + "\r\n";
        text += "END\r\n";
        if (!WriteWholeFile(ScriptPath(), Text(text))) return -100;
        int stored = 0;
        if (!ReplaceLoadedScript(ScriptPath().c_str(), &stored) || !stored) return -101;
        return RunScriptSubroutine(LoadedScript(), "Main", 0);
    }
};

TEST_P(RecordedFileDamage, NoDamagedBlockLosesAnIntactOneWithoutAWord) {
    ASSERT_NE(RunLesson({"VK40 SET RATE 1000", "VK40 SET LENGTH 40", "VK40 SET STORAGE MEMORY ONCE KEEPALL NEW",
                         "VK40 SET CHANNEL ALLOFF", "VK40 SET CHANNEL 1, ANALOG ENABLE PLOT OFF \"Force\"",
                         "VK40 SET CHANNEL 3, ANALOG ENABLE PLOT OFF \"EMG\"", "VK40 STARTACQ"}),
              0)
        << g_error;
    ASSERT_EQ(Running(), 1);
    RunToEnd(50);
    ASSERT_EQ(gs->totalSamples, 40);
    // A marker with a label, a journal and a graph item, as the user adds them.
    ASSERT_TRUE(InsertMarker(gs, 12.0, 1, "twitch", kMarkerSequential));
    JournalAppendText(gs, "Subject rested.\r\nSecond trial.");
    ASSERT_EQ(ScriptPlotLine(gs, 2, "blue", 0, 0, 9, 3), 1);
    ASSERT_NE(RunLesson({"SAVECOPY \"recorded.acq\", \"\", KeepName, R"}), 0) << g_error;
    EXPECT_EQ(g_error, "");
    const Bytes whole = ReadWholeFile(SavedPath());
    ASSERT_GT(whole.size(), 1000u);

    const SweepResult result = Sweep(whole);
    std::printf("%s: %zu damaged files, %zu refused, %zu untouched blocks lost without a word\n", GetParam(),
                result.mutants, result.refused, result.silent.size());
    EXPECT_GT(result.mutants, 0u);
    for (const std::string& s : result.silent) ADD_FAILURE() << s;
}

INSTANTIATE_TEST_SUITE_P(BothModels, RecordedFileDamage, ::testing::Values("VKUSB", "VKUSB45"));

}  // namespace
