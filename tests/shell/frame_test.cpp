// The frame, its binding and the loop's filters, driven inside the test process.
#include <gtest/gtest.h>
#include "graph/window/graph_window.h"
#include "shell_fixture.h"
#include "box_capture.h"
#include "base/app.h"
#include "base/device.h"
#include "base/lesson.h"
#include "shell/binding.h"
#include "shell/frame.h"
#include "shell/startup.h"
#include "base/services.h"
#include "shell/shell_ids.h"
#include "scripts/scripts_ids.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "graph/document/graph_doc.h"
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"
#include "documents/documents_api.h"
#include "tests/documents/acq_builder.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include "controls/tests/dib32.h"
#include <shlobj.h>
#include <cstring>
#include <string>
#include <vector>

namespace {

class Frame : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
    }
    void TearDown() override { ShutShell(); }

    static std::string Ini(const char* key) {
        char buf[128] = "";
        GetPrivateProfileStringA("Wavemind", key, "<none>", buf, sizeof buf, "NORVANE.INI");
        return buf;
    }
    static void SetRunning(int32_t on) {
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        acq->run.running = on;
    }
    static HWND FindChild(HWND parent, const char* cls) { return FindWindowExA(parent, nullptr, cls, nullptr); }
};

TEST_F(Frame, HasTitleClientToolbarMenuAndFirstGraph) {
    HWND frame = g_app->hwndFrame;
    char cls[32], title[160];
    GetClassNameA(frame, cls, sizeof cls);
    GetWindowTextA(frame, title, sizeof title);
    EXPECT_STREQ(cls, "acqframe");
    EXPECT_EQ(std::string(title), std::string("Norvane Tessaly") + static_cast<char>(0xAE));
    EXPECT_TRUE(FindChild(frame, "MDIClient"));
    HWND toolbar = FindChild(frame, "acqToolbar");
    ASSERT_TRUE(toolbar);
    EXPECT_TRUE(IsWindowVisible(toolbar));
    HMENU menu = GetMenu(frame);
    ASSERT_TRUE(menu);
    EXPECT_EQ(GetMenuState(menu, 257, MF_BYCOMMAND) & (MF_GRAYED | MF_DISABLED), 0u);
    // Start-up's File New made the first graph.
    HWND graph = FindChild(g_app->hwndClient, "acqchild");
    ASSERT_TRUE(graph);
    GetWindowTextA(graph, title, sizeof title);
    EXPECT_EQ(std::string(title).rfind("Untitled", 0), 0u);
    EXPECT_EQ(g_app->hwndActiveGraph, graph);
    EXPECT_STREQ(g_app->undo.szText, "Can't Undo");
}

TEST_F(Frame, StartUpLessonStandInMergesTheDeviceMenu) {
    HMENU menu = GetMenu(g_app->hwndFrame);
    ASSERT_TRUE(menu);
    EXPECT_EQ(GetMenuState(menu, 5001, MF_BYCOMMAND), static_cast<UINT>(-1));
    g_app->frame.bFrameMenuAttached = 0;  // as the program's start-up leaves it: the lesson attaches it
    ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
    menu = GetMenu(g_app->hwndFrame);
    EXPECT_NE(GetMenuState(menu, 5001, MF_BYCOMMAND), static_cast<UINT>(-1));  // Setup Channels
    char title[32] = "";
    GetMenuStringA(menu, GetMenuItemCount(menu) - 1, title, sizeof title, MF_BYPOSITION);
    EXPECT_STREQ(title, "&VK40");
    // It turned the unit check on as the lesson does: with no unit here, the next idle turn asks.
    {
        BoxCapture capture;
        RunIdleStep();
        ASSERT_EQ(capture.boxes.size(), 1u);
        EXPECT_EQ(capture.boxes[0].caption, "VK40");
        EXPECT_EQ(capture.boxes[0].text.rfind("The Program cannot find the VK40 hardware.", 0), 0u);
    }
    SetReadStatusEnable(0);  // the library outlives this test's frame
}

// Start-up without the pump that BootShell ends with: what the frame changes of the later
// steps repaint. The client's scroll bars are fitted to its (no) children at once.
TEST(FrameStartUp, ClientHasNoScrollBarsBeforeTheLoopRuns) {
    DeleteIni();
    g_app = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
    ASSERT_TRUE(g_app);
    InitClassNames();
    g_app->hInstance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterAppClasses());
    ASSERT_TRUE(CreateFrameAndBind("", SW_SHOWNORMAL));
    EXPECT_EQ(GetWindowLongA(g_app->hwndClient, GWL_STYLE) & (WS_HSCROLL | WS_VSCROLL), 0);
    ShutShell();
}

// Frame layouts (WM_NCCALCSIZE with a valid-area request) seen by the frame on this thread.
int g_frameLayouts = 0;
LRESULT CALLBACK CountFrameLayouts(int code, WPARAM wParam, LPARAM lParam) {
    const auto* cwp = reinterpret_cast<const CWPSTRUCT*>(lParam);
    if (code == HC_ACTION && cwp->hwnd == g_app->hwndFrame && cwp->message == WM_NCCALCSIZE && cwp->wParam)
        ++g_frameLayouts;
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST_F(Frame, AttachingTheMenuLaysTheFrameOutOnce) {
    // Each layout of the visible frame repaints it and its children before start-up goes on.
    HWND frame = g_app->hwndFrame;
    ShowWindow(frame, SW_SHOWNORMAL);
    SetMenu(frame, nullptr);
    g_app->frame.bFrameMenuAttached = 0;
    g_frameLayouts = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROC, CountFrameLayouts, nullptr, GetCurrentThreadId());
    AttachFrameMenu();
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(GetMenu(frame), g_app->frame.hmenuFrame);
    EXPECT_EQ(g_app->frame.bFrameMenuAttached, 1);
    EXPECT_EQ(g_frameLayouts, 1);
}

TEST_F(Frame, GraphAndScriptClassesShareOneIconAtBothSizes) {
    // Given the small icon, registering a class derives no copy of its own from the resource.
    WNDCLASSEXA graph{}, script{};
    graph.cbSize = script.cbSize = sizeof(WNDCLASSEXA);
    ASSERT_TRUE(GetClassInfoExA(g_app->hInstance, "acqchild", &graph));
    ASSERT_TRUE(GetClassInfoExA(g_app->hInstance, "acqScript", &script));
    ASSERT_TRUE(graph.hIcon && graph.hIconSm);
    EXPECT_EQ(graph.hIcon, script.hIcon);
    EXPECT_EQ(graph.hIconSm, script.hIconSm);
    ICONINFO info{};
    ASSERT_TRUE(GetIconInfo(graph.hIconSm, &info));
    BITMAP mask{};
    GetObjectA(info.hbmMask, sizeof mask, &mask);
    EXPECT_EQ(mask.bmWidth, GetSystemMetrics(SM_CXSMICON));
    if (info.hbmColor) DeleteObject(info.hbmColor);
    DeleteObject(info.hbmMask);
}

// The bit depth a bitmap resource of the program is stored with.
static WORD StoredBitDepth(const char* name) {
    HRSRC res = FindResourceA(g_app->hInstance, name, MAKEINTRESOURCEA(2));  // RT_BITMAP
    const auto* header =
        res ? static_cast<const BITMAPINFOHEADER*>(LockResource(LoadResource(g_app->hInstance, res))) : nullptr;
    return header ? header->biBitCount : 0;
}

