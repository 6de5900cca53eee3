// Marker walks over a graph document's marker list; the device library reaches them through the
// host table. Each answers a node or null.
#pragma once
#include <cstdint>

struct tagGS;
struct stMarkerNode;

stMarkerNode* FindMarkerAfter(tagGS* gs, stMarkerNode* start, uint32_t pos, int32_t type);
stMarkerNode* FindMarkerAtOrAfter(tagGS* gs, stMarkerNode* start, uint32_t pos, int32_t type);
stMarkerNode* FirstMarkerOfType(tagGS* gs, int32_t type);
stMarkerNode* NextMarkerOfType(tagGS* gs, stMarkerNode* node, int32_t type);
