// What already works on the interpreter's state record: the graph-window probe and the
// application variables A-Z.
#include "scripts/script_api.h"
#include <cstdlib>

BOOL CALLBACK IsGraphChildWindow(HWND hwnd, LPARAM) {
    char cls[32] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    if (lstrcmpiA(cls, "acqchild") == 0) g_script.graphWindowExists = 1;
    return TRUE;
}

// Capitals read the application variables. Locals of a subroutine frame and the macro table
// belong to the interpreter, which is not built: they answer that there is no such variable.
int GetScriptNumericVariable(void*, char letter, double* out, int macro) {
    *out = 0.0;
    int i = letter - 'A';
    if (macro || i < 0 || i >= 26 || !g_script.variableSet[i]) return 0;
    *out = g_script.variables[i];
    return 1;
}

void AssignScriptNumericVariable(void*, const char* name, double value) {
    if (!name || !name[0] || name[1]) return;
    int i = (name[0] | 0x20) - 'a';
    if (i < 0 || i >= 26) return;
    g_script.variables[i] = value;
    g_script.variableSet[i] = true;
}

void FreeScriptResources() {
    std::free(g_script.text);
    g_script.text = nullptr;
}
