// The script editor window: its tools, opening and saving a lesson's script beside its graph,
// and running or stepping a subroutine through the engine's single step. The text pane and the
// Watch window have files of their own.
#include "scripts/editor/script_editor.h"

#include <richedit.h>
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/app.h"
#include "base/lesson.h"
#include "base/safe_file.h"
#include "graph/window/graph_window.h"
#include "scripts/scripts_ids.h"
#include "button/lumikey.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "scripts/dialogs/script_dialogs.h"
#include "scripts/editor/editor_internal.h"
#include "scripts/editor/new_lesson.h"
#include "scripts/engine/script_engine.h"
#include "scripts/editor/script_print.h"
#include "scripts/words/word_fields.h"

using namespace editor_internal;

namespace {

constexpr int kToolSize = 22;
constexpr int kVisibleTools = 13;
constexpr DWORD kToolStyle = 0x600;
constexpr int kComboWidth = 140, kComboDrop = 100;
constexpr int kMinTrackX = 100, kMinTrackY = 200;
constexpr COLORREF kHintGrey = RGB(0xC0, 0xC0, 0xC0);

struct stToolRow {
    int id;
    int x;
    const char* tip;   // null: no tip (the subroutine list, the hidden Insert tool)
    const char* hint;
};
const stToolRow kTools[kToolCount] = {
    {IDM_SCRIPT_NEW, 0, "New Script", "Create a new script"},
    {IDM_SCRIPT_OPEN, 22, "Open Script...", "Open the script from a file"},
    {IDM_SCRIPT_SAVE, 44, "Save Script", "Save the script to a file"},
    {IDM_SCRIPT_SAVE_AS, 66, "Save Script As...", "Save the script to a file under a new name"},
    {IDM_SCRIPT_PRINT, 88, "Print Script", "Print the script file"},
    {IDC_SCRIPT_MACROS, 140, nullptr, "Select macro to run"},
    {IDM_SCRIPT_RUN, 290, "Run Script", "Make and run the script"},
    {IDM_SCRIPT_STEP_OVER, 312, "Step Over", "Step over the next statement"},
    {IDM_SCRIPT_STEP_INTO, 334, "Step Into", "Step into the next statement"},
    {IDM_SCRIPT_RUN_TO_CURSOR, 356, "Step To Cursor", "Run the script to the line containing the cursor"},
    {IDM_SCRIPT_TOGGLE_BREAKPOINT, 378, "Toggle Breakpont", "Toggle a breakpoint at the cursor position"},
    {IDM_SCRIPT_DELETE_BREAKPOINTS, 400, "Delete All Breakpoints", "Delete all breakpoints"},
    {IDM_SCRIPT_WATCH, 422, "Inspect variables", "Show/Hide Watch window"},
    {IDM_SCRIPT_INSERT, 474, nullptr, "Insert..."},
};
constexpr int kComboTool = 5;


// What one step left: where the statement to run next stands in the pane, and whether the run
// that started in the current subroutine is over.
struct stStepOutcome {
    LONG position = 0;
    bool finished = false;  // the start subroutine returned, or no such subroutine
    bool failed = false;    // the statement failed (its error dialog has been answered)
    bool entered = false;   // the subroutine was entered by this step
};

// ---- Tools, hints and the tool state ----

void CreateTools(CScriptEditor& ed) {
    for (int i = 0; i < kToolCount; ++i) {
        const stToolRow& row = kTools[i];
        if (i == kComboTool) {
            ed.tools[i] = CreateWindowExA(0, "COMBOBOX", "", WS_CHILD | WS_VISIBLE | WS_VSCROLL | WS_TABSTOP | CBS_DROPDOWNLIST,
                                          row.x, 1, kComboWidth, kComboDrop, ed.window,
                                          reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), g_app->hInstance, nullptr);
            SendMessageA(ed.tools[i], WM_SETFONT, reinterpret_cast<WPARAM>(g_app->fonts.hfontText), 0);
            continue;
        }
        const DWORD visible = row.id == IDM_SCRIPT_INSERT ? 0 : WS_VISIBLE;
        ed.tools[i] = CreateWindowExA(0, LUMIKEY_CLASSNAME, row.tip ? row.tip : "", WS_CHILD | visible | kToolStyle, row.x, 1,
                                      kToolSize, kToolSize, ed.window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)),
                                      g_app->hInstance, const_cast<char*>(row.tip ? row.tip : ""));
        if (!ed.tools[i]) continue;
        if (HBITMAP picture = LoadBitmapA(g_app->hInstance, MAKEINTRESOURCEA(row.id)))
            SendMessageA(ed.tools[i], LKM_SETENABLEBITMAP, reinterpret_cast<WPARAM>(picture), 0);
        SendMessageA(ed.tools[i], LKM_SETAUTODELETE, 1, 0);
    }
}

