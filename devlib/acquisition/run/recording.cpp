// Run control of host-paced recordings into memory, once through or as a ring: the unit is set up
// and started, each idle poll takes the frames that arrived, and the end finishes the blocks.
#include "devlib/acquisition/run/recording.h"

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/run/acq_state.h"
#include "devlib/acquisition/run/append_check.h"
#include "devlib/acquisition/run/auto_save.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/run/disk_run.h"
#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/unit/playback.h"
#include "devlib/acquisition/run/playback_run.h"
#include "devlib/acquisition/run/plotting.h"
#include "devlib/acquisition/run/run_common.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/outputs/stimulator.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/acquisition/run/unit_memory.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace {

constexpr UINT kRunPollTimerMs = 50;

constexpr double kFastPeriodMs = 0.5;
constexpr uint32_t kReadPositionMask = 0x7FFFFF;
constexpr uint8_t kStatusBusy = 0x01;       // byte 0: sampling
constexpr uint8_t kStatusStartSeen = 0x02;  // byte 1: the start signal came
constexpr uint16_t kWriteAddressBytes = 3;

int32_t FirstCount(const stAcq* acq, const tagGS* gs) {
    return static_cast<int32_t>(gs->chanCount[FirstRunSlot(acq->run)]);
}

bool GraphHoldsData(const tagGS* gs) {
    for (int32_t s = 0; s < kMaxChannels; ++s)
        if (ChannelInUse(gs, s) && gs->chanCount[s] > 0) return true;
    return false;
}

// A locked moveable block of at least bytes, grown in place (zero-filled) or made new.
bool SizeBlock(void** block, size_t bytes) {
    HGLOBAL h = *block ? GlobalHandle(*block) : nullptr;
    if (!h) {
        HGLOBAL fresh = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
        *block = fresh ? GlobalLock(fresh) : nullptr;
        return *block != nullptr;
    }
    GlobalUnlock(h);
    HGLOBAL sized = GlobalReAlloc(h, bytes ? bytes : 1, GMEM_MOVEABLE | GMEM_ZEROINIT);
    *block = GlobalLock(sized ? sized : h);
    return sized && *block;
}

void FreeBlock(void** block) {
    if (HGLOBAL h = *block ? GlobalHandle(*block) : nullptr) {
        GlobalUnlock(h);
        GlobalFree(h);
    }
    *block = nullptr;
}

bool RecordedHere(const stAcq* acq) {
    // Memory and disk runs of 16-bit frames (host-paced, or high speed on the second model) and
    // unit-memory runs; the doubles layout is refused.
    return acq->storageKind == kStorageMemory || acq->storageKind == kStorageDisk ||
           IsUnitMemoryStorage(acq->storageKind);
}

// The hardware of every enabled analog input (not for a play-back run, which needs no unit),
// the run order and the length's limits.
bool PrepareChannels(stAcq* acq, uint16_t* analogMask, bool unitInputs) {
    for (const stAcqChan& c : acq->chans)
        if (unitInputs && (c.flags & kChanEnabled) && c.group == kGroupAnalog && !ApplyChannelHardware(&c, acq))
            return false;
    // The calculation check may turn channels off, so it comes before the run order.
    if (!PrepareCalcChannels(acq) || !BuildChannelOrder(acq, analogMask)) return false;
    if (acq->maxLength > 0) acq->acqLength = std::min(acq->acqLength, acq->maxLength);
    acq->acqLength = std::max(acq->acqLength, 1);
    return true;
}

void CopyRunSettings(stAcq* acq) {
    acq->runSamplePeriod = acq->samplePeriodMs;
    acq->runLength = acq->acqLength;
    acq->runStorageKind = acq->storageKind;
    acq->runModeByte = static_cast<uint8_t>(acq->unitMode);
    acq->runRepeatMode = acq->repeatMode;
    acq->runDataMode = acq->dataMode;
    acq->runDelay = acq->preStartDelay;
    acq->runAutoRestart = acq->autoRestart;
    acq->runAutosaveEnable = acq->autosaveEnable;
    // The restart countdown is the Start's to set: an automatic restart copies the settings too.
}

