// Calculation channels in the running program over a simulated unit of the test's own: a memory
// run from the Start button with calculation channels of all ten kinds, the Expression kind on
// the program's own evaluator (host slot 18), every channel's values worked out here from the
// recorded inputs; and an expression that fails part-way through a run ends the run naming its
// channel, keeping the frames that came before.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>
#include "shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"
#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/resource.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/vk40.h"
#include "devlib/tests/run_settings.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "shell/startup.h"

namespace {


// The library keeps the settings copy as plain bytes of the block's layout.
stCalcSettings* Settings(stAcq* acq) { return reinterpret_cast<stCalcSettings*>(acq->calcSettings); }

// Calculation channel c computes kind; its record is on, its conversion the identity.
void Use(stAcq* acq, int c, int16_t kind) {
    Settings(acq)->kind[c] = kind;
    for (int r = 0; r < kMaxChanRecords; ++r) {
        stAcqChan& rec = acq->chans[r];
        if (rec.group != kGroupCalc || rec.number != c) continue;
        rec.flags |= 2u;
        acq->chanMultiplier[r] = 1.0;
        acq->chanAddend[r] = 0.0;
    }
}

// A low-pass second-order section from its design formulas, every state starting at the first input.
std::vector<double> LowPass(const std::vector<double>& x, double hz, double q, double periodMs) {
    const double k = std::tan(6.2831852 * hz * periodMs * 0.001 * 0.5), k2 = k * k;
    const double l = 1.0 / (k / q + k2 + 1.0);
    const double a1 = 2 * l * (1 - k2), a2 = -l * (k2 + 1 - k / q), b0 = l * k2, b1 = 2 * l * k2, b2 = l * k2;
    std::vector<double> y(x.size());
    double x1 = x.empty() ? 0 : x[0], x2 = x1, y1 = x1, y2 = x1;
    for (size_t i = 0; i < x.size(); ++i) {
        y[i] = b0 * x[i] + b1 * x1 + b2 * x2 + a1 * y1 + a2 * y2;
        x2 = x1, x1 = x[i], y2 = y1, y1 = y[i];
    }
    return y;
}

class CalcChannels : public ProgramWithUnit {
protected:
    void SetUp() override {
        // Inputs 1 and 2 count (a saw-tooth of 4096 frames), input 3 is the 1 Hz square wave.
        Boot("calc", false, [] {
            for (int i = 1; i <= 4; ++i)
                SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(),
                                   i == 3 ? kSimSignalSquare : kSimSignalCounting);
        });
    }

    // A memory run of length 1 ms frames over analog inputs 1-3 (slots 1-3); no calculation channel yet.
    int32_t SetUpRun(int32_t length) {
        AcqLock acq(g_app->hAcq);
        for (stAcqChan& c : acq->chans) c.flags &= ~2u;
        for (int i = 0; i < 3; ++i) acq->chans[i].flags |= 2u;
        for (int16_t& kind : Settings(acq.get())->kind) kind = 0;
        vk40test::SetUpRun(acq.get(), kStorageMemory, 1.0, length);
        acq->warnOnOverwrite = 0;
        return acq->firstAnalogNumber;
    }
    // The values the graph holds in a slot, read as the program reads them.
    std::vector<double> Values(int slot, uint32_t count) {
        std::vector<double> v(count);
        for (uint32_t i = 0; i < count; ++i)
            if (!GetChannelSample(gs, static_cast<int>(i), slot, &v[i])) v[i] = NAN;
        return v;
    }
};

