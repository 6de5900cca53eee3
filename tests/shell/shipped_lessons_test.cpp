// The lessons shipped beside the program, in the program over a simulated unit: the start-up
// script saves the user's graph from the File menu, and the Reflexes lesson, opened from the
// Lessons menu, asks its questions, records from the unit and keeps the recording in a file.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/lesson.h"
#include "base/resource.h"
#include "graph/graph_ids.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "devlib/resource.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"
#include "documents/markers/markers.h"
#include "documents/measurements/measure_calc.h"
#include "shell/startup.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"
#include "scripts/scripts_ids.h"
#include "scripts/words/word_fields.h"
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "tests/shell/box_capture.h"
#include "graph/render/printing.h"
#include "tests/shell/shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"

namespace {

// The user in front of the lesson: what the dialogs asked, and what the user answers.
struct stUser {
    std::vector<std::string> prompts;
    std::vector<std::string> asked;
    std::string name;      // typed into the text entry
    int firstButton = 1;   // pressed in the first prompt; every later one gets its first button
    std::vector<int> buttons;  // when given, the buttons pressed in the prompts in turn
    std::vector<std::string> errors;
} g_user;

int AnswerPrompt(const char* message, const char*, const char*, const char*) {
    g_user.prompts.push_back(message ? message : "");
    const size_t i = g_user.prompts.size() - 1;
    if (i < g_user.buttons.size()) return g_user.buttons[i];
    return i == 0 ? g_user.firstButton : 1;
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

// The user of a save dialog: types a name into the explorer dialog's name box and presses OK
// when the box takes typing; a box that is disabled cannot be typed into, and the user cancels.
// A user who changed their mind (g_cancels) cancels whatever the box.
struct Typist {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG) {
            // The dialog's own page (a child), not a box the dialog shows over itself.
            const bool page = (GetWindowLongA(call->hwnd, GWL_STYLE) & WS_CHILD) != 0;
            HWND common = page ? GetParent(call->hwnd) : nullptr;
            HWND name = common ? GetDlgItem(common, 1148) : nullptr;
            if (name) {
                ++g_dialogs;
                g_typeable = IsWindowEnabled(name) != FALSE;
                if (g_typeable && !g_cancels) SetWindowTextA(name, g_name.c_str());
                PostMessageA(common, WM_COMMAND, g_typeable && !g_cancels ? IDOK : IDCANCEL, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline std::string g_name;
    static inline int g_dialogs = 0;
    static inline bool g_typeable = false;
    static inline bool g_cancels = false;
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

void PutFile(const std::string& path, const std::vector<uint8_t>& bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD done = 0;
    WriteFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &done, nullptr);
    CloseHandle(f);
}

// The files of a folder with their sizes and times of writing: a file written shows.
std::vector<std::string> FilesIn(const std::string& dir) {
    std::vector<std::string> out;
    WIN32_FIND_DATAA found;
    HANDLE h = FindFirstFileA((dir + "\\*").c_str(), &found);
    if (h == INVALID_HANDLE_VALUE) return out;
    do {
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) continue;
        out.push_back(std::string(found.cFileName) + " " + std::to_string(found.nFileSizeLow) + " " +
                      std::to_string(found.ftLastWriteTime.dwHighDateTime) + ":" +
                      std::to_string(found.ftLastWriteTime.dwLowDateTime));
    } while (FindNextFileA(h, &found));
    FindClose(h);
    std::sort(out.begin(), out.end());
    return out;
}

std::string CurrentFolder() {
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    return now;
}

// A test stopped half-way must not leave a changed graph to ask its question at shut-down.
void ForgetChanges() {
    if (!g_app || !g_app->hwndClient) return;
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (tagGS* g = GetWindowGraph(w)) g->modified = 0;
}

// Every way the user closes a changed graph that asks whether to save it first.
enum class Closing { File, CloseAll, Quit, FrameCloseBox, Lesson };
const struct {
    Closing how;
    const char* what;
} kClosings[] = {
    {Closing::File, "File > Close"},
    {Closing::CloseAll, "Window > Close All"},
    {Closing::Quit, "File > Quit"},
    {Closing::FrameCloseBox, "the frame's close box"},
    {Closing::Lesson, "opening a lesson"},
};

// The file, read back with the program's reader, holds the graph's CH1 (slot 1) sample for
// sample, under its label.
void ExpectFileHoldsChannel(const std::string& path, tagGS* recorded) {
    const std::vector<uint8_t> bytes = FileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    TestDoc doc;
    stGraphReadReport report{};
    ASSERT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1) << (report.refusal ? report.refusal : "");
    ASSERT_EQ(doc.gs->chanCount[1], recorded->chanCount[1]);
    EXPECT_STREQ(doc.gs->chanLabel[1], recorded->chanLabel[1]);
    EXPECT_DOUBLE_EQ(doc.gs->sampleInterval, recorded->sampleInterval);
    int differing = 0;
    for (uint32_t i = 0; i < recorded->chanCount[1]; ++i) {
        double a = 0, b = 0;
        GetChannelSample(recorded, static_cast<int>(i), 1, &a);
        GetChannelSample(doc.gs, static_cast<int>(i), 1, &b);
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
        g_app->frame.bFrameMenuAttached = 0;
        ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
        EXPECT_TRUE(FindScriptSubroutine(LoadedScript(), "OnFileSave"));
    }
    void TearDown() override {
        SetScriptDialogs(nullptr);
        SetScriptErrorHook(nullptr);
        for (const std::string& f : files) DeleteFileA(f.c_str());
        ForgetChanges();
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
    void CloseBy(Closing how) {
        switch (how) {
        case Closing::File: Command(IDM_FILE_CLOSE); break;
        case Closing::CloseAll: Command(IDM_WINDOW_CLOSE_ALL); break;
        case Closing::Quit: Command(IDM_FILE_QUIT); break;
        case Closing::FrameCloseBox:
            SendMessageA(g_app->hwndFrame, WM_SYSCOMMAND, SC_CLOSE, 0);
            PumpMessages();
            break;
        case Closing::Lesson: ChooseReflexes(); break;
        }
    }
    // Closes the changed graph every way there is, answering Yes to the save question, with the
    // save dialog (saveDialogs of them) cancelled: nothing is saved, so the graph, its window
    // and its recording stay, no file is written and nothing that waited for the close goes on.
    void ExpectYesWithNothingSavedKeepsTheGraph(tagGS* graph, int saveDialogs) {
        HWND window = graph->hwnd;
        const std::string title = graph->title;
        const uint32_t samples = graph->chanCount[1];
        const std::string here = CurrentFolder();
        const std::vector<std::string> inFolder = FilesIn(folder), inHere = FilesIn(here);
        const size_t asked = g_user.asked.size();
        const bool lessonSaves = FindScriptSubroutine(LoadedScript(), "OnFileSave") != nullptr;
        for (const auto& c : kClosings) {
            SCOPED_TRACE(c.what);
            g_script.closeCancelled = 0;
            Typist::g_dialogs = 0;
            Typist::g_cancels = true;
            HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, Typist::Hook, nullptr, GetCurrentThreadId());
            BoxCapture boxes;
            boxes.caption = g_app->szAppTitle;
            boxes.answer = IDYES;
            CloseBy(c.how);
            UnhookWindowsHookEx(hook);
            Typist::g_cancels = false;
            ASSERT_EQ(boxes.boxes.size(), 1u) << "the save question";
            EXPECT_NE(boxes.boxes[0].text.find(title), std::string::npos) << boxes.boxes[0].text;
            EXPECT_EQ(Typist::g_dialogs, saveDialogs);
            ASSERT_TRUE(IsWindow(g_app->hwndFrame)) << "the program stays";
            ASSERT_TRUE(IsWindow(window)) << "the graph's window stays";
            ASSERT_EQ(GetWindowGraph(window), graph);
            EXPECT_EQ(graph->chanCount[1], samples) << "the recording stays";
            EXPECT_EQ(graph->modified, 1u) << "and still counts as unsaved";
            EXPECT_EQ(g_script.closeCancelled, 1);
            EXPECT_EQ(FilesIn(folder), inFolder) << "no file is written";
            EXPECT_EQ(FilesIn(here), inHere) << "no file is written";
            EXPECT_EQ(g_user.asked.size(), asked) << "no lesson opened";
            EXPECT_EQ(FindScriptSubroutine(LoadedScript(), "OnFileSave") != nullptr, lessonSaves);
        }
    }

    // A graph file of its own, each sample its own, opened as File > Open opens it (it becomes the
    // active graph).
    struct OpenedFile {
        std::string name, path;
        Bytes bytes;  // the file as it was before the program wrote anything
        HWND window = nullptr;
        tagGS* Graph() const { return IsWindow(window) ? GetWindowGraph(window) : nullptr; }
    };
    OpenedFile OpenOwnFile(const char* name, int16_t base) {
        OpenedFile f;
        f.name = name;
        f.path = folder + "\\" + name + ".acq";
        AcqRecipe recipe;
        AcqChannel channel;
        channel.slot = 1;
        channel.label = "CH1";
        for (int16_t i = 0; i < 64; ++i) channel.raw.push_back(static_cast<int16_t>(base + 3 * i));
        recipe.channels = {channel};
        recipe.markerSection = false;
        f.bytes = BuildAcq(recipe);
        if (std::find(files.begin(), files.end(), f.path) == files.end()) files.push_back(f.path);
        EXPECT_TRUE(WriteWholeFile(f.path, f.bytes));
        EXPECT_EQ(OpenGraphFile(f.path.c_str()), 1) << f.path;
        f.window = g_app->hwndActiveGraph;
        EXPECT_TRUE(f.Graph()) << f.path;
        return f;
    }
    // The user's change: the channel renamed, which the saved file must carry.
    static void Change(const OpenedFile& f) {
        tagGS* g = f.Graph();
        ASSERT_TRUE(g);
        lstrcpynA(g->chanLabel[1], (f.name + " changed").c_str(), sizeof g->chanLabel[1]);
        setDirtyGraphFlag(g, 1);
    }
    // The file holds the graph's own samples under its changed label.
    static void ExpectSavedWithItsChange(const OpenedFile& f, const Bytes& original) {
        SCOPED_TRACE(f.name);
        const Bytes now = FileBytes(f.path);
        ASSERT_NE(now, original) << "the file was written";
        TestDoc saved, before;
        ASSERT_EQ(ReadGraphBuffer(saved.gs, now.data(), now.size(), nullptr), 1);
        ASSERT_EQ(ReadGraphBuffer(before.gs, original.data(), original.size(), nullptr), 1);
        EXPECT_EQ(std::string(saved.gs->chanLabel[1]), f.name + " changed");
        ASSERT_EQ(saved.gs->chanCount[1], before.gs->chanCount[1]);
        int differing = 0;
        for (uint32_t i = 0; i < before.gs->chanCount[1]; ++i) {
            double a = 0, b = 0;
            GetChannelSample(before.gs, static_cast<int>(i), 1, &a);
            GetChannelSample(saved.gs, static_cast<int>(i), 1, &b);
            if (a != b) ++differing;
        }
        EXPECT_EQ(differing, 0) << "the graph's own recording, not another's";
    }
    // The graph windows on the screen: each must still hold its graph.
    static std::vector<HWND> GraphWindowsLeft() {
        std::vector<HWND> left;
        if (!IsWindow(g_app->hwndClient)) return left;
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
            if (!(GetWindowLongA(w, GWL_EXSTYLE) & WS_EX_MDICHILD)) continue;
            EXPECT_TRUE(GetWindowGraph(w)) << "an empty window is left on the screen";
            left.push_back(w);
        }
        std::sort(left.begin(), left.end());
        return left;
    }

    // One closing of the program by `how`, each question answered by the graph it names. Returns
    // the graphs asked about, in turn; every question must find its graph the active one, for
    // the window list and for the lesson's words.
    std::vector<std::string> CloseProgramAnswering(Closing how, const std::vector<OpenedFile*>& graphs,
                                                   const std::vector<std::pair<std::string, UINT>>& answers) {
        std::vector<std::string> asked;
        BoxCapture boxes;
        boxes.caption = g_app->szAppTitle;
        boxes.choose = [&](const BoxCapture::Box& box) -> UINT {
            for (const OpenedFile* f : graphs) {
                if (box.text.find(f->name + ".acq") == std::string::npos) continue;
                asked.push_back(f->name);
                HWND mdiActive = reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0));
                EXPECT_EQ(mdiActive, f->window) << f->name << " is the active window while asked about";
                EXPECT_EQ(g_app->hwndActiveGraph, f->window) << f->name << " is the active graph";
                EXPECT_EQ(g_script.graph, f->Graph()) << f->name << " is the graph the lesson's words act on";
                for (const auto& a : answers)
                    if (a.first == f->name) return a.second;
                ADD_FAILURE() << f->name << " was not to be asked about";
                return IDCANCEL;
            }
            ADD_FAILURE() << "a box about no graph: " << box.text;
            return IDCANCEL;
        };
        Typist::g_dialogs = 0;
        Typist::g_cancels = true;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, Typist::Hook, nullptr, GetCurrentThreadId());
        CloseBy(how);
        UnhookWindowsHookEx(hook);
        Typist::g_cancels = false;
        EXPECT_EQ(boxes.boxes.size(), asked.size()) << "every box is a save question";
        EXPECT_EQ(Typist::g_dialogs, 0) << "a graph with a file is saved there, without a Save As dialog";
        EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
        return asked;
    }

    // File > Quit or the frame's close box with changed graphs and the start-up script's save:
    // each question's Yes writes the graph asked about and no other, No writes nothing, Cancel
    // writes nothing and ends the closing with the program and the graphs not yet closed still
    // there; a graph that closed leaves no window behind.
    void ExpectClosingTheProgramSavesTheGraphAskedAbout(Closing how) {
        ASSERT_TRUE(FindScriptSubroutine(LoadedScript(), "OnFileSave"));
        HWND frame = g_app->hwndFrame;
        OpenedFile alpha = OpenOwnFile("alpha", 100), beta = OpenOwnFile("beta", 2000),
                   gamma = OpenOwnFile("gamma", -3000);
        const std::vector<OpenedFile*> all = {&alpha, &beta, &gamma};
        for (const OpenedFile* f : all) Change(*f);
        std::vector<HWND> windows = {alpha.window, beta.window, gamma.window};
        std::sort(windows.begin(), windows.end());
        ASSERT_EQ(GraphWindowsLeft(), windows) << "three graphs, each in a window of its own";
        const std::vector<std::string> untouched = FilesIn(folder);

        {
            SCOPED_TRACE("Cancel for gamma, the active graph");
            EXPECT_EQ(CloseProgramAnswering(how, all, {{"gamma", IDCANCEL}}), std::vector<std::string>{"gamma"})
                << "Cancel ends the closing";
            EXPECT_TRUE(IsWindow(frame)) << "the program stays";
            EXPECT_EQ(FilesIn(folder), untouched) << "no file is written";
            EXPECT_EQ(GraphWindowsLeft(), windows);
            for (const OpenedFile* f : all) EXPECT_EQ(f->Graph()->modified, 1u) << f->name;
        }
        {
            SCOPED_TRACE("No for gamma, Yes for beta, Cancel for alpha");
            const std::vector<std::string> order = {"gamma", "beta", "alpha"};
            EXPECT_EQ(CloseProgramAnswering(how, all, {{"gamma", IDNO}, {"beta", IDYES}, {"alpha", IDCANCEL}}), order);
            EXPECT_TRUE(IsWindow(frame)) << "the program stays";
            EXPECT_EQ(FileBytes(gamma.path), gamma.bytes) << "No saves nothing";
            EXPECT_EQ(FileBytes(alpha.path), alpha.bytes) << "Cancel saves nothing";
            ExpectSavedWithItsChange(beta, beta.bytes);
            EXPECT_FALSE(IsWindow(gamma.window));
            EXPECT_FALSE(IsWindow(beta.window));
            EXPECT_EQ(GraphWindowsLeft(), std::vector<HWND>{alpha.window});
            ASSERT_TRUE(alpha.Graph());
            EXPECT_EQ(alpha.Graph()->modified, 1u);
        }
        {
            SCOPED_TRACE("Yes for alpha, beta open again unchanged and active");
            const Bytes betaSaved = FileBytes(beta.path);
            ASSERT_EQ(OpenGraphFile(beta.path.c_str()), 1);
            beta.window = g_app->hwndActiveGraph;
            ASSERT_TRUE(beta.Graph());
            ASSERT_EQ(beta.Graph()->modified, 0u);
            const std::vector<std::string> inFolder = FilesIn(folder);
            EXPECT_EQ(CloseProgramAnswering(how, all, {{"alpha", IDYES}}), std::vector<std::string>{"alpha"});
            ExpectSavedWithItsChange(alpha, alpha.bytes);
            EXPECT_EQ(FileBytes(beta.path), betaSaved) << "the graph not asked about is not written";
            EXPECT_EQ(FilesIn(folder).size(), inFolder.size()) << "no file is made";
            EXPECT_FALSE(IsWindow(frame)) << "every graph closed: the program ends";
        }
    }

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
// lesson's and the subject's name (a default one when none was typed), Quit records nothing.
TEST_F(ShippedLessons, ReflexesRecordsFromTheUnitAndKeepsTheRecordingUnderTheSubjectsName) {
    struct Case {
        const char* typed;
        int button;
        const char* file;  // "" when nothing is recorded
    };
    const Case cases[] = {{"Ada", 1, "Reflexes Ada.acq"}, {"", 1, "Reflexes Subject.acq"}, {"Bo", 2, ""}};
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("typed \"") + c.typed + "\", button " + std::to_string(c.button));
        g_user = stUser{};
        g_user.name = c.typed;
        g_user.firstButton = c.button;
        {
            // Opening the lesson again closes the last graph: a recording it kept needs no
            // question about saving.
            BoxCapture boxes;
            boxes.answer = IDNO;
            ChooseReflexes();
            EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
        }
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
            EXPECT_EQ(graph->chanCount[1], 0u);
            EXPECT_TRUE(g_user.errors.empty());
            continue;
        }
        ASSERT_EQ(Running(), 1) << "the lesson started the run";
        RunToEnd(50);
        EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
        EXPECT_EQ(graph->chanCount[1], 1000u);
        EXPECT_DOUBLE_EQ(graph->sampleInterval, 1.0);
        EXPECT_STREQ(graph->chanLabel[1], "Response");
        double a = 0, b = 0;
        ASSERT_EQ(GetChannelSample(graph, 10, 1, &a), 1);
        ASSERT_EQ(GetChannelSample(graph, 11, 1, &b), 1);
        EXPECT_NE(a, b) << "input 1 carries the unit's counting signal";
        // The end of the run kept it beside the lesson's working folder, and said so.
        char now[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof now, now);
        const std::string saved = std::string(now) + "\\" + c.file;
        files.push_back(saved);
        ASSERT_TRUE(Exists(saved)) << saved;
        ExpectFileHoldsChannel(saved, graph);
        EXPECT_EQ(graph->modified, 0u) << "the kept copy holds everything the graph holds";
        char shown[64] = "";
        GetWindowTextA(graph->hwnd, shown, sizeof shown);
        EXPECT_STREQ(shown, "Reflexes") << "the graph keeps its name";
        ASSERT_EQ(g_user.prompts.size(), 2u);
        EXPECT_EQ(g_user.prompts[1], std::string("The recording is saved as ") + c.file);
    }
}

