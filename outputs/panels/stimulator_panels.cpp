// The pulse and stimulator panels: pulse width and repetition typed into two fields or set with
// a scroll bar, the on/off switch, presets in a drop-down list with the unnamed "Default" or
// "Custom" entry; the RJ72C panel adds the pulse level; the advanced panel only starts and stops.
#include "outputs/panels/stimulator_panels.h"
#include "outputs/framework/panel.h"
#include "outputs/framework/panel_util.h"
#include "outputs/preferences/pulse_sheet.h"
#include "base/app.h"
#include "base/notify.h"
#include "common/tagGS.h"
#include "outputs/outputs_ids.h"
#include "common/stAcq.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include <cmath>
#include <cstdio>
#include <string>

namespace {

// The stimulator preference entries the panels use.
enum : int {
    kMode = 0,  // 0 single, 1 multiple, 2 continuous, 3 sequence
    kCount = 1,
    kWithRecording = 2,
    kWidthEntry = 5,  // 0 any, 1 locked
    kWidth = 9,
    kCalibration = 10,
    kShowPeriod = 12,  // 0 rate in Hz, else period in ms
    kRepEntry = 13,    // 0 any, 1 limited to 14..15, 2 locked to 16
    kRepFrom = 14,
    kRepTo = 15,
    kRepLocked = 16,
    kPeriod = 17,
    kIncrement = 18,
    kRefChannel = 19,
    kLevel = 22,
    kLevelEntry = 23,  // 0 any, 1 limited to 24..25, 2 locked to 26
    kLevelFrom = 24,
    kLevelTo = 25,
    kLevelLocked = 26,
    kLevelStep = 27,
};
constexpr UINT_PTR kShortTrainTimer = 200;
constexpr UINT kShortTrainMs = 500;
constexpr double kShortTrainLimitMs = 1000.0;
constexpr int kWidthChars = 10;
constexpr int kRepetitionChars = 64;
constexpr int kLevelChars = 10;

double Clamp(double v, double lo, double hi) { return v < lo ? lo : (v > hi ? hi : v); }

// ---- Pulse and stimulator panel base ----

class COutSTMView : public COutCtlView {
public:
    COutSTMView(COutCtlViewSet* set, uint16_t dialog, int type, UINT menuId) : COutCtlView(set) {
        SetUp(dialog, type, menuId);
    }

    int Enable(int enable) override {
        COutCtlView::Enable(enable);
        if (!m_hwnd) return 1;
        for (int id : {IDC_OUT_PRESETS, IDC_OUT_SWITCH, IDC_OUT_WIDTH, IDC_OUT_REPETITION, IDC_OUT_REP_BAR})
            EnableWindow(GetDlgItem(m_hwnd, id), enable);
        return 1;
    }
    int OnInitDialog() override {
        COutCtlView::OnInitDialog();
        SubclassField(m_hwnd, IDC_OUT_WIDTH);
        SubclassField(m_hwnd, IDC_OUT_REPETITION);
        return 1;
    }
    int OnCommand(int id, HWND control, unsigned code) override;
    int OnHScroll(HWND bar, unsigned code, int position) override;
    int OnInitMenuPopup(HMENU menu) override {
        COutCtlView::OnInitMenuPopup(menu);
        EnableMenuItem(menu, IDM_OUTPUT_PANEL_DIALOG, MF_BYCOMMAND | (CanEditPreferences() ? MF_ENABLED : MF_GRAYED));
        return 1;
    }
    int OnAppMsg(UINT msg, WPARAM, LPARAM) override {
        if (msg != kOutCtlRunningMsg) return 0;
        if (!IsShortTrain()) Refresh();
        return 1;
    }
    int OnTimer(UINT_PTR id) override {
        if (id != kShortTrainTimer) return 0;
        Refresh();
        KillTimer(m_hwnd, kShortTrainTimer);
        return 1;
    }
    int Show(int limitsKnown) override {
        if (!COutCtlView::Show(limitsKnown)) return 0;
        UpdateRepetitionRange(false);
        Refresh();
        return 1;
    }
    void Refresh() override;
    int HasPreset(const char* name) override {
        if (name && (TextIs(IDC_OUT_TEXT_DEFAULT, name, "Default") || TextIs(IDC_OUT_TEXT_CUSTOM, name, "Custom")))
            return 1;
        return COutCtlView::HasPreset(name);
    }
    int AddPreset(const PrefList& settings, const char* name) override {
        if (!COutCtlView::AddPreset(settings, name)) return 0;
        ApplyPreset(m_presets.GetLastIndex());
        if (!FillPresetList()) return 0;
        Refresh();
        return 1;
    }
    int RenamePreset(int index, const char* name) override {
        return COutCtlView::RenamePreset(index, name) ? FillPresetList() : 0;
    }
    int FillPresetList() override;
    void ApplyPreset(int index) override {
        COutCtlView::ApplyPreset(index);
        UpdateRepetitionRange(false);
    }
    // The sheet works on a copy; afterwards the shown repetition is taken over again.
    void ShowPreferences() override {
        if (!m_hwnd) return;
        SetFocus(GetDlgItem(m_hwnd, IDC_OUT_SWITCH));
        RunPulsePrefsSheet(this);
        UpdateRepetitionRange(false);
        SelectDefaultOrCustom();
        Refresh();
        SendDlgItemMessageA(m_hwnd, IDC_OUT_REPETITION, EM_SETMODIFY, TRUE, 0);
        SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(IDC_OUT_REPETITION, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(GetDlgItem(m_hwnd, IDC_OUT_REPETITION)));
        if (m_controller) m_controller->ApplyPrefs();
    }
    int CanEditPreferences() override {
        if (g_app) {
            AcqLock acq(g_app->hAcq);
            if (acq && acq->run.running) return 0;  // the unit has been told to start a run
        }
        return m_controller && m_controller->DoCmd(kOutIsStarted) ? 0 : 1;
    }
    int GetFrameRight() override { return ControlRight(m_hwnd, IDC_OUT_COUNT_FRAME); }
    // Each group's picture stands in its frame, left of its field.
    void DrawIcons(HDC dc) override {
        DrawIconBeside(dc, IDI_OUT_PULSE_COUNT, IDC_OUT_COUNT_FRAME, IDC_OUT_COUNT);
        DrawIconBeside(dc, IDI_OUT_PULSE_WIDTH, IDC_OUT_WIDTH_FRAME, IDC_OUT_WIDTH);
        DrawIconBeside(dc, IDI_OUT_PULSE_REPETITION, IDC_OUT_REP_FRAME, IDC_OUT_REPETITION);
        DrawIconBeside(dc, IDI_OUT_PULSE_LEVEL, IDC_OUT_LEVEL_FRAME, IDC_OUT_VOLTS);
    }
    void DrawIconBeside(HDC dc, int icon, int frameId, int fieldId) {
        HWND frame = GetDlgItem(m_hwnd, frameId), field = GetDlgItem(m_hwnd, fieldId);
        if (!frame || !field) return;
        RECT f{}, e{};
        GetWindowRect(frame, &f);
        GetWindowRect(field, &e);
        POINT at{f.left + 5, e.top};
        ScreenToClient(m_hwnd, &at);
        DrawPanelIcon(dc, icon, at.x, at.y);
    }

