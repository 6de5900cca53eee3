// The frame window: MDI client, graph toolbar strip, status strip, closing and dropped files.
#include "shell/frame.h"
#include "base/app.h"
#include "base/device.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "base/services.h"
#include "shell/binding.h"
#include "shell/startup.h"
#include "shell/commands/dispatch.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "controls/frame3d.h"
#include "graph/document/graph_doc.h"
#include "documents/documents_api.h"
#include "graph/dialogs/toolbar.h"
#include "graph/window/mouse_tools.h"
#include "scripts/script_api.h"
#include "devlib/vk40.h"
#include "common/stAcq.h"
#include <shellapi.h>
#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

int StatusStripHeight() { return g_app->fonts.cyStatus + 5; }

namespace {
HWND FrameClient() { return g_app ? g_app->hwndClient : nullptr; }

// The MDI client shows both scroll bars from its creation until it first fits them to its
// children, which it posts to itself; start-up would repaint them at every later frame change
// before the message loop gets to it, so that calculation runs now.
void RunClientScrollCalculation() {
    constexpr UINT kMdiCalcChildScroll = 0x003F;  // the client's private message
    MSG msg;
    if (g_app->hwndClient && PeekMessageA(&msg, g_app->hwndClient, kMdiCalcChildScroll, kMdiCalcChildScroll, PM_REMOVE))
        DispatchMessageA(&msg);
}

// Creates the MDI client and the toolbar, and prepares the frame menu.
LRESULT OnFrameCreate(HWND hwnd) {
    g_app->hwndFrame = hwnd;
    CLIENTCREATESTRUCT ccs{};
    HMENU menu = GetMenu(hwnd);
    ccs.hWindowMenu = menu ? GetSubMenu(menu, 4) : nullptr;
    ccs.idFirstChild = IDM_WINDOW_CHILD_FIRST;
    g_app->hwndClient =
        CreateWindowExA(0, "mdiclient", nullptr, 0x42300001, 0, 0, 0, 0, hwnd,
                        reinterpret_cast<HMENU>(static_cast<UINT_PTR>(IDC_MDI_CLIENT)), g_app->hInstance, &ccs);
    RunClientScrollCalculation();
    g_app->hwndToolbar = CreateWindowExA(0, g_app->szClassNames[kClassToolbar], nullptr, WS_CHILD | WS_VISIBLE, 0, 0, 0,
                                         0, hwnd, nullptr, g_app->hInstance, nullptr);
    if (g_app->hwndToolbar) ShowWindow(g_app->hwndToolbar, g_app->frame.bToolbarVisible > 0 ? SW_SHOW : SW_HIDE);
    if (g_app->hwndClient) ShowWindow(g_app->hwndClient, SW_SHOW);
    UpdateTransformMenu(hwnd, nullptr);
    if (menu) {
        HMENU display = GetSubMenu(menu, 3);
        if (display) MakeColorMenuOwnerDrawn(GetSubMenu(display, 11));
        DeleteMenu(menu, IDM_SHOW_X_SCALE_SECOND, MF_BYCOMMAND);
        DeleteMenu(menu, IDM_SHOW_Y_SCALE_SECOND, MF_BYCOMMAND);
    }
    RegisterFindMessage();
    return 0;
}

// Places the toolbar strip and the MDI client below it.
void OnFrameSize(HWND hwnd, WPARAM type) {
    if (type == SIZE_RESTORED) {
        g_app->frame.nFrameShow = 1;
        GetWindowRect(hwnd, &g_app->frame.rcFrame);
    } else if (type == SIZE_MINIMIZED) {
        g_app->frame.nFrameShow = 2;
    } else if (type == SIZE_MAXIMIZED) {
        g_app->frame.nFrameShow = 3;
    }
    InvalidateRect(hwnd, nullptr, TRUE);
    RECT rc;
    GetClientRect(hwnd, &rc);
    if (g_app->hwndToolbar) MoveWindow(g_app->hwndToolbar, 0, 0, rc.right, kToolbarHeight, TRUE);
    if (!g_app->hwndClient) return;
    // The client stops above the status strip, which the frame paints itself.
    const int bottom = rc.bottom - StatusStripHeight();
    if (g_app->frame.bToolbarVisible > 0)
        MoveWindow(g_app->hwndClient, 0, kToolbarHeight, rc.right, bottom - kToolbarHeight, TRUE);
    else
        MoveWindow(g_app->hwndClient, 0, 0, rc.right, bottom, TRUE);
}

// Paints the status strip at the foot of the client area.
void OnFramePaint(HWND hwnd) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    RECT strip{0, rc.bottom - StatusStripHeight(), rc.right, rc.bottom};
    FillRect(dc, &strip, g_app->brushes.hbrToolbar);
    MoveToEx(dc, strip.left, strip.top, nullptr);
    LineTo(dc, strip.right, strip.top);
    RECT frame{strip.left + 1, strip.top + 1 + 2, strip.right - 1, strip.bottom + 1 - 2};
    DrawFrame3D(dc, &frame, 0);
    EndPaint(hwnd, &ps);
    SetStatusText(nullptr);
}

