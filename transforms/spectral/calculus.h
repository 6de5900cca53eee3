// The running trapezoid integral and the difference over k sample intervals: in-place cores
// over plain arrays. Samples that are not numbers count as 0, so one gap does not spoil the rest.
#pragma once
#include <cstdint>

class TransformProgress;

// y[0] = 0, y[i] = y[i-1] + (x[i-1] + x[i]) * step / 2 over x[0..count-1]. Returns the samples
// written (count, or fewer when progress reports Escape: the rest keep their input values).
int64_t IntegrateValues(double* x, int64_t count, double step, TransformProgress* progress = nullptr);

// The slope over k intervals, (x[i + k/2] - x[i - (k+1)/2]) / (k * step), for i = first..last-1
// of x[0..total-1] in place; the start of the channel is repeated before it, the forward sample is
// held at the channel's last, and x[last] keeps its value. ring holds (k+1)/2 + 1 values.
// Returns the samples written, fewer when progress reports Escape.
int64_t DifferenceValues(double* x, int64_t total, int64_t first, int64_t last, int k, double step, double* ring,
                         TransformProgress* progress = nullptr);