TEST_F(CalcChannels, EveryKindLandsTheValuesOfItsFormulaOverTheRecordedInputs) {
    constexpr uint32_t kFrames = 4500;  // past the saw-tooth's turn and four periods of the square wave
    const int32_t fa = SetUpRun(static_cast<int32_t>(kFrames));
    const int16_t a = static_cast<int16_t>(fa), b = static_cast<int16_t>(fa + 1), sq = static_cast<int16_t>(fa + 2);
    {
        AcqLock acq(g_app->hAcq);
        stCalcSettings* s = Settings(acq.get());
        Use(acq.get(), 0, kCalcMath);  // A + B
        s->math[0] = stMathParams{kMathAdd, a, b, {}, 0};
        Use(acq.get(), 1, kCalcDifference);  // A over 3 samples
        s->difference[1] = stDifferenceParams{a, 0, 0, 3, 0};
        Use(acq.get(), 2, kCalcDelay);  // B, 5 samples late
        s->delay[2].source = b, s->delay[2].samples = 5, s->delay[2].unit = kDelayUnitSamples;
        // Expressions name channels by identifier, as the Expression dialog stores them.
        Use(acq.get(), 3, kCalcExpression);  // B through the program's evaluator
        snprintf(s->expression[3], kExpressionBytes, "CH%d*2+1", b);
        Use(acq.get(), 4, kCalcSmoothing);  // mean of the last 4 of B
        s->smoothing[4].source = b, s->smoothing[4].factor = 4, s->smoothing[4].median = 0;
        Use(acq.get(), 5, kCalcExpression);  // functions of A and of C1
        snprintf(s->expression[5], kExpressionBytes, "SQRT(ABS(CH%d))-CH40/4", a);
        Use(acq.get(), 6, kCalcFilter);  // low pass at 20 Hz of A
        s->filter[6].source = a, s->filter[6].type = kCalcFilterLowPass, s->filter[6].frequency = 20.0;
        s->filter[6].q = 0.707;
        Use(acq.get(), 7, kCalcRate);  // the square wave's rate in Hz at a fixed threshold of 0
        stRateParams& r = s->rate[7];
        r.source = sq, r.function = kRateHz, r.polarity = 1, r.autoThreshold = 0, r.level = 0.0;
        r.baselineRemoval = 0, r.limitUnit = kRateUnitPerSecond, r.lowerLimit = 0.1, r.upperLimit = 10.0;
        r.output = kRateOutputResult;
        Use(acq.get(), 8, kCalcIntegrate);  // the sum of a 3-sample window of A, in seconds
        stIntegrateParams& in = s->integrate[8];
        in.source = a, in.averaging = 1, in.samples = 3, in.options = 0;
        Use(acq.get(), 9, kCalcControl);  // 5 while A lies within 0.5..1.0
        s->control[9].source = a, s->control[9].function = 1, s->control[9].level1 = 0.5, s->control[9].level2 = 1.0;
        Use(acq.get(), 10, kCalcFunction);  // the square root of B
        s->function[10].function = kFuncSqrt, s->function[10].source = b;
        Use(acq.get(), 11, kCalcMath);  // C1 - B: a calculation channel as a source
        s->math[11] = stMathParams{kMathSubtract, 40, b, {}, 0};
    }
    BoxCapture boxes;
    Press();
    ASSERT_EQ(Running(), 1);
    RunToEnd(137);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    ASSERT_EQ(gs->chanCount[1], kFrames);

    // Slots 1-3 are the inputs; C1-C12 are in slots 40-51, as doubles.
    const std::vector<double> x0 = Values(1, kFrames), x1 = Values(2, kFrames), x2 = Values(3, kFrames);
    for (uint32_t i = 0; i < kFrames; ++i)
        ASSERT_EQ(x0[i], RawToValue(static_cast<int16_t>(SimCountingWord(i, 0)), gs->chanScale[1], gs->chanOffset[1]));
    std::vector<std::vector<double>> c(12);
    for (int j = 0; j < 12; ++j) {
        ASSERT_EQ(gs->chanBytes[40 + j], 8u) << "C" << j + 1;
        ASSERT_EQ(gs->chanCount[40 + j], kFrames) << "C" << j + 1;
        c[j] = Values(40 + j, kFrames);
    }
    const std::vector<double> filtered = LowPass(x0, 20.0, 0.707, 1.0);
    // The square wave's falls through 0: a peak's event is found where the signal falls, at the
    // peak's first sample.
    std::vector<uint32_t> falls;
    for (uint32_t i = 1; i < kFrames; ++i)
        if (x2[i - 1] >= 0 && x2[i] < 0) falls.push_back(i);
    ASSERT_GE(falls.size(), 3u);
    EXPECT_EQ(falls[1] - falls[0], 1000u) << "a 1 Hz square wave at 1 ms frames";

    int bad = 0;
    for (uint32_t i = 0; i < kFrames && bad < 8; ++i) {
        const int64_t n = std::min<int64_t>(4, i + 1);
        double mean4 = 0;
        for (int64_t k = 0; k < n; ++k) mean4 += x1[i - k];
        double window = 0;  // the samples before i while the window fills, then the last three
        for (int64_t k = i >= 3 ? i - 2 : 0; k < (i >= 3 ? int64_t(i) + 1 : int64_t(i)); ++k) window += x0[k];
        // -1 until the first event; that one is timed from the run's start, and the wave's first
        // peak is its first frame (no interval: 0).
        const double rate = i < falls[0] ? -1.0 : i < falls[1] ? 0.0 : 1.0;
        const double expected[12] = {
            x0[i] + x1[i],
            x0[i] - x0[i >= 3 ? i - 3 : 0],
            i >= 5 ? x1[i - 5] : 0.0,
            x1[i] * 2 + 1,
            mean4 / double(n),
            std::sqrt(std::fabs(x0[i])) - (x0[i] + x1[i]) / 4,
            filtered[i],
            rate,
            window * 0.001,
            x0[i] >= 0.5 && x0[i] <= 1.0 ? 5.0 : 0.0,
            x1[i] > 0 ? std::sqrt(x1[i]) : 0.0,
            x0[i],
        };
        for (int j = 0; j < 12; ++j) {
            if (std::isnan(expected[j])) continue;
            if (!(std::fabs(c[j][i] - expected[j]) <= 1e-9 * (1 + std::fabs(expected[j])))) {
                ADD_FAILURE() << "C" << j + 1 << " at frame " << i << " is " << c[j][i] << ", not " << expected[j];
                ++bad;
            }
        }
    }
    // The channels kept the labels of their records.
    AcqLock acq(g_app->hAcq);
    for (int j = 0; j < 12; ++j) {
        for (const stAcqChan& rec : acq->chans) {
            if (rec.group == kGroupCalc && rec.number == j) {
                EXPECT_EQ(strncmp(gs->chanLabel[40 + j], rec.label, sizeof rec.label), 0) << "C" << j + 1;
            }
        }
    }
}

