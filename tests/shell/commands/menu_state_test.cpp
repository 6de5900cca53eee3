// The frame menu after WM_INITMENU: grayed, checked and relabelled items for the active graph,
// the keyboard focus and the lesson's command permissions; menu help; hot keys; Lessons menu.
#include "commands_fixture.h"
#include "base/app.h"
#include "base/lesson.h"
#include "documents/documents_ids.h"
#include "graph/graph_ids.h"
#include "shell/shell_ids.h"
#include "shell/startup.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "graph/document/graph_doc.h"
#include "documents/documents_api.h"
#include "graph/view/axis_units.h"
#include "transforms/transforms_api.h"
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"
#include "scripts/words/word_fields.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

class MenuState : public CommandsTest {
protected:
    // The active graph with one shown channel and a selection.
    tagGS* GraphWithChannel() {
        tagGS* gs = Graph();
        EXPECT_TRUE(gs);
        ShowChannel(gs, 1);
        gs->selectedChan = 1;
        return gs;
    }
    static std::string Keyed(uint32_t key, const char* fallback) {
        const char* text = mlgetName(key, 0);
        return text ? text : fallback;
    }
};

TEST_F(MenuState, HotKeysStartWithTheEditsRestricted) {
    struct Row {
        UINT id;
        uint32_t status;
        bool backAfterEnableAll;
    } rows[] = {
        {2115, 1, false}, {2116, 1, false}, {261, 1, false}, {262, 1, false}, {259, 1, false},
        {2054, 1, false}, {2057, 1, false}, {515, 1, false}, {528, 1, false}, {529, 1, false},
        {514, 0, true},   {516, 0, true},   {517, 0, true},  {518, 0, true},
    };
    for (const Row& row : rows) EXPECT_EQ(GetStatusHotKeyEx(row.id), row.status) << row.id;
    EXPECT_EQ(GetStatusHotKeyEx(2049), kHotKeyUnregistered);
    for (const Row& row : rows) SetStatusHotKeyEx(row.id, 0);
    EnableAllHotKeys();
    for (const Row& row : rows) EXPECT_EQ(GetStatusHotKeyEx(row.id), row.backAfterEnableAll ? 1u : 0u) << row.id;
}

TEST_F(MenuState, NoGraphGraysTheWindowAndDocumentItems) {
    Command(IDM_WINDOW_CLOSE_ALL);
    ASSERT_FALSE(Graph());
    InitMenu();
    for (UINT id : {4097u, 4098u, 4099u, 4100u, 4101u, 513u,  514u, 516u, 519u, 521u, 522u,
                    2049u, 2057u, 2094u, 2080u, 2135u, 2096u, 261u, 259u, 260u, 268u})
        EXPECT_TRUE(Grayed(id)) << id;
    EXPECT_FALSE(Grayed(257));
    EXPECT_FALSE(Grayed(262));
}

TEST_F(MenuState, EmptyGraphKeepsTheEditsGrayedButTheGraphItemsOn) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    gs->displayMode = kModeScope;
    gs->gridShown = 1;
    InitMenu();
    for (UINT id : {513u,  514u,  515u,  516u,  517u,  518u, 519u, 520u, 521u, 522u,
                    2049u, 2050u, 2054u, 2057u, 2094u, 261u, 259u, 524u, 525u, 526u})
        EXPECT_TRUE(Grayed(id)) << id;
    for (UINT id : {4097u, 4101u, 2080u, 2135u, 2096u, 260u, 268u}) EXPECT_FALSE(Grayed(id)) << id;
    EXPECT_TRUE(Checked(2082));
    EXPECT_FALSE(Checked(2083));
    EXPECT_TRUE(Checked(2085));
    EXPECT_EQ(Label(513), Keyed(2201, "Can't Undo"));
}

TEST_F(MenuState, DisplayModeSetsChecksLabelsAndModeOnlyItems) {
    struct Row {
        uint32_t mode;
        UINT checked;
        bool overlapOn, lastDotOn, markersOn;
        uint32_t tileKey;
    } rows[] = {
        {kModeScope, 2082, true, false, true, 2401},
        {kModeChart, 2083, false, false, true, 2400},
        {kModeXY, 2084, false, true, false, 2402},
    };
    tagGS* gs = GraphWithChannel();
    for (const Row& row : rows) {
        gs->displayMode = row.mode;
        InitMenu();
        for (UINT id : {2082u, 2083u, 2084u}) EXPECT_EQ(Checked(id), id == row.checked) << row.mode << " " << id;
        EXPECT_EQ(!Grayed(2051), row.overlapOn) << row.mode;
        EXPECT_EQ(!Grayed(2102), row.lastDotOn) << row.mode;
        EXPECT_EQ(!Grayed(2087), row.markersOn) << row.mode;
        if (const char* tile = mlgetName(row.tileKey, 0)) {
            EXPECT_EQ(Label(2049), tile) << row.mode;
        }
        EXPECT_FALSE(Grayed(2049));
    }
}

TEST_F(MenuState, FlagsOfTheGraphBecomeChecks) {
    tagGS* gs = GraphWithChannel();
    struct Row {
        uint32_t* flag;
        UINT id;
    } rows[] = {{&gs->gridShown, 2085},      {&gs->journalShown, 2091},
                {&gs->measureShown, 2089},   {&gs->viewFlags2, 2090},
                {&gs->lessonFlags[1], 2119}, {&gs->lessonFlags[0], 2120},
                {&gs->markerBarShown, 2087}, {&g_app->frame.bToolbarVisible, 2088}};
    for (uint32_t on : {1u, 0u}) {
        for (const Row& row : rows) *row.flag = on;
        InitMenu();
        for (const Row& row : rows) EXPECT_EQ(Checked(row.id), on != 0) << row.id;
    }
    for (uint16_t tool : {16, 17, 18}) {
        gs->currentTool = tool;
        InitMenu();
        for (UINT id : {2130u, 2131u, 2132u}) EXPECT_EQ(Checked(id), id - 2130u + 16u == tool) << tool;
    }
    for (uint16_t style : {kStyleLine, kStyleStep, kStyleDots}) {
        gs->chanDrawStyle[1] = style;
        gs->chanPlotStyle[1] = style == kStyleDots ? 0x80000303u : 0x0303u;
        InitMenu();
        EXPECT_EQ(Checked(2092), style == kStyleLine);
        EXPECT_EQ(Checked(2093), style == kStyleStep);
        EXPECT_EQ(Checked(2101), style == kStyleDots);
        EXPECT_EQ(Checked(2102), style == kStyleDots);
        HMENU show = GetSubMenu(GetSubMenu(Menu(), 3), 13);
        EXPECT_EQ((GetMenuState(show, 15, MF_BYPOSITION) & MF_GRAYED) == 0, style == kStyleDots) << "Dot Size";
    }
}

