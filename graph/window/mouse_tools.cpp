// The graph window's mouse tools: the press, move and release of the mouse in a graph window,
// the zoom rectangle and its history, the I-beam's range selection and blinking cursor line, and
// the drags of the Chart band boundaries and the journal's top edge. Every rubber band is drawn
// with XOR or inverting operations straight onto the window, so a step never repaints the plot.
#include "graph/window/mouse_tools.h"
#include "graph/window/click_routing.h"
#include "graph/window/graph_window.h"
#include "graph/window/tracking.h"
#include "graph/window/channel_slots.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "graph/view/axes.h"
#include "graph/view/layout.h"
#include "graph/document/graph_doc.h"
#include "graph/graph_ids.h"
#include "graph/render/waveforms.h"
#include "documents/documents_api.h"
#include "base/app.h"
#include "base/lesson.h"
#include "base/notify.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include <cmath>
#include <cstdlib>

namespace {

constexpr int kClickSlop = 4;          // a zoom drag smaller than this both ways is a click
constexpr int kBoundaryGrip = 2;       // half height of a Chart boundary's grip band
constexpr int kBoundaryMargin = 8;     // a boundary stays this far from the bands' other edges
constexpr int kJournalTopMargin = 48;  // the journal edge stays this far below the plot's top
constexpr int kJournalMinHeight = 28;  // ... and leaves the journal this much
constexpr COLORREF kZoomBandColor = RGB(128, 128, 128);
// A zoomed span is kept above this fraction of its centre's size, so its pixels stay distinct.
constexpr double kMinRelativeSpan = 1e-9;
constexpr double kMaxSpan = 1e300;

uint16_t g_toolMode = kToolModeNone;

struct ZoomDrag {
    RECT bounds{};
    int slot = -1;
    POINT anchor{};
    RECT band{};
    POINT last{};
} g_zoom;

struct RangeDrag {
    int32_t anchor = 0;
    int32_t left = 0, right = 0;  // the plot's edges
    int32_t moving = 0;
    int32_t measured = 0;
    bool extend = false;
} g_range;

struct LineDrag {
    int32_t y = -1;
    int upperPos = 0;
    int upperSlot = 0, lowerSlot = -1;
    RECT clip{};
} g_boundary, g_journalEdge;

bool IsShown(const tagGS* gs, int slot) { return IsChannelShown(gs, slot) != 0; }
double VisibleSpan(const tagGS* gs) { return gs->hPerDiv * gs->hDivisions; }
// PtInRect for a point given as two numbers.
bool InRect(const RECT& r, int x, int y) {
    POINT p{x, y};
    return PtInRect(&r, p) != FALSE;
}
int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

// A window device context for one message, released on every path.
class WindowDC {
public:
    explicit WindowDC(HWND hwnd) : hwnd_(hwnd), dc_(hwnd ? GetDC(hwnd) : nullptr) {}
    ~WindowDC() {
        if (dc_) ReleaseDC(hwnd_, dc_);
    }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;
    HDC get() const { return dc_; }

private:
    HWND hwnd_;
    HDC dc_;
};

// The sample-grid column nearest the time at x.
int32_t SnapColumn(tagGS* gs, int32_t x) {
    double t = GraphXToTime(gs, x);
    if (gs->sampleInterval > 0) t = std::round(t / gs->sampleInterval) * gs->sampleInterval;
    return static_cast<int32_t>(GraphTimeToX(gs, t));
}

// Inverts the columns [a, b) (either order) within the plot, less a pixel at top and bottom.
void InvertColumns(HDC dc, const tagGS* gs, int32_t a, int32_t b) {
    int32_t lo = a < b ? a : b, hi = a < b ? b : a;
    lo = Clamp(lo, gs->plotRect.left, gs->plotRect.right);
    hi = Clamp(hi, gs->plotRect.left, gs->plotRect.right);
    int32_t h = gs->plotRect.bottom - gs->plotRect.top - 2;
    if (dc && hi > lo && h > 0) PatBlt(dc, lo, gs->plotRect.top + 1, hi - lo, h, DSTINVERT);
}

// The rubber band's four sides; drawn twice with XOR it is gone.
void DrawBandOutline(HDC dc, const RECT& r) {
    MoveToEx(dc, r.left, r.top, nullptr);
    LineTo(dc, r.right, r.top);
    LineTo(dc, r.right, r.bottom);
    LineTo(dc, r.left, r.bottom);
    LineTo(dc, r.left, r.top);
}

// A full-width horizontal line drawn with R2_NOTXORPEN: a second draw erases it.
void DrawDragLine(HDC dc, int32_t y, int32_t right) {
    if (!dc || y < 0) return;
    int old = SetROP2(dc, R2_NOTXORPEN);
    MoveToEx(dc, 0, y, nullptr);
    LineTo(dc, right, y);
    SetROP2(dc, old);
}

// The current tool's cursor over the plot; the I-beam is a cross in XY, where it reads values.
HCURSOR ToolCursor(const tagGS* gs) {
    switch (gs->currentTool) {
    case IDC_TOOL_IBEAM:
        return gs->displayMode == kModeXY ? LoadCursorA(nullptr, MAKEINTRESOURCEA(32515)) : g_app->cursors.hcurIBeam;
    case IDC_TOOL_ZOOM: return g_app->cursors.hcurZoom;
    default: return g_app->cursors.hcurArrow;
    }
}

// A cursor that failed to load leaves the one shown.
void SetCursorIf(HCURSOR cursor) {
    if (cursor) SetCursor(cursor);
}

// The journal's top edge as a grip band two pixels high; false without a journal pane.
bool JournalEdgeBand(const tagGS* gs, RECT* out) {
    if (!gs->journalWnd) return false;
    JournalButtonBarLayout(gs->journalWnd, out);
    out->bottom = out->top + 2;
    return !IsRectEmpty(out);
}

// The shown slot at the display position below p, or -1.
int NextShownBelow(const tagGS* gs, int p) {
    for (int i = p + 1; i < kMaxChannels; ++i) {
        int s = static_cast<int>(gs->chanOrder[i]);
        if (s >= 0 && s < kMaxChannels && IsShown(gs, s)) return s;
    }
    return -1;
}

// The horizontal part of a zoom: XY moves and scales the X channel, the other modes the time.
void ZoomHorizontally(tagGS* gs, const stZoomBox& z, int32_t width) {
    if (gs->displayMode == kModeXY) {
        uint32_t xc = gs->xyXChan;
        if (xc >= static_cast<uint32_t>(kMaxChannels) || width <= 0) return;
        int32_t cx = g_zoom.bounds.right - width / 2;
        double shift = (((z.xl - cx) - (cx - z.xr)) / 2.0) * gs->chanVPerDiv[xc] * gs->chanVDivisions[xc] / width;
        if (std::isfinite(shift)) gs->chanVCenter[xc] += shift;
        double& scaled = gs->gridLocked ? gs->chanVDivisions[xc] : gs->chanVPerDiv[xc];
        double other = gs->gridLocked ? gs->chanVPerDiv[xc] : gs->chanVDivisions[xc];
        scaled = ZoomScaled(scaled, z.fx, other, gs->chanVCenter[xc]);
        SetScrollPos(gs->hScrollBar, SB_CTL, ScrollTimeView(gs, kScrollNone), TRUE);
        return;
    }
    // The new scale first: its span, held to a sample per division, bounds the new start.
    double perDiv = gs->hPerDiv, divisions = gs->hDivisions;
    if (!gs->gridLocked) {
        perDiv = PerDivisionAtLeastOneSample(z.fx * gs->hPerDiv, gs->hDivisions, gs->sampleInterval);
    } else {
        double d = gs->hDivisions * z.fx;
        if (gs->hPerDiv > 0 && d * gs->hPerDiv < gs->sampleInterval) d = gs->sampleInterval / gs->hPerDiv;
        if (std::isfinite(d) && d > 0) divisions = d;
    }
    uint32_t sel = gs->selectedChan;
    double length = sel < static_cast<uint32_t>(kMaxChannels) ? gs->chanCount[sel] * gs->sampleInterval : 0.0;
    double start = ZoomedStart(GraphXToTime(gs, z.xl), length, perDiv * divisions);
    uint32_t segFirst = 0, segEnd = 0;
    bool segView = IsSegmentViewOn(gs) && GetActiveSegmentSampleRange(gs, &segFirst, &segEnd);
    if (segView) {
        double segStart = SegmentStartTime(segFirst, gs->sampleInterval);
        gs->segmentTimeOffset = start - segStart;
        gs->hStart = segStart;
    } else {
        gs->hStart = start;
    }
    if (!gs->gridLocked)
        SetTimePerDivision(gs, perDiv);
    else
        gs->hDivisions = divisions;
    if (!segView) SetScrollPos(gs->hScrollBar, SB_CTL, ScrollTimeView(gs, kScrollNone), TRUE);
}

// The vertical part of a zoom, for one slot.
void ZoomSlotVertically(tagGS* gs, int s, const stZoomBox& z, int32_t cy, int32_t height) {
    double span = gs->chanVPerDiv[s] * gs->chanVDivisions[s];
    double shift = (((z.yl - cy) - (cy - z.yr)) / 2.0) * span / height;
    if (std::isfinite(shift)) gs->chanVCenter[s] -= shift;
    double& scaled = gs->gridLocked ? gs->chanVDivisions[s] : gs->chanVPerDiv[s];
    double other = gs->gridLocked ? gs->chanVPerDiv[s] : gs->chanVDivisions[s];
    scaled = ZoomScaled(scaled, z.fy, other, gs->chanVCenter[s]);
}

// Everything a zoom changes: the plot, the axis under it, the zoomed scale and the marker bar.
void InvalidateZoomedAreas(tagGS* gs, int slot) {
    HWND hwnd = gs->hwnd;
    if (!hwnd) return;
    InvalidateRect(hwnd, &gs->plotRect, FALSE);
    InvalidateRect(hwnd, &gs->hAxisRect, FALSE);
    InvalidateRect(hwnd, &gs->hUnitsRect, FALSE);
    if (slot >= 0 && slot < kMaxChannels) InvalidateRect(hwnd, &gs->chanScaleRects[slot], FALSE);
    InvalidateRect(hwnd, &gs->markerBarRect, FALSE);
}

// Steps 5-9 of a zoom: history, new view, the repaint it needs.
void ApplyZoom(tagGS* gs, const stZoomBox& z) {
    const RECT& b = g_zoom.bounds;
    StoreZoomLevel(gs, gs->zoomLevel);
    ZoomHorizontally(gs, z, b.right - b.left);
    AdvanceZoomLevel(gs);
    int32_t height = b.bottom - b.top;
    int32_t cy = b.bottom - height / 2;
    if (height > 0) {
        if (gs->displayMode == kModeChart) {
            if (g_zoom.slot >= 0) ZoomSlotVertically(gs, g_zoom.slot, z, cy, height);
        } else if (gs->displayMode == kModeXY) {
            if (gs->selectedChan < static_cast<uint32_t>(kMaxChannels))
                ZoomSlotVertically(gs, static_cast<int>(gs->selectedChan), z, cy, height);
        } else {
            for (int s = 0; s < kMaxChannels; ++s) ZoomSlotVertically(gs, s, z, cy, height);
        }
    }
    StoreZoomLevel(gs, gs->zoomLevel);
    SetScrollPos(gs->vScrollBar, SB_CTL, ScrollChannelValue(gs, kScrollNone), TRUE);
    ComputeChannelTransforms(gs);
    UpdateHScrollBar(gs);
    setDirtyGraphFlag(gs, 1);
    int slot = gs->displayMode == kModeChart ? g_zoom.slot : static_cast<int>(gs->selectedChan);
    InvalidateZoomedAreas(gs, slot);
}

// Press: the bounds of the zoom (the band under the point in Chart mode) and the anchor.
void ZoomPress(tagGS* gs, HDC dc, int x, int y) {
    g_toolMode = kToolModeZoom;
    g_zoom.slot = -1;
    if (gs->displayMode == kModeChart) {
        for (int s = 0; s < kMaxChannels && g_zoom.slot < 0; ++s)
            if (IsShown(gs, s) && InRect(gs->chanBandRects[s], x, y)) g_zoom.slot = s;
        if (g_zoom.slot < 0) {
            g_toolMode = kToolModeNone;
            return;
        }
        g_zoom.bounds = gs->chanBandRects[g_zoom.slot];
    } else {
        g_zoom.bounds = gs->plotRect;
    }
    const RECT& b = g_zoom.bounds;
    ClipCursorToRect(gs->hwnd, &b);
    g_zoom.anchor = POINT{Clamp(x, b.left, b.right), Clamp(y, b.top + 1, b.bottom - 1)};
    g_zoom.band = RECT{g_zoom.anchor.x, g_zoom.anchor.y, g_zoom.anchor.x, g_zoom.anchor.y};
    g_zoom.last = g_zoom.anchor;
    DrawBandOutline(dc, g_zoom.band);
}

// Move: the band from the anchor to the point, held inside the bounds.
void ZoomMove(HDC dc, int x, int y) {
    if (x == g_zoom.last.x && y == g_zoom.last.y) return;
    const RECT& b = g_zoom.bounds;
    const POINT a = g_zoom.anchor;
    DrawBandOutline(dc, g_zoom.band);
    RECT& r = g_zoom.band;
    if (x > a.x) {
        r.left = a.x;
        r.right = x < b.right ? x : b.right;
    } else {
        r.left = x > b.left ? x : b.left;
        r.right = a.x;
    }
    if (y > a.y) {
        r.top = a.y;
        r.bottom = y < b.bottom - 2 ? y : b.bottom - 2;
    } else {
        r.top = y > b.top + 1 ? y : b.top + 1;
        r.bottom = a.y;
    }
    g_zoom.last = POINT{x, y};
    DrawBandOutline(dc, r);
}

// Release: the band goes and its rectangle (or the click) becomes the view.
void ZoomRelease(tagGS* gs, HDC dc) {
    g_toolMode = kToolModeNone;
    ClipCursor(nullptr);
    DrawBandOutline(dc, g_zoom.band);
    const RECT& b = g_zoom.bounds;
    POINT last{Clamp(g_zoom.last.x, b.left, b.right), Clamp(g_zoom.last.y, b.top + 1, b.bottom - 2)};
    ApplyZoom(gs, PlanZoomBox(b, g_zoom.anchor, last, GetKeyState(VK_CONTROL) < 0));
}

// Press: a new single-column selection, or with Shift one end of the old one moved.
void RangePress(tagGS* gs, HDC dc, int x, int shift) {
    g_toolMode = kToolModeRange;
    g_range.anchor = x;
    g_range.extend = shift != 0;
    if (gs->cursorShown == 1) ToggleTimeCursorLine(dc, gs);
    gs->cursorShown = kCursorOff;
    RECT confine{0, gs->plotRect.top, gs->chanScaleRects[0].right - 1, gs->plotRect.bottom};
    ClipCursorToRect(gs->hwnd, &confine);
    g_range.left = gs->plotRect.left;
    g_range.right = gs->plotRect.right;
    int32_t col = SnapColumn(gs, x);
    if (!shift) {
        if (gs->selStart != gs->selEnd) InvertColumns(dc, gs, gs->selX1, gs->selX2);
        gs->selStart = gs->selEnd = GraphXToTime(gs, col);
        gs->selX1 = gs->selX2 = col;
        g_range.anchor = col;
    } else {
        int32_t left = gs->selX1 < gs->selX2 ? gs->selX1 : gs->selX2;
        int32_t right = gs->selX1 < gs->selX2 ? gs->selX2 : gs->selX1;
        bool movesLeft = col < left ? true : (col > right ? false : gs->selStart <= gs->selEnd);
        double lo = std::fmin(gs->selStart, gs->selEnd), hi = std::fmax(gs->selStart, gs->selEnd);
        InvertColumns(dc, gs, movesLeft ? left : right, col);
        g_range.anchor = movesLeft ? right : left;
        gs->selEnd = movesLeft ? hi : lo;
        gs->selStart = GraphXToTime(gs, col);
        gs->selX1 = col < g_range.anchor ? col : g_range.anchor;
        gs->selX2 = col < g_range.anchor ? g_range.anchor : col;
    }
    g_range.moving = col;
    g_range.measured = col;
}

// Horizontal thumb as the view scrolled under a range drag; set only when it changed.
void FollowHThumb(tagGS* gs) {
    double room = gs->totalSamples * gs->sampleInterval - VisibleSpan(gs);
    int32_t thumb = room == 0 ? kTimeThumbMax : static_cast<int32_t>(gs->hStart * kTimeThumbMax / room);
    if (thumb > kTimeThumbMax) thumb = kTimeThumbMax;
    if (gs->hScrollBar && GetScrollPos(gs->hScrollBar, SB_CTL) != thumb)
        SetScrollPos(gs->hScrollBar, SB_CTL, thumb, TRUE);
}

// Keeps an auto-scroll going while the mouse rests beyond the plot with the button down.
void RepostWhileHeld(tagGS* gs, bool beyondRight, int16_t scrolled) {
    if (!scrolled || !gs->hwnd) return;
    POINT p{};
    GetCursorPos(&p);
    ScreenToClient(gs->hwnd, &p);
    bool still = beyondRight ? p.x > g_range.right : p.x < g_range.left;
    int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    if (!still || GetAsyncKeyState(button) >= 0) return;
    WPARAM keys = MK_LBUTTON | (g_range.extend ? MK_SHIFT : 0);
    PostMessageA(gs->hwnd, WM_MOUSEMOVE, keys, MAKELPARAM(p.x, p.y));
}

// Beyond either edge of the plot the view scrolls under the selection.
int32_t RangeScroll(tagGS* gs, HDC dc, int x) {
    const int32_t L = g_range.left, R = g_range.right;
    bool right = x > R;
    int32_t limit = right ? 2 * R - L : 2 * L - R;
    if (right ? x > limit : x < limit) x = limit;
    int32_t edge = right ? R : L;
    InvertColumns(dc, gs, g_range.moving, edge);
    g_range.moving = edge;
    // The scroll takes the band along with the plot (it needs the band's columns and two
    // different ends for that); what it uncovers at the edge is inverted after it.
    gs->selX1 = g_range.anchor < edge ? g_range.anchor : edge;
    gs->selX2 = g_range.anchor < edge ? edge : g_range.anchor;
    gs->selStart = GraphXToTime(gs, edge);
    int16_t n =
        right ? ScrollTimeRight(gs, static_cast<int16_t>(x - R)) : ScrollTimeLeft(gs, static_cast<int16_t>(L - x));
    InvertColumns(dc, gs, edge, right ? edge - n : edge + n);
    DrawTimeAxis(dc, gs);
    FollowHThumb(gs);
    g_range.anchor += right ? -n : n;
    RepostWhileHeld(gs, right, n);
    return edge;
}

// Move: the moving end follows the mouse along the sample grid, scrolling past the edges.
void RangeMove(tagGS* gs, HDC dc, int x) {
    const int32_t L = g_range.left, R = g_range.right;
    int32_t col;
    if (!IsSegmentViewOn(gs) && (x > R || x < L)) {
        col = RangeScroll(gs, dc, x);
    } else {
        x = Clamp(x, L, R);
        col = L;
        if (GraphXToTime(gs, x) >= gs->sampleInterval / 2) col = Clamp(static_cast<int16_t>(SnapColumn(gs, x)), L, R);
        InvertColumns(dc, gs, g_range.moving, col);
        g_range.moving = col;
    }
    gs->selStart = GraphXToTime(gs, g_range.moving);
    if (g_range.moving != g_range.measured) {
        UpdateAllMeasurements(gs);
        g_range.measured = g_range.moving;
    }
    gs->selX1 = g_range.anchor < g_range.moving ? g_range.anchor : g_range.moving;
    gs->selX2 = g_range.anchor < g_range.moving ? g_range.moving : g_range.anchor;
}

// Press: the two bands either side of the boundary, and how far the line may go.
void BoundaryPress(tagGS* gs, int position) {
    g_toolMode = kToolModeBoundary;
    notify::SetStatusText("Drag chart boundary to new location");
    g_boundary.y = -1;
    g_boundary.upperPos = position;
    g_boundary.upperSlot = static_cast<int>(gs->chanOrder[position]);
    g_boundary.lowerSlot = NextShownBelow(gs, position);
    const RECT& upper = gs->chanScaleRects[g_boundary.upperSlot];
    int32_t bottom = g_boundary.lowerSlot >= 0 ? gs->chanScaleRects[g_boundary.lowerSlot].bottom : upper.bottom;
    g_boundary.clip = RECT{0, upper.top + kBoundaryMargin, upper.right, bottom - kBoundaryMargin};
    ClipCursorToRect(gs->hwnd, &g_boundary.clip);
}

// Release: the line becomes the new share of the two bands.
void BoundaryRelease(tagGS* gs, HDC dc) {
    g_toolMode = kToolModeNone;
    ClipCursor(nullptr);
    int u = g_boundary.upperSlot, d = g_boundary.lowerSlot;
    if (g_boundary.y >= 0 && d >= 0) {
        DrawDragLine(dc, g_boundary.y, gs->chanScaleRects[0].right);
        uint32_t sum = gs->chanViewWord[u] + gs->chanViewWord[d];
        ChartBoundaryWeights(gs->chanBandRects[u], gs->chanBandRects[d], g_boundary.y, sum, &gs->chanViewWord[u],
                             &gs->chanViewWord[d]);
        UpdateGraphScrollBars(gs);
        RECT label = gs->chanLabelRects[u], scale = gs->chanScaleRects[u];
        label.top = scale.top = gs->plotRect.top;
        label.bottom = scale.bottom = gs->plotRect.bottom;
        if (!gs->acquiring) {
            RECT all{label.left, gs->plotRect.top, scale.right, gs->plotRect.bottom};
            InvalidateRect(gs->hwnd, &all, FALSE);
        } else {
            InvalidateRect(gs->hwnd, &label, FALSE);
            InvalidateRect(gs->hwnd, &scale, FALSE);
        }
        setDirtyGraphFlag(gs, 1);
    }
    g_boundary.y = -1;
    notify::SetStatusText("Ready");
}

// Press: the line may go from below the plot's top down to the journal's bottom.
void JournalEdgePress(tagGS* gs) {
    g_toolMode = kToolModeJournal;
    notify::SetStatusText("Drag to resize journal size");
    g_journalEdge.y = -1;
    RECT bar{};
    JournalButtonBarLayout(gs->journalWnd, &bar);
    g_journalEdge.clip = RECT{0, gs->chanScaleRects[0].top + kJournalTopMargin, gs->statusBoxRect.right, bar.bottom};
    ClipCursorToRect(gs->hwnd, &g_journalEdge.clip);
    SetCapture(gs->hwnd);
}

// Release: the journal takes its new height (when the lesson allows) and the window is laid out.
void JournalEdgeRelease(tagGS* gs, HDC dc) {
    g_toolMode = kToolModeNone;
    ClipCursor(nullptr);
    ReleaseCapture();
    if (g_journalEdge.y >= 0 && gs->journalWnd) {
        DrawDragLine(dc, g_journalEdge.y, gs->statusBoxRect.right);
        RECT bar{};
        JournalButtonBarLayout(gs->journalWnd, &bar);
        int32_t y = g_journalEdge.y < bar.bottom - kJournalMinHeight ? g_journalEdge.y : bar.bottom - kJournalMinHeight;
        JournalLayoutButtons(gs->journalWnd, bar.left, y);
        if (g_script.permissions[kPermSizeJournal]) gs->journalHeight = static_cast<uint16_t>(bar.bottom - y);
        JournalResize(gs->journalWnd, bar.right - bar.left, gs->journalHeight);
        gs->journalShown = 1;
        JournalEnableButtons(gs->journalWnd, 1);
        InvalidateRect(gs->hwnd, nullptr, FALSE);
        LayoutGraphWindow(gs);
        notify::UpdateGraphToolbar();
        setDirtyGraphFlag(gs, 1);
    }
    g_journalEdge.y = -1;
    notify::SetStatusText("Ready");
}

// The line of a boundary or journal drag moved to y.
void MoveDragLine(LineDrag* drag, HDC dc, int y, int32_t right) {
    if (y == drag->y) return;
    DrawDragLine(dc, drag->y, right);
    drag->y = y;
    DrawDragLine(dc, drag->y, right);
}

// The boundary grip band of a Chart band that ends above the plot's bottom.
bool InBoundaryGrip(const tagGS* gs, int s, int x, int y) {
    const RECT& scale = gs->chanScaleRects[s];
    if (!IsShown(gs, s) || scale.bottom >= gs->plotRect.bottom - kBoundaryGrip) return false;
    RECT grip{gs->chanLabelRects[s].left, scale.bottom - kBoundaryGrip, scale.right, scale.bottom + kBoundaryGrip};
    return InRect(grip, x, y);
}

// The cursor for a point that no drag or tracking claims.
void SetHoverCursor(tagGS* gs, int x, int y) {
    RECT edge{};
    if (JournalEdgeBand(gs, &edge) && InRect(edge, x, y)) {
        SetCursorIf(g_app->cursors.hcurDrag);
        return;
    }
    if (gs->waveformRegionResize && gs->displayMode == kModeChart) {
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!InBoundaryGrip(gs, s, x, y)) continue;
            SetCursorIf(g_app->cursors.hcurDrag);
            return;
        }
    }
    if (gs->displayMode == kModeXY && gs->currentTool == IDC_TOOL_IBEAM) ShowReadoutAtCursor(gs);
    if (g_toolMode == kToolModeBoundary || g_toolMode == kToolModeJournal)
        SetCursorIf(g_app->cursors.hcurDrag);
    else
        SetCursorIf(InRect(gs->plotRect, x, y) ? ToolCursor(gs) : g_app->cursors.hcurArrow);
}

