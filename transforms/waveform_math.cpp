// Waveform Math's pure parts: the five operators and where a destination's results go.
#include "transforms/waveform_math.h"
#include <cmath>
#include <cstdint>

double WaveOperation(int op, double a, double b) {
    switch (op) {
    case kWaveAdd: return a + b;
    case kWaveSubtract: return a - b;
    case kWaveMultiply: return a * b;
    case kWaveDivide: return b == 0.0 ? 0.0 : a / b;
    case kWavePower: return std::pow(a, b);
    default: return 0.0;
    }
}

void CombineWaveValues(int op, const double* a, const double* b, double k, double* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = WaveOperation(op, a ? a[i] : k, b ? b[i] : k);
}

// The growth in 64 bits: a count past the 31-bit range does not wrap on its way.
int DestinationPlacement(uint32_t oldCount, int32_t first, int32_t last, uint32_t* writeAt, uint32_t* newCount) {
    if (first < 0 || last < first) return 0;
    const int64_t length = static_cast<int64_t>(last) - first + 1;
    int64_t at = first, count;
    if (static_cast<uint32_t>(first) < oldCount) {
        count = static_cast<int64_t>(last) + 1 > oldCount ? static_cast<int64_t>(last) + 1 : oldCount;
    } else {
        at = oldCount;
        count = static_cast<int64_t>(oldCount) + length;
    }
    *writeAt = static_cast<uint32_t>(at);
    *newCount = static_cast<uint32_t>(count);
    return 1;
}
