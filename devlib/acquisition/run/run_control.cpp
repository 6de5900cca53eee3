// Entries of run control that other parts call: the Start button's stop of a unit-paced run, the
// choice of reading short auto-restarting runs whole at their end, and
// the hooks through which a run tells the set-up panels above it.
#include "devlib/acquisition/run/run_control.h"

#include "devlib/acquisition/run/unit_memory.h"

stRunLayerState g_runLayer;

namespace {

constexpr double kFastRestartSeconds = 1.0;
constexpr double kShortRunMs = 1000.0;

void NoPanel(stAcq*) {}

}  // namespace

stRunPanelHooks g_runPanels = {NoPanel, NoPanel, NoPanel};

void ResetRunLayerState() {
    g_runLayer.stoppedByButton = 0;
    g_runLayer.redrawAllAtEnd = 0;
    g_runLayer.highSpeedRun = 0;
    g_runLayer.unitRingBytes = kHostRingBytes;
    g_runLayer.lastWrapCount = 0;
    g_runLayer.framesLost = 0;
    g_runLayer.gapOpen = 0;
    g_runLayer.gapNoticePending = 0;
    g_runLayer.gapAt = 0;
    g_runLayer.countCheckedUs = 0;
    g_runLayer.countedFrames = 0;
    g_runLayer.gapFrames.clear();
}

// The Start button's stop of a unit-paced run.
void AbortAcquisition(stAcq* acq) {
    ++g_runTrace.abort;
    AbortUnitPacedRun(acq);
}

// Short auto-restarting runs are read whole at their end rather than while they run.
int32_t CalcChannelsNeedSlowPath(const stAcq* acq) {
    return acq->runAutoRestart != 0 && acq->restartInterval <= kFastRestartSeconds &&
           acq->dataMode != kDataAutosave &&
           static_cast<double>(acq->acqLength) * acq->samplePeriodMs <= kShortRunMs;
}

