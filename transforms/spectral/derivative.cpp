// The Derivative command of the Transform menu: the FIR dialog in its derivative form, then a
// differentiating filter run over the range and scaled to per second.
#include "transforms/spectral/derivative.h"
#include "transforms/spectral/fft.h"
#include "transforms/filters/filter_cores.h"
#include "transforms/filters/filters.h"
#include "transforms/filters/window_functions.h"
#include "transforms/transforms_api.h"
#include "transforms/transform_conventions.h"
#include "graph/document/channel_edits.h"
#include "common/tagGS.h"
#include <new>
#include <vector>

int DesignDerivative(double cutoff, double rate, int32_t m, double* h) {
    if (m < 1 || !(m & 1) || !(rate > 0.0)) return 0;
    const uint32_t k = NextPowerOfTwo(static_cast<uint32_t>(m));
    std::vector<double> spectrum;
    try {
        spectrum.assign(2 * (static_cast<size_t>(k) + 1), 0.0);  // one more element absorbs the j = 0 mirror
    } catch (const std::bad_alloc&) {
        return 0;
    }
    const double step = 6.283185307 / k;
    const double band = k * cutoff / rate;
    const uint32_t last = band <= 0.0 ? 0 : band >= k ? k : static_cast<uint32_t>(band);
    for (uint32_t j = 0; j <= last; ++j) {
        spectrum[2 * j + 1] = -step * j;
        spectrum[2 * static_cast<size_t>(k - j) + 1] = step * j;
    }
    if (!ComplexFft(spectrum.data(), k, -1)) return 0;
    const int32_t half = m / 2;
    h[half] = spectrum[0];
    for (int32_t t = 0; t < half; ++t) {
        h[t] = spectrum[2 * static_cast<size_t>(k - half + t)];
        h[half + 1 + t] = spectrum[2 * static_cast<size_t>(t + 1)];
    }
    // The response is odd, so are the taps: what the transform's rounding left of the mirror
    // image is evened out, and the middle tap is 0. A constant then has no slope at all.
    h[half] = 0.0;
    for (int32_t t = 0; t < half; ++t) {
        const double odd = (h[m - 1 - t] - h[t]) / 2;
        h[t] = -odd;
        h[m - 1 - t] = odd;
    }
    return 1;
}

namespace {
bool DerivativeStep(void* context, int64_t index) { return static_cast<TransformProgress*>(context)->Step(index); }
}  // namespace

int OnDerivativeCommand(tagGS* gs) {
    TransformRange range;
    if (!gs || SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    const bool whole = range.Count() < 3;
    const int selectionEmpty = range.selectionEmpty || whole ? 1 : 0;
    int entire = selectionEmpty;
    const double fs = SampleRate(gs);
    FirSettings w = g_firSettings;
    w.type = 5;
    w.lowCutoff = fs / 8;
    w.highCutoff = fs / 4;
    w.rangeSampleCount = static_cast<int32_t>(selectionEmpty ? gs->chanCount[range.slot] : range.Count());
    const int r = RunFirDialog(gs, &w, &entire, selectionEmpty, 1);
    if (r != kTransformDone) return r;
    g_firSettings = w;
    if (entire || selectionEmpty) UseWholeChannel(gs, &range);
    range.entire = entire != 0;
    if (range.Count() < 1) return kTransformBadSelection;
    // One less where the filters take one more: the differentiator's length is odd.
    const int32_t m = w.coefficientCount & 1 ? w.coefficientCount : w.coefficientCount - 1;
    std::vector<double> h;
    try {
        h.resize(static_cast<size_t>(m < 1 ? 1 : m));
    } catch (const std::bad_alloc&) {
        return kTransformNoMemory;
    }
    if (m < 1 || !DesignDerivative(w.lowCutoff, fs, m, h.data())) return kTransformNoMemory;
    // Laid symmetrically over the taps, the window keeps them odd (the filters' lopsided window
    // would leave a constant a slope).
    ApplySymmetricWindow(h.data(), m, w.window);
    int result = kFilterDone;
    // Left unmodified, the channel is not even converted: only the response is wanted of it.
    if (!(w.flags & kFirDontModify)) {
        double* x = ChannelAsDoubles(gs, range.slot);
        if (!x) return kTransformNoMemory;
        if (!SaveTransformUndo(gs, range, "Derivative")) return kTransformNoMemory;
        {
            TransformProgress progress("Filtering: %3lu%% completed", 0, range.Count() - 1);
            FilterProgress step;
            step.step = DerivativeStep;
            step.context = &progress;
            result = ApplyFirFilter(x + range.first, range.Count(), h.data(), m, step);
        }
        if (result == kFilterDone)
            for (int64_t i = 0; i < range.Count(); ++i) x[range.first + i] *= fs;
        else if (result != kFilterStopped)
            ClearUndo();
        FinishTransform(gs);
    }
    // Given up with Escape: no response follows, as with the filters.
    if (result == kFilterDone && (w.flags & kFirShowResponse)) ShowFilterResponse(gs, h.data(), m, 5);
    return result == kFilterNoMemory ? kTransformNoMemory : kTransformDone;
}
