// The measurement routines over a graph document: its channels and selection as the plain views
// the computations take.
#pragma once
#include <cstdint>
#include "documents/measurements/measure_calc.h"

struct tagGS;

// A slot's samples: read straight from the block of a document in memory, through the host's
// sample accessor (which pages and maps the ring) for the other storage kinds. A slot outside
// the table, or without a block, has no samples.
measure::ChannelView ChannelViewOf(tagGS* gs, int slot);
// The document's selection, interval, horizontal mode and offset and held window.
measure::Frame FrameOf(const tagGS* gs);
// One box type over the document's selection on a slot (-1: the selected channel).
double MeasureDocument(tagGS* gs, int slot, int type);
