// The pulse preference rules on a sheet's copy of a stimulator's set: shown units, typed values,
// the repetition limits and increment, the calibration adjustment and the initial delay.
#include <gtest/gtest.h>
#include "outputs/preferences/pulse_rules.h"
#include <algorithm>

namespace {

constexpr double U = kPrefUnset;
constexpr double kResolution = 0.001953;

// The period range of a width as the stimulators give it: the width's lower limit and the gap
// limits (entries 6 and 11) bound it from below, entry 14's upper limit from above.
class RangeController : public OutController {
public:
    int Count() const override { return 0; }
    OutPref* At(int) override { return nullptr; }
    int Assign(const OutPref*, int) override { return 0; }
    int OnActivate() override { return 1; }
    void OnDeactivate() override {}
    int DoCmd(OutCmd) override { return 1; }
    void ApplyPrefs() override {}
    void UpdateLimits() override {}
    double Resolution() override { return kResolution; }
    void PeriodRange(double width, double* lo, double* hi, const PrefList* set) override {
        const PrefList& s = *set;
        *lo = std::max(s[6].m_min, width) + s[11].m_min;
        *hi = std::min(width + s[11].m_max, s[14].m_max);
    }
};

PrefList Stimulator() {
    auto p = [](double lo, double hi, double def) { return OutPref(lo, hi, 0, def); };
    return {p(0, 3, 2),       p(1, 254, 10),    p(0, 1, 0),       p(0, 1000, 0),   p(0, 1, 0),
            p(0, 1, 0),       p(0.05, 200, 0.05), p(0.05, 200, 0.05), p(0.05, 200, 1), p(0.05, 200, 1),
            p(0, 1, 0),       p(0.05, 10000, 0.05), p(0, 1, 0),     p(0, 2, 1),      p(1, 10000, 2),
            p(1, 10000, 10),  p(1, 10000, 5),   p(1, 10000, 5),   p(0.001, 1000, 1)};
}

TEST(PulseRules, RateLimitsShowTheFasterRateSecondAndATypedRateMovesTheOtherEnd) {
    RangeController c;
    PrefList s = Stimulator();
    EXPECT_EQ(FieldText(s, kFieldRepFrom), "100.00");
    EXPECT_EQ(FieldText(s, kFieldRepTo), "500.00");
    EXPECT_EQ(CommitTypedField(s, c, kFieldRepFrom, 50, false), 1);
    EXPECT_DOUBLE_EQ(s[15].m_value, 20.0);
    EXPECT_DOUBLE_EQ(s[14].m_value, 2.0);
    EXPECT_DOUBLE_EQ(s[17].m_value, 5.0);
    // A first limit typed above the second swaps them, and the period is held between them.
    s[12].m_value = 1;  // periods shown
    EXPECT_EQ(CommitTypedField(s, c, kFieldRepFrom, 30, false), 1);
    EXPECT_DOUBLE_EQ(s[14].m_value, 20.0);
    EXPECT_DOUBLE_EQ(s[15].m_value, 30.0);
    EXPECT_DOUBLE_EQ(s[17].m_value, 20.0);
}

TEST(PulseRules, TheIncrementIsShownInTheDisplayUnits) {
    PrefList s = Stimulator();
    struct Case {
        double from, to, increment, showPeriod;
        const char* text;
    };
    const Case cases[] = {
        {5, 5, 0.25, 0, "1.000000"},
        {5, 5, 0.25, 1, "0.250000"},
        {2, 10, 1, 0, "50.000000"},
        {2, 10, 1, 1, "1.000000"},
    };
    for (const Case& k : cases) {
        s[14].m_value = k.from, s[15].m_value = k.to, s[18].m_value = k.increment, s[12].m_value = k.showPeriod;
        EXPECT_EQ(FieldText(s, kFieldIncrement), k.text) << k.from << ".." << k.to << " " << k.showPeriod;
    }
}

TEST(PulseRules, AnIncrementOfZeroIsRefusedAndTheOldOneStays) {
    RangeController c;
    struct Case {
        const char* what;
        double from, to, showPeriod, typed;
        int result;
        double increment;
    };
    const Case cases[] = {
        {"zero as a period", 2, 10, 1, 0, 0, 1.5},
        {"zero as a rate", 2, 10, 0, 0, 0, 1.5},
        {"negative", 2, 10, 1, -3, 0, 1.5},
        {"a range of one period", 5, 5, 1, 2, 0, 1.5},
        {"a usable period step", 2, 10, 1, 2, 1, 2.0},
        {"a usable step above the range", 2, 10, 1, 50, 1, 8.0},
        {"a usable rate step", 2, 10, 0, 25, 1, 0.5},
    };
    for (const Case& k : cases) {
        PrefList s = Stimulator();
        s[13].m_value = 1;  // limited entry, so the range stays as set
        s[14].m_value = k.from, s[15].m_value = k.to, s[12].m_value = k.showPeriod, s[18].m_value = 1.5;
        EXPECT_EQ(CommitTypedField(s, c, kFieldIncrement, k.typed, false), k.result) << k.what;
        EXPECT_DOUBLE_EQ(s[18].m_value, k.increment) << k.what;
        EXPECT_GT(s[18].m_value, 0.0) << k.what;
    }
}

TEST(PulseRules, TheInitialDelayOnTheFirstModelIsNeverBetweenZeroAndHalfAMillisecond) {
    RangeController c;
    struct Case {
        double typed;
        bool firstModel;
        double stored;
    };
    const Case cases[] = {{0.2, true, 0.5}, {-1, true, 0.5}, {0, true, 0}, {0.75, true, 0.75},
                          {0.2, false, 0.2}, {-1, false, 0}, {2000, false, 1000}};
    for (const Case& k : cases) {
        PrefList s = Stimulator();
        CommitTypedField(s, c, kFieldDelay, k.typed, k.firstModel);
        EXPECT_DOUBLE_EQ(s[3].m_value, k.stored) << k.typed << " " << k.firstModel;
    }
}

TEST(PulseRules, ACalibrationAdjustmentLeavesAtLeastFiveResolutionStepsOfWidth) {
    RangeController c;
    PrefList s = Stimulator();
    s[9].m_min = 0;
    s[9].m_value = 0.012;
    EXPECT_EQ(CommitTypedField(s, c, kFieldCalibration, 9.0, false), 1);  // microseconds
    EXPECT_NEAR(s[9].m_value - s[10].m_value, 5 * kResolution, 1e-12);
    s[9].m_value = 1.0;
    EXPECT_EQ(CommitTypedField(s, c, kFieldCalibration, 20.0, false), 1);
    EXPECT_DOUBLE_EQ(s[10].m_value, 0.02);
    EXPECT_EQ(FieldText(s, kFieldCalibration), " 20.00");
}

TEST(PulseRules, ALockedWidthBecomesTheWidthAndNarrowsThePeriodRange) {
    RangeController c;
    PrefList s = Stimulator();
    s[5].m_value = 1;  // width locked
    s[13].m_value = 0;
    EXPECT_EQ(CommitTypedField(s, c, kFieldLockedWidth, 300, false), 1);
    EXPECT_DOUBLE_EQ(s[8].m_value, 200.0);  // held to its limit
    EXPECT_DOUBLE_EQ(s[9].m_value, 200.0);
    EXPECT_DOUBLE_EQ(s[14].m_value, 200.05);
    EXPECT_GE(s[17].m_value, 200.05);
}

TEST(PulseRules, NumbersAreRoundedUpByAHundredthOfTheirLastDecimal) {
    EXPECT_EQ(NumberText(2.675, 2), "  2.68");
    EXPECT_EQ(NumberText(10, 2), " 10.00");
    EXPECT_EQ(NumberText(1234.5, 2), "1234.50");
}

PrefList WithLevel() {
    PrefList s = Stimulator();
    const double u = 4.0959, step = 0.0009999755859375;
    s.resize(28, OutPref(U, U, U, 0));
    s[22] = OutPref(0, u, step, 2.04795);
    s[23] = OutPref(U, U, U, 1);
    s[24] = OutPref(0, u, step, 1.843155);
    s[25] = OutPref(0, u, step, 2.252745);
    s[26] = OutPref(0, u, step, 2.04795);
    s[27] = OutPref(0.001023975, u, step, 0.0204795);
    return s;
}

TEST(PulseRules, LevelLimitsAreTypedInVoltsOnTheGridAndKeptInOrder) {
    PrefList s = WithLevel();
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_FROM), "-1.0000");
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_TO), "1.0000");
    EXPECT_EQ(CommitTypedLevel(s, IDC_OUT_LEVEL_FROM, -3.2374), 1);
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_FROM), "-3.2350");
    // A first limit above the second swaps them, and the level stays between them.
    EXPECT_EQ(CommitTypedLevel(s, IDC_OUT_LEVEL_FROM, 4), 1);
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_FROM), "1.0000");
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_TO), "4.0000");
    EXPECT_GE(s[22].m_value, s[24].m_value);
    // Beyond the range the limit is held at its end.
    EXPECT_EQ(CommitTypedLevel(s, IDC_OUT_LEVEL_TO, 25), 1);
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_TO), "10.0000");
    // The locked level becomes the level.
    EXPECT_EQ(CommitTypedLevel(s, IDC_OUT_LEVEL_LOCKED, 2.5), 1);
    EXPECT_DOUBLE_EQ(s[22].m_value, s[26].m_value);
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_LOCKED), "2.5000");
}

