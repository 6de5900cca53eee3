// The graph toolbar strip across the top of the frame. Its bitmap buttons forward their clicks
// to the frame as the menu commands of the same ids; the shell enables and checks them with the
// active graph, lesson scripts show and hide them. The toolbar record exists once per process.
#include "graph/dialogs/toolbar.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "button/lumikey.h"
#include "devlib/vk40.h"
#include <cstring>
#include <iterator>
#include <unordered_map>

namespace {

constexpr int kScriptSlots = 16;
constexpr int kButtonSlots = 19;
constexpr DWORD kButtonStyle = WS_CHILD | WS_GROUP | WS_TABSTOP | LKS_BITMAPONLY | 0x0400;
constexpr int kButtonWidth = 24, kButtonHeight = 22, kButtonTop = 2, kStep = 26, kGap = 6;

// The toolbar record: one zero-filled moveable block, locked for the window's life.
struct stToolbar {
    HWND window;
    uint32_t ownerDrawHook;  // cleared when the buttons are made and never set
    // Scope, Chart, XY, Vertical Autoscale, "OPTRANGE" (no button), Horizontal Autoscale,
    // Center vertically, Center horizontally, Find Peak, Find Next Peak, Grid, Markers,
    // Measurements, Channels, Journal, "RECENT" (no button), Arrow, I-beam, Zoom.
    HWND buttons[kButtonSlots];
    uint32_t spare[2];
    uint32_t shown[kScriptSlots];  // of the first sixteen button slots
    struct {
        HWND button;
        uint32_t shown;
    } extra[3];  // a spare slot, the Overlap segment mode button, a spare slot
};

HGLOBAL g_toolbarBlock = nullptr;
stToolbar* g_toolbar = nullptr;

struct stButtonRow {
    const char* tip;
    UINT id;
    UINT face, faceOff;
    int slot;                // index in buttons[], or -1 for the Overlap button
    const char* scriptName;  // null: no script shows it
    bool gapBefore;
};

// In creation order; the three tool buttons lie hidden under the mode buttons.
const stButtonRow kRows[] = {
    {"Scope Mode", IDM_SHOW_SCOPE, IDB_TB_SCOPE, IDB_TB_SCOPE_OFF, 0, "SCOPEMODE", false},
    {"Chart Mode", IDM_SHOW_CHART, IDB_TB_CHART, IDB_TB_CHART_OFF, 1, "CHARTMODE", false},
    {"XY Mode", IDM_SHOW_XY, IDB_TB_XY, IDB_TB_XY_OFF, 2, "XYMODE", false},
    {"Arrow selection tool", IDM_TOOL_ARROW, IDB_TB_ARROW, IDB_TB_ARROW_OFF, 16, nullptr, false},
    {"I-beam data selection tool", IDM_TOOL_SELECTION, IDB_FACE_IBEAM_BAR, IDB_FACE_IBEAM_BAR_OFF, 17, nullptr, false},
    {"Zoom tool", IDM_TOOL_ZOOM, IDB_TB_ZOOM, IDB_TB_ZOOM_OFF, 18, nullptr, false},
    {"Overlap segment mode", IDM_SEGMENT_VIEW, IDB_TB_OVERLAP, IDB_TB_OVERLAP_OFF, -1, nullptr, false},
    {"Vertical Autoscale", IDM_DISPLAY_AUTOSCALE_ACTIVE, IDB_TB_VAUTOSCALE, IDB_TB_VAUTOSCALE_OFF, 3, "VAUTOSCALE",
     true},
    {"Horizontal Autoscale", IDM_DISPLAY_AUTOSCALE_HORIZONTAL, IDB_TB_HAUTOSCALE, IDB_TB_HAUTOSCALE_OFF, 5,
     "HAUTOSCALE", false},
    {"Center vertically", IDM_DISPLAY_CENTER_VERTICALLY, IDB_TB_VCENTER, IDB_TB_VCENTER_OFF, 6, "VCENTER", false},
    {"Center horizontally", IDM_DISPLAY_CENTER_HORIZONTALLY, IDB_TB_HCENTER, IDB_TB_HCENTER_OFF, 7, "HCENTER", false},
    {"Find Peak", IDM_TRANSFORM_FIND_PEAK, IDB_TB_FIND_PEAK, IDB_TB_FIND_PEAK_OFF, 8, "FINDPEAK", true},
    {"Find Next Peak", IDM_TRANSFORM_FIND_NEXT_PEAK, IDB_TB_FIND_NEXT_PEAK, IDB_TB_FIND_NEXT_PEAK_OFF, 9,
     "FINDNEXTPEAK", false},
    {"Show/Hide Grid", IDM_SHOW_GRID, IDB_TB_GRID, IDB_TB_GRID_OFF, 10, "GRID", true},
    {"Show/Hide Measurements", IDM_SHOW_MEASUREMENTS, IDB_TB_MEASUREMENTS, IDB_TB_MEASUREMENTS_OFF, 12, "MEASUREMENTS",
     false},
    {"Show/Hide channels", IDM_SHOW_CHANNEL_NUMBERS, IDB_TB_CHANNELS, IDB_TB_CHANNELS_OFF, 13, "CHANNELS", false},
    {"Show/Hide markers", IDM_SHOW_MARKERS, IDB_TB_MARKERS, IDB_TB_MARKERS_OFF, 11, "MARKER", false},
    {"Show/Hide journal", IDM_SHOW_JOURNAL, IDB_TB_JOURNAL, IDB_TB_JOURNAL_OFF, 14, "JOURNAL", false},
};

// Script names of the sixteen flagged slots, in slot order; two of them have no button.
const char* const kSlotNames[kScriptSlots] = {
    "SCOPEMODE", "CHARTMODE",    "XYMODE", "VAUTOSCALE", "OPTRANGE",     "HAUTOSCALE", "VCENTER", "HCENTER",
    "FINDPEAK",  "FINDNEXTPEAK", "GRID",   "MARKER",     "MEASUREMENTS", "CHANNELS",   "JOURNAL", "RECENT"};

// A script name's slot, compared without case; -1 for an unknown name.
int SlotOfName(const char* name) {
    for (int i = 0; name && i < kScriptSlots; ++i)
        if (lstrcmpiA(name, kSlotNames[i]) == 0) return i;
    return -1;
}

// The button greys take the system's button colours.
HBITMAP LoadFace(HINSTANCE inst, UINT id) {
    return static_cast<HBITMAP>(
        LoadImageA(inst, MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADMAP3DCOLORS));
}

// Every button starts hidden: the record is zero-filled, so no shown flag is set yet.
void CreateButtons(HWND toolbar, stToolbar* tb) {
    tb->ownerDrawHook = 0;
    HINSTANCE inst = g_app->hInstance;
    int x = 4;
    for (size_t i = 0; i < std::size(kRows); ++i) {
        const stButtonRow& row = kRows[i];
        if (row.gapBefore) x += kGap;
        HWND button =
            CreateWindowExA(0, LUMIKEY_CLASSNAME, "", kButtonStyle, x, kButtonTop, kButtonWidth, kButtonHeight, toolbar,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), inst, const_cast<char*>(row.tip));
        if (row.slot >= 0)
            tb->buttons[row.slot] = button;
        else
            tb->extra[1].button = button;
        if (button) {
            SendMessageA(button, LKM_SETENABLEBITMAP, reinterpret_cast<WPARAM>(LoadFace(inst, row.face)), 0);
            SendMessageA(button, LKM_SETDISABLEBITMAP, reinterpret_cast<WPARAM>(LoadFace(inst, row.faceOff)), 0);
            SendMessageA(button, LKM_SETAUTODELETE, 1, 0);
        }
        x += kStep;
        if (i == 2) x = 4;  // the tool buttons take the mode buttons' places
    }
    HandleTheToolBar(toolbar);
}

