// The calculation settings of the 12 calculation channels C1-C12: each kind's parameter record at
// fixed little-endian offsets, and the block of 10,584 bytes that holds twelve of each. stAcq holds
// the block twice (settings copy and run copy) as plain bytes; CalcSettings/CalcRun view them.
// Fields marked "working" carry a run's state: the run recomputes them, nothing else means them.
// The four-byte buffer fields of the working state hold a buffer number (channel + 1, 0 none)
// into the run's buffer table, since a pointer does not fit a 32-bit field.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/stAcq.h"

// ---- Kinds ----
constexpr int16_t kCalcNone = 0;
constexpr int16_t kCalcIntegrate = 1;
constexpr int16_t kCalcSmoothing = 2;
constexpr int16_t kCalcDifference = 3;
constexpr int16_t kCalcRate = 4;
constexpr int16_t kCalcMath = 5;
constexpr int16_t kCalcFunction = 6;
constexpr int16_t kCalcFilter = 7;
constexpr int16_t kCalcExpression = 8;
constexpr int16_t kCalcDelay = 9;
constexpr int16_t kCalcControl = 10;
constexpr int16_t kCalcKinds = 10;

// ---- Integrate (128 bytes) ----
struct stIntegrateParams {
    int16_t source;         // channel identifier
    int16_t control;        // control channel (reset detection)
    int32_t averaging;      // 1 "A&verage over samples", 0 "&Reset via channel"
    int16_t samples;        // N of the averaging window
    uint8_t reserved1[2];
    int32_t options;        // "P&arameters": the options of the averaging mode are on
    int32_t rectify;        // 1 rectify, 0 root mean square
    int32_t removeBaseline;
    double low;             // LOW level of the control channel
    double high;            // HIGH level of the control channel
    int32_t positive;       // 1 positive, 0 negative crossing
    int32_t meanSubtraction;  // cycle mode
    double maxCyclePeriod;  // seconds
    double integral;        // working
    uint32_t ring;          // working: buffer of N doubles (averaging mode)
    int16_t ringPos;        // working
    uint8_t reserved2[2];
    int32_t lastCrossing;   // working: index of the last crossing found
    int32_t usedCrossing;   // working: index of the crossing already used
    double previous;        // working: previous input value
    double halfInterval;    // working: half-interval factor
    int32_t count;          // working: samples integrated since the last reset
    int32_t lag;            // working: lag in samples (cycle mode)
    uint8_t reserved3[4];
    int32_t cycleEnd;       // working
    int32_t cycleStart;     // working
    int32_t armed;          // working: detector armed
    double baseline;        // working (cycle mode)
};
static_assert(sizeof(stIntegrateParams) == 128, "Integrate record is 128 bytes");
static_assert(offsetof(stIntegrateParams, averaging) == 4 && offsetof(stIntegrateParams, samples) == 8 &&
                  offsetof(stIntegrateParams, options) == 12 && offsetof(stIntegrateParams, rectify) == 16 &&
                  offsetof(stIntegrateParams, removeBaseline) == 20 && offsetof(stIntegrateParams, low) == 24 &&
                  offsetof(stIntegrateParams, high) == 32 && offsetof(stIntegrateParams, positive) == 40 &&
                  offsetof(stIntegrateParams, meanSubtraction) == 44 &&
                  offsetof(stIntegrateParams, maxCyclePeriod) == 48,
              "Integrate parameter offsets");
static_assert(offsetof(stIntegrateParams, integral) == 56 && offsetof(stIntegrateParams, ring) == 64 &&
                  offsetof(stIntegrateParams, ringPos) == 68 && offsetof(stIntegrateParams, lastCrossing) == 72 &&
                  offsetof(stIntegrateParams, usedCrossing) == 76 && offsetof(stIntegrateParams, previous) == 80 &&
                  offsetof(stIntegrateParams, halfInterval) == 88 && offsetof(stIntegrateParams, count) == 96 &&
                  offsetof(stIntegrateParams, lag) == 100 && offsetof(stIntegrateParams, cycleEnd) == 108 &&
                  offsetof(stIntegrateParams, cycleStart) == 112 && offsetof(stIntegrateParams, armed) == 116 &&
                  offsetof(stIntegrateParams, baseline) == 120,
              "Integrate working offsets");

// ---- Smoothing (16 bytes) ----
struct stSmoothingParams {
    int16_t source;
    uint8_t reserved[2];
    uint32_t buffer;  // working: buffer of N doubles
    int32_t factor;   // N in samples
    int32_t median;   // "Use &Median value"
};
static_assert(sizeof(stSmoothingParams) == 16 && offsetof(stSmoothingParams, buffer) == 4 &&
                  offsetof(stSmoothingParams, factor) == 8 && offsetof(stSmoothingParams, median) == 12,
              "Smoothing record offsets");

