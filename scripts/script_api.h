// What the rest of the program uses of the lesson-script engine.
#pragma once
#include <windows.h>
#include <cstdint>
#include "base/lesson.h"

struct tagGS;

// Runs the start-up lesson; 0 means the program is to close at once.
int StartLessons(HWND frame, const char* cmdLine);
int OpenScript(const char* fileName);
// Test seam: the script file OpenScript was last asked to load ("" before any), so that the ways a
// lesson is chosen can be checked before the interpreter runs it.
const char* LastOpenedScriptPath();
void ResetMenuAndToolbar();
void ApplyMenuChanges(int code, int32_t* value, int mode);
// Whether a frame command may run: a lesson that grays a command or its pop-up, or removes it,
// withdraws it from the menu, its accelerator and its toolbar button alike.
int ScriptCommandAllowed(UINT command);
// Every command a lesson withdrew is allowed again (the frame menu was reset).
void ClearScriptMenuBlocks();
BOOL CALLBACK IsGraphChildWindow(HWND hwnd, LPARAM lParam);
int GetScriptNumericVariable(void* frame, char letter, double* out, int macro);
HWND CreateVariablesBrowser(HINSTANCE inst, HWND owner);
// The program's browser: owner and instance given at start-up, the window made when first asked
// for (null until then when none was prepared).
void PrepareVariablesBrowser(HINSTANCE inst, HWND owner);
HWND VariablesBrowserWindow();
void ShowVarsBrowser(int show);
LRESULT CALLBACK ScriptWndProc(HWND, UINT, WPARAM, LPARAM);
void FreeScriptResources();

// Host-callback services for the device library's script words (entries 25-31, 33): each reader
// takes the text at the read position and returns how many characters it used (0 for an empty
// field); it never reads past the line's CR.
int16_t GetScriptNestingDepth();
int32_t GetScriptToken(const char* pos, char* out256);
int32_t GetScriptNumber(const char* pos, double* out);
int32_t EvaluateScriptExpression(const char* pos, char* out);
void AssignScriptStringVariable(int letter, const char* text, int macroLocal);
void AssignScriptNumericVariable(void* context, const char* name, double value);
// A subroutine of script (null: the loaded lesson) run to its END; non-zero waitCursor shows the
// wait cursor meanwhile.
int16_t RunScriptSubroutine(void* script, const char* name, int waitCursor);