// Another lesson's recording of the same subject is never touched; a recording of this lesson's
// under the same name is replaced only when the operator says so, and can be kept under another.
TEST_F(ShippedLessons, ReflexesNeverReplacesARecordingWithoutAsking) {
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    const std::string here = std::string(now) + "\\";
    const std::string fatigue = here + "Fatigue Ada.acq", mine = here + "Reflexes Ada.acq", other = here + "Ada.acq";
    files = {fatigue, mine, other};
    const std::vector<uint8_t> earlier(4000, 0x5A);
    PutFile(fatigue, earlier);
    const std::string question = "Reflexes Ada.acq already holds a recording.";
    struct Case {
        const char* what;
        bool mineExists;
        std::vector<int> buttons;  // Record, then the answer to the question
        const char* savedAs;       // "" when nothing is written
    } cases[] = {
        {"no recording of this lesson yet", false, {1}, "Reflexes Ada.acq"},
        {"Don't save", true, {1, 3}, ""},
        {"Other name", true, {1, 2}, "Ada.acq"},
        {"Replace", true, {1, 1}, "Reflexes Ada.acq"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        DeleteFileA(mine.c_str());
        DeleteFileA(other.c_str());
        if (c.mineExists) PutFile(mine, earlier);
        g_user = stUser{};
        g_user.name = "Ada";
        g_user.buttons = c.buttons;
        {
            BoxCapture boxes;
            boxes.answer = IDNO;
            ChooseReflexes();
        }
        ASSERT_EQ(Running(), 1);
        RunToEnd(50);
        EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
        tagGS* graph = ActiveGraph();
        ASSERT_TRUE(graph);
        EXPECT_EQ(FileBytes(fatigue), earlier) << "the other lesson's recording is untouched";
        ASSERT_GE(g_user.prompts.size(), 2u);
        EXPECT_EQ(g_user.prompts[1].rfind(question, 0) == 0, c.mineExists) << g_user.prompts[1];
        if (c.savedAs[0]) {
            ExpectFileHoldsChannel(here + c.savedAs, graph);
            EXPECT_EQ(g_user.prompts.back(), std::string("The recording is saved as ") + c.savedAs);
        } else {
            EXPECT_EQ(g_user.prompts.back().rfind("The recording was not saved", 0), 0u) << g_user.prompts.back();
        }
        if (c.mineExists && std::string(c.savedAs) != "Reflexes Ada.acq") {
            EXPECT_EQ(FileBytes(mine), earlier);
        }
        if (std::string(c.savedAs) == "Ada.acq") {
            ASSERT_EQ(g_user.asked.size(), 2u);
            EXPECT_EQ(g_user.asked[1], "Type the name to keep this recording under.");
        }
    }
}

// Outside any lesson the File menu's Save and Save As run the start-up script: Save As asks for
// a name the user types, Save does the same for a graph never saved and writes a saved one to
// its file without asking; the graph then bears the file's name and counts as saved.
TEST_F(ShippedLessons, FileSaveAndSaveAsThroughTheStartUpScriptWriteTheGraphFileUnderATypedName) {
    // A recording made in the lesson, then the start-up script back as at the program's start.
    g_user = stUser{};
    g_user.name = "Cy";
    ChooseReflexes();
    ASSERT_EQ(Running(), 1);
    RunToEnd(50);
    char now[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof now, now);
    files.push_back(std::string(now) + "\\Reflexes Cy.acq");
    SetCurrentDirectoryA(folder.c_str());
    ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
    ASSERT_TRUE(FindScriptSubroutine(LoadedScript(), "OnFileSave"));
    tagGS* graph = ActiveGraph();
    ASSERT_TRUE(graph);
    ASSERT_EQ(graph->chanCount[1], 1000u);
    const std::string first = folder + "\\first.acq", second = folder + "\\second.acq";
    files.push_back(first);
    files.push_back(second);
    struct Step {
        UINT command;
        const char* typed;  // "" when no dialog is to be asked
        std::string file;   // where the graph is written
    };
    const Step steps[] = {
        {IDM_FILE_SAVE, "first", first},  // never saved: asked, and the graph file's extension added
        {IDM_FILE_SAVE, "", first},       // saved: written there again
        {IDM_FILE_SAVE_AS, "second.acq", second},
    };
    for (const Step& step : steps) {
        SCOPED_TRACE(std::string(step.command == IDM_FILE_SAVE ? "Save " : "Save As ") + step.typed);
        graph->modified = 1;
        // An empty file in its place: what the save writes is then all there is in it.
        if (Exists(step.file)) {
            HANDLE f = CreateFileA(step.file.c_str(), GENERIC_WRITE, 0, nullptr, TRUNCATE_EXISTING, 0, nullptr);
            ASSERT_NE(f, INVALID_HANDLE_VALUE);
            CloseHandle(f);
        }
        Typist::g_name = step.typed[0] ? folder + "\\" + step.typed : "";
        Typist::g_dialogs = 0;
        HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, Typist::Hook, nullptr, GetCurrentThreadId());
        Command(step.command);
        UnhookWindowsHookEx(hook);
        EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
        if (step.typed[0]) {
            EXPECT_EQ(Typist::g_dialogs, 1) << "the save dialog was shown";
            EXPECT_TRUE(Typist::g_typeable) << "its name box takes the name the user types";
        } else {
            EXPECT_EQ(Typist::g_dialogs, 0) << "a graph saved before is not asked about";
        }
        ASSERT_TRUE(Exists(step.file)) << step.file;
        ExpectFileHoldsChannel(step.file, graph);
        EXPECT_EQ(graph->modified, 0u);
        char shown[MAX_PATH] = "";
        GetWindowTextA(graph->hwnd, shown, sizeof shown);
        EXPECT_EQ(lstrcmpiA(graph->title, step.file.c_str()), 0) << graph->title;
        EXPECT_STREQ(shown, graph->title) << "the window bears the file's name";
    }
    SendMessageA(g_app->hwndActiveGraph, WM_CLOSE, 0, 0);
    PumpMessages();
}

