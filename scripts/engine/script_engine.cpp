// The script engine: loading a script into subroutines, running them one statement per turn of
// the run loop, the lesson entry points and the error dialog. A load never frees the record of
// a subroutine that is running: it is retired until its last run ends, and the runs of an older
// script unwind with kScriptReplaced at their next statement.
#include "scripts/engine/script_engine.h"
#include "scripts/words/graph_words.h"
#include "transforms/expression/expression.h"
#include "base/app.h"
#include "base/device.h"
#include "base/notify.h"
#include "base/services.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include "devlib/resource.h"
#include "graph/dialogs/toolbar.h"
#include "common/keyed_format.h"
#include "controls/short_string.h"
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

static int LoadLesson(const char* fileName, bool closeGraphs);

namespace {

// The statements a run takes between two turns of the message loop.
constexpr uint32_t kStatementsPerTurn = 256;
constexpr uint32_t kStatementsPerKeyCheck = 64;  // a power of two
constexpr uint64_t kAskAtEveryLine = ~0ull;       // breakAskedAt while Ctrl+Break is held

// The loaded script and the records a load dropped while a run of them was in progress: made
// once, for the whole process.
struct AtStart {
    AtStart() {
        g_script.script = new CCursorList;
        g_script.retired = new CCursorList;
        g_script.breakAskedAt = kAskAtEveryLine;
    }
} g_atStart;

CCursorList& Loaded() { return *static_cast<CCursorList*>(g_script.script); }
CCursorList& Retired() { return *static_cast<CCursorList*>(g_script.retired); }

inline bool IsWordEnd(char c) { return c == ' ' || c == '\t' || c == ',' || c == '\r' || c == 0; }
inline bool IsSkip(char c) { return c == ' ' || c == '\t' || c == ','; }

// The first word of the line at p (blank, tab, comma and CR end it), at most 255 characters.
const char* FirstWord(const char* p, char* word) {
    while (IsSkip(*p)) ++p;
    const char* start = p;
    while (!IsWordEnd(*p)) ++p;
    size_t n = static_cast<size_t>(p - start);
    if (n > kScriptWordChars - 1) n = kScriptWordChars - 1;
    std::memcpy(word, start, n);
    word[n] = 0;
    return p;
}

// The start of the next line, or null when the text ends first.
const char* NextLine(const char* p) {
    while (*p && *p != '\r') ++p;
    return *p ? p + 1 : nullptr;
}

bool IsEndWord(const char* word) { return ScriptWordIs(word, "END"); }

// Whether the line's first word is END, without copying it: every statement asks.
bool LineIsEnd(const char* p) {
    while (IsSkip(*p)) ++p;
    return (p[0] | 0x20) == 'e' && (p[1] | 0x20) == 'n' && (p[2] | 0x20) == 'd' && IsWordEnd(p[3]);
}

// A record leaving the loaded script: kept while it runs, else deleted. Nothing keeps
// pointing at a deleted one.
void DropSubroutine(CScriptSubroutine* sub) {
    if (sub->m_activeRuns > 0) {
        Retired().MoveLast();
        Retired().InsertAfterCursor(sub);
        return;
    }
    if (g_script.currentSubroutine == sub) g_script.currentSubroutine = nullptr;
    if (g_expression.variableScope == sub) SetExpressionScope(nullptr);
    delete sub;
}

// Empties the loaded script; the runs of it unwind at their next statement.
void ClearLoadedScript() {
    while (Loaded().MoveFirst()) DropSubroutine(static_cast<CScriptSubroutine*>(Loaded().DetachCurrent()));
    ++g_script.generation;
}

// A run is over: a retired record whose last run this was goes now.
void ReleaseRun(CScriptSubroutine* sub) {
    if (--sub->m_activeRuns > 0) return;
    for (CListItem* item = Retired().MoveFirst(); item; item = Retired().MoveNext()) {
        if (item != sub) continue;
        Retired().DetachCurrent();
        DropSubroutine(sub);
        return;
    }
}

// One run of a subroutine, advanced one statement per call of StepRun.
struct stScriptRun {
    CScriptSubroutine* sub;
    const char* line;  // the next line to run
    uint32_t generation;
    int16_t result;
};

// Asking for the key is a request to the window server that costs more than a hundred statements:
// it is asked once a tick, and at every line while it is held, so that each caller ends too.
bool BreakKeyHeld() {
    const uint64_t now = GetTickCount64();
    if (now == g_script.breakAskedAt) return false;
    const bool down = (GetAsyncKeyState(VK_CANCEL) & 0x8000) != 0;
    g_script.breakAskedAt = down ? kAskAtEveryLine : now;
    return down;
}

// Runs the statement at the run's line; true when the run is over (its result set).
bool StepRun(stScriptRun& run) {
    if (*run.line == 0 || LineIsEnd(run.line)) {
        run.result = kScriptGoOn;
        return true;
    }
    g_script.currentSubroutine = run.sub;
    SetExpressionScope(run.sub);
    g_expression.document = g_script.graph;
    // Ctrl+Break ends the run, the last result standing; held, it ends each caller at its next line.
    if (((g_script.statementsSinceTurn & (kStatementsPerKeyCheck - 1)) == 0 || g_script.breakAskedAt == kAskAtEveryLine) &&
        BreakKeyHeld())
        return true;
    const char* position = run.line;
    run.result = ExecScriptStatement(run.sub, &position);
    if (run.result == kScriptGoOn && g_script.generation != run.generation) run.result = kScriptReplaced;
    if (run.result != kScriptGoOn) return true;
    run.line = NextLine(position);
    if (!run.line) return true;
    if (++g_script.statementsSinceTurn >= kStatementsPerTurn) {
        g_script.statementsSinceTurn = 0;
        if (!notify::RunStatementTurn()) {
            run.result = kScriptHalted;
            return true;
        }
        if (g_script.generation != run.generation) {
            run.result = kScriptReplaced;
            return true;
        }
    }
    return false;
}

// Sends the close message to each graph window until one refuses.
BOOL CALLBACK CloseGraphWindowsCallback(HWND hwnd, LPARAM) {
    if (g_script.closeCancelled) return FALSE;
    if (GetParent(hwnd) != g_app->hwndClient || !GetWindowLongPtrA(hwnd, 0)) return TRUE;
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (ScriptWordIs(cls, "acqchild")) SendMessageA(hwnd, WM_CLOSE, 0, 0);
    return !g_script.closeCancelled;
}

// 1 when every graph window closed; 0 when one's save question was cancelled.
int CloseAllGraphWindows() {
    g_script.permissions[kPermCloseWindow] = 1;
    g_script.closeCancelled = 0;
    if (g_app && g_app->hwndClient) EnumChildWindows(g_app->hwndClient, CloseGraphWindowsCallback, 0);
    return g_script.closeCancelled ? 0 : 1;
}

// The lesson's pictures are found under "Lessons" by the name of the folder its script is in.
void TakeLessonFolder(const char* scriptPath) {
    char full[MAX_PATH];
    char* file = nullptr;
    const DWORD n = GetFullPathNameA(scriptPath, sizeof full, full, &file);
    if (n == 0 || n >= sizeof full || !file || file == full) return;
    file[-1] = 0;
    const char* slash = std::strrchr(full, '\\');
    ShortString* folder = g_script.lessonFolder ? g_script.lessonFolder : new ShortString;
    if (folder->Assign(slash ? slash + 1 : full)) g_script.lessonFolder = folder;
    else if (folder != g_script.lessonFolder) delete folder;
}

void HideDevicePanels() {
    DeviceHidePanels();
}

// Whether a zero byte cut anything off: bytes after it other than zero bytes, line ends, blanks
// and tabs (the padding some tools leave at a file's end).
bool CutsScriptText(const char* from, const char* to) {
    for (const char* p = from; p < to; ++p)
        if (*p && *p != '\r' && *p != '\n' && *p != ' ' && *p != '\t') return true;
    return false;
}

// A keyed text with its one argument, as a line of a message.
template <typename Arg>
std::string KeyedLine(const char* key, Arg arg) {
    char line[512];
    FormatKeyedText(line, sizeof line, Keyed(key), arg);
    return line;
}

// The author is told that the script was read only up to a zero byte, and which subroutine that
// left without its END: both would otherwise be missing without a word.
void TellScriptCutShort(const char* path, uint32_t line, const char* unendedName) {
    std::string message = KeyedLine("KEY Script zero byte", path) + "\n" +
                          KeyedLine("KEY Script zero byte line", static_cast<long>(line));
    if (unendedName && *unendedName) message += "\n" + KeyedLine("KEY Script subroutine without END", unendedName);
    MessageBoxA(Owner(), message.c_str(), Keyed("Warning"),
                MB_OK | MB_ICONEXCLAMATION);
}

// Opens "StartUp" from the current folder and attaches the frame menu.
void RunStartupScript() {
    const bool attached = g_app && g_app->frame.bFrameMenuAttached;
    HMENU lessons = nullptr;
    if (!attached && g_app && g_app->frame.hmenuFrame && (lessons = CreatePopupMenu())) {
        const char* title = GetMenuStrKey(10000);
        AppendMenuA(g_app->frame.hmenuFrame, MF_POPUP, reinterpret_cast<UINT_PTR>(lessons),
                    title && *title ? title : "&Lessons");
    }
    if (!LoadLesson("StartUp", false)) {
        char text[256] = "The StartUp script has not been found.", caption[64] = "Warning", loaded[256];
        if (HMODULE device = g_app ? DeviceModule() : nullptr) {
            if (LoadStringA(device, IDS_STARTUP_MISSING, loaded, sizeof loaded) > 0)
                lstrcpynA(text, loaded, sizeof text);
            if (LoadStringA(device, IDS_CONVERT_SETUP_CAPTION, loaded, sizeof loaded) > 0)
                lstrcpynA(caption, loaded, sizeof caption);
        }
        MessageBoxA(Owner(), text, caption, MB_OK | MB_ICONEXCLAMATION);
        ResetMenuAndToolbar();
    }
    if (!attached && g_app) {
        if (lessons) notify::BuildLessonsMenu(lessons);
        notify::AttachFrameMenu();
        // The device library's menu joins the frame menu once it is attached, as at every reset.
        DeviceAppendMenu(g_app->hwndFrame);
    }
    SetStartupFlag(1);
}

}  // namespace

