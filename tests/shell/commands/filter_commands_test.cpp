// The FIR and IIR filters of the Transform menu as a user runs them: the command sent to the
// frame, the dialog answered, the channel read back, and Undo putting back every sample.
#include "commands_fixture.h"
#include "box_capture.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "graph/graph_ids.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "transforms/transforms_ids.h"
#include "shell/shell_ids.h"
#include "graph/document/graph_doc.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "controls/tests/text_fit.h"
#include "transforms/filters/filters.h"
#include "transforms/transform_conventions.h"
#include <cmath>
#include <string>
#include <vector>
#include "common/math_constants.h"

namespace {

constexpr int kSamples = 2000;  // at 1 ms: 1000 samples per second

class FilterCommands : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        g_firSettings = FirSettings();
        g_iirSettings = IirSettings();
        gs_ = Graph();
        ASSERT_TRUE(gs_);
    }
    void TearDown() override {
        SetTransformEscapeProbe(nullptr);
        CommandsTest::TearDown();
    }

    // Channel 0: a 10 Hz tone of amplitude 1 and a 200 Hz tone of amplitude 0.5, as f64.
    void FillTones() {
        std::vector<double> v(kSamples);
        for (int i = 0; i < kSamples; ++i) v[i] = Low(i) + High(i);
        Fill(v);
    }
    static double Low(int i) { return std::sin(2 * kPi * 10 * i / 1000.0); }
    static double High(int i) { return 0.5 * std::sin(2 * kPi * 200 * i / 1000.0); }

    void Fill(const std::vector<double>& values) {
        FillDoubles(gs_, 0, values);
        gs_->sampleInterval = 1.0;
        gs_->selectedChan = 0;
        gs_->selStart = gs_->selEnd = 0.0;
        UpdateGraphLength(gs_);
    }

    std::vector<double> Values() const { return CommandsTest::Values(gs_); }

    // The graph of another window than the one filtered.
    tagGS* OtherGraph() const {
        struct Search {
            tagGS* skip;
            tagGS* found;
        } search{gs_, nullptr};
        EnumChildWindows(
            g_app->hwndClient,
            [](HWND hwnd, LPARAM lp) -> BOOL {
                auto* s = reinterpret_cast<Search*>(lp);
                tagGS* g = GetWindowGraph(hwnd);
                if (g && g != s->skip) s->found = g;
                return s->found ? FALSE : TRUE;
            },
            reinterpret_cast<LPARAM>(&search));
        return search.found;
    }

    tagGS* gs_ = nullptr;
};

// Largest distance from the expected tone over the middle, away from the edges' settling.
template <typename F>
double WorstAway(const std::vector<double>& v, F expected, int margin) {
    double worst = 0;
    for (int i = margin; i < static_cast<int>(v.size()) - margin; ++i) worst = std::fmax(worst, std::fabs(v[i] - expected(i)));
    return worst;
}

// Each FIR filter of the menu on the two tones keeps the one it should pass; Undo restores all.
TEST_F(FilterCommands, FirFiltersKeepTheirToneAndUndoRestoresEverySample) {
    struct Row {
        UINT command;
        int cutoffId, highId;  // fields typed into (highId 0: one cut-off)
        const char *cutoff, *high;
        bool keepsLow;
    } rows[] = {
        {IDM_FIR_LOW_PASS, IDC_FIR_CUTOFF, 0, "100", nullptr, true},
        {IDM_FIR_HIGH_PASS, IDC_FIR_CUTOFF, 0, "100", nullptr, false},
        {IDM_FIR_BAND_PASS, IDC_FIR_LOW, IDC_FIR_HIGH, "150", "250", false},
        {IDM_FIR_BAND_STOP, IDC_FIR_LOW, IDC_FIR_HIGH, "150", "250", true},
    };
    for (const Row& row : rows) {
        FillTones();
        const std::vector<double> before = Values();
        std::string name;
        DialogDriver driver({[&](HWND dlg) {
            name = ItemText(dlg, IDC_FIR_NAME);
            TypeInto(dlg, row.cutoffId, row.cutoff);
            if (row.highId) TypeInto(dlg, row.highId, row.high);
            TypeInto(dlg, IDC_FIR_TAPS, "301");
            ChooseEntry(dlg, IDC_FIR_WINDOW, 8);  // Blackman -92dB
            Click(dlg, IDOK);
        }});
        Command(row.command);
        ASSERT_EQ(driver.Runs(), 1) << row.command;
        EXPECT_EQ(driver.LeftOpen(), 0) << row.command;
        const std::vector<double> after = Values();
        if (row.keepsLow) {
            EXPECT_LT(WorstAway(after, Low, 300), 0.01) << name;
        } else {
            EXPECT_LT(WorstAway(after, High, 300), 0.01) << name;
        }
        EXPECT_EQ(g_firSettings.coefficientCount, 301) << name;
        EXPECT_EQ(g_firSettings.window, 8) << name;
        EXPECT_EQ(UndoLabel(), "Undo Filter\tCtrl+Z") << name;
        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Values(), before) << name;
    }
}

