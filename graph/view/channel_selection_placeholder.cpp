// Placeholder of the channel selection, which is not built: the slot is only recorded, with no
// redrawing, and there are no channel items to rebuild.
#include "graph/view/channel_selection.h"

#include "common/tagGS.h"

void SelectGraphChannel(tagGS* gs, int16_t slot) {
    if (slot >= 0 && slot < kMaxChannels) gs->selectedChan = static_cast<uint32_t>(slot);
}
void RebuildChannelItems(tagGS*) {}
