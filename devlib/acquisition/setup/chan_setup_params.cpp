// Input Channel Parameters (dialog 124): an analog channel's label, preset name, gain, offset,
// coupling, hardware filters and the three digital filter slots, edited on a copy of its record.
#include <cmath>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "devlib/acquisition/setup/chan_setup.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/acquisition/setup/input_values.h"
#include "devlib/vk40.h"

namespace {

constexpr double kLineQ = 5.0;
constexpr int32_t kOffsetCountsReach = 32767;

const char* const kSlotKeys[3] = {"Filter 1", "Filter 2", "Filter 3"};
const char* const kTypeNames[] = {"None", "Low Pass", "High Pass", "Band Pass", "Band Stop", "Band Stop-Line Freq"};
const int kHighPassIds[3] = {IDC_ICP_HP0, IDC_ICP_HP1, IDC_ICP_HP2};
const int kLockedFields[] = {IDC_ICP_LABEL, IDC_ICP_PRESET_NAME, IDC_ICP_OFFSET, IDC_ICP_GAIN, IDC_ICP_AC,
                             IDC_ICP_DC, IDC_ICP_HP0, IDC_ICP_HP1, IDC_ICP_HP2, IDC_ICP_LP1K, IDC_ICP_LP5K,
                             IDC_ICP_SLOT, IDC_ICP_TYPE, IDC_ICP_UPDATE_HW, IDC_ICP_SCALING};

struct stParamsDlg {
    stAcq* acq;
    int32_t channel;
    stAcqChan work;  // Cancel throws it away
};

void Enable(HWND dlg, int id, bool on) { EnableWindow(GetDlgItem(dlg, id), on); }

void SetNumber(HWND dlg, int id, double value) {
    char text[32];
    snprintf(text, sizeof(text), "%f", value);
    text[10] = '\0';  // the fields show at most ten characters
    SetDlgItemTextA(dlg, id, text);
}

double GetNumber(HWND dlg, int id) {
    char text[128] = {};
    GetDlgItemTextA(dlg, id, text, sizeof(text));
    return ParseDouble(text);
}

void GetText(HWND dlg, int id, char* field, size_t size) {
    char text[kPresetNameChars + 1] = {};
    GetDlgItemTextA(dlg, id, text, static_cast<int>(size) + 1 < int(sizeof(text)) ? int(size) + 1 : int(sizeof(text)));
    memset(field, 0, size);
    memcpy(field, text, strnlen(text, size));
}

int Selected(HWND dlg, int id) { return static_cast<int>(SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0)); }

const stFilterSlot& CurrentSlot(const stParamsDlg* st) { return st->work.filters[st->work.filterSelected % 3]; }
stFilterSlot& CurrentSlot(stParamsDlg* st) { return st->work.filters[st->work.filterSelected % 3]; }

// The offset reach of the gain's offset command, in volts.
double OffsetRangeVolts(double gain) {
    const stGainRow* row = FindGainRow(gain);
    return row ? row->offsetStep * kOffsetCountsReach : 0.0;
}

void ShowOffset(HWND dlg, const stParamsDlg* st) {
    SetNumber(dlg, IDC_ICP_OFFSET, OffsetToUnits(st->work.inputOffset * 1000.0, &st->work));
}

bool SlotLocked(const stParamsDlg* st) {
    return st->work.paramsFixed != 0 || CurrentSlot(st).type == kFilterBandStopLine;
}

// The selected slot's type, frequency and Q; a line-frequency slot or a fixed record takes the
// mains frequency and Q 5 and cannot be edited.
void ShowSlot(HWND dlg, stParamsDlg* st) {
    stFilterSlot& slot = CurrentSlot(st);
    if (SlotLocked(st)) {
        slot.frequencyHz = GetLineFrequencyHz();
        slot.q = kLineQ;
    }
    SendDlgItemMessageA(dlg, IDC_ICP_TYPE, CB_SETCURSEL, slot.type >= 0 && slot.type <= kFilterBandStopLine ? slot.type : 0, 0);
    SetNumber(dlg, IDC_ICP_FREQ, slot.frequencyHz);
    SetNumber(dlg, IDC_ICP_Q, slot.q);
    const bool digital = st->acq->storageKind != kStorageUnitMemory;
    const bool locked = SlotLocked(st);
    for (int id : {IDC_ICP_FREQ, IDC_ICP_Q}) {
        SendDlgItemMessageA(dlg, id, EM_SETREADONLY, locked, 0);
        Enable(dlg, id, digital);
    }
    Enable(dlg, IDC_ICP_SLOT, digital && !st->work.paramsFixed);
    Enable(dlg, IDC_ICP_TYPE, digital && !st->work.paramsFixed);
}