// The MDI children go while their client still keeps its list of them: destroyed with the
// frame, they would be taken down after the client had let its list go.
void DestroyMdiChildren() {
    HWND client = FrameClient();
    if (!client) return;
    std::vector<HWND> children;
    for (HWND child = GetWindow(client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_MDICHILD) children.push_back(child);
    // The active one last, so that no other is activated in its place meanwhile.
    HWND active = reinterpret_cast<HWND>(SendMessageA(client, WM_MDIGETACTIVE, 0, 0));
    std::stable_partition(children.begin(), children.end(), [active](HWND w) { return w != active; });
    for (HWND child : children)
        if (IsWindow(child)) SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
}

// The frame's destruction ends the graph windows, the device library, the timer and the loop.
void OnFrameDestroy(HWND hwnd) {
    DestroyMdiChildren();
    UnbindDeviceLibrary();
    if (g_app->frame.uFrameTimer) {
        KillTimer(hwnd, kFrameTimerId);
        g_app->frame.uFrameTimer = 0;
    }
    PostQuitMessage(0);
    g_app->hwndFrame = nullptr;
    g_app->hwndActiveGraph = nullptr;
    g_app->hwndActiveDlg = nullptr;
}

// The right-click menu of the menu bar: show or hide the graph toolbar.
LRESULT OnFrameRightClick(HWND hwnd, WPARAM hitTest, LPARAM lParam) {
    if (!g_script.permissions[kPermRMouseButton]) return 0;
    if (hitTest != HTMENU) return 1;
    HMENU popup = CreatePopupMenu();
    if (!popup) return 0;
    AppendMenuA(popup, MF_STRING, IDM_TOOLBAR_SHOW, "Show Toolbar");
    AppendMenuA(popup, MF_STRING, IDM_TOOLBAR_HIDE, "Hide Toolbar");
    bool shown = g_app->frame.bToolbarVisible > 0;
    CheckMenuItem(popup, IDM_TOOLBAR_SHOW, shown ? MF_CHECKED : MF_UNCHECKED);
    CheckMenuItem(popup, IDM_TOOLBAR_HIDE, shown ? MF_UNCHECKED : MF_CHECKED);
    AdjustMenuByContainerData(IDR_TOOLBAR_MENU, popup);
    int choice = TrackPopupMenu(popup, TPM_RIGHTBUTTON | TPM_RETURNCMD, static_cast<short>(LOWORD(lParam)),
                                static_cast<short>(HIWORD(lParam)), 0, hwnd, nullptr);
    DestroyMenu(popup);
    if (choice) ApplyToolbarChoice(choice == IDM_TOOLBAR_SHOW);
    return 0;
}

// Swallows the system commands that a lesson forbids or that open a disabled menu.
bool SystemCommandBlocked(HWND hwnd, WPARAM cmd, LPARAM lParam) {
    const UINT sc = static_cast<UINT>(cmd & 0xFFF0);
    if ((cmd & 0xF090) == 0xF090) {
        HMENU menu = GetMenu(hwnd);
        POINT pt{static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        int count = menu ? GetMenuItemCount(menu) : 0;
        for (int i = 0; i < count; ++i) {
            UINT state = GetMenuState(menu, i, MF_BYPOSITION);
            RECT item;
            if ((state & (MF_DISABLED | MF_GRAYED)) && GetMenuItemRect(hwnd, menu, i, &item) && PtInRect(&item, pt))
                return true;
        }
    }
    if (!g_script.permissions[kPermZoomWindow] && (sc == SC_MINIMIZE || sc == SC_MAXIMIZE || sc == SC_RESTORE))
        return true;
    if (!g_script.permissions[kPermZoomWindow] && (cmd & 0xFFFF) == 0xF122) return true;
    if (!g_script.permissions[kPermCloseWindow] && sc == SC_CLOSE) return true;
    return false;
}

// Opens the first dropped file, its path taken whole whatever its length.
void OnFrameDropFiles(HDROP drop) {
    if (DragQueryFileA(drop, 0xFFFFFFFF, nullptr, 0) >= 1) {
        std::string path(DragQueryFileA(drop, 0, nullptr, 0), '\0');
        if (!path.empty() && DragQueryFileA(drop, 0, &path[0], static_cast<UINT>(path.size() + 1)) == path.size())
            OpenDroppedFile(path.c_str());
    }
    DragFinish(drop);
}

constexpr char kStopRecordingFirstKey[] = "KEY Stop the recording first";

// Whether a recording runs; the frame cannot close then.
bool RecordingRuns() {
    AcqLock acq(g_app->hAcq);
    return acq && acq->run.running;
}

// Closing: refused while a recording runs (the user is told why, as nothing on the screen would
// show it) or a graph objects; the placement is kept.
void OnFrameClose(HWND hwnd) {
    if (RecordingRuns()) {
        MessageBoxA(hwnd, Keyed(kStopRecordingFirstKey), g_app->szAppTitle, MB_OK | MB_ICONEXCLAMATION);
        return;
    }
    if (!MayCloseFrame()) return;
    SaveWindowPlacement();
    DestroyWindow(hwnd);
}

void OnFrameDrawItem(DRAWITEMSTRUCT* dis) {
    if (dis->CtlType == ODT_MENU) DrawColorMenuItem(dis);
}

// The owner-drawn colour items of the menu, and the toolbar's channel list items.
void OnFrameMeasureItem(MEASUREITEMSTRUCT* mis) {
    if (mis->CtlType == ODT_MENU) {
        mis->itemWidth = 10 * g_app->fonts.cxText;
        mis->itemHeight = g_app->fonts.cyText + g_app->fonts.cyText / 2;
    } else {
        mis->itemWidth = 32 * g_app->fonts.cxText;
        mis->itemHeight = g_app->fonts.cyText;
    }
}

// A move or resize of the user's is remembered as the placement to save.
void OnFrameWindowPosChanged(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    auto* wp = reinterpret_cast<WINDOWPOS*>(lParam);
    if (!(wp->flags & (SWP_FRAMECHANGED | SWP_NOACTIVATE)) && (!(wp->flags & SWP_NOSIZE) || !(wp->flags & SWP_NOMOVE)))
        GetWindowRect(hwnd, &g_app->frame.rcFrame);
    DefFrameProcA(hwnd, FrameClient(), WM_WINDOWPOSCHANGED, wParam, lParam);
}

// The frame's timer redraws the active graph's cursor line.
void OnFrameTimer(WPARAM id) {
    if (id == kFrameTimerId && g_app->hwndActiveGraph && IsWindow(g_app->hwndActiveGraph)) {
        if (tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph)) RedrawGraphCursor(gs);
    }
}

// Another start of the program passes a file to open.
LRESULT OnFrameCopyData(const COPYDATASTRUCT* cds) {
    // The data is a path; it need not be terminated, so it ends at its length at the latest.
    if (cds && cds->lpData && cds->cbData > 0) {
        const char* data = static_cast<const char*>(cds->lpData);
        const std::string path(data, strnlen(data, cds->cbData));
        OpenGraphFile(path.c_str());
    }
    return 1;
}

LRESULT OnFrameSysCommand(HWND hwnd, WPARAM cmd, LPARAM lParam) {
    if (SystemCommandBlocked(hwnd, cmd, lParam)) return 0;
    return DefFrameProcA(hwnd, FrameClient(), WM_SYSCOMMAND, cmd, lParam);
}
}  // namespace

