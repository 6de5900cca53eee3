// The Smoothing, Exponential Smoothing and Least Squares commands of the Transform menu.
#include "transforms/smoothing/smoothing.h"
#include "transforms/transforms_api.h"
#include "transforms/transform_conventions.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/notify.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/dialogs/dialogs_api.h"
#include <cstdio>
#include <new>
#include <vector>

namespace {
constexpr const char* kSmoothingProgress = "Smoothing: %3lu%% completed";

// The answers of the smoothing dialog, in and out.
struct SmoothingAnswers {
    double value;
    uint32_t entire;
    uint32_t selectionEmpty;
    int median;
};

INT_PTR CALLBACK SmoothingDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* a = reinterpret_cast<SmoothingAnswers*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg == WM_INITDIALOG) {
        a = reinterpret_cast<SmoothingAnswers*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        char text[64];
        std::snprintf(text, sizeof text, "%f", a->value);
        SetDlgItemTextA(dlg, IDC_SMOOTHING_VALUE, text);
        CheckRadioButton(dlg, IDC_SMOOTHING_MEAN, IDC_SMOOTHING_MEDIAN, a->median ? IDC_SMOOTHING_MEDIAN : IDC_SMOOTHING_MEAN);
        CheckDlgButton(dlg, IDC_TRANSFORM_ENTIRE, a->entire ? BST_CHECKED : BST_UNCHECKED);
        EnableWindow(GetDlgItem(dlg, IDC_TRANSFORM_ENTIRE), a->selectionEmpty ? FALSE : TRUE);
        CenterWindowOnScreen(dlg);
        HandleTheDialog(dlg, IDD_SMOOTHING);
        gdlg::FocusAll(dlg, IDC_SMOOTHING_VALUE);
        return FALSE;
    }
    if (msg != WM_COMMAND || !a) return FALSE;
    if (LOWORD(wParam) == IDOK) {
        a->value = gdlg::ReadNumber(dlg, IDC_SMOOTHING_VALUE);
        a->entire = IsDlgButtonChecked(dlg, IDC_TRANSFORM_ENTIRE) == BST_CHECKED;
        a->median = IsDlgButtonChecked(dlg, IDC_SMOOTHING_MEDIAN) == BST_CHECKED;
        EndDialog(dlg, 1);
    } else if (LOWORD(wParam) == IDCANCEL) {
        EndDialog(dlg, 0);
    }
    return TRUE;
}

// The range of the commands: the selection, or the whole channel when asked or when it is a point.
void WidenRange(tagGS* gs, bool entire, TransformRange* range) {
    if (entire || range->selectionEmpty) UseWholeChannel(gs, range);
    range->entire = entire;
}

// The end of every command that changed samples.
int Changed(tagGS* gs) {
    FinishTransform(gs);
    return kTransformDone;
}
}  // namespace

int RunSmoothingDialog(HWND owner, double* value, uint32_t* entire, uint32_t selectionEmpty, int* median) {
    SmoothingAnswers a{*value, *entire, selectionEmpty, *median};
    notify::SetStatusText("Enter a number");
    const INT_PTR r = DialogBoxParamA(g_app ? g_app->hInstance : GetModuleHandleA(nullptr),
                                      MAKEINTRESOURCEA(IDD_SMOOTHING), owner, SmoothingDialogProc,
                                      reinterpret_cast<LPARAM>(&a));
    notify::SetStatusText("Ready");
    if (r != 1) return 0;
    *value = a.value;
    *entire = a.entire;
    *median = a.median;
    return 1;
}

// The buffers are made before anything changes: without them the data stay as they were.
int SmoothChannel(tagGS* gs, int32_t first, int32_t last, int n, int median) {
    const int slot = static_cast<int>(gs->selectedChan);
    double* x = ChannelAsDoubles(gs, slot);
    if (!x || n < 1 || first < 0 || last < first || static_cast<uint32_t>(last) >= gs->chanCount[slot]) return 0;
    std::vector<double> ring, work;
    try {
        ring.resize(static_cast<size_t>(n));
        work.resize(static_cast<size_t>(n));
    } catch (const std::bad_alloc&) {
        ShowSelectionError(Owner(), kTransformNoMemory, "Smoothing");
        return 0;
    }
    TransformProgress progress(kSmoothingProgress, 0, static_cast<int64_t>(last) - first);
    SmoothValues(x + first, static_cast<int64_t>(last) - first + 1, n, median, ring.data(), work.data(), &progress);
    return 1;
}