void ShowCoupling(HWND dlg, const stParamsDlg* st) {
    const bool ac = st->work.coupling != 0;
    CheckRadioButton(dlg, IDC_ICP_AC, IDC_ICP_DC, ac ? IDC_ICP_AC : IDC_ICP_DC);
    CheckRadioButton(dlg, IDC_ICP_HP0, IDC_ICP_HP2, kHighPassIds[st->work.highPass >= 0 && st->work.highPass < 3 ? st->work.highPass : 0]);
    for (int id : kHighPassIds) Enable(dlg, id, ac && !st->work.paramsFixed);
    CheckRadioButton(dlg, IDC_ICP_LP1K, IDC_ICP_LP5K, st->work.lowPass == 1 ? IDC_ICP_LP1K : IDC_ICP_LP5K);
}

// "&New Channel Preset" only for a name that no preset has yet.
void ShowNewPresetState(HWND dlg, stParamsDlg* st) {
    char name[kPresetNameChars + 1] = {};
    GetDlgItemTextA(dlg, IDC_ICP_PRESET_NAME, name, sizeof(name));
    Enable(dlg, IDC_ICP_NEW_PRESET, !st->work.paramsFixed && IsNewInputPresetName(st->acq, name));
}

void ShowTexts(HWND dlg, stParamsDlg* st) {
    char text[kPresetNameChars + 1] = {};
    memcpy(text, st->work.label, sizeof(st->work.label));
    SetDlgItemTextA(dlg, IDC_ICP_LABEL, text);
    memset(text, 0, sizeof(text));
    memcpy(text, st->work.presetName, sizeof(st->work.presetName));
    SetDlgItemTextA(dlg, IDC_ICP_PRESET_NAME, text);
}

void ShowUnits(HWND dlg, const stParamsDlg* st) {
    char units[sizeof(st->work.units) + 1] = {};
    memcpy(units, st->work.units, sizeof(st->work.units));
    SetDlgItemTextA(dlg, IDC_ICP_UNITS, units);
}

void ParamsInit(HWND dlg, stParamsDlg* st) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(st));
    hwndGetDlg = dlg;
    HandleTheDialog(dlg, IDD_INPUT_PARAMS);
    char heading[16];
    snprintf(heading, sizeof(heading), "CH%1i", st->channel + st->acq->firstAnalogNumber);
    SetDlgItemTextA(dlg, IDC_ICP_HEADING, heading);
    SendDlgItemMessageA(dlg, IDC_ICP_LABEL, EM_LIMITTEXT, kChanLabelChars, 0);
    SendDlgItemMessageA(dlg, IDC_ICP_PRESET_NAME, EM_LIMITTEXT, kPresetNameChars, 0);
    ShowTexts(dlg, st);
    ShowUnits(dlg, st);
    for (int32_t r = 0; r < g_unit.gainCount; ++r)
        SendDlgItemMessageA(dlg, IDC_ICP_GAIN, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_unit.gains[r].label));
    SendDlgItemMessageA(dlg, IDC_ICP_GAIN, CB_SETCURSEL, GainRowFor(st->work.gain), 0);
    ShowOffset(dlg, st);
    for (const char* key : kSlotKeys) SendDlgItemMessageA(dlg, IDC_ICP_SLOT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed(key)));
    for (const char* name : kTypeNames) SendDlgItemMessageA(dlg, IDC_ICP_TYPE, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed(name)));
    if (st->work.filterSelected < 0 || st->work.filterSelected > 2) st->work.filterSelected = 0;
    SendDlgItemMessageA(dlg, IDC_ICP_SLOT, CB_SETCURSEL, st->work.filterSelected, 0);
    ShowCoupling(dlg, st);
    const bool vk40 = IsVK40();
    ShowWindow(GetDlgItem(dlg, IDC_ICP_HP2), vk40 ? SW_HIDE : SW_SHOW);
    for (int id : {IDC_ICP_NOTE, IDC_ICP_LP1K, IDC_ICP_LP5K}) ShowWindow(GetDlgItem(dlg, id), vk40 ? SW_SHOW : SW_HIDE);
    ShowSlot(dlg, st);
    if (st->work.paramsFixed)
        for (int id : kLockedFields) Enable(dlg, id, false);
    ShowNewPresetState(dlg, st);
}

