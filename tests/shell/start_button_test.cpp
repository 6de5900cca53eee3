// The Start button as a user meets it in the running program: every graph that becomes active
// carries it, a click on it starts and stops a recording through the device library, and the
// recording graph keeps it (and refuses to close) while it records or is read back.
#include <gtest/gtest.h>
#include <cstring>
#include <string>
#include <utility>
#include <vector>
#include "graph/window/graph_window.h"
#include "shell_fixture.h"
#include "tests/shell/test_unit.h"
#include "box_capture.h"
#include "base/app.h"
#include "base/device.h"
#include "button/lumikey.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "documents/markers/markers.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/vk40.h"
#include "devlib/tests/packet_log.h"
#include "devlib/tests/run_settings.h"
#include "tests/base/file_text.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/files/file_open.h"
#include "graph/files/file_save.h"
#include "graph/graph_ids.h"
#include "outputs/framework/panel.h"
#include "shell/startup.h"
#include "controls/tests/render_test_support.h"

namespace {

// The pixels of a bitmap as 32-bit rows; empty for no bitmap.
std::vector<uint32_t> Pixels(HBITMAP bmp) { return BitmapPixels(bmp).pixels; }

// The library's own image of that resource id.
std::vector<uint32_t> LibraryImage(int id) {
    HBITMAP bmp = LoadBitmapA(GetModuleHandleA("VK40.dll"), MAKEINTRESOURCEA(id));
    std::vector<uint32_t> out = Pixels(bmp);
    if (bmp) DeleteObject(bmp);
    return out;
}

class StartButton : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        BeforeBoot();
        ASSERT_TRUE(BootShell());
        first = g_app->hwndActiveGraph;
        ASSERT_TRUE(first);
    }
    void TearDown() override {
        {
            AcqLock acq(g_app->hAcq);
            if (acq && acq->run.running) {
                acq->run.running = 0;
                if (acq->run.attachedGraph) acq->run.attachedGraph->acquiring = 0;
            }
        }
        ShutShell();
    }
    virtual void BeforeBoot() {}

    static HWND ButtonOn(HWND graph) { return GetDlgItem(graph, IDC_START_BUTTON); }
    static tagGS* Attached() {
        AcqLock acq(g_app->hAcq);
        return acq ? acq->run.attachedGraph : nullptr;
    }
    static int32_t Running() {
        AcqLock acq(g_app->hAcq);
        return acq ? acq->run.running : -1;
    }
    static HWND NewActiveGraph() {
        HWND graph = NewGraph(0);
        if (!graph) return nullptr;
        ShowWindow(graph, SW_SHOW);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(graph), 0);
        PumpMessages();
        return graph;
    }

    HWND first = nullptr;
};


// The program started over a simulated unit of the test's own: the driver settings and the
// unit's controls lie under keys named to the library through the environment. The unit's clock
// is virtual, so frames arrive only when the test moves it on.
struct stStallCase;

class StartButtonWithUnit : public StartButton {
protected:
    void RunThroughAStall(const stStallCase& stall);
    void BeforeBoot() override {
        const std::string id = std::to_string(GetCurrentProcessId());
        ASSERT_TRUE(unit.Install("StartButton", true));
    }
    void TearDown() override {
        StartButton::TearDown();
        SetReadStatusEnable(0);
        SetStartupFlag(0);
        unit.Remove();
    }

    // Start-up has run its lesson (the boot here stops before it) and a lesson turned the unit
    // check on ("ReadConnectionStatus Enable"); the idle step then finds the unit and sets it up,
    // as between runs in the program.
    static void UnitReady() {
        SetStartupFlag(1);
        SetReadStatusEnable(1);
        RunIdleStep();
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        ASSERT_EQ(acq->run.statusState, 1) << "the simulated unit answers ready";
        // The acquisition set-up a lesson or the set-up dialog leaves: a host-paced run into
        // memory, 1 ms a frame, long enough that no test here reaches its end.
        vk40test::SetUpRun(acq.get(), kStorageMemory, 1.0, 1000000);
    }
    // The unit's clock moves on; the next idle turn takes the frames that came meanwhile.
    void Advance(uint32_t ms) {
        unit.AdvanceClock(ms);
        RunIdleStep();
    }

    CTestUnit unit;
};

TEST_F(StartButton, TheFirstGraphCarriesItsStartButtonAtTheButtonRectangle) {
    HWND button = ButtonOn(first);
    ASSERT_TRUE(button);
    char cls[32] = "";
    GetClassNameA(button, cls, sizeof cls);
    EXPECT_STREQ(cls, LUMIKEY_CLASSNAME);
    EXPECT_TRUE(IsWindowVisible(button));
    const LONG style = GetWindowLongA(button, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_GROUP | WS_TABSTOP), WS_CHILD | WS_GROUP | WS_TABSTOP);
    EXPECT_EQ(Attached(), GetWindowGraph(first));
    // The idle face of a graph that records from the unit.
    const std::vector<uint32_t> face = Pixels(reinterpret_cast<HBITMAP>(SendMessageA(button, LKM_GETENABLEBITMAP, 0, 0)));
    ASSERT_FALSE(face.empty());
    EXPECT_EQ(face, LibraryImage(IDB_START_IDLE));
    EXPECT_NE(face, LibraryImage(IDB_PLAYBACK_IDLE));
    // Placed by the layout: 50 wide at the graph's button rectangle.
    const tagGS* gs = GetWindowGraph(first);
    RECT rc;
    GetWindowRect(button, &rc);
    MapWindowPoints(nullptr, first, reinterpret_cast<POINT*>(&rc), 2);
    EXPECT_EQ(rc.right - rc.left, 50);
    EXPECT_EQ(rc.left, gs->startButtonRect.left - 1);
    EXPECT_EQ(rc.top, gs->startButtonRect.top);
    EXPECT_EQ(rc.bottom, gs->startButtonRect.bottom);
}

TEST_F(StartButton, ActivatingAnotherGraphMovesTheAttachmentAndTheButton) {
    HWND second = NewActiveGraph();
    ASSERT_TRUE(second);
    ASSERT_EQ(g_app->hwndActiveGraph, second);
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_FALSE(ButtonOn(first)) << "one Start button, on the attached graph only";
    HWND button = ButtonOn(second);
    ASSERT_TRUE(button);
    EXPECT_TRUE(IsWindowVisible(button));

    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
    PumpMessages();
    EXPECT_EQ(Attached(), GetWindowGraph(first));
    EXPECT_TRUE(ButtonOn(first));
    EXPECT_FALSE(ButtonOn(second));
}

// A graph minimised while it carries the button hands on a shown button: the old one was only
// out of sight with its window.
TEST_F(StartButton, MinimisingTheAttachedGraphHandsOnAShownButton) {
    HWND second = NewActiveGraph();
    ASSERT_TRUE(second);
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
    PumpMessages();
    ASSERT_EQ(Attached(), GetWindowGraph(first));
    ShowWindow(first, SW_MINIMIZE);
    PumpMessages();
    ASSERT_TRUE(IsIconic(first));
    ASSERT_EQ(g_app->hwndActiveGraph, second);
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    HWND button = ButtonOn(second);
    ASSERT_TRUE(button);
    EXPECT_TRUE(IsWindowVisible(button));
}

