// Frame commands sent as menu clicks: which reach the device library, the default frame
// procedure, the file and window handlers, and what the permission table holds back.
#include "commands_fixture.h"
#include "base/app.h"
#include "shell/commands/dispatch.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "graph/document/graph_doc.h"
#include "devlib/vk40.h"
#include <cstdio>
#include <string>

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

TEST_F(Dispatch, DeviceRangeReachesTheLibraryAndNothingElse) {
    struct Row {
        UINT id;
        bool reachesLibrary;
    } rows[] = {
        {5000, true},   {5001, true},  {5003, true},  {7777, true},  {9999, true},
        {10000, false},  // recent file 0
        {10004, false},
        {5029, false},  // output panels of a graph that has none
        {5032, false},  {5039, false},
        {8448, false},  // the Start button is not on the graph
        {4999, false},  {12000, false}, {257, false},
    };
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
    HWND start = CreateWindowExA(0, "BUTTON", "Start", WS_CHILD, 0, 0, 40, 20, graphWnd,
                                 reinterpret_cast<HMENU>(static_cast<UINT_PTR>(8448)), nullptr, nullptr);
    ASSERT_TRUE(start);
    Command(8448);  // hidden
    EXPECT_TRUE(s_deviceCalls.empty());
    ShowWindow(start, SW_SHOW);
    EnableWindow(start, FALSE);
    Command(8448);
    EXPECT_TRUE(s_deviceCalls.empty());
    EnableWindow(start, TRUE);
    gs->currentTool = 18;
    gs->toolsWhileRecording = 1;
    Command(8448);
    ASSERT_EQ(s_deviceCalls.size(), 1u);
    EXPECT_EQ(s_deviceCalls[0].id, 8448);
    EXPECT_EQ(gs->currentTool, 18);  // kept usable during the recording
    gs->toolsWhileRecording = 0;
    Command(8448);
    EXPECT_EQ(s_deviceCalls.size(), 2u);
    EXPECT_EQ(gs->currentTool, 16);  // back to the arrow
}

TEST_F(Dispatch, FileNewMakesTheNextUntitledGraph) {
    const int before = GraphWindowCount();
    const std::string first = Title(g_app->hwndActiveGraph);
    Command(257);
    Command(257);
    EXPECT_EQ(GraphWindowCount(), before + 2);
    const std::string last = Title(g_app->hwndActiveGraph);
    int a = 0, b = 0;
    ASSERT_EQ(std::sscanf(first.c_str(), "Untitled%d", &a), 1) << first;
    ASSERT_EQ(std::sscanf(last.c_str(), "Untitled%d", &b), 1) << last;
    EXPECT_EQ(b, a + 2);
}

TEST_F(Dispatch, ModeCommandsSwitchTheActiveGraph) {
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(gs);
    const struct {
        UINT id;
        uint32_t mode;
    } cases[] = {{2082, 0}, {2084, 2}, {2083, 1}, {2083, 1}};
    for (const auto& c : cases) {
        setDirtyGraphFlag(gs, 0);
        Command(c.id);
        EXPECT_EQ(gs->displayMode, c.mode) << c.id;
    }
    EXPECT_EQ(gs->modified, 0u);  // choosing the mode it is already in changes nothing
}

TEST_F(Dispatch, CloseTakesTheActiveGraphAndCloseAllTheRest) {
    Command(257);
    Command(257);
    ASSERT_EQ(GraphWindowCount(), 3);
    HWND active = g_app->hwndActiveGraph;
    Command(268);
    EXPECT_FALSE(IsWindow(active));
    EXPECT_EQ(GraphWindowCount(), 2);
    Command(4100);
    EXPECT_EQ(GraphWindowCount(), 0);
    EXPECT_TRUE(IsWindowVisible(g_app->hwndClient));
}

TEST_F(Dispatch, CloseAllStopsAtAGraphThatRefuses) {
    Command(257);
    Command(257);
    ASSERT_EQ(GraphWindowCount(), 3);
    // Walk order is the client's child order: the graph made last comes first.
    tagGS* refusing = Graph();
    refusing->acquiring = 1;
    Command(4100);
    EXPECT_EQ(GraphWindowCount(), 3);
    refusing->acquiring = 0;
    Command(4100);
    EXPECT_EQ(GraphWindowCount(), 0);
}

