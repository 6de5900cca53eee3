// Entries of run control that other parts call: the Start button's stop of a unit-paced run, the
// choice of reading short auto-restarting runs whole at their end, and the Acquisition Setup's
// size texts on the idle step. It also holds g_runTrace, where the run-control entries count
// their calls for diagnostics.
#include "devlib/acquisition/runcontrol.h"

#include "devlib/acquisition/acqsetup.h"
#include "devlib/acquisition/unitmemory.h"

stRunControlTrace g_runTrace{};
int32_t g_stoppedByButton = 0;
HGDIOBJ g_statusObjects[kStatusBitmaps] = {};

namespace {

constexpr int16_t kDataModeAutosave = 2;
constexpr double kFastRestartSeconds = 1.0;
constexpr double kShortRunMs = 1000.0;

}  // namespace

// The Start button's stop of a unit-paced run.
void AbortAcquisition(stAcq* acq) {
    ++g_runTrace.abort;
    AbortUnitPacedRun(acq);
}

// Short auto-restarting runs are read whole at their end rather than while they run.
int32_t CalcChannelsNeedSlowPath(const stAcq* acq) {
    return acq->runAutoRestart != 0 && acq->restartInterval <= kFastRestartSeconds &&
           acq->dataMode != kDataModeAutosave &&
           static_cast<double>(acq->acqLength) * acq->samplePeriodMs <= kShortRunMs;
}

// The Acquisition Setup dialog's size texts.
void ShowSampleCount(HWND, stAcq* acq) {
    ++g_runTrace.sampleCount;
    RefreshSampleCount(acq);
}

