// The template operations in place against a plain reference that computes every output from
// an untouched copy, and the properties a template shows against itself and a shifted copy.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <vector>
#include "transforms/analysis/template_functions.h"

namespace {

// Output j straight from the formulas, the edge samples repeated outward.
std::vector<double> Reference(const std::vector<double>& x, const std::vector<double>& t, int kind, bool removeMean) {
    const int32_t n = static_cast<int32_t>(x.size()), m = static_cast<int32_t>(t.size()), h = m / 2;
    double tm = 0.0;
    for (double v : t) tm += v;
    tm /= m;
    std::vector<double> y(x.size());
    for (int32_t j = 0; j < n; ++j) {
        std::vector<double> w(static_cast<size_t>(m));
        double a = 0.0;
        for (int32_t k = 0; k < m; ++k) {
            int32_t i = j - h + k;
            i = i < 0 ? 0 : (i >= n ? n - 1 : i);
            w[k] = x[i];
            a += w[k] / m;
        }
        double s = 0.0;
        for (int32_t k = 0; k < m; ++k) {
            if (kind == kTemplateConvolution)
                s += t[m - 1 - k] * w[k];
            else if (kind == kTemplateCorrelation)
                s += removeMean ? (w[k] - a) * (t[k] - tm) : t[k] * w[k];
            else
                s += removeMean ? std::pow((w[k] - a) - (t[k] - tm), 2) : std::pow(w[k] - t[k], 2);
        }
        if (kind == kTemplateInverseMeanSquareError) s = s == 0.0 ? 0.0 : 1.0 / s;
        y[j] = s;
    }
    return y;
}

double MeanOf(const std::vector<double>& t) {
    double s = 0.0;
    for (double v : t) s += v;
    return s / t.size();
}

std::vector<double> Noise(size_t n, uint32_t seed) {
    std::vector<double> x(n);
    for (double& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<double>(seed >> 8) / 16777216.0 * 4.0 - 2.0;
    }
    return x;
}

// Runs the operation on x with guard samples on both sides, which must stay as they were.
std::vector<double> RunGuarded(const std::vector<double>& x, const std::vector<double>& t, int kind, bool removeMean,
                               TemplateTicker* ticker = nullptr) {
    constexpr size_t kGuard = 16;
    constexpr double kGuardValue = 12345.0;
    std::vector<double> buf(x.size() + 2 * kGuard, kGuardValue);
    std::copy(x.begin(), x.end(), buf.begin() + kGuard);
    EXPECT_EQ(TemplateComputeCore(buf.data() + kGuard, static_cast<int32_t>(x.size()), t.data(),
                                  static_cast<int32_t>(t.size()), kind, removeMean, MeanOf(t), ticker),
              0);
    for (size_t g = 0; g < kGuard; ++g) {
        EXPECT_EQ(buf[g], kGuardValue) << "written before the range";
        EXPECT_EQ(buf[buf.size() - 1 - g], kGuardValue) << "written after the range";
    }
    return std::vector<double>(buf.begin() + kGuard, buf.end() - kGuard);
}

// Every kind, with and without mean removal, over templates of even and odd length and ranges
// from shorter than the template to long ones.
TEST(TemplateCore, InPlaceResultsEqualTheReferenceForEveryKindAndLength) {
    for (int32_t m : {2, 3, 5, 8, 13}) {
        const std::vector<double> t = Noise(static_cast<size_t>(m), 7u + m);
        for (int32_t n : {1, 2, m - 1, m, m + 1, 2 * m + 3, 257}) {
            if (n < 1) continue;
            const std::vector<double> x = Noise(static_cast<size_t>(n), 99u + n);
            for (int kind = 0; kind <= 3; ++kind)
                for (bool removeMean : {false, true}) {
                    const std::vector<double> want = Reference(x, t, kind, removeMean);
                    const std::vector<double> got = RunGuarded(x, t, kind, removeMean);
                    for (int32_t j = 0; j < n; ++j)
                        ASSERT_NEAR(got[j], want[j], 1e-9 * (1.0 + std::fabs(want[j])))
                            << "m " << m << " n " << n << " kind " << kind << " mean " << removeMean << " j " << j;
                }
        }
    }
}

// A copy of the template placed at a known offset: the error vanishes and the correlation
// peaks exactly where the template's centre sits, and the inverse error is 0 there, not infinite.
TEST(TemplateCore, ATemplateAgainstItselfAndAShiftedCopy) {
    const std::vector<double> t = {0.0, 1.0, 3.0, 2.0, -1.0, 0.5};
    const int32_t h = static_cast<int32_t>(t.size()) / 2;
    for (int32_t shift : {0, 7, 20}) {
        std::vector<double> x = Noise(40, 5u);
        for (double& v : x) v *= 0.05;  // weak noise around the copy
        for (size_t k = 0; k < t.size(); ++k) x[shift + k] = t[k];
        const int32_t centre = shift + h;
        const std::vector<double> mse = RunGuarded(x, t, kTemplateMeanSquareError, false);
        EXPECT_EQ(mse[centre], 0.0) << shift;
        for (int32_t j = 0; j < 40; ++j)
            if (j != centre) {
                EXPECT_GT(mse[j], 0.0) << shift << " " << j;
            }
        const std::vector<double> inv = RunGuarded(x, t, kTemplateInverseMeanSquareError, false);
        EXPECT_EQ(inv[centre], 0.0) << shift;
        const std::vector<double> corr = RunGuarded(x, t, kTemplateCorrelation, true);
        double tt = 0.0;
        for (double v : t) tt += (v - MeanOf(t)) * (v - MeanOf(t));
        EXPECT_NEAR(corr[centre], tt, 1e-12) << shift;
        for (int32_t j = 0; j < 40; ++j)
            if (j != centre) {
                EXPECT_LT(corr[j], corr[centre]) << shift << " " << j;
            }
    }
}

// Constant data gives constant results to both edges; a symmetric template convolves as it
// correlates; the error is a sum, so it grows with the template's length.
TEST(TemplateCore, EdgesSymmetryAndGrowth) {
    const std::vector<double> flat(30, 2.5);
    const std::vector<double> t = {1.0, -2.0, 4.0};
    for (int kind = 0; kind <= 2; ++kind) {
        const std::vector<double> y = RunGuarded(flat, t, kind, false);
        for (double v : y) EXPECT_DOUBLE_EQ(v, y[0]) << kind;
    }
    const std::vector<double> sym = {1.0, 3.0, 5.0, 3.0, 1.0};
    const std::vector<double> x = Noise(50, 3u);
    EXPECT_EQ(RunGuarded(x, sym, kTemplateConvolution, true), RunGuarded(x, sym, kTemplateCorrelation, false));
    const std::vector<double> zero2(2, 0.0), zero6(6, 0.0);
    const std::vector<double> ones(20, 1.0);
    EXPECT_DOUBLE_EQ(RunGuarded(ones, zero2, kTemplateMeanSquareError, false)[10], 2.0);
    EXPECT_DOUBLE_EQ(RunGuarded(ones, zero6, kTemplateMeanSquareError, false)[10], 6.0);
}

// A ticker that stops after a number of outputs and notes the percentages.
struct StopAfter : TemplateTicker {
    int left;
    std::vector<uint32_t> percents;
    explicit StopAfter(int outputs) : left(outputs) {}
    void Percent(uint32_t p) override { percents.push_back(p); }
    bool Stop() override { return --left < 0; }
};

// Escape after a number of outputs: the samples already replaced keep their results, the rest
// their input values. A full run reports rising percentages from 0, about once a hundredth.
TEST(TemplateCore, AStopKeepsWhatWasWrittenAndProgressRises) {
    const std::vector<double> t = {1.0, 2.0, 0.5, -1.0, 3.0};  // h = 2
    const std::vector<double> x = Noise(1000, 11u);
    const std::vector<double> full = Reference(x, t, kTemplateCorrelation, false);
    for (int outputs : {0, 1, 2, 3, 40, 997, 999}) {
        StopAfter ticker(outputs);
        const std::vector<double> y = RunGuarded(x, t, kTemplateCorrelation, false, &ticker);
        // The first two outputs only fill the ring; each later one replaces one sample.
        const int written = outputs < 2 ? 0 : outputs - 2 + 1;
        for (int j = 0; j < 1000; ++j)
            ASSERT_NEAR(y[j], j < written ? full[j] : x[j], 1e-12) << outputs << " " << j;
    }
    StopAfter never(1 << 30);
    RunGuarded(x, t, kTemplateCorrelation, false, &never);
    ASSERT_GE(never.percents.size(), 90u);
    EXPECT_EQ(never.percents.front(), 0u);
    for (size_t i = 1; i < never.percents.size(); ++i) EXPECT_GT(never.percents[i], never.percents[i - 1]);
    EXPECT_LE(never.percents.back(), 100u);
}

}  // namespace
