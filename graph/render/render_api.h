// What the graph window calls of the renderer.
#pragma once
#include <windows.h>

struct tagGS;

int PaintPlotArea(HDC dc, tagGS* gs);
int PaintChannelBand(HDC dc, tagGS* gs, int slot);

// What the shell's Edit and Transform commands call.
void DrawSelectionXor(HDC dc, tagGS* gs);
