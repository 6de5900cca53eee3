// Smoothing, least squares, integral and difference over plain arrays, and the pure rules of
// the transforms' ranges, progress and destinations.
#include <gtest/gtest.h>
#include "transforms/smoothing/smoothing.h"
#include "transforms/spectral/calculus.h"
#include "transforms/transform_conventions.h"
#include <algorithm>
#include <cmath>
#include <random>
#include <vector>

namespace {
void ExpectValues(const std::vector<double>& got, const std::vector<double>& want, const char* what) {
    ASSERT_EQ(got.size(), want.size()) << what;
    for (size_t i = 0; i < want.size(); ++i) EXPECT_NEAR(got[i], want[i], 1e-9) << what << " at " << i;
}

std::vector<double> Smooth(std::vector<double> x, int n, int median) {
    std::vector<double> ring(n), work(n);
    SmoothValues(x.data(), static_cast<int64_t>(x.size()), n, median, ring.data(), work.data());
    return x;
}

// The window of output i taken straight from the rule: x[i-half .. i+half-1+odd], the part before
// 0 left out, zeros past the end counted.
std::vector<double> SmoothByDefinition(const std::vector<double>& x, int n, int median) {
    const int half = n / 2, odd = n & 1;
    const int64_t count = static_cast<int64_t>(x.size());
    std::vector<double> y(x.size());
    for (int64_t i = 0; i < count; ++i) {
        std::vector<double> w;
        for (int64_t j = std::max<int64_t>(0, i - half); j <= i + half - 1 + odd; ++j) w.push_back(j < count ? x[j] : 0.0);
        if (median) {
            std::sort(w.begin(), w.end());
            const size_t m = w.size();
            y[i] = m & 1 ? w[m / 2] : (w[m / 2 - 1] + w[m / 2]) / 2;
        } else {
            double s = 0;
            for (double v : w) s += v;
            y[i] = s / w.size();
        }
    }
    return y;
}
}  // namespace

TEST(Smoothing, KnownSequences) {
    ExpectValues(Smooth({1, 2, 3, 4, 5}, 3, 0), {1.5, 2, 3, 4, 3}, "mean of 3");
    ExpectValues(Smooth({1, 9, 2, 8, 3}, 3, 1), {5, 2, 8, 3, 3}, "median of 3");
    ExpectValues(Smooth({4, 8, 6, 2}, 4, 1), {6, 6, 5, 4}, "median of 4 (mean of the middle two)");
    ExpectValues(Smooth({7}, 5, 0), {7.0 / 3}, "one sample: itself and two zeros");
}

TEST(Smoothing, AgreesWithTheWindowRuleForManyWidths) {
    std::mt19937 gen(5);
    std::uniform_real_distribution<double> d(-10, 10);
    std::vector<double> x(300);
    for (double& v : x) v = d(gen);
    for (int n : {1, 2, 3, 4, 7, 10, 31, 299, 300, 301, 400})
        for (int median : {0, 1}) {
            const std::vector<double> got = Smooth(x, n, median), want = SmoothByDefinition(x, n, median);
            for (size_t i = 0; i < x.size(); ++i) ASSERT_NEAR(got[i], want[i], 1e-9) << "N " << n << " median " << median << " at " << i;
        }
}

TEST(Smoothing, AGapCountsAsZeroAndDoesNotSpoilTheRest) {
    const std::vector<double> got = Smooth({3, 3, NAN, 3, 3, 3, 3, 3}, 3, 0);
    ExpectValues(got, {3, 2, 2, 2, 3, 3, 3, 2}, "mean over a gap");
}

TEST(Smoothing, MedianOfWindow) {
    struct Case {
        std::vector<double> v;
        double want;
    } cases[] = {{{5}, 5}, {{2, 1}, 1.5}, {{3, 1, 2}, 2}, {{9, 1, 8, 2}, 5}, {{5, 5, 1, 5, 9}, 5}};
    for (const Case& c : cases) {
        std::vector<double> work(c.v.size());
        EXPECT_DOUBLE_EQ(MedianOfWindow(c.v.data(), work.data(), static_cast<int>(c.v.size())), c.want);
    }
}

TEST(ExpSmoothing, EachOutputIsPredictedFromTheSamplesBefore) {
    std::vector<double> x = {0, 10, 10, 10};
    ExpSmoothValues(x.data(), 4, 0.5);
    ExpectValues(x, {0, 0, 5, 7.5}, "a = 0.5");
    std::vector<double> y = {2, 4, 8};
    ExpSmoothValues(y.data(), 3, 0.75);
    ExpectValues(y, {2, 2, 2.5}, "a = 0.75");
}

TEST(LeastSquares, LineOfKnownPointsAndOfFarIndices) {
    std::vector<double> x = {1, 2, 4};
    double slope, at0;
    LeastSquaresLine(x.data(), 3, &slope, &at0);
    EXPECT_NEAR(slope, 1.5, 1e-12);
    EXPECT_NEAR(at0, 5.0 / 6, 1e-12);
    // The same shape far along a long channel gives the same line: the sums are taken about the centre.
    std::vector<double> ramp(2001);
    for (size_t i = 0; i < ramp.size(); ++i) ramp[i] = 3e7 + 0.25 * (static_cast<double>(i) + 2e7);
    LeastSquaresLine(ramp.data(), 2001, &slope, &at0);
    EXPECT_NEAR(slope, 0.25, 1e-9);
    EXPECT_NEAR(at0, 3e7 + 0.25 * 2e7, 1e-6);
}

