// The Stimulator panel (dialog 1220) and its preferences (dialog 1221): the pulse width, rate,
// rate limits and count of the unit's stimulator, typed or scrolled, and its start button.
#include "devlib/acquisition/outputs/stim_panel.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <iterator>

#include "common/stAcq.h"
#include "devlib/acquisition/outputs/out_ctl.h"
#include "devlib/acquisition/outputs/stimulator.h"
#include "devlib/services/step_rounding.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/modeless_panel.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

namespace {

constexpr double kWidthMin = 0.049;
constexpr double kRateFloor = 0.2;
constexpr double kRateCeiling = 5000.0;
constexpr double kDelayMin = 0.5;
constexpr int32_t kScrollMax = 16383;
constexpr double kPerScrollStep = 0.00006103888176768602;  // 1 / 16383
constexpr int32_t kFieldChars = 25;
constexpr int32_t kTextChars = 128;
constexpr int32_t kStorageKindsWithMarkers = 3;
constexpr int kEditFields[] = {IDC_STIM_WIDTH, IDC_STIM_RATE, IDC_STIM_LOWER, IDC_STIM_UPPER, IDC_STIM_COUNT};
constexpr int kAllControls[] = {IDC_STIM_WIDTH,  IDC_STIM_RATE,   IDC_STIM_LOWER,      IDC_STIM_UPPER,
                                IDC_STIM_COUNT,  IDC_STIM_SCROLL, IDC_STIM_CONTINUOUS, IDC_STIM_NUMBERED,
                                IDC_STIM_START,  IDC_STIM_PREFS};

// The highest rate a width leaves room for.
double MaxRateForWidth(double width) { return 1000.0 / (width + 0.1); }

double FieldNumber(HWND dlg, int id) {
    char text[kFieldChars] = "";
    GetDlgItemTextA(dlg, id, text, kFieldChars);
    return std::atof(text);
}

void SetField(HWND dlg, int id, const char* format, double value) {
    char text[kTextChars];
    std::snprintf(text, sizeof(text), format, value);
    SetDlgItemTextA(dlg, id, text);
}

void ShowPeriod(HWND dlg, const stStimSetup& s) {
    char text[kTextChars];
    FormatKeyedText(text, sizeof(text), Keyed("(Period = %6.2f msec)"), StimPeriodMs(s.rate));
    SetDlgItemTextA(dlg, IDC_STIM_PERIOD, text);
}

void WriteFields(HWND dlg, const stStimSetup& s, bool withCount) {
    SetField(dlg, IDC_STIM_WIDTH, "%6.3f", s.width);
    SetField(dlg, IDC_STIM_RATE, "%6.2f", s.rate);
    SetField(dlg, IDC_STIM_LOWER, "%6.2f", s.lowerLimit);
    SetField(dlg, IDC_STIM_UPPER, "%6.2f", s.upperLimit);
    if (withCount) {
        char text[kTextChars];
        std::snprintf(text, sizeof(text), "%3d", s.count);
        SetDlgItemTextA(dlg, IDC_STIM_COUNT, text);
    }
    ShowPeriod(dlg, s);
}

// The controls follow the block: what the mode offers, and the start button only for the button.
void RefreshStimulatorPanel(HWND dlg, const stStimSetup& s, bool withCount) {
    WriteFields(dlg, s, withCount);
    CheckRadioButton(dlg, IDC_STIM_CONTINUOUS, IDC_STIM_NUMBERED, s.continuous ? IDC_STIM_CONTINUOUS : IDC_STIM_NUMBERED);
    if (!IsWindowEnabled(dlg)) return;
    const bool limits = s.continuous && !s.lockLimits;
    EnableWindow(GetDlgItem(dlg, IDC_STIM_LOWER), limits);
    EnableWindow(GetDlgItem(dlg, IDC_STIM_UPPER), limits);
    EnableWindow(GetDlgItem(dlg, IDC_STIM_RATE), s.continuous || s.count != 1);
    EnableWindow(GetDlgItem(dlg, IDC_STIM_COUNT), !s.continuous);
    HWND scroll = GetDlgItem(dlg, IDC_STIM_SCROLL);
    EnableWindow(scroll, s.continuous != 0);
    SetScrollPos(scroll, SB_CTL, StimScrollPosition(s), TRUE);
    HWND button = GetDlgItem(dlg, IDC_STIM_START);
    SetWindowTextA(button, s.continuous ? "" : "PULSE");
    ShowWindow(button, s.withAcquisition ? SW_HIDE : SW_SHOW);
    EnableWindow(button, !s.withAcquisition);
    SetToggleButtonImage(button, s.continuous, s.continuous ? s.on : s.startRequested);
}

// Every field into the block, held in range, and written back.
void ReadStimulatorPanel(HWND dlg, stStimSetup* s, bool withCount) {
    stStimTyped typed{FieldNumber(dlg, IDC_STIM_WIDTH), FieldNumber(dlg, IDC_STIM_RATE), FieldNumber(dlg, IDC_STIM_LOWER),
                      FieldNumber(dlg, IDC_STIM_UPPER), static_cast<int32_t>(FieldNumber(dlg, IDC_STIM_COUNT))};
    ApplyTypedStimValues(s, typed);
    WriteFields(dlg, *s, withCount);
}

void OnRateScrolled(HWND dlg, stAcq* acq, int32_t code, int32_t position) {
    stStimSetup& s = acq->stim;
    if (code == SB_ENDSCROLL) return;
    s.rate = StimScrolledRate(s, code, position);
    SetField(dlg, IDC_STIM_RATE, "%6.2f", s.rate);
    ShowPeriod(dlg, s);
    StimulatorEvent(dlg, acq, kStimEvSettingsChanged);
    SetScrollPos(GetDlgItem(dlg, IDC_STIM_SCROLL), SB_CTL, StimScrollPosition(s), TRUE);
}

void OnStartButton(HWND dlg, stAcq* acq) {
    stStimSetup& s = acq->stim;
    if (s.continuous) {
        s.on = s.on ? 0 : 1;
        StimulatorEvent(dlg, acq, kStimEvButtonStart);
    } else {
        const bool wasRequested = s.startRequested != 0;
        s.startRequested = wasRequested ? 0 : 1;
        StimulatorEvent(dlg, acq, wasRequested ? kStimEvButtonStop : kStimEvButtonStart);
    }
    RefreshStimulatorPanel(dlg, s, false);
}

void OnPreferences(HWND dlg, stAcq* acq) {
    stStimSetup& s = acq->stim;
    const int16_t before = s.withAcquisition;
    ShowStimulatorPreferences(dlg, acq);
    if (s.withAcquisition == before) {
        StimulatorEvent(dlg, acq, kStimEvSettingsChanged);
    } else {
        StimulatorEvent(dlg, acq, s.withAcquisition ? kStimEvButtonStop : kStimEvToButton);
        s.on = 1;
    }
    ReadStimulatorPanel(dlg, &s, true);
    RefreshStimulatorPanel(dlg, s, true);
}

void OnEditField(HWND dlg, stAcq* acq, int id, UINT code) {
    stStimSetup& s = acq->stim;
    if (code == EN_SETFOCUS) {
        SendDlgItemMessageA(dlg, id, EM_SETSEL, 0, -1);
    } else if (code == EN_KILLFOCUS) {
        const double width = s.width, rate = s.rate;
        ReadStimulatorPanel(dlg, &s, id == IDC_STIM_COUNT);
        if ((id == IDC_STIM_WIDTH && s.width != width) || (id == IDC_STIM_RATE && s.rate != rate))
            StimulatorEvent(dlg, acq, kStimEvSettingsChanged);
        RefreshStimulatorPanel(dlg, s, false);
    }
}

void OnCommand(HWND dlg, stAcq* acq, int id, UINT code) {
    stStimSetup& s = acq->stim;
    if (s.panelCreated[1] != 1) return;
    switch (id) {
    case IDOK:
        ReadStimulatorPanel(dlg, &s, true);
        SendMessageA(GetFocus(), EM_SETSEL, 0, -1);
        break;
    case IDCANCEL:
        ShowWindow(dlg, SW_HIDE);
        s.active = 0;
        s.on = 1;
        StopStimulator(acq, 1);
        if (HWND parent = GetParent(dlg)) SetActiveWindow(parent);
        break;
    case IDC_STIM_START: OnStartButton(dlg, acq); break;
    case IDC_STIM_PREFS: OnPreferences(dlg, acq); break;
    case IDC_STIM_CONTINUOUS:
        if (s.continuous) break;
        s.on = 1;
        StimulatorEvent(dlg, acq, kStimEvToContinuous);
        s.continuous = 1;
        RefreshStimulatorPanel(dlg, s, false);
        break;
    case IDC_STIM_NUMBERED:
        if (!s.continuous) break;
        StimulatorEvent(dlg, acq, kStimEvToCount);
        s.continuous = 0;
        RefreshStimulatorPanel(dlg, s, false);
        break;
    default:
        if (std::find(std::begin(kEditFields), std::end(kEditFields), id) != std::end(kEditFields))
            OnEditField(dlg, acq, id, code);
        break;
    }
}

INT_PTR CALLBACK StimulatorProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        KeepPanelRecord(dlg, lParam);
        SetScrollRange(GetDlgItem(dlg, IDC_STIM_SCROLL), SB_CTL, 0, kScrollMax, FALSE);
        HandleTheDialog(dlg, IDD_STIMULATOR);
        AcqLock acq(reinterpret_cast<HGLOBAL>(lParam));
        if (acq) {
            acq->stim.panelCreated[0] = acq->stim.panelCreated[1] = 1;
            RefreshStimulatorPanel(dlg, acq->stim, true);
        }
        return FALSE;
    }
    AcqLock acq(PanelRecord(dlg));
    if (!acq) return FALSE;
    switch (message) {
    case WM_COMMAND: OnCommand(dlg, acq.get(), LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_HSCROLL:
        if (acq->stim.panelCreated[1] == 1)
            OnRateScrolled(dlg, acq.get(), LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam)));
        return TRUE;
    case kStimPanelRefreshMsg: RefreshStimulatorPanel(dlg, acq->stim, wParam != 0); return TRUE;
    case WM_SHOWWINDOW:
        if (wParam) SelectPulseOutput(acq.get());
        return FALSE;
    case WM_ENABLE:
        for (int id : kAllControls) EnableWindow(GetDlgItem(dlg, id), wParam != 0);
        if (wParam) RefreshStimulatorPanel(dlg, acq->stim, false);
        return TRUE;
    case WM_DESTROY: StopStimulator(acq.get(), 1); return FALSE;
    case WM_MOVE: FollowPanelMove(dlg, &acq->stimulatorPlacement, lParam); return TRUE;
    case WM_ACTIVATE:
        RoutePanelKeys(dlg, wParam);
        return FALSE;
    case WM_CLOSE: OnCommand(dlg, acq.get(), IDCANCEL, 0); return TRUE;
    default: return FALSE;
    }
}

