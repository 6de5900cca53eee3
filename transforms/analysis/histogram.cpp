// The Histogram transform and its options dialog.
#include "transforms/analysis/histogram.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "transforms/analysis/histogram_core.h"
#include "transforms/transforms_api.h"
#include "base/app.h"
#include "transforms/transform_conventions.h"
#include "base/notify.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include <cstdio>
#include <vector>

stHistogramSettings g_histogram = {10, 1, -10.0, 10.0};

namespace {

struct stHistogramDialog {
    tagGS* gs;
    int useSelection;
};

void SetNumber(HWND dlg, int id, double value) {
    char text[64];
    measure::FormatValue(text, sizeof text, value, 9);
    SetDlgItemTextA(dlg, id, text);
}

// Autorange leaves the two limits to the data: their fields and labels are not for typing.
void EnableLimits(HWND dlg) {
    const BOOL typed = IsDlgButtonChecked(dlg, IDC_HIST_AUTORANGE) == BST_CHECKED ? FALSE : TRUE;
    for (int id : {IDC_HIST_LOWEST, IDC_HIST_HIGHEST, IDC_HIST_LOWEST_LABEL, IDC_HIST_HIGHEST_LABEL})
        EnableWindow(GetDlgItem(dlg, id), typed);
}

void OnHistogramInit(HWND dlg, stHistogramDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    char text[32];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(g_histogram.bins));
    SetDlgItemTextA(dlg, IDC_HIST_BINS, text);
    SetNumber(dlg, IDC_HIST_LOWEST, g_histogram.lowest);
    SetNumber(dlg, IDC_HIST_HIGHEST, g_histogram.highest);
    const char* units = d->gs->chanUnits[d->gs->selectedChan];
    SetDlgItemTextA(dlg, IDC_HIST_LOWEST_UNITS, units);
    SetDlgItemTextA(dlg, IDC_HIST_HIGHEST_UNITS, units);
    CheckDlgButton(dlg, IDC_HIST_AUTORANGE, g_histogram.autorange ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_HIST_ENTIRE, d->useSelection ? BST_UNCHECKED : BST_CHECKED);
    EnableLimits(dlg);
    HandleTheDialog(dlg, IDD_HISTOGRAM);
    gdlg::FocusAll(dlg, IDC_HIST_BINS);
}

// OK refuses a count of bins below 1 by putting the focus back into it, without a message.
void OnHistogramCommand(HWND dlg, stHistogramDialog* d, int id, int) {
    if (id == IDC_HIST_AUTORANGE) {
        EnableLimits(dlg);
    } else if (id == IDOK) {
        const int32_t bins = gdlg::ReadInteger(dlg, IDC_HIST_BINS);
        if (bins < 1) {
            gdlg::FocusAll(dlg, IDC_HIST_BINS);
            return;
        }
        g_histogram.bins = bins;
        g_histogram.autorange = IsDlgButtonChecked(dlg, IDC_HIST_AUTORANGE) == BST_CHECKED;
        if (!g_histogram.autorange) {
            g_histogram.lowest = gdlg::ReadNumber(dlg, IDC_HIST_LOWEST);
            g_histogram.highest = gdlg::ReadNumber(dlg, IDC_HIST_HIGHEST);
        }
        d->useSelection = IsDlgButtonChecked(dlg, IDC_HIST_ENTIRE) == BST_CHECKED ? 0 : 1;
        EndDialog(dlg, 1);
    } else if (id == IDCANCEL) {
        EndDialog(dlg, 0);
    }
}

constexpr DLGPROC HistogramProc = gdlg::RecordDialogProc<stHistogramDialog, OnHistogramInit, OnHistogramCommand>;

// The source's samples first .. last; fewer when a read fails (Escape, the file).
std::vector<double> ReadRange(tagGS* gs, int slot, int32_t first, int32_t last) {
    std::vector<double> values;
    values.reserve(static_cast<size_t>(last - first) + 1);
    double v = 0.0;
    for (int32_t i = first; i <= last && GetChannelSample(gs, i, slot, &v); ++i) values.push_back(v);
    return values;
}

