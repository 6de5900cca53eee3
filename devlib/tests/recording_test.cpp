// Recording runs against the simulated unit under its virtual clock: the counting pattern shows
// that every channel holds exactly the run's frames, in order, none dropped or shifted, for
// memory and ring runs and each frame layout; the unit's faults end a run keeping what came.
// The arithmetic of the read-in (requests, ring addresses, de-interleaving, rings) beside it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/run/acq_state.h"
#include "devlib/acquisition/run/auto_save.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/unit/playback.h"
#include "devlib/acquisition/run/playback_run.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/binding/binding.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/safe_write.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/sim_run_fixture.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

// ---- The read-in's arithmetic ----

TEST(ReadIn, RequestsAreWholeFramesAndAvoidFullUsbPacketsOnTheSecondModel) {
    struct Case {
        int32_t frameSize, highSpeed, secondModel, bytes;
    } cases[] = {
        {10, 0, 0, 250},   {6, 0, 0, 246},   {8, 0, 0, 248},
        {8, 0, 1, 248},    {2, 1, 0, 16382}, {2, 1, 1, 16380},  // 16,382 + 2 fills 256 packets: one frame less
        {10, 1, 1, 16380}, {0, 0, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.frameSize);
        EXPECT_EQ(ReadChunkBytes(c.frameSize, c.highSpeed, c.secondModel), c.bytes);
    }
    EXPECT_EQ(TrimLastChunk(62, 2, 1), 60);
    EXPECT_EQ(TrimLastChunk(62, 2, 0), 62);
    EXPECT_EQ(TrimLastChunk(126, 6, 1), 120);
}

TEST(ReadIn, RingAddressesWrapAtTheRingsEnd) {
    EXPECT_EQ(NextRingAddress(32760, 8, 32768), 0u);  // ends exactly at R - 1
    EXPECT_EQ(NextRingAddress(32000, 250, 32768), 32250u);
    EXPECT_EQ(NextRingAddress(32700, 246, 32768), 178u);
    // Command 17's address counts modulo 0x800000: below the read position it has wrapped.
    EXPECT_EQ(NewRingBytes(500, 300), 200u);
    EXPECT_EQ(NewRingBytes(100, 0x7FFF00), 356u);
    EXPECT_EQ(NewRingBytes(100, 0x800000 + 40), 60u);  // the read position's 24th bit is ignored
}

TEST(ReadIn, TheLastBatchReadsOnlyTheMissingWholeFrames) {
    EXPECT_EQ(FramesToRead(100, 10, 3, 0), 3);    // the unit has more than the run wants
    EXPECT_EQ(FramesToRead(100, 10, 3, 1), 10);   // a ring never ends by length
    EXPECT_EQ(FramesToRead(105, 10, 50, 0), 10);  // a part frame waits for the next poll
    EXPECT_EQ(FramesToRead(5, 10, 50, 0), 0);
}

TEST(ReadIn, FramesAreDeinterleavedWithDigitalBitsExpanded) {
    stAcqRun run{};
    run.analogCount = 2;
    run.digitalCount = 2;
    run.frameSize = 6;
    run.chanOrder[0] = 1;
    run.chanOrder[1] = 3;
    run.chanOrder[2] = 20;
    run.chanOrder[3] = 21;
    const uint8_t frames[] = {0x12, 0x34, 0xAB, 0xCD, 0x00, 0x01, 0x80, 0x00, 0x7F, 0xFF, 0x00, 0x02};
    uint16_t a[4] = {}, b[4] = {}, d0[4] = {}, d1[4] = {};
    void* blocks[] = {a, b, d0, d1};
    StoreFrames(frames, 2, run, blocks, 3, 4);  // the second frame wraps to sample 0
    EXPECT_EQ(a[3], 0x1234);
    EXPECT_EQ(b[3], 0xABCD);
    EXPECT_EQ(d0[3], kDigitalHigh);
    EXPECT_EQ(d1[3], 0);
    EXPECT_EQ(a[0], 0x8000);
    EXPECT_EQ(b[0], 0x7FFF);
    EXPECT_EQ(d0[0], 0);
    EXPECT_EQ(d1[0], kDigitalHigh);
}

TEST(ReadIn, ARingMovesItsFirstSampleOnByExactlyTheOverflow) {
    auto gs = MakeGraph();
    gs->winSize = 10;
    gs->winLen = 7;
    gs->winRingBase = 7;
    EXPECT_EQ(AdvanceSampleRing(gs.get(), 5), 7u);
    EXPECT_EQ(gs->winFirst, 2);
    EXPECT_EQ(gs->winLen, 10u);
    EXPECT_EQ(gs->winRingBase, 2u);
    EXPECT_EQ(AdvanceSampleRing(gs.get(), 4), 2u);  // full: every frame lets one go
    EXPECT_EQ(gs->winFirst, 6);
    EXPECT_EQ(gs->winRingBase, 6u);

    uint16_t ring[5] = {5, 6, 2, 3, 4};
    UnrollRing(reinterpret_cast<uint8_t*>(ring), 2, 5, 2, 5);
    EXPECT_EQ(std::vector<uint16_t>(ring, ring + 5), (std::vector<uint16_t>{2, 3, 4, 5, 6}));
    uint16_t filling[5] = {1, 2, 3, 0, 0};
    UnrollRing(reinterpret_cast<uint8_t*>(filling), 2, 5, 3, 3);
    EXPECT_EQ(std::vector<uint16_t>(filling, filling + 3), (std::vector<uint16_t>{1, 2, 3}));
}

