// The Input Values pane's options dialog over the pane's settings.
#include "devlib/acquisition/setup/values_options.h"

#include <commdlg.h>

#include <cstdio>

#include "devlib/acquisition/setup/input_values.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"

namespace {

struct stOptionsState {
    int32_t newFont = 0;
};

struct stShowFlag {
    int id;
    int32_t stInputValuesPane::*flag;
};
constexpr stShowFlag kShowFlags[] = {
    {IDC_VOPT_NAMES, &stInputValuesPane::showNames},   {IDC_VOPT_UNITS, &stInputValuesPane::showUnits},
    {IDC_VOPT_LABELS, &stInputValuesPane::showLabels}, {IDC_VOPT_RANGE, &stInputValuesPane::showRange},
    {IDC_VOPT_VALUES, &stInputValuesPane::showValues},
};

void OnOptionsInit(HWND dlg) {
    HandleTheDialog(dlg, IDD_VALUES_OPTIONS);
    HWND precision = GetDlgItem(dlg, IDC_VOPT_PRECISION);
    for (int32_t digits = 1; digits <= kValuesMaxDecimals; ++digits) {
        char text[4];
        snprintf(text, sizeof text, "%d", static_cast<int>(digits));
        SendMessageA(precision, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    SendMessageA(precision, CB_SETCURSEL, g_inputValues.decimals - 1, 0);
    for (const stShowFlag& f : kShowFlags)
        CheckDlgButton(dlg, f.id, g_inputValues.*f.flag ? BST_CHECKED : BST_UNCHECKED);
}

// The font dialog starts from the pane's font; a choice replaces the pane's font at once.
void OnChooseFont(HWND dlg, stOptionsState* state) {
    LOGFONTA chosen = g_inputValues.logFont;
    CHOOSEFONTA cf{};
    cf.lStructSize = sizeof cf;
    cf.hwndOwner = dlg;
    cf.lpLogFont = &chosen;
    cf.Flags = CF_SCREENFONTS | CF_INITTOLOGFONTSTRUCT;
    if (!ChooseFontA(&cf)) return;
    HFONT font = CreateFontIndirectA(&chosen);
    if (!font) return;
    if (g_inputValues.font) DeleteObject(g_inputValues.font);
    g_inputValues.font = font;
    g_inputValues.logFont = chosen;
    state->newFont = 1;
}

void StoreOptions(HWND dlg) {
    const LRESULT at = SendDlgItemMessageA(dlg, IDC_VOPT_PRECISION, CB_GETCURSEL, 0, 0);
    if (at != CB_ERR) g_inputValues.decimals = static_cast<int32_t>(at) + 1;
    for (const stShowFlag& f : kShowFlags) g_inputValues.*f.flag = IsDlgButtonChecked(dlg, f.id) == BST_CHECKED;
}

INT_PTR CALLBACK OptionsProc(HWND dlg, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_INITDIALOG) {
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        OnOptionsInit(dlg);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    auto* state = reinterpret_cast<stOptionsState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (LOWORD(wParam)) {
    case IDC_VOPT_FONT: OnChooseFont(dlg, state); return TRUE;
    case IDOK:
        StoreOptions(dlg);
        EndDialog(dlg, state->newFont ? kOptionsOkNewFont : kOptionsOk);
        return TRUE;
    case IDCANCEL: EndDialog(dlg, state->newFont ? kOptionsCancelNewFont : kOptionsCancel); return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int32_t ShowInputValuesOptions(HWND owner) {
    stOptionsState state;
    const INT_PTR result = DialogBoxParamA(g_lib.instance, MAKEINTRESOURCEA(IDD_VALUES_OPTIONS), owner, OptionsProc,
                                           reinterpret_cast<LPARAM>(&state));
    return result < 0 ? kOptionsCancel : static_cast<int32_t>(result);
}
