// The math functions and peak finding as a user meets them: the Transform menu's commands sent to
// the frame over a real graph window, the prompts answered as typed, the channel, the selection,
// the journal and Undo read back.
#include "commands_fixture.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "graph/graph_ids.h"
#include "graph/view/display_modes.h"
#include "graph/window/graph_window.h"
#include "transforms/transforms_ids.h"
#include "shell/shell_ids.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "graph/document/channel_edits.h"
#include "graph/document/graph_doc.h"
#include "graph/view/channel_selection.h"
#include "graph/document/sample_store.h"
#include "shell/commands/status.h"
#include "transforms/analysis/find_peak.h"
#include "transforms/analysis/histogram.h"
#include "transforms/analysis/offline_averaging.h"
#include "transforms/analysis/integrate.h"
#include "transforms/expression_transform.h"
#include "transforms/transform_conventions.h"
#include "box_capture.h"
#include "transforms/analysis/peak_search.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>
#include <vector>

namespace {

constexpr double kInterval = 2.0;  // milliseconds per sample

class AnalysisCommands : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        for (UINT id : {IDM_TRANSFORM_FIND_NEXT_PEAK, IDM_TRANSFORM_FIND_ALL_PEAKS, IDM_TRANSFORM_HISTOGRAM,
                        IDM_TRANSFORM_INTEGRATE, IDM_TRANSFORM_WAVEFORM_MATH, IDM_TRANSFORM_EXPRESSION})
            if (GetStatusHotKeyEx(id) != kHotKeyUnregistered) {
                ASSERT_EQ(SetStatusHotKeyEx(id, 1), 1);
            }
        m_savedPeak = g_findPeak;
        m_savedHistogram = g_histogram;
        m_savedIntegrate = g_integrate;
    }
    void TearDown() override {
        g_findPeak = m_savedPeak;
        g_histogram = m_savedHistogram;
        g_integrate = m_savedIntegrate;
        CommandsTest::TearDown();
    }

    // Channel 0 shown and selected, holding the values as doubles, or as 16-bit raw values at
    // scale 1 and offset 0 (each value rounded).
    static tagGS* Fill(const std::vector<double>& values, bool raw16 = false) {
        tagGS* gs = Graph();
        EXPECT_TRUE(gs);
        if (!gs) return nullptr;
        if (raw16) {
            FreeLockedBlock(gs->chanBlock[0]);
            ShowChannel(gs, 0);
            const uint32_t n = static_cast<uint32_t>(values.size());
            gs->chanCount[0] = n;
            gs->chanType[0] = 0;
            gs->chanBytes[0] = 2;
            gs->chanScale[0] = 1.0;
            gs->chanOffset[0] = 0.0;
            auto* r = static_cast<int16_t*>(AllocLockedBlock(n * sizeof(int16_t) + 2));
            for (uint32_t i = 0; i < n; ++i) r[i] = static_cast<int16_t>(std::lround(values[i]));
            gs->chanBlock[0] = r;
        } else {
            FillDoubles(gs, 0, values);
        }
        gs->selectedChan = 0;
        gs->sampleInterval = kInterval;
        UpdateGraphLength(gs);
        return gs;
    }

    static void Select(tagGS* gs, double fromSample, double toSample) {
        gs->selStart = fromSample * kInterval;
        gs->selEnd = toSample * kInterval;
    }

    // Another shown channel (slot 1 unless told) holding the values as doubles.
    static void FillControl(tagGS* gs, const std::vector<double>& values, int slot = 1) {
        FillDoubles(gs, slot, values);
        UpdateGraphLength(gs);
    }

    // Sets a check box or radio button as the user's click would, when it is not so already.
    static void SetCheck(HWND dlg, int id, bool on) {
        if ((IsDlgButtonChecked(dlg, id) == BST_CHECKED) != on) Click(dlg, id);
    }

    // The document of a graph window other than gs's.
    static tagGS* OtherGraph(const tagGS* gs) {
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (tagGS* other = GetWindowGraph(w))
                if (other != gs) return other;
        return nullptr;
    }

    static std::string JournalText(tagGS* gs) {
        HWND edit = GetJournalWindow(gs);
        if (!edit) return {};
        char text[512] = {};
        GetWindowTextA(edit, text, sizeof text);
        return text;
    }

private:
    stFindPeakSettings m_savedPeak{};
    stHistogramSettings m_savedHistogram{};
    stIntegrateSettings m_savedIntegrate{};
};

