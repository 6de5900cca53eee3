// Limits and defaults of output preferences.
#include "outputs/framework/out_prefs.h"
#include <windows.h>

// A typed value outside the preference's limits takes the nearer limit.
int ValidatePrefValue(const OutPref& pref, double* value, bool beep) {
    if (pref.lower == kPrefUnset && pref.upper == kPrefUnset) return 1;
    if (*value >= pref.lower && *value <= pref.upper) return 1;
    *value = *value < pref.lower ? pref.lower : pref.upper;
    if (beep) MessageBeep(0);
    return 0;
}

// Whether a set still holds what its controller started from.
int PrefsAreDefault(const OutPref* prefs, int count) {
    for (int i = 0; i < count; ++i)
        if (prefs[i].value != prefs[i].def) return 0;
    return 1;
}

// Reading a set that a file may have left shorter than its controller's.
double PrefValue(const PrefList& set, int i, double fallback) {
    return i >= 0 && static_cast<size_t>(i) < set.size() ? set[static_cast<size_t>(i)].value : fallback;
}
