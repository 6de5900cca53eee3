// The Histogram transform: counts of the selected channel's samples in equal bins, shown in a new
// graph window whose horizontal axis is the source's value.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Kept for the whole process between uses.
struct stHistogramSettings {
    int32_t bins;
    int32_t autorange;
    double lowest;
    double highest;
};
extern stHistogramSettings g_histogram;

// "Histogram Options": 1 after OK with the settings and *useSelection written, 0 after Cancel.
int ShowHistogramDialog(HWND parent, tagGS* gs, int* useSelection, int selectionEmpty);
