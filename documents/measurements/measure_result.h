// The texts a measurement box shows for a result: the number and the unit, by type.
#pragma once
#include <cstddef>
#include <cstdint>

namespace measure {

// What the texts depend on besides the value.
struct ResultContext {
    int precision = 2;          // decimals
    int32_t hMode = 0;          // 0 time, 1 frequency, 2 clock time, 3 the document's own unit
    double hScale = 1000.0;     // the horizontal scale (base units per division)
    const char* chanUnit = "";  // the channel's unit
    const char* hUnitShort = "";
    const char* boxUnit = "";  // a "calculate" box's own unit
};

// The short unit name (a key of the axis texts) and divisor for horizontal results.
const char* TimeUnitFor(int32_t hMode, double hScale, const char* hUnitShort, double* divisor);

// The number text and unit text of a result (each up to 19 characters), and the value the box
// keeps. An empty unit leaves the box's unit as it was. No value gives "****".
void FormatResult(int type, double value, const ResultContext& c, char* number, char* unit, double* stored);

// Hours, minutes and seconds of a count of seconds: "%02d:%02d:%02d  ".
void FormatClock(int32_t seconds, char* out, size_t size);

}  // namespace measure
