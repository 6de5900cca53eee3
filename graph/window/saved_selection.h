// One saved selection (times and channel) for the whole program, and a selection made from the view.
#pragma once

struct tagGS;

void SaveSelection(const tagGS* gs);
void RestoreSelection(tagGS* gs);
// Selects the slot and the part of its data inside the visible range.
void SelectChannelVisibleRange(tagGS* gs, int slot);
