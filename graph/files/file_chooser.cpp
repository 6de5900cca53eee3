// The "*.acq" chooser: a list of the current folder's graph files, with a Browse step that runs a
// folder-browsing open dialog to change the folder.
#include "graph/files/file_open.h"
#include "base/app.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "devlib/vk40.h"
#include <cstring>
#include <initializer_list>

namespace {

// Hidden controls of the common dialog in the Browse step: OK, Cancel, the file-type and
// file-name labels and fields (the name field as an edit or, in newer dialogs, a combo box).
constexpr int kBrowseHidden[] = {IDOK, IDCANCEL, 1089, 1090, 1136, 1152, 1148};
constexpr uint32_t kBrowseTextsId = static_cast<uint32_t>(-102);

struct stChooser {
    char* name;
    size_t size;
    int chosen;
};

// The folder the Browse step ended in; empty when it was cancelled.
char g_browseFolder[MAX_PATH];

void FillChooserList(HWND dlg) {
    HWND list = GetDlgItem(dlg, IDC_CHOOSER_LIST);
    SendMessageA(list, LB_RESETCONTENT, 0, 0);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*.acq", &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
                SendMessageA(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(found.cFileName));
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    char browse[64] = "";
    GetDlgItemTextA(dlg, IDC_CHOOSER_BROWSE, browse, sizeof browse);
    SendMessageA(list, LB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(browse));
    SendMessageA(list, LB_SETCURSEL, 0, 0);
}

// Browse: an open dialog that only picks a folder; the list is filled again from it.
void BrowseForFolder(HWND dlg) {
    char name[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = dlg;
    ofn.hInstance = g_app->hInstance;
    ofn.lpstrFile = name;
    ofn.nMaxFile = sizeof name;
    ofn.lpstrTitle = "Browse";
    ofn.Flags = OFN_EXPLORER | OFN_NOTESTFILECREATE | OFN_NOVALIDATE | OFN_ENABLETEMPLATE | OFN_ENABLEHOOK |
                OFN_NOCHANGEDIR | OFN_HIDEREADONLY;
    ofn.lpTemplateName = MAKEINTRESOURCEA(IDD_BROWSE_FOLDER);
    ofn.lpfnHook = BrowseOpenHookProc;
    g_browseFolder[0] = 0;
    BOOL ok = RunOpenFileDialog(&ofn);
    if (ok && name[0]) {
        char* slash = std::strrchr(name, '\\');
        if (slash) *slash = 0;
        SetCurrentDirectoryA(name);
    } else if (g_browseFolder[0]) {
        SetCurrentDirectoryA(g_browseFolder);
        ok = TRUE;
    }
    if (ok) FillChooserList(dlg);
}

void OnChooserInit(HWND dlg, stChooser* chooser) {
    SetWindowLongPtrA(dlg, DWLP_USER, reinterpret_cast<LONG_PTR>(chooser));
    HandleTheDialog(dlg, IDD_FILE_CHOOSER);
    HGDIOBJ font = GetStockObject(ANSI_VAR_FONT);
    for (int id : {IDC_CHOOSER_LIST, IDOK, IDCANCEL})
        SendDlgItemMessageA(dlg, id, WM_SETFONT, reinterpret_cast<WPARAM>(font), 0);
    FillChooserList(dlg);
    notify::SetStatusText("Select a file to open, or ESC to cancel");
    SetFocus(GetDlgItem(dlg, IDC_CHOOSER_LIST));
}

// A selection other than the first item (Browse) names the file.
void OnChooserSelection(HWND dlg, stChooser* chooser) {
    HWND list = GetDlgItem(dlg, IDC_CHOOSER_LIST);
    LRESULT index = SendMessageA(list, LB_GETCURSEL, 0, 0);
    chooser->chosen = 0;
    if (index <= 0) return;
    LRESULT length = SendMessageA(list, LB_GETTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0 || static_cast<size_t>(length) >= chooser->size) return;
    SendMessageA(list, LB_GETTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(chooser->name));
    chooser->chosen = 1;
}

INT_PTR CALLBACK ChooserProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM lParam) {
    auto* chooser = reinterpret_cast<stChooser*>(GetWindowLongPtrA(dlg, DWLP_USER));
    switch (msg) {
    case WM_INITDIALOG: OnChooserInit(dlg, reinterpret_cast<stChooser*>(lParam)); return FALSE;
    case WM_COMMAND:
        if (LOWORD(wParam) == IDC_CHOOSER_LIST && HIWORD(wParam) == LBN_SELCHANGE) {
            OnChooserSelection(dlg, chooser);
        } else if (LOWORD(wParam) == IDOK || (LOWORD(wParam) == IDC_CHOOSER_LIST && HIWORD(wParam) == LBN_DBLCLK)) {
            if (chooser->chosen)
                EndDialog(dlg, 1);
            else
                BrowseForFolder(dlg);
        } else if (LOWORD(wParam) == IDCANCEL) {
            EndDialog(dlg, 0);
        }
        return TRUE;
    default: return FALSE;
    }
}

}  // namespace

int DoFileChooserDialog(HWND owner, char* name, size_t size) {
    if (!g_app || !name || size == 0) return 0;
    stChooser chooser{name, size, 0};
    name[0] = 0;
    INT_PTR result = DialogBoxParamA(g_app->hInstance, MAKEINTRESOURCEA(IDD_FILE_CHOOSER), owner, ChooserProc,
                                     reinterpret_cast<LPARAM>(&chooser));
    notify::SetStatusText(nullptr);
    return result == 1 && chooser.chosen ? 1 : 0;
}

UINT_PTR CALLBACK BrowseOpenHookProc(HWND dlg, UINT msg, WPARAM wParam, LPARAM) {
    HWND common = GetParent(dlg);
    if (msg == WM_INITDIALOG) {
        SetWindowPos(common, nullptr, 0, 0, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
        for (int id : kBrowseHidden) ShowWindow(GetDlgItem(common, id), SW_HIDE);
        HandleTheDialog(common, kBrowseTextsId);
        HandleTheDialog(dlg, kBrowseTextsId);
        return 0;
    }
    if (msg == WM_COMMAND && LOWORD(wParam) == IDC_BROWSE_OK) {
        // The folder shown is the choice; the dialog closes without a file name.
        if (SendMessageA(common, CDM_GETFOLDERPATH, sizeof g_browseFolder, reinterpret_cast<LPARAM>(g_browseFolder)) <
            0)
            g_browseFolder[0] = 0;
        PostMessageA(common, WM_COMMAND, IDCANCEL, 0);
    } else if (msg == WM_COMMAND && LOWORD(wParam) == IDC_BROWSE_CANCEL) {
        g_browseFolder[0] = 0;
        PostMessageA(common, WM_COMMAND, IDCANCEL, 0);
    }
    return 0;
}