// Reference, period and channel set-up of a host-paced run, then the start.
bool SendHostPacedStart(stAcq* acq, uint16_t analogMask, int32_t wait) {
    const bool slowRate = IsVK40() || acq->runSamplePeriod >= kFastPeriodMs;
    uint8_t ref[3];
    PutBeU16(ref, static_cast<uint32_t>(static_cast<int32_t>(acq->refVoltage * kRefVoltageCountsPerVolt)) & 0xFFFFu);
    ref[2] = acq->refCommand;
    if (!Command(kCmdReference, sizeof(ref), ref)) return false;
    if (slowRate) {
        uint8_t period[2];
        PutBeU16(period, static_cast<uint32_t>(acq->runSamplePeriod * 2 + 0.5));
        if (!Command(kCmdSamplePeriod, sizeof(period), period)) return false;
    }
    uint8_t arm[6] = {static_cast<uint8_t>((acq->runModeByte & 0xF0) | (slowRate ? 3 : 2)), 0, 0, 0, 0, 0};
    PutBeU16(arm + 2, analogMask);
    arm[4] = acq->run.digitalCount ? 0xFF : 0;
    if (!Command(kCmdArm, sizeof(arm), arm)) return false;
    HostRunScriptSubroutine(Host(), "OnStartAcquisition", 0);
    if (!slowRate && !StartHighSpeedRing(acq)) return false;
    if (wait && g_lib.filterDelayMs) Sleep(g_lib.filterDelayMs);
    const uint8_t start = kSamplingStart;
    return Command(kCmdSampling, 1, &start);
}

}  // namespace

uint32_t NewRingBytes(uint32_t writeAddress, uint32_t readPosition) {
    int64_t count = static_cast<int64_t>(writeAddress) - (readPosition & kReadPositionMask);
    if (count < 0) count += kUnitAddressSpan;
    return static_cast<uint32_t>(count);
}

int32_t FramesToRead(uint32_t bytes, int32_t frameSize, int32_t rest, int32_t repeat) {
    if (frameSize <= 0) return 0;
    const int32_t frames = static_cast<int32_t>(bytes / static_cast<uint32_t>(frameSize));
    return repeat ? frames : std::max(0, std::min(frames, rest));
}

double UnitFramePeriodMs(double periodMs, bool highSpeed) {
    if (highSpeed) return HighSpeedFramePeriodMs(periodMs);
    const uint32_t halves = static_cast<uint32_t>(periodMs * 2 + 0.5) & 0xFFFFu;
    return halves ? halves / 2.0 : periodMs;
}

bool FramesFellBehind(uint32_t elapsedMs, double framePeriodMs, uint64_t framesWritten, int32_t frameSize,
                      uint32_t ringBytes) {
    if (!(framePeriodMs > 0) || frameSize <= 0) return false;
    const uint64_t due = static_cast<uint64_t>(elapsedMs / framePeriodMs);
    if (due <= framesWritten) return false;
    return (due - framesWritten) * static_cast<uint64_t>(frameSize) > ringBytes;
}

// Frames the unit's clock may lag its frames by (the period's rounding, the frame under way).
constexpr uint64_t kGapToleranceFrames = 2;

GapCheck CheckForGap(uint64_t due, uint64_t delivered, bool framesCame) {
    const uint64_t lost = due > delivered ? due - delivered : 0;
    if (!g_runLayer.gapOpen) {
        if (lost <= g_runLayer.framesLost + kGapToleranceFrames) return GapCheck::None;
        // The frames of this check may have come before the gap was found: it stays open.
        g_runLayer.gapOpen = 1;
        g_runLayer.framesLost = lost;
        return GapCheck::Opened;
    }
    g_runLayer.framesLost = std::max(g_runLayer.framesLost, lost);
    if (!framesCame) return GapCheck::None;
    g_runLayer.gapOpen = 0;
    return GapCheck::Closed;
}

double ViewStartWithin(double startMs, double dataMs, double viewMs) {
    return std::max(0.0, std::min(startMs, dataMs - viewMs));
}

// The oldest sample sits at the write position once the ring is full; rotate it to the front.
void UnrollRing(uint8_t* block, uint32_t width, uint32_t capacity, uint32_t write, uint32_t fill) {
    if (!block || fill < capacity || capacity == 0 || write % capacity == 0) return;
    std::rotate(block, block + static_cast<size_t>(write % capacity) * width,
                block + static_cast<size_t>(capacity) * width);
}

// Every recording into a graph starts a segment: an append marker where its data begin.
static void MarkSegmentStart(tagGS* gs, const stAcq* acq) {
    HostInsertMarker(Host(), gs, acq->runStartCount * acq->runSamplePeriod, 1, "", 3);
}

