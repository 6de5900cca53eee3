// The lessons shipped beside the program, in the program over a simulated unit: the start-up
// script saves the user's graph from the File menu, and the Reflexes lesson, opened from the
// Lessons menu, asks its questions, records from the unit and keeps the recording in a file.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/resource.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/files/graph_file.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"
#include "scripts/words/word_fields.h"
#include "tests/documents/test_doc.h"
#include "tests/shell/shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"

namespace {

// The user in front of the lesson: what the dialogs asked, and what the user answers.
struct stUser {
    std::vector<std::string> prompts;
    std::vector<std::string> asked;
    std::string name;      // typed into the text entry
    int firstButton = 1;   // pressed in the first prompt; every later one gets its first button
    std::vector<std::string> errors;
} g_user;

int AnswerPrompt(const char* message, const char*, const char*, const char*) {
    g_user.prompts.push_back(message ? message : "");
    return g_user.prompts.size() == 1 ? g_user.firstButton : 1;
}
int AnswerNumber(const char*, const char*, char*) { return 1; }
int AnswerText(const char* message, const char*, char* out256) {
    g_user.asked.push_back(message ? message : "");
    lstrcpynA(out256, g_user.name.c_str(), 256);
    return 1;
}
int AnswerItems(const char*, const char* const*, int, int, int) { return -1; }
int AnswerLesson(char*) { return 0; }
int AnswerOpenFile(char*, const char*) { return 0; }
const stScriptDialogs kUser = {AnswerPrompt, AnswerNumber, AnswerText, AnswerItems, AnswerLesson, AnswerOpenFile};

int16_t KeepError(const char* message) {
    g_user.errors.push_back(message ? message : "");
    return 0;
}

// The user of the save dialog: types a name into the explorer dialog's name box and presses OK.
struct Typist {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && !g_done) {
            HWND common = GetParent(call->hwnd);
            HWND name = common ? GetDlgItem(common, 1148) : nullptr;
            if (name) {
                g_done = true;
                SetWindowTextA(name, g_name.c_str());
                PostMessageA(common, WM_COMMAND, IDOK, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline std::string g_name;
    static inline bool g_done = false;
};

std::string ProgramFolder() {
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    *std::strrchr(exe, '\\') = 0;
    return exe;
}

bool Exists(const std::string& path) { return GetFileAttributesA(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(GetFileSize(f, nullptr));
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    bytes.resize(got);
    return bytes;
}

// The file, read back with the program's reader, holds the graph's first channel sample for
// sample, under its label.
void ExpectFileHoldsChannel(const std::string& path, tagGS* recorded) {
    const std::vector<uint8_t> bytes = FileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    TestDoc doc;
    stGraphReadReport report{};
    ASSERT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1) << (report.refusal ? report.refusal : "");
    ASSERT_EQ(doc.gs->chanCount[0], recorded->chanCount[0]);
    EXPECT_STREQ(doc.gs->chanLabel[0], recorded->chanLabel[0]);
    EXPECT_DOUBLE_EQ(doc.gs->sampleInterval, recorded->sampleInterval);
    int differing = 0;
    for (uint32_t i = 0; i < recorded->chanCount[0]; ++i) {
        double a = 0, b = 0;
        GetChannelSample(recorded, static_cast<int>(i), 0, &a);
        GetChannelSample(doc.gs, static_cast<int>(i), 0, &b);
        if (a != b) ++differing;
    }
    EXPECT_EQ(differing, 0);
}

class ShippedLessons : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("shipped", true);
        gs = nullptr;  // a lesson's opening closes the first graph
        g_user = stUser{};
        SetScriptDialogs(&kUser);
        SetScriptErrorHook(KeepError);
        // The program's folder as shipped: the start-up script and the Lessons folder.
        const std::string shipped = ProgramFolder();
        lessonFolder = folder + "\\Lessons\\Reflexes";
        CreateDirectoryA((folder + "\\Lessons").c_str(), nullptr);
        CreateDirectoryA(lessonFolder.c_str(), nullptr);
        ASSERT_TRUE(CopyFileA((shipped + "\\StartUp").c_str(), (folder + "\\StartUp").c_str(), FALSE));
        ASSERT_TRUE(CopyFileA((shipped + "\\Lessons\\Reflexes\\Reflexes").c_str(),
                              (lessonFolder + "\\Reflexes").c_str(), FALSE));
        lstrcpynA(g_app->szAppFolder, folder.c_str(), sizeof g_app->szAppFolder);
        ASSERT_EQ(FillUpLessonDescriptions((folder + "\\Lessons").c_str()), 1);
        // As the program starts: the start-up script runs and attaches the menus.
        g_app->bFrameMenuAttached = 0;
        ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
        EXPECT_TRUE(FindScriptSubroutine(LoadedScript(), "OnFileSave"));
    }
    void TearDown() override {
        SetScriptDialogs(nullptr);
        SetScriptErrorHook(nullptr);
        for (const std::string& f : files) DeleteFileA(f.c_str());
        ShutProgram();
        DeleteFileA((lessonFolder + "\\Reflexes").c_str());
        RemoveDirectoryA(lessonFolder.c_str());
        RemoveDirectoryA((folder + "\\Lessons").c_str());
        DeleteFileA((folder + "\\StartUp").c_str());
        LeaveFolder();
    }
    void Command(UINT id) {
        SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0);
        PumpMessages();
    }
    // Chooses the Reflexes lesson from the Lessons menu.
    void ChooseReflexes() {
        char text[128] = "";
        ASSERT_GT(GetMenuStringA(GetMenu(g_app->hwndFrame), IDM_LESSON_FIRST, text, sizeof text, MF_BYCOMMAND), 0);
        ASSERT_NE(std::string(text).find("Reflexes"), std::string::npos) << text;
        Command(IDM_LESSON_FIRST);
    }
    static tagGS* ActiveGraph() { return g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr; }

