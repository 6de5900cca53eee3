// The channel records: their stored form, the default table written at start-up and the
// built-in sensor presets.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/stAcq.h"

constexpr int32_t kChanRecordBytes = 496;  // one record in the presets file and the set-up block
constexpr int32_t kBuiltinPresets = 16;

// Digital filter slot types.
constexpr int16_t kFilterNone = 0;
constexpr int16_t kFilterLowPass = 1;
constexpr int16_t kFilterHighPass = 2;
constexpr int16_t kFilterBandPass = 3;
constexpr int16_t kFilterBandStop = 4;
constexpr int16_t kFilterBandStopLine = 5;

// A raw 16-bit sample of an input spans +-10 V.
constexpr double kInputVoltsPerCount = 10.0 / 32768.0;
constexpr double kInputCountsPerVolt = 32768.0 / 10.0;

// An analog record's start-up gain and plain filter slot; a stored set-up block without input
// settings reads as these too.
constexpr double kDefaultGain = 200.0;
constexpr double kDefaultFilterHz = 100.0;
constexpr double kDefaultFilterQ = 0.707;

// The longest texts of a channel record that the dialogs take: label, units, preset name.
constexpr int kChanLabelChars = 40;
constexpr int kChanUnitsChars = 20;
constexpr int kPresetNameChars = 128;

// The record's 496 stored bytes, field by field, little-endian; reserved bytes travel as they are.
void EncodeChanRecord(const stAcqChan& rec, uint8_t* out496);
void DecodeChanRecord(const uint8_t* in496, stAcqChan* rec);

// The record's place in stAcq::chans (analog, then digitalCount digital, then calculation) from
// its group and number; -1 when they name no record.
int32_t ChannelTableIndex(const stAcqChan& rec, int32_t digitalCount);

// "CH%d, %s", "D%d, %s" or "C%d, %s": how a channel is named to the user.
void FormatChannelHeading(const stAcqChan& rec, int32_t firstAnalogNumber, char* out, size_t size);

// Built-in preset index (0-15) with its two carried values; 0 for an index outside the table.
int32_t MakeBuiltinPreset(int32_t index, stAcqChan* rec, double* first, double* second);

// Start-up contents of the channel table for a unit with digitalCount digital channels.
void WriteDefaultChannelTable(stAcq* acq, int32_t digitalCount);
// The analog defaults into records 0-3 (CH1 on); with writePresets the preset store becomes the
// built-in presets.
void LoadBuiltinPresets(stAcq* acq, int32_t writePresets);
// The whole start-up sequence of the channel records: table, analog defaults, conversion pairs.
void SetChannelDefaults(stAcq* acq, int32_t digitalCount, int32_t writePresets);