// Each function of the menu changes exactly the selected samples, names itself for Undo, and
// Undo puts every sample back; the prompted ones take the two numbers as typed.
TEST_F(AnalysisCommands, MathFunctionsChangeTheSelectionAndUndo) {
    struct Row {
        const char* name;
        UINT command;
        bool raw16;
        std::vector<double> in;
        double from, to;              // selection in samples
        std::vector<std::string> typed;  // answers to the prompts, in turn
        std::vector<double> out;
        const char* undo;
    } rows[] = {
        {"abs", IDM_MATH_ABS, false, {-1, -2, -3, -4, -5}, 1, 3, {}, {-1, 2, 3, 4, -5}, "Undo Abs\tCtrl+Z"},
        {"sqrt of 16-bit", IDM_MATH_SQRT, true, {4, -4, 9, 16, 25}, 0, 4, {}, {2, 0, 3, 4, 5},
         "Undo Sqrt\tCtrl+Z"},
        {"ln reversed selection", IDM_MATH_LN, false, {1, 0, 1, -1, 5}, 3, 1, {}, {1, 0, 0, 0, 5},
         "Undo Ln\tCtrl+Z"},
        {"connect", IDM_MATH_CONNECT_ENDPOINTS, false, {9, 1, 9, 9, 7, 9}, 1, 4, {}, {9, 1, 3, 5, 7, 9},
         "Undo Connect\tCtrl+Z"},
        {"threshold", IDM_MATH_THRESHOLD, false, {0, 1.5, 3, 1.5, 0.5, 1.5}, 0, 5, {"1", "2"}, {0, 0, 1, 1, 0, 0},
         "Undo Threshold\tCtrl+Z"},
        {"limit given upper first", IDM_MATH_LIMIT, false, {0, 3, 7, -2, 9}, 0, 3, {"5", "1"}, {1, 3, 5, 1, 9},
         "Undo Limit\tCtrl+Z"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(row.in, row.raw16);
        ASSERT_TRUE(gs);
        Select(gs, row.from, row.to);
        std::vector<DialogDriver::Step> steps;
        for (const std::string& t : row.typed)
            steps.push_back([t](HWND dlg) {
                TypeInto(dlg, IDC_PROMPT_EDIT, t);
                Click(dlg, IDOK);
            });
        DialogDriver driver(steps);
        setDirtyGraphFlag(gs, 0);
        Command(row.command);
        EXPECT_EQ(driver.Runs(), static_cast<int>(row.typed.size()));
        EXPECT_EQ(Values(gs), row.out);
        EXPECT_EQ(gs->modified, 1u);
        EXPECT_EQ(UndoLabel(), row.undo);
        Command(IDM_EDIT_UNDO);
        std::vector<double> back = row.in;
        if (row.raw16)
            for (double& v : back) v = std::round(v);
        EXPECT_EQ(Values(gs), back);
    }
}

// A cancelled prompt and a two-sample Connect change nothing and leave no Undo entry.
TEST_F(AnalysisCommands, CancelledOrTooShortChangesNothing) {
    struct Row {
        const char* name;
        UINT command;
        double from, to;
        int promptsAnswered;  // prompts answered with OK before one is cancelled
    } rows[] = {
        {"limit, first prompt cancelled", IDM_MATH_LIMIT, 0, 4, 0},
        {"threshold, second prompt cancelled", IDM_MATH_THRESHOLD, 0, 4, 1},
        {"connect over two samples", IDM_MATH_CONNECT_ENDPOINTS, 1, 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<double> in = {3, -1, 4, -1, 5};
        tagGS* gs = Fill(in);
        ASSERT_TRUE(gs);
        ClearUndo();
        Select(gs, row.from, row.to);
        std::vector<DialogDriver::Step> steps;
        for (int i = 0; i < row.promptsAnswered; ++i)
            steps.push_back([](HWND dlg) {
                TypeInto(dlg, IDC_PROMPT_EDIT, "2");
                Click(dlg, IDOK);
            });
        steps.push_back([](HWND dlg) { Click(dlg, IDCANCEL); });
        DialogDriver driver(steps);
        setDirtyGraphFlag(gs, 0);
        Command(row.command);
        EXPECT_EQ(Values(gs), in);
        EXPECT_EQ(gs->modified, 0u);
        EXPECT_EQ(UndoLabel(), "Can't Undo");
    }
}

// Three separate excursions above 5, the last of which falls below it before the channel ends.
const std::vector<double> kThreeExcursions = {0, 6, 8, 6, 0, 0, 7, 0, 9, 9.5, 9, 1, 0};

// Find Next moves the cursors peak by peak with each placement; Find All counts the peaks and
// writes the count into the journal.
TEST_F(AnalysisCommands, FindNextPlacesTheCursors) {
    struct Row {
        const char* name;
        int16_t placement;
        double start;                 // first cursor, in samples
        double first, second;         // cursors after the search, in samples
    } rows[] = {
        {"previous peak", kPlacePreviousPeak, 0, 2, 0},
        {"peak", kPlacePeak, 0, 2, 2},
        {"previous threshold", kPlacePreviousThreshold, 0, 1, 0},
        {"threshold, from inside the first excursion", kPlaceThreshold, 2, 6, 6},
        {"from the second peak", kPlacePreviousPeak, 6, 9, 6},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(kThreeExcursions);
        ASSERT_TRUE(gs);
        g_findPeak.mode = kPeakPositive;
        g_findPeak.positiveLevel = 5;
        g_findPeak.tracking = 0;
        g_findPeak.placement = row.placement;
        g_findPeak.firstOffset = g_findPeak.secondOffset = 0;
        Select(gs, row.start, row.start);
        Command(IDM_TRANSFORM_FIND_NEXT_PEAK);
        EXPECT_DOUBLE_EQ(gs->selStart, row.first * kInterval);
        EXPECT_DOUBLE_EQ(gs->selEnd, row.second * kInterval);
    }
}

TEST_F(AnalysisCommands, FindAllCountsThePeaksIntoTheJournal) {
    struct Row {
        const char* name;
        bool raw16;
        int32_t mode;
        double level;
        const char* line;
        double lastPeak;  // the first cursor at the end, in samples
    } rows[] = {
        {"positive", false, kPeakPositive, 5, "3 peaks found\r\n", 9},
        {"positive over 16-bit samples", true, kPeakPositive, 5, "3 peaks found\r\n", 9},
        {"negative", false, kPeakNegative, 0.5, "2 peaks found\r\n", 7},
        {"none", false, kPeakPositive, 50, "0 peaks found\r\n", 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(kThreeExcursions, row.raw16);
        ASSERT_TRUE(gs);
        ASSERT_TRUE(GetJournalWindow(gs));
        SetWindowTextA(GetJournalWindow(gs), "");
        g_findPeak.mode = row.mode;
        g_findPeak.positiveLevel = g_findPeak.negativeLevel = row.level;
        g_findPeak.tracking = 0;
        g_findPeak.placement = kPlacePreviousPeak;
        g_findPeak.firstOffset = g_findPeak.secondOffset = 0;
        g_findPeak.pasteToJournal = 1;
        Select(gs, 0, 0);
        Command(IDM_TRANSFORM_FIND_ALL_PEAKS);
        const std::string journal = JournalText(gs);
        ASSERT_GE(journal.size(), std::string(row.line).size());
        EXPECT_EQ(journal.substr(journal.size() - std::string(row.line).size()), row.line) << journal;
        EXPECT_DOUBLE_EQ(gs->selStart, row.lastPeak * kInterval);
    }
}

// One sample in the Find Peak dialog's time unit, as its "Min. interval" shows it.
double DialogSample(HWND dlg) { return std::strtod(ItemText(dlg, IDC_FP_MIN_INTERVAL).c_str(), nullptr); }

std::string Text(double value) {
    char text[64];
    std::snprintf(text, sizeof text, "%.9g", value);
    return text;
}

// Find Peak answered as typed over an empty selection: the search runs over the whole channel
// and puts the cursors on the peak, valley, threshold or interval step; with no offsets the
// selection is one screen pixel wide. Don't Find keeps the settings without a search; Cancel
// keeps nothing.
TEST_F(AnalysisCommands, FindPeakDialogSearchesWithWhatWasTyped) {
    struct Row {
        const char* name;
        int modeButton;
        const char* level;  // null: the interval, in samples
        int placement;
        int button;
        int32_t storedMode;
        double first;  // the first cursor after it, in samples; -1 stays at 0
    } rows[] = {
        {"positive peak", IDC_FP_POSITIVE, "5", kPlacePreviousPeak, IDOK, kPeakPositive, 2},
        {"negative peak", IDC_FP_NEGATIVE, "0.5", kPlacePreviousPeak, IDOK, kPeakNegative, 4},
        {"threshold of the positive peak", IDC_FP_POSITIVE, "5", kPlaceThreshold, IDOK, kPeakPositive, 1},
        {"three samples on", IDC_FP_INTERVAL_MODE, nullptr, kPlacePreviousPeak, IDOK, kPeakInterval, 3},
        {"don't find", IDC_FP_NEGATIVE, "0.5", kPlacePreviousPeak, IDC_FP_DONT_FIND, kPeakNegative, -1},
        {"cancel", IDC_FP_NEGATIVE, "0.5", kPlacePreviousPeak, IDCANCEL, kPeakPositive, -1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(kThreeExcursions);
        ASSERT_TRUE(gs);
        g_findPeak.mode = kPeakPositive;
        g_findPeak.positiveLevel = g_findPeak.negativeLevel = 100;
        g_findPeak.tracking = 0;
        g_findPeak.offlineAveraging = 0;
        g_findPeak.placement = kPlacePreviousPeak;
        g_findPeak.firstOffset = g_findPeak.secondOffset = 0;
        Select(gs, 0, 0);
        gs->hPerDiv = kThreeExcursions.size() * kInterval / gs->hDivisions;  // the whole channel in view
        DialogDriver driver({[&](HWND dlg) {
            Click(dlg, row.modeButton);
            if (row.level) {
                TypeInto(dlg, IDC_FP_LEVEL, row.level);
            } else {
                TypeInto(dlg, IDC_FP_INTERVAL, Text(3 * DialogSample(dlg)));
                Click(dlg, IDC_FP_FROM_CURSOR);
            }
            ChooseEntry(dlg, IDC_FP_PLACEMENT, row.placement);
            TypeInto(dlg, IDC_FP_OFFSET2, "0");
            Click(dlg, row.button);
        }},
                        "Find Peak");
        Command(IDM_TRANSFORM_FIND_PEAK);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(driver.LeftOpen(), 0);
        EXPECT_EQ(g_findPeak.mode, row.storedMode);
        if (row.first < 0) {
            EXPECT_EQ(gs->selStart, 0.0);
            EXPECT_EQ(gs->selEnd, 0.0);
            EXPECT_EQ(g_findPeak.negativeLevel, row.button == IDCANCEL ? 100.0 : 0.5);
            continue;
        }
        EXPECT_DOUBLE_EQ(gs->selStart, row.first * kInterval);
        const double pixel = gs->hPerDiv * gs->hDivisions / (gs->plotRect.right - gs->plotRect.left);
        EXPECT_GT(pixel, 0.0);
        EXPECT_DOUBLE_EQ(gs->selEnd, gs->selStart + pixel);
    }
}

// The dialog as it opens and as the user switches it: levels from the selection, each mode's
// own controls, the placements a mode allows.
TEST_F(AnalysisCommands, FindPeakDialogFollowsTheChoices) {
    tagGS* gs = Fill(kThreeExcursions);
    ASSERT_TRUE(gs);
    std::snprintf(gs->chanUnits[0], sizeof gs->chanUnits[0], "mV");
    g_findPeak.mode = kPeakPositive;
    g_findPeak.offlineAveraging = 0;
    g_findPeak.placement = kPlaceThreshold;
    Select(gs, 0, 12);  // min 0, max 9.5
    auto enabled = [](HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; };
    auto number = [](HWND dlg, int id) { return std::strtod(ItemText(dlg, id).c_str(), nullptr); };
    DialogDriver driver({[&](HWND dlg) {
        EXPECT_DOUBLE_EQ(number(dlg, IDC_FP_LEVEL), 7.125);
        EXPECT_EQ(ItemText(dlg, IDC_FP_LEVEL_UNITS), "mV");
        EXPECT_TRUE(enabled(dlg, IDC_FP_LEVEL));
        EXPECT_FALSE(enabled(dlg, IDC_FP_INTERVAL));
        EXPECT_FALSE(enabled(dlg, IDC_FP_SETUP_AVERAGING));
        EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_FP_OFFSET1))) << "the threshold placement moves the first cursor";
        Click(dlg, IDC_FP_NEGATIVE);
        EXPECT_DOUBLE_EQ(number(dlg, IDC_FP_LEVEL), 2.375);
        Click(dlg, IDC_FP_INTERVAL_MODE);
        EXPECT_FALSE(enabled(dlg, IDC_FP_LEVEL));
        EXPECT_TRUE(enabled(dlg, IDC_FP_INTERVAL));
        EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_FP_PLACEMENT, CB_GETCURSEL, 0, 0), kPlacePeak)
            << "an interval step has no threshold";
        Click(dlg, IDC_FP_FROM_CURSOR);
        EXPECT_FALSE(enabled(dlg, IDC_FP_START_TIME));
        Click(dlg, IDC_FP_FROM_START_TIME);
        EXPECT_TRUE(enabled(dlg, IDC_FP_START_TIME));
        ChooseEntry(dlg, IDC_FP_PLACEMENT, kPlacePreviousThreshold);
        EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_FP_PLACEMENT, CB_GETCURSEL, 0, 0), kPlacePreviousPeak);
        EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_FP_OFFSET1)));
        Click(dlg, IDC_FP_POSITIVE);
        Click(dlg, IDC_FP_AVERAGING);
        EXPECT_TRUE(enabled(dlg, IDC_FP_SETUP_AVERAGING));
        EXPECT_TRUE(enabled(dlg, IDC_FP_CONTROL_CHANNEL));
        EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_FP_PLACEMENT, CB_GETCURSEL, 0, 0), kPlacePeak)
            << "averaging needs the pass after the peak";
        EXPECT_EQ(ItemText(dlg, IDOK), "&Start Averaging");
        EXPECT_EQ(ItemText(dlg, IDC_FP_CONTROL_CHANNEL).rfind("CH 0 - ", 0), 0u);
        Click(dlg, IDCANCEL);
    }},
                        "Find Peak");
    Command(IDM_TRANSFORM_FIND_PEAK);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(g_findPeak.offlineAveraging, 0) << "Cancel stores nothing";
    EXPECT_EQ(g_findPeak.placement, kPlaceThreshold);
}

