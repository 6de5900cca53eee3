// A lesson that sets up and starts a recording with its "VK40" lines, in the program over a
// simulated unit: the lines reach the device library, which records what they set.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/app.h"
#include "base/resource.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/simulated/simcontrol.h"
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

// The unit unplugged (the idle turns ask for it, and Retry is chosen) and plugged back while no idle
// turn has run since: the lesson's STARTACQ sets the unit up again and its first run records.
TEST_F(LessonRecording, TheFirstStartAcqAfterTheUnitIsPluggedBackRecords) {
    BoxCapture boxes;
    boxes.answer = IDRETRY;
    SimControlSetDword(kSimAbsent, 1);
    for (int i = 0; i < 3; ++i) Advance(100);
    ASSERT_FALSE(boxes.boxes.empty());
    EXPECT_NE(boxes.boxes.back().text.find("cannot find the VK40"), std::string::npos) << boxes.boxes.back().text;
    const size_t asked = boxes.boxes.size();
    SimControlSetDword(kSimAbsent, 0);
    EXPECT_NE(RunLesson({"VK40 SET RATE 1000", "VK40 SET LENGTH 400", "VK40 SET STORAGE MEMORY ONCE KEEPALL NEW",
                         "VK40 SET CHANNEL ALLOFF", "VK40 SET CHANNEL 2, ANALOG ENABLE PLOT OFF", "VK40 STARTACQ"}),
              0);
    EXPECT_EQ(g_error, "");
    ASSERT_EQ(Running(), 1) << "the first STARTACQ after the unit's return records";
    RunToEnd(50);
    EXPECT_EQ(gs->totalSamples, 400);
    EXPECT_EQ(boxes.boxes.size(), asked) << "nothing more to say";
}

// A click at the middle of a graph's tool button, delivered where the system delivers it: to the
// enabled, visible child under the point (a disabled button lets it through to the graph).
void ClickToolButton(HWND graph, HWND button) {
    RECT r{};
    GetWindowRect(button, &r);
    POINT at{(r.left + r.right) / 2, (r.top + r.bottom) / 2};
    ScreenToClient(graph, &at);
    HWND target = ChildWindowFromPointEx(graph, at, CWP_SKIPDISABLED | CWP_SKIPINVISIBLE);
    if (!target) return;
    MapWindowPoints(graph, target, &at, 1);
    SendMessageA(target, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
    SendMessageA(target, WM_LBUTTONUP, 0, MAKELPARAM(at.x, at.y));
}

// A lesson that withholds the cursor tools keeps them withheld when its recording ends, however
// the run ends (on its own, by the lesson's STOPACQ) and whichever graph is active by then.
TEST_F(LessonRecording, ToolsALessonWithholdsStayWithheldWhenItsRecordingEnds) {
    const HWND zoom = gs->toolButtons[2];
    ASSERT_TRUE(zoom);
    ASSERT_EQ(gs->currentTool, IDC_TOOL_ARROW);
    // The click reaches an enabled button: it chooses the zoom tool.
    ClickToolButton(first, zoom);
    ASSERT_EQ(gs->currentTool, IDC_TOOL_ZOOM);
    ClickToolButton(first, gs->toolButtons[0]);
    ASSERT_EQ(gs->currentTool, IDC_TOOL_ARROW);
    // A second graph, to be the active one while the first records.
    ASSERT_NE(RunLesson({"NEW \"Other\""}), 0);
    const HWND other = g_app->hwndActiveGraph;
    ASSERT_TRUE(other && other != first);
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
    ASSERT_EQ(g_app->hwndActiveGraph, first);

    const struct {
        const char* name;
        bool stopped;      // ended by the lesson before its length
        bool otherActive;  // the other graph is active when the run ends
    } runs[] = {{"to its length", false, false}, {"by STOPACQ", true, false}, {"behind another graph", false, true}};
    for (const auto& run : runs) {
        SCOPED_TRACE(run.name);
        ASSERT_NE(RunLesson({"DISABLE CLICK TOOLS", "VK40 SET RATE 1000", "VK40 SET LENGTH 300",
                             "VK40 SET STORAGE MEMORY ONCE KEEPALL NEW", "VK40 SET CHANNEL ALLOFF",
                             "VK40 SET CHANNEL 2, ANALOG ENABLE PLOT OFF", "VK40 STARTACQ"}),
                  0);
        ASSERT_EQ(Running(), 1);
        Advance(100);
        if (run.otherActive) SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(other), 0);
        if (run.stopped) RunLesson({"VK40 STOPACQ"});
        RunToEnd(50);
        ASSERT_EQ(Running(), 0);
        EXPECT_EQ(g_error, "");
        EXPECT_GT(gs->chanCount[0], 0u);
        for (HWND b : gs->toolButtons) EXPECT_FALSE(IsWindowEnabled(b)) << "tool button " << GetDlgCtrlID(b);
        ClickToolButton(first, zoom);
        EXPECT_EQ(gs->currentTool, IDC_TOOL_ARROW) << "a withheld tool cannot be chosen";
        SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(first), 0);
        gs->modified = 0;
    }
    // The lesson gives the tools back: the same click chooses the tool again.
    ASSERT_NE(RunLesson({"ENABLE CLICK TOOLS"}), 0);
    for (HWND b : gs->toolButtons) EXPECT_TRUE(IsWindowEnabled(b));
    ClickToolButton(first, zoom);
    EXPECT_EQ(gs->currentTool, IDC_TOOL_ZOOM);
}

}  // namespace
