// Graph documents: new-document values, numbering, File New through the frame, and closing
// with its refusal, its save question and its order.
#include <gtest/gtest.h>
#include <windows.h>
#include <algorithm>
#include <cstdio>
#include <string>
#include <vector>
#include "tests/shell/shell_fixture.h"
#include "graph/document/graph_doc.h"
#include "base/app.h"
#include "shell/startup.h"
#include "scripts/script_api.h"
#include "devlib/vk40.h"
#include "button/lumikey.h"

namespace {

// Answers every message box of this thread with a chosen button and records it.
class AnsweringBoxes {
public:
    explicit AnsweringBoxes(int answer) : answer_(answer) {
        self_ = this;
        hook_ = SetWindowsHookExA(WH_CBT, Hook, nullptr, GetCurrentThreadId());
    }
    ~AnsweringBoxes() {
        UnhookWindowsHookEx(hook_);
        self_ = nullptr;
    }
    AnsweringBoxes(const AnsweringBoxes&) = delete;
    AnsweringBoxes& operator=(const AnsweringBoxes&) = delete;
    struct Box {
        std::string caption, text;
    };
    std::vector<Box> boxes;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_ACTIVATE && self_) {
            HWND box = reinterpret_cast<HWND>(wParam);
            char cls[16] = "", caption[256] = "", text[1024] = "";
            GetClassNameA(box, cls, sizeof cls);
            if (lstrcmpA(cls, "#32770") == 0) {
                GetWindowTextA(box, caption, sizeof caption);
                GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
                self_->boxes.push_back({caption, text});
                PostMessageA(box, WM_COMMAND, static_cast<WPARAM>(self_->answer_), 0);
            }
        }
        return CallNextHookEx(self_ ? self_->hook_ : nullptr, code, wParam, lParam);
    }
    static AnsweringBoxes* self_;
    int answer_;
    HHOOK hook_;
};
AnsweringBoxes* AnsweringBoxes::self_ = nullptr;

// A document without a window, with its sub-objects.
struct NewDoc {
    tagGS* gs = nullptr;
    NewDoc() {
        if (AllocGraph(&gs, 0) == 1) InitNewGraph(gs);
    }
    ~NewDoc() { FreeGraphRecord(gs); }
};

TEST(GraphDocNew, FieldsOfANewDocument) {
    NewDoc d;
    tagGS* gs = d.gs;
    ASSERT_TRUE(gs);
    struct Field {
        const char* name;
        double actual, expected;
    } fields[] = {
        {"viewFlags0", double(gs->viewFlags0), 2},      {"viewFlags1", double(gs->viewFlags1), 1},
        {"viewFlags2", double(gs->viewFlags2), 1},      {"gridColor", double(gs->gridColor), 0x808080},
        {"gridMinorColor", double(gs->gridMinorColor), 0xC0C0C0},
        {"gridOptions0", double(gs->gridOptions[0]), 0}, {"gridOptions1", double(gs->gridOptions[1]), 2},
        {"gridOptions2", double(gs->gridOptions[2]), 1}, {"gridOptions3", double(gs->gridOptions[3]), 1},
        {"gridLocked", double(gs->gridLocked), 0},      {"hDivisions", gs->hDivisions, 4.0},
        {"plotBackColor", double(gs->plotBackColor), 0xFFFFFF},
        {"toolsWhileRecording", double(gs->toolsWhileRecording), 1},
        {"displayMode", double(gs->displayMode), 1},    {"selectedChan", double(gs->selectedChan), 0},
        {"xyXChan", double(gs->xyXChan), 1},            {"chanViewWord[60]", double(gs->chanViewWord[60]), 1},
        {"modified", double(gs->modified), 0},          {"cursorShown", double(gs->cursorShown), 2},
        {"hStart", gs->hStart, 0.0},                    {"hPerDiv", gs->hPerDiv, 2000.0},
        {"sampleInterval", gs->sampleInterval, 5.0},    {"winSize", double(gs->winSize), 8192},
        {"storageKind", double(gs->storageKind), 0},    {"measureShown", double(gs->measureShown), 1},
        {"measureRows", double(gs->measureRows), 1},    {"precisionDigits", double(gs->precisionDigits), 6},
        {"measureChan[0]", double(gs->measureChan[0]), -1}, {"measureChan[39]", double(gs->measureChan[39]), -1},
        {"measureType[5]", double(gs->measureType[5]), 0}, {"currentTool", double(gs->currentTool), 16},
        {"zoomLevel", double(gs->zoomLevel), 0},        {"zoomCount", double(gs->zoomCount), 0},
        {"zoomHPerDiv[0]", gs->zoomHPerDiv[0], 2000.0}, {"zoomHDivisions[0]", gs->zoomHDivisions[0], 4.0},
        {"zoomVPerDiv[0][7]", gs->zoomVPerDiv[0][7], 5.0}, {"zoomVDivisions[0][7]", gs->zoomVDivisions[0][7], 4.0},
        {"markerBarShown", double(gs->markerBarShown), 1}, {"segmentsShown", double(gs->segmentsShown), 1},
        {"journalShown", double(gs->journalShown), 0},  {"lessonFlags0", double(gs->lessonFlags[0]), 1},
        {"lessonFlags1", double(gs->lessonFlags[1]), 1}, {"isTemplate", double(gs->isTemplate), 0},
        {"waveformRegionResize", double(gs->waveformRegionResize), 1}, {"cursorTime", gs->cursorTime, -1.0},
        {"outPanelsShown", double(gs->outPanelsShown), 1}, {"segmentTimeOffset", gs->segmentTimeOffset, 0.0},
        {"unitModel", double(gs->unitModel), 0},        {"saveAsType", double(gs->saveAsType), 1},
        {"chanHasScaling[3]", double(gs->chanHasScaling[3]), 0},
    };
    for (const Field& f : fields) EXPECT_EQ(f.actual, f.expected) << f.name;
    EXPECT_TRUE(gs->journal);
    EXPECT_TRUE(gs->graphItems);
    EXPECT_TRUE(gs->outPanels);
    EXPECT_TRUE(gs->markerManager);
    EXPECT_TRUE(gs->curveSettings);
    EXPECT_EQ(gs->markers, nullptr);
    EXPECT_EQ(gs->foreignData, nullptr);
}

