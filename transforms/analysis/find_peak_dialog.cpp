// The Find Peak dialog: the search's mode, levels, interval and cursor placement over a working
// copy that reaches the settings only on OK and Don't Find; with off-line averaging on, OK starts
// the averaging instead of one search.
#include "transforms/analysis/find_peak.h"
#include "transforms/analysis/offline_averaging.h"
#include "transforms/analysis/peak_search.h"
#include "transforms/transforms_api.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measurements.h"
#include "documents/measurements/measure_calc.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/view/axis_units.h"
#include <cmath>
#include <cstdio>

namespace {

struct PeakDialog {
    tagGS* gs;
    stFindPeakSettings work;
    char unit[kUnitNameLen];
};

constexpr const char* kPlacementKeys[4] = {"Previous Peak", "Peak", "Previous Threshold", "Threshold"};
constexpr int kPeakModeControls[4] = {IDC_FP_FIXED, IDC_FP_TRACKING, IDC_FP_LEVEL, IDC_FP_PERCENT};
constexpr int kIntervalControls[3] = {IDC_FP_FROM_CURSOR, IDC_FP_FROM_START_TIME, IDC_FP_INTERVAL};
constexpr int kFirstOffsetControls[3] = {IDC_FP_OFFSET1_LABEL, IDC_FP_OFFSET1, IDC_FP_OFFSET1_UNITS};

void Enable(HWND dlg, int id, bool on) { EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE); }

// The dialog's time unit: seconds on a clock axis, otherwise the unit the axis shows.
void ChooseDialogUnit(PeakDialog* d) {
    tagGS* gs = d->gs;
    double size = 1.0;
    if (gs->hUnitKind == kHUnitClock) {
        std::snprintf(d->unit, sizeof d->unit, "secs");
        size = 1000.0;
    } else if (!ChooseTimeUnits(gs, gs->hPerDiv, d->unit, gs->hUnitKind, &size, 0) || !(size > 0.0)) {
        d->unit[0] = '\0';
        size = 1.0;
    }
    d->work.unitFactor = size;
}

double& ModeLevel(stFindPeakSettings& s) { return s.mode == kPeakNegative ? s.negativeLevel : s.positiveLevel; }

// The placements the mode allows: with averaging the interval search needs "Peak" and the peak
// searches the second of each pair; without it the interval search knows only the first two.
int16_t AllowedPlacement(const stFindPeakSettings& s, int16_t placement) {
    if (s.offlineAveraging) {
        if (s.mode == kPeakInterval) return kPlacePeak;
        if (placement == kPlacePreviousPeak) return kPlacePeak;
        if (placement == kPlacePreviousThreshold) return kPlaceThreshold;
        return placement;
    }
    if (s.mode == kPeakInterval && placement > kPlacePeak) return placement == kPlaceThreshold ? kPlacePeak : kPlacePreviousPeak;
    return placement;
}

// The placement list follows the constraint (with a beep when it had to change it); the first
// offset is asked for only where the first cursor moves by it.
void ShowPlacement(HWND dlg, PeakDialog* d) {
    stFindPeakSettings& s = d->work;
    const int16_t allowed = AllowedPlacement(s, s.placement);
    if (allowed != s.placement) {
        MessageBeep(MB_OK);
        s.placement = allowed;
    }
    SendDlgItemMessageA(dlg, IDC_FP_PLACEMENT, CB_SETCURSEL, s.placement, 0);
    const bool moves = s.placement == kPlacePeak || s.placement == kPlaceThreshold;
    for (int id : kFirstOffsetControls) ShowWindow(GetDlgItem(dlg, id), moves ? SW_SHOW : SW_HIDE);
    char label[96];
    std::snprintf(label, sizeof label, "%s %s +", Keyed("Set first cursor to"),
                  Keyed(s.placement == kPlaceThreshold ? "Threshold" : "Peak"));
    SetDlgItemTextA(dlg, IDC_FP_OFFSET1_LABEL, label);
}

