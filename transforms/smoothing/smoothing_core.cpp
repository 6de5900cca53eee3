// Moving mean and median, exponential smoothing and the least-squares line over plain arrays.
#include "transforms/smoothing/smoothing.h"
#include "transforms/transform_conventions.h"
#include <algorithm>
#include <cmath>

namespace {
inline double Finite(double v) { return std::isfinite(v) ? v : 0.0; }
}  // namespace

// Only the middle is needed, so a partial selection does instead of a full sort.
double MedianOfWindow(const double* values, double* work, int n) {
    if (n <= 0) return 0.0;
    std::copy(values, values + n, work);
    double* middle = work + n / 2;
    std::nth_element(work, middle, work + n);
    if (n & 1) return *middle;
    const double below = *std::max_element(work, middle);
    return (below + *middle) / 2.0;
}

// The ring holds copies of the inputs of the window, so outputs can overwrite x as they go: the
// next input always lies ahead of the output. The mean keeps a running sum, summed afresh from
// the ring each time the ring wraps so that rounding cannot build up over long channels.
void SmoothValues(double* x, int64_t count, int n, int median, double* ring, double* work,
                  TransformProgress* progress) {
    if (count <= 0 || n < 1) return;
    const int half = n / 2, odd = n & 1;
    const int lead = half + odd;
    std::fill(ring, ring + n, 0.0);
    double sum = 0.0;
    for (int s = 0; s < lead && s < n; ++s) {
        ring[s] = s < count ? Finite(x[s]) : 0.0;
        sum += ring[s];
    }
    int p = lead % n;
    for (int64_t i = 0; i < count; ++i) {
        if (progress) progress->Step(i);
        const int c = static_cast<int>(std::min<int64_t>(i + lead, n));
        x[i] = median ? MedianOfWindow(ring, work, c) : sum / c;
        const int64_t j = i + lead;
        const double next = j < count ? Finite(x[j]) : 0.0;
        sum += next - ring[p];
        ring[p] = next;
        if (++p == n) {
            p = 0;
            sum = 0.0;
            for (int s = 0; s < n; ++s) sum += ring[s];
        }
    }
}

// Each output is predicted from the samples before it: the unsmoothed previous input is kept
// aside before it is overwritten.
void ExpSmoothValues(double* x, int64_t count, double a, TransformProgress* progress) {
    if (count <= 0) return;
    double previousInput = Finite(x[0]);
    double y = previousInput;
    x[0] = y;
    for (int64_t i = 1; i < count; ++i) {
        if (progress) progress->Step(i);
        const double input = Finite(x[i]);
        y = y + (1.0 - a) * (previousInput - y);
        x[i] = y;
        previousInput = input;
    }
}

void LeastSquaresLine(const double* x, int64_t count, double* slope, double* atFirst) {
    *slope = 0.0;
    *atFirst = count > 0 ? Finite(x[0]) : 0.0;
    if (count < 2) return;
    const double centre = (count - 1) / 2.0;
    double mean = 0.0;
    for (int64_t i = 0; i < count; ++i) mean += Finite(x[i]);
    mean /= static_cast<double>(count);
    double sxy = 0.0, sxx = 0.0;
    for (int64_t i = 0; i < count; ++i) {
        const double d = static_cast<double>(i) - centre;
        sxy += d * (Finite(x[i]) - mean);
        sxx += d * d;
    }
    *slope = sxy / sxx;
    *atFirst = mean - *slope * centre;
}
