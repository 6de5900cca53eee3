// The library's modeless panels and modal dialogs as the binding reaches them.
#pragma once

#include <windows.h>

#include <cstdint>

struct stAcq;

// The modeless panels: vk40_Initialize readies the state each one's making sets, and each window
// is made, hidden, the first time it is asked for (by its menu command, a lesson word or a caller
// that needs the window). Each getter answers the window, null when it cannot be had (the
// electrode checker also while the unit's model is not known).
void PrepareElectrodeChecker(HGLOBAL hAcq);
void PrepareInputValues(HGLOBAL hAcq);
void PrepareManualControl(HGLOBAL hAcq);
void PrepareStimulatorPanel(HGLOBAL hAcq);
HWND ElectrodeCheckerWindow(HGLOBAL hAcq);
HWND InputValuesWindow(HGLOBAL hAcq);
HWND ManualControlWindow(HGLOBAL hAcq);
HWND StimulatorWindow(HGLOBAL hAcq);

// The three set-up windows cost most of the library's start: vk40_Initialize prepares their
// records, and each window is made, hidden, the first time it is asked for (by its menu command,
// a lesson word or a caller that needs the window). Each getter answers the window, null when
// the record cannot be had.
HWND CreateTriggerSetup(HWND parent, HGLOBAL hAcq);
HWND CreateAcquisitionSetup(HWND frame, HGLOBAL hAcq);
HWND CreateChannelSetup(HWND frame, HGLOBAL hAcq, int32_t option);  // the defaults, then the window
void PrepareAcquisitionSetup(HGLOBAL hAcq);
void PrepareChannelSetup(HGLOBAL hAcq, int32_t writePresets);
HWND TriggerSetupWindow(HGLOBAL hAcq);
HWND AcquisitionSetupWindow(HGLOBAL hAcq);
HWND ChannelSetupWindow(HGLOBAL hAcq);

// Menu commands that show a panel.
void ShowChannelSetup(HGLOBAL hAcq);
void ShowAcquisitionSetup(HGLOBAL hAcq);
void ShowInputValues(HGLOBAL hAcq);
void ShowManualControl(HGLOBAL hAcq);
void ShowTriggerSetup(HGLOBAL hAcq);
void ShowStimulatorPanel(HGLOBAL hAcq);
void ShowElectrodeChecker(HGLOBAL hAcq, int32_t show);
// The checker's title again after its texts were translated (the first model's checker only).
void RetitleElectrodeChecker(HWND checker);

// The Manual Control panel takes a new output value: its scroll bar and field follow and the
// output is sent; 1 when it was sent.
int32_t ApplyManualControlValue(HWND panel, stAcq* acq);

// The Input Values pane while the library runs.
void RepaintInputValues(stAcq* acq);
void RelayoutInputValues(stAcq* acq);

// Modal dialogs over the locked record.
int32_t ShowPresetOrganizer(HWND owner, stAcq* acq);
int32_t ShowDriverAbout(HINSTANCE instance, HWND owner, stAcq* acq);
