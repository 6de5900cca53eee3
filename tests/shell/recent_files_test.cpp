// The recent files in the running program: files opened through File Open head the File menu,
// open again on a click, come back after a restart, and a file that is gone is reported and
// dropped; a damaged store costs only its damaged entries.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "graph/window/graph_window.h"
#include "scripts/scripts_ids.h"
#include "shell/shell_ids.h"
#include "common/tagGS.h"
#include "graph/document/graph_doc.h"
#include "graph/files/file_open.h"
#include "shell/recent_files.h"
#include "shell/commands/command_target.h"
#include "shell/startup.h"
#include "tests/documents/acq_builder.h"
#include "tests/shell/box_capture.h"
#include "tests/shell/shell_fixture.h"

namespace {

std::string g_chosen;  // the file the open dialog answers with

BOOL ChooseFile(OPENFILENAMEA* ofn) {
    lstrcpynA(ofn->lpstrFile, g_chosen.c_str(), ofn->nMaxFile);
    ofn->lpstrFile[g_chosen.size() + 1] = 0;
    const char* slash = std::strrchr(g_chosen.c_str(), '\\');
    if (ofn->lpstrFileTitle) lstrcpynA(ofn->lpstrFileTitle, slash + 1, ofn->nMaxFileTitle);
    ofn->nFilterIndex = 1;
    return TRUE;
}

Bytes SmallFile(int16_t first) {
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 1;
    for (int16_t i = 0; i < 6; ++i) c.raw.push_back(static_cast<int16_t>(first + i));
    recipe.channels = {c};
    return BuildAcq(recipe);
}

// The File menu's items from the first recent file to Quit, as the user sees them on opening it.
struct FileMenuTail {
    std::vector<std::string> labels;
    std::vector<UINT> ids;
};
FileMenuTail ReadFileMenu() {
    HMENU bar = GetMenu(g_app->hwndFrame);
    SendMessageA(g_app->hwndFrame, WM_INITMENU, reinterpret_cast<WPARAM>(bar), 0);
    FileMenuTail tail;
    HMENU file = nullptr;
    for (int i = 0; i < GetMenuItemCount(bar) && !file; ++i)
        if (HMENU popup = GetSubMenu(bar, i); popup && GetMenuState(popup, IDM_FILE_QUIT, MF_BYCOMMAND) != ~0u)
            file = popup;
    if (!file) return tail;
    for (int i = 0, n = GetMenuItemCount(file); i < n; ++i) {
        const UINT id = GetMenuItemID(file, i);
        if (id < IDM_RECENT_FILE_FIRST || id > IDM_RECENT_FILE_LAST) {
            if (id == IDM_FILE_QUIT && !tail.ids.empty()) tail.ids.push_back(id);
            continue;
        }
        char label[MAX_PATH + 8] = "";
        GetMenuStringA(file, i, label, sizeof label, MF_BYPOSITION);
        tail.ids.push_back(id);
        if (id != IDM_RECENT_FILE_LAST) tail.labels.push_back(label);
    }
    return tail;
}

// A value as stored, with its type.
std::string ReadValue(const std::string& key, const char* name, DWORD* type = nullptr) {
    HKEY hkey;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, KEY_READ, &hkey) != ERROR_SUCCESS) return "<none>";
    char buf[1024] = "";
    DWORD t = 0, n = sizeof buf - 1;
    const LONG result = RegQueryValueExA(hkey, name, nullptr, &t, reinterpret_cast<BYTE*>(buf), &n);
    RegCloseKey(hkey);
    if (result != ERROR_SUCCESS) return "<none>";
    if (type) *type = t;
    buf[n] = 0;
    return buf;
}

