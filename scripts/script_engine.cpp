// The lesson-script engine's process-wide state and entry points. The interpreter itself comes
// later; until then start-up attaches the frame menu where the start-up lesson would.
#include "scripts/script_api.h"
#include "base/app.h"
#include "base/notify.h"
#include "devlib/vk40.h"
#include <cstdlib>

char* g_scriptTextBuffer = nullptr;
int g_graphWindowExists = 0;

int StartLessons(HWND, const char*) {
    // The start-up lesson appends the Lessons popup; until it runs, it is appended here.
    if (HMENU lessons = CreatePopupMenu()) {
        notify::BuildLessonsMenu(lessons);
        const char* title = GetMenuStrKey(10000);
        AppendMenuA(g_frameMenu, MF_POPUP, reinterpret_cast<UINT_PTR>(lessons), title && *title ? title : "&Lessons");
    }
    notify::AttachFrameMenu();
    // So is the device library's menu, which the start-up lesson's menu reset would merge.
    if (g_app->hAcq && g_app->driverOps.appendDriverMenu) g_app->driverOps.appendDriverMenu(g_app->hwndFrame);
    SetStartupFlag(1);
    return 1;
}

int OpenScript(const char*) { return 0; }
void ResetMenuAndToolbar() {}
void ApplyMenuChanges(int, int32_t*, int) {}

BOOL CALLBACK IsGraphChildWindow(HWND hwnd, LPARAM) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "acqchild") == 0) g_graphWindowExists = 1;
    return TRUE;
}

// The global numeric variables A-Z, until the interpreter keeps its own.
static double g_numericVariables[26];
static bool g_numericVariableSet[26];

int GetScriptNumericVariable(int, char letter, double* out) {
    *out = 0.0;
    int i = (letter | 0x20) - 'a';
    if (i < 0 || i >= 26 || !g_numericVariableSet[i]) return 0;
    *out = g_numericVariables[i];
    return 1;
}
HWND CreateVariablesBrowser(HINSTANCE, HWND) { return nullptr; }
void ShowVarsBrowser(int) {}
LRESULT CALLBACK ScriptWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
void FreeScriptResources() {
    std::free(g_scriptTextBuffer);
    g_scriptTextBuffer = nullptr;
}

int16_t GetScriptNestingDepth() { return 0; }
int32_t GetScriptToken(const char*, char* out) {
    out[0] = 0;
    return 0;
}
int16_t GetScriptNumber(const char*, double* out) {
    *out = 0.0;
    return 0;
}
int32_t EvaluateScriptExpression(const char*, char* out) {
    out[0] = 0;
    return 0;
}
void AssignScriptStringVariable(int, const char*, int) {}
void AssignScriptNumericVariable(void*, const char* name, double value) {
    if (!name || !name[0] || name[1]) return;
    int i = (name[0] | 0x20) - 'a';
    if (i < 0 || i >= 26) return;
    g_numericVariables[i] = value;
    g_numericVariableSet[i] = true;
}
int16_t RunScriptSubroutine(void*, const char*, int) { return 0; }
