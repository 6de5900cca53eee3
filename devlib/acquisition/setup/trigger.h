// The trigger of a recording (the start-signal fields of the acquisition record) and the
// modeless Setup Triggering window (1213) that edits them.
#pragma once

#include <windows.h>

#include <cstdint>

struct stAcq;

// Bits of the trigger flags (stAcq::unitMode).
constexpr uint16_t kTrigOn = 128;
constexpr uint16_t kTrigPositive = 64;
constexpr uint16_t kTrigBoth = 32;
constexpr uint16_t kTrigChannel = 16;
constexpr uint16_t kTrigDelayByLength = 0x100;  // the high byte 1: the delay is bounded by the length
constexpr uint16_t kTrigStartFlags = 323;
constexpr int32_t kTrigExternalChannel = 255;

// The trigger fields' start-up values.
void SetTriggerDefaults(stAcq* acq);
HWND CreateTriggerSetup(HWND parent, HGLOBAL hAcq);
// The window, made hidden over the frame on the first call.
HWND TriggerSetupWindow(HGLOBAL hAcq);
void ShowTriggerSetup(HGLOBAL hAcq);
void FillTriggerSetup(HWND dlg, stAcq* acq);
// Stores and answers the delay as the flags, the length and the storage bound it.
int32_t ClampTriggerDelay(stAcq* acq, int32_t samples);
// The trigger source list of the connected model, emptied first.
void FillTriggerSetupLists(HWND dlg);

// The level in the trigger channel's units and back (pure, over the channel's scale and offset).
double TriggerLevelShown(double level, double scale, double offset);
double TriggerLevelFromShown(double shown, double scale, double offset);
