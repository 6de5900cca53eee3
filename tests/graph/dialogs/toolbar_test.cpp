// The graph toolbar of the running program: its buttons, their places and faces, the lesson
// scripts' shown flags, the clicks that become menu commands, and the state that follows the graph.
#include "tests/graph/dialogs/dialog_fixture.h"
#include "graph/dialogs/toolbar.h"
#include "button/lumikey.h"
#include "base/notify.h"

#include <algorithm>

namespace {

class Toolbar : public GraphDialogs {
protected:
    HWND Button(UINT id) const { return GetDlgItem(g_app->hwndToolbar, static_cast<int>(id)); }
    RECT Place(HWND b) const {
        RECT r;
        GetWindowRect(b, &r);
        MapWindowPoints(nullptr, g_app->hwndToolbar, reinterpret_cast<POINT*>(&r), 2);
        return r;
    }
    static int CountColor(const std::vector<uint32_t>& pixels, uint32_t rgb) {
        int n = 0;
        for (uint32_t p : pixels) n += (p & 0xFFFFFF) == rgb;
        return n;
    }
    void ClickButton(HWND b) {
        SendMessageA(b, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(b, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PumpMessages();
    }
};

TEST_F(Toolbar, ButtonsLieInTheirPlacesWithTheirTipsAndStartHidden) {
    struct Row {
        UINT id;
        int x;
        const char* tip;
        const char* script;  // null: not shown by scripts
    } rows[] = {
        {IDM_SHOW_SCOPE, 4, "Scope Mode", "SCOPEMODE"},
        {IDM_SHOW_CHART, 30, "Chart Mode", "CHARTMODE"},
        {IDM_SHOW_XY, 56, "XY Mode", "XYMODE"},
        {IDM_TOOL_ARROW, 4, "Arrow selection tool", nullptr},
        {IDM_TOOL_SELECTION, 30, "I-beam data selection tool", nullptr},
        {IDM_TOOL_ZOOM, 56, "Zoom tool", nullptr},
        {IDM_SEGMENT_VIEW, 82, "Overlap segment mode", nullptr},
        {IDM_DISPLAY_AUTOSCALE_ACTIVE, 114, "Vertical Autoscale", "VAUTOSCALE"},
        {IDM_DISPLAY_AUTOSCALE_HORIZONTAL, 140, "Horizontal Autoscale", "HAUTOSCALE"},
        {IDM_DISPLAY_CENTER_VERTICALLY, 166, "Center vertically", "VCENTER"},
        {IDM_DISPLAY_CENTER_HORIZONTALLY, 192, "Center horizontally", "HCENTER"},
        {IDM_TRANSFORM_FIND_PEAK, 224, "Find Peak", "FINDPEAK"},
        {IDM_TRANSFORM_FIND_NEXT_PEAK, 250, "Find Next Peak", "FINDNEXTPEAK"},
        {IDM_SHOW_GRID, 282, "Show/Hide Grid", "GRID"},
        {IDM_SHOW_MEASUREMENTS, 308, "Show/Hide Measurements", "MEASUREMENTS"},
        {IDM_SHOW_CHANNEL_NUMBERS, 334, "Show/Hide channels", "CHANNELS"},
        {IDM_SHOW_MARKERS, 360, "Show/Hide markers", "MARKER"},
        {IDM_SHOW_JOURNAL, 386, "Show/Hide journal", "JOURNAL"},
    };
    for (const Row& r : rows) {
        HWND b = Button(r.id);
        ASSERT_TRUE(b) << r.tip;
        const RECT place = Place(b);
        EXPECT_EQ(place.left, r.x) << r.tip;
        EXPECT_EQ(place.top, 2) << r.tip;
        EXPECT_EQ(place.right - place.left, 24) << r.tip;
        EXPECT_EQ(place.bottom - place.top, 22) << r.tip;
        EXPECT_FALSE(IsWindowVisible(b)) << r.tip;
        tagLUMIKEY* rec = LumikeyRecord(b);
        ASSERT_TRUE(rec);
        EXPECT_STREQ(rec->szTip, r.tip);
        EXPECT_TRUE(rec->hbmEnable && rec->hbmDisable) << r.tip;
        if (r.script) {
            EXPECT_EQ(GetScriptToolbarButton(r.script), 0) << r.script;
        }
    }
}

TEST_F(Toolbar, ScriptsShowAndHideButtonsByName) {
    EXPECT_EQ(SetScriptToolbarButton("XYMODE", 1), 1);
    EXPECT_TRUE(IsWindowVisible(Button(IDM_SHOW_XY)));
    EXPECT_EQ(Place(Button(IDM_SHOW_XY)).left, 56);
    EXPECT_FALSE(IsWindowVisible(Button(IDM_TOOL_ZOOM)));  // the tool lying under it stays hidden
    EXPECT_EQ(GetScriptToolbarButton("xymode"), 1);
    // The two slots without a button keep their flag only.
    EXPECT_EQ(SetScriptToolbarButton("OPTRANGE", 1), 1);
    EXPECT_EQ(GetScriptToolbarButton("OPTRANGE"), 1);
    EXPECT_EQ(SetScriptToolbarButton("NOSUCHBUTTON", 1), 0);
    EXPECT_EQ(GetScriptToolbarButton("NOSUCHBUTTON"), -1);
    SetScriptToolbarButton("GRID", 1);
    HideScriptToolbarButtons();
    EXPECT_FALSE(IsWindowVisible(Button(IDM_SHOW_XY)));
    EXPECT_FALSE(IsWindowVisible(Button(IDM_SHOW_GRID)));
    EXPECT_EQ(GetScriptToolbarButton("XYMODE"), 0);
    EXPECT_EQ(GetScriptToolbarButton("OPTRANGE"), 0);
}

TEST_F(Toolbar, AClickIsTheMenuCommandAndTheButtonsFollowTheGraph) {
    Channel(0);
    for (const char* name : {"SCOPEMODE", "CHARTMODE", "XYMODE", "GRID", "FINDPEAK"}) SetScriptToolbarButton(name, 1);
    gs_->displayMode = kModeScope;
    notify::UpdateGraphToolbar();
    EXPECT_EQ(SendMessageA(Button(IDM_SHOW_SCOPE), BM_GETCHECK, 0, 0), BST_CHECKED);
    ClickButton(Button(IDM_SHOW_CHART));
    EXPECT_EQ(gs_->displayMode, kModeChart);
    notify::UpdateGraphToolbar();
    EXPECT_EQ(SendMessageA(Button(IDM_SHOW_CHART), BM_GETCHECK, 0, 0), BST_CHECKED);
    EXPECT_EQ(SendMessageA(Button(IDM_SHOW_SCOPE), BM_GETCHECK, 0, 0), BST_UNCHECKED);
    EXPECT_TRUE(IsWindowEnabled(Button(IDM_TRANSFORM_FIND_PEAK)));
    // Without an active graph every managed button is greyed.
    HWND active = g_app->hwndActiveGraph;
    g_app->hwndActiveGraph = nullptr;
    notify::UpdateGraphToolbar();
    for (UINT id : {IDM_SHOW_SCOPE, IDM_SHOW_CHART, IDM_SHOW_XY, IDM_SHOW_GRID})
        EXPECT_FALSE(IsWindowEnabled(Button(id))) << id;
    g_app->hwndActiveGraph = active;
}

TEST_F(Toolbar, FacesAreDrawnAndGreyedAndTheStripHasItsTopLine) {
    SetScriptToolbarButton("SCOPEMODE", 1);
    HWND scope = Button(IDM_SHOW_SCOPE);
    EnableWindow(scope, TRUE);
    InvalidateRect(scope, nullptr, TRUE);
    RECT face{0, 0, 24, 22};
    const std::vector<uint32_t> on = Capture(scope, face);
    EnableWindow(scope, FALSE);
    InvalidateRect(scope, nullptr, TRUE);
    const std::vector<uint32_t> off = Capture(scope, face);
    const uint32_t trace = 0x0000C0;  // the blue trace of the scope picture
    EXPECT_GT(CountColor(on, trace), 8);
    EXPECT_EQ(CountColor(off, trace), 0);
    EXPECT_NE(on, off);
    InvalidateRect(g_app->hwndToolbar, nullptr, TRUE);
    RECT top{200, 0, 400, 1};
    const std::vector<uint32_t> line = Capture(g_app->hwndToolbar, top);
    const COLORREF hi = GetSysColor(COLOR_BTNHIGHLIGHT);
    const uint32_t rgb = (GetRValue(hi) << 16) | (GetGValue(hi) << 8) | GetBValue(hi);
    EXPECT_EQ(CountColor(line, rgb), 200);
}

}  // namespace

namespace {

// What the toolbar's lookups remember follows its children as they come and go.
TEST_F(Toolbar, LookupsFollowButtonsThatComeAndGo) {
    constexpr UINT kLateId = 31999;
    ASSERT_EQ(ToolbarButton(IDM_SHOW_SCOPE), Button(IDM_SHOW_SCOPE));
    const std::vector<HWND> before = ToolbarChildren();
    EXPECT_EQ(ToolbarButton(kLateId), nullptr);

    HWND late = CreateWindowExA(0, LUMIKEY_CLASSNAME, "", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, g_app->hwndToolbar,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(kLateId)), GetModuleHandleA(nullptr),
                                nullptr);
    ASSERT_TRUE(late);
    EXPECT_EQ(ToolbarButton(kLateId), late) << "a button that came after an empty look is found";
    const std::vector<HWND> with = ToolbarChildren();
    EXPECT_EQ(with.size(), before.size() + 1);
    EXPECT_NE(std::find(with.begin(), with.end(), late), with.end());

    DestroyWindow(late);
    EXPECT_EQ(ToolbarButton(kLateId), nullptr);
    EXPECT_EQ(ToolbarChildren(), before);
    EXPECT_EQ(ToolbarButton(IDM_SHOW_SCOPE), Button(IDM_SHOW_SCOPE));
}

}  // namespace
