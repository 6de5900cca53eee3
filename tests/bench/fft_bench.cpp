// The real Fourier transform of 2^20 points: writes its input and output beside it so that
// tools/bench.sh can time numpy.fft on the same data and check both agree. Prints the best of
// several runs with the plan made once, and the plan's own making.
#include "transforms/spectral/fft.h"
#include <windows.h>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

namespace {
double Now() {
    LARGE_INTEGER f, t;
    QueryPerformanceFrequency(&f);
    QueryPerformanceCounter(&t);
    return static_cast<double>(t.QuadPart) / static_cast<double>(f.QuadPart);
}

bool WriteDoubles(const char* path, const std::vector<double>& v) {
    FILE* f = std::fopen(path, "wb");
    if (!f) return false;
    const bool ok = std::fwrite(v.data(), sizeof(double), v.size(), f) == v.size();
    return std::fclose(f) == 0 && ok;
}
}  // namespace

int main() {
    constexpr uint32_t kPoints = 1u << 20;
    constexpr int kRuns = 15;
    std::mt19937 gen(20);
    std::normal_distribution<double> noise(0.0, 1.0);
    std::vector<double> input(kPoints);
    for (uint32_t i = 0; i < kPoints; ++i) input[i] = std::sin(0.01 * i) + noise(gen);

    const double t0 = Now();
    FftPlan plan;
    if (!plan.Make(kPoints / 2)) return 1;
    const double planMs = (Now() - t0) * 1e3;

    std::vector<double> work(kPoints);
    double best = 1e9;
    for (int r = 0; r < kRuns; ++r) {
        std::copy(input.begin(), input.end(), work.begin());
        const double s = Now();
        plan.Real(work.data());
        best = std::min(best, Now() - s);
    }
    if (!WriteDoubles("fft_bench_input.bin", input) || !WriteDoubles("fft_bench_output.bin", work)) return 1;
    std::printf("points: %u (real input)\n", kPoints);
    std::printf("kymora_plan_ms %.2f\n", planMs);
    std::printf("kymora_fft_ms %.3f\n", best * 1e3);
    return 0;
}
