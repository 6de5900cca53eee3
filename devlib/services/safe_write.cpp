// The library's files are written as the program writes its own: never in place.
#include "devlib/services/safe_write.h"

#include <string>

#include "devlib/vk40.h"

namespace {

// The one switch for the program's writes and the library's: the program asks the library.
DWORD g_failureForTests = 0;

}  // namespace

void SetFileWriteFailureForTests(DWORD error) { g_failureForTests = error; }

DWORD FileWriteFailureForTests() { return g_failureForTests; }

DWORD SafeWriteFile(const char* target, WholeFileWriter writer, void* context) {
    return WriteWholeThroughTemporary(target, writer, context, g_failureForTests);
}

void ShowFileNotWritten(HWND owner, const char* path, DWORD error) {
    const char* key = FileNotWrittenKey(error);
    const std::string text = FileNotWrittenText(key, Keyed(key), path, error);
    MessageBoxA(owner, text.c_str(), Keyed("Norvane Tessaly"), MB_OK | MB_ICONEXCLAMATION);
}
