// The "acqPopup" button as a user meets it: items, choices, clicks, the menu and the drawing.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "common/tagGS.h"
#include "base/app.h"
#include "base/lesson.h"
#include "controls/popup_button.h"
#include "controls/tests/controls_test_support.h"
#include "controls/tests/dib32.h"

using testsupport::Fakes;
using testsupport::kFaceColor;
using testsupport::PumpMessages;
using testsupport::TestParent;

namespace {

constexpr int kButtonId = 33;
constexpr int kWidth = 120, kHeight = 24;
constexpr stColor16 kFrame{0, 0, 255};
constexpr COLORREF kFrameColor = RGB(0, 0, 255);
constexpr COLORREF kSentinel = RGB(255, 0, 255);

class ControlsPopupButton : public testing::Test {
protected:
    void SetUp() override { testsupport::ResetFakes(); }
    void TearDown() override { PumpMessages(); }

    // A button at the parent's origin, so that the stored rectangle is also its client area.
    void CreateButton(PopupButton& b, const char* menu = nullptr, int autoWidth = 0) {
        const RECT rc{0, 0, kWidth, kHeight};
        ASSERT_EQ(b.Create(parent.hwnd(), &rc, kButtonId, menu, autoWidth), 1);
    }
    static void AppendItems(PopupButton& b, int count) {
        for (int i = 0; i < count; ++i) ASSERT_EQ(b.AppendItem(("Ch" + std::to_string(i + 1)).c_str(), i), 1);
    }
    static bool IsChecked(HMENU menu, UINT id) {
        const UINT state = GetMenuState(menu, id, MF_BYCOMMAND);
        return state != UINT(-1) && (state & MF_CHECKED);
    }
    static std::string ItemText(HMENU menu, UINT pos) {
        char text[128] = "";
        GetMenuStringA(menu, pos, text, sizeof text, MF_BYPOSITION);
        return text;
    }

    TestParent parent;
};

// A 32-bit DIB section that the button draws into; pixels read straight from memory.
class Canvas {
public:
    Canvas(int width, int height) : m_width(width), m_height(height) {
        m_dc = CreateCompatibleDC(nullptr);
        m_bmp = CreateTopDownDib32(m_dc, width, height, reinterpret_cast<void**>(&m_bits));
        m_old = SelectObject(m_dc, m_bmp);
        HBRUSH sentinel = CreateSolidBrush(kSentinel);
        RECT all{0, 0, width, height};
        FillRect(m_dc, &all, sentinel);
        DeleteObject(sentinel);
        GdiFlush();
    }
    ~Canvas() {
        SelectObject(m_dc, m_old);
        DeleteObject(m_bmp);
        DeleteDC(m_dc);
    }
    HDC dc() const { return m_dc; }
    COLORREF At(int x, int y) const {
        GdiFlush();
        const uint32_t px = m_bits[size_t(y) * m_width + x];
        return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
    }

private:
    int m_width, m_height;
    HDC m_dc;
    HBITMAP m_bmp;
    HGDIOBJ m_old;
    uint32_t* m_bits = nullptr;
};

// Where the outline in the frame colour runs, for a face of (2, 2) - (W-2, H-2).
bool OnOutline(int x, int y) {
    const int l = 2, t = 2, r = kWidth - 2, b = kHeight - 2;
    const bool vertical = (x == l || x == r) && y >= t - 1 && y <= b - 1;
    const bool horizontal = (y == t - 1 || y == b - 1) && x >= l && x <= r;
    return vertical || horizontal;
}

// The raised 3-D edge just outside the face: highlight along the top and left, shadow along the
// bottom and right; what it should show at (x, y), or the sentinel where it does not run.
COLORREF EdgeColor(int x, int y) {
    const int r = kWidth - 1, b = kHeight - 1;
    if ((x == 0 && y >= 1) || (y == 0 && x < r)) return GetSysColor(COLOR_BTNHIGHLIGHT);
    if ((y == b && x >= 1) || (x == r && y >= 1)) return GetSysColor(COLOR_BTNSHADOW);
    return kSentinel;
}
bool OnEdge(int x, int y) { return x == 0 || y == 0 || x == kWidth - 1 || y == kHeight - 1; }

struct PixelCounts {
    int face = 0, frame = 0, edge = 0, sentinel = 0, other = 0, otherOutsideFace = 0;
};

PixelCounts Classify(const Canvas& c) {
    PixelCounts n;
    for (int y = 0; y < kHeight; ++y)
        for (int x = 0; x < kWidth; ++x) {
            const COLORREF px = c.At(x, y);
            const bool inFace = x > 2 && x < kWidth - 2 && y >= 2 && y < kHeight - 3;
            if (OnOutline(x, y)) {
                EXPECT_EQ(px, kFrameColor) << "outline at " << x << "," << y;
                ++n.frame;
            } else if (inFace) {
                if (px == kFaceColor)
                    ++n.face;
                else
                    ++n.other;
            } else if (OnEdge(x, y) && px != kSentinel) {
                EXPECT_EQ(px, EdgeColor(x, y)) << "3-D edge at " << x << "," << y;
                ++n.edge;
            } else if (px == kSentinel) {
                ++n.sentinel;
            } else {
                ++n.otherOutsideFace;
            }
        }
    return n;
}

// Follows a menu that the button opens: presses keys in it once it is up, and notes where it is.
struct MenuDriver {
    static MenuDriver* s_active;
    WNDPROC original = nullptr;
    HWND button = nullptr;
    std::vector<WPARAM> keys;
    int popups = 0;
    HMENU shown = nullptr;
    RECT menuRect{};

