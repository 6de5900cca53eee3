// The Manual Control panel's pure parts: the level in counts, volts, scroll positions and the
// bytes of the analog level command.
#pragma once

#include <windows.h>

#include <cstdint>

struct stAcq;

constexpr int32_t kManualCountsMin = -16384;
constexpr int32_t kManualCountsMax = 16384;
constexpr double kManualVoltsMax = 4.9987;
constexpr double kManualCountsPerVolt = 6553.6;

// Volts shown for a level: (counts >> 3) steps of 1.220703125 mV above 2.5 V.
double ManualVoltsFromCounts(int32_t counts);
// The level of typed volts (already held in 0 .. 4.9987), truncated toward zero.
int32_t ManualCountsFromVolts(double volts);
// Typed volts held in 0 .. 4.9987.
double ClampManualVolts(double volts);
// The scroll position of a level: the top of the bar is the highest level.
int32_t ManualScrollPosition(int32_t counts);
// The level after a scroll request (SB_* code, thumb position for the thumb).
int32_t ManualScrolledCounts(int32_t counts, int32_t code, int32_t thumb);
// The three data bytes of unit command 11 for a level.
void ManualLevelData(int32_t counts, uint8_t out[3]);

// Stores the level, moves the scroll bar and (with updateText) the volts field when the panel is
// there, and sends the level; 1 when the unit acknowledged it.
int32_t SetManualOutputLevel(stAcq* acq, HWND scroll, int32_t counts, HWND edit, int32_t updateText);

// The panel: vk40_Initialize readies its state, and the window is made, hidden, the first time it
// is asked for; the getter answers null when it cannot be had.
void PrepareManualControl(HGLOBAL hAcq);
HWND ManualControlWindow(HGLOBAL hAcq);
void ShowManualControl(HGLOBAL hAcq);
// The panel takes a new output value: its scroll bar and field follow and the output is sent; 1
// when it was sent.
int32_t ApplyManualControlValue(HWND panel, stAcq* acq);
