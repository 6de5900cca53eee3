// Placeholder of the library's panels and dialogs, which are not built: each creator answers no
// window, and showing, repainting or running one does nothing. The binding treats them as it
// treats a panel that failed to come up.
#include "devlib/services/panels.h"

#include "common/stAcq.h"

HWND CreateTriggerSetup(HWND, HGLOBAL) { return nullptr; }

HWND CreateElectrodeChecker(HWND, HGLOBAL) { return nullptr; }

HWND CreateAcquisitionSetup(HWND, HGLOBAL) { return nullptr; }

HWND CreateInputValuesPane(HWND, HGLOBAL) { return nullptr; }

HWND CreateManualControl(HWND, HGLOBAL) { return nullptr; }

HWND CreateStimulatorPanel(HWND, HGLOBAL) { return nullptr; }

void ShowAcquisitionSetup(HGLOBAL) {}
void ShowInputValues(HGLOBAL) {}
void ShowManualControl(HGLOBAL) {}
void ShowTriggerSetup(HGLOBAL) {}
void ShowStimulatorPanel(HGLOBAL) {}
void ShowElectrodeChecker(HGLOBAL, int32_t) {}

void RepaintInputValues(stAcq*) {}
void RelayoutInputValues(stAcq*) {}
