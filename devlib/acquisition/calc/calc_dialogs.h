// The parameter dialogs of the calculation channels C1-C12, the lists through which they pick
// source channels, the calculation presets they make, and the pure rules behind them.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "common/stAcq.h"
#include "devlib/acquisition/calc/calc.h"  // the source lists and the enabled check
#include "devlib/acquisition/channels/channels.h"

// ---- Source channels ----
// Channel identifiers: analog first analog number + n, digital 20 + n, calculation 40 + n;
// a negative identifier is a constant.
constexpr int32_t kDigitalIdBase = 20;
constexpr int32_t kCalcIdBase = 40;

// The channel table index an identifier names, -1 for none (or a constant).
int32_t SourceRecordIndex(const stAcq* acq, int32_t id);

// ---- Presets ----
// 1 when the field's text may name a new preset: not empty, not "Off" or "New", no kind name and
// no preset of the table (any case).
int32_t IsNewPresetName(HWND dlg, int field, const stAcq* acq);
// Appends a calculation preset (the channel's record with the dialog's name and label, the kind
// and its 472-byte block) to the preset table and confirms it; 0 when the table is full or memory
// is short.
int32_t AddCalcPreset(HWND dlg, int nameField, int labelField, stAcq* acq, int32_t channel, int32_t kind,
                      const uint8_t* block);

// ---- Dialogs ----
// Opens the parameter dialog of the channel's kind; 1 OK, 0 Cancel or nothing opened (kind 0).
int32_t ShowCalcDialog(HWND parent, stAcq* acq, int32_t channel);
// Dialog 140 on a calculation channel record; 1 OK, 0 Cancel.
int32_t ShowRateDialog(HWND parent, stAcqChan* rec, stAcq* acq);

// ---- Pure rules ----
// A typed whole number (spaces around it allowed) into out; false for anything else.
bool ParseWholeNumber(const char* text, long* out);

// Stored expression ("CH" + identifier) to the form the dialog shows ("A", "D", "C" + n); false
// when the result does not fit outSize (out is then cut and terminated).
bool ExpressionToDisplay(const char* stored, char* out, size_t outSize);
// The shown form, in upper case, back to the stored one; false when it does not fit outSize.
bool ExpressionFromDisplay(const char* shown, char* out, size_t outSize);
// The first channel reference of the shown text at or after from: its position, length and
// identifier; false when there is none.
bool NextChannelReference(const char* shown, size_t from, size_t* at, size_t* length, int32_t* id);

// The Function list's rows and the values they store.
constexpr int kFunctionRows = 10;
int32_t FunctionValueOfRow(int row);
int RowOfFunctionValue(int32_t value);

// The Rate window converted to the unit that suits a result function: unit 1 Hertz for function
// 1, 2 BPM for 2, 3 seconds for 3 and 4; other functions keep the unit. Returns the new unit.
int16_t ConvertRateLimits(int16_t function, int16_t unit, double* lower, double* upper);
