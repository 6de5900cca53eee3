// Stand-ins for the mouse tools and the journal pane's edit control until they come: presses,
// moves and releases go nowhere, the cursor line is never drawn and no graph has a journal edit.
#include "graph/window/graph_window.h"

void OnChildButtonDown(GraphWindowData*, int, int, int, UINT) {}
void OnChildMouseMove(GraphWindowData*, int, int, UINT) {}
void OnChildButtonUp(GraphWindowData*, int, int, UINT) {}
void ToggleTimeCursorLine(HDC, tagGS*) {}
HWND GetJournalHwnd(void*) { return nullptr; }
int GetJournalWordWrap(void*) { return 0; }
