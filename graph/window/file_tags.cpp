// The four-byte tags that open the blocks of a file.
#include "graph/window/file_tags.h"

int MatchFileTag(HANDLE file, uint32_t tag) {
    LARGE_INTEGER zero{}, where{};
    if (!SetFilePointerEx(file, zero, &where, FILE_CURRENT)) return 0;
    uint32_t read = 0;
    DWORD got = 0;
    if (!ReadFile(file, &read, sizeof read, &got, nullptr)) return 0;
    if (got == sizeof read && read == tag) return 1;
    SetFilePointerEx(file, where, nullptr, FILE_BEGIN);
    return 0;
}
