// The Rate Detector's dialog: function, polarity, threshold and window, over a working record
// that reaches the settings only on OK and Don't Find.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include "transforms/analysis/rate_detector.h"
#include "base/app.h"
#include "transforms/transforms_ids.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "graph/dialogs/dialog_util.h"
#include "graph/document/sample_store.h"

namespace {

struct RateDialog {
    tagGS* gs;
    int* wholeWave;
    int32_t unit;     // the window edits' unit: 1 Hz, 2 BPM, 3 seconds
    bool autoOn;
};

constexpr const char* kFunctionKeys[10] = {"Rate (Hz)",   "Rate (BPM)",   "Interval (sec)", "Peak Time (sec)",
                                           "Count Peaks", "Peak Minimum", "Peak Maximum",   "Peak To Peak",
                                           "Mean Value",  "Area"};
constexpr int kWindowControls[4] = {IDC_RD_WINDOW_MIN, IDC_RD_WINDOW_MAX, IDC_RD_MIN_UNITS, IDC_RD_MAX_UNITS};

const char* UnitText(int32_t unit) { return unit == 1 ? "Hz" : unit == 3 ? "Seconds" : "BPM"; }

void ShowUnit(HWND dlg, int32_t unit) {
    SetDlgItemTextA(dlg, IDC_RD_MIN_UNITS, UnitText(unit));
    SetDlgItemTextA(dlg, IDC_RD_MAX_UNITS, UnitText(unit));
}

void SetNumber(HWND dlg, int id, double value, int decimals) {
    char text[64];
    std::snprintf(text, sizeof text, "%.*f", decimals, value);
    SetDlgItemTextA(dlg, id, text);
}

// The edit as a number; false when it holds none.
bool EditNumber(HWND dlg, int id, double* value) {
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    char* end = nullptr;
    *value = std::strtod(text, &end);
    return end != text && std::isfinite(*value);
}

// A window edit for the unit conversions: nothing usable, or too small, counts as 0.0001.
double WindowValue(HWND dlg, int id) {
    double v = 0.0;
    if (!EditNumber(dlg, id, &v) || v <= 0.0001) v = 0.0001;
    return v;
}

int32_t ChosenFunction(HWND dlg) {
    const LRESULT at = SendDlgItemMessageA(dlg, IDC_RD_FUNCTION, CB_GETCURSEL, 0, 0);
    if (at == CB_ERR) return rate::kRateHz;
    return rate::ValidFunction(static_cast<int32_t>(SendDlgItemMessageA(dlg, IDC_RD_FUNCTION, CB_GETITEMDATA, at, 0)));
}

void EnableWindowControls(HWND dlg, bool on) {
    for (int id : kWindowControls) EnableWindow(GetDlgItem(dlg, id), on ? TRUE : FALSE);
}

// The threshold part of the dialog for auto or manual detection.
void ShowThresholdMode(HWND dlg, RateDialog* d, int32_t function) {
    const RateDetectorSettings& s = g_rateDetectorSettings;
    EnableWindow(GetDlgItem(dlg, IDC_RD_REMOVE_BASELINE), FALSE);
    if (d->autoOn) {
        SetDlgItemTextA(dlg, IDC_RD_LEVEL_LABEL, Keyed("Noise re&jection Key"));
        SetDlgItemTextA(dlg, IDC_RD_LEVEL_UNITS, Keyed("TFP % of peak Key"));
        SetNumber(dlg, IDC_RD_LEVEL, s.noiseRejectionPercent, 2);
        if (function <= rate::kCountPeaks) {
            EnableWindow(GetDlgItem(dlg, IDC_RD_REMOVE_BASELINE), TRUE);
            CheckDlgButton(dlg, IDC_RD_REMOVE_BASELINE, s.removeBaseline ? BST_CHECKED : BST_UNCHECKED);
        }
    } else {
        SetDlgItemTextA(dlg, IDC_RD_LEVEL_LABEL, Keyed("Threshold level Key"));
        SetDlgItemTextA(dlg, IDC_RD_LEVEL_UNITS, d->gs->chanUnits[d->gs->selectedChan]);
        SetNumber(dlg, IDC_RD_LEVEL, s.thresholdLevel, 4);
    }
    EnableWindowControls(dlg, d->autoOn);
}

void CheckPolarity(HWND dlg, int32_t polarity) {
    CheckRadioButton(dlg, IDC_RD_POSITIVE, IDC_RD_NEGATIVE, polarity < 0 ? IDC_RD_NEGATIVE : IDC_RD_POSITIVE);
}

// The selection's midpoint between its lowest and highest sample; false at a failed read.
bool SelectionMidpoint(tagGS* gs, double* mid) {
    int32_t first = 0, last = 0;
    const int slot = static_cast<int>(gs->selectedChan);
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return false;
    SetWaitCursor(1);
    double lo = 0.0, hi = 0.0, x = 0.0;
    bool ok = true;
    for (int32_t i = first; i <= last && ok; ++i) {
        ok = GetChannelSample(gs, i, slot, &x) != 0;
        if (!ok) break;
        if (i == first || x < lo) lo = x;
        if (i == first || x > hi) hi = x;
    }
    SetWaitCursor(0);
    if (ok) *mid = lo + 0.5 * (hi - lo);
    return ok;
}

void OnRateDetectorInit(HWND dlg, RateDialog* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    RateDetectorSettings& s = g_rateDetectorSettings;
    if (d->gs->selStart != d->gs->selEnd) {
        double mid = 0.0;
        if (!SelectionMidpoint(d->gs, &mid)) {
            EndDialog(dlg, 0);
            return;
        }
        s.thresholdLevel = mid;
    }
    for (int f = 1; f <= 10; ++f) {
        const LRESULT at = SendDlgItemMessageA(dlg, IDC_RD_FUNCTION, CB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(Keyed(kFunctionKeys[f - 1])));
        SendDlgItemMessageA(dlg, IDC_RD_FUNCTION, CB_SETITEMDATA, at, f);
    }
    s.function = rate::ValidFunction(s.function);
    SendDlgItemMessageA(dlg, IDC_RD_FUNCTION, CB_SETCURSEL, s.function - 1, 0);
    s.polarity = rate::EffectivePolarity(s.function, s.polarity);
    CheckPolarity(dlg, s.polarity);
    d->autoOn = s.autoThreshold != 0;
    CheckDlgButton(dlg, IDC_RD_AUTO_THRESHOLD, d->autoOn ? BST_CHECKED : BST_UNCHECKED);
    ShowThresholdMode(dlg, d, s.function);
    CheckDlgButton(dlg, IDC_RD_NEW_GRAPH, s.resultInNewGraph ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_RD_ENTIRE_WAVE, *d->wholeWave ? BST_CHECKED : BST_UNCHECKED);
    SetNumber(dlg, IDC_RD_WINDOW_MIN, s.windowMin, 4);
    SetNumber(dlg, IDC_RD_WINDOW_MAX, s.windowMax, 4);
    d->unit = s.windowUnit >= 1 && s.windowUnit <= 3 ? s.windowUnit : 2;
    ShowUnit(dlg, d->unit);
    SendDlgItemMessageA(dlg, IDC_RD_LEVEL, EM_SETSEL, 0, -1);
    HandleTheDialog(dlg, IDD_RATE_DETECTOR);
}

// The window follows the function's unit: rates convert between Hz and BPM, and a rate range
// turns into an interval range (and back) with its ends swapped.
void OnFunctionChosen(HWND dlg, RateDialog* d) {
    const int32_t f = ChosenFunction(dlg);
    const bool converts = f <= rate::kPeakTime;
    if (converts) {
        const int32_t to = f == rate::kRateHz ? 1 : f == rate::kRateBpm ? 2 : 3;
        const double lo = WindowValue(dlg, IDC_RD_WINDOW_MIN), hi = WindowValue(dlg, IDC_RD_WINDOW_MAX);
        double nlo = lo, nhi = hi;
        if (d->unit != to) {
            const double perMinute = 60.0;
            if (to == 3 || d->unit == 3) {
                // rate <-> interval: x per second (Hz) or per minute (BPM) into seconds, or back
                const double k = (to == 2 || d->unit == 2) ? perMinute : 1.0;
                nlo = k / hi;
                nhi = k / lo;
            } else if (to == 1) {
                nlo = lo / perMinute;
                nhi = hi / perMinute;
            } else {
                nlo = lo * perMinute;
                nhi = hi * perMinute;
            }
            SetNumber(dlg, IDC_RD_WINDOW_MIN, nlo, 4);
            SetNumber(dlg, IDC_RD_WINDOW_MAX, nhi, 4);
        }
        d->unit = to;
        ShowUnit(dlg, to);
    }
    if (f <= rate::kCountPeaks) {
        EnableWindow(GetDlgItem(dlg, IDC_RD_REMOVE_BASELINE), d->autoOn ? TRUE : FALSE);
        return;
    }
    if (f == rate::kPeakMinimum) CheckPolarity(dlg, -1);
    if (f == rate::kPeakMaximum) CheckPolarity(dlg, 1);
    CheckDlgButton(dlg, IDC_RD_REMOVE_BASELINE, BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_RD_REMOVE_BASELINE), FALSE);
}

