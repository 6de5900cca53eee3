// Where a left click or double-click in a graph window goes, by position.
#pragma once
#include <windows.h>

struct GraphWindowData;
struct tagGS;

void OnGraphMouseDown(GraphWindowData* data, int x, int y, UINT keys);
void OnGraphDoubleClick(GraphWindowData* data, int x, int y);
// The plot click's follow-up: the segment under the clicked time becomes the active one. 1.
int SelectSegmentAtX(tagGS* gs, int x);
// The device library's entry after it compared a graph with its set-up: every channel the graph
// shows differently from the set-up's shown bit is Ctrl-clicked on its button, as the user would.
void SyncChannelDisplayFlags(tagGS* gs);