TEST_F(MenuState, ZoomStepsFollowTheZoomHistory) {
    tagGS* gs = GraphWithChannel();
    struct Row {
        uint32_t level, count;
        bool previousOn, nextOn;
    } rows[] = {{0, 0, false, false}, {0, 3, false, true}, {2, 3, true, true}, {3, 3, true, false}};
    for (const Row& row : rows) {
        gs->zoomLevel = row.level;
        gs->zoomCount = row.count;
        InitMenu();
        EXPECT_EQ(!Grayed(2054), row.previousOn) << row.level << "/" << row.count;
        EXPECT_EQ(!Grayed(2057), row.nextOn) << row.level << "/" << row.count;
    }
}

TEST_F(MenuState, TransformItemsFollowTheHorizontalUnitAndTheTemplate) {
    tagGS* gs = GraphWithChannel();
    struct Row {
        uint32_t kind;
        bool derivativeOn, rateOn;
    } rows[] = {{kHUnitTime, true, true},
                {kHUnitFrequency, false, false},
                {kHUnitClock, true, true},
                {kHUnitUser, true, false}};
    HMENU filters = GetSubMenu(GetSubMenu(Menu(), 2), 0);
    for (const Row& row : rows) {
        gs->hUnitKind = row.kind;
        InitMenu();
        EXPECT_EQ(!Grayed(1057), row.derivativeOn) << row.kind;
        EXPECT_EQ(!Grayed(1065), row.derivativeOn) << row.kind;
        EXPECT_EQ((GetMenuState(filters, 0, MF_BYPOSITION) & MF_GRAYED) == 0, row.derivativeOn) << row.kind;
        EXPECT_EQ(!Grayed(1066), row.rateOn) << row.kind;
    }
    for (int set : {0, 1}) {
        g_templateSet = set;
        InitMenu();
        for (UINT id = 1048; id <= 1051; ++id) EXPECT_EQ(!Grayed(id), set == 1) << id;
    }
    g_templateSet = 0;
}

TEST_F(MenuState, SelectionEditsAskThePermissionTable) {
    tagGS* gs = GraphWithChannel();
    gs->selStart = 10.0;
    gs->selEnd = 50.0;
    InitMenu();
    // One channel: Clear is on, Clear All never; Cut waits for the lesson to allow it.
    EXPECT_FALSE(Grayed(517));
    EXPECT_TRUE(Grayed(518));
    EXPECT_TRUE(Grayed(514));
    EXPECT_FALSE(Grayed(515));
    ASSERT_EQ(SetStatusHotKeyEx(514, 1), 1);
    ASSERT_EQ(SetStatusHotKeyEx(518, 1), 1);
    ASSERT_EQ(SetStatusHotKeyEx(515, 0), 1);
    // A single channel of a recording cut into segments is not cut alone: Clear All does that.
    InitMenu();
    EXPECT_EQ(Grayed(514), gs->markerManager != nullptr);
    CMarkerManager* manager = gs->markerManager;
    gs->markerManager = nullptr;
    InitMenu();
    gs->markerManager = manager;
    EXPECT_FALSE(Grayed(514));
    EXPECT_TRUE(Grayed(515));
    EXPECT_TRUE(Grayed(518));
    // Two channels: Clear and Clear All each follow their permission.
    ShowChannel(gs, 4);
    InitMenu();
    EXPECT_TRUE(Grayed(517));
    EXPECT_FALSE(Grayed(518));
    // An empty selection leaves all four grayed.
    gs->selEnd = gs->selStart;
    InitMenu();
    for (UINT id : {514u, 515u, 517u, 518u}) EXPECT_TRUE(Grayed(id)) << id;
}

// A lesson that withholds the cursor tools holds them on every way in: the Display menu greys the
// three tools, and their commands (the menu items, their accelerators, the toolbar) choose nothing.
TEST_F(MenuState, WithheldToolsCannotBeChosenByMenuOrAccelerator) {
    tagGS* gs = GraphWithChannel();
    Command(IDM_TOOL_ARROW);
    ASSERT_EQ(gs->currentTool, static_cast<uint16_t>(IDC_TOOL_ARROW));
    g_script.permissions[kPermTools] = 0;
    UpdateGraphToolbar();
    InitMenu();
    for (UINT id : {IDM_TOOL_ARROW, IDM_TOOL_SELECTION, IDM_TOOL_ZOOM}) EXPECT_TRUE(Grayed(id)) << id;
    Command(IDM_TOOL_ZOOM);
    Command(IDM_TOOL_SELECTION, 1);  // as an accelerator sends it
    EXPECT_EQ(gs->currentTool, static_cast<uint16_t>(IDC_TOOL_ARROW));
    g_script.permissions[kPermTools] = 1;
    UpdateGraphToolbar();
    InitMenu();
    for (UINT id : {IDM_TOOL_ARROW, IDM_TOOL_SELECTION, IDM_TOOL_ZOOM}) EXPECT_FALSE(Grayed(id)) << id;
    Command(IDM_TOOL_ZOOM, 1);
    EXPECT_EQ(gs->currentTool, static_cast<uint16_t>(IDC_TOOL_ZOOM));
}

TEST_F(MenuState, UndoAndPasteFollowTheUndoStoreAndTheChannelClipboard) {
    GraphWithChannel();
    g_app->undo.nKind = 1;
    lstrcpyA(g_app->undo.szText, "Undo Cut\tCtrl+Z");
    InitMenu();
    EXPECT_FALSE(Grayed(513));
    EXPECT_EQ(Label(513), "Undo Cut\tCtrl+Z");
    g_app->undo.nKind = 0;
    InitMenu();
    EXPECT_TRUE(Grayed(513));
    EXPECT_EQ(Label(513), Keyed(2201, "Can't Undo"));
    // Paste needs samples on the channel clipboard and the lesson's permission; Insert only samples.
    g_app->gsClipboard->chanCount[0] = 10;
    InitMenu();
    EXPECT_TRUE(Grayed(516));
    EXPECT_FALSE(Grayed(519));
    SetStatusHotKeyEx(516, 1);
    InitMenu();
    EXPECT_FALSE(Grayed(516));
    g_app->gsClipboard->chanCount[0] = 0;
    InitMenu();
    EXPECT_TRUE(Grayed(516));
    EXPECT_TRUE(Grayed(519));
}

