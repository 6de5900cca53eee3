// One section of an INI file read at once, then asked key by key as GetPrivateProfileStringA
// answers: under Wine every profile call opens and checks the file again.
#pragma once
#include <windows.h>

#include <string>
#include <utility>
#include <vector>

// The program's settings file (a bare name: the profile calls keep it in the Windows folder).
constexpr char kIniFile[] = "NORVANE.INI";
// Its section of the program's own settings (the window, the copy colours, the journal's choices).
constexpr char kIniSection[] = "Wavemind";

class CIniSection {
public:
    CIniSection(const char* section, const char* file);
    // The key's value (surrounding quotes taken off) or `byDefault`, cut to `size` - 1
    // characters; the characters copied.
    DWORD Get(const char* key, const char* byDefault, char* out, DWORD size) const;
    bool HasKeys() const { return !m_entries.empty(); }
    // The key's value as a whole decimal number from lo to hi; `byDefault` for anything else.
    long GetInteger(const char* key, long byDefault, long lo, long hi) const;
    // The key's value as a finite decimal number from lo to hi; `byDefault` for anything else.
    double GetNumber(const char* key, double byDefault, double lo, double hi) const;

private:
    std::vector<std::pair<std::string, std::string>> m_entries;
};

// The entries of a section as GetPrivateProfileSectionA hands them out ("key=value\0...\0").
std::vector<std::pair<std::string, std::string>> ParseIniSection(const char* block, size_t length);
// A value as GetPrivateProfileStringA gives it: one pair of matching quotes around it taken off.
std::string UnquoteIniValue(const std::string& value);
// A whole decimal number from lo to hi, blanks around it allowed; false for anything else.
bool ParseIniInteger(const char* text, long lo, long hi, long* out);
// A finite decimal number from lo to hi, blanks around it allowed; false for anything else.
bool ParseIniNumber(const char* text, double lo, double hi, double* out);
