// Incremental drawing of a running recording into its graph window.
#pragma once

#include <cstdint>

struct stAcq;
struct tagGS;

// Draws the frames of the newest bytes into the graph window: the new stretch of each shown
// channel through the program's renderer; past the view's end the view moves on (scrolling) or
// a new page starts (sweep) and the window is redrawn whole.
void PlotNewSamples(int32_t newBytes, stAcq* acq, tagGS* gs);
