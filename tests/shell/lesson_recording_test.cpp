// A lesson that sets up and starts a recording with its "VK40" lines, in the program over a
// simulated unit: the lines reach the device library, which records what they set.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"
#include "tests/shell/box_capture.h"
#include "tests/shell/unit_program_fixture.h"

namespace {

std::string g_error;
int16_t KeepError(const char* message) {
    g_error = message ? message : "";
    return 0;
}

class LessonRecording : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("lesson", true);
        SetScriptErrorHook(KeepError);
        g_error.clear();
    }
    void TearDown() override {
        SetScriptErrorHook(nullptr);
        DeleteFileA(ScriptPath().c_str());
        ProgramWithUnit::TearDown();
    }
    std::string ScriptPath() const { return folder + "\\recording_lesson.txt"; }

    // Loads a lesson whose subroutine "Main" holds the lines, and runs it.
    int16_t RunLesson(const std::vector<std::string>& lines) {
        std::string text = "Recording lesson\r\nMain\r\n";
        for (const std::string& line : lines) text += line + "\r\n";
        text += "END\r\n";
        HANDLE f = CreateFileA(ScriptPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return -100;
        DWORD wrote = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
        CloseHandle(f);
        int stored = 0;
        if (!ReplaceLoadedScript(ScriptPath().c_str(), &stored) || !stored) return -101;
        return RunScriptSubroutine(LoadedScript(), "Main", 0);
    }
};

TEST_F(LessonRecording, VK40LinesSetUpAndStartARecordingThatHoldsWhatTheyAsked) {
    const int16_t result = RunLesson({
        "VK40 SET RATE 1000",
        "VK40 SET LENGTH 700",
        "VK40 SET STORAGE MEMORY ONCE KEEPALL NEW",
        "VK40 SET CHANNEL ALLOFF",
        "VK40 SET CHANNEL 2, ANALOG ENABLE PLOT OFF \"Lesson\"",
        "VK40 STARTACQ",
    });
    EXPECT_EQ(g_error, "");
    EXPECT_NE(result, 0);
    ASSERT_EQ(Running(), 1) << "STARTACQ started the run";
    RunToEnd(50);
    EXPECT_EQ(gs->chanCount[0], 700u);
    EXPECT_EQ(gs->totalSamples, 700);
    EXPECT_DOUBLE_EQ(gs->sampleInterval, 1.0);
    EXPECT_STREQ(gs->chanLabel[0], "Lesson");
    // Input 2 counts: successive samples differ by one step of the pattern.
    double a = 0, b = 0;
    ASSERT_EQ(GetChannelSample(gs, 10, 0, &a), 1);
    ASSERT_EQ(GetChannelSample(gs, 11, 0, &b), 1);
    EXPECT_NE(a, b);
}

// A line with a field that does not read changes nothing in the set-up and stops the lesson.
TEST_F(LessonRecording, ABadNumberStopsTheLessonAndLeavesTheSetUp) {
    double period = 0;
    {
        AcqLock acq(g_app->hAcq);
        period = acq->samplePeriodMs;
    }
    RunLesson({"VK40 SET RATE 2*", "VK40 STARTACQ"});
    EXPECT_NE(g_error, "");
    EXPECT_EQ(Running(), 0);
    AcqLock acq(g_app->hAcq);
    EXPECT_DOUBLE_EQ(acq->samplePeriodMs, period);
}

// A lesson that starts over in its graph: RESETGRAPH takes the newly enabled channels and drops
// the samples, so the next run records into the graph without the overwrite question.
TEST_F(LessonRecording, ResetGraphStartsTheGraphOverForTheNextRecording) {
    ASSERT_NE(RunLesson({"VK40 SET RATE 1000", "VK40 SET LENGTH 300", "VK40 SET STORAGE MEMORY ONCE KEEPALL NEW",
                         "VK40 SET CHANNEL ALLOFF", "VK40 SET CHANNEL 2, ANALOG ENABLE PLOT OFF", "VK40 STARTACQ"}),
              0);
    RunToEnd(50);
    ASSERT_EQ(gs->chanCount[0], 300u);
    {
        AcqLock acq(g_app->hAcq);
        acq->warnOnOverwrite = 1;
    }
    char title[260] = "";
    ASSERT_GT(GetWindowTextA(gs->hwnd, title, sizeof title), 0);
    BoxCapture boxes;
    boxes.answer = IDNO;
    EXPECT_NE(RunLesson({std::string("SELECT WINDOW \"") + title + "\"", "VK40 SET LENGTH 200",
                         "VK40 SET CHANNEL ALLOFF", "VK40 SET CHANNEL 1, ANALOG ENABLE PLOT OFF",
                         "VK40 SET CHANNEL 3, ANALOG ENABLE PLOT OFF", "VK40 RESETGRAPH"}),
              0);
    EXPECT_EQ(g_error, "");
    EXPECT_EQ(gs->chanNumber[0], 1);
    EXPECT_EQ(gs->chanNumber[1], 3);
    EXPECT_EQ(gs->chanCount[0], 0u);
    EXPECT_EQ(gs->chanCount[1], 0u);
    EXPECT_EQ(gs->totalSamples, 0);

    RunLesson({"VK40 STARTACQ"});
    ASSERT_EQ(Running(), 1) << "the reset graph holds no data to overwrite";
    RunToEnd(50);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(gs->chanCount[0], 200u);
    EXPECT_EQ(gs->chanCount[1], 200u);
}

}  // namespace
