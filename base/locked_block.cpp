// Locked moveable blocks: allocation, growth and release.
#include "base/locked_block.h"
#include <cstring>

namespace {
// Freed blocks of a megabyte and more are kept for the next block of the same size: a transform
// repeated over a document asks for the same sizes again, and the first touch of fresh pages
// costs more than the work the transform does in them. A few are kept, within a bound.
constexpr size_t kKeptMinBytes = size_t(1) << 20;
constexpr size_t kKeptMaxBytes = size_t(256) << 20;
constexpr size_t kSizeSlack = 64;  // what the system may round a size up by
constexpr int kKeptBlocks = 4;

struct KeptBlock {
    HGLOBAL h;
    void* p;
    size_t bytes;
};
KeptBlock g_kept[kKeptBlocks];  // oldest first
int g_keptCount = 0;
size_t g_keptBytes = 0;
SRWLOCK g_keptLock = SRWLOCK_INIT;

class KeptGuard {
public:
    KeptGuard() { AcquireSRWLockExclusive(&g_keptLock); }
    ~KeptGuard() { ReleaseSRWLockExclusive(&g_keptLock); }
    KeptGuard(const KeptGuard&) = delete;
    KeptGuard& operator=(const KeptGuard&) = delete;
};

void Release(HGLOBAL h) {
    GlobalUnlock(h);
    GlobalFree(h);
}

// Forgets entry i, keeping the rest in their order.
KeptBlock Remove(int i) {
    const KeptBlock k = g_kept[i];
    for (int j = i + 1; j < g_keptCount; ++j) g_kept[j - 1] = g_kept[j];
    g_kept[--g_keptCount] = KeptBlock{};
    g_keptBytes -= k.bytes;
    return k;
}

// A kept block of the size, zeroed as a new one is; null when none is kept.
void* TakeKept(size_t bytes) {
    KeptBlock k{};
    {
        KeptGuard guard;
        for (int i = g_keptCount - 1; i >= 0 && !k.p; --i)
            if (g_kept[i].bytes >= bytes && g_kept[i].bytes - bytes <= kSizeSlack) k = Remove(i);
    }
    if (k.p) std::memset(k.p, 0, k.bytes);
    return k.p;
}

// Keeps the block, giving back the oldest kept ones to make room; false when it is not kept.
bool Keep(HGLOBAL h, void* p) {
    const size_t bytes = GlobalSize(h);
    if (bytes < kKeptMinBytes || bytes > kKeptMaxBytes) return false;
    KeptGuard guard;
    while (g_keptCount && (g_keptCount == kKeptBlocks || g_keptBytes + bytes > kKeptMaxBytes)) Release(Remove(0).h);
    g_kept[g_keptCount++] = KeptBlock{h, p, bytes};
    g_keptBytes += bytes;
    return true;
}
}  // namespace

void* AllocLockedBlock(size_t bytes) {
    if (bytes >= kKeptMinBytes) {
        if (void* p = TakeKept(bytes)) return p;
    }
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

void FreeLockedBlock(void*& p) {
    if (!p) return;
    if (HGLOBAL h = GlobalHandle(p)) {
        if (!Keep(h, p)) Release(h);
    }
    p = nullptr;
}

size_t LockedBlockBytes(const void* p) {
    HGLOBAL h = p ? GlobalHandle(p) : nullptr;
    return h ? GlobalSize(h) : 0;
}

bool GrowLockedBlock(void** block, size_t bytes) {
    if (LockedBlockBytes(*block) >= bytes) return true;
    HGLOBAL h = *block ? GlobalHandle(*block) : nullptr;
    if (!h) {
        void* p = AllocLockedBlock(bytes);
        if (p) *block = p;
        return p != nullptr;
    }
    GlobalUnlock(h);
    HGLOBAL grown = GlobalReAlloc(h, bytes, GMEM_MOVEABLE | GMEM_ZEROINIT);
    void* p = GlobalLock(grown ? grown : h);
    *block = p;
    return grown && p;
}
