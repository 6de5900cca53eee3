// The mouse in a graph window of the running program: presses, moves and releases sent as the
// window receives them from a user's hand, with the selection, the view, the zoom history, the
// channel buttons and the pixels that change read back.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "tests/shell/shell_fixture.h"
#include "controls/tests/render_test_support.h"
#include "controls/tests/text_fit.h"
#include "base/app.h"
#include "base/device.h"
#include "base/lesson.h"
#include "graph/graph_ids.h"
#include "common/binding.h"
#include "common/stAcq.h"
#include "shell/commands/status.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "graph/window/mouse_tools.h"
#include "graph/window/tracking.h"
#include "graph/window/channel_slots.h"
#include "graph/view/channel_selection.h"
#include "graph/view/channel_items.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "graph/render/waveforms.h"
#include "documents/documents_api.h"
#include "documents/markers/markers.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "controls/popup_button.h"
#include "scripts/script_api.h"
#include "shell/shell_ids.h"

namespace {

constexpr double kInterval = 5.0;  // ms per sample

void* NewBlock(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    return h ? GlobalLock(h) : nullptr;
}

COLORREF Inverted(COLORREF c) { return RGB(255 - GetRValue(c), 255 - GetGValue(c), 255 - GetBValue(c)); }

class MouseTools : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        graph_ = g_app->hwndActiveGraph;
        ASSERT_TRUE(graph_);
        gs_ = GetWindowGraph(graph_);
        ASSERT_TRUE(gs_);
        SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(graph_), 0);
        MoveWindow(graph_, 0, 0, 820, 640, TRUE);
        HoldKeys({});
    }
    void TearDown() override {
        HoldKeys({});
        ClipCursor(nullptr);
        ResetScriptPermissions();
        ShutShell();
    }

    static void HoldKeys(std::initializer_list<int> vks) {
        BYTE keys[256] = {};
        for (int vk : vks) keys[vk] = 0x80;
        SetKeyboardState(keys);
    }
    // One f64 channel per entry, shown; every other slot is free.
    void Channels(const std::vector<std::vector<double>>& waves, const std::vector<int>& slots) {
        for (int s = 0; s < kMaxChannels; ++s) gs_->chanFlags[s] = 0;
        for (size_t k = 0; k < slots.size(); ++k) {
            int s = slots[k];
            const auto& v = waves[k];
            auto* p = static_cast<double*>(NewBlock(v.size() * 8 + 8));
            ASSERT_TRUE(p);
            std::memcpy(p, v.data(), v.size() * 8);
            gs_->chanBlock[s] = p;
            gs_->chanFlags[s] = 2;
            gs_->chanType[s] = 1;
            gs_->chanBytes[s] = 8;
            gs_->chanCount[s] = static_cast<uint32_t>(v.size());
            gs_->chanVPerDiv[s] = 5.0;
            gs_->chanVDivisions[s] = 4.0;
            gs_->chanVCenter[s] = 0.0;
        }
        gs_->selectedChan = static_cast<uint32_t>(slots[0]);
        gs_->sampleInterval = kInterval;
        gs_->hPerDiv = 250.0;
        gs_->hDivisions = 4.0;
        gs_->hStart = 0.0;
        gs_->selStart = gs_->selEnd = 0.0;
        UpdateGraphLength(gs_);
    }
    static std::vector<double> Ramp(size_t n, double step, double from = 0.0) {
        std::vector<double> v(n);
        for (size_t i = 0; i < n; ++i) v[i] = from + step * static_cast<double>(i);
        return v;
    }
    static std::vector<double> Level(size_t n, double value) { return std::vector<double>(n, value); }
    void Mode(int mode) {
        SetDisplayMode(gs_, static_cast<int16_t>(mode));
        Settle();
    }
    // Layout, buttons and a complete paint, so that later pixel reads see the finished plot.
    void Settle() {
        RECT client{};
        GetClientRect(graph_, &client);
        SendMessageA(graph_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
        RebuildChannelItems(gs_);
        InvalidateRect(graph_, nullptr, TRUE);
        UpdateWindow(graph_);
        PumpMessages();
    }
    void Tool(int id) { SendMessageA(graph_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    // Channel 2 plotted against channel 1 in XY mode, with the given tool on (and the
    // measurement row shown or not; -1 leaves it as the graph has it).
    void XYOfTwoChannels(int tool, int measureShown = -1) {
        Channels({{-5, -2, 0, 3, 6}, {-4, 1, 0, 2, 5}}, {1, 2});
        gs_->xyXChan = 1;
        gs_->selectedChan = 2;
        if (measureShown >= 0) gs_->measureShown = measureShown;
        Mode(kModeXY);
        Tool(tool);
    }
    void Press(int x, int y, UINT keys = 0) {
        SendMessageA(graph_, WM_LBUTTONDOWN, MK_LBUTTON | keys, MAKELPARAM(x, y));
    }
    void Move(int x, int y, UINT keys = MK_LBUTTON) { SendMessageA(graph_, WM_MOUSEMOVE, keys, MAKELPARAM(x, y)); }
    void Release(int x, int y, UINT keys = 0) { SendMessageA(graph_, WM_LBUTTONUP, keys, MAKELPARAM(x, y)); }
    void Drag(int x0, int y0, int x1, int y1, UINT keys = 0) {
        Press(x0, y0, keys);
        Move(x1, y1, MK_LBUTTON | keys);
        Release(x1, y1, keys);
    }
    void DoubleClick(int x, int y) { SendMessageA(graph_, WM_LBUTTONDBLCLK, MK_LBUTTON, MAKELPARAM(x, y)); }
    COLORREF Pixel(int x, int y) {
        HDC dc = GetDC(graph_);
        COLORREF c = GetPixel(dc, x, y);
        ReleaseDC(graph_, dc);
        return c;
    }
    const RECT& Plot() const { return gs_->plotRect; }
    // The window's pixels in a rectangle of its client area, as they stand on screen.
    std::vector<uint32_t> Capture(const RECT& r) {
        CDibSurface copy(r.right - r.left, r.bottom - r.top);
        std::vector<uint32_t> pixels;
        if (!copy.Ok()) return pixels;
        HDC dc = GetDC(graph_);
        BitBlt(copy.Dc(), 0, 0, copy.Width(), copy.Height(), dc, r.left, r.top, SRCCOPY);
        ReleaseDC(graph_, dc);
        for (int y = 0; y < copy.Height(); ++y)
            for (int x = 0; x < copy.Width(); ++x) pixels.push_back(copy.At(x, y));
        return pixels;
    }
    int L() const { return gs_->plotRect.left; }
    int Mid() const { return (gs_->plotRect.top + gs_->plotRect.bottom) / 2; }
    // The sample-grid column nearest x, where a press lands.
    int Snap(int x) {
        return static_cast<int>(GraphTimeToX(gs_, std::round(GraphXToTime(gs_, x) / kInterval) * kInterval));
    }
    static bool ShowsReady() { return std::strncmp(GetStatusTextShown(), "Ready", 5) == 0; }
    double SnappedTime(int x) {
        return GraphXToTime(
            gs_, static_cast<int32_t>(GraphTimeToX(gs_, std::round(GraphXToTime(gs_, x) / kInterval) * kInterval)));
    }

    HWND graph_ = nullptr;
    tagGS* gs_ = nullptr;
};

// ---- I-beam: range selection ----

TEST_F(MouseTools, TheIBeamDragSelectsATimeRangeAndInvertsOnlyItsColumns) {
    Channels({Ramp(400, 0.0)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_IBEAM);
    const int y = Plot().top + 4;
    const COLORREF inside = Pixel(L() + 150, y), outside = Pixel(L() + 260, y);

    Drag(L() + 100, Mid(), L() + 200, Mid());
    EXPECT_EQ(GetToolMode(), kToolModeNone);
    EXPECT_EQ(gs_->selX1, Snap(L() + 100));
    EXPECT_EQ(gs_->selX2, Snap(L() + 200));
    EXPECT_DOUBLE_EQ(std::fmin(gs_->selStart, gs_->selEnd), SnappedTime(L() + 100));
    EXPECT_DOUBLE_EQ(std::fmax(gs_->selStart, gs_->selEnd), SnappedTime(L() + 200));
    EXPECT_EQ(gs_->cursorShown, 0u);
    EXPECT_EQ(Pixel(L() + 150, y), Inverted(inside));
    EXPECT_EQ(Pixel(L() + 260, y), outside);

    // A new drag, reversed: the old band goes, the new one is ordered by columns, the times keep
    // the moving end first.
    Drag(L() + 300, Mid(), L() + 240, Mid());
    EXPECT_EQ(gs_->selX1, Snap(L() + 240));
    EXPECT_EQ(gs_->selX2, Snap(L() + 300));
    EXPECT_LT(gs_->selStart, gs_->selEnd);
    EXPECT_EQ(Pixel(L() + 150, y), inside);
    EXPECT_EQ(Pixel(L() + 260, y), Inverted(outside));
    // A repaint draws the same band from the times.
    InvalidateRect(graph_, nullptr, TRUE);
    UpdateWindow(graph_);
    EXPECT_EQ(Pixel(L() + 260, y), Inverted(outside));
    EXPECT_EQ(Pixel(L() + 150, y), inside);
}

// With "gray non-selected" on, a new selected channel or a channel refresh repaints the plot so
// the grey follows; a recording graph or the preference off leaves the plot (Chart mode, no grid).
TEST_F(MouseTools, GrayNonSelectedRepaintsThePlotWhenTheSelectionOrAChannelChanges) {
    Channels({Ramp(400, 0.0), Ramp(400, 1.0)}, {1, 2});
    gs_->gridShown = 0;
    Mode(kModeChart);
    struct Row {
        uint32_t gray, acquiring;
        bool repainted;
    } rows[] = {{0, 0, false}, {1, 0, true}, {1, 1, false}};
    auto pending = [this] {
        HRGN rgn = CreateRectRgn(0, 0, 0, 0);
        GetUpdateRgn(graph_, rgn, FALSE);
        const RECT& p = Plot();
        const bool in = PtInRegion(rgn, (p.left + p.right) / 2, p.top + 2) != FALSE;
        DeleteObject(rgn);
        return in;
    };
    for (const Row& r : rows) {
        const int at = static_cast<int>(&r - rows);
        gs_->grayNonSelected = r.gray;
        Settle();
        gs_->acquiring = r.acquiring;
        SelectGraphChannel(gs_, static_cast<int16_t>(gs_->selectedChan == 1 ? 2 : 1));
        EXPECT_EQ(pending(), r.repainted) << "select, row " << at;
        gs_->acquiring = 0;
        Settle();
        gs_->acquiring = r.acquiring;
        RefreshChannel(gs_, 2);
        EXPECT_EQ(pending(), r.repainted) << "refresh, row " << at;
        gs_->acquiring = 0;
    }
}

// A click in the plot makes the segment it falls in active and current, whatever tool, and the
// view stays where it is even when the segment starts left of it.
TEST_F(MouseTools, APlotClickMakesItsSegmentActiveWithoutMovingTheView) {
    Channels({Ramp(2000, 0.0)}, {1});
    Mode(kModeScope);
    ASSERT_TRUE(gs_->markerManager);
    stMarkerNode* first = InsertMarker(gs_, gs_->markers, 0.0, 1, "", 3);
    stMarkerNode* second = InsertMarker(gs_, gs_->markers, 1000 * kInterval, 1, "", 3);
    InsertMarker(gs_, gs_->markers, 1300 * kInterval, 1, "e", 1);  // an event marker inside the second
    ASSERT_TRUE(first && second);
    struct Row {
        int tool;
        double hStart;
        stMarkerNode* active;
    } rows[] = {
        {IDC_TOOL_ARROW, 6000.0, second}, {IDC_TOOL_IBEAM, 1000.0, first},
        {IDC_TOOL_IBEAM, 6600.0, second}, {IDC_TOOL_ARROW, 200.0, first},
    };
    for (const Row& r : rows) {
        Tool(r.tool);
        gs_->hStart = r.hStart;
        Settle();
        Press(L() + 20, Mid());
        Release(L() + 20, Mid());
        const int at = static_cast<int>(&r - rows);
        EXPECT_EQ(GetActiveSegmentMarker(gs_->markerManager), r.active) << "row " << at;
        EXPECT_EQ(first->marker->active + second->marker->active, 1) << "row " << at;
        EXPECT_EQ(gs_->markers->current, r.active) << "row " << at;
        EXPECT_DOUBLE_EQ(gs_->hStart, r.hStart) << "row " << at;
    }
}

TEST_F(MouseTools, ShiftClicksMoveTheNearerEndOfTheSelection) {
    Channels({Ramp(400, 0.0)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_IBEAM);
    struct Case {
        int press, extendTo;
        int left, right;
    } cases[] = {
        {100, 300, 100, 300},  // right of the selection: its right end moves
        {200, 50, 50, 200},    // left of it: its left end moves
    };
    for (const Case& c : cases) {
        Drag(L() + 100, Mid(), L() + 200, Mid());
        Press(L() + (c.press == 100 ? 100 : 200), Mid());  // collapse ...
        Release(L() + (c.press == 100 ? 100 : 200), Mid());
        Drag(L() + 100, Mid(), L() + 200, Mid());  // ... and select 100-200 again
        Press(L() + c.extendTo, Mid(), MK_SHIFT);
        Release(L() + c.extendTo, Mid(), MK_SHIFT);
        EXPECT_EQ(gs_->selX1, Snap(L() + c.left)) << c.extendTo;
        EXPECT_EQ(gs_->selX2, Snap(L() + c.right)) << c.extendTo;
        EXPECT_DOUBLE_EQ(std::fmin(gs_->selStart, gs_->selEnd), SnappedTime(L() + c.left));
        EXPECT_DOUBLE_EQ(std::fmax(gs_->selStart, gs_->selEnd), SnappedTime(L() + c.right));
    }
    // A shift-click inside moves the end that moved last (the right one after a left-to-right drag).
    Drag(L() + 100, Mid(), L() + 200, Mid());
    Press(L() + 160, Mid(), MK_SHIFT);
    Release(L() + 160, Mid(), MK_SHIFT);
    EXPECT_EQ(gs_->selX1, Snap(L() + 100));
    EXPECT_EQ(gs_->selX2, Snap(L() + 160));
}

TEST_F(MouseTools, ASelectionDraggedPastThePlotStaysInsideTheData) {
    // 100 samples: the recording ends at half the view, and cannot scroll.
    Channels({Ramp(100, 0.01)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_IBEAM);
    const double start = gs_->hStart;
    Drag(L() + 50, Mid(), Plot().right + 200, Mid());
    EXPECT_EQ(gs_->hStart, start);
    EXPECT_EQ(gs_->selX1, Snap(L() + 50));
    EXPECT_EQ(gs_->selX2, Plot().right);
    // Left past the plot: the selection starts at time 0.
    Drag(L() + 80, Mid(), L() - 60, Mid());
    EXPECT_EQ(gs_->selX1, L());
    EXPECT_DOUBLE_EQ(std::fmin(gs_->selStart, gs_->selEnd), 0.0);
    EXPECT_EQ(GetToolMode(), kToolModeNone);
}

TEST_F(MouseTools, ASelectionPastTheRightEdgeScrollsTheViewAtMostOnePlotWidth) {
    Channels({Ramp(4000, 0.001)}, {1});  // 20 s recorded, 1 s shown
    Mode(kModeScope);
    Tool(IDC_TOOL_IBEAM);
    const int width = Plot().right - L();
    const double perPixel = gs_->hPerDiv * gs_->hDivisions / width;
    Press(L() + 200, Mid());
    Move(Plot().right + 30, Mid());
    EXPECT_NEAR(gs_->hStart, 30 * perPixel, 1e-9);
    // The anchor moved left with the data; the moving end is the plot's edge.
    EXPECT_NEAR(gs_->selX1, Snap(L() + 200) - 30, 1);
    EXPECT_EQ(gs_->selX2, Plot().right);
    EXPECT_EQ(GetScrollPos(gs_->hScrollBar, SB_CTL),
              static_cast<int>(gs_->hStart * 1000 / (gs_->totalSamples * kInterval - width * perPixel)));
    // What the drag left on screen is what a repaint of the new view and selection shows.
    Release(Plot().right + 30, Mid());
    const int y = Plot().top + 4;
    std::vector<COLORREF> dragged, painted;
    for (int x = L() + 1; x < Plot().right - 1; ++x) dragged.push_back(Pixel(x, y));
    InvalidateRect(graph_, nullptr, TRUE);
    UpdateWindow(graph_);
    for (int x = L() + 1; x < Plot().right - 1; ++x) painted.push_back(Pixel(x, y));
    int differ = 0;
    for (size_t i = 0; i < dragged.size(); ++i) differ += dragged[i] != painted[i];
    EXPECT_EQ(differ, 0);
    EXPECT_EQ(painted[Plot().right - 10 - L()], Inverted(Pixel(L() + 20, y)));  // the scrolled-in columns
    // Far beyond: one plot width per step.
    const double anchor = SnappedTime(L() + 170);
    Press(L() + 170, Mid());
    Move(Plot().right + 5 * width, Mid());
    EXPECT_NEAR(gs_->hStart, (30 + width) * perPixel, 1e-6);
    Release(Plot().right + 5 * width, Mid());
    EXPECT_EQ(GetToolMode(), kToolModeNone);
    // The selection spans what was scrolled past, from its anchor to the plot's right edge.
    EXPECT_NEAR(std::fmin(gs_->selStart, gs_->selEnd), anchor, 1e-9);
    EXPECT_NEAR(std::fmax(gs_->selStart, gs_->selEnd), GraphXToTime(gs_, Plot().right), 1e-9);
    // At the end of the recording nothing scrolls any more.
    gs_->hStart = gs_->totalSamples * kInterval - gs_->hPerDiv * gs_->hDivisions;
    Settle();
    const double end = gs_->hStart;
    Drag(L() + 100, Mid(), Plot().right + 50, Mid());
    EXPECT_EQ(gs_->hStart, end);
    EXPECT_EQ(gs_->selX2, Plot().right);
}

TEST_F(MouseTools, TheCursorLineBlinksAtASinglePointSelection) {
    Channels({Ramp(400, 0.0)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_IBEAM);
    Press(L() + 120, Mid());
    Release(L() + 120, Mid());
    ASSERT_EQ(gs_->selStart, gs_->selEnd);
    const int x = static_cast<int>(GraphTimeToX(gs_, gs_->selStart));
    const int y = Plot().top + 4;
    const COLORREF before = Pixel(x, y);
    RedrawGraphCursor(gs_);
    EXPECT_EQ(gs_->cursorShown, 1u);
    EXPECT_EQ(gs_->cursorTime, gs_->selStart);
    EXPECT_EQ(Pixel(x, y), Inverted(before));
    RedrawGraphCursor(gs_);
    EXPECT_EQ(gs_->cursorShown, 0u);
    EXPECT_EQ(Pixel(x, y), before);
    // The arrow tool switches it off: no more blinking.
    Tool(IDC_TOOL_ARROW);
    RedrawGraphCursor(gs_);
    EXPECT_EQ(gs_->cursorShown, 2u);
    EXPECT_EQ(Pixel(x, y), before);
}

// ---- Zoom tool and history ----

TEST_F(MouseTools, AZoomClickHalvesBothSpansAndCtrlDoublesThem) {
    Channels({Ramp(4000, 0.001)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_ZOOM);
    const int width = Plot().right - L();
    const int cx = L() + width / 2, cy = Mid();
    const double perDiv = gs_->hPerDiv, vPerDiv = gs_->chanVPerDiv[1];
    const double expectStart = GraphXToTime(gs_, cx - width / 4);
    Press(cx, cy);
    EXPECT_EQ(GetToolMode(), kToolModeZoom);
    Release(cx + 2, cy + 1);  // under 4 pixels: a click
    EXPECT_EQ(GetToolMode(), kToolModeNone);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, perDiv / 2);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], vPerDiv / 2);
    EXPECT_NEAR(gs_->hStart, expectStart, 1e-9);
    EXPECT_EQ(gs_->zoomLevel, 1u);
    EXPECT_EQ(gs_->zoomCount, 1u);
    EXPECT_EQ(gs_->modified, 1u);

    HoldKeys({VK_CONTROL});
    Press(cx, cy);
    Release(cx, cy);
    HoldKeys({});
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, perDiv);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], vPerDiv);
    EXPECT_EQ(gs_->zoomLevel, 2u);
}

TEST_F(MouseTools, WithTheGridLockedAZoomChangesTheNumberOfDivisions) {
    Channels({Ramp(4000, 0.001)}, {1});
    Mode(kModeScope);
    gs_->gridLocked = 1;
    Tool(IDC_TOOL_ZOOM);
    const double perDiv = gs_->hPerDiv, divs = gs_->hDivisions;
    const double vPerDiv = gs_->chanVPerDiv[1], vDivs = gs_->chanVDivisions[1];
    const int cx = (L() + Plot().right) / 2;
    Press(cx, Mid());
    Release(cx, Mid());
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, perDiv);
    EXPECT_DOUBLE_EQ(gs_->hDivisions, divs / 2);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], vPerDiv);
    EXPECT_DOUBLE_EQ(gs_->chanVDivisions[1], vDivs / 2);
    ZoomBack(gs_);
    EXPECT_DOUBLE_EQ(gs_->hDivisions, divs);
    EXPECT_DOUBLE_EQ(gs_->chanVDivisions[1], vDivs);
}

