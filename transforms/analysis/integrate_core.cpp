// Running integrals over plain sample arrays.
#include "transforms/analysis/integrate_core.h"
#include <cmath>
#include <utility>

// The window holds the last N input values at a wrapping write position.
void IntegrateWindowValues(double* x, size_t n, const stWindowRule& rule, double interval, double* window) {
    const int32_t N = rule.samples < 1 ? 1 : rule.samples;
    // A one-sample window has no N - 1: its RMS is the sample's magnitude and its spread 0.
    const double divisor = N > 1 ? N - 1.0 : 1.0;
    for (int32_t k = 0; k < N; ++k) window[k] = 0.0;
    int32_t at = 0;
    for (size_t i = 0; i < n; ++i) {
        window[at] = x[i];
        at = at + 1 == N ? 0 : at + 1;
        double sum = 0.0;
        if (!rule.parameters) {
            for (int32_t k = 0; k < N; ++k) sum += window[k];
            x[i] = sum * interval / 1000.0;
        } else if (rule.rectify) {
            for (int32_t k = 0; k < N; ++k) sum += std::fabs(window[k]);
            x[i] = sum * interval / 1000.0;
        } else if (!rule.removeBaseline) {
            for (int32_t k = 0; k < N; ++k) sum += window[k] * window[k];
            x[i] = std::sqrt(sum / divisor);
        } else {
            const int32_t m = i + 1 < static_cast<size_t>(N) ? static_cast<int32_t>(i + 1) : N;
            for (int32_t k = 0; k < N; ++k) sum += window[k];
            const double mean = sum / m;
            double spread = 0.0;
            for (int32_t k = 0; k < m; ++k) spread += (window[k] - mean) * (window[k] - mean);
            x[i] = std::sqrt(spread / divisor);
        }
    }
}

// Each loop reads the control sample before it moves on; one it cannot read ends the search.
int FindResetIndex(const double* control, int32_t readable, int32_t s, int32_t last, int positive, double low,
                   double high, int32_t* p) {
    if (s >= last) return 0;
    int32_t i = s;
    if (positive) {
        for (; i < last; ++i)
            if (i >= readable) return 0;
            else if (control[i] < low) break;
        for (; i < last; ++i)
            if (i >= readable) return 0;
            else if (control[i] >= high) break;
    } else {
        for (; i < last; ++i)
            if (i >= readable) return 0;
            else if (control[i] > high) break;
        for (; i < last; ++i)
            if (i >= readable) return 0;
            else if (control[i] <= low) break;
    }
    *p = i;
    return 1;
}

// Each step reads the previous input value, kept aside before it was overwritten.
void IntegrateSegmentValues(double* x, int32_t a, int32_t b, int meanSubtraction, double h) {
    if (b < a) return;
    double mean = 0.0;
    if (meanSubtraction) {
        for (int32_t j = a; j <= b; ++j) mean += x[j];
        mean /= static_cast<double>(b - a + 1);
    }
    double previousInput = x[a];
    x[a] = 0.0;
    for (int32_t j = a + 1; j <= b; ++j) {
        const double input = x[j];
        x[j] = x[j - 1] + (previousInput + input - 2.0 * mean) * h;
        previousInput = input;
    }
}

void IntegrateWithResetValues(double* x, const double* control, int32_t readable, int32_t first, int32_t last,
                              double low, double high, int meanSubtraction, int positive, double h) {
    if (high < low) std::swap(low, high);
    int32_t s = first, p = 0;
    while (FindResetIndex(control, readable, s, last, positive, low, high, &p)) {
        if (p == last) {
            IntegrateSegmentValues(x, s, p, meanSubtraction, h);
            s = p + 1;
        } else {
            IntegrateSegmentValues(x, s, p - 1, meanSubtraction, h);
            s = p;
        }
    }
}