// With off-line averaging on, the first cursor's offset is asked for, its label naming where the
// cursor goes in the table's words (a lesson's own when it gave them); the OK button starts the
// averaging.
TEST_F(AnalysisCommands, FindPeakDialogWithAveragingLabelsTheFirstCursorOffset) {
    tagGS* gs = Fill(kThreeExcursions);
    ASSERT_TRUE(gs);
    g_findPeak.mode = kPeakPositive;
    g_findPeak.offlineAveraging = 1;
    g_findPeak.placement = kPlacePreviousPeak;
    Select(gs, 0, 12);
    const struct {
        const char* cursorText;  // the lesson's text for "Set first cursor to", or none
        const char* peak;
        const char* threshold;
    } rows[] = {
        {nullptr, "Set first cursor to Peak +", "Set first cursor to Threshold +"},
        {"Ersten Cursor setzen auf", "Ersten Cursor setzen auf Peak +", "Ersten Cursor setzen auf Threshold +"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.peak);
        if (row.cursorText) {
            ASSERT_EQ(setMsgBoxText("Set first cursor to", row.cursorText), 1);
        }
        DialogDriver driver({[&](HWND dlg) {
            EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_FP_AVERAGING), BST_CHECKED);
            EXPECT_EQ(ItemText(dlg, IDOK), "&Start Averaging");
            EXPECT_TRUE(IsWindowVisible(GetDlgItem(dlg, IDC_FP_OFFSET1_LABEL)));
            EXPECT_EQ(ItemText(dlg, IDC_FP_OFFSET1_LABEL), row.peak);
            ChooseEntry(dlg, IDC_FP_PLACEMENT, kPlaceThreshold);
            EXPECT_EQ(ItemText(dlg, IDC_FP_OFFSET1_LABEL), row.threshold);
            Click(dlg, IDCANCEL);
        }},
                            "Find Peak");
        Command(IDM_TRANSFORM_FIND_PEAK);
        EXPECT_EQ(driver.Runs(), 1);
    }
    setMsgBoxText("Set first cursor to", "Set first cursor to");
}