TEST_F(StartButtonWithUnit, WhenARecordingEndsBehindTheActiveGraphThatGraphTakesTheButton) {
    UnitReady();
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    HWND second = NewActiveGraph();
    ASSERT_EQ(Attached(), GetWindowGraph(first));
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 0);
    RunIdleStep();
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_TRUE(ButtonOn(second));
    EXPECT_FALSE(ButtonOn(first));
}

// Counts the Start buttons on a graph window.
int ButtonsOn(HWND graph) {
    int count = 0;
    for (HWND child = GetWindow(graph, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetDlgCtrlID(child) == IDC_START_BUTTON) ++count;
    return count;
}

TEST_F(StartButtonWithUnit, ClosingAGraphBehindTheAttachedOneLeavesItOneWorkingButton) {
    HWND second = NewActiveGraph();
    ASSERT_EQ(Attached(), GetWindowGraph(second));
    SendMessageA(first, WM_CLOSE, 0, 0);
    PumpMessages();
    ASSERT_FALSE(IsWindow(first));
    RunIdleStep();
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_EQ(ButtonsOn(second), 1);
    UnitReady();
    ClickMiddle(ButtonOn(second));
    EXPECT_EQ(Running(), 1);
    EXPECT_EQ(GetWindowGraph(second)->acquiring, 1u);
}

TEST_F(StartButton, AHiddenButtonStaysHiddenOnTheNextGraph) {
    ShowWindow(ButtonOn(first), SW_HIDE);
    HWND second = NewActiveGraph();
    HWND button = ButtonOn(second);
    ASSERT_TRUE(button);
    EXPECT_FALSE(IsWindowVisible(button));
}

TEST_F(StartButtonWithUnit, ClicksToggleTheRecordingOfTheAttachedGraph) {
    UnitReady();
    tagGS* gs = GetWindowGraph(first);
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    EXPECT_EQ(gs->acquiring, 1u);
    // The unit's frames come into the attached graph while it records.
    Advance(500);
    ASSERT_EQ(Running(), 1);
    const uint32_t during = gs->chanCount[1];  // CH1, on from start-up
    EXPECT_GT(during, 0u);
    // The command a keyboard press of the button sends reaches the library the same way.
    SendMessageA(first, WM_COMMAND, MAKEWPARAM(IDC_START_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(ButtonOn(first)));
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(gs->acquiring, 0u);
    // Stopped, the graph keeps what came, and the unit's later frames no longer reach it.
    EXPECT_GE(gs->chanCount[1], during);
    const uint32_t kept = gs->chanCount[1];
    Advance(500);
    EXPECT_EQ(gs->chanCount[1], kept);
}

// Start goes one way from every place that presses it: the graph's own button and the frame's
// command (a key or a lesson). Each press starts or stops the recording, arms again the
// stimulators the user stopped, and puts the cursor tools back to the arrow, its button pressed.
TEST_F(StartButtonWithUnit, EveryPlaceThatPressesStartTidiesTheToolsAndTheOutputPanels) {
    UnitReady();
    tagGS* gs = GetWindowGraph(first);
    ASSERT_TRUE(gs->outPanels);
    gs->toolsWhileRecording = 0;  // the tools are not kept usable while recording
    const struct {
        const char* place;
        void (*press)(HWND graph);
    } places[] = {
        {"the graph's button", [](HWND graph) { ClickMiddle(ButtonOn(graph)); }},
        {"the frame's command",
         [](HWND) {
             SendMessageA(g_app->hwndFrame, WM_COMMAND, IDC_START_BUTTON, 0);
             PumpMessages();
         }},
    };
    for (const auto& p : places) {
        SCOPED_TRACE(p.place);
        for (int32_t running : {1, 0}) {
            // The zoom tool chosen on the graph.
            SendMessageA(first, WM_COMMAND, IDC_TOOL_ZOOM, 0);
            gs->currentTool = IDC_TOOL_ZOOM;
            CheckRadioButton(first, IDC_TOOL_ARROW, IDC_TOOL_ZOOM, IDC_TOOL_ZOOM);
            PanelState().stoppedByUser = 1;
            p.press(first);
            ASSERT_EQ(Running(), running);
            EXPECT_EQ(gs->acquiring, static_cast<uint32_t>(running));
            EXPECT_EQ(PanelState().stoppedByUser, 0) << "the stimulators run with the next recording";
            EXPECT_EQ(gs->currentTool, IDC_TOOL_ARROW);
            EXPECT_EQ(SendMessageA(gs->toolButtons[0], BM_GETCHECK, 0, 0), BST_CHECKED);
            EXPECT_EQ(SendMessageA(gs->toolButtons[IDC_TOOL_ZOOM - IDC_TOOL_ARROW], BM_GETCHECK, 0, 0), BST_UNCHECKED);
        }
    }
}

TEST_F(StartButton, WithoutAUnitTheButtonStartsNothing) {
    ClickMiddle(ButtonOn(first));
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(GetWindowGraph(first)->acquiring, 0u);
}

TEST_F(StartButtonWithUnit, TheRecordingGraphKeepsItsButtonAndRefusesToCloseWhileItRecords) {
    UnitReady();
    tagGS* recording = GetWindowGraph(first);
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);

    HWND second = NewActiveGraph();
    ASSERT_EQ(g_app->hwndActiveGraph, second);
    EXPECT_EQ(Attached(), recording) << "a recording keeps its graph attached";
    EXPECT_TRUE(ButtonOn(first));
    EXPECT_FALSE(ButtonOn(second));

    // Closing the recording graph is refused before any of it is released.
    void* markers = recording->markerManager;
    SendMessageA(first, WM_CLOSE, 0, 0);
    PumpMessages();
    ASSERT_TRUE(IsWindow(first));
    EXPECT_EQ(GetWindowGraph(first), recording);
    EXPECT_EQ(recording->markerManager, markers);
    EXPECT_EQ(Attached(), recording);
    EXPECT_TRUE(ButtonOn(first));

    // Stopped, it closes once the user has answered the save question of the graph the run
    // changed. The question brings the graph it names to the front, so closing it hands the
    // front, and the unit, to the graph that was active before.
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 0);
    EXPECT_EQ(recording->modified, 1u);
    {
        BoxCapture boxes;  // answers OK, which is neither Yes nor Cancel: closed unsaved
        SendMessageA(first, WM_CLOSE, 0, 0);
        PumpMessages();
        EXPECT_EQ(boxes.boxes.size(), 1u) << "the save question";
    }
    EXPECT_FALSE(IsWindow(first));
    EXPECT_EQ(Attached(), GetWindowGraph(second)) << "never the closed graph";
    RunIdleStep();
    EXPECT_EQ(g_app->hwndActiveGraph, second);
    EXPECT_EQ(Attached(), GetWindowGraph(second));
    EXPECT_TRUE(ButtonOn(second));
}

// Closing the program while it records is refused, and the user is told why.
TEST_F(StartButtonWithUnit, ClosingTheFrameWhileItRecordsSaysToStopTheRecordingFirst) {
    UnitReady();
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    {
        BoxCapture boxes;
        SendMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);
        PumpMessages();
        ASSERT_TRUE(IsWindow(g_app->hwndFrame));
        EXPECT_EQ(Running(), 1);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "A recording is running.\nStop the recording before closing.");
        // Ending the session asks no one: it is only refused.
        EXPECT_EQ(SendMessageA(g_app->hwndFrame, WM_QUERYENDSESSION, 0, 0), 0);
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
    ClickMiddle(ButtonOn(first));
    EXPECT_EQ(Running(), 0);
}

