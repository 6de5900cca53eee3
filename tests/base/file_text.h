// A file read back whole as text, for tests that check what a write left on disk.
#pragma once
#include <windows.h>

#include <string>

// The file's bytes, or `missing` when it cannot be opened.
inline std::string ReadFileText(const std::string& path, const char* missing = "<missing>") {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return missing;
    std::string text(GetFileSize(f, nullptr), '\0');
    DWORD got = 0;
    if (!text.empty()) ReadFile(f, &text[0], static_cast<DWORD>(text.size()), &got, nullptr);
    CloseHandle(f);
    text.resize(got);
    return text;
}