TEST(Integral, TrapezoidSumsOfKnownInputs) {
    std::vector<double> ones(5, 1.0);
    EXPECT_EQ(IntegrateValues(ones.data(), 5, 0.001), 5);
    ExpectValues(ones, {0, 0.001, 0.002, 0.003, 0.004}, "constant 1 at 1 ms");
    // A ramp x = i * step integrates to i^2 step^2 / 2 exactly under the trapezoid rule.
    const double step = 0.5;
    std::vector<double> ramp(50), want(50);
    for (int i = 0; i < 50; ++i) ramp[i] = i * step, want[i] = i * i * step * step / 2;
    IntegrateValues(ramp.data(), 50, step);
    ExpectValues(ramp, want, "ramp");
    std::vector<double> gap = {1, 1, NAN, 1, 1};
    IntegrateValues(gap.data(), 5, 1.0);
    ExpectValues(gap, {0, 1, 1.5, 2, 3}, "a gap counts as 0");
}

TEST(Difference, SlopesOverKIntervals) {
    std::vector<double> ring(8);
    struct Case {
        const char* what;
        std::vector<double> x;
        int64_t first, last;
        int k;
        std::vector<double> want;
    } cases[] = {
        {"k = 1 at 1 ms", {0, 1, 4, 9}, 0, 3, 1, {0, 1000, 3000, 9}},
        {"k = 2 centred", {0, 1, 4, 9, 16}, 0, 4, 2, {500, 2000, 4000, 6000, 16}},
        {"k = 3", {0, 1, 4, 9, 16}, 0, 4, 3, {1000.0 / 3, 4000.0 / 3, 3000, 5000, 16}},
        {"k = 4, start repeated and end held", {0, 1, 4, 9, 16}, 0, 4, 4, {1000, 2250, 4000, 3750, 16}},
        {"part of the channel", {0, 1, 4, 9, 16, 25}, 2, 4, 1, {0, 1, 3000, 5000, 16, 25}},
    };
    for (Case& c : cases) {
        DifferenceValues(c.x.data(), static_cast<int64_t>(c.x.size()), c.first, c.last, c.k, 0.001, ring.data());
        ExpectValues(c.x, c.want, c.what);
    }
}

TEST(Difference, ADerivativeOfASine) {
    // A centred difference of sin(w t) approaches w cos(w t) with error of order (w dt)^2.
    const double dt = 1e-4, w = 2 * 3.14159265358979 * 5;
    std::vector<double> x(2000), ring(4);
    for (size_t i = 0; i < x.size(); ++i) x[i] = std::sin(w * i * dt);
    DifferenceValues(x.data(), 2000, 0, 1999, 2, dt, ring.data());
    for (size_t i = 1; i < 1999; ++i) ASSERT_NEAR(x[i], w * std::cos(w * i * dt), 1e-3 * w) << i;
}

TEST(TransformConventions, ProgressPercentStaysRightOnLongChannels) {
    struct Case {
        int64_t index, first, last;
        uint32_t want;
    } cases[] = {
        {0, 0, 99, 0},   {50, 0, 99, 50},          {99, 0, 99, 99},           {10, 10, 10, 0},
        {5, 10, 3, 0},   {30000000, 0, 39999999, 75}, {2000000000, 0, 2099999999, 95},
        {2100000000, 100, 2147483646, 97},
    };
    for (const Case& c : cases) EXPECT_EQ(ProgressPercent(c.index, c.first, c.last), c.want) << c.index;
}

TEST(TransformConventions, ProgressAsksEscapeAtMostOncePerPercentAndStopsThere) {
    static int asked;
    static int pressAt;
    asked = 0;
    pressAt = 1000;
    SetTransformEscapeProbe([] { return ++asked >= pressAt; });
    {
        TransformProgress p("Integrating: %3lu%% completed", 0, 999999);
        for (int64_t i = 0; i <= 999999; ++i) ASSERT_TRUE(p.Step(i));
    }
    EXPECT_LE(asked, 101);
    asked = 0;
    pressAt = 4;
    int64_t stoppedAt = -1;
    {
        TransformProgress p("Integrating: %3lu%% completed", 0, 999);
        for (int64_t i = 0; i <= 999; ++i)
            if (!p.Step(i)) {
                stoppedAt = i;
                break;
            }
    }
    SetTransformEscapeProbe(nullptr);
    EXPECT_EQ(stoppedAt, 30);  // asked at 0, 10 and 20; the fourth ask, at 30, sees the key
}

TEST(TransformConventions, RangesAndDestinationGrowth) {
    struct Sel {
        double start, end, interval;
        int32_t count, first, last;
    } sels[] = {
        {10, 20, 1, 100, 10, 20}, {20, 10, 1, 100, 10, 20}, {10.4, 19.6, 1, 100, 10, 20},
        {50, 500, 1, 100, 50, 99}, {-5, 3, 1, 100, 0, 3},    {0, 0, 1, 1, 0, 0},
    };
    for (const Sel& s : sels) {
        int32_t first = -1, last = -1;
        SelectionTimesToRange(s.start, s.end, s.interval, s.count, &first, &last);
        EXPECT_EQ(first, s.first) << s.start << ".." << s.end;
        EXPECT_EQ(last, s.last) << s.start << ".." << s.end;
    }
    struct Grow {
        uint32_t old;
        int32_t first, last;
        uint32_t want;
        int32_t start;
    } grows[] = {{100, 10, 20, 100, 10}, {100, 90, 149, 150, 90}, {100, 100, 109, 110, 100},
                 {100, 150, 159, 110, 100}, {0, 5, 9, 5, 0}};
    for (const Grow& g : grows) {
        EXPECT_EQ(GrownDestinationCount(g.old, g.first, g.last), g.want) << g.old << " " << g.first;
        EXPECT_EQ(DestinationWriteStart(g.old, g.first), g.start) << g.old << " " << g.first;
    }
}
