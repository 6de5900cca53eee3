// CTVXDlg through the library's export: messages to handlers, modal and modeless life, the
// host's active-dialog entry and Lumikey hover notices inside a dialog.
#include <gtest/gtest.h>

#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "button/lumikey.h"
#include "devlib/services/tvx_dlg.h"
#include "devlib/vk40.h"
#include "devlib/tests/vk40_dialog_test_res.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

constexpr int kActiveDialogSlot = 15;
std::vector<HWND> g_activeDialogs;  // what the library passed to host entry 15

void* WINAPI RecordActiveDialog(HWND dlg) {
    g_activeDialogs.push_back(dlg);
    return nullptr;
}

std::string Fmt(const char* format, ...) __attribute__((format(printf, 1, 2)));
std::string Fmt(const char* format, ...) {
    char buf[160];
    va_list args;
    va_start(args, format);
    vsnprintf(buf, sizeof(buf), format, args);
    va_end(args);
    return buf;
}

// Records every handler call with its arguments; ends a modal run as told.
class CRecordingDlg : public CTVXDlg {
public:
    std::vector<std::string> calls;
    int endOnOk = -1;         // OnCommand(IDOK) ends the dialog with this result
    unsigned endOnTimer = 0;  // OnTimer of this id ends the dialog with endResult
    int endResult = 0;
    bool postOkOnInit = false;
    HWND initWindow = nullptr;

    int OnInitDialog(HWND, LPARAM param) override {
        initWindow = m_hWnd;
        calls.push_back(Fmt("Init %d", param == reinterpret_cast<LPARAM>(this)));
        if (postOkOnInit) PostMessageA(m_hWnd, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
        if (endOnTimer) SetTimer(m_hWnd, endOnTimer, 1, nullptr);
        return 1;
    }
    int OnCommand(int id, HWND control, unsigned code) override {
        calls.push_back(Fmt("Command %d %p %u", id, static_cast<void*>(control), code));
        if (id == IDOK && endOnOk >= 0) EndDialog(endOnOk);
        return 1;
    }
    int OnNotify(int id, LPARAM header) override {
        auto* hdr = reinterpret_cast<const NMHDR*>(header);
        calls.push_back(Fmt("Notify %d %u", id, hdr->code));
        return 1;
    }
    int OnVScroll(HWND bar, unsigned code, int pos) override {
        calls.push_back(Fmt("VScroll %p %u %d", static_cast<void*>(bar), code, pos));
        return 1;
    }
    int OnHScroll(HWND bar, unsigned code, int pos) override {
        calls.push_back(Fmt("HScroll %p %u %d", static_cast<void*>(bar), code, pos));
        return 1;
    }
    int OnInitMenuPopup(HMENU menu, unsigned index, int sys) override {
        calls.push_back(Fmt("InitMenuPopup %p %u %d", static_cast<void*>(menu), index, sys));
        return 1;
    }
    int OnContextMenu(HWND wnd, unsigned x, unsigned y) override {
        calls.push_back(Fmt("ContextMenu %p %u %u", static_cast<void*>(wnd), x, y));
        return 1;
    }
    int OnMenuSelect(HMENU menu, int item, HMENU popup, unsigned flags) override {
        calls.push_back(Fmt("MenuSelect %p %d %p %d", static_cast<void*>(menu), item, static_cast<void*>(popup),
                            static_cast<int>(flags)));
        return 1;
    }
    int OnAppMsg(unsigned message, WPARAM wParam, LPARAM lParam) override {
        calls.push_back(
            Fmt("App %#x %llu %lld", message, static_cast<unsigned long long>(wParam), static_cast<long long>(lParam)));
        return 1;
    }
    int OnTimer(unsigned id) override {
        if (endOnTimer && id == endOnTimer) {
            KillTimer(m_hWnd, id);
            EndDialog(endResult);
        }
        calls.push_back(Fmt("Timer %u", id));
        return 1;
    }
    int OnShowWindow(int shown, unsigned status) override {
        calls.push_back(Fmt("Show %d %u", shown, status));
        return 0;
    }
    int OnActivate(unsigned state, HWND other, int minimised) override {
        calls.push_back(Fmt("Activate %u %p %d", state, static_cast<void*>(other), minimised));
        return 0;
    }
    int OnDestroy() override {
        calls.push_back("Destroy");
        return 0;
    }

    bool Called(const std::string& call) const {
        for (const std::string& c : calls) {
            if (c == call) return true;
        }
        return false;
    }
};

class VK40Dialog : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(LoadLibraryA("Lumikey.dll"), nullptr);
        Recorder() = stHostRecorder{};
        g_activeDialogs.clear();
        frame = CreateFrameWithMenu();
        ASSERT_NE(frame, nullptr);
        host = MakeRecordingHost(nullptr);
        void* slots[kHostCallbackSlots];
        memcpy(slots, &host, sizeof(host));
        slots[kActiveDialogSlot] = reinterpret_cast<void*>(&RecordActiveDialog);
        memcpy(&host, slots, sizeof(host));
        vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1);
        module = GetModuleHandleA(nullptr);
    }

    void TearDown() override {
        if (ops.shutdownDriver) ops.shutdownDriver();
        DestroyWindow(frame);
    }

    HWND frame = nullptr;
    stHostCallbacks host = {};
    stDriverOps ops = {};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    HINSTANCE module = nullptr;
};