// State 0: only New and Open; state 1: every tool. The Insert tool is never changed.
void SetToolState(CScriptEditor& ed, int32_t state) {
    ed.toolState = state;
    for (int i = 0; i < kVisibleTools; ++i)
        if (ed.tools[i]) EnableWindow(ed.tools[i], state == 1 || i < 2);
}

void PaintHintLine(CScriptEditor& ed, HDC dc) {
    RECT client;
    GetClientRect(ed.window, &client);
    const int top = client.bottom - ed.bandHeight;
    RECT band{0, top, client.right, client.bottom};
    HBRUSH grey = CreateSolidBrush(kHintGrey);
    FillRect(dc, &band, grey);
    DeleteObject(grey);
    HGDIOBJ oldPen = SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, 1, client.bottom - 2, nullptr);
    LineTo(dc, 1, top + 2);
    LineTo(dc, client.right - 1, top + 2);
    SelectObject(dc, GetStockObject(BLACK_PEN));
    LineTo(dc, client.right - 1, client.bottom - 2);
    LineTo(dc, 1, client.bottom - 2);
    SelectObject(dc, GetStockObject(WHITE_PEN));
    MoveToEx(dc, 0, 0, nullptr);
    LineTo(dc, client.right, 0);
    SelectObject(dc, oldPen);
    HGDIOBJ oldFont = SelectObject(dc, g_app->fonts.hfontText);
    SetBkColor(dc, kHintGrey);
    TextOutA(dc, 10, top + 4, ed.hintText, lstrlenA(ed.hintText));
    SelectObject(dc, oldFont);
}

void SetHint(CScriptEditor& ed, const char* hint) {
    if (std::strcmp(ed.hintText, hint) == 0) return;
    lstrcpynA(ed.hintText, hint, sizeof ed.hintText);
    RECT client;
    GetClientRect(ed.window, &client);
    client.top = client.bottom - ed.bandHeight;
    InvalidateRect(ed.window, &client, TRUE);
}

void ShowToolHint(CScriptEditor& ed, HWND tool) {
    for (int i = 0; i < kToolCount; ++i)
        if (ed.tools[i] == tool) SetHint(ed, kTools[i].hint);
}

// Tab: the next tool, from the last to the pane; Shift+Tab: the previous, from the first to the pane.
void MoveToolFocus(CScriptEditor& ed, bool backwards) {
    HWND focus = GetFocus();
    for (int i = 0; i < kVisibleTools; ++i) {
        if (ed.tools[i] != focus) continue;
        const int next = backwards ? i - 1 : i + 1;
        SetFocus(next < 0 || next >= kVisibleTools ? ed.textPane : ed.tools[next]);
        return;
    }
}

// The subroutine list passes Tab to the editor and tells it when the mouse is over it.
LRESULT CALLBACK MacroListProc(HWND combo, UINT msg, WPARAM wParam, LPARAM lParam) {
    const auto base = reinterpret_cast<WNDPROC>(GetPropA(combo, kPaneProp));
    HWND editor = GetParent(combo);
    if (msg == WM_KEYDOWN && wParam == VK_TAB) SendMessageA(editor, WM_KEYDOWN, wParam, lParam);
    if (msg == WM_MOUSEMOVE) SendMessageA(editor, kEditorShowHint, reinterpret_cast<WPARAM>(combo), 0);
    if (msg == WM_NCDESTROY) {
        SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(base));
        RemovePropA(combo, kPaneProp);
    }
    return CallWindowProcA(base, combo, msg, wParam, lParam);
}

// ---- Line mark ----

void RenewLineMark(CScriptEditor& ed) {
    if (ed.lineMark) SendMessageA(ed.textPane, kPaneMarkLine, 0, ed.lineMark);
    ed.lineMark = SendMessageA(ed.textPane, kPaneMarkLine, 1, 0);
}

