// The number and unit texts of measurement results.
#include "documents/measurements/measure_result.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include "common/tagGS.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/measurements/measure_calc.h"
#include "common/keyed_format.h"

namespace measure {
namespace {

constexpr size_t kField = 20;

void Put(char* out, const char* text) {
    std::snprintf(out, kField, "%s", text ? text : "");
}

// The channel unit combined with the horizontal unit: "-" for integrals, "/" for slopes.
void CombinedUnit(const ResultContext& c, char joiner, char* unit) {
    char chan[kField];
    std::snprintf(chan, sizeof chan, "%s", c.chanUnit ? c.chanUnit : "");
    char buf[96];
    if (c.hMode == kHUnitUser)
        std::snprintf(buf, sizeof buf, "%s%c%s", chan, joiner, c.hUnitShort ? c.hUnitShort : "");
    else if (c.hMode == kHUnitFrequency)
        std::snprintf(buf, sizeof buf, "%s%cHz", chan, joiner);
    else
        FormatKeyedText(buf, sizeof buf, Keyed(joiner == '-' ? "%s-sec" : "%s/sec"), chan);
    Put(unit, buf);
}

void Number(char* out, double v, int precision) {
    char buf[64];
    FormatValue(buf, sizeof buf, v, precision);
    std::strncat(buf, " ", sizeof buf - std::strlen(buf) - 1);
    Put(out, buf);
}

const char* Unit(double* divisor, double value, const char* name) {
    *divisor = value;
    return name;
}

}  // namespace

const char* TimeUnitFor(int32_t hMode, double v, const char* hUnitShort, double* divisor) {
    switch (hMode) {
    case 1:
        if (v >= 1000.0) return Unit(divisor, 1000.0, "MHz");
        if (v >= 1.0) return Unit(divisor, 1.0, "KHz");
        if (v >= 0.0001 || v == 0.0) return Unit(divisor, 0.001, "Hz");
        if (v < 1e-6) return Unit(divisor, 1e-9, "micro-Hz");
        return Unit(divisor, 1e-6, "mHz");
    case 2: return Unit(divisor, 1000.0, "sec");
    case 3: return Unit(divisor, 1.0, hUnitShort ? hUnitShort : "");
    default:
        if (v <= 0.0001) return Unit(divisor, 1e-6, "ns");
        if (v <= 0.1) return Unit(divisor, 0.001, "micro-s");
        if (v <= 100.0) return Unit(divisor, 1.0, "ms");
        if (v <= 100000.0) return Unit(divisor, 1000.0, "sec");
        if (v <= 6000000.0) return Unit(divisor, 60000.0, "min");
        return Unit(divisor, 3600000.0, "hrs");
    }
}

void FormatClock(int32_t seconds, char* out, size_t size) {
    std::snprintf(out, size, "%02d:%02d:%02d  ", seconds / 3600, (seconds / 60) % 60, seconds % 60);
}

void FormatResult(int type, double value, const ResultContext& c, char* number, char* unit, double* stored) {
    number[0] = unit[0] = 0;
    *stored = value;
    const bool measured = (type >= kValue && type <= kSlope) || type == kMedian || (type >= kHAbs && type <= kCorrelate);
    if (!measured) {
        *stored = 0.0;
        return;
    }
    if (value == kNoValue) {
        Put(number, "****");
        return;
    }
    char buf[64];
    switch (type) {
    case kIntegral:
    case kArea:
        Number(number, value, c.precision);
        CombinedUnit(c, '-', unit);
        return;
    case kLinReg:
    case kSlope:
        Number(number, value, c.precision);
        CombinedUnit(c, '/', unit);
        return;
    case kHAbs:
    case kDeltaH:
    case kMedianH:
    case kMaxH:
    case kMinH: {
        double divisor = 1.0;
        Put(unit, KeyedLabel(TimeUnitFor(c.hMode, c.hScale, c.hUnitShort, &divisor)));
        const double shown = value / divisor;
        if (c.hMode == kHUnitClock && (type != kDeltaH || std::fabs(value) > 60000.0)) {
            buf[0] = ' ';
            FormatClock(static_cast<int32_t>(type == kDeltaH ? std::fabs(shown) : shown), buf + 1, sizeof buf - 1);
            Put(number, buf);
            return;
        }
        Number(number, shown, c.precision);
        *stored = shown;
        return;
    }
    case kFrequency:
        Number(number, value / 0.001, c.precision);
        Put(unit, "Hz");
        return;
    case kBpm:
        Number(number, value, c.precision);
        Put(unit, "BPM");
        return;
    case kSampleNumber:
    case kDeltaSamples:
        std::snprintf(buf, sizeof buf, "%ld ", static_cast<long>(value));
        Put(number, buf);
        Put(unit, Keyed("samples"));
        return;
    case kCalculate:
        std::snprintf(buf, sizeof buf, "%.*f ", c.precision, value);
        Put(number, buf);
        Put(unit, c.boxUnit);
        return;
    case kCorrelate: Number(number, value, c.precision); return;
    default:
        Number(number, value, c.precision);
        Put(unit, c.chanUnit);
        return;
    }
}

}  // namespace measure
