// Iterative radix-2 Fourier transform over a plan of tables. The passes whose groups fit the
// cache run block by block (every pass over one block before the next block), so only the last
// few passes stream the whole array through memory.
#include "transforms/spectral/fft.h"
#include "transforms/transform_conventions.h"
#include "base/notify.h"
#include <cmath>
#include <new>
#include "common/math_constants.h"

namespace {
// Complex points of a block whose passes stay in the first-level caches (64 KiB of doubles).
constexpr uint32_t kBlock = 4096;

uint32_t Log2(uint32_t n) {
    uint32_t k = 0;
    while ((1u << k) < n) ++k;
    return k;
}

// The first two passes (half-spans 1 and 2) as one radix-4 pass: their twiddles are 1 and +-i.
template <bool Inverse>
void FirstPasses(double* d, uint32_t n) {
    if (n < 4) {
        if (n == 2) {
            const double ar = d[0], ai = d[1], br = d[2], bi = d[3];
            d[0] = ar + br, d[1] = ai + bi, d[2] = ar - br, d[3] = ai - bi;
        }
        return;
    }
    for (uint32_t k = 0; k < n; k += 4) {
        double* p = d + 2 * k;
        const double ar = p[0] + p[2], ai = p[1] + p[3], br = p[0] - p[2], bi = p[1] - p[3];
        const double cr = p[4] + p[6], ci = p[5] + p[7], er = p[4] - p[6], ei = p[5] - p[7];
        // (er, ei) times w = +i (forward) or -i (inverse)
        const double tr = Inverse ? ei : -ei, ti = Inverse ? -er : er;
        p[0] = ar + cr, p[1] = ai + ci;
        p[4] = ar - cr, p[5] = ai - ci;
        p[2] = br + tr, p[3] = bi + ti;
        p[6] = br - tr, p[7] = bi - ti;
    }
}

// One pass of half-span m over [begin, end) (element indices, a multiple of 2m).
template <bool Inverse>
void Pass(double* d, uint32_t begin, uint32_t end, uint32_t m, const double* w) {
    for (uint32_t k = begin; k < end; k += 2 * m) {
        double* a = d + 2 * k;
        double* b = a + 2 * m;
        for (uint32_t j = 0; j < m; ++j) {
            const double wr = w[2 * j], wi = Inverse ? -w[2 * j + 1] : w[2 * j + 1];
            const double br = b[2 * j], bi = b[2 * j + 1];
            const double tr = wr * br - wi * bi, ti = wr * bi + wi * br;
            const double ar = a[2 * j], ai = a[2 * j + 1];
            a[2 * j] = ar + tr, a[2 * j + 1] = ai + ti;
            b[2 * j] = ar - tr, b[2 * j + 1] = ai - ti;
        }
    }
}

struct StatusProbe {
    const char* key;
    uint32_t shown;
};

// The whole-run forms' probe: progress in the status strip, and Escape.
bool ShowFftProgress(void* context, uint32_t percent) {
    auto* s = static_cast<StatusProbe*>(context);
    if (TransformEscapeHeld()) {
        notify::SetStatusText("Ready");
        return false;
    }
    if (percent != s->shown) {
        s->shown = percent;
        notify::SetStatusTextFmt(s->key, static_cast<int32_t>(percent));
    }
    return true;
}
}  // namespace

namespace {
// exp(+i pi k / n) for k < n (n a power of two), from cosines and sines of the first octant
// alone: the other angles are reflections of those, so the table costs n / 4 evaluations.
void HalfTurnTable(uint32_t n, double* t) {
    const uint32_t quarter = n / 4, half = n / 2;
    for (uint32_t k = 0; k <= quarter || k == 0; ++k) {
        t[2 * k] = std::cos(kPi * k / n);
        t[2 * k + 1] = std::sin(kPi * k / n);
    }
    if (n < 4) {
        for (uint32_t k = 1; k < n; ++k) t[2 * k] = std::cos(kPi * k / n), t[2 * k + 1] = std::sin(kPi * k / n);
        return;
    }
    // pi/4 < angle <= pi/2: cos(pi/2 - f) = sin f, sin(pi/2 - f) = cos f.
    for (uint32_t k = quarter + 1; k <= half; ++k) {
        t[2 * k] = t[2 * (half - k) + 1];
        t[2 * k + 1] = t[2 * (half - k)];
    }
    // pi/2 < angle < pi: cos(pi/2 + f) = -sin f, sin(pi/2 + f) = cos f.
    for (uint32_t k = half + 1; k < n; ++k) {
        t[2 * k] = -t[2 * (k - half) + 1];
        t[2 * k + 1] = t[2 * (k - half)];
    }
}
}  // namespace

int FftPlan::Make(uint32_t n) {
    m_n = 0;
    if (!IsPowerOfTwo(n)) return 0;
    try {
        m_log2 = Log2(n);
        m_swaps.clear();
        for (uint32_t i = 0, j = 0; i < n; ++i) {
            if (i < j) {
                m_swaps.push_back(i);
                m_swaps.push_back(j);
            }
            uint32_t bit = n >> 1;
            for (; bit && (j & bit); bit >>= 1) j ^= bit;
            j |= bit;
        }
        // The split of the real transform reads exp(+i pi k / n); each pass of half-span m reads
        // exp(+i pi j / m), every (n / m)-th entry of the same table.
        m_unpack.assign(2 * static_cast<size_t>(n), 0.0);
        HalfTurnTable(n, m_unpack.data());
        m_twiddles.assign(2 * static_cast<size_t>(n > 1 ? n - 1 : 1), 0.0);
        for (uint32_t m = 1; m < n; m <<= 1) {
            double* w = &m_twiddles[2 * static_cast<size_t>(m - 1)];
            const uint32_t stride = n / m;
            for (uint32_t j = 0; j < m; ++j) {
                w[2 * j] = m_unpack[2 * static_cast<size_t>(j) * stride];
                w[2 * j + 1] = m_unpack[2 * static_cast<size_t>(j) * stride + 1];
            }
        }
    } catch (const std::bad_alloc&) {
        return 0;
    }
    m_n = n;
    return 1;
}

