// The measurement routines over plain sample arrays: every type against values worked out here
// from the samples themselves, the "no value" cases, and the selection-to-index rule.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "common/tagGS.h"
#include "documents/measurements/measure_calc.h"
#include "documents/measurements/measure_result.h"
#include "common/math_constants.h"

using namespace measure;

namespace {


// A channel of doubles or of 16-bit integers held by the test.
struct Samples {
    std::vector<double> values;
    std::vector<int16_t> raw;
    bool integers = false;
};

int ReadDouble(const void* ctx, int32_t, int32_t i, double* out) {
    const auto* s = static_cast<const Samples*>(ctx);
    if (i < 0 || static_cast<size_t>(i) >= s->values.size()) return 0;
    *out = s->values[i];
    return 1;
}
int ReadRaw(const void* ctx, int32_t, int32_t i, double* out) {
    const auto* s = static_cast<const Samples*>(ctx);
    if (i < 0 || static_cast<size_t>(i) >= s->raw.size()) return 0;
    *out = s->raw[i];
    return 1;
}

ChannelView ViewOf(const Samples& s, double scale = 1.0, double offset = 0.0) {
    ChannelView v;
    v.form = s.integers ? 0 : 1;
    v.count = static_cast<int32_t>(s.integers ? s.raw.size() : s.values.size());
    v.scale = scale;
    v.offset = offset;
    v.stored = s.integers ? ReadRaw : ReadDouble;
    v.ctx = &s;
    return v;
}

Samples Doubles(std::vector<double> v) { return Samples{std::move(v), {}, false}; }

Frame Sel(double start, double end, double interval, int32_t hMode = 0) {
    Frame f;
    f.start = start;
    f.end = end;
    f.interval = interval;
    f.hMode = hMode;
    return f;
}

// A sine of amplitude 3 and a period of 20 samples (1 ms apart), 100 samples.
Samples Sine() {
    Samples s;
    for (int i = 0; i < 100; ++i) s.values.push_back(3.0 * std::sin(2 * kPi * i / 20.0));
    return s;
}
// A ramp 2 + 0.5 i.
Samples Ramp(int n) {
    Samples s;
    for (int i = 0; i < n; ++i) s.values.push_back(2.0 + 0.5 * i);
    return s;
}

double MeanOf(const std::vector<double>& v, int a, int b) {
    double s = 0;
    for (int i = a; i <= b; ++i) s += v[i];
    return s / (b - a + 1);
}

}  // namespace

