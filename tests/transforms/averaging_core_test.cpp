// Averaging aligned passes: the mean of noisy copies of one pass comes closer to the clean pass
// as passes are added, and rejected passes stay out of it.
#include <gtest/gtest.h>
#include <cmath>
#include <cstdint>
#include <vector>
#include "transforms/analysis/offline_averaging.h"

namespace {

struct ArrayReader {
    const std::vector<double>* x;
    bool operator()(int32_t i, double* v) const {
        if (i < 0 || i >= static_cast<int32_t>(x->size())) return false;
        *v = (*x)[static_cast<size_t>(i)];
        return true;
    }
};

constexpr int32_t kPass = 64;

double Clean(int32_t i) { return std::sin(i * 0.2) * std::exp(-i / 40.0); }

// A recording of passes at known starts, each the clean pass plus uniform noise of +-1.
std::vector<double> Recording(const std::vector<int32_t>& starts, uint32_t seed) {
    std::vector<double> x(static_cast<size_t>(starts.back() + kPass + 50), 0.0);
    for (double& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<double>(seed >> 8) / 8388608.0 - 1.0;
    }
    for (int32_t s : starts)
        for (int32_t i = 0; i < kPass; ++i) x[static_cast<size_t>(s + i)] += Clean(i);
    return x;
}

// Root mean square distance of the mean of the first k passes from the clean pass.
double ErrorAfter(const std::vector<double>& x, const std::vector<int32_t>& starts, int k) {
    ArrayReader read{&x};
    averaging::PassSum sum;
    EXPECT_TRUE(sum.Start(kPass));
    std::vector<double> pass(kPass), mean(kPass);
    for (int p = 0; p < k; ++p) {
        bool rejected = true;
        EXPECT_TRUE(averaging::ReadPass(read, starts[static_cast<size_t>(p)], kPass, false, 0, 0, pass.data(),
                                        &rejected));
        EXPECT_FALSE(rejected);
        sum.Add(pass.data());
    }
    EXPECT_EQ(sum.Count(), k);
    sum.Mean(mean.data());
    double e = 0.0;
    for (int32_t i = 0; i < kPass; ++i) e += std::pow(mean[static_cast<size_t>(i)] - Clean(i), 2);
    return std::sqrt(e / kPass);
}

// Uniform noise of +-1 has a standard deviation of 1/sqrt(3); the mean of k passes keeps
// 1/sqrt(k) of it.
TEST(AveragingCore, TheMeanOfAlignedNoisyPassesApproachesTheCleanPass) {
    std::vector<int32_t> starts;
    for (int p = 0; p < 256; ++p) starts.push_back(100 + p * 150 + (p * 37) % 23);
    const std::vector<double> x = Recording(starts, 12345u);
    const double sigma = 1.0 / std::sqrt(3.0);
    double previous = 1e9;
    for (int k : {1, 4, 16, 64, 256}) {
        const double e = ErrorAfter(x, starts, k);
        EXPECT_LT(e, 1.5 * sigma / std::sqrt(k)) << k;
        EXPECT_GT(e, 0.5 * sigma / std::sqrt(k)) << k;
        EXPECT_LT(e, previous) << k;
        previous = e;
    }
}

// The limits: values equal to a limit pass, one sample beyond rejects and ends the reading;
// a low limit above the high one rejects every pass; a read past the recording fails.
TEST(AveragingCore, PassesOutsideTheLimitsAreRejected) {
    const std::vector<double> x = {0.0, 1.0, 2.0, 3.0, -2.0, 0.5, 0.25};
    ArrayReader read{&x};
    struct Row {
        int32_t first, n;
        double low, high;
        bool ok, rejected;
        int filled;  // samples copied before the reading ended
    } rows[] = {
        {0, 4, -1.0, 3.0, true, false, 4},
        {0, 5, -2.0, 3.0, true, false, 5},
        {0, 5, -1.9, 3.0, true, true, 5},
        {1, 3, 0.0, 2.5, true, true, 3},
        {0, 3, 5.0, -5.0, true, true, 1},
        {5, 3, -9.0, 9.0, false, false, 2},
    };
    for (const Row& r : rows) {
        std::vector<double> pass(8, 99.0);
        bool rejected = false;
        EXPECT_EQ(averaging::ReadPass(read, r.first, r.n, true, r.low, r.high, pass.data(), &rejected), r.ok)
            << r.first << " " << r.n;
        if (r.ok) {
            EXPECT_EQ(rejected, r.rejected) << r.first << " " << r.n;
        }
        for (int i = 0; i < r.filled; ++i) EXPECT_EQ(pass[static_cast<size_t>(i)], x[static_cast<size_t>(r.first + i)]);
        for (size_t i = static_cast<size_t>(r.filled) + (r.ok ? 0 : 1); i < pass.size(); ++i) EXPECT_EQ(pass[i], 99.0);
    }
    averaging::PassSum sum;
    EXPECT_FALSE(sum.Start(0));
}

}  // namespace
