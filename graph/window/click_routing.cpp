// Routing of a left click in a graph window: band boundaries, the journal's edge, the plot's
// tools, the label column, the XY title, the channel button row, the scale strips and the axis
// strip, in that order; and the double-clicks that open the label and units dialogs.
#include "graph/window/click_routing.h"
#include "graph/window/graph_window.h"
#include "graph/window/mouse_tools.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include "graph/render/waveforms.h"
#include "graph/document/marker_walks.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/window/channel_slots.h"
#include "documents/documents_api.h"
#include "documents/markers/markers.h"
#include "base/app.h"
#include "base/lesson.h"
#include "graph/graph_ids.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include <cmath>

namespace {

// The set-up record's bit that says the channel is shown.
constexpr uint32_t kUnitShownFlag = 4;

constexpr int kBoundaryGrip = 2;

bool Allowed(ScriptPermission p) { return g_script.permissions[p] != 0; }
// PtInRect for a point given as two numbers.
bool InRect(const RECT& r, int x, int y) {
    POINT p{x, y};
    return PtInRect(&r, p) != FALSE;
}
bool Shown(const tagGS* gs, int s) { return s >= 0 && s < kMaxChannels && (gs->chanFlags[s] & kChanSlotMask) >= 2; }

// The display position whose band boundary is under the point; -1 for none.
int BoundaryAt(const tagGS* gs, int x, int y) {
    if (gs->displayMode != kModeChart) return -1;
    for (int i = 0; i < kMaxChannels; ++i) {
        int s = static_cast<int>(gs->chanOrder[i]);
        if (!Shown(gs, s)) continue;
        const RECT& scale = gs->chanScaleRects[s];
        if (scale.bottom >= gs->plotRect.bottom - kBoundaryGrip) continue;
        RECT grip{gs->chanLabelRects[s].left, scale.bottom - kBoundaryGrip, scale.right, scale.bottom + kBoundaryGrip};
        if (InRect(grip, x, y)) return i;
    }
    return -1;
}

// The journal's top edge, two pixels high.
bool OnJournalEdge(const tagGS* gs, int x, int y) {
    if (!gs->journalWnd) return false;
    RECT bar{};
    JournalButtonBarLayout(gs->journalWnd, &bar);
    bar.bottom = bar.top + 2;
    return InRect(bar, x, y);
}

// The press of the current tool in the plot; false when the arrow declined it.
bool PlotClick(GraphWindowData* data, tagGS* gs, int x, int y, UINT keys) {
    bool consumed = true;
    switch (gs->currentTool) {
    case IDC_TOOL_ARROW: consumed = SelectNearestChannel(gs, x, y) != 0; break;
    case IDC_TOOL_IBEAM: SelectRangeTool(gs, x, y, (keys & MK_SHIFT) != 0, WM_LBUTTONDOWN); break;
    case IDC_TOOL_ZOOM: ZoomTool(gs, x, y, WM_LBUTTONDOWN); break;
    default: break;
    }
    SelectSegmentAtX(gs, x);
    SetFocus(data->hwnd);
    return consumed;
}

// A channel button selects its channel; with Ctrl it shows or hides it (with Shift the whole row).
void ChannelButtonClick(tagGS* gs, int x, int y, UINT keys) {
    int index = ChannelButtonAt(gs, x, y);
    if (index < 0) return;
    if (keys & MK_CONTROL)
        ToggleChannelFromButton(gs, index, (keys & MK_SHIFT) != 0);
    else
        SelectGraphChannel(gs, static_cast<int16_t>(ChannelButtonSlot(gs, index)));
}

// Steps after the plot: scale strips, then the axis strip.
void ScaleOrAxisClick(GraphWindowData* data, tagGS* gs, int x, int y, int ctrl) {
    int slot = HitTestChannelArea(gs, x, y, kAreaScale);
    if (slot >= 0 && Allowed(kPermVScale)) {
        OpenVerticalScaleDialog(data->hwnd, gs, slot, ctrl);
        return;
    }
    const RECT& plot = gs->plotRect;
    int32_t cy = g_app ? g_app->fonts.cyText : 0;
    RECT axis{plot.left, plot.bottom, plot.right, plot.bottom + (gs->displayMode == kModeXY ? cy : 2 * cy)};
    if (InRect(axis, x, y)) {
        if (Allowed(kPermHScale)) OpenHorizontalScaleDialog(data->hwnd, gs, ctrl);
    }
}

}  // namespace