// ---- Difference (20 bytes) ----
struct stDifferenceParams {
    int32_t source;
    uint32_t ring;       // working: N + 1 doubles
    int32_t ringPos;     // working
    int32_t interval;    // N in samples
    int32_t fillOnFirst; // working
};
static_assert(sizeof(stDifferenceParams) == 20 && offsetof(stDifferenceParams, ring) == 4 &&
                  offsetof(stDifferenceParams, ringPos) == 8 && offsetof(stDifferenceParams, interval) == 12 &&
                  offsetof(stDifferenceParams, fillOnFirst) == 16,
              "Difference record offsets");

// ---- Rate (208 bytes) ----
constexpr int16_t kRateHz = 1;
constexpr int16_t kRateBpm = 2;
constexpr int16_t kRateInterval = 3;
constexpr int16_t kRatePeakTime = 4;
constexpr int16_t kRateCountPeaks = 5;
constexpr int16_t kRatePeakMinimum = 6;
constexpr int16_t kRatePeakMaximum = 7;
constexpr int16_t kRatePeakToPeak = 8;
constexpr int16_t kRateMeanValue = 9;
constexpr int16_t kRateArea = 10;
constexpr int16_t kRateUnitPerSecond = 1;
constexpr int16_t kRateUnitPerMinute = 2;
constexpr int16_t kRateUnitSeconds = 3;
constexpr int16_t kRateOutputResult = 0;
constexpr int16_t kRateOutputThreshold = 1;

// Where the values of a Rate result function take their units from: units of their own (*key
// names the text: "Hertz", "BPM" or "Seconds"), none ("Count Peaks": the channel keeps what it
// has), or the source channel (the peak, mean and area functions).
enum class RateUnitsFrom { Own, Kept, Source };
RateUnitsFrom RateFunctionUnits(int16_t function, const char** key);

struct stRateParams {
    int16_t function;  // result function 1-10
    int16_t source;
    uint8_t reserved1[4];
    double level;      // fixed threshold level
    double threshold;  // working: current threshold
    int16_t polarity;  // positive peaks, negative valleys
    uint8_t reserved2[2];
    int32_t autoThreshold;
    double noiseRejection;  // percent of the last peak-to-peak
    int16_t limitUnit;      // 1 per second, 2 per minute, 3 seconds
    uint8_t reserved3[6];
    double lowerLimit;
    double upperLimit;
    int32_t minInterval;   // working, samples
    int32_t maxInterval;   // working, samples
    double previousTime;   // working, seconds
    double result;         // working
    int32_t lastEvent;     // working
    int32_t maxIndex;      // working
    int32_t minIndex;      // working
    int32_t peakCycleStart;    // working
    int32_t valleyCycleStart;  // working
    uint8_t reserved4[4];
    double lastMax;     // working
    double lastMin;     // working
    double currentMax;  // working
    double currentMin;  // working
    double input;       // working: current input value
    int16_t phase;      // working: 0 below, 1 above
    uint8_t reserved5[2];
    int32_t baselineRemoval;
    int32_t baselineLag;  // working, samples
    uint32_t ring;        // working: ring of the automatic threshold
    int32_t ringPos;      // working
    uint8_t reserved6[4];
    double ringSum;       // working
    int32_t ringFill;     // working
    int32_t ringCapacity; // working
    double band;          // working: hysteresis band
    int32_t initialised;  // working
    int16_t output;       // 0 result, 1 threshold, other values the input
    uint8_t reserved7[2];
};
static_assert(sizeof(stRateParams) == 208, "Rate record is 208 bytes");
static_assert(offsetof(stRateParams, source) == 2 && offsetof(stRateParams, level) == 8 &&
                  offsetof(stRateParams, threshold) == 16 && offsetof(stRateParams, polarity) == 24 &&
                  offsetof(stRateParams, autoThreshold) == 28 && offsetof(stRateParams, noiseRejection) == 32 &&
                  offsetof(stRateParams, limitUnit) == 40 && offsetof(stRateParams, lowerLimit) == 48 &&
                  offsetof(stRateParams, upperLimit) == 56 && offsetof(stRateParams, minInterval) == 64 &&
                  offsetof(stRateParams, maxInterval) == 68 && offsetof(stRateParams, previousTime) == 72 &&
                  offsetof(stRateParams, result) == 80,
              "Rate parameter offsets");
