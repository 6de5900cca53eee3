// Placeholder of the parts of the lesson language that are not built yet: the frame-menu reset
// and the script window.
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"

void ResetMenuAndToolbar() {}
void ApplyMenuChanges(int, int32_t*, int) {}

LRESULT CALLBACK ScriptWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

