// The graph child window inside the running program: its data block, activation, closing,
// command routing, scroll bars and the device library's private messages.
#include <gtest/gtest.h>
#include "tests/shell/shell_fixture.h"
#include "base/app.h"
#include "base/device.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "devlib/resource.h"
#include "shell/commands/status.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "graph/view/layout.h"
#include "documents/measurements/measure_box.h"
#include "documents/documents_api.h"
#include "controls/tests/text_fit.h"
#include "controls/tests/render_test_support.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "scripts/script_api.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include <richedit.h>
#include <algorithm>
#include <string>
#include <vector>

namespace {

// A device operation table that records what the window asks of the library.
struct CommandCall {
    HWND hwnd;
    int32_t id;
    const char* control;
    int32_t code;
};
std::vector<tagGS*> g_activated;
std::vector<CommandCall> g_commands;
int g_inputValueRefreshes = 0;

int32_t WINAPI FakeActivated(HGLOBAL, tagGS* gs, int32_t) {
    g_activated.push_back(gs);
    return 1;
}
int32_t WINAPI FakeCommand(HGLOBAL, HWND hwnd, int32_t id, const char* control, int32_t code) {
    g_commands.push_back({hwnd, id, control, code});
    return 1;
}
int32_t WINAPI FakeRefreshInputValues(HGLOBAL, int32_t) {
    ++g_inputValueRefreshes;
    return 1;
}

class GraphWindow : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        ASSERT_TRUE(g_app->hAcq);
        saved_ = DeviceBindingForTests().driverOps;
        DeviceBindingForTests().driverOps.onGraphActivated = FakeActivated;
        DeviceBindingForTests().driverOps.onDriverCommand = FakeCommand;
        DeviceBindingForTests().driverOps.refreshInputValues = FakeRefreshInputValues;
        g_activated.clear();
        g_commands.clear();
        g_inputValueRefreshes = 0;
        graph_ = g_app->hwndActiveGraph;
        ASSERT_TRUE(graph_);
        gs_ = GetWindowGraph(graph_);
        ASSERT_TRUE(gs_);
    }
    void TearDown() override {
        ResetScriptPermissions();
        SetRun(0, 0, 1);
        DeviceBindingForTests().driverOps = saved_;
        ShutShell();
    }

    static HWND NewGraphWindow() {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_NEW, 0);
        return g_app->hwndActiveGraph;
    }
    static void SetRun(int32_t running, int32_t dataStarted, int32_t state, tagGS* attached = nullptr) {
        AcqLock acq(g_app->hAcq);
        if (!acq) return;
        acq->run.running = running;
        acq->run.dataStarted = dataStarted;
        acq->run.statusState = state;
        acq->run.attachedGraph = attached;
    }
    LRESULT Command(int id, HWND control = nullptr, int code = 0) {
        return SendMessageA(graph_, WM_COMMAND, MAKEWPARAM(id, code), reinterpret_cast<LPARAM>(control));
    }

    stDriverOps saved_{};
    HWND graph_ = nullptr;
    tagGS* gs_ = nullptr;
};

// The measurement row of a graph maximised in a frame on a screen 1024 pixels wide: all five
// boxes inside the window, each channel button showing "SC" whole.
TEST_F(GraphWindow, FiveMeasurementBoxesFitAMaximisedGraphOfASmallScreen) {
    ShowWindow(g_app->hwndFrame, SW_RESTORE);
    MoveWindow(g_app->hwndFrame, 0, 0, 1024, 768, TRUE);
    SendMessageA(g_app->hwndClient, WM_MDIMAXIMIZE, reinterpret_cast<WPARAM>(graph_), 0);
    gs_->measureShown = 1;
    LayoutGraphWindow(gs_);
    PumpMessages();
    ASSERT_TRUE(gs_->measureGrid);
    RECT client{};
    GetClientRect(graph_, &client);
    SaveWindowPicture(graph_, "graph_measurement_row");
    for (int i = 0; i < 5; ++i) {
        stMeasure* box = GetMeasurementAt(gs_->measureGrid, i);
        ASSERT_TRUE(box) << i;
        RECT r{};
        GetWindowRect(box->wnd, &r);
        MapWindowPoints(nullptr, graph_, reinterpret_cast<POINT*>(&r), 2);
        EXPECT_LE(r.right, client.right) << "box " << i << " of a window " << client.right << " wide";
    }
}