// A window edit below 0.0001 is refused with a message.
bool ReadWindowEdit(HWND dlg, int id, double* value) {
    if (EditNumber(dlg, id, value) && *value >= 0.0001) return true;
    MessageBeep(MB_ICONEXCLAMATION);
    MessageBoxA(dlg, Keyed("Value must be greater than 0.0001"), Keyed("Warning"),
                MB_OK | MB_ICONEXCLAMATION);
    gdlg::FocusAll(dlg, id);
    return false;
}

// Everything the dialog shows into the settings; false (the dialog stays) for a bad window.
bool CommitRateDialog(HWND dlg, RateDialog* d) {
    double lo = 0.0, hi = 0.0;
    if (!ReadWindowEdit(dlg, IDC_RD_WINDOW_MIN, &lo) || !ReadWindowEdit(dlg, IDC_RD_WINDOW_MAX, &hi)) return false;
    if (lo > hi) {
        MessageBeep(MB_ICONEXCLAMATION);
        gdlg::FocusAll(dlg, IDC_RD_WINDOW_MIN);
        return false;
    }
    RateDetectorSettings& s = g_rateDetectorSettings;
    s.function = ChosenFunction(dlg);
    s.polarity = rate::EffectivePolarity(s.function, IsDlgButtonChecked(dlg, IDC_RD_NEGATIVE) ? -1 : 1);
    s.removeBaseline = IsDlgButtonChecked(dlg, IDC_RD_REMOVE_BASELINE) ? 1 : 0;
    s.autoThreshold = IsDlgButtonChecked(dlg, IDC_RD_AUTO_THRESHOLD) ? 1 : 0;
    char text[64] = "";
    GetDlgItemTextA(dlg, IDC_RD_LEVEL, text, sizeof text);
    (d->autoOn ? s.noiseRejectionPercent : s.thresholdLevel) = std::atof(text);
    s.windowUnit = d->unit;
    s.windowMin = lo;
    s.windowMax = hi;
    s.resultInNewGraph = IsDlgButtonChecked(dlg, IDC_RD_NEW_GRAPH) ? 1 : 0;
    *d->wholeWave = IsDlgButtonChecked(dlg, IDC_RD_ENTIRE_WAVE) ? 1 : 0;
    return true;
}

