// The Acquisition Setup dialog (600): sample rate, storage, repeat and data modes, length,
// automatic restart and the autosave name of the acquisition record.
#pragma once

#include <windows.h>

#include <cstdint>

struct stAcq;

HWND CreateAcquisitionSetup(HWND frame, HGLOBAL hAcq);
void ShowAcquisitionSetup(HGLOBAL hAcq);
void RefreshAcquisitionSetup(HWND dlg, stAcq* acq);
// Start-up's part: the record settled, no window yet.
void PrepareAcquisitionSetup(HGLOBAL hAcq);
// The window, made hidden over the frame on the first call.
HWND AcquisitionSetupWindow(HGLOBAL hAcq);
// Recomputes, stores and answers the longest recording in frames.
int32_t UpdateMaxLength(stAcq* acq);
// The idle step's refresh of the maximum and size texts; at most every 2,500 ms while shown.
void RefreshSampleCount(stAcq* acq);
// The same, counted in the run-control trace (the device operation of the idle step).
void ShowSampleCount(HWND ignored, stAcq* acq);
// Writes the maximum and the size texts now.
void ShowLengthTexts(HWND dlg, stAcq* acq);
// The combo lists from the keyed texts, emptied first (a change of language refills them).
void FillAcquisitionSetupLists(HWND dlg);