CCursorList* LoadedScript() { return &Loaded(); }

// The toolbar and its standard buttons are shown again and marked shown.
void ShowAllToolbarButtons() {
    if (!g_app || !g_app->hwndToolbar) return;
    if (!(GetWindowLongA(g_app->hwndToolbar, GWL_STYLE) & WS_VISIBLE)) ShowWindow(g_app->hwndToolbar, SW_SHOWNA);
    ShowScriptToolbarButtons();
}

// The whole file, line feeds left out (a 0 byte ends it), ending with a CR.
int LoadScriptFile(char** text, const char* path, uint32_t* zeroByteLine) {
    if (zeroByteLine) *zeroByteLine = 0;
    std::free(*text);
    *text = nullptr;
    CScopedHandle file(
        CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return 0;
    const DWORD size = GetFileSize(file.get(), nullptr);
    char* raw = static_cast<char*>(std::malloc(size + 1));
    char* out = static_cast<char*>(std::malloc(size + 2));
    DWORD read = 0;
    const BOOL ok = raw && out && (size == 0 || ReadFile(file.get(), raw, size, &read, nullptr));
    file.Close();
    if (!ok) {
        std::free(raw);
        std::free(out);
        return 0;
    }
    size_t n = 0;
    uint32_t line = 1;
    DWORD i = 0;
    for (; i < read && raw[i]; ++i) {
        if (raw[i] == '\n') continue;
        if (raw[i] == '\r') ++line;
        out[n++] = raw[i];
    }
    if (zeroByteLine && CutsScriptText(raw + i, raw + read)) *zeroByteLine = line;
    if (n && out[n - 1] != '\r') out[n++] = '\r';
    out[n] = 0;
    std::free(raw);
    *text = out;
    return 1;
}

// Header line, then subroutines: a name line, body lines (labels end with ":"), an END line.
int SplitScriptIntoSubroutines(CCursorList* script, const char* text, char* unendedName) {
    if (unendedName) unendedName[0] = 0;
    if (script == &Loaded()) ClearLoadedScript();
    else script->RemoveAll();
    if (!text) return 0;
    char word[kScriptWordChars];
    const char* p = text;
    for (FirstWord(p, word); word[0] == ';'; FirstWord(p, word))
        if (!(p = NextLine(p))) return 0;
    if (!*p || !(p = NextLine(p))) return 0;  // the header line
    int stored = 0;
    while (p && *p) {
        FirstWord(p, word);
        if (!word[0] || word[0] == ';') {
            p = NextLine(p);
            continue;
        }
        auto* sub = new CScriptSubroutine;
        sub->SetName(word);
        const char* body = NextLine(p);
        int labels = 0;
        const char* line = body;
        for (; line && *line; line = NextLine(line)) {
            FirstWord(line, word);
            if (IsEndWord(word)) break;
            const size_t len = std::strlen(word);
            if (len > 1 && word[len - 1] == ':' && labels < kScriptLabelSlots - 1) {
                word[len - 1] = 0;
                sub->SetLabel(labels++, word, static_cast<uint32_t>(line - body));
            }
        }
        if (!body || !line || !*line) {  // no END before the text ends
            if (unendedName) lstrcpynA(unendedName, sub->Name(), kScriptNameChars);
            delete sub;
            break;
        }
        sub->SetLabel(labels, "", 0);
        const char* endOfEnd = line;
        while (*endOfEnd && *endOfEnd != '\r') ++endOfEnd;
        if (sub->StoreText(body, static_cast<uint32_t>(endOfEnd - body))) {
            script->MoveLast();
            script->InsertAfterCursor(sub);
            stored = 1;
        } else {
            delete sub;
        }
        p = *endOfEnd ? endOfEnd + 1 : nullptr;
    }
    if (!stored) script->RemoveAll();
    return stored;
}

// Names are kept to 19 characters, so a longer name finds the record of its first 19.
CScriptSubroutine* FindScriptSubroutine(CCursorList* script, const char* name) {
    if (!script || !name) return nullptr;
    char key[kScriptNameChars];
    lstrcpynA(key, name, sizeof key);
    for (CListItem* item = script->MoveFirst(); item; item = script->MoveNext()) {
        auto* sub = static_cast<CScriptSubroutine*>(item);
        if (ScriptWordIs(sub->Name(), key)) return sub;
    }
    return nullptr;
}

int ReplaceLoadedScript(const char* path, int* stored) {
    *stored = 0;
    uint32_t zeroByteLine = 0;
    if (!LoadScriptFile(&g_script.text, path, &zeroByteLine)) return 0;
    char unended[kScriptNameChars];
    *stored = SplitScriptIntoSubroutines(&Loaded(), g_script.text, unended);
    if (zeroByteLine) TellScriptCutShort(path, zeroByteLine, unended);
    return 1;
}

// Runs a subroutine to its END; the record stays alive until the run is over.
int16_t RunScriptSubroutine(void* script, const char* name, int waitCursor) {
    auto* list = script ? static_cast<CCursorList*>(script) : &Loaded();
    if (list->Count() == 0) return kScriptGoOn;
    CScriptSubroutine* sub = FindScriptSubroutine(list, name);
    if (!sub) return kScriptNotFound;
    if (g_script.nestingDepth >= kScriptNestingLimit) return kScriptStop;
    void* const caller = g_script.currentSubroutine;
    g_script.waitCursorFlag = static_cast<int16_t>(waitCursor);
    // Turns are owed to long runs: an event's few lines (one per idle step during a recording)
    // never add up to a turn of the loop that called them.
    if (g_script.nestingDepth == 0) g_script.statementsSinceTurn = 0;
    ++g_script.nestingDepth;
    ++sub->m_activeRuns;
    if (waitCursor) SetWaitCursor(1);
    stScriptRun run{sub, sub->Text(), g_script.generation, kScriptStop};
    const uint16_t stepped = g_script.steppedStatement;  // a run called from a stepped line runs whole
    g_script.steppedStatement = 0;
    while (!StepRun(run)) {
    }
    g_script.steppedStatement = stepped;
    if (waitCursor) SetWaitCursor(0);
    --g_script.nestingDepth;
    ReleaseRun(sub);
    // The caller's statement goes on with its own frame (it is alive: its run pins it).
    g_script.currentSubroutine = caller;
    SetExpressionScope(caller);
    return run.result;
}

// The script editor's single step: one line of the named subroutine from its resume offset.
int16_t StepScriptSubroutine(void* script, int stepIntoCalls, const char* name, char* outName) {
    auto* list = script ? static_cast<CCursorList*>(script) : &Loaded();
    if (list->Count() == 0) return kScriptGoOn;
    CScriptSubroutine* sub = FindScriptSubroutine(list, name);
    if (!sub) return kScriptNotFound;
    ++g_script.nestingDepth;
    ++sub->m_activeRuns;
    int16_t result = kScriptGoOn;
    const char* line = sub->Text() + (sub->ResumeOffset() <= sub->TextLength() ? sub->ResumeOffset() : 0);
    char word[kScriptWordChars];
    FirstWord(line, word);
    if (*line && !IsEndWord(word)) {
        g_script.currentSubroutine = sub;
        SetExpressionScope(sub);
        g_expression.document = g_script.graph;
        if (stepIntoCalls && ScriptWordIs(word, "CALL")) {
            char callee[kScriptWordChars];
            const char* rest = line;
            while (IsSkip(*rest)) ++rest;
            EvaluateScriptExpression(rest + 4, callee);
            const char* after = NextLine(line);
            sub->SetResumeOffset(after ? static_cast<uint32_t>(after - sub->Text()) : 0);
            if (CScriptSubroutine* target = FindScriptSubroutine(list, callee)) {
                lstrcpynA(outName, target->Name(), kScriptNameChars);
                target->SetCallerName(sub->Name());
                target->SetResumeOffset(0);
                ++g_script.stepCallDepth;
            } else {
                result = kScriptNotFound;
            }
        } else {
            const char* position = line;
            g_script.steppedStatement = 1;
            result = ExecScriptStatement(sub, &position);
            g_script.steppedStatement = 0;
            const char* after = result == kScriptGoOn ? NextLine(position) : nullptr;
            if (result == kScriptGoOn) sub->SetResumeOffset(after ? static_cast<uint32_t>(after - sub->Text()) : 0);
        }
    } else {
        if (g_script.stepCallDepth > 0) {
            --g_script.stepCallDepth;
            lstrcpynA(outName, sub->CallerName(), kScriptNameChars);
        }
        sub->SetResumeOffset(0);
    }
    --g_script.nestingDepth;
    ReleaseRun(sub);
    return result;
}

int16_t GetScriptNestingDepth() { return g_script.nestingDepth; }

// Resets what a lesson may change, loads the script and runs "OnOpenFile"; a lesson first closes
// the graphs, the start-up script keeps the first graph that start-up made.
static int LoadLesson(const char* fileName, bool closeGraphs) {
    lstrcpynA(g_script.lastScriptPath, fileName ? fileName : "", sizeof g_script.lastScriptPath);
    if (closeGraphs && !CloseAllGraphWindows()) return 0;
    const uint16_t journalSizing = g_script.permissions[kPermSizeJournal];
    ResetScriptState();
    g_script.permissions[kPermSizeJournal] = journalSizing;
    ShowAllToolbarButtons();
    HideDevicePanels();
    ClearBackgroundPicture();
    int stored = 0;
    if (!ReplaceLoadedScript(g_script.lastScriptPath, &stored)) return 0;
    TakeLessonFolder(g_script.lastScriptPath);
    if (!stored) return 1;
    return RunScriptSubroutine(&Loaded(), "OnOpenFile", 0);
}

int OpenScript(const char* fileName) { return LoadLesson(fileName, true); }

const char* LastOpenedScriptPath() { return g_script.lastScriptPath; }

// The first lesson start. Without a lesson named, the start-up script runs over the first graph.
int StartLessons(HWND, const char* path) {
    if (path && *path && !CloseAllGraphWindows()) return 0;
    ShowAllToolbarButtons();
    ResetMenuAndToolbar();
    HideDevicePanels();
    if (path && *path) return OpenScript(path) ? 1 : 0;
    RunStartupScript();
    return 1;
}

namespace {

// A script message: the title, then the current subroutine, the line (30 characters) and the
// word (20), each line ended with CR LF.
std::string ComposeScriptMessage(const char* title, const char* firstText, const char* secondText) {
    auto copyLine = [](char* out, const char* text, size_t most) {
        size_t n = 0;
        if (text) {
            while (*text == ' ' || *text == '\t') ++text;
            while (n < most && text[n] && text[n] != '\r') ++n;
            std::memcpy(out, text, n);
        }
        out[n] = 0;
    };
    char line[31], word[21];
    copyLine(line, firstText, 30);
    copyLine(word, secondText, 20);
    const auto* sub = static_cast<const CScriptSubroutine*>(g_script.currentSubroutine);
    char message[2048];
    std::snprintf(message, sizeof message, "%s\r\r%s: %s;\r%s: %s;\r%s: %s", title, "Subroutine name",
                  sub ? sub->Name() : "", "LINE", line, "WORD", word);
    std::string shown;
    for (const char* c = message; *c && shown.size() < 2047; ++c) {
        shown += *c;
        if (*c == '\r') shown += '\n';
    }
    return shown;
}

// The prompt over the frame (or the tests' hook) with the wait cursor off meanwhile: 1 for the
// first button.
int16_t AskScriptUser(const std::string& message, const char* button1, const char* button2, const char* button3) {
    if (g_script.waitCursorFlag) SetWaitCursor(0);
    int16_t answer;
    if (g_script.errorHook) answer = g_script.errorHook(message.c_str());
    else answer = ShowScriptPrompt(message.c_str(), button1, button2, button3) == 1 ? 1 : 0;
    if (g_script.waitCursorFlag) SetWaitCursor(1);
    return answer;
}

}  // namespace

// "Script Error or Break Point" with the subroutine, the line and the word; 1 for Continue.
int16_t ShowScriptError(const char* firstText, const char* secondText) {
    return ShowScriptErrorTitled("Script Error or Break Point", firstText, secondText);
}

int16_t ShowScriptErrorTitled(const char* title, const char* firstText, const char* secondText) {
    const std::string shown = ComposeScriptMessage(title, firstText, secondText);
    return AskScriptUser(shown, "Continue", "No", "Show VarsBrowser") == 1 ? kScriptGoOn : kScriptStop;
}

// Subroutines that call one another without end: said once, with the one answer that ends the
// lesson (asking at every level on the way back would ask hundreds of times).
void ShowScriptNestingError(const char* line) {
    char title[256] = "";
    FormatKeyedText(title, sizeof title, Keyed("KEY Subroutines nested too deeply"),
                    static_cast<int>(kScriptNestingLimit));
    const std::string shown = ComposeScriptMessage(title, line, "CALL");
    AskScriptUser(shown, Keyed("KEY End the lesson"), "", "");
}

void SetScriptErrorHook(ScriptErrorHook hook) { g_script.errorHook = hook; }

int RunScriptMessageTurn() { return notify::RunMessageTurn(); }

void FreeScriptResources() {
    ClearLoadedScript();
    ClearBackgroundPicture();
    std::free(g_script.text);
    g_script.text = nullptr;
}
