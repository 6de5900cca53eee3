// The calculation settings block: its image keeps every field at its fixed little-endian offset,
// round-trips, and a preset block carries one record with the rest zero.
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <vector>

#include "devlib/acquisition/calcsettings.h"
#include "devlib/acquisition/lebytes.h"

namespace {

std::unique_ptr<stCalcSettings> Defaults() {
    auto s = std::make_unique<stCalcSettings>();
    ResetCalcSettings(s.get(), 1);
    return s;
}

TEST(CalcSettings, FieldsLandAtTheirOffsetsInTheImage) {
    auto s = Defaults();
    s->kind[11] = kCalcFilter;
    s->compute[2] = 0x01020304u;
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
    std::vector<uint8_t> image(kCalcSettingsBytes, 0xEE);
    EncodeCalcSettings(*s, image.data());
    const uint8_t* b = image.data();
    EXPECT_EQ(int16_t(GetLE16(b + 22)), kCalcFilter);
    EXPECT_EQ(GetLE32(b + 24 + 8), 0x01020304u);
    EXPECT_EQ(GetLEDouble(b + 72 + 128 + 48), 2.5);
    EXPECT_EQ(GetLE32(b + 1608 + 3 * 20 + 12), 7u);
    EXPECT_EQ(int16_t(GetLE16(b + 1848 + 4 * 208 + 204)), -2);
    EXPECT_EQ(GetLEDouble(b + 4344 + 5 * 24 + 16), -3.25);
    EXPECT_EQ(GetLEDouble(b + 4632 + 6 * 32 + 16), 0.125);
    EXPECT_EQ(GetLEDouble(b + 5016 + 7 * 184 + 176), 9.0);
    EXPECT_STREQ(reinterpret_cast<const char*>(b + 7224 + 8 * 200), "CH1*2");
    EXPECT_EQ(GetLE16(b + 9624 + 9 * 24 + 20), uint16_t(kDelayUnitSeconds));
    EXPECT_EQ(GetLE16(b + 9912 + 10 * 40 + 32), 3u);
    EXPECT_EQ(GetLE32(b + 10392 + 11 * 16 + 12), 1u);
    // Reserved bytes are written as zero, not left as they were.
    EXPECT_EQ(b[72 + 10], 0);
    EXPECT_EQ(b[1848 + 4], 0);

    auto back = std::make_unique<stCalcSettings>();
    memset(back.get(), 0x55, sizeof(*back));
    DecodeCalcSettings(image.data(), back.get());
    std::vector<uint8_t> again(kCalcSettingsBytes);
    EncodeCalcSettings(*back, again.data());
    EXPECT_EQ(again, image);
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
    EXPECT_EQ(GetLE32(block + 16), 123u);
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

}  // namespace
