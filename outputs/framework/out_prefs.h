// One numeric output preference as the device library's controllers keep it (five doubles, also
// its 40-byte file form), the program's copies of a whole set, and the checks the panels make
// against a preference's limits.
#pragma once
#include <cfloat>
#include <cstdint>
#include <vector>

struct OutPref {
    double value;
    double lower;
    double upper;
    double step;  // one scroll-bar line where a panel uses it
    double def;
};
static_assert(sizeof(OutPref) == 40, "a preference is five doubles");

constexpr double kPrefUnset = DBL_MAX;  // a field that is not set
using PrefList = std::vector<OutPref>;

// 1 when the preference has no limits or the value lies within them; otherwise the value is set
// to the limit it passed, the default beep sounds when asked, and the answer is 0.
int ValidatePrefValue(const OutPref& pref, double* value, bool beep);
// 1 when every value equals its default (also for an empty set).
int PrefsAreDefault(const OutPref* prefs, int count);
// The bare value of entry i, or fallback when the set has no such entry.
double PrefValue(const PrefList& set, int i, double fallback = 0.0);
