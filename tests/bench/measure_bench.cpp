// Measures a whole selection of one 16-bit channel in memory with every measurement type and
// prints the time per sample of each, and of one recomputation of five boxes, as during a
// recording with the whole of it selected. Each figure is the best of a few runs.
#include <windows.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>
#include "common/tagGS.h"
#include "documents/measurements/doc_measure.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int kSamples = 1000000;
constexpr int kRuns = 3;

// The best time of a few runs of one type over the selection, in seconds.
double Best(tagGS* gs, int type, double* result) {
    double best = 1e30;
    for (int r = 0; r < kRuns; ++r) {
        const double t0 = BenchNow();
        *result = MeasureDocument(gs, 1, type);
        best = std::fmin(best, BenchNow() - t0);
    }
    return best;
}

}  // namespace

int main() {
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(tagGS));
    auto* gs = static_cast<tagGS*>(GlobalLock(h));
    std::vector<int16_t> raw(kSamples);
    for (int i = 0; i < kSamples; ++i) raw[i] = static_cast<int16_t>(10000.0 * std::sin(i * 0.001));
    gs->sampleInterval = 0.1;
    gs->chanFlags[1] = 2;
    gs->chanType[1] = 0;
    gs->chanBytes[1] = 2;
    gs->chanScale[1] = 0.001;
    gs->chanCount[1] = kSamples;
    gs->chanBlock[1] = raw.data();
    gs->selStart = 0;
    gs->selEnd = (kSamples - 1) * gs->sampleInterval;
    static const struct {
        int type;
        const char* name;
    } kTypes[] = {{1, "value"}, {3, "p-p"}, {4, "max"}, {6, "mean"}, {7, "stddev"}, {8, "integral"}, {9, "area"},
                  {10, "lin_reg"}, {11, "slope"}, {13, "median"}, {22, "max T"}, {25, "correlate"}};
    std::printf("%d samples of a 16-bit channel in memory, the whole of them selected:\n", kSamples);
    double five = 0.0;
    for (const auto& t : kTypes) {
        double result = 0.0;
        const double s = Best(gs, t.type, &result);
        if (t.type == 4 || t.type == 6 || t.type == 7 || t.type == 11 || t.type == 22) five += s;
        std::printf("  %-10s %7.2f ns per sample (%8.3f ms)  result %g\n", t.name, s * 1e9 / kSamples, s * 1e3, result);
    }
    std::printf("five boxes (max, mean, stddev, slope, max T) recomputed once: %.2f ms\n", five * 1e3);
    gs->chanBlock[1] = nullptr;
    GlobalUnlock(h);
    GlobalFree(h);
    return 0;
}
