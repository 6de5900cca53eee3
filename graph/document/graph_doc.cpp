// Graph documents: the record's allocation, new-document defaults, window and release.
#include "graph/document/graph_doc.h"
#include "shell/app.h"
#include "shell/startup.h"
#include "devlib/services/vk40_api.h"
#include "scripts/script_api.h"
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {
int g_untitledCounter = 0;
}

// Allocates and locks a zeroed document record.
int AllocGraph(tagGS** out, int /*checkReview*/) {
    *out = nullptr;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(tagGS));
    if (!h) {
        MessageBoxFromStringTable(nullptr, MB_ICONSTOP, 30, "new graph");
        return 0;
    }
    auto* gs = static_cast<tagGS*>(GlobalLock(h));
    if (!gs) {
        GlobalFree(h);
        return 0;
    }
    *out = gs;
    return 1;
}

// The values of a new document.
int InitNewGraph(tagGS* gs) {
    std::snprintf(gs->title, sizeof gs->title, "Untitled%d", ++g_untitledCounter);
    static const COLORREF cycle[6] = {0x000000, 0x0000FF, 0xFF0000, 0x008000, 0xFFFF00, 0xFF00FF};
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (slot < 5)
            std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "CH%d Input", slot);
        else if (slot < 40)
            std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "Channel %d", slot);
        else
            std::snprintf(gs->chanLabel[slot], sizeof gs->chanLabel[slot], "C%d", slot - 39);
        lstrcpyA(gs->chanUnits[slot], "volts");
        gs->chanDecimals[slot] = 2;
        gs->chanVDivisions[slot] = 4.0;
        gs->chanColor[slot] = cycle[slot % 6];
        gs->chanPlotStyle[slot] = 0x0303;
        gs->chanOrder[slot] = static_cast<uint32_t>(slot);
        gs->chanViewWord[slot] = 1092;
        gs->chanVPerDiv[slot] = 5.0;
        gs->chanScale[slot] = 10.0 / 32768.0;
        lstrcpynA(gs->chanDescription[slot], gs->chanLabel[slot], sizeof gs->chanDescription[slot]);
    }
    gs->chanViewWord[kMaxChannels] = 1;
    gs->viewFlags0 = 2;
    gs->viewFlags1 = gs->viewFlags2 = 1;
    gs->gridColor = 0x808080;
    gs->gridMinorColor = 0xC0C0C0;
    gs->hDivisions = 4.0;
    gs->plotBackColor = 0xFFFFFF;
    gs->toolsWhileRecording = 1;
    gs->displayMode = 1;
    gs->xyXChan = 1;
    gs->cursorShown = 2;
    gs->hPerDiv = 2000.0;
    gs->sampleInterval = 5.0;
    gs->winSize = kPagingWindow;
    gs->measureShown = 1;
    gs->measureRows = 1;
    gs->precisionDigits = 6;
    gs->currentTool = 16;
    gs->markerBarShown = 1;
    gs->segmentsShown = 1;
    gs->lessonFlags[0] = gs->lessonFlags[1] = 1;
    gs->waveformRegionResize = 1;
    gs->cursorTime = -1.0;
    gs->outPanelsShown = 1;
    gs->saveAsType = 1;
    gs->gridShown = 1;
    setDirtyGraphFlag(gs, 0);
    return 1;
}

// A new document in its own window.
HWND NewGraph(int maximised) {
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) < 1) return nullptr;
    InitNewGraph(gs);
    gs->storageKind = kStoreMemory;
    HWND hwnd = CreateGraphWindow(gs, maximised);
    if (!hwnd) FreeGraphRecord(gs);
    return hwnd;
}

HWND CreateGraphWindow(tagGS* gs, int maximised) {
    if (!g_app->hwndClient) return nullptr;
    MDICREATESTRUCTA mcs{};
    mcs.szClass = g_app->szClassNames[kClassChild];
    mcs.szTitle = gs->title;
    mcs.hOwner = g_app->hInstance;
    mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
    // The "maximised" form is the visible one: 0x14C40000, else 0x04C40000.
    mcs.style = (0x04CF0000 | (maximised ? 0x10000000 : 0)) & ~0x000B0000;
    mcs.lParam = reinterpret_cast<LPARAM>(gs);
    return reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
}

// Frees the sample blocks and the record itself.
void FreeGraphRecord(tagGS* gs) {
    if (!gs) return;
    for (void*& block : gs->chanBlock) {
        if (!block) continue;
        HGLOBAL h = GlobalHandle(block);
        if (h) {
            while (GlobalUnlock(h)) {}
            GlobalFree(h);
        }
        block = nullptr;
    }
    HGLOBAL h = GlobalHandle(gs);
    if (h) {
        while (GlobalUnlock(h)) {}
        GlobalFree(h);
    }
}

int OpenGraphFile(const char*) { return 0; }

// One sample as a value; 0 outside the channel or for a value that is not a number.
int GetChannelSample(tagGS* gs, int index, int slot, double* out) {
    if (!gs || slot < 0 || slot >= kMaxChannels || index < 0) return 0;
    if (static_cast<uint32_t>(index) >= gs->chanCount[slot] || !gs->chanBlock[slot]) return 0;
    double v;
    if (gs->chanType[slot] == 1)
        v = static_cast<const double*>(gs->chanBlock[slot])[index];
    else
        v = static_cast<const int16_t*>(gs->chanBlock[slot])[index] * gs->chanScale[slot] + gs->chanOffset[slot];
    if (std::isnan(v)) return 0;
    *out = v;
    return 1;
}

int PutChannelSample(tagGS*, int, int, double, int) { return 0; }
int LoadSampleWindow(tagGS*, int, int) { return 0; }

// 1 when the document is gone; a recording in progress refuses the close.
int CloseGraph(tagGS* gs, HWND) {
    if (!gs || gs->acquiring) return 0;
    HWND hwnd = gs->hwnd;
    if (g_app->hAcq && g_app->driverOps.onGraphClosed) g_app->driverOps.onGraphClosed(g_app->hAcq);
    if (g_scriptGraph == gs) g_scriptGraph = nullptr;
    if (hwnd) SetWindowLongPtrA(hwnd, 0, 0);
    if (g_app->hwndActiveGraph == hwnd) g_app->hwndActiveGraph = nullptr;
    FreeGraphRecord(gs);
    if (hwnd) SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hwnd), 0);
    return 1;
}
