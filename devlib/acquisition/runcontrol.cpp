// Run control as far as it exists: the decision of CalcChannelsNeedSlowPath is real; starting,
// stopping and polling a run need the unit's command packets and are not built yet. Each of
// those entries only notes that it ran and leaves the record as it found it (no unit, no run).
#include "devlib/acquisition/runcontrol.h"

stRunControlTrace g_runTrace{};
int32_t g_stoppedByButton = 0;
HGDIOBJ g_statusObjects[kStatusBitmaps] = {};

namespace {

constexpr int16_t kDataModeAutosave = 2;
constexpr double kFastRestartSeconds = 1.0;
constexpr double kShortRunMs = 1000.0;

}  // namespace

// Start-up state; the status images and the machine-wide usage switch come with the status strip.
int32_t InitAcquisitionState(HWND, stAcq*) {
    ++g_runTrace.initState;
    return 0;
}

// The idle step of a run.
void PollAcquisitionState(stAcq*) { ++g_runTrace.poll; }

// The Start button's toggle.
int32_t ToggleAcquisition(stAcq*, int32_t) {
    ++g_runTrace.toggle;
    return 1;
}

// The Start button's stop of a unit-paced run.
void AbortAcquisition(stAcq*) { ++g_runTrace.abort; }

// Short auto-restarting runs are read whole at their end rather than while they run.
int32_t CalcChannelsNeedSlowPath(const stAcq* acq) {
    return acq->runAutoRestart != 0 && acq->restartInterval <= kFastRestartSeconds &&
           acq->dataMode != kDataModeAutosave &&
           static_cast<double>(acq->acqLength) * acq->samplePeriodMs <= kShortRunMs;
}

// The Acquisition Setup dialog's size texts.
void ShowSampleCount(HWND, stAcq*) { ++g_runTrace.sampleCount; }

// The stimulator's running state for the output panels.
int32_t PollOutputControlState(stAcq*) {
    ++g_runTrace.outputPoll;
    return 0;
}

// The electrode checker's readout.
void UpdateElectrodeChecker(HWND, stAcq*) { ++g_runTrace.electrodeUpdate; }

// The graph's status strip.
void DrawAcquisitionStatus(stAcq*, tagGS*) { ++g_runTrace.drawStatus; }

// The device script words ("VK40 ..." statements); none is understood yet.
int16_t ExecDeviceScriptWords(stScriptStatement*, HGLOBAL) { return 0; }
