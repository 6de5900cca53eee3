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

int FindWindowScriptWord(const char* word) {
    if (!word) return -1;
    for (int w = 0; w < kWindowCount; ++w) {
        if (_stricmp(word, kWindows[w].scriptWord) == 0) return w;
    }
    return -1;
}

// Unknown words fall back to the rectangle, as scripts have always been allowed to write.
int WindowFromScriptWord(const char* word) {
    const int window = FindWindowScriptWord(word);
    return window < 0 ? kWindowRectangle : window;
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

// The cosines of the weights follow one another by a rotation through the step's angle, started
// afresh from the library's cosine and sine every kSpan points so that rounding cannot build up
// (a few units in the last place); cos 2t and cos 3t come from cos t. A long transform's window
// then costs a multiplication or two a point rather than three cosines.
void ApplyWindow(double* values, int32_t n, int window) {
    if (!values || !Weighted(window)) return;
    constexpr int32_t kSpan = 64;
    if (window == kWindowBartlett || n < 2 * kSpan) {
        for (int32_t i = 0; i < n; ++i) values[i] *= WindowWeight(window, i, n);
        return;
    }
    const double* a = kWindows[window].a;
    const double step = 6.283185307 / n;
    const double cd = std::cos(step), sd = std::sin(step);
    for (int32_t start = 0; start < n; start += kSpan) {
        const double angle = 6.283185307 * (static_cast<double>(start) / n);
        double c = std::cos(angle), s = std::sin(angle);
        const int32_t end = n - start < kSpan ? n : start + kSpan;
        for (int32_t i = start; i < end; ++i) {
            const double c2 = 2.0 * c * c - 1.0, c3 = c * (2.0 * c2 - 1.0);
            values[i] *= a[0] - a[1] * c + a[2] * c2 - a[3] * c3;
            const double next = c * cd - s * sd;
            s = s * cd + c * sd;
            c = next;
        }
    }
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