TEST(MeasureCalc, TypesAgainstIndependentValues) {
    const Samples sine = Sine();
    const Samples ramp = Ramp(11);
    const Samples tent = Doubles({0, 1, 2, 3, 4, 3, 2, 1, 0});
    const Samples down = Doubles({9, 7, 5, 3, 1});
    const auto& sv = sine.values;
    double sineMax = *std::max_element(sv.begin(), sv.end());
    double sineMin = *std::min_element(sv.begin(), sv.end());
    double sineMean = MeanOf(sv, 0, 99);
    double ss = 0;
    for (double y : sv) ss += (y - sineMean) * (y - sineMean);
    // Ramp over 2 ms samples: per second the rise is 0.5 / 0.002.
    const double rampSlope = 0.5 / 0.002;
    // The line's integral over 10 intervals of 2 ms, in value-seconds.
    const double rampIntegral = (2.0 + 7.0) / 2.0 * (10 * 0.002);
    struct Case {
        const char* name;
        int type;
        const Samples* s;
        Frame f;
        double expected;
    };
    const Case cases[] = {
        {"sine p-p", kPeakToPeak, &sine, Sel(0, 99, 1), sineMax - sineMin},
        {"sine p-p is twice the amplitude", kPeakToPeak, &sine, Sel(0, 99, 1), 6.0},
        {"sine max", kMax, &sine, Sel(0, 99, 1), sineMax},
        {"sine min", kMin, &sine, Sel(0, 99, 1), sineMin},
        {"sine mean", kMean, &sine, Sel(0, 99, 1), sineMean},
        {"sine stddev", kStdDev, &sine, Sel(0, 99, 1), std::sqrt(ss / 99)},
        // One period from peak to peak: 20 samples of 1 ms, 0.05 per ms (50 Hz).
        {"sine freq", kFrequency, &sine, Sel(5, 25, 1), 1.0 / 20.0},
        {"sine bpm", kBpm, &sine, Sel(5, 25, 1), 60000.0 / 20.0},
        {"ramp slope", kSlope, &ramp, Sel(0, 20, 2), rampSlope},
        {"ramp lin_reg", kLinReg, &ramp, Sel(0, 20, 2), rampSlope},
        {"ramp slope backwards", kSlope, &ramp, Sel(20, 0, 2), rampSlope},
        {"ramp integral", kIntegral, &ramp, Sel(0, 20, 2), rampIntegral},
        {"ramp integral, frequency axis", kIntegral, &ramp, Sel(0, 20, 2, 1), rampIntegral * 1e6},
        {"ramp integral, own unit", kIntegral, &ramp, Sel(0, 20, 2, 3), rampIntegral * 1000},
        {"ramp slope, own unit", kSlope, &ramp, Sel(0, 20, 2, 3), 0.5 / 2.0},
        {"ramp correlates with time", kCorrelate, &ramp, Sel(0, 20, 2), 1.0},
        {"falling line correlates -1", kCorrelate, &down, Sel(0, 4, 1), -1.0},
        {"a single sample correlates 0", kCorrelate, &tent, Sel(0, 0.4, 1), 0.0},
        // The tent over a flat chord: its area is its triangle, 8 x 4 / 2 sample-units, in seconds.
        {"tent area", kArea, &tent, Sel(0, 8, 1), 16.0 * 1 / 1000.0},
        {"tent integral", kIntegral, &tent, Sel(0, 8, 1), 16.0 / 1000.0},
        // A straight line has no area against its own chord.
        {"ramp area", kArea, &ramp, Sel(0, 20, 2), 0.0},
        {"value at start", kValue, &ramp, Sel(6, 14, 2), 2.0 + 0.5 * 3},
        {"value at start after end", kValue, &ramp, Sel(14, 6, 2), 2.0 + 0.5 * 7},
        {"delta start minus end", kDelta, &ramp, Sel(4, 10, 2), -1.5},
        {"delta reversed", kDelta, &ramp, Sel(10, 4, 2), 1.5},
        {"x-axis", kHAbs, &ramp, Sel(6, 14, 2), 6.0},
        {"delta T", kDeltaH, &ramp, Sel(6, 14, 2), -8.0},
        {"delta T reversed", kDeltaH, &ramp, Sel(14, 6, 2), 8.0},
        {"samples counts from 1", kSampleNumber, &ramp, Sel(6, 14, 2), 4.0},
        {"delta S", kDeltaSamples, &ramp, Sel(6, 14, 2), 5.0},
        {"max T", kMaxH, &tent, Sel(0, 8, 1), 4.0},
        {"min T is the last of equal minima", kMinH, &tent, Sel(0, 8, 1), 8.0},
        {"cursor value", kValue, &ramp, Sel(4, 4, 2), 3.0},
        {"cursor x-axis", kHAbs, &ramp, Sel(4, 4, 2), 4.0},
        {"none", kNone, &ramp, Sel(0, 20, 2), 0.0},
        {"menu gap 12", 12, &ramp, Sel(0, 20, 2), 0.0},
        {"two samples stddev uses n - 1", kStdDev, &ramp, Sel(0, 2, 2), std::sqrt(2 * 0.25 * 0.25 / 1)},
    };
    for (const Case& c : cases) {
        double got = Compute(c.type, ViewOf(*c.s), c.f);
        EXPECT_NEAR(got, c.expected, 1e-9 * std::max(1.0, std::fabs(c.expected))) << c.name;
    }
}

