// Loading and unloading Lumikey.dll by name, as a host that does not link it.
#include <windows.h>

#include <gtest/gtest.h>

namespace {

constexpr char kClass[] = "LumikeyButton";

bool ClassRegistered() {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    return GetClassInfoExA(GetModuleHandleA(nullptr), kClass, &wc) != 0;
}

// Creates and destroys one button; true when the class made a window.
bool ButtonCreates() {
    HWND hwnd = CreateWindowExA(0, kClass, "Probe", WS_POPUP, 0, 0, 40, 40, nullptr, nullptr, GetModuleHandleA(nullptr),
                                nullptr);
    if (!hwnd) return false;
    DestroyWindow(hwnd);
    return true;
}

}  // namespace

TEST(LumikeyLoad, ClassLivesAsLongAsTheLibrary) {
    ASSERT_FALSE(ClassRegistered());
    for (int round = 0; round < 2; ++round) {
        SCOPED_TRACE(round);
        HMODULE hmod = LoadLibraryA("Lumikey.dll");
        ASSERT_NE(hmod, nullptr) << GetLastError();
        EXPECT_TRUE(ClassRegistered());
        EXPECT_TRUE(ButtonCreates());
        EXPECT_NE(GetProcAddress(hmod, "LKSetEnableBitmap"), nullptr);
        ASSERT_TRUE(FreeLibrary(hmod));
        EXPECT_EQ(GetModuleHandleA("Lumikey.dll"), nullptr);
        EXPECT_FALSE(ClassRegistered());
    }
}
