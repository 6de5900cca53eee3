// The version block of a module file: its twelve strings and its fixed file version.
#include "devlib/vk40.h"

#include <cstdio>
#include <cstring>
#include <new>

namespace {

const char* const kFieldNames[kVersionFields] = {
    "Comments",        "CompanyName",      "FileDescription", "FileVersion", "InternalName",   "LegalCopyright",
    "LegalTrademarks", "OriginalFilename", "PrivateBuild",    "ProductName", "ProductVersion", "SpecialBuild",
};

constexpr char kMissingField[] = "Unlicensed version";

struct stTranslation {
    WORD language;
    WORD codePage;
};

}  // namespace

CVersionInfo::CVersionInfo() { memset(m_fields, 0, sizeof(m_fields)); }

// Reads the file's version block (the running program's when file is null); a string the block
// lacks reads "Unlicensed version". 0 when the file has no block, with every field empty.
int32_t CVersionInfo::Query(const char* file) {
    memset(m_fields, 0, sizeof(m_fields));
    m_major = m_minor = m_release = m_build = 0;
    char own[MAX_PATH];
    if (!file) {
        const DWORD length = GetModuleFileNameA(nullptr, own, sizeof(own));
        if (length == 0 || length >= sizeof(own)) return 0;
        file = own;
    }
    DWORD handle = 0;
    const DWORD size = GetFileVersionInfoSizeA(file, &handle);
    if (size == 0) return 0;
    char* block = new (std::nothrow) char[size];
    if (!block) return 0;
    if (!GetFileVersionInfoA(file, 0, size, block)) {
        delete[] block;
        return 0;
    }
    ReadFixedVersion(block);
    ReadStrings(block);
    delete[] block;
    return 1;
}

void CVersionInfo::ReadFixedVersion(void* block) {
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT length = 0;
    if (VerQueryValueA(block, "\\", reinterpret_cast<void**>(&fixed), &length) && fixed && length >= sizeof(*fixed)) {
        m_major = HIWORD(fixed->dwFileVersionMS);
        m_minor = LOWORD(fixed->dwFileVersionMS);
        m_release = HIWORD(fixed->dwFileVersionLS);
        m_build = LOWORD(fixed->dwFileVersionLS);
    }
}

// The strings of the block's first translation.
void CVersionInfo::ReadStrings(void* block) {
    stTranslation* translation = nullptr;
    UINT length = 0;
    const bool translated =
        VerQueryValueA(block, "\\VarFileInfo\\Translation", reinterpret_cast<void**>(&translation), &length) &&
        translation && length >= sizeof(stTranslation);
    for (int32_t i = 0; i < kVersionFields; ++i) {
        const char* text = nullptr;
        UINT textLength = 0;
        if (translated) {
            char query[96];
            std::snprintf(query, sizeof(query), "\\StringFileInfo\\%04x%04x\\%s", translation->language,
                          translation->codePage, kFieldNames[i]);
            if (!VerQueryValueA(block, query, reinterpret_cast<void**>(const_cast<char**>(&text)), &textLength))
                text = nullptr;
        }
        lstrcpynA(m_fields[i], text && textLength ? text : kMissingField, kVersionFieldChars);
    }
}

const char* CVersionInfo::Get(VERINFO field) const {
    return field >= 0 && field < kVersionFields ? m_fields[field] : "";
}
