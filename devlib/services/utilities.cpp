// Number texts, rounding to a step, popup placement, free disk space and memory.
#include "devlib/services/utilities.h"

#include "devlib/services/library.h"
#include "devlib/vk40.h"

#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

constexpr int32_t kMaxDigits = 31;
constexpr int32_t kMaxText = 160;
constexpr double kLogZero = 1e-10;  // a logarithm this close to 0 counts as 0
constexpr DWORD kFirstWin95BuildWithEx = 1081;
constexpr double kRecordingMemoryShare = 0.1;
constexpr double kStandOutShare = 0.9;  // a popup this far off the desktop is brought back

bool g_positioningPopup = false;  // PlaceChildWindow ignores the moves PositionPopup makes

const char* KeyedText(const char* key) {
    const char* text = getMsgBoxText(key);
    return text ? text : key;
}

// The significant digits of value (positive or 0) and its decimal exponent.
struct stDigits {
    char d[kMaxDigits + 1];
    int32_t count;
    int32_t exponent;
};

// The digits of a positive value, rounded in their last place.
stDigits MakeDigits(double value, int32_t digits, uint32_t flags) {
    stDigits out{};
    int32_t e = 0;
    if (value != 0) {
        double lg = std::log10(value);
        if (std::fabs(lg) < kLogZero) lg = 0;
        e = static_cast<int32_t>(std::floor(lg));
    }
    int32_t significant = (flags & kFmtFixedDecimals) ? digits + 1 + e : digits;
    if ((flags & kFmtFixedDecimals) && significant < 1) {
        value = 0;  // too small for the places asked for: it prints as 0
        e = 0;
        significant = digits + 1;
    }
    significant = significant < 1 ? 1 : significant > kMaxDigits ? kMaxDigits : significant;
    double m = value != 0 ? value / std::pow(10.0, e) : 0.0;
    m += 0.5 * std::pow(10.0, 1 - significant);
    if (m >= 10) {
        m /= 10;
        ++e;
        if (flags & kFmtFixedDecimals) significant = significant + 1 > kMaxDigits ? kMaxDigits : significant + 1;
    }
    for (int32_t i = 0; i < significant; ++i) {
        int digit = static_cast<int>(m);
        digit = digit < 0 ? 0 : digit > 9 ? 9 : digit;
        out.d[i] = static_cast<char>('0' + digit);
        m = (m - digit) * 10;
    }
    out.count = significant;
    if (!(flags & kFmtFixedDecimals)) {
        while (out.count > 1 && out.d[out.count - 1] == '0') --out.count;
    }
    out.exponent = e;
    return out;
}

bool IsZero(const stDigits& n) {
    for (int32_t i = 0; i < n.count; ++i) {
        if (n.d[i] != '0') return false;
    }
    return true;
}

// "E", the exponent's sign and digits.
void ExponentText(int32_t e, uint32_t flags, char* out, size_t size) {
    std::snprintf(out, size, "E%s%d", e < 0 ? "-" : (flags & kFmtPlusSign) ? "+" : "", e < 0 ? -e : e);
}

// Exponent form when asked for, when the plain form cannot fit, or when it is shorter.
bool WantsExponent(const stDigits& n, int32_t width, int32_t signLength, uint32_t flags, int32_t exponentLength) {
    const int32_t e = n.exponent;
    if ((flags & kFmtExponent) || e > width - 2 - signLength) return true;
    if (flags & (kFmtFixedDecimals | kFmtNoExponent)) return false;
    if (e >= 0) return n.count + exponentLength <= e;
    return exponentLength < -e + 1;
}

// Digits with the decimal point in its place, zeros filled up to it or after "0.".
void PlainText(const stDigits& n, char* out) {
    int32_t at = 0;
    const int32_t e = n.exponent;
    if (e >= 0) {
        for (int32_t i = 0; i <= e && at < kMaxText - 2; ++i) out[at++] = i < n.count ? n.d[i] : '0';
        if (n.count > e + 1) {
            out[at++] = '.';
            for (int32_t i = e + 1; i < n.count && at < kMaxText - 1; ++i) out[at++] = n.d[i];
        }
    } else {
        out[at++] = '0';
        out[at++] = '.';
        for (int32_t i = 1; i < -e && at < kMaxText - 1; ++i) out[at++] = '0';
        for (int32_t i = 0; i < n.count && at < kMaxText - 1; ++i) out[at++] = n.d[i];
    }
    out[at] = '\0';
}

