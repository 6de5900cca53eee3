// Each button's own tooltip: its set-up, the text it is given, and its lifetime.
#include "button/tests/lumikey_test_util.h"

#include <commctrl.h>
#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace lktest;

namespace {

TTTOOLINFOA ToolOf(HWND hwndButton, char* pszText) {
    TTTOOLINFOA ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = hwndButton;
    ti.uId = 0;
    ti.lpszText = pszText;
    return ti;
}

// The pointer moves over the button, as it does before a tip can show; answers the tooltip.
HWND Hover(HWND hwndButton) {
    SendMessageA(hwndButton, WM_MOUSEMOVE, 0, MAKELPARAM(2, 2));
    return LumikeyRecord(hwndButton)->hwndTip;
}

// The text the tooltip would show, fetched through the tooltip itself.
std::string ShownText(HWND hwndButton) {
    char szText[256] = {};
    TTTOOLINFOA ti = ToolOf(hwndButton, szText);
    SendMessageA(Hover(hwndButton), TTM_GETTEXTA, sizeof(szText), reinterpret_cast<LPARAM>(&ti));
    return szText;
}

RECT ToolRect(HWND hwndButton) {
    char szText[256] = {};
    TTTOOLINFOA ti = ToolOf(hwndButton, szText);
    SendMessageA(Hover(hwndButton), TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti));
    return ti.rect;
}

bool SameRect(const RECT& a, const RECT& b) {
    return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

}  // namespace

// A tooltip is a window of its own: it is made when the pointer first moves over its button, and
// then stays with it.
TEST(LumikeyTooltip, IsMadeWhenThePointerFirstComesOverTheButton) {
    TestParent parent;
    Window button = CreateButton(parent.Get(), {"", "Zero the input", 0, 40, 30});
    EXPECT_EQ(LumikeyRecord(button.Get())->hwndTip, nullptr) << "no tooltip before the pointer comes";
    HWND hwndTip = Hover(button.Get());
    ASSERT_TRUE(IsWindow(hwndTip));
    EXPECT_EQ(Hover(button.Get()), hwndTip) << "later moves keep the one tooltip";
    EXPECT_EQ(SendMessageA(hwndTip, TTM_GETTOOLCOUNT, 0, 0), 1);
    EXPECT_EQ(ShownText(button.Get()), "Zero the input");
}

TEST(LumikeyTooltip, IsSetUpOverTheWholeButton) {
    TestParent parent;
    Window button = CreateButton(parent.Get(), {"", "Zero the input", 0, 40, 30});
    HWND hwndTip = Hover(button.Get());
    ASSERT_TRUE(IsWindow(hwndTip));

    char szClass[64] = {};
    GetClassNameA(hwndTip, szClass, sizeof(szClass));
    EXPECT_STRCASEEQ(szClass, TOOLTIPS_CLASSA);
    const LONG_PTR style = GetWindowLongPtrA(hwndTip, GWL_STYLE);
    EXPECT_EQ(style & (WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX), WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX);
    EXPECT_EQ(SendMessageA(hwndTip, TTM_GETTIPBKCOLOR, 0, 0), 0x80FFFF);
    EXPECT_EQ(SendMessageA(hwndTip, TTM_GETDELAYTIME, TTDT_INITIAL, 0), 550);
    EXPECT_EQ(SendMessageA(hwndTip, TTM_GETDELAYTIME, TTDT_AUTOPOP, 0), 5500);
    EXPECT_EQ(SendMessageA(hwndTip, TTM_GETTOOLCOUNT, 0, 0), 1);

    char szText[256] = {};
    TTTOOLINFOA ti = ToolOf(button.Get(), szText);
    ASSERT_TRUE(SendMessageA(hwndTip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti)));
    EXPECT_TRUE(ti.uFlags & TTF_SUBCLASS);
    EXPECT_TRUE(SameRect(ti.rect, RECT{0, 0, 40, 30}));
    EXPECT_EQ(ti.lpszText, LPSTR_TEXTCALLBACKA);
}

TEST(LumikeyTooltip, TextComesFromTheRecordOnDemand) {
    struct Case {
        const char* name;
        const char* tip;
        std::string shown;
    };
    const std::string longTip(70, 'L');
    const Case cases[] = {
        {"plain", "Start the sweep", "Start the sweep"},
        {"none", nullptr, ""},
        {"too long", longTip.c_str(), longTip.substr(0, 63)},
    };
    TestParent parent;
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Window button = CreateButton(parent.Get(), {"", c.tip});
        EXPECT_EQ(ShownText(button.Get()), c.shown);
        // The device library rewrites the text in place; the next request sees it.
        std::strcpy(LumikeyRecord(button.Get())->szTip, "Rewritten");
        EXPECT_EQ(ShownText(button.Get()), "Rewritten");
    }
}

TEST(LumikeyTooltip, AnswersWideRequestsAndIgnoresOtherSenders) {
    TestParent parent;
    Window button = CreateButton(parent.Get(), {"", "Hold"});
    HWND hwndTip = Hover(button.Get());

    NMTTDISPINFOW wide{};
    wide.hdr = NMHDR{hwndTip, 0, TTN_NEEDTEXTW};
    SendMessageA(button.Get(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&wide));
    ASSERT_NE(wide.lpszText, nullptr);
    EXPECT_EQ(std::wstring(wide.lpszText), L"Hold");

    NMTTDISPINFOA foreign{};
    foreign.hdr = NMHDR{parent.Get(), 0, TTN_NEEDTEXTA};
    SendMessageA(button.Get(), WM_NOTIFY, 0, reinterpret_cast<LPARAM>(&foreign));
    EXPECT_EQ(foreign.lpszText, nullptr);
}

TEST(LumikeyTooltip, ToolFollowsResize) {
    TestParent parent;
    Window button = CreateButton(parent.Get(), {"", "Resize me", 0, 40, 30});
    for (const SIZE& size : {SIZE{70, 50}, SIZE{20, 10}}) {
        SCOPED_TRACE(testing::Message() << size.cx << "x" << size.cy);
        SetWindowPos(button.Get(), nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER);
        EXPECT_TRUE(SameRect(ToolRect(button.Get()), RECT{0, 0, size.cx, size.cy}));
        EXPECT_EQ(ShownText(button.Get()), "Resize me");
    }
}

TEST(LumikeyTooltip, GoesWithItsButton) {
    TestParent parent;
    Window button = CreateButton(parent.Get(), {"", "Bye"});
    HWND hwndTip = Hover(button.Get());
    ASSERT_TRUE(IsWindow(hwndTip));
    button.Reset();
    EXPECT_FALSE(IsWindow(hwndTip));
    EXPECT_TRUE(IsWindow(parent.Get()));
}
