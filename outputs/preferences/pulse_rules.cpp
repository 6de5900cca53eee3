// Cross-limits of the pulse preferences, on the sheet's copy of a stimulator's set.
#include "outputs/preferences/pulse_rules.h"
#include "outputs/panels/stimulator_panels.h"
#include <windows.h>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

enum : int {
    kCount = 1,
    kDelay = 3,
    kWidthEntry = 5,
    kWidthRangeA = 6,
    kWidthRangeB = 7,
    kLockedWidth = 8,
    kWidth = 9,
    kCalibration = 10,
    kShowPeriod = 12,
    kRepEntry = 13,
    kFrom = 14,
    kTo = 15,
    kLocked = 16,
    kPeriod = 17,
    kIncrement = 18,
    kLevel = 22,
    kLevelEntry = 23,
    kLevelFrom = 24,
    kLevelTo = 25,
    kLevelLocked = 26,
    kLevelStep = 27,
};
constexpr double kSmallestLevelStep = 0.001023975;  // in level units
constexpr double kFirstModelShortestDelay = 0.5;
constexpr int kSmallestWidthSteps = 5;

bool Has(const PrefList& s, int i) { return i >= 0 && static_cast<size_t>(i) < s.size(); }
double V(const PrefList& s, int i) { return Has(s, i) ? s[static_cast<size_t>(i)].m_value : 0.0; }
void Set(PrefList& s, int i, double v) {
    if (Has(s, i)) s[static_cast<size_t>(i)].m_value = v;
}
bool RatesShown(const PrefList& s) { return V(s, kShowPeriod) == 0.0; }
double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

}  // namespace

void ApplyPeriodLimitsForWidth(PrefList& s, OutController& c) {
    const int mode = static_cast<int>(V(s, kWidthEntry));
    if (mode != 0 && mode != 1) return;
    const double width = mode == 0 ? V(s, kWidth) : V(s, kLockedWidth);
    double lo = 0, hi = 0;
    c.PeriodRange(width, &lo, &hi, &s);
    // A range with an unset end (a controller without gap limits) limits nothing.
    if (hi < lo || !(lo < kPrefUnset) || !(hi < kPrefUnset)) return;
    const double oldFrom = V(s, kFrom), oldTo = V(s, kTo);
    if (static_cast<int>(V(s, kRepEntry)) == 1) {
        Set(s, kFrom, std::fmax(V(s, kFrom), lo));
        Set(s, kTo, std::fmin(V(s, kTo), hi));
    } else if (static_cast<int>(V(s, kRepEntry)) == 0) {
        Set(s, kFrom, lo);
        Set(s, kTo, hi);
    }
    Set(s, kPeriod, Clamp(V(s, kPeriod), lo, hi));
    Set(s, kFrom, Clamp(V(s, kFrom), lo, hi));
    RescaleIncrementOf(s, kFrom, oldFrom);
    Set(s, kTo, Clamp(V(s, kTo), lo, hi));
    RescaleIncrementOf(s, kTo, oldTo);
    Set(s, kLocked, Clamp(V(s, kLocked), lo, hi));
}

void RescaleIncrementOf(PrefList& s, int index, double old) {
    if (!RatesShown(s)) return;
    double from = V(s, kFrom), to = V(s, kTo);
    (index == kFrom ? from : to) = old;
    if (from <= 0 || to <= 0) return;
    Set(s, kIncrement, (V(s, kIncrement) * 1000.0 / (from * to)) * V(s, kFrom) * V(s, kTo) / 1000.0);
}

void ClampIncrement(PrefList& s) {
    if (!Has(s, kIncrement)) return;
    const double lower = s[kIncrement].m_min;
    Set(s, kIncrement, std::fmin(std::fmax(V(s, kIncrement), lower), V(s, kTo) - V(s, kFrom)));
}

