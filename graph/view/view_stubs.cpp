// View updates after data or layout changes; the view module fills them in.
#include "graph/document/graph_doc.h"

void DrawTimeAxis(HDC, tagGS*) {}
void UpdateHScrollBar(tagGS*) {}
void UpdateGraphLength(tagGS*) {}
void UpdateGraphScrollBars(tagGS*) {}
void AutoScaleGraph(tagGS*, int) {}
void RebuildChannelItems(tagGS*) {}
