// The channel sample store: typed samples per slot, one-at-a-time reads and writes, raw to
// value conversion, and the window that pages disk documents in from their file.
#include "graph/document/sample_store.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include "base/app.h"
#include "base/services.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "graph/view/layout.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

namespace {

// Every process sees the system's shared data page at this address; the tick count GetTickCount
// reads lies 0x320 into it, one 64-bit word.
constexpr uintptr_t kSharedUserData = 0x7FFE0000;
constexpr uintptr_t kTickCountOffset = 0x320;
const volatile uint64_t* const kSystemTick =
    reinterpret_cast<const volatile uint64_t*>(kSharedUserData + kTickCountOffset);

}  // namespace

uint32_t g_pagingPolicy = kPagingCentred;
const volatile uint64_t* g_escapeTick = kSystemTick;
uint64_t g_escapeAskedAt = kEscapeAskEveryRead;

const char* const kKeyPagingFileMissing = "KEY Graph data file missing";
const char* const kKeyPagingReadFailed = "KEY Graph data file read error";
const char* const kKeyPagingDiskFull = "KEY Disk full";

namespace {

int SystemEscapeDown() { return IsEscapeKeyDown(); }
const stEscapeSource kSystemEscapeSource = {kSystemTick, SystemEscapeDown};
const stEscapeSource* g_escapeSource = &kSystemEscapeSource;

// The file a running scan pages from, open for its window loads.
struct ScanFile {
    int depth = 0;
    char path[MAX_PATH] = "";
    HANDLE h = INVALID_HANDLE_VALUE;
};
ScanFile g_scanFile;

void CloseScanFile() {
    if (g_scanFile.h != INVALID_HANDLE_VALUE) CloseHandle(g_scanFile.h);
    g_scanFile.h = INVALID_HANDLE_VALUE;
    g_scanFile.path[0] = 0;
}

// A document's file open for reading: the scan's file while a scan runs (shared, so that other
// programs can still write, rename or delete it), otherwise a handle of its own, closed when it goes.
class PagingFile {
public:
    explicit PagingFile(const char* path) : m_own(g_scanFile.depth == 0 ? OpenOwn(path) : INVALID_HANDLE_VALUE) {
        if (g_scanFile.depth == 0) {
            m_h = m_own.get();
            return;
        }
        if (g_scanFile.h == INVALID_HANDLE_VALUE || std::strcmp(g_scanFile.path, path) != 0) {
            CloseScanFile();
            g_scanFile.h = CreateFileA(path, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                       nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
            if (g_scanFile.h != INVALID_HANDLE_VALUE) lstrcpynA(g_scanFile.path, path, MAX_PATH);
        }
        m_h = g_scanFile.h;
    }
    PagingFile(const PagingFile&) = delete;
    PagingFile& operator=(const PagingFile&) = delete;
    HANDLE Get() const { return m_h; }
    // After a failed read the file is opened afresh next time.
    void Drop() {
        if (m_h == g_scanFile.h) CloseScanFile();
    }

private:
    static HANDLE OpenOwn(const char* path) {
        return CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    }

    CScopedHandle m_own;
    HANDLE m_h = INVALID_HANDLE_VALUE;
};

// One message per document and trouble, until a load succeeds again.
const tagGS* g_reportedDoc = nullptr;
const char* g_reportedKey = nullptr;
bool g_reporting = false;

void ReportPagingFailure(const tagGS* gs, const char* key) {
    if (g_reporting || (g_reportedDoc == gs && g_reportedKey == key)) return;
    g_reportedDoc = gs;
    g_reportedKey = key;
    const char* text = Keyed(key);
    char message[600];
    std::snprintf(message, sizeof message, "%s\n%s", text, gs->filePath);
    const char* caption = ProgramTitle();
    g_reporting = true;
    MessageBoxA(Owner(), message, caption, MB_OK | MB_ICONEXCLAMATION);
    g_reporting = false;
}

}  // namespace

// ---- Pure parts ----

const char* PagingErrorKey(unsigned long error) {
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) return kKeyPagingDiskFull;
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) return kKeyPagingFileMissing;
    return kKeyPagingReadFailed;
}

