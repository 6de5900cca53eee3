// The Fourier transforms and the FFT transform's spectra against a direct sum written here.
#include <gtest/gtest.h>
#include "transforms/spectral/fft.h"
#include "transforms/spectral/spectrum.h"
#include "transforms/spectral/derivative.h"
#include "transforms/filters/filter_cores.h"
#include "transforms/filters/window_functions.h"
#include "transforms/transform_conventions.h"
#include <cmath>
#include <random>
#include <vector>
#include "common/math_constants.h"

namespace {

// X[k] = sum x[j] exp(sign 2 pi i jk / n), straight from the definition.
std::vector<double> DirectDft(const std::vector<double>& z, int sign) {
    const size_t n = z.size() / 2;
    std::vector<double> out(2 * n);
    for (size_t k = 0; k < n; ++k) {
        long double re = 0, im = 0;
        for (size_t j = 0; j < n; ++j) {
            const long double a = sign * 2.0L * kPi * static_cast<long double>((j * k) % n) / n;
            re += z[2 * j] * std::cos(a) - z[2 * j + 1] * std::sin(a);
            im += z[2 * j] * std::sin(a) + z[2 * j + 1] * std::cos(a);
        }
        out[2 * k] = static_cast<double>(re);
        out[2 * k + 1] = static_cast<double>(im);
    }
    return out;
}

std::vector<double> Noise(size_t count, unsigned seed) {
    std::mt19937 gen(seed);
    std::uniform_real_distribution<double> d(-1.0, 1.0);
    std::vector<double> v(count);
    for (double& x : v) x = d(gen);
    return v;
}

double MaxError(const std::vector<double>& a, const std::vector<double>& b) {
    double e = 0;
    for (size_t i = 0; i < a.size(); ++i) e = std::max(e, std::fabs(a[i] - b[i]));
    return e;
}
}  // namespace

TEST(ComplexTransform, MatchesTheDirectSumForwardAndInverseAtEverySize) {
    // Sizes below, at and above the cache block, so both kinds of pass are met.
    for (uint32_t n : {1u, 2u, 4u, 8u, 64u, 1024u, 8192u}) {
        const std::vector<double> z = Noise(2 * n, n);
        FftPlan plan;
        ASSERT_EQ(plan.Make(n), 1) << n;
        for (int sign : {1, -1}) {
            if (n > 1024 && sign < 0) continue;  // the direct sum is slow; one direction is enough there
            std::vector<double> got = z;
            ASSERT_EQ(plan.Complex(got.data(), sign), 1);
            EXPECT_LT(MaxError(got, DirectDft(z, sign)), 1e-9 * std::sqrt(double(n)) + 1e-12) << n << " sign " << sign;
        }
    }
}

TEST(ComplexTransform, InverseUndoesForwardAndRefusesOtherSizes) {
    std::vector<double> z = Noise(2 * 4096, 7), original = z;
    ASSERT_EQ(ComplexFft(z.data(), 4096, 1), 1);
    ASSERT_EQ(ComplexFft(z.data(), 4096, -1), 1);
    EXPECT_LT(MaxError(z, original), 1e-12);
    FftPlan plan;
    for (uint32_t bad : {0u, 3u, 1000u, 12288u}) EXPECT_EQ(plan.Make(bad), 0) << bad;
}

TEST(RealTransform, PacksTheHalfSpectrumOfTheDirectSum) {
    for (uint32_t nr : {4u, 8u, 16u, 256u, 4096u}) {
        const std::vector<double> x = Noise(nr, nr + 1);
        std::vector<double> asComplex(2 * nr, 0.0);
        for (uint32_t j = 0; j < nr; ++j) asComplex[2 * j] = x[j];
        const std::vector<double> want = DirectDft(asComplex, 1);
        std::vector<double> got = x;
        ASSERT_EQ(RealFft(got.data(), nr, 1), 1) << nr;
        const double tol = 1e-9 * std::sqrt(double(nr));
        EXPECT_NEAR(got[0], want[0], tol) << nr << " zero frequency";
        EXPECT_NEAR(got[1], want[2 * (nr / 2)], tol) << nr << " Nyquist";
        for (uint32_t k = 1; k < nr / 2; ++k) {
            ASSERT_NEAR(got[2 * k], want[2 * k], tol) << nr << " re " << k;
            ASSERT_NEAR(got[2 * k + 1], want[2 * k + 1], tol) << nr << " im " << k;
        }
    }
}

