// The "acqPopup" button: shows its checked item's text and drops down a menu of choices.
#include "controls/popup_button.h"

#include "devlib/vk40.h"
#include "base/app.h"
#include "base/lesson.h"
#include "base/notify.h"
#include "controls/dc_guard.h"
#include "controls/frame3d.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr int kMenuTextMax = 64;      // LoadMenu keeps up to 63 characters of each item
constexpr int kButtonTextMax = 128;   // the checked item's text as drawn
constexpr int kItemTextIdBase = 202;  // SetItemText renumbers the item by its position
constexpr int kAutoWidthChars = 10;

HINSTANCE g_popupClassInstance;

HINSTANCE ResourceModule() { return (g_app && g_app->hInstance) ? g_app->hInstance : GetModuleHandleA(nullptr); }

}  // namespace

COLORREF PackColor16(const stColor16& c) {
    // Only the low byte of each component counts.
    return RGB(c.red & 0xFF, c.green & 0xFF, c.blue & 0xFF);
}

// Registers "acqPopup"; a class already registered by this module counts as success.
int RegisterPopupButtonClass(HINSTANCE instance) {
    WNDCLASSA wc{};
    wc.style = 0;
    wc.lpfnWndProc = PopupButton::WndProc;
    wc.cbWndExtra = sizeof(LONG_PTR);
    wc.hInstance = instance;
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kPopupButtonClass;
    if (!RegisterClassA(&wc) && GetLastError() != ERROR_CLASS_ALREADY_EXISTS) return 0;
    g_popupClassInstance = instance;
    return 1;
}

PopupButton::PopupButton()
    : m_kind(0),
      m_hMenu(CreatePopupMenu()),
      m_checkedId(-1),
      m_color3{},
      m_color1{},
      m_colorFrame{},
      m_autoWidth(0),
      m_visible(0),
      m_hwnd(nullptr),
      m_menuFromResource(0),
      m_rect{},
      m_owner(nullptr) {}

PopupButton::~PopupButton() {
    if (m_hMenu) DestroyMenu(m_hMenu);
    if (m_hwnd) {
        // Detach first: the window must not call back into a dying object.
        SetWindowLongPtrA(m_hwnd, 0, 0);
        DestroyWindow(m_hwnd);
    }
}

int PopupButton::Create(HWND parent, const RECT* rc, int id, const char* menuName, int autoWidth) {
    if (!rc) return 0;
    if (m_hwnd) {
        SetWindowLongPtrA(m_hwnd, 0, 0);
        DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }
    m_rect = *rc;
    m_autoWidth = autoWidth;
    m_kind = kPopupKind;
    m_visible = 1;
    m_checkedId = -1;
    HINSTANCE instance = g_popupClassInstance ? g_popupClassInstance : ResourceModule();
    HWND hwnd = CreateWindowExA(0, kPopupButtonClass, "", WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP, rc->left,
                                rc->top, rc->right - rc->left, rc->bottom - rc->top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, this);
    if (!hwnd) return 0;
    m_hwnd = hwnd;
    if (menuName) LoadMenu(menuName);
    return 1;
}

HMENU PopupButton::GetItemMenu() const { return m_menuFromResource ? GetSubMenu(m_hMenu, 0) : m_hMenu; }

// Loads a menu resource whose first submenu holds the items; ids move up by one so that no
// item has id 0.
int PopupButton::LoadMenu(const char* name) {
    HMENU loaded = ::LoadMenuA(ResourceModule(), name);
    if (!loaded) return 0;
    HMENU items = GetSubMenu(loaded, 0);
    if (!items) {
        DestroyMenu(loaded);
        return 0;
    }
    if (m_hMenu) DestroyMenu(m_hMenu);
    m_hMenu = loaded;
    m_menuFromResource = 1;

    const int count = GetMenuItemCount(items);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(items, i);
        if (id == 0 || id == static_cast<UINT>(-1)) continue;  // separators and submenus keep theirs
        char text[kMenuTextMax] = "";
        GetMenuStringA(items, i, text, kMenuTextMax, MF_BYPOSITION);
        text[kMenuTextMax - 1] = 0;  // a cut text is not always terminated
        ModifyMenuA(items, i, MF_BYPOSITION | MF_STRING, id + 1, text);
    }
    if (m_checkedId != -1) CheckMenuItem(items, m_checkedId, MF_BYCOMMAND | MF_CHECKED);
    FitWidth();
    return 1;
}