TEST_F(MenuState, RecordingGraysQuitCloseAndTheEdits) {
    tagGS* gs = GraphWithChannel();
    gs->selStart = 1.0;
    gs->selEnd = 2.0;
    SetStatusHotKeyEx(514, 1);
    SetStatusHotKeyEx(517, 1);
    gs->modified = 1;
    InitMenu();
    for (UINT id : {262u, 261u, 259u, 260u, 268u, 517u, 520u, 522u, 2080u, 2135u, 2056u, 2055u, 524u})
        EXPECT_FALSE(Grayed(id)) << id;
    gs->acquiring = 1;
    InitMenu();
    EXPECT_EQ(GetMenuState(Menu(), 262, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), MF_GRAYED | MF_DISABLED);
    EXPECT_TRUE(GetMenuState(GetSystemMenu(g_app->hwndFrame, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
    for (UINT id : {261u, 259u, 260u, 268u, 514u, 517u, 518u, 520u, 522u, 2080u, 2135u, 2056u, 2055u, 524u})
        EXPECT_TRUE(Grayed(id)) << id;
    gs->acquiring = 0;
    InitMenu();
    EXPECT_FALSE(Grayed(262));
    EXPECT_FALSE(GetMenuState(GetSystemMenu(g_app->hwndFrame, FALSE), SC_CLOSE, MF_BYCOMMAND) & MF_GRAYED);
}

TEST_F(MenuState, SaveFollowsTheModifiedMarkAndTemplates) {
    tagGS* gs = GraphWithChannel();
    struct Row {
        uint32_t modified, isTemplate;
        bool saveOn;
    } rows[] = {{0, 0, false}, {1, 0, true}, {1, 1, false}};
    for (const Row& row : rows) {
        gs->modified = row.modified;
        gs->isTemplate = row.isTemplate;
        InitMenu();
        EXPECT_EQ(!Grayed(259), row.saveOn) << row.modified << row.isTemplate;
    }
}

// The journal's focus hands the Edit commands to its text, also the ones a lesson restricted.
TEST_F(MenuState, JournalFocusEditsItsTextDespiteRestrictions) {
    tagGS* gs = GraphWithChannel();
    // The graph's own journal pane, shown.
    HWND journal = GetJournalHwnd(gs->journalWnd);
    ASSERT_TRUE(journal);
    JournalEnableButtons(gs->journalWnd, 1);
    gs->journalShown = 1;
    SetWindowTextA(journal, "abcdef");
    SetForegroundWindow(g_app->hwndFrame);
    SetFocus(journal);
    ASSERT_EQ(GetFocus(), journal);
    SendMessageA(journal, EM_SETSEL, 1, 3);
    InitMenu();
    for (UINT id : {514u, 515u, 517u, 528u, 529u}) EXPECT_FALSE(Grayed(id)) << id;
    for (UINT id : {518u, 519u, 520u, 521u, 522u}) EXPECT_TRUE(Grayed(id)) << id;
    EXPECT_TRUE(GetMenuState(GetSubMenu(Menu(), 1), 13, MF_BYPOSITION) & MF_GRAYED);  // Clipboard popup
    ASSERT_EQ(GetStatusHotKeyEx(517), 0u);
    Command(IDM_EDIT_CLEAR);  // Clear, restricted for the graph, still clears the journal's text
    char text[16] = "";
    GetWindowTextA(journal, text, sizeof text);
    EXPECT_STREQ(text, "adef");
    InitMenu();
    EXPECT_TRUE(Grayed(514));  // nothing selected now
    Command(IDM_EDIT_SELECT_ALL);
    DWORD start = 1, end = 1;
    SendMessageA(journal, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    EXPECT_EQ(start, 0u);
    EXPECT_GE(end, 4u);  // a rich edit control counts its closing paragraph mark too
    SendMessageA(journal, WM_CHAR, 'z', 1);
    GetWindowTextA(journal, text, sizeof text);
    EXPECT_STREQ(text, "z");  // what was typed replaced the whole text
    // A journal edit marks the graph modified, which enables Save.
    gs->modified = 0;
    SendMessageA(journal, EM_SETMODIFY, TRUE, 0);
    InitMenu();
    EXPECT_EQ(gs->modified, 1u);
    EXPECT_FALSE(Grayed(259));
}

TEST_F(MenuState, JournalFocusGraysTheEditMenusClipboardPopupWhileTheGraphIsMaximised) {
    tagGS* gs = GraphWithChannel();
    // The graph's own journal pane, shown.
    HWND journal = GetJournalHwnd(gs->journalWnd);
    ASSERT_TRUE(journal);
    JournalEnableButtons(gs->journalWnd, 1);
    gs->journalShown = 1;
    // Maximised with a system menu, the graph puts that menu in front of the popups.
    SetWindowLongA(gs->hwnd, GWL_STYLE, GetWindowLongA(gs->hwnd, GWL_STYLE) | WS_SYSMENU);
    ShowWindow(gs->hwnd, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(gs->hwnd));
    DrawMenuBar(g_app->hwndFrame);
    HMENU edit = GetFramePopup(Menu(), 1);
    ASSERT_TRUE(edit);
    ASSERT_EQ(GetMenuItemID(edit, 0), 513u);  // Undo
    HMENU atPositionOne = GetSubMenu(Menu(), 1);
    ASSERT_NE(atPositionOne, edit) << "the system menu did not come in front";
    const int count = GetMenuItemCount(atPositionOne);
    std::vector<UINT> before;
    for (int i = 0; i < count; ++i) before.push_back(GetMenuState(atPositionOne, i, MF_BYPOSITION) & MF_GRAYED);
    EnableMenuItem(edit, 13, MF_BYPOSITION | MF_ENABLED);
    SetForegroundWindow(g_app->hwndFrame);
    SetFocus(journal);
    ASSERT_EQ(GetFocus(), journal);
    InitMenu();
    EXPECT_TRUE(GetMenuState(edit, 13, MF_BYPOSITION) & MF_GRAYED) << "the Clipboard popup";
    for (int i = 0; i < count; ++i)
        EXPECT_EQ(GetMenuState(atPositionOne, i, MF_BYPOSITION) & MF_GRAYED, before[i])
            << "the popup before Edit, " << i;
    ShowWindow(gs->hwnd, SW_RESTORE);
}

TEST_F(MenuState, PopupsMoveRightWhileTheGraphIsMaximised) {
    HWND graphWnd = g_app->hwndActiveGraph;
    ASSERT_TRUE(graphWnd);
    EXPECT_EQ(GetMenuItemID(GetFramePopup(Menu(), 3), 0), 2049u);
    EXPECT_EQ(GetMenuItemID(GetFramePopup(Menu(), 4), 0), 4097u);
    ShowWindow(graphWnd, SW_MAXIMIZE);
    ASSERT_TRUE(IsZoomed(graphWnd));
    EXPECT_EQ(GetMenuItemID(GetFramePopup(Menu(), 3), 0), 2049u);
    EXPECT_EQ(GetMenuItemID(GetFramePopup(Menu(), 2), 2), 0xFFFFFFFFu);  // Transform's template popup
    // Checks of the Show popup still land on it.
    tagGS* gs = GraphWithChannel();
    gs->chanDrawStyle[1] = kStyleDots;
    InitMenu();
    HMENU show = GetSubMenu(GetFramePopup(Menu(), 3), 13);
    EXPECT_EQ(GetMenuState(show, 15, MF_BYPOSITION) & MF_GRAYED, 0u);
    // A maximised child with a system menu puts it in front of the popups.
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefMDIChildProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "MenuStateChild";
    RegisterClassA(&wc);
    MDICREATESTRUCTA mcs{};
    mcs.szClass = "MenuStateChild";
    mcs.szTitle = "child";
    mcs.hOwner = wc.hInstance;
    mcs.x = mcs.y = mcs.cx = mcs.cy = CW_USEDEFAULT;
    mcs.style = WS_SYSMENU | WS_MAXIMIZE | WS_VISIBLE;
    HWND child =
        reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDICREATE, 0, reinterpret_cast<LPARAM>(&mcs)));
    ASSERT_TRUE(child);
    DrawMenuBar(g_app->hwndFrame);
    EXPECT_NE(GetMenuItemID(GetSubMenu(Menu(), 3), 0), 2049u);
    EXPECT_EQ(GetMenuItemID(GetFramePopup(Menu(), 3), 0), 2049u);
    EXPECT_EQ(GetMenuItemID(GetFramePopup(Menu(), 0), 0), 257u);
    SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
}

TEST_F(MenuState, MenuHelpShowsInTheStatusLine) {
    struct Row {
        UINT id;
        const char* text;
    } rows[] = {{257, "Open a new graph window"},
                {259, "Save the active graph"},
                {262, "Quit Norvane Tessaly"},
                {514, "Remove selected data in active waveform"},
                {518, "Clear selected data in all waveforms"},
                {1025, "Digital filters"},
                {2050, "Autoscale vertical axis"},
                {2082, "Graph in oscilloscope mode"},
                {2083, "Graph in strip chart mode"},
                {2102, "Display last acquired sample as dot"},
                {2105, "3x3 pixel dot size"},
                {4112, "Select a window"},
                {4357, "Information about hardware and software"},
                {4609, "Clear current event marker"},
                {4617, "Move to this marker"},
                {4700, "Move to this marker"}};
    for (const Row& row : rows) {
        SetStatusText("Ready");
        OnFrameMenuSelect(Menu(), row.id, nullptr, MF_STRING);
        EXPECT_STREQ(GetStatusTextShown(), row.text) << row.id;
    }
    // The system menu's items, an item without help and the menu's closing show the panes.
    struct Panes {
        HMENU menu;
        UINT item, flags;
    } panes[] = {{Menu(), SC_CLOSE, MF_SYSMENU}, {Menu(), 3000, MF_STRING}, {nullptr, 0, 0xFFFFFFFFu}};
    for (const Panes& p : panes) {
        SetStatusText("Busy");
        OnFrameMenuSelect(p.menu, p.item, nullptr, p.flags);
        EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u) << p.item << ": " << GetStatusTextShown();
    }
    char text[96];
    EXPECT_EQ(LoadMenuHelpString(4617, text, sizeof text), 0);
    EXPECT_GT(LoadMenuHelpString(4609, text, sizeof text), 0);
    EXPECT_STREQ(text, "Clear current event marker");
    // A popup's help is kept one below its first item's id.
    SetStatusText("Ready");
    ShowPopupItemHelp(GetSubMenu(Menu(), 1), 1, FALSE);
    EXPECT_STREQ(GetStatusTextShown(), "Edit operations");
    SetStatusText("Ready");
    ShowPopupItemHelp(GetSubMenu(Menu(), 0), 0, FALSE);
    EXPECT_STREQ(GetStatusTextShown(), "File operations");
}

// Every help string of the program, selected as a menu item, reads in the status line whole
// and exactly as the string table holds it: help strings are texts, not message keys.
TEST_F(MenuState, EveryMenuHelpStringReadsWhole) {
    int count = 0;
    for (UINT id = 256; id < 5000; ++id) {  // below 256 the table holds messages
        char help[96];
        if (LoadMenuHelpString(static_cast<uint16_t>(id), help, sizeof help) <= 0) continue;
        ++count;
        SetStatusText("Busy");
        SendMessageA(g_app->hwndFrame, WM_MENUSELECT, MAKEWPARAM(id, MF_STRING), reinterpret_cast<LPARAM>(Menu()));
        EXPECT_STREQ(GetStatusTextShown(), help) << id;
    }
    EXPECT_EQ(count, 166);
}

// What a user sees moving through the whole menu: each popup as it opens, each item under the
// pointer. A popup shows the help one below its first item, an item its own help or the panes.
TEST_F(MenuState, WalkingTheMenuShowsEachItemsHelp) {
    struct Walk {
        HWND frame;
        int items = 0, popups = 0;
        static std::string Expected(UINT id) {
            if (id >= 4617 && id <= 4863) return "Move to this marker";
            char help[96];
            return LoadMenuHelpString(static_cast<uint16_t>(id), help, sizeof help) > 0 ? help : "";
        }
        void Popup(HMENU popup) {
            ++popups;
            UINT first = GetMenuItemID(popup, 0);
            if (first == 0xFFFFFFFFu) {
                HMENU inner = GetSubMenu(popup, 0);
                first = inner ? GetMenuItemID(inner, 0) - 1 : 0;
            }
            SetStatusText("Busy");
            SendMessageA(frame, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(popup), 0);
            const std::string help = first ? Expected(first - 1) : "";
            if (!help.empty()) {
                EXPECT_EQ(GetStatusTextShown(), help) << "popup before " << first;
            }
            for (int i = 0; i < GetMenuItemCount(popup); ++i) {
                if (HMENU sub = GetSubMenu(popup, i)) {
                    Popup(sub);
                    continue;
                }
                const UINT id = GetMenuItemID(popup, i);
                if (id == 0) continue;  // a separator
                ++items;
                SetStatusText("Busy");
                SendMessageA(frame, WM_MENUSELECT, MAKEWPARAM(id, MF_STRING), reinterpret_cast<LPARAM>(popup));
                const std::string expected = Expected(id);
                if (expected.empty()) {
                    EXPECT_EQ(std::string(GetStatusTextShown()).rfind("Ready", 0), 0u)
                        << id << ": " << GetStatusTextShown();
                } else {
                    EXPECT_EQ(GetStatusTextShown(), expected) << id;
                }
            }
        }
    } walk{g_app->hwndFrame};
    HMENU menu = Menu();
    for (int i = 0; i < GetMenuItemCount(menu); ++i)
        if (HMENU popup = GetSubMenu(menu, i)) walk.Popup(popup);
    EXPECT_GT(walk.items, 100);
    EXPECT_GT(walk.popups, 10);
}

// Highlighting in the menu bar reaches the frame, or the graph window while a graph is maximised;
// both decode WM_MENUSELECT alike.
TEST_F(MenuState, MenuSelectOfFrameAndGraphShowsTheSameHelp) {
    HWND graphWnd = g_app->hwndActiveGraph;
    ASSERT_TRUE(graphWnd);
    HMENU menu = Menu();
    struct Row {
        WPARAM wParam;
        HMENU menu;
        const char* text;
    } rows[] = {
        {MAKEWPARAM(IDM_FILE_NEW, MF_STRING | MF_HILITE), menu, "Open a new graph window"},
        {MAKEWPARAM(IDM_MARKER_LISTED_FIRST + 3, MF_STRING), menu, "Move to this marker"},
        {MAKEWPARAM(1, MF_POPUP | MF_HILITE), menu, "Ready"},  // a popup's title has no help of its own
        {MAKEWPARAM(SC_CLOSE, MF_SYSMENU), menu, "Ready"},
        {MAKEWPARAM(0, 0xFFFF), nullptr, "Ready"},  // the menu closed
    };
    for (HWND target : {g_app->hwndFrame, graphWnd}) {
        for (const Row& row : rows) {
            SetStatusText("Busy");
            SendMessageA(target, WM_MENUSELECT, row.wParam, reinterpret_cast<LPARAM>(row.menu));
            EXPECT_EQ(std::string(GetStatusTextShown()).rfind(row.text, 0), 0u)
                << (target == graphWnd ? "graph " : "frame ") << LOWORD(row.wParam) << ": " << GetStatusTextShown();
        }
    }
}

TEST_F(MenuState, MenuResourceHoldsTheCommandsUnderTheirLabels) {
    struct Row {
        UINT id;
        const char* label;
    } rows[] = {{257, "&New\tCtrl+N"},
                {258, "&Open...\tCtrl+O"},
                {259, "&Save\tCtrl+S"},
                {260, "Save &As..."},
                {261, "&Print...\tCtrl+P"},
                {262, "&Quit\tCtrl+Q"},
                {263, "Printer Se&tup..."},
                {268, "&Close\tCtrl+W"},
                {514, "Cu&t\tCtrl+X"},
                {515, "&Copy\tCtrl+C"},
                {516, "&Paste\tCtrl+V"},
                {517, "C&lear\tDel"},
                {518, "Clear &All"},
                {519, "&Insert waveform"},
                {520, "&Duplicate waveform"},
                {521, "&Select All"},
                {522, "&Remove waveform"},
                {524, "Copy &Measurement"},
                {526, "Copy &Graph"},
                {529, "Paste &Wave Data"},
                {1026, "&Low Pass..."},
                {1035, "&Limit..."},
                {1051, "&Inverse Mean Square Error"},
                {1066, "Find r&ate...\tCtrl+A"},
                {1069, "Find a&ll peaks\tCtrl+R"},
                {1075, "Ba&nd Pass (low+high)..."},
                {2085, "&Grid"},
                {2088, "Tool&bar"},
                {2102, "Last Dot &Only"},
                {2132, "&Zoom\tCtrl+G"},
                {4097, "&Tile Horizontally"},
                {4100, "Close &All"},
                {4101, "Arrange &Icons"}};
    for (const Row& row : rows) EXPECT_EQ(Label(row.id), row.label) << row.id;
    // The frame's creation took out the second pair of scale items.
    EXPECT_EQ(GetMenuState(Menu(), 2121, MF_BYCOMMAND), 0xFFFFFFFFu);
    EXPECT_EQ(GetMenuState(Menu(), 2128, MF_BYCOMMAND), 0xFFFFFFFFu);
    // The Window popup is the MDI client's window list.
    EXPECT_EQ(GetMenuItemID(GetSubMenu(Menu(), 4), 0), 4097u);
    HMENU color = GetSubMenu(GetSubMenu(Menu(), 3), 11);
    ASSERT_TRUE(color);
    MENUITEMINFOA info{};
    info.cbSize = sizeof info;
    info.fMask = MIIM_FTYPE | MIIM_DATA;
    for (UINT id = 2065; id <= 2071; ++id) {
        ASSERT_TRUE(GetMenuItemInfoA(color, id, FALSE, &info));
        EXPECT_TRUE(info.fType & MFT_OWNERDRAW) << id;
        EXPECT_EQ(info.dwItemData, id - 2064);
    }
}

TEST_F(MenuState, ColorItemsDrawTheirLabelInTheirColour) {
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 120, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bm);
    RECT rc{0, 0, 120, 20};
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_MENU;
    dis.itemID = 2066;  // red
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hDC = dc;
    dis.rcItem = rc;
    dis.itemData = 2;
    DrawColorMenuItem(&dis);
    const COLORREF colour = WaveColorFromIndex(2);
    ASSERT_NE(colour, RGB(255, 255, 255));
    int inColour = 0;
    for (int x = 0; x < 120; ++x)
        for (int y = 0; y < 20; ++y)
            if (GetPixel(dc, x, y) == colour) ++inColour;
    EXPECT_GT(inColour, 0);
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
}

