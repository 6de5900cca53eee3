// The horizontal scale dialogs, free and locked, for time and for the X channel of XY mode.
#include "tests/graph/dialogs/dialog_fixture.h"
#include "graph/render/waveforms.h"
#include "graph/view/axis_units.h"
#include "common/stAcq.h"
#include "documents/markers/markers.h"
#include "base/lesson.h"

namespace {

class HorizontalScale : public GraphDialogs {
protected:
    void SetUp() override {
        GraphDialogs::SetUp();
        Channel(0, 2000);  // 10,000 ms at 5 ms
        Channel(1, 2000);
        gs_->selectedChan = 0;
        gs_->xyXChan = 1;
        gs_->sampleInterval = 5.0;
        gs_->displayMode = kModeScope;
        gs_->hUnitKind = kHUnitTime;
        gs_->hOffset = 0.0;
        gs_->viewFlags0 = 2;
        Reset();
    }
    void Reset() {
        gs_->hPerDiv = 250.0;
        gs_->hDivisions = 4.0;
        gs_->hStart = 0.0;
        gs_->gridExtraValue = 0.0;
        Relayout();
        char name[kUnitNameLen];
        ChooseTimeUnits(gs_, gs_->hPerDiv, name, 0, &unit_, 0);
    }
    // A time in milliseconds as typed in the dialog's unit.
    std::string Typed(double ms) const { return std::to_string(ms / unit_); }
    double unit_ = 1.0;
};

TEST_F(HorizontalScale, FreeDialogSetsScaleAndStartWithinTheRecord) {
    struct Row {
        double scaleMs, startMs;
        double perDiv, hStart;
    } rows[] = {
        {500.0, 0.0, 500.0, 0.0},       {250.0, 3000.0, 250.0, 3000.0},
        {250.0, 9500.0, 250.0, 9000.0},  // past the end: the last division ends at the last sample
        {250.0, -100.0, 250.0, 0.0},     // before the first sample: 0
        {4000.0, 2000.0, 4000.0, 0.0},   // a view longer than what remains starts at 0
    };
    for (const Row& r : rows) {
        Reset();
        setDirtyGraphFlag(gs_, 0);
        std::string shownScale;
        DialogDriver driver({[&](HWND dlg) {
            shownScale = ItemText(dlg, IDC_HS_SCALE);
            TypeInto(dlg, IDC_HS_SCALE, Typed(r.scaleMs));
            TypeInto(dlg, IDC_HS_START, Typed(r.startMs));
            Click(dlg, IDOK);
        }});
        ClickAxis();
        ASSERT_EQ(driver.Runs(), 1);
        char expected[32];
        std::snprintf(expected, sizeof expected, "%.2f", 250.0 / unit_ + 0.0001);
        EXPECT_EQ(shownScale, expected);
        EXPECT_NEAR(gs_->hPerDiv, r.perDiv, 1e-9) << r.scaleMs << " " << r.startMs;
        EXPECT_NEAR(gs_->hStart, r.hStart, 1e-9) << r.scaleMs << " " << r.startMs;
        EXPECT_EQ(gs_->modified, 1u);
    }
}

// The acquisition record's recording mode for a test, on the program's record or a stand-in.
class AcqDataMode {
public:
    explicit AcqDataMode(int16_t mode) : saved_(g_app->hAcq) {
        if (!g_app->hAcq) g_app->hAcq = own_ = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
        AcqLock acq(g_app->hAcq);
        if (acq) {
            before_ = acq->dataMode;
            acq->dataMode = mode;
        }
    }
    ~AcqDataMode() {
        if (own_) {
            g_app->hAcq = saved_;
            GlobalFree(own_);
            return;
        }
        AcqLock acq(g_app->hAcq);
        if (acq) acq->dataMode = before_;
    }
    AcqDataMode(const AcqDataMode&) = delete;
    AcqDataMode& operator=(const AcqDataMode&) = delete;

private:
    HGLOBAL saved_;
    HGLOBAL own_ = nullptr;
    int16_t before_ = 0;
};

// "Hold relative position" is offered only while recordings append (mode 3), starts as the
// marker manager's setting, and an accepted change goes there and marks the graph changed.
TEST_F(HorizontalScale, HoldRelativePositionIsOfferedForAppendedRecordingsAndKept) {
    ASSERT_TRUE(gs_->markerManager);
    struct Row {
        bool locked;
        int16_t mode;
        uint32_t holdBefore;
        bool click, accept;
        bool enabled, shownChecked;
        uint32_t holdAfter;
    } rows[] = {
        {false, kDataOverwrite, 1, true, true, false, false, 1},  // not offered: the box is greyed and cleared
        {false, kDataAppend, 0, true, true, true, false, 1},
        {false, kDataAppend, 1, true, true, true, true, 0},
        {false, kDataAppend, 1, false, true, true, true, 1},
        {false, kDataAppend, 0, true, false, true, false, 0},  // cancelled
        {true, kDataOverwrite, 0, true, true, false, false, 0},
        {true, kDataAppend, 0, true, true, true, false, 1},
        {true, kDataAppend, 1, true, true, true, true, 0},
    };
    for (const Row& r : rows) {
        Reset();
        AcqDataMode mode(r.mode);
        gs_->markerManager->holdRelative = r.holdBefore;
        setDirtyGraphFlag(gs_, 0);
        const int box = r.locked ? IDC_HL_HOLD : IDC_HS_HOLD;
        bool enabled = false, checked = false;
        DialogDriver driver({[&](HWND dlg) {
            enabled = IsWindowEnabled(GetDlgItem(dlg, box)) != FALSE;
            checked = IsDlgButtonChecked(dlg, box) == BST_CHECKED;
            if (r.click) Click(dlg, box);
            Click(dlg, r.accept ? IDOK : IDCANCEL);
        }});
        const int result = r.locked ? LockedHorizontalScaleDialog(graph_, gs_) : HorizontalScaleDialog(graph_, gs_, 0);
        const int at = static_cast<int>(&r - rows);
        EXPECT_EQ(result, r.accept ? 1 : 0) << "row " << at;
        EXPECT_EQ(enabled, r.enabled) << "row " << at;
        EXPECT_EQ(checked, r.shownChecked) << "row " << at;
        EXPECT_EQ(gs_->markerManager->holdRelative, r.holdAfter) << "row " << at;
        // The free dialog with the view unchanged marks the graph changed only for a new hold.
        if (!r.locked) {
            EXPECT_EQ(gs_->modified, r.holdAfter != r.holdBefore ? 1u : 0u) << "row " << at;
        }
    }
}

TEST_F(HorizontalScale, FreeDialogKeepsAScaleThatShowsTheSameAndRefusesNoScale) {
    gs_->hPerDiv = 250.0 + 1e-6 * unit_;  // shows as 250 in the dialog's unit
    const double before = gs_->hPerDiv;
    DialogDriver same({[&](HWND dlg) {
        TypeInto(dlg, IDC_HS_SCALE, ItemText(dlg, IDC_HS_SCALE));
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(HorizontalScaleDialog(graph_, gs_, 0), 1);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, before);
    for (const char* bad : {"0", "-2", "x", ""}) {
        bool okEnabled = true, open = false;
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_HS_SCALE, bad);
            okEnabled = IsWindowEnabled(GetDlgItem(dlg, IDOK)) != FALSE;
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
            open = StillOpen(dlg);
            Click(dlg, IDCANCEL);
        }});
        EXPECT_EQ(HorizontalScaleDialog(graph_, gs_, 0), 0);
        EXPECT_FALSE(okEnabled) << bad;
        EXPECT_TRUE(open) << bad;
        EXPECT_DOUBLE_EQ(gs_->hPerDiv, before) << bad;
    }
}

