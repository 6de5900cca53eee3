// Peak finding over plain sample arrays.
#include "transforms/analysis/peak_search.h"
#include <cmath>
#include <limits>

namespace {

// Positive peak: below the level first, then the run at or above it; its largest sample.
int FindPositive(const double* v, int32_t i, int32_t end, double level, stPeakHit* hit) {
    while (i < end && v[i] >= level) ++i;
    while (i < end && v[i] < level) ++i;
    if (i >= end) return 0;
    int32_t peak = i;
    const int32_t crossing = i;
    for (++i; i < end && v[i] >= level; ++i)
        if (v[i] > v[peak]) peak = i;
    if (i >= end) return 0;
    *hit = {crossing, peak};
    return 1;
}

// Negative peak: the mirror, with the smallest sample of the run at or below the level.
int FindNegative(const double* v, int32_t i, int32_t end, double level, stPeakHit* hit) {
    while (i < end && v[i] <= level) ++i;
    while (i < end && v[i] > level) ++i;
    if (i >= end) return 0;
    int32_t peak = i;
    const int32_t crossing = i;
    for (++i; i < end && v[i] <= level; ++i)
        if (v[i] < v[peak]) peak = i;
    if (i >= end) return 0;
    *hit = {crossing, peak};
    return 1;
}

}  // namespace

// One search from start; the caller has clamped end to the channel.
int FindPeakInValues(const double* values, int32_t start, int32_t end, const stPeakRule& rule, stPeakHit* hit) {
    if (!values || start < 0) return 0;
    switch (rule.mode) {
    case kPeakPositive: return FindPositive(values, start, end, rule.level, hit);
    case kPeakNegative: return FindNegative(values, start, end, rule.level, hit);
    case kPeakInterval: {
        if (rule.stepSamples < 1 || start >= end - 1) return 0;
        const int64_t peak = static_cast<int64_t>(start) + rule.stepSamples;
        if (peak >= end) return 0;
        *hit = {start, static_cast<int32_t>(peak)};
        return 1;
    }
    default: return 0;
    }
}

// The cursors of a hit; see the header for the placement rules.
void PlacePeakCursors(double oldFirst, const stPeakHit& hit, int16_t placement, double offset1, double offset2,
                      double interval, uint32_t count, double* first, double* second) {
    const double previous = oldFirst < 0.0 ? 0.0 : oldFirst;
    int32_t index = placement == kPlacePreviousThreshold || placement == kPlaceThreshold ? hit.crossing : hit.peak;
    if (count > 0 && static_cast<uint32_t>(index) > count - 1) index = static_cast<int32_t>(count - 1);
    double f = index * interval;
    double s;
    if (placement == kPlacePeak || placement == kPlaceThreshold) {
        s = f + offset2;
        f += offset1;
    } else {
        s = previous + offset2;
    }
    *first = f;
    *second = s < 0.0 ? 0.0 : s;
}

void TrackPeakLevels(double value, double minimum, double maximum, double percent, double* positive,
                     double* negative) {
    *positive = minimum + (value - minimum) * percent / 100.0;
    *negative = maximum - (maximum - value) * percent / 100.0;
}

// Rounded to the nearest sample; a count beyond the 32-bit range is as good as "beyond the end".
int32_t IntervalInSamples(double interval, double unitFactor, double sampleInterval) {
    if (!(sampleInterval > 0.0)) return 0;
    const double q = std::floor(interval * unitFactor / sampleInterval + 0.5);
    if (!(q >= 1.0)) return 0;  // also NaN
    if (q >= static_cast<double>(std::numeric_limits<int32_t>::max())) return std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(q);
}