class RecentFilesInProgram : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        RegDeleteTreeA(HKEY_CURRENT_USER, RecentFilesTestKey().c_str());
        for (int i = 0; i < 5; ++i) {
            files.push_back(folder.File("run" + std::to_string(i + 1) + ".acq"));
            ASSERT_TRUE(WriteWholeFile(files.back(), SmallFile(static_cast<int16_t>(10 * i))));
        }
    }
    void TearDown() override {
        SetFileDialogProcs(nullptr, nullptr);
        ShutShell();
    }
    void Boot() {
        ASSERT_TRUE(BootShell());
        SetFileDialogProcs(ChooseFile, nullptr);
    }
    // The program ends, writing its store.
    void End() {
        DestroyWindow(g_app->hwndFrame);
        PumpMessages();
        ReleaseAppResources();
        // A new process would find the program's classes unregistered.
        for (const char* name : {"acqframe", "acqchild", "acqScript", "acqdirector", "acqMeasure", "acqPopup", "acqToolbar"})
            UnregisterClassA(name, GetModuleHandleA(nullptr));
    }
    // The program ends and starts again.
    void Restart() {
        End();
        Boot();
    }
    static void Command(UINT id) {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0);
        PumpMessages();
    }
    void OpenThroughDialog(const std::string& path) {
        g_chosen = path;
        Command(IDM_FILE_OPEN);
    }
    // Each graph window closed as its Close command does.
    static void CloseAllGraphs() {
        std::vector<HWND> graphs;
        for (HWND child = GetWindow(g_app->hwndClient, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT))
            if (GetWindowGraph(child)) graphs.push_back(child);
        for (HWND child : graphs) {
            GetWindowGraph(child)->modified = 0;
            SendMessageA(child, WM_CLOSE, 0, 0);
            PumpMessages();
            ASSERT_FALSE(IsWindow(child));
        }
    }
    static std::string ActivePath() {
        tagGS* gs = ActiveGraph();
        return gs ? gs->filePath : "";
    }
    std::string Label(int n, const std::string& path) { return "&" + std::to_string(n) + " " + path; }

    TempFolder folder{"kymora_recent_"};
    std::vector<std::string> files;
};

TEST_F(RecentFilesInProgram, TheFourLatestFilesHeadTheFileMenuAndOpenOnAClick) {
    Boot();
    EXPECT_TRUE(ReadFileMenu().labels.empty()) << "a first run lists nothing";
    for (const std::string& f : files) OpenThroughDialog(f);
    ASSERT_EQ(ActivePath(), files[4]);

    const FileMenuTail menu = ReadFileMenu();
    EXPECT_EQ(menu.labels, (std::vector<std::string>{Label(1, files[4]), Label(2, files[3]), Label(3, files[2]),
                                                     Label(4, files[1])}));
    EXPECT_EQ(menu.ids, (std::vector<UINT>{10000, 10001, 10002, 10003, IDM_RECENT_FILE_LAST, IDM_FILE_QUIT}))
        << "the files, their closing separator, then Quit";

    CloseAllGraphs();
    Command(IDM_RECENT_FILE_FIRST + 2);  // "&3": the third file
    EXPECT_EQ(ActivePath(), files[2]);
    EXPECT_EQ(ReadFileMenu().labels,
              (std::vector<std::string>{Label(1, files[2]), Label(2, files[4]), Label(3, files[3]), Label(4, files[1])}))
        << "the file opened again moves to the head, once";

    Command(IDM_RECENT_FILE_LAST);  // the range's spare id has no file
    EXPECT_EQ(ActivePath(), files[2]);
}

TEST_F(RecentFilesInProgram, TheListAndTheFoldersComeBackAfterARestart) {
    Boot();
    OpenThroughDialog(files[0]);
    OpenThroughDialog(files[1]);
    Restart();
    EXPECT_EQ(ReadFileMenu().labels, (std::vector<std::string>{Label(1, files[1]), Label(2, files[0])}));
    EXPECT_EQ(std::string(GetRememberedFolder(kRememberOpen)), folder.path + "\\")
        << "the folder last opened from, with its backslash";

    // The store as the registry holds it: texts, most recent first.
    const std::string key = RecentFilesTestKey();
    DWORD type = 0;
    EXPECT_EQ(ReadValue(key + "\\Recent Files", "0", &type), files[1]);
    EXPECT_EQ(type, static_cast<DWORD>(REG_SZ));
    EXPECT_EQ(ReadValue(key + "\\Recent Files", "1"), files[0]);
    EXPECT_EQ(ReadValue(key + "\\Recent Files", "2"), "<none>");
    EXPECT_EQ(ReadValue(key, "0"), folder.path + "\\");
    EXPECT_EQ(ReadValue(key, "1"), "") << "the save folder is written empty";
}

