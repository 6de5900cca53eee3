// Recording segments: the stretches between append markers, the active one, and how markers
// follow edits of the samples.
#include "documents/markers/markers.h"
#include <algorithm>
#include <cmath>
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"

namespace {

stMarkerNode* FirstNode(CMarkerManager* m) { return m->owner->markers ? m->owner->markers->first : nullptr; }

stMarkerNode* NextAppend(const stMarkerNode* node) {
    for (stMarkerNode* n = node->next; n; n = n->next)
        if (MarkerType(n) == kMarkerAppend) return n;
    return nullptr;
}

uint32_t SampleOf(double ms, double interval) {
    const double s = interval > 0.0 ? ms / interval : 0.0;
    return !(s > 0.0) ? 0u : s >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(s);
}

// The cut's samples, ordered and limited to the data.
void CutRange(const tagGS* gs, double t0, double t1, uint32_t* s0, uint32_t* s1) {
    const uint32_t end = gs->totalSamples > 0 ? static_cast<uint32_t>(gs->totalSamples) : 0u;
    uint32_t a = std::min(SampleOf(t0, gs->sampleInterval), end), b = std::min(SampleOf(t1, gs->sampleInterval), end);
    *s0 = std::min(a, b);
    *s1 = std::max(a, b);
}

}  // namespace

uint32_t GetSegmentEnd(CMarkerManager* m, const stMarkerNode* append) {
    const stMarkerNode* next = append ? NextAppend(append) : nullptr;
    if (!next) return m->owner->totalSamples > 0 ? static_cast<uint32_t>(m->owner->totalSamples) : 0u;
    // Two append markers at one position make an empty segment, not one that wraps past the end.
    return next->position > append->position ? next->position - 1 : append->position;
}

stMarkerNode* GetActiveSegmentMarker(CMarkerManager* m) {
    for (stMarkerNode* n = FirstNode(m); n; n = n->next)
        if (MarkerType(n) == kMarkerAppend && n->marker->active) return n;
    return nullptr;
}

void SetActiveSegmentMarker(CMarkerManager* m, stMarkerNode* node) {
    if (stMarkerNode* old = GetActiveSegmentMarker(m)) old->marker->active = 0;
    if (node && node->marker) node->marker->active = 1;
}

stMarkerNode* FindMarkerAtOrBefore(stMarkerNode* start, uint32_t pos, int32_t type) {
    stMarkerNode* found = nullptr;
    for (stMarkerNode* n = start; n && n->position <= pos; n = n->next)
        if (MarkerType(n) == type) found = n;
    return found ? found : start;
}

int GetActiveSegmentRange(CMarkerManager* m, uint32_t* first, uint32_t* last) {
    stMarkerNode* active = GetActiveSegmentMarker(m);
    if (!active) return 0;
    if (first) *first = active->position;
    if (last) *last = GetSegmentEnd(m, active);
    return 1;
}

int GetActiveSegmentTimes(CMarkerManager* m, double* start, double* end) {
    uint32_t first = 0, last = 0;
    if (!GetActiveSegmentRange(m, &first, &last)) return 0;
    if (start) *start = first * m->owner->sampleInterval;
    if (end) *end = last * m->owner->sampleInterval;
    return 1;
}

uint32_t GetActiveSegmentLength(CMarkerManager* m) {
    uint32_t first = 0, last = 0;
    return GetActiveSegmentRange(m, &first, &last) ? last - first + 1 : 0xFFFFFFFFu;
}

void SelectSegmentByMarker(CMarkerManager* m, const stMarkerNode* node) {
    stMarkerNode* chosen = nullptr;
    for (stMarkerNode* n = FirstNode(m); n; n = n->next) {
        if (MarkerType(n) != kMarkerAppend) continue;
        if (!chosen || n->position <= node->position) chosen = n;
        if (n->position > node->position) break;
    }
    if (chosen) SetActiveSegmentMarker(m, chosen);
}


void StoreSegmentSelection(CMarkerManager* m, const stMarkerNode* append) {
    tagGS* gs = m->owner;
    const double start = append->position * gs->sampleInterval;
    const double end = GetSegmentEnd(m, append) * gs->sampleInterval;
    gs->selStart = std::min(std::max(gs->selStart, start), end);
    gs->selEnd = std::min(std::max(gs->selEnd, start), end);
    m->selStartOffset = gs->selStart - start;
    m->selEndOffset = gs->selEnd - start;
}

void AdjustMarkersForCut(CMarkerManager* m, double t0, double t1) {
    tagGS* gs = m->owner;
    if (!gs->markers) return;
    uint32_t s0, s1;
    CutRange(gs, t0, t1, &s0, &s1);
    const uint32_t d = s1 - s0;
    if (d == 0) return;
    // Segment ends are taken before anything moves.
    for (stMarkerNode* n = FirstNode(m); n;) {
        stMarkerNode* next = n->next;
        if (n->position >= s1) {
            n->position -= d;
        } else if (n->position >= s0) {
            if (MarkerType(n) == kMarkerAppend && GetSegmentEnd(m, n) > s1) {
                n->position = s0;
            } else {
                const bool active = MarkerType(n) == kMarkerAppend && n->marker->active;
                RemoveMarker(m, n);
                if (active && next) SelectSegmentByMarker(m, next);
            }
        }
        n = next;
    }
    RedrawMarkerBar(gs);
}

void AdjustMarkersForInsert(CMarkerManager* m, double atMs, uint32_t samples) {
    tagGS* gs = m->owner;
    const uint32_t at = SampleOf(atMs, gs->sampleInterval);
    for (stMarkerNode* n = FirstNode(m); n; n = n->next)
        if (n->position >= at) n->position = 0xFFFFFFFFu - n->position < samples ? 0xFFFFFFFFu : n->position + samples;
    RedrawMarkerBar(gs);
}

void DeleteMarkersPastEnd(CMarkerManager* m) {
    tagGS* gs = m->owner;
    if (!gs->markers) return;
    uint32_t end = 0;
    for (uint32_t count : gs->chanCount) end = std::max(end, count);
    stMarkerNode* first = gs->markers->first;
    if (!first || first->position > end) {
        ClearAllMarkers(m);
        return;
    }
    for (int32_t type = kMarkerSequential; type <= kMarkerPlaced; ++type) {
        for (stMarkerNode* n = gs->markers->first; n;) {
            stMarkerNode* next = n->next;
            if (MarkerType(n) == type && n->position >= end) RemoveMarker(m, n);
            n = next;
        }
    }
    RedrawMarkerBar(gs);
}