static_assert(offsetof(stRateParams, lastEvent) == 88 && offsetof(stRateParams, maxIndex) == 92 &&
                  offsetof(stRateParams, minIndex) == 96 && offsetof(stRateParams, peakCycleStart) == 100 &&
                  offsetof(stRateParams, valleyCycleStart) == 104 && offsetof(stRateParams, lastMax) == 112 &&
                  offsetof(stRateParams, lastMin) == 120 && offsetof(stRateParams, currentMax) == 128 &&
                  offsetof(stRateParams, currentMin) == 136 && offsetof(stRateParams, input) == 144 &&
                  offsetof(stRateParams, phase) == 152 && offsetof(stRateParams, baselineRemoval) == 156 &&
                  offsetof(stRateParams, baselineLag) == 160 && offsetof(stRateParams, ring) == 164 &&
                  offsetof(stRateParams, ringPos) == 168 && offsetof(stRateParams, ringSum) == 176 &&
                  offsetof(stRateParams, ringFill) == 184 && offsetof(stRateParams, ringCapacity) == 188 &&
                  offsetof(stRateParams, band) == 192 && offsetof(stRateParams, initialised) == 200 &&
                  offsetof(stRateParams, output) == 204,
              "Rate working offsets");

// ---- Math (24 bytes) ----
constexpr int32_t kMathAdd = 1;
constexpr int32_t kMathSubtract = 2;
constexpr int32_t kMathMultiply = 3;
constexpr int32_t kMathDivide = 4;
constexpr int32_t kMathPower = 5;
constexpr int32_t kMathConstant = -1;  // an operand identifier that stands for the constant

struct stMathParams {
    int32_t op;     // 1 "+", 2 "-", 3 "*", 4 "/", 5 "^"
    int32_t first;  // channel identifier or kMathConstant
    int32_t second;
    uint8_t reserved[4];
    double constant;
};
static_assert(sizeof(stMathParams) == 24 && offsetof(stMathParams, first) == 4 &&
                  offsetof(stMathParams, second) == 8 && offsetof(stMathParams, constant) == 16,
              "Math record offsets");

// ---- Function (32 bytes) ----
constexpr int32_t kFuncAbs = 1;
constexpr int32_t kFuncArcTan = 2;
constexpr int32_t kFuncExp = 3;
constexpr int32_t kFuncLn = 4;
constexpr int32_t kFuncLog = 5;
constexpr int32_t kFuncNoise = 6;
constexpr int32_t kFuncSin = 7;
constexpr int32_t kFuncSqrt = 8;
constexpr int32_t kFuncThreshold = 9;
constexpr int32_t kFuncLimit = 10;

struct stFunctionParams {
    int32_t function;
    int32_t source;
    double upper;
    double lower;
    double state;  // working: threshold state
};
static_assert(sizeof(stFunctionParams) == 32 && offsetof(stFunctionParams, source) == 4 &&
                  offsetof(stFunctionParams, upper) == 8 && offsetof(stFunctionParams, lower) == 16 &&
                  offsetof(stFunctionParams, state) == 24,
              "Function record offsets");

// ---- Filter (184 bytes) ----
constexpr int16_t kCalcFilterLowPass = 1;
constexpr int16_t kCalcFilterHighPass = 2;
constexpr int16_t kCalcFilterLowHigh = 3;
constexpr int16_t kCalcFilterBandPass = 4;
constexpr int16_t kCalcFilterBandStop = 5;
constexpr int16_t kCalcFilterLine = 6;

// One biquad stage: coefficients, then its state.
struct stBiquadStage {
    double a1, a2, b0, b1, b2;
    double y2, y1, x2, x1;  // y[n-2], y[n-1], x[n-2], x[n-1]
};
static_assert(sizeof(stBiquadStage) == 72, "a filter stage is 72 bytes");

struct stFilterParams {
    int16_t source;
    int16_t type;  // 1-6
    uint8_t reserved[4];
    double q;          // Q of types 1-3
    double qBand;      // Q of types 4 and 5
    double frequency;  // Hz; the low frequency of type 3
    double highFrequency;  // type 3
    stBiquadStage stage1;
    stBiquadStage stage2;
};
static_assert(sizeof(stFilterParams) == 184 && offsetof(stFilterParams, type) == 2 &&
                  offsetof(stFilterParams, q) == 8 && offsetof(stFilterParams, qBand) == 16 &&
                  offsetof(stFilterParams, frequency) == 24 && offsetof(stFilterParams, highFrequency) == 32 &&
                  offsetof(stFilterParams, stage1) == 40 && offsetof(stFilterParams, stage2) == 112,
              "Filter record offsets");
static_assert(offsetof(stFilterParams, stage1) + offsetof(stBiquadStage, y2) == 80 &&
                  offsetof(stFilterParams, stage2) + offsetof(stBiquadStage, y2) == 152,
              "Filter state offsets");