TEST(ReadIn, ChannelOrderFollowsTheStorageKind) {
    auto acq = std::make_unique<stAcq>();
    memset(acq.get(), 0, sizeof(stAcq));
    const struct { int32_t group, number; } enabled[] = {{0, 3}, {0, 0}, {1, 1}, {0, 2}, {2, 0}};
    for (size_t i = 0; i < kMaxChanRecords; ++i) acq->chans[i].number = -1;
    for (size_t i = 0; i < 5; ++i) {
        acq->chans[i].flags = 2;
        acq->chans[i].group = enabled[i].group;
        acq->chans[i].number = enabled[i].number;
    }
    const struct {
        int32_t storage;
        std::vector<int32_t> order;
        int32_t frameSize;
    } cases[] = {
        {2, {1, 3, 4, 21, 40}, 8}, {1, {1, 3, 4, 21, 40}, 8}, {3, {1, 3, 21, 4, 40}, 8},
        {4, {1, 21, 3, 4, 40}, 8}, {5, {1, 3, 4, 21, 40}, 6},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.storage);
        acq->storageKind = c.storage;
        uint16_t mask = 0;
        ASSERT_EQ(BuildChannelOrder(acq.get(), &mask), 1);
        EXPECT_EQ(mask, 0b1101);
        EXPECT_EQ(std::vector<int32_t>(acq->run.chanOrder, acq->run.chanOrder + 5), c.order);
        EXPECT_EQ(acq->run.frameSize, c.frameSize);
    }
    for (stAcqChan& c : acq->chans) c.flags = 0;
    uint16_t mask = 0;
    EXPECT_EQ(BuildChannelOrder(acq.get(), &mask), 0);
}

// ---- Runs against the simulated unit ----

class Recording : public SimulatedRunTest {
protected:
    Recording() : SimulatedRunTest("Recording") {}

    // Every run channel holds the counting pattern from frame `first` on, count samples, in the
    // slot of its number (analog 1-4, digital 20 + j).
    void ExpectCounting(const stAcq* acq, uint32_t first, uint32_t count) {
        const stAcqRun& run = acq->run;
        for (int i = 0; i < run.analogCount + run.digitalCount; ++i) {
            const int32_t number = run.chanOrder[i];
            const int s = number;
            SCOPED_TRACE("slot " + std::to_string(s));
            ASSERT_TRUE(ChannelInUse(gs.get(), s));
            ASSERT_EQ(gs->chanCount[s], count);
            ASSERT_NE(gs->chanBlock[s], nullptr);
            const auto* block = static_cast<const uint16_t*>(gs->chanBlock[s]);
            int bad = 0;
            for (uint32_t i = 0; i < count && bad < 3; ++i) {
                uint16_t want = 0;
                if (number >= kFirstDigitalSlot)
                    want = (SimCountingWord(first + i, 4) >> (number - kFirstDigitalSlot)) & 1 ? kDigitalHigh : 0;
                else
                    want = SimCountingWord(first + i, static_cast<uint32_t>(number - 1));
                if (block[i] != want) {
                    ADD_FAILURE() << "sample " << i << " is " << block[i] << ", not " << want;
                    ++bad;
                }
            }
        }
    }

};

struct stLayout {
    const char* name;
    std::vector<int> analog, digital;
    int32_t frameSize;
};
const stLayout kLayouts[] = {
    {"one analog", {2}, {}, 2},
    {"all analog", {0, 1, 2, 3}, {}, 8},
    {"three analog", {0, 1, 3}, {}, 6},  // frames straddle the ring's end
    {"analog and digital", {0, 3}, {0, 2}, 6},
};

TEST_F(Recording, AMemoryRunHoldsExactlyItsLengthInOrderForEveryLayoutAndPollSize) {
    stAcq* acq = Start();
    for (const stLayout& layout : kLayouts) {
        for (uint32_t stepMs : {97u, 3900u}) {
            SCOPED_TRACE(std::string(layout.name) + ", poll every " + std::to_string(stepMs) + " ms");
            Enable(acq, layout.analog, layout.digital);
            SetUpRun(acq, kStorageMemory, 1.0, 4001);
            ASSERT_EQ(StartAcquisition(acq, 0), 1);
            EXPECT_EQ(acq->run.frameSize, layout.frameSize);
            EXPECT_EQ(gs->acquiring, 1u);
            Run(acq, stepMs);
            ASSERT_EQ(acq->run.running, 0);
            EXPECT_EQ(gs->acquiring, 0u);
            EXPECT_EQ(gs->totalSamples, 4001);
            ExpectCounting(acq, 0, 4001);
            // The last poll took only the missing frames, so the read position counts them alone.
            EXPECT_EQ(acq->run.readPosition, 4001u * layout.frameSize);
        }
    }
    // The script subroutines ran around each run, start before end.
    ASSERT_GE(Recorder().scriptCalls.size(), 2u);
    EXPECT_EQ(Recorder().scriptCalls[0].name, "OnStartAcquisition");
    EXPECT_EQ(Recorder().scriptCalls[1].name, "OnEndAcquisition");
}

TEST_F(Recording, ARingRunKeepsTheLastLengthOfFramesOldestFirst) {
    stAcq* acq = Start();
    for (const stLayout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        Enable(acq, layout.analog, layout.digital);
        SetUpRun(acq, kStorageMemory, 1.0, 700, kDataOverwrite, kRepeatRing);
        gs->hOffset = 0;
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int i = 0; i < 25; ++i) {  // 2,500 frames: the ring is never ended by its length
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        ASSERT_EQ(acq->run.running, 1);
        g_runLayer.scriptStopRequest = 1;  // "STOPACQ"
        CheckAcquisitionStatus(acq);
        ASSERT_EQ(acq->run.running, 0);
        const uint32_t recorded = acq->run.readPosition / static_cast<uint32_t>(layout.frameSize);
        ASSERT_GT(recorded, 2400u);
        EXPECT_EQ(gs->storageKind, kStoreMemory);
        ExpectCounting(acq, recorded - 700, 700);
        EXPECT_DOUBLE_EQ(gs->hOffset, (recorded - 700) * 1.0);  // times stay those of the run
    }
}