TEST_F(Frame, BitmapsAreKeptInTheirStoredFormat) {
    // No conversion to the screen's format at start-up: each one cost round trips to the window system.
    struct Case {
        HBITMAP bitmap;
        const char* name;
        LONG width, height;
    };
    const Case cases[] = {
        {g_app->bitmaps.hbmButtons[0], MAKEINTRESOURCEA(IDB_FACE_ARROW), 16, 15},
        {g_app->bitmaps.hbmButtons[3], MAKEINTRESOURCEA(IDB_FACE_ZOOM), 16, 15},
        {g_app->bitmaps.hbmMark, "mark", 9, 9},
    };
    for (const Case& c : cases) {
        DIBSECTION dib{};
        ASSERT_EQ(GetObjectA(c.bitmap, sizeof dib, &dib), static_cast<int>(sizeof dib));
        EXPECT_EQ(dib.dsBm.bmWidth, c.width);
        EXPECT_EQ(dib.dsBm.bmHeight, c.height);
        const WORD stored = StoredBitDepth(c.name);
        ASSERT_NE(stored, 0);
        EXPECT_EQ(dib.dsBm.bmBitsPixel, stored);
    }
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, g_app->bitmaps.hbmMark);
    EXPECT_EQ(GetPixel(dc, 4, 4), RGB(200, 0, 0));
    SelectObject(dc, old);
    DeleteDC(dc);
}

TEST_F(Frame, BindsTheDeviceLibraryWithoutAUnit) {
    EXPECT_TRUE(DeviceBindingForTests().hLib);
    EXPECT_TRUE(g_app->hAcq);
    EXPECT_EQ(g_app->strips.cxStatusStrip, 80);
    EXPECT_TRUE(DeviceBindingForTests().driverOps.initialize);
    EXPECT_TRUE(DeviceBindingForTests().driverOps.onIdleAcquisition);
    EXPECT_TRUE(DeviceBindingForTests().driverOps.shutdownDriver);
    EXPECT_TRUE(DeviceBindingForTests().pfnSetupUnitsDlg);
}

TEST_F(Frame, LibraryWithoutInitialisationIsUnloaded) {
    HMODULE bound = DeviceBindingForTests().hLib;
    HGLOBAL acq = g_app->hAcq;
    stDriverOps saved = DeviceBindingForTests().driverOps;
    g_app->hAcq = nullptr;
    DeviceBindingForTests().driverOps = stDriverOps{};
    EXPECT_EQ(BindDeviceLibraryFrom("NoInitLib.dll", g_app->hwndFrame), 0);
    EXPECT_EQ(DeviceBindingForTests().hLib, nullptr);
    EXPECT_EQ(g_app->hAcq, nullptr);
    EXPECT_EQ(DeviceBindingForTests().driverOps.initialize, nullptr);
    EXPECT_EQ(DeviceBindingForTests().pfnSetupUnitsDlg, nullptr);
    EXPECT_EQ(GetModuleHandleA("NoInitLib.dll"), nullptr);
    // Without acquisition the idle step never runs and closing is allowed.
    RunIdleStep();
    EXPECT_EQ(MayCloseFrame(), 1);
    DeviceBindingForTests().hLib = bound;
    g_app->hAcq = acq;
    DeviceBindingForTests().driverOps = saved;
}

TEST_F(Frame, CloseRefusedWhileRecordingThenSavesPlacement) {
    SetRunning(1);
    {
        // The user is told why the frame stays.
        BoxCapture boxes;
        SendMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find("Stop the recording"), std::string::npos) << boxes.boxes[0].text;
    }
    EXPECT_TRUE(IsWindow(g_app->hwndFrame));
    EXPECT_EQ(SendMessageA(g_app->hwndFrame, WM_QUERYENDSESSION, 0, 0), 0);
    SetRunning(0);
    EXPECT_EQ(SendMessageA(g_app->hwndFrame, WM_QUERYENDSESSION, 0, 0), 1);
    HWND frame = g_app->hwndFrame;
    SendMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(DeviceBindingForTests().hLib, nullptr);
    EXPECT_EQ(g_app->hAcq, nullptr);  // freed with the library: nothing may reach it later
    int v[5];
    ASSERT_EQ(std::sscanf(Ini("Window").c_str(), "%d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4]), 5);
    EXPECT_EQ(v[4], 1);
    EXPECT_EQ(Ini("Clipboard"), "Color");
    EXPECT_EQ(Ini("Metafile"), "Color");
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_NOREMOVE));
}

// The presets file is written as the program ends: a write that fails is told, naming the file,
// and the file stays as it was, so the user knows the session's preset changes were not kept.
TEST_F(Frame, QuittingWhenThePresetsFileCannotBeWrittenSaysSo) {
    // Test programs keep the presets in a folder of their own (tests/session/own_presets_folder.cpp).
    char folder[MAX_PATH] = "";
    const DWORD n = GetEnvironmentVariableA("VK40_PRESETS_FOLDER", folder, MAX_PATH);
    ASSERT_TRUE(n > 0 && n < MAX_PATH);
    const std::string presets = std::string(folder) + "\\Vk40Presets.dat";  // no unit: the first model's file
    const bool existed = GetFileAttributesA(presets.c_str()) != INVALID_FILE_ATTRIBUTES;
    const Bytes before = ReadWholeFile(presets);
    HWND frame = g_app->hwndFrame;
    {
        BoxCapture boxes;
        SetFileWriteFailureForTests(ERROR_DISK_FULL);
        SendMessageA(frame, WM_COMMAND, IDM_FILE_QUIT, 0);
        PumpMessages();
        SetFileWriteFailureForTests(0);
        ASSERT_FALSE(IsWindow(frame));
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "Not enough disk space to save data\n" + presets);
    }
    EXPECT_EQ(GetFileAttributesA(presets.c_str()) != INVALID_FILE_ATTRIBUTES, existed);
    EXPECT_EQ(ReadWholeFile(presets), before);
}

// The MDI client watched through a subclass: the children it still had when it went, and any
// access fault meanwhile (the system swallows those raised in window procedures).
WNDPROC g_clientProc = nullptr;
int g_childrenAtClientEnd = -1;
LRESULT CALLBACK WatchClient(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_DESTROY) {
        g_childrenAtClientEnd = 0;
        for (HWND child = GetWindow(hwnd, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetWindowLongA(child, GWL_EXSTYLE) & WS_EX_MDICHILD) ++g_childrenAtClientEnd;
    }
    return CallWindowProcA(g_clientProc, hwnd, msg, wParam, lParam);
}
LONG g_faults = 0;
LONG CALLBACK CountFault(EXCEPTION_POINTERS* e) {
    if (e->ExceptionRecord->ExceptionCode == EXCEPTION_ACCESS_VIOLATION) ++g_faults;
    return EXCEPTION_CONTINUE_SEARCH;
}

