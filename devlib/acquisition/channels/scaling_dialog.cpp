// Dialog 800, "Change Scaling Parameters": the two calibration points and the units text of a
// channel record, opened by the channel dialogs and, through VK40SetupUnitsDlg, by the program.
#include "devlib/acquisition/channels/scaling.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <initializer_list>

#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {

constexpr int kFieldChars = 128;
constexpr double kMaxAmplifiedVolts = 9.5;  // above it a calibration reading would clip

AnalogInputReader g_inputReader = nullptr;

// What the dialog works on while it is up.
struct stScalingDlg {
    stAcqChan* rec;
    stAcq* acq;
    double factor;  // input volts → the input field's unit
    bool ready;     // set after the fields are filled, so that filling them is no edit
    bool unitsEdited;
};

const int kPointFields[] = {IDC_SCALE_INPUT1, IDC_SCALE_VALUE1, IDC_SCALE_INPUT2, IDC_SCALE_VALUE2, IDC_SCALE_UNITS};

void ShowKeyedMessage(HWND owner, const char* key) {
    MessageBoxA(owner, Keyed(key), Keyed("Warning"), MB_OK | MB_ICONEXCLAMATION);
}

void SetNumber(HWND dlg, int id, double value) {
    char text[64];
    snprintf(text, sizeof(text), "%.10g", value);
    SetDlgItemTextA(dlg, id, text);
}

double GetNumber(HWND dlg, int id) {
    char text[kFieldChars] = {};
    GetDlgItemTextA(dlg, id, text, sizeof(text));
    return ParseDouble(text);
}

// Puts the caret into a field whose value is refused, with its text selected.
void FocusField(HWND dlg, int id) {
    HWND field = GetDlgItem(dlg, id);
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

// The input fields' unit, or none for channels that take plain input values.
void ShowInputUnits(HWND dlg, const stAcqChan& rec, double factor) {
    const bool analog = rec.group == kGroupAnalog;
    const char* unit = Keyed(factor > 1000.0 ? "microV" : "mV");
    for (int id : {IDC_SCALE_INPUT1_UNIT, IDC_SCALE_INPUT2_UNIT}) {
        SetDlgItemTextA(dlg, id, unit);
        ShowWindow(GetDlgItem(dlg, id), analog ? SW_SHOW : SW_HIDE);
    }
}

void ScalingDlgInit(HWND dlg, stScalingDlg* st) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(st));
    hwndGetDlg = dlg;
    HandleTheDialog(dlg, IDD_SCALING);

    const stAcqChan& rec = *st->rec;
    char heading[sizeof(rec.label) + 32];
    FormatChannelHeading(rec, st->acq->firstAnalogNumber, heading, sizeof(heading));
    SetDlgItemTextA(dlg, IDC_SCALE_HEADING, heading);
    ShowInputUnits(dlg, rec, st->factor);

    SetNumber(dlg, IDC_SCALE_INPUT1, rec.inValue1 * st->factor);
    SetNumber(dlg, IDC_SCALE_VALUE1, rec.unitValue1);
    SetNumber(dlg, IDC_SCALE_INPUT2, rec.inValue2 * st->factor);
    SetNumber(dlg, IDC_SCALE_VALUE2, rec.unitValue2);
    char units[sizeof(rec.units) + 1] = {};
    memcpy(units, rec.units, sizeof(rec.units));
    SendDlgItemMessageA(dlg, IDC_SCALE_UNITS, EM_LIMITTEXT, kChanUnitsChars, 0);
    SetDlgItemTextA(dlg, IDC_SCALE_UNITS, units);

    const bool fixed = rec.paramsFixed != 0;
    for (int id : kPointFields) EnableWindow(GetDlgItem(dlg, id), !fixed);
    for (int id : {IDC_SCALE_CAL1, IDC_SCALE_CAL2})
        EnableWindow(GetDlgItem(dlg, id), !fixed && rec.group == kGroupAnalog);
    st->ready = true;
}

// Reads the channel's present input into one point's input field.
void ScalingDlgCalibrate(HWND dlg, stScalingDlg* st, int field) {
    double volts = 0.0;
    if (!g_inputReader || !g_inputReader(st->acq, st->rec->number, &volts) || !std::isfinite(volts)) {
        ShowKeyedMessage(dlg, "KEY Can NOT get data from VK40");
        return;
    }
    if (std::fabs(volts * st->rec->gain) > kMaxAmplifiedVolts) {
        ShowKeyedMessage(dlg, "KEY Reduce the gain");
        return;
    }
    SetNumber(dlg, field, volts * st->factor);
}

