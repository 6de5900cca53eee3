// The channel buttons of a graph window and the grid that owns them.
#include "graph/view/channel_items.h"
#include "controls/frame3d.h"
#include "base/app.h"
#include <cstdio>

namespace {
constexpr COLORREF kHatchBack = RGB(0xC0, 0xC0, 0xC0);
constexpr int kFaceInset = 3;
constexpr int kStripeRise = 4;
}  // namespace

CChannelItem::CChannelItem(HWND parent, COLORREF stripe, int16_t slot)
    : m_parent(parent), m_stripe(stripe), m_slot(slot) {}

// The grid places its buttons by their top-left corner.
void CChannelItem::SetPosition(int x, int y) { OffsetRect(&m_rect, x - m_rect.left, y - m_rect.top); }

// Width and height from the top-left corner.
void CChannelItem::SetSize(int width, int height) {
    m_rect.right = m_rect.left + width;
    m_rect.bottom = m_rect.top + height;
}

// PtInRect on the button.
bool CChannelItem::Contains(int x, int y) const {
    POINT p{x, y};
    return PtInRect(&m_rect, p) != FALSE;
}

// A click on a visible, enabled button flips its pressed state.
int CChannelItem::Toggle(int x, int y) {
    if (!Contains(x, y) || !m_visible || m_disabled) return 0;
    m_selected = !m_selected;
    Draw();
    return 1;
}

// Face (plain or hatched), 3-D frame, black outline, colour stripe and the slot number.
void CChannelItem::Draw() {
    if (!m_visible || !m_parent || !IsWindow(m_parent)) return;
    HDC dc = GetDC(m_parent);
    if (!dc) return;
    int oldMode = SetBkMode(dc, TRANSPARENT);
    HGDIOBJ oldFont = g_app && g_app->fonts.hfontText ? SelectObject(dc, g_app->fonts.hfontText) : nullptr;
    if (m_hatched) {
        HBRUSH hatch = CreateHatchBrush(HS_DIAGCROSS, RGB(0, 0, 0));
        COLORREF oldBk = SetBkColor(dc, kHatchBack);
        int opaque = SetBkMode(dc, OPAQUE);
        FillRect(dc, &m_rect, hatch);
        SetBkMode(dc, opaque);
        SetBkColor(dc, oldBk);
        DeleteObject(hatch);
    } else {
        FillRect(dc, &m_rect,
                 g_app && g_app->brushes.hbrFace ? g_app->brushes.hbrFace : GetSysColorBrush(COLOR_BTNFACE));
    }
    RECT inner = m_rect;
    InflateRect(&inner, -kFaceInset, -kFaceInset);
    DrawSunkenBox(dc, &inner, m_selected ? 1 : 0);
    FrameRect(dc, &m_rect, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
    HPEN pen = CreatePen(PS_SOLID, 1, m_stripe);
    HGDIOBJ oldPen = SelectObject(dc, pen);
    MoveToEx(dc, m_rect.left + kFaceInset, m_rect.bottom - kStripeRise, nullptr);
    LineTo(dc, m_rect.right - kFaceInset, m_rect.bottom - kStripeRise);
    SelectObject(dc, oldPen);
    DeleteObject(pen);
    char text[8];
    int n = std::snprintf(text, sizeof text, "%d", m_slot);
    UINT oldAlign = SetTextAlign(dc, TA_CENTER | TA_TOP);
    COLORREF oldColor = SetTextColor(dc, RGB(0, 0, 0));
    int shift = m_selected ? 1 : 0;
    TextOutA(dc, (m_rect.left + m_rect.right) / 2 + shift, m_rect.top + 1 + shift, text, n);
    SetTextColor(dc, oldColor);
    SetTextAlign(dc, oldAlign);
    if (oldFont) SelectObject(dc, oldFont);
    SetBkMode(dc, oldMode);
    ReleaseDC(m_parent, dc);
}

// The buttons go with the grid.
CChannelButtonGrid::~CChannelButtonGrid() { Clear(); }

// The grid owns its buttons.
void CChannelButtonGrid::Clear() {
    for (int i = 0; i < GetCount(); ++i) delete Button(i);
    RemoveAll();
}

// Hidden buttons are not hit.
int CChannelButtonGrid::ButtonAt(int x, int y) const {
    for (int i = 0; i < GetCount(); ++i) {
        CChannelItem* b = Button(i);
        if (b && b->IsVisible() && b->Contains(x, y)) return i;
    }
    return -1;
}

// The button that stands for a slot.
int CChannelButtonGrid::IndexOfSlot(int slot) const {
    for (int i = 0; i < GetCount(); ++i)
        if (Button(i) && Button(i)->GetChannel() == slot) return i;
    return -1;
}