// A lesson without a save of its own: Yes to the question of a graph whose recording the
// operator chose not to keep saves nothing, so the graph does not close on any path.
TEST_F(ShippedLessons, YesToTheSaveQuestionInALessonWithoutASaveKeepsTheUnsavedRecording) {
    const std::string mine = CurrentFolder() + "\\Reflexes Ada.acq";
    files.push_back(mine);
    const std::vector<uint8_t> earlier(4000, 0x5A);
    PutFile(mine, earlier);
    g_user = stUser{};
    g_user.name = "Ada";
    g_user.buttons = {1, 3};  // Record, then "Don't save" for the name already taken
    {
        BoxCapture boxes;
        boxes.answer = IDNO;
        ChooseReflexes();
    }
    ASSERT_FALSE(FindScriptSubroutine(LoadedScript(), "OnFileSave"));
    ASSERT_EQ(Running(), 1);
    RunToEnd(50);
    ASSERT_TRUE(g_user.errors.empty()) << g_user.errors.front();
    ASSERT_EQ(g_user.prompts.back().rfind("The recording was not saved", 0), 0u) << g_user.prompts.back();
    tagGS* graph = ActiveGraph();
    ASSERT_TRUE(graph);
    ASSERT_EQ(graph->chanCount[1], 1000u);
    ASSERT_EQ(graph->modified, 1u);
    ExpectYesWithNothingSavedKeepsTheGraph(graph, 0);
    EXPECT_EQ(FileBytes(mine), earlier);
    graph->modified = 0;
}