// Each refused field keeps the dialog open with its warning, stores nothing and moves nothing.
TEST_F(AnalysisCommands, FindPeakDialogRefusesBadFields) {
    struct Row {
        const char* name;
        std::function<void(HWND)> fill;
        const char* warning;
    } rows[] = {
        {"negative start time",
         [](HWND dlg) {
             Click(dlg, IDC_FP_INTERVAL_MODE);
             TypeInto(dlg, IDC_FP_INTERVAL, Text(3 * DialogSample(dlg)));
             Click(dlg, IDC_FP_FROM_START_TIME);
             TypeInto(dlg, IDC_FP_START_TIME, "-1");
         },
         "Start point must be greater than 0"},
        {"interval under one sample",
         [](HWND dlg) {
             Click(dlg, IDC_FP_INTERVAL_MODE);
             TypeInto(dlg, IDC_FP_INTERVAL, Text(0.5 * DialogSample(dlg)));
         },
         "Step value must be at least min value"},
        {"negative percentage",
         [](HWND dlg) {
             Click(dlg, IDC_FP_TRACKING);
             TypeInto(dlg, IDC_FP_PERCENT, "-5");
         },
         "Percent value must be greater than 0"},
        {"negative peak offset",
         [](HWND dlg) {
             ChooseEntry(dlg, IDC_FP_PLACEMENT, kPlacePeak);
             TypeInto(dlg, IDC_FP_OFFSET1, "-1");
         },
         "Peak offset must be positive"},
        {"averaging pass under one sample",
         [](HWND dlg) {
             Click(dlg, IDC_FP_AVERAGING);
             TypeInto(dlg, IDC_FP_OFFSET1, Text(0.5 * DialogSample(dlg)));
             TypeInto(dlg, IDC_FP_OFFSET2, "0");
         },
         "Averaging interval should be at least 1 sample long"},
        {"short control channel",
         [](HWND dlg) {
             Click(dlg, IDC_FP_AVERAGING);
             ChooseEntry(dlg, IDC_FP_CONTROL_CHANNEL, 1);
             TypeInto(dlg, IDC_FP_OFFSET1, Text(2 * DialogSample(dlg)));
             TypeInto(dlg, IDC_FP_OFFSET2, "0");
         },
         "Length of control channel less then source channel"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(kThreeExcursions);
        ASSERT_TRUE(gs);
        FillControl(gs, {0, 9, 0});
        g_findPeak.mode = kPeakPositive;
        g_findPeak.positiveLevel = 5;
        g_findPeak.tracking = 0;
        g_findPeak.percent = 90;
        g_findPeak.offlineAveraging = 0;
        g_findPeak.placement = kPlacePreviousPeak;
        g_findPeak.firstOffset = g_findPeak.secondOffset = 0;
        const stFindPeakSettings before = g_findPeak;
        Select(gs, 0, 0);
        BoxCapture boxes;
        boxes.caption = "Warning";
        bool stayed = false;
        DialogDriver driver({[&](HWND dlg) {
            row.fill(dlg);
            Click(dlg, IDOK);
            stayed = StillOpen(dlg);
            Click(dlg, IDCANCEL);
        }},
                        "Find Peak");
        Command(IDM_TRANSFORM_FIND_PEAK);
        EXPECT_TRUE(stayed);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, row.warning);
        EXPECT_EQ(g_findPeak.mode, before.mode);
        EXPECT_EQ(g_findPeak.offlineAveraging, 0);
        EXPECT_EQ(g_findPeak.percent, before.percent);
        EXPECT_EQ(gs->selStart, 0.0);
    }
}

