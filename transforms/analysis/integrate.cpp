// Integrate: its setup dialog and the two ways of integrating on the document.
#include "transforms/analysis/integrate.h"
#include "graph/view/display_modes.h"
#include "transforms/analysis/integrate_core.h"
#include "transforms/transforms_api.h"
#include "base/app.h"
#include "base/notify.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include <cstdio>
#include <vector>

stIntegrateSettings g_integrate = {nullptr, 0, 3, 1, 0, 0, 0, 0.0, 0.0, 1, 1, 0, 0};

namespace {

// The working copy the dialog edits; OK stores it.
struct stIntegrateDialog {
    stIntegrateSettings s;
};

int ChosenControl(HWND dlg) {
    HWND combo = GetDlgItem(dlg, IDC_INTEG_CONTROL);
    const LRESULT i = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return i < 0 ? -1 : static_cast<int>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
}

void ShowControlUnits(HWND dlg, const tagGS* gs) {
    const int slot = ChosenControl(dlg);
    const char* units = slot >= 0 ? gs->chanUnits[slot] : "";
    SetDlgItemTextA(dlg, IDC_INTEG_LOW_UNITS, units);
    SetDlgItemTextA(dlg, IDC_INTEG_HIGH_UNITS, units);
}

// Each mode enables its own fields; the window options follow Parameters and the RMS choice.
void EnableFields(HWND dlg, const stIntegrateDialog* d) {
    const bool average = IsDlgButtonChecked(dlg, IDC_INTEG_AVERAGE) == BST_CHECKED;
    const bool parameters = average && IsDlgButtonChecked(dlg, IDC_INTEG_PARAMETERS) == BST_CHECKED;
    const bool rms = parameters && IsDlgButtonChecked(dlg, IDC_INTEG_RMS) == BST_CHECKED;
    for (int id : {IDC_INTEG_SAMPLES, IDC_INTEG_PARAMETERS}) EnableWindow(GetDlgItem(dlg, id), average);
    for (int id : {IDC_INTEG_RECTIFY, IDC_INTEG_RMS}) EnableWindow(GetDlgItem(dlg, id), parameters);
    EnableWindow(GetDlgItem(dlg, IDC_INTEG_BASELINE), rms);
    for (int id : {IDC_INTEG_POSITIVE, IDC_INTEG_NEGATIVE, IDC_INTEG_MEAN, IDC_INTEG_LOW, IDC_INTEG_HIGH, IDC_INTEG_CONTROL})
        EnableWindow(GetDlgItem(dlg, id), !average);
    EnableWindow(GetDlgItem(dlg, IDC_INTEG_ENTIRE), !d->s.entireForced);
}

void OnIntegrateInit(HWND dlg, stIntegrateDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    tagGS* gs = d->s.document;
    const int source = static_cast<int>(gs->selectedChan);
    char text[96];
    std::snprintf(text, sizeof text, "Ch%d,  %s", source, gs->chanLabel[source]);
    SetDlgItemTextA(dlg, IDC_INTEG_SOURCE, text);
    HWND combo = GetDlgItem(dlg, IDC_INTEG_CONTROL);
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!ChannelInUse(gs, slot)) continue;
        std::snprintf(text, sizeof text, "CH %1d - %s", slot, gs->chanLabel[slot]);
        const LRESULT i = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(i), slot);
        if (slot == source) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(i), 0);
    }
    ShowControlUnits(dlg, gs);
    std::snprintf(text, sizeof text, "%.5f", d->s.low);
    SetDlgItemTextA(dlg, IDC_INTEG_LOW, text);
    std::snprintf(text, sizeof text, "%.5f", d->s.high);
    SetDlgItemTextA(dlg, IDC_INTEG_HIGH, text);
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(d->s.samples));
    SetDlgItemTextA(dlg, IDC_INTEG_SAMPLES, text);
    CheckRadioButton(dlg, IDC_INTEG_AVERAGE, IDC_INTEG_RESET, d->s.averageMode ? IDC_INTEG_AVERAGE : IDC_INTEG_RESET);
    CheckDlgButton(dlg, IDC_INTEG_PARAMETERS, d->s.parameters ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dlg, IDC_INTEG_RECTIFY, IDC_INTEG_RMS, d->s.rectify ? IDC_INTEG_RECTIFY : IDC_INTEG_RMS);
    CheckDlgButton(dlg, IDC_INTEG_BASELINE, d->s.removeBaseline ? BST_CHECKED : BST_UNCHECKED);
    CheckRadioButton(dlg, IDC_INTEG_POSITIVE, IDC_INTEG_NEGATIVE, d->s.positive ? IDC_INTEG_POSITIVE : IDC_INTEG_NEGATIVE);
    CheckDlgButton(dlg, IDC_INTEG_MEAN, d->s.meanSubtraction ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_INTEG_ENTIRE, d->s.entire || d->s.entireForced ? BST_CHECKED : BST_UNCHECKED);
    EnableFields(dlg, d);
    HandleTheDialog(dlg, IDD_INTEGRATE);
}