// The count is limited to the odd part of the selection as the dialog opens; counts below 3 and
// at or above the range's length are refused with the field set to what can be had.
TEST_F(FilterCommands, FirDialogLimitsAndRefusesCounts) {
    FillTones();
    gs_->selStart = 100.0;
    gs_->selEnd = 129.0;  // samples 100..129: 30
    const std::vector<double> before = Values();
    struct Row {
        const char* typed;
        const char* fieldAfter;
        const char* box;  // null: none
    } rows[] = {
        {"2", "3", "FIR Filters require at least 3 coefficients."},
        {"-4", "3", "FIR Filters require at least 3 coefficients."},
        {"30", "29", nullptr},
        {"45", "29", nullptr},
    };
    for (const Row& row : rows) {
        std::string shown, field;
        bool open = false;
        BoxCapture boxes;
        boxes.caption = g_app->szAppTitle;
        DialogDriver driver({[&](HWND dlg) {
            shown = ItemText(dlg, IDC_FIR_TAPS);
            TypeInto(dlg, IDC_FIR_CUTOFF, "100");
            TypeInto(dlg, IDC_FIR_TAPS, row.typed);
            Click(dlg, IDOK);
            open = StillOpen(dlg);
            field = ItemText(dlg, IDC_FIR_TAPS);
            Click(dlg, IDCANCEL);
        }});
        Command(IDM_FIR_LOW_PASS);
        EXPECT_EQ(shown, "29") << row.typed;  // the stored 39 limited to the 30 selected
        EXPECT_TRUE(open) << row.typed;
        EXPECT_EQ(field, row.fieldAfter) << row.typed;
        if (row.box) {
            ASSERT_EQ(boxes.boxes.size(), 1u) << row.typed;
            EXPECT_EQ(boxes.boxes[0].text, row.box);
        } else {
            EXPECT_TRUE(boxes.boxes.empty()) << row.typed;
        }
        EXPECT_EQ(Values(), before) << row.typed;
    }
}

// A 16-bit channel is filtered as doubles: a full-range step overshoots past what 16 bits hold
// instead of being cut off there, and Undo gives back its values.
TEST_F(FilterCommands, SixteenBitChannelIsFilteredAsDoubles) {
    FreeLockedBlock(gs_->chanBlock[0]);
    ShowChannel(gs_, 0);
    gs_->chanType[0] = 0;
    gs_->chanBytes[0] = 2;
    gs_->chanScale[0] = 0.5;
    gs_->chanOffset[0] = 0.0;
    gs_->chanCount[0] = 400;
    auto* raw = static_cast<int16_t*>(AllocLockedBlock(400 * sizeof(int16_t) + 2));
    for (int i = 0; i < 400; ++i) raw[i] = static_cast<int16_t>(i < 200 ? -32768 : 32767);
    gs_->chanBlock[0] = raw;
    gs_->sampleInterval = 1.0;
    gs_->selectedChan = 0;
    gs_->selStart = gs_->selEnd = 0.0;
    UpdateGraphLength(gs_);
    const std::vector<double> before = Values();
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_FIR_CUTOFF, "50");
        TypeInto(dlg, IDC_FIR_TAPS, "61");
        ChooseEntry(dlg, IDC_FIR_WINDOW, 0);  // the rectangle rings the most
        Click(dlg, IDOK);
    }});
    Command(IDM_FIR_LOW_PASS);
    ASSERT_EQ(driver.Runs(), 1);
    const std::vector<double> after = Values();
    double top = -1e30, bottom = 1e30;
    for (double v : after) {
        top = std::fmax(top, v);
        bottom = std::fmin(bottom, v);
    }
    EXPECT_GT(top, 32767 * 0.5 * 1.03);
    EXPECT_LT(bottom, -32768 * 0.5 * 1.03);
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(Values(), before);
}