// Closing the program takes every graph window down while the MDI client still keeps its list
// of them: a child destroyed after its client is removed from a list the client let go.
TEST_F(Frame, ClosingTakesTheGraphWindowsDownBeforeTheMdiClient) {
    ASSERT_TRUE(NewGraph(1)) << "a lesson's NEW: a maximised graph beside the first";
    std::vector<HWND> graphs;
    for (HWND child = GetWindow(g_app->hwndClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
        if (GetWindowGraph(child)) graphs.push_back(child);
    ASSERT_EQ(graphs.size(), 2u);
    g_clientProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(g_app->hwndClient, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(WatchClient)));
    g_childrenAtClientEnd = -1;
    g_faults = 0;
    PVOID handler = AddVectoredExceptionHandler(1, CountFault);
    HWND frame = g_app->hwndFrame;
    SendMessageA(frame, WM_CLOSE, 0, 0);
    PumpMessages();
    RemoveVectoredExceptionHandler(handler);
    EXPECT_FALSE(IsWindow(frame));
    EXPECT_EQ(g_childrenAtClientEnd, 0);
    for (HWND w : graphs) EXPECT_FALSE(IsWindow(w));
    EXPECT_EQ(g_faults, 0);
}

TEST_F(Frame, AGraphThatObjectsKeepsTheFrameOpen) {
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(gs);
    gs->acquiring = 1;
    SendMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);
    EXPECT_TRUE(IsWindow(g_app->hwndFrame));
    gs->acquiring = 0;
}

TEST_F(Frame, ShowStateFollowsMinimiseMaximiseRestore) {
    HWND frame = g_app->hwndFrame;
    ShowWindow(frame, SW_SHOWNORMAL);
    ShowWindow(frame, SW_MINIMIZE);
    EXPECT_EQ(g_app->frame.nFrameShow, 2u);
    ShowWindow(frame, SW_MAXIMIZE);
    EXPECT_EQ(g_app->frame.nFrameShow, 3u);
    ShowWindow(frame, SW_RESTORE);
    EXPECT_EQ(g_app->frame.nFrameShow, 1u);
    SaveWindowPlacement();
    EXPECT_EQ(Ini("Window").back(), '1');
}

TEST_F(Frame, HiddenToolbarLeavesNoGapAboveTheClient) {
    HWND frame = g_app->hwndFrame;
    auto clientTop = [] {
        RECT rc;
        GetWindowRect(g_app->hwndClient, &rc);
        MapWindowPoints(nullptr, g_app->hwndFrame, reinterpret_cast<POINT*>(&rc), 2);
        return rc.top;
    };
    EXPECT_EQ(clientTop(), kToolbarHeight);
    ApplyToolbarChoice(false);
    EXPECT_FALSE(IsWindowVisible(g_app->hwndToolbar));
    EXPECT_EQ(clientTop(), 0);
    SetWindowPos(frame, nullptr, 0, 0, 700, 500, SWP_NOZORDER | SWP_NOMOVE);
    EXPECT_EQ(clientTop(), 0);
    // The status strip stays uncovered below the client.
    RECT frameClient, mdi;
    GetClientRect(frame, &frameClient);
    GetWindowRect(g_app->hwndClient, &mdi);
    MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&mdi), 2);
    EXPECT_EQ(mdi.bottom, frameClient.bottom - StatusStripHeight());
    ApplyToolbarChoice(true);
    EXPECT_EQ(clientTop(), kToolbarHeight);
    EXPECT_TRUE(IsWindowVisible(g_app->hwndToolbar));
    // Choosing the state the toolbar is already in moves nothing.
    RECT shown, again;
    GetWindowRect(g_app->hwndClient, &shown);
    ApplyToolbarChoice(true);
    GetWindowRect(g_app->hwndClient, &again);
    EXPECT_TRUE(EqualRect(&shown, &again));
}

// The pixels of a rectangle of the frame's client area as the screen shows them, the child
// windows' pixels included.
std::vector<uint32_t> FramePixels(const RECT& r) {
    const int w = r.right - r.left, h = r.bottom - r.top;
    HDC dc = GetDCEx(g_app->hwndFrame, nullptr, DCX_CACHE);
    HDC copy = CreateCompatibleDC(dc);
    void* bits = nullptr;
    HBITMAP bmp = CreateTopDownDib32(dc, w, h, &bits);
    std::vector<uint32_t> pixels;
    if (bmp && bits) {
        HGDIOBJ old = SelectObject(copy, bmp);
        BitBlt(copy, 0, 0, w, h, dc, r.left, r.top, SRCCOPY);
        GdiFlush();
        pixels.assign(static_cast<uint32_t*>(bits), static_cast<uint32_t*>(bits) + w * h);
        SelectObject(copy, old);
    }
    if (bmp) DeleteObject(bmp);
    DeleteDC(copy);
    ReleaseDC(g_app->hwndFrame, dc);
    return pixels;
}

// Display > Show > Toolbar hides the toolbar and shows it again: the graph's title bar and the
// band of the MDI client beside it stand drawn after each, as a full repaint draws them.
TEST_F(Frame, TheGraphsTitleBarIsDrawnAfterTheToolbarIsHiddenAndShown) {
    HWND frame = g_app->hwndFrame;
    ShowWindow(frame, SW_RESTORE);
    MoveWindow(frame, 0, 0, 900, 640, TRUE);
    HWND graph = g_app->hwndActiveGraph;
    ASSERT_TRUE(graph);
    SendMessageA(g_app->hwndClient, WM_MDIRESTORE, reinterpret_cast<WPARAM>(graph), 0);
    MoveWindow(graph, 0, 0, 600, 420, TRUE);
    PumpMessages();
    UpdateWindow(frame);
    for (const bool show : {false, true}) {
        SCOPED_TRACE(show ? "toolbar shown again" : "toolbar hidden");
        SendMessageA(frame, WM_COMMAND, IDM_SHOW_TOOLBAR, 0);
        PumpMessages();
        ASSERT_EQ(IsWindowVisible(g_app->hwndToolbar) != 0, show);
        // The band of the client from its top down over the graph's title bar, the whole width.
        RECT band{};
        GetWindowRect(g_app->hwndClient, &band);
        MapWindowPoints(nullptr, frame, reinterpret_cast<POINT*>(&band), 2);
        band.bottom = band.top + GetSystemMetrics(SM_CYCAPTION) + 2 * GetSystemMetrics(SM_CYFRAME) + 4;
        const std::vector<uint32_t> shown = FramePixels(band);
        RedrawWindow(frame, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
        const std::vector<uint32_t> repainted = FramePixels(band);
        ASSERT_FALSE(repainted.empty());
        EXPECT_EQ(shown, repainted) << "the title bar as the command left it is not the one repainted";
    }
}

TEST_F(Frame, RightClickOutsideTheMenuBarDoesNothing) {
    HWND frame = g_app->hwndFrame;
    EXPECT_EQ(SendMessageA(frame, WM_NCRBUTTONDOWN, HTCAPTION, 0), 1);
    EXPECT_EQ(SendMessageA(frame, WM_NCRBUTTONDOWN, HTBORDER, 0), 1);
    g_script.permissions[kPermRMouseButton] = 0;
    EXPECT_EQ(SendMessageA(frame, WM_NCRBUTTONDOWN, HTMENU, 0), 0);
    g_script.permissions[kPermRMouseButton] = 1;
}

TEST_F(Frame, LessonPermissionsBlockZoomAndClose) {
    HWND frame = g_app->hwndFrame;
    ShowWindow(frame, SW_SHOWNORMAL);
    g_script.permissions[kPermZoomWindow] = 0;
    SendMessageA(frame, WM_SYSCOMMAND, SC_MINIMIZE, 0);
    EXPECT_FALSE(IsIconic(frame));
    SendMessageA(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_FALSE(IsZoomed(frame));
    g_script.permissions[kPermCloseWindow] = 0;
    SendMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
    PumpMessages();
    EXPECT_TRUE(IsWindow(frame));
    ResetScriptPermissions();
    SendMessageA(frame, WM_SYSCOMMAND, SC_MAXIMIZE, 0);
    EXPECT_TRUE(IsZoomed(frame));
}

// A small graph file of one channel, so that an opened path shows as a graph with its samples.
Bytes SmallGraphFile(int16_t first) {
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 1;
    c.raw = {first, 2, 3, 4, 5};
    recipe.channels = {c};
    return BuildAcq(recipe);
}

// The graph window whose title is the path, or null.
tagGS* GraphShowing(const std::string& path) {
    for (HWND child = GetWindow(g_app->hwndClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char title[MAX_PATH + 8] = "";
        GetWindowTextA(child, title, sizeof title);
        if (GetWindowGraph(child) && path == title) return GetWindowGraph(child);
    }
    return nullptr;
}

TEST_F(Frame, CopyDataOpensTheFileAtItsPathAndAnswersOne) {
    TempFolder folder("kymora-copydata");
    const std::string path = folder.File("sent.acq");
    ASSERT_TRUE(WriteWholeFile(path, SmallGraphFile(71)));
    COPYDATASTRUCT cds{0, static_cast<DWORD>(path.size() + 1), const_cast<char*>(path.c_str())};
    EXPECT_EQ(SendMessageA(g_app->hwndFrame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&cds)), 1);
    tagGS* gs = GraphShowing(path);
    ASSERT_TRUE(gs);
    ASSERT_EQ(gs->chanCount[1], 5u);
    EXPECT_EQ(static_cast<const int16_t*>(gs->chanBlock[1])[0], 71);
    EXPECT_EQ(gs->modified, 0u);
    // Data without a terminator is taken for its length only.
    const std::string other = folder.File("other.acq");
    ASSERT_TRUE(WriteWholeFile(other, SmallGraphFile(72)));
    const std::string longer = other + "EFG";
    COPYDATASTRUCT unterminated{0, static_cast<DWORD>(other.size()), const_cast<char*>(longer.data())};
    EXPECT_EQ(SendMessageA(g_app->hwndFrame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&unterminated)), 1);
    ASSERT_TRUE(GraphShowing(other));
    EXPECT_EQ(static_cast<const int16_t*>(GraphShowing(other)->chanBlock[1])[0], 72);
}

TEST_F(Frame, APathTooLongToOpenIsNotCutToAnotherFile) {
    TempFolder folder("kymora-longpath");
    const std::string longPath = folder.File(std::string(300, 'z') + ".acq");
    // A file at the path cut to MAX_PATH - 1 characters must stay closed.
    const std::string cut = longPath.substr(0, MAX_PATH - 1);
    ASSERT_TRUE(WriteWholeFile(cut, SmallGraphFile(1)));
    BoxCapture boxes;
    COPYDATASTRUCT longer{0, static_cast<DWORD>(longPath.size()), const_cast<char*>(longPath.data())};
    EXPECT_EQ(SendMessageA(g_app->hwndFrame, WM_COPYDATA, 0, reinterpret_cast<LPARAM>(&longer)), 1);
    EXPECT_FALSE(GraphShowing(cut));
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("Can't open the file"), std::string::npos) << boxes.boxes[0].text;
}