    std::string lessonFolder;
    std::vector<std::string> files;
};

// The start-up script turns on the unit check that finds and sets up the unit at an idle turn.
TEST_F(ShippedLessons, TheStartUpScriptTurnsTheUnitCheckOn) {
    SetReadStatusEnable(0);
    ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
    EXPECT_EQ(GetReadStatusEnable(), 1);
    EXPECT_TRUE(g_user.errors.empty());
}

// The lesson asks for the subject's name and whether to record; a recording is kept under the
// name (a default one when none was typed), Quit records nothing.
TEST_F(ShippedLessons, ReflexesRecordsFromTheUnitAndKeepsTheRecordingUnderTheSubjectsName) {
    struct Case {
        const char* typed;
        int button;
        const char* file;  // "" when nothing is recorded
    };
    const Case cases[] = {{"Ada", 1, "Ada.acq"}, {"", 1, "Subject.acq"}, {"Bo", 2, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\", button " + std::to_string(c.button));
        g_user = stUser{};
        g_user.name = c.typed;
        g_user.firstButton = c.button;
        ChooseReflexes();
        ASSERT_TRUE(g_user.errors.empty()) << g_user.errors.front() << " / " << LastOpenedScriptPath();
        ASSERT_EQ(g_user.asked.size(), 1u) << LastOpenedScriptPath();
        EXPECT_EQ(g_user.asked[0], "Type the name of the subject.");
        ASSERT_GE(g_user.prompts.size(), 1u);
        EXPECT_EQ(g_user.prompts[0].rfind("Seat the subject", 0), 0u) << g_user.prompts[0];
        tagGS* graph = ActiveGraph();
        ASSERT_TRUE(graph);
        char title[64] = "";
        GetWindowTextA(g_app->hwndActiveGraph, title, sizeof title);
        EXPECT_STREQ(title, "Reflexes") << "the lesson records into a graph of its own";
        if (!c.file[0]) {
            EXPECT_EQ(Running(), 0);
            EXPECT_EQ(g_user.prompts.size(), 1u);
            EXPECT_EQ(graph->chanCount[0], 0u);
            EXPECT_TRUE(g_user.errors.empty());
            continue;
        }
        ASSERT_EQ(Running(), 1) << "the lesson started the run";
        RunToEnd(50);
        EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
        EXPECT_EQ(graph->chanCount[0], 1000u);
        EXPECT_DOUBLE_EQ(graph->sampleInterval, 1.0);
        EXPECT_STREQ(graph->chanLabel[0], "Response");
        double a = 0, b = 0;
        ASSERT_EQ(GetChannelSample(graph, 10, 0, &a), 1);
        ASSERT_EQ(GetChannelSample(graph, 11, 0, &b), 1);
        EXPECT_NE(a, b) << "input 1 carries the unit's counting signal";
        // The end of the run kept it beside the lesson's working folder, and said so.
        char now[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof now, now);
        const std::string saved = std::string(now) + "\\" + c.file;
        files.push_back(saved);
        ASSERT_TRUE(Exists(saved)) << saved;
        ExpectFileHoldsChannel(saved, graph);
        EXPECT_EQ(graph->modified, 0u) << "the kept copy leaves nothing to ask about";
        ASSERT_EQ(g_user.prompts.size(), 2u);
        EXPECT_EQ(g_user.prompts[1], std::string("The recording is saved as ") + c.file);
    }
}

// Outside any lesson the File menu's Save and Save As run the start-up script, which writes the
// active graph as a graph file under the name the user gives the save dialog.
TEST_F(ShippedLessons, FileSaveAndSaveAsThroughTheStartUpScriptWriteTheGraphFile) {
    const UINT commands[] = {IDM_FILE_SAVE, IDM_FILE_SAVE_AS};
    for (UINT command : commands) {
        SCOPED_TRACE(command);
        // A recording made in the lesson, then the start-up script back as at the program's start.
        g_user = stUser{};
        g_user.name = "Cy";
        ChooseReflexes();
        ASSERT_EQ(Running(), 1);
        RunToEnd(50);
        char now[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof now, now);
        files.push_back(std::string(now) + "\\Cy.acq");
        SetCurrentDirectoryA(folder.c_str());
        ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
        ASSERT_TRUE(FindScriptSubroutine(LoadedScript(), "OnFileSave"));
        tagGS* graph = ActiveGraph();
        ASSERT_TRUE(graph);
        ASSERT_EQ(graph->chanCount[0], 1000u);
        graph->modified = 1;

        const std::string target = folder + "\\saved" + std::to_string(command) + ".acq";
        files.push_back(target);
        Typist::g_name = target;
        Typist::g_done = false;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, Typist::Hook, nullptr, GetCurrentThreadId());
        Command(command);
        UnhookWindowsHookEx(hook);
        EXPECT_TRUE(Typist::g_done) << "the save dialog was shown";
        EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
        ASSERT_TRUE(Exists(target)) << target;
        ExpectFileHoldsChannel(target, graph);
        EXPECT_EQ(graph->modified, 0u);
        EXPECT_NE(std::string(graph->title).find(std::string("saved") + std::to_string(command)), std::string::npos)
            << graph->title;
        SendMessageA(g_app->hwndActiveGraph, WM_CLOSE, 0, 0);
        PumpMessages();
    }
}

}  // namespace
