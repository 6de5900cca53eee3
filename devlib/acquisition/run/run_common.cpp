// What the runs of this layer share.
#include "devlib/acquisition/run/run_common.h"

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

const stHostCallbacks* Host() { return &g_lib.host; }

bool Command(uint8_t command, uint16_t length, const uint8_t* data) {
    return g_unitLink.SetCommand(command, length, data) != 0;
}

int32_t RunChannels(const stAcqRun& run) { return run.analogCount + run.digitalCount + run.calcCount; }

void ShowRunMessage(tagGS* gs, const char* key) {
    MessageBoxA(gs ? gs->hwnd : nullptr, Keyed(key), KeyedOr(kProgramTitleKey, UnitCaption()), MB_OK | MB_ICONEXCLAMATION);
}

int32_t RecordOfRunChannel(const stAcq* acq, int32_t number) {
    const int32_t group = number >= kFirstCalcSlot      ? kGroupCalc
                          : number >= kFirstDigitalSlot ? kGroupDigital
                                                        : kGroupAnalog;
    const int32_t index = group == kGroupCalc      ? number - kFirstCalcSlot
                          : group == kGroupDigital ? number - kFirstDigitalSlot
                                                   : number - 1;
    for (int32_t i = 0; i < kMaxChanRecords; ++i)
        if (acq->chans[i].group == group && acq->chans[i].number == index) return i;
    return -1;
}
