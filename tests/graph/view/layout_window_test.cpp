// Layout, display modes and scrolling through the running program: the first graph window is
// resized, switched and scrolled with the messages a user's actions send.
#include <gtest/gtest.h>
#include <cmath>
#include <cstring>
#include <vector>
#include "graph/window/graph_window.h"
#include "tests/shell/shell_fixture.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/graph_ids.h"
#include "graph/document/graph_doc.h"
#include "graph/view/layout.h"
#include "graph/view/display_modes.h"
#include "scripts/script_api.h"
#include "button/lumikey.h"
#include "controls/button_grid.h"
#include "devlib/resource.h"
#include "outputs/framework/panel.h"

namespace {

int g_refreshes = 0;
std::vector<tagGS*> g_resized;

int32_t WINAPI FakeRefreshInputValues(HGLOBAL, int32_t) {
    ++g_refreshes;
    return 1;
}
int32_t WINAPI FakeResized(HGLOBAL, tagGS* gs) {
    g_resized.push_back(gs);
    return 1;
}

void* NewBlock(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    return h ? GlobalLock(h) : nullptr;
}

class GraphViewTest : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        saved_ = DeviceBindingForTests().driverOps;
        DeviceBindingForTests().driverOps.refreshInputValues = FakeRefreshInputValues;
        DeviceBindingForTests().driverOps.onGraphResized = FakeResized;
        g_refreshes = 0;
        g_resized.clear();
        graph_ = g_app->hwndActiveGraph;
        ASSERT_TRUE(graph_);
        gs_ = GetWindowGraph(graph_);
        ASSERT_TRUE(gs_);
        SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(graph_), 0);
        ClearKeys();
    }
    void TearDown() override {
        ClearKeys();
        ResetScriptPermissions();
        DeviceBindingForTests().driverOps = saved_;
        ShutShell();
    }

    void Resize(int w, int h) {
        MoveWindow(graph_, 0, 0, w, h, TRUE);
        GetClientRect(graph_, &client_);
    }
    // Makes the layout run again at the window's present size.
    void Relayout() { SendMessageA(graph_, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client_.right, client_.bottom)); }
    RECT ChildRect(HWND child) const {
        RECT rc{};
        GetWindowRect(child, &rc);
        MapWindowPoints(nullptr, graph_, reinterpret_cast<POINT*>(&rc), 2);
        return rc;
    }
    static void ClearKeys() {
        BYTE keys[256] = {};
        SetKeyboardState(keys);
    }
    static void HoldKeys(std::initializer_list<int> vks) {
        BYTE keys[256] = {};
        for (int vk : vks) keys[vk] = 0x80;
        SetKeyboardState(keys);
    }
    void ValueChannel(int slot, const std::vector<double>& values) {
        auto* p = static_cast<double*>(NewBlock(values.size() * 8 + 8));
        ASSERT_TRUE(p);
        if (!values.empty()) std::memcpy(p, values.data(), values.size() * 8);
        gs_->chanBlock[slot] = p;
        gs_->chanFlags[slot] = 2;
        gs_->chanType[slot] = 1;
        gs_->chanBytes[slot] = 8;
        gs_->chanCount[slot] = static_cast<uint32_t>(values.size());
    }
    // A record of count samples of 5 ms in slot 0, with a view of 1,000 ms.
    void TimeView(uint32_t count, double hStart = 0.0) {
        gs_->chanFlags[0] = 2;
        gs_->chanCount[0] = count;
        gs_->sampleInterval = 5.0;
        gs_->hPerDiv = 250.0;
        gs_->hDivisions = 4.0;
        gs_->hStart = hStart;
        UpdateGraphLength(gs_);
    }
    static bool BarEnabled(HWND bar) {
        SCROLLBARINFO info{};
        info.cbSize = sizeof info;
        if (!GetScrollBarInfo(bar, OBJID_CLIENT, &info)) return IsWindowEnabled(bar) != FALSE;
        return !(info.rgstate[0] & STATE_SYSTEM_UNAVAILABLE) && IsWindowEnabled(bar);
    }
    LRESULT Command(int id) { return SendMessageA(graph_, WM_COMMAND, MAKEWPARAM(id, 0), 0); }
    LRESULT Scroll(UINT msg, int code) {
        HWND bar = msg == WM_HSCROLL ? gs_->hScrollBar : gs_->vScrollBar;
        return SendMessageA(graph_, msg, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(bar));
    }
    int PlotWidth() const { return gs_->plotRect.right - gs_->plotRect.left; }

    stDriverOps saved_{};
    HWND graph_ = nullptr;
    tagGS* gs_ = nullptr;
    RECT client_{};
};

using LayoutWindow = GraphViewTest;
using DisplayModesWindow = GraphViewTest;

