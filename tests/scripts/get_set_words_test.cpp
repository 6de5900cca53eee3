// GET, SET and EDIT run as small lessons over a graph of the program booted in the test: what
// each statement leaves in the variables, the graph, the frame and the unit library is read back.
#include "tests/scripts/lesson_fixture.h"

#include <cstdio>
#include <cstring>
#include <richedit.h>
#include <utility>
#include <vector>

#include "base/app.h"
#include "base/lesson.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "scripts/scripts_ids.h"
#include "button/lumikey.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/markers/markers.h"
#include "documents/measurements/measure_box.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/render/waveforms.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"
#include "tests/documents/acq_builder.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "tests/shell/box_capture.h"

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

// A 24-bit bitmap file of one row of pixels, left to right.
bool WriteBitmapRow(const std::string& path, const std::vector<COLORREF>& row) {
    BITMAPINFOHEADER bi{};
    bi.biSize = sizeof bi;
    bi.biWidth = static_cast<LONG>(row.size());
    bi.biHeight = 1;
    bi.biPlanes = 1;
    bi.biBitCount = 24;
    std::string pixels;
    for (COLORREF c : row)
        pixels += {static_cast<char>(GetBValue(c)), static_cast<char>(GetGValue(c)), static_cast<char>(GetRValue(c))};
    pixels.resize((pixels.size() + 3) / 4 * 4, '\0');
    BITMAPFILEHEADER bf{};
    bf.bfType = 0x4D42;
    bf.bfOffBits = sizeof bf + sizeof bi;
    bf.bfSize = static_cast<DWORD>(bf.bfOffBits + pixels.size());
    std::string bytes(reinterpret_cast<const char*>(&bf), sizeof bf);
    bytes.append(reinterpret_cast<const char*>(&bi), sizeof bi);
    bytes += pixels;
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    return std::fclose(f) == 0 && written;
}

