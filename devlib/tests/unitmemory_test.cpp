// Runs into the unit's own memory, read back under the progress dialog, and the model-45
// high-speed runs, against the simulated unit under its virtual clock: the counting pattern shows
// every frame in its channel and place; Cancel, the unit's faults and a lying count keep exactly
// the frames that came; the read-back's message loop leaves the run and its graph alone.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/acquisition/run/unit_memory.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

// ---- The arithmetic ----

TEST(UnitMemoryArithmetic, RateCodesAndHighSpeedRingsAreWholeSteps) {
    const struct {
        double periodMs;
        uint8_t code;
    } rates[] = {{0.01, 40}, {0.02, 20}, {0.04, 10}, {0.1, 4}, {0.2, 2}, {0.4, 1}, {0.5, 0}};
    for (const auto& r : rates) EXPECT_EQ(HighSpeedRateCode(r.periodMs), r.code) << r.periodMs;
    EXPECT_EQ(HighSpeedRingBytes(4194304, 4, 0), 4194304u);
    EXPECT_EQ(HighSpeedRingBytes(4194304, 2, 1), 4194304u - 4u);  // 6-byte frames: whole ones only
    EXPECT_EQ(HighSpeedRingBytes(4194304, 2, 1) % 6, 0u);
    EXPECT_EQ(HighSpeedRingBytes(1000, 3, 0), 996u);
}

