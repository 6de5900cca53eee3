// Library-wide state of Lumikey.dll and the pieces its source files share.
#pragma once

#include "button/lumikey.h"

#include <utility>

// One per process: the class, the system colours and the drawing objects every button shares.
struct tagLKLIBRARY {
    HINSTANCE hInstance;
    bool fRegistered;
    ATOM atomClass;
    COLORREF clrFace;
    COLORREF clrShadow;
    COLORREF clrHighlight;
    COLORREF clrText;
    COLORREF clrFrame;
    HBRUSH hbrFace;
    HBRUSH hbrShadow;
    HBRUSH hbrHighlight;
    HFONT hfont;
    HDC hdcColor;  // holds a button's bitmap while it is copied
    HDC hdcMono;   // holds the emboss mask
    HBRUSH hbrPattern;
    HBITMAP hbmDefaultEnable;
    HBITMAP hbmDefaultDisable;
};

extern tagLKLIBRARY g_library;

LRESULT CALLBACK LumikeyWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam);
void LumikeyPaint(HDC hdc, const tagLUMIKEY& lk, int cx, int cy);

// Selects a GDI object into a DC for one scope.
class CSelect {
public:
    CSelect(HDC hdc, HGDIOBJ hobj) : m_hdc(hdc), m_hobjOld(SelectObject(hdc, hobj)) {}
    ~CSelect() { SelectObject(m_hdc, m_hobjOld); }
    CSelect(const CSelect&) = delete;
    CSelect& operator=(const CSelect&) = delete;

private:
    HDC m_hdc;
    HGDIOBJ m_hobjOld;
};

// Owns a GDI object made for one scope.
template <typename T>
class CGdiObject {
public:
    explicit CGdiObject(T hobj = nullptr) : m_hobj(hobj) {}
    ~CGdiObject() { Reset(); }
    CGdiObject(CGdiObject&& other) noexcept : m_hobj(std::exchange(other.m_hobj, nullptr)) {}
    CGdiObject& operator=(CGdiObject&& other) noexcept {
        if (this != &other) {
            Reset();
            m_hobj = std::exchange(other.m_hobj, nullptr);
        }
        return *this;
    }
    CGdiObject(const CGdiObject&) = delete;
    CGdiObject& operator=(const CGdiObject&) = delete;

    T Get() const { return m_hobj; }
    explicit operator bool() const { return m_hobj != nullptr; }
    void Reset(T hobj = nullptr) {
        if (m_hobj) DeleteObject(m_hobj);
        m_hobj = hobj;
    }

private:
    T m_hobj;
};
