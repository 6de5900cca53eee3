// Small pieces the graph dialogs share: number texts, reading edits, refusing a field.
#pragma once
#include <windows.h>
#include <cstddef>
#include <cstdint>

namespace gdlg {

// The value as the measurement number text (measure::FormatValue) with the given decimals.
void SetEditValue(HWND dlg, int id, double value, int decimals);
// The edit's text read as a number by the atof rules (text that is no number gives 0).
double ReadNumber(HWND dlg, int id, int maxChars = 63);
int32_t ReadInteger(HWND dlg, int id);
// Beeps and puts the focus back into the field with its whole text selected.
void RefuseField(HWND dlg, int id);
void FocusAll(HWND dlg, int id);
// "1" .. "8" into a drop-down list, the entry of decimals selected.
void FillDigits(HWND dlg, int id, int decimals);
int ChosenDigits(HWND dlg, int id);
// Shows h : m : s of a whole number of seconds in three edits ("%02d" each).
void SetHms(HWND dlg, int hoursId, int minutesId, int secondsId, int32_t seconds);
int32_t ReadHms(HWND dlg, int hoursId, int minutesId, int secondsId);
// Shows or hides a list of controls.
void ShowControls(HWND dlg, const int* ids, size_t count, bool show);

// A dialog procedure over a record the caller passes: Init takes the record at WM_INITDIALOG,
// Command each WM_COMMAND (id, notification code).
template <typename T, void (*Init)(HWND, T*), void (*Command)(HWND, T*, int, int)>
INT_PTR CALLBACK RecordDialogProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_INITDIALOG) {
        Init(dlg, reinterpret_cast<T*>(lParam));
        return FALSE;
    }
    auto* record = reinterpret_cast<T*>(GetWindowLongPtrA(dlg, DWLP_USER));
    if (msg != WM_COMMAND || !record) return FALSE;
    Command(dlg, record, LOWORD(wParam), HIWORD(wParam));
    return TRUE;
}

}  // namespace gdlg