// The graph's channels for this run and their blocks, at the first data of the run: each channel
// in the slot of its number.
int32_t PrepareRecordingBuffers(tagGS* gs, stAcq* acq) {
    const int32_t n = RunChannels(acq->run);
    const bool fresh = acq->runDataMode != kDataAppend;
    for (uint32_t& flags : gs->chanFlags) flags &= ~kChanSlotMask;
    for (int32_t i = 0; i < n; ++i) {
        const int32_t number = acq->run.chanOrder[i];
        const int32_t s = RunChannelSlot(acq->run, i);
        const int32_t r = RecordOfRunChannel(acq, number);
        const bool isDouble = number >= kFirstCalcSlot;
        gs->chanFlags[s] |= kChanSlotShown;
        gs->chanNumber[s] = number;
        if (r >= 0 && (acq->chans[r].flags & kChanPlot)) gs->chanFlags[s] |= 1;
        gs->chanBytes[s] = isDouble ? 8 : 2;
        gs->chanType[s] = isDouble ? kTypeDouble : 0;
        if (r >= 0) {
            gs->chanScale[s] = acq->chanMultiplier[r];
            gs->chanOffset[s] = acq->chanAddend[r];
            lstrcpynA(gs->chanLabel[s], acq->chans[r].label, sizeof(gs->chanLabel[s]));
            lstrcpynA(gs->chanUnits[s], acq->chans[r].units, sizeof(gs->chanUnits[s]));
        }
        if (fresh) gs->chanCount[s] = 0;
    }
    acq->runStartCount = FirstCount(acq, gs);
    gs->sampleInterval = acq->runSamplePeriod;
    if (acq->runStorageKind == kStorageDisk) {
        if (!PrepareDiskRecording(gs, acq)) return 0;
        MarkSegmentStart(gs, acq);
        return 1;
    }
    const bool ring = acq->runRepeatMode == kRepeatRing;
    const uint32_t length = static_cast<uint32_t>(acq->runLength);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t s = RunChannelSlot(acq->run, i);
        const size_t samples = ring ? length : static_cast<size_t>(gs->chanCount[s]) + length;
        if (!SizeBlock(&gs->chanBlock[s], samples * gs->chanBytes[s])) {
            for (int32_t k = 0; k < n; ++k) FreeBlock(&gs->chanBlock[RunChannelSlot(acq->run, k)]);
            for (int32_t k = 0; k < n; ++k) gs->chanCount[RunChannelSlot(acq->run, k)] = 0;
            ShowRunMessage(gs, "KEY Not enough memory");
            Command(kCmdStop, 0, nullptr);
            return 0;
        }
    }
    gs->storageKind = ring ? kStoreDiskRecording : kStoreMemory;
    gs->winFirst = 0;
    gs->winRingBase = ring ? 0 : static_cast<uint32_t>(FirstCount(acq, gs));
    gs->winLen = 0;
    gs->winSize = ring ? length : 0;
    gs->totalSamples = FirstCount(acq, gs);
    if (fresh) {
        gs->hStart = 0;
        HostOnGraphViewChanged(Host(), gs, static_cast<int32_t>(gs->storageKind));
    }
    MarkSegmentStart(gs, acq);
    if (gs->hwnd) UpdateWindow(gs->hwnd);
    return 1;
}

// The run fields a reset between runs borrows; the last run's are put back afterwards.
struct stRunFields {
    double samplePeriod;
    int32_t length, storageKind, delay, startCount, autoRestart, restartCountdown;
    uint8_t modeByte;
    int16_t repeatMode, dataMode, autosaveEnable;
};

static stRunFields SaveRunFields(const stAcq* acq) {
    return {acq->runSamplePeriod, acq->runLength,      acq->runStorageKind,   acq->runDelay,
            acq->runStartCount,   acq->runAutoRestart, acq->restartCountdown, acq->runModeByte,
            acq->runRepeatMode,   acq->runDataMode,    acq->runAutosaveEnable};
}

static void RestoreRunFields(stAcq* acq, const stRunFields& f) {
    acq->runSamplePeriod = f.samplePeriod;
    acq->runLength = f.length;
    acq->runStorageKind = f.storageKind;
    acq->runDelay = f.delay;
    acq->runStartCount = f.startCount;
    acq->runAutoRestart = f.autoRestart;
    acq->restartCountdown = f.restartCountdown;
    acq->runModeByte = f.modeByte;
    acq->runRepeatMode = f.repeatMode;
    acq->runDataMode = f.dataMode;
    acq->runAutosaveEnable = f.autosaveEnable;
}

