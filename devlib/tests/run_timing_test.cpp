// Recording runs over time, against the simulated unit under its virtual clock: an automatic
// restart started from the Start button's path, a run that goes on while a menu, a message box
// or the About box holds the program in a loop of its own, and a unit that stops writing frames
// for longer than its ring holds. The unit's clock is the run's clock, so nothing here waits on
// the wall clock to decide what is right.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/run/acq_state.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

// ---- The arithmetic ----

TEST(RunClock, TheUnitsFramePeriodIsTheOneItWasSent) {
    EXPECT_DOUBLE_EQ(UnitFramePeriodMs(1.0, false), 1.0);
    EXPECT_DOUBLE_EQ(UnitFramePeriodMs(5.0, false), 5.0);
    EXPECT_DOUBLE_EQ(UnitFramePeriodMs(1000.0 / 300.0, false), 3.5);  // half milliseconds, rounded
    EXPECT_DOUBLE_EQ(UnitFramePeriodMs(0.01, true), 0.01);              // 100 kHz: 40 steps of 2,500 Hz
    EXPECT_DOUBLE_EQ(UnitFramePeriodMs(0.03, true), 0.4 / 13);          // 33.3 kHz: 13 whole steps
}

TEST(RunClock, FramesFallBehindWhenTheLagIsMoreThanTheRingHolds) {
    struct Case {
        uint32_t elapsedMs;
        double periodMs;
        uint64_t written;
        int32_t frameSize;
        bool behind;
    } cases[] = {
        {10000, 1.0, 10000, 8, false},  // on time
        {10000, 1.0, 12000, 8, false},  // ahead (the start signal came before the host saw it)
        {10000, 1.0, 5904, 8, false},   // 4,096 frames of 8 bytes behind: the ring's 32,768 bytes
        {10000, 1.0, 5903, 8, true},
        {10000, 0.5, 16723, 10, true},  // 3,277 frames of 10 bytes: 32,770 bytes
        {0, 1.0, 0, 8, false},
        {10000, 1.0, 0, 0, false},  // no frame size: nothing to tell
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.elapsedMs) + " ms, " + std::to_string(c.written) + " frames");
        EXPECT_EQ(FramesFellBehind(c.elapsedMs, c.periodMs, c.written, c.frameSize, 32768), c.behind);
    }
}

// ---- Runs ----

class RunTiming : public SimulatedRunTest {
protected:
    RunTiming() : SimulatedRunTest("RunTiming") {}

    // A memory run of the given analog and digital inputs at periodMs, length frames.
    static void SetUpRun(stAcq* acq, const std::vector<int>& analog, const std::vector<int>& digital, double periodMs,
                         int32_t length) {
        Enable(acq, analog, digital);
        vk40test::SetUpRun(acq, kStorageMemory, periodMs, length);
        acq->autoRestart = 0;
    }

    // The slot the run put a channel number in, or -1.
    int SlotOf(int32_t number) const {
        for (int s = 0; s < kMaxChannels; ++s)
            if (ChannelInUse(gs.get(), s) && gs->chanNumber[s] == number) return s;
        return -1;
    }

    // Every channel of the run holds the counting pattern from its first frame, count samples:
    // none lost, none shifted.
    void ExpectCounting(const stAcq* acq, uint32_t count) {
        const stAcqRun& run = acq->run;
        for (int k = 0; k < run.analogCount + run.digitalCount; ++k) {
            const int32_t number = run.chanOrder[k];
            SCOPED_TRACE("channel " + std::to_string(number));
            const int s = SlotOf(number);
            ASSERT_GE(s, 0);
            ASSERT_EQ(gs->chanCount[s], count);
            const auto* block = static_cast<const uint16_t*>(gs->chanBlock[s]);
            ASSERT_NE(block, nullptr);
            int bad = 0;
            for (uint32_t i = 0; i < count && bad < 3; ++i) {
                const uint16_t want =
                    number >= kFirstDigitalSlot
                        ? ((SimCountingWord(i, 4) >> (number - kFirstDigitalSlot)) & 1 ? kDigitalHigh : 0)
                        : SimCountingWord(i, static_cast<uint32_t>(number - 1));
                if (block[i] != want) {
                    ADD_FAILURE() << "sample " << i << " is " << block[i] << ", not " << want;
                    ++bad;
                }
            }
        }
    }