// The strip's face with a highlight line along its top.
void PaintToolbar(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    HPEN pen = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, rc.left, rc.top, nullptr);
    LineTo(dc, rc.right, rc.top);
    SelectObject(dc, old);
    DeleteObject(pen);
    EndPaint(hwnd, &ps);
}

// Until the record exists every message is the default one's.
// Counts the toolbar's children coming and going, so that what was looked up among them holds
// until then without asking the window server again.
unsigned g_childGeneration = 0;

LRESULT CALLBACK ToolbarWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE && !g_toolbarBlock) {
        g_toolbarBlock = GlobalAlloc(GHND, sizeof(stToolbar));
        g_toolbar = g_toolbarBlock ? static_cast<stToolbar*>(GlobalLock(g_toolbarBlock)) : nullptr;
        if (!g_toolbar) {
            if (g_toolbarBlock) GlobalFree(g_toolbarBlock);
            g_toolbarBlock = nullptr;
            return FALSE;
        }
        g_toolbar->window = hwnd;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(g_toolbar));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    auto* tb = reinterpret_cast<stToolbar*>(GetWindowLongPtrA(hwnd, 0));
    if (!tb) return DefWindowProcA(hwnd, msg, wParam, lParam);
    g_toolbar = tb;
    switch (msg) {
    case WM_CREATE: CreateButtons(hwnd, tb); return 0;
    case WM_PAINT: PaintToolbar(hwnd); return 0;
    case WM_COMMAND: SendMessageA(GetParent(hwnd), WM_COMMAND, wParam, lParam); return 0;
    case WM_PARENTNOTIFY:
        if (LOWORD(wParam) == WM_CREATE || LOWORD(wParam) == WM_DESTROY) ++g_childGeneration;
        return 0;
    case WM_MEASUREITEM: {
        auto* mi = reinterpret_cast<MEASUREITEMSTRUCT*>(lParam);
        mi->itemWidth = static_cast<UINT>(32 * g_app->fonts.cxText);
        mi->itemHeight = static_cast<UINT>(g_app->fonts.cyText);
        return TRUE;
    }
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        GlobalUnlock(g_toolbarBlock);
        GlobalFree(g_toolbarBlock);
        g_toolbarBlock = nullptr;
        g_toolbar = nullptr;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    default: return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
}

}  // namespace