TEST(MeasureCalc, NoValueCases) {
    const Samples ramp = Ramp(11);
    const Samples empty;
    const int cursorNoValue[] = {kDelta, kPeakToPeak, kMax,   kMin,      kMean,      kStdDev,  kIntegral,
                                 kArea,  kSlope,      kLinReg, kFrequency, kBpm,     kDeltaH,  kDeltaSamples,
                                 kMaxH,  kMinH,       kCorrelate, kMedian, kMedianH};
    for (int type : cursorNoValue) EXPECT_EQ(Compute(type, ViewOf(ramp), Sel(4, 4, 2)), kNoValue) << "cursor " << type;
    // At or beyond the end of the data: every type that asks for it.
    for (int type : {kValue, kDelta, kMax, kMean, kHAbs, kSampleNumber, kFrequency, kCorrelate})
        EXPECT_EQ(Compute(type, ViewOf(ramp), Sel(22, 30, 2)), kNoValue) << "past the end " << type;
    // A channel without samples.
    for (int type : {kValue, kMax, kMean, kHAbs, kSampleNumber, kArea, kMedian})
        EXPECT_EQ(Compute(type, ViewOf(empty), Sel(0, 10, 2)), kNoValue) << "empty " << type;
    // A negative position fails the types that ask for both to be placed.
    for (int type : {kDelta, kMean, kDeltaH, kFrequency})
        EXPECT_EQ(Compute(type, ViewOf(ramp), Sel(-2, 10, 2)), kNoValue) << "negative " << type;
    EXPECT_NE(Compute(kValue, ViewOf(ramp), Sel(2, -10, 2)), kNoValue);
    // Area needs three samples; stddev two.
    EXPECT_EQ(Compute(kArea, ViewOf(ramp), Sel(0, 2, 2)), kNoValue);
    EXPECT_EQ(Compute(kStdDev, ViewOf(ramp), Sel(0, 0.9, 2)), kNoValue);
    // Two positions on one sample: no frequency rather than a division by zero.
    EXPECT_EQ(Compute(kFrequency, ViewOf(ramp), Sel(4, 4.5, 2)), kNoValue);
    // An unreadable sample in the range spoils the whole measurement.
    Samples shortRead = Ramp(11);
    ChannelView broken = ViewOf(shortRead);
    broken.count = 20;
    EXPECT_EQ(Compute(kMean, broken, Sel(0, 30, 2)), kNoValue);
    EXPECT_EQ(Sum(broken, Sel(0, 30, 2)), 0.0);
}

TEST(MeasureCalc, MedianOfOddAndEvenCounts) {
    struct Case {
        std::vector<double> values;
        double median, position;
    };
    const Case cases[] = {
        {{5, 1, 4, 2, 3}, 3, 4 * 2.0},
        {{1, 2, 3, 4}, 3, 2 * 2.0},
        {{4, 3, 2, 1}, 3, 1 * 2.0},
        {{7, 7, 7, 1}, 7, 1 * 2.0},  // equal values keep their order: the second 7 is in the middle
        {{2}, 2, 0.0},
    };
    for (const Case& c : cases) {
        Samples s = Doubles(c.values);
        double v = -1, p = -1;
        Frame f = Sel(0, 2.0 * (c.values.size() - 1), 2.0);
        f.hOffset = 0;
        ASSERT_EQ(Median(s.integers ? ViewOf(s) : ViewOf(s), f, &v, &p), 1);
        EXPECT_EQ(v, c.median);
        EXPECT_EQ(p, c.position);
        if (c.values.size() > 1) {
            EXPECT_EQ(Compute(kMedian, ViewOf(s), f), c.median);
            EXPECT_EQ(Compute(kMedianH, ViewOf(s), f), c.position);
        }
    }
    // The horizontal offset is added to the position.
    Samples s = Doubles({5, 1, 4, 2, 3});
    Frame f = Sel(0, 8, 2);
    f.hOffset = 100;
    EXPECT_EQ(Compute(kMedianH, ViewOf(s), f), 108.0);
}

