// The text files' option dialogs and the File Open hook that offers the reader's options.
#include "documents/text/text_file.h"
#include "base/app.h"
#include "documents/documents_ids.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include <commdlg.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace {

const char* const kUnitKeys[] = {"microsecond", "millisecond", "second", "MHz", "KHz", "Hz"};
const char* const kDelimiterKeys[] = {"tab", "comma", "space", "none"};
constexpr int kLineChars = 16;
constexpr int kIntervalChars = 32;

void FillCombo(HWND dlg, int id, const char* const* keys, int count, int selected) {
    for (int i = 0; i < count; ++i)
        SendDlgItemMessageA(dlg, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed(keys[i])));
    SendDlgItemMessageA(dlg, id, CB_SETCURSEL, selected, 0);
}

void SetNumber(HWND dlg, int id, const char* format, double v) {
    char text[64];
    std::snprintf(text, sizeof text, format, v);
    SetDlgItemTextA(dlg, id, text);
}

void InitReadOptions(HWND dlg) {
    HandleTheDialog(dlg, IDD_READ_TEXT_OPTIONS);
    char text[32];
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(g_textRead.startLine));
    SetDlgItemTextA(dlg, IDC_TEXT_START_LINE, text);
    std::snprintf(text, sizeof text, "%ld", static_cast<long>(g_textRead.endLine));
    SetDlgItemTextA(dlg, IDC_TEXT_END_LINE, text);
    const bool toLine = g_textRead.endLine != 0;
    CheckRadioButton(dlg, IDC_TEXT_TO_END, IDC_TEXT_TO_LINE, toLine ? IDC_TEXT_TO_LINE : IDC_TEXT_TO_END);
    EnableWindow(GetDlgItem(dlg, IDC_TEXT_END_LINE), toLine);
    double shown = 0;
    int unit = kUnitMillisecond;
    TextIntervalToUnit(g_textRead.interval, g_textRead.frequency, &shown, &unit);
    SetNumber(dlg, IDC_TEXT_INTERVAL, "%5.2f", shown);
    FillCombo(dlg, IDC_TEXT_UNIT, kUnitKeys, 6, unit);
    FillCombo(dlg, IDC_TEXT_DELIMITER, kDelimiterKeys, 4, static_cast<int>(g_textRead.delimiter));
}

void StoreReadOptions(HWND dlg) {
    char text[kIntervalChars];
    GetDlgItemTextA(dlg, IDC_TEXT_START_LINE, text, kLineChars);
    g_textRead.startLine = static_cast<int32_t>(std::atol(text));
    if (IsDlgButtonChecked(dlg, IDC_TEXT_TO_END) == BST_CHECKED) {
        g_textRead.endLine = 0;
    } else {
        GetDlgItemTextA(dlg, IDC_TEXT_END_LINE, text, kLineChars);
        g_textRead.endLine = static_cast<int32_t>(std::atol(text));
    }
    const LRESULT delimiter = SendDlgItemMessageA(dlg, IDC_TEXT_DELIMITER, CB_GETCURSEL, 0, 0);
    if (delimiter >= 0 && delimiter <= static_cast<LRESULT>(kTextNoDelimiter))
        g_textRead.delimiter = static_cast<uint32_t>(delimiter);
    LRESULT unit = SendDlgItemMessageA(dlg, IDC_TEXT_UNIT, CB_GETCURSEL, 0, 0);
    if (unit < 0) unit = kUnitMillisecond;
    GetDlgItemTextA(dlg, IDC_TEXT_INTERVAL, text, sizeof text);
    g_textRead.interval = TextIntervalFromUnit(std::atof(text), static_cast<int>(unit));
    g_textRead.frequency = unit > kUnitSecond ? 1 : 0;
}

INT_PTR CALLBACK ReadOptionsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: InitReadOptions(dlg); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_TEXT_TO_END:
        case IDC_TEXT_TO_LINE:
            EnableWindow(GetDlgItem(dlg, IDC_TEXT_END_LINE), LOWORD(wParam) == IDC_TEXT_TO_LINE);
            return TRUE;
        case IDOK:
            StoreReadOptions(dlg);
            EndDialog(dlg, 1);
            return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

struct SaveDialogState {
    int layout;
    int* selectionOnly;
};

