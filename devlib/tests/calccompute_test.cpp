// The ten calculation kinds over arrays: each against a formula worked out here, each split into
// blocks of many sizes against one long block (the working state carries exactly), and the
// faults the kinds once had: the Rate baseline at long periods, the Rate's first event, filter
// frequencies at half the sample rate, an expression's error.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "devlib/acquisition/calc/calc_compute.h"
#include "common/math_constants.h"

namespace {


// Channels as arrays; a block may read only what has been recorded so far.
struct Series {
    std::map<int32_t, std::vector<double>> channel;
    int32_t available = 0;
};

int32_t ReadSeries(void* context, int32_t index, int32_t id, double* out) {
    const auto* s = static_cast<const Series*>(context);
    const auto it = s->channel.find(id);
    if (it == s->channel.end() || index < 0 || index >= s->available || index >= int32_t(it->second.size())) return 0;
    *out = it->second[static_cast<size_t>(index)];
    return 1;
}

using Compute = std::function<int32_t(stCalcBlock*)>;

// The outputs of `total` samples computed in blocks of the given sizes, repeated in turn.
std::vector<double> RunBlocks(const Compute& compute, Series* s, int32_t total, const std::vector<int32_t>& sizes,
                              stCalcBlock base = {}) {
    std::vector<double> out(static_cast<size_t>(total), NAN);
    size_t next = 0;
    for (int32_t first = 0; first < total;) {
        const int32_t n = std::min(sizes[next++ % sizes.size()], total - first);
        stCalcBlock b = base;
        b.read = ReadSeries;
        b.context = s;
        b.first = first;
        b.count = n;
        b.out = out.data() + first;
        b.written = 0;
        s->available = first + n;
        EXPECT_EQ(compute(&b), 1) << "block at " << first;
        EXPECT_EQ(b.written, n);
        first += n;
    }
    return out;
}

std::vector<double> Ramp(int32_t n, double slope, double start = 0) {
    std::vector<double> v(static_cast<size_t>(n));
    for (int32_t i = 0; i < n; ++i) v[size_t(i)] = start + slope * i;
    return v;
}

// Pulses of height 1: `width` samples high from `start`, every `period` samples.
std::vector<double> Pulses(int32_t n, int32_t period, int32_t width, int32_t start) {
    std::vector<double> v(static_cast<size_t>(n), 0.0);
    for (int32_t i = start; i < n; ++i) v[size_t(i)] = (i - start) % period < width ? 1.0 : 0.0;
    return v;
}

stCalcSettings* Fresh() {
    static stCalcSettings s;
    ResetCalcSettings(&s, 1);
    return &s;
}

// ---- Integrate ----

TEST(CalcIntegrate, TheAveragingWindowSumsAConstantOverItsSamples) {
    struct Case {
        const char* name;
        int32_t options, rectify, removeBaseline;
        double value;
        std::function<double(int32_t n)> expected;  // n = samples in the window so far
    } cases[] = {
        {"plain sum", 0, 0, 0, 2.0, [](int32_t n) { return n * 2.0 * 0.004; }},
        {"rectified", 1, 1, 0, -3.0, [](int32_t n) { return n * 3.0 * 0.004; }},
        {"root mean square", 1, 0, 0, 3.0, [](int32_t n) { return std::sqrt(n * 9.0 / std::max(1, n - 1)); }},
        {"rms less the mean", 1, 0, 1, 3.0, [](int32_t) { return 0.0; }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        stIntegrateParams p = Fresh()->integrate[0];
        p.averaging = 1, p.samples = 5, p.options = c.options, p.rectify = c.rectify;
        p.removeBaseline = c.removeBaseline;
        std::vector<double> ring(5);
        PrepareIntegrateState(&p, ring.data(), 1, 4.0, 0);
        Series s;
        s.channel[1] = std::vector<double>(40, c.value);
        stCalcBlock base;
        base.intervalMs = 4.0;
        const auto out = RunBlocks([&](stCalcBlock* b) { return CalcIntegrate(&p, ring.data(), b); }, &s, 40, {40}, base);
        for (int32_t i = 0; i < 40; ++i) EXPECT_NEAR(out[size_t(i)], c.expected(std::min(5, i)), 1e-12) << i;
    }
}

TEST(CalcIntegrate, TheResetModeRestartsTheIntegralAtEachCrossingOfTheControl) {
    // A constant 1 integrated by trapezoids at 2 ms: 2 ms more per sample; the control rises
    // through HIGH at 10, 40 and 70 (and falls below LOW between), the negative mode at its falls.
    struct Case {
        int32_t positive;
        std::vector<int32_t> resets;
    } cases[] = {{1, {10, 40, 70}}, {0, {25, 55, 85}}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.positive);
        stIntegrateParams p = Fresh()->integrate[0];
        p.averaging = 0, p.control = 3, p.low = 0.8, p.high = 0.2, p.positive = c.positive;  // swapped on purpose
        PrepareIntegrateState(&p, nullptr, 1, 2.0, 0);
        EXPECT_EQ(p.low, 0.2);
        Series s;
        s.channel[1] = std::vector<double>(100, 1.0);
        s.channel[3] = Pulses(100, 30, 15, 10);
        stCalcBlock base;
        base.intervalMs = 2.0;
        const auto out = RunBlocks([&](stCalcBlock* b) { return CalcIntegrate(&p, nullptr, b); }, &s, 100, {100}, base);
        int32_t since = 0;
        size_t next = 0;
        for (int32_t i = 0; i < 100; ++i) {
            if (next < c.resets.size() && i == c.resets[next]) since = 0, ++next;
            EXPECT_NEAR(out[size_t(i)], since * 0.002, 1e-12) << i;
            ++since;
        }
    }
}

TEST(CalcIntegrate, TheCycleModeIntegratesEachCycleLessItsMeanALagBehind) {
    // Cycles of 20 samples (crossings every 20): a source that is 1 in the first half and 3 in
    // the second half of each cycle has mean 2, so each cycle integrates to a triangle back to 0.
    stIntegrateParams p = Fresh()->integrate[0];
    p.averaging = 0, p.meanSubtraction = 1, p.control = 3, p.low = 0.2, p.high = 0.8, p.maxCyclePeriod = 0.01;
    PrepareIntegrateState(&p, nullptr, 1, 1.0, 0);
    EXPECT_EQ(p.lag, 10);
    Series s;
    s.channel[3] = Pulses(200, 20, 10, 0);
    s.channel[1].resize(200);
    for (int32_t i = 0; i < 200; ++i) s.channel[1][size_t(i)] = (i % 20) < 10 ? 1.0 : 3.0;
    const auto out = RunBlocks([&](stCalcBlock* b) { return CalcIntegrate(&p, nullptr, b); }, &s, 200, {200});
    // Once two cycles are known every sample is the running integral of (x - 2) of a cycle.
    double peak = 0;
    for (int32_t i = 100; i < 200; ++i) peak = std::max(peak, std::fabs(out[size_t(i)]));
    EXPECT_GT(peak, 0.004);
    EXPECT_LT(peak, 0.011);  // 10 samples of |x - 2| = 1 at 1 ms
    for (int32_t i = 0; i < 20; ++i) EXPECT_EQ(out[size_t(i)], 0.0) << i;  // no cycle complete yet
}

// ---- Smoothing, Difference, Delay ----

TEST(CalcSmoothing, TheMeanOrMedianOfTheLastNSamples) {
    const std::vector<double> x = {4, 8, 100, 6, 2, 10, 3};
    struct Case {
        int32_t median;
        std::vector<double> expected;
    } cases[] = {
        {0, {4, 6, 112.0 / 3, 38, 36, 6, 5}},  // the first sample of the run averages itself
        {1, {4, 6, 8, 8, 6, 6, 3}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.median);
        stSmoothingParams p = Fresh()->smoothing[0];
        p.median = c.median;
        std::vector<double> buffer(3);
        Series s;
        s.channel[1] = x;
        stCalcBlock base;
        base.multiplier = 2, base.addend = 1;  // scaled
        const auto out = RunBlocks([&](stCalcBlock* b) { return CalcSmoothing(&p, buffer.data(), b); }, &s, 7, {2}, base);
        for (size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(out[i], c.expected[i] * 2 + 1, 1e-12) << i;
    }
}

TEST(CalcDifference, TheDifferenceOfARampIsItsSlopeTimesTheInterval) {
    for (int32_t n : {1, 5}) {
        SCOPED_TRACE(n);
        stDifferenceParams p = Fresh()->difference[0];
        p.interval = n;
        PrepareDifferenceState(&p);
        std::vector<double> ring(size_t(CalcDifferenceBufferDoubles(p)));
        Series s;
        s.channel[1] = Ramp(30, 3.0, 7.0);
        const auto out = RunBlocks([&](stCalcBlock* b) { return CalcDifference(&p, ring.data(), b); }, &s, 30, {4, 1});
        for (int32_t i = 0; i < 30; ++i) EXPECT_DOUBLE_EQ(out[size_t(i)], 3.0 * std::min(i, n)) << i;
    }
}

TEST(CalcDelay, TheSourceComesNSamplesLateAndTheFirstNHoldTheAddend) {
    struct Case {
        int16_t unit;
        int32_t samples;
        double seconds, periodMs;
        int32_t delay;
    } cases[] = {{kDelayUnitSamples, 20, 0, 1.0, 20}, {kDelayUnitSeconds, 0, 0.05, 2.5, 20}, {kDelayUnitSamples, 0, 0, 1, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.delay);
        stDelayParams p = Fresh()->delay[0];
        p.unit = c.unit, p.samples = c.samples, p.seconds = c.seconds;
        ASSERT_EQ(PrepareDelayState(&p, c.periodMs, 100), 1);
        EXPECT_EQ(p.samples, c.delay);
        Series s;
        s.channel[1] = Ramp(100, 1.0, 1.0);
        stCalcBlock base;
        base.addend = -4;
        const auto out = RunBlocks([&](stCalcBlock* b) { return CalcDelay(&p, b); }, &s, 100, {7}, base);
        for (int32_t i = 0; i < 100; ++i)
            EXPECT_DOUBLE_EQ(out[size_t(i)], i < c.delay ? -4.0 : 1.0 + (i - c.delay) - 4.0) << i;
    }
    stDelayParams longer = Fresh()->delay[0];
    longer.samples = 101;
    EXPECT_EQ(PrepareDelayState(&longer, 1.0, 100), 0);
}

// ---- Math, Function, Control ----

TEST(CalcMath, EachOperatorOnChannelsAndTheConstant) {
    struct Case {
        int32_t op, first, second;
        double constant;
        double (*expected)(double a, double b, double k);
    } cases[] = {
        {kMathAdd, 1, 2, 0, [](double a, double b, double) { return a + b; }},
        {kMathSubtract, 1, kMathConstant, 2.5, [](double a, double, double k) { return a - k; }},
        {kMathMultiply, kMathConstant, 2, 3.0, [](double, double b, double k) { return k * b; }},
        {kMathDivide, 1, 2, 0, [](double a, double b, double) { return b == 0 ? 0.0 : a / b; }},
        {kMathPower, 2, kMathConstant, 2.0, [](double, double b, double) { return b * b; }},
        {kMathAdd, kMathConstant, kMathConstant, 1.5, [](double, double, double k) { return 2 * k; }},
    };
    Series s;
    s.channel[1] = {1, -2, 3, 4, 0.5};
    s.channel[2] = {0, 2, -1, 4, 8};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.op);
        stMathParams p{c.op, c.first, c.second, {}, c.constant};
        const auto out = RunBlocks([&](stCalcBlock* b) { return CalcMath(&p, b); }, &s, 5, {3});
        for (size_t i = 0; i < 5; ++i)
            EXPECT_DOUBLE_EQ(out[i], c.expected(s.channel[1][i], s.channel[2][i], c.constant)) << i;
    }
}

