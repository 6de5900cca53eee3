// The one-level undo of channel edits.
#include "graph/document/graph_doc.h"

void ClearUndo() {}

// Stand-ins for the channel edits until they come: every edit fails and leaves the document.
#include "graph/document/channel_edits.h"
int CopyChannelRange(tagGS*, int, double, double, tagGS*) { return 0; }
int DeleteChannelRange(tagGS*, int, double, double) { return 0; }
int PasteChannelRange(tagGS*, tagGS*, int, double) { return 0; }
int DuplicateChannelRange(tagGS*, int, double, double, int) { return 0; }
int NewChannelSlot(tagGS*, int* slot) {
    *slot = -1;
    return 0;
}
int DeleteChannelData(tagGS*, int) { return 0; }
int PromptForSampleRate(tagGS*, int, double) { return 1; }
int SaveUndo(tagGS*, int, int, const char*) { return 0; }
int ExecuteUndo() { return 0; }

// Stand-in until the channel scaling comes: nothing to optimise, the items stay as they are.
#include "graph/document/channel_scaling.h"
void UpdateOptimizeRangesItems() {}
