// The Setup Triggering window: source, slope and level of the start signal, straight into the
// acquisition record, from which each run sends them to the unit.
#include "devlib/acquisition/setup/trigger.h"

#include <algorithm>
#include <cmath>
#include <string>

#include "common/stAcq.h"
#include "devlib/acquisition/setup/acq_setup_rules.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/setup/panel_places.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/services/value_text.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/modeless_panel.h"
#include "devlib/vk40.h"

namespace {

constexpr double kLevelLimit = 10.0;
constexpr double kScrollPerVolt = 1638.4;
constexpr int32_t kScrollLimit = 16383;
constexpr int32_t kLevelChars = 14;
constexpr int32_t kVK40TriggerChannel = 3;
constexpr int32_t kExternalItem = 5;
constexpr UINT kLevelEntered = 0x0700;  // the level field's own Enter notification
const char* const kExternalLevelText = "2.0";

// The channel record whose scale the level uses: the fixed trigger input on the first model.
int32_t TriggerChannelIndex(const stAcq* acq) {
    if (IsVK40()) return kVK40TriggerChannel;
    const int32_t channel = acq->refCommand;
    return channel >= 1 && channel <= kAnalogChannels ? channel - 1 : 0;
}

// The trigger channel's scale and offset, brought up to date from its points.
void ChannelScale(stAcq* acq, double* scale, double* offset) {
    const int32_t index = TriggerChannelIndex(acq);
    SetScaleFromTwoPoints(&acq->chans[index], acq);
    *scale = acq->chanMultiplier[index];
    *offset = acq->chanAddend[index];
}

void StoreLevel(stAcq* acq, double level) { acq->refVoltage = std::clamp(level, -kLevelLimit, kLevelLimit); }

// Off, a channel, or the external signal (which always fires on a rising edge).
void OnSourceChosen(HWND dlg, stAcq* acq) {
    const int32_t item = static_cast<int32_t>(SendDlgItemMessageA(dlg, IDC_TRIGGER_SOURCE, CB_GETCURSEL, 0, 0));
    if (item < 0) return;
    uint16_t flags = static_cast<uint16_t>(acq->unitMode);
    // On the first model the list holds "Off" and its one input: item 1 stands for any channel.
    const bool external = !IsVK40() && item == kExternalItem;
    if (item == 0) {
        flags &= ~kTrigOn;
    } else if (external) {
        flags &= ~(kTrigOn | kTrigPositive | kTrigBoth | kTrigChannel);
        flags |= kTrigOn | kTrigPositive | kTrigBoth;
        acq->refCommand = static_cast<uint8_t>(kTrigExternalChannel);
    } else {
        flags |= kTrigOn | kTrigBoth | kTrigChannel;
        acq->refCommand = static_cast<uint8_t>(IsVK40() ? kVK40TriggerChannel : item);
    }
    acq->unitMode = static_cast<int16_t>(flags);
    if (item != 0) ClampTriggerDelay(acq, acq->preStartDelay);
    FillTriggerSetup(dlg, acq);
}

// The slope bit alone.
void OnSlopeChosen(HWND dlg, stAcq* acq) {
    const LRESULT item = SendDlgItemMessageA(dlg, IDC_TRIGGER_SLOPE, CB_GETCURSEL, 0, 0);
    if (item == 1) acq->unitMode = static_cast<int16_t>(acq->unitMode | kTrigPositive);
    if (item == 0) acq->unitMode = static_cast<int16_t>(acq->unitMode & ~kTrigPositive);
}

// A level typed in the channel's units; anything not a number reads as 0.
void OnLevelTyped(HWND dlg, stAcq* acq) {
    char text[kLevelChars + 1] = "";
    GetDlgItemTextA(dlg, IDC_TRIGGER_LEVEL, text, sizeof text);
    double scale = 0, offset = 0;
    ChannelScale(acq, &scale, &offset);
    StoreLevel(acq, TriggerLevelFromShown(ParseDouble(text), scale, offset));
    SendDlgItemMessageA(dlg, IDC_TRIGGER_LEVEL, EM_SETMODIFY, FALSE, 0);
    FillTriggerSetup(dlg, acq);
}

// A count a line, a volt a page, the thumb across the whole range.
void OnLevelScrolled(HWND dlg, stAcq* acq, UINT code, int position) {
    double level = acq->refVoltage;
    switch (code) {
    case SB_LINELEFT: level -= 1.0 / kInputCountsPerVolt; break;
    case SB_LINERIGHT: level += 1.0 / kInputCountsPerVolt; break;
    case SB_PAGELEFT: level -= 1.0; break;
    case SB_PAGERIGHT: level += 1.0; break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: level = position * kLevelLimit / kScrollLimit; break;
    default: return;
    }
    StoreLevel(acq, level);
    FillTriggerSetup(dlg, acq);
}

// Choices apply at once; the level when the focus leaves it or on Enter.
void OnCommand(HWND dlg, stAcq* acq, int id, UINT code) {
    switch (id) {
    case IDC_TRIGGER_SOURCE:
        if (code == CBN_SELCHANGE) OnSourceChosen(dlg, acq);
        break;
    case IDC_TRIGGER_SLOPE:
        if (code == CBN_SELCHANGE) OnSlopeChosen(dlg, acq);
        break;
    case IDC_TRIGGER_LEVEL:
        if ((code == EN_KILLFOCUS && SendDlgItemMessageA(dlg, id, EM_GETMODIFY, 0, 0)) || code == kLevelEntered)
            OnLevelTyped(dlg, acq);
        break;
    case IDCANCEL: ShowWindow(dlg, SW_HIDE); break;
    default: break;
    }
}

// The record is locked for each message; its handle is the window's user data.
INT_PTR CALLBACK TriggerProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        KeepPanelRecord(dlg, lParam);
        const HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
        for (int id : {IDC_TRIGGER_SOURCE, IDC_TRIGGER_SLOPE, IDC_TRIGGER_LEVEL})
            SendDlgItemMessageA(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetScrollRange(GetDlgItem(dlg, IDC_TRIGGER_SCROLL), SB_CTL, -kScrollLimit, kScrollLimit, FALSE);
        FillTriggerSetupLists(dlg);
        HandleTheDialog(dlg, IDD_TRIGGER_SETUP);
        return FALSE;  // a hidden window takes no focus
    }
    AcqLock acq(PanelRecord(dlg));
    if (!acq) return FALSE;
    switch (message) {
    case WM_COMMAND: OnCommand(dlg, acq.get(), LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_HSCROLL: OnLevelScrolled(dlg, acq.get(), LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam))); return TRUE;
    case WM_MOVE: FollowPanelMove(dlg, &acq->triggerPlacement, lParam); return TRUE;
    case WM_ACTIVATE:
        RoutePanelKeys(dlg, wParam);
        return FALSE;
    case WM_CLOSE: ShowWindow(dlg, SW_HIDE); return TRUE;
    default: return FALSE;
    }
}