// Between runs: the graph takes the set-up's channels with no samples, laid out from the run
// fields a start would copy now (never the last run's, which are put back for the append check).
// A disk set-up gets memory blocks of its file's window: only a run names and creates its file.
int32_t ResetGraphForSetup(tagGS* gs, stAcq* acq) {
    if (!gs || gs->acquiring || acq->run.running || UnitMemoryReadBackActive()) return 0;
    uint16_t analogMask = 0;
    BuildChannelOrder(acq, &analogMask);
    const stRunFields last = SaveRunFields(acq);
    CopyRunSettings(acq);
    acq->runDataMode = kDataOverwrite;
    const bool disk = acq->runStorageKind == kStorageDisk;
    if (disk) {
        acq->runStorageKind = kStorageMemory;
        acq->runLength = static_cast<int32_t>(kDiskRingSamples);
    }
    // As at a start: neither a disk run nor the unit's memory is a ring.
    if (disk || IsUnitMemoryStorage(acq->runStorageKind)) acq->runRepeatMode = kRepeatOnce;
    if (acq->maxLength > 0) acq->runLength = std::min(acq->runLength, acq->maxLength);
    acq->runLength = std::max(acq->runLength, 1);
    const int32_t prepared = PrepareRecordingBuffers(gs, acq);
    RestoreRunFields(acq, last);
    for (int32_t s = 0; s < kMaxChannels; ++s)
        if (!ChannelInUse(gs, s)) gs->chanCount[s] = 0;
    gs->totalSamples = 0;
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
    return prepared;
}

namespace {

// A host-paced run waits for the unit's start signal or takes its blocks now.
bool BeginHostPacedData(stAcq* acq, tagGS* gs, CCalcChannelsHold& calc) {
    acq->run.timingKind = kTimingHostPaced;
    if (acq->runModeByte & kModeWaitForStart) {
        acq->run.dataStarted = 0;
        gs->hOffset = acq->runDelay * acq->runSamplePeriod;
        return true;
    }
    acq->run.dataStarted = 1;
    g_runLayer.dataStartUs = g_unitLink.ClockUs();
    g_runLayer.dataStartMs = static_cast<uint32_t>(g_runLayer.dataStartUs / 1000u);
    if (PrepareRecordingBuffers(gs, acq)) return true;
    calc.Release();
    HostRunScriptSubroutine(Host(), "OnEndAcquisition", 0);
    return false;
}

}  // namespace

// The steps every start shares, the play-back start among them: the overwrite question, new or
// append, the channels and the length, the file of a disk run, the start time, the autosave name
// and the run copies.
int32_t PrepareRunStart(stAcq* acq, tagGS* gs, uint16_t* analogMask) {
    const bool holdsData = GraphHoldsData(gs);
    if (acq->warnOnOverwrite && holdsData && acq->dataMode == kDataOverwrite &&
        MessageBoxA(gs->hwnd, Keyed("Overwrite existing data?"), UnitCaption(), MB_YESNO | MB_ICONQUESTION) != IDYES)
        return 0;
    int32_t appendChosen = 0;
    // The append check's Revert may have chosen another storage kind.
    if (!CheckAppend(acq, &appendChosen) || !RecordedHere(acq)) return 0;
    CCalcChannelsHold calc(acq);
    if (!PrepareChannels(acq, analogMask, !PlaybackServesGraph(gs))) return 0;
    const bool append = appendChosen && acq->repeatMode != kRepeatRing;
    acq->forcedNew = 0;
    acq->startTick = g_unitLink.ClockMs();
    if ((acq->storageKind == kStorageDisk && !gs->filePath[0] && !SaveAcqAs(gs)) ||
        (acq->dataMode == kDataAutosave && !MakeAcqFileName(acq, gs)))
        return 0;
    CopyRunSettings(acq);
    acq->runStartCount = append ? FirstCount(acq, gs) : 0;
    acq->run.readPosition = 0;
    acq->run.nextAddress = 0;
    acq->run.frameCounter = 0;
    if (!append && acq->runDataMode == kDataAppend) acq->runDataMode = kDataOverwrite;
    calc.Keep();
    return 1;
}