// The pixels of a rectangle of the window's client area as the window shows them.
std::vector<uint32_t> ShownPixels(HWND window, const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    CDibSurface copy(w, h);
    if (!copy.Ok()) return {};
    HDC dc = GetDC(window);
    BitBlt(copy.Dc(), 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
    ReleaseDC(window, dc);
    std::vector<uint32_t> pixels;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) pixels.push_back(copy.At(x, y));
    return pixels;
}

size_t DistinctColours(std::vector<uint32_t> pixels) {
    std::sort(pixels.begin(), pixels.end());
    return static_cast<size_t>(std::unique(pixels.begin(), pixels.end()) - pixels.begin());
}

// The scroll bar at its screen rectangle as the program's own painting left it, against the bar
// a full repaint of the window draws there.
void ExpectBarAsARepaintDrawsIt(HWND graph, RECT at, const char* picture, const char* what) {
    MapWindowPoints(nullptr, graph, reinterpret_cast<POINT*>(&at), 2);
    SaveWindowPicture(graph, picture);
    const std::vector<uint32_t> shown = ShownPixels(graph, at);
    RedrawWindow(graph, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    const std::vector<uint32_t> repainted = ShownPixels(graph, at);
    ASSERT_GE(DistinctColours(repainted), 3u) << "a full repaint draws the bar";
    EXPECT_EQ(shown, repainted) << what;
}

// Display > Show > Journal in a small window moves the horizontal scroll bar up above the
// journal, and showing it again moves the bar back down; each time the program's own painting
// after the command draws the bar at its new place (arrows, track and thumb) just as a full
// repaint of the window draws it.
TEST_F(GraphWindow, TheScrollBarIsDrawnWhereTheJournalMovesIt) {
    ShowWindow(g_app->hwndFrame, SW_RESTORE);
    MoveWindow(g_app->hwndFrame, 0, 0, 1024, 768, TRUE);
    SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(graph_), 0);
    MoveWindow(graph_, 0, 0, 640, 430, TRUE);
    PumpMessages();
    UpdateWindow(graph_);
    HWND bar = gs_->hScrollBar;
    ASSERT_TRUE(bar && IsWindowVisible(bar));
    for (const bool show : {true, false}) {
        SCOPED_TRACE(show ? "journal shown" : "journal hidden");
        ASSERT_EQ(gs_->journalShown != 0, !show);
        RECT before{};
        GetWindowRect(bar, &before);
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_SHOW_JOURNAL, 0);
        PumpMessages();
        ASSERT_EQ(gs_->journalShown != 0, show);
        ASSERT_TRUE(IsWindowVisible(bar));
        RECT at{};
        GetWindowRect(bar, &at);
        if (show)
            ASSERT_LT(at.top, before.top) << "the journal takes the bottom of the window";
        else
            ASSERT_GT(at.top, before.top);
        ExpectBarAsARepaintDrawsIt(graph_, at, show ? "graph_journal_shown_scroll_bar" : "graph_journal_hidden_scroll_bar",
                                   "the bar as the command left it is not the bar repainted");
    }
}

// Display > Size Window makes the window shorter while the journal is shown (and, to compare,
// while it is hidden): the program's own painting after the command draws the horizontal scroll
// bar at its new place just as a full repaint of the window draws it.
TEST_F(GraphWindow, TheScrollBarIsDrawnAfterTheWindowIsMadeShorter) {
    ShowWindow(g_app->hwndFrame, SW_RESTORE);
    MoveWindow(g_app->hwndFrame, 0, 0, 1024, 768, TRUE);
    SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(graph_), 0);
    HWND bar = gs_->hScrollBar;
    ASSERT_TRUE(bar);
    for (const bool journal : {true, false}) {
        SCOPED_TRACE(journal ? "journal shown" : "journal hidden");
        MoveWindow(graph_, 0, 0, 640, 480, TRUE);
        if ((gs_->journalShown != 0) != journal) SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_SHOW_JOURNAL, 0);
        ASSERT_EQ(gs_->journalShown != 0, journal);
        PumpMessages();
        UpdateWindow(graph_);
        RECT before{};
        GetWindowRect(bar, &before);
        DialogDriver driver({[](HWND dlg) {
            TypeInto(dlg, IDC_RESIZE_WIDTH, "640");
            TypeInto(dlg, IDC_RESIZE_HEIGHT, "430");
            Click(dlg, IDOK);
        }});
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_DISPLAY_SIZE_WINDOW, 0);
        ASSERT_EQ(driver.Runs(), 1);
        PumpMessages();
        RECT window{};
        GetWindowRect(graph_, &window);
        ASSERT_EQ(window.bottom - window.top, 430);
        ASSERT_TRUE(IsWindowVisible(bar));
        RECT at{};
        GetWindowRect(bar, &at);
        ASSERT_LT(at.top, before.top) << "the bar moves up with the window's bottom";
        ExpectBarAsARepaintDrawsIt(graph_, at, journal ? "graph_shorter_journal_scroll_bar" : "graph_shorter_scroll_bar",
                                   "the bar as the resize left it is not the bar repainted");
    }
}

