// Units and scaling: the conversion of a channel's two calibration points, the offset
// conversions, and the four analog channels' scaling values behind the exported scaling queries.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/stAcq.h"

// What a raw sample becomes: sample × multiplier + addend, in the channel's units.
struct stConversion {
    double multiplier;
    double addend;
};

// From the points (input1 → value1) and (input2 → value2) of a channel of the given group. An
// analog channel's multiplier also takes a raw count to input volts through its gain; a gain that
// is not a positive number counts as 1. 0 (out untouched) when the inputs are equal or a value is
// not finite.
int32_t ConversionFromTwoPoints(double input1, double value1, double input2, double value2, int32_t group, double gain,
                                stConversion* out);

// Recomputes the record's conversion pair in stAcq; a record of no place, or points that give no
// slope, leave the pair as it was. 1 when it was set.
int32_t SetScaleFromTwoPoints(const stAcqChan* rec, stAcq* acq);

// Offset in millivolts → units and back, with s = (value1 − value2) / ((input1 − input2) × 1000);
// 0 when a difference or s is 0.
double OffsetToUnits(double offsetMillivolts, const stAcqChan* rec);
double UnitsToOffset(double units, const stAcqChan* rec);

// The number at the start of a text (at most 100 characters looked at); 0 for none.
double ParseDouble(const char* text);

// One analog channel's entry of the scaling table.
struct stScalingEntry {
    double range;   // range of allowed values
    double factor;  // input per unit
    double offset;  // offset by scaling, in units
};
stScalingEntry ComputeScalingEntry(double input1, double value1, double input2, double value2, double gain);

// The scaling dialog's input field shows millivolts up to a gain of 1000, microvolts above, and
// plain input values for digital and calculation channels.
double ScalingInputFactor(const stAcqChan& rec);

class CScalingTable {
public:
    void Reset();
    void Refresh(const stAcq* acq);
    double Range(uint32_t index) const;
    double Factor(uint32_t index) const;
    double Offset(uint32_t index) const;

private:
    stScalingEntry m_entries[kAnalogChannels] = {};
};

extern CScalingTable g_scaling;

// Reads an analog input's present value in volts for the scaling dialog's "Cal" buttons; 1 on
// success. The unit link supplies it; without one every reading fails.
using AnalogInputReader = int32_t (*)(stAcq* acq, int32_t channel, double* volts);
AnalogInputReader SetAnalogInputReader(AnalogInputReader reader);

// Dialog 800 on a channel record: 1 OK (record changed), 2 Cancel.
int32_t ShowScalingDialog(HWND parent, stAcqChan* rec, stAcq* acq);