// Off-line averaging from the Find Peak dialog: four events in the control channel, each pass of
// the source carrying the clean shape plus or minus 1; their mean is the clean shape, in a new
// graph. With a target of more passes than there are events, no graph and the warning.
TEST_F(AnalysisCommands, OfflineAveragingMakesTheMeanPassGraph) {
    const double clean[4] = {1, 5, 3, 2};
    const int events[4] = {10, 20, 30, 40};
    struct Row {
        const char* name;
        int rangeButton;
        const char* count;
        int extraBoxes;  // warnings
        bool graph;
    } rows[] = {
        {"entire waveform", IDC_AVG_ENTIRE, nullptr, 0, true},
        {"five passes from the start", IDC_AVG_COUNT_RANGE, "5", 1, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        std::vector<double> source(50, 0.0), control(50, 0.0);
        for (int k = 0; k < 4; ++k) {
            control[events[k]] = 10;
            for (int i = 0; i < 4; ++i) source[events[k] - 1 + i] = clean[i] + (k % 2 ? 1 : -1);
        }
        tagGS* gs = Fill(source);
        ASSERT_TRUE(gs);
        FillControl(gs, control);
        std::snprintf(gs->chanUnits[0], sizeof gs->chanUnits[0], "mV");
        g_findPeak.mode = kPeakPositive;
        g_findPeak.tracking = 0;
        g_findPeak.offlineAveraging = 0;
        g_findPeak.pasteToJournal = 0;
        g_findPeak.startFromStartTime = 0;
        g_averagingSettings = {0, 2, 0, 10.0, -10.0};
        Select(gs, 0, 0);
        const int windows = GraphWindowCount();
        BoxCapture boxes;
        boxes.caption = "Warning";
        DialogDriver driver({[&](HWND dlg) {
                                 Click(dlg, IDC_FP_AVERAGING);
                                 ChooseEntry(dlg, IDC_FP_CONTROL_CHANNEL, 1);
                                 TypeInto(dlg, IDC_FP_LEVEL, "5");
                                 TypeInto(dlg, IDC_FP_OFFSET1, Text(3 * DialogSample(dlg)));
                                 TypeInto(dlg, IDC_FP_OFFSET2, Text(-1 * DialogSample(dlg)));
                                 {
                                     DialogDriver options({[&](HWND opt) {
                                         EXPECT_FALSE(IsWindowEnabled(GetDlgItem(opt, IDC_AVG_SELECTED)))
                                             << "nothing is selected";
                                         Click(opt, row.rangeButton);
                                         if (row.count) TypeInto(opt, IDC_AVG_COUNT, row.count);
                                         Click(opt, IDOK);
                                     }},
                                                          "Off-line Averaging Options");
                                     Click(dlg, IDC_FP_SETUP_AVERAGING);
                                     EXPECT_EQ(options.Runs(), 1);
                                 }
                                 Click(dlg, IDOK);
                             }},
                        "Find Peak");
        Command(IDM_TRANSFORM_FIND_PEAK);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(static_cast<int>(boxes.boxes.size()), row.extraBoxes);
        if (!row.graph) {
            EXPECT_EQ(GraphWindowCount(), windows);
            if (!boxes.boxes.empty()) {
                EXPECT_EQ(boxes.boxes[0].text, "There is not enough data to perform the averaging function");
            }
            continue;
        }
        ASSERT_EQ(GraphWindowCount(), windows + 1);
        tagGS* mean = OtherGraph(gs);
        ASSERT_TRUE(mean);
        EXPECT_STREQ(mean->title, "Averaging");
        const int slot = static_cast<int>(mean->selectedChan);
        EXPECT_STREQ(mean->chanUnits[slot], "mV");
        EXPECT_EQ(Values(mean, slot), std::vector<double>(clean, clean + 4));
        EXPECT_EQ(NewGraphProblems(mean->hwnd, gs->hwnd), "");
        setDirtyGraphFlag(mean, 0);
        SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(mean->hwnd), 0);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(gs->hwnd), 0);
    }
}

// The options dialog keeps its choices only when they pass: fewer than two passes and equal
// reject limits are refused with the dialog kept open.
TEST_F(AnalysisCommands, AveragingOptionsRefuseTooFewPassesAndEqualLimits) {
    struct Row {
        const char* name;
        std::function<void(HWND)> fill;
        const char* warning;
    } rows[] = {
        {"one pass",
         [](HWND dlg) {
             Click(dlg, IDC_AVG_COUNT_RANGE);
             TypeInto(dlg, IDC_AVG_COUNT, "1");
         },
         "Number of averages must be at least 2"},
        {"equal limits",
         [](HWND dlg) {
             Click(dlg, IDC_AVG_REJECT);
             TypeInto(dlg, IDC_AVG_REJECT_HIGH, "3");
             TypeInto(dlg, IDC_AVG_REJECT_LOW, "3");
         },
         "Check reject values"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(kThreeExcursions);
        ASSERT_TRUE(gs);
        g_findPeak.offlineAveraging = 1;
        g_averagingSettings = {0, 2, 0, 10.0, -10.0};
        Select(gs, 0, 0);
        BoxCapture boxes;
        boxes.caption = "Warning";
        bool stayed = false;
        DialogDriver driver({[&](HWND dlg) {
            DialogDriver options({[&](HWND opt) {
                row.fill(opt);
                Click(opt, IDOK);
                stayed = StillOpen(opt);
                Click(opt, IDCANCEL);
            }},
                                 "Off-line Averaging Options");
            Click(dlg, IDC_FP_SETUP_AVERAGING);
            Click(dlg, IDCANCEL);
        }},
                        "Find Peak");
        Command(IDM_TRANSFORM_FIND_PEAK);
        EXPECT_TRUE(stayed);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, row.warning);
        EXPECT_EQ(g_averagingSettings.rangeMode, 0);
        EXPECT_EQ(g_averagingSettings.numAverages, 2);
        EXPECT_EQ(g_averagingSettings.artifactRejection, 0);
        EXPECT_EQ(g_averagingSettings.rejectLow, -10.0);
    }
}

// Histogram Options answered as typed: a new graph window holds the counts of each bin, the
// outliers in the end bins; autorange over a constant channel puts everything in bin 0.
TEST_F(AnalysisCommands, HistogramMakesAGraphOfTheCounts) {
    struct Row {
        const char* name;
        std::vector<double> in;
        const char *bins, *lowest, *highest;  // null lowest: autorange
        std::vector<double> counts;
        double lowestBin, width;
    } rows[] = {
        {"edges and outliers", {-10, 9.99, 10, 50, -50, 0, -1e300, 1e300}, "10", "-10", "10",
         {3, 0, 0, 0, 0, 1, 0, 0, 0, 4}, -10, 2},
        {"autorange over a ramp", {0, 1, 2, 3, 4, 5, 6, 7}, "4", nullptr, nullptr, {2, 2, 2, 2}, 0, 1.75},
        {"autorange over a constant", {2.5, 2.5, 2.5}, "3", nullptr, nullptr, {3, 0, 0}, 2.5, 1},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(row.in);
        ASSERT_TRUE(gs);
        std::snprintf(gs->chanUnits[0], sizeof gs->chanUnits[0], "mV");
        Select(gs, 0, 0);
        const int windows = GraphWindowCount();
        std::string status;
        DialogDriver driver({[&](HWND dlg) {
            status = GetStatusTextShown();
            TypeInto(dlg, IDC_HIST_BINS, row.bins);
            const bool autorange = IsDlgButtonChecked(dlg, IDC_HIST_AUTORANGE) == BST_CHECKED;
            if (autorange != (row.lowest == nullptr)) Click(dlg, IDC_HIST_AUTORANGE);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_HIST_LOWEST)) != FALSE, row.lowest != nullptr);
            if (row.lowest) {
                TypeInto(dlg, IDC_HIST_LOWEST, row.lowest);
                TypeInto(dlg, IDC_HIST_HIGHEST, row.highest);
            }
            EXPECT_EQ(IsDlgButtonChecked(dlg, IDC_HIST_ENTIRE), BST_CHECKED);  // nothing is selected
            Click(dlg, IDOK);
        }});
        Command(IDM_TRANSFORM_HISTOGRAM);
        EXPECT_EQ(driver.Runs(), 1);
        ASSERT_EQ(GraphWindowCount(), windows + 1);
        tagGS* hist = OtherGraph(gs);
        ASSERT_TRUE(hist);
        const int slot = static_cast<int>(hist->selectedChan);
        EXPECT_STREQ(hist->title, "Histogram");
        EXPECT_STREQ(hist->chanLabel[slot], "Count");
        EXPECT_STREQ(hist->chanUnits[slot], "hits");
        EXPECT_STREQ(hist->hUnitName, "mV");
        EXPECT_EQ(Values(hist, slot), row.counts);
        EXPECT_DOUBLE_EQ(hist->hOffset, row.lowestBin);
        EXPECT_DOUBLE_EQ(hist->sampleInterval, row.width);
        EXPECT_EQ(hist->hStart, 0.0);
        // Every bin in view, and little more: a division shows at least one bin.
        const double span = hist->hPerDiv * hist->hDivisions, bins = static_cast<double>(row.counts.size());
        EXPECT_GE(span, bins * row.width - 1e-9);
        EXPECT_LE(span, std::max(bins, hist->hDivisions) * row.width + 1e-9);
        EXPECT_EQ(status, "Enter histogram parameters");
        EXPECT_EQ(NewGraphProblems(hist->hwnd, gs->hwnd), "");
        setDirtyGraphFlag(hist, 0);
        SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(hist->hwnd), 0);
        ASSERT_EQ(GraphWindowCount(), windows);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(gs->hwnd), 0);
    }
}

