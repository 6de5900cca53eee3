// The channel-to-output, digital output and voltage panels, which derive from the panel base
// directly, and the panel factory of the set.
#include "outputs/panels/panels.h"
#include "outputs/panels/stimulator_panels.h"
#include "outputs/framework/panel.h"
#include "outputs/framework/panel_util.h"
#include "outputs/outputs_ids.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"
#include <cstdio>

namespace {

constexpr int kTitleChars = 127;
constexpr int kVoltsChars = 7;
constexpr int kBits = 8;
constexpr char kChannelTitleFormat[] = "CH%d to Output";

// ---- Channel to output ----

class COutCH3View : public COutCtlView {
public:
    explicit COutCH3View(COutCtlViewSet* set) : COutCtlView(set) {
        SetUp(IDD_OUT_CH3, 0, IDM_OUTPUT_CHANNEL);
        // The frame's output menu builds its item from this text before the panel has a window;
        // a lesson's translation stays.
        if (!getDlgCtrlText(IDD_OUT_CH3, IDC_OUT_TITLE_FORMAT))
            SetOrAdd(IDD_OUT_CH3, IDC_OUT_TITLE_FORMAT, kChannelTitleFormat);
    }
    int Enable(int enable) override {
        COutCtlView::Enable(enable);
        if (m_hwnd) EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_ROUTE), enable);
        return 1;
    }
    // The label reads "CH3 to Output" with the routed channel; the switch shows the routing.
    void Refresh() override {
        COutCtlView::Refresh();
        if (!m_hwnd || !m_controller) return;
        char format[kTitleChars + 1] = "";
        GetDlgItemTextA(m_hwnd, IDC_OUT_TITLE_FORMAT, format, sizeof format);
        char text[kTitleChars + 1];
        FormatKeyedText(text, sizeof text, format, static_cast<int>(Value(0)));
        SetDlgItemTextA(m_hwnd, IDC_OUT_TITLE, text);
        SetSwitchFace(m_hwnd, IDC_OUT_ROUTE, m_controller->DoCmd(kOutIsSelected) ? kFaceOn : kFaceOff);
    }
    int OnCommand(int id, HWND control, unsigned code) override {
        if (COutCtlView::OnCommand(id, control, code)) return 1;
        switch (id) {
        case IDC_OUT_ROUTE:
            if (!m_controller->DoCmd(kOutIsSelected)) {
                m_controller->ApplyPrefs();
                m_controller->DoCmd(kOutSelect);
            } else {
                m_controller->DoCmd(kOutGround);
            }
            Refresh();
            break;
        case IDM_OUTPUT_PANEL_DIALOG: ShowPreferences(); break;
        case IDM_OUTPUT_PANEL_CLOSE: Hide(); break;
        default: break;
        }
        return 1;
    }
    int HasPreferences() override { return CVKDevice::IsNotVK40(); }
    int GetFrameRight() override { return ControlRight(m_hwnd, IDC_OUT_ROUTE); }
};

// ---- Digital outputs ----

class COutDigitalView : public COutCtlView {
public:
    explicit COutDigitalView(COutCtlViewSet* set) : COutCtlView(set) {
        SetUp(IDD_OUT_DIGITAL, 1, IDM_OUTPUT_DIGITAL);
    }
    // The first unit model has no digital port.
    int Enable(int enable) override {
        if (CVKDevice::IsVK40()) enable = 0;
        COutCtlView::Enable(enable);
        if (!m_hwnd) return 1;
        for (int id = IDC_OUT_BIT_FIRST; id <= IDC_OUT_BIT_SET; ++id) EnableWindow(GetDlgItem(m_hwnd, id), enable);
        return 1;
    }
    int OnInitDialog() override {
        COutCtlView::OnInitDialog();
        for (int id = IDC_OUT_BIT_FIRST; id <= IDC_OUT_BIT_LAST; ++id)
            SendDlgItemMessageA(m_hwnd, id, WM_SETFONT, reinterpret_cast<WPARAM>(PanelState().boldFont), FALSE);
        Enable(1);
        return 1;
    }
    void Refresh() override {
        COutCtlView::Refresh();
        if (!m_hwnd) return;
        ShowWindow(GetDlgItem(m_hwnd, IDC_OUT_BIT_SET), WriteEachClick() ? SW_HIDE : SW_SHOW);
        const unsigned byte = Byte();
        for (int i = 0; i < kBits; ++i) SetDlgItemTextA(m_hwnd, IDC_OUT_BIT_FIRST + i, (byte >> i) & 1 ? "1" : "0");
        InvalidateRect(m_hwnd, nullptr, TRUE);
    }
    // A toggled line changes what the document stores, so it is marked changed.
    int OnCommand(int id, HWND control, unsigned code) override {
        if (COutCtlView::OnCommand(id, control, code)) return 1;
        if (id >= IDC_OUT_BIT_FIRST && id <= IDC_OUT_BIT_LAST) {
            SetValue(1, static_cast<double>(Byte() ^ (1u << (id - IDC_OUT_BIT_FIRST))));
            if (WriteEachClick()) m_controller->DoCmd(kOutWriteDigital);
            MarkChanged();
            Refresh();
        } else if (id == IDC_OUT_BIT_SET) {
            if (m_controller->DoCmd(kOutWriteDigital)) Refresh();
        } else if (id == IDM_OUTPUT_PANEL_DIALOG) {
            ShowPreferences();
        } else if (id == IDM_OUTPUT_PANEL_CLOSE) {
            Hide();
        }
        return 1;
    }
    int GetFrameRight() override {
        return ControlRight(m_hwnd, WriteEachClick() ? IDC_OUT_BIT_LAST : IDC_OUT_BIT_SET);
    }

private:
    bool WriteEachClick() const { return static_cast<int>(Value(0)) != 0; }
    unsigned Byte() const { return static_cast<unsigned>(static_cast<int>(Value(1))) & 0xFFu; }
};