// The colours of the graph window's plot at fractions of its width and height, as painted.
std::vector<COLORREF> PlotColours(tagGS* gs, const std::vector<std::pair<double, double>>& at) {
    RedrawWindow(gs->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    const RECT plot = gs->plotRect;
    std::vector<COLORREF> colours;
    HDC dc = GetDC(gs->hwnd);
    for (const auto& p : at)
        colours.push_back(GetPixel(dc, plot.left + static_cast<int>((plot.right - plot.left) * p.first),
                                   plot.top + static_cast<int>((plot.bottom - plot.top) * p.second)));
    ReleaseDC(gs->hwnd, dc);
    return colours;
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
    gs->displayMode = kModeChart;
    gs->gridLocked = 0;
    gs->hPerDiv = 250.0;
    gs->hStart = 40.0;
    gs->hUnitKind = kHUnitUser;
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
    // The start-up script, which has no graph of its own, reads the title of the one in front.
    g_script.graph = nullptr;
    AssignScriptStringVariable('T' - 'A', "", 0);
    ASSERT_EQ(Run({"GET ACTIVEWNDTITLE T$"}), kScriptGoOn);
    EXPECT_EQ(Str('T'), "Title here");
    EXPECT_EQ(ErrorDialogs(), 0);
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
    EXPECT_EQ(g_app->frame.bMenusUnlocked, 0u);
    EXPECT_EQ(g_script.lessonButtonMode, 1);
    EXPECT_EQ(Var('R'), 1.0);
    EXPECT_EQ(Var('Q'), 0.0);
    char here[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof here, here);
    EXPECT_EQ(std::string(here), sub);
    ASSERT_EQ(Run({"SET FOLDER PARENT", "SET KEYBOARDENTRY 1", "SET VISUALMODE TEXT"}), kScriptGoOn);
    GetCurrentDirectoryA(sizeof here, here);
    EXPECT_EQ(std::string(here), folder);
    EXPECT_EQ(g_app->frame.bMenusUnlocked, 1u);
    EXPECT_EQ(g_script.lessonButtonMode, 0);
    EXPECT_EQ(Run({"SET ReadConnectionStatus Sometimes"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    SetReadStatusEnable(0);
}

// SET FOLDER reports through a subroutine's own variable as through a program-wide one: 1 when
// the folder was made current, 0 when it is not there, whatever the variable held before.
TEST_F(GetSetWords, SetFolderReportsThroughALocalVariable) {
    g_script.graph = nullptr;
    const std::string sub = InFolder("sub");
    ASSERT_TRUE(CreateDirectoryA(sub.c_str(), nullptr));
    const struct {
        const char* line;
        double result;
        const std::string& current;
    } cases[] = {
        {"SET FOLDER \"nowhere\", f", 0.0, folder},
        {"SET FOLDER \"sub\", f", 1.0, sub},
        {"SET FOLDER \"..\\nowhere\", f", 0.0, sub},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        ASSERT_EQ(Run({"f = 7", c.line, "g = f"}), kScriptGoOn);
        const auto* main = FindScriptSubroutine(LoadedScript(), "Main");
        ASSERT_NE(main, nullptr);
        EXPECT_EQ(main->Local('f' - 'a'), c.result);
        EXPECT_EQ(main->Local('g' - 'a'), c.result) << "the lesson reads what it was told";
        char here[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof here, here);
        EXPECT_EQ(std::string(here), c.current);
    }
    SetCurrentDirectoryA(folder.c_str());
    EXPECT_EQ(ErrorDialogs(), 0);
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
    gs->hUnitKind = kHUnitTime;
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
    EXPECT_EQ(gs->chanDrawStyle[0], kStyleDots);
    EXPECT_EQ(gs->chanPlotStyle[0] & 0x8000FFFFu, 0x80000404u);
    EXPECT_TRUE(GetMenuState(g_app->frame.hmenuFrame, IDM_SHOW_LAST_DOT_ONLY, MF_BYCOMMAND) & MF_CHECKED);
    ASSERT_EQ(Run({"SET PLOTTYPE DOT 2"}), kScriptGoOn);
    EXPECT_EQ(gs->chanPlotStyle[0], 0x0202u);
    EXPECT_FALSE(GetMenuState(g_app->frame.hmenuFrame, IDM_SHOW_LAST_DOT_ONLY, MF_BYCOMMAND) & MF_CHECKED);

    // ON and OFF change a slot in use only; NOTILE (the hidden bit) is set either way.
    gs->chanFlags[3] = 0;
    ASSERT_EQ(Run({"SET CHANNEL 3, ON NOTILE", "SET CHANNEL 0, OFF TILE \"Flow\", \"ml\""}), kScriptGoOn);
    EXPECT_EQ(gs->chanFlags[3], kChanHidden);
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

// ---- The grid ----

TEST_F(GetSetWords, GridOptionsReadBackAsFlagsAndListPlaces) {
    tagGS* gs = NewGraph("Grid read");
    ASSERT_TRUE(gs);
    const struct {
        uint32_t locked, fine, midpoint;
        uint16_t options[4];  // major style, minor style, major width, minor width
        COLORREF major, minor;
        double want[9];
    } cases[] = {
        {0, 1, 0, {PS_SOLID, PS_DOT, 1, 1}, 0x808080, 0xC0C0C0, {1, 0, 0, 0, 0, 7, 2, 0, 8}},
        {1, 0, 1, {PS_DASHDOTDOT, PS_DASH, 8, 4}, 0xFFFFFF, 0x0000FF, {0, 1, 1, 4, 6, 15, 1, 3, 9}},
        // Values the lists do not hold read as their last places.
        {1, 0, 0, {PS_NULL, PS_SOLID, 7, 1}, 0x123456, 0x000000, {0, 1, 0, 4, 6, 15, 0, 0, 0}},
    };
    for (const auto& c : cases) {
        gs->gridLocked = c.locked;
        gs->gridOptions2 = c.fine;
        gs->gridExtra = c.midpoint;
        std::memcpy(gs->gridOptions, c.options, sizeof c.options);
        gs->gridColor = c.major;
        gs->gridMinorColor = c.minor;
        ASSERT_EQ(Run({"GET GRIDOPTIONS A, B, C, D, E, F, G, H, I"}), kScriptGoOn);
        for (int i = 0; i < 9; ++i) EXPECT_EQ(Var(static_cast<char>('A' + i)), c.want[i]) << "case " << &c - cases << ", " << i;
    }
    EXPECT_EQ(Run({"GET GRIDOPTIONS A, B, C, D"}), kScriptStop) << "nine names";
    EXPECT_EQ(ErrorDialogs(), 1);
}

TEST_F(GetSetWords, SetGridOptionsLocksOrUnlocksAndTakesThePensByPlace) {
    tagGS* gs = NewGraph("Grid set");
    ASSERT_TRUE(gs);
    const struct {
        const char* line;
        uint32_t locked, fine, midpoint;
        uint16_t options[4];
        COLORREF major, minor;
    } cases[] = {
        {"SET GRIDOPTIONS LOCKED MINORON MIDDLEPOINT 1, 2, 9, 2, 0, 15", 1, 1, 1, {PS_DASH, PS_DOT, 3, 1}, 0x0000FF,
         0xFFFFFF},
        // No mode word: the numbers follow at once and the start/end mode holds.
        {"SET GRIDOPTIONS LOCKED MINOROFF 4, 6, 0, 3, 1, 12", 1, 0, 0, {PS_DASHDOTDOT, PS_DASHDOT, 8, 2}, 0x000000,
         0xFF0000},
        {"SET GRIDOPTIONS LOCKED MINOROFF STARTEND 0, 0, 7, 0, 0, 8", 1, 0, 0, {PS_SOLID, PS_SOLID, 1, 1}, 0x808080,
         0xC0C0C0},
        // Unlocked, the pens go back to plain grey lines whatever follows.
        {"SET GRIDOPTIONS UNLOCKED MINORON 4, 6, 0, 3, 1, 12", 0, 1, 0, {PS_SOLID, PS_SOLID, 1, 1}, 0x808080,
         0xC0C0C0},
        {"SET GRIDOPTIONS MINOROFF", 0, 0, 0, {PS_SOLID, PS_SOLID, 1, 1}, 0x808080, 0xC0C0C0},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run({c.line}), kScriptGoOn) << c.line;
        EXPECT_EQ(gs->gridLocked, c.locked) << c.line;
        EXPECT_EQ(gs->gridOptions2, c.fine) << c.line;
        EXPECT_EQ(gs->gridExtra, c.midpoint) << c.line;
        for (int i = 0; i < 4; ++i) EXPECT_EQ(gs->gridOptions[i], c.options[i]) << c.line << ", option " << i;
        EXPECT_EQ(gs->gridColor, c.major) << c.line;
        EXPECT_EQ(gs->gridMinorColor, c.minor) << c.line;
    }
    // What SET wrote, GET reads back.
    ASSERT_EQ(Run({"SET GRIDOPTIONS LOCKED MINORON MIDDLEPOINT 3, 5, 14, 1, 4, 6",
                   "GET GRIDOPTIONS A, B, C, D, E, F, G, H, I"}),
              kScriptGoOn);
    const double back[] = {0, 0, 1, 3, 5, 14, 1, 4, 6};
    for (int i = 0; i < 9; ++i) EXPECT_EQ(Var(static_cast<char>('A' + i)), back[i]) << i;

    // A place outside its list refuses the statement and leaves the grid as it was.
    const char* refused[] = {
        "SET GRIDOPTIONS LOCKED MINOROFF 5, 0, 0, 0, 0, 0",
        "SET GRIDOPTIONS LOCKED MINOROFF 0, 7, 0, 0, 0, 0", "SET GRIDOPTIONS LOCKED MINOROFF 0, 0, 16, 0, 0, 0",
        "SET GRIDOPTIONS LOCKED MINOROFF 0, 0, 0, -1, 0, 0", "SET GRIDOPTIONS LOCKED MINOROFF 0, 0, 0, 0, 1.5, 0",
        "SET GRIDOPTIONS LOCKED MINOROFF 0, 0, 0, 0, 0, 1e9",
    };
    int dialogs = 0;
    for (const char* line : refused) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
        EXPECT_EQ(gs->gridLocked, 1u) << line;
        EXPECT_EQ(gs->gridOptions2, 1u) << line;
        EXPECT_EQ(gs->gridColor, 0xFFFF00u) << line;
        EXPECT_EQ(gs->gridOptions[3], 5) << line;
    }
}

TEST_F(GetSetWords, UnlockingTheGridKeepsTheSpanOverFourDivisions) {
    tagGS* gs = NewGraph("Unlock");
    ASSERT_TRUE(gs);
    gs->gridLocked = 1;
    gs->gridExtra = 1;
    gs->displayMode = kModeScope;
    gs->hPerDiv = 500.0;
    gs->hDivisions = 10.0;
    gs->hStart = 250.0;
    gs->chanVPerDiv[4] = 2.0;
    gs->chanVDivisions[4] = 6.0;
    gs->chanVCenter[4] = -1.0;
    ASSERT_EQ(Run({"SET GRIDOPTIONS UNLOCKED MINOROFF"}), kScriptGoOn);
    EXPECT_EQ(gs->hPerDiv, 1250.0);
    EXPECT_EQ(gs->hDivisions, 4.0);
    EXPECT_EQ(gs->gridExtraValue, 250.0) << "the lines start at the view's start";
    EXPECT_EQ(gs->chanVPerDiv[4], 3.0);
    EXPECT_EQ(gs->chanVDivisions[4], 4.0);
    EXPECT_EQ(gs->chanVOffsetDiv[4], -1.0);
    EXPECT_EQ(gs->gridExtra, 0u);

    // In XY mode only the horizontal channel's scale is brought to four divisions.
    gs->displayMode = kModeXY;
    gs->xyXChan = 7;
    gs->chanVPerDiv[7] = 1.0;
    gs->chanVDivisions[7] = 8.0;
    gs->chanVPerDiv[4] = 1.0;
    gs->chanVDivisions[4] = 8.0;
    ASSERT_EQ(Run({"SET GRIDOPTIONS UNLOCKED MINOROFF"}), kScriptGoOn);
    EXPECT_EQ(gs->chanVPerDiv[7], 2.0);
    EXPECT_EQ(gs->chanVPerDiv[4], 1.0);
    EXPECT_EQ(gs->hPerDiv, 1250.0);
}

TEST_F(GetSetWords, GridSpacingAndOriginChangeOnlyALockedGrid) {
    tagGS* gs = NewGraph("Spacing");
    ASSERT_TRUE(gs);
    gs->hUnitKind = kHUnitTime;  // seconds
    gs->hPerDiv = 1000.0;
    gs->hDivisions = 4.0;
    gs->chanVPerDiv[2] = 1.0;
    gs->chanVDivisions[2] = 8.0;
    gs->gridLocked = 0;
    ASSERT_EQ(Run({"SET HGRID 0.5, 0.25", "SET VGRID 2, 2, -1"}), kScriptGoOn);
    EXPECT_EQ(gs->hPerDiv, 1000.0) << "unlocked: nothing";
    EXPECT_EQ(gs->chanVPerDiv[2], 1.0) << "unlocked: nothing";
    gs->gridLocked = 1;
    ASSERT_EQ(Run({"SET HGRID 0.5, 0.25", "SET VGRID 2, 2, -1", "GET HGRID A, B", "GET VGRID 2, C, D"}),
              kScriptGoOn);
    EXPECT_EQ(gs->hPerDiv, 500.0);
    EXPECT_EQ(gs->hDivisions, 8.0) << "the span shown stays";
    EXPECT_EQ(gs->gridExtraValue, 250.0);
    EXPECT_EQ(gs->chanVPerDiv[2], 2.0);
    EXPECT_EQ(gs->chanVDivisions[2], 4.0);
    EXPECT_EQ(gs->chanVOffsetDiv[2], -1.0);
    EXPECT_EQ(Var('A'), 500.0);
    EXPECT_EQ(Var('B'), 250.0);
    EXPECT_EQ(Var('C'), 4.0) << "the number of divisions";
    EXPECT_EQ(Var('D'), -1.0);
    const char* refused[] = {"SET HGRID 0, 1", "SET VGRID 2, -1, 0", "SET VGRID 60, 1, 0", "GET VGRID 60, C, D",
                             "GET HGRID A"};
    int dialogs = 0;
    for (const char* line : refused) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
    }
    EXPECT_EQ(gs->hPerDiv, 500.0);
    EXPECT_EQ(gs->chanVPerDiv[2], 2.0);
}

TEST_F(GetSetWords, ALockedMidpointGridTakesAndGivesRangeAndMidpoint) {
    tagGS* gs = NewGraph("Midpoint");
    ASSERT_TRUE(gs);
    FillChannel(gs, 10000);
    gs->hUnitKind = kHUnitTime;
    gs->gridLocked = 1;
    gs->gridExtra = 1;
    gs->hPerDiv = 1000.0;
    gs->chanVPerDiv[0] = 2.0;
    ASSERT_EQ(Run({"SET HSCALE 4, 3", "SET VSCALE 0, 10, 2", "GET HSCALE A, B, U$", "GET VSCALE 0, C, D, V$"}),
              kScriptGoOn);
    EXPECT_EQ(gs->hStart, 1000.0);
    EXPECT_EQ(gs->hDivisions, 4.0);
    EXPECT_EQ(gs->chanVCenter[0], 2.0);
    EXPECT_EQ(gs->chanVDivisions[0], 5.0);
    EXPECT_EQ(Var('A'), 4000.0) << "the range";
    EXPECT_EQ(Var('B'), 3000.0) << "the midpoint";
    EXPECT_EQ(Var('C'), 10.0);
    EXPECT_EQ(Var('D'), 2.0);
    // A range reaching before the start begins at 0 and ends where the range around the midpoint does.
    ASSERT_EQ(Run({"SET HSCALE 4, 1"}), kScriptGoOn);
    EXPECT_EQ(gs->hStart, 0.0);
    EXPECT_EQ(gs->hDivisions, 3.0);
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
}

// ---- Markers and measurements ----

TEST_F(GetSetWords, SetMarkerPlacesALabelledMarkerAtItsTime) {
    tagGS* gs = NewGraph("Markers");
    ASSERT_TRUE(gs);
    FillChannel(gs, 5000);
    ASSERT_EQ(Run({"SET MARKER 2.5, \"Stimulus\"", "SET MARKER 0.5, \"Rest\""}), kScriptGoOn);
    ASSERT_TRUE(gs->markers);
    ASSERT_EQ(gs->markers->count, 2u);
    const stMarkerNode* first = gs->markers->first;
    ASSERT_TRUE(first && first->next);
    EXPECT_EQ(first->position, 500u) << "kept in time order";
    EXPECT_STREQ(first->label, "Rest");
    EXPECT_EQ(first->next->position, 2500u);
    EXPECT_STREQ(first->next->label, "Stimulus");
    ASSERT_TRUE(first->marker);
    EXPECT_EQ(first->marker->type, kMarkerFixed);
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
}

TEST_F(GetSetWords, MeasurementWordsSetTheShownBoxesAndTheRowCount) {
    tagGS* gs = NewGraph("Boxes");
    ASSERT_TRUE(gs);
    FillChannel(gs, 100);
    ASSERT_TRUE(PutChannelSample(gs, 0, 3, 7.0));
    auto* grid = static_cast<stMeasureGrid*>(gs->measureGrid);
    ASSERT_TRUE(grid);
    ASSERT_GE(grid->boxes.size(), 2u);
    ASSERT_EQ(Run({"SET MEASUREMENT 1, MAX", "SET MEASUREMENT 2, PtoP", "SET MEASUREMENTCHANNEL 2, 3"}), kScriptGoOn);
    EXPECT_EQ(GetMeasurementType(grid->boxes[0]), 4);
    EXPECT_EQ(GetMeasurementType(grid->boxes[1]), 3);
    EXPECT_EQ(GetMeasurementChannel(grid->boxes[1]), 3);
    EXPECT_EQ(gs->measureType[0], 4) << "the graph keeps the setting";
    EXPECT_EQ(gs->measureChan[1], 3);

    // Rebuilt with more rows, the boxes keep what they were set to.
    ASSERT_EQ(Run({"SET MEASUREMENTROWS 3"}), kScriptGoOn);
    grid = static_cast<stMeasureGrid*>(gs->measureGrid);
    ASSERT_TRUE(grid);
    EXPECT_EQ(GetMeasurementRows(grid), 3);
    EXPECT_EQ(gs->measureRows, 3);
    ASSERT_EQ(grid->boxes.size(), 15u);
    EXPECT_EQ(GetMeasurementType(grid->boxes[0]), 4);
    EXPECT_EQ(GetMeasurementChannel(grid->boxes[1]), 3);
    ASSERT_EQ(Run({"SET MEASUREMENT 15, MEAN"}), kScriptGoOn);
    EXPECT_EQ(GetMeasurementType(grid->boxes[14]), 6);

    // Hidden boxes are left alone.
    ASSERT_EQ(Run({"HIDE MEASUREMENTS", "SET MEASUREMENT 1, MIN"}), kScriptGoOn);
    EXPECT_EQ(GetMeasurementType(grid->boxes[0]), 4);

    const char* refused[] = {"SET MEASUREMENT 1, SIDEWAYS", "SET MEASUREMENTCHANNEL 1, 60", "SET MEASUREMENTROWS 0",
                             "SET MEASUREMENTROWS 9", "SET MEASUREMENTROWS 2.5"};
    int dialogs = 0;
    for (const char* line : refused) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
    }
    EXPECT_EQ(GetMeasurementRows(static_cast<stMeasureGrid*>(gs->measureGrid)), 3);
    // Box numbers past the grid name no box: nothing to set.
    EXPECT_EQ(Run({"SHOW MEASUREMENTS", "SET MEASUREMENT 16, MAX", "SET MEASUREMENT 0, MAX"}), kScriptGoOn);
}

TEST_F(GetSetWords, TabSizeSpacesTheJournalTabStops) {
    const float kept = JournalPrefs().tabSize;
    tagGS* gs = NewGraph("Tabs");
    ASSERT_TRUE(gs);
    HWND journal = GetJournalWindow(gs);
    ASSERT_TRUE(journal);
    ASSERT_EQ(Run({"SET TABSIZE 0.5"}), kScriptGoOn);
    EXPECT_EQ(JournalPrefs().tabSize, 0.5f);
    PARAFORMAT pf{};
    pf.cbSize = sizeof pf;
    SendMessageA(journal, EM_GETPARAFORMAT, 0, reinterpret_cast<LPARAM>(&pf));
    ASSERT_GE(pf.cTabCount, 2);
    EXPECT_EQ(pf.rgxTabs[0] & 0xFFFFFF, 720) << "half an inch in twips";
    EXPECT_EQ(pf.rgxTabs[1] & 0xFFFFFF, 1440);
    const char* refused[] = {"SET TABSIZE 0", "SET TABSIZE -1", "SET TABSIZE 1e9"};
    int dialogs = 0;
    for (const char* line : refused) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
        EXPECT_EQ(JournalPrefs().tabSize, 0.5f) << line;
    }
    JournalPrefs().tabSize = kept;
}