TEST_F(HorizontalScale, LockedDialogSetsTheSpanOrRefusesIt) {
    gs_->gridLocked = 1;
    struct Row {
        uint32_t rangeMode;
        double a, b, major, base;  // limits: start, end; range mode: range, midpoint (ms)
        int refused;               // 0: accepted
        double hStart, perDiv, divisions;
    } rows[] = {
        {0, 1000.0, 3000.0, 500.0, 250.0, 0, 1000.0, 500.0, 4.0},
        {0, 1000.0, 2500.0, 1000.0, 0.0, 0, 1000.0, 1000.0, 1.5},  // a fractional count of divisions
        {0, -500.0, 500.0, 250.0, 0.0, 0, 0.0, 250.0, 2.0},        // no view before 0
        {0, 2000.0, 2000.0, 500.0, 0.0, IDC_HL_END, 0.0, 250.0, 4.0},
        {0, 3000.0, 1000.0, 500.0, 0.0, IDC_HL_END, 0.0, 250.0, 4.0},  // start after end
        {0, 1000.0, 3000.0, 0.0, 0.0, IDC_HL_MAJOR, 0.0, 250.0, 4.0},
        {0, 1000.0, 3000.0, -5.0, 0.0, IDC_HL_MAJOR, 0.0, 250.0, 4.0},
        {1, 2000.0, 5000.0, 500.0, 0.0, 0, 4000.0, 500.0, 4.0},
        {1, 0.0, 5000.0, 500.0, 0.0, IDC_HL_START, 0.0, 250.0, 4.0},  // a range of 0
    };
    for (const Row& r : rows) {
        Reset();
        gs_->gridExtra = r.rangeMode;
        std::string startLabel;
        bool open = false;
        HWND focus = nullptr, refused = nullptr;
        DialogDriver driver({[&](HWND dlg) {
            startLabel = ItemText(dlg, IDC_HL_START_LABEL);
            TypeInto(dlg, IDC_HL_START, Typed(r.a));
            TypeInto(dlg, IDC_HL_END, Typed(r.b));
            TypeInto(dlg, IDC_HL_BASE, Typed(r.base));
            TypeInto(dlg, IDC_HL_MAJOR, Typed(r.major));
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
            open = StillOpen(dlg);
            if (open) {
                focus = GetFocus();
                refused = GetDlgItem(dlg, r.refused);
                Click(dlg, IDCANCEL);
            }
        }});
        ClickAxis();
        ASSERT_EQ(driver.Runs(), 1) << r.a << " " << r.b << " " << r.major;
        EXPECT_EQ(startLabel, r.rangeMode ? "&Range:" : "&Lower:");
        EXPECT_EQ(open, r.refused != 0);
        if (r.refused) {
            EXPECT_EQ(focus, refused) << r.a << " " << r.b << " " << r.major;
        } else {
            EXPECT_NEAR(gs_->gridExtraValue, r.base, 1e-6);
        }
        EXPECT_NEAR(gs_->hStart, r.hStart, 1e-6) << r.a << " " << r.b;
        EXPECT_NEAR(gs_->hPerDiv, r.perDiv, 1e-6) << r.a << " " << r.b;
        EXPECT_NEAR(gs_->hDivisions, r.divisions, 1e-6) << r.a << " " << r.b;
    }
}