TEST_F(LayoutWindow, ResizePlacesThePlotStripsAndControls) {
    const int cxV = GetSystemMetrics(SM_CXVSCROLL), cyH = GetSystemMetrics(SM_CYHSCROLL);
    const int status = static_cast<int16_t>(g_app->strips.cxStatusStrip);
    struct Size {
        int w, h;
    } sizes[] = {{700, 520}, {820, 610}, {760, 700}};
    for (const Size& s : sizes) {
        g_resized.clear();
        Resize(s.w, s.h);
        const int cw = client_.right, ch = client_.bottom;
        ASSERT_GT(cw, 0);
        const RECT& plot = gs_->plotRect;
        const int scale = g_app->strips.cxScaleStrip;
        EXPECT_GE(scale + cxV, 83);
        EXPECT_EQ(g_app->strips.cyAxisStrip, 2 * g_app->strips.cyAxisLine);
        EXPECT_EQ(plot.left, 1 + g_app->fonts.cyVertical) << s.w;
        EXPECT_EQ(plot.top, gs_->markerBarRect.bottom) << s.w;
        EXPECT_EQ(plot.right, cw - (scale + cxV)) << s.w;
        EXPECT_EQ(plot.bottom, ch - (g_app->strips.cyAxisStrip + cyH)) << s.w;

        RECT h = ChildRect(gs_->hScrollBar);
        EXPECT_EQ(h.left, -1);
        EXPECT_EQ(h.top, ch + 1 - cyH);
        EXPECT_EQ(h.right, cw + 1 - status);
        EXPECT_EQ(h.bottom, ch + 1);
        EXPECT_EQ(gs_->statusBoxRect.left, cw + 1 - status);
        RECT v = ChildRect(gs_->vScrollBar);
        EXPECT_EQ(v.left, cw + 1 - cxV);
        EXPECT_EQ(v.top, plot.top);
        EXPECT_EQ(v.bottom, plot.bottom);
        const int tw = (scale + 1 + cxV) / 3;
        for (int i = 0; i < 3; ++i) {
            RECT t = ChildRect(gs_->toolButtons[i]);
            EXPECT_EQ(t.left, cw + 1 - 3 * tw + i * tw) << i;
            EXPECT_EQ(t.right - t.left, tw) << i;
            EXPECT_EQ(t.bottom, h.top) << i;  // down to the scroll bar, not over its top row
            EXPECT_TRUE(IsWindowVisible(gs_->toolButtons[i])) << i;
        }
        // Derived rectangles around the plot.
        // A new graph is in Chart mode, whose bands start one pixel lower.
        ASSERT_EQ(gs_->displayMode, kModeChart);
        EXPECT_EQ(gs_->hAxisRect.top, plot.bottom + 2);
        EXPECT_EQ(gs_->hAxisRect.right, plot.right);
        EXPECT_EQ(gs_->hUnitsRect.top, gs_->hAxisRect.bottom - 1);
        EXPECT_EQ(gs_->hUnitsRect.bottom, plot.bottom - 1 + g_app->strips.cyAxisStrip);
        EXPECT_EQ(gs_->xLabelRect.bottom, plot.top);
        EXPECT_EQ(gs_->chanBandRects[0].top, plot.top + 1);
        EXPECT_EQ(gs_->chanScaleRects[0].left, plot.right + 1);
        // The device library hears of the new layout.
        ASSERT_FALSE(g_resized.empty());
        EXPECT_EQ(g_resized.back(), gs_);
    }
}

TEST_F(LayoutWindow, ScaleOptionsMoveThePlotEdgesAndHideTheTools) {
    const int cxV = GetSystemMetrics(SM_CXVSCROLL), cyH = GetSystemMetrics(SM_CYHSCROLL);
    Resize(760, 560);
    const int measured = g_app->strips.cxScaleStrip;
    const int tw = (measured + 1 + cxV) / 3;
    struct Case {
        uint32_t vScale, hScale;
    } cases[] = {{0, 1}, {1, 0}, {0, 0}, {1, 1}};
    for (const Case& c : cases) {
        SetVScaleShown(gs_, c.vScale);
        SetHScaleShown(gs_, c.hScale);
        Relayout();
        const RECT& plot = gs_->plotRect;
        EXPECT_EQ(g_app->strips.cxScaleStrip, c.vScale ? measured : 0);
        EXPECT_EQ(plot.right, client_.right - ((c.vScale ? measured : 0) + cxV)) << c.vScale;
        EXPECT_EQ(plot.bottom, client_.bottom - ((c.hScale ? 2 * g_app->strips.cyAxisLine : 1) + cyH)) << c.hScale;
        // Without the vertical scale the axis strip ends before the three tools.
        EXPECT_EQ(gs_->hAxisRect.right, c.vScale ? plot.right : client_.right - 3 * tw - 8);
        for (HWND tool : gs_->toolButtons) EXPECT_EQ(IsWindowVisible(tool) != FALSE, c.hScale != 0);
    }
    // The tool buttons stand on the scroll bar and the Start button without covering a row of them.
    HWND start = GetDlgItem(graph_, IDC_START_BUTTON);
    ASSERT_TRUE(start);
    const RECT bar = ChildRect(gs_->hScrollBar), startRect = ChildRect(start);
    for (HWND tool : gs_->toolButtons) {
        const RECT t = ChildRect(tool);
        RECT common{};
        EXPECT_FALSE(IntersectRect(&common, &t, &bar)) << t.bottom << " " << bar.top;
        EXPECT_FALSE(IntersectRect(&common, &t, &startRect)) << t.bottom << " " << startRect.top;
        EXPECT_EQ(t.bottom, bar.top);
    }
}

TEST_F(LayoutWindow, MinimisedWindowKeepsItsRectangles) {
    Resize(700, 520);
    const RECT plot = gs_->plotRect, band = gs_->chanBandRects[0], axis = gs_->hAxisRect;
    ShowWindow(graph_, SW_MINIMIZE);
    RECT rc{};
    GetClientRect(graph_, &rc);
    ASSERT_TRUE(IsRectEmpty(&rc));
    LayoutGraphWindow(gs_);
    EXPECT_TRUE(EqualRect(&gs_->plotRect, &plot));
    EXPECT_TRUE(EqualRect(&gs_->chanBandRects[0], &band));
    EXPECT_TRUE(EqualRect(&gs_->hAxisRect, &axis));
    ShowWindow(graph_, SW_RESTORE);
}

