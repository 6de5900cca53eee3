// A new lesson made from the script editor: its folder, its empty graph and its first script.
// Whatever fails is reported once and what was made so far is taken away again, so that the
// lesson list never meets a lesson without its graph or its script.
#include "scripts/editor/new_lesson.h"

#include <cstring>
#include <string>

#include "base/services.h"
#include "base/app.h"
#include "scripts/scripts_ids.h"
#include "common/scoped_handle.h"
#include "devlib/vk40.h"
#include "scripts/dialogs/script_dialogs.h"

namespace {

constexpr int kAnswerChars = 259;
constexpr size_t kFolderChars = 8;
constexpr char kResourceType[] = "EMPTY40";
// What follows the script's name line: the subroutine every lesson runs when it is opened.
constexpr char kScriptBody[] = "\r\nOnOpenFile\r\nEnd\r\n";

LessonFileWriter g_writer = WriteFile;

// A keyed message without owner, as the lesson's other messages.
void ShowLessonMessage(const std::string& text) {
    MessageBoxA(nullptr, text.c_str(), Keyed("Wavemind"), MB_OK | MB_ICONEXCLAMATION);
}

// A folder or file that could not be made: the disk is full, or the name and the system's reason.
void ReportNotMade(const std::string& path, DWORD error) {
    if (error == ERROR_DISK_FULL || error == ERROR_HANDLE_DISK_FULL) {
        ShowLessonMessage(std::string(Keyed("KEY Disk full")) + "\n" + path);
        return;
    }
    std::string text = std::string(Keyed("KEY Lesson not made")) + "\n" + path;
    const std::string cause = SystemErrorText(error);
    if (!cause.empty()) text += "\n" + cause;
    ShowLessonMessage(text);
}

// A new file holding the two parts; 0 or the system's reason (a short write counts as a full disk).
DWORD WriteNewFile(const std::string& path, const void* head, DWORD headSize, const void* tail, DWORD tailSize) {
    CScopedHandle file(CreateFileA(path.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                                   FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file) return GetLastError();
    DWORD error = 0;
    const struct {
        const void* data;
        DWORD size;
    } parts[2] = {{head, headSize}, {tail, tailSize}};
    for (const auto& part : parts) {
        if (error || part.size == 0) continue;
        DWORD written = 0;
        SetLastError(0);
        if (!g_writer(file.get(), part.data, part.size, &written, nullptr)) error = GetLastError() ? GetLastError() : ERROR_WRITE_FAULT;
        else if (written != part.size) error = ERROR_DISK_FULL;
    }
    if (!file.Close() && !error) error = GetLastError();
    return error;
}

// The lesson's two files in its folder; on failure both are gone again.
DWORD WriteLessonFiles(const std::string& folder, const std::string& stem, const std::string& scriptName,
                       std::string* failedPath) {
    const void* graph = nullptr;
    DWORD graphSize = 0;
    const std::string graphPath = folder + "\\" + stem + ".ACQ";
    const std::string scriptPath = folder + "\\" + stem;
    *failedPath = graphPath;
    if (!EmptyGraphResource(&graph, &graphSize)) return ERROR_RESOURCE_DATA_NOT_FOUND;
    DWORD error = WriteNewFile(graphPath, graph, graphSize, nullptr, 0);
    if (!error) {
        *failedPath = scriptPath;
        error = WriteNewFile(scriptPath, scriptName.data(), static_cast<DWORD>(scriptName.size()), kScriptBody,
                             sizeof kScriptBody - 1);
    }
    if (error) {
        DeleteFileA(scriptPath.c_str());
        DeleteFileA(graphPath.c_str());
    }
    return error;
}

}  // namespace

bool EmptyGraphResource(const void** data, DWORD* size) {
    *data = nullptr;
    *size = 0;
    HMODULE module = g_app ? g_app->hInstance : GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_EMPTY_GRAPH), kResourceType);
    HGLOBAL loaded = found ? LoadResource(module, found) : nullptr;
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    *data = bytes;
    *size = SizeofResource(module, found);
    return *size > 0;
}

void SetLessonFileWriter(LessonFileWriter writer) { g_writer = writer ? writer : WriteFile; }

int MakeNewLesson(char* scriptPath, size_t size) {
    char folderName[kAnswerChars + 1] = "", scriptName[kAnswerChars + 1] = "";
    if (!ShowScriptTextEntry("Enter script directory", "", folderName, kAnswerChars)) return 0;
    if (!ShowScriptTextEntry("Enter script name", "", scriptName, kAnswerChars)) return 0;
    if (std::strlen(folderName) > kFolderChars) folderName[kFolderChars] = 0;
    if (!g_app || !SetCurrentDirectoryA(g_app->szAppFolder) || !SetCurrentDirectoryA("Lessons")) return 0;
    char lessons[MAX_PATH] = "";
    if (!GetCurrentDirectoryA(sizeof lessons, lessons)) return 0;
    const std::string folder = std::string(lessons) + "\\" + folderName;
    const std::string script = folder + "\\" + folderName;
    if (script.size() >= size) {
        ReportNotMade(folder, ERROR_FILENAME_EXCED_RANGE);
        return 0;
    }
    // A name, not a path: "..\\x" would make the lesson beside the Lessons folder.
    if (std::strpbrk(folderName, "\\/:")) {
        ReportNotMade(folder, ERROR_INVALID_NAME);
        return 0;
    }
    if (!CreateDirectoryA(folderName, nullptr)) {
        const DWORD error = GetLastError();
        if (error == ERROR_ALREADY_EXISTS) ShowLessonMessage(Keyed("Lesson already exists"));
        else ReportNotMade(folder, error);
        return 0;
    }
    std::string failedPath;
    DWORD error = WriteLessonFiles(folder, folderName, scriptName, &failedPath);
    if (!error && !SetCurrentDirectoryA(folder.c_str())) {
        error = GetLastError();
        failedPath = folder;
        DeleteFileA(script.c_str());
        DeleteFileA((script + ".ACQ").c_str());
    }
    if (error) {
        RemoveDirectoryA(folder.c_str());
        ReportNotMade(failedPath, error);
        return 0;
    }
    lstrcpynA(scriptPath, script.c_str(), static_cast<int>(size));
    return 1;
}