TEST_F(GetSetWords, BitmapImageReplacesAButtonPictureOrReportsTheFile) {
    // A 3 x 2 picture written as a bitmap file.
    const std::string file = InFolder("face.bmp");
    {
        BITMAPINFOHEADER bi{};
        bi.biSize = sizeof bi;
        bi.biWidth = 3;
        bi.biHeight = 2;
        bi.biPlanes = 1;
        bi.biBitCount = 24;
        const DWORD row = 12, pixels = row * 2;
        BITMAPFILEHEADER bf{};
        bf.bfType = 0x4D42;
        bf.bfOffBits = sizeof bf + sizeof bi;
        bf.bfSize = bf.bfOffBits + pixels;
        std::string bytes(reinterpret_cast<const char*>(&bf), sizeof bf);
        bytes.append(reinterpret_cast<const char*>(&bi), sizeof bi);
        bytes.append(pixels, '\x40');
        FILE* f = std::fopen(file.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fwrite(bytes.data(), 1, bytes.size(), f);
        std::fclose(f);
    }
    ASSERT_EQ(Run({"SET BitmapImage 6, \"" + file + "\""}), kScriptGoOn);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(m_MLBitmap.Get(MLBMP_EXTRA), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmHeight, 2);

    BoxCapture boxes;
    EXPECT_EQ(Run({"SET BitmapImage 6, \"no such.bmp\""}), kScriptStop);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].text, "Can't load image - no such.bmp.");
    ASSERT_TRUE(GetObjectA(m_MLBitmap.Get(MLBMP_EXTRA), sizeof bm, &bm));
    EXPECT_EQ(bm.bmWidth, 3) << "a failed load keeps the picture";
    for (const char* line : {"SET BitmapImage 7, \"x.bmp\"", "SET BitmapImage -1, \"x.bmp\"",
                             "SET BitmapImage 1.5, \"x.bmp\""})
        EXPECT_EQ(Run({line}), kScriptStop) << line;
    EXPECT_EQ(boxes.boxes.size(), 1u) << "a slot outside the seven is refused before any load";
    m_MLBitmap.InitFromResource();
}

