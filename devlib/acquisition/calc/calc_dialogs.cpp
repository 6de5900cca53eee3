// The calculation dialogs' common frame and the parameter fields of Integrate, Smoothing,
// Difference, Math, Function, Filter, Delay and Control; ShowCalcDialog opens the one of a kind.
#include "devlib/acquisition/calc/calc_dialogs.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>

#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/calc/calc_dialogs_frame.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/acquisition/channels/scaling.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace calcdlg {

void Warn(HWND dlg, const char* key, const char* captionKey) {
    MessageBeep(MB_ICONEXCLAMATION);
    MessageBoxA(dlg, Keyed(key), Keyed(captionKey), MB_OK | MB_ICONEXCLAMATION);
}

void FocusField(HWND dlg, int id) {
    HWND field = GetDlgItem(dlg, id);
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(field), TRUE);
    SendMessageA(field, EM_SETSEL, 0, -1);
}

void SetNumber(HWND dlg, int id, const char* format, double value) {
    char text[64];
    snprintf(text, sizeof(text), format, value);
    SetDlgItemTextA(dlg, id, text);
}

bool ReadNumber(HWND dlg, int id, double* out) {
    char text[64] = {};
    GetDlgItemTextA(dlg, id, text, sizeof(text));
    const char* p = text;
    while (*p == ' ') ++p;
    char* end = nullptr;
    const double value = strtod(p, &end);
    if (end == p) return false;
    while (*end == ' ') ++end;
    if (*end || !std::isfinite(value)) return false;
    *out = value;
    return true;
}

bool ReadWhole(HWND dlg, int id, long* out) {
    char text[64] = {};
    GetDlgItemTextA(dlg, id, text, sizeof(text));
    return ParseWholeNumber(text, out);
}

void SetChecked(HWND dlg, int id, bool on) { CheckDlgButton(dlg, id, on ? BST_CHECKED : BST_UNCHECKED); }
bool IsChecked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }
void Enable(HWND dlg, int id, bool on) { EnableWindow(GetDlgItem(dlg, id), on); }
void Show(HWND dlg, int id, bool on) { ShowWindow(GetDlgItem(dlg, id), on ? SW_SHOW : SW_HIDE); }

void AddRow(HWND dlg, int combo, const char* text, LPARAM value) {
    const LRESULT row = SendDlgItemMessageA(dlg, combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    if (row >= 0) SendDlgItemMessageA(dlg, combo, CB_SETITEMDATA, static_cast<WPARAM>(row), value);
}

void AddKeyedRow(HWND dlg, int combo, const char* key, LPARAM value) { AddRow(dlg, combo, Keyed(key), value); }

LPARAM SelectedValue(HWND dlg, int combo, LPARAM fallback) {
    const LRESULT row = SendDlgItemMessageA(dlg, combo, CB_GETCURSEL, 0, 0);
    return row == CB_ERR ? fallback : SendDlgItemMessageA(dlg, combo, CB_GETITEMDATA, static_cast<WPARAM>(row), 0);
}

void SelectValue(HWND dlg, int combo, LPARAM value) {
    const LRESULT rows = SendDlgItemMessageA(dlg, combo, CB_GETCOUNT, 0, 0);
    for (LRESULT row = 0; row < rows; ++row)
        if (SendDlgItemMessageA(dlg, combo, CB_GETITEMDATA, static_cast<WPARAM>(row), 0) == value) {
            SendDlgItemMessageA(dlg, combo, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
            return;
        }
}

void FillSources(HWND dlg, const stCalcDlg* st, int combo, int32_t selectedId) {
    FillSourceChannelList(st->acq, selectedId, st->channel, GetDlgItem(dlg, combo), 0);
}

std::string SourceUnits(const stCalcDlg* st, int32_t id) {
    const int32_t index = SourceRecordIndex(st->acq, id);
    if (index < 0) return {};
    const char* units = st->acq->chans[index].units;
    return std::string(units, strnlen(units, sizeof(stAcqChan::units)));
}

void ShowSourceUnits(HWND dlg, const stCalcDlg* st, int combo, int label) {
    const int32_t id = GetSelectedSourceChannel(st->acq, GetDlgItem(dlg, combo), st->channel, 0);
    SetDlgItemTextA(dlg, label, SourceUnits(st, id).c_str());
}

bool ReadSource(HWND dlg, const stCalcDlg* st, int combo, int32_t* id) {
    *id = GetSelectedSourceChannel(st->acq, GetDlgItem(dlg, combo), st->channel, 0);
    if (*id >= 0) return true;
    MessageBeep(MB_ICONEXCLAMATION);
    SendMessageA(dlg, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dlg, combo)), TRUE);
    return false;
}

}  // namespace calcdlg