// A repeating run keeps the newest frames in a ring while the evaluator and the other kinds read
// their sources back from it; stopped, the graph holds them oldest first. Each channel's values
// follow from the inputs kept beside them (the filter by its recursion over its own outputs).
TEST_F(CalcChannels, ARepeatingRunComputesOverItsRingAndKeepsTheNewestValues) {
    constexpr uint32_t kRing = 900;
    const int32_t fa = SetUpRun(static_cast<int32_t>(kRing));
    const int16_t a = static_cast<int16_t>(fa), b = static_cast<int16_t>(fa + 1);
    {
        AcqLock acq(g_app->hAcq);
        acq->repeatMode = kRepeatRing;
        stCalcSettings* s = Settings(acq.get());
        Use(acq.get(), 0, kCalcExpression);
        snprintf(s->expression[0], kExpressionBytes, "CH%d*2+1", b);
        Use(acq.get(), 1, kCalcDifference);
        s->difference[1] = stDifferenceParams{a, 0, 0, 3, 0};
        Use(acq.get(), 2, kCalcDelay);
        s->delay[2].source = b, s->delay[2].samples = 5, s->delay[2].unit = kDelayUnitSamples;
        Use(acq.get(), 3, kCalcFilter);
        s->filter[3].source = a, s->filter[3].type = kCalcFilterLowPass, s->filter[3].frequency = 20.0;
        s->filter[3].q = 0.707;
        Use(acq.get(), 4, kCalcExpression);  // C1 and C2 read back from their rings
        strcpy(s->expression[4], "CH40-CH41");
    }
    BoxCapture boxes;
    Press();
    ASSERT_EQ(Running(), 1);
    for (int i = 0; i < 40; ++i) Advance(97);  // several turns of the ring
    ASSERT_EQ(Running(), 1);
    Press();
    ASSERT_EQ(Running(), 0);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    ASSERT_EQ(gs->chanCount[1], kRing);
    const std::vector<double> x0 = Values(1, kRing), x1 = Values(2, kRing);
    std::vector<std::vector<double>> c(5);
    for (int j = 0; j < 5; ++j) {
        ASSERT_EQ(gs->chanCount[40 + j], kRing) << "C" << j + 1;
        c[j] = Values(40 + j, kRing);
    }
    // The kept frames are consecutive frames of the counting pattern, past the run's start.
    const uint32_t frame0 = static_cast<uint32_t>(x0[0] / gs->chanScale[1] + 0.5) & 0xFFF;
    ASSERT_GT(gs->hOffset, 0.0) << "the ring let frames go";
    const double k = std::tan(6.2831852 * 20.0 * 0.001 * 0.5), k2 = k * k, l = 1.0 / (k / 0.707 + k2 + 1.0);
    const double a1 = 2 * l * (1 - k2), a2 = -l * (k2 + 1 - k / 0.707), b0 = l * k2;
    int bad = 0;
    for (uint32_t i = 5; i < kRing && bad < 8; ++i) {
        ASSERT_EQ(x0[i], RawToValue(static_cast<int16_t>(SimCountingWord(frame0 + i, 0)), gs->chanScale[1],
                                    gs->chanOffset[1]));
        const double expected[5] = {
            x1[i] * 2 + 1,
            x0[i] - x0[i - 3],
            x1[i - 5],
            b0 * (x0[i] + 2 * x0[i - 1] + x0[i - 2]) + a1 * c[3][i - 1] + a2 * c[3][i - 2],
            c[0][i] - c[1][i],
        };
        for (int j = 0; j < 5; ++j) {
            if (!(std::fabs(c[j][i] - expected[j]) <= 1e-9 * (1 + std::fabs(expected[j])))) {
                ADD_FAILURE() << "C" << j + 1 << " at " << i << " is " << c[j][i] << ", not " << expected[j];
                ++bad;
            }
        }
    }
}

