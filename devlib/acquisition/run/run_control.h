// Recording runs and the acquisition state between them, as the binding drives them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"
#include "devlib/services/run_state.h"

struct tagGS;

// What a run tells the set-up panels above it; the panels fill the table in as the library is
// loaded, and until then each entry does nothing.
struct stRunPanelHooks {
    void (*repaintInputValues)(stAcq* acq);
    void (*relayoutInputValues)(stAcq* acq);
    void (*refreshSetupPanels)(stAcq* acq);
};
extern stRunPanelHooks g_runPanels;

extern int32_t g_stoppedByButton;                // set by the Start button unless the state is 1
extern HGDIOBJ g_statusObjects[kStatusBitmaps];  // the status images; deleted at shut-down

int32_t InitAcquisitionState(HWND frame, stAcq* acq);
void PollAcquisitionState(stAcq* acq);
int32_t ToggleAcquisition(stAcq* acq, int32_t wait);
void AbortAcquisition(stAcq* acq);
int32_t CalcChannelsNeedSlowPath(const stAcq* acq);
void UpdateElectrodeChecker(HWND ignored, stAcq* acq);
void DrawAcquisitionStatus(stAcq* acq, tagGS* gs);
int16_t ExecDeviceScriptWords(struct stScriptStatement* st, HGLOBAL hAcq);
