// Kymora's life from its first instruction to its exit.
#include "shell/startup.h"
#include "base/ini_section.h"
#include "base/services.h"
#include "base/app.h"
#include "base/device.h"
#include "base/resource.h"
#include "graph/graph_ids.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "shell/binding.h"
#include "shell/frame.h"
#include "shell/system_dialogs.h"
#include "shell/recent_files.h"
#include "shell/commands/menus.h"
#include "shell/commands/status.h"
#include "controls/popup_button.h"
#include "shell/help.h"
#include "graph/document/graph_doc.h"
#include "graph/render/printing.h"
#include "graph/document/channel_edits.h"
#include "graph/window/graph_window.h"
#include "graph/dialogs/toolbar.h"
#include "documents/documents_api.h"
#include "scripts/script_api.h"
#include "outputs/outputs_api.h"
#include "devlib/vk40.h"
#include "common/stAcq.h"
#include "controls/dib_file.h"
#include <commctrl.h>
#include <algorithm>
#include <cctype>
#include <clocale>
#include <cmath>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <float.h>
#include "common/locale.h"

namespace {

// A floating-point fault must not end the program: reset the unit and go on.
void OnFloatingPointSignal(int) {
    _fpreset();
    std::signal(SIGFPE, OnFloatingPointSignal);
}
}  // namespace

// A floating-point fault resets the unit and the program goes on. The maths-error hook is the
// device library's, installed when it loads: the runtime keeps one hook for the whole process,
// and that one also answers the program's logarithms of negative numbers.
void InstallFaultHandlers() { std::signal(SIGFPE, OnFloatingPointSignal); }

// Fills the class-name table and the flags that start at 1.
void InitClassNames() {
    static const char* const names[5] = {"acqframe", "acqchild", "LumikeyButton", "acqToolbar", "acqMeasure"};
    for (int i = 0; i < 5; ++i) lstrcpynA(g_app->szClassNames[i], names[i], sizeof g_app->szClassNames[i]);
    g_app->options.bClipboardColor = 1;
    g_app->options.bMetafileColor = 1;
    g_app->options.bInterpolatePaste = 1;
    g_app->frame.nFrameShow = 1;
    g_app->frame.bToolbarVisible = 1;
    g_app->frame.bMenusUnlocked = 1;
}

// The check-mark bitmap of the radio-style Display items: a round dot.
HBITMAP MakeCheckBitmap() {
    DWORD dims = GetMenuCheckMarkDimensions();
    int w = LOWORD(dims) > 32 ? 32 : LOWORD(dims);
    int h = HIWORD(dims) > 32 ? 32 : HIWORD(dims);
    if (w <= 0 || h <= 0) return nullptr;
    int stride = ((w + 15) / 16) * 2;
    uint8_t bits[32 * 4];
    std::memset(bits, 0xFF, sizeof bits);
    static const uint16_t dot[5] = {0x06, 0x0F, 0x0F, 0x0F, 0x06};
    int shift = (w - 4) / 2;
    if (shift > 12) shift = 12;
    int top = (h - 6) / 2;
    for (int r = 0; r < 5; ++r) {
        int row = top + r;
        if (row < 0 || row >= h) continue;
        // Bit 15 of the row word is the leftmost pixel; the dot pattern counts from the right.
        uint16_t word = static_cast<uint16_t>(~(dot[r] << (16 - 4 - shift)));
        bits[row * stride] = static_cast<uint8_t>(word >> 8);
        if (stride > 1) bits[row * stride + 1] = static_cast<uint8_t>(word & 0xFF);
    }
    return CreateBitmap(w, h, 1, 1, bits);
}

// The brushes of the system colours that the frame, toolbar and status strip paint with.
void CreateAppBrushes() {
    g_app->brushes.hbrToolbar = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    g_app->brushes.hbrFace = CreateSolidBrush(GetSysColor(COLOR_BTNFACE));
    g_app->brushes.hbrShadow = CreateSolidBrush(GetSysColor(COLOR_BTNSHADOW));
    g_app->brushes.hbrHighlight = CreateSolidBrush(GetSysColor(COLOR_BTNHIGHLIGHT));
}