TEST(UnitMemoryArithmetic, HighSpeedNewBytesCountThePassesOfTheRing) {
    const struct {
        uint32_t position, wraps, readPosition, lastWraps, expected;
    } cases[] = {
        {500, 0, 200, 0, 300},   // the same pass
        {100, 1, 900, 0, 200},   // one pass on: through the ring's end
        {950, 1, 900, 0, 1050},  // more than the ring: an overflow the caller sees
        {0, 2, 900, 0, 2000},    // two passes behind: 2R
        {900, 3, 900, 3, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(HighSpeedNewBytes(c.position, c.wraps, c.readPosition, c.lastWraps, 1000), c.expected)
            << c.position << " " << c.wraps;
}

// The gauge rises a pixel per 2,048 bytes: a whole high-speed ring is 16 pixels of it.
TEST(UnitMemoryArithmetic, TheFillGaugeShowsAHighSpeedRingToScale) {
    const struct {
        uint32_t count, ring, expected;
    } cases[] = {
        {4194304, 4194304, 32768},  // the whole 4 MB ring
        {560000, 4194304, 4375},
        {8388608, 4194304, 65536},  // two rings behind: an overflow, shown as twice the ring
        {700, 1000, 700},           // a ring below 1 KB is shown as it is
    };
    for (const auto& c : cases) EXPECT_EQ(HighSpeedGaugeBytes(c.count, c.ring), c.expected) << c.count;
}

TEST(UnitMemoryArithmetic, TheReadBackNeverTakesMoreThanTheRunsBlocksHold) {
    const struct {
        uint32_t reported;
        int32_t runLength, frameSize, expected;
    } cases[] = {
        {6000, 1000, 6, 6000},
        {6004, 1000, 6, 6000},      // a lying unit: capped to the run
        {0xFFFFFF, 1000, 8, 8000},  // the largest 24-bit count
        {3001, 1000, 6, 3000},      // a part frame is not read
        {600, 1000, 6, 600},        // a stopped run: what it recorded
        {600, 0, 6, 0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ReadBackBytes(c.reported, c.runLength, c.frameSize), c.expected) << c.reported;
    // A stopped run recorded the frames that fell due at whole periods since its go. Readings of
    // the clock are whole microseconds: between readings inside the run it lasted more than the
    // time read less one microsecond, between readings around it less than the time plus one.
    const struct {
        uint64_t elapsedUs;
        double periodMs;
        int32_t surely, possibly;
    } due[] = {
        {3000000, 0.04, 74999, 75001},
        {3000001, 0.04, 75000, 75001},
        {3000038, 0.04, 75000, 75001},
        {3000039, 0.04, 75000, 75002},
        {40, 0.04, 0, 2},
        {41, 0.04, 1, 2},
        {0, 0.04, 0, 1},
        {1000, 1.0, 0, 2},
        {1001, 1.0, 1, 2},
        {1000, 0.0, 0, 0},
    };
    for (const auto& d : due) {
        EXPECT_EQ(FramesSurelyRecorded(d.elapsedUs, d.periodMs), d.surely) << d.elapsedUs;
        EXPECT_EQ(FramesPossiblyRecorded(d.elapsedUs, d.periodMs), d.possibly) << d.elapsedUs;
    }
    char line[96];
    FormatReadBackProgress(line, sizeof(line), "%ld Bytes of %ld Total Bytes, %d%%", 16380, 49140);
    EXPECT_STREQ(line, "16380 Bytes of 49140 Total Bytes, 33%");
    FormatReadBackProgress(line, sizeof(line), "%ld Bytes of %ld Total Bytes, %d%%", 12000000, 12000000);
    EXPECT_STREQ(line, "12000000 Bytes of 12000000 Total Bytes, 100%");  // no overflow of done x 100
}

// ---- Runs against the simulated unit ----

// Each progress step of the read-back dialog, after the dialog showed it; a test may act on it.
struct stProgress {
    HWND dialog;
    int32_t done;
    std::string caption, line;
};
std::vector<stProgress> g_progress;
std::function<void(HWND, int32_t)> g_onProgress;
HHOOK g_progressHook = nullptr;

LRESULT CALLBACK WatchProgress(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_USER && GetDlgItem(m->hwnd, IDC_READ_BACK_PROGRESS)) {
        char caption[128] = "", line[128] = "";
        GetWindowTextA(m->hwnd, caption, sizeof(caption));
        GetDlgItemTextA(m->hwnd, IDC_READ_BACK_PROGRESS, line, sizeof(line));
        g_progress.push_back({m->hwnd, static_cast<int32_t>(m->wParam), caption, line});
        if (g_onProgress) g_onProgress(m->hwnd, static_cast<int32_t>(m->wParam));
    }
    return CallNextHookEx(g_progressHook, code, wParam, lParam);
}

// The graph window's run messages (0x8002-0x8004) with their first parameter.
std::vector<std::pair<UINT, WPARAM>> g_runMessages;

LRESULT CALLBACK GraphProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= WM_VK_RUN_STARTED && message <= WM_VK_RUN_STOPPED) g_runMessages.push_back({message, wParam});
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

// Host slot 7 over the graph's memory blocks, as the program reads them.
int32_t WINAPI MemoryGetSample(tagGS* gs, int32_t index, int32_t slot, double* out) {
    if (slot < 0 || slot >= kMaxChannels || !gs->chanBlock[slot] || index < 0 ||
        uint32_t(index) >= gs->chanCount[slot])
        return 0;
    if (gs->chanType[slot] == 1)
        *out = static_cast<const double*>(gs->chanBlock[slot])[index];
    else
        *out = static_cast<const int16_t*>(gs->chanBlock[slot])[index] * gs->chanScale[slot] + gs->chanOffset[slot];
    return 1;
}

class UnitMemory : public SimulatedRunTest {
protected:
    UnitMemory() : SimulatedRunTest("UnitMemory") {}

    void SetUp() override {
        SimulatedRunTest::SetUp();
        g_progress.clear();
        g_onProgress = nullptr;
        g_progressHook = SetWindowsHookExA(WH_CALLWNDPROCRET, WatchProgress, nullptr, GetCurrentThreadId());
    }

    void TearDown() override {
        UnhookWindowsHookEx(g_progressHook);
        g_onProgress = nullptr;
        if (window) DestroyWindow(window);
        SimulatedRunTest::TearDown();
    }

    void AdjustHost(stHostCallbacks& h) override { h.getChannelSample = MemoryGetSample; }

    // The library over a simulated USB unit, and a graph attached that has a window, as the
    // program's graphs have.
    stAcq* Start(const char* driverName) {
        stAcq* acq = SimulatedRunTest::Start(driverName);
        WNDCLASSA wc{};
        wc.lpfnWndProc = GraphProc;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = "VK40UnitMemoryGraph";
        RegisterClassA(&wc);
        g_runMessages.clear();
        window = CreateWindowExA(0, wc.lpszClassName, "", WS_POPUP, 0, 0, 200, 100, nullptr, nullptr, wc.hInstance,
                                 nullptr);
        gs->hwnd = window;
        return acq;
    }

    static int Run(stAcq* acq, uint32_t stepMs, int maxPolls = 4000) {
        return SimulatedRunTest::Run(acq, stepMs, maxPolls);
    }

    // Every run channel holds the counting pattern of its own input from frame 0, count samples,
    // in the slot of its number.
    void ExpectCounting(const stAcq* acq, uint32_t count) {
        const stAcqRun& run = acq->run;
        for (int i = 0; i < run.analogCount + run.digitalCount; ++i) {
            const int32_t number = run.chanOrder[i];
            const int s = number;
            SCOPED_TRACE("slot " + std::to_string(s));
            ASSERT_EQ(gs->chanCount[s], count);
            if (count == 0) continue;
            ASSERT_NE(gs->chanBlock[s], nullptr);
            const auto* block = static_cast<const uint16_t*>(gs->chanBlock[s]);
            int bad = 0;
            for (uint32_t i = 0; i < count && bad < 3; ++i) {
                uint16_t want = 0;
                if (number >= kFirstDigitalSlot)
                    want = (SimCountingWord(i, 4) >> (number - kFirstDigitalSlot)) & 1 ? kDigitalHigh : 0;
                else
                    want = SimCountingWord(i, static_cast<uint32_t>(number - 1));
                if (block[i] != want) {
                    ADD_FAILURE() << "sample " << i << " is " << block[i] << ", not " << want;
                    ++bad;
                }
            }
        }
    }

    size_t Boxes() const { return boxes->boxes.size(); }
    std::string LastBox() const { return boxes->boxes.empty() ? std::string() : boxes->boxes.back().text; }

    HWND window = nullptr;
};

struct stLayout {
    const char* name;
    std::vector<int> analog, digital;
    int32_t storage;
    std::vector<int32_t> order;
    int32_t frameSize;
};

// The unit keeps the analog words in input order and the digital word last; kinds 3 and 4 name
// the graph's channels in their own order, and each must still get its own input.
const stLayout kUnitLayouts[] = {
    {"one analog", {2}, {}, kStorageUnitMemory, {3}, 2},
    {"kind 3, all analog", {0, 1, 2, 3}, {}, kStorageUnitMemory, {1, 2, 3, 4}, 8},
    {"kind 3, analog and digital", {0, 1, 3}, {0, 2}, kStorageUnitMemory, {1, 2, 20, 22, 4}, 8},
    {"kind 4, analog and digital", {0, 1, 3}, {1}, kStorageFastUnitMemory, {1, 21, 2, 4}, 8},
    {"kind 4, two analog and digital", {1, 2}, {0}, kStorageFastUnitMemory, {2, 3, 20}, 6},
};

TEST_F(UnitMemory, AUnitMemoryRunHoldsExactlyItsLengthWithEveryChannelInItsPlace) {
    stAcq* acq = Start("VKUSB");
    for (const stLayout& layout : kUnitLayouts) {
        SCOPED_TRACE(layout.name);
        Enable(acq, layout.analog, layout.digital);
        SetUpRun(acq, layout.storage, kUnitMemoryPeriodMs, 5001);
        g_progress.clear();
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        EXPECT_EQ(acq->run.timingKind, kTimingUnitPaced);
        EXPECT_EQ(std::vector<int32_t>(acq->run.chanOrder, acq->run.chanOrder + layout.order.size()), layout.order);
        EXPECT_EQ(acq->run.frameSize, layout.frameSize);
        // 5,001 frames at 25 kHz take 200 ms of the unit's time; until then nothing is read.
        AdvanceClock(100);
        CheckAcquisitionStatus(acq);
        EXPECT_EQ(acq->run.running, 1);
        EXPECT_TRUE(g_progress.empty());
        Run(acq, 50);
        ASSERT_EQ(acq->run.running, 0);
        EXPECT_EQ(gs->acquiring, 0u);
        EXPECT_EQ(gs->totalSamples, 5001);
        ExpectCounting(acq, 5001);
        // The progress dialog showed each step, the last one the whole batch.
        const int32_t total = 5001 * layout.frameSize;
        ASSERT_FALSE(g_progress.empty());
        EXPECT_EQ(g_progress.back().caption, "VK40 High Speed Mode - Receiving Data");
        EXPECT_EQ(g_progress.back().line, std::to_string(total) + " Bytes of " + std::to_string(total) +
                                              " Total Bytes, 100%");
        EXPECT_FALSE(IsWindow(g_progress.back().dialog));
        EXPECT_TRUE(IsWindowEnabled(window));
        // The graph heard of a unit-paced start, then of the end.
        const std::vector<std::pair<UINT, WPARAM>> told = {{WM_VK_RUN_STARTED, 1}, {WM_VK_RUN_ENDED, 0}};
        EXPECT_EQ(g_runMessages, told);
        g_runMessages.clear();
    }
    EXPECT_EQ(Boxes(), 0u);
}

TEST_F(UnitMemory, AnAppendedUnitMemoryRunIsReadBackBehindTheFirst) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {1, 3}, {0});
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 1500);
    acq->dataMode = kDataAppend;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 50);
    ExpectCounting(acq, 1500);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 50);
    ASSERT_EQ(acq->run.running, 0);
    for (int s : {2, 4, 20}) {
        SCOPED_TRACE(s);
        ASSERT_EQ(gs->chanCount[s], 3000u);
        const auto* block = static_cast<const uint16_t*>(gs->chanBlock[s]);
        const int32_t number = s;
        for (uint32_t i : {0u, 1499u, 1500u, 2999u}) {
            const uint32_t f = i % 1500;  // the second run counts from its own first frame
            const uint16_t want = number >= kFirstDigitalSlot ? ((SimCountingWord(f, 4) & 1) ? kDigitalHigh : 0)
                                                             : SimCountingWord(f, static_cast<uint32_t>(number - 1));
            EXPECT_EQ(block[i], want) << i;
        }
    }
}

