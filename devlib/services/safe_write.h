// Writing a file whole or not at all, as the program writes its own files: the bytes go into a
// temporary file beside the target, which replaces the target only once complete, so a write
// that fails keeps the old file and leaves no partial new one.
#pragma once

#include <windows.h>

// Fills the open temporary file; returns 0 or the system's error code.
using SafeWriter = DWORD (*)(HANDLE file, void* context);

// Writes the target through a temporary file in its folder and moves it over the target once the
// writer returned 0. Returns 0, or the error; on any error the target keeps its contents.
DWORD SafeWriteFile(const char* target, SafeWriter writer, void* context);

// Tells the user a file was not written: its name, then the system's own words for the cause.
void ShowFileNotWritten(HWND owner, const char* path, DWORD error);

// For tests: every later write fails with this error once its writer has run, as if the writer's
// last write had met a full disk (0 ends it).
void SetSafeWriteFailureForTests(DWORD error);
