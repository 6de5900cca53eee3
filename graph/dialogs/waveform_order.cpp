// Set Waveform Order: the graph's channels in their tiling order, each with a box that says
// whether it is shown. A channel is dragged to another place in the list; OK rewrites the
// graph's channel order and the channels' hidden bits.
#include "graph/dialogs/dialogs_api.h"
#include "base/app.h"
#include "graph/graph_ids.h"
#include "devlib/vk40.h"
#include <cstdio>

namespace {

constexpr int kRow = 16;
constexpr UINT kMoveRequest = WM_USER + 201;

struct stOrderDialog {
    tagGS* gs;
    HBITMAP check;
    WNDPROC listProc;
    bool dragging;
    int dragIndex;
    LRESULT dragData;
    int targetRow;
};
stOrderDialog* g_order = nullptr;  // one modal dialog at a time

// A slot is listed when it holds a channel with samples.
bool Listed(const tagGS* gs, uint32_t slot) {
    return slot < static_cast<uint32_t>(kMaxChannels) && gs->chanBlock[slot] && (gs->chanFlags[slot] & 2);
}

// One straight line.
void Line(HDC dc, int x0, int y0, int x1, int y1) {
    MoveToEx(dc, x0, y0, nullptr);
    LineTo(dc, x1, y1);
}

// A frame in a system colour.
void FrameWith(HDC dc, const RECT& r, int sysColor) {
    HBRUSH b = CreateSolidBrush(GetSysColor(sysColor));
    FrameRect(dc, &r, b);
    DeleteObject(b);
}

// The sunken box, the tick of a shown channel, "Ch n" and the label in the channel's colour.
void DrawItemContent(HDC dc, const RECT& item, uint32_t data) {
    const uint32_t slot = data & 0xFFFF, flags = data >> 16;
    RECT box{item.left, item.top, item.left + kRow, item.top + kRow};
    RECT text{box.right + 8, item.top, box.right + 48, item.bottom};
    RECT label{text.right, item.top, item.right, item.bottom};
    HBRUSH face = GetSysColorBrush(COLOR_BTNFACE);
    FillRect(dc, &box, face);
    FillRect(dc, &text, face);
    InflateRect(&box, -2, -2);
    HPEN dark = CreatePen(PS_SOLID, 1, RGB(0x40, 0x40, 0x40)), white = CreatePen(PS_SOLID, 1, RGB(255, 255, 255)),
         black = CreatePen(PS_SOLID, 1, 0);
    HGDIOBJ old = SelectObject(dc, dark);
    MoveToEx(dc, box.right - 1, box.top, nullptr);
    LineTo(dc, box.left, box.top);
    LineTo(dc, box.left, box.bottom);
    SelectObject(dc, white);
    MoveToEx(dc, box.right - 1, box.top + 1, nullptr);
    LineTo(dc, box.right - 1, box.bottom - 1);
    LineTo(dc, box.left, box.bottom - 1);
    SelectObject(dc, black);
    MoveToEx(dc, box.right - 2, box.top + 1, nullptr);
    LineTo(dc, box.left + 1, box.top + 1);
    LineTo(dc, box.left + 1, box.bottom - 1);
    SelectObject(dc, old);
    DeleteObject(dark);
    DeleteObject(white);
    DeleteObject(black);
    if (!(flags & kChanHidden) && g_order && g_order->check) {
        HDC mem = CreateCompatibleDC(dc);
        HGDIOBJ oldBm = SelectObject(mem, g_order->check);
        BITMAP bm{};
        GetObjectA(g_order->check, sizeof bm, &bm);
        BitBlt(dc, box.left + 2, box.top + 2, bm.bmWidth, bm.bmHeight, mem, 0, 0, SRCCOPY);
        SelectObject(mem, oldBm);
        DeleteDC(mem);
    }
    SetBkMode(dc, TRANSPARENT);
    SetTextColor(dc, 0);
    char name[16];
    std::snprintf(name, sizeof name, "Ch %2u", slot);
    DrawTextA(dc, name, -1, &text, DT_SINGLELINE | DT_VCENTER);
    if (g_order && slot < static_cast<uint32_t>(kMaxChannels)) {
        SetTextColor(dc, g_order->gs->chanColor[slot]);
        DrawTextA(dc, g_order->gs->chanLabel[slot], -1, &label, DT_SINGLELINE | DT_VCENTER);
    }
}

// While dragging, the dragged item is the highlighted one.
void DrawOrderItem(const DRAWITEMSTRUCT* di) {
    HDC dc = di->hDC;
    const bool dragging = g_order && g_order->dragging;
    const bool selectFrame =
        dragging ? static_cast<LRESULT>(di->itemData) == g_order->dragData : (di->itemState & ODS_SELECTED) != 0;
    const bool focusFill = dragging ? selectFrame : (di->itemState & ODS_FOCUS) != 0;
    const bool content = di->itemID != static_cast<UINT>(-1);
    if (content && (di->itemAction & (ODA_SELECT | ODA_DRAWENTIRE))) {
        RECT r = di->rcItem;
        if (selectFrame) r.left += 64;
        FrameWith(dc, r, selectFrame ? COLOR_HIGHLIGHT : COLOR_BTNFACE);
    }
    if (di->itemAction & (ODA_FOCUS | ODA_DRAWENTIRE)) {
        RECT r = di->rcItem;
        if (focusFill) r.left += 60;
        HBRUSH b = CreateSolidBrush(GetSysColor(focusFill ? COLOR_HIGHLIGHT : COLOR_BTNFACE));
        FillRect(dc, &r, b);
        FrameRect(dc, &r, b);
        DeleteObject(b);
        if (content) DrawItemContent(dc, di->rcItem, static_cast<uint32_t>(di->itemData));
    }
}

// The insertion mark: a line along the top of the target row with a small arrow head at its left.
void DrawMark(HWND list, int row, bool erase) {
    RECT client;
    GetClientRect(list, &client);
    HDC dc = GetDC(list);
    HPEN pen = CreatePen(PS_SOLID, 1, erase ? GetSysColor(COLOR_BTNFACE) : 0);
    HGDIOBJ old = SelectObject(dc, pen);
    const int y = row * kRow;
    MoveToEx(dc, 62, y - 2, nullptr);
    LineTo(dc, 64, y);
    LineTo(dc, client.right, y);
    Line(dc, 62, y + 2, 64, y);
    SelectObject(dc, old);
    DeleteObject(pen);
    ReleaseDC(list, dc);
}

// Clicks in the box tick; other clicks start a drag that ends in a move request.
LRESULT CALLBACK ListProc(HWND list, UINT msg, WPARAM wParam, LPARAM lParam) {
    stOrderDialog* d = g_order;
    if (!d) return DefWindowProcA(list, msg, wParam, lParam);
    const LRESULT passed = CallWindowProcA(d->listProc, list, msg, wParam, lParam);
    const int y = static_cast<short>(HIWORD(lParam)), x = static_cast<short>(LOWORD(lParam));
    const int row = y / kRow;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (msg == WM_LBUTTONDOWN && row < count && y >= 0) {
        RECT box{2, row * kRow + 2, kRow - 2, row * kRow + kRow - 2};
        POINT pt{x, y};
        const LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
        if (PtInRect(&box, pt)) {
            SendMessageA(GetParent(list), WM_COMMAND, MAKEWPARAM(IDC_ORDER_LIST, IDN_ORDER_CHECK),
                         reinterpret_cast<LPARAM>(list));
            InvalidateRect(list, &box, FALSE);
        } else if (sel >= 0) {
            d->dragging = true;
            d->targetRow = row;
            d->dragIndex = static_cast<int>(sel);
            d->dragData = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
        }
    } else if (msg == WM_MOUSEMOVE && d->dragging) {
        RECT client;
        GetClientRect(list, &client);
        if (row != d->targetRow && row <= count && y >= 1 && y < client.bottom - 8) {
            DrawMark(list, d->targetRow, true);
            d->targetRow = row;
            RECT target{0, row * kRow, client.right, row * kRow + kRow};
            HDC dc = GetDC(list);
            FrameWith(dc, target, COLOR_BTNFACE);
            ReleaseDC(list, dc);
            DrawMark(list, row, false);
        }
    } else if (msg == WM_LBUTTONUP && d->dragging) {
        if (d->dragIndex != d->targetRow) {
            DrawMark(list, d->targetRow, true);
            SendMessageA(GetParent(list), kMoveRequest, MAKEWPARAM(0, 0),
                         MAKELPARAM(static_cast<WORD>(d->dragIndex), static_cast<WORD>(d->targetRow)));
        }
        d->dragging = false;
        InvalidateRect(list, nullptr, FALSE);
    }
    return passed;
}

// The dragged channel moves before the one that was at the target row.
void MoveItem(HWND list, int from, int row) {
    int to = row + static_cast<int>(SendMessageA(list, LB_GETTOPINDEX, 0, 0));
    const LRESULT data = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(from), 0);
    SendMessageA(list, LB_INSERTSTRING, static_cast<WPARAM>(to), data);
    if (to < from) ++from;
    SendMessageA(list, LB_DELETESTRING, static_cast<WPARAM>(from), 0);
    if (to > from) --to;
    SendMessageA(list, LB_SETCURSEL, static_cast<WPARAM>(to), 0);
}

