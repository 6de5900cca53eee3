// The user locale under which texts, fonts and number fields take their Japanese forms.
#pragma once

#include <windows.h>

constexpr LCID kJapaneseLocale = 1041;
