// Unit-paced runs record into the unit's own memory and are read back at their end under a
// modeless progress dialog; model-45 high-speed runs keep a large ring in that memory that the
// host reads with long requests as the run goes.
#include "devlib/acquisition/run/unit_memory.h"

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_common.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace {

constexpr uint8_t kModeUnitPacedKeep = 0xF2;
constexpr uint8_t kModeUnitPaced = 2;
constexpr double kRateStepHz = 2500.0;
constexpr uint8_t kGoUnitPaced = 1;
constexpr uint8_t kGoHighSpeed = 2;
constexpr uint32_t kHighSpeedAddressMask = 0xFFFFFF;
constexpr uint16_t kProgressBytes = 8;
constexpr uint16_t kCountBytes = 3;
constexpr uint16_t kFastRequestBytes = 5;
constexpr size_t kFormatChars = 96;
// A wrong answer while a run in the unit's memory is read back is asked again, as a lost one is
// by the link: the frames still sit in the unit, and giving up would lose them.
constexpr int kReadBackTries = 3;

// A one-byte answer that must be 0.
bool Accepted(uint8_t command, uint16_t length, const uint8_t* data) {
    uint8_t answer = 0xFF;
    return g_unitLink.QueryCommand(command, length, data, 1, &answer) && answer == 0;
}

bool RequestUnitMemoryAgain(uint32_t address, int32_t length, uint8_t* buffer);

// How often a unit-paced run's count is checked against its clock while it records.
constexpr uint64_t kCountCheckUs = 10000;

// The unit's count while it records, against the frames due on its clock: a unit that stopped
// writing for a while has a gap there, which the read-back would close up silently. Where it
// begins is kept for a marker; a count that does not come is no fault of the run and is skipped.
// True when the count holds the whole run at a time the whole run can have been recorded: the
// unit's byte that says it is done shares the stream with the answers, and one sent during a
// count check goes with that check's answer.
bool CheckUnitPacedCount(stAcq* acq) {
    const stAcqRun& run = acq->run;
    const uint64_t asked = g_unitLink.ClockUs();
    if (run.dataStarted != 1 || run.frameSize <= 0 || asked - g_runLayer.countCheckedUs < kCountCheckUs) return false;
    g_runLayer.countCheckedUs = asked;
    uint8_t recorded[kCountBytes] = {};
    if (!g_unitLink.QueryCommand(kCmdRecordedBytes, 0, nullptr, kCountBytes, recorded)) return false;
    const uint64_t answered = g_unitLink.ClockUs();
    const uint64_t delivered = GetBeU24(recorded) / static_cast<uint32_t>(run.frameSize);
    const double period = HighSpeedFramePeriodMs(acq->runSamplePeriod);
    const uint64_t begun = g_runLayer.unitPacedBegunUs;
    const uint64_t due = static_cast<uint64_t>(std::max(0, FramesSurelyRecorded(asked > begun ? asked - begun : 0, period)));
    const bool came = delivered > g_runLayer.countedFrames;
    g_runLayer.countedFrames = std::max(g_runLayer.countedFrames, delivered);
    if (CheckForGap(std::min<uint64_t>(due, static_cast<uint64_t>(std::max(acq->runLength, 0))), delivered, came) ==
        GapCheck::Opened)
        g_runLayer.gapFrames.push_back(static_cast<uint32_t>(delivered));
    // A count of the whole run before the run can have been recorded is not the unit's end.
    const int32_t possible = FramesPossiblyRecorded(answered - g_runLayer.unitPacedGoUs, period);
    return acq->runLength > 0 && delivered >= static_cast<uint64_t>(acq->runLength) && possible >= acq->runLength;
}

// The read-back's frames with a gap the run found: a marker at each, and the user told.
void MarkUnitPacedGaps(stAcq* acq, tagGS* gs, uint32_t firstFrame, uint32_t framesRead) {
    bool marked = false;
    for (const uint32_t at : g_runLayer.gapFrames) {
        if (at == 0 || at >= framesRead) continue;
        HostInsertMarker(&g_lib.host, gs, (firstFrame + at) * acq->runSamplePeriod, 1, Keyed("KEY Samples lost marker"),
                         0);
        marked = true;
    }
    g_runLayer.gapFrames.clear();
    if (!marked) return;
    MessageBeep(MB_ICONEXCLAMATION);
    ShowRunMessage(gs, "KEY Samples lost");
}

}  // namespace