TEST_F(MenuState, ToolbarButtonsFollowTheShownChannelsAndTheMode) {
    const UINT ids[] = {2053, 2098, 1067, 1068, 2099, 2100, 2087};
    for (UINT id : ids)
        ASSERT_TRUE(CreateWindowExA(0, "BUTTON", "", WS_CHILD, 0, 0, 10, 10, g_app->hwndToolbar,
                                    reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr, nullptr));
    auto enabled = [](UINT id) { return IsWindowEnabled(GetDlgItem(g_app->hwndToolbar, static_cast<int>(id))) != 0; };
    struct Row {
        uint32_t mode, acquiring;
        bool on[7];  // in the order of ids
    } rows[] = {
        {kModeChart, 0, {true, true, true, true, false, false, true}},
        {kModeChart, 1, {true, true, false, false, false, false, true}},
        {kModeXY, 0, {true, true, false, false, true, true, false}},
    };
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    ShowChannel(gs, 1);
    for (const Row& row : rows) {
        gs->displayMode = row.mode;
        gs->acquiring = row.acquiring;
        InitMenu();
        for (int i = 0; i < 7; ++i) EXPECT_EQ(enabled(ids[i]), row.on[i]) << row.mode << row.acquiring << " " << ids[i];
    }
    gs->acquiring = 0;
    // Without a shown channel the scale and peak buttons go off; 2087 is not theirs.
    gs->chanFlags[1] = 0;
    InitMenu();
    for (UINT id : {2053u, 2098u, 2099u, 2100u, 1067u, 1068u}) EXPECT_FALSE(enabled(id)) << id;
}

