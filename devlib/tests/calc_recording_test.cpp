// Calculation channels in recordings from the simulated unit: every kind lands its values, sample
// for sample, in its channel's block of doubles for a memory run and a ring run; the check before
// the run asks about a channel that cannot compute; an expression error ends the run naming its
// channel; the preparation refuses filters and delays that cannot run; the source lists.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <map>
#include <memory>
#include <new>
#include <set>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/calc/calc_compute.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {


// Host slot 7 as the program answers it: memory blocks by index, a recording's ring by its window.
int32_t WINAPI TestGetSample(tagGS* gs, int32_t index, int32_t slot, double* out) {
    if (slot < 0 || slot >= kMaxChannels || !gs->chanBlock[slot] || index < 0) return 0;
    int64_t pos = index;
    if (gs->storageKind == kStoreMemory) {
        if (uint32_t(index) >= gs->chanCount[slot]) return 0;
    } else {
        if (index < gs->winFirst || int64_t(index) >= int64_t(gs->winFirst) + gs->winLen) return 0;
        pos = int64_t(gs->winRingBase) + index - gs->winFirst;
        if (pos >= gs->winLen) pos -= gs->winLen;
    }
    if (gs->chanType[slot] == 1)
        *out = static_cast<const double*>(gs->chanBlock[slot])[pos];
    else
        *out = static_cast<const int16_t*>(gs->chanBlock[slot])[pos] * gs->chanScale[slot] + gs->chanOffset[slot];
    return 1;
}

// Host slot 18, a small evaluator of "CH<n>*<k>" (trailing spaces allowed) that reads "CH<n>" as
// the graph's slot n, as the program's evaluator does; anything else is an error (status 0).
// Every text it was given is kept.
std::set<std::string> g_evaluated;
int32_t WINAPI TestEvaluate(tagGS* gs, int32_t index, const char* text, double* out) {
    g_evaluated.insert(text);
    int32_t slot = 0, used = 0;
    double k = 0, v = 0;
    if (sscanf(text, "CH%d*%lf%n", &slot, &k, &used) != 2 || text[used + strspn(text + used, " ")] != '\0') return 0;
    if (!TestGetSample(gs, index, slot, &v)) return 0;
    *out = v * k;
    return -1;
}

// An analog input's value at a frame of the counting pattern: the raw word in the input's units,
// by the conversion pair the run gave the graph.
double g_scale[2] = {1, 1}, g_offset[2] = {0, 0};
double Counting(uint32_t frame, int32_t input) {
    return static_cast<int16_t>(SimCountingWord(frame, uint32_t(input))) * g_scale[input] + g_offset[input];
}

class CalcRecording : public SimulatedRunTest {
protected:
    CalcRecording() : SimulatedRunTest("CalcRecording") {}

    void AdjustHost(stHostCallbacks& h) override {
        h.getChannelSample = TestGetSample;
        h.evaluateExpressionAt = TestEvaluate;
    }

    stAcq* RunIntoAnExpressionError();

    // The library over a simulated model-40 USB unit, a graph attached, CH1 and CH2 recorded.
    stAcq* Start() {
        stAcq* acq = SimulatedRunTest::Start("VKUSB");
        for (stAcqChan& c : acq->chans) c.flags &= ~2u;
        acq->chans[0].flags |= 2u;
        acq->chans[1].flags |= 2u;
        acq->samplePeriodMs = 1.0;
        acq->storageKind = kStorageMemory;
        acq->dataMode = kDataOverwrite;
        acq->unitMode = 0;
        return acq;
    }

    // Calculation channel c (0-11) computes the given kind.
    static void Use(stAcq* acq, int32_t c, int16_t kind) {
        CalcSettings(acq)->kind[c] = kind;
        for (stAcqChan& rec : acq->chans)
            if (rec.group == kGroupCalc && rec.number == c) rec.flags |= 2u;
    }

    // The graph slot of a channel the run records: its own number (analog 1-4, calculation
    // 40 + j); -1 when the run does not record it.
    static int32_t Slot(const stAcq* acq, int32_t number) {
        for (int32_t i = 0; i < acq->run.analogCount + acq->run.digitalCount + acq->run.calcCount; ++i)
            if (acq->run.chanOrder[i] == number) return number;
        return -1;
    }

    const double* Block(const stAcq* acq, int32_t number) {
        const int32_t s = Slot(acq, number);
        EXPECT_GE(s, 0) << number;
        return s >= 0 ? static_cast<const double*>(gs->chanBlock[s]) : nullptr;
    }