// The list in display order, each item's data the slot and its flags.
void OnOrderInit(HWND dlg, stOrderDialog* d) {
    HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
    SendMessageA(list, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(ANSI_VAR_FONT)), 0);
    d->listProc =
        reinterpret_cast<WNDPROC>(SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ListProc)));
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    const tagGS* gs = d->gs;
    for (int p = 0; p < kMaxChannels; ++p) {
        const uint32_t s = gs->chanOrder[p];
        if (Listed(gs, s)) SendMessageA(list, LB_ADDSTRING, 0, static_cast<LPARAM>(s + gs->chanFlags[s] * 65536u));
    }
    SendMessageA(list, LB_SETCURSEL, 0, 0);
    HandleTheDialog(dlg, IDD_WAVEFORM_ORDER);
}

// Whether no listed channel would stay shown.
bool EveryItemHidden(HWND list, int count) {
    for (int i = 0; i < count; ++i)
        if (!((SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(i), 0) >> 16) & kChanHidden)) return false;
    return count > 0;
}

// The k-th position that held a listed channel takes the k-th list item and its flags. A graph
// with every channel hidden would show nothing at all: that OK is refused.
void OnOrderOk(HWND dlg, stOrderDialog* d) {
    HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
    tagGS* gs = d->gs;
    const int count = static_cast<int>(SendMessageA(list, LB_GETCOUNT, 0, 0));
    if (EveryItemHidden(list, count)) {
        MessageBeep(static_cast<UINT>(-1));
        SetFocus(list);
        return;
    }
    int k = 0;
    for (int p = 0; p < kMaxChannels && k < count; ++p) {
        if (!Listed(gs, gs->chanOrder[p])) continue;
        const uint32_t data = static_cast<uint32_t>(SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(k++), 0));
        const uint32_t slot = data & 0xFFFF;
        gs->chanOrder[p] = slot;
        gs->chanFlags[slot] = data >> 16;
    }
    EndDialog(dlg, 1);
}

