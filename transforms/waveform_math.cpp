// Waveform Math: the five operators, the computation on a document and its dialog.
#include "transforms/waveform_math.h"
#include "graph/view/display_modes.h"
#include "transforms/transform_conventions.h"
#include "transforms/transforms_api.h"
#include "base/app.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>

double WaveOperation(int op, double a, double b) {
    switch (op) {
    case kWaveAdd: return a + b;
    case kWaveSubtract: return a - b;
    case kWaveMultiply: return a * b;
    case kWaveDivide: return b == 0.0 ? 0.0 : a / b;
    case kWavePower: return std::pow(a, b);
    default: return 0.0;
    }
}

void CombineWaveValues(int op, const double* a, const double* b, double k, double* out, size_t n) {
    for (size_t i = 0; i < n; ++i) out[i] = WaveOperation(op, a ? a[i] : k, b ? b[i] : k);
}

namespace {

const char* const kOperatorNames[] = {"Addition", "Subtraction", "Multiplication", "Division", "Power"};
const char* const kOperatorSigns[] = {"+", "-", "*", "/", "^"};

// A source's samples as doubles, or null for the constant (or a channel that cannot be had).
const double* SourceValues(tagGS* gs, int source) {
    if (source < 1 || source > kMaxChannels) return nullptr;
    return ConvertChannelToDouble(gs, source - 1) ? static_cast<const double*>(gs->chanBlock[source - 1]) : nullptr;
}

// The samples the sources give: the shorter channel, or the one channel beside k.
int64_t SourceLength(const tagGS* gs, int source1, int source2) {
    const int64_t a = source1 ? gs->chanCount[source1 - 1] : -1;
    const int64_t b = source2 ? gs->chanCount[source2 - 1] : -1;
    if (a < 0) return b;
    if (b < 0) return a;
    return a < b ? a : b;
}

}  // namespace

// The range comes from the sources; the destination grows to take it, and a range that runs
// backwards (a selection that starts past the sources' end) computes nothing.
int ComputeWaveformMath(tagGS* gs, int op, int source1, int source2, int destination, double k, int useSelection) {
    if (!gs || op < kWaveAdd || op > kWavePower || (!source1 && !source2)) return 0;
    if (source1 < 0 || source1 > kMaxChannels || source2 < 0 || source2 > kMaxChannels) return 0;
    if (destination < 0 || destination >= kMaxChannels) return 0;
    const int64_t n = SourceLength(gs, source1, source2);
    if (n < 1) return 0;
    TransformRange range;
    range.slot = destination;
    if (useSelection) {
        RangeFromSelectionTimes(gs, static_cast<int32_t>(n), &range);
    } else {
        range.first = 0;
        range.last = static_cast<int32_t>(n - 1);
        range.entire = true;
    }
    if (range.last < 1 || range.last < range.first) return 0;
    const uint32_t oldCount = gs->chanCount[destination];
    const uint32_t newCount = GrownDestinationCount(oldCount, range.first, range.last);
    // A destination that grows is kept whole, so that Undo gives it back its length too.
    const int kind = newCount > oldCount ? kUndoReplace : range.entire ? kUndoWholeInPlace : kUndoInPlace;
    if (oldCount) SaveUndo(gs, destination, kind, (std::string("Undo ") + kOperatorNames[op - 1]).c_str());
    if (!GrowChannelTo(gs, destination, newCount)) {
        ClearUndo();
        return 0;
    }
    // The sources are read after the destination grew: one of them may be the destination.
    const double* a = SourceValues(gs, source1);
    const double* b = SourceValues(gs, source2);
    if ((source1 && !a) || (source2 && !b)) return 0;
    const int slot = source1 ? source1 - 1 : source2 - 1;
    std::snprintf(gs->chanUnits[destination], sizeof gs->chanUnits[destination], "%s", gs->chanUnits[slot]);
    gs->chanFlags[destination] = (gs->chanFlags[destination] & ~kChanSlotMask) | 2;
    auto* out = static_cast<double*>(gs->chanBlock[destination]) + DestinationWriteStart(oldCount, range.first);
    CombineWaveValues(op, a ? a + range.first : nullptr, b ? b + range.first : nullptr, k, out,
                      static_cast<size_t>(range.Count()));
    setDirtyGraphFlag(gs, 1);
    return 1;
}

namespace {

struct stWaveMathDialog {
    tagGS* gs;
};

// "K", then "CH n" for each channel in use (item data: the source number, 0 for K).
void FillSourceList(HWND combo, const tagGS* gs, int selectSlot) {
    LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>("K"));
    SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), 0);
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!ChannelInUse(gs, slot)) continue;
        char text[16];
        std::snprintf(text, sizeof text, "CH %1d", slot);
        at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), slot + 1);
        if (slot == selectSlot) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
}

