// The lesson-script engine's process-wide state and entry points. The interpreter itself comes
// later; until then start-up attaches the frame menu where the start-up lesson would.
#include "scripts/script_api.h"
#include "shell/app.h"
#include "shell/commands/menus.h"
#include "shell/startup.h"
#include "devlib/services/vk40_api.h"
#include <cstdlib>

stScriptState g_script;

namespace {
struct StateAtStart {
    StateAtStart() { ResetScriptState(); }
} g_stateAtStart;
}  // namespace

void ResetScriptState() {
    ResetScriptPermissions();
    g_script.savePromptEnabled = 1;
    g_script.cursorToolsAllowed = 0;
    g_script.closeCancelled = 0;
    g_script.graphWindowExists = 0;
    g_script.graph = nullptr;
    std::free(g_script.text);
    g_script.text = nullptr;
}

void ResetScriptPermissions() {
    for (uint16_t& p : g_script.permissions) p = 1;
}

int StartLessons(HWND, const char*) {
    // The start-up lesson appends the Lessons popup; until it runs, it is appended here.
    if (HMENU lessons = CreatePopupMenu()) {
        BuildLessonsMenu(lessons);
        const char* title = GetMenuStrKey(10000);
        AppendMenuA(g_app->hmenuFrame, MF_POPUP, reinterpret_cast<UINT_PTR>(lessons),
                    title && *title ? title : "&Lessons");
    }
    AttachFrameMenu();
    // So is the device library's menu, which the start-up lesson's menu reset would merge.
    if (g_app->hAcq) DrvAppendMenu(&g_app->driverOps, g_app->hwndFrame);
    SetStartupFlag(1);
    return 1;
}

int OpenScript(const char*) { return 0; }
void ResetMenuAndToolbar() {}
void ApplyMenuChanges(int, int32_t*, int) {}

BOOL CALLBACK IsGraphChildWindow(HWND hwnd, LPARAM) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "acqchild") == 0) g_script.graphWindowExists = 1;
    return TRUE;
}

int GetScriptNumericVariable(int, char letter, double* out) {
    *out = 0.0;
    int i = (letter | 0x20) - 'a';
    if (i < 0 || i >= 26 || !g_script.variableSet[i]) return 0;
    *out = g_script.variables[i];
    return 1;
}
HWND CreateVariablesBrowser(HINSTANCE, HWND) { return nullptr; }
void ShowVarsBrowser(int) {}
LRESULT CALLBACK ScriptWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}
void FreeScriptResources() {
    std::free(g_script.text);
    g_script.text = nullptr;
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
    g_script.variables[i] = value;
    g_script.variableSet[i] = true;
}
int16_t RunScriptSubroutine(void*, const char*, int) { return 0; }
