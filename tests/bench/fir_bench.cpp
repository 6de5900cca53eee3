// A low pass of 1,001 taps (Hamming window) over 10 million samples, filtered in place as the
// Transform menu does; prints the best time of a few runs and three output samples, which
// tools/bench.sh compares with the same filter in scipy on the same data.
#include <windows.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>
#include "transforms/filters/filter_cores.h"
#include "transforms/filters/window_functions.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int64_t kSamples = 10000000;
constexpr int32_t kTaps = 1001;
constexpr int kRuns = 3;

// The same formula as the Python side: two tones and a saw.
void FillSignal(std::vector<double>* x) {
    for (int64_t i = 0; i < kSamples; ++i) {
        (*x)[i] = std::sin(0.001 * i) + 0.5 * std::sin(0.37 * i) + static_cast<double>(i % 1000) / 1000.0;
    }
}

}  // namespace

int main() {
    std::vector<double> h(kTaps), x(kSamples);
    // Cut-off at 0.05 of the sampling rate.
    DesignFirCoefficients(6.283185307 * 0.05, 0, kFirLowPass, h.data(), kTaps / 2);
    ApplyWindow(h.data(), kTaps, kWindowHamming);
    double best = 1e30;
    for (int r = 0; r < kRuns; ++r) {
        FillSignal(&x);
        const double t0 = BenchNow();
        ApplyFirFilter(x.data(), kSamples, h.data(), kTaps);
        best = std::fmin(best, BenchNow() - t0);
    }
    std::printf("fir_1001_taps_10M_s %.4f\n", best);
    std::printf("samples %.9f %.9f %.9f\n", x[0], x[kSamples / 2], x[kSamples - 1]);
    return 0;
}