int PopupButton::AppendItem(const char* text, int index) {
    HMENU menu = GetItemMenu();
    if (!menu || !AppendMenuA(menu, MF_STRING, index + 1, text ? text : "")) return 0;
    SetMenuItemBitmaps(menu, index + 1, MF_BYCOMMAND, nullptr, g_app ? g_app->bitmaps.hbmCheck : nullptr);
    return 1;
}

int PopupButton::RemoveItem(int position) {
    HMENU menu = GetItemMenu();
    return menu && DeleteMenu(menu, position, MF_BYPOSITION) ? 1 : 0;
}

int PopupButton::EnableItem(int position) {
    HMENU menu = GetItemMenu();
    return menu && EnableMenuItem(menu, position, MF_BYPOSITION | MF_ENABLED) != -1 ? 1 : 0;
}

int PopupButton::DisableItem(int position) {
    HMENU menu = GetItemMenu();
    return menu && EnableMenuItem(menu, position, MF_BYPOSITION | MF_GRAYED) != -1 ? 1 : 0;
}

int PopupButton::SetItemText(int position, const char* text) {
    HMENU menu = GetItemMenu();
    return menu && ModifyMenuA(menu, position, MF_BYPOSITION | MF_STRING, position + kItemTextIdBase, text ? text : "")
               ? 1
               : 0;
}

void PopupButton::ResetMenu() {
    // A menu of its own is emptied rather than made again: under Wine each menu made or
    // destroyed asks the window server.
    if (m_hMenu && !m_menuFromResource) {
        while (GetMenuItemCount(m_hMenu) > 0 && DeleteMenu(m_hMenu, 0, MF_BYPOSITION)) {
        }
        return;
    }
    if (m_hMenu) DestroyMenu(m_hMenu);
    m_hMenu = CreatePopupMenu();
    m_menuFromResource = 0;
}

int PopupButton::GetItemCount() const {
    HMENU menu = GetItemMenu();
    const int count = menu ? GetMenuItemCount(menu) : 0;
    return count < 0 ? 0 : count;
}

void PopupButton::SelectItem(int index) {
    HMENU menu = GetItemMenu();
    if (menu && m_checkedId != -1) CheckMenuItem(menu, m_checkedId, MF_BYCOMMAND | MF_UNCHECKED);
    m_checkedId = index + 1;
    if (menu) CheckMenuItem(menu, m_checkedId, MF_BYCOMMAND | MF_CHECKED);
}

void PopupButton::SetColors(const stColor16& first, const stColor16& frame, const stColor16& third) {
    m_color1 = first;
    m_colorFrame = frame;
    m_color3 = third;
    InvalidateIfShown(m_hwnd, nullptr, FALSE);
}

// Wine asks its server on every SetWindowPos, even one that changes nothing; the graph lays its
// buttons and boxes out again and again with the same rectangles.
void PlaceChildWindow(HWND hwnd, int x, int y, int width, int height, UINT flags) {
    RECT now;
    GetWindowRect(hwnd, &now);
    MapWindowPoints(HWND_DESKTOP, GetParent(hwnd), reinterpret_cast<POINT*>(&now), 2);
    const bool moves = !(flags & SWP_NOMOVE) && (now.left != x || now.top != y);
    const bool sizes = !(flags & SWP_NOSIZE) && (now.right - now.left != width || now.bottom - now.top != height);
    if (moves || sizes) SetWindowPos(hwnd, nullptr, x, y, width, height, flags);
}

void InvalidateIfShown(HWND hwnd, const RECT* rc, BOOL erase) {
    if (hwnd && IsWindowVisible(hwnd)) InvalidateRect(hwnd, rc, erase);
}

