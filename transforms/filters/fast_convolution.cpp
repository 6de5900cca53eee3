// Long FIR filters by overlap-save: blocks of the input go through a complex FFT two at a time
// (one as the real part, one as the imaginary part, since the coefficients are real), are
// multiplied by the coefficients' spectrum and come back as two blocks of outputs.
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>
#include "transforms/filters/filter_cores.h"
#include "transforms/filters/window_functions.h"
#include "common/math_constants.h"

namespace {

// An in-place radix-2 complex FFT of a fixed size; twiddles and bit reversal worked out once.
class ComplexFft {
public:
    bool Init(uint32_t size) {
        n_ = size;
        bits_ = 0;
        while ((1u << bits_) < size) ++bits_;
        try {
            cosTable_.resize(size / 2);
            sinTable_.resize(size / 2);
            reverse_.resize(size);
        } catch (const std::bad_alloc&) {
            return false;
        }
        const double step = -2.0 * kPi / size;
        for (uint32_t k = 0; k < size / 2; ++k) {
            cosTable_[k] = std::cos(step * k);
            sinTable_[k] = std::sin(step * k);
        }
        for (uint32_t i = 0; i < size; ++i) {
            uint32_t r = 0;
            for (uint32_t b = 0; b < bits_; ++b) r |= ((i >> b) & 1u) << (bits_ - 1 - b);
            reverse_[i] = r;
        }
        return true;
    }
    // Forward (e^-i) on re/im; the inverse is had by swapping the two arrays.
    void Forward(double* re, double* im) const {
        for (uint32_t i = 0; i < n_; ++i) {
            const uint32_t r = reverse_[i];
            if (r > i) {
                std::swap(re[i], re[r]);
                std::swap(im[i], im[r]);
            }
        }
        for (uint32_t i = 0; i < n_; i += 2) {
            const double tr = re[i + 1], ti = im[i + 1];
            re[i + 1] = re[i] - tr;
            im[i + 1] = im[i] - ti;
            re[i] += tr;
            im[i] += ti;
        }
        for (uint32_t len = 4; len <= n_; len <<= 1) {
            const uint32_t halfLen = len >> 1;
            const uint32_t stride = n_ / len;
            for (uint32_t start = 0; start < n_; start += len) {
                double* ra = re + start;
                double* ia = im + start;
                double* rb = ra + halfLen;
                double* ib = ia + halfLen;
                for (uint32_t k = 0; k < halfLen; ++k) {
                    const double wr = cosTable_[k * stride], wi = sinTable_[k * stride];
                    const double tr = rb[k] * wr - ib[k] * wi;
                    const double ti = rb[k] * wi + ib[k] * wr;
                    rb[k] = ra[k] - tr;
                    ib[k] = ia[k] - ti;
                    ra[k] += tr;
                    ia[k] += ti;
                }
            }
        }
    }

private:
    uint32_t n_ = 0, bits_ = 0;
    std::vector<double> cosTable_, sinTable_;
    std::vector<uint32_t> reverse_;
};

}  // namespace

// Output i reads extended input t = i .. i + m - 1, where extended input t is x[t - m/2] clamped
// to the ends. Every block's inputs are read before its outputs are written; the m - 1 inputs a
// block shares with the next are carried over because their places in x are overwritten.
int ApplyFirFilterFft(double* x, int64_t n, const double* h, int32_t m, const FilterProgress& progress) {
    const uint32_t size = NextPowerOfTwo(static_cast<uint32_t>(m) * 8u < 1024u ? 1024u : static_cast<uint32_t>(m) * 8u);
    if (size == 0) return kFilterNoMemory;
    const int64_t overlap = m - 1;
    const int64_t block = size - overlap;
    const int64_t half = m / 2;
    ComplexFft fft;
    std::vector<double> spectrumRe, spectrumIm, re, im, carry;
    try {
        spectrumRe.assign(size, 0.0);
        spectrumIm.assign(size, 0.0);
        re.resize(size);
        im.resize(size);
        carry.resize(overlap);
    } catch (const std::bad_alloc&) {
        return kFilterNoMemory;
    }
    if (!fft.Init(size)) return kFilterNoMemory;
    // The coefficients' spectrum, with the inverse transform's 1/size folded in.
    for (int32_t k = 0; k < m; ++k) spectrumRe[k] = h[k] / size;
    fft.Forward(spectrumRe.data(), spectrumIm.data());
    auto input = [&](int64_t t) {
        const int64_t i = t - half;
        return x[i < 0 ? 0 : (i >= n ? n - 1 : i)];
    };
    for (int64_t t = 0; t < overlap; ++t) carry[t] = input(t);
    for (int64_t pos = 0; pos < n; pos += 2 * block) {
        // Block a: extended inputs pos .. pos+size-1; block b: from pos + block.
        std::memcpy(re.data(), carry.data(), overlap * sizeof(double));
        for (int64_t t = overlap; t < static_cast<int64_t>(size); ++t) re[t] = input(pos + t);
        for (int64_t t = 0; t < static_cast<int64_t>(size); ++t) im[t] = input(pos + block + t);
        for (int64_t t = 0; t < overlap; ++t) carry[t] = input(pos + 2 * block + t);
        fft.Forward(re.data(), im.data());
        for (uint32_t k = 0; k < size; ++k) {
            const double a = re[k], b = im[k];
            re[k] = a * spectrumRe[k] - b * spectrumIm[k];
            im[k] = a * spectrumIm[k] + b * spectrumRe[k];
        }
        fft.Forward(im.data(), re.data());  // inverse, by swapping parts
        const int64_t endA = pos + block < n ? pos + block : n;
        for (int64_t i = pos; i < endA; ++i) x[i] = re[overlap + (i - pos)];
        const int64_t endB = pos + 2 * block < n ? pos + 2 * block : n;
        for (int64_t i = endA; i < endB; ++i) x[i] = im[overlap + (i - pos - block)];
        if (endB < n && !progress.Continue(endB - 1)) return kFilterStopped;
    }
    return kFilterDone;
}

// The gain in dB of the m coefficients at k/size of the sampling rate for k < size/2, from a
// transform of the coefficients padded with zeros; a gain of exactly 0 is stored as -400 dB.
int FirMagnitudeDb(const double* h, int32_t m, uint32_t size, double* out) {
    if (!h || m <= 0 || size < 2 || size < static_cast<uint32_t>(m) || NextPowerOfTwo(size) != size) return 0;
    ComplexFft fft;
    std::vector<double> re, im;
    try {
        re.assign(size, 0.0);
        im.assign(size, 0.0);
    } catch (const std::bad_alloc&) {
        return 0;
    }
    if (!fft.Init(size)) return 0;
    for (int32_t k = 0; k < m; ++k) re[k] = h[k];
    fft.Forward(re.data(), im.data());
    for (uint32_t k = 0; k < size / 2; ++k) {
        const double magnitude = std::sqrt(re[k] * re[k] + im[k] * im[k]);
        out[k] = magnitude > 1e-20 ? 20.0 * std::log10(magnitude) : -400.0;
    }
    return 1;
}
