// The measurement routines over a channel view and a selection frame.
#include "documents/measurements/measure_calc.h"
#include "common/tagGS.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace measure {
namespace {

// The median buffer's largest count and who is told when it cannot be had.
size_t g_medianLimit = SIZE_MAX;
void (*g_medianFailed)() = nullptr;

// Samples of this magnitude or more are left out of the mean.
const double kMeanLimit = std::ldexp(1.0, 512);

double RoundHalfAway(double v) { return std::round(v); }

int32_t ToIndex(double v) {
    double r = RoundHalfAway(v);
    if (r > 2147483647.0) return INT32_MAX;
    if (r < -2147483648.0) return INT32_MIN;
    return static_cast<int32_t>(r);
}

double Physical(const ChannelView& ch, double stored) {
    return ch.form == 1 ? stored : stored * ch.scale + ch.offset;
}

bool Stored(const ChannelView& ch, int32_t i, double* out) {
    return i >= 0 && i < ch.count && ch.stored && ch.stored(ch.ctx, ch.key, i, out) != 0;
}

bool Y(const ChannelView& ch, int32_t i, double* out) {
    double s;
    if (!Stored(ch, i, &s)) return false;
    *out = Physical(ch, s);
    return true;
}

// The working range after the admission checks a routine asks for.
struct Range {
    int32_t first = 0, last = 0;
    int32_t iStart = 0, iEnd = 0;  // the indices of the start and end positions
    int32_t n() const { return last - first + 1; }
};

enum Check : unsigned { C1 = 1, C2 = 2, C3 = 4, C4 = 8, C5 = 16 };

bool C5Window(const Frame& f, Range* r) {
    if (f.storageKind != kStoreDiskRecording) return true;
    const int32_t lo = f.winFirst;
    const int32_t hi = f.winFirst + static_cast<int32_t>(f.winLen) - 1;
    bool movedFirst = false, movedLast = false;
    auto clamp = [&](int32_t& v, bool& moved) {
        int32_t c = std::min(std::max(v, lo), hi);
        moved = c != v;
        v = c;
    };
    clamp(r->first, movedFirst);
    clamp(r->last, movedLast);
    return !(movedFirst && movedLast);
}

// Applies the checks in order; false when one fails.
bool Admit(const ChannelView& ch, const Frame& f, unsigned checks, Range* r) {
    if ((checks & C1) && (f.start < 0.0 || f.end < 0.0)) return false;
    if ((checks & C2) && f.start == f.end) return false;
    if ((checks & C3) && !(f.start / f.interval < ch.count || f.end / f.interval < ch.count)) return false;
    const int ok = SelectionSampleRange(f.start, f.end, f.interval, ch.count, &r->first, &r->last);
    if ((checks & C4) && !ok) return false;
    if ((checks & C5) && !C5Window(f, r)) return false;
    const bool startAfterEnd = f.start > f.end;
    r->iStart = startAfterEnd ? r->last : r->first;
    r->iEnd = startAfterEnd ? r->first : r->last;
    return true;
}

// The extreme by stored value, and ties move to the later sample. 1 with the physical value and the index.
bool Extreme(const ChannelView& ch, const Range& r, bool wantMax, double* value, int32_t* index) {
    double kept;
    if (!Stored(ch, r.first, &kept)) return false;
    // Stored integers turn over with a negative scale; doubles are physical values already.
    const bool larger = (ch.form == 1 || ch.scale > 0.0) == wantMax;
    int32_t at = r.first;
    for (int32_t i = r.first + 1; i <= r.last; ++i) {
        double s;
        if (!Stored(ch, i, &s)) return false;
        if (larger ? s > kept : s < kept) kept = s;
        if (kept == s) at = i;
    }
    *value = Physical(ch, kept);
    *index = at;
    return true;
}

double Mean(const ChannelView& ch, const Range& r) {
    double sum = 0.0;
    int32_t used = 0;
    for (int32_t i = r.first; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return kNoValue;
        if (std::fabs(y) >= kMeanLimit) continue;
        sum += y;
        ++used;
    }
    if (used == 0) return kNoValue;
    return used == 1 ? sum : sum / used;
}

double PeakToPeak(const ChannelView& ch, const Range& r) {
    double lo = 0.0, hi = 0.0;
    for (int32_t i = r.first; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return kNoValue;
        lo = i == r.first ? y : std::min(lo, y);
        hi = i == r.first ? y : std::max(hi, y);
    }
    return hi - lo;
}

double StdDev(const ChannelView& ch, const Frame& f) {
    Range r;
    if (!Admit(ch, f, C1 | C2 | C3 | C4, &r) || r.n() <= 1) return kNoValue;
    if (!C5Window(f, &r) || r.n() <= 1) return kNoValue;
    const double m = Mean(ch, r);
    if (m == kNoValue) return kNoValue;
    double s = 0.0;
    for (int32_t i = r.first; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return kNoValue;
        s += (y - m) * (y - m);
    }
    return std::sqrt(s / (r.n() - 1));
}

// Trapezoid rule with half a horizontal step per pair.
double Integral(const ChannelView& ch, const Range& r, const Frame& f) {
    const double h = HorizontalStep(f.interval, f.hMode) / 2.0;
    double prev, sum = 0.0;
    if (!Y(ch, r.first, &prev)) return kNoValue;
    for (int32_t i = r.first + 1; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return kNoValue;
        sum += prev + y;
        prev = y;
    }
    return h * sum;
}

// The slope between the end points, per horizontal display unit.
double Slope(const ChannelView& ch, Range r, const Frame& f) {
    if (r.first == r.last && --r.first < 0) return kNoValue;
    double a, b;
    if (!Y(ch, r.first, &a) || !Y(ch, r.last, &b)) return kNoValue;
    return (b - a) / (std::abs(r.last - r.first) * HorizontalStep(f.interval, f.hMode));
}

// The area between the curve and the chord of its end points.
double Area(const ChannelView& ch, const Frame& f) {
    Range r;
    if (!Admit(ch, f, C4 | C5, &r) || r.last - r.first < 2) return kNoValue;
    Range s;
    if (!Admit(ch, f, C1 | C2 | C3 | C4 | C5, &s)) return kNoValue;
    const double slope = Slope(ch, s, f);
    if (slope == kNoValue) return kNoValue;
    const double k = slope * HorizontalStep(f.interval, f.hMode);
    double y0;
    if (!Y(ch, r.first, &y0)) return kNoValue;
    const double b = y0 - r.first * k;
    double prev = 0.0, a = 0.0;
    for (int32_t i = r.first + 1; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return kNoValue;
        const double d = std::fabs(y - (i * k + b));
        a += prev + d;
        prev = d;
    }
    a /= 2.0;
    if (f.hMode == kHUnitUser) return a * f.interval;
    if (f.hMode == kHUnitFrequency) return a * f.interval * 1000.0;
    return a * f.interval / 1000.0;
}

// Least-squares slope against the sample number, per horizontal display unit.
double LinReg(const ChannelView& ch, Range r, const Frame& f) {
    if (r.n() == 1) {
        r.first = std::max(r.first - 1, 0);
        r.last = std::min(r.last + 1, ch.count - 1);
    }
    const double n = r.n();
    double sx = 0.0, sy = 0.0, sxy = 0.0, sxx = 0.0;
    for (int32_t i = r.first; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return kNoValue;
        const double x = i - r.first;
        sx += x;
        sy += y;
        sxy += x * y;
        sxx += x * x;
    }
    const double den = n * sxx - sx * sx;
    if (den == 0.0) return kNoValue;
    return (n * sxy - sy * sx) / den / HorizontalStep(f.interval, f.hMode);
}

// Correlation of the samples with their horizontal position.
double Correlate(const ChannelView& ch, const Range& r, const Frame& f) {
    const double step = HorizontalStep(f.interval, f.hMode);
    const double n = std::abs(r.last - r.first + 1);
    double sx = 0, sy = 0, sxy = 0, sxx = 0, syy = 0;
    for (int32_t i = r.first; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return kNoValue;
        const double x = i * step;
        sx += x;
        sy += y;
        sxy += x * y;
        sxx += x * x;
        syy += y * y;
    }
    const double d = std::sqrt(std::fabs((n * syy - sy * sy) * (n * sxx - sx * sx)));
    return d == 0.0 ? 0.0 : (n * sxy - sx * sy) / d;
}

double Frequency(const Range& r, const Frame& f) {
    const double span = std::abs(static_cast<double>(r.first) - r.last) * f.interval;
    return span == 0.0 ? kNoValue : 1.0 / span;
}

}  // namespace