int32_t PagingWindowStart(uint32_t policy, int32_t index, uint32_t winSize, int32_t totalSamples) {
    int64_t start;
    if (policy == kPagingForward)
        start = static_cast<int64_t>(index) - 4;
    else if (policy == kPagingCentred)
        start = static_cast<int64_t>(index) - static_cast<int64_t>(winSize / 2);
    else
        start = static_cast<int64_t>(index) - (static_cast<int64_t>(winSize) + 4);
    int64_t last = static_cast<int64_t>(totalSamples) - static_cast<int64_t>(winSize);
    if (start > last) start = last;
    if (start < 0) start = 0;
    // A whole window and 4 back ends before the index itself; such a window would serve a
    // wrapped, wrong sample. It ends 4 after the index instead, for scans that walk backward.
    if (start + winSize <= index) {
        start = static_cast<int64_t>(index) - (static_cast<int64_t>(winSize) - 4);
        if (start > last) start = last;
        if (start < 0) start = 0;
    }
    return static_cast<int32_t>(start);
}

int32_t PagingWindowCount(uint32_t winSize, int32_t totalSamples) {
    if (totalSamples < 0) return 0;
    return static_cast<uint32_t>(totalSamples) < winSize ? totalSamples : static_cast<int32_t>(winSize);
}

// ---- Document operations ----

void ResetSampleWindow(tagGS* gs) {
    if (gs && !gs->acquiring) gs->winSize = kPagingWindow;
}

void BeginPagingScan() { ++g_scanFile.depth; }

void EndPagingScan() {
    if (g_scanFile.depth > 0 && --g_scanFile.depth == 0) CloseScanFile();
}

void SetSampleEscapeSource(const stEscapeSource* source) {
    g_escapeSource = source ? source : &kSystemEscapeSource;
    g_escapeTick = g_escapeSource->tick;
    g_escapeAskedAt = kEscapeAskEveryRead;
}

bool AskEscapeKey(const tagGS* gs) {
    if (gs->acquiring) {
        // Noting the tick keeps a recording's reads cheap; a held key is still asked for at once.
        if (g_escapeAskedAt != kEscapeAskEveryRead) g_escapeAskedAt = *g_escapeTick;
        return false;
    }
    bool down = g_escapeSource->keyDown() != 0;
    g_escapeAskedAt = down ? kEscapeAskEveryRead : *g_escapeTick;
    return down;
}

bool EscapeHeldByTick(uint64_t* askedAt) {
    uint64_t now = *g_escapeTick;
    if (now == *askedAt) return false;
    bool down = g_escapeSource->keyDown() != 0;
    *askedAt = down ? kEscapeAskEveryRead : now;
    return down;
}

int ReadChannelSample(tagGS* gs, int index, int slot, double* out) {
    if (!gs || !out || slot < 0 || slot >= kMaxChannels || index < 0) return 0;
    int64_t pos;
    switch (gs->storageKind) {
    case kStoreMemory:
        if (static_cast<uint32_t>(index) >= gs->chanCount[slot]) return 0;
        pos = index;
        break;
    case kStoreDiskPaged:
        if (static_cast<uint32_t>(index) >= gs->chanCount[slot] || index >= gs->totalSamples) return 0;
        if (index < gs->winFirst || static_cast<int64_t>(index) >= static_cast<int64_t>(gs->winFirst) + gs->winLen) {
            ResetSampleWindow(gs);
            int32_t start = PagingWindowStart(g_pagingPolicy, index, gs->winSize, gs->totalSamples);
            if (!LoadSampleWindow(gs, start, PagingWindowCount(gs->winSize, gs->totalSamples))) return 0;
            if (gs->storageKind == kStoreMemory) {
                pos = index;
                break;
            }
            if (index < gs->winFirst || static_cast<int64_t>(index) >= static_cast<int64_t>(gs->winFirst) + gs->winLen)
                return 0;
        }
        pos = WindowPosition(index, gs->winFirst, gs->winRingBase, gs->winLen);
        break;
    case kStoreDiskRecording:
        // A ring: only what it holds now can be read.
        if (index < gs->winFirst || static_cast<int64_t>(index) >= static_cast<int64_t>(gs->winFirst) + gs->winLen)
            return 0;
        pos = WindowPosition(index, gs->winFirst, gs->winRingBase, gs->winLen);
        break;
    default: return 0;
    }
    if (pos < 0) return 0;
    return SampleValueAt(gs, slot, static_cast<size_t>(pos), out);
}

