// The vertical scale dialogs, free and locked, on a real graph window.
#include "tests/graph/dialogs/dialog_fixture.h"
#include "controls/tests/text_fit.h"
#include "base/lesson.h"

namespace {

class VerticalScale : public GraphDialogs {
protected:
    void SetUp() override {
        GraphDialogs::SetUp();
        for (int s : {0, 2, 4}) {
            Channel(s);
            gs_->chanVPerDiv[s] = 5.0;
            gs_->chanVCenter[s] = 0.0;
            gs_->chanVDivisions[s] = 4.0;
            gs_->chanVOffsetDiv[s] = 0.0;
            gs_->chanDecimals[s] = 2;
        }
        gs_->chanFlags[4] = 2 | kChanHidden;  // in use, hidden: 2 | 4 still counts as shown here
        gs_->chanFlags[6] = 1;                // present, not shown
        gs_->chanVPerDiv[6] = 7.0;
        gs_->selectedChan = 2;
        gs_->displayMode = kModeScope;
        Relayout();
    }
};

TEST_F(VerticalScale, FreeDialogStoresScaleMidpointAndDecimalsOfTheChannel) {
    struct Row {
        const char *scale, *mid;
        int decimalsEntry;  // -1: left
        int button;
        double perDiv, center;
        uint16_t decimals;
    } rows[] = {
        {"2", "1", -1, IDOK, 2.0, 1.0, 2},
        {"0.5", "-3.25", 3, IDOK, 0.5, -3.25, 4},
        {"1e6", "0", -1, IDOK, 1e6, 0.0, 2},
        {"2", "1", 5, IDCANCEL, 5.0, 0.0, 2},
    };
    for (const Row& r : rows) {
        gs_->chanVPerDiv[2] = 5.0;
        gs_->chanVCenter[2] = gs_->chanVOffsetDiv[2] = 0.0;
        gs_->chanDecimals[2] = 2;
        setDirtyGraphFlag(gs_, 0);
        std::string channelShown, scaleShown, unitsShown;
        int entries = 0;
        DialogDriver driver({[&](HWND dlg) {
            channelShown = ItemText(dlg, IDC_VS_CHANNEL);
            scaleShown = ItemText(dlg, IDC_VS_SCALE);
            unitsShown = ItemText(dlg, IDC_VS_SCALE_UNITS);
            entries = static_cast<int>(SendDlgItemMessageA(dlg, IDC_VS_CHANNEL, CB_GETCOUNT, 0, 0));
            TypeInto(dlg, IDC_VS_SCALE, r.scale);
            TypeInto(dlg, IDC_VS_MIDPOINT, r.mid);
            if (r.decimalsEntry >= 0) ChooseEntry(dlg, IDC_VS_PRECISION, r.decimalsEntry);
            Click(dlg, r.button);
        }});
        EXPECT_EQ(VerticalScaleDialog(graph_, gs_, -1, 0), r.button == IDOK ? 1 : 0);
        EXPECT_EQ(channelShown, std::string("2, ") + gs_->chanLabel[2]);
        EXPECT_EQ(scaleShown, "5.00");
        EXPECT_EQ(unitsShown, std::string(gs_->chanUnits[2]) + "/div");
        EXPECT_EQ(entries, 4);  // slots 0, 2, 4 and the present slot 6
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[2], r.perDiv) << r.scale;
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[2], r.center) << r.mid;
        EXPECT_DOUBLE_EQ(gs_->chanVOffsetDiv[2], r.center);
        EXPECT_EQ(gs_->chanDecimals[2], r.decimals);
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[0], 5.0);  // other channels untouched
        EXPECT_EQ(gs_->modified, r.button == IDOK ? 1u : 0u);
    }
}

TEST_F(VerticalScale, FreeDialogRefusesAScaleThatIsNotAboveZero) {
    for (const char* bad : {"0", "-1", "abc", "", "1e999"}) {
        bool okEnabled = true, openAfterOk = false;
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_VS_SCALE, bad);
            okEnabled = IsWindowEnabled(GetDlgItem(dlg, IDOK)) != FALSE;
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);  // OK by keyboard
            openAfterOk = StillOpen(dlg);
            Click(dlg, IDCANCEL);
        }});
        EXPECT_EQ(VerticalScaleDialog(graph_, gs_, 2, 0), 0) << bad;
        EXPECT_FALSE(okEnabled) << bad;
        EXPECT_TRUE(openAfterOk) << bad;
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[2], 5.0) << bad;
    }
}