TEST_F(GetSetWords, RangeBarMarksOneBarOrAllSolidAndRefusesNumbersThatNameNoBar) {
    tagGS* gs = NewGraph("Bars");
    ASSERT_TRUE(gs);
    // Each line starts from bars alternating solid and not, and must change only its own bars.
    const struct {
        const char* line;
        int bar;  // -1: all of them
        uint32_t solid;
    } cases[] = {
        {"SET RANGEBAR -1, SOLID", -1, 1}, {"SET RANGEBAR -1, HOLLOW", -1, 0}, {"SET RANGEBAR 0, solid", 0, 1},
        {"SET RANGEBAR 1, LINE", 1, 0},    {"SET RANGEBAR 39, SOLID", 39, 1},  {"SET RANGEBAR 2", 2, 0},
    };
    auto alternate = [gs] {
        for (int i = 0; i < kRangeBars; ++i) gs->rangeBarSolid[i] = i % 2;
    };
    for (const auto& c : cases) {
        alternate();
        ASSERT_EQ(Run({c.line}), kScriptGoOn) << c.line;
        for (int i = 0; i < kRangeBars; ++i) {
            const uint32_t expected = c.bar < 0 || c.bar == i ? c.solid : static_cast<uint32_t>(i % 2);
            EXPECT_EQ(gs->rangeBarSolid[i], expected) << c.line << ", bar " << i;
        }
    }
    EXPECT_EQ(ErrorDialogs(), 0);
    const char* refused[] = {"SET RANGEBAR 40, SOLID", "SET RANGEBAR -2, SOLID", "SET RANGEBAR 1.5, SOLID",
                             "SET RANGEBAR 1e9, SOLID"};
    int dialogs = 0;
    for (const char* line : refused) {
        alternate();
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
        for (int i = 0; i < kRangeBars; ++i) EXPECT_EQ(gs->rangeBarSolid[i], static_cast<uint32_t>(i % 2)) << line;
    }
}

