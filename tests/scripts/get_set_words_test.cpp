// GET, SET and EDIT run as small lessons over a graph of the program booted in the test: what
// each statement leaves in the variables, the graph, the frame and the unit library is read back.
#include "tests/scripts/lesson_fixture.h"

#include <cstring>

#include "base/app.h"
#include "base/lesson.h"
#include "base/resource.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "scripts/engine/script_engine.h"
#include "tests/documents/acq_builder.h"

namespace {

std::string FrameCaption() {
    char text[256] = "";
    GetWindowTextA(g_app->hwndFrame, text, sizeof text);
    return text;
}

// A graph whose channel 0 holds n samples 0, 1, 2, ... at 1 ms.
void FillChannel(tagGS* gs, int n) {
    gs->sampleInterval = 1.0;
    for (int i = 0; i < n; ++i) ASSERT_TRUE(PutChannelSample(gs, i, 0, i));
    gs->totalSamples = n;
    gs->selectedChan = 0;
}

}  // namespace

class GetSetWords : public LessonWords {};

// ---- GET ----

TEST_F(GetSetWords, GetReadsTheDisplayModeAndScalesOfTheCurrentGraph) {
    g_script.graph = nullptr;
    EXPECT_EQ(Run({"GET DISPLAYMODE M"}), kScriptStop) << "no graph";
    EXPECT_EQ(Run({"GET HSCALE A, B, C$"}), kScriptGoOn) << "other targets do nothing without a graph";
    EXPECT_EQ(Var('A'), -99.0);
    tagGS* gs = NewGraph("Scales");
    ASSERT_TRUE(gs);
    gs->displayMode = 1;
    gs->gridLocked = 0;
    gs->hPerDiv = 250.0;
    gs->hStart = 40.0;
    gs->hUnitKind = 3;
    lstrcpyA(gs->hUnitName, "beats");
    gs->chanVPerDiv[7] = 0.5;
    gs->chanVCenter[7] = -2.0;
    gs->chanVDivisions[7] = 8.0;
    lstrcpyA(gs->chanUnits[7], "mV");
    ASSERT_EQ(Run({"GET DISPLAYMODE M", "GET HSCALE A, B, U$", "GET VSCALE 7, C, D, V$"}), kScriptGoOn);
    EXPECT_EQ(Var('M'), 2.0) << "Chart";
    EXPECT_EQ(Var('A'), 250.0);
    EXPECT_EQ(Var('B'), 40.0);
    EXPECT_EQ(Str('U'), "beats");
    EXPECT_EQ(Var('C'), 0.5);
    EXPECT_EQ(Var('D'), -2.0);
    EXPECT_EQ(Str('V'), "mV");
    gs->gridLocked = 1;
    gs->hDivisions = 4.0;
    ASSERT_EQ(Run({"GET HSCALE A, B, U$", "GET VSCALE 7, C, D, V$"}), kScriptGoOn);
    EXPECT_EQ(Var('A'), 1040.0) << "the end of the view";
    EXPECT_EQ(Var('C'), 0.0) << "the top";
    EXPECT_EQ(Var('D'), -4.0) << "the bottom";
    EXPECT_EQ(ErrorDialogs(), 1) << "only the first DISPLAYMODE, without a graph";
}

TEST_F(GetSetWords, GetRefusesChannelsOutsideTheSlotsAndBadNames) {
    tagGS* gs = NewGraph("Refused");
    ASSERT_TRUE(gs);
    const char* lines[] = {
        "GET VSCALE 60, C, D, V$", "GET VSCALE -1, C, D, V$", "GET VSCALE 1e9, C, D, V$", "GET VSCALE 2.5, C, D, V$",
        "GET ACTIVEWNDTITLE T",    "GET DRIVERINFO 1$, N, B$", "GET NOSUCHTARGET X",
    };
    int dialogs = 0;
    for (const char* line : lines) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
    }
    EXPECT_EQ(Var('C'), -99.0);
    EXPECT_EQ(Var('N'), -99.0);
}

