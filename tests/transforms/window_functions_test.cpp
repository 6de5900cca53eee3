// The weighting windows against values worked out by hand from their definitions.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <vector>
#include "transforms/filters/window_functions.h"

namespace {

struct Point {
    int window;
    int32_t n;
    int32_t i;
    double weight;
};

// Points where the cosines are 1, 0 or -1, so the weights are plain sums of the coefficients.
const Point kPoints[] = {
    {kWindowBartlett, 8, 3, 1.0},           // the centre is n/2 - 1
    {kWindowBartlett, 8, 0, 0.25},          // 1 - 2*3/8
    {kWindowBartlett, 8, 7, 0.0},           // 1 - 2*4/8
    {kWindowBartlett, 9, 3, 1.0},           // 9/2 - 1 = 3 as well
    {kWindowHanning, 8, 0, 0.0},
    {kWindowHanning, 8, 2, 0.5},            // cos(pi/2) = 0
    {kWindowHanning, 8, 4, 1.0},
    {kWindowHamming, 8, 0, 0.08},
    {kWindowHamming, 8, 4, 1.0},
    {kWindowBlackman, 8, 0, 0.42323 - 0.49755 + 0.07922},
    {kWindowBlackman, 8, 4, 0.42323 + 0.49755 + 0.07922},
    {kWindowBlackman, 8, 2, 0.42323 - 0.07922},  // cos(pi/2) = 0, cos(pi) = -1
    {kWindowBlackman61, 8, 4, 0.44959 + 0.49364 + 0.05677},
    {kWindowBlackman74, 8, 0, 0.40217 - 0.49703 + 0.09392 - 0.00183},
    {kWindowBlackman74, 8, 2, 0.40217 - 0.09392},  // cos(3pi/2) = 0
    {kWindowBlackman92, 8, 4, 1.0},
    {kWindowBlackman92, 8, 0, 0.35875 - 0.48829 + 0.14128 - 0.01168},
    {kWindowKaiserBessel, 8, 4, 0.40243 + 0.49804 + 0.09831 + 0.00122},
    {kWindowKaiserBessel, 4, 1, 0.40243 - 0.09831},
};

TEST(WindowFunctions, WeightsAtKnownPoints) {
    for (const Point& p : kPoints) {
        EXPECT_NEAR(WindowWeight(p.window, p.i, p.n), p.weight, 1e-8)
            << WindowListText(p.window) << " n=" << p.n << " i=" << p.i;
        std::vector<double> values(p.n, 2.0);
        ApplyWindow(values.data(), p.n, p.window);
        EXPECT_NEAR(values[p.i], 2.0 * p.weight, 2e-8) << WindowListText(p.window);
    }
}

// A long run is weighted as its points' own weights say, to rounding: every window, lengths of
// powers of two and others, each point checked.
TEST(WindowFunctions, LongRunsFollowTheirWeights) {
    for (int window = 1; window < kWindowCount; ++window) {
        for (int32_t n : {128, 129, 1000, 4099, 65536}) {
            std::vector<double> values(n, 1.0);
            ApplyWindow(values.data(), n, window);
            double worst = 0.0;
            for (int32_t i = 0; i < n; ++i) worst = std::max(worst, std::fabs(values[i] - WindowWeight(window, i, n)));
            EXPECT_LT(worst, 1e-13) << WindowListText(window) << " n=" << n;
        }
    }
}

// The divisor is n, not n - 1: a Hanning window of 8 does not end at 0 and is not symmetric.
TEST(WindowFunctions, DivisorIsTheCount) {
    EXPECT_NEAR(WindowWeight(kWindowHanning, 7, 8), 0.5 - 0.5 * std::cos(6.283185307 * 7 / 8), 1e-8);
    EXPECT_GT(WindowWeight(kWindowHanning, 7, 8), 0.1);
    EXPECT_NEAR(WindowWeight(kWindowHanning, 1, 8), WindowWeight(kWindowHanning, 7, 8), 1e-8);
    EXPECT_NE(WindowWeight(kWindowBartlett, 0, 8), WindowWeight(kWindowBartlett, 7, 8));
}

TEST(WindowFunctions, BlackmanIsTheMinus67Set) {
    std::vector<double> a(37), b(37);
    for (size_t i = 0; i < a.size(); ++i) a[i] = b[i] = std::sin(0.3 * i) + 1.5;
    ApplyWindow(a.data(), 37, kWindowBlackman);
    ApplyWindow(b.data(), 37, kWindowBlackman67);
    EXPECT_EQ(a, b);
    EXPECT_NE(a[5], std::sin(1.5) + 1.5);  // and it did weight them
}

TEST(WindowFunctions, RectangleAndOutOfRangeLeaveValues) {
    const std::vector<double> original = {1.5, -2.0, 3.25, 0.0, 7.0};
    for (int window : {0, -1, 10, 99}) {
        std::vector<double> v = original;
        ApplyWindow(v.data(), static_cast<int32_t>(v.size()), window);
        EXPECT_EQ(v, original) << window;
    }
}

TEST(WindowFunctions, TextsAndScriptWords) {
    const char* const texts[] = {"Rectangle", "Bartlett", "Hanning", "Hamming", "Blackman",
                                 "Blackman -61dB", "Blackman -67dB", "Blackman -74dB",
                                 "Blackman -92dB", "KaiserBessel"};
    const char* const words[] = {"RECTANGLE", "BARTLETT", "HANNING", "HAMMING", "BLACKMAN",
                                 "BLACKMAN61", "BLACKMAN67", "BLACKMAN74", "BLACKMAN92",
                                 "KAISERBESSEL"};
    for (int w = 0; w < kWindowCount; ++w) {
        EXPECT_STREQ(WindowListText(w), texts[w]);
        EXPECT_EQ(WindowFromScriptWord(words[w]), w);
    }
    EXPECT_EQ(WindowFromScriptWord("hamming"), kWindowHamming);
    EXPECT_EQ(WindowFromScriptWord("TRIANGLE"), kWindowRectangle);
    EXPECT_EQ(WindowFromScriptWord(nullptr), kWindowRectangle);
    EXPECT_EQ(WindowListText(10), nullptr);
}

TEST(WindowFunctions, NextPowerOfTwo) {
    const uint32_t cases[][2] = {{0, 1}, {1, 1}, {2, 2}, {3, 4}, {5, 8}, {8, 8}, {9, 16},
                                 {1000, 1024}, {1u << 20, 1u << 20}, {(1u << 20) + 1, 1u << 21},
                                 {0x80000000u, 0x80000000u}, {0x80000001u, 0}};
    for (const auto& c : cases) EXPECT_EQ(NextPowerOfTwo(c[0]), c[1]) << c[0];
}

}  // namespace
