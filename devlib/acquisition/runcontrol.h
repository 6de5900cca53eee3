// Recording runs and the acquisition state between them, as the binding drives them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"

struct tagGS;

// How often each run-control entry ran; a cheap trace for diagnostics and the tests.
struct stRunControlTrace {
    uint32_t initState;
    uint32_t poll;
    uint32_t toggle;
    uint32_t abort;
    uint32_t sampleCount;
    uint32_t outputPoll;
    uint32_t electrodeUpdate;
    uint32_t drawStatus;
};
extern stRunControlTrace g_runTrace;

extern int32_t g_stoppedByButton;                // set by the Start button unless the state is 1
extern HGDIOBJ g_statusObjects[kStatusBitmaps];  // the status images; deleted at shut-down

int32_t InitAcquisitionState(HWND frame, stAcq* acq);
void PollAcquisitionState(stAcq* acq);
int32_t ToggleAcquisition(stAcq* acq, int32_t wait);
void AbortAcquisition(stAcq* acq);
int32_t CalcChannelsNeedSlowPath(const stAcq* acq);
void ShowSampleCount(HWND ignored, stAcq* acq);
int32_t PollOutputControlState(stAcq* acq);
void UpdateElectrodeChecker(HWND ignored, stAcq* acq);
void DrawAcquisitionStatus(stAcq* acq, tagGS* gs);
int16_t ExecDeviceScriptWords(struct stScriptStatement* st, HGLOBAL hAcq);

// Status states the binding tests.
constexpr int32_t kStatusNoUnit = 0;
constexpr int32_t kStatusReady = 1;
constexpr int32_t kStatusWaitingForData = 3;
