// The modeless Acquisition Setup dialog: every change goes straight into the acquisition record,
// kept consistent with the connected model and the enabled channels.
#include "devlib/acquisition/setup/acq_setup.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/setup/acq_setup_rules.h"
#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/setup/panel_places.h"
#include "devlib/acquisition/setup/prefs.h"
#include "devlib/acquisition/setup/trigger.h"
#include "devlib/services/value_text.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/services/modeless_panel.h"
#include "devlib/services/run_state.h"
#include "devlib/vk40.h"

namespace {

constexpr uint32_t kSizeRefreshMs = 2500;
constexpr double kHighSpeedLimitMs = 0.4;
constexpr double k40KPeriodMs = 0.025;
constexpr uint16_t kModeMemoryBits = 512;
constexpr UINT kLengthEntered = 0x0700;  // the length field's own Enter notification
constexpr int32_t kTextChars = 64;

// A keyed message over the dialog.
void Tell(HWND dlg, const char* key, const char* captionKey, UINT icon) {
    MessageBoxA(dlg, Keyed(key), Keyed(captionKey), MB_OK | icon);
}

int32_t Selection(HWND dlg, int id) { return static_cast<int32_t>(SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0)); }

void Select(HWND dlg, int id, int32_t index) { SendDlgItemMessageA(dlg, id, CB_SETCURSEL, index, 0); }

void AddItem(HWND dlg, int id, const char* key) {
    SendDlgItemMessageA(dlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed(key)));
}

bool IsUnitMemory(int32_t storage) { return storage == kStorageUnitMemory || storage == kStorageFastUnitMemory; }

// The enabled analog channels, which the fast rates limit.
int32_t EnabledAnalog(const stAcq* acq) {
    int32_t n = 0;
    for (int i = 0; i < kAnalogChannels; ++i)
        if ((acq->chans[i].flags & kChanEnabled) && acq->chans[i].group == kGroupAnalog) ++n;
    return n;
}

bool DigitalEnabled(const stAcq* acq) {
    for (const stAcqChan& c : acq->chans)
        if ((c.flags & kChanEnabled) && c.group == kGroupDigital) return true;
    return false;
}

bool AnalogEnabled(const stAcq* acq, int32_t number) {
    for (int i = 0; i < kAnalogChannels; ++i)
        if ((acq->chans[i].flags & kChanEnabled) && acq->chans[i].group == kGroupAnalog && acq->chans[i].number == number)
            return true;
    return false;
}

// The rows of the connected model's rate table.
void FillRateList(HWND dlg) {
    SendDlgItemMessageA(dlg, IDC_SAMPLE_RATE, CB_RESETCONTENT, 0, 0);
    for (int32_t i = 0; i < g_unit.rateCount; ++i)
        SendDlgItemMessageA(dlg, IDC_SAMPLE_RATE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_unit.rates[i].label));
}

// Disk and memory always; unit memory only while it is the storage, and then the list is fixed.
void FillStorageList(HWND dlg, const stAcq* acq) {
    SendDlgItemMessageA(dlg, IDC_STORAGE, CB_RESETCONTENT, 0, 0);
    AddItem(dlg, IDC_STORAGE, "Hard Disk");
    AddItem(dlg, IDC_STORAGE, "PC Memory");
    if (IsUnitMemory(acq->storageKind)) AddItem(dlg, IDC_STORAGE, "VK40 Memory");
    Select(dlg, IDC_STORAGE, StorageSelection(acq->storageKind));
    EnableWindow(GetDlgItem(dlg, IDC_STORAGE), !IsUnitMemory(acq->storageKind));
}

// The length in its unit and the scroll bar at its share of the maximum.
void ShowLength(HWND dlg, const stAcq* acq) {
    char text[kTextChars];
    FormatLengthText(acq->acqLength, acq->settingTwo, acq->samplePeriodMs, text, sizeof text);
    SetDlgItemTextA(dlg, IDC_LENGTH, text);
    SendDlgItemMessageA(dlg, IDC_LENGTH, EM_SETMODIFY, FALSE, 0);
    const int32_t pos =
        acq->maxLength > 0
            ? static_cast<int32_t>(static_cast<double>(acq->acqLength) * kLengthScrollRange / acq->maxLength)
            : 0;
    SetScrollPos(GetDlgItem(dlg, IDC_LENGTH_SCROLL), SB_CTL, std::min(pos, kLengthScrollRange), TRUE);
}

