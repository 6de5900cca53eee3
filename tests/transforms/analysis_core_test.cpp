// The pure parts of the analysis transforms against answers worked out by hand: peaks of a known
// sequence with each placement, histogram bins at their edges and for known distributions, the
// moving window and the resetting integral, the math functions and Waveform Math's placement.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <vector>
#include "transforms/transforms_ids.h"
#include "transforms/analysis/histogram_core.h"
#include "transforms/analysis/integrate_core.h"
#include "transforms/analysis/peak_search.h"
#include "transforms/math_functions.h"
#include "transforms/transform_conventions.h"
#include "transforms/waveform_math.h"

namespace {

const double kPi = std::acos(-1.0);
const double kE = std::exp(1.0);

// Peaks at or above 5: runs 3-5 (peak 4, the first of two 9s), 9, 11, and 13-14 still above at
// the end. At or below 1: runs 1, 7-8 (peak 8), 12.
const std::vector<double> kSequence = {5, 0, 2, 6, 9, 9, 4, 1, 0, 7, 3, 8, 1, 7, 7};

TEST(PeakSearch, EachSearchFromItsStart) {
    struct Case {
        int32_t mode;
        double level;
        int32_t step;
        int32_t start, end;
        int found;
        int32_t crossing, peak;
    } cases[] = {
        {kPeakPositive, 5, 0, 0, 15, 1, 3, 4},    // starts at the level: waits for the fall first
        {kPeakPositive, 5, 0, 4, 15, 1, 9, 9},
        {kPeakPositive, 5, 0, 9, 15, 1, 11, 11},
        {kPeakPositive, 5, 0, 11, 15, 0, 0, 0},   // the last run does not end before the channel
        {kPeakPositive, 5, 0, 0, 5, 0, 0, 0},     // the limit cuts the first run
        {kPeakPositive, 50, 0, 0, 15, 0, 0, 0},
        {kPeakNegative, 1, 0, 0, 15, 1, 1, 1},
        {kPeakNegative, 1, 0, 1, 15, 1, 7, 8},
        {kPeakNegative, 1, 0, 8, 15, 1, 12, 12},
        {kPeakNegative, 1, 0, 12, 15, 0, 0, 0},
        {kPeakInterval, 0, 4, 2, 15, 1, 2, 6},
        {kPeakInterval, 0, 4, 10, 15, 1, 10, 14},
        {kPeakInterval, 0, 4, 11, 15, 0, 0, 0},   // 15 lies beyond the end
        {kPeakInterval, 0, 4, 14, 15, 0, 0, 0},   // at end - 1
        {kPeakInterval, 0, 0, 2, 15, 0, 0, 0},    // no step, no peak
    };
    for (const Case& c : cases) {
        stPeakHit hit{-1, -1};
        const int found = FindPeakInValues(kSequence.data(), c.start, c.end, {c.mode, c.level, c.step}, &hit);
        EXPECT_EQ(found, c.found) << "mode " << c.mode << " from " << c.start;
        if (found && c.found) {
            EXPECT_EQ(hit.crossing, c.crossing) << "mode " << c.mode << " from " << c.start;
            EXPECT_EQ(hit.peak, c.peak) << "mode " << c.mode << " from " << c.start;
        }
    }
}

// Old first cursor at 10 ms, 2 ms a sample, a hit crossing at sample 3 with its peak at 4.
TEST(PeakSearch, CursorPlacements) {
    struct Case {
        int16_t placement;
        stPeakHit hit;
        double oldFirst, offset1, offset2;
        double first, second;
    } cases[] = {
        {kPlacePreviousPeak, {3, 4}, 10, 1, -3, 8, 7},
        {kPlacePeak, {3, 4}, 10, 1, -3, 9, 5},
        {kPlacePreviousThreshold, {3, 4}, 10, 1, -3, 6, 7},
        {kPlaceThreshold, {3, 4}, 10, 1, -3, 7, 3},
        {kPlacePreviousPeak, {3, 20}, 10, 0, 0, 28, 10},  // the peak index is clamped to the channel
        {kPlacePreviousPeak, {3, 4}, -4, 0, 0, 8, 0},     // the old cursor is taken no lower than 0
        {kPlacePeak, {3, 4}, 10, 0, -50, 8, 0},           // nor is the new second cursor
    };
    for (const Case& c : cases) {
        double first = -1, second = -1;
        PlacePeakCursors(c.oldFirst, c.hit, c.placement, c.offset1, c.offset2, 2.0, 15, &first, &second);
        EXPECT_DOUBLE_EQ(first, c.first) << "placement " << c.placement;
        EXPECT_DOUBLE_EQ(second, c.second) << "placement " << c.placement;
    }
}

TEST(PeakSearch, TrackingLevelsAndIntervalSteps) {
    double positive = 0, negative = 0;
    TrackPeakLevels(10, 2, 12, 90, &positive, &negative);
    EXPECT_DOUBLE_EQ(positive, 2 + 8 * 0.9);
    EXPECT_DOUBLE_EQ(negative, 12 - 2 * 0.9);
    struct Case {
        double interval, factor, sampleInterval;
        int32_t samples;
    } cases[] = {
        {1.0, 1000, 250, 4},   // 1 s of 0.25 ms samples... in ms: 1000 / 250
        {0.6, 1, 0.25, 2},     // 2.4 rounds to 2
        {0.63, 1, 0.25, 3},    // 2.52 rounds to 3
        {0.1, 1, 1, 0},        // shorter than a sample
        {-5, 1, 1, 0},
        {1e30, 1, 1, INT32_MAX},  // beyond any channel, not an undefined conversion
        {NAN, 1, 1, 0},
        {1, 1, 0, 0},
    };
    for (const Case& c : cases)
        EXPECT_EQ(IntervalInSamples(c.interval, c.factor, c.sampleInterval), c.samples) << c.interval;
}

TEST(Histogram, BinsAtTheEdgesAndOutliers) {
    const double w = HistogramBinWidth(-10, 10, 10);
    EXPECT_DOUBLE_EQ(w, 2.0);
    struct Case {
        double x;
        int32_t bin;
    } cases[] = {{-10, 0}, {9.99, 9}, {10, 9}, {50, 9}, {-50, 0}, {0, 5}, {-0.0001, 4}, {-8.0, 1},
                 {1e300, 9}, {-1e300, 0}, {INFINITY, 9}, {-INFINITY, 0}, {NAN, 0}};
    for (const Case& c : cases) EXPECT_EQ(HistogramBin(c.x, -10, w, 10), c.bin) << c.x;
}

TEST(Histogram, KnownDistributions) {
    // 0..99 in ten bins from 0 to 100: ten in each.
    std::vector<double> ramp(100);
    for (int i = 0; i < 100; ++i) ramp[i] = i;
    std::vector<double> counts(10, 0.0);
    CountHistogram(ramp.data(), ramp.size(), 0, HistogramBinWidth(0, 100, 10), 10, counts.data());
    for (double c : counts) EXPECT_EQ(c, 10.0);

    // k repeated k times for k = 0..4, bins of width 1 from 0 to 5: counts 0, 1, 2, 3, 4.
    std::vector<double> stairs;
    for (int k = 0; k < 5; ++k) stairs.insert(stairs.end(), k, k + 0.5);
    std::vector<double> steps(5, 0.0);
    CountHistogram(stairs.data(), stairs.size(), 0, HistogramBinWidth(0, 5, 5), 5, steps.data());
    EXPECT_EQ(steps, (std::vector<double>{0, 1, 2, 3, 4}));

    // A constant channel over its own range: width 1, every sample in bin 0.
    std::vector<double> flat(7, 3.25);
    double lo = 0, hi = 0;
    ASSERT_TRUE(ValueRange(flat.data(), flat.size(), &lo, &hi));
    EXPECT_DOUBLE_EQ(HistogramBinWidth(lo, hi, 4), 1.0);
    std::vector<double> flatCounts(4, 0.0);
    CountHistogram(flat.data(), flat.size(), lo, HistogramBinWidth(lo, hi, 4), 4, flatCounts.data());
    EXPECT_EQ(flatCounts, (std::vector<double>{7, 0, 0, 0}));
}

TEST(Integrate, MovingWindow) {
    struct Case {
        const char* name;
        stWindowRule rule;
        double interval;
        std::vector<double> in, out;
    } cases[] = {
        {"N=1 sum", {1, 0, 0, 0}, 4, {1, -2, 3}, {0.004, -0.008, 0.012}},
        {"N=2 sum", {2, 0, 0, 0}, 1000, {1, 2, 3, 4}, {1, 3, 5, 7}},
        {"N=2 rectified", {2, 1, 1, 0}, 1000, {-1, 2, -3, 4}, {1, 3, 5, 7}},
        {"N=3 rms", {3, 1, 0, 0}, 1, {3, 4, 0, 5}, {std::sqrt(4.5), std::sqrt(12.5), std::sqrt(12.5), std::sqrt(20.5)}},
        {"N=1 rms", {1, 1, 0, 0}, 1, {-3, 4}, {3, 4}},
        {"N=1 baseline", {1, 1, 0, 1}, 1, {-3, 4}, {0, 0}},
        {"N=2 baseline", {2, 1, 0, 1}, 1, {2, 4, 4}, {0, std::sqrt(2.0), 0}},
    };
    for (const Case& c : cases) {
        std::vector<double> x = c.in;
        std::vector<double> window(c.rule.samples);
        IntegrateWindowValues(x.data(), x.size(), c.rule, c.interval, window.data());
        for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(x[i], c.out[i], 1e-12) << c.name << " at " << i;
    }
}

TEST(Integrate, ResetsAtControlCrossings) {
    struct Case {
        const char* name;
        std::vector<double> control;
        double low, high;
        int positive, meanSubtraction;
        std::vector<double> out;
    } cases[] = {
        {"never crosses", {0, 0, 0, 0}, 1, 4, 1, 0, {0, 1, 2, 3}},
        {"never crosses, mean taken off", {0, 0, 0, 0}, 1, 4, 1, 1, {0, 0, 0, 0}},
        {"positive", {0, 0, 5, 5, 0, 0, 5, 0}, 1, 4, 1, 0, {0, 1, 0, 1, 2, 3, 0, 1}},
        {"thresholds given reversed", {0, 0, 5, 5, 0, 0, 5, 0}, 4, 1, 1, 0, {0, 1, 0, 1, 2, 3, 0, 1}},
        {"negative", {5, 5, 0, 0, 5, 5, 0, 5}, 1, 4, 0, 0, {0, 1, 0, 1, 2, 3, 0, 1}},
    };
    for (const Case& c : cases) {
        std::vector<double> x(c.control.size(), 1.0);
        IntegrateWithResetValues(x.data(), c.control.data(), static_cast<int32_t>(c.control.size()), 0,
                                 static_cast<int32_t>(x.size()) - 1, c.low, c.high, c.meanSubtraction, c.positive, 0.5);
        EXPECT_EQ(x, c.out) << c.name;
    }
    // The control channel unreadable from sample 5: the segment that needs it is left as it was.
    const std::vector<double> control = {0, 0, 5, 5, 0, 0, 5, 0};
    std::vector<double> x(8, 1.0);
    IntegrateWithResetValues(x.data(), control.data(), 5, 0, 7, 1, 4, 0, 1, 0.5);
    EXPECT_EQ(x, (std::vector<double>{0, 1, 1, 1, 1, 1, 1, 1}));
    // The trapezoid uses the inputs, not the outputs already written.
    std::vector<double> ramp = {0, 2, 4, 6};
    IntegrateSegmentValues(ramp.data(), 0, 3, 0, 0.5);
    EXPECT_EQ(ramp, (std::vector<double>{0, 1, 4, 9}));
}

TEST(MathFunctions, ValuesOfEachFunction) {
    struct Case {
        uint32_t id;
        double x, y;
    } cases[] = {
        {IDM_MATH_ABS, -2.5, 2.5},  {IDM_MATH_ARCTAN, 1, kPi / 4}, {IDM_MATH_EXP, 0, 1},
        {IDM_MATH_LN, 0, 0},        {IDM_MATH_LN, kE, 1},          {IDM_MATH_LOG, 100, 2},
        {IDM_MATH_LOG, -1, 0},      {IDM_MATH_SIN, kPi / 2, 1},    {IDM_MATH_SQRT, -4, 0},
        {IDM_MATH_SQRT, 9, 3},
    };
    for (const Case& c : cases) {
        double v = c.x;
        ASSERT_EQ(MathFunctionValues(c.id, &v, 1, nullptr), 1) << c.id;
        EXPECT_NEAR(v, c.y, 1e-12) << c.id << " of " << c.x;
    }
    double noise[2] = {7, 7};
    ASSERT_EQ(MathFunctionValues(IDM_MATH_NOISE, noise, 1, [] { return 32767; }), 1);
    ASSERT_EQ(MathFunctionValues(IDM_MATH_NOISE, noise + 1, 1, [] { return 0; }), 1);
    EXPECT_DOUBLE_EQ(noise[0], 0.5);
    EXPECT_DOUBLE_EQ(noise[1], -0.5);
    double untouched = 3;
    EXPECT_EQ(MathFunctionValues(IDM_MATH_LIMIT, &untouched, 1, nullptr), 0);
    EXPECT_EQ(untouched, 3);
}

TEST(MathFunctions, ThresholdLimitAndConnect) {
    struct Case {
        const char* name;
        int kind;  // 0 threshold, 1 limit, 2 connect
        double lower, upper;
        std::vector<double> in, out;
    } cases[] = {
        {"threshold", 0, 1, 2, {0, 1.5, 3, 1.5, 0.5, 1.5}, {0, 0, 1, 1, 0, 0}},
        {"threshold starting between", 0, 1, 2, {1.5, 1.5, 2.5}, {0, 0, 1}},
        {"threshold starting above", 0, 1, 2, {2.5, 1.5, 0}, {1, 1, 0}},
        {"threshold reversed", 0, 2, 1, {0, 1.5, 3, 1.5, 0.5, 1.5}, {0, 0, 1, 1, 0, 0}},
        {"limit reversed", 1, 5, 1, {0, 3, 7, -2}, {1, 3, 5, 1}},
        {"connect", 2, 0, 0, {1, 9, -9, 7}, {1, 3, 5, 7}},
        {"connect two", 2, 0, 0, {1, 9}, {1, 9}},
    };
    for (const Case& c : cases) {
        std::vector<double> v = c.in;
        if (c.kind == 0) ThresholdValues(v.data(), v.size(), c.lower, c.upper);
        if (c.kind == 1) LimitValues(v.data(), v.size(), c.lower, c.upper);
        if (c.kind == 2) ConnectEndpointValues(v.data(), v.size());
        EXPECT_EQ(v, c.out) << c.name;
    }
}

TEST(WaveformMath, OperatorsAndConstants) {
    struct Case {
        int op;
        double a, b, r;
    } cases[] = {{kWaveAdd, 2, 3, 5},    {kWaveSubtract, 2, 3, -1}, {kWaveMultiply, 2, 3, 6},
                 {kWaveDivide, 3, 2, 1.5}, {kWaveDivide, 3, 0, 0},   {kWavePower, 2, 3, 8}};
    for (const Case& c : cases) EXPECT_DOUBLE_EQ(WaveOperation(c.op, c.a, c.b), c.r) << c.op;
    const double s[] = {1, 2, 4};
    double out[3];
    CombineWaveValues(kWaveDivide, nullptr, s, 8, out, 3);
    EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{8, 4, 2}));
    CombineWaveValues(kWaveSubtract, s, nullptr, 1, out, 3);
    EXPECT_EQ(std::vector<double>(out, out + 3), (std::vector<double>{0, 1, 3}));
}

// The destination Waveform Math and the Expression transform write: a range that runs backwards
// neither shrinks nor grows it, and a long one does not wrap the count.
TEST(WaveformMath, BackwardRangeDoesNotGrowTheDestination) {
    struct Case {
        uint32_t old;
        int32_t first, last;
        uint32_t count;
    } cases[] = {
        {10, 5, 3, 10},   // inside the data
        {10, 12, 3, 10},  // past the data
        {0, 5, 2, 0},
        {10, 2, 5, 10},   // forwards, for contrast
        {10, 12, 14, 13},
        {INT32_MAX - 1, INT32_MAX - 1, INT32_MAX, 1u << 31},
    };
    for (const Case& c : cases)
        EXPECT_EQ(GrownDestinationCount(c.old, c.first, c.last), c.count) << c.old << ": " << c.first << ".." << c.last;
}

}  // namespace