TEST_F(UnitMemory, ARunWaitingForItsStartSignalRecordsFromTheSignalOn) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 2}, {});
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 3000);
    acq->unitMode = 0x80;
    SimControlSetDword(kSimExternalTriggerFrame, 4000);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    EXPECT_EQ(acq->run.dataStarted, 0);
    AdvanceClock(100);  // frame 2,500: no signal yet
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.dataStarted, 0);
    AdvanceClock(100);
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.dataStarted, 2);  // the unit's start byte came
    Run(acq, 50);
    ASSERT_EQ(acq->run.running, 0);
    ExpectCounting(acq, 3000);
}

TEST_F(UnitMemory, AUnitOverstatingItsRecordingGetsOnlyTheRunsFramesRead) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 1, 2}, {});
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 2000);
    SimControlSetDword(kSimRecordedBytesExtra, 60000);  // ten thousand frames more than the run
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 50);
    ASSERT_EQ(acq->run.running, 0);
    ExpectCounting(acq, 2000);
    ASSERT_FALSE(g_progress.empty());
    EXPECT_EQ(g_progress.back().done, 2000 * 6);
    ASSERT_EQ(Boxes(), 1u) << "the unit's claim is not passed over in silence";
    EXPECT_NE(LastBox().find("more samples than the run can have recorded"), std::string::npos) << LastBox();
}