// Parseval: sum x^2 = (1/N) sum |X[k]|^2, with the half spectrum counting every inner term twice.
TEST(RealTransform, KeepsTheEnergyOfItsInput) {
    for (uint32_t nr : {64u, 4096u, 1u << 18}) {
        const std::vector<double> x = Noise(nr, 99 + nr);
        double timeEnergy = 0;
        for (double v : x) timeEnergy += v * v;
        std::vector<double> X = x;
        ASSERT_EQ(RealFft(X.data(), nr, 1), 1);
        double freqEnergy = X[0] * X[0] + X[1] * X[1];
        for (uint32_t k = 1; k < nr / 2; ++k) freqEnergy += 2 * (X[2 * k] * X[2 * k] + X[2 * k + 1] * X[2 * k + 1]);
        EXPECT_NEAR(freqEnergy / nr, timeEnergy, 1e-9 * timeEnergy) << nr;
    }
}

TEST(RealTransform, PutsAPureToneInItsBin) {
    struct Case {
        uint32_t n, bin;
        double amplitude, phase;
    } cases[] = {{1024, 5, 1.0, 0.0}, {1024, 100, 2.5, kPi / 3}, {1u << 16, 4321, 0.75, -kPi / 4}};
    for (const Case& c : cases) {
        std::vector<double> x(c.n);
        for (uint32_t j = 0; j < c.n; ++j) x[j] = c.amplitude * std::cos(2 * kPi * c.bin * j / c.n + c.phase);
        ASSERT_EQ(RealFft(x.data(), c.n, 1), 1);
        std::vector<double> mag(c.n / 2), phase(c.n / 2);
        MagnitudeSpectrum(x.data(), c.n, 0, mag.data());
        PhaseSpectrum(x.data(), c.n, phase.data());
        for (uint32_t k = 0; k < c.n / 2; ++k)
            ASSERT_NEAR(mag[k], k == c.bin ? c.amplitude / 2 : 0.0, 1e-9) << c.n << " bin " << k;
        // The forward sign is positive, so a tone of phase p shows the phase -p.
        EXPECT_NEAR(phase[c.bin], -c.phase * 180 / kPi, 1e-6) << c.n;
    }
}

TEST(RealTransform, StopsBeforeAPassWhenTheProbeGivesUp) {
    std::vector<double> x = Noise(1u << 16, 3);
    int asked = 0;
    auto probe = [](void* context, uint32_t) { return ++*static_cast<int*>(context) < 3; };
    FftPlan plan;
    ASSERT_EQ(plan.Make(1u << 15), 1);
    EXPECT_EQ(plan.Real(x.data(), probe, &asked), 0);
    EXPECT_EQ(asked, 3);
}

TEST(FftSpectrum, AnAllZeroInputGetsAFloorBelowZeroNotAHugeLevel) {
    std::vector<double> x(256, 0.0);
    ASSERT_EQ(RealFft(x.data(), 256, 1), 1);
    std::vector<double> dB(128);
    MagnitudeSpectrum(x.data(), 256, 1, dB.data());
    for (double v : dB) ASSERT_DOUBLE_EQ(v, SilentFloorDb());
    EXPECT_LT(SilentFloorDb(), -300.0);
}

// Terms whose squares overflow or fall below the normal range keep their magnitude.
TEST(FftSpectrum, MagnitudesOfHugeAndTinyTermsAreKept) {
    struct Case {
        double re, im, magnitude;
    } cases[] = {{3e300, 4e300, 5e300}, {3e-300, 4e-300, 5e-300}, {-3e-320, 4e-320, 5e-320},
                 {3.0, -4.0, 5.0},      {1e200, 1e-200, 1e200},   {0.0, 0.0, 0.0}};
    for (const Case& c : cases) {
        // K = 4: term 0 real, term 1 the case; the magnitude is |X| / K.
        const double packed[4] = {0.0, 0.0, 4 * c.re, 4 * c.im};
        double out[2];
        MagnitudeSpectrum(packed, 4, 0, out);
        EXPECT_NEAR(out[1], c.magnitude, 1e-12 * c.magnitude) << c.re << " " << c.im;
    }
    const double inf = HUGE_VAL, packed[4] = {0.0, 0.0, inf, 1.0};
    double out[2];
    MagnitudeSpectrum(packed, 4, 0, out);
    EXPECT_EQ(out[1], inf);
}

// Worked out over the packed spectrum itself, the magnitudes are those worked out beside it.
TEST(FftSpectrum, MagnitudesInPlaceMatchThoseBeside) {
    std::vector<double> x = Noise(1u << 12, 5);
    x[0] = 0.0;
    ASSERT_EQ(RealFft(x.data(), 1u << 12, 1), 1);
    x[6] = x[7] = 0.0;  // a zero term takes the floor
    for (const int dB : {0, 1}) {
        std::vector<double> beside(x.size() / 2), inPlace = x;
        MagnitudeSpectrum(x.data(), 1u << 12, dB, beside.data());
        MagnitudeSpectrum(inPlace.data(), 1u << 12, dB, inPlace.data());
        for (size_t k = 0; k < beside.size(); ++k) ASSERT_EQ(inPlace[k], beside[k]) << dB << " " << k;
    }
}

