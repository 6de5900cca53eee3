// The FFT transform's preparation of its input and its magnitude and phase spectra, over plain
// arrays.
#pragma once
#include <cstdint>

// The line through the first and last point, anchored at x[0], taken away.
void RemoveTrend(double* x, int64_t n);
void RemoveMean(double* x, int64_t n);
// Values n..k-1 set to x[n-1] (padLast) or to 0; values that are not numbers become 0 first.
void FillUp(double* x, int64_t n, int64_t k, int padLast);

// The dB value every zero magnitude gets when no magnitude is above zero (all-zero input).
double SilentFloorDb();
// From the packed result of a K-point real transform, K/2 magnitudes scaled by 1/K: linear, or
// in dB with every zero at 20 dB below the smallest nonzero one (SilentFloorDb when all are 0).
// out may be packed itself: each term is read before its place is written.
void MagnitudeSpectrum(const double* packed, uint32_t k, int dB, double* out);
// K/2 phases in degrees; term 0 is 0 when positive, else -1e-50.
void PhaseSpectrum(const double* packed, uint32_t k, double* out);