// Stopped by the Start button after 3 s of the unit's time, a run into the unit's memory gets the
// frames of those 3 s read back. An honest unit's count is kept whole, the frame it took at the
// very microsecond of the stop among them, and nothing is said; a count beyond anything the run
// can have recorded is not believed: only the frames the clock vouches for are read (the frame of
// the stop's own microsecond not among them), and the user is told.
TEST_F(UnitMemory, AStoppedRunReadsBackNoMoreThanItsTimeOnTheUnitsClockRecorded) {
    stAcq* acq = Start("VKUSB");
    for (const uint32_t extra : {4000u, 0u}) {
        SCOPED_TRACE(extra);
        Enable(acq, {0, 1}, {});
        SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 100000);  // 4 s at 25 kHz
        SimControlSetDword(kSimRecordedBytesExtra, extra);  // a thousand frames never recorded
        const size_t shown = Boxes();
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int i = 0; i < 30; ++i) {
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        ASSERT_EQ(acq->run.running, 1);
        AbortAcquisition(acq);
        ASSERT_EQ(acq->run.running, 0);
        const uint32_t kept = extra ? 74999u : 75000u;
        ExpectCounting(acq, kept);
        EXPECT_EQ(gs->totalSamples, static_cast<int32_t>(kept));
        ASSERT_EQ(Boxes(), shown + (extra ? 1u : 0u));
        if (extra) {
            EXPECT_NE(LastBox().find("more samples than the run can have recorded"), std::string::npos);
        }
    }
}

// The packets of the log file that begin with prefix (the checksum left off).
std::vector<std::string> PacketsStarting(const std::string& file, const std::string& prefix) {
    std::vector<std::string> found;
    for (const std::string& line : ReadPacketLog(file))
        if (line.compare(0, prefix.size(), prefix) == 0) found.push_back(line);
    return found;
}

// Ended other than by the button's stop (a lesson's "STOPACQ", the toggle that "STARTACQ" and a
// button without restarts run), a run into the unit's memory is stopped on the unit too, and read
// back no further than the frames due by that stop.
TEST_F(UnitMemory, ARunEndedOtherwiseIsStoppedOnTheUnitAndReadNoFurtherThanItsStop) {
    const std::string log = folder + "\\packets.log";
    stAcq* acq = Start("VKUSB");
    const struct {
        const char* what;
        void (*end)(stAcq*);
    } ends[] = {
        {"STOPACQ",
         [](stAcq* a) {
             g_runLayer.scriptStopRequest = 1;  // as the word leaves it for the next idle turn
             CheckAcquisitionStatus(a);
         }},
        {"the toggle", [](stAcq* a) { ToggleAcquisition(a, 1); }},
    };
    SimControlSetDword(kSimRecordedBytesExtra, 4000);
    for (const auto& e : ends) {
        SCOPED_TRACE(e.what);
        Enable(acq, {0, 1}, {});
        SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 100000);
        const size_t shown = Boxes();
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int i = 0; i < 10; ++i) {
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        ASSERT_TRUE(SimControlSetString(kSimLogFile, log.c_str()));
        e.end(acq);
        SimControlSetString(kSimLogFile, "");
        ASSERT_EQ(acq->run.running, 0);
        EXPECT_EQ(PacketsStarting(log, "> 01 12 ").size(), 1u) << "the unit was told to stop";
        DeleteFileA(log.c_str());
        ExpectCounting(acq, 24999);  // 1 s at 25 kHz, the stop's own microsecond aside
        ASSERT_EQ(Boxes(), shown + 1);
        EXPECT_NE(LastBox().find("more samples than the run can have recorded"), std::string::npos);
    }
}

