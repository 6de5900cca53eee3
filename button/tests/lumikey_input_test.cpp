// Mouse, keyboard, focus and check handling, and what the parent hears of it.
#include "button/tests/lumikey_test_util.h"

#include <gtest/gtest.h>

#include <tuple>
#include <vector>

using namespace lktest;

namespace {

constexpr int kButtonId = 101;

struct Step {
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

Step Mouse(UINT msg, int x, int y) {
    return Step{msg, msg == WM_MOUSEMOVE ? 0u : static_cast<WPARAM>(MK_LBUTTON), Point(x, y)};
}

Step Key(UINT msg, WPARAM vk) { return Step{msg, vk, 1}; }

void Play(HWND hwnd, const std::vector<Step>& steps) {
    for (const Step& step : steps) SendMessageA(hwnd, step.msg, step.wParam, step.lParam);
}

std::uint16_t State(HWND hwnd) { return LumikeyRecord(hwnd)->wState; }

// Every WM_COMMAND the parent got must name this button as BN_CLICKED.
void ExpectClicksFrom(const TestParent& parent, HWND hwndButton) {
    for (const Received& r : parent.received) {
        if (r.msg != WM_COMMAND) continue;
        EXPECT_EQ(r.hwnd, parent.Get());
        EXPECT_EQ(r.wParam, static_cast<WPARAM>(MAKEWPARAM(kButtonId, 0)));
        EXPECT_EQ(r.lParam, reinterpret_cast<LPARAM>(hwndButton));
    }
}

}  // namespace

TEST(LumikeyClick, GesturesReportClicksOnlyWhenReleasedInside) {
    struct Gesture {
        const char* name;
        std::vector<Step> steps;
        int clicks;
    };
    // The button is 40 x 40; (40, 20) is the first column outside it.
    const Gesture gestures[] = {
        {"click", {Mouse(WM_LBUTTONDOWN, 20, 20), Mouse(WM_LBUTTONUP, 20, 20)}, 1},
        {"release outside",
         {Mouse(WM_LBUTTONDOWN, 20, 20), Mouse(WM_MOUSEMOVE, 60, 20), Mouse(WM_LBUTTONUP, 60, 20)},
         0},
        {"release just past the edge",
         {Mouse(WM_LBUTTONDOWN, 20, 20), Mouse(WM_MOUSEMOVE, 40, 20), Mouse(WM_LBUTTONUP, 40, 20)},
         0},
        {"release above left",
         {Mouse(WM_LBUTTONDOWN, 20, 20), Mouse(WM_MOUSEMOVE, -5, -5), Mouse(WM_LBUTTONUP, -5, -5)},
         0},
        {"drag out and back in",
         {Mouse(WM_LBUTTONDOWN, 20, 20), Mouse(WM_MOUSEMOVE, 60, 20), Mouse(WM_MOUSEMOVE, 39, 39),
          Mouse(WM_LBUTTONUP, 39, 39)},
         1},
        {"release without press", {Mouse(WM_LBUTTONUP, 20, 20)}, 0},
        {"double click",
         {Mouse(WM_LBUTTONDOWN, 5, 5), Mouse(WM_LBUTTONUP, 5, 5), Mouse(WM_LBUTTONDBLCLK, 5, 5),
          Mouse(WM_LBUTTONUP, 5, 5)},
         2},
        {"cancelled", {Mouse(WM_LBUTTONDOWN, 20, 20), Step{WM_CANCELMODE, 0, 0}, Mouse(WM_LBUTTONUP, 20, 20)}, 0},
        {"space bar", {Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYUP, VK_SPACE)}, 1},
        {"space held down", {Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYUP, VK_SPACE)}, 1},
        {"space released twice", {Key(WM_KEYDOWN, VK_SPACE), Key(WM_KEYUP, VK_SPACE), Key(WM_KEYUP, VK_SPACE)}, 1},
        {"space release alone", {Key(WM_KEYUP, VK_SPACE)}, 0},
        {"other keys",
         {Key(WM_KEYDOWN, VK_RETURN), Key(WM_KEYUP, VK_RETURN), Key(WM_KEYDOWN, 'A'), Key(WM_KEYUP, 'A')},
         0},
    };
    for (const Gesture& g : gestures) {
        SCOPED_TRACE(g.name);
        TestParent parent;
        Window button = CreateButton(parent.Get());
        HWND hwnd = button.Get();
        Play(hwnd, g.steps);
        EXPECT_EQ(parent.Count(WM_COMMAND), g.clicks);
        ExpectClicksFrom(parent, hwnd);
        EXPECT_EQ(State(hwnd) & (LKST_PRESSED | LKST_OUTSIDE), 0);
        EXPECT_NE(GetCapture(), hwnd);
    }
}

