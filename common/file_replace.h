// A file written whole or not at all, as both the program and the device library write theirs:
// into a temporary file beside the target, which replaces the target only once complete; and the
// one way either tells the user why a file could not be written.
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

// The general text's key: it names the file itself, and the system's words follow it.
constexpr char kKeyFileNotWritten[] = "KEY File not written";

// The message key that says why a file could not be written: one for each cause the user can do
// something about (a full disk, a missing folder, a file that may not be written), else the
// general one.
inline const char* FileNotWrittenKey(DWORD error) {
    switch (error) {
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL: return "Not enough disk space to save data";
    case ERROR_ACCESS_DENIED:
    case ERROR_WRITE_PROTECT:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION: return "Can't open this file for writing";
    case ERROR_PATH_NOT_FOUND:
    case ERROR_DIRECTORY:  // a temporary file cannot be made in a folder that is not there
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_NAME:
    case ERROR_NOT_READY:
    case ERROR_DEV_NOT_EXIST: return "KEY Save folder not found";
    default: return kKeyFileNotWritten;
    }
}

// What the user reads for a file not written: the key's text (looked up by the caller, since a
// lesson may replace it) with the file's name in its "%s", never read as a format, or on a line
// of its own when it has none; only the general key adds the system's own words.
inline std::string FileNotWrittenText(const char* key, const char* keyedText, const char* path, DWORD error) {
    std::string text = keyedText ? keyedText : key;
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, path ? path : "");
    else
        text += std::string("\n") + (path ? path : "");
    if (lstrcmpA(key, kKeyFileNotWritten) == 0) {
        const std::string cause = SystemErrorText(error);
        if (!cause.empty()) text += "\n" + cause;
    }
    return text;
}
