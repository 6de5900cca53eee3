// The main program's output panels.
#include "outputs/outputs_api.h"

// Nothing to prepare at start-up: panels are made with their documents.
void InitOutputControl() {}
void UpdateOutputMenu(HMENU) {}

// Graph documents have no panel set yet, so the window's notifications find no panel.
void NotifyOutputPanels(LPARAM, WPARAM, UINT) {}
void OutputPanelsOnMdiActivate(HWND, HWND) {}
void ClearOutputPanelsPendingStart(COutCtlViewSet*) {}

// Stand-in until the panels come: no panel to reach.
void OutCtlViewSetOnCommand(COutCtlViewSet*, UINT) {}
