// The "Output Preferences: " dialog: which input channel the channel panel routes, and whether
// the digital panel writes each click at once.
#include "outputs/preferences/output_prefs_dialog.h"
#include "outputs/framework/panel.h"
#include "base/app.h"
#include "outputs/outputs_ids.h"
#include "devlib/vk40.h"
#include <cstdio>

namespace {

constexpr int kTextChars = 127;
constexpr int kChannels = 4;

// The dialog works on this copy; only OK hands it to the controller.
struct PrefsDialogState {
    COutCtlView* panel = nullptr;
    PrefList working;
};
PrefsDialogState g_state;

void SetWorking(int i, double v) {
    if (i >= 0 && static_cast<size_t>(i) < g_state.working.size()) g_state.working[static_cast<size_t>(i)].m_value = v;
}

void InitDialog(HWND dlg) {
    COutCtlView* panel = g_state.panel;
    HandleTheDialog(dlg, panel->GetType() == 0 ? IDD_OUT_PREFS_CH3 : IDD_OUT_PREFS_DIGITAL);
    char prefix[kTextChars + 1] = "", title[kTextChars + 1] = "", caption[2 * kTextChars + 2];
    GetDlgItemTextA(dlg, IDC_OUT_TITLE_FORMAT, prefix, sizeof prefix);
    if (panel->Window()) GetDlgItemTextA(panel->Window(), IDC_OUT_TITLE, title, sizeof title);
    std::snprintf(caption, sizeof caption, "%s%s", prefix, title);
    SetWindowTextA(dlg, caption);
    SendDlgItemMessageA(dlg, IDC_OUT_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(PanelState().boldFont), FALSE);
    SetDlgItemTextA(dlg, IDC_OUT_TITLE, title);
    const double first = PrefValue(g_state.working, 0);
    if (panel->GetType() == 0) {
        SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_RESETCONTENT, 0, 0);
        for (int ch = 1; ch <= kChannels; ++ch) {
            char text[8];
            std::snprintf(text, sizeof text, "%d", ch);
            SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        }
        SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_SETCURSEL, static_cast<WPARAM>(static_cast<int>(first - 1.0)), 0);
    } else {
        CheckRadioButton(dlg, IDC_OUT_SET_EACH, IDC_OUT_SET_WITH_BUTTON,
                         first != 0 ? IDC_OUT_SET_EACH : IDC_OUT_SET_WITH_BUTTON);
    }
}

INT_PTR CALLBACK PrefsProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    switch (msg) {
    case WM_INITDIALOG: InitDialog(dlg); return TRUE;
    case WM_COMMAND:
        switch (LOWORD(wParam)) {
        case IDC_OUT_PRESETS:
            if (HIWORD(wParam) == CBN_SELCHANGE) {
                const LRESULT sel = SendDlgItemMessageA(dlg, IDC_OUT_PRESETS, CB_GETCURSEL, 0, 0);
                if (sel >= 0) SetWorking(0, static_cast<double>(sel + 1));
            }
            return TRUE;
        case IDC_OUT_SET_EACH: SetWorking(0, 1.0); return TRUE;
        case IDC_OUT_SET_WITH_BUTTON: SetWorking(0, 0.0); return TRUE;
        case IDOK: {
            OutController* c = g_state.panel->Controller();
            if (c) c->Assign(g_state.working.data(), static_cast<int>(g_state.working.size()));
            g_state.panel->MarkChanged();
            EndDialog(dlg, 1);
            return TRUE;
        }
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace

int RunOutputPrefsDialog(COutCtlView* panel) {
    if (!panel || !panel->Controller() || (panel->GetType() != 0 && panel->GetType() != 1)) return 0;
    g_state.panel = panel;
    g_state.working = CopyPrefs(*panel->Controller());
    HINSTANCE inst = g_app ? g_app->hInstance : GetModuleHandleA(nullptr);
    const uint16_t id = panel->GetType() == 0 ? IDD_OUT_PREFS_CH3 : IDD_OUT_PREFS_DIGITAL;
    const INT_PTR result = DialogBoxParamA(inst, MAKEINTRESOURCEA(id), panel->GraphWindow(), PrefsProc, 0);
    g_state.panel = nullptr;
    return result == 1 ? 1 : 0;
}
