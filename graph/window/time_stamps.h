// Times: their text in the user's format, and time stamps as 100-nanosecond counts since 1601.
#pragma once
#include <windows.h>
#include <cstdint>

// A time in the user's default format, in a new buffer of exactly the size it needs (free it
// with delete[]); null when it cannot be formatted or there is no memory.
// Entry point kept for a later caller; only tests call it now.
char* AllocTimeText(const SYSTEMTIME* st);

uint64_t SystemTimeToInt64(const SYSTEMTIME* st);
SYSTEMTIME Int64ToSystemTime(uint64_t value);
// Entry point kept for a later caller; only tests call it now.
void AddMillisecondsToSystemTime(SYSTEMTIME* out, const SYSTEMTIME* in, uint32_t ms);
