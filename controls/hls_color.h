// HLS colours: integer arithmetic on a 0-240 scale.
#pragma once
#include <windows.h>
#include <cstdint>

// Packed HLS: bits 0-7 saturation, 8-15 lightness, 16-23 hue, each 0-240.
constexpr uint32_t PackHls(int hue, int lightness, int saturation) {
    return (uint32_t(hue) << 16) | (uint32_t(lightness) << 8) | uint32_t(saturation);
}
uint32_t RgbToHls(COLORREF color);
COLORREF HlsToRgb(uint32_t hls);
