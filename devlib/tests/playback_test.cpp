// Play-back sources: the text table, the pacing of a run, the samples in the unit's word order,
// the registry of sources by graph name and the lesson statement, from the library's objects.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/unit/playback.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/binding/binding.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

// ---- The text table ----

struct stParseCase {
    const char* what;
    std::string text;
    bool ok;
    uint32_t columns, rows;
    std::vector<double> values;
};

TEST(PlaybackText, ColumnsComeFromTheFirstRowsTabsAndRowsFromCrLfPairs) {
    const stParseCase cases[] = {
        {"two columns", "1.5\t-0.2\t\r\n", true, 2, 1, {1.5, -0.2}},
        {"a last row without CR LF is not counted", "1\t2\t\r\n3\t4\t", true, 2, 1, {1, 2}},
        {"a short row reads 0 for its missing fields", "1\t2\t3\t\r\n4\t\r\n", true, 3, 2, {1, 2, 3, 4, 0, 0}},
        {"only 16 characters of a field are read", "1.00000000000000009\t\r\n", true, 1, 1, {1.0}},
        {"exponents and signs as the classic conversion reads them", "-2e-1\t+3E2\t\r\n", true, 2, 1, {-0.2, 300}},
        {"a lone line feed does not end a row", "1\t\n2\t\r\n", true, 1, 1, {1}},
        {"no tab: no column", "1.5\r\n2.5\r\n", false, 0, 2, {}},
        {"no CR LF: no row", "1\t2\t", false, 2, 0, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        std::vector<double> values;
        uint32_t columns = 99, rows = 99;
        EXPECT_EQ(ParsePlaybackText(c.text.data(), c.text.size(), &values, &columns, &rows), c.ok);
        EXPECT_EQ(columns, c.columns);
        EXPECT_EQ(rows, c.rows);
        if (c.ok) {
            ASSERT_EQ(values.size(), c.values.size());
            for (size_t i = 0; i < values.size(); ++i) EXPECT_DOUBLE_EQ(values[i], c.values[i]) << i;
        }
    }
}

// ---- Pacing ----

struct stPaceCase {
    const char* what;
    double periodMs;
    uint32_t channels;
    std::vector<uint32_t> ticks;     // the poll times, the first one starts the clock
    std::vector<uint32_t> expected;  // bytes at each poll
};

TEST(PlaybackPacing, EveryPollDeliversTheWholeFramesDueAndCarriesTheRest) {
    const stPaceCase cases[] = {
        {"a 2 s period polled every 500 ms delivers one frame every fourth poll",
         2000,
         1,
         {0, 500, 1000, 1500, 2000, 2500, 3000, 3500, 4000},
         {0, 0, 0, 0, 2, 0, 0, 0, 2}},
        {"3 ms frames polled every 5 ms: the part frame is not lost", 3, 2, {100, 105, 110, 115}, {0, 4, 8, 8}},
        {"a fractional period keeps its fraction", 0.4, 4, {0, 1, 2}, {0, 16, 24}},
        {"a poll in the same millisecond delivers nothing", 1, 1, {7, 7, 8}, {0, 0, 2}},
        {"the tick count wrapping round", 1, 1, {0xFFFFFFFEu, 0xFFFFFFFFu, 1}, {0, 2, 4}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        stPlaybackClock clock{};
        uint32_t total = 0;
        for (size_t i = 0; i < c.ticks.size(); ++i) {
            PlaybackTick(&clock, c.ticks[i]);
            const uint32_t bytes = PlaybackDueBytes(&clock, c.periodMs, c.channels);
            EXPECT_EQ(bytes, c.expected[i]) << "poll " << i;
            total += bytes;
        }
        // Nothing is lost or invented over the whole stretch.
        const double elapsed = c.ticks.back() - c.ticks.front();
        EXPECT_EQ(total, static_cast<uint32_t>(elapsed / c.periodMs + 1e-9) * c.channels * 2);
    }
}

// ---- Samples ----

int16_t Word(const uint8_t* b, size_t i) { return static_cast<int16_t>((b[2 * i] << 8) | b[2 * i + 1]); }

TEST(PlaybackSamples, AVoltAtGain1000Is3276CountsBigEndian) {
    EXPECT_DOUBLE_EQ(PlaybackColumnFactor(1000), 3276.8);
    const double table[] = {1.0, -1.0};
    const double factors[] = {PlaybackColumnFactor(1000), PlaybackColumnFactor(1000)};
    uint32_t cursor = 0;
    uint8_t buffer[4] = {};
    EXPECT_EQ(PlaybackFillSamples(table, 2, 1, factors, 2, &cursor, 4, buffer), 4u);
    EXPECT_EQ(buffer[0], 0x0C);  // 3276 = 0x0CCC, high byte first
    EXPECT_EQ(buffer[1], 0xCC);
    EXPECT_EQ(Word(buffer, 1), -3276);
    EXPECT_EQ(cursor, 1u);
}

TEST(PlaybackSamples, EachColumnTakesItsOwnFactorAndIsLimited) {
    const double table[] = {1.0, 1.0, 1.0, 100.0, -100.0, 0.5};
    const double factors[] = {PlaybackColumnFactor(10), PlaybackColumnFactor(100), PlaybackColumnFactor(1000)};
    uint32_t cursor = 0;
    uint8_t buffer[12] = {};
    ASSERT_EQ(PlaybackFillSamples(table, 3, 2, factors, 3, &cursor, 12, buffer), 12u);
    EXPECT_EQ(Word(buffer, 0), 32);
    EXPECT_EQ(Word(buffer, 1), 327);
    EXPECT_EQ(Word(buffer, 2), 3276);
    EXPECT_EQ(Word(buffer, 3), 3276);
    EXPECT_EQ(Word(buffer, 4), -32767);
    EXPECT_EQ(Word(buffer, 5), 1638);
}

TEST(PlaybackSamples, ARunPastTheLastRowStartsOverWithAZeroSample) {
    const double table[] = {1, 2, 3, 4};  // two rows of two columns
    const double factors[] = {1, 1};
    uint32_t cursor = 0;
    uint8_t buffer[12] = {};
    ASSERT_EQ(PlaybackFillSamples(table, 2, 2, factors, 2, &cursor, 12, buffer), 12u);
    const int16_t expected[] = {1, 2, 3, 4, 0, 2};
    for (size_t i = 0; i < 6; ++i) EXPECT_EQ(Word(buffer, i), expected[i]) << i;
    EXPECT_EQ(cursor, 1u);
}

TEST(PlaybackSamples, ARunWithMoreChannelsThanColumnsGetsNothing) {
    const double table[] = {1, 2};
    const double factors[] = {1, 1};
    uint32_t cursor = 0;
    uint8_t buffer[6] = {};
    EXPECT_EQ(PlaybackFillSamples(table, 2, 1, factors, 3, &cursor, 6, buffer), 0u);
    EXPECT_EQ(cursor, 0u);
}

// ---- Sources by graph name ----

// The name carries the process id: the suite runs its tests in parallel processes, and one
// test's clean-up must not delete the file another is reading.
std::string WriteSourceFile(const char* name, const std::string& text) {
    char dir[MAX_PATH];
    GetTempPathA(MAX_PATH, dir);
    std::string path = std::string(dir) + std::to_string(GetCurrentProcessId()) + "_" + name;
    FILE* f = fopen(path.c_str(), "wb");
    if (f) {
        fwrite(text.data(), 1, text.size(), f);
        fclose(f);
    }
    return path;
}

// A library record with an attached graph and four analog channels of their own gains.
class PlaybackSources : public ::testing::Test {
protected:
    void SetUp() override {
        hAcq = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
        acq = static_cast<stAcq*>(GlobalLock(hAcq));
        gs = MakeGraph();
        strcpy(gs->title, "Graph1");
        acq->run.attachedGraph = gs.get();
        const double gains[kAnalogChannels] = {1000, 100, 10, 1};
        for (int k = 0; k < kAnalogChannels; ++k) {
            acq->chans[k].group = kGroupAnalog;
            acq->chans[k].flags = 2;
            acq->chans[k].gain = gains[k];
        }
        file = WriteSourceFile("vk40_playback_test.txt", "1\t1\t1\t1\t\r\n-1\t2\t0\t1000\t\r\n");
        g_lib.hAcq = hAcq;
    }

    void TearDown() override {
        for (int i = 0; i < kPlaybackSources + 1; ++i) {
            char name[32];
            snprintf(name, sizeof(name), "G%d", i);
            SrcNavRelease(name);
        }
        SrcNavRelease("Graph1");
        DeleteFileA(file.c_str());
        g_lib.hAcq = nullptr;
        g_lib.host = stHostCallbacks{};
        GlobalUnlock(hAcq);
        GlobalFree(hAcq);
    }

    HGLOBAL hAcq = nullptr;
    stAcq* acq = nullptr;
    std::unique_ptr<tagGS> gs;
    std::string file;
    char result[kSourceResultChars] = {};
};

TEST_F(PlaybackSources, AnAssignedFileServesTheGraphsReadsWithTheRealCount) {
    CSourceNavigator* nav = SrcNavAssign(acq, file.c_str(), "Graph1", result);
    ASSERT_NE(nav, nullptr) << result;
    EXPECT_EQ(SrcNavFindNavigator("Graph1"), nav);
    EXPECT_EQ(SrcNavFindNavigator("graph1"), nullptr);  // names compare exactly
    EXPECT_EQ(nav->GetColumns(), 4u);
    EXPECT_EQ(nav->GetRows(), 2u);
    ASSERT_EQ(nav->OnBeginAcquisition(acq), 1);
    EXPECT_EQ(acq->run.statusState, 2);

    // The unit is never asked: the link is not even open.
    CUnitLink link;
    const uint8_t request[4] = {0x00, 0x00, 0x00, 0x10};
    uint8_t samples[16] = {};
    EXPECT_EQ(link.ReadSamples(request, 16, samples, acq), 16);
    const int16_t expected[] = {3276, 327, 32, 3, -3276, 655, 0, 3276};
    for (size_t i = 0; i < 8; ++i) EXPECT_EQ(Word(samples, i), expected[i]) << i;

    nav->OnEndAcquisition(acq);
    EXPECT_EQ(acq->run.statusState, 1);
    EXPECT_EQ(SrcNavRelease("Graph1"), 1);
    EXPECT_EQ(SrcNavFindNavigator("Graph1"), nullptr);
    EXPECT_EQ(SrcNavRelease("Graph1"), 0);
}

TEST_F(PlaybackSources, APollDeliversTheFramesDueAtTheRunsPeriod) {
    ASSERT_NE(SrcNavAssign(acq, file.c_str(), "Graph1", result), nullptr) << result;
    EXPECT_EQ(PlaybackPollBytes(gs.get(), 1500, 4, 1000), 0u);
    EXPECT_EQ(PlaybackPollBytes(gs.get(), 1500, 4, 2000), 0u);
    EXPECT_EQ(PlaybackPollBytes(gs.get(), 1500, 4, 3000), 8u);  // one frame of four channels
    auto other = MakeGraph();
    strcpy(other->title, "Graph2");
    EXPECT_EQ(PlaybackPollBytes(other.get(), 1500, 4, 9000), 0u);
}

TEST_F(PlaybackSources, ATableNarrowerThanTheRunDoesNotStart) {
    file = WriteSourceFile("vk40_playback_test.txt", "1\t2\t\r\n");
    CSourceNavigator* nav = SrcNavAssign(acq, file.c_str(), "Graph1", result);
    ASSERT_NE(nav, nullptr);
    EXPECT_EQ(nav->OnBeginAcquisition(acq), 0);
    acq->chans[2].flags = 0;
    acq->chans[3].flags = 0;
    EXPECT_EQ(nav->OnBeginAcquisition(acq), 1);
}

TEST_F(PlaybackSources, AFailedAssignmentSaysWhyAndLeavesTheSourceFree) {
    struct stCase {
        const char* what;
        bool attached;
        const char* graph;
        const char* file;
        const char* reason;
    };
    const std::string missing = file + ".none";
    const stCase cases[] = {
        {"no graph attached", false, "Graph1", file.c_str(),
         "The Initializing procedure of the Graph that you are tring to use is not completed yet."},
        {"another graph's name", true, "Graph2", file.c_str(), "There is no graph with such name."},
        {"no such file", true, "Graph1", missing.c_str(),
         "Cannot open file that has to be used as data source for playback mode."},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        acq->run.attachedGraph = c.attached ? gs.get() : nullptr;
        EXPECT_EQ(SrcNavAssign(acq, c.file, c.graph, result), nullptr);
        EXPECT_STREQ(result, c.reason);
        EXPECT_EQ(SrcNavFindNavigator(c.graph), nullptr);
    }
}

TEST_F(PlaybackSources, ATwentyFirstSourceFindsNoFreeStorage) {
    for (int i = 0; i < kPlaybackSources; ++i) {
        snprintf(gs->title, sizeof(gs->title), "G%d", i);
        ASSERT_NE(SrcNavAssign(acq, file.c_str(), gs->title, result), nullptr) << i << ": " << result;
    }
    snprintf(gs->title, sizeof(gs->title), "G%d", kPlaybackSources);
    EXPECT_EQ(SrcNavAssign(acq, file.c_str(), gs->title, result), nullptr);
    EXPECT_STREQ(result, "There is no free storage for source file, Please release any assigned data file first.");
    ASSERT_EQ(SrcNavRelease("G7"), 1);
    EXPECT_NE(SrcNavAssign(acq, file.c_str(), gs->title, result), nullptr) << result;
}

// ---- The lesson statement ----

struct stScriptVar {
    int32_t letter = -1;
    std::string text;
    int32_t macroLocal = -1;
};
stScriptVar g_var;

// Words separated by blanks; the names are bare words here.
int32_t WINAPI TestToken(const char* pos, char* out) {
    const char* p = pos;
    while (*p == ' ') ++p;
    const char* start = p;
    while (*p && *p != ' ') ++p;
    memcpy(out, start, static_cast<size_t>(p - start));
    out[p - start] = '\0';
    return p == start ? 0 : static_cast<int32_t>(p - pos);
}
void WINAPI TestAssign(int32_t letter, const char* text, int32_t macroLocal) {
    g_var.letter = letter;
    g_var.text = text;
    g_var.macroLocal = macroLocal;
}

class PlaybackStatement : public PlaybackSources {
protected:
    void SetUp() override {
        PlaybackSources::SetUp();
        g_lib.host.getScriptToken = &TestToken;
        g_lib.host.evaluateScriptExpression = &TestToken;
        g_lib.host.assignScriptStringVariable = &TestAssign;
        g_var = stScriptVar{};
    }
    int32_t Run(const std::string& statement) { return ExecPlayBackMacro((statement + " Graph1 " + file).c_str()); }
};

TEST_F(PlaybackStatement, VerbsAssignReassignAndReleaseWithTheirResultTexts) {
    struct stStep {
        const char* verb;
        int32_t returned;
        const char* text;
        bool assigned;
    };
    const stStep steps[] = {
        {"assign", 1, "Success", true},
        {"Assign", 0, "Graph with such name already has assigned data file.", true},
        {"REASSIGN", 1, "Success", true},
        {"Release", 1, "Success", false},
        {"Release", 0, "There is no graph with such name.", false},
        {"Rewind", 0, "Unknown result.", false},
    };
    for (const auto& s : steps) {
        SCOPED_TRACE(s.verb);
        g_var = stScriptVar{};
        EXPECT_EQ(Run(std::string("PlayBack ") + s.verb + " B@"), s.returned);
        EXPECT_EQ(g_var.letter, 1);
        EXPECT_EQ(g_var.macroLocal, 1);
        EXPECT_EQ(g_var.text, s.text);
        EXPECT_EQ(SrcNavFindNavigator("Graph1") != nullptr, s.assigned);
    }
    EXPECT_EQ(Run("PlayBack Assign Z$"), 1);
    EXPECT_EQ(g_var.letter, 25);
    EXPECT_EQ(g_var.macroLocal, 0);
}

TEST_F(PlaybackStatement, AStatementOfAnotherShapeStoresNothing) {
    for (const char* s : {"Play Assign A$", "PlayBack Assign A", "PlayBack Assign a$", "PlayBack Assign AB$"}) {
        SCOPED_TRACE(s);
        EXPECT_EQ(Run(s), 0);
        EXPECT_EQ(g_var.letter, -1);
        EXPECT_EQ(SrcNavFindNavigator("Graph1"), nullptr);
    }
    EXPECT_EQ(ExecPlayBackMacro("PlayBack Assign A$ Graph1"), 0);  // no file
    EXPECT_EQ(g_var.letter, -1);
}

}  // namespace