TEST_F(MenuState, ToolbarFollowsTheActiveGraph) {
    const UINT ids[] = {2082, 2083, 2084, 2085, 2087, 2089, 2090, 2091, 1067, 1068, 4880, 4881, 4882};
    // The toolbar's own buttons, shown as a lesson shows them; stand-ins for the ids it has none of.
    for (UINT id : ids) {
        if (HWND real = GetDlgItem(g_app->hwndToolbar, static_cast<int>(id))) {
            ShowWindow(real, SW_SHOW);
            continue;
        }
        ASSERT_TRUE(CreateWindowExA(0, "BUTTON", "", WS_CHILD | WS_VISIBLE | BS_AUTOCHECKBOX, 0, 0, 10, 10,
                                    g_app->hwndToolbar, reinterpret_cast<HMENU>(static_cast<UINT_PTR>(id)), nullptr,
                                    nullptr));
    }
    auto button = [](UINT id) { return GetDlgItem(g_app->hwndToolbar, static_cast<int>(id)); };
    auto on = [&](UINT id) { return IsWindowEnabled(button(id)) != 0; };
    auto checked = [&](UINT id) { return SendMessageA(button(id), BM_GETCHECK, 0, 0) == BST_CHECKED; };
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    gs->gridShown = 1;
    gs->measureShown = 0;
    gs->markerBarShown = 1;
    gs->journalShown = 0;
    struct Row {
        uint32_t mode;
        bool channel, recording;
        bool peaksOn, curveOn, markersOn;
    } rows[] = {
        {kModeChart, false, false, false, false, true}, {kModeChart, true, false, true, false, true},
        {kModeChart, true, true, false, false, true},   {kModeScope, true, false, true, false, true},
        {kModeXY, true, false, true, true, false},      {kModeXY, true, true, false, false, false},
    };
    for (const Row& row : rows) {
        gs->displayMode = row.mode;
        gs->chanFlags[1] = row.channel ? 2 : 0;
        gs->acquiring = row.recording;
        UpdateGraphToolbar();
        for (UINT id : {2082u, 2083u, 2084u}) {
            EXPECT_TRUE(on(id)) << id;
            EXPECT_EQ(checked(id), id == 2082 + row.mode) << row.mode << " " << id;
        }
        EXPECT_EQ(on(1067), row.peaksOn) << row.mode << row.channel << row.recording;
        EXPECT_EQ(on(1068), row.peaksOn);
        EXPECT_EQ(on(4880), row.curveOn) << row.mode << row.recording;
        EXPECT_EQ(on(2087), row.markersOn) << row.mode;
        EXPECT_TRUE(checked(2085));
        EXPECT_FALSE(checked(2089));
        EXPECT_TRUE(checked(2087));
        EXPECT_FALSE(checked(2091));
        // No segment markers: the segment buttons are not offered.
        EXPECT_FALSE(on(4881));
        EXPECT_FALSE(on(4882));
    }
    // The cursor tools stay usable while recording only when both the graph and the lesson allow it.
    struct Tools {
        uint32_t recording, whileRecording;
        uint16_t lessonAllows;
        bool on;
    } tools[] = {{0, 0, 0, true}, {1, 0, 1, false}, {1, 1, 0, false}, {1, 1, 1, true}};
    for (const Tools& t : tools) {
        gs->acquiring = t.recording;
        gs->toolsWhileRecording = t.whileRecording;
        g_script.cursorToolsAllowed = t.lessonAllows;
        UpdateGraphToolbar();
        for (HWND b : gs->toolButtons) {
            ASSERT_TRUE(b);
            EXPECT_EQ(IsWindowEnabled(b) != 0, t.on) << t.recording << t.whileRecording << t.lessonAllows;
        }
    }
    gs->acquiring = 0;
    // A mode button that a lesson hid stays off.
    ShowWindow(button(2084), SW_HIDE);
    UpdateGraphToolbar();
    EXPECT_FALSE(on(2084));
    // Without a graph everything goes off.
    Command(IDM_WINDOW_CLOSE_ALL);
    UpdateGraphToolbar();
    for (UINT id : ids) EXPECT_FALSE(on(id)) << id;
}