// A ring run that outlasted its view: the view followed the newest frame, and at the end it shows
// the frames the ring kept rather than the time after them.
TEST_F(Recording, AfterARingRunTheViewShowsTheFramesKept) {
    EXPECT_DOUBLE_EQ(ViewStartWithin(-300, 700, 1000), 0.0);
    EXPECT_DOUBLE_EQ(ViewStartWithin(2300, 700, 200), 500.0);
    EXPECT_DOUBLE_EQ(ViewStartWithin(100, 700, 200), 100.0);  // a view within the data stays
    stAcq* acq = Start();
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    Enable(acq, {0}, {});
    SetUpRun(acq, kStorageMemory, 1.0, 700, kDataOverwrite, kRepeatRing);
    g_lib.scrolling = 1;
    g_lib.autoPlotting = 1;
    const struct {
        double perDiv, start;
    } views[] = {{100, 0.0}, {20, 500.0}};  // 1 s: longer than the 0.7 s kept; 0.2 s: its last fifth
    for (const auto& v : views) {
        SCOPED_TRACE(v.perDiv);
        gs->hwnd = window;
        gs->plotRect = RECT{0, 0, 400, 200};
        gs->hPerDiv = v.perDiv;
        gs->hDivisions = 10;
        gs->hStart = 0;
        gs->hOffset = 0;
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        for (int i = 0; i < 25; ++i) {
            AdvanceClock(100);
            CheckAcquisitionStatus(acq);
        }
        EXPECT_GT(gs->hStart, 1000.0) << "the view followed the newest frame";
        g_runLayer.scriptStopRequest = 1;
        CheckAcquisitionStatus(acq);
        ASSERT_EQ(acq->run.running, 0);
        ASSERT_EQ(gs->chanCount[1], 700u);
        EXPECT_DOUBLE_EQ(gs->hStart, v.start);
        EXPECT_LT(gs->hStart, 700.0) << "the view shows frames kept";
    }
    gs->hwnd = nullptr;
    DestroyWindow(window);
}

TEST_F(Recording, AFailedExchangeEndsTheRunKeepingEveryFrameThatCame) {
    stAcq* acq = Start();
    Enable(acq, {0, 1}, {1});
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 5000;
    acq->storageKind = kStorageMemory;
    acq->repeatMode = kRepeatOnce;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    for (int i = 0; i < 10; ++i) {
        AdvanceClock(50);
        CheckAcquisitionStatus(acq);
    }
    const uint32_t before = gs->chanCount[1];
    ASSERT_GT(before, 0u);
    const size_t shown = boxes->boxes.size();
    SimControlSetDword(kSimFaultCommand, 19);
    SimControlSetDword(kSimFault, kSimFaultBadChecksum);
    AdvanceClock(50);
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.running, 0);
    ASSERT_EQ(boxes->boxes.size(), shown + 1);
    EXPECT_NE(boxes->boxes.back().text.find("Communications error"), std::string::npos);
    EXPECT_NE(boxes->boxes.back().text.find("Acquisition terminated"), std::string::npos);
    EXPECT_GE(gs->chanCount[1], before);
    ExpectCounting(acq, 0, gs->chanCount[1]);
    EXPECT_EQ(Recorder().scriptCalls.back().name, "OnEndAcquisition");
}

TEST_F(Recording, AnOverrunRingEndsTheRunWithBufferOverflow) {
    stAcq* acq = Start();
    Enable(acq, {0, 1, 2, 3}, {});
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 50000;
    acq->storageKind = kStorageMemory;
    acq->repeatMode = kRepeatOnce;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    AdvanceClock(100);
    CheckAcquisitionStatus(acq);
    const uint32_t before = gs->chanCount[1];
    const size_t shown = boxes->boxes.size();
    AdvanceClock(5000);  // 40,000 bytes: more than the unit's ring holds
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.running, 0);
    ASSERT_EQ(boxes->boxes.size(), shown + 1);
    EXPECT_NE(boxes->boxes.back().text.find("Buffer overflow"), std::string::npos);
    ExpectCounting(acq, 0, before);
}

TEST_F(Recording, AStartTheUnitRefusesChangesNothingInTheGraph) {
    stAcq* acq = Start();
    Enable(acq, {0}, {});
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 100;
    acq->storageKind = kStorageMemory;
    const size_t shown = boxes->boxes.size();
    SimControlSetDword(kSimFaultCommand, 64);
    SimControlSetDword(kSimFault, kSimFaultBadChecksum);
    EXPECT_EQ(StartAcquisition(acq, 0), 0);
    EXPECT_EQ(acq->run.running, 0);
    EXPECT_EQ(gs->acquiring, 0u);
    EXPECT_EQ(gs->chanBlock[1], nullptr);
    ASSERT_EQ(boxes->boxes.size(), shown + 1);
    EXPECT_NE(boxes->boxes.back().text.find("Acquisition not performed"), std::string::npos);
    // No channel at all: refused before the unit hears of it.
    Enable(acq, {}, {});
    SimControlSetDword(kSimFault, kSimFaultNone);
    EXPECT_EQ(StartAcquisition(acq, 0), 0);
    EXPECT_EQ(boxes->boxes.size(), shown + 1);
}

// Start over a graph that holds a run, with the overwrite warning on: the question comes, and
// declined (the capture's answer), nothing starts.
void DeclineOverwrite(stAcq* acq, CBoxCapture& boxes) {
    acq->dataMode = kDataOverwrite;
    acq->warnOnOverwrite = 1;
    const size_t shown = boxes.boxes.size();
    EXPECT_EQ(StartAcquisition(acq, 0), 0);
    ASSERT_EQ(boxes.boxes.size(), shown + 1);
    EXPECT_EQ(boxes.boxes.back().text, "Overwrite existing data?");
}

TEST_F(Recording, AppendingAddsTheNextRunBehindTheFirst) {
    stAcq* acq = Start();
    Enable(acq, {0, 2}, {});
    SetUpRun(acq, kStorageMemory, 1.0, 300, kDataAppend);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 40);
    ExpectCounting(acq, 0, 300);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 40);
    ASSERT_EQ(gs->chanCount[1], 600u);
    ASSERT_EQ(gs->chanCount[3], 600u);
    // The second run counts from its own first frame again, behind the first run's frames.
    const auto* block = static_cast<const uint16_t*>(gs->chanBlock[3]);
    EXPECT_EQ(block[299], SimCountingWord(299, 2));
    EXPECT_EQ(block[300], SimCountingWord(0, 2));
    EXPECT_EQ(block[599], SimCountingWord(299, 2));
    // Overwrite asks first when told to; declined, the graph keeps its data.
    ASSERT_NO_FATAL_FAILURE(DeclineOverwrite(acq, *boxes));
    EXPECT_EQ(gs->chanCount[1], 600u);
    // Without the warning it replaces.
    acq->warnOnOverwrite = 0;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Run(acq, 40);
    ExpectCounting(acq, 0, 300);
}

