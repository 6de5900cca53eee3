// The splash at start-up: up on a thread of its own while start-up goes on beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/app.h"
#include "shell/shell_ids.h"
#include "shell/startup.h"
#include "shell/system_dialogs.h"
#include "shell/commands/menus.h"
#include "tests/shell/shell_fixture.h"

namespace {

class SplashAtStartUp : public ::testing::Test {
protected:
    void SetUp() override { DeleteIni(); }
    void TearDown() override {
        ShutShell();
        SetSplashGate(nullptr);
    }
};

// The splash once its thread has made it, answering this thread's messages meanwhile; null if it
// never comes within a long bound (not a timing: it normally comes at once).
HWND AwaitSplash() {
    for (int waits = 0; waits < 1500 && !SplashWindow(); ++waits) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    return SplashWindow();
}

TEST_F(SplashAtStartUp, StartUpGoesOnWhileItShows) {
    // Held until taken down: whatever start-up did meanwhile, it did while the splash showed.
    ASSERT_TRUE(BootShell(INFINITE));
    HWND splash = AwaitSplash();
    ASSERT_TRUE(IsWindow(splash));
    EXPECT_TRUE(IsWindowVisible(splash));
    char cls[32] = "";
    GetClassNameA(splash, cls, sizeof cls);
    EXPECT_STREQ(cls, "acqsplash");
    EXPECT_NE(GetWindowThreadProcessId(splash, nullptr), GetCurrentThreadId()) << "a thread of its own";

    EXPECT_TRUE(IsWindowVisible(g_app->hwndFrame));
    EXPECT_TRUE(IsWindow(g_app->hwndActiveGraph)) << "the first graph came while the splash showed";
    EXPECT_TRUE(GetMenu(g_app->hwndFrame));

    // Its picture, centred on the screen; the splash answers at once, though it stays up.
    HWND picture = GetDlgItem(splash, IDC_SPLASH_PICTURE);
    ASSERT_TRUE(picture);
    DWORD_PTR image = 0;
    ASSERT_TRUE(SendMessageTimeoutA(picture, STM_GETIMAGE, IMAGE_BITMAP, 0, SMTO_BLOCK, 30000, &image));
    EXPECT_NE(image, 0u);
    RECT rc;
    GetWindowRect(splash, &rc);
    EXPECT_NEAR((rc.left + rc.right) / 2, GetSystemMetrics(SM_CXSCREEN) / 2, 1);
    EXPECT_NEAR((rc.top + rc.bottom) / 2, GetSystemMetrics(SM_CYSCREEN) / 2, 1);

    EndSplash();
    EXPECT_FALSE(IsWindow(splash));
    EXPECT_EQ(SplashWindow(), nullptr);
}

// Start-up does not wait for the splash's window: with the splash thread held before it makes
// it, start-up still finishes, and the splash comes once the thread goes on.
TEST_F(SplashAtStartUp, StartUpDoesNotWaitForItsWindow) {
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(gate);
    SetSplashGate(gate);
    ASSERT_TRUE(BootShell(INFINITE));
    EXPECT_EQ(SplashWindow(), nullptr) << "start-up waited for the splash window";
    EXPECT_TRUE(IsWindowVisible(g_app->hwndFrame));
    EXPECT_TRUE(IsWindow(g_app->hwndActiveGraph));
    EXPECT_TRUE(GetMenu(g_app->hwndFrame));

    SetEvent(gate);
    HWND splash = AwaitSplash();
    ASSERT_TRUE(IsWindow(splash));
    EXPECT_TRUE(IsWindowVisible(splash));
    EndSplash();
    EXPECT_FALSE(IsWindow(splash));
    CloseHandle(gate);
}

// The splash comes over the ready frame: not while the frame still lacks its menu, at once after.
TEST_F(SplashAtStartUp, ComesOnceTheFrameHasItsMenu) {
    SetSplashHoldMs(INFINITE);
    g_app = static_cast<stApp*>(HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(stApp)));
    ASSERT_TRUE(g_app);
    InitClassNames();
    InitNotifications();
    g_app->hInstance = GetModuleHandleA(nullptr);
    ASSERT_TRUE(RegisterAppClasses());
    ASSERT_TRUE(CreateFrameAndBind("", SW_SHOWNORMAL));
    ASSERT_FALSE(GetMenu(g_app->hwndFrame));
    // Bounded turns of the loop: a splash made early would be up well within them.
    for (int turn = 0; turn < 25 && !SplashWindow(); ++turn) {
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
        PumpMessages();
    }
    EXPECT_EQ(SplashWindow(), nullptr) << "the splash came before the frame had its menu";
    AttachFrameMenu();
    HWND splash = AwaitSplash();
    ASSERT_TRUE(IsWindow(splash));
    EXPECT_TRUE(IsWindowVisible(splash));
    EndSplash();
}

// Taken down while its thread is still held: no window ever comes and shut-down does not hang.
TEST_F(SplashAtStartUp, EndedBeforeItsWindowCame) {
    HANDLE gate = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    ASSERT_TRUE(gate);
    SetSplashGate(gate);
    ASSERT_TRUE(BootShell(INFINITE));
    EndSplash();
    EXPECT_EQ(SplashWindow(), nullptr);
    EXPECT_EQ(FindWindowA("acqsplash", nullptr), nullptr);
    CloseHandle(gate);
}

// Nothing takes it down here: a splash that stayed would keep its window past the long bound.
TEST_F(SplashAtStartUp, GoesByItselfAfterItsHold) {
    ASSERT_TRUE(BootShell(50));
    for (int waits = 0; waits < 1500 && SplashWindow(); ++waits) Sleep(20);  // a long bound, not a timing
    EXPECT_EQ(SplashWindow(), nullptr);
    EXPECT_TRUE(IsWindow(g_app->hwndFrame));
}

TEST_F(SplashAtStartUp, AMinimisedStartShowsNone) {
    ASSERT_TRUE(BootShell(INFINITE, SW_SHOWMINNOACTIVE));
    EXPECT_EQ(SplashWindow(), nullptr);
    EXPECT_TRUE(IsIconic(g_app->hwndFrame));
}

}  // namespace