void DeleteAppBrushes() {
    DeleteObject(g_app->brushes.hbrToolbar);
    DeleteObject(g_app->brushes.hbrFace);
    DeleteObject(g_app->brushes.hbrShadow);
    DeleteObject(g_app->brushes.hbrHighlight);
}

// A bitmap resource kept as it is stored: converting it to the screen's format, as LoadBitmap
// does, costs several round trips to the window system per bitmap under Wine, and blitting
// converts anyway.
static HBITMAP LoadAppBitmap(HINSTANCE inst, const char* name, UINT flags = 0) {
    return static_cast<HBITMAP>(LoadImageA(inst, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | flags));
}

// A class icon at both sizes from one resource. Given the small one, registering a class does
// not derive it again from the resource, a copy that costs round trips to the window system.
struct ClassIcon {
    HICON large, small;
};
static ClassIcon LoadClassIcon(HINSTANCE inst, int id) {
    return {LoadIconA(inst, MAKEINTRESOURCEA(id)),
            static_cast<HICON>(LoadImageA(inst, MAKEINTRESOURCEA(id), IMAGE_ICON, GetSystemMetrics(SM_CXSMICON),
                                          GetSystemMetrics(SM_CYSMICON), 0))};  // kept for the process
}

// Registers every class of the program; 0 when any of them fails.
int RegisterAppClasses() {
    HINSTANCE inst = g_app->hInstance;
    CreateAppBrushes();

    const ClassIcon frameIcon = LoadClassIcon(inst, 1);
    const ClassIcon graphIcon = LoadClassIcon(inst, 108);  // the graph and the script editor share it

    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = FrameWndProc;
    wc.hInstance = inst;
    wc.hIcon = frameIcon.large;
    wc.hIconSm = frameIcon.small;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_APPWORKSPACE + 1);
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_FRAME_MENU);
    wc.lpszClassName = g_app->szClassNames[kClassFrame];
    if (!RegisterClassExA(&wc)) return 0;

    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof wc;
    wc.style = CS_DBLCLKS;
    wc.lpfnWndProc = GraphWndProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = inst;
    wc.hIcon = graphIcon.large;
    wc.hIconSm = graphIcon.small;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = g_app->szClassNames[kClassChild];
    if (!RegisterClassExA(&wc)) return 0;

    wc = WNDCLASSEXA{};
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = ScriptWndProc;
    wc.cbWndExtra = sizeof(void*);
    wc.hInstance = inst;
    wc.hIcon = graphIcon.large;
    wc.hIconSm = graphIcon.small;
    wc.hCursor = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    wc.hbrBackground = g_app->brushes.hbrToolbar;
    wc.lpszMenuName = MAKEINTRESOURCEA(IDR_SCRIPT_MENU);
    wc.lpszClassName = "acqScript";
    if (!RegisterClassExA(&wc)) return 0;

    if (!RegisterDirectorClass(inst)) return 0;
    if (!RegisterMeasureClass(inst)) return 0;
    if (!RegisterPopupButtonClass(inst)) return 0;
    if (!RegisterToolbarClass(inst)) return 0;

    g_app->hButtonLib = LoadLibraryA("lumikey.dll");  // registers "LumikeyButton"; optional

    g_app->bitmaps.hbmCheck = MakeCheckBitmap();
    g_app->cursors.hcurArrow = LoadCursorA(nullptr, MAKEINTRESOURCEA(32512));
    g_app->cursors.hcurIBeam = LoadCursorA(nullptr, MAKEINTRESOURCEA(32513));
    g_app->cursors.hcurZoom = LoadCursorA(inst, "zoom");
    g_app->cursors.hcurDrag = LoadCursorA(inst, "drag");
    g_app->bitmaps.hbmMark = LoadAppBitmap(inst, "mark");
    g_app->bitmaps.hbmMark0 = LoadAppBitmap(inst, "mark0");
    // The faces are drawn on the classic button greys, which take the system's button colours.
    static const int buttonIds[12] = {IDB_FACE_ARROW,         IDB_FACE_IBEAM,        IDB_FACE_IBEAM_XY,
                                      IDB_FACE_ZOOM,          IDB_FACE_ARROW_OFF,    IDB_FACE_IBEAM_OFF,
                                      IDB_FACE_IBEAM_XY_OFF,  IDB_FACE_ZOOM_OFF,     IDB_FACE_IBEAM_BAR,
                                      IDB_FACE_IBEAM_BAR_OFF, IDB_FACE_IBEAM_XY_BAR, IDB_FACE_IBEAM_XY_BAR_OFF};
    for (int i = 0; i < 12; ++i)
        g_app->bitmaps.hbmButtons[i] = LoadAppBitmap(inst, MAKEINTRESOURCEA(buttonIds[i]), LR_LOADMAP3DCOLORS);
    return 1;
}