// Closing the last graph turns off every toolbar button that acts on a graph, with nothing else
// asked to refresh the toolbar: the user sees greyed buttons at once.
TEST_F(MenuState, ClosingTheLastGraphGraysTheToolbarsGraphButtons) {
    const UINT ids[] = {2082, 2083, 2084, 2085, 2089, 2090, 2087, 2091, 2053, 2098, 1067, 1068};
    for (UINT id : ids) {
        HWND b = GetDlgItem(g_app->hwndToolbar, static_cast<int>(id));
        ASSERT_TRUE(b) << id;
        ShowWindow(b, SW_SHOW);  // as the start-up lesson shows them
    }
    auto on = [](UINT id) { return IsWindowEnabled(GetDlgItem(g_app->hwndToolbar, static_cast<int>(id))) != 0; };
    tagGS* gs = GraphWithChannel();
    ASSERT_TRUE(gs);
    InitMenu();
    UpdateGraphToolbar();
    for (UINT id : ids) ASSERT_TRUE(on(id)) << id << " with a graph";
    for (UINT close : {static_cast<UINT>(IDM_FILE_CLOSE), static_cast<UINT>(IDM_WINDOW_CLOSE_ALL)}) {
        if (!Graph()) Command(IDM_FILE_NEW);
        ASSERT_TRUE(Graph());
        UpdateGraphToolbar();
        setDirtyGraphFlag(Graph(), 0);  // nothing to save: no question
        Command(close);
        PumpMessages();
        ASSERT_EQ(GraphWindowCount(), 0) << close;
        for (UINT id : ids) EXPECT_FALSE(on(id)) << id << " after command " << close;
    }
}

