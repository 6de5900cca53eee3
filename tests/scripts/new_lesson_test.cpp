// The empty graph the program carries for new lessons, and the script editor's New command as a
// lesson author uses it: its two questions answered in the dialogs, then the lesson's folder,
// files and opening read back; and the failures, which must leave nothing behind.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/lesson.h"
#include "graph/window/graph_window.h"
#include "scripts/scripts_ids.h"
#include "graph/document/graph_doc.h"
#include "scripts/dialogs/script_dialogs.h"
#include "scripts/editor/new_lesson.h"
#include "scripts/editor/script_editor.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"
#include "tests/documents/acq_builder.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "tests/scripts/empty_graph.h"
#include "tests/shell/box_capture.h"
#include "tests/shell/shell_fixture.h"

namespace {

int16_t StopOnError(const char*) { return 0; }

std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// What a folder holds, by name ("." and ".." left out).
std::vector<std::string> FolderNames(const std::string& folder) {
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE) return names;
    do {
        if (std::strcmp(found.cFileName, ".") && std::strcmp(found.cFileName, "..")) names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    return names;
}

void RemoveTree(const std::string& folder) {
    for (const std::string& name : FolderNames(folder)) {
        const std::string path = folder + "\\" + name;
        if (GetFileAttributesA(path.c_str()) & FILE_ATTRIBUTE_DIRECTORY) RemoveTree(path);
        else DeleteFileA(path.c_str());
    }
    RemoveDirectoryA(folder.c_str());
}

Bytes ResourceBytes() {
    const void* data = nullptr;
    DWORD size = 0;
    if (!EmptyGraphResource(&data, &size)) return {};
    const auto* bytes = static_cast<const uint8_t*>(data);
    return Bytes(bytes, bytes + size);
}

// The graph window whose document came from the file, or null.
tagGS* GraphOfFile(const std::string& path) {
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (tagGS* gs = GetWindowGraph(w))
            if (lstrcmpiA(gs->filePath, path.c_str()) == 0) return gs;
    return nullptr;
}

// A write that fails as a full disk does, on the n-th write of the lesson's files.
int g_failingWrite = 0;
int g_writes = 0;
BOOL WINAPI FullDiskWrite(HANDLE file, LPCVOID data, DWORD size, LPDWORD written, LPOVERLAPPED overlapped) {
    if (++g_writes == g_failingWrite) {
        *written = 0;
        SetLastError(ERROR_DISK_FULL);
        return FALSE;
    }
    return WriteFile(file, data, size, written, overlapped);
}

class NewLesson : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        SetScriptErrorHook(StopOnError);
        GetCurrentDirectoryA(sizeof startFolder, startFolder);
        lstrcpynA(keptAppFolder, g_app->szAppFolder, sizeof keptAppFolder);
        lstrcpynA(g_app->szAppFolder, program.path.c_str(), sizeof g_app->szAppFolder);
        ASSERT_TRUE(CreateDirectoryA(Lessons().c_str(), nullptr));
        editor = OpenScriptEditor();
        ASSERT_NE(editor, nullptr);
    }
    void TearDown() override {
        SetLessonFileWriter(nullptr);
        if (IsWindow(editor)) DestroyWindow(editor);
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (tagGS* gs = GetWindowGraph(w)) gs->modified = 0;
        SetCurrentDirectoryA(startFolder);
        lstrcpynA(g_app->szAppFolder, keptAppFolder, sizeof g_app->szAppFolder);
        SetScriptErrorHook(nullptr);
        ShutShell();
        RemoveTree(Lessons());
    }
    std::string Lessons() const { return program.File("Lessons"); }

    // The author clicks New and answers the two questions (null: Cancel there).
    void ClickNew(const char* folder, const char* name) {
        auto answer = [](const char* text) {
            return [text](HWND dlg) {
                if (!text) {
                    Click(dlg, IDCANCEL);
                    return;
                }
                TypeInto(dlg, IDC_TEXT_ENTRY_EDIT, text);
                Click(dlg, IDOK);
            };
        };
        DialogDriver driver({answer(folder), answer(name)});
        HWND tool = GetDlgItem(editor, IDM_SCRIPT_NEW);
        SendMessageA(tool, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(tool, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PumpMessages();
        dialogsShown = driver.Runs();
        EXPECT_EQ(driver.LeftOpen(), 0);
    }
    std::string Title() const {
        char title[300] = "";
        GetWindowTextA(editor, title, sizeof title);
        return title;
    }

    TempFolder program{"kynewlesson"};
    char startFolder[MAX_PATH] = "";
    char keptAppFolder[260] = "";
    HWND editor = nullptr;
    int dialogsShown = 0;
};

}  // namespace