    // Twelve channels of nine kinds; the closed forms are checked by CheckClosedForms.
    static void UseEveryKind(stAcq* acq) {
        stCalcSettings* s = CalcSettings(acq);
        Use(acq, 0, kCalcMath);  // CH1 + CH2
        s->math[0] = stMathParams{kMathAdd, 1, 2, {}, 0};
        Use(acq, 1, kCalcDifference);  // CH1 over 3 samples
        s->difference[1].source = 1, s->difference[1].interval = 3;
        Use(acq, 2, kCalcDelay);  // CH2, 5 samples late
        s->delay[2].source = 2, s->delay[2].samples = 5, s->delay[2].unit = kDelayUnitSamples;
        Use(acq, 3, kCalcExpression);
        strcpy(s->expression[3], "CH1*2");
        Use(acq, 4, kCalcSmoothing);  // mean of 4 of CH2
        s->smoothing[4].source = 2, s->smoothing[4].factor = 4;
        Use(acq, 5, kCalcMath);  // C1 - CH2, a calculation channel as a source
        s->math[5] = stMathParams{kMathSubtract, 40, 2, {}, 0};
        Use(acq, 6, kCalcFilter);
        s->filter[6].source = 1, s->filter[6].frequency = 20.0;
        Use(acq, 7, kCalcRate);
        s->rate[7].source = 1, s->rate[7].output = 2;
        Use(acq, 8, kCalcIntegrate);
        s->integrate[8].averaging = 1, s->integrate[8].samples = 3, s->integrate[8].options = 0;
        Use(acq, 9, kCalcControl);
        s->control[9].source = 1, s->control[9].function = 1, s->control[9].level1 = 0.5, s->control[9].level2 = 1.0;
        Use(acq, 10, kCalcFunction);
        s->function[10].function = kFuncSqrt, s->function[10].source = 2;
        Use(acq, 11, kCalcExpression);
        strcpy(s->expression[11], "CH46*0.5");  // half of C7, the filter
    }

    // CH1's and CH2's conversion pairs, as the run gave them to the graph.
    void TakeScales(const stAcq* acq) {
        for (int input = 0; input < 2; ++input) {
            const int32_t s = Slot(acq, input + 1);
            ASSERT_GE(s, 0);
            g_scale[input] = gs->chanScale[s];
            g_offset[input] = gs->chanOffset[s];
        }
    }

    // Each channel's value at sample i from the counting pattern, worked out here.
    void CheckClosedForms(const stAcq* acq, uint32_t first, uint32_t count) {
        TakeScales(acq);
        auto x1 = [](int64_t i) { return Counting(uint32_t(i), 0); };
        auto x2 = [](int64_t i) { return Counting(uint32_t(i), 1); };
        const double* c[12];
        for (int32_t j = 0; j < 12; ++j) ASSERT_NE(c[j] = Block(acq, 40 + j), nullptr) << j;
        int bad = 0;
        for (uint32_t k = 0; k < count && bad < 5; ++k) {
            const int64_t i = int64_t(first) + k;
            double mean4 = 0;
            const int64_t n = std::min<int64_t>(4, i + 1);
            for (int64_t r = 0; r < n; ++r) mean4 += x2(i - r);
            mean4 /= double(n);
            // The averaging window: the samples before i while it fills, then the last three.
            double window = 0;
            for (int64_t r = i >= 3 ? i - 2 : 0; r < (i >= 3 ? i + 1 : i); ++r) window += x1(r);
            const double expected[] = {
                x1(i) + x2(i),
                x1(i) - x1(std::max<int64_t>(0, i - 3)),
                i >= 5 ? x2(i - 5) : 0.0,
                2 * x1(i),
                mean4,
                x1(i),
                NAN,  // the filter: checked against one long block
                NAN,  // the rate shows its input: checked against one long block
                window * 0.001,
                x1(i) >= 0.5 && x1(i) <= 1.0 ? 5.0 : 0.0,
                x2(i) > 0 ? std::sqrt(x2(i)) : 0.0,
                NAN,
            };
            for (int32_t j = 0; j < 12; ++j) {
                if (std::isnan(expected[j])) continue;
                if (std::fabs(c[j][k] - expected[j]) > 1e-9) {
                    ADD_FAILURE() << "C" << j + 1 << " at sample " << i << " is " << c[j][k] << ", not " << expected[j];
                    ++bad;
                }
            }
        }
    }

