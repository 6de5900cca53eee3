// One saved selection (times and channel) for the whole program, and a selection made from the view.
#include "graph/window/saved_selection.h"
#include "common/tagGS.h"
#include "graph/window/channel_slots.h"
#include <cstdint>

namespace {
struct SavedSelection {
    double selStart = 0.0, selEnd = 0.0;
    uint32_t selectedChan = 0;
} g_savedSelection;
}  // namespace

void SaveSelection(const tagGS* gs) {
    g_savedSelection.selStart = gs->selStart;
    g_savedSelection.selEnd = gs->selEnd;
    g_savedSelection.selectedChan = gs->selectedChan;
}

void RestoreSelection(tagGS* gs) {
    gs->selStart = g_savedSelection.selStart;
    gs->selEnd = g_savedSelection.selEnd;
    gs->selectedChan = g_savedSelection.selectedChan;
}

void SelectChannelVisibleRange(tagGS* gs, int slot) {
    if (!gs || !IsChannelSlot(slot)) return;
    gs->selectedChan = static_cast<uint32_t>(slot);
    double length = gs->chanCount[slot] * gs->sampleInterval;
    if (length <= gs->hStart) {
        gs->selStart = 0.0;
        gs->selEnd = length;
        return;
    }
    gs->selStart = gs->hStart;
    double visibleEnd = gs->hStart + gs->hPerDiv * gs->hDivisions;
    gs->selEnd = length < visibleEnd ? length : visibleEnd;
}
