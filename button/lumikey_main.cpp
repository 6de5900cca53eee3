// Lumikey.dll start-up and shut-down, the shared drawing objects, and the exported calls.
#include "button/lumikey_private.h"

#include "button/lumikey_res.h"

#include <commctrl.h>

#include <cstdint>

tagLKLIBRARY g_library{};

namespace {

constexpr int kClassNameSize = 64;
constexpr DWORD kAllCommonControls = 0xFF;
constexpr int kPatternSize = 8;

// Reads the five colours the buttons are drawn in.
void ReadSystemColors() {
    g_library.clrFace = GetSysColor(COLOR_BTNFACE);
    g_library.clrShadow = GetSysColor(COLOR_BTNSHADOW);
    // Systems before 4.0 have no separate highlight colour.
    const bool fOldSystem = LOBYTE(LOWORD(GetVersion())) < 4;
    g_library.clrHighlight = fOldSystem ? RGB(255, 255, 255) : GetSysColor(COLOR_BTNHIGHLIGHT);
    g_library.clrText = GetSysColor(COLOR_BTNTEXT);
    g_library.clrFrame = GetSysColor(COLOR_WINDOWFRAME);
}

// Replaces a brush with a new one, deleting the old.
void ReplaceBrush(HBRUSH& hbr, HBRUSH hbrNew) {
    if (hbr) DeleteObject(hbr);
    hbr = hbrNew;
}

// Makes the solid face, shadow and highlight brushes from the current colours.
void MakeSolidBrushes() {
    ReplaceBrush(g_library.hbrFace, CreateSolidBrush(g_library.clrFace));
    ReplaceBrush(g_library.hbrShadow, CreateSolidBrush(g_library.clrShadow));
    ReplaceBrush(g_library.hbrHighlight, CreateSolidBrush(g_library.clrHighlight));
}

RGBQUAD ToRgbQuad(COLORREF clr) { return RGBQUAD{GetBValue(clr), GetGValue(clr), GetRValue(clr), 0}; }

// Makes the 8x8 checkerboard of face and highlight pixels.
HBRUSH MakePatternBrush() {
    struct {
        BITMAPINFOHEADER bmih;
        RGBQUAD colors[2];
        std::uint32_t rows[kPatternSize];  // 1-bit rows, each padded to 32 bits
    } dib{};
    dib.bmih.biSize = sizeof(dib.bmih);
    dib.bmih.biWidth = kPatternSize;
    dib.bmih.biHeight = kPatternSize;
    dib.bmih.biPlanes = 1;
    dib.bmih.biBitCount = 1;
    dib.bmih.biCompression = BI_RGB;
    dib.colors[0] = ToRgbQuad(g_library.clrFace);
    dib.colors[1] = ToRgbQuad(g_library.clrHighlight);
    for (int y = 0; y < kPatternSize; ++y) dib.rows[y] = (y % 2 == 0) ? 0x55 : 0xAA;
    return CreateDIBPatternBrushPt(&dib, DIB_RGB_COLORS);
}

// Makes the drawing objects every button shares.
void MakeDrawingObjects() {
    ReadSystemColors();
    MakeSolidBrushes();
    g_library.hfont = static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
    g_library.hdcColor = CreateCompatibleDC(nullptr);
    g_library.hdcMono = CreateCompatibleDC(nullptr);
    g_library.hbrPattern = MakePatternBrush();
}

// Deletes what MakeDrawingObjects made.
void DeleteDrawingObjects() {
    ReplaceBrush(g_library.hbrFace, nullptr);
    ReplaceBrush(g_library.hbrShadow, nullptr);
    ReplaceBrush(g_library.hbrHighlight, nullptr);
    ReplaceBrush(g_library.hbrPattern, nullptr);
    for (HDC* phdc : {&g_library.hdcColor, &g_library.hdcMono}) {
        if (*phdc) DeleteDC(*phdc);
        *phdc = nullptr;
    }
    g_library.hfont = nullptr;  // stock object: never deleted
}

// Registers the button class under the name kept in the string table; once per process.
bool RegisterButtonClass() {
    if (g_library.fRegistered) return true;
    char szClass[kClassNameSize] = {};
    if (!LoadStringA(g_library.hInstance, IDS_LUMIKEY_CLASSNAME, szClass, kClassNameSize)) return false;

    WNDCLASSA wc{};
    wc.style = CS_GLOBALCLASS | CS_DBLCLKS | CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = LumikeyWndProc;
    wc.cbWndExtra = sizeof(tagLUMIKEY*);
    wc.hInstance = g_library.hInstance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = szClass;
    g_library.atomClass = RegisterClassA(&wc);
    if (!g_library.atomClass) return false;

    g_library.fRegistered = true;
    MakeDrawingObjects();
    return true;
}

// Process attach: common controls for the tooltips, then the class.
BOOL LibraryAttach(HINSTANCE hInstance) {
    DisableThreadLibraryCalls(hInstance);
    g_library.hInstance = hInstance;
    INITCOMMONCONTROLSEX icc{sizeof(icc), kAllCommonControls};
    if (!InitCommonControlsEx(&icc)) return FALSE;
    return RegisterButtonClass() ? TRUE : FALSE;
}

// Deletes a default bitmap when one was set.
void DeleteDefaultBitmap(HBITMAP& hbm) {
    if (hbm) DeleteObject(hbm);
    hbm = nullptr;
}

// Process detach on FreeLibrary; at process exit the system reclaims everything itself.
void LibraryDetach(bool fProcessExit) {
    if (!fProcessExit) {
        DeleteDefaultBitmap(g_library.hbmDefaultEnable);
        DeleteDefaultBitmap(g_library.hbmDefaultDisable);
        // A global class outlives the module that registered it; drop it so a reload can register again.
        if (g_library.fRegistered) UnregisterClassA(MAKEINTATOM(g_library.atomClass), g_library.hInstance);
        DeleteDrawingObjects();
    }
    g_library = tagLKLIBRARY{};
}

}  // namespace

