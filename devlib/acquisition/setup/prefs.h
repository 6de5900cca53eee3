// The device preferences (dialog 1000), the autosave file name (dialog 2112) and the manual
// output value the script words set.
#pragma once

#include <windows.h>

#include <cstdint>

struct stAcq;

constexpr int32_t kAutosaveNameChars = 4;

// "Channel numbers start at 0" and the overwrite warning; 1 on OK.
// Entry point kept for a later caller; only tests call it now.
int32_t ShowDevicePreferences(HWND owner, HGLOBAL hAcq);
// The autosave base name; OK stores it normalised and numbering starts again. 1 on OK.
int32_t ShowAutosaveNameDialog(HWND owner, stAcq* acq);
// The file-name part of a typed name, upper case, four characters (a double-byte character
// counts one), padded with "_"; out holds at least 16 bytes.
void NormaliseAutosaveName(const char* typed, char* out, int32_t size);

// The Manual Control output count of a voltage: trunc(volts x 6553.6) - 16383.
int32_t ManualOutputCounts(double volts);
// counts (when not null) receives the count; unless queryOnly it becomes the Manual Control
// value and is sent to the unit, through the panel once it is made. 1 when the unit took it.
int32_t SetManualOutputVolts(stAcq* acq, int32_t queryOnly, double volts, int32_t* counts);