TEST_F(MouseTools, AnXYZoomScalesTheXAndTheYChannelOnly) {
    Channels({Ramp(50, 0.2, -5.0), Ramp(50, 0.1), Ramp(50, 0.3)}, {1, 2, 3});
    gs_->xyXChan = 1;
    gs_->selectedChan = 2;
    Mode(kModeXY);
    Tool(IDC_TOOL_ZOOM);
    const RECT plot = Plot();
    const int width = plot.right - plot.left;
    // A click a quarter width right of the middle: the X midpoint moves there.
    const int cx = plot.right - width / 2 + width / 4, cy = Mid();
    const double xPerDiv = gs_->chanVPerDiv[1], yPerDiv = gs_->chanVPerDiv[2], other = gs_->chanVPerDiv[3];
    const double xSpan = gs_->chanVPerDiv[1] * gs_->chanVDivisions[1];
    const double xMid = gs_->chanVCenter[1];
    const double hPerDiv = gs_->hPerDiv;
    Press(cx, cy);
    Release(cx, cy);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], xPerDiv / 2);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[2], yPerDiv / 2);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[3], other);
    EXPECT_NEAR(gs_->chanVCenter[1], xMid + xSpan / 4, xSpan / width * 2);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, hPerDiv);  // the time axis is not the X axis here
    ZoomBack(gs_);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], xPerDiv);
    EXPECT_DOUBLE_EQ(gs_->chanVCenter[1], xMid);
}