// d.ddd and the exponent, the mantissa cut to the room left; "BIG" or "SMALL" when no digit fits.
void ExponentForm(const stDigits& n, const char* exponent, int32_t room, char* out) {
    const int32_t exponentLength = static_cast<int32_t>(strlen(exponent));
    if (1 + exponentLength > room) {
        lstrcpyA(out, n.exponent > 0 ? "BIG" : "SMALL");
        return;
    }
    int32_t count = n.count;
    while (count > 1 && count + 1 + exponentLength > room) --count;
    int32_t at = 0;
    out[at++] = n.d[0];
    if (count > 1) {
        out[at++] = '.';
        for (int32_t i = 1; i < count; ++i) out[at++] = n.d[i];
    }
    out[at] = '\0';
    lstrcatA(out, exponent);
}

// Pads text to the flags' alignment inside width characters.
void Align(char* text, int32_t width, uint32_t flags, bool plain) {
    int32_t length = static_cast<int32_t>(strlen(text));
    int32_t lead = 0;
    if (flags & kFmtRightAlign) {
        lead = width - length;
    } else if ((flags & kFmtAlignPoint) && plain) {
        const char* point = strchr(text, '.');
        lead = width / 2 - static_cast<int32_t>(point ? point - text : length);
    }
    if (lead > 0 && length + lead <= width) {
        memmove(text + lead, text, static_cast<size_t>(length) + 1);
        memset(text, ' ', static_cast<size_t>(lead));
        length += lead;
    }
    if (flags & kFmtPadRight) {
        while (length < width - 1) text[length++] = ' ';
        text[length] = '\0';
    }
}

// The step-of-zero complaint of RoundUp and RoundDown.
void ComplainZeroStep() {
    MessageBoxA(g_lib.hostFrame, KeyedText("inc=0.0!"), KeyedText("RoundUp"), MB_OK | MB_ICONEXCLAMATION);
}

}  // namespace

// A number for the library's value fields: significant digits or fixed decimals, plain or exponent form.
int32_t FormatValueText(int32_t width, int32_t digits, uint32_t flags, double value, char* buffer) {
    if (!buffer) return 0;
    buffer[0] = '\0';
    if (width <= 0) return 0;
    if (width > kMaxText / 2) width = kMaxText / 2;
    char text[kMaxText] = "";
    bool plain = false;
    if (!std::isfinite(value)) {
        lstrcpyA(text, std::isnan(value) ? "?" : value < 0 ? "-BIG" : "BIG");
    } else {
        const char* sign = value < 0 ? "-" : (flags & kFmtPlusSign) ? "+" : "";
        stDigits n = MakeDigits(std::fabs(value), digits, flags);
        if (value < 0 && IsZero(n)) sign = "";  // a value that prints as 0 carries no minus
        const int32_t signLength = static_cast<int32_t>(strlen(sign));
        char exponent[16];
        ExponentText(n.exponent, flags, exponent, sizeof(exponent));
        lstrcpyA(text, sign);
        if (WantsExponent(n, width, signLength, flags, static_cast<int32_t>(strlen(exponent)))) {
            ExponentForm(n, exponent, width - signLength, text + signLength);
        } else {
            PlainText(n, text + signLength);
            plain = true;
        }
    }
    text[width] = '\0';
    Align(text, width, flags, plain);
    lstrcpynA(buffer, text, width + 1);
    return static_cast<int32_t>(strlen(buffer));
}

// ---- Rounding to a step ----

// Up to the next multiple of step (toward zero for negative values).
double RoundUp(double value, double step) {
    if (step == 0) {
        ComplainZeroStep();
        return value;
    }
    const double n = std::trunc(value / step);
    if (n * step == value) return value;
    return value >= 0 ? step * (n + 1) : step * n;
}

// Down to the multiple of step below (away from zero for negative values).
double RoundDown(double value, double step) {
    if (step == 0) {
        ComplainZeroStep();
        return value;
    }
    const double n = std::trunc(value / step);
    if (n * step == value) return value;
    return value >= 0 ? step * n : step * (n - 1);
}

// To the nearest multiple, halves away from zero.
double RoundNearest(double value, double step) {
    if (step == 0) return value;
    const double q = value / step;
    return step * std::trunc(q >= 0 ? q + 0.5 : q - 0.5);
}

// ---- Popup placement ----

namespace {

// Brings a span that stands out of [low, high) by 90% or more of its size fully back.
int32_t KeepOnDesktop(int32_t at, int32_t size, int32_t low, int32_t high) {
    const double limit = kStandOutShare * size;
    if (low - at >= limit) return low;
    if (at + size - high >= limit) return high - size;
    return at;
}

// Converts between the owner's client coordinates and the screen (or a child's parent).
void OwnerToScreen(HWND window, POINT* p) {
    if (HWND owner = GetParent(window)) ClientToScreen(owner, p);
}

void ScreenToOwner(HWND window, POINT* p) {
    if (HWND owner = GetParent(window)) ScreenToClient(owner, p);
}

}  // namespace