using namespace calcdlg;

namespace {


// ---- The frame ----

void ShowNewPresetState(HWND dlg, const stCalcDlg* st) {
    Enable(dlg, IDC_CALC_NEW_PRESET, IsNewPresetName(dlg, IDC_CALC_PRESET_NAME, st->acq) != 0);
}

void FrameInit(HWND dlg, stCalcDlg* st) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(st));
    hwndGetDlg = dlg;
    HandleTheDialog(dlg, static_cast<uint32_t>(st->ops->dlgId));
    char text[kPresetNameChars + 1] = {};
    snprintf(text, sizeof(text), "C%i", st->channel + 1);
    SetDlgItemTextA(dlg, IDC_CALC_HEADING, text);
    SendDlgItemMessageA(dlg, IDC_CALC_LABEL, EM_LIMITTEXT, kChanLabelChars, 0);
    SendDlgItemMessageA(dlg, IDC_CALC_PRESET_NAME, EM_LIMITTEXT, kPresetNameChars, 0);
    memcpy(text, st->rec->label, sizeof(st->rec->label));
    text[sizeof(st->rec->label)] = '\0';
    SetDlgItemTextA(dlg, IDC_CALC_LABEL, text);
    memcpy(text, st->rec->presetName, sizeof(st->rec->presetName));
    text[sizeof(st->rec->presetName)] = '\0';
    SetDlgItemTextA(dlg, IDC_CALC_PRESET_NAME, text);
    st->ops->init(dlg, st);
    if (GetDlgItem(dlg, IDC_CALC_NEW_PRESET)) ShowNewPresetState(dlg, st);
}

// Label and preset name from their fields into a record, when the dialog has them.
void TakeNames(HWND dlg, stAcqChan* chan) {
    if (!GetDlgItem(dlg, IDC_CALC_LABEL)) return;
    char text[kPresetNameChars + 1] = {};
    GetDlgItemTextA(dlg, IDC_CALC_LABEL, text, kChanLabelChars + 1);
    memset(chan->label, 0, sizeof(chan->label));
    memcpy(chan->label, text, strnlen(text, sizeof(chan->label)));
    GetDlgItemTextA(dlg, IDC_CALC_PRESET_NAME, text, sizeof(text));
    memset(chan->presetName, 0, sizeof(chan->presetName));
    memcpy(chan->presetName, text, strnlen(text, sizeof(chan->presetName)));
}

// OK: everything validates into copies first, so a refusal leaves the settings untouched.
bool FrameApply(HWND dlg, stCalcDlg* st) {
    auto work = std::make_unique<stCalcSettings>(*CalcSettings(st->acq));
    stAcqChan chan = *st->rec;
    if (!st->ops->apply(dlg, st, work.get(), &chan)) return false;
    uint8_t block[kCalcPresetBytes] = {};
    if (EncodeCalcParams(*work, st->channel, st->ops->kind, block))
        DecodeCalcParams(block, st->ops->kind, st->channel, CalcSettings(st->acq));
    TakeNames(dlg, &chan);
    *st->rec = chan;
    return true;
}

// "&New Channel Preset": the fields validated into a zeroed block instead of the settings.
void FrameNewPreset(HWND dlg, stCalcDlg* st) {
    if (!IsNewPresetName(dlg, IDC_CALC_PRESET_NAME, st->acq)) {
        ShowNewPresetState(dlg, st);
        return;
    }
    auto work = std::make_unique<stCalcSettings>();
    stAcqChan chan = *st->rec;
    if (!st->ops->apply(dlg, st, work.get(), &chan)) return;
    uint8_t block[kCalcPresetBytes] = {};
    if (MakeCalcPresetBlock(st->acq, *work, st->channel, st->ops->kind, block))
        AddCalcPreset(dlg, IDC_CALC_PRESET_NAME, IDC_CALC_LABEL, st->acq, st->channel, st->ops->kind, block);
    ShowNewPresetState(dlg, st);
}

void FrameCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    switch (id) {
    case IDOK:
        if (FrameApply(dlg, st)) EndDialog(dlg, 1);
        return;
    case IDCANCEL: EndDialog(dlg, 0); return;
    case IDC_CALC_SCALING:
        ShowScalingDialog(dlg, st->rec, st->acq);
        hwndGetDlg = dlg;
        return;
    case IDC_CALC_NEW_PRESET: FrameNewPreset(dlg, st); return;
    case IDC_CALC_PRESET_NAME:
        if (code == EN_KILLFOCUS) ShowNewPresetState(dlg, st);
        return;
    default:
        if (st->ops->command) st->ops->command(dlg, st, id, code);
        return;
    }
}

