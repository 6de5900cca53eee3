// Placeholder of the parts of the lesson language that are not built yet: the frame-menu reset,
// the script dialogs and the variables browser.
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"

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