extern "C" BOOL WINAPI DllMain(HINSTANCE hInstance, DWORD dwReason, LPVOID pvReserved) {
    switch (dwReason) {
    case DLL_PROCESS_ATTACH: return LibraryAttach(hInstance);
    case DLL_PROCESS_DETACH: LibraryDetach(pvReserved != nullptr); return TRUE;
    default: return TRUE;
    }
}

LUMIKEY_API BOOL WINAPI LKLoadBitmaps(HWND hwndButton, HINSTANCE hModule, LPCSTR pszEnable, LPCSTR pszDisable) {
    if (pszEnable) LKSetEnableBitmap(hwndButton, LoadBitmapA(hModule, pszEnable));
    if (pszDisable) LKSetDisableBitmap(hwndButton, LoadBitmapA(hModule, pszDisable));
    return TRUE;
}

LUMIKEY_API BOOL WINAPI LKSetBitmaps(HWND hwndButton, HBITMAP hbmEnable, HBITMAP hbmDisable) {
    LKSetEnableBitmap(hwndButton, hbmEnable);
    LKSetDisableBitmap(hwndButton, hbmDisable);
    return TRUE;
}

LUMIKEY_API HBITMAP WINAPI LKSetEnableBitmap(HWND hwndButton, HBITMAP hbm) {
    return reinterpret_cast<HBITMAP>(SendMessageA(hwndButton, LKM_SETENABLEBITMAP, reinterpret_cast<WPARAM>(hbm), 0));
}

LUMIKEY_API HBITMAP WINAPI LKSetDisableBitmap(HWND hwndButton, HBITMAP hbm) {
    return reinterpret_cast<HBITMAP>(SendMessageA(hwndButton, LKM_SETDISABLEBITMAP, reinterpret_cast<WPARAM>(hbm), 0));
}

LUMIKEY_API HBITMAP WINAPI LKGetEnableBitmap(HWND hwndButton) {
    return reinterpret_cast<HBITMAP>(SendMessageA(hwndButton, LKM_GETENABLEBITMAP, 0, 0));
}

LUMIKEY_API HBITMAP WINAPI LKGetDisableBitmap(HWND hwndButton) {
    return reinterpret_cast<HBITMAP>(SendMessageA(hwndButton, LKM_GETDISABLEBITMAP, 0, 0));
}

LUMIKEY_API std::uint16_t WINAPI LKSetAutoDelete(HWND hwndButton, std::uint32_t fAutoDelete) {
    return static_cast<std::uint16_t>(SendMessageA(hwndButton, LKM_SETAUTODELETE, fAutoDelete, 0));
}

LUMIKEY_API std::uint16_t WINAPI LKGetAutoDelete(HWND hwndButton) {
    return static_cast<std::uint16_t>(SendMessageA(hwndButton, LKM_GETAUTODELETE, 0, 0));
}

LUMIKEY_API BOOL WINAPI LKColorChange(void) {
    ReadSystemColors();
    MakeSolidBrushes();
    return TRUE;
}