template <bool Inverse>
int FftPlan::Run(double* d, FftProbe probe, void* context) const {
    const uint32_t n = m_n;
    const uint32_t passes = m_log2 + 1;  // the bit reversal counts as one
    uint32_t done = 0;
    auto ask = [&]() { return !probe || probe(context, done * 100 / passes); };
    if (!ask()) return 0;
    for (size_t s = 0; s < m_swaps.size(); s += 2) {
        double* a = d + 2 * static_cast<size_t>(m_swaps[s]);
        double* b = d + 2 * static_cast<size_t>(m_swaps[s + 1]);
        const double r = a[0], i = a[1];
        a[0] = b[0], a[1] = b[1], b[0] = r, b[1] = i;
    }
    ++done;
    if (n < 2) return 1;
    if (!ask()) return 0;
    // Passes within a block: each block is finished before the next is touched.
    const uint32_t block = n < kBlock ? n : kBlock;
    for (uint32_t begin = 0; begin < n; begin += block) {
        FirstPasses<Inverse>(d + 2 * static_cast<size_t>(begin), block);
        for (uint32_t m = 4; m < block; m <<= 1)
            Pass<Inverse>(d, begin, begin + block, m, &m_twiddles[2 * static_cast<size_t>(m - 1)]);
    }
    done += Log2(block);
    for (uint32_t m = block; m < n; m <<= 1) {
        if (!ask()) return 0;
        Pass<Inverse>(d, 0, n, m, &m_twiddles[2 * static_cast<size_t>(m - 1)]);
        ++done;
    }
    return 1;
}

int FftPlan::Complex(double* data, int direction, FftProbe probe, void* context) const {
    if (!m_n) return 0;
    return direction >= 0 ? Run<false>(data, probe, context) : Run<true>(data, probe, context);
}

// The 2n reals taken as n complex values z[j] = x[2j] + i x[2j+1] and transformed; then the
// spectra of the even and odd samples are split out of Z and joined with exp(+i pi k / n):
// E = (Z[k] + conj Z[n-k]) / 2, O = (Z[k] - conj Z[n-k]) / 2i, X[k] = E + w O, X[n-k] = conj(E - w O).
int FftPlan::Real(double* d, FftProbe probe, void* context) const {
    if (!m_n || !Complex(d, 1, probe, context)) return 0;
    const uint32_t n = m_n;
    const double r0 = d[0], i0 = d[1];
    d[0] = r0 + i0;
    d[1] = r0 - i0;
    for (uint32_t k = 1; k <= n / 2; ++k) {
        double* p = d + 2 * static_cast<size_t>(k);
        double* q = d + 2 * static_cast<size_t>(n - k);
        const double er = 0.5 * (p[0] + q[0]), ei = 0.5 * (p[1] - q[1]);
        const double orr = 0.5 * (p[1] + q[1]), oi = -0.5 * (p[0] - q[0]);
        double wr, wi;
        if (k < n / 2) {
            wr = m_unpack[2 * k], wi = m_unpack[2 * k + 1];
        } else {
            wr = 0.0, wi = 1.0;  // k = n/2: the middle term pairs with itself
        }
        const double tr = wr * orr - wi * oi, ti = wr * oi + wi * orr;
        p[0] = er + tr, p[1] = ei + ti;
        if (q != p) q[0] = er - tr, q[1] = -(ei - ti);
    }
    return 1;
}

const FftPlan* SharedFftPlan(uint32_t n) {
    // The plans of the last sizes used: a menu's transforms repeat their sizes, and making the
    // tables of a large one costs as much as the transform itself.
    static FftPlan plans[2];
    static uint32_t next = 0;
    for (const FftPlan& p : plans)
        if (p.Size() == n) return &p;
    FftPlan& slot = plans[next];
    next = (next + 1) % 2;
    return slot.Make(n) ? &slot : nullptr;
}

int ComplexFft(double* data, uint32_t n, int direction) {
    const FftPlan* shared = SharedFftPlan(n);
    if (!shared) return 0;
    const FftPlan& plan = *shared;
    StatusProbe status{direction >= 0 ? "FFT: %3lu%% completed" : "IIFT: %3lu%% completed", 0};
    notify::SetStatusTextFmt(status.key, 0);
    if (!plan.Complex(data, direction, ShowFftProgress, &status)) return 0;
    if (direction < 0) {
        const double scale = 1.0 / n;
        for (size_t i = 0; i < 2 * static_cast<size_t>(n); ++i) data[i] *= scale;
    }
    notify::SetStatusText("Ready");
    return 1;
}

int RealFft(double* data, uint32_t nr, int) {
    const FftPlan* plan = nr < 4 ? nullptr : SharedFftPlan(nr / 2);
    if (!plan) return 0;
    StatusProbe status{"FFT: %3lu%% completed", 0};
    notify::SetStatusTextFmt(status.key, 0);
    if (!plan->Real(data, ShowFftProgress, &status)) return 0;
    notify::SetStatusText("Ready");
    return 1;
}