// What the user tries while a unit-memory run is read back, seen from the progress dialog's
// steps: closing the graph and the program, both refused while the read-back runs.
HHOOK g_readBackHook = nullptr;
int g_readBackSteps = 0;
HWND g_closeTarget = nullptr;

LRESULT CALLBACK CloseDuringReadBack(int code, WPARAM wParam, LPARAM lParam) {
    const auto* m = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_USER && GetDlgItem(m->hwnd, IDC_READ_BACK_PROGRESS) &&
        g_readBackSteps++ == 0) {
        PostMessageA(g_closeTarget, WM_CLOSE, 0, 0);
        PostMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);
    }
    return CallNextHookEx(g_readBackHook, code, wParam, lParam);
}

TEST_F(StartButtonWithUnit, WhileAUnitMemoryRunIsReadBackTheGraphAndTheProgramStayOpen) {
    UnitReady();
    {
        AcqLock acq(g_app->hAcq);
        // 1 s of the unit's time at 25 kHz; more than one request to read back
        vk40test::SetUpRun(acq.get(), kStorageUnitMemory, vk40test::kUnitMemoryPeriodMs, 25000);
    }
    tagGS* gs = GetWindowGraph(first);
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    Advance(500);
    ASSERT_EQ(Running(), 1);
    EXPECT_EQ(g_readBackSteps, 0) << "nothing is read while the unit records";
    g_closeTarget = first;
    g_readBackHook = SetWindowsHookExA(WH_CALLWNDPROCRET, CloseDuringReadBack, nullptr, GetCurrentThreadId());
    {
        BoxCapture boxes;
        boxes.caption = g_app->szAppTitle;  // the read-back's progress dialog is left alone
        Advance(600);  // the unit is done; the idle turn reads its memory back
        ASSERT_EQ(boxes.boxes.size(), 1u) << "the program's close says why it stays";
        EXPECT_EQ(boxes.boxes[0].text, "A recording is running.\nStop the recording before closing.");
    }
    UnhookWindowsHookEx(g_readBackHook);
    EXPECT_GT(g_readBackSteps, 1);
    EXPECT_EQ(Running(), 0);
    ASSERT_TRUE(IsWindow(first));
    ASSERT_TRUE(IsWindow(g_app->hwndFrame));
    EXPECT_EQ(GetWindowGraph(first), gs);
    // The read-back went on to the end: every frame of the run, each channel its own input.
    AcqLock acq(g_app->hAcq);
    ASSERT_TRUE(acq);
    const int32_t slot = acq->run.chanOrder[0];
    ASSERT_GE(slot, 1);
    EXPECT_EQ(gs->chanCount[slot], 25000u);
    const int32_t input = slot - 1;  // analog channel n sits in slot n
    const auto* block = static_cast<const uint16_t*>(gs->chanBlock[slot]);
    ASSERT_NE(block, nullptr);
    int bad = 0;
    for (uint32_t i = 0; i < 25000 && bad < 3; ++i)
        if (block[i] != SimCountingWord(i, static_cast<uint32_t>(input))) ++bad;
    EXPECT_EQ(bad, 0);
}

// The enabled face of a graph's Start button.
std::vector<uint32_t> Face(HWND graph) {
    HWND button = GetDlgItem(graph, IDC_START_BUTTON);
    return Pixels(reinterpret_cast<HBITMAP>(SendMessageA(button, LKM_GETENABLEBITMAP, 0, 0)));
}

// A file of the test's own in the temporary folder; removed with the object.
struct TempFile {
    explicit TempFile(const std::string& name, const std::string& text = "") {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        path = std::string(temp) + name + std::to_string(GetCurrentProcessId());
        HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD written = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(f);
    }
    ~TempFile() { DeleteFileA(path.c_str()); }
    std::string path;
};

// Recording from the unit, the button shows its stop face; ended, its start face again.
TEST_F(StartButtonWithUnit, TheButtonShowsTheStopFaceWhileTheUnitRecords) {
    UnitReady();
    EXPECT_EQ(Face(first), LibraryImage(IDB_START_IDLE));
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    EXPECT_EQ(Face(first), LibraryImage(IDB_START_RUNNING));
    Advance(100);
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 0);
    EXPECT_EQ(Face(first), LibraryImage(IDB_START_IDLE));
}

// With no unit at all, a file assigned to the first graph stands in for it: the button shows the
// play-back faces, starts and stops the run, and the graph keeps the file's rows in order.
TEST_F(StartButton, AGraphWithASourceRecordsFromItsFileWithoutAUnit) {
    std::string table;
    for (int r = 0; r < 20000; ++r) table += std::to_string(r % 3000) + "\t" + std::to_string(-(r % 3000)) + "\t\r\n";
    TempFile source("kymora_source_", table);
    tagGS* gs = GetWindowGraph(first);
    {
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        char result[kSourceResultChars] = "";
        ASSERT_NE(SrcNavAssign(acq.get(), source.path.c_str(), gs->title, result), nullptr) << result;
        for (int i = 0; i < kAnalogChannels; ++i) {
            acq->chans[i].flags = i < 2 ? (acq->chans[i].flags | 2u) : (acq->chans[i].flags & ~2u);
            acq->chans[i].gain = 10000.0 / 32768.0;  // a column factor of 1: the file's numbers are the samples
        }
        for (int i = kAnalogChannels; i < kMaxChanRecords; ++i) acq->chans[i].flags &= ~2u;
        acq->samplePeriodMs = 1.0;
        acq->acqLength = 1000000;
        acq->dataMode = kDataOverwrite;
    }
    EXPECT_EQ(Face(first), LibraryImage(IDB_PLAYBACK_IDLE));
    RunIdleStep();
    {
        AcqLock acq(g_app->hAcq);
        ASSERT_EQ(acq->run.statusState, 1) << "the source stands in for the unit";
    }
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    EXPECT_EQ(gs->acquiring, 1u);
    EXPECT_EQ(Face(first), LibraryImage(IDB_PLAYBACK_RUNNING));
    // The file is played at the recording's rate: the frames come as the idle turns go by.
    for (int turn = 0; turn < 2000 && gs->chanCount[1] < 50; ++turn) {
        Sleep(5);
        RunIdleStep();
    }
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 0);
    EXPECT_EQ(gs->acquiring, 0u);
    EXPECT_EQ(Face(first), LibraryImage(IDB_PLAYBACK_IDLE));
    const uint32_t count = gs->chanCount[1];
    ASSERT_GE(count, 50u);
    ASSERT_EQ(gs->chanCount[2], count);
    const auto* a = static_cast<const int16_t*>(gs->chanBlock[1]);
    const auto* b = static_cast<const int16_t*>(gs->chanBlock[2]);
    for (uint32_t i = 0; i < count && i < 3000; ++i) {
        ASSERT_EQ(a[i], static_cast<int16_t>(i)) << i;
        ASSERT_EQ(b[i], static_cast<int16_t>(-static_cast<int>(i))) << i;
    }
    SrcNavRelease(gs->title);
}

