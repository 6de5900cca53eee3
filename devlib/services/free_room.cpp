// Free disk space and the memory a recording may take.
#include "devlib/services/free_room.h"

#include <windows.h>

namespace {

constexpr DWORD kFirstWin95BuildWithEx = 1081;
constexpr double kRecordingMemoryShare = 0.1;

}  // namespace

// The 64-bit query where the system has it, else clusters times their size.
double GetFreeDiskSpace(const char* root) {
    using DiskFreeEx = BOOL(WINAPI*)(LPCSTR, PULARGE_INTEGER, PULARGE_INTEGER, PULARGE_INTEGER);
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    const bool hasEx = GetVersionExA(&info) && (info.dwPlatformId == VER_PLATFORM_WIN32_NT ||
                                                (info.dwBuildNumber & 0xFFFF) >= kFirstWin95BuildWithEx);
    if (hasEx) {
        const auto freeEx = reinterpret_cast<DiskFreeEx>(
            reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("KERNEL32.DLL"), "GetDiskFreeSpaceExA")));
        ULARGE_INTEGER available;
        ULARGE_INTEGER total;
        ULARGE_INTEGER free;
        if (freeEx && freeEx(root, &available, &total, &free)) return static_cast<double>(available.QuadPart);
    }
    DWORD sectors = 0;
    DWORD bytes = 0;
    DWORD freeClusters = 0;
    DWORD clusters = 0;
    if (!GetDiskFreeSpaceA(root, &sectors, &bytes, &freeClusters, &clusters)) return 0;
    return static_cast<double>(sectors) * bytes * freeClusters;
}

double GetFreeMemoryForRecording() {
    MEMORYSTATUS status{};
    status.dwLength = sizeof(status);
    GlobalMemoryStatus(&status);
    return kRecordingMemoryShare * static_cast<double>(status.dwTotalPhys);
}
