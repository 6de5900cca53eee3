#include "base/ini_section.h"

#include <cstring>

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