TEST(GraphDocNew, ChannelSlotsOfANewDocument) {
    NewDoc d;
    tagGS* gs = d.gs;
    struct Label {
        int slot;
        const char* text;
    } labels[] = {{0, "CH0 Input"}, {4, "CH4 Input"}, {5, "Channel 5"}, {39, "Channel 39"}, {40, "C1"}, {59, "C20"}};
    for (const Label& l : labels) {
        EXPECT_STREQ(gs->chanLabel[l.slot], l.text);
        EXPECT_STREQ(gs->chanDescription[l.slot], l.text);
    }
    const COLORREF cycle[6] = {0x000000, 0x0000FF, 0xFF0000, 0x008000, 0xFFFF00, 0xFF00FF};
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        SCOPED_TRACE(slot);
        EXPECT_STREQ(gs->chanUnits[slot], "volts");
        EXPECT_EQ(gs->chanDecimals[slot], 2);
        EXPECT_EQ(gs->chanColor[slot], cycle[slot % 6]);
        EXPECT_EQ(gs->chanPlotStyle[slot], 0x0303u);
        EXPECT_EQ(gs->chanOrder[slot], static_cast<uint32_t>(slot));
        EXPECT_EQ(gs->chanViewWord[slot], 1092u);
        EXPECT_EQ(gs->chanVDivisions[slot], 4.0);
        EXPECT_EQ(gs->chanVPerDiv[slot], 5.0);
        EXPECT_EQ(gs->chanVCenter[slot], 0.0);
        EXPECT_EQ(gs->chanScale[slot], 0.00030517578125);
        EXPECT_EQ(gs->chanOffset[slot], 0.0);
        EXPECT_EQ(gs->chanFlags[slot], 0u);
        EXPECT_EQ(gs->chanBlock[slot], nullptr);
    }
}

TEST(GraphDocNew, UntitledNumbersCountEveryNewDocument) {
    int before = GetUntitledCounter();
    NewDoc a, b;
    char expected[32];
    std::snprintf(expected, sizeof expected, "Untitled%d", before + 1);
    EXPECT_STREQ(a.gs->title, expected);
    std::snprintf(expected, sizeof expected, "Untitled%d", before + 2);
    EXPECT_STREQ(b.gs->title, expected);
    EXPECT_EQ(GetUntitledCounter(), before + 2);
}