    MenuDriver(HWND hwnd, std::vector<WPARAM> keysToPress) : button(hwnd), keys(std::move(keysToPress)) {
        s_active = this;
        original = reinterpret_cast<WNDPROC>(
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&MenuDriver::Proc)));
    }
    ~MenuDriver() {
        if (IsWindow(button)) SetWindowLongPtrA(button, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        s_active = nullptr;
    }
    static BOOL CALLBACK FindMenuWindow(HWND hwnd, LPARAM out) {
        char cls[16] = "";
        GetClassNameA(hwnd, cls, sizeof cls);
        if (std::strcmp(cls, "#32768") == 0 && IsWindowVisible(hwnd)) {
            *reinterpret_cast<HWND*>(out) = hwnd;
            return FALSE;
        }
        return TRUE;
    }
    static LRESULT CALLBACK Proc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
        MenuDriver* self = s_active;
        if (msg == WM_INITMENUPOPUP) {
            ++self->popups;
            self->shown = reinterpret_cast<HMENU>(wParam);
            for (WPARAM key : self->keys) PostMessageA(hwnd, WM_KEYDOWN, key, 0);
        } else if (msg == WM_MENUSELECT && self->menuRect.right == 0) {
            HWND menuWindow = nullptr;
            EnumThreadWindows(GetCurrentThreadId(), &MenuDriver::FindMenuWindow, reinterpret_cast<LPARAM>(&menuWindow));
            if (menuWindow) GetWindowRect(menuWindow, &self->menuRect);
        }
        return CallWindowProcA(self->original, hwnd, msg, wParam, lParam);
    }
};
MenuDriver* MenuDriver::s_active;

// Notes every window that SetFocus is asked to focus. Whether the focus actually moves also
// depends on which process is in the foreground, which parallel test runs do not control.
class FocusRecorder {
public:
    FocusRecorder() {
        s_targets.clear();
        m_hook = SetWindowsHookExA(WH_CBT, &FocusRecorder::Hook, nullptr, GetCurrentThreadId());
    }
    ~FocusRecorder() { UnhookWindowsHookEx(m_hook); }
    FocusRecorder(const FocusRecorder&) = delete;
    FocusRecorder& operator=(const FocusRecorder&) = delete;
    bool Asked(HWND hwnd) const { return std::find(s_targets.begin(), s_targets.end(), hwnd) != s_targets.end(); }

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        if (code == HCBT_SETFOCUS) s_targets.push_back(reinterpret_cast<HWND>(wParam));
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static std::vector<HWND> s_targets;
    HHOOK m_hook;
};
std::vector<HWND> FocusRecorder::s_targets;

}  // namespace