TEST_F(VerticalScale, AllChannelsBoxesStoreOnlyTheirQuantityForEveryShownChannel) {
    struct Row {
        int box;                      // the box ticked
        double perDiv[3], center[3];  // slots 0, 2, 4
    } rows[] = {
        {IDC_VS_ALL_SCALE, {3.0, 3.0, 3.0}, {0.0, 0.0, 0.0}},  // the midpoint typed is not stored
        {IDC_VS_ALL_MIDPOINT, {5.0, 5.0, 5.0}, {7.0, 7.0, 7.0}},
    };
    for (const Row& r : rows) {
        for (int s : {0, 2, 4, 6}) {
            gs_->chanVPerDiv[s] = s == 6 ? 7.0 : 5.0;
            gs_->chanVCenter[s] = 0.0;
        }
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_VS_SCALE, "3");
            TypeInto(dlg, IDC_VS_MIDPOINT, "7");
            Click(dlg, r.box);
            Click(dlg, IDOK);
        }});
        ASSERT_EQ(VerticalScaleDialog(graph_, gs_, 2, 1), 1);
        const int slots[] = {0, 2, 4};
        for (int i = 0; i < 3; ++i) {
            EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[slots[i]], r.perDiv[i]) << r.box << " slot " << slots[i];
            EXPECT_DOUBLE_EQ(gs_->chanVCenter[slots[i]], r.center[i]) << r.box << " slot " << slots[i];
        }
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[6], 7.0);  // not shown: left alone
    }
}

TEST_F(VerticalScale, XYModeGreysTheAllChannelsBoxesAndSlotsTwentyToFortyHaveNoScaling) {
    Channel(25);
    struct Row {
        uint32_t mode;
        int32_t slot;
        bool boxes, scaling;
    } rows[] = {{kModeXY, 2, false, true},
                {kModeScope, 2, true, true},
                {kModeScope, 25, true, false},
                {kModeChart, 0, true, true}};
    for (const Row& r : rows) {
        gs_->displayMode = r.mode;
        bool boxes[3] = {}, scaling = false, lockedScaling = false;
        DialogDriver driver({[&](HWND dlg) {
                                 int i = 0;
                                 for (int id : {IDC_VS_ALL_SCALE, IDC_VS_ALL_MIDPOINT, IDC_VS_ALL_DECIMALS})
                                     boxes[i++] = IsWindowEnabled(GetDlgItem(dlg, id)) != FALSE;
                                 scaling = IsWindowEnabled(GetDlgItem(dlg, IDC_VS_SCALING)) != FALSE;
                                 Click(dlg, IDCANCEL);
                             },
                             [&](HWND dlg) {
                                 lockedScaling = IsWindowEnabled(GetDlgItem(dlg, IDC_VL_SCALING)) != FALSE;
                                 Click(dlg, IDCANCEL);
                             }});
        EXPECT_EQ(VerticalScaleDialog(graph_, gs_, r.slot, 0), 0);
        EXPECT_EQ(LockedVerticalScaleDialog(graph_, gs_, r.slot, 0), 0);
        for (bool b : boxes) EXPECT_EQ(b, r.boxes) << r.mode;
        EXPECT_EQ(scaling, r.scaling) << r.slot;
        EXPECT_EQ(lockedScaling, r.scaling) << r.slot;
    }
}

