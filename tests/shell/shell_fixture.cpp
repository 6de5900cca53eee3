#include "shell_fixture.h"
#include "base/app.h"
#include "shell/startup.h"
#include "shell/system_dialogs.h"
#include "shell/recent_files.h"
#include "shell/commands/menus.h"
#include "base/ini_section.h"

std::string IniPath() {
    char dir[MAX_PATH];
    GetWindowsDirectoryA(dir, sizeof dir);
    return std::string(dir) + "\\" + kIniFile;
}

void DeleteIni() {
    WritePrivateProfileStringA(nullptr, nullptr, nullptr, kIniFile);  // flush the profile cache
    DeleteFileA(IniPath().c_str());
}

bool BootShell(DWORD splashHoldMs, int show) {
    SetSplashHoldMs(splashHoldMs);  // the splash has its own test; elsewhere it would lie over the windows
    SetRecentFilesKey(RecentFilesTestKey().c_str());  // test processes run side by side
    g_app = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
    if (!g_app) return false;
    InitClassNames();
    InitNotifications();
    g_app->hInstance = GetModuleHandleA(nullptr);
    if (!RegisterAppClasses()) return false;
    if (!CreateFrameAndBind("", show)) return false;
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

void ClickMiddle(HWND window) {
    RECT rc{};
    GetClientRect(window, &rc);
    const LPARAM at = MAKELPARAM(rc.right / 2, rc.bottom / 2);
    SendMessageA(window, WM_LBUTTONDOWN, MK_LBUTTON, at);
    SendMessageA(window, WM_LBUTTONUP, 0, at);
    PumpMessages();
}

void ShutShell() {
    if (!g_app) return;
    if (g_app->hwndFrame && IsWindow(g_app->hwndFrame)) DestroyWindow(g_app->hwndFrame);
    PumpMessages();
    ReleaseAppResources();
    RegDeleteTreeA(HKEY_CURRENT_USER, RecentFilesTestKey().c_str());
}

std::string RecentFilesTestKey() {
    return "Software\\Norvane\\KymoraTests\\MRU" + std::to_string(GetCurrentProcessId());
}

std::string EnterOwnFolder(const char* prefix, char* previous, size_t previousSize) {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof temp, temp);
    GetCurrentDirectoryA(static_cast<DWORD>(previousSize), previous);
    const std::string folder = std::string(temp) + prefix + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    return folder;
}