TEST(MeasureCalc, IntegerChannelsAndNegativeScale) {
    Samples s;
    s.integers = true;
    s.raw = {10, -5, 30, -5, 30, 0};
    // A positive scale: extremes by physical value.
    EXPECT_DOUBLE_EQ(Compute(kMax, ViewOf(s, 0.5, 1.0), Sel(0, 5, 1)), 30 * 0.5 + 1);
    EXPECT_DOUBLE_EQ(Compute(kMaxH, ViewOf(s, 0.5, 1.0), Sel(0, 5, 1)), 4.0);
    EXPECT_DOUBLE_EQ(Compute(kMinH, ViewOf(s, 0.5, 1.0), Sel(0, 5, 1)), 3.0);
    // A negative scale: the largest physical value is the smallest stored one, the last of them.
    EXPECT_DOUBLE_EQ(Compute(kMax, ViewOf(s, -2.0, 0.0), Sel(0, 5, 1)), 10.0);
    EXPECT_DOUBLE_EQ(Compute(kMaxH, ViewOf(s, -2.0, 0.0), Sel(0, 5, 1)), 3.0);
    EXPECT_DOUBLE_EQ(Compute(kMin, ViewOf(s, -2.0, 0.0), Sel(0, 5, 1)), -60.0);
    EXPECT_DOUBLE_EQ(Compute(kPeakToPeak, ViewOf(s, -2.0, 0.0), Sel(0, 5, 1)), 70.0);
    EXPECT_DOUBLE_EQ(Compute(kMean, ViewOf(s, 0.5, 1.0), Sel(0, 5, 1)), (60 * 0.5) / 6 + 1);
    // Doubles are physical values whatever scale their record holds (often 0).
    Samples d = Doubles({1, 5, 3});
    for (double scale : {0.0, -1.0, 1.0}) {
        EXPECT_EQ(Compute(kMax, ViewOf(d, scale, 0.0), Sel(0, 2, 1)), 5.0) << scale;
        EXPECT_EQ(Compute(kMin, ViewOf(d, scale, 0.0), Sel(0, 2, 1)), 1.0) << scale;
    }
}

TEST(MeasureCalc, HeldWindowOfARing) {
    const Samples ramp = Ramp(11);
    Frame f = Sel(10, 20, 2);
    f.storageKind = kStoreDiskRecording;
    f.winFirst = 4;
    f.winLen = 4;  // samples 4 .. 7 held
    EXPECT_DOUBLE_EQ(Compute(kDeltaSamples, ViewOf(ramp), f), 6.0);  // counted without the window
    EXPECT_DOUBLE_EQ(Compute(kMean, ViewOf(ramp), f), 2.0 + 0.5 * 6);  // samples 5 .. 7
    f.start = 0;  // both ends outside the window
    EXPECT_EQ(Compute(kMean, ViewOf(ramp), f), kNoValue);
    EXPECT_EQ(Sum(ViewOf(ramp), f), 0.0);
}

TEST(MeasureCalc, SelectionSampleRange) {
    struct Case {
        double start, end, interval;
        int32_t count, first, last, result;
    };
    const Case cases[] = {
        {0, 20, 2, 11, 0, 10, 1},     {3, 9, 2, 11, 2, 5, 1},    // 1.5 and 4.5 round away from zero
        {9, 3, 2, 11, 2, 5, 1},       {-6, 8, 2, 11, 0, 4, 1},   // a negative start counts as 0
        {0, 100, 2, 11, 0, 10, 1},    {60, 80, 2, 11, 10, 10, 1},  // past the end: both on the last
        {2.9, 3.1, 2, 11, 1, 2, 1},   {0, 10, 2, 0, -1, -1, 0},    // no samples
    };
    for (const Case& c : cases) {
        int32_t first = 99, last = 99;
        EXPECT_EQ(SelectionSampleRange(c.start, c.end, c.interval, c.count, &first, &last), c.result)
            << c.start << ".." << c.end;
        EXPECT_EQ(first, c.first) << c.start << ".." << c.end;
        EXPECT_EQ(last, c.last) << c.start << ".." << c.end;
    }
}