// The start-up script: Yes to the question of a new graph's recording asks for a name; a
// cancelled dialog saves nothing and keeps the graph on every path, a typed name saves it and
// the graph closes.
TEST_F(ShippedLessons, YesToTheSaveQuestionWithTheSaveDialogCancelledKeepsTheRecording) {
    ASSERT_TRUE(FindScriptSubroutine(LoadedScript(), "OnFileSave"));
    tagGS* graph = GetWindowGraph(first);
    ASSERT_TRUE(graph);
    Press();
    ASSERT_EQ(Running(), 1);
    for (int i = 0; i < 8; ++i) Advance(250);
    Press();
    ASSERT_EQ(Running(), 0);
    ASSERT_GT(graph->chanCount[1], 0u);
    ASSERT_EQ(graph->modified, 1u);
    ExpectYesWithNothingSavedKeepsTheGraph(graph, 1);

    std::vector<double> recorded(graph->chanCount[1]);
    for (size_t i = 0; i < recorded.size(); ++i) GetChannelSample(graph, static_cast<int>(i), 1, &recorded[i]);
    const std::string kept = folder + "\\kept.acq";
    files.push_back(kept);
    Typist::g_name = kept;
    Typist::g_dialogs = 0;
    g_script.closeCancelled = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, Typist::Hook, nullptr, GetCurrentThreadId());
    {
        BoxCapture boxes;
        boxes.caption = g_app->szAppTitle;
        boxes.answer = IDYES;
        Command(IDM_FILE_CLOSE);
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(Typist::g_dialogs, 1);
    EXPECT_FALSE(IsWindow(first)) << "saved, the graph closes";
    EXPECT_EQ(g_script.closeCancelled, 0);
    const std::vector<uint8_t> bytes = FileBytes(kept);
    ASSERT_FALSE(bytes.empty());
    TestDoc doc;
    stGraphReadReport report{};
    ASSERT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1);
    ASSERT_EQ(doc.gs->chanCount[1], recorded.size());
    int differing = 0;
    for (size_t i = 0; i < recorded.size(); ++i) {
        double v = 0;
        GetChannelSample(doc.gs, static_cast<int>(i), 1, &v);
        if (v != recorded[i]) ++differing;
    }
    EXPECT_EQ(differing, 0);
}