// Cancel makes no window; a count of bins below 1 keeps the dialog open.
TEST_F(AnalysisCommands, HistogramCancelledOrRefusedMakesNoGraph) {
    tagGS* gs = Fill({1, 2, 3});
    ASSERT_TRUE(gs);
    const int windows = GraphWindowCount();
    bool refused = false;
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_HIST_BINS, "0");
        Click(dlg, IDOK);
        refused = StillOpen(dlg);
        Click(dlg, IDCANCEL);
    }});
    Command(IDM_TRANSFORM_HISTOGRAM);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_TRUE(refused);
    EXPECT_EQ(GraphWindowCount(), windows);
    EXPECT_EQ(OtherGraph(gs), nullptr);
}

// Integrate Setup answered as typed: the moving window (with a one-sample RMS window, which has
// no N - 1 to divide by) and the resetting integral, each undone by Undo.
TEST_F(AnalysisCommands, IntegrateReplacesTheChannelAndUndo) {
    struct Row {
        const char* name;
        bool average;
        const char* samples;
        bool parameters, rectify;
        std::vector<double> in, control;
        double from, to;
        std::vector<double> out;
    } rows[] = {
        {"window sum over the whole channel", true, "2", false, false, {1, 2, 3, 4}, {}, 1, 1,
         {0.002, 0.006, 0.010, 0.014}},
        {"rectified over a selection", true, "2", true, true, {-1, 2, -3, 4, 5}, {}, 1, 3, {-1, 0.004, 0.010, 0.014, 5}},
        {"rms of one sample", true, "1", true, false, {-3, 4, -5}, {}, 0, 0, {3, 4, 5}},
        {"reset at the control's crossings", false, nullptr, false, false, {1, 1, 1, 1, 1, 1, 1, 1},
         {0, 0, 5, 5, 0, 0, 5, 0}, 0, 0, {0, 0.002, 0, 0.002, 0.004, 0.006, 0, 0.002}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill(row.in);
        ASSERT_TRUE(gs);
        if (!row.control.empty()) FillControl(gs, row.control);
        Select(gs, row.from, row.to);
        bool entireLocked = false;
        DialogDriver driver({[&](HWND dlg) {
            entireLocked = IsWindowEnabled(GetDlgItem(dlg, IDC_INTEG_ENTIRE)) == FALSE &&
                           IsDlgButtonChecked(dlg, IDC_INTEG_ENTIRE) == BST_CHECKED;
            if (row.average) {
                Click(dlg, IDC_INTEG_AVERAGE);
                TypeInto(dlg, IDC_INTEG_SAMPLES, row.samples);
                SetCheck(dlg, IDC_INTEG_PARAMETERS, row.parameters);
                if (row.parameters) Click(dlg, row.rectify ? IDC_INTEG_RECTIFY : IDC_INTEG_RMS);
                SetCheck(dlg, IDC_INTEG_BASELINE, false);
            } else {
                Click(dlg, IDC_INTEG_RESET);
                ChooseEntry(dlg, IDC_INTEG_CONTROL, 1);
                TypeInto(dlg, IDC_INTEG_LOW, "1");
                TypeInto(dlg, IDC_INTEG_HIGH, "4");
                Click(dlg, IDC_INTEG_POSITIVE);
                SetCheck(dlg, IDC_INTEG_MEAN, false);
            }
            Click(dlg, IDOK);
        }});
        Command(IDM_TRANSFORM_INTEGRATE);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(driver.LeftOpen(), 0);
        EXPECT_EQ(entireLocked, row.from == row.to);
        const std::vector<double> got = Values(gs);
        ASSERT_EQ(got.size(), row.out.size());
        for (size_t i = 0; i < got.size(); ++i) EXPECT_NEAR(got[i], row.out[i], 1e-12) << i;
        EXPECT_EQ(UndoLabel(), "Undo Integrate\tCtrl+Z");
        Command(IDM_EDIT_UNDO);
        EXPECT_EQ(Values(gs), row.in);
    }
}

// A window below one sample and a control channel shorter than the source are refused with their
// warnings and the dialog stays open; giving up there changes nothing.
TEST_F(AnalysisCommands, IntegrateRefusesBadSettings) {
    struct Row {
        const char* name;
        bool average;
        std::vector<double> control;
        const char* warning;
    } rows[] = {
        {"no samples", true, {}, "Number of samples is wrong"},
        {"short control channel", false, {0, 0}, "Length of control channel less then source channel"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        const std::vector<double> in = {1, 2, 3, 4};
        tagGS* gs = Fill(in);
        ASSERT_TRUE(gs);
        if (!row.control.empty()) FillControl(gs, row.control);
        Select(gs, 0, 0);
        BoxCapture boxes;
        boxes.caption = "Warning";  // the setup dialog itself is left to the driver
        bool stayed = false;
        DialogDriver driver({[&](HWND dlg) {
            if (row.average) {
                Click(dlg, IDC_INTEG_AVERAGE);
                TypeInto(dlg, IDC_INTEG_SAMPLES, "0");
            } else {
                Click(dlg, IDC_INTEG_RESET);
                ChooseEntry(dlg, IDC_INTEG_CONTROL, 1);
            }
            Click(dlg, IDOK);
            stayed = StillOpen(dlg);
            Click(dlg, IDCANCEL);
        }});
        setDirtyGraphFlag(gs, 0);
        Command(IDM_TRANSFORM_INTEGRATE);
        EXPECT_TRUE(stayed);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, row.warning);
        EXPECT_EQ(Values(gs), in);
        EXPECT_EQ(gs->modified, 0u);
    }
}

// Waveform Math chosen as a user chooses it: sources, operator, destination and k; the result
// channel, its length, its units and Undo; K on both sides changes nothing.
TEST_F(AnalysisCommands, WaveformMathWritesTheDestination) {
    struct Row {
        const char* name;
        int source1, op, source2;    // list entries: 0 "K", then CH 0, CH 1 (and CH 2 when there)
        int dest;                    // destination entry: 0 CH 0, 1 CH 1, (2 CH 2,) last "New"
        const char* k;
        std::vector<double> third;   // a third channel in slot 2 when not empty
        bool made;
        int slot;                    // where the result is
        std::vector<double> out;
        const char* undo;            // the Undo label afterwards
    } rows[] = {
        {"sum over the shorter channel into New", 1, 0, 2, 2, "0", {}, true, 2, {11, 2, 33}, "Can't Undo"},
        {"division by a zero sample", 1, 3, 2, 2, "0", {}, true, 2, {0.1, 0, 0.1}, "Can't Undo"},
        {"k minus a channel", 0, 1, 2, 2, "1", {}, true, 2, {-9, 1, -29}, "Can't Undo"},
        {"power with k", 1, 4, 0, 2, "2", {}, true, 2, {1, 4, 9, 16}, "Can't Undo"},
        {"into a shorter channel, which grows", 1, 2, 0, 2, "3", {7}, true, 2, {3, 6, 9, 12},
         "Undo Multiplication\tCtrl+Z"},
        {"K on both sides", 0, 0, 0, 2, "1", {7}, false, 2, {7}, "Can't Undo"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill({1, 2, 3, 4});
        ASSERT_TRUE(gs);
        std::snprintf(gs->chanUnits[0], sizeof gs->chanUnits[0], "V");
        FillControl(gs, {10, 0, 30});
        if (!row.third.empty()) FillControl(gs, row.third, 2);
        RebuildChannelItems(gs);
        ClearUndo();
        Select(gs, 0, 0);
        DialogDriver driver({[&](HWND dlg) {
            ChooseEntry(dlg, IDC_WM_SOURCE1, row.source1);
            ChooseEntry(dlg, IDC_WM_OPERATOR, row.op);
            ChooseEntry(dlg, IDC_WM_SOURCE2, row.source2);
            ChooseEntry(dlg, IDC_WM_DEST, row.dest);
            EXPECT_EQ(IsWindowEnabled(GetDlgItem(dlg, IDC_WM_K)) != FALSE, row.source1 == 0 || row.source2 == 0);
            TypeInto(dlg, IDC_WM_K, row.k);
            Click(dlg, IDOK);
        }});
        Command(IDM_TRANSFORM_WAVEFORM_MATH);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(Values(gs, row.slot), row.out);
        EXPECT_EQ(ChannelInUse(gs, row.slot), row.made || !row.third.empty());
        // The units of source 1, or of source 2 beside a constant.
        if (row.made) {
            EXPECT_STREQ(gs->chanUnits[row.slot], gs->chanUnits[row.source1 ? row.source1 - 1 : row.source2 - 1]);
        }
        EXPECT_EQ(UndoLabel(), row.undo);
        if (row.made && !row.third.empty()) {
            Command(IDM_EDIT_UNDO);
            EXPECT_EQ(Values(gs, row.slot), row.third);
        }
        DeleteChannelData(gs, 2);
        DeleteChannelData(gs, 1);
    }
}

// The Expression dialog answered as typed: the destination gets the results over the referenced
// channels' shortest length, or the length asked for (kept within 16 bits); a new channel is named
// after the expression; nothing computed removes it again.
TEST_F(AnalysisCommands, ExpressionWritesTheDestination) {
    struct Row {
        const char* name;
        const char* text;
        int dest;                 // 0 CH 0, 1 CH 1, 2 "New"
        const char* length;       // answer to the length prompt, null when none is asked
        bool made;                // the destination holds results afterwards
        uint32_t count;
        double first, last;       // its first and last results
        const char* undo;
    } rows[] = {
        {"two channels into a new one", "ch0+ch1", 2, nullptr, true, 4, 11, 44, "Can't Undo"},
        {"no channel, the length asked", "3*2", 2, "5", true, 5, 6, 6, "Can't Undo"},
        {"a length past 16 bits", "1", 2, "70000", true, 32767, 1, 1, "Can't Undo"},
        {"a length of one computes nothing", "1", 2, "1", false, 0, 0, 0, "Can't Undo"},
        {"a negative length computes nothing", "1", 2, "-5", false, 0, 0, 0, "Can't Undo"},
        {"into an existing, shorter channel", "CH0*2", 1, nullptr, true, 6, 2, 12, "Undo Expression\tCtrl+Z"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill({1, 2, 3, 4, 5, 6});
        ASSERT_TRUE(gs);
        FillControl(gs, {10, 20, 30, 40});
        RebuildChannelItems(gs);
        ClearUndo();
        Select(gs, 0, 0);
        std::vector<DialogDriver::Step> steps = {[&](HWND dlg) {
            TypeInto(dlg, IDC_XF_EDIT, row.text);
            ChooseEntry(dlg, IDC_XF_DEST, row.dest);
            Click(dlg, IDOK);
        }};
        std::string prompt, field;
        if (row.length)
            steps.push_back([&](HWND dlg) {
                prompt = ItemText(dlg, IDC_PROMPT_LABEL);
                field = ItemText(dlg, IDC_PROMPT_UNITS);
                TypeInto(dlg, IDC_PROMPT_EDIT, row.length);
                Click(dlg, IDOK);
            });
        DialogDriver driver(steps);
        Command(IDM_TRANSFORM_EXPRESSION);
        EXPECT_EQ(driver.Runs(), static_cast<int>(steps.size()));
        if (row.length) {
            EXPECT_EQ(prompt, "Enter destination length");
            EXPECT_EQ(field, "&Samples");
        }
        const int slot = row.dest == 2 ? 2 : row.dest;
        EXPECT_EQ(ChannelInUse(gs, slot), row.made || row.dest < 2);
        if (row.made) {
            ASSERT_EQ(gs->chanCount[slot], row.count);
            double v = 0;
            ASSERT_TRUE(GetChannelSample(gs, 0, slot, &v));
            EXPECT_EQ(v, row.first);
            ASSERT_TRUE(GetChannelSample(gs, static_cast<int>(row.count) - 1, slot, &v));
            EXPECT_EQ(v, row.last);
        }
        if (row.made && row.dest == 2) {
            EXPECT_STREQ(gs->chanLabel[slot], row.text);  // named as typed
        }
        EXPECT_EQ(UndoLabel(), row.undo);
        DeleteChannelData(gs, 2);
        DeleteChannelData(gs, 1);
    }
    EXPECT_STREQ(g_expressionText, "CH0*2");  // kept in capitals for the next time
}

// The lists type at the caret: a function puts the caret between its parentheses, a source types
// its channel there. A faulty expression or a channel without samples brings the dialog back.
TEST_F(AnalysisCommands, ExpressionDialogTypesAndComesBack) {
    tagGS* gs = Fill({4, 9, 16});
    ASSERT_TRUE(gs);
    FillControl(gs, {});
    RebuildChannelItems(gs);
    std::string typed, offered;
    DialogDriver driver({[&](HWND dlg) {
                             SetDlgItemTextA(dlg, IDC_XF_EDIT, "");
                             ChooseEntry(dlg, IDC_XF_FUNCTIONS, 12);  // "sqrt()"
                             ChooseEntry(dlg, IDC_XF_SOURCES, 0);     // "CH0, ..."
                             typed = ItemText(dlg, IDC_XF_EDIT);
                             TypeInto(dlg, IDC_XF_EDIT, "CH0+");
                             ChooseEntry(dlg, IDC_XF_DEST, 2);
                             Click(dlg, IDOK);
                         },
                         [&](HWND dlg) {
                             offered = ItemText(dlg, IDC_XF_EDIT);
                             TypeInto(dlg, IDC_XF_EDIT, "CH1*2");  // a channel without samples
                             ChooseEntry(dlg, IDC_XF_DEST, 2);
                             Click(dlg, IDOK);
                         },
                         [&](HWND dlg) {
                             TypeInto(dlg, IDC_XF_EDIT, typed);
                             ChooseEntry(dlg, IDC_XF_DEST, 2);
                             Click(dlg, IDOK);
                         }});
    Command(IDM_TRANSFORM_EXPRESSION);
    EXPECT_EQ(driver.Runs(), 3);
    EXPECT_EQ(typed, "sqrt(CH0)");
    EXPECT_EQ(offered, "CH0+");
    ASSERT_TRUE(ChannelInUse(gs, 2));
    EXPECT_EQ(Values(gs, 2), (std::vector<double>{2, 3, 4}));
    EXPECT_STREQ(gs->chanLabel[2], "sqrt(CH0)");  // named as typed
    for (int slot = 3; slot < kMaxChannels; ++slot) EXPECT_FALSE(ChannelInUse(gs, slot)) << slot;
}

// Escape held through the pass does not stop it: every index is evaluated and stored, with its
// undo entry when the destination held samples.
TEST_F(AnalysisCommands, ExpressionRunsToItsEndWithEscapeHeld) {
    const struct {
        const char* name;
        int dest;  // 1 CH 1, 2 "New"
        const char* undo;
    } rows[] = {
        {"existing destination", 1, "Undo Expression\tCtrl+Z"},
        {"new destination", 2, "Can't Undo"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.name);
        tagGS* gs = Fill({1, 2, 3, 4});
        ASSERT_TRUE(gs);
        FillControl(gs, {7, 7, 7, 7});
        RebuildChannelItems(gs);
        ClearUndo();
        setDirtyGraphFlag(gs, 0);
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_XF_EDIT, "CH0*2");
            ChooseEntry(dlg, IDC_XF_DEST, row.dest);
            Click(dlg, IDOK);
            // The hand goes to Escape once the dialog has gone.
            SetTransformEscapeProbe([] { return true; });
        }});
        Command(IDM_TRANSFORM_EXPRESSION);
        SetTransformEscapeProbe(nullptr);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(Values(gs, row.dest), (std::vector<double>{2, 4, 6, 8}));
        EXPECT_EQ(UndoLabel(), row.undo);
        EXPECT_NE(gs->modified, 0u);
        DeleteChannelData(gs, 2);
        DeleteChannelData(gs, 1);
    }
}

