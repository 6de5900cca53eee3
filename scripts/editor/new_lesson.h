// A new lesson made from the script editor: its folder under the program's "Lessons" folder, the
// empty graph the program carries as a resource, and a first script with its OnOpenFile.
#pragma once
#include <windows.h>
#include <cstddef>

// Asks for the folder and the script name, makes the lesson and leaves its folder current.
// 1 with the path of its script (the lesson list's form: named after the folder, no extension)
// in scriptPath; 0 when cancelled or when it could not be made, which has been reported and
// leaves nothing behind.
int MakeNewLesson(char* scriptPath, size_t size);

// The empty graph a new lesson starts from: the program's resource of type "EMPTY40"; false
// when the program does not carry it.
bool EmptyGraphResource(const void** data, DWORD* size);

// Test seam: what writes the lesson's files; WriteFile unless replaced (null puts WriteFile back).
using LessonFileWriter = BOOL(WINAPI*)(HANDLE, LPCVOID, DWORD, LPDWORD, LPOVERLAPPED);
// Test seam: only tests call it.
void SetLessonFileWriter(LessonFileWriter writer);