TEST_F(MouseTools, AZoomDragConfinesTheMouseToTheVisiblePartOfItsBounds) {
    Channels({Ramp(4000, 0.001)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_ZOOM);
    RECT frame{};
    GetWindowRect(g_app->hwndFrame, &frame);
    MoveWindow(g_app->hwndFrame, -300, -100, frame.right - frame.left, frame.bottom - frame.top, TRUE);
    Settle();
    POINT topLeft{Plot().left, Plot().top};
    ClientToScreen(graph_, &topLeft);
    ASSERT_LT(topLeft.x, 0);
    Press(Plot().right - 20, Mid());
    RECT clip{};
    GetClipCursor(&clip);
    EXPECT_EQ(clip.left, 0);
    POINT bottomRight{Plot().right, Plot().bottom};
    ClientToScreen(graph_, &bottomRight);
    EXPECT_EQ(clip.right, bottomRight.x);
    EXPECT_EQ(clip.bottom, bottomRight.y - 1);
    Release(Plot().right - 20, Mid());
    GetClipCursor(&clip);
    EXPECT_EQ(clip.left, GetSystemMetrics(SM_XVIRTUALSCREEN));
    EXPECT_EQ(clip.right, GetSystemMetrics(SM_XVIRTUALSCREEN) + GetSystemMetrics(SM_CXVIRTUALSCREEN));
    MoveWindow(g_app->hwndFrame, frame.left, frame.top, frame.right - frame.left, frame.bottom - frame.top, TRUE);
}

TEST_F(MouseTools, ADraggedRectangleBecomesTheView) {
    Channels({Ramp(4000, 0.001)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_ZOOM);
    const RECT plot = Plot();
    const int width = plot.right - plot.left, height = plot.bottom - plot.top;
    const double t100 = GraphXToTime(gs_, plot.left + 100);
    const double perDiv = gs_->hPerDiv, vPerDiv = gs_->chanVPerDiv[1];
    const int y0 = plot.top + 40, y1 = plot.top + 40 + height / 4;
    const COLORREF before = Pixel(plot.left + 150, y0);
    Press(plot.left + 100, y0);
    Move(plot.left + 300, y1);
    // The rubber band is on screen while the button is held.
    EXPECT_NE(Pixel(plot.left + 150, y0), before);
    Release(plot.left + 300, y1);
    EXPECT_NEAR(gs_->hStart, t100, 1e-9);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, perDiv * 200 / width);
    EXPECT_NEAR(gs_->chanVPerDiv[1], vPerDiv * (y1 - y0) / height, 1e-12);
    // The band's middle is the new centre: above the plot's middle means a higher value.
    EXPECT_GT(gs_->chanVCenter[1], 0.0);
}

TEST_F(MouseTools, ZoomPreviousAndNextWalkTheHistoryAndTheSeventhZoomDropsTheOldest) {
    Channels({Ramp(40000, 0.0001)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_ZOOM);
    const int cx = (L() + Plot().right) / 2, cy = Mid();
    std::vector<double> perDiv{gs_->hPerDiv}, start{gs_->hStart}, vPerDiv{gs_->chanVPerDiv[1]};
    for (int i = 0; i < 7; ++i) {
        Press(cx + 10 * i, cy);
        Release(cx + 10 * i, cy);
        perDiv.push_back(gs_->hPerDiv);
        start.push_back(gs_->hStart);
        vPerDiv.push_back(gs_->chanVPerDiv[1]);
    }
    EXPECT_EQ(gs_->zoomLevel, 5u);
    EXPECT_EQ(gs_->zoomCount, 5u);
    for (int back = 1; back <= 5; ++back) {
        ZoomBack(gs_);
        EXPECT_EQ(gs_->zoomLevel, static_cast<uint32_t>(5 - back));
        EXPECT_DOUBLE_EQ(gs_->hPerDiv, perDiv[7 - back]) << back;
        EXPECT_DOUBLE_EQ(gs_->hStart, start[7 - back]) << back;
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], vPerDiv[7 - back]) << back;
    }
    ZoomBack(gs_);  // the first two views are gone
    EXPECT_EQ(gs_->zoomLevel, 0u);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, perDiv[2]);
    ZoomForward(gs_);
    ZoomForward(gs_);
    EXPECT_EQ(gs_->zoomLevel, 2u);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, perDiv[4]);
    // A zoom after going back overwrites the next level and ends the history there.
    Press(cx, cy);
    Release(cx, cy);
    EXPECT_EQ(gs_->zoomLevel, 3u);
    EXPECT_EQ(gs_->zoomCount, 3u);
    double now = gs_->hPerDiv;
    ZoomForward(gs_);
    EXPECT_EQ(gs_->zoomLevel, 3u);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, now);
}