TEST_F(ControlsPopupButton, CreateMakesAnAcqPopupChild) {
    PopupButton b;
    const RECT rc{10, 12, 130, 36};
    ASSERT_EQ(b.Create(parent.hwnd(), &rc, kButtonId, nullptr, 0), 1);
    HWND hwnd = b.GetWindow();
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "acqPopup");
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP);
    EXPECT_EQ(GetParent(hwnd), parent.hwnd());
    EXPECT_EQ(GetDlgCtrlID(hwnd), kButtonId);
    EXPECT_EQ(GetWindowLongPtrA(hwnd, 0), reinterpret_cast<LONG_PTR>(&b));
    EXPECT_EQ(GetClassLongPtrA(hwnd, GCL_CBWNDEXTRA), sizeof(LONG_PTR));
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
    RECT wr;
    GetWindowRect(hwnd, &wr);
    MapWindowPoints(nullptr, parent.hwnd(), reinterpret_cast<POINT*>(&wr), 2);
    EXPECT_TRUE(EqualRect(&wr, &rc));
    EXPECT_EQ(b.GetSelectedIndex(), -2) << "no item checked";
    EXPECT_EQ(SendMessageA(hwnd, WM_MOUSEACTIVATE, 0, 0), MA_ACTIVATE);
}

TEST_F(ControlsPopupButton, MenuChoiceChecksItAndNotifiesParent) {
    PopupButton b;
    CreateButton(b);
    AppendItems(b, 6);
    EXPECT_EQ(b.GetItemCount(), 6);
    HMENU menu = b.GetItemMenu();
    MENUITEMINFOA mii{};
    mii.cbSize = sizeof mii;
    mii.fMask = MIIM_CHECKMARKS | MIIM_ID;
    ASSERT_TRUE(GetMenuItemInfoA(menu, 2, TRUE, &mii));
    EXPECT_EQ(mii.wID, 3u) << "items take index + 1 as id";
    EXPECT_EQ(mii.hbmpChecked, g_app->bitmaps.hbmCheck);

    b.SelectItem(1);
    EXPECT_TRUE(IsChecked(menu, 2));
    EXPECT_EQ(b.GetSelectedIndex(), 1);

    // What the menu sends when the user picks the item with id 5.
    SendMessageA(b.GetWindow(), WM_COMMAND, MAKEWPARAM(5, 0), 0);
    PumpMessages();
    ASSERT_EQ(parent.Commands().size(), 1u);
    const MSG& note = parent.Commands()[0];
    EXPECT_EQ(LOWORD(note.wParam), kButtonId);
    EXPECT_EQ(HIWORD(note.wParam), 9);
    EXPECT_EQ(note.lParam, reinterpret_cast<LPARAM>(b.GetWindow()));
    EXPECT_EQ(b.GetSelectedIndex(), 4);
    EXPECT_TRUE(IsChecked(menu, 5));
    EXPECT_FALSE(IsChecked(menu, 2));
}

TEST_F(ControlsPopupButton, ItemEditing) {
    PopupButton b;
    CreateButton(b);
    AppendItems(b, 4);
    HMENU menu = b.GetItemMenu();

    EXPECT_EQ(b.DisableItem(1), 1);
    EXPECT_TRUE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);
    EXPECT_EQ(b.EnableItem(1), 1);
    EXPECT_FALSE(GetMenuState(menu, 1, MF_BYPOSITION) & MF_GRAYED);

    EXPECT_EQ(b.SetItemText(2, "Renamed"), 1);
    EXPECT_EQ(ItemText(menu, 2), "Renamed");
    EXPECT_EQ(GetMenuItemID(menu, 2), 2u + 202u);

    EXPECT_EQ(b.RemoveItem(0), 1);
    EXPECT_EQ(b.GetItemCount(), 3);
    EXPECT_EQ(ItemText(menu, 0), "Ch2");
    EXPECT_EQ(b.RemoveItem(10), 0);

    b.ResetMenu();
    EXPECT_EQ(b.GetItemCount(), 0);
    EXPECT_NE(b.GetItemMenu(), nullptr);
    AppendItems(b, 1);
    EXPECT_EQ(b.GetItemCount(), 1);
}