// A window that counts the IDCANCEL commands it is sent (a stand-in for the Find dialog).
int g_findCancels = 0;
LRESULT CALLBACK FindStandInProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND && LOWORD(wParam) == IDCANCEL) ++g_findCancels;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

TEST_F(LayoutWindow, MarkerBarControlsFollowTheBarAndHidingItClosesFind) {
    HWND controls[3];
    for (HWND& c : controls) {
        c = CreateWindowExA(0, "static", "", WS_CHILD | WS_VISIBLE, 0, 0, 5, 5, graph_, nullptr, nullptr, nullptr);
        ASSERT_TRUE(c);
    }
    gs_->segPrevButton = controls[0];
    gs_->segNextButton = controls[1];
    gs_->markerLabelEdit = controls[2];
    WNDCLASSA wc{};
    wc.lpfnWndProc = FindStandInProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LayoutFindStandIn";
    RegisterClassA(&wc);
    HWND find = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr, nullptr, nullptr);
    ASSERT_TRUE(find);
    g_app->find.hwnd = find;
    g_findCancels = 0;

    gs_->markerBarShown = 1;
    gs_->markerBarHeight = 40;
    Resize(760, 560);
    const RECT bar = gs_->markerBarRect;
    EXPECT_EQ(bar.bottom - bar.top, 40);
    EXPECT_EQ(gs_->plotRect.top, bar.bottom);
    const RECT search = gs_->markerSearchRect;
    const int b = search.right - search.left;
    EXPECT_GT(b, 0);
    EXPECT_LE(b, 21);
    EXPECT_EQ(search.top, bar.top + 10);
    RECT next = ChildRect(controls[1]), previous = ChildRect(controls[0]), edit = ChildRect(controls[2]);
    EXPECT_EQ(next.left, search.left - (b + 1));
    EXPECT_EQ(previous.left, search.left - (2 * b + 2));
    EXPECT_EQ(next.bottom - next.top, 22);
    EXPECT_EQ(edit.left, gs_->plotRect.left + 1);
    EXPECT_EQ(edit.top, bar.top + 11);
    EXPECT_EQ(edit.right - edit.left, gs_->plotRect.right - gs_->plotRect.left - 2);
    for (HWND c : controls) EXPECT_TRUE(IsWindowVisible(c));
    // No marker yet: the label box is disabled.
    EXPECT_FALSE(IsWindowEnabled(controls[2]));
    EXPECT_EQ(g_findCancels, 0);

    gs_->markerBarShown = 0;
    Relayout();
    for (HWND c : controls) EXPECT_FALSE(IsWindowVisible(c));
    EXPECT_EQ(g_findCancels, 1);
    EXPECT_EQ(gs_->markerBarRect.bottom, gs_->markerBarRect.top);
    EXPECT_EQ(gs_->plotRect.top, gs_->markerBarRect.top);

    gs_->markerBarShown = 1;
    Relayout();
    for (HWND c : controls) EXPECT_TRUE(IsWindowVisible(c));
    EXPECT_EQ(gs_->plotRect.top, bar.bottom);

    g_app->find.hwnd = nullptr;
    DestroyWindow(find);
    gs_->segPrevButton = gs_->segNextButton = gs_->markerLabelEdit = nullptr;
    for (HWND c : controls) DestroyWindow(c);
}

TEST_F(LayoutWindow, AnOutputPanelKeepsTheTopAndTheGraphTakesItBackWhenItIsHidden) {
    Resize(900, 560);
    gs_->measureRowHeight = 30;
    gs_->measureShown = 1;
    SetChanButtonsShown(gs_, 1);
    Relayout();
    const RECT bare = gs_->plotRect;
    auto* grid = static_cast<CButtonGrid*>(gs_->channelItems);
    ASSERT_TRUE(grid);
    RECT gridBare{};
    grid->GetRect(&gridBare);
    // The channel panel, the voltage panel and the RJ72C stimulator panel, chosen from the frame menu.
    for (int type : {0, 3, 6}) {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_OUTPUT_FIRST + type, 0), 0);
        COutCtlView* panel = FindActiveOutputPanel(gs_);
        ASSERT_TRUE(panel && panel->Window()) << type;
        const RECT p = ChildRect(panel->Window());
        const int height = p.bottom - p.top;
        ASSERT_GT(height, 0) << type;
        EXPECT_EQ(p.top, 0) << type;
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &p, &gs_->plotRect)) << type;
        EXPECT_EQ(gs_->plotRect.top, bare.top + height) << type;
        EXPECT_EQ(gs_->plotRect.bottom, bare.bottom) << type;
        RECT gr{};
        grid->GetRect(&gr);
        EXPECT_EQ(gr.top, gridBare.top + height) << type;
        EXPECT_GE(gs_->markerBarRect.top, p.bottom) << type;

        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_OUTPUT_FIRST + type, 0), 0);  // again: hidden
        EXPECT_EQ(FindActiveOutputPanel(gs_), nullptr) << type;
        EXPECT_EQ(gs_->plotRect.top, bare.top) << type;
        grid->GetRect(&gr);
        EXPECT_EQ(gr.top, gridBare.top) << type;
    }
}

