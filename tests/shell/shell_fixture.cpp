#include "shell_fixture.h"
#include "base/app.h"
#include "shell/startup.h"
#include "shell/commands/menus.h"

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
