// The channel sample store: typed samples per slot, one-at-a-time reads and writes, raw to
// value conversion, and the window that pages disk documents in from their file.
#include "graph/document/sample_store.h"
#include "devlib/vk40.h"
#include "base/app.h"
#include "base/notify.h"
#include "graph/view/view_api.h"
#include <cfloat>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>
#include <vector>

uint32_t g_pagingPolicy = kPagingCentred;

const char* const kKeyPagingFileMissing = "KEY Graph data file missing";
const char* const kKeyPagingReadFailed = "KEY Graph data file read error";
const char* const kKeyPagingDiskFull = "KEY Disk full";

namespace {

// Asking for a key costs far more than reading a sample (a round trip to the window server for
// the thread's key state), so a read that follows on from the one before (same or next index)
// asks the asynchronous state only every so many reads and the thread's state more rarely; a
// read that starts a loop or jumps asks both at once.
constexpr uint32_t kAsyncKeyEvery = 64;
constexpr uint32_t kKeyStateEvery = 4096;
uint32_t g_readsSinceKeyState = 0;
int32_t g_lastIndex = -2;
bool g_escapeSeen = false;

bool EscapeHeld(int32_t index) {
    bool followsOn = index == g_lastIndex || index == g_lastIndex + 1;
    g_lastIndex = index;
    uint32_t n = followsOn ? ++g_readsSinceKeyState : (g_readsSinceKeyState = 0);
    // Once seen down, Escape is asked on every read until it is released.
    if (!g_escapeSeen && n != 0 && n % kAsyncKeyEvery != 0) return false;
    bool down = GetAsyncKeyState(VK_ESCAPE) < 0;
    if (!down && (n == 0 || n >= kKeyStateEvery || g_escapeSeen)) {
        g_readsSinceKeyState = 0;
        down = GetKeyState(VK_ESCAPE) < 0;
    }
    g_escapeSeen = down;
    return down;
}

// A moveable, zeroed block, locked; null when either step fails.
void* AllocLockedBlock(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

void FreeLockedBlock(void* p) {
    if (!p) return;
    HGLOBAL h = GlobalHandle(p);
    if (!h) return;
    GlobalUnlock(h);
    GlobalFree(h);
}

size_t BlockBytes(const void* p) {
    HGLOBAL h = p ? GlobalHandle(p) : nullptr;
    return h ? GlobalSize(h) : 0;
}

// Closes a file handle when it goes.
struct FileHandle {
    HANDLE h;
    explicit FileHandle(HANDLE handle) : h(handle) {}
    ~FileHandle() {
        if (h != INVALID_HANDLE_VALUE) CloseHandle(h);
    }
    FileHandle(const FileHandle&) = delete;
    FileHandle& operator=(const FileHandle&) = delete;
};

// Frees blocks that were not handed over to the document.
struct BlockSet {
    void* block[kMaxChannels] = {};
    int n = 0;
    bool owned = true;
    ~BlockSet() {
        if (owned)
            for (int i = 0; i < n; ++i) FreeLockedBlock(block[i]);
    }
};

// One message per document and trouble, until a load succeeds again.
const tagGS* g_reportedDoc = nullptr;
const char* g_reportedKey = nullptr;
bool g_reporting = false;

void ReportPagingFailure(const tagGS* gs, const char* key) {
    if (g_reporting || (g_reportedDoc == gs && g_reportedKey == key)) return;
    g_reportedDoc = gs;
    g_reportedKey = key;
    const char* text = getMsgBoxText(key);
    if (!text) text = key;
    char message[600];
    std::snprintf(message, sizeof message, "%s\n%s", text, gs->filePath);
    const char* caption = g_app && g_app->szAppTitle[0] ? g_app->szAppTitle : "Kymora";
    g_reporting = true;
    MessageBoxA(g_app ? g_app->hwndFrame : nullptr, message, caption, MB_OK | MB_ICONEXCLAMATION);
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

// One sample as a value; 0 outside the channel, without samples, for a value that is not a
// number, or while Escape is held outside a recording.
int GetChannelSample(tagGS* gs, int index, int slot, double* out) {
    if (!gs || !out || slot < 0 || slot >= kMaxChannels || index < 0) return 0;
    if (!gs->acquiring && EscapeHeld(index)) return 0;
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
    default:
        return 0;
    }
    if (pos < 0) return 0;
    const void* block = gs->chanBlock[slot];
    if (!block) return 0;
    double v;
    if (gs->chanType[slot] == 1)
        v = static_cast<const double*>(block)[pos];
    else
        v = RawToValue(static_cast<const int16_t*>(block)[pos], gs->chanScale[slot], gs->chanOffset[slot]);
    if (!std::isfinite(v) || v == DBL_MAX) return 0;
    *out = v;
    return 1;
}

// Loads samples first .. first + count - 1 of every active slot from the document's file.
// On any failure the document keeps its blocks and window as they were.
int LoadSampleWindow(tagGS* gs, int first, int count) {
    if (!gs) return 0;
    if (gs->storageKind == kStoreMemory || count == 0) return 1;
    if (first < 0 || count < 0 || first >= gs->totalSamples) return 0;

    FileHandle file(CreateFileA(gs->filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.h == INVALID_HANDLE_VALUE) {
        ReportPagingFailure(gs, PagingErrorKey(GetLastError()));
        return 0;
    }
    uint32_t n = static_cast<uint32_t>(count);
    uint32_t rest = static_cast<uint32_t>(gs->totalSamples - first);
    if (n > rest) n = rest;

    FrameLayout layout = FrameLayoutOf(gs);
    WindowPlan plan = PlanWindow(layout, static_cast<uint32_t>(first), n);

    // New blocks while no recording runs; the recording's rings otherwise, which must be
    // large enough for what is read into them.
    BlockSet fresh;
    void* target[kMaxChannels] = {};
    for (int k = 0; k < layout.slots; ++k) {
        int s = layout.slot[k];
        size_t bytes = static_cast<size_t>(n) * (gs->chanBytes[s] > layout.width[k] ? gs->chanBytes[s] : layout.width[k]);
        if (gs->acquiring) {
            if (!gs->chanBlock[s] || BlockBytes(gs->chanBlock[s]) < static_cast<size_t>(plan.winLen) * layout.width[k])
                return 0;
            target[k] = gs->chanBlock[s];
        } else {
            target[k] = fresh.block[fresh.n++] = AllocLockedBlock(bytes);
            if (!target[k]) return 0;
        }
    }

    LARGE_INTEGER at;
    at.QuadPart = static_cast<LONGLONG>(gs->dataOffset + plan.skip);
    if (!SetFilePointerEx(file.h, at, nullptr, FILE_BEGIN)) {
        ReportPagingFailure(gs, PagingErrorKey(GetLastError()));
        return 0;
    }
    std::unique_ptr<uint8_t[]> buffer(new (std::nothrow) uint8_t[kPagingReadBuffer]);
    if (!buffer) return 0;
    uint32_t done = 0;
    while (done < plan.winLen) {
        // As many whole frames as the buffer holds.
        size_t used = 0;
        FramesThatFit(layout, static_cast<uint32_t>(first) + done, plan.winLen - done, kPagingReadBuffer, &used);
        DWORD bytes = static_cast<DWORD>(used);
        DWORD got = 0;
        if (!ReadFile(file.h, buffer.get(), bytes, &got, nullptr) || got != bytes) {
            DWORD error = GetLastError();
            ReportPagingFailure(gs, got != bytes && error == ERROR_SUCCESS ? kKeyPagingReadFailed : PagingErrorKey(error));
            return 0;
        }
        uint32_t taken = UnpackFrames(layout, buffer.get(), bytes, static_cast<uint32_t>(first), done, plan.winLen,
                                      static_cast<int>(gs->byteSwapped), target);
        if (taken == 0) return 0;
        done += taken;
    }

    if (!gs->acquiring) {
        for (int k = 0; k < layout.slots; ++k) {
            int s = layout.slot[k];
            FreeLockedBlock(gs->chanBlock[s]);
            gs->chanBlock[s] = target[k];
        }
        fresh.owned = false;
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
    if (gs->chanType[slot] == 1) return 1;
    uint32_t count = gs->chanCount[slot];
    auto* values = static_cast<double*>(AllocLockedBlock(static_cast<size_t>(count) * sizeof(double)));
    if (!values) return 0;
    if (const auto* raw = static_cast<const int16_t*>(gs->chanBlock[slot])) {
        size_t held = BlockBytes(raw) / sizeof(int16_t);
        for (uint32_t i = 0; i < count && i < held; ++i)
            values[i] = RawToValue(raw[i], gs->chanScale[slot], gs->chanOffset[slot]);
    }
    FreeLockedBlock(gs->chanBlock[slot]);
    gs->chanBlock[slot] = values;
    gs->chanType[slot] = 1;
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
        } else {
            p = AllocLockedBlock(bytes);
            if (!p) return 0;
        }
        std::memset(static_cast<uint8_t*>(p) + oldBytes, 0, bytes - oldBytes);
        gs->chanBlock[slot] = p;
        gs->chanCount[slot] = static_cast<uint32_t>(index) + 1;
    }
    static_cast<double*>(gs->chanBlock[slot])[index] = value;
    return 1;
}
