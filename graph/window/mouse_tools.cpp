// The graph window's mouse tools: the press, move and release of the mouse in a graph window,
// the cursor each tool shows, and the drags of the Chart band boundaries and the journal's top
// edge. The zoom, I-beam and arrow tools have files of their own. Every rubber band is drawn
// with XOR or inverting operations straight onto the window, so a step never repaints the plot.
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

namespace mouse_tools {

uint16_t g_toolMode = kToolModeNone;

bool IsShown(const tagGS* gs, int slot) { return IsChannelShown(gs, slot) != 0; }
// PtInRect for a point given as two numbers.
bool InRect(const RECT& r, int x, int y) {
    POINT p{x, y};
    return PtInRect(&r, p) != FALSE;
}
int32_t Clamp(int32_t v, int32_t lo, int32_t hi) { return v < lo ? lo : (v > hi ? hi : v); }

bool InBoundaryGrip(const tagGS* gs, int slot, int x, int y) {
    if (!IsShown(gs, slot)) return false;
    const RECT& scale = gs->chanScaleRects[slot];
    if (scale.bottom >= gs->plotRect.bottom - kBoundaryGrip) return false;
    RECT grip{gs->chanLabelRects[slot].left, scale.bottom - kBoundaryGrip, scale.right, scale.bottom + kBoundaryGrip};
    return InRect(grip, x, y);
}

bool JournalEdgeBand(const tagGS* gs, RECT* out) {
    if (!gs->journalWnd) return false;
    JournalButtonBarLayout(gs->journalWnd, out);
    out->bottom = out->top + 2;
    return !IsRectEmpty(out);
}

}  // namespace mouse_tools

using mouse_tools::Clamp;
using mouse_tools::g_toolMode;
using mouse_tools::InBoundaryGrip;
using mouse_tools::InRect;
using mouse_tools::IsShown;
using mouse_tools::JournalEdgeBand;

namespace {

constexpr int kBoundaryMargin = 8;     // a boundary stays this far from the bands' other edges
constexpr int kJournalTopMargin = 48;  // the journal edge stays this far below the plot's top
constexpr int kJournalMinHeight = 28;  // ... and leaves the journal this much

struct LineDrag {
    int32_t y = -1;
    int upperPos = 0;
    int upperSlot = 0, lowerSlot = -1;
    RECT clip{};
} g_boundary, g_journalEdge;

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

// The shown slot at the display position below p, or -1.
int NextShownBelow(const tagGS* gs, int p) {
    for (int i = p + 1; i < kMaxChannels; ++i) {
        int s = static_cast<int>(gs->chanOrder[i]);
        if (s >= 0 && s < kMaxChannels && IsShown(gs, s)) return s;
    }
    return -1;
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

// Moving the boundary between two Chart bands, while the lesson allows it.
void DragChartBoundary(tagGS* gs, int /*x*/, int y, int position, UINT msg) {
    if (!gs || !gs->hwnd || !gs->waveformRegionResize || position < 0 || position >= kMaxChannels) return;
    CWindowDC dc(gs->hwnd);
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
    CWindowDC dc(gs->hwnd);
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