// Modes as the storage allows them, then the buttons that depend on them.
void UpdateModes(HWND dlg, stAcq* acq) {
    acq->dataMode = AllowedDataMode(acq->dataMode, acq->storageKind);
    acq->repeatMode = AllowedRepeatMode(acq->repeatMode, acq->storageKind, acq->dataMode, acq->autoRestart);
    Select(dlg, IDC_REPEAT_MODE, acq->repeatMode - 1);
    Select(dlg, IDC_DATA_MODE, acq->dataMode - 1);
    ShowWindow(GetDlgItem(dlg, IDC_ACQ_RESET),
               acq->storageKind == kStorageDoubles || acq->dataMode == kDataAppend ? SW_SHOW : SW_HIDE);
    ShowWindow(GetDlgItem(dlg, IDC_ACQ_FILE), acq->dataMode == kDataAutosave ? SW_SHOW : SW_HIDE);
}

// The length between 1 and the maximum, the trigger delay after it, and the field.
void StoreLength(HWND dlg, stAcq* acq, double frames) {
    const double longest = acq->maxLength > 0 ? acq->maxLength : 1;
    acq->acqLength = static_cast<int32_t>(std::clamp(frames, 1.0, longest));
    ClampTriggerDelay(acq, acq->preStartDelay);
    ShowLength(dlg, acq);
    ShowLengthTexts(dlg, acq);
}

// A typed length, in the field's unit, back to frames.
void ReadLength(HWND dlg, stAcq* acq) {
    char text[kTextChars] = "";
    GetDlgItemTextA(dlg, IDC_LENGTH, text, sizeof text);
    StoreLength(dlg, acq, LengthFromValue(std::atof(text), acq->settingTwo, acq->samplePeriodMs));
}

// The restart fields, usable only with automatic restart on.
void ShowRestart(HWND dlg, const stAcq* acq) {
    CheckDlgButton(dlg, IDC_AUTO_RESTART, acq->autoRestart ? BST_CHECKED : BST_UNCHECKED);
    static const int controls[] = {IDC_RESTART_INTERVAL, IDC_RESTART_INTERVAL_TITLE, IDC_RESTART_COUNT,
                                   IDC_RESTART_COUNT_KIND, IDC_RESTART_INTERVAL_UNIT};
    for (int id : controls) EnableWindow(GetDlgItem(dlg, id), acq->autoRestart != 0);
    char text[40] = "";
    const double factor = acq->settingOne > 0 ? acq->settingOne : 1.0;
    FormatValueText(39, 4, kFmtNoExponent, acq->restartInterval / factor, text);
    SetDlgItemTextA(dlg, IDC_RESTART_INTERVAL, text);
    SetDlgItemInt(dlg, IDC_RESTART_COUNT, static_cast<UINT>(acq->restartCount), FALSE);
    Select(dlg, IDC_RESTART_COUNT_KIND, acq->endlessRestart ? 1 : 0);
    const int32_t unit = acq->settingOne == 60.0 ? 1 : acq->settingOne == 3600.0 ? 2 : 0;
    Select(dlg, IDC_RESTART_INTERVAL_UNIT, unit);
}

// The enabled analog channels beyond the rate's limit go off, in channel order.
void LimitAnalogChannels(HWND dlg, stAcq* acq, int32_t limit) {
    int32_t kept = 0;
    bool changed = false;
    for (int i = 0; i < kAnalogChannels; ++i) {
        stAcqChan& c = acq->chans[i];
        if (!(c.flags & kChanEnabled) || c.group != kGroupAnalog) continue;
        if (++kept > limit) {
            c.flags &= ~kChanEnabled;
            changed = true;
        }
    }
    if (!changed) return;
    RefreshChannelSetup(acq->hwndChannelSetup, acq);
    MessageBeep(MB_ICONEXCLAMATION);
    Tell(dlg, "Number of channels was changed", "Acquisition Setup", MB_ICONEXCLAMATION);
}

