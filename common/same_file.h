// Whether two paths name one file. The text of a path says little: another drive can reach the
// same folder, a short name stands for a long one, and case does not count. So a file that
// exists is told by itself (its volume and index); a name not yet made by its folder and name.
#pragma once

#include <windows.h>

#include "common/scoped_handle.h"

namespace samefile {

struct FileIdentity {
    DWORD volume = 0;
    DWORD indexHigh = 0;
    DWORD indexLow = 0;
};

// Asks for no access, so a file another handle holds without sharing is still told.
inline bool IdentityOf(const char* path, FileIdentity* out) {
    CScopedHandle file(CreateFileA(path, 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                   OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
    BY_HANDLE_FILE_INFORMATION info;
    if (!file || !GetFileInformationByHandle(file.get(), &info)) return false;
    out->volume = info.dwVolumeSerialNumber;
    out->indexHigh = info.nFileIndexHigh;
    out->indexLow = info.nFileIndexLow;
    return true;
}

enum class Identity { kNeitherExists, kSame, kOther };

// Whether two existing paths are one file; kNeitherExists when neither can be opened.
inline Identity CompareIdentity(const char* a, const char* b) {
    FileIdentity idA, idB;
    const bool hasA = IdentityOf(a, &idA), hasB = IdentityOf(b, &idB);
    if (!hasA && !hasB) return Identity::kNeitherExists;
    return hasA && hasB && idA.volume == idB.volume && idA.indexHigh == idB.indexHigh && idA.indexLow == idB.indexLow
               ? Identity::kSame
               : Identity::kOther;
}

// The full path, in its long form where the file or folder exists.
inline bool FullLongPath(const char* path, char* out, DWORD size) {
    const DWORD n = GetFullPathNameA(path, size, out, nullptr);
    if (!n || n >= size) return false;
    char longer[MAX_PATH];
    const DWORD m = GetLongPathNameA(out, longer, sizeof longer);
    if (m && m < sizeof longer && m < size) lstrcpynA(out, longer, static_cast<int>(size));
    return true;
}

}  // namespace samefile

// True when a and b name one file (or, when neither exists, one place in one folder).
inline bool IsSameFile(const char* a, const char* b) {
    if (!a || !b || !a[0] || !b[0]) return false;
    char fullA[MAX_PATH], fullB[MAX_PATH];
    if (!samefile::FullLongPath(a, fullA, sizeof fullA) || !samefile::FullLongPath(b, fullB, sizeof fullB))
        return lstrcmpiA(a, b) == 0;
    if (lstrcmpiA(fullA, fullB) == 0) return true;
    const samefile::Identity files = samefile::CompareIdentity(fullA, fullB);
    if (files != samefile::Identity::kNeitherExists) return files == samefile::Identity::kSame;
    // Neither exists: the same name in the same folder, however the folder is reached.
    char* nameA = nullptr;
    char* nameB = nullptr;
    for (char* p = fullA; *p; ++p)
        if (*p == '\\' || *p == '/') nameA = p;
    for (char* p = fullB; *p; ++p)
        if (*p == '\\' || *p == '/') nameB = p;
    if (!nameA || !nameB || lstrcmpiA(nameA + 1, nameB + 1) != 0) return false;
    // The folders' roots keep their separator ("C:\").
    nameA[nameA > fullA && nameA[-1] == ':' ? 1 : 0] = 0;
    nameB[nameB > fullB && nameB[-1] == ':' ? 1 : 0] = 0;
    if (lstrcmpiA(fullA, fullB) == 0) return true;
    return samefile::CompareIdentity(fullA, fullB) == samefile::Identity::kSame;
}
