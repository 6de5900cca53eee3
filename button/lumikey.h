// Lumikey.dll: the bitmap push button. Clients create windows of class LUMIKEY_CLASSNAME and
// talk to them through the exports or the LKM_ messages below.
#pragma once

#include <windows.h>

#include <cstdint>

#ifdef LUMIKEY_BUILD
#define LUMIKEY_API extern "C" __declspec(dllexport)
#else
#define LUMIKEY_API extern "C" __declspec(dllimport)
#endif

// Window class registered when the library loads.
inline constexpr char LUMIKEY_CLASSNAME[] = "LumikeyButton";

// Notification sent to the parent on every mouse move over a button; wParam = the button.
inline constexpr UINT LKN_MOUSEMOVE = WM_USER + 1;  // 1025

// Private messages. None of them repaints: a caller changing a visible button invalidates it.
inline constexpr UINT LKM_SETENABLEBITMAP = 1125;   // wParam = HBITMAP; returns the previous one
inline constexpr UINT LKM_SETDISABLEBITMAP = 1126;  // wParam = HBITMAP; returns the previous one
inline constexpr UINT LKM_GETENABLEBITMAP = 1127;
inline constexpr UINT LKM_GETDISABLEBITMAP = 1128;
inline constexpr UINT LKM_SETAUTODELETE = 1129;  // wParam = flag; returns the previous flag
inline constexpr UINT LKM_GETAUTODELETE = 1130;
inline constexpr UINT LKM_FIRST = LKM_SETENABLEBITMAP;
inline constexpr UINT LKM_LAST = LKM_GETAUTODELETE;

// Creation style bits.
inline constexpr DWORD LKS_TEXTONLY = 0x0100;    // caption only, no bitmap
inline constexpr DWORD LKS_BITMAPONLY = 0x0200;  // bitmap only, no caption

// tagLUMIKEY::wState bits.
inline constexpr std::uint16_t LKST_DISABLED = 0x01;
inline constexpr std::uint16_t LKST_HIDDEN = 0x02;
inline constexpr std::uint16_t LKST_OUTSIDE = 0x04;  // pointer outside while pressed
inline constexpr std::uint16_t LKST_PRESSED = 0x08;  // mouse or space bar down
inline constexpr std::uint16_t LKST_FOCUS = 0x20;
inline constexpr std::uint16_t LKST_CHECKED = 0x40;  // BM_GETCHECK answers BST_CHECKED for it

inline constexpr int LK_CAPTION_SIZE = 66;  // 65 characters and the terminator
inline constexpr int LK_TIP_SIZE = 64;      // 63 characters and the terminator

// Per-button record, kept with the window; the device library edits szTip in place.
struct tagLUMIKEY {
    HWND hwndParent;        // receives WM_COMMAND
    std::uint32_t dwStyle;  // creation style
    std::uint16_t wState;   // LKST_ bits
    char szCaption[LK_CAPTION_SIZE];
    HBITMAP hbmEnable;
    HBITMAP hbmDisable;          // null: the enabled bitmap is drawn embossed
    std::uint32_t dwAutoDelete;  // non-zero: bitmaps are deleted with the button
    char szTip[LK_TIP_SIZE];
    HWND hwndTip;  // the button's own tooltip, made when the pointer first moves over it
};

// The record of a Lumikey button (null while it is being created or after it is gone).
inline tagLUMIKEY* LumikeyRecord(HWND hwndButton) {
    return reinterpret_cast<tagLUMIKEY*>(GetWindowLongPtrA(hwndButton, 0));
}

// The button's exports. Only tests call these now, bar LKSetEnableBitmap and LKSetDisableBitmap;
// they are entry points kept for a later caller.
LUMIKEY_API BOOL WINAPI LKLoadBitmaps(HWND hwndButton, HINSTANCE hModule, LPCSTR pszEnable, LPCSTR pszDisable);
LUMIKEY_API BOOL WINAPI LKSetBitmaps(HWND hwndButton, HBITMAP hbmEnable, HBITMAP hbmDisable);
LUMIKEY_API HBITMAP WINAPI LKSetEnableBitmap(HWND hwndButton, HBITMAP hbm);
LUMIKEY_API HBITMAP WINAPI LKSetDisableBitmap(HWND hwndButton, HBITMAP hbm);
LUMIKEY_API HBITMAP WINAPI LKGetEnableBitmap(HWND hwndButton);
LUMIKEY_API HBITMAP WINAPI LKGetDisableBitmap(HWND hwndButton);
LUMIKEY_API std::uint16_t WINAPI LKSetAutoDelete(HWND hwndButton, std::uint32_t fAutoDelete);
LUMIKEY_API std::uint16_t WINAPI LKGetAutoDelete(HWND hwndButton);
LUMIKEY_API BOOL WINAPI LKColorChange(void);
