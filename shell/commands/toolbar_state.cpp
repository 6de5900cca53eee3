// The graph toolbar's buttons follow the active graph like the frame menu does.
#include "shell/commands/menus.h"
#include "shell/commands/command_target.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "graph/document/marker_walks.h"
#include "documents/documents_api.h"
#include "scripts/script_api.h"
#include "common/stAcq.h"
#include "graph/dialogs/toolbar.h"
#include "documents/markers/markers.h"
#include <initializer_list>

namespace {

HWND Button(UINT id) { return ToolbarButton(id); }

// The toolbar follows the graph at every change; under Wine even an EnableWindow that changes
// nothing asks the window server, so a button already in that state is left alone.
void SetEnabled(HWND b, bool on) {
    if (b && (IsWindowEnabled(b) != FALSE) != on) EnableWindow(b, on ? TRUE : FALSE);
}

void EnableButton(UINT id, bool on) { SetEnabled(Button(id), on); }

void CheckButton(UINT id, bool on) {
    if (HWND b = Button(id)) SendMessageA(b, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Recordings append as segments only in the set-up's append mode.
bool RecordingAppends() {
    AcqLock acq(g_app->hAcq);
    return acq && acq->dataMode == kDataAppend;
}

// Erasing in segment view takes only the last segment.
bool ActiveSegmentIsLast(tagGS* gs) {
    stMarkerNode* active = GetActiveSegmentMarker(gs);
    return !active || !NextMarkerOfType(gs, active, kMarkerAppend);
}

void UpdateSegmentButtons(tagGS* gs, bool xy, bool recording) {
    const bool segmentView = gs->markerManager && IsSegmentViewOn(gs);
    const bool offered = !xy && CountMarkersOfType(gs, kMarkerAppend) > 0 && RecordingAppends();
    EnableButton(IDM_SEGMENT_VIEW, offered);
    CheckButton(IDM_SEGMENT_VIEW, offered && segmentView);
    if (segmentView) EnableButton(IDM_SHOW_XY, false);
    EnableButton(IDM_ERASE_SEGMENT, offered && !recording && (!segmentView || ActiveSegmentIsLast(gs)));
}

// A graph's own cursor tool buttons as the lesson allows them; during a recording they need
// both permissions.
void ApplyGraphToolPermission(tagGS* gs) {
    if (!gs) return;
    const bool tools = g_script.permissions[kPermTools] &&
                       (!gs->acquiring || (gs->toolsWhileRecording && g_script.cursorToolsAllowed));
    for (HWND b : gs->toolButtons)
        SetEnabled(b, tools);
}
}  // namespace

void UpdateGraphToolbar() {
    // The lesson's tool permission holds in every graph window, not only in the active one: the
    // device library enables the tools of the graph a run ended in, which may be behind others.
    if (g_app->hwndClient)
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            ApplyGraphToolPermission(GetWindowGraph(w));
    tagGS* gs = ActiveGraph();
    if (!gs) {
        DisableGraphToolButtons();
        for (UINT id : {IDM_SHOW_SCOPE, IDM_SHOW_CHART, IDM_SHOW_XY, IDM_SHOW_GRID, IDM_SHOW_MEASUREMENTS,
                        IDM_SHOW_CHANNEL_NUMBERS, IDM_SHOW_MARKERS, IDM_SHOW_JOURNAL, IDM_STANDARD_CURVE,
                        IDM_SEGMENT_VIEW, IDM_ERASE_SEGMENT})
            EnableButton(id, false);
        return;
    }
    const bool xy = gs->displayMode == kModeXY, recording = gs->acquiring != 0;
    for (UINT id = IDM_SHOW_SCOPE; id <= IDM_SHOW_XY; ++id) {
        HWND b = Button(id);
        SetEnabled(b, IsWindowVisible(b) != FALSE);
        CheckButton(id, id == IDM_SHOW_SCOPE + gs->displayMode);
    }
    for (UINT id : {IDM_SHOW_GRID, IDM_SHOW_MEASUREMENTS, IDM_SHOW_CHANNEL_NUMBERS, IDM_SHOW_JOURNAL})
        EnableButton(id, true);
    EnableButton(IDM_SHOW_MARKERS, !xy);
    CheckButton(IDM_SHOW_GRID, gs->gridShown != 0);
    CheckButton(IDM_SHOW_MEASUREMENTS, gs->measureShown != 0);
    CheckButton(IDM_SHOW_CHANNEL_NUMBERS, IsChanButtonsShown(gs));
    CheckButton(IDM_SHOW_MARKERS, gs->markerBarShown != 0);
    CheckButton(IDM_SHOW_JOURNAL, gs->journalShown != 0);
    ApplyGraphToolPermission(gs);
    bool anyChannel = false;
    for (int slot = 0; slot < kMaxChannels && !anyChannel; ++slot) anyChannel = SlotHoldsChannel(gs, slot);
    EnableButton(IDM_TRANSFORM_FIND_PEAK, !recording && anyChannel);
    EnableButton(IDM_TRANSFORM_FIND_NEXT_PEAK, !recording && anyChannel);
    EnableButton(IDM_STANDARD_CURVE, xy && !recording);
    UpdateSegmentButtons(gs, xy, recording);
    if (g_app->hwndToolbar) InvalidateRect(g_app->hwndToolbar, nullptr, FALSE);
}
