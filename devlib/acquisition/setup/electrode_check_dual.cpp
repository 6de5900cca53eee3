// The second model's electrode check: a modeless dialog that settles the unit's references and
// shows the impedance of both electrode inputs as a number and a bar, every 500 ms while shown.
#include "devlib/acquisition/setup/electrode_check.h"

#include <commctrl.h>

#include <cstring>

#include <cstdio>

#include "common/byte_order.h"
#include "common/stAcq.h"
#include "devlib/acquisition/setup/electrode.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/tvx_dlg.h"
#include "common/locale.h"

namespace {

constexpr int32_t kSmallPoints = 10, kLargePoints = 16;
constexpr double kOpenKOhm = 100.0;
constexpr COLORREF kFirstBarColour = 0x0000FF;
constexpr COLORREF kSecondBarColour = 0xFFFFFF;

struct stElectrodeFonts {
    HFONT small = nullptr, symbol = nullptr, large = nullptr;
};
stElectrodeFonts g_electrodeFonts;

HFONT MakeFont(int32_t points, int32_t weight, const char* face, bool localCharset) {
    HDC screen = GetDC(nullptr);
    const int32_t height = -MulDiv(points, GetDeviceCaps(screen, LOGPIXELSY), 72);
    ReleaseDC(nullptr, screen);
    const DWORD charset = localCharset && GetUserDefaultLCID() == kJapaneseLocale ? SHIFTJIS_CHARSET : DEFAULT_CHARSET;
    return CreateFontA(height, 0, 0, 0, weight, 0, 0, 0, face && !strcmp(face, "Symbol") ? SYMBOL_CHARSET : charset, 0, 0, 0, 0,
                       face);
}

// Made once, by the first dialog.
void MakeElectrodeFonts() {
    if (g_electrodeFonts.small) return;
    g_electrodeFonts.small = MakeFont(kSmallPoints, FW_NORMAL, nullptr, true);
    g_electrodeFonts.symbol = MakeFont(kLargePoints, FW_BOLD, "Symbol", false);
    g_electrodeFonts.large = MakeFont(kLargePoints, FW_BOLD, nullptr, true);
}

class CElectrodeCheckDlg : public CTVXDlg {
public:
    CElectrodeCheckDlg() { m_id = IDD_ELECTRODE_CHECK; }
    ~CElectrodeCheckDlg() override = default;

    int OnInitDialog(HWND, LPARAM) override {
        MakeElectrodeFonts();
        const int bars[] = {IDC_ELECTRODE_BAR1, IDC_ELECTRODE_BAR2};
        const COLORREF colours[] = {kFirstBarColour, kSecondBarColour};
        for (int i = 0; i < 2; ++i) {
            SendDlgItemMessageA(bars[i], PBM_SETBARCOLOR, 0, colours[i]);
            SendDlgItemMessageA(bars[i], PBM_SETRANGE32, 0, 100);
        }
        return 0;  // created hidden: the focus stays with the frame
    }
    int OnCommand(int id, HWND, unsigned) override {
        if (id == IDCANCEL) Hide();
        return 1;
    }
    int OnShowWindow(int shown, unsigned) override {
        g_lib.electrodeShown = shown ? 1 : 0;
        HMENU menu = m_hParent ? GetMenu(m_hParent) : nullptr;
        if (menu) CheckMenuItem(menu, IDM_ELECTRODE, MF_BYCOMMAND | (shown ? MF_CHECKED : MF_UNCHECKED));
        if (shown) {
            MeasureAndShowElectrodes(m_hWnd);
            SetTimer(m_hWnd, IDT_ELECTRODE_CHECK, kElectrodeTimerMs, nullptr);
        } else {
            KillTimer(m_hWnd, IDT_ELECTRODE_CHECK);
        }
        return 0;
    }
    int OnTimer(unsigned id) override {
        if (id != IDT_ELECTRODE_CHECK) return 0;
        if (g_lib.electrodeShown) MeasureAndShowElectrodes(m_hWnd);
        return 1;
    }
};

CElectrodeCheckDlg g_electrodeCheckDlg;

// One input's number and bar.
void ShowElectrodeValue(HWND dlg, int textId, int barId, double kiloOhms) {
    char text[64] = "";
    HFONT font = g_electrodeFonts.symbol;
    if (!ElectrodeValueText(kiloOhms, text, sizeof(text))) {
        GetDlgItemTextA(dlg, IDC_ELECTRODE_NO_READING, text, sizeof(text));
        font = g_electrodeFonts.large;
    }
    SendDlgItemMessageA(dlg, textId, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    SetDlgItemTextA(dlg, textId, text);
    SendDlgItemMessageA(dlg, barId, PBM_SETPOS, static_cast<WPARAM>(ElectrodeBarPosition(kiloOhms)), 0);
}

}  // namespace

int32_t ElectrodeValueText(double kiloOhms, char* text, size_t size) {
    if (kiloOhms == kElectrodeNoReading || !(kiloOhms >= 0)) return 0;
    if (kiloOhms >= kOpenKOhm)
        snprintf(text, size, "> 100 kW");
    else
        snprintf(text, size, "%5.2f kW", kiloOhms);
    return 1;
}

int32_t ElectrodeBarPosition(double kiloOhms) {
    if (kiloOhms == kElectrodeNoReading || !(kiloOhms >= 0)) return 0;
    return kiloOhms >= kOpenKOhm ? static_cast<int32_t>(kOpenKOhm) : static_cast<int32_t>(kiloOhms);
}

int32_t QueryElectrodeUnit(void*, uint8_t second, int32_t readings[2]) {
    const uint8_t data[2] = {0x00, second};
    uint8_t reply[4] = {};
    if (!g_unitLink.QueryCommand(kCmdElectrodeCheck, sizeof(data), data, sizeof(reply), reply)) return 0;
    readings[0] = GetBeU16(reply);
    readings[1] = GetBeU16(reply + 2);
    return 1;
}

// Unit errors and a running recording show as no reading on both inputs.
void MeasureAndShowElectrodes(HWND dlg) {
    static stElectrodeMeasure measure;
    int32_t recording = 0;
    {
        AcqLock acq(g_lib.hAcq);
        recording = acq ? acq->run.running : 0;
    }
    measure.impedance[0] = measure.impedance[1] = kElectrodeNoReading;
    if (!recording && SettleElectrodeReferences(&measure, QueryElectrodeUnit, nullptr))
        MeasureElectrodes(&measure, QueryElectrodeUnit, nullptr, recording);
    ShowElectrodeValue(dlg, IDC_ELECTRODE_TEXT1, IDC_ELECTRODE_BAR1, measure.impedance[0]);
    ShowElectrodeValue(dlg, IDC_ELECTRODE_TEXT2, IDC_ELECTRODE_BAR2, measure.impedance[1]);
}

// At start-up, hidden, for the models without the single-input checker.
HWND CreateDualElectrodeChecker(HWND frame) {
    INITCOMMONCONTROLSEX icc{sizeof(icc), ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&icc);
    if (!g_electrodeCheckDlg.Create(g_lib.instance, IDD_ELECTRODE_CHECK, frame, 0)) return nullptr;
    return g_electrodeCheckDlg.m_hWnd;
}
