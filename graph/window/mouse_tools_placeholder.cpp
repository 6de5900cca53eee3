// Placeholder of the mouse tools, which are not built: presses, moves and releases go nowhere and
// the cursor line is never drawn.
#include "graph/window/mouse_tools.h"

void OnChildButtonDown(GraphWindowData*, int, int, int, UINT) {}
void OnChildMouseMove(GraphWindowData*, int, int, UINT) {}
void OnChildButtonUp(GraphWindowData*, int, int, UINT) {}
void ToggleTimeCursorLine(HDC, tagGS*) {}
void RedrawGraphCursor(tagGS*) {}