void OnRateDetectorCommand(HWND dlg, RateDialog* d, int id, int) {
    switch (id) {
    case IDC_RD_AUTO_THRESHOLD:
        d->autoOn = !d->autoOn;
        CheckDlgButton(dlg, IDC_RD_AUTO_THRESHOLD, d->autoOn ? BST_CHECKED : BST_UNCHECKED);
        ShowThresholdMode(dlg, d, ChosenFunction(dlg));
        break;
    case IDC_RD_POSITIVE:
    case IDC_RD_NEGATIVE: {
        const int32_t f = ChosenFunction(dlg);
        if (f == rate::kPeakMaximum) CheckPolarity(dlg, 1);
        if (f == rate::kPeakMinimum) CheckPolarity(dlg, -1);
        break;
    }
    case IDC_RD_FUNCTION: OnFunctionChosen(dlg, d); break;
    case IDOK:
        if (d->gs->selEnd < d->gs->selStart) {
            const double t = d->gs->selStart;
            d->gs->selStart = d->gs->selEnd;
            d->gs->selEnd = t;
        }
        if (CommitRateDialog(dlg, d)) EndDialog(dlg, 1);
        break;
    case IDC_RD_DONT_FIND:
        if (CommitRateDialog(dlg, d)) EndDialog(dlg, 0);
        break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

}  // namespace

int ShowRateDetectorDialog(HWND owner, tagGS* gs, int* wholeWave) {
    if (!gs || !wholeWave) return 0;
    RateDialog d{gs, wholeWave, 2, true};
    const INT_PTR result =
        DialogBoxParamA(g_app ? g_app->hInstance : GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_RATE_DETECTOR),
                        owner, gdlg::RecordDialogProc<RateDialog, OnRateDetectorInit, OnRateDetectorCommand>,
                        reinterpret_cast<LPARAM>(&d));
    return result == 1 ? 1 : 0;
}
