// The calculation channels' parameter dialogs as the user meets them: each opened modally for its
// channel's kind, driven through its controls from inside its own message loop, and the settings,
// the channel record and the preset table read back afterwards. The pure rules behind the dialogs
// (expression forms, the Rate window's units, the Function list) are checked as tables.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/calc/calc_dialogs.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/acquisition/channels/presets.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/services/dlg_resource.h"
#include "devlib/vk40.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/tests/library_fixture.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

// ---- Pure rules ----

TEST(CalcDialogRules, ExpressionFormsConvertBothWays) {
    struct Case {
        const char *shown, *stored, *shownBack;
    } cases[] = {
        {"a1+c2", "CH1+CH41", "A1+C2"},
        {"d3*2", "CH22*2", "D3*2"},
        {"abs(A4)-C12", "ABS(CH4)-CH51", "ABS(A4)-C12"},
        {"CH40/2", "CH40/2", "C1/2"},
        {"acos(cosh(a2))", "ACOS(COSH(CH2))", "ACOS(COSH(A2))"},
        {"3.5^2", "3.5^2", "3.5^2"},
        {"data1+a1", "DATA1+CH1", "DATA1+A1"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.shown);
        char stored[kExpressionBytes] = {}, shown[kExpressionBytes] = {};
        EXPECT_TRUE(ExpressionFromDisplay(c.shown, stored, sizeof stored));
        EXPECT_STREQ(stored, c.stored);
        EXPECT_TRUE(ExpressionToDisplay(stored, shown, sizeof shown));
        EXPECT_STREQ(shown, c.shownBack);
    }
}

TEST(CalcDialogRules, ExpressionThatOutgrowsItsFieldIsRefusedWithinItsBound) {
    std::string shown;
    while (shown.size() + 3 <= 199) shown += "a1+";  // each reference grows by one character
    char out[kExpressionBytes + 8];
    memset(out, 0x5A, sizeof out);
    EXPECT_FALSE(ExpressionFromDisplay(shown.c_str(), out, kExpressionBytes));
    EXPECT_LT(strlen(out), size_t(kExpressionBytes));
    for (size_t i = kExpressionBytes; i < sizeof out; ++i) EXPECT_EQ(out[i], 0x5A) << "written past the bound at " << i;

    char stored[kExpressionBytes + 1];
    memset(stored, 'x', kExpressionBytes);
    stored[kExpressionBytes] = '\0';
    memset(out, 0x5A, sizeof out);
    EXPECT_FALSE(ExpressionToDisplay(stored, out, kExpressionBytes));
    EXPECT_EQ(strlen(out), size_t(kExpressionBytes - 1));
    EXPECT_EQ(out[kExpressionBytes], 0x5A);
}

TEST(CalcDialogRules, ChannelReferencesAreFoundWithTheirPositions) {
    size_t at = 0, length = 0;
    int32_t id = 0;
    ASSERT_TRUE(NextChannelReference("sin(x)+ d12", 0, &at, &length, &id));
    EXPECT_EQ(at, 8u);
    EXPECT_EQ(length, 3u);
    EXPECT_EQ(id, 31);
    EXPECT_FALSE(NextChannelReference("sin(x)+ d12", at + length, &at, &length, &id));
    EXPECT_FALSE(NextChannelReference("acos(cosh(2))", 0, &at, &length, &id));
}

TEST(CalcDialogRules, RateWindowFollowsTheFunctionsUnit) {
    struct Case {
        int16_t function, unit;
        double lower, upper;
        int16_t newUnit;
        double newLower, newUpper;
    } cases[] = {
        {kRateInterval, kRateUnitPerMinute, 40, 180, kRateUnitSeconds, 1.0 / 3.0, 1.5},
        {kRatePeakTime, kRateUnitPerSecond, 0.5, 4, kRateUnitSeconds, 0.25, 2.0},
        {kRateHz, kRateUnitSeconds, 0.5, 2, kRateUnitPerSecond, 0.5, 2.0},
        {kRateHz, kRateUnitPerMinute, 60, 120, kRateUnitPerSecond, 1.0, 2.0},
        {kRateBpm, kRateUnitPerSecond, 1, 3, kRateUnitPerMinute, 60.0, 180.0},
        {kRateBpm, kRateUnitSeconds, 0.5, 2, kRateUnitPerMinute, 30.0, 120.0},
        {kRateHz, kRateUnitSeconds, 0.0, 2, kRateUnitPerSecond, 0.5, 10000.0},  // 0 taken as 0.0001
        {kRateCountPeaks, kRateUnitPerMinute, 40, 180, kRateUnitPerMinute, 40, 180},
        {kRateBpm, kRateUnitPerMinute, 40, 180, kRateUnitPerMinute, 40, 180},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.function << " from unit " << c.unit);
        double lower = c.lower, upper = c.upper;
        EXPECT_EQ(ConvertRateLimits(c.function, c.unit, &lower, &upper), c.newUnit);
        EXPECT_NEAR(lower, c.newLower, 1e-12);
        EXPECT_NEAR(upper, c.newUpper, 1e-9);
    }
}

TEST(CalcDialogRules, FunctionListShowsLimitFourthAndWholeNumbersAreWhole) {
    const int32_t values[kFunctionRows] = {1, 2, 3, 10, 4, 5, 6, 7, 8, 9};
    for (int row = 0; row < kFunctionRows; ++row) {
        EXPECT_EQ(FunctionValueOfRow(row), values[row]);
        EXPECT_EQ(RowOfFunctionValue(values[row]), row);
    }
    struct Case {
        const char* text;
        bool ok;
        long value;
    } cases[] = {{"3", true, 3}, {" 12 ", true, 12}, {"-1", true, -1}, {"3.5", false, 0},
                 {"", false, 0}, {"x", false, 0},    {"4x", false, 0}, {"99999999999999999999", false, 0}};
    for (const Case& c : cases) {
        long value = 0;
        EXPECT_EQ(ParseWholeNumber(c.text, &value), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(value, c.value) << c.text;
        }
    }
}

// ---- The dialogs ----

void Type(HWND dlg, int id, const char* text) { SetDlgItemTextA(dlg, id, text); }

