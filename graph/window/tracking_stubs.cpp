// Stand-in until the tracking overlay comes: nothing is written.
#include "graph/window/tracking.h"

void PasteValuesToJournal(tagGS*) {}
