// The library's files are written as the program writes its own: never in place.
#include "devlib/services/safe_write.h"

#include <string>

#include "common/file_replace.h"
#include "devlib/vk40.h"

namespace {

DWORD g_failureForTests = 0;

}  // namespace

DWORD SafeWriteFile(const char* target, SafeWriter writer, void* context) {
    return WriteWholeThroughTemporary(target, writer, context, g_failureForTests);
}

void ShowFileNotWritten(HWND owner, const char* path, DWORD error) {
    // The keyed text may be replaced by a lesson: only its "%s" is filled in, never read as a format.
    std::string text = Keyed("KEY File not written");
    const size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, path ? path : "");
    const std::string cause = SystemErrorText(error);
    if (!cause.empty()) text += "\n" + cause;
    MessageBoxA(owner, text.c_str(), Keyed("Norvane Tessaly"), MB_OK | MB_ICONEXCLAMATION);
}

void SetSafeWriteFailureForTests(DWORD error) { g_failureForTests = error; }
