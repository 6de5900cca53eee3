// The thread-timer driver of modal dialogs in tests.
#include "devlib/tests/dialog_driver.h"

#include <set>
#include <vector>

namespace vk40test {

namespace {

std::function<void(HWND)> g_onDialog;
std::set<HWND> g_seen;

BOOL CALLBACK CollectDialog(HWND window, LPARAM out) {
    char cls[16] = "";
    GetClassNameA(window, cls, sizeof(cls));
    if (lstrcmpA(cls, "#32770") == 0 && IsWindowVisible(window))
        reinterpret_cast<std::vector<HWND>*>(out)->push_back(window);
    return TRUE;
}

void CALLBACK OnTimer(HWND, UINT, UINT_PTR, DWORD) {
    std::vector<HWND> dialogs;
    EnumThreadWindows(GetCurrentThreadId(), CollectDialog, reinterpret_cast<LPARAM>(&dialogs));
    for (HWND dlg : dialogs) {
        if (!g_seen.insert(dlg).second) continue;
        if (g_onDialog) g_onDialog(dlg);
        return;  // one dialog a tick: the handler may have opened or closed others
    }
}

}  // namespace

void WithDialogs(const std::function<void(HWND)>& onDialog, const std::function<void()>& run) {
    g_onDialog = onDialog;
    g_seen.clear();
    const UINT_PTR timer = SetTimer(nullptr, 0, 20, OnTimer);
    run();
    KillTimer(nullptr, timer);
    g_onDialog = nullptr;
}

std::string WindowText(HWND window) {
    char text[1024] = "";
    GetWindowTextA(window, text, sizeof(text));
    return text;
}

std::string ItemText(HWND dlg, int id) { return WindowText(GetDlgItem(dlg, id)); }

std::string MessageBoxText(HWND box) {
    std::string longest;
    for (HWND child = GetWindow(box, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        char cls[16] = "";
        GetClassNameA(child, cls, sizeof(cls));
        const std::string text = WindowText(child);
        if (lstrcmpiA(cls, "Static") == 0 && text.size() > longest.size()) longest = text;
    }
    return longest;
}

void SendClick(HWND dlg, int id) {
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}

}  // namespace vk40test