void EnableForMode(HWND dlg, const PeakDialog* d) {
    const stFindPeakSettings& s = d->work;
    const bool interval = s.mode == kPeakInterval;
    for (int id : kPeakModeControls) Enable(dlg, id, !interval);
    for (int id : kIntervalControls) Enable(dlg, id, interval);
    Enable(dlg, IDC_FP_START_TIME, interval && IsDlgButtonChecked(dlg, IDC_FP_FROM_START_TIME) == BST_CHECKED);
    Enable(dlg, IDC_FP_SETUP_AVERAGING, s.offlineAveraging != 0);
    Enable(dlg, IDC_FP_CONTROL_CHANNEL, !interval && s.offlineAveraging);
    SetDlgItemTextA(dlg, IDOK, Keyed(s.offlineAveraging ? "TFP Ave Start Key" : "TFP OK Key"));
}

void ShowLevel(HWND dlg, PeakDialog* d) { gdlg::SetEditValue(dlg, IDC_FP_LEVEL, ModeLevel(d->work), 9); }

// The selection's extremes of a channel; false for an empty selection or a failed measure.
bool SelectionExtremes(tagGS* gs, int slot, double* minimum, double* maximum) {
    if (gs->selStart == gs->selEnd) return false;
    SetWaitCursor(1);
    const bool ok = MeasureSelection(gs, slot, Measure::Min, minimum) && MeasureSelection(gs, slot, Measure::Max, maximum);
    SetWaitCursor(0);
    return ok;
}

void OnPeakInit(HWND dlg, PeakDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    tagGS* gs = d->gs;
    stFindPeakSettings& s = d->work;
    ChooseDialogUnit(d);
    if (s.controlChannel < 0 || s.controlChannel >= kMaxChannels) s.controlChannel = static_cast<int16_t>(gs->selectedChan);
    double minimum = 0.0, maximum = 0.0;
    if (SelectionExtremes(gs, static_cast<int>(gs->selectedChan), &minimum, &maximum)) {
        s.positiveLevel = minimum + 0.75 * (maximum - minimum);
        s.negativeLevel = minimum + 0.25 * (maximum - minimum);
    }
    CheckRadioButton(dlg, IDC_FP_POSITIVE, IDC_FP_INTERVAL_MODE, IDC_FP_POSITIVE + (s.mode >= 0 && s.mode <= 2 ? s.mode : 0));
    ShowLevel(dlg, d);
    SetDlgItemTextA(dlg, IDC_FP_LEVEL_UNITS, gs->chanUnits[gs->selectedChan]);
    CheckRadioButton(dlg, IDC_FP_FIXED, IDC_FP_TRACKING, s.tracking ? IDC_FP_TRACKING : IDC_FP_FIXED);
    gdlg::SetEditValue(dlg, IDC_FP_PERCENT, s.percent, 2);
    CheckRadioButton(dlg, IDC_FP_FROM_CURSOR, IDC_FP_FROM_START_TIME,
                     s.startFromStartTime ? IDC_FP_FROM_START_TIME : IDC_FP_FROM_CURSOR);
    gdlg::SetEditValue(dlg, IDC_FP_START_TIME, s.startTime, 4);
    gdlg::SetEditValue(dlg, IDC_FP_INTERVAL, s.interval, 4);
    char text[64];
    measure::FormatValue(text, sizeof text, gs->sampleInterval / s.unitFactor, 9);
    SetDlgItemTextA(dlg, IDC_FP_MIN_INTERVAL, text);
    for (int id : {IDC_FP_START_UNITS, IDC_FP_INTERVAL_UNITS, IDC_FP_MIN_INTERVAL_UNITS, IDC_FP_OFFSET1_UNITS,
                   IDC_FP_OFFSET2_UNITS})
        SetDlgItemTextA(dlg, id, d->unit);
    for (const char* key : kPlacementKeys)
        SendDlgItemMessageA(dlg, IDC_FP_PLACEMENT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed(key)));
    if (s.placement < kPlacePreviousPeak || s.placement > kPlaceThreshold) s.placement = kPlacePreviousPeak;
    gdlg::SetEditValue(dlg, IDC_FP_OFFSET1, s.firstOffset / s.unitFactor, 4);
    gdlg::SetEditValue(dlg, IDC_FP_OFFSET2, s.secondOffset / s.unitFactor, 4);
    CheckDlgButton(dlg, IDC_FP_JOURNAL, s.pasteToJournal ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_FP_AVERAGING, s.offlineAveraging ? BST_CHECKED : BST_UNCHECKED);
    FillControlChannelList(dlg, gs, s.controlChannel);
    ShowPlacement(dlg, d);
    EnableForMode(dlg, d);
    HandleTheDialog(dlg, IDD_FIND_PEAK);
}

