// Frame commands sent as menu clicks: which reach the device library, the default frame
// procedure, the file and window handlers, and what the permission table holds back.
#include "commands_fixture.h"
#include "base/app.h"
#include "base/resource.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "graph/window/graph_window.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "devlib/resource.h"
#include "shell/commands/dispatch.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "shell/startup.h"
#include "graph/document/graph_doc.h"
#include "scripts/script_api.h"
#include "documents/items/std_curve.h"
#include "devlib/vk40.h"
#include <cstdio>
#include <ostream>
#include <string>

// Failures name the handler rather than its number.
void PrintTo(CommandHandler handler, std::ostream* os) {
    static const char* const names[] = {
        "OutputPanels", "GraphWindow", "PasteValues",  "Segment",       "RecentFile", "File",
        "Edit",         "Marker",      "Transform",    "Display",       "Window",     "Help",
        "Lesson",       "Device",      "ScriptButton", "StandardCurve", "Default",
    };
    *os << names[static_cast<int>(handler)];
}

namespace {

class Dispatch : public CommandsTest {};

std::string Title(HWND hwnd) {
    char text[128] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    return text;
}

std::string CurrentFolder() {
    char dir[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof dir, dir);
    return dir;
}

// The routing table at every edge: each range's first and last id and the ids just outside it.
// Where ranges nest or meet (the output panels and 10000 inside the device range) the earlier
// row wins.
TEST(DispatchTable, BoundaryIdsReachTheirHandlers) {
    using H = CommandHandler;
    const struct {
        UINT id;
        H handler;
    } rows[] = {
        {0, H::Default},
        {IDC_TOOL_ARROW - 1, H::Default},
        {IDC_TOOL_ARROW, H::GraphWindow},
        {IDC_TOOL_ZOOM, H::GraphWindow},
        {IDC_TOOL_ZOOM + 1, H::Default},
        {IDM_FILE_FIRST - 1, H::Default},
        {IDM_FILE_FIRST, H::File},
        {IDM_FILE_LAST, H::File},
        {IDM_FILE_LAST + 1, H::Default},
        {IDM_LESSON_FIRST - 1, H::Default},
        {IDM_LESSON_FIRST, H::Lesson},
        {IDM_LESSON_LAST, H::Lesson},
        {IDM_LESSON_LAST + 1, H::Default},
        {IDM_JOURNAL_PASTE_VALUES - 1, H::Default},
        {IDM_JOURNAL_PASTE_VALUES, H::PasteValues},
        {IDM_JOURNAL_PASTE_VALUES + 1, H::Default},
        {IDM_EDIT_FIRST - 1, H::Default},
        {IDM_EDIT_FIRST, H::Edit},
        {IDM_EDIT_LAST, H::Edit},
        {IDM_EDIT_LAST + 1, H::Default},
        {IDM_TRANSFORM_FIRST - 1, H::Default},
        {IDM_TRANSFORM_FIRST, H::Transform},
        {IDM_TRANSFORM_LAST, H::Transform},
        {IDM_TRANSFORM_LAST + 1, H::Default},
        {IDM_DISPLAY_FIRST - 1, H::Default},
        {IDM_DISPLAY_FIRST, H::Display},
        {IDM_DISPLAY_LAST, H::Display},
        {IDM_DISPLAY_LAST + 1, H::Default},
        {IDM_WINDOW_FIRST - 1, H::Default},
        {IDM_WINDOW_FIRST, H::Window},
        {IDM_WINDOW_CHILD_FIRST, H::Window},
        {IDM_WINDOW_LAST, H::Window},
        {IDM_WINDOW_LAST + 1, H::Default},
        {IDM_HELP_FIRST, H::Help},
        {IDM_HELP_LAST, H::Help},
        {IDM_HELP_LAST + 1, H::Default},
        {IDM_MARKER_FIRST - 1, H::Default},
        {IDM_MARKER_FIRST, H::Marker},
        {IDM_MARKER_LAST, H::Marker},
        {IDM_KEY_LEFT, H::GraphWindow},
        {IDM_KEY_DOWN, H::GraphWindow},
        {IDM_KEY_DOWN + 1, H::Default},
        {IDM_STANDARD_CURVE - 1, H::Default},
        {IDM_STANDARD_CURVE, H::StandardCurve},
        {IDM_SEGMENT_VIEW, H::Segment},
        {IDM_ERASE_SEGMENT, H::Segment},
        {IDM_ERASE_SEGMENT + 1, H::Default},
        {IDM_DEVICE_FIRST - 1, H::Default},
        {IDM_DEVICE_FIRST, H::Device},
        {IDM_OUTPUT_PANEL_DIALOG - 1, H::Device},
        {IDM_OUTPUT_PANEL_DIALOG, H::OutputPanels},
        {IDM_OUTPUT_PANEL_DIALOG + 1, H::Device},
        {IDM_OUTPUT_FIRST - 1, H::Device},
        {IDM_OUTPUT_FIRST, H::OutputPanels},
        {IDM_OUTPUT_LAST, H::OutputPanels},
        {IDM_OUTPUT_LAST + 1, H::Device},
        {IDC_START_BUTTON, H::Device},
        {IDM_DEVICE_LAST, H::Device},
        {IDM_RECENT_FILE_FIRST - 1, H::Device},
        {IDM_RECENT_FILE_FIRST, H::RecentFile},
        {10000, H::RecentFile},
        {IDM_RECENT_FILE_LAST, H::RecentFile},
        {IDM_RECENT_FILE_LAST + 1, H::Default},
        {IDC_SCRIPT_BUTTON_FIRST - 1, H::Default},
        {IDC_SCRIPT_BUTTON_FIRST, H::ScriptButton},
        {IDC_SCRIPT_BUTTON_LAST, H::ScriptButton},
        {IDC_SCRIPT_BUTTON_LAST + 1, H::Default},
        {0xFFFF, H::Default},
    };
    for (const auto& row : rows) EXPECT_EQ(FindCommandHandler(row.id), row.handler) << row.id;
}

TEST_F(Dispatch, DeviceRangeReachesTheLibraryAndNothingElse) {
    struct Row {
        UINT id;
        bool reachesLibrary;
    } rows[] = {
        {IDM_DEVICE_FIRST, true},      {IDM_CHANNELS, true},
        {IDM_INPUTVALUES, true},       {7777, true},
        {IDM_DEVICE_LAST, true},       {9999, true},
        {IDM_RECENT_FILE_FIRST, false}, {10000, false},                   // recent file 0
        {IDM_RECENT_FILE_LAST, false}, {IDM_OUTPUT_PANEL_DIALOG, false},  // output panels of a graph that has none
        {IDM_OUTPUT_FIRST, false},     {IDM_OUTPUT_LAST, false},
        {IDC_START_BUTTON, false},  // the Start button is not on the graph
        {IDM_DEVICE_FIRST - 1, false}, {IDC_SCRIPT_BUTTON_FIRST, false},
        {IDM_FILE_NEW, false},
    };
    // Take the device library's Start button off the graph.
    if (HWND start = GetDlgItem(g_app->hwndActiveGraph, IDC_START_BUTTON)) DestroyWindow(start);
    for (const Row& row : rows) {
        s_deviceCalls.clear();
        Command(row.id, 3, g_app->hwndFrame);
        if (!row.reachesLibrary) {
            EXPECT_TRUE(s_deviceCalls.empty()) << row.id;
            continue;
        }
        ASSERT_EQ(s_deviceCalls.size(), 1u) << row.id;
        EXPECT_EQ(s_deviceCalls[0].id, static_cast<int32_t>(row.id));
        EXPECT_EQ(s_deviceCalls[0].window, g_app->hwndFrame);
        EXPECT_EQ(s_deviceCalls[0].text, reinterpret_cast<const char*>(g_app->hwndFrame));
        EXPECT_EQ(s_deviceCalls[0].code, 3);
    }
    EXPECT_EQ(g_commandWindow, g_app->hwndFrame);
}

TEST_F(Dispatch, StartButtonGoesOnOnlyWhileItCanBeClicked) {
    HWND graphWnd = g_app->hwndActiveGraph;
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    // The device library put its Start button on the graph when the graph was attached.
    HWND start = GetDlgItem(graphWnd, IDC_START_BUTTON);
    ASSERT_TRUE(start);
    ShowWindow(start, SW_HIDE);
    Command(IDC_START_BUTTON);  // hidden
    EXPECT_TRUE(s_deviceCalls.empty());
    ShowWindow(start, SW_SHOW);
    EnableWindow(start, FALSE);
    Command(IDC_START_BUTTON);
    EXPECT_TRUE(s_deviceCalls.empty());
    EnableWindow(start, TRUE);
    gs->currentTool = IDC_TOOL_ZOOM;
    gs->toolsWhileRecording = 1;
    Command(IDC_START_BUTTON);
    ASSERT_EQ(s_deviceCalls.size(), 1u);
    EXPECT_EQ(s_deviceCalls[0].id, IDC_START_BUTTON);
    EXPECT_EQ(gs->currentTool, IDC_TOOL_ZOOM);  // kept usable during the recording
    gs->toolsWhileRecording = 0;
    Command(IDC_START_BUTTON);
    EXPECT_EQ(s_deviceCalls.size(), 2u);
    EXPECT_EQ(gs->currentTool, IDC_TOOL_ARROW);  // back to the arrow
}

TEST_F(Dispatch, FileNewMakesTheNextUntitledGraph) {
    const int before = GraphWindowCount();
    const std::string first = Title(g_app->hwndActiveGraph);
    Command(IDM_FILE_NEW);
    Command(IDM_FILE_NEW);
    EXPECT_EQ(GraphWindowCount(), before + 2);
    const std::string last = Title(g_app->hwndActiveGraph);
    int a = 0, b = 0;
    ASSERT_EQ(std::sscanf(first.c_str(), "Untitled%d", &a), 1) << first;
    ASSERT_EQ(std::sscanf(last.c_str(), "Untitled%d", &b), 1) << last;
    EXPECT_EQ(b, a + 2);
}

TEST_F(Dispatch, TheStandardCurveCommandShowsTheActiveGraphsOneDialog) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    gs->selectedChan = 3;
    lstrcpyA(gs->chanLabel[3], "Absorbance 540");
    Command(IDM_STANDARD_CURVE);
    HWND dlg = StandardCurveDialogWindow(gs);
    ASSERT_TRUE(dlg);
    EXPECT_TRUE(IsWindowVisible(dlg));
    char text[64] = "";
    GetDlgItemTextA(dlg, IDC_CURVE_Y_LABEL, text, sizeof text);
    EXPECT_STREQ(text, "Absorbance 540");
    // While it is active the main loop gives it keyboard navigation.
    SendMessageA(dlg, WM_ACTIVATE, WA_ACTIVE, 0);
    EXPECT_EQ(g_app->hwndActiveDlg, dlg);
    Command(IDM_STANDARD_CURVE);
    EXPECT_EQ(StandardCurveDialogWindow(gs), dlg);
    SendMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
    EXPECT_FALSE(IsWindow(dlg));
    EXPECT_EQ(StandardCurveDialogWindow(gs), nullptr);
    EXPECT_NE(g_app->hwndActiveDlg, dlg);
    // Closing the graph takes an open dialog with it.
    Command(IDM_STANDARD_CURVE);
    dlg = StandardCurveDialogWindow(gs);
    ASSERT_TRUE(dlg);
    Command(IDM_FILE_CLOSE);
    EXPECT_FALSE(IsWindow(dlg));
}

