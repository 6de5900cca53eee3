// The graph slots of a run's channels, which the run, its calculation channels and the panels
// that show its values all read.
#pragma once

#include <cstdint>

#include "common/tagGS.h"

struct stAcq;
struct stAcqRun;

// The graph slot of run channel i: the channel's number, so each slot keeps its own channel
// (analog 1-4, digital 20 + j, calculation 40 + j) whatever else the run records.
int32_t RunChannelSlot(const stAcqRun& run, int32_t i);
// The slot of the run's first channel, whose count is the graph's.
int32_t FirstRunSlot(const stAcqRun& run);
// The run's slot of a channel number; -1 when the run does not record it.
int32_t RunSlotOfNumber(const stAcqRun& run, int32_t number);
// The channel record of a run channel number (analog 1-4, digital 20 + j, calculation 40 + j),
// which is also its graph slot; -1 for a slot that belongs to no channel.
int32_t RecordOfRunChannel(const stAcq* acq, int32_t number);
