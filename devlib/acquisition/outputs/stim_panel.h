// The Stimulator panel's and its preferences' rules over the set-up block, apart from windows.
#pragma once

#include <windows.h>

#include <cstdint>

struct stStimSetup;
struct stAcq;

// What the panel's fields hold, as numbers.
struct stStimTyped {
    double width, rate, lower, upper;
    int32_t count;
};
// The block after reading the panel: width, then rate, then the limits, then the count, each held
// in its range (the increment of 0 keeps values as typed, after the rounding's complaint).
void ApplyTypedStimValues(stStimSetup* s, const stStimTyped& typed);
// The scroll position (0-16383) of the rate between the limits; 0 when the limits are one value.
int32_t StimScrollPosition(const stStimSetup& s);
// The rate after a scroll request (SB_* code, position for the thumb), rounded to the increment.
double StimScrolledRate(const stStimSetup& s, int32_t code, int32_t position);
// The period text's milliseconds for the rate; 0 for a rate of 0 or below.
double StimPeriodMs(double rate);

// The preferences dialog's fields, as numbers.
struct stStimPrefsTyped {
    int32_t withAcquisition, markers, lockLimits, widthLimitOn;
    double widthLimit, correction, increment, delay;
};
// Stores the preferences; 0 (the block unchanged) when the increment is 0 or below.
int32_t ApplyStimPreferences(stStimSetup* s, const stStimPrefsTyped& typed);

// Modal dialog 1221 over the block: 1 OK, 0 Cancel.
int32_t ShowStimulatorPreferences(HWND owner, stAcq* acq);

// The panel's own message: refresh its fields (wParam 1 also rewrites the count).
constexpr UINT kStimPanelRefreshMsg = WM_APP;

// The panel: vk40_Initialize readies its state, and the window is made, hidden, the first time it
// is asked for; the getter answers null when it cannot be had.
void PrepareStimulatorPanel(HGLOBAL hAcq);
HWND StimulatorWindow(HGLOBAL hAcq);
void ShowStimulatorPanel(HGLOBAL hAcq);
