// Axis units and number formats: the unit of a horizontal span, the axis-label number format,
// clock-time labels and the colour numbers of commands and scripts.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Smallest buffers the formatting routines write into (text and NUL).
constexpr int kUnitNameLen = 40;
constexpr int kAxisNumberLen = 32;
constexpr int kTimeHMSLen = 24;
// Decimals beyond this carry no information in a double and would only lengthen the text.
constexpr int kMaxAxisDecimals = 15;

// One row of a unit table: the keys of its long and short names and its size (base units in
// one unit; a value in the unit is the value divided by the size).
struct stAxisUnit {
    const char* longKey;
    const char* shortKey;
    double size;
};

// Pure choices over plain values; the keys are the untranslated names.
stAxisUnit PickTimeUnit(double spanMs);
stAxisUnit PickFrequencyUnit(double kHz);
// Unit of kinds 0-2 for a value: 1 and the row; 0 for user units and unknown kinds.
int PickAxisUnit(uint32_t kind, double value, stAxisUnit* out);

// Writes the unit's name (at most kUnitNameLen - 1 characters) and size for the value and kind;
// any other kind writes nothing and returns 0.
int ChooseTimeUnits(const tagGS* gs, double value, char* name, uint32_t kind, double* size, uint32_t shortName);
// The fixed unit of a kind, whatever the value.
// Entry point kept for a later caller; only tests call it now.
int GetTimeUnitByIndex(const tagGS* gs, double unused, char* name, uint32_t kind, double* size, uint32_t shortName);

// Axis-label text of a value with the given decimals; buffer of kAxisNumberLen.
void FormatAxisNumber(char* buffer, double value, int16_t decimals);
// "hh:mm:ss" and two blanks, replacing the buffer's text; buffer of kTimeHMSLen.
void FormatTimeHMS(int32_t seconds, char* buffer);
// Colour of a colour number (2 red ... 7 purple); anything else is black.
COLORREF WaveColorFromIndex(uint32_t number);
