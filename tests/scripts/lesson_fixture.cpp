#include "tests/scripts/lesson_fixture.h"
#include "base/app.h"
#include "base/lesson.h"
#include "graph/document/graph_doc.h"
#include "graph/window/graph_window.h"
#include "scripts/engine/script_engine.h"
#include "tests/documents/acq_builder.h"
#include "tests/shell/shell_fixture.h"

namespace {
int g_errorDialogs = 0;
std::string g_lastError;
int16_t CountErrorDialog(const char* message) {
    ++g_errorDialogs;
    g_lastError = message ? message : "";
    return 0;
}
}  // namespace

void LessonWords::SetUp() {
    folder = EnterOwnFolder("kymora_lesson_", previous, sizeof previous);
    DeleteIni();
    ASSERT_TRUE(BootShell());
    lstrcpynA(g_app->szAppFolder, folder.c_str(), sizeof g_app->szAppFolder);
    SetScriptErrorHook(CountErrorDialog);
    g_errorDialogs = 0;
    g_lastError.clear();
    ResetScriptState();
    for (char c = 'A'; c <= 'Z'; ++c) {
        const char name[2] = {c, 0};
        AssignScriptNumericVariable(nullptr, name, -99.0);
        AssignScriptStringVariable(c - 'A', "", 0);
    }
}

void LessonWords::TearDown() {
    SetScriptErrorHook(nullptr);
    if (g_app && g_app->hwndClient)
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (tagGS* gs = GetWindowGraph(w)) gs->modified = 0;
    ResetScriptState();
    ShutShell();
    SetCurrentDirectoryA(previous);
    for (const std::string& f : made) {
        DeleteFileA(f.c_str());
        RemoveDirectoryA(f.c_str());
    }
    DeleteFileA(ScriptPath().c_str());
    RemoveDirectoryA(folder.c_str());
}

std::string LessonWords::ScriptPath() const { return folder + "\\" + kScriptName; }

bool LessonWords::Load(const std::vector<std::string>& lines, const std::string& more) {
    std::string text = "Lesson words test\r\nMain\r\n";
    for (const std::string& line : lines) text += line + "\r\n";
    text += "END\r\n" + more;
    if (!WriteWholeFile(ScriptPath(), Bytes(text.begin(), text.end()))) return false;
    int stored = 0;
    return ReplaceLoadedScript(ScriptPath().c_str(), &stored) && stored;
}

int16_t LessonWords::Run(const std::vector<std::string>& lines, const std::string& more, int waitCursor) {
    if (!Load(lines, more)) return -100;
    return RunScriptSubroutine(LoadedScript(), "Main", waitCursor);
}

std::string LessonWords::InFolder(const std::string& name) {
    made.insert(made.begin(), folder + "\\" + name);
    return made.front();
}

tagGS* LessonWords::NewGraph(const char* title) {
    g_script.graph = nullptr;
    if (Run({std::string("NEW \"") + title + "\""}) != 1) return nullptr;
    return g_script.graph;
}

double LessonWords::Var(char letter) {
    double v = 0.0;
    GetScriptNumericVariable(nullptr, letter, &v, 0);
    return v;
}
std::string LessonWords::Str(char letter) { return g_script.strings[letter - 'A']; }
int LessonWords::ErrorDialogs() { return g_errorDialogs; }
void LessonWords::ResetErrorDialogs() { g_errorDialogs = 0; }
const std::string& LessonWords::LastError() { return g_lastError; }

bool LessonWords::Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::string LessonWords::ClipboardText() {
    std::string text;
    if (!OpenClipboard(nullptr)) return "<not opened>";
    if (HANDLE data = GetClipboardData(CF_TEXT)) {
        if (const char* p = static_cast<const char*>(GlobalLock(data))) {
            text = p;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}