// A lesson's FIR with no coefficients (0 or fewer) is refused and changes nothing.
TEST_F(FilterCommands, ScriptFirWithoutCoefficientsIsRefused) {
    for (int count : {0, -1, -40}) {
        FillTones();
        const std::vector<double> before = Values();
        g_firSettings.coefficientCount = count;
        g_firSettings.lowCutoff = 100;
        EXPECT_EQ(FirFilterChannel(gs_, 1, 0), BadParameterCode(kReasonFirCoefficients)) << count;
        EXPECT_EQ(Values(), before) << count;
    }
    g_firSettings.coefficientCount = 101;
    EXPECT_EQ(FirFilterChannel(gs_, 1, 0), 0);
    EXPECT_LT(WorstAway(Values(), Low, 200), 0.01);
}

// Escape during a filter stops it: the start is filtered, the rest as it was, and Undo restores all.
TEST_F(FilterCommands, EscapeStopsTheFirAndUndoRestoresAll) {
    FillTones();
    const std::vector<double> before = Values();
    SetTransformEscapeProbe([] { return true; });
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_FIR_CUTOFF, "100");
        TypeInto(dlg, IDC_FIR_TAPS, "21");
        Click(dlg, IDOK);
    }});
    Command(IDM_FIR_LOW_PASS);
    SetTransformEscapeProbe(nullptr);
    EXPECT_EQ(driver.Runs(), 1);  // given up quietly: no box after the dialog
    const std::vector<double> after = Values();
    EXPECT_NE(after[0], before[0]);
    EXPECT_EQ(std::vector<double>(after.begin() + 10, after.end()), std::vector<double>(before.begin() + 10, before.end()));
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(Values(), before);
}

double Amplitude(const std::vector<double>& v, int from, double f) {
    double re = 0, im = 0;
    const int n = static_cast<int>(v.size()) - from;
    for (int i = from; i < static_cast<int>(v.size()); ++i) {
        re += v[i] * std::cos(2 * kPi * f * i / 1000.0);
        im += v[i] * std::sin(2 * kPi * f * i / 1000.0);
    }
    return 2 * std::hypot(re, im) / n;
}

// The IIR filters of the menu: what each leaves of the two tones, then Undo.
TEST_F(FilterCommands, IirFiltersOnTwoTonesAndUndo) {
    struct Row {
        UINT command;
        const char *freq, *high, *q;
        double low10, high200;  // expected amplitudes after, within 0.05
    } rows[] = {
        {IDM_IIR_LOW_PASS, "40", nullptr, "0.707", 1.0, 0.02},
        {IDM_IIR_HIGH_PASS, "100", nullptr, "0.707", 0.01, 0.5},
        {IDM_IIR_BAND_PASS, "200", nullptr, "5", 0.01, 0.5},
        {IDM_IIR_BAND_STOP, "200", nullptr, "2", 1.0, 0.0},
        {IDM_IIR_BAND_PASS_LOW_HIGH, "2", "40", "0.707", 1.0, 0.02},
    };
    for (const Row& row : rows) {
        FillTones();
        const std::vector<double> before = Values();
        std::string caption;
        DialogDriver driver({[&](HWND dlg) {
            char text[128] = "";
            GetWindowTextA(dlg, text, sizeof text);
            caption = text;
            // Every label shows whole: "Low Frequency (Hz):" of the band pass included.
            EXPECT_EQ(JoinedProblems(TextFitProblems(dlg)), "") << row.command;
            TypeInto(dlg, IDC_IIR_FREQ, row.freq);
            if (row.high) TypeInto(dlg, IDC_IIR_HIGH, row.high);
            TypeInto(dlg, IDC_IIR_Q, row.q);
            Click(dlg, IDOK);
        }});
        Command(row.command);
        ASSERT_EQ(driver.Runs(), 1) << row.command;
        EXPECT_EQ(driver.LeftOpen(), 0) << caption;
        const std::vector<double> after = Values();
        EXPECT_NEAR(Amplitude(after, 1000, 10), row.low10, 0.05) << caption;
        EXPECT_NEAR(Amplitude(after, 1000, 200), row.high200, 0.05) << caption;
        EXPECT_EQ(UndoLabel(), "Undo Filter\tCtrl+Z") << caption;
        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Values(), before) << caption;
    }
}