// The overwrite question is captioned with the connected unit's name, as the device menu's title
// names it.
TEST_F(Recording, TheOverwriteQuestionNamesTheConnectedModel) {
    const struct {
        const char* driver;
        const char* caption;
    } cases[] = {{"VKUSB", "VK40"}, {"VKUSB45", "VK45"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.driver);
        stAcq* acq = Start(c.driver);
        Enable(acq, {0}, {});
        SetUpRun(acq, kStorageMemory, 1.0, 100, kDataAppend);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 40);
        ASSERT_EQ(gs->chanCount[1], 100u);
        ASSERT_NO_FATAL_FAILURE(DeclineOverwrite(acq, *boxes));
        EXPECT_EQ(boxes->boxes.back().caption, c.caption);
        Stop();
    }
}

TEST_F(Recording, ARunThatWaitsForTheStartSignalRecordsFromItsFrameOn) {
    stAcq* acq = Start();
    Enable(acq, {1, 3}, {});
    SimControlSetDword(kSimExternalTriggerFrame, 1500);
    SetUpRun(acq, kStorageMemory, 1.0, 2000);
    acq->unitMode = 0x80;
    acq->preStartDelay = 0;
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    EXPECT_EQ(acq->run.dataStarted, 0);
    EXPECT_EQ(gs->chanBlock[2], nullptr);  // no blocks before the signal
    AdvanceClock(1000);
    CheckAcquisitionStatus(acq);
    EXPECT_EQ(acq->run.dataStarted, 0);
    Run(acq, 250);
    EXPECT_EQ(acq->run.dataStarted, 1);
    ExpectCounting(acq, 0, 2000);  // the pattern counts from the signal's frame
}

struct stDrawCall {
    int16_t chan;
    double first, span;
};
std::vector<stDrawCall> g_drawCalls;

int32_t WINAPI RecordDraw(HDC, tagGS*, int16_t chan, double first, double span, int16_t) {
    g_drawCalls.push_back({chan, first, span});
    return 1;
}

TEST_F(Recording, NewPointsAreDrawnAsTheyComeAndTheViewFollowsTheNewest) {
    stAcq* acq = Start();
    g_lib.host.drawGraphWaveforms = RecordDraw;
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 400, 300, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    gs->plotRect = RECT{0, 0, 400, 200};
    Enable(acq, {0, 1}, {});
    SetUpRun(acq, kStorageMemory, 1.0, 2500);
    for (int32_t scrolling : {1, 0}) {
        SCOPED_TRACE(scrolling ? "scrolling" : "sweep");
        g_lib.scrolling = scrolling;
        g_lib.autoPlotting = 1;
        gs->hwnd = window;
        gs->hPerDiv = 100;
        gs->hDivisions = 10;  // a view of 1,000 ms
        g_drawCalls.clear();
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 97);
        ASSERT_EQ(gs->chanCount[1], 2500u);
        // The first page is drawn piece by piece, each stretch joining the last, for both channels
        // (slots 1 and 2).
        double end0 = 0;
        int calls0 = 0, calls1 = 0;
        for (const stDrawCall& c : g_drawCalls) {
            if (c.first + c.span > 1000.0) continue;  // later pages, after the view moved on
            if (c.chan == 2) ++calls1;
            if (c.chan != 1) continue;
            ++calls0;
            EXPECT_LE(c.first, end0);
            EXPECT_GE(c.first + 1.0, end0);
            end0 = c.first + c.span;
        }
        EXPECT_EQ(calls0, 10);  // 970 ms fit the first page; the rest moved the view on
        EXPECT_EQ(calls1, calls0);
        if (scrolling)
            EXPECT_DOUBLE_EQ(gs->hStart, 2500.0 - 1000.0);  // the newest frame at the right edge
        else
            EXPECT_DOUBLE_EQ(gs->hStart, 1940.0);  // a new page began with the batch that passed the end
    }
    gs->hwnd = nullptr;
    DestroyWindow(window);
}

// Marks every 100 ms of the drawn stretch as a black column, where the view puts it.
int32_t WINAPI DrawTimeMarks(HDC dc, tagGS* gs, int16_t chan, double first, double span, int16_t) {
    if (chan != 1) return 1;
    const double msPerPixel = gs->hPerDiv * gs->hDivisions / (gs->plotRect.right - gs->plotRect.left);
    for (double t = std::ceil(first / 100.0) * 100.0; t <= first + span; t += 100.0) {
        const int x = gs->plotRect.left + static_cast<int>(std::llround((t - gs->hStart) / msPerPixel));
        PatBlt(dc, x, gs->plotRect.top + 1, 1, gs->plotRect.bottom - gs->plotRect.top - 2, BLACKNESS);
    }
    return 1;
}
void WINAPI IgnoreAxis(HDC, tagGS*) {}
void WINAPI IgnoreGrid(HDC, tagGS*, int32_t) {}
void WINAPI IgnoreScrollBar(tagGS*) {}

// Past the view's end the plot moves in place: the marks drawn before a move stay at their times,
// an old page is wiped, and nothing is left for a whole-window repaint (which would paint over the
// window's own controls).
TEST_F(Recording, PastTheViewsEndThePlotMovesInPlaceKeepingWhatWasDrawnAtItsTime) {
    stAcq* acq = Start();
    g_lib.host.drawGraphWaveforms = DrawTimeMarks;
    g_lib.host.drawTimeAxis = IgnoreAxis;
    g_lib.host.drawChannelGrid = IgnoreGrid;
    g_lib.host.updateHScrollBar = IgnoreScrollBar;
    Enable(acq, {0}, {});
    SetUpRun(acq, kStorageMemory, 1.0, 2500);
    struct Mode {
        int32_t scrolling;
        double start;  // the view's start at the end of the run
    };
    for (const Mode& mode : {Mode{1, 1500.0}, Mode{0, 1940.0}}) {
        SCOPED_TRACE(mode.scrolling ? "scrolling" : "sweep");
        HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 0, 0, 420, 300, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(window, nullptr);
        UpdateWindow(window);
        g_lib.scrolling = mode.scrolling;
        g_lib.autoPlotting = 1;
        gs->hwnd = window;
        gs->plotRect = RECT{10, 0, 410, 200};  // 2.5 ms a pixel
        gs->hPerDiv = 100;
        gs->hDivisions = 10;
        gs->hStart = 0;
        gs->displayMode = kModeChart;
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        Run(acq, 97);
        ASSERT_EQ(gs->chanCount[1], 2500u);
        ASSERT_DOUBLE_EQ(gs->hStart, mode.start);
        RECT pending{};
        EXPECT_FALSE(GetUpdateRect(window, &pending, FALSE));
        HDC dc = GetDC(window);
        auto black = [&](int x) { return GetPixel(dc, x, 100) == RGB(0, 0, 0); };
        for (double t = std::ceil(mode.start / 100.0) * 100.0; t < 2500.0; t += 100.0) {
            const int x = 10 + static_cast<int>(std::llround((t - mode.start) / 2.5));
            EXPECT_TRUE(black(x - 1) || black(x) || black(x + 1)) << "mark of " << t << " ms at column " << x;
            EXPECT_FALSE(black(x + 20)) << "between the marks after " << t << " ms";
        }
        if (!mode.scrolling) {
            EXPECT_FALSE(black(12)) << "the old page was wiped";
        }
        ReleaseDC(window, dc);
        gs->hwnd = nullptr;
        DestroyWindow(window);
    }
}