    // The filter and the rate against their computation over the whole recording in one block.
    void CheckAgainstOneBlock(const stAcq* acq, uint32_t first, uint32_t count) {
        const uint32_t total = first + count;
        std::vector<double> x(total);
        for (uint32_t i = 0; i < total; ++i) x[i] = Counting(i, 0);
        stCalcSettings* settings = CalcSettings(const_cast<stAcq*>(acq));
        stFilterParams filter = settings->filter[6];
        const char* why = nullptr;
        ASSERT_EQ(DesignFilter(&filter, 1.0, 60.0, &why), 1);
        stRateParams rate = settings->rate[7];
        ASSERT_EQ(PrepareRateState(&rate, 1.0), 1);
        std::vector<double> ring(size_t(CalcRateBufferDoubles(rate)));
        std::vector<double> filtered(total), rated(total);
        struct Source {
            const std::vector<double>* x;
        } src{&x};
        auto read = [](void* context, int32_t index, int32_t id, double* out) -> int32_t {
            const auto* s = static_cast<const Source*>(context);
            if (id != 1 || index < 0 || size_t(index) >= s->x->size()) return 0;
            *out = (*s->x)[size_t(index)];
            return 1;
        };
        stCalcBlock b;
        b.read = read, b.context = &src, b.first = 0, b.count = int32_t(total);
        b.out = filtered.data();
        ASSERT_EQ(CalcFilter(&filter, &b), 1);
        b.out = rated.data(), b.written = 0;
        ASSERT_EQ(CalcRate(&rate, ring.data(), &b), 1);
        const double* c7 = Block(acq, 46);
        const double* c8 = Block(acq, 47);
        const double* c12 = Block(acq, 51);
        ASSERT_TRUE(c7 && c8 && c12);
        for (uint32_t k = 0; k < count; ++k) {
            ASSERT_NEAR(c7[k], filtered[first + k], 1e-9) << first + k;
            ASSERT_NEAR(c8[k], rated[first + k], 1e-12) << first + k;
            ASSERT_NEAR(c12[k], 0.5 * filtered[first + k], 1e-9) << first + k;
        }
    }

};

TEST_F(CalcRecording, AMemoryRunLandsEveryCalculationChannelsValuesAsDoubles) {
    stAcq* acq = Start();
    UseEveryKind(acq);
    acq->acqLength = 3001;
    acq->repeatMode = kRepeatOnce;
    for (uint32_t stepMs : {97u, 1300u}) {
        SCOPED_TRACE(stepMs);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        ASSERT_EQ(acq->run.calcCount, 12);
        Run(acq, stepMs);
        ASSERT_EQ(acq->run.running, 0);
        for (int32_t j = 0; j < 12; ++j) {
            const int32_t s = Slot(acq, 40 + j);
            ASSERT_GE(s, 0);
            EXPECT_EQ(gs->chanBytes[s], 8);
            EXPECT_EQ(gs->chanCount[s], 3001u);
        }
        CheckClosedForms(acq, 0, 3001);
        CheckAgainstOneBlock(acq, 0, 3001);
        EXPECT_TRUE(boxes->boxes.empty());
        for (HGLOBAL h : acq->calcBuffers) EXPECT_EQ(h, nullptr);  // released at the end
    }
}

