// The colour record: three 16-bit components of 0-255, as the popup buttons, the drawing port and
// the device library's stored set-ups hold colours.
#pragma once
#include <cstdint>

struct stColor16 {
    uint16_t red, green, blue;
};
static_assert(sizeof(stColor16) == 6, "colour record is three 16-bit words");
