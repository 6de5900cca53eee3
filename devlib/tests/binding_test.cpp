// The binding through VK40.dll's real exports and the operation table it fills.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

int g_scriptObject;  // stands for the program's loaded lesson script
void* const kScript = &g_scriptObject;

// Entries the library writes; the program keeps entry 0 and every other one is left as it was.
constexpr int kLibraryEntries[] = {1, 3, 6, 7, 8, 9, 11, 13, 14, 15, 16, 17, 18, 19, 20, 21, 22};

bool IsLibraryEntry(int slot) {
    for (int entry : kLibraryEntries) {
        if (entry == slot) return true;
    }
    return false;
}

void* Sentinel(int slot) { return reinterpret_cast<void*>(static_cast<uintptr_t>(0x5EA0000 + slot)); }

// A frame with the device menu, a host table of recorders and a bound library.
class VK40Bound : public ::testing::Test {
protected:
    void SetUp() override {
        Recorder() = stHostRecorder{};
        frame = CreateFrameWithMenu();
        ASSERT_NE(frame, nullptr);
        host = MakeRecordingHost(kScript);
        void* slots[kDriverOpSlots];
        for (int i = 0; i < kDriverOpSlots; ++i) slots[i] = Sentinel(i);
        memcpy(&ops, slots, sizeof(ops));
        result = vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1);
    }

    void TearDown() override {
        if (ops.shutdownDriver && ops.shutdownDriver != Sentinel(9)) ops.shutdownDriver();
        DestroyWindow(frame);
    }

    // Every record's label and units, for seeing which one a command touched.
    std::string ChannelTexts() {
        AcqView acq(hAcq);
        std::string all;
        for (const stAcqChan& chan : acq->chans) {
            all.append(chan.label, sizeof(chan.label));
            all.append(chan.units, sizeof(chan.units));
        }
        return all;
    }

    void ClearChannelTexts() {
        AcqView acq(hAcq);
        for (stAcqChan& chan : acq->chans) {
            memset(chan.label, 0, sizeof(chan.label));
            memset(chan.units, 0, sizeof(chan.units));
        }
    }

    HWND frame = nullptr;
    stHostCallbacks host{};
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    int32_t result = -1;
};

// ---- vk40_Initialize ----

TEST_F(VK40Bound, InitializeWritesItsOwnEntriesAndNoOther) {
    ASSERT_EQ(result, 1);
    const std::vector<void*> slots = Slots(ops);
    for (int i = 0; i < kDriverOpSlots; ++i) {
        if (IsLibraryEntry(i)) {
            EXPECT_NE(slots[i], nullptr) << "entry " << i;
            EXPECT_NE(slots[i], Sentinel(i)) << "entry " << i;
        } else {
            EXPECT_EQ(slots[i], Sentinel(i)) << "entry " << i;
        }
    }
}

TEST_F(VK40Bound, InitializeWithoutUnitAnswersLevelAndAnUnlockedMoveableRecord) {
    EXPECT_EQ(result, 1);
    EXPECT_EQ(level, 80);
    ASSERT_NE(hAcq, nullptr);

    const UINT flags = GlobalFlags(hAcq);
    EXPECT_NE(flags, GMEM_INVALID_HANDLE);
    EXPECT_EQ(flags & GMEM_LOCKCOUNT, 0u) << "initialisation leaves no lock behind";
    EXPECT_EQ(flags & GMEM_DISCARDED, 0u);
    EXPECT_GE(GlobalSize(hAcq), sizeof(stAcq));

    AcqView acq(hAcq);
    ASSERT_NE(acq.get(), nullptr);
    EXPECT_NE(static_cast<void*>(acq.get()), static_cast<void*>(hAcq)) << "a moveable block's handle is no pointer";
    EXPECT_EQ(acq->drawColorMode, 8);
    EXPECT_EQ(acq->warnOnOverwrite, 1);
    EXPECT_EQ(acq->run.attachedGraph, nullptr);
    EXPECT_EQ(acq->run.running, 0);
}

TEST_F(VK40Bound, ChannelCountsFollowTheFirstModelWithoutADriverSetting) {
    EXPECT_EQ(NDChan, 0);
    EXPECT_EQ(NChanTotal, NDChan + 16);
    EXPECT_FALSE(IsWindow(hwndGetDlg));
}