INT_PTR CALLBACK CalcDlgProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        FrameInit(dlg, reinterpret_cast<stCalcDlg*>(lParam));
        return TRUE;
    }
    auto* st = reinterpret_cast<stCalcDlg*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (message == WM_COMMAND && st) {
        FrameCommand(dlg, st, LOWORD(wParam), HIWORD(wParam));
        return TRUE;
    }
    return FALSE;
}

// ---- Integrate (130) ----

void IntegrateModeFields(HWND dlg) {
    const bool averaging = IsChecked(dlg, IDC_INT_AVERAGE);
    for (int id : {IDC_INT_SAMPLES, IDC_INT_OPTIONS, IDC_INT_RECTIFY, IDC_INT_RMS, IDC_INT_BASELINE})
        Enable(dlg, id, averaging);
    for (int id : {IDC_INT_CONTROL, IDC_INT_LOW, IDC_INT_HIGH, IDC_INT_POSITIVE, IDC_INT_NEGATIVE,
                   IDC_INT_MEAN_SUBTRACT, IDC_INT_MAX_CYCLE})
        Enable(dlg, id, !averaging);
}

void IntegrateInit(HWND dlg, stCalcDlg* st) {
    const stIntegrateParams& p = CalcSettings(st->acq)->integrate[st->channel];
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    FillSources(dlg, st, IDC_INT_CONTROL, p.control);
    ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    ShowSourceUnits(dlg, st, IDC_INT_CONTROL, IDC_INT_CONTROL_UNITS);
    CheckRadioButton(dlg, IDC_INT_AVERAGE, IDC_INT_RESET, p.averaging ? IDC_INT_AVERAGE : IDC_INT_RESET);
    SetNumber(dlg, IDC_INT_SAMPLES, "%.0f", p.samples);
    SetChecked(dlg, IDC_INT_OPTIONS, p.options != 0);
    CheckRadioButton(dlg, IDC_INT_RECTIFY, IDC_INT_RMS, p.rectify ? IDC_INT_RECTIFY : IDC_INT_RMS);
    SetChecked(dlg, IDC_INT_BASELINE, p.removeBaseline != 0);
    SetNumber(dlg, IDC_INT_LOW, "%.5f", p.low);
    SetNumber(dlg, IDC_INT_HIGH, "%.5f", p.high);
    CheckRadioButton(dlg, IDC_INT_POSITIVE, IDC_INT_NEGATIVE, p.positive ? IDC_INT_POSITIVE : IDC_INT_NEGATIVE);
    SetChecked(dlg, IDC_INT_MEAN_SUBTRACT, p.meanSubtraction != 0);
    SetNumber(dlg, IDC_INT_MAX_CYCLE, "%.5f", p.maxCyclePeriod);
    IntegrateModeFields(dlg);
}

bool IntegrateApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    stIntegrateParams& p = work->integrate[st->channel];
    int32_t source = 0, control = 0;
    if (!ReadSource(dlg, st, IDC_CALC_SOURCE, &source)) return false;
    const bool averaging = IsChecked(dlg, IDC_INT_AVERAGE);
    long samples = 0;
    if (averaging && (!ReadWhole(dlg, IDC_INT_SAMPLES, &samples) || samples <= 0 || samples > INT16_MAX)) {
        Warn(dlg, "Number of samples is wrong", "Warning");
        FocusField(dlg, IDC_INT_SAMPLES);
        return false;
    }
    double low = p.low, high = p.high, cycle = p.maxCyclePeriod;
    if (!averaging) {
        if (!ReadSource(dlg, st, IDC_INT_CONTROL, &control)) return false;
        for (auto field : {std::make_pair(IDC_INT_LOW, &low), std::make_pair(IDC_INT_HIGH, &high),
                           std::make_pair(IDC_INT_MAX_CYCLE, &cycle)})
            if (!ReadNumber(dlg, field.first, field.second)) {
                MessageBeep(MB_ICONEXCLAMATION);
                FocusField(dlg, field.first);
                return false;
            }
        p.control = static_cast<int16_t>(control);
        p.low = low;
        p.high = high;
        p.positive = IsChecked(dlg, IDC_INT_POSITIVE) ? 1 : 0;
        p.meanSubtraction = IsChecked(dlg, IDC_INT_MEAN_SUBTRACT) ? 1 : 0;
        p.maxCyclePeriod = cycle < 0.0 ? 0.0 : cycle;
    } else {
        p.samples = static_cast<int16_t>(samples);
        p.options = IsChecked(dlg, IDC_INT_OPTIONS) ? 1 : 0;
        p.rectify = IsChecked(dlg, IDC_INT_RECTIFY) ? 1 : 0;
        p.removeBaseline = IsChecked(dlg, IDC_INT_BASELINE) ? 1 : 0;
    }
    p.source = static_cast<int16_t>(source);
    p.averaging = averaging ? 1 : 0;
    return true;
}

void IntegrateCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    if ((id == IDC_INT_AVERAGE || id == IDC_INT_RESET) && code == BN_CLICKED) {
        CheckRadioButton(dlg, IDC_INT_AVERAGE, IDC_INT_RESET, id);
        IntegrateModeFields(dlg);
    }
    if (id == IDC_CALC_SOURCE && code == CBN_SELCHANGE)
        ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    if (id == IDC_INT_CONTROL && code == CBN_SELCHANGE)
        ShowSourceUnits(dlg, st, IDC_INT_CONTROL, IDC_INT_CONTROL_UNITS);
}

// ---- Smoothing (133) and Difference (170) ----

void SourceUnitsCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    if (id == IDC_CALC_SOURCE && code == CBN_SELCHANGE)
        ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
}

void SmoothingInit(HWND dlg, stCalcDlg* st) {
    const stSmoothingParams& p = CalcSettings(st->acq)->smoothing[st->channel];
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    SetNumber(dlg, IDC_SMOOTH_FACTOR, "%.0f", p.factor);
    SetChecked(dlg, IDC_SMOOTH_MEDIAN, p.median != 0);
}

// At least three samples: fewer leave nothing to smooth.
bool SmoothingApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    int32_t source = 0;
    if (!ReadSource(dlg, st, IDC_CALC_SOURCE, &source)) return false;
    long factor = 0;
    if (!ReadWhole(dlg, IDC_SMOOTH_FACTOR, &factor) || factor < 3 || factor > INT32_MAX) {
        Warn(dlg, "Wrong Smoothing Factor.", "Smoothing Setup");
        FocusField(dlg, IDC_SMOOTH_FACTOR);
        return false;
    }
    stSmoothingParams& p = work->smoothing[st->channel];
    p.source = static_cast<int16_t>(source);
    p.factor = static_cast<int32_t>(factor);
    p.median = IsChecked(dlg, IDC_SMOOTH_MEDIAN) ? 1 : 0;
    return true;
}

void DifferenceInit(HWND dlg, stCalcDlg* st) {
    const stDifferenceParams& p = CalcSettings(st->acq)->difference[st->channel];
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    SetNumber(dlg, IDC_DIFF_INTERVAL, "%.0f", p.interval);
}

bool DifferenceApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    int32_t source = 0;
    if (!ReadSource(dlg, st, IDC_CALC_SOURCE, &source)) return false;
    long interval = 0;
    if (!ReadWhole(dlg, IDC_DIFF_INTERVAL, &interval) || interval <= 0 || interval >= INT32_MAX) {
        Warn(dlg, "Wrong Difference Interval.", "Difference Setup");
        FocusField(dlg, IDC_DIFF_INTERVAL);
        return false;
    }
    work->difference[st->channel].source = source;
    work->difference[st->channel].interval = static_cast<int32_t>(interval);
    return true;
}

// ---- Math (150) ----

constexpr int kMathOperandLists[] = {IDC_MATH_FIRST, IDC_MATH_SECOND};

void MathConstantState(HWND dlg) {
    bool constant = false;
    for (int list : kMathOperandLists) constant |= SendDlgItemMessageA(dlg, list, CB_GETCURSEL, 0, 0) == 0;
    Enable(dlg, IDC_MATH_CONSTANT, constant);
}

void MathInit(HWND dlg, stCalcDlg* st) {
    const stMathParams& p = CalcSettings(st->acq)->math[st->channel];
    const int32_t operands[] = {p.first, p.second};
    for (int i = 0; i < 2; ++i) {
        AddKeyedRow(dlg, kMathOperandLists[i], "K, Constant", kMathConstant);
        FillSources(dlg, st, kMathOperandLists[i], operands[i]);
        if (operands[i] < 0) SendDlgItemMessageA(dlg, kMathOperandLists[i], CB_SETCURSEL, 0, 0);
    }
    static const char* const kOperators[] = {"+", "-", "*", "/", "^"};
    for (int i = 0; i < 5; ++i) AddRow(dlg, IDC_MATH_OPERATOR, kOperators[i], i + 1);
    SendDlgItemMessageA(dlg, IDC_MATH_OPERATOR, CB_SETCURSEL, p.op >= 1 && p.op <= 5 ? p.op - 1 : 0, 0);
    SetNumber(dlg, IDC_MATH_CONSTANT, "%.15g", p.constant);
    MathConstantState(dlg);
}

