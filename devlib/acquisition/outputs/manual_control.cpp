// The Manual Control panel: the analog output's level set by hand, or input channel 3 routed to
// the output instead.
#include "devlib/acquisition/outputs/manual_control.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/stAcq.h"
#include "devlib/acquisition/outputs/out_ctl.h"
#include "devlib/acquisition/outputs/stimulator.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/value_text.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/modeless_panel.h"
#include "devlib/vk40.h"

namespace {

constexpr double kVoltsPerStep = 0.001220703125;
constexpr double kMiddleVolts = 2.5;
constexpr int32_t kScrollTop = 16383;
constexpr int32_t kLineStep = 16;
constexpr int32_t kPageStep = 1000;
constexpr int32_t kTypedChars = 40;
constexpr int kVoltageControls[] = {IDC_MANUAL_SCROLL, IDC_MANUAL_VOLTS, IDC_MANUAL_OUTPUT_GROUP,
                                    IDC_MANUAL_VOLTS_LABEL};

void EnableVoltageControls(HWND dlg, bool enable) {
    for (int id : kVoltageControls) EnableWindow(GetDlgItem(dlg, id), enable);
}

void ShowVolts(HWND edit, int32_t counts) {
    char text[kTypedChars];
    FormatValueText(kTypedChars - 1, 4, kFmtFixedDecimals, ManualVoltsFromCounts(counts), text);
    SetWindowTextA(edit, text);
}

int32_t StoredCounts(const stAcq* acq) { return static_cast<int32_t>(acq->manualValue); }

void RefreshManualControl(HWND dlg, stAcq* acq) {
    const int32_t counts = StoredCounts(acq);
    ShowVolts(GetDlgItem(dlg, IDC_MANUAL_VOLTS), counts);
    SetScrollPos(GetDlgItem(dlg, IDC_MANUAL_SCROLL), SB_CTL, ManualScrollPosition(counts), TRUE);
    const bool ch3 = acq->outputMode == kOutSelChannel3;
    CheckRadioButton(dlg, IDC_MANUAL_VOLTAGE_OUT, IDC_MANUAL_CH3_OUT, ch3 ? IDC_MANUAL_CH3_OUT : IDC_MANUAL_VOLTAGE_OUT);
    EnableVoltageControls(dlg, !ch3);
}

// The typed voltage, held in range and written back as it is sent.
void ApplyTypedVoltage(HWND dlg, stAcq* acq) {
    char text[kTypedChars] = "";
    GetDlgItemTextA(dlg, IDC_MANUAL_VOLTS, text, kTypedChars);
    const double volts = ClampManualVolts(std::atof(text));
    std::snprintf(text, sizeof(text), "%2.4f", volts);
    SetDlgItemTextA(dlg, IDC_MANUAL_VOLTS, text);
    SetManualOutputLevel(acq, GetDlgItem(dlg, IDC_MANUAL_SCROLL), ManualCountsFromVolts(volts),
                         GetDlgItem(dlg, IDC_MANUAL_VOLTS), 0);
}

void OnCommand(HWND dlg, stAcq* acq, int id, UINT code) {
    switch (id) {
    case IDC_MANUAL_VOLTS:
        if (code == EN_KILLFOCUS) ApplyTypedVoltage(dlg, acq);
        break;
    case IDOK:  // Enter
        if (GetFocus() == GetDlgItem(dlg, IDC_MANUAL_VOLTS)) ApplyTypedVoltage(dlg, acq);
        break;
    case IDC_MANUAL_VOLTAGE_OUT:
        SetOutputParameter(acq, kOutSelRawDA);
        EnableVoltageControls(dlg, true);
        break;
    case IDC_MANUAL_CH3_OUT:
        SetOutputParameter(acq, kOutSelChannel3);
        EnableVoltageControls(dlg, false);
        break;
    case IDCANCEL:
        ShowWindow(dlg, SW_HIDE);
        acq->manualControlShown = 0;
        break;
    default: break;
    }
}

// Showing it sends what it shows: the typed level and the chosen output.
void OnShown(HWND dlg, stAcq* acq) {
    RefreshManualControl(dlg, acq);
    ApplyTypedVoltage(dlg, acq);
    SetOutputParameter(acq, IsDlgButtonChecked(dlg, IDC_MANUAL_VOLTAGE_OUT) == BST_CHECKED ? kOutSelRawDA
                                                                                          : kOutSelChannel3);
}

INT_PTR CALLBACK ManualControlProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        KeepPanelRecord(dlg, lParam);
        SetScrollRange(GetDlgItem(dlg, IDC_MANUAL_SCROLL), SB_CTL, -kScrollTop, kManualCountsMax, FALSE);
        SendDlgItemMessageA(dlg, IDC_MANUAL_VOLTS, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT)),
                            FALSE);
        HandleTheDialog(dlg, IDD_MANUAL_CONTROL);
        return FALSE;
    }
    AcqLock acq(PanelRecord(dlg));
    if (!acq) return FALSE;
    switch (message) {
    case WM_COMMAND: OnCommand(dlg, acq.get(), LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_VSCROLL:
        if (reinterpret_cast<HWND>(lParam) == GetDlgItem(dlg, IDC_MANUAL_SCROLL))
            SetManualOutputLevel(acq.get(), reinterpret_cast<HWND>(lParam),
                                 ManualScrolledCounts(StoredCounts(acq.get()), LOWORD(wParam),
                                                      static_cast<int16_t>(HIWORD(wParam))),
                                 GetDlgItem(dlg, IDC_MANUAL_VOLTS), 1);
        return TRUE;
    case WM_SHOWWINDOW:
        if (wParam) OnShown(dlg, acq.get());
        return FALSE;
    case WM_MOVE: FollowPanelMove(dlg, &acq->manualControlPlacement, lParam); return TRUE;
    case WM_ACTIVATE:
        RoutePanelKeys(dlg, wParam);
        return FALSE;
    case WM_CLOSE:
        ShowWindow(dlg, SW_HIDE);
        acq->manualControlShown = 0;
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

double ManualVoltsFromCounts(int32_t counts) { return (counts >> 3) * kVoltsPerStep + kMiddleVolts; }

int32_t ManualCountsFromVolts(double volts) { return static_cast<int32_t>(std::trunc((volts - kMiddleVolts) * kManualCountsPerVolt)); }

double ClampManualVolts(double volts) {
    if (!(volts >= 0.0)) return 0.0;  // also a text that is no number
    return volts >= kManualVoltsMax ? kManualVoltsMax : volts;
}

int32_t ManualScrollPosition(int32_t counts) { return std::min(-counts, kScrollTop); }

int32_t ManualScrolledCounts(int32_t counts, int32_t code, int32_t thumb) {
    auto up = [](int32_t c) { return c > kScrollTop - 1 ? kScrollTop : c; };
    auto down = [](int32_t c) { return c < -(kScrollTop - 1) ? -kScrollTop : c; };
    switch (code) {
    case SB_LINEUP: return up(counts + kLineStep);
    case SB_LINEDOWN: return down(counts - kLineStep);
    case SB_PAGEUP: return up(counts + kPageStep);
    case SB_PAGEDOWN: return down(counts - kPageStep);
    case SB_THUMBTRACK: return -thumb;
    default: return counts;
    }
}

void ManualLevelData(int32_t counts, uint8_t out[3]) {
    out[0] = static_cast<uint8_t>((counts >> 7) & 0xFF);
    out[1] = static_cast<uint8_t>((2 * counts) & 0xFF);
    out[2] = 0;
}

int32_t SetManualOutputLevel(stAcq* acq, HWND scroll, int32_t counts, HWND edit, int32_t updateText) {
    if (acq->hwndManualControl) {
        SetScrollPos(scroll, SB_CTL, ManualScrollPosition(counts), TRUE);
        if (updateText) ShowVolts(edit, counts);
    }
    acq->manualValue = counts;
    uint8_t data[3];
    ManualLevelData(counts, data);
    return g_unitLink.SetCommand(kCmdAnalogOut, sizeof(data), data) ? 1 : 0;
}

// Start-up readies the record as the panel's making would; the window waits for its first use.
void PrepareManualControl(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return;
    acq->manualScratch[0] = acq->manualScratch[1] = 0;
    acq->manualScratchShort = 0;
    acq->manualControlShown = 0;
}

// The panel, made hidden with the frame as its owner the first time it is needed, showing the
// level and output the record holds by then.
HWND ManualControlWindow(HGLOBAL hAcq) {
    HWND dlg;
    if (KeptPanel(hAcq, &stAcq::hwndManualControl, &dlg)) return dlg;
    return MakePanel(hAcq, &stAcq::hwndManualControl, IDD_MANUAL_CONTROL, g_lib.hostFrame, ManualControlProc,
                     [](HWND made, stAcq* acq) {
                         if (made) RefreshManualControl(made, acq);
                     });
}

void ShowManualControl(HGLOBAL hAcq) {
    HWND dlg = ManualControlWindow(hAcq);
    {
        AcqLock acq(hAcq);
        if (!acq || !IsWindow(dlg)) return;
        RefreshManualControl(dlg, acq.get());
    }
    HandleTheDialog(dlg, IDD_MANUAL_CONTROL);
    ShowWindow(dlg, SW_SHOWNORMAL);
    AcqLock acq(hAcq);
    if (!acq) return;
    acq->manualControlShown = 1;
    stStimSetup& s = acq->stim;
    if (s.continuous)
        s.on = 1;
    else
        s.startRequested = 0;
    if (acq->hwndStimulator)
        SetToggleButtonImage(GetDlgItem(acq->hwndStimulator, IDC_STIM_START), s.continuous,
                             s.continuous ? s.on : s.startRequested);
}

int32_t ApplyManualControlValue(HWND panel, stAcq* acq) {
    return SetManualOutputLevel(acq, GetDlgItem(panel, IDC_MANUAL_SCROLL), StoredCounts(acq),
                                GetDlgItem(panel, IDC_MANUAL_VOLTS), 1);
}