TEST_F(GraphWindow, DataBlockHoldsWindowDocumentAndDirector) {
    GraphWindowData* data = GetGraphWindowData(graph_);
    ASSERT_TRUE(data);
    EXPECT_EQ(data->hwnd, graph_);
    EXPECT_EQ(data->created, 1u);
    EXPECT_EQ(data->doc, gs_);
    EXPECT_EQ(gs_->hwnd, graph_);
    EXPECT_EQ(DeviceBindingForTests().hostCallbacks.getWindowGraph(graph_), gs_);

    HWND director = data->hwndFocus;
    ASSERT_TRUE(director);
    char cls[32] = "";
    GetClassNameA(director, cls, sizeof cls);
    EXPECT_STREQ(cls, "acqdirector");
    EXPECT_EQ(GetParent(director), graph_);
    EXPECT_EQ(GetDlgCtrlID(director), IDC_CHANNEL_DIRECTOR);
    LONG style = GetWindowLongA(director, GWL_STYLE);
    EXPECT_EQ(style & 0x50030000, 0x50030000);
    EXPECT_EQ(SendMessageA(director, WM_GETDLGCODE, 0, 0), DLGC_WANTARROWS);
    // The graph hands its focus on to the director.
    SetFocus(graph_);
    EXPECT_EQ(GetFocus(), director);
    // Not a graph window: no data, no document.
    EXPECT_EQ(GetGraphWindowData(g_app->hwndFrame), nullptr);
    EXPECT_EQ(GetWindowGraph(g_app->hwndToolbar), nullptr);
}

TEST_F(GraphWindow, ActivationReachesBothWindowsAndAttachesTheNewGraph) {
    HWND second = NewGraphWindow();
    ASSERT_TRUE(second);
    ASSERT_NE(second, graph_);
    tagGS* gs2 = GetWindowGraph(second);
    EXPECT_EQ(g_activated.back(), gs2);
    g_activated.clear();

    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(graph_), 0);
    EXPECT_EQ(g_app->hwndActiveGraph, graph_);
    // The window being left and the one being activated both report the same pair.
    ASSERT_EQ(g_activated.size(), 2u);
    EXPECT_EQ(g_activated[0], gs_);
    EXPECT_EQ(g_activated[1], gs_);

    // Without the library's operation nothing is called, but the active graph still follows.
    DeviceBindingForTests().driverOps.onGraphActivated = nullptr;
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(second), 0);
    EXPECT_EQ(g_app->hwndActiveGraph, second);
    EXPECT_EQ(g_activated.size(), 2u);
}

TEST_F(GraphWindow, CloseFollowsPermissionAndTheDocumentsAnswer) {
    uint32_t before = g_graphWindowCount;
    g_script.permissions[kPermCloseWindow] = 0;
    SendMessageA(graph_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(graph_));
    EXPECT_EQ(GetWindowGraph(graph_), gs_);
    g_script.permissions[kPermCloseWindow] = 1;

    // A recording refuses the close: the window stays and the frame's question is vetoed.
    gs_->acquiring = 1;
    SendMessageA(graph_, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(graph_));
    EXPECT_EQ(SendMessageA(graph_, WM_QUERYENDSESSION, 0, 0), 1);
    EXPECT_EQ(GetWindowGraph(graph_), gs_);
    EXPECT_EQ(g_graphWindowCount, before);
    gs_->acquiring = 0;

    SendMessageA(graph_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(graph_));
    EXPECT_EQ(g_graphWindowCount, before - 1);
    EXPECT_EQ(g_app->hwndActiveGraph, nullptr);
    EXPECT_STREQ(GetStatusTextShown(), "Ready");
}