namespace {

// Reads the frames of window positions from .. to - 1 (frames first + from on) into the blocks,
// through one buffer of whole frames. Null, or the message key of the failure.
const char* ReadWindowFrames(HANDLE file, const tagGS* gs, const FrameLayout& layout, uint32_t first, uint32_t from,
                             uint32_t to, uint8_t* buffer, void* const* blocks) {
    if (from >= to) return nullptr;
    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(FrameOffset(layout, gs->dataOffset, first + from));
    if (!SetFilePointerEx(file, at, nullptr, FILE_BEGIN)) return PagingErrorKey(GetLastError());
    for (uint32_t done = from; done < to;) {
        size_t used = 0;
        FramesThatFit(layout, first + done, to - done, kPagingReadBuffer, &used);
        const DWORD bytes = static_cast<DWORD>(used);
        DWORD got = 0;
        if (!ReadFile(file, buffer, bytes, &got, nullptr) || got != bytes) {
            DWORD error = GetLastError();
            return got != bytes && error == ERROR_SUCCESS ? kKeyPagingReadFailed : PagingErrorKey(error);
        }
        uint32_t taken =
            UnpackFrames(layout, buffer, bytes, first, done, to, static_cast<int>(gs->byteSwapped), blocks);
        if (taken == 0) return kKeyPagingReadFailed;
        done += taken;
    }
    return nullptr;
}

}  // namespace

// Loads samples first .. first + count - 1 of every active slot from the document's file into
// the slots' blocks. Samples the held window shares with the new one are moved, not read again.
// A file that cannot be opened or is too short leaves the document as it was; a read that fails
// midway leaves no window held.
int LoadSampleWindow(tagGS* gs, int first, int count) {
    if (!gs) return 0;
    if (gs->storageKind == kStoreMemory || count == 0) return 1;
    if (first < 0 || count < 0 || first >= gs->totalSamples) return 0;

    PagingFile file(gs->filePath);
    if (file.Get() == INVALID_HANDLE_VALUE) {
        ReportPagingFailure(gs, PagingErrorKey(GetLastError()));
        return 0;
    }
    uint32_t n = static_cast<uint32_t>(count);
    uint32_t rest = static_cast<uint32_t>(gs->totalSamples - first);
    if (n > rest) n = rest;
    uint32_t start = static_cast<uint32_t>(first);
    FrameLayout layout = FrameLayoutOf(gs);
    WindowPlan plan = PlanWindow(layout, start, n);

    LARGE_INTEGER size;
    if (!GetFileSizeEx(file.Get(), &size)) {
        const char* key = PagingErrorKey(GetLastError());
        file.Drop();
        ReportPagingFailure(gs, key);
        return 0;
    }
    if (static_cast<uint64_t>(size.QuadPart) < gs->dataOffset + plan.skip + plan.bytes) {
        file.Drop();
        ReportPagingFailure(gs, kKeyPagingReadFailed);
        return 0;
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPagingReadBuffer]);
    if (!buffer) return 0;

    // The held window can give its samples to the new one when every slot's block holds it.
    bool keep = !gs->acquiring && gs->storageKind == kStoreDiskPaged && gs->winRingBase == 0 && gs->winLen > 0;
    for (int k = 0; k < layout.slots && keep; ++k)
        keep = LockedBlockBytes(gs->chanBlock[layout.slot[k]]) >= static_cast<size_t>(gs->winLen) * layout.width[k];

    // The blocks must hold the window: re-sized while no recording runs; a recording's rings
    // keep their size.
    void* blocks[kMaxChannels] = {};
    for (int k = 0; k < layout.slots; ++k) {
        int s = layout.slot[k];
        if (gs->acquiring) {
            if (!gs->chanBlock[s] ||
                LockedBlockBytes(gs->chanBlock[s]) < static_cast<size_t>(plan.winLen) * layout.width[k])
                return 0;
        } else {
            size_t width = gs->chanBytes[s] > layout.width[k] ? gs->chanBytes[s] : layout.width[k];
            if (!GrowLockedBlock(&gs->chanBlock[s], static_cast<size_t>(n) * width)) return 0;
        }
        blocks[k] = gs->chanBlock[s];
    }

    // Frames both windows hold move to their new places; the rest come from the file.
    uint32_t keepFrom = start, keepTo = start;
    if (keep) {
        uint32_t oldFirst = static_cast<uint32_t>(gs->winFirst), oldEnd = oldFirst + gs->winLen;
        keepFrom = oldFirst > start ? oldFirst : start;
        keepTo = oldEnd < start + plan.winLen ? oldEnd : start + plan.winLen;
        if (keepFrom >= keepTo) keepFrom = keepTo = start;
    }
    for (int k = 0; k < layout.slots && keepFrom < keepTo; ++k) {
        uint32_t to = keepTo < layout.count[k] ? keepTo : layout.count[k];
        if (keepFrom >= to) continue;
        uint8_t* b = static_cast<uint8_t*>(blocks[k]);
        uint32_t w = layout.width[k];
        std::memmove(b + static_cast<size_t>(keepFrom - start) * w,
                     b + static_cast<size_t>(keepFrom - static_cast<uint32_t>(gs->winFirst)) * w,
                     static_cast<size_t>(to - keepFrom) * w);
    }
    const char* failure = ReadWindowFrames(file.Get(), gs, layout, start, 0, keepFrom - start, buffer.get(), blocks);
    if (!failure)
        failure = ReadWindowFrames(file.Get(), gs, layout, start, keepTo - start, plan.winLen, buffer.get(), blocks);
    if (failure) {
        file.Drop();
        gs->winFirst = 0;
        gs->winRingBase = 0;
        gs->winLen = 0;
        ReportPagingFailure(gs, failure);
        return 0;
    }
    // Places past a short slot's end hold zeros, as in a new block.
    for (int k = 0; k < layout.slots && !gs->acquiring; ++k) {
        uint32_t held = layout.count[k] > start ? layout.count[k] - start : 0;
        if (held < plan.winLen)
            std::memset(static_cast<uint8_t*>(blocks[k]) + static_cast<size_t>(held) * layout.width[k], 0,
                        static_cast<size_t>(plan.winLen - held) * layout.width[k]);
    }

    gs->winFirst = first;
    gs->winRingBase = 0;
    gs->winLen = plan.winLen;
    if (g_reportedDoc == gs) g_reportedDoc = nullptr;
    if (static_cast<int64_t>(n) >= gs->totalSamples && !gs->acquiring) {
        gs->storageKind = kStoreMemory;
        if (g_app && g_app->hwndFrame) notify::SetStatusText(nullptr);
    }
    return 1;
}