// Switching the display mode from the toolbar keeps the scale and peak buttons as the mode
// wants them, and the status line names the new mode at once.
TEST_F(MenuState, ModeButtonsKeepTheScaleAndPeakButtonsAndTheStatusNamesTheMode) {
    tagGS* gs = GraphWithChannel();
    ASSERT_TRUE(gs);
    auto button = [](UINT id) { return GetDlgItem(g_app->hwndToolbar, static_cast<int>(id)); };
    auto on = [&](UINT id) { return IsWindowEnabled(button(id)) != 0; };
    for (UINT id : {2082u, 2083u, 2084u}) ShowWindow(button(id), SW_SHOW);
    InitMenu();
    SetStatusText(nullptr);
    struct Row {
        UINT mode;
        const char* name;
        bool peaks;  // Find Peak and Find Next Peak work outside XY mode
    } rows[] = {{IDM_SHOW_CHART, "Chart", true}, {IDM_SHOW_XY, "XY", false}, {IDM_SHOW_SCOPE, "Scope", true},
                {IDM_SHOW_CHART, "Chart", true}};
    for (const Row& r : rows) {
        Command(r.mode, BN_CLICKED, button(r.mode));
        EXPECT_TRUE(on(IDM_DISPLAY_AUTOSCALE_ACTIVE)) << r.name;
        EXPECT_TRUE(on(IDM_DISPLAY_AUTOSCALE_HORIZONTAL)) << r.name;
        EXPECT_EQ(on(IDM_TRANSFORM_FIND_PEAK), r.peaks) << r.name;
        EXPECT_EQ(on(IDM_TRANSFORM_FIND_NEXT_PEAK), r.peaks) << r.name;
        const std::string shown = GetStatusTextShown();
        EXPECT_NE(shown.find(std::string("|") + r.name + "|"), std::string::npos) << shown;
    }
}

// The device menu's Warn On Overwrite follows the graph, and the acquisition record takes its word.
TEST_F(MenuState, OverwriteWarningGoesFromTheGraphToTheDeviceMenu) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    AppendMenuA(GetSubMenu(Menu(), 0), MF_STRING, 5012, "&Warn On Overwrite");
    for (uint32_t word : {1u, 0u, 3u}) {
        gs->overwriteWarning = word;
        UpdateTransformMenu(g_app->hwndFrame, g_app->hwndActiveGraph);
        EXPECT_EQ(Checked(5012), word > 0) << word;
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        EXPECT_EQ(acq->warnOnOverwrite, static_cast<int32_t>(word));
    }
}

// Start-up appends the Lessons popup, built from the lesson folders beside the program.
TEST_F(MenuState, StartUpAppendsTheLessonsPopupOfTheShippedLessons) {
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    *std::strrchr(exe, '\\') = 0;
    lstrcpynA(g_app->szAppFolder, exe, sizeof g_app->szAppFolder);
    const std::string lessonsFolder = std::string(exe) + "\\Lessons";
    ASSERT_EQ(FillUpLessonDescriptions(lessonsFolder.c_str()), 1);
    const int before = GetMenuItemCount(Menu());
    g_app->frame.bFrameMenuAttached = 0;  // as the program's start-up leaves it: the lesson attaches it
    ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
    SetReadStatusEnable(0);  // the unit check it turned on would ask at an idle turn of a later test
    ASSERT_EQ(GetMenuItemCount(Menu()), before + 2);  // the Lessons popup, then the device menu
    char title[32] = "";
    GetMenuStringA(Menu(), before, title, sizeof title, MF_BYPOSITION);
    EXPECT_STREQ(title, "&Lessons");
    HMENU lessons = GetSubMenu(Menu(), before);
    ASSERT_TRUE(lessons);
    const int n = GetMenuItemCount(lessons);
    ASSERT_GE(n, 1);
    char previous[300] = "", text[300];
    for (int i = 0; i < n; ++i) {
        EXPECT_EQ(GetMenuItemID(lessons, i), 322u + i);
        GetMenuStringA(lessons, i, text, sizeof text, MF_BYPOSITION);
        EXPECT_LE(lstrcmpiA(previous, text), 0) << text;
        lstrcpyA(previous, text);
    }
    // Choosing the first lesson moves to the program folder on the way to opening its script.
    char saved[MAX_PATH];
    GetCurrentDirectoryA(sizeof saved, saved);
    SetCurrentDirectoryA(lessonsFolder.c_str());
    // The lesson asks its questions as it opens: the user quits it at the first prompt.
    static const stScriptDialogs quitter = {
        [](const char*, const char*, const char*, const char*) { return 2; },
        [](const char*, const char*, char*) { return 1; },
        [](const char*, const char*, char* out) { return out[0] = 0, 1; },
        [](const char*, const char* const*, int, int, int) { return -1; },
        [](char*) { return 0; },
        [](char*, const char*) { return 0; },
    };
    SetScriptDialogs(&quitter);
    SetScriptErrorHook([](const char*) -> int16_t { return 0; });
    Command(IDM_LESSON_FIRST);
    SetScriptDialogs(nullptr);
    SetScriptErrorHook(nullptr);
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    EXPECT_EQ(lstrcmpiA(now, exe), 0) << now;
    SetCurrentDirectoryA(saved);
}