TEST_F(GraphWindow, EndOfSessionClosesTheDocument) {
    HWND second = NewGraphWindow();
    ASSERT_TRUE(second);
    uint32_t before = g_graphWindowCount;
    EXPECT_EQ(SendMessageA(second, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_EQ(GetWindowGraph(second), nullptr);
    EXPECT_EQ(g_graphWindowCount, before - 1);
    // The window stays for the frame to take down; without a document it has nothing to object to.
    ASSERT_TRUE(IsWindow(second));
    EXPECT_EQ(SendMessageA(second, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_EQ(g_graphWindowCount, before - 1);
}

TEST_F(GraphWindow, CommandsFromFiveThousandUpGoToTheLibrary) {
    HWND control = g_app->hwndToolbar;
    struct Case {
        int id;
        int code;
        bool forwarded;
    } cases[] = {{IDM_DEVICE_FIRST, 0, true},
                 {IDM_WARNINGONOVERWRITE, 1, true},
                 {9999, 0, true},
                 {IDC_SCRIPT_BUTTON_FIRST + 3, 0, true},
                 {IDM_DEVICE_FIRST - 1, 0, false},
                 {300, 0, false},
                 {IDM_WINDOW_TILE_HORIZONTAL, 0, false}};
    for (const Case& c : cases) {
        g_commands.clear();
        Command(c.id, control, c.code);
        ASSERT_EQ(g_commands.size(), c.forwarded ? 1u : 0u) << c.id;
        if (!c.forwarded) continue;
        EXPECT_EQ(g_commands[0].hwnd, graph_);
        EXPECT_EQ(g_commands[0].id, c.id);
        EXPECT_EQ(g_commands[0].control, reinterpret_cast<const char*>(control));
        EXPECT_EQ(g_commands[0].code, c.code);
    }
    // Unbound library: nothing is called.
    g_commands.clear();
    HGLOBAL acq = g_app->hAcq;
    g_app->hAcq = nullptr;
    Command(IDM_DEVICE_FIRST);
    g_app->hAcq = acq;
    DeviceBindingForTests().driverOps.onDriverCommand = nullptr;
    Command(IDM_DEVICE_FIRST);
    EXPECT_TRUE(g_commands.empty());
}

TEST_F(GraphWindow, ToolButtonsFollowTheRecordingRule) {
    struct Case {
        uint32_t acquiring, toolsWhileRecording;
        int id;
        uint16_t expected;
    } cases[] = {{0, 0, IDC_TOOL_IBEAM, IDC_TOOL_IBEAM},
                 {0, 1, IDC_TOOL_ZOOM, IDC_TOOL_ZOOM},
                 {1, 1, IDC_TOOL_ZOOM, IDC_TOOL_ZOOM},
                 {1, 0, IDC_TOOL_ZOOM, IDC_TOOL_ARROW},
                 {1, 0, IDC_TOOL_IBEAM, IDC_TOOL_ARROW}};
    for (const Case& c : cases) {
        gs_->currentTool = IDC_TOOL_ARROW;
        gs_->acquiring = c.acquiring;
        gs_->toolsWhileRecording = c.toolsWhileRecording;
        Command(c.id);
        EXPECT_EQ(gs_->currentTool, c.expected) << c.acquiring << c.toolsWhileRecording << " " << c.id;
    }
    // The three buttons are one radio group, checked at the current tool.
    gs_->acquiring = 0;
    Command(IDC_TOOL_ZOOM);
    for (int i = 0; i < 3; ++i) {
        ASSERT_TRUE(gs_->toolButtons[i]);
        EXPECT_EQ(SendMessageA(gs_->toolButtons[i], BM_GETCHECK, 0, 0) != 0, i == 2) << i;
    }
    gs_->acquiring = 0;
    // Arrow and zoom switch the cursor line off; the I-beam turns it back on outside XY mode.
    gs_->cursorShown = kCursorDrawn;
    Command(IDC_TOOL_ZOOM);
    EXPECT_EQ(gs_->cursorShown, 2u);
    gs_->displayMode = kModeXY;
    Command(IDC_TOOL_IBEAM);
    EXPECT_EQ(gs_->cursorShown, 2u);
    gs_->displayMode = kModeChart;
    Command(IDC_TOOL_IBEAM);
    EXPECT_EQ(gs_->cursorShown, 0u);
    Command(IDC_TOOL_ARROW);
    EXPECT_EQ(gs_->cursorShown, 2u);
}

// Which tool buttons draw themselves pressed, "1" for pressed, arrow first. A raised button has
// its highlight down the left edge and its shadow down the right one; a pressed one its shadow
// down the left and the face at the right.
std::string PressedToolButtons(const tagGS* gs) {
    const COLORREF shadow = GetSysColor(COLOR_BTNSHADOW);
    std::string pressed;
    for (HWND button : gs->toolButtons) {
        RECT rc{};
        GetClientRect(button, &rc);
        CDibSurface picture(rc.right, rc.bottom);
        if (!picture.Ok()) return "no picture";
        SendMessageA(button, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(picture.Dc()), PRF_CLIENT);
        const int y = rc.bottom / 2;
        const bool sunken = picture.At(1, y) == shadow && picture.At(rc.right - 2, y) != shadow;
        const bool raised = picture.At(1, y) != shadow && picture.At(rc.right - 2, y) == shadow;
        pressed += sunken ? "1" : raised ? "0" : "?";
    }
    return pressed;
}

// The current tool's button is drawn pressed: a graph starts with the arrow pressed, and a
// click on another tool moves the pressed look to that one.
TEST_F(GraphWindow, TheCurrentToolsButtonIsDrawnPressed) {
    EXPECT_EQ(gs_->currentTool, IDC_TOOL_ARROW);
    EXPECT_EQ(PressedToolButtons(gs_), "100");
    const struct {
        int index;
        const char* pressed;
    } clicks[] = {{1, "010"}, {2, "001"}, {0, "100"}};
    for (const auto& c : clicks) {
        ClickMiddle(gs_->toolButtons[c.index]);
        EXPECT_EQ(gs_->currentTool, IDC_TOOL_ARROW + c.index);
        EXPECT_EQ(PressedToolButtons(gs_), c.pressed) << "after a click on tool " << c.index;
    }
}

TEST_F(GraphWindow, JournalAutoTimeMarksTheDocumentModified) {
    setDirtyGraphFlag(gs_, 0);
    ASSERT_EQ(gs_->modified, 0u);
    Command(IDC_JOURNAL_AUTO_TIME);
    EXPECT_EQ(gs_->modified, 1u);
    // Without a document the window has nothing to mark.
    setDirtyGraphFlag(gs_, 0);
    ASSERT_TRUE(SetWindowGraph(graph_, nullptr));
    Command(IDC_JOURNAL_AUTO_TIME);
    ASSERT_TRUE(SetWindowGraph(graph_, gs_));
    EXPECT_EQ(gs_->modified, 0u);
}

TEST_F(GraphWindow, StartButtonPutsTheArrowBackUnlessToolsStayDuringRecording) {
    gs_->acquiring = 0;
    for (uint32_t keep : {0u, 1u}) {
        Command(IDC_TOOL_ZOOM);  // zoom chosen and checked
        gs_->currentTool = IDC_TOOL_ZOOM;
        gs_->toolsWhileRecording = keep;
        g_commands.clear();
        Command(IDC_START_BUTTON);
        ASSERT_EQ(g_commands.size(), 1u);
        EXPECT_EQ(g_commands[0].id, IDC_START_BUTTON);
        EXPECT_EQ(gs_->currentTool, keep ? IDC_TOOL_ZOOM : IDC_TOOL_ARROW);
        if (!keep) {
            EXPECT_NE(SendMessageA(gs_->toolButtons[0], BM_GETCHECK, 0, 0), 0);
        }
    }
}

TEST_F(GraphWindow, EndOfRecordingReattachesTheActiveGraph) {
    HWND second = NewGraphWindow();
    ASSERT_TRUE(second);
    tagGS* gs2 = GetWindowGraph(second);
    struct Case {
        int32_t running, dataStarted, state;
        bool reattached;
    } cases[] = {{0, 1, 5, true}, {1, 0, 1, true}, {1, 0, 0, true}, {1, 1, 1, false}, {1, 0, 2, false}};
    for (const Case& c : cases) {
        SetRun(c.running, c.dataStarted, c.state, gs_);
        g_activated.clear();
        g_app->hwndActiveGraph = nullptr;
        // Sent to the graph that recorded; the active one is attached again.
        SendMessageA(graph_, kMsgRecordingEnded, 0, reinterpret_cast<LPARAM>(graph_));
        if (c.reattached) {
            ASSERT_EQ(g_activated.size(), 1u) << c.running << c.dataStarted << c.state;
            EXPECT_EQ(g_activated[0], gs2);
            EXPECT_EQ(g_app->hwndActiveGraph, second);
        } else {
            EXPECT_TRUE(g_activated.empty()) << c.running << c.dataStarted << c.state;
            EXPECT_EQ(g_app->hwndActiveGraph, nullptr);
        }
    }
    // A stop by the Start button re-attaches the active graph unconditionally.
    SetRun(1, 1, 7, gs_);
    g_activated.clear();
    SendMessageA(graph_, kMsgRecordingStopped, 0, reinterpret_cast<LPARAM>(graph_));
    ASSERT_EQ(g_activated.size(), 1u);
    EXPECT_EQ(g_activated[0], gs2);
    EXPECT_EQ(g_app->hwndActiveGraph, second);
}

TEST_F(GraphWindow, LessonPermissionsPinPositionAndSize) {
    struct Case {
        ScriptPermission off;
        UINT added;
    } cases[] = {{kPermSizeWindow, SWP_NOSIZE},
                 {kPermDragWindow, SWP_NOMOVE},
                 {kPermZoomWindow, SWP_NOSIZE | SWP_NOMOVE | SWP_NOREDRAW}};
    for (const Case& c : cases) {
        ResetScriptPermissions();
        g_script.permissions[c.off] = 0;
        WINDOWPOS wp{graph_, nullptr, 10, 10, 300, 300, SWP_NOZORDER};
        EXPECT_EQ(SendMessageA(graph_, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp)), 0);
        EXPECT_EQ(wp.flags, static_cast<UINT>(SWP_NOZORDER) | c.added) << c.off;
    }
    ResetScriptPermissions();
    WINDOWPOS wp{graph_, nullptr, 10, 10, 300, 300, SWP_NOZORDER};
    SendMessageA(graph_, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    EXPECT_EQ(wp.flags, static_cast<UINT>(SWP_NOZORDER));

    // A real move with dragging forbidden leaves the window where it was. Places are read in
    // the MDI client, which stays put even when the frame itself moves meanwhile.
    auto place = [this] {
        RECT rc;
        GetWindowRect(graph_, &rc);
        MapWindowPoints(nullptr, g_app->hwndClient, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    };
    SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(graph_), 0);
    SetWindowPos(graph_, nullptr, 5, 7, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    ASSERT_EQ(place().left, 5);
    g_script.permissions[kPermDragWindow] = 0;
    SetWindowPos(graph_, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(place().left, 5);
    EXPECT_EQ(place().top, 7);
    // Allowed again, the move happens and the document keeps the new place.
    g_script.permissions[kPermDragWindow] = 1;
    SetWindowPos(graph_, nullptr, 37, 41, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(place().left, 37);
    EXPECT_EQ(place().top, 41);
    RECT screen;
    GetWindowRect(graph_, &screen);
    EXPECT_EQ(gs_->graphRect.left, screen.left);
    EXPECT_EQ(gs_->graphRect.top, screen.top);
}

TEST_F(GraphWindow, MinimumTrackingSizeFollowsTheTextMetrics) {
    MINMAXINFO mmi{};
    SendMessageA(graph_, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
    EXPECT_EQ(mmi.ptMinTrackSize.x, 64 * g_app->fonts.cxText);
    EXPECT_EQ(mmi.ptMinTrackSize.y, 15 * g_app->fonts.cyText + 172);
    ASSERT_GT(g_app->fonts.cxText, 0);
    // Sizing below that width is not possible.
    SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(graph_), 0);
    SetWindowPos(graph_, nullptr, 0, 0, 64 * g_app->fonts.cxText - 1, 15 * g_app->fonts.cyText + 172,
                 SWP_NOMOVE | SWP_NOZORDER);
    RECT rc;
    GetWindowRect(graph_, &rc);
    EXPECT_GE(rc.right - rc.left, 64 * g_app->fonts.cxText);
}

TEST_F(GraphWindow, VerticalThumbSetsTheSelectedChannelsMidpoint) {
    const int slot = 1;
    gs_->selectedChan = slot;
    gs_->chanVPerDiv[slot] = 5.0;
    gs_->chanVDivisions[slot] = 4.0;  // span 20
    gs_->chanVCenterRef[slot] = 3.0;
    // A plot 400 pixels wide over 4 divisions of 100 ms: 1 pixel per ms.
    gs_->plotRect = RECT{0, 0, 400, 300};
    gs_->hDivisions = 4.0;
    gs_->hPerDiv = 100.0;
    struct Case {
        int code;
        int16_t position;
        double sampleInterval;
        double center;
        int refreshes;
    } cases[] = {
        {SB_THUMBPOSITION, 500, 0.1, 3.0 - 20 + 10, 1},  // released: always redrawn
        {SB_THUMBPOSITION, -1000, 0.1, 3.0 + 20, 1},     // top of the range
        {SB_THUMBTRACK, 1000, 1.0, 3.0 - 20, 1},         // 1 pixel per sample: live
        {SB_THUMBTRACK, 0, 0.1, 3.0, 0},                 // 0.1 pixel per sample: moved, not redrawn
    };
    for (const Case& c : cases) {
        gs_->sampleInterval = c.sampleInterval;
        g_inputValueRefreshes = 0;
        WPARAM wp = MAKEWPARAM(c.code, static_cast<uint16_t>(c.position));
        SendMessageA(graph_, WM_VSCROLL, wp, reinterpret_cast<LPARAM>(gs_->vScrollBar));
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[slot], c.center) << c.code << " " << c.position;
        EXPECT_EQ(g_inputValueRefreshes, c.refreshes) << c.code << " " << c.position;
    }
    // Forbidden by the lesson: nothing moves.
    g_script.permissions[kPermVScrollBar] = 0;
    SendMessageA(graph_, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 500), 0);
    EXPECT_DOUBLE_EQ(gs_->chanVCenter[slot], 3.0);
    EXPECT_EQ(g_inputValueRefreshes, 0);
}

TEST_F(GraphWindow, HorizontalThumbMovesTimeOrTheXChannel) {
    gs_->displayMode = kModeChart;
    gs_->totalSamples = 1000;
    gs_->sampleInterval = 5.0;  // 5,000 ms recorded
    gs_->hPerDiv = 500.0;
    gs_->hDivisions = 4.0;  // 2,000 ms visible
    SendMessageA(graph_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 500), 0);
    EXPECT_DOUBLE_EQ(gs_->hStart, 1500.0);
    SendMessageA(graph_, WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, 1000), 0);
    EXPECT_DOUBLE_EQ(gs_->hStart, 3000.0);

    gs_->displayMode = kModeXY;
    gs_->xyXChan = 2;
    gs_->chanVPerDiv[2] = 1.0;
    gs_->chanVDivisions[2] = 4.0;  // span 4
    gs_->chanVCenterRef[2] = 10.0;
    struct Case {
        int16_t position;
        double center;
    } cases[] = {{0, 10.0}, {1000, 14.0}, {-1000, 6.0}, {500, 12.0}};
    for (const Case& c : cases) {
        SendMessageA(graph_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, static_cast<uint16_t>(c.position)), 0);
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[2], c.center) << c.position;
    }
    EXPECT_DOUBLE_EQ(gs_->hStart, 3000.0);  // XY scrolling leaves the time view alone

    g_script.permissions[kPermHScrollBar] = 0;
    SendMessageA(graph_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 0), 0);
    EXPECT_DOUBLE_EQ(gs_->chanVCenter[2], 12.0);
}

