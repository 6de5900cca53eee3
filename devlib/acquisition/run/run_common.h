// What the runs of this layer share: the host's callbacks, the unit's plain commands, the count of
// a run's channels, the record of a run channel and a run's message box.
#pragma once

#include <cstdint>

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
// The channel record of a run channel number (analog 1-4, digital 20 + j, calculation 40 + j),
// which is also its graph slot; -1 for a slot that belongs to no channel.
int32_t RecordOfRunChannel(const stAcq* acq, int32_t number);
// One message box of a run, owned by the graph's window, in the library's caption: the keyed
// text (the key itself when the table lacks it).
void ShowRunMessage(tagGS* gs, const char* key);