int SelectionSampleRange(double start, double end, double interval, int32_t count, int32_t* first, int32_t* last) {
    const double a = start < 0.0 ? 0.0 : start;
    int32_t lo = ToIndex(a / interval), hi = ToIndex(end / interval);
    if (lo > hi) std::swap(lo, hi);
    hi = std::min(hi, count - 1);
    lo = std::min(lo, hi);
    *first = lo;
    *last = hi;
    return count != 0 ? 1 : 0;
}

double HorizontalStep(double interval, int32_t hMode) {
    if (hMode == kHUnitUser) return interval;
    if (hMode == kHUnitFrequency) return interval * 1000.0;
    return interval / 1000.0;
}

double Compute(int type, const ChannelView& ch, const Frame& f) {
    const unsigned all = C1 | C2 | C3 | C4 | C5;
    Range r;
    double v = 0.0, y0 = 0.0, y1 = 0.0;
    int32_t at = 0;
    switch (type) {
    case kValue: return Admit(ch, f, C3 | C4 | C5, &r) && Y(ch, r.iStart, &v) ? v : kNoValue;
    case kDelta:
        return Admit(ch, f, all, &r) && Y(ch, r.iStart, &y0) && Y(ch, r.iEnd, &y1) ? y0 - y1 : kNoValue;
    case kPeakToPeak: return Admit(ch, f, all, &r) ? PeakToPeak(ch, r) : kNoValue;
    case kMax:
    case kMin: return Admit(ch, f, all, &r) && Extreme(ch, r, type == kMax, &v, &at) ? v : kNoValue;
    case kMaxH:
    case kMinH:
        return Admit(ch, f, all, &r) && Extreme(ch, r, type == kMaxH, &v, &at) ? at * f.interval + f.hOffset : kNoValue;
    case kMean: return Admit(ch, f, all, &r) ? Mean(ch, r) : kNoValue;
    case kStdDev: return StdDev(ch, f);
    case kIntegral: return Admit(ch, f, all, &r) ? Integral(ch, r, f) : kNoValue;
    case kArea: return Area(ch, f);
    case kLinReg: return Admit(ch, f, all, &r) ? LinReg(ch, r, f) : kNoValue;
    case kSlope: return Admit(ch, f, all, &r) ? Slope(ch, r, f) : kNoValue;
    case kMedian:
    case kMedianH: {
        if (f.start == f.end) return kNoValue;
        double value, position;
        const int found = Median(ch, f, &value, &position);
        if (found == kMedianNoBuffer) {
            if (g_medianFailed) g_medianFailed();
            return 0.0;
        }
        if (!found) return kNoValue;
        return type == kMedian ? value : position;
    }
    case kHAbs: return Admit(ch, f, C3 | C4, &r) ? r.iStart * f.interval + f.hOffset : kNoValue;
    case kDeltaH: return Admit(ch, f, C1 | C2 | C3 | C4, &r) ? (r.iStart - r.iEnd) * f.interval : kNoValue;
    case kFrequency:
    case kBpm: {
        if (!Admit(ch, f, C1 | C2 | C3 | C4, &r)) return kNoValue;
        v = Frequency(r, f);
        return v == kNoValue || type == kFrequency ? v : v * 60000.0;
    }
    case kSampleNumber: return Admit(ch, f, C3 | C4, &r) ? r.iStart + 1.0 : kNoValue;
    case kDeltaSamples: return Admit(ch, f, C1 | C2 | C3 | C4, &r) ? static_cast<double>(r.n()) : kNoValue;
    case kCorrelate: return Admit(ch, f, all, &r) ? Correlate(ch, r, f) : kNoValue;
    default: return 0.0;
    }
}

