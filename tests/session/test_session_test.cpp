// The session the tests run in: the desktop's process must not hold a test's output.
#include <gtest/gtest.h>

#include <windows.h>

#include <winternl.h>

#include <cstddef>

namespace {

// The start of a process's parameter block as the system lays it out, up to the standard handles.
struct stProcessParametersHead {
    ULONG maximumLength, length, flags, debugFlags;
    HANDLE consoleHandle;
    ULONG consoleFlags;
    HANDLE standardInput, standardOutput, standardError;
};

// The kind of file another process writes its errors to: FILE_TYPE_UNKNOWN when it has none.
DWORD ErrorOutputKind(DWORD pid) {
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ | PROCESS_DUP_HANDLE, FALSE, pid);
    if (!process) return FILE_TYPE_UNKNOWN;
    PROCESS_BASIC_INFORMATION basic{};
    PEB peb{};
    stProcessParametersHead params{};
    HANDLE mine = nullptr;
    DWORD kind = FILE_TYPE_UNKNOWN;
    if (NtQueryInformationProcess(process, ProcessBasicInformation, &basic, sizeof(basic), nullptr) == 0 &&
        ReadProcessMemory(process, basic.PebBaseAddress, &peb, sizeof(peb), nullptr) &&
        ReadProcessMemory(process, peb.ProcessParameters, &params, sizeof(params), nullptr) && params.standardError &&
        DuplicateHandle(process, params.standardError, GetCurrentProcess(), &mine, 0, FALSE, DUPLICATE_SAME_ACCESS)) {
        kind = GetFileType(mine);
        CloseHandle(mine);
    }
    CloseHandle(process);
    return kind;
}

// Started by a test, the desktop's process would keep that test's output (a pipe to the test
// runner) open after the test ended, and the runner would wait for it until the timeout.
TEST(TestSession, TheDesktopsProcessHoldsNoPipe) {
    HWND desktop = GetDesktopWindow();
    ASSERT_NE(desktop, nullptr);
    DWORD owner = 0;
    ASSERT_NE(GetWindowThreadProcessId(desktop, &owner), 0u);
    const DWORD kind = ErrorOutputKind(owner);
    EXPECT_NE(kind, static_cast<DWORD>(FILE_TYPE_UNKNOWN)) << "its error output could not be read";
    EXPECT_NE(kind, static_cast<DWORD>(FILE_TYPE_PIPE));
}

}  // namespace