// Starts a recording into memory, to disk or into the unit's memory; 1 when the unit runs.
int32_t StartAcquisition(stAcq* acq, int32_t wait) {
    ResetRunLayerState();
    tagGS* gs = acq->run.attachedGraph;
    // A read-back still runs its own message loop: no new run may take the graph's blocks.
    if (!gs || acq->run.running || UnitMemoryReadBackActive()) return 0;
    if (PlaybackServesGraph(gs)) return OnBeginAcquisition(acq);
    if (!RecordedHere(acq)) return 0;
    // A disk recording starts its file anew and writes it through once: it neither appends nor
    // repeats.
    if (acq->storageKind == kStorageDisk && acq->dataMode == kDataAppend) acq->dataMode = kDataOverwrite;
    if (acq->storageKind == kStorageDisk) acq->repeatMode = kRepeatOnce;
    uint16_t analogMask = 0;
    if (!PrepareRunStart(acq, gs, &analogMask)) return 0;
    CCalcChannelsHold calc(acq);
    const bool unitPaced = IsUnitMemoryStorage(acq->runStorageKind);
    if (unitPaced) acq->runRepeatMode = kRepeatOnce;  // the unit's memory is no ring
    RaiseRunStimulatorEvent(acq, kStimEvRecordingStarts);
    if (!(unitPaced ? StartUnitPacedRun(acq, analogMask) : SendHostPacedStart(acq, analogMask, wait))) {
        calc.Release();
        ShowRunMessage(gs, "KEY Communications error, not perfromed");
        return 0;
    }
    if (!unitPaced && !BeginHostPacedData(acq, gs, calc)) return 0;
    SendMessageA(gs->hwnd, WM_VK_RUN_STARTED, unitPaced ? 1 : 0, 0);
    acq->run.running = 1;
    if (acq->runAutoRestart) g_lib.autoRestartPending = 1;
    gs->acquiring = 1;
    ShowStartFace(acq, true);
    for (HWND b : gs->toolButtons) EnableWindow(b, FALSE);
    HostOnGraphChanged(Host(), gs, 0, 0, 0);
    KeepRunPolled();
    calc.Keep();
    return 1;
}

