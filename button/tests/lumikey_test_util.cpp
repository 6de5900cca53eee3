// Shared fixtures for the Lumikey tests.
#include "button/tests/lumikey_test_util.h"

namespace lktest {

namespace {

constexpr char kParentClass[] = "LumikeyTestParent";

std::uint32_t ToDibPixel(COLORREF clr) {
    return (static_cast<std::uint32_t>(GetRValue(clr)) << 16) | (static_cast<std::uint32_t>(GetGValue(clr)) << 8) |
           GetBValue(clr);
}

// A top-down 32-bpp DIB section; bits point at its pixels.
HBITMAP MakeDib(int cx, int cy, std::uint32_t** ppBits) {
    BITMAPINFO bmi{};
    bmi.bmiHeader.biSize = sizeof(bmi.bmiHeader);
    bmi.bmiHeader.biWidth = cx;
    bmi.bmiHeader.biHeight = -cy;
    bmi.bmiHeader.biPlanes = 1;
    bmi.bmiHeader.biBitCount = 32;
    bmi.bmiHeader.biCompression = BI_RGB;
    void* pvBits = nullptr;
    HBITMAP hbm = CreateDIBSection(nullptr, &bmi, DIB_RGB_COLORS, &pvBits, nullptr, 0);
    *ppBits = static_cast<std::uint32_t*>(pvBits);
    return hbm;
}

void RegisterParentClass(WNDPROC pfnWndProc) {
    WNDCLASSA wc{};
    if (GetClassInfoA(GetModuleHandleA(nullptr), kParentClass, &wc)) return;
    wc.lpfnWndProc = pfnWndProc;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    wc.lpszClassName = kParentClass;
    RegisterClassA(&wc);
}

// Paints a window's client area into a fresh DIB; the painter gets a DC holding it.
template <typename Painter>
Image PaintInto(HWND hwnd, Painter paint) {
    RECT rc{};
    GetClientRect(hwnd, &rc);
    Image image;
    image.cx = rc.right;
    image.cy = rc.bottom;
    std::uint32_t* pBits = nullptr;
    HBITMAP hbm = MakeDib(image.cx, image.cy, &pBits);
    if (!hbm) return image;
    HDC hdc = CreateCompatibleDC(nullptr);
    HGDIOBJ hOld = SelectObject(hdc, hbm);
    for (int i = 0; i < image.cx * image.cy; ++i) pBits[i] = ToDibPixel(kUnpainted);
    paint(hdc, image.cx, image.cy);
    GdiFlush();
    image.bits.assign(pBits, pBits + image.cx * image.cy);
    SelectObject(hdc, hOld);
    DeleteDC(hdc);
    DeleteObject(hbm);
    return image;
}

}  // namespace

TestParent::TestParent() {
    RegisterParentClass(&TestParent::WndProc);
    constexpr DWORD kStyle = WS_POPUP | WS_VISIBLE | WS_CLIPCHILDREN;
    m_window = Window(CreateWindowExA(0, kParentClass, "Lumikey test", kStyle, 10, 10, 300, 200, nullptr, nullptr,
                                      GetModuleHandleA(nullptr), nullptr));
    SetWindowLongPtrA(Get(), GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
}

LRESULT CALLBACK TestParent::WndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<TestParent*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (self && (msg == WM_COMMAND || msg == LKN_MOUSEMOVE)) {
        self->received.push_back(Received{hwnd, msg, wParam, lParam});
        return 0;
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

int TestParent::Count(UINT msg) const {
    int n = 0;
    for (const Received& r : received) n += r.msg == msg ? 1 : 0;
    return n;
}

Window CreateButton(HWND hwndParent, const ButtonLook& look) {
    return Window(CreateWindowExA(0, LUMIKEY_CLASSNAME, look.caption, WS_CHILD | WS_VISIBLE | look.style, 10, 10,
                                  look.cx, look.cy, hwndParent, reinterpret_cast<HMENU>(static_cast<INT_PTR>(look.id)),
                                  GetModuleHandleA(nullptr), const_cast<char*>(look.tip)));
}

Bitmap MakeSplitBitmap(int cx, int cy, COLORREF clrLeft, COLORREF clrRight) {
    std::uint32_t* pBits = nullptr;
    HBITMAP hbm = MakeDib(cx, cy, &pBits);
    if (hbm) {
        for (int y = 0; y < cy; ++y)
            for (int x = 0; x < cx; ++x) pBits[y * cx + x] = ToDibPixel(x < cx / 2 ? clrLeft : clrRight);
        GdiFlush();
    }
    return Bitmap(hbm);
}

Bitmap MakeSolidBitmap(int cx, int cy, COLORREF clr) { return MakeSplitBitmap(cx, cy, clr, clr); }

COLORREF Image::At(int x, int y) const {
    if (x < 0 || y < 0 || x >= cx || y >= cy) return CLR_INVALID;
    const std::uint32_t px = bits[static_cast<size_t>(y) * cx + x];
    return RGB((px >> 16) & 0xFF, (px >> 8) & 0xFF, px & 0xFF);
}

int Image::CountColor(COLORREF clr, const RECT& rc) const {
    int n = 0;
    for (int y = rc.top; y < rc.bottom; ++y)
        for (int x = rc.left; x < rc.right; ++x) n += At(x, y) == clr ? 1 : 0;
    return n;
}

Image Render(HWND hwnd) {
    return PaintInto(hwnd, [hwnd](HDC hdc, int, int) {
        SendMessageA(hwnd, WM_PRINTCLIENT, reinterpret_cast<WPARAM>(hdc), PRF_CLIENT);
    });
}

Image Capture(HWND hwnd) {
    return PaintInto(hwnd, [hwnd](HDC hdc, int cx, int cy) {
        HDC hdcWindow = GetDC(hwnd);
        BitBlt(hdc, 0, 0, cx, cy, hdcWindow, 0, 0, SRCCOPY);
        ReleaseDC(hwnd, hdcWindow);
    });
}

DialogTemplate::DialogTemplate(DWORD style, short cx, short cy) {
    m_words = {LOWORD(style), HIWORD(style), 0, 0, 0, 10, 10, static_cast<WORD>(cx), static_cast<WORD>(cy)};
    m_words.insert(m_words.end(), {0, 0, 0});  // no menu, the standard class, no title
}

void DialogTemplate::AlignToDword() {
    if (m_words.size() % 2 != 0) m_words.push_back(0);
}

void DialogTemplate::AddString(const wchar_t* psz) {
    for (; *psz; ++psz) m_words.push_back(static_cast<WORD>(*psz));
    m_words.push_back(0);
}

void DialogTemplate::AddItemHeader(DWORD style, WORD id, short x, short y, short cx, short cy) {
    AlignToDword();
    m_words.insert(m_words.end(), {LOWORD(style), HIWORD(style), 0, 0, static_cast<WORD>(x), static_cast<WORD>(y),
                                   static_cast<WORD>(cx), static_cast<WORD>(cy), id});
    ++m_words[4];  // item count
}

void DialogTemplate::AddItem(const wchar_t* pszClass, const wchar_t* pszText, DWORD style, WORD id, short x, short y,
                             short cx, short cy) {
    AddItemHeader(style, id, x, y, cx, cy);
    AddString(pszClass);
    AddString(pszText);
    m_words.push_back(0);  // no creation data
}

void DialogTemplate::AddButtonItem(const wchar_t* pszText, DWORD style, WORD id, short x, short y, short cx, short cy) {
    constexpr WORD kButtonAtom = 0x0080;
    AddItemHeader(style, id, x, y, cx, cy);
    m_words.insert(m_words.end(), {0xFFFF, kButtonAtom});
    AddString(pszText);
    m_words.push_back(0);
}

}  // namespace lktest
