// Records every message box the code under test shows on this thread (and answers it with OK).
#include "tests/shell/box_capture.h"
#include <algorithm>

// Wine also tells a thread's CBT hook of windows that other programs activate: only this
// thread's own windows are the test's.
static bool OwnThreadWindow(HWND window) { return GetWindowThreadProcessId(window, nullptr) == GetCurrentThreadId(); }

namespace {
BoxCapture* g_capture = nullptr;
HHOOK g_hook = nullptr;

LRESULT CALLBACK CbtProc(int code, WPARAM wParam, LPARAM lParam) {
    if (code == HCBT_ACTIVATE && g_capture && OwnThreadWindow(reinterpret_cast<HWND>(wParam))) {
        HWND box = reinterpret_cast<HWND>(wParam);
        char cls[16] = "";
        GetClassNameA(box, cls, sizeof cls);
        auto& seen = g_capture->seen;
        char caption[256] = "";
        GetWindowTextA(box, caption, sizeof caption);
        const bool wanted = (g_capture->caption.empty() || g_capture->caption == caption) &&
                            (g_capture->leaveAlone.empty() || g_capture->leaveAlone != caption);
        if (wanted && lstrcmpA(cls, "#32770") == 0 && std::find(seen.begin(), seen.end(), box) == seen.end()) {
            seen.push_back(box);
            char text[1024] = "";
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            g_capture->boxes.push_back({caption, text});
            const UINT answer = g_capture->choose ? g_capture->choose(g_capture->boxes.back()) : g_capture->answer;
            PostMessageA(box, WM_COMMAND, answer, 0);
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