TEST_F(NewLesson, TheProgramCarriesTheEmptyGraphItsWriterMakesAndItOpensEmpty) {
    // The resource as the system finds it.
    HMODULE module = GetModuleHandleA(nullptr);
    HRSRC found = FindResourceA(module, MAKEINTRESOURCEA(IDR_EMPTY_GRAPH), "EMPTY40");
    ASSERT_NE(found, nullptr);
    HGLOBAL loaded = LoadResource(module, found);
    ASSERT_NE(loaded, nullptr);
    const DWORD size = SizeofResource(module, found);
    const auto* bytes = static_cast<const uint8_t*>(LockResource(loaded));
    ASSERT_NE(bytes, nullptr);
    const Bytes resource(bytes, bytes + size);

    // It is what the graph writer makes of a new graph today: a writer change that is not carried
    // into the resource (tools/make_empty_graph.sh) shows here.
    const Bytes written = WriteEmptyGraph();
    ASSERT_FALSE(written.empty());
    EXPECT_EQ(resource.size(), written.size());
    EXPECT_TRUE(resource == written) << "regenerate with tools/make_empty_graph.sh";
    EXPECT_EQ(ResourceBytes(), resource);

    // File Open takes it as a graph with no channel, no sample and no marker.
    const std::string path = program.File("empty.acq");
    ASSERT_TRUE(WriteWholeFile(path, resource));
    ASSERT_TRUE(OpenGraphFile(path.c_str()));
    PumpMessages();
    char full[MAX_PATH] = "";
    GetFullPathNameA(path.c_str(), sizeof full, full, nullptr);
    tagGS* gs = GraphOfFile(full);
    ASSERT_NE(gs, nullptr);
    int inUse = 0;
    for (int slot = 0; slot < kMaxChannels; ++slot) inUse += ChannelInUse(gs, slot) ? 1 : 0;
    EXPECT_EQ(inUse, 0);
    EXPECT_EQ(gs->totalSamples, 0);
    EXPECT_EQ(gs->markers, nullptr);
    EXPECT_EQ(gs->modified, 0u);
    EXPECT_EQ(gs->sampleInterval, 5.0) << "a new graph's sample interval";
}

TEST_F(NewLesson, NewMakesTheFolderTheGraphAndTheScriptAndOpensThem) {
    BoxCapture boxes;
    boxes.caption = "Wavemind";
    ClickNew("Breathing2026", "Breathing and heart rate");  // a 13-character folder name
    EXPECT_EQ(dialogsShown, 2);
    EXPECT_TRUE(boxes.boxes.empty());

    const std::string folder = Lessons() + "\\Breathin";  // cut to 8 characters
    const std::string stem = folder + "\\Breathin";
    EXPECT_EQ(FolderNames(Lessons()), std::vector<std::string>{"Breathin"});
    EXPECT_EQ(ResourceBytes(), ReadWholeFile(stem + ".ACQ")) << "the graph is the resource byte for byte";
    EXPECT_EQ(ReadText(stem), "Breathing and heart rate\r\nOnOpenFile\r\nEnd\r\n");
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(lstrcmpiA(current, folder.c_str()), 0) << "the new folder stays current";

    // The editor opened the lesson: its graph, its script and its one subroutine.
    EXPECT_EQ(Title(), "Script[" + stem + "]");
    EXPECT_NE(GraphOfFile(stem + ".acq"), nullptr);
    HWND macros = GetDlgItem(editor, IDC_SCRIPT_MACROS);
    ASSERT_EQ(SendMessageA(macros, CB_GETCOUNT, 0, 0), 1);
    char name[64] = "";
    SendMessageA(macros, CB_GETLBTEXT, 0, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, "OnOpenFile");
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(editor, IDM_SCRIPT_RUN)));
    char pane[256] = "";
    GetWindowTextA(GetDlgItem(editor, IDC_SCRIPT_PANE), pane, sizeof pane);
    EXPECT_NE(std::string(pane).find("Breathing and heart rate"), std::string::npos) << pane;

    // Saving keeps the lesson in the form the lesson list opens, and the lesson list opens it.
    SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDM_SCRIPT_SAVE, 0), 0);
    EXPECT_FALSE(Exists(stem + ".SCR"));
    EXPECT_EQ(ReadText(stem), "Breathing and heart rate\r\nOnOpenFile\r\nEnd\r\n");
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (tagGS* gs = GetWindowGraph(w)) gs->modified = 0;
    EXPECT_NE(OpenScript(stem.c_str()), 0);
    EXPECT_NE(FindScriptSubroutine(LoadedScript(), "OnOpenFile"), nullptr);
}

