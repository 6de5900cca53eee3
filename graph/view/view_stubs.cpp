// View updates after data or layout changes; the view module fills them in.
#include "graph/document/graph_doc.h"

void RebuildChannelItems(tagGS*) {}

// The graph window's calls into layout, scrolling, axes and selection; until the view module
// fills them, nothing moves and the thumbs stay centred.
#include "graph/view/view_api.h"

void SelectGraphChannel(tagGS* gs, int16_t slot) {
    if (slot >= 0 && slot < kMaxChannels) gs->selectedChan = static_cast<uint32_t>(slot);
}