TEST_F(Recording, ANewRecordRecordsSixThousandFramesIntoMemoryAt5Ms) {
    stAcq* acq = Start();
    EXPECT_EQ(acq->storageKind, 2);
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, 5.0);
    EXPECT_EQ(acq->acqLength, 6000);
    EXPECT_EQ(acq->dataMode, 3);
    EXPECT_EQ(acq->repeatMode, 1);
    EXPECT_EQ(acq->autosaveEnable, 1);
    EXPECT_STREQ(acq->autosaveName, "UNTI");
    EXPECT_EQ(acq->autosaveNumber, 0);
}

// ---- The status strip ----

// A 32-bit top-down bitmap of w x h filled with one colour, selected into a memory DC.
class CPixels {
public:
    CPixels(int w, int h, COLORREF fill) : m_w(w) {
        BITMAPINFO info{};
        info.bmiHeader.biSize = sizeof(info.bmiHeader);
        info.bmiHeader.biWidth = w;
        info.bmiHeader.biHeight = -h;
        info.bmiHeader.biPlanes = 1;
        info.bmiHeader.biBitCount = 32;
        m_dc = CreateCompatibleDC(nullptr);
        m_bitmap = CreateDIBSection(m_dc, &info, DIB_RGB_COLORS, reinterpret_cast<void**>(&m_bits), nullptr, 0);
        m_old = SelectObject(m_dc, m_bitmap);
        for (int i = 0; i < w * h; ++i) m_bits[i] = (GetRValue(fill) << 16) | (GetGValue(fill) << 8) | GetBValue(fill);
    }
    ~CPixels() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bitmap);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF at(int x, int y) const {
        GdiFlush();
        const uint32_t p = m_bits[y * m_w + x];
        return RGB((p >> 16) & 0xFF, (p >> 8) & 0xFF, p & 0xFF);
    }

private:
    int m_w;
    HDC m_dc;
    HBITMAP m_bitmap;
    HGDIOBJ m_old;
    uint32_t* m_bits = nullptr;
};

constexpr COLORREF kMagenta = RGB(255, 0, 255);

TEST_F(Recording, EachStatusStateShowsItsOwnImageRightOfTheStartButton) {
    stAcq* acq = Start();
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const COLORREF red = RGB(200, 0, 0), green = RGB(0, 160, 0), amber = RGB(255, 176, 0);
    const COLORREF blue = RGB(0, 64, 200), black = RGB(0, 0, 0), dark = RGB(64, 64, 64);
    const COLORREF ground = RGB(192, 192, 192);  // the images' own grey, inside the hollow ring
    const struct {
        int32_t state;
        COLORREF centre;
    } cases[] = {
        {0, red}, {1, green}, {2, red}, {3, amber}, {4, blue}, {5, ground},
        {6, black}, {7, red}, {8, red}, {9, dark}, {10, face},
    };
    const RECT box = {0, 0, 120, 24};
    for (const auto& c : cases) {
        SCOPED_TRACE("state " + std::to_string(c.state));
        EXPECT_EQ(acq->run.statusBitmaps[c.state] != nullptr, c.state != 10);
        CPixels pixels(130, 30, kMagenta);
        PaintStatusImage(pixels.dc(), box, acq->run.statusBitmaps[c.state]);
        // The strip: inside the box by a pixel, right of the button's 50 pixels.
        EXPECT_EQ(pixels.at(50, 12), kMagenta);
        EXPECT_EQ(pixels.at(51, 12), face);
        EXPECT_EQ(pixels.at(118, 1), face);
        EXPECT_EQ(pixels.at(119, 12), kMagenta);
        EXPECT_EQ(pixels.at(60, 0), kMagenta);
        // The 12-pixel image: 14 left of the strip's right end, 2 below its top.
        EXPECT_EQ(pixels.at(105 + 6, 3 + 6), c.centre);
        // The recording image's white ground tells it from the red cross of no unit.
        if (c.state == 2 || c.state == 7) {
            EXPECT_EQ(pixels.at(105 + 1, 3 + 6), RGB(255, 255, 255));
        }
    }
}

TEST(StatusStrip, TheFillGaugeRisesAPixelPer2KBAndStopsAtTheTop) {
    const COLORREF face = GetSysColor(COLOR_BTNFACE);
    const RECT box = {10, 2, 130, 26};  // 24 pixels high; the column is x 107..112
    const struct {
        uint32_t bytes;
        int black;
    } cases[] = {{0, 0}, {2047, 0}, {2048, 1}, {10 * 2048 + 100, 10}, {24 * 2048, 24}, {1000000, 24}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.bytes);
        CPixels pixels(140, 30, kMagenta);
        PaintFillGauge(pixels.dc(), box, c.bytes);
        for (int y = 2; y < 26; ++y) {
            const COLORREF want = y >= 26 - c.black ? RGB(0, 0, 0) : face;
            ASSERT_EQ(pixels.at(107, y), want) << y;
            ASSERT_EQ(pixels.at(112, y), want) << y;
        }
        EXPECT_EQ(pixels.at(106, 12), kMagenta);
        EXPECT_EQ(pixels.at(113, 12), kMagenta);
        EXPECT_EQ(pixels.at(109, 1), kMagenta);
        EXPECT_EQ(pixels.at(109, 26), kMagenta);
    }
}

