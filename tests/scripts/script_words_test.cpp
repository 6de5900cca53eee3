// The lesson words for graphs, files, folders, prompts, choices, lessons, the system, the frame
// menu and the device library, run as real scripts from files through the engine in the program
// booted inside the test process. The dialogs the words ask through are answered in their place;
// the error dialog is answered by its hook, which counts it.
#include <gtest/gtest.h>
#include "tests/base/other_spelling.h"
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "base/device.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "base/services.h"
#include "base/safe_file.h"
#include "base/system_queries.h"
#include "base/lesson.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "scripts/engine/script_engine.h"
#include "scripts/scripts_ids.h"
#include "scripts/words/word_fields.h"
#include "tests/documents/acq_builder.h"
#include "tests/documents/test_doc.h"
#include "tests/shell/box_capture.h"
#include "tests/scripts/lesson_fixture.h"
#include "tests/shell/shell_fixture.h"
#include "documents/measurements/measure_text.h"

namespace {

// ---- The dialogs the words ask through, answered from the test's script of answers ----
struct stAnswers {
    int calls = 0;
    int button = 1;                 // PROMPT
    std::string message, text1, text2, text3;
    int numberAnswer = 0;           // GETNUMBER: 0 OK, 1 Cancel, -1 not opened
    std::string typed;              // the text OK leaves; empty: the initial text stays
    std::string initialText;        // what the dialog started with
    int textAnswer = 1;             // GETSTRING: 1 OK, -1 not opened
    int chosen = 0;                 // CHOOSEITEM: the index, -1 Cancel
    std::vector<std::string> items;
    int initialIndex = -99, mode = -99;
    int lessonAnswer = 0;           // CHOOSELESSON: 1 chosen, 0 quit
    std::string lessonPath;
};
stAnswers g_answers;

std::vector<int> g_waitCounts;  // the wait cursor's count while each dialog was up

int AnswerPrompt(const char* message, const char* b1, const char* b2, const char* b3) {
    ++g_answers.calls;
    g_waitCounts.push_back(WaitCursorDepth());
    g_answers.message = message;
    g_answers.text1 = b1;
    g_answers.text2 = b2;
    g_answers.text3 = b3;
    return g_answers.button;
}
int AnswerNumber(const char* message, const char* label, char* text) {
    ++g_answers.calls;
    g_waitCounts.push_back(WaitCursorDepth());
    g_answers.message = message;
    g_answers.text1 = label;
    g_answers.initialText = text;
    if (g_answers.numberAnswer == 0 && !g_answers.typed.empty()) lstrcpynA(text, g_answers.typed.c_str(), 256);
    return g_answers.numberAnswer;
}
int AnswerText(const char* message, const char* initial, char* out) {
    ++g_answers.calls;
    g_answers.message = message;
    g_answers.initialText = initial;
    lstrcpynA(out, g_answers.typed.c_str(), 256);
    return g_answers.textAnswer;
}
int AnswerItems(const char* title, const char* const* items, int count, int initial, int mode) {
    ++g_answers.calls;
    g_answers.message = title;
    g_answers.items.assign(items, items + count);
    g_answers.initialIndex = initial;
    g_answers.mode = mode;
    return g_answers.chosen;
}
int AnswerLesson(char* path) {
    ++g_answers.calls;
    lstrcpynA(path, g_answers.lessonPath.c_str(), MAX_PATH);
    return g_answers.lessonAnswer;
}
int AnswerOpenFile(char* name, const char* folder) {
    ++g_answers.calls;
    g_answers.initialText = folder;
    lstrcpynA(name, g_answers.typed.c_str(), MAX_PATH);
    return g_answers.typed.empty() ? 0 : 1;
}
const stScriptDialogs kAnswered = {AnswerPrompt, AnswerNumber, AnswerText, AnswerItems, AnswerLesson, AnswerOpenFile};

// ---- The device library's script-line operation, recorded in its place ----
struct stDeviceLine {
    int calls = 0;
    std::string text;
    const double* variables = nullptr;
    void* frame = nullptr;
    tagGS* document = nullptr;
    int32_t result = 1;
};
stDeviceLine g_device;
int32_t WINAPI RecordDeviceLine(HGLOBAL, stScriptStatement* st) {
    ++g_device.calls;
    const char* end = std::strchr(st->text, '\r');
    g_device.text.assign(st->text, end ? static_cast<size_t>(end - st->text) : std::strlen(st->text));
    g_device.variables = st->appVariables;
    g_device.frame = st->frame;
    g_device.document = st->document;
    // As the library does: the rest of the line through the readers, a local through the frame.
    char word[256];
    const char* pos = st->text;
    pos += GetScriptToken(pos, word);  // VK40
    pos += GetScriptToken(pos, word);  // the device word
    double value = 0.0;
    GetScriptNumber(pos, &value);
    AssignScriptNumericVariable(st->frame, "b", value);
    return g_device.result;
}

std::vector<HWND> GraphWindows() {
    std::vector<HWND> out;
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT)) {
        char cls[32] = "";
        GetClassNameA(w, cls, sizeof cls);
        if (lstrcmpiA(cls, g_app->szClassNames[kClassChild]) == 0) out.push_back(w);
    }
    return out;
}

std::string WindowText(HWND w) {
    char text[260] = "";
    GetWindowTextA(w, text, sizeof text);
    return text;
}

}  // namespace

// The program booted in a working folder of its own, which is also its program folder; the
// dialogs the words ask through are answered from the test's answers.
class ScriptWords : public LessonWords {
protected:
    void SetUp() override {
        LessonWords::SetUp();
        if (HasFatalFailure()) return;
        SetScriptDialogs(&kAnswered);
        g_answers = stAnswers{};
        g_device = stDeviceLine{};
    }
    void TearDown() override {
        SetScriptDialogs(nullptr);
        LessonWords::TearDown();
    }
};

// ---- Files and folders ----