int Chosen(HWND dlg, int id) {
    HWND combo = GetDlgItem(dlg, id);
    const LRESULT i = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    return i < 0 ? -2 : static_cast<int>(SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(i), 0));
}

// k counts only while one of the sources is K.
void EnableK(HWND dlg) {
    EnableWindow(GetDlgItem(dlg, IDC_WM_K), Chosen(dlg, IDC_WM_SOURCE1) == 0 || Chosen(dlg, IDC_WM_SOURCE2) == 0);
}

int FirstChannel(const tagGS* gs) {
    for (int slot = 0; slot < kMaxChannels; ++slot)
        if (ChannelInUse(gs, slot)) return slot;
    return -1;
}

// The destination list preselects the entry after the selected channel's.
void OnWaveMathInit(HWND dlg, stWaveMathDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    tagGS* gs = d->gs;
    FillSourceList(GetDlgItem(dlg, IDC_WM_SOURCE1), gs, static_cast<int>(gs->selectedChan));
    FillSourceList(GetDlgItem(dlg, IDC_WM_SOURCE2), gs, FirstChannel(gs));
    HWND ops = GetDlgItem(dlg, IDC_WM_OPERATOR);
    for (const char* sign : kOperatorSigns) SendMessageA(ops, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sign));
    SendMessageA(ops, CB_SETCURSEL, 0, 0);
    HWND dest = GetDlgItem(dlg, IDC_WM_DEST);
    FillDestinationList(dest, gs, static_cast<int>(gs->selectedChan));
    const LRESULT at = SendMessageA(dest, CB_GETCURSEL, 0, 0);
    if (at >= 0 && at + 1 < SendMessageA(dest, CB_GETCOUNT, 0, 0))
        SendMessageA(dest, CB_SETCURSEL, static_cast<WPARAM>(at + 1), 0);
    SetDlgItemTextA(dlg, IDC_WM_K, "0");
    CheckDlgButton(dlg, IDC_TRANSFORM_ENTIRE, gs->selStart == gs->selEnd ? BST_CHECKED : BST_UNCHECKED);
    EnableK(dlg);
    HandleTheDialog(dlg, IDD_WAVEFORM_MATH);
}

// OK converts the channel sources and an existing destination, or takes a new slot, then computes.
void OnWaveMathOk(HWND dlg, stWaveMathDialog* d) {
    tagGS* gs = d->gs;
    const int source1 = Chosen(dlg, IDC_WM_SOURCE1), source2 = Chosen(dlg, IDC_WM_SOURCE2);
    const int op = static_cast<int>(SendMessageA(GetDlgItem(dlg, IDC_WM_OPERATOR), CB_GETCURSEL, 0, 0)) + 1;
    const int choice = Chosen(dlg, IDC_WM_DEST);
    if (source1 < 0 || source2 < 0 || choice < -1) return;
    for (int source : {source1, source2})
        if (source > 0 && !ConvertChannelToDouble(gs, source - 1)) return;
    if (choice >= 0 && !ConvertChannelToDouble(gs, choice)) return;
    TransformDestination dest;
    if (!OpenDestination(gs, choice, &dest)) return;
    const double k = gdlg::ReadNumber(dlg, IDC_WM_K, 63);
    const int useSelection = IsDlgButtonChecked(dlg, IDC_TRANSFORM_ENTIRE) == BST_CHECKED ? 0 : 1;
    SetWaitCursor(1);
    if (!ComputeWaveformMath(gs, op, source1, source2, dest.slot, k, useSelection))
        AbandonDestination(gs, &dest);
    else if (gs->autoscaleMode)
        AutoScaleGraph(gs, gs->autoscaleMode == 1);
    SetWaitCursor(0);
    EndDialog(dlg, 1);
}

void OnWaveMathCommand(HWND dlg, stWaveMathDialog* d, int id, int code) {
    if (id == IDOK) {
        OnWaveMathOk(dlg, d);
    } else if (id == IDCANCEL) {
        EndDialog(dlg, 0);
    } else if ((id == IDC_WM_SOURCE1 || id == IDC_WM_SOURCE2) && code == CBN_SELCHANGE) {
        EnableK(dlg);
    }
}

constexpr DLGPROC WaveMathProc = gdlg::RecordDialogProc<stWaveMathDialog, OnWaveMathInit, OnWaveMathCommand>;

}  // namespace

int ShowWaveformMathDialog(HWND frame, tagGS* gs) {
    stWaveMathDialog d{gs};
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_WAVEFORM_MATH), frame, WaveMathProc,
                                           reinterpret_cast<LPARAM>(&d));
    return result == 1 ? 1 : 0;
}