TEST(StatusStrip, AveragingAndRateGraphsAndOtherHorizontalModesShowNoStatus) {
    auto gs = MakeGraph();
    const struct {
        const char* title;
        uint32_t mode;
        bool shown;
    } cases[] = {
        {"Graph1", kHUnitTime, true},      {"Graph1", kHUnitClock, true},      {"Graph1", kHUnitFrequency, false},
        {"Graph1", kHUnitUser, false},     {"Averaging 1", kHUnitTime, false}, {"averaging", kHUnitClock, false},
        {"Rate meter", kHUnitTime, false}, {"RATE", kHUnitTime, false},        {"Heart Rate", kHUnitTime, true},
        {"Averagin", kHUnitTime, true},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.title) + " mode " + std::to_string(c.mode));
        lstrcpyA(gs->title, c.title);
        gs->hUnitKind = c.mode;
        EXPECT_EQ(ShowsAcquisitionStatus(gs.get()), c.shown);
    }
    EXPECT_FALSE(ShowsAcquisitionStatus(nullptr));
}

// ---- Runs from a play-back source ----

uint32_t g_playbackMs = 0;
uint32_t TestPlaybackClock() { return g_playbackMs; }

// A gain whose column factor (3.2768 x gain) is exactly 1: the table's numbers are the samples.
constexpr double kUnitFactorGain = 10000.0 / 32768.0;

// The source table: row r, column k holds r * 10 + k.
std::string CountingTable(uint32_t rows, uint32_t columns) {
    std::string text;
    for (uint32_t r = 0; r < rows; ++r) {
        for (uint32_t k = 0; k < columns; ++k) text += std::to_string(r * 10 + k) + "\t";
        text += "\r\n";
    }
    return text;
}

class PlaybackRecording : public Recording {
protected:
    void SetUp() override {
        Recording::SetUp();
        g_playbackMs = 5000;
        g_playbackClock = TestPlaybackClock;
        logFile = folder + "\\packets.log";
        sourceFile = folder + "\\source.txt";
    }
    void TearDown() override {
        SrcNavRelease("Graph1");
        for (const char* name : {"RUN0000.acq", "RUN0001.acq"}) SrcNavRelease(name);
        g_playbackClock = saved;
        SetStartupFlag(0);
        SimControlSetString(kSimLogFile, "");
        DeleteFileA(logFile.c_str());
        DeleteFileA(sourceFile.c_str());
        Recording::TearDown();
    }

    // The library over the simulated unit, its graph named Graph1 and served by a table of rows x columns.
    stAcq* StartWithSource(uint32_t rows, uint32_t columns) {
        stAcq* acq = Start();
        lstrcpyA(gs->title, "Graph1");
        HANDLE f = CreateFileA(sourceFile.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        const std::string text = CountingTable(rows, columns);
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
        char result[kSourceResultChars] = "";
        EXPECT_NE(SrcNavAssign(acq, sourceFile.c_str(), "Graph1", result), nullptr) << result;
        for (stAcqChan& c : acq->chans) c.gain = kUnitFactorGain;
        return acq;
    }

    // What the unit was sent or answered since logging began: its lines.
    std::vector<std::string> Log() const { return ReadPacketLog(logFile); }

    // Idle steps, the play-back clock moving stepMs before each, until the run ends.
    int Play(stAcq* acq, uint32_t stepMs, int maxPolls = 5000) {
        int polls = 0;
        while (acq->run.running && polls < maxPolls) {
            PollAcquisitionState(acq);
            g_playbackMs += stepMs;
            ++polls;
        }
        return polls;
    }

    // Each run analog channel k holds the table's column k from row 0 on, count samples, in the
    // slot of its number.
    void ExpectTable(const stAcq* acq, uint32_t count) {
        for (int k = 0; k < acq->run.analogCount; ++k) {
            const int s = acq->run.chanOrder[k];
            SCOPED_TRACE("slot " + std::to_string(s));
            ASSERT_EQ(gs->chanCount[s], count);
            const auto* block = static_cast<const int16_t*>(gs->chanBlock[s]);
            ASSERT_NE(block, nullptr);
            int bad = 0;
            for (uint32_t r = 0; r < count && bad < 3; ++r) {
                if (block[r] != static_cast<int16_t>(r * 10 + k)) {
                    ADD_FAILURE() << "sample " << r << " is " << block[r] << ", not " << r * 10 + k;
                    ++bad;
                }
            }
        }
    }

    PlaybackClock saved = g_playbackClock;
    std::string logFile, sourceFile;
};

TEST_F(PlaybackRecording, ASourceServesEveryFrameAtTheRecordingsRateWithoutAskingTheUnit) {
    struct Case {
        const char* what;
        double periodMs;
        uint32_t stepMs;
        std::vector<int> analog;
    } cases[] = {
        {"1 ms frames polled every 7 ms", 1.0, 7, {0, 1}},
        {"3 ms frames polled every 5 ms: the part frame carries over", 3.0, 5, {0, 1, 2}},
        {"a period longer than the poll", 20.0, 3, {1}},
    };
    stAcq* acq = StartWithSource(500, 4);
    SetStartupFlag(1);
    g_lib.readStatusEnable = 1;
    g_lib.unitCheckSuppressed = 0;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        Enable(acq, c.analog, {});
        SetUpRun(acq, kStorageMemory, c.periodMs, 400);
        // A run goes on from the source's row where the last one stopped; each case starts over.
        ASSERT_EQ(SrcNavFindNavigator("Graph1")->MovetoBegin(), 1);
        DeleteFileA(logFile.c_str());
        ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));
        PollAcquisitionState(acq);
        EXPECT_EQ(acq->run.statusState, 1);
        ASSERT_EQ(StartAcquisition(acq, 0), 1);
        EXPECT_EQ(gs->acquiring, 1u);
        const int polls = Play(acq, c.stepMs);
        ASSERT_EQ(acq->run.running, 0);
        // The first poll starts the source's clock; the run ends at the first poll at which its
        // 400 frames were due, not one earlier or later.
        const int due = static_cast<int>(std::ceil(400 * c.periodMs / c.stepMs)) + 1;
        EXPECT_EQ(polls, due);
        ExpectTable(acq, 400);
        EXPECT_DOUBLE_EQ(gs->sampleInterval, c.periodMs);
        for (int i = 0; i < 3; ++i) PollAcquisitionState(acq);
        EXPECT_EQ(acq->run.statusState, 1);
        // No unit command at all: not the status, not the ring, not the stop.
        EXPECT_EQ(Log(), std::vector<std::string>{});
        ASSERT_NE(SrcNavFindNavigator("Graph1"), nullptr);  // the source stays for the next run
    }
    ASSERT_GE(Recorder().scriptCalls.size(), 2u);
    EXPECT_EQ(Recorder().scriptCalls[0].name, "OnStartAcquisition");
    EXPECT_EQ(Recorder().scriptCalls[1].name, "OnEndAcquisition");
}

