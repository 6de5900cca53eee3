// The file dialogs of the lesson language: FileDialogPrompt with its locked name, the open
// dialog that lists only lesson data files, and the script editor's save dialog.
#include <windows.h>
#include <commdlg.h>
#include <commctrl.h>
#include <dlgs.h>

#include <cstring>

#include "base/app.h"
#include "scripts/dialogs/script_dialogs.h"
#include "scripts/engine/script_engine.h"
#include "scripts/words/word_fields.h"

namespace {

// Backslashes (FileDialogPrompt) or bars (the save dialog) become the string ends of a filter
// list; the list ends with two.
void MakeFilterList(char* out, size_t size, const char* filter, char separator) {
    size_t n = 0;
    for (const char* p = filter ? filter : ""; *p && n + 2 < size; ++p) out[n++] = *p == separator ? 0 : *p;
    out[n] = 0;
    if (n + 1 < size) out[n + 1] = 0;
}

// The part of a path after its last backslash or colon.
const char* NamePart(const char* path) {
    const char* name = path;
    for (const char* p = path; *p; ++p)
        if (*p == '\\' || *p == '/' || *p == ':') name = p + 1;
    return name;
}

// ---- FileDialogPrompt's hook: the locked name ----

struct stLockedName {
    bool locked;
    char name[MAX_PATH];
};

// With a locked name the user only chooses the folder: the name box shows the locked name, disabled.
UINT_PTR CALLBACK LockedNameHook(HWND hook, UINT msg, WPARAM, LPARAM lParam) {
    HWND dialog = GetParent(hook);
    if (msg == WM_INITDIALOG) {
        const auto* ofn = reinterpret_cast<const OPENFILENAMEA*>(lParam);
        SetWindowLongPtrA(hook, DWLP_USER, static_cast<LONG_PTR>(ofn->lCustData));
        return TRUE;
    }
    auto* lock = reinterpret_cast<stLockedName*>(GetWindowLongPtrA(hook, DWLP_USER));
    if (msg != WM_NOTIFY || !lock || !lock->locked) return 0;
    const auto* note = reinterpret_cast<const OFNOTIFYA*>(lParam);
    switch (note->hdr.code) {
    case CDN_INITDONE:
        CommDlg_OpenSave_SetControlText(dialog, cmb13, lock->name);
        CommDlg_OpenSave_SetControlText(dialog, edt1, lock->name);
        EnableWindow(GetDlgItem(dialog, cmb13), FALSE);
        EnableWindow(GetDlgItem(dialog, edt1), FALSE);
        // Keys reach no control while the disabled name field is left with the focus: OK takes
        // it once the dialog has set itself up, so Enter and Escape work.
        PostMessageA(dialog, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(GetDlgItem(dialog, IDOK)), TRUE);
        break;
    case CDN_SELCHANGE:
        CommDlg_OpenSave_SetControlText(dialog, cmb13, lock->name);
        CommDlg_OpenSave_SetControlText(dialog, edt1, lock->name);
        break;
    case CDN_FILEOK: {
        // The user chose the folder; the name is the locked one whatever was typed.
        OPENFILENAMEA* ofn = note->lpOFN;
        char* name = const_cast<char*>(NamePart(ofn->lpstrFile));
        const size_t room = ofn->nMaxFile - static_cast<size_t>(name - ofn->lpstrFile);
        lstrcpynA(name, lock->name, static_cast<int>(room));
        if (ofn->lpstrFileTitle) lstrcpynA(ofn->lpstrFileTitle, lock->name, static_cast<int>(ofn->nMaxFileTitle));
        break;
    }
    }
    return 0;
}

}  // namespace

// FileDialogPrompt mode, folder, title, name, filter, option, s$ [, LockName]
int16_t ScriptWordFileDialogPrompt(stScriptCall& call) {
    CWordFields fields(call.rest);
    char mode[kScriptWordChars], folder[kScriptWordChars], title[kScriptWordChars], name[kScriptWordChars];
    char filter[kScriptWordChars], option[kScriptWordChars], var[kScriptWordChars], word[kScriptWordChars];
    char* texts[6] = {mode, folder, title, name, filter, option};
    for (char* text : texts) {
        const char* before = fields.Position();
        fields.Text(text);
        if (fields.Position() == before || ScriptFieldFailed()) return kScriptStop;
    }
    int index = 0, macro = 0;
    if (!fields.Word(var) || !ParseScriptStringVariable(var, &index, &macro)) return kScriptStop;
    const bool openMode = lstrcmpiA(mode, "OpenFileMode") == 0;
    if (!openMode && lstrcmpiA(mode, "SaveAsFileMode") != 0) return kScriptStop;
    stLockedName lock{fields.Word(word) && lstrcmpiA(word, "LockName") == 0, ""};
    lstrcpynA(lock.name, name, sizeof lock.name);

    char start[MAX_PATH] = "";
    if (!folder[0]) {
        const DWORD length = GetCurrentDirectoryA(sizeof folder, folder);
        if (length == 0 || length >= sizeof folder) return kScriptStop;
    }
    size_t folderLength = std::strlen(folder);
    if (folderLength && folder[folderLength - 1] == '\\') folder[--folderLength] = 0;
    char file[MAX_PATH] = "", fileTitle[MAX_PATH] = "";
    if (name[0]) {
        if (std::strlen(folder) + 1 + std::strlen(name) >= sizeof file) return kScriptStop;
        wsprintfA(file, "%s\\%s", folder, name);
        lstrcpynA(fileTitle, name, sizeof fileTitle);
    }
    lstrcpynA(start, folder, sizeof start);
    char filterList[kScriptWordChars + 2];
    MakeFilterList(filterList, sizeof filterList, filter, '\\');

    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner();
    ofn.lpstrFilter = filterList;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrFileTitle = fileTitle;
    ofn.nMaxFileTitle = sizeof fileTitle;
    ofn.lpstrInitialDir = start;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_ENABLEHOOK;
    if (openMode)
        ofn.Flags |= OFN_FILEMUSTEXIST;
    else if (lstrcmpiA(option, "OverwritePrompt") == 0)
        ofn.Flags |= OFN_OVERWRITEPROMPT;
    ofn.lpfnHook = LockedNameHook;
    ofn.lCustData = reinterpret_cast<LPARAM>(&lock);
    const BOOL chosen = openMode ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn);
    AssignScriptStringVariable(index, chosen ? file : "", macro);
    return kScriptGoOn;
}