// File > Save As through the start-up script onto the file another graph window shows: the user
// types that name and says Yes to replacing it; the save is refused, neither file is touched, and
// both windows keep their names, the saved one still unsaved.
TEST_F(ShippedLessons, SaveAsOntoTheFileAnotherGraphShowsIsRefusedAndChangesNothing) {
    const std::string victim = folder + "\\victim.acq", other = folder + "\\graphB.acq";
    files = {victim, other};
    AcqRecipe recipe = RichRecipe();
    const Bytes a = BuildAcq(recipe);
    recipe.channels[0].raw.assign(recipe.channels[0].raw.size(), 77);
    const Bytes b = BuildAcq(recipe);
    ASSERT_NE(a, b);
    ASSERT_TRUE(WriteWholeFile(victim, a));
    ASSERT_TRUE(WriteWholeFile(other, b));
    ASSERT_EQ(OpenGraphFile(victim.c_str()), 1);
    ASSERT_EQ(OpenGraphFile(other.c_str()), 1);
    tagGS* graphB = ActiveGraph();
    ASSERT_TRUE(graphB);
    ASSERT_EQ(lstrcmpiA(graphB->title, other.c_str()), 0) << graphB->title;
    HWND windowA = nullptr;
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (tagGS* g = GetWindowGraph(w); g && g != graphB) windowA = w;
    ASSERT_TRUE(windowA);
    setDirtyGraphFlag(graphB, 1);

    Typist::g_name = victim;
    Typist::g_dialogs = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, Typist::Hook, nullptr, GetCurrentThreadId());
    BoxCapture boxes;
    boxes.answer = IDYES;  // "... already exists. Do you want to replace it?": Yes
    Command(IDM_FILE_SAVE_AS);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(Typist::g_dialogs, 1);
    EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
    bool refused = false;
    for (const auto& box : boxes.boxes) refused = refused || box.text.find("is already open") != std::string::npos;
    EXPECT_TRUE(refused) << "the user is told why nothing was saved";

    EXPECT_EQ(FileBytes(victim), a) << "the other graph's file keeps its recording";
    EXPECT_EQ(FileBytes(other), b);
    char shownA[MAX_PATH] = "", shownB[MAX_PATH] = "";
    GetWindowTextA(windowA, shownA, sizeof shownA);
    GetWindowTextA(graphB->hwnd, shownB, sizeof shownB);
    EXPECT_EQ(lstrcmpiA(shownA, victim.c_str()), 0) << shownA;
    EXPECT_EQ(lstrcmpiA(shownB, other.c_str()), 0) << shownB;
    EXPECT_EQ(lstrcmpiA(graphB->title, other.c_str()), 0) << graphB->title;
    EXPECT_EQ(graphB->modified, 1u) << "the graph was not saved";
    graphB->modified = 0;
}

