// Grid Options, Set Waveform Order, the horizontal axis format and the font and colour
// choosers on a real graph window.
#include "tests/graph/dialogs/dialog_fixture.h"
#include "tests/shell/box_capture.h"
#include "graph/view/display_modes.h"
#include "graph/render/waveforms.h"

namespace {

class DisplayDialogs : public GraphDialogs {
protected:
    void SetUp() override {
        GraphDialogs::SetUp();
        for (int s : {0, 1, 3}) Channel(s);
        gs_->displayMode = kModeScope;
        gs_->gridShown = 1;
        gs_->sampleInterval = 5.0;
        gs_->hStart = 0.0;
        gs_->hPerDiv = 100.0;
        gs_->hDivisions = 10.0;
        Relayout();
    }
    int Index(HWND dlg, int id) { return static_cast<int>(SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0)); }
    bool Enabled(HWND dlg, int id) { return IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE; }
    int CountColor(const std::vector<uint32_t>& pixels, COLORREF c) {
        const uint32_t want = (GetRValue(c) << 16) | (GetGValue(c) << 8) | GetBValue(c);
        int n = 0;
        for (uint32_t p : pixels) n += (p & 0xFFFFFF) == want;
        return n;
    }
};

TEST_F(DisplayDialogs, GridOptionsShowTheGraphsPensAndStoreTheChosenOnes) {
    gs_->gridColor = 0x123456;  // not one of the colours offered: black is chosen
    gs_->gridMinorColor = 0xC0C0C0;
    gs_->gridOptions[0] = 0;
    gs_->gridOptions[1] = 2;
    gs_->gridOptions[2] = 1;
    gs_->gridOptions[3] = 1;
    SetGridFine(gs_, false);
    int colorShown = -1, minorStyleShown = -1;
    bool minorColorEnabled = true;
    DialogDriver driver({[&](HWND dlg) {
        colorShown = Index(dlg, IDC_GRID_MAJOR_COLOR);
        minorStyleShown = Index(dlg, IDC_GRID_MINOR_STYLE);
        minorColorEnabled = Enabled(dlg, IDC_GRID_MINOR_COLOR);
        ChooseEntry(dlg, IDC_GRID_MINOR_COLOR, 9);  // 0x0000FF
        ChooseEntry(dlg, IDC_GRID_MAJOR_WIDTH, 2);  // 3 pixels
        Click(dlg, IDC_GRID_MINOR_ON);
        Click(dlg, IDOK);
    }});
    setDirtyGraphFlag(gs_, 0);
    ASSERT_EQ(GridOptionsDialog(graph_, gs_), 1);
    EXPECT_EQ(colorShown, 0);
    EXPECT_EQ(minorStyleShown, 2);
    EXPECT_FALSE(minorColorEnabled);
    EXPECT_EQ(gs_->gridColor, 0x000000u);
    EXPECT_EQ(gs_->gridMinorColor, 0x0000FFu);
    EXPECT_EQ(gs_->gridOptions[2], 3);
    EXPECT_EQ(gs_->gridOptions[1], 2);
    EXPECT_TRUE(IsGridFine(gs_));
    EXPECT_EQ(gs_->modified, 1u);
    EXPECT_TRUE(Pending(gs_->plotRect));
}

TEST_F(DisplayDialogs, GridOptionsStyleAndWidthExcludeEachOther) {
    struct Row {
        int list, entry;
        bool majorStyle, majorWidth;
    } rows[] = {
        {IDC_GRID_MAJOR_STYLE, 2, true, false},  // dotted: width greyed
        {IDC_GRID_MAJOR_WIDTH, 2, false, true},  // width 3: style greyed
        {IDC_GRID_MAJOR_STYLE, 0, true, true},
    };
    for (const Row& r : rows) {
        gs_->gridOptions[0] = 0;
        gs_->gridOptions[2] = 1;
        bool style = false, width = false, afterBack[2] = {};
        DialogDriver driver({[&](HWND dlg) {
            ChooseEntry(dlg, r.list, r.entry);
            style = Enabled(dlg, IDC_GRID_MAJOR_STYLE);
            width = Enabled(dlg, IDC_GRID_MAJOR_WIDTH);
            ChooseEntry(dlg, r.list, 0);  // back to solid, width 1
            afterBack[0] = Enabled(dlg, IDC_GRID_MAJOR_STYLE);
            afterBack[1] = Enabled(dlg, IDC_GRID_MAJOR_WIDTH);
            Click(dlg, IDCANCEL);
        }});
        EXPECT_EQ(GridOptionsDialog(graph_, gs_), 0);
        EXPECT_EQ(style, r.majorStyle) << r.list << " " << r.entry;
        EXPECT_EQ(width, r.majorWidth) << r.list << " " << r.entry;
        EXPECT_TRUE(afterBack[0] && afterBack[1]);
    }
}

