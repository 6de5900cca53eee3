// The device binding: which operations wait for a bound unit, that each passes the unit record,
// and that an empty table or a missing library answers 0 without calling anything.
#include <gtest/gtest.h>
#include <windows.h>
#include <functional>
#include <vector>

#include "base/app.h"
#include "base/device.h"

namespace {

// What the fake library saw of the last call.
struct Seen {
    int calls = 0;
    HGLOBAL acq = nullptr;
    HWND window = nullptr;
    tagGS* gs = nullptr;
    int32_t number = -1;
};
Seen g_seen;
constexpr int32_t kAnswer = 7;

int32_t Note(HGLOBAL acq, HWND window = nullptr, tagGS* gs = nullptr, int32_t number = -1) {
    ++g_seen.calls;
    g_seen.acq = acq;
    g_seen.window = window;
    g_seen.gs = gs;
    g_seen.number = number;
    return kAnswer;
}

int32_t WINAPI FakeIdle(HGLOBAL acq, HWND active) { return Note(acq, active); }
int32_t WINAPI FakeCommand(HGLOBAL acq, HWND window, int32_t id, const char*, int32_t) {
    return Note(acq, window, nullptr, id);
}
int32_t WINAPI FakeCreated(HGLOBAL acq, HWND window, tagGS* gs, int16_t mode, int32_t) {
    return Note(acq, window, gs, mode);
}
int32_t WINAPI FakeStore(HGLOBAL acq, tagGS* gs) { return Note(acq, nullptr, gs); }
int32_t WINAPI FakeRefresh(HGLOBAL acq, int32_t) { return Note(acq); }
int32_t WINAPI FakeNoArgs() { return Note(nullptr); }
int32_t WINAPI FakePaint(HGLOBAL acq, tagGS* gs, int32_t) { return Note(acq, nullptr, gs); }
int32_t WINAPI FakeResized(HGLOBAL acq, tagGS* gs) { return Note(acq, nullptr, gs); }
int32_t WINAPI FakeActivated(HGLOBAL acq, tagGS* gs, int32_t keep) { return Note(acq, nullptr, gs, keep); }
int32_t WINAPI FakeClosed(HGLOBAL acq) { return Note(acq); }
int32_t WINAPI FakeScriptLine(HGLOBAL acq, stScriptStatement* st) { return Note(acq, nullptr, st->document); }
int32_t WINAPI FakeAppendMenu(HWND frame) { return Note(nullptr, frame); }
void WINAPI FakeHide(HGLOBAL acq) { Note(acq); }
int32_t WINAPI FakeWriteFile(int32_t) { return Note(nullptr); }
int WINAPI FakeUnitsSetup(HWND parent, HGLOBAL acq, unsigned slot) {
    return Note(acq, parent, nullptr, static_cast<int32_t>(slot));
}

stDriverOps FakeOps() {
    stDriverOps ops{};
    ops.onIdleAcquisition = FakeIdle;
    ops.onDriverCommand = FakeCommand;
    ops.onGraphCreated = FakeCreated;
    ops.storeSetupInGraph = FakeStore;
    ops.refreshInputValues = FakeRefresh;
    ops.paintGraphStatus = FakePaint;
    ops.onGraphResized = FakeResized;
    ops.onGraphActivated = FakeActivated;
    ops.onGraphClosed = FakeClosed;
    ops.onSysColorChange = FakeNoArgs;
    ops.execDriverScriptLine = FakeScriptLine;
    ops.appendDriverMenu = FakeAppendMenu;
    ops.hideDriverPanels = FakeHide;
    ops.hideGraphButton = FakeHide;
    ops.onWriteFile = FakeWriteFile;
    return ops;
}

tagGS* const kGraph = reinterpret_cast<tagGS*>(0x5000);
HWND const kWindow = reinterpret_cast<HWND>(0x6000);
HGLOBAL const kUnit = reinterpret_cast<HGLOBAL>(0x7000);

struct Operation {
    const char* name;
    bool needsUnit;  // does nothing while no unit is bound
    bool passesAcq;  // hands the unit record to the library
    std::function<int32_t()> call;
    int32_t answerWhenCalled;
};

// The operations without an answer, as ones that answer 0.
int32_t Answering(void (*operation)()) {
    operation();
    return 0;
}

std::vector<Operation> Operations() {
    static stScriptStatement statement{"VK40 X\r", nullptr, nullptr, kGraph};
    return {
        {"Command", false, true, [] { return DeviceCommand(kWindow, 42, "x", 1); }, kAnswer},
        {"SetupUnits", false, true, [] { return DeviceSetupUnits(kWindow, 3); }, kAnswer},
        {"Idle", true, true, [] { return DeviceIdle(kWindow); }, kAnswer},
        {"GraphCreated", true, true, [] { return DeviceGraphCreated(kWindow, kGraph, 1, 0); }, kAnswer},
        {"GraphActivated", true, true, [] { return DeviceGraphActivated(kGraph, 1); }, kAnswer},
        {"GraphResized", true, true, [] { return DeviceGraphResized(kGraph); }, kAnswer},
        {"GraphClosed", true, true, [] { return DeviceGraphClosed(); }, kAnswer},
        {"PaintGraphStatus", true, true, [] { return DevicePaintGraphStatus(kGraph); }, kAnswer},
        {"RefreshInputValues", true, true, [] { return DeviceRefreshInputValues(); }, kAnswer},
        {"StoreSetupInGraph", true, true, [] { return DeviceStoreSetupInGraph(kGraph); }, kAnswer},
        {"WriteFile", true, false, [] { return DeviceWriteFile(); }, kAnswer},
        {"ExecScriptLine", true, true, [] { return DeviceExecScriptLine(&statement); }, kAnswer},
        {"AppendMenu", true, false, [] { return DeviceAppendMenu(kWindow); }, kAnswer},
        {"SysColorChange", true, false, [] { return DeviceSysColorChange(); }, kAnswer},
        {"HidePanels", true, true, [] { return Answering(DeviceHidePanels); }, 0},
        {"HideGraphButton", true, true, [] { return Answering(DeviceHideGraphButton); }, 0},
    };
}

class DeviceBinding : public ::testing::Test {
protected:
    void SetUp() override {
        saved_ = DeviceBindingForTests();
        savedApp_ = g_app;
        app_ = stApp{};
        g_app = &app_;
    }
    void TearDown() override {
        g_app = savedApp_;
        DeviceBindingForTests() = saved_;
    }
    static void InstallFakes() {
        DeviceBindingForTests().driverOps = FakeOps();
        DeviceBindingForTests().pfnSetupUnitsDlg = FakeUnitsSetup;
    }
    stDeviceBinding saved_{};
    stApp* savedApp_ = nullptr;
    stApp app_{};
};

TEST_F(DeviceBinding, EachOperationReachesTheLibraryWithTheUnitRecord) {
    InstallFakes();
    app_.hAcq = kUnit;
    for (const Operation& op : Operations()) {
        g_seen = Seen{};
        EXPECT_EQ(op.call(), op.answerWhenCalled) << op.name;
        EXPECT_EQ(g_seen.calls, 1) << op.name;
        if (op.passesAcq) {
            EXPECT_EQ(g_seen.acq, kUnit) << op.name;
        }
    }
    // The arguments arrive as given.
    g_seen = Seen{};
    DeviceGraphCreated(kWindow, kGraph, 1, 0);
    EXPECT_EQ(g_seen.window, kWindow);
    EXPECT_EQ(g_seen.gs, kGraph);
    EXPECT_EQ(g_seen.number, 1);
    DeviceSetupUnits(kWindow, 3);
    EXPECT_EQ(g_seen.window, kWindow);
    EXPECT_EQ(g_seen.number, 3);
    stScriptStatement statement{"VK40 Y\r", nullptr, nullptr, kGraph};
    DeviceExecScriptLine(&statement);
    EXPECT_EQ(g_seen.gs, kGraph);
}

TEST_F(DeviceBinding, WithoutAUnitOnlyCommandsAndTheUnitsSetUpAreCalled) {
    InstallFakes();
    for (stApp* app : {&app_, static_cast<stApp*>(nullptr)}) {
        g_app = app;
        for (const Operation& op : Operations()) {
            g_seen = Seen{};
            const int32_t answer = op.call();
            EXPECT_EQ(g_seen.calls, op.needsUnit ? 0 : 1) << op.name << (app ? "" : " without the application");
            EXPECT_EQ(answer, op.needsUnit ? 0 : op.answerWhenCalled) << op.name;
            if (!op.needsUnit) {
                EXPECT_EQ(g_seen.acq, nullptr) << op.name;
            }
        }
    }
}

TEST_F(DeviceBinding, AnEmptyTableAnswersNothingAndCallsNothing) {
    InstallFakes();
    DeviceClearBinding();
    app_.hAcq = kUnit;
    g_seen = Seen{};
    for (const Operation& op : Operations()) EXPECT_EQ(op.call(), 0) << op.name;
    EXPECT_EQ(g_seen.calls, 0);
    EXPECT_EQ(DeviceModule(), nullptr);
    EXPECT_FALSE(DeviceHasSampleStore());
    double value = -1;
    EXPECT_EQ(DeviceGetChannelSample(kGraph, 0, 0, &value), 0);
    EXPECT_EQ(value, -1) << "nothing was written";
    EXPECT_EQ(DeviceGraphChanged(kGraph), 0);
    EXPECT_EQ(DeviceSetActiveModelessDialog(kWindow), nullptr);
}

int32_t WINAPI FakeSample(tagGS* gs, int32_t index, int32_t slot, double* out) {
    *out = index * 10.0 + slot;
    return gs == kGraph;
}
int32_t WINAPI FakeGraphChanged(tagGS* gs, int32_t a, int32_t b, int32_t c) {
    return gs == kGraph && a == 0 && b == 0 && c == 0 ? 5 : -5;
}
void* WINAPI FakeActiveDialog(HWND dlg) { return dlg; }

TEST_F(DeviceBinding, TheProgramsCallbacksAreReachedThroughTheHandedTable) {
    DeviceClearBinding();
    stHostCallbacks table{};
    table.getChannelSample = FakeSample;
    table.onGraphChanged = FakeGraphChanged;
    table.setActiveModelessDialog = FakeActiveDialog;
    DeviceSetHostCallbacks(table);
    EXPECT_TRUE(DeviceHasSampleStore());
    double value = 0;
    EXPECT_EQ(DeviceGetChannelSample(kGraph, 4, 2, &value), 1);
    EXPECT_EQ(value, 42.0);
    EXPECT_EQ(DeviceGraphChanged(kGraph), 5);
    EXPECT_EQ(DeviceSetActiveModelessDialog(kWindow), kWindow);
    DeviceClearBinding();
    EXPECT_FALSE(DeviceHasSampleStore()) << "the callbacks go with the application record";
}

TEST_F(DeviceBinding, AMissingLibraryLeavesNothingBound) {
    DeviceClearBinding();
    EXPECT_EQ(DeviceBind("NoSuchDeviceLibrary.dll", nullptr), 0);
    EXPECT_EQ(DeviceModule(), nullptr);
    EXPECT_EQ(app_.hAcq, nullptr);
    EXPECT_EQ(DeviceSetupUnits(kWindow, 1), 0);
    DeviceUnbind();  // nothing to unload
    EXPECT_EQ(DeviceModule(), nullptr);
}

}  // namespace
