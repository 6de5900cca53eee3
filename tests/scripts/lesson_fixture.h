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

    // Loads a lesson whose subroutine "Main" holds the lines, and runs it to its end.
    int16_t Run(const std::vector<std::string>& lines);
    // A file of the working folder, deleted at the end of the test.
    std::string InFolder(const std::string& name);
    // A new graph made by the lesson word NEW: the script's current document.
    tagGS* NewGraph(const char* title);

    static double Var(char letter);
    static std::string Str(char letter);
    static int ErrorDialogs();
    static const std::string& LastError();

    char previous[MAX_PATH] = "";
    std::string folder;
    std::vector<std::string> made;
};
