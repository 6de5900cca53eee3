// Marker walks over a graph document's marker list in position order.
#include "graph/document/marker_walks.h"
#include "common/tagGS.h"
#include "documents/markers/markers.h"

namespace {
bool OfType(const stMarkerNode* node, int32_t type) { return node->marker && node->marker->type == type; }
}  // namespace

stMarkerNode* FindMarkerAfter(tagGS*, stMarkerNode* start, uint32_t pos, int32_t type) {
    for (stMarkerNode* n = start; n; n = n->next)
        if (n->position > pos && OfType(n, type)) return n;
    return nullptr;
}

stMarkerNode* FindMarkerAtOrAfter(tagGS*, stMarkerNode* start, uint32_t pos, int32_t type) {
    for (stMarkerNode* n = start; n; n = n->next)
        if (n->position >= pos && OfType(n, type)) return n;
    return nullptr;
}

stMarkerNode* FirstMarkerOfType(tagGS* gs, int32_t type) {
    for (stMarkerNode* n = gs && gs->markers ? gs->markers->first : nullptr; n; n = n->next)
        if (OfType(n, type)) return n;
    return nullptr;
}

stMarkerNode* NextMarkerOfType(tagGS*, stMarkerNode* node, int32_t type) {
    for (stMarkerNode* n = node ? node->next : nullptr; n; n = n->next)
        if (OfType(n, type)) return n;
    return nullptr;
}