TEST_F(LayoutWindow, ChannelButtonRowSitsUnderTheMeasurementRow) {
    auto* grid = static_cast<CButtonGrid*>(gs_->channelItems);
    ASSERT_TRUE(grid);
    Resize(760, 560);
    const int row = g_app->fonts.cyText + 12;  // one row of cells with a spacing above and below
    EXPECT_EQ(gs_->chanButtonRowHeight, row);
    // The measurement row is as high as its boxes with their margins.
    const int m = gs_->measureRowHeight;
    ASSERT_GT(m, row);
    struct Case {
        uint32_t measure, buttons;
        int gridTop, barTop;
    } cases[] = {{1, 1, m, m + row}, {1, 0, m, m}, {0, 1, 0, row}, {0, 0, 0, 0}};
    for (const Case& c : cases) {
        gs_->measureShown = c.measure;
        SetChanButtonsShown(gs_, c.buttons);
        Relayout();
        RECT rc{};
        grid->GetRect(&rc);
        EXPECT_EQ(rc.left, 3) << c.measure << c.buttons;
        EXPECT_EQ(rc.top, c.gridTop) << c.measure << c.buttons;
        EXPECT_EQ(gs_->markerBarRect.top, c.barTop) << c.measure << c.buttons;
    }
}

TEST_F(LayoutWindow, ChartBandsSplitTheResizedPlotAndMapTheirValues) {
    gs_->chanFlags[0] = gs_->chanFlags[1] = 2;
    gs_->chanViewWord[0] = gs_->chanViewWord[1] = 1092;
    gs_->chanVCenter[1] = 3.0;
    SetDisplayMode(gs_, kModeChart);
    for (int height : {520, 640}) {
        Resize(700, height);
        const RECT& plot = gs_->plotRect;
        const RECT& b0 = gs_->chanBandRects[0];
        const RECT& b1 = gs_->chanBandRects[1];
        EXPECT_EQ(b0.top, plot.top + 1) << height;
        EXPECT_EQ(b1.bottom, plot.bottom - 1) << height;
        EXPECT_EQ(b1.top, b0.bottom + 2) << height;
        EXPECT_LE(std::abs((b0.bottom - b0.top) - (b1.bottom - b1.top)), 1) << height;
        for (int s : {0, 1}) {
            const RECT& strip = gs_->chanScaleRects[s];
            int h = strip.bottom - strip.top;
            double yScale = gs_->chanPixelMap[kMapYScale][s];
            EXPECT_DOUBLE_EQ(yScale, h / (gs_->chanVPerDiv[s] * gs_->chanVDivisions[s])) << s;
            // The midpoint value lands on the strip's middle row.
            double row = gs_->chanPixelMap[kMapYZero][s] - gs_->chanVCenter[s] * yScale;
            EXPECT_DOUBLE_EQ(row, strip.bottom - h / 2) << s;
        }
    }
    // Equal chart heights.
    gs_->chanViewWord[0] = 1000;
    gs_->chanViewWord[1] = 3001;
    ResetChartDisplay(gs_);
    EXPECT_EQ(gs_->chanViewWord[0], 2000u);
    EXPECT_EQ(gs_->chanViewWord[1], 2000u);
}

TEST_F(DisplayModesWindow, SwitchingModesPicksChannelsFacesAndRows) {
    HWND ibeam = gs_->toolButtons[1];
    ASSERT_TRUE(ibeam);
    gs_->chanFlags[3] = gs_->chanFlags[7] = 2;
    gs_->selectedChan = static_cast<uint32_t>(-1);
    gs_->xyXChan = 1;  // not shown
    gs_->modified = 0;
    Resize(700, 520);
    const int scopeTop = gs_->plotRect.top;

    SetDisplayMode(gs_, kModeXY);
    EXPECT_EQ(gs_->displayMode, kModeXY);
    EXPECT_EQ(gs_->selectedChan, 3u);
    EXPECT_EQ(gs_->xyXChan, 3u);
    EXPECT_EQ(gs_->cursorShown, 2u);
    EXPECT_EQ(gs_->modified, 1u);
    EXPECT_EQ(SendMessageA(ibeam, LKM_GETENABLEBITMAP, 0, 0), reinterpret_cast<LRESULT>(g_app->bitmaps.hbmButtons[2]));
    EXPECT_EQ(SendMessageA(ibeam, LKM_GETDISABLEBITMAP, 0, 0), reinterpret_cast<LRESULT>(g_app->bitmaps.hbmButtons[6]));
    // XY: a one-line measurement row and the X title above the plot, no marker bar.
    EXPECT_EQ(gs_->plotRect.top, (g_app->fonts.cyText + 5) + (g_app->fonts.cyText + 1));
    EXPECT_EQ(gs_->markerBarRect.bottom, gs_->markerBarRect.top);
    // The X channel's horizontal thumb runs from -1000: its midpoint at the reference is 0.
    int lo = 0, hi = 0;
    GetScrollRange(gs_->hScrollBar, SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, -1000);
    EXPECT_EQ(hi, 1000);
    EXPECT_EQ(GetScrollPos(gs_->hScrollBar, SB_CTL), 0);

    gs_->currentTool = IDC_TOOL_IBEAM;
    SetDisplayMode(gs_, kModeScope);
    EXPECT_EQ(gs_->cursorShown, 0u);
    EXPECT_EQ(SendMessageA(ibeam, LKM_GETENABLEBITMAP, 0, 0), reinterpret_cast<LRESULT>(g_app->bitmaps.hbmButtons[1]));
    EXPECT_EQ(SendMessageA(ibeam, LKM_GETDISABLEBITMAP, 0, 0), reinterpret_cast<LRESULT>(g_app->bitmaps.hbmButtons[5]));
    EXPECT_EQ(gs_->plotRect.top, scopeTop);
    EXPECT_EQ(gs_->selectedChan, 3u);
    GetScrollRange(gs_->hScrollBar, SB_CTL, &lo, &hi);
    EXPECT_EQ(lo, 0);  // time again
    EXPECT_EQ(hi, 1000);

    // Modes that do not exist change nothing.
    SetDisplayMode(gs_, 3);
    SetDisplayMode(gs_, -1);
    EXPECT_EQ(gs_->displayMode, kModeScope);
}

