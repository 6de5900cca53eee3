// The calculation settings: a kind's record keeps every field at its fixed little-endian offset and
// round-trips, and a preset block carries one record with the rest zero.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/run/setup_block.h"

namespace {

std::unique_ptr<stCalcSettings> Defaults() {
    auto s = std::make_unique<stCalcSettings>();
    ResetCalcSettings(s.get(), 1);
    return s;
}

// Each kind's record as a preset block carries it: every field at its fixed little-endian offset,
// reserved bytes zero, and the record read back gives the same bytes again.
TEST(CalcSettings, FieldsLandAtTheirOffsetsInAPresetRecord) {
    auto s = Defaults();
    s->integrate[1].maxCyclePeriod = 2.5;
    s->difference[3].interval = 7;
    s->rate[4].output = -2;
    s->math[5].constant = -3.25;
    s->function[6].lower = 0.125;
    s->filter[7].stage2.x1 = 9.0;
    strcpy(s->expression[8], "CH1*2");
    s->delay[9].unit = kDelayUnitSeconds;
    s->control[10].function = 3;
    s->smoothing[11].median = 1;
    struct Case {
        int16_t kind;
        int32_t channel;
        size_t at;
        int bytes;  // 2, 4 or 8 (a double); 0 for the text
        double value;
    } cases[] = {
        {kCalcIntegrate, 1, 48, 8, 2.5},   {kCalcDifference, 3, 12, 4, 7},  {kCalcRate, 4, 204, 2, -2},
        {kCalcMath, 5, 16, 8, -3.25},      {kCalcFunction, 6, 16, 8, 0.125}, {kCalcFilter, 7, 176, 8, 9.0},
        {kCalcExpression, 8, 0, 0, 0},     {kCalcDelay, 9, 20, 2, kDelayUnitSeconds},
        {kCalcControl, 10, 32, 2, 3},      {kCalcSmoothing, 11, 12, 4, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.kind);
        uint8_t block[472];
        memset(block, 0xEE, sizeof(block));
        ASSERT_EQ(EncodeCalcParams(*s, c.channel, c.kind, block), 1);
        const uint8_t* at = block + c.at;
        switch (c.bytes) {
        case 2: EXPECT_EQ(int16_t(GetLeU16(at)), c.value); break;
        case 4: EXPECT_EQ(int32_t(GetLeU32(at)), c.value); break;
        case 8: EXPECT_EQ(GetLeF64(at), c.value); break;
        default: EXPECT_STREQ(reinterpret_cast<const char*>(at), "CH1*2"); break;
        }
        auto back = std::make_unique<stCalcSettings>();
        memset(back.get(), 0x55, sizeof(*back));
        ASSERT_EQ(DecodeCalcParams(block, c.kind, c.channel, back.get()), 1);
        uint8_t again[472];
        memcpy(again, block, sizeof(again));
        ASSERT_EQ(EncodeCalcParams(*back, c.channel, c.kind, again), 1);
        EXPECT_EQ(memcmp(again, block, sizeof(again)), 0);
    }
    // Reserved bytes are written as zero, not left as they were.
    uint8_t block[472];
    memset(block, 0xEE, sizeof(block));
    ASSERT_EQ(EncodeCalcParams(*s, 0, kCalcIntegrate, block), 1);
    EXPECT_EQ(block[10], 0);
    ASSERT_EQ(EncodeCalcParams(*s, 0, kCalcRate, block), 1);
    EXPECT_EQ(block[4], 0);
}

TEST(CalcSettings, DefaultsAreTheDialogsStartingValues) {
    auto s = Defaults();
    for (int c = 0; c < kCalcChannels; ++c) {
        EXPECT_EQ(s->kind[c], kCalcNone);
        EXPECT_EQ(s->integrate[c].samples, 3);
        EXPECT_EQ(s->smoothing[c].factor, 3);
        EXPECT_EQ(s->difference[c].interval, 1);
        EXPECT_EQ(s->rate[c].function, kRateBpm);
        EXPECT_EQ(s->rate[c].lowerLimit, 40.0);
        EXPECT_EQ(s->rate[c].upperLimit, 180.0);
        EXPECT_EQ(s->filter[c].q, 0.707);
        EXPECT_EQ(s->filter[c].frequency, 50.0);
        EXPECT_EQ(s->delay[c].samples, 20);
        EXPECT_EQ(s->expression[c][0], '\0');
    }
    auto zero = Defaults();
    ResetCalcSettings(zero.get(), 0);
    EXPECT_EQ(zero->math[0].first, 0);  // the first analog identifier follows the preference
    EXPECT_EQ(s->math[0].first, 1);
}

TEST(CalcSettings, APresetBlockCarriesOneRecordAndItsTextWithinBounds) {
    auto s = Defaults();
    s->delay[2].samples = 123;
    uint8_t block[472];
    memset(block, 0xAA, sizeof(block));
    ASSERT_EQ(EncodeCalcParams(*s, 2, kCalcDelay, block), 1);
    EXPECT_EQ(GetLeU32(block + 16), 123u);
    for (int i = 24; i < 208; ++i) ASSERT_EQ(block[i], 0) << i;
    EXPECT_EQ(block[208], 0xAA);  // the source entries beyond the record are the caller's
    EXPECT_EQ(EncodeCalcParams(*s, 2, kCalcNone, block), 0);
    EXPECT_EQ(EncodeCalcParams(*s, 12, kCalcDelay, block), 0);

    // A text without its terminator is cut at 199 characters when read back.
    uint8_t text[472];
    memset(text, 'X', sizeof(text));
    ASSERT_EQ(DecodeCalcParams(text, kCalcExpression, 4, s.get()), 1);
    EXPECT_EQ(strlen(s->expression[4]), size_t(kExpressionBytes - 1));
    EXPECT_EQ(s->expression[5][0], '\0');
}

TEST(CalcSettings, TheStoredSetUpCarriesEachFieldInItsArray) {
    auto s = Defaults();
    s->kind[3] = kCalcRate;
    s->integrate[0].source = 2;
    s->integrate[11].rectify = 1;
    s->rate[3].level = 0.75;
    s->math[5].second = kMathConstant;
    s->function[1].upper = 2.5;
    s->filter[7].highFrequency = 300.0;
    s->smoothing[2].factor = 9;
    s->integrate[4].high = -1.5;
    s->delay[6].samples = 77;
    s->control[10].level2 = 4.0;
    strcpy(s->expression[9], "CH1+CH2");
    std::vector<uint8_t> block(kSetupHeaderBytes, 0);
    EncodeCalcSetup(*s, block.data());
    const uint8_t* b = block.data();
    EXPECT_EQ(GetLeU16(b + 142 + 2 * 3), uint16_t(kCalcRate));
    EXPECT_EQ(GetLeU16(b + 174), 2u);
    EXPECT_EQ(GetLeU16(b + 238 + 2 * 11), 1u);
    EXPECT_EQ(GetLeF64(b + 334 + 8 * 3), 0.75);
    EXPECT_EQ(GetLeF64(b + 462 + 8 * 3), 0.75);
    EXPECT_EQ(GetLeU16(b + 750 + 2 * 5), 0xFFFFu);  // the low half of -1
    EXPECT_EQ(GetLeF64(b + 1102 + 8 * 1), 2.5);
    EXPECT_EQ(GetLeF64(b + 2254 + 8 * 7), 300.0);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 2382 + 200 * 9), "CH1+CH2");
    EXPECT_EQ(GetLeU32(b + 6022 + 4 * 2), 9u);
    EXPECT_EQ(GetLeF64(b + 6470 + 8 * 4), -1.5);
    EXPECT_EQ(GetLeU32(b + 7014 + 4 * 6), 77u);
    EXPECT_EQ(GetLeF64(b + 7430 + 8 * 10), 4.0);
    EXPECT_EQ(b[2381], 0);  // between the arrays nothing is written
    EXPECT_EQ(b[5989], 0);

    auto back = Defaults();
    ResetCalcSettings(back.get(), 0);
    DecodeCalcSetup(b, 0x0A02, 1, back.get());
    EXPECT_EQ(back->kind[3], kCalcRate);
    EXPECT_EQ(back->math[5].second, kMathConstant);  // widened with its sign
    EXPECT_EQ(back->integrate[11].rectify, 1);
    EXPECT_EQ(back->smoothing[2].factor, 9);
    EXPECT_EQ(back->delay[6].samples, 77);
    EXPECT_EQ(back->control[10].level2, 4.0);
    EXPECT_STREQ(back->expression[9], "CH1+CH2");
    // The second copy of the Rate level is the one read.
    PutLeF64(block.data() + 334 + 8 * 3, 9.0);
    DecodeCalcSetup(b, 0x0A02, 1, back.get());
    EXPECT_EQ(back->rate[3].level, 0.75);
}