// Both dialogs show all they hold: every text whole, every list inside its group.
TEST_F(VerticalScale, BothDialogsShowEveryTextWholeAndEveryControlInsideItsGroup) {
    std::string free, locked;
    DialogDriver driver({[&](HWND dlg) {
                             free = JoinedProblems(TextFitProblems(dlg));
                             SaveWindowPicture(dlg, "vertical_scale");
                             Click(dlg, IDCANCEL);
                         },
                         [&](HWND dlg) {
                             locked = JoinedProblems(TextFitProblems(dlg));
                             SaveWindowPicture(dlg, "vertical_scale_locked");
                             Click(dlg, IDCANCEL);
                         }});
    EXPECT_EQ(VerticalScaleDialog(graph_, gs_, 2, 0), 0);
    EXPECT_EQ(LockedVerticalScaleDialog(graph_, gs_, 2, 0), 0);
    EXPECT_EQ(driver.Runs(), 2);
    EXPECT_EQ(free, "");
    EXPECT_EQ(locked, "");
}

TEST_F(VerticalScale, LockedDialogTakesLimitsOrRangeAndRefusesEmptyRanges) {
    struct Row {
        uint32_t rangeMode;
        const char *upper, *lower, *major, *base;
        bool accepted;
        int refusedField;
        double perDiv, center, divisions, offset;
    } rows[] = {
        {0, "10", "0", "2", "1", true, 0, 2.0, 5.0, 5.0, 1.0},
        {0, "0", "10", "2", "0", true, 0, 2.0, 5.0, 5.0, 0.0},     // wrong order: swapped
        {0, "10", "0", "-2.5", "0", true, 0, 2.5, 5.0, 4.0, 0.0},  // a negative division counts as positive
        {0, "4", "4", "2", "0", false, IDC_VL_UPPER, 5.0, 0.0, 4.0, 0.0},
        {0, "10", "0", "0", "0", false, IDC_VL_MAJOR, 5.0, 0.0, 4.0, 0.0},
        {0, "10", "0", "abc", "0", false, IDC_VL_MAJOR, 5.0, 0.0, 4.0, 0.0},
        {1, "8", "1", "2", "0", true, 0, 2.0, 1.0, 4.0, 0.0},
        {1, "0", "1", "2", "0", false, IDC_VL_UPPER, 5.0, 0.0, 4.0, 0.0},
        {1, "-6", "1", "2", "0", false, IDC_VL_UPPER, 5.0, 0.0, 4.0, 0.0},
    };
    gs_->gridLocked = 1;
    for (const Row& r : rows) {
        gs_->gridExtra = r.rangeMode;
        gs_->chanVPerDiv[2] = 5.0;
        gs_->chanVCenter[2] = gs_->chanVOffsetDiv[2] = 0.0;
        gs_->chanVDivisions[2] = 4.0;
        std::string upperLabel, upperShown, lowerShown;
        bool refusedOpen = false;
        HWND focus = nullptr, refused = nullptr;
        DialogDriver driver({[&](HWND dlg) {
            upperLabel = ItemText(dlg, IDC_VL_UPPER_LABEL);
            upperShown = ItemText(dlg, IDC_VL_UPPER);
            lowerShown = ItemText(dlg, IDC_VL_LOWER);
            TypeInto(dlg, IDC_VL_UPPER, r.upper);
            TypeInto(dlg, IDC_VL_LOWER, r.lower);
            TypeInto(dlg, IDC_VL_BASE, r.base);
            TypeInto(dlg, IDC_VL_MAJOR, r.major);
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);  // Enter, with the focus still in the field
            if (StillOpen(dlg)) {
                refusedOpen = true;
                focus = GetFocus();
                refused = GetDlgItem(dlg, r.refusedField);
                Click(dlg, IDCANCEL);
            }
        }});
        ClickScaleStrip(2);
        ASSERT_EQ(driver.Runs(), 1) << r.upper << " " << r.lower;
        EXPECT_EQ(upperLabel, r.rangeMode ? "&Range:" : "&Upper:");
        EXPECT_EQ(upperShown, r.rangeMode ? "20.00" : "10.00");
        EXPECT_EQ(lowerShown, r.rangeMode ? "0.00" : "-10.00");
        EXPECT_EQ(refusedOpen, !r.accepted);
        if (!r.accepted) {
            EXPECT_EQ(focus, refused) << r.upper << " " << r.lower << " " << r.major;
        }
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[2], r.perDiv) << r.upper << " " << r.lower << " " << r.major;
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[2], r.center);
        EXPECT_DOUBLE_EQ(gs_->chanVDivisions[2], r.divisions);
        EXPECT_DOUBLE_EQ(gs_->chanVOffsetDiv[2], r.offset);
    }
}

