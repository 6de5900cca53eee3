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
// The lesson chooser in either mode: non-zero openMode opens the chosen lesson and returns
// OpenScript's result; 0 only copies its script's path out and returns 1. Quit returns 0 and
// closes the frame.
int RunLessonChooser(int openMode, char* fileName260);
// The one-line text entry (138): 1 after OK (out receives at most maxLength characters), 0 after
// Cancel or when it did not open.
int ShowScriptTextEntry(const char* title, const char* initial, char* out, int maxLength);
// A picture of the running lesson's "Prompts" or "Buttons" folder, named as the text it stands
// for; null when it cannot be loaded. The lesson's picture folder is left current.
HBITMAP LoadLessonPicture(const char* folder, const char* name);
// The save dialog of the script editor: "|" separates the filter's parts. 1 with the chosen path
// in name256 (the current folder as it was before), 0 when cancelled.
int SaveFileDialog(const char* filter, const char* title, char* name256);
// The lesson data open dialog lists a name when its third character from the end is L (either
// case) and its second from the end a digit, and any folder.
bool IsLessonDataListItem(const char* name, bool isFolder);
// The "Open File" dialog of lesson data files: non-zero with the name part in name260 and its
// folder made current, 0 when cancelled.
int OpenFileDialog(char* name260, const char* initialFolder);
