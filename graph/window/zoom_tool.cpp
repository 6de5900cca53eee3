// The zoom tool: the rectangle dragged (or clicked) in the plot becomes the view, and the
// history of views that Zoom Previous and Zoom Next step through.
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
using mouse_tools::InRect;
using mouse_tools::IsShown;

namespace {

constexpr int kClickSlop = 4;          // a zoom drag smaller than this both ways is a click
constexpr COLORREF kZoomBandColor = RGB(128, 128, 128);
// A zoomed span is kept above this fraction of its centre's size, so its pixels stay distinct.
constexpr double kMinRelativeSpan = 1e-9;
constexpr double kMaxSpan = 1e300;

struct ZoomDrag {
    RECT bounds{};
    int slot = -1;
    POINT anchor{};
    RECT band{};
    POINT last{};
} g_zoom;

// The rubber band's four sides; drawn twice with XOR it is gone.
void DrawBandOutline(HDC dc, const RECT& r) {
    MoveToEx(dc, r.left, r.top, nullptr);
    LineTo(dc, r.right, r.top);
    LineTo(dc, r.right, r.bottom);
    LineTo(dc, r.left, r.bottom);
    LineTo(dc, r.left, r.top);
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

}  // namespace

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
    CWindowDC dc(gs->hwnd);
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