TEST_F(GetSetWords, PictFileStretchesAPictureBehindTheXYPlotUntilTheNextLessonOpens) {
    const COLORREF red = RGB(255, 0, 0), blue = RGB(0, 0, 255), white = RGB(255, 255, 255);
    const std::string file = InFolder("halves.bmp");
    ASSERT_TRUE(WriteBitmapRow(file, {red, blue}));
    tagGS* gs = NewGraph("Background");
    ASSERT_TRUE(gs);
    ASSERT_EQ(Run({"DISPLAY XY", "SET PICTFILE \"" + file + "\""}), kScriptGoOn);
    HBITMAP picture = GetXYBackgroundPicture();
    ASSERT_TRUE(picture);
    // Points off the grid lines: the picture's two pixels are stretched over the two halves.
    const std::vector<std::pair<double, double>> points = {{0.1, 0.4}, {0.4, 0.6}, {0.6, 0.4}, {0.9, 0.6}};
    EXPECT_EQ(PlotColours(gs, points), (std::vector<COLORREF>{red, red, blue, blue}));
    ASSERT_EQ(Run({"DISPLAY SCOPE"}), kScriptGoOn);
    EXPECT_EQ(PlotColours(gs, points), std::vector<COLORREF>(4, white)) << "only the XY plot has the picture";

    // A file that cannot be read is told, and the old picture is gone with it.
    BoxCapture boxes;
    ASSERT_EQ(Run({"DISPLAY XY", "SET PICTFILE \"no such.bmp\""}), kScriptGoOn);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].text, "Can't open the file 'no such.bmp'");
    EXPECT_FALSE(GetXYBackgroundPicture());
    BITMAP bm{};
    EXPECT_EQ(GetObjectA(picture, sizeof bm, &bm), 0) << "the old bitmap was deleted";
    EXPECT_EQ(PlotColours(gs, points), std::vector<COLORREF>(4, white));

    // Opening a lesson starts without a picture.
    ASSERT_EQ(Run({"SET PICTFILE \"" + file + "\""}), kScriptGoOn);
    picture = GetXYBackgroundPicture();
    ASSERT_TRUE(picture);
    gs->modified = 0;
    const std::string lesson = InFolder("next.txt");
    {
        FILE* f = std::fopen(lesson.c_str(), "wb");
        ASSERT_TRUE(f);
        std::fputs("Next lesson\r\nMain\r\nEND\r\n", f);
        std::fclose(f);
    }
    ASSERT_TRUE(OpenScript(lesson.c_str()));
    EXPECT_FALSE(GetXYBackgroundPicture());
    EXPECT_EQ(GetObjectA(picture, sizeof bm, &bm), 0) << "the lesson's bitmap was deleted";
    gs = NewGraph("After");
    ASSERT_TRUE(gs);
    ASSERT_EQ(Run({"DISPLAY XY"}), kScriptGoOn);
    EXPECT_EQ(PlotColours(gs, points), std::vector<COLORREF>(4, white));
    EXPECT_EQ(boxes.boxes.size(), 1u);

    // The program's end deletes the picture with the lesson's other resources.
    ASSERT_EQ(Run({"SET PICTFILE \"" + file + "\""}), kScriptGoOn);
    picture = GetXYBackgroundPicture();
    ASSERT_TRUE(picture);
    FreeScriptResources();
    EXPECT_FALSE(GetXYBackgroundPicture());
    EXPECT_EQ(GetObjectA(picture, sizeof bm, &bm), 0);
}