TEST(CalcSettings, OlderSetUpsAreConvertedAsTheyWereWritten) {
    struct Case {
        int32_t version;
        int16_t storedKind, kind;
        int32_t smoothingFactor, averaging, control, mathFirst, rateSource;
    } cases[] = {
        {2562, 4, 4, 9, 0, 3, 2, 4},   // current: as stored
        {2304, 2, 2, 9, 0, 3, 2, 4},   // the second group's first version
        {2303, 2, 3, 5, 1, 1, 2, 4},   // a kind after the first moves up; no second group
        {2303, 1, 1, 5, 1, 1, 2, 4},
        {2047, 5, 6, 5, 1, 1, 3, 5},   // analog sources counted from 0
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.version);
        auto s = Defaults();
        s->kind[0] = c.storedKind;
        s->smoothing[0].factor = 9;
        s->integrate[0].source = 1, s->integrate[0].control = 3, s->integrate[0].averaging = 0;
        s->math[0].first = 2, s->math[0].second = kMathConstant;
        s->rate[0].source = 4;
        std::vector<uint8_t> block(kSetupHeaderBytes, 0);
        EncodeCalcSetup(*s, block.data());
        auto back = Defaults();
        back->smoothing[0].factor = 5;
        DecodeCalcSetup(block.data(), c.version, 1, back.get());
        EXPECT_EQ(back->kind[0], c.kind);
        EXPECT_EQ(back->smoothing[0].factor, c.smoothingFactor);
        EXPECT_EQ(back->integrate[0].averaging, c.averaging);
        EXPECT_EQ(back->integrate[0].control, c.control);
        EXPECT_EQ(back->math[0].first, c.mathFirst);
        EXPECT_EQ(back->math[0].second, kMathConstant);  // a constant is not a source
        EXPECT_EQ(back->rate[0].source, c.rateSource);
    }
}

