// The 3-D lines of the frame's status strip, its toolbar and the popup buttons.
#include "controls/frame3d.h"

namespace {
struct Pens {
    HPEN highlight = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNHIGHLIGHT));
    HPEN shadow = CreatePen(PS_SOLID, 1, GetSysColor(COLOR_BTNSHADOW));
    HDC dc;
    HGDIOBJ old;
    explicit Pens(HDC d) : dc(d), old(SelectObject(d, GetStockObject(BLACK_PEN))) {}
    ~Pens() {
        SelectObject(dc, old);
        DeleteObject(highlight);
        DeleteObject(shadow);
    }
};
}  // namespace

// A 3-D frame just outside the rectangle: sunken shadows the top and left edges.
void DrawFrame3D(HDC dc, const RECT* r, int sunken) {
    Pens pens(dc);
    RECT rc{r->left - 2, r->top - 2, r->right + 1, r->bottom + 1};
    SelectObject(dc, sunken ? pens.shadow : pens.highlight);
    MoveToEx(dc, rc.left, rc.bottom, nullptr);
    LineTo(dc, rc.left, rc.top);
    LineTo(dc, rc.right, rc.top);
    SelectObject(dc, sunken ? pens.highlight : pens.shadow);
    MoveToEx(dc, rc.left + 1, rc.bottom, nullptr);
    LineTo(dc, rc.right, rc.bottom);
    LineTo(dc, rc.right, rc.top);
}

void DrawSunkenBox(HDC dc, const RECT* r, int grey) {
    if (!grey) {
        DrawFrame3D(dc, r, 0);
        return;
    }
    RECT rc{r->left - 2, r->top - 2, r->right + 1, r->bottom + 1};
    HPEN pen = CreatePen(PS_SOLID, 1, RGB(0x80, 0x80, 0x80));
    HGDIOBJ old = SelectObject(dc, pen);
    MoveToEx(dc, rc.left, rc.bottom, nullptr);
    LineTo(dc, rc.left, rc.top);
    LineTo(dc, rc.right + 1, rc.top);
    SelectObject(dc, old);
    DeleteObject(pen);
}

