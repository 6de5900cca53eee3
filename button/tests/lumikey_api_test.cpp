// The class, the exports, the private messages and the per-button record.
#include "button/tests/lumikey_test_util.h"

#include "button/tests/lumikey_test_res.h"

#include <gtest/gtest.h>

#include <string>

using namespace lktest;

namespace {

constexpr COLORREF kRed = RGB(255, 0, 0);
constexpr COLORREF kBlue = RGB(0, 0, 255);

bool BitmapAlive(HBITMAP hbm) {
    BITMAP bm{};
    return GetObjectA(hbm, sizeof(bm), &bm) != 0;
}

}  // namespace

TEST(LumikeyLibrary, RegistersGlobalClassOnLoad) {
    WNDCLASSEXA wc{};
    wc.cbSize = sizeof(wc);
    // Found through this program's instance: the class is global.
    ASSERT_TRUE(GetClassInfoExA(GetModuleHandleA(nullptr), LUMIKEY_CLASSNAME, &wc));
    EXPECT_EQ(wc.style, static_cast<UINT>(CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW));
    EXPECT_EQ(wc.cbWndExtra, static_cast<int>(sizeof(void*)));
    EXPECT_EQ(wc.hbrBackground, reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1));
    EXPECT_EQ(wc.hCursor, LoadCursor(nullptr, IDC_ARROW));
    EXPECT_EQ(wc.hIcon, nullptr);
    EXPECT_EQ(wc.lpszMenuName, nullptr);
}

TEST(LumikeyLibrary, ExportsCarryPlainNames) {
    HMODULE hmod = GetModuleHandleA("Lumikey.dll");
    ASSERT_NE(hmod, nullptr);
    for (const char* pszName :
         {"LKLoadBitmaps", "LKSetBitmaps", "LKSetEnableBitmap", "LKSetDisableBitmap", "LKGetEnableBitmap",
          "LKGetDisableBitmap", "LKSetAutoDelete", "LKGetAutoDelete", "LKColorChange"}) {
        EXPECT_NE(GetProcAddress(hmod, pszName), nullptr) << pszName;
    }
}

TEST(LumikeyCreate, RecordHoldsCreationState) {
    TestParent parent;
    Window button = CreateButton(parent.Get(), {"Run", "Start the run", LKS_BITMAPONLY});
    ASSERT_NE(button.Get(), nullptr);
    const tagLUMIKEY* plk = LumikeyRecord(button.Get());
    ASSERT_NE(plk, nullptr);
    EXPECT_EQ(plk->hwndParent, parent.Get());
    EXPECT_EQ(plk->dwStyle, static_cast<std::uint32_t>(WS_CHILD | WS_VISIBLE | LKS_BITMAPONLY));
    EXPECT_EQ(plk->wState, 0);
    EXPECT_STREQ(plk->szCaption, "Run");
    EXPECT_STREQ(plk->szTip, "Start the run");
    EXPECT_EQ(plk->hbmEnable, nullptr);
    EXPECT_EQ(plk->hbmDisable, nullptr);
    EXPECT_EQ(plk->dwAutoDelete, 0u);
    EXPECT_EQ(plk->hwndTip, nullptr) << "the tooltip waits for the pointer";
}

TEST(LumikeyCreate, CaptionAndTipAreCutToTheirFields) {
    struct Case {
        size_t cchCaption;
        size_t cchTip;
        size_t cchCaptionKept;
        size_t cchTipKept;
    };
    const Case cases[] = {
        {0, 0, 0, 0},
        {65, 63, 65, 63},
        {66, 64, 65, 63},
        {300, 300, 65, 63},
    };
    TestParent parent;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "caption " << c.cchCaption << ", tip " << c.cchTip);
        const std::string caption(c.cchCaption, 'c');
        const std::string tip(c.cchTip, 't');
        Window button = CreateButton(parent.Get(), {caption.c_str(), tip.c_str()});
        const tagLUMIKEY* plk = LumikeyRecord(button.Get());
        ASSERT_NE(plk, nullptr);
        EXPECT_EQ(std::string(plk->szCaption), caption.substr(0, c.cchCaptionKept));
        EXPECT_EQ(std::string(plk->szTip), tip.substr(0, c.cchTipKept));
    }
}

TEST(LumikeyCreate, SetTextReplacesCaption) {
    TestParent parent;
    Window button = CreateButton(parent.Get(), {"Old"});
    const std::string longText(80, 'x');
    for (const std::string& text : {std::string("New"), longText, std::string()}) {
        SCOPED_TRACE(text);
        EXPECT_TRUE(SetWindowTextA(button.Get(), text.c_str()));
        EXPECT_EQ(std::string(LumikeyRecord(button.Get())->szCaption), text.substr(0, 65));
        char szWindowText[128] = {};
        GetWindowTextA(button.Get(), szWindowText, sizeof(szWindowText));
        EXPECT_EQ(std::string(szWindowText), text);
    }
}