TEST(CalcFunction, EachFunctionAndTheThresholdsMemory) {
    const std::vector<double> x = {-2, 0, 0.5, 4, 1, -0.5};
    struct Case {
        int32_t function;
        std::vector<double> expected;
    } cases[] = {
        {kFuncAbs, {2, 0, 0.5, 4, 1, 0.5}},
        {kFuncArcTan, {std::atan(-2.0), 0, std::atan(0.5), std::atan(4.0), std::atan(1.0), std::atan(-0.5)}},
        {kFuncExp, {std::exp(-2.0), 1, std::exp(0.5), std::exp(4.0), std::exp(1.0), std::exp(-0.5)}},
        {kFuncLn, {0, 0, std::log(0.5), std::log(4.0), 0, 0}},
        {kFuncLog, {0, 0, std::log10(0.5), std::log10(4.0), 0, 0}},
        {kFuncSin, {std::sin(-2.0), 0, std::sin(0.5), std::sin(4.0), std::sin(1.0), std::sin(-0.5)}},
        {kFuncSqrt, {0, 0, std::sqrt(0.5), 2, 1, 0}},
        // Levels -1 and 1: starts at 0, holds between them.
        {kFuncThreshold, {-1, -1, -1, 1, 1, 1}},
        {kFuncLimit, {-1, 0, 0.5, 1, 1, -0.5}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        stFunctionParams p = Fresh()->function[0];
        p.function = c.function, p.upper = 1.0, p.lower = -1.0;
        Series s;
        s.channel[1] = x;
        const auto out = RunBlocks([&](stCalcBlock* b) { return CalcFunction(&p, b); }, &s, 6, {1});
        for (size_t i = 0; i < x.size(); ++i) EXPECT_DOUBLE_EQ(out[i], c.expected[i]) << i;
    }
    stFunctionParams held = Fresh()->function[0];
    held.function = kFuncThreshold, held.upper = 1, held.lower = -1;
    Series s;
    s.channel[1] = {0, 0.5};
    EXPECT_EQ(RunBlocks([&](stCalcBlock* b) { return CalcFunction(&held, b); }, &s, 2, {2}),
              (std::vector<double>{0.0, 0.0}));  // 0.0 until the signal first leaves the band
    stFunctionParams noise = Fresh()->function[0];
    noise.function = kFuncNoise;
    s.channel.clear();  // noise reads nothing
    for (double v : RunBlocks([&](stCalcBlock* b) { return CalcFunction(&noise, b); }, &s, 50, {50})) {
        EXPECT_GE(v, -0.5);
        EXPECT_LE(v, 0.5 + 1e-9);
    }
}

TEST(CalcControl, TheFourThresholdFunctionsGiveExactlyZeroOrFive) {
    const std::vector<double> x = {0, 2, 1.5, 3, 2, 0.5, 1.5};  // L1 = 1, L2 = 2.5
    struct Case {
        int16_t function;
        std::vector<double> expected;
    } cases[] = {
        {0, {0, 0, 0, 5, 5, 0, 0}},
        {1, {0, 5, 5, 0, 5, 0, 5}},
        {2, {5, 5, 5, 0, 0, 5, 5}},
        {3, {5, 0, 0, 5, 0, 5, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        stControlParams p = Fresh()->control[0];
        p.function = c.function, p.level1 = 1, p.level2 = 2.5;
        Series s;
        s.channel[1] = x;
        std::vector<double> refreshed;
        const auto out = RunBlocks(
            [&](stCalcBlock* b) {
                return CalcControl(&p, b, [](void* v, double st) { static_cast<std::vector<double>*>(v)->push_back(st); },
                                   &refreshed);
            },
            &s, 7, {3});
        EXPECT_EQ(out, c.expected);
        EXPECT_EQ(refreshed, c.expected);  // the panel heard every sample's state
    }
}

// ---- Filter ----

// The amplitude of the last `cycles` whole cycles of a sampled sine: its RMS times sqrt(2).
double Amplitude(const std::vector<double>& y, int32_t perCycle, int32_t cycles) {
    double sum = 0;
    const size_t from = y.size() - size_t(perCycle * cycles);
    for (size_t i = from; i < y.size(); ++i) sum += y[i] * y[i];
    return std::sqrt(2 * sum / double(perCycle * cycles));
}

TEST(CalcFilter, TheResponseToASineAtTheCutOffIsTheSecondOrderSectionsGain) {
    // At its own frequency a second-order section passes Q (low and high pass), 1 (band pass)
    // and nothing (band stop); the bilinear design keeps that exactly at the pre-warped frequency.
    struct Case {
        int16_t type;
        double q, gain, tolerance;
    } cases[] = {
        {kCalcFilterLowPass, 0.707, 0.707, 0.004},
        {kCalcFilterHighPass, 0.707, 0.707, 0.004},
        {kCalcFilterLowPass, 2.0, 2.0, 0.01},
        {kCalcFilterBandPass, 5.0, 1.0, 0.005},
        {kCalcFilterBandStop, 5.0, 0.0, 0.005},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        stFilterParams p = Fresh()->filter[0];
        p.type = c.type, p.frequency = 50.0, p.q = c.q, p.qBand = c.q;
        const char* why = nullptr;
        ASSERT_EQ(DesignFilter(&p, 1.0, 60.0, &why), 1);
        Series s;
        s.channel[1].resize(4000);
        for (int32_t i = 0; i < 4000; ++i) s.channel[1][size_t(i)] = std::sin(2 * kPi * 50.0 * i * 0.001);
        const auto y = RunBlocks([&](stCalcBlock* b) { return CalcFilter(&p, b); }, &s, 4000, {4000});
        EXPECT_NEAR(Amplitude(y, 20, 50), c.gain, c.tolerance);
    }
}

TEST(CalcFilter, TheTwoStageBandPassesItsMiddleAndTheLineStopTakesTheMains) {
    stFilterParams band = Fresh()->filter[0];
    band.type = kCalcFilterLowHigh, band.frequency = 10.0, band.highFrequency = 200.0, band.q = 0.707;
    stFilterParams line = Fresh()->filter[0];
    line.type = kCalcFilterLine, line.qBand = 5.0;
    const char* why = nullptr;
    ASSERT_EQ(DesignFilter(&band, 1.0, 50.0, &why), 1);
    ASSERT_EQ(DesignFilter(&line, 1.0, 50.0, &why), 1);
    for (auto [p, freq, gainLow, gainHigh] : {std::tuple{&band, 50.0, 0.9, 1.01}, std::tuple{&line, 50.0, 0.0, 0.005},
                                              std::tuple{&line, 200.0, 0.97, 1.01}}) {
        SCOPED_TRACE(freq);
        stFilterParams f = *p;
        Series s;
        s.channel[1].resize(4000);
        for (int32_t i = 0; i < 4000; ++i) s.channel[1][size_t(i)] = std::sin(2 * kPi * freq * i * 0.001);
        const auto y = RunBlocks([&](stCalcBlock* b) { return CalcFilter(&f, b); }, &s, 4000, {4000});
        const int32_t perCycle = freq == 50.0 ? 20 : 5;
        const double a = Amplitude(y, perCycle, 2000 / perCycle);
        EXPECT_GE(a, gainLow);
        EXPECT_LE(a, gainHigh);
    }
}

TEST(CalcFilter, FrequenciesFromHalfTheSampleRateUpAndQsOfZeroAreRefused) {
    struct Case {
        int16_t type;
        double frequency, high, q, qBand;
        int32_t ok;
        const char* key;
    } cases[] = {
        {kCalcFilterLowPass, 499.0, 0, 0.707, 5, 1, nullptr},
        {kCalcFilterLowPass, 500.0, 0, 0.707, 5, 0, "KEY Filter frequency out of range"},  // fs / 2 at 1 ms
        {kCalcFilterHighPass, 800.0, 0, 0.707, 5, 0, "KEY Filter frequency out of range"},
        {kCalcFilterBandPass, 0.0, 0, 0.707, 5, 0, "KEY Filter frequency out of range"},
        {kCalcFilterLowHigh, 10.0, 500.0, 0.707, 5, 0, "KEY Filter frequency out of range"},
        {kCalcFilterBandStop, 50.0, 0, 0.707, 0.0, 0, "Q value is out of range"},
        {kCalcFilterLowPass, 50.0, 0, -1.0, 5, 0, "Q value is out of range"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frequency);
        stFilterParams p = Fresh()->filter[0];
        p.type = c.type, p.frequency = c.frequency, p.highFrequency = c.high, p.q = c.q, p.qBand = c.qBand;
        const char* why = nullptr;
        EXPECT_EQ(DesignFilter(&p, 1.0, 60.0, &why), c.ok);
        if (!c.ok) {
            EXPECT_STREQ(why, c.key);
        }
    }
}

TEST(CalcFilter, TheStateStartsAtTheInputAtTheRunsFirstSample) {
    // A constant through a low pass is the constant from its first sample, however it starts.
    stFilterParams p = Fresh()->filter[0];
    p.frequency = 20.0;
    const char* why = nullptr;
    ASSERT_EQ(DesignFilter(&p, 1.0, 60.0, &why), 1);
    p.stage1.y1 = p.stage1.y2 = p.stage1.x1 = p.stage1.x2 = 1000.0;  // left from an earlier run
    Series s;
    s.channel[1] = std::vector<double>(60, 3.0);
    stCalcBlock base;
    base.runStart = 30;
    auto from = [&](int32_t first) {
        std::vector<double> out(30);
        stCalcBlock b = base;
        b.read = ReadSeries, b.context = &s, b.first = first, b.count = 30, b.out = out.data();
        s.available = first + 30;
        EXPECT_EQ(CalcFilter(&p, &b), 1);
        return out;
    };
    from(0);
    p.stage1.y1 = 1000.0;
    for (double v : from(30)) EXPECT_NEAR(v, 3.0, 1e-9);
}

// ---- Rate ----

stRateParams RateFor(int16_t function) {
    stRateParams p = Fresh()->rate[0];
    p.function = function;
    return p;
}

std::vector<double> RunRate(stRateParams* p, Series* s, double periodMs, int32_t total, std::vector<int32_t> sizes) {
    EXPECT_EQ(PrepareRateState(p, periodMs), 1);
    std::vector<double> ring(size_t(std::max(1, CalcRateBufferDoubles(*p))));
    stCalcBlock base;
    base.samplePeriodMs = base.intervalMs = periodMs;
    return RunBlocks([&](stCalcBlock* b) { return CalcRate(p, ring.data(), b); }, s, total, sizes, base);
}

TEST(CalcRate, APulseTrainGivesItsRateFromTheFirstEventTimedFromTheStartOfTheRun) {
    // Pulses every 500 ms at 1 ms, rising at 600, 1100, ...: peaks (with the 25 ms baseline
    // removal) at each rise. The first event (600, seen at 650) is timed from the start of the
    // run; from the second (1100, seen 25 ms after it) on, the pulses' own period shows.
    struct Case {
        int16_t function;
        double first, later;
    } cases[] = {{kRateBpm, 60.0 / 0.6, 120.0}, {kRateHz, 1.0 / 0.6, 2.0}, {kRateInterval, 0.6, 0.5}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.function);
        stRateParams p = RateFor(c.function);
        Series s;
        s.channel[1] = Pulses(3000, 500, 50, 100);
        const auto out = RunRate(&p, &s, 1.0, 3000, {3000});
        for (int32_t i = 0; i < 650; ++i) ASSERT_EQ(out[size_t(i)], -1.0) << i;
        for (int32_t i = 650; i < 1125; ++i) ASSERT_NEAR(out[size_t(i)], c.first, 1e-9) << i;
        for (int32_t i = 1125; i < 3000; ++i) ASSERT_NEAR(out[size_t(i)], c.later, 1e-9) << i;
    }
}

TEST(CalcRate, CountingPeaksStartsAtZeroAndPeakTimesAreTheRises) {
    stRateParams count = RateFor(kRateCountPeaks);
    stRateParams time = RateFor(kRatePeakTime);
    Series s;
    s.channel[1] = Pulses(2200, 500, 50, 100);
    const auto counted = RunRate(&count, &s, 1.0, 2200, {2200});
    const auto times = RunRate(&time, &s, 1.0, 2200, {2200});
    EXPECT_EQ(counted[649], -1.0);
    EXPECT_EQ(counted[650], 0.0);
    EXPECT_EQ(counted[1150], 1.0);
    EXPECT_EQ(counted[2199], 3.0);
    EXPECT_NEAR(times[1150], 1.1, 1e-12);
    EXPECT_NEAR(times[2199], 2.1, 1e-12);
}

TEST(CalcRate, TheBaselineLagIsTwentyFiveMsInWholeSamplesAndNoneAtLongerPeriods) {
    // Pulses of a fifth of every 1 s (60 per minute) at each period. Above 25 ms a sample has no
    // earlier one within the baseline's reach: the lag is 0 and the signal is taken as it is,
    // so the pulses are still found.
    struct Case {
        double periodMs;
        int32_t lag;
    } cases[] = {{1.0, 25}, {5.0, 5}, {10.0, 2}, {20.0, 1}, {25.0, 1}, {30.0, 0}, {50.0, 0}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.periodMs);
        stRateParams p = RateFor(kRateBpm);
        const int32_t perSecond = static_cast<int32_t>(1000.0 / c.periodMs);
        const int32_t total = 15 * perSecond;
        Series s;
        s.channel[1] = Pulses(total, perSecond, std::max(1, perSecond / 5), 3);
        const auto out = RunRate(&p, &s, c.periodMs, total, {total});
        EXPECT_EQ(p.baselineLag, c.lag);
        EXPECT_NEAR(out[size_t(total - 1)], 60.0, 60.0 * c.periodMs / 1000.0 + 1e-9);
    }
}

TEST(CalcRate, LimitsBecomeIntervalsInSamplesInEachUnit) {
    struct Case {
        int16_t unit;
        double lower, upper;
        int32_t minInterval, maxInterval;
    } cases[] = {
        {kRateUnitPerMinute, 40, 180, 333, 1500},
        {kRateUnitPerSecond, 0.5, 4, 250, 2000},
        {kRateUnitSeconds, 0.2, 1.5, 200, 1500},
        {kRateUnitPerMinute, 0, 0, 0, INT32_MAX},  // no limits: nothing divides by zero
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.unit);
        stRateParams p = Fresh()->rate[0];
        p.limitUnit = c.unit, p.lowerLimit = c.lower, p.upperLimit = c.upper;
        ASSERT_EQ(PrepareRateState(&p, 1.0), 1);
        EXPECT_EQ(p.minInterval, c.minInterval);
        EXPECT_EQ(p.maxInterval, c.maxInterval);
        EXPECT_GE(p.ringCapacity, 1);
    }
}

