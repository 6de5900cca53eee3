// The LumikeyButton window procedure: creation, input, state and the private messages.
#include "button/lumikey_private.h"

#include <commctrl.h>
#include <windowsx.h>

#include <cstdint>
#include <cstring>
#include <utility>

namespace {

constexpr COLORREF kTipBackground = 0x80FFFF;
constexpr int kTipDelayMs = 550;
constexpr int kTipTextBuffer = 80;  // what a tooltip hands out for TTM_GETTOOLINFOA text
constexpr char kDialogClass[] = "#32770";

// Invalidates the whole button and paints it before returning. A hidden button is painted whole
// when it shows, so it is left alone: under Wine both calls ask the window server.
void Repaint(HWND hwnd) {
    if (!IsWindowVisible(hwnd)) return;
    InvalidateRect(hwnd, nullptr, TRUE);
    UpdateWindow(hwnd);
}

// Sets or clears state bits; true when that changed anything.
bool SetStateBits(tagLUMIKEY& lk, std::uint16_t wBits, bool fOn) {
    const std::uint16_t wOld = lk.wState;
    lk.wState = fOn ? static_cast<std::uint16_t>(wOld | wBits) : static_cast<std::uint16_t>(wOld & ~wBits);
    return lk.wState != wOld;
}

// Copies text into a fixed field, cutting it to fit.
void CopyCut(char* pszDest, int cchDest, const char* pszSrc) { lstrcpynA(pszDest, pszSrc ? pszSrc : "", cchDest); }

bool IsDialogWindow(HWND hwnd) {
    char szClass[sizeof(kDialogClass) + 1] = {};
    GetClassNameA(hwnd, szClass, sizeof(szClass));
    return std::strcmp(szClass, kDialogClass) == 0;
}

// The button's own tooltip: one tool over the whole client area, text asked for on demand.
HWND CreateTip(HWND hwnd) {
    HWND hwndTip =
        CreateWindowExA(0, TOOLTIPS_CLASSA, nullptr, WS_POPUP | TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                        CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, hwnd, nullptr, g_library.hInstance, nullptr);
    if (!hwndTip) return nullptr;
    SendMessageA(hwndTip, TTM_SETTIPBKCOLOR, kTipBackground, 0);
    SendMessageA(hwndTip, TTM_SETDELAYTIME, TTDT_AUTOMATIC, MAKELPARAM(kTipDelayMs, 0));

    TTTOOLINFOA ti{};
    ti.cbSize = sizeof(ti);
    ti.uFlags = TTF_SUBCLASS;
    ti.hwnd = hwnd;
    ti.uId = 0;
    GetClientRect(hwnd, &ti.rect);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(hwndTip, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&ti));
    return hwndTip;
}

// WM_NCCREATE: the record lives as long as the window.
LRESULT OnNcCreate(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    auto* plk = static_cast<tagLUMIKEY*>(LocalAlloc(LPTR, sizeof(tagLUMIKEY)));
    if (!plk) return FALSE;
    SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(plk));
    return DefWindowProcA(hwnd, WM_NCCREATE, wParam, lParam);
}

// WM_CREATE: parent, style, caption, tip text and the tooltip.
LRESULT OnCreate(HWND hwnd, tagLUMIKEY& lk, const CREATESTRUCTA& cs) {
    lk.hwndParent = GetParent(hwnd);
    lk.dwStyle = static_cast<std::uint32_t>(cs.style);
    // A button created disabled must look disabled before it ever sees WM_ENABLE.
    SetStateBits(lk, LKST_DISABLED, (cs.style & WS_DISABLED) != 0);
    CopyCut(lk.szCaption, LK_CAPTION_SIZE, IS_INTRESOURCE(cs.lpszName) ? nullptr : cs.lpszName);
    lk.hbmEnable = g_library.hbmDefaultEnable;
    lk.hbmDisable = g_library.hbmDefaultDisable;
    lk.dwAutoDelete = 0;
    CopyCut(lk.szTip, LK_TIP_SIZE, static_cast<const char*>(cs.lpCreateParams));
    lk.hwndTip = nullptr;  // made when the pointer first comes over the button (ShowTipWhenHovered)
    return 0;
}