TEST_F(VerticalScale, LockedAllChannelsKeepOwnRangeOrTakeTheChosenOne) {
    gs_->gridLocked = 1;
    gs_->gridExtra = 0;
    struct Row {
        int box;
        double perDiv0, divisions0, center0;  // slot 0 starts at 5 per division, 4 divisions, centre 0
    } rows[] = {
        {IDC_VL_ALL_MAJOR, 2.0, 10.0, 0.0},  // keeps its range of 20 at 2 per division
        {IDC_VL_ALL_LIMITS, 5.0, 2.0, 5.0},  // takes the chosen range 0..10
    };
    for (const Row& r : rows) {
        for (int s : {0, 2, 4}) {
            gs_->chanVPerDiv[s] = 5.0;
            gs_->chanVDivisions[s] = 4.0;
            gs_->chanVCenter[s] = 0.0;
        }
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_VL_MAJOR, "2");
            TypeInto(dlg, IDC_VL_UPPER, "10");
            TypeInto(dlg, IDC_VL_LOWER, "0");
            TypeInto(dlg, IDC_VL_BASE, "1");
            Click(dlg, r.box);
            Click(dlg, IDOK);
        }});
        ASSERT_EQ(LockedVerticalScaleDialog(graph_, gs_, 2, 0), 1);
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[0], r.perDiv0) << r.box;
        EXPECT_DOUBLE_EQ(gs_->chanVDivisions[0], r.divisions0) << r.box;
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[0], r.center0) << r.box;
        EXPECT_DOUBLE_EQ(gs_->chanVOffsetDiv[4], 1.0) << r.box;
    }
}

TEST_F(VerticalScale, ANewScaleRedrawsTheScaleStrip) {
    const RECT strip = gs_->chanScaleRects[2];
    ASSERT_GT(strip.right - strip.left, 0);
    const std::vector<uint32_t> before = Capture(graph_, strip);
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_VS_SCALE, "0.01");
        TypeInto(dlg, IDC_VS_MIDPOINT, "123");
        Click(dlg, IDOK);
    }});
    ASSERT_EQ(VerticalScaleDialog(graph_, gs_, 2, 0), 1);
    EXPECT_TRUE(Pending(strip));
    if (g_app->hAcq) {
        EXPECT_EQ(g_refreshes, 1);
    }
    const std::vector<uint32_t> after = Capture(graph_, strip);
    EXPECT_NE(before, after);
}

// In Chart mode a band's scale strip opens the dialog for the band's own channel, free or locked
// as the grid is; without the lesson's "VSCALE" the strips open nothing.
TEST_F(VerticalScale, AScaleStripClickOpensTheDialogOfItsBandsChannel) {
    gs_->displayMode = kModeChart;
    for (int p = 0; p < kMaxChannels; ++p) gs_->chanOrder[p] = static_cast<uint32_t>(p);
    gs_->chanFlags[4] = 2;
    Relayout();
    struct Row {
        uint32_t locked;
        int slot;
        uint16_t allowed;
        int runs;
    } rows[] = {{0, 0, 1, 1}, {0, 4, 1, 1}, {1, 0, 1, 1}, {0, 0, 0, 0}};
    for (const Row& r : rows) {
        gs_->gridLocked = r.locked;
        g_script.permissions[kPermVScale] = r.allowed;
        std::string channel, lockedLabel;
        DialogDriver driver({[&](HWND dlg) {
            channel = ItemText(dlg, r.locked ? IDC_VL_CHANNEL : IDC_VS_CHANNEL);
            lockedLabel = ItemText(dlg, IDC_VL_UPPER_LABEL);
            Click(dlg, IDCANCEL);
        }});
        ClickScaleStrip(r.slot);
        ResetScriptPermissions();
        const int at = static_cast<int>(&r - rows);
        ASSERT_EQ(driver.Runs(), r.runs) << "row " << at;
        if (!r.runs) continue;
        EXPECT_EQ(channel, std::to_string(r.slot) + ", " + gs_->chanLabel[r.slot]) << "row " << at;
        EXPECT_EQ(lockedLabel, r.locked ? "&Upper:" : "") << "row " << at;
    }
}

}  // namespace