// ---- The idle turn ----

TEST_F(VK40Bound, IdleRunsTheLessonSubroutineOnlyWhileAGraphIsAttached) {
    ASSERT_EQ(result, 1);
    auto gs = MakeGraph();

    EXPECT_EQ(ops.onIdleAcquisition(hAcq, nullptr), 1);
    EXPECT_TRUE(Recorder().scriptCalls.empty()) << "no graph attached yet";

    ASSERT_EQ(ops.onGraphActivated(hAcq, gs.get(), 0), 1);
    EXPECT_EQ(ops.onIdleAcquisition(hAcq, nullptr), 1);
    ASSERT_EQ(Recorder().scriptCalls.size(), 1u);
    EXPECT_EQ(Recorder().scriptCalls[0].script, kScript);
    EXPECT_EQ(Recorder().scriptCalls[0].name, "OnIdleAcquisition");
    EXPECT_EQ(Recorder().scriptCalls[0].flags, 0);

    ASSERT_EQ(ops.onGraphClosed(hAcq), 1);
    EXPECT_EQ(ops.onIdleAcquisition(hAcq, nullptr), 1);
    EXPECT_EQ(Recorder().scriptCalls.size(), 1u) << "the closed graph is detached";
    EXPECT_EQ(Recorder().unexpectedCalls, 0);
}

TEST_F(VK40Bound, IdleUsesTheCopyOfTheHostTableTakenAtBinding) {
    ASSERT_EQ(result, 1);
    auto gs = MakeGraph();
    ASSERT_EQ(ops.onGraphActivated(hAcq, gs.get(), 0), 1);

    // The program's own table changing later must not reach the library.
    memset(&host, 0, sizeof(host));
    EXPECT_EQ(ops.onIdleAcquisition(hAcq, nullptr), 1);
    ASSERT_EQ(Recorder().scriptCalls.size(), 1u);
    EXPECT_EQ(Recorder().scriptCalls[0].script, kScript);
}

TEST_F(VK40Bound, OperationsOnANullRecordDoNothingAndAnswerAsUsual) {
    ASSERT_EQ(result, 1);
    auto gs = MakeGraph();
    EXPECT_EQ(ops.onIdleAcquisition(nullptr, nullptr), 1);
    EXPECT_EQ(ops.onDriverCommand(nullptr, frame, IDM_CHANNEL_LABEL, "x", 1), 1);
    EXPECT_EQ(ops.onDriverCommand(nullptr, frame, IDC_START_BUTTON, nullptr, 0), 1);
    EXPECT_EQ(ops.refreshInputValues(nullptr, 0), 1);
    EXPECT_EQ(ops.paintGraphStatus(nullptr, gs.get(), 0), 1);
    EXPECT_EQ(ops.onGraphResized(nullptr, gs.get()), 1);
    EXPECT_EQ(ops.onGraphCreated(nullptr, nullptr, gs.get(), 0, 0), 0);
    EXPECT_EQ(ops.onGraphActivated(nullptr, gs.get(), 0), 1);
    EXPECT_EQ(ops.onGraphClosed(nullptr), 1);
    ops.hideDriverPanels(nullptr);
    ops.hideGraphButton(nullptr);
    EXPECT_TRUE(Recorder().scriptCalls.empty());
    EXPECT_EQ(Recorder().unexpectedCalls, 0);
}

// ---- Commands ----

struct stToggleCase {
    int32_t id;
    bool startsOn;
};

TEST_F(VK40Bound, MenuTogglesFlipTheirFlagAndCheckMark) {
    ASSERT_EQ(result, 1);
    const stToggleCase cases[] = {
        {IDM_AUTOPLOT, true},
        {IDM_AUTOSCROLL, true},
        {IDM_WARNINGONOVERWRITE, true},
        {IDM_ELECTRODE, false},
    };
    for (const stToggleCase& c : cases) {
        SCOPED_TRACE(c.id);
        EXPECT_EQ(ops.onDriverCommand(hAcq, frame, c.id, nullptr, 0), 1);
        EXPECT_EQ(IsMenuItemChecked(frame, static_cast<UINT>(c.id)), !c.startsOn);
        EXPECT_EQ(ops.onDriverCommand(hAcq, frame, c.id, nullptr, 0), 1);
        EXPECT_EQ(IsMenuItemChecked(frame, static_cast<UINT>(c.id)), c.startsOn);
    }
}

