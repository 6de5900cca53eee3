// The graph toolbar's buttons follow the active graph like the frame menu does.
#include "shell/commands/menus.h"
#include "shell/commands/command_target.h"
#include "documents/documents_api.h"
#include "scripts/script_api.h"
#include "common/stAcq.h"
#include <initializer_list>

namespace {
constexpr UINT kScope = 2082, kXY = 2084, kGrid = 2085, kMarkers = 2087, kMeasure = 2089, kNumbers = 2090,
               kJournal = 2091, kFindPeak = 1067, kFindNext = 1068, kCurve = 4880, kSegments = 4881, kErase = 4882;
constexpr int kSegmentMarker = 3;
constexpr int16_t kDataModeAppend = 3;

HWND Button(UINT id) { return g_app->hwndToolbar ? GetDlgItem(g_app->hwndToolbar, static_cast<int>(id)) : nullptr; }

void EnableButton(UINT id, bool on) {
    if (HWND b = Button(id)) EnableWindow(b, on ? TRUE : FALSE);
}

void CheckButton(UINT id, bool on) {
    if (HWND b = Button(id)) SendMessageA(b, BM_SETCHECK, on ? BST_CHECKED : BST_UNCHECKED, 0);
}

// Recordings append as segments only in the set-up's append mode.
bool RecordingAppends() {
    AcqLock acq(g_app->hAcq);
    return acq && acq->dataMode == kDataModeAppend;
}

// Erasing in segment view takes only the last segment.
bool ActiveSegmentIsLast(tagGS* gs) {
    stMarkerNode* active = GetActiveSegmentMarker(gs);
    return !active || !NextMarkerOfType(gs, active, kSegmentMarker);
}

void UpdateSegmentButtons(tagGS* gs, bool xy, bool recording) {
    const bool segmentView = gs->markerManager && IsSegmentViewOn(gs);
    const bool offered = !xy && CountMarkersOfType(gs, kSegmentMarker) > 0 && RecordingAppends();
    EnableButton(kSegments, offered);
    CheckButton(kSegments, offered && segmentView);
    if (segmentView) EnableButton(kXY, false);
    EnableButton(kErase, offered && !recording && (!segmentView || ActiveSegmentIsLast(gs)));
}
}  // namespace

void UpdateGraphToolbar() {
    tagGS* gs = ActiveGraph();
    if (!gs) {
        DisableGraphToolButtons();
        for (UINT id : {kScope, kScope + 1, kXY, kGrid, kMeasure, kNumbers, kMarkers, kJournal, kCurve, kSegments, kErase})
            EnableButton(id, false);
        return;
    }
    const bool xy = gs->displayMode == 2, recording = gs->acquiring != 0;
    for (UINT id = kScope; id <= kXY; ++id) {
        HWND b = Button(id);
        if (b) EnableWindow(b, IsWindowVisible(b));
        CheckButton(id, id == kScope + gs->displayMode);
    }
    for (UINT id : {kGrid, kMeasure, kNumbers, kJournal}) EnableButton(id, true);
    EnableButton(kMarkers, !xy);
    CheckButton(kGrid, gs->gridShown != 0);
    CheckButton(kMeasure, gs->measureShown != 0);
    CheckButton(kNumbers, gs->chanButtonsShown != 0);
    CheckButton(kMarkers, gs->markerBarShown != 0);
    CheckButton(kJournal, gs->journalShown != 0);
    const bool tools = !recording || (gs->toolsWhileRecording && g_cursorToolsAllowed);
    for (HWND b : gs->toolButtons)
        if (b) EnableWindow(b, tools ? TRUE : FALSE);
    bool anyChannel = false;
    for (int slot = 0; slot < kMaxChannels && !anyChannel; ++slot) anyChannel = SlotHoldsChannel(gs, slot);
    EnableButton(kFindPeak, !recording && anyChannel);
    EnableButton(kFindNext, !recording && anyChannel);
    EnableButton(kCurve, xy && !recording);
    UpdateSegmentButtons(gs, xy, recording);
    if (g_app->hwndToolbar) InvalidateRect(g_app->hwndToolbar, nullptr, FALSE);
}
