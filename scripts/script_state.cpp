// What works on the interpreter's state record outside the engine: the graph-window probe.
#include "scripts/script_api.h"

BOOL CALLBACK IsGraphChildWindow(HWND hwnd, LPARAM) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "acqchild") == 0) g_script.graphWindowExists = 1;
    return TRUE;
}
