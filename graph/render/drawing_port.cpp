// The drawing port: lazily made pen and font over a device context.
#include "graph/render/drawing_port.h"

#include "common/color.h"
#include "base/services.h"

namespace {

// Only the low byte of each component counts.
COLORREF PackColor(const stColor16& c) { return RGB(c.red & 0xFF, c.green & 0xFF, c.blue & 0xFF); }

stColor16 UnpackColor(COLORREF c) { return stColor16{GetRValue(c), GetGValue(c), GetBValue(c)}; }

}  // namespace

CPortDC::CPortDC(HDC dc) : m_owner(nullptr), m_dc(dc), m_release(0) {}

CPortDC::CPortDC(HWND owner) : m_owner(owner), m_dc(::GetDC(owner)), m_release(1) {}

CPortDC::~CPortDC() { Finish(); }

// Gives a context that the holder took back to its window, once.
void CPortDC::Finish() {
    if (m_release && m_dc) ReleaseDC(m_owner, m_dc);
    m_release = 0;
}

CDrawPort::CDrawPort(CPortDC* port)
    : m_cur{0, 0},
      m_target{0, 0},
      m_penColor(0x000000),
      m_fillColor(0xFFFFFF),
      m_penWidth(1),
      m_penStyle(PS_SOLID),
      m_fontFace(nullptr),
      m_fontHeight(0),
      m_fontStyle(0),
      m_fillCreated(0),
      m_fillStale(0),
      m_penCreated(0),
      m_penStale(0),
      m_fontCreated(0),
      m_fontStale(0),
      m_port(port) {}

CDrawPort::~CDrawPort() { ReleaseObjects(); }

// Selects an object of the port's own; the one it replaces is deleted only if the port made it.
void CDrawPort::SelectOwn(HGDIOBJ obj, uint32_t* created) {
    HGDIOBJ old = SelectObject(m_port->GetDC(), obj);
    if (*created && old) DeleteObject(old);
    *created = 1;
}

void CDrawPort::PreparePen(int32_t styled) {
    if (!m_penStale) return;
    HPEN pen = CreatePen(styled ? static_cast<int>(m_penStyle) : PS_SOLID, m_penWidth, m_penColor);
    if (!pen) return;
    SelectOwn(pen, &m_penCreated);
    m_penStale = 0;
}

void CDrawPort::PrepareFont() {
    if (!m_fontStale) return;
    HFONT font = CreateFontA(m_fontHeight, 0, 0, 0, (m_fontStyle & kFontBold) ? FW_BOLD : FW_NORMAL,
                             (m_fontStyle & kFontItalic) ? TRUE : FALSE, (m_fontStyle & kFontUnderline) ? TRUE : FALSE,
                             FALSE, DEFAULT_CHARSET, OUT_TT_PRECIS, CLIP_DEFAULT_PRECIS, DRAFT_QUALITY, 4,
                             m_fontFace ? m_fontFace : "");
    if (!font) return;
    SelectOwn(font, &m_fontCreated);
    m_fontStale = 0;
}

void CDrawPort::MoveTo(int32_t x, int32_t y) { m_cur = POINT{x, y}; }

// Two-point polyline from the current point; the end becomes the current point.
void CDrawPort::LineTo(int32_t x, int32_t y, int32_t styled) {
    PreparePen(styled);
    m_target = POINT{x, y};
    const POINT pts[2] = {m_cur, m_target};
    Polyline(m_port->GetDC(), pts, 2);
    m_cur = m_target;
}

// Relative line; a zero step with a one-pixel pen is a dot and needs no pen.
void CDrawPort::Line(int32_t dx, int32_t dy) {
    PreparePen(0);
    if (dx == 0 && dy == 0 && m_penWidth == 1) {
        SetPixel(m_port->GetDC(), m_cur.x, m_cur.y, m_penColor);
        return;
    }
    m_target = POINT{m_cur.x + dx, m_cur.y + dy};
    const POINT pts[2] = {m_cur, m_target};
    Polyline(m_port->GetDC(), pts, 2);
    m_cur = m_target;
}

void CDrawPort::SetPenSize(int32_t width, int32_t) {
    m_penWidth = width;
    m_penStale = 1;
}

void CDrawPort::SetPenStyle(uint16_t style) { m_penStyle = style; }

void CDrawPort::SetPenColor(const stColor16* color) {
    m_penColor = PackColor(*color);
    m_penStale = 1;
}

void CDrawPort::GetPenColor(stColor16* color) const { *color = UnpackColor(m_penColor); }

void CDrawPort::SetFillColor(const stColor16* color) {
    m_fillColor = PackColor(*color);
    m_fillStale = 1;
}

void CDrawPort::GetFillColor(stColor16* color) const { *color = UnpackColor(m_fillColor); }

void CDrawPort::SetPenPattern(const void*) {}

void CDrawPort::SetFillPattern(const void*) {}

void CDrawPort::SetFont(const char* face, int32_t height, uint32_t style) {
    m_fontFace = face;
    m_fontHeight = height;
    m_fontStyle = style;
    m_fontStale = 1;
}

// Text at the current point; the point stays.
void CDrawPort::DrawString(const stCountedText* text) {
    PrepareFont();
    if (text->text) TextOutA(m_port->GetDC(), m_cur.x, m_cur.y, text->text, text->length);
}

int16_t CDrawPort::StringWidth(const stCountedText* text) {
    PrepareFont();
    SIZE size{0, 0};
    if (!text->text || !GetTextExtentPoint32A(m_port->GetDC(), text->text, text->length, &size)) return 0;
    return static_cast<int16_t>(size.cx);
}

// Stock objects replace the port's own, which are deleted; the context does not get back
// what it held before the port drew.
void CDrawPort::ReleaseObjects() {
    HDC dc = m_port->GetDC();
    struct {
        uint32_t* created;
        int stock;
    } const kinds[] = {{&m_penCreated, BLACK_PEN}, {&m_fillCreated, WHITE_BRUSH}, {&m_fontCreated, SYSTEM_FONT}};
    for (const auto& k : kinds) {
        if (!*k.created) continue;
        HGDIOBJ own = SelectObject(dc, GetStockObject(k.stock));
        if (own) DeleteObject(own);
        *k.created = 0;
    }
}

int SetEscapeState(stEscapeCheck* status, int keyDown) {
    status->state = keyDown ? kEscapePressed : 0;
    return keyDown ? 1 : 0;
}

int CheckEscape(stEscapeCheck* status) { return SetEscapeState(status, IsEscapeKeyDown()); }