TEST_F(ScriptWords, FileAndFolderWordsReportThroughTheirVariableAndLeaveTheFilesTheySay) {
    const std::string present = InFolder("present.txt");
    const std::string doomed = InFolder("doomed.txt");
    const std::string kept = InFolder("kept.txt");
    InFolder("made");
    InFolder("a");
    for (const std::string& f : {present, doomed, kept}) ASSERT_TRUE(WriteWholeFile(f, Bytes{'x'}));

    const int16_t result = Run({
        "CHECKFILE \"present.txt\", A",
        "CHECKFILE \"absent.txt\", B",
        "CHECKFILE \"" + folder + "\", C",
        "DELETE \"doomed.txt\", D",
        "DELETE \"absent.txt\", E",
        "DELETE \"kept.txt\"",
        "NEWFOLDER \"made\", F",
        "NEWFOLDER \"made\", G",
        "NEWFOLDER \"a\\b\", H",
        "NEWFOLDER \"x:y\", I",
        "NEWFOLDER \"q?\", J",
    });
    EXPECT_EQ(result, kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    struct {
        char var;
        double value;
        const char* meaning;
    } const expected[] = {
        {'A', 1, "an existing file"},        {'B', 3, "a missing file"},
        {'C', 1, "an existing folder"},      {'D', 1, "deleted"},
        {'E', 3, "nothing to delete"},       {'F', 1, "folder made"},
        {'G', 2, "the folder exists"},       {'H', 3, "a backslash is not allowed"},
        {'I', 3, "a colon is not allowed"},  {'J', 3, "a question mark is not allowed"},
    };
    for (const auto& e : expected) EXPECT_EQ(Var(e.var), e.value) << e.var << ": " << e.meaning;
    EXPECT_TRUE(Exists(present));
    EXPECT_FALSE(Exists(doomed));
    EXPECT_TRUE(Exists(kept)) << "DELETE without a result variable deletes nothing";
    EXPECT_TRUE(GetFileAttributesA((folder + "\\made").c_str()) & FILE_ATTRIBUTE_DIRECTORY);
    EXPECT_FALSE(Exists(folder + "\\a")) << "a refused name creates nothing";
}

TEST_F(ScriptWords, FileWordsWithoutTheFieldsTheyNeedStopTheRunQuietly) {
    struct {
        const char* line;
        const char* what;
    } const cases[] = {
        {"CHECKFILE \"lesson.txt\"", "CHECKFILE without a result variable"},
        {"NEWFOLDER \"\", A", "NEWFOLDER with an empty name"},
        {"NEWFOLDER A$, A", "NEWFOLDER with a name that is empty"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        ResetErrorDialogs();
        AssignScriptNumericVariable(nullptr, "Z", -99.0);
        AssignScriptNumericVariable(nullptr, "A", -99.0);
        EXPECT_EQ(Run({c.line, "Z = 1"}), kScriptStop);
        EXPECT_EQ(ErrorDialogs(), 0);
        EXPECT_EQ(Var('Z'), -99.0) << "the run stopped at the line";
        EXPECT_EQ(Var('A'), -99.0);
    }
}

// ---- Graphs ----

TEST_F(ScriptWords, NewMakesATitledGraphThatBecomesTheCurrentDocument) {
    const size_t before = GraphWindows().size();
    g_script.graph = nullptr;
    EXPECT_EQ(Run({"NEW \"Heart rate\""}), kScriptGoOn);
    const std::vector<HWND> after = GraphWindows();
    ASSERT_EQ(after.size(), before + 1);
    HWND made = nullptr;
    for (HWND w : after)
        if (WindowText(w) == "Heart rate") made = w;
    ASSERT_TRUE(made);
    tagGS* gs = GetWindowGraph(made);
    EXPECT_EQ(g_script.graph, gs);
    ASSERT_NE(gs, nullptr);
    EXPECT_STREQ(gs->title, "Heart rate") << "the document is named as its window";
    // The frame's Window menu lists the graph by that name.
    bool listed = false;
    HMENU bar = GetMenu(g_app->hwndFrame);
    for (int i = 0; bar && i < GetMenuItemCount(bar); ++i) {
        HMENU popup = GetSubMenu(bar, i);
        for (int j = 0; popup && j < GetMenuItemCount(popup); ++j) {
            char item[128] = "";
            GetMenuStringA(popup, j, item, sizeof item, MF_BYPOSITION);
            const std::string text = item;
            if (text.size() >= 10 && text.compare(text.size() - 10, 10, "Heart rate") == 0) listed = true;
        }
    }
    EXPECT_TRUE(listed) << "the Window menu names the graph as its caption";
    // The save question names the graph as its caption does.
    gs->modified = 1;
    g_script.savePromptEnabled = 1;
    g_script.permissions[kPermCloseWindow] = 1;
    BoxCapture boxes;
    boxes.answer = IDNO;
    SendMessageA(made, WM_CLOSE, 0, 0);
    PumpMessages();
    g_script.savePromptEnabled = 0;
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_NE(boxes.boxes[0].text.find("Heart rate"), std::string::npos) << boxes.boxes[0].text;
    EXPECT_EQ(boxes.boxes[0].text.find("Untitled"), std::string::npos) << boxes.boxes[0].text;
    EXPECT_FALSE(IsWindow(made));
}

TEST_F(ScriptWords, OpenAndOpenModReportWhetherTheGraphOpened) {
    const std::string file = InFolder("lab.acq");
    ASSERT_TRUE(WriteWholeFile(file, BuildAcq(RichRecipe())));
    InFolder("sub\\lab2.acq");
    InFolder("sub");
    CreateDirectoryA((folder + "\\sub").c_str(), nullptr);
    ASSERT_TRUE(WriteWholeFile(folder + "\\sub\\lab2.acq", BuildAcq(RichRecipe())));
    BoxCapture boxes;

    g_script.graph = nullptr;
    EXPECT_EQ(Run({"OPEN \"missing.acq\", R"}), kScriptGoOn);
    EXPECT_EQ(Var('R'), 0.0);
    EXPECT_EQ(g_script.graph, nullptr) << "a failed OPEN leaves no current document";

    EXPECT_EQ(Run({"OPEN \"lab.acq\", R, N"}), kScriptGoOn);
    EXPECT_EQ(Var('R'), 1.0);
    ASSERT_NE(g_script.graph, nullptr);
    EXPECT_EQ(Str('N'), g_script.graph->title);
    EXPECT_NE(Str('N').find("lab.acq"), std::string::npos);

    EXPECT_EQ(Run({"OPENMOD \"\\sub\\none.acq\", \"Never\", S"}), kScriptGoOn);
    EXPECT_EQ(Var('S'), 3.0);
    for (HWND w : GraphWindows()) EXPECT_NE(WindowText(w), "Never");

    EXPECT_EQ(Run({"OPENMOD \"\\sub\\lab2.acq\", \"Second lab\", S"}), kScriptGoOn);
    EXPECT_EQ(Var('S'), 1.0);
    ASSERT_NE(g_script.graph, nullptr);
    EXPECT_EQ(WindowText(g_script.graph->hwnd), "Second lab");
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_TRUE(boxes.boxes.empty()) << "the graph words ask no questions";
}

// SAVE writes over an existing file only and renames the graph; SAVECOPY writes a new file, and
// the graph keeps its name (its window too) and counts as saved; both write the graph file,
// which reads back with the same channels.
TEST_F(ScriptWords, SaveAndSaveCopyWriteTheGraphFileAndReportThroughTheirVariable) {
    const std::string lab = InFolder("lab.acq");
    ASSERT_TRUE(WriteWholeFile(lab, BuildAcq(RichRecipe())));
    InFolder("copy.acq");
    InFolder("missing.acq");
    BoxCapture boxes;
    ASSERT_EQ(Run({"OPEN \"lab.acq\", R"}), kScriptGoOn);
    tagGS* gs = g_script.graph;
    ASSERT_NE(gs, nullptr);
    const std::string title = gs->title;
    struct Case {
        const char* line;
        double result;
        const char* written;     // the file that must exist afterwards, "" for none
        bool renamed;            // the graph's title names the written file
        uint32_t modified;       // the graph's changed mark afterwards
    };
    const Case cases[] = {
        {"SAVE \"missing.acq\", R", 3.0, "", false, 1},
        {"SAVECOPY \"copy.acq\", \"\", KeepName, R", 1.0, "copy.acq", false, 0},
        {"SAVE \"copy.acq\", R", 1.0, "copy.acq", true, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.line);
        DeleteFileA((folder + "\\missing.acq").c_str());
        gs->modified = 1;
        lstrcpynA(gs->title, title.c_str(), sizeof gs->title);
        SetWindowTextA(gs->hwnd, title.c_str());
        EXPECT_EQ(Run({c.line}), kScriptGoOn);
        EXPECT_EQ(Var('R'), c.result);
        EXPECT_EQ(GetFileAttributesA((folder + "\\missing.acq").c_str()), INVALID_FILE_ATTRIBUTES);
        if (c.written[0]) {
            const Bytes bytes = ReadWholeFile(folder + "\\" + c.written);
            ASSERT_FALSE(bytes.empty());
            TestDoc doc;
            stGraphReadReport report{};
            ASSERT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1);
            for (int s = 0; s < kMaxChannels; ++s) EXPECT_EQ(doc.gs->chanCount[s], gs->chanCount[s]) << s;
        }
        EXPECT_EQ(gs->modified, c.modified) << "a graph that was not saved stays unsaved";
        EXPECT_EQ(std::string(gs->title).find(c.written[0] ? c.written : "none") != std::string::npos, c.renamed)
            << gs->title;
        EXPECT_EQ(WindowText(gs->hwnd), gs->title) << "the window shows the graph's name";
    }
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_TRUE(boxes.boxes.empty());
    gs->modified = 0;
}

bool BoxSays(const BoxCapture& boxes, const std::string& part) {
    for (const auto& b : boxes.boxes)
        if (b.text.find(part) != std::string::npos) return true;
    return false;
}

// A name in a folder that is not there: both words tell the user and report 3, and nothing is made.
TEST_F(ScriptWords, SaveAndSaveCopyIntoAMissingFolderTellTheUserAndReportThree) {
    const std::string lab = InFolder("lab.acq");
    ASSERT_TRUE(WriteWholeFile(lab, BuildAcq(RichRecipe())));
    ASSERT_EQ(Run({"OPEN \"lab.acq\", R"}), kScriptGoOn);
    ASSERT_NE(g_script.graph, nullptr);
    const std::string title = g_script.graph->title;
    for (const char* word : {"SAVE \"gone\\x.acq\", R", "SAVECOPY \"gone\\x.acq\", \"\", KeepName, R"}) {
        SCOPED_TRACE(word);
        BoxCapture boxes;
        g_script.variables['R' - 'A'] = 0;
        EXPECT_EQ(Run({word}), kScriptGoOn);
        EXPECT_EQ(Var('R'), 3.0);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_TRUE(BoxSays(boxes, "The folder to save in cannot be found.\ngone\\x.acq")) << boxes.boxes[0].text;
        EXPECT_EQ(std::string(g_script.graph->title), title);
    }
    EXPECT_EQ(GetFileAttributesA((folder + "\\gone").c_str()), INVALID_FILE_ATTRIBUTES);
    EXPECT_EQ(ErrorDialogs(), 0);
}

// Neither word writes over the file another graph window shows, under any spelling of its path
// (another drive that reaches it, its short name): the save is refused with the reason, the file
// keeps its recording, and the saving graph keeps its name and stays unsaved. OPEN under another
// spelling makes no second window on the file.
TEST_F(ScriptWords, SaveAndSaveCopyNeverWriteOverTheFileAnotherGraphShows) {
    const std::string victim = InFolder("victim of a save.acq"), other = InFolder("graphB.acq");
    AcqRecipe recipe = RichRecipe();
    const Bytes a = BuildAcq(recipe);
    recipe.channels[0].raw.assign(recipe.channels[0].raw.size(), 77);
    ASSERT_TRUE(WriteWholeFile(victim, a));
    ASSERT_TRUE(WriteWholeFile(other, BuildAcq(recipe)));
    ASSERT_EQ(Run({"OPEN \"victim of a save.acq\", R"}), kScriptGoOn);
    ASSERT_EQ(Var('R'), 1.0);
    HWND windowA = g_script.graph->hwnd;
    const std::string rooted = ThroughRootDrive(victim), shortName = ShortSpelling(victim);
    ASSERT_NE(rooted, "") << "the root drive reaches the test's folder";
    ASSERT_NE(shortName, "");
    ASSERT_EQ(shortName.find("victim of"), std::string::npos) << "a short name differs from the long one";
    const std::string titleA = WindowText(windowA);
    ASSERT_EQ(Run({"OPEN \"graphB.acq\", R"}), kScriptGoOn);
    tagGS* gs = g_script.graph;
    ASSERT_NE(gs->hwnd, windowA);
    const std::string titleB = gs->title;
    const struct {
        std::string line;
        double result;
    } cases[] = {
        {"SAVE \"victim of a save.acq\", R", 3.0},
        {"SAVECOPY \"victim of a save.acq\", \"\", KeepName, R", 2.0},
        {"SAVE \"" + victim + "\", R", 3.0},
        {"SAVECOPY \"" + victim + "\", \"\", LockName, R", 2.0},
        {"SAVE \"" + rooted + "\", R", 3.0},
        {"SAVECOPY \"" + rooted + "\", \"\", KeepName, R", 2.0},
        {"SAVE \"" + shortName + "\", R", 3.0},
        {"SAVECOPY \"" + shortName + "\", \"\", LockName, R", 2.0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.line);
        gs->modified = 1;
        BoxCapture boxes;
        EXPECT_EQ(Run({c.line}), kScriptGoOn);
        EXPECT_EQ(Var('R'), c.result);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find("is already open"), std::string::npos) << boxes.boxes[0].text;
        EXPECT_EQ(ReadWholeFile(victim), a);
        EXPECT_EQ(std::string(gs->title), titleB);
        EXPECT_EQ(WindowText(gs->hwnd), titleB);
        EXPECT_EQ(WindowText(windowA), titleA);
        EXPECT_EQ(gs->modified, 1u);
    }
    const size_t windows = GraphWindows().size();
    for (const std::string& spelling : {rooted, shortName}) {
        SCOPED_TRACE(spelling);
        ASSERT_EQ(Run({"OPEN \"" + spelling + "\", R"}), kScriptGoOn);
        EXPECT_EQ(GraphWindows().size(), windows) << "no second window on the file";
        EXPECT_EQ(ReadWholeFile(victim), a);
    }
    EXPECT_EQ(ErrorDialogs(), 0);
}

