// The script editor's Watch window: the local or global variables of a subroutine, or the
// global strings, as the last step left them.
#include "scripts/editor/editor_internal.h"

#include <cstdio>

#include "base/app.h"
#include "devlib/vk40.h"
#include "scripts/engine/script_engine.h"
#include "scripts/scripts_ids.h"

namespace editor_internal {
namespace {

constexpr int kWatchValues = 26;

// A value field: 9 decimals, empty for 0.
void ShowWatchNumber(HWND dlg, int i, double value) {
    char text[64] = "";
    if (value != 0.0) std::snprintf(text, sizeof text, "%.9f", value);
    SetDlgItemTextA(dlg, IDC_WATCH_FIRST_VALUE + i, text);
}

INT_PTR CALLBACK WatchDlgProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    CScriptEditor* ed = EditorOf(GetWindow(dlg, GW_OWNER));
    switch (msg) {
    case WM_INITDIALOG:
        HandleTheDialog(dlg, IDD_SCRIPT_WATCH);
        CheckRadioButton(dlg, IDC_WATCH_LOCALS, IDC_WATCH_STRINGS, IDC_WATCH_LOCALS);
        return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_WATCH_LOCALS:
        case IDC_WATCH_GLOBALS:
        case IDC_WATCH_STRINGS:
            if (ed) FillWatchValues(*ed);
            return TRUE;
        case IDC_WATCH_SUBROUTINES:
            if (ed && HIWORD(wParam) == CBN_SELCHANGE) FillWatchValues(*ed);
            return TRUE;
        case IDCANCEL:
            DestroyWindow(dlg);
            return TRUE;
        }
        break;
    case WM_CLOSE: DestroyWindow(dlg); return TRUE;
    case WM_DESTROY:
        if (ed) {
            ed->watchWindow = nullptr;
            ed->watchName[0] = 0;
        }
        break;
    }
    return FALSE;
}

}  // namespace

void FillSubroutineNames(HWND list, int keep) {
    SendMessageA(list, CB_RESETCONTENT, 0, 0);
    CCursorList* script = LoadedScript();
    for (int i = 0; i < script->Count(); ++i)
        if (auto* sub = static_cast<CScriptSubroutine*>(script->ItemAt(i)))
            SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(sub->Name()));
    SendMessageA(list, CB_SETCURSEL, keep >= 0 ? keep : 0, 0);
}

void FillWatchValues(CScriptEditor& ed) {
    HWND dlg = ed.watchWindow;
    if (!dlg || !ed.document) return;
    HWND list = GetDlgItem(dlg, IDC_WATCH_SUBROUTINES);
    const LRESULT sel = SendMessageA(list, CB_GETCURSEL, 0, 0);
    ed.watchName[0] = 0;
    if (sel >= 0 && SendMessageA(list, CB_GETLBTEXTLEN, sel, 0) < LRESULT(sizeof ed.watchName))
        SendMessageA(list, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(ed.watchName));
    if (IsDlgButtonChecked(dlg, IDC_WATCH_STRINGS) == BST_CHECKED) {
        SetDlgItemTextA(dlg, IDC_WATCH_CAPTION, "Global Strings");
        for (int i = 0; i < kWatchValues; ++i) SetDlgItemTextA(dlg, IDC_WATCH_FIRST_VALUE + i, g_script.strings[i]);
    } else if (IsDlgButtonChecked(dlg, IDC_WATCH_GLOBALS) == BST_CHECKED) {
        SetDlgItemTextA(dlg, IDC_WATCH_CAPTION, "Global Variables");
        for (int i = 0; i < kWatchValues; ++i) ShowWatchNumber(dlg, i, g_script.variables[i]);
    } else {
        SetDlgItemTextA(dlg, IDC_WATCH_CAPTION, "Local Variables");
        const CScriptSubroutine* sub = FindScriptSubroutine(LoadedScript(), ed.watchName);
        for (int i = 0; i < kWatchValues; ++i) ShowWatchNumber(dlg, i, sub ? sub->Local(i) : 0.0);
    }
}

void RefillWatch(CScriptEditor& ed) {
    if (!ed.watchWindow) return;
    HWND list = GetDlgItem(ed.watchWindow, IDC_WATCH_SUBROUTINES);
    FillSubroutineNames(list, static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0)));
    FillWatchValues(ed);
}

void ShowWatchWindow(CScriptEditor& ed) {
    if (ed.watchWindow) return;
    ed.watchWindow = CreateDialogParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_SCRIPT_WATCH), ed.window, WatchDlgProc, 0);
    if (!ed.watchWindow) return;
    HWND list = GetDlgItem(ed.watchWindow, IDC_WATCH_SUBROUTINES);
    FillSubroutineNames(list, static_cast<int>(SendDlgItemMessageA(ed.window, IDC_SCRIPT_MACROS, CB_GETCURSEL, 0, 0)));
    FillWatchValues(ed);
    ShowWindow(ed.watchWindow, SW_SHOWNA);
}

}  // namespace editor_internal
