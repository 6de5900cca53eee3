// Naming, renaming, deleting and reordering a panel's presets.
#include "outputs/preferences/preset_dialogs.h"
#include "outputs/framework/panel.h"
#include "base/app.h"
#include "outputs/outputs_ids.h"
#include "devlib/vk40.h"

namespace {

constexpr int kUntitledChars = 65;

HINSTANCE Instance() { return g_app ? g_app->hInstance : GetModuleHandleA(nullptr); }

struct SaveState {
    COutCtlView* panel;
    const PrefList* settings;  // save mode
    int index;                 // rename mode
    bool saveMode() const { return settings != nullptr; }
};

std::string EditText(HWND dlg) {
    char name[kPresetNameChars + 1] = "";
    GetDlgItemTextA(dlg, IDC_OUT_SETTING_NAME, name, sizeof name);
    return name;
}

// A name is offered only when it is not empty and the panel does not know it yet.
void UpdateSaveButton(HWND dlg, const SaveState& s) {
    const std::string name = EditText(dlg);
    const bool usable = !name.empty() && !s.panel->HasPreset(name.c_str());
    EnableWindow(GetDlgItem(dlg, s.saveMode() ? IDC_OUT_SAVE : IDOK), usable);
}

// Saves (save mode: OK then closes) or renames (and closes).
void OnSave(HWND dlg, const SaveState& s) {
    const std::string name = EditText(dlg);
    if (s.saveMode()) {
        if (s.panel->AddPreset(*s.settings, name.c_str())) {
            UpdateSaveButton(dlg, s);
            EnableWindow(GetDlgItem(dlg, IDOK), TRUE);
        }
    } else if (s.panel->RenamePreset(s.index, name.c_str())) {
        EndDialog(dlg, 1);
    }
}

INT_PTR CALLBACK SaveProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<SaveState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: {
        s = reinterpret_cast<SaveState*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_OUT_SAVE_SETTINGS);
        SendDlgItemMessageA(dlg, IDC_OUT_SETTING_NAME, EM_LIMITTEXT, kPresetNameChars, 0);
        char text[kUntitledChars + 1] = "";
        if (s->saveMode()) {
            GetDlgItemTextA(dlg, IDC_OUT_UNTITLED, text, sizeof text);
            SetDlgItemTextA(dlg, IDC_OUT_SETTING_NAME, text);
            EnableWindow(GetDlgItem(dlg, IDOK), FALSE);
        } else {
            GetDlgItemTextA(dlg, IDC_OUT_RENAME_CAPTION, text, sizeof text);
            SetWindowTextA(dlg, text);
            ShowWindow(GetDlgItem(dlg, IDC_OUT_SAVE), SW_HIDE);
            SetDlgItemTextA(dlg, IDC_OUT_SETTING_NAME, s->panel->Presets().GetAt(s->index)->name.c_str());
        }
        UpdateSaveButton(dlg, *s);
        return TRUE;
    }
    case WM_COMMAND:
        if (!s) return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_OUT_SETTING_NAME:
            if (HIWORD(wParam) == EN_CHANGE) UpdateSaveButton(dlg, *s);
            return TRUE;
        case IDC_OUT_SAVE: OnSave(dlg, *s); return TRUE;
        case IDOK:
            if (s->saveMode()) EndDialog(dlg, 1);
            else OnSave(dlg, *s);
            return TRUE;
        case IDCANCEL: EndDialog(dlg, 0); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

// ---- Organize Settings ----

struct OrganizeState {
    COutCtlView* panel;
};

int Selection(HWND dlg) { return static_cast<int>(SendDlgItemMessageA(dlg, IDC_OUT_PRESET_LIST, LB_GETCURSEL, 0, 0)); }

void FillList(HWND dlg, COutCtlView* panel, int select) {
    SendDlgItemMessageA(dlg, IDC_OUT_PRESET_LIST, LB_RESETCONTENT, 0, 0);
    PresetList& presets = panel->Presets();
    for (int i = 0; i < presets.GetSize(); ++i) {
        const LRESULT at = SendDlgItemMessageA(dlg, IDC_OUT_PRESET_LIST, LB_ADDSTRING, 0,
                                               reinterpret_cast<LPARAM>(presets.GetAt(i)->name.c_str()));
        SendDlgItemMessageA(dlg, IDC_OUT_PRESET_LIST, LB_SETITEMDATA, at, reinterpret_cast<LPARAM>(presets.GetAt(i)));
    }
    if (select >= presets.GetSize()) select = presets.GetSize() - 1;
    SendDlgItemMessageA(dlg, IDC_OUT_PRESET_LIST, LB_SETCURSEL, select, 0);
}

