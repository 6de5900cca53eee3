// The Display menu's switches and per-channel styles on the active graph: each changes its
// setting, the menu check follows, and only the settings kept with the document mark it changed.
#include "commands_fixture.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "devlib/vk40.h"
#include "common/tagGS.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "graph/view/axis_units.h"
#include "shell/commands/status.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "controls/popup_button.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_calc.h"
#include "controls/tests/dib32.h"
#include <commdlg.h>
#include <richedit.h>
#include <dlgs.h>
#include <cstdlib>
#include <functional>

namespace {

class DisplayCommands : public CommandsTest {
protected:
    tagGS* GraphWithChannels() {
        tagGS* gs = Graph();
        EXPECT_TRUE(gs);
        if (!gs) return nullptr;
        ShowChannel(gs, 0);
        ShowChannel(gs, 2);
        gs->selectedChan = 2;
        return gs;
    }
};

// Each switch toggles on one command and back on the next; the menu's check follows.
TEST_F(DisplayCommands, SwitchesToggleAndOnlyTheSavedOnesMarkTheGraphChanged) {
    struct Row {
        UINT id;
        std::function<uint32_t(const tagGS*)> setting;
        bool saved;     // kept with the document: marks it changed
        bool checked;   // the menu shows the setting as a check
    } rows[] = {
        {IDM_SHOW_GRID, [](const tagGS* g) { return g->gridShown; }, true, true},
        {IDM_SHOW_MARKERS, [](const tagGS* g) { return g->markerBarShown; }, true, true},
        {IDM_SHOW_MEASUREMENTS, [](const tagGS* g) { return g->measureShown; }, true, true},
        {IDM_SHOW_CHANNEL_NUMBERS, [](const tagGS* g) { return g->viewFlags2 ? 1u : 0u; }, true, true},
        {IDM_SHOW_JOURNAL, [](const tagGS* g) { return g->journalShown; }, true, true},
        {IDM_SHOW_X_SCALE, [](const tagGS* g) { return g->lessonFlags[1]; }, false, true},
        {IDM_SHOW_X_SCALE_SECOND, [](const tagGS* g) { return g->lessonFlags[1]; }, false, false},
        {IDM_SHOW_Y_SCALE, [](const tagGS* g) { return g->lessonFlags[0]; }, false, true},
        {IDM_SHOW_Y_SCALE_SECOND, [](const tagGS* g) { return g->lessonFlags[0]; }, false, false},
        {IDM_SHOW_LAST_DOT_ONLY, [](const tagGS* g) { return g->chanPlotStyle[2] >> 31; }, true, true},
    };
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    gs->displayMode = kModeXY;  // Last Dot Only is an XY item
    for (const Row& row : rows) {
        const uint32_t before = row.setting(gs);
        for (int step = 1; step <= 2; ++step) {
            setDirtyGraphFlag(gs, 0);
            Command(row.id);
            const uint32_t now = row.setting(gs);
            EXPECT_EQ(now, step == 1 ? (before ? 0u : 1u) : before) << row.id << " step " << step;
            EXPECT_EQ(gs->modified, row.saved ? 1u : 0u) << row.id;
            if (row.checked) {
                InitMenu();
                EXPECT_EQ(Checked(row.id), now != 0) << row.id;
            }
        }
    }
}

// Commands that only change the view leave the graph unmarked.
TEST_F(DisplayCommands, ViewCommandsDoNotMarkTheGraphChanged) {
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    for (UINT id : {IDM_DISPLAY_RESET_CHART, IDM_DISPLAY_REFRESH, IDM_TOOL_ZOOM, IDM_TOOL_ARROW, IDM_SHOW_CHART,
                    IDM_SHOW_CHART}) {
        setDirtyGraphFlag(gs, 0);
        if (id == IDM_SHOW_CHART) gs->displayMode = kModeChart;
        Command(id);
        EXPECT_EQ(gs->modified, 0u) << id;
    }
}

// A click of the zoom tool zooms in; Zoom Previous and Zoom Next walk back and forth over it.
TEST_F(DisplayCommands, ZoomPreviousAndNextWalkTheZoomHistory) {
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    Command(IDM_TOOL_ZOOM);
    const double perDiv = gs->hPerDiv;
    const LPARAM mid =
        MAKELPARAM((gs->plotRect.left + gs->plotRect.right) / 2, (gs->plotRect.top + gs->plotRect.bottom) / 2);
    SendMessageA(gs->hwnd, WM_LBUTTONDOWN, MK_LBUTTON, mid);
    SendMessageA(gs->hwnd, WM_LBUTTONUP, 0, mid);
    ASSERT_DOUBLE_EQ(gs->hPerDiv, perDiv / 2) << "a click zooms in twice";
    Command(IDM_DISPLAY_ZOOM_PREVIOUS);
    EXPECT_DOUBLE_EQ(gs->hPerDiv, perDiv);
    Command(IDM_DISPLAY_ZOOM_NEXT);
    EXPECT_DOUBLE_EQ(gs->hPerDiv, perDiv / 2);
}

// Line, step and dot plot change the active channel; with Ctrl held, all 60 slots, empty ones
// too. Dot sizes keep the last-dot bit, Last Dot Only keeps the size; colours come from the
// palette. Each marks the graph changed.
TEST_F(DisplayCommands, ChannelStylesChangeTheActiveChannelOrAllWithCtrl) {
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    struct Row {
        UINT id;
        bool ctrl;
        uint16_t style;
    } styles[] = {{IDM_SHOW_DOT_PLOT, false, kStyleDots},
                  {IDM_SHOW_STEP_PLOT, true, kStyleStep},
                  {IDM_SHOW_LINE_PLOT, false, kStyleLine}};
    for (const Row& row : styles) {
        for (int s = 0; s < kMaxChannels; ++s) gs->chanDrawStyle[s] = 7;
        BYTE keys[256] = {};
        GetKeyboardState(keys);
        keys[VK_CONTROL] = row.ctrl ? 0x80 : 0;
        SetKeyboardState(keys);
        setDirtyGraphFlag(gs, 0);
        Command(row.id);
        keys[VK_CONTROL] = 0;
        SetKeyboardState(keys);
        for (int s = 0; s < kMaxChannels; ++s)
            EXPECT_EQ(gs->chanDrawStyle[s], s == 2 || row.ctrl ? row.style : 7) << row.id << " slot " << s;
        EXPECT_EQ(gs->modified, 1u);
    }
    struct Dot {
        UINT id;
        uint32_t size;
    } dots[] = {{IDM_DOT_SIZE_3, 3}, {IDM_DOT_SIZE_11, 11}, {IDM_DOT_SIZE_21, 21}, {IDM_DOT_SIZE_1, 1}};
    for (const Dot& dot : dots) {
        gs->chanPlotStyle[2] = 0x80120000u | 0x0505u;
        Command(dot.id);
        EXPECT_EQ(gs->chanPlotStyle[2], 0x80120000u | (dot.size << 8) | dot.size) << dot.id;
    }
    gs->displayMode = kModeXY;
    Command(IDM_SHOW_LAST_DOT_ONLY);
    EXPECT_EQ(gs->chanPlotStyle[2], 0x00120000u | 0x0101u);
    for (UINT id = IDM_COLOR_BLACK; id <= IDM_COLOR_BURGUNDY; ++id) {
        setDirtyGraphFlag(gs, 0);
        Command(id);
        EXPECT_EQ(gs->chanColor[2], WaveColorFromIndex(id - IDM_COLOR_BLACK + 1)) << id;
        EXPECT_EQ(gs->modified, 1u);
    }
}

// "Other..." opens the colour dialog on the active channel's colour; what the user picks
// there becomes the channel's colour, and a cancel leaves the colour as it was.
TEST_F(DisplayCommands, OtherColourTakesTheColourDialogsChoice) {
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    constexpr int kRedEdit = 706, kGreenEdit = 707, kBlueEdit = 708;  // the colour dialog's RGB fields
    struct Row {
        bool accept;
        COLORREF expected;
    } rows[] = {{true, RGB(200, 100, 50)}, {false, RGB(10, 20, 30)}};
    for (const Row& row : rows) {
        gs->chanColor[2] = RGB(10, 20, 30);
        gs->chanColor[0] = RGB(1, 1, 1);
        setDirtyGraphFlag(gs, 0);
        std::string shownRed, shownBlue;
        DialogDriver driver({[&](HWND dlg) {
            shownRed = ItemText(dlg, kRedEdit);
            shownBlue = ItemText(dlg, kBlueEdit);
            if (!row.accept) {
                Click(dlg, IDCANCEL);
                return;
            }
            TypeInto(dlg, kRedEdit, "200");
            TypeInto(dlg, kGreenEdit, "100");
            TypeInto(dlg, kBlueEdit, "50");
            Click(dlg, IDOK);
        }});
        Command(IDM_COLOR_OTHER);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(driver.LeftOpen(), 0);
        EXPECT_EQ(shownRed, "10");
        EXPECT_EQ(shownBlue, "30");
        EXPECT_EQ(gs->chanColor[2], row.expected) << row.accept;
        EXPECT_EQ(gs->chanColor[0], RGB(1, 1, 1));
        EXPECT_EQ(gs->modified, 1u);
    }
}

// Pixels of the ink in the pop-up button as it draws itself.
int ButtonInk(PopupButton* button, COLORREF ink) {
    RECT r{};
    button->GetRect(&r);
    const int w = r.right + 2, h = r.bottom + 2;
    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP dib = CreateTopDownDib32(dc, w, h, &bits);
    HGDIOBJ old = SelectObject(dc, dib);
    button->Draw(dc, &r);
    GdiFlush();
    const uint32_t want = (GetRValue(ink) << 16) | (GetGValue(ink) << 8) | GetBValue(ink);
    int count = 0;
    for (int i = 0; i < w * h; ++i) count += (static_cast<uint32_t*>(bits)[i] & 0xFFFFFF) == want;
    SelectObject(dc, old);
    DeleteObject(dib);
    DeleteDC(dc);
    return count;
}

// A colour command recolours the measurement boxes that follow the selected channel; a box
// fixed on another channel keeps that channel's colour.
TEST_F(DisplayCommands, ColourCommandsRecolourTheBoxesOfTheSelectedChannel) {
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    gs->chanColor[0] = RGB(0, 128, 0);
    if (!gs->measureShown) Command(IDM_SHOW_MEASUREMENTS);
    ASSERT_TRUE(gs->measureShown);
    ASSERT_GE(GetMeasurementCount(gs->measureGrid), 2);
    stMeasure* follows = GetMeasurementAt(gs->measureGrid, 0);
    stMeasure* fixed = GetMeasurementAt(gs->measureGrid, 1);
    ASSERT_TRUE(follows && fixed && follows->channelButton && fixed->channelButton);
    for (stMeasure* box : {follows, fixed}) {
        SetMeasurementType(box, measure::kMean);
        SetMeasurementShown(box, 1);
    }
    SetMeasurementChannel(follows, -1);
    SetMeasurementChannel(fixed, 0);
    struct Row {
        UINT id;
        COLORREF color;
    } rows[] = {{IDM_COLOR_RED, WaveColorFromIndex(2)}, {IDM_COLOR_BLUE, WaveColorFromIndex(4)},
                {IDM_COLOR_MAGENTA, WaveColorFromIndex(6)}};
    for (const Row& row : rows) {
        Command(row.id);
        EXPECT_GT(ButtonInk(follows->channelButton, row.color), 10) << row.id;
        EXPECT_GT(ButtonInk(follows->typeButton, row.color), 10) << row.id;
        EXPECT_EQ(ButtonInk(fixed->channelButton, row.color), 0) << row.id;
        EXPECT_GT(ButtonInk(fixed->channelButton, RGB(0, 128, 0)), 10) << row.id;
    }
}

// Hiding the toolbar gives the MDI client its 26 pixels; showing it takes them back.
TEST_F(DisplayCommands, ToolbarToggleMovesTheClientArea) {
    RECT before{};
    GetWindowRect(g_app->hwndClient, &before);
    const uint32_t visible = g_app->frame.bToolbarVisible;
    Command(IDM_SHOW_TOOLBAR);
    RECT hidden{};
    GetWindowRect(g_app->hwndClient, &hidden);
    EXPECT_EQ(g_app->frame.bToolbarVisible, visible ? 0u : 1u);
    const int change = visible ? 26 : -26;
    EXPECT_EQ(hidden.top, before.top - change);
    EXPECT_EQ(hidden.bottom, before.bottom);
    EXPECT_EQ(hidden.right - hidden.left, before.right - before.left);
    Command(IDM_SHOW_TOOLBAR);
    RECT back{};
    GetWindowRect(g_app->hwndClient, &back);
    EXPECT_TRUE(EqualRect(&back, &before));
}

// A command the lesson forbids does nothing.
TEST_F(DisplayCommands, ForbiddenCommandDoesNothing) {
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    const uint32_t grid = gs->gridShown;
    // The lesson restricts the command, as its hot key statements do.
    if (GetStatusHotKeyEx(IDM_SHOW_GRID) == kHotKeyUnregistered) {
        ASSERT_EQ(RegHotKeyEx(IDM_SHOW_GRID, 1, 0), kHotKeyRegistered);
    }
    ASSERT_EQ(SetStatusHotKeyEx(IDM_SHOW_GRID, 0), 1);
    Command(IDM_SHOW_GRID);
    EXPECT_EQ(gs->gridShown, grid);
    ASSERT_EQ(SetStatusHotKeyEx(IDM_SHOW_GRID, 1), 1);
    Command(IDM_SHOW_GRID);
    EXPECT_NE(gs->gridShown, grid);
}

// The marker bar's controls hide with it; shown again in a graph without markers, none of them
// can be used.
TEST_F(DisplayCommands, MarkerBarControlsFollowTheSwitchAndTheMarkers) {
    tagGS* gs = GraphWithChannels();
    ASSERT_TRUE(gs);
    gs->displayMode = kModeChart;
    // The bar's controls as the marker bar makes them, where it has not made them.
    HWND* slots[3] = {&gs->segPrevButton, &gs->segNextButton, &gs->markerLabelEdit};
    const char* classes[3] = {"BUTTON", "BUTTON", "EDIT"};
    bool made[3] = {};
    for (int i = 0; i < 3; ++i) {
        if (*slots[i]) continue;
        *slots[i] = CreateWindowExA(0, classes[i], "", WS_CHILD | WS_VISIBLE, 0, 0, 20, 20, gs->hwnd, nullptr,
                                    GetModuleHandleA(nullptr), nullptr);
        made[i] = true;
    }
    HWND controls[3] = {gs->segPrevButton, gs->segNextButton, gs->markerLabelEdit};
    for (HWND c : controls) ASSERT_TRUE(c);
    for (HWND c : controls) EnableWindow(c, TRUE);
    if (!gs->markerBarShown) Command(IDM_SHOW_MARKERS);
    Command(IDM_SHOW_MARKERS);
    EXPECT_EQ(gs->markerBarShown, 0u);
    for (HWND c : controls) EXPECT_FALSE(IsWindowVisible(c));
    Command(IDM_SHOW_MARKERS);
    EXPECT_EQ(gs->markerBarShown, 1u);
    for (HWND c : controls) {
        EXPECT_TRUE(IsWindowVisible(c));
        EXPECT_FALSE(IsWindowEnabled(c));
    }
    for (int i = 0; i < 3; ++i) {
        if (!made[i]) continue;
        DestroyWindow(*slots[i]);
        *slots[i] = nullptr;
    }
}

// The journal's right-click menu, as the mouse opens it: Change Font is chosen by its mnemonic
// while the menu is open, the font dialog is answered with a new size, and the journal of every
// graph takes the font, which is also written to the settings file for the next start.
UINT g_menuKey = 0;
HHOOK g_menuHook = nullptr;
LRESULT CALLBACK ChooseByMnemonic(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* m = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && m->message == WM_INITMENUPOPUP && g_menuKey) {
        PostMessageA(m->hwnd, WM_CHAR, g_menuKey, 0);
        g_menuKey = 0;
    }
    return CallNextHookEx(g_menuHook, code, wParam, lParam);
}