    // With no preset applied the list holds one entry saying whether the set is the default.
    void SelectDefaultOrCustom() {
        if (m_selected != -1 || !m_hwnd || !m_controller) return;
        SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_RESETCONTENT, 0, 0);
        const PrefList set = CopyPrefs(*m_controller);
        const bool isDefault = PrefsAreDefault(set.data(), static_cast<int>(set.size())) != 0;
        const std::string name = HiddenText(isDefault ? IDC_OUT_TEXT_DEFAULT : IDC_OUT_TEXT_CUSTOM, isDefault ? "Default" : "Custom");
        SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name.c_str()));
        SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_SETCURSEL, 0, 0);
    }

protected:
    bool RateShown() const { return Value(kShowPeriod) == 0.0; }
    void UpdateRepetitionRange(bool keepStep);
    // The repetition's range, step and value in the shown unit, and the scroll bar's range.
    void GetRepetitionState(double* lo, double* hi, double* step, double* current, int* rmin, int* rmax);
    void RescaleIncrement(int index, double old);
    bool IsShortTrain() const;
    void CommitWidth();
    void CommitRepetition();
    void OnSwitch();
    void RestartWhenRunning() {
        if (m_controller->DoCmd(kOutIsStarted)) m_controller->DoCmd(kOutStart);
    }
    std::string HiddenText(int id, const char* fallback) const {
        char text[kPresetNameChars + 1] = "";
        if (m_hwnd) GetDlgItemTextA(m_hwnd, id, text, sizeof text);
        return *text ? std::string(text) : std::string(fallback);
    }
    bool TextIs(int id, const char* name, const char* fallback) const { return HiddenText(id, fallback) == name; }

    double m_repMin = kPrefUnset;
    double m_repMax = kPrefUnset;
    double m_repStep = kPrefUnset;
};

bool COutSTMView::IsShortTrain() const {
    const int mode = static_cast<int>(Value(kMode));
    if (!m_active || mode == 2) return false;
    const int n = mode == 0 ? 1 : (static_cast<int>(Value(kCount)) & 0xFF);
    return (n - 1) * Value(kPeriod) + Value(kWidth) < kShortTrainLimitMs;
}

