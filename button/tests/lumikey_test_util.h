// Shared fixtures for the Lumikey tests: a recording parent window, buttons, bitmaps and pictures.
#pragma once

#include "button/lumikey.h"

#include <cstdint>
#include <utility>
#include <vector>

namespace lktest {

// A window destroyed at the end of its scope.
class Window {
public:
    explicit Window(HWND hwnd = nullptr) : m_hwnd(hwnd) {}
    ~Window() { Reset(); }
    Window(Window&& other) noexcept : m_hwnd(std::exchange(other.m_hwnd, nullptr)) {}
    Window& operator=(Window&& other) noexcept {
        if (this != &other) {
            Reset();
            m_hwnd = std::exchange(other.m_hwnd, nullptr);
        }
        return *this;
    }
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    HWND Get() const { return m_hwnd; }
    void Reset() {
        if (m_hwnd && IsWindow(m_hwnd)) DestroyWindow(m_hwnd);
        m_hwnd = nullptr;
    }

private:
    HWND m_hwnd;
};

// A bitmap deleted at the end of its scope unless something else took it over.
class Bitmap {
public:
    explicit Bitmap(HBITMAP hbm = nullptr) : m_hbm(hbm) {}
    ~Bitmap() {
        if (m_hbm) DeleteObject(m_hbm);
    }
    Bitmap(Bitmap&& other) noexcept : m_hbm(std::exchange(other.m_hbm, nullptr)) {}
    Bitmap(const Bitmap&) = delete;
    Bitmap& operator=(const Bitmap&) = delete;
    Bitmap& operator=(Bitmap&&) = delete;

    HBITMAP Get() const { return m_hbm; }
    HBITMAP Release() { return std::exchange(m_hbm, nullptr); }

private:
    HBITMAP m_hbm;
};

// One message a parent received.
struct Received {
    HWND hwnd;
    UINT msg;
    WPARAM wParam;
    LPARAM lParam;
};

// A visible top-level window that records every WM_COMMAND and hover notification sent to it.
class TestParent {
public:
    TestParent();
    TestParent(const TestParent&) = delete;  // the window keeps a pointer to this object
    TestParent& operator=(const TestParent&) = delete;
    HWND Get() const { return m_window.Get(); }
    std::vector<Received> received;
    int Count(UINT msg) const;

private:
    static LRESULT CALLBACK WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
    Window m_window;
};

struct ButtonLook {
    const char* caption = "";
    const char* tip = nullptr;
    DWORD style = 0;
    int cx = 40;
    int cy = 40;
    int id = 101;
};

// A visible LumikeyButton child of the parent at (10, 10).
Window CreateButton(HWND hwndParent, const ButtonLook& look = ButtonLook{});

// A 32-bpp bitmap of one colour.
Bitmap MakeSolidBitmap(int cx, int cy, COLORREF clr);

// A 32-bpp bitmap whose left half is one colour and right half another.
Bitmap MakeSplitBitmap(int cx, int cy, COLORREF clrLeft, COLORREF clrRight);

// A picture of a window's client area.
struct Image {
    int cx = 0;
    int cy = 0;
    std::vector<std::uint32_t> bits;  // top-down 0x00RRGGBB

    COLORREF At(int x, int y) const;
    int CountColor(COLORREF clr, const RECT& rc) const;
};

// Colour a picture starts as, so unpainted pixels show.
inline constexpr COLORREF kUnpainted = RGB(0xFF, 0x00, 0xFF);

// The button painted into memory through WM_PRINTCLIENT.
Image Render(HWND hwnd);

// What the button's window DC holds now, as shown on screen.
Image Capture(HWND hwnd);

// Lays out a dialog template in memory.
class DialogTemplate {
public:
    DialogTemplate(DWORD style, short cx, short cy);
    void AddItem(const wchar_t* pszClass, const wchar_t* pszText, DWORD style, WORD id, short x, short y, short cx,
                 short cy);
    void AddButtonItem(const wchar_t* pszText, DWORD style, WORD id, short x, short y, short cx, short cy);
    const DLGTEMPLATE* Get() const { return reinterpret_cast<const DLGTEMPLATE*>(m_words.data()); }

private:
    void AlignToDword();
    void AddString(const wchar_t* psz);
    void AddItemHeader(DWORD style, WORD id, short x, short y, short cx, short cy);
    std::vector<WORD> m_words;
};

// Mouse coordinates as the system packs them.
inline LPARAM Point(int x, int y) {
    return MAKELPARAM(static_cast<WORD>(static_cast<short>(x)), static_cast<WORD>(static_cast<short>(y)));
}

}  // namespace lktest
