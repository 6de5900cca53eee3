// The rows of the Setup Channels window as tests and the window reach them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/stAcq.h"

// Ids of a row's presets menu: the first entry ("Default" or "Off"), then for calculation rows
// the ten kinds of "New", then the presets of the row's kind.
constexpr UINT kMenuDefault = 1;
constexpr UINT kMenuFirstKind = 2;

// Test seam: the row window of a channel (kind 0 analog, 1 digital, 2 calculation), the Setup
// Channels window made first when it has not been; null when none.
HWND ChannelRowWindow(int32_t kind, int32_t number);
// The presets menu of a row, and what one of its choices does.
HMENU BuildRowPresetMenu(HWND row, const stAcq* acq);
void ApplyRowPresetChoice(HWND row, stAcq* acq, UINT id);

// ---- Fitting a long presets menu to the screen ----

// Items in one column of a menu: a break every (screen height / item height - 1) items.
int32_t MenuItemsPerColumn(int32_t screenHeight, int32_t itemHeight);
// When the columns together are wider than the screen the column breaks go; then, while the
// widest item is still wider than the screen, the longest text is cut by four characters and
// "..." appended. width measures one text; breaks[i] starts a new column at item i.
void FitMenuTexts(std::vector<std::string>* texts, std::vector<bool>* breaks, int32_t screenWidth,
                  const std::function<int32_t(const std::string&)>& width);
