// The one way files are written: through a temporary file that replaces the target when complete.
#include "base/safe_file.h"
#include "base/app.h"
#include "base/services.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include "common/file_replace.h"
#include <cstring>
#include <string>

namespace {

DWORD g_failureForTests = 0;

struct stBytes {
    const void* data;
    size_t size;
};

DWORD WriteHeldBytes(HANDLE file, void* context) {
    const auto* bytes = static_cast<const stBytes*>(context);
    return WriteAllBytes(file, bytes->data, bytes->size);
}

constexpr char kKeyNotWritten[] = "KEY File not written";

}  // namespace

DWORD WriteAllBytes(HANDLE file, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
        DWORD done = 0;
        if (!WriteFile(file, p, chunk, &done, nullptr)) return GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        if (done == 0) return ERROR_DISK_FULL;
        p += done;
        size -= done;
    }
    return 0;
}

DWORD WriteFileThroughTemporary(const char* target, SafeFileWriter writer, void* context) {
    return WriteWholeThroughTemporary(target, writer, context, g_failureForTests);
}

DWORD WriteBytesThroughTemporary(const char* target, const void* data, size_t size) {
    stBytes bytes{data, size};
    return WriteFileThroughTemporary(target, WriteHeldBytes, &bytes);
}

const char* FileNotWrittenKey(DWORD error) {
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
    default: return kKeyNotWritten;
    }
}

void ReportFileNotWritten(HWND owner, const char* path, DWORD error, const char* key) {
    if (!key) key = FileNotWrittenKey(error);
    // A lesson may replace the text: its "%s" takes the file's name, and it is never read as a
    // format; a text without one is followed by the name on a line of its own.
    std::string text = Keyed(key);
    const size_t at = text.find("%s");
    if (at != std::string::npos)
        text.replace(at, 2, path ? path : "");
    else
        text += std::string("\n") + (path ? path : "");
    if (std::strcmp(key, kKeyNotWritten) == 0) {
        const std::string cause = SystemErrorText(error);
        if (!cause.empty()) text += "\n" + cause;
    }
    const char* caption = ProgramTitle();
    MessageBoxA(owner ? owner : Owner(), text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
}

void SetFileWriteFailureForTests(DWORD error) { g_failureForTests = error; }