TEST_F(MouseTools, ZoomingPastASampleOrPastTheRecordingStaysUsable) {
    Channels({Ramp(200, 0.01)}, {1});  // 1 s recorded, 1 s shown
    Mode(kModeScope);
    Tool(IDC_TOOL_ZOOM);
    const int cx = Plot().right - 5, cy = Mid();
    for (int i = 0; i < 60; ++i) {
        Press(cx, cy);
        Release(cx, cy);
    }
    // At most one sample per division; values stay finite and positive; the view inside the data.
    EXPECT_GE(gs_->hPerDiv, kInterval);
    EXPECT_GT(gs_->chanVPerDiv[1], 0.0);
    EXPECT_TRUE(std::isfinite(gs_->chanVPerDiv[1]));
    EXPECT_TRUE(std::isfinite(gs_->chanVCenter[1]));
    EXPECT_GE(gs_->hStart, 0.0);
    EXPECT_LE(gs_->hStart + gs_->hPerDiv * gs_->hDivisions, 200 * kInterval + 1e-9);
    // Still selectable: the I-beam finds the sample grid.
    Tool(IDC_TOOL_IBEAM);
    Drag(L() + 10, cy, Plot().right - 10, cy);
    EXPECT_TRUE(std::isfinite(gs_->selStart));
    EXPECT_LE(std::fmax(gs_->selStart, gs_->selEnd), 200 * kInterval + 1e-9);

    Tool(IDC_TOOL_ZOOM);
    HoldKeys({VK_CONTROL});
    for (int i = 0; i < 80; ++i) {
        Press(L() + 3, cy);
        Release(L() + 3, cy);
    }
    HoldKeys({});
    EXPECT_EQ(gs_->hStart, 0.0);
    EXPECT_TRUE(std::isfinite(gs_->hPerDiv));
    EXPECT_TRUE(std::isfinite(gs_->chanVPerDiv[1]));
    EXPECT_GT(gs_->chanVPerDiv[1], 0.0);
    // The whole recording is on screen, and it is still drawn.
    InvalidateRect(graph_, nullptr, TRUE);
    UpdateWindow(graph_);
    EXPECT_GE(gs_->hPerDiv * gs_->hDivisions, 200 * kInterval);
}

TEST_F(MouseTools, AChartZoomScalesOnlyTheBandUnderThePressAndMissesOutsideEveryBand) {
    Channels({Ramp(400, 0.0), Ramp(400, 0.0)}, {1, 2});
    Mode(kModeChart);
    Tool(IDC_TOOL_ZOOM);
    const RECT band2 = gs_->chanBandRects[2];
    const double v1 = gs_->chanVPerDiv[1], v2 = gs_->chanVPerDiv[2];
    int x = (band2.left + band2.right) / 2, y = (band2.top + band2.bottom) / 2;
    Press(x, y);
    Release(x, y);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[2], v2 / 2);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], v1);
    EXPECT_EQ(gs_->zoomLevel, 1u);
    // The bounds of the press are the band's: the mouse could not pick the other band.
    ZoomTool(gs_, -500, -500, WM_LBUTTONDOWN);
    EXPECT_EQ(GetToolMode(), kToolModeNone);
    EXPECT_EQ(gs_->zoomLevel, 1u);
}

// ---- Arrow tool: tracking ----

TEST_F(MouseTools, TheArrowTracksTheSampleGridAndGivesTheSelectionBack) {
    Channels({Ramp(400, 0.01)}, {1});
    Mode(kModeScope);
    Tool(IDC_TOOL_ARROW);
    gs_->selStart = 100.0;
    gs_->selEnd = 300.0;
    InvalidateRect(graph_, nullptr, TRUE);
    UpdateWindow(graph_);
    const int y = Plot().top + 4;
    const int x0 = L() + 90, x1 = L() + 140;
    const COLORREF at0 = Pixel(x0, y), at1 = Pixel(x1, y);
    Press(x0, Mid());
    ASSERT_TRUE(IsTracking());
    int32_t lineX = 0, lineY = 0;
    GetTrackLines(&lineX, &lineY);
    EXPECT_EQ(lineX, static_cast<int32_t>(GraphTimeToX(gs_, SnappedTime(x0))));
    EXPECT_EQ(lineY, 0);
    EXPECT_EQ(gs_->selStart, gs_->selEnd);  // the measurements see one point
    EXPECT_EQ(Pixel(lineX, y), Inverted(at0));
    Move(x1, Mid());
    GetTrackLines(&lineX, &lineY);
    EXPECT_EQ(lineX, static_cast<int32_t>(GraphTimeToX(gs_, SnappedTime(x1))));
    EXPECT_EQ(Pixel(lineX, y), Inverted(at1));
    EXPECT_EQ(Pixel(x0, y), at0);
    Release(x1, Mid());
    EXPECT_FALSE(IsTracking());
    EXPECT_EQ(gs_->selStart, 100.0);
    EXPECT_EQ(gs_->selEnd, 300.0);
    EXPECT_EQ(Pixel(lineX, y), at1);
}

// A tracking drawn, moved and ended with the window's paints in between, as a user's press, drag
// and release come: the plot is left as a fresh paint draws it, without a line at any column.
TEST_F(MouseTools, TheArrowLeavesNoLineBehindWhenThePlotRepaintsDuringTheTracking) {
    struct Row {
        const char* what;
        bool otherChannel;  // the press picks another channel, which repaints the plot
        bool move;
    } rows[] = {{"press and release", false, false},
                {"press, drag and release", false, true},
                {"a press that selects another channel", true, false},
                {"a press that selects another channel, then a drag", true, true}};
    for (const Row& r : rows) {
        Channels({Level(400, 5.0), Level(400, -5.0)}, {1, 3});
        gs_->gridShown = 1;
        gs_->measureShown = 1;
        Mode(kModeScope);
        Tool(IDC_TOOL_ARROW);
        gs_->selectedChan = 1;
        gs_->selStart = 100.0;
        gs_->selEnd = 300.0;
        Settle();
        const int rowOf3 = static_cast<int>(gs_->chanPixelMap[kMapYZero][3] + 5.0 * gs_->chanPixelMap[kMapYScale][3]);
        const int y = r.otherChannel ? rowOf3 - 2 : Mid();
        const int x0 = L() + 90, x1 = L() + 160;
        Press(x0, y);
        PumpMessages();
        if (r.move) {
            Move(x1, y);
            PumpMessages();
        }
        Release(r.move ? x1 : x0, y);
        PumpMessages();
        EXPECT_EQ(gs_->selectedChan, r.otherChannel ? 3u : 1u) << r.what;
        const RECT plot = Plot();
        const std::vector<uint32_t> after = Capture(plot);
        InvalidateRect(graph_, nullptr, TRUE);
        UpdateWindow(graph_);
        const std::vector<uint32_t> fresh = Capture(plot);
        ASSERT_EQ(after.size(), fresh.size());
        int changed = 0, firstColumn = -1;
        const int width = plot.right - plot.left;
        for (size_t i = 0; i < after.size(); ++i)
            if (after[i] != fresh[i]) {
                if (!changed) firstColumn = static_cast<int>(i % width) + plot.left;
                ++changed;
            }
        EXPECT_EQ(changed, 0) << r.what << ": first changed column " << firstColumn << " (press at " << Snap(x0)
                              << ")";
    }
}

TEST_F(MouseTools, TheMeasurementBoxesShowTheTrackedPointAndThenTheSelectionAgain) {
    Channels({Ramp(400, 0.01)}, {1});  // sample i has the value i / 100
    gs_->measureShown = 1;
    Mode(kModeScope);
    ASSERT_TRUE(gs_->measureGrid);
    const uint16_t options[3] = {0, 0, 0};
    SetMeasurementBox(gs_->measureGrid, 0, 1 /* value */, 1, options, 0.0, "", 0, 1);
    Tool(IDC_TOOL_IBEAM);
    Drag(L() + 30, Mid(), L() + 90, Mid());
    UpdateAllMeasurements(gs_);
    const double selected = GetMeasurementValue(GetMeasurementAt(gs_->measureGrid, 0));
    Tool(IDC_TOOL_ARROW);
    const int x = L() + 200;
    Press(x, Mid());
    const double atPoint = std::round(GraphXToTime(gs_, x) / kInterval) * 0.01;
    EXPECT_NEAR(GetMeasurementValue(GetMeasurementAt(gs_->measureGrid, 0)), atPoint, 0.0051);
    EXPECT_GT(GetMeasurementValue(GetMeasurementAt(gs_->measureGrid, 0)), selected + 0.1);
    Release(x, Mid());
    EXPECT_DOUBLE_EQ(GetMeasurementValue(GetMeasurementAt(gs_->measureGrid, 0)), selected);
}

