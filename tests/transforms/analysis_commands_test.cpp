// The Rate Detector and the template functions as the user reaches them: Transform menu
// commands sent to the frame, the dialog answered as typing and clicks would, the graph read
// back afterwards.
#include "graph/view/display_modes.h"
#include "tests/shell/commands/commands_fixture.h"
#include <cmath>
#include <cstring>
#include <string>
#include <vector>
#include "base/app.h"
#include "base/locked_block.h"
#include "graph/graph_ids.h"
#include "transforms/transforms_ids.h"
#include "shell/shell_ids.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "shell/commands/status.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "transforms/analysis/rate_detector.h"
#include "transforms/analysis/template_functions.h"
#include "transforms/analysis/offline_averaging.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "transforms/transform_conventions.h"

namespace {

constexpr double kInterval = 1.0;  // milliseconds per sample
constexpr int kSource = 0;

class AnalysisCommands : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        for (UINT id : {IDM_EDIT_UNDO, IDM_TRANSFORM_FIND_RATE})
            if (GetStatusHotKeyEx(id) != kHotKeyUnregistered) {
                ASSERT_EQ(SetStatusHotKeyEx(id, 1), 1);
            }
        m_savedSettings = g_rateDetectorSettings;
    }
    void TearDown() override {
        g_rateDetectorSettings = m_savedSettings;
        SetSampleEscapeSource(nullptr);
        SetTransformEscapeProbe(nullptr);
        CommandsTest::TearDown();
    }

    static void FillChannel(tagGS* gs, int slot, const std::vector<double>& values) {
        FreeLockedBlock(gs->chanBlock[slot]);
        ShowChannel(gs, slot);
        gs->chanCount[slot] = static_cast<uint32_t>(values.size());
        gs->chanType[slot] = 1;
        gs->chanBytes[slot] = 8;
        auto* v = static_cast<double*>(AllocLockedBlock(values.size() * sizeof(double) + 8));
        std::memcpy(v, values.data(), values.size() * sizeof(double));
        gs->chanBlock[slot] = v;
        std::strcpy(gs->chanUnits[slot], "mV");
        gs->sampleInterval = kInterval;
        gs->selectedChan = static_cast<uint32_t>(slot);
        UpdateGraphLength(gs);
    }

    static std::vector<double> Values(tagGS* gs, int slot) {
        const auto* p = static_cast<const double*>(gs->chanBlock[slot]);
        return p ? std::vector<double>(p, p + gs->chanCount[slot]) : std::vector<double>();
    }

    static std::string UndoLabel() {
        InitMenu();
        return Label(IDM_EDIT_UNDO);
    }

    static int ChannelsInUse(const tagGS* gs) {
        int n = 0;
        for (int s = 0; s < kMaxChannels; ++s) n += (gs->chanFlags[s] & kChanSlotMask) ? 1 : 0;
        return n;
    }

    RateDetectorSettings m_savedSettings{};
};

// Peaks of triangles on a baseline of -0.5 rising to +0.5 (threshold 0 lies between), every
// 800 samples moved by a known jitter.
std::vector<int32_t> Peaks(int32_t n) {
    const int jitter[] = {0, 13, -7, 25, -18, 4, 31, -26, 9, 0, -11, 17};
    std::vector<int32_t> at;
    for (int k = 0;; ++k) {
        const int32_t c = 600 + 800 * k + jitter[k % 12];
        if (c + 400 > n) break;
        at.push_back(c);
    }
    return at;
}

std::vector<double> PulseTrain(int32_t n) {
    std::vector<double> x(static_cast<size_t>(n), -0.5);
    for (int32_t c : Peaks(n))
        for (int d = -19; d < 20; ++d) x[static_cast<size_t>(c + d)] = 0.5 - std::abs(d) / 20.0;
    return x;
}

const RateDetectorSettings kDefaults = {2, 1, 1, 1, 0.0, 5.0, 40.0, 180.0, 2, 0};

