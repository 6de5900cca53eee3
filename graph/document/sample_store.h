// The channel sample store: typed samples per slot, read and written one at a time, and the
// disk-paged window that keeps long recordings out of memory.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "common/tagGS.h"

// Where a re-loaded window starts (see PagingWindowStart).
constexpr uint32_t kPagingForward = 0;   // forward scans: the window starts 4 samples back
constexpr uint32_t kPagingCentred = 1;   // random access: the index lands in the middle
extern uint32_t g_pagingPolicy;          // 1 at start; forward scans set 0 for their loop

// File reads go through one buffer of whole frames.
constexpr uint32_t kPagingReadBuffer = 9600;

// Keys of the messages shown when paging cannot read the document's file.
extern const char* const kKeyPagingFileMissing;
extern const char* const kKeyPagingReadFailed;
extern const char* const kKeyPagingDiskFull;
// The message key for a system error met while paging.
const char* PagingErrorKey(unsigned long error);

int GetChannelSample(tagGS* gs, int index, int slot, double* out);
// The fifth argument is the host table's extra word; it is not read.
int PutChannelSample(tagGS* gs, int index, int slot, double value, int unused = 0);
int LoadSampleWindow(tagGS* gs, int first, int count);
void ResetSampleWindow(tagGS* gs);
int ConvertChannelToDouble(tagGS* gs, int slot);

// Sets the paging policy for a forward scan and restores the previous one when it goes.
class PagingPolicyScope {
public:
    explicit PagingPolicyScope(uint32_t policy) : m_saved(g_pagingPolicy) { g_pagingPolicy = policy; }
    ~PagingPolicyScope() { g_pagingPolicy = m_saved; }
    PagingPolicyScope(const PagingPolicyScope&) = delete;
    PagingPolicyScope& operator=(const PagingPolicyScope&) = delete;

private:
    uint32_t m_saved;
};

// ---- Pure parts, over plain values and buffers ----

// Bytes one sample of a slot takes in the file and in its block.
inline uint32_t SampleWidth(uint16_t chanType) { return chanType == 1 ? 8u : 2u; }

inline double RawToValue(int16_t raw, double scale, double offset) { return raw * scale + offset; }
// The integer part, toward zero, of (value - offset) / scale, held to the 16-bit range.
int16_t ValueToRaw(double value, double scale, double offset);

// First sample of a re-loaded window that must hold index.
int32_t PagingWindowStart(uint32_t policy, int32_t index, uint32_t winSize, int32_t totalSamples);
// Samples a re-loaded window holds.
int32_t PagingWindowCount(uint32_t winSize, int32_t totalSamples);
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