// A result that is no finite number is 0: the square root of a channel with negative samples
// runs as any other expression (the check at the first sample passes), 0 where they are negative.
TEST_F(AnalysisCommands, ExpressionOfNegativeSamplesGivesZeroThere) {
    tagGS* gs = Fill({-4, 9, -16, 1, 0});
    ASSERT_TRUE(gs);
    RebuildChannelItems(gs);
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_XF_EDIT, "SQRT(CH0)");
        ChooseEntry(dlg, IDC_XF_DEST, 1);  // "New"
        Click(dlg, IDOK);
    }});
    Command(IDM_TRANSFORM_EXPRESSION);
    EXPECT_EQ(driver.Runs(), 1) << "the dialog does not come back";
    ASSERT_TRUE(ChannelInUse(gs, 1));
    EXPECT_EQ(Values(gs, 1), (std::vector<double>{0, 3, 0, 1, 0}));
    DeleteChannelData(gs, 1);
}

// The destination list names each channel in use by number and label, then offers "New".
TEST_F(AnalysisCommands, ExpressionDestinationsAreNumberedChannels) {
    tagGS* gs = Fill({1, 2, 3});
    ASSERT_TRUE(gs);
    FillControl(gs, {4, 5, 6}, 12);
    std::snprintf(gs->chanLabel[0], sizeof gs->chanLabel[0], "%s", "Pressure");
    std::snprintf(gs->chanLabel[12], sizeof gs->chanLabel[12], "%s", "Flow");
    RebuildChannelItems(gs);
    std::vector<std::string> entries;
    DialogDriver driver({[&](HWND dlg) {
        HWND combo = GetDlgItem(dlg, IDC_XF_DEST);
        const int count = static_cast<int>(SendMessageA(combo, CB_GETCOUNT, 0, 0));
        for (int i = 0; i < count; ++i) {
            char text[128] = "";
            SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text));
            entries.push_back(text);
        }
        Click(dlg, IDCANCEL);
    }});
    Command(IDM_TRANSFORM_EXPRESSION);
    EXPECT_EQ(entries, (std::vector<std::string>{"CH 0, Pressure", "CH12, Flow", "New"}));
    DeleteChannelData(gs, 12);
}

}  // namespace
