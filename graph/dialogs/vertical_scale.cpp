// The vertical scale dialogs of one channel: the free one (scale per division and midpoint) and
// the locked one (limits or range and midpoint, major division, base point). Both write the
// document only after OK, and only the quantities the user chose for the channels chosen.
#include "graph/dialogs/dialogs_api.h"
#include "graph/dialogs/dialog_util.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "controls/window_center.h"
#include "devlib/vk40.h"
#include "graph/view/display_modes.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <utility>

namespace {


struct stVScale {
    tagGS* gs;
    int32_t channel;
    int32_t focusMidpoint;
    uint32_t allScale, allMidpoint, allDecimals;
    double scale, midpoint;
    uint16_t decimals[kMaxChannels];
};

struct stLockedVScale {
    tagGS* gs;
    int32_t channel;
    uint32_t rangeMode;
    uint32_t allScale, allMidpoint, allDecimals;
    double perDivision, midpoint, divisions;
    uint16_t decimals[kMaxChannels];
    double basePoint;
};

// A slot counts as shown when its state bits are 2 or 3.
bool Shown(const tagGS* gs, int slot) { return (gs->chanFlags[slot] & kChanSlotMask) >= 2; }

// Slots 20..39 are calculation channels, which have no units set-up.
bool OffersScaling(int slot) { return slot < 20 || slot >= 40; }

// Every slot in use, in slot order, the given one chosen.
void FillChannels(HWND dlg, int id, const tagGS* gs, int channel) {
    HWND combo = GetDlgItem(dlg, id);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (uint32_t s = 0; s < static_cast<uint32_t>(kMaxChannels); ++s) {
        if (!(gs->chanFlags[s] & kChanSlotMask)) continue;
        const int index = AddChannelComboItem(combo, gs, s);
        if (static_cast<int>(s) == channel) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
}

// The slot of the chosen entry, or the fallback without one.
int ChosenChannel(HWND dlg, int id, int fallback) {
    HWND combo = GetDlgItem(dlg, id);
    const LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (sel < 0) return fallback;
    const LRESULT slot = SendMessageA(combo, CB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
    return slot >= 0 && slot < kMaxChannels ? static_cast<int>(slot) : fallback;
}

// The units followed by "/div".
void SetPerDivUnits(HWND dlg, int id, const char* units) {
    char text[40];
    std::snprintf(text, sizeof text, "%s/div", units);
    SetDlgItemTextA(dlg, id, text);
}

// Whether the user typed into the edit since it was last shown.
bool EditModified(HWND dlg, int id) { return SendDlgItemMessageA(dlg, id, EM_GETMODIFY, 0, 0) != 0; }

// The device library's units set-up, when it has one.
void RunUnitsSetup(HWND dlg, int slot) {
    DeviceSetupUnits(dlg, slot);
}

// ---- the free dialog (118) ----

// The fields with the digits and units of the channel chosen.
void ShowFreeFields(HWND dlg, stVScale* d) {
    const int slot = ChosenChannel(dlg, IDC_VS_CHANNEL, d->channel);
    const int decimals = gdlg::ChosenDigits(dlg, IDC_VS_PRECISION);
    gdlg::SetEditValue(dlg, IDC_VS_SCALE, d->scale, decimals);
    gdlg::SetEditValue(dlg, IDC_VS_MIDPOINT, d->midpoint, decimals);
    SetPerDivUnits(dlg, IDC_VS_SCALE_UNITS, d->gs->chanUnits[slot]);
    SetDlgItemTextA(dlg, IDC_VS_MID_UNITS, d->gs->chanUnits[slot]);
    EnableWindow(GetDlgItem(dlg, IDC_VS_SCALING), OffersScaling(slot));
}

// Only what was typed replaces the working values.
void ReadModifiedFree(HWND dlg, stVScale* d) {
    if (EditModified(dlg, IDC_VS_SCALE)) d->scale = gdlg::ReadNumber(dlg, IDC_VS_SCALE);
    if (EditModified(dlg, IDC_VS_MIDPOINT)) d->midpoint = gdlg::ReadNumber(dlg, IDC_VS_MIDPOINT);
    SendDlgItemMessageA(dlg, IDC_VS_SCALE, EM_SETMODIFY, FALSE, 0);
    SendDlgItemMessageA(dlg, IDC_VS_MIDPOINT, EM_SETMODIFY, FALSE, 0);
}

// The all-channel boxes mean nothing in XY mode.
void OnFreeInit(HWND dlg, stVScale* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    if (d->gs->displayMode == kModeXY)
        for (int id : {IDC_VS_ALL_SCALE, IDC_VS_ALL_MIDPOINT, IDC_VS_ALL_DECIMALS})
            EnableWindow(GetDlgItem(dlg, id), FALSE);
    d->allScale = d->allMidpoint = 0;
    gdlg::FillDigits(dlg, IDC_VS_PRECISION, d->decimals[d->channel]);
    FillChannels(dlg, IDC_VS_CHANNEL, d->gs, d->channel);
    ShowFreeFields(dlg, d);
    CenterWindowOnScreen(dlg);
    gdlg::FocusAll(dlg, d->focusMidpoint > 0 ? IDC_VS_MIDPOINT : IDC_VS_SCALE);
    HandleTheDialog(dlg, IDD_VSCALE);
}

// OK stays greyed while the scale is not above 0; a keyboard OK is refused the same way.
void OnFreeCommand(HWND dlg, stVScale* d, int id, int code) {
    switch (id) {
    case IDC_VS_SCALE:
        if (code == EN_CHANGE) EnableWindow(GetDlgItem(dlg, IDOK), gdlg::ReadNumber(dlg, IDC_VS_SCALE) > 0.0);
        [[fallthrough]];
    case IDC_VS_MIDPOINT:
        if (code == EN_KILLFOCUS) {
            ReadModifiedFree(dlg, d);
            ShowFreeFields(dlg, d);
        }
        break;
    case IDC_VS_PRECISION:
        if (code == CBN_SELCHANGE) {
            const int slot = ChosenChannel(dlg, IDC_VS_CHANNEL, d->channel);
            d->decimals[slot] = static_cast<uint16_t>(gdlg::ChosenDigits(dlg, IDC_VS_PRECISION));
            ShowFreeFields(dlg, d);
        }
        break;
    case IDC_VS_CHANNEL:
        if (code == CBN_SELCHANGE) {
            const int slot = ChosenChannel(dlg, IDC_VS_CHANNEL, d->channel);
            SendDlgItemMessageA(dlg, IDC_VS_PRECISION, CB_SETCURSEL, d->decimals[slot] - 1u, 0);
            ShowFreeFields(dlg, d);
        }
        break;
    case IDC_VS_SCALING:
        d->channel = ChosenChannel(dlg, IDC_VS_CHANNEL, d->channel);
        RunUnitsSetup(dlg, d->channel);
        break;
    case IDOK:
        d->channel = ChosenChannel(dlg, IDC_VS_CHANNEL, d->channel);
        ReadModifiedFree(dlg, d);
        d->allScale = IsDlgButtonChecked(dlg, IDC_VS_ALL_SCALE) == BST_CHECKED;
        d->allMidpoint = IsDlgButtonChecked(dlg, IDC_VS_ALL_MIDPOINT) == BST_CHECKED;
        d->allDecimals = IsDlgButtonChecked(dlg, IDC_VS_ALL_DECIMALS) == BST_CHECKED;
        if (d->scale > 0.0) EndDialog(dlg, 1);  // a scale of 0 or less keeps the dialog open
        break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

// Dialog 118.
INT_PTR CALLBACK FreeProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<stVScale*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: OnFreeInit(dlg, reinterpret_cast<stVScale*>(lParam)); return FALSE;
    case WM_SHOWWINDOW: HandleShowMessage(dlg, IDD_VSCALE); return FALSE;
    case WM_COMMAND:
        if (d) OnFreeCommand(dlg, d, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

// ---- the locked dialog (204) ----

// A label from its key, with the dialog's own replacement when it has one.
void SetKeyedLabel(HWND dlg, int id, const char* key) {
    SetControlTextFromKey(GetDlgItem(dlg, id), IDD_VSCALE_LOCKED, Keyed(key));
}

// Limits or range and midpoint, as the grid's parameter choice says.
void ShowLockedFields(HWND dlg, stLockedVScale* d) {
    const char* units = d->gs->chanUnits[d->channel];
    const int decimals = d->decimals[d->channel];
    gdlg::SetEditValue(dlg, IDC_VL_MAJOR, d->perDivision, decimals);
    SetPerDivUnits(dlg, IDC_VL_MAJOR_UNITS, units);
    for (int id : {IDC_VL_UPPER_UNITS, IDC_VL_LOWER_UNITS, IDC_VL_BASE_UNITS}) SetDlgItemTextA(dlg, id, units);
    gdlg::SetEditValue(dlg, IDC_VL_BASE, d->basePoint, decimals);
    SetKeyedLabel(dlg, IDC_VL_RANGE_GROUP, "VLOCKED Scale Range");
    const double range = d->perDivision * d->divisions;
    if (!d->rangeMode) {
        SetKeyedLabel(dlg, IDC_VL_UPPER_LABEL, "VLOCKED Upper Key");
        SetKeyedLabel(dlg, IDC_VL_LOWER_LABEL, "VLOCKED Lower Key");
        gdlg::SetEditValue(dlg, IDC_VL_LOWER, d->midpoint - range / 2.0, decimals);
        gdlg::SetEditValue(dlg, IDC_VL_UPPER, d->midpoint + range / 2.0, decimals);
    } else {
        SetKeyedLabel(dlg, IDC_VL_UPPER_LABEL, "VLOCKED Range Key");
        SetKeyedLabel(dlg, IDC_VL_LOWER_LABEL, "VLOCKED Midpoint Key");
        gdlg::SetEditValue(dlg, IDC_VL_LOWER, d->midpoint, decimals);
        gdlg::SetEditValue(dlg, IDC_VL_UPPER, range, decimals);
    }
}

// The channel is fixed: its entry shows in a disabled field.
void OnLockedInit(HWND dlg, stLockedVScale* d) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(d));
    for (int id : {IDC_VL_LOWER, IDC_VL_UPPER, IDC_VL_MAJOR, IDC_VL_BASE})
        SendDlgItemMessageA(dlg, id, EM_LIMITTEXT, 20, 0);
    if (d->gs->displayMode == kModeXY)
        for (int id : {IDC_VL_ALL_LIMITS, IDC_VL_ALL_MAJOR, IDC_VL_ALL_DECIMALS})
            EnableWindow(GetDlgItem(dlg, id), FALSE);
    d->allScale = d->allMidpoint = 0;
    FillChannels(dlg, IDC_VL_CHANNEL, d->gs, d->channel);
    HWND combo = GetDlgItem(dlg, IDC_VL_CHANNEL);
    ShowWindow(combo, SW_HIDE);
    EnableWindow(combo, FALSE);
    char name[64];
    std::snprintf(name, sizeof name, "%d, %.39s", d->channel, d->gs->chanLabel[d->channel]);
    SetDlgItemTextA(dlg, IDC_VL_CHANNEL_TEXT, name);
    EnableWindow(GetDlgItem(dlg, IDC_VL_CHANNEL_TEXT), FALSE);
    ShowWindow(GetDlgItem(dlg, IDC_VL_CHANNEL_TEXT), SW_SHOW);
    ShowLockedFields(dlg, d);
    gdlg::FillDigits(dlg, IDC_VL_PRECISION, d->decimals[d->channel]);
    CenterWindowOnScreen(dlg);
    gdlg::FocusAll(dlg, IDC_VL_UPPER);
    SetKeyedLabel(dlg, IDC_VL_MINOR, IsGridFine(d->gs) ? "ON Key" : "OFF Key");
    HandleTheDialog(dlg, IDD_VSCALE_LOCKED);
    EnableWindow(GetDlgItem(dlg, IDC_VL_SCALING), OffersScaling(d->channel));
}

// A new major division keeps the range: the number of divisions follows.
void OnMajorChanged(HWND dlg, stLockedVScale* d) {
    const double v = gdlg::ReadNumber(dlg, IDC_VL_MAJOR);
    if (v == 0.0) {
        gdlg::RefuseField(dlg, IDC_VL_MAJOR);
        return;
    }
    d->divisions = d->perDivision * d->divisions / v;
    d->perDivision = std::fabs(v);
    ShowLockedFields(dlg, d);
}

// New limits keep the division: the number of divisions follows.
void OnLimitsChanged(HWND dlg, stLockedVScale* d) {
    const double lowerOrMid = gdlg::ReadNumber(dlg, IDC_VL_LOWER), upperOrRange = gdlg::ReadNumber(dlg, IDC_VL_UPPER);
    if (d->perDivision == 0.0) return;
    if (!d->rangeMode) {
        d->midpoint = (lowerOrMid + upperOrRange) / 2.0;
        d->divisions = (upperOrRange - lowerOrMid) / d->perDivision;
    } else {
        d->midpoint = lowerOrMid;
        d->divisions = upperOrRange / d->perDivision;
    }
    ShowLockedFields(dlg, d);
}

// Refused values beep and return the focus to their field.
void OnLockedOk(HWND dlg, stLockedVScale* d) {
    const double v = std::fabs(gdlg::ReadNumber(dlg, IDC_VL_MAJOR));
    gdlg::SetEditValue(dlg, IDC_VL_MAJOR, v, gdlg::ChosenDigits(dlg, IDC_VL_PRECISION));
    if (v == 0.0) {
        gdlg::RefuseField(dlg, IDC_VL_MAJOR);
        return;
    }
    if (!d->rangeMode) {
        double upper = gdlg::ReadNumber(dlg, IDC_VL_UPPER), lower = gdlg::ReadNumber(dlg, IDC_VL_LOWER);
        if (upper == lower) {
            gdlg::RefuseField(dlg, IDC_VL_UPPER);
            return;
        }
        if (upper < lower) {
            std::swap(upper, lower);
            const int decimals = d->decimals[d->channel];
            gdlg::SetEditValue(dlg, IDC_VL_UPPER, upper, decimals);
            gdlg::SetEditValue(dlg, IDC_VL_LOWER, lower, decimals);
        }
        d->perDivision = v;
        d->midpoint = (lower + upper) / 2.0;
        d->divisions = std::fabs((upper - lower) / v);
    } else {
        // A range of 0 or less would leave the band without divisions.
        const double range = gdlg::ReadNumber(dlg, IDC_VL_UPPER);
        if (range <= 0.0) {
            gdlg::RefuseField(dlg, IDC_VL_UPPER);
            return;
        }
        d->perDivision = v;
        d->midpoint = gdlg::ReadNumber(dlg, IDC_VL_LOWER);
        d->divisions = range / v;
    }
    d->basePoint = gdlg::ReadNumber(dlg, IDC_VL_BASE);
    d->allScale = IsDlgButtonChecked(dlg, IDC_VL_ALL_MAJOR) == BST_CHECKED;
    d->allMidpoint = IsDlgButtonChecked(dlg, IDC_VL_ALL_LIMITS) == BST_CHECKED;
    d->allDecimals = IsDlgButtonChecked(dlg, IDC_VL_ALL_DECIMALS) == BST_CHECKED;
    EndDialog(dlg, 1);
}

// Each field left is read and every field shown again.
void OnLockedCommand(HWND dlg, stLockedVScale* d, int id, int code) {
    switch (id) {
    case IDC_VL_MAJOR:
        if (code == EN_KILLFOCUS) OnMajorChanged(dlg, d);
        break;
    case IDC_VL_LOWER:
    case IDC_VL_UPPER:
        if (code == EN_KILLFOCUS) OnLimitsChanged(dlg, d);
        break;
    case IDC_VL_BASE:
        if (code == EN_KILLFOCUS) {
            d->basePoint = gdlg::ReadNumber(dlg, IDC_VL_BASE);
            ShowLockedFields(dlg, d);
        }
        break;
    case IDC_VL_PRECISION:
        if (code == CBN_SELCHANGE) {
            d->decimals[d->channel] = static_cast<uint16_t>(gdlg::ChosenDigits(dlg, IDC_VL_PRECISION));
            ShowLockedFields(dlg, d);
        }
        break;
    case IDC_VL_SCALING: {
        char text[64] = "";
        GetDlgItemTextA(dlg, IDC_VL_CHANNEL_TEXT, text, sizeof text);
        d->channel = std::atoi(text);
        RunUnitsSetup(dlg, d->channel);
        break;
    }
    case IDOK: OnLockedOk(dlg, d); break;
    case IDCANCEL: EndDialog(dlg, 0); break;
    default: break;
    }
}

// Dialog 204.
INT_PTR CALLBACK LockedProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* d = reinterpret_cast<stLockedVScale*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: OnLockedInit(dlg, reinterpret_cast<stLockedVScale*>(lParam)); return FALSE;
    case WM_SHOWWINDOW: HandleShowMessage(dlg, IDD_VSCALE_LOCKED); return FALSE;
    case WM_COMMAND:
        if (d) OnLockedCommand(dlg, d, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    default: return FALSE;
    }
}

// ---- writing back ----

// Every slot takes its working digits, or all the chosen channel's.
void StoreDecimals(tagGS* gs, const uint16_t* decimals, int channel, bool all) {
    for (int s = 0; s < kMaxChannels; ++s) {
        gs->chanDecimals[s] = all ? decimals[channel] : decimals[s];
        if (Shown(gs, s)) InvalidateRect(gs->hwnd, &gs->chanScaleRects[s], FALSE);
    }
}

// Redraws what the new scale touches and tells the device library to lay out its values pane.
void FinishWriteBack(tagGS* gs, int channel, bool anyAll) {
    UpdateGraphScrollBars(gs);
    setDirtyGraphFlag(gs, 1);
    RECT r;
    if (gs->displayMode == kModeChart && !anyAll) {
        UnionRect(&r, &gs->chanBandRects[channel], &gs->chanScaleRects[channel]);
    } else {
        r = gs->plotRect;
        r.right = gs->chanScaleRects[channel].right;
    }
    InvalidateRect(gs->hwnd, &r, FALSE);
    DeviceRefreshInputValues();
}

// The chosen channel alone, or every shown channel for the ticked quantities only.
void WriteFree(const stVScale& d) {
    tagGS* gs = d.gs;
    StoreDecimals(gs, d.decimals, d.channel, d.allDecimals != 0);
    if (!d.allScale && !d.allMidpoint) {
        gs->chanVPerDiv[d.channel] = d.scale;
        gs->chanVCenter[d.channel] = d.midpoint;
        gs->chanVOffsetDiv[d.channel] = d.midpoint;
    } else {
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!Shown(gs, s)) continue;
            if (d.allScale) gs->chanVPerDiv[s] = d.scale;
            if (d.allMidpoint) gs->chanVCenter[s] = gs->chanVOffsetDiv[s] = d.midpoint;
        }
    }
    FinishWriteBack(gs, d.channel, d.allScale || d.allMidpoint);
}

// Every channel either takes the chosen full range (midpoint box) or keeps its own range at the
// chosen division (major division box).
void WriteLocked(const stLockedVScale& d) {
    tagGS* gs = d.gs;
    StoreDecimals(gs, d.decimals, d.channel, d.allDecimals != 0);
    if (!d.allScale && !d.allMidpoint) {
        gs->chanVPerDiv[d.channel] = d.perDivision;
        gs->chanVDivisions[d.channel] = d.divisions;
        gs->chanVCenter[d.channel] = d.midpoint;
        gs->chanVOffsetDiv[d.channel] = d.basePoint;
    } else {
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!Shown(gs, s)) continue;
            if (d.allMidpoint) {
                gs->chanVCenter[s] = d.midpoint;
                if (gs->chanVPerDiv[s] != 0.0) gs->chanVDivisions[s] = d.perDivision * d.divisions / gs->chanVPerDiv[s];
            }
            if (d.allScale) {
                gs->chanVDivisions[s] = gs->chanVPerDiv[s] * gs->chanVDivisions[s] / d.perDivision;
                gs->chanVPerDiv[s] = d.perDivision;
            }
            gs->chanVOffsetDiv[s] = d.basePoint;
        }
    }
    FinishWriteBack(gs, d.channel, d.allScale || d.allMidpoint);
}

