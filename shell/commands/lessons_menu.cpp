// Menu help in the status line, the Lessons menu built from the lesson folders, and the
// commands that lessons may restrict.
#include "shell/commands/menus.h"
#include "base/app.h"
#include "base/device.h"
#include "shell/commands/status.h"
#include "documents/documents_ids.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "devlib/resource.h"
#include "devlib/vk40.h"
#include <cstdio>
#include <cstring>

namespace {
constexpr int kLessonNameLen = 260;
char g_lessonNames[kMaxLessons][kLessonNameLen];
char g_lessonsFolder[MAX_PATH];

// The help of a popup is stored one below its first item's id. Help strings are the
// string table's own texts, not message keys: they are shown as they are.
void ShowHelpOrReady(UINT id) {
    char text[96];
    if (id <= 0xFFFF && LoadMenuHelpString(static_cast<uint16_t>(id), text, sizeof text) > 0)
        SetStatusHelpText(text);
    else
        SetStatusText("Ready");
}

// Doubles the first "&" so that the menu shows it rather than taking it as an access key.
void DoubleFirstAmpersand(const char* name, char* out, size_t size) {
    const char* amp = std::strchr(name, '&');
    if (!amp) {
        lstrcpynA(out, name, static_cast<int>(size));
        return;
    }
    std::snprintf(out, size, "%.*s&%s", static_cast<int>(amp - name), name, amp);
}

// The lesson folders' display names, in folder order; returns how many.
int CollectLessonNames() {
    char pattern[MAX_PATH];
    char* filePart = nullptr;
    if (!GetFullPathNameA("*.*", sizeof pattern, pattern, &filePart) || !filePart) return 0;
    *filePart = 0;
    lstrcpynA(g_lessonsFolder, pattern, sizeof g_lessonsFolder);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA("*.*", &found);
    if (find == INVALID_HANDLE_VALUE) return 0;
    int count = 0;
    do {
        if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)) continue;
        if (!std::strcmp(found.cFileName, ".") || !std::strcmp(found.cFileName, "..")) continue;
        char working[MAX_PATH * 2];
        std::snprintf(working, sizeof working, "%s%s\\%s", g_lessonsFolder, found.cFileName, found.cFileName);
        const char* display = GetDisplayNameByWorkingName(working);
        lstrcpynA(g_lessonNames[count], display && *display ? display : found.cFileName, kLessonNameLen);
        ++count;
    } while (count < kMaxLessons && FindNextFileA(find, &found));
    FindClose(find);
    return count;
}

void SortLessonNames(int count) {
    char swap[kLessonNameLen];
    for (int pass = 0; pass < count - 1; ++pass)
        for (int i = 0; i < count - 1 - pass; ++i)
            if (lstrcmpiA(g_lessonNames[i], g_lessonNames[i + 1]) > 0) {
                lstrcpyA(swap, g_lessonNames[i]);
                lstrcpyA(g_lessonNames[i], g_lessonNames[i + 1]);
                lstrcpyA(g_lessonNames[i + 1], swap);
            }
}
}  // namespace

int LoadMenuHelpString(uint16_t id, char* buffer, int size) {
    if (!buffer || size <= 0) return 0;
    buffer[0] = 0;
    HMODULE module = id >= IDM_DEVICE_FIRST ? DeviceModule() : g_app->hInstance;
    if (!module) return 0;
    return LoadStringA(module, id, buffer, size < 96 ? size : 96);
}

void OnFrameMenuSelect(HMENU menu, UINT item, HMENU, UINT flags) {
    if (flags == 0xFFFFFFFFu && !menu) {
        SetStatusText(nullptr);
        return;
    }
    if ((flags & MF_GRAYED) && (flags & MF_POPUP)) {
        SendMessageA(g_app->hwndFrame, WM_EXITMENULOOP, 0, 0);
        return;
    }
    if (flags & MF_SYSMENU) {
        SetStatusText(nullptr);
        return;
    }
    if (item >= IDM_MARKER_LISTED_FIRST && item <= IDM_MARKER_LAST)
        SetStatusText("Move to this marker");
    else
        ShowHelpOrReady(item);
}

void ShowPopupItemHelp(HMENU popup, UINT, BOOL systemMenu) {
    if (systemMenu) {
        SetStatusText("Ready");
        return;
    }
    UINT id = GetMenuItemID(popup, 0);
    if (id == 0xFFFFFFFFu) {
        HMENU inner = GetSubMenu(popup, 0);
        const UINT innerFirst = inner ? GetMenuItemID(inner, 0) : 0;
        id = innerFirst && innerFirst != 0xFFFFFFFFu ? innerFirst - 1 : 0;
    }
    if (id == 0) return;
    ShowHelpOrReady(id - 1);
}

int BuildLessonsMenu(HMENU popup) {
    char saved[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof saved - 1, saved);
    SetCurrentDirectoryA(g_app->szAppFolder);
    if (!SetCurrentDirectoryA("Lessons")) return 0;
    const int count = CollectLessonNames();
    SortLessonNames(count);
    for (int i = 0; i < count; ++i) {
        char shown[kLessonNameLen + 1];
        DoubleFirstAmpersand(g_lessonNames[i], shown, sizeof shown);
        AppendMenuA(popup, MF_STRING, IDM_LESSON_FIRST + static_cast<UINT>(i), shown);
    }
    SetCurrentDirectoryA(saved);
    return 1;
}

// The commands a lesson may switch off. The last four start off and come back with
// EnableAllHotKeys; the others are fixed: once a lesson switches them off they stay off.
void RegisterCommandHotKeys() {
    static const struct {
        uint32_t id, status;
        int32_t fixed;
    } rows[] = {
        {IDM_DISPLAY_VARS_BROWSER, 1, 1},
        {IDM_DISPLAY_RESET_MENU, 1, 1},
        {IDM_FILE_PRINT, 1, 1},
        {IDM_FILE_QUIT, 1, 1},
        {IDM_FILE_SAVE, 1, 1},
        {IDM_DISPLAY_ZOOM_PREVIOUS, 1, 1},
        {IDM_DISPLAY_ZOOM_NEXT, 1, 1},
        {IDM_EDIT_COPY, 1, 1},
        {IDM_JOURNAL_PASTE_MEASUREMENT, 1, 1},
        {IDM_JOURNAL_PASTE_WAVE_DATA, 1, 1},
        {IDM_EDIT_CUT, 0, 0},
        {IDM_EDIT_PASTE, 0, 0},
        {IDM_EDIT_CLEAR, 0, 0},
        {IDM_EDIT_CLEAR_ALL, 0, 0},
    };
    for (const auto& row : rows) RegHotKeyEx(row.id, row.status, row.fixed);
}