void AddItem(HWND dlg, int id, const std::string& text) {
    SendDlgItemMessageA(dlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
}

// "CH %d" with the number in place of its first "%d"; a translation is never used as a format.
std::string ChannelItem(int number) {
    const std::string text = Keyed("CH %d");
    const size_t at = text.find("%d");
    if (at == std::string::npos) return text + " " + std::to_string(number);
    return text.substr(0, at) + std::to_string(number) + text.substr(at + 2);
}

}  // namespace

double TriggerLevelShown(double level, double scale, double offset) {
    return level * (scale * kInputCountsPerVolt) + offset;
}

// A channel without a scale gives level 0 rather than a division by zero.
double TriggerLevelFromShown(double shown, double scale, double offset) {
    const double perVolt = scale * kInputCountsPerVolt;
    return perVolt != 0.0 ? (shown - offset) / perVolt : 0.0;
}

// The first model triggers on its fourth input only; the second on any input or the external signal.
void FillTriggerSetupLists(HWND dlg) {
    SendDlgItemMessageA(dlg, IDC_TRIGGER_SOURCE, CB_RESETCONTENT, 0, 0);
    SendDlgItemMessageA(dlg, IDC_TRIGGER_SLOPE, CB_RESETCONTENT, 0, 0);
    AddItem(dlg, IDC_TRIGGER_SOURCE, Keyed("Off"));
    if (g_unitModel == kModelVK45) {
        for (int ch = 1; ch <= kAnalogChannels; ++ch) AddItem(dlg, IDC_TRIGGER_SOURCE, ChannelItem(ch));
        AddItem(dlg, IDC_TRIGGER_SOURCE, Keyed("Trigger"));
    } else {
        AddItem(dlg, IDC_TRIGGER_SOURCE, ChannelItem(kAnalogChannels));
    }
    AddItem(dlg, IDC_TRIGGER_SLOPE, Keyed("Neg Edge"));
    AddItem(dlg, IDC_TRIGGER_SLOPE, Keyed("Pos Edge"));
}

