// The booted program's first graph set up for drawing tests: restored to 820 x 600, one channel of
// doubles on a +-10 band in the given colour, five seconds in view, and the fixed marker "Drug".
#pragma once
#include <windows.h>
#include "graph/view/display_modes.h"
#include "tests/shell/shell_fixture.h"
#include "base/app.h"
#include "common/tagGS.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/window/graph_window.h"
#include "documents/markers/markers.h"

// samples values of value(i) at interval ms each; false when the graph or its block is missing.
inline bool SetUpOneChannelGraph(HWND* graph, tagGS** gs, int samples, double interval, double (*value)(int),
                                 COLORREF colour, double markerTime) {
    *graph = g_app->hwndActiveGraph;
    *gs = *graph ? GetWindowGraph(*graph) : nullptr;
    if (!*gs) return false;
    tagGS* g = *gs;
    SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(*graph), 0);
    MoveWindow(*graph, 0, 0, 820, 600, TRUE);
    for (int s = 0; s < kMaxChannels; ++s) g->chanFlags[s] = 0;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(samples) * 8 + 8);
    if (!h) return false;
    auto* p = static_cast<double*>(GlobalLock(h));
    for (int i = 0; i < samples; ++i) p[i] = value(i);
    g->chanBlock[0] = p;
    g->chanFlags[0] = 2;
    g->chanType[0] = 1;
    g->chanBytes[0] = 8;
    g->chanCount[0] = static_cast<uint32_t>(samples);
    g->chanVPerDiv[0] = 5.0;
    g->chanVDivisions[0] = 4.0;
    g->chanVCenter[0] = 0.0;
    g->chanColor[0] = colour;
    g->selectedChan = 0;
    g->sampleInterval = interval;
    g->hPerDiv = 1000.0;
    g->hDivisions = 5.0;
    g->hStart = 0.0;
    g->selStart = g->selEnd = 0.0;
    UpdateGraphLength(g);
    if (!InsertMarker(g, g->markers, markerTime, 1, "Drug", 0)) return false;
    g->markerBarShown = 1;
    RECT client{};
    GetClientRect(*graph, &client);
    SendMessageA(*graph, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    RebuildChannelItems(g);
    return true;
}
