// The FFT transform of the Transform menu and of the script word FFT: the selected range of the
// selected channel prepared, transformed, and its spectra put into a new graph named "FFT".
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Kept for the whole process and shared by the menu and the script word; never stored.
struct FftSettingsRecord {
    int32_t scale;     // 1 magnitude in dB, 0 linear
    uint32_t outputs;  // bit 0 magnitude, bit 1 phase, bit 2 show the modified input
    uint32_t options;  // bit 0 remove the mean, bit 1 remove the trend, bit 2 apply the window
    int32_t window;    // window number (0..9; -1 when a script names none)
    int32_t padMode;   // 0 fill with zeros, 1 fill with the last point
};
extern FftSettingsRecord FftSettings;

constexpr uint32_t kFftMagnitude = 1, kFftPhase = 2, kFftModifiedInput = 4;
constexpr uint32_t kFftRemoveMean = 1, kFftRemoveTrend = 2, kFftApplyWindow = 4;

// The dialog on the graph window: 0 after OK (settings and entire updated), 1 after Cancel,
// 30 when it cannot be made. n is the selection's sample count, count the channel's.
int RunFftDialog(tagGS* gs, int64_t n, int64_t count, FftSettingsRecord* settings, uint32_t* entire, int small);