// The toolbar's channel list: the slot number at the left, the label in the channel's colour after it.
TEST_F(MenuState, ChannelListItemsShowSlotAndLabelInTheChannelColour) {
    tagGS* gs = Graph();
    ASSERT_TRUE(gs);
    gs->chanColor[3] = RGB(200, 0, 0);
    lstrcpyA(gs->chanLabel[3], "WWWW");
    HDC screen = GetDC(nullptr);
    HDC dc = CreateCompatibleDC(screen);
    HBITMAP bm = CreateCompatibleBitmap(screen, 160, 20);
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(dc, bm);
    RECT rc{0, 0, 160, 20};
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    DRAWITEMSTRUCT dis{};
    dis.CtlType = ODT_LISTBOX;
    dis.itemAction = ODA_DRAWENTIRE;
    dis.hDC = dc;
    dis.rcItem = rc;
    dis.itemData = 3;
    DrawOwnerItemFocus(&dis);
    int labelPixels = 0, numberPixels = 0, colouredLeft = 0;
    for (int x = 0; x < 160; ++x)
        for (int y = 0; y < 20; ++y) {
            const COLORREF c = GetPixel(dc, x, y);
            if (x >= 16 && c == RGB(200, 0, 0)) ++labelPixels;
            if (x < 14 && c == RGB(0, 0, 0)) ++numberPixels;
            if (x < 16 && c == RGB(200, 0, 0)) ++colouredLeft;
        }
    EXPECT_GT(labelPixels, 0);
    EXPECT_GT(numberPixels, 0);
    EXPECT_EQ(colouredLeft, 0);
    // Without an active graph nothing is written.
    FillRect(dc, &rc, static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH)));
    Command(IDM_WINDOW_CLOSE_ALL);
    DrawOwnerItemFocus(&dis);
    int drawn = 0;
    for (int x = 0; x < 160; ++x)
        for (int y = 0; y < 20; ++y)
            if (GetPixel(dc, x, y) != RGB(255, 255, 255)) ++drawn;
    EXPECT_EQ(drawn, 0);
    SelectObject(dc, old);
    DeleteObject(bm);
    DeleteDC(dc);
}

}  // namespace

namespace {

// BuildLessonsMenu over a temporary program folder.
class MenuStateLessons : public CommandsTest {
protected:
    void SetUp() override {
        CommandsTest::SetUp();
        GetCurrentDirectoryA(sizeof m_saved, m_saved);
        char temp[MAX_PATH];
        GetTempPathA(sizeof temp, temp);
        char dir[MAX_PATH];
        std::snprintf(dir, sizeof dir, "%skymora_menu_%lu", temp, GetCurrentProcessId());
        m_root = dir;
        CreateDirectoryA(m_root.c_str(), nullptr);
        lstrcpynA(g_app->szAppFolder, m_root.c_str(), sizeof g_app->szAppFolder);
    }
    void TearDown() override {
        SetCurrentDirectoryA(m_saved);
        for (const std::string& f : m_folders) RemoveDirectoryA(f.c_str());
        RemoveDirectoryA((m_root + "\\Lessons").c_str());
        RemoveDirectoryA(m_root.c_str());
        CommandsTest::TearDown();
    }
    void AddFolder(const std::string& name) {
        CreateDirectoryA((m_root + "\\Lessons").c_str(), nullptr);
        m_folders.push_back(m_root + "\\Lessons\\" + name);
        CreateDirectoryA(m_folders.back().c_str(), nullptr);
    }
    static std::string Item(HMENU popup, int position) {
        char text[300] = "";
        GetMenuStringA(popup, position, text, sizeof text, MF_BYPOSITION);
        return text;
    }
    std::string m_root;
    char m_saved[MAX_PATH] = "";
    std::vector<std::string> m_folders;
};

TEST_F(MenuStateLessons, NamesAreSortedWithoutCaseAndNumberedFrom322) {
    for (const char* name : {"Zeta", "beta", "Alpha", "ALPHB", "gamma&delta"}) AddFolder(name);
    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(BuildLessonsMenu(popup), 1);
    const char* expected[] = {"Alpha", "ALPHB", "beta", "gamma&&delta", "Zeta"};
    ASSERT_EQ(GetMenuItemCount(popup), 5);
    for (int i = 0; i < 5; ++i) {
        EXPECT_EQ(Item(popup, i), expected[i]) << i;
        EXPECT_EQ(GetMenuItemID(popup, i), 322u + i);
    }
    // The folder the program was in before is restored.
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    EXPECT_STREQ(now, m_saved);
    DestroyMenu(popup);
}

TEST_F(MenuStateLessons, AtMostSixtyFourLessonsAreListed) {
    for (int i = 0; i < 70; ++i) {
        char name[16];
        std::snprintf(name, sizeof name, "L%02d", i);
        AddFolder(name);
    }
    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(BuildLessonsMenu(popup), 1);
    EXPECT_EQ(GetMenuItemCount(popup), kMaxLessons);
    EXPECT_EQ(GetMenuItemID(popup, kMaxLessons - 1), 322u + kMaxLessons - 1);
    DestroyMenu(popup);
}

TEST_F(MenuStateLessons, NoLessonsFolderLeavesTheMenuEmptyInTheProgramFolder) {
    HMENU popup = CreatePopupMenu();
    EXPECT_EQ(BuildLessonsMenu(popup), 0);
    EXPECT_EQ(GetMenuItemCount(popup), 0);
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    EXPECT_EQ(lstrcmpiA(now, m_root.c_str()), 0) << now;
    DestroyMenu(popup);
}

}  // namespace
