// The lesson words that make, open and close graphs and test, delete and make files and folders,
// and the small routines beside them (the graph search by title, name filters, clipboard text).
#include "graph/window/graph_window.h"
#include "scripts/words/word_fields.h"
#include "base/app.h"
#include "base/services.h"
#include "documents/measurements/measure_text.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_open.h"
#include "scripts/dialogs/script_dialogs.h"
#include <cstring>

namespace {

// What the file words write to their result variable.
constexpr double kFileDone = 1.0;
constexpr double kFileRefused = 2.0;  // OPEN cancelled or incompatible; NEWFOLDER: exists
constexpr double kFileMissing = 3.0;  // no such file, a name not allowed, OPENMOD not opened
constexpr double kFolderFailed = 4.0;
constexpr double kOpenFailed = 0.0;

// Writes the result variable when the statement named one.
void SetResult(stScriptCall& call, const char* name, double value) {
    if (name && name[0]) AssignScriptNumericVariable(call.frame, name, value);
}

bool PathExists(const char* path) { return GetFileAttributesA(path) != INVALID_FILE_ATTRIBUTES; }

// Sends the close message to every graph window until a close is refused.
BOOL CALLBACK CloseEveryGraphCallback(HWND hwnd, LPARAM) {
    if (g_script.closeCancelled) return FALSE;
    if (GetParent(hwnd) != g_app->hwndClient || !GetWindowLongPtrA(hwnd, 0)) return TRUE;
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, g_app->szClassNames[kClassChild]) == 0) SendMessageA(hwnd, WM_CLOSE, 0, 0);
    return TRUE;
}

// The OPEN dialog's initial folder: a string expression after the two variable words, read
// ahead without taking them; the current folder when there is none.
void ReadAheadInitialFolder(CWordFields fields, char* folder256) {
    char word[kScriptWordChars];
    folder256[0] = 0;
    if (fields.Word(word) && fields.Word(word)) fields.Text(folder256);
}

// The graph whose window already shows the file (the open refused a second one), activated as
// the open's check leaves it: the lesson goes on with that graph, whatever it has been renamed to.
tagGS* GraphAlreadyShowing(const char* path) {
    CQuietFileOpen quiet;
    if (!IsFileAlreadyOpen(path) || !g_app->hwndClient) return nullptr;
    auto active = reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0));
    tagGS* gs = active ? GetWindowGraph(active) : nullptr;
    if (gs) g_app->hwndActiveGraph = active;
    return gs;
}

}  // namespace

BOOL CALLBACK SelectGraphWindowCallback(HWND hwnd, LPARAM lParam) {
    auto* search = reinterpret_cast<stGraphWindowSearch*>(lParam);
    if (!GetWindowLongPtrA(hwnd, 0)) return TRUE;
    char text[260] = "";
    GetWindowTextA(hwnd, text, sizeof text);
    if (!text[0] || lstrcmpiA(text, search->title) != 0) return TRUE;
    search->found = 1;
    if (tagGS* gs = GetWindowGraph(hwnd)) g_script.graph = gs;
    if (!IsWindowVisible(hwnd)) ShowWindow(hwnd, SW_SHOW);
    g_app->hwndActiveGraph = hwnd;
    SetFocus(hwnd);
    return FALSE;
}

int MakeFileNameSafe(char* name) {
    int clean = 1;
    for (char* p = name; *p; ++p) {
        if (*p == ':') {
            *p = '-';
            clean = 0;
        }
    }
    return clean;
}

int IsValidFolderName(const char* name) { return std::strpbrk(name, "\\/:*?\"<>|") ? 0 : 1; }

