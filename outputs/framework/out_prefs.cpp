// Limits and defaults of output preferences.
#include "outputs/framework/out_prefs.h"

// A typed value outside the preference's limits takes the nearer limit.
int ValidatePrefValue(const OutPref& pref, double* value, bool beep) { return pref.Validate(value, beep ? 1 : 0); }

// Whether a set still holds what its controller started from.
int PrefsAreDefault(const OutPref* prefs, int count) {
    for (int i = 0; i < count; ++i)
        if (!prefs[i].IsDefault()) return 0;
    return 1;
}

// Reading a set that a file may have left shorter than its controller's.
double PrefValue(const PrefList& set, int i, double fallback) {
    return i >= 0 && static_cast<size_t>(i) < set.size() ? set[static_cast<size_t>(i)].m_value : fallback;
}