TEST_F(GraphWindow, ChannelPopupCommandsSelectTheChannelOrTheXChannel) {
    HWND director = GetGraphWindowData(graph_)->hwndFocus;
    ASSERT_TRUE(director);
    SendMessageA(director, WM_COMMAND, IDM_SELECT_CHANNEL_FIRST + 7, 0);
    EXPECT_EQ(gs_->selectedChan, 7u);
    SendMessageA(director, WM_COMMAND, IDM_X_CHANNEL_FIRST + 4, 0);
    EXPECT_EQ(gs_->xyXChan, 4u);
    EXPECT_EQ(gs_->selectedChan, 7u);
    SendMessageA(director, WM_COMMAND, IDM_X_CHANNEL_FIRST + 60, 0);  // no such slot
    EXPECT_EQ(gs_->xyXChan, 4u);
}

TEST_F(GraphWindow, JournalEditNotificationsAreToldFromTheF10Key) {
    HMODULE richEdit = LoadLibraryA("riched20.dll");
    ASSERT_TRUE(richEdit);
    HWND edit = CreateWindowExA(0, "RichEdit20A", "", WS_CHILD | ES_MULTILINE, 0, 0, 50, 50, graph_,
                                reinterpret_cast<HMENU>(IDC_JOURNAL_EDIT), nullptr, nullptr);
    ASSERT_TRUE(edit);
    SendMessageA(edit, EM_EXLIMITTEXT, 0, 1000);
    ASSERT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 1000);
    // A full journal grows by 32,768 characters.
    Command(IDC_JOURNAL_EDIT, edit, EN_MAXTEXT);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 1000 + 32768);
    // The last marker key shares the id; its accelerator carries no control and leaves the journal alone.
    Command(IDM_MARKER_KEY_LAST, nullptr, 1);
    EXPECT_EQ(SendMessageA(edit, EM_GETLIMITTEXT, 0, 0), 1000 + 32768);
    DestroyWindow(edit);
    FreeLibrary(richEdit);
}