// Off, positive slope, delay bounded by the length, level 0.
void SetTriggerDefaults(stAcq* acq) {
    acq->preStartDelay = 0;
    acq->unitMode = static_cast<int16_t>(kTrigStartFlags);
    acq->refVoltage = 0;
    acq->refCommand = static_cast<uint8_t>(IsVK40() ? kVK40TriggerChannel : 1);
}

// A channel trigger shows its level in the channel's units; the external source its fixed level.
void FillTriggerSetup(HWND dlg, stAcq* acq) {
    if (!dlg || !acq) return;
    const uint16_t flags = static_cast<uint16_t>(acq->unitMode);
    const bool channel = (flags & kTrigOn) && (flags & kTrigChannel);
    int32_t item = 0;
    char text[40] = "";
    std::string units;
    if (channel) {
        item = IsVK40() ? 1 : std::clamp<int32_t>(acq->refCommand, 1, kAnalogChannels);
        double scale = 0, offset = 0;
        ChannelScale(acq, &scale, &offset);
        FormatValueText(39, 3, kFmtFixedDecimals, TriggerLevelShown(acq->refVoltage, scale, offset), text);
        units = acq->chans[TriggerChannelIndex(acq)].units;
    } else if ((flags & kTrigOn) && (flags & kTrigBoth)) {
        item = kExternalItem;
        lstrcpynA(text, kExternalLevelText, sizeof text);
        char volts[40] = "";
        GetDlgItemTextA(dlg, IDC_TRIGGER_VOLTS, volts, sizeof volts);
        units = volts;
    }
    SendDlgItemMessageA(dlg, IDC_TRIGGER_SOURCE, CB_SETCURSEL, item, 0);
    SetDlgItemTextA(dlg, IDC_TRIGGER_LEVEL, text);
    SendDlgItemMessageA(dlg, IDC_TRIGGER_LEVEL, EM_SETMODIFY, FALSE, 0);
    SetDlgItemTextA(dlg, IDC_TRIGGER_UNITS, units.c_str());
    SendDlgItemMessageA(dlg, IDC_TRIGGER_SLOPE, CB_SETCURSEL, (flags & kTrigPositive) ? 1 : 0, 0);
    for (int id : {IDC_TRIGGER_SLOPE, IDC_TRIGGER_LEVEL, IDC_TRIGGER_SCROLL})
        EnableWindow(GetDlgItem(dlg, id), channel);
    SetScrollPos(GetDlgItem(dlg, IDC_TRIGGER_SCROLL), SB_CTL, static_cast<int>(acq->refVoltage * kScrollPerVolt), TRUE);
}

// High-speed unit memory has no delay; otherwise the length or the unit's counter bounds it.
int32_t ClampTriggerDelay(stAcq* acq, int32_t samples) {
    const uint16_t flags = static_cast<uint16_t>(acq->unitMode);
    int32_t limit = (flags >> 8) == 1 ? acq->acqLength : kTrigDelayLimit;
    int32_t delay = std::min(samples, limit);
    if (acq->storageKind == kStorageFastUnitMemory || delay < 0) delay = 0;
    acq->preStartDelay = delay;
    return delay;
}

// The hidden window over the record; start-up gives the record its values (SetTriggerDefaults)
// and the window is made when first needed (TriggerSetupWindow).
HWND CreateTriggerSetup(HWND parent, HGLOBAL hAcq) {
    return MakePanel(hAcq, &stAcq::hwndTrigger, IDD_TRIGGER_SETUP, parent, TriggerProc, [](HWND dlg, stAcq* acq) {
        if (dlg) PlaceSetupPanel(acq, dlg);
    });
}

HWND TriggerSetupWindow(HGLOBAL hAcq) {
    HWND dlg;
    if (KeptPanel(hAcq, &stAcq::hwndTrigger, &dlg)) return dlg;
    return CreateTriggerSetup(g_lib.hostFrame, hAcq);
}

// Filled from the record before it shows.
void ShowTriggerSetup(HGLOBAL hAcq) {
    HWND dlg = TriggerSetupWindow(hAcq);
    {
        AcqLock acq(hAcq);
        if (!acq || !IsWindow(dlg)) return;
        FillTriggerSetup(dlg, acq.get());
    }
    ShowWindow(dlg, SW_SHOWNORMAL);
    BringWindowToTop(dlg);  // already open: it comes forward
}