TEST_F(HorizontalScale, XYDialogsScaleTheXChannel) {
    gs_->displayMode = kModeXY;
    struct Row {
        uint32_t locked, rangeMode;
        const char *first, *second, *major;  // free: scale, midpoint; locked: start/range, end/midpoint
        bool accepted;
        double perDiv, center, divisions, offset;
    } rows[] = {
        {0, 0, "2", "1", "", true, 2.0, 1.0, 4.0, -3.0},
        {0, 0, "0", "1", "", false, 5.0, 0.0, 4.0, 0.0},      // no scale: refused
        {1, 0, "4", "-4", "2", true, 2.0, 0.0, 4.0, 0.0},     // start above end: swapped
        {1, 0, "3", "3", "2", false, 5.0, 0.0, 4.0, 0.0},     // equal: refused
        {1, 1, "6", "10", "1.5", true, 1.5, 10.0, 4.0, 0.0},  // range 6 around 10
        {1, 1, "-6", "10", "1.5", false, 5.0, 0.0, 4.0, 0.0},
    };
    for (const Row& r : rows) {
        gs_->gridLocked = r.locked;
        gs_->gridExtra = r.rangeMode;
        gs_->chanVPerDiv[1] = 5.0;
        gs_->chanVCenter[1] = 0.0;
        gs_->chanVDivisions[1] = 4.0;
        gs_->chanVOffsetDiv[1] = 0.0;
        std::strcpy(gs_->chanUnits[1], "mmHg");
        std::string units;
        DialogDriver driver({[&](HWND dlg) {
            if (r.locked) {
                units = ItemText(dlg, IDC_HL_MAJOR_UNITS);
                TypeInto(dlg, IDC_HL_START, r.first);
                TypeInto(dlg, IDC_HL_END, r.second);
                TypeInto(dlg, IDC_HL_BASE, "0");
                TypeInto(dlg, IDC_HL_MAJOR, r.major);
            } else {
                units = ItemText(dlg, IDC_HS_SCALE_UNITS);
                TypeInto(dlg, IDC_HS_SCALE, r.first);
                TypeInto(dlg, IDC_HS_START, r.second);
            }
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
            if (StillOpen(dlg)) Click(dlg, IDCANCEL);
        }});
        ClickAxis();
        ASSERT_EQ(driver.Runs(), 1) << r.first << " " << r.second;
        EXPECT_EQ(units, "mmHg/div");
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], r.perDiv) << r.first << " " << r.second;
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[1], r.center) << r.first << " " << r.second;
        EXPECT_DOUBLE_EQ(gs_->chanVDivisions[1], r.divisions) << r.first << " " << r.second;
        EXPECT_DOUBLE_EQ(gs_->chanVOffsetDiv[1], r.offset) << r.first << " " << r.second;
        EXPECT_DOUBLE_EQ(gs_->hPerDiv, 250.0);  // the time axis is not touched
    }
}