TEST(LumikeyClick, PressTakesFocusAndCaptureAndTracksThePointer) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    HWND hwnd = button.Get();

    SendMessageA(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, Point(20, 20));
    EXPECT_EQ(GetFocus(), hwnd);
    EXPECT_EQ(GetCapture(), hwnd);
    EXPECT_EQ(State(hwnd) & (LKST_PRESSED | LKST_OUTSIDE | LKST_FOCUS), LKST_PRESSED | LKST_FOCUS);

    SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Point(20, 45));
    EXPECT_EQ(State(hwnd) & (LKST_PRESSED | LKST_OUTSIDE), LKST_PRESSED | LKST_OUTSIDE);
    SendMessageA(hwnd, WM_MOUSEMOVE, MK_LBUTTON, Point(0, 0));
    EXPECT_EQ(State(hwnd) & (LKST_PRESSED | LKST_OUTSIDE), LKST_PRESSED);

    SendMessageA(hwnd, WM_LBUTTONUP, 0, Point(0, 0));
    EXPECT_EQ(GetCapture(), nullptr);
    EXPECT_EQ(parent.Count(WM_COMMAND), 1);
}

TEST(LumikeyClick, ClickGoesToTheParentTheButtonWasCreatedWith) {
    TestParent first;
    TestParent second;
    Window button = CreateButton(first.Get());
    HWND hwnd = button.Get();
    SetParent(hwnd, second.Get());
    Play(hwnd, {Mouse(WM_LBUTTONDOWN, 20, 20), Mouse(WM_LBUTTONUP, 20, 20)});
    EXPECT_EQ(first.Count(WM_COMMAND), 1);
    EXPECT_EQ(second.Count(WM_COMMAND), 0);
}

TEST(LumikeyHover, EveryMoveNotifiesTheParentPressedOrNot) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    HWND hwnd = button.Get();
    const std::vector<Step> steps = {
        Mouse(WM_MOUSEMOVE, 5, 5),   Mouse(WM_MOUSEMOVE, 6, 5),   Mouse(WM_LBUTTONDOWN, 6, 5),
        Mouse(WM_MOUSEMOVE, 60, 5),  Mouse(WM_MOUSEMOVE, 61, 5),  Mouse(WM_MOUSEMOVE, 20, 20),
        Mouse(WM_LBUTTONUP, 20, 20), Mouse(WM_MOUSEMOVE, 21, 20),
    };
    Play(hwnd, steps);
    EXPECT_EQ(parent.Count(LKN_MOUSEMOVE), 6);
    for (const Received& r : parent.received) {
        if (r.msg == LKN_MOUSEMOVE) {
            EXPECT_EQ(r.wParam, reinterpret_cast<WPARAM>(hwnd));
        }
    }
    // The moves arrive before the click they lead up to.
    ASSERT_EQ(parent.received.size(), 7u);
    EXPECT_EQ(parent.received[5].msg, static_cast<UINT>(WM_COMMAND));
}

TEST(LumikeyState, FocusEnableAndCheckFollowTheirMessages) {
    struct Case {
        const char* name;
        void (*act)(HWND hwndButton, HWND hwndParent);
        std::uint16_t wBit;
        bool fSet;
    };
    const Case cases[] = {
        {"focus", [](HWND b, HWND) { SetFocus(b); }, LKST_FOCUS, true},
        {"focus lost",
         [](HWND b, HWND p) {
             SetFocus(b);
             SetFocus(p);
         },
         LKST_FOCUS, false},
        {"disable", [](HWND b, HWND) { EnableWindow(b, FALSE); }, LKST_DISABLED, true},
        {"enable again",
         [](HWND b, HWND) {
             EnableWindow(b, FALSE);
             EnableWindow(b, TRUE);
         },
         LKST_DISABLED, false},
        {"check", [](HWND b, HWND) { SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0); }, LKST_CHECKED, true},
        {"indeterminate counts as checked", [](HWND b, HWND) { SendMessageA(b, BM_SETCHECK, BST_INDETERMINATE, 0); },
         LKST_CHECKED, true},
        {"uncheck",
         [](HWND b, HWND) {
             SendMessageA(b, BM_SETCHECK, BST_CHECKED, 0);
             SendMessageA(b, BM_SETCHECK, BST_UNCHECKED, 0);
         },
         LKST_CHECKED, false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        TestParent parent;
        Window button = CreateButton(parent.Get());
        HWND hwnd = button.Get();
        c.act(hwnd, parent.Get());
        EXPECT_EQ((State(hwnd) & c.wBit) != 0, c.fSet);
        if (c.wBit == LKST_CHECKED) {
            EXPECT_EQ(SendMessageA(hwnd, BM_GETCHECK, 0, 0), c.fSet ? BST_CHECKED : BST_UNCHECKED);
        }
    }
}

TEST(LumikeyState, AnswersDialogCodeOfAButton) {
    TestParent parent;
    Window button = CreateButton(parent.Get());
    EXPECT_EQ(SendMessageA(button.Get(), WM_GETDLGCODE, 0, 0), DLGC_BUTTON);
}

namespace {

INT_PTR CALLBACK PlainDialogProc(HWND, UINT msg, WPARAM, LPARAM) { return msg == WM_INITDIALOG; }

}  // namespace

