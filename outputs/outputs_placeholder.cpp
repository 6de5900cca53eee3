// Placeholder of the output-control panels, which are not built: a document's panel set is empty,
// so the window's notifications and commands find no panel.
#include "outputs/outputs_api.h"
#include <new>

void InitOutputControl() {}
void UpdateOutputMenu(HMENU) {}

void NotifyOutputPanels(LPARAM, WPARAM, UINT) {}
void OutputPanelsOnMdiActivate(HWND, HWND) {}
void ClearOutputPanelsPendingStart(COutCtlViewSet*) {}
void OutCtlViewSetOnCommand(COutCtlViewSet*, UINT) {}

class COutCtlViewSet {};
COutCtlViewSet* NewOutCtlViewSet(tagGS*) { return new (std::nothrow) COutCtlViewSet; }
void DeleteOutCtlViewSet(COutCtlViewSet* set, int flags) {
    if (flags & 1) delete set;
}