void UpdateButtons(HWND dlg, COutCtlView* panel) {
    const int sel = Selection(dlg);
    const int last = panel->Presets().GetLastIndex();
    EnableWindow(GetDlgItem(dlg, IDC_OUT_RENAME), sel >= 0);
    EnableWindow(GetDlgItem(dlg, IDC_OUT_DELETE), sel >= 0);
    EnableWindow(GetDlgItem(dlg, IDC_OUT_DELETE_ALL), last >= 0);
    HWND bar = GetDlgItem(dlg, IDC_OUT_MOVE);
    EnableScrollBar(bar, SB_CTL, ESB_ENABLE_BOTH);
    if (sel <= 0) EnableScrollBar(bar, SB_CTL, ESB_DISABLE_UP);
    if (sel == last) EnableScrollBar(bar, SB_CTL, ESB_DISABLE_DOWN);
}

void Changed(COutCtlView* panel) {
    panel->FillPresetList();
    panel->MarkChanged();
}

void DeleteSelected(HWND dlg, COutCtlView* panel) {
    const int sel = Selection(dlg);
    if (sel < 0) return;
    panel->Presets().RemoveAt(sel);
    if (sel <= panel->SelectedPreset()) panel->SetSelectedPreset(panel->SelectedPreset() - 1);
    Changed(panel);
    FillList(dlg, panel, sel);
}

// The applied preset's index follows it when it or its neighbour moves.
void MoveSelected(HWND dlg, COutCtlView* panel, bool down) {
    const int sel = Selection(dlg);
    if (sel < 0 || !panel->Presets().Move(sel, down ? 1 : 0)) return;
    const int other = down ? sel + 1 : sel - 1;
    if (panel->SelectedPreset() == sel) panel->SetSelectedPreset(other);
    else if (panel->SelectedPreset() == other) panel->SetSelectedPreset(sel);
    FillList(dlg, panel, other);
    Changed(panel);
}

INT_PTR CALLBACK OrganizeProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* s = reinterpret_cast<OrganizeState*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG:
        s = reinterpret_cast<OrganizeState*>(lParam);
        SetWindowLongPtrA(dlg, DWLP_USER, lParam);
        HandleTheDialog(dlg, IDD_OUT_ORGANIZE);
        FillList(dlg, s->panel, 0);
        UpdateButtons(dlg, s->panel);
        return TRUE;
    case WM_VSCROLL:
        if (s && (LOWORD(wParam) == SB_LINEUP || LOWORD(wParam) == SB_LINEDOWN))
            MoveSelected(dlg, s->panel, LOWORD(wParam) == SB_LINEDOWN);
        if (s) UpdateButtons(dlg, s->panel);
        return TRUE;
    case WM_COMMAND:
        if (!s) return FALSE;
        switch (LOWORD(wParam)) {
        case IDC_OUT_PRESET_LIST:
            if (HIWORD(wParam) == LBN_SELCHANGE) UpdateButtons(dlg, s->panel);
            return TRUE;
        case IDC_OUT_RENAME: {
            const int sel = Selection(dlg);
            if (sel < 0) return TRUE;
            RunRenameSettingsDialog(dlg, s->panel, sel);
            FillList(dlg, s->panel, sel);
            UpdateButtons(dlg, s->panel);
            return TRUE;
        }
        case IDC_OUT_DELETE:
            DeleteSelected(dlg, s->panel);
            UpdateButtons(dlg, s->panel);
            return TRUE;
        case IDC_OUT_DELETE_ALL:
            s->panel->Presets().RemoveAll();
            s->panel->SetSelectedPreset(-1);
            Changed(s->panel);
            FillList(dlg, s->panel, 0);
            UpdateButtons(dlg, s->panel);
            return TRUE;
        case IDOK:
        case IDCANCEL: EndDialog(dlg, 1); return TRUE;
        default: return FALSE;
        }
    default: return FALSE;
    }
}

}  // namespace

int RunSaveSettingsDialog(HWND parent, COutCtlView* panel, const PrefList& settings) {
    if (!panel) return 0;
    SaveState s{panel, &settings, -1};
    return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_OUT_SAVE_SETTINGS), parent, SaveProc,
                           reinterpret_cast<LPARAM>(&s)) == 1;
}

int RunRenameSettingsDialog(HWND parent, COutCtlView* panel, int index) {
    if (!panel || !panel->Presets().Find(index)) return 0;
    SaveState s{panel, nullptr, index};
    return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_OUT_SAVE_SETTINGS), parent, SaveProc,
                           reinterpret_cast<LPARAM>(&s)) == 1;
}

int RunOrganizeSettingsDialog(HWND parent, COutCtlView* panel) {
    if (!panel) return 0;
    OrganizeState s{panel};
    return DialogBoxParamA(Instance(), MAKEINTRESOURCEA(IDD_OUT_ORGANIZE), parent, OrganizeProc,
                           reinterpret_cast<LPARAM>(&s)) != -1;
}