TEST_F(MouseTools, TheArrowPicksTheNearestChannelInScopeMode) {
    Channels({Level(400, 5.0), Level(400, -5.0)}, {1, 3});
    Mode(kModeScope);
    Tool(IDC_TOOL_ARROW);
    ASSERT_EQ(gs_->selectedChan, 1u);
    const int rowLow = static_cast<int>(gs_->chanPixelMap[kMapYZero][3] + 5.0 * gs_->chanPixelMap[kMapYScale][3]);
    Press(L() + 100, rowLow - 3);
    Release(L() + 100, rowLow - 3);
    EXPECT_EQ(gs_->selectedChan, 3u);
    const int rowHigh = static_cast<int>(gs_->chanPixelMap[kMapYZero][1] - 5.0 * gs_->chanPixelMap[kMapYScale][1]);
    Press(L() + 100, rowHigh + 2);
    Release(L() + 100, rowHigh + 2);
    EXPECT_EQ(gs_->selectedChan, 1u);
}

TEST_F(MouseTools, InXYTheCrossHairMarksTheNearestRecordedPoint) {
    std::vector<double> xs{-5, -2, 0, 3, 6}, ys{-4, 1, 0, 2, 5};
    Channels({xs, ys}, {1, 2});
    gs_->xyXChan = 1;
    gs_->selectedChan = 2;
    Mode(kModeXY);
    ASSERT_EQ(gs_->xyXChan, 1u);
    ASSERT_EQ(gs_->selectedChan, 2u);
    Tool(IDC_TOOL_ARROW);
    auto pixelOf = [&](double x, double y) {
        return POINT{static_cast<LONG>(x * gs_->chanPixelMap[kMapXScale][1] + gs_->chanPixelMap[kMapXZero][1]),
                     static_cast<LONG>(gs_->chanPixelMap[kMapYZero][2] - y * gs_->chanPixelMap[kMapYScale][2])};
    };
    const POINT p = pixelOf(3, 2);
    const int probeX = Plot().left + 3;  // a column of the row far from any trace
    const COLORREF rowBefore = Pixel(probeX, p.y);
    const POINT q = pixelOf(-2, 1);
    const COLORREF qRowBefore = Pixel(probeX, q.y);
    Press(p.x + 4, p.y - 3);
    int32_t lineX = 0, lineY = 0;
    GetTrackLines(&lineX, &lineY);
    EXPECT_EQ(lineX, p.x);
    EXPECT_EQ(lineY, p.y);
    EXPECT_EQ(Pixel(probeX, p.y), Inverted(rowBefore));
    // Nearer another point: the cross-hair jumps there.
    Move(q.x - 2, q.y + 2);
    GetTrackLines(&lineX, &lineY);
    EXPECT_EQ(lineX, q.x);
    EXPECT_EQ(lineY, q.y);
    EXPECT_EQ(Pixel(probeX, p.y), rowBefore);
    Release(q.x, q.y);
    GetTrackLines(&lineX, &lineY);
    EXPECT_EQ(lineX, 0);
    EXPECT_EQ(Pixel(probeX, q.y), qRowBefore);
    EXPECT_FALSE(IsTracking());
}

TEST_F(MouseTools, InXYTheReadoutIsWrittenWhileTheButtonIsHeldAndErasedAfter) {
    XYOfTwoChannels(IDC_TOOL_ARROW, 1);
    // The band above the plot where the readout stands.
    RECT client{};
    GetClientRect(graph_, &client);
    const int height = gs_->measureRowHeight > 0 ? gs_->measureRowHeight : g_app->fonts.cyText + 2;
    const RECT band{gs_->xLabelRect.left, 1, client.right, height - 1};
    ASSERT_GT(band.bottom, band.top);
    auto dark = [&]() {
        HDC dc = GetDC(graph_);
        int n = 0;
        for (int y = band.top; y < band.bottom; ++y)
            for (int x = band.left; x < band.right; x += 1) n += GetPixel(dc, x, y) == RGB(0, 0, 0);
        ReleaseDC(graph_, dc);
        return n;
    };
    const POINT p{static_cast<LONG>(3 * gs_->chanPixelMap[kMapXScale][1] + gs_->chanPixelMap[kMapXZero][1]),
                  static_cast<LONG>(gs_->chanPixelMap[kMapYZero][2] - 2 * gs_->chanPixelMap[kMapYScale][2])};
    Press(p.x, p.y);
    const int during = dark();
    Release(p.x, p.y);
    const int after = dark();
    EXPECT_GT(during, after + 20);  // the text's pixels
}

// A "calculate" box has no channel button: its result with the user's unit shows whole in the
// program's measurement font.
TEST_F(MouseTools, ACalculateBoxShowsItsResultAndUnitWhole) {
    Channels({Level(100, 0.5)}, {0});
    gs_->selEnd = 200.0;
    gs_->measureShown = 1;
    Settle();
    const uint16_t none[3] = {0, 0, 0}, half[3] = {2, 1, 2};  // box 0 times the constant
    SetMeasurementBox(gs_->measureGrid, 0, measure::kMean, 0, none, 0.0, "", 0, 1);
    SetMeasurementBox(gs_->measureGrid, 1, measure::kCalculate, -1, half, 1.0, "u/zero", 0, 1);
    UpdateAllMeasurements(gs_);
    stMeasure* box = GetMeasurementAt(gs_->measureGrid, 1);
    char text[64] = "";
    GetMeasurementDisplayText(box, text, sizeof text);
    ASSERT_STREQ(text, "0.500000 u/zero");
    // Where PaintMeasurementBox writes: the field less its 2-pixel frame, 2 more at the left.
    RECT room = box->result;
    InflateRect(&room, -2, -2);
    room.left += 2;
    HDC dc = GetDC(box->wnd);
    HGDIOBJ old = SelectObject(dc, g_app->fonts.hfontText);
    SIZE size{};
    GetTextExtentPoint32A(dc, text, static_cast<int>(std::strlen(text)), &size);
    SelectObject(dc, old);
    ReleaseDC(box->wnd, dc);
    EXPECT_LE(size.cx, room.right - room.left) << text;
    EXPECT_LE(size.cy, room.bottom - room.top) << text;
    // The type button stands clear of the field it leaves the room to.
    RECT type{};
    box->typeButton->GetRect(&type);
    EXPECT_LE(type.right, box->result.left);
}

// In XY mode the measurement row is one readout line above the X channel's caption: no box
// stands in it, and an arrow drag leaves the row and the caption as they were before it.
TEST_F(MouseTools, InXYTheMeasurementRowIsAReadoutLineThatADragLeavesAsItWas) {
    XYOfTwoChannels(IDC_TOOL_ARROW, 1);
    EXPECT_EQ(gs_->measureRowHeight, g_app->fonts.cyText + 5);
    const int boxes = GetMeasurementCount(gs_->measureGrid);
    ASSERT_GT(boxes, 0);
    for (int i = 0; i < boxes; ++i) EXPECT_FALSE(IsWindowVisible(GetMeasurementAt(gs_->measureGrid, i)->wnd)) << i;
    RECT client{};
    GetClientRect(graph_, &client);
    const RECT row{0, 1, client.right, gs_->measureRowHeight - 1};
    const RECT caption = gs_->xLabelRect;
    ASSERT_LE(row.bottom, caption.top);
    const std::vector<uint32_t> rowBefore = Capture(row), captionBefore = Capture(caption);
    // The row between its separator lines is the strip's colour: no white box field in it.
    size_t white = 0;
    for (uint32_t px : rowBefore) white += (px & 0xFFFFFF) == 0xFFFFFF;
    EXPECT_EQ(white, 0u);
    const POINT p{static_cast<LONG>(3 * gs_->chanPixelMap[kMapXScale][1] + gs_->chanPixelMap[kMapXZero][1]),
                  static_cast<LONG>(gs_->chanPixelMap[kMapYZero][2] - 2 * gs_->chanPixelMap[kMapYScale][2])};
    Press(p.x, p.y);
    Move(p.x + 5, p.y + 5);
    Release(p.x + 5, p.y + 5);
    EXPECT_TRUE(Capture(row) == rowBefore);
    EXPECT_TRUE(Capture(caption) == captionBefore);
    // Back in Scope mode the boxes stand in the row again.
    Mode(kModeScope);
    EXPECT_GT(gs_->measureRowHeight, g_app->fonts.cyText + 5);
    EXPECT_TRUE(IsWindowVisible(GetMeasurementAt(gs_->measureGrid, 0)->wnd));
}