// A copy leaves the graph as it was: its name, and the file it stands for and reads its samples
// from, so that the copy opens as a graph of its own.
TEST_F(ScriptWords, SaveCopyLeavesTheGraphsNameAndFileAndTheCopyOpensOnItsOwn) {
    const std::string lab = InFolder("lab.acq"), copy = InFolder("copy2.acq");
    AcqRecipe recipe;
    AcqChannel c;
    c.slot = 0;
    for (int i = 0; i < 20000; ++i) c.raw.push_back(static_cast<int16_t>(i));
    recipe.channels = {c};
    recipe.headerLength = 3100;  // an older header: a file the program writes has its samples elsewhere
    ASSERT_TRUE(WriteWholeFile(lab, BuildAcq(recipe)));
    ASSERT_EQ(Run({"OPEN \"lab.acq\", R"}), kScriptGoOn);
    tagGS* gs = g_script.graph;
    ASSERT_NE(gs, nullptr);
    ASSERT_EQ(gs->storageKind, kStoreDiskPaged);
    const std::string title = gs->title, file = gs->filePath;
    BoxCapture boxes;
    ASSERT_EQ(Run({"SAVECOPY \"" + copy + "\", \"\", LockName, C"}), kScriptGoOn);
    EXPECT_EQ(Var('C'), 1.0);
    EXPECT_TRUE(Exists(copy));
    EXPECT_EQ(std::string(gs->title), title);
    EXPECT_EQ(std::string(gs->filePath), file);
    // The samples still come from the graph's own file, not from the copy.
    ASSERT_TRUE(DeleteFileA(copy.c_str()));
    for (int i : {0, 8191, 8192, 19999}) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, i, 0, &v), 1) << i;
        EXPECT_EQ(v, i * (10.0 / 32768.0)) << i;
    }
    ASSERT_EQ(Run({"SAVECOPY \"copy2.acq\", \"\", LockName, C", "OPEN \"" + copy + "\", R, T"}), kScriptGoOn);
    EXPECT_EQ(Var('C'), 1.0);
    EXPECT_EQ(Var('R'), 1.0) << "the copy opened";
    EXPECT_NE(g_script.graph, gs);
    EXPECT_EQ(lstrcmpiA(Str('T').c_str(), copy.c_str()), 0) << Str('T');
    EXPECT_EQ(GraphWindows().size(), 2u);
    EXPECT_EQ(std::string(gs->filePath), file);
    // A copy over the graph's own file: the graph reads its samples where the new file has them.
    g_script.graph = gs;
    ASSERT_EQ(Run({"SAVECOPY \"" + lab + "\", \"\", KeepName, C"}), kScriptGoOn);
    EXPECT_EQ(Var('C'), 1.0);
    EXPECT_EQ(GetU32(ReadWholeFile(lab), 6), 2976u);
    EXPECT_EQ(std::string(gs->filePath), file);
    for (int i : {0, 8191, 8192, 19999}) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, i, 0, &v), 1) << i;
        EXPECT_EQ(v, i * (10.0 / 32768.0)) << i;
    }
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    EXPECT_EQ(ErrorDialogs(), 0);
}

// A path the lesson names is the file it gets, extension or none: the lesson finds the file it
// saved by the same name with CHECKFILE and OPEN, and SAVE writes the existing file it names.
TEST_F(ScriptWords, ALessonsSavePathIsUsedAsGivenSoTheLessonFindsItsFileAgain) {
    const std::string lab = InFolder("lab.acq"), noext = InFolder("noext"), plain = InFolder("plain");
    InFolder("noext.acq");
    InFolder("plain.acq");
    ASSERT_TRUE(WriteWholeFile(lab, BuildAcq(RichRecipe())));
    ASSERT_TRUE(WriteWholeFile(plain, Bytes{'o', 'l', 'd'}));
    BoxCapture boxes;
    ASSERT_EQ(Run({"OPEN \"lab.acq\", R"}), kScriptGoOn);
    tagGS* gs = g_script.graph;
    ASSERT_NE(gs, nullptr);
    ASSERT_EQ(Run({"SAVECOPY \"" + noext + "\", \"\", NoLock, C", "CHECKFILE \"" + noext + "\", K",
                   "OPEN \"" + noext + "\", O"}),
              kScriptGoOn);
    EXPECT_EQ(Var('C'), 1.0);
    EXPECT_EQ(Var('K'), 1.0) << "CHECKFILE finds the file just saved";
    EXPECT_EQ(Var('O'), 1.0) << "OPEN opens it";
    EXPECT_FALSE(Exists(noext + ".acq"));
    ASSERT_NE(g_script.graph, gs);
    for (int s = 0; s < kMaxChannels; ++s) EXPECT_EQ(g_script.graph->chanCount[s], gs->chanCount[s]) << s;
    // SAVE writes over the existing file it names.
    g_script.graph = gs;
    ASSERT_EQ(Run({"SAVE \"" + plain + "\", S"}), kScriptGoOn);
    EXPECT_EQ(Var('S'), 1.0);
    EXPECT_FALSE(Exists(plain + ".acq"));
    TestDoc doc;
    stGraphReadReport report{};
    const Bytes bytes = ReadWholeFile(plain);
    ASSERT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1);
    for (int s = 0; s < kMaxChannels; ++s) EXPECT_EQ(doc.gs->chanCount[s], gs->chanCount[s]) << s;
    EXPECT_EQ(lstrcmpiA(gs->title, plain.c_str()), 0) << gs->title;
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    EXPECT_EQ(ErrorDialogs(), 0);
}

// OPEN of a file a graph window already shows, under whatever title a lesson gave that graph:
// the lesson goes on with that graph (result 1, its title in the name variable), opens no second
// window, and its graph words act on it.
TEST_F(ScriptWords, OpenOfAFileARenamedGraphShowsMakesThatGraphCurrent) {
    const std::string small = InFolder("small.acq");
    ASSERT_TRUE(WriteWholeFile(small, BuildAcq(RichRecipe())));
    BoxCapture boxes;
    for (const std::string& spelling : {small, std::string("small.acq")}) {
        SCOPED_TRACE(spelling);
        ASSERT_EQ(Run({"OPEN \"" + small + "\", R", "RENAME \"Work\"", "OPEN \"" + spelling + "\", Q, N",
                       "RENAME \"Again\""}),
                  kScriptGoOn);
        EXPECT_EQ(Var('R'), 1.0);
        EXPECT_EQ(Var('Q'), 1.0);
        EXPECT_EQ(Str('N'), "Work");
        ASSERT_EQ(GraphWindows().size(), 1u);
        HWND w = GraphWindows()[0];
        ASSERT_NE(g_script.graph, nullptr);
        EXPECT_EQ(g_script.graph->hwnd, w);
        EXPECT_EQ(WindowText(w), "Again") << "the graph words act on it";
        EXPECT_EQ(reinterpret_cast<HWND>(SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, 0)), w);
        EXPECT_EQ(ErrorDialogs(), 0);
        ASSERT_EQ(Run({"CLOSEGRAPH"}), kScriptGoOn);
        ASSERT_TRUE(GraphWindows().empty());
    }
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
}

// After a copy of the renamed graph is saved and opened, the renamed graph is still found by its
// title, and OPEN of its own file goes back to it.
TEST_F(ScriptWords, ARenamedGraphIsFoundByItsTitleAfterItsCopyIsOpened) {
    const std::string small = InFolder("small.acq"), copy = InFolder("copy.acq");
    ASSERT_TRUE(WriteWholeFile(small, BuildAcq(RichRecipe())));
    BoxCapture boxes;
    ASSERT_EQ(Run({"OPEN \"" + small + "\", R", "RENAME \"Work\"", "SAVECOPY \"" + copy + "\", \"\", NoLock, C",
                   "OPEN \"" + copy + "\", Q", "SELECT WINDOW \"Work\"", "RENAME \"Found\"", "OPEN \"" + copy + "\", P",
                   "RENAME \"Copy\"", "OPEN \"" + small + "\", O", "RENAME \"Original\""}),
              kScriptGoOn);
    EXPECT_EQ(Var('C'), 1.0);
    EXPECT_EQ(Var('Q'), 1.0);
    EXPECT_EQ(Var('P'), 1.0);
    EXPECT_EQ(Var('O'), 1.0);
    EXPECT_EQ(ErrorDialogs(), 0) << LastError();
    std::vector<std::string> titles;
    for (HWND w : GraphWindows()) titles.push_back(WindowText(w));
    std::sort(titles.begin(), titles.end());
    EXPECT_EQ(titles, (std::vector<std::string>{"Copy", "Original"}));
    EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
}

