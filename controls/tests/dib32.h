// Top-down 32-bpp bitmaps, the form the tests read pixels in: row 0 first, each pixel 0x00RRGGBB.
#pragma once
#include <windows.h>

inline BITMAPINFO TopDownInfo32(int width, int height) {
    BITMAPINFO bi{};
    bi.bmiHeader.biSize = sizeof bi.bmiHeader;
    bi.bmiHeader.biWidth = width;
    bi.bmiHeader.biHeight = -height;
    bi.bmiHeader.biPlanes = 1;
    bi.bmiHeader.biBitCount = 32;
    bi.bmiHeader.biCompression = BI_RGB;
    return bi;
}

// A DIB section of that form for dc; its pixels in *bits. Null when none could be made.
inline HBITMAP CreateTopDownDib32(HDC dc, int width, int height, void** bits) {
    const BITMAPINFO bi = TopDownInfo32(width, height);
    return CreateDIBSection(dc, &bi, DIB_RGB_COLORS, bits, nullptr, 0);
}