TEST(LumikeyCreate, StateFollowsShowAndCreationDisabled) {
    TestParent parent;
    Window shown = CreateButton(parent.Get());
    ShowWindow(shown.Get(), SW_HIDE);
    EXPECT_EQ(LumikeyRecord(shown.Get())->wState & LKST_HIDDEN, LKST_HIDDEN);
    ShowWindow(shown.Get(), SW_SHOW);
    EXPECT_EQ(LumikeyRecord(shown.Get())->wState & LKST_HIDDEN, 0);

    Window disabled = CreateButton(parent.Get(), {"", nullptr, WS_DISABLED});
    EXPECT_EQ(LumikeyRecord(disabled.Get())->wState & LKST_DISABLED, LKST_DISABLED);
}

TEST(LumikeyBitmaps, SetAnswersPreviousAndGetReadsBack) {
    struct Slot {
        const char* name;
        UINT msgSet;
        UINT msgGet;
        UINT msgGetOther;
    };
    const Slot slots[] = {
        {"enabled", LKM_SETENABLEBITMAP, LKM_GETENABLEBITMAP, LKM_GETDISABLEBITMAP},
        {"disabled", LKM_SETDISABLEBITMAP, LKM_GETDISABLEBITMAP, LKM_GETENABLEBITMAP},
    };
    TestParent parent;
    Bitmap first = MakeSolidBitmap(4, 4, kRed);
    Bitmap second = MakeSolidBitmap(4, 4, kBlue);
    for (const Slot& slot : slots) {
        SCOPED_TRACE(slot.name);
        Window button = CreateButton(parent.Get());
        HWND hwnd = button.Get();
        const auto wFirst = reinterpret_cast<WPARAM>(first.Get());
        const auto wSecond = reinterpret_cast<WPARAM>(second.Get());
        EXPECT_EQ(SendMessageA(hwnd, slot.msgSet, wFirst, 0), 0);
        EXPECT_EQ(SendMessageA(hwnd, slot.msgGet, 0, 0), static_cast<LRESULT>(wFirst));
        EXPECT_EQ(SendMessageA(hwnd, slot.msgSet, wSecond, 0), static_cast<LRESULT>(wFirst));
        EXPECT_EQ(SendMessageA(hwnd, slot.msgGet, 0, 0), static_cast<LRESULT>(wSecond));
        EXPECT_EQ(SendMessageA(hwnd, slot.msgGetOther, 0, 0), 0);
    }
}

TEST(LumikeyBitmaps, ExportsActThroughTheMessages) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    HWND hwnd = button.Get();
    Bitmap a = MakeSolidBitmap(4, 4, kRed);
    Bitmap b = MakeSolidBitmap(4, 4, kBlue);
    Bitmap c = MakeSolidBitmap(4, 4, kRed);

    EXPECT_EQ(LKSetBitmaps(hwnd, a.Get(), b.Get()), TRUE);
    EXPECT_EQ(LKGetEnableBitmap(hwnd), a.Get());
    EXPECT_EQ(LKGetDisableBitmap(hwnd), b.Get());
    EXPECT_EQ(LKSetEnableBitmap(hwnd, c.Get()), a.Get());
    EXPECT_EQ(LKSetDisableBitmap(hwnd, nullptr), b.Get());
    EXPECT_EQ(SendMessageA(hwnd, LKM_GETENABLEBITMAP, 0, 0), reinterpret_cast<LRESULT>(c.Get()));
    EXPECT_EQ(SendMessageA(hwnd, LKM_GETDISABLEBITMAP, 0, 0), 0);
}

TEST(LumikeyBitmaps, AutoDeleteFlagRoundTripsInSixteenBits) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    HWND hwnd = button.Get();
    EXPECT_EQ(LKGetAutoDelete(hwnd), 0);
    EXPECT_EQ(LKSetAutoDelete(hwnd, 0x12345), 0);
    EXPECT_EQ(LKGetAutoDelete(hwnd), 0x2345);
    EXPECT_EQ(SendMessageA(hwnd, LKM_SETAUTODELETE, 1, 0), 0x2345);
    EXPECT_EQ(SendMessageA(hwnd, LKM_GETAUTODELETE, 0, 0), 1);
    EXPECT_EQ(LumikeyRecord(hwnd)->dwAutoDelete, 1u);
}