// The state of one read-back, shared with its dialog.
struct stReadBack {
    int32_t total;
    int32_t stop;  // any button of the dialog, or a second end of the run
    char format[kFormatChars];
};

namespace {

void ShowProgress(HWND dialog, const stReadBack* rb, int32_t done) {
    char line[kFormatChars + 64];
    FormatReadBackProgress(line, sizeof(line), rb->format, done, rb->total);
    SetDlgItemTextA(dialog, IDC_READ_BACK_PROGRESS, line);
}

// Dialog 147: shows the bytes done; any command asks the read-back to stop.
INT_PTR CALLBACK ReadBackProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* rb = reinterpret_cast<stReadBack*>(GetWindowLongPtrA(dialog, DWLP_USER));
    switch (message) {
    case WM_INITDIALOG:
        rb = reinterpret_cast<stReadBack*>(lParam);
        SetWindowLongPtrA(dialog, DWLP_USER, lParam);
        GetDlgItemTextA(dialog, IDC_READ_BACK_PROGRESS, rb->format, sizeof(rb->format));
        ShowProgress(dialog, rb, 0);
        return TRUE;
    case WM_USER:
        if (rb) ShowProgress(dialog, rb, static_cast<int32_t>(wParam));
        return TRUE;
    case WM_COMMAND:
    case WM_CLOSE:
        if (rb) rb->stop = 1;
        return TRUE;
    default: return FALSE;
    }
}

// The graph was closed or another attached while messages ran: it may be freed already.
bool GraphGone(const stAcq* acq, const tagGS* gs, HWND window) {
    return acq->run.attachedGraph != gs || (window && !IsWindow(window));
}

enum class ReadBackEnd { Done, Failed, LostGraph };

// The private loop: window messages first, a chunk whenever none waits. WM_QUIT stops it and is
// posted again afterwards, so the program's own loop still ends.
ReadBackEnd ReadBackLoop(stAcq* acq, tagGS* gs, stReadBack* rb, HWND dialog, uint32_t writeAt, int32_t* done) {
    const stAcqRun& run = acq->run;
    const HWND window = gs->hwnd;
    const int32_t secondModel = g_unitModel == kModelVK45;
    const int32_t chunk = ReadChunkBytes(run.frameSize, 1, secondModel);
    void* blocks[kMaxChanRecords] = {};
    for (int32_t i = 0; i < run.analogCount + run.digitalCount && i < kMaxChanRecords; ++i)
        blocks[i] = gs->chanBlock[RunChannelSlot(run, i)];
    static uint8_t buffer[kReadChunkBytesFast];
    bool quit = false;
    WPARAM quitCode = 0;
    ReadBackEnd end = ReadBackEnd::Done;
    while (*done < rb->total && !rb->stop) {
        MSG msg;
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.message == WM_QUIT) {
                quit = true;
                quitCode = msg.wParam;
                break;
            }
            if (!dialog || !IsDialogMessageA(dialog, &msg)) {
                TranslateMessage(&msg);
                DispatchMessageA(&msg);
            }
            if (GraphGone(acq, gs, window)) {
                end = ReadBackEnd::LostGraph;
                break;
            }
            continue;
        }
        const int32_t length = TrimLastChunk(std::min(chunk, rb->total - *done), run.frameSize, secondModel);
        if (length <= 0 || !RequestUnitMemoryAgain(static_cast<uint32_t>(*done), length, buffer)) {
            end = ReadBackEnd::Failed;
            break;
        }
        StoreFrames(buffer, length / run.frameSize, run, blocks, writeAt + static_cast<uint32_t>(*done / run.frameSize),
                    0);
        *done += length;
        if (dialog) SendMessageA(dialog, WM_USER, static_cast<WPARAM>(*done), 0);
    }
    if (quit) PostQuitMessage(static_cast<int>(quitCode));
    return end;
}