static void InitArialLogFont(LOGFONTA* lf, HDC dc, BYTE charset) {
    std::memset(lf, 0, sizeof *lf);
    lf->lfHeight = -MulDiv(8, GetDeviceCaps(dc, LOGPIXELSY), kPointsPerInch);
    lf->lfWeight = FW_NORMAL;
    lf->lfCharSet = charset;
    lf->lfPitchAndFamily = 0x22;
    lstrcpyA(lf->lfFaceName, "Arial");
}

// Builds the title, the fonts and the frame, and binds the device library.
int CreateFrameAndBind(const char* /*cmdLine*/, int show) {
    HINSTANCE inst = g_app->hInstance;
    char title[128] = "";
    LoadStringA(inst, IDS_APP_TITLE, title, sizeof title - 2);
    if (GetUserDefaultLCID() != kJapaneseLocale) {
        size_t n = std::strlen(title);
        title[n] = static_cast<char>(0xAE);
        title[n + 1] = 0;
    }
    lstrcpynA(g_app->szAppTitle, title, sizeof g_app->szAppTitle);

    HDC screen = GetDC(nullptr);
    InitArialLogFont(&g_app->fonts.lfText, screen, 1);
    if (GetUserDefaultLCID() == kJapaneseLocale) g_app->fonts.lfText.lfCharSet = SHIFTJIS_CHARSET;
    g_app->fonts.hfontText =
        CreateMeasuredFont(screen, &g_app->fonts.lfText, &g_app->fonts.cyText, &g_app->fonts.cxText);
    ReleaseDC(nullptr, screen);

    g_app->hwndFrame = CreateWindowExA(WS_EX_ACCEPTFILES, g_app->szClassNames[kClassFrame], g_app->szAppTitle,
                                       WS_OVERLAPPEDWINDOW | WS_CLIPCHILDREN, CW_USEDEFAULT, CW_USEDEFAULT,
                                       CW_USEDEFAULT, CW_USEDEFAULT, nullptr, nullptr, inst, nullptr);
    if (!g_app->hwndFrame || !g_app->hwndClient) return 0;
    SubclassScrollBarClass(1);
    g_app->frame.hAccelFrame = LoadAcceleratorsA(inst, MAKEINTRESOURCEA(IDR_FRAME_ACCELERATORS));
    if (!g_app->frame.hAccelFrame) return 0;

    HDC dc = GetDC(g_app->hwndFrame);
    g_app->fonts.lfStatus = g_app->fonts.lfText;
    g_app->fonts.hfontStatus =
        CreateMeasuredFont(dc, &g_app->fonts.lfStatus, &g_app->fonts.cyStatus, &g_app->fonts.cxStatus);
    g_app->fonts.hfontAxis = g_app->fonts.hfontText;
    InitArialLogFont(&g_app->fonts.lfVertical, dc, 0);
    g_app->fonts.lfVertical.lfEscapement = 900;
    g_app->fonts.lfVertical.lfOrientation = 900;
    g_app->fonts.hfontVertical =
        CreateMeasuredFont(dc, &g_app->fonts.lfVertical, &g_app->fonts.cyVertical, &g_app->fonts.cxVertical);
    ReleaseDC(g_app->hwndFrame, dc);

    SetDefaultFont();
    LoadWindowPlacement();
    const RECT& rc = g_app->frame.rcFrame;
    if (!IsRectEmpty(&rc)) {
        if ((show == SW_SHOW || show == SW_SHOWNORMAL) && g_app->frame.nFrameShow != 2)
            show = static_cast<int>(g_app->frame.nFrameShow);
        SetWindowPos(g_app->hwndFrame, nullptr, rc.left, rc.top, rc.right - rc.left, rc.bottom - rc.top, SWP_NOZORDER);
    }
    SetRadioCheckBitmaps();

    InitDriverCallbacks();
    BindDeviceLibrary(g_app->hwndFrame);

    // Hold the class menu (IDR_FRAME_MENU, already prepared by the frame's creation) detached
    // until the start-up lesson attaches it.
    g_app->frame.hmenuFrame = GetMenu(g_app->hwndFrame);
    if (!g_app->frame.hmenuFrame) g_app->frame.hmenuFrame = LoadMenuA(inst, MAKEINTRESOURCEA(IDR_FRAME_MENU));
    SetMenu(g_app->hwndFrame, nullptr);
    g_app->frame.bFrameMenuAttached = 0;
    LoadRecentFiles();
    UpdateRecentFilesMenu(g_app->frame.hmenuFrame);

    ShowWindow(g_app->hwndFrame, show);
    UpdateWindow(g_app->hwndFrame);
    if (show != SW_SHOWMINIMIZED && show != SW_SHOWMINNOACTIVE) ShowSplash(g_app->hwndFrame);

    SetStatusText("Initializing acquisition system...");
    if (AllocGraph(&g_app->gsClipboard, 0) < 1) return 0;
    SetStatusText(nullptr);
    InitUndoStore();
    SendMessageA(g_app->hwndClient, WM_SETREDRAW, FALSE, 0);
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_NEW, 0);
    SendMessageA(g_app->hwndClient, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(g_app->hwndClient, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);

    InitPrintSetup();
    return 1;
}

