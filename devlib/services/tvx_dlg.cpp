// CTVXDlg: the dialog procedure that turns messages into the virtual handlers.
#include "devlib/services/tvx_dlg.h"

#include <cstring>

#include "button/lumikey.h"
#include "devlib/services/library.h"

namespace {

constexpr UINT kAppFirst = 0x8000;
constexpr UINT kAppLast = 0xBFFF;

// A Lumikey button's hover notice shares its number with DM_SETDEFID; its wParam is a window.
bool IsLumikeyHover(HWND dlg, WPARAM wParam) {
    HWND button = reinterpret_cast<HWND>(wParam);
    if (!button || !::IsWindow(button) || GetParent(button) != dlg) return false;
    char cls[32] = {};
    GetClassNameA(button, cls, sizeof(cls));
    return strcmp(cls, LUMIKEY_CLASSNAME) == 0;
}

// The host's message loop routes keyboard input to the active modeless dialog.
void ReportActiveDialog(HWND dlg) { HostSetActiveModelessDialog(&g_lib.host, dlg); }

}  // namespace

CTVXDlg::CTVXDlg() : m_hWnd(nullptr), m_hParent(nullptr), m_modalResult(0), m_id(0) {}

CTVXDlg::CTVXDlg(const CTVXDlg& other)
    : m_hWnd(other.m_hWnd), m_hParent(other.m_hParent), m_modalResult(other.m_modalResult), m_id(other.m_id) {}

CTVXDlg& CTVXDlg::operator=(const CTVXDlg& other) {
    m_hWnd = other.m_hWnd;
    m_hParent = other.m_hParent;
    m_modalResult = other.m_modalResult;
    m_id = other.m_id;
    return *this;
}

CTVXDlg::~CTVXDlg() {
    if (m_hWnd && ::IsWindow(m_hWnd)) {
        // The window must not call back into an object being destroyed.
        SetWindowLongPtrA(m_hWnd, DWLP_USER, 0);
        ::DestroyWindow(m_hWnd);
    }
}

int CTVXDlg::Enable(int enable) { return EnableWindow(m_hWnd, enable); }
int CTVXDlg::IsWindowEnabled() { return ::IsWindowEnabled(m_hWnd); }
int CTVXDlg::OnInitDialog(HWND, LPARAM) { return 1; }
int CTVXDlg::OnCommand(int, HWND, unsigned) { return 0; }
int CTVXDlg::OnNotify(int, LPARAM) { return 0; }
int CTVXDlg::OnVScroll(HWND, unsigned, int) { return 0; }
int CTVXDlg::OnHScroll(HWND, unsigned, int) { return 0; }
int CTVXDlg::OnPaint() { return 0; }
int CTVXDlg::OnInitMenuPopup(HMENU, unsigned, int) { return 0; }
int CTVXDlg::OnContextMenu(HWND, unsigned, unsigned) { return 0; }
int CTVXDlg::OnMenuSelect(HMENU, int, HMENU, unsigned) { return 0; }
int CTVXDlg::OnAppMsg(unsigned, WPARAM, LPARAM) { return 0; }
int CTVXDlg::OnTimer(unsigned) { return 0; }
int CTVXDlg::OnDrawItem(const DRAWITEMSTRUCT*) { return 0; }
int CTVXDlg::OnDestroy() { return 0; }
int CTVXDlg::OnShowWindow(int, unsigned) { return 0; }
int CTVXDlg::OnActivate(unsigned, HWND, int) { return 0; }

// Makes the window; a second call while it exists does nothing.
int CTVXDlg::Create(HINSTANCE instance, uint16_t id, HWND parent, int modal) {
    if (m_hWnd && ::IsWindow(m_hWnd)) return 1;
    m_id = id;
    m_hParent = parent;
    LPARAM self = reinterpret_cast<LPARAM>(this);
    if (modal) {
        INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(id), parent, DlgProc, self);
        m_modalResult = static_cast<int>(result);
        m_hWnd = nullptr;  // the window is gone once DialogBoxParamA returns
        return result > 0 ? 1 : 0;
    }
    HRSRC res = FindResourceA(instance, MAKEINTRESOURCEA(id), MAKEINTRESOURCEA(5));  // RT_DIALOG
    if (!res) return 0;
    HGLOBAL loaded = LoadResource(instance, res);
    if (!loaded) return 0;
    auto* tmpl = static_cast<const DLGTEMPLATE*>(LockResource(loaded));
    if (!tmpl) return 0;
    HWND hwnd = CreateDialogIndirectParamA(instance, tmpl, parent, DlgProc, self);
    return hwnd ? 1 : 0;
}