// A name longer than a file name can be is refused with the reason, before anything is written,
// whether the lesson gave it as a literal or built it in a variable: never cut to another name.
TEST_F(ScriptWords, SaveAndSaveCopyRefuseANameTooLongForAFile) {
    const std::string lab = InFolder("lab.acq");
    ASSERT_TRUE(WriteWholeFile(lab, BuildAcq(RichRecipe())));
    ASSERT_EQ(Run({"OPEN \"lab.acq\", R"}), kScriptGoOn);
    tagGS* gs = g_script.graph;
    ASSERT_NE(gs, nullptr);
    const std::string title = gs->title;
    const std::string stem = folder + "\\" + std::string(300 - folder.size() - 5, 'n');
    const std::string name = stem + ".acq";
    ASSERT_EQ(name.size(), 300u);
    const std::string half = name.substr(0, 150), rest = name.substr(150);
    const struct {
        std::vector<std::string> lines;
        double result;
    } cases[] = {
        {{"SAVECOPY \"" + name + "\", \"\", LockName, R"}, 2.0},
        {{"SAVECOPY \"" + stem + "\", \"\", KeepName, R"}, 2.0},
        {{"F$ = \"" + half + "\" + \"" + rest + "\"", "SAVECOPY F$, \"\", KeepName, R"}, 2.0},
        {{"SAVE \"" + name + "\", R"}, 3.0},
        {{"F$ = \"" + half + "\" + \"" + rest + "\"", "SAVE F$, R"}, 3.0},
    };
    auto folderFiles = [&] {
        std::vector<std::string> names;
        WIN32_FIND_DATAA found;
        HANDLE find = FindFirstFileA((folder + "\\*").c_str(), &found);
        if (find == INVALID_HANDLE_VALUE) return names;
        do names.push_back(found.cFileName);
        while (FindNextFileA(find, &found));
        FindClose(find);
        return names;
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.lines.back().substr(0, 12));
        const std::vector<std::string> before = folderFiles();
        gs->modified = 1;
        g_script.variables['R' - 'A'] = 0;
        BoxCapture boxes;
        EXPECT_EQ(Run(c.lines), kScriptGoOn);
        EXPECT_EQ(Var('R'), c.result);
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_NE(boxes.boxes[0].text.find("too long"), std::string::npos) << boxes.boxes[0].text;
        std::vector<std::string> after = folderFiles();
        after.erase(std::remove(after.begin(), after.end(), kScriptName), after.end());
        std::vector<std::string> kept = before;
        kept.erase(std::remove(kept.begin(), kept.end(), kScriptName), kept.end());
        EXPECT_EQ(after, kept) << "nothing is written";
        EXPECT_EQ(std::string(gs->title), title);
        EXPECT_EQ(gs->modified, 1u);
    }
    // A name the lesson's strings hold whole saves as ever.
    InFolder("short.acq");
    ASSERT_EQ(Run({"F$ = \"" + folder + "\\sh\" + \"ort.acq\"", "SAVECOPY F$, \"\", KeepName, R"}), kScriptGoOn);
    EXPECT_EQ(Var('R'), 1.0);
    EXPECT_TRUE(Exists(folder + "\\short.acq"));
    EXPECT_EQ(ErrorDialogs(), 0);
}

// The user of a save dialog whose name is locked: sees the name it proposes, and presses Save.
struct LockedSave {
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG) {
            HWND common = GetParent(call->hwnd);
            HWND name = common ? GetDlgItem(common, 1148) : nullptr;
            if (name) {
                ++g_dialogs;
                g_nameEnabled = IsWindowEnabled(name) != FALSE;
                char text[MAX_PATH] = "";
                GetWindowTextA(name, text, sizeof text);
                g_shown = text;
                PostMessageA(common, WM_COMMAND, IDOK, 0);
            }
        }
        return CallNextHookEx(nullptr, code, wParam, lParam);
    }
    static inline int g_dialogs = 0;
    static inline bool g_nameEnabled = true;
    static inline std::string g_shown;
};

// SAVE "" of a graph named without an extension asks with the name locked; the file written is
// a graph file that File Open lists, under the name with the graph files' extension.
TEST_F(ScriptWords, SaveWithTheLockedNameWritesTheGraphUnderItsNameWithTheGraphExtension) {
    const std::string written = InFolder("Locked Two.acq");
    InFolder("Locked Two");
    ASSERT_EQ(Run({"NEW \"Locked Two\""}), kScriptGoOn);
    tagGS* gs = g_script.graph;
    ASSERT_NE(gs, nullptr);
    gs->modified = 1;
    LockedSave::g_dialogs = 0;
    HHOOK hook = SetWindowsHookExA(WH_CALLWNDPROCRET, LockedSave::Hook, nullptr, GetCurrentThreadId());
    {
        BoxCapture boxes;
        boxes.caption = g_app->szAppTitle;
        EXPECT_EQ(Run({"SAVE \"\", R"}), kScriptGoOn);
        EXPECT_TRUE(boxes.boxes.empty()) << boxes.boxes.front().text;
    }
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(LockedSave::g_dialogs, 1);
    EXPECT_FALSE(LockedSave::g_nameEnabled);
    EXPECT_EQ(LockedSave::g_shown, "Locked Two");
    EXPECT_EQ(Var('R'), 1.0);
    EXPECT_FALSE(Exists(folder + "\\Locked Two"));
    const Bytes bytes = ReadWholeFile(written);
    ASSERT_GT(bytes.size(), 3000u) << written;
    TestDoc doc;
    stGraphReadReport report{};
    EXPECT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1);
    EXPECT_EQ(lstrcmpiA(gs->title, written.c_str()), 0) << gs->title;
    EXPECT_EQ(WindowText(gs->hwnd), gs->title);
    EXPECT_EQ(gs->modified, 0u);
}

// Journal text and variable files are written whole or not at all: a write that fails (the disk
// fills up) keeps the file that was there, leaves no partial file under a new name, and tells the
// user which file and why, in the words and the program title that File > Save uses; a folder
// that is not there is told as Save tells it. The words report the failure.
TEST_F(ScriptWords, AJournalOrVariableFileThatCannotBeWrittenKeepsTheOldFileAndTellsWhy) {
    const std::string lab = InFolder("lab.acq");
    ASSERT_TRUE(WriteWholeFile(lab, BuildAcq(RichRecipe())));
    ASSERT_EQ(Run({"OPEN \"lab.acq\", R", "JOURNAL NEW", "JOURNAL WRITE \"new text\""}), kScriptGoOn);
    const Bytes old(20 * 1024, 'j');
    struct Case {
        const char* word;  // the word, before its file's name and V for its result
        double failed;     // V after the failure
    } cases[] = {
        {"JOURNAL SAVE", 0.0},
        {"SAVELVARS", 3.0},
    };
    for (const Case& c : cases) {
        const struct {
            const char* file;
            bool exists;
            DWORD failure;
            const char* cause;
        } writes[] = {
            {"kept.txt", true, ERROR_DISK_FULL, "Not enough disk space to save data"},
            {"fresh.txt", false, ERROR_DISK_FULL, "Not enough disk space to save data"},
            {"gone\\x.txt", false, 0, "The folder to save in cannot be found."},
        };
        for (const auto& w : writes) {
            const std::string line = std::string(c.word) + " \"" + w.file + "\", V";
            SCOPED_TRACE(line + (w.exists ? " over a file" : ""));
            const std::string path = InFolder(w.file);
            DeleteFileA(path.c_str());
            if (w.exists) {
                ASSERT_TRUE(WriteWholeFile(path, old));
            }
            BoxCapture boxes;
            SetFileWriteFailureForTests(w.failure);
            EXPECT_EQ(Run({line}), kScriptGoOn);
            SetFileWriteFailureForTests(0);
            EXPECT_EQ(Var('V'), c.failed);
            if (w.exists)
                EXPECT_EQ(ReadWholeFile(path), old);
            else
                EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES);
            ASSERT_EQ(boxes.boxes.size(), 1u);
            EXPECT_EQ(boxes.boxes[0].text, std::string(w.cause) + "\n" + w.file);
            EXPECT_EQ(boxes.boxes[0].caption, g_app->szAppTitle);
            if (w.failure) {
                // With room again the same word writes the file.
                EXPECT_EQ(Run({line}), kScriptGoOn);
                EXPECT_EQ(Var('V'), 1.0);
                EXPECT_NE(ReadWholeFile(path), old);
            }
        }
    }
    EXPECT_EQ(GetFileAttributesA(InFolder("gone").c_str()), INVALID_FILE_ATTRIBUTES);
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "\\ACQ*.TMP").c_str(), &found);
    EXPECT_EQ(find, INVALID_HANDLE_VALUE) << "no temporary file is left: " << found.cFileName;
    if (find != INVALID_HANDLE_VALUE) FindClose(find);
    EXPECT_EQ(ErrorDialogs(), 0);
}

