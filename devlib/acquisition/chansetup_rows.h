// The rows of the Setup Channels window as tests and the window reach them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"

// Ids of a row's presets menu: the first entry ("Default" or "Off"), then for calculation rows
// the ten kinds of "New", then the presets of the row's kind.
constexpr UINT kMenuDefault = 1;
constexpr UINT kMenuFirstKind = 2;

// The row window of a channel (kind 0 analog, 1 digital, 2 calculation); null when none.
HWND ChannelRowWindow(int32_t kind, int32_t number);
// The presets menu of a row, and what one of its choices does.
HMENU BuildRowPresetMenu(HWND row, const stAcq* acq);
void ApplyRowPresetChoice(HWND row, stAcq* acq, UINT id);