TEST_F(VK40Dialog, MessagesReachTheirHandlersWithTheirArguments) {
    CRecordingDlg dlg;
    ASSERT_EQ(dlg.Create(module, IDD_TEST_PANEL, frame, 0), 1);
    HWND hwnd = dlg.m_hWnd;
    ASSERT_NE(hwnd, nullptr);
    EXPECT_EQ(dlg.calls.front(), "Init 1");
    EXPECT_EQ(reinterpret_cast<CTVXDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER)), &dlg);

    HWND edit = dlg.GetDlgItem(IDC_TEST_EDIT);
    ASSERT_NE(edit, nullptr);
    HMENU menu = CreateMenu();
    HMENU popup = CreatePopupMenu();
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(popup), "File");
    AppendMenuA(menu, MF_STRING, 77, "Item");
    NMHDR hdr = {edit, IDC_TEST_EDIT, 0xFFFFFFF0u};
    void* e = static_cast<void*>(edit);
    void* m = static_cast<void*>(menu);

    struct Case {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
        std::string expected;  // empty: no handler call
    } const cases[] = {
        {WM_COMMAND, MAKEWPARAM(1234, EN_CHANGE), reinterpret_cast<LPARAM>(edit),
         Fmt("Command 1234 %p %u", e, EN_CHANGE)},
        {WM_NOTIFY, IDC_TEST_EDIT, reinterpret_cast<LPARAM>(&hdr), Fmt("Notify %d %u", IDC_TEST_EDIT, 0xFFFFFFF0u)},
        {WM_TIMER, 42, 0, "Timer 42"},
        {0x8000, 1, 2, "App 0x8000 1 2"},
        {0x8001, 3, -4, "App 0x8001 3 -4"},
        {0xBFFF, 5, 6, "App 0xbfff 5 6"},
        {0xC000, 7, 8, ""},
        {WM_HSCROLL, MAKEWPARAM(SB_THUMBTRACK, static_cast<WORD>(-5)), reinterpret_cast<LPARAM>(edit),
         Fmt("HScroll %p %u -5", e, SB_THUMBTRACK)},
        {WM_VSCROLL, MAKEWPARAM(SB_THUMBPOSITION, 300), 0,
         Fmt("VScroll %p %u 300", static_cast<void*>(nullptr), SB_THUMBPOSITION)},
        {WM_CONTEXTMENU, reinterpret_cast<WPARAM>(edit), MAKELPARAM(120, 45), Fmt("ContextMenu %p 120 45", e)},
        {WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu), MAKELPARAM(2, 1), Fmt("InitMenuPopup %p 2 1", m)},
        {WM_MENUSELECT, MAKEWPARAM(77, MF_STRING | MF_HILITE), reinterpret_cast<LPARAM>(menu),
         Fmt("MenuSelect %p 77 %p %d", m, static_cast<void*>(nullptr), static_cast<int>(MF_HILITE))},
        {WM_MENUSELECT, MAKEWPARAM(0, MF_POPUP | MF_HILITE), reinterpret_cast<LPARAM>(menu),
         Fmt("MenuSelect %p 0 %p %d", m, static_cast<void*>(popup), static_cast<int>(MF_POPUP | MF_HILITE))},
        {WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0,
         Fmt("MenuSelect %p 0 %p -1", static_cast<void*>(nullptr), static_cast<void*>(nullptr))},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(Fmt("message %#x", c.message));
        dlg.calls.clear();
        SendMessageA(hwnd, c.message, c.wParam, c.lParam);
        if (c.expected.empty()) {
            EXPECT_TRUE(dlg.calls.empty());
        } else {
            ASSERT_EQ(dlg.calls.size(), 1u);
            EXPECT_EQ(dlg.calls[0], c.expected);
        }
    }
    DestroyMenu(menu);

    dlg.calls.clear();
    EXPECT_TRUE(dlg.DestroyWindow());
    EXPECT_TRUE(dlg.Called("Destroy"));
    EXPECT_EQ(dlg.m_hWnd, nullptr);
}