TEST_F(GraphWindow, WindowsWithoutADocumentIgnoreWhatNeedsOne) {
    GraphWindowData* data = GetGraphWindowData(graph_);
    ASSERT_TRUE(data);
    ASSERT_TRUE(SetWindowGraph(graph_, nullptr));
    g_commands.clear();
    Command(IDM_DEVICE_FIRST);
    Command(IDC_TOOL_ARROW);
    SendMessageA(graph_, WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 500), 0);
    SendMessageA(graph_, WM_HSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 500), 0);
    SendMessageA(graph_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(300, 200));
    EXPECT_TRUE(g_commands.empty());
    EXPECT_EQ(SendMessageA(graph_, WM_QUERYENDSESSION, 0, 0), 0);
    EXPECT_TRUE(IsWindow(graph_));
    ASSERT_TRUE(SetWindowGraph(graph_, gs_));
    EXPECT_EQ(GetWindowGraph(graph_), gs_);
    EXPECT_EQ(SetWindowGraph(g_app->hwndFrame, gs_), 0);
}

}  // namespace

namespace {

// Scroll bars of the whole program, through the subclassed class that start-up installs.
int g_parentContextMenus = 0;
int g_barFocusGains = 0;
HWND g_watchedBar = nullptr;
HHOOK g_focusHook = nullptr;

LRESULT CALLBACK RecorderProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CONTEXTMENU) ++g_parentContextMenus;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