TEST(GraphDocNew, WindowSetUpFailsWhenTheWindowIsGone) {
    NewDoc d;
    HWND gone = CreateWindowExA(0, "STATIC", "", 0, 0, 0, 1, 1, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(gone);
    DestroyWindow(gone);
    EXPECT_EQ(SetUpGraphWindow(d.gs, gone), 0);
    EXPECT_EQ(SetUpGraphWindow(d.gs, nullptr), 0);
    EXPECT_EQ(d.gs->hwnd, nullptr);
    EXPECT_EQ(d.gs->toolButtons[0], nullptr);
}

TEST(GraphDocNew, ReviewSavedDataModeRefusesOnlyCheckedAllocations) {
    InitNotifications();  // as start-up does: the graph reads the lesson's variables through it
    AssignScriptNumericVariable(nullptr, "R", 1.0);
    {
        AnsweringBoxes boxes(IDOK);
        tagGS* gs = reinterpret_cast<tagGS*>(1);
        EXPECT_EQ(AllocGraph(&gs, 1), -1);
        EXPECT_EQ(gs, nullptr);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        const char* text = getMsgBoxText("Single Window for RSD mode");
        const char* caption = getMsgBoxText("TVX Lessons Review Saved Mode");
        EXPECT_EQ(boxes.boxes[0].text, text ? text : "Single Window for RSD mode");
        EXPECT_EQ(boxes.boxes[0].caption, caption ? caption : "TVX Lessons Review Saved Mode");
        EXPECT_EQ(AllocGraph(&gs, 0), 1);  // File New and the file reader are not refused
        EXPECT_EQ(boxes.boxes.size(), 1u);
        FreeGraphRecord(gs);
    }
    AssignScriptNumericVariable(nullptr, "R", 0.0);
    tagGS* gs = nullptr;
    EXPECT_EQ(AllocGraph(&gs, 1), 1);
    FreeGraphRecord(gs);
}

// ---- Through the running frame ----

std::vector<std::string> g_calls;
tagGS* g_closing = nullptr;
bool g_partsFreedWhenLibraryTold = false;

int32_t WINAPI FakeCreated(HGLOBAL, HWND hwnd, tagGS* gs, int16_t mode, int32_t clear) {
    char text[96];
    std::snprintf(text, sizeof text, "created %d %d %d %d", hwnd == gs->hwnd, GetWindowGraph(hwnd) == gs, mode, clear);
    g_calls.push_back(text);
    return 7;
}
int32_t WINAPI FakeActivated(HGLOBAL, tagGS*, int32_t keep) {
    g_calls.push_back("activated " + std::to_string(keep));
    return 1;
}
int32_t WINAPI FakeClosed(HGLOBAL) {
    g_calls.push_back("closed");
    if (g_closing) {
        bool freed = !g_closing->journal && !g_closing->graphItems && !g_closing->outPanels &&
                     !g_closing->markerManager && !g_closing->curveSettings && !g_closing->measureGrid &&
                     !g_closing->channelItems && !g_closing->journalWnd && !g_closing->chanBlock[3];
        g_partsFreedWhenLibraryTold = freed;
    }
    return 1;
}

class GraphDocFrame : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        saved_ = g_app->driverOps;
        g_app->driverOps.onGraphCreated = FakeCreated;
        g_app->driverOps.onGraphActivated = FakeActivated;
        g_app->driverOps.onGraphClosed = FakeClosed;
        g_calls.clear();
        g_closing = nullptr;
        g_partsFreedWhenLibraryTold = false;
        g_savePromptEnabled = 1;
        g_closeCancelled = 0;
    }
    void TearDown() override {
        g_savePromptEnabled = 1;
        g_closeCancelled = 0;
        g_app->driverOps = saved_;
        ShutShell();
    }
    HWND FileNew() {
        g_calls.clear();
        SendMessageA(g_app->hwndFrame, WM_COMMAND, 257, 0);
        PumpMessages();
        return g_app->hwndActiveGraph;
    }
    stDriverOps saved_{};
};