TEST_F(UnitMemory, TheStartsTellTheUnitTheRunItIsToRecord) {
    const std::string log = folder + "\\packets.log";
    // A unit-paced run on the first model: the mode byte keeps its start bit, the unit records the
    // analog words and the digital word, and the size counts every byte of the run's frames.
    {
        stAcq* acq = Start("VKUSB");
        ASSERT_TRUE(SimControlSetString(kSimLogFile, log.c_str()));
        Enable(acq, {0, 1, 3}, {2});
        SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 1000);
        acq->unitMode = 0x8D;
        SimControlSetDword(kSimExternalTriggerFrame, 1000000);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        EXPECT_EQ(PacketsStarting(log, "> 01 02 ").size(), 1u);
        EXPECT_EQ(PacketsStarting(log, "> 01 02 82 00 00 0B FF 00 ").size(), 1u);
        EXPECT_EQ(PacketsStarting(log, "> 01 47 0A 00 1F 40 ").size(), 1u);  // 25 kHz, 8,000 bytes
        EXPECT_EQ(PacketsStarting(log, "> 01 48 01 ").size(), 1u);
        EXPECT_EQ(PacketsStarting(log, "> 01 40 ").size(), 0u);  // no host-paced start
        SimControlSetString(kSimLogFile, "");
        AbortAcquisition(acq);
        EXPECT_EQ(acq->run.running, 0);
        EXPECT_EQ(gs->chanCount[1], 0u);  // stopped before its start signal: nothing to read back
    }
}

// A high-speed run on the second model: the ring of whole frames in the unit's memory, no period
// command, and the poll asks for the ring's position and reads with the long request.
TEST_F(UnitMemory, AHighSpeedStartSetsUpTheRingAndThePollReadsIt) {
    const std::string log = folder + "\\packets.log";
    stAcq* acq = Start("VKUSB45");
    ASSERT_TRUE(SimControlSetString(kSimLogFile, log.c_str()));
    Enable(acq, {0, 1, 2, 3}, {});
    SetUpRun(acq, kStorageMemory, kHighSpeedPeriodMs, 100000);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    EXPECT_EQ(PacketsStarting(log, "> 01 46 ").size(), 1u);                // the memory's size
    EXPECT_EQ(PacketsStarting(log, "> 01 47 28 40 00 00 ").size(), 1u);    // 100 kHz, a 4 MB ring
    EXPECT_EQ(PacketsStarting(log, "> 01 48 02 ").size(), 1u);
    EXPECT_EQ(PacketsStarting(log, "> 01 36 ").size(), 0u);                // no period command
    EXPECT_EQ(PacketsStarting(log, "> 01 02 02 00 00 0F 00 00 ").size(), 1u);
    AdvanceClock(30);  // 24,000 bytes: one long request and the rest
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(PacketsStarting(log, "> 01 91 ").size(), 1u);
    EXPECT_EQ(PacketsStarting(log, "> 01 11 ").size(), 0u);
    EXPECT_EQ(PacketsStarting(log, "> 01 4A 00 00 00 3F F8 ").size(), 1u);  // 16,376 bytes from 0
    EXPECT_EQ(PacketsStarting(log, "> 01 13 ").size(), 0u);
    SimControlSetString(kSimLogFile, "");
    Run(acq, 20);
    EXPECT_EQ(acq->run.running, 0);
    ExpectCounting(acq, 100000);
}

TEST_F(UnitMemory, CancelInTheProgressDialogKeepsTheFramesReadSoFar) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 1, 2, 3}, {});
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 10000);  // 80,000 bytes: several requests
    bool clicked = false;
    std::string button;
    g_onProgress = [&](HWND dialog, int32_t done) {
        if (!clicked && done >= 30000) {
            clicked = true;
            button = ControlText(dialog, IDCANCEL);
            Click(dialog, IDCANCEL);
        }
    };
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 100);
    ASSERT_TRUE(clicked);
    EXPECT_EQ(button, "&Cancel");
    ASSERT_EQ(acq->run.running, 0);
    const int32_t read = g_progress.back().done;
    ASSERT_GE(read, 30000);
    ASSERT_LT(read, 80000);
    ExpectCounting(acq, static_cast<uint32_t>(read / 8));
    EXPECT_EQ(gs->totalSamples, read / 8);
    EXPECT_EQ(Boxes(), 0u);  // a Cancel is no error
}

struct stFaultCase {
    const char* name;
    const char* control;
    uint32_t value;
};