void ClampCalibration(PrefList& s, double resolution) {
    if (!Has(s, kCalibration) || !Has(s, kWidth)) return;
    const double widthLower = s[kWidth].m_min;
    if (V(s, kWidth) - widthLower < V(s, kCalibration)) Set(s, kCalibration, V(s, kWidth) - widthLower);
    if (resolution <= 0) return;
    const double left = (V(s, kWidth) - V(s, kCalibration)) / resolution;
    if (static_cast<uint16_t>(left) < kSmallestWidthSteps)
        Set(s, kCalibration, V(s, kWidth) - kSmallestWidthSteps * resolution);
}

int MapFieldToEntry(int field, const PrefList& s, double* value) {
    const bool rates = RatesShown(s);
    switch (field) {
    case kFieldRepFrom:
        if (!rates) return kFrom;
        *value = 1000.0 / *value;
        return kTo;
    case kFieldRepTo:
        if (!rates) return kTo;
        *value = 1000.0 / *value;
        return kFrom;
    case kFieldRepLocked:
        if (rates) *value = 1000.0 / *value;
        return kLocked;
    case kFieldIncrement:
        if (rates) *value = *value * V(s, kFrom) * V(s, kTo) / 1000.0;
        return kIncrement;
    case kFieldCalibration: *value /= 1000.0; return kCalibration;
    case kFieldLockedWidth: return kLockedWidth;
    case kFieldCount: return kCount;
    case kFieldDelay: return kDelay;
    default: return -1;
    }
}

// A rate increment typed as 0 (or a range of a single period) would leave the repetition
// without a step; the old increment stays.
int CommitTypedField(PrefList& s, OutController& c, int field, double typed, bool firstModel) {
    double v = typed;
    const int entry = MapFieldToEntry(field, s, &v);
    if (!Has(s, entry)) return 0;
    if (entry == kIncrement && !(v > 0)) {
        MessageBeep(0);
        return 0;
    }
    if (entry == kDelay && firstModel && v != 0 && v < kFirstModelShortestDelay) {
        Set(s, kDelay, kFirstModelShortestDelay);
        return 1;
    }
    const double old = V(s, entry);
    s[static_cast<size_t>(entry)].Validate(&v, 1);
    Set(s, entry, v);
    switch (entry) {
    case kLockedWidth:
        Set(s, kWidth, v);
        ApplyPeriodLimitsForWidth(s, c);
        ClampCalibration(s, c.Resolution());
        break;
    case kCalibration: ClampCalibration(s, c.Resolution()); break;
    case kFrom:
    case kTo:
        if (V(s, kTo) < V(s, kFrom)) {
            const double t = V(s, kFrom);
            Set(s, kFrom, V(s, kTo));
            Set(s, kTo, t);
        }
        Set(s, kPeriod, Clamp(V(s, kPeriod), V(s, kFrom), V(s, kTo)));
        RescaleIncrementOf(s, entry, old);
        ApplyPeriodLimitsForWidth(s, c);
        break;
    case kLocked:
        Set(s, kPeriod, v);
        ApplyPeriodLimitsForWidth(s, c);
        break;
    case kIncrement:
        ClampIncrement(s);
        if (!(V(s, kIncrement) > 0)) {
            Set(s, kIncrement, old);
            MessageBeep(0);
            return 0;
        }
        break;
    default: break;
    }
    return 1;
}

std::string NumberText(double value, int decimals) {
    char format[16], text[64];
    std::snprintf(format, sizeof format, "%%6.%df", decimals);
    std::snprintf(text, sizeof text, format, value + std::pow(10.0, -(decimals + 2)));
    return text;
}

