// FIR design and running, IIR sections: the arithmetic of the Transform menu's filters.
#include "transforms/filters/filter_cores.h"
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

// Below this many taps the plain sum beats the transform's block overhead.
static constexpr int32_t kFftFromTaps = 64;

// Implemented in fast_convolution.cpp.
int ApplyFirFilterFft(double* x, int64_t n, const double* h, int32_t m, const FilterProgress& progress);

// This pi, not a longer one: the designs have always used it.
void DesignFirCoefficients(double w1, double w2, int type, double* h, int32_t half) {
    const double pi = 3.1415926535;
    if (type < kFirLowPass || type > kFirBandStop || !h || half < 0) return;
    for (int32_t k = -half; k <= half; ++k) {
        double v;
        if (k == 0) {
            switch (type) {
            case kFirLowPass: v = w1 / pi; break;
            case kFirHighPass: v = 1.0 - w2 / pi; break;
            case kFirBandPass: v = (w2 - w1) / pi; break;
            default: v = (w1 - w2) / pi + 1.0; break;
            }
        } else {
            const double kp = k * pi;
            switch (type) {
            case kFirLowPass: v = std::sin(k * w1) / kp; break;
            case kFirHighPass: v = -std::sin(k * w2) / kp; break;
            case kFirBandPass: v = (std::sin(k * w2) - std::sin(k * w1)) / kp; break;
            default: v = (std::sin(k * w1) - std::sin(k * w2)) / kp; break;
            }
        }
        h[half + k] = v;
    }
}

namespace {

// Non-finite samples replaced by the last finite one (the first finite one before it); their
// places are kept so they can be put back. False when the channel has no finite sample.
bool BridgeGaps(double* x, int64_t n, std::vector<std::pair<int64_t, double>>* gaps) {
    // Quick pass first: most channels hold no gap at all.
    int64_t i = 0;
    while (i < n && std::isfinite(x[i])) ++i;
    if (i == n) return true;
    int64_t firstFinite = 0;
    while (firstFinite < n && !std::isfinite(x[firstFinite])) ++firstFinite;
    if (firstFinite == n) return false;
    double held = x[firstFinite];
    for (int64_t j = 0; j < n; ++j) {
        if (std::isfinite(x[j])) {
            held = x[j];
        } else {
            gaps->emplace_back(j, x[j]);
            x[j] = held;
        }
    }
    return true;
}

void RestoreGaps(double* x, const std::vector<std::pair<int64_t, double>>& gaps) {
    for (const auto& g : gaps) x[g.first] = g.second;
}

}  // namespace

// The sum runs over a window of the original inputs kept twice in a buffer of 2m, so that it is
// always contiguous while the outputs overwrite x behind it.
int ApplyFirFilterDirect(double* x, int64_t n, const double* h, int32_t m, const FilterProgress& progress) {
    if (!x || !h || n <= 0 || m <= 0) return kFilterDone;
    std::vector<std::pair<int64_t, double>> gaps;
    if (!BridgeGaps(x, n, &gaps)) return kFilterDone;
    std::unique_ptr<double[]> work(new (std::nothrow) double[3 * static_cast<size_t>(m)]);
    if (!work) {
        RestoreGaps(x, gaps);
        return kFilterNoMemory;
    }
    double* reversed = work.get();
    double* window = reversed + m;
    for (int32_t k = 0; k < m; ++k) reversed[k] = h[m - 1 - k];
    const int64_t half = m / 2;
    auto input = [&](int64_t t) { return x[t < 0 ? 0 : (t >= n ? n - 1 : t)]; };
    // Window slot p holds input (i - half + p) for output i; stored at p and p + m.
    int32_t base = 0;
    for (int32_t p = 0; p < m; ++p) window[p] = window[p + m] = input(p - half);
    int result = kFilterDone;
    for (int64_t i = 0; i < n; ++i) {
        const double* w = window + base;
        double sum = 0.0;
        for (int32_t k = 0; k < m; ++k) sum += reversed[k] * w[k];
        // The next input is read before x[i] is overwritten; it lies at i + half + 1 > i.
        const double next = input(i + m - half);
        x[i] = sum;
        window[base] = window[base + m] = next;
        base = base + 1 == m ? 0 : base + 1;
        if (!progress.Continue(i)) {
            result = kFilterStopped;
            break;
        }
    }
    RestoreGaps(x, gaps);
    return result;
}

