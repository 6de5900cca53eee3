// The device-context guards: a window's context given back, and a context's state put back, on
// every path. They sit here, the lowest library that draws through them, so every part above
// uses the same two.
#pragma once
#include <windows.h>

// The given context as it is, else the window's own for the scope, given back when it ends; no
// context for a null window. Screen() is the whole screen's.
class CWindowDC {
public:
    explicit CWindowDC(HWND hwnd, HDC given = nullptr) : CWindowDC(hwnd, given, hwnd != nullptr) {}
    static CWindowDC Screen() { return CWindowDC(nullptr, nullptr, true); }
    ~CWindowDC() {
        if (m_owned) ReleaseDC(m_hwnd, m_dc);
    }
    CWindowDC(const CWindowDC&) = delete;
    CWindowDC& operator=(const CWindowDC&) = delete;
    HDC get() const { return m_dc; }

private:
    CWindowDC(HWND hwnd, HDC given, bool take) : m_hwnd(hwnd), m_dc(given) {
        if (m_dc || !take) return;
        m_dc = GetDC(hwnd);
        m_owned = m_dc != nullptr;
    }

    HWND m_hwnd;
    HDC m_dc;
    bool m_owned = false;
};

// Restores the context's objects, clipping, colours and alignment when the scope ends.
class CSavedDC {
public:
    explicit CSavedDC(HDC dc) : m_dc(dc), m_id(SaveDC(dc)) {}
    ~CSavedDC() {
        if (m_id) RestoreDC(m_dc, m_id);
    }
    CSavedDC(const CSavedDC&) = delete;
    CSavedDC& operator=(const CSavedDC&) = delete;

private:
    HDC m_dc;
    int m_id;
};