// The repetition's allowed range from the width, the entry mode and the period's own limits,
// shown as periods or as rates, and its scroll step on the stimulator's timing grid.
void COutSTMView::UpdateRepetitionRange(bool keepStep) {
    const OutPref* period = Pref(kPeriod);
    if (!m_controller || !period) return;
    const bool rate = RateShown();
    const double from = Value(kRepFrom), to = Value(kRepTo);
    if (!keepStep) {
        double step = Value(kIncrement);
        if (rate && from > 0 && to > 0) step = 1000.0 * step / (from * to);
        const double r = m_controller->Resolution();
        const double steps = r > 0 ? std::trunc(step / r) : 1.0;
        m_repStep = (steps < 1 ? 1 : steps) * r;
    }
    double lo = period->m_min, hi = period->m_max;
    const int widthEntry = static_cast<int>(Value(kWidthEntry));
    if (widthEntry == 0 || widthEntry == 1) m_controller->PeriodRange(Value(kWidth), &lo, &hi, nullptr);
    // A controller without gap limits answers a range with an unset end: the period's own then.
    if (!(lo < kPrefUnset) || !(hi < kPrefUnset)) lo = period->m_min, hi = period->m_max;
    double a, b;
    switch (static_cast<int>(Value(kRepEntry))) {
    case 0: a = lo, b = hi; break;
    case 1: a = from, b = to; break;
    case 2: a = b = Value(kRepLocked); break;
    default: return;
    }
    const double low = std::fmax(lo, std::fmax(a, period->m_min));
    double high = std::fmin(hi, std::fmin(b, period->m_max));
    if (high < low) high = low;
    m_repMin = rate ? 1000.0 / high : low;
    m_repMax = rate ? 1000.0 / low : high;
    SetValue(kRepFrom, low);
    SetValue(kRepTo, high);
    RescaleIncrement(kRepFrom, a);
    RescaleIncrement(kRepTo, b);
    if (static_cast<int>(Value(kRepEntry)) != 2 && m_repStep != 0 && Value(kPeriod) > 0) {
        const double current = rate ? 1000.0 / Value(kPeriod) : Value(kPeriod);
        m_repMin = GridDown(m_repMin, m_repStep, current);
        m_repMax = GridUp(m_repMax, m_repStep, current);
    }
    if (m_hwnd) {
        SetScrollRange(GetDlgItem(m_hwnd, IDC_OUT_REP_BAR), SB_CTL, RoundToLong(m_repMin), RoundToLong(m_repMax), TRUE);
    }
}

void COutSTMView::GetRepetitionState(double* lo, double* hi, double* step, double* current, int* rmin, int* rmax) {
    *lo = m_repMin;
    *hi = m_repMax;
    if (step) *step = m_repStep;
    if (current) {
        const double p = Value(kPeriod);
        *current = RateShown() ? (p > 0 ? 1000.0 / p : 0.0) : p;
    }
    int smin = 0, smax = 0;
    if (m_hwnd) GetScrollRange(GetDlgItem(m_hwnd, IDC_OUT_REP_BAR), SB_CTL, &smin, &smax);
    if (rmin) *rmin = smin;
    if (rmax) *rmax = smax;
}

// With rates shown the increment is kept as the same rate step when a range end moves.
void COutSTMView::RescaleIncrement(int index, double old) {
    if (!RateShown()) return;
    double p14 = Value(kRepFrom), p15 = Value(kRepTo);
    (index == kRepFrom ? p14 : p15) = old;
    const double n14 = Value(kRepFrom), n15 = Value(kRepTo);
    if (p14 == 0 || p15 == 0) return;
    SetValue(kIncrement, (Value(kIncrement) * 1000.0 / (p14 * p15)) * n14 * n15 / 1000.0);
}