// A drop as the shell makes it: a DROPFILES header and the paths, each terminated, then one more zero.
HGLOBAL MakeDrop(const std::string& path, bool wide) {
    const size_t chars = path.size() + 2;
    const size_t unit = wide ? sizeof(wchar_t) : 1;
    HGLOBAL drop = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(DROPFILES) + chars * unit);
    if (!drop) return nullptr;
    auto* header = static_cast<DROPFILES*>(GlobalLock(drop));
    header->pFiles = sizeof(DROPFILES);
    header->fWide = wide;
    char* names = reinterpret_cast<char*>(header + 1);
    if (wide) {
        MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, reinterpret_cast<wchar_t*>(names), static_cast<int>(chars));
    } else {
        std::memcpy(names, path.c_str(), path.size());
    }
    GlobalUnlock(drop);
    return drop;
}

TEST_F(Frame, ADroppedFileOpensUnderItsWholePath) {
    TempFolder root("kymora-drop");
    const std::string course = root.File("Lessons of the physiology course");
    const std::string folder = course + "\\Muscle recordings of the second week\\";
    ASSERT_TRUE(CreateDirectoryA(course.c_str(), nullptr));
    ASSERT_TRUE(CreateDirectoryA(folder.c_str(), nullptr));
    struct Row {
        std::string path;
        bool wide;
    } rows[] = {
        {root.File("short.acq"), false},
        {folder + "Student group 4.acq", false},                                        // past 80 characters
        {folder + std::string(MAX_PATH - 1 - folder.size() - 4, 'x') + ".acq", false},  // MAX_PATH - 1
        {folder + std::string(MAX_PATH - 1 - folder.size() - 4, 'y') + ".acq", true},
    };
    int16_t mark = 10;
    for (const Row& row : rows) {
        ASSERT_TRUE(WriteWholeFile(row.path, SmallGraphFile(++mark))) << row.path;
        HGLOBAL drop = MakeDrop(row.path, row.wide);
        ASSERT_TRUE(drop);
        SendMessageA(g_app->hwndFrame, WM_DROPFILES, reinterpret_cast<WPARAM>(drop), 0);  // the frame frees it
        tagGS* gs = GraphShowing(row.path);
        ASSERT_TRUE(gs) << row.path.size() << (row.wide ? " wide" : "");
        EXPECT_EQ(static_cast<const int16_t*>(gs->chanBlock[1])[0], mark);
    }
    EXPECT_EQ(rows[2].path.size(), static_cast<size_t>(MAX_PATH - 1));
    for (const Row& row : rows) DeleteFileA(row.path.c_str());
    RemoveDirectoryA(folder.c_str());
    RemoveDirectoryA(course.c_str());
}

TEST_F(Frame, StatusLineShowsMessagesAndGraphPanes) {
    SetStatusText("Initializing acquisition system...");
    EXPECT_STREQ(GetStatusTextShown(), "Initializing acquisition system...");
    tagGS* gs = GetWindowGraph(g_app->hwndActiveGraph);
    ASSERT_TRUE(gs);
    gs->displayMode = kModeChart;
    gs->gridShown = 1;
    gs->gridLocked = 0;
    gs->storageKind = kStoreMemory;
    gs->acquiring = 1;
    SetStatusText("Ready");
    EXPECT_STREQ(GetStatusTextShown(), "Ready, Grid Unlocked|Chart|Memory|Acquire");
    gs->acquiring = 0;
    gs->gridLocked = 1;
    gs->displayMode = kModeXY;
    gs->storageKind = kStoreDiskRecording;  // a disk recording in progress still reads "Memory"
    SetStatusText(nullptr);
    EXPECT_STREQ(GetStatusTextShown(), "Ready, Grid Locked|XY|Memory|");
    gs->gridShown = 0;
    gs->displayMode = kModeScope;
    gs->storageKind = kStoreDiskPaged;
    SetStatusText(nullptr);
    EXPECT_STREQ(GetStatusTextShown(), "Ready, Grid Off|Scope|Disk|");
    SetStatusTextFmt("Saving file: %3lu%% completed", 42);
    EXPECT_STREQ(GetStatusTextShown(), "Saving file:  42% completed");
}

TEST_F(Frame, KeysWithoutATextAreMarkedInTheStatusLine) {
    SetStatusText("A progress message nobody translated");
    EXPECT_STREQ(GetStatusTextShown(), "A progress message nobody translated - MissingTranslation");
    SetStatusTextFmt("Counting %lu things nobody translated", 3);
    EXPECT_STREQ(GetStatusTextShown(), "Counting %lu things nobody translated - MissingTranslation");
    SetStatusText("Initializing acquisition system...");
    EXPECT_STREQ(GetStatusTextShown(), getMsgBoxText("Initializing acquisition system..."));
}

