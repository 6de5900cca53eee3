// The shared services every part of the program calls: the wait cursor and the message boxes.
#include "base/services.h"
#include "base/app.h"
#include "base/resource.h"
#include "base/notify.h"
#include "devlib/vk40.h"
#include <cstdarg>
#include <cstdio>

namespace {

// The low byte of a selection error code; IDS_NO_MEMORY and IDS_NO_DISK_SPACE are codes too.
constexpr uint32_t kErrCancelled = 1, kErrBadParameter = 2, kErrNoSelection = 0x22, kErrBadSelection = 0x24;

// Why a transform refused its parameters, by the second byte of a kErrBadParameter code.
constexpr struct {
    uint32_t reason;
    const char* key;
} kParameterReasons[] = {
    {0x25, "At least 1 interval is required for the difference transform."},
    {0x27, "An Interval of at least 3 samples is required for the smoothing transform."},
    {0x2A, "An Interval of at least 3 samples is required for FIR filters."},
    {0x2B, "An Interval of at least 4 samples is required for a Fourier transform."},
    {0x33, "FIR Filters require at least 3 coefficients."},
};

// A known reason has a keyed text; any other is a string of the string table.
void ReportBadParameter(HWND hwnd, uint32_t code) {
    const uint32_t reason = (code >> 8) & 0xFF;
    for (const auto& known : kParameterReasons) {
        if (known.reason != reason) continue;
        MessageBoxA(hwnd, Keyed(known.key), Keyed(kProgramTitleKey), MB_ICONEXCLAMATION);
        return;
    }
    MessageBoxFromStringTable(hwnd, MB_ICONEXCLAMATION, reason, "");
}

}  // namespace

void SetWaitCursor(int on) {
    if (!g_app) return;
    if (on) {
        if (g_app->wait.nWaitCount == 0)
            g_app->wait.hcurBeforeWait = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
        ++g_app->wait.nWaitCount;
    } else if (g_app->wait.nWaitCount > 0) {
        if (--g_app->wait.nWaitCount == 0) SetCursor(g_app->wait.hcurBeforeWait);
    }
}

uint16_t WaitCursorDepth() { return g_app ? g_app->wait.nWaitCount : 0; }

int MessageBoxFromStringTable(HWND, UINT style, UINT id, ...) {
    char format[129];
    if (!g_app || LoadStringA(g_app->hInstance, id, format, sizeof format) <= 0) return 0;
    char text[1024];
    va_list args;
    va_start(args, id);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char caption[129] = "";
    LoadStringA(g_app->hInstance, IDS_APP_TITLE, caption, sizeof caption);
    return MessageBoxA(g_app->hwndFrame, text, caption, style);
}

// Reports why an operation on the selection could not run.
void ShowSelectionError(HWND hwnd, uint32_t code, const char* arg) {
    const uint32_t low = code & 0xFF;
    const UINT id = code & 0xFFFF;
    switch (low) {
    case kErrCancelled: return;
    case kErrNoSelection:
    case kErrBadSelection:
        MessageBoxA(hwnd, Keyed("You must select a valid portion of this waveform"), g_app->szAppTitle,
                    MB_ICONEXCLAMATION);
        return;
    case IDS_NO_MEMORY: MessageBoxFromStringTable(hwnd, MB_ICONSTOP, id, arg ? arg : ""); return;
    case IDS_NO_DISK_SPACE: MessageBoxFromStringTable(hwnd, MB_ICONSTOP, id, ""); return;
    case kErrBadParameter: ReportBadParameter(hwnd, code); break;
    default: break;
    }
    // Formats with a "%s" and no argument get an empty text rather than reading past the arguments.
    MessageBoxFromStringTable(hwnd, MB_ICONINFORMATION, id, "");
}

void LoadMarkerAccelerators() {
    if (g_app && !g_app->hAccelMarker)
        g_app->hAccelMarker = LoadAcceleratorsA(g_app->hInstance, MAKEINTRESOURCEA(IDR_MARKER_KEYS));
}

// One decoder of WM_MENUSELECT for the frame and the graph windows: the item, or the popup that
// was opened, goes to the menu help; a closed menu goes as flags -1.
void OnMenuSelectMessage(WPARAM wParam, LPARAM lParam) {
    HMENU menu = reinterpret_cast<HMENU>(lParam);
    UINT flags = HIWORD(wParam);
    UINT item = LOWORD(wParam);
    HMENU popup = nullptr;
    if (flags == 0xFFFF && !menu) {
        flags = static_cast<UINT>(-1);
    } else if (flags & MF_POPUP) {
        popup = GetSubMenu(menu, static_cast<int>(item));
        item = 0;
    }
    notify::OnMenuSelect(menu, item, popup, flags);
}

HFONT CreateMeasuredFont(HDC dc, const LOGFONTA* lf, int32_t* lineHeight, int32_t* charWidth) {
    HFONT font = CreateFontIndirectA(lf);
    if (!font) return nullptr;
    HGDIOBJ old = SelectObject(dc, font);
    TEXTMETRICA tm{};
    GetTextMetricsA(dc, &tm);
    SelectObject(dc, old);
    *lineHeight = tm.tmHeight + tm.tmExternalLeading;
    *charWidth = tm.tmAveCharWidth;
    return font;
}

bool IsEscapeKeyDown() {
    GetQueueStatus(QS_KEY);
    return GetAsyncKeyState(VK_ESCAPE) < 0;
}
