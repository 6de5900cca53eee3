// The channel sample store: typed samples per slot, read and written one at a time, and the
// disk-paged window that keeps long recordings out of memory.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cmath>
#include <cstdint>
#include "common/tagGS.h"
#include "documents/files/sample_frames.h"

// Where a re-loaded window starts (see PagingWindowStart).
constexpr uint32_t kPagingForward = 0;  // forward scans: the window starts 4 samples back
constexpr uint32_t kPagingCentred = 1;  // random access: the index lands in the middle
extern uint32_t g_pagingPolicy;         // 1 at start; forward scans set 0 for their loop

// File reads go through one buffer of whole frames.
constexpr uint32_t kPagingReadBuffer = 9600;

// Keys of the messages shown when paging cannot read the document's file.
extern const char* const kKeyPagingFileMissing;
extern const char* const kKeyPagingReadFailed;
extern const char* const kKeyPagingDiskFull;
// The message key for a system error met while paging.
const char* PagingErrorKey(unsigned long error);

// ---- The Escape check of the reads ----
// Asking the keyboard costs far more than reading a sample (a round trip to the window system),
// so the reads ask it only when the system's coarse tick (10-16 ms) has moved on since they last
// did: a press ends a loop within a tick. Once Escape is seen down, every read asks until it is
// released; reads of a document that is recording never ask. The tick is read where
// GetTickCount reads it, in the page the system shares with every process, so watching it costs
// one load per read.
struct stEscapeSource {
    const volatile uint64_t* tick;  // a counter that moves on with time
    int (*keyDown)();               // nonzero while Escape is held
};
// Test seam: installs a source and starts the check afresh; null restores the system tick and
// keyboard.
void SetSampleEscapeSource(const stEscapeSource* source);

extern const volatile uint64_t* g_escapeTick;    // the tick the check watches
extern uint64_t g_escapeAskedAt;                 // its value when the key was last asked
constexpr uint64_t kEscapeAskEveryRead = ~0ull;  // g_escapeAskedAt while Escape is held

// Unless the document is recording, asks the key and notes the tick: whether Escape is held.
bool AskEscapeKey(const tagGS* gs);

// For loops other than reads (a redraw): whether Escape is held, asking the keyboard only when
// the tick has moved on since *askedAt, which it updates.
bool EscapeHeldByTick(uint64_t* askedAt);

// Whether Escape ends a read of the document now; a load and a compare until the tick moves on.
inline bool EscapeEndsRead(const tagGS* gs) {
    if (__builtin_expect(*g_escapeTick == g_escapeAskedAt, 1)) return false;
    return AskEscapeKey(gs);
}

// ---- Reading and writing samples ----

// The read without the Escape check, for every storage kind; pages the window in when needed.
int ReadChannelSample(tagGS* gs, int index, int slot, double* out);

// The value at a block position of a slot; 0 for NaN and the infinities.
inline int SampleValueAt(const tagGS* gs, int slot, size_t pos, double* out) {
    const void* block = gs->chanBlock[slot];
    if (!block) return 0;
    double v = gs->chanType[slot] == kTypeDouble
                   ? static_cast<const double*>(block)[pos]
                   : RawToValue(static_cast<const int16_t*>(block)[pos], gs->chanScale[slot], gs->chanOffset[slot]);
    if (!std::isfinite(v)) return 0;
    *out = v;
    return 1;
}

// One sample as a value: 1 with *out set; 0 outside the channel, without samples, for NaN or an
// infinity, or while Escape is held outside a recording. Samples already in memory are read here
// in line: every sample of a memory document, and a paged document's window, which as
// LoadSampleWindow leaves it starts at ring position 0 and ends within the recording. The rest
// (a recording's ring, a window to load, a failure) goes to ReadChannelSample.
inline int GetChannelSample(tagGS* gs, int index, int slot, double* out) {
    if (!gs || !out || static_cast<uint32_t>(slot) >= static_cast<uint32_t>(kMaxChannels) || index < 0) return 0;
    if (EscapeEndsRead(gs)) return 0;
    uint32_t kind = gs->storageKind;
    uint32_t into = static_cast<uint32_t>(index) - static_cast<uint32_t>(gs->winFirst);  // large below the window
    size_t pos;
    if (kind == kStoreMemory && static_cast<uint32_t>(index) < gs->chanCount[slot])
        pos = static_cast<uint32_t>(index);
    else if (kind == kStoreDiskPaged && into < gs->winLen && static_cast<uint32_t>(index) < gs->chanCount[slot])
        pos = into;
    else
        return ReadChannelSample(gs, index, slot, out);
    return SampleValueAt(gs, slot, pos, out);
}

// The fifth argument is the host table's extra word; it is not read.
int PutChannelSample(tagGS* gs, int index, int slot, double value, int unused = 0);
int LoadSampleWindow(tagGS* gs, int first, int count);
void ResetSampleWindow(tagGS* gs);
int ConvertChannelToDouble(tagGS* gs, int slot);

// A scan keeps the file it pages from open between window loads: opening a file costs about as
// much as reading a window. The file closes when the outermost scan ends.
void BeginPagingScan();
void EndPagingScan();

// Sets the paging policy for a scan and restores the previous one when it goes; the scan's
// file stays open meanwhile.
class PagingPolicyScope {
public:
    explicit PagingPolicyScope(uint32_t policy) : m_saved(g_pagingPolicy) {
        g_pagingPolicy = policy;
        BeginPagingScan();
    }
    ~PagingPolicyScope() {
        EndPagingScan();
        g_pagingPolicy = m_saved;
    }
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