TEST_F(HorizontalScale, ANewStartMovesTheAxisNumbers) {
    RECT strip = gs_->plotRect;
    strip.top = gs_->plotRect.bottom;
    strip.bottom = gs_->plotRect.bottom + 2 * g_app->fonts.cyText;
    const std::vector<uint32_t> before = Capture(graph_, strip);
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_HS_START, Typed(5000.0));
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(HorizontalScaleDialog(graph_, gs_, 1), 1);
    EXPECT_TRUE(Pending(strip));
    EXPECT_NE(Capture(graph_, strip), before);
}

// Without the lesson's "HSCALE" the axis opens nothing; with it, Ctrl opens the dialog at the start.
TEST_F(HorizontalScale, TheAxisOpensTheDialogOnlyWhileTheLessonAllowsIt) {
    struct Row {
        uint16_t allowed;
        UINT keys;
        int runs, focus;
    } rows[] = {{0, 0, 0, 0}, {1, 0, 1, IDC_HS_SCALE}, {1, MK_CONTROL, 1, IDC_HS_START}};
    for (const Row& r : rows) {
        g_script.permissions[kPermHScale] = r.allowed;
        HWND focus = nullptr, expected = nullptr;
        DialogDriver driver({[&](HWND dlg) {
            focus = GetFocus();
            expected = GetDlgItem(dlg, r.focus);
            Click(dlg, IDCANCEL);
        }});
        ClickAxis(r.keys);
        ResetScriptPermissions();
        ASSERT_EQ(driver.Runs(), r.runs) << r.allowed << " " << r.keys;
        EXPECT_EQ(focus, expected) << r.allowed << " " << r.keys;
    }
}

}  // namespace

