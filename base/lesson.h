// What the running lesson allows and which document it works on: written by the lesson-script
// engine, read by every part that a lesson can lock (graph windows, measurement popups, menus).
#pragma once
#include <cstdint>

struct tagGS;
class ShortString;

// Permission words the lesson language switches (1 = allowed); all 1 at start and when a lesson opens.
enum ScriptPermission : int {
    kPermZoomWindow, kPermCloseWindow, kPermRMouseButton, kPermSizeWindow, kPermDragWindow,
    kPermHScrollBar, kPermVScrollBar, kPermSizeJournal, kPermVScale, kPermVScaleUnits, kPermVLabel,
    kPermHScale, kPermHScaleUnits, kPermHLabel, kPermMeasurements, kPermMarkers, kPermChannels,
    kPermCount
};
extern uint16_t g_scriptPermissions[kPermCount];
void ResetScriptPermissions();

// The lesson's permission for the cursor tools while a recording runs (with the graph's own
// toolsWhileRecording); 0 until a lesson allows them.
extern uint16_t g_cursorToolsAllowed;

extern uint16_t g_savePromptEnabled;
extern uint16_t g_closeCancelled;
extern tagGS* g_scriptGraph;         // the interpreter's current document, or null
extern ShortString* g_currentLessonFolder;
extern void* g_lessonScript;         // the loaded lesson script object (host slot 33)