// Data mode 2 from the unit: the run's numbered file is written at its end and opens as a graph
// holding exactly the run's frames, with the set-up it was recorded with.
// A folder of the test's own as the current one, given back (and removed) on every path.
struct OwnFolder {
    OwnFolder() {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        path = std::string(temp) + "kymora_autosave_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(path.c_str(), nullptr);
        GetCurrentDirectoryA(sizeof previous, previous);
        SetCurrentDirectoryA(path.c_str());
    }
    ~OwnFolder() {
        SetCurrentDirectoryA(previous);
        for (const char* name : {"\\AUTO0000.acq", "\\AUTO0001.acq", "\\AUTO0002.acq", "\\AUTO0003.acq", "\\copy.acq"})
            DeleteFileA((path + name).c_str());
        RemoveDirectoryA(path.c_str());
    }
    std::string path;
    char previous[MAX_PATH] = "";
};

TEST_F(StartButtonWithUnit, AnAutosavedRunOpensFromItsNumberedFile) {
    OwnFolder folder;
    const std::string& here = folder.path;
    UnitReady();
    BoxCapture boxes;
    {
        AcqLock acq(g_app->hAcq);
        for (int i = 0; i < kAnalogChannels; ++i)
            acq->chans[i].flags = i == 1 ? (acq->chans[i].flags | 2u) : (acq->chans[i].flags & ~2u);
        for (int i = kAnalogChannels; i < kMaxChanRecords; ++i) acq->chans[i].flags &= ~2u;
        acq->acqLength = 700;
        acq->dataMode = kDataAutosave;
        acq->autosaveEnable = 1;
        memcpy(acq->autosaveName, "AUTO", 5);
        acq->autosaveNumber = 3;
    }
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    for (int i = 0; i < 20 && Running(); ++i) Advance(100);
    ASSERT_EQ(Running(), 0);
    const std::string file = here + "\\AUTO0003.acq";
    char title[MAX_PATH] = "";
    GetWindowTextA(first, title, sizeof title);
    EXPECT_EQ(std::string(title), "AUTO0003.acq");
    // The recorded graph holds its file open by name; a copy opens beside it.
    const std::string copy = here + "\\copy.acq";
    ASSERT_TRUE(CopyFileA(file.c_str(), copy.c_str(), FALSE));
    tagGS* opened = OpenGraphFileQuiet(copy.c_str(), 0, nullptr);
    ASSERT_TRUE(opened) << "the graph file reader takes the autosaved file";
    ASSERT_EQ(opened->chanCount[2], 700u);  // CH2 in its own slot
    EXPECT_DOUBLE_EQ(opened->sampleInterval, 1.0);
    const auto* samples = static_cast<const uint16_t*>(opened->chanBlock[2]);
    ASSERT_TRUE(samples);
    for (uint32_t i = 0; i < 700; ++i) ASSERT_EQ(samples[i], SimCountingWord(i, 1)) << i;
    {
        AcqLock acq(g_app->hAcq);
        EXPECT_EQ(acq->dataMode, 2) << "the set-up came back with the file";
        EXPECT_EQ(acq->acqLength, 700);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

// The number starts at 0 again in a new session: each run passes over a file that exists (an
// earlier session's) and the file an open graph shows (even one gone from the disk meanwhile) for
// the next free number, asks nothing, and leaves every other file as it was.
TEST_F(StartButtonWithUnit, AnAutosavedRunTakesTheNextFreeNumberAndNeverReplacesAFile) {
    OwnFolder folder;
    UnitReady();
    BoxCapture boxes;
    const std::string earlier = folder.path + "\\AUTO0000.acq";
    {
        HANDLE f = CreateFileA(earlier.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, "yesterday's run", 15, &written, nullptr);
        CloseHandle(f);
    }
    {
        AcqLock acq(g_app->hAcq);
        for (int i = 0; i < kAnalogChannels; ++i)
            acq->chans[i].flags = i == 1 ? (acq->chans[i].flags | 2u) : (acq->chans[i].flags & ~2u);
        for (int i = kAnalogChannels; i < kMaxChanRecords; ++i) acq->chans[i].flags &= ~2u;
        acq->acqLength = 607;
        acq->dataMode = kDataAutosave;
        acq->autosaveEnable = 1;
        acq->warnOnOverwrite = 1;
        memcpy(acq->autosaveName, "AUTO", 5);
    }
    // One run on a new graph of a new session; the title it took.
    auto runOnNewGraph = [&](HWND graph) {
        {
            AcqLock acq(g_app->hAcq);
            acq->autosaveNumber = 0;
        }
        ClickMiddle(ButtonOn(graph));
        EXPECT_EQ(Running(), 1);
        for (int i = 0; i < 20 && Running(); ++i) Advance(100);
        EXPECT_EQ(Running(), 0);
        char title[MAX_PATH] = "";
        GetWindowTextA(graph, title, sizeof title);
        return std::string(title);
    };
    ASSERT_EQ(runOnNewGraph(first), "AUTO0001.acq");
    const std::string second = folder.path + "\\AUTO0001.acq";
    const std::string firstRun = ReadFileText(second);
    ASSERT_GT(firstRun.size(), 607u * 2);
    HWND next = NewActiveGraph();
    ASSERT_TRUE(next);
    ASSERT_EQ(runOnNewGraph(next), "AUTO0002.acq");
    // The first graph's file goes from the disk while the graph stays open: its name is still taken.
    ASSERT_TRUE(DeleteFileA(second.c_str()));
    HWND third = NewActiveGraph();
    ASSERT_TRUE(third);
    ASSERT_EQ(runOnNewGraph(third), "AUTO0003.acq");
    EXPECT_EQ(ReadFileText(earlier), "yesterday's run");
    EXPECT_EQ(ReadFileText(second), "<missing>");
    EXPECT_GT(ReadFileText(folder.path + "\\AUTO0002.acq").size(), 607u * 2);
    EXPECT_GT(ReadFileText(folder.path + "\\AUTO0003.acq").size(), 607u * 2);
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
}

// The run's numbered file cannot be replaced (here it is read-only): the file stays as it was,
// the user is told, and the graph keeps the recording to be saved another way.
TEST_F(StartButtonWithUnit, AnAutosaveThatCannotBeWrittenSaysSoAndTheGraphKeepsTheRecording) {
    OwnFolder folder;
    UnitReady();
    BoxCapture boxes;  // an overwrite question is answered OK
    {
        AcqLock acq(g_app->hAcq);
        for (int i = 0; i < kAnalogChannels; ++i)
            acq->chans[i].flags = i == 1 ? (acq->chans[i].flags | 2u) : (acq->chans[i].flags & ~2u);
        for (int i = kAnalogChannels; i < kMaxChanRecords; ++i) acq->chans[i].flags &= ~2u;
        acq->acqLength = 700;
        acq->dataMode = 2;
        acq->autosaveEnable = 1;
        memcpy(acq->autosaveName, "AUTO", 5);
        acq->autosaveNumber = 3;
    }
    const std::string file = folder.path + "\\AUTO0003.acq";
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    // The name was free at the start; a read-only file of that name appears while the run records.
    {
        HANDLE f = CreateFileA(file.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        ASSERT_NE(f, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(f, "an earlier run", 14, &written, nullptr);
        CloseHandle(f);
    }
    ASSERT_TRUE(SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_READONLY));
    for (int i = 0; i < 20 && Running(); ++i) Advance(100);
    ASSERT_EQ(Running(), 0);
    SetFileAttributesA(file.c_str(), FILE_ATTRIBUTE_NORMAL);
    EXPECT_EQ(ReadFileText(file), "an earlier run");
    // The cause's own text, naming the file, as every other save tells it.
    const std::string told = "Can't open this file for writing\n" + file;
    int tellings = 0;
    for (const BoxCapture::Box& box : boxes.boxes)
        if (box.text == told) ++tellings;
    EXPECT_EQ(tellings, 1) << "the user learns the file was not written, and why";
    // The graph holds the whole recording, and counts as not saved.
    const tagGS* gs = GetWindowGraph(first);
    ASSERT_EQ(gs->chanCount[2], 700u);
    const auto* samples = static_cast<const uint16_t*>(gs->chanBlock[2]);
    ASSERT_TRUE(samples);
    for (uint32_t i = 0; i < 700; ++i) ASSERT_EQ(samples[i], SimCountingWord(i, 1)) << i;
    EXPECT_EQ(gs->modified, 1u);
}

// ---- The graph's scroll bars while a recording draws beside them ----

// The colours of a window-relative rectangle as the screen shows it, row by row.
std::vector<COLORREF> ShownPixels(HWND window, const RECT& area) {
    std::vector<COLORREF> out;
    HDC dc = GetDC(window);
    for (int y = area.top; y < area.bottom; ++y)
        for (int x = area.left; x < area.right; ++x) out.push_back(GetPixel(dc, x, y));
    ReleaseDC(window, dc);
    return out;
}

// The arrow squares at both ends of a scroll bar, in its parent's client coordinates.
std::vector<RECT> ArrowSquares(HWND bar, HWND parent, bool vertical) {
    RECT rc;
    GetWindowRect(bar, &rc);
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&rc), 2);
    if (vertical) {
        const int side = rc.right - rc.left;
        return {RECT{rc.left, rc.top, rc.right, rc.top + side}, RECT{rc.left, rc.bottom - side, rc.right, rc.bottom}};
    }
    const int side = rc.bottom - rc.top;
    return {RECT{rc.left, rc.top, rc.left + side, rc.bottom}, RECT{rc.right - side, rc.top, rc.right, rc.bottom}};
}

// While a second segment records into a graph, the four arrows of its scroll bars look as the
// bars draw them: the Start button beside the horizontal bar's right arrow changes its face and
// the status strip and the plot are drawn on every poll, and none of it may reach the arrows.
TEST_F(StartButtonWithUnit, TheScrollBarArrowsKeepTheirLookWhileAnAppendedSegmentRecords) {
    UnitReady();
    HWND graph = first;
    tagGS* gs = GetWindowGraph(graph);
    ASSERT_TRUE(gs && gs->hScrollBar && gs->vScrollBar);
    ClickMiddle(ButtonOn(graph));
    ASSERT_EQ(Running(), 1);
    Advance(300);
    ClickMiddle(ButtonOn(graph));
    ASSERT_EQ(Running(), 0);
    const uint32_t firstSegment = gs->chanCount[1];
    ASSERT_GT(firstSegment, 0u);
    {
        AcqLock acq(g_app->hAcq);
        acq->dataMode = kDataAppend;
    }
    ClickMiddle(ButtonOn(graph));
    ASSERT_EQ(Running(), 1);
    for (int i = 0; i < 4; ++i) Advance(250);
    ASSERT_EQ(Running(), 1);
    ASSERT_GT(gs->chanCount[1], firstSegment) << "the second segment is appended";
    PumpMessages();

    struct Arrow {
        const char* name;
        HWND bar;
        RECT square;
    };
    std::vector<Arrow> arrows;
    const std::vector<RECT> h = ArrowSquares(gs->hScrollBar, graph, false);
    const std::vector<RECT> v = ArrowSquares(gs->vScrollBar, graph, true);
    arrows.push_back({"horizontal bar, left arrow", gs->hScrollBar, h[0]});
    arrows.push_back({"horizontal bar, right arrow", gs->hScrollBar, h[1]});
    arrows.push_back({"vertical bar, top arrow", gs->vScrollBar, v[0]});
    arrows.push_back({"vertical bar, bottom arrow", gs->vScrollBar, v[1]});
    std::vector<std::vector<COLORREF>> during;
    for (const Arrow& a : arrows) during.push_back(ShownPixels(graph, a.square));
    // The bars' own picture of the same state: each draws itself anew.
    for (const Arrow& a : arrows) RedrawWindow(a.bar, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_FRAME);
    for (size_t i = 0; i < arrows.size(); ++i) {
        SCOPED_TRACE(arrows[i].name);
        const RECT& sq = arrows[i].square;
        const std::vector<COLORREF> own = ShownPixels(graph, sq);
        ASSERT_EQ(own.size(), during[i].size());
        const int width = sq.right - sq.left;
        int wrong = 0;
        for (size_t k = 0; k < own.size(); ++k)
            if (own[k] != during[i][k] && wrong++ < 4)
                ADD_FAILURE() << "pixel (" << sq.left + static_cast<int>(k) % width << ", "
                              << sq.top + static_cast<int>(k) / width << ") shows " << std::hex << during[i][k]
                              << " where the bar draws " << own[k];
        EXPECT_EQ(wrong, 0);
    }
    ClickMiddle(ButtonOn(graph));
    EXPECT_EQ(Running(), 0);
}

// ---- The device menu's Warn On Overwrite ----

// The program over a simulated unit of either model, its device menu on the frame's menu as
// start-up's lesson puts it there, after the first graph was made.
class OverwriteWarning : public StartButtonWithUnit, public ::testing::WithParamInterface<const char*> {
protected:
    void BeforeBoot() override { ASSERT_TRUE(unit.Install("Overwrite", true, GetParam())); }
    static bool Marked() {
        return (GetMenuState(GetMenu(g_app->hwndFrame), IDM_WARNINGONOVERWRITE, MF_BYCOMMAND) & MF_CHECKED) != 0;
    }
    // A click on the menu item.
    static void ChooseMenuItem() {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(IDM_WARNINGONOVERWRITE, 0), 0);
        PumpMessages();
    }
    void RunToEnd() {
        for (int i = 0; i < 20 && Running(); ++i) Advance(100);
        ASSERT_EQ(Running(), 0);
    }
};

