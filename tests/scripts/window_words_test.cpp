// The words that decide what the user may touch (ENABLE, DISABLE, SHOW, HIDE, SELECT), the file
// words and the reset of the frame menu, run as small lessons through the program booted in the
// test; what they leave is read back from the windows, menus, permissions and files.
#include "tests/scripts/lesson_fixture.h"

#include <cstring>

#include "base/app.h"
#include "base/lesson.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "devlib/vk40.h"
#include "documents/markers/markers.h"
#include "graph/dialogs/toolbar.h"
#include "graph/document/graph_doc.h"
#include "scripts/engine/script_engine.h"
#include "shell/help.h"
#include "shell/startup.h"
#include "tests/documents/acq_builder.h"
#include "tests/shell/shell_fixture.h"

namespace {

HMENU FrameMenu() { return GetMenu(g_app->hwndFrame); }

bool Grayed(HMENU menu, UINT id, UINT by = MF_BYCOMMAND) {
    const UINT state = GetMenuState(menu, id, by);
    return state != static_cast<UINT>(-1) && (state & (MF_GRAYED | MF_DISABLED));
}

// The top-level position of the pop-up with that text, -1 when there is none.
int TopLevel(const char* text) {
    char item[64];
    HMENU bar = FrameMenu();
    for (int i = 0; i < GetMenuItemCount(bar); ++i)
        if (GetMenuStringA(bar, i, item, sizeof item, MF_BYPOSITION) && std::strcmp(item, text) == 0) return i;
    return -1;
}

std::string ReadFile(const std::string& path) {
    const Bytes bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// A key chord as the message loop meets it: the modifiers held, the key's down message.
void PressChord(UINT key, bool control, bool shift) {
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = control ? 0x80 : 0;
    keys[VK_SHIFT] = shift ? 0x80 : 0;
    SetKeyboardState(keys);
    MSG msg{};
    msg.hwnd = g_app->hwndFrame;
    msg.message = WM_KEYDOWN;
    msg.wParam = key;
    msg.lParam = 1;
    DispatchLoopMessage(msg);
    keys[VK_CONTROL] = keys[VK_SHIFT] = 0;
    SetKeyboardState(keys);
    PumpMessages();
}

void ClickToolbarButton(UINT id) {
    HWND b = GetDlgItem(g_app->hwndToolbar, static_cast<int>(id));
    ASSERT_TRUE(b);
    SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
    SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
    PumpMessages();
}

void ChooseMenuCommand(UINT id) {
    SendMessageA(g_app->hwndFrame, WM_COMMAND, MAKEWPARAM(id, 0), 0);
    PumpMessages();
}

}  // namespace

class WindowWords : public LessonWords {};

// ---- Permissions ----

TEST_F(WindowWords, ClickTargetsSwitchTheirOwnPermissionAndNoOther) {
    const struct {
        const char* target;
        ScriptPermission permission;
    } cases[] = {
        {"VLABEL", kPermVLabel},           {"VSCALE", kPermVScale},         {"VSCALEUNITS", kPermVScaleUnits},
        {"HLABEL", kPermHLabel},           {"HSCALE", kPermHScale},         {"HSCALEUNITS", kPermHScaleUnits},
        {"measurements", kPermMeasurements}, {"VSCROLLBAR", kPermVScrollBar}, {"HSCROLLBAR", kPermHScrollBar},
        {"SIZEWINDOW", kPermSizeWindow},   {"DRAGWINDOW", kPermDragWindow}, {"ZOOMWINDOW", kPermZoomWindow},
        {"CLOSEWINDOW", kPermCloseWindow}, {"RMOUSEBUTTON", kPermRMouseButton}, {"SIZEJOURNAL", kPermSizeJournal},
        {"TOOLS", kPermTools},
    };
    for (const auto& c : cases) {
        ResetScriptPermissions();
        ASSERT_EQ(Run({std::string("DISABLE CLICK ") + c.target}), kScriptGoOn) << c.target;
        for (int p = 0; p < kPermCount; ++p)
            EXPECT_EQ(g_script.permissions[p], p == c.permission ? 0 : 1) << c.target << ", permission " << p;
        ASSERT_EQ(Run({std::string("ENABLE CLICK ") + c.target}), kScriptGoOn) << c.target;
        EXPECT_EQ(g_script.permissions[c.permission], 1) << c.target;
    }
    ResetScriptPermissions();
    EXPECT_EQ(Run({"DISABLE CLICK NOSUCHTARGET", "DISABLE SOMETHINGELSE"}), kScriptGoOn);
    for (int p = 0; p < kPermCount; ++p) EXPECT_EQ(g_script.permissions[p], 1) << p;
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(WindowWords, AGraphThatMayNotCloseStaysOpenUntilTheLessonAllowsIt) {
    tagGS* gs = NewGraph("Kept");
    ASSERT_TRUE(gs);
    HWND w = gs->hwnd;
    ASSERT_EQ(Run({"DISABLE CLICK CLOSEWINDOW"}), kScriptGoOn);
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(w));
    ASSERT_EQ(Run({"ENABLE CLICK CLOSEWINDOW"}), kScriptGoOn);
    SendMessageA(w, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_FALSE(IsWindow(w));
}

TEST_F(WindowWords, SavePromptNeedsAGraphAndMarksItClean) {
    g_script.graph = nullptr;
    EXPECT_EQ(Run({"DISABLE SAVEPROMPT"}), kScriptGoOn);
    EXPECT_EQ(g_script.savePromptEnabled, 0);
    EXPECT_EQ(Run({"ENABLE SAVEPROMPT"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1) << "no current graph";
    EXPECT_EQ(g_script.savePromptEnabled, 0);
    tagGS* gs = NewGraph("Saved");
    ASSERT_TRUE(gs);
    setDirtyGraphFlag(gs, 1);
    EXPECT_EQ(Run({"ENABLE SAVEPROMPT"}), kScriptGoOn);
    EXPECT_EQ(g_script.savePromptEnabled, 1);
    EXPECT_EQ(gs->modified, 0u);
}

// ---- Menus: what a lesson withdraws cannot be run by menu, key or button ----

TEST_F(WindowWords, DisabledMenuEntriesAreGrayedAndTheirPopupsWithThem) {
    const int transform = TopLevel("&Transform");
    ASSERT_GE(transform, 0);
    ASSERT_EQ(Run({"DISABLE MENU 1003", "DISABLE MENU 1360", "DISABLE MENU 99999"}), kScriptGoOn);
    EXPECT_TRUE(Grayed(FrameMenu(), static_cast<UINT>(transform), MF_BYPOSITION));
    EXPECT_TRUE(Grayed(FrameMenu(), 1031));
    EXPECT_FALSE(ScriptCommandAllowed(1031));
    EXPECT_FALSE(ScriptCommandAllowed(IDM_TRANSFORM_FIND_RATE)) << "inside the grayed Transform pop-up";
    ASSERT_EQ(Run({"ENABLE MENU 1003"}), kScriptGoOn);
    EXPECT_FALSE(Grayed(FrameMenu(), static_cast<UINT>(transform), MF_BYPOSITION));
    EXPECT_TRUE(ScriptCommandAllowed(IDM_TRANSFORM_FIND_RATE));
    EXPECT_FALSE(ScriptCommandAllowed(1031)) << "still grayed on its own";
    ASSERT_EQ(Run({"ENABLE MENU 1360"}), kScriptGoOn);
    EXPECT_FALSE(Grayed(FrameMenu(), 1031));
    EXPECT_TRUE(ScriptCommandAllowed(1031));

    ASSERT_EQ(Run({"DISABLE ALLMENUS"}), kScriptGoOn);
    EXPECT_TRUE(Grayed(FrameMenu(), IDM_FILE_NEW));
    EXPECT_TRUE(Grayed(FrameMenu(), 0, MF_BYPOSITION));
    ASSERT_EQ(Run({"ENABLE ALLMENUS"}), kScriptGoOn);
    EXPECT_FALSE(Grayed(FrameMenu(), IDM_FILE_NEW));
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(WindowWords, AWithdrawnCommandRunsNeitherByMenuNorByToolbarButton) {
    tagGS* gs = NewGraph("Grid");
    ASSERT_TRUE(gs);
    ASSERT_EQ(Run({"SHOW TOOLBARBUTTON GRID"}), kScriptGoOn);
    ASSERT_EQ(GetScriptToolbarButton("GRID"), 1);
    PumpMessages();
    const uint32_t grid = gs->gridShown;
    const struct {
        const char* withdraw;
        const char* giveBack;
    } cases[] = {
        {"DISABLE MENU 1463", "ENABLE MENU 1463"},  // Show Grid itself
        {"DISABLE MENU 1004", "ENABLE MENU 1004"},  // the Display pop-up that holds it
        {"REMOVEMENU 1463", "ENABLE ALL"},          // taken away until the menu is reset
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run({c.withdraw}), kScriptGoOn) << c.withdraw;
        ChooseMenuCommand(IDM_SHOW_GRID);
        EXPECT_EQ(gs->gridShown, grid) << c.withdraw << ": menu";
        ClickToolbarButton(IDM_SHOW_GRID);
        EXPECT_EQ(gs->gridShown, grid) << c.withdraw << ": toolbar";
        ASSERT_EQ(Run({c.giveBack}), kScriptGoOn) << c.giveBack;
        ChooseMenuCommand(IDM_SHOW_GRID);
        EXPECT_NE(gs->gridShown, grid) << c.giveBack << ": menu";
        ClickToolbarButton(IDM_SHOW_GRID);
        EXPECT_EQ(gs->gridShown, grid) << c.giveBack << ": toolbar";
    }
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(WindowWords, AWithdrawnCommandDoesNotRunByItsAccelerator) {
    const std::string file = InFolder("tile.acq");
    ASSERT_TRUE(WriteWholeFile(file, BuildAcq(RichRecipe())));
    ASSERT_EQ(Run({"OPEN \"tile.acq\", R"}), kScriptGoOn);
    tagGS* gs = g_script.graph;
    ASSERT_TRUE(gs);
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(gs->hwnd), 0);
    PumpMessages();
    setDirtyGraphFlag(gs, 0);  // tiling marks the graph changed
    ASSERT_EQ(Run({"DISABLE MENU 2400"}), kScriptGoOn);  // Display > Tile, Ctrl+Shift+A
    PressChord('A', true, true);
    EXPECT_EQ(gs->modified, 0u);
    ASSERT_EQ(Run({"ENABLE MENU 2400"}), kScriptGoOn);
    PressChord('A', true, true);
    EXPECT_EQ(gs->modified, 1u) << "the key runs the command once it is allowed";
}

TEST_F(WindowWords, TheMenuResetUndoesWhatALessonDidToTheMenu) {
    ASSERT_EQ(Run({"REMOVEMENU 1101", "REMOVEMENU 1003", "DISABLE MENU 1005",
                   "DISABLE CLICK VSCALE", "DISABLE CLICK RMOUSEBUTTON"}),
              kScriptGoOn);
    ASSERT_EQ(TopLevel("&Transform"), -1);
    ASSERT_EQ(GetMenuState(FrameMenu(), IDM_FILE_OPEN, MF_BYCOMMAND), static_cast<UINT>(-1));
    g_app->frame.bMenusUnlocked = 0;
    ChooseMenuCommand(IDM_DISPLAY_RESET_MENU);  // not withdrawn: it is the way back
    EXPECT_GE(TopLevel("&Transform"), 0);
    EXPECT_GE(TopLevel("&Lessons"), 0);
    EXPECT_NE(GetMenuState(FrameMenu(), IDM_FILE_OPEN, MF_BYCOMMAND), static_cast<UINT>(-1));
    EXPECT_FALSE(Grayed(FrameMenu(), static_cast<UINT>(TopLevel("&Window")), MF_BYPOSITION));
    EXPECT_EQ(g_app->frame.hmenuFrame, FrameMenu());
    EXPECT_TRUE(ScriptCommandAllowed(IDM_FILE_OPEN));
    EXPECT_TRUE(ScriptCommandAllowed(IDM_TRANSFORM_FIND_RATE));
    EXPECT_TRUE(ScriptCommandAllowed(IDM_WINDOW_CASCADE));
    EXPECT_EQ(g_app->frame.bMenusUnlocked, 1u);
    EXPECT_EQ(g_script.permissions[kPermVScale], 1);
    EXPECT_EQ(g_script.permissions[kPermRMouseButton], 0) << "the right button is the lesson's to give back";
}

// ---- SHOW and HIDE ----

TEST_F(WindowWords, ShowAndHideSwitchThePartsOfTheCurrentGraph) {
    tagGS* gs = NewGraph("Parts");
    ASSERT_TRUE(gs);
    const struct {
        const char* word;
        uint32_t (*read)(tagGS*);
    } cases[] = {
        {"VSCALE", [](tagGS* g) { return g->lessonFlags[0]; }},
        {"HSCALE", [](tagGS* g) { return g->lessonFlags[1]; }},
        {"MARKERS", [](tagGS* g) { return g->markerBarShown; }},
        {"MEASUREMENTS", [](tagGS* g) { return g->measureShown; }},
        {"CHANNELBUTTONS", [](tagGS* g) { return g->viewFlags2; }},
        {"GRID", [](tagGS* g) { return g->gridShown; }},
        {"JOURNAL", [](tagGS* g) { return g->journalShown; }},
        {"GRAPH", [](tagGS* g) { return static_cast<uint32_t>(IsWindowVisible(g->hwnd) ? 1 : 0); }},
        {"TOOLBAR", [](tagGS*) { return static_cast<uint32_t>(IsWindowVisible(g_app->hwndToolbar) ? 1 : 0); }},
        {"TOOLBARBUTTON GRID", [](tagGS*) { return static_cast<uint32_t>(GetScriptToolbarButton("GRID")); }},
        {"TOOLBARBUTTON PEAKGROUP",
         [](tagGS*) { return static_cast<uint32_t>(GetScriptToolbarButton("FINDNEXTPEAK")); }},
        {"TOOLBARBUTTON FILEGROUP", [](tagGS*) { return static_cast<uint32_t>(GetScriptToolbarButton("RECENT")); }},
        {"ALL", [](tagGS* g) { return g->measureShown & g->lessonFlags[0] & g->viewFlags2; }},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run({std::string("HIDE ") + c.word}), kScriptGoOn) << c.word;
        EXPECT_EQ(c.read(gs), 0u) << "HIDE " << c.word;
        ASSERT_EQ(Run({std::string("SHOW ") + c.word}), kScriptGoOn) << c.word;
        EXPECT_EQ(c.read(gs), 1u) << "SHOW " << c.word;
    }
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(WindowWords, ShowAndHideFailOnWhatTheyDoNotKnow) {
    const struct {
        const char* line;
        int16_t result;
    } cases[] = {
        {"SHOW NOSUCHPART", kScriptStop},
        {"HIDE", kScriptStop},
        {"SHOW DIALOG 0", kScriptStop},
        {"SHOW DIALOG 77", kScriptGoOn},  // another dialog: nothing
        {"HIDE VSCALEBUTTONS", kScriptGoOn},
        {"HIDE GRID", kScriptGoOn},  // without a graph: nothing
    };
    g_script.graph = nullptr;
    int dialogs = 0;
    for (const auto& c : cases) {
        EXPECT_EQ(Run({c.line}), c.result) << c.line;
        dialogs += c.result == kScriptStop;
        EXPECT_EQ(ErrorDialogs(), dialogs) << c.line;
    }
}

// ---- SELECT ----

TEST_F(WindowWords, SelectWindowMakesTheNamedGraphCurrentAndActive) {
    tagGS* first = NewGraph("First lab");
    tagGS* second = NewGraph("Second lab");
    ASSERT_TRUE(first && second);
    ASSERT_EQ(g_script.graph, second);
    EXPECT_EQ(Run({"SELECT WINDOW \"FIRST LAB\""}), kScriptGoOn);
    EXPECT_EQ(g_script.graph, first);
    EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), first->hwnd);
    EXPECT_EQ(Run({"SELECT WINDOW \"Third lab\""}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(g_script.graph, first);
}

TEST_F(WindowWords, SelectWaveTakesOnlyAChannelThatExists) {
    tagGS* gs = NewGraph("Waves");
    ASSERT_TRUE(gs);
    const struct {
        const char* line;
        int16_t result;
        uint32_t selected, x;
    } cases[] = {
        {"SELECT WAVE 3", kScriptGoOn, 3, 1},
        {"SELECT XWAVE 59", kScriptGoOn, 3, 59},
        {"SELECT WAVE 60", kScriptStop, 3, 59},
        {"SELECT XWAVE -1", kScriptStop, 3, 59},
        {"SELECT WAVE 1e12", kScriptStop, 3, 59},
        {"SELECT CURSORTOOL WAND", kScriptStop, 3, 59},
    };
    gs->selectedChan = 0;
    gs->xyXChan = 1;
    for (const auto& c : cases) {
        EXPECT_EQ(Run({c.line}), c.result) << c.line;
        EXPECT_EQ(gs->selectedChan, c.selected) << c.line;
        EXPECT_EQ(gs->xyXChan, c.x) << c.line;
    }
}

TEST_F(WindowWords, SelectCursorToolPicksOneOfTheGraphsThreeTools) {
    tagGS* gs = NewGraph("Tools");
    ASSERT_TRUE(gs);
    const struct {
        const char* line;
        int16_t result;
        uint16_t tool;
    } cases[] = {
        {"SELECT CURSORTOOL SELECTION", kScriptGoOn, IDC_TOOL_IBEAM},
        {"SELECT CURSORTOOL ZOOM", kScriptGoOn, IDC_TOOL_ZOOM},
        {"SELECT CURSORTOOL WAND", kScriptStop, IDC_TOOL_ZOOM},
        {"SELECT CURSORTOOL ARROW", kScriptGoOn, IDC_TOOL_ARROW},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Run({c.line}), c.result) << c.line;
        EXPECT_EQ(gs->currentTool, c.tool) << c.line;
        EXPECT_EQ(IsDlgButtonChecked(gs->hwnd, c.tool), BST_CHECKED) << c.line;
    }
}

// ---- Files ----

TEST_F(WindowWords, WithoutTheToolsPermissionTheGraphsToolButtonsStayDisabled) {
    tagGS* gs = NewGraph("Tools");
    ASSERT_TRUE(gs);
    auto enabledButtons = [gs] {
        int n = 0;
        for (HWND b : gs->toolButtons) n += b && IsWindowEnabled(b);
        return n;
    };
    ASSERT_EQ(enabledButtons(), 3);
    ASSERT_EQ(Run({"DISABLE CLICK TOOLS"}), kScriptGoOn);
    EXPECT_EQ(enabledButtons(), 0);
    // Other toolbar refreshes (here a display switch) keep them disabled.
    ASSERT_EQ(Run({"HIDE MEASUREMENTS", "SHOW MEASUREMENTS"}), kScriptGoOn);
    EXPECT_EQ(enabledButtons(), 0);
    ASSERT_EQ(Run({"ENABLE CLICK TOOLS"}), kScriptGoOn);
    EXPECT_EQ(enabledButtons(), 3);
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
}

// The permission is the lesson's, not one graph's: every graph window obeys it, also one made or
// brought forward while the tools are withheld.
TEST_F(WindowWords, WithoutTheToolsPermissionNoGraphWindowOffersItsTools) {
    tagGS* behind = NewGraph("Behind");
    tagGS* front = NewGraph("Front");
    ASSERT_TRUE(behind && front);
    auto enabledButtons = [](const std::vector<tagGS*>& graphs) {
        int n = 0;
        for (tagGS* gs : graphs)
            for (HWND b : gs->toolButtons) n += b && IsWindowEnabled(b);
        return n;
    };
    ASSERT_EQ(enabledButtons({behind, front}), 6);
    ASSERT_EQ(Run({"DISABLE CLICK TOOLS"}), kScriptGoOn);
    EXPECT_EQ(enabledButtons({behind, front}), 0);
    tagGS* made = NewGraph("Made later");
    ASSERT_TRUE(made);
    EXPECT_EQ(enabledButtons({made}), 0) << "a graph made while the tools are withheld";
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(behind->hwnd), 0);
    EXPECT_EQ(enabledButtons({behind, front, made}), 0) << "a graph brought forward";
    ASSERT_EQ(Run({"ENABLE CLICK TOOLS"}), kScriptGoOn);
    EXPECT_EQ(enabledButtons({behind, front, made}), 9);
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
}

// The graph toolbar shows the display of whichever graph is brought forward.
TEST_F(WindowWords, TheToolbarFollowsTheGraphBroughtForward) {
    tagGS* xy = NewGraph("XY graph");
    ASSERT_TRUE(xy);
    ASSERT_EQ(Run({"DISPLAY XY"}), kScriptGoOn);
    tagGS* chart = NewGraph("Chart graph");
    ASSERT_TRUE(chart);
    ASSERT_EQ(Run({"DISPLAY CHART"}), kScriptGoOn);
    auto checked = [](UINT id) {
        return SendMessageA(GetDlgItem(g_app->hwndToolbar, static_cast<int>(id)), BM_GETCHECK, 0, 0) == BST_CHECKED;
    };
    const struct {
        const char* name;
        tagGS* graph;
        UINT mode;
    } steps[] = {{"XY", xy, IDM_SHOW_XY}, {"Chart", chart, IDM_SHOW_CHART}, {"XY again", xy, IDM_SHOW_XY}};
    for (const auto& step : steps) {
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(step.graph->hwnd), 0);
        for (UINT id = IDM_SHOW_SCOPE; id <= IDM_SHOW_XY; ++id)
            EXPECT_EQ(checked(id), id == step.mode) << step.name << ", button " << id;
    }
}

TEST_F(WindowWords, SelectMarkerMakesANumberedMarkerTheCurrentOne) {
    tagGS* gs = NewGraph("Marked");
    ASSERT_TRUE(gs);
    gs->sampleInterval = 1.0;
    EXPECT_EQ(Run({"SELECT MARKER 1"}), kScriptGoOn) << "no markers: nothing to select";
    ASSERT_EQ(Run({"SET MARKER 1, \"one\"", "SET MARKER 2, \"two\"", "SET MARKER 3, \"three\""}), kScriptGoOn);
    ASSERT_TRUE(gs->markers && gs->markers->count == 3);
    const struct {
        const char* line;
        const char* current;
    } cases[] = {
        {"SELECT MARKER 1", "one"}, {"SELECT MARKER 0", "three"}, {"SELECT MARKER 2", "two"},
        {"SELECT MARKER 4", "two"},  // past the last: the current one stays
        {"SELECT MARKER -1", "two"},
    };
    for (const auto& c : cases) {
        ASSERT_EQ(Run({c.line}), kScriptGoOn) << c.line;
        ASSERT_TRUE(gs->markers->current) << c.line;
        EXPECT_STREQ(gs->markers->current->label, c.current) << c.line;
    }
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
}

namespace {
std::vector<std::string> g_helpOpened;
INT_PTR RecordHelpOpen(HWND, const char* file, const char*) {
    g_helpOpened.push_back(file ? file : "");
    return 42;
}
BOOL AnyProgramFor(const char*) { return TRUE; }

UINT HelpState(UINT command) { return HelpMenu() ? GetMenuState(HelpMenu(), command, MF_BYCOMMAND) : ~0u; }
}  // namespace

TEST_F(WindowWords, MenuWordsReachTheHelpMenuItems) {
    g_helpOpened.clear();
    SetHelpShell({RecordHelpOpen, AnyProgramFor});
    ShowAllHelpItems();
    InitHelpMenu();
    ASSERT_TRUE(HelpMenu());
    uint32_t item = 0;
    for (uint32_t id = 1052; id <= 1057; ++id)
        if (GetHelpItemCommand(id) == IDM_HELP_QUICK_GUIDE) item = id;
    ASSERT_NE(item, 0u);
    const std::string n = std::to_string(item);
    ASSERT_NE(HelpState(IDM_HELP_QUICK_GUIDE), ~0u);

    ASSERT_EQ(Run({"DISABLE MENU " + n}), kScriptGoOn);
    EXPECT_TRUE(HelpState(IDM_HELP_QUICK_GUIDE) & MF_GRAYED);
    ASSERT_EQ(Run({"ENABLE MENU " + n}), kScriptGoOn);
    EXPECT_FALSE(HelpState(IDM_HELP_QUICK_GUIDE) & MF_GRAYED);
    ASSERT_EQ(Run({"REMOVEMENU " + n}), kScriptGoOn);
    EXPECT_EQ(HelpState(IDM_HELP_QUICK_GUIDE), ~0u) << "left out of the Help menu";
    EXPECT_NE(HelpState(IDM_HELP_ABOUT), ~0u) << "the others stay";
    ASSERT_EQ(Run({"ENABLE ALL"}), kScriptGoOn);
    EXPECT_NE(HelpState(IDM_HELP_QUICK_GUIDE), ~0u) << "the menu reset shows every Help item again";
    EXPECT_NE(GetMenuState(FrameMenu(), IDM_HELP_ABOUT, MF_BYCOMMAND), ~0u) << "on the frame's new menu bar";

    // SET HELPMENUITEM gives an item by its command a new target, which the menu then opens.
    const std::string guide = std::to_string(IDM_HELP_QUICK_GUIDE);
    ASSERT_EQ(Run({"SET HELPMENUITEM " + guide + ", \"Guides\\Other.pdf\", 0, 0"}), kScriptGoOn);
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_HELP_QUICK_GUIDE, 0);
    ASSERT_EQ(g_helpOpened.size(), 1u);
    EXPECT_EQ(g_helpOpened[0], "Guides\\Other.pdf");
    ASSERT_EQ(Run({"SET HELPMENUITEM 1, \"Elsewhere.pdf\", 0, 0, 0"}), kScriptGoOn) << "no item has that command";
    SetHelpShell({nullptr, nullptr});
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
}