TEST_F(DisplayDialogs, GridOptionsCancelLeavesTheGridAndLockAdjustsTheScales) {
    {
        SetGridFine(gs_, false);
        const COLORREF color = gs_->gridColor;
        DialogDriver driver({[&](HWND dlg) {
            Click(dlg, IDC_GRID_MINOR_ON);
            ChooseEntry(dlg, IDC_GRID_MAJOR_COLOR, 12);
            Click(dlg, IDC_GRID_LOCK);
            Click(dlg, IDCANCEL);
        }});
        setDirtyGraphFlag(gs_, 0);
        EXPECT_EQ(GridOptionsDialog(graph_, gs_), 0);
        EXPECT_FALSE(IsGridFine(gs_));
        EXPECT_EQ(gs_->gridColor, color);
        EXPECT_EQ(gs_->gridLocked, 0u);
        EXPECT_EQ(gs_->modified, 0u);
    }
    // Unlocking a Scope graph of 10 divisions of 100 ms gives 4 divisions of 250 ms.
    gs_->gridLocked = 1;
    gs_->gridExtra = 1;
    gs_->chanVPerDiv[1] = 2.0;
    gs_->chanVDivisions[1] = 10.0;
    gs_->chanVCenter[1] = 3.0;
    bool radiosEnabled = false, radiosAfter = true;
    DialogDriver unlock({[&](HWND dlg) {
        radiosEnabled = Enabled(dlg, IDC_GRID_MID_RANGE) && IsDlgButtonChecked(dlg, IDC_GRID_MID_RANGE);
        Click(dlg, IDC_GRID_LOCK);
        radiosAfter = Enabled(dlg, IDC_GRID_MID_RANGE);
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(GridOptionsDialog(graph_, gs_), 1);
    EXPECT_TRUE(radiosEnabled);
    EXPECT_FALSE(radiosAfter);
    EXPECT_EQ(gs_->gridLocked, 0u);
    EXPECT_EQ(gs_->gridExtra, 0u);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, 250.0);
    EXPECT_DOUBLE_EQ(gs_->hDivisions, 4.0);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], 5.0);
    EXPECT_DOUBLE_EQ(gs_->chanVDivisions[1], 4.0);
    EXPECT_DOUBLE_EQ(gs_->chanVOffsetDiv[1], 3.0);
    // Locking again with start/end parameters rounds to whole divisions; the view keeps its span.
    gs_->chanVPerDiv[1] = 1.25;
    gs_->chanVDivisions[1] = 4.0;
    gs_->chanVCenter[1] = 0.0;
    DialogDriver lock({[&](HWND dlg) {
        Click(dlg, IDC_GRID_LOCK);
        Click(dlg, IDC_GRID_START_END);
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(GridOptionsDialog(graph_, gs_), 1);
    EXPECT_EQ(gs_->gridLocked, 1u);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[1], 1.0);
    EXPECT_DOUBLE_EQ(gs_->chanVDivisions[1], 5.0);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, 1000.0);
    // The time axis takes whole seconds per division over the second the plot showed.
    EXPECT_NEAR(gs_->hDivisions, 1.0, 4.0 / (gs_->plotRect.right - gs_->plotRect.left) + 1e-9);
    EXPECT_DOUBLE_EQ(gs_->hStart, 0.0);
}

TEST_F(DisplayDialogs, LockingTheGridKeepsTheTimeTheViewShows) {
    struct Case {
        double hStart, hPerDiv, hDivisions;  // the unlocked view
        double perDiv;                       // the locked division
    } cases[] = {
        {0.0, 2000.0, 4.0, 1000.0},     // 0-8 s: eight divisions of a second
        {3000.0, 500.0, 4.0, 1000.0},   // 3-5 s
        {0.0, 7500.0, 4.0, 1000.0},     // 0-30 s
    };
    for (const Case& c : cases) {
        gs_->gridLocked = 0;
        gs_->gridExtra = 0;
        gs_->hStart = c.hStart;
        gs_->hPerDiv = c.hPerDiv;
        gs_->hDivisions = c.hDivisions;
        Relayout();
        const double shownStart = GraphXToTime(gs_, gs_->plotRect.left);
        const double shownEnd = GraphXToTime(gs_, gs_->plotRect.right);
        DialogDriver lock({[&](HWND dlg) {
            Click(dlg, IDC_GRID_LOCK);
            Click(dlg, IDOK);
        }});
        ASSERT_EQ(GridOptionsDialog(graph_, gs_), 1);
        EXPECT_EQ(gs_->gridLocked, 1u);
        EXPECT_DOUBLE_EQ(gs_->hPerDiv, c.perDiv) << c.hStart;
        EXPECT_NEAR(gs_->hStart, shownStart, 1e-9) << c.hStart;
        EXPECT_NEAR(gs_->hStart + gs_->hPerDiv * gs_->hDivisions, shownEnd, 1e-6) << c.hStart;
        EXPECT_NEAR(GraphXToTime(gs_, gs_->plotRect.right), shownEnd, 1e-6) << c.hStart;
    }
}

TEST_F(DisplayDialogs, GridColourChosenShowsInThePlot) {
    gs_->gridColor = 0x808080;
    SetGridFine(gs_, false);
    Relayout();
    const COLORREF red = 0x0000FF;
    const int before = CountColor(Capture(graph_, gs_->plotRect), red);
    DialogDriver driver({[&](HWND dlg) {
        ChooseEntry(dlg, IDC_GRID_MAJOR_COLOR, 9);
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(GridOptionsDialog(graph_, gs_), 1);
    const int after = CountColor(Capture(graph_, gs_->plotRect), red);
    EXPECT_EQ(before, 0);
    EXPECT_GT(after, 50);
}

// ---- Set Waveform Order ----

LPARAM At(int x, int row) { return MAKELPARAM(x, row * 16 + 8); }

TEST_F(DisplayDialogs, WaveformOrderDragsAChannelBeforeAnother) {
    Channel(7);
    gs_->chanFlags[7] = 2;
    gs_->chanBlock[5] = nullptr;
    gs_->chanFlags[5] = 2;  // holds a channel without samples: not listed
    for (int p = 0; p < kMaxChannels; ++p) gs_->chanOrder[p] = static_cast<uint32_t>(p);
    struct Row {
        int fromRow, toRow;
        int button;
        uint32_t order[4];  // positions 0, 1, 3 and 7 afterwards
    } rows[] = {
        {2, 0, IDOK, {3, 0, 1, 7}},
        {2, 2, IDOK, {0, 1, 3, 7}},  // a drag that ends where it started changes nothing
        {0, 3, IDOK, {1, 3, 0, 7}},
        {2, 0, IDCANCEL, {0, 1, 3, 7}},
    };
    for (const Row& r : rows) {
        for (int p = 0; p < kMaxChannels; ++p) gs_->chanOrder[p] = static_cast<uint32_t>(p);
        int listed = 0;
        DialogDriver driver({[&](HWND dlg) {
            HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
            listed = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
            SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, At(120, r.fromRow));
            SendMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, At(120, r.toRow));
            SendMessageA(list, WM_LBUTTONUP, 0, At(120, r.toRow));
            Click(dlg, r.button);
        }});
        EXPECT_EQ(ShowWaveformOrderDialog(graph_, gs_), r.button == IDOK ? 1 : 0);
        EXPECT_EQ(listed, 4);
        const int positions[] = {0, 1, 3, 7};
        for (int i = 0; i < 4; ++i)
            EXPECT_EQ(gs_->chanOrder[positions[i]], r.order[i]) << r.fromRow << "->" << r.toRow << " at " << i;
        EXPECT_EQ(gs_->chanOrder[5], 5u);
    }
}

TEST_F(DisplayDialogs, WaveformOrderTicksHideAndShowChannels) {
    for (int p = 0; p < kMaxChannels; ++p) gs_->chanOrder[p] = static_cast<uint32_t>(p);
    struct Row {
        std::vector<int> rowsClicked;
        int button;
        bool hidden[3];  // slots 0, 1, 3 afterwards
        bool stayedOpen;
    } rows[] = {
        {{1}, IDOK, {false, true, false}, false},
        {{1}, IDCANCEL, {false, false, false}, false},
        {{0, 1, 2}, IDOK, {false, false, false}, true},  // every channel hidden: refused
        {{1, 1}, IDOK, {false, false, false}, false},
    };
    for (const Row& r : rows) {
        for (int s : {0, 1, 3}) gs_->chanFlags[s] = 2;
        bool open = false;
        DialogDriver driver({[&](HWND dlg) {
            HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
            for (int row : r.rowsClicked) {
                SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(8, row * 16 + 8));
                SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(8, row * 16 + 8));
            }
            if (r.button == IDOK) {
                SendMessageA(dlg, WM_COMMAND, IDOK, 0);
                open = StillOpen(dlg);
                if (open) Click(dlg, IDCANCEL);
            } else {
                Click(dlg, IDCANCEL);
            }
        }});
        ShowWaveformOrderDialog(graph_, gs_);
        EXPECT_EQ(open, r.stayedOpen);
        const int slots[] = {0, 1, 3};
        for (int i = 0; i < 3; ++i)
            EXPECT_EQ((gs_->chanFlags[slots[i]] & kChanHidden) != 0, r.hidden[i]) << "slot " << slots[i];
    }
}

