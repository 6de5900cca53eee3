// HLS colours: integer arithmetic on a 0-240 scale.
#include "controls/hls_color.h"

namespace {
constexpr int kHlsMax = 240;
constexpr int kRgbMax = 255;
constexpr int kUndefinedHue = kHlsMax * 2 / 3;

int HueToRgb(int p, int q, int h) {
    if (h < 0) h += kHlsMax;
    if (h > kHlsMax) h -= kHlsMax;
    if (h < kHlsMax / 6) return p + ((q - p) * h + kHlsMax / 12) / (kHlsMax / 6);
    if (h < kHlsMax / 2) return q;
    if (h < kHlsMax * 2 / 3) return p + ((q - p) * (kHlsMax * 2 / 3 - h) + kHlsMax / 12) / (kHlsMax / 6);
    return p;
}

// Out-of-range HLS input can push a component past a byte.
int ClampByte(int v) { return v < 0 ? 0 : (v > kRgbMax ? kRgbMax : v); }
}  // namespace

uint32_t RgbToHls(COLORREF color) {
    const int r = GetRValue(color), g = GetGValue(color), b = GetBValue(color);
    const int cMax = r > g ? (r > b ? r : b) : (g > b ? g : b);
    const int cMin = r < g ? (r < b ? r : b) : (g < b ? g : b);
    const int sum = cMax + cMin;
    const int l = (sum * kHlsMax + kRgbMax) / (2 * kRgbMax);
    int h, s;
    if (cMax == cMin) {
        s = 0;
        h = kUndefinedHue;
    } else {
        const int d = cMax - cMin;
        if (l <= kHlsMax / 2)
            s = (d * kHlsMax + sum / 2) / sum;
        else
            s = (d * kHlsMax + (2 * kRgbMax - sum) / 2) / (2 * kRgbMax - sum);
        const int rd = ((cMax - r) * (kHlsMax / 6) + d / 2) / d;
        const int gd = ((cMax - g) * (kHlsMax / 6) + d / 2) / d;
        const int bd = ((cMax - b) * (kHlsMax / 6) + d / 2) / d;
        if (r == cMax)
            h = bd - gd;
        else if (g == cMax)
            h = kHlsMax / 3 + rd - bd;
        else
            h = kHlsMax * 2 / 3 + gd - rd;
        if (h < 0) h += kHlsMax;
        if (h > kHlsMax) h -= kHlsMax;
    }
    return PackHls(h, l, s);
}

COLORREF HlsToRgb(uint32_t hls) {
    const int s = hls & 0xFF, l = (hls >> 8) & 0xFF, h = (hls >> 16) & 0xFF;
    int r, g, b;
    if (s == 0) {
        r = g = b = l * kRgbMax / kHlsMax;
    } else {
        const int m2 =
            l <= kHlsMax / 2 ? (l * (kHlsMax + s) + kHlsMax / 2) / kHlsMax : l + s - (l * s + kHlsMax / 2) / kHlsMax;
        const int m1 = 2 * l - m2;
        r = (HueToRgb(m1, m2, h + kHlsMax / 3) * kRgbMax + kHlsMax / 2) / kHlsMax;
        g = (HueToRgb(m1, m2, h) * kRgbMax + kHlsMax / 2) / kHlsMax;
        b = (HueToRgb(m1, m2, h - kHlsMax / 3) * kRgbMax + kHlsMax / 2) / kHlsMax;
    }
    return RGB(ClampByte(r), ClampByte(g), ClampByte(b));
}