// A refused field: a beep, the warning, and the field's text selected for typing again.
void Refuse(HWND dlg, int id, const char* key) {
    MessageBeep(0);
    MessageBoxA(dlg, Keyed(key), Keyed("Warning"), MB_OK);
    gdlg::FocusAll(dlg, id);
}

// OK checks the mode's own fields and keeps the dialog open on a refusal.
void OnIntegrateOk(HWND dlg, stIntegrateDialog* d) {
    tagGS* gs = d->s.document;
    d->s.averageMode = IsDlgButtonChecked(dlg, IDC_INTEG_AVERAGE) == BST_CHECKED;
    if (d->s.averageMode) {
        const int32_t n = gdlg::ReadInteger(dlg, IDC_INTEG_SAMPLES);
        if (n < 1) return Refuse(dlg, IDC_INTEG_SAMPLES, "Number of samples is wrong");
        d->s.samples = n;
        d->s.parameters = IsDlgButtonChecked(dlg, IDC_INTEG_PARAMETERS) == BST_CHECKED;
        d->s.rectify = IsDlgButtonChecked(dlg, IDC_INTEG_RECTIFY) == BST_CHECKED;
        d->s.removeBaseline = IsDlgButtonChecked(dlg, IDC_INTEG_BASELINE) == BST_CHECKED;
    } else {
        const int control = ChosenControl(dlg);
        if (control < 0 || gs->chanCount[control] < gs->chanCount[gs->selectedChan])
            return Refuse(dlg, IDC_INTEG_CONTROL, "Length of control channel less then source channel");
        d->s.controlChannel = control;
        d->s.low = gdlg::ReadNumber(dlg, IDC_INTEG_LOW);
        d->s.high = gdlg::ReadNumber(dlg, IDC_INTEG_HIGH);
        d->s.positive = IsDlgButtonChecked(dlg, IDC_INTEG_POSITIVE) == BST_CHECKED;
        d->s.meanSubtraction = IsDlgButtonChecked(dlg, IDC_INTEG_MEAN) == BST_CHECKED;
    }
    d->s.entire = IsDlgButtonChecked(dlg, IDC_INTEG_ENTIRE) == BST_CHECKED;
    EndDialog(dlg, 1);
}

void OnIntegrateCommand(HWND dlg, stIntegrateDialog* d, int id, int code) {
    switch (id) {
    case IDOK: OnIntegrateOk(dlg, d); break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    case IDC_INTEG_CONTROL:
        if (code == CBN_SELCHANGE) ShowControlUnits(dlg, d->s.document);
        break;
    case IDC_INTEG_AVERAGE:
    case IDC_INTEG_RESET:
    case IDC_INTEG_PARAMETERS:
    case IDC_INTEG_RECTIFY:
    case IDC_INTEG_RMS: EnableFields(dlg, d); break;
    default: break;
    }
}