bool MathApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    stMathParams& p = work->math[st->channel];
    int32_t operands[2] = {};
    for (int i = 0; i < 2; ++i) {
        const HWND list = GetDlgItem(dlg, kMathOperandLists[i]);
        const LRESULT row = SendMessageA(list, CB_GETCURSEL, 0, 0);
        operands[i] = row == 0 ? kMathConstant : GetSelectedSourceChannel(st->acq, list, st->channel, 1);
        if (row == 0) continue;
        if (!ReadSource(dlg, st, kMathOperandLists[i], &operands[i])) return false;
    }
    double constant = p.constant;
    if (IsWindowEnabled(GetDlgItem(dlg, IDC_MATH_CONSTANT)) && !ReadNumber(dlg, IDC_MATH_CONSTANT, &constant)) {
        MessageBeep(MB_ICONEXCLAMATION);
        FocusField(dlg, IDC_MATH_CONSTANT);
        return false;
    }
    p.first = operands[0];
    p.second = operands[1];
    p.op = static_cast<int32_t>(SelectedValue(dlg, IDC_MATH_OPERATOR, kMathAdd));
    p.constant = constant;
    return true;
}

void MathCommand(HWND dlg, stCalcDlg*, int id, unsigned code) {
    if ((id == IDC_MATH_FIRST || id == IDC_MATH_SECOND) && code == CBN_SELCHANGE) MathConstantState(dlg);
}

// ---- Function (160) ----

const char* const kFunctionKeys[kFunctionRows] = {"Abs", "ArcTan", "Exp", "Limit", "Ln",
                                                  "Log", "Noise",  "Sin", "Sqrt",  "Threshold"};

void FunctionLevelFields(HWND dlg) {
    const LPARAM f = SelectedValue(dlg, IDC_FUNC_LIST, kFuncAbs);
    const bool levels = f == kFuncThreshold || f == kFuncLimit;
    for (int id : {IDC_FUNC_UPPER_TITLE, IDC_FUNC_UPPER, IDC_FUNC_LOWER_TITLE, IDC_FUNC_LOWER}) Show(dlg, id, levels);
}

void FunctionInit(HWND dlg, stCalcDlg* st) {
    const stFunctionParams& p = CalcSettings(st->acq)->function[st->channel];
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    for (int row = 0; row < kFunctionRows; ++row)
        AddKeyedRow(dlg, IDC_FUNC_LIST, kFunctionKeys[row], FunctionValueOfRow(row));
    SendDlgItemMessageA(dlg, IDC_FUNC_LIST, CB_SETCURSEL, static_cast<WPARAM>(RowOfFunctionValue(p.function)), 0);
    SetNumber(dlg, IDC_FUNC_UPPER, "%g", p.upper);
    SetNumber(dlg, IDC_FUNC_LOWER, "%g", p.lower);
    FunctionLevelFields(dlg);
}

bool FunctionApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    stFunctionParams& p = work->function[st->channel];
    int32_t source = 0;
    if (!ReadSource(dlg, st, IDC_CALC_SOURCE, &source)) return false;
    double upper = p.upper, lower = p.lower;
    if (IsWindowVisible(GetDlgItem(dlg, IDC_FUNC_UPPER))) {
        for (auto field : {std::make_pair(IDC_FUNC_UPPER, &upper), std::make_pair(IDC_FUNC_LOWER, &lower)})
            if (!ReadNumber(dlg, field.first, field.second)) {
                MessageBeep(MB_ICONEXCLAMATION);
                FocusField(dlg, field.first);
                return false;
            }
    }
    p.source = source;
    p.function = static_cast<int32_t>(SelectedValue(dlg, IDC_FUNC_LIST, kFuncAbs));
    p.upper = upper;
    p.lower = lower;
    return true;
}

void FunctionCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    SourceUnitsCommand(dlg, st, id, code);
    if (id == IDC_FUNC_LIST && code == CBN_SELCHANGE) FunctionLevelFields(dlg);
}

// ---- Filter (180) ----

struct stFilterDlg {
    double q, qBand;  // the two Q values while the type list changes which one the field shows
    int16_t shownType;
};

bool UsesBandQ(LPARAM type) { return type == kCalcFilterBandPass || type == kCalcFilterBandStop; }