LRESULT CALLBACK FocusWatch(int code, WPARAM wParam, LPARAM lParam) {
    auto* cwp = reinterpret_cast<CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && cwp->hwnd == g_watchedBar && cwp->message == WM_SETFOCUS) ++g_barFocusGains;
    return CallNextHookEx(g_focusHook, code, wParam, lParam);
}

class GraphWindowScrollBars : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        WNDCLASSA wc{};
        wc.lpfnWndProc = RecorderProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "GraphWindowScrollBarsParent";
        RegisterClassA(&wc);
        parent_ = CreateWindowExA(0, wc.lpszClassName, "", WS_OVERLAPPED | WS_VISIBLE, 0, 0, 200, 200, nullptr, nullptr,
                                  wc.hInstance, nullptr);
        ASSERT_TRUE(parent_);
        g_parentContextMenus = 0;
        g_barFocusGains = 0;
    }
    void TearDown() override {
        if (g_focusHook) UnhookWindowsHookEx(g_focusHook);
        g_focusHook = nullptr;
        DestroyWindow(parent_);
        ShutShell();
    }
    HWND NewBar() {
        return CreateWindowExA(0, "scrollbar", "", WS_CHILD | WS_VISIBLE | WS_TABSTOP | SBS_HORZ, 0, 0, 100, 16,
                               parent_, nullptr, GetModuleHandleA(nullptr), nullptr);
    }
    HWND parent_ = nullptr;
};

