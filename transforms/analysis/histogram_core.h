// Histogram counting over plain sample arrays.
#pragma once
#include <cstddef>
#include <cstdint>

// Bin width of bins equal bins from lowest to highest; 1 when the span is 0 (a constant channel).
double HistogramBinWidth(double lowest, double highest, int32_t bins);

// The bin of a value: (x - lowest) / width truncated toward zero, values below the first bin in
// bin 0 and values above the last in bin bins - 1, whatever their size (and NaN in bin 0).
int32_t HistogramBin(double x, double lowest, double width, int32_t bins);

// Adds every value's hit to counts[0 .. bins); the counts are not cleared first.
void CountHistogram(const double* values, size_t n, double lowest, double width, int32_t bins, double* counts);

// The smallest and largest of values[0 .. n); 0 when n is 0.
int ValueRange(const double* values, size_t n, double* minimum, double* maximum);
