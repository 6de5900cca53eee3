// What the shell uses of the output-control panels.
#pragma once
#include <windows.h>

void InitOutputControl();
void UpdateOutputMenu(HMENU menu);

// What the graph window calls of a document's output panel set.
class COutCtlViewSet;
void NotifyOutputPanels(LPARAM lParam, WPARAM wParam, UINT msg);
void OutputPanelsOnMdiActivate(HWND deactivated, HWND activated);
void ClearOutputPanelsPendingStart(COutCtlViewSet* set);
