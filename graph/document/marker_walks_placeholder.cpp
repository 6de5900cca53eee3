// Placeholder of the marker walks, which are not built: no document has markers to walk.
#include "graph/document/marker_walks.h"

stMarkerNode* FindMarkerAfter(tagGS*, stMarkerNode*, uint32_t, int32_t) { return nullptr; }
stMarkerNode* FindMarkerAtOrAfter(tagGS*, stMarkerNode*, uint32_t, int32_t) { return nullptr; }
stMarkerNode* FirstMarkerOfType(tagGS*, int32_t) { return nullptr; }
stMarkerNode* NextMarkerOfType(tagGS*, stMarkerNode*, int32_t) { return nullptr; }