void FilterTypeFields(HWND dlg, stFilterDlg* f) {
    const LPARAM type = SelectedValue(dlg, IDC_FILTER_TYPE, kCalcFilterLowPass);
    SetDlgItemTextA(dlg, IDC_FILTER_FREQ_TITLE, Keyed(type == kCalcFilterLowHigh ? "LowFreq Key" : "Freq Key"));
    Show(dlg, IDC_FILTER_HIGH_TITLE, type == kCalcFilterLowHigh);
    Show(dlg, IDC_FILTER_HIGH, type == kCalcFilterLowHigh);
    SetNumber(dlg, IDC_FILTER_Q, "%.4f", UsesBandQ(type) ? f->qBand : f->q);
    f->shownType = static_cast<int16_t>(type);
}

void FilterInit(HWND dlg, stCalcDlg* st) {
    const stFilterParams& p = CalcSettings(st->acq)->filter[st->channel];
    auto* f = static_cast<stFilterDlg*>(st->extra);
    *f = {p.q, p.qBand, p.type};
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    static const char* const kTypes[] = {"Low Pass",  "High Pass", "Band Pass (low + high)",
                                         "Band Pass", "Band Stop", "Band Stop-Line Freq"};
    for (int i = 0; i < 6; ++i) AddKeyedRow(dlg, IDC_FILTER_TYPE, kTypes[i], i + 1);
    SelectValue(dlg, IDC_FILTER_TYPE, p.type);
    if (SendDlgItemMessageA(dlg, IDC_FILTER_TYPE, CB_GETCURSEL, 0, 0) == CB_ERR)
        SendDlgItemMessageA(dlg, IDC_FILTER_TYPE, CB_SETCURSEL, 0, 0);
    SetNumber(dlg, IDC_FILTER_FREQ, "%g", p.frequency);
    SetNumber(dlg, IDC_FILTER_HIGH, "%g", p.highFrequency);
    FilterTypeFields(dlg, f);
}

// A frequency must lie above 0 and below half the sample rate, or the design has no filter.
bool FilterFrequencyOk(HWND dlg, const stCalcDlg* st, int id, double* out) {
    const double nyquist = st->acq->samplePeriodMs > 0.0 ? 500.0 / st->acq->samplePeriodMs : HUGE_VAL;
    if (ReadNumber(dlg, id, out) && *out > 0.0 && *out < nyquist) return true;
    Warn(dlg, "KEY Filter frequency range", "Warning");
    FocusField(dlg, id);
    return false;
}

bool FilterApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    auto* f = static_cast<stFilterDlg*>(st->extra);
    stFilterParams& p = work->filter[st->channel];
    int32_t source = 0;
    if (!ReadSource(dlg, st, IDC_CALC_SOURCE, &source)) return false;
    const LPARAM type = SelectedValue(dlg, IDC_FILTER_TYPE, kCalcFilterLowPass);
    double q = 0.0;
    if (!ReadNumber(dlg, IDC_FILTER_Q, &q) || q <= 0.0) {
        Warn(dlg, "Q value is out of range", "Warning");
        SetNumber(dlg, IDC_FILTER_Q, "%.4f", UsesBandQ(type) ? f->qBand : f->q);
        FocusField(dlg, IDC_FILTER_Q);
        return false;
    }
    double frequency = 0.0, high = p.highFrequency;
    if (!FilterFrequencyOk(dlg, st, IDC_FILTER_FREQ, &frequency)) return false;
    if (type == kCalcFilterLowHigh && !FilterFrequencyOk(dlg, st, IDC_FILTER_HIGH, &high)) return false;
    (UsesBandQ(type) ? f->qBand : f->q) = q;
    p.source = static_cast<int16_t>(source);
    p.type = static_cast<int16_t>(type);
    p.q = f->q;
    p.qBand = f->qBand;
    p.frequency = frequency;
    p.highFrequency = high;
    return true;
}

// A type change keeps the Q typed for the old type before the field shows the new type's Q.
void FilterCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    SourceUnitsCommand(dlg, st, id, code);
    if (id != IDC_FILTER_TYPE || code != CBN_SELCHANGE) return;
    auto* f = static_cast<stFilterDlg*>(st->extra);
    double q = 0.0;
    if (ReadNumber(dlg, IDC_FILTER_Q, &q) && q > 0.0) (UsesBandQ(f->shownType) ? f->qBand : f->q) = q;
    FilterTypeFields(dlg, f);
}

// ---- Delay (114) ----

struct stDelayDlg {
    long samples;
    double seconds;
    int16_t shownUnit;
};

