// The splash screen and the processor description.
#include "shell/system_dialogs.h"
#include "base/app.h"
#include "shell/shell_ids.h"
#include "base/system_queries.h"
#include "controls/window_center.h"
#include <atomic>

namespace {

constexpr char kSplashClass[] = "acqsplash";
constexpr SIZE_T kSplashStack = 1024;  // the first commit; the stack grows as it needs

struct stSplash {
    HANDLE thread;
    HANDLE stop;   // set by EndSplash
    HANDLE ready;  // set once the frame is up with its menu
    HANDLE gate;   // when set (tests), the thread waits for it before making its window
    HINSTANCE instance;
    DWORD holdMs = kSplashHoldMs;
    std::atomic<HWND> window{nullptr};
};
stSplash g_splash;

INT_PTR CALLBACK SplashProc(HWND dlg, UINT msg, WPARAM, LPARAM) {
    if (msg != WM_INITDIALOG) return FALSE;
    CenterWindowOnScreen(dlg);
    return TRUE;
}

// The splash keeps its own messages flowing, so a message sent to it from the main thread never
// waits for its hold time; it ends at the hold time or when asked to.
void HoldSplash(HANDLE stop, DWORD holdMs) {
    const ULONGLONG end = GetTickCount64() + holdMs;
    for (;;) {
        DWORD wait = INFINITE;
        if (holdMs != INFINITE) {
            const ULONGLONG now = GetTickCount64();
            if (now >= end) return;
            wait = static_cast<DWORD>(end - now);
        }
        const DWORD woke = MsgWaitForMultipleObjects(1, &stop, FALSE, wait, QS_ALLINPUT);
        if (woke != WAIT_OBJECT_0 + 1) return;  // asked to end, timed out, or failed
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&msg);
    }
}

// A held gate is waited for at most this long, so that a start-up that waited for the window
// would still come back, late and with the splash already up.
constexpr DWORD kGateLimitMs = 10000;

DWORD WINAPI SplashThread(void*) {
    const HANDLE readyOrStop[2] = {g_splash.ready, g_splash.stop};
    if (WaitForMultipleObjects(2, readyOrStop, FALSE, INFINITE) != WAIT_OBJECT_0) return 0;
    if (g_splash.gate) {
        const HANDLE either[2] = {g_splash.gate, g_splash.stop};
        if (WaitForMultipleObjects(2, either, FALSE, kGateLimitMs) == WAIT_OBJECT_0 + 1) return 0;
    }
    HWND dlg = CreateDialogParamA(g_splash.instance, MAKEINTRESOURCEA(IDD_SPLASH), nullptr, SplashProc, 0);
    if (dlg) {
        ShowWindow(dlg, SW_SHOWNOACTIVATE);
        UpdateWindow(dlg);
    }
    g_splash.window = dlg;
    if (!dlg) return 0;
    HoldSplash(g_splash.stop, g_splash.holdMs);
    g_splash.window = nullptr;
    DestroyWindow(dlg);
    return 0;
}

// The dialog class of the splash: the system's dialog procedure under a name of its own.
bool RegisterSplashClass(HINSTANCE instance) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof wc;
    if (GetClassInfoExA(instance, kSplashClass, &wc)) return true;
    wc.cbSize = sizeof wc;
    wc.lpfnWndProc = DefDlgProcA;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hInstance = instance;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kSplashClass;
    return RegisterClassExA(&wc) != 0;
}

}  // namespace

void SetSplashHoldMs(DWORD ms) { g_splash.holdMs = ms; }

HWND SplashWindow() { return g_splash.window; }

void SetSplashGate(HANDLE gate) { g_splash.gate = gate; }

// Start-up does not wait for the splash: making its window costs the window system as much as
// the frame's first graph, so its thread waits until the frame is up with its menu, and the
// splash then shows over the ready frame for its hold time.
void ShowSplash(HWND) {
    if (g_splash.thread || g_splash.holdMs == 0 || !g_app) return;
    g_splash.instance = g_app->hInstance;
    if (!RegisterSplashClass(g_splash.instance)) return;
    g_splash.stop = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    g_splash.ready = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (g_splash.stop && g_splash.ready)
        g_splash.thread = CreateThread(nullptr, kSplashStack, SplashThread, nullptr, 0, nullptr);
    if (!g_splash.thread) EndSplash();
}

void FrameReadyForSplash() {
    if (g_splash.ready) SetEvent(g_splash.ready);
}

// Messages the splash's making or taking down sends to this thread's windows are answered while
// its thread is waited for, or the two would wait on each other.
void EndSplash() {
    if (g_splash.stop) SetEvent(g_splash.stop);
    if (g_splash.thread) {
        while (MsgWaitForMultipleObjects(1, &g_splash.thread, FALSE, INFINITE, QS_SENDMESSAGE) == WAIT_OBJECT_0 + 1) {
            MSG msg;
            PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE | PM_QS_SENDMESSAGE);
        }
        CloseHandle(g_splash.thread);
    }
    if (g_splash.stop) CloseHandle(g_splash.stop);
    if (g_splash.ready) CloseHandle(g_splash.ready);
    g_splash.thread = g_splash.stop = g_splash.ready = nullptr;
    g_splash.window = nullptr;
}

namespace {
bool g_processorPending = false;
}  // namespace

// Only System Information shows the description, and the clock measurement spins for tens of
// milliseconds at the highest priority: start-up only asks for it, and the first reader measures.
void IdentifyProcessor() {
    g_cpu = stProcessorInfo{};
    g_processorPending = true;
}

void AwaitProcessorInfo() {
    if (!g_processorPending) return;
    g_processorPending = false;
    g_cpu.nCpuMHz =
        GetProcessorInfo(&g_cpu.nCpuVendor, g_cpu.szCpuVendor, &g_cpu.nCpuModel, &g_cpu.nCpuType, g_cpu.szCpuBrand);
}
