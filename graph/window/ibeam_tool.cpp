// The I-beam tool: the range selection dragged along the sample grid, scrolling the view past
// the plot's edges, and the blinking cursor line of an empty selection.
#include "graph/window/mouse_tools.h"
#include "graph/window/mouse_tools_internal.h"
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

using mouse_tools::Clamp;
using mouse_tools::g_toolMode;

namespace {

struct RangeDrag {
    int32_t anchor = 0;
    int32_t left = 0, right = 0;  // the plot's edges
    int32_t moving = 0;
    int32_t measured = 0;
    bool extend = false;
} g_range;

double VisibleSpan(const tagGS* gs) { return gs->hPerDiv * gs->hDivisions; }

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

// Press: a new single-column selection, or with Shift one end of the old one moved.
void RangePress(tagGS* gs, HDC dc, int x, int shift) {
    g_toolMode = kToolModeRange;
    g_range.anchor = x;
    g_range.extend = shift != 0;
    if (gs->cursorShown == kCursorDrawn) ToggleTimeCursorLine(dc, gs);
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

}  // namespace

// The I-beam's range selection; XY mode has none (the I-beam reads values there).
void SelectRangeTool(tagGS* gs, int x, int /*y*/, int shift, UINT msg) {
    if (!gs || !gs->hwnd || gs->displayMode == kModeXY) return;
    CWindowDC dc(gs->hwnd);
    int oldRop = SetROP2(dc.get(), R2_XORPEN);
    switch (msg) {
    case WM_LBUTTONDOWN: RangePress(gs, dc.get(), x, shift); break;
    case WM_MOUSEMOVE: RangeMove(gs, dc.get(), x); break;
    case WM_LBUTTONUP:
        g_toolMode = kToolModeNone;
        gs->cursorShown = kCursorHidden;
        ClipCursor(nullptr);
        SetROP2(dc.get(), oldRop);
        UpdateAllMeasurements(gs);
        return;
    default: break;
    }
    SetROP2(dc.get(), oldRop);
}

// The I-beam's cursor line is drawn and erased by inverting one column.
void ToggleTimeCursorLine(HDC dc, tagGS* gs) {
    if (!dc || !gs || gs->cursorShown == kCursorOff) return;
    double end = gs->hStart + VisibleSpan(gs);
    if (gs->selStart != gs->selEnd || !(gs->hStart < gs->selStart && gs->selStart < end)) return;
    double t = gs->cursorShown == kCursorDrawn ? gs->cursorTime : gs->selStart;
    if (gs->cursorShown == kCursorDrawn)
        gs->cursorTime = -1.0;
    else
        gs->cursorTime = gs->selStart;
    int32_t x = static_cast<int32_t>(GraphTimeToX(gs, t));
    const RECT& plot = gs->plotRect;
    if (x > plot.left && x < plot.right) PatBlt(dc, x, plot.top + 1, 1, plot.bottom - plot.top - 2, DSTINVERT);
    gs->cursorShown = gs->cursorShown == kCursorDrawn ? kCursorHidden : kCursorDrawn;
}

// The frame timer's blink, only while the cursor line is on and inside the plot.
void RedrawGraphCursor(tagGS* gs) {
    if (!gs || !gs->hwnd || gs->cursorShown == kCursorOff) return;
    if (GraphTimeToX(gs, gs->selStart) >= gs->plotRect.right) return;
    CWindowDC dc(gs->hwnd);
    ToggleTimeCursorLine(dc.get(), gs);
}