void InitSaveOptions(HWND dlg, const SaveDialogState& st) {
    HandleTheDialog(dlg, IDD_TEXT_SAVE_OPTIONS);
    if (st.layout == 1) {
        CheckDlgButton(dlg, IDC_TEXT_HEADER, g_textSave.header ? BST_CHECKED : BST_UNCHECKED);
        CheckDlgButton(dlg, IDC_TEXT_HSCALE, g_textSave.hScale ? BST_CHECKED : BST_UNCHECKED);
        FillCombo(dlg, IDC_TEXT_SAVE_DELIMITER, kDelimiterKeys, 3, static_cast<int>(g_textSave.delimiter));
    } else {
        for (int id : {IDC_TEXT_HEADER, IDC_TEXT_HSCALE, IDC_TEXT_SAVE_DELIMITER, IDC_TEXT_DELIMITER_LABEL})
            ShowWindow(GetDlgItem(dlg, id), SW_HIDE);
    }
    CheckDlgButton(dlg, IDC_TEXT_SELECTION, st.selectionOnly && *st.selectionOnly ? BST_CHECKED : BST_UNCHECKED);
}

void StoreSaveOptions(HWND dlg, const SaveDialogState& st) {
    g_textSave.header = IsDlgButtonChecked(dlg, IDC_TEXT_HEADER) == BST_CHECKED ? 1 : 0;
    g_textSave.hScale = IsDlgButtonChecked(dlg, IDC_TEXT_HSCALE) == BST_CHECKED ? 1 : 0;
    if (st.selectionOnly) *st.selectionOnly = IsDlgButtonChecked(dlg, IDC_TEXT_SELECTION) == BST_CHECKED ? 1 : 0;
    if (st.layout == 1) {  // the delimiter list is shown
        const LRESULT d = SendDlgItemMessageA(dlg, IDC_TEXT_SAVE_DELIMITER, CB_GETCURSEL, 0, 0);
        if (d >= 0 && d <= static_cast<LRESULT>(kTextSpace)) g_textSave.delimiter = static_cast<uint32_t>(d);
    }
}

INT_PTR CALLBACK SaveOptionsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG:
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        InitSaveOptions(dlg, *reinterpret_cast<const SaveDialogState*>(lParam));
        return TRUE;
    case WM_COMMAND: {
        const auto* st = reinterpret_cast<const SaveDialogState*>(GetWindowLongPtrA(dlg, DWLP_USER));
        if (LOWORD(wParam) == IDOK && st) {
            StoreSaveOptions(dlg, *st);
            EndDialog(dlg, 1);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    }
    default: return FALSE;
    }
}

HINSTANCE Instance() { return g_app ? g_app->hInstance : GetModuleHandleA(nullptr); }

}  // namespace

double TextIntervalFromUnit(double shown, int unit) {
    switch (unit) {
    case kUnitMicrosecond:
    case kUnitHz: return shown / 1000.0;
    case kUnitSecond:
    case kUnitMHz: return shown * 1000.0;
    default: return shown;
    }
}

void TextIntervalToUnit(double interval, uint32_t frequency, double* shown, int* unit) {
    const double size = std::fabs(interval);
    if (size != 0.0 && size < 1.0) {
        *shown = interval * 1000.0;
        *unit = frequency ? kUnitHz : kUnitMicrosecond;
    } else if (size > 1000.0) {
        *shown = interval / 1000.0;
        *unit = frequency ? kUnitMHz : kUnitSecond;
    } else {
        *shown = interval;
        *unit = frequency ? kUnitKHz : kUnitMillisecond;
    }
}

int DoReadTextOptions(HWND owner) {
    return static_cast<int>(DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_READ_TEXT_OPTIONS), owner, ReadOptionsProc, 0));
}

int DoSaveTextOptions(HWND owner, int layout, int* selectionOnly) {
    SaveDialogState st{layout, selectionOnly};
    return static_cast<int>(DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_TEXT_SAVE_OPTIONS), owner, SaveOptionsProc,
                                            reinterpret_cast<LPARAM>(&st)));
}

UINT_PTR CALLBACK TextOpenHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    switch (msg) {
    case WM_INITDIALOG: {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        EnableWindow(GetDlgItem(dlg, IDC_OPEN_TEXT_OPTIONS), ofn && ofn->nFilterIndex == kOpenTypeText);
        HandleTheDialog(dlg, IDD_OPEN_OPTIONS);
        return 0;
    }
    case WM_NOTIFY: {
        const auto* n = reinterpret_cast<const OFNOTIFYA*>(lParam);
        if (n->hdr.code == CDN_TYPECHANGE || n->hdr.code == CDN_INITDONE)
            EnableWindow(GetDlgItem(dlg, IDC_OPEN_TEXT_OPTIONS), n->lpOFN && n->lpOFN->nFilterIndex == kOpenTypeText);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_OPEN_TEXT_OPTIONS && HIWORD(wParam) == BN_CLICKED) DoReadTextOptions(dlg);
        return 0;
    default: return 0;
    }
}