void AppendClipboardText(const char* text) {
    if (!OpenClipboard(Owner())) return;
    const char* current = nullptr;
    HANDLE data = GetClipboardData(CF_TEXT);
    if (data) current = static_cast<const char*>(GlobalLock(data));
    const size_t have = current ? std::strlen(current) : 0;
    const size_t add = std::strlen(text);
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, have + add + 1);
    if (char* out = block ? static_cast<char*>(GlobalLock(block)) : nullptr) {
        if (current) std::memcpy(out, current, have);
        std::memcpy(out + have, text, add + 1);
        GlobalUnlock(block);
    }
    if (current) GlobalUnlock(data);
    if (block) {
        EmptyClipboard();
        if (!SetClipboardData(CF_TEXT, block)) GlobalFree(block);
    }
    CloseClipboard();
}

void AppendGraphTextToClipboard(tagGS* gs) {
    HGLOBAL block = nullptr;
    char* text = gs ? WriteSelectionAsText(gs, 0, &block) : nullptr;
    if (!text) return;
    AppendClipboardText(text);
    GlobalUnlock(block);
    GlobalFree(block);
}

// NEW title: a new empty graph window under the title, its document the current one. The
// document takes the title too, so the Window menu and the save question name it as its caption.
int16_t ScriptWordNew(stScriptCall& call) {
    char title[kScriptWordChars];
    CWordFields(call.rest).Text(title);
    if (CWordFields::Bad()) return kScriptStop;
    HWND hwnd = NewGraph(1);
    if (!hwnd) return kScriptGoOn;
    tagGS* gs = GetWindowGraph(hwnd);
    if (gs) lstrcpynA(gs->title, title, sizeof gs->title);
    SetWindowTextA(hwnd, title);
    // The Window menu's list is not redrawn for a new window text everywhere: asked for at once.
    if (g_app->hwndClient) SendMessageA(g_app->hwndClient, WM_MDIREFRESHMENU, 0, 0);
    if (g_app->hwndFrame) DrawMenuBar(g_app->hwndFrame);
    if (gs) g_script.graph = gs;
    return kScriptGoOn;
}

// OPEN name [, result var [, name var]]: a graph file, chosen in the open dialog when unnamed.
int16_t ScriptWordOpen(stScriptCall& call) {
    CWordFields fields(call.rest);
    char name[MAX_PATH] = "";
    fields.Text(name);
    char result[kScriptWordChars], nameVar[kScriptWordChars];
    if (CWordFields::Bad()) return kScriptStop;
    if (!name[0]) {
        char folder[kScriptWordChars];
        ReadAheadInitialFolder(fields, folder);
        if (CWordFields::Bad()) return kScriptStop;
        char current[MAX_PATH] = "";
        if (!folder[0]) GetCurrentDirectoryA(sizeof current, current);
        int chosen;
        {
            CDialogWaitCursor off;
            chosen = ScriptDialogs().openFile(name, folder[0] ? folder : current);
        }
        if (!chosen) {
            if (!fields.Word(result)) result[0] = 0;
            if (!AreOptionalVariables({result})) return kScriptStop;
            SetResult(call, result, kFileRefused);
            return kScriptGoOn;
        }
    }
    if (!fields.Word(result)) result[0] = 0;
    if (!fields.Word(nameVar)) nameVar[0] = 0;
    // The name variable must be one of A$..Z$, named by its letter; checked before anything opens.
    const bool nameVarBad = nameVar[0] && (nameVar[1] || nameVar[0] < 'A' || nameVar[0] > 'Z');
    if (CWordFields::Bad() || !AreOptionalVariables({result}) || nameVarBad) return kScriptStop;
    // A missing file is no refusal: the reader is not asked, so it reports nothing either.
    int incompatible = 0;
    tagGS* gs = PathExists(name) ? OpenGraphFileQuiet(name, 1, &incompatible) : nullptr;
    if (!gs && incompatible) gs = GraphAlreadyShowing(name);
    g_script.graph = gs;
    if (!gs) {
        SetResult(call, result, incompatible ? kFileRefused : kOpenFailed);
        return kScriptGoOn;
    }
    SetResult(call, result, kFileDone);
    if (nameVar[0]) AssignScriptStringVariable(nameVar[0] - 'A', gs->title, 0);
    return kScriptGoOn;
}

