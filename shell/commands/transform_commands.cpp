// The Transform menu: filters, math and template functions, and the whole-channel transforms.
#include "shell/commands/dispatch.h"
#include "shell/commands/command_target.h"
#include "shell/commands/menus.h"
#include "shell/startup.h"
#include "base/services.h"
#include "graph/document/channel_edits.h"
#include "graph/render/render_api.h"
#include "documents/documents_api.h"
#include "transforms/transforms_api.h"

namespace {
// What changed: the whole plot in Scope mode, else only the active channel's band.
void RepaintChangedArea(tagGS* gs) {
    if (!gs->hwnd) return;
    if (gs->displayMode == 0) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    else InvalidateRect(gs->hwnd, &gs->chanBandRects[gs->selectedChan], FALSE);
}

// After a filter: scales, measurements, the modified mark, and the channel's area with its axis.
void AfterFilter(tagGS* gs) {
    if (gs->autoscaleMode == 0) UpdateGraphScrollBars(gs);
    else AutoScaleGraph(gs, gs->autoscaleMode == 1);
    UpdateAllMeasurements(gs);
    setDirtyGraphFlag(gs, 1);
    RepaintChangedArea(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->chanScaleRects[gs->selectedChan], FALSE);
}

void ReportFilter(tagGS* gs, int result, const char* name) {
    if (result == 0) AfterFilter(gs);
    else ShowSelectionError(g_app->hwndFrame, static_cast<uint32_t>(result), name);
}

void ReportChange(tagGS* gs, int result, const char* name) {
    if (result == 0) RepaintChangedArea(gs);
    else ShowSelectionError(g_app->hwndFrame, static_cast<uint32_t>(result), name);
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

void OnChannelTransform(HWND frame, UINT id, tagGS* gs) {
    switch (id) {
    case 1056: ReportChange(gs, OnIntegralCommand(gs), "Integral"); break;
    case 1057: ReportChange(gs, OnDerivativeCommand(gs), "Derivative"); break;
    case 1058: ReportChange(gs, IntegrateTransform(gs), "Integrate"); break;
    case 1059: ReportChange(gs, OnSmoothingCommand(gs), "Smoothing"); break;
    case 1060: ReportChange(gs, DifferenceChannel(gs), "Difference"); break;
    case 1061: HistogramTransform(frame, gs); break;
    case 1062: {
        const int result = PromptForSampleRate(gs, 1, 0.0);
        if (result == 0 && gs->hwnd) InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
        else if (result != 0) ShowSelectionError(frame, static_cast<uint32_t>(result), "Resample");
        if (result != 1) setDirtyGraphFlag(gs, 1);
        break;
    }
    case 1063: RunWaveformExpression(gs, 1, 0); break;
    case 1064:
        if (ShowWaveformMathDialog(frame, gs)) {
            RebuildChannelItems(gs);
            UpdateGraphScrollBars(gs);
            if (gs->hwnd) {
                InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
                InvalidateRect(gs->hwnd, &gs->chanBandRects[gs->selectedChan], FALSE);
            }
        }
        break;
    case 1065: ReportChange(gs, FftChannel(gs, 1, 1), "Fourier"); break;
    case 1066: RunRateDetector(gs, GetAsyncKeyState(VK_SHIFT) < 0 ? 1 : 0, 1); break;
    case 1067: FindPeak(gs); break;
    case 1068: FindPeakInChannel(gs, LastSampleIndex(gs), -1); break;
    case 1069: FindAllPeaks(gs); break;
    case 1070: ReportChange(gs, OnExpSmoothingCommand(gs), "Smoothing"); break;
    case 1071: ReportChange(gs, OnApproximationCommand(gs), "Least squares"); break;
    default: break;
    }
}
}  // namespace

void OnTransformCommand(HWND frame, UINT id, HWND, UINT) {
    HWND graphWnd = ActiveGraphWindow();
    if (!graphWnd) {
        MessageBoxA(frame, MsgText("You have no data to perform the selected operation"), MsgText("Warning"), MB_OK);
        return;
    }
    if (id >= 1026 && id <= 1029) OnFirFilterCommand(id);
    else if (id >= 1031 && id <= 1041) OnMathFunctionCommand(id);
    else if (id >= 1046 && id <= 1051) OnTemplateFunctionCommand(id);
    else if (id >= 1073 && id <= 1077) OnIirFilterCommand(static_cast<int>(id - 1073));
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
    case 1026: result = OnFirLowPass(gs); break;
    case 1027: result = OnFirHighPass(gs); break;
    case 1028: result = OnFirBandPass(gs); break;
    case 1029: result = OnFirBandStop(gs); break;
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