TEST_F(VK40Bound, WarnOnOverwriteCommandTogglesTheRecordsFlag) {
    ASSERT_EQ(result, 1);
    ops.onDriverCommand(hAcq, frame, IDM_WARNINGONOVERWRITE, nullptr, 0);
    EXPECT_EQ(AcqView(hAcq)->warnOnOverwrite, 0);
    ops.onDriverCommand(hAcq, frame, IDM_WARNINGONOVERWRITE, nullptr, 0);
    EXPECT_EQ(AcqView(hAcq)->warnOnOverwrite, 1);
}

TEST_F(VK40Bound, WarnOnOverwriteReachesTheAttachedGraph) {
    ASSERT_EQ(result, 1);
    auto gs = MakeGraph();
    gs->overwriteWarning = 7;
    ASSERT_EQ(ops.onGraphActivated(hAcq, gs.get(), 0), 1);
    ops.onDriverCommand(hAcq, frame, IDM_WARNINGONOVERWRITE, nullptr, 0);
    EXPECT_EQ(gs->overwriteWarning, 0u);
    ops.onDriverCommand(hAcq, frame, IDM_WARNINGONOVERWRITE, nullptr, 0);
    EXPECT_EQ(gs->overwriteWarning, 1u);
}

TEST_F(VK40Bound, GraphResizeMovesTheStartButtonToItsRectangle) {
    ASSERT_EQ(result, 1);
    HWND button = CreatePanelWindow(frame);
    AcqView(hAcq)->run.hwndStartButton = button;
    auto gs = MakeGraph();
    EXPECT_EQ(ops.onGraphResized(hAcq, gs.get()), 1);  // not laid out: the button stays
    RECT before;
    GetWindowRect(button, &before);
    gs->startButtonRect = RECT{100, 40, 0, 65};
    EXPECT_EQ(ops.onGraphResized(hAcq, gs.get()), 1);
    RECT after;
    GetWindowRect(button, &after);
    EXPECT_EQ(after.left, 99);
    EXPECT_EQ(after.top, 40);
    EXPECT_EQ(after.right - after.left, 50);
    EXPECT_EQ(after.bottom - after.top, 25);
    DestroyWindow(button);
}

struct stChannelTextCase {
    int32_t slot;
    int recordVK40;  // -1: no record changes
    int recordVK45;
};

// Records: 4 analog, then NDChan digital (none on the first model, 8 on the second), then 12
// calculation. Each slot reaches its own channel's record and no other.
TEST_F(VK40Bound, ChannelLabelAndUnitsGoToTheRecordOfTheirSlot) {
    ASSERT_EQ(result, 1);
    const stChannelTextCase cases[] = {
        {1, 0, 0},    {2, 1, 1},     {4, 3, 3},       {0, -1, -1},      {-3, -1, -1}, {5, -1, -1},  {19, -1, -1},
        {20, -1, 4},  {23, -1, 7},   {27, -1, 11},    {28, -1, -1},     {35, -1, -1}, {36, -1, -1}, {37, -1, -1},
        {38, -1, -1}, {39, -1, -1},  {40, 4, 12},     {45, 9, 17},      {51, 15, 23}, {52, -1, -1}, {53, -1, -1},
        {60, -1, -1}, {200, -1, -1}, {0x10002, 1, 1}, {0x10028, 4, 12},
    };
    const int32_t savedDigital = NDChan;
    for (const int32_t digital : {0, 8}) {
        NDChan = digital;
        for (const int32_t id : {IDM_CHANNEL_LABEL, IDM_CHANNEL_UNITS}) {
            for (const stChannelTextCase& c : cases) {
                const int record = digital ? c.recordVK45 : c.recordVK40;
                SCOPED_TRACE(testing::Message() << id << " slot " << c.slot << " digital " << digital);
                ClearChannelTexts();
                const std::string before = ChannelTexts();
                EXPECT_EQ(ops.onDriverCommand(hAcq, frame, id, "Force", c.slot), 1);
                if (record < 0) {
                    EXPECT_EQ(ChannelTexts(), before);
                    continue;
                }
                {
                    AcqView acq(hAcq);
                    stAcqChan& chan = acq->chans[record];
                    char* field = id == IDM_CHANNEL_LABEL ? chan.label : chan.units;
                    EXPECT_STREQ(field, "Force");
                    memset(field, 0, sizeof("Force"));
                }
                EXPECT_EQ(ChannelTexts(), before) << "nothing else changed";
            }
        }
    }
    NDChan = savedDigital;
}