// The window keeps a pointer to the toolbar record.
namespace {
// What was looked up among one toolbar's children while none came or went.
struct stChildLookups {
    HWND toolbar = nullptr;
    unsigned generation = 0;
    std::unordered_map<unsigned, HWND> byId;
    std::vector<HWND> children;
    bool walked = false;
};
stChildLookups& Lookups(HWND toolbar) {
    static stChildLookups lookups;
    if (lookups.toolbar != toolbar || lookups.generation != g_childGeneration) {
        lookups = stChildLookups{};
        lookups.toolbar = toolbar;
        lookups.generation = g_childGeneration;
    }
    return lookups;
}
}  // namespace

namespace {
// One walk over the children serves both lookups; a child's id is read without the server.
void WalkChildren(HWND toolbar, stChildLookups& lookups) {
    if (lookups.walked) return;
    for (HWND b = GetWindow(toolbar, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
        lookups.children.push_back(b);
        lookups.byId.emplace(static_cast<unsigned>(GetDlgCtrlID(b)), b);  // the first of an id, as GetDlgItem
    }
    lookups.walked = true;
}
}  // namespace

HWND ToolbarButton(unsigned id) {
    HWND toolbar = g_app ? g_app->hwndToolbar : nullptr;
    if (!toolbar) return nullptr;
    stChildLookups& lookups = Lookups(toolbar);
    WalkChildren(toolbar, lookups);
    auto it = lookups.byId.find(id);
    if (it == lookups.byId.end()) return nullptr;
    // A button found while it was being destroyed is looked up again.
    if (IsWindow(it->second)) return it->second;
    HWND button = GetDlgItem(toolbar, static_cast<int>(id));
    it->second = button;
    return button;
}

std::vector<HWND> ToolbarChildren() {
    HWND toolbar = g_app ? g_app->hwndToolbar : nullptr;
    if (!toolbar) return {};
    stChildLookups& lookups = Lookups(toolbar);
    WalkChildren(toolbar, lookups);
    return lookups.children;
}

int RegisterToolbarClass(HINSTANCE inst) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = ToolbarWndProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = inst;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = g_app->szClassNames[kClassToolbar];
    return RegisterClassA(&wc) != 0;
}

// The frame's menu reset: nothing a lesson showed stays.
void HideScriptToolbarButtons() {
    if (!g_toolbar) return;
    for (int i = 0; i < kScriptSlots; ++i) {
        if (g_toolbar->buttons[i]) ShowWindow(g_toolbar->buttons[i], SW_HIDE);
        g_toolbar->shown[i] = 0;
    }
    for (auto& e : g_toolbar->extra) {
        if (e.button) ShowWindow(e.button, SW_HIDE);
        e.shown = 0;
    }
}

// A lesson's start: every button and group scripts control is shown and marked shown. The tool
// buttons under the mode buttons are not among them and stay hidden.
void ShowScriptToolbarButtons() {
    if (!g_toolbar) return;
    // Only what is hidden is shown: under Wine a window shown again still asks the window server.
    auto show = [](HWND w) {
        if (w && !(GetWindowLongA(w, GWL_STYLE) & WS_VISIBLE)) ShowWindow(w, SW_SHOWNA);
    };
    for (int i = 0; i < kScriptSlots; ++i) {
        show(g_toolbar->buttons[i]);
        g_toolbar->shown[i] = 1;
    }
    for (auto& e : g_toolbar->extra) {
        show(e.button);
        e.shown = 1;
    }
}

// The lesson statements' way to a button.
int SetScriptToolbarButton(const char* name, int shown) {
    const int slot = SlotOfName(name);
    if (slot < 0 || !g_toolbar) return 0;
    g_toolbar->shown[slot] = shown ? 1 : 0;
    if (HWND b = g_toolbar->buttons[slot]) ShowWindow(b, shown ? SW_SHOW : SW_HIDE);
    return 1;
}

// What a lesson last set for the name.
int GetScriptToolbarButton(const char* name) {
    const int slot = SlotOfName(name);
    return slot < 0 || !g_toolbar ? -1 : static_cast<int>(g_toolbar->shown[slot]);
}