// ---- Voltage ----

WNDPROC g_voltsEditProc = nullptr;

// Return in the voltage field commits it at once.
LRESULT CALLBACK VoltsEditProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
    if (msg == WM_KEYDOWN && wParam == VK_RETURN) SendMessageA(GetParent(edit), WM_COMMAND, IDOK, 0);
    return CallWindowProcA(g_voltsEditProc, edit, msg, wParam, lParam);
}

class COutAnalogView : public COutCtlView {
public:
    explicit COutAnalogView(COutCtlViewSet* set) : COutCtlView(set) {
        SetUp(IDD_OUT_VOLTAGE, 3, IDM_OUTPUT_VOLTAGE);
    }
    int Enable(int enable) override {
        COutCtlView::Enable(enable);
        if (!m_hwnd) return 1;
        EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_VOLTS), enable);
        EnableWindow(GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR), enable);
        return 1;
    }
    int OnInitDialog() override {
        COutCtlView::OnInitDialog();
        HWND edit = GetDlgItem(m_hwnd, IDC_OUT_VOLTS);
        WNDPROC old = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(VoltsEditProc)));
        if (!g_voltsEditProc) g_voltsEditProc = old;
        return 1;
    }
    // The scroll range is set once, when the window is made.
    int UpdateScrollRange() {
        if (m_hwnd) return Show(0);
        if (!Show(0)) return 0;
        if (const OutPref* p = Pref(0))
            SetScrollRange(GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR), SB_CTL, RoundToLong(p->m_min * 1000),
                           RoundToLong(p->m_max * 1000), TRUE);
        Refresh();
        return 1;
    }
    void Refresh() override {
        COutCtlView::Refresh();
        if (!m_hwnd) return;
        SetControlNumber(m_hwnd, IDC_OUT_VOLTS, "%2.3f", Value(0));
        SetBarPos(m_hwnd, IDC_OUT_VOLTS_BAR, RoundToLong(Value(0) * 1000));
    }
    int OnCommand(int id, HWND control, unsigned code) override {
        if (COutCtlView::OnCommand(id, control, code)) return 1;
        if (id == IDOK || (id == IDC_OUT_VOLTS && code == EN_KILLFOCUS)) {
            CommitTyped();
        } else if (id == IDM_OUTPUT_PANEL_CLOSE) {
            CommitTyped();
            Hide();
        }
        return 1;
    }
    int OnHScroll(HWND, unsigned code, int position) override {
        const OutPref* p = Pref(0);
        if (!p || !m_controller) return 0;
        int smin = 0, smax = 0;
        GetScrollRange(GetDlgItem(m_hwnd, IDC_OUT_VOLTS_BAR), SB_CTL, &smin, &smax);
        double v = p->m_value;
        switch (code) {
        case SB_LINELEFT:
        case SB_PAGELEFT: v -= p->m_step; break;
        case SB_LINERIGHT:
        case SB_PAGERIGHT: v += p->m_step; break;
        case SB_THUMBPOSITION:
        case SB_THUMBTRACK:
            v = smax > smin ? p->m_min + (p->m_max - p->m_min) * (position - smin) / (smax - smin) : p->m_min;
            break;
        case SB_LEFT: v = p->m_min; break;
        case SB_RIGHT: v = p->m_max; break;
        case SB_ENDSCROLL: break;
        default: return 0;
        }
        SetVoltage(v, false, code == SB_ENDSCROLL);
        return 1;
    }
    int HasPreferences() override { return 0; }
    int GetFrameRight() override { return ControlRight(m_hwnd, IDC_OUT_VOLTS_FRAME); }

    void SetVoltage(double v, bool beep, bool send) {
        OutPref* p = Pref(0);
        if (!p) return;
        ValidatePrefValue(*p, &v, beep);
        p->m_value = v;
        if (send) m_controller->DoCmd(kOutUpdate);
        Refresh();
        MarkChanged();
    }

private:
    void CommitTyped() {
        if (!EditModified(m_hwnd, IDC_OUT_VOLTS)) return;
        SetVoltage(ReadEditNumber(m_hwnd, IDC_OUT_VOLTS, kVoltsChars), true, true);
        ClearEditModified(m_hwnd, IDC_OUT_VOLTS);
    }
};

}  // namespace

COutCtlView* NewOutputPanel(int type, COutCtlViewSet* set) {
    switch (type) {
    case 0: return new (std::nothrow) COutCH3View(set);
    case 1: return new (std::nothrow) COutDigitalView(set);
    case 3: return new (std::nothrow) COutAnalogView(set);
    default: return NewStimulatorPanel(type, set);
    }
}

int ShowPanelFirstTime(COutCtlView* panel) {
    if (!panel) return 0;
    if (panel->IsAnalog()) return static_cast<COutAnalogView*>(panel)->UpdateScrollRange();
    return panel->Show(0);
}