TEST_F(PlaybackRecording, WithTheDigitalWordTheAnalogChannelsKeepTheirColumnsAndTheDigitalReadNothing) {
    stAcq* acq = StartWithSource(500, 3);
    Enable(acq, {0, 2}, {0, 3});
    SetUpRun(acq, kStorageMemory, 2.0, 300);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    ASSERT_EQ(acq->run.frameSize, 6);
    Play(acq, 9);
    ASSERT_EQ(acq->run.running, 0);
    ExpectTable(acq, 300);
    for (int s : {20, 23}) {
        const auto* block = static_cast<const uint16_t*>(gs->chanBlock[s]);
        ASSERT_EQ(gs->chanCount[s], 300u);
        for (uint32_t i = 0; i < 300; ++i) ASSERT_EQ(block[i], 0) << "slot " << s << " sample " << i;
    }
}

TEST_F(PlaybackRecording, ARingRunFromASourceKeepsTheLastLengthAndStopsOnRequest) {
    stAcq* acq = StartWithSource(500, 2);
    Enable(acq, {0, 1}, {});
    SetUpRun(acq, kStorageMemory, 1.0, 100, kDataOverwrite, kRepeatRing);
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    for (int i = 0; i < 31; ++i) {  // 300 frames due by the last poll
        CheckAcquisitionStatus(acq);
        g_playbackMs += 10;
    }
    ASSERT_EQ(acq->run.running, 1);
    g_runLayer.scriptStopRequest = 1;
    CheckAcquisitionStatus(acq);
    ASSERT_EQ(acq->run.running, 0);
    ASSERT_EQ(gs->chanCount[1], 100u);
    const auto* block = static_cast<const int16_t*>(gs->chanBlock[2]);
    for (uint32_t i = 0; i < 100; ++i) ASSERT_EQ(block[i], static_cast<int16_t>((200 + i) * 10 + 1)) << i;
    EXPECT_DOUBLE_EQ(gs->hOffset, 200.0);
}

TEST_F(PlaybackRecording, MoreChannelsThanTheSourceHasColumnsAreRefused) {
    stAcq* acq = StartWithSource(50, 2);
    Enable(acq, {0, 1, 2}, {});
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 20;
    acq->storageKind = kStorageMemory;
    EXPECT_EQ(StartAcquisition(acq, 0), 0);
    EXPECT_EQ(acq->run.running, 0);
    EXPECT_EQ(gs->acquiring, 0u);
    for (int s : {1, 2, 3}) EXPECT_EQ(gs->chanBlock[s], nullptr);
    ASSERT_EQ(boxes->boxes.size(), 1u);
    EXPECT_EQ(boxes->boxes[0].caption, "VK40");
    EXPECT_EQ(boxes->boxes[0].text, getMsgBoxText("TOO MANY CHANNELS"));
    // Two columns are enough for two channels.
    Enable(acq, {0, 3}, {});
    ASSERT_EQ(StartAcquisition(acq, 0), 1);
    Play(acq, 5);
    ExpectTable(acq, 20);
}

// Host entry 14 as the program's file writer would use it: here the mode and CH1's samples
// (slot 1) are written, so a test can tell the files apart.
std::vector<int32_t> g_writeModes;
int32_t WINAPI WriteSamplesFile(tagGS* gs, HANDLE file, int32_t mode) {
    g_writeModes.push_back(mode);
    DWORD written = 0;
    return WriteFile(file, gs->chanBlock[1], gs->chanCount[1] * gs->chanBytes[1], &written, nullptr);
}