// CH1, CH3, two digital and two calculation channels, from the counting pattern: in a memory, a
// ring and a unit-memory run (whose frames name the channels in another order) each lands in the
// slot of its number, and nowhere else, with its own samples.
TEST_F(CalcRecording, EveryChannelLandsInTheSlotOfItsNumberInEveryRunKind) {
    struct Kind {
        const char* name;
        int32_t storage;
        int16_t repeat;
        double periodMs;
        int32_t length;
    } kinds[] = {
        {"memory", kStorageMemory, kRepeatOnce, 1.0, 600},
        {"ring", kStorageMemory, kRepeatRing, 1.0, 300},
        {"unit memory", kStorageUnitMemory, kRepeatOnce, kUnitMemoryPeriodMs, 1500},
    };
    stAcq* acq = Start();
    for (const Kind& kind : kinds) {
        SCOPED_TRACE(kind.name);
        Enable(acq, {0, 2}, {0, 2});
        Use(acq, 0, kCalcMath);  // C1 = CH1 + CH3
        CalcSettings(acq)->math[0] = stMathParams{kMathAdd, 1, 3, {}, 0};
        Use(acq, 1, kCalcExpression);
        strcpy(CalcSettings(acq)->expression[1], "CH3*2");
        SetUpRun(acq, kind.storage, kind.periodMs, kind.length, kDataOverwrite, kind.repeat);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        if (kind.repeat == kRepeatRing) {
            for (int i = 0; i < 10; ++i) {
                AdvanceClock(100);
                CheckAcquisitionStatus(acq);
            }
            g_runLayer.scriptStopRequest = 1;
            CheckAcquisitionStatus(acq);
        } else {
            Run(acq, 97);
        }
        ASSERT_EQ(acq->run.running, 0);
        EXPECT_TRUE(boxes->boxes.empty());
        // A ring keeps the last frames of those it read; the others hold the run from its start.
        const uint32_t count = uint32_t(kind.length);
        const uint32_t recorded = kind.repeat == kRepeatRing ? acq->run.readPosition / uint32_t(acq->run.frameSize) : count;
        ASSERT_GE(recorded, count);
        const uint32_t first = recorded - count;

        std::vector<int> inUse;
        for (int s = 0; s < kMaxChannels; ++s)
            if (ChannelInUse(gs.get(), s)) inUse.push_back(s);
        ASSERT_EQ(inUse, (std::vector<int>{1, 3, 20, 22, 40, 41}));
        for (int s : inUse) {
            SCOPED_TRACE("slot " + std::to_string(s));
            EXPECT_EQ(gs->chanNumber[s], s);
            ASSERT_EQ(gs->chanCount[s], count);
            ASSERT_NE(gs->chanBlock[s], nullptr);
        }
        EXPECT_STREQ(gs->chanLabel[40], acq->chans[4].label);  // C1's own record
        auto raw = [&](int s, uint32_t k) { return static_cast<const int16_t*>(gs->chanBlock[s])[k]; };
        auto units = [&](int s, uint32_t k) { return raw(s, k) * gs->chanScale[s] + gs->chanOffset[s]; };
        const auto* c1 = static_cast<const double*>(gs->chanBlock[40]);
        const auto* c2 = static_cast<const double*>(gs->chanBlock[41]);
        int bad = 0;
        for (uint32_t k = 0; k < count && bad < 5; ++k) {
            const uint32_t f = first + k;
            const uint16_t digital = SimCountingWord(f, 4);
            const bool ok =
                uint16_t(raw(1, k)) == SimCountingWord(f, 0) && uint16_t(raw(3, k)) == SimCountingWord(f, 2) &&
                uint16_t(raw(20, k)) == (digital & 1 ? kDigitalHigh : 0) &&
                uint16_t(raw(22, k)) == (digital & 4 ? kDigitalHigh : 0) &&
                std::fabs(c1[k] - (units(1, k) + units(3, k))) < 1e-9 && std::fabs(c2[k] - 2 * units(3, k)) < 1e-9;
            if (!ok) {
                ADD_FAILURE() << "frame " << f << ": CH1 " << raw(1, k) << ", CH3 " << raw(3, k) << ", D1 "
                              << raw(20, k) << ", D3 " << raw(22, k) << ", C1 " << c1[k] << ", C2 " << c2[k];
                ++bad;
            }
        }
    }
}

TEST_F(CalcRecording, ARingRunKeepsTheLastValuesOfEachCalculationChannelOldestFirst) {
    stAcq* acq = Start();
    UseEveryKind(acq);
    acq->acqLength = 700;
    acq->repeatMode = kRepeatRing;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    for (int i = 0; i < 25; ++i) {
        AdvanceClock(100);
        CheckAcquisitionStatus(acq);
    }
    ASSERT_EQ(acq->run.running, 1);
    g_runLayer.scriptStopRequest = 1;
    CheckAcquisitionStatus(acq);
    ASSERT_EQ(acq->run.running, 0);
    const uint32_t recorded = acq->run.readPosition / uint32_t(acq->run.frameSize);
    ASSERT_GT(recorded, 2400u);
    CheckClosedForms(acq, recorded - 700, 700);
    CheckAgainstOneBlock(acq, recorded - 700, 700);
}

// C5's expression is one the evaluator refuses; the run is started and polled until it ends.
stAcq* CalcRecording::RunIntoAnExpressionError() {
    stAcq* acq = Start();
    Use(acq, 0, kCalcMath);
    CalcSettings(acq)->math[0] = stMathParams{kMathAdd, 1, 2, {}, 0};
    Use(acq, 4, kCalcExpression);
    strcpy(CalcSettings(acq)->expression[4], "CH1+");  // the evaluator refuses it
    acq->acqLength = 5000;
    acq->repeatMode = kRepeatOnce;
    EXPECT_EQ(StartAcquisition(acq, 0), 1);
    EXPECT_NE(Block(acq, 44), nullptr);
    AdvanceClock(50);
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.running, 0);
    return acq;
}