// Interval chosen in the dialog: the window turns from BPM into seconds, OK makes a channel of
// as many samples as the source (beyond 16-bit counts) that holds each interval from its
// detection on; no undo entry is made and the source keeps its samples.
TEST_F(AnalysisCommands, RateDetectorWritesTheIntervalsIntoANewChannel) {
    g_rateDetectorSettings = kDefaults;
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    const int32_t n = 70000;
    const std::vector<double> x = PulseTrain(n);
    FillChannel(gs, kSource, x);
    std::string minShown, maxShown, unitShown;
    DialogDriver driver({[&](HWND dlg) {
        ChooseEntry(dlg, IDC_RD_FUNCTION, 2);
        minShown = ItemText(dlg, IDC_RD_WINDOW_MIN);
        maxShown = ItemText(dlg, IDC_RD_WINDOW_MAX);
        unitShown = ItemText(dlg, IDC_RD_MIN_UNITS);
        Click(dlg, IDOK);
    }});
    Command(IDM_TRANSFORM_FIND_RATE);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(minShown, "0.3333");
    EXPECT_EQ(maxShown, "1.5000");
    EXPECT_EQ(unitShown, "Seconds");
    EXPECT_EQ(g_rateDetectorSettings.function, 3);
    EXPECT_EQ(g_rateDetectorSettings.windowUnit, 3);
    ASSERT_EQ(ChannelsInUse(gs), 2);
    const int slot = 1;
    EXPECT_STREQ(gs->chanLabel[slot], "Interval");
    EXPECT_STREQ(gs->chanUnits[slot], "Seconds");
    ASSERT_EQ(gs->chanCount[slot], static_cast<uint32_t>(n));
    const std::vector<double> y = Values(gs, slot);
    const std::vector<int32_t> c = Peaks(n);
    EXPECT_NEAR(y[0], (c[1] - c[0]) / 1000.0, 1e-12);
    EXPECT_NEAR(y[static_cast<size_t>(n - 1)], (c.back() - c[c.size() - 2]) / 1000.0, 1e-12);
    // Between a peak and the next one's crossing the channel holds the interval ending there.
    for (size_t k = 2; k + 1 < c.size(); k += 7)
        EXPECT_NEAR(y[static_cast<size_t>(c[k] + 100)], (c[k] - c[k - 1]) / 1000.0, 1e-12) << k;
    EXPECT_EQ(Values(gs, kSource), x);
    EXPECT_EQ(UndoLabel(), "Can't Undo");
}

// With "Put result in new graph" the detector opens an XY graph "Rate": the peak times against
// the rates, the run's first event left out, and the source graph gains no channel.
TEST_F(AnalysisCommands, RateDetectorPlotsTheRatesInANewXYGraph) {
    g_rateDetectorSettings = kDefaults;
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    const int32_t n = 20000;
    FillChannel(gs, kSource, PulseTrain(n));
    DialogDriver driver({[](HWND dlg) {
        Click(dlg, IDC_RD_NEW_GRAPH);
        Click(dlg, IDOK);
    }});
    Command(IDM_TRANSFORM_FIND_RATE);
    EXPECT_EQ(GraphWindowCount(), 2);
    EXPECT_EQ(ChannelsInUse(gs), 1);
    PumpMessages();
    tagGS* rate = Graph();
    ASSERT_TRUE(rate);
    ASSERT_NE(rate, gs);
    EXPECT_STREQ(rate->title, "Rate");
    EXPECT_EQ(NewGraphProblems(rate->hwnd, gs->hwnd), "");
    EXPECT_EQ(rate->displayMode, kModeXY);
    EXPECT_EQ(rate->modified, 1u);
    const int tSlot = static_cast<int>(rate->xyXChan), vSlot = static_cast<int>(rate->selectedChan);
    EXPECT_STREQ(rate->chanLabel[tSlot], "Time");
    EXPECT_STREQ(rate->chanLabel[vSlot], "Rate");
    EXPECT_STREQ(rate->chanUnits[vSlot], "BPM");
    const std::vector<int32_t> c = Peaks(n);
    const std::vector<double> times = Values(rate, tSlot), values = Values(rate, vSlot);
    ASSERT_EQ(times.size(), c.size() - 1);
    ASSERT_EQ(values.size(), c.size() - 1);
    for (size_t k = 1; k < c.size(); ++k) {
        EXPECT_NEAR(times[k - 1], c[k] / 1000.0, 1e-12) << k;
        EXPECT_NEAR(values[k - 1], 60000.0 / (c[k] - c[k - 1]), 1e-9) << k;
    }
}