TEST_F(VK40Dialog, ModelessPanelLivesUntilDestroyedAndIsMadeOnce) {
    CRecordingDlg dlg;
    ASSERT_EQ(dlg.Create(module, IDD_TEST_PANEL, frame, 0), 1);
    HWND first = dlg.m_hWnd;
    EXPECT_EQ(dlg.GetId(), IDD_TEST_PANEL);
    EXPECT_EQ(dlg.m_hParent, frame);
    EXPECT_FALSE(dlg.IsWindowVisible());
    dlg.Show();
    EXPECT_TRUE(dlg.IsWindowVisible());
    EXPECT_TRUE(dlg.Called("Show 1 0"));

    dlg.calls.clear();
    EXPECT_EQ(dlg.Create(module, frame, 0), 1);
    EXPECT_EQ(dlg.m_hWnd, first);
    EXPECT_TRUE(dlg.calls.empty());

    RECT r = {}, expected = {};
    EXPECT_TRUE(dlg.GetRect(&r));
    GetWindowRect(first, &expected);
    EXPECT_TRUE(EqualRect(&r, &expected));
    EXPECT_GT(r.right - r.left, 0);

    char text[] = "1.25";
    char back[16] = {};
    EXPECT_TRUE(dlg.SetDlgItemTextA(IDC_TEST_EDIT, text));
    EXPECT_EQ(dlg.GetDlgItemTextA(IDC_TEST_EDIT, back, sizeof(back)), 4);
    EXPECT_STREQ(back, "1.25");

    dlg.Enable(0);
    EXPECT_FALSE(dlg.IsWindowEnabled());
    dlg.Enable(1);
    EXPECT_TRUE(dlg.IsWindowEnabled());
    dlg.Hide();
    EXPECT_FALSE(dlg.IsWindowVisible());
}

TEST_F(VK40Dialog, DestructionDestroysARemainingWindow) {
    HWND hwnd = nullptr;
    {
        CTVXDlg dlg;
        ASSERT_EQ(dlg.Create(module, IDD_TEST_PANEL, frame, 0), 1);
        hwnd = dlg.m_hWnd;
        EXPECT_TRUE(IsWindow(hwnd));
    }
    EXPECT_FALSE(IsWindow(hwnd));
}

TEST_F(VK40Dialog, MissingTemplateLeavesNoWindow) {
    for (int modal : {0, 1}) {
        SCOPED_TRACE(modal);
        CRecordingDlg dlg;
        EXPECT_EQ(dlg.Create(module, IDD_MISSING, frame, modal), 0);
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_TRUE(dlg.calls.empty());
    }
}