// Hands a move or release to the drag in progress.
void RunDrag(tagGS* gs, int x, int y, UINT keys, UINT msg) {
    switch (g_toolMode) {
    case kToolModeZoom: ZoomTool(gs, x, y, msg); break;
    case kToolModeRange: SelectRangeTool(gs, x, y, (keys & MK_SHIFT) != 0, msg); break;
    case kToolModeBoundary: DragChartBoundary(gs, x, y, g_boundary.upperPos, msg); break;
    case kToolModeJournal: DragJournalEdge(gs, x, y, msg); break;
    default: break;
    }
}

}  // namespace

uint16_t GetToolMode() { return g_toolMode; }

// A click is a rectangle of half (or double) the bounds around it; a drag is its own rectangle.
stZoomBox PlanZoomBox(const RECT& b, POINT a, POINT last, bool out) {
    stZoomBox z{};
    int32_t w = b.right - b.left, h = b.bottom - b.top;
    if (std::abs(a.x - last.x) < kClickSlop && std::abs(a.y - last.y) < kClickSlop) {
        int32_t dx = out ? w : w / 4, dy = out ? h : h / 4;
        z.xl = last.x - dx;
        z.xr = last.x + dx;
        z.yl = last.y - dy;
        z.yr = last.y + dy;
        z.fx = z.fy = out ? 2.0 : 0.5;
        return z;
    }
    z.xl = a.x < last.x ? a.x : last.x;
    z.xr = a.x < last.x ? last.x : a.x;
    z.yl = a.y < last.y ? a.y : last.y;
    z.yr = a.y < last.y ? last.y : a.y;
    // A drag along one axis only keeps a pixel's worth of the other.
    z.fx = w > 0 ? static_cast<double>(z.xr > z.xl ? z.xr - z.xl : 1) / w : 1.0;
    z.fy = h > 0 ? static_cast<double>(z.yr > z.yl ? z.yr - z.yl : 1) / h : 1.0;
    return z;
}

