// Free room on a drive. It sits here rather than in base/ so the device library, which sees only
// common/, asks the drive the same way the program does.
#pragma once

#include <windows.h>

#include <cstdint>

// Free bytes available to the caller on the drive holding path; 0 when it cannot be asked.
// Every system the program runs on has the extended query; the classic one remains for a drive
// that the extended one reports empty. Its product is taken in 64 bits: today's drives overflow 32.
inline double GetFreeDiskSpace(const char* path) {
    ULARGE_INTEGER available{};
    if (GetDiskFreeSpaceExA(path, &available, nullptr, nullptr) && available.QuadPart != 0)
        return static_cast<double>(available.QuadPart);
    DWORD sectors = 0, bytes = 0, freeClusters = 0, clusters = 0;
    if (!GetDiskFreeSpaceA(path, &sectors, &bytes, &freeClusters, &clusters)) return 0.0;
    return static_cast<double>(static_cast<uint64_t>(sectors) * bytes * freeClusters);
}