TEST_F(ControlsPopupButton, LoadMenuRenumbersItemsAndKeepsTheChoice) {
    PopupButton b;
    CreateButton(b, MAKEINTRESOURCEA(testsupport::kMenuResourceId), 1);
    HMENU items = b.GetItemMenu();
    ASSERT_NE(items, nullptr);
    ASSERT_EQ(b.GetItemCount(), 5);
    struct Row {
        UINT pos;
        UINT id;
        const char* text;
    };
    const Row rows[] = {
        {0, 101, "Mean"},
        {1, 0, ""},  // separator untouched
        {2, 121, "A text that is longer than sixty-three characters, so it must b"},
        {3, 226, "Calculate"},
        {4, UINT(-1), "More"},  // submenu untouched
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.pos);
        EXPECT_EQ(GetMenuItemID(items, row.pos), row.id);
        EXPECT_EQ(ItemText(items, row.pos), row.text);
    }
    EXPECT_EQ(GetMenuItemID(GetSubMenu(items, 4), 0), 400u);

    // Auto width: ten average characters of the application font.
    RECT rc;
    b.GetRect(&rc);
    EXPECT_EQ(rc.right - rc.left, 10 * g_app->fonts.cxText);
    RECT wr;
    GetWindowRect(b.GetWindow(), &wr);
    EXPECT_EQ(wr.right - wr.left, 10 * g_app->fonts.cxText);
    EXPECT_EQ(wr.bottom - wr.top, kHeight);

    // A reload checks the chosen id again.
    b.SelectItem(225);
    ASSERT_EQ(b.LoadMenu(MAKEINTRESOURCEA(testsupport::kMenuResourceId)), 1);
    EXPECT_NE(b.GetItemMenu(), items);
    EXPECT_TRUE(IsChecked(b.GetItemMenu(), 226));
    EXPECT_EQ(b.GetSelectedIndex(), 225);

    // A missing resource keeps what is there.
    HMENU kept = b.GetItemMenu();
    EXPECT_EQ(b.LoadMenu(MAKEINTRESOURCEA(999)), 0);
    EXPECT_EQ(b.GetItemMenu(), kept);
    EXPECT_EQ(b.GetItemCount(), 5);
}

TEST_F(ControlsPopupButton, MoveKeepsStoredRectResizeChangesIt) {
    PopupButton b;
    CreateButton(b);
    b.Move(50, 40);
    RECT rc;
    b.GetRect(&rc);
    const RECT created{0, 0, kWidth, kHeight};
    EXPECT_TRUE(EqualRect(&rc, &created));
    RECT wr;
    GetWindowRect(b.GetWindow(), &wr);
    MapWindowPoints(nullptr, parent.hwnd(), reinterpret_cast<POINT*>(&wr), 2);
    const RECT moved{50, 40, 50 + kWidth, 40 + kHeight};
    EXPECT_TRUE(EqualRect(&wr, &moved));

    b.Resize(150, 30);
    b.GetRect(&rc);
    const RECT resized{0, 0, 150, 30};
    EXPECT_TRUE(EqualRect(&rc, &resized));
    GetWindowRect(b.GetWindow(), &wr);
    MapWindowPoints(nullptr, parent.hwnd(), reinterpret_cast<POINT*>(&wr), 2);
    const RECT movedResized{50, 40, 200, 70};
    EXPECT_TRUE(EqualRect(&wr, &movedResized)) << "resizing keeps the position";

    // Without auto width FitWidth leaves everything alone.
    b.FitWidth();
    b.GetRect(&rc);
    EXPECT_TRUE(EqualRect(&rc, &resized));
}

TEST_F(ControlsPopupButton, WithoutCheckedItemDrawsOnlyItsFrame) {
    PopupButton b;
    CreateButton(b);
    AppendItems(b, 3);
    b.SetColors(stColor16{1, 2, 3}, kFrame, stColor16{4, 5, 6});
    Canvas canvas(kWidth, kHeight);
    const RECT client{0, 0, kWidth, kHeight};
    b.Draw(canvas.dc(), &client);

    const PixelCounts n = Classify(canvas);
    EXPECT_EQ(n.other, 0) << "nothing drawn on the face";
    EXPECT_EQ(n.otherOutsideFace, 0);
    EXPECT_GT(n.face, 0);
    // The raised 3-D edge runs all around the face, two pixels out: every edge pixel but the
    // top-right corner.
    EXPECT_EQ(n.edge, 2 * kWidth + 2 * kHeight - 4 - 1);
    EXPECT_EQ(canvas.At(kWidth - 1, 0), kSentinel);
}