// File > Quit with changed graphs: each Yes saves the graph it names, through the start-up
// script's "OnFileSave", and Cancel stops the Quit with nothing written.
TEST_F(ShippedLessons, QuitSavesEachChangedGraphItAsksAboutAndStopsAtCancel) {
    ExpectClosingTheProgramSavesTheGraphAskedAbout(Closing::Quit);
}

// The frame's close box asks and saves as File > Quit does.
TEST_F(ShippedLessons, TheFramesCloseBoxSavesEachChangedGraphItAsksAboutAndStopsAtCancel) {
    ExpectClosingTheProgramSavesTheGraphAskedAbout(Closing::FrameCloseBox);
}

// File > Print through the start-up script prints the graph the user works on (here into a
// memory page, through the replaced printer).
HDC g_memoryPage = nullptr;
int g_pagesPrinted = 0, g_docsEnded = 0;
BOOL PrintOnMemoryPage(PRINTDLGA* pd, DWORD* error) {
    *error = 0;
    pd->hDC = g_memoryPage;
    return TRUE;
}
int OpenMemoryDoc(HDC, const DOCINFOA*) { return 1; }
int CountMemoryPage(HDC) {
    ++g_pagesPrinted;
    return 1;
}
int EndMemoryDoc(HDC) {
    ++g_docsEnded;
    return 1;
}
BOOL KeepMemoryPage(HDC) { return TRUE; }