int ApplyFirFilter(double* x, int64_t n, const double* h, int32_t m, const FilterProgress& progress) {
    if (!x || !h || n <= 0 || m <= 0) return kFilterDone;
    if (m < kFftFromTaps) return ApplyFirFilterDirect(x, n, h, m, progress);
    std::vector<std::pair<int64_t, double>> gaps;
    if (!BridgeGaps(x, n, &gaps)) return kFilterDone;
    int result = ApplyFirFilterFft(x, n, h, m, progress);
    if (result == kFilterNoMemory) {
        RestoreGaps(x, gaps);
        return ApplyFirFilterDirect(x, n, h, m, progress);
    }
    RestoreGaps(x, gaps);
    return result;
}

// ---- IIR ----

IirSection DesignIirSection(double f, double intervalMs, double q, double b0, double b1, double b2) {
    IirSection s;
    const double k = std::tan(6.283185307 * f * intervalMs / 1000.0 / 2.0);
    const double k2 = k * k;
    const double n = 1.0 / (k / q + 1.0 + k2);
    s.a1 = 2.0 * n * (1.0 - k2);
    s.a2 = -n * (1.0 - k / q + k2);
    s.c0 = (b0 + b1 + b2) * n;
    s.c1 = 2.0 * n * (b2 - b0);
    s.c2 = (b0 - b1 + b2) * n;
    return s;
}

// Numerators need K, which depends on the corner: computed here once more per section.
int DesignIirSections(int type, double frequency, double highFrequency, double q, double bandQ,
                      double intervalMs, IirSection sections[2]) {
    auto prewarp = [&](double f) { return std::tan(6.283185307 * f * intervalMs / 1000.0 / 2.0); };
    const double k = prewarp(frequency);
    switch (type) {
    case kIirLowPass: sections[0] = DesignIirSection(frequency, intervalMs, q, 0, 0, k * k); return 1;
    case kIirHighPass: sections[0] = DesignIirSection(frequency, intervalMs, q, 1, 0, 0); return 1;
    case kIirBandPass:
        sections[0] = DesignIirSection(frequency, intervalMs, bandQ, 0, k / bandQ, 0);
        return 1;
    case kIirBandStop: sections[0] = DesignIirSection(frequency, intervalMs, bandQ, 1, 0, k * k); return 1;
    case kIirBandPassLowHigh: {
        const double kh = prewarp(highFrequency);
        sections[0] = DesignIirSection(highFrequency, intervalMs, q, 0, 0, kh * kh);
        sections[1] = DesignIirSection(frequency, intervalMs, q, 1, 0, 0);
        return 2;
    }
    default: return 0;
    }
}

bool IirCornerValid(double f, double sampleRate) {
    return f > 0.0 && f < sampleRate / 2.0 && std::isfinite(f);
}

int ApplyIirSections(double* x, int64_t n, IirSection* sections, int count, const FilterProgress& progress) {
    if (!x || n <= 0 || count <= 0) return kFilterDone;
    std::vector<std::pair<int64_t, double>> gaps;
    if (!BridgeGaps(x, n, &gaps)) return kFilterDone;
    double start = x[0];
    for (int c = 0; c < count; ++c) {
        IirSection& s = sections[c];
        s.y2 = s.y1 = s.x2 = s.x1 = start;
    }
    int result = kFilterDone;
    for (int64_t i = 0; i < n; ++i) {
        double v = x[i];
        for (int c = 0; c < count; ++c) {
            IirSection& s = sections[c];
            const double y = s.a1 * s.y1 + s.a2 * s.y2 + s.c0 * v + s.c1 * s.x1 + s.c2 * s.x2;
            s.x2 = s.x1;
            s.x1 = v;
            s.y2 = s.y1;
            s.y1 = y;
            v = y;
        }
        x[i] = v;
        if (!progress.Continue(i)) {
            result = kFilterStopped;
            break;
        }
    }
    RestoreGaps(x, gaps);
    return result;
}
