// Recordings from a play-back source. The source stands in for the unit: the run needs no unit
// command, its frames come through the unit link's reads from the source, and the start and end
// share the recording's own steps.
#include "devlib/acquisition/run/playback_run.h"

#include <windows.h>

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/run/acq_state.h"
#include "devlib/acquisition/run/auto_save.h"
#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/unit/playback.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/hints.h"
#include "devlib/vk40.h"

namespace {


// The running program's clock: milliseconds since the system started.
uint32_t TickClock() { return GetTickCount(); }

// The source serving the graph, found by the graph's current name.
CSourceNavigator* SourceOf(const tagGS* gs) { return gs ? SrcNavFindNavigator(gs->title) : nullptr; }

// The Start button's face, when the attached graph carries one.
void SetStartImage(stAcq* acq, EMLBITMAP image) {
    HWND button = acq->run.hwndStartButton;
    if (button && IsWindow(button)) m_MLBitmap.SetBitmap(button, image, 1);
}

// A source narrower than the run: the start is refused with the keyed text.
void SayTooManyChannels(const tagGS* gs) {
    const char* text = KeyedOr("TOO MANY CHANNELS", "Too many channels are selected for playback mode");
    MessageBoxA(gs->hwnd, text, UnitCaption(),
                MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

PlaybackClock g_playbackClock = TickClock;

void ShowStartFace(stAcq* acq, bool running) {
    const bool source = SourceOf(acq->run.attachedGraph) != nullptr;
    SetStartImage(acq, source ? (running ? MLBMP_PLAYBACK_RUNNING : MLBMP_PLAYBACK_IDLE)
                              : (running ? MLBMP_START_RUNNING : MLBMP_START_IDLE));
}

// The pacing counts whole frames of the run, so a frame with the digital word stays whole too.
uint32_t PlaybackRunBytes(stAcq* acq) {
    const int32_t frameSize = acq->run.frameSize;
    if (frameSize <= 0) return 0;
    return PlaybackPollBytes(acq->run.attachedGraph, acq->runSamplePeriod, static_cast<uint32_t>(frameSize / 2),
                             g_playbackClock());
}

// Starts a recording served by the attached graph's source: the start's shared steps, then the
// blocks at once (a file gives no start signal to wait for). 1 when the run is on.
int32_t OnBeginAcquisition(stAcq* acq) {
    tagGS* gs = acq ? acq->run.attachedGraph : nullptr;
    CSourceNavigator* source = SourceOf(gs);
    if (!source || acq->run.running) return 0;
    // Only runs into memory are recorded from a source, as from the unit.
    if (acq->storageKind != kStorageMemory) return 0;
    acq->run.analogCount = 0;  // the source counts the inputs enabled now, not the last run's
    if (!source->OnBeginAcquisition(acq)) {
        SayTooManyChannels(gs);
        return 0;
    }
    uint16_t analogMask = 0;
    if (!PrepareRunStart(acq, gs, &analogMask)) {
        source->OnEndAcquisition(acq);
        return 0;
    }
    CCalcChannelsHold calc(acq);
    // The autosave name may have renamed the graph and its source with it.
    source = SourceOf(gs);
    HostRunScriptSubroutine(&g_lib.host, "OnStartAcquisition", 0);
    acq->run.timingKind = kTimingHostPaced;
    acq->run.dataStarted = 1;
    if (!PrepareRecordingBuffers(gs, acq)) {
        calc.Release();
        if (source) source->OnEndAcquisition(acq);
        return 0;
    }
    SendMessageA(gs->hwnd, WM_VK_RUN_STARTED, 0, 0);
    g_lib.autoRestartPending = acq->runAutoRestart ? 1 : 0;
    acq->run.running = 1;
    gs->acquiring = 1;
    ShowStartFace(acq, true);
    DrawAcquisitionStatus(acq, gs);
    for (HWND b : gs->toolButtons) EnableWindow(b, FALSE);
    HostOnGraphChanged(&g_lib.host, gs, 0, 0, 0);
    calc.Keep();
    return 1;
}

// Ends a recording served by a source: the run's end without the unit's stop and read-back.
// 0 when the graph has no source.
int32_t OnEndAcquisition(stAcq* acq) {
    tagGS* gs = acq ? acq->run.attachedGraph : nullptr;
    CSourceNavigator* source = SourceOf(gs);
    if (!source) return 0;
    source->OnEndAcquisition(acq);
    for (HWND b : gs->toolButtons) EnableWindow(b, TRUE);
    gs->acquiring = 0;
    acq->run.running = 0;
    acq->run.timingKind = kTimingFinished;
    ShowStartFace(acq, false);
    ReleaseCalcChannels(acq);
    FinishRecordedBlocks(acq, gs);
    HostOnGraphChanged(&g_lib.host, gs, 0, 0, 0);
    if (g_runLayer.redrawAllAtEnd && gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    g_runLayer.redrawAllAtEnd = 0;
    CheckUnitPresent(acq);
    DrawAcquisitionStatus(acq, gs);
    if (acq->runDataMode == kDataAutosave) WriteAutosaveFile(acq, gs);
    HostRunScriptSubroutine(&g_lib.host, "OnEndAcquisition", 0);
    SendMessageA(gs->hwnd, g_runLayer.stoppedByButton ? WM_VK_RUN_STOPPED : WM_VK_RUN_ENDED, 0, 0);
    return 1;
}

// An autosave renamed the graph: its source goes on serving it under the new name.
int32_t SetNewLogicalName(const char* oldName, const char* newName) {
    CSourceNavigator* source = oldName && newName ? SrcNavFindNavigator(oldName) : nullptr;
    if (!source) return 0;
    source->SetLogicalName(newName);
    return 1;
}
