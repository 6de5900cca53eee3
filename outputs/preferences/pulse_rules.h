// The rules between the pulse preferences that the pulse preference sheet keeps while the user
// edits a copy of a stimulator's set: the period range that the width allows, the repetition
// limits and increment, the calibration adjustment, and typed values in the shown units.
#pragma once
#include <string>
#include "outputs/framework/controller.h"
#include "outputs/outputs_ids.h"

// The sheet's edit fields.
enum PulseSheetField : int {
    kFieldLockedWidth = IDC_OUT_LOCKED_WIDTH,
    kFieldRepFrom = IDC_OUT_REP_FROM,
    kFieldRepTo = IDC_OUT_REP_TO,
    kFieldRepLocked = IDC_OUT_REP_LOCKED,
    kFieldCalibration = IDC_OUT_CALIBRATION,
    kFieldIncrement = IDC_OUT_INCREMENT,
    kFieldCount = IDC_OUT_PULSE_COUNT,
    kFieldDelay = IDC_OUT_DELAY,
};

// Limits the period entries to what the width allows (entry 9, or the locked width 8).
void ApplyPeriodLimitsForWidth(PrefList& s, OutController& c);
// With rates shown, keeps the increment the same rate step when limit index moved from old.
void RescaleIncrementOf(PrefList& s, int index, double old);
// The increment within its lower limit and the repetition range.
void ClampIncrement(PrefList& s);
// The width left after the calibration adjustment is at least five resolution steps.
void ClampCalibration(PrefList& s, double resolution);
// The entry a typed value of a field goes to, and the value in that entry's units; -1 for a
// field that has no entry.
int MapFieldToEntry(int field, const PrefList& s, double* value);
// A value typed into a field, validated (with a beep) and stored with its consequences.
// On the first unit model an initial delay under 0.5 ms other than 0 becomes 0.5 ms. An
// increment that would be 0 or less is refused with a beep and the old one stays. 1 stored.
int CommitTypedField(PrefList& s, OutController& c, int field, double typed, bool firstModel);
// What a field shows: its entry in the shown units with the field's decimals.
std::string FieldText(const PrefList& s, int field);
// The sheet's number format: width 6, d decimals, rounded up by 10^-(d+2).
std::string NumberText(double value, int decimals);

// The RJ72C's pulse level: entries 22 to 27 hold levels in units from 0 to entry 22's upper
// limit U for -10 V to +10 V.
// The level entry mode (entry 23) and what it resets: 0 the limits and the locked level,
// 1 the level and the locked level, 2 the level becomes the locked one.
void ChooseLevelEntry(PrefList& s, int mode);
// A level typed in volts into one of the level page's fields (limits, locked level, step), put
// on the 5 mV grid and validated (with a beep); the limits are kept in order. 1 stored.
int CommitTypedLevel(PrefList& s, int field, double volts);
// What a level field shows, in volts.
std::string LevelText(const PrefList& s, int field);
