// The one-level undo of channel edits.
#include "graph/document/graph_doc.h"

void ClearUndo() {}