TEST_F(DisplayModesWindow, XYWithoutShownChannelsKeepsNoneAndDisablesTheVerticalBar) {
    for (uint32_t& f : gs_->chanFlags) f = 0;
    gs_->chanFlags[4] = 1;  // present but hidden
    gs_->selectedChan = static_cast<uint32_t>(-1);
    gs_->xyXChan = static_cast<uint32_t>(-1);
    SetDisplayMode(gs_, kModeXY);
    EXPECT_EQ(gs_->selectedChan, static_cast<uint32_t>(-1));
    EXPECT_EQ(gs_->xyXChan, static_cast<uint32_t>(-1));
    EXPECT_FALSE(BarEnabled(gs_->vScrollBar));
    // Nothing to scroll: the thumbs report 0 and no midpoint moves.
    EXPECT_EQ(ScrollChannelValue(gs_, 0), 0);
    EXPECT_EQ(ScrollXChannelValue(gs_, 0), 0);
}

TEST_F(DisplayModesWindow, XYHorizontalScrollMovesTheXChannel) {
    Resize(700, 520);
    for (uint32_t& f : gs_->chanFlags) f = 0;
    ValueChannel(3, {1.0, 2.0});
    ValueChannel(5, {4.0, 5.0});
    gs_->selectedChan = 5;
    gs_->xyXChan = 3;
    gs_->chanVPerDiv[3] = 2.0;
    gs_->chanVDivisions[3] = 4.0;  // span 8
    gs_->chanVCenter[3] = gs_->chanVCenterRef[3] = 10.0;
    SetDisplayMode(gs_, kModeXY);
    ASSERT_EQ(gs_->xyXChan, 3u);
    const double pixel = 8.0 / PlotWidth();
    struct Step {
        int code;
        double center;
    } steps[] = {{SB_LINEDOWN, 10.0 + pixel},
                 {SB_PAGEDOWN, 10.0 + 11 * pixel},
                 {SB_LINEUP, 10.0 + 10 * pixel},
                 {SB_PAGEUP, 10.0}};
    for (const Step& s : steps) {
        Scroll(WM_HSCROLL, s.code);
        EXPECT_NEAR(gs_->chanVCenter[3], s.center, 1e-9) << s.code;
        EXPECT_EQ(GetScrollPos(gs_->hScrollBar, SB_CTL), XValueThumb(gs_->chanVCenter[3], 10.0, 8.0)) << s.code;
    }
    EXPECT_DOUBLE_EQ(gs_->hStart, 0.0);  // the time view stays
    // The X channel's thumb reaches both ends of its -1000..1000 range.
    gs_->chanVCenter[3] = 18.0;
    Scroll(WM_HSCROLL, SB_LINEDOWN);
    EXPECT_EQ(GetScrollPos(gs_->hScrollBar, SB_CTL), 1000);
    gs_->chanVCenter[3] = 2.0;
    Scroll(WM_HSCROLL, SB_LINEUP);
    EXPECT_EQ(GetScrollPos(gs_->hScrollBar, SB_CTL), -1000);
}

TEST_F(DisplayModesWindow, HorizontalBarFollowsTheRecordLength) {
    Resize(700, 520);
    struct Case {
        const char* name;
        uint32_t count;
        double hStart;
        bool enabled;
        int thumb;  // -1: not checked
    } cases[] = {
        {"shorter than the view", 100, 0.0, false, -1},   {"exactly the view", 200, 0.0, false, -1},
        {"longer, at the start", 1000, 0.0, true, 0},     {"longer, half way", 1000, 2000.0, true, 500},
        {"longer, at the end", 1000, 4000.0, true, 1000},
    };
    for (const Case& c : cases) {
        gs_->chanFlags[9] = 0;
        gs_->chanCount[9] = 50000;  // a free slot's count takes no part
        TimeView(c.count, c.hStart);
        EXPECT_EQ(gs_->totalSamples, static_cast<int32_t>(c.count)) << c.name;
        EXPECT_EQ(BarEnabled(gs_->hScrollBar), c.enabled) << c.name;
        if (c.thumb >= 0) {
            EXPECT_EQ(GetScrollPos(gs_->hScrollBar, SB_CTL), c.thumb) << c.name;
        }
    }
    // The vertical bar needs a selected channel with samples.
    gs_->selectedChan = 0;
    UpdateHScrollBar(gs_);
    EXPECT_TRUE(BarEnabled(gs_->vScrollBar));
    gs_->chanCount[0] = 0;
    UpdateHScrollBar(gs_);
    EXPECT_FALSE(BarEnabled(gs_->vScrollBar));
}

