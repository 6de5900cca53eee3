// Integral and difference over plain arrays.
#include "transforms/spectral/calculus.h"
#include "transforms/transform_conventions.h"
#include <cmath>

namespace {
inline double Finite(double v) { return std::isfinite(v) ? v : 0.0; }
}  // namespace

// The previous input is kept aside before each overwrite, so the sum runs over the inputs.
int64_t IntegrateValues(double* x, int64_t count, double step, TransformProgress* progress) {
    if (count <= 0) return 0;
    const double half = step / 2.0;
    double previous = Finite(x[0]);
    x[0] = 0.0;
    for (int64_t i = 1; i < count; ++i) {
        if (progress && !progress->Step(i)) return i;
        const double input = Finite(x[i]);
        x[i] = x[i - 1] + (previous + input) * half;
        previous = input;
    }
    return count;
}

// x[i - h] is gone by the time output i is written, so a ring keeps the last h + 1 inputs.
int64_t DifferenceValues(double* x, int64_t total, int64_t first, int64_t last, int k, double step, double* ring,
                         TransformProgress* progress) {
    if (k < 1 || first < 0 || last >= total || first >= last) return 0;
    const int h = (k + 1) / 2, f = k / 2;
    const double divisor = k * step;
    for (int m = 0; m <= h; ++m) {
        const int64_t at = first - h + m;
        ring[m] = Finite(x[at < 1 ? 0 : at]);
    }
    int r = 0, w = h;
    for (int64_t i = first; i < last; ++i) {
        if (progress && !progress->Step(i)) return i - first;
        const int64_t ahead = i + f < total - 1 ? i + f : total - 1;
        x[i] = (Finite(x[ahead]) - ring[r]) / divisor;
        w = w == h ? 0 : w + 1;
        ring[w] = Finite(x[i + 1]);
        r = r == h ? 0 : r + 1;
    }
    return last - first;
}
