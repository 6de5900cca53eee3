// Placeholder of the parts of the lesson language that are not built yet: the frame-menu reset,
// the script dialogs and the variables browser.
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"
#include "base/app.h"
#include "base/notify.h"
#include "devlib/vk40.h"
#include <string>

int StartLessons(HWND, const char*) {
    // The start-up lesson appends the Lessons popup; without it, it is appended here.
    if (HMENU lessons = CreatePopupMenu()) {
        notify::BuildLessonsMenu(lessons);
        const char* title = GetMenuStrKey(10000);
        AppendMenuA(g_app->hmenuFrame, MF_POPUP, reinterpret_cast<UINT_PTR>(lessons),
                    title && *title ? title : "&Lessons");
    }
    notify::AttachFrameMenu();
    // So is the device library's menu, which the start-up lesson's menu reset would merge.
    if (g_app->hAcq) DrvAppendMenu(&g_app->driverOps, g_app->hwndFrame);
    // The start-up lesson turns the unit check on ("ReadConnectionStatus Enable"): from the next
    // idle turn the unit is found and set up, or the user is asked what to do without it.
    SetReadStatusEnable(1);
    SetStartupFlag(1);
    return 1;
}

// Until the interpreter comes a script is not read: the request is recorded and refused.
static std::string g_lastScriptPath;
int OpenScript(const char* fileName) {
    g_lastScriptPath = fileName ? fileName : "";
    return 0;
}
const char* LastOpenedScriptPath() { return g_lastScriptPath.c_str(); }

void ResetMenuAndToolbar() {}
void ApplyMenuChanges(int, int32_t*, int) {}

HWND CreateVariablesBrowser(HINSTANCE, HWND) { return nullptr; }
void ShowVarsBrowser(int) {}
LRESULT CALLBACK ScriptWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

// Without the prompt dialog the question counts as closed: the run stops.
int ShowScriptPrompt(const char*, const char*, const char*, const char*) { return -1; }
// Without the variables browser there is no copy to keep.
int SetVariableText(const char*, const char*, const char*) { return 0; }
int SetVariableNumber(const char*, const char*, double, int) { return 0; }

int16_t GetScriptNestingDepth() { return 0; }
int32_t GetScriptToken(const char*, char* out) {
    out[0] = 0;
    return 0;
}
int32_t GetScriptNumber(const char*, double* out) {
    *out = 0.0;
    return 0;
}
int32_t EvaluateScriptExpression(const char*, char* out) {
    out[0] = 0;
    return 0;
}
void AssignScriptStringVariable(int, const char*, int) {}
int16_t RunScriptSubroutine(void*, const char*, int) { return 0; }