// A new graph window holding one channel "Count" of bins samples in "hits"; null when it cannot
// be had (a window made on the way is closed again).
tagGS* NewCountGraph(const tagGS* source, int32_t bins, int* slot) {
    HWND hwnd = NewResultGraph();
    tagGS* gs = hwnd ? GetWindowGraph(hwnd) : nullptr;
    if (!gs) return nullptr;
    std::snprintf(gs->title, sizeof gs->title, "%s", Keyed("Histogram"));
    SetWindowTextA(hwnd, gs->title);
    gs->hUnitKind = kHUnitUser;
    gs->selectedChan = 0;
    if (GetMeasurementCount(gs->measureGrid) > 2) {
        const int types[] = {1, 2, 15, 0, 0};
        for (int i = 0; i < 5; ++i) SetMeasurementType(GetMeasurementAt(gs->measureGrid, i), types[i]);
    }
    auto* counts = static_cast<double*>(GlobalLock(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bins * sizeof(double))));
    if (!NewChannelSlot(gs, slot) || !counts) {
        if (counts) {
            HGLOBAL h = GlobalHandle(counts);
            GlobalUnlock(h);
            GlobalFree(h);
        }
        setDirtyGraphFlag(gs, 0);
        CloseGraph(gs, hwnd);
        return nullptr;
    }
    const int s = *slot;
    gs->chanViewWord[s] = 1;
    std::snprintf(gs->chanLabel[s], sizeof gs->chanLabel[s], "Count");
    std::snprintf(gs->chanDescription[s], sizeof gs->chanDescription[s], "Count");
    std::snprintf(gs->chanUnits[s], sizeof gs->chanUnits[s], "hits");
    std::snprintf(gs->hUnitName, sizeof gs->hUnitName, "%s", source->chanUnits[source->selectedChan]);
    std::snprintf(gs->hUnitAbbrev, sizeof gs->hUnitAbbrev, "%s", source->chanUnits[source->selectedChan]);
    gs->chanType[s] = 1;
    gs->chanBytes[s] = sizeof(double);
    gs->chanBlock[s] = counts;
    gs->chanCount[s] = static_cast<uint32_t>(bins);
    gs->selectedChan = static_cast<uint32_t>(s);
    return gs;
}

}  // namespace

int ShowHistogramDialog(HWND parent, tagGS* gs, int* useSelection, int) {
    stHistogramDialog d{gs, *useSelection};
    notify::SetStatusText("Enter histogram parameters");
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_HISTOGRAM), parent, HistogramProc,
                                           reinterpret_cast<LPARAM>(&d));
    notify::SetStatusText("Ready");
    if (result == 1) *useSelection = d.useSelection;
    return result == 1 ? 1 : 0;
}

// The counts go into a graph of their own: bin i is drawn at lowest + i x width.
int HistogramTransform(HWND frame, tagGS* gs) {
    const int source = static_cast<int>(gs->selectedChan);
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(source))) return 0;
    int useSelection = first != last ? 1 : 0;
    if (!ShowHistogramDialog(frame, gs, &useSelection, useSelection ? 0 : 1)) return 0;
    if (!useSelection || gs->selStart == gs->selEnd) {
        first = 0;
        last = static_cast<int32_t>(gs->chanCount[source]) - 1;
    }
    SetWaitCursor(1);
    const std::vector<double> values = ReadRange(gs, source, first, last);
    if (g_histogram.autorange) ValueRange(values.data(), values.size(), &g_histogram.lowest, &g_histogram.highest);
    const int32_t bins = g_histogram.bins;
    const double width = HistogramBinWidth(g_histogram.lowest, g_histogram.highest, bins);
    int slot = 0;
    tagGS* out = NewCountGraph(gs, bins, &slot);
    if (!out) {
        SetWaitCursor(0);
        return 0;
    }
    notify::SetStatusTextFmt("Histogram: %3lu%% completed", 0);
    CountHistogram(values.data(), values.size(), g_histogram.lowest, width, bins,
                   static_cast<double*>(out->chanBlock[slot]));
    out->sampleInterval = width;
    out->hOffset = g_histogram.lowest;
    RebuildChannelItems(out);
    UpdateGraphLength(out);
    // Every bin in view, from the lowest across.
    SetSegmentTimeScale(out, static_cast<uint16_t>(slot));
    AutoScaleGraph(out, 1);
    UpdateAllMeasurements(out);
    setDirtyGraphFlag(out, 1);
    notify::UpdateGraphMenus(gs);
    notify::SetStatusText("Ready");
    SetWaitCursor(0);
    ShowResultGraph(out->hwnd);
    return 1;
}