// Routes a press: the first area that holds the point takes it (the label column lets it go on).
void OnGraphMouseDown(GraphWindowData* data, int x, int y, UINT keys) {
    tagGS* gs = data ? data->doc : nullptr;
    if (!gs) return;
    int position = BoundaryAt(gs, x, y);
    if (position >= 0) {
        DragChartBoundary(gs, x, y, position, WM_LBUTTONDOWN);
        return;
    }
    if (OnJournalEdge(gs, x, y)) {
        DragJournalEdge(gs, x, y, WM_LBUTTONDOWN);
        return;
    }
    if (InRect(gs->plotRect, x, y) && PlotClick(data, gs, x, y, keys)) return;
    const bool xy = gs->displayMode == kModeXY;
    int slot = HitTestChannelArea(gs, x, y, kAreaLabel);
    if (slot >= 0) {
        if (xy)
            ShowChannelPopup(gs, data->hwndFocus, 0, x, y, 1);
        else if (static_cast<uint32_t>(slot) != gs->selectedChan)
            SelectGraphChannel(gs, static_cast<int16_t>(slot));
    }
    if (xy && InRect(gs->xLabelRect, x, y)) {
        ShowChannelPopup(gs, data->hwndFocus, 1, x, y, 1);
        return;
    }
    if (IsChanButtonsShown(gs) && !xy) {
        RECT row = ChannelButtonRowRect(gs);
        if (InRect(row, x, y)) {
            ChannelButtonClick(gs, x, y, keys);
            return;
        }
    }
    if (gs->markerBarShown && InRect(gs->markerBarRect, x, y)) {
        OnMarkerAreaClick(gs, x, y);
        return;
    }
    ScaleOrAxisClick(data, gs, x, y, (keys & MK_CONTROL) ? 1 : 0);
}

// Double-clicks on a channel's name or units open the label dialog for it.
void OnGraphDoubleClick(GraphWindowData* data, int x, int y) {
    tagGS* gs = data ? data->doc : nullptr;
    if (!gs) return;
    int slot = HitTestChannelArea(gs, x, y, kAreaLabel);
    if (slot >= 0 && Allowed(kPermVLabel)) ChannelLabelDialog(data->hwnd, gs, slot, 1);
    slot = HitTestChannelArea(gs, x, y, kAreaUnits);
    if (slot >= 0 && Allowed(kPermVScaleUnits)) ChannelLabelDialog(data->hwnd, gs, slot, 0);
    if (gs->displayMode != kModeXY) return;
    int32_t xc = static_cast<int32_t>(gs->xyXChan);
    if (InRect(gs->xLabelRect, x, y) && Allowed(kPermVLabel)) ChannelLabelDialog(data->hwnd, gs, xc, 1);
    if (InRect(gs->hUnitsRect, x, y) && Allowed(kPermVScaleUnits)) ChannelLabelDialog(data->hwnd, gs, xc, 0);
}

// The segment under a plot click becomes the current marker.
int SelectSegmentAtX(tagGS* gs, int x) {
    if (!gs || IsSegmentViewOn(gs) || !gs->markers || !(gs->sampleInterval > 0)) return 1;
    double t = std::round(GraphXToTime(gs, x) / gs->sampleInterval) * gs->sampleInterval;
    uint32_t sel = gs->selectedChan;
    double length = sel < static_cast<uint32_t>(kMaxChannels) ? gs->chanCount[sel] * gs->sampleInterval : 0.0;
    if (t > length) t = length;
    if (!(t > 0)) t = 0.0;
    uint32_t index = static_cast<uint32_t>(t / gs->sampleInterval);
    // The segment becomes active and current without moving the view: the click was inside it.
    stMarkerNode* found = FindMarkerAtOrBefore(gs->markers->first, index, kMarkerAppend);
    if (!found || MarkerType(found) != kMarkerAppend || !gs->markerManager) return 1;
    SetActiveSegmentMarker(gs->markerManager, found);
    CommitMarkerLabel(gs, found, 0, 1, 0);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);  // overlapped segments mark the active one
    return 1;
}

void SyncChannelDisplayFlags(tagGS* gs) {
    GraphWindowData* data = gs && gs->hwnd ? GetGraphWindowData(gs->hwnd) : nullptr;
    if (!data || !g_app || !g_app->hAcq) return;
    AcqLock acq(g_app->hAcq);
    if (!acq) return;
    for (int s = 0; s < kMaxChannels; ++s) {
        const stAcqChan* entry = GetChannelSetupEntry(acq.get(), s);
        if (!entry) continue;
        const bool graphShows = (gs->chanFlags[s] & 3) >= 2;
        const bool unitShows = (entry->flags & kUnitShownFlag) != 0;
        RECT r;
        if (graphShows == unitShows || !ChannelButtonRect(gs, s, &r)) continue;
        InflateRect(&r, -1, -1);
        OnGraphMouseDown(data, r.left, r.top, MK_CONTROL);
    }
}
