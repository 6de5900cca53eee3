// A graph document of f64 channels for the expression tests, without a window.
#pragma once
#include <windows.h>
#include <vector>
#include "common/tagGS.h"

struct ExpressionDoc {
    tagGS* gs = nullptr;
    std::vector<double> samples[kMaxChannels];

    ExpressionDoc() {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(tagGS));
        gs = static_cast<tagGS*>(GlobalLock(h));
        gs->sampleInterval = 5.0;
        gs->storageKind = kStoreMemory;
    }
    ~ExpressionDoc() {
        HGLOBAL h = GlobalHandle(gs);
        GlobalUnlock(h);
        GlobalFree(h);
    }
    ExpressionDoc(const ExpressionDoc&) = delete;
    ExpressionDoc& operator=(const ExpressionDoc&) = delete;

    // Puts f64 samples into a slot and marks it in use.
    void SetChannel(int slot, std::vector<double> values) {
        samples[slot] = std::move(values);
        gs->chanFlags[slot] = 2;
        gs->chanType[slot] = 1;
        gs->chanBytes[slot] = 8;
        gs->chanCount[slot] = static_cast<uint32_t>(samples[slot].size());
        gs->chanBlock[slot] = samples[slot].data();
    }
};