void SetMedianBufferLimit(size_t entries) { g_medianLimit = entries; }
void SetMedianBufferFailedHandler(void (*handler)()) { g_medianFailed = handler; }

int Median(const ChannelView& ch, const Frame& f, double* value, double* position) {
    *value = *position = 0.0;
    Range r;
    if (!Admit(ch, f, C4 | C5, &r) || r.n() < 1) return 0;
    std::vector<std::pair<double, int32_t>> entries;
    if (static_cast<size_t>(r.n()) > g_medianLimit) return kMedianNoBuffer;
    try {
        entries.reserve(static_cast<size_t>(r.n()));
    } catch (...) {
        return kMedianNoBuffer;
    }
    for (int32_t i = r.first; i <= r.last; ++i) {
        double s;
        if (!Stored(ch, i, &s)) return 0;
        entries.emplace_back(s, i);
    }
    // Ascending by stored value, equal values in sample order: the entry a stable sort puts in
    // the middle (the upper middle for an even count).
    auto mid = entries.begin() + entries.size() / 2;
    std::nth_element(entries.begin(), mid, entries.end());
    *value = Physical(ch, mid->first);
    *position = mid->second * f.interval + f.hOffset;
    return 1;
}

double Sum(const ChannelView& ch, const Frame& f) {
    Range r;
    if (!Admit(ch, f, C4 | C5, &r)) return 0.0;
    double sum = 0.0;
    for (int32_t i = r.first; i <= r.last; ++i) {
        double y;
        if (!Y(ch, i, &y)) return 0.0;
        sum += y;
    }
    return sum;
}

