// The scaling arithmetic: conversion pairs from two points, the analog scaling table's entries,
// the offset conversions and the number reader, each over a table of cases.
#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

#include "common/stAcq.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/vk40.h"

namespace {

constexpr double kCount = 10.0 / 32768.0;  // input volts of one raw count
const double kNaN = std::numeric_limits<double>::quiet_NaN();
const double kInf = std::numeric_limits<double>::infinity();

struct stConversionCase {
    const char* what;
    double in1, v1, in2, v2;
    int32_t group;
    double gain;
    int32_t ok;
    double multiplier, addend;
};

TEST(Scaling, ConversionFromTwoPoints) {
    const stConversionCase cases[] = {
        {"calculation (0,0)-(1,2)", 0, 0, 1, 2, kGroupCalc, 0, 1, 2.0, 0.0},
        {"analog, gain 1", 0, 0, 1, 2, kGroupAnalog, 1, 1, 2.0 / 3276.8, 0.0},
        {"analog start-up default", -0.01, -10, 0.01, 10, kGroupAnalog, 200, 1, 1000.0 * kCount / 200, 0.0},
        {"digital with an addend", 0, 1, 5, 11, kGroupDigital, 0, 1, 2.0, 1.0},
        {"analog, falling", 1, 10, 3, 4, kGroupAnalog, 10, 1, -3.0 * kCount / 10, 13.0},
        {"analog, gain below 1", 0, 0, 1, 2, kGroupAnalog, 0.5, 1, 2.0 * kCount / 0.5, 0.0},
        {"analog, gain 0 counts as 1", 0, 0, 1, 2, kGroupAnalog, 0, 1, 2.0 * kCount, 0.0},
        {"analog, negative gain counts as 1", 0, 0, 1, 2, kGroupAnalog, -200, 1, 2.0 * kCount, 0.0},
        {"analog, undefined gain counts as 1", 0, 0, 1, 2, kGroupAnalog, kNaN, 1, 2.0 * kCount, 0.0},
        {"equal inputs give no slope", 1, 0, 1, 5, kGroupCalc, 0, 0, 7.0, 8.0},
        {"an undefined point", 0, kNaN, 1, 2, kGroupCalc, 0, 0, 7.0, 8.0},
        {"an infinite point", 0, 0, kInf, 2, kGroupCalc, 0, 0, 7.0, 8.0},
    };
    for (const stConversionCase& c : cases) {
        SCOPED_TRACE(c.what);
        stConversion out{7.0, 8.0};
        EXPECT_EQ(ConversionFromTwoPoints(c.in1, c.v1, c.in2, c.v2, c.group, c.gain, &out), c.ok);
        EXPECT_DOUBLE_EQ(out.multiplier, c.multiplier);
        EXPECT_DOUBLE_EQ(out.addend, c.addend);
    }
}

struct stEntryCase {
    const char* what;
    double in1, v1, in2, v2, gain;
    double factor, offset, range;
};

TEST(Scaling, ScalingTableEntries) {
    const stEntryCase cases[] = {
        {"plain", 0.0, 0.0, 1.0, 100.0, 1000.0, 0.01, 0.0, 1000.0},
        {"offset", 1.0, 0.0, 3.0, 10.0, 10.0, 0.2, 5.0, 5000.0},
        {"no slope", 1.0, 4.0, 3.0, 4.0, 10.0, 0.0, -2.0, 0.0},
        {"untouched record", 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},
        {"gain taken whole", 0.0, 0.0, 1.0, 100.0, 1.9, 0.01, 0.0, 1000000.0},
        {"gain below 1 taken as it is", 0.0, 0.0, 1.0, 100.0, 0.5, 0.01, 0.0, 2000000.0},
        {"gain 0 gives no range", 0.0, 0.0, 1.0, 100.0, 0.0, 0.01, 0.0, 0.0},
        {"negative gain gives no range", 0.0, 0.0, 1.0, 100.0, -5.0, 0.01, 0.0, 0.0},
    };
    for (const stEntryCase& c : cases) {
        SCOPED_TRACE(c.what);
        const stScalingEntry e = ComputeScalingEntry(c.in1, c.v1, c.in2, c.v2, c.gain);
        EXPECT_NEAR(e.factor, c.factor, 1e-12);
        EXPECT_NEAR(e.offset, c.offset, 1e-9);
        EXPECT_NEAR(e.range, c.range, 1e-6);
        EXPECT_TRUE(std::isfinite(e.range) && std::isfinite(e.offset));
    }
}

TEST(Scaling, OffsetConversions) {
    struct Case {
        const char* what;
        double in1, v1, in2, v2;
        double offsetMv, units;
    } cases[] = {
        // s = (v1 - v2) / ((in1 - in2) * 1000)
        {"1000 units per volt", -0.01, -10, 0.01, 10, 5.0, 5.0},
        {"ten times that", -0.001, -10, 0.001, 10, 2.0, 20.0},
        {"falling", 0.0, 10, 1.0, 0, 500.0, -5.0},
        {"no input span", 1.0, 0, 1.0, 10, 5.0, 0.0},
        {"no unit span", 0.0, 3, 1.0, 3, 5.0, 0.0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        stAcqChan rec{};
        rec.inValue1 = c.in1;
        rec.unitValue1 = c.v1;
        rec.inValue2 = c.in2;
        rec.unitValue2 = c.v2;
        EXPECT_DOUBLE_EQ(OffsetToUnits(c.offsetMv, &rec), c.units);
        EXPECT_DOUBLE_EQ(UnitsToOffset(c.units, &rec), c.units != 0.0 ? c.offsetMv : 0.0);
    }
    EXPECT_EQ(OffsetToUnits(5.0, nullptr), 0.0);
    EXPECT_EQ(UnitsToOffset(5.0, nullptr), 0.0);
}

TEST(Scaling, ParseDoubleReadsTheLeadingNumberOfAtMostAHundredCharacters) {
    const std::string long101 = "1" + std::string(120, '0');
    struct Case {
        const char* text;
        double value;
    } cases[] = {
        {"12.5", 12.5}, {"  -0.25 mV", -0.25}, {"1e-3", 0.001}, {"abc", 0.0}, {"", 0.0}, {long101.c_str(), 1e99},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_DOUBLE_EQ(ParseDouble(c.text), c.value);
    }
    EXPECT_EQ(ParseDouble(nullptr), 0.0);
}

TEST(Scaling, InputFieldUnitFollowsTheGain) {
    struct Case {
        int32_t group;
        double gain, factor;
    } cases[] = {
        {kGroupAnalog, 200, 1e3}, {kGroupAnalog, 1000, 1e3},  {kGroupAnalog, 2000, 1e6},
        {kGroupAnalog, 0.5, 1e3}, {kGroupDigital, 2000, 1.0}, {kGroupCalc, 2000, 1.0},
    };
    for (const Case& c : cases) {
        stAcqChan rec{};
        rec.group = c.group;
        rec.gain = c.gain;
        EXPECT_EQ(ScalingInputFactor(rec), c.factor) << c.group << " " << c.gain;
    }
}

TEST(Scaling, SetScaleFromTwoPointsFindsTheRecordsPlace) {
    struct Case {
        int32_t digital, group, number;
        int32_t index;  // -1: no place, nothing set
    } cases[] = {
        {0, kGroupAnalog, 2, 2},   {8, kGroupDigital, 1, 5}, {8, kGroupCalc, 0, 12},  {0, kGroupCalc, 11, 15},
        {0, kGroupDigital, 0, -1}, {0, kGroupAnalog, 4, -1}, {8, kGroupCalc, 12, -1}, {0, 3, 0, -1},
    };
    const int32_t saved = NDChan;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << c.digital << " " << c.group << " " << c.number);
        NDChan = c.digital;
        auto acq = std::make_unique<stAcq>();
        memset(acq.get(), 0, sizeof(stAcq));
        stAcqChan rec{};
        rec.group = c.group;
        rec.number = c.number;
        rec.inValue2 = 1.0;
        rec.unitValue2 = 4.0;
        rec.unitValue1 = 1.0;
        rec.gain = 1.0;
        EXPECT_EQ(SetScaleFromTwoPoints(&rec, acq.get()), c.index >= 0 ? 1 : 0);
        for (int i = 0; i < kMaxChanRecords; ++i) {
            const double expected = i == c.index ? (c.group == kGroupAnalog ? 3.0 * kCount : 3.0) : 0.0;
            EXPECT_DOUBLE_EQ(acq->chanMultiplier[i], expected) << i;
            EXPECT_EQ(acq->chanAddend[i], i == c.index ? 1.0 : 0.0) << i;
        }
    }
    NDChan = saved;
}

}  // namespace