TEST_F(Dispatch, ModeCommandsSwitchTheActiveGraph) {
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(gs);
    const struct {
        UINT id;
        uint32_t mode;
    } cases[] = {{IDM_SHOW_SCOPE, kModeScope},
                 {IDM_SHOW_XY, kModeXY},
                 {IDM_SHOW_CHART, kModeChart},
                 {IDM_SHOW_CHART, kModeChart}};
    for (const auto& c : cases) {
        setDirtyGraphFlag(gs, 0);
        Command(c.id);
        EXPECT_EQ(gs->displayMode, c.mode) << c.id;
    }
    EXPECT_EQ(gs->modified, 0u);  // choosing the mode it is already in changes nothing
}

TEST_F(Dispatch, CloseTakesTheActiveGraphAndCloseAllTheRest) {
    Command(IDM_FILE_NEW);
    Command(IDM_FILE_NEW);
    ASSERT_EQ(GraphWindowCount(), 3);
    HWND active = g_app->hwndActiveGraph;
    Command(IDM_FILE_CLOSE);
    EXPECT_FALSE(IsWindow(active));
    EXPECT_EQ(GraphWindowCount(), 2);
    Command(IDM_WINDOW_CLOSE_ALL);
    EXPECT_EQ(GraphWindowCount(), 0);
    EXPECT_TRUE(IsWindowVisible(g_app->hwndClient));
}