// The read-back of *count bytes under dialog 147, the graph window disabled meanwhile; the
// channel counts grow by the frames that came.
ReadBackEnd ReadBack(stAcq* acq, int32_t* count) {
    stAcqRun& run = acq->run;
    tagGS* gs = run.attachedGraph;
    const int32_t frames = *count / run.frameSize;
    stReadBack rb{};
    rb.total = frames * run.frameSize;
    const uint32_t writeAt = gs->winRingBase;
    gs->winRingBase += static_cast<uint32_t>(frames);
    const HWND window = gs->hwnd;
    if (window) EnableWindow(window, FALSE);
    g_runLayer.readBack = &rb;
    HWND dialog = CreateDialogParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_READ_BACK), window, ReadBackProc,
                                     reinterpret_cast<LPARAM>(&rb));
    if (dialog) ShowWindow(dialog, SW_SHOW);
    int32_t done = 0;
    const ReadBackEnd end = ReadBackLoop(acq, gs, &rb, dialog, writeAt, &done);
    g_runLayer.readBack = nullptr;
    if (dialog && IsWindow(dialog)) DestroyWindow(dialog);
    *count = done;
    if (window && IsWindow(window)) EnableWindow(window, TRUE);
    if (end == ReadBackEnd::LostGraph) return end;
    // Only the frames that came count; a Cancel leaves the rest in the unit.
    const uint32_t got = static_cast<uint32_t>(done / run.frameSize);
    gs->winRingBase = writeAt + got;
    for (int32_t i = 0; i < RunChannels(run); ++i)
        gs->chanCount[RunChannelSlot(run, i)] += got;
    gs->totalSamples = static_cast<int32_t>(gs->chanCount[FirstRunSlot(run)]);
    // The calculation channels follow the frames read back, as a host-paced run computes them.
    if (run.calcCount && got) ComputeCalcChannels(acq, gs, static_cast<int32_t>(got));
    return end;
}

// The read-back of a unit-memory run into the attached graph from the memory's start, under the
// progress dialog; *count becomes the bytes read.
ReadBackEnd ReadUnitMemorySamples(stAcq* acq, int32_t* count) {
    if (!acq->run.attachedGraph || acq->run.frameSize <= 0 || *count < 0) {
        *count = 0;
        return ReadBackEnd::Failed;
    }
    return ReadBack(acq, count);
}

// The run ends without its graph: nothing of the graph may be touched.
void DropRun(stAcq* acq, const tagGS* gs) {
    acq->run.running = 0;
    acq->run.timingKind = kTimingFinished;
    acq->run.statusState = kStatusReady;
    if (acq->run.attachedGraph == gs) acq->run.attachedGraph = nullptr;
}

}  // namespace

// Command 74: 24-bit address, 16-bit length.
bool RequestUnitMemory(uint32_t address, int32_t length, uint8_t* buffer) {
    uint8_t request[kFastRequestBytes];
    PutBeU24(request, address & kHighSpeedAddressMask);
    PutBeU16(request + 3, static_cast<uint32_t>(length));
    return g_unitLink.QueryCommand(kCmdReadRingHighSpeed, kFastRequestBytes, request, static_cast<uint16_t>(length),
                                   buffer) != 0;
}