// Zooming never makes a span that the plot cannot resolve or a double cannot hold.
double ZoomScaled(double value, double factor, double otherFactor, double center) {
    double result = value * factor;
    double span = std::fabs(result * otherFactor);
    double floor = kMinRelativeSpan * std::fmax(1.0, std::fabs(center));
    if (!std::isfinite(result) || !(result > 0) || !(span >= floor) || !(span <= kMaxSpan)) return value;
    return result;
}

// The new view starts at the rectangle but never shows time past the data's end or before 0.
double ZoomedStart(double timeAtLeft, double channelLength, double newSpan) {
    double start = timeAtLeft;
    if (start > channelLength - newSpan) start = channelLength - newSpan;
    if (!(start > 0)) start = 0.0;
    return start;
}

void ChartBoundaryWeights(const RECT& upper, const RECT& lower, int32_t y, uint32_t sum, uint32_t* upperWeight,
                          uint32_t* lowerWeight) {
    int32_t d = y - lower.top;
    // The two heights, not the distance from the upper top to the lower bottom: a gap between
    // the bands would otherwise lose weight on every drag.
    int32_t total = (upper.bottom - upper.top) + (lower.bottom - lower.top);
    if (total <= 0) return;
    int64_t up = (static_cast<int64_t>(upper.bottom - upper.top) + d) * sum / total;
    int64_t low = (static_cast<int64_t>(lower.bottom - lower.top) - d) * sum / total;
    *upperWeight = static_cast<uint32_t>(up > 0 ? up : 0);
    *lowerWeight = static_cast<uint32_t>(low > 0 ? low : 0);
}