TEST_F(Dispatch, CloseAllStopsAtAGraphThatRefuses) {
    Command(IDM_FILE_NEW);
    Command(IDM_FILE_NEW);
    ASSERT_EQ(GraphWindowCount(), 3);
    // Walk order is the client's child order: the graph made last comes first.
    tagGS* refusing = Graph();
    refusing->acquiring = 1;
    Command(IDM_WINDOW_CLOSE_ALL);
    EXPECT_EQ(GraphWindowCount(), 3);
    refusing->acquiring = 0;
    Command(IDM_WINDOW_CLOSE_ALL);
    EXPECT_EQ(GraphWindowCount(), 0);
}

TEST_F(Dispatch, UnhandledIdsGoToTheDefaultFrameProcedure) {
    HWND first = g_app->hwndActiveGraph;
    Command(IDM_FILE_NEW);
    HWND second = g_app->hwndActiveGraph;
    ASSERT_NE(first, second);
    // The Window menu's list: its first entry is the first child.
    Command(IDM_WINDOW_CHILD_FIRST);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), first);
    Command(IDM_WINDOW_CHILD_FIRST + 1);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), second);
    // Default processing ends with the panes in the status line.
    SetStatusText("Busy");
    Command(3000);  // in no range
    EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u) << GetStatusTextShown();
    EXPECT_TRUE(s_deviceCalls.empty());
}