void RefreshLineMark(CScriptEditor& ed) {
    if (!ed.lineMark) return;
    SendMessageA(ed.textPane, EM_SETSEL, static_cast<WPARAM>(ed.lineMark), 1);
    InvalidateRect(ed.textPane, nullptr, FALSE);
}

// ---- Subroutines, steps and runs ----

// The chosen subroutine starts afresh: its first statement comes with the next step.
void SelectSubroutine(CScriptEditor& ed) {
    HWND combo = ed.tools[kComboTool];
    const LRESULT sel = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    if (sel < 0 || SendMessageA(combo, CB_GETLBTEXTLEN, sel, 0) >= LRESULT(sizeof ed.currentName)) return;
    SendMessageA(combo, CB_GETLBTEXT, sel, reinterpret_cast<LPARAM>(ed.currentName));
    auto* sub = static_cast<CScriptSubroutine*>(LoadedScript()->ItemAt(static_cast<int>(sel)));
    if (sub) sub->SetResumeOffset(0);
    ed.atSubroutineStart = 1;
    ed.runStartName[0] = 0;
    uint32_t body = 0, nameLine = 0;
    SetPaneCaret(ed.textPane, FindSubroutineInText(sub, &body, &nameLine) ? PanePositionOf(ed.textPane, nameLine) : 1);
    RenewLineMark(ed);
}

void RefillSubroutineList(CScriptEditor& ed) {
    HWND combo = ed.tools[kComboTool];
    const LRESULT kept = SendMessageA(combo, CB_GETCURSEL, 0, 0);
    FillSubroutineNames(combo, -1);
    CScriptSubroutine* first = static_cast<CScriptSubroutine*>(LoadedScript()->ItemAt(0));
    lstrcpynA(ed.currentName, first ? first->Name() : "", sizeof ed.currentName);
    const LRESULT index = kept >= 0 && kept < SendMessageA(combo, CB_GETCOUNT, 0, 0) ? kept : 0;
    SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    SelectSubroutine(ed);
    RefillWatch(ed);
}

// One step of the current subroutine, and where the next statement stands.
stStepOutcome StepOnce(CScriptEditor& ed, int stepInto) {
    stStepOutcome out;
    out.entered = ed.atSubroutineStart != 0;
    if (ed.atSubroutineStart) {
        if (!ed.runStartName[0]) lstrcpynA(ed.runStartName, ed.currentName, sizeof ed.runStartName);
    } else {
        char next[kEditorChars] = "";
        const int16_t result = StepScriptSubroutine(LoadedScript(), stepInto, ed.currentName, next);
        out.failed = result != kScriptGoOn;
        if (next[0]) lstrcpynA(ed.currentName, next, sizeof ed.currentName);
    }
    CScriptSubroutine* sub = FindScriptSubroutine(LoadedScript(), ed.currentName);
    uint32_t body = 0, nameLine = 0;
    if (!sub || !FindSubroutineInText(sub, &body, &nameLine)) {
        out.finished = true;
        ed.runStartName[0] = 0;
        return out;
    }
    if (sub->ResumeOffset() != 0) {
        out.position = PanePositionOf(ed.textPane, body + sub->ResumeOffset());
    } else if (ed.atSubroutineStart) {
        ed.atSubroutineStart = 0;
        out.position = PanePositionOf(ed.textPane, body);
    } else {
        ed.atSubroutineStart = 1;
        out.position = PanePositionOf(ed.textPane, nameLine);
        if (std::strcmp(ed.currentName, ed.runStartName) == 0) {
            ed.runStartName[0] = 0;
            out.finished = true;
        }
    }
    return out;
}

// Guards a run or step against re-entry and leaves the mark and the Watch window up to date.
class CEditorRun {
public:
    explicit CEditorRun(CScriptEditor& ed) : m_ed(ed), m_entered(!ed.busy) {
        if (m_entered) m_ed.busy = 1;
    }
    ~CEditorRun() {
        if (!m_entered) return;
        RenewLineMark(m_ed);
        FillWatchValues(m_ed);
        m_ed.busy = 0;
    }
    CEditorRun(const CEditorRun&) = delete;
    CEditorRun& operator=(const CEditorRun&) = delete;
    bool Entered() const { return m_entered; }

private:
    CScriptEditor& m_ed;
    bool m_entered;
};

