// The user locale under which texts, fonts and number fields take their Japanese forms, and the
// regional settings' key.
#pragma once

#include <windows.h>

constexpr LCID kJapaneseLocale = 1041;

// The machine key of the regional settings (the mains frequency, the filter delay), read by the
// program and the device library alike.
constexpr char kLocalizationKey[] = "Software\\NORVANE\\Localization";
