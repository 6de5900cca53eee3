// The library's files are written as the program writes its own: never in place.
#include "devlib/services/safe_write.h"

#include <string>

#include "devlib/vk40.h"

namespace {

DWORD g_failureForTests = 0;

std::string SystemText(DWORD error) {
    char text[512] = "";
    DWORD n = FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error, 0, text,
                             sizeof text, nullptr);
    while (n > 0 && (text[n - 1] == '\n' || text[n - 1] == '\r' || text[n - 1] == ' ')) text[--n] = 0;
    return text;
}

}  // namespace

DWORD SafeWriteFile(const char* target, SafeWriter writer, void* context) {
    char full[MAX_PATH], folder[MAX_PATH], temporary[MAX_PATH];
    char* name = nullptr;
    if (!target || !target[0] || !GetFullPathNameA(target, sizeof full, full, &name) || !name)
        return ERROR_INVALID_NAME;
    const DWORD attributes = GetFileAttributesA(full);
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & (FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_DIRECTORY)))
        return ERROR_ACCESS_DENIED;
    lstrcpynA(folder, full, static_cast<int>(name - full) + 1);
    if (!GetTempFileNameA(folder, "ACQ", 0, temporary)) return GetLastError();
    HANDLE file =
        CreateFileA(temporary, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        DeleteFileA(temporary);
        return error;
    }
    DWORD error = writer(file, context);
    if (!error && g_failureForTests) error = g_failureForTests;
    if (!error && !FlushFileBuffers(file)) error = GetLastError();
    CloseHandle(file);
    if (!error && !MoveFileExA(temporary, full, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        error = GetLastError();
    if (error) DeleteFileA(temporary);
    return error;
}

void ShowFileNotWritten(HWND owner, const char* path, DWORD error) {
    // The keyed text may be replaced by a lesson: only its "%s" is filled in, never read as a format.
    std::string text = Keyed("KEY File not written");
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path ? path : "");
    const std::string cause = SystemText(error);
    if (!cause.empty()) text += "\n" + cause;
    MessageBoxA(owner, text.c_str(), Keyed("Norvane Tessaly"), MB_OK | MB_ICONEXCLAMATION);
}

void SetSafeWriteFailureForTests(DWORD error) { g_failureForTests = error; }