// Shows a popup at its stored place (owner client coordinates); a rectangle without size keeps
// the window's own size.
void PositionPopup(HWND window, RECT* rect, int32_t useShow, int32_t show) {
    if (!window || !rect) return;
    g_positioningPopup = true;
    const bool wasVisible = IsWindowVisible(window) != FALSE;
    ShowWindow(window, SW_HIDE);
    RECT current;
    GetWindowRect(window, &current);
    int32_t width = rect->right - rect->left;
    int32_t height = rect->bottom - rect->top;
    if (IsRectEmpty(rect)) {
        width = current.right - current.left;
        height = current.bottom - current.top;
    }
    POINT at = {rect->left, rect->top};
    OwnerToScreen(window, &at);
    RECT desktop;
    GetWindowRect(GetDesktopWindow(), &desktop);
    at.x = KeepOnDesktop(at.x, width, desktop.left, desktop.right);
    at.y = KeepOnDesktop(at.y, height, desktop.top, desktop.bottom);
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ScreenToOwner(window, &at);
    MoveWindow(window, at.x, at.y, width, height, TRUE);
    if (useShow)
        ShowWindow(window, show);
    else if (wasVisible)
        ShowWindow(window, SW_SHOW);
    g_positioningPopup = false;
}

// On WM_MOVE: the window's outer rectangle in its owner's client coordinates, found from the new
// client origin less the window's own frame (and caption).
void PlaceChildWindow(HWND window, RECT* rect, int32_t x, int32_t y) {
    if (g_positioningPopup || !window || !rect) return;
    RECT outer;
    GetWindowRect(window, &outer);
    POINT client = {0, 0};
    ClientToScreen(window, &client);
    POINT at = {x - (client.x - outer.left), y - (client.y - outer.top)};
    if (!(GetWindowLongA(window, GWL_STYLE) & WS_CHILD)) ScreenToOwner(window, &at);
    rect->left = at.x;
    rect->top = at.y;
    rect->right = at.x + (outer.right - outer.left);
    rect->bottom = at.y + (outer.bottom - outer.top);
}

// On WM_SIZE: the stored rectangle takes the new client size plus the window's frame.
void ClampWindowToScreen(HWND window, RECT* rect, int32_t width, int32_t height) {
    if (!window || !rect) return;
    RECT outer;
    RECT inner;
    GetWindowRect(window, &outer);
    GetClientRect(window, &inner);
    rect->right = rect->left + width + (outer.right - outer.left) - inner.right;
    rect->bottom = rect->top + height + (outer.bottom - outer.top) - inner.bottom;
}

// ---- Disk and memory ----

// The 64-bit query where the system has it, else clusters times their size.
double GetFreeDiskSpace(const char* root) {
    using DiskFreeEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    const bool hasEx = GetVersionExA(&info) && (info.dwPlatformId == VER_PLATFORM_WIN32_NT ||
                                                (info.dwBuildNumber & 0xFFFF) >= kFirstWin95BuildWithEx);
    if (hasEx) {
        const auto freeEx = reinterpret_cast<DiskFreeEx>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetDiskFreeSpaceExA")));
        ULARGE_INTEGER available;
        ULARGE_INTEGER total;
        ULARGE_INTEGER free;
        if (freeEx && freeEx(root, &available, &total, &free)) return static_cast<double>(available.QuadPart);
    }
    DWORD sectors = 0;
    DWORD bytes = 0;
    DWORD freeClusters = 0;
    DWORD clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters)) return 0;
    return static_cast<double>(sectors) * bytes * freeClusters;
}

double GetFreeMemoryForRecording() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    return kRecordingMemoryShare * static_cast<double>(status.dwTotalPhys);
}

// ---- CVK40Fix ----

// Moves a window by offset across (0) or down, in its parent's client coordinates, keeping its size.
void CVK40Fix::MoveW(HWND window, int offset, MOVE_DIR direction) {
    if (!window) return;
    RECT r;
    GetWindowRect(window, &r);
    POINT at = {r.left, r.top};
    if (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ScreenToOwner(window, &at);
    if (direction == MOVE_HORZ)
        at.x += offset;
    else
        at.y += offset;
    SetWindowPos(window, nullptr, at.x, at.y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}