TEST_F(ShippedLessons, FilePrintThroughTheStartUpScriptPrintsTheActiveGraph) {
    g_user = stUser{};
    g_user.name = "Di";
    ChooseReflexes();
    ASSERT_EQ(Running(), 1);
    RunToEnd(50);
    SetCurrentDirectoryA(folder.c_str());
    ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
    ASSERT_TRUE(FindScriptSubroutine(LoadedScript(), "OnPrint"));
    ASSERT_TRUE(ActiveGraph());
    HDC screen = GetDC(nullptr);
    g_memoryPage = CreateCompatibleDC(screen);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, GetDeviceCaps(screen, HORZRES), GetDeviceCaps(screen, VERTRES));
    ReleaseDC(nullptr, screen);
    HGDIOBJ old = SelectObject(g_memoryPage, bitmap);
    const stPrintDevice device{PrintOnMemoryPage, nullptr, OpenMemoryDoc, nullptr, CountMemoryPage, EndMemoryDoc,
                               nullptr, KeepMemoryPage, nullptr};
    SetPrintDevice(&device);
    SetPrintOptions(1, 1);
    g_pagesPrinted = g_docsEnded = 0;
    g_user.prompts.clear();
    {
        BoxCapture boxes;
        boxes.caption = "Norvane Tessaly";
        Command(IDM_FILE_PRINT);
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    }
    SetPrintDevice(nullptr);
    SelectObject(g_memoryPage, old);
    DeleteObject(bitmap);
    DeleteDC(g_memoryPage);
    EXPECT_EQ(g_pagesPrinted, 1);
    EXPECT_EQ(g_docsEnded, 1);
    EXPECT_TRUE(g_user.errors.empty()) << g_user.errors.front();
    EXPECT_TRUE(g_user.prompts.empty()) << "the lesson prompted instead of printing";
    ActiveGraph()->modified = 0;
}

// ---- The grip fatigue lesson ----

// The operator at the fatigue lesson: the buttons pressed in the prompts in turn, and what the
// lesson said.
struct stOperator {
    std::vector<int> buttons;
    std::vector<std::string> prompts;
    std::string name;
    std::vector<std::string> errors;
} g_operator;

int OperatorPrompt(const char* message, const char*, const char*, const char*) {
    const std::string text = message ? message : "";
    g_operator.prompts.push_back(text);
    const size_t i = g_operator.prompts.size() - 1;
    return i < g_operator.buttons.size() ? g_operator.buttons[i] : 1;
}
int OperatorText(const char*, const char*, char* out256) {
    lstrcpynA(out256, g_operator.name.c_str(), 256);
    return 1;
}
const stScriptDialogs kOperator = {OperatorPrompt, AnswerNumber, OperatorText, AnswerItems, AnswerLesson, AnswerOpenFile};
int16_t KeepOperatorError(const char* message) {
    g_operator.errors.push_back(message ? message : "");
    return 0;
}

std::string FileText(const std::string& path) {
    const std::vector<uint8_t> bytes = FileBytes(path);
    return std::string(bytes.begin(), bytes.end());
}

class FatigueLesson : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("fatigue", true);
        gs = nullptr;
        g_operator = stOperator{};
        SetScriptDialogs(&kOperator);
        SetScriptErrorHook(KeepOperatorError);
        const std::string shipped = ProgramFolder() + "\\Lessons\\Fatigue\\";
        lessonFolder = folder + "\\Lessons\\Fatigue";
        CreateDirectoryA((folder + "\\Lessons").c_str(), nullptr);
        CreateDirectoryA(lessonFolder.c_str(), nullptr);
        for (const char* f : {"Fatigue", "Example.txt"})
            ASSERT_TRUE(CopyFileA((shipped + f).c_str(), (lessonFolder + "\\" + f).c_str(), FALSE)) << f;
        lstrcpynA(g_app->szAppFolder, folder.c_str(), sizeof g_app->szAppFolder);
        ASSERT_EQ(FillUpLessonDescriptions((folder + "\\Lessons").c_str()), 1);
        // As the program starts: the start-up script runs and the Lessons menu is made.
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\StartUp").c_str(), (folder + "\\StartUp").c_str(), FALSE));
        g_app->frame.bFrameMenuAttached = 0;
        ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
    }
    void TearDown() override {
        SetScriptDialogs(nullptr);
        SetScriptErrorHook(nullptr);
        for (const std::string& f : files) DeleteFileA(f.c_str());
        ShutProgram();
        DeleteFileA((folder + "\\StartUp").c_str());
        for (const char* f : {"Fatigue", "Example.txt"}) DeleteFileA((lessonFolder + "\\" + f).c_str());
        RemoveDirectoryA(lessonFolder.c_str());
        RemoveDirectoryA((folder + "\\Lessons").c_str());
        LeaveFolder();
    }
    void ChooseFatigue() {
        char text[128] = "";
        ASSERT_GT(GetMenuStringA(GetMenu(g_app->hwndFrame), IDM_LESSON_FIRST, text, sizeof text, MF_BYCOMMAND), 0);
        ASSERT_STREQ(text, "Fatigue");
        SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_LESSON_FIRST, 0);
        PumpMessages();
    }
    static tagGS* ActiveGraph() { return g_app->hwndActiveGraph ? GetWindowGraph(g_app->hwndActiveGraph) : nullptr; }
    // The files the lesson keeps in its working folder under the name.
    std::string Kept(const std::string& name) {
        char now[MAX_PATH] = "";
        GetCurrentDirectoryA(sizeof now, now);
        files.push_back(std::string(now) + "\\" + name);
        return files.back();
    }

    std::string lessonFolder;
    std::vector<std::string> files;
};

