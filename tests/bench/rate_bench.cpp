// The Rate Detector's pass over a 16-channel document of 10 million 16-bit samples a channel,
// read as the run reads them (through GetChannelSample, the baseline's earlier sample too), with
// the automatic threshold and its ring. Prints the samples per second at a tenth of the length
// and at the full length: time in proportion to the samples gives the same figure twice.
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "graph/document/graph_doc.h"
#include "transforms/analysis/rate_core.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int kChannels = 16;
constexpr int kRuns = 3;

// A pulse every 700 to 900 samples on a slow drift, a different phase on each channel.
int16_t Pulse(int ch, uint32_t i) {
    const uint32_t period = 700 + (ch * 13) % 200;
    const uint32_t at = (i + ch * 37u) % period;
    const int peak = at < 40 ? (at < 20 ? at : 40 - at) * 800 : 0;
    return static_cast<int16_t>(peak - 4000 + static_cast<int>((i / 5000) % 50));
}

struct Reader {
    tagGS* gs;
    int slot;
    bool operator()(int32_t i, double* x) const { return GetChannelSample(gs, i, slot, x) != 0; }
};

// Every channel's events over its first n samples; the event count, or -1 when a run failed.
long long DetectAll(tagGS* gs, int32_t n, std::vector<double>* ring, std::vector<double>* times,
                    std::vector<double>* values) {
    RateDetectorSettings s{2, 1, 1, 1, 0.0, 5.0, 40.0, 180.0, 2, 1};
    long long events = 0;
    for (int ch = 0; ch < kChannels; ++ch) {
        rate::Params p;
        p.function = rate::kRateBpm;
        p.removeBaseline = true;
        p.dtMs = gs->sampleInterval;
        if (!rate::WindowInSamples(s, p.dtMs, n, &p.window)) return -1;
        ring->assign(static_cast<size_t>(p.window.longest), 0.0);
        times->clear();
        values->clear();
        rate::Sink sink;
        sink.times = times;
        sink.values = values;
        Reader read{gs, ch};
        if (!rate::Detect(p, 0, n - 1, read, ring->data(), sink)) return -1;
        events += static_cast<long long>(values->size());
    }
    return events;
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t n = argc > 1 ? static_cast<uint32_t>(std::atol(argv[1])) : 10000000u;
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) != 1) return 1;
    gs->sampleInterval = 1.0;
    gs->storageKind = kStoreMemory;
    for (int ch = 0; ch < kChannels; ++ch) {
        auto* raw = static_cast<int16_t*>(GlobalLock(GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n) * 2)));
        if (!raw) {
            std::printf("no memory for channel %d\n", ch);
            return 1;
        }
        for (uint32_t i = 0; i < n; ++i) raw[i] = Pulse(ch, i);
        gs->chanBlock[ch] = raw;
        gs->chanFlags[ch] = 2;
        gs->chanType[ch] = 2;
        gs->chanBytes[ch] = 2;
        gs->chanCount[ch] = n;
        gs->chanScale[ch] = 1.0 / 3276.8;
        gs->chanOffset[ch] = 0.0;
    }
    gs->totalSamples = static_cast<int32_t>(n);
    std::vector<double> ring, times, values;
    // Reserved once: the event arrays grow by doubling, never per sample.
    times.reserve(1 << 16);
    values.reserve(1 << 16);
    for (uint32_t len : {n / 10, n}) {
        double best = -1.0;
        long long events = 0;
        for (int r = 0; r < kRuns; ++r) {
            const double t0 = BenchNow();
            events = DetectAll(gs, static_cast<int32_t>(len), &ring, &times, &values);
            const double t = BenchNow() - t0;
            if (events < 0) {
                std::printf("a run failed\n");
                return 1;
            }
            if (best < 0 || t < best) best = t;
        }
        const double samples = static_cast<double>(len) * kChannels;
        std::printf("rate detector, %d channels x %u samples: %.3f s, %lld events, %.1f million samples/s\n",
                    kChannels, len, best, events, samples / best / 1e6);
    }
    return 0;
}