// Copies the view into one level of the history.
void StoreZoomLevel(tagGS* gs, uint32_t level) {
    if (level >= static_cast<uint32_t>(kZoomLevels)) return;
    for (int s = 0; s < kMaxChannels; ++s) {
        gs->zoomVPerDiv[level][s] = gs->chanVPerDiv[s];
        gs->zoomVCenter[level][s] = gs->chanVCenter[s];
        gs->zoomVDivisions[level][s] = gs->chanVDivisions[s];
    }
    uint32_t xc = gs->xyXChan;
    if (gs->displayMode == kModeXY && xc < static_cast<uint32_t>(kMaxChannels)) {
        gs->zoomHPerDiv[level] = gs->chanVPerDiv[xc];
        gs->zoomHStart[level] = gs->chanVCenter[xc];
        gs->zoomHDivisions[level] = gs->chanVDivisions[xc];
    } else {
        gs->zoomHPerDiv[level] = gs->hPerDiv;
        gs->zoomHStart[level] = gs->hStart;
        gs->zoomHDivisions[level] = gs->hDivisions;
        gs->zoomSegOffset[level] = gs->segmentTimeOffset;
    }
}

// Takes the view back from one level of the history.
void RestoreZoomLevel(tagGS* gs, uint32_t level) {
    if (level >= static_cast<uint32_t>(kZoomLevels)) return;
    for (int s = 0; s < kMaxChannels; ++s) {
        gs->chanVPerDiv[s] = gs->zoomVPerDiv[level][s];
        gs->chanVCenter[s] = gs->zoomVCenter[level][s];
        gs->chanVDivisions[s] = gs->zoomVDivisions[level][s];
    }
    if (gs->displayMode == kModeXY) return;
    gs->hStart = gs->zoomHStart[level];
    gs->hPerDiv = gs->zoomHPerDiv[level];
    gs->segmentTimeOffset = gs->zoomSegOffset[level];
    UpdateAllMeasurements(gs);
    gs->hDivisions = gs->zoomHDivisions[level];
}