// A tooltip is a window of its own, and a screen of buttons made each one up front cost more
// than anything else in showing them: the tip is made the first time the pointer moves over its
// button, and is handed that first move, after which it follows the pointer by itself.
void ShowTipWhenHovered(HWND hwnd, tagLUMIKEY& lk, WPARAM wParam, LPARAM lParam) {
    if (lk.hwndTip) return;
    lk.hwndTip = CreateTip(hwnd);
    if (!lk.hwndTip) return;
    MSG move{};
    move.hwnd = hwnd;
    move.message = WM_MOUSEMOVE;
    move.wParam = wParam;
    move.lParam = lParam;
    move.time = static_cast<DWORD>(GetMessageTime());
    move.pt = {GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    ClientToScreen(hwnd, &move.pt);
    SendMessageA(lk.hwndTip, TTM_RELAYEVENT, 0, reinterpret_cast<LPARAM>(&move));
}

// WM_SIZE: the tool keeps covering the whole client area.
LRESULT OnSize(HWND hwnd, const tagLUMIKEY& lk) {
    if (!lk.hwndTip) return 0;
    char szText[kTipTextBuffer] = {};
    TTTOOLINFOA ti{};
    ti.cbSize = sizeof(ti);
    ti.hwnd = hwnd;
    ti.uId = 0;
    ti.lpszText = szText;
    if (!SendMessageA(lk.hwndTip, TTM_GETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti))) return 0;
    GetClientRect(hwnd, &ti.rect);
    ti.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(lk.hwndTip, TTM_SETTOOLINFOA, 0, reinterpret_cast<LPARAM>(&ti));
    return 0;
}

// WM_NOTIFY: the tooltip asks for the tip text, in whichever character set it settled on.
LRESULT OnNotify(tagLUMIKEY& lk, NMHDR& hdr) {
    if (!lk.hwndTip || hdr.hwndFrom != lk.hwndTip) return 0;
    if (hdr.code == TTN_NEEDTEXTA) {
        auto& di = reinterpret_cast<NMTTDISPINFOA&>(hdr);
        di.hinst = nullptr;
        di.lpszText = lk.szTip;
    } else if (hdr.code == TTN_NEEDTEXTW) {
        auto& di = reinterpret_cast<NMTTDISPINFOW&>(hdr);
        di.hinst = nullptr;
        MultiByteToWideChar(CP_ACP, 0, lk.szTip, -1, di.szText, ARRAYSIZE(di.szText));
        di.lpszText = di.szText;
    }
    return 0;
}

// Sends the click to the parent the button was created with.
void SendClick(HWND hwnd, HWND hwndParent) {
    SendMessageA(hwndParent, WM_COMMAND, MAKEWPARAM(GetDlgCtrlID(hwnd), 0), reinterpret_cast<LPARAM>(hwnd));
}

// Ends a press: back to the raised look first, then the click, since the parent may open a
// modal loop or destroy this button while handling it.
void EndPress(HWND hwnd, tagLUMIKEY& lk, bool fClick) {
    const HWND hwndParent = lk.hwndParent;
    SetStateBits(lk, LKST_PRESSED | LKST_OUTSIDE, false);
    Repaint(hwnd);
    if (fClick) SendClick(hwnd, hwndParent);
}

// Tells the parent the mouse moved over the button.
void NotifyMouseMove(HWND hwnd) {
    const HWND hwndParent = GetParent(hwnd);
    if (!hwndParent) return;
    if (!IsDialogWindow(hwndParent)) {
        SendMessageA(hwndParent, LKN_MOUSEMOVE, reinterpret_cast<WPARAM>(hwnd), 0);
        return;
    }
    // The notification shares its number with DM_SETDEFID: undo it where the dialog manager took it.
    const LRESULT lDefBefore = SendMessageA(hwndParent, DM_GETDEFID, 0, 0);
    SendMessageA(hwndParent, LKN_MOUSEMOVE, reinterpret_cast<WPARAM>(hwnd), 0);
    if (IsWindow(hwndParent) && SendMessageA(hwndParent, DM_GETDEFID, 0, 0) != lDefBefore) {
        const WPARAM idDefault = HIWORD(lDefBefore) == DC_HASDEFID ? LOWORD(lDefBefore) : 0;
        SendMessageA(hwndParent, DM_SETDEFID, idDefault, 0);
    }
}