// C1 = constant - A turns negative part-way through; C2 = C1 ^ 0.5 is then not a number, which the
// evaluator refuses to read: C3's expression fails there and the run ends.
TEST_F(CalcChannels, AnExpressionErrorPartWayThroughEndsTheRunAndKeepsItsFrames) {
    const int32_t fa = SetUpRun(20000);
    double constant = 0;
    {
        AcqLock acq(g_app->hAcq);
        for (stAcqChan& ch : acq->chans) ch.flags &= ~2u;
        acq->chans[0].flags |= 2u;
        acq->chans[1].flags |= 2u;
        // About A's value at frame 1500 (the run may refine the conversion pair; the turn is found below).
        constant = RawToValue(static_cast<int16_t>(SimCountingWord(1500, 0)), acq->chanMultiplier[0],
                              acq->chanAddend[0]);
        stCalcSettings* s = Settings(acq.get());
        Use(acq.get(), 0, kCalcMath);
        s->math[0] = stMathParams{kMathSubtract, kMathConstant, fa, {}, constant};
        Use(acq.get(), 1, kCalcMath);
        s->math[1] = stMathParams{kMathPower, 40, kMathConstant, {}, 0.5};
        Use(acq.get(), 2, kCalcExpression);
        strcpy(s->expression[2], "CH41*2");  // C2
    }
    BoxCapture boxes;
    Press();
    ASSERT_EQ(Running(), 1);
    for (int i = 0; i < 40 && Running() == 1; ++i) Advance(97);
    ASSERT_EQ(Running(), 0) << "the run ended on the error, well before its length";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("An error occured on channel C3."), std::string::npos) << boxes.boxes[0].text;

    // The frames that came are kept, the inputs exactly, C3 computed up to the turn.
    const uint32_t frames = gs->chanCount[1];
    ASSERT_LT(frames, 20000u);
    ASSERT_EQ(gs->chanCount[42], frames);
    const std::vector<double> x0 = Values(1, frames);
    uint32_t turn = 0;  // the last frame at which A is not above the constant
    while (turn + 1 < frames && x0[turn + 1] <= constant) ++turn;
    ASSERT_GT(turn, 100u);
    ASSERT_LT(turn + 1, frames) << "the run went on past the turn";
    int bad = 0;
    for (uint32_t i = 0; i < frames && bad < 5; ++i) {
        const double want =
            RawToValue(static_cast<int16_t>(SimCountingWord(i, 0)), gs->chanScale[1], gs->chanOffset[1]);
        if (x0[i] != want) {
            ADD_FAILURE() << "input at frame " << i << " is " << x0[i] << ", not " << want;
            ++bad;
        }
    }
    const auto* c3 = static_cast<const double*>(gs->chanBlock[42]);
    ASSERT_TRUE(c3);
    for (uint32_t i = 0; i <= turn && bad < 5; ++i) {
        const double want = 2 * std::sqrt(constant - x0[i]);
        if (std::fabs(c3[i] - want) > 1e-9 * (1 + want)) {
            ADD_FAILURE() << "C3 at " << i << " is " << c3[i] << ", not " << want;
            ++bad;
        }
    }
    EXPECT_EQ(c3[turn + 1], 0.0) << "no value where the expression failed";
}

