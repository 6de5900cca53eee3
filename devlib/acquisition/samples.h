// Sample read-in: frames fetched from the unit's ring are de-interleaved straight into the
// attached graph's channel blocks, once through or as a ring of the run's length.
#pragma once

#include <cstdint>

struct stAcq;
struct stAcqRun;
struct tagGS;

constexpr uint32_t kHostRingBytes = 32768;      // the unit's ring in a host-paced run
constexpr int32_t kReadChunkBytes = 250;        // one ring request
constexpr int32_t kReadChunkBytesFast = 16382;  // one request of a high-speed run
constexpr int32_t kChanDigitalBase = 20;        // channel numbers: analog 1-4, digital 20 + j
constexpr int32_t kChanCalcBase = 40;           // calculation 40 + j
constexpr uint16_t kDigitalHigh = 0x4000;       // a digital channel's sample while its bit is set

extern uint32_t g_unitRingBytes;  // the ring the run reads (kHostRingBytes unless high speed)
extern int32_t g_highSpeedRun;

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

// Reads *count bytes (cut to whole frames) from the unit's ring at address into the attached
// graph; *count becomes the bytes taken. 1 on success; 0 with *count = 0 on a failed request.
int32_t ReadRecordedSamples(stAcq* acq, int32_t* count, uint32_t address);

// The run order and frame size from the channel records; 1 when some channel is recorded.
// The analog inputs are set as bits 1 << number in *analogMask.
int32_t BuildChannelOrder(stAcq* acq, uint16_t* analogMask);

// The graph slot of run channel i: the channel's number, so each slot keeps its own channel
// (analog 1-4, digital 20 + j, calculation 40 + j) whatever else the run records.
int32_t RunChannelSlot(const stAcqRun& run, int32_t i);
// The slot of the run's first channel, whose count is the graph's.
int32_t FirstRunSlot(const stAcqRun& run);
// The run's slot of a channel number; -1 when the run does not record it.
int32_t RunSlotOfNumber(const stAcqRun& run, int32_t number);

// Draws the frames of the newest bytes into the graph window: the new stretch of each shown
// channel through the program's renderer; past the view's end the view moves on (scrolling) or
// a new page starts (sweep) and the window is redrawn whole.
void PlotNewSamples(int32_t newBytes, stAcq* acq, tagGS* gs);
