// The main program's output panels.
#include "outputs/outputs_api.h"
#include <new>

// Nothing to prepare at start-up: panels are made with their documents.
void InitOutputControl() {}
void UpdateOutputMenu(HMENU) {}

// Graph documents have no panel set yet, so the window's notifications find no panel.
void NotifyOutputPanels(LPARAM, WPARAM, UINT) {}
void OutputPanelsOnMdiActivate(HWND, HWND) {}
void ClearOutputPanelsPendingStart(COutCtlViewSet*) {}

// Stand-in until the panels come: no panel to reach.
void OutCtlViewSetOnCommand(COutCtlViewSet*, UINT) {}

// A document's panel set: an empty stand-in until the panels arrive.
class COutCtlViewSet {};
COutCtlViewSet* NewOutCtlViewSet(tagGS*) { return new (std::nothrow) COutCtlViewSet; }
void DeleteOutCtlViewSet(COutCtlViewSet* set, int flags) {
    if (flags & 1) delete set;
}
