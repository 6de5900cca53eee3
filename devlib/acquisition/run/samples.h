// Sample read-in: frames fetched from the unit's ring are de-interleaved straight into the
// attached graph's channel blocks, once through or as a ring of the run's length.
#pragma once

#include <cstdint>

#include "devlib/acquisition/channels/run_slots.h"

struct stAcq;
struct stAcqRun;
struct tagGS;

constexpr uint32_t kHostRingBytes = 32768;      // the unit's ring in a host-paced run
constexpr int32_t kReadChunkBytes = 250;        // one ring request
constexpr int32_t kReadChunkBytesFast = 16382;  // one request of a high-speed run
constexpr uint16_t kDigitalHigh = 0x4000;       // a digital channel's sample while its bit is set

// Bytes of one request: whole frames only; on the second model a chunk whose length plus the
// reply's two framing bytes is a multiple of 64 is one frame shorter (the USB pipe would wait
// for a short packet that never comes).
int32_t ReadChunkBytes(int32_t frameSize, int32_t highSpeed, int32_t secondModel);
// The same rule for the cut-down last request of a batch.
int32_t TrimLastChunk(int32_t bytes, int32_t frameSize, int32_t secondModel);
// The ring address after reading bytes from address: wraps at the ring's end.
uint32_t NextRingAddress(uint32_t address, uint32_t bytes, uint32_t ringBytes);

// De-interleaves frames (unit order, big-endian words) into the run's blocks: frame f lands at
// sample (at + f) modulo wrap of each run channel; analog words in host order, each digital
// channel expanded from its bit of the digital word. blocks[i] belongs to run channel i.
void StoreFrames(const uint8_t* bytes, int32_t frames, const stAcqRun& run, void* const* blocks, uint32_t at,
                 uint32_t wrap);

// The graph's ring indices after a chunk of frames in a repeat run; returns where the chunk's
// first frame goes.
uint32_t AdvanceSampleRing(tagGS* gs, uint32_t frames);

// One request of a host-paced read: command 19, or 74 in a high-speed run.
int32_t RequestRingChunk(stAcq* acq, uint32_t address, int32_t length, uint8_t* buffer);

// Reads *count bytes (cut to whole frames) from the unit's ring at address into the attached
// graph's memory blocks (storage kind 2); *count becomes the bytes taken. 1 on success; 0 with
// *count = 0 on a failed request or another storage kind.
int32_t ReadMemorySamples(stAcq* acq, int32_t* count, uint32_t address);

// The run order and frame size from the channel records; 1 when some channel is recorded.
// The analog inputs are set as bits 1 << number in *analogMask.
int32_t BuildChannelOrder(stAcq* acq, uint16_t* analogMask);
