// What the graph window's mouse tools share: the drag that owns the mouse and small helpers.
// Only the tool files of this folder include it.
#pragma once
#include <windows.h>
#include <cstdint>
#include "controls/dc_guard.h"

struct tagGS;

namespace mouse_tools {

// The drag in progress, one of the kToolMode values; one for the whole program.
extern uint16_t g_toolMode;

bool IsShown(const tagGS* gs, int slot);
// PtInRect for a point given as two numbers.
bool InRect(const RECT& r, int x, int y);
int32_t Clamp(int32_t v, int32_t lo, int32_t hi);

}  // namespace mouse_tools
