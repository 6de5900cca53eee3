// The template functions over a document: setting the template, and each operation's checks,
// undo entry and in-place computation with its progress.
#include "transforms/analysis/template_functions.h"
#include <cstdio>
#include <memory>
#include <new>
#include "base/app.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "graph/view/display_modes.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "transforms/transform_conventions.h"
#include "transforms/transforms_api.h"
#include "devlib/vk40.h"

TemplateStore g_template;
int g_templateSet = 0;

namespace {

// One output: the template against the window that starts at x[start], edge samples repeated.
struct Operation {
    const double* t;
    int32_t m;
    int kind;
    bool removeMean;
    double templateMean;

    double At(const double* x, int32_t n, int32_t start) const {
        const bool inside = start >= 0 && start + m <= n;
        auto w = [&](int32_t k) {
            if (inside) return x[start + k];
            const int32_t i = start + k;
            return x[i < 0 ? 0 : i >= n ? n - 1 : i];
        };
        if (kind == kTemplateConvolution) {
            double sum = 0.0;
            for (int32_t k = 0; k < m; ++k) sum += t[m - 1 - k] * w(k);
            return sum;
        }
        double a = 0.0;
        if (removeMean) {
            for (int32_t k = 0; k < m; ++k) a += w(k);
            a /= m;
        }
        double sum = 0.0;
        if (kind == kTemplateCorrelation) {
            if (removeMean)
                for (int32_t k = 0; k < m; ++k) sum += (w(k) - a) * (t[k] - templateMean);
            else
                for (int32_t k = 0; k < m; ++k) sum += t[k] * w(k);
        } else {
            const double shift = removeMean ? a - templateMean : 0.0;
            for (int32_t k = 0; k < m; ++k) {
                const double d = w(k) - t[k] - shift;
                sum += d * d;
            }
        }
        return sum;
    }
    // What is stored for an output: the inverse for kind 3, 0 where the error is exactly 0.
    double Stored(double y) const {
        if (kind != kTemplateInverseMeanSquareError) return y;
        return y == 0.0 ? 0.0 : 1.0 / y;
    }
};

// A range shorter than the template: the outputs come from a copy of the input.
int ComputeShortRange(double* x, int32_t n, const Operation& op, TemplateTicker* ticker) {
    std::unique_ptr<double[]> in(new (std::nothrow) double[static_cast<size_t>(n)]);
    if (!in) return kTransformNoMemory;
    for (int32_t i = 0; i < n; ++i) in[i] = x[i];
    const int32_t h = op.m / 2;
    for (int32_t j = 0; j < n; ++j) {
        x[j] = op.Stored(op.At(in.get(), n, j - h));
        if (ticker && ticker->Stop()) return 0;
    }
    return 0;
}

}  // namespace

int TemplateComputeCore(double* x, int32_t n, const double* t, int32_t m, int kind, bool removeMean,
                        double templateMean, TemplateTicker* ticker) {
    if (n <= 0 || m <= 0) return 0;
    const Operation op{t, m, kind, removeMean, templateMean};
    if (n < m) return ComputeShortRange(x, n, op, ticker);
    const int32_t h = m / 2;
    const int32_t step = n / 100 > 0 ? n / 100 : 1;
    // Results wait in the ring until their input sample is no longer read by a later window.
    std::unique_ptr<double[]> ring(new (std::nothrow) double[static_cast<size_t>(m)]());
    if (!ring) return kTransformNoMemory;
    if (ticker) ticker->Percent(0);
    auto stop = [&] { return ticker && ticker->Stop(); };
    for (int32_t j = 0; j < h; ++j) {
        ring[j] = op.At(x, n, j - h);
        if (stop()) return 0;
    }
    int32_t readAt = 0, writeAt = h, counter = 0;
    auto advance = [&](int32_t i) {
        x[i] = op.Stored(ring[readAt]);
        if (++readAt == m) readAt = 0;
    };
    for (int32_t i = 0; i <= n - h - 1; ++i) {
        const double y = op.At(x, n, i);  // output i + h, over x[i .. i + m - 1]
        advance(i);
        ring[writeAt] = y;
        if (++writeAt == m) writeAt = 0;
        if (i < n - m && counter++ == step) {
            if (ticker) ticker->Percent(static_cast<uint32_t>(i / step));
            counter = 0;
        }
        if (stop()) return 0;
    }
    for (int32_t i = n - h; i < n; ++i) {
        advance(i);
        if (stop()) return 0;
    }
    return 0;
}