TEST_F(DisplayDialogs, WaveformOrderListDrawsTheTickOfShownChannelsOnly) {
    gs_->chanFlags[1] = 2 | kChanHidden;
    std::vector<uint32_t> shownBox, hiddenBox;
    DialogDriver driver({[&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
        shownBox = Capture(list, RECT{4, 4, 12, 12});
        hiddenBox = Capture(list, RECT{4, 20, 12, 28});
        Click(dlg, IDCANCEL);
    }});
    ShowWaveformOrderDialog(graph_, gs_);
    EXPECT_GT(CountColor(shownBox, 0x000000), 5);
    EXPECT_EQ(CountColor(hiddenBox, 0x000000), 0);
}

// ---- horizontal axis format ----

TEST_F(DisplayDialogs, AxisFormatConvertsIntervalAndFirstValue) {
    struct Row {
        uint32_t kind;
        double offset;
        int radio;
        const char *interval, *first, *h, *m, *s;
        double sampleInterval, hOffset;
        uint32_t newKind;
        const char* shownInterval;
    } rows[] = {
        {kHUnitTime, 0.0, IDC_HAXIS_TIME, "0", "2", "", "", "", 5.0, 2000.0, kHUnitTime,
         "0.005000000"},  // 0 keeps 5 ms
        {kHUnitTime, 0.0, IDC_HAXIS_TIME, "0.01", "1.5", "", "", "", 10.0, 1500.0, kHUnitTime, "0.005000000"},
        {kHUnitTime, 0.0, IDC_HAXIS_TIME, "-3", "x", "", "", "", 5.0, 0.0, kHUnitTime, "0.005000000"},
        {kHUnitUser, 7.0, IDC_HAXIS_TIME, "0.002", "9", "", "", "", 2.0, 0.0, kHUnitTime,
         "5.000000000"},  // to seconds: first 0
        {kHUnitUser, 7.0, IDC_HAXIS_FREQUENCY, "4000", "9", "", "", "", 4.0, 0.009, kHUnitFrequency, "5.000000000"},
        {kHUnitTime, 0.0, IDC_HAXIS_CLOCK, "0.005", "", "01", "02", "03", 5.0, 0.0, kHUnitClock,
         "0.005000000"},  // new kind: 0
        {kHUnitClock, 0.0, IDC_HAXIS_CLOCK, "0.005", "", "01", "02", "03", 5.0, 3723000.0, kHUnitClock, "0.005000000"},
        {kHUnitTime, 0.0, IDC_HAXIS_TIME, "1e305", "0", "", "", "", 5.0, 0.0, kHUnitTime,
         "0.005000000"},  // too large: kept
    };
    for (const Row& r : rows) {
        gs_->hUnitKind = r.kind;
        gs_->sampleInterval = 5.0;
        gs_->hOffset = r.offset;
        std::string shown;
        DialogDriver driver({[&](HWND dlg) {
            shown = ItemText(dlg, IDC_HAXIS_INTERVAL);
            Click(dlg, r.radio);
            TypeInto(dlg, IDC_HAXIS_INTERVAL, r.interval);
            if (r.radio == IDC_HAXIS_CLOCK) {
                EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_HAXIS_FIRST)));
                TypeInto(dlg, IDC_HMS_HOURS, r.h);
                TypeInto(dlg, IDC_HMS_MINUTES, r.m);
                TypeInto(dlg, IDC_HMS_SECONDS, r.s);
            } else {
                EXPECT_FALSE(IsWindowVisible(GetDlgItem(dlg, IDC_HMS_HOURS)));
                TypeInto(dlg, IDC_HAXIS_FIRST, r.first);
            }
            Click(dlg, IDOK);
        }});
        ASSERT_EQ(HorizontalAxisFormatDialog(gs_), 1);
        EXPECT_EQ(shown, r.shownInterval) << r.kind;
        EXPECT_DOUBLE_EQ(gs_->sampleInterval, r.sampleInterval) << r.kind << " " << r.interval;
        EXPECT_NEAR(gs_->hOffset, r.hOffset, 1e-9) << r.kind << " " << r.first;
        EXPECT_EQ(gs_->hUnitKind, r.newKind);
    }
}