std::string FieldText(const PrefList& s, int field) {
    const bool rates = RatesShown(s);
    switch (field) {
    case kFieldCount: {
        char text[16];
        std::snprintf(text, sizeof text, "%3d", static_cast<int>(V(s, kCount)));
        return text;
    }
    case kFieldDelay: return NumberText(V(s, kDelay), 2);
    case kFieldLockedWidth: return NumberText(V(s, kLockedWidth), 2);
    case kFieldCalibration: return NumberText(V(s, kCalibration) * 1000.0, 2);
    case kFieldRepLocked: return NumberText(rates ? 1000.0 / V(s, kLocked) : V(s, kLocked), 2);
    case kFieldRepFrom: return NumberText(rates ? 1000.0 / V(s, kTo) : V(s, kFrom), 2);
    case kFieldRepTo: return NumberText(rates ? 1000.0 / V(s, kFrom) : V(s, kTo), 2);
    case kFieldIncrement: {
        const double inc = V(s, kIncrement);
        if (V(s, kFrom) == V(s, kTo)) return NumberText(rates ? 1.0 : inc, 6);
        return NumberText(rates ? inc * 1000.0 / (V(s, kFrom) * V(s, kTo)) : inc, 6);
    }
    default: return std::string();
    }
}

namespace {

double LevelUpper(const PrefList& s) {
    return Has(s, kLevel) && s[kLevel].m_max > 0 && s[kLevel].m_max < kPrefUnset ? s[kLevel].m_max : 1.0;
}
double LevelVolts(const PrefList& s, double units) { return units * 20.0 / LevelUpper(s) - 10.0; }

int LevelEntryOf(int field) {
    switch (field) {
    case IDC_OUT_LEVEL_FROM: return kLevelFrom;
    case IDC_OUT_LEVEL_TO: return kLevelTo;
    case IDC_OUT_LEVEL_LOCKED: return kLevelLocked;
    case IDC_OUT_LEVEL_STEP: return kLevelStep;
    default: return -1;
    }
}

void ResetLevel(PrefList& s, int i) {
    if (Has(s, i)) s[static_cast<size_t>(i)].m_value = s[static_cast<size_t>(i)].m_default;
}

}  // namespace

void ChooseLevelEntry(PrefList& s, int mode) {
    if (!Has(s, kLevelStep)) return;
    Set(s, kLevelEntry, mode);
    if (mode == 0) {
        ResetLevel(s, kLevelFrom);
        ResetLevel(s, kLevelTo);
        ResetLevel(s, kLevelLocked);
    } else if (mode == 1) {
        ResetLevel(s, kLevel);
        ResetLevel(s, kLevelLocked);
    } else if (mode == 2) {
        Set(s, kLevel, V(s, kLevelLocked));
    }
}

int CommitTypedLevel(PrefList& s, int field, double volts) {
    const int entry = LevelEntryOf(field);
    if (!Has(s, entry) || !Has(s, kLevel)) return 0;
    OutPref& p = s[static_cast<size_t>(entry)];
    const double v = RoundToLevelStep(volts);
    double units;
    if (entry == kLevelStep) {
        if (p.m_min == 0) p.m_min = kSmallestLevelStep;
        units = (s[kLevel].m_max - s[kLevel].m_min) * v / 20.0;
        units = Clamp(units, p.m_min, p.m_max);
    } else {
        units = (v + 10.0) * LevelUpper(s) / 20.0;
    }
    p.Validate(&units, 1);
    p.m_value = units;
    if (entry == kLevelFrom || entry == kLevelTo) {
        if (V(s, kLevelTo) < V(s, kLevelFrom)) {
            const double t = V(s, kLevelFrom);
            Set(s, kLevelFrom, V(s, kLevelTo));
            Set(s, kLevelTo, t);
        }
        Set(s, kLevel, Clamp(V(s, kLevel), V(s, kLevelFrom), V(s, kLevelTo)));
    } else if (entry == kLevelLocked) {
        Set(s, kLevel, units);
    }
    return 1;
}

std::string LevelText(const PrefList& s, int field) {
    const int entry = LevelEntryOf(field);
    if (!Has(s, entry)) return std::string();
    char text[32];
    double volts;
    if (entry == kLevelStep) {
        const OutPref& step = s[kLevelStep];
        volts = step.m_max > 0 && step.m_max < kPrefUnset ? step.m_value / step.m_max * 20.0 : 0.0;
    } else {
        volts = LevelVolts(s, V(s, entry));
    }
    std::snprintf(text, sizeof text, "%6.4f", volts);
    return text;
}