// ---- Expression ----

// A small evaluator of "CH<n>*<k>": the channel's sample times k; anything else is an error at 0.
struct TestEvaluator {
    Series* series;
    int32_t calls = 0;
};
int32_t Evaluate(void* context, int32_t index, const char* text, double* out) {
    auto* e = static_cast<TestEvaluator*>(context);
    ++e->calls;
    int32_t channel = 0;
    double k = 0, v = 0;
    if (sscanf(text, "CH%d*%lf", &channel, &k) != 2 || !ReadSeries(e->series, index, channel, &v)) return 0;
    *out = v * k;
    return -1;
}

TEST(CalcExpression, EachSampleIsTheEvaluatorsValueAndAnErrorStopsTheBlock) {
    Series s;
    s.channel[2] = Ramp(10, 1.5);
    TestEvaluator e{&s};
    int32_t status = 0;
    const auto out = RunBlocks([&](stCalcBlock* b) { return CalcExpression("CH2*4", Evaluate, &e, b, &status); }, &s, 10, {3});
    for (int32_t i = 0; i < 10; ++i) EXPECT_DOUBLE_EQ(out[size_t(i)], 6.0 * i);
    EXPECT_EQ(status, -1);

    std::vector<double> failed(5, -7.0);
    stCalcBlock b;
    b.read = ReadSeries, b.context = &s, b.first = 0, b.count = 5, b.out = failed.data();
    s.available = 5;
    e.calls = 0;
    EXPECT_EQ(CalcExpression("CH2+", Evaluate, &e, &b, &status), 0);
    EXPECT_EQ(status, 0);
    EXPECT_EQ(b.written, 0);
    EXPECT_EQ(e.calls, 1);  // nothing evaluated after the error
    EXPECT_EQ(failed, std::vector<double>(5, -7.0));  // and no value written for it
}

