// The electrode checker's measurement: the two reference readings settle, then ten readings of
// both inputs average into impedances in kilo-ohms. The unit is asked through a query function
// (unit command 187 with its two data bytes, a reply of two big-endian 16-bit readings), so the
// arithmetic runs the same against the unit and against a test's readings.
#pragma once

#include <cfloat>
#include <cstdint>

constexpr uint8_t kCmdElectrodeCheck = 187;
constexpr int32_t kElectrodeNoReference = 0x7FFF;  // the references before the first settling
constexpr double kElectrodeNoReading = DBL_MAX;    // an impedance without a reading
constexpr int32_t kElectrodeSettleRounds = 50;     // settling gives up after this many readings

// Command 187 with data bytes 0x00 and `second`; 1 with the two readings, 0 on a failed command.
using ElectrodeQueryFn = int32_t (*)(void* context, uint8_t second, int32_t readings[2]);

struct stElectrodeMeasure {
    int32_t reference[2] = {kElectrodeNoReference, kElectrodeNoReference};
    double impedance[2] = {kElectrodeNoReading, kElectrodeNoReading};
};

// Whether a new reading agrees with the previous one: previous / reading within 0.995..1.005,
// compared by multiplying, so a reading of 0 agrees only with a previous 0.
bool ElectrodeReadingsAgree(int32_t previous, int32_t reading);
// Reads references until two in a row agree for both inputs; 0 on a failed command or when
// they never agree within kElectrodeSettleRounds readings.
int32_t SettleElectrodeReferences(stElectrodeMeasure* m, ElectrodeQueryFn query, void* context);
// Ten readings averaged into both impedances; any failed reading leaves both without a reading.
// While a recording runs there is no reading.
int32_t MeasureElectrodes(stElectrodeMeasure* m, ElectrodeQueryFn query, void* context, int32_t recording);