namespace {

struct KindText {
    const char* undo;
    const char* progress;
};
constexpr KindText kKindTexts[4] = {
    {"Undo Convolution", "Convolution: %3lu%% completed"},
    {"Undo Correlation", "Correlation: %3lu%% completed"},
    {"Undo Mean square error", "Mean sq err: %3lu%% completed"},
    {"Undo Inverse Mean square error", "Mean sq err: %3lu%% completed"},
};

// The status strip's progress, and Escape through the transforms' probe.
class StatusTicker : public TemplateTicker {
public:
    explicit StatusTicker(const char* key) : m_key(key) {}
    ~StatusTicker() override { notify::SetStatusText("Ready"); }
    void Percent(uint32_t percent) override { notify::SetStatusTextFmt(m_key, static_cast<int32_t>(percent)); }
    // Asking the keyboard costs more than a short template's output, so it is asked at the first
    // output and then every 256th: a held Escape still ends the run within a blink.
    bool Stop() override { return m_outputs++ % 256 == 0 && TransformEscapeHeld(); }

private:
    const char* m_key;
    uint32_t m_outputs = 0;
};

void DropTemplate() {
    void* block = g_template.samples;
    FreeLockedBlock(block);
    g_template.samples = nullptr;
    g_template.count = 0;
    g_template.mean = 0.0;
    g_templateSet = 0;
}

// The refresh after an operation: scales, measurements, the modified mark and the plot.
void AfterTemplateFunction(tagGS* gs) {
    if (gs->autoscaleMode)
        AutoScaleGraph(gs, gs->autoscaleMode == 1);
    else
        UpdateGraphScrollBars(gs);
    UpdateAllMeasurements(gs);
    setDirtyGraphFlag(gs, 1);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
}

void ToggleRemoveMean() {
    g_template.removeMean = !g_template.removeMean;
    if (g_app && g_app->hwndFrame)
        CheckMenuItem(GetMenu(g_app->hwndFrame), IDM_TEMPLATE_REMOVE_MEAN,
                      MF_BYCOMMAND | (g_template.removeMean ? MF_CHECKED : MF_UNCHECKED));
}

}  // namespace

int SetTemplate(tagGS* gs) {
    const int slot = static_cast<int>(gs->selectedChan);
    if (!ConvertChannelToDouble(gs, slot)) return kTransformNoMemory;
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return kTransformBadSelection;
    const int32_t count = static_cast<int32_t>(gs->chanCount[slot]);
    if (last > count - 1) last = count - 1;
    if (last <= first) return kTransformNoRange;
    DropTemplate();
    const int32_t n = last - first + 1;
    auto* block = static_cast<double*>(AllocLockedBlock(static_cast<size_t>(n) * sizeof(double)));
    if (!block) return kTransformNoMemory;
    SetWaitCursor(1);
    double sum = 0.0;
    bool ok = true;
    for (int32_t i = 0; i < n && ok; ++i) {
        ok = GetChannelSample(gs, first + i, slot, &block[i]) != 0;
        sum += block[i];
    }
    SetWaitCursor(0);
    if (!ok) {
        void* p = block;
        FreeLockedBlock(p);
        return kTransformCancelled;
    }
    g_template.samples = block;
    g_template.count = n;
    g_template.mean = sum / n;
    g_templateSet = 1;
    return kTransformDone;
}

int RunTemplateFunction(tagGS* gs, int kind) {
    if (kind < kTemplateConvolution || kind > kTemplateInverseMeanSquareError) return kTransformCancelled;
    const int slot = static_cast<int>(gs->selectedChan);
    if (!ConvertChannelToDouble(gs, slot)) return kTransformNoMemory;
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return kTransformBadSelection;
    const int32_t count = static_cast<int32_t>(gs->chanCount[slot]);
    const bool whole = first == last;
    if (whole) {
        first = 0;
        last = count - 1;
    }
    if (last > count - 1) last = count - 1;
    if (last <= first) return kTransformNoRange;
    if (!g_template.samples || g_template.count < 2) return kTemplateInvalid;
    const KindText& text = kKindTexts[kind];
    // A selection within one sample still works on the whole channel: the entry keeps all of it.
    const int undoKind = whole && gs->selStart != gs->selEnd ? kUndoWholeInPlace : kUndoInPlace;
    if (!SaveUndo(gs, slot, undoKind, text.undo)) return kTransformNoMemory;
    auto* x = static_cast<double*>(gs->chanBlock[slot]);
    SetWaitCursor(1);
    int result = kTransformNoMemory;
    {
        StatusTicker ticker(text.progress);
        result = TemplateComputeCore(x + first, last - first + 1, g_template.samples, g_template.count, kind,
                                     g_template.removeMean != 0, g_template.mean, &ticker);
    }
    SetWaitCursor(0);
    if (result != kTransformDone) ClearUndo();
    return result;
}

int OnTemplateCommand(tagGS* gs, uint32_t id) {
    if (!gs) return kTransformCancelled;
    int result = kTransformDone;
    switch (id) {
    case IDM_TEMPLATE_SET: result = SetTemplate(gs); break;
    case IDM_TEMPLATE_REMOVE_MEAN: ToggleRemoveMean(); return kTransformDone;
    case IDM_TEMPLATE_CONVOLUTION: result = RunTemplateFunction(gs, kTemplateConvolution); break;
    case IDM_TEMPLATE_CORRELATION: result = RunTemplateFunction(gs, kTemplateCorrelation); break;
    case IDM_TEMPLATE_MEAN_SQUARE_ERROR: result = RunTemplateFunction(gs, kTemplateMeanSquareError); break;
    case IDM_TEMPLATE_INVERSE_MEAN_SQUARE_ERROR:
        result = RunTemplateFunction(gs, kTemplateInverseMeanSquareError);
        break;
    default: return kTransformCancelled;
    }
    if (result == kTransformDone && id != IDM_TEMPLATE_SET) AfterTemplateFunction(gs);
    if (result != kTransformDone && g_app) ShowSelectionError(g_app->hwndFrame, static_cast<uint32_t>(result), "Template");
    return result;
}
