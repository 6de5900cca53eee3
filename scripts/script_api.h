// What the rest of the program uses of the lesson-script engine.
#pragma once
#include <windows.h>
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

extern uint16_t g_savePromptEnabled;
extern uint16_t g_closeCancelled;
extern tagGS* g_scriptGraph;         // the interpreter's current document, or null
extern char* g_scriptTextBuffer;     // the loaded lesson script's text, or null
extern ShortString* g_currentLessonFolder;
extern void* g_lessonScript;         // the loaded lesson script object (host slot 33)

// Runs the start-up lesson; 0 means the program is to close at once.
int StartLessons(HWND frame, const char* cmdLine);
int OpenScript(const char* fileName);
// The script file OpenScript was last asked to load ("" before any), so that the ways a lesson
// is chosen can be checked before the interpreter runs it.
const char* LastOpenedScriptPath();
void ResetMenuAndToolbar();
void ApplyMenuChanges(int code, int32_t* value, int mode);
BOOL CALLBACK IsGraphChildWindow(HWND hwnd, LPARAM lParam);
extern int g_graphWindowExists;
int GetScriptNumericVariable(int scope, char letter, double* out);
HWND CreateVariablesBrowser(HINSTANCE inst, HWND owner);
void ShowVarsBrowser(int show);
LRESULT CALLBACK ScriptWndProc(HWND, UINT, WPARAM, LPARAM);
void FreeScriptResources();

// Host-callback services for the device library's script words.
int16_t GetScriptNestingDepth();
int32_t GetScriptToken(const char* pos, char* out256);
int16_t GetScriptNumber(const char* pos, double* out);
int32_t EvaluateScriptExpression(const char* pos, char* out);
void AssignScriptStringVariable(int letter, const char* text, int macroLocal);
void AssignScriptNumericVariable(void* context, const char* name, double value);
int16_t RunScriptSubroutine(void* script, const char* name, int flags);

// The lesson's permission for the cursor tools while a recording runs (with the graph's own
// toolsWhileRecording); 0 until a lesson allows them.
extern uint16_t g_cursorToolsAllowed;