// Cancel changes nothing; Don't Find keeps the choices without running; a window edge below
// 0.0001 is refused with its message and keeps the dialog open.
TEST_F(AnalysisCommands, RateDetectorDialogCancelDontFindAndRefusedWindow) {
    g_rateDetectorSettings = kDefaults;
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, kSource, PulseTrain(5000));
    {
        DialogDriver driver({[](HWND dlg) {
            ChooseEntry(dlg, IDC_RD_FUNCTION, 4);
            Click(dlg, IDCANCEL);
        }});
        Command(IDM_TRANSFORM_FIND_RATE);
    }
    EXPECT_EQ(g_rateDetectorSettings.function, 2);
    EXPECT_EQ(ChannelsInUse(gs), 1);
    {
        DialogDriver driver({[](HWND dlg) {
            ChooseEntry(dlg, IDC_RD_FUNCTION, 5);  // Peak Minimum: Negative, no baseline removal
            Click(dlg, IDC_RD_DONT_FIND);
        }});
        Command(IDM_TRANSFORM_FIND_RATE);
    }
    EXPECT_EQ(g_rateDetectorSettings.function, 6);
    EXPECT_EQ(g_rateDetectorSettings.polarity, -1);
    EXPECT_EQ(g_rateDetectorSettings.removeBaseline, 0);
    EXPECT_EQ(ChannelsInUse(gs), 1);
    BoxCapture boxes;
    boxes.caption = "Warning";
    bool open = false;
    {
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_RD_WINDOW_MIN, "0");
            Click(dlg, IDOK);
            open = StillOpen(dlg);
        }});
        Command(IDM_TRANSFORM_FIND_RATE);
    }
    EXPECT_TRUE(open);
    ASSERT_FALSE(boxes.boxes.empty());
    for (const auto& b : boxes.boxes) EXPECT_EQ(b.text, "Value must be greater than 0.0001");
    EXPECT_EQ(ChannelsInUse(gs), 1);
    EXPECT_EQ(g_rateDetectorSettings.windowMin, 40.0);
}

// The dialog follows its switches: manual detection shows the threshold level in the source's
// units and greys the window; Peak Maximum holds the Positive polarity and clears the baseline
// removal; a selection starts the level at its midpoint; OK commits the manual level typed.
TEST_F(AnalysisCommands, RateDetectorDialogFollowsItsSwitches) {
    g_rateDetectorSettings = kDefaults;
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, kSource, PulseTrain(5000));
    gs->selStart = 0.0;
    gs->selEnd = 1000.0 * kInterval;  // holds the first pulse: -0.5 .. 0.5
    struct Seen {
        std::string label, units, level;
        bool windowEnabled = true, baselineEnabled = true, positive = false;
    } manual, peakMax;
    DialogDriver driver({[&](HWND dlg) {
        manual.level = ItemText(dlg, IDC_RD_LEVEL);  // still auto: the noise rejection
        Click(dlg, IDC_RD_AUTO_THRESHOLD);
        manual.label = ItemText(dlg, IDC_RD_LEVEL_LABEL);
        manual.units = ItemText(dlg, IDC_RD_LEVEL_UNITS);
        manual.windowEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_RD_WINDOW_MIN)) != FALSE;
        manual.baselineEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_RD_REMOVE_BASELINE)) != FALSE;
        const std::string level = ItemText(dlg, IDC_RD_LEVEL);
        Click(dlg, IDC_RD_AUTO_THRESHOLD);
        ChooseEntry(dlg, IDC_RD_FUNCTION, 6);  // Peak Maximum
        Click(dlg, IDC_RD_NEGATIVE);
        peakMax.positive = IsDlgButtonChecked(dlg, IDC_RD_POSITIVE) == BST_CHECKED;
        peakMax.baselineEnabled = IsWindowEnabled(GetDlgItem(dlg, IDC_RD_REMOVE_BASELINE)) != FALSE;
        Click(dlg, IDC_RD_AUTO_THRESHOLD);
        TypeInto(dlg, IDC_RD_LEVEL, "0.125");
        peakMax.level = level;
        Click(dlg, IDC_RD_DONT_FIND);
    }});
    Command(IDM_TRANSFORM_FIND_RATE);
    EXPECT_EQ(manual.level, "5.00");
    EXPECT_EQ(manual.label, "Threshold &level:");
    EXPECT_EQ(manual.units, "mV");
    EXPECT_FALSE(manual.windowEnabled);
    EXPECT_FALSE(manual.baselineEnabled);
    EXPECT_EQ(peakMax.level, "0.0000");  // the midpoint of -0.5 and 0.5
    EXPECT_TRUE(peakMax.positive);
    EXPECT_FALSE(peakMax.baselineEnabled);
    EXPECT_EQ(g_rateDetectorSettings.function, 7);
    EXPECT_EQ(g_rateDetectorSettings.polarity, 1);
    EXPECT_EQ(g_rateDetectorSettings.autoThreshold, 0);
    EXPECT_EQ(g_rateDetectorSettings.removeBaseline, 0);
    EXPECT_EQ(g_rateDetectorSettings.thresholdLevel, 0.125);
    EXPECT_EQ(ChannelsInUse(gs), 1);
}