TEST_F(VK40Dialog, ModalRunEndsFromAPostedCommandOrATimer) {
    struct Case {
        const char* name;
        bool byCommand;
        int result;
        int expectedReturn;
    } const cases[] = {
        {"command, result 7", true, 7, 1},
        {"command, result 0", true, 0, 0},
        {"timer, result 3", false, 3, 1},
        {"timer, result -1", false, -1, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CRecordingDlg dlg;
        if (c.byCommand) {
            dlg.postOkOnInit = true;
            dlg.endOnOk = c.result;
        } else {
            dlg.endOnTimer = 9;
            dlg.endResult = c.result;
        }
        EXPECT_EQ(dlg.Create(module, IDD_TEST_PANEL, frame, 1), c.expectedReturn);
        EXPECT_EQ(dlg.m_modalResult, c.result);
        EXPECT_NE(dlg.initWindow, nullptr);
        EXPECT_FALSE(IsWindow(dlg.initWindow));
        EXPECT_EQ(dlg.m_hWnd, nullptr);
        EXPECT_TRUE(dlg.Called(c.byCommand ? Fmt("Command %d %p %u", IDOK, static_cast<void*>(nullptr), BN_CLICKED)
                                           : std::string("Timer 9")));
    }
}

TEST_F(VK40Dialog, ActivationTellsTheHostTheActivePanel) {
    CRecordingDlg dlg;
    ASSERT_EQ(dlg.Create(module, IDD_TEST_PANEL, frame, 0), 1);
    HWND hwnd = dlg.m_hWnd;
    g_activeDialogs.clear();
    dlg.calls.clear();

    SendMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, 0), reinterpret_cast<LPARAM>(frame));
    SendMessageA(hwnd, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, 1), reinterpret_cast<LPARAM>(frame));

    EXPECT_EQ(g_activeDialogs, (std::vector<HWND>{hwnd, nullptr}));
    std::vector<std::string> activations;
    for (const std::string& c : dlg.calls) {
        if (c.rfind("Activate", 0) == 0) activations.push_back(c);
    }
    void* f = static_cast<void*>(frame);
    EXPECT_EQ(activations, (std::vector<std::string>{Fmt("Activate %u %p 0", WA_ACTIVE, f),
                                                     Fmt("Activate %u %p 1", WA_INACTIVE, f)}));
    EXPECT_EQ(Recorder().unexpectedCalls, 0);
}

TEST_F(VK40Dialog, LumikeyHoverKeepsTheDefaultButton) {
    CRecordingDlg dlg;
    ASSERT_EQ(dlg.Create(module, IDD_TEST_PANEL, frame, 0), 1);
    HWND hwnd = dlg.m_hWnd;
    dlg.Show();
    HWND lk = CreateWindowExA(0, LUMIKEY_CLASSNAME, "Go", WS_CHILD | WS_VISIBLE | LKS_TEXTONLY, 130, 10, 60, 20, hwnd,
                              reinterpret_cast<HMENU>(50), nullptr, const_cast<char*>("Go tip"));
    ASSERT_NE(lk, nullptr);
    ASSERT_EQ(LOWORD(SendMessageA(hwnd, DM_GETDEFID, 0, 0)), IDOK);

    // The button's own hover notice, then a plain DM_SETDEFID, which must still work.
    SendMessageA(lk, WM_MOUSEMOVE, 0, MAKELPARAM(5, 5));
    EXPECT_EQ(LOWORD(SendMessageA(hwnd, DM_GETDEFID, 0, 0)), IDOK);
    SendMessageA(hwnd, LKN_MOUSEMOVE, reinterpret_cast<WPARAM>(lk), 0);
    EXPECT_EQ(LOWORD(SendMessageA(hwnd, DM_GETDEFID, 0, 0)), IDOK);

    SendMessageA(hwnd, DM_SETDEFID, IDCANCEL, 0);
    EXPECT_EQ(LOWORD(SendMessageA(hwnd, DM_GETDEFID, 0, 0)), IDCANCEL);
}

}  // namespace
