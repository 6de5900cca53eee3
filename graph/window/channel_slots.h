// Channel slots: which are shown or auto-scalable, and the set-up entry each stands for.
#pragma once
#include <cstdint>

struct tagGS;
struct stAcq;
struct stAcqChan;

// A slot number inside the document's slots.
bool IsChannelSlot(int slot);
int IsChannelShown(const tagGS* gs, int slot);
int CountShownSlots(const tagGS* gs);
int IsChannelAutoScalable(const tagGS* gs, int slot);
// The slot's channel set-up entry in the locked acquisition record; null for slots without one.
stAcqChan* GetChannelSetupEntry(stAcq* acq, int slot);