// A graph file or text file the reader refuses is reported through the result alone: no box
// holds up the lesson, and no window is left behind.
TEST_F(ScriptWords, OpenOfAFileTheReaderRefusesReportsTwoWithoutABox) {
    const struct {
        const char* name;
        Bytes bytes;
    } cases[] = {
        {"broken.acq", Bytes(64, 0xEE)},
        {"letters.txt", Bytes{'1', '\t', '2', '\r', '\n', '3', '\t', 'x', '\r', '\n'}},
        {"first.txt", Bytes{'a', 'b', 'c', '\r', '\n'}},
        {"empty.txt", Bytes{}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(WriteWholeFile(InFolder(c.name), c.bytes));
        const size_t graphs = GraphWindows().size();
        BoxCapture boxes;
        ResetErrorDialogs();
        EXPECT_EQ(Run({std::string("OPEN \"") + c.name + "\", R, N"}), kScriptGoOn);
        PumpMessages();
        EXPECT_EQ(Var('R'), 2.0);
        EXPECT_EQ(Str('N'), "");
        EXPECT_EQ(g_script.graph, nullptr);
        EXPECT_EQ(GraphWindows().size(), graphs);
        EXPECT_EQ(ErrorDialogs(), 0);
        for (const auto& box : boxes.boxes) ADD_FAILURE() << "a box: " << box.text;
    }
}

TEST_F(ScriptWords, OpenWithoutANameAsksForTheFileAndACancelReportsTwo) {
    const std::string file = InFolder("chosen.acq");
    ASSERT_TRUE(WriteWholeFile(file, BuildAcq(RichRecipe())));
    g_answers.typed = "";
    EXPECT_EQ(Run({"OPEN \"\", R, N, \"" + folder + "\""}), kScriptGoOn);
    EXPECT_EQ(g_answers.calls, 1);
    EXPECT_EQ(g_answers.initialText, folder) << "the initial folder follows the two variables";
    EXPECT_EQ(Var('R'), 2.0);

    g_answers = stAnswers{};
    g_answers.typed = "chosen.acq";
    EXPECT_EQ(Run({"OPEN \"\", R, N"}), kScriptGoOn);
    EXPECT_EQ(Var('R'), 1.0);
    EXPECT_NE(Str('N').find("chosen.acq"), std::string::npos);
}

TEST_F(ScriptWords, CloseAllGraphsClosesEveryCleanGraphAndAllowsClosingAgain) {
    ASSERT_EQ(Run({"NEW \"One\"", "NEW \"Two\""}), kScriptGoOn);
    ASSERT_GE(GraphWindows().size(), 2u);
    g_script.permissions[kPermCloseWindow] = 0;
    EXPECT_EQ(Run({"CLOSEALLGRAPHS"}), kScriptGoOn);
    PumpMessages();
    EXPECT_TRUE(GraphWindows().empty());
    EXPECT_EQ(g_script.permissions[kPermCloseWindow], 1);
    EXPECT_TRUE(IsWindowVisible(g_app->hwndClient));
    EXPECT_EQ(g_script.graph, nullptr);
}

TEST_F(ScriptWords, CloseAllGraphsAsksAboutUnsavedGraphsAndACancelStopsTheClosing) {
    struct {
        UINT answer;
        size_t questions;
        bool closed;
    } const cases[] = {{IDNO, 2, true}, {IDCANCEL, 1, false}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.answer);
        ASSERT_EQ(Run({"CLOSEALLGRAPHS", "NEW \"One\"", "NEW \"Two\""}), kScriptGoOn);
        PumpMessages();
        ASSERT_EQ(GraphWindows().size(), 2u);
        for (HWND w : GraphWindows()) GetWindowGraph(w)->modified = 1;
        g_script.savePromptEnabled = 1;
        BoxCapture boxes;
        boxes.answer = c.answer;
        EXPECT_EQ(Run({"CLOSEALLGRAPHS"}), kScriptGoOn);
        PumpMessages();
        EXPECT_EQ(boxes.boxes.size(), c.questions);
        EXPECT_EQ(GraphWindows().empty(), c.closed);
        EXPECT_EQ(g_script.closeCancelled, c.closed ? 0 : 1);
        EXPECT_TRUE(IsWindowVisible(g_app->hwndClient)) << "the graphs' area is shown again";
        for (HWND w : GraphWindows()) GetWindowGraph(w)->modified = 0;
        g_script.savePromptEnabled = 0;
    }
}

// ---- Prompts, input and choices ----

TEST_F(ScriptWords, PromptStoresThePressedButtonAndStopsWhenClosed) {
    struct {
        int button;
        double stored;
        int16_t result;
        int errorDialogs;
    } const cases[] = {{1, 1, kScriptGoOn, 0}, {3, 3, kScriptGoOn, 0}, {-1, -1, kScriptStop, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.button);
        g_answers = stAnswers{};
        g_answers.button = c.button;
        ResetErrorDialogs();
        AssignScriptNumericVariable(nullptr, "Z", -99.0);
        EXPECT_EQ(Run({"PROMPT \"Ready?\", \"Yes\", \"\", \"Show VarsBrowser\", P", "Z = 1"}), c.result);
        EXPECT_EQ(g_answers.message, "Ready?");
        EXPECT_EQ(g_answers.text1, "Yes");
        EXPECT_EQ(g_answers.text2, "");
        EXPECT_EQ(g_answers.text3, "Show VarsBrowser");
        EXPECT_EQ(Var('P'), c.stored);
        EXPECT_EQ(ErrorDialogs(), c.errorDialogs);
        EXPECT_EQ(Var('Z'), c.result == kScriptGoOn ? 1.0 : -99.0);
    }
}

TEST_F(ScriptWords, GetNumberStartsFromTheVariableAndReadsTheTextBack) {
    struct {
        const char* what;
        int answer;
        const char* typed;
        double number, result;
        int16_t run;
    } const cases[] = {
        {"OK with a typed number", 0, "2.5", 2.5, 0, kScriptGoOn},
        {"Cancel keeps the value as formatted", 1, "", 3.141592654, 1, kScriptGoOn},
        {"a dialog that did not open", -1, "", 3.14159265358979, -1, kScriptStop},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        g_answers = stAnswers{};
        g_answers.numberAnswer = c.answer;
        g_answers.typed = c.typed;
        ResetErrorDialogs();
        AssignScriptNumericVariable(nullptr, "X", 3.14159265358979);
        AssignScriptNumericVariable(nullptr, "Z", -99.0);
        EXPECT_EQ(Run({"GETNUMBER \"How long?\", \"seconds\", X, R", "Z = 1"}), c.run);
        EXPECT_EQ(g_answers.message, "How long?");
        EXPECT_EQ(g_answers.text1, "seconds");
        EXPECT_EQ(g_answers.initialText, "3.141592654");
        EXPECT_DOUBLE_EQ(Var('X'), c.number);
        EXPECT_EQ(Var('R'), c.result);
        EXPECT_EQ(ErrorDialogs(), 0);
        EXPECT_EQ(Var('Z'), c.run == kScriptStop ? -99.0 : 1.0);
    }
}

TEST_F(ScriptWords, TheWaitCursorIsOffWhileADialogIsUpAndPromptLeavesItOff) {
    ASSERT_TRUE(Load({"GETNUMBER \"a\", \"b\", X, R", "PROMPT \"p\", \"Yes\", \"\", \"\", P",
                      "GETNUMBER \"a\", \"b\", X, R"}));
    g_waitCounts.clear();
    SetWaitCursor(1);  // a wait cursor of the caller's, under the run's own
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Main", 1), kScriptGoOn);
    EXPECT_EQ(g_waitCounts, (std::vector<int>{1, 1, 0}));
    EXPECT_EQ(WaitCursorDepth(), 0);

    // Without the run's wait cursor the dialogs leave the count alone.
    SetWaitCursor(1);
    g_waitCounts.clear();
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Main", 0), kScriptGoOn);
    EXPECT_EQ(g_waitCounts, (std::vector<int>{1, 1, 1}));
    SetWaitCursor(0);
}

TEST_F(ScriptWords, GetNumberIntoALocalAndAMacroVariable) {
    g_answers.typed = "7";
    EXPECT_EQ(Run({"GETNUMBER \"a\", \"b\", k, R", "K = k", "GETNUMBER \"a\", \"b\", M#, R"}), kScriptGoOn);
    EXPECT_EQ(Var('K'), 7.0);
    double macro = 0.0;
    GetScriptNumericVariable(nullptr, 'M', &macro, 1);
    EXPECT_EQ(macro, 7.0);
    EXPECT_EQ(Var('M'), -99.0) << "the application variable M is another variable";
}

TEST_F(ScriptWords, GetStringFillsTheStringVariable) {
    AssignScriptStringVariable('N' - 'A', "before", 0);
    g_answers.typed = "Ada";
    EXPECT_EQ(Run({"GETSTRING \"Your name?\", N$, R", "GETSTRINGLENGTH N$, L"}), kScriptGoOn);
    EXPECT_EQ(g_answers.initialText, "before");
    EXPECT_EQ(Str('N'), "Ada");
    EXPECT_EQ(Var('R'), 0.0);
    EXPECT_EQ(Var('L'), 3.0);

    g_answers.typed = "lesson own";
    EXPECT_EQ(Run({"GETSTRING \"Note\", Q@, R"}), kScriptGoOn);
    EXPECT_STREQ(g_script.macroStrings['Q' - 'A'], "lesson own");
}

TEST_F(ScriptWords, GetStringRefusesAVariableThatIsNoStringVariable) {
    for (const char* var : {"n$", "N", "N#", "NN$"}) {
        SCOPED_TRACE(var);
        g_answers = stAnswers{};
        ResetErrorDialogs();
        EXPECT_EQ(Run({std::string("GETSTRING \"Name\", ") + var + ", R"}), kScriptStop);
        EXPECT_EQ(ErrorDialogs(), 1);
        EXPECT_EQ(g_answers.calls, 0) << "no dialog for a bad variable";
        EXPECT_EQ(Var('R'), -99.0);
    }
    g_answers = stAnswers{};
    g_answers.textAnswer = -1;
    ResetErrorDialogs();
    EXPECT_EQ(Run({"GETSTRING \"Name\", N$, R", "Z = 1"}), kScriptEntryFailed);
    EXPECT_EQ(Var('R'), -1.0);
    EXPECT_EQ(Var('Z'), -99.0);
}