TEST_F(DisplayCommands, TheJournalMenusChangeFontReachesEveryJournalAndIsKept) {
    Command(IDM_FILE_NEW);
    ASSERT_GE(GraphWindowCount(), 2);
    std::vector<tagGS*> graphs;
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (tagGS* g = GetWindowGraph(w)) graphs.push_back(g);
    ASSERT_GE(graphs.size(), 2u);
    tagGS* gs = Graph();
    if (!gs->journalShown) Command(IDM_SHOW_JOURNAL);
    HWND edit = GetJournalHwnd(gs->journalWnd);
    ASSERT_TRUE(edit && IsWindowVisible(edit));
    RECT rc;
    GetClientRect(edit, &rc);
    POINT at{(rc.left + rc.right) / 2, (rc.top + rc.bottom) / 2};
    MapWindowPoints(edit, gs->hwnd, &at, 1);
    const LONG before = g_app->fonts.lfJournal.lfHeight;
    DialogDriver driver({[](HWND dlg) {
        HWND size = GetDlgItem(dlg, cmb3);
        SendMessageA(size, CB_SELECTSTRING, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>("26"));
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(cmb3, CBN_SELCHANGE), reinterpret_cast<LPARAM>(size));
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    }});
    g_menuKey = 'f';
    g_menuHook = SetWindowsHookExA(WH_CALLWNDPROC, ChooseByMnemonic, nullptr, GetCurrentThreadId());
    SendMessageA(gs->hwnd, WM_PARENTNOTIFY, MAKEWPARAM(WM_RBUTTONDOWN, 0), MAKELPARAM(at.x, at.y));
    UnhookWindowsHookEx(g_menuHook);
    ASSERT_EQ(driver.Runs(), 1) << "the font dialog opened from the menu";
    EXPECT_NE(g_app->fonts.lfJournal.lfHeight, before);
    LOGFONTA shown{};
    HDC screen = GetDC(nullptr);
    const int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    for (tagGS* g : graphs) {
        HWND e = GetJournalHwnd(g->journalWnd);
        ASSERT_TRUE(e);
        CHARFORMATA cf{};
        cf.cbSize = sizeof cf;
        SendMessageA(e, EM_GETCHARFORMAT, SCF_DEFAULT, reinterpret_cast<LPARAM>(&cf));
        EXPECT_STREQ(cf.szFaceName, g_app->fonts.lfJournal.lfFaceName) << g->hwnd;
        // The text is shown at the chosen size: 26 points are 520 twips, and the pixel height
        // chosen is rounded, so the size read back is within a pixel of it.
        EXPECT_NEAR(cf.yHeight, 520, 1440 / dpi) << g->hwnd;
    }
    ASSERT_TRUE(GetObjectA(g_app->fonts.hfontJournal, sizeof shown, &shown));
    EXPECT_EQ(shown.lfHeight, g_app->fonts.lfJournal.lfHeight);
    char kept[16] = "";
    GetPrivateProfileStringA("Font Information", "FontHeight", "", kept, sizeof kept, "NORVANE.INI");
    EXPECT_EQ(std::atol(kept), g_app->fonts.lfJournal.lfHeight) << kept;
}

}  // namespace