// A lesson may translate a progress text into anything: the translation only ever takes the
// number, and conversions it has no argument for stay plain text.
TEST_F(Frame, ATranslatedProgressTextOnlyTakesItsNumber) {
    const char key[] = "Saving file: %3lu%% completed";
    ASSERT_TRUE(getMsgBoxText(key));
    const std::string saved = getMsgBoxText(key);
    struct Row {
        const char* translation;
        int32_t number;
        const char* shown;
    } rows[] = {
        {"%s%s%n", 42, "%s%s%n"},
        {"Sichern: %3lu%% %s%n", 7, "Sichern:   7% %s%n"},
        {"%n%d von %d", 3, "%n3 von %d"},
        {"%*d", 5, "%*d"},
    };
    for (const Row& row : rows) {
        ASSERT_EQ(setMsgBoxText(key, row.translation), 1);
        SetStatusTextFmt(key, row.number);
        EXPECT_STREQ(GetStatusTextShown(), row.shown) << row.translation;
    }
    setMsgBoxText(key, saved.c_str());
}

TEST_F(Frame, StatusLineWithoutAGraphSaysReady) {
    HWND graph = g_app->hwndActiveGraph;
    SendMessageA(graph, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(graph));
    EXPECT_EQ(g_app->hwndActiveGraph, nullptr);
    SetStatusText(nullptr);
    EXPECT_STREQ(GetStatusTextShown(), "Ready");
}

// The device library reads a lesson line's numbers through the host: a field that fails to read
// answers nothing, so that a word changes nothing with it.
TEST_F(Frame, HostNumberReaderAnswersNothingForAFieldThatFailsToRead) {
    stHostCallbacks& t = DeviceBindingForTests().hostCallbacks;
    g_script.fieldFailed = 0;
    double value = -1;
    EXPECT_GT(t.getScriptNumber("1+2, 5\r", &value), 0);
    EXPECT_DOUBLE_EQ(value, 3.0);
    EXPECT_EQ(t.getScriptNumber("2*, 5\r", &value), 0);
    EXPECT_DOUBLE_EQ(value, 0.0);
    g_script.fieldFailed = 0;
}

TEST_F(Frame, HostSlotsForDialogAndChannelClipboard) {
    stHostCallbacks& t = DeviceBindingForTests().hostCallbacks;
    HWND dlg = g_app->hwndToolbar;
    EXPECT_EQ(t.setActiveModelessDialog(dlg), static_cast<void*>(g_app));
    EXPECT_EQ(g_app->hwndActiveDlg, dlg);
    t.setActiveModelessDialog(nullptr);
    EXPECT_EQ(g_app->hwndActiveDlg, nullptr);

    tagGS* clip = reinterpret_cast<tagGS*>(1);
    EXPECT_EQ(t.getChannelClipboard(&clip), 1);
    EXPECT_EQ(clip, g_app->gsClipboard);
    tagGS* saved = g_app->gsClipboard;
    EXPECT_EQ(t.setChannelClipboard(nullptr), 0);
    clip = reinterpret_cast<tagGS*>(1);
    EXPECT_EQ(t.getChannelClipboard(&clip), 0);
    EXPECT_EQ(clip, nullptr);
    EXPECT_EQ(t.setChannelClipboard(saved), 1);
    EXPECT_EQ(t.getWindowGraph(g_app->hwndActiveGraph), GetWindowGraph(g_app->hwndActiveGraph));
    EXPECT_EQ(t.getWindowGraph(g_app->hwndFrame), nullptr);
}

// The idle step for the library's timer windows, and its guard while it pumps messages.
int g_idleCalls = 0, g_idleDepth = 0, g_idleMaxDepth = 0;
HWND g_timerWindow = nullptr;
int32_t WINAPI FakeIdle(HGLOBAL, HWND) {
    ++g_idleCalls;
    ++g_idleDepth;
    if (g_idleDepth > g_idleMaxDepth) g_idleMaxDepth = g_idleDepth;
    MSG nested{g_timerWindow, WM_TIMER, 257, 0, 0, {0, 0}};
    DispatchLoopMessage(nested);  // the library pumps a timer of its own pane
    --g_idleDepth;
    return 1;
}

TEST_F(Frame, TimerOfTheInputValuesPaneRunsTheIdleStepOnce) {
    g_timerWindow = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 1, 1, g_app->hwndFrame, nullptr, nullptr, nullptr);
    {
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        acq->run.hwndInputValues = g_timerWindow;
    }
    auto saved = DeviceBindingForTests().driverOps.onIdleAcquisition;
    DeviceBindingForTests().driverOps.onIdleAcquisition = FakeIdle;
    MSG timer{g_timerWindow, WM_TIMER, 257, 0, 0, {0, 0}};
    DispatchLoopMessage(timer);
    EXPECT_EQ(g_idleCalls, 1);
    EXPECT_EQ(g_idleMaxDepth, 1);
    EXPECT_EQ(g_app->bInIdle, 0u);
    MSG other{g_app->hwndToolbar, WM_TIMER, 5, 0, 0, {0, 0}};
    DispatchLoopMessage(other);
    EXPECT_EQ(g_idleCalls, 1);
    DeviceBindingForTests().driverOps.onIdleAcquisition = saved;
    AcqLock acq(g_app->hAcq);
    acq->run.hwndInputValues = nullptr;
}

TEST_F(Frame, IdleWaitFollowsTheAcquisitionsLiveState) {
    HWND frame = g_app->hwndFrame;
    ShowWindow(frame, SW_SHOWNORMAL);
    HWND shown = CreateWindowExA(0, "STATIC", "", WS_CHILD | WS_VISIBLE, 0, 0, 8, 8, frame, nullptr, nullptr, nullptr);
    HWND hidden = CreateWindowExA(0, "STATIC", "", WS_CHILD, 0, 0, 8, 8, frame, nullptr, nullptr, nullptr);
    struct Case {
        const char* state;
        int32_t running;
        HWND inputValues, electrodeReadout;
        DWORD wait;
    };
    const Case cases[] = {
        {"nothing live", 0, nullptr, nullptr, kQuietPollMs},
        {"recording", 1, nullptr, nullptr, kRecordingPollMs},
        {"recording with the Input Values pane up", 1, shown, nullptr, kRecordingPollMs},
        {"Input Values pane up", 0, shown, nullptr, kReadoutPollMs},
        {"electrode check readout up", 0, nullptr, shown, kReadoutPollMs},
        {"both panes made but hidden", 0, hidden, hidden, kQuietPollMs},
    };
    for (const Case& c : cases) {
        {
            AcqLock acq(g_app->hAcq);
            ASSERT_TRUE(acq);
            acq->run.running = c.running;
            acq->run.hwndInputValues = c.inputValues;
            acq->hwndElectrodeReadout = c.electrodeReadout;
        }
        EXPECT_EQ(IdleWaitMs(), c.wait) << c.state;
    }
    {
        AcqLock acq(g_app->hAcq);
        acq->run.running = 0;
        acq->run.hwndInputValues = acq->hwndElectrodeReadout = nullptr;
    }
    EXPECT_LT(kRecordingPollMs, kReadoutPollMs);
    EXPECT_LT(kReadoutPollMs, kQuietPollMs);
    HGLOBAL bound = g_app->hAcq;
    g_app->hAcq = nullptr;  // without the device library there is nothing to poll
    EXPECT_EQ(IdleWaitMs(), INFINITE);
    g_app->hAcq = bound;
}