void PopupButton::FitWidth(int extra) {
    if (!m_autoWidth) return;
    m_rect.right = m_rect.left + kAutoWidthChars * (g_app ? g_app->fonts.cxText : 0) + extra;
    if (m_hwnd)
        PlaceChildWindow(m_hwnd, 0, 0, m_rect.right - m_rect.left, m_rect.bottom - m_rect.top,
                          SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

// Only the window moves: drawing and the menu stay relative to the button's own client area.
void PopupButton::Move(int x, int y) {
    if (m_hwnd) PlaceChildWindow(m_hwnd, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PopupButton::Resize(int width, int height) {
    m_rect.right = m_rect.left + width;
    m_rect.bottom = m_rect.top + height;
    if (m_hwnd) PlaceChildWindow(m_hwnd, 0, 0, width, height, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void PopupButton::GetRect(RECT* out) const {
    if (out) *out = m_rect;
}

int PopupButton::TrackIfHit(int x, int y) {
    const POINT hit{x, y};
    if (!m_visible || !m_hwnd || !PtInRect(&m_rect, hit)) return 0;
    POINT at{m_rect.left + 2, m_rect.bottom + 2};
    ClientToScreen(m_hwnd, &at);
    SetFocus(GetParent(m_hwnd));
    return TrackPopupMenu(GetItemMenu(), TPM_LEFTALIGN, at.x, at.y, 0, m_hwnd, nullptr);
}

void PopupButton::ShowMenuAt(POINT clientPt) {
    ClientToScreen(m_hwnd, &clientPt);
    TrackPopupMenu(GetItemMenu(), TPM_LEFTALIGN, clientPt.x, clientPt.y, 0, m_hwnd, nullptr);
}

RECT PopupButton::DrawFrame(HDC dc) const {
    RECT face = m_rect;
    InflateRect(&face, -2, -2);
    HBRUSH brush = (g_app && g_app->brushes.hbrFace) ? g_app->brushes.hbrFace : GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &face, brush);
    DrawFrame3D(dc, &face, 0);

    HPEN pen = CreatePen(PS_SOLID, 1, PackColor16(m_colorFrame));
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, face.left, face.bottom - 1, nullptr);
    LineTo(dc, face.right, face.bottom - 1);
    LineTo(dc, face.right, face.top - 1);
    LineTo(dc, face.left, face.top - 1);
    LineTo(dc, face.left, face.bottom - 1);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    return face;
}

int PopupButton::GetCheckedText(char* buffer, int size) const {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    HMENU menu = GetItemMenu();
    if (m_checkedId == -1 || !menu) return 0;
    const int length = GetMenuStringA(menu, m_checkedId, buffer, size, MF_BYCOMMAND);
    buffer[size - 1] = 0;
    return length > 0 ? static_cast<int>(std::strlen(buffer)) : 0;
}

void PopupButton::DrawCenteredText(HDC dc, const RECT* rc, const char* text) const {
    HGDIOBJ oldFont = (g_app && g_app->fonts.hfontText) ? SelectObject(dc, g_app->fonts.hfontText) : nullptr;
    const int oldMode = SetBkMode(dc, TRANSPARENT);
    RECT area = *rc;
    // A text wider than the face keeps its start, where the item's short name stands, and ends
    // in an ellipsis: centred, it would lose both ends.
    RECT need = area;
    DrawTextA(dc, text, -1, &need, DT_CALCRECT | DT_SINGLELINE);
    if (need.right - need.left > area.right - area.left) {
        area.left += 2;
        DrawTextA(dc, text, -1, &area, DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_END_ELLIPSIS);
    } else {
        DrawTextA(dc, text, -1, &area, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
    }
    SetBkMode(dc, oldMode);
    if (oldFont) SelectObject(dc, oldFont);
}

void PopupButton::Draw(HDC given, const RECT* /*rc*/) {
    CWindowDC dc(m_hwnd, given);
    if (!dc.get()) return;
    const RECT face = DrawFrame(dc.get());
    if (!m_visible) return;
    // The measurement menu's captions follow the user's language.
    if (m_owner) AdjustMenuByContainerData(kMeasureMenuKey, GetItemMenu());
    char text[kButtonTextMax];
    if (GetCheckedText(text, kButtonTextMax) > 0) DrawCenteredText(dc.get(), &face, text);
}

void ChannelPopupButton::ShortText(const char* itemText, int selectedIndex, char* out, int size) {
    if (!out || size <= 0) return;
    out[0] = 0;
    if (!itemText) return;
    if (selectedIndex == kSelectedChannelItem)
        lstrcpynA(out, itemText, size < 3 ? size : 3);
    else if (std::strlen(itemText) >= 2)
        std::snprintf(out, static_cast<size_t>(size), "%d", std::atoi(itemText + 2));
}

void ChannelPopupButton::Draw(HDC given, const RECT* /*rc*/) {
    CWindowDC dc(m_hwnd, given);
    if (!dc.get()) return;
    const RECT face = DrawFrame(dc.get());
    if (!m_visible) return;
    char text[kButtonTextMax], shown[16];
    if (GetCheckedText(text, kButtonTextMax) <= 0) return;
    ShortText(text, GetSelectedIndex(), shown, sizeof shown);
    DrawCenteredText(dc.get(), &face, shown);
}

// A menu choice: check it, show it, and tell the parent.
void PopupButton::OnChoice(int id) {
    SelectItem(id - 1);
    if (!m_hwnd) return;
    InvalidateRect(m_hwnd, nullptr, FALSE);
    const WORD controlId = static_cast<WORD>(GetDlgCtrlID(m_hwnd));
    PostMessageA(GetParent(m_hwnd), WM_COMMAND, MAKEWPARAM(controlId, kPopupNotifyChoice),
                 reinterpret_cast<LPARAM>(m_hwnd));
}

void PopupButton::RunCalculation() {
    if (!notify::ShowCalculationDialog(m_owner, m_hwnd)) return;
    notify::FormatMeasurementResult(m_owner);
    if (tagGS* gs = notify::GetMeasurementDocument(m_owner)) setDirtyGraphFlag(gs, 1);
}

// Returns true when the click goes on to the default procedure.
bool PopupButton::OnLButtonDown(WPARAM keys) {
    if (m_owner && (keys & (MK_CONTROL | MK_SHIFT)) && m_checkedId == kPopupCalculateId) {
        RunCalculation();
        return false;
    }
    if (m_visible && g_script.permissions[kPermMeasurements]) {
        SetFocus(GetParent(m_hwnd));
        if (m_owner) notify::SetMeasurementCaptions(notify::GetMeasurementDocument(m_owner));
        ShowMenuAt(POINT{m_rect.left, m_rect.bottom});
    }
    return true;
}

void PopupButton::OnRButtonDown() {
    if (m_owner && m_checkedId == kPopupCalculateId) RunCalculation();
}

LRESULT CALLBACK PopupButton::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_CREATE) {
        auto* self = static_cast<PopupButton*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(self));
        if (self) self->m_hwnd = hwnd;
        return 0;
    }
    auto* self = reinterpret_cast<PopupButton*>(GetWindowLongPtrA(hwnd, 0));
    if (!self) return DefWindowProcA(hwnd, msg, wParam, lParam);

    switch (msg) {
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(hwnd, &ps);
        RECT client;
        GetClientRect(hwnd, &client);
        self->Draw(dc, &client);
        EndPaint(hwnd, &ps);
        return 0;
    }
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_COMMAND: self->OnChoice(LOWORD(wParam)); return 0;
    case WM_LBUTTONDOWN:
        if (!self->OnLButtonDown(wParam)) return 0;
        break;
    case WM_RBUTTONDOWN: self->OnRButtonDown(); return 0;
    case WM_NCDESTROY:
        // Destroyed with its parent: the object outlives its window.
        self->m_hwnd = nullptr;
        SetWindowLongPtrA(hwnd, 0, 0);
        break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