TEST_F(DisplayDialogs, AxisFormatArbitraryUnitsTakeTheirNames) {
    gs_->hUnitKind = kHUnitTime;
    std::strcpy(gs_->hUnitName, "old");
    bool unitsShownBefore = true, unitsShownAfter = false;
    std::string label;
    DialogDriver driver({[&](HWND dlg) {
        unitsShownBefore = IsWindowVisible(GetDlgItem(dlg, IDC_HAXIS_UNITS)) != FALSE;
        Click(dlg, IDC_HAXIS_ARBITRARY);
        unitsShownAfter = IsWindowVisible(GetDlgItem(dlg, IDC_HAXIS_UNITS)) != FALSE;
        label = ItemText(dlg, IDC_HAXIS_INTERVAL_LABEL);
        TypeInto(dlg, IDC_HAXIS_UNITS, "Stimulus number and more text that runs long");
        TypeInto(dlg, IDC_HAXIS_ABBREV, "stimulusXYZ");
        TypeInto(dlg, IDC_HAXIS_INTERVAL, "2");
        TypeInto(dlg, IDC_HAXIS_FIRST, "1");
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(HorizontalAxisFormatDialog(gs_), 1);
    EXPECT_FALSE(unitsShownBefore);
    EXPECT_TRUE(unitsShownAfter);
    EXPECT_EQ(label, "units/sample");
    EXPECT_EQ(std::string(gs_->hUnitName), std::string("Stimulus number and more text that runs long").substr(0, 39));
    EXPECT_STREQ(gs_->hUnitAbbrev, "stimulus");
    EXPECT_DOUBLE_EQ(gs_->sampleInterval, 2.0);
    EXPECT_DOUBLE_EQ(gs_->hOffset, 1.0);
    EXPECT_EQ(gs_->hUnitKind, kHUnitUser);
}

// ---- fonts and colours ----

TEST_F(DisplayDialogs, FontsFromADescriptionReportTheirMetrics) {
    struct Row {
        const char* face;
        LONG height;
    } rows[] = {{"Arial", -16}, {"No Such Face At All", -20}, {"", 12}};
    for (const Row& r : rows) {
        LOGFONTA lf{};
        lf.lfHeight = r.height;
        std::strcpy(lf.lfFaceName, r.face);
        HFONT old = CreateFontA(-10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
        int32_t width = 0, height = 0;
        HFONT font = ChooseGraphFont(graph_, old, 1, &lf, &width, &height);
        ASSERT_TRUE(font) << r.face;  // a face that does not exist is substituted
        EXPECT_NE(font, old);
        EXPECT_FALSE(GetObjectA(old, sizeof(LOGFONTA), &lf));  // the old font is deleted
        EXPECT_GT(width, 0);
        EXPECT_GE(height, std::abs(r.height)) << r.face;
        DeleteObject(font);
    }
}

TEST_F(DisplayDialogs, FontThatCannotBeMadeIsReportedAndTheOldOneKept) {
    BoxCapture boxes;
    HFONT old = CreateFontA(-10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    int32_t width = 7, height = 9;
    EXPECT_EQ(ChooseGraphFont(graph_, old, 1, nullptr, &width, &height), nullptr);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "Can't create font!");
    LOGFONTA lf{};
    EXPECT_TRUE(GetObjectA(old, sizeof lf, &lf));  // not deleted
    EXPECT_EQ(width, 7);
    EXPECT_EQ(height, 9);
    DeleteObject(old);
}

TEST_F(DisplayDialogs, CancelledFontAndColourDialogsGiveBackWhatWasThere) {
    DialogDriver driver({[](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); },
                         [](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); }});
    HFONT old = CreateFontA(-10, 0, 0, 0, 400, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    LOGFONTA lf{};
    GetObjectA(old, sizeof lf, &lf);
    int32_t width = 3, height = 4;
    EXPECT_EQ(ChooseGraphFont(graph_, old, 0, &lf, &width, &height), old);
    EXPECT_EQ(width, 3);
    EXPECT_EQ(height, 4);
    EXPECT_EQ(ChooseGraphColor(graph_, 0x00AB12), 0x00AB12u);
    EXPECT_EQ(driver.Runs(), 2);
    DeleteObject(old);
}

}  // namespace

namespace {

// ---- Display Preferences ----

TEST_F(DisplayDialogs, DisplayPreferencesStoreTheOptionsAndMarkOnlyGraphChanges) {
    struct Row {
        std::vector<int> clicks;
        int rowsEntry, precisionEntry;  // -1: left
        int button;
        uint32_t action, draft, memory, tools;
        uint32_t interpolate;
        uint16_t pageDivisor;
        uint32_t modified;
    } rows[] = {
        {{}, -1, -1, IDOK, 1, 0, 0, 1, 0, 4, 0},                       // nothing changed
        {{IDC_PREFS_TILE}, -1, -1, IDOK, 2, 0, 0, 1, 0, 4, 1},         // tile clears autoscale
        {{IDC_PREFS_AUTOSCALE}, -1, -1, IDOK, 0, 0, 0, 1, 0, 4, 1},    // both clear: 0
        {{IDC_PREFS_PAGE_HALF}, -1, -1, IDOK, 1, 0, 0, 1, 0, 2, 0},    // page option alone
        {{IDC_PREFS_INTERPOLATE}, -1, -1, IDOK, 1, 0, 0, 1, 1, 4, 0},  // application option
        {{IDC_PREFS_DRAFT, IDC_PREFS_ALL_MEMORY, IDC_PREFS_TOOLS}, -1, -1, IDOK, 1, 1, 1, 0, 0, 4, 1},
        {{IDC_PREFS_TILE, IDC_PREFS_PAGE_FULL, IDC_PREFS_DRAFT}, 2, 4, IDCANCEL, 1, 0, 0, 1, 0, 4, 0},
    };
    for (const Row& r : rows) {
        gs_->afterTransformAction = 1;
        gs_->draftCompressed = gs_->useAllMemory = 0;
        gs_->toolsWhileRecording = 1;
        g_app->options.bInterpolatePaste = 0;
        g_nPageDivisor = 4;
        setDirtyGraphFlag(gs_, 0);
        bool autoscaleShown = false, quarterShown = false;
        DialogDriver driver({[&](HWND dlg) {
            autoscaleShown = IsDlgButtonChecked(dlg, IDC_PREFS_AUTOSCALE) == BST_CHECKED;
            quarterShown = IsDlgButtonChecked(dlg, IDC_PREFS_PAGE_QUARTER) == BST_CHECKED;
            for (int id : r.clicks) Click(dlg, id);
            if (r.rowsEntry >= 0) ChooseEntry(dlg, IDC_PREFS_ROWS, r.rowsEntry);
            if (r.precisionEntry >= 0) ChooseEntry(dlg, IDC_PREFS_PRECISION, r.precisionEntry);
            Click(dlg, r.button);
        }});
        EXPECT_EQ(DoDisplayPrefsDialog(graph_, gs_), r.button == IDOK ? 1 : 0);
        EXPECT_TRUE(autoscaleShown);
        EXPECT_TRUE(quarterShown);
        EXPECT_EQ(gs_->afterTransformAction, r.action) << r.clicks.size();
        EXPECT_EQ(gs_->draftCompressed, r.draft);
        EXPECT_EQ(gs_->useAllMemory, r.memory);
        EXPECT_EQ(gs_->toolsWhileRecording, r.tools);
        EXPECT_EQ(g_app->options.bInterpolatePaste, r.interpolate);
        EXPECT_EQ(g_nPageDivisor, r.pageDivisor);
        EXPECT_EQ(gs_->modified, r.modified) << r.clicks.size() << " " << r.button;
    }
    g_nPageDivisor = 4;
}

TEST_F(DisplayDialogs, DisplayPreferencesRebuildTheMeasurementRowsOnlyWhenTheirCountChanges) {
    const uint16_t rows = gs_->measureRows;
    ASSERT_GE(rows, 1);
    ASSERT_GE(gs_->precisionDigits, 1);
    struct Row {
        int rowsEntry;
        uint16_t precisionEntry;
        bool rebuilt;
    } cases[] = {{rows - 1, static_cast<uint16_t>(gs_->precisionDigits - 1), false}, {2, 5, true}, {2, 5, false}};
    // A rebuilt row lays the whole window out again: its top-left corner, far from the plot and
    // from the dialog, waits to be painted.
    const RECT corner{0, 0, 4, 4};
    for (const auto& c : cases) {
        UpdateWindow(graph_);
        ASSERT_FALSE(Pending(corner));
        DialogDriver driver({[&](HWND dlg) {
            ChooseEntry(dlg, IDC_PREFS_ROWS, c.rowsEntry);
            ChooseEntry(dlg, IDC_PREFS_PRECISION, c.precisionEntry);
            Click(dlg, IDOK);
        }});
        ASSERT_EQ(DoDisplayPrefsDialog(graph_, gs_), 1);
        EXPECT_EQ(gs_->measureRows, c.rowsEntry + 1);
        EXPECT_EQ(gs_->precisionDigits, c.precisionEntry + 1);
        EXPECT_EQ(Pending(corner), c.rebuilt) << c.rowsEntry;
    }
}

}  // namespace

namespace {

TEST_F(DisplayDialogs, GridPreviewDrawsTheChosenPens) {
    gs_->gridColor = 0x000000;
    gs_->gridMinorColor = 0xC0C0C0;
    SetGridFine(gs_, false);
    std::vector<uint32_t> first, red, withMinor;
    DialogDriver driver({[&](HWND dlg) {
        HWND box = GetDlgItem(dlg, IDC_GRID_PREVIEW);
        RECT r;
        GetClientRect(box, &r);
        InvalidateRect(dlg, nullptr, TRUE);
        UpdateWindow(dlg);
        first = Capture(box, r);
        ChooseEntry(dlg, IDC_GRID_MAJOR_COLOR, 9);  // red
        red = Capture(box, r);
        ChooseEntry(dlg, IDC_GRID_MINOR_COLOR, 10);  // green
        Click(dlg, IDC_GRID_MINOR_ON);
        withMinor = Capture(box, r);
        Click(dlg, IDCANCEL);
    }});
    EXPECT_EQ(GridOptionsDialog(graph_, gs_), 0);
    EXPECT_GT(CountColor(first, 0x000000), 20);
    EXPECT_EQ(CountColor(first, 0x0000FF), 0);
    EXPECT_GT(CountColor(red, 0x0000FF), 20);
    EXPECT_EQ(CountColor(red, 0x00FF00), 0);
    EXPECT_GT(CountColor(withMinor, 0x00FF00), 20);
    EXPECT_EQ(gs_->gridColor, 0x000000u);  // cancelled
}

}  // namespace

namespace {

TEST_F(DisplayDialogs, CancelledAxisFormatLeavesTheAxis) {
    gs_->hUnitKind = kHUnitUser;
    gs_->sampleInterval = 2.0;
    gs_->hOffset = 7.0;
    std::strcpy(gs_->hUnitName, "beats");
    DialogDriver driver({[&](HWND dlg) {
        EXPECT_EQ(ItemText(dlg, IDC_HAXIS_UNITS), "beats");
        Click(dlg, IDC_HAXIS_FREQUENCY);
        TypeInto(dlg, IDC_HAXIS_INTERVAL, "9");
        Click(dlg, IDCANCEL);
    }});
    EXPECT_EQ(HorizontalAxisFormatDialog(gs_), 0);
    EXPECT_EQ(gs_->hUnitKind, kHUnitUser);
    EXPECT_DOUBLE_EQ(gs_->sampleInterval, 2.0);
    EXPECT_DOUBLE_EQ(gs_->hOffset, 7.0);
    EXPECT_STREQ(gs_->hUnitName, "beats");
}

TEST_F(DisplayDialogs, AFontGoesToGraphWindowsOnly) {
    HFONT font = CreateFontA(-20, 0, 0, 0, 700, 0, 0, 0, 0, 0, 0, 0, 0, "Arial");
    UpdateWindow(graph_);
    UpdateWindow(g_app->hwndFrame);
    ApplyFontToGraphWindow(g_app->hwndFrame, font);  // not a graph window: left alone
    EXPECT_FALSE(GetUpdateRect(g_app->hwndFrame, nullptr, FALSE));
    EXPECT_FALSE(GetUpdateRect(graph_, nullptr, FALSE));
    ApplyFontToGraphWindow(graph_, font);
    RECT client;
    GetClientRect(graph_, &client);
    EXPECT_TRUE(Pending(client));
    if (gs_->markerLabelEdit) {
        EXPECT_EQ(reinterpret_cast<HFONT>(SendMessageA(gs_->markerLabelEdit, WM_GETFONT, 0, 0)), font);
    }
    DeleteObject(font);
}

}  // namespace

namespace {

// The Display menu's dialog commands through the frame, as the menu sends them.
TEST_F(DisplayDialogs, DisplayMenuItemsOpenTheirDialogs) {
    struct Row {
        UINT id;
        const char* caption;
    } rows[] = {
        {IDM_SHOW_GRID_OPTIONS, "Grid Options"},
        {IDM_PREFERENCES_GENERAL, "Display Preferences"},
        {IDM_DISPLAY_WAVE_POSITION, "Set Waveform Order"},
        {IDM_DISPLAY_HORIZONTAL_AXIS, "Set Horizontal Axis format"},
    };
    for (const Row& r : rows) {
        std::string caption;
        DialogDriver driver({[&](HWND dlg) {
            char text[64] = "";
            GetWindowTextA(dlg, text, sizeof text);
            caption = text;
            Click(dlg, IDCANCEL);
        }});
        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(r.id, 0), 0);
        EXPECT_EQ(driver.Runs(), 1) << r.caption;
        EXPECT_EQ(caption, r.caption);
    }
}

TEST_F(DisplayDialogs, ANewSampleIntervalKeepsTheViewOnTheSameSamples) {
    gs_->hUnitKind = kHUnitTime;
    gs_->sampleInterval = 5.0;
    gs_->hPerDiv = 100.0;
    gs_->hStart = 400.0;
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_HAXIS_INTERVAL, "0.01");  // 10 ms
        Click(dlg, IDOK);
    }});
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_DISPLAY_HORIZONTAL_AXIS, 0), 0);
    EXPECT_DOUBLE_EQ(gs_->sampleInterval, 10.0);
    EXPECT_DOUBLE_EQ(gs_->hPerDiv, 200.0);
    EXPECT_DOUBLE_EQ(gs_->hStart, 800.0);
}