// C1 = SQRT(constant - A) through the program's evaluator: once A passes the constant the root is
// of a negative number, which is 0, not an error; the run goes on to its end.
TEST_F(CalcChannels, AnExpressionOfNoNumberGivesZeroAndTheRunGoesOn) {
    constexpr uint32_t kFrames = 3000;
    const int32_t fa = SetUpRun(static_cast<int32_t>(kFrames));
    double constant = 0;
    {
        AcqLock acq(g_app->hAcq);
        // Written without an exponent (the language has no small "e"), and read back as written.
        char number[64];
        snprintf(number, sizeof number, "%.17f",
                 RawToValue(static_cast<int16_t>(SimCountingWord(1500, 0)), acq->chanMultiplier[0],
                            acq->chanAddend[0]));
        constant = strtod(number, nullptr);
        stCalcSettings* s = Settings(acq.get());
        Use(acq.get(), 0, kCalcExpression);
        snprintf(s->expression[0], kExpressionBytes, "SQRT(%s-CH%d)", number, fa);
    }
    BoxCapture boxes;
    Press();
    ASSERT_EQ(Running(), 1);
    RunToEnd(137);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    ASSERT_EQ(gs->chanCount[1], kFrames) << "the run kept going past the turn";
    ASSERT_EQ(gs->chanCount[40], kFrames);
    const std::vector<double> x0 = Values(1, kFrames), c1 = Values(40, kFrames);
    uint32_t negative = 0;
    int bad = 0;
    for (uint32_t i = 0; i < kFrames && bad < 5; ++i) {
        const double d = constant - x0[i];
        const double want = d >= 0 ? std::sqrt(d) : 0.0;
        negative += d < 0;
        if (!(std::fabs(c1[i] - want) <= 1e-9 * (1 + want))) {
            ADD_FAILURE() << "C1 at " << i << " is " << c1[i] << ", not " << want;
            ++bad;
        }
    }
    EXPECT_GT(negative, 1000u) << "the source went past the constant";
}

}  // namespace
