// The Rate Detector: one value per cycle of the selected channel, held from one detection to
// the next in a new channel of the graph, or plotted against the peak times in a new XY graph.
#pragma once
#include <windows.h>
#include <cstdint>
#include "transforms/analysis/rate_core.h"

struct tagGS;

// Mode 0 writes the result, 1 the detection threshold (same-graph output only); with ask the
// dialog comes first. 1 when a channel or a graph was made.
int RunRateDetector(tagGS* gs, int mode, int ask);
// The dialog: 1 for OK (run), 0 for Don't Find and Cancel. Writes the settings (not on Cancel)
// and *wholeWave.
int ShowRateDetectorDialog(HWND owner, tagGS* gs, int* wholeWave);

// Over samples a..b of a channel; 0.0 when a sample cannot be read.
double MeanOfSamples(tagGS* gs, int16_t chan, int32_t a, int32_t b);
// The detector's parameters over a document: the settings, its sample interval and unit, and the
// output mode (mode 1 the threshold); the window is left to the range.
rate::Params ParamsFor(const tagGS* gs, const RateDetectorSettings& s, int mode);