// Shows or hides the toolbar; the MDI client takes the toolbar's band while it is hidden. The
// client's bottom stays, so choosing the state the toolbar is already in moves nothing.
// The client moves only while the toolbar does not cover it: a move takes the pixels it shows
// along, and under a shown toolbar those would be the toolbar's band, left standing over the
// graphs' title bars.
void ApplyToolbarChoice(bool show) {
    g_app->frame.bToolbarVisible = show ? 1 : 0;
    if (!show && g_app->hwndToolbar) ShowWindow(g_app->hwndToolbar, SW_HIDE);
    if (g_app->hwndClient) {
        RECT rc;
        GetWindowRect(g_app->hwndClient, &rc);
        MapWindowPoints(nullptr, GetParent(g_app->hwndClient), reinterpret_cast<POINT*>(&rc), 2);
        const int top = show ? kToolbarHeight : 0;
        MoveWindow(g_app->hwndClient, rc.left, top, rc.right - rc.left, rc.bottom - top, TRUE);
    }
    if (show && g_app->hwndToolbar) ShowWindow(g_app->hwndToolbar, SW_SHOW);
}

// 1 when the frame may close: no recording runs and every graph closed. The graphs close one at
// a time as Close All closes them, each window going with its graph, and the first that stays
// (its question cancelled, its save not done, a recording) ends the walk: the program stays,
// so no later question may save or close anything.
int MayCloseFrame() {
    if (RecordingRuns()) return 0;
    HWND client = g_app->hwndClient;
    if (!client) return 1;
    std::vector<HWND> children;
    for (HWND child = GetWindow(client, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (!GetWindow(child, GW_OWNER)) children.push_back(child);
    for (HWND child : children) {
        if (!IsWindow(child)) continue;
        const bool graph = GetWindowGraph(child) != nullptr;
        if (SendMessageA(child, WM_QUERYENDSESSION, 0, 0)) return 0;
        if (graph && IsWindow(child)) SendMessageA(client, WM_MDIDESTROY, reinterpret_cast<WPARAM>(child), 0);
    }
    return 1;
}

// Opens a file outside lesson mode, as a free document.
int OpenDroppedFile(const char* path) {
    ResetMenuAndToolbar();
    DeviceHidePanels();
    g_script.graphWindowExists = 0;
    if (g_app->hwndClient) EnumChildWindows(g_app->hwndClient, IsGraphChildWindow, 0);
    OpenGraphFile(path);
    static const int codes[36] = {1100, 1101, 1150, 1108, 1109, 1200, 1201, 1202, 1203, 1204, 1205, 1206,
                                  1207, 1208, 1209, 1210, 1003, 1400, 1402, 1403, 1406, 1408, 1410, 1411,
                                  5000, 1460, 1461, 1462, 1464, 1465, 1467, 1468, 1469, 1470, 1471, 1472};
    static int32_t stored[36];
    for (int i = 0; i < 36; ++i) ApplyMenuChanges(codes[i], &stored[i], 3);
    HideScriptToolbarButtons();
    ResetScriptPermissions();
    // Scale permissions stay; the scale-unit and label permissions are withdrawn for a free document.
    g_script.permissions[kPermVScaleUnits] = 0;
    g_script.permissions[kPermVLabel] = 0;
    g_script.permissions[kPermHScaleUnits] = 0;
    g_script.permissions[kPermHLabel] = 0;
    DeviceHideGraphButton();
    return 1;
}

LRESULT CALLBACK FrameWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_CREATE: return OnFrameCreate(hwnd);
    case WM_DESTROY: OnFrameDestroy(hwnd); return 0;
    case WM_SIZE: OnFrameSize(hwnd, wParam); return 0;
    case WM_PAINT: OnFramePaint(hwnd); return 0;
    case WM_CLOSE: OnFrameClose(hwnd); return 0;
    case WM_QUERYENDSESSION: return MayCloseFrame();
    case WM_SYSCOLORCHANGE: OnFrameSysColorChange(); return 0;
    case WM_DRAWITEM: OnFrameDrawItem(reinterpret_cast<DRAWITEMSTRUCT*>(lParam)); return 0;
    case WM_MEASUREITEM: OnFrameMeasureItem(reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)); return 0;
    case WM_WINDOWPOSCHANGED: OnFrameWindowPosChanged(hwnd, wParam, lParam); return 0;
    case WM_NCRBUTTONDOWN: return OnFrameRightClick(hwnd, wParam, lParam);
    case WM_COMMAND: OnFrameCommand(hwnd, LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam)); return 0;
    case WM_TIMER: OnFrameTimer(wParam); return 0;
    case WM_INITMENU: UpdateFrameMenus(hwnd, reinterpret_cast<HMENU>(wParam)); return 0;
    case WM_INITMENUPOPUP: ShowPopupItemHelp(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam)); return 0;
    case WM_MENUSELECT: OnMenuSelectMessage(wParam, lParam); return 0;
    case WM_DROPFILES: OnFrameDropFiles(reinterpret_cast<HDROP>(wParam)); return 0;
    case WM_COPYDATA: return OnFrameCopyData(reinterpret_cast<const COPYDATASTRUCT*>(lParam));
    case WM_SYSCOMMAND: return OnFrameSysCommand(hwnd, wParam, lParam);
    default: return DefFrameProcA(hwnd, FrameClient(), msg, wParam, lParam);
    }
}

// Colours changed: the program's brushes follow, then the device library's.
void OnFrameSysColorChange() {
    DeleteAppBrushes();
    CreateAppBrushes();
    DeviceSysColorChange();
}

