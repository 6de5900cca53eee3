// Locked moveable blocks: allocation, growth and release.
#include "base/locked_block.h"

void* AllocLockedBlock(size_t bytes) {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes ? bytes : 1);
    if (!h) return nullptr;
    void* p = GlobalLock(h);
    if (!p) GlobalFree(h);
    return p;
}

void FreeLockedBlock(void*& p) {
    if (!p) return;
    if (HGLOBAL h = GlobalHandle(p)) {
        GlobalUnlock(h);
        GlobalFree(h);
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
