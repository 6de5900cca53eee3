#include "shell_fixture.h"
#include "base/app.h"
#include "shell/startup.h"
#include "shell/commands/menus.h"
#include <algorithm>

std::string IniPath() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\NORVANE.INI";
}

void DeleteIni() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, "NORVANE.INI");  // flush the profile cache
    DeleteFileA(IniPath().c_str());
}

bool BootShell() {
    g_app = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
    if (!g_app) return false;
    InitClassNames();
    InitNotifications();
    g_app->hInstance = GetModuleHandleA(nullptr);
    if (!RegisterAppClasses()) return false;
    if (!CreateFrameAndBind("", SW_SHOWNORMAL)) return false;
    AttachFrameMenu();
    PumpMessages();
    return true;
}

void PumpMessages() {
    MSG msg;
    while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
        if (msg.message == WM_QUIT) continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
}

void ShutShell() {
    if (!g_app) return;
    if (g_app->hwndFrame && IsWindow(g_app->hwndFrame)) DestroyWindow(g_app->hwndFrame);
    PumpMessages();
    ReleaseAppResources();
}

namespace {
BoxCapture* g_capture = nullptr;
HHOOK g_hook = nullptr;

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_capture) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char cls[16] = "";
        GetClassNameA(box, cls, sizeof cls);
        auto& seen = g_capture->seen;
        if (lstrcmpA(cls, "#32770") == 0 && std::find(seen.begin(), seen.end(), box) == seen.end()) {
            seen.push_back(box);
            char caption[256] = "", text[1024] = "";
            GetWindowTextA(box, caption, sizeof caption);
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            g_capture->boxes.push_back({caption, text});
            PostMessageA(box, WM_COMMAND, IDOK, 0);
        }
    }
    return CallNextHookEx(g_hook, code, wParam, lParam);
}
}  // namespace

BoxCapture::BoxCapture() {
    g_capture = this;
    g_hook = SetWindowsHookExA(WH_CBT, CbtProc, nullptr, GetCurrentThreadId());
}

BoxCapture::~BoxCapture() {
    UnhookWindowsHookEx(g_hook);
    g_capture = nullptr;
}
