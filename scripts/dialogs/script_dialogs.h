// The modal dialogs that lesson statements open, as the words call them.
#pragma once
#include <windows.h>

// The number prompt (137): 0 after OK (text256 receives the typed text, which it also starts
// with), 1 after Cancel or close, -1 when it did not open.
int ShowScriptNumberPrompt(const char* message, const char* label, char* text256);
// The text prompt (955): 1 after OK (out256 receives the text), -1 when it did not open.
int ShowScriptTextPrompt(const char* message, const char* initial, char* out256);
// The item chooser (139): the selected index, -1 on Cancel or when it did not open.
int ShowScriptItemChooser(const char* title, const char* const* items, int count, int initial, int cancelAllowed);
// The lesson chooser (165) in its name-returning mode: 1 with the chosen script's path, 0 on Quit.
int ShowLessonChooser(char* fileName260);
// The "Open File" dialog of lesson data files: non-zero with the name part in name260 and its
// folder made current, 0 when cancelled.
int OpenFileDialog(char* name260, const char* initialFolder);
