// Placeholder of what the documents module does not build yet, and the one place that clears a
// document's sub-objects.
#include "documents/documents_api.h"
#include "common/tagGS.h"
#include "documents/stored_blocks.h"

void ClearStoredBlocks(tagGS* gs) {
    ForgetStoredMarkers(gs);
    JournalClear(gs->journal);
    ClearGraphItems(gs);
}