void StepCommand(CScriptEditor& ed, int stepInto) {
    CEditorRun run(ed);
    if (!run.Entered() || ed.toolState != 1) return;
    RefreshLineMark(ed);
    SetPaneCaret(ed.textPane, StepOnce(ed, stepInto).position);
}

// Steps until a breakpoint, or (to the cursor) until the caret's line, or until the start
// subroutine returns; a failed statement ends the run too, and so does Ctrl+Break, as for any
// script run, so that an endless loop in the script can be left.
void RunCommand(CScriptEditor& ed, bool toCursor) {
    CEditorRun run(ed);
    if (!run.Entered() || ed.toolState != 1) return;
    if (!toCursor) RefreshLineMark(ed);
    for (;;) {
        const stStepOutcome step = StepOnce(ed, 1);
        if (step.finished || step.failed || (GetAsyncKeyState(VK_CANCEL) & 0x8000)) {
            SetPaneCaret(ed.textPane, step.position);
            return;
        }
        const bool stop = toCursor ? SendMessageA(ed.textPane, kPaneCaretLineAt, 0, step.position) != 0
                                   : SendMessageA(ed.textPane, kPaneBreakpointAt, 0,
                                                  step.entered ? step.position : step.position + 1) != 0;
        if (stop) {
            SetPaneCaret(ed.textPane, step.position);
            return;
        }
    }
}

// ---- Open and save ----

// A script with no file yet says nothing; one whose file cannot be written tells why.
bool WriteScriptFile(const char* path, HWND pane) {
    if (!path[0]) return false;
    const std::string text = PaneText(pane);
    const DWORD error = WriteBytesThroughTemporary(path, text.data(), text.size());
    if (error) ReportFileNotWritten(GetParent(pane), path, error);
    return error == 0;
}

// After a save the engine runs what the pane holds: the script is loaded again from its file.
void ReloadSavedScript(CScriptEditor& ed) {
    SendMessageA(ed.textPane, EM_SETMODIFY, 0, 0);
    int stored = 0;
    if (ReplaceLoadedScript(ed.scriptPath, &stored)) RefillSubroutineList(ed);
}

void SaveScriptAs(CScriptEditor& ed) {
    char name[256] = "";
    if (!SaveFileDialog("Script Files|*.scr|", "Save Script As", name)) return;
    lstrcpynA(ed.scriptPath, name, sizeof ed.scriptPath);
    char title[kEditorChars + 16];
    std::snprintf(title, sizeof title, "Script[%s]", ed.scriptPath);
    SetWindowTextA(ed.window, title);
    if (WriteScriptFile(ed.scriptPath, ed.textPane)) ReloadSavedScript(ed);
}

void SaveScript(CScriptEditor& ed) {
    if (!WriteScriptFile(ed.scriptPath, ed.textPane)) {
        SaveScriptAs(ed);
        return;
    }
    ReloadSavedScript(ed);
}

// The file's text into the pane, unchanged, so that what is saved is what was opened.
bool FillPaneFromFile(HWND pane, const char* path) {
    CScopedHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return false;
    const DWORD size = GetFileSize(file.get(), nullptr);
    std::string text(size, '\0');
    DWORD read = 0;
    const BOOL ok = size == 0 || ReadFile(file.get(), &text[0], size, &read, nullptr);
    file.Close();
    if (!ok) return false;
    text.resize(std::strlen(text.c_str()));  // a zero byte ends a script
    SetWindowTextA(pane, text.c_str());
    SendMessageA(pane, EM_SETMODIFY, 0, 0);
    return true;
}

// Unsaved changes: Yes saves, No drops them; false when the user cancelled.
bool AskToSaveChanges(CScriptEditor& ed) {
    if (!SendMessageA(ed.textPane, EM_GETMODIFY, 0, 0)) return true;
    const int answer = MessageBoxA(ed.window, Keyed("KEY Script has been changed"),
                                   Keyed("Wavemind"), MB_YESNOCANCEL | MB_ICONQUESTION);
    if (answer == IDCANCEL) return false;
    if (answer == IDYES) SaveScript(ed);
    return true;
}

