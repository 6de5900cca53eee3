// The splash at start-up: up on a thread of its own while start-up goes on beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>

#include "base/app.h"
#include "base/resource.h"
#include "shell/system_dialogs.h"
#include "tests/shell/shell_fixture.h"

namespace {

class SplashAtStartUp : public ::testing::Test {
protected:
    void SetUp() override { DeleteIni(); }
    void TearDown() override { ShutShell(); }
};

TEST_F(SplashAtStartUp, StartUpGoesOnWhileItShows) {
    // Held until taken down: whatever start-up did meanwhile, it did while the splash showed.
    ASSERT_TRUE(BootShell(INFINITE));
    HWND splash = SplashWindow();
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