TEST_P(OverwriteWarning, AClickTogglesTheMarkAndTheQuestionBeforeARunReplacesTheGraphsData) {
    ASSERT_EQ(DeviceAppendMenu(g_app->hwndFrame), 0);
    UnitReady();
    {
        AcqLock acq(g_app->hAcq);
        acq->acqLength = 200;  // data mode 1: a run replaces what the graph holds
    }
    tagGS* gs = GetWindowGraph(first);
    BoxCapture boxes;
    // The mark says what a start does: a new graph's word is off, so the runs ask nothing.
    EXPECT_FALSE(Marked()) << "the mark shows the new graph's word";
    for (int run = 0; run < 2; ++run) {
        ClickMiddle(ButtonOn(first));
        ASSERT_EQ(Running(), 1) << run;
        RunToEnd();
    }
    ASSERT_EQ(gs->chanCount[1], 200u);
    EXPECT_TRUE(boxes.boxes.empty());
    // A click turns it on, mark and question: over the graph's data a start asks first, and No
    // starts nothing and keeps the data.
    ChooseMenuItem();
    EXPECT_TRUE(Marked());
    boxes.answer = IDNO;
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    // Captioned with the model the menu names.
    EXPECT_EQ(boxes.boxes[0].caption, std::string(GetParam()) == "VKUSB45" ? "VK45" : "VK40");
    EXPECT_EQ(boxes.boxes[0].text, "Overwrite existing data?");
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(gs->chanCount[1], 200u);
    // Yes starts the run.
    boxes.answer = IDYES;
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(boxes.boxes.size(), 2u);
    EXPECT_EQ(boxes.boxes[1].text, "Overwrite existing data?");
    EXPECT_EQ(Running(), 1);
    RunToEnd();
    EXPECT_EQ(gs->chanCount[1], 200u);
    // Another click turns both off again: the next run replaces the data unasked.
    ChooseMenuItem();
    EXPECT_FALSE(Marked());
    ClickMiddle(ButtonOn(first));
    EXPECT_EQ(Running(), 1);
    EXPECT_EQ(boxes.boxes.size(), 2u);
    RunToEnd();
}

