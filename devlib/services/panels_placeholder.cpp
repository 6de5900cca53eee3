// Placeholder of the library's panels and dialogs, which are not built: each creator answers no
// window, and showing, repainting or running one does nothing. The binding treats them as it
// treats a panel that failed to come up.
#include "devlib/services/panels.h"

#include "common/stAcq.h"

HWND CreateElectrodeChecker(HWND, HGLOBAL) { return nullptr; }

HWND CreateInputValuesPane(HWND, HGLOBAL) { return nullptr; }

HWND CreateManualControl(HWND, HGLOBAL) { return nullptr; }

HWND CreateStimulatorPanel(HWND, HGLOBAL) { return nullptr; }

void ShowInputValues(HGLOBAL) {}
void ShowManualControl(HGLOBAL) {}
void ShowStimulatorPanel(HGLOBAL) {}
void ShowElectrodeChecker(HGLOBAL, int32_t) {}

int32_t ApplyManualControlValue(HWND, stAcq*) { return 0; }

void RepaintInputValues(stAcq*) {}
void RelayoutInputValues(stAcq*) {}
