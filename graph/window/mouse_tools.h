// The graph window's mouse tools: selection, zoom, drags and the blinking cursor line.
#pragma once
#include <windows.h>

struct tagGS;
struct GraphWindowData;

void OnChildButtonDown(GraphWindowData* data, int doubleClick, int x, int y, UINT keys);
void OnChildMouseMove(GraphWindowData* data, int x, int y, UINT keys);
void OnChildButtonUp(GraphWindowData* data, int x, int y, UINT keys);
// Draws or erases the cursor line of the I-beam tool.
void ToggleTimeCursorLine(HDC dc, tagGS* gs);
// The frame timer's step of the blinking cursor line.
void RedrawGraphCursor(tagGS* gs);