TEST_F(MouseTools, InXYTheIBeamShowsTheValuesUnderTheMouseWithoutAButton) {
    XYOfTwoChannels(IDC_TOOL_IBEAM, 1);
    RECT client{};
    GetClientRect(graph_, &client);
    const int height = gs_->measureRowHeight > 0 ? gs_->measureRowHeight : g_app->fonts.cyText + 2;
    auto band = [&]() {
        std::vector<COLORREF> px;
        HDC dc = GetDC(graph_);
        for (int y = 1; y < height - 1; ++y)
            for (int x = gs_->xLabelRect.left; x < client.right; ++x) px.push_back(GetPixel(dc, x, y));
        ReleaseDC(graph_, dc);
        return px;
    };
    auto changed = [](const std::vector<COLORREF>& a, const std::vector<COLORREF>& b) {
        int n = 0;
        for (size_t i = 0; i < a.size() && i < b.size(); ++i) n += a[i] != b[i];
        return n;
    };
    auto hover = [&](int x, int y) {
        POINT p{x, y};
        ClientToScreen(graph_, &p);
        SetCursorPos(p.x, p.y);
        Move(x, y, 0);
    };
    hover(Plot().left + 50, Mid());  // in and out once: the band as the readout leaves it
    hover(2, Plot().top - 5);
    const auto before = band();
    hover(Plot().left + 50, Mid());
    const auto shown = band();
    SaveWindowPicture(graph_, "xy_readout");
    EXPECT_GT(changed(before, shown), 20);  // the text
    // Left of the text the band is plain: nothing of the first measurement box peeks out.
    {
        HDC dc = GetDC(graph_);
        const COLORREF plain = GetPixel(dc, client.right - 3, height / 2);
        int other = 0;
        for (int y = 1; y < height - 1; ++y)
            for (int x = 0; x < gs_->xLabelRect.left; ++x) other += GetPixel(dc, x, y) != plain;
        ReleaseDC(graph_, dc);
        EXPECT_EQ(other, 0) << "pixels beside the readout";
    }
    hover(2, Plot().top - 5);               // out of the plot again: the readout goes
    EXPECT_EQ(changed(before, band()), 0);
}

// Escape held during a tracking step: the sample reads end, so no point is found.
volatile uint64_t g_escTick = 1;
int g_escDown = 0;
int EscapeKey() { return g_escDown; }
const stEscapeSource kHeldEscape = {&g_escTick, EscapeKey};

TEST_F(MouseTools, EscapeHeldDuringAnXYStepLeavesTheCrossHairWhereItWas) {
    XYOfTwoChannels(IDC_TOOL_ARROW);
    auto pixelOf = [&](double x, double y) {
        return POINT{static_cast<LONG>(x * gs_->chanPixelMap[kMapXScale][1] + gs_->chanPixelMap[kMapXZero][1]),
                     static_cast<LONG>(gs_->chanPixelMap[kMapYZero][2] - y * gs_->chanPixelMap[kMapYScale][2])};
    };
    const POINT p = pixelOf(3, 2), q = pixelOf(-2, 1);
    SetSampleEscapeSource(&kHeldEscape);
    g_escDown = 0;
    Press(p.x, p.y);
    g_escDown = 1;
    ++g_escTick;  // the clock moves on, so the next read asks the key
    Move(q.x, q.y);
    int32_t lineX = 0, lineY = 0;
    GetTrackLines(&lineX, &lineY);
    EXPECT_EQ(lineX, p.x);
    EXPECT_EQ(lineY, p.y);
    g_escDown = 0;
    ++g_escTick;
    Move(q.x, q.y + 1);
    GetTrackLines(&lineX, &lineY);
    EXPECT_EQ(lineX, q.x);
    Release(q.x, q.y + 1);
    SetSampleEscapeSource(nullptr);
}

TEST_F(MouseTools, PasteValuesToJournalWritesTheReadoutLine) {
    Channels({{-5, -2, 0, 3, 6}, {-4, 1, 0, 2, 5}}, {1, 2});
    gs_->xyXChan = 1;
    gs_->selectedChan = 2;
    Mode(kModeXY);
    lstrcpyA(gs_->chanLabel[1], "Flow");
    lstrcpyA(gs_->chanUnits[1], "l/s");
    lstrcpyA(gs_->chanLabel[2], "Volume");
    lstrcpyA(gs_->chanUnits[2], "l");
    gs_->precisionDigits = 2;
    SetJournalShown(gs_, 1);
    HWND edit = GetJournalHwnd(gs_->journalWnd);
    ASSERT_TRUE(edit);
    SetWindowTextA(edit, "");
    // The last tracked point is that of the release's tracking; track to the point (3, 2).
    Tool(IDC_TOOL_ARROW);
    const POINT p{static_cast<LONG>(3 * gs_->chanPixelMap[kMapXScale][1] + gs_->chanPixelMap[kMapXZero][1]),
                  static_cast<LONG>(gs_->chanPixelMap[kMapYZero][2] - 2 * gs_->chanPixelMap[kMapYScale][2])};
    Press(p.x, p.y);
    PasteValuesToJournal(gs_);  // during tracking: the nearest recorded point
    Release(p.x, p.y);
    char text[256] = "";
    GetWindowTextA(edit, text, sizeof text);
    EXPECT_STREQ(text, "X, Flow = 3.00 l/s  Y, Volume = 2.00 l\r\n");
}

// Edit > Journal > Paste Values in Chart mode writes what the tracking there shows: the time of
// the tracked sample and the selected channel's value at it, as the measurement boxes give them;
// with nothing tracked in the graph it writes nothing, never a value that is not a number.
TEST_F(MouseTools, PasteValuesInChartModeWritesTheTrackedTimeAndValue) {
    Channels({Ramp(400, 0.5)}, {1});
    lstrcpyA(gs_->chanLabel[1], "Sine");
    lstrcpyA(gs_->chanUnits[1], "mV");
    gs_->precisionDigits = 2;
    Mode(kModeChart);
    SetJournalShown(gs_, 1);
    HWND edit = GetJournalHwnd(gs_->journalWnd);
    ASSERT_TRUE(edit);
    SetWindowTextA(edit, "");
    auto journal = [edit] {
        char text[512] = "";
        GetWindowTextA(edit, text, sizeof text);
        return std::string(text);
    };
    auto paste = [] { SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_JOURNAL_PASTE_VALUES, 0); };
    paste();
    EXPECT_EQ(journal(), "") << "nothing tracked in this graph";
    // Track to the sample at 100 ms (sample 20, value 10) and let go.
    Tool(IDC_TOOL_ARROW);
    const int x = static_cast<int>(std::lround(GraphTimeToX(gs_, 100.0)));
    const int y = (Plot().top + Plot().bottom) / 2;
    Press(x, y);
    paste();  // during the tracking
    Release(x, y);
    paste();  // after the release: the last tracked place
    const std::string line = "X, Time = 0.10 sec  Y, Sine = 10.00 mV\r\n";
    EXPECT_EQ(journal(), line + line);
    EXPECT_EQ(journal().find("NAN"), std::string::npos);
}

// ---- Cursors ----

TEST_F(MouseTools, TheCursorShowsTheToolInThePlotAndTheGripsOnTheirEdges) {
    Channels({Ramp(400, 0.0), Ramp(400, 0.0)}, {1, 2});
    gs_->waveformRegionResize = 1;
    SetJournalShown(gs_, 1);
    Mode(kModeChart);
    const HCURSOR cross = LoadCursorA(nullptr, MAKEINTRESOURCEA(32515));
    RECT bar{};
    JournalButtonBarLayout(gs_->journalWnd, &bar);
    const int gripY = gs_->chanScaleRects[1].bottom;
    const int inBand = (gs_->chanBandRects[1].top + gs_->chanBandRects[1].bottom) / 2;
    struct Case {
        int tool;
        int x, y;
        HCURSOR cursor;
    } cases[] = {
        {IDC_TOOL_ARROW, L() + 40, inBand, g_app->cursors.hcurArrow},
        {IDC_TOOL_IBEAM, L() + 40, inBand, g_app->cursors.hcurIBeam},
        {IDC_TOOL_ZOOM, L() + 40, inBand, g_app->cursors.hcurZoom},
        {IDC_TOOL_ZOOM, 2, Plot().top - 3, g_app->cursors.hcurArrow},  // outside the plot
        {IDC_TOOL_IBEAM, L() + 40, gripY, g_app->cursors.hcurDrag},    // a band boundary
        {IDC_TOOL_ARROW, 100, bar.top, g_app->cursors.hcurDrag},       // the journal's edge
    };
    for (const Case& c : cases) {
        Tool(c.tool);
        SetCursor(nullptr);
        Move(c.x, c.y, 0);
        EXPECT_EQ(GetCursor(), c.cursor) << c.tool << " at " << c.x << "," << c.y;
    }
    // XY with the I-beam: the cross.
    Tool(IDC_TOOL_IBEAM);
    gs_->xyXChan = 1;
    Mode(kModeXY);
    SetCursor(nullptr);
    Move(L() + 40, Mid(), 0);
    EXPECT_EQ(GetCursor(), cross);
}

// ---- Drags of the band boundaries and the journal's edge ----