TEST(MeasureCalc, SumOfTheSelection) {
    const Samples ramp = Ramp(11);
    EXPECT_DOUBLE_EQ(Sum(ViewOf(ramp), Sel(0, 20, 2)), 11 * 2.0 + 0.5 * 55);
    EXPECT_DOUBLE_EQ(Sum(ViewOf(ramp), Sel(4, 4, 2)), 3.0);
}

TEST(MeasureCalc, ArithmeticOfBoxes) {
    // Boxes: 0 a frequency of 0.05 per ms (50 Hz), 1 another of 0.025 (25 Hz), 2 a mean of 4,
    // 3 a zero, 4 without a value.
    const double results[] = {0.05, 0.025, 4.0, 0.0, kNoValue};
    const int types[] = {kFrequency, kFrequency, kMean, kMean, kMean};
    struct Case {
        const char* name;
        uint16_t s1, s2, op;
        double k;
        int ok;
        double expected;
    };
    const Case cases[] = {
        {"a first frequency counts in Hz, a second as stored", 2, 3, 3, 0, 1, 2000.0},
        {"frequency times constant in Hz", 2, 1, 2, 2, 1, 100.0},
        {"constant minus a second frequency as stored", 1, 2, 1, 60, 1, 59.95},
        {"mean over a second frequency as stored", 4, 2, 3, 0, 1, 80.0},
        {"mean plus constant", 4, 1, 0, 1.5, 1, 5.5},
        {"mean to the power", 4, 1, 4, 0.5, 1, 2.0},
        {"division by zero gives 0", 4, 5, 3, 0, 1, 0.0},
        {"division by a zero constant gives 0", 4, 1, 3, 0, 1, 0.0},
        {"a source without a value fails", 4, 6, 0, 0, 0, 0.0},
        {"only the first source", 4, 0, 0, 0, 1, 4.0},
        {"only the second source", 0, 4, 1, 0, 1, 4.0},
        {"no source", 0, 0, 0, 0, 0, 0.0},
        {"a source past the boxes", 4, 9, 0, 0, 1, 4.0},
    };
    for (const Case& c : cases) {
        double out = -1;
        EXPECT_EQ(Arithmetic(c.s1, c.s2, c.op, c.k, results, types, 5, &out), c.ok) << c.name;
        EXPECT_DOUBLE_EQ(out, c.expected) << c.name;
    }
}

TEST(MeasureCalc, NumberText) {
    struct Case {
        double value;
        int precision;
        const char* text;
    };
    const Case cases[] = {
        {2.5, 0, "3"},           {1.23456, 2, "1.23"},      {-1.5, 1, "-1.5"},         {0.0, 3, "0.000"},
        {1e10, 2, "1.00E+10"},   {-2.5e9, 2, "-2.50E+09"},  {999999999.0, 0, "999999999"},
        // the nudge takes the value's sign, so halves go away from zero either way
        {-2.5, 0, "-3"},         {3.14159, 3, "3.142"},     {-0.125, 2, "-0.13"},      {2.675, 2, "2.68"},
        {-999999999.0, 0, "-999999999"},
    };
    for (const Case& c : cases) {
        char text[64];
        FormatValue(text, sizeof text, c.value, c.precision);
        EXPECT_STREQ(text, c.text) << c.value << " p" << c.precision;
    }
}

