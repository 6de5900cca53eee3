// CenterWindowOnScreen.
#include <gtest/gtest.h>

#include <vector>

#include "controls/window_center.h"

namespace {
// Keeps the flags of every position change the window is asked for.
std::vector<UINT> g_posFlags;
WNDPROC g_staticProc;
LRESULT CALLBACK RecordPosChanges(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_WINDOWPOSCHANGING) g_posFlags.push_back(reinterpret_cast<WINDOWPOS*>(lParam)->flags);
    return CallWindowProcA(g_staticProc, hwnd, msg, wParam, lParam);
}
}  // namespace

TEST(ControlsCenterWindow, CentresOrPinsToTopLeft) {
    const int sw = GetSystemMetrics(SM_CXSCREEN), sh = GetSystemMetrics(SM_CYSCREEN);
    struct Row {
        int width, height, left, top;
    };
    const Row rows[] = {
        {300, 200, (sw - 300) / 2, (sh - 200) / 2},
        {301, 199, (sw - 301) / 2, (sh - 199) / 2},
        {sw + 500, sh + 400, 0, 0},
        {sw + 500, 100, 0, (sh - 100) / 2},
        {200, sh + 1, (sw - 200) / 2, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.width << "x" << row.height);
        HWND hwnd = CreateWindowExA(0, "STATIC", "", WS_POPUP | WS_VISIBLE, 7, 9, row.width, row.height, nullptr,
                                    nullptr, nullptr, nullptr);
        ASSERT_NE(hwnd, nullptr);
        RECT before;
        GetWindowRect(hwnd, &before);
        ASSERT_EQ(before.right - before.left, row.width);
        ASSERT_EQ(before.bottom - before.top, row.height);
        g_staticProc = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&RecordPosChanges)));
        g_posFlags.clear();
        CenterWindowOnScreen(hwnd);
        RECT after;
        GetWindowRect(hwnd, &after);
        EXPECT_EQ(after.left, row.left);
        EXPECT_EQ(after.top, row.top);
        EXPECT_EQ(after.right - after.left, row.width);
        EXPECT_EQ(after.bottom - after.top, row.height);
        // Size, z-order and activation are left alone.
        ASSERT_FALSE(g_posFlags.empty());
        for (UINT flags : g_posFlags)
            EXPECT_EQ(flags & (SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE),
                      UINT(SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE));
        SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_staticProc));
        DestroyWindow(hwnd);
    }
}