bool ParseWindowValue(const char* text, long* left, long* top, long* width, long* height, long* show) {
    long long n[5] = {};
    const char* p = text;
    for (long long& value : n) {
        char* end = nullptr;
        value = std::strtoll(p, &end, 10);  // beyond its range: the end of the range, held below
        if (end == p) return false;
        p = end;
    }
    while (*p == ' ' || *p == '\t') ++p;
    if (*p) return false;
    // Kept within a range where the edges' sums and differences cannot overflow.
    constexpr long long kFar = 1 << 29;
    *left = static_cast<long>(std::max(-kFar, std::min(n[0], kFar)));
    *top = static_cast<long>(std::max(-kFar, std::min(n[1], kFar)));
    *width = static_cast<long>(std::max(0LL, std::min(n[2], kFar)));
    *height = static_cast<long>(std::max(0LL, std::min(n[3], kFar)));
    *show = n[4] >= SW_HIDE && n[4] <= SW_MAX ? static_cast<long>(n[4]) : SW_SHOWNORMAL;
    return true;
}

RECT FitPlacementToWorkArea(const RECT& rc, const RECT& work) {
    // The caption counts as reachable while its top edge is inside the area and this much of it.
    constexpr LONG kGrip = 32;
    if (rc.right <= rc.left || rc.bottom <= rc.top || work.right <= work.left || work.bottom <= work.top) return rc;
    const bool reachable = rc.top >= work.top && rc.top < work.bottom - kGrip && rc.right - kGrip >= work.left &&
                           rc.left + kGrip <= work.right;
    if (reachable) return rc;
    const LONG width = std::min(rc.right - rc.left, work.right - work.left);
    const LONG height = std::min(rc.bottom - rc.top, work.bottom - work.top);
    const LONG left = std::max(work.left, std::min(rc.left, work.right - width));
    const LONG top = std::max(work.top, std::min(rc.top, work.bottom - height));
    return RECT{left, top, left + width, top + height};
}

