// The arithmetic and the consistency rules of the acquisition settings, over plain values so
// that the dialog and the tests share them.
#pragma once

#include <cstdint>

struct stAcq;
struct stRateRow;

// Length units of the length combo (stAcq::settingTwo).
constexpr int32_t kLenSamples = 0;
constexpr int32_t kLenMs = 1;
constexpr int32_t kLenSeconds = 2;
constexpr int32_t kLenMinutes = 3;
constexpr int32_t kLenHours = 4;

constexpr int32_t kLengthScrollRange = 500;
constexpr double kLongestPeriodMs = 3600000.0;
constexpr double kFastestPeriodMs = 0.01;  // 100 kHz

// What the maximum length depends on.
struct stMaxLengthInputs {
    int32_t storage;
    int32_t repeatMode;
    int32_t analog, digital, calc;  // enabled channels
    int32_t digitalPresent;         // the unit records a digital word
    double freeDiskBytes;
    double memoryBytes;      // the allowance for a recording in memory
    double unitMemoryBytes;  // the unit's sample memory
    double periodMs;
};

// The longest recording in frames for the inputs.
int32_t ComputeMaxLength(const stMaxLengthInputs& in);
// The inputs as the record and the machine give them now.
stMaxLengthInputs MaxLengthInputsOf(const stAcq* acq);

// "%ld Samples" / "%ld kSamples" and "%ld bytes" / "%ld Kbytes" / "%ld Mbytes".
void FormatMaxLengthText(int32_t maxLength, char* text, int32_t size);
void FormatSizeText(double bytes, char* text, int32_t size);
// Bytes of a frame of the enabled channels (at least 2).
int32_t FrameBytes(int32_t analog, int32_t digital, int32_t calc);

// The length as the length field shows it in a unit, and a typed value back to frames
// (0 when the value or the period gives none).
void FormatLengthText(int32_t length, int32_t unit, double periodMs, char* text, int32_t size);
double LengthFromValue(double value, int32_t unit, double periodMs);

// The shortest period the enabled channels allow on the first model (0: no limit).
double ChannelMinimumPeriod(int32_t storage, int32_t analog, int32_t digitalPresent);

// Repeat and data modes as the storage and each other allow them.
int16_t AllowedRepeatMode(int16_t repeat, int32_t storage, int16_t dataMode, int32_t autoRestart);
int16_t AllowedDataMode(int16_t dataMode, int32_t storage);

// The rate row of the first period not below periodMs (the last row when none).
int32_t RateRowForPeriod(const stRateRow* rows, int32_t count, double periodMs);

// The analog channels a rate allows on the first model.
int32_t AnalogLimitForPeriod(double periodMs);

// The storage combo's selection of a storage kind, and the kind of a selection.
int32_t StorageSelection(int32_t storage);
int32_t StorageOfSelection(int32_t selection);