// The history is six levels deep; a seventh zoom forgets the oldest.
void AdvanceZoomLevel(tagGS* gs) {
    ++gs->zoomLevel;
    gs->zoomCount = gs->zoomLevel < kZoomLevels - 1 ? gs->zoomLevel : kZoomLevels - 1;
    if (gs->zoomLevel < static_cast<uint32_t>(kZoomLevels)) return;
    gs->zoomLevel = kZoomLevels - 1;
    for (int level = 0; level + 1 < kZoomLevels; ++level) {
        for (int s = 0; s < kMaxChannels; ++s) {
            gs->zoomVPerDiv[level][s] = gs->zoomVPerDiv[level + 1][s];
            gs->zoomVCenter[level][s] = gs->zoomVCenter[level + 1][s];
            gs->zoomVDivisions[level][s] = gs->zoomVDivisions[level + 1][s];
        }
        gs->zoomHStart[level] = gs->zoomHStart[level + 1];
        gs->zoomHPerDiv[level] = gs->zoomHPerDiv[level + 1];
        gs->zoomHDivisions[level] = gs->zoomHDivisions[level + 1];
        gs->zoomSegOffset[level] = gs->zoomSegOffset[level + 1];
    }
}

// The zoom drag; each message draws with its own window context and XOR pen.
void ZoomTool(tagGS* gs, int x, int y, UINT msg) {
    if (!gs || !gs->hwnd) return;
    WindowDC dc(gs->hwnd);
    HPEN pen = CreatePen(PS_SOLID, 1, kZoomBandColor);
    HGDIOBJ oldPen = pen ? SelectObject(dc.get(), pen) : nullptr;
    int oldRop = SetROP2(dc.get(), R2_XORPEN);
    switch (msg) {
    case WM_LBUTTONDOWN: ZoomPress(gs, dc.get(), x, y); break;
    case WM_MOUSEMOVE: ZoomMove(dc.get(), x, y); break;
    case WM_LBUTTONUP: ZoomRelease(gs, dc.get()); break;
    default: break;
    }
    SetROP2(dc.get(), oldRop);
    if (oldPen) SelectObject(dc.get(), oldPen);
    if (pen) DeleteObject(pen);
}

