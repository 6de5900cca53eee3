// The device library's channel scaling applied to a graph's channels (Optimize Ranges).
#pragma once

// Grays or enables the Optimize Ranges menu item and toolbar control for the active graph.
void UpdateOptimizeRangesItems();
