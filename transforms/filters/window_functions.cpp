// The weighting windows: a triangle and nine cosine sums with a divisor of n (not n - 1).
#include "transforms/filters/window_functions.h"
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string.h>

namespace {

struct WindowInfo {
    const char* listText;
    const char* scriptWord;
    double a[4];  // cosine sum a0 - a1 cos + a2 cos2 - a3 cos3; unused for 0 and 1
};

// "Blackman" deliberately shares the -67 dB coefficients.
const WindowInfo kWindows[kWindowCount] = {
    {"Rectangle", "RECTANGLE", {1, 0, 0, 0}},
    {"Bartlett", "BARTLETT", {1, 0, 0, 0}},
    {"Hanning", "HANNING", {0.5, 0.5, 0, 0}},
    {"Hamming", "HAMMING", {0.54, 0.46, 0, 0}},
    {"Blackman", "BLACKMAN", {0.42323, 0.49755, 0.07922, 0}},
    {"Blackman -61dB", "BLACKMAN61", {0.44959, 0.49364, 0.05677, 0}},
    {"Blackman -67dB", "BLACKMAN67", {0.42323, 0.49755, 0.07922, 0}},
    {"Blackman -74dB", "BLACKMAN74", {0.40217, 0.49703, 0.09392, 0.00183}},
    {"Blackman -92dB", "BLACKMAN92", {0.35875, 0.48829, 0.14128, 0.01168}},
    {"KaiserBessel", "KAISERBESSEL", {0.40243, 0.49804, 0.09831, 0.00122}},
};

bool Weighted(int window) { return window >= 1 && window < kWindowCount; }

}  // namespace

// List positions and script words come from the one table so they cannot drift apart.
const char* WindowListText(int window) {
    return window >= 0 && window < kWindowCount ? kWindows[window].listText : nullptr;
}

const char* WindowScriptWord(int window) {
    return window >= 0 && window < kWindowCount ? kWindows[window].scriptWord : nullptr;
}

// Unknown words fall back to the rectangle, as scripts have always been allowed to write.
int WindowFromScriptWord(const char* word) {
    if (!word) return kWindowRectangle;
    for (int w = 0; w < kWindowCount; ++w) {
        if (_stricmp(word, kWindows[w].scriptWord) == 0) return w;
    }
    return kWindowRectangle;
}

// The triangle's centre is n/2 - 1 (integer division), so it leans one point to the left.
double WindowWeight(int window, int32_t i, int32_t n) {
    if (!Weighted(window) || n <= 0) return 1.0;
    if (window == kWindowBartlett) {
        const double centre = static_cast<double>(n / 2 - 1);
        return 1.0 - 2.0 * std::fabs(static_cast<double>(i) - centre) / n;
    }
    const double* a = kWindows[window].a;
    const double x = static_cast<double>(i) / n;
    return a[0] - a[1] * std::cos(6.283185307 * x) + a[2] * std::cos(12.566370614 * x) -
           a[3] * std::cos(18.849555921 * x);
}

void ApplyWindow(double* values, int32_t n, int window) {
    if (!values || !Weighted(window)) return;
    for (int32_t i = 0; i < n; ++i) values[i] *= WindowWeight(window, i, n);
}

// Tap i and tap n - 1 - i get the very same weight: it is worked out from the nearer end.
double SymmetricWindowWeight(int window, int32_t i, int32_t n) {
    if (!Weighted(window) || n <= 1 || i < 0 || i >= n) return 1.0;
    const int32_t span = n - 1;
    if (i > span - i) i = span - i;
    if (window == kWindowBartlett) return 1.0 - 2.0 * std::fabs(i - span / 2.0) / span;
    const double* a = kWindows[window].a;
    const double x = static_cast<double>(i) / span;
    return a[0] - a[1] * std::cos(6.283185307 * x) + a[2] * std::cos(12.566370614 * x) -
           a[3] * std::cos(18.849555921 * x);
}

void ApplySymmetricWindow(double* values, int32_t n, int window) {
    if (!values || !Weighted(window)) return;
    for (int32_t i = 0; i < n; ++i) values[i] *= SymmetricWindowWeight(window, i, n);
}

uint32_t NextPowerOfTwo(uint32_t n) {
    if (n > 0x80000000u) return 0;
    uint32_t p = 1;
    while (p < n) p <<= 1;
    return p;
}
