// The device library's numeric output preference (five doubles, also its 40-byte file form),
// the program's plain copies of a whole set (presets, file records), and the checks the panels
// make against a preference's limits.
#pragma once
#include <cstdint>
#include <vector>
#include "devlib/vk40.h"

using OutPref = COutCtlPref;
constexpr double kPrefUnset = COutCtlPref::m_undefined;  // a field that is not set
using PrefList = std::vector<OutPref>;

// 1 when the preference has no limits or the value lies within them; otherwise the value is set
// to the limit it passed, the default beep sounds when asked, and the answer is 0.
int ValidatePrefValue(const OutPref& pref, double* value, bool beep);
// 1 when every value equals its default (also for an empty set).
int PrefsAreDefault(const OutPref* prefs, int count);
// The bare value of entry i, or fallback when the set has no such entry.
double PrefValue(const PrefList& set, int i, double fallback = 0.0);
