// The derivative: a band-limited differentiating FIR filter designed in the frequency domain.
#pragma once
#include <cstdint>

struct tagGS;

// The coefficients of odd length m of an ideal differentiator (j w) up to the band limit
// cutoff / rate, taken from the inverse transform of its response and centred on lag 0 at
// h[m / 2], odd about it (h[m - 1 - t] = -h[t], h[m / 2] = 0). Unwindowed (the command weights
// them with a symmetric window), per sample (multiply the filtered values by the rate for per
// second).
// 1 when done, 0 for an even or too small m, or no memory.
int DesignDerivative(double cutoff, double rate, int32_t m, double* h);