void DelayValueField(HWND dlg, const stDelayDlg* d) {
    char text[64];
    if (d->shownUnit == kDelayUnitSeconds)
        snprintf(text, sizeof(text), "%g", d->seconds);
    else
        snprintf(text, sizeof(text), "%ld", d->samples);
    SetDlgItemTextA(dlg, IDC_DELAY_VALUE, text);
}

void DelayInit(HWND dlg, stCalcDlg* st) {
    const stDelayParams& p = CalcSettings(st->acq)->delay[st->channel];
    auto* d = static_cast<stDelayDlg*>(st->extra);
    *d = {p.samples, p.seconds, p.unit == kDelayUnitSeconds ? kDelayUnitSeconds : kDelayUnitSamples};
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    AddKeyedRow(dlg, IDC_DELAY_UNIT, "Samples", kDelayUnitSamples);
    AddKeyedRow(dlg, IDC_DELAY_UNIT, "Seconds", kDelayUnitSeconds);
    SelectValue(dlg, IDC_DELAY_UNIT, d->shownUnit);
    DelayValueField(dlg, d);
}

// The field in its unit: whole samples or seconds, neither below 0.
bool DelayRead(HWND dlg, stDelayDlg* d) {
    long samples = 0;
    double seconds = 0.0;
    if (d->shownUnit == kDelayUnitSeconds) {
        if (!ReadNumber(dlg, IDC_DELAY_VALUE, &seconds) || seconds < 0.0) return false;
        d->seconds = seconds;
    } else {
        if (!ReadWhole(dlg, IDC_DELAY_VALUE, &samples) || samples < 0 || samples > INT32_MAX) return false;
        d->samples = samples;
    }
    return true;
}

bool DelayApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    auto* d = static_cast<stDelayDlg*>(st->extra);
    int32_t source = 0;
    if (!ReadSource(dlg, st, IDC_CALC_SOURCE, &source)) return false;
    if (!DelayRead(dlg, d)) {
        Warn(dlg, "Wrong Delay value", "Delay Setup");
        FocusField(dlg, IDC_DELAY_VALUE);
        return false;
    }
    stDelayParams& p = work->delay[st->channel];
    p.source = static_cast<int16_t>(source);
    p.unit = d->shownUnit;
    p.samples = static_cast<int32_t>(d->samples);
    p.seconds = d->seconds;
    return true;
}

void DelayCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    SourceUnitsCommand(dlg, st, id, code);
    if (id != IDC_DELAY_UNIT || code != CBN_SELCHANGE) return;
    auto* d = static_cast<stDelayDlg*>(st->extra);
    DelayRead(dlg, d);
    d->shownUnit = static_cast<int16_t>(SelectedValue(dlg, IDC_DELAY_UNIT, kDelayUnitSamples));
    DelayValueField(dlg, d);
}

// ---- Control (117): the parameter fields alone ----

constexpr int kOutputLines = 15;

void ControlUnits(HWND dlg, stCalcDlg* st) {
    const int32_t id = GetSelectedSourceChannel(st->acq, GetDlgItem(dlg, IDC_CALC_SOURCE), st->channel, 0);
    const std::string units = SourceUnits(st, id);
    SetDlgItemTextA(dlg, IDC_CTRL_LEVEL1_UNITS, units.c_str());
    SetDlgItemTextA(dlg, IDC_CTRL_LEVEL2_UNITS, units.c_str());
}

void ControlInit(HWND dlg, stCalcDlg* st) {
    const stControlParams& p = CalcSettings(st->acq)->control[st->channel];
    char text[sizeof(st->rec->label) + 32], label[sizeof(st->rec->label) + 1] = {};
    memcpy(label, st->rec->label, sizeof(st->rec->label));
    snprintf(text, sizeof(text), "C%d, %s", st->channel + 1, label);
    SetDlgItemTextA(dlg, IDC_CTRL_TITLE, text);
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    for (int line = 0; line < kOutputLines; ++line) {
        snprintf(text, sizeof(text), "D%d", line);
        SendDlgItemMessageA(dlg, IDC_CTRL_OUTPUT, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendDlgItemMessageA(dlg, IDC_CTRL_OUTPUT, CB_SETCURSEL,
                        p.outputLine >= 0 && p.outputLine < kOutputLines ? p.outputLine : 0, 0);
    const int function = p.function >= 0 && p.function <= 3 ? p.function : 0;
    CheckRadioButton(dlg, IDC_CTRL_FUNCTION0, IDC_CTRL_FUNCTION3, IDC_CTRL_FUNCTION0 + function);
    SetNumber(dlg, IDC_CTRL_LEVEL1, "%g", p.level1);
    SetNumber(dlg, IDC_CTRL_LEVEL2, "%g", p.level2);
    ControlUnits(dlg, st);
}

bool ControlApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan*) {
    stControlParams& p = work->control[st->channel];
    const int32_t source = GetSelectedSourceChannel(st->acq, GetDlgItem(dlg, IDC_CALC_SOURCE), st->channel, 0);
    if (source >= 0) p.source = static_cast<int16_t>(source);
    const LRESULT line = SendDlgItemMessageA(dlg, IDC_CTRL_OUTPUT, CB_GETCURSEL, 0, 0);
    if (line >= 0 && line < kOutputLines) p.outputLine = static_cast<int16_t>(line);
    for (int f = 0; f <= 3; ++f)
        if (IsChecked(dlg, IDC_CTRL_FUNCTION0 + f)) p.function = static_cast<int16_t>(f);
    char text[64] = {};
    GetDlgItemTextA(dlg, IDC_CTRL_LEVEL1, text, sizeof(text));
    p.level1 = ParseDouble(text);
    GetDlgItemTextA(dlg, IDC_CTRL_LEVEL2, text, sizeof(text));
    p.level2 = ParseDouble(text);
    return true;
}

void ControlCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    if (id == IDC_CALC_SOURCE && code == CBN_SELCHANGE) ControlUnits(dlg, st);
}