    // The message boxes shown since the count was taken, by their text.
    std::vector<std::string> BoxesSince(size_t shown) const {
        std::vector<std::string> texts;
        for (size_t i = shown; i < boxes->boxes.size(); ++i) texts.push_back(boxes->boxes[i].text);
        return texts;
    }
};

// ---- Automatic restarts ----

TEST_F(RunTiming, AStartWithAutomaticRestartRecordsAgainAfterEachIntervalAsOftenAsSet) {
    struct Case {
        const char* name;
        int32_t count, endless;
        std::vector<uint32_t> startsMs;  // after the Start, on the unit's clock
    } cases[] = {
        {"three times", 3, 0, {0, 2000, 4000}},
        {"once", 1, 0, {0}},
        {"without end", 1, 1, {0, 2000, 4000, 6000, 8000}},
    };
    stAcq* acq = Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpRun(acq, {0, 1}, {}, 1.0, 300);
        acq->autoRestart = 1;
        acq->restartCount = c.count;
        acq->endlessRestart = c.endless;
        acq->restartInterval = 2.0;
        const size_t before = Recorder().scriptCalls.size();
        const uint64_t t0 = g_simClockUs;
        std::vector<uint32_t> starts;
        ASSERT_EQ(ToggleAcquisition(acq, 0), 1);  // the Start button's and STARTACQ's way in
        ASSERT_EQ(acq->run.running, 1);
        starts.push_back(0);
        for (int i = 0; i < 95; ++i) {  // 9.5 s of idle turns, 100 ms apart
            AdvanceClock(100);
            const int32_t was = acq->run.running;
            PollAcquisitionState(acq);
            if (!was && acq->run.running) starts.push_back(static_cast<uint32_t>((g_simClockUs - t0) / 1000));
            if (was && !acq->run.running) ExpectCounting(acq, 300);  // each run whole, from its own start
        }
        EXPECT_EQ(starts, c.startsMs);
        size_t started = 0;
        for (size_t i = before; i < Recorder().scriptCalls.size(); ++i)
            started += Recorder().scriptCalls[i].name == "OnStartAcquisition";
        EXPECT_EQ(started, c.startsMs.size());
        ASSERT_EQ(acq->run.running, 0);
        // Only the endless restart is still waiting; the Start button then only cancels it.
        EXPECT_EQ(g_lib.autoRestartPending, c.endless);
        if (c.endless) {
            ASSERT_EQ(ToggleAcquisition(acq, 0), 1);
            EXPECT_EQ(acq->run.running, 0);
            EXPECT_EQ(g_lib.autoRestartPending, 0);
        }
    }
    EXPECT_TRUE(boxes->boxes.empty());
}

TEST_F(RunTiming, AFailedExchangeEndsAnAutomaticallyRestartingRunWithoutAnotherStart) {
    stAcq* acq = Start();
    SetUpRun(acq, {0}, {}, 1.0, 3000);
    acq->autoRestart = 1;
    acq->restartCount = 5;
    acq->restartInterval = 1.0;
    ASSERT_EQ(ToggleAcquisition(acq, 0), 1);
    AdvanceClock(100);
    PollAcquisitionState(acq);
    SimControlSetDword(kSimFaultCommand, 19);
    SimControlSetDword(kSimFault, kSimFaultBadChecksum);
    AdvanceClock(100);
    PollAcquisitionState(acq);
    ASSERT_EQ(acq->run.running, 0);
    SimControlSetDword(kSimFault, kSimFaultNone);
    EXPECT_EQ(g_lib.autoRestartPending, 0);
    for (int i = 0; i < 30; ++i) {
        AdvanceClock(100);
        PollAcquisitionState(acq);
        ASSERT_EQ(acq->run.running, 0) << "no restart after a failure";
    }
}

// ---- Modal loops ----

// Moves the unit's clock on from inside a modal loop, a step at a time, each step only once the
// run has read the one before, and closes the loop after its steps. A run nobody reads would
// leave its steps waiting: after many ticks without a read the rest of the time passes at once
// and the loop is closed all the same.
struct stHold {
    const stAcq* acq;
    int steps;
    uint32_t stepMs;
    std::function<void()> close;
    int done = 0;
    int idleTicks = 0;
    int32_t lastRead = -1;
    bool gaveUp = false;
    bool closed = false;
};
stHold* g_hold = nullptr;
constexpr int kGiveUpTicks = 500;  // of 10 ms each at the least