TEST_F(CalcRecording, AnExpressionErrorEndsTheRunNamingItsChannel) {
    stAcq* acq = RunIntoAnExpressionError();
    ASSERT_EQ(boxes->boxes.size(), 1u);
    EXPECT_NE(boxes->boxes[0].text.find("An error occured on channel C5."), std::string::npos) << boxes->boxes[0].text;
    EXPECT_NE(boxes->boxes[0].text.find("Check the syntax of the expression."), std::string::npos);
    EXPECT_EQ(acq->calcFailedChannel, 0);
    // The other channel computed its block; the failing one wrote no value it did not have.
    ASSERT_GT(gs->chanCount[1], 0u);
    const double* c1 = Block(acq, 40);
    ASSERT_NE(c1, nullptr);
    TakeScales(acq);
    EXPECT_DOUBLE_EQ(c1[10], Counting(10, 0) + Counting(10, 1));
    const double* failed = Block(acq, 44);
    for (uint32_t i = 0; i < gs->chanCount[1]; ++i) ASSERT_EQ(failed[i], 0.0) << i;
}

// A lesson's own wording of the message is shown as it stands: conversions it has beyond the
// channel's number stay plain text and read nothing.
TEST_F(CalcRecording, ALessonsWordingOfTheErrorIsShownAsItStands) {
    CReplacedText wording(kCalcErrorKey, "%s%s%s%n C%ld failed");
    ASSERT_TRUE(wording.replaced);
    RunIntoAnExpressionError();
    ASSERT_EQ(boxes->boxes.size(), 1u);
    EXPECT_EQ(boxes->boxes[0].text, "%s%s%s%n C5 failed");
}

// The evaluator reads "CH<n>" as graph slot n, and every channel sits in the slot of its
// identifier: the expression goes to it as the user wrote it.
TEST_F(CalcRecording, AnExpressionReachesTheEvaluatorAsWrittenAndReadsTheChannelsOwnSlots) {
    stAcq* acq = Start();
    Use(acq, 0, kCalcMath);  // C1 = CH1 + CH2
    CalcSettings(acq)->math[0] = stMathParams{kMathAdd, 1, 2, {}, 0};
    Use(acq, 2, kCalcExpression);
    strcpy(CalcSettings(acq)->expression[2], "CH40*3");
    Use(acq, 3, kCalcExpression);
    strcpy(CalcSettings(acq)->expression[3], "CH2*2");
    acq->acqLength = 400;
    acq->repeatMode = kRepeatOnce;
    g_evaluated.clear();
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 100);
    ASSERT_EQ(acq->run.running, 0);
    EXPECT_TRUE(boxes->boxes.empty());
    EXPECT_EQ(g_evaluated, (std::set<std::string>{"CH40*3", "CH2*2"}));
    TakeScales(acq);
    const double* c3 = static_cast<const double*>(gs->chanBlock[42]);
    const double* c4 = static_cast<const double*>(gs->chanBlock[43]);
    ASSERT_TRUE(c3 && c4);
    ASSERT_EQ(gs->chanCount[42], 400u);
    ASSERT_EQ(gs->chanCount[43], 400u);
    for (uint32_t i : {0u, 1u, 250u, 399u}) {
        EXPECT_DOUBLE_EQ(c3[i], 3 * (Counting(i, 0) + Counting(i, 1))) << i;
        EXPECT_DOUBLE_EQ(c4[i], 2 * Counting(i, 1)) << i;
    }
}

TEST_F(CalcRecording, TheExpressionTextIsReadWithinItsTwoHundredBytes) {
    stAcq* acq = Start();
    Use(acq, 0, kCalcExpression);
    // 200 bytes without a terminator: "CH1*2" then spaces; the bytes after it are the next channel's.
    char* text = CalcSettings(acq)->expression[0];
    memset(text, ' ', kExpressionBytes);
    memcpy(text, "CH1*2", 5);
    memset(CalcSettings(acq)->expression[1], 'X', kExpressionBytes);
    acq->acqLength = 300;
    acq->repeatMode = kRepeatOnce;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 100);
    ASSERT_EQ(acq->run.running, 0);
    EXPECT_TRUE(boxes->boxes.empty());
    const double* c1 = Block(acq, 40);
    ASSERT_NE(c1, nullptr);
    TakeScales(acq);
    EXPECT_DOUBLE_EQ(c1[299], 2 * Counting(299, 0));
}