TEST(CalcSettings, AGraphsStoredSetUpBringsItsCalculationChannelsBack) {
    auto acq = std::make_unique<stAcq>();
    memset(acq.get(), 0, sizeof(stAcq));
    acq->firstAnalogNumber = 1;
    stCalcSettings* s = CalcSettings(acq.get());
    ResetCalcSettings(s, 1);
    s->kind[0] = kCalcFilter, s->filter[0].type = kCalcFilterBandStop, s->filter[0].qBand = 7.5;
    s->kind[1] = kCalcExpression;
    strcpy(s->expression[1], "CH40*3");
    s->kind[2] = kCalcControl, s->control[2].function = 2, s->control[2].outputLine = 14;
    const RECT desktop{0, 0, 1280, 1024};
    std::vector<uint8_t> block(SetupBlockSize(16));
    EncodeSetupBlock(*acq, 16, desktop, block.data(), block.size());

    auto other = std::make_unique<stAcq>();
    memset(other.get(), 0, sizeof(stAcq));
    other->firstAnalogNumber = 1;
    ResetCalcSettings(CalcSettings(other.get()), 1);
    ASSERT_NE(DecodeSetupBlock(block.data(), block.size(), 16, 0, desktop, false, other.get()).version, 0);
    const stCalcSettings* t = CalcSettings(other.get());
    EXPECT_EQ(t->kind[0], kCalcFilter);
    EXPECT_EQ(t->filter[0].type, kCalcFilterBandStop);
    EXPECT_EQ(t->filter[0].qBand, 7.5);
    EXPECT_EQ(t->kind[1], kCalcExpression);
    EXPECT_STREQ(t->expression[1], "CH40*3");
    EXPECT_EQ(t->control[2].function, 2);
    EXPECT_EQ(t->control[2].outputLine, 14);
}

}  // namespace