// The work area of the screen nearest the rectangle.
static RECT WorkAreaNear(const RECT& rc) {
    MONITORINFO info{};
    info.cbSize = sizeof info;
    if (GetMonitorInfoA(MonitorFromRect(&rc, MONITOR_DEFAULTTONEAREST), &info)) return info.rcWork;
    RECT work{};
    SystemParametersInfoA(SPI_GETWORKAREA, 0, &work, 0);
    return work;
}

// The frame placement and picture colour settings in the INI file.
void LoadWindowPlacement() {
    if (!CIniSection(kIniSection, kIniFile).HasKeys()) SaveWindowPlacement();  // a new file gets the current values
    const CIniSection ini(kIniSection, kIniFile);
    char buf[63];
    ini.Get("Window", "0 0 0 0 1", buf, sizeof buf);
    long left = 0, top = 0, width = 0, height = 0, state = SW_SHOWNORMAL;
    if (ParseWindowValue(buf, &left, &top, &width, &height, &state)) {
        const RECT stored{left, top, left + width, top + height};
        g_app->frame.rcFrame = FitPlacementToWorkArea(stored, WorkAreaNear(stored));
        g_app->frame.nFrameShow = static_cast<uint32_t>(state);
    }
    ini.Get("Clipboard", "Mono", buf, sizeof buf);
    g_app->options.bClipboardColor = std::toupper(static_cast<unsigned char>(buf[0])) == 'C';
    ini.Get("Metafile", "Color", buf, sizeof buf);
    g_app->options.bMetafileColor = std::toupper(static_cast<unsigned char>(buf[0])) == 'C';
    LoadJournalSettings();
}

void SaveWindowPlacement() {
    char buf[80];
    const RECT& rc = g_app->frame.rcFrame;
    std::snprintf(buf, sizeof buf, "%d %d %d %d %d", static_cast<int>(rc.left), static_cast<int>(rc.top),
                  static_cast<int>(rc.right - rc.left), static_cast<int>(rc.bottom - rc.top),
                  static_cast<int>(g_app->frame.nFrameShow));
    WritePrivateProfileStringA(kIniSection, "Window", buf, kIniFile);
    WritePrivateProfileStringA(kIniSection, "Clipboard", g_app->options.bClipboardColor ? "Color" : "Mono", kIniFile);
    WritePrivateProfileStringA(kIniSection, "Metafile", g_app->options.bMetafileColor ? "Color" : "Mono", kIniFile);
    SaveJournalSettings();
}

namespace {
uint64_t g_idleStepAt = 0;       // the tick of the last idle step
uint64_t g_statementLookAt = 0;  // the tick at which a statement turn last looked at the queue
}  // namespace

void RunIdleStep() {
    if (g_app->bInIdle || !g_app->hAcq) return;
    g_app->bInIdle = 1;
    g_idleStepAt = GetTickCount64();
    DeviceIdle(g_app->hwndActiveGraph);
    g_app->bInIdle = 0;
}