INSTANTIATE_TEST_SUITE_P(BothModels, OverwriteWarning, ::testing::Values("VKUSB", "VKUSB45"));

// ---- Unit-memory runs stopped by the button, on the unit's own clock ----

bool RecordingNow() {
    AcqLock acq(g_app->hAcq);
    return acq && acq->run.running;
}

// The Start button's command, as its click sends it to the graph window, through the loop.
void PostStart(HWND graph) {
    PostMessageA(graph, WM_COMMAND, MAKEWPARAM(IDC_START_BUTTON, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(graph, IDC_START_BUTTON)));
}

// One recording as the user makes it, on the turns of the program's own loop: Start; once the run
// is under way the unit records for at least recordMs; Start again; once the run was read back
// the loop ends. A timer of the loop's thread takes each step.
struct stStartStop {
    HWND graph;
    ULONGLONG recordMs;
    int step;
    ULONGLONG runningAt;
    int ticks;
    bool started;
};
stStartStop g_startStop;
constexpr UINT kStepTimerMs = 10;
constexpr int kStepLimit = 3000;  // a guard against a run that never ends

void CALLBACK StepStartStop(HWND, UINT, UINT_PTR timer, DWORD) {
    stStartStop& d = g_startStop;
    const bool running = RecordingNow();
    bool done = ++d.ticks > kStepLimit;
    if (d.step == 0) {
        PostStart(d.graph);
        d.step = 1;
    } else if (d.step == 1 && running) {
        d.started = true;
        d.runningAt = GetTickCount64();
        d.step = 2;
    } else if (d.step == 2 && GetTickCount64() - d.runningAt >= d.recordMs) {
        PostStart(d.graph);
        d.step = 3;
    } else if (d.step == 3 && !running) {
        done = true;
    }
    if (done) {
        KillTimer(nullptr, timer);
        PostQuitMessage(0);
    }
}

// The simulated unit samples on the machine's own clock, as a real unit does: a run lasts as long
// as the program takes between the clicks.
class StartButtonOnTheUnitsClock : public StartButtonWithUnit {
protected:
    void BeforeBoot() override {
        StartButtonWithUnit::BeforeBoot();
        ASSERT_TRUE(SimControlSetDword(kSimVirtualClock, 0));
    }
    void TearDown() override {
        SetFileDialogProcs(nullptr, nullptr);
        for (const std::string& f : files) DeleteFileA(f.c_str());
        StartButtonWithUnit::TearDown();
    }
    void RecordFromStartToStart(ULONGLONG recordMs) {
        g_startStop = {first, recordMs, 0, 0, 0, false};
        ASSERT_TRUE(SetTimer(nullptr, 0, kStepTimerMs, StepStartStop));
        RunMessageLoop();
        ASSERT_TRUE(g_startStop.started) << "the run started";
        ASSERT_EQ(g_startStop.step, 3) << "and the button stopped it";
        ASSERT_FALSE(RecordingNow());
    }
    // The graph saved through the program's File Save As, then a copy of the file opened.
    tagGS* SaveAndReopen(const char* name) {
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof temp, temp);
        const std::string id = std::to_string(GetCurrentProcessId());
        g_savePath = std::string(temp) + name + id + ".acq";
        const std::string copy = std::string(temp) + name + id + "_copy.acq";
        files.push_back(g_savePath);
        files.push_back(copy);
        SetFileDialogProcs(nullptr, AnswerSave);
        if (SaveDocumentAs(GetWindowGraph(first), 0, 0, nullptr, g_savePath.c_str(), nullptr) != 1) return nullptr;
        if (!CopyFileA(g_savePath.c_str(), copy.c_str(), FALSE)) return nullptr;
        return OpenGraphFileQuiet(copy.c_str(), 0, nullptr);
    }
    static BOOL AnswerSave(OPENFILENAMEA* ofn) {
        lstrcpynA(ofn->lpstrFile, g_savePath.c_str(), ofn->nMaxFile);
        if (ofn->lpstrFileTitle) ofn->lpstrFileTitle[0] = 0;
        ofn->nFilterIndex = 1;
        return TRUE;
    }
    static std::string g_savePath;
    std::vector<std::string> files;
};
std::string StartButtonOnTheUnitsClock::g_savePath;

// Stopped by the button, a run into the unit's memory keeps only frames the unit recorded, however
// many more it claims. An earlier, longer run of all four inputs leaves its frames in the unit's
// memory; the run of CH1 and CH2 over them would show them as other inputs' words, or as frames
// numbered out of turn. Each saved file holds every frame of its channels as the unit counted it,
// none empty and none stale, and each time the user is told the unit's count was not taken.
TEST_F(StartButtonOnTheUnitsClock, AStoppedUnitMemoryRunKeepsOnlyTheFramesTheUnitRecorded) {
    UnitReady();
    // Ten thousand frames more than it recorded.
    ASSERT_TRUE(SimControlSetDword(kSimRecordedBytesExtra, 40000));
    BoxCapture boxes;
    boxes.leaveAlone = "VK40 High Speed Mode - Receiving Data";  // the read-back's progress
    boxes.answer = IDYES;                                        // asked before a run replaces data
    const struct {
        const char* name;
        int inputs;
        ULONGLONG recordMs;
    } runs[] = {{"kymora_earlier_run_", 4, 400}, {"kymora_later_run_", 2, 50}};
    for (const auto& r : runs) {
        SCOPED_TRACE(r.name);
        {
            AcqLock acq(g_app->hAcq);
            // 4 s at 25 kHz: the button ends each run long before
            vk40test::SetUpRun(acq.get(), kStorageUnitMemory, vk40test::kUnitMemoryPeriodMs, 100000);
            for (int i = 0; i < kAnalogChannels; ++i)
                acq->chans[i].flags = i < r.inputs ? (acq->chans[i].flags | 2u) : (acq->chans[i].flags & ~2u);
            for (int i = kAnalogChannels; i < kMaxChanRecords; ++i) acq->chans[i].flags &= ~2u;
        }
        const size_t shown = boxes.boxes.size();
        RecordFromStartToStart(r.recordMs);
        const tagGS* gs = GetWindowGraph(first);
        ASSERT_EQ(Attached(), gs) << "the run recorded into the graph of the button";
        {
            AcqLock acq(g_app->hAcq);
            EXPECT_EQ(acq->run.analogCount, r.inputs);
        }
        const uint32_t frames = gs->chanCount[2];
        SCOPED_TRACE(std::to_string(frames) + " frames");
        EXPECT_GT(frames, 0u);
        EXPECT_LT(frames, 100000u);
        int told = 0;
        for (size_t i = shown; i < boxes.boxes.size(); ++i)
            if (boxes.boxes[i].text.find("more samples than the run can have recorded") != std::string::npos) ++told;
        EXPECT_EQ(told, 1) << "the unit's count was not taken, and the user learns it";
        tagGS* saved = SaveAndReopen(r.name);
        ASSERT_TRUE(saved);
        // Read as the program reads a long file: a window of it at a time.
        for (int slot = 1; slot <= r.inputs; ++slot) {
            SCOPED_TRACE("CH" + std::to_string(slot));
            EXPECT_EQ(gs->chanCount[slot], frames);
            ASSERT_EQ(saved->chanCount[slot], frames);
            uint32_t wrong = 0, firstWrong = frames;
            double found = 0.0;
            for (uint32_t i = 0; i < frames; ++i) {
                const auto word = static_cast<int16_t>(SimCountingWord(i, static_cast<uint32_t>(slot - 1)));
                double value = 0.0;
                if (GetChannelSample(saved, static_cast<int>(i), slot, &value) &&
                    value == RawToValue(word, saved->chanScale[slot], saved->chanOffset[slot]))
                    continue;
                if (wrong++ == 0) {
                    firstWrong = i;
                    found = value;
                }
            }
            EXPECT_EQ(wrong, 0u) << "from frame " << firstWrong << " of " << frames << " (" << found << ")";
        }
        // The copy's window goes, and the recording graph is the active one again.
        if (saved->hwnd) SendMessageA(saved->hwnd, WM_CLOSE, 0, 0);
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
        PumpMessages();
        ASSERT_EQ(g_app->hwndActiveGraph, first);
    }
}