// A frequency outside the model-40 unit's filter range is moved to its edge with a message.
void StoreFrequency(HWND dlg, stParamsDlg* st) {
    if (SlotLocked(st)) return;
    double hz = GetNumber(dlg, IDC_ICP_FREQ);
    if (IsVK40() && ClampFilterFrequency(&hz)) {
        CurrentSlot(st).frequencyHz = hz;
        SetNumber(dlg, IDC_ICP_FREQ, hz);
        MessageBeep(MB_ICONEXCLAMATION);
        MessageBoxA(dlg, Keyed("KEY 30Hz 1000Hz"), Keyed("Analog Channel Setup"), MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    CurrentSlot(st).frequencyHz = hz;
}

// Another slot only once the current one holds a usable frequency.
void SlotChanged(HWND dlg, stParamsDlg* st) {
    if (IsVK40() && !(CurrentSlot(st).frequencyHz >= 30.0)) {
        CurrentSlot(st).frequencyHz = 30.0;
        SendDlgItemMessageA(dlg, IDC_ICP_SLOT, CB_SETCURSEL, st->work.filterSelected, 0);
        SetNumber(dlg, IDC_ICP_FREQ, 30.0);
        return;
    }
    const int sel = Selected(dlg, IDC_ICP_SLOT);
    if (sel >= 0 && sel < 3) st->work.filterSelected = static_cast<int16_t>(sel);
    ShowSlot(dlg, st);
}

void StoreOffset(HWND dlg, stParamsDlg* st) {
    st->work.inputOffset = OffsetFromUnits(GetNumber(dlg, IDC_ICP_OFFSET), st->work, OffsetRangeVolts(st->work.gain));
    ShowOffset(dlg, st);
}

void NewPreset(HWND dlg, stParamsDlg* st) {
    char name[kPresetNameChars + 1] = {};
    GetDlgItemTextA(dlg, IDC_ICP_PRESET_NAME, name, sizeof(name));
    if (!IsNewInputPresetName(st->acq, name)) return;
    stAcqChan rec = st->work;
    GetText(dlg, IDC_ICP_LABEL, rec.label, sizeof(rec.label));
    GetText(dlg, IDC_ICP_PRESET_NAME, rec.presetName, sizeof(rec.presetName));
    const uint16_t own = st->acq->chanPresetIndex[st->channel];
    double first = st->acq->samplePeriodMs, second = 0.0;
    if (own > 0 && own <= st->acq->presets.count) {
        CPresetStoreLock lock(st->acq->presets);
        if (lock) {
            first = lock.first[own - 1];
            second = lock.second[own - 1];
        }
    }
    if (!AppendInputPreset(st->acq, rec, first, second)) return;
    MessageBoxA(dlg, Keyed("Preset has been added successfully"), Keyed("Channel Setup"), MB_OK | MB_ICONINFORMATION);
    ShowNewPresetState(dlg, st);
}

void OpenScaling(HWND dlg, stParamsDlg* st) {
    char label[kChanLabelChars + 1] = {}, name[kPresetNameChars + 1] = {};
    GetDlgItemTextA(dlg, IDC_ICP_LABEL, label, sizeof(label));
    GetDlgItemTextA(dlg, IDC_ICP_PRESET_NAME, name, sizeof(name));
    SetScaleFromTwoPoints(&st->work, st->acq);
    const int32_t ok = ShowScalingDialog(dlg, &st->work, st->acq) == IDOK;
    hwndGetDlg = dlg;
    if (!ok) return;
    ShowUnits(dlg, st);
    ShowOffset(dlg, st);
    SetDlgItemTextA(dlg, IDC_ICP_LABEL, label);  // the typed texts stay
    SetDlgItemTextA(dlg, IDC_ICP_PRESET_NAME, name);
}

// The unit takes the working copy at once; the channel's record (which the gain command also
// writes) keeps its values until OK, so that Cancel still leaves it as it was.
void UpdateHardware(stParamsDlg* st) {
    const stAcqChan kept = st->acq->chans[st->channel];
    ApplyChannelHardware(&st->work, st->acq);
    st->acq->chans[st->channel] = kept;
}

bool ParamsApply(HWND dlg, stParamsDlg* st) {
    if (IsVK40() && !(CurrentSlot(st).frequencyHz >= 30.0)) {
        CurrentSlot(st).frequencyHz = 30.0;
        SetNumber(dlg, IDC_ICP_FREQ, 30.0);
        return false;
    }
    if (!st->work.paramsFixed) {
        GetText(dlg, IDC_ICP_LABEL, st->work.label, sizeof(st->work.label));
        GetText(dlg, IDC_ICP_PRESET_NAME, st->work.presetName, sizeof(st->work.presetName));
    }
    st->acq->chanPresetIndex[st->channel] = 0;
    st->acq->chans[st->channel] = st->work;
    SetScaleFromTwoPoints(&st->acq->chans[st->channel], st->acq);
    RelayoutInputValues(st->acq);
    return true;
}

void ParamsCommand(HWND dlg, stParamsDlg* st, int id, unsigned code) {
    switch (id) {
    case IDOK:
        if (ParamsApply(dlg, st)) EndDialog(dlg, 1);
        return;
    case IDCANCEL: EndDialog(dlg, 0); return;
    case IDC_ICP_FREQ:
        if (code == EN_KILLFOCUS) StoreFrequency(dlg, st);
        return;
    case IDC_ICP_Q:
        if (code == EN_KILLFOCUS && !SlotLocked(st)) CurrentSlot(st).q = GetNumber(dlg, IDC_ICP_Q);
        return;
    case IDC_ICP_OFFSET:
        if (code == EN_KILLFOCUS) StoreOffset(dlg, st);
        return;
    case IDC_ICP_PRESET_NAME:
        if (code == EN_CHANGE) ShowNewPresetState(dlg, st);
        return;
    case IDC_ICP_SLOT:
        if (code == CBN_SELCHANGE) SlotChanged(dlg, st);
        return;
    case IDC_ICP_TYPE:
        if (code == CBN_SELCHANGE) {
            CurrentSlot(st).type = static_cast<int16_t>(Selected(dlg, IDC_ICP_TYPE));
            ShowSlot(dlg, st);
        }
        return;
    case IDC_ICP_GAIN:
        if (code == CBN_SELCHANGE) {
            const int row = Selected(dlg, IDC_ICP_GAIN);
            if (row >= 0 && row < g_unit.gainCount) st->work.gain = g_unit.gains[row].gain;
            ShowOffset(dlg, st);
        }
        return;
    case IDC_ICP_AC:
    case IDC_ICP_DC:
        st->work.coupling = id == IDC_ICP_AC ? 1 : 0;
        ShowCoupling(dlg, st);
        return;
    case IDC_ICP_HP0:
    case IDC_ICP_HP1:
    case IDC_ICP_HP2: st->work.highPass = static_cast<int16_t>(id - IDC_ICP_HP0); return;
    case IDC_ICP_LP1K:
    case IDC_ICP_LP5K: st->work.lowPass = id == IDC_ICP_LP1K ? 1 : 0; return;
    case IDC_ICP_NEW_PRESET: NewPreset(dlg, st); return;
    case IDC_ICP_UPDATE_HW: UpdateHardware(st); return;
    case IDC_ICP_SCALING: OpenScaling(dlg, st); return;
    default: return;
    }
}

INT_PTR CALLBACK ParamsProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ParamsInit(dlg, reinterpret_cast<stParamsDlg*>(lParam));
        return TRUE;
    }
    auto* st = reinterpret_cast<stParamsDlg*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (message == WM_COMMAND && st) {
        ParamsCommand(dlg, st, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

int32_t EditInputChannelParams(HWND parent, stAcq* acq, int32_t channel) {
    if (!acq || channel < 0 || channel >= kAnalogChannels) return 0;
    stParamsDlg st{acq, channel, acq->chans[channel]};
    const INT_PTR result = DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_INPUT_PARAMS), parent, ParamsProc,
                                           reinterpret_cast<LPARAM>(&st));
    if (result != 1) return 0;
    RefreshChannelViews(acq);
    return 1;
}