// The I-beam's range selection; XY mode has none (the I-beam reads values there).
void SelectRangeTool(tagGS* gs, int x, int /*y*/, int shift, UINT msg) {
    if (!gs || !gs->hwnd || gs->displayMode == kModeXY) return;
    WindowDC dc(gs->hwnd);
    int oldRop = SetROP2(dc.get(), R2_XORPEN);
    switch (msg) {
    case WM_LBUTTONDOWN: RangePress(gs, dc.get(), x, shift); break;
    case WM_MOUSEMOVE: RangeMove(gs, dc.get(), x); break;
    case WM_LBUTTONUP:
        g_toolMode = kToolModeNone;
        gs->cursorShown = 0;
        ClipCursor(nullptr);
        SetROP2(dc.get(), oldRop);
        UpdateAllMeasurements(gs);
        return;
    default: break;
    }
    SetROP2(dc.get(), oldRop);
}

// Moving the boundary between two Chart bands, while the lesson allows it.
void DragChartBoundary(tagGS* gs, int /*x*/, int y, int position, UINT msg) {
    if (!gs || !gs->hwnd || !gs->waveformRegionResize || position < 0 || position >= kMaxChannels) return;
    WindowDC dc(gs->hwnd);
    switch (msg) {
    case WM_LBUTTONDOWN: BoundaryPress(gs, position); break;
    case WM_MOUSEMOVE:
        MoveDragLine(&g_boundary, dc.get(), Clamp(y, g_boundary.clip.top, g_boundary.clip.bottom),
                     gs->chanScaleRects[0].right);
        break;
    case WM_LBUTTONUP: BoundaryRelease(gs, dc.get()); break;
    default: break;
    }
}

