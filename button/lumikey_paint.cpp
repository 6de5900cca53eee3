// Painting a LumikeyButton: frame, face, 3-D edges, bitmap, caption and focus rectangle.
#include "button/lumikey_private.h"

namespace {

constexpr DWORD kRopPSDPxax = 0xB8074A;  // pattern where the source is black, destination elsewhere
constexpr int kEmbossWidth = 16;         // the emboss takes a toolbar-sized glyph from the top left
constexpr int kEmbossHeight = 15;
constexpr int kCaptionStrip = 15;  // height of the caption strip under the bitmap
constexpr COLORREF kBlack = RGB(0, 0, 0);
constexpr COLORREF kWhite = RGB(255, 255, 255);
constexpr COLORREF kDisabledText = RGB(0x40, 0x40, 0x40);

struct PaintContext {
    HDC hdc;
    const tagLUMIKEY& lk;
    int cx;
    int cy;
    bool fSunken;
    int offset;  // content shift of the sunken look
};

// Fills a rectangle given by origin and size with a brush.
void FillBox(HDC hdc, int x, int y, int cx, int cy, HBRUSH hbr) {
    const RECT rc{x, y, x + cx, y + cy};
    FillRect(hdc, &rc, hbr);
}

// Fills a rectangle given by origin and size with a colour that has no brush of its own.
void FillBox(HDC hdc, int x, int y, int cx, int cy, COLORREF clr) {
    const COLORREF clrOld = SetDCBrushColor(hdc, clr);
    FillBox(hdc, x, y, cx, cy, static_cast<HBRUSH>(GetStockObject(DC_BRUSH)));
    SetDCBrushColor(hdc, clrOld);
}

// Steps 1-2: frame without its corners, then the face.
void PaintFrameAndFace(const PaintContext& pc) {
    const int cx = pc.cx;
    const int cy = pc.cy;
    FillBox(pc.hdc, 1, 0, cx - 2, 1, g_library.clrFrame);
    FillBox(pc.hdc, 1, cy - 1, cx - 2, 1, g_library.clrFrame);
    FillBox(pc.hdc, 0, 1, 1, cy - 2, g_library.clrFrame);
    FillBox(pc.hdc, cx - 1, 1, 1, cy - 2, g_library.clrFrame);
    FillBox(pc.hdc, 1, 1, cx - 2, cy - 2, g_library.hbrFace);
}

// Steps 3-4: a shadow along the top left when sunken, highlight and double shadow when raised.
void PaintEdges(const PaintContext& pc) {
    const int cx = pc.cx;
    const int cy = pc.cy;
    if (pc.fSunken) {
        FillBox(pc.hdc, 1, 1, 1, cy - 2, g_library.hbrShadow);
        FillBox(pc.hdc, 1, 1, cx - 2, 1, g_library.hbrShadow);
        return;
    }
    FillBox(pc.hdc, 1, 1, 1, cy - 3, g_library.hbrHighlight);
    FillBox(pc.hdc, 1, 1, cx - 3, 1, g_library.hbrHighlight);
    FillBox(pc.hdc, cx - 2, 1, 1, cy - 2, g_library.hbrShadow);
    FillBox(pc.hdc, 1, cy - 2, cx - 2, 1, g_library.hbrShadow);
    FillBox(pc.hdc, cx - 3, 2, 1, cy - 4, g_library.hbrShadow);
    FillBox(pc.hdc, 2, cy - 3, cx - 4, 1, g_library.hbrShadow);
}

// Step 5, plain: the bitmap centred on the button.
void PaintCentredBitmap(const PaintContext& pc, HBITMAP hbm) {
    BITMAP bm{};
    if (!GetObjectA(hbm, sizeof(bm), &bm)) return;
    const int x = (pc.cx - 1) / 2 + pc.offset - bm.bmWidth / 2;
    const int y = (pc.cy - 1) / 2 + pc.offset - bm.bmHeight / 2;
    CSelect select(g_library.hdcColor, hbm);
    BitBlt(pc.hdc, x, y, bm.bmWidth, bm.bmHeight, g_library.hdcColor, 0, 0, SRCCOPY);
}

// Step 5, disabled without a disabled bitmap: the glyph's dark pixels etched in highlight and shadow.
void PaintEmbossedBitmap(const PaintContext& pc, HBITMAP hbm) {
    const int cxMask = pc.cx - 2;
    const int cyMask = pc.cy - 2;
    if (cxMask <= 0 || cyMask <= 0) return;
    CGdiObject<HBITMAP> mask(CreateBitmap(cxMask, cyMask, 1, 1, nullptr));
    if (!mask) return;
    HDC hdcMono = g_library.hdcMono;
    HDC hdcColor = g_library.hdcColor;
    CSelect selectMask(hdcMono, mask.Get());
    PatBlt(hdcMono, 0, 0, cxMask, cyMask, WHITENESS);
    {
        // Face and highlight pixels turn white, everything else black.
        CSelect selectGlyph(hdcColor, hbm);
        const COLORREF clrBkOld = SetBkColor(hdcColor, g_library.clrFace);
        BitBlt(hdcMono, 2, 2, kEmbossWidth, kEmbossHeight, hdcColor, 0, 0, SRCCOPY);
        SetBkColor(hdcColor, g_library.clrHighlight);
        BitBlt(hdcMono, 2, 2, kEmbossWidth, kEmbossHeight, hdcColor, 0, 0, SRCPAINT);
        SetBkColor(hdcColor, clrBkOld);
    }
    const COLORREF clrTextOld = SetTextColor(pc.hdc, kBlack);
    const COLORREF clrBkOld = SetBkColor(pc.hdc, kWhite);
    {
        CSelect selectBrush(pc.hdc, g_library.hbrHighlight);
        BitBlt(pc.hdc, 2, 2, cxMask, cyMask, hdcMono, 0, 0, kRopPSDPxax);
    }
    {
        CSelect selectBrush(pc.hdc, g_library.hbrShadow);
        BitBlt(pc.hdc, 1, 1, cxMask, cyMask, hdcMono, 0, 0, kRopPSDPxax);
    }
    SetBkColor(pc.hdc, clrBkOld);
    SetTextColor(pc.hdc, clrTextOld);
}

// Step 5: the bitmap for the current state.
void PaintBitmap(const PaintContext& pc) {
    const tagLUMIKEY& lk = pc.lk;
    if (lk.dwStyle & LKS_TEXTONLY) return;
    if (!(lk.wState & LKST_DISABLED)) {
        if (lk.hbmEnable) PaintCentredBitmap(pc, lk.hbmEnable);
    } else if (lk.hbmDisable) {
        PaintCentredBitmap(pc, lk.hbmDisable);
    } else if (lk.hbmEnable) {
        PaintEmbossedBitmap(pc, lk.hbmEnable);
    }
}

// Step 6: the caption, over the whole button or in the strip under the bitmap.
void PaintCaption(const PaintContext& pc) {
    const tagLUMIKEY& lk = pc.lk;
    if (lk.dwStyle & LKS_BITMAPONLY) return;
    RECT rc = (lk.dwStyle & LKS_TEXTONLY) ? RECT{0, 0, pc.cx - 1, pc.cy - 1}
                                          : RECT{0, pc.cy - kCaptionStrip, pc.cx - 1, pc.cy - 2};
    InflateRect(&rc, -1, -1);
    OffsetRect(&rc, pc.offset, pc.offset);

    CSelect selectFont(pc.hdc, g_library.hfont);
    const int iModeOld = SetBkMode(pc.hdc, TRANSPARENT);
    constexpr UINT kFormat = DT_SINGLELINE | DT_CENTER | DT_VCENTER;
    COLORREF clrTextOld;
    if (!(lk.wState & LKST_DISABLED)) {
        clrTextOld = SetTextColor(pc.hdc, g_library.clrText);
        DrawTextA(pc.hdc, lk.szCaption, -1, &rc, kFormat);
    } else {
        RECT rcLight = rc;
        OffsetRect(&rcLight, 1, 0);
        clrTextOld = SetTextColor(pc.hdc, kWhite);
        DrawTextA(pc.hdc, lk.szCaption, -1, &rcLight, kFormat);
        SetTextColor(pc.hdc, kDisabledText);
        DrawTextA(pc.hdc, lk.szCaption, -1, &rc, kFormat);
    }
    SetTextColor(pc.hdc, clrTextOld);
    SetBkMode(pc.hdc, iModeOld);
}

// Step 7: the focus rectangle inside the frame, above the caption strip's bottom edge.
void PaintFocus(const PaintContext& pc) {
    if (!(pc.lk.wState & LKST_FOCUS)) return;
    const bool fBitmapOnly = (pc.lk.dwStyle & LKS_BITMAPONLY) != 0;
    RECT rc{0, 0, pc.cx - 1, fBitmapOnly ? pc.cy - 1 : pc.cy - 2};
    InflateRect(&rc, -2, fBitmapOnly ? -2 : -1);
    OffsetRect(&rc, pc.offset, pc.offset);
    CGdiObject<HPEN> pen(CreatePen(PS_DOT, 1, kBlack));
    CSelect selectPen(pc.hdc, pen ? static_cast<HGDIOBJ>(pen.Get()) : GetStockObject(BLACK_PEN));
    CSelect selectBrush(pc.hdc, GetStockObject(NULL_BRUSH));
    DrawFocusRect(pc.hdc, &rc);
}

}  // namespace

void LumikeyPaint(HDC hdc, const tagLUMIKEY& lk, int cx, int cy) {
    const bool fPressedInside = (lk.wState & (LKST_PRESSED | LKST_OUTSIDE)) == LKST_PRESSED;
    const bool fSunken = fPressedInside || (lk.wState & LKST_CHECKED);
    const PaintContext pc{hdc, lk, cx, cy, fSunken, fSunken ? 1 : 0};
    PaintFrameAndFace(pc);
    PaintEdges(pc);
    PaintBitmap(pc);
    PaintCaption(pc);
    PaintFocus(pc);
}