TEST_F(UnitMemory, FaultsDuringTheReadBackEndWithTheMessageKeepingEveryFrameRead) {
    const stFaultCase faults[] = {
        {"no reply", kSimFault, kSimFaultNoReply},
        {"bad checksum", kSimFault, kSimFaultBadChecksum},
        {"unit gone", kSimAbsent, 1},
    };
    stAcq* acq = Start("VKUSB");
    for (const stFaultCase& fault : faults) {
        SCOPED_TRACE(fault.name);
        SimControlSetDword(kSimFault, kSimFaultNone);
        SimControlSetDword(kSimAbsent, 0);
        Enable(acq, {0, 3}, {1});
        SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 10000);
        g_progress.clear();
        bool struck = false;
        g_onProgress = [&](HWND, int32_t done) {
            if (!struck && done >= 20000) {
                struck = true;
                SimControlSetDword(kSimFaultCommand, 74);
                SimControlSetDword(fault.control, fault.value);
            }
        };
        const size_t shown = Boxes();
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 100);
        g_onProgress = nullptr;
        ASSERT_TRUE(struck);
        ASSERT_EQ(acq->run.running, 0);
        ASSERT_EQ(Boxes(), shown + 1);
        EXPECT_NE(LastBox().find("Communications error"), std::string::npos);
        EXPECT_NE(LastBox().find("Acquisition terminated"), std::string::npos);
        const int32_t read = g_progress.back().done;
        ASSERT_GE(read, 20000);
        ExpectCounting(acq, static_cast<uint32_t>(read / 6));
        // Given up after asking again, the user learns how much of the run was kept.
        EXPECT_NE(LastBox().find(std::to_string(read / 6) + " of the 10000 samples in the unit were read back and are kept"),
                  std::string::npos)
            << LastBox();
        SimControlSetDword(kSimFault, kSimFaultNone);
        SimControlSetDword(kSimAbsent, 0);
        g_unitLink.Recover();
    }
}

// A lesson's own wording of the part-kept message is shown as it stands: its conversions take
// the two counts in order, and any beyond them stay plain text and read nothing.
TEST_F(UnitMemory, ALessonsWordingOfThePartKeptMessageIsShownAsItStands) {
    CReplacedText wording("KEY Read-back incomplete", "%s%s%s%n kept %ld of %ld %s%n");
    ASSERT_TRUE(wording.replaced);
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 3}, {1});
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 10000);
    bool struck = false;
    g_onProgress = [&](HWND, int32_t done) {
        if (!struck && done >= 20000) {
            struck = true;
            SimControlSetDword(kSimFaultCommand, 74);
            SimControlSetDword(kSimFault, kSimFaultNoReply);
        }
    };
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 100);
    g_onProgress = nullptr;
    SimControlSetDword(kSimFault, kSimFaultNone);
    ASSERT_TRUE(struck);
    ASSERT_EQ(acq->run.running, 0);
    const int32_t kept = g_progress.back().done / 6;
    EXPECT_NE(LastBox().find("%s%s%s%n kept " + std::to_string(kept) + " of 10000 %s%n"), std::string::npos)
        << LastBox();
}

TEST_F(UnitMemory, AUnitGoneWhileItRecordsEndsTheRunWithTheMessageAndTheGraphAsItWas) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 1}, {});
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 2000);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 50);
    ExpectCounting(acq, 2000);  // a first run the graph keeps
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 10000);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    AdvanceClock(50);
    CheckAcquisitionStatus(acq);
    ASSERT_EQ(acq->run.running, 1);
    SimControlSetDword(kSimAbsent, 1);
    AdvanceClock(50);
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.running, 0);
    ASSERT_EQ(Boxes(), 1u);
    EXPECT_NE(LastBox().find("Communications error"), std::string::npos);
    EXPECT_NE(LastBox().find("Acquisition terminated"), std::string::npos);
    ExpectCounting(acq, 2000);
}

// What the graph window's owner does from the read-back's loop: the Start button, a second start,
// the program's quit, the graph window's close.
struct stLoopVisit {
    const char* name;
    std::function<void(UnitMemory*, stAcq*, tagGS*)> act;
};

LRESULT CALLBACK VisitorProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_APP) {
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        return 0;
    }
    return DefWindowProcA(hwnd, message, wParam, lParam);
}

