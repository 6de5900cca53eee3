// Other spellings of one file's path, as a user can type them: through another drive that reaches
// the same folder (under Wine the root drive Z: reaches every file of drive C:), and the short
// name the system keeps for a long one.
#pragma once
#include <windows.h>

#include <string>

// The path through the drive that maps the host's root; empty when there is none.
inline std::string ThroughRootDrive(const std::string& path) {
    using UnixName = char*(CDECL*)(const WCHAR*);
    auto toUnix = reinterpret_cast<UnixName>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleA("kernel32.dll"), "wine_get_unix_file_name")));
    if (!toUnix) return "";
    WCHAR wide[MAX_PATH] = L"";
    if (!MultiByteToWideChar(CP_ACP, 0, path.c_str(), -1, wide, MAX_PATH)) return "";
    char* unixName = toUnix(wide);
    if (!unixName) return "";
    std::string out = std::string("Z:") + unixName;
    HeapFree(GetProcessHeap(), 0, unixName);
    for (char& c : out)
        if (c == '/') c = '\\';
    return out;
}

// The short (8.3) name of an existing file; empty when it has none.
inline std::string ShortSpelling(const std::string& path) {
    char out[MAX_PATH] = "";
    const DWORD n = GetShortPathNameA(path.c_str(), out, sizeof out);
    return n && n < sizeof out ? out : "";
}
