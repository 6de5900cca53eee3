// One section of an INI file read at once, then asked key by key as GetPrivateProfileStringA
// answers: under Wine every profile call opens and checks the file again.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

class CIniSection {
public:
    CIniSection(const char* section, const char* file);
    // The key's value (surrounding quotes taken off) or `byDefault`, cut to `size` - 1
    // characters; the characters copied.
    DWORD Get(const char* key, const char* byDefault, char* out, DWORD size) const;
    bool HasKeys() const { return !m_entries.empty(); }

private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

// The entries of a section as GetPrivateProfileSectionA hands them out ("key=value\0...\0").
std::vector<std::pair<std::string, std::string>> ParseIniSection(const char* block, size_t length);
// A value as GetPrivateProfileStringA gives it: one pair of matching quotes around it taken off.
std::string UnquoteIniValue(const std::string& value);