// A corner at or above half the sampling rate (here 500 Hz) is refused with a message and the
// stored value back in the field; the channel is not touched.
TEST_F(FilterCommands, IirCornerAtOrAboveHalfTheRateIsRefused) {
    struct Row {
        UINT command;
        int field;
        const char* typed;
        const char* restored;
    } rows[] = {
        {IDM_IIR_LOW_PASS, IDC_IIR_FREQ, "500", "50.0000"},
        {IDM_IIR_HIGH_PASS, IDC_IIR_FREQ, "750", "50.0000"},
        {IDM_IIR_BAND_PASS, IDC_IIR_FREQ, "0", "50.0000"},
        {IDM_IIR_BAND_PASS_LOW_HIGH, IDC_IIR_HIGH, "500", "500.0000"},
    };
    for (const Row& row : rows) {
        FillTones();
        g_iirSettings.highFrequency = 500.0;
        const std::vector<double> before = Values();
        bool open = false;
        std::string field;
        BoxCapture boxes;
        boxes.caption = "Warning";
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, row.field, row.typed);
            Click(dlg, IDOK);
            open = StillOpen(dlg);
            field = ItemText(dlg, row.field);
            Click(dlg, IDCANCEL);
        }});
        Command(row.command);
        EXPECT_TRUE(open) << row.typed;
        EXPECT_EQ(field, row.restored) << row.typed;
        ASSERT_EQ(boxes.boxes.size(), 1u) << row.typed;
        EXPECT_EQ(boxes.boxes[0].text, "Frequency is out of range.");
        EXPECT_EQ(boxes.boxes[0].caption, "Warning");
        EXPECT_EQ(Values(), before) << row.typed;
    }
    // Just below half the rate is a stable section.
    FillTones();
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_IIR_FREQ, "499");
        Click(dlg, IDOK);
    }});
    Command(IDM_IIR_LOW_PASS);
    for (double v : Values()) ASSERT_TRUE(std::isfinite(v) && std::fabs(v) < 3);
}

// A gap (NaN) in the channel stays a gap; the filter goes on after it.
TEST_F(FilterCommands, NanSampleStaysAndTheRestIsFiltered) {
    std::vector<double> v(kSamples, 2.0);
    v[700] = NAN;
    Fill(v);
    for (UINT command : {IDM_IIR_LOW_PASS, IDM_FIR_LOW_PASS}) {
        DialogDriver driver({[&](HWND dlg) { Click(dlg, IDOK); }});
        Command(command);
        ASSERT_EQ(gs_->chanType[0], 1);
        const double* block = static_cast<const double*>(gs_->chanBlock[0]);
        const std::vector<double> after(block, block + kSamples);  // the gap read as it is stored
        EXPECT_TRUE(std::isnan(after[700])) << command;
        EXPECT_TRUE(std::isfinite(after[701]) && std::isfinite(after[kSamples - 1])) << command;
        EXPECT_NEAR(after[1500], after[300], 1e-9) << command;
    }
}

}  // namespace