namespace {

// Any failed exchange ends the run keeping what came, then says so; no restart follows.
void EndOnCommunicationError(stAcq* acq) {
    tagGS* gs = acq->run.attachedGraph;
    g_lib.autoRestartPending = 0;
    EndAcquisition(acq, 1);
    MessageBeep(MB_ICONEXCLAMATION);
    ShowRunMessage(gs, "KEY Communications error, terminated");
}

// A calculation channel failed while computing: the run ends keeping what came, and the user
// learns which channel.
void EndOnCalcError(stAcq* acq) {
    const long channel = acq->calcFailedChannel;
    acq->calcFailedChannel = 0;
    tagGS* gs = acq->run.attachedGraph;
    if (acq->run.running) EndAcquisition(acq, 1);
    const char* format = KeyedOr(kCalcErrorKey, "C%ld");
    char text[256];
    FormatKeyedText(text, sizeof(text), format, channel);
    MessageBoxA(gs ? gs->hwnd : nullptr, text, Keyed(kProgramTitleKey), MB_OK | MB_ICONEXCLAMATION);
}

// Waiting for the unit's start signal: the blocks are made when it came.
bool PollStartSignal(stAcq* acq) {
    const uint8_t none[1] = {0};
    uint8_t status[kCmdStatusBytes] = {};
    if (!g_unitLink.QueryCommand(kCmdStatus, 0, none, kCmdStatusBytes, status)) return false;
    if (!(status[1] & kStatusStartSeen)) return true;
    acq->run.dataStarted = 1;
    g_runLayer.dataStartUs = g_unitLink.ClockUs();
    g_runLayer.dataStartMs = static_cast<uint32_t>(g_runLayer.dataStartUs / 1000u);
    acq->run.readPosition = 0;
    acq->run.nextAddress = 0;
    return PrepareRecordingBuffers(acq->run.attachedGraph, acq) != 0;
}

// The unit wrote fewer frames than the run's time asks for, by more than its ring holds: frames
// were lost as surely as in an overflow (it stopped writing for a while, or the host fell so far
// behind that the write address came round again).
bool UnitFellBehind(const stAcq* acq, uint32_t count) {
    const stAcqRun& run = acq->run;
    if (run.frameSize <= 0) return false;
    const uint64_t written = static_cast<uint64_t>(std::max(run.frameCounter, 0)) + count / run.frameSize;
    return FramesFellBehind(g_unitLink.ClockMs() - g_runLayer.dataStartMs, UnitFramePeriodMs(acq->runSamplePeriod, g_runLayer.highSpeedRun),
                            written, run.frameSize, g_runLayer.unitRingBytes);
}

// The unit delivered fewer frames than fell due on its clock since the run's frames began (read
// before the unit was asked, so an honest unit has always delivered them): it stopped writing for
// a while, and the frames after the gap would pass for earlier ones. Each gap gets a marker where
// the graph's data end when it is found and, once later frames came and the poll is over, a
// message (a stall that overflows the ring says so instead).
void NoteLostFrames(stAcq* acq, uint64_t askedUs, uint32_t deliveredBytes) {
    const stAcqRun& run = acq->run;
    tagGS* gs = run.attachedGraph;
    if (run.frameSize <= 0 || !gs) return;
    const uint64_t delivered =
        static_cast<uint64_t>(std::max(run.frameCounter, 0)) + deliveredBytes / static_cast<uint32_t>(run.frameSize);
    const double period = UnitFramePeriodMs(acq->runSamplePeriod, g_runLayer.highSpeedRun);
    const uint64_t elapsed = askedUs > g_runLayer.dataStartUs ? askedUs - g_runLayer.dataStartUs : 0;
    const uint64_t due = static_cast<uint64_t>(std::max(0, FramesSurelyRecorded(elapsed, period)));
    switch (CheckForGap(due, delivered, deliveredBytes >= static_cast<uint32_t>(run.frameSize))) {
    case GapCheck::Opened: g_runLayer.gapAt = FirstCount(acq, gs); break;
    case GapCheck::Closed:
        g_runLayer.gapNoticePending = 1;
        HostInsertMarker(Host(), gs, g_runLayer.gapAt * acq->runSamplePeriod, 1, Keyed("KEY Samples lost marker"), 0);
        break;
    case GapCheck::None: break;
    }
}

// Frames were lost: the run ends keeping what was read, and says so.
void EndOnOverflow(stAcq* acq) {
    ShowRunMessage(acq->run.attachedGraph, "KEY Buffer overflow");
    MessageBeep(MB_ICONEXCLAMATION);
    EndAcquisition(acq, 0);
}

// The frames that arrived since the last poll; false on a failed exchange.
bool TakeNewFrames(stAcq* acq) {
    stAcqRun& run = acq->run;
    tagGS* gs = run.attachedGraph;
    uint32_t count = 0;
    const uint64_t askedUs = g_unitLink.ClockUs();
    if (PlaybackServesGraph(gs)) {
        count = PlaybackRunBytes(acq);
    } else if (g_runLayer.highSpeedRun) {
        if (!QueryHighSpeedBytes(acq, &count)) return false;
    } else {
        const uint8_t none[1] = {0};
        uint8_t where[kWriteAddressBytes] = {};
        if (!g_unitLink.QueryCommand(kCmdWriteAddress, 0, none, kWriteAddressBytes, where)) return false;
        count = NewRingBytes(RingWriteAddress(where), run.readPosition);
    }
    if (count > g_runLayer.unitRingBytes || (!PlaybackServesGraph(gs) && UnitFellBehind(acq, count))) {
        EndOnOverflow(acq);
        return true;
    }
    if (count == 0) {
        if (!PlaybackServesGraph(gs)) NoteLostFrames(acq, askedUs, 0);
        return true;
    }
    // The high-speed ring is far larger than the gauge: its fill is shown to scale.
    DrawFillGauge(acq, g_runLayer.highSpeedRun ? HighSpeedGaugeBytes(count, g_runLayer.unitRingBytes) : count);
    const bool repeat = acq->runRepeatMode == kRepeatRing;
    const int32_t rest = acq->runLength + acq->runStartCount - FirstCount(acq, gs);
    const int32_t frames = FramesToRead(count, run.frameSize, rest, repeat);
    int32_t bytes = frames * run.frameSize;
    if (bytes == 0) return true;
    const int32_t read = acq->runStorageKind == kStorageDisk ? ReadDiskSamples(acq, &bytes, run.nextAddress)
                                                             : ReadMemorySamples(acq, &bytes, run.nextAddress);
    if (!read) return false;
    // The gap's marker goes where this poll's frames end (the frame counter still before them).
    if (!PlaybackServesGraph(gs)) NoteLostFrames(acq, askedUs, count);
    // Only whole frames were taken: a part frame stays in the unit for the next poll.
    if (g_runLayer.highSpeedRun) {
        AdvanceHighSpeedPosition(acq, static_cast<uint32_t>(bytes));
    } else {
        run.readPosition = (run.readPosition + static_cast<uint32_t>(bytes)) & 0xFFFFFFu;
        run.nextAddress = (run.nextAddress + static_cast<uint32_t>(bytes)) % g_runLayer.unitRingBytes;
    }
    run.frameCounter += frames;
    if (bytes < (g_runLayer.highSpeedRun ? kBatchLimitBytesFast : kBatchLimitBytes))
        PlotNewSamples(bytes, acq, gs);
    else
        g_runLayer.redrawAllAtEnd = 1;
    HostUpdateAllMeasurements(&g_lib.host, gs);
    if (!repeat && frames >= rest) EndAcquisition(acq, 0);
    return true;
}

// Counts a poll as under way for its length.
class CPollScope {
public:
    CPollScope() { ++g_runLayer.pollDepth; }
    ~CPollScope() { --g_runLayer.pollDepth; }
    CPollScope(const CPollScope&) = delete;
    CPollScope& operator=(const CPollScope&) = delete;
};

// Menus, message boxes and dialogs run loops of their own that give the program's loop no idle
// turn but still dispatch timer messages: the run is read on this timer meanwhile. It goes when
// the run has ended. The loop of a poll's own message box, and a read-back's loop, are left alone.
void CALLBACK PollRunOnTimer(HWND, UINT, UINT_PTR, DWORD) {
    AcqLock acq(g_lib.hAcq);
    if (!acq || !acq->run.running) {
        KillTimer(nullptr, g_runLayer.pollTimer);
        g_runLayer.pollTimer = 0;
        return;
    }
    if (g_runLayer.pollDepth == 0 && !UnitMemoryReadBackActive()) CheckAcquisitionStatus(acq.get());
}

}  // namespace