TEST_F(DisplayModesWindow, ScrollMessagesMoveTheTimeViewAndStopAtTheEnds) {
    Resize(700, 520);
    TimeView(1000);  // 5,000 ms recorded, 1,000 visible: 4,000 to scroll
    const int w = PlotWidth();
    ASSERT_GT(w, 100);
    const double perPixel = 1000.0 / w;
    const double line = (w / 50) * perPixel, page = (w / 4) * perPixel;
    g_pagingPolicy = 1;
    struct Step {
        int code;
        double hStart;
    } steps[] = {
        {SB_LINEDOWN, line}, {SB_PAGEDOWN, line + page}, {SB_LINEUP, page},
        {SB_PAGEUP, 0.0},    {SB_LINEUP, 0.0},  // at the start: nothing moves
    };
    for (const Step& s : steps) {
        Scroll(WM_HSCROLL, s.code);
        EXPECT_NEAR(gs_->hStart, s.hStart, 1e-9) << s.code;
        EXPECT_EQ(GetScrollPos(gs_->hScrollBar, SB_CTL), static_cast<int>(gs_->hStart / 4000.0 * 1000)) << s.code;
        EXPECT_EQ(g_pagingPolicy, 1u);
    }
    for (int i = 0; i < 40; ++i) Scroll(WM_HSCROLL, SB_PAGEDOWN);
    EXPECT_LE(gs_->hStart, 4000.0);
    EXPECT_GT(gs_->hStart, 4000.0 - perPixel);
    EXPECT_GE(GetScrollPos(gs_->hScrollBar, SB_CTL), 999);
    const double end = gs_->hStart;
    Scroll(WM_HSCROLL, SB_LINEDOWN);
    EXPECT_DOUBLE_EQ(gs_->hStart, end);
    // The direct steps report what they moved.
    EXPECT_EQ(ScrollTimeRight(gs_, 10), 0);
    gs_->hStart = 3.5 * perPixel;  // three whole pixels' worth and a half
    EXPECT_EQ(ScrollTimeLeft(gs_, 10), 3);
    EXPECT_EQ(gs_->hStart, 0.0);
    EXPECT_EQ(ScrollTimeLeft(gs_, 10), 0);
}

TEST_F(DisplayModesWindow, ScrollingMovesThePixelsAndRedrawsTheSelectionBand) {
    Resize(700, 520);
    for (uint32_t& f : gs_->chanFlags) f = 0;  // nothing drawn in the new strip but its white
    TimeView(1000);
    gs_->chanFlags[0] = 1;
    gs_->cursorShown = kCursorOff;
    const RECT plot = gs_->plotRect;
    const double perPixel = 1000.0 / (plot.right - plot.left);
    gs_->hStart = 50 * perPixel;
    UpdateWindow(graph_);
    HDC dc = GetDC(graph_);
    ASSERT_TRUE(dc);
    PatBlt(dc, plot.left, plot.top, plot.right - plot.left, plot.bottom - plot.top, WHITENESS);
    // A mark inside the plot and a selection band to travel with the view.
    const int y = (plot.top + plot.bottom) / 2;
    const int mark = plot.left + 300;
    SetPixel(dc, mark, y, RGB(255, 0, 0));
    gs_->selStart = 10.0;
    gs_->selEnd = 20.0;
    gs_->selX1 = plot.left + 100;
    gs_->selX2 = plot.left + 160;
    InvertSelectionBand(dc, gs_);
    ASSERT_EQ(GetPixel(dc, plot.left + 120, y), RGB(0, 0, 0));

    EXPECT_EQ(ScrollTimeLeft(gs_, 10), 10);
    EXPECT_NEAR(gs_->hStart, 40 * perPixel, 1e-9);
    EXPECT_EQ(gs_->selX1, plot.left + 110);
    EXPECT_EQ(gs_->selX2, plot.left + 170);
    struct Pixel {
        int x;
        COLORREF color;
    } pixels[] = {
        {mark + 10, RGB(255, 0, 0)},                                                 // moved right with the contents
        {mark, RGB(255, 255, 255)},          {plot.left + 105, RGB(255, 255, 255)},  // the band left its old columns...
        {plot.left + 165, RGB(0, 0, 0)},                                             // ...for the new ones
        {plot.left + 115, RGB(0, 0, 0)},     {plot.left + 175, RGB(255, 255, 255)},
        {plot.left + 3, RGB(255, 255, 255)},  // the uncovered strip, drawn afresh
    };
    for (const Pixel& p : pixels) EXPECT_EQ(GetPixel(dc, p.x, y), p.color) << p.x - plot.left;
    // And back the other way.
    EXPECT_EQ(ScrollTimeRight(gs_, 10), 10);
    EXPECT_EQ(GetPixel(dc, mark, y), RGB(255, 0, 0));
    EXPECT_EQ(GetPixel(dc, plot.left + 105, y), RGB(0, 0, 0));
    ReleaseDC(graph_, dc);
}