// The first model's fast rates need fewer channels; false when the rate is refused.
bool RateAllowedByChannels(HWND dlg, const stAcq* acq, double period) {
    if (!IsVK40()) return true;
    if (std::fabs(period - kFastestPeriodMs) < 1e-9 && EnabledAnalog(acq) > 1) {
        Tell(dlg, "KEY 100K", "Acquisition Setup", MB_ICONEXCLAMATION);
        return false;
    }
    if (std::fabs(period - k40KPeriodMs) < 1e-9 && (AnalogEnabled(acq, 2) || AnalogEnabled(acq, 3))) {
        Tell(dlg, "KEY 40K", "Acquisition Setup", MB_ICONEXCLAMATION);
        return false;
    }
    return true;
}

// Storage follows the speed: the first model records fast rates into its own memory.
void StorageForRate(HWND dlg, stAcq* acq, double period) {
    if (period > kHighSpeedLimitMs || !IsVK40()) {
        if (IsUnitMemory(acq->storageKind)) {
            acq->storageKind = kStorageMemory;
            Tell(dlg, "KEY Low Speed", "Acquisition Setup", MB_ICONINFORMATION);
        }
        return;
    }
    if (!IsUnitMemory(acq->storageKind)) {
        acq->storageKind = kStorageUnitMemory;
        Tell(dlg, "KEY High Speed", "Acquisition Setup", MB_ICONINFORMATION);
    }
    LimitAnalogChannels(dlg, acq, AnalogLimitForPeriod(period));
}

// The chosen period, raised to what the channels allow; a duration length keeps its duration.
void ApplyPeriod(HWND dlg, stAcq* acq, double period) {
    if (IsVK40())
        period = std::max(period, ChannelMinimumPeriod(acq->storageKind, EnabledAnalog(acq), DigitalEnabled(acq)));
    const bool raised = period > g_unit.rates[Selection(dlg, IDC_SAMPLE_RATE)].periodMs + 1e-9;
    period = std::min(period, kLongestPeriodMs);
    if (acq->settingTwo != kLenSamples && period > 0)
        acq->acqLength =
            static_cast<int32_t>(std::max(1.0, std::floor(acq->acqLength * acq->samplePeriodMs / period + 1e-6)));
    acq->samplePeriodMs = period;
    if (raised && !IsWindowVisible(dlg))
        Tell(dlg, "Sample rate has been changed!", kProgramTitleKey, MB_ICONINFORMATION);
}

// A rate the channels allow brings its storage, its period and a new maximum.
void OnRateChosen(HWND dlg, stAcq* acq) {
    const int32_t row = Selection(dlg, IDC_SAMPLE_RATE);
    if (row < 0 || row >= g_unit.rateCount) return;
    const double period = g_unit.rates[row].periodMs;
    if (!RateAllowedByChannels(dlg, acq, period)) {
        Select(dlg, IDC_SAMPLE_RATE, RateRowForPeriod(g_unit.rates, g_unit.rateCount, acq->samplePeriodMs));
        return;
    }
    StorageForRate(dlg, acq, period);
    FillStorageList(dlg, acq);
    ApplyPeriod(dlg, acq, period);
    UpdateMaxLength(acq);
    UpdateModes(dlg, acq);
    StoreLength(dlg, acq, acq->acqLength);
}

// Unit memory follows the rate, never a hand choice.
void OnStorageChosen(HWND dlg, stAcq* acq) {
    const int32_t selection = Selection(dlg, IDC_STORAGE);
    if (selection < 0) return;
    if (selection == 2) {
        MessageBeep(MB_ICONEXCLAMATION);
        Tell(dlg, "User can not select VK40 mode. Change sample rate to higher value.", "Wavemind", MB_ICONEXCLAMATION);
        Select(dlg, IDC_STORAGE, StorageSelection(acq->storageKind));
        return;
    }
    acq->storageKind = StorageOfSelection(selection);
    if (acq->storageKind == kStorageDisk || acq->storageKind == kStorageMemory)
        acq->unitMode = static_cast<int16_t>((acq->unitMode & 0xFF) + kModeMemoryBits);
    if (acq->hwndTrigger) FillTriggerSetup(acq->hwndTrigger, acq);
    UpdateMaxLength(acq);
    UpdateModes(dlg, acq);
    StoreLength(dlg, acq, acq->acqLength);
}