int CTVXDlg::Create(HINSTANCE instance, HWND parent, int modal) { return Create(instance, m_id, parent, modal); }

void CTVXDlg::Show() { ShowWindow(m_hWnd, SW_SHOW); }
void CTVXDlg::Hide() { ShowWindow(m_hWnd, SW_HIDE); }
int CTVXDlg::IsWindow() { return ::IsWindow(m_hWnd); }
int CTVXDlg::IsWindowVisible() { return ::IsWindowVisible(m_hWnd); }
int CTVXDlg::DestroyWindow() { return ::DestroyWindow(m_hWnd); }
int CTVXDlg::EndDialog(int result) { return ::EndDialog(m_hWnd, result); }
HWND CTVXDlg::GetDlgItem(int id) { return ::GetDlgItem(m_hWnd, id); }

LRESULT CTVXDlg::SendDlgItemMessageA(int id, unsigned message, WPARAM wParam, LPARAM lParam) {
    return ::SendDlgItemMessageA(m_hWnd, id, message, wParam, lParam);
}

int CTVXDlg::GetDlgItemTextA(int id, char* text, int size) { return ::GetDlgItemTextA(m_hWnd, id, text, size); }
int CTVXDlg::SetDlgItemTextA(int id, char* text) { return ::SetDlgItemTextA(m_hWnd, id, text); }
int CTVXDlg::GetRect(RECT* rect) { return GetWindowRect(m_hWnd, rect); }

// One message to the matching handler; 0 for those no handler takes.
int CTVXDlg::Dispatch(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message >= kAppFirst && message <= kAppLast) return OnAppMsg(message, wParam, lParam);
    switch (message) {
    case WM_DESTROY: return OnDestroy();
    case WM_ACTIVATE: return OnActivate(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    case WM_PAINT: return OnPaint();
    case WM_SHOWWINDOW: return OnShowWindow(static_cast<int>(wParam), static_cast<unsigned>(lParam));
    case WM_DRAWITEM: return OnDrawItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
    case WM_NOTIFY: return OnNotify(static_cast<int>(wParam), lParam);
    case WM_CONTEXTMENU: return OnContextMenu(reinterpret_cast<HWND>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_COMMAND: return OnCommand(LOWORD(wParam), reinterpret_cast<HWND>(lParam), HIWORD(wParam));
    case WM_TIMER: return OnTimer(static_cast<unsigned>(wParam));
    case WM_HSCROLL:
        return OnHScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam)));
    case WM_VSCROLL:
        return OnVScroll(reinterpret_cast<HWND>(lParam), LOWORD(wParam), static_cast<int16_t>(HIWORD(wParam)));
    case WM_INITMENUPOPUP: return OnInitMenuPopup(reinterpret_cast<HMENU>(wParam), LOWORD(lParam), HIWORD(lParam));
    case WM_MENUSELECT: {
        HMENU menu = reinterpret_cast<HMENU>(lParam);
        unsigned flags = HIWORD(wParam);
        bool popup = flags != 0xFFFF && (flags & MF_POPUP);
        int item = popup ? 0 : LOWORD(wParam);
        HMENU sub = popup ? GetSubMenu(menu, LOWORD(wParam)) : nullptr;
        return OnMenuSelect(menu, item, sub, flags == 0xFFFF ? static_cast<unsigned>(-1) : flags);
    }
    default: return 0;
    }
}

INT_PTR CALLBACK CTVXDlg::DlgProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        auto* self = reinterpret_cast<CTVXDlg*>(lParam);
        SetWindowLongPtrA(hwnd, DWLP_USER, lParam);
        if (!self) return TRUE;
        self->m_hWnd = hwnd;
        HandleTheDialog(hwnd, self->m_id);
        return self->OnInitDialog(reinterpret_cast<HWND>(wParam), lParam);
    }
    if (message == LKN_MOUSEMOVE && IsLumikeyHover(hwnd, wParam)) {
        SetWindowLongPtrA(hwnd, DWLP_MSGRESULT, 0);
        return TRUE;
    }
    auto* self = reinterpret_cast<CTVXDlg*>(GetWindowLongPtrA(hwnd, DWLP_USER));
    if (!self) return 0;
    if (message == WM_NCDESTROY) {
        self->m_hWnd = nullptr;
        return 0;
    }
    if (message == WM_ACTIVATE) ReportActiveDialog(LOWORD(wParam) == WA_INACTIVE ? nullptr : hwnd);
    int result = self->Dispatch(message, wParam, lParam);
    return result;
}