TEST_F(ControlsPopupButton, CheckedItemTextIsDrawnCentredOnTheFace) {
    PopupButton b;
    CreateButton(b);
    AppendItems(b, 3);
    b.SelectItem(1);
    b.SetColors(stColor16{}, kFrame, stColor16{});
    Canvas canvas(kWidth, kHeight);
    const RECT client{0, 0, kWidth, kHeight};
    b.Draw(canvas.dc(), &client);

    const PixelCounts n = Classify(canvas);
    EXPECT_GT(n.other, 10) << "text pixels on the face";
    EXPECT_EQ(n.otherOutsideFace, 0);
    // Centred: the ink's left and right margins differ by at most a pixel or two.
    int minX = kWidth, maxX = -1;
    for (int y = 2; y < kHeight - 3; ++y)
        for (int x = 3; x < kWidth - 2; ++x)
            if (canvas.At(x, y) != kFaceColor && !OnOutline(x, y)) {
                minX = std::min(minX, x);
                maxX = std::max(maxX, x);
            }
    ASSERT_LE(minX, maxX);
    EXPECT_LE(std::abs((minX - 2) - (kWidth - 2 - 1 - maxX)), 2);
}

// A text wider than the face (a measurement box's "SC, Selected Channel") shows its start.
TEST_F(ControlsPopupButton, ATextWiderThanTheFaceKeepsItsStart) {
    PopupButton b;
    CreateButton(b);
    b.AppendItem("WWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWWW", 0);
    b.SelectItem(0);
    b.SetColors(stColor16{}, kFrame, stColor16{});
    Canvas canvas(kWidth, kHeight);
    const RECT client{0, 0, kWidth, kHeight};
    b.Draw(canvas.dc(), &client);
    const PixelCounts n = Classify(canvas);
    EXPECT_GT(n.other, 10) << "text pixels on the face";
    EXPECT_EQ(n.otherOutsideFace, 0);
    // Its end is an ellipsis: the last inked columns hold dots, not a letter's full height.
    int maxX = -1;
    for (int y = 2; y < kHeight - 3; ++y)
        for (int x = 3; x < kWidth - 2; ++x)
            if (canvas.At(x, y) != kFaceColor && !OnOutline(x, y)) maxX = std::max(maxX, x);
    ASSERT_GE(maxX, 0);
    int top = kHeight, bottom = -1;
    for (int y = 2; y < kHeight - 3; ++y)
        for (int x = maxX - 3; x <= maxX; ++x)
            if (canvas.At(x, y) != kFaceColor && !OnOutline(x, y)) {
                top = std::min(top, y);
                bottom = std::max(bottom, y);
            }
    EXPECT_LE(bottom - top, 3) << "a dot ends the text";
}

// The channel variant shows only "SC" or the channel's number: its face is drawn as a plain
// button's whose item reads just that.
TEST_F(ControlsPopupButton, TheChannelVariantShowsSCOrTheChannelNumber) {
    struct Row {
        const char* item;
        int index;
        const char* shortText;
    } rows[] = {{"SC, Selected Channel", ChannelPopupButton::kSelectedChannelItem, "SC"},
                {"Ch3, Respiration", 3, "3"},
                {"Ch12, Sine", 12, "12"},
                {"Ch0, ", 0, "0"}};
    for (const Row& r : rows) {
        char shown[16] = "?";
        ChannelPopupButton::ShortText(r.item, r.index, shown, sizeof shown);
        EXPECT_STREQ(shown, r.shortText) << r.item;

        ChannelPopupButton channel;
        CreateButton(channel);
        channel.AppendItem(r.item, r.index);
        channel.SelectItem(r.index);
        channel.SetColors(stColor16{}, kFrame, stColor16{});
        PopupButton plain;
        CreateButton(plain);
        plain.AppendItem(r.shortText, 0);
        plain.SelectItem(0);
        plain.SetColors(stColor16{}, kFrame, stColor16{});
        Canvas drawn(kWidth, kHeight), expected(kWidth, kHeight);
        const RECT client{0, 0, kWidth, kHeight};
        channel.Draw(drawn.dc(), &client);
        plain.Draw(expected.dc(), &client);
        int differ = 0;
        for (int y = 0; y < kHeight; ++y)
            for (int x = 0; x < kWidth; ++x) differ += drawn.At(x, y) != expected.At(x, y);
        EXPECT_EQ(differ, 0) << r.item;
        EXPECT_GT(Classify(drawn).other, 4) << r.item << ": the short text is drawn";
    }
}