// A lesson's script is named after its folder without extension, as the lesson list and New
// lesson name it: that file is the script when there is no ".SCR" beside the graph.
void UseLessonListScript(char* scriptPath, size_t stem) {
    if (GetFileAttributesA(scriptPath) != INVALID_FILE_ATTRIBUTES) return;
    scriptPath[stem] = 0;
    const DWORD plain = GetFileAttributesA(scriptPath);
    if (plain == INVALID_FILE_ATTRIBUTES || (plain & FILE_ATTRIBUTE_DIRECTORY)) lstrcpyA(scriptPath + stem, ".SCR");
}

void OpenLessonScript(CScriptEditor& ed, const char* given);

// New lesson: the lesson is made, then opened as Open opens a script.
void NewLessonCommand(CScriptEditor& ed) {
    char path[MAX_PATH] = "";
    if (MakeNewLesson(path, sizeof path)) OpenLessonScript(ed, path);
}

// Opens the lesson's graph (the path with ".acq") and its script (with ".SCR"); an empty path
// asks through the open dialog first.
void OpenLessonScript(CScriptEditor& ed, const char* given) {
    char path[MAX_PATH] = "";
    lstrcpynA(path, given ? given : "", sizeof path);
    if (!path[0] && !ScriptDialogs().openFile(path, "")) return;
    const size_t length = std::strlen(path);
    if (length >= kEditorChars - 4) return;  // the path and its extension must fit the editor's record
    ResetMenuAndToolbar();
    ShowAllToolbarButtons();
    if (!AskToSaveChanges(ed)) return;
    SetWindowTextA(ed.textPane, "");
    SendMessageA(ed.textPane, EM_SETMODIFY, 0, 0);
    lstrcpynA(ed.scriptPath, path, sizeof ed.scriptPath);
    char* dot = std::strrchr(ed.scriptPath, '.');
    if (dot && dot >= ed.scriptPath + length - 4 && !std::strpbrk(dot, "\\/")) *dot = 0;
    const size_t stem = std::strlen(ed.scriptPath);
    lstrcpyA(ed.scriptPath + stem, ".acq");
    // The lesson's graph is opened once: opening its script again keeps the window it has.
    tagGS* doc = IsWindow(ed.graphWindow) ? GetWindowGraph(ed.graphWindow) : nullptr;
    if (!doc || doc != ed.document || lstrcmpiA(doc->filePath, ed.scriptPath) != 0) {
        int incompatible = 0;
        doc = OpenGraphFileQuiet(ed.scriptPath, 0, &incompatible);
    }
    if (!doc) return;
    ed.document = doc;
    ed.currentName[0] = 0;
    lstrcpyA(ed.scriptPath + stem, ".SCR");
    UseLessonListScript(ed.scriptPath, stem);
    int stored = 0;
    if (!ReplaceLoadedScript(ed.scriptPath, &stored)) return;
    FillPaneFromFile(ed.textPane, ed.scriptPath);
    char title[kEditorChars + 16];
    std::snprintf(title, sizeof title, "Script[%s]", ed.scriptPath);
    SetWindowTextA(ed.window, title);
    ed.graphWindow = doc->hwnd;
    RefillSubroutineList(ed);
    SetToolState(ed, 1);
    SendMessageA(ed.textPane, EM_SETMODIFY, 0, 0);
}

// ---- The window ----

void OnCommand(CScriptEditor& ed, int id, int code) {
    switch (id) {
    case IDM_SCRIPT_NEW: NewLessonCommand(ed); break;
    case IDM_SCRIPT_OPEN: OpenLessonScript(ed, ""); break;
    case IDM_SCRIPT_SAVE:
        if (ed.toolState == 1) SaveScript(ed);
        break;
    case IDM_SCRIPT_SAVE_AS:
        if (ed.toolState == 1) SaveScriptAs(ed);
        break;
    case IDC_SCRIPT_MACROS:
        if (code == CBN_SELENDOK) SelectSubroutine(ed);
        break;
    case IDM_SCRIPT_RUN: RunCommand(ed, false); break;
    case IDM_SCRIPT_RUN_TO_CURSOR: RunCommand(ed, true); break;
    case IDM_SCRIPT_STEP_INTO: StepCommand(ed, 1); break;
    case IDM_SCRIPT_STEP_OVER: StepCommand(ed, 0); break;
    case IDM_SCRIPT_TOGGLE_BREAKPOINT: SendMessageA(ed.textPane, WM_KEYDOWN, VK_F5, 0); break;
    case IDM_SCRIPT_DELETE_BREAKPOINTS: SendMessageA(ed.textPane, kPaneDeleteBreakpoints, 0, 0); break;
    case IDM_SCRIPT_WATCH: ShowWatchWindow(ed); break;
    case IDM_SCRIPT_PRINT:
        if (ed.toolState == 1) PrintScriptPane(ed.window, ed.textPane, ed.scriptPath);
        break;
    case IDM_SCRIPT_INSERT:
        MessageBoxA(ed.window, Keyed("Insert"), Keyed("Not implemented"), MB_OK);
        break;
    case IDM_FILE_QUIT: DestroyWindow(ed.window); break;
    }
}