TEST_F(MouseTools, DraggingAChartBoundaryMovesTheWeightBetweenTheTwoBands) {
    Channels({Ramp(400, 0.0), Ramp(400, 0.0)}, {1, 2});
    gs_->waveformRegionResize = 1;
    Mode(kModeChart);
    const uint32_t sum = gs_->chanViewWord[1] + gs_->chanViewWord[2];
    const int boundary = gs_->chanScaleRects[1].bottom;
    const int x = (gs_->chanScaleRects[1].left + gs_->chanScaleRects[1].right) / 2;
    const int h1 = gs_->chanBandRects[1].bottom - gs_->chanBandRects[1].top;
    Press(x, boundary);
    EXPECT_EQ(GetToolMode(), kToolModeBoundary);
    EXPECT_STREQ(GetStatusTextShown(), "Drag chart boundary to new location");
    Move(x, boundary + 40);
    Release(x, boundary + 40);
    EXPECT_EQ(GetToolMode(), kToolModeNone);
    EXPECT_TRUE(ShowsReady()) << GetStatusTextShown();
    EXPECT_GT(gs_->chanViewWord[1], gs_->chanViewWord[2]);
    EXPECT_LE(sum - (gs_->chanViewWord[1] + gs_->chanViewWord[2]), 1u);
    // The layout follows the new weights: the upper band grew by about the drag.
    EXPECT_NEAR(gs_->chanBandRects[1].bottom - gs_->chanBandRects[1].top, h1 + 40, 3);
    EXPECT_EQ(gs_->modified, 1u);

    // Without the lesson's permission to resize, the press does nothing.
    gs_->waveformRegionResize = 0;
    uint32_t w1 = gs_->chanViewWord[1];
    Press(x, gs_->chanScaleRects[1].bottom);
    Move(x, gs_->chanScaleRects[1].bottom - 30);
    Release(x, gs_->chanScaleRects[1].bottom - 30);
    EXPECT_EQ(gs_->chanViewWord[1], w1);
}

TEST_F(MouseTools, InScopeModeNoBoundaryIsThere) {
    Channels({Ramp(400, 0.0), Ramp(400, 0.0)}, {1, 2});
    gs_->waveformRegionResize = 1;
    Mode(kModeScope);
    const uint32_t w1 = gs_->chanViewWord[1];
    Tool(IDC_TOOL_ARROW);
    for (int dy = -2; dy <= 2; ++dy) {
        Press(L() + 50, Mid() + dy);
        EXPECT_NE(GetToolMode(), kToolModeBoundary);
        Release(L() + 50, Mid() + dy);
    }
    EXPECT_EQ(gs_->chanViewWord[1], w1);
}

TEST_F(MouseTools, TheJournalEdgeDragSizesTheJournalUnlessTheLessonForbidsIt) {
    Channels({Ramp(400, 0.0)}, {1});
    Mode(kModeScope);
    SetJournalShown(gs_, 1);
    Settle();
    struct Case {
        uint16_t permission;
        bool grows;
    } cases[] = {{1, true}, {0, false}};
    for (const Case& c : cases) {
        g_script.permissions[kPermSizeJournal] = c.permission;
        RECT bar{};
        JournalButtonBarLayout(gs_->journalWnd, &bar);
        const uint16_t height = gs_->journalHeight;
        Press(100, bar.top);
        EXPECT_EQ(GetToolMode(), kToolModeJournal);
        EXPECT_STREQ(GetStatusTextShown(), "Drag to resize journal size");
        Move(100, bar.top - 40);
        Release(100, bar.top - 40);
        EXPECT_EQ(GetToolMode(), kToolModeNone);
        EXPECT_EQ(gs_->journalShown, 1u);
        if (c.grows)
            EXPECT_EQ(gs_->journalHeight, bar.bottom - (bar.top - 40));
        else
            EXPECT_EQ(gs_->journalHeight, height);
        EXPECT_TRUE(ShowsReady()) << GetStatusTextShown();
    }
}

// ---- Channel buttons and the label column ----

class ChannelButtons : public MouseTools {
protected:
    void SetUp() override {
        MouseTools::SetUp();
        Channels({Ramp(400, 0.0), Ramp(400, 0.0), Ramp(400, 0.0)}, {1, 2, 4});
        SetChanButtonsShown(gs_, true);
        gs_->chanButtonRowHeight = 0;
        Mode(kModeChart);
    }
    CChannelButtonGrid* Grid() { return static_cast<CChannelButtonGrid*>(gs_->channelItems); }
    POINT ButtonCentre(int slot) {
        CChannelItem* b = Grid()->Button(Grid()->IndexOfSlot(slot));
        RECT r{};
        if (b) b->GetRect(&r);
        return POINT{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    }
    int State(int slot) { return static_cast<int>(gs_->chanFlags[slot] & 3); }
    static uint32_t UnitShownBit(int slot) {
        AcqLock acq(g_app->hAcq);
        stAcqChan* entry = GetChannelSetupEntry(acq.get(), slot);
        return entry ? (entry->flags & 4) : 0xFFu;
    }
    int BlackPixels(int slot) {
        RECT r{};
        Grid()->Button(Grid()->IndexOfSlot(slot))->GetRect(&r);
        HDC dc = GetDC(graph_);
        int n = 0;
        for (int y = r.top + 1; y < r.bottom - 1; ++y)
            for (int x = r.left + 1; x < r.right - 1; ++x) n += GetPixel(dc, x, y) == RGB(0, 0, 0);
        ReleaseDC(graph_, dc);
        return n;
    }
};

TEST_F(ChannelButtons, OneButtonPerChannelInDisplayOrderAndAClickSelects) {
    ASSERT_EQ(Grid()->GetCount(), 3);
    EXPECT_EQ(Grid()->Button(0)->GetChannel(), 1);
    EXPECT_EQ(Grid()->Button(2)->GetChannel(), 4);
    EXPECT_EQ(Grid()->Button(1)->GetColor(), gs_->chanColor[2]);
    gs_->modified = 0;
    POINT c = ButtonCentre(4);
    Press(c.x, c.y);
    Release(c.x, c.y);
    EXPECT_EQ(gs_->selectedChan, 4u);
    EXPECT_EQ(Grid()->GetSelectedIndex(), 2);
    EXPECT_EQ(gs_->modified, 1u);
    // Selecting the selected channel again changes nothing.
    gs_->modified = 0;
    Press(c.x, c.y);
    EXPECT_EQ(gs_->modified, 0u);
    // Between the buttons nothing happens.
    RECT row = ChannelButtonRowRect(gs_);
    Press(row.right - 2, (row.top + row.bottom) / 2);
    EXPECT_EQ(gs_->selectedChan, 4u);
}

TEST_F(ChannelButtons, CtrlClickHidesAndShowsAndShiftTakesTheWholeRow) {
    POINT c2 = ButtonCentre(2);
    const int blackBefore = BlackPixels(2);
    const int band1 = gs_->chanBandRects[1].bottom - gs_->chanBandRects[1].top;
    // Select 2, then hide it: the selection goes to the first channel still shown.
    Press(c2.x, c2.y);
    ASSERT_EQ(gs_->selectedChan, 2u);
    Press(c2.x, c2.y, MK_CONTROL);
    EXPECT_EQ(State(2), 1);
    EXPECT_TRUE(Grid()->Button(1)->IsHatched());
    EXPECT_EQ(gs_->selectedChan, 1u);
    EXPECT_EQ(IsChannelShown(gs_, 2), 0);
    // The layout shares the plot among the two bands left.
    EXPECT_GT(gs_->chanBandRects[1].bottom - gs_->chanBandRects[1].top, band1 + band1 / 3);
    // The hatched face is drawn: many more black pixels than the frame and number had.
    EXPECT_GT(BlackPixels(2), blackBefore + 20);

    // The unit's set-up follows: slot 2 is the second analog input.
    EXPECT_EQ(UnitShownBit(2), 0u);
    EXPECT_EQ(UnitShownBit(1), 4u);

    // Shift+Ctrl on the hidden button shows every channel.
    Press(ButtonCentre(1).x, ButtonCentre(1).y, MK_CONTROL);  // hide 1 too
    EXPECT_EQ(State(1), 1);
    Press(c2.x, c2.y, MK_CONTROL | MK_SHIFT);
    for (int s : {1, 2, 4}) EXPECT_EQ(State(s), 2) << s;
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Grid()->Button(i)->IsHatched());
    EXPECT_EQ(UnitShownBit(2), 4u);
    EXPECT_EQ(UnitShownBit(4), 4u);

    // Hiding the only shown channel keeps it selected.
    Press(ButtonCentre(1).x, ButtonCentre(1).y, MK_CONTROL | MK_SHIFT);
    for (int s : {1, 2, 4}) EXPECT_EQ(State(s), 1) << s;
    EXPECT_LT(gs_->selectedChan, 60u);
}