constexpr DLGPROC IntegrateProc = gdlg::RecordDialogProc<stIntegrateDialog, OnIntegrateInit, OnIntegrateCommand>;

// Half a sample in the horizontal unit, as the trapezoid wants it.
double HalfStep(const tagGS* gs) {
    if (gs->hUnitKind == kHUnitUser) return gs->sampleInterval / 2.0;
    if (gs->hUnitKind == kHUnitFrequency) return gs->sampleInterval * 500.0;
    return gs->sampleInterval / 2000.0;
}

}  // namespace

void IntegrateChannel(tagGS* gs, int32_t first, int32_t last, int32_t samples, int32_t parameters, int32_t rectify,
                      int32_t removeBaseline) {
    auto* block = static_cast<double*>(gs->chanBlock[gs->selectedChan]);
    if (!block || last < first) return;
    const stWindowRule rule{samples < 1 ? 1 : samples, parameters, rectify, removeBaseline};
    std::vector<double> window(static_cast<size_t>(rule.samples));
    notify::SetStatusTextFmt("Integrating: %3lu%% completed", 0);
    IntegrateWindowValues(block + first, static_cast<size_t>(last - first) + 1, rule, gs->sampleInterval,
                          window.data());
    notify::SetStatusText("Ready");
}

// The control channel is read up to last once; where a read fails the integration stops.
void IntegrateWithReset(tagGS* gs, int32_t first, int32_t last, int32_t control, double low, double high,
                        int32_t meanSubtraction, int32_t positive) {
    auto* block = static_cast<double*>(gs->chanBlock[gs->selectedChan]);
    if (!block || last < first || control < 0 || control >= kMaxChannels) return;
    std::vector<double> levels(static_cast<size_t>(last) + 1);
    int32_t readable = 0;
    while (readable <= last && GetChannelSample(gs, readable, control, &levels[readable])) ++readable;
    notify::SetStatusTextFmt("Integrating: %3lu%% completed", 0);
    IntegrateWithResetValues(block, levels.data(), readable, first, last, low, high, meanSubtraction, positive,
                             HalfStep(gs));
    notify::SetStatusText("Ready");
}

// The dialog first, then the range, the conversion and the undo entry before the first change.
int IntegrateTransform(tagGS* gs) {
    const int slot = static_cast<int>(gs->selectedChan);
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return 36;
    stIntegrateDialog d{g_integrate};
    d.s.document = gs;
    d.s.entire = d.s.entireForced = first == last ? 1 : 0;
    notify::SetStatusText("Enter Integrate parameters");
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_INTEGRATE), gs->hwnd,
                                           IntegrateProc, reinterpret_cast<LPARAM>(&d));
    notify::SetStatusText("Ready");
    if (result != 1) return 1;
    g_integrate = d.s;
    if (g_integrate.entire || g_integrate.entireForced) {
        first = 0;
        last = static_cast<int32_t>(gs->chanCount[slot]) - 1;
    }
    if (!ConvertChannelToDouble(gs, slot)) return 30;
    SaveUndo(gs, slot, g_integrate.entire ? kUndoWholeInPlace : kUndoInPlace, "Undo Integrate");
    SetWaitCursor(1);
    if (g_integrate.averageMode)
        IntegrateChannel(gs, first, last, g_integrate.samples, g_integrate.parameters, g_integrate.rectify,
                         g_integrate.removeBaseline);
    else
        IntegrateWithReset(gs, first, last, g_integrate.controlChannel, g_integrate.low, g_integrate.high,
                           g_integrate.meanSubtraction, g_integrate.positive);
    SetWaitCursor(0);
    setDirtyGraphFlag(gs, 1);
    if (gs->autoscaleMode) AutoScaleGraph(gs, gs->autoscaleMode == 1);
    return 0;
}