TEST_F(GraphDocFrame, FileNewMakesAWindowedDocument) {
    int before = GetUntitledCounter();
    HWND hwnd = FileNew();
    ASSERT_TRUE(hwnd);
    tagGS* gs = GetWindowGraph(hwnd);
    ASSERT_TRUE(gs);
    EXPECT_EQ(gs->hwnd, hwnd);
    char expected[32], title[64] = "";
    std::snprintf(expected, sizeof expected, "Untitled%d", before + 1);
    EXPECT_STREQ(gs->title, expected);
    GetWindowTextA(hwnd, title, sizeof title);
    EXPECT_STREQ(title, expected);
    LONG style = GetWindowLongA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_SYSMENU | WS_MINIMIZEBOX | WS_MAXIMIZEBOX), 0);
    EXPECT_EQ(style & WS_CHILD, WS_CHILD);

    // The library hears of the new graph once its window holds it, then activates it with that answer.
    ASSERT_FALSE(g_calls.empty());
    auto created = std::find(g_calls.begin(), g_calls.end(), "created 1 1 0 1");
    ASSERT_NE(created, g_calls.end());
    ASSERT_NE(created + 1, g_calls.end());
    EXPECT_EQ(*(created + 1), "activated 7");

    for (int i = 0; i < 3; ++i) {
        HWND button = gs->toolButtons[i];
        ASSERT_TRUE(IsWindow(button)) << i;
        char cls[32] = "";
        GetClassNameA(button, cls, sizeof cls);
        EXPECT_STREQ(cls, "LumikeyButton");
        EXPECT_EQ(GetDlgCtrlID(button), 16 + i);
        EXPECT_EQ(GetParent(button), hwnd);
        EXPECT_EQ(GetWindowLongA(button, GWL_STYLE) & 0x0200, 0x0200);
        EXPECT_EQ(SendMessageA(button, LKM_GETENABLEBITMAP, 0, 0) != 0, g_app->hbmButtons[i == 2 ? 3 : i] != nullptr);
    }
    EXPECT_EQ(gs->currentTool, 16);
    int lo = 1, hi = 1;
    ASSERT_TRUE(IsWindow(gs->hScrollBar));
    GetScrollRange(gs->hScrollBar, SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, 0);
    EXPECT_EQ(hi, 1000);
    ASSERT_TRUE(IsWindow(gs->vScrollBar));
    GetScrollRange(gs->vScrollBar, SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, -1000);
    EXPECT_EQ(hi, 1000);
    EXPECT_TRUE(IsWindowVisible(gs->hScrollBar));
    EXPECT_EQ(GetWindowLongA(gs->vScrollBar, GWL_STYLE) & SBS_VERT, SBS_VERT);
    // Laid out: the plot stands under the marker bar, the last of the rows above it.
    EXPECT_EQ(gs->plotRect.top, gs->markerBarRect.bottom);
    EXPECT_GT(gs->plotRect.bottom, gs->plotRect.top);
    EXPECT_TRUE(gs->measureGrid);
    EXPECT_TRUE(gs->channelItems);
    EXPECT_TRUE(gs->journalWnd);
    EXPECT_TRUE(gs->journal);
    EXPECT_TRUE(gs->outPanels);
    EXPECT_EQ(gs->zoomHPerDiv[0], 2000.0);
    EXPECT_EQ(gs->modified, 0u);
}

TEST_F(GraphDocFrame, ControlsShowAndHideTogetherAndTheMeasurementRowIsRemade) {
    HWND hwnd = FileNew();
    tagGS* gs = GetWindowGraph(hwnd);
    ASSERT_TRUE(gs);
    HWND controls[5] = {gs->hScrollBar, gs->vScrollBar, gs->toolButtons[0], gs->toolButtons[1], gs->toolButtons[2]};
    for (int show : {0, 1}) {
        ShowGraphControls(gs, show);
        for (HWND c : controls) EXPECT_EQ(IsWindowVisible(c) != FALSE, show == 1) << "show " << show;
    }
    gs->measureType[4] = 3;
    ResetMeasurementGrid(gs, 2, 5);
    EXPECT_EQ(gs->measureRows, 2);
    EXPECT_TRUE(gs->measureGrid);
    EXPECT_EQ(gs->measureType[4], 3) << "the boxes' settings stay with the document";
}

TEST_F(GraphDocFrame, RecordingDocumentsRefuseToClose) {
    HWND hwnd = FileNew();
    tagGS* gs = GetWindowGraph(hwnd);
    ASSERT_TRUE(gs);
    gs->acquiring = 1;
    setDirtyGraphFlag(gs, 1);
    AnsweringBoxes boxes(IDNO);
    EXPECT_EQ(CloseGraph(gs, hwnd), 0);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(boxes.boxes.empty()) << "a refused close only beeps";
    ASSERT_TRUE(IsWindow(hwnd));
    EXPECT_EQ(GetWindowGraph(hwnd), gs);
    EXPECT_TRUE(gs->journal);
    EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), "closed"), 0);
    gs->acquiring = 0;
    setDirtyGraphFlag(gs, 0);
}