// Channel -1 is the selected one; -1 for a slot out of range.
int ResolveChannel(const tagGS* gs, int32_t channel) {
    if (channel == -1) channel = static_cast<int32_t>(gs->selectedChan);
    return channel >= 0 && channel < kMaxChannels ? channel : -1;
}

}  // namespace

// After OK the scale, scroll bars and values pane follow the new scale.
int VerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t focusMidpoint) {
    if (!gs || !g_app || (channel = ResolveChannel(gs, channel)) < 0) return 0;
    stVScale d{};
    d.gs = gs;
    d.channel = channel;
    d.focusMidpoint = focusMidpoint;
    d.scale = gs->chanVPerDiv[channel];
    d.midpoint = gs->chanVCenter[channel];
    for (int s = 0; s < kMaxChannels; ++s)
        d.decimals[s] = gs->chanDecimals[s] >= 1 && gs->chanDecimals[s] <= 8 ? gs->chanDecimals[s] : 2;
    notify::SetStatusText("Enter new vertical scale parameters");
    const INT_PTR result =
        DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_VSCALE), parent, FreeProc, reinterpret_cast<LPARAM>(&d));
    if (result == 1) WriteFree(d);
    notify::SetStatusText("Ready");
    return result == 1 ? 1 : 0;
}

