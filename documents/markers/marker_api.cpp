// What the graph window, the frame's commands and the device library reach of a document's
// markers: each takes the document and finds its list and manager.
#include "documents/markers/markers.h"
#include <new>
#include <cmath>
#include "base/app.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "base/services.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"

CMarkerManager* NewMarkerManager(tagGS* owner) {
    LoadMarkerAccelerators();
    return new (std::nothrow) CMarkerManager(owner);
}

void DeleteMarkerManager(CMarkerManager* manager, int flags) {
    if (flags & 1) delete manager;
}

uint32_t GetSegmentEnd(tagGS* gs, stMarkerNode* node) {
    if (!gs || !gs->markerManager) return gs && gs->totalSamples > 0 ? static_cast<uint32_t>(gs->totalSamples) : 0;
    return GetSegmentEnd(gs->markerManager, node);
}

uint32_t MarkerSamplePosition(const stMarkerNode* node) { return node ? node->position : 0; }
int MarkerIsActive(const stMarkerNode* node) { return node && node->marker && node->marker->active ? 1 : 0; }

stMarkerNode* InsertMarker(tagGS* gs, double timeMs, int updateButtons, const char* label, int type) {
    return gs ? InsertMarker(gs, gs->markers, timeMs, updateButtons, label, type) : nullptr;
}

// A new recording replaces the document's data: its markers and their numbering start afresh.
void DropGraphMarkers(tagGS* gs) {
    if (gs->markers) {
        FreeMarkerList(gs->markers);
        void* block = gs->markers;
        FreeLockedBlock(block);
        gs->markers = nullptr;
    }
    if (CMarkerManager* m = gs->markerManager) {
        for (uint32_t& c : m->counters) c = 0;
        m->segmentView = 0;
    }
    if (gs->markerLabelEdit) {
        SetWindowTextA(gs->markerLabelEdit, "");
        EnableWindow(gs->markerLabelEdit, FALSE);
    }
    CloseFindDialog();
    RedrawMarkerBar(gs);
}

stMarkerNode* CurrentMarkerNeighbour(tagGS* gs, int direction) {
    stMarkerNode* current = gs && gs->markers ? gs->markers->current : nullptr;
    if (!current) return nullptr;
    return direction > 0 ? current->next : current->previous;
}

int SetCurrentMarkerLabel(tagGS* gs, const char* text) {
    stMarkerNode* current = gs && gs->markers ? gs->markers->current : nullptr;
    if (!current || !current->labelOpen || !current->marker) return 0;
    char cut[kMarkerLabelMax + 1];
    lstrcpynA(cut, text ? text : "", sizeof cut);
    SetMarkerLabel(current, cut);
    current->marker->fixedLabel = 1;
    setDirtyGraphFlag(gs, 1);
    return 1;
}

int MarkerListHasNext(const stMarkerList* list) { return list && list->current && list->current->next ? 1 : 0; }

int IsSegmentViewOn(tagGS* gs) { return gs && gs->markerManager && gs->markerManager->segmentView ? 1 : 0; }

void ToggleSegmentView(tagGS* gs) {
    CMarkerManager* m = gs ? gs->markerManager : nullptr;
    if (!m) return;
    m->segmentView = !m->segmentView;
    SelectMarker(gs, GetActiveSegmentMarker(m), 0);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    if (g_app) notify::UpdateTransformMenu(g_app->hwndFrame, gs->hwnd);
    notify::UpdateGraphToolbar();
    notify::UpdateHScrollBar(gs);
}

namespace {

// Erases the last segment's data; 1 when there are more segments to erase.
int EraseLast(tagGS* gs) {
    CMarkerManager* m = gs->markerManager;
    stMarkerNode* last = LastSegmentMarker(m);
    if (!last) return 0;
    // The erase acts on the active segment's range, so the last one becomes active first.
    SetActiveSegmentMarker(m, last);
    StoreSegmentSelection(m, last);
    const bool atStart = last->position == 0;
    gs->selStart = last->position * gs->sampleInterval;
    gs->selEnd = GetSegmentEnd(m, last) * gs->sampleInterval;
    if (g_app && g_app->hwndFrame) SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_EDIT_CLEAR_ALL, 0);
    if (atStart) {
        m->segmentView = 0;
        return 0;
    }
    const uint32_t count = gs->chanCount[gs->selectedChan < kMaxChannels ? gs->selectedChan : 0];
    if (count > RoundUpToIncrement(gs->hStart / gs->sampleInterval, 1.0)) return 1;
    if (stMarkerNode* now = LastSegmentMarker(m)) SelectMarker(gs, now, 0);
    return 1;
}