// Escape held while the detector reads: the run ends and the channel it took goes again.
TEST_F(AnalysisCommands, EscapeEndsTheRateDetectorWithoutAChannel) {
    g_rateDetectorSettings = kDefaults;
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, kSource, PulseTrain(5000));
    static volatile uint64_t tick = 1;
    static const stEscapeSource held = {&tick, [] { return 1; }};
    SetSampleEscapeSource(&held);
    DialogDriver driver({[](HWND dlg) { Click(dlg, IDOK); }});
    Command(IDM_TRANSFORM_FIND_RATE);
    SetSampleEscapeSource(nullptr);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(ChannelsInUse(gs), 1);
    EXPECT_EQ(gs->chanCount[1], 0u);
}

// A lesson may set a minimum rate of 0 (an endless longest interval): the run detects as with
// a window longer than the recording instead of sizing its ring from an infinity.
TEST_F(AnalysisCommands, AMinimumRateOfZeroRunsAsAnEndlessWindow) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, kSource, PulseTrain(20000));
    std::vector<std::vector<double>> results;
    for (double min : {0.0, 0.001}) {
        g_rateDetectorSettings = kDefaults;
        g_rateDetectorSettings.windowMin = min;
        g_rateDetectorSettings.windowMax = 300.0;
        ASSERT_EQ(RunRateDetector(gs, 0, 0), 1) << min;
        const int slot = static_cast<int>(results.size()) + 1;
        ASSERT_EQ(gs->chanCount[slot], 20000u) << min;
        results.push_back(Values(gs, slot));
    }
    EXPECT_EQ(results[0], results[1]);
    EXPECT_NE(results[0][19999], 0.0);
}

// Correlation by hand over a window of the data (edges repeated), mean removed as the menu's
// check mark starts.
std::vector<double> Correlated(const std::vector<double>& x, const std::vector<double>& t, bool removeMean) {
    const int n = static_cast<int>(x.size()), m = static_cast<int>(t.size()), h = m / 2;
    double tm = 0.0;
    for (double v : t) tm += v / m;
    std::vector<double> y(x.size());
    for (int j = 0; j < n; ++j) {
        double a = 0.0;
        auto w = [&](int k) { return x[static_cast<size_t>(std::min(std::max(j - h + k, 0), n - 1))]; };
        for (int k = 0; k < m; ++k) a += w(k) / m;
        double s = 0.0;
        for (int k = 0; k < m; ++k) s += removeMean ? (w(k) - a) * (t[k] - tm) : w(k) * t[k];
        y[static_cast<size_t>(j)] = s;
    }
    return y;
}

std::vector<double> Wavy(int n) {
    std::vector<double> x(static_cast<size_t>(n));
    for (int i = 0; i < n; ++i) x[static_cast<size_t>(i)] = std::sin(i * 0.37) + 0.1 * (i % 7);
    return x;
}