TEST_F(ScriptWords, ChooseItemOffersUpToFiftyItemsAndStoresTheChoice) {
    AssignScriptNumericVariable(nullptr, "S", 3.0);
    AssignScriptNumericVariable(nullptr, "C", 3.0);
    g_answers.chosen = 1;
    EXPECT_EQ(Run({"CHOOSEITEM \"Pick one\", S, C, 1, \"Red\", \"Green\", \"Blue\""}), kScriptGoOn);
    EXPECT_EQ(g_answers.items, (std::vector<std::string>{"Red", "Green", "Blue"}));
    EXPECT_EQ(g_answers.message, "Pick one");
    EXPECT_EQ(g_answers.initialIndex, 2);
    EXPECT_EQ(g_answers.mode, 1);
    EXPECT_EQ(Var('S'), 2.0);
    EXPECT_EQ(Var('C'), 0.0);

    // 60 items named: the first 50 are offered; a selection past them starts at the last.
    std::string line = "CHOOSEITEM \"Many\", S, C, 0";
    for (int i = 1; i <= 60; ++i) line += ", \"I" + std::to_string(i) + "\"";
    g_answers = stAnswers{};
    g_answers.chosen = -1;
    AssignScriptNumericVariable(nullptr, "S", 70.0);
    AssignScriptNumericVariable(nullptr, "C", 60.0);
    EXPECT_EQ(Run({line}), kScriptGoOn);
    ASSERT_EQ(g_answers.items.size(), 50u);
    EXPECT_EQ(g_answers.items.back(), "I50");
    EXPECT_EQ(g_answers.initialIndex, 49);
    EXPECT_EQ(Var('S'), 0.0) << "Cancel";
    EXPECT_EQ(Var('C'), -1.0);

    // A selection however far past the items starts at the last; one however far below them
    // stays below them (the dialog then starts at the first).
    const struct {
        double selection;
        int initial;
    } starts[] = {{0, -1}, {-5, -6}, {-1E12, INT32_MIN}, {-2147483649.0, INT32_MIN}, {1E12, 49}, {4294967297.0, 49}};
    for (const auto& c : starts) {
        SCOPED_TRACE(c.selection);
        g_answers = stAnswers{};
        AssignScriptNumericVariable(nullptr, "S", c.selection);
        AssignScriptNumericVariable(nullptr, "C", 3.0);
        EXPECT_EQ(Run({"CHOOSEITEM \"Pick\", S, C, 1E12, \"Red\", \"Green\", \"Blue\""}), kScriptGoOn);
        EXPECT_EQ(g_answers.initialIndex, c.initial);
        EXPECT_NE(g_answers.mode, 0) << "a mode past the range still allows Cancel";
    }
}

TEST_F(ScriptWords, ChooseItemWithACountOfZeroShowsNothingAndChangesNothing) {
    AssignScriptNumericVariable(nullptr, "S", 2.0);
    AssignScriptNumericVariable(nullptr, "C", 0.0);
    EXPECT_EQ(Run({"CHOOSEITEM \"Pick\", S, C, 1, \"Red\""}), kScriptGoOn);
    EXPECT_EQ(g_answers.calls, 0);
    EXPECT_EQ(Var('S'), 2.0);
    EXPECT_EQ(Var('C'), 0.0);
}

TEST_F(ScriptWords, ChooseLessonQuitStopsTheRunAndKeepsTheScript) {
    g_answers.lessonAnswer = 0;
    EXPECT_EQ(Run({"CHOOSELESSON ONE TWO", "Z = 1"}), kScriptLessonCancelled);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(Var('Z'), -99.0);
    EXPECT_NE(FindScriptSubroutine(LoadedScript(), "Main"), nullptr) << "the script stays loaded";
}

TEST_F(ScriptWords, ChooseLessonOpensTheChosenLessonFromItsFolderAndEndsTheOldRun) {
    // Lessons\Next\next.txt below the program folder, with an OnOpenFile of its own.
    InFolder("Lessons");
    InFolder("Lessons\\Next");
    const std::string lesson = InFolder("Lessons\\Next\\next.txt");
    CreateDirectoryA((folder + "\\Lessons").c_str(), nullptr);
    CreateDirectoryA((folder + "\\Lessons\\Next").c_str(), nullptr);
    const std::string text = "Next lesson\r\nOnOpenFile\r\nW = 5\r\nEND\r\n";
    ASSERT_TRUE(WriteWholeFile(lesson, Bytes(text.begin(), text.end())));
    g_answers.lessonAnswer = 1;
    g_answers.lessonPath = "Next\\next.txt";
    EXPECT_EQ(Run({"CHOOSELESSON", "Z = 1"}), kScriptReplaced);
    EXPECT_EQ(Var('Z'), -99.0) << "the old run ends";
    EXPECT_EQ(Var('W'), 5.0) << "the chosen lesson opened and ran";
    EXPECT_EQ(FindScriptSubroutine(LoadedScript(), "Main"), nullptr);
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(lstrcmpiA(current, (folder + "\\Lessons\\Next").c_str()), 0) << current;
}

TEST_F(ScriptWords, SetLessonTitleOfAnUnknownLessonSaysSoAndLeavesTheMenu) {
    BoxCapture boxes;
    HMENU bar = GetMenu(g_app->hwndFrame);
    const int itemsBefore = bar ? GetMenuItemCount(bar) : 0;
    EXPECT_EQ(Run({"SetLessonTitle \"No such lesson\", \"Renamed\"", "Z = 1"}), kScriptGoOn);
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].caption, "Wrong Parameter");
    EXPECT_EQ(boxes.boxes[0].text, "There is no Lesson with a name:No such lesson.");
    EXPECT_EQ(Var('Z'), 1.0);
    EXPECT_EQ(bar ? GetMenuItemCount(bar) : 0, itemsBefore);
}

TEST_F(ScriptWords, SetLessonTitleRenamesTheLessonInTheLessonsMenuAndTheLessonList) {
    InFolder("Lessons");
    const std::string lessonDir = InFolder("Lessons\\Heart");
    CreateDirectoryA((folder + "\\Lessons").c_str(), nullptr);
    CreateDirectoryA(lessonDir.c_str(), nullptr);
    ASSERT_TRUE(FillUpLessonDescriptions((folder + "\\Lessons").c_str()));
    const std::string working = lessonDir + "\\Heart";
    ASSERT_STREQ(GetDisplayNameByWorkingName(working.c_str()), "Heart");

    // The frame's Lessons pop-up with the lesson's entry, as the menu is built at start-up.
    HMENU bar = GetMenu(g_app->hwndFrame);
    ASSERT_TRUE(bar);
    constexpr UINT kEntry = 30001;
    HMENU lessons = nullptr;
    char text[64];
    for (int i = 0; i < GetMenuItemCount(bar) && !lessons; ++i)
        if (GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION) && lstrcmpiA(text, GetMenuStrKey(10000)) == 0)
            lessons = GetSubMenu(bar, i);
    if (!lessons) {
        lessons = CreatePopupMenu();
        AppendMenuA(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(lessons), GetMenuStrKey(10000));
    }
    AppendMenuA(lessons, MF_STRING, kEntry, "Heart");

    BoxCapture boxes;
    EXPECT_EQ(Run({"SetLessonTitle \"HEART\", \"Heart and lungs\""}), kScriptGoOn);
    EXPECT_TRUE(boxes.boxes.empty());
    GetMenuStringA(lessons, kEntry, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "Heart and lungs") << "the same entry, renamed";
    EXPECT_STREQ(GetDisplayNameByWorkingName(working.c_str()), "Heart and lungs");
    EXPECT_EQ(ErrorDialogs(), 0);
}

// ---- The system and the frame menu ----