int ExpSmoothChannel(tagGS* gs, int32_t first, int32_t last, double a) {
    const int slot = static_cast<int>(gs->selectedChan);
    double* x = ChannelAsDoubles(gs, slot);
    if (!x || first < 0 || last < first || static_cast<uint32_t>(last) >= gs->chanCount[slot]) return 0;
    TransformProgress progress(kSmoothingProgress, 0, static_cast<int64_t>(last) - first);
    ExpSmoothValues(x + first, static_cast<int64_t>(last) - first + 1, a, &progress);
    return 1;
}

int ApproximateChannel(tagGS* gs, int32_t first, int32_t last) {
    const int slot = static_cast<int>(gs->selectedChan);
    double* x = ChannelAsDoubles(gs, slot);
    if (!x || first < 0 || last < first || static_cast<uint32_t>(last) >= gs->chanCount[slot]) return 0;
    const int64_t n = static_cast<int64_t>(last) - first + 1;
    double slope = 0.0, atFirst = 0.0;
    LeastSquaresLine(x + first, n, &slope, &atFirst);
    for (int64_t i = 0; i < n; ++i) x[first + i] = atFirst + slope * static_cast<double>(i);
    return 1;
}

int OnSmoothingCommand(tagGS* gs) {
    TransformRange range;
    if (SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    double value = 3.0;
    uint32_t entire = range.selectionEmpty ? 1 : 0;
    int median = 0;
    if (!RunSmoothingDialog(Owner(gs), &value, &entire, range.selectionEmpty ? 1 : 0, &median))
        return kTransformCancelled;
    if (!(value >= 3.0) || value > 2147483647.0) return BadParameterCode(kReasonSmoothingInterval);
    WidenRange(gs, entire != 0, &range);
    if (!ChannelAsDoubles(gs, range.slot)) return kTransformNoMemory;
    if (range.Count() < 1) return kTransformBadSelection;
    SaveTransformUndo(gs, range, "Smoothing");
    SmoothChannel(gs, range.first, range.last, static_cast<int>(value), median);
    return Changed(gs);
}

// The damping factor is asked for until it lies strictly between 0 and 1.
int OnExpSmoothingCommand(tagGS* gs) {
    TransformRange range;
    if (SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    double a = 0.3;
    uint32_t entire = range.selectionEmpty ? 1 : 0;
    do {
        if (PromptForNumber(Owner(gs), &a, "", "Dumping factor(>0 and <1)", "&Transform entire wave", &entire, 0,
                            nullptr) != 1)
            return kTransformCancelled;
    } while (!(a > 0.0 && a < 1.0));
    WidenRange(gs, entire != 0, &range);
    if (!ChannelAsDoubles(gs, range.slot)) return kTransformNoMemory;
    if (range.Count() < 1) return kTransformBadSelection;
    SaveTransformUndo(gs, range, "Exponential Smoothing");
    ExpSmoothChannel(gs, range.first, range.last, a);
    return Changed(gs);
}

int OnApproximationCommand(tagGS* gs) {
    TransformRange range;
    if (SelectedRange(gs, &range) != kTransformDone) return kTransformBadSelection;
    const int answer = MessageBoxA(Owner(gs), Keyed("Transform entire wave ?"), "",
                                   MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return kTransformCancelled;
    WidenRange(gs, answer == IDYES, &range);
    if (!ChannelAsDoubles(gs, range.slot)) return kTransformNoMemory;
    if (range.Count() < 1) return kTransformBadSelection;
    SaveTransformUndo(gs, range, "Approximation");
    ApproximateChannel(gs, range.first, range.last);
    return Changed(gs);
}
