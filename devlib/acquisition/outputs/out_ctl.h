// The library's side of the output controllers: the output selector and analog output commands
// they share with the Manual Control panel, the stimulator's counts, and the program's answer to
// "which output panel of this graph is active".
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/outputs.h"

struct stAcq;
struct tagGS;

// Unit commands of the outputs.
constexpr uint8_t kCmdAnalogOut = 11;
constexpr uint8_t kCmdDigitalOut = 13;
constexpr uint8_t kCmdOutputSelect = 62;
constexpr uint8_t kCmdStimulator = 69;
constexpr uint8_t kCmdStimReference = 197;

// Whether a unit answers (the status state is not "no unit").
int32_t UnitPresent(const stAcq* acq);

// Unit command 62 with the low byte of value; stored as the selector on success. Without a unit
// 1 and nothing sent.
int32_t SetOutputParameter(stAcq* acq, int32_t value);
// The selector to 4 (the pulse generator, also the grounded output) unless it is already.
int32_t SelectPulseOutput(stAcq* acq);

// The analog output code of a voltage for a unit model (30 or 35; another model gives 0),
// clamped to 16 bits.
int32_t AnalogCodeForVolts(double volts, int32_t model);
// The RJ72C level's code around the middle of its range.
int32_t LevelCodeForVolts(double volts, double middle);
// Unit command 11 with the code (high byte, low byte, 0); stored on success.
int32_t SendAnalogCode(stAcq* acq, int32_t code);

// The connected model's pulse generator: one count in ms, and the bounds of the off count (the
// first model's values until the model is known).
double StimResolution();
uint16_t StimOffCountMin();
uint16_t StimOffCountMax();

// Counts of the pulse generator for one start.
struct stStimCounts {
    uint16_t width;     // pulse width
    uint8_t hundreds;   // whole 100 ms of the off time beyond what the off count holds
    uint16_t off;       // the rest of the off time
    uint16_t delay;     // before the first pulse
};
// The counts of a width, a rate, a delay (ms, Hz, ms); a single pulse is followed by 1 ms off.
// 0 when the rate is 0 or below for repeating pulses (no period to count).
int32_t StimCalcCount(double width, double rate, double delay, bool repeating, stStimCounts* out);

// The program's first active panel of a graph; 0 when none (or no finder, or no graph).
int32_t FindActiveOutputPanel(tagGS* graph, stOutputPanelInfo* info);
// Whether the attached graph's active panel is a pulse or stimulator panel.
int32_t IsStimulatorViewActive(const stAcq* acq);

// The class data of the pulse controllers that may be changed at run time.
extern int32_t g_stimStopAbsolutely;
