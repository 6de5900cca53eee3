// The HLS conversions against a table, round trips and out-of-scale input.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>

#include "controls/hls_color.h"

TEST(ControlsHls, ConversionTable) {
    struct Row {
        COLORREF rgb;
        int h, l, s;
        COLORREF back;
    };
    const Row rows[] = {
        {RGB(255, 255, 255), 160, 240, 0, RGB(255, 255, 255)},
        {RGB(0, 0, 0), 160, 0, 0, RGB(0, 0, 0)},
        {RGB(255, 0, 0), 0, 120, 240, RGB(255, 0, 0)},
        {RGB(0, 255, 0), 80, 120, 240, RGB(0, 255, 0)},
        {RGB(0, 0, 255), 160, 120, 240, RGB(0, 0, 255)},
        {RGB(128, 128, 128), 160, 120, 0, RGB(127, 127, 127)},
        {RGB(0, 128, 0), 80, 60, 240, RGB(0, 128, 0)},
        {RGB(255, 255, 0), 40, 120, 240, RGB(255, 255, 0)},
        {RGB(0, 255, 255), 120, 120, 240, RGB(0, 255, 255)},
        {RGB(255, 0, 255), 200, 120, 240, RGB(255, 0, 255)},  // hue wraps from -40
        {RGB(200, 100, 50), 13, 118, 144, RGB(201, 99, 50)},
        {RGB(10, 20, 30), 140, 19, 120, RGB(10, 20, 31)},
        {RGB(250, 240, 230), 20, 226, 160, RGB(250, 240, 231)},  // lightness above 120
        {RGB(64, 0, 128), 180, 60, 240, RGB(64, 0, 128)},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << std::hex << "rgb 0x" << row.rgb);
        const uint32_t hls = RgbToHls(row.rgb);
        EXPECT_EQ((hls >> 16) & 0xFF, uint32_t(row.h)) << "hue";
        EXPECT_EQ((hls >> 8) & 0xFF, uint32_t(row.l)) << "lightness";
        EXPECT_EQ(hls & 0xFF, uint32_t(row.s)) << "saturation";
        EXPECT_EQ(hls >> 24, 0u);
        EXPECT_EQ(hls, PackHls(row.h, row.l, row.s));
        EXPECT_EQ(HlsToRgb(hls), row.back);
    }
}

TEST(ControlsHls, RoundTripStaysWithinOneHueStep) {
    // One hue unit of 240 moves a saturated component by 6.4 of 255.
    int worst = 0;
    for (int r = 0; r < 256; r += 5)
        for (int g = 0; g < 256; g += 5)
            for (int b = 0; b < 256; b += 5) {
                const COLORREF back = HlsToRgb(RgbToHls(RGB(r, g, b)));
                worst = std::max({worst, std::abs(GetRValue(back) - r), std::abs(GetGValue(back) - g),
                                  std::abs(GetBValue(back) - b)});
            }
    EXPECT_LE(worst, 7);
    // Greys come back within one lightness step.
    for (int v = 0; v < 256; ++v) {
        const COLORREF back = HlsToRgb(RgbToHls(RGB(v, v, v)));
        EXPECT_LE(std::abs(GetRValue(back) - v), 2) << v;
        EXPECT_EQ(GetRValue(back), GetGValue(back));
        EXPECT_EQ(GetGValue(back), GetBValue(back));
    }
}

TEST(ControlsHls, OutOfScaleInputSaturatesInsteadOfWrapping) {
    // Lightness and saturation 255 exceed the 240 scale; the green component must not wrap to a dark value.
    const COLORREF c = HlsToRgb(PackHls(0, 255, 255));
    EXPECT_EQ(GetGValue(c), 255);
    EXPECT_EQ(HlsToRgb(PackHls(0, 240, 0)), RGB(255, 255, 255));
}