// The fourth argument is accepted and not used.
int LockedVerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t) {
    if (!gs || !g_app || (channel = ResolveChannel(gs, channel)) < 0) return 0;
    stLockedVScale d{};
    d.gs = gs;
    d.channel = channel;
    d.rangeMode = gs->gridExtra;
    d.perDivision = gs->chanVPerDiv[channel];
    d.midpoint = gs->chanVCenter[channel];
    d.divisions = gs->chanVDivisions[channel];
    d.basePoint = gs->chanVOffsetDiv[channel];
    for (int s = 0; s < kMaxChannels; ++s)
        d.decimals[s] = gs->chanDecimals[s] >= 1 && gs->chanDecimals[s] <= 8 ? gs->chanDecimals[s] : 2;
    notify::SetStatusText("Enter new vertical scale parameters - LOCKED");
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_VSCALE_LOCKED), parent, LockedProc,
                                           reinterpret_cast<LPARAM>(&d));
    if (result == 1) WriteLocked(d);
    notify::SetStatusText("Ready");
    return result == 1 ? 1 : 0;
}

// The free dialog for a free grid, the locked one for a locked grid.
int OpenVerticalScaleDialog(HWND parent, tagGS* gs, int32_t channel, int32_t focusMidpoint) {
    if (!gs) return 0;
    return gs->gridLocked ? LockedVerticalScaleDialog(parent, gs, channel, focusMidpoint)
                          : VerticalScaleDialog(parent, gs, channel, focusMidpoint);
}
