// The FIR and IIR cores against references worked out here: responses computed from the
// coefficients by their own sums, the centred convolution written as its definition.
#include <gtest/gtest.h>
#include <cmath>
#include <complex>
#include <random>
#include <vector>
#include "transforms/filters/filter_cores.h"
#include "transforms/filters/window_functions.h"
#include "common/math_constants.h"

namespace {


// |sum h[j] e^{-i w (j - half)}| at frequency f: the filter's gain.
double FirGain(const std::vector<double>& h, double f, double fs) {
    const double w = 2 * kPi * f / fs;
    std::complex<double> sum;
    const int half = static_cast<int>(h.size()) / 2;
    for (size_t j = 0; j < h.size(); ++j) sum += h[j] * std::polar(1.0, -w * (static_cast<int>(j) - half));
    return std::abs(sum);
}

std::vector<double> Design(int type, double f1, double f2, double fs, int m, int window) {
    std::vector<double> h(m);
    DesignFirCoefficients(2 * kPi * f1 / fs, 2 * kPi * f2 / fs, type, h.data(), (m - 1) / 2);
    ApplyWindow(h.data(), m, window);
    return h;
}

// The definition: output i sums h[m-1-k] x[i - m/2 + k], the ends repeated.
std::vector<double> Reference(const std::vector<double>& x, const std::vector<double>& h) {
    const int64_t n = static_cast<int64_t>(x.size()), m = static_cast<int64_t>(h.size());
    std::vector<double> y(n);
    for (int64_t i = 0; i < n; ++i) {
        long double sum = 0;
        for (int64_t k = 0; k < m; ++k) {
            int64_t t = i - m / 2 + k;
            t = t < 0 ? 0 : (t >= n ? n - 1 : t);
            sum += static_cast<long double>(h[m - 1 - k]) * x[t];
        }
        y[i] = static_cast<double>(sum);
    }
    return y;
}

std::vector<double> Noise(size_t n, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> d(-1000.0, 1000.0);
    std::vector<double> x(n);
    for (double& v : x) v = d(gen);
    return x;
}

struct ResponseCase {
    int type;
    double f1, f2;
    double pass, stop;  // frequencies that pass (gain near 1) and that are stopped
};

TEST(FirCores, GainAtPassAndStopFrequencies) {
    const double fs = 1000;
    const ResponseCase cases[] = {
        {kFirLowPass, 100, 0, 20, 250},
        {kFirHighPass, 0, 100, 300, 20},
        {kFirBandPass, 100, 200, 150, 400},
        {kFirBandPass, 100, 200, 150, 30},
        {kFirBandStop, 100, 200, 400, 150},
        {kFirBandStop, 100, 200, 30, 150},
    };
    for (const ResponseCase& c : cases) {
        const std::vector<double> h = Design(c.type, c.f1, c.f2, fs, 101, kWindowHamming);
        EXPECT_NEAR(FirGain(h, c.pass, fs), 1.0, 0.01) << "type " << c.type << " at " << c.pass;
        EXPECT_LT(FirGain(h, c.stop, fs), 0.01) << "type " << c.type << " at " << c.stop;
    }
}

// The k = 0 terms of the table, and the odd symmetry of the ideal responses.
TEST(FirCores, DesignMiddleTermsAndSymmetry) {
    const double w1 = 0.6, w2 = 1.4, pi = 3.1415926535;
    const struct { int type; double middle; double lag2; } cases[] = {
        {kFirLowPass, w1 / pi, std::sin(2 * w1) / (2 * pi)},
        {kFirHighPass, 1 - w2 / pi, -std::sin(2 * w2) / (2 * pi)},
        {kFirBandPass, (w2 - w1) / pi, (std::sin(2 * w2) - std::sin(2 * w1)) / (2 * pi)},
        {kFirBandStop, (w1 - w2) / pi + 1, (std::sin(2 * w1) - std::sin(2 * w2)) / (2 * pi)},
    };
    for (const auto& c : cases) {
        std::vector<double> h(9, 7.0);
        DesignFirCoefficients(w1, w2, c.type, h.data(), 4);
        EXPECT_DOUBLE_EQ(h[4], c.middle) << c.type;
        EXPECT_DOUBLE_EQ(h[6], c.lag2) << c.type;
        EXPECT_DOUBLE_EQ(h[2], c.lag2) << c.type;
    }
    std::vector<double> untouched(9, 7.0);
    DesignFirCoefficients(w1, w2, 5, untouched.data(), 4);
    EXPECT_EQ(untouched, std::vector<double>(9, 7.0));
}

// Both ways of running a filter answer to the definition, whatever the lengths: shorter and
// longer than a transform block, fewer samples than taps, an even split and a ragged end.
TEST(FirCores, FastAndDirectFormsMatchTheDefinition) {
    const struct { int64_t n; int m; } cases[] = {
        {1, 3}, {2, 5}, {40, 9}, {1000, 63}, {1000, 65}, {5000, 101}, {70, 101},
        {20000, 1001}, {14384, 1001}, {14385, 1001}, {30001, 255},
    };
    unsigned seed = 1;
    for (const auto& c : cases) {
        const std::vector<double> x = Noise(c.n, seed++);
        const std::vector<double> h = Design(kFirLowPass, 80, 0, 1000, c.m, kWindowBlackman92);
        const std::vector<double> want = Reference(x, h);
        std::vector<double> fast = x, direct = x;
        ASSERT_EQ(ApplyFirFilter(fast.data(), c.n, h.data(), c.m), kFilterDone);
        ASSERT_EQ(ApplyFirFilterDirect(direct.data(), c.n, h.data(), c.m), kFilterDone);
        double worstFast = 0, worstDirect = 0;
        for (int64_t i = 0; i < c.n; ++i) {
            worstFast = std::max(worstFast, std::fabs(fast[i] - want[i]));
            worstDirect = std::max(worstDirect, std::fabs(direct[i] - want[i]));
        }
        EXPECT_LT(worstDirect, 1e-9) << "n=" << c.n << " m=" << c.m;
        EXPECT_LT(worstFast, 1e-9) << "n=" << c.n << " m=" << c.m;
    }
}

// The edges repeat the end samples, so a constant comes out level from the first to the last.
TEST(FirCores, ConstantStaysLevelAtBothEdges) {
    for (int m : {39, 301}) {
        const std::vector<double> h = Design(kFirLowPass, 50, 0, 1000, m, kWindowBlackman61);
        double sum = 0;
        for (double v : h) sum += v;
        std::vector<double> x(2000, 3.5);
        ASSERT_EQ(ApplyFirFilter(x.data(), 2000, h.data(), m), kFilterDone);
        EXPECT_NEAR(x.front(), 3.5 * sum, 1e-9) << m;
        EXPECT_NEAR(x.back(), 3.5 * sum, 1e-9) << m;
        EXPECT_NEAR(x[1000], 3.5 * sum, 1e-9) << m;
    }
}

// Two tones through a low pass: the low one stays, the high one goes.
TEST(FirCores, TwoTonesThroughALowPass) {
    const double fs = 1000;
    const int n = 4000;
    std::vector<double> x(n), low(n);
    for (int i = 0; i < n; ++i) {
        low[i] = std::sin(2 * kPi * 10 * i / fs);
        x[i] = low[i] + 0.5 * std::sin(2 * kPi * 300 * i / fs);
    }
    const std::vector<double> h = Design(kFirLowPass, 100, 0, fs, 201, kWindowBlackman92);
    ASSERT_EQ(ApplyFirFilter(x.data(), n, h.data(), 201), kFilterDone);
    for (int i = 200; i < n - 200; ++i) ASSERT_NEAR(x[i], low[i], 2e-3) << i;
}

struct StopAt {
    int64_t at;
    int64_t asked = -1;
    static bool Step(void* c, int64_t index) {
        auto* s = static_cast<StopAt*>(c);
        s->asked = index;
        return index < s->at;
    }
};

// A stop leaves a filtered head and an untouched tail, on both paths.
TEST(FirCores, StopLeavesTheRestAsItWas) {
    for (int m : {21, 1001}) {
        const int64_t n = 60000;
        const std::vector<double> x = Noise(n, 77);
        const std::vector<double> h = Design(kFirHighPass, 0, 40, 1000, m, kWindowHanning);
        const std::vector<double> full = Reference(x, h);
        std::vector<double> y = x;
        StopAt stop{25000};
        FilterProgress progress;
        progress.step = &StopAt::Step;
        progress.context = &stop;
        ASSERT_EQ(ApplyFirFilter(y.data(), n, h.data(), m, progress), kFilterStopped) << m;
        const int64_t done = stop.asked + 1;
        ASSERT_GT(done, 0);
        ASSERT_LT(done, n);
        for (int64_t i = 0; i < done; ++i) ASSERT_NEAR(y[i], full[i], 1e-9) << m << " at " << i;
        for (int64_t i = done; i < n; ++i) ASSERT_EQ(y[i], x[i]) << m << " at " << i;
    }
}

// A gap (NaN) stays where it is and does not spread: the neighbours are the filter of the
// signal with the last value held across the gap.
TEST(FirCores, NanSamplesStayAndDoNotSpread) {
    for (int m : {15, 129}) {
        const int64_t n = 3000;
        std::vector<double> x = Noise(n, 5);
        std::vector<double> held = x;
        for (int64_t g : {0, 1500, 1501, 2999}) x[g] = NAN;
        held[0] = held[1];
        held[1500] = held[1501] = held[1499];
        held[2999] = held[2998];
        const std::vector<double> h = Design(kFirLowPass, 100, 0, 1000, m, kWindowHamming);
        const std::vector<double> want = Reference(held, h);
        ASSERT_EQ(ApplyFirFilter(x.data(), n, h.data(), m), kFilterDone);
        for (int64_t i = 0; i < n; ++i) {
            if (i == 0 || i == 1500 || i == 1501 || i == 2999) {
                EXPECT_TRUE(std::isnan(x[i])) << i;
            } else {
                ASSERT_NEAR(x[i], want[i], 1e-9) << m << " at " << i;
            }
        }
    }
    std::vector<double> allGaps(50, NAN);
    EXPECT_EQ(ApplyFirFilter(allGaps.data(), 50, Design(kFirLowPass, 1, 0, 10, 5, 0).data(), 5), kFilterDone);
    for (double v : allGaps) EXPECT_TRUE(std::isnan(v));
}

// ---- IIR ----

// H(z) = (c0 + c1 z^-1 + c2 z^-2) / (1 - a1 z^-1 - a2 z^-2) on the unit circle.
double SectionGain(const IirSection& s, double f, double fs) {
    const std::complex<double> z1 = std::polar(1.0, -2 * kPi * f / fs);
    const std::complex<double> z2 = z1 * z1;
    return std::abs((s.c0 + s.c1 * z1 + s.c2 * z2) / (1.0 - s.a1 * z1 - s.a2 * z2));
}

struct IirCase {
    int type;
    double f, q, bandQ;
    double at, gain;  // the gain the section has at frequency at
};

// A second-order section's gain at its corner is its Q; band sections are 1 or 0 at the centre.
TEST(IirCores, SectionGainAtTheCorner) {
    const double interval = 1.0, fs = 1000;  // 1 ms
    const IirCase cases[] = {
        {kIirLowPass, 50, 0.707, 5, 50, 0.707},   {kIirLowPass, 50, 0.707, 5, 0, 1.0},
        {kIirLowPass, 200, 2.0, 5, 200, 2.0},     {kIirHighPass, 50, 0.707, 5, 50, 0.707},
        {kIirHighPass, 50, 0.707, 5, 499.999, 1.0}, {kIirBandPass, 100, 0.707, 5, 100, 1.0},
        {kIirBandStop, 100, 0.707, 5, 100, 0.0},  {kIirBandStop, 100, 0.707, 5, 0, 1.0},
    };
    for (const IirCase& c : cases) {
        IirSection s[2];
        ASSERT_EQ(DesignIirSections(c.type, c.f, 0, c.q, c.bandQ, interval, s), 1);
        EXPECT_NEAR(SectionGain(s[0], c.at, fs), c.gain, 1e-6) << "type " << c.type << " at " << c.at;
    }
    // The band pass's -3 dB points sit a bandwidth of f/Q apart.
    IirSection bp[2];
    DesignIirSections(kIirBandPass, 100, 0, 0.707, 2, interval, bp);
    EXPECT_LT(SectionGain(bp[0], 30, fs), 0.75);
    EXPECT_LT(SectionGain(bp[0], 300, fs), 0.75);
}

double Rms(const std::vector<double>& x, size_t from) {
    double s = 0;
    for (size_t i = from; i < x.size(); ++i) s += x[i] * x[i];
    return std::sqrt(s / (x.size() - from));
}

// The low+high band pass from 5 to 50 Hz passes 20 Hz and holds back 1 Hz and 200 Hz.
TEST(IirCores, LowHighBandPassOnTones) {
    const double fs = 1000;
    const struct { double f; bool passes; } tones[] = {{20, true}, {1, false}, {200, false}};
    for (const auto& t : tones) {
        std::vector<double> x(20000);
        for (size_t i = 0; i < x.size(); ++i) x[i] = std::sin(2 * kPi * t.f * i / fs);
        IirSection s[2];
        ASSERT_EQ(DesignIirSections(kIirBandPassLowHigh, 5, 50, 0.707, 5, 1.0, s), 2);
        ASSERT_EQ(ApplyIirSections(x.data(), static_cast<int64_t>(x.size()), s, 2), kFilterDone);
        const double gain = Rms(x, 5000) * std::sqrt(2.0);
        if (t.passes) {
            EXPECT_GT(gain, 0.9) << t.f;
        } else {
            EXPECT_LT(gain, 0.1) << t.f;
        }
    }
}

TEST(IirCores, ConstantPassesTheLowPassFromTheFirstSample) {
    std::vector<double> x(500, -2.25);
    IirSection s[2];
    DesignIirSections(kIirLowPass, 30, 0, 0.707, 5, 1.0, s);
    ASSERT_EQ(ApplyIirSections(x.data(), 500, s, 1), kFilterDone);
    for (double v : x) ASSERT_NEAR(v, -2.25, 1e-12);
}

// Half the sampling rate and above would put the prewarp at or past the tangent's pole.
TEST(IirCores, CornersFromZeroToBelowHalfTheRate) {
    const struct { double f; bool valid; } cases[] = {
        {0, false}, {-5, false}, {0.001, true}, {499.9, true}, {500, false}, {800, false}, {NAN, false},
    };
    for (const auto& c : cases) EXPECT_EQ(IirCornerValid(c.f, 1000), c.valid) << c.f;
}

TEST(IirCores, NanSampleStaysAndTheFilterGoesOn) {
    std::vector<double> x(400, 1.0);
    x[100] = NAN;
    IirSection s[2];
    DesignIirSections(kIirLowPass, 30, 0, 0.707, 5, 1.0, s);
    ASSERT_EQ(ApplyIirSections(x.data(), 400, s, 1), kFilterDone);
    EXPECT_TRUE(std::isnan(x[100]));
    EXPECT_NEAR(x[101], 1.0, 1e-12);
    EXPECT_NEAR(x[399], 1.0, 1e-12);
}

TEST(IirCores, StopAfterTheSampleAsked) {
    std::vector<double> x = Noise(1000, 9), y = x;
    IirSection s[2];
    DesignIirSections(kIirHighPass, 30, 0, 0.707, 5, 1.0, s);
    StopAt stop{300};
    FilterProgress progress;
    progress.step = &StopAt::Step;
    progress.context = &stop;
    ASSERT_EQ(ApplyIirSections(y.data(), 1000, s, 1, progress), kFilterStopped);
    EXPECT_EQ(stop.asked, 300);
    EXPECT_NE(y[300], x[300]);
    for (int i = 301; i < 1000; ++i) ASSERT_EQ(y[i], x[i]) << i;
}

}  // namespace

namespace {

// The response points against the gain summed directly at the same frequencies.
TEST(FirCores, MagnitudeInDecibelsAgainstTheDirectSum) {
    const double fs = 1000;
    const std::vector<double> h = Design(kFirBandPass, 100, 200, fs, 101, kWindowHamming);
    const uint32_t size = NextPowerOfTwo(101);
    std::vector<double> db(size / 2);
    ASSERT_EQ(FirMagnitudeDb(h.data(), 101, size, db.data()), 1);
    for (uint32_t k = 0; k < size / 2; ++k) {
        const double gain = FirGain(h, fs * k / size, fs);
        ASSERT_NEAR(db[k], 20 * std::log10(gain), 1e-6) << k;
    }
    EXPECT_NEAR(db[size * 150 / 1000], 0.0, 0.1);  // the middle of the band passes
    std::vector<double> zeros(5, 0.0), out(4);
    ASSERT_EQ(FirMagnitudeDb(zeros.data(), 5, 8, out.data()), 1);
    EXPECT_EQ(out[0], -400.0);  // a floor, not minus infinity
    EXPECT_EQ(FirMagnitudeDb(h.data(), 101, 100, db.data()), 0);  // not a power of two
}

}  // namespace
