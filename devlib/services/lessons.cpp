// The lesson list: one entry per sub-folder of the program's "Lessons" folder, each with the
// name shown, the script path without extension and the lesson's folder.
#include <windows.h>

#include <cstdio>
#include <cstring>

#include "devlib/vk40.h"

namespace {

constexpr int kLessons = 128;
constexpr size_t kPathSize = MAX_PATH;  // 260: every field of an entry

struct stLesson {
    char displayName[kPathSize];
    char workingName[kPathSize];  // empty: free
    char workingDirectory[kPathSize];
};

stLesson g_lessons[kLessons];

// Formats into a field; false when the result would not fit, so nothing cut is ever used.
template <typename... Args>
bool FormatPath(char (&to)[kPathSize], const char* format, Args... args) {
    const int length = std::snprintf(to, sizeof to, format, args...);
    return length >= 0 && static_cast<size_t>(length) < sizeof to;
}

bool Used(const stLesson& lesson) { return lesson.workingName[0] != 0; }

// Lookups start from the top, where the first lessons found are.
stLesson* FindByWorkingName(const char* name, bool ignoreCase) {
    if (!name) return nullptr;
    for (int i = kLessons - 1; i >= 0; --i) {
        stLesson& lesson = g_lessons[i];
        if (Used(lesson) &&
            (ignoreCase ? _stricmp(lesson.workingName, name) : std::strcmp(lesson.workingName, name)) == 0)
            return &lesson;
    }
    return nullptr;
}

stLesson* FindByDisplayName(const char* name, bool ignoreCase) {
    if (!name) return nullptr;
    for (int i = kLessons - 1; i >= 0; --i) {
        stLesson& lesson = g_lessons[i];
        if (!Used(lesson)) continue;
        const int diff =
            ignoreCase ? _strnicmp(lesson.displayName, name, kPathSize) : std::strcmp(lesson.displayName, name);
        if (diff == 0) return &lesson;
    }
    return nullptr;
}

stLesson* FreeLesson() {
    for (int i = kLessons - 1; i >= 0; --i) {
        if (!Used(g_lessons[i])) return &g_lessons[i];
    }
    return nullptr;
}

bool IsLessonFolder(const WIN32_FIND_DATAA& found) {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) return false;
    return std::strcmp(found.cFileName, ".") != 0 && std::strcmp(found.cFileName, "..") != 0;
}

// Enters or refreshes one lesson; a path too long for the table, or a full table, skips it.
void AddLesson(const char* folder, const char* name) {
    char workingName[kPathSize];
    char workingDirectory[kPathSize];
    char displayName[kPathSize];
    if (!FormatPath(workingName, "%s\\%s\\%s", folder, name, name) ||
        !FormatPath(workingDirectory, "%s\\%s", folder, name) || !FormatPath(displayName, "%s", name))
        return;
    stLesson* lesson = FindByWorkingName(workingName, false);
    if (!lesson) lesson = FreeLesson();
    if (!lesson) return;
    std::memcpy(lesson->workingName, workingName, sizeof workingName);
    std::memcpy(lesson->workingDirectory, workingDirectory, sizeof workingDirectory);
    std::memcpy(lesson->displayName, displayName, sizeof displayName);
}

}  // namespace

// Enters every sub-folder of the folder as a lesson. 0 when the folder cannot be searched.
int32_t FillUpLessonDescriptions(const char* folder) {
    if (!folder) return 0;
    char pattern[kPathSize];
    if (!FormatPath(pattern, "%s%s", folder, "\\*")) return 0;
    WIN32_FIND_DATAA found{};
    HANDLE search = FindFirstFileA(pattern, &found);
    if (search == INVALID_HANDLE_VALUE) return 0;
    do {
        if (IsLessonFolder(found)) AddLesson(folder, found.cFileName);
    } while (FindNextFileA(search, &found));
    FindClose(search);
    return 1;
}

// Shows the display names in the order the lessons were found.
int32_t ReFreshLessonsList(HWND listBox) {
    if (!listBox) return 0;
    SendMessageA(listBox, LB_RESETCONTENT, 0, 0);
    for (int i = kLessons - 1; i >= 0; --i) {
        if (Used(g_lessons[i]))
            SendMessageA(listBox, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(g_lessons[i].displayName));
    }
    return 1;
}

const char* GetLessonWorkingDirectory(const char* displayName) {
    const stLesson* lesson = FindByDisplayName(displayName, true);
    return lesson ? lesson->workingDirectory : nullptr;
}

const char* GetLessonFileName(const char* displayName) {
    const stLesson* lesson = FindByDisplayName(displayName, false);
    return lesson ? lesson->workingName : nullptr;
}

const char* GetFirstLessonFile() {
    for (int i = kLessons - 1; i >= 0; --i) {
        if (Used(g_lessons[i])) return g_lessons[i].workingName;
    }
    return nullptr;
}

// The lesson just below the given one; null at the end or for an unknown name.
const char* GetNextLessonFile(const char* workingName) {
    const stLesson* lesson = FindByWorkingName(workingName, false);
    if (!lesson || lesson == &g_lessons[0]) return nullptr;
    const stLesson* next = lesson - 1;
    return Used(*next) ? next->workingName : nullptr;
}

// A lesson script renames a lesson for display.
int32_t SetDisplayNameByDisplayName(const char* oldName, const char* newName) {
    stLesson* lesson = FindByDisplayName(oldName, true);
    if (!lesson || !newName) return 0;
    std::snprintf(lesson->displayName, sizeof lesson->displayName, "%s", newName);
    return 1;
}

const char* GetDisplayNameByWorkingName(const char* workingName) {
    const stLesson* lesson = FindByWorkingName(workingName, true);
    return lesson ? lesson->displayName : nullptr;
}