// Set template from a selection, then Correlation over the whole channel (no selection), with
// the mean removed and, after the menu's Remove mean, without; Undo puts every sample back.
TEST_F(AnalysisCommands, TemplateCorrelationThroughTheMenuAndItsUndo) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    const std::vector<double> x = Wavy(400);
    FillChannel(gs, kSource, x);
    gs->selStart = 100 * kInterval;
    gs->selEnd = 104 * kInterval;
    Command(IDM_TEMPLATE_SET);
    ASSERT_EQ(g_template.count, 5);
    const std::vector<double> t(x.begin() + 100, x.begin() + 105);
    InitMenu();
    EXPECT_TRUE(Checked(IDM_TEMPLATE_REMOVE_MEAN));
    EXPECT_FALSE(Grayed(IDM_TEMPLATE_CORRELATION));
    gs->selEnd = gs->selStart;
    for (bool removeMean : {true, false}) {
        Command(IDM_TEMPLATE_CORRELATION);
        // The progress gives the strip back to its panes at the end.
        EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u) << GetStatusTextShown();
        const std::vector<double> y = Values(gs, kSource), want = Correlated(x, t, removeMean);
        ASSERT_EQ(y.size(), want.size());
        for (size_t j = 0; j < y.size(); ++j) ASSERT_NEAR(y[j], want[j], 1e-12) << removeMean << " " << j;
        EXPECT_EQ(gs->modified, 1u);
        EXPECT_EQ(UndoLabel(), "Undo Correlation\tCtrl+Z");
        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Values(gs, kSource), x);
        Command(IDM_TEMPLATE_REMOVE_MEAN);
        InitMenu();
        EXPECT_EQ(Checked(IDM_TEMPLATE_REMOVE_MEAN), !removeMean);
    }
    Command(IDM_TEMPLATE_REMOVE_MEAN);  // back as the program starts
}

// A template longer than the selected range: only the range changes, its results repeat the
// range's edge samples, and Undo restores it. Escape at the first output leaves every sample
// as it was, with the undo entry still offered.
TEST_F(AnalysisCommands, ATemplateLongerThanTheRangeStaysInsideIt) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    const std::vector<double> x = Wavy(300);
    FillChannel(gs, kSource, x);
    gs->selStart = 20 * kInterval;
    gs->selEnd = 69 * kInterval;  // 50 samples
    Command(IDM_TEMPLATE_SET);
    ASSERT_EQ(g_template.count, 50);
    const std::vector<double> t(x.begin() + 20, x.begin() + 70);
    gs->selStart = 200 * kInterval;
    gs->selEnd = 209 * kInterval;  // 10 samples
    Command(IDM_TEMPLATE_MEAN_SQUARE_ERROR);
    const std::vector<double> y = Values(gs, kSource);
    ASSERT_EQ(y.size(), x.size());
    const std::vector<double> range(x.begin() + 200, x.begin() + 210);
    double tm = 0.0;
    for (double v : t) tm += v / 50;
    for (int j = 0; j < 300; ++j) {
        if (j < 200 || j > 209) {
            ASSERT_EQ(y[static_cast<size_t>(j)], x[static_cast<size_t>(j)]) << j;
            continue;
        }
        double a = 0.0, s = 0.0;
        auto w = [&](int k) { return range[static_cast<size_t>(std::min(std::max(j - 200 - 25 + k, 0), 9))]; };
        for (int k = 0; k < 50; ++k) a += w(k) / 50;
        for (int k = 0; k < 50; ++k) s += std::pow((w(k) - a) - (t[static_cast<size_t>(k)] - tm), 2);
        EXPECT_NEAR(y[static_cast<size_t>(j)], s, 1e-9) << j;
    }
    Command(IDM_EDIT_UNDO);
    EXPECT_EQ(Values(gs, kSource), x);
    SetTransformEscapeProbe([] { return true; });
    gs->selStart = gs->selEnd = 0.0;
    Command(IDM_TEMPLATE_MEAN_SQUARE_ERROR);
    SetTransformEscapeProbe(nullptr);
    EXPECT_EQ(Values(gs, kSource), x);
    EXPECT_EQ(UndoLabel(), "Undo Mean square error\tCtrl+Z");
}

