// The model-40 electrode checker's reading, meter and window (dialog 128).
#include "devlib/acquisition/setup/electrode_check.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/binding.h"
#include "common/byte_order.h"
#include "common/stAcq.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/vk40.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/modeless_panel.h"

stElectrodeReadout g_electrodeReadout;

namespace {

constexpr double kElectrodeVoltsPerCount = 0.00007629510948348211;  // 2.5 V over 32,767 counts
constexpr double kMidVolts = 2.5;
constexpr double kCeilingVolts = 3.85;
constexpr double kHighestVolts = 3.8499;
constexpr double kReferenceKOhm = 100.0;
constexpr double kMeterPerKOhm = 0.01001001;  // full scale at 99.9
constexpr int32_t kMeterBottomGap = 30;
constexpr int32_t kMeterTopGap = 2;
constexpr int32_t kFieldsAboveBottom = 25;
constexpr COLORREF kMeterFill = RGB(0, 160, 0);
constexpr const char kTitleKey[] = "Electrode Checker";

// The title says whether a reading came: the keyed title, or the window's own note at 0.
void SetCheckerTitle(HWND dlg) {
    char title[128] = "";
    if (g_electrodeReadout.lastShown != 0)
        {
        lstrcpynA(title, Keyed(kTitleKey), sizeof(title));
    }
    else
        GetDlgItemTextA(dlg, IDC_ELECTRODE_IDLE_TITLE, title, sizeof(title));
    SetWindowTextA(dlg, title);
}

void RedrawMeter(HWND dlg) {
    RECT client{};
    GetClientRect(dlg, &client);
    const RECT meter = ElectrodeMeterRect(client);
    InvalidateRect(dlg, &meter, FALSE);
}

void PaintChecker(HWND dlg, HDC dc) {
    RECT client{};
    GetClientRect(dlg, &client);
    DrawElectrodeMeter(dc, ElectrodeMeterRect(client), ElectrodeMeterFraction(g_electrodeReadout.lastShown));
}

// The value field and its units side by side, 25 pixels above the bottom.
void PlaceFields(HWND dlg, int32_t width, int32_t height) {
    HWND value = GetDlgItem(dlg, IDC_ELECTRODE_VALUE), units = GetDlgItem(dlg, IDC_ELECTRODE_UNITS);
    RECT r{};
    if (!value || !units || !GetWindowRect(value, &r)) return;
    const int32_t fieldWidth = r.right - r.left, fieldHeight = r.bottom - r.top;
    const int32_t y = std::max(0, height - kFieldsAboveBottom);
    MoveWindow(value, 2, y, fieldWidth, fieldHeight, TRUE);
    MoveWindow(units, 2 + fieldWidth + 4, y + 2, std::max(0, width - fieldWidth - 8), fieldHeight, TRUE);
    RedrawMeter(dlg);
}

// Centred on the desktop.
void CentreOnDesktop(HWND dlg) {
    RECT r{}, desk{};
    GetWindowRect(dlg, &r);
    GetWindowRect(GetDesktopWindow(), &desk);
    const int32_t w = r.right - r.left, h = r.bottom - r.top;
    SetWindowPos(dlg, nullptr, (desk.right - desk.left - w) / 2, (desk.bottom - desk.top - h) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Cancel and close hide the checker as the menu item would.
void HideChecker(HWND dlg) {
    g_lib.electrodeShown = 0;
    HWND owner = GetParent(dlg);
    HMENU menu = owner ? GetMenu(owner) : nullptr;
    if (menu) CheckMenuItem(menu, IDM_ELECTRODE, MF_BYCOMMAND | MF_UNCHECKED);
    KillTimer(dlg, IDT_ELECTRODE_CHECK);
    ShowWindow(dlg, SW_HIDE);
}

INT_PTR CALLBACK ElectrodeCheckerProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        CentreOnDesktop(dlg);
        return FALSE;  // created hidden: the focus stays with the frame
    case WM_ACTIVATE:
        RoutePanelKeys(dlg, wParam);
        return FALSE;
    case WM_SIZE: PlaceFields(dlg, LOWORD(lParam), HIWORD(lParam)); return FALSE;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(dlg, &ps);
        PaintChecker(dlg, dc);
        EndPaint(dlg, &ps);
        return TRUE;
    }
    case WM_PRINTCLIENT: {
        RECT client{};
        GetClientRect(dlg, &client);
        FillRect(reinterpret_cast<HDC>(wParam), &client, GetSysColorBrush(COLOR_BTNFACE));
        PaintChecker(dlg, reinterpret_cast<HDC>(wParam));
        return TRUE;
    }
    case WM_TIMER: return TRUE;  // the program's loop runs the idle step, which reads, on this tick
    case WM_CLOSE: HideChecker(dlg); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDCANCEL) HideChecker(dlg);
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

double ElectrodeImpedanceFromReply(int16_t reply) {
    const double v = std::clamp(reply * kElectrodeVoltsPerCount + kMidVolts, 0.0, kHighestVolts);
    return std::min(v * kReferenceKOhm / (kCeilingVolts - v), kElectrodeMaxShownKOhm);
}

double ReadElectrodeImpedance(stAcq* acq) {
    if (!acq || acq->run.running) return g_electrodeReadout.lastRead;
    uint8_t reply[2] = {};
    if (!g_unitLink.QueryCommand(kCmdElectrodeVK40, 0, nullptr, sizeof(reply), reply)) return g_electrodeReadout.lastRead;
    const int16_t n = static_cast<int16_t>(GetBeU16(reply));
    g_electrodeReadout.lastRead = ElectrodeImpedanceFromReply(n);
    return g_electrodeReadout.lastRead;
}

double ElectrodeMeterFraction(double kiloOhms) {
    if (!(kiloOhms > 0)) return 0.0;
    return std::min(kiloOhms * kMeterPerKOhm, 1.0);
}

RECT ElectrodeMeterRect(const RECT& client) {
    RECT r = client;
    r.top += kMeterTopGap;
    r.bottom = std::max(r.top, client.bottom - kMeterBottomGap);
    return r;
}

void DrawElectrodeMeter(HDC dc, const RECT& meter, double fraction) {
    FillRect(dc, &meter, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    RECT inside = meter;
    InflateRect(&inside, -2, -2);
    if (inside.right > inside.left && inside.bottom > inside.top) {
        RECT fill = inside;
        fill.right = inside.left + static_cast<LONG>(std::lround((inside.right - inside.left) * std::clamp(fraction, 0.0, 1.0)));
        HBRUSH brush = CreateSolidBrush(kMeterFill);
        FillRect(dc, &fill, brush);
        DeleteObject(brush);
        for (int32_t q = 1; q < 4; ++q) {
            const int32_t x = inside.left + (inside.right - inside.left) * q / 4;
            RECT tick{x, inside.top, x + 1, inside.top + (inside.bottom - inside.top) / 4};
            FillRect(dc, &tick, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
        }
    }
    FrameRect(dc, &meter, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
}

// The idle step while the checker is shown: a new reading moves the meter, the number and the title.
void UpdateElectrodeChecker(HWND, stAcq* acq) {
    ++g_runTrace.electrodeUpdate;
    HWND dlg = acq ? acq->hwndElectrodeCheck : nullptr;
    if (!g_lib.electrodeShown || !dlg || !IsWindow(dlg)) return;
    const double z = ReadElectrodeImpedance(acq);
    if (z == g_electrodeReadout.lastShown) return;
    g_electrodeReadout.lastShown = z;
    char text[32];
    snprintf(text, sizeof(text), "%4.2f", z);
    SetDlgItemTextA(dlg, IDC_ELECTRODE_VALUE, text);
    SetCheckerTitle(dlg);
    RedrawMeter(dlg);
    UpdateWindow(dlg);
}

// Start-up forgets the readings; the checker's window waits for its first use.
void PrepareElectrodeChecker(HGLOBAL) { g_electrodeReadout = stElectrodeReadout{}; }

// Made hidden the first time it is needed, by the unit's model: the program sends the model-40
// window's timer ticks to its idle step; the second model gets the two-input check, which
// refreshes itself; a unit not known yet gets none.
HWND ElectrodeCheckerWindow(HGLOBAL hAcq) {
    {
        AcqLock acq(hAcq);
        if (!acq) return nullptr;
        if (IsWindow(acq->hwndElectrodeCheck)) return acq->hwndElectrodeCheck;
    }
    if (g_unitModel == kModelVK45) {
        HWND dual = CreateDualElectrodeChecker(g_lib.hostFrame);
        AcqLock acq(hAcq);
        if (acq) acq->hwndElectrodeCheck = dual;
        return dual;
    }
    if (!IsVK40()) return nullptr;
    HWND dlg = CreateDialogParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_ELECTRODE_CHECK_VK40), g_lib.hostFrame,
                                  ElectrodeCheckerProc, reinterpret_cast<LPARAM>(hAcq));
    AcqLock acq(hAcq);
    if (acq) acq->hwndElectrodeCheck = acq->hwndElectrodeReadout = dlg;
    if (!dlg) return nullptr;
    HandleTheDialog(dlg, IDD_ELECTRODE_CHECK_VK40);  // texts loaded before it was made
    SetCheckerTitle(dlg);
    return dlg;
}

void RetitleElectrodeChecker(HWND checker) {
    if (IsVK40() && checker && IsWindow(checker)) SetCheckerTitle(checker);
}

// Device menu command 5015: the flag and the check mark are already set by the caller.
// Hiding one never made makes nothing.
void ShowElectrodeChecker(HGLOBAL hAcq, int32_t show) {
    if (show) ElectrodeCheckerWindow(hAcq);
    AcqLock acq(hAcq);
    HWND dlg = acq ? acq->hwndElectrodeCheck : nullptr;
    if (!dlg || !IsWindow(dlg)) return;
    if (g_unitModel == kModelVK45) {
        ShowWindow(dlg, show ? SW_SHOW : SW_HIDE);
        return;
    }
    RedrawMeter(dlg);
    SetCheckerTitle(dlg);
    if (show) {
        SetTimer(dlg, IDT_ELECTRODE_CHECK, kElectrodeTimerMs, nullptr);
        ShowWindow(dlg, SW_SHOW);
        UpdateElectrodeChecker(nullptr, acq.get());
    } else {
        KillTimer(dlg, IDT_ELECTRODE_CHECK);
        ShowWindow(dlg, SW_HIDE);
    }
}