void COutSTMView::Refresh() {
    if (!m_controller) return;
    COutCtlView::Refresh();
    if (!m_hwnd) return;
    const bool running = m_controller->DoCmd(kOutIsStarted) != 0;
    const bool withRecording = static_cast<int>(Value(kWithRecording)) == 1;
    int face = kFaceOn;
    if (!running) {
        if (!withRecording) face = kFaceOff;
        else if (PanelState().notifyMsg == WM_VK_RUN_STOPPED || !PanelState().stoppedByUser) face = kFaceArmed;
        else if (g_app) {
            AcqLock acq(g_app->hAcq);
            if (!acq) face = kFaceArmed;
            else if (!acq->autoRestart) face = acq->run.statusState == kStatusReady ? kFaceArmed : kFaceOff;
            else face = acq->restartCountdown >= 1 ? kFaceOff : kFaceArmed;
        }
    }
    SetSwitchFace(m_hwnd, IDC_OUT_SWITCH, face);
    EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_PRESETS), !running && !m_presets.IsEmpty());
    switch (static_cast<int>(Value(kMode))) {
    case 0: SetDlgItemTextA(m_hwnd, IDC_OUT_COUNT, "1"); break;
    case 1: SetDlgItemInt(m_hwnd, IDC_OUT_COUNT, static_cast<UINT>(static_cast<int>(Value(kCount))), FALSE); break;
    case 2: SetDlgItemTextA(m_hwnd, IDC_OUT_COUNT, "Cont."); break;
    default: break;
    }
    const bool lockedByRun = withRecording && running;
    SetControlNumber(m_hwnd, IDC_OUT_WIDTH, "%6.2f", Value(kWidth));
    EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_WIDTH), static_cast<int>(Value(kWidthEntry)) != 1 && !lockedByRun);
    char unit[32] = "";
    const double period = Value(kPeriod);
    if (!RateShown()) {
        SetControlNumber(m_hwnd, IDC_OUT_REPETITION, "%6.2f", period);
        GetDlgItemTextA(m_hwnd, IDC_OUT_TEXT_MSEC, unit, sizeof unit);
    } else {
        SetControlNumber(m_hwnd, IDC_OUT_REPETITION, "%6.2f", period > 0 ? 1000.0 / period : 0.0);
        GetDlgItemTextA(m_hwnd, IDC_OUT_TEXT_HZ, unit, sizeof unit);
    }
    SetDlgItemTextA(m_hwnd, IDC_OUT_REP_UNIT, unit);
    double lo, hi, value;
    int smin, smax;
    GetRepetitionState(&lo, &hi, nullptr, &value, &smin, &smax);
    int pos = smin;
    if (value == hi) pos = smax;
    else if (value != lo && hi != lo) pos = smin + RoundToLong((smax - smin) * (value - lo) / (hi - lo));
    SetBarPos(m_hwnd, IDC_OUT_REP_BAR, pos);
    const bool repetitionOff = static_cast<int>(Value(kRepEntry)) == 2 || static_cast<int>(Value(kMode)) == 0 || lockedByRun;
    EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_REPETITION), !repetitionOff);
    EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_REP_BAR), !repetitionOff);
}

int COutSTMView::FillPresetList() {
    if (m_selected == -1) {
        SelectDefaultOrCustom();
        return 1;
    }
    if (!m_hwnd) return 1;
    SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_RESETCONTENT, 0, 0);
    for (int i = 0; i < m_presets.GetSize(); ++i) {
        const LRESULT at = SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(m_presets.GetAt(i)->name.c_str()));
        if (at < 0) return 0;
        if (SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_SETITEMDATA, at, reinterpret_cast<LPARAM>(m_presets.GetAt(i))) ==
            CB_ERR)
            return 0;
    }
    SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_SETCURSEL, m_selected, 0);
    return 1;
}

// The width typed is held to its limits; the repetition is then checked against the new width.
void COutSTMView::CommitWidth() {
    if (!EditModified(m_hwnd, IDC_OUT_WIDTH)) return;
    OutPref* width = Pref(kWidth);
    if (!width) return;
    double v = ReadEditNumber(m_hwnd, IDC_OUT_WIDTH, kWidthChars);
    width->Validate(&v, 1);
    width->m_value = v;
    UpdateRepetitionRange(true);
    SendDlgItemMessageA(m_hwnd, IDC_OUT_REPETITION, EM_SETMODIFY, TRUE, 0);
    SendMessageA(m_hwnd, WM_COMMAND, MAKEWPARAM(IDC_OUT_REPETITION, EN_KILLFOCUS),
                 reinterpret_cast<LPARAM>(GetDlgItem(m_hwnd, IDC_OUT_REPETITION)));
    m_controller->ApplyPrefs();
    SelectDefaultOrCustom();
    Refresh();
    if (OutPref* cal = Pref(kCalibration))
        if (cal->m_value > width->m_value - width->m_min) cal->m_value = width->m_value - width->m_min;
    MarkChanged();
    ClearEditModified(m_hwnd, IDC_OUT_WIDTH);
}

// A rate typed as 0 takes the upper end of the entry range; a value outside the range the
// width allows is brought into it with a beep.
void COutSTMView::CommitRepetition() {
    if (!EditModified(m_hwnd, IDC_OUT_REPETITION)) return;
    double v = std::fabs(ReadEditNumber(m_hwnd, IDC_OUT_REPETITION, kRepetitionChars));
    const bool rate = RateShown();
    double period = rate ? (v == 0 ? Value(kRepTo) : 1000.0 / v) : v;
    SetValue(kPeriod, Clamp(period, Value(kRepFrom), Value(kRepTo)));
    UpdateRepetitionRange(false);
    double lo, hi;
    GetRepetitionState(&lo, &hi, nullptr, nullptr, nullptr, nullptr);
    if (rate && v == 0) v = 1000.0 / Value(kPeriod);
    const double held = Clamp(v, lo, hi);
    if (held != v) MessageBeep(0);
    SetValue(kPeriod, rate ? 1000.0 / held : held);
    m_controller->ApplyPrefs();
    RestartWhenRunning();
    SelectDefaultOrCustom();
    Refresh();
    MarkChanged();
    ClearEditModified(m_hwnd, IDC_OUT_REPETITION);
}

