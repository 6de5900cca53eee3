// Where a left click or double-click in a graph window goes, by position.
#pragma once
#include <windows.h>

struct GraphWindowData;
struct tagGS;

void OnGraphMouseDown(GraphWindowData* data, int x, int y, UINT keys);
void OnGraphDoubleClick(GraphWindowData* data, int x, int y);
// The plot click's follow-up: the segment under the clicked time becomes the active one. 1.
int SelectSegmentAtX(tagGS* gs, int x);
