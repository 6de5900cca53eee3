// The drawing port: a current point, a pen, a fill colour and a font over any device context,
// with the GDI objects made only when a drawing call needs them.
#pragma once
#include <windows.h>
#include <cstdint>
#include "controls/dc_guard.h"

struct stColor16;

// The context a port draws through; releases it to its window only when it got it itself.
class CPortDC {
public:
    explicit CPortDC(HDC dc);
    // Takes the window's context and gives it back when finished.
    explicit CPortDC(HWND owner);
    ~CPortDC();
    CPortDC(const CPortDC&) = delete;
    CPortDC& operator=(const CPortDC&) = delete;

    HDC GetDC() const { return m_dc; }
    void Finish();

private:
    HWND m_owner;
    HDC m_dc;
    uint32_t m_release;
};

// A text as the port's text operations take it; at most 255 characters.
struct stCountedText {
    uint8_t length;
    const char* text;
};

// Font style bits.
constexpr uint32_t kFontBold = 1, kFontItalic = 2, kFontUnderline = 4;

class CDrawPort {
public:
    explicit CDrawPort(CPortDC* port);
    ~CDrawPort();
    CDrawPort(const CDrawPort&) = delete;
    CDrawPort& operator=(const CDrawPort&) = delete;

    void MoveTo(int32_t x, int32_t y);
    // styled 0 makes a stale pen solid whatever style is stored.
    void LineTo(int32_t x, int32_t y, int32_t styled);
    // A zero step with a one-pixel pen sets the pixel under the current point.
    void Line(int32_t dx, int32_t dy);
    void SetPenSize(int32_t width, int32_t unused);
    // Takes effect at the next pen creation only.
    void SetPenStyle(uint16_t style);
    void SetPenColor(const stColor16* color);
    void GetPenColor(stColor16* color) const;
    void SetFillColor(const stColor16* color);
    void GetFillColor(stColor16* color) const;
    // Patterns are not supported by the port; both calls are accepted and ignored.
    void SetPenPattern(const void* pattern);
    void SetFillPattern(const void* pattern);
    void SetFont(const char* face, int32_t height, uint32_t style);
    void DrawString(const stCountedText* text);
    int16_t StringWidth(const stCountedText* text);
    // Puts stock objects in place of the port's own and deletes them.
    void ReleaseObjects();

    int32_t CurrentX() const { return m_cur.x; }
    int32_t CurrentY() const { return m_cur.y; }

private:
    void PreparePen(int32_t styled);
    void PrepareFont();
    void SelectOwn(HGDIOBJ obj, uint32_t* created);

    // The current point and the target point side by side: the two points of one polyline.
    POINT m_cur;
    POINT m_target;
    COLORREF m_penColor;
    COLORREF m_fillColor;
    int32_t m_penWidth;
    uint32_t m_penStyle;
    const char* m_fontFace;
    int32_t m_fontHeight;
    uint32_t m_fontStyle;
    uint32_t m_fillCreated, m_fillStale, m_penCreated, m_penStale, m_fontCreated, m_fontStale;
    CPortDC* m_port;
};

// Escape status of a plotting loop: the second word holds kEscapePressed while Escape is down.
struct stEscapeCheck {
    uint32_t reserved;
    uint32_t state;
};
constexpr uint32_t kEscapePressed = 0x808000;

// Reads the Escape key now (not a queued message); 1 while it is held.
// Entry point kept for a later caller; only tests call it now.
int CheckEscape(stEscapeCheck* status);
// The same with a given key state, for the loops' tests.
int SetEscapeState(stEscapeCheck* status, int keyDown);
