// The program as a user starts it: exit codes, the single instance, the frame after start-up.
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include "process_util.h"

namespace {

using kymora_test::Process;

std::string IniValue(const char* key) {
    char buf[128] = "";
    GetPrivateProfileStringA("Wavemind", key, "<none>", buf, sizeof buf, "NORVANE.INI");
    return buf;
}

TEST(Program, AnyArgumentEndsAtOnceWithZero) {
    for (const char* args : {"x", "/?", "file.acq"}) {
        Process p(args);
        ASSERT_TRUE(p.started);
        EXPECT_EQ(p.Wait(30000), 0) << args;
    }
}

TEST(Program, StartsMaximisedAndClosesCleanly) {
    Process p;
    ASSERT_TRUE(p.started);
    HWND frame = p.Frame();
    ASSERT_TRUE(frame);
    char title[160] = "";
    GetWindowTextA(frame, title, sizeof title);
    EXPECT_EQ(std::string(title), std::string("Norvane Tessaly") + static_cast<char>(0xAE));
    EXPECT_TRUE(IsZoomed(frame));
    HWND client = FindWindowExA(frame, nullptr, "MDIClient", nullptr);
    ASSERT_TRUE(client);
    EXPECT_TRUE(FindWindowExA(client, nullptr, "acqchild", nullptr));
    EXPECT_TRUE(FindWindowExA(frame, nullptr, "acqToolbar", nullptr));
    HANDLE ev = OpenEventA(SYNCHRONIZE, FALSE, "TVX LESSONS");
    EXPECT_TRUE(ev);
    if (ev) CloseHandle(ev);
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(p.Wait(30000), 0);
    int v[5];
    ASSERT_EQ(std::sscanf(IniValue("Window").c_str(), "%d %d %d %d %d", &v[0], &v[1], &v[2], &v[3], &v[4]), 5);
    EXPECT_EQ(v[4], 3);  // closed while maximised
}

TEST(Program, SecondStartLeavesTheFirstUntouched) {
    Process first;
    ASSERT_TRUE(first.started);
    HWND frame = first.Frame();
    ASSERT_TRUE(frame);
    ShowWindow(frame, SW_MINIMIZE);
    Process second;
    ASSERT_TRUE(second.started);
    EXPECT_EQ(second.Wait(30000), 0);
    EXPECT_TRUE(IsWindow(frame));
    EXPECT_TRUE(IsIconic(frame));  // not restored, not focused
    EXPECT_EQ(first.Wait(0), -1);  // still running
    PostMessageA(frame, WM_CLOSE, 0, 0);
    EXPECT_EQ(first.Wait(30000), 0);
}

}  // namespace