namespace {

int g_unitsCalls = 0;
unsigned g_unitsSlot = 99;
int WINAPI FakeUnitsSetup(HWND, HGLOBAL, unsigned slot) {
    ++g_unitsCalls;
    g_unitsSlot = slot;
    return 1;
}

TEST_F(VerticalScale, ScalingButtonOpensTheUnitsSetUpOfTheChosenChannel) {
    const SetupUnitsDlgProc saved = DeviceBindingForTests().pfnSetupUnitsDlg;
    DeviceBindingForTests().pfnSetupUnitsDlg = FakeUnitsSetup;
    g_unitsCalls = 0;
    std::string minor;
    DialogDriver driver({[&](HWND dlg) {
                             ChooseEntry(dlg, IDC_VS_CHANNEL, 2);  // the third entry: slot 4
                             Click(dlg, IDC_VS_SCALING);
                             Click(dlg, IDCANCEL);
                         },
                         [&](HWND dlg) {
                             minor = ItemText(dlg, IDC_VL_MINOR);
                             Click(dlg, IDC_VL_SCALING);
                             Click(dlg, IDCANCEL);
                         }});
    SetGridFine(gs_, true);
    EXPECT_EQ(VerticalScaleDialog(graph_, gs_, 0, 0), 0);
    EXPECT_EQ(LockedVerticalScaleDialog(graph_, gs_, 2, 0), 0);
    DeviceBindingForTests().pfnSetupUnitsDlg = saved;
    EXPECT_EQ(g_unitsCalls, 2);
    EXPECT_EQ(g_unitsSlot, 2u);
    EXPECT_EQ(minor, "ON");
}

// Scales far beyond any signal are taken as typed (OK by the keyboard, the focus still in the
// field), and the graph still draws with them.
TEST_F(VerticalScale, HugeScalesAreStoredAndDrawn) {
    struct Row {
        const char *scale, *mid;
        double perDiv, center;
    } rows[] = {{"1e300", "-1e300", 1e300, -1e300}, {"1e-300", "1e300", 1e-300, 1e300}, {"2", "1e300", 2.0, 1e300}};
    for (const Row& r : rows) {
        DialogDriver driver({[&](HWND dlg) {
            TypeInto(dlg, IDC_VS_MIDPOINT, r.mid);
            TypeInto(dlg, IDC_VS_SCALE, r.scale);
            SendMessageA(dlg, WM_COMMAND, IDOK, 0);
        }});
        ASSERT_EQ(VerticalScaleDialog(graph_, gs_, 2, 0), 1) << r.scale;
        EXPECT_EQ(driver.LeftOpen(), 0);
        EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[2], r.perDiv);
        EXPECT_DOUBLE_EQ(gs_->chanVCenter[2], r.center);
        Relayout();
        EXPECT_TRUE(IsWindow(graph_));
    }
}

// A scale too small for the digits shown reads back as 0 once the field is left: OK greys.
TEST_F(VerticalScale, AScaleBelowTheShownDigitsIsRefusedOnceShown) {
    bool okEnabled = true;
    DialogDriver driver({[&](HWND dlg) {
        TypeInto(dlg, IDC_VS_SCALE, "0.0001");
        TypeInto(dlg, IDC_VS_MIDPOINT, "1");  // leaving the scale shows it with 2 digits
        okEnabled = IsWindowEnabled(GetDlgItem(dlg, IDOK)) != FALSE;
        Click(dlg, IDOK);
    }});
    EXPECT_EQ(VerticalScaleDialog(graph_, gs_, 2, 0), 0);
    EXPECT_FALSE(okEnabled);
    EXPECT_EQ(driver.LeftOpen(), 1);
    EXPECT_DOUBLE_EQ(gs_->chanVPerDiv[2], 5.0);
}

}  // namespace
