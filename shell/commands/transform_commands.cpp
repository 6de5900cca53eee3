// The Transform menu: filters, math and template functions, and the whole-channel transforms.
#include "graph/view/display_modes.h"
#include "shell/commands/dispatch.h"
#include "shell/commands/command_target.h"
#include "shell/commands/menus.h"
#include "graph/graph_ids.h"
#include "transforms/analysis/rate_detector.h"
#include "transforms/analysis/template_functions.h"
#include "transforms/math_functions.h"
#include "transforms/transforms_ids.h"
#include "shell/shell_ids.h"
#include "shell/startup.h"
#include "base/services.h"
#include "graph/document/channel_edits.h"
#include "graph/view/channel_selection.h"
#include "graph/render/render_api.h"
#include "documents/documents_api.h"
#include "transforms/transforms_api.h"
#include "devlib/vk40.h"

namespace {
// What changed: the whole plot in Scope mode, else only the active channel's band.
void RepaintChangedArea(tagGS* gs) {
    if (!gs->hwnd) return;
    if (gs->displayMode == kModeScope)
        InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    else
        InvalidateRect(gs->hwnd, &gs->chanBandRects[gs->selectedChan], FALSE);
}

// After a filter: scales, measurements, the modified mark, and the channel's area with its axis.
void AfterFilter(tagGS* gs) {
    if (gs->autoscaleMode == 0)
        UpdateGraphScrollBars(gs);
    else
        AutoScaleGraph(gs, gs->autoscaleMode == 1);
    UpdateAllMeasurements(gs);
    setDirtyGraphFlag(gs, 1);
    RepaintChangedArea(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->chanScaleRects[gs->selectedChan], FALSE);
}

void ReportFilter(tagGS* gs, int result, const char* name) {
    if (result == 0)
        AfterFilter(gs);
    else
        ShowSelectionError(g_app->hwndFrame, static_cast<uint32_t>(result), name);
}

void ReportChange(tagGS* gs, int result, const char* name) {
    if (result == 0)
        RepaintChangedArea(gs);
    else
        ShowSelectionError(g_app->hwndFrame, static_cast<uint32_t>(result), name);
}

int32_t LastSampleIndex(const tagGS* gs) {
    const uint32_t count = gs->chanCount[gs->selectedChan];
    return count ? static_cast<int32_t>(count) - 1 : 0;
}

// Find Peak: the search starts at the later end of the selection, or of the whole channel.
void FindPeak(tagGS* gs) {
    if (!DoFindPeakDialog(gs)) return;
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(gs->selectedChan))) return;
    if (gs->selStart == gs->selEnd) {
        first = 0;
        last = LastSampleIndex(gs);
    }
    if (!FindPeakInChannel(gs, first > last ? first : last, -1)) return;
    if (gs->hwnd) {
        if (HDC dc = GetDC(gs->hwnd)) {
            DrawSelectionXor(dc, gs);
            ReleaseDC(gs->hwnd, dc);
        }
    }
    gs->selEnd = gs->selStart;
}