// OPENMOD name, title [, result var]: a graph file below the program folder, under a title.
int16_t ScriptWordOpenMod(stScriptCall& call) {
    CWordFields fields(call.rest);
    char name[kScriptWordChars], title[kScriptWordChars], result[kScriptWordChars];
    fields.Text(name);
    fields.Text(title);
    if (!fields.Word(result)) result[0] = 0;
    if (CWordFields::Bad() || !AreOptionalVariables({result})) return kScriptStop;
    char path[MAX_PATH + kScriptWordChars];
    lstrcpynA(path, g_app->szAppFolder, MAX_PATH);
    lstrcatA(path, name);
    tagGS* gs = PathExists(path) ? OpenGraphFileQuiet(path, 1, nullptr) : nullptr;
    g_script.graph = gs;
    if (gs && gs->hwnd) SetWindowTextA(gs->hwnd, title);
    SetResult(call, result, gs ? kFileDone : kFileMissing);
    return kScriptGoOn;
}

// CLOSEALLGRAPHS: every graph window is asked to close, out of sight while they go.
int16_t ScriptWordCloseAllGraphs(stScriptCall&) {
    g_script.permissions[kPermCloseWindow] = 1;
    g_script.closeCancelled = 0;
    HWND client = g_app->hwndClient;
    if (!client) return kScriptGoOn;
    ShowWindow(client, SW_HIDE);
    EnumChildWindows(client, CloseEveryGraphCallback, 0);
    ShowWindow(client, SW_SHOW);
    return kScriptGoOn;
}

// CHECKFILE path, result var: 1 when the file or folder exists, 3 when not; without the
// variable the run stops.
int16_t ScriptWordCheckFile(stScriptCall& call) {
    CWordFields fields(call.rest);
    char path[kScriptWordChars], result[kScriptWordChars];
    fields.Text(path);
    if (!fields.Word(result)) return CWordFields::Bad() ? kScriptStop : kScriptStopWithoutDialog;
    if (CWordFields::Bad() || !IsNumericVariableName(result)) return kScriptStop;
    SetResult(call, result, path[0] && PathExists(path) ? kFileDone : kFileMissing);
    return kScriptGoOn;
}

// DELETE path, result var: only a statement that asks for the outcome deletes.
int16_t ScriptWordDelete(stScriptCall& call) {
    CWordFields fields(call.rest);
    char path[kScriptWordChars], result[kScriptWordChars];
    fields.Text(path);
    if (!fields.Word(result)) return CWordFields::Bad() ? kScriptStop : kScriptGoOn;
    if (CWordFields::Bad() || !IsNumericVariableName(result)) return kScriptStop;
    const DWORD attributes = path[0] ? GetFileAttributesA(path) : INVALID_FILE_ATTRIBUTES;
    bool deleted = false;
    if (attributes != INVALID_FILE_ATTRIBUTES)
        deleted = (attributes & FILE_ATTRIBUTE_DIRECTORY) ? RemoveDirectoryA(path) : DeleteFileA(path);
    SetResult(call, result, deleted ? kFileDone : kFileMissing);
    return kScriptGoOn;
}

// NEWFOLDER name, result var: a folder in the current folder; an empty name stops the run.
int16_t ScriptWordNewFolder(stScriptCall& call) {
    CWordFields fields(call.rest);
    char name[kScriptWordChars], result[kScriptWordChars];
    fields.Text(name);
    if (!fields.Word(result)) result[0] = 0;
    if (CWordFields::Bad() || !AreOptionalVariables({result})) return kScriptStop;
    if (!name[0]) return kScriptStopWithoutDialog;
    if (!IsValidFolderName(name)) {
        SetResult(call, result, kFileMissing);
        return kScriptGoOn;
    }
    double outcome = kFileDone;
    if (!CreateDirectoryA(name, nullptr)) outcome = GetLastError() == ERROR_ALREADY_EXISTS ? kFileRefused : kFolderFailed;
    SetResult(call, result, outcome);
    return kScriptGoOn;
}