// The message filters in their fixed order; the first that consumes the message ends the turn.
bool DispatchLoopMessage(MSG& msg) {
    if (msg.message == WM_QUIT) return false;
    HWND active = g_app->hwndActiveGraph;
    if (active && IsWindow(active) && g_app->hAccelMarker) {
        tagGS* gs = GetWindowGraph(active);
        if (gs && TranslateAcceleratorA(gs->hwnd, g_app->hAccelMarker, &msg)) return true;
    }
    if (msg.message == WM_TIMER && g_app->hAcq) {
        HWND readout = nullptr, values = nullptr;
        bool locked = false;
        {
            AcqLock acq(g_app->hAcq);
            if (acq) {
                locked = true;
                readout = acq->hwndElectrodeReadout;
                values = acq->run.hwndInputValues;
            }
        }
        if (locked) {
            if (msg.hwnd && (msg.hwnd == readout || msg.hwnd == values)) RunIdleStep();
            if (msg.hwnd && IsDialogMessageA(msg.hwnd, &msg)) return true;
        }
    }
    if (g_app->hwndActiveDlg && IsWindow(g_app->hwndActiveDlg) && IsDialogMessageA(g_app->hwndActiveDlg, &msg))
        return true;
    if (g_app->frame.bMenusUnlocked) {
        if (g_app->hwndClient && TranslateMDISysAccel(g_app->hwndClient, &msg)) return true;
        if (g_app->frame.hAccelFrame && TranslateAcceleratorA(g_app->hwndFrame, g_app->frame.hAccelFrame, &msg))
            return true;
    } else if (msg.message == WM_SYSCOMMAND) {
        return true;
    }
    if (active && IsWindow(active) && IsDialogMessageA(active, &msg)) return true;
    if (FindDialogMessage(&msg)) return true;
    TranslateMessage(&msg);
    DispatchMessageA(&msg);
    return true;
}

// How long an empty queue may hold the loop before the next idle step: a recording is polled
// as often as it needs, a shown readout keeps refreshing, and otherwise the library's idle work
// (unit checks, a pending restart, the lesson's "OnIdleAcquisition") ticks over slowly.
DWORD IdleWaitMs() {
    AcqLock acq(g_app->hAcq);
    if (!acq) return INFINITE;  // no acquisition: nothing to poll
    if (acq->run.running) return kRecordingPollMs;
    if (IsWindowVisible(acq->run.hwndInputValues) || IsWindowVisible(acq->hwndElectrodeReadout)) return kReadoutPollMs;
    return kQuietPollMs;
}

// The loop: every message passes the filters; a turn that finds the queue empty runs the idle
// step and then sleeps until a message comes or the idle wait runs out.
void RunMessageLoop() {
    MSG msg;
    for (;;) {
        if (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (!DispatchLoopMessage(msg)) break;
            continue;
        }
        RunIdleStep();
        // Input already seen by a nested loop (the idle step may pump) still ends the wait.
        MsgWaitForMultipleObjectsEx(0, nullptr, IdleWaitMs(), QS_ALLINPUT, MWMO_INPUTAVAILABLE);
    }
}

namespace {
// Up to kMessagesPerTurn waiting messages through the loop's filters; false when the quit
// message came (posted again, so the outer loop still ends). *dispatched tells whether any came.
bool DispatchWaitingMessages(bool* dispatched) {
    MSG msg;
    for (int i = 0; i < kMessagesPerTurn && PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE); ++i) {
        if (!DispatchLoopMessage(msg)) {
            PostQuitMessage(static_cast<int>(msg.wParam));
            return false;
        }
        *dispatched = true;
    }
    return true;
}
}  // namespace

// One turn of the loop for a lesson statement that takes long: the waiting messages through the
// same filters, then the idle step, so a recording goes on while a lesson waits.
int RunLoopTurn() {
    bool dispatched = false;
    if (!DispatchWaitingMessages(&dispatched)) return 0;
    RunIdleStep();
    return 1;
}

// A look at the queue is a request to the window server that costs as much as hundreds of
// statements, and the idle step (the unit's poll) thousands: within one tick nothing a user did
// can be missed, and the idle step is owed only when the loop would have run it, after messages
// or once the wait on an empty queue has passed (every tick while a recording runs).
int RunStatementTurn() {
    const uint64_t now = GetTickCount64();
    if (now == g_statementLookAt) return 1;
    g_statementLookAt = now;
    bool dispatched = false;
    if (!DispatchWaitingMessages(&dispatched)) return 0;
    if (dispatched || now - g_idleStepAt >= IdleWaitMs()) RunIdleStep();
    return 1;
}

