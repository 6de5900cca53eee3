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

