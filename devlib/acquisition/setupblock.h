// The acquisition set-up each graph keeps in its set-up block.
#pragma once

#include <cstdint>

struct stAcq;
struct tagGS;

// Writes the current set-up into the graph's block; 1 on success.
int32_t SaveAcquisitionSetup(stAcq* acq, tagGS* gs);
// Takes the graph's stored set-up into the record; 1 when the graph had one.
int32_t RestoreAcquisitionSetup(stAcq* acq, tagGS* gs);