// An idle step that ends the loop the way the frame's destruction does.
int32_t WINAPI QuitOnIdle(HGLOBAL, HWND) {
    ++g_idleCalls;
    PostQuitMessage(0);
    return 1;
}

TEST_F(Frame, LoopRunsTheIdleStepOnAnEmptyQueueAndWakesForTheNextMessage) {
    auto saved = DeviceBindingForTests().driverOps.onIdleAcquisition;
    DeviceBindingForTests().driverOps.onIdleAcquisition = QuitOnIdle;
    g_idleCalls = 0;
    RunMessageLoop();  // returns only when the wait after the idle step saw the posted quit
    EXPECT_EQ(g_idleCalls, 1);
    EXPECT_EQ(g_app->bInIdle, 0u);
    DeviceBindingForTests().driverOps.onIdleAcquisition = saved;
}

TEST_F(Frame, LockedMenusDropSystemCommands) {
    HWND frame = g_app->hwndFrame;
    ShowWindow(frame, SW_SHOWNORMAL);
    g_app->frame.bMenusUnlocked = 0;
    MSG sys{frame, WM_SYSCOMMAND, SC_MINIMIZE, 0, 0, {0, 0}};
    EXPECT_TRUE(DispatchLoopMessage(sys));
    EXPECT_FALSE(IsIconic(frame));
    g_app->frame.bMenusUnlocked = 1;
    MSG quit{nullptr, WM_QUIT, 0, 0, 0, {0, 0}};
    EXPECT_FALSE(DispatchLoopMessage(quit));
}

TEST_F(Frame, AcceleratorsSendFrameCommands) {
    // Ctrl+Q is Quit: the frame closes through the accelerator table.
    HWND frame = g_app->hwndFrame;
    BYTE keys[256] = {};
    GetKeyboardState(keys);
    keys[VK_CONTROL] = 0x80;
    SetKeyboardState(keys);
    MSG key{frame, WM_KEYDOWN, 'Q', 0x00100001, 0, {0, 0}};
    EXPECT_TRUE(DispatchLoopMessage(key));
    keys[VK_CONTROL] = 0;
    SetKeyboardState(keys);
    PumpMessages();
    EXPECT_FALSE(IsWindow(frame));
}

// The commands the active graph window receives, seen through a subclass.
std::vector<UINT> g_graphCommands;
WNDPROC g_graphProc = nullptr;
LRESULT CALLBACK RecordGraphCommand(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_COMMAND) g_graphCommands.push_back(LOWORD(wParam));
    return CallWindowProcA(g_graphProc, hwnd, msg, wParam, lParam);
}

TEST_F(Frame, FunctionKeysReachTheActiveGraphAsMarkerCommands) {
    ASSERT_TRUE(g_app->hAccelMarker) << "the first graph's marker manager loads the key-marker table";
    HWND graph = g_app->hwndActiveGraph;
    ASSERT_TRUE(graph);
    g_graphProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(graph, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(RecordGraphCommand)));
    BYTE keys[256] = {};
    SetKeyboardState(keys);  // no Ctrl, Shift or Alt held
    struct Row {
        UINT key;
        UINT command;  // 0: no marker command
    } rows[] = {{VK_F2, 392}, {VK_F3, 393}, {VK_F4, 394},  {VK_F5, 395},  {VK_F6, 396}, {VK_F7, 397},
                {VK_F8, 398}, {VK_F9, 399}, {VK_F11, 400}, {VK_F12, 401}, {VK_F1, 0},   {'A', 0}};
    for (const Row& row : rows) {
        g_graphCommands.clear();
        // Wherever the focus is, the key goes to the active graph window.
        for (HWND target : {graph, g_app->hwndFrame}) {
            MSG key{target, WM_KEYDOWN, row.key, 0x00000001, 0, {0, 0}};
            EXPECT_TRUE(DispatchLoopMessage(key));
        }
        PumpMessages();
        const std::vector<UINT> expected =
            row.command ? std::vector<UINT>{row.command, row.command} : std::vector<UINT>{};
        EXPECT_EQ(g_graphCommands, expected) << "key " << row.key;
    }
    SetWindowLongPtrA(graph, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_graphProc));
}

}  // namespace

// Shared routines: message boxes from the string table and the selection-error reports.
class SharedRoutines : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
    }
    void TearDown() override { ShutShell(); }
};

TEST_F(SharedRoutines, StringTableBoxFormatsAndMissingIdShowsNothing) {
    BoxCapture cap;
    EXPECT_EQ(MessageBoxFromStringTable(nullptr, MB_OK, 30, "Copy"), IDOK);
    ASSERT_EQ(cap.boxes.size(), 1u);
    EXPECT_EQ(cap.boxes[0].caption, "Norvane Tessaly");
    EXPECT_EQ(cap.boxes[0].text, "Not enough memory for Copy");
    EXPECT_EQ(MessageBoxFromStringTable(nullptr, MB_OK, 9999), 0);
    EXPECT_EQ(cap.boxes.size(), 1u);
}

TEST_F(SharedRoutines, SelectionErrorReports) {
    struct Case {
        uint32_t code;
        const char* arg;
        std::vector<std::string> texts;
    };
    const Case cases[] = {
        {1, nullptr, {}},
        {0x22, nullptr, {"You must select a valid portion of this waveform"}},
        {0x24, nullptr, {"You must select a valid portion of this waveform"}},
        {0x1E, "Paste", {"Not enough memory for Paste"}},  // 0x1E is string 30 as well
        {0x2D, nullptr, {"Not enough disk space to save data"}},
        {0x2502, nullptr, {"At least 1 interval is required for the difference transform."}},
        {0x2B02, nullptr, {"An Interval of at least 4 samples is required for a Fourier transform."}},
        {0x1E02, nullptr, {"Not enough memory for "}},  // another high byte: that string, unformatted
        {0x0005, nullptr, {}},                          // no such string: nothing
    };
    for (const Case& c : cases) {
        BoxCapture cap;
        ShowSelectionError(g_app->hwndFrame, c.code, c.arg);
        std::vector<std::string> texts;
        for (auto& b : cap.boxes) texts.push_back(b.text);
        EXPECT_EQ(texts, c.texts) << "code 0x" << std::hex << c.code;
    }
}

