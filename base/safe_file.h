// Writing a file whole or not at all. Every file the program writes goes through here: the bytes
// go into a temporary file beside the target, which replaces the target only once it is complete,
// so a write that fails or is stopped leaves the old file as it was and no partial new one.
#pragma once
#include <windows.h>
#include <cstddef>

// Fills the open temporary file; returns 0 or the system's error code.
using SafeFileWriter = DWORD (*)(HANDLE file, void* context);

// Writes the target through a temporary file in its folder and moves it over the target once the
// writer returned 0. Returns 0, or the error; on any error the target keeps its contents.
DWORD WriteFileThroughTemporary(const char* target, SafeFileWriter writer, void* context);
// The same for bytes already held in memory.
DWORD WriteBytesThroughTemporary(const char* target, const void* data, size_t size);
// Writes all n bytes at the file's position; 0 or the error (a short write counts as a full disk).
DWORD WriteAllBytes(HANDLE file, const void* data, size_t size);

// The message key that says why a file could not be written: one for each cause the user can do
// something about (a full disk, a missing folder, a file that may not be written), else the
// general one, which names the file itself.
const char* FileNotWrittenKey(DWORD error);
// Tells which file could not be written and why, in the words of the key (by default the cause's
// key), captioned with the program's title; only the general key adds the system's own words.
void ReportFileNotWritten(HWND owner, const char* path, DWORD error, const char* key = nullptr);

// Test seam: every later write through a temporary file fails with this error once its writer has
// run, as if the writer's last write had failed (0 ends it).
void SetFileWriteFailureForTests(DWORD error);