// A lesson's decimals: truncated, a negative number none, at most the formatter's; the text then
// has as many decimals as asked.
TEST(MeasureCalc, DecimalsALessonAsksFor) {
    const struct {
        double asked;
        int decimals;
    } cases[] = {{-1, 0}, {-0.5, 0}, {0, 0}, {2.9, 2}, {15, 15}, {1e9, kMaxValueDecimals}, {std::nan(""), 0}};
    for (const auto& c : cases) EXPECT_EQ(ValueDecimals(c.asked), c.decimals) << c.asked;
    char text[64];
    FormatValue(text, sizeof text, 1.0 / 3.0, 15);
    EXPECT_STREQ(text, "0.333333333333333");
    FormatValue(text, sizeof text, 1.0 / 3.0, 17);
    EXPECT_STREQ(text, "0.33333333333333331");
}

TEST(MeasureResultText, NumberAndUnitByTypeAndAxis) {
    struct Case {
        const char* name;
        int type;
        double value;
        int32_t hMode;
        double hScale;
        const char* number;
        const char* unit;
        double stored;
    };
    const Case cases[] = {
        {"mean", kMean, 2.5, 0, 1000, "2.50 ", "mV", 2.5},
        {"integral over time", kIntegral, 1.0, 0, 1000, "1.00 ", "mV-sec", 1.0},
        {"integral over frequency", kIntegral, 1.0, 1, 1000, "1.00 ", "mV-Hz", 1.0},
        {"integral over the own unit", kIntegral, 1.0, 3, 1000, "1.00 ", "mV-cm", 1.0},
        {"slope over time", kSlope, 4.0, 0, 1000, "4.00 ", "mV/sec", 4.0},
        {"slope over frequency", kLinReg, 4.0, 1, 1000, "4.00 ", "mV/Hz", 4.0},
        {"x-axis in ms", kHAbs, 25.0, 0, 50, "25.00 ", "ms", 25.0},
        {"x-axis in sec", kHAbs, 2500.0, 0, 1000, "2.50 ", "sec", 2.5},
        {"x-axis in min", kMaxH, 90000.0, 0, 200000, "1.50 ", "min", 1.5},
        {"x-axis in micro-s", kMinH, 0.05, 0, 0.05, "50.00 ", "micro-s", 50.0},
        {"x-axis as a clock", kHAbs, 3723000.0, 2, 1000, " 01:02:03  ", "sec", 3723000.0},
        {"short delta T on a clock axis", kDeltaH, -2000.0, 2, 1000, "-2.00 ", "sec", -2.0},
        {"long delta T on a clock axis", kDeltaH, -3723000.0, 2, 1000, " 01:02:03  ", "sec", -3723000.0},
        {"frequency in Hz, kept per ms", kFrequency, 0.05, 0, 1000, "50.00 ", "Hz", 0.05},
        {"samples", kDeltaSamples, 21.0, 0, 1000, "21 ", "samples", 21.0},
        {"calculate", kCalculate, 1.0 / 3, 0, 1000, "0.33 ", "x", 1.0 / 3},
        {"correlate keeps the unit", kCorrelate, 0.5, 0, 1000, "0.50 ", "", 0.5},
        {"no value", kMean, kNoValue, 0, 1000, "****", "", kNoValue},
        {"none", kNone, 7.0, 0, 1000, "", "", 0.0},
        {"menu gap", 14, 7.0, 0, 1000, "", "", 0.0},
    };
    for (const Case& c : cases) {
        ResultContext ctx;
        ctx.precision = 2;
        ctx.hMode = c.hMode;
        ctx.hScale = c.hScale;
        ctx.chanUnit = "mV";
        ctx.hUnitShort = "cm";
        ctx.boxUnit = "x";
        char number[20], unit[20];
        double stored = -1;
        FormatResult(c.type, c.value, ctx, number, unit, &stored);
        EXPECT_STREQ(number, c.number) << c.name;
        EXPECT_STREQ(unit, c.unit) << c.name;
        EXPECT_DOUBLE_EQ(stored, c.stored) << c.name;
    }
}
