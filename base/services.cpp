// The shared services every part of the program calls: the wait cursor and the message boxes.
#include "base/services.h"
#include "base/app.h"
#include "devlib/vk40.h"
#include <cstdarg>
#include <cstdio>

namespace {
uint16_t g_waitCount = 0;
HCURSOR g_cursorBeforeWait = nullptr;
}  // namespace

void SetWaitCursor(int on) {
    if (on) {
        if (g_waitCount == 0) g_cursorBeforeWait = SetCursor(LoadCursorA(nullptr, MAKEINTRESOURCEA(32514)));
        ++g_waitCount;
    } else if (g_waitCount > 0) {
        if (--g_waitCount == 0) SetCursor(g_cursorBeforeWait);
    }
}

int MessageBoxFromStringTable(HWND, UINT style, UINT id, ...) {
    char format[129];
    if (!g_app || LoadStringA(g_app->hInstance, id, format, sizeof format) <= 0) return 0;
    char text[1024];
    va_list args;
    va_start(args, id);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    char caption[129] = "";
    LoadStringA(g_app->hInstance, 18, caption, sizeof caption);
    return MessageBoxA(g_app->hwndFrame, text, caption, style);
}

// Reports why an operation on the selection could not run.
void ShowSelectionError(HWND hwnd, uint32_t code, const char* arg) {
    const uint32_t low = code & 0xFF;
    const UINT id = code & 0xFFFF;
    switch (low) {
    case 1:
        return;
    case 0x22:
    case 0x24:
        MessageBoxA(hwnd, getMsgBoxText("You must select a valid portion of this waveform"), g_app->szAppTitle,
                    MB_ICONEXCLAMATION);
        return;
    case 0x1E:
        MessageBoxFromStringTable(hwnd, MB_ICONSTOP, id, arg ? arg : "");
        return;
    case 0x2D:
        MessageBoxFromStringTable(hwnd, MB_ICONSTOP, id, "");
        return;
    case 2: {
        const char* key = nullptr;
        switch ((code >> 8) & 0xFF) {
        case 0x25: key = "At least 1 interval is required for the difference transform."; break;
        case 0x27: key = "An Interval of at least 3 samples is required for the smoothing transform."; break;
        case 0x2A: key = "An Interval of at least 3 samples is required for FIR filters."; break;
        case 0x2B: key = "An Interval of at least 4 samples is required for a Fourier transform."; break;
        case 0x33: key = "FIR Filters require at least 3 coefficients."; break;
        default: break;
        }
        if (key)
            MessageBoxA(hwnd, getMsgBoxText(key), getMsgBoxText("Norvane Tessaly"), MB_ICONEXCLAMATION);
        else
            MessageBoxFromStringTable(hwnd, MB_ICONEXCLAMATION, (code >> 8) & 0xFF, "");
        break;
    }
    default:
        break;
    }
    // Formats with a "%s" and no argument get an empty text rather than reading past the arguments.
    MessageBoxFromStringTable(hwnd, MB_ICONINFORMATION, id, "");
}
