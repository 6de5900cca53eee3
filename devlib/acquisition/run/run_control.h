// Recording runs and the acquisition state between them, as the binding drives them.
#pragma once

#include <windows.h>

#include <cstdint>
#include <vector>

#include "common/stAcq.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/services/run_state.h"

struct tagGS;
struct stReadBack;

// The reference voltage in the unit's counts, as command 28 and the set-up block carry it.
constexpr double kRefVoltageCountsPerVolt = 3276.75;

// What a run tells the set-up panels above it; the panels fill the table in as the library is
// loaded, and until then each entry does nothing.
struct stRunPanelHooks {
    void (*repaintInputValues)(stAcq* acq);
    void (*relayoutInputValues)(stAcq* acq);
    void (*refreshSetupPanels)(stAcq* acq);
};
extern stRunPanelHooks g_runPanels;

// The run layer's process-wide state, in one record. Every start begins from ResetRunLayerState,
// so nothing of the previous run lingers; what serves every run stays. (The panel hooks above and
// the play-back clock are tables the layers around fill in, not state.)
struct stRunLayerState {
    // Reset by every start.
    int32_t stoppedByButton = 0;              // set by the Start button unless the state is 1
    int32_t redrawAllAtEnd = 0;               // a batch was too large to draw as it came
    int32_t highSpeedRun = 0;                 // the model-45 ring in the unit's memory is read
    uint32_t unitRingBytes = kHostRingBytes;  // the ring the run reads (kHostRingBytes unless high speed)
    uint32_t lastWrapCount = 0;               // the unit's ring passes the host has caught up with
    // Set by each run before it reads them.
    uint32_t dataStartMs = 0;              // the unit's clock when the run's frames began
    uint64_t dataStartUs = 0;              // the same, to the microsecond
    // A host-paced run whose unit delivered fewer frames than fell due on its clock: the frames
    // known lost so far, whether a gap is open (no frame came since it was found), and whether
    // the user is still to be told.
    uint64_t framesLost = 0;
    int32_t gapOpen = 0;
    int32_t gapNoticePending = 0;
    int32_t gapAt = 0;  // the graph's sample where the open gap begins
    // A unit-paced run's count, checked now and then while it records: when it was last asked,
    // what it said (frames), and the frames where gaps begin, marked once the run is read back.
    uint64_t countCheckedUs = 0;
    uint64_t countedFrames = 0;
    std::vector<uint32_t> gapFrames;
    // A unit-paced run on the unit's clock, each reading a whole microsecond: just before its go;
    // once its frames had surely begun (its go taken, or its start byte come); just before and
    // just after its stop.
    uint64_t unitPacedGoUs = 0;
    uint64_t unitPacedBegunUs = 0;
    uint64_t unitPacedStopUs = 0;
    uint64_t unitPacedStoppedUs = 0;
    int32_t unitPacedStopSent = 0;        // the stop went out; 0 until then
    int32_t unitPacedStopTaken = 0;       // and the unit took it
    int32_t unitPacedComplete = 0;        // the unit said it recorded the whole run
    std::vector<uint8_t> diskConversion;  // a disk run's write buffer; freed at its end
    // Kept from one run to the next.
    int32_t scriptStopRequest = 0;  // "STOPACQ": end the run at the next poll
    int32_t pollDepth = 0;          // polls on the stack (their message boxes run modal loops)
    UINT_PTR pollTimer = 0;         // keeps a run read while a modal loop holds the program
    stReadBack* readBack = nullptr;  // the unit memory's read-back under way, or null
    HGDIOBJ statusObjects[kStatusBitmaps] = {};  // the status images; deleted at shut-down
};
extern stRunLayerState g_runLayer;

// The state a run starts from: not stopped by the button, nothing to redraw, the host-paced ring.
void ResetRunLayerState();

int32_t InitAcquisitionState(HWND frame, stAcq* acq);
void PollAcquisitionState(stAcq* acq);
int32_t ToggleAcquisition(stAcq* acq, int32_t wait);
void AbortAcquisition(stAcq* acq);
int32_t CalcChannelsNeedSlowPath(const stAcq* acq);
void UpdateElectrodeChecker(HWND ignored, stAcq* acq);
void DrawAcquisitionStatus(stAcq* acq, tagGS* gs);
int16_t ExecDeviceScriptWords(struct stScriptStatement* st, HGLOBAL hAcq);
