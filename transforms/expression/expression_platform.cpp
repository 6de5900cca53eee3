// The system's answers behind the machine names of expressions.
#include "transforms/expression/expression_platform.h"
#include <cstdio>
#include <cstdlib>
#include <vector>

namespace {

uint32_t SystemTickCount() { return GetTickCount(); }
int SystemRandom() { return std::rand() & 0x7FFF; }
int SystemLeftButtonDown() { return (GetKeyState(VK_LBUTTON) & 0x8000) != 0; }
int SystemCursorPos(POINT* out) { return GetCursorPos(out) ? 1 : 0; }

// The screen's width as the display reports it.
int SystemScreenWidth() {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    int width = GetDeviceCaps(dc, HORZRES);
    ReleaseDC(nullptr, dc);
    return width;
}

// The screen's height less the taskbar's, when there is a taskbar.
int SystemScreenBottom() {
    HDC dc = GetDC(nullptr);
    if (!dc) return 0;
    int height = GetDeviceCaps(dc, VERTRES);
    ReleaseDC(nullptr, dc);
    RECT rc;
    if (HWND tray = FindWindowA("Shell_TrayWnd", nullptr))
        if (GetClientRect(tray, &rc)) height -= rc.bottom - rc.top;
    return height;
}

// The program file's product version, from its version resource.
int SystemProductVersion(int32_t* major) {
    char path[MAX_PATH];
    if (!GetModuleFileNameA(nullptr, path, sizeof path)) return 0;
    return FileProductVersion(path, major);
}

const stExpressionPlatform kSystemPlatform = {SystemTickCount,   SystemRandom,       SystemLeftButtonDown,
                                              SystemCursorPos,   SystemScreenWidth,  SystemScreenBottom,
                                              SystemProductVersion};
const stExpressionPlatform* g_platform = &kSystemPlatform;

}  // namespace

void SetExpressionPlatform(const stExpressionPlatform* platform) {
    g_platform = platform ? platform : &kSystemPlatform;
}

const stExpressionPlatform& ExpressionPlatform() { return *g_platform; }

// The string table is the one the file's first translation names; a file that lists none is
// looked up under US English in the Windows ANSI code page.
int FileProductVersion(const char* path, int32_t* major) {
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(path, &handle);
    if (!size) return 0;
    std::vector<char> block(size);
    if (!GetFileVersionInfoA(path, 0, size, block.data())) return 0;
    struct Translation {
        WORD language, codePage;
    } table = {0x0409, 1252};
    Translation* first = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block.data(), "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&first), &length) &&
        first && length >= sizeof *first)
        table = *first;
    char key[64];
    std::snprintf(key, sizeof key, "\\StringFileInfo\\%04x%04x\\ProductVersion", table.language, table.codePage);
    char* text = nullptr;
    if (!VerQueryValueA(block.data(), key, reinterpret_cast<void**>(&text), &length) || !text) return 0;
    *major = LeadingVersionNumber(text);
    return 1;
}

// The text up to its first "." read as a decimal integer.
int32_t LeadingVersionNumber(const char* version) { return static_cast<int32_t>(std::strtol(version, nullptr, 10)); }
