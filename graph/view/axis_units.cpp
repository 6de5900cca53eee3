// Axis units and number formats.
#include "graph/view/axis_units.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "base/services.h"
#include "devlib/vk40.h"
#include "common/tagGS.h"

namespace {

// Span limits (milliseconds) up to which each time unit is chosen; above the last, hours.
struct stTimeRow {
    double upTo;
    stAxisUnit unit;
};
const stTimeRow kTimeRows[] = {
    {0.0001, {"nanoseconds", "ns", 1e-6}}, {0.1, {"microseconds", "micro-s", 0.001}},
    {100.0, {"milliseconds", "ms", 1.0}},  {100000.0, {"seconds", "sec", 1000.0}},
    {6e6, {"minutes", "min", 60000.0}},
};
const stAxisUnit kHours = {"hours", "hrs", 3.6e6};

const stAxisUnit kMHz = {"MHz", "MHz", 1000.0};
const stAxisUnit kKHz = {"KHz", "KHz", 1.0};
const stAxisUnit kHertz = {"Hz", "Hz", 0.001};
const stAxisUnit kMicroHz = {"micro-Hz", "micro-Hz", 1e-9};
const stAxisUnit kMilliHz = {"mHz", "mHz", 1e-6};

const stAxisUnit kClock = {"Time", "", 1000.0};

// Copies at most kUnitNameLen - 1 characters and the NUL; a stored name that fills its
// 40 characters has no NUL of its own.
void CopyUnitName(char* dst, const char* src) {
    if (!src) src = "";
    size_t n = strnlen(src, kUnitNameLen - 1);
    memcpy(dst, src, n);
    dst[n] = '\0';
}

// User units are stored text, copied as they are.
void CopyUserUnit(const tagGS* gs, char* name, uint32_t shortName) {
    CopyUnitName(name, shortName ? gs->hUnitAbbrev : gs->hUnitName);
}

}  // namespace

// Time unit for a span: the first row whose limit the span does not pass.
stAxisUnit PickTimeUnit(double spanMs) {
    // A span that is not a number is shown in the unit it is kept in.
    if (std::isnan(spanMs)) return kTimeRows[2].unit;
    for (const stTimeRow& row : kTimeRows) {
        if (spanMs <= row.upTo) return row.unit;
    }
    return kHours;
}

// Frequency unit; exactly 0 is shown in Hz, anything below 1e-6 kHz in micro-Hz.
stAxisUnit PickFrequencyUnit(double kHz) {
    if (std::isnan(kHz)) return kKHz;
    if (kHz >= 1000.0) return kMHz;
    if (kHz >= 1.0) return kKHz;
    if (kHz >= 0.0001 || kHz == 0.0) return kHertz;
    if (kHz < 1e-6) return kMicroHz;
    return kMilliHz;
}

// Unit of the kinds that have tables; user units and unknown kinds have none.
int PickAxisUnit(uint32_t kind, double value, stAxisUnit* out) {
    switch (kind) {
    case kHUnitTime: *out = PickTimeUnit(value); return 1;
    case kHUnitFrequency: *out = PickFrequencyUnit(value); return 1;
    case kHUnitClock: *out = kClock; return 1;
    default: return 0;
    }
}

// Unit name (through the axis-label texts) and size for a value of the given kind.
int ChooseTimeUnits(const tagGS* gs, double value, char* name, uint32_t kind, double* size, uint32_t shortName) {
    if (!name || !size) return 0;
    if (kind == kHUnitUser) {
        if (!gs) return 0;
        CopyUserUnit(gs, name, shortName);
        *size = 1.0;
        return 1;
    }
    stAxisUnit unit;
    if (!PickAxisUnit(kind, value, &unit)) return 0;
    // Frequency names have one form only.
    const char* key = (shortName && kind != kHUnitFrequency) ? unit.shortKey : unit.longKey;
    CopyUnitName(name, KeyedLabel(key));
    *size = unit.size;
    return 1;
}

// The fixed unit of a kind: seconds, Hz, clock time or the user units.
int GetTimeUnitByIndex(const tagGS* gs, double, char* name, uint32_t kind, double* size, uint32_t shortName) {
    if (!name || !size) return 0;
    switch (kind) {
    case kHUnitTime: {
        const char* key = shortName ? "sec" : "seconds";
        CopyUnitName(name, Keyed(key));
        *size = 1000.0;
        return 1;
    }
    case kHUnitFrequency:
        CopyUnitName(name, kHertz.longKey);
        *size = kHertz.size;
        return 1;
    case kHUnitClock: {
        const char* key = shortName ? kClock.shortKey : kClock.longKey;
        CopyUnitName(name, Keyed(key));
        *size = kClock.size;
        return 1;
    }
    case kHUnitUser:
        if (!gs) return 0;
        CopyUserUnit(gs, name, shortName);
        *size = 1.0;
        return 1;
    default: return 0;
    }
}

// Fixed point for ordinary magnitudes, exponent form for the rest, zeros for near-zero values.
void FormatAxisNumber(char* buffer, double value, int16_t decimals) {
    int d = decimals < 0 ? 0 : (decimals > kMaxAxisDecimals ? kMaxAxisDecimals : decimals);
    if (std::isnan(value)) {
        strcpy(buffer, "NAN");
        return;
    }
    if (std::isinf(value)) {
        strcpy(buffer, value < 0 ? "-INF" : "INF");
        return;
    }
    if ((value >= 0.001 && value <= 999999.0) || (value >= -999999.0 && value <= -0.001) || value == 0.0) {
        // The small bias keeps values just below a rounding step from printing one step low.
        double biased = value + 1.0 / std::pow(10.0, d + 2);
        snprintf(buffer, kAxisNumberLen, "%0.*f", d, biased);
        if (char* point = strchr(buffer, '.')) point[d + 1] = '\0';
        return;
    }
    if (value <= -1e-10 || value >= 1e-10) {
        snprintf(buffer, kAxisNumberLen, "%-4.1E", value);
        buffer[9] = '\0';
        return;
    }
    static const char kZeros[] = "0.000000000";
    int n = d + 1;
    if (n > static_cast<int>(sizeof kZeros) - 1) n = static_cast<int>(sizeof kZeros) - 1;
    memcpy(buffer, kZeros, n);
    buffer[n] = '\0';
}

// Hours are not wrapped at 24; a negative time keeps its sign in front.
void FormatTimeHMS(int32_t seconds, char* buffer) {
    int64_t s = seconds;
    const char* sign = "";
    if (s < 0) {
        sign = "-";
        s = -s;
    }
    snprintf(buffer, kTimeHMSLen, "%s%02d:%02d:%02d  ", sign, static_cast<int>(s / 3600),
             static_cast<int>(s % 3600 / 60), static_cast<int>(s % 60));
}

// Colour numbers of the Display menu and the script: 2 red, 3 green, 4 blue, 5 cyan,
// 6 magenta, 7 purple; 1 and the rest black.
COLORREF WaveColorFromIndex(uint32_t number) {
    static const COLORREF kColors[] = {0x0000FF, 0x008000, 0xFF0000, 0xFFFF00, 0xFF00FF, 0x800080};
    if (number >= 2 && number <= 7) return kColors[number - 2];
    return 0;
}
