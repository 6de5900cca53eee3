// Drawing entry points the device library reaches through the host table; the renderer comes
// with the drawing module.
#include "graph/document/graph_doc.h"

int DrawGraphWaveforms(HDC, tagGS*, int16_t, double, double, int16_t, int, int, int, int) { return 1; }
int DrawGraphWaveforms2(HDC, tagGS*, int32_t, int32_t, int16_t, int, int, int) { return 1; }
void RedrawGraphCursor(tagGS*) {}

// The window's plot repaints; the renderer draws nothing yet.
#include "graph/render/render_api.h"

int PaintPlotArea(HDC, tagGS*) { return 1; }
int PaintChannelBand(HDC, tagGS*, int) { return 1; }

// Stand-ins until printing and picture export come.
#include "graph/render/render_api.h"
int CopyGraphToClipboard(tagGS*) { return 0; }
void DrawSelectionXor(HDC, tagGS*) {}