// Releases what start-up made, in the reverse order that matters.
void ReleaseAppResources() {
    EndSplash();
    SaveRecentFiles();
    if (g_app->hwndVarsBrowser && IsWindow(g_app->hwndVarsBrowser)) EndDialog(g_app->hwndVarsBrowser, 0);
    if (g_app->hButtonLib) FreeLibrary(g_app->hButtonLib);
    DeleteObject(g_app->fonts.hfontText);
    DeleteObject(g_app->fonts.hfontVertical);
    DeleteObject(g_app->fonts.hfontStatus);
    if (g_app->fonts.hfontJournal) DeleteObject(g_app->fonts.hfontJournal);
    DeleteObject(g_app->bitmaps.hbmMark);
    DeleteObject(g_app->bitmaps.hbmMark0);
    for (HBITMAP bm : g_app->bitmaps.hbmButtons)
        if (bm) DeleteObject(bm);
    if (g_app->bitmaps.hbmCheck) DeleteObject(g_app->bitmaps.hbmCheck);
    DeleteAppBrushes();
    if (g_app->bitmaps.hbmLessonPrompt) DeleteObject(g_app->bitmaps.hbmLessonPrompt);
    if (g_app->gsClipboard) {
        FreeGraphRecord(g_app->gsClipboard);
        g_app->gsClipboard = nullptr;
    }
    FreePrintSetup();
    SubclassScrollBarClass(0);
    if (g_app->frame.hmenuFrame && !g_app->frame.bFrameMenuAttached) DestroyMenu(g_app->frame.hmenuFrame);
    HeapFree(GetProcessHeap(), 0, g_app);
    g_app = nullptr;
    DeviceClearBinding();
    FreeScriptResources();
}

// The frame ends start-up maximised whatever it was first shown with, so it is shown maximised
// at once: each showing lays out and repaints the frame, its client and the first graph. Shown
// minimised it stays so until then, without the splash.
int FirstFrameShow(int show) {
    switch (show) {
    case SW_SHOWMINIMIZED:
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE:
    case SW_FORCEMINIMIZE: return show;
    default: return SW_SHOWMAXIMIZED;
    }
}

int KymoraMain(HINSTANCE instance, const char* cmdLine, int show) {
    if (cmdLine && *cmdLine) return 0;
    CreateEventA(nullptr, TRUE, TRUE, "TVX LESSONS");
    g_app = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
    if (!g_app) return 0;
    InitClassNames();
    InitNotifications();
    g_app->hInstance = instance;
    InstallFaultHandlers();

    if (FindWindowA("acqframe", nullptr)) return 0;  // one instance; the running one is left alone
    if (!RegisterAppClasses()) return 0;
    if (!CreateFrameAndBind(cmdLine, FirstFrameShow(show))) return 0;

    g_app->frame.uFrameTimer = SetTimer(g_app->hwndFrame, kFrameTimerId, 500, nullptr);
    std::setlocale(LC_TIME, "");
    IdentifyProcessor();
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof path);
    char* cut = std::strrchr(path, '\\');
    char* colon = std::strrchr(path, ':');
    if (colon > cut) cut = colon;
    if (cut) *cut = 0;
    lstrcpynA(g_app->szAppFolder, path, sizeof g_app->szAppFolder);

    ShowWindow(g_app->hwndFrame, SW_SHOWMAXIMIZED);
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_WIN95_CLASSES};
    InitCommonControlsEx(&icc);
    RegisterCommandHotKeys();
    RegisterHelpMenuLabels();
    InitOutputControl();
    char lessons[MAX_PATH + 16];
    std::snprintf(lessons, sizeof lessons, "%s\\Lessons", g_app->szAppFolder);
    FillUpLessonDescriptions(lessons);
    char prompt[MAX_PATH + 32];
    std::snprintf(prompt, sizeof prompt, "%s\\Lessons\\LessonPrompt.bmp", g_app->szAppFolder);
    g_app->bitmaps.hbmLessonPrompt = LoadDibFile(prompt);
    PrepareVariablesBrowser(g_app->hInstance, g_app->hwndFrame);

    if (!StartLessons(g_app->hwndFrame, cmdLine)) {
        SendMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0);
    } else {
        RunMessageLoop();
    }
    ReleaseAppResources();
    return 0;
}