// The channel variant overrides Draw; the window must paint through the override.
class RecordingPopup : public PopupButton {
public:
    int draws = 0;
    void Draw(HDC dc, const RECT* rc) override {
        ++draws;
        PopupButton::Draw(dc, rc);
    }
};

TEST_F(ControlsPopupButton, PaintingGoesThroughTheVirtualDraw) {
    RecordingPopup b;
    CreateButton(b);
    b.SetColors(stColor16{}, kFrame, stColor16{});
    PumpMessages();
    b.draws = 0;
    InvalidateRect(b.GetWindow(), nullptr, TRUE);
    UpdateWindow(b.GetWindow());
    EXPECT_EQ(b.draws, 1);
    HDC dc = GetDC(b.GetWindow());
    EXPECT_EQ(GetPixel(dc, kWidth / 2, kHeight - 3), kFrameColor);
    EXPECT_EQ(GetPixel(dc, kWidth / 2, kHeight / 2), kFaceColor);
    ReleaseDC(b.GetWindow(), dc);
}

TEST_F(ControlsPopupButton, CalculateChoiceOpensTheOwnersDialog) {
    struct Row {
        const char* what;
        UINT msg;
        WPARAM keys;
        int checkedIndex;
        bool owner;
        int dialogResult;
        bool opens;
    };
    const Row rows[] = {
        {"ctrl+left on calculate", WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, 225, true, 1, true},
        {"shift+left on calculate, unchanged", WM_LBUTTONDOWN, MK_LBUTTON | MK_SHIFT, 225, true, 0, true},
        {"plain left on calculate", WM_LBUTTONDOWN, MK_LBUTTON, 225, true, 1, false},
        {"ctrl+left on another choice", WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, 0, true, 1, false},
        {"ctrl+left without owner", WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL, 225, false, 1, false},
        {"right on calculate", WM_RBUTTONDOWN, MK_RBUTTON, 225, true, 1, true},
        {"right on another choice", WM_RBUTTONDOWN, MK_RBUTTON, 0, true, 1, false},
        {"right without owner", WM_RBUTTONDOWN, MK_RBUTTON, 225, false, 1, false},
    };
    alignas(8) char box[16] = {};
    auto* owner = reinterpret_cast<stMeasure*>(box);
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        testsupport::ResetFakes();
        g_script.permissions[kPermMeasurements] = 0;  // a click that falls through opens no menu
        tagGS* doc = testsupport::NewDocument();
        Fakes().document = doc;
        Fakes().calcResult = row.dialogResult;
        PopupButton b;
        CreateButton(b, MAKEINTRESOURCEA(testsupport::kMenuResourceId));
        b.SelectItem(row.checkedIndex);
        if (row.owner) b.SetUserData(owner);
        {
            MenuDriver driver(b.GetWindow(), {VK_ESCAPE});
            SendMessageA(b.GetWindow(), row.msg, row.keys, MAKELPARAM(5, 5));
            EXPECT_EQ(driver.popups, 0);
        }
        PumpMessages();

        const bool changed = row.opens && row.dialogResult;
        ASSERT_EQ(Fakes().calcCalls.size(), row.opens ? 1u : 0u);
        if (row.opens) {
            EXPECT_EQ(Fakes().calcCalls[0].first, owner);
            EXPECT_EQ(Fakes().calcCalls[0].second, b.GetWindow());
        }
        EXPECT_EQ(Fakes().formatCalls.size(), changed ? 1u : 0u);
        EXPECT_EQ(doc->modified, changed ? 1u : 0u);
        EXPECT_TRUE(Fakes().captionCalls.empty());
        EXPECT_TRUE(parent.Commands().empty());
    }
}