TEST_F(VK40Bound, ChannelTextsAreCutToTheirFields) {
    ASSERT_EQ(result, 1);
    const std::string longText(100, 'L');
    ops.onDriverCommand(hAcq, frame, IDM_CHANNEL_LABEL, longText.c_str(), 1);
    ops.onDriverCommand(hAcq, frame, IDM_CHANNEL_UNITS, longText.c_str(), 1);
    AcqView acq(hAcq);
    EXPECT_EQ(std::string(acq->chans[0].label), std::string(39, 'L'));
    EXPECT_EQ(std::string(acq->chans[0].units), std::string(19, 'L'));
}

// ---- Panels and the Start button ----

TEST_F(VK40Bound, HideDriverPanelsHidesEveryPanelAndClearsTheElectrodeCheck) {
    ASSERT_EQ(result, 1);
    HWND panels[7];
    for (HWND& panel : panels) panel = CreatePanelWindow(frame);
    {
        AcqView acq(hAcq);
        acq->run.hwndInputValues = panels[0];
        acq->hwndManualControl = panels[1];
        acq->hwndAcqSetup = panels[2];
        acq->hwndTrigger = panels[3];
        acq->hwndChannelSetup = panels[4];
        acq->hwndStimulator = panels[5];
        acq->hwndElectrodeCheck = panels[6];
    }
    ops.onDriverCommand(hAcq, frame, IDM_ELECTRODE, nullptr, 0);
    ASSERT_TRUE(IsMenuItemChecked(frame, IDM_ELECTRODE));

    ops.hideDriverPanels(hAcq);
    for (HWND panel : panels) EXPECT_FALSE(IsWindowVisible(panel));
    EXPECT_FALSE(IsMenuItemChecked(frame, IDM_ELECTRODE));

    // The flag was cleared with the mark: the next command shows the checker again.
    ops.onDriverCommand(hAcq, frame, IDM_ELECTRODE, nullptr, 0);
    EXPECT_TRUE(IsMenuItemChecked(frame, IDM_ELECTRODE));
    ops.onDriverCommand(hAcq, frame, IDM_ELECTRODE, nullptr, 0);
    for (HWND panel : panels) DestroyWindow(panel);
}

TEST_F(VK40Bound, HideGraphButtonHidesTheStartButton) {
    ASSERT_EQ(result, 1);
    HWND button = CreatePanelWindow(frame);
    AcqView(hAcq)->run.hwndStartButton = button;
    ops.hideGraphButton(hAcq);
    EXPECT_FALSE(IsWindowVisible(button));
    DestroyWindow(button);
}

// The entries given nothing of theirs to act on: no statement, no Input Values pane, a graph
// that is not the attached one, and the file write, which the library leaves alone. What they do
// with work to do is checked by the script words, values and set-up block tests; the device
// menu's merge by the menus test; the stored value and the face brush by the internals test.
TEST_F(VK40Bound, OperationsWithNothingToActOnAnswerWhatTheTableSays) {
    ASSERT_EQ(result, 1);
    auto gs = MakeGraph();
    EXPECT_EQ(ops.onWriteFile(0), 1);
    EXPECT_EQ(ops.execDriverScriptLine(hAcq, nullptr), 0);
    EXPECT_EQ(ops.refreshInputValues(hAcq, 0), 1);
    EXPECT_EQ(ops.storeSetupInGraph(hAcq, gs.get()), 1);
    EXPECT_EQ(ops.onGraphCreated(hAcq, nullptr, gs.get(), 0, 0), 1);
}

// ---- Shut-down ----

