// Running integrals over plain sample arrays: a moving window over the last N samples, and a
// trapezoid integral that restarts at 0 each time a control signal crosses two thresholds.
#pragma once
#include <cstddef>
#include <cstdint>

// How the moving window combines its samples.
struct stWindowRule {
    int32_t samples;        // N, at least 1
    int32_t parameters;     // 0: plain sum x interval / 1000; otherwise rectify or RMS below
    int32_t rectify;        // 1: sum of absolute values x interval / 1000; 0: root mean square
    int32_t removeBaseline; // RMS about the window's mean
};

// Replaces x[0 .. n) by the window's result at each sample; the window sees the values as they
// were before. window is caller scratch of rule.samples doubles (nothing is allocated here).
// RMS divides by N - 1, and by 1 for a window of one sample.
void IntegrateWindowValues(double* x, size_t n, const stWindowRule& rule, double interval, double* window);

// The next reset point from s (the first sample at or above high after having been below low for
// a positive trigger; the mirror for a negative one); last when there is none before it.
// 0 when s >= last, or when the search needs a control sample at or past readable (one that
// could not be read).
int FindResetIndex(const double* control, int32_t readable, int32_t s, int32_t last, int positive, double low,
                   double high, int32_t* p);

// Trapezoid integral of x[a .. b] in place, starting at 0, with half step h; with mean
// subtraction the segment's mean is taken off first.
void IntegrateSegmentValues(double* x, int32_t a, int32_t b, int meanSubtraction, double h);

// The reset mode over x[first .. last] with control[0 .. readable): segment after segment; it ends
// where the control channel could not be read, the samples after that keeping their values.
void IntegrateWithResetValues(double* x, const double* control, int32_t readable, int32_t first, int32_t last,
                              double low, double high, int meanSubtraction, int positive, double h);