const stCalcKindOps kIntegrateOps{IDD_CALC_INTEGRATE, kCalcIntegrate, IntegrateInit, IntegrateApply, IntegrateCommand};
const stCalcKindOps kSmoothingOps{IDD_CALC_SMOOTHING, kCalcSmoothing, SmoothingInit, SmoothingApply, SourceUnitsCommand};
const stCalcKindOps kDifferenceOps{IDD_CALC_DIFFERENCE, kCalcDifference, DifferenceInit, DifferenceApply,
                                   SourceUnitsCommand};
const stCalcKindOps kMathOps{IDD_CALC_MATH, kCalcMath, MathInit, MathApply, MathCommand};
const stCalcKindOps kFunctionOps{IDD_CALC_FUNCTION, kCalcFunction, FunctionInit, FunctionApply, FunctionCommand};
const stCalcKindOps kFilterOps{IDD_CALC_FILTER, kCalcFilter, FilterInit, FilterApply, FilterCommand};
const stCalcKindOps kDelayOps{IDD_CALC_DELAY, kCalcDelay, DelayInit, DelayApply, DelayCommand};
const stCalcKindOps kControlOps{IDD_CALC_CONTROL, kCalcControl, ControlInit, ControlApply, ControlCommand};

}  // namespace

int32_t RunCalcDialog(HWND parent, stAcq* acq, int32_t channel, const stCalcKindOps& ops, void* extra) {
    if (!acq || channel < 0 || channel >= kCalcChannels) return 0;
    stCalcDlg st{acq, channel, &acq->chans[kAnalogChannels + NDChan + channel], &ops, extra};
    const HWND previous = hwndGetDlg;
    const INT_PTR result = DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(ops.dlgId), parent, CalcDlgProc,
                                           reinterpret_cast<LPARAM>(&st));
    hwndGetDlg = previous;
    return result == 1 ? 1 : 0;
}

int32_t ShowCalcDialog(HWND parent, stAcq* acq, int32_t channel) {
    if (!acq || channel < 0 || channel >= kCalcChannels) return 0;
    stAcqChan* rec = &acq->chans[kAnalogChannels + NDChan + channel];
    stFilterDlg filter{};
    stDelayDlg delay{};
    switch (CalcSettings(acq)->kind[channel]) {
    case kCalcIntegrate: return RunCalcDialog(parent, acq, channel, kIntegrateOps, nullptr);
    case kCalcSmoothing: return RunCalcDialog(parent, acq, channel, kSmoothingOps, nullptr);
    case kCalcDifference: return RunCalcDialog(parent, acq, channel, kDifferenceOps, nullptr);
    case kCalcRate: return ShowRateDialog(parent, rec, acq);
    case kCalcMath: return RunCalcDialog(parent, acq, channel, kMathOps, nullptr);
    case kCalcFunction: return RunCalcDialog(parent, acq, channel, kFunctionOps, nullptr);
    case kCalcFilter: return RunCalcDialog(parent, acq, channel, kFilterOps, &filter);
    case kCalcExpression: return ShowExpressionDialog(parent, acq, channel);
    case kCalcDelay: return RunCalcDialog(parent, acq, channel, kDelayOps, &delay);
    case kCalcControl: return RunCalcDialog(parent, acq, channel, kControlOps, nullptr);
    default: return 0;
    }
}
