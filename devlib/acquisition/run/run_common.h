// What the runs of this layer share: the host's callbacks, the unit's plain commands, the count of
// a run's channels, the record of a run channel and a run's message box.
#pragma once

#include <cstdint>

#include "devlib/acquisition/channels/run_slots.h"  // RecordOfRunChannel

struct stAcq;
struct stAcqRun;
struct stHostCallbacks;
struct tagGS;

// The program's callbacks, as the library copied them.
const stHostCallbacks* Host();
// A command with no answer; true when the unit took it.
bool Command(uint8_t command, uint16_t length, const uint8_t* data);
// The channels a run records: analog, digital and calculation.
int32_t RunChannels(const stAcqRun& run);
// One message box of a run, owned by the graph's window, in the library's caption: the keyed
// text (the key itself when the table lacks it).
void ShowRunMessage(tagGS* gs, const char* key);