TEST_F(Dispatch, QuitClosesTheFrameUnlessTheLessonForbidsIt) {
    HWND frame = g_app->hwndFrame;
    ASSERT_EQ(SetStatusHotKeyEx(IDM_FILE_QUIT, 0), 1);
    Command(IDM_FILE_QUIT);
    EXPECT_TRUE(IsWindow(frame));
    ASSERT_EQ(SetStatusHotKeyEx(IDM_FILE_QUIT, 1), 1);
    Command(IDM_FILE_QUIT);
    EXPECT_FALSE(IsWindow(frame));
}

TEST_F(Dispatch, RestrictedFileCommandDoesNothing) {
    // New is not in the table: unregistered ids are always allowed, until a lesson registers them.
    const int before = GraphWindowCount();
    ASSERT_EQ(RegHotKeyEx(IDM_FILE_NEW, 0, 0), 1);
    Command(IDM_FILE_NEW);
    EXPECT_EQ(GraphWindowCount(), before);
    EnableAllHotKeys();
    Command(IDM_FILE_NEW);
    EXPECT_EQ(GraphWindowCount(), before + 1);
}

TEST_F(Dispatch, TransformWithoutAGraphWarns) {
    Command(IDM_WINDOW_CLOSE_ALL);
    ASSERT_EQ(GraphWindowCount(), 0);
    BoxCapture boxes;
    for (UINT id : {IDM_FIR_LOW_PASS, IDM_TRANSFORM_INTEGRAL, IDM_TRANSFORM_FIND_RATE, IDM_IIR_BAND_STOP}) Command(id);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "Warning");
        EXPECT_EQ(box.text, "You have no data to perform the selected operation");
    }
}

TEST_F(Dispatch, GraphCommandsWithoutAGraphDoNothing) {
    Command(IDM_WINDOW_CLOSE_ALL);
    ASSERT_EQ(GraphWindowCount(), 0);
    BoxCapture boxes;
    for (UINT id : {IDM_JOURNAL_PASTE_VALUES, IDM_MARKER_FIND, IDM_MARKER_CLEAR_CURRENT, IDM_MARKER_LISTED_FIRST,
                    IDM_STANDARD_CURVE, IDM_SEGMENT_VIEW, IDM_ERASE_SEGMENT, IDC_TOOL_ARROW, IDM_KEY_LEFT,
                    IDM_EDIT_UNDO, IDM_EDIT_CUT, IDM_EDIT_SELECT_ALL, IDM_FILE_USER_ITEM1, IDC_SCRIPT_BUTTON_FIRST + 5})
        Command(id);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_TRUE(s_deviceCalls.empty());
    EXPECT_TRUE(IsWindow(g_app->hwndFrame));
}

TEST_F(Dispatch, ClampSelectionToSegmentLeavesTimesWithoutASegment) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    double t0 = 900.0, t1 = -5.0;
    ClampSelectionToSegment(gs, &t0, &t1);
    EXPECT_EQ(t0, 900.0);
    EXPECT_EQ(t1, -5.0);
}

