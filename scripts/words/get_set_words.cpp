// What the GET, SET and EDIT words share (get_words.cpp, set_words.cpp, edit_words.cpp).
#include "scripts/words/get_set_words.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "graph/view/display_modes.h"
#include <cmath>

int LessonChannelOf(double n) {
    if (!(n >= 0 && n < kMaxChannels) || n != std::floor(n)) return -1;
    return static_cast<int>(n);
}

int SelectedGraphChannel(const tagGS* gs) {
    return gs->selectedChan < static_cast<uint32_t>(kMaxChannels) ? static_cast<int>(gs->selectedChan) : -1;
}

void RefreshScriptGraph(tagGS* gs) {
    UpdateGraphScrollBars(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, TRUE);
    setDirtyGraphFlag(gs, 1);
}

bool IsGridMidpoint(const tagGS* gs) { return gs->gridExtra != 0; }