TEST_F(VK40Bound, ShutdownFreesTheRecordEvenWithLocksLeftOnIt) {
    ASSERT_EQ(result, 1);
    for (int i = 0; i < 3; ++i) ASSERT_NE(GlobalLock(hAcq), nullptr);
    ASSERT_EQ(GlobalFlags(hAcq) & GMEM_LOCKCOUNT, 3u);

    EXPECT_EQ(ops.shutdownDriver(), 1);
    EXPECT_EQ(GlobalFlags(hAcq), static_cast<UINT>(GMEM_INVALID_HANDLE));
    EXPECT_EQ(ops.shutdownDriver(), 1) << "a second shut-down finds nothing to free";
    ops.shutdownDriver = nullptr;
}

// ---- Scaling ----

struct stScalingCase {
    double in1, v1, in2, v2, gain;
    double factor, offset, range;
};

TEST_F(VK40Bound, ScalingTableFollowsTheAnalogCalibrationPoints) {
    ASSERT_EQ(result, 1);
    const stScalingCase cases[kAnalogChannels] = {
        {0.0, 0.0, 1.0, 100.0, 1000.0, 0.01, 0.0, 1000.0},
        {1.0, 0.0, 3.0, 10.0, 10.0, 0.2, 5.0, 5000.0},
        {1.0, 4.0, 3.0, 4.0, 10.0, 0.0, -2.0, 0.0},  // no slope
        {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0},    // untouched record
    };
    {
        AcqView acq(hAcq);
        for (int i = 0; i < kAnalogChannels; ++i) {
            stAcqChan& chan = acq->chans[i];
            chan.inValue1 = cases[i].in1;
            chan.unitValue1 = cases[i].v1;
            chan.inValue2 = cases[i].in2;
            chan.unitValue2 = cases[i].v2;
            chan.gain = cases[i].gain;
        }
    }
    ApplyChannelParams();
    for (uint32_t n = 1; n <= kAnalogChannels; ++n) {
        SCOPED_TRACE(n);
        const stScalingCase& c = cases[n - 1];
        EXPECT_NEAR(getScalingFactor(n), c.factor, 1e-12);
        EXPECT_NEAR(getOffsetByScalingInUnits(n), c.offset, 1e-9);
        EXPECT_NEAR(getRangeOfAllowedValues(n), c.range, 1e-6);
    }
    for (uint32_t n : {0u, 5u, 60u}) {
        SCOPED_TRACE(n);
        EXPECT_EQ(getScalingFactor(n), 0.0);
        EXPECT_EQ(getOffsetByScalingInUnits(n), 0.0);
        EXPECT_EQ(getRangeOfAllowedValues(n), 0.0);
    }
}

// The program's entry to the scaling dialog, through the library's export: the dialog comes up
// on the graph channel's record and OK changes that record alone.
TEST_F(VK40Bound, SetupUnitsDialogOpensOnTheGraphChannelsRecord) {
    ASSERT_EQ(result, 1);
    const std::string before = ChannelTexts();
    std::string heading;
    CModalDriver driver(IDC_SCALE_UNITS, [&](HWND dlg) {
        heading = ControlText(dlg, IDC_SCALE_HEADING);
        SetDlgItemTextA(dlg, IDC_SCALE_UNITS, "mmHg");
        Click(dlg, IDOK);
    });
    EXPECT_EQ(VK40SetupUnitsDlg(frame, hAcq, 3), 1);
    ASSERT_TRUE(driver.ran);
    EXPECT_FALSE(driver.leftOpen);
    EXPECT_EQ(heading, "CH3, ");
    AcqView acq(hAcq);
    EXPECT_STREQ(acq->chans[2].units, "mmHg");
    for (int i = 0; i < kMaxChanRecords; ++i) {
        if (i != 2) {
            EXPECT_STRNE(acq->chans[i].units, "mmHg") << i;
        }
    }
    EXPECT_NE(before, ChannelTexts());
}

TEST_F(VK40Bound, FreshStartHasTheFirstInputOnAndTheBuiltinPresets) {
    ASSERT_EQ(result, 1);
    AcqView acq(hAcq);
    for (int i = 0; i < NChanTotal; ++i) EXPECT_EQ(acq->chans[i].flags, i == 0 ? 14u : 0u) << i;
    EXPECT_GE(acq->presets.count, 16) << "from the presets file beside the program, or built in";
    EXPECT_NE(acq->presets.hRecords, nullptr);
}

// ---- Exports outside the table ----

