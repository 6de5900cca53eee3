// Drawing entry points the device library reaches through the host table; the renderer comes
// with the drawing module.
#include "graph/document/graph_doc.h"

void RedrawGraphCursor(tagGS*) {}

// Stand-ins until printing and picture export come.
#include "graph/render/render_api.h"
int CopyGraphToClipboard(tagGS*) { return 0; }