// Moving the journal pane's top edge.
void DragJournalEdge(tagGS* gs, int /*x*/, int y, UINT msg) {
    if (!gs || !gs->hwnd || !gs->journalWnd) return;
    WindowDC dc(gs->hwnd);
    switch (msg) {
    case WM_LBUTTONDOWN: JournalEdgePress(gs); break;
    case WM_MOUSEMOVE:
        MoveDragLine(&g_journalEdge, dc.get(), Clamp(y, g_journalEdge.clip.top, g_journalEdge.clip.bottom),
                     gs->statusBoxRect.right);
        break;
    case WM_LBUTTONUP: JournalEdgeRelease(gs, dc.get()); break;
    default: break;
    }
}

// Which channel a point in one of the channel areas stands for.
int HitTestChannelArea(tagGS* gs, int x, int y, int kind) {
    if (!gs) return -1;
    const RECT& plot = gs->plotRect;
    const int32_t cyV = g_app ? g_app->fonts.cyVertical : 0;
    RECT area = plot;
    switch (kind) {
    case kAreaPlot: break;
    case kAreaLabel: area = RECT{gs->chanLabelRects[0].left, plot.top, gs->chanLabelRects[0].right, plot.bottom}; break;
    case kAreaScale:
        area = RECT{gs->chanScaleRects[0].left, plot.top, gs->chanScaleRects[0].right - cyV, plot.bottom};
        break;
    case kAreaUnits:
        area = RECT{gs->chanScaleRects[0].right - cyV, plot.top, gs->chanScaleRects[0].right, plot.bottom};
        break;
    default: return -1;
    }
    if (!InRect(area, x, y)) return -1;
    if (gs->displayMode != kModeChart) {
        int sel = static_cast<int>(gs->selectedChan);
        return IsShown(gs, sel) ? sel : -1;
    }
    int32_t unitsWidth = cyV;
    if (kind == kAreaUnits && g_app && g_app->fonts.hfontVertical) {
        HDC dc = GetDC(nullptr);
        HGDIOBJ old = SelectObject(dc, g_app->fonts.hfontVertical);
        SIZE size{};
        GetTextExtentPoint32A(dc, "MMMMMMMM", 8, &size);
        SelectObject(dc, old);
        ReleaseDC(nullptr, dc);
        unitsWidth = size.cx;
    }
    for (int s = 0; s < kMaxChannels; ++s) {
        if (!IsShown(gs, s)) continue;
        RECT r = kind == kAreaPlot    ? gs->chanBandRects[s]
                 : kind == kAreaLabel ? gs->chanLabelRects[s]
                                      : gs->chanScaleRects[s];
        if (kind == kAreaUnits && r.right - unitsWidth > r.left) r.left = r.right - unitsWidth;
        if (InRect(r, x, y)) return s;
    }
    return -1;
}

// The arrow's press picks the trace nearest the point (Scope) or the band under it (Chart).
int SelectNearestChannel(tagGS* gs, int x, int y) {
    if (!gs || gs->displayMode == kModeXY) return 1;
    int winner = -1;
    if (gs->displayMode == kModeChart) {
        winner = HitTestChannelArea(gs, x, y, kAreaPlot);
        if (winner < 0) return 0;
    } else {
        if (!(gs->sampleInterval > 0)) return 1;
        double t = GraphXToTime(gs, x) / gs->sampleInterval;
        int64_t i = std::isfinite(t) && t > 0 ? static_cast<int64_t>(t) : 0;
        uint16_t best = 0xFFFF;
        winner = 0;
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!IsShown(gs, s)) continue;
            int64_t last = gs->chanCount[s] > 0 ? gs->chanCount[s] - 1 : 0;
            double value = 0;
            if (!GetChannelSample(gs, static_cast<int>(i < last ? i : last), s, &value)) return 1;
            double row = gs->chanPixelMap[kMapYZero][s] - value * gs->chanPixelMap[kMapYScale][s];
            double dist = std::fabs(row - y);
            uint16_t d = dist < 65535.0 ? static_cast<uint16_t>(dist) : 0xFFFF;
            if (d < best) {
                best = d;
                winner = s;
            }
        }
    }
    if (winner != static_cast<int>(gs->selectedChan)) SelectGraphChannel(gs, static_cast<int16_t>(winner));
    return 1;
}

// The view of the history's current level, with its scroll bars and the repaint it needs.
static void ShowZoomLevel(tagGS* gs) {
    RestoreZoomLevel(gs, gs->zoomLevel);
    SetScrollPos(gs->hScrollBar, SB_CTL, ScrollTimeView(gs, kScrollNone), TRUE);
    SetScrollPos(gs->vScrollBar, SB_CTL, ScrollChannelValue(gs, kScrollNone), TRUE);
    ComputeChannelTransforms(gs);
    UpdateHScrollBar(gs);
    setDirtyGraphFlag(gs, 1);
    if (gs->hwnd) {
        InvalidateRect(gs->hwnd, nullptr, FALSE);
        InvalidateRect(gs->hwnd, &gs->markerBarRect, FALSE);
    }
}

// Zoom Previous: one level back in the history.
void ZoomBack(tagGS* gs) {
    if (!gs || gs->zoomLevel == 0) return;
    --gs->zoomLevel;
    ShowZoomLevel(gs);
}

