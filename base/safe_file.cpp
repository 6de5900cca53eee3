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

struct stBytes {
    const void* data;
    size_t size;
};

DWORD WriteHeldBytes(HANDLE file, void* context) {
    const auto* bytes = static_cast<const stBytes*>(context);
    return WriteAllBytes(file, bytes->data, bytes->size);
}

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
    return WriteWholeThroughTemporary(target, writer, context, FileWriteFailureForTests());
}

DWORD WriteBytesThroughTemporary(const char* target, const void* data, size_t size) {
    stBytes bytes{data, size};
    return WriteFileThroughTemporary(target, WriteHeldBytes, &bytes);
}

void ReportFileNotWritten(HWND owner, const char* path, DWORD error, const char* key) {
    if (!key) key = FileNotWrittenKey(error);
    const std::string text = FileNotWrittenText(key, Keyed(key), path, error);
    const char* caption = ProgramTitle();
    MessageBoxA(owner ? owner : Owner(), text.c_str(), caption, MB_OK | MB_ICONEXCLAMATION);
}