// Both points must differ in value and in input; a fixed channel keeps its record as it is.
bool ScalingDlgApply(HWND dlg, stScalingDlg* st) {
    stAcqChan& rec = *st->rec;
    if (rec.paramsFixed) return true;
    const double input1 = GetNumber(dlg, IDC_SCALE_INPUT1);
    const double value1 = GetNumber(dlg, IDC_SCALE_VALUE1);
    const double input2 = GetNumber(dlg, IDC_SCALE_INPUT2);
    const double value2 = GetNumber(dlg, IDC_SCALE_VALUE2);
    if (value2 == value1 || !std::isfinite(value1) || !std::isfinite(value2)) {
        FocusField(dlg, IDC_SCALE_VALUE1);
        return false;
    }
    if (input2 == input1 || !std::isfinite(input1) || !std::isfinite(input2)) {
        FocusField(dlg, IDC_SCALE_INPUT1);
        return false;
    }
    rec.inValue1 = input1 / st->factor;
    rec.unitValue1 = value1;
    rec.inValue2 = input2 / st->factor;
    rec.unitValue2 = value2;
    char units[kChanUnitsChars + 1] = {};
    GetDlgItemTextA(dlg, IDC_SCALE_UNITS, units, sizeof(units));
    memset(rec.units, 0, sizeof(rec.units));
    memcpy(rec.units, units, strlen(units));
    if (st->unitsEdited) rec.unitsSetByUser = 1;
    SetScaleFromTwoPoints(&rec, st->acq);
    return true;
}

void ScalingDlgCommand(HWND dlg, stScalingDlg* st, int id, unsigned code) {
    switch (id) {
    case IDC_SCALE_UNITS:
        if (code == EN_CHANGE && st->ready) st->unitsEdited = true;
        break;
    case IDC_SCALE_CAL1: ScalingDlgCalibrate(dlg, st, IDC_SCALE_INPUT1); break;
    case IDC_SCALE_CAL2: ScalingDlgCalibrate(dlg, st, IDC_SCALE_INPUT2); break;
    case IDOK:
        if (ScalingDlgApply(dlg, st)) EndDialog(dlg, IDOK);
        break;
    case IDCANCEL: EndDialog(dlg, IDCANCEL); break;
    default: break;
    }
}

INT_PTR CALLBACK ScalingDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        ScalingDlgInit(dlg, reinterpret_cast<stScalingDlg*>(lParam));
        return TRUE;
    }
    auto* st = reinterpret_cast<stScalingDlg*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (message == WM_COMMAND && st) {
        ScalingDlgCommand(dlg, st, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

}  // namespace

AnalogInputReader SetAnalogInputReader(AnalogInputReader reader) {
    AnalogInputReader previous = g_inputReader;
    g_inputReader = reader;
    return previous;
}

// The launcher: 1 when the user confirmed new points, 2 otherwise.
int32_t ShowScalingDialog(HWND parent, stAcqChan* rec, stAcq* acq) {
    if (!rec || !acq) return IDCANCEL;
    stScalingDlg st{rec, acq, ScalingInputFactor(*rec), false, false};
    const INT_PTR result = DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_SCALING), parent, ScalingDlgProc,
                                           reinterpret_cast<LPARAM>(&st));
    return result == IDOK ? IDOK : IDCANCEL;
}

// The program's entry for a graph channel: the record of the channel slot, under the lock for the
// dialog's length. A slot of no channel opens nothing. Always 1.
int32_t WINAPI VK40SetupUnitsDlg(HWND parent, HGLOBAL hAcq, uint32_t slot) {
    AcqLock acq(hAcq);
    if (!acq || slot > static_cast<uint32_t>(INT32_MAX)) return 1;
    const int32_t index = ChannelRecordForSlot(static_cast<int32_t>(slot), NDChan);
    if (index < 0) return 1;
    // The analog scaling table follows at once, so the graph's range bars show the new points.
    if (ShowScalingDialog(parent, &acq->chans[index], acq.get()) == IDOK && index < kAnalogChannels)
        g_scaling.Refresh(acq.get());
    return 1;
}