// ---- A unit that answers wrongly or stalls ----

// Records exactly CH1 and CH2.
void RecordTwoInputs(stAcq* acq) {
    for (int i = 0; i < kAnalogChannels; ++i)
        acq->chans[i].flags = i < 2 ? (acq->chans[i].flags | 2u) : (acq->chans[i].flags & ~2u);
    for (int i = kAnalogChannels; i < kMaxChanRecords; ++i) acq->chans[i].flags &= ~2u;
}

// A control value the simulated unit keeps (it counts FaultCount down itself); ~0u when absent.
uint32_t SimControlValue(const char* name) {
    char path[MAX_PATH];
    SimControlKeyPath(path, sizeof(path));
    DWORD value = 0, size = sizeof(value);
    if (RegGetValueA(HKEY_CURRENT_USER, path, name, RRF_RT_REG_DWORD, nullptr, &value, &size) != ERROR_SUCCESS)
        return ~0u;
    return value;
}

// CH1 in frame i holds the counting word of input 0 for the i-th frame the unit recorded.
int WrongCountingWords(const tagGS* gs, int slot, uint32_t frames) {
    const auto* block = static_cast<const uint16_t*>(gs->chanBlock[slot]);
    if (!block) return -1;
    int bad = 0;
    for (uint32_t i = 0; i < frames; ++i)
        if (block[i] != SimCountingWord(i, static_cast<uint32_t>(slot - 1))) ++bad;
    return bad;
}

// One wrong answer while a run in the unit's memory is read back (to the unit's count, command
// 73, or to a request of its memory, command 74) is asked again, as a lost one is: the graph
// gets every frame the unit recorded and nothing is said.
TEST_F(StartButtonWithUnit, OneWrongAnswerWhileAUnitMemoryRunIsReadBackIsAskedAgain) {
    UnitReady();
    BoxCapture boxes;
    boxes.leaveAlone = "VK40 High Speed Mode - Receiving Data";
    boxes.answer = IDYES;
    const struct {
        const char* what;
        uint32_t fault, command;
    } cases[] = {
        {"bad checksum of the count", kSimFaultBadChecksum, 73},
        {"bad checksum of a request", kSimFaultBadChecksum, 74},
        {"a count a byte short", kSimFaultWrongLength, 73},
        {"a request a byte short", kSimFaultWrongLength, 74},
    };
    tagGS* gs = GetWindowGraph(first);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            AcqLock acq(g_app->hAcq);
            // 4 s at 25 kHz: the button ends the run at 3 s
            vk40test::SetUpRun(acq.get(), kStorageUnitMemory, vk40test::kUnitMemoryPeriodMs, 100000);
            RecordTwoInputs(acq.get());
        }
        ClickMiddle(ButtonOn(first));
        ASSERT_EQ(Running(), 1);
        for (int i = 0; i < 30; ++i) Advance(100);
        ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, c.command));
        ASSERT_TRUE(SimControlSetDword(kSimFaultCount, 1));
        ASSERT_TRUE(SimControlSetDword(kSimFault, c.fault));
        ClickMiddle(ButtonOn(first));  // the stop; the run is read back
        ASSERT_EQ(Running(), 0);
        EXPECT_EQ(SimControlValue(kSimFaultCount), 0u) << "the wrong answer came";
        ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultNone));
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
        boxes.boxes.clear();
        for (int slot = 1; slot <= 2; ++slot) {
            ASSERT_EQ(gs->chanCount[slot], 75000u) << "CH" << slot;
            EXPECT_EQ(WrongCountingWords(gs, slot, 75000), 0) << "CH" << slot;
        }
    }
}

// A run into the unit's memory ends by itself once the unit has its length, and is read back
// whole with nothing said, wherever its end falls among the program's calls to the unit and
// whatever befalls one check of the unit's count (command 73) while it records. The unit's time
// runs while the program talks to it, so its last frame, and the byte on its data stream that
// says so, can come in the middle of a count check.
TEST_F(StartButtonWithUnit, AUnitMemoryRunEndsByItselfWhereverItsEndFallsAndWhateverBefallsACountCheck) {
    UnitReady();
    BoxCapture boxes;
    boxes.leaveAlone = "VK40 High Speed Mode - Receiving Data";
    boxes.answer = IDYES;
    // Each call to the unit takes 10 ms of its time: 250 frames at 25 kHz. The rows of the same
    // fault move the run's end on by one call each.
    constexpr uint32_t kCallUs = 10000;
    const struct {
        const char* what;
        uint32_t fault;
        uint32_t frames;
    } cases[] = {
        {"the end at a call", kSimFaultNone, 25000},
        {"the end a call later", kSimFaultNone, 25250},
        {"the end two calls later", kSimFaultNone, 25500},
        {"the end three calls later", kSimFaultNone, 25750},
        {"bad checksum of a count", kSimFaultBadChecksum, 25000},
        {"a count a byte short", kSimFaultWrongLength, 25000},
        {"no answer to a count", kSimFaultNoReply, 25000},
    };
    ASSERT_TRUE(SimControlSetDword(kSimClockStepUs, kCallUs));
    tagGS* gs = GetWindowGraph(first);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        {
            AcqLock acq(g_app->hAcq);
            vk40test::SetUpRun(acq.get(), kStorageUnitMemory, vk40test::kUnitMemoryPeriodMs, c.frames);
            RecordTwoInputs(acq.get());
        }
        ClickMiddle(ButtonOn(first));
        ASSERT_EQ(Running(), 1);
        if (c.fault != kSimFaultNone) {
            for (int i = 0; i < 10; ++i) RunIdleStep();  // a fifth of the run at the least
            ASSERT_EQ(Running(), 1);
            ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, 73));
            ASSERT_TRUE(SimControlSetDword(kSimFaultCount, 1));
            ASSERT_TRUE(SimControlSetDword(kSimFault, c.fault));
        }
        // Every turn of the loop talks to the unit: ten times the run's length on its clock at least.
        for (int i = 0; i < 500 && Running(); ++i) RunIdleStep();
        if (c.fault != kSimFaultNone) {
            EXPECT_EQ(SimControlValue(kSimFaultCount), 0u) << "the wrong answer came while the run recorded";
            ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultNone));
        }
        ASSERT_EQ(Running(), 0) << "the run ended by itself";
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
        boxes.boxes.clear();
        for (int slot = 1; slot <= 2; ++slot) {
            ASSERT_EQ(gs->chanCount[slot], c.frames) << "CH" << slot;
            EXPECT_EQ(WrongCountingWords(gs, slot, c.frames), 0) << "CH" << slot;
        }
    }
}

