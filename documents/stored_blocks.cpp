// The one place that clears what a file gave a document's parts.
#include "documents/stored_blocks.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"

void ClearStoredBlocks(tagGS* gs) {
    ForgetStoredMarkers(gs);
    JournalClear(gs->journal);
    ClearGraphItems(gs);
}