std::string FileText(const char* name) {
    HANDLE f = CreateFileA(name, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return "<missing>";
    std::string text(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    if (!text.empty()) ReadFile(f, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(f);
    return text;
}

TEST_F(PlaybackRecording, EveryAutosavedRunWritesANewNumberedFileAndTheSourceFollowsItsName) {
    stAcq* acq = StartWithSource(100, 1);
    g_lib.host.writeAcqFile = WriteSamplesFile;
    g_writeModes.clear();
    Enable(acq, {0}, {});
    acq->samplePeriodMs = 1.0;
    acq->storageKind = kStorageMemory;
    acq->repeatMode = kRepeatOnce;
    acq->dataMode = kDataAutosave;
    acq->autosaveEnable = 1;
    acq->warnOnOverwrite = 1;
    memcpy(acq->autosaveName, "RUN", 4);
    acq->autosaveNumber = 0;
    for (int run = 0; run < 2; ++run) {
        acq->acqLength = 10 + run;
        ASSERT_EQ(StartAcquisition(acq, 0), 1) << run;
        const std::string name = "RUN000" + std::to_string(run) + ".acq";
        EXPECT_EQ(std::string(gs->title), name);
        EXPECT_NE(SrcNavFindNavigator(name.c_str()), nullptr);  // the source serves the renamed graph
        Play(acq, 5);
        ASSERT_EQ(gs->chanCount[1], 10u + run);
        // Written whole at the end: exactly this run's samples.
        EXPECT_EQ(FileText(name.c_str()), std::string(static_cast<const char*>(gs->chanBlock[1]), 2 * (10 + run)));
    }
    EXPECT_EQ(g_writeModes, (std::vector<int32_t>{0, 0}));
    EXPECT_EQ(acq->autosaveNumber, 2);
    EXPECT_NE(gs->setupBlock, nullptr);  // the set-up went into the graph before it was written
    EXPECT_TRUE(boxes->boxes.empty());
    DeleteFileA("RUN0000.acq");
    DeleteFileA("RUN0001.acq");
}

// Autosaving off refuses the run. An existing file of the next number (an earlier session's) is
// never replaced nor asked about: the run takes the next number free.
TEST_F(Recording, AnAutosaveNameIsRefusedWhenAutosavingIsOffAndPassesOverAnExistingFile) {
    stAcq* acq = Start();
    Enable(acq, {0}, {});
    acq->samplePeriodMs = 1.0;
    acq->acqLength = 10;
    acq->storageKind = kStorageMemory;
    acq->dataMode = kDataAutosave;
    memcpy(acq->autosaveName, "KEEP", 5);
    acq->autosaveNumber = 7;
    acq->autosaveEnable = 0;
    EXPECT_EQ(StartAcquisition(acq, 0), 0);
    ASSERT_EQ(boxes->boxes.size(), 1u);
    EXPECT_EQ(boxes->boxes[0].text, "Unsupported autosave mode");
    EXPECT_EQ(acq->autosaveNumber, 7);

    HANDLE f = CreateFileA("KEEP0007.acq", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    WriteFile(f, "kept", 4, &written, nullptr);
    CloseHandle(f);
    acq->autosaveEnable = 1;
    acq->warnOnOverwrite = 1;
    boxes->answer = IDCANCEL;
    g_lib.host.writeAcqFile = WriteSamplesFile;
    EXPECT_EQ(StartAcquisition(acq, 0), 1);
    EXPECT_EQ(boxes->boxes.size(), 1u) << "nothing is asked";
    EXPECT_STREQ(gs->title, "KEEP0008.acq");
    EXPECT_EQ(acq->autosaveNumber, 9);
    Run(acq, 20);
    EXPECT_EQ(acq->run.running, 0);
    EXPECT_EQ(FileText("KEEP0007.acq"), "kept");
    EXPECT_EQ(FileText("KEEP0008.acq").size(), 2u * 10);
    EXPECT_EQ(boxes->boxes.size(), 1u);
    DeleteFileA("KEEP0007.acq");
    DeleteFileA("KEEP0008.acq");

    char name[16] = "";
    EXPECT_TRUE(FormatAutosaveName("UNTI", 12, name, sizeof name));
    EXPECT_STREQ(name, "UNTI0012.acq");
    EXPECT_FALSE(FormatAutosaveName("UNTI", 12, name, 12));
}

// Host entry 14 on a full disk: half the samples go out, then the write fails as WriteFile does.
int32_t WINAPI WriteHalfThenFullDisk(tagGS* gs, HANDLE file, int32_t) {
    DWORD written = 0;
    WriteFile(file, gs->chanBlock[1], gs->chanCount[1] * gs->chanBytes[1] / 2, &written, nullptr);
    SetLastError(ERROR_DISK_FULL);
    return 0;
}

// The names of the files in the current folder.
std::vector<std::string> FilesHere() {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*", &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) names.push_back(found.cFileName);
    while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

// A full disk while a run's numbered file is written, started by the Start button: the file that
// was there stays as it was, nothing partial or temporary is left, the user is told why, and the
// graph keeps the recording. With room again the next run's file is written whole.
TEST_F(Recording, AnAutosaveOnAFullDiskKeepsTheOldFileAndTheRecordingAndSaysSo) {
    stAcq* acq = Start();
    Enable(acq, {0}, {});
    SetUpRun(acq, kStorageMemory, 1.0, 50, kDataAutosave);
    acq->autosaveEnable = 1;
    memcpy(acq->autosaveName, "FULL", 5);
    acq->autosaveNumber = 0;
    // An earlier day's file of the first number: the run passes over it to the next.
    const std::string old = "the file of an earlier day's run";
    struct Case {
        const char* what;
        hostcb::WriteAcqFile writer;
        DWORD injected;  // the failure met once the writer is done, 0 for none
    } cases[] = {
        {"the writer meets a full disk", WriteHalfThenFullDisk, 0},
        {"the finished file meets a full disk", WriteSamplesFile, ERROR_DISK_FULL},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        acq->autosaveNumber = 0;
        HANDLE f = CreateFileA("FULL0000.acq", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, old.data(), static_cast<DWORD>(old.size()), &written, nullptr);
        CloseHandle(f);
        const std::vector<std::string> before = FilesHere();
        const size_t shown = boxes->boxes.size();
        g_lib.host.writeAcqFile = c.writer;
        SetFileWriteFailureForTests(c.injected);
        ops.onDriverCommand(hAcq, frame, IDC_START_BUTTON, nullptr, 0);
        ASSERT_EQ(acq->run.running, 1);
        Run(acq, 10);
        SetFileWriteFailureForTests(0);
        ASSERT_EQ(acq->run.running, 0);
        EXPECT_EQ(FileText("FULL0000.acq"), old);
        EXPECT_EQ(FilesHere(), before) << "no partial or temporary file is left";
        ASSERT_EQ(boxes->boxes.size(), shown + 1);
        char full[MAX_PATH] = "";
        GetFullPathNameA("FULL0001.acq", sizeof full, full, nullptr);
        // The cause's own text, naming the file, as every save of the program tells it.
        EXPECT_EQ(boxes->boxes.back().text, "Not enough disk space to save data\n" + std::string(full));
        ExpectCounting(acq, 0, 50);
        EXPECT_EQ(gs->modified, 1u);
    }
    g_lib.host.writeAcqFile = WriteSamplesFile;
    ops.onDriverCommand(hAcq, frame, IDC_START_BUTTON, nullptr, 0);
    Run(acq, 10);
    ASSERT_EQ(acq->run.running, 0);
    EXPECT_EQ(boxes->boxes.size(), 2u);
    EXPECT_EQ(FileText("FULL0002.acq"), std::string(static_cast<const char*>(gs->chanBlock[1]), 2 * 50));
    DeleteFileA("FULL0000.acq");
    DeleteFileA("FULL0002.acq");
}

}  // namespace