// ---- Preferences ----

void FillPreferences(HWND dlg, const stAcq* acq) {
    const stStimSetup& s = acq->stim;
    CheckRadioButton(dlg, IDC_STIMPREF_WITH_ACQ, IDC_STIMPREF_WITH_BUTTON,
                     s.withAcquisition ? IDC_STIMPREF_WITH_ACQ : IDC_STIMPREF_WITH_BUTTON);
    const bool markersAllowed = acq->storageKind < kStorageKindsWithMarkers;
    CheckDlgButton(dlg, IDC_STIMPREF_MARKERS, s.markers && markersAllowed ? BST_CHECKED : BST_UNCHECKED);
    EnableWindow(GetDlgItem(dlg, IDC_STIMPREF_MARKERS), markersAllowed);
    CheckDlgButton(dlg, IDC_STIMPREF_LOCK, s.lockLimits ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dlg, IDC_STIMPREF_LIMIT_ON, s.widthLimitOn ? BST_CHECKED : BST_UNCHECKED);
    SetField(dlg, IDC_STIMPREF_LIMIT, "%6.3f", s.widthLimit);
    EnableWindow(GetDlgItem(dlg, IDC_STIMPREF_LIMIT), s.widthLimitOn != 0);
    SetField(dlg, IDC_STIMPREF_CORRECTION, "%6.2f", s.correction);
    SetField(dlg, IDC_STIMPREF_INCREMENT, "%g", s.increment);
    SetField(dlg, IDC_STIMPREF_DELAY, "%8.4f", s.delay);
    EnableWindow(GetDlgItem(dlg, IDC_STIMPREF_DELAY), s.withAcquisition != 0);
}

bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// OK keeps the dialog open while the increment is 0 or below.
bool StorePreferences(HWND dlg, stAcq* acq) {
    stStimPrefsTyped typed{Checked(dlg, IDC_STIMPREF_WITH_ACQ) ? 1 : 0, Checked(dlg, IDC_STIMPREF_MARKERS) ? 1 : 0,
                           Checked(dlg, IDC_STIMPREF_LOCK) ? 1 : 0,     Checked(dlg, IDC_STIMPREF_LIMIT_ON) ? 1 : 0,
                           FieldNumber(dlg, IDC_STIMPREF_LIMIT),        FieldNumber(dlg, IDC_STIMPREF_CORRECTION),
                           FieldNumber(dlg, IDC_STIMPREF_INCREMENT),    FieldNumber(dlg, IDC_STIMPREF_DELAY)};
    if (ApplyStimPreferences(&acq->stim, typed)) return true;
    MessageBeep(0);
    HWND field = GetDlgItem(dlg, IDC_STIMPREF_INCREMENT);
    SetFocus(field);
    SendMessageA(field, EM_SETSEL, 0, -1);
    return false;
}

INT_PTR CALLBACK PreferencesProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    stAcq* acq = reinterpret_cast<stAcq*>(GetWindowLongPtrA(dlg, GWLP_USERDATA));
    switch (message) {
    case WM_INITDIALOG: {
        acq = reinterpret_cast<stAcq*>(lParam);
        SetWindowLongPtrA(dlg, GWLP_USERDATA, lParam);
        HandleTheDialog(dlg, IDD_STIM_PREFERENCES);
        SelectPulseOutput(acq);
        FillPreferences(dlg, acq);
        HWND increment = GetDlgItem(dlg, IDC_STIMPREF_INCREMENT);
        SetFocus(increment);
        SendMessageA(increment, EM_SETSEL, 0, -1);
        return FALSE;
    }
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDOK:
            if (StorePreferences(dlg, acq)) EndDialog(dlg, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        case IDC_STIMPREF_LIMIT_ON:
            EnableWindow(GetDlgItem(dlg, IDC_STIMPREF_LIMIT), Checked(dlg, IDC_STIMPREF_LIMIT_ON));
            return TRUE;
        case IDC_STIMPREF_WITH_ACQ:
        case IDC_STIMPREF_WITH_BUTTON:
            EnableWindow(GetDlgItem(dlg, IDC_STIMPREF_DELAY), Checked(dlg, IDC_STIMPREF_WITH_ACQ));
            return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace

void ApplyTypedStimValues(stStimSetup* s, const stStimTyped& t) {
    double width = std::clamp(t.width, kWidthMin, kStimWidthMax);
    if (s->widthLimitOn && width > s->widthLimit) width = s->widthLimit;
    s->width = width;
    const double maxRate = MaxRateForWidth(width);
    double rate = RoundUp(t.rate, s->increment);
    rate = std::max(std::min(rate, s->upperLimit), s->lowerLimit);
    s->rate = std::min(rate, maxRate);
    if (s->lockLimits) {
        s->lowerLimit = RoundUp(kRateFloor, s->increment);
        s->upperLimit = RoundDown(maxRate, s->increment);
    } else {
        double lower = std::min({RoundUp(t.lower, s->increment), s->rate, kRateCeiling});
        lower = std::max({lower, s->increment, kRateFloor});
        double upper = std::max({RoundDown(t.upper, s->increment), s->rate, lower, kRateFloor});
        upper = std::min({upper, 1000.0 / width, kRateCeiling});
        s->lowerLimit = lower;
        s->upperLimit = upper;
    }
    s->count = static_cast<int16_t>(std::clamp(t.count, 1, kStimMaxCount));
}

int32_t StimScrollPosition(const stStimSetup& s) {
    const double span = s.upperLimit - s.lowerLimit;
    if (!(span > 0.0)) return 0;
    return std::clamp(static_cast<int32_t>((s.rate - s.lowerLimit) * kScrollMax / span), 0, kScrollMax);
}

double StimScrolledRate(const stStimSetup& s, int32_t code, int32_t position) {
    double rate = s.rate;
    switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT: rate = std::max(rate - s.increment, s.lowerLimit); break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT: rate = std::min(rate + s.increment, s.upperLimit); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: rate = s.lowerLimit + (s.upperLimit - s.lowerLimit) * position * kPerScrollStep; break;
    default: break;
    }
    return RoundNearest(rate, s.increment);
}

double StimPeriodMs(double rate) { return rate > 0.0 ? 1000.0 / rate : 0.0; }

int32_t ApplyStimPreferences(stStimSetup* s, const stStimPrefsTyped& t) {
    double increment = t.increment;
    if (!(increment > 0.0)) return 0;  // a rate cannot move in steps of nothing
    const double width = std::max(s->width, kWidthMin);
    const double highest = t.lockLimits ? MaxRateForWidth(width) : 1000.0 / (2.0 * width);
    s->lockLimits = static_cast<int16_t>(t.lockLimits);
    s->correction = std::clamp(t.correction, 0.0, kStimCorrectionMax);
    s->increment = std::min(increment, highest);
    s->widthLimit = std::clamp(t.widthLimit, kWidthMin, kStimWidthMax);
    s->withAcquisition = static_cast<int16_t>(t.withAcquisition);
    s->markers = static_cast<int16_t>(t.markers);
    s->widthLimitOn = static_cast<int16_t>(t.widthLimitOn);
    s->delay = t.delay != 0.0 ? std::clamp(t.delay, kDelayMin, kStimDelayMax) : 0.0;
    return 1;
}

int32_t ShowStimulatorPreferences(HWND owner, stAcq* acq) {
    if (!acq) return 0;
    return DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_STIM_PREFERENCES), owner, PreferencesProc,
                           reinterpret_cast<LPARAM>(acq)) == 1
               ? 1
               : 0;
}

