// A file written whole or not at all, as both the program and the device library write theirs:
// into a temporary file beside the target, which replaces the target only once complete.
#pragma once

#include <windows.h>

#include <string>

#include "common/scoped_handle.h"

// Fills the open file; 0 or the system's error code.
using WholeFileWriter = DWORD (*)(HANDLE file, void* context);

// The writer's file replaces target; a failure (the writer's error, or failAfterWrite, the tests'
// stand-in for a full disk, when not 0) removes the temporary file and leaves the target as it
// was. 0 or the system's error code.
inline DWORD WriteWholeThroughTemporary(const char* target, WholeFileWriter writer, void* context,
                                        DWORD failAfterWrite) {
    char full[MAX_PATH], folder[MAX_PATH], temporary[MAX_PATH];
    char* name = nullptr;
    if (!target || !target[0] || !GetFullPathNameA(target, sizeof full, full, &name) || !name)
        return ERROR_INVALID_NAME;
    const DWORD attributes = GetFileAttributesA(full);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return ERROR_ACCESS_DENIED;
    lstrcpynA(folder, full, static_cast<int>(name - full) + 1);
    if (!GetTempFileNameA(folder, "ACQ", 0, temporary)) return GetLastError();
    CScopedHandle file(
        CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) {
        const DWORD error = GetLastError();
        DeleteFileA(temporary);
        return error;
    }
    DWORD error = writer(file.get(), context);
    if (!error && failAfterWrite) error = failAfterWrite;
    if (!error && !FlushFileBuffers(file.get())) error = GetLastError();
    file.Close();
    if (!error && !MoveFileExA(temporary, full, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) DeleteFileA(temporary);
    return error;
}

// The system's own words for an error code, without the line end it adds.
inline std::string SystemErrorText(DWORD error) {
    char text[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) text[--n] = 0;
    return text;
}