// A refused field: the message, the field focused with its text selected, the dialog kept.
bool Refuse(HWND dlg, int id, const char* key) {
    MessageBoxA(dlg, Keyed(key), Keyed("Warning"), MB_OK | MB_ICONEXCLAMATION);
    gdlg::FocusAll(dlg, id);
    return false;
}

// Reads and checks the fields into the working copy; false (the dialog stays) at a bad one.
bool ReadPeakFields(HWND dlg, PeakDialog* d) {
    stFindPeakSettings& s = d->work;
    const double dt = d->gs->sampleInterval;
    ModeLevel(s) = gdlg::ReadNumber(dlg, IDC_FP_LEVEL);
    s.tracking = IsDlgButtonChecked(dlg, IDC_FP_TRACKING) == BST_CHECKED ? 1 : 0;
    s.percent = gdlg::ReadNumber(dlg, IDC_FP_PERCENT);
    s.startFromStartTime = IsDlgButtonChecked(dlg, IDC_FP_FROM_START_TIME) == BST_CHECKED ? 1 : 0;
    s.startTime = gdlg::ReadNumber(dlg, IDC_FP_START_TIME);
    s.interval = gdlg::ReadNumber(dlg, IDC_FP_INTERVAL);
    s.firstOffset = gdlg::ReadNumber(dlg, IDC_FP_OFFSET1) * s.unitFactor;
    s.secondOffset = gdlg::ReadNumber(dlg, IDC_FP_OFFSET2) * s.unitFactor;
    s.pasteToJournal = IsDlgButtonChecked(dlg, IDC_FP_JOURNAL) == BST_CHECKED ? 1 : 0;
    const bool interval = s.mode == kPeakInterval;
    if (interval && s.startFromStartTime && s.startTime < 0.0)
        return Refuse(dlg, IDC_FP_START_TIME, "Start point must be greater than 0");
    if (interval && !(std::trunc(s.interval * s.unitFactor / dt) >= 1.0))
        return Refuse(dlg, IDC_FP_INTERVAL, "Step value must be at least min value");
    if (!interval && s.percent < 0.0) return Refuse(dlg, IDC_FP_PERCENT, "Percent value must be greater than 0");
    if ((s.placement == kPlacePeak || s.placement == kPlaceThreshold) && s.firstOffset < 0.0)
        return Refuse(dlg, IDC_FP_OFFSET1, "Peak offset must be positive");
    if (s.offlineAveraging) {
        if (!(std::trunc((s.firstOffset - s.secondOffset) / dt) >= 1.0))
            return Refuse(dlg, IDC_FP_OFFSET1, "Averaging interval should be at least 1 sample long");
        const int control = s.controlChannel >= 0 && s.controlChannel < kMaxChannels ? s.controlChannel : -1;
        if (control < 0 || d->gs->chanCount[control] < d->gs->chanCount[d->gs->selectedChan])
            return Refuse(dlg, IDC_FP_CONTROL_CHANNEL, "Length of control channel less then source channel");
    }
    return true;
}

// The settings from the working copy; a start time moves the selection to it.
void StoreSettings(PeakDialog* d) {
    g_findPeak = d->work;
    if (g_findPeak.mode == kPeakInterval && g_findPeak.startFromStartTime)
        d->gs->selStart = g_findPeak.startTime * g_findPeak.unitFactor;
}

// The mode radios: the level edit keeps each mode's own level.
void ChooseMode(HWND dlg, PeakDialog* d, int32_t mode) {
    ModeLevel(d->work) = gdlg::ReadNumber(dlg, IDC_FP_LEVEL);
    d->work.mode = mode;
    ShowLevel(dlg, d);
    ShowPlacement(dlg, d);
    EnableForMode(dlg, d);
}