// A segment of samples 100 .. 300 at 2 ms: times 200 .. 600 ms.
TEST(DispatchSegments, SelectionsCrossingASegmentEdgeAreClampedAndThoseInsideStay) {
    struct Row {
        double t0, t1;  // the selection, in either order
        double want0, want1;
    } const rows[] = {
        {250.0, 500.0, 250.0, 500.0},                                // inside: unchanged
        {500.0, 250.0, 500.0, 250.0},                                // inside, ends the other way round
        {200.0, 599.0, 200.0, 599.0},                                // on the start, and just before the end
        {150.0, 400.0, 200.0, 400.0},                                // crosses the start
        {400.0, 150.0, 400.0, 200.0}, {450.0, 700.0, 450.0, 600.0},  // crosses the end
        {600.0, 300.0, 600.0, 300.0},                                // at the end: held there
        {-50.0, 1e9, 200.0, 600.0},                                  // over the whole segment and beyond
        {10.0, 20.0, 200.0, 200.0},                                  // wholly before it
    };
    for (const Row& r : rows) {
        double t0 = r.t0, t1 = r.t1;
        ClampTimesToSegment(100, 300, 2.0, &t0, &t1);
        EXPECT_EQ(t0, r.want0) << r.t0 << " " << r.t1;
        EXPECT_EQ(t1, r.want1) << r.t0 << " " << r.t1;
    }
}

// A lesson tree beside a temporary program folder.
class DispatchLessons : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        char dir[MAX_PATH];
        std::snprintf(dir, sizeof dir, "%skymora_lessons_%lu", temp, GetCurrentProcessId());
        m_root = dir;
        CreateDirectoryA(m_root.c_str(), nullptr);
        CreateDirectoryA((m_root + "\\Lessons").c_str(), nullptr);
        lstrcpynA(g_app->szAppFolder, m_root.c_str(), sizeof g_app->szAppFolder);
    }
    void TearDown() override {
        SetCurrentDirectoryA(m_saved.c_str());
        for (const std::string& f : m_folders) {
            DeleteFileA((Lessons() + "\\" + f + "\\" + f).c_str());
            RemoveDirectoryA((Lessons() + "\\" + f).c_str());
        }
        RemoveDirectoryA(Lessons().c_str());
        RemoveDirectoryA(m_root.c_str());
        CommandsTest::TearDown();
    }
    std::string Lessons() const { return m_root + "\\Lessons"; }
    void AddLesson(const std::string& folder) {
        CreateDirectoryA((Lessons() + "\\" + folder).c_str(), nullptr);
        HANDLE f = CreateFileA((Lessons() + "\\" + folder + "\\" + folder).c_str(), GENERIC_WRITE, 0, nullptr,
                               CREATE_ALWAYS, 0, nullptr);
        CloseHandle(f);
        m_folders.push_back(folder);
    }
    // The Lessons popup, appended to the frame menu as the start-up lesson does.
    HMENU BuildPopup() {
        HMENU popup = CreatePopupMenu();
        EXPECT_EQ(BuildLessonsMenu(popup), 1);
        AppendMenuA(Menu(), MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "&Lessons");
        return popup;
    }
    std::string m_root, m_saved = CurrentFolder();
    std::vector<std::string> m_folders;
};

