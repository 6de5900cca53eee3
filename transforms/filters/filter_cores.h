// The numeric cores of the FIR and IIR filters, over plain arrays of doubles: designing the
// coefficients and running them in place. No windows, no documents.
#pragma once
#include <cstdint>

// Asked between pieces of a long run with the index reached; false stops the run there.
struct FilterProgress {
    bool (*step)(void* context, int64_t index) = nullptr;
    void* context = nullptr;
    bool Continue(int64_t index) const { return !step || step(context, index); }
};

// Filter kinds of the FIR designs.
constexpr int kFirLowPass = 1;
constexpr int kFirHighPass = 2;
constexpr int kFirBandPass = 3;
constexpr int kFirBandStop = 4;

// Ideal impulse responses of the four kinds for lags -half..half, lag k at h[half + k];
// w1 and w2 are the angular cut-offs (2 pi f / fs). Another kind writes nothing.
void DesignFirCoefficients(double w1, double w2, int type, double* h, int32_t half);

// Results of the running cores.
constexpr int kFilterDone = 0;
constexpr int kFilterStopped = 1;
constexpr int kFilterNoMemory = 30;

// Filters x[0..n-1] in place with the m coefficients (m odd), centred so there is no delay:
// y[i] = sum over k of h[m-1-k] * x[i - m/2 + k], reading x[0] before the start and x[n-1]
// after the end. Long filters go through the FFT; the result is the direct sum's within
// rounding. Non-finite samples stay where they are and the filter holds the last finite value
// across them, so a gap does not spread. Stopped: x[0..j] filtered for some j, the rest as it was.
int ApplyFirFilter(double* x, int64_t n, const double* h, int32_t m,
                   const FilterProgress& progress = FilterProgress());
// The same as a plain sum per output: the reference the fast path answers to.
int ApplyFirFilterDirect(double* x, int64_t n, const double* h, int32_t m,
                         const FilterProgress& progress = FilterProgress());

// The filter's gain in dB at k/size of the sampling rate, k = 0..size/2 - 1, into out; size a
// power of two not below m. 1 when done, 0 for a bad size or no memory.
int FirMagnitudeDb(const double* h, int32_t m, uint32_t size, double* out);

// One second-order recursive section: y = a1 y1 + a2 y2 + c0 x + c1 x1 + c2 x2.
struct IirSection {
    double a1 = 0, a2 = 0, c0 = 0, c1 = 0, c2 = 0;
    double y2 = 0, y1 = 0, x2 = 0, x1 = 0;  // state: y[n-2], y[n-1], x[n-2], x[n-1]
};

// IIR kinds.
constexpr int kIirLowPass = 1;
constexpr int kIirHighPass = 2;
constexpr int kIirBandPassLowHigh = 3;
constexpr int kIirBandPass = 4;
constexpr int kIirBandStop = 5;

// The bilinear section for corner f (Hz) at a sample interval of intervalMs, with Q and the
// prototype numerator b0 + b1 s + b2 s^2 in the prewarped frequency.
IirSection DesignIirSection(double f, double intervalMs, double q, double b0, double b1, double b2);
// The sections of a kind: 1 for every kind but the low+high band pass, which has 2 (the low pass
// at highFrequency, then the high pass at frequency). Returns the number of sections, 0 for an
// unknown kind.
int DesignIirSections(int type, double frequency, double highFrequency, double q, double bandQ,
                      double intervalMs, IirSection sections[2]);
// Whether a corner can be designed: above 0 and below half the sampling rate (at half of it the
// prewarping tangent is infinite and the section unstable).
bool IirCornerValid(double f, double sampleRate);

// Runs the sections in cascade over x[0..n-1] in place, starting each section's state from the
// first sample so a constant passes unchanged. Non-finite samples stay and are bridged with the
// last finite input. kFilterDone, or kFilterStopped after the sample where progress said stop.
int ApplyIirSections(double* x, int64_t n, IirSection* sections, int count,
                     const FilterProgress& progress = FilterProgress());