// ---- The lesson data open dialog ----

bool IsLessonDataListItem(const char* name, bool isFolder) {
    const size_t n = name ? std::strlen(name) : 0;
    if (n >= 3 && (name[n - 3] == 'L' || name[n - 3] == 'l') && name[n - 2] >= '0' && name[n - 2] <= '9') return true;
    return isFolder;
}

namespace {

// The dialog's file list (a list view somewhere below it).
BOOL CALLBACK FindFileList(HWND hwnd, LPARAM lParam) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (std::strcmp(cls, "SysListView32") != 0) return TRUE;
    *reinterpret_cast<HWND*>(lParam) = hwnd;
    return FALSE;
}

// Deletes every item that fails the test; the walk stays at the index of a deleted item.
void FilterLessonDataList(HWND dialog) {
    HWND list = nullptr;
    EnumChildWindows(dialog, FindFileList, reinterpret_cast<LPARAM>(&list));
    if (!list) return;
    char folder[MAX_PATH] = "";
    SendMessageA(dialog, CDM_GETFOLDERPATH, sizeof folder, reinterpret_cast<LPARAM>(folder));
    for (int i = 0; i < ListView_GetItemCount(list);) {
        char text[MAX_PATH] = "", path[2 * MAX_PATH];
        ListView_GetItemText(list, i, 0, text, sizeof text);
        wsprintfA(path, "%s\\%s", folder, text);
        const DWORD attributes = GetFileAttributesA(path);
        const bool isFolder = attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY);
        if (IsLessonDataListItem(text, isFolder))
            ++i;
        else
            ListView_DeleteItem(list, i);
    }
}

// The name is chosen from the list only: the name box is disabled and the type box hidden.
// The list is filtered whenever it is filled for a folder.
UINT_PTR CALLBACK LessonDataHook(HWND hook, UINT msg, WPARAM, LPARAM lParam) {
    HWND dialog = GetParent(hook);
    if (msg == WM_NOTIFY) {
        const auto* note = reinterpret_cast<const OFNOTIFYA*>(lParam);
        if (note->hdr.code == CDN_INITDONE) {
            EnableWindow(GetDlgItem(dialog, cmb13), FALSE);
            EnableWindow(GetDlgItem(dialog, edt1), FALSE);
            ShowWindow(GetDlgItem(dialog, stc2), SW_HIDE);
            ShowWindow(GetDlgItem(dialog, cmb1), SW_HIDE);
        }
        if (note->hdr.code == CDN_INITDONE || note->hdr.code == CDN_FOLDERCHANGE) FilterLessonDataList(dialog);
    }
    return 0;
}

}  // namespace

// "Open File" over lesson data files: the name part out, its folder made current.
int OpenFileDialog(char* name260, const char* initialFolder) {
    char file[MAX_PATH] = "";
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner();
    ofn.hInstance = GetModuleHandleA(nullptr);
    ofn.lpstrFilter = "Lesson Data Files (*-L?\?)\0*-L?\?\0";
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrInitialDir = initialFolder && initialFolder[0] ? initialFolder : nullptr;
    ofn.lpstrTitle = "Open File";
    ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_EXPLORER | OFN_ENABLEHOOK;
    ofn.lpfnHook = LessonDataHook;
    if (!GetOpenFileNameA(&ofn)) return 0;
    lstrcpynA(name260, file + ofn.nFileOffset, MAX_PATH);
    file[ofn.nFileOffset ? ofn.nFileOffset - 1 : 0] = 0;
    if (file[0]) SetCurrentDirectoryA(file);
    return 1;
}

// The save dialog with the overwrite question; the current folder is put back afterwards.
int SaveFileDialog(const char* filter, const char* title, char* name256) {
    char before[MAX_PATH] = "";
    const DWORD kept = GetCurrentDirectoryA(sizeof before, before);
    char filterList[512];
    MakeFilterList(filterList, sizeof filterList, filter, '|');
    char file[256] = "";
    lstrcpynA(file, name256 ? name256 : "", sizeof file);
    OPENFILENAMEA ofn{};
    ofn.lStructSize = sizeof ofn;
    ofn.hwndOwner = Owner();
    ofn.lpstrFilter = filterList;
    ofn.lpstrFile = file;
    ofn.nMaxFile = sizeof file;
    ofn.lpstrTitle = title;
    ofn.Flags = OFN_EXPLORER | OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT;
    const BOOL chosen = GetSaveFileNameA(&ofn);
    if (kept && kept < sizeof before) SetCurrentDirectoryA(before);
    if (!chosen) return 0;
    lstrcpynA(name256, file, 256);
    return 1;
}