TEST_F(RecentFilesInProgram, AFileThatIsGoneIsReportedAndDropped) {
    Boot();
    OpenThroughDialog(files[0]);
    OpenThroughDialog(files[1]);
    CloseAllGraphs();
    ASSERT_TRUE(DeleteFileA(files[1].c_str()));
    {
        BoxCapture boxes;
        Command(IDM_RECENT_FILE_FIRST);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text,
                  "The file '" + files[1] + "' cannot be found.\nIt is taken off the list of recent files.");
    }
    EXPECT_EQ(ActivePath(), "") << "nothing opened in its place";
    EXPECT_EQ(ReadFileMenu().labels, (std::vector<std::string>{Label(1, files[0])}));
    Restart();
    EXPECT_EQ(ReadFileMenu().labels, (std::vector<std::string>{Label(1, files[0])})) << "and it stays dropped";
}

// A value of the wrong type or too long for a path ends the list without a word; the values
// from it on stay in the store as they were.
TEST_F(RecentFilesInProgram, AnUnreadableValueEndsTheListAndTheValuesAfterItStay) {
    const std::string sub = RecentFilesTestKey() + "\\Recent Files";
    const DWORD number = 7;
    const std::string tooLong(300, 'x');
    struct Case {
        const char* what;
        DWORD type;
        const BYTE* data;
        DWORD size;
    } cases[] = {
        {"a number", REG_DWORD, reinterpret_cast<const BYTE*>(&number), sizeof number},
        {"a text too long for a path", REG_SZ, reinterpret_cast<const BYTE*>(tooLong.c_str()),
         static_cast<DWORD>(tooLong.size())},
        {"bytes", REG_BINARY, reinterpret_cast<const BYTE*>(files[4].c_str()), static_cast<DWORD>(files[4].size())},
    };
    for (const Case& c : cases) {
        RegDeleteTreeA(HKEY_CURRENT_USER, RecentFilesTestKey().c_str());
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, sub.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "0", 0, REG_SZ, reinterpret_cast<const BYTE*>(files[0].c_str()),
                       static_cast<DWORD>(files[0].size() + 1));
        RegSetValueExA(key, "1", 0, c.type, c.data, c.size);
        RegSetValueExA(key, "2", 0, REG_SZ, reinterpret_cast<const BYTE*>(files[1].c_str()),
                       static_cast<DWORD>(files[1].size()));
        RegCloseKey(key);
        {
            BoxCapture boxes;
            Boot();
            EXPECT_TRUE(boxes.boxes.empty()) << c.what;
        }
        EXPECT_EQ(ReadFileMenu().labels, (std::vector<std::string>{Label(1, files[0])})) << c.what;
        SaveRecentFiles();
        DWORD type = 0;
        EXPECT_EQ(ReadValue(sub, "0"), files[0]) << c.what;
        EXPECT_NE(ReadValue(sub, "1", &type), "<none>") << c.what;
        EXPECT_EQ(type, c.type) << c.what;
        EXPECT_EQ(ReadValue(sub, "2"), files[1]) << c.what << ": a value after the gap stays";
        // A file opened now takes the places from the head; the value after them stays.
        OpenThroughDialog(files[2]);
        EXPECT_EQ(ReadFileMenu().labels, (std::vector<std::string>{Label(1, files[2]), Label(2, files[0])}))
            << c.what;
        SaveRecentFiles();
        EXPECT_EQ(ReadValue(sub, "0"), files[2]) << c.what;
        EXPECT_EQ(ReadValue(sub, "1"), files[0]) << c.what;
        EXPECT_EQ(ReadValue(sub, "2"), files[1]) << c.what;
        End();
    }
    Boot();
}

}  // namespace
