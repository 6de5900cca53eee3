// The program booted inside the test in a working folder of its own, and small lessons run
// through the engine from real script files; the error dialog is answered "stop" and counted.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

struct tagGS;

class LessonWords : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Writes and loads a lesson whose subroutine "Main" holds the lines, with the subroutines of
    // more after it; false when the file could not be written or the engine kept nothing.
    bool Load(const std::vector<std::string>& lines, const std::string& more = "");
    // Loads the lesson as Load does and runs Main to its end (with the lesson's wait cursor when
    // asked); a negative answer no run gives when it could not be loaded.
    int16_t Run(const std::vector<std::string>& lines, const std::string& more = "", int waitCursor = 0);
    // The lesson file Load writes, in the working folder.
    std::string ScriptPath() const;
    static constexpr const char* kScriptName = "lesson.txt";
    // A file of the working folder, deleted at the end of the test.
    std::string InFolder(const std::string& name);
    // A new graph made by the lesson word NEW: the script's current document.
    tagGS* NewGraph(const char* title);

    static double Var(char letter);
    static std::string Str(char letter);
    // The error dialogs shown since the start of the test or the last ResetErrorDialogs.
    static int ErrorDialogs();
    static void ResetErrorDialogs();
    static const std::string& LastError();
    static bool Exists(const std::string& path);
    // The clipboard's text, "<not opened>" when the clipboard could not be opened.
    static std::string ClipboardText();

    char previous[MAX_PATH] = "";
    std::string folder;
    std::vector<std::string> made;
};