// A dialog reads the button's check through the system calls every caller uses.
TEST(LumikeyDialog, CheckReadsAsCheckedThroughTheDialogCalls) {
    constexpr WORD kLumikeyId = 310;
    DialogTemplate tmpl(WS_POPUP | WS_VISIBLE, 100, 60);
    tmpl.AddItem(L"LumikeyButton", L"Mode", WS_CHILD | WS_VISIBLE | WS_TABSTOP, kLumikeyId, 10, 10, 40, 20);
    Window dialog(CreateDialogIndirectParamA(GetModuleHandleA(nullptr), tmpl.Get(), nullptr, PlainDialogProc, 0));
    ASSERT_NE(dialog.Get(), nullptr);
    HWND hwndLumikey = GetDlgItem(dialog.Get(), kLumikeyId);
    ASSERT_NE(hwndLumikey, nullptr);

    EXPECT_EQ(IsDlgButtonChecked(dialog.Get(), kLumikeyId), static_cast<UINT>(BST_UNCHECKED));
    ASSERT_TRUE(CheckDlgButton(dialog.Get(), kLumikeyId, BST_CHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog.Get(), kLumikeyId), static_cast<UINT>(BST_CHECKED));
    EXPECT_NE(State(hwndLumikey) & LKST_CHECKED, 0) << "drawn sunken while checked";
    ASSERT_TRUE(CheckDlgButton(dialog.Get(), kLumikeyId, BST_UNCHECKED));
    EXPECT_EQ(IsDlgButtonChecked(dialog.Get(), kLumikeyId), static_cast<UINT>(BST_UNCHECKED));
}

namespace {

struct DialogCase {
    const char* name;
    WORD idDefault;
    bool fProcHandlesHover;
};

struct DialogLog {
    const DialogCase* pcase;
    std::vector<WPARAM> hovers;
};

INT_PTR CALLBACK HoverDialogProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        return TRUE;
    }
    auto* log = reinterpret_cast<DialogLog*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (msg == LKN_MOUSEMOVE && log && log->pcase->fProcHandlesHover) {
        log->hovers.push_back(wParam);
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    return FALSE;
}

}  // namespace

TEST(LumikeyDialog, HoverLeavesTheDefaultButtonAlone) {
    constexpr WORD kLumikeyId = 300;
    const DialogCase cases[] = {
        {"dialog that handles the notification", IDOK, true},
        {"dialog that leaves it to the dialog manager", IDOK, false},
        {"default other than OK, left to the dialog manager", IDCANCEL, false},
    };
    for (const DialogCase& c : cases) {
        SCOPED_TRACE(c.name);
        // The Lumikey button comes first so it takes the initial focus; a focused push button would
        // make itself the default.
        DialogTemplate tmpl(WS_POPUP | WS_VISIBLE, 160, 80);
        tmpl.AddItem(L"LumikeyButton", L"Hover", WS_CHILD | WS_VISIBLE | WS_TABSTOP, kLumikeyId, 10, 30, 40, 40);
        for (const auto& [id, pszText, x] : {std::tuple{IDOK, L"OK", 10}, std::tuple{IDCANCEL, L"Cancel", 70}}) {
            const DWORD type = id == c.idDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
            tmpl.AddButtonItem(pszText, WS_CHILD | WS_VISIBLE | WS_TABSTOP | type, static_cast<WORD>(id),
                               static_cast<short>(x), 10, 50, 14);
        }
        DialogLog log{&c, {}};
        Window dialog(CreateDialogIndirectParamA(GetModuleHandleA(nullptr), tmpl.Get(), nullptr, HoverDialogProc,
                                                 reinterpret_cast<LPARAM>(&log)));
        ASSERT_NE(dialog.Get(), nullptr);
        HWND hwndLumikey = GetDlgItem(dialog.Get(), kLumikeyId);
        ASSERT_NE(hwndLumikey, nullptr);
        const LRESULT lDefBefore = SendMessageA(dialog.Get(), DM_GETDEFID, 0, 0);
        EXPECT_EQ(lDefBefore, MAKELONG(c.idDefault, DC_HASDEFID));

        for (int x : {5, 6, 7}) SendMessageA(hwndLumikey, WM_MOUSEMOVE, 0, Point(x, 5));

        EXPECT_EQ(SendMessageA(dialog.Get(), DM_GETDEFID, 0, 0), lDefBefore);
        for (int id : {IDOK, IDCANCEL}) {
            const LONG_PTR type = GetWindowLongPtrA(GetDlgItem(dialog.Get(), id), GWL_STYLE) & BS_TYPEMASK;
            EXPECT_EQ(type, id == c.idDefault ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON) << "button " << id;
        }
        const std::vector<WPARAM> expectedHovers =
            c.fProcHandlesHover ? std::vector<WPARAM>(3, reinterpret_cast<WPARAM>(hwndLumikey)) : std::vector<WPARAM>{};
        EXPECT_EQ(log.hovers, expectedHovers);
    }
}