TEST_F(GetSetWords, GetReportsTheUnitModelTheDriverAndTheActiveWindowTitle) {
    tagGS* gs = NewGraph("Title here");
    ASSERT_TRUE(gs);
    g_app->hwndActiveGraph = gs->hwnd;
    ASSERT_EQ(Run({"GET VKMODELNUM K", "GET DRIVERINFO A@, N, B$", "GET ACTIVEWNDTITLE T$"}), kScriptGoOn);
    EXPECT_EQ(Var('K'), CVKDevice::GetDeviceNum());
    char path[MAX_PATH] = "";
    int32_t kind = 0;
    const bool named = GetDriverName(path, &kind) != 0;
    EXPECT_STREQ(g_script.macroStrings[0], named ? path : "");
    EXPECT_EQ(Var('N'), named ? kind : 255);
    EXPECT_EQ(Str('B'), GetConnectToVK40IsDesired() ? "YES" : "NO");
    EXPECT_EQ(Str('T'), "Title here");
}

// ---- SET without a graph ----

TEST_F(GetSetWords, SetChangesTheFrameAndTheProgramWithoutAGraph) {
    g_script.graph = nullptr;
    const std::string sub = InFolder("sub");
    CreateDirectoryA(sub.c_str(), nullptr);
    SetReadStatusEnable(1);
    ASSERT_EQ(Run({"SET WINDOWCAPTION \"Heart lab\"", "SET KEYBOARDENTRY 0", "SET VISUALMODE GRAPHICS",
                   "SET ReadConnectionStatus Disable", "SET FOLDER \"sub\" R", "SET FOLDER \"nowhere\" Q",
                   "SET PLOTTYPE LINE 3"}),  // needs a graph: nothing
              kScriptGoOn);
    EXPECT_EQ(FrameCaption(), std::string(g_app->szAppTitle) + " - Heart lab");
    EXPECT_EQ(g_app->bMenusUnlocked, 0u);
    EXPECT_EQ(g_script.lessonButtonMode, 1);
    EXPECT_EQ(Var('R'), 1.0);
    EXPECT_EQ(Var('Q'), 0.0);
    char here[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof here, here);
    EXPECT_EQ(std::string(here), sub);
    ASSERT_EQ(Run({"SET FOLDER PARENT", "SET KEYBOARDENTRY 1", "SET VISUALMODE TEXT"}), kScriptGoOn);
    GetCurrentDirectoryA(sizeof here, here);
    EXPECT_EQ(std::string(here), folder);
    EXPECT_EQ(g_app->bMenusUnlocked, 1u);
    EXPECT_EQ(g_script.lessonButtonMode, 0);
    EXPECT_EQ(Run({"SET ReadConnectionStatus Sometimes"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    SetReadStatusEnable(0);
}

// ---- SET with a graph ----

TEST_F(GetSetWords, WaveDataWritesTheSamplesThereAreOrAppendsTheNextOne) {
    tagGS* gs = NewGraph("Samples");
    ASSERT_TRUE(gs);
    FillChannel(gs, 4);
    const struct {
        const char* line;
        int16_t result;
        uint32_t count;
    } cases[] = {
        {"SET WAVEDATA 2, 20", kScriptGoOn, 4},
        {"SET WAVEDATA 4, 40", kScriptGoOn, 5},  // the next sample
        {"SET WAVEDATA -1, 7", kScriptStop, 5},
        {"SET WAVEDATA 1e12, 7", kScriptStop, 5},
        {"SET WAVEDATA 2147483647, 7", kScriptStop, 5},
        {"SET WAVEDATA 100, 7", kScriptStop, 5},  // a gap
        {"SET WAVEDATA 1.5, 7", kScriptStop, 5},
    };
    int dialogs = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(Run({c.line}), c.result) << c.line;
        dialogs += c.result == kScriptStop;
        EXPECT_EQ(ErrorDialogs(), dialogs) << c.line;
        EXPECT_EQ(gs->chanCount[0], c.count) << c.line;
    }
    double v = 0;
    ASSERT_TRUE(ReadChannelSample(gs, 2, 0, &v));
    EXPECT_EQ(v, 20.0);
    ASSERT_TRUE(ReadChannelSample(gs, 4, 0, &v));
    EXPECT_EQ(v, 40.0);
    gs->selectedChan = 60;
    EXPECT_EQ(Run({"SET WAVEDATA 0, 1"}), kScriptStop) << "a selected channel outside the slots";
}

TEST_F(GetSetWords, ScalesCursorsAndOffsetsAreStoredInTheDocumentsUnits) {
    tagGS* gs = NewGraph("Scale");
    ASSERT_TRUE(gs);
    FillChannel(gs, 10000);  // 10 s of data
    gs->hUnitKind = 0;
    gs->hOffset = 0;
    gs->gridLocked = 0;
    ASSERT_EQ(Run({"SET HSCALE 2, 1", "SET HCURSOR 0.5, 1.5", "SET VSCALE 3, 0, 5", "SET VOFFSET 2.5"}), kScriptGoOn);
    EXPECT_EQ(gs->hPerDiv, 2000.0);
    EXPECT_EQ(gs->hDivisions, 4.0);
    EXPECT_EQ(gs->hStart, 1000.0);
    EXPECT_EQ(gs->selStart, 500.0);
    EXPECT_EQ(gs->selEnd, 1500.0);
    EXPECT_EQ(gs->chanVPerDiv[3], 1.0) << "a scale of 0 becomes 1";
    EXPECT_EQ(gs->chanVCenter[3], 5.0);
    EXPECT_EQ(gs->chanVCenter[0], 2.5);
    ASSERT_EQ(Run({"SET HSCALE 2, 9", "SET HOFFSET -3"}), kScriptGoOn);
    EXPECT_EQ(gs->hStart, 0.0) << "never before the start";
    ASSERT_EQ(Run({"SET HSCALE 2, 9"}), kScriptGoOn);
    EXPECT_EQ(gs->hStart, 2000.0) << "never so far that four divisions run past the data";
    const char* refused[] = {"SET VSCALE 60, 1, 0", "SET VSCALE -3, 1, 0", "SET WAVECOLOR 99, RED",
                             "SET CHANNEL 60, LABEL \"x\"", "SET CHANNEL 3, SIDEWAYS", "SET NOSUCHTARGET 1"};
    int dialogs = 0;
    for (const char* line : refused) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
    }
}

TEST_F(GetSetWords, ChannelColourAndPlotTypeChangeTheChannel) {
    tagGS* gs = NewGraph("Looks");
    ASSERT_TRUE(gs);
    FillChannel(gs, 10);
    ASSERT_EQ(Run({"SET CHANNEL 0, LABEL \"Pressure\"", "SET CHANNEL 0, UNITS \"mmHg\"", "SET WAVECOLOR 0, BLUE",
                   "SET WAVECOLOR 5, CUSTOM 1, 258, 3", "SET WAVECOLOR 6, PLAID", "SET PLOTTYPE LASTDOT 4"}),
              kScriptGoOn);
    EXPECT_STREQ(gs->chanLabel[0], "Pressure");
    EXPECT_STREQ(gs->chanDescription[0], "Pressure");
    EXPECT_STREQ(gs->chanUnits[0], "mmHg");
    EXPECT_EQ(gs->chanColor[0], 0xFF0000u);
    EXPECT_EQ(gs->chanColor[5], 0x030201u) << "green and blue masked to 8 bits";
    EXPECT_EQ(gs->chanDrawStyle[0], 2);
    EXPECT_EQ(gs->chanPlotStyle[0] & 0x8000FFFFu, 0x80000404u);
    EXPECT_TRUE(GetMenuState(g_app->hmenuFrame, IDM_SHOW_LAST_DOT_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    ASSERT_EQ(Run({"SET PLOTTYPE DOT 2"}), kScriptGoOn);
    EXPECT_EQ(gs->chanPlotStyle[0], 0x0202u);
    EXPECT_FALSE(GetMenuState(g_app->hmenuFrame, IDM_SHOW_LAST_DOT_ONLY, MF_BYCOMMAND) & MF_CHECKED);

    // ON and OFF change a slot in use only; NOTILE is set either way.
    gs->chanFlags[3] = 0;
    ASSERT_EQ(Run({"SET CHANNEL 3, ON NOTILE", "SET CHANNEL 0, OFF TILE \"Flow\", \"ml\""}), kScriptGoOn);
    EXPECT_EQ(gs->chanFlags[3], 4u);
    EXPECT_EQ(gs->chanFlags[0] & 7u, 1u);
    EXPECT_STREQ(gs->chanLabel[0], "Flow");
    EXPECT_STREQ(gs->chanUnits[0], "ml");
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
}

// ---- EDIT ----

TEST_F(GetSetWords, EditCutsCopiesAndRemovesTheSelectedChannel) {
    tagGS* gs = NewGraph("Edits");
    ASSERT_TRUE(gs);
    FillChannel(gs, 100);
    ASSERT_EQ(Run({"EDIT SELECTALL"}), kScriptGoOn);
    EXPECT_EQ(gs->selStart, 100.0);
    EXPECT_EQ(gs->selEnd, 0.0);
    gs->selStart = 10.0;
    gs->selEnd = 20.0;
    ASSERT_EQ(Run({"EDIT COPY"}), kScriptGoOn);
    ASSERT_TRUE(g_app->gsClipboard);
    EXPECT_EQ(g_app->gsClipboard->chanCount[0], 10u);
    ASSERT_EQ(Run({"EDIT CUT"}), kScriptGoOn);
    EXPECT_EQ(gs->chanCount[0], 90u);
    double v = 0;
    ASSERT_TRUE(ReadChannelSample(gs, 10, 0, &v));
    EXPECT_EQ(v, 20.0);
    gs->selStart = gs->selEnd = 5.0;
    ASSERT_EQ(Run({"EDIT CLEAR"}), kScriptGoOn);
    EXPECT_EQ(gs->chanCount[0], 90u) << "an empty selection clears nothing";
    ASSERT_EQ(Run({"EDIT DUPLICATE"}), kScriptGoOn);
    int copies = 0;
    for (int s = 1; s < kMaxChannels; ++s) copies += gs->chanCount[s] == 90u;
    EXPECT_EQ(copies, 1);
    ASSERT_EQ(Run({"EDIT REMOVE"}), kScriptGoOn);
    EXPECT_EQ(gs->chanCount[0], 0u);
    EXPECT_EQ(Run({"EDIT SIDEWAYS"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    g_script.graph = nullptr;
    EXPECT_EQ(Run({"EDIT CUT", "EDIT SIDEWAYS"}), kScriptGoOn) << "without a graph EDIT does nothing";
}

TEST_F(GetSetWords, EditPastesIntoANewChannelWhenThereIsNoneAndClearAllEmptiesShortChannels) {
    tagGS* gs = NewGraph("Source");
    ASSERT_TRUE(gs);
    FillChannel(gs, 50);
    gs->selStart = 0.0;
    gs->selEnd = 30.0;
    ASSERT_EQ(Run({"EDIT COPY"}), kScriptGoOn);
    ASSERT_EQ(g_app->gsClipboard->chanCount[0], 30u);

    tagGS* empty = NewGraph("Empty");
    ASSERT_TRUE(empty);
    ASSERT_EQ(Run({"EDIT PASTE"}), kScriptGoOn);
    int filled = -1, count = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if (empty->chanCount[s]) {
            filled = s;
            ++count;
        }
    ASSERT_EQ(count, 1) << "one new channel";
    EXPECT_EQ(empty->chanCount[filled], 30u) << "the clipboard's samples once";
    double v = 0;
    ASSERT_TRUE(ReadChannelSample(empty, 29, filled, &v));
    EXPECT_EQ(v, 29.0);
    ASSERT_EQ(Run({"EDIT INSERT"}), kScriptGoOn);
    count = 0;
    for (int s = 0; s < kMaxChannels; ++s) count += empty->chanCount[s] == 30u;
    EXPECT_EQ(count, 2);

    // A selection longer than the channels removes their data whole; a shorter one the range.
    g_script.graph = gs;
    ASSERT_TRUE(PutChannelSample(gs, 9, 5, 1.0));  // a second channel of 10 samples
    gs->selStart = 0.0;
    gs->selEnd = 20.0;
    ASSERT_EQ(Run({"EDIT CLEARALL"}), kScriptGoOn);
    EXPECT_EQ(gs->chanCount[0], 30u);
    EXPECT_EQ(gs->chanCount[5], 0u);
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(GetSetWords, PrecisionSetsTheDigitsOfAChannelOrOfTheTimeAxis) {
    tagGS* gs = NewGraph("Digits");
    ASSERT_TRUE(gs);
    ASSERT_EQ(Run({"SET PRECISION VSCALE 4, 3", "SET PRECISION HSCALE 0, 5"}), kScriptGoOn);
    EXPECT_EQ(gs->chanDecimals[4], 3);
    EXPECT_EQ(gs->precisionDigits, 5);
    EXPECT_EQ(Run({"SET PRECISION VSCALE 60, 3"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
}
