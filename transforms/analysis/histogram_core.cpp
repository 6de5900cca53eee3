// Histogram counting over plain sample arrays.
#include "transforms/analysis/histogram_core.h"

double HistogramBinWidth(double lowest, double highest, int32_t bins) {
    const double w = bins > 0 ? (highest - lowest) / bins : 0.0;
    return w == 0.0 ? 1.0 : w;
}

// The bin is decided on the double before any conversion: an outlier far outside the range would
// not fit an integer.
int32_t HistogramBin(double x, double lowest, double width, int32_t bins) {
    if (bins < 1) return 0;
    const double q = (x - lowest) / width;
    if (!(q >= 1.0)) return 0;  // below the range, inside the first bin, or NaN
    if (q >= static_cast<double>(bins - 1)) return bins - 1;
    return static_cast<int32_t>(q);
}

void CountHistogram(const double* values, size_t n, double lowest, double width, int32_t bins, double* counts) {
    for (size_t i = 0; i < n; ++i) counts[HistogramBin(values[i], lowest, width, bins)] += 1.0;
}

int ValueRange(const double* values, size_t n, double* minimum, double* maximum) {
    if (n == 0) return 0;
    double lo = values[0], hi = values[0];
    for (size_t i = 1; i < n; ++i) {
        if (values[i] < lo) lo = values[i];
        if (values[i] > hi) hi = values[i];
    }
    *minimum = lo;
    *maximum = hi;
    return 1;
}
