// Find All Peaks over 16 channels of 10 million samples each: a noisy pulse train per channel,
// searched to its end for positive peaks, by the search over the samples and by the menu's
// command on a document in memory (each peak moves the selection). Prints the samples searched
// per second (best of a few runs) and the peaks found, so that a change in the count shows too.
#include <windows.h>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <vector>
#include "common/tagGS.h"
#include "transforms/analysis/find_peak.h"
#include "transforms/analysis/peak_search.h"
#include "transforms/transforms_api.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int kChannels = 16;
constexpr int32_t kSamples = 10000000;
constexpr int kRuns = 3;

// Channel c: a pulse every 97 + c samples over a small deterministic ripple.
void FillChannel(std::vector<double>& v, int c) {
    const int32_t period = 97 + c;
    uint32_t seed = 12345u + static_cast<uint32_t>(c);
    for (int32_t i = 0; i < kSamples; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double ripple = (seed >> 16) / 65536.0 - 0.5;
        const int32_t phase = i % period;
        v[i] = ripple + (phase < 10 ? 5.0 * std::sin(phase * 0.314) : 0.0);
    }
}

// The menu's Find All over one channel of a document whose block is the samples themselves.
double DocumentRun(tagGS* gs, std::vector<double>& samples) {
    gs->chanFlags[0] = 2;
    gs->chanType[0] = 1;
    gs->chanBytes[0] = 8;
    gs->chanCount[0] = kSamples;
    gs->chanBlock[0] = samples.data();
    gs->totalSamples = kSamples;
    gs->sampleInterval = 1.0;
    gs->selStart = gs->selEnd = 0.0;
    const double t0 = BenchNow();
    FindAllPeaks(gs);
    const double t = BenchNow() - t0;
    gs->chanBlock[0] = nullptr;
    return t;
}

// The search over the samples alone: each search starts where the previous peak was.
int64_t CountPeaks(const double* values, int32_t end, const stPeakRule& rule) {
    int64_t found = 0;
    stPeakHit hit{};
    for (int32_t s = 0; FindPeakInValues(values, s, end, rule, &hit) && hit.peak > s; s = hit.peak) ++found;
    return found;
}

}  // namespace

int main() {
    // One channel's samples at a time: the search allocates nothing, whatever the data.
    std::vector<double> samples(kSamples);
    const stPeakRule rule{kPeakPositive, 2.0, 0};
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(tagGS));
    auto* gs = static_cast<tagGS*>(GlobalLock(h));
    g_findPeak.positiveLevel = 2.0;
    double seconds = 0.0, documentSeconds = 0.0;
    int64_t peaks = 0;
    for (int c = 0; c < kChannels; ++c) {
        FillChannel(samples, c);
        double best = 1e30, bestDocument = 1e30;
        for (int r = 0; r < kRuns; ++r) {
            const double t0 = BenchNow();
            const int64_t n = CountPeaks(samples.data(), kSamples, rule);
            best = std::fmin(best, BenchNow() - t0);
            if (r == 0) peaks += n;
            bestDocument = std::fmin(bestDocument, DocumentRun(gs, samples));
        }
        seconds += best;
        documentSeconds += bestDocument;
    }
    const double total = static_cast<double>(kChannels) * kSamples;
    std::printf("find all peaks: %d channels x %d samples, %lld peaks found\n", kChannels, kSamples,
                static_cast<long long>(peaks));
    std::printf("search over the samples: %.3f s\n", seconds);
    std::printf("peaks_samples_per_s %.3g\n", total / seconds);
    std::printf("the menu's Find All on a document: %.3f s\n", documentSeconds);
    std::printf("peaks_document_samples_per_s %.3g\n", total / documentSeconds);
    GlobalUnlock(h);
    GlobalFree(h);
    return 0;
}
