// Placeholder of the part of the lesson language that is not built yet: the script window.
#include "scripts/script_api.h"
#include "scripts/engine/script_engine.h"

LRESULT CALLBACK ScriptWndProc(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    return DefWindowProcA(hwnd, msg, wParam, lParam);
}