// The acquisition record's erase-confirmation flag; 0 without a record.
int EraseConfirmFlag() {
    if (!g_app || !g_app->hAcq) return 0;
    AcqLock acq(g_app->hAcq);
    return acq ? acq->confirmErase : 0;
}

void SetEraseConfirmFlag(int on) {
    if (!g_app || !g_app->hAcq) return;
    AcqLock acq(g_app->hAcq);
    if (acq) acq->confirmErase = on;
}

// A yes/no question captioned with the program title; true for yes.
bool AskErase(const char* key) {
    char caption[129] = "";
    if (g_app) LoadStringA(g_app->hInstance, IDS_APP_TITLE, caption, sizeof caption);
    HWND owner = Owner();
    return MessageBoxA(owner, Keyed(key), caption, MB_YESNO | MB_ICONQUESTION) == IDYES;
}

}  // namespace

void EraseLastSegment(tagGS* gs) {
    if (!gs || !gs->markers || !gs->markerManager) return;
    if (EraseConfirmFlag() && !AskErase("Are you sure you want to erase the last recording segment?")) return;
    EraseLast(gs);
}

void EraseAllData(tagGS* gs) {
    if (!gs || !gs->markers || !gs->markerManager) return;
    const int confirm = EraseConfirmFlag();
    if (confirm && !AskErase("Are you sure you want to erase all data?")) return;
    // One question for all: the segment erases below run with the flag off.
    SetEraseConfirmFlag(0);
    // Each erase removes one append marker, so the loop ends with the segments.
    while (gs->markers && EraseLast(gs)) {
    }
    SetEraseConfirmFlag(confirm);
}

int GetActiveSegmentSampleRange(tagGS* gs, uint32_t* first, uint32_t* end) {
    *first = *end = 0;
    if (!IsSegmentViewOn(gs)) return 0;
    return GetActiveSegmentRange(gs->markerManager, first, end);
}

stMarkerNode* GetActiveSegmentMarker(tagGS* gs) {
    return gs && gs->markerManager ? GetActiveSegmentMarker(gs->markerManager) : nullptr;
}

stMarkerNode* MarkerAtPosition(tagGS* gs, int index) {
    if (!gs || !gs->markers || index < 0) return nullptr;
    return GetMarkerByNumber(gs->markers->first, static_cast<uint32_t>(index) + 1);
}

int CountMarkersOfType(tagGS* gs, int32_t type) {
    return gs && gs->markerManager ? static_cast<int>(CountMarkersOfType(gs->markerManager, type)) : 0;
}

void AdjustSegmentsForCut(tagGS* gs, double t0, double t1) {
    if (gs && gs->markerManager) AdjustMarkersForCut(gs->markerManager, t0, t1);
}

void AdjustMarkersForInsert(tagGS* gs, double atMs, uint32_t samples) {
    if (gs && gs->markerManager) AdjustMarkersForInsert(gs->markerManager, atMs, samples);
}

void DeleteMarkersPastEnd(tagGS* gs) {
    if (gs && gs->markerManager) DeleteMarkersPastEnd(gs->markerManager);
}

// An edit of the only channel moves every marker with the samples it stands at; those inside a
// removed range stand at its start afterwards, so that Undo can move them back. The list keeps
// its position order.
void ShiftMarkersForEdit(tagGS* gs, uint32_t at, int64_t delta) {
    if (!gs || !gs->markers || delta == 0) return;
    for (stMarkerNode* n = gs->markers->first; n; n = n->next) {
        if (n->position < at) continue;
        int64_t moved = static_cast<int64_t>(n->position) + delta;
        if (delta < 0 && static_cast<int64_t>(n->position) < static_cast<int64_t>(at) - delta) moved = at;
        n->position = moved > 0xFFFFFFFFll ? 0xFFFFFFFFu : static_cast<uint32_t>(moved < 0 ? 0 : moved);
    }
    RedrawMarkerBar(gs);
}

void DeleteCurrentMarker(tagGS* gs) {
    if (gs && gs->markers && gs->markers->current && gs->markerManager)
        DeleteMarker(gs->markerManager, gs->markers->current);
}

void ClearAllMarkers(tagGS* gs) {
    if (gs && gs->markerManager) ClearAllMarkers(gs->markerManager);
}
