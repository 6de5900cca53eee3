// The interpreter's state record and its reset.
#include "base/lesson.h"
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
    g_script.lessonButtonMode = 0;
    g_script.graphWindowExists = 0;
    g_script.graph = nullptr;
    std::free(g_script.text);
    g_script.text = nullptr;
}

void ResetScriptPermissions() {
    for (uint16_t& p : g_script.permissions) p = 1;
}