TEST_F(DisplayModesWindow, VerticalScrollMovesTheSelectedChannelsMidpoint) {
    Resize(700, 520);
    const int slot = 1;
    gs_->selectedChan = slot;
    ValueChannel(slot, {1.0, 2.0});
    gs_->chanVPerDiv[slot] = 5.0;
    gs_->chanVDivisions[slot] = 4.0;  // span 20
    gs_->chanVCenter[slot] = gs_->chanVCenterRef[slot] = 0.0;
    UpdateGraphScrollBars(gs_);
    const RECT& band = gs_->chanBandRects[slot];
    const double pixel = 20.0 / (band.bottom - band.top);
    struct Step {
        int code;
        double center;
    } steps[] = {
        {SB_LINEUP, pixel},
        {SB_PAGEUP, 11 * pixel},
        {SB_LINEDOWN, 10 * pixel},
        {SB_PAGEDOWN, 0.0},
    };
    for (const Step& s : steps) {
        g_refreshes = 0;
        Scroll(WM_VSCROLL, s.code);
        EXPECT_NEAR(gs_->chanVCenter[slot], s.center, 1e-9) << s.code;
        EXPECT_EQ(GetScrollPos(gs_->vScrollBar, SB_CTL), ValueThumb(gs_->chanVCenter[slot], 0.0, 20.0)) << s.code;
        EXPECT_EQ(g_refreshes, 1) << s.code;
    }
    // At the top of the range the thumb stands at -1000; at the bottom at 1000.
    gs_->chanVCenter[slot] = 20.0;
    Scroll(WM_VSCROLL, SB_LINEUP);
    EXPECT_EQ(GetScrollPos(gs_->vScrollBar, SB_CTL), -1000);
    gs_->chanVCenter[slot] = -20.0;
    Scroll(WM_VSCROLL, SB_LINEDOWN);
    EXPECT_EQ(GetScrollPos(gs_->vScrollBar, SB_CTL), 1000);
}

TEST_F(DisplayModesWindow, ArrowKeysStepTheCursorAndNarrowTheSelection) {
    Resize(700, 520);
    // A plot of 500 columns from column 100 showing 1,000 ms from 0: 2 ms a column, 5 ms a sample.
    gs_->sampleInterval = 5.0;
    gs_->hStart = 0.0;
    gs_->hPerDiv = 250.0;
    gs_->hDivisions = 4.0;
    gs_->plotRect = {100, 50, 600, 350};
    struct Case {
        const char* name;
        std::initializer_list<int> keys;
        int id;
        double start, end;
        double newStart, newEnd;
        int32_t x1, x2;
    } cases[] = {
        // Three columns on, snapped to the nearest sample (105 ms, column 152.5 rounds to
        // 153), and the cursor is the time of that column.
        {"right", {}, IDM_KEY_RIGHT, 100.0, 100.0, 106.0, 106.0, 153, 153},
        {"left", {}, IDM_KEY_LEFT, 104.0, 104.0, 100.0, 100.0, 150, 150},
        {"left at the start", {}, IDM_KEY_LEFT, 0.0, 0.0, 0.0, 0.0, 100, 100},
        // Shift stretches the selection from its far end.
        {"shift right", {VK_SHIFT}, IDM_KEY_RIGHT, 100.0, 100.0, 106.0, 100.0, 150, 153},
        // Shift and Ctrl narrow the selection by one sample.
        {"shift ctrl left", {VK_SHIFT, VK_CONTROL}, IDM_KEY_LEFT, 200.0, 100.0, 100.0, 195.0, 150, 198},
        {"shift ctrl right", {VK_SHIFT, VK_CONTROL}, IDM_KEY_RIGHT, 100.0, 200.0, 105.0, 200.0, 153, 200},
        {"one sample long", {VK_SHIFT, VK_CONTROL}, IDM_KEY_LEFT, 100.0, 105.0, 100.0, 100.0, 150, 150},
    };
    for (const Case& c : cases) {
        gs_->selStart = c.start;
        gs_->selEnd = c.end;
        gs_->selX1 = static_cast<int32_t>(100 + std::fmin(c.start, c.end) / 2);
        gs_->selX2 = static_cast<int32_t>(100 + std::fmax(c.start, c.end) / 2);
        HoldKeys(c.keys);
        Command(c.id);
        ClearKeys();
        EXPECT_DOUBLE_EQ(gs_->selStart, c.newStart) << c.name;
        EXPECT_DOUBLE_EQ(gs_->selEnd, c.newEnd) << c.name;
        EXPECT_EQ(gs_->selX1, c.x1) << c.name;
        EXPECT_EQ(gs_->selX2, c.x2) << c.name;
    }
    // An empty selection is left alone by Shift+Ctrl.
    gs_->selStart = gs_->selEnd = 300.0;
    HoldKeys({VK_SHIFT, VK_CONTROL});
    Command(IDM_KEY_RIGHT);
    EXPECT_DOUBLE_EQ(gs_->selStart, 300.0);
    EXPECT_DOUBLE_EQ(gs_->selEnd, 300.0);
}

