// Number texts for the library's value fields.
#pragma once

#include <cstdint>

// FormatValueText flags.
constexpr uint32_t kFmtFixedDecimals = 0x01;  // digits counts places after the decimal point
constexpr uint32_t kFmtNoExponent = 0x02;     // never choose the exponent form for being shorter
constexpr uint32_t kFmtExponent = 0x04;       // always the exponent form
constexpr uint32_t kFmtPlusSign = 0x10;       // "+" before a non-negative value (and exponent)
constexpr uint32_t kFmtRightAlign = 0x20;
constexpr uint32_t kFmtAlignPoint = 0x40;  // the decimal point at half the width
constexpr uint32_t kFmtPadRight = 0x80;    // spaces up to width - 1

// Writes value into buffer (width + 1 bytes) in at most width characters; answers the length.
int32_t FormatValueText(int32_t width, int32_t digits, uint32_t flags, double value, char* buffer);