TEST_F(UnitMemory, TheReadBacksMessageLoopLeavesTheRunAndItsGraphAlone) {
    stAcq* acq = Start("VKUSB");
    WNDCLASSA wc{};
    wc.lpfnWndProc = VisitorProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "VK40ReadBackVisitor";
    RegisterClassA(&wc);
    HWND visitor = CreateWindowExA(0, wc.lpszClassName, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance,
                                   nullptr);
    ASSERT_NE(visitor, nullptr);
    Enable(acq, {0, 1}, {});

    // A second start from inside the loop is refused: the graph still counts as recording, so the
    // program refuses its close, and its blocks stay those of the run being read.
    {
        SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 12000);
        int32_t startAnswer = -1;
        uint32_t recordingDuring = 0, runningDuring = 0;
        void* blockBefore = nullptr;
        void* blockAfter = nullptr;
        std::function<void()> visit = [&] {
            recordingDuring = gs->acquiring;
            runningDuring = static_cast<uint32_t>(acq->run.running);
            blockBefore = gs->chanBlock[1];
            startAnswer = StartAcquisition(acq, 0);
            blockAfter = gs->chanBlock[1];
            PostQuitMessage(42);  // the program is told to quit meanwhile
        };
        bool posted = false;
        g_onProgress = [&](HWND, int32_t done) {
            if (!posted && done > 0) {
                posted = true;
                PostMessageA(visitor, WM_APP, 0, reinterpret_cast<LPARAM>(&visit));
            }
        };
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 100);
        ASSERT_TRUE(posted);
        EXPECT_EQ(startAnswer, 0);
        EXPECT_EQ(recordingDuring, 1u);
        EXPECT_EQ(runningDuring, 1u);
        EXPECT_EQ(blockAfter, blockBefore);
        EXPECT_EQ(acq->run.running, 0);
        // The quit stopped the read-back and reaches the program's loop after it.
        MSG msg;
        ASSERT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));
        EXPECT_EQ(msg.wParam, 42u);
        const int32_t read = g_progress.back().done;
        EXPECT_LT(read, 12000 * 4);
        ExpectCounting(acq, static_cast<uint32_t>(read / 4));
    }

    // The Start button meanwhile stops the read-back, keeping what came, instead of ending the run
    // a second time under it.
    {
        SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 12000);
        g_progress.clear();
        std::function<void()> visit = [&] { ToggleAcquisition(acq, 0); };
        bool posted = false;
        g_onProgress = [&](HWND, int32_t done) {
            if (!posted && done > 0) {
                posted = true;
                PostMessageA(visitor, WM_APP, 0, reinterpret_cast<LPARAM>(&visit));
            }
        };
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 100);
        ASSERT_TRUE(posted);
        ASSERT_EQ(acq->run.running, 0);
        const int32_t read = g_progress.back().done;
        EXPECT_LT(read, 12000 * 4);
        ExpectCounting(acq, static_cast<uint32_t>(read / 4));
        EXPECT_EQ(Boxes(), 0u);
    }

    // The graph's window destroyed meanwhile: the loop stops at once and lets go of the graph.
    {
        SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 12000);
        g_progress.clear();
        std::function<void()> visit = [&] {
            DestroyWindow(window);
            window = nullptr;
        };
        bool posted = false;
        g_onProgress = [&](HWND, int32_t done) {
            if (!posted && done > 0) {
                posted = true;
                PostMessageA(visitor, WM_APP, 0, reinterpret_cast<LPARAM>(&visit));
            }
        };
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 100);
        ASSERT_TRUE(posted);
        EXPECT_EQ(acq->run.running, 0);
        EXPECT_EQ(acq->run.attachedGraph, nullptr);
        EXPECT_EQ(g_progress.size(), 1u);  // no request after the window went
    }
    g_onProgress = nullptr;
    DestroyWindow(visitor);
    UnregisterClassA(wc.lpszClassName, wc.hInstance);
}

TEST_F(UnitMemory, TheStartButtonStopsAUnitPacedRunAndWhatItRecordedIsReadBack) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {1, 2}, {0});
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 20000);  // 800 ms of the unit's time
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    for (int i = 0; i < 4; ++i) {
        AdvanceClock(50);
        CheckAcquisitionStatus(acq);
    }
    ASSERT_EQ(acq->run.running, 1);
    AbortAcquisition(acq);
    ASSERT_EQ(acq->run.running, 0);
    // About 200 ms at 25 kHz: the frames that fell due, and no more, each in its place (the one
    // due at the stop's own microsecond is not vouched for).
    EXPECT_GE(gs->chanCount[2], 4999u);
    EXPECT_LT(gs->chanCount[2], 6000u);
    ExpectCounting(acq, gs->chanCount[2]);
    EXPECT_EQ(Boxes(), 0u);
}

// ---- The model-45 high-speed runs ----

const stLayout kFastLayouts[] = {
    {"all analog", {0, 1, 2, 3}, {}, kStorageMemory, {1, 2, 3, 4}, 8},
    {"analog and digital", {0, 3}, {0, 2}, kStorageMemory, {1, 4, 20, 22}, 6},
};

TEST_F(UnitMemory, AHighSpeedRunOnTheSecondModelHoldsEveryFrameAcrossTheRingsEnd) {
    stAcq* acq = Start("VKUSB45");
    for (const stLayout& layout : kFastLayouts) {
        for (uint32_t stepMs : {20u, 900u}) {
            SCOPED_TRACE(std::string(layout.name) + ", poll every " + std::to_string(stepMs) + " ms");
            Enable(acq, layout.analog, layout.digital);
            // 7.5 s at 100 kHz: more than the unit's 4 MB ring
            SetUpRun(acq, kStorageMemory, kHighSpeedPeriodMs, 750001);
            ASSERT_EQ(StartAcquisition(acq, 0), 1);
            EXPECT_EQ(g_runLayer.highSpeedRun, 1);
            EXPECT_EQ(g_runLayer.unitRingBytes, HighSpeedRingBytes(kSimMemoryBytes45, static_cast<int32_t>(layout.analog.size()),
                                                          static_cast<int32_t>(layout.digital.size())));
            Run(acq, stepMs, 1000);
            ASSERT_EQ(acq->run.running, 0);
            EXPECT_GE(g_runLayer.lastWrapCount, 1u);  // the ring's end was passed
            ExpectCounting(acq, 750001);
        }
    }
    EXPECT_EQ(Boxes(), 0u);
}