void KeepRunPolled() {
    if (!g_runLayer.pollTimer) g_runLayer.pollTimer = SetTimer(nullptr, 0, kRunPollTimerMs, PollRunOnTimer);
}

namespace {

void PollRun(stAcq* acq);

}  // namespace

// One idle poll of a run. A gap it found is told after the poll, so that the message's own loop
// still has the run read on the poll timer.
void CheckAcquisitionStatus(stAcq* acq) {
    if (!acq->run.running || !acq->run.attachedGraph) return;
    tagGS* gs = acq->run.attachedGraph;
    PollRun(acq);
    if (g_runLayer.gapNoticePending && g_runLayer.pollDepth == 0) {
        g_runLayer.gapNoticePending = 0;
        MessageBeep(MB_ICONEXCLAMATION);
        ShowRunMessage(gs, "KEY Samples lost");
    }
}

namespace {

void PollRun(stAcq* acq) {
    stAcqRun& run = acq->run;
    const CPollScope scope;
    if (g_runLayer.scriptStopRequest) {
        g_runLayer.scriptStopRequest = 0;
        EndAcquisition(acq, 0);
        return;
    }
    if (run.timingKind == kTimingUnitPaced) {
        if (!PollUnitPacedRun(acq)) EndOnCommunicationError(acq);
        return;
    }
    if (run.timingKind == kTimingFinished) {
        const uint8_t none[1] = {0};
        uint8_t status[kCmdStatusBytes] = {};
        if (!g_unitLink.QueryCommand(kCmdStatus, 0, none, kCmdStatusBytes, status)) return EndOnCommunicationError(acq);
        if (!(status[0] & kStatusBusy)) {
            run.dataStarted = 1;
            EndAcquisition(acq, 0);
        }
        return;
    }
    if (!run.dataStarted) {
        if (!PollStartSignal(acq)) EndOnCommunicationError(acq);
        return;
    }
    if (!TakeNewFrames(acq))
        EndOnCommunicationError(acq);
    else if (acq->calcFailedChannel)
        EndOnCalcError(acq);
}

}  // namespace

