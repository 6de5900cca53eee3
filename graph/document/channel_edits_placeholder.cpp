// Placeholder of the channel edits and their undo store, which are not built: every edit fails
// and leaves the document as it was, and there is never anything to undo.
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
void ClearUndo() {}