TEST_F(ControlsPopupButton, LeftClickDropsTheMenuAndAChoiceReachesTheParent) {
    PopupButton b;
    const RECT rc{0, 0, kWidth, kHeight};
    ASSERT_EQ(b.Create(parent.hwnd(), &rc, kButtonId, nullptr, 0), 1);
    b.Move(30, 20);
    AppendItems(b, 4);
    b.SelectItem(3);
    alignas(8) char box[16] = {};
    b.SetUserData(reinterpret_cast<stMeasure*>(box));
    tagGS* doc = testsupport::NewDocument();
    Fakes().document = doc;
    SetFocus(b.GetWindow());  // away from the parent, so that handing it back is a change
    ASSERT_NE(GetFocus(), parent.hwnd());
    FocusRecorder focus;

    {
        MenuDriver driver(b.GetWindow(), {VK_DOWN, VK_DOWN, VK_RETURN});
        SendMessageA(b.GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
        EXPECT_EQ(driver.popups, 1);
        EXPECT_EQ(driver.shown, b.GetItemMenu());
        // Dropped at the stored rectangle's bottom-left corner, in the button's own client area.
        POINT at{0, kHeight};
        ClientToScreen(b.GetWindow(), &at);
        EXPECT_EQ(driver.menuRect.left, at.x);
        EXPECT_EQ(driver.menuRect.top, at.y);
    }
    EXPECT_TRUE(focus.Asked(parent.hwnd())) << "the click hands the focus to the parent";
    ASSERT_EQ(Fakes().captionCalls.size(), 1u);
    EXPECT_EQ(Fakes().captionCalls[0], doc);

    PumpMessages();
    ASSERT_EQ(parent.Commands().size(), 1u);
    EXPECT_EQ(HIWORD(parent.Commands()[0].wParam), kPopupNotifyChoice);
    EXPECT_EQ(LOWORD(parent.Commands()[0].wParam), kButtonId);
    EXPECT_EQ(b.GetSelectedIndex(), 1) << "the second item, two steps down";
}

TEST_F(ControlsPopupButton, NoMenuWithoutMeasurementPermission) {
    PopupButton b;
    CreateButton(b);
    AppendItems(b, 3);
    g_script.permissions[kPermMeasurements] = 0;
    MenuDriver driver(b.GetWindow(), {VK_ESCAPE});
    SendMessageA(b.GetWindow(), WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(4, 4));
    EXPECT_EQ(driver.popups, 0);
    PumpMessages();
    EXPECT_TRUE(parent.Commands().empty());
}

TEST_F(ControlsPopupButton, TrackIfHitOnlyInsideTheStoredRect) {
    PopupButton b;
    const RECT rc{0, 0, kWidth, kHeight};
    ASSERT_EQ(b.Create(parent.hwnd(), &rc, kButtonId, nullptr, 0), 1);
    b.Move(60, 50);
    AppendItems(b, 2);
    SetFocus(b.GetWindow());
    ASSERT_NE(GetFocus(), parent.hwnd());
    FocusRecorder focus;
    {
        MenuDriver driver(b.GetWindow(), {VK_ESCAPE});
        EXPECT_EQ(b.TrackIfHit(kWidth + 5, 3), 0);
        EXPECT_EQ(b.TrackIfHit(3, kHeight), 0) << "the bottom edge is outside";
        EXPECT_EQ(driver.popups, 0);
    }
    EXPECT_FALSE(focus.Asked(parent.hwnd())) << "a miss leaves the focus alone";
    {
        MenuDriver driver(b.GetWindow(), {VK_DOWN, VK_ESCAPE});
        b.TrackIfHit(3, 3);
        EXPECT_EQ(driver.popups, 1);
        POINT at{2, kHeight + 2};
        ClientToScreen(b.GetWindow(), &at);
        EXPECT_EQ(driver.menuRect.left, at.x);
        EXPECT_EQ(driver.menuRect.top, at.y);
    }
    EXPECT_TRUE(focus.Asked(parent.hwnd()));
    PumpMessages();
    EXPECT_TRUE(parent.Commands().empty()) << "escape chooses nothing";
}

TEST_F(ControlsPopupButton, DestroyingTheObjectRemovesItsWindow) {
    HWND hwnd;
    {
        PopupButton b;
        CreateButton(b);
        hwnd = b.GetWindow();
        ASSERT_TRUE(IsWindow(hwnd));
    }
    EXPECT_FALSE(IsWindow(hwnd));

    // And a window destroyed with its parent leaves the object safe to delete.
    auto* b = new PopupButton;
    {
        TestParent other;
        const RECT rc{0, 0, kWidth, kHeight};
        ASSERT_EQ(b->Create(other.hwnd(), &rc, kButtonId, nullptr, 0), 1);
    }
    EXPECT_EQ(b->GetWindow(), nullptr);
    delete b;
}