TEST_F(SharedRoutines, WaitCursorNests) {
    SetWaitCursor(1);
    SetWaitCursor(1);
    SetWaitCursor(0);
    EXPECT_EQ(GetCursor(), LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
    SetWaitCursor(0);
    EXPECT_NE(GetCursor(), LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
    SetWaitCursor(0);  // more offs than ons are ignored
}

// Start-up maximises the frame in the end; it is first shown so at once, not laid out and painted
// in another state before, unless it was asked to start minimised (which shows no splash).
TEST(Placement, TheFrameIsFirstShownMaximisedUnlessStartedMinimised) {
    const struct {
        int given, first;
    } cases[] = {
        {SW_SHOWNORMAL, SW_SHOWMAXIMIZED},      {SW_SHOW, SW_SHOWMAXIMIZED},
        {SW_SHOWDEFAULT, SW_SHOWMAXIMIZED},     {SW_SHOWMAXIMIZED, SW_SHOWMAXIMIZED},
        {SW_SHOWNOACTIVATE, SW_SHOWMAXIMIZED},  {SW_RESTORE, SW_SHOWMAXIMIZED},
        {SW_HIDE, SW_SHOWMAXIMIZED},            {SW_SHOWMINIMIZED, SW_SHOWMINIMIZED},
        {SW_SHOWMINNOACTIVE, SW_SHOWMINNOACTIVE}, {SW_MINIMIZE, SW_MINIMIZE},
    };
    for (const auto& c : cases) EXPECT_EQ(FirstFrameShow(c.given), c.first) << c.given;
}

TEST(Placement, NewIniGetsDefaultsAndMissingClipboardReadsMono) {
    DeleteIni();
    stApp app{};
    g_app = &app;
    app.frame.nFrameShow = 1;
    app.options.bClipboardColor = app.options.bMetafileColor = 1;
    LoadWindowPlacement();
    char buf[64];
    GetPrivateProfileStringA("Wavemind", "Window", "", buf, sizeof buf, "NORVANE.INI");
    EXPECT_STREQ(buf, "0 0 0 0 1");
    GetPrivateProfileStringA("Wavemind", "Clipboard", "", buf, sizeof buf, "NORVANE.INI");
    EXPECT_STREQ(buf, "Color");
    GetPrivateProfileStringA("Wavemind", "Metafile", "", buf, sizeof buf, "NORVANE.INI");
    EXPECT_STREQ(buf, "Color");

    DeleteIni();
    WritePrivateProfileStringA("Wavemind", "Window", "10 20 300 200 3", "NORVANE.INI");
    LoadWindowPlacement();
    EXPECT_EQ(app.options.bClipboardColor, 0u);
    EXPECT_EQ(app.options.bMetafileColor, 1u);
    EXPECT_EQ(app.frame.nFrameShow, 3u);
    EXPECT_EQ(app.frame.rcFrame.left, 10);
    EXPECT_EQ(app.frame.rcFrame.right, 310);
    EXPECT_EQ(app.frame.rcFrame.bottom, 220);
    g_app = nullptr;
    DeleteIni();
}

TEST(Placement, AWindowValueOutOfItsBoundsIsHeldOrKeepsItsDefault) {
    struct Row {
        const char* stored;
        bool read;
        long left, top, width, height, show;
    } rows[] = {
        {"10 20 300 200 3", true, 10, 20, 300, 200, 3},
        {"10 20 300 200 2147483648", true, 10, 20, 300, 200, SW_SHOWNORMAL},
        {"10 20 300 200 -1", true, 10, 20, 300, 200, SW_SHOWNORMAL},
        {"10 20 300 200 12", true, 10, 20, 300, 200, SW_SHOWNORMAL},
        {"99999999999999999999 -99999999999999999999 300 -5 0", true, 1 << 29, -(1 << 29), 300, 0, 0},
        {"10 20 300 200", false, 0, 0, 0, 0, 0},
        {"10 20 300 200 1e308", false, 0, 0, 0, 0, 0},
        {"10,20,300,200,1", false, 0, 0, 0, 0, 0},
        {"", false, 0, 0, 0, 0, 0},
    };
    for (const Row& r : rows) {
        long got[5] = {};
        ASSERT_EQ(ParseWindowValue(r.stored, &got[0], &got[1], &got[2], &got[3], &got[4]), r.read) << r.stored;
        if (!r.read) continue;
        const long want[5] = {r.left, r.top, r.width, r.height, r.show};
        for (int i = 0; i < 5; ++i) EXPECT_EQ(got[i], want[i]) << r.stored << " number " << i;
    }
    // Read and written back: the show state is one the frame can take.
    stApp app{};
    g_app = &app;
    DeleteIni();
    WritePrivateProfileStringA("Wavemind", "Window", "10 20 300 200 2147483648", "NORVANE.INI");
    LoadWindowPlacement();
    EXPECT_EQ(app.frame.nFrameShow, static_cast<uint32_t>(SW_SHOWNORMAL));
    SaveWindowPlacement();
    char buf[64] = "";
    GetPrivateProfileStringA("Wavemind", "Window", "", buf, sizeof buf, "NORVANE.INI");
    EXPECT_STREQ(buf, "10 20 300 200 1");
    g_app = nullptr;
    DeleteIni();
}

TEST(Placement, OnlyPlacementsWithTheCaptionOutOfReachAreMoved) {
    const RECT work{0, 0, 1280, 994};
    const RECT right{1280, 0, 2560, 1024};  // a second screen's work area
    struct Row {
        RECT area, stored, fitted;
    } rows[] = {
        {work, {10, 20, 310, 220}, {10, 20, 310, 220}},
        {work, {-32000, -32000, -31800, -31800}, {0, 0, 200, 200}},
        {work, {5000, 100, 5800, 700}, {480, 100, 1280, 700}},
        {work, {100, -300, 900, 300}, {100, 0, 900, 600}},     // caption above the area
        {work, {100, 980, 900, 1580}, {100, 394, 900, 994}},   // caption at the bottom edge
        {work, {-790, 100, 10, 700}, {0, 100, 800, 700}},      // 10 pixels left in view
        {work, {-700, 100, 100, 700}, {-700, 100, 100, 700}},  // enough of the caption shows
        {work, {1200, 100, 2000, 700}, {1200, 100, 2000, 700}},
        {work, {-100000, -100000, 100000, 100000}, {0, 0, 1280, 994}},  // capped at the area
        {work, {0, 0, 0, 0}, {0, 0, 0, 0}},                             // none stored: left alone
        {right, {1400, 50, 2000, 650}, {1400, 50, 2000, 650}},
        {right, {-32000, -32000, -31800, -31800}, {1280, 0, 1480, 200}},
        {RECT{}, {-32000, -32000, -31800, -31800}, {-32000, -32000, -31800, -31800}},
    };
    for (const Row& row : rows) {
        const RECT got = FitPlacementToWorkArea(row.stored, row.area);
        EXPECT_TRUE(EqualRect(&got, &row.fitted)) << row.stored.left << "," << row.stored.top << " -> " << got.left
                                                  << "," << got.top << "," << got.right << "," << got.bottom;
    }
}

TEST(Placement, StoredPlacementsAreReadIntoTheWorkArea) {
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    stApp app{};
    g_app = &app;
    struct Row {
        const char* stored;
        RECT frame;
    } rows[] = {
        {"10 20 300 200 1", {10, 20, 310, 220}},
        {"-32000 -32000 200 200 1", {work.left, work.top, work.left + 200, work.top + 200}},
        {"2147483000 2147483000 2000 2000 1", work},  // no overflow past the screen's far edge
        {"-2147483000 0 2147483000 100 1", {work.left, 0, work.right, 100}},
    };
    for (const Row& row : rows) {
        DeleteIni();
        WritePrivateProfileStringA("Wavemind", "Window", row.stored, "NORVANE.INI");
        LoadWindowPlacement();
        EXPECT_TRUE(EqualRect(&app.frame.rcFrame, &row.frame))
            << row.stored << " -> " << app.frame.rcFrame.left << "," << app.frame.rcFrame.top << "," << app.frame.rcFrame.right << ","
            << app.frame.rcFrame.bottom;
    }
    g_app = nullptr;
    DeleteIni();
}

TEST(Placement, AFrameStoredOffScreenOpensOnScreenAndIsSavedThere) {
    RECT work{};
    ASSERT_TRUE(SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0));
    DeleteIni();
    WritePrivateProfileStringA("Wavemind", "Window", "-32000 -32000 200 200 1", "NORVANE.INI");
    ASSERT_TRUE(BootShell());
    ShowWindow(g_app->hwndFrame, SW_RESTORE);
    RECT frame{};
    GetWindowRect(g_app->hwndFrame, &frame);
    const RECT expected{work.left, work.top, work.left + 200, work.top + 200};
    EXPECT_TRUE(EqualRect(&frame, &expected))
        << frame.left << "," << frame.top << "," << frame.right << "," << frame.bottom;
    SendMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);  // saves the placement
    char buf[64] = "";
    GetPrivateProfileStringA("Wavemind", "Window", "", buf, sizeof buf, "NORVANE.INI");
    char want[64];
    std::snprintf(want, sizeof want, "%d %d 200 200 1", static_cast<int>(work.left), static_cast<int>(work.top));
    EXPECT_STREQ(buf, want);
    ShutShell();
    DeleteIni();
}