void COutSTMView::OnSwitch() {
    if (static_cast<int>(Value(kWithRecording)) == 1) {
        int face = kFaceArmed;
        if (g_app) {
            AcqLock acq(g_app->hAcq);
            const bool recording = acq && acq->run.running;
            if (recording && !PanelState().stoppedByUser) {
                m_controller->DoCmd(kOutStopAbsolutely);
                PanelState().stoppedByUser = 1;
            }
            face = PanelState().stoppedByUser ? kFaceOff : (recording ? kFaceOn : kFaceArmed);
        }
        SetSwitchFace(m_hwnd, IDC_OUT_SWITCH, face);
        return;
    }
    if (m_controller->DoCmd(kOutIsStarted)) {
        m_controller->DoCmd(kOutStop);
        SetSwitchFace(m_hwnd, IDC_OUT_SWITCH, kFaceOff);
        return;
    }
    m_controller->ApplyPrefs();
    m_controller->DoCmd(kOutStart);
    if (IsShortTrain()) {
        SetSwitchFace(m_hwnd, IDC_OUT_SWITCH, kFaceOn);
        SetTimer(m_hwnd, kShortTrainTimer, kShortTrainMs, nullptr);
    }
}

int COutSTMView::OnCommand(int id, HWND control, unsigned code) {
    if (!IsTopGraph() || COutCtlView::OnCommand(id, control, code)) return 1;
    switch (id) {
    case IDC_OUT_PRESETS:
        if (code == CBN_SELCHANGE && !m_presets.IsEmpty()) {
            const LRESULT sel = SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_GETCURSEL, 0, 0);
            if (sel >= 0) {
                ApplyPreset(static_cast<int>(sel));
                Refresh();
            }
        }
        break;
    case IDC_OUT_WIDTH:
        if (code == EN_KILLFOCUS) CommitWidth();
        break;
    case IDC_OUT_REPETITION:
        if (code == EN_KILLFOCUS) CommitRepetition();
        break;
    case IDC_OUT_SWITCH: OnSwitch(); break;
    case IDM_OUTPUT_PANEL_DIALOG: ShowPreferences(); break;
    case IDM_OUTPUT_PANEL_CLOSE: Hide(); break;
    default: break;
    }
    return 1;
}

int COutSTMView::OnHScroll(HWND bar, unsigned code, int position) {
    if (!IsTopGraph() || !m_controller || bar != GetDlgItem(m_hwnd, IDC_OUT_REP_BAR)) return 1;
    double lo, hi, step, c;
    int rmin, rmax;
    GetRepetitionState(&lo, &hi, &step, &c, &rmin, &rmax);
    if (step == 0 || lo == kPrefUnset) return 1;
    const double origin = Clamp(c, lo, hi);
    switch (code) {
    case SB_LINELEFT:
    case SB_PAGELEFT:
        if (!(c < lo + step && c != 0 && std::fabs(c - (lo + step)) / c > 1)) c -= step;
        break;
    case SB_LINERIGHT:
    case SB_PAGERIGHT:
        if (!(c > hi - step && c != 0 && std::fabs(c - (hi - step)) / c > 1)) c += step;
        break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: c = rmax > rmin ? lo + (hi - lo) * (position - rmin) / (rmax - rmin) : lo; break;
    case SB_LEFT: c = lo; break;
    case SB_RIGHT: c = hi; break;
    case SB_ENDSCROLL: break;
    default: return 0;
    }
    c = Clamp(c, lo, hi);
    const double n = std::trunc((c - origin) / std::fabs(step));
    if (origin + n * step != c) {
        if (code == SB_LINELEFT || code == SB_PAGELEFT) c = origin + (n - 1) * step;
        else if (code == SB_LINERIGHT || code == SB_PAGERIGHT) c = origin + (n + 1) * step;
        else c = origin + n * step;
    }
    while (c > hi) c -= step;
    if (c <= 0) return 1;
    SetValue(kPeriod, RateShown() ? 1000.0 / c : c);
    m_controller->ApplyPrefs();
    if (code == SB_ENDSCROLL) RestartWhenRunning();
    SelectDefaultOrCustom();
    Refresh();
    MarkChanged();
    return 1;
}

// ---- The plain pulse panels and the RJ72C panel ----

class COutPulseLikeView : public COutSTMView {
public:
    using COutSTMView::COutSTMView;
};

// The RJ72C stimulator adds its pulse level, shown in volts, and its reference channel.
class COutTVXRJ72CView : public COutSTMView {
public:
    explicit COutTVXRJ72CView(COutCtlViewSet* set) : COutSTMView(set, IDD_OUT_RJ72C, 6, IDM_OUTPUT_RJ72C) {}