TEST_F(WindowWords, FileCopyHonoursTheFailIfExistsFlagAndReportsThroughItsVariable) {
    const std::string source = InFolder("source.txt"), target = InFolder("target.txt");
    ASSERT_TRUE(WriteWholeFile(source, Bytes{'n', 'e', 'w'}));
    const struct {
        const char* flag;
        bool targetThere;
        double result;
        const char* after;
    } cases[] = {
        {"F = 1", true, 0.0, "old"},                        // kept: it exists
        {"F = 0", true, 1.0, "new"},                        // overwritten
        {"F = 1", false, 1.0, "new"},                       // made
    };
    for (const auto& c : cases) {
        DeleteFileA(target.c_str());
        if (c.targetThere) {
            ASSERT_TRUE(WriteWholeFile(target, Bytes{'o', 'l', 'd'}));
        }
        ASSERT_EQ(Run({c.flag, "FileCopy \"source.txt\", \"target.txt\", F"}), kScriptGoOn) << c.flag;
        EXPECT_EQ(Var('F'), c.result) << c.flag;
        EXPECT_EQ(ReadFile(target), c.after) << c.flag;
    }
    ASSERT_EQ(Run({"F = 0", "FileCopy \"nowhere.txt\", \"target.txt\", F"}), kScriptGoOn);
    EXPECT_EQ(Var('F'), static_cast<double>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(WindowWords, SplitPathAndGetCurrentDirectoryFillTheirStringVariables) {
    ASSERT_EQ(Run({"P$ = \"C:\\labs\\heart\\rate.acq\"", "SplitPath P$, D$, F$, N$, E@", "GetCurrentDirectory C$"}),
              kScriptGoOn);
    EXPECT_EQ(Str('D'), "C:");
    EXPECT_EQ(Str('F'), "\\labs\\heart\\");
    EXPECT_EQ(Str('N'), "rate");
    EXPECT_STREQ(g_script.macroStrings['E' - 'A'], ".acq");
    char here[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof here, here);
    EXPECT_EQ(Str('C'), here);
    EXPECT_EQ(ErrorDialogs(), 0);
}

TEST_F(WindowWords, FileWordsRefuseFieldsThatAreNotTextOrVariables) {
    const char* lines[] = {
        "FileCopy source.txt, \"target.txt\", F",  // a bare word is no text
        "FileCopy \"source.txt\", \"target.txt\"",  // no variable
        "FileCopy \"source.txt\", \"target.txt\", 7",
        "SplitPath \"a.b\", D$, F$, N$",            // three variables only
        "SplitPath \"a.b\", D$, F$, N$, X",
        "GetCurrentDirectory X",
    };
    int dialogs = 0;
    for (const char* line : lines) {
        EXPECT_EQ(Run({line}), kScriptStop) << line;
        EXPECT_EQ(ErrorDialogs(), ++dialogs) << line;
    }
    EXPECT_EQ(GetFileAttributesA(InFolder("target.txt").c_str()), INVALID_FILE_ATTRIBUTES);
}