// Makes the slot hold f64 values, bringing a disk-paged document wholly into memory first.
int ConvertChannelToDouble(tagGS* gs, int slot) {
    if (!gs || slot < 0 || slot >= kMaxChannels) return 0;
    if (!LoadSampleWindow(gs, 0, gs->totalSamples)) return 0;
    if (gs->chanType[slot] == kTypeDouble) return 1;
    uint32_t count = gs->chanCount[slot];
    auto* values = static_cast<double*>(AllocLockedBlock(static_cast<size_t>(count) * sizeof(double)));
    if (!values) return 0;
    if (const auto* raw = static_cast<const int16_t*>(gs->chanBlock[slot])) {
        size_t held = LockedBlockBytes(raw) / sizeof(int16_t);
        for (uint32_t i = 0; i < count && i < held; ++i)
            values[i] = RawToValue(raw[i], gs->chanScale[slot], gs->chanOffset[slot]);
    }
    FreeLockedBlock(gs->chanBlock[slot]);
    gs->chanBlock[slot] = values;
    gs->chanType[slot] = kTypeDouble;
    gs->chanBytes[slot] = sizeof(double);
    // The drawing folds scale and offset into raw samples only; values map differently.
    if (gs->hwnd) ComputeChannelTransforms(gs);
    return 1;
}

// Stores one value, growing the slot to index + 1 samples when needed.
int PutChannelSample(tagGS* gs, int index, int slot, double value, int) {
    if (!gs || slot < 0 || slot >= kMaxChannels || index < 0) return 0;
    if (!ConvertChannelToDouble(gs, slot)) return 0;
    if ((gs->chanFlags[slot] & kChanSlotMask) == 0) {
        gs->chanFlags[slot] = 2;
        gs->chanCount[slot] = 0;
        setDirtyGraphFlag(gs, 1);
    }
    if (static_cast<uint32_t>(index) >= gs->chanCount[slot]) {
        size_t oldBytes = static_cast<size_t>(gs->chanCount[slot]) * sizeof(double);
        size_t bytes = (static_cast<size_t>(index) + 1) * sizeof(double);
        void* p = gs->chanBlock[slot];
        if (HGLOBAL h = p ? GlobalHandle(p) : nullptr) {
            GlobalUnlock(h);
            HGLOBAL grown = GlobalReAlloc(h, bytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
            void* q = grown ? GlobalLock(grown) : nullptr;
            if (!q) {
                gs->chanBlock[slot] = GlobalLock(grown ? grown : h);
                return 0;
            }
            p = q;
            std::memset(static_cast<uint8_t*>(p) + oldBytes, 0, bytes - oldBytes);
        } else {
            p = AllocLockedBlock(bytes);  // zeroed
            if (!p) return 0;
        }
        gs->chanBlock[slot] = p;
        gs->chanCount[slot] = static_cast<uint32_t>(index) + 1;
    }
    static_cast<double*>(gs->chanBlock[slot])[index] = value;
    return 1;
}