namespace {

// Each block of a ring run becomes a plain block of what the ring holds, oldest first; the time
// origin moves on by the frames the ring let go.
void FinishRingBlocks(stAcq* acq, tagGS* gs) {
    const int32_t n = RunChannels(acq->run);
    const uint32_t kept = std::min<uint32_t>(gs->winLen, gs->winSize);
    for (int32_t i = 0; i < n; ++i) {
        const int32_t s = RunChannelSlot(acq->run, i);
        UnrollRing(static_cast<uint8_t*>(gs->chanBlock[s]), gs->chanBytes[s], gs->winSize, gs->winRingBase, gs->winLen);
        gs->chanCount[s] = kept;
    }
    // The samples let go move the time origin on; the view keeps its place in the run's time but
    // never lies past the samples kept.
    const double droppedMs = gs->winFirst * acq->runSamplePeriod;
    gs->hOffset += droppedMs;
    gs->hStart = ViewStartWithin(gs->hStart - droppedMs, kept * acq->runSamplePeriod, gs->hPerDiv * gs->hDivisions);
    gs->winFirst = 0;
    gs->winRingBase = 0;
    gs->winLen = 0;
    gs->winSize = 0;
    gs->storageKind = kStoreMemory;
}

// Every run block shrinks to its samples; an empty one goes.
void FinishPlainBlocks(stAcq* acq, tagGS* gs) {
    for (int32_t i = 0; i < RunChannels(acq->run); ++i) {
        const int32_t s = RunChannelSlot(acq->run, i);
        if (gs->chanCount[s] == 0)
            FreeBlock(&gs->chanBlock[s]);
        else if (gs->chanBlock[s])
            SizeBlock(&gs->chanBlock[s], static_cast<size_t>(gs->chanCount[s]) * gs->chanBytes[s]);
    }
}

}  // namespace

// A finished run's blocks hold what it recorded: a ring is unrolled oldest first, a plain run's
// blocks shrink to their samples.
void FinishRecordedBlocks(stAcq* acq, tagGS* gs) {
    if (!acq->run.dataStarted) return;
    if (acq->runRepeatMode == kRepeatRing)
        FinishRingBlocks(acq, gs);
    else
        FinishPlainBlocks(acq, gs);
    gs->totalSamples = FirstCount(acq, gs);
    gs->modified = 1;
}

// Ends the run: the unit is stopped and the graph keeps every frame that came.
void EndAcquisition(stAcq* acq, int32_t failed) {
    stAcqRun& run = acq->run;
    tagGS* gs = run.attachedGraph;
    if (!gs) return;
    if (PlaybackServesGraph(gs)) {
        OnEndAcquisition(acq);
        return;
    }
    // An end while the read-back runs (the Start button, "STOPACQ") only stops the read-back.
    if (UnitMemoryReadBackActive()) return RequestReadBackStop();
    // A unit-paced run is read back while the graph still counts as recording, so it can be
    // neither closed nor started again from the read-back's message loop.
    const bool unitPaced = run.timingKind == kTimingUnitPaced;
    if (unitPaced && !FinishUnitMemoryRun(acq, failed)) return;
    for (HWND b : gs->toolButtons) EnableWindow(b, TRUE);
    gs->acquiring = 0;
    run.running = 0;
    ShowStartFace(acq, false);
    // The unit is told to stop even after a failed exchange.
    if (!unitPaced) {
        const uint8_t stop = kSamplingStop;
        Command(kCmdSampling, 1, &stop);
        Command(kCmdStop, 0, nullptr);
    }
    RaiseRunStimulatorEvent(acq, kStimEvRecordingEnds);
    run.timingKind = kTimingFinished;
    run.statusState = kStatusReady;
    ReleaseCalcChannels(acq);
    if (acq->runStorageKind == kStorageDisk && run.dataStarted) {
        EndDiskRecording(acq, gs, failed);
        gs->totalSamples = FirstCount(acq, gs);
        gs->modified = 1;
    } else {
        FinishRecordedBlocks(acq, gs);
    }
    HostOnGraphChanged(Host(), gs, 0, 0, 0);
    if (g_runLayer.redrawAllAtEnd && gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    g_runLayer.redrawAllAtEnd = 0;
    if (acq->runDataMode == kDataAutosave) WriteAutosaveFile(acq, gs);
    HostRunScriptSubroutine(Host(), "OnEndAcquisition", 0);
    SendMessageA(gs->hwnd, g_runLayer.stoppedByButton ? WM_VK_RUN_STOPPED : WM_VK_RUN_ENDED, 0, 0);
}