    int Enable(int enable) override {
        COutSTMView::Enable(enable);
        if (m_hwnd) {
            EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_VOLTS), enable);
            EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR), enable);
        }
        return 1;
    }
    int OnInitDialog() override {
        COutSTMView::OnInitDialog();
        SubclassField(m_hwnd, IDC_OUT_VOLTS);
        HandleTheDialog(m_hwnd, IDD_OUT_PULSE);  // the controls shared with the pulse panels
        return 1;
    }
    int Show(int limitsKnown) override {
        if (!COutSTMView::Show(limitsKnown)) return 0;
        if (!m_levelRangeSet) {
            UpdateLevelScrollRange();
            m_levelRangeSet = true;
            Refresh();
        }
        const int ref = static_cast<int>(Value(kRefChannel));
        if (ref >= 1 && ref <= 4) GetAnalogChannelParams(ref - 1, -1);
        return 1;
    }
    void Hide() override {
        ReleaseReferenceChannel();
        COutSTMView::Hide();
    }
    void Refresh() override {
        if (!m_controller) return;
        if (m_hwnd) {
            SetControlNumber(m_hwnd, IDC_OUT_VOLTS, "%2.3f", ToVolts(Value(kLevel)));
            double lo = 0, hi = 0, value = 0;
            int smin = 0, smax = 0;
            GetLevelRange(&lo, &hi, nullptr, &value, &smin, &smax);
            int pos = 0;
            if (value == hi) pos = smax - smin;
            else if (value != lo && hi != lo) pos = RoundToLong((smax - smin) * (ToVolts(value) - ToVolts(lo)) / (ToVolts(hi) - ToVolts(lo)));
            SetBarPos(m_hwnd, IDC_OUT_VOLTS_BAR, pos);
            SetDlgItemTextA(m_hwnd, IDC_OUT_REF_CHANNEL, ReferenceText().c_str());
        }
        COutSTMView::Refresh();
        if (m_hwnd) {
            const bool locked = static_cast<int>(Value(kLevelEntry)) == 2;
            EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_VOLTS), !locked);
            EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR), !locked);
        }
    }
    int OnCommand(int id, HWND control, unsigned code) override {
        if (m_controller && IsTopGraph()) {
            if (id == IDC_OUT_VOLTS && code == EN_KILLFOCUS) CommitLevel();
            if (id == IDM_OUTPUT_PANEL_CLOSE) ReleaseReferenceChannel();
        }
        const int done = COutSTMView::OnCommand(id, control, code);
        if (id == IDM_OUTPUT_PANEL_DIALOG && m_controller && IsTopGraph()) PrepareReferenceDisplay();
        return done;
    }
    int OnHScroll(HWND bar, unsigned code, int position) override {
        if (!m_hwnd || !IsTopGraph()) return 1;
        if (bar == GetDlgItem(m_hwnd, IDC_OUT_REP_BAR)) return COutSTMView::OnHScroll(bar, code, position);
        if (bar != GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR) || !m_controller) return 1;
        return ScrollLevel(code, position);
    }
    void ShowPreferences() override {
        COutSTMView::ShowPreferences();
        UpdateLevelScrollRange();
        Refresh();
    }
    int GetFrameRight() override { return ControlRight(m_hwnd, IDC_OUT_REF_FRAME); }