// Repeat or data mode, as the storage allows it.
void OnModeChosen(HWND dlg, stAcq* acq, int id) {
    const int32_t selection = Selection(dlg, id);
    if (selection < 0) return;
    if (id == IDC_REPEAT_MODE)
        acq->repeatMode = static_cast<int16_t>(selection + 1);
    else
        acq->dataMode = static_cast<int16_t>(selection + 1);
    UpdateModes(dlg, acq);
    // The graph's segment view follows: off for data that replaces, the plain notice otherwise.
    if (tagGS* gs = acq->run.attachedGraph; gs && id == IDC_DATA_MODE && IsWindow(gs->hwnd)) {
        const bool replaces = acq->dataMode != kDataAppend && gs->segmentsShown;
        SendMessageA(gs->hwnd, WM_COMMAND, MAKEWPARAM(IDM_GRAPH_SEGMENT_VIEW, replaces ? 0 : 1), 0);
    }
    UpdateMaxLength(acq);
    StoreLength(dlg, acq, acq->acqLength);
}

// A changed length unit shows the same length in the new unit.
void OnLengthUnitChosen(HWND dlg, stAcq* acq) {
    const int32_t selection = Selection(dlg, IDC_LENGTH_UNIT);
    if (selection < 0) return;
    acq->settingTwo = static_cast<int16_t>(selection);
    ShowLength(dlg, acq);
}

// The interval in seconds (never negative) or the count (at least 1).
void ReadRestart(HWND dlg, stAcq* acq, int id) {
    char text[kTextChars] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    if (id == IDC_RESTART_INTERVAL) {
        const double factor = acq->settingOne > 0 ? acq->settingOne : 1.0;
        acq->restartInterval = std::max(0.0, std::atof(text) * factor);
    } else {
        acq->restartCount = std::max(1, std::atoi(text));
    }
    ShowRestart(dlg, acq);
}

// A new interval unit; the interval shown is read in the old one first.
void OnRestartUnitChosen(HWND dlg, stAcq* acq) {
    static const double factors[] = {1.0, 60.0, 3600.0};
    const int32_t selection = Selection(dlg, IDC_RESTART_INTERVAL_UNIT);
    if (selection < 0 || selection > 2) return;
    ReadRestart(dlg, acq, IDC_RESTART_INTERVAL);  // what is typed counts in the old unit
    acq->settingOne = factors[selection];
    ShowRestart(dlg, acq);
}

// Choices apply at once; a typed field applies when the focus leaves it.
void OnCommand(HWND dlg, stAcq* acq, int id, UINT code) {
    const bool chosen = code == CBN_SELCHANGE;
    const bool left = code == EN_KILLFOCUS && SendDlgItemMessageA(dlg, id, EM_GETMODIFY, 0, 0);
    switch (id) {
    case IDC_SAMPLE_RATE:
        if (chosen) OnRateChosen(dlg, acq);
        break;
    case IDC_STORAGE:
        if (chosen) OnStorageChosen(dlg, acq);
        break;
    case IDC_REPEAT_MODE:
    case IDC_DATA_MODE:
        if (chosen) OnModeChosen(dlg, acq, id);
        break;
    case IDC_LENGTH_UNIT:
        if (chosen) OnLengthUnitChosen(dlg, acq);
        break;
    case IDC_LENGTH:
        if (left || code == kLengthEntered) ReadLength(dlg, acq);
        break;
    case IDC_RESTART_INTERVAL:
    case IDC_RESTART_COUNT:
        if (left) ReadRestart(dlg, acq, id);
        break;
    case IDC_RESTART_INTERVAL_UNIT:
        if (chosen) OnRestartUnitChosen(dlg, acq);
        break;
    case IDC_RESTART_COUNT_KIND:
        if (chosen) acq->endlessRestart = Selection(dlg, id) == 1;
        break;
    case IDC_AUTO_RESTART:
        acq->autoRestart = IsDlgButtonChecked(dlg, id) == BST_CHECKED;
        ShowRestart(dlg, acq);
        UpdateModes(dlg, acq);
        break;
    case IDC_ACQ_RESET: acq->forcedNew = 1; break;
    case IDC_ACQ_FILE: ShowAutosaveNameDialog(dlg, acq); break;
    case IDCANCEL:
        ShowWindow(dlg, SW_HIDE);
        acq->acqSetupShown = 0;
        UpdateMaxLength(acq);
        break;
    default: break;
    }
}