// WM_LBUTTONDOWN / WM_LBUTTONDBLCLK: press and follow the mouse.
void OnButtonDown(HWND hwnd) {
    SetFocus(hwnd);
    if (tagLUMIKEY* plk = LumikeyRecord(hwnd)) {
        SetStateBits(*plk, LKST_PRESSED, true);
        Repaint(hwnd);
        SetCapture(hwnd);
    }
}

// WM_MOUSEMOVE: notify the parent, then track the pointer leaving and re-entering while pressed.
void OnMouseMove(HWND hwnd, LPARAM lParam) {
    NotifyMouseMove(hwnd);
    tagLUMIKEY* plk = LumikeyRecord(hwnd);  // the parent may have destroyed the button
    if (!plk || !(plk->wState & LKST_PRESSED)) return;
    RECT rc;
    GetClientRect(hwnd, &rc);
    const POINT pt{GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)};
    if (SetStateBits(*plk, LKST_OUTSIDE, !PtInRect(&rc, pt))) Repaint(hwnd);
}

// WM_LBUTTONUP: a release inside the button is a click.
void OnButtonUp(HWND hwnd) {
    if (GetCapture() == hwnd) ReleaseCapture();
    tagLUMIKEY* plk = LumikeyRecord(hwnd);
    if (plk && (plk->wState & LKST_PRESSED)) EndPress(hwnd, *plk, !(plk->wState & LKST_OUTSIDE));
}

// WM_CANCELMODE: drop a press without a click.
void OnCancelMode(HWND hwnd, tagLUMIKEY& lk) {
    // Only a press takes the mouse; every disabling sends this message, and asking for the
    // capture costs a trip to the window server.
    const bool fPressed = (lk.wState & LKST_PRESSED) != 0;
    const bool fChanged = SetStateBits(lk, LKST_PRESSED | LKST_OUTSIDE, false);
    if (fPressed && GetCapture() == hwnd) ReleaseCapture();
    if (fChanged) Repaint(hwnd);
}

// Sets or clears state bits that change the look, and shows the change.
LRESULT SetLook(HWND hwnd, tagLUMIKEY& lk, std::uint16_t wBits, bool fOn) {
    SetStateBits(lk, wBits, fOn);
    Repaint(hwnd);
    return 0;
}

// WM_KEYUP of the space bar: a press by keyboard ends in a click.
LRESULT OnSpaceUp(HWND hwnd, tagLUMIKEY& lk) {
    if (lk.wState & LKST_PRESSED) EndPress(hwnd, lk, true);
    return 0;
}

// WM_SETTEXT: the caption follows the window text.
LRESULT OnSetText(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    const LRESULT lResult = DefWindowProcA(hwnd, WM_SETTEXT, wParam, lParam);
    if (tagLUMIKEY* plk = LumikeyRecord(hwnd)) {
        CopyCut(plk->szCaption, LK_CAPTION_SIZE, reinterpret_cast<const char*>(lParam));
        Repaint(hwnd);
    }
    return lResult;
}

// WM_PAINT.
LRESULT OnPaint(HWND hwnd, const tagLUMIKEY& lk) {
    PAINTSTRUCT ps;
    HDC hdc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    LumikeyPaint(hdc, lk, rc.right, rc.bottom);
    EndPaint(hwnd, &ps);
    return 0;
}

// WM_PRINTCLIENT: the same picture into a caller's DC.
LRESULT OnPrintClient(HWND hwnd, const tagLUMIKEY& lk, HDC hdc) {
    RECT rc;
    GetClientRect(hwnd, &rc);
    LumikeyPaint(hdc, lk, rc.right, rc.bottom);
    return 0;
}

// WM_DESTROY: a child cannot own a popup, so the tooltip belongs to the top-level window; end it here.
void OnDestroy(tagLUMIKEY& lk) {
    if (lk.hwndTip && IsWindow(lk.hwndTip)) DestroyWindow(lk.hwndTip);
    lk.hwndTip = nullptr;
}

// Deletes a bitmap the button owns; the library defaults are never the button's to delete.
void DeleteOwnBitmap(HBITMAP hbm) {
    if (hbm && hbm != g_library.hbmDefaultEnable && hbm != g_library.hbmDefaultDisable) DeleteObject(hbm);
}

