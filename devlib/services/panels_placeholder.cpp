// Placeholder of the library's panels and dialogs, which are not built: each creator answers no
// window, and showing, repainting or running one does nothing. The binding treats them as it
// treats a panel that failed to come up.
#include "devlib/services/panels.h"

#include "common/stAcq.h"

HWND CreateManualControl(HWND, HGLOBAL) { return nullptr; }

HWND CreateStimulatorPanel(HWND, HGLOBAL) { return nullptr; }

void ShowManualControl(HGLOBAL) {}
void ShowStimulatorPanel(HGLOBAL) {}

int32_t ApplyManualControlValue(HWND, stAcq*) { return 0; }