// Length scroll bar: a frame a line, a hundredth of the maximum a page.
void OnScroll(HWND dlg, stAcq* acq, UINT code, int position) {
    const double longest = acq->maxLength;
    double length = acq->acqLength;
    switch (code) {
    case SB_LINEUP: length -= 1; break;
    case SB_LINEDOWN: length += 1; break;
    case SB_PAGEUP: length -= std::floor(longest / 100); break;
    case SB_PAGEDOWN: length += std::floor(longest / 100); break;
    case SB_THUMBPOSITION:
    case SB_THUMBTRACK: length = position * std::floor(longest / kLengthScrollRange); break;
    default: return;
    }
    StoreLength(dlg, acq, length);
}

// The record is locked for each message; its handle is the window's user data.
INT_PTR CALLBACK AcqSetupProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        KeepPanelRecord(dlg, lParam);
        const HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
        for (int id : {IDC_SAMPLE_RATE, IDC_STORAGE, IDC_LENGTH, IDC_MAX_LENGTH, IDC_SIZE_NEEDED})
            SendDlgItemMessageA(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetScrollRange(GetDlgItem(dlg, IDC_LENGTH_SCROLL), SB_CTL, 0, kLengthScrollRange, FALSE);
        FillAcquisitionSetupLists(dlg);
        HandleTheDialog(dlg, IDD_ACQUISITION_SETUP);
        return FALSE;  // a hidden window takes no focus
    }
    AcqLock acq(PanelRecord(dlg));
    if (!acq) return FALSE;
    switch (message) {
    case WM_COMMAND: OnCommand(dlg, acq.get(), LOWORD(wParam), HIWORD(wParam)); return TRUE;
    case WM_HSCROLL:
    case WM_VSCROLL: OnScroll(dlg, acq.get(), LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam))); return TRUE;
    case WM_MOVE: FollowPanelMove(dlg, &acq->acqSetupPlacement, lParam); return TRUE;
    case WM_ACTIVATE:
        RoutePanelKeys(dlg, wParam);
        if (LOWORD(wParam) == WA_CLICKACTIVE) RefreshAcquisitionSetup(dlg, acq.get());
        return FALSE;
    case WM_SHOWWINDOW:
        if (wParam) RefreshAcquisitionSetup(dlg, acq.get());
        return FALSE;
    case WM_CLOSE: OnCommand(dlg, acq.get(), IDCANCEL, BN_CLICKED); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

// Lists from the keyed texts; a second fill replaces the first.
void FillAcquisitionSetupLists(HWND dlg) {
    static const struct {
        int combo;
        const char* keys[5];
    } lists[] = {
        {IDC_REPEAT_MODE, {"Record", "Record Last"}},
        {IDC_DATA_MODE, {"Save Once", "Autosave File", "Append"}},
        {IDC_LENGTH_UNIT, {"samples", "msec", "seconds", "minutes", "hours"}},
        {IDC_RESTART_INTERVAL_UNIT, {"seconds", "minutes", "hours"}},
        {IDC_RESTART_COUNT_KIND, {"for", "forever"}},
    };
    for (const auto& list : lists) {
        SendDlgItemMessageA(dlg, list.combo, CB_RESETCONTENT, 0, 0);
        for (const char* key : list.keys)
            if (key) AddItem(dlg, list.combo, key);
    }
    SendDlgItemMessageA(dlg, IDC_STORAGE, CB_RESETCONTENT, 0, 0);
    AddItem(dlg, IDC_STORAGE, "Hard Disk");
    AddItem(dlg, IDC_STORAGE, "PC Memory");
    FillRateList(dlg);
}

int32_t UpdateMaxLength(stAcq* acq) {
    acq->maxLength = ComputeMaxLength(MaxLengthInputsOf(acq));
    return acq->maxLength;
}

// The longest recording and the memory the current length needs.
void ShowLengthTexts(HWND dlg, stAcq* acq) {
    char text[kTextChars];
    FormatMaxLengthText(acq->maxLength, text, sizeof text);
    SetDlgItemTextA(dlg, IDC_MAX_LENGTH, text);
    const stMaxLengthInputs in = MaxLengthInputsOf(acq);
    FormatSizeText(static_cast<double>(acq->acqLength) * FrameBytes(in.analog, in.digital, in.calc), text, sizeof text);
    SetDlgItemTextA(dlg, IDC_SIZE_NEEDED, text);
}

