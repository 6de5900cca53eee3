// Writing a file whole or not at all. Every file the program writes goes through here: the bytes
// go into a temporary file beside the target, which replaces the target only once it is complete,
// so a write that fails or is stopped leaves the old file as it was and no partial new one.
#pragma once
#include <windows.h>
#include <cstddef>

#include "common/file_replace.h"  // FileNotWrittenKey
#include "devlib/vk40.h"          // SetFileWriteFailureForTests

// Fills the open temporary file; returns 0 or the system's error code.
using SafeFileWriter = DWORD (*)(HANDLE file, void* context);

// Writes the target through a temporary file in its folder and moves it over the target once the
// writer returned 0. Returns 0, or the error; on any error the target keeps its contents.
DWORD WriteFileThroughTemporary(const char* target, SafeFileWriter writer, void* context);
// The same for bytes already held in memory.
DWORD WriteBytesThroughTemporary(const char* target, const void* data, size_t size);
// Writes all n bytes at the file's position; 0 or the error (a short write counts as a full disk).
DWORD WriteAllBytes(HANDLE file, const void* data, size_t size);

// Tells which file could not be written and why (FileNotWrittenText), in the words of the key (by
// default the cause's key), captioned with the program's title.
void ReportFileNotWritten(HWND owner, const char* path, DWORD error, const char* key = nullptr);