TEST(LumikeyBitmaps, MessagesPastTheRangeAnswerZeroAndChangeNothing) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    HWND hwnd = button.Get();
    Bitmap bitmap = MakeSolidBitmap(4, 4, kRed);
    LKSetEnableBitmap(hwnd, bitmap.Get());
    LKSetAutoDelete(hwnd, 0);
    for (UINT msg : {1131u, 1200u, static_cast<UINT>(WM_APP), 0xC123u}) {
        SCOPED_TRACE(msg);
        EXPECT_EQ(SendMessageA(hwnd, msg, reinterpret_cast<WPARAM>(hwnd), 1), 0);
    }
    EXPECT_EQ(LKGetEnableBitmap(hwnd), bitmap.Get());
    EXPECT_EQ(LKGetAutoDelete(hwnd), 0);
}

TEST(LumikeyBitmaps, DestroyDeletesBitmapsOnlyWithAutoDelete) {
    struct Case {
        std::uint32_t fAutoDelete;
        bool fSameBitmapTwice;
        bool fAliveAfter;
    };
    const Case cases[] = {{0, false, true}, {1, false, false}, {0x10000, false, false}, {1, true, false}};
    TestParent parent;
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "auto-delete " << c.fAutoDelete << ", same twice " << c.fSameBitmapTwice);
        Bitmap enable = MakeSolidBitmap(8, 8, kRed);
        Bitmap disable = MakeSolidBitmap(8, 8, kBlue);
        Window button = CreateButton(parent.Get());
        LKSetBitmaps(button.Get(), enable.Get(), c.fSameBitmapTwice ? enable.Get() : disable.Get());
        LKSetAutoDelete(button.Get(), c.fAutoDelete);
        button.Reset();
        EXPECT_EQ(BitmapAlive(enable.Get()), c.fAliveAfter);
        EXPECT_EQ(BitmapAlive(disable.Get()), c.fAliveAfter || c.fSameBitmapTwice);
        if (!c.fAliveAfter) enable.Release();
        if (!c.fAliveAfter && !c.fSameBitmapTwice) disable.Release();
    }
}

TEST(LumikeyBitmaps, LoadBitmapsReadsNamedResourcesAndSkipsNullNames) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    HWND hwnd = button.Get();
    LKSetAutoDelete(hwnd, 1);
    HINSTANCE hinst = GetModuleHandleA(nullptr);

    EXPECT_EQ(LKLoadBitmaps(hwnd, hinst, "GLYPH", nullptr), TRUE);
    HBITMAP hbmEnable = LKGetEnableBitmap(hwnd);
    BITMAP bm{};
    ASSERT_TRUE(GetObjectA(hbmEnable, sizeof(bm), &bm));
    EXPECT_EQ(bm.bmWidth, 16);
    EXPECT_EQ(bm.bmHeight, 15);
    EXPECT_EQ(LKGetDisableBitmap(hwnd), nullptr);

    EXPECT_EQ(LKLoadBitmaps(hwnd, hinst, nullptr, MAKEINTRESOURCEA(IDB_GLYPH)), TRUE);
    EXPECT_EQ(LKGetEnableBitmap(hwnd), hbmEnable);
    EXPECT_TRUE(GetObjectA(LKGetDisableBitmap(hwnd), sizeof(bm), &bm));
    EXPECT_NE(LKGetDisableBitmap(hwnd), hbmEnable);

    // The loaded glyph shows: red on the left of the centre, blue on the right.
    UpdateWindow(hwnd);
    const Image image = Render(hwnd);
    EXPECT_EQ(image.At(15, 15), kRed);
    EXPECT_EQ(image.At(24, 15), kBlue);
}

TEST(LumikeyBitmaps, NewBitmapWaitsForTheCallersRepaint) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    HWND hwnd = button.Get();
    Bitmap red = MakeSolidBitmap(10, 10, kRed);
    Bitmap blue = MakeSolidBitmap(10, 10, kBlue);
    LKSetEnableBitmap(hwnd, red.Get());
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    ASSERT_EQ(Capture(hwnd).At(19, 19), kRed);

    LKSetEnableBitmap(hwnd, blue.Get());
    LKSetDisableBitmap(hwnd, red.Get());
    LKSetAutoDelete(hwnd, 0);
    EXPECT_FALSE(GetUpdateRect(hwnd, nullptr, FALSE));
    EXPECT_EQ(Capture(hwnd).At(19, 19), kRed);

    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
    EXPECT_EQ(Capture(hwnd).At(19, 19), kBlue);
}