// The graph's markers of one type: position and label.
std::vector<std::pair<uint32_t, std::string>> MarkersOfType(const tagGS* gs, int32_t type) {
    std::vector<std::pair<uint32_t, std::string>> out;
    for (const stMarkerNode* n = gs->markers ? gs->markers->first : nullptr; n; n = n->next)
        if (n->marker && n->marker->type == type) out.emplace_back(n->position, n->label);
    return out;
}

// The places where CH1's counting words do not follow one another: the unit's frames skipped.
std::vector<uint32_t> CountingJumps(const tagGS* gs, uint32_t frames) {
    std::vector<uint32_t> out;
    const auto* block = static_cast<const uint16_t*>(gs->chanBlock[1]);
    for (uint32_t i = 1; block && i < frames; ++i)
        if ((block[i] & 0x0FFFu) != ((block[i - 1] + 1u) & 0x0FFFu)) out.push_back(i);
    return out;
}

// A stall of the unit's ring in the middle of a run on the first graph's button.
struct stStallCase {
    int32_t storage;
    double periodMs;
    uint32_t frames;   // the run's length
    int ticksBefore;   // 100 ms ticks before the unit stalls
    int ticksStalled;  // and while it does
    uint32_t gapAt;    // the first frame after the gap
};

// The run ends at its length; the frames after the gap are the unit's later ones, the user is told
// once, and a marker stands where the gap is.
void StartButtonWithUnit::RunThroughAStall(const stStallCase& stall) {
    UnitReady();
    BoxCapture boxes;
    boxes.leaveAlone = "VK40 High Speed Mode - Receiving Data";
    {
        AcqLock acq(g_app->hAcq);
        vk40test::SetUpRun(acq.get(), stall.storage, stall.periodMs, stall.frames);
        RecordTwoInputs(acq.get());
    }
    ClickMiddle(ButtonOn(first));
    ASSERT_EQ(Running(), 1);
    for (int i = 0; i < stall.ticksBefore; ++i) Advance(100);
    ASSERT_TRUE(SimControlSetDword(kSimRingStalled, 1));
    for (int i = 0; i < stall.ticksStalled; ++i) Advance(100);
    ASSERT_TRUE(SimControlSetDword(kSimRingStalled, 0));
    EXPECT_EQ(Running(), 1) << "a stall shorter than the ring does not end the run";
    for (int i = 0; i < 300 && Running(); ++i) Advance(100);
    ASSERT_EQ(Running(), 0);
    const tagGS* gs = GetWindowGraph(first);
    ASSERT_EQ(gs->chanCount[1], stall.frames);
    const std::vector<uint32_t> jumps = CountingJumps(gs, stall.frames);
    ASSERT_EQ(jumps.size(), 1u) << "the unit skipped the frames of its stall once";
    EXPECT_EQ(jumps[0], stall.gapAt);
    const auto marks = MarkersOfType(gs, kMarkerSequential);
    ASSERT_EQ(marks.size(), 1u);
    EXPECT_EQ(marks[0].first, jumps[0]) << "the marker stands where the frames are missing";
    EXPECT_EQ(marks[0].second, "Samples lost");
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text,
              "The unit delivered fewer samples than fell due on its clock: some are missing.\nA marker shows where; "
              "the samples after it were recorded later than their place suggests.");
}

// The unit stops writing its ring for 3 s (less than the ring holds) in a host-paced run: the
// run goes on to its length.
TEST_F(StartButtonWithUnit, AShortStallOfTheUnitIsToldAndMarkedWhereItsFramesAreMissing) {
    RunThroughAStall({kStorageMemory, 1.0, 20000, 34, 30, 3400});
}

// The same stall in a run into the unit's memory (4 s at 25 kHz): the unit goes on until it has
// its length, and the user is told once the run is read back.
TEST_F(StartButtonWithUnit, AShortStallOfTheUnitInAUnitMemoryRunIsToldAndMarkedWhereItsFramesAreMissing) {
    RunThroughAStall({kStorageUnitMemory, vk40test::kUnitMemoryPeriodMs, 100000, 20, 10, 50000});
}

// Stopped by the button, a run in the unit's memory of an honest unit keeps every frame the unit
// counted, at each rate: the frames it took while the go and the stop were exchanged among them.
TEST_F(StartButtonOnTheUnitsClock, AStoppedUnitMemoryRunOfAnHonestUnitKeepsTheUnitsOwnCount) {
    UnitReady();
    BoxCapture boxes;
    boxes.leaveAlone = "VK40 High Speed Mode - Receiving Data";
    boxes.answer = IDYES;
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    const std::string log = std::string(temp) + "kymora_honest_" + std::to_string(GetCurrentProcessId()) + ".log";
    files.push_back(log);
    for (const double period : {0.04, 0.025, 0.01}) {
        SCOPED_TRACE(1.0 / period);
        {
            AcqLock acq(g_app->hAcq);
            vk40test::SetUpRun(acq.get(), kStorageUnitMemory, period, 100000);
            RecordTwoInputs(acq.get());
        }
        DeleteFileA(log.c_str());
        ASSERT_TRUE(SimControlSetString(kSimLogFile, log.c_str()));
        RecordFromStartToStart(50);
        SimControlSetString(kSimLogFile, "");
        // The unit's answer to its count (command 73): "< 01 b2 b1 b0 checksum".
        const std::vector<std::string> lines = vk40test::ReadPacketLog(log);
        uint32_t counted = 0;
        bool found = false;
        for (size_t i = 0; i + 1 < lines.size(); ++i) {
            if (lines[i].compare(0, 7, "> 01 49") != 0) continue;
            unsigned b2 = 0, b1 = 0, b0 = 0;
            found = sscanf(lines[i + 1].c_str(), "< 01 %x %x %x", &b2, &b1, &b0) == 3;
            counted = (b2 << 16) | (b1 << 8) | b0;
        }
        ASSERT_TRUE(found) << "the unit was asked its count";
        const tagGS* gs = GetWindowGraph(first);
        ASSERT_GT(counted, 0u);
        EXPECT_EQ(gs->chanCount[1], counted / 4) << "every frame the unit counted is kept";
        EXPECT_EQ(WrongCountingWords(gs, 1, gs->chanCount[1]), 0);
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes[0].text;
        boxes.boxes.clear();
    }
}

}  // namespace
