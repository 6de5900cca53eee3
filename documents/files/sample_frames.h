// The samples of a graph file as frames: frame j holds, in slot order, one sample of every
// channel in use whose count exceeds j, 8 bytes for a channel of doubles and 2 bytes for 16-bit
// samples. The file reader and writer, and the sample store that pages long documents in, all
// take the layout from here. Pure functions over plain values and buffers.
#pragma once
#include <cstddef>
#include <cstdint>
#include "common/tagGS.h"

// Bytes one sample of a slot takes in the file and in its block.
inline uint32_t SampleWidth(uint16_t chanType) { return chanType == 1 ? 8u : 2u; }

inline double RawToValue(int16_t raw, double scale, double offset) { return raw * scale + offset; }

// Position of index inside a window's blocks, or -1 when the window does not hold it.
int64_t WindowPosition(int32_t index, int32_t winFirst, uint32_t ringBase, uint32_t winLen);

// The slots that take part in the file's frames, in slot order.
struct FrameLayout {
    int slots;
    int slot[kMaxChannels];
    uint32_t count[kMaxChannels];
    uint32_t width[kMaxChannels];
};
FrameLayout FrameLayoutOf(const tagGS* gs);
// Bytes of frame j, and the file offset where frame j begins.
uint32_t FrameBytes(const FrameLayout& layout, uint32_t frame);
uint64_t FrameOffset(const FrameLayout& layout, uint64_t dataOffset, uint32_t frame);
// The first frame from which every channel has ended.
uint32_t FrameEnd(const FrameLayout& layout);

// What loading samples first .. first + n - 1 reads: bytes skipped after the data offset,
// bytes read, and the window length (the longest slot's share).
struct WindowPlan {
    uint64_t skip;
    uint64_t bytes;
    uint32_t winLen;
};
WindowPlan PlanWindow(const FrameLayout& layout, uint32_t first, uint32_t n);

// Takes consecutive whole frames, starting with frame first + done, apart into the blocks
// (block k of layout slot k, from position done on). Returns the frames taken.
uint32_t UnpackFrames(const FrameLayout& layout, const uint8_t* data, size_t bytes, uint32_t first, uint32_t done,
                      uint32_t winLen, int byteSwapped, void* const* blocks);
// Puts frames first .. first + frames - 1 together from the blocks (block k of layout slot k,
// holding the slot's samples from index 0; a ring's position is the caller's), into data.
void PackFrames(const FrameLayout& layout, const uint8_t* const* blocks, uint32_t first, uint32_t position,
                uint32_t frames, uint8_t* data);
// How many whole frames from frame first on fit into at most bytes bytes (at most frames of them).
uint32_t FramesThatFit(const FrameLayout& layout, uint32_t first, uint32_t frames, size_t bytes, size_t* used);
// Reverses the bytes of every sample in whole frames first .. first + frames - 1.
void SwapFrameSamples(const FrameLayout& layout, uint8_t* data, uint32_t first, uint32_t frames);