TEST_F(ChannelButtons, TheLibrarysSyncShowsEachChannelAsItsSetUpSays) {
    auto setUnitBits = [](std::initializer_list<std::pair<int, bool>> bits) {
        AcqLock acq(g_app->hAcq);
        for (auto [slot, shown] : bits) {
            stAcqChan* entry = GetChannelSetupEntry(acq.get(), slot);
            ASSERT_TRUE(entry) << slot;
            entry->flags = shown ? (entry->flags | 4u) : (entry->flags & ~4u);
        }
    };
    ASSERT_TRUE(DeviceBindingForTests().hostCallbacks.syncChannelDisplayFlags);
    Press(ButtonCentre(2).x, ButtonCentre(2).y);
    ASSERT_EQ(gs_->selectedChan, 2u);
    struct Case {
        bool unit1, unit2, unit4;
        int state1, state2, state4;
        int selected;  // -1: not looked at
    } cases[] = {
        {true, true, true, 2, 2, 2, 2},     // all agree: nothing toggles
        {true, false, false, 2, 1, 1, 1},   // two hidden; the selection leaves the hidden one
        {false, true, false, 1, 2, 1, -1},  // one comes back, another goes
        {true, true, true, 2, 2, 2, 1},
    };
    for (const Case& c : cases) {
        setUnitBits({{1, c.unit1}, {2, c.unit2}, {4, c.unit4}});
        // The library calls host entry 0 with the graph it compared.
        HostSyncChannelDisplayFlags(&DeviceBindingForTests().hostCallbacks, gs_);
        EXPECT_EQ(State(1), c.state1);
        EXPECT_EQ(State(2), c.state2);
        EXPECT_EQ(State(4), c.state4);
        EXPECT_EQ(Grid()->Button(1)->IsHatched(), c.state2 == 1);
        // The set-up's bits stay as the library set them.
        EXPECT_EQ(UnitShownBit(1), c.unit1 ? 4u : 0u);
        EXPECT_EQ(UnitShownBit(2), c.unit2 ? 4u : 0u);
        EXPECT_EQ(UnitShownBit(4), c.unit4 ? 4u : 0u);
        if (c.selected >= 0) {
            EXPECT_EQ(gs_->selectedChan, static_cast<uint32_t>(c.selected));
        }
    }
}

TEST_F(ChannelButtons, AColourChangeReachesTheChannelsButtonStripe) {
    POINT c = ButtonCentre(4);
    CChannelItem* b = Grid()->Button(Grid()->IndexOfSlot(4));
    RECT r{};
    b->GetRect(&r);
    const int stripeY = r.bottom - 4;
    gs_->chanColor[4] = RGB(0, 200, 0);
    RefreshChannel(gs_, 4);
    EXPECT_EQ(b->GetColor(), RGB(0, 200, 0));
    UpdateWindow(graph_);
    EXPECT_EQ(Pixel(c.x, stripeY), RGB(0, 200, 0));
    // -1 is the selected channel.
    Press(ButtonCentre(2).x, ButtonCentre(2).y);
    gs_->chanColor[2] = RGB(200, 0, 200);
    RefreshChannel(gs_, -1);
    EXPECT_EQ(Grid()->Button(Grid()->IndexOfSlot(2))->GetColor(), RGB(200, 0, 200));
}

TEST_F(ChannelButtons, AHiddenOrDisabledButtonNeverToggles) {
    CChannelItem* b = Grid()->Button(0);
    POINT c = ButtonCentre(1);
    struct Case {
        bool visible, disabled, inside;
        int result;
    } cases[] = {
        {true, false, true, 1},
        {true, false, false, 0},
        {false, false, true, 0},
        {true, true, true, 0},
    };
    for (const Case& k : cases) {
        b->SetVisible(k.visible);
        b->SetDisabled(k.disabled);
        b->SetSelected(false);
        EXPECT_EQ(b->Toggle(k.inside ? c.x : -100, c.y), k.result) << k.visible << k.disabled << k.inside;
        EXPECT_EQ(b->IsSelected(), k.result == 1);
    }
    // Toggled twice, the button is back where it was.
    b->SetVisible(true);
    b->SetDisabled(false);
    b->SetSelected(false);
    EXPECT_EQ(b->Toggle(c.x, c.y), 1);
    EXPECT_TRUE(b->IsSelected());
    EXPECT_EQ(b->Toggle(c.x, c.y), 1);
    EXPECT_FALSE(b->IsSelected());
}

TEST_F(ChannelButtons, ABoxWhoseChannelIsGoneFollowsTheSelectedChannel) {
    ASSERT_TRUE(gs_->measureGrid);
    stMeasure* box = GetMeasurementAt(gs_->measureGrid, 0);
    ASSERT_TRUE(box);
    SetMeasurementChannel(box, 4);
    RebuildChannelItems(gs_);
    EXPECT_EQ(GetMeasurementChannel(box), 4);  // still there
    gs_->chanFlags[4] = 0;                     // the channel removed
    RebuildChannelItems(gs_);
    EXPECT_EQ(GetMeasurementChannel(box), -1);
    EXPECT_EQ(Grid()->GetCount(), 2);
}

TEST_F(ChannelButtons, TheLabelColumnSelectsItsBandsChannel) {
    const RECT label = gs_->chanLabelRects[4];
    Press((label.left + label.right) / 2, (label.top + label.bottom) / 2);
    EXPECT_EQ(gs_->selectedChan, 4u);
    EXPECT_EQ(HitTestChannelArea(gs_, (label.left + label.right) / 2, (label.top + label.bottom) / 2, kAreaLabel), 4);
    const RECT band = gs_->chanBandRects[2];
    EXPECT_EQ(HitTestChannelArea(gs_, (band.left + band.right) / 2, (band.top + band.bottom) / 2, kAreaPlot), 2);
    EXPECT_EQ(HitTestChannelArea(gs_, -5, -5, kAreaPlot), -1);
    // Outside Chart mode every hit gives the selected channel.
    Mode(kModeScope);
    EXPECT_EQ(HitTestChannelArea(gs_, L() + 5, Mid(), kAreaPlot), 4);
}

// What the channel menu showed when it opened; the menu is closed at once.
struct MenuSeen {
    int opened = 0;
    std::vector<std::string> texts;
    std::vector<UINT> states;
} g_menuSeen;
WNDPROC g_directorProc = nullptr;
LRESULT CALLBACK SpyDirector(HWND h, UINT m, WPARAM w, LPARAM l) {
    if (m == WM_INITMENUPOPUP) {
        auto menu = reinterpret_cast<HMENU>(w);
        ++g_menuSeen.opened;
        for (int i = 0; i < GetMenuItemCount(menu); ++i) {
            char text[64] = "";
            GetMenuStringA(menu, static_cast<UINT>(i), text, sizeof text, MF_BYPOSITION);
            g_menuSeen.texts.push_back(text);
            g_menuSeen.states.push_back(GetMenuState(menu, static_cast<UINT>(i), MF_BYPOSITION));
        }
        EndMenu();
    }
    return CallWindowProcA(g_directorProc, h, m, w, l);
}

TEST_F(MouseTools, TheXYLabelOpensTheChannelMenuAndTheDirectorSelectsItsChoice) {
    Channels({Ramp(50, 1.0), Ramp(50, 2.0), Ramp(50, 3.0), Ramp(50, 4.0)}, {1, 2, 3, 5});
    gs_->xyXChan = 1;
    gs_->selectedChan = 3;
    Mode(kModeXY);
    gs_->chanFlags[5] = 1;  // present but hidden: greyed
    lstrcpyA(gs_->chanLabel[2], "Pressure");
    ASSERT_EQ(gs_->selectedChan, 3u);
    HWND director = GetGraphWindowData(graph_)->hwndFocus;
    g_menuSeen = MenuSeen{};
    g_directorProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(director, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(SpyDirector)));
    const RECT label = gs_->chanLabelRects[0];
    Press((label.left + label.right) / 2, Mid());
    Release((label.left + label.right) / 2, Mid());
    // The X title opens the horizontal list.
    Press((gs_->xLabelRect.left + gs_->xLabelRect.right) / 2, (gs_->xLabelRect.top + gs_->xLabelRect.bottom) / 2);
    PumpMessages();
    SetWindowLongPtrA(director, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_directorProc));
    ASSERT_EQ(g_menuSeen.opened, 2);
    ASSERT_EQ(g_menuSeen.texts.size(), 8u);
    EXPECT_EQ(g_menuSeen.texts[1], "Ch2, Pressure");
    EXPECT_EQ(g_menuSeen.texts[3], "Ch5, " + std::string(gs_->chanLabel[5]));
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ((g_menuSeen.states[i] & MF_CHECKED) != 0, i == 2) << i;  // slot 3 is the Y channel
        EXPECT_EQ((g_menuSeen.states[i] & MF_GRAYED) != 0, i == 3) << i;
        EXPECT_EQ((g_menuSeen.states[4 + i] & MF_CHECKED) != 0, i == 0) << i;  // slot 1 is the X channel
    }
    // A choice reaches the director as the item's command.
    SendMessageA(director, WM_COMMAND, IDM_SELECT_CHANNEL_FIRST + 2, 0);
    EXPECT_EQ(gs_->selectedChan, 2u);
    SendMessageA(director, WM_COMMAND, IDM_X_CHANNEL_FIRST + 3, 0);
    EXPECT_EQ(gs_->xyXChan, 3u);
}

}  // namespace
