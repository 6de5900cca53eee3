// Placeholder of the tracking overlay, which is not built: nothing is written.
#include "graph/window/tracking.h"

void PasteValuesToJournal(tagGS*) {}
