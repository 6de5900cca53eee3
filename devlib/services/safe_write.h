// Writing a file whole or not at all, as the program writes its own files (common/file_replace.h):
// the bytes go into a temporary file beside the target, which replaces the target only once
// complete, so a write that fails keeps the old file and leaves no partial new one. The tests'
// switch that makes writes fail (SetFileWriteFailureForTests) lives here, for both.
#pragma once

#include <windows.h>

#include "common/file_replace.h"

// Writes the target through a temporary file in its folder and moves it over the target once the
// writer returned 0. Returns 0, or the error; on any error the target keeps its contents.
DWORD SafeWriteFile(const char* target, WholeFileWriter writer, void* context);

// Tells the user a file was not written: the cause's text with the file's name (FileNotWrittenText).
void ShowFileNotWritten(HWND owner, const char* path, DWORD error);
