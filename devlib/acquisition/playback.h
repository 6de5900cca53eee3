// Play-back sources: a stored file that serves a graph's sample reads in place of the unit.
#pragma once

#include <cstdint>

struct tagGS;

// Whether the graph has a play-back source assigned.
int32_t PlaybackServesGraph(const tagGS* gs);
// Fills buffer with length bytes of the source's frames for a ring read request (address and
// length, big-endian 16-bit each), as the unit would answer it; 1 on success.
int32_t PlaybackReadSamples(tagGS* gs, const uint8_t* request, uint16_t length, uint8_t* buffer);