TEST_F(ScriptWords, SystemQueriesFillTheirVariables) {
    const std::string section = "KymoraWords" + std::to_string(GetCurrentProcessId());
    ASSERT_TRUE(WriteProfileStringA(section.c_str(), "Colour", "Blue"));
    const int16_t result = Run({
        "GETPREFSTRING \"" + section + "\", \"Colour\", C$",
        "GETPREFSTRING \"" + section + "\", \"Missing\", M",
        "GETPREFNUMBER \"any\", \"LineFrequency\", F",
        "GETPREFNUMBER \"any\", \"linefrequency\", G",
        "GETPREFNUMBER \"any\", \"Language\", L",
        "GETPREFNUMBER \"any\", \"Other\", O",
        "GETFREEMEMORY R",
        "GETFREEDISK D",
        "BEEP",
        "Z = 1",
    });
    WriteProfileStringA(section.c_str(), nullptr, nullptr);
    EXPECT_EQ(result, kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(Str('C'), "Blue");
    EXPECT_EQ(Str('M'), "60Hz") << "a missing key reads as the mains default";
    EXPECT_EQ(Var('F'), static_cast<double>(GetLineFrequencyHz()));
    EXPECT_EQ(Var('G'), -99.0) << "the key is compared exactly";
    EXPECT_EQ(Var('L'), 0.0);
    EXPECT_EQ(Var('O'), -99.0);
    // The memory figure is a tenth of the installed memory, held to a 32-bit signed number.
    EXPECT_EQ(Var('R'), std::min(GetFreeMemory(), static_cast<double>(INT32_MAX)));
    EXPECT_GT(Var('D'), 0.0);
    EXPECT_EQ(Var('Z'), 1.0);
}

TEST_F(ScriptWords, GetPrefStringIntoALowerCaseVariableShowsTheErrorDialog) {
    EXPECT_EQ(Run({"GETPREFSTRING \"s\", \"k\", c$", "Z = 1"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(Var('Z'), -99.0);
}

TEST_F(ScriptWords, VendorWordsWithoutAnAdapterStoreZero) {
    _LNX200_VENDOR_INFO info{};
    if (GetVendorInfo(&info)) GTEST_SKIP() << "an adapter answers here";
    EXPECT_EQ(Run({"GETVID V", "GETPID P", "GETDID D"}), kScriptGoOn);
    for (char c : {'V', 'P', 'D'}) EXPECT_EQ(Var(c), 0.0) << c;
}

// The position of the top-level pop-up with that text, -1 when there is none.
int TopLevelPosition(HMENU bar, const char* text) {
    char item[64];
    for (int i = 0; i < GetMenuItemCount(bar); ++i)
        if (GetMenuStringA(bar, i, item, sizeof item, MF_BYPOSITION) && std::strcmp(item, text) == 0) return i;
    return -1;
}

TEST_F(ScriptWords, MenuWordsChangeTheEntriesTheLessonsMenuIdsName) {
    HMENU menu = g_app->frame.hmenuFrame;
    ASSERT_TRUE(menu);
    ASSERT_GE(TopLevelPosition(menu, "&File"), 0);
    ASSERT_GE(TopLevelPosition(menu, "&Display"), 0);
    ASSERT_NE(GetMenuState(menu, IDM_FILE_NEW, MF_BYCOMMAND), static_cast<UINT>(-1));
    ASSERT_NE(GetMenuState(menu, IDM_FILE_OPEN, MF_BYCOMMAND), static_cast<UINT>(-1));
    EnableMenuItem(menu, IDM_FILE_NEW, MF_BYCOMMAND | MF_GRAYED);
    const int topLevel = GetMenuItemCount(menu);

    EXPECT_EQ(Run({
                  "CHANGEMENU 1001, \"Fi&les\"",    // the File pop-up
                  "CHANGEMENU 1100, \"New lab\"",   // File New
                  "REMOVEMENU 1101",                 // File Open
                  "REMOVEMENU 9999",                 // names nothing
                  "CHANGEPOPUPMENU 1700, \"Stimulator\", \"Pulses\"",
              }),
              kScriptGoOn);
    EXPECT_EQ(ErrorDialogs(), 0);
    EXPECT_EQ(TopLevelPosition(menu, "&File"), -1);
    EXPECT_GE(TopLevelPosition(menu, "Fi&les"), 0);
    EXPECT_STREQ(GetMenuStrKey(1001), "Fi&les") << "the new text is the pop-up's key";
    char text[64] = "";
    GetMenuStringA(menu, IDM_FILE_NEW, text, sizeof text, MF_BYCOMMAND);
    EXPECT_STREQ(text, "New lab");
    EXPECT_TRUE(GetMenuState(menu, IDM_FILE_NEW, MF_BYCOMMAND) & MF_GRAYED) << "a renamed entry keeps its state";
    EXPECT_EQ(GetMenuState(menu, IDM_FILE_OPEN, MF_BYCOMMAND), static_cast<UINT>(-1)) << "the entry is gone";
    EXPECT_EQ(GetMenuItemCount(menu), topLevel);
    const char* popupText = GetPopupMenuItemName(1700, "Stimulator");
    ASSERT_NE(popupText, nullptr);
    EXPECT_STREQ(popupText, "Pulses");

    // The renamed pop-up is still found by its id, through the text kept for it.
    EXPECT_EQ(Run({"REMOVEMENU 1001", "REMOVEMENU 1004"}), kScriptGoOn);
    EXPECT_EQ(TopLevelPosition(menu, "Fi&les"), -1);
    EXPECT_EQ(TopLevelPosition(menu, "&Display"), -1);
    EXPECT_EQ(GetMenuItemCount(menu), topLevel - 2);
    SetMenuStrKey(1001, "&File");
}

TEST_F(ScriptWords, AppExitAsksTheFrameToClose) {
    HWND frame = g_app->hwndFrame;
    EXPECT_EQ(Run({"APPEXIT"}), kScriptGoOn);
    PumpMessages();
    EXPECT_FALSE(IsWindow(frame));
}

// ---- Subroutines that call one another without end ----

// The prompt dialogs this thread shows, seen as they become active; each one gets the action.
struct PromptWatch {
    static HHOOK hook;
    static std::vector<HWND> seen;
    static std::string message;
    static void (*act)(HWND dialog);
    static LRESULT CALLBACK Cbt(int code, WPARAM wParam, LPARAM lParam) {
        HWND w = reinterpret_cast<HWND>(wParam);
        char cls[16] = "";
        if (code == HCBT_ACTIVATE && GetClassNameA(w, cls, sizeof cls) && std::strcmp(cls, "#32770") == 0 &&
            GetDlgItem(w, IDC_PROMPT_MESSAGE) && std::find(seen.begin(), seen.end(), w) == seen.end()) {
            seen.push_back(w);
            message = WindowText(GetDlgItem(w, IDC_PROMPT_MESSAGE));
            act(w);
        }
        return CallNextHookEx(hook, code, wParam, lParam);
    }
};
HHOOK PromptWatch::hook = nullptr;
std::vector<HWND> PromptWatch::seen;
std::string PromptWatch::message;
void (*PromptWatch::act)(HWND) = nullptr;

// The real question box, asked once at the depth where the subroutines went too deep; its one
// answer, or the frame closed from outside while it is up, ends the whole lesson. Closing the
// frame ends the program too: the frame is gone and the loop's quit message waits.
TEST_F(ScriptWords, ARunawayRecursionAsksOnceAndItsAnswerOrAClosedFrameEndsTheLesson) {
    struct Case {
        const char* what;
        void (*act)(HWND dialog);
        bool frameCloses;
    };
    const Case cases[] = {
        {"the button clicked",
         [](HWND d) { PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(d, IDOK))); },
         false},
        {"Esc pressed", [](HWND d) { PostMessageA(d, WM_COMMAND, IDCANCEL, 0); }, false},
        {"the frame closed from outside", [](HWND) { PostMessageA(g_app->hwndFrame, WM_CLOSE, 0, 0); }, true},
    };
    // Two calls a level: answering each level in turn would take 2^200 answers.
    const std::vector<std::string> lesson = {"CALL \"Rec\"", "A = 1", "END", "Rec", "N = N + 1", "CALL \"Rec\"",
                                             "CALL \"Rec\""};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ASSERT_TRUE(IsWindow(g_app->hwndFrame)) << "the frame is closed by the last case only";
        SetScriptErrorHook(nullptr);
        HWND frame = g_app->hwndFrame;
        AssignScriptNumericVariable(nullptr, "A", 0.0);
        AssignScriptNumericVariable(nullptr, "N", 0.0);
        PromptWatch::seen.clear();
        PromptWatch::act = c.act;
        PromptWatch::hook = SetWindowsHookExA(WH_CBT, PromptWatch::Cbt, nullptr, GetCurrentThreadId());
        ASSERT_TRUE(PromptWatch::hook);
        const int16_t result = Run(lesson);
        UnhookWindowsHookEx(PromptWatch::hook);
        EXPECT_EQ(result, kScriptHalted);
        EXPECT_EQ(PromptWatch::seen.size(), 1u) << "asked once";
        EXPECT_NE(PromptWatch::message.find("too deeply"), std::string::npos) << PromptWatch::message;
        EXPECT_NE(PromptWatch::message.find("LINE: CALL \"Rec\""), std::string::npos) << PromptWatch::message;
        EXPECT_EQ(Var('A'), 0) << "the caller did not go on";
        EXPECT_GT(Var('N'), 50);
        EXPECT_EQ(GetScriptNestingDepth(), 0);
        for (HWND d : PromptWatch::seen) EXPECT_FALSE(IsWindow(d)) << "no dialog is left, shown or hidden";
        EXPECT_EQ(IsWindow(frame) == FALSE, c.frameCloses);
        MSG msg;
        EXPECT_EQ(PeekMessageA(&msg, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE) != FALSE, c.frameCloses)
            << "the program's loop ends";
    }
}

// ---- The device library ----

TEST_F(ScriptWords, DeviceLinesReachTheLibraryWithTheVariablesFrameAndDocument) {
    ASSERT_TRUE(g_app->hAcq);
    const auto saved = DeviceBindingForTests().driverOps.execDriverScriptLine;
    DeviceBindingForTests().driverOps.execDriverScriptLine = RecordDeviceLine;
    g_script.graph = GetWindowGraph(g_app->hwndActiveGraph);
    struct {
        const char* word;
        int32_t library;
        int16_t run;
        int errorDialogs;
        double after;  // Z after the line that follows
    } const cases[] = {
        {"VK40", 1, kScriptGoOn, 0, 1},
        {"LNX2W", 1, kScriptGoOn, 0, 1},
        {"VK40", 0, kScriptStop, 1, -99},
        {"LNX2W", 2, kScriptHalted, 0, -99},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::string(c.word) + " answered " + std::to_string(c.library));
        g_device = stDeviceLine{};
        g_device.result = c.library;
        ResetErrorDialogs();
        AssignScriptNumericVariable(nullptr, "Z", -99.0);
        const std::string line = std::string(c.word) + " SETRATE 4*5";
        EXPECT_EQ(Run({line, "Y = b", "Z = 1"}), c.run);
        EXPECT_EQ(g_device.calls, 1);
        EXPECT_EQ(g_device.text, line);
        EXPECT_EQ(g_device.variables, g_script.variables);
        EXPECT_NE(g_device.frame, nullptr);
        EXPECT_EQ(g_device.document, g_script.graph);
        EXPECT_EQ(ErrorDialogs(), c.errorDialogs);
        EXPECT_EQ(Var('Z'), c.after);
        if (c.run == kScriptGoOn) {
            EXPECT_EQ(Var('Y'), 20.0) << "the library wrote a local of the running subroutine";
        }
    }
    DeviceBindingForTests().driverOps.execDriverScriptLine = saved;
}

