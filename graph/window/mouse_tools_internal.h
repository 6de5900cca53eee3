// What the graph window's mouse tools share: the drag that owns the mouse and small helpers.
// Only the mouse files of this folder (the tools and the click routing) include it.
#pragma once
#include <windows.h>
#include <cstdint>
#include "controls/dc_guard.h"

struct tagGS;

namespace mouse_tools {

// The drag in progress, one of the kToolMode values; one for the whole program.
extern uint16_t g_toolMode;

// Half the height of a Chart boundary's grip band.
constexpr int kBoundaryGrip = 2;

bool IsShown(const tagGS* gs, int slot);
// PtInRect for a point given as two numbers.
bool InRect(const RECT& r, int x, int y);
int32_t Clamp(int32_t v, int32_t lo, int32_t hi);
// Whether the point lies on the grip band at the bottom of a shown slot's Chart band (none at
// the plot's bottom).
bool InBoundaryGrip(const tagGS* gs, int slot, int x, int y);
// The journal's top edge as a grip band two pixels high; false without a journal pane.
bool JournalEdgeBand(const tagGS* gs, RECT* out);

}  // namespace mouse_tools