TEST_F(GetSetWords, DialogTextRelabelsAControlEachTimeItsDialogOpens) {
    tagGS* gs = NewGraph("Labels");
    ASSERT_TRUE(gs);
    const std::string dialog = std::to_string(IDD_CHANNEL_LABEL);
    auto okButtonText = [gs] {
        std::string text;
        DialogDriver driver({[&](HWND dlg) {
            text = ItemText(dlg, IDOK);
            Click(dlg, IDCANCEL);
        }});
        ChannelLabelDialog(gs->hwnd, gs, 0, 1);
        return text;
    };
    const std::string untranslated = okButtonText();
    ASSERT_FALSE(untranslated.empty());
    ASSERT_EQ(Run({"SET DialogText " + dialog + ", 1, \"Fertig\""}), kScriptGoOn);
    EXPECT_EQ(okButtonText(), "Fertig");
    ASSERT_EQ(Run({"SET DialogText " + dialog + ", 1, \"Gut\""}), kScriptGoOn);
    EXPECT_EQ(okButtonText(), "Gut") << "a second text replaces the first";
    EXPECT_STREQ(getDlgCtrlText(IDD_CHANNEL_LABEL, IDOK), "Gut");

    // Ids that name no resource are refused before the store is touched.
    const std::string refused[] = {"SET DialogText -1, 1, \"x\"", "SET DialogText " + dialog + ", 65536, \"x\"",
                                   "SET DialogText 1.5, 1, \"x\"", "SET DialogText " + dialog + ", 1e12, \"x\""};
    BoxCapture boxes;
    boxes.caption = "Error";  // the label dialog is the driver's
    int dialogs = 0;
    for (const std::string& line : refused) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
    }
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(okButtonText(), "Gut");

    // A full store: a new control is refused with the message, a known one still takes its text.
    int added = 0;
    while (added < 10000 && SetOrAdd(60000, static_cast<uint32_t>(added), "filler")) ++added;
    ASSERT_LT(added, 10000);
    EXPECT_EQ(Run({"SET DialogText " + dialog + ", 2, \"Abbrechen\""}), kScriptStop);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Error");
    EXPECT_EQ(boxes.boxes[0].text, "There is no free space in the resource database");
    EXPECT_EQ(getDlgCtrlText(IDD_CHANNEL_LABEL, IDCANCEL), nullptr);
    EXPECT_EQ(Run({"SET DialogText " + dialog + ", 1, \"Weiter\""}), kScriptGoOn);
    EXPECT_EQ(okButtonText(), "Weiter");
    EXPECT_EQ(boxes.boxes.size(), 1u);
}

