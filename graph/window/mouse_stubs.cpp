// Stand-ins for the mouse tools until they come: presses, moves and releases go nowhere and the
// cursor line is never drawn.
#include "graph/window/graph_window.h"

void OnChildButtonDown(GraphWindowData*, int, int, int, UINT) {}
void OnChildMouseMove(GraphWindowData*, int, int, UINT) {}
void OnChildButtonUp(GraphWindowData*, int, int, UINT) {}
void ToggleTimeCursorLine(HDC, tagGS*) {}
