// Times: their text in the user's format, and time stamps as 100-nanosecond counts since 1601.
#include "graph/window/time_stamps.h"
#include <new>

namespace {
constexpr uint64_t kTicksPerMs = 10000;  // FILETIME counts 100 ns
}  // namespace

char* AllocTimeText(const SYSTEMTIME* st) {
    if (!st) return nullptr;
    int size = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, st, nullptr, nullptr, 0);
    if (size <= 0) return nullptr;
    char* text = new (std::nothrow) char[static_cast<size_t>(size)];
    if (!text) return nullptr;
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, st, nullptr, text, size) <= 0) {
        delete[] text;
        return nullptr;
    }
    return text;
}

uint64_t SystemTimeToInt64(const SYSTEMTIME* st) {
    FILETIME ft{};
    if (!SystemTimeToFileTime(st, &ft)) return 0;
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

SYSTEMTIME Int64ToSystemTime(uint64_t value) {
    FILETIME ft{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

void AddMillisecondsToSystemTime(SYSTEMTIME* out, const SYSTEMTIME* in, uint32_t ms) {
    *out = Int64ToSystemTime(SystemTimeToInt64(in) + ms * kTicksPerMs);
}