LRESULT OnCreate(CScriptEditor& ed) {
    CreateTools(ed);
    if (HWND combo = ed.tools[kComboTool]) {
        SetPropA(combo, kPaneProp, reinterpret_cast<HANDLE>(GetWindowLongPtrA(combo, GWLP_WNDPROC)));
        SetWindowLongPtrA(combo, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(MacroListProc));
    }
    SetToolState(ed, 0);
    ed.textPane = CreateTextPane(ed.window);
    if (!ed.textPane) return -1;
    SetFocus(ed.textPane);
    return 0;
}

void OnSize(CScriptEditor& ed) {
    RECT client;
    GetClientRect(ed.window, &client);
    MoveWindow(ed.textPane, 0, ed.bandHeight, client.right, client.bottom - 2 * ed.bandHeight, TRUE);
    client.top = client.bottom - ed.bandHeight;
    InvalidateRect(ed.window, &client, TRUE);
}

void OnPaint(CScriptEditor& ed) {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(ed.window, &ps);
    PaintHintLine(ed, dc);
    EndPaint(ed.window, &ps);
}

}  // namespace

LRESULT CALLBACK ScriptWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg == WM_NCCREATE) {
        auto* ed = new CScriptEditor;
        ed->window = hwnd;
        SetWindowLongPtrA(hwnd, 0, reinterpret_cast<LONG_PTR>(ed));
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    CScriptEditor* ed = EditorOf(hwnd);
    if (!ed) return DefWindowProcA(hwnd, msg, wParam, lParam);
    switch (msg) {
    case WM_CREATE: return OnCreate(*ed);
    case WM_SIZE: OnSize(*ed); return 0;
    case WM_PAINT: OnPaint(*ed); return 0;
    case WM_SETFOCUS: SetFocus(ed->textPane); return 0;
    case WM_CLOSE: DestroyWindow(hwnd); return 0;
    case WM_QUERYENDSESSION: return 0;
    case WM_GETMINMAXINFO:
        reinterpret_cast<MINMAXINFO*>(lParam)->ptMinTrackSize = POINT{kMinTrackX, kMinTrackY};
        return 0;
    case WM_KEYDOWN:
        if (wParam == VK_TAB) MoveToolFocus(*ed, GetKeyState(VK_SHIFT) < 0);
        return 0;
    case WM_COMMAND: OnCommand(*ed, LOWORD(wParam), HIWORD(wParam)); return 0;
    case WM_MOUSEMOVE: SetHint(*ed, ""); return 0;
    case kEditorShowHint: ShowToolHint(*ed, reinterpret_cast<HWND>(wParam)); return 0;
    case WM_NCDESTROY:
        SetWindowLongPtrA(hwnd, 0, 0);
        delete ed;
        return DefWindowProcA(hwnd, msg, wParam, lParam);
    }
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

HWND OpenScriptEditor() {
    if (!g_app) return nullptr;
    return CreateWindowExA(0, "acqScript", "Script[]",
                           WS_POPUP | WS_VISIBLE | WS_CLIPSIBLINGS | WS_CLIPCHILDREN | WS_CAPTION | WS_SYSMENU |
                               WS_THICKFRAME | WS_MINIMIZEBOX | WS_MAXIMIZEBOX,
                           10, 10, 464, 400, g_app->hwndFrame, nullptr, g_app->hInstance, nullptr);
}