namespace {

// A read-back request or the unit's count, asked again after a wrong or lost answer.
template <typename Ask>
bool AskAgainOnFault(Ask ask) {
    for (int attempt = 0; attempt < kReadBackTries; ++attempt)
        if (ask()) return true;
    return false;
}

bool RequestUnitMemoryAgain(uint32_t address, int32_t length, uint8_t* buffer) {
    return AskAgainOnFault([&] { return RequestUnitMemory(address, length, buffer); });
}

bool QueryRecordedBytes(uint8_t* recorded) {
    return AskAgainOnFault(
        [&] { return g_unitLink.QueryCommand(kCmdRecordedBytes, 0, nullptr, kCountBytes, recorded) != 0; });
}

// A read-back given up part way: the frames that came stay in the graph, and the user learns how
// many of how many.
void ShowPartReadBack(tagGS* gs, int32_t kept, int32_t total) {
    char text[256];
    FormatKeyedText(text, sizeof(text), Keyed("KEY Read-back incomplete"), static_cast<long>(kept),
                    static_cast<long>(total));
    MessageBoxA(gs ? gs->hwnd : nullptr, text, UnitCaption(), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

bool IsUnitMemoryStorage(int32_t kind) { return kind == kStorageUnitMemory || kind == kStorageFastUnitMemory; }

uint8_t HighSpeedRateCode(double periodMs) {
    if (periodMs <= 0) return 0;
    const double code = std::floor(1000.0 / periodMs / kRateStepHz + 1e-6);
    return static_cast<uint8_t>(std::clamp(code, 0.0, 255.0));
}

double HighSpeedFramePeriodMs(double periodMs) {
    const uint8_t code = HighSpeedRateCode(periodMs);
    return code ? 1000.0 / (code * kRateStepHz) : periodMs;
}

uint32_t HighSpeedRingBytes(uint32_t memoryBytes, int32_t analogCount, int32_t digitalCount) {
    const uint32_t words = static_cast<uint32_t>(std::max(1, analogCount + (digitalCount ? 1 : 0)));
    return words * (memoryBytes / (2 * words)) * 2;
}

uint32_t HighSpeedNewBytes(uint32_t position, uint32_t wraps, uint32_t readPosition, uint32_t lastWraps,
                           uint32_t ringBytes) {
    const uint32_t passes = wraps - lastWraps;
    if (passes >= 2) return 2 * ringBytes;
    const int64_t count = static_cast<int64_t>(passes) * ringBytes + position - readPosition;
    return count < 0 ? 0 : static_cast<uint32_t>(count);
}

uint32_t HighSpeedGaugeBytes(uint32_t count, uint32_t ringBytes) {
    const uint32_t kilobytes = ringBytes / 1024;
    if (kilobytes == 0) return count;
    return static_cast<uint32_t>(static_cast<uint64_t>(count) * 32 / kilobytes);
}

// Frames fall due at whole periods from the run's go. A whole-microsecond reading lies up to a
// microsecond below the time it was taken: the run lasted more than elapsedUs - 1 between readings
// taken inside it, and less than elapsedUs + 1 between readings taken around it.
int32_t FramesSurelyRecorded(uint64_t elapsedUs, double framePeriodMs) {
    if (!(framePeriodMs > 0) || elapsedUs == 0) return 0;
    const double frames = std::floor(static_cast<double>(elapsedUs - 1) / (framePeriodMs * 1000.0));
    return static_cast<int32_t>(std::clamp(frames, 0.0, static_cast<double>(INT32_MAX)));
}

int32_t FramesPossiblyRecorded(uint64_t elapsedUs, double framePeriodMs) {
    if (!(framePeriodMs > 0)) return 0;
    const double frames = std::floor(static_cast<double>(elapsedUs + 1) / (framePeriodMs * 1000.0)) + 1.0;
    return static_cast<int32_t>(std::clamp(frames, 0.0, static_cast<double>(INT32_MAX)));
}

// The unit's count is not trusted: a larger one would write past the blocks made for the run.
int32_t ReadBackBytes(uint32_t reported, int32_t runLength, int32_t frameSize) {
    if (frameSize <= 0 || runLength <= 0) return 0;
    const uint64_t room = static_cast<uint64_t>(runLength) * static_cast<uint64_t>(frameSize);
    const uint64_t bytes = std::min<uint64_t>(reported, room);
    return static_cast<int32_t>(bytes / static_cast<uint64_t>(frameSize) * static_cast<uint64_t>(frameSize));
}

void FormatReadBackProgress(char* out, size_t size, const char* format, int32_t done, int32_t total) {
    const int percent = total > 0 ? static_cast<int>(static_cast<int64_t>(done) * 100 / total) : 0;
    FormatKeyedText(out, size, format, static_cast<long>(done), static_cast<long>(total), percent);
}

// The unit records the run on its own clock; with a digital channel the digital word goes into
// its frames too, and the size names every byte of the frames.
int32_t StartUnitPacedRun(stAcq* acq, uint16_t analogMask) {
    stAcqRun& run = acq->run;
    uint8_t ref[3];
    PutBeU16(ref, static_cast<uint32_t>(static_cast<int32_t>(acq->refVoltage * kRefVoltageCountsPerVolt)) & 0xFFFFu);
    ref[2] = acq->refCommand;
    if (!Command(kCmdReference, sizeof(ref), ref)) return 0;
    uint8_t arm[6] = {static_cast<uint8_t>((acq->runModeByte & kModeUnitPacedKeep) | kModeUnitPaced), 0, 0, 0, 0, 0};
    PutBeU16(arm + 2, analogMask);
    arm[4] = run.digitalCount ? 0xFF : 0;
    if (!Command(kCmdArm, sizeof(arm), arm)) return 0;
    run.timingKind = kTimingUnitPaced;
    uint8_t setup[4] = {HighSpeedRateCode(acq->runSamplePeriod), 0, 0, 0};
    PutBeU24(setup + 1, static_cast<uint32_t>(run.frameSize) * static_cast<uint32_t>(acq->runLength));
    if (!Accepted(kCmdHighSpeedSetup, sizeof(setup), setup)) return 0;
    HostRunScriptSubroutine(&g_lib.host, "OnStartAcquisition", 0);
    const uint8_t go = kGoUnitPaced;
    g_runLayer.unitPacedStopSent = 0;
    g_runLayer.unitPacedStopTaken = 0;
    g_runLayer.unitPacedComplete = 0;
    g_runLayer.unitPacedGoUs = g_unitLink.ClockUs();
    if (!Accepted(kCmdHighSpeedGo, 1, &go)) return 0;
    g_runLayer.unitPacedBegunUs = g_unitLink.ClockUs();
    run.dataStarted = (acq->runModeByte & kModeWaitForStart) ? 0 : 1;
    run.statusState = run.dataStarted ? kStatusDataFlowing : kStatusWaitingForData;
    return 1;
}

int32_t StartHighSpeedRing(stAcq* acq) {
    uint8_t memory[kCountBytes] = {};
    if (!g_unitLink.QueryCommand(kCmdMemorySize, 0, nullptr, kCountBytes, memory)) return 0;
    g_unitMemorySize = GetBeU24(memory);
    const uint32_t ring = HighSpeedRingBytes(g_unitMemorySize, acq->run.analogCount, acq->run.digitalCount);
    uint8_t setup[4] = {HighSpeedRateCode(acq->runSamplePeriod), 0, 0, 0};
    PutBeU24(setup + 1, ring);
    if (!Accepted(kCmdHighSpeedSetup, sizeof(setup), setup)) return 0;
    const uint8_t go = kGoHighSpeed;
    if (!Accepted(kCmdHighSpeedGo, 1, &go)) return 0;
    g_runLayer.unitRingBytes = ring;
    g_runLayer.highSpeedRun = 1;
    g_runLayer.lastWrapCount = 0;
    return 1;
}

// The unit says on its data stream when its start signal came (7) and when it is done (6); its
// count says it is done too, where the 6 went with an answer.
bool PollUnitPacedRun(stAcq* acq) {
    stAcqRun& run = acq->run;
    uint8_t byte = 0;
    const int32_t got = g_unitLink.ReadData(&byte, 1);
    if (got < 0) return false;
    if (got == 1) {
        if (run.dataStarted && byte == kStreamRunComplete) {
            g_runLayer.unitPacedComplete = 1;
            EndAcquisition(acq, 0);
            return true;
        }
        if (run.dataStarted) {
            run.statusState = kStatusDataFlowing;
        } else if (byte == kStreamStartSignal) {
            // The frames counted from the start signal: they had begun by the time its byte came.
            g_runLayer.unitPacedBegunUs = g_unitLink.ClockUs();
            run.dataStarted = 2;
            run.statusState = kStatusWaitingForData;
        }
    }
    if (CheckUnitPacedCount(acq)) {
        g_runLayer.unitPacedComplete = 1;
        EndAcquisition(acq, 0);
        return true;
    }
    DrawAcquisitionStatus(acq, run.attachedGraph);
    return true;
}

bool QueryHighSpeedBytes(const stAcq* acq, uint32_t* count) {
    uint8_t progress[kProgressBytes] = {};
    *count = 0;
    if (!g_unitLink.QueryCommand(kCmdHighSpeedProgress, 0, nullptr, kProgressBytes, progress)) return false;
    *count = HighSpeedNewBytes(GetBeU32(progress), GetBeU32(progress + 4), acq->run.readPosition, g_runLayer.lastWrapCount,
                               g_runLayer.unitRingBytes);
    return true;
}

// Whole frames taken; a pass of the ring's end counts as one more pass caught up with.
void AdvanceHighSpeedPosition(stAcq* acq, uint32_t bytes) {
    stAcqRun& run = acq->run;
    run.readPosition += bytes;
    while (g_runLayer.unitRingBytes && run.readPosition >= g_runLayer.unitRingBytes) {
        run.readPosition -= g_runLayer.unitRingBytes;
        ++g_runLayer.lastWrapCount;
    }
    run.nextAddress = run.readPosition;
}

// A run the unit did not finish is read back as far as the unit counts, within the frames it can
// have recorded from before its go was sent to after its stop was answered. A count beyond that
// may name frames it never recorded, which its memory still holds from an earlier run or never
// held at all: then only the frames due by the stop, taken before the stop went out, are read.
int32_t FinishUnitMemoryRun(stAcq* acq, int32_t failed) {
    stAcqRun& run = acq->run;
    tagGS* gs = run.attachedGraph;
    if (!run.dataStarted || failed) {
        // Nothing recorded yet, or the unit no longer answers: there is nothing to read back.
        g_runLayer.stoppedByButton = 0;
        Command(kCmdStop, 0, nullptr);
        return 1;
    }
    // An end other than the button's (a script's, the toggle's) stops the unit here.
    if (!g_runLayer.unitPacedComplete) StopUnitPacedRecording();
    run.statusState = kStatusFinishing;
    DrawAcquisitionStatus(acq, gs);
    if (!PrepareRecordingBuffers(gs, acq)) return 1;
    uint8_t recorded[kCountBytes] = {};
    int32_t count = 0;
    bool overstated = false;
    bool ok = QueryRecordedBytes(recorded);
    int32_t wanted = 0;
    if (ok) {
        int32_t sure = acq->runLength, possible = acq->runLength;
        if (!g_runLayer.unitPacedComplete) {
            const double period = HighSpeedFramePeriodMs(acq->runSamplePeriod);
            const uint64_t begun = g_runLayer.unitPacedBegunUs, stop = g_runLayer.unitPacedStopUs;
            // A unit that did not take the stop went on recording until its count was asked.
            const uint64_t ended = g_runLayer.unitPacedStopTaken ? g_runLayer.unitPacedStoppedUs : g_unitLink.ClockUs();
            sure = std::min(sure, FramesSurelyRecorded(stop > begun ? stop - begun : 0, period));
            possible = std::min(possible, FramesPossiblyRecorded(ended - g_runLayer.unitPacedGoUs, period));
        }
        const uint32_t reported = GetBeU24(recorded);
        overstated =
            run.frameSize > 0 && reported / static_cast<uint32_t>(run.frameSize) > static_cast<uint32_t>(possible);
        // A count inside the widest window the run can have recorded in is the unit's own and is
        // kept whole; one beyond it is not believed at all, and only what the clock vouches for
        // is read.
        count = ReadBackBytes(reported, overstated ? sure : possible, run.frameSize);
        wanted = count;
        const uint32_t before = gs->chanCount[FirstRunSlot(run)];
        const ReadBackEnd end = ReadUnitMemorySamples(acq, &count);
        if (end == ReadBackEnd::LostGraph) {
            DropRun(acq, gs);
            return 0;
        }
        if (run.frameSize > 0) MarkUnitPacedGaps(acq, gs, before, static_cast<uint32_t>(count / run.frameSize));
        ok = end == ReadBackEnd::Done;
    }
    gs->hOffset = 0;
    if (!ok) {
        MessageBeep(MB_ICONEXCLAMATION);
        if (count > 0 && run.frameSize > 0)
            ShowPartReadBack(gs, count / run.frameSize, wanted / run.frameSize);
        else
            ShowRunMessage(gs, "KEY Communications error, terminated");
    } else if (overstated) {
        ShowRunMessage(gs, "KEY Unit count overstated");
    }
    return 1;
}

bool UnitMemoryReadBackActive() { return g_runLayer.readBack != nullptr; }

void RequestReadBackStop() {
    if (g_runLayer.readBack) g_runLayer.readBack->stop = 1;
}

void AbortUnitPacedRun(stAcq* acq) {
    if (!acq->run.running) return;
    if (acq->run.timingKind == kTimingUnitPaced && acq->run.dataStarted && !UnitMemoryReadBackActive())
        StopUnitPacedRecording();
    EndAcquisition(acq, 0);
}

bool StopUnitPacedRecording() {
    if (g_runLayer.unitPacedStopSent) return g_runLayer.unitPacedStopTaken != 0;
    g_runLayer.unitPacedStopSent = 1;
    g_runLayer.unitPacedStopUs = g_unitLink.ClockUs();
    if (!Command(kCmdStop, 0, nullptr)) return false;
    g_runLayer.unitPacedStoppedUs = g_unitLink.ClockUs();
    g_runLayer.unitPacedStopTaken = 1;
    return true;
}