// Start-up readies the record as the panel's making would; the window waits for its first use.
void PrepareStimulatorPanel(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return;
    SetStimulatorDefaults(&acq->stim);
    acq->stim.panelCreated[0] = acq->stim.panelCreated[1] = 1;
    acq->stim.active = 0;
}

// The panel, made hidden over the record's settings the first time it is needed.
HWND StimulatorWindow(HGLOBAL hAcq) {
    HWND dlg;
    if (KeptPanel(hAcq, &stAcq::hwndStimulator, &dlg)) return dlg;
    return MakePanel(hAcq, &stAcq::hwndStimulator, IDD_STIMULATOR, g_lib.hostFrame, StimulatorProc,
                     [](HWND, stAcq*) {});
}

void ShowStimulatorPanel(HGLOBAL hAcq) {
    HWND dlg = StimulatorWindow(hAcq);
    {
        AcqLock acq(hAcq);
        if (!acq || !IsWindow(acq->hwndStimulator)) return;
        dlg = acq->hwndStimulator;
        RefreshStimulatorPanel(dlg, acq->stim, true);
    }
    HandleTheDialog(dlg, IDD_STIMULATOR);
    ShowWindow(dlg, SW_SHOWNORMAL);
    AcqLock acq(hAcq);
    if (acq) acq->stim.active = 1;
}