TEST_F(GraphWindowScrollBars, ShowNoContextMenuWhileTheClassIsSubclassed) {
    HWND bar = NewBar();
    ASSERT_TRUE(bar);
    SendMessageA(bar, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(bar), MAKELPARAM(5, 5));
    EXPECT_EQ(g_parentContextMenus, 0);
    // Removed, new bars pass the request on to their parent as any child does.
    SubclassScrollBarClass(0);
    HWND plain = NewBar();
    ASSERT_TRUE(plain);
    SendMessageA(plain, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(plain), MAKELPARAM(5, 5));
    EXPECT_EQ(g_parentContextMenus, 1);
    // Installed again, as start-up leaves it.
    SubclassScrollBarClass(1);
    HWND again = NewBar();
    SendMessageA(again, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(again), MAKELPARAM(5, 5));
    EXPECT_EQ(g_parentContextMenus, 1);
}

TEST_F(GraphWindowScrollBars, AFocusedBarThatMovesGetsItsFocusAgain) {
    HWND bar = NewBar();
    ASSERT_TRUE(bar);
    g_watchedBar = bar;
    g_focusHook = SetWindowsHookExA(WH_CALLWNDPROC, FocusWatch, nullptr, GetCurrentThreadId());
    ASSERT_TRUE(g_focusHook);
    // Not focused: a move leaves the focus alone.
    SetFocus(parent_);
    g_barFocusGains = 0;
    SetWindowPos(bar, nullptr, 10, 20, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(g_barFocusGains, 0);
    SetFocus(bar);
    ASSERT_EQ(GetFocus(), bar);
    g_barFocusGains = 0;
    SetWindowPos(bar, nullptr, 30, 40, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    EXPECT_EQ(g_barFocusGains, 1);
    EXPECT_EQ(GetFocus(), bar);
}

}  // namespace