TEST_F(CalcRecording, AChannelThatCannotComputeIsDisabledOrTheStartAbandoned) {
    struct Case {
        const char* name;
        void (*setUp)(stAcq*);
        int answer;  // the button pressed
        int32_t started;
    } cases[] = {
        {"kind 0, disable", [](stAcq* a) { Use(a, 2, kCalcNone); }, IDOK, 1},
        {"kind 0, abort", [](stAcq* a) { Use(a, 2, kCalcNone); }, IDCANCEL, 0},
        {"disabled source", [](stAcq* a) {
             Use(a, 2, kCalcDifference);
             CalcSettings(a)->difference[2].source = 3;  // CH3 is off
         }, IDOK, 1},
        {"empty expression", [](stAcq* a) {
             Use(a, 2, kCalcExpression);
             CalcSettings(a)->expression[2][0] = '\0';
         }, IDCANCEL, 0},
    };
    stAcq* acq = Start();
    acq->acqLength = 200;
    acq->repeatMode = kRepeatOnce;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (stAcqChan& rec : acq->chans)
            if (rec.group == kGroupCalc) rec.flags = 0;
        c.setUp(acq);
        std::vector<std::string> headings;
        int32_t started = -1;
        WithDialogs(
            [&](HWND dlg) {
                headings.push_back(WindowText(dlg) + "|" + ItemText(dlg, IDC_CALC_WARNING_HEADING));
                SendClick(dlg, c.answer);
            },
            [&] { started = StartAcquisition(acq, 0); });
        ASSERT_EQ(headings.size(), 1u);
        EXPECT_EQ(headings[0], "Calculation Warning|C3, Calculation");
        EXPECT_EQ(started, c.started);
        const stAcqChan& c3 = acq->chans[4 + 2];
        ASSERT_EQ(c3.group, 2);
        if (c.answer == IDOK) {
            EXPECT_EQ(c3.flags & 0xF, 0u);  // off, and left out of the run
            EXPECT_EQ(acq->run.calcCount, 0);
        }
        if (started) Run(acq, 100);
    }
}

TEST_F(CalcRecording, MathOnTwoConstantsNeedsNoSourceAndComputesTheConstant) {
    stAcq* acq = Start();
    Use(acq, 0, kCalcMath);
    CalcSettings(acq)->math[0] = stMathParams{kMathMultiply, kMathConstant, kMathConstant, {}, 3.0};
    acq->acqLength = 100;
    acq->repeatMode = kRepeatOnce;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 100);
    const double* c1 = Block(acq, 40);
    ASSERT_NE(c1, nullptr);
    for (int i = 0; i < 100; ++i) ASSERT_EQ(c1[i], 9.0);
}

TEST_F(CalcRecording, FiltersAndDelaysThatCannotRunRefuseTheStartWithTheirMessage) {
    struct Case {
        const char* name;
        void (*setUp)(stAcq*);
        const char* text;
    } cases[] = {
        {"filter at half the sample rate", [](stAcq* a) {
             Use(a, 0, kCalcFilter);
             CalcSettings(a)->filter[0].frequency = 500.0;
         }, "below half the sample rate"},
        {"band pass high frequency above it", [](stAcq* a) {
             Use(a, 0, kCalcFilter);
             CalcSettings(a)->filter[0].type = kCalcFilterLowHigh;
             CalcSettings(a)->filter[0].highFrequency = 700.0;
         }, "below half the sample rate"},
        {"delay longer than the run", [](stAcq* a) {
             Use(a, 0, kCalcDelay);
             CalcSettings(a)->delay[0].samples = 201;
         }, "Delay is longer than acquisition length."},
    };
    stAcq* acq = Start();
    boxes.reset();  // task-modal boxes are read once shown, not as they activate
    acq->acqLength = 200;
    acq->repeatMode = kRepeatOnce;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ResetCalcSettings(CalcSettings(acq), 1);
        for (stAcqChan& rec : acq->chans)
            if (rec.group == kGroupCalc) rec.flags = 0;
        c.setUp(acq);
        std::vector<std::string> texts;
        int32_t started = -1;
        WithDialogs(
            [&](HWND box) {
                texts.push_back(MessageBoxText(box));
                SendClick(box, IDOK);
            },
            [&] { started = StartAcquisition(acq, 0); });
        EXPECT_EQ(started, 0);
        EXPECT_EQ(acq->run.running, 0);
        ASSERT_EQ(texts.size(), 1u);
        EXPECT_NE(texts[0].find(c.text), std::string::npos) << texts[0];
        for (HGLOBAL h : acq->calcBuffers) EXPECT_EQ(h, nullptr);
    }
}