void CALLBACK HoldTick(HWND, UINT, UINT_PTR, DWORD) {
    stHold& h = *g_hold;
    if (h.closed) return;
    const int32_t read = h.acq->run.frameCounter;
    const bool waiting = h.done > 0 && read == h.lastRead;
    if (waiting && ++h.idleTicks < kGiveUpTicks) return;
    if (waiting) {
        AdvanceClock(h.stepMs * static_cast<uint32_t>(h.steps - h.done));
        h.done = h.steps;
    }
    if (waiting || h.done == h.steps) {
        h.gaveUp = waiting;
        h.closed = true;
        h.close();
        return;
    }
    h.idleTicks = 0;
    h.lastRead = read;
    AdvanceClock(h.stepMs);
    ++h.done;
}

// The visible dialog boxes of this thread (message boxes and the About box alike).
BOOL CALLBACK CloseDialogBox(HWND window, LPARAM) {
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof cls);
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(window)) PostMessageA(window, WM_COMMAND, IDCANCEL, 0);
    return TRUE;
}

void CloseDialogs() { EnumThreadWindows(GetCurrentThreadId(), CloseDialogBox, 0); }

TEST_F(RunTiming, ARunGoesOnWhileAMenuAMessageBoxOrTheAboutBoxIsHeldOpenForTenSeconds) {
    stAcq* acq = Start();
    ShowWindow(frame, SW_SHOWNA);
    struct Loop {
        const char* name;
        std::function<void()> open;
        std::function<void()> close;
    };
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 1, "Held");
    const Loop loops[] = {
        {"message box", [&] { MessageBoxA(frame, "Held open", "Test", MB_OK); }, CloseDialogs},
        {"About box", [&] { OnDriverCommand(hAcq, frame, IDM_ABOUT, nullptr, 0); }, CloseDialogs},
        {"menu",
         [&] {
             SetForegroundWindow(frame);
             TrackPopupMenu(menu, TPM_RETURNCMD, 10, 10, 0, frame, nullptr);
         },
         [] { EndMenu(); }},
    };
    for (const Loop& loop : loops) {
        SCOPED_TRACE(loop.name);
        SetUpRun(acq, {0, 1, 2, 3}, {}, 1.0, 14000);  // 1 kHz, 4 channels: the ring holds 4.1 s
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int i = 0; i < 10; ++i) {
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        // 10 s of the run's time pass while the loop is up, with nobody's idle turn in between.
        boxes.reset();  // this box stays up until the hold closes it
        stHold hold{acq, 20, 500, loop.close};
        g_hold = &hold;
        const UINT_PTR timer = SetTimer(nullptr, 0, 10, HoldTick);
        // Another test's window on the shared desktop may take a menu down early: it opens again.
        for (int opened = 0; !hold.closed && opened < 50; ++opened) loop.open();
        KillTimer(nullptr, timer);
        g_hold = nullptr;
        boxes = std::make_unique<CBoxCapture>();
        EXPECT_FALSE(hold.gaveUp) << "the run was not read while the loop was up";
        ASSERT_EQ(hold.done, 20);
        CheckAcquisitionStatus(acq);  // the program's next idle turn
        ASSERT_EQ(acq->run.running, 1) << (boxes->boxes.empty() ? "" : boxes->boxes.front().text);
        EXPECT_GE(acq->run.frameCounter, 10900) << "read up to the end of the hold";
        Run(acq, 100);
        EXPECT_TRUE(boxes->boxes.empty()) << boxes->boxes.front().text;
        ExpectCounting(acq, 14000);
    }
    DestroyMenu(menu);
}

// ---- A unit that stops writing ----