// Without a template every operation says the buffer is invalid; Set template refuses a point
// selection with the selection message.
TEST_F(AnalysisCommands, TemplateRefusalsShowTheirMessages) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, kSource, Wavy(100));
    gs->selStart = gs->selEnd = 10 * kInterval;
    BoxCapture boxes;
    Command(IDM_TEMPLATE_SET);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "You must select a valid portion of this waveform");
    ASSERT_EQ(g_template.count, 0);
    for (UINT id : {IDM_TEMPLATE_CORRELATION, IDM_TEMPLATE_CONVOLUTION}) {
        boxes.boxes.clear();
        boxes.seen.clear();
        Command(id);
        ASSERT_EQ(boxes.boxes.size(), 1u) << id;
        EXPECT_EQ(boxes.boxes[0].text, "The current template buffer is invalid") << id;
    }
    EXPECT_EQ(Values(gs, kSource), Wavy(100));
}

// A pass starts at the sample nearest the second cursor; the mean of passes becomes the graph
// "Averaging" with its one channel "Waveform" in the source's units and sample interval.
TEST_F(AnalysisCommands, AveragedPassesMakeTheAveragingGraph) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    FillChannel(gs, kSource, Wavy(200));
    gs->sampleInterval = 2.0;
    gs->selStart = 10.0;
    gs->selEnd = 41.2;  // sample 20.6: the pass starts at 21
    const AveragingSettings saved = g_averagingSettings;
    g_averagingSettings.artifactRejection = 0;
    std::vector<double> pass(8, 0.0);
    int rejected = 1;
    ASSERT_EQ(ExtractAveragingPass(gs, pass.data(), 8, &rejected), 1);
    EXPECT_EQ(rejected, 0);
    const std::vector<double> x = Wavy(200);
    EXPECT_EQ(pass, std::vector<double>(x.begin() + 21, x.begin() + 29));
    g_averagingSettings.artifactRejection = 1;
    g_averagingSettings.rejectLow = -0.5;
    g_averagingSettings.rejectHigh = 0.5;
    ASSERT_EQ(ExtractAveragingPass(gs, pass.data(), 8, &rejected), 1);
    EXPECT_EQ(rejected, 1);
    g_averagingSettings.artifactRejection = 0;
    gs->selEnd = 195.0 * 2.0;  // runs past the recording's end
    EXPECT_EQ(ExtractAveragingPass(gs, pass.data(), 8, &rejected), 0);
    g_averagingSettings = saved;

    const std::vector<double> mean = {0.5, 1.5, -0.25, 2.0, 1.0};
    ASSERT_EQ(MakeAverageGraph(gs, mean.data(), 5), 1);
    PumpMessages();
    EXPECT_EQ(GraphWindowCount(), 2);
    tagGS* avg = Graph();
    ASSERT_TRUE(avg);
    ASSERT_NE(avg, gs);
    EXPECT_STREQ(avg->title, "Averaging");
    EXPECT_EQ(ChannelsInUse(avg), 1);
    const int slot = static_cast<int>(avg->selectedChan);
    EXPECT_STREQ(avg->chanLabel[slot], "Waveform");
    EXPECT_STREQ(avg->chanUnits[slot], "mV");
    EXPECT_EQ(Values(avg, slot), mean);
    EXPECT_EQ(avg->sampleInterval, 2.0);
    EXPECT_EQ(avg->gridColor, 0x8F8F8Fu);
    EXPECT_EQ(avg->hUnitKind, kHUnitTime);
    EXPECT_EQ(avg->modified, 1u);
    const int boxes = GetMeasurementCount(avg->measureGrid);
    const int types[3] = {measure::kMax, measure::kMin, measure::kHAbs};
    for (int b = 0; b < 3 && boxes >= 3; ++b)
        EXPECT_EQ(GetMeasurementType(GetMeasurementAt(avg->measureGrid, b)), types[b]) << b;
}

}  // namespace
