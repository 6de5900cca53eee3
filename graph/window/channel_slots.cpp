// Channel slots: which are shown or auto-scalable, and the set-up entry each stands for.
#include "graph/window/channel_slots.h"
#include "common/tagGS.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"

bool IsChannelSlot(int slot) { return slot >= 0 && slot < kMaxChannels; }

int IsChannelShown(const tagGS* gs, int slot) {
    if (!gs || !IsChannelSlot(slot)) return 0;
    return (gs->chanFlags[slot] & kChanSlotMask) >= 2 ? 1 : 0;
}

int CountShownSlots(const tagGS* gs) {
    int n = 0;
    for (int slot = 0; slot < kMaxChannels; ++slot) n += IsChannelShown(gs, slot);
    return n;
}

int IsChannelAutoScalable(const tagGS* gs, int slot) {
    if (!gs || !IsChannelSlot(slot)) return 0;
    return (gs->chanFlags[slot] & kChanHidden) == 0 ? 1 : 0;
}

// Analog slots 1-4, then the unit's digital records, then the calculation records.
stAcqChan* GetChannelSetupEntry(stAcq* acq, int slot) {
    if (!acq) return nullptr;
    int digital = NDChan;
    int entry = -1;
    if (slot >= kFirstAnalogSlot && slot <= kLastAnalogSlot)
        entry = slot - kFirstAnalogSlot;
    else if (slot >= kFirstDigitalSlot && slot < kFirstDigitalSlot + digital)
        entry = slot - 16;
    else if (slot >= kFirstCalcSlot && slot <= kLastCalcSlot)
        entry = slot + digital - 36;
    if (entry < 0 || entry >= kMaxChanRecords) return nullptr;
    return &acq->chans[entry];
}