TEST_F(DispatchLessons, AnEntryOpensItsLessonFromTheProgramFolder) {
    AddLesson("beta");
    AddLesson("alpha");
    AddLesson("delta");
    FillUpLessonDescriptions(Lessons().c_str());
    ASSERT_EQ(SetDisplayNameByDisplayName("delta", "Rock & Roll & Blues"), 1);
    ASSERT_EQ(SetDisplayNameByDisplayName("beta", "X&&Y"), 1);
    HMENU popup = BuildPopup();
    ASSERT_EQ(GetMenuItemCount(popup), 3);
    char text[64];
    GetMenuStringA(popup, 0, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "alpha");
    GetMenuStringA(popup, 1, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "Rock && Roll & Blues");
    GetMenuStringA(popup, 2, text, sizeof text, MF_BYPOSITION);
    EXPECT_STREQ(text, "X&&&Y");

    // Each entry is found again from its menu text: the folder moves to the program folder and
    // the script loader gets the lesson's script, named after its folder inside it.
    struct Row {
        UINT id;
        const char* folder;
    } rows[] = {{IDM_LESSON_FIRST, "alpha"}, {IDM_LESSON_FIRST + 1, "delta"}, {IDM_LESSON_FIRST + 2, "beta"}};
    for (const Row& row : rows) {
        SetCurrentDirectoryA(m_saved.c_str());
        Command(row.id);
        EXPECT_EQ(lstrcmpiA(CurrentFolder().c_str(), m_root.c_str()), 0) << row.id;
        const std::string script = Lessons() + "\\" + row.folder + "\\" + row.folder;
        EXPECT_EQ(lstrcmpiA(LastOpenedScriptPath(), script.c_str()), 0) << row.id << ": " << LastOpenedScriptPath();
        EXPECT_NE(GetFileAttributesA(LastOpenedScriptPath()), INVALID_FILE_ATTRIBUTES) << row.id;
    }
    // An entry whose name the lesson list does not know changes nothing and loads nothing.
    const std::string last = LastOpenedScriptPath();
    ModifyMenuA(popup, IDM_LESSON_FIRST, MF_BYCOMMAND | MF_STRING, IDM_LESSON_FIRST, "nobody");
    SetCurrentDirectoryA(m_saved.c_str());
    Command(IDM_LESSON_FIRST);
    EXPECT_EQ(CurrentFolder(), m_saved);
    EXPECT_EQ(LastOpenedScriptPath(), last);
    EXPECT_TRUE(s_deviceCalls.empty());
}

}  // namespace

namespace {

// Edits that cannot work report the operation by name: copying from a channel that holds no
// samples, and making a channel when every slot is taken. An edit without a selection does
// nothing and says nothing; a restricted edit does nothing at all.
TEST_F(Dispatch, FailedEditsNameTheirOperation) {
    for (UINT id : {IDM_EDIT_CUT, IDM_EDIT_PASTE, IDM_EDIT_CLEAR}) ASSERT_EQ(SetStatusHotKeyEx(id, 1), 1);
    ASSERT_TRUE(g_app->gsClipboard);
    g_app->gsClipboard->chanCount[0] = 0;
    enum Slots { kActiveOnly, kAllTaken };
    struct Row {
        UINT id;
        Slots slots;
        bool withSelection;
        const char* name;  // null: no box
    } rows[] = {
        {IDM_EDIT_COPY, kActiveOnly, true, "Copy"},
        {IDM_EDIT_CUT, kActiveOnly, true, "Cut"},
        {IDM_EDIT_COPY, kActiveOnly, false, nullptr},
        {IDM_EDIT_CUT, kActiveOnly, false, nullptr},
        {IDM_EDIT_CLEAR, kActiveOnly, false, nullptr},
        {IDM_EDIT_INSERT_WAVEFORM, kAllTaken, false, "Insert"},
        {IDM_EDIT_DUPLICATE_WAVEFORM, kAllTaken, true, "Duplicate"},
        {IDM_EDIT_DUPLICATE_WAVEFORM, kAllTaken, false, "Duplicate"},
    };
    for (const Row& row : rows) {
        tagGS* gs = Graph();
        ASSERT_TRUE(gs);
        for (int slot = 0; slot < kMaxChannels; ++slot) {
            gs->chanFlags[slot] = row.slots == kAllTaken || (row.slots == kActiveOnly && slot == 2) ? 2 : 0;
            gs->chanCount[slot] = 0;
        }
        gs->selectedChan = 2;
        gs->selStart = 0.0;
        gs->selEnd = row.withSelection ? 40.0 : 0.0;
        BoxCapture boxes;
        Command(row.id);
        if (!row.name) {
            EXPECT_TRUE(boxes.boxes.empty()) << row.id;
            continue;
        }
        ASSERT_EQ(boxes.boxes.size(), 1u) << row.id;
        EXPECT_EQ(boxes.boxes[0].text, std::string("Not enough memory for ") + row.name);
        EXPECT_EQ(boxes.boxes[0].caption, "Norvane Tessaly");
    }
    tagGS* gs = Graph();
    for (int slot = 0; slot < kMaxChannels; ++slot) gs->chanFlags[slot] = 0;
    // Restricted again by the lesson: Cut neither acts nor reports, and its item greys.
    ASSERT_EQ(SetStatusHotKeyEx(IDM_EDIT_CUT, 0), 1);
    gs->chanFlags[2] = 2;
    gs->selEnd = 40.0;
    InitMenu();
    EXPECT_TRUE(Grayed(IDM_EDIT_CUT));
    BoxCapture boxes;
    Command(IDM_EDIT_CUT);
    EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
