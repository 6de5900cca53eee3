// Dialog 140, "Rate Parameters": the Rate record of a calculation channel, with the window of
// allowed rates kept in the unit that suits the result function and the channel's units in step.
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string>

#include "devlib/acquisition/calc/calc_dialogs.h"
#include "devlib/acquisition/calc/calc_dialogs_frame.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"

using namespace calcdlg;

namespace {

// What the dialog holds while its fields change meaning.
struct stRateDlg {
    double noise;  // noise rejection percent (automatic threshold)
    double level;  // fixed threshold level
    double lower, upper;
    int16_t unit;
};

const char* const kFunctionKeys[] = {"Rate (Hz)",    "Rate (BPM)",   "Interval (sec)", "Peak Time (sec)", "Count Peaks",
                                     "Peak Minimum", "Peak Maximum", "Peak To Peak",   "Mean Value",      "Area"};
const int kWindowFields[] = {IDC_RATE_WINDOW,    IDC_RATE_MIN_TITLE, IDC_RATE_MIN,      IDC_RATE_MIN_UNITS,
                             IDC_RATE_MAX_TITLE, IDC_RATE_MAX,       IDC_RATE_MAX_UNITS};

stRateDlg* State(const stCalcDlg* st) { return static_cast<stRateDlg*>(st->extra); }

int16_t ShownFunction(HWND dlg) { return static_cast<int16_t>(SelectedValue(dlg, IDC_RATE_FUNCTION, kRateHz)); }

int32_t ShownSource(HWND dlg, const stCalcDlg* st) {
    return GetSelectedSourceChannel(st->acq, GetDlgItem(dlg, IDC_CALC_SOURCE), st->channel, 0);
}

const char* LimitUnitKey(int16_t unit) {
    return unit == kRateUnitPerSecond ? "Hertz" : unit == kRateUnitSeconds ? "Seconds" : "BPM";
}

// The units a result function gives the channel; none keeps the channel's own.
std::optional<std::string> FunctionUnits(HWND dlg, const stCalcDlg* st, int16_t function) {
    const char* key = nullptr;
    switch (RateFunctionUnits(function, &key)) {
    case RateUnitsFrom::Own: return std::string(Keyed(key));
    case RateUnitsFrom::Kept: return std::nullopt;
    default: return SourceUnits(st, ShownSource(dlg, st));
    }
}

void ShowChannelUnits(HWND dlg, const stCalcDlg* st) {
    char own[sizeof(st->rec->units) + 1] = {};
    memcpy(own, st->rec->units, sizeof(st->rec->units));
    const int16_t function = ShownFunction(dlg);
    std::string text = FunctionUnits(dlg, st, function).value_or(Keyed("Peaks"));
    if (st->rec->unitsSetByUser == 1 && own[0]) text = own;
    SetDlgItemTextA(dlg, IDC_RATE_CHAN_UNITS, text.c_str());
}

void ShowLevel(HWND dlg, const stCalcDlg* st) {
    const bool automatic = IsChecked(dlg, IDC_RATE_AUTO);
    SetDlgItemTextA(dlg, IDC_RATE_LEVEL_TITLE, Keyed(automatic ? "Noise re&jection Key" : "Threshold level Key"));
    const std::string units = automatic ? Keyed("% of peak Key") : SourceUnits(st, ShownSource(dlg, st));
    SetDlgItemTextA(dlg, IDC_RATE_LEVEL_UNITS, units.c_str());
    SetNumber(dlg, IDC_RATE_LEVEL, "%g", automatic ? State(st)->noise : State(st)->level);
}

void ShowWindowLimits(HWND dlg, const stRateDlg* r) {
    SetNumber(dlg, IDC_RATE_MIN, "%g", r->lower);
    SetNumber(dlg, IDC_RATE_MAX, "%g", r->upper);
    SetDlgItemTextA(dlg, IDC_RATE_MIN_UNITS, Keyed(LimitUnitKey(r->unit)));
    SetDlgItemTextA(dlg, IDC_RATE_MAX_UNITS, Keyed(LimitUnitKey(r->unit)));
}

// The window only means something to the automatic threshold; baseline removal only to the
// event-timing functions 1-5.
void EnableRules(HWND dlg) {
    const bool automatic = IsChecked(dlg, IDC_RATE_AUTO);
    const int16_t function = ShownFunction(dlg);
    for (int id : kWindowFields) Enable(dlg, id, automatic);
    if (function >= kRatePeakMinimum) SetChecked(dlg, IDC_RATE_BASELINE, false);
    Enable(dlg, IDC_RATE_BASELINE, automatic && function <= kRateCountPeaks);
}

// Peak Minimum looks at valleys, Peak Maximum at peaks, whatever the buttons said.
void ForcePolarity(HWND dlg, int16_t function) {
    if (function == kRatePeakMinimum) CheckRadioButton(dlg, IDC_RATE_POSITIVE, IDC_RATE_NEGATIVE, IDC_RATE_NEGATIVE);
    if (function == kRatePeakMaximum) CheckRadioButton(dlg, IDC_RATE_POSITIVE, IDC_RATE_NEGATIVE, IDC_RATE_POSITIVE);
}

void RateInit(HWND dlg, stCalcDlg* st) {
    const stRateParams& p = CalcSettings(st->acq)->rate[st->channel];
    stRateDlg* r = State(st);
    *r = {p.noiseRejection, p.level, p.lowerLimit, p.upperLimit, p.limitUnit};
    if (r->unit < kRateUnitPerSecond || r->unit > kRateUnitSeconds) r->unit = kRateUnitPerMinute;
    FillSources(dlg, st, IDC_CALC_SOURCE, p.source);
    ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
    for (int i = 0; i < 10; ++i) AddKeyedRow(dlg, IDC_RATE_FUNCTION, kFunctionKeys[i], i + 1);
    const int16_t function = p.function < 2 ? kRateHz : p.function > 9 ? kRateArea : p.function;
    SelectValue(dlg, IDC_RATE_FUNCTION, function);
    CheckRadioButton(dlg, IDC_RATE_POSITIVE, IDC_RATE_NEGATIVE, p.polarity > 0 ? IDC_RATE_POSITIVE : IDC_RATE_NEGATIVE);
    ForcePolarity(dlg, function);
    SetChecked(dlg, IDC_RATE_BASELINE, p.baselineRemoval != 0);
    SetChecked(dlg, IDC_RATE_AUTO, p.autoThreshold != 0);
    ShowLevel(dlg, st);
    ShowWindowLimits(dlg, r);
    EnableRules(dlg);
    ShowChannelUnits(dlg, st);
}

// Reads the typed limits back, so that a conversion starts from what the user sees.
void ReadLimits(HWND dlg, stRateDlg* r) {
    double value = 0.0;
    if (ReadNumber(dlg, IDC_RATE_MIN, &value)) r->lower = value;
    if (ReadNumber(dlg, IDC_RATE_MAX, &value)) r->upper = value;
}

void RateFunctionChanged(HWND dlg, stCalcDlg* st) {
    stRateDlg* r = State(st);
    const int16_t function = ShownFunction(dlg);
    ReadLimits(dlg, r);
    r->unit = ConvertRateLimits(function, r->unit, &r->lower, &r->upper);
    ShowWindowLimits(dlg, r);
    ForcePolarity(dlg, function);
    EnableRules(dlg);
    ShowChannelUnits(dlg, st);
}

void RateAutoToggled(HWND dlg, stCalcDlg* st) {
    stRateDlg* r = State(st);
    double value = 0.0;
    const bool nowAutomatic = IsChecked(dlg, IDC_RATE_AUTO);
    if (ReadNumber(dlg, IDC_RATE_LEVEL, &value)) (nowAutomatic ? r->level : r->noise) = value;
    ShowLevel(dlg, st);
    EnableRules(dlg);
    FocusField(dlg, IDC_RATE_LEVEL);
}

void RateCommand(HWND dlg, stCalcDlg* st, int id, unsigned code) {
    if (id == IDC_RATE_FUNCTION && code == CBN_SELCHANGE) RateFunctionChanged(dlg, st);
    if (id == IDC_RATE_AUTO && code == BN_CLICKED) RateAutoToggled(dlg, st);
    if ((id == IDC_RATE_POSITIVE || id == IDC_RATE_NEGATIVE) && code == BN_CLICKED)
        ForcePolarity(dlg, ShownFunction(dlg));
    if (id == IDC_CALC_SOURCE && code == CBN_SELCHANGE) {
        ShowSourceUnits(dlg, st, IDC_CALC_SOURCE, IDC_CALC_SOURCE_UNITS);
        if (!IsChecked(dlg, IDC_RATE_AUTO))
            SetDlgItemTextA(dlg, IDC_RATE_LEVEL_UNITS, SourceUnits(st, ShownSource(dlg, st)).c_str());
        ShowChannelUnits(dlg, st);
    }
}

// A limit of 0 would make an endless interval (and a division by zero in the run's preparation).
bool ReadWindow(HWND dlg, double* lower, double* upper) {
    const bool lowerOk = ReadNumber(dlg, IDC_RATE_MIN, lower) && *lower > 0.0;
    const bool upperOk = ReadNumber(dlg, IDC_RATE_MAX, upper) && *upper > 0.0;
    const int offending = !lowerOk ? IDC_RATE_MIN : !upperOk ? IDC_RATE_MAX : *lower > *upper ? IDC_RATE_MIN : 0;
    if (!offending) return true;
    MessageBeep(MB_ICONEXCLAMATION);
    FocusField(dlg, offending);
    return false;
}

bool RateApply(HWND dlg, stCalcDlg* st, stCalcSettings* work, stAcqChan* chan) {
    stRateDlg* r = State(st);
    int32_t source = 0;
    double levelValue = 0.0, lower = 0.0, upper = 0.0;
    if (!ReadSource(dlg, st, IDC_CALC_SOURCE, &source)) return false;
    if (!ReadNumber(dlg, IDC_RATE_LEVEL, &levelValue)) {
        MessageBeep(MB_ICONEXCLAMATION);
        FocusField(dlg, IDC_RATE_LEVEL);
        return false;
    }
    if (!ReadWindow(dlg, &lower, &upper)) return false;
    stRateParams& p = work->rate[st->channel];
    const bool automatic = IsChecked(dlg, IDC_RATE_AUTO);
    const int16_t function = ShownFunction(dlg);
    p.source = static_cast<int16_t>(source);
    p.polarity = IsChecked(dlg, IDC_RATE_POSITIVE) ? 1 : -1;
    p.autoThreshold = automatic ? 1 : 0;
    p.baselineRemoval = IsChecked(dlg, IDC_RATE_BASELINE) ? 1 : 0;
    p.function = function;
    if (chan->unitsSetByUser != 1) {
        if (const std::optional<std::string> units = FunctionUnits(dlg, st, function)) {
            memset(chan->units, 0, sizeof(chan->units));
            memcpy(chan->units, units->data(), std::min(units->size(), sizeof(chan->units) - 1));
        }
    }
    if (function == kRatePeakMinimum) p.polarity = -1;
    if (function == kRatePeakMaximum) p.polarity = 1;
    (automatic ? r->noise : r->level) = levelValue;
    p.noiseRejection = r->noise;
    p.level = r->level;
    p.limitUnit = r->unit;
    p.lowerLimit = lower;
    p.upperLimit = upper;
    return true;
}

const stCalcKindOps kRateOps{IDD_CALC_RATE, kCalcRate, RateInit, RateApply, RateCommand};

}  // namespace

int32_t ShowRateDialog(HWND parent, stAcqChan* rec, stAcq* acq) {
    if (!rec || !acq || rec->group != kGroupCalc) return 0;
    stRateDlg state{};
    return RunCalcDialog(parent, acq, rec->number, kRateOps, &state);
}