namespace {

// Clock time: the rows are hours, minutes and seconds of the axis unit (one second).
class HorizontalScaleHms : public HorizontalScale {
protected:
    void SetUp() override {
        HorizontalScale::SetUp();
        gs_->hUnitKind = kHUnitClock;
        Reset();
        char name[kUnitNameLen];
        ChooseTimeUnits(gs_, gs_->hPerDiv, name, 2, &unit_, 0);
        ASSERT_DOUBLE_EQ(unit_, 1000.0);
    }
    static void TypeRow(HWND dlg, const int (&ids)[3], const char* h, const char* m, const char* s) {
        TypeInto(dlg, ids[0], h);
        TypeInto(dlg, ids[1], m);
        TypeInto(dlg, ids[2], s);
    }
};

TEST_F(HorizontalScaleHms, FreeDialogTakesWholeSecondsAndHoldsTheViewInTheRecord) {
    static const int kScale[3] = {IDC_HH_SCALE_H, IDC_HH_SCALE_M, IDC_HH_SCALE_S};
    static const int kStart[3] = {IDC_HMS_HOURS, IDC_HMS_MINUTES, IDC_HMS_SECONDS};
    struct Row {
        const char *sh, *sm, *ss, *th, *tm, *ts;
        int button;
        double perDiv, hStart;
    } rows[] = {
        {"0", "0", "1", "0", "0", "3", IDOK, 1000.0, 3000.0},
        {"0", "0", "0", "0", "0", "9", IDOK, 250.0, 9000.0},   // no scale: kept; start held at the end
        {"0", "0", "2", "0", "0", "9", IDOK, 2000.0, 2000.0},  // the last division ends at the last sample
        {"x", "", "", "0", "0", "0", IDOK, 250.0, 0.0},
        {"0", "0", "1", "0", "0", "3", IDCANCEL, 250.0, 0.0},
    };
    for (const Row& r : rows) {
        Reset();
        std::string shownStart;
        DialogDriver driver({[&](HWND dlg) {
            shownStart = ItemText(dlg, IDC_HMS_HOURS) + ":" + ItemText(dlg, IDC_HMS_MINUTES) + ":" +
                         ItemText(dlg, IDC_HMS_SECONDS);
            TypeRow(dlg, kScale, r.sh, r.sm, r.ss);
            TypeRow(dlg, kStart, r.th, r.tm, r.ts);
            Click(dlg, r.button);
        }});
        ClickAxis();
        ASSERT_EQ(driver.Runs(), 1) << r.ss << " " << r.ts;
        EXPECT_EQ(shownStart, "00:00:00");
        EXPECT_NEAR(gs_->hPerDiv, r.perDiv, 1e-9) << r.ss << " " << r.ts;
        EXPECT_NEAR(gs_->hStart, r.hStart, 1e-9) << r.ss << " " << r.ts;
    }
}

TEST_F(HorizontalScaleHms, LockedDialogSwapsOrRefusesItsRows) {
    gs_->gridLocked = 1;
    struct Row {
        uint32_t rangeMode;
        int row1, row2, major;  // seconds
        int refused;
        double hStart, perDiv, divisions;
    } rows[] = {
        {0, 2, 6, 1, 0, 2000.0, 1000.0, 4.0},         {0, 6, 2, 2, 0, 2000.0, 2000.0, 2.0},  // start after end: swapped
        {0, 3, 3, 1, IDC_HL_ROW2_S, 0.0, 250.0, 4.0},                                        // equal
        {0, 2, 6, 0, IDC_HL_ROW3_S, 0.0, 250.0, 4.0},                                        // no division
        {1, 4, 5, 1, 0, 3000.0, 1000.0, 4.0},                                                // range 4 around 5
        {1, 0, 5, 1, IDC_HL_ROW1_S, 0.0, 250.0, 4.0},                                        // a range of 0
    };
    for (const Row& r : rows) {
        Reset();
        gs_->gridExtra = r.rangeMode;
        bool open = false;
        HWND focus = nullptr, refused = nullptr;
        DialogDriver driver({[&](HWND dlg) {
            EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_HL_ROW1_H, EM_GETLIMITTEXT, 0, 0), 2);
            TypeInto(dlg, IDC_HL_ROW1_S, std::to_string(r.row1));
            TypeInto(dlg, IDC_HL_ROW2_S, std::to_string(r.row2));
            TypeInto(dlg, IDC_HL_ROW3_S, std::to_string(r.major));
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
            open = StillOpen(dlg);
            if (open) {
                focus = GetFocus();
                refused = GetDlgItem(dlg, r.refused);
                Click(dlg, IDCANCEL);
            }
        }});
        ClickAxis();
        ASSERT_EQ(driver.Runs(), 1) << r.row1 << " " << r.row2;
        EXPECT_EQ(open, r.refused != 0);
        if (r.refused) {
            EXPECT_EQ(focus, refused) << r.row1 << " " << r.row2 << " " << r.major;
        }
        EXPECT_NEAR(gs_->hStart, r.hStart, 1e-6) << r.row1 << " " << r.row2;
        EXPECT_NEAR(gs_->hPerDiv, r.perDiv, 1e-6) << r.row1 << " " << r.row2;
        EXPECT_NEAR(gs_->hDivisions, r.divisions, 1e-6) << r.row1 << " " << r.row2;
    }
}

}  // namespace