private:
    // Level units: the entry runs from 0 to its upper limit U for -10 V to +10 V.
    double Upper() const {
        const OutPref* p = Pref(kLevel);
        return p && p->m_max > 0 && p->m_max != kPrefUnset ? p->m_max : 1.0;
    }
    double ToVolts(double units) const { return units * 20.0 / Upper() - 10.0; }
    double ToUnits(double volts) const { return (volts + 10.0) * Upper() / 20.0; }
    double StepVolts() const {
        const OutPref* p = Pref(kLevelStep);
        return p && p->m_max > 0 && p->m_max != kPrefUnset ? p->m_value / p->m_max * 20.0 : 0.0;
    }

    void GetLevelRange(double* lo, double* hi, double* step, double* value, int* smin, int* smax) const {
        const OutPref* level = Pref(kLevel);
        if (!level) return;
        if (value) *value = level->m_value;
        if (step) *step = Value(kLevelStep);
        switch (static_cast<int>(Value(kLevelEntry))) {
        case 0: *lo = level->m_min, *hi = level->m_max; break;
        case 1: *lo = Value(kLevelFrom), *hi = Value(kLevelTo); break;
        case 2: *lo = *hi = Value(kLevelLocked); break;
        default: break;
        }
        *lo = std::fmax(*lo, level->m_min);
        *hi = std::fmin(*hi, level->m_max);
        if (smin && smax && m_hwnd) GetScrollRange(GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR), SB_CTL, smin, smax);
    }
    void UpdateLevelScrollRange() {
        double lo = 0, hi = 0;
        GetLevelRange(&lo, &hi, nullptr, nullptr, nullptr, nullptr);
        const double step = StepVolts();
        const long top = step > 0 ? static_cast<long>(RoundToLong((ToVolts(hi) - ToVolts(lo)) / step)) : 0;
        if (m_hwnd) SetScrollRange(GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR), SB_CTL, 0, static_cast<int>(top), FALSE);
    }
    void SetLevel(double value, bool beep, bool send) {
        OutPref* level = Pref(kLevel);
        if (!level) return;
        level->Validate(&value, beep ? 1 : 0);
        level->m_value = value;
        if (send) m_controller->DoCmd(kOutUpdate);
        Refresh();
    }
    // A typed level goes onto the 5 mV grid and into the allowed range, and is sent.
    void CommitLevel() {
        if (!EditModified(m_hwnd, IDC_OUT_VOLTS)) return;
        OutPref* level = Pref(kLevel);
        if (!level) return;
        double units = ToUnits(RoundToLevelStep(ReadEditNumber(m_hwnd, IDC_OUT_VOLTS, kLevelChars)));
        level->Validate(&units, 1);
        double lo = level->m_min, hi = level->m_max;
        GetLevelRange(&lo, &hi, nullptr, nullptr, nullptr, nullptr);
        SetLevel(std::fmax(lo, std::fmin(units, hi)), true, true);
        UpdateLevelScrollRange();
        Refresh();
        MarkChanged();
        ClearEditModified(m_hwnd, IDC_OUT_VOLTS);
    }
    // The level is sent when the bar is released, not while it is dragged.
    int ScrollLevel(unsigned code, int position) {
        const double old = Value(kLevel), step = Value(kLevelStep);
        double lo = 0, hi = 0;
        int smin = 0, smax = 0;
        GetLevelRange(&lo, &hi, nullptr, nullptr, &smin, &smax);
        double v = old;
        switch (code) {
        case SB_LINELEFT:
        case SB_PAGELEFT: v = old - step; break;
        case SB_LINERIGHT:
        case SB_PAGERIGHT: v = old + step; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK: v = smax > smin ? lo + (hi - lo) * (position - smin) / (smax - smin) : lo; break;
        case SB_LEFT: v = lo; break;
        case SB_RIGHT: v = hi; break;
        case SB_ENDSCROLL: break;
        default: return 0;
        }
        if (step != 0) {
            const double n = std::trunc((v - old) / std::fabs(step));
            if (old + n * step != v) {
                if (code == SB_LINELEFT || code == SB_PAGELEFT) v = old + (n - 1) * step;
                else if (code == SB_LINERIGHT || code == SB_PAGERIGHT) v = old + (n + 1) * step;
                else if ((code == SB_THUMBPOSITION || code == SB_THUMBTRACK) && position == smin) v = lo;
                else if ((code == SB_THUMBPOSITION || code == SB_THUMBTRACK) && position == smax) v = hi;
                else v = old + n * step;
            }
            while (v > hi && step > 0) v -= step;
        }
        if (v < lo) v = lo;
        SetLevel(v, false, code == SB_ENDSCROLL);
        MarkChanged();
        return 1;
    }
    std::string ReferenceText() const {
        const int r = static_cast<int>(Value(kRefChannel));
        char text[32];
        if (r == 0) {
            return Keyed("None");
        }
        if (r >= 1 && r <= 4) std::snprintf(text, sizeof text, "CH %d", r);
        else std::snprintf(text, sizeof text, "D %d", r - 4);
        return text;
    }
    // Until the first recording, the document readies the slot the reference will be
    // recorded into: an analog reference around zero, a digital one around its 2.5 V level.
    void PrepareReferenceDisplay() {
        tagGS* gs = Document();
        if (!gs || notify::HasRecordingSegments(gs)) return;
        const int ref = static_cast<int>(Value(kRefChannel));
        int slot = -1;
        double offset = 0.0, range = 0.0;
        if (ref >= 1 && ref <= 4) slot = ref, offset = 0.0, range = 5.0;
        else if (ref >= 5 && ref <= 12) slot = ref + 15, offset = 2.5, range = 2.0;
        if (slot < 0 || slot >= kMaxChannels) return;
        gs->chanRefDisplayOffset[slot] = offset;
        gs->chanRefUnitsOffset[slot] = offset;
        gs->chanRefUnitsRange[slot] = range;
        gs->chanFlags[slot] = 2;
    }
    // The analog channel carrying the reference gets its ordinary set-up back.
    void ReleaseReferenceChannel() {
        const int ref = static_cast<int>(Value(kRefChannel));
        if (ref >= 1 && ref <= 4) GetAnalogChannelParams(ref - 1, 0);
    }

    bool m_levelRangeSet = false;
};