namespace {

// With the response asked for, a new graph shows the filter's gain in dB over frequency; with
// "Don't modify" as well the channel keeps its samples and there is nothing to undo.
TEST_F(FilterCommands, ResponseGraphShowsTheGainAndDontModifyKeepsTheData) {
    FillTones();
    const std::vector<double> before = Values();
    const int graphs = GraphWindowCount();
    ASSERT_EQ(LowPassResponseOnly(), 1);
    EXPECT_EQ(g_firSettings.flags, kFirShowResponse | kFirDontModify);
    EXPECT_EQ(Values(), before);
    ASSERT_EQ(GraphWindowCount(), graphs + 1);
    tagGS* response = OtherGraph();
    ASSERT_TRUE(response);
    EXPECT_STREQ(response->title, "Low Pass Filter");
    const int slot = static_cast<int>(response->selectedChan);
    EXPECT_STREQ(response->chanLabel[slot], "Magnitude");
    EXPECT_STREQ(response->chanUnits[slot], "dbV");
    ASSERT_EQ(response->chanCount[slot], 64u);  // 128 points: half of them
    const double* db = static_cast<const double*>(response->chanBlock[slot]);
    EXPECT_NEAR(db[0], 0.0, 0.1);                     // the pass band at 0 dB
    EXPECT_LT(db[64 * 300 / 500], -40.0);             // 300 Hz well down
    EXPECT_NEAR(response->sampleInterval, 1.0 / 128, 1e-12);  // 1000/128 Hz a point, in kHz
    EXPECT_EQ(NewGraphProblems(response->hwnd, gs_->hwnd), "");
}

}  // namespace

namespace {

// A selection filters its samples, the last one included, and nothing else; "Filter entire wave"
// widens the run to the whole channel and the dialog's sample count follows the box.
TEST_F(FilterCommands, SelectionOrEntireWave) {
    struct Row {
        UINT command;
        int entireId, countId, freqId;
        bool entire;
        const char* countShown;
    } rows[] = {
        {IDM_FIR_LOW_PASS, IDC_FIR_ENTIRE, IDC_FIR_COUNT, IDC_FIR_CUTOFF, false, "100"},
        {IDM_FIR_LOW_PASS, IDC_FIR_ENTIRE, IDC_FIR_COUNT, IDC_FIR_CUTOFF, true, "2000"},
        {IDM_IIR_LOW_PASS, IDC_IIR_ENTIRE, IDC_IIR_COUNT, IDC_IIR_FREQ, false, "100"},
        {IDM_IIR_LOW_PASS, IDC_IIR_ENTIRE, IDC_IIR_COUNT, IDC_IIR_FREQ, true, "100"},  // not refreshed
    };
    for (const Row& row : rows) {
        FillTones();
        gs_->selStart = 100.0;
        gs_->selEnd = 199.0;
        const std::vector<double> before = Values();
        std::string count;
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, row.freqId, "20");
            if (row.entire) Click(dlg, row.entireId);
            count = ItemText(dlg, row.countId);
            Click(dlg, IDOK);
        }});
        Command(row.command);
        ASSERT_EQ(driver.Runs(), 1);
        EXPECT_EQ(count, row.countShown) << row.command << " entire " << row.entire;
        const std::vector<double> after = Values();
        const bool outsideChanged = after[50] != before[50] || after[1500] != before[1500];
        EXPECT_EQ(outsideChanged, row.entire) << row.command;
        EXPECT_EQ(after[99] != before[99], row.entire) << row.command;
        EXPECT_EQ(after[200] != before[200], row.entire) << row.command;
        EXPECT_NE(after[199], before[199]) << row.command;  // the last selected sample
        EXPECT_NE(after[150], before[150]) << row.command;
    }
}

}  // namespace

namespace {

// A range shorter than 3 samples takes no count at all: the interval message, the field kept.
TEST_F(FilterCommands, FirDialogRefusesARangeBelowThreeSamples) {
    FillTones();
    gs_->selStart = 100.0;
    gs_->selEnd = 101.0;  // 2 samples
    const std::vector<double> before = Values();
    for (const char* typed : {"3", "1", "7"}) {
        std::string field;
        bool open = false;
        BoxCapture boxes;
        boxes.caption = g_app->szAppTitle;
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_FIR_CUTOFF, "100");
            TypeInto(dlg, IDC_FIR_TAPS, typed);
            Click(dlg, IDOK);
            open = StillOpen(dlg);
            field = ItemText(dlg, IDC_FIR_TAPS);
            Click(dlg, IDCANCEL);
        }});
        Command(IDM_FIR_LOW_PASS);
        EXPECT_TRUE(open) << typed;
        EXPECT_EQ(field, typed);
        ASSERT_EQ(boxes.boxes.size(), 1u) << typed;
        EXPECT_EQ(boxes.boxes[0].text, "An Interval of at least 3 samples is required for FIR filters.");
    }
    EXPECT_EQ(Values(), before);
}

}  // namespace