TEST_F(RunTiming, AUnitThatStopsWritingForLongerThanItsRingHoldsEndsTheRunWithBufferOverflow) {
    struct Case {
        const char* name;
        std::vector<int> analog, digital;
        double periodMs;
        uint32_t stallMs;
        bool resumes;
    } cases[] = {
        {"2 kHz with the digital word, for 2 s", {0, 1, 2, 3}, {0}, 0.5, 2000, true},  // the ring holds 1.6 s
        {"1 kHz, 4 channels, for 5 s", {0, 1, 2, 3}, {}, 1.0, 5000, true},              // 4.1 s
        {"1 kHz, one channel, for good", {1}, {}, 1.0, 20000, false},                   // 16.4 s
    };
    stAcq* acq = Start();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        SetUpRun(acq, c.analog, c.digital, c.periodMs, 60000);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int i = 0; i < 10; ++i) {
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        const int32_t before = acq->run.frameCounter;
        ASSERT_GT(before, 0);
        const size_t shown = boxes->boxes.size();
        SimControlSetDword(kSimRingStalled, 1);
        for (uint32_t t = 0; t < c.stallMs && acq->run.running; t += 100) {
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        SimControlSetDword(kSimRingStalled, c.resumes ? 0 : 1);
        for (int i = 0; i < 10 && acq->run.running; ++i) {
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        SimControlSetDword(kSimRingStalled, 0);
        EXPECT_EQ(acq->run.running, 0);
        const std::vector<std::string> said = BoxesSince(shown);
        ASSERT_EQ(said.size(), 1u);
        EXPECT_NE(said[0].find("Buffer overflow"), std::string::npos) << said[0];
        // What came before the unit stopped is kept, and nothing from after the gap.
        EXPECT_EQ(acq->run.frameCounter, before);
        ExpectCounting(acq, static_cast<uint32_t>(before));
    }
}

// ---- A unit unplugged and plugged back ----

// The program's idle step checks the unit once start-up is done and a lesson asked for it; the
// unit's "not found" question is answered with Retry.
class UnitReturn : public RunTiming {
protected:
    void TearDown() override {
        SimControlSetDword(kSimAbsent, 0);
        SetStartupFlag(0);
        g_lib.readStatusEnable = 0;
        g_lib.unitCheckSuppressed = 0;
        RunTiming::TearDown();
    }
    stAcq* StartChecked() {
        stAcq* acq = Start();
        SetStartupFlag(1);
        g_lib.readStatusEnable = 1;
        boxes->answer = IDRETRY;
        PollAcquisitionState(acq);
        EXPECT_EQ(acq->run.unitInitialised, 1);
        EXPECT_EQ(acq->run.statusState, kStatusReady);
        return acq;
    }
    // The unit goes away for a few idle turns (each asks the question).
    void Unplug(stAcq* acq) {
        SimControlSetDword(kSimAbsent, 1);
        for (int i = 0; i < 3; ++i) {
            AdvanceClock(100);
            PollAcquisitionState(acq);
        }
        EXPECT_EQ(acq->run.statusState, kStatusNoUnit);
    }
};

// A lesson's prompt (a modal loop) was up while the unit came back, so no idle turn has seen it
// when the lesson's STARTACQ or the user's Start comes: that start sets the unit up and records.
TEST_F(UnitReturn, TheFirstStartAfterTheUnitIsPluggedBackRecords) {
    stAcq* acq = StartChecked();
    struct Way {
        const char* name;
        std::function<void()> press;
    } ways[] = {
        {"STARTACQ", [acq] { ToggleAcquisition(acq, 1); }},
        {"the Start button", [this] { OnDriverCommand(hAcq, frame, IDC_START_BUTTON, nullptr, 0); }},
    };
    for (const Way& way : ways) {
        SCOPED_TRACE(way.name);
        SetUpRun(acq, {0, 2}, {}, 1.0, 500);
        Unplug(acq);
        const size_t asked = boxes->boxes.size();
        ASSERT_GT(asked, 0u) << "the idle turns asked for the unit";
        SimControlSetDword(kSimAbsent, 0);
        way.press();
        ASSERT_EQ(acq->run.running, 1) << "the first start after the unit's return records";
        EXPECT_EQ(boxes->boxes.size(), asked);
        Run(acq, 100);
        EXPECT_EQ(acq->run.frameCounter, 500);
        ExpectCounting(acq, 500);
        EXPECT_EQ(boxes->boxes.size(), asked);
    }
}

// Still unplugged, a start asks for the unit rather than failing without a word, and records nothing.
TEST_F(UnitReturn, AStartWhileTheUnitIsStillAwayAsksForIt) {
    stAcq* acq = StartChecked();
    SetUpRun(acq, {0}, {}, 1.0, 500);
    Unplug(acq);
    const size_t asked = boxes->boxes.size();
    ToggleAcquisition(acq, 1);
    EXPECT_EQ(acq->run.running, 0);
    ASSERT_EQ(boxes->boxes.size(), asked + 1);
    EXPECT_NE(boxes->boxes.back().text.find("cannot find the VK40"), std::string::npos) << boxes->boxes.back().text;
    for (void* block : gs->chanBlock) EXPECT_EQ(block, nullptr);
}

}  // namespace