TEST_F(UnitMemory, AHighSpeedRunEndsOnItsFaultsKeepingEveryFrameThatCame) {
    const struct {
        const char* name;
        const char* control;
        uint32_t value, command;
    } faults[] = {
        {"no reply to the position", kSimFault, kSimFaultNoReply, 145},
        {"bad checksum in a request", kSimFault, kSimFaultBadChecksum, 74},
        {"unit gone", kSimAbsent, 1, kSimAnyCommand},
    };
    stAcq* acq = Start("VKUSB45");
    // A ring not read in time: the overflow ends the run with the frames read before it.
    Enable(acq, {0, 1, 2, 3}, {});
    SetUpRun(acq, kStorageMemory, kHighSpeedPeriodMs, 2000000);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    AdvanceClock(30);
    CheckAcquisitionStatus(acq);
    const uint32_t first = gs->chanCount[1];
    const size_t before = Boxes();
    AdvanceClock(6000);  // 4.8 MB: more than the 4 MB ring
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.running, 0);
    ASSERT_EQ(Boxes(), before + 1);
    EXPECT_NE(LastBox().find("Buffer overflow"), std::string::npos);
    ExpectCounting(acq, first);
    // The unit's faults end the run in the same way, with their own message.
    for (const auto& fault : faults) {
        SCOPED_TRACE(fault.name);
        Enable(acq, {0, 1, 2}, {});
        SetUpRun(acq, kStorageMemory, kHighSpeedPeriodMs, 2000000);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int i = 0; i < 10; ++i) {
            AdvanceClock(30);
            CheckAcquisitionStatus(acq);
        }
        const uint32_t before = gs->chanCount[1];
        ASSERT_GT(before, 0u);
        const size_t shown = Boxes();
        SimControlSetDword(kSimFaultCommand, fault.command);
        SimControlSetDword(fault.control, fault.value);
        AdvanceClock(30);
        CheckAcquisitionStatus(acq);
        EXPECT_EQ(acq->run.running, 0);
        ASSERT_EQ(Boxes(), shown + 1);
        EXPECT_NE(LastBox().find("Communications error"), std::string::npos);
        EXPECT_NE(LastBox().find("Acquisition terminated"), std::string::npos);
        ExpectCounting(acq, before);
        SimControlSetDword(kSimFault, kSimFaultNone);
        SimControlSetDword(kSimAbsent, 0);
        g_unitLink.Recover();
    }
}

// A calculation channel of a unit-memory run is computed over the frames read back: C1 = input 2
// in its units times 2, for every frame.
TEST_F(UnitMemory, CalculationChannelsAreComputedOverTheFramesReadBack) {
    stAcq* acq = Start("VKUSB");
    Enable(acq, {0, 1}, {});
    stCalcSettings* calc = CalcSettings(acq);
    calc->kind[0] = kCalcMath;
    calc->math[0] = stMathParams{kMathMultiply, acq->firstAnalogNumber + 1, kMathConstant, {}, 2.0};
    for (stAcqChan& c : acq->chans)
        if (c.group == kGroupCalc && c.number == 0) c.flags |= 2u;
    SetUpRun(acq, kStorageUnitMemory, kUnitMemoryPeriodMs, 3001);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 50);
    ASSERT_EQ(acq->run.running, 0);
    ASSERT_EQ(acq->run.calcCount, 1);
    const int calcSlot = 40, inputSlot = 2;  // C1 and CH2
    ASSERT_EQ(gs->chanCount[calcSlot], 3001u);
    ASSERT_EQ(gs->chanBytes[calcSlot], 8u);
    ASSERT_EQ(gs->chanCount[inputSlot], 3001u);
    const auto* values = static_cast<const double*>(gs->chanBlock[calcSlot]);
    const auto* input = static_cast<const int16_t*>(gs->chanBlock[inputSlot]);
    int bad = 0;
    for (uint32_t i = 0; i < 3001 && bad < 3; ++i) {
        const double want = 2.0 * (input[i] * gs->chanScale[inputSlot] + gs->chanOffset[inputSlot]);
        if (std::abs(values[i] - want) > 1e-9 * (1 + std::abs(want))) {
            ADD_FAILURE() << "sample " << i << " is " << values[i] << ", not " << want;
            ++bad;
        }
    }
    EXPECT_EQ(Boxes(), 0u);
}

}  // namespace