TEST_F(DisplayModesWindow, UpAndDownKeysMoveTheMidpointWhenTheLessonAllows) {
    Resize(700, 520);
    const int slot = 2;
    gs_->selectedChan = slot;
    ValueChannel(slot, {0.0, 1.0, 2.0});
    gs_->chanVPerDiv[slot] = 1.0;
    gs_->chanVDivisions[slot] = 4.0;
    gs_->chanVCenter[slot] = gs_->chanVCenterRef[slot] = 0.0;
    UpdateGraphScrollBars(gs_);
    const double pixel = 4.0 / (gs_->chanBandRects[slot].bottom - gs_->chanBandRects[slot].top);
    g_refreshes = 0;
    Command(IDM_KEY_UP);
    EXPECT_NEAR(gs_->chanVCenter[slot], pixel, 1e-12);
    EXPECT_EQ(GetScrollPos(gs_->vScrollBar, SB_CTL), ValueThumb(pixel, 0.0, 4.0));
    EXPECT_EQ(g_refreshes, 1);
    Command(IDM_KEY_DOWN);
    Command(IDM_KEY_DOWN);
    EXPECT_NEAR(gs_->chanVCenter[slot], -pixel, 1e-12);
    EXPECT_EQ(g_refreshes, 3);
    g_script.permissions[kPermVScrollBar] = 0;
    Command(IDM_KEY_UP);
    EXPECT_NEAR(gs_->chanVCenter[slot], -pixel, 1e-12);
    EXPECT_EQ(g_refreshes, 3);
}

TEST_F(DisplayModesWindow, AutoscaleFitsTheVisibleData) {
    Resize(700, 520);
    const double nan = std::nan(""), inf = HUGE_VAL;
    gs_->sampleInterval = 5.0;
    gs_->hStart = 0.0;
    gs_->hPerDiv = 250.0;
    gs_->hDivisions = 4.0;
    for (uint32_t& f : gs_->chanFlags) f = 0;
    ValueChannel(0, {0.0, 1.0, nan, 2.0, 3.0});
    ValueChannel(1, {-10.0, inf, 10.0});
    ValueChannel(2, {});  // shown, no samples
    ValueChannel(3, {50.0, 60.0});
    gs_->chanFlags[3] = 1;  // hidden: left as it was
    gs_->chanVPerDiv[3] = 7.0;
    gs_->zoomLevel = gs_->zoomCount = 2;

    gs_->displayMode = kModeChart;
    gs_->chanViewWord[0] = 1000;
    gs_->chanViewWord[1] = 2000;
    gs_->chanViewWord[2] = 3000;
    AutoScaleGraph(gs_, 0);  // Chart: every channel, then equal heights
    struct Want {
        int slot;
        double perDiv, center;
    } wants[] = {{0, 1.0, 1.5}, {1, 20.0 / 0.75 / 4.0, 0.0}, {2, 1.0, 0.0}, {3, 7.0, 0.0}};
    for (const Want& w : wants) {
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[w.slot], w.perDiv) << w.slot;
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[w.slot], w.center) << w.slot;
        if (w.slot != 3) {
            EXPECT_DOUBLE_EQ(gs_->chanVCenterRef[w.slot], w.center) << w.slot;
            EXPECT_DOUBLE_EQ(gs_->zoomVPerDiv[0][w.slot], w.perDiv) << w.slot;
        }
    }
    EXPECT_EQ(gs_->zoomLevel, 0u);
    EXPECT_EQ(gs_->zoomCount, 0u);
    for (int s : {0, 1, 2}) EXPECT_EQ(gs_->chanViewWord[s], 2000u) << s;
    EXPECT_GE(g_refreshes, 1);

    // Scope: the used channels stacked in bands of a third of the plot each.
    gs_->displayMode = kModeScope;
    UpdateGraphScrollBars(gs_);
    AutoScaleGraph(gs_, 0);
    const RECT& plot = gs_->plotRect;
    const int h = plot.bottom - plot.top;
    const double band = (h - 2) / 3.0;
    double y = (plot.bottom - 1) - band / 2;
    struct Stack {
        int slot;
        double lo, range;
    } stack[] = {{0, 0.0, 3.0}, {1, -10.0, 20.0}, {2, 0.0, 0.0}};
    for (const Stack& s : stack) {
        double perDiv = s.range == 0.0 ? 1.0 : s.range / 0.75 / 4.0 * 3;
        double fraction = static_cast<double>(h / 2 + plot.top - static_cast<int>(y)) / h;
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[s.slot], perDiv) << s.slot;
        EXPECT_NEAR(gs_->chanVCenter[s.slot], s.range / 2 + s.lo + perDiv * 4.0 * fraction, 1e-9) << s.slot;
        y -= band;
    }

    // XY: the command does nothing.
    gs_->displayMode = kModeXY;
    gs_->chanVPerDiv[0] = 9.0;
    AutoScaleGraph(gs_, 0);
    EXPECT_EQ(gs_->chanVPerDiv[0], 9.0);
}

TEST_F(DisplayModesWindow, TimeAxisFitsTheChannel) {
    Resize(700, 520);
    gs_->chanFlags[0] = 2;
    gs_->chanCount[0] = 1000;
    gs_->totalSamples = 1000;
    gs_->sampleInterval = 5.0;
    gs_->hDivisions = 4.0;
    gs_->hPerDiv = 100.0;
    gs_->hStart = 700.0;
    SetSegmentTimeScale(gs_, 0);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, 1250.0);
    EXPECT_DOUBLE_EQ(gs_->hStart, 0.0);
    EXPECT_FALSE(BarEnabled(gs_->hScrollBar));  // the whole record is in view
    // A locked grid keeps the time per division and changes the number of divisions.
    gs_->gridLocked = 1;
    gs_->hPerDiv = 500.0;
    SetSegmentTimeScale(gs_, 0);
    EXPECT_DOUBLE_EQ(gs_->hDivisions, 10.0);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, 500.0);
    // Never below one sample per division; slots past the last are refused.
    SetTimePerDivision(gs_, 1.0);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, 5.0);
    SetSegmentTimeScale(gs_, 60);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, 5.0);
}

}  // namespace