TEST_F(DisplayDialogs, ANewWaveformOrderMovesTheChartBands) {
    gs_->displayMode = kModeChart;
    for (int p = 0; p < kMaxChannels; ++p) gs_->chanOrder[p] = static_cast<uint32_t>(p);
    Relayout();
    ASSERT_LT(gs_->chanBandRects[0].top, gs_->chanBandRects[3].top);
    DialogDriver driver({[&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
        SendMessageA(list, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(120, 2 * 16 + 8));
        SendMessageA(list, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(120, 8));
        SendMessageA(list, WM_LBUTTONUP, 0, MAKELPARAM(120, 8));
        Click(dlg, IDOK);
    }});
    setDirtyGraphFlag(gs_, 0);
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_DISPLAY_WAVE_POSITION, 0), 0);
    EXPECT_EQ(gs_->chanOrder[0], 3u);
    EXPECT_EQ(gs_->modified, 1u);
    EXPECT_LT(gs_->chanBandRects[3].top, gs_->chanBandRects[0].top);  // slot 3 now lies on top
}

TEST_F(DisplayDialogs, ACancelledFontChoiceKeepsTheTextFont) {
    HFONT font = g_app->fonts.hfontText;
    const int32_t height = g_app->fonts.cyText;
    DialogDriver driver({[](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); }});
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_DISPLAY_FONT, 0), 0);
    EXPECT_EQ(driver.Runs(), 1);
    EXPECT_EQ(g_app->fonts.hfontText, font);
    EXPECT_EQ(g_app->fonts.cyText, height);
}

}  // namespace
