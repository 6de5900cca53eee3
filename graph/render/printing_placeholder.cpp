// Placeholder of printing and picture export, which are not built: nothing reaches the clipboard.
#include "graph/render/printing.h"

int CopyGraphToClipboard(tagGS*) { return 0; }
