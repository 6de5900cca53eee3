// What the command handlers act on: the active graph window and its document.
#pragma once
#include <windows.h>
#include "base/app.h"
#include "graph/document/graph_doc.h"
#include "devlib/vk40.h"
#include "graph/window/graph_window.h"

inline HWND ActiveGraphWindow() {
    HWND w = g_app->hwndActiveGraph;
    return w && IsWindow(w) ? w : nullptr;
}

inline tagGS* ActiveGraph() { return GetWindowGraph(ActiveGraphWindow()); }

// The message key of the report that the button library could not be loaded.
inline constexpr char kButtonLibraryMissing[] = "KEY Button library missing";

inline bool SelectionEmpty(const tagGS* gs) { return gs->selStart == gs->selEnd; }

// A slot holds a channel when its state bits are not 0, and shows it when they hold 2 or 3.
inline bool SlotHoldsChannel(const tagGS* gs, int slot) { return (gs->chanFlags[slot] & kChanSlotMask) != 0; }
inline bool SlotShown(const tagGS* gs, int slot) { return (gs->chanFlags[slot] & kChanSlotMask) >= 2; }

inline bool HasFocus(HWND w) { return w && GetFocus() == w; }

// The slots of the document for which the test holds.
inline int CountSlots(const tagGS* gs, bool (*test)(const tagGS*, int)) {
    int n = 0;
    for (int slot = 0; slot < kMaxChannels; ++slot)
        if (test(gs, slot)) ++n;
    return n;
}