// ---- Expression (200 bytes) ----
constexpr int32_t kExpressionBytes = 200;  // zero-terminated, at most 199 characters

// ---- Delay (24 bytes) ----
constexpr int16_t kDelayUnitSamples = 1;
constexpr int16_t kDelayUnitSeconds = 2;

struct stDelayParams {
    int16_t source;
    uint8_t reserved1[6];
    double seconds;
    int32_t samples;
    int16_t unit;  // 1 samples, 2 seconds
    uint8_t reserved2[2];
};
static_assert(sizeof(stDelayParams) == 24 && offsetof(stDelayParams, seconds) == 8 &&
                  offsetof(stDelayParams, samples) == 16 && offsetof(stDelayParams, unit) == 20,
              "Delay record offsets");

// ---- Control (40 bytes) ----
struct stControlParams {
    int16_t source;
    int16_t outputLine;  // 0-14, "D0" to "D14"
    uint8_t reserved1[4];
    double state;  // working: output state
    double level1;
    double level2;
    int16_t function;  // threshold function 0-3
    uint8_t reserved2[6];
};
static_assert(sizeof(stControlParams) == 40 && offsetof(stControlParams, state) == 8 &&
                  offsetof(stControlParams, level1) == 16 && offsetof(stControlParams, level2) == 24 &&
                  offsetof(stControlParams, function) == 32,
              "Control record offsets");

// ---- The settings block (10,584 bytes: 12 entries of each array, in this order) ----
struct stCalcSettings {
    int16_t kind[kCalcChannels];
    uint32_t compute[kCalcChannels];  // run copy: the kind whose compute function the check stored, 0 none
    stIntegrateParams integrate[kCalcChannels];
    stDifferenceParams difference[kCalcChannels];
    stRateParams rate[kCalcChannels];
    stMathParams math[kCalcChannels];
    stFunctionParams function[kCalcChannels];
    stFilterParams filter[kCalcChannels];
    char expression[kCalcChannels][kExpressionBytes];
    stDelayParams delay[kCalcChannels];
    stControlParams control[kCalcChannels];
    stSmoothingParams smoothing[kCalcChannels];
};
static_assert(sizeof(stCalcSettings) == kCalcSettingsBytes && kCalcSettingsBytes == 10584,
              "calculation settings are 2,646 words");
static_assert(offsetof(stCalcSettings, compute) == 24 && offsetof(stCalcSettings, integrate) == 72 &&
                  offsetof(stCalcSettings, difference) == 1608 && offsetof(stCalcSettings, rate) == 1848 &&
                  offsetof(stCalcSettings, math) == 4344 && offsetof(stCalcSettings, function) == 4632 &&
                  offsetof(stCalcSettings, filter) == 5016 && offsetof(stCalcSettings, expression) == 7224 &&
                  offsetof(stCalcSettings, delay) == 9624 && offsetof(stCalcSettings, control) == 9912 &&
                  offsetof(stCalcSettings, smoothing) == 10392,
              "calculation settings array offsets");

// The parameter record size of a kind (Expression: its text); 0 for kind 0 and unknown kinds.
int32_t CalcParamBytes(int32_t kind);

// The two copies held in stAcq.
stCalcSettings* CalcSettings(stAcq* acq);
const stCalcSettings* CalcSettings(const stAcq* acq);
stCalcSettings* CalcRun(stAcq* acq);

// Every kind 0 and every record at its defaults; firstAnalog is the first analog identifier.
void ResetCalcSettings(stCalcSettings* s, int32_t firstAnalog);

// A kind's parameter record of one channel to and from the first bytes of a 472-byte calculation
// preset block (the rest of its 208 bytes zero); 0 for kind 0 and unknown kinds.
int32_t EncodeCalcParams(const stCalcSettings& s, int32_t channel, int32_t kind, uint8_t* bytes);
int32_t DecodeCalcParams(const uint8_t* bytes, int32_t kind, int32_t channel, stCalcSettings* s);

// The calculation settings in the stored acquisition set-up block: the kinds at 142, the
// parameter arrays (one field of one kind for C1-C12 each) and the expression texts at 2382.
constexpr int32_t kSetupCalcSecondGroupFrom = 2304;  // older blocks have only the first group
constexpr int32_t kSetupCalcOldSourcesUpTo = 2047;   // these count analog sources from 0
void EncodeCalcSetup(const stCalcSettings& s, uint8_t* block);
// Reads the settings of a block of the given version; what an older version lacks keeps its value.
void DecodeCalcSetup(const uint8_t* block, int32_t version, int32_t firstAnalog, stCalcSettings* s);