// A subject is recorded with two squeezes marked by F9; the end of the recording counts them,
// smooths the force with an undo entry, and keeps the graph and a journal that holds the
// subject, the count and the measurements the operator chose.
TEST_F(FatigueLesson, ARecordedSubjectIsMarkedMeasuredAndKeptWithItsJournal) {
    g_operator.buttons = {1, 1, 1};
    g_operator.name = "Ada";
    ChooseFatigue();
    ASSERT_TRUE(g_operator.errors.empty()) << g_operator.errors.front();
    ASSERT_EQ(g_operator.prompts.size(), 2u);
    tagGS* graph = ActiveGraph();
    ASSERT_TRUE(graph);
    ASSERT_EQ(Running(), 1);
    // F9 twice while the force comes in, as the accelerator sends it to the graph window.
    for (int squeeze = 0; squeeze < 2; ++squeeze) {
        Advance(300);
        SendMessageA(graph->hwnd, WM_COMMAND, IDM_MARKER_KEY_FIRST + 7, 0);
    }
    RunToEnd(50);
    EXPECT_TRUE(g_operator.errors.empty()) << g_operator.errors.front();
    EXPECT_EQ(graph->chanCount[1], 1500u);
    int squeezes = 0;
    for (stMarkerNode* n = graph->markers ? graph->markers->first : nullptr; n; n = n->next) squeezes += IsEventMarker(n);
    EXPECT_EQ(squeezes, 2);
    EXPECT_EQ(std::string(g_app->undo.szText).rfind("Smoothing", 0), 0u) << "the force was smoothed with an undo entry";
    ASSERT_EQ(g_operator.prompts.size(), 3u);
    EXPECT_EQ(g_operator.prompts[2].rfind("Select the squeezes", 0), 0u);

    // The operator selects the whole recording and clicks Measure, which stands on the toolbar
    // clear of every standard button; the tool buttons under the mode buttons stay hidden.
    graph->selStart = 0.0;
    graph->selEnd = 1499.0;
    HWND measure = GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST);
    ASSERT_TRUE(measure);
    char caption[32] = "";
    GetWindowTextA(measure, caption, sizeof caption);
    EXPECT_STREQ(caption, "Measure");
    for (UINT tool : {IDM_TOOL_ARROW, IDM_TOOL_SELECTION, IDM_TOOL_ZOOM}) {
        HWND button = GetDlgItem(g_app->hwndToolbar, static_cast<int>(tool));
        ASSERT_TRUE(button) << tool;
        EXPECT_FALSE(IsWindowVisible(button)) << tool;
    }
    RECT measureAt{}, overlap{};
    GetWindowRect(measure, &measureAt);
    for (HWND b = GetWindow(g_app->hwndToolbar, GW_CHILD); b; b = GetWindow(b, GW_HWNDNEXT)) {
        if (b == measure || !IsWindowVisible(b)) continue;
        RECT at{};
        GetWindowRect(b, &at);
        EXPECT_FALSE(IntersectRect(&overlap, &measureAt, &at)) << "Measure covers the button " << GetDlgCtrlID(b);
    }
    SendMessageA(measure, BM_CLICK, 0, 0);
    PumpMessages();
    EXPECT_TRUE(g_operator.errors.empty()) << g_operator.errors.front();
    EXPECT_FALSE(GetDlgItem(g_app->hwndToolbar, IDC_SCRIPT_BUTTON_FIRST)) << "the button went with its work";

    const std::string acq = Kept("Fatigue Ada.acq"), journal = Kept("Fatigue Ada journal.txt");
    ASSERT_TRUE(Exists(acq));
    ExpectFileHoldsChannel(acq, graph);
    ASSERT_TRUE(Exists(journal));
    const std::string text = FileText(journal);
    EXPECT_EQ(text.rfind("Grip fatigue\r\n", 0), 0u) << text;
    EXPECT_NE(text.find("Subject: Ada\r\nSqueezes marked: 2\r\n"), std::string::npos) << text;
    double top = -1e300, y = 0;
    for (uint32_t i = 0; i < graph->chanCount[1]; ++i)
        if (GetChannelSample(graph, static_cast<int>(i), 1, &y) && y > top) top = y;
    // The lesson set the boxes to the force's maximum and mean, and their values went in.
    double sum = 0;
    for (uint32_t i = 0; i < graph->chanCount[1]; ++i)
        if (GetChannelSample(graph, static_cast<int>(i), 1, &y)) sum += y;
    char maximum[64], mean[64];
    measure::FormatValue(maximum, sizeof maximum, top, 3);
    measure::FormatValue(mean, sizeof mean, sum / graph->chanCount[1], 3);
    EXPECT_NE(text.find(maximum), std::string::npos) << "the Max box: " << maximum << " in " << text;
    EXPECT_NE(text.find(mean), std::string::npos) << "the Mean box: " << mean << " in " << text;
    ASSERT_EQ(g_operator.prompts.size(), 4u);
    EXPECT_EQ(g_operator.prompts[3], "The recording and its journal are kept under the name Fatigue Ada");
}

TEST_F(FatigueLesson, QuitAtEitherPromptRecordsNothing) {
    for (const std::vector<int>& buttons : {std::vector<int>{3}, std::vector<int>{1, 2}}) {
        SCOPED_TRACE(buttons.size());
        g_operator = stOperator{};
        g_operator.buttons = buttons;
        ChooseFatigue();
        EXPECT_TRUE(g_operator.errors.empty());
        EXPECT_EQ(g_operator.prompts.size(), buttons.size());
        EXPECT_EQ(Running(), 0);
        ASSERT_TRUE(ActiveGraph());
        EXPECT_EQ(ActiveGraph()->chanCount[1], 0u);
    }
}

// The example recording is assigned to the lesson's graph as its play-back source, so that the
// recording comes from the file shipped with the lesson instead of a subject.
TEST_F(FatigueLesson, TheExampleIsPlayedBackFromTheFileShippedWithTheLesson) {
    g_operator.buttons = {2};
    ChooseFatigue();
    ASSERT_TRUE(g_operator.errors.empty()) << g_operator.errors.front() << " / " << g_script.strings['R' - 'A'];
    EXPECT_EQ(std::string(g_script.strings['R' - 'A']), "Success");
    tagGS* graph = ActiveGraph();
    ASSERT_TRUE(graph);
    CSourceNavigator* source = SrcNavFindNavigator("Fatigue");
    ASSERT_NE(source, nullptr);
    EXPECT_EQ(source->GetRows(), 600u);
    EXPECT_EQ(Running(), 1) << "the play-back run started";
}

}  // namespace
