#include "base/ini_section.h"

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kValueChars = 63;

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

// Nothing but blanks from here to the end.
bool OnlyBlanks(const char* p) {
    while (IsBlank(*p)) ++p;
    return *p == 0;
}

}  // namespace

std::vector<std::pair<std::string, std::string>> ParseIniSection(const char* block, size_t length) {
    std::vector<std::pair<std::string, std::string>> entries;
    size_t at = 0;
    while (at < length && block[at]) {
        const size_t end = at + strnlen(block + at, length - at);
        const std::string line(block + at, end - at);
        const size_t equals = line.find('=');
        if (equals == std::string::npos)
            entries.emplace_back(line, std::string());
        else
            entries.emplace_back(line.substr(0, equals), line.substr(equals + 1));
        at = end + 1;
    }
    return entries;
}

std::string UnquoteIniValue(const std::string& value) {
    if (value.size() >= 2 && (value[0] == '"' || value[0] == '\'') && value.back() == value[0])
        return value.substr(1, value.size() - 2);
    return value;
}

CIniSection::CIniSection(const char* section, const char* file) {
    std::vector<char> block(4096);
    for (;;) {
        const DWORD got = GetPrivateProfileSectionA(section, block.data(), static_cast<DWORD>(block.size()), file);
        // A full buffer answers size - 2; a section that big is read again into a larger one.
        if (got + 2 < block.size() || block.size() >= (1u << 20)) {
            m_entries = ParseIniSection(block.data(), got);
            return;
        }
        block.resize(block.size() * 4);
    }
}

DWORD CIniSection::Get(const char* key, const char* byDefault, char* out, DWORD size) const {
    if (!out || size == 0) return 0;
    const char* value = byDefault ? byDefault : "";
    std::string found;
    for (const auto& entry : m_entries) {
        if (lstrcmpiA(entry.first.c_str(), key) == 0) {
            found = UnquoteIniValue(entry.second);
            value = found.c_str();
            break;
        }
    }
    lstrcpynA(out, value, static_cast<int>(size));
    return static_cast<DWORD>(std::strlen(out));
}

bool ParseIniInteger(const char* text, long lo, long hi, long* out) {
    while (IsBlank(*text)) ++text;
    if (!*text) return false;
    char* end = nullptr;
    errno = 0;
    const long value = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || !OnlyBlanks(end) || value < lo || value > hi) return false;
    *out = value;
    return true;
}

bool ParseIniNumber(const char* text, double lo, double hi, double* out) {
    while (IsBlank(*text)) ++text;
    // Decimal spellings only: no hexadecimal, infinity or not-a-number.
    for (const char* p = text; *p && !IsBlank(*p); ++p)
        if (!std::strchr("0123456789.+-eE", *p)) return false;
    char* end = nullptr;
    errno = 0;
    const double value = std::strtod(text, &end);
    if (end == text || errno == ERANGE || !OnlyBlanks(end) || !std::isfinite(value) || value < lo || value > hi)
        return false;
    *out = value;
    return true;
}

long CIniSection::GetInteger(const char* key, long byDefault, long lo, long hi) const {
    char value[kValueChars + 1] = "";
    Get(key, "", value, sizeof value);
    long number = byDefault;
    return ParseIniInteger(value, lo, hi, &number) ? number : byDefault;
}

double CIniSection::GetNumber(const char* key, double byDefault, double lo, double hi) const {
    char value[kValueChars + 1] = "";
    Get(key, "", value, sizeof value);
    double number = byDefault;
    return ParseIniNumber(value, lo, hi, &number) ? number : byDefault;
}