// The record's part of a refresh: the maximum, the storage, the modes it allows and the length
// within the maximum. It holds whether or not the window has been made.
void SettleAcquisitionRecord(stAcq* acq) {
    UpdateMaxLength(acq);
    if (acq->storageKind > kStorageUnitMemory) acq->storageKind = kStorageUnitMemory;
    acq->dataMode = AllowedDataMode(acq->dataMode, acq->storageKind);
    acq->repeatMode = AllowedRepeatMode(acq->repeatMode, acq->storageKind, acq->dataMode, acq->autoRestart);
    acq->acqLength = std::clamp(acq->acqLength, 1, std::max(1, acq->maxLength));
}

// Every control from the record, after a new maximum.
void RefreshAcquisitionSetup(HWND dlg, stAcq* acq) {
    if (!acq) return;
    SettleAcquisitionRecord(acq);
    if (!dlg) return;
    FillStorageList(dlg, acq);
    if (SendDlgItemMessageA(dlg, IDC_SAMPLE_RATE, CB_GETCOUNT, 0, 0) != g_unit.rateCount) FillRateList(dlg);
    if (g_unit.rateCount > 0)
        Select(dlg, IDC_SAMPLE_RATE, RateRowForPeriod(g_unit.rates, g_unit.rateCount, acq->samplePeriodMs));
    ShowRestart(dlg, acq);
    Select(dlg, IDC_LENGTH_UNIT, std::clamp<int32_t>(acq->settingTwo, kLenSamples, kLenHours));
    UpdateModes(dlg, acq);
    ShowLength(dlg, acq);
    ShowLengthTexts(dlg, acq);
}

// Start-up settles the record; the window waits until it is first needed.
void PrepareAcquisitionSetup(HGLOBAL hAcq) {
    AcqLock acq(hAcq);
    if (!acq) return;
    acq->acqSetupShown = 0;
    SettleAcquisitionRecord(acq.get());
}

// The window, made hidden on the first call and placed where the record says.
HWND AcquisitionSetupWindow(HGLOBAL hAcq) {
    HWND dlg;
    if (KeptPanel(hAcq, &stAcq::hwndAcqSetup, &dlg)) return dlg;
    dlg = CreateAcquisitionSetup(g_lib.hostFrame, hAcq);
    AcqLock acq(hAcq);
    if (acq && dlg) PlaceSetupPanel(acq.get(), dlg);
    return dlg;
}

// Hidden until the menu shows it; the record keeps the window.
HWND CreateAcquisitionSetup(HWND frame, HGLOBAL hAcq) {
    return MakePanel(hAcq, &stAcq::hwndAcqSetup, IDD_ACQUISITION_SETUP, frame, AcqSetupProc, [](HWND dlg, stAcq* acq) {
        acq->acqSetupShown = 0;
        if (dlg) RefreshAcquisitionSetup(dlg, acq);
    });
}

// Showing refreshes it (WM_SHOWWINDOW).
void ShowAcquisitionSetup(HGLOBAL hAcq) {
    HWND dlg = AcquisitionSetupWindow(hAcq);
    {
        AcqLock acq(hAcq);
        if (!acq || !IsWindow(dlg)) return;
        acq->acqSetupShown = 1;
    }
    ShowWindow(dlg, SW_SHOWNORMAL);
    BringWindowToTop(dlg);  // already open: it comes forward
}

// The idle step's size texts.
void ShowSampleCount(HWND, stAcq* acq) {
    ++g_runTrace.sampleCount;
    RefreshSampleCount(acq);
}

// Free memory and disk change under the dialog: the maximum is recomputed now and then.
void RefreshSampleCount(stAcq* acq) {
    if (!acq || !IsWindow(acq->hwndAcqSetup) || !IsWindowVisible(acq->hwndAcqSetup)) return;
    const uint32_t now = GetTickCount();
    if (acq->nextSizeRefresh && static_cast<int32_t>(now - acq->nextSizeRefresh) < 0) return;
    acq->nextSizeRefresh = now + kSizeRefreshMs;
    UpdateMaxLength(acq);
    ShowLengthTexts(acq->hwndAcqSetup, acq);
}