// The advanced stimulator: start and stop only; its settings are not stored with documents.
class COutTVXRJ72CAView : public COutCtlView {
public:
    explicit COutTVXRJ72CAView(COutCtlViewSet* set) : COutCtlView(set) {
        SetUp(IDD_OUT_RJ72CA, 7, IDM_OUTPUT_RJ72C_ADVANCED);
    }
    void Refresh() override {
        if (!m_controller || !m_hwnd) return;
        const bool running = m_controller->DoCmd(kOutIsStarted) != 0;
        SetSwitchFace(m_hwnd, IDC_OUT_SWITCH,
                      running ? kFaceOn : (static_cast<int>(Value(kWithRecording)) == 0 ? kFaceOff : kFaceArmed));
        EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_PRESETS), !running && !m_presets.IsEmpty());
    }
    int HasPreset(const char*) override { return 1; }
    int AddPreset(const PrefList&, const char*) override { return 1; }
    int RenamePreset(int, const char*) override { return 1; }
    void ApplyPreset(int) override {}
    int Write(CByteWriter&) override { return 1; }
    void TakeRecord(const PanelRecord&) override {}
    int FillPresetList() override {
        if (!m_hwnd || !m_controller) return 1;
        SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_RESETCONTENT, 0, 0);
        const PrefList set = CopyPrefs(*m_controller);
        const int id = PrefsAreDefault(set.data(), static_cast<int>(set.size())) ? IDC_OUT_TEXT_DEFAULT : IDC_OUT_TEXT_CUSTOM;
        char name[kPresetNameChars + 1] = "";
        GetDlgItemTextA(m_hwnd, id, name, sizeof name);
        SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(name));
        SendDlgItemMessageA(m_hwnd, IDC_OUT_PRESETS, CB_SETCURSEL, 0, 0);
        return 1;
    }
    int CanEditPreferences() override { return m_controller && !m_controller->DoCmd(kOutIsStarted); }
    int OnInitMenuPopup(HMENU menu) override {
        COutCtlView::OnInitMenuPopup(menu);
        EnableMenuItem(menu, IDM_OUTPUT_PANEL_DIALOG, MF_BYCOMMAND | (CanEditPreferences() ? MF_ENABLED : MF_GRAYED));
        return 1;
    }
    void ShowPreferences() override {
        RunPulsePrefsSheet(this);
        FillPresetList();
        if (m_controller) m_controller->ApplyPrefs();
        Refresh();
    }
    int OnCommand(int id, HWND control, unsigned code) override {
        if (COutCtlView::OnCommand(id, control, code)) return 1;
        if (id == IDC_OUT_PRESETS && code == CBN_SELCHANGE) {
            Refresh();
        } else if (id == IDM_OUTPUT_PANEL_DIALOG) {
            ShowPreferences();
        } else if (id == IDC_OUT_SWITCH) {
            const bool running = m_controller->DoCmd(kOutIsStarted) != 0;
            if (running) m_controller->DoCmd(kOutStop);
            else if (static_cast<int>(Value(kWithRecording)) != 1) {
                m_controller->ApplyPrefs();
                m_controller->DoCmd(kOutStart);
            }
        } else if (id == IDM_OUTPUT_PANEL_CLOSE) {
            Hide();
        }
        return 1;
    }
    int GetFrameRight() override { return ControlRight(m_hwnd, IDC_OUT_COUNT_FRAME); }
    void DrawIcons(HDC dc) override {
        HWND frame = GetDlgItem(m_hwnd, IDC_OUT_COUNT_FRAME);
        if (!frame) return;
        RECT f{};
        GetWindowRect(frame, &f);
        POINT at{f.left, f.top};
        ScreenToClient(m_hwnd, &at);
        DrawPanelIcon(dc, IDI_OUT_STIMULATOR, at.x + 5, at.y + 8);
    }
};

}  // namespace

COutCtlView* NewStimulatorPanel(int type, COutCtlViewSet* set) {
    switch (type) {
    case 2: return new (std::nothrow) COutPulseLikeView(set, IDD_OUT_PULSE, 2, IDM_OUTPUT_PULSES);
    case 4: return new (std::nothrow) COutPulseLikeView(set, IDD_OUT_PULSE, 4, IDM_OUTPUT_TVXSTM);
    case 5: return new (std::nothrow) COutPulseLikeView(set, IDD_OUT_PULSE, 5, IDM_OUTPUT_TVXSTM_SECOND);
    case 6: return new (std::nothrow) COutTVXRJ72CView(set);
    case 7: return new (std::nothrow) COutTVXRJ72CAView(set);
    default: return nullptr;
    }
}

// Grid points with a tolerance of a ten-thousandth of a step.
double GridDown(double value, double step, double origin) {
    if (step == 0) return value;
    return origin + std::floor((value - origin) / step + 0.0001) * step;
}

double GridUp(double value, double step, double origin) {
    if (step == 0) return value;
    return origin + std::ceil((value - origin) / step - 0.0001) * step;
}

// Halves away from zero onto the 5 mV grid.
double RoundToLevelStep(double volts) {
    double w = volts * 1000.0;
    w += volts >= 0 ? 2.5 : -2.5;
    const long n = static_cast<long>(w) / 5 * 5;
    return n / 1000.0;
}