TEST_F(CalcRecording, SourceListsOfferEnabledChannelsAndOnlyLowerCalculationChannels) {
    stAcq* acq = Start();
    for (int32_t c : {0, 1, 2, 5}) Use(acq, c, kCalcMath);
    HWND combo = CreateWindowA("COMBOBOX", "", CBS_DROPDOWNLIST | WS_CHILD, 0, 0, 200, 200, frame, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("Constant"));
    FillSourceChannelList(acq, 41, 2, combo, 1);
    std::vector<std::string> rows;
    for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
        char row[128] = "";
        SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(row));
        rows.push_back(row);
    }
    const std::string l0 = acq->chans[0].label, l1 = acq->chans[1].label;
    EXPECT_EQ(rows, (std::vector<std::string>{"Constant", "CH1, " + l0, "CH2, " + l1, "C1, Calculation",
                                              "C2, Calculation"}));
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 4);  // identifier 41 is C2
    EXPECT_EQ(GetSelectedSourceChannel(acq, combo, 2, 1), 41);
    const struct {
        int row;
        int32_t id;
    } picks[] = {{0, -1}, {1, 1}, {2, 2}, {3, 40}};
    for (const auto& p : picks) {
        SendMessageA(combo, CB_SETCURSEL, WPARAM(p.row), 0);
        EXPECT_EQ(GetSelectedSourceChannel(acq, combo, 2, 1), p.id) << p.row;
    }
    const struct {
        int32_t id, enabled;
    } sources[] = {{-1, 1}, {1, 1}, {2, 1}, {3, 0}, {40, 1}, {43, 0}, {45, 1}, {20, 0}};
    for (const auto& s : sources) EXPECT_EQ(IsSourceChannelEnabled(acq, s.id), s.enabled) << s.id;
    EXPECT_STREQ(CalcKindName(kCalcFilter), "Filter");
    EXPECT_STREQ(CalcKindName(kCalcControl), "Custom setting");
    EXPECT_EQ(CalcKindName(kCalcNone), nullptr);
    DestroyWindow(combo);
}

// Choosing a kind names the channel after it: the label "C<n> - <kind>" and the kind's name as the
// preset name, which the source lists and, after a run, the graph's channel names show.
TEST_F(CalcRecording, AChosenKindNamesTheChannelInTheListsAndTheGraph) {
    stAcq* acq = Start();
    strcpy(acq->chans[0].units, "Volts");
    stCalcSettings* s = CalcSettings(acq);
    s->filter[6].frequency = 7.0, s->filter[6].source = 2;  // replaced by the kind's defaults
    strcpy(s->expression[7], "CH1*2");
    const struct {
        int32_t channel;
        int16_t kind;
        const char *label, *presetName;
    } cases[] = {
        {0, kCalcIntegrate, "C1 - Integrate", "Integrate"},
        {1, kCalcSmoothing, "C2 - Smoothing", "Smoothing"},
        {2, kCalcDifference, "C3 - Difference", "Difference"},
        {3, kCalcRate, "C4 - Rate", "Rate"},
        {4, kCalcMath, "C5 - Math", "Math"},
        {5, kCalcFunction, "C6 - Function", "Function"},
        {6, kCalcFilter, "C7 - Filter", "Filter"},
        {7, kCalcExpression, "C8 - Expression", "Expression"},
        {8, kCalcDelay, "C9 - Delay", "Delay"},
        {9, kCalcControl, "C10 - Custom setting", "Custom setting"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.label);
        ASSERT_EQ(SetCalcChannelKind(acq, c.channel, c.kind), 1);
        EXPECT_EQ(s->kind[c.channel], c.kind);
        const stAcqChan& rec = acq->chans[kAnalogChannels + std::max(NDChan, 0) + c.channel];
        ASSERT_EQ(rec.group, 2);
        ASSERT_EQ(rec.number, c.channel);
        EXPECT_EQ(std::string(rec.label, strnlen(rec.label, sizeof(rec.label))), c.label);
        EXPECT_STREQ(rec.presetName, c.presetName);
    }
    EXPECT_EQ(s->filter[6].frequency, 50.0);
    EXPECT_EQ(s->filter[6].source, 1);
    EXPECT_EQ(s->expression[7][0], '\0') << "a new Expression channel starts without a text";
    EXPECT_STREQ(acq->chans[kAnalogChannels + std::max(NDChan, 0) + 6].units, "Volts") << "Filter takes CH1's units";
    for (const auto& bad : {std::pair<int32_t, int32_t>{12, kCalcMath}, {-1, kCalcMath}, {0, kCalcNone}, {0, 11}})
        EXPECT_EQ(SetCalcChannelKind(acq, bad.first, bad.second), 0) << bad.first << " " << bad.second;

    // The list of C12's sources names every lower calculation channel by its label.
    for (int32_t c = 0; c < 10; ++c) Use(acq, c, s->kind[c]);
    HWND combo = CreateWindowA("COMBOBOX", "", CBS_DROPDOWNLIST | WS_CHILD, 0, 0, 200, 200, frame, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(combo, nullptr);
    FillSourceChannelList(acq, -1, 11, combo, 0);
    std::vector<std::string> rows;
    for (int i = 0; i < SendMessageA(combo, CB_GETCOUNT, 0, 0); ++i) {
        char row[128] = "";
        SendMessageA(combo, CB_GETLBTEXT, WPARAM(i), reinterpret_cast<LPARAM>(row));
        rows.push_back(row);
    }
    DestroyWindow(combo);
    ASSERT_EQ(rows.size(), 12u);
    EXPECT_EQ(rows[2], "C1, C1 - Integrate");
    EXPECT_EQ(rows[8], "C7, C7 - Filter");
    EXPECT_EQ(rows[11], "C10, C10 - Custom setting");

    // A run of two of them: the graph's channels carry the labels and Filter's units.
    for (stAcqChan& rec : acq->chans)
        if (rec.group == kGroupCalc) rec.flags &= ~2u;
    for (int16_t& kind : s->kind) kind = 0;
    ASSERT_EQ(SetCalcChannelKind(acq, 0, kCalcMath), 1);
    ASSERT_EQ(SetCalcChannelKind(acq, 1, kCalcFilter), 1);
    Use(acq, 0, kCalcMath);
    Use(acq, 1, kCalcFilter);
    acq->acqLength = 200;
    acq->repeatMode = kRepeatOnce;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 50);
    ASSERT_EQ(acq->run.running, 0);
    ASSERT_EQ(gs->chanCount[40], 200u);
    EXPECT_STREQ(gs->chanLabel[Slot(acq, 40)], "C1 - Math");
    EXPECT_STREQ(gs->chanLabel[Slot(acq, 41)], "C2 - Filter");
    EXPECT_STREQ(gs->chanUnits[Slot(acq, 41)], "Volts");
}

