// Small helpers of the panels' controls.
#include "outputs/framework/panel_util.h"
#include "devlib/vk40.h"
#include "base/app.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {
const char kFaceProp[] = "KymoraSwitchFace";
const char* const kFaceTexts[] = {"On", "Off", "Armed"};
}  // namespace

int ControlRight(HWND dlg, int id) {
    HWND c = GetDlgItem(dlg, id);
    RECT rc;
    return c && GetWindowRect(c, &rc) ? rc.right : 0;
}

// The button shows the library's picture of the face (a lesson may have replaced it); the
// number is kept on the button and its text names the face for readers of the window text.
void SetSwitchFace(HWND dlg, int id, int face) {
    HWND b = GetDlgItem(dlg, id);
    if (!b || face < kFaceOn || face > kFaceArmed) return;
    SetPropA(b, kFaceProp, reinterpret_cast<HANDLE>(static_cast<INT_PTR>(face)));
    SetWindowTextA(b, kFaceTexts[face - kFaceOn]);
    const auto image = static_cast<EMLBITMAP>(face);
    if (!m_MLBitmap.Get(image)) m_MLBitmap.InitFromResource();
    m_MLBitmap.SetBitmap(b, image, 0);
}

void DrawPanelIcon(HDC dc, int iconId, int x, int y) {
    HINSTANCE inst = g_app ? g_app->hInstance : GetModuleHandleA(nullptr);
    // Shared: the system keeps one copy and frees it with the module.
    auto* icon = static_cast<HICON>(
        LoadImageA(inst, MAKEINTRESOURCEA(iconId), IMAGE_ICON, kPanelIconWidth, kPanelIconHeight, LR_SHARED));
    if (icon) DrawIconEx(dc, x, y, icon, kPanelIconWidth, kPanelIconHeight, 0, nullptr, DI_NORMAL);
}

int GetSwitchFace(HWND dlg, int id) {
    HWND b = GetDlgItem(dlg, id);
    return b ? static_cast<int>(reinterpret_cast<INT_PTR>(GetPropA(b, kFaceProp))) : 0;
}

double ReadEditNumber(HWND dlg, int id, int chars) {
    char text[260] = "";
    if (chars >= static_cast<int>(sizeof text)) chars = sizeof text - 1;
    GetDlgItemTextA(dlg, id, text, chars + 1);
    return std::atof(text);
}

void SetControlNumber(HWND dlg, int id, const char* format, double value) {
    char text[64];
    std::snprintf(text, sizeof text, format, value);
    SetDlgItemTextA(dlg, id, text);
}

bool EditModified(HWND dlg, int id) { return SendDlgItemMessageA(dlg, id, EM_GETMODIFY, 0, 0) != 0; }
void ClearEditModified(HWND dlg, int id) { SendDlgItemMessageA(dlg, id, EM_SETMODIFY, FALSE, 0); }

void SetBarPos(HWND dlg, int id, int pos) { SetScrollPos(GetDlgItem(dlg, id), SB_CTL, pos, TRUE); }

long RoundToLong(double v) { return static_cast<long>(v >= 0 ? std::floor(v + 0.5) : std::ceil(v - 0.5)); }

namespace {
WNDPROC g_editProc = nullptr;  // every subclassed field is a standard edit control

LRESULT CALLBACK FieldProc(HWND edit, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_GETDLGCODE) return DLGC_WANTALLKEYS;
    if (msg == WM_KEYDOWN && (wParam == VK_TAB || wParam == VK_RETURN)) {
        const bool back = wParam == VK_TAB && GetKeyState(VK_SHIFT) < 0;
        PostMessageA(GetParent(edit), WM_NEXTDLGCTL, back ? 1 : 0, FALSE);
        return 0;
    }
    return CallWindowProcA(g_editProc, edit, msg, wParam, lParam);
}
}  // namespace

void SubclassField(HWND dlg, int id) {
    HWND edit = GetDlgItem(dlg, id);
    if (!edit) return;
    WNDPROC old = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(FieldProc)));
    if (!g_editProc) g_editProc = old;
}