TEST(FftSpectrum, ZerosSitTwentyDecibelsBelowTheSmallestMagnitude) {
    // Packed spectrum of K = 8: term 0 and 2 zero, term 1 of magnitude 8 * 0.1, term 3 of 8 * 0.01.
    const double packed[8] = {0, 0, 0.8, 0, 0, 0, 0, 0.08};
    double dB[4];
    MagnitudeSpectrum(packed, 8, 1, dB);
    EXPECT_NEAR(dB[1], -20.0, 1e-9);
    EXPECT_NEAR(dB[3], -40.0, 1e-9);
    EXPECT_NEAR(dB[0], -60.0, 1e-9);
    EXPECT_NEAR(dB[2], -60.0, 1e-9);
}

TEST(FftInput, TrendMeanAndFill) {
    struct Case {
        const char* what;
        std::vector<double> in;
        int trend, mean, padLast;
        int64_t k;
        std::vector<double> want;
    } cases[] = {
        {"trend anchored at the first point", {1, 3, 5, 4}, 1, 0, 0, 4, {1, 2, 3, 1}},
        {"mean", {1, 2, 3, 6}, 0, 1, 0, 4, {-2, -1, 0, 3}},
        {"zeros", {1, 2, 3}, 0, 0, 0, 4, {1, 2, 3, 0}},
        {"last point", {1, 2, 3}, 0, 0, 1, 8, {1, 2, 3, 3, 3, 3, 3, 3}},
        {"a gap reads 0", {1, NAN, 3}, 0, 0, 1, 4, {1, 0, 3, 3}},
    };
    for (Case& c : cases) {
        std::vector<double> x = c.in;
        x.resize(static_cast<size_t>(c.k));
        const int64_t n = static_cast<int64_t>(c.in.size());
        if (c.trend) RemoveTrend(x.data(), n);
        if (c.mean) RemoveMean(x.data(), n);
        FillUp(x.data(), n, c.k, c.padLast);
        for (size_t i = 0; i < c.want.size(); ++i) EXPECT_NEAR(x[i], c.want[i], 1e-12) << c.what << " at " << i;
    }
}

// The differentiator run over a sine well inside its band gives the cosine times the angular
// frequency; the filter and the scaling by the rate are those of the Derivative command.
TEST(Derivative, OfASineIsItsCosineTimesTheAngularFrequency) {
    struct Case {
        double rate, frequency;
        int32_t m;
        int window;
        double tolerance;  // of the amplitude w; longer filters come closer to the ideal
    } cases[] = {{1000, 40, 101, 3, 0.01}, {20000, 300, 201, 0, 0.01}, {1000, 10, 255, 5, 0.01}, {1000, 20, 511, 8, 0.002}};
    for (const Case& c : cases) {
        std::vector<double> h(c.m);
        ASSERT_EQ(DesignDerivative(c.rate / 8, c.rate, c.m, h.data()), 1);
        ApplySymmetricWindow(h.data(), c.m, c.window);
        const double w = 2 * kPi * c.frequency;
        std::vector<double> x(4000);
        for (size_t i = 0; i < x.size(); ++i) x[i] = std::sin(w * i / c.rate);
        ASSERT_EQ(ApplyFirFilterDirect(x.data(), 4000, h.data(), c.m), 0);
        double worst = 0;
        for (size_t i = c.m; i < x.size() - c.m; ++i)
            worst = std::max(worst, std::fabs(x[i] * c.rate - w * std::cos(w * i / c.rate)) / w);
        EXPECT_LT(worst, c.tolerance) << c.rate << " Hz, a tone of " << c.frequency << " Hz, " << c.m << " taps";
    }
    std::vector<double> h(40);
    EXPECT_EQ(DesignDerivative(100, 1000, 40, h.data()), 0) << "an even length";
}

// Every window laid symmetrically keeps the taps odd about the middle one, so their sum (the
// response to a constant) is 0 and the first moment (to a ramp) is the slope.
TEST(Derivative, WindowedTapsStayOdd) {
    for (int32_t m : {3, 39, 101}) {
        for (int window = 0; window < 10; ++window) {
            SCOPED_TRACE(testing::Message() << m << " taps, window " << window);
            std::vector<double> h(m);
            ASSERT_EQ(DesignDerivative(125, 1000, m, h.data()), 1);
            ApplySymmetricWindow(h.data(), m, window);
            double sum = 0, scale = 0;
            for (int32_t t = 0; t < m; ++t) {
                EXPECT_EQ(h[m - 1 - t], -h[t]) << t;
                sum += h[t];
                scale += std::fabs(h[t]);
            }
            EXPECT_NEAR(sum, 0.0, 1e-15 * scale);
            EXPECT_EQ(SymmetricWindowWeight(window, 0, m), SymmetricWindowWeight(window, m - 1, m));
        }
    }
}
