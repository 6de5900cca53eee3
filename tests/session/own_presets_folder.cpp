// Linked into every test program. The device library keeps its presets file in the program's
// folder, which all test programs share: one program's save at its end then fails while another
// has the file open, and its message box waits for a click until the test's time runs out; and a
// program reads presets another one saved. Each test process (and any program it starts) gets a
// presets folder of its own under the temporary folder, emptied at its start and removed at its end.
#include <windows.h>

#include <string>

namespace {

// The library's kPresetsFolderEnv.
constexpr char kPresetsFolderEnv[] = "VK40_PRESETS_FOLDER";

// Removes the files in folder (a process of the same id may have left some).
void EmptyFolder(const std::string& folder) {
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        const std::string item = folder + "\\" + found.cFileName;
        SetFileAttributesA(item.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileA(item.c_str());
    } while (FindNextFileA(find, &found));
    FindClose(find);
}

class COwnPresetsFolder {
public:
    COwnPresetsFolder() {
        char existing[MAX_PATH] = "";
        // A program a test starts keeps the folder of the test that started it.
        if (GetEnvironmentVariableA(kPresetsFolderEnv, existing, MAX_PATH) > 0) return;
        char temp[MAX_PATH] = "";
        const DWORD n = GetTempPathA(MAX_PATH, temp);
        if (n == 0 || n >= MAX_PATH) return;
        m_folder = std::string(temp) + "vk40_presets_" + std::to_string(GetCurrentProcessId());
        CreateDirectoryA(m_folder.c_str(), nullptr);
        EmptyFolder(m_folder);
        SetEnvironmentVariableA(kPresetsFolderEnv, m_folder.c_str());
    }
    ~COwnPresetsFolder() {
        if (m_folder.empty()) return;
        EmptyFolder(m_folder);
        RemoveDirectoryA(m_folder.c_str());
    }
    COwnPresetsFolder(const COwnPresetsFolder&) = delete;
    COwnPresetsFolder& operator=(const COwnPresetsFolder&) = delete;

private:
    std::string m_folder;
};

COwnPresetsFolder g_ownPresetsFolder;

}  // namespace