// The control channel's choice: its level from the selection, its units beside the edit.
void ChooseControl(HWND dlg, PeakDialog* d, int slot) {
    if (slot < 0) return;
    d->work.controlChannel = static_cast<int16_t>(slot);
    PrefillPeakLevel(dlg, IDC_FP_LEVEL, IDC_FP_LEVEL_UNITS, d->gs, slot);
    ModeLevel(d->work) = gdlg::ReadNumber(dlg, IDC_FP_LEVEL);
}

void OnPeakCommand(HWND dlg, PeakDialog* d, int id, int code) {
    switch (id) {
    case IDC_FP_POSITIVE: ChooseMode(dlg, d, kPeakPositive); break;
    case IDC_FP_NEGATIVE: ChooseMode(dlg, d, kPeakNegative); break;
    case IDC_FP_INTERVAL_MODE: ChooseMode(dlg, d, kPeakInterval); break;
    case IDC_FP_FROM_CURSOR:
    case IDC_FP_FROM_START_TIME: EnableForMode(dlg, d); break;
    case IDC_FP_PLACEMENT:
        if (code == CBN_SELCHANGE) {
            const LRESULT at = SendDlgItemMessageA(dlg, IDC_FP_PLACEMENT, CB_GETCURSEL, 0, 0);
            if (at != CB_ERR) d->work.placement = static_cast<int16_t>(at);
            ShowPlacement(dlg, d);
        }
        break;
    case IDC_FP_AVERAGING:
        d->work.offlineAveraging = IsDlgButtonChecked(dlg, IDC_FP_AVERAGING) == BST_CHECKED ? 1 : 0;
        ChooseControl(dlg, d, static_cast<int>(d->gs->selectedChan));
        FillControlChannelList(dlg, d->gs, d->work.controlChannel);
        ShowPlacement(dlg, d);
        EnableForMode(dlg, d);
        break;
    case IDC_FP_CONTROL_CHANNEL:
        if (code == CBN_SELCHANGE) {
            const LRESULT at = SendDlgItemMessageA(dlg, IDC_FP_CONTROL_CHANNEL, CB_GETCURSEL, 0, 0);
            if (at != CB_ERR) ChooseControl(dlg, d, ChannelSlotFromListIndex(d->gs, static_cast<int>(at)));
        }
        break;
    case IDC_FP_SETUP_AVERAGING:
        OpenAveragingOptions(dlg, d->gs, d->work.controlChannel);
        break;
    case IDOK:
    case IDC_FP_DONT_FIND:
        if (!ReadPeakFields(dlg, d)) break;
        StoreSettings(d);
        EndDialog(dlg, id == IDOK ? 1 : 0);
        break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

// The selection collapsed by the search widens to one screen pixel so that it stays visible.
void WidenToOnePixel(tagGS* gs) {
    const LONG width = gs->plotRect.right - gs->plotRect.left;
    if (width <= 0) return;
    gs->selEnd = gs->selStart + gs->hPerDiv * gs->hDivisions / width;
    MessageBeep(MB_OK);
}

}  // namespace

// The dialog, then one search from the selection (the whole channel when it is empty), or the
// off-line averaging when that is on. 1 when the caller should search on, 0 otherwise.
int DoFindPeakDialog(tagGS* gs) {
    if (!gs) return 0;
    PeakDialog d{gs, g_findPeak, ""};
    const INT_PTR result = DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_FIND_PEAK), gs->hwnd,
                                           gdlg::RecordDialogProc<PeakDialog, OnPeakInit, OnPeakCommand>,
                                           reinterpret_cast<LPARAM>(&d));
    if (result != 1) return 0;
    const int slot = static_cast<int>(gs->selectedChan);
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return 0;
    if (gs->selStart == gs->selEnd) {
        first = 0;
        last = gs->chanCount[slot] ? static_cast<int32_t>(gs->chanCount[slot]) - 1 : 0;
    }
    if (g_findPeak.mode == kPeakInterval && g_findPeak.startFromStartTime)
        gs->selStart = g_findPeak.startTime * g_findPeak.unitFactor;
    if (g_findPeak.offlineAveraging) {
        RunOfflineAveraging(gs);
        return 0;
    }
    if (FindPeakInChannel(gs, first > last ? first : last, -1) && g_findPeak.firstOffset == 0.0 &&
        g_findPeak.secondOffset == 0.0)
        WidenToOnePixel(gs);
    return 1;
}
