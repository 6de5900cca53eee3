// Marker positions as the expressions read them (MARKER(n)); a file of its own so that a
// program that answers them itself does not pull the rest of the markers in.
#include "documents/measurements/measurements.h"
#include "documents/markers/markers.h"
#include "common/tagGS.h"

int MarkerSampleByNumber(tagGS* gs, int32_t n, uint32_t* pos) {
    if (!gs || n < 1 || !gs->markers) return 0;
    stMarkerNode* node = GetMarkerByNumber(gs->markers->first, static_cast<uint32_t>(n));
    if (!node) return 0;
    *pos = node->position;
    return 1;
}