TEST(CheckBitmap, IsADotInTheMiddle) {
    HBITMAP bm = MakeCheckBitmap();
    ASSERT_TRUE(bm);
    BITMAP info{};
    GetObjectA(bm, sizeof info, &info);
    HDC dc = CreateCompatibleDC(nullptr);
    HGDIOBJ old = SelectObject(dc, bm);
    int black = 0;
    for (int y = 0; y < info.bmHeight; ++y)
        for (int x = 0; x < info.bmWidth; ++x)
            if (GetPixel(dc, x, y) == RGB(0, 0, 0)) ++black;
    EXPECT_EQ(black, 2 + 4 + 4 + 4 + 2);  // the five rows of the dot
    EXPECT_EQ(GetPixel(dc, 0, 0), RGB(255, 255, 255));
    SelectObject(dc, old);
    DeleteDC(dc);
    DeleteObject(bm);
}

namespace {
int g_depthAtMessage = -1;
LRESULT CALLBACK RecordDepth(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) g_depthAtMessage = g_script.nestingDepth;
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A lesson that waits leaves the program's loop turning: a message posted before the wait is
// handled during it, and the quit message ends the lesson and stays for the loop.
TEST_F(Frame, AWaitingLessonKeepsTheMessageLoopTurning) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = RecordDepth;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "WaitProbe";
    RegisterClassA(&wc);
    HWND probe = CreateWindowA("WaitProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(probe);
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    const std::string path = std::string(dir) + "wait_lesson_" + std::to_string(GetCurrentProcessId()) + ".scr";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("wait lesson\r\nMain\r\nWAIT 1\r\nA = 1\r\nEND\r\n", f);
    std::fclose(f);
    int stored = 0;
    ASSERT_EQ(ReplaceLoadedScript(path.c_str(), &stored), 1);
    g_depthAtMessage = -1;
    PostMessageA(probe, WM_APP, 0, 0);
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Main", 0), kScriptGoOn);
    EXPECT_EQ(g_depthAtMessage, 1) << "the message was handled while the lesson waited";

    g_script.variables[0] = 0;
    PostQuitMessage(0);
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Main", 0), kScriptHalted);
    EXPECT_EQ(g_script.variables[0], 0) << "the lesson ended at the quit message";
    MSG msg;
    EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop still gets to quit";
    SplitScriptIntoSubroutines(LoadedScript(), nullptr);
    DestroyWindow(probe);
    DeleteFileA(path.c_str());
}

void PressCtrlBreak(bool down) {
    INPUT key{};
    key.type = INPUT_KEYBOARD;
    key.ki.wVk = VK_CANCEL;
    key.ki.dwFlags = down ? 0 : KEYEVENTF_KEYUP;
    SendInput(1, &key, sizeof key);
}

// WM_APP sets A; WM_APP + 1 presses Ctrl+Break.
LRESULT CALLBACK LoopProbe(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_APP) {
        g_depthAtMessage = g_script.nestingDepth;
        g_script.variables[0] = 1;
    }
    if (msg == WM_APP + 1) PressCtrlBreak(true);
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// A long loop of statements leaves the program's loop turning, however seldom it looks: a
// message posted before the loop is handled during it, the idle step still comes (and runs the
// lesson's idle subroutine), the quit message ends the lesson and stays for the loop, and
// Ctrl+Break pressed during the loop ends it and its caller. Each loop ends by itself as soon as
// what it waits for is set (A or N; A alone for Ctrl+Break), and after 10^8 turns otherwise.
TEST_F(Frame, ALongLessonLoopKeepsTheMessageLoopTurning) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = LoopProbe;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "LoopProbe";
    RegisterClassA(&wc);
    HWND probe = CreateWindowA("LoopProbe", "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, wc.hInstance, nullptr);
    ASSERT_TRUE(probe);
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    const std::string path = std::string(dir) + "loop_lesson_" + std::to_string(GetCurrentProcessId()) + ".scr";
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_TRUE(f);
    std::fputs("loop lesson\r\nOuter\r\nCALL \"Main\"\r\nC = 1\r\nEND\r\n"
               "Main\r\nFOR i = 1 TO 100000000\r\nIF A + N > 0\r\nExitFor\r\nENDIF\r\nNEXT i\r\nB = 1\r\nEND\r\n"
               "OuterA\r\nCALL \"MainA\"\r\nC = 1\r\nEND\r\n"
               "MainA\r\nFOR i = 1 TO 100000000\r\nIF A > 0\r\nExitFor\r\nENDIF\r\nNEXT i\r\nB = 1\r\nEND\r\n"
               "OnIdleAcquisition\r\nN = N + 1\r\nEND\r\n",
               f);
    std::fclose(f);
    int stored = 0;
    ASSERT_EQ(ReplaceLoadedScript(path.c_str(), &stored), 1);
    struct Case {
        const char* what;
        void (*before)(HWND probe);  // what is sent before the run, to come while it runs
        const char* run;
        int16_t result;
        double a, b, c;  // A, B and C after the run
        bool idle;       // the idle subroutine ran
    };
    const Case cases[] = {
        {"a posted message", [](HWND p) { PostMessageA(p, WM_APP, 0, 0); }, "Outer", kScriptGoOn, 1, 1, 1, false},
        {"the idle step", [](HWND) {}, "Outer", kScriptGoOn, 0, 1, 1, true},
        {"the quit message", [](HWND) { PostQuitMessage(0); }, "Outer", kScriptHalted, 0, 0, 0, false},
        {"Ctrl+Break", [](HWND p) { PostMessageA(p, WM_APP + 1, 0, 0); }, "OuterA", kScriptGoOn, 0, 0, 0, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        for (char v : {'A', 'B', 'C', 'N'}) g_script.variables[v - 'A'] = 0;
        g_depthAtMessage = -1;
        c.before(probe);
        EXPECT_EQ(RunScriptSubroutine(LoadedScript(), c.run, 0), c.result);
        MSG msg;
        if (c.result == kScriptHalted) {
            EXPECT_TRUE(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE)) << "the loop still gets to quit";
        }
        PressCtrlBreak(false);
        while (PeekMessageA(&msg, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE)) {
        }
        EXPECT_EQ(g_script.variables[0], c.a);
        EXPECT_EQ(g_script.variables[1], c.b);
        EXPECT_EQ(g_script.variables[2], c.c);
        if (c.a) {
            EXPECT_EQ(g_depthAtMessage, 2) << "handled while the lesson ran";
        }
        if (c.idle) {
            EXPECT_GT(g_script.variables['N' - 'A'], 0);
        }
    }
    SplitScriptIntoSubroutines(LoadedScript(), nullptr);
    DestroyWindow(probe);
    DeleteFileA(path.c_str());
}
}  // namespace
