// The ten calculation kinds as plain computations: a block of new samples and the kind's record
// (with its working state) in, one double per sample out. Samples are read through a reader so
// that a block can look back at earlier samples the way the graph document allows; the run reads
// through the host's sample accessor, the tests through arrays.
#pragma once

#include <cstdint>

#include "devlib/acquisition/channels/calc_settings.h"

// One sample of a channel identifier (analog 1-4, digital 20 + n, calculation 40 + n); 1 when
// the value was delivered.
using CalcReadFn = int32_t (*)(void* context, int32_t index, int32_t channel, double* out);

// A block of new samples for one calculation channel.
struct stCalcBlock {
    CalcReadFn read = nullptr;
    void* context = nullptr;
    int32_t first = 0;            // sample index of the block's first sample
    int32_t count = 0;            // samples in the block
    int32_t runStart = 0;         // the run's starting sample index (the filter starts over there)
    double samplePeriodMs = 1.0;  // the acquisition's sample period
    double intervalMs = 1.0;      // the graph document's sample interval
    int32_t hUnit = 0;            // the graph's horizontal unit code
    double multiplier = 1.0;      // the calculation channel's conversion pair (scaled results)
    double addend = 0.0;
    double* out = nullptr;  // count doubles; out[k] belongs to sample first + k
    int32_t written = 0;    // outputs written; a refused read stops early, keeping these

    bool Read(int32_t index, int32_t channel, double* v) const { return read(context, index, channel, v) != 0; }
    double Scaled(double v) const { return v * multiplier + addend; }
};

// The interval factor of the range measures: the graph interval × 1 (unit code 3), × 1000
// (code 1) or × 0.001 (any other code).
double CalcIntervalFactor(double intervalMs, int32_t hUnit);
// Mean of samples first..last inclusive; 0 when a read fails.
double MeanOfRange(const stCalcBlock& b, int32_t channel, int32_t first, int32_t last);
// (x(j) - x(i)) / (|j - i| × interval factor); 0 when a read fails or i = j.
// Entry point kept for a later caller; only tests call it now.
double SlopeOfRange(const stCalcBlock& b, int32_t channel, int32_t i, int32_t j);
// The area between the samples and the straight line through the first and the last one.
double AreaOfRange(const stCalcBlock& b, int32_t channel, int32_t first, int32_t last);

// Preparations: the working state of a record before the first block. Buffers are the caller's
// (sizes from the Calc*BufferDoubles functions); 1 on success, 0 when the settings cannot run.
int32_t CalcIntegrateBufferDoubles(const stIntegrateParams& p);
int32_t CalcSmoothingBufferDoubles(const stSmoothingParams& p);
int32_t CalcDifferenceBufferDoubles(const stDifferenceParams& p);
int32_t CalcRateBufferDoubles(const stRateParams& p);  // valid after PrepareRateState

void PrepareIntegrateState(stIntegrateParams* p, double* ring, int32_t hasGraph, double intervalMs, int32_t hUnit);
void PrepareDifferenceState(stDifferenceParams* p);
int32_t PrepareRateState(stRateParams* p, double samplePeriodMs);
// The coefficients of the filter's stages; 0 (with *whyKey naming the message) when the
// frequency is not below half the sample rate, is not above 0, or a Q is not above 0.
int32_t DesignFilter(stFilterParams* p, double samplePeriodMs, double lineFrequencyHz, const char** whyKey);
// Converts a delay in seconds to samples; 0 when the delay is longer than the acquisition.
int32_t PrepareDelayState(stDelayParams* p, double samplePeriodMs, int32_t lengthSamples);

// The computations; 1 when the whole block was computed, 0 at the first refused read.
int32_t CalcIntegrate(stIntegrateParams* p, double* ring, stCalcBlock* b);
int32_t CalcSmoothing(stSmoothingParams* p, double* buffer, stCalcBlock* b);
int32_t CalcDifference(stDifferenceParams* p, double* ring, stCalcBlock* b);
int32_t CalcRate(stRateParams* p, double* ring, stCalcBlock* b);
int32_t CalcMath(const stMathParams* p, stCalcBlock* b);
int32_t CalcFunction(stFunctionParams* p, stCalcBlock* b);
int32_t CalcFilter(stFilterParams* p, stCalcBlock* b);
int32_t CalcDelay(const stDelayParams* p, stCalcBlock* b);
// Control: after each sample the state is handed to onOutput (the Manual Control refresh) when given.
int32_t CalcControl(stControlParams* p, stCalcBlock* b, void (*onOutput)(void* context, double state),
                    void* outputContext);

// The Expression kind through an evaluator with the host's slot 18 signature: a negative status
// is success. 0 at the first failure, with *status set to the evaluator's status.
using CalcEvaluateFn = int32_t (*)(void* context, int32_t index, const char* text, double* out);
int32_t CalcExpression(const char* text, CalcEvaluateFn evaluate, void* context, stCalcBlock* b, int32_t* status);