// Zoom Next: one level on, up to the last zoom made.
void ZoomForward(tagGS* gs) {
    if (!gs || gs->zoomLevel >= gs->zoomCount) return;
    ++gs->zoomLevel;
    ShowZoomLevel(gs);
}

// After a channel's colour or scale changed, everything that shows it is drawn again.
void RefreshChannel(tagGS* gs, int slot) {
    if (!gs) return;
    if (slot < 0) slot = static_cast<int>(gs->selectedChan);
    if (slot < 0 || slot >= kMaxChannels) return;
    HWND hwnd = gs->hwnd;
    if (hwnd) {
        if (IsChanButtonsShown(gs)) {
            RECT row = ChannelButtonRowRect(gs);
            InvalidateRect(hwnd, &row, FALSE);
        }
        bool chart = gs->displayMode == kModeChart;
        InvalidateRect(hwnd, chart ? &gs->chanBandRects[slot] : &gs->plotRect, FALSE);
        InvalidateRect(hwnd, &gs->chanScaleRects[slot], FALSE);
        InvalidateRect(hwnd, &gs->chanLabelRects[chart ? slot : 0], FALSE);
    }
    SetChannelButtonColor(gs, slot, gs->chanColor[slot]);
    if (gs->measureShown) UpdateAllMeasurements(gs);
    // Grey waves and a Scope grid follow the selected channel.
    const bool scopeGrid = gs->displayMode == kModeScope && gs->gridShown;
    if (hwnd && !gs->acquiring && (gs->grayNonSelected || scopeGrid))
        InvalidateRect(hwnd, &gs->plotRect, FALSE);
}

// The I-beam's cursor line is drawn and erased by inverting one column.
void ToggleTimeCursorLine(HDC dc, tagGS* gs) {
    if (!dc || !gs || gs->cursorShown == kCursorOff) return;
    double end = gs->hStart + VisibleSpan(gs);
    if (gs->selStart != gs->selEnd || !(gs->hStart < gs->selStart && gs->selStart < end)) return;
    double t = gs->cursorShown == 1 ? gs->cursorTime : gs->selStart;
    if (gs->cursorShown == 1)
        gs->cursorTime = -1.0;
    else
        gs->cursorTime = gs->selStart;
    int32_t x = static_cast<int32_t>(GraphTimeToX(gs, t));
    const RECT& plot = gs->plotRect;
    if (x > plot.left && x < plot.right) PatBlt(dc, x, plot.top + 1, 1, plot.bottom - plot.top - 2, DSTINVERT);
    gs->cursorShown = gs->cursorShown == 1 ? 0 : 1;
}

// The frame timer's blink, only while the cursor line is on and inside the plot.
void RedrawGraphCursor(tagGS* gs) {
    if (!gs || !gs->hwnd || gs->cursorShown == kCursorOff) return;
    if (GraphTimeToX(gs, gs->selStart) >= gs->plotRect.right) return;
    WindowDC dc(gs->hwnd);
    ToggleTimeCursorLine(dc.get(), gs);
}

// Keeps the mouse inside a drag's rectangle and on the screen.
void ClipCursorToRect(HWND hwnd, const RECT* rect) {
    if (!hwnd || !rect) return;
    RECT r = *rect;
    r.top += 1;
    r.bottom -= 1;
    MapWindowPoints(hwnd, nullptr, reinterpret_cast<POINT*>(&r), 2);
    if (r.left < 0) r.left = 0;
    if (r.top < 0) r.top = 0;
    int cx = GetSystemMetrics(SM_CXSCREEN), cy = GetSystemMetrics(SM_CYSCREEN);
    if (r.right > cx) r.right = cx;
    if (r.bottom > cy) r.bottom = cy;
    ClipCursor(&r);
}

// A press is routed by position; in the plot the arrow (any tool but zoom in XY) also tracks.
void OnChildButtonDown(GraphWindowData* data, int doubleClick, int x, int y, UINT keys) {
    tagGS* gs = data ? data->doc : nullptr;
    if (!gs) return;
    if (!doubleClick) {
        OnGraphMouseDown(data, x, y, keys);
        bool trackTool =
            gs->currentTool == IDC_TOOL_ARROW || (gs->displayMode == kModeXY && gs->currentTool != IDC_TOOL_ZOOM);
        if (InRect(gs->plotRect, x, y) && trackTool && g_toolMode != kToolModeBoundary && !IsTracking()) {
            BeginTracking(gs);
            TrackTo(POINT{x, y});
        }
    } else {
        OnGraphDoubleClick(data, x, y);
    }
    if (g_toolMode == kToolModeNone) notify::SetStatusText(nullptr);
}

// A move steps the tracking, or sets the cursor and steps the drag in progress.
void OnChildMouseMove(GraphWindowData* data, int x, int y, UINT keys) {
    tagGS* gs = data ? data->doc : nullptr;
    if (!gs) return;
    if (IsTracking()) {
        TrackTo(POINT{x, y});
        return;
    }
    if (IsPlacingMarker()) {
        DragMarker(gs, x, y, WM_MOUSEMOVE);
        return;
    }
    SetHoverCursor(gs, x, y);
    RunDrag(gs, x, y, keys, WM_MOUSEMOVE);
}

// A release ends the tracking or the drag in progress.
void OnChildButtonUp(GraphWindowData* data, int x, int y, UINT keys) {
    tagGS* gs = data ? data->doc : nullptr;
    if (!gs) return;
    if (IsTracking()) {
        EndTracking();
        return;
    }
    if (IsPlacingMarker()) {
        DragMarker(gs, x, y, WM_LBUTTONUP);
        return;
    }
    if (g_toolMode == kToolModeBoundary || g_toolMode == kToolModeJournal)
        SetCursorIf(g_app->cursors.hcurArrow);
    else
        SetCursorIf(InRect(gs->plotRect, x, y) ? ToolCursor(gs) : g_app->cursors.hcurArrow);
    RunDrag(gs, x, y, keys, WM_LBUTTONUP);
}
