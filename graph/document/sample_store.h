// The channel sample store: typed samples per slot, read and written one at a time, and the
// disk-paged window that keeps long recordings out of memory.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>
#include "common/tagGS.h"
#include "documents/files/sample_frames.h"

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
// (The frame layout, the sample width and the raw-value conversion come with the file format.)

// First sample of a re-loaded window that must hold index.
int32_t PagingWindowStart(uint32_t policy, int32_t index, uint32_t winSize, int32_t totalSamples);
// Samples a re-loaded window holds.
int32_t PagingWindowCount(uint32_t winSize, int32_t totalSamples);