TEST_F(GetSetWords, JnlHintGivesAJournalButtonItsTipOrReportsTheKey) {
    tagGS* gs = NewGraph("Hints");
    ASSERT_TRUE(gs);
    auto tip = [](tagGS* g, int id) -> std::string {
        tagLUMIKEY* button = LumikeyRecord(GetDlgItem(g->hwnd, id));
        return button ? button->szTip : "(no button)";
    };
    ASSERT_EQ(tip(gs, IDC_JOURNAL_INSERT_TIME), "Insert Time");
    ASSERT_EQ(Run({"SET JnlHint \"Insert Time\", \"Zeit einfuegen\"", "SET JnlHint \"Save Text\", \"Sichern\""}),
              kScriptGoOn);
    const struct {
        int id;
        const char* tip;
    } tips[] = {{IDC_JOURNAL_INSERT_TIME, "Zeit einfuegen"},
                {IDC_JOURNAL_INSERT_DATE, "Insert Date"},
                {IDC_JOURNAL_SAVE, "Sichern"},
                {IDC_JOURNAL_PRINT, "Print Journal"}};
    for (const auto& t : tips) EXPECT_EQ(tip(gs, t.id), t.tip) << t.id;
    tagGS* later = NewGraph("Later");
    ASSERT_TRUE(later);
    EXPECT_EQ(tip(later, IDC_JOURNAL_INSERT_TIME), "Zeit einfuegen") << "a new journal takes the translation";

    BoxCapture boxes;
    for (const char* key : {"Insert time", "No such button"}) {
        EXPECT_EQ(Run({std::string("SET JnlHint \"") + key + "\", \"x\""}), kScriptStop) << key;
        ASSERT_FALSE(boxes.boxes.empty());
        EXPECT_EQ(boxes.boxes.back().caption, "Error");
        EXPECT_EQ(boxes.boxes.back().text, std::string("Please check the following key value - ") + key +
                                               ". There is no such key in the resource database");
    }
    EXPECT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(tip(later, IDC_JOURNAL_INSERT_TIME), "Zeit einfuegen");
}
