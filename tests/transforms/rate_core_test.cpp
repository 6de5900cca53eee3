// The cycle detector over plain arrays: a pulse train whose peaks lie at known, jittered sample
// positions gives back those positions and the values each function derives from them.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <vector>
#include "common/tagGS.h"
#include "transforms/analysis/rate_core.h"
#include "transforms/analysis/rate_detector.h"

namespace {

constexpr double kDtMs = 1.0;
constexpr int kHalfWidth = 20;  // samples from a pulse's foot to its peak

struct ArrayReader {
    const std::vector<double>* x;
    int calls = 0;
    bool operator()(int32_t i, double* v) {
        ++calls;
        if (i < 0 || i >= static_cast<int32_t>(x->size())) return false;
        *v = (*x)[static_cast<size_t>(i)];
        return true;
    }
};

// Peaks at 300 + 800 k samples moved by a known jitter.
std::vector<int32_t> PeakPositions() {
    const int jitter[] = {0, 13, -7, 25, -18, 4, 31, -26, 9, 0, -11, 17};
    std::vector<int32_t> at;
    for (int k = 0; k < 12; ++k) at.push_back(300 + 800 * k + jitter[k]);
    return at;
}

// Triangles of height sign on a zero baseline, their peaks exactly on the positions.
std::vector<double> PulseTrain(const std::vector<int32_t>& peaks, int32_t n, double sign) {
    std::vector<double> x(static_cast<size_t>(n), 0.0);
    for (int32_t c : peaks)
        for (int d = -kHalfWidth + 1; d < kHalfWidth; ++d)
            x[static_cast<size_t>(c + d)] = sign * (1.0 - std::abs(d) / static_cast<double>(kHalfWidth));
    return x;
}

RateDetectorSettings Settings(int32_t function, int32_t polarity, double level) {
    RateDetectorSettings s{};
    s.function = function;
    s.polarity = polarity;
    s.removeBaseline = 0;
    s.autoThreshold = 1;
    s.thresholdLevel = level;
    s.noiseRejectionPercent = 5.0;
    s.windowMin = 0.2;  // seconds
    s.windowMax = 2.0;
    s.windowUnit = 3;
    return s;
}

// The parameters the menu's run takes over a document of kDtMs samples in seconds.
rate::Params ParamsOf(const RateDetectorSettings& s, int32_t n) {
    static tagGS doc{};
    doc.sampleInterval = kDtMs;
    doc.hUnitKind = kHUnitTime;
    rate::Params p = ParamsFor(&doc, s, 0);
    EXPECT_EQ(p.stepInUnit, kDtMs / 1000.0);
    EXPECT_TRUE(rate::WindowInSamples(s, kDtMs, n, &p.window));
    return p;
}

struct Events {
    std::vector<double> times, values;
};

Events DetectEvents(const RateDetectorSettings& s, const std::vector<double>& x) {
    const int32_t n = static_cast<int32_t>(x.size());
    rate::Params p = ParamsOf(s, n);
    std::vector<double> ring(static_cast<size_t>(p.window.longest));
    Events e;
    rate::Sink sink;
    sink.times = &e.times;
    sink.values = &e.values;
    ArrayReader read{&x};
    EXPECT_TRUE(rate::Detect(p, 0, n - 1, read, ring.data(), sink));
    return e;
}

// Each function's value at the event of peak k, from the pulse train's geometry alone.
TEST(RateCore, APulseTrainGivesItsPeakTimesAndEachFunctionsValue) {
    const std::vector<int32_t> c = PeakPositions();
    const int32_t n = c.back() + 500;
    const std::vector<double> x = PulseTrain(c, n, 1.0);
    struct Row {
        const char* name;
        int32_t function;
        double (*expected)(const std::vector<int32_t>& c, size_t k);
        double tolerance;
    } rows[] = {
        {"rate Hz", rate::kRateHz, [](const std::vector<int32_t>& c, size_t k) { return 1000.0 / (c[k] - c[k - 1]); }, 1e-9},
        {"rate BPM", rate::kRateBpm,
         [](const std::vector<int32_t>& c, size_t k) { return 60000.0 / (c[k] - c[k - 1]); }, 1e-7},
        {"interval", rate::kInterval, [](const std::vector<int32_t>& c, size_t k) { return (c[k] - c[k - 1]) / 1000.0; },
         1e-12},
        {"peak time", rate::kPeakTime, [](const std::vector<int32_t>& c, size_t k) { return c[k] / 1000.0; }, 1e-12},
        // The run's first event counts 0 and is not plotted.
        {"count", rate::kCountPeaks, [](const std::vector<int32_t>&, size_t k) { return static_cast<double>(k); }, 0.0},
        {"maximum", rate::kPeakMaximum, [](const std::vector<int32_t>&, size_t) { return 1.0; }, 0.0},
        {"peak to peak", rate::kPeakToPeak, [](const std::vector<int32_t>&, size_t) { return 1.0; }, 0.0},
        // From peak to peak, both included: the falling half of one pulse and the rising half
        // of the next, each 1 + 9.5 in sample sums.
        {"mean", rate::kMeanValue,
         [](const std::vector<int32_t>& c, size_t k) { return 21.0 / (c[k] - c[k - 1] + 1); }, 1e-12},
        // Against the chord at height 1: the span less the two half triangles (10 each), in seconds.
        {"area", rate::kArea,
         [](const std::vector<int32_t>& c, size_t k) { return (c[k] - c[k - 1] - 20.0) / 1000.0; }, 1e-12},
    };
    for (const Row& row : rows) {
        const Events e = DetectEvents(Settings(row.function, 1, 0.5), x);
        ASSERT_EQ(e.times.size(), c.size() - 1) << row.name;
        for (size_t k = 1; k < c.size(); ++k) {
            EXPECT_DOUBLE_EQ(e.times[k - 1], c[k] / 1000.0) << row.name << " event " << k;
            EXPECT_NEAR(e.values[k - 1], row.expected(c, k), row.tolerance) << row.name << " event " << k;
        }
    }
}

// Troughs: the detector starts below its threshold, so its first crossing (the baseline rising
// over -0.5) is an event at sample 0, the one a new graph leaves out; every trough follows.
TEST(RateCore, NegativePulsesAreFoundAtTheirTroughs) {
    const std::vector<int32_t> c = PeakPositions();
    const std::vector<double> x = PulseTrain(c, c.back() + 500, -1.0);
    for (int32_t function : {rate::kInterval, rate::kPeakMinimum}) {
        const Events e = DetectEvents(Settings(function, -1, -0.5), x);
        ASSERT_EQ(e.times.size(), c.size()) << function;
        for (size_t k = 0; k < c.size(); ++k) {
            EXPECT_DOUBLE_EQ(e.times[k], c[k] / 1000.0) << k;
            const double want = function == rate::kPeakMinimum ? -1.0 : (c[k] - (k ? c[k - 1] : 0)) / 1000.0;
            EXPECT_NEAR(e.values[k], want, 1e-12) << function << " " << k;
        }
    }
    // Peak Maximum keeps to peaks whatever polarity it is given: the cycles' maxima are the
    // baseline between the troughs.
    const Events e = DetectEvents(Settings(rate::kPeakMaximum, -1, -0.5), x);
    ASSERT_FALSE(e.values.empty());
    for (double v : e.values) EXPECT_EQ(v, 0.0);
}

// The result channel: nothing before the first value that can be told, then everything up to
// that sample takes it; each value changes where the falling crossing is seen, a few samples
// after its peak, and holds until the next.
TEST(RateCore, TheSameGraphChannelHoldsEachValueFromItsCrossing) {
    const std::vector<int32_t> c = PeakPositions();
    const int32_t n = c.back() + 500;
    const std::vector<double> x = PulseTrain(c, n, 1.0);
    rate::Params p = ParamsOf(Settings(rate::kRateHz, 1, 0.5), n);
    std::vector<double> ring(static_cast<size_t>(p.window.longest)), out(static_cast<size_t>(n), -7.0);
    rate::Sink sink;
    sink.out = out.data();
    ArrayReader read{&x};
    ASSERT_TRUE(rate::Detect(p, 0, n - 1, read, ring.data(), sink));
    std::vector<int32_t> changes;
    for (int32_t i = 1; i < n; ++i)
        if (out[static_cast<size_t>(i)] != out[static_cast<size_t>(i - 1)]) changes.push_back(i);
    // Back-filled from sample 0 with the first interval's rate at the second event.
    EXPECT_NEAR(out[0], 1000.0 / (c[1] - c[0]), 1e-9);
    ASSERT_EQ(changes.size(), c.size() - 2);
    for (size_t k = 2; k < c.size(); ++k) {
        const int32_t at = changes[k - 2];
        EXPECT_GT(at, c[k]) << k;
        EXPECT_LT(at, c[k] + kHalfWidth) << k;
        EXPECT_NEAR(out[static_cast<size_t>(at)], 1000.0 / (c[k] - c[k - 1]), 1e-9) << k;
    }
    EXPECT_NEAR(out.back(), 1000.0 / (c.back() - c[c.size() - 2]), 1e-9);
}

// A signal that never crosses writes nothing (the channel keeps its zero fill); the threshold
// trace holds the level; a run whose read fails stops with false.
TEST(RateCore, QuietSignalsThresholdTracesAndFailedReads) {
    const int32_t n = 3000;
    const std::vector<double> flat(static_cast<size_t>(n), 0.0);
    for (int32_t mode : {0, 1}) {
        RateDetectorSettings s = Settings(rate::kRateBpm, 1, 0.5);
        s.autoThreshold = 0;  // manual: 0.0 is below 0.5 throughout
        rate::Params p = ParamsOf(s, n);
        p.outMode = mode;
        std::vector<double> out(static_cast<size_t>(n), 9.0);
        rate::Sink sink;
        sink.out = out.data();
        ArrayReader read{&flat};
        ASSERT_TRUE(rate::Detect(p, 0, n - 1, read, nullptr, sink));
        for (double v : out) ASSERT_EQ(v, mode == 1 ? 0.5 : 9.0) << mode;
    }
    rate::Params p = ParamsOf(Settings(rate::kRateBpm, 1, 0.5), n);
    std::vector<double> ring(static_cast<size_t>(p.window.longest));
    ArrayReader read{&flat};
    rate::Sink none;
    EXPECT_FALSE(rate::Detect(p, 0, n, read, ring.data(), none));  // one past the end
}

// A gap of more than the longest interval resets the held value to 0: counting starts again.
TEST(RateCore, AGapLongerThanTheWindowResetsTheCount) {
    std::vector<int32_t> c = {300, 1100, 1900, 6000, 6800};
    const std::vector<double> x = PulseTrain(c, 7500, 1.0);
    const Events e = DetectEvents(Settings(rate::kCountPeaks, 1, 0.5), x);
    ASSERT_EQ(e.values.size(), 4u);
    EXPECT_EQ(e.values[0], 1.0);
    EXPECT_EQ(e.values[1], 2.0);
    EXPECT_EQ(e.values[2], 1.0) << "after the reset to 0 the next peak counts 1";
    EXPECT_EQ(e.values[3], 2.0);
}

// The window in samples, every quotient toward zero and held to the range; a rate limit of 0
// is an endless interval, which the range's length stands for.
TEST(RateCore, WindowInSamples) {
    struct Row {
        const char* name;
        int32_t unit;
        double lo, hi, dt;
        int32_t limit;
        bool ok;
        int32_t shortest, longest, lag;
    } rows[] = {
        {"seconds", 3, 0.25, 1.5, 1.0, 100000, true, 250, 1500, 25},
        {"BPM", 2, 40.0, 180.0, 1.0, 100000, true, 333, 1500, 25},
        {"Hz", 1, 0.5, 4.0, 2.0, 100000, true, 125, 1000, 12},
        {"held to the range", 2, 40.0, 180.0, 1.0, 1000, true, 333, 1000, 25},
        {"BPM minimum 0", 2, 0.0, 180.0, 1.0, 5000, true, 333, 5000, 25},
        {"Hz minimum 0", 1, 0.0, 3.0, 1.0, 5000, true, 333, 5000, 25},
        {"Hz both 0", 1, 0.0, 0.0, 1.0, 5000, true, 5000, 5000, 25},
        {"seconds minimum 0", 3, 0.0, 1.0, 1.0, 5000, true, 0, 1000, 25},
        {"negative", 2, -10.0, 180.0, 1.0, 5000, true, 333, 0, 25},
        {"no interval", 2, 40.0, 180.0, 0.0, 5000, false, 0, 0, 0},
    };
    for (const Row& r : rows) {
        RateDetectorSettings s = Settings(rate::kRateHz, 1, 0.0);
        s.windowUnit = r.unit;
        s.windowMin = r.lo;
        s.windowMax = r.hi;
        rate::Window w;
        ASSERT_EQ(rate::WindowInSamples(s, r.dt, r.limit, &w), r.ok) << r.name;
        if (!r.ok) continue;
        EXPECT_EQ(w.shortest, r.shortest) << r.name;
        EXPECT_EQ(w.longest, r.longest) << r.name;
        EXPECT_EQ(w.lag, r.lag) << r.name;
    }
}

// A minimum rate of 0 gives the same events as a window longer than the recording.
TEST(RateCore, AMinimumRateOfZeroDetectsAsAnEndlessWindow) {
    const std::vector<int32_t> c = PeakPositions();
    const std::vector<double> x = PulseTrain(c, c.back() + 500, 1.0);
    RateDetectorSettings zero = Settings(rate::kRateBpm, 1, 0.5), wide = zero;
    zero.windowUnit = wide.windowUnit = 2;
    zero.windowMin = 0.0;
    wide.windowMin = 0.001;  // an interval of 60000 s
    zero.windowMax = wide.windowMax = 300.0;
    const Events a = DetectEvents(zero, x), b = DetectEvents(wide, x);
    ASSERT_EQ(a.times.size(), c.size() - 1);
    EXPECT_EQ(a.times, b.times);
    EXPECT_EQ(a.values, b.values);
}

// Mean, slope and chord area over short known sequences.
TEST(RateCore, MeanSlopeAndChordArea) {
    const std::vector<double> x = {2.0, 4.0, 1.0, 1.0, 6.0, 3.0};
    ArrayReader read{&x};
    struct Row {
        int32_t a, b;
        double mean, slope, area;
    } rows[] = {
        {0, 5, 17.0 / 6.0, (3.0 - 2.0) / 5.0, 0.0},
        {2, 3, 1.0, 0.0, 0.0},
        {3, 3, 1.0, 0.0, 0.0},  // one sample: the slope looks one sample back
        {1, 4, 3.0, (6.0 - 4.0) / 3.0, 0.0},
    };
    // Area from the trapezoids of the distances to the chord, by hand: over 1..4 the chord runs
    // 4, 4.667, 5.333, 6 and the distances are 0, 3.667, 4.333, 0.
    rows[3].area = (0.0 + 11.0 / 3.0 + 11.0 / 3.0 + 13.0 / 3.0 + 13.0 / 3.0 + 0.0) / 2.0;
    rows[0].area = 0.0;
    {
        // Over 0..5 the chord rises 0.2 a sample from 2: distances 0, 1.8, 1.4, 1.6, 3.2, 0.
        const double d[] = {0.0, 1.8, 1.4, 1.6, 3.2, 0.0};
        double sum = 0.0;
        for (int i = 1; i < 6; ++i) sum += d[i - 1] + d[i];
        rows[0].area = sum / 2.0;
    }
    for (const Row& r : rows) {
        double mean = 0.0, slope = 0.0, area = 0.0;
        ASSERT_TRUE(rate::MeanOf(read, r.a, r.b, &mean));
        ASSERT_TRUE(rate::SlopeOf(read, r.a, r.b, 1.0, &slope));
        ASSERT_TRUE(rate::AreaAboveChordOf(read, r.a, r.b, 1.0, &area));
        EXPECT_NEAR(mean, r.mean, 1e-12) << r.a << ".." << r.b;
        if (r.a == r.b) {
            EXPECT_NEAR(slope, x[3] - x[2], 1e-12);
        } else {
            EXPECT_NEAR(slope, r.slope, 1e-12) << r.a << ".." << r.b;
        }
        EXPECT_NEAR(area, r.area, 1e-12) << r.a << ".." << r.b;
    }
    double v = 0.0;
    EXPECT_FALSE(rate::MeanOf(read, 4, 6, &v));
    // The horizontal step scales the slope down and the area up.
    ASSERT_TRUE(rate::SlopeOf(read, 0, 5, 0.001, &v));
    EXPECT_NEAR(v, 200.0, 1e-9);
    ASSERT_TRUE(rate::AreaAboveChordOf(read, 0, 5, 0.001, &v));
    EXPECT_NEAR(v, rows[0].area * 0.001, 1e-12);
}

}  // namespace