// Rows are 16 pixels high; the move request and the tick come from the list.
INT_PTR CALLBACK OrderProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: OnOrderInit(dlg, g_order); return TRUE;
    case WM_MEASUREITEM: reinterpret_cast<MEASUREITEMSTRUCT*>(lParam)->itemHeight = kRow; return TRUE;
    case WM_DRAWITEM: DrawOrderItem(reinterpret_cast<const DRAWITEMSTRUCT*>(lParam)); return TRUE;
    case kMoveRequest: MoveItem(GetDlgItem(dlg, IDC_ORDER_LIST), LOWORD(lParam), HIWORD(lParam)); return TRUE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_ORDER_LIST && HIWORD(wParam) == IDN_ORDER_CHECK) {
            HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
            const LRESULT sel = SendMessageA(list, LB_GETCURSEL, 0, 0);
            if (sel >= 0) {
                const LRESULT data = SendMessageA(list, LB_GETITEMDATA, static_cast<WPARAM>(sel), 0);
                SendMessageA(list, LB_SETITEMDATA, static_cast<WPARAM>(sel), data ^ (LRESULT(kChanHidden) << 16));
            }
        } else if (LOWORD(wParam) == IDOK) {
            OnOrderOk(dlg, g_order);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    case WM_DESTROY: {
        HWND list = GetDlgItem(dlg, IDC_ORDER_LIST);
        if (g_order && g_order->listProc)
            SetWindowLongPtrA(list, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_order->listProc));
        return FALSE;
    }
    default: return FALSE;
    }
}

}  // namespace

// The tick bitmap lives only while the dialog is open.
int ShowWaveformOrderDialog(HWND owner, tagGS* gs) {
    if (!gs || !g_app || g_order) return 0;
    stOrderDialog d{};
    d.gs = gs;
    d.check = LoadBitmapA(g_app->hInstance, IDB_ORDER_CHECK);
    g_order = &d;
    const INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_WAVEFORM_ORDER), owner, OrderProc, 0);
    g_order = nullptr;
    if (d.check) DeleteObject(d.check);
    return result == 1 ? 1 : 0;
}