TEST_F(GraphDocFrame, SaveQuestionDecidesTheClose) {
    struct Case {
        int answer;
        bool closed;
        uint16_t cancelled;
    } cases[] = {{IDCANCEL, false, 1}, {IDNO, true, 0}, {IDYES, true, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.answer);
        g_closeCancelled = 0;
        HWND hwnd = FileNew();
        tagGS* gs = GetWindowGraph(hwnd);
        ASSERT_TRUE(gs);
        std::string title = gs->title;
        setDirtyGraphFlag(gs, 1);
        AnsweringBoxes boxes(c.answer);
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        const char* format = getMsgBoxText("KEY Graph has changed and Question");
        char text[512];
        std::snprintf(text, sizeof text, format ? format : "KEY Graph has changed and Question", title.c_str());
        EXPECT_EQ(boxes.boxes[0].text, text);
        EXPECT_EQ(boxes.boxes[0].caption, g_app->szAppTitle);
        EXPECT_EQ(IsWindow(hwnd) == FALSE, c.closed);
        EXPECT_EQ(g_closeCancelled, c.cancelled);
        if (!c.closed) {
            EXPECT_EQ(GetWindowGraph(hwnd), gs);
            EXPECT_STREQ(gs->title, title.c_str());
            setDirtyGraphFlag(gs, 0);
        }
    }
}

TEST_F(GraphDocFrame, SaveQuestionNamesTemplatesAsGraphFilesAndCanBeSwitchedOff) {
    HWND hwnd = FileNew();
    tagGS* gs = GetWindowGraph(hwnd);
    ASSERT_TRUE(gs);
    lstrcpyA(gs->title, "Lesson3.gtl");
    gs->isTemplate = 1;
    setDirtyGraphFlag(gs, 1);
    {
        AnsweringBoxes boxes(IDCANCEL);
        SendMessageA(hwnd, WM_CLOSE, 0, 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find("Lesson3.ACQ"), std::string::npos) << boxes.boxes[0].text;
        EXPECT_EQ(boxes.boxes[0].text.find(".gtl"), std::string::npos) << boxes.boxes[0].text;
    }
    ASSERT_TRUE(IsWindow(hwnd));
    g_savePromptEnabled = 0;
    AnsweringBoxes boxes(IDCANCEL);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(GraphDocFrame, ClosingFreesEverythingBeforeTellingTheLibraryAndDropsItsUndo) {
    HWND hwnd = FileNew();
    tagGS* gs = GetWindowGraph(hwnd);
    ASSERT_TRUE(gs);
    ASSERT_EQ(PutChannelSample(gs, 99, 3, 1.0), 1);
    setDirtyGraphFlag(gs, 0);
    g_scriptGraph = gs;
    g_app->gsUndo.hwnd = hwnd;  // the pending undo belongs to this graph
    ASSERT_TRUE(g_frameMenu);
    EnableMenuItem(g_frameMenu, 513, MF_BYCOMMAND | MF_ENABLED);
    g_closing = gs;
    g_calls.clear();
    AnsweringBoxes boxes(IDCANCEL);
    SendMessageA(hwnd, WM_CLOSE, 0, 0);
    g_closing = nullptr;
    EXPECT_TRUE(boxes.boxes.empty()) << "a clean document closes without a question";
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(std::count(g_calls.begin(), g_calls.end(), "closed"), 1);
    EXPECT_TRUE(g_partsFreedWhenLibraryTold);
    EXPECT_EQ(g_scriptGraph, nullptr);
    EXPECT_EQ(GetMenuState(g_frameMenu, 513, MF_BYCOMMAND) & MF_GRAYED, static_cast<UINT>(MF_GRAYED));
    g_app->gsUndo.hwnd = nullptr;
}

TEST_F(GraphDocFrame, UndoOfAnotherGraphStays) {
    HWND first = FileNew();
    HWND second = FileNew();
    ASSERT_TRUE(first && second && first != second);
    g_app->gsUndo.hwnd = first;
    ASSERT_TRUE(g_frameMenu);
    EnableMenuItem(g_frameMenu, 513, MF_BYCOMMAND | MF_ENABLED);
    SendMessageA(second, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(second));
    EXPECT_EQ(GetMenuState(g_frameMenu, 513, MF_BYCOMMAND) & MF_GRAYED, 0u);
    g_app->gsUndo.hwnd = nullptr;
}

}  // namespace