// Resample: a new rate marks the graph changed and redraws it with its scroll bars; a cancelled
// prompt or the same rate leaves it as it was.
void ResampleDocument(HWND, tagGS* gs) {
    if (PromptForSampleRate(gs, 1, 0.0) != 1) return;
    UpdateGraphScrollBars(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
}

// Waveform Math may add a channel: items, scroll bars, the plot and the channel's band follow.
void WaveformMath(HWND frame, tagGS* gs) {
    if (!ShowWaveformMathDialog(frame, gs)) return;
    RebuildChannelItems(gs);
    UpdateGraphScrollBars(gs);
    if (gs->hwnd) {
        InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
        InvalidateRect(gs->hwnd, &gs->chanBandRects[gs->selectedChan], FALSE);
    }
}

void OnChannelTransform(HWND frame, UINT id, tagGS* gs) {
    switch (id) {
    case IDM_TRANSFORM_INTEGRAL: ReportChange(gs, OnIntegralCommand(gs), "Integral"); break;
    case IDM_TRANSFORM_DERIVATIVE: ReportChange(gs, OnDerivativeCommand(gs), "Derivative"); break;
    case IDM_TRANSFORM_INTEGRATE: ReportChange(gs, IntegrateTransform(gs), "Integrate"); break;
    case IDM_TRANSFORM_SMOOTHING: ReportChange(gs, OnSmoothingCommand(gs), "Smoothing"); break;
    case IDM_TRANSFORM_DIFFERENCE: ReportChange(gs, DifferenceChannel(gs), "Difference"); break;
    case IDM_TRANSFORM_HISTOGRAM: HistogramTransform(frame, gs); break;
    case IDM_TRANSFORM_RESAMPLE: ResampleDocument(frame, gs); break;
    case IDM_TRANSFORM_EXPRESSION: RunWaveformExpression(gs, 1, 0); break;
    case IDM_TRANSFORM_WAVEFORM_MATH: WaveformMath(frame, gs); break;
    case IDM_TRANSFORM_FFT: ReportChange(gs, FftChannel(gs, 1, 1), "Fourier"); break;
    case IDM_TRANSFORM_FIND_RATE: RunRateDetector(gs, GetAsyncKeyState(VK_SHIFT) < 0 ? 1 : 0, 1); break;
    case IDM_TRANSFORM_FIND_PEAK: FindPeak(gs); break;
    case IDM_TRANSFORM_FIND_NEXT_PEAK: FindPeakInChannel(gs, LastSampleIndex(gs), -1); break;
    case IDM_TRANSFORM_FIND_ALL_PEAKS: FindAllPeaks(gs); break;
    case IDM_TRANSFORM_EXP_SMOOTHING: ReportChange(gs, OnExpSmoothingCommand(gs), "Smoothing"); break;
    case IDM_TRANSFORM_LEAST_SQUARES: ReportChange(gs, OnApproximationCommand(gs), "Least squares"); break;
    default: break;
    }
}
}  // namespace

void OnTransformCommand(HWND frame, UINT id, HWND, UINT) {
    HWND graphWnd = ActiveGraphWindow();
    if (!graphWnd) {
        MessageBoxA(frame, Keyed("You have no data to perform the selected operation"), Keyed("Warning"), MB_OK);
        return;
    }
    if (id >= IDM_FIR_LOW_PASS && id <= IDM_FIR_BAND_STOP)
        OnFirFilterCommand(id);
    else if (id >= IDM_MATH_ABS && id <= IDM_MATH_THRESHOLD)
        OnMathFunctionCommand(id);
    else if (id >= IDM_TEMPLATE_SET && id <= IDM_TEMPLATE_INVERSE_MEAN_SQUARE_ERROR)
        OnTemplateFunctionCommand(id);
    else if (id >= IDM_IIR_LOW_PASS && id <= IDM_IIR_BAND_STOP)
        OnIirFilterCommand(static_cast<int>(id - IDM_IIR_LOW_PASS));
    else if (GetStatusHotKeyEx(id) != 0) {
        if (tagGS* gs = GetWindowGraph(graphWnd)) OnChannelTransform(frame, id, gs);
    }
    UpdateTransformMenu(frame, graphWnd);
}

void OnFirFilterCommand(UINT id) {
    tagGS* gs = ActiveGraph();
    if (!gs) return;
    int result = 1;
    switch (id) {
    case IDM_FIR_LOW_PASS: result = OnFirLowPass(gs); break;
    case IDM_FIR_HIGH_PASS: result = OnFirHighPass(gs); break;
    case IDM_FIR_BAND_PASS: result = OnFirBandPass(gs); break;
    case IDM_FIR_BAND_STOP: result = OnFirBandStop(gs); break;
    default: return;
    }
    ReportFilter(gs, result, "Filter");
}

// A math function runs on a selection that is not a point, or when the range cannot be told.
void OnMathFunctionCommand(UINT id) {
    tagGS* gs = ActiveGraph();
    if (!gs) return;
    int32_t first = 0, last = 0;
    const int known = GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(gs->selectedChan));
    if (known && first == last) return;
    ReportChange(gs, ApplyMathFunction(gs, id), "Math Function");
}

// The template functions report their own results.
void OnTemplateFunctionCommand(UINT id) {
    if (tagGS* gs = ActiveGraph()) OnTemplateCommand(gs, id);
}

void OnIirFilterCommand(int index) {
    if (tagGS* gs = ActiveGraph()) ReportFilter(gs, IirFilterChannel(gs, index), "IIR Filter");
}
