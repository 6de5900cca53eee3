// The cycle detector behind the Rate Detector, over any sample reader: one pass, O(1) a sample,
// with the auto threshold's running mean taken from a ring the caller provides.
#pragma once
#include <cmath>
#include <cstdint>
#include <vector>

struct RateDetectorSettings {
    int32_t function;               // 1..10, see RateFunction
    int32_t polarity;               // +1 positive peaks, -1 negative peaks
    int32_t removeBaseline;         // subtract the sample 25 ms earlier (auto threshold only)
    int32_t autoThreshold;          // threshold follows the signal
    double thresholdLevel;          // manual threshold, and the auto threshold's start
    double noiseRejectionPercent;   // auto hysteresis, in per cent of the last peak-to-trough height
    double windowMin, windowMax;    // expected rate (Hz or BPM) or interval (seconds)
    int32_t windowUnit;             // 1 Hz, 2 BPM, 3 seconds
    int32_t resultInNewGraph;       // 0 a channel of the source graph, 1 a new XY graph
};

// The one process-wide record: the dialog and the lesson word write it, the run reads it.
extern RateDetectorSettings g_rateDetectorSettings;

namespace rate {

enum Function : int32_t {
    kRateHz = 1, kRateBpm, kInterval, kPeakTime, kCountPeaks,
    kPeakMinimum, kPeakMaximum, kPeakToPeak, kMeanValue, kArea
};

// A function outside 1..10 is taken as the rate in Hz.
inline int32_t ValidFunction(int32_t f) { return f >= 1 && f <= 10 ? f : kRateHz; }
// Peak Minimum always looks at troughs and Peak Maximum at peaks.
inline int32_t EffectivePolarity(int32_t function, int32_t polarity) {
    if (function == kPeakMinimum) return -1;
    if (function == kPeakMaximum) return 1;
    return polarity < 0 ? -1 : 1;
}

// The window and the baseline lag in samples, every conversion toward zero. Each is limited to
// limit (the samples up to the range's end): a longer blanking or gap can never end inside the
// range, so the limit changes no result, and a rate minimum of 0 (an endless interval) or a
// maximum of 0 stays a whole number. False for a sample interval that is not positive.
struct Window {
    int32_t shortest = 0, longest = 0, lag = 0;
};
bool WindowInSamples(const RateDetectorSettings& s, double dtMs, int32_t limit, Window* out);

// What one run needs besides the samples.
struct Params {
    int32_t function = kRateHz;
    int32_t polarity = 1;       // already forced by the function
    bool autoThreshold = true;
    bool removeBaseline = false;
    double thresholdLevel = 0.0;
    double noiseRejectionPercent = 5.0;
    Window window;
    double dtMs = 1.0;          // sample interval in milliseconds
    double stepInUnit = 0.001;  // sample interval in the document's horizontal unit (area)
    int32_t outMode = 0;        // 0 the result, 1 the threshold
};

// Where a run's results go: a same-graph channel (out, last + 1 values) or the events of a new
// graph (times and values, the first event of the run left out). Either may be null.
struct Sink {
    double* out = nullptr;
    std::vector<double>* times = nullptr;
    std::vector<double>* values = nullptr;
};

// Mean of samples a..b, both included; false at a failed read.
template <class Read>
bool MeanOf(Read& read, int32_t a, int32_t b, double* mean) {
    double sum = 0.0, x = 0.0;
    for (int32_t i = a; i <= b; ++i) {
        if (!read(i, &x)) return false;
        sum += x;
    }
    *mean = a == b ? x : sum / (static_cast<double>(b) - a + 1);
    return true;
}

// Rise of the chord from a to b per horizontal unit; a becomes a - 1 when the two are equal.
template <class Read>
bool SlopeOf(Read& read, int32_t a, int32_t b, double step, double* slope) {
    if (a == b) a = a - 1 < 0 ? 0 : a - 1;
    double xa = 0.0, xb = 0.0;
    if (!read(a, &xa) || !read(b, &xb)) return false;
    const double run = std::fabs(static_cast<double>(b) - a) * step;
    *slope = run != 0.0 ? (xb - xa) / run : 0.0;
    return true;
}

// Area between the samples a..b and the straight chord joining x[a] and x[b], by trapezoids.
template <class Read>
bool AreaAboveChordOf(Read& read, int32_t a, int32_t b, double step, double* area) {
    double slope = 0.0, xa = 0.0;
    if (!SlopeOf(read, a, b, step, &slope) || !read(a, &xa)) return false;
    const double m = slope * step;
    const double c = xa - a * m;
    double sum = 0.0, prev = std::fabs(xa - (c + a * m));
    for (int32_t i = a + 1; i <= b; ++i) {
        double x = 0.0;
        if (!read(i, &x)) return false;
        const double d = std::fabs(x - (c + i * m));
        sum += prev + d;
        prev = d;
    }
    *area = sum * 0.5 * step;
    return true;
}

// One pass over first..last. ring holds window.longest doubles (auto threshold only). Returns
// false at the first failed read; the sink then holds what was written so far.
template <class Read>
bool Detect(const Params& p, int32_t first, int32_t last, Read& read, double* ring, const Sink& sink);

}  // namespace rate

#include "transforms/analysis/rate_core_impl.h"
