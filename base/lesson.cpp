// What the running lesson allows and which document it works on.
#include "base/lesson.h"

uint16_t g_scriptPermissions[kPermCount];
uint16_t g_cursorToolsAllowed = 0;
uint16_t g_savePromptEnabled = 1;
uint16_t g_closeCancelled = 0;
tagGS* g_scriptGraph = nullptr;
ShortString* g_currentLessonFolder = nullptr;
void* g_lessonScript = nullptr;

namespace {
struct PermissionsAtStart {
    PermissionsAtStart() { ResetScriptPermissions(); }
} g_permissionsAtStart;
}  // namespace

void ResetScriptPermissions() {
    for (uint16_t& p : g_scriptPermissions) p = 1;
}