TEST_F(NewLesson, FailuresAreReportedOnceAndLeaveNothingBehind) {
    struct Case {
        const char* what;
        const char* folder;  // null: Cancel at that question
        const char* name;
        const char* existing;  // a folder there before
        int failingWrite;      // the write that finds the disk full (1 the graph, 2 the script), 0 none
        const char* message;   // the start of the one message, null for none
        bool noLessonsFolder = false;
    };
    const Case cases[] = {
        {"cancel at the folder", nullptr, "unused", nullptr, 0, nullptr},
        {"cancel at the name", "Cancel", nullptr, nullptr, 0, nullptr},
        {"folder exists", "Exists", "Lesson", "Exists", 0, "Lesson already exists"},
        {"cut name exists", "Existing1", "Lesson", "Existing", 0, "Lesson already exists"},
        {"folder cannot be made", "Bad*Name", "Lesson", nullptr, 0, "The new lesson could not be made.\n"},
        {"a path, not a name", "..\\Out", "Lesson", nullptr, 0, "The new lesson could not be made.\n"},
        {"a drive's folder, not a name", "C:Abc", "Lesson", nullptr, 0, "The new lesson could not be made.\n"},
        {"disk full in the graph", "FullOne", "Lesson", nullptr, 1, "The disk is full.\n"},
        {"disk full in the script", "FullTwo", "Lesson", nullptr, 2, "The disk is full.\n"},
        {"no Lessons folder", "Nowhere", "Lesson", nullptr, 0, nullptr, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        if (c.noLessonsFolder) {
            ASSERT_TRUE(RemoveDirectoryA(Lessons().c_str()));
        }
        if (c.existing) {
            ASSERT_TRUE(CreateDirectoryA((Lessons() + "\\" + c.existing).c_str(), nullptr));
        }
        g_writes = 0;
        g_failingWrite = c.failingWrite;
        SetLessonFileWriter(c.failingWrite ? FullDiskWrite : nullptr);
        BoxCapture boxes;
        boxes.caption = "Wavemind";
        ClickNew(c.folder, c.name);
        if (c.message) {
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text.rfind(c.message, 0), 0u) << boxes.boxes[0].text;
        } else {
            EXPECT_TRUE(boxes.boxes.empty());
        }
        if (c.failingWrite) {
            EXPECT_EQ(g_writes, c.failingWrite) << "no write after the failing one";
        }
        // Only the folder that was there before, and it as empty as it was.
        const std::vector<std::string> expected =
            c.existing ? std::vector<std::string>{c.existing} : std::vector<std::string>{};
        EXPECT_EQ(FolderNames(Lessons()), expected);
        EXPECT_FALSE(Exists(program.File("Nowhere")));
        EXPECT_FALSE(Exists(program.File("Out")));
        EXPECT_EQ(FolderNames(program.path),
                  c.noLessonsFolder ? std::vector<std::string>{} : std::vector<std::string>{"Lessons"})
            << "nothing beside the lessons";
        if (c.existing) {
            EXPECT_TRUE(FolderNames(Lessons() + "\\" + c.existing).empty());
        }
        EXPECT_EQ(Title(), "Script[]") << "nothing was opened";
        EXPECT_FALSE(IsWindowEnabled(GetDlgItem(editor, IDM_SCRIPT_SAVE)));
        SetCurrentDirectoryA(program.path.c_str());
        if (c.existing) RemoveDirectoryA((Lessons() + "\\" + c.existing).c_str());
        if (c.noLessonsFolder) CreateDirectoryA(Lessons().c_str(), nullptr);
    }
}