// WM_NCDESTROY: the bitmaps when auto-delete is set, then the record.
LRESULT OnNcDestroy(HWND hwnd, WPARAM wParam, LPARAM lParam) {
    if (tagLUMIKEY* plk = LumikeyRecord(hwnd)) {
        if (plk->dwAutoDelete) {
            DeleteOwnBitmap(plk->hbmEnable);
            if (plk->hbmDisable != plk->hbmEnable) DeleteOwnBitmap(plk->hbmDisable);
        }
        SetWindowLongPtrA(hwnd, 0, 0);
        LocalFree(plk);
    }
    return DefWindowProcA(hwnd, WM_NCDESTROY, wParam, lParam);
}

// The private messages 1125-1130; later numbers answer 0.
LRESULT OnPrivateMessage(tagLUMIKEY& lk, UINT msg, WPARAM wParam) {
    switch (msg) {
    case LKM_SETENABLEBITMAP:
        return reinterpret_cast<LRESULT>(std::exchange(lk.hbmEnable, reinterpret_cast<HBITMAP>(wParam)));
    case LKM_SETDISABLEBITMAP:
        return reinterpret_cast<LRESULT>(std::exchange(lk.hbmDisable, reinterpret_cast<HBITMAP>(wParam)));
    case LKM_GETENABLEBITMAP: return reinterpret_cast<LRESULT>(lk.hbmEnable);
    case LKM_GETDISABLEBITMAP: return reinterpret_cast<LRESULT>(lk.hbmDisable);
    case LKM_SETAUTODELETE: return LOWORD(std::exchange(lk.dwAutoDelete, static_cast<std::uint32_t>(wParam)));
    case LKM_GETAUTODELETE: return LOWORD(lk.dwAutoDelete);
    default: return 0;
    }
}

}  // namespace

LRESULT CALLBACK LumikeyWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) return OnNcCreate(hwnd, wParam, lParam);
    tagLUMIKEY* plk = LumikeyRecord(hwnd);
    if (!plk) return DefWindowProcA(hwnd, msg, wParam, lParam);
    tagLUMIKEY& lk = *plk;
    // Numbers past 16 bits are the system's own.
    if (msg >= LKM_FIRST && msg <= 0xFFFF) return OnPrivateMessage(lk, msg, wParam);

    switch (msg) {
    case WM_CREATE: return OnCreate(hwnd, lk, *reinterpret_cast<const CREATESTRUCTA*>(lParam));
    case WM_SIZE: return OnSize(hwnd, lk);
    case WM_NOTIFY: return OnNotify(lk, *reinterpret_cast<NMHDR*>(lParam));
    case WM_SETFOCUS:
    case WM_KILLFOCUS: return SetLook(hwnd, lk, LKST_FOCUS, msg == WM_SETFOCUS);
    case WM_ENABLE: return SetLook(hwnd, lk, LKST_DISABLED, !wParam);
    case WM_SHOWWINDOW:
        SetStateBits(lk, LKST_HIDDEN, !wParam);  // hidden buttons need no repaint
        return 0;
    case WM_SETTEXT: return OnSetText(hwnd, wParam, lParam);
    case WM_ERASEBKGND: return 0;
    case WM_PAINT: return OnPaint(hwnd, lk);
    case WM_PRINTCLIENT: return OnPrintClient(hwnd, lk, reinterpret_cast<HDC>(wParam));
    case WM_LBUTTONDOWN:
    case WM_LBUTTONDBLCLK: OnButtonDown(hwnd); return 0;
    case WM_MOUSEMOVE:
        ShowTipWhenHovered(hwnd, lk, wParam, lParam);
        OnMouseMove(hwnd, lParam);
        return 0;
    case WM_LBUTTONUP: OnButtonUp(hwnd); return 0;
    case WM_KEYDOWN:
        if (wParam == VK_SPACE) return SetLook(hwnd, lk, LKST_PRESSED, true);
        break;
    case WM_KEYUP:
        if (wParam == VK_SPACE) return OnSpaceUp(hwnd, lk);
        break;
    case WM_CANCELMODE: OnCancelMode(hwnd, lk); return 0;
    case BM_GETCHECK: return (lk.wState & LKST_CHECKED) ? BST_CHECKED : BST_UNCHECKED;
    case BM_SETCHECK: return SetLook(hwnd, lk, LKST_CHECKED, wParam != BST_UNCHECKED);
    case WM_GETDLGCODE: return DLGC_BUTTON;
    case WM_DESTROY: OnDestroy(lk); return 0;
    case WM_NCDESTROY: return OnNcDestroy(hwnd, wParam, lParam);
    default: break;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
