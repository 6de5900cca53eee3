// Small pieces the graph dialogs share.
#include "graph/dialogs/dialog_util.h"
#include "documents/measurements/measure_calc.h"
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace gdlg {

void SetEditValue(HWND dlg, int id, double value, int decimals) {
    char text[64];
    measure::FormatValue(text, sizeof text, value, decimals);
    SetDlgItemTextA(dlg, id, text);
}

// Infinite and not-a-number results count as text that is no number.
double ReadNumber(HWND dlg, int id, int maxChars) {
    char text[80] = "";
    if (maxChars > static_cast<int>(sizeof text) - 1) maxChars = sizeof text - 1;
    GetDlgItemTextA(dlg, id, text, maxChars + 1);
    const double v = std::atof(text);
    return std::isfinite(v) ? v : 0.0;
}

int32_t ReadInteger(HWND dlg, int id) {
    char text[64] = "";
    GetDlgItemTextA(dlg, id, text, 63);
    return static_cast<int32_t>(std::strtol(text, nullptr, 10));
}

void FocusAll(HWND dlg, int id) {
    HWND edit = GetDlgItem(dlg, id);
    SendMessageA(edit, EM_SETSEL, 0, -1);
    SetFocus(edit);
}

void RefuseField(HWND dlg, int id) {
    MessageBeep(static_cast<UINT>(-1));
    FocusAll(dlg, id);
}

// Precision and row counts both offer 1 to 8.
void FillDigits(HWND dlg, int id, int decimals) {
    HWND combo = GetDlgItem(dlg, id);
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    for (int d = 1; d <= 8; ++d) {
        char text[8];
        std::snprintf(text, sizeof text, "%d", d);
        SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(decimals - 1), 0);
}

int ChosenDigits(HWND dlg, int id) {
    const LRESULT sel = SendDlgItemMessageA(dlg, id, CB_GETCURSEL, 0, 0);
    return sel < 0 ? 1 : static_cast<int>(sel) + 1;
}

void SetHms(HWND dlg, int hoursId, int minutesId, int secondsId, int32_t seconds) {
    const int32_t h = seconds / 3600, m = (seconds - 3600 * h) / 60, s = seconds - 3600 * h - 60 * m;
    char text[16];
    std::snprintf(text, sizeof text, "%02d", h);
    SetDlgItemTextA(dlg, hoursId, text);
    std::snprintf(text, sizeof text, "%02d", m);
    SetDlgItemTextA(dlg, minutesId, text);
    std::snprintf(text, sizeof text, "%02d", s);
    SetDlgItemTextA(dlg, secondsId, text);
}

// Rows are not limited to 59; a sum beyond 32 bits is held at the limit.
int32_t ReadHms(HWND dlg, int hoursId, int minutesId, int secondsId) {
    const int64_t total = int64_t(ReadInteger(dlg, hoursId)) * 3600 + int64_t(ReadInteger(dlg, minutesId)) * 60 +
                          ReadInteger(dlg, secondsId);
    if (total > INT32_MAX) return INT32_MAX;
    if (total < INT32_MIN) return INT32_MIN;
    return static_cast<int32_t>(total);
}

void ShowControls(HWND dlg, const int* ids, size_t count, bool show) {
    for (size_t i = 0; i < count; ++i) ShowWindow(GetDlgItem(dlg, ids[i]), show ? SW_SHOW : SW_HIDE);
}

}  // namespace gdlg