TEST_F(ScriptWords, ADeviceLineWithoutTheLibraryShowsTheErrorDialog) {
    const auto saved = DeviceBindingForTests().driverOps.execDriverScriptLine;
    DeviceBindingForTests().driverOps.execDriverScriptLine = nullptr;
    EXPECT_EQ(Run({"VK40 START", "Z = 1"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(Var('Z'), -99.0);
    DeviceBindingForTests().driverOps.execDriverScriptLine = saved;

    const HGLOBAL acq = g_app->hAcq;
    g_app->hAcq = nullptr;
    ResetErrorDialogs();
    EXPECT_EQ(Run({"LNX2W RESET", "Z = 1"}), kScriptStop);
    g_app->hAcq = acq;
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(Var('Z'), -99.0);
}

TEST_F(ScriptWords, PlayBackAssignsATextFileToTheAttachedGraph) {
    tagGS* attached = nullptr;
    {
        AcqLock acq(g_app->hAcq);
        ASSERT_TRUE(acq);
        attached = acq->run.attachedGraph;
    }
    if (!attached) GTEST_SKIP() << "no graph is attached without a unit";
    const std::string data = InFolder("source.txt");
    const std::string rows = "1\t2\t\r\n3\t4\t\r\n";
    ASSERT_TRUE(WriteWholeFile(data, Bytes(rows.begin(), rows.end())));
    AssignScriptStringVariable('G' - 'A', attached->title, 0);
    EXPECT_EQ(Run({"PlayBack Assign R$ G$ \"source.txt\""}), kScriptGoOn);
    EXPECT_EQ(Str('R'), "Success");
    CSourceNavigator* nav = SrcNavFindNavigator(attached->title);
    ASSERT_NE(nav, nullptr);
    EXPECT_EQ(nav->GetRows(), 2u);
    EXPECT_EQ(ErrorDialogs(), 0);

    EXPECT_EQ(Run({"PlayBack Assign R$ G$ \"source.txt\"", "Z = 1"}), kScriptStop);
    EXPECT_EQ(ErrorDialogs(), 1);
    EXPECT_EQ(Str('R'), "Graph with such name already has assigned data file.");
    EXPECT_EQ(Var('Z'), -99.0);
    SrcNavRelease(attached->title);
}

// ---- Bad fields ----

TEST_F(ScriptWords, ABadFieldShowsTheErrorDialogOnceAndTheWordChangesNothing) {
    const std::string doomed = InFolder("doomed.txt");
    const std::string lab = InFolder("lab.acq");
    InFolder("made2");
    ASSERT_TRUE(WriteWholeFile(doomed, Bytes{'x'}));
    ASSERT_TRUE(WriteWholeFile(lab, BuildAcq(RichRecipe())));
    HMENU menu = g_app->frame.hmenuFrame;
    char newText[64] = "";
    GetMenuStringA(menu, IDM_FILE_NEW, newText, sizeof newText, MF_BYCOMMAND);
    const size_t graphs = GraphWindows().size();
    const char* const lines[] = {
        "CHECKFILE \"doomed.txt, A",             // an unterminated literal
        "CHECKFILE \"doomed.txt\", 5",           // no variable
        "DELETE \"doomed.txt\", 1A",
        "DELETE LEFT$(\"doomed.txt\", 2+), A",  // an expression error inside a function
        "NEWFOLDER \"made2\", A$",
        "NEWFOLDER \"made2\", AB",
        "NEW \"Never",
        "OPEN \"lab.acq\", R, n",               // the name variable is lower case
        "OPEN \"lab.acq\", R, N$",
        "OPEN \"lab.acq\", 3",
        "OPENMOD \"\\lab.acq\", \"T\", R#x",
        "REMOVEMENU 1101+*",
        "CHANGEMENU 1100, \"Renamed",
        "CHANGEMENU 1100*/2, \"Renamed\"",
        "CHANGEPOPUPMENU 1700, \"Bad\", \"Text",
        "PROMPT \"Ready?\", \"Yes\", \"\", \"\", 1P",
        "PROMPT \"Ready?, \"Yes\", \"\", \"\", P",
        "GETNUMBER \"a\", \"b\", 3, R",
        "GETNUMBER \"a\", \"b\", X, R$",
        "GETSTRING \"a, N$, R",
        "GETSTRING \"a\", N$, 9",
        "GETSTRINGLENGTH \"abc\", 9",
        "CHOOSEITEM \"p\", S, C, 1+, \"a\"",
        "CHOOSEITEM \"p\", S, 2, 1, \"a\"",
        "CHOOSEITEM \"p\", S, C, 1, \"a",
        "SetLessonTitle \"a\", \"b",
        "GETFREEMEMORY 5",
        "GETFREEDISK $",
        "GETVID 1",
        "GETPREFSTRING \"s\", \"k\", C@",
        "GETPREFSTRING \"s, \"k\", C$",
        "GETPREFNUMBER \"s\", \"Language\", %",
        "GETPREFNUMBER \"s\", \"Language, L",
    };
    AssignScriptNumericVariable(nullptr, "C", 1.0);
    BoxCapture boxes;
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        ResetErrorDialogs();
        g_answers = stAnswers{};
        EXPECT_EQ(Run({line, "Z = 1"}), kScriptStop);
        EXPECT_EQ(ErrorDialogs(), 1);
        EXPECT_EQ(g_answers.calls, 0) << "no dialog is asked with a bad field";
        EXPECT_EQ(Var('Z'), -99.0) << "the run stopped at the line";
        for (char c : {'A', 'L', 'R', 'S', 'X'}) EXPECT_EQ(Var(c), -99.0) << c;
        EXPECT_EQ(Var('C'), 1.0);
        EXPECT_EQ(Str('N'), "");
        EXPECT_EQ(Str('C'), "");
        EXPECT_TRUE(Exists(doomed));
        EXPECT_FALSE(Exists(folder + "\\made2"));
        EXPECT_EQ(GraphWindows().size(), graphs);
        char text[64] = "";
        GetMenuStringA(menu, IDM_FILE_NEW, text, sizeof text, MF_BYCOMMAND);
        EXPECT_STREQ(text, newText);
        EXPECT_NE(GetMenuState(menu, IDM_FILE_OPEN, MF_BYCOMMAND), static_cast<UINT>(-1));
        EXPECT_EQ(GetPopupMenuItemName(1700, "Bad"), nullptr);
    }
    EXPECT_TRUE(boxes.boxes.empty());
}

// ---- The routines beside the words ----

TEST(ScriptWordRoutines, FileAndFolderNameFilters) {
    struct {
        const char* name;
        int valid;
        const char* safe;
        int clean;
    } const cases[] = {
        {"Results", 1, "Results", 1},       {"a:b", 0, "a-b", 0},     {"12:30:00", 0, "12-30-00", 0},
        {"back\\slash", 0, "back\\slash", 1}, {"fwd/slash", 0, "fwd/slash", 1}, {"star*", 0, "star*", 1},
        {"what?", 0, "what?", 1},           {"\"q\"", 0, "\"q\"", 1}, {"<less", 0, "<less", 1},
        {"more>", 0, "more>", 1},           {"pi|pe", 0, "pi|pe", 1}, {"dots.and-dash", 1, "dots.and-dash", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(IsValidFolderName(c.name), c.valid);
        char copy[64];
        lstrcpynA(copy, c.name, sizeof copy);
        EXPECT_EQ(MakeFileNameSafe(copy), c.clean);
        EXPECT_STREQ(copy, c.safe);
    }
}

TEST_F(ScriptWords, AppendClipboardTextAddsToWhatIsThere) {
    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    AppendClipboardText("first line\r\n");
    EXPECT_EQ(ClipboardText(), "first line\r\n");
    AppendClipboardText("second\r\n");
    EXPECT_EQ(ClipboardText(), "first line\r\nsecond\r\n");
}

TEST_F(ScriptWords, AGraphsSelectedSamplesAreAppendedToTheClipboardAsText) {
    const std::string file = InFolder("lab.acq");
    ASSERT_TRUE(WriteWholeFile(file, BuildAcq(RichRecipe())));
    ASSERT_EQ(Run({"OPEN \"lab.acq\", R"}), kScriptGoOn);
    ASSERT_NE(g_script.graph, nullptr);
    HGLOBAL block = nullptr;
    const char* lines = WriteSelectionAsText(g_script.graph, 0, &block);
    ASSERT_NE(lines, nullptr);
    const std::string expected = lines;
    GlobalUnlock(block);
    GlobalFree(block);
    ASSERT_FALSE(expected.empty());

    ASSERT_TRUE(OpenClipboard(nullptr));
    EmptyClipboard();
    CloseClipboard();
    AppendClipboardText("before\r\n");
    AppendGraphTextToClipboard(g_script.graph);
    EXPECT_EQ(ClipboardText(), "before\r\n" + expected);
}

TEST_F(ScriptWords, TheGraphSearchByTitleSelectsTheFirstMatchIgnoringCase) {
    ASSERT_EQ(Run({"NEW \"Alpha\"", "NEW \"Beta\""}), kScriptGoOn);
    HWND alpha = nullptr;
    for (HWND w : GraphWindows())
        if (WindowText(w) == "Alpha") alpha = w;
    ASSERT_TRUE(alpha);
    ShowWindow(alpha, SW_HIDE);
    tagGS* beta = g_script.graph;

    stGraphWindowSearch missing{"Gamma", 0};
    EnumChildWindows(g_app->hwndClient, SelectGraphWindowCallback, reinterpret_cast<LPARAM>(&missing));
    EXPECT_EQ(missing.found, 0);
    EXPECT_EQ(g_script.graph, beta);

    stGraphWindowSearch search{"ALPHA", 0};
    EnumChildWindows(g_app->hwndClient, SelectGraphWindowCallback, reinterpret_cast<LPARAM>(&search));
    EXPECT_EQ(search.found, 1);
    EXPECT_EQ(g_script.graph, GetWindowGraph(alpha));
    EXPECT_TRUE(IsWindowVisible(alpha)) << "a hidden match is shown";
    EXPECT_EQ(g_app->hwndActiveGraph, alpha);
}