TEST(VK40Documents, SetDirtyGraphFlagStoresTheValueAndAnswersIt) {
    auto gs = MakeGraph();
    for (int32_t value : {1, 0, 1}) {
        EXPECT_EQ(setDirtyGraphFlag(gs.get(), value), value);
        EXPECT_EQ(gs->modified, static_cast<uint32_t>(value));
    }
    EXPECT_EQ(setDirtyGraphFlag(nullptr, 1), 0);
}

TEST(VK40Texts, TextsComeFromTheTablesAndMissingKeysAnswerNull) {
    EXPECT_STREQ(getMsgBoxText("Warning"), "Warning");
    EXPECT_STREQ(getMsgBoxText("Menu Transform Key"), "&Transform");
    EXPECT_EQ(getMsgBoxText("Not a key of the table"), nullptr);
    EXPECT_STREQ(getHLabelText("seconds"), "seconds");
    EXPECT_EQ(getHLabelText("Warning"), nullptr);
    EXPECT_EQ(GetDlgMultiTextItem(IDD_CHANNEL_SETUP, "Input"), nullptr);
    EXPECT_STREQ(GetMenuStrKey(1003), "&Transform");
    EXPECT_EQ(AdjustMenuByContainerData(5002, nullptr), 0);
}

TEST(VK40Texts, MenuLabelsKeepTheirDefaultsAndNewEntries) {
    EXPECT_STREQ(mlgetName(2200, 0), "Undo\tCtrl+Z");
    EXPECT_STREQ(mlgetName(2443, 0), "Show Y-Scale");
    EXPECT_EQ(mlgetName(2200, 1), nullptr) << "sub-ids must match";

    static uint32_t nextId = 7001;  // a fresh id on every run in this process
    const uint32_t id = nextId++;
    mlset(id, 0, "Not created", 0);
    EXPECT_EQ(mlgetName(id, 0), nullptr);
    mlset(id, 0, "Created", 1);
    EXPECT_STREQ(mlgetName(id, 0), "Created");
    mlset(id, 0, "Renamed", 0);
    EXPECT_STREQ(mlgetName(id, 0), "Renamed");

    const std::string longText(200, 'm');
    mlset(7002, 3, longText.c_str(), 1);
    EXPECT_EQ(std::string(mlgetName(7002, 3)), std::string(119, 'm'));
}

TEST(VK40Lessons, NoLessonIsKnownBeforeTheListIsBuilt) {
    EXPECT_EQ(FillUpLessonDescriptions("C:\\Lessons"), 0);
    EXPECT_EQ(GetLessonFileName("Lesson 1"), nullptr);
    EXPECT_EQ(GetDisplayNameByWorkingName("C:\\Lessons\\L01\\L01"), nullptr);
}

}  // namespace

TEST_F(VK40Bound, TranslateWindowsFillsTheSetupListsOfTheOpenWindows) {
    ASSERT_EQ(result, 1);
    HWND setup = MakePanelWithCombos({1018, 1019, 601, 633, 605, 606});
    HWND trigger = MakePanelWithCombos({621, 622});
    {
        AcqView acq(hAcq);
        acq->hwndAcqSetup = setup;
        acq->hwndTrigger = trigger;
    }
    TranslateDLLWindows();
    EXPECT_EQ(ComboItems(setup, 1018), "Record|Record Last");
    EXPECT_EQ(ComboItems(setup, 1019), "Save Once|Autosave File|Append");
    EXPECT_EQ(ComboItems(setup, 601), "Hard Disk|PC Memory");
    EXPECT_EQ(ComboItems(setup, 633), "samples|msec|seconds|minutes|hours");
    EXPECT_EQ(ComboItems(setup, 605), "seconds|minutes|hours");
    EXPECT_EQ(ComboItems(setup, 606), "for|forever");
    // Without a unit the first model's trigger sources are offered.
    EXPECT_EQ(ComboItems(trigger, 621), "Off|CH 4");
    EXPECT_EQ(ComboItems(trigger, 622), "Neg Edge|Pos Edge");
    {
        AcqView acq(hAcq);
        acq->hwndAcqSetup = nullptr;
        acq->hwndTrigger = nullptr;
    }
    DestroyWindow(setup);
    DestroyWindow(trigger);
    TranslateDLLWindows();  // no window open: nothing to do
}
