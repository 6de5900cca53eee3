// Smoothing and approximation: in-place cores over plain arrays, and the three Transform menu
// commands over the selected channel.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;
class TransformProgress;

// The median of values[0..n-1], using work[0..n-1]; even n gives the mean of the middle two.
double MedianOfWindow(const double* values, double* work, int n);

// Moving mean (median nonzero: median) of N samples over x[0..count-1], in place: output i takes
// x[i-half .. i+half] (odd N) or x[i-half .. i+half-1] (even N), half = N/2, cut at the start
// (only samples from 0 on take part and count) and filled with zeros beyond the end (those zeros
// take part and count). ring and work hold N values each, made once by the caller.
void SmoothValues(double* x, int64_t count, int n, int median, double* ring, double* work,
                  TransformProgress* progress = nullptr);
// Exponential smoothing with damping a: y[0] = x[0], y[i] = y[i-1] + (1 - a)(x[i-1] - y[i-1]).
void ExpSmoothValues(double* x, int64_t count, double a, TransformProgress* progress = nullptr);
// The least-squares line through x[0..count-1] over the abscissa 0..count-1: its slope and its
// value at 0. Worked about the centre of the range, so it is the same line for any first index.
void LeastSquaresLine(const double* x, int64_t count, double* slope, double* atFirst);

// Over the document's selected channel, samples first..last (no undo: the commands take it).
// 1 done, 0 when the channel holds no samples or the buffers could not be had.
int SmoothChannel(tagGS* gs, int32_t first, int32_t last, int n, int median);
int ExpSmoothChannel(tagGS* gs, int32_t first, int32_t last, double a);
int ApproximateChannel(tagGS* gs, int32_t first, int32_t last);

// The smoothing dialog: the value (samples), the entire-wave box and the median choice are in
// and out. Nonzero after OK.
int RunSmoothingDialog(HWND owner, double* value, uint32_t* entire, uint32_t selectionEmpty, int* median);