// ---- Block boundaries ----

TEST(CalcBlocks, EveryKindComputesTheSameInBlocksOfAnySizeAsInOneBlock) {
    // A signal with a ramp, a sine and pulses; the control channel crosses every 37 samples.
    const int32_t total = 1500;
    Series s;
    s.channel[1].resize(size_t(total));
    for (int32_t i = 0; i < total; ++i)
        s.channel[1][size_t(i)] = 0.01 * i + std::sin(i * 0.3) + ((i / 40) % 3 == 0 ? 2.0 : 0.0);
    s.channel[2] = Ramp(total, -0.5, 3);
    s.channel[3] = Pulses(total, 37, 18, 5);
    s.channel[40] = Ramp(total, 0.25);
    struct Case {
        const char* name;
        std::function<Compute()> make;  // a fresh record and buffer for each run
    };
    auto integrate = [](int32_t averaging, int32_t meanSubtraction) {
        return [=]() -> Compute {
            auto p = std::make_shared<stIntegrateParams>(Fresh()->integrate[0]);
            p->averaging = averaging, p->samples = 7, p->control = 3, p->low = 0.3, p->high = 0.7;
            p->meanSubtraction = meanSubtraction, p->maxCyclePeriod = 0.02;
            auto ring = std::make_shared<std::vector<double>>(7);
            PrepareIntegrateState(p.get(), ring->data(), 1, 1.0, 0);
            return [=](stCalcBlock* b) { return CalcIntegrate(p.get(), ring->data(), b); };
        };
    };
    const Case cases[] = {
        {"integrate averaging", integrate(1, 0)},
        {"integrate reset", integrate(0, 0)},
        {"integrate cycles", integrate(0, 1)},
        {"smoothing median",
         [] {
             auto p = std::make_shared<stSmoothingParams>(Fresh()->smoothing[0]);
             p->factor = 9, p->median = 1;
             auto buffer = std::make_shared<std::vector<double>>(9);
             return Compute([=](stCalcBlock* b) { return CalcSmoothing(p.get(), buffer->data(), b); });
         }},
        {"difference",
         [] {
             auto p = std::make_shared<stDifferenceParams>(Fresh()->difference[0]);
             p->interval = 11;
             PrepareDifferenceState(p.get());
             auto ring = std::make_shared<std::vector<double>>(12);
             return Compute([=](stCalcBlock* b) { return CalcDifference(p.get(), ring->data(), b); });
         }},
        {"rate area",
         [] {
             auto p = std::make_shared<stRateParams>(Fresh()->rate[0]);
             p->function = kRateArea, p->limitUnit = kRateUnitSeconds, p->lowerLimit = 0.01, p->upperLimit = 0.2;
             PrepareRateState(p.get(), 1.0);
             auto ring = std::make_shared<std::vector<double>>(size_t(CalcRateBufferDoubles(*p)));
             return Compute([=](stCalcBlock* b) { return CalcRate(p.get(), ring->data(), b); });
         }},
        {"math",
         [] {
             auto p = std::make_shared<stMathParams>(stMathParams{kMathDivide, 1, 40, {}, 0});
             return Compute([=](stCalcBlock* b) { return CalcMath(p.get(), b); });
         }},
        {"threshold",
         [] {
             auto p = std::make_shared<stFunctionParams>(stFunctionParams{kFuncThreshold, 1, 1.5, 0.5, 0});
             return Compute([=](stCalcBlock* b) { return CalcFunction(p.get(), b); });
         }},
        {"filter band",
         [] {
             auto p = std::make_shared<stFilterParams>(Fresh()->filter[0]);
             p->type = kCalcFilterLowHigh, p->frequency = 5, p->highFrequency = 100;
             const char* why = nullptr;
             DesignFilter(p.get(), 1.0, 60.0, &why);
             return Compute([=](stCalcBlock* b) { return CalcFilter(p.get(), b); });
         }},
        {"delay",
         [] {
             auto p = std::make_shared<stDelayParams>(Fresh()->delay[0]);
             p->samples = 33;
             return Compute([=](stCalcBlock* b) { return CalcDelay(p.get(), b); });
         }},
        {"control",
         [] {
             auto p = std::make_shared<stControlParams>(Fresh()->control[0]);
             p->level1 = 0.5, p->level2 = 1.5;
             return Compute([=](stCalcBlock* b) { return CalcControl(p.get(), b, nullptr, nullptr); });
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto whole = RunBlocks(c.make(), &s, total, {total});
        for (const std::vector<int32_t>& sizes : {std::vector<int32_t>{1}, {7, 13, 2}, {125}, {499, 1}}) {
            SCOPED_TRACE(sizes.front());
            EXPECT_EQ(RunBlocks(c.make(), &s, total, sizes), whole);
        }
    }
}

TEST(CalcBlocks, ARefusedReadStopsTheKindKeepingWhatWasWritten) {
    Series s;
    s.channel[1] = Ramp(10, 1);
    stDelayParams p = Fresh()->delay[0];
    p.samples = 0;
    std::vector<double> out(10, -1.0);
    stCalcBlock b;
    b.read = ReadSeries, b.context = &s, b.first = 0, b.count = 10, b.out = out.data();
    s.available = 4;  // the host has only four samples
    EXPECT_EQ(CalcDelay(&p, &b), 0);
    EXPECT_EQ(b.written, 4);
    EXPECT_EQ(out[3], 3.0);
}

TEST(CalcRanges, MeanSlopeAndAreaOverARange) {
    Series s;
    s.channel[1] = {0, 1, 4, 1, 0};  // a triangle over the line from 0 to 0
    s.available = 5;
    stCalcBlock b;
    b.read = ReadSeries, b.context = &s, b.intervalMs = 2.0;
    EXPECT_DOUBLE_EQ(MeanOfRange(b, 1, 0, 4), 1.2);
    EXPECT_DOUBLE_EQ(MeanOfRange(b, 1, 0, 9), 0.0);  // a refused read
    EXPECT_DOUBLE_EQ(SlopeOfRange(b, 1, 0, 2), 4.0 / (2 * 0.002));
    // Trapezoids of |x - line|: 0.5 × ((1+0) + (4+1) + (1+4) + (0+1)) = 6, × 0.002 s.
    EXPECT_DOUBLE_EQ(AreaOfRange(b, 1, 0, 4), 6 * 0.002);
    b.hUnit = 3;
    EXPECT_DOUBLE_EQ(AreaOfRange(b, 1, 0, 4), 6 * 2.0);
    b.hUnit = 1;
    EXPECT_DOUBLE_EQ(CalcIntervalFactor(2.0, 1), 2000.0);
}

}  // namespace