TEST_F(CalcRecording, APresetBlockNamesItsSourceChannelsByTheirRecords) {
    stAcq* acq = Start();
    strcpy(acq->chans[1].presetName, "Pulse transducer");
    strcpy(acq->chans[4].presetName, "C1 - Sum");
    stCalcSettings* s = CalcSettings(acq);
    s->integrate[3].source = 2, s->integrate[3].control = 40;
    s->math[3] = stMathParams{kMathMultiply, 2, kMathConstant, {}, 4.0};
    s->delay[3].source = 1, s->delay[3].samples = 12;
    strcpy(s->expression[3], "CH2*3");
    const struct {
        int16_t kind;
        int32_t firstGroup, firstNumber;
        const char* firstName;
        int32_t secondGroup, secondNumber;
        const char* secondName;
    } cases[] = {
        {kCalcIntegrate, 0, 1, "Pulse transducer", 2, 0, "C1 - Sum"},
        {kCalcMath, 0, 1, "Pulse transducer", -1, -1, ""},  // the constant names no channel
        {kCalcDelay, 0, 0, acq->chans[0].presetName, -1, -1, ""},
        {kCalcExpression, -1, -1, "", -1, -1, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        uint8_t block[472];
        memset(block, 0xAA, sizeof(block));
        ASSERT_EQ(MakeCalcPresetBlock(acq, *s, 3, c.kind, block), 1);
        EXPECT_EQ(int16_t(GetLeU16(block + 208)), c.firstGroup);
        EXPECT_EQ(int16_t(GetLeU16(block + 210)), c.firstNumber);
        EXPECT_STREQ(reinterpret_cast<const char*>(block + 212), c.firstName);
        EXPECT_EQ(int16_t(GetLeU16(block + 340)), c.secondGroup);
        EXPECT_EQ(int16_t(GetLeU16(block + 342)), c.secondNumber);
        EXPECT_STREQ(reinterpret_cast<const char*>(block + 344), c.secondName);
        EXPECT_EQ(block[471], 0);
    }
    uint8_t block[472];
    ASSERT_EQ(MakeCalcPresetBlock(acq, *s, 3, kCalcDelay, block), 1);
    EXPECT_EQ(GetLeU32(block + 16), 12u);  // the record leads the block
    EXPECT_EQ(MakeCalcPresetBlock(acq, *s, 3, kCalcNone, block), 0);
}

}  // namespace