// A drop-down choice as the list reports it to its dialog.
void Choose(HWND dlg, int combo, const char* text) {
    HWND list = GetDlgItem(dlg, combo);
    const LRESULT row = SendMessageA(list, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    ASSERT_NE(row, CB_ERR) << text;
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(combo, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
}

// A double click on a row of a list box, as the list reports it.
void DoubleClickRow(HWND dlg, int listId, const char* text) {
    HWND list = GetDlgItem(dlg, listId);
    const LRESULT row = SendMessageA(list, LB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
    ASSERT_NE(row, LB_ERR) << text;
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(listId, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
}

std::string Rows(HWND dlg, int id) {
    std::string all;
    const bool listBox = SendDlgItemMessageA(dlg, id, LB_GETCOUNT, 0, 0) > 0;
    const LRESULT n = SendDlgItemMessageA(dlg, id, listBox ? LB_GETCOUNT : CB_GETCOUNT, 0, 0);
    for (LRESULT i = 0; i < n; ++i) {
        char text[128] = "";
        SendDlgItemMessageA(dlg, id, listBox ? LB_GETTEXT : CB_GETLBTEXT, static_cast<WPARAM>(i),
                            reinterpret_cast<LPARAM>(text));
        all += all.empty() ? "" : "|";
        all += text;
    }
    return all;
}

bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != 0; }
bool Shown(HWND dlg, int id) { return IsWindowVisible(GetDlgItem(dlg, id)) != 0; }
bool Checked(HWND dlg, int id) { return IsDlgButtonChecked(dlg, id) == BST_CHECKED; }

// A control of each dialog that no other dialog has, by kind.
int MarkOf(int16_t kind) {
    switch (kind) {
    case kCalcIntegrate: return IDC_INT_SAMPLES;
    case kCalcSmoothing: return IDC_SMOOTH_FACTOR;
    case kCalcDifference: return IDC_DIFF_INTERVAL;
    case kCalcRate: return IDC_RATE_FUNCTION;
    case kCalcMath: return IDC_MATH_OPERATOR;
    case kCalcFunction: return IDC_FUNC_LIST;
    case kCalcFilter: return IDC_FILTER_TYPE;
    case kCalcExpression: return IDC_EXPR_TEXT;
    case kCalcDelay: return IDC_DELAY_UNIT;
    default: return IDC_CTRL_OUTPUT;
    }
}

class CalcDialogs : public LibraryOnFrame {
protected:
    void SetUp() override {
        LibraryOnFrame::SetUp();
        if (HasFatalFailure()) return;
        AcqView acq(hAcq);
        // The presets file beside the program is shared with other tests: start from the built-in
        // presets alone, and leave nothing to be written back at shut-down (TearDown).
        ASSERT_EQ(FillBuiltinPresets(&acq->presets), 1);
        ResetCalcSettings(CalcSettings(acq.get()), acq->firstAnalogNumber);
        acq->samplePeriodMs = 1.0;
        acq->run.attachedGraph = graph.get();
        for (int i = 0; i < kAnalogChannels; ++i) acq->chans[i].flags = i == 0 || i == 2 ? kChanAllOn : 0;
    }

    void TearDown() override {
        {
            AcqView acq(hAcq);
            acq->run.attachedGraph = nullptr;
            FreePresetStore(&acq->presets);
        }
        LibraryOnFrame::TearDown();
    }

    stAcqChan& Calc(stAcq* acq, int channel) { return acq->chans[kAnalogChannels + NDChan + channel]; }

    void SetKind(int channel, int16_t kind, bool enabled = true) {
        AcqView acq(hAcq);
        CalcSettings(acq.get())->kind[channel] = kind;
        Calc(acq.get(), channel).flags = enabled ? kChanAllOn : 0;
    }

    stCalcSettings Settings() {
        AcqView acq(hAcq);
        return *CalcSettings(acq.get());
    }

    stAcqChan Record(int channel) {
        AcqView acq(hAcq);
        return Calc(acq.get(), channel);
    }

    // Opens the channel's dialog and runs steps in it; the dialog's result.
    int32_t Open(int channel, std::function<void(HWND)> steps, bool* leftOpen = nullptr) {
        int16_t kind = 0;
        {
            AcqView acq(hAcq);
            kind = CalcSettings(acq.get())->kind[channel];
        }
        CModalDriver driver(MarkOf(kind), std::move(steps));
        AcqView acq(hAcq);
        const int32_t result = ShowCalcDialog(frame, acq.get(), channel);
        EXPECT_TRUE(driver.ran) << "the dialog came up";
        if (leftOpen)
            *leftOpen = driver.leftOpen;
        else
            EXPECT_FALSE(driver.leftOpen) << "the steps end the dialog";
        return result;
    }

    std::unique_ptr<tagGS> graph = MakeGraph();
};

TEST_F(CalcDialogs, EachKindOpensItsDialogAndCancelStoresNothing) {
    const struct {
        int16_t kind;
        const char* caption;
    } kinds[] = {{kCalcIntegrate, "Integrate Parameters"},
                 {kCalcSmoothing, "Smoothing Parameters"},
                 {kCalcDifference, "Difference Parameters"},
                 {kCalcRate, "Rate Parameters"},
                 {kCalcMath, "Math Parameters"},
                 {kCalcFunction, "Function Parameters"},
                 {kCalcFilter, "Filter Parameters"},
                 {kCalcExpression, "Expression"},
                 {kCalcDelay, "Delay Parameters"},
                 {kCalcControl, "Control Parameters"}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.caption);
        SetKind(3, k.kind);
        const stCalcSettings before = Settings();
        const stAcqChan recordBefore = Record(3);
        std::string caption, heading;
        EXPECT_EQ(Open(3,
                       [&](HWND dlg) {
                           caption = WindowText(dlg);
                           heading = ControlText(dlg, k.kind == kCalcControl ? IDC_CTRL_TITLE : IDC_CALC_HEADING);
                           Type(dlg, IDC_CALC_LABEL, "changed");
                           Click(dlg, IDCANCEL);
                       }),
                  0);
        EXPECT_EQ(caption, k.caption);
        EXPECT_EQ(heading, k.kind == kCalcControl ? "C4, Calculation" : "C4");
        const stCalcSettings after = Settings();
        const stAcqChan recordAfter = Record(3);
        EXPECT_EQ(memcmp(&after, &before, sizeof after), 0);
        EXPECT_EQ(memcmp(&recordAfter, &recordBefore, sizeof recordAfter), 0);
    }
    SetKind(3, kCalcNone);
    CModalDriver none(IDOK, [](HWND dlg) { Click(dlg, IDCANCEL); });
    AcqView acq(hAcq);
    EXPECT_EQ(ShowCalcDialog(frame, acq.get(), 3), 0);
    EXPECT_FALSE(none.ran) << "kind 0 opens nothing";
}

// What one typed value does on OK: accepted and stored, or refused with the dialog kept open,
// the focus in the field and the settings as they were.
TEST_F(CalcDialogs, ValidationEdges) {
    using Getter = double (*)(const stCalcSettings&);
    const struct Case {
        int16_t kind;
        int field;
        const char* typed;
        bool accepted;
        const char *boxText, *boxCaption;
        Getter stored;
        double expect;
        int clickFirst;  // a button pressed before typing, 0 none
    } cases[] = {
        {kCalcSmoothing, IDC_SMOOTH_FACTOR, "2", false, "Wrong Smoothing Factor.", "Smoothing Setup", nullptr, 0, 0},
        {kCalcSmoothing, IDC_SMOOTH_FACTOR, "3.5", false, "Wrong Smoothing Factor.", "Smoothing Setup", nullptr, 0, 0},
        {kCalcSmoothing, IDC_SMOOTH_FACTOR, "3", true, nullptr, nullptr,
         [](const stCalcSettings& s) { return double(s.smoothing[5].factor); }, 3, 0},
        {kCalcDifference, IDC_DIFF_INTERVAL, "0", false, "Wrong Difference Interval.", "Difference Setup", nullptr, 0,
         0},
        {kCalcDifference, IDC_DIFF_INTERVAL, "4", true, nullptr, nullptr,
         [](const stCalcSettings& s) { return double(s.difference[5].interval); }, 4, 0},
        {kCalcDelay, IDC_DELAY_VALUE, "0", true, nullptr, nullptr,
         [](const stCalcSettings& s) { return double(s.delay[5].samples); }, 0, 0},
        {kCalcDelay, IDC_DELAY_VALUE, "-1", false, "Wrong Delay value", "Delay Setup", nullptr, 0, 0},
        {kCalcDelay, IDC_DELAY_VALUE, "1.5", false, "Wrong Delay value", "Delay Setup", nullptr, 0, 0},
        {kCalcIntegrate, IDC_INT_SAMPLES, "0", false, "Number of samples is wrong", "Warning", nullptr, 0,
         IDC_INT_AVERAGE},
        {kCalcIntegrate, IDC_INT_SAMPLES, "40000", false, "Number of samples is wrong", "Warning", nullptr, 0,
         IDC_INT_AVERAGE},
        {kCalcIntegrate, IDC_INT_SAMPLES, "7", true, nullptr, nullptr,
         [](const stCalcSettings& s) { return double(s.integrate[5].samples); }, 7, IDC_INT_AVERAGE},
        {kCalcFilter, IDC_FILTER_Q, "0", false, "Q value is out of range", "Warning", nullptr, 0, 0},
        {kCalcFilter, IDC_FILTER_Q, "-1", false, "Q value is out of range", "Warning", nullptr, 0, 0},
        {kCalcFilter, IDC_FILTER_Q, "2", true, nullptr, nullptr, [](const stCalcSettings& s) { return s.filter[5].q; },
         2, 0},
        // At 1 ms per sample half the sample rate is 500 Hz.
        {kCalcFilter, IDC_FILTER_FREQ, "500", false,
         "The filter frequency must be above 0 and below half the sample rate.", "Warning", nullptr, 0, 0},
        {kCalcFilter, IDC_FILTER_FREQ, "0", false,
         "The filter frequency must be above 0 and below half the sample rate.", "Warning", nullptr, 0, 0},
        {kCalcFilter, IDC_FILTER_FREQ, "499", true, nullptr, nullptr,
         [](const stCalcSettings& s) { return s.filter[5].frequency; }, 499, 0},
        {kCalcRate, IDC_RATE_MIN, "0", false, nullptr, nullptr, nullptr, 0, 0},
        {kCalcRate, IDC_RATE_MAX, "0", false, nullptr, nullptr, nullptr, 0, 0},
        {kCalcRate, IDC_RATE_MIN, "200", false, nullptr, nullptr, nullptr, 0, 0},  // above Max
        {kCalcRate, IDC_RATE_MIN, "180", true, nullptr, nullptr,
         [](const stCalcSettings& s) { return s.rate[5].lowerLimit; }, 180, 0},
        {kCalcMath, IDC_MATH_CONSTANT, "abc", false, nullptr, nullptr, nullptr, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "kind " << c.kind << " typed \"" << c.typed << "\"");
        SetKind(5, c.kind);
        if (c.kind == kCalcMath) {
            AcqView acq(hAcq);
            CalcSettings(acq.get())->math[5].second = kMathConstant;
        }
        const stCalcSettings before = Settings();
        CBoxCapture boxes;
        bool stillOpen = false, focusInField = false;
        const int32_t result = Open(5, [&](HWND dlg) {
            if (c.clickFirst) Click(dlg, c.clickFirst);
            Type(dlg, c.field, c.typed);
            Click(dlg, IDOK);
            stillOpen = IsWindow(dlg) && IsWindowVisible(dlg);
            focusInField = GetFocus() == GetDlgItem(dlg, c.field);
            if (stillOpen) Click(dlg, IDCANCEL);
        });
        const stCalcSettings after = Settings();
        if (c.accepted) {
            EXPECT_EQ(result, 1);
            EXPECT_TRUE(boxes.boxes.empty());
            EXPECT_DOUBLE_EQ(c.stored(after), c.expect);
            continue;
        }
        EXPECT_EQ(result, 0);
        EXPECT_TRUE(stillOpen);
        EXPECT_TRUE(focusInField);
        EXPECT_EQ(memcmp(&after, &before, sizeof after), 0) << "a refusal stores nothing";
        if (c.boxText) {
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text, c.boxText);
            EXPECT_EQ(boxes.boxes[0].caption, c.boxCaption);
        } else {
            EXPECT_TRUE(boxes.boxes.empty()) << "a beep alone";
        }
    }
}

TEST_F(CalcDialogs, RefusedQComesBackAsTheOldValue) {
    SetKind(0, kCalcFilter);
    std::string shownAfter;
    CBoxCapture boxes;
    Open(0, [&](HWND dlg) {
        Type(dlg, IDC_FILTER_Q, "0");
        Click(dlg, IDOK);
        shownAfter = ControlText(dlg, IDC_FILTER_Q);
        Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(shownAfter, "0.7070");
}

TEST_F(CalcDialogs, SourceListsOfferEnabledChannelsAndOnlyLowerCalculationChannels) {
    {
        AcqView acq(hAcq);
        for (int ch : {0, 1, 2, 3}) Calc(acq.get(), ch).flags = kChanAllOn;
        Calc(acq.get(), 1).flags = 0;  // C2 off
        strcpy(Calc(acq.get(), 0).label, "Sum");
    }
    SetKind(2, kCalcSmoothing);
    SetKind(3, kCalcMath);
    std::string ofC3, firstOfC4, unitsShown;
    Open(2, [&](HWND dlg) {
        ofC3 = Rows(dlg, IDC_CALC_SOURCE);
        Click(dlg, IDCANCEL);
    });
    Open(3, [&](HWND dlg) {
        firstOfC4 = Rows(dlg, IDC_MATH_FIRST);
        Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(ofC3, "CH1, |CH3, |C1, Sum") << "C2 is off, C3 is this channel, C4 comes after it";
    EXPECT_EQ(firstOfC4, "K, Constant|CH1, |CH3, |C1, Sum|C3, Calculation");
}

TEST_F(CalcDialogs, SourceChoiceIsStoredAndNothingChosenIsRefused) {
    SetKind(1, kCalcDifference);
    {
        AcqView acq(hAcq);
        CalcSettings(acq.get())->difference[1].source = 2;  // CH2 is off: nothing selected
        strcpy(acq->chans[2].units, "mmHg");
    }
    bool openWithout = false;
    std::string units;
    EXPECT_EQ(Open(1,
                   [&](HWND dlg) {
                       Click(dlg, IDOK);
                       openWithout = IsWindowVisible(dlg) != 0;
                       Choose(dlg, IDC_CALC_SOURCE, "CH3, ");
                       units = ControlText(dlg, IDC_CALC_SOURCE_UNITS);
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_TRUE(openWithout);
    EXPECT_EQ(units, "mmHg");
    EXPECT_EQ(Settings().difference[1].source, 3);
}

TEST_F(CalcDialogs, FunctionListOrderAndLevelFields) {
    SetKind(0, kCalcFunction);
    std::string rows;
    bool levelsForAbs = true, levelsForLimit = false;
    EXPECT_EQ(Open(0,
                   [&](HWND dlg) {
                       rows = Rows(dlg, IDC_FUNC_LIST);
                       levelsForAbs = Shown(dlg, IDC_FUNC_UPPER) || Shown(dlg, IDC_FUNC_LOWER);
                       Choose(dlg, IDC_FUNC_LIST, "Limit");
                       levelsForLimit = Shown(dlg, IDC_FUNC_UPPER) && Shown(dlg, IDC_FUNC_LOWER);
                       Type(dlg, IDC_FUNC_UPPER, "2.5");
                       Type(dlg, IDC_FUNC_LOWER, "-1");
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(rows, "Abs|ArcTan|Exp|Limit|Ln|Log|Noise|Sin|Sqrt|Threshold");
    EXPECT_FALSE(levelsForAbs);
    EXPECT_TRUE(levelsForLimit);
    const stCalcSettings s = Settings();
    EXPECT_EQ(s.function[0].function, kFuncLimit);
    EXPECT_EQ(s.function[0].upper, 2.5);
    EXPECT_EQ(s.function[0].lower, -1.0);
}

TEST_F(CalcDialogs, MathConstantFieldFollowsTheOperands) {
    SetKind(4, kCalcMath);
    bool enabledAtFirst = true, enabledWithConstant = false;
    EXPECT_EQ(Open(4,
                   [&](HWND dlg) {
                       enabledAtFirst = Enabled(dlg, IDC_MATH_CONSTANT);
                       Choose(dlg, IDC_MATH_SECOND, "K, Constant");
                       enabledWithConstant = Enabled(dlg, IDC_MATH_CONSTANT);
                       Choose(dlg, IDC_MATH_OPERATOR, "/");
                       Type(dlg, IDC_MATH_CONSTANT, "2.5");
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_FALSE(enabledAtFirst) << "both operands start as CH1";
    EXPECT_TRUE(enabledWithConstant);
    const stMathParams m = Settings().math[4];
    EXPECT_EQ(m.first, 1);
    EXPECT_EQ(m.second, kMathConstant);
    EXPECT_EQ(m.op, kMathDivide);
    EXPECT_EQ(m.constant, 2.5);
}

TEST_F(CalcDialogs, FilterTypeChangesItsFields) {
    SetKind(6, kCalcFilter);
    std::string lowLabel, bandQ, lowPassQ, plainLabel;
    bool highShownFor3 = false, highShownFor1 = true;
    EXPECT_EQ(Open(6,
                   [&](HWND dlg) {
                       lowPassQ = ControlText(dlg, IDC_FILTER_Q);
                       plainLabel = ControlText(dlg, IDC_FILTER_FREQ_TITLE);
                       highShownFor1 = Shown(dlg, IDC_FILTER_HIGH);
                       Choose(dlg, IDC_FILTER_TYPE, "Band Pass (low + high)");
                       lowLabel = ControlText(dlg, IDC_FILTER_FREQ_TITLE);
                       highShownFor3 = Shown(dlg, IDC_FILTER_HIGH);
                       Type(dlg, IDC_FILTER_Q, "1.5");
                       Choose(dlg, IDC_FILTER_TYPE, "Band Stop");
                       bandQ = ControlText(dlg, IDC_FILTER_Q);
                       Type(dlg, IDC_FILTER_Q, "8");
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(lowPassQ, "0.7070");
    EXPECT_EQ(plainLabel, "&Frequency:");
    EXPECT_FALSE(highShownFor1);
    EXPECT_EQ(lowLabel, "&Low Frequency:");
    EXPECT_TRUE(highShownFor3);
    EXPECT_EQ(bandQ, "5.0000");
    const stFilterParams f = Settings().filter[6];
    EXPECT_EQ(f.type, kCalcFilterBandStop);
    EXPECT_EQ(f.qBand, 8.0);
    EXPECT_EQ(f.q, 1.5) << "the Q typed for type 3 is kept";
}

TEST_F(CalcDialogs, DelayInSecondsAndIntegrateResetMode) {
    SetKind(7, kCalcDelay);
    EXPECT_EQ(Open(7,
                   [&](HWND dlg) {
                       Choose(dlg, IDC_DELAY_UNIT, "Seconds");
                       Type(dlg, IDC_DELAY_VALUE, "0.25");
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(Settings().delay[7].unit, kDelayUnitSeconds);
    EXPECT_EQ(Settings().delay[7].seconds, 0.25);

    SetKind(8, kCalcIntegrate);
    std::string lowShown;
    EXPECT_EQ(Open(8,
                   [&](HWND dlg) {
                       lowShown = ControlText(dlg, IDC_INT_LOW);
                       Click(dlg, IDC_INT_RESET);
                       Choose(dlg, IDC_INT_CONTROL, "CH3, ");
                       Type(dlg, IDC_INT_HIGH, "1.5");
                       Type(dlg, IDC_INT_MAX_CYCLE, "-2");
                       Click(dlg, IDC_INT_NEGATIVE);
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(lowShown, "0.00000");
    const stIntegrateParams p = Settings().integrate[8];
    EXPECT_EQ(p.averaging, 0);
    EXPECT_EQ(p.control, 3);
    EXPECT_EQ(p.high, 1.5);
    EXPECT_EQ(p.maxCyclePeriod, 0.0) << "a negative period becomes 0";
    EXPECT_EQ(p.positive, 0);
}

TEST_F(CalcDialogs, ControlDialogStoresItsParameterPart) {
    SetKind(9, kCalcControl);
    std::string outputs;
    EXPECT_EQ(Open(9,
                   [&](HWND dlg) {
                       outputs = Rows(dlg, IDC_CTRL_OUTPUT);
                       Choose(dlg, IDC_CTRL_OUTPUT, "D14");
                       Click(dlg, IDC_CTRL_FUNCTION2);
                       Type(dlg, IDC_CTRL_LEVEL1, "-0.5");
                       Type(dlg, IDC_CTRL_LEVEL2, "3");
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(outputs, "D0|D1|D2|D3|D4|D5|D6|D7|D8|D9|D10|D11|D12|D13|D14");
    const stControlParams c = Settings().control[9];
    EXPECT_EQ(c.outputLine, 14);
    EXPECT_EQ(c.function, 2);
    EXPECT_EQ(c.level1, -0.5);
    EXPECT_EQ(c.level2, 3.0);
}

TEST_F(CalcDialogs, OkTakesLabelAndPresetNameAndScalingEditsTheRecord) {
    SetKind(2, kCalcSmoothing);
    EXPECT_EQ(Open(2,
                   [&](HWND dlg) {
                       Type(dlg, IDC_CALC_LABEL, std::string(60, 'L').c_str());
                       Type(dlg, IDC_CALC_PRESET_NAME, "Smooth ECG");
                       CModalDriver scaling(IDC_SCALE_UNITS, [](HWND s) {
                           Type(s, IDC_SCALE_UNITS, "mV/s");
                           Click(s, IDOK);
                       });
                       Click(dlg, IDC_CALC_SCALING);
                       Click(dlg, IDOK);
                   }),
              1);
    const stAcqChan rec = Record(2);
    EXPECT_EQ(std::string(rec.label, strnlen(rec.label, sizeof rec.label)), std::string(40, 'L'))
        << "the label field takes 40 characters";
    EXPECT_STREQ(rec.presetName, "Smooth ECG");
    EXPECT_STREQ(rec.units, "mV/s");
}

TEST_F(CalcDialogs, ExpressionIsStoredWithIdentifiersAfterItsChannelsAreChecked) {
    {
        AcqView acq(hAcq);
        Calc(acq.get(), 1).flags = kChanAllOn;  // C2 on
    }
    SetKind(3, kCalcExpression);
    bool refused = false;
    DWORD selStart = 0, selEnd = 0;
    std::string channels;
    EXPECT_EQ(Open(3,
                   [&](HWND dlg) {
                       channels = Rows(dlg, IDC_EXPR_CHANNELS);
                       Type(dlg, IDC_EXPR_TEXT, "a1+a2*2");  // CH2 is off
                       Click(dlg, IDOK);
                       refused = IsWindowVisible(dlg) != 0;
                       SendDlgItemMessageA(dlg, IDC_EXPR_TEXT, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart),
                                           reinterpret_cast<LPARAM>(&selEnd));
                       Type(dlg, IDC_EXPR_TEXT, "a1+c2");
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(channels, "A1, |A3, |C2, Calculation|Time");
    EXPECT_TRUE(refused);
    EXPECT_EQ(selStart, 3u);
    EXPECT_EQ(selEnd, 7u);
    EXPECT_STREQ(Settings().expression[3], "CH1+CH41");

    std::string shown;
    Open(3, [&](HWND dlg) {
        shown = ControlText(dlg, IDC_EXPR_TEXT);
        Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(shown, "A1+C2");
}

TEST_F(CalcDialogs, ExpressionListsTypeAtTheCaret) {
    SetKind(2, kCalcExpression);
    graph->hUnitKind = kHUnitFrequency;
    std::string text, channels;
    DWORD caret = 0;
    EXPECT_EQ(Open(2,
                   [&](HWND dlg) {
                       channels = Rows(dlg, IDC_EXPR_CHANNELS);
                       Click(dlg, IDC_EXPR_CLEAR);
                       DoubleClickRow(dlg, IDC_EXPR_FUNCTIONS, "sqrt()");
                       DoubleClickRow(dlg, IDC_EXPR_CHANNELS, "A3, ");
                       DoubleClickRow(dlg, IDC_EXPR_OPERATORS, "*");
                       DoubleClickRow(dlg, IDC_EXPR_CHANNELS, "Freq");
                       text = ControlText(dlg, IDC_EXPR_TEXT);
                       SendDlgItemMessageA(dlg, IDC_EXPR_TEXT, EM_GETSEL, reinterpret_cast<WPARAM>(&caret), 0);
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(channels, "A1, |A3, |Freq");
    EXPECT_EQ(text, "sqrt(A3*Freq)");
    EXPECT_EQ(caret, 12u);
    EXPECT_STREQ(Settings().expression[2], "SQRT(CH3*FREQ)");
}

TEST_F(CalcDialogs, ExpressionTooLongOnceWrittenOutIsRefused) {
    SetKind(2, kCalcExpression);
    std::string shown;
    while (shown.size() + 3 <= 199) shown += "a1+";
    CBoxCapture boxes;
    bool stillOpen = false;
    Open(2, [&](HWND dlg) {
        Type(dlg, IDC_EXPR_TEXT, shown.c_str());
        Click(dlg, IDOK);
        stillOpen = IsWindowVisible(dlg) != 0;
        Click(dlg, IDCANCEL);
    });
    EXPECT_TRUE(stillOpen);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "The expression is too long once its channels are written out.");
    EXPECT_STREQ(Settings().expression[2], "");
}

TEST_F(CalcDialogs, ExpressionNeedsAnOpenGraph) {
    SetKind(2, kCalcExpression);
    {
        AcqView acq(hAcq);
        acq->run.attachedGraph = nullptr;
    }
    CBoxCapture boxes;
    CModalDriver driver(IDC_EXPR_TEXT, [](HWND dlg) { Click(dlg, IDCANCEL); });
    {
        AcqView acq(hAcq);
        EXPECT_EQ(ShowCalcDialog(frame, acq.get(), 2), 0);
    }
    EXPECT_FALSE(driver.ran);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Please open a graph window before editing expressions.");
    EXPECT_EQ(boxes.boxes[0].caption, "Wavemind");
}

TEST_F(CalcDialogs, RateWindowConvertsWithTheFunction) {
    SetKind(0, kCalcRate);
    std::string minShown, maxShown, minUnit, chanUnits, levelTitle;
    bool windowEnabledManual = true;
    EXPECT_EQ(Open(0,
                   [&](HWND dlg) {
                       Choose(dlg, IDC_RATE_FUNCTION, "Interval (sec)");
                       minShown = ControlText(dlg, IDC_RATE_MIN);
                       maxShown = ControlText(dlg, IDC_RATE_MAX);
                       minUnit = ControlText(dlg, IDC_RATE_MIN_UNITS);
                       chanUnits = ControlText(dlg, IDC_RATE_CHAN_UNITS);
                       Click(dlg, IDC_RATE_AUTO);  // off: the fixed level
                       levelTitle = ControlText(dlg, IDC_RATE_LEVEL_TITLE);
                       windowEnabledManual = Enabled(dlg, IDC_RATE_MIN);
                       Type(dlg, IDC_RATE_LEVEL, "0.75");
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(minShown, "0.333333");
    EXPECT_EQ(maxShown, "1.5");
    EXPECT_EQ(minUnit, "Seconds");
    EXPECT_EQ(chanUnits, "Seconds");
    EXPECT_EQ(levelTitle, "Threshold &level:");
    EXPECT_FALSE(windowEnabledManual);
    const stRateParams r = Settings().rate[0];
    EXPECT_EQ(r.function, kRateInterval);
    EXPECT_EQ(r.limitUnit, kRateUnitSeconds);
    EXPECT_NEAR(r.lowerLimit, 1.0 / 3.0, 1e-6);
    EXPECT_EQ(r.upperLimit, 1.5);
    EXPECT_EQ(r.autoThreshold, 0);
    EXPECT_EQ(r.level, 0.75);
    EXPECT_EQ(r.noiseRejection, 5.0) << "the noise rejection keeps its value";
    EXPECT_STREQ(Record(0).units, "Seconds");
}

TEST_F(CalcDialogs, PeakMinimumKeepsValleysAndDropsBaselineRemoval) {
    SetKind(1, kCalcRate);
    {
        AcqView acq(hAcq);
        strcpy(acq->chans[0].units, "mV");
    }
    bool negativeAfterClick = false, baselineEnabled = true;
    EXPECT_EQ(Open(1,
                   [&](HWND dlg) {
                       Choose(dlg, IDC_RATE_FUNCTION, "Peak Minimum");
                       Click(dlg, IDC_RATE_POSITIVE);
                       negativeAfterClick = Checked(dlg, IDC_RATE_NEGATIVE) && !Checked(dlg, IDC_RATE_POSITIVE);
                       baselineEnabled = Enabled(dlg, IDC_RATE_BASELINE);
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_TRUE(negativeAfterClick);
    EXPECT_FALSE(baselineEnabled);
    const stRateParams r = Settings().rate[1];
    EXPECT_EQ(r.function, kRatePeakMinimum);
    EXPECT_EQ(r.polarity, -1);
    EXPECT_EQ(r.baselineRemoval, 0);
    EXPECT_STREQ(Record(1).units, "mV") << "the source channel's units";
}

TEST_F(CalcDialogs, NewPresetRulesAndTheGrownTable) {
    SetKind(2, kCalcSmoothing);
    int32_t countBefore = 0, calcBefore = 0;
    {
        AcqView acq(hAcq);
        countBefore = acq->presets.count;
        calcBefore = acq->presets.calcCount;
    }
    struct Probe {
        const char* name;
        bool enabled;
    } names[] = {{"Smoothing", false}, {"Off", false}, {"New", false}, {"", false}, {"Smooth EMG", true}};
    std::vector<bool> states;
    CBoxCapture boxes;
    bool enabledAfterAdding = true, enabledOtherCase = true;
    Open(2, [&](HWND dlg) {
        for (const Probe& p : names) {
            Type(dlg, IDC_CALC_PRESET_NAME, p.name);
            HWND field = GetDlgItem(dlg, IDC_CALC_PRESET_NAME);  // leaving the field, as the field tells it
            SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CALC_PRESET_NAME, EN_KILLFOCUS),
                         reinterpret_cast<LPARAM>(field));
            states.push_back(Enabled(dlg, IDC_CALC_NEW_PRESET));
        }
        Type(dlg, IDC_SMOOTH_FACTOR, "2");
        Click(dlg, IDC_CALC_NEW_PRESET);  // refused: nothing added
        Type(dlg, IDC_SMOOTH_FACTOR, "9");
        Type(dlg, IDC_CALC_LABEL, "EMG envelope");
        Click(dlg, IDC_CALC_NEW_PRESET);
        enabledAfterAdding = Enabled(dlg, IDC_CALC_NEW_PRESET);
        Type(dlg, IDC_CALC_PRESET_NAME, "SMOOTH emg");
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_CALC_PRESET_NAME, EN_KILLFOCUS),
                     reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_CALC_PRESET_NAME)));
        enabledOtherCase = Enabled(dlg, IDC_CALC_NEW_PRESET);
        Click(dlg, IDCANCEL);
    });
    for (size_t i = 0; i < states.size(); ++i) EXPECT_EQ(states[i], names[i].enabled) << names[i].name;
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[0].text, "Wrong Smoothing Factor.");
    EXPECT_EQ(boxes.boxes[1].text, "Preset has been added successfully");
    EXPECT_EQ(boxes.boxes[1].caption, "Channel Setup");
    EXPECT_FALSE(enabledAfterAdding) << "the name now names a preset";
    EXPECT_FALSE(enabledOtherCase) << "names of presets are told apart in no case";

    AcqView acq(hAcq);
    ASSERT_EQ(acq->presets.count, countBefore);
    ASSERT_EQ(acq->presets.calcCount, calcBefore + 1);
    CPresetStoreLock lock(acq->presets);
    ASSERT_TRUE(lock);
    const int32_t last = countBefore + calcBefore;
    EXPECT_STREQ(lock.records[last].presetName, "Smooth EMG");
    EXPECT_STREQ(lock.records[last].label, "EMG envelope");
    EXPECT_EQ(lock.records[last].group, kGroupCalc);
    EXPECT_EQ(lock.first[last], 1.0) << "the sample period";
    EXPECT_EQ(lock.second[last], 0.0);
    EXPECT_EQ(lock.calcKinds[calcBefore], kCalcSmoothing);
    const uint8_t* block = lock.calcBlocks + size_t(calcBefore) * kCalcPresetBytes;
    EXPECT_EQ(int16_t(GetLeU16(block)), 1) << "source CH1";
    EXPECT_EQ(GetLeU32(block + 8), 9u) << "the factor";
    EXPECT_EQ(int16_t(GetLeU16(block + 208)), kGroupAnalog);
    EXPECT_EQ(int16_t(GetLeU16(block + 210)), 0);
    EXPECT_EQ(int16_t(GetLeU16(block + 340)), -1) << "one source";
    EXPECT_EQ(CalcSettings(acq.get())->smoothing[2].factor, 3) << "the settings are not touched";
}

}  // namespace

namespace {

TEST_F(CalcDialogs, TextsComeFromTheKeyedTablesUnderEachDialogsId) {
    const struct {
        int16_t kind;
        uint32_t dlgId;
        const char* caption;
    } kinds[] = {{kCalcIntegrate, IDD_CALC_INTEGRATE, "Integrate Parameters"},
                 {kCalcSmoothing, IDD_CALC_SMOOTHING, "Smoothing Parameters"},
                 {kCalcDifference, IDD_CALC_DIFFERENCE, "Difference Parameters"},
                 {kCalcRate, IDD_CALC_RATE, "Rate Parameters"},
                 {kCalcMath, IDD_CALC_MATH, "Math Parameters"},
                 {kCalcFunction, IDD_CALC_FUNCTION, "Function Parameters"},
                 {kCalcFilter, IDD_CALC_FILTER, "Filter Parameters"},
                 {kCalcExpression, IDD_CALC_EXPRESSION, "Expression"},
                 {kCalcDelay, IDD_CALC_DELAY, "Delay Parameters"},
                 {kCalcControl, IDD_CALC_CONTROL, "Control Parameters"}};
    for (const auto& k : kinds) {
        SCOPED_TRACE(k.caption);
        const std::string keyed = std::string("Keyed ") + k.caption;
        ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(k.dlgId, 0u, keyed.c_str()), 1);
        ASSERT_EQ(m_DlgResourceStorage.SetOrAdd(k.dlgId, "Cancel", "Abbrechen"), 1);
        SetKind(10, k.kind);
        std::string caption, cancel;
        Open(10, [&](HWND dlg) {
            caption = WindowText(dlg);
            cancel = ControlText(dlg, IDCANCEL);
            Click(dlg, IDCANCEL);
        });
        m_DlgResourceStorage.SetOrAdd(k.dlgId, 0u, k.caption);
        m_DlgResourceStorage.SetOrAdd(k.dlgId, "Cancel", "Cancel");
        EXPECT_EQ(caption, keyed);
        EXPECT_EQ(cancel, "Abbrechen");
    }
}

TEST_F(CalcDialogs, RateKeepsTheUsersUnits) {
    SetKind(4, kCalcRate);
    {
        AcqView acq(hAcq);
        strcpy(Calc(acq.get(), 4).units, "beats");
        Calc(acq.get(), 4).unitsSetByUser = 1;
    }
    std::string shownUnits;
    EXPECT_EQ(Open(4,
                   [&](HWND dlg) {
                       Choose(dlg, IDC_RATE_FUNCTION, "Rate (Hz)");
                       shownUnits = ControlText(dlg, IDC_RATE_CHAN_UNITS);
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(shownUnits, "beats");
    EXPECT_STREQ(Record(4).units, "beats");
    const stRateParams r = Settings().rate[4];
    EXPECT_EQ(r.function, kRateHz) << "the chosen function is still stored";
    EXPECT_EQ(r.limitUnit, kRateUnitPerSecond);
    EXPECT_NEAR(r.lowerLimit, 40.0 / 60.0, 1e-5);
    EXPECT_NEAR(r.upperLimit, 3.0, 1e-9);
}

TEST_F(CalcDialogs, RateAutoThresholdSwapsTheLevelField) {
    SetKind(4, kCalcRate);
    {
        AcqView acq(hAcq);
        strcpy(acq->chans[2].units, "mmHg");
        CalcSettings(acq.get())->rate[4].level = 1.25;
    }
    struct Seen {
        std::string title, units, value, sourceUnits;
        bool windowEnabled;
    };
    std::vector<Seen> seen;
    HWND focusAfterToggle = nullptr, levelField = nullptr;
    auto look = [&](HWND dlg) {
        seen.push_back({ControlText(dlg, IDC_RATE_LEVEL_TITLE), ControlText(dlg, IDC_RATE_LEVEL_UNITS),
                        ControlText(dlg, IDC_RATE_LEVEL), ControlText(dlg, IDC_CALC_SOURCE_UNITS),
                        Enabled(dlg, IDC_RATE_MAX)});
    };
    EXPECT_EQ(Open(4,
                   [&](HWND dlg) {
                       levelField = GetDlgItem(dlg, IDC_RATE_LEVEL);
                       look(dlg);
                       Type(dlg, IDC_RATE_LEVEL, "7");
                       Click(dlg, IDC_RATE_AUTO);
                       focusAfterToggle = GetFocus();
                       Choose(dlg, IDC_CALC_SOURCE, "CH3, ");
                       look(dlg);
                       Click(dlg, IDC_RATE_AUTO);
                       look(dlg);
                       Click(dlg, IDOK);
                   }),
              1);
    ASSERT_EQ(seen.size(), 3u);
    EXPECT_EQ(seen[0].title, "Noise re&jection:");
    EXPECT_EQ(seen[0].units, "% of peak");
    EXPECT_EQ(seen[0].value, "5");
    EXPECT_TRUE(seen[0].windowEnabled);
    EXPECT_EQ(seen[1].title, "Threshold &level:");
    EXPECT_EQ(seen[1].units, "mmHg") << "the source channel's units";
    EXPECT_EQ(seen[1].sourceUnits, "mmHg");
    EXPECT_EQ(seen[1].value, "1.25");
    EXPECT_FALSE(seen[1].windowEnabled);
    EXPECT_EQ(seen[2].value, "7") << "the typed percent comes back";
    EXPECT_EQ(focusAfterToggle, levelField);
    const stRateParams r = Settings().rate[4];
    EXPECT_EQ(r.autoThreshold, 1);
    EXPECT_EQ(r.noiseRejection, 7.0);
    EXPECT_EQ(r.level, 1.25);
    EXPECT_EQ(r.source, 3);
}

// A preset block names its sources by group, number and preset name; a constant or a missing
// second source is group -1.
TEST_F(CalcDialogs, PresetBlocksRecordTheirSources) {
    {
        AcqView acq(hAcq);
        strcpy(acq->chans[2].presetName, "Pressure");
        CalcSettings(acq.get())->integrate[5].control = 3;
        CalcSettings(acq.get())->math[6].second = kMathConstant;
    }
    const struct {
        int16_t kind;
        int channel;
        int16_t firstGroup, firstNumber, secondGroup, secondNumber;
        const char* secondName;
    } cases[] = {{kCalcIntegrate, 5, kGroupAnalog, 0, kGroupAnalog, 2, "Pressure"},
                 {kCalcMath, 6, kGroupAnalog, 0, -1, -1, ""},
                 {kCalcRate, 7, kGroupAnalog, 0, -1, -1, ""},
                 {kCalcExpression, 8, -1, -1, -1, -1, ""}};
    CBoxCapture boxes;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.kind);
        SetKind(c.channel, c.kind);
        const std::string name = "Preset " + std::to_string(c.kind);
        Open(c.channel, [&](HWND dlg) {
            Type(dlg, IDC_CALC_PRESET_NAME, name.c_str());
            Click(dlg, IDC_CALC_NEW_PRESET);
            Click(dlg, IDCANCEL);
        });
        AcqView acq(hAcq);
        CPresetStoreLock lock(acq->presets);
        ASSERT_TRUE(lock);
        const int32_t last = acq->presets.calcCount - 1;
        ASSERT_GE(last, 0);
        EXPECT_EQ(lock.calcKinds[last], c.kind);
        EXPECT_STREQ(lock.records[acq->presets.count + last].presetName, name.c_str());
        const uint8_t* block = lock.calcBlocks + size_t(last) * 472;
        EXPECT_EQ(int16_t(GetLeU16(block + 208)), c.firstGroup);
        EXPECT_EQ(int16_t(GetLeU16(block + 210)), c.firstNumber);
        EXPECT_EQ(int16_t(GetLeU16(block + 340)), c.secondGroup);
        EXPECT_EQ(int16_t(GetLeU16(block + 342)), c.secondNumber);
        EXPECT_STREQ(reinterpret_cast<const char*>(block + 344), c.secondName);
    }
    EXPECT_EQ(boxes.boxes.size(), 4u) << "each addition is confirmed";
}

}  // namespace

namespace {

// The visible controls of a dialog, group boxes aside, as rectangles of its client area.
std::vector<std::pair<int, RECT>> VisibleControls(HWND dlg) {
    std::vector<std::pair<int, RECT>> controls;
    for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        char cls[32] = "";
        GetClassNameA(child, cls, sizeof cls);
        const LONG style = GetWindowLongA(child, GWL_STYLE);
        if (lstrcmpiA(cls, "Button") == 0 && (style & BS_TYPEMASK) == BS_GROUPBOX) continue;
        RECT r;
        GetWindowRect(child, &r);
        MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&r), 2);
        controls.push_back({GetDlgCtrlID(child), r});
    }
    return controls;
}

// No control covers another or leaves the dialog, in each layout a choice can give.
TEST_F(CalcDialogs, ControlsNeitherOverlapNorLeaveTheDialog) {
    const struct {
        int16_t kind;
        int list;  // a drop-down whose choice changes the layout, 0 none
        const char* choice;
    } layouts[] = {{kCalcIntegrate, 0, nullptr},  {kCalcSmoothing, 0, nullptr},
                   {kCalcDifference, 0, nullptr}, {kCalcRate, 0, nullptr},
                   {kCalcMath, 0, nullptr},       {kCalcFunction, IDC_FUNC_LIST, "Threshold"},
                   {kCalcFilter, 0, nullptr},     {kCalcFilter, IDC_FILTER_TYPE, "Band Pass (low + high)"},
                   {kCalcExpression, 0, nullptr}, {kCalcDelay, 0, nullptr},
                   {kCalcControl, 0, nullptr}};
    for (const auto& l : layouts) {
        SCOPED_TRACE(::testing::Message() << "kind " << l.kind << (l.choice ? l.choice : ""));
        SetKind(3, l.kind);
        std::vector<std::pair<int, RECT>> controls;
        RECT client{};
        Open(3, [&](HWND dlg) {
            if (l.list) Choose(dlg, l.list, l.choice);
            controls = VisibleControls(dlg);
            GetClientRect(dlg, &client);
            Click(dlg, IDCANCEL);
        });
        ASSERT_GT(controls.size(), 5u);
        for (size_t i = 0; i < controls.size(); ++i) {
            const RECT& a = controls[i].second;
            EXPECT_TRUE(a.left >= 0 && a.top >= 0 && a.right <= client.right && a.bottom <= client.bottom)
                << "control " << controls[i].first << " leaves the dialog";
            for (size_t j = i + 1; j < controls.size(); ++j) {
                RECT overlap;
                EXPECT_FALSE(IntersectRect(&overlap, &a, &controls[j].second))
                    << "controls " << controls[i].first << " and " << controls[j].first << " overlap";
            }
        }
    }
}

}  // namespace

namespace {

// A stored text that fills all 200 bytes is read within them; typing stops at 199 characters.
TEST_F(CalcDialogs, ExpressionTextKeepsItsBound) {
    SetKind(2, kCalcExpression);
    {
        AcqView acq(hAcq);
        memset(CalcSettings(acq.get())->expression[2], '7', kExpressionBytes);  // no terminator
    }
    size_t shownLength = 0, typedLength = 0;
    EXPECT_EQ(Open(2,
                   [&](HWND dlg) {
                       shownLength = ControlText(dlg, IDC_EXPR_TEXT).size();
                       Click(dlg, IDC_EXPR_CLEAR);
                       HWND edit = GetDlgItem(dlg, IDC_EXPR_TEXT);
                       for (int i = 0; i < 250; ++i) SendMessageA(edit, WM_CHAR, '1', 1);
                       typedLength = ControlText(dlg, IDC_EXPR_TEXT).size();
                       Click(dlg, IDOK);
                   }),
              1);
    EXPECT_EQ(shownLength, size_t(kExpressionBytes - 1));
    EXPECT_EQ(typedLength, size_t(kExpressionBytes - 1));
    const stCalcSettings s = Settings();
    EXPECT_EQ(strnlen(s.expression[2], kExpressionBytes), size_t(kExpressionBytes - 1));
    EXPECT_EQ(s.expression[2][kExpressionBytes - 1], '\0');
    EXPECT_EQ(std::string(s.expression[3], 5), std::string(5, '\0')) << "the next channel's text is untouched";
}

}  // namespace

namespace {

// A stored function outside 1-10 is shown (and, on OK, stored) as the nearest one; the two peak
// functions show the polarity they need whatever was stored.
TEST_F(CalcDialogs, RateShowsStoredFunctionsWithinTheList) {
    const struct {
        int16_t stored, polarity;
        const char* shown;
        int16_t kept;
        bool positive;
    } cases[] = {{0, 1, "Rate (Hz)", kRateHz, true},
                 {-3, -1, "Rate (Hz)", kRateHz, false},
                 {12, 1, "Area", kRateArea, true},
                 {7, -1, "Peak Maximum", kRatePeakMaximum, true},
                 {6, 1, "Peak Minimum", kRatePeakMinimum, false},
                 {5, -1, "Count Peaks", kRateCountPeaks, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.stored);
        SetKind(1, kCalcRate);
        {
            AcqView acq(hAcq);
            CalcSettings(acq.get())->rate[1].function = c.stored;
            CalcSettings(acq.get())->rate[1].polarity = c.polarity;
        }
        std::string shown;
        bool positive = false;
        EXPECT_EQ(Open(1,
                       [&](HWND dlg) {
                           shown = ControlText(dlg, IDC_RATE_FUNCTION);
                           positive = Checked(dlg, IDC_RATE_POSITIVE);
                           Click(dlg, IDOK);
                       }),
                  1);
        EXPECT_EQ(shown, c.shown);
        EXPECT_EQ(positive, c.positive);
        EXPECT_EQ(Settings().rate[1].function, c.kept);
        EXPECT_EQ(Settings().rate[1].polarity, c.positive ? 1 : -1);
    }
}

}  // namespace
