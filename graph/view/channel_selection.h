// Channel selection of a graph window and the channel items that follow it.
#pragma once
#include <cstdint>

struct tagGS;

// Makes a slot the selected channel.
void SelectGraphChannel(tagGS* gs, int16_t slot);
// Rebuilds the channel button row and the measurement boxes' channel lists.
void RebuildChannelItems(tagGS* gs);