TEST(PulseRules, ChoosingALevelEntryResetsWhatItNoLongerUses) {
    PrefList s = WithLevel();
    for (int i = 22; i <= 26; ++i) s[static_cast<size_t>(i)].m_value = 3.0;
    ChooseLevelEntry(s, 0);
    EXPECT_DOUBLE_EQ(s[24].m_value, 1.843155);
    EXPECT_DOUBLE_EQ(s[25].m_value, 2.252745);
    EXPECT_DOUBLE_EQ(s[26].m_value, 2.04795);
    EXPECT_DOUBLE_EQ(s[22].m_value, 3.0);
    s[26].m_value = 1.0;
    ChooseLevelEntry(s, 2);
    EXPECT_DOUBLE_EQ(s[22].m_value, 1.0);
    ChooseLevelEntry(s, 1);
    EXPECT_DOUBLE_EQ(s[22].m_value, 2.04795);
    EXPECT_DOUBLE_EQ(s[26].m_value, 2.04795);
    EXPECT_DOUBLE_EQ(s[23].m_value, 1.0);
}

TEST(PulseRules, ALevelStepIsNeverBelowItsSmallestUnit) {
    PrefList s = WithLevel();
    s[27].m_min = 0;
    EXPECT_EQ(CommitTypedLevel(s, IDC_OUT_LEVEL_STEP, 0), 1);
    EXPECT_DOUBLE_EQ(s[27].m_value, 0.001023975);
    EXPECT_EQ(CommitTypedLevel(s, IDC_OUT_LEVEL_STEP, 0.5), 1);
    EXPECT_NEAR(s[27].m_value, 4.0959 * 0.5 / 20.0, 1e-12);
    EXPECT_EQ(LevelText(s, IDC_OUT_LEVEL_STEP), "0.5000");
}

}  // namespace
