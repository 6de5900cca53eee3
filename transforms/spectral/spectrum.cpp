// Input preparation and the spectra of the FFT transform.
#include "transforms/spectral/spectrum.h"
#include <cfloat>
#include <cmath>

void RemoveTrend(double* x, int64_t n) {
    if (n < 2) return;
    const double s = (x[n - 1] - x[0]) / static_cast<double>(n - 1);
    for (int64_t i = 0; i < n; ++i) x[i] -= static_cast<double>(i) * s;
}

void RemoveMean(double* x, int64_t n) {
    if (n < 1) return;
    double sum = 0.0;
    for (int64_t i = 0; i < n; ++i) sum += x[i];
    const double mean = sum / static_cast<double>(n);
    for (int64_t i = 0; i < n; ++i) x[i] -= mean;
}

void FillUp(double* x, int64_t n, int64_t k, int padLast) {
    for (int64_t i = 0; i < n; ++i)
        if (!std::isfinite(x[i])) x[i] = 0.0;
    const double fill = padLast && n > 0 ? x[n - 1] : 0.0;
    for (int64_t i = n < 0 ? 0 : n; i < k; ++i) x[i] = fill;
}

// 20 dB below the smallest magnitude a double tells from zero without losing precision.
double SilentFloorDb() { return 20.0 * std::log10(DBL_MIN) - 20.0; }

namespace {
// |re + i im|: the root of the sum of squares where that sum can neither overflow nor lose
// digits below the normal range, hypot (several times slower) elsewhere.
inline double Magnitude(double re, double im) {
    const double squares = re * re + im * im;
    if (squares >= 0x1p-1000 && squares <= 0x1p+1000) return std::sqrt(squares);
    return std::hypot(re, im);
}
}  // namespace

void MagnitudeSpectrum(const double* packed, uint32_t k, int dB, double* out) {
    const uint32_t half = k / 2;
    if (!half) return;
    const double scale = 1.0 / k;
    out[0] = std::fabs(packed[0]) * scale;
    for (uint32_t i = 1; i < half; ++i) out[i] = Magnitude(packed[2 * i], packed[2 * i + 1]) * scale;
    if (!dB) return;
    double smallest = 0.0;
    for (uint32_t i = 0; i < half; ++i)
        if (out[i] > 0.0 && (smallest == 0.0 || out[i] < smallest)) smallest = out[i];
    const double floorDb = smallest > 0.0 ? 20.0 * std::log10(smallest) - 20.0 : SilentFloorDb();
    for (uint32_t i = 0; i < half; ++i) out[i] = out[i] > 0.0 ? 20.0 * std::log10(out[i]) : floorDb;
}

void PhaseSpectrum(const double* packed, uint32_t k, double* out) {
    const uint32_t half = k / 2;
    if (!half) return;
    out[0] = packed[0] > 0.0 ? 0.0 : -1e-50;
    for (uint32_t i = 1; i < half; ++i) out[i] = std::atan2(packed[2 * i + 1], packed[2 * i]) * 57.29577951;
}
