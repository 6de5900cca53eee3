// The electrode checker's measurement against scripted readings: settling agrees within half a
// percent without dividing by a reading (which may be 0) and gives up after a bounded number of
// readings; impedances average ten readings; a failed command or a running recording gives none.
#include <gtest/gtest.h>

#include <vector>

#include "devlib/acquisition/setup/electrode.h"

namespace {

// The unit's answers in turn; past the script, the last answer again. A second byte other than
// the expected one, or a scripted failure (-1), fails the command.
struct Script {
    std::vector<std::vector<int32_t>> answers;
    uint8_t expected = 0;
    size_t asked = 0;
};

int32_t Answer(void* context, uint8_t second, int32_t readings[2]) {
    auto* s = static_cast<Script*>(context);
    const auto& a = s->answers[std::min(s->asked, s->answers.size() - 1)];
    ++s->asked;
    if (second != s->expected || a[0] < 0) return 0;
    readings[0] = a[0];
    readings[1] = a[1];
    return 1;
}

TEST(ElectrodeSettling, ReadingsAgreeWithinHalfAPercent) {
    const struct {
        int32_t previous, reading;
        bool agree;
    } cases[] = {
        {1000, 1004, true},   // 0.996
        {1000, 1010, false},  // 0.990
        {1005, 1000, true},   // 1.005
        {1006, 1000, false},
        {0x7FFF, 1000, false},
        {500, 0, false},  // a reading of 0 is not divided by
        {0, 0, true},
    };
    for (const auto& c : cases) EXPECT_EQ(ElectrodeReadingsAgree(c.previous, c.reading), c.agree) << c.previous << "/" << c.reading;
}

TEST(ElectrodeSettling, SettlesOnTwoAgreeingReadingsAndGivesUpWhenTheyNeverAgree) {
    const struct {
        const char* name;
        std::vector<std::vector<int32_t>> answers;
        int32_t settled;
        size_t asked;
    } cases[] = {
        {"agree at the third", {{1000, 2000}, {1100, 2000}, {1102, 2004}}, 1, 3},
        {"zero readings first", {{0, 0}, {0, 3000}, {0, 3001}}, 1, 3},
        {"one input never agrees", {{1000, 2000}, {1000, 0}, {1000, 4000}, {1000, 0}, {1000, 4000}}, 0,
         size_t(kElectrodeSettleRounds)},
        {"a failed command", {{1000, 2000}, {-1, 0}}, 0, 2},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        // A script that never settles keeps alternating past its end.
        Script s{c.answers, 0x00};
        if (!c.settled && c.answers.back()[0] >= 0)
            while (s.answers.size() < 2 * size_t(kElectrodeSettleRounds)) s.answers.push_back(s.answers[s.answers.size() - 2]);
        stElectrodeMeasure m;
        EXPECT_EQ(SettleElectrodeReferences(&m, Answer, &s), c.settled);
        EXPECT_EQ(s.asked, c.asked);
    }
}

TEST(ElectrodeMeasure, TenReadingsAverageIntoImpedances) {
    stElectrodeMeasure m;
    m.reference[0] = 1000;
    m.reference[1] = 400;
    // Input 1: 500 then 200 alternately: 100 and 25 kilo-ohms, mean 62.5. Input 2 at its reference: 100.
    Script s{{}, 0x01};
    for (int k = 0; k < 10; ++k) s.answers.push_back(k % 2 ? std::vector<int32_t>{200, 500} : std::vector<int32_t>{500, 400});
    ASSERT_EQ(MeasureElectrodes(&m, Answer, &s, 0), 1);
    EXPECT_DOUBLE_EQ(m.impedance[0], 62.5);
    EXPECT_DOUBLE_EQ(m.impedance[1], 100.0);
    EXPECT_EQ(s.asked, 10u);

    Script failing{{{500, 400}, {500, 400}, {-1, 0}}, 0x01};
    EXPECT_EQ(MeasureElectrodes(&m, Answer, &failing, 0), 0);
    EXPECT_EQ(m.impedance[0], kElectrodeNoReading);
    EXPECT_EQ(m.impedance[1], kElectrodeNoReading);

    Script unused{{{500, 400}}, 0x01};
    EXPECT_EQ(MeasureElectrodes(&m, Answer, &unused, 1), 0);  // a recording runs
    EXPECT_EQ(unused.asked, 0u);
    EXPECT_EQ(m.impedance[0], kElectrodeNoReading);
}

}  // namespace