int Arithmetic(uint16_t source1, uint16_t source2, uint16_t op, double k, const double* results, const int* types,
               int boxes, double* out) {
    *out = 0.0;
    // A source's value, or false when the source names nothing. Frequencies are stored per base
    // unit; the first source counts them in Hz, the second as stored.
    auto source = [&](uint16_t s, bool inHz, double* v) {
        if (s == 1) {
            *v = k;
            return true;
        }
        if (s < 2 || s > 41 || s - 2 >= boxes) return false;
        *v = results[s - 2];
        if (inHz && *v != kNoValue && types[s - 2] == kFrequency) *v *= 1000.0;
        return true;
    };
    double a = 0.0, b = 0.0;
    const bool hasA = source(source1, true, &a), hasB = source(source2, false, &b);
    if ((hasA && a == kNoValue) || (hasB && b == kNoValue)) return 0;
    if (hasA && hasB) {
        switch (op) {
        case 0: *out = a + b; break;
        case 1: *out = a - b; break;
        case 2: *out = a * b; break;
        case 3: *out = b == 0.0 ? 0.0 : a / b; break;
        case 4: *out = std::pow(a, b); break;
        default: return 0;
        }
        return 1;
    }
    if (!hasA && !hasB) return 0;
    *out = hasA ? a : b;
    return 1;
}

// The nudge of a hundredth of the last decimal takes the value's sign, so that a half rounds away
// from zero either way (2.5 and -2.5 with no decimals show 3 and -3).
void FormatValue(char* out, size_t size, double value, int precision) {
    if (!out || size == 0) return;
    if (!std::isfinite(value) || value > 999999999.0 || value < -999999999.0) {
        std::snprintf(out, size, "%4.2E", value);
        return;
    }
    if (precision < 0) precision = 0;
    if (precision > kMaxValueDecimals) precision = kMaxValueDecimals;
    const double nudge = 1.0 / std::pow(10.0, precision + 2);
    value += value < 0.0 ? -nudge : nudge;
    std::snprintf(out, size, "%0.*f", precision, value);
    // Cut after `precision` digits behind the last point.
    if (char* dot = std::strrchr(out, '.')) {
        const size_t keep = static_cast<size_t>(dot - out) + 1 + static_cast<size_t>(precision);
        if (keep < std::strlen(out)) out[keep] = 0;
    }
}

int ValueDecimals(double asked) {
    if (!(asked > 0)) return 0;  // a negative number or none
    return asked >= kMaxValueDecimals ? kMaxValueDecimals : static_cast<int>(asked);
}

}  // namespace measure
