// Channel set-up: the Setup Channels window with one row per channel, the group switches, the
// Input Channel Parameters dialog, the application of presets and calculation kinds, and the
// propagation of units to calculation channels.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/stAcq.h"
#include "devlib/acquisition/setup/acq_setup_rules.h"

// The sources of GetAnalogChannelParams / GetDigitalChannelParams.
constexpr int32_t kParamsStimulatorReference = -1;
constexpr int32_t kParamsDefaults = 0;

// Sample periods at which the model-40 unit limits its analog channels: kFastestPeriodMs
// (100 kHz, one channel) and 40 kHz (two).
constexpr double kPeriod40k = 0.025;

// ---- Channel records ----

// The records of a group in stAcq::chans: first index and count (analog 4, digital NDChan,
// calculation 12).
void GroupRecords(int32_t group, int32_t* first, int32_t* count);
// Recounts the enabled channels of each group into stAcq's three counters.
void CountEnabledChannels(stAcq* acq);
// One switch (IDC_ROW_ACQUIRE, _PLOT or _VALUES) for every channel of a group, as the rows'
// Ctrl-click gives it; refreshes the Setup Channels window at the end.
void SetChannelFlagForAll(stAcq* acq, int32_t group, int32_t switchId, int32_t on, int32_t plotAllowed,
                          int32_t valuesOn);
// The state bits a row's three boxes give: plot and values only with acquire.
uint32_t RowFlagsFromBoxes(bool acquire, bool plot, bool values);

// A calculation channel becomes a fresh channel of kind 1-10, labelled after the kind.
void SetCalcChannelKind(stAcq* acq, stAcqChan* rec, int32_t kind);
// Calculation preset b (from 1) into a calculation channel: record, kind and parameters; 0 when
// the store holds no such preset.
int32_t ApplyChannelPreset(stAcq* acq, stAcqChan* rec, int32_t preset);
// An analog channel from the stimulator's reference (-1), the defaults (0) or preset b; 0 for a
// channel or preset that does not exist. The exports wrap it.
int32_t SetAnalogChannelParams(stAcq* acq, int32_t channel, int32_t source);
int32_t SetDigitalChannelParams(stAcq* acq, int32_t channel, int32_t source);

// A calculation channel takes its source channel's units text.
void CopyCalcChannelUnits(stAcq* acq, int32_t calcChannel);
void CopyAllCalcChannelUnits(stAcq* acq);

// After a channel changed: the windows that show channels follow.
void RefreshChannelViews(stAcq* acq);

// ---- Windows ----

// The Setup Channels window: vk40_Initialize prepares its record (the channel defaults, with
// writePresets as SetChannelDefaults takes it), and the window is made, hidden, the first time it
// is asked for. The getter answers null when the record cannot be had.
void PrepareChannelSetup(HGLOBAL hAcq, int32_t writePresets);
// Test seam: the defaults, then the window made anew at once, for a test that switched the unit's
// model after start-up (the program's model is fixed once the library is initialised).
HWND CreateChannelSetup(HWND frame, HGLOBAL hAcq, int32_t writePresets);
HWND ChannelSetupWindow(HGLOBAL hAcq);
void ShowChannelSetup(HGLOBAL hAcq);

// After a change of language: the analog and digital channels are named again in it, every
// record's preset name takes its label, and the window's texts and rows follow.
void TranslateChannelSetup(HWND window, stAcq* acq);
// Recounts and lets every row refresh itself from its record.
void RefreshChannelSetup(HWND window, stAcq* acq);
// Input Channel Parameters (dialog 124) on a copy of analog record channel: 1 OK, 0 Cancel.
int32_t EditInputChannelParams(HWND parent, stAcq* acq, int32_t channel);

// ---- Pure rules of Input Channel Parameters ----

// The model-40 unit's digital filters run from 30 Hz to 1000 Hz; true when hz was moved.
bool ClampFilterFrequency(double* hz);
// The row of the unit's gain list that shows a gain: the first whose gain is at least it (the
// last when none is).
int32_t GainRowFor(double gain);
// Typed offset in units to the stored volts: divided by the scale, held within +- range volts.
double OffsetFromUnits(double units, const stAcqChan& rec, double rangeVolts);
// True when text may name a new input preset: not "Default", not "CH%d - <Input>" for 1-4, and
// no preset of the store has it (any case).
bool IsNewInputPresetName(const stAcq* acq, const char* text);
// Appends rec as an input preset after the existing ones (before the calculation presets) with its
// two values; 0 when the input presets are full or memory is short.
int32_t AppendInputPreset(stAcq* acq, const stAcqChan& rec, double first, double second);