TEST_F(Dispatch, UnhandledIdsGoToTheDefaultFrameProcedure) {
    HWND first = g_app->hwndActiveGraph;
    Command(257);
    HWND second = g_app->hwndActiveGraph;
    ASSERT_NE(first, second);
    // The Window menu's list: its first entry is the first child (id 4112).
    Command(4112);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), first);
    Command(4113);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), second);
    // Default processing ends with the panes in the status line.
    SetStatusText("Busy");
    Command(3000);
    EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u) << GetStatusTextShown();
    EXPECT_TRUE(s_deviceCalls.empty());
}

TEST_F(Dispatch, QuitClosesTheFrameUnlessTheLessonForbidsIt) {
    HWND frame = g_app->hwndFrame;
    ASSERT_EQ(SetStatusHotKeyEx(262, 0), 1);
    Command(262);
    EXPECT_TRUE(IsWindow(frame));
    ASSERT_EQ(SetStatusHotKeyEx(262, 1), 1);
    Command(262);
    EXPECT_FALSE(IsWindow(frame));
}

TEST_F(Dispatch, RestrictedFileCommandDoesNothing) {
    // 257 is not in the table: unregistered ids are always allowed, until a lesson registers them.
    const int before = GraphWindowCount();
    ASSERT_EQ(RegHotKeyEx(257, 0, 0), 1);
    Command(257);
    EXPECT_EQ(GraphWindowCount(), before);
    EnableAllHotKeys();
    Command(257);
    EXPECT_EQ(GraphWindowCount(), before + 1);
}

TEST_F(Dispatch, TransformWithoutAGraphWarns) {
    Command(4100);
    ASSERT_EQ(GraphWindowCount(), 0);
    BoxCapture boxes;
    for (UINT id : {1026u, 1056u, 1066u, 1077u}) Command(id);
    ASSERT_EQ(boxes.boxes.size(), 4u);
    for (const auto& box : boxes.boxes) {
        EXPECT_EQ(box.caption, "Warning");
        EXPECT_EQ(box.text, "You have no data to perform the selected operation");
    }
}

TEST_F(Dispatch, GraphCommandsWithoutAGraphDoNothing) {
    Command(4100);
    ASSERT_EQ(GraphWindowCount(), 0);
    BoxCapture boxes;
    for (UINT id : {402u, 4607u, 4609u, 4617u, 4880u, 4881u, 4882u, 16u, 4864u, 513u, 514u, 521u, 264u, 12005u})
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

    // Each entry is found again from its menu text: the folder moves to the program folder.
    for (UINT id : {322u, 323u, 324u}) {
        SetCurrentDirectoryA(m_saved.c_str());
        Command(id);
        EXPECT_EQ(lstrcmpiA(CurrentFolder().c_str(), m_root.c_str()), 0) << id;
    }
    // An entry whose name the lesson list does not know changes nothing.
    ModifyMenuA(popup, 322, MF_BYCOMMAND | MF_STRING, 322, "nobody");
    SetCurrentDirectoryA(m_saved.c_str());
    Command(322);
    EXPECT_EQ(CurrentFolder(), m_saved);
    EXPECT_TRUE(s_deviceCalls.empty());
}

}  // namespace

namespace {

// Edits that fail report the operation by name; a restricted edit does nothing at all.
TEST_F(Dispatch, FailedEditsNameTheirOperation) {
    for (UINT id : {514u, 516u, 517u}) ASSERT_EQ(SetStatusHotKeyEx(id, 1), 1);
    struct Row {
        UINT id;
        bool withChannel, withSelection;
        const char* name;  // null: no box
    } rows[] = {
        {515, true, true, "Copy"},       {515, true, false, nullptr},  {514, true, true, "Cut"},
        {514, true, false, nullptr},     {516, false, false, "Paste"}, {516, true, true, nullptr},
        {519, true, false, "Insert"},    {520, true, true, "Duplicate"}, {520, true, false, "Duplicate"},
        {523, true, true, nullptr},      {527, true, true, nullptr},   {530, true, true, nullptr},
    };
    for (const Row& row : rows) {
        tagGS* gs = Graph();
        ASSERT_TRUE(gs);
        gs->chanFlags[2] = row.withChannel ? 2 : 0;
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
    // Restricted again by the lesson: Cut neither acts nor reports, and its item greys.
    ASSERT_EQ(SetStatusHotKeyEx(514, 0), 1);
    tagGS* gs = Graph();
    gs->selEnd = 40.0;
    InitMenu();
    EXPECT_TRUE(Grayed(514));
    BoxCapture boxes;
    Command(514);
    EXPECT_TRUE(boxes.boxes.empty());
}

}  // namespace
