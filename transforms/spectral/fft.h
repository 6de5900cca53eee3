// The Fourier transforms: complex and real, in place over interleaved doubles (element k's real
// part at 2k, its imaginary part at 2k + 1). The forward sign is positive:
// X[k] = sum x[j] exp(+2 pi i jk / N); the inverse divides by N.
#pragma once
#include <cstdint>
#include <vector>

// Asked before each pass over the data with the share done so far (0..99); false gives up.
using FftProbe = bool (*)(void* context, uint32_t percent);

// The tables for one size, made once: the bit-reversal pairs and every pass's twiddles, so a
// transform neither allocates nor evaluates a sine.
class FftPlan {
public:
    // n complex points, a power of two. 1 when made, 0 for another size or no memory.
    int Make(uint32_t n);
    uint32_t Size() const { return m_n; }
    // 1 when done, 0 when the probe gave up (the data are then half transformed).
    int Complex(double* data, int direction, FftProbe probe = nullptr, void* context = nullptr) const;
    // 2n real values into the packed half spectrum: data[0] the zero-frequency term, data[1] the
    // Nyquist term, data[2k], data[2k + 1] term k for 1 <= k < n; forward, unscaled.
    int Real(double* data, FftProbe probe = nullptr, void* context = nullptr) const;

private:
    template <bool Inverse>
    int Run(double* data, FftProbe probe, void* context) const;
    uint32_t m_n = 0;
    uint32_t m_log2 = 0;
    std::vector<uint32_t> m_swaps;  // index pairs exchanged by the bit reversal
    std::vector<double> m_twiddles; // pass of half-span m: m complex values from element m - 1
    std::vector<double> m_unpack;   // exp(+i pi k / n), k < n: the real split and every pass read it
};

// The plan for n complex points, kept for the next transforms of that size; null for a size that
// is not a power of two or no memory.
const FftPlan* SharedFftPlan(uint32_t n);

// The whole-run forms: N complex values (direction +1 forward, -1 inverse with 1/N), or Nr real
// values (a power of two, at least 4) forward. They show "FFT: %3lu%% completed" ("IIFT" for the
// inverse) and give up when Escape is held: 1 done, 0 given up (or no memory for the tables).
int ComplexFft(double* data, uint32_t n, int direction);
int RealFft(double* data, uint32_t nr, int direction);

// Whether n is a power of two (1 counts).
inline bool IsPowerOfTwo(uint32_t n) { return n && !(n & (n - 1)); }
