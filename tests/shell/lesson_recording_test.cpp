// A lesson that sets up and starts a recording with its "VK40" lines, in the program over a
// simulated unit: the lines reach the device library, which records what they set.
#include <gtest/gtest.h>
#include <windows.h>

#include <algorithm>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "base/app.h"
#include "graph/graph_ids.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/view/channel_items.h"
#include "graph/view/channel_selection.h"
#include "graph/window/channel_slots.h"
#include "graph/window/graph_window.h"
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
    EXPECT_EQ(gs->chanCount[2], 700u);
    EXPECT_EQ(gs->totalSamples, 700);
    EXPECT_DOUBLE_EQ(gs->sampleInterval, 1.0);
    EXPECT_STREQ(gs->chanLabel[2], "Lesson");
    // Input 2 counts: successive samples differ by one step of the pattern.
    double a = 0, b = 0;
    ASSERT_EQ(GetChannelSample(gs, 10, 2, &a), 1);
    ASSERT_EQ(GetChannelSample(gs, 11, 2, &b), 1);
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
    ASSERT_EQ(gs->chanCount[2], 300u);
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
    EXPECT_EQ(gs->chanNumber[1], 1);
    EXPECT_EQ(gs->chanNumber[3], 3);
    EXPECT_FALSE(ChannelInUse(gs, 2)) << "CH2 is off now";
    for (int s : {1, 2, 3}) EXPECT_EQ(gs->chanCount[s], 0u) << s;
    EXPECT_EQ(gs->totalSamples, 0);

    RunLesson({"VK40 STARTACQ"});
    ASSERT_EQ(Running(), 1) << "the reset graph holds no data to overwrite";
    RunToEnd(50);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_EQ(gs->chanCount[1], 200u);
    EXPECT_EQ(gs->chanCount[3], 200u);
}

// The slots of a graph that hold a channel.
std::vector<int> SlotsInUse(const tagGS* graph) {
    std::vector<int> slots;
    for (int s = 0; s < kMaxChannels; ++s)
        if (ChannelInUse(graph, s)) slots.push_back(s);
    return slots;
}

uint32_t RecordFlags(int record) {
    AcqLock acq(g_app->hAcq);
    return acq->chans[record].flags;
}

// CH1, CH3 and two calculation channels (C1 = CH3 x 2 on the program's evaluator, C2 = CH1 + CH3)
// each land in the slot of their number; the slot leads to the channel's own record, so hiding
// channel button "1" takes CH1's plot flag away and nobody else's; a saved copy opens with the
// same slots.
TEST_F(LessonRecording, EachChannelKeepsTheSlotOfItsNumberInTheGraphItsButtonAndItsFile) {
    BoxCapture boxes;
    {
        AcqLock acq(g_app->hAcq);
        auto* calc = reinterpret_cast<stCalcSettings*>(acq->calcSettings);
        calc->kind[0] = kCalcExpression;
        strcpy(calc->expression[0], "CH3*2");
        calc->kind[1] = kCalcMath;
        calc->math[1] = stMathParams{kMathAdd, 1, 3, {}, 0};
    }
    ASSERT_NE(RunLesson({
                  "VK40 SET RATE 1000",
                  "VK40 SET LENGTH 500",
                  "VK40 SET STORAGE MEMORY ONCE KEEPALL NEW",
                  "VK40 SET CHANNEL ALLOFF",
                  "VK40 SET CHANNEL 1, ANALOG ENABLE PLOT OFF \"First\"",
                  "VK40 SET CHANNEL 3, ANALOG ENABLE PLOT OFF \"Third\"",
                  "VK40 SET CHANNEL 1, CALC ENABLE PLOT OFF \"Twice third\"",
                  "VK40 SET CHANNEL 2, CALC ENABLE PLOT OFF \"Sum\"",
                  "VK40 STARTACQ",
              }),
              0);
    EXPECT_EQ(g_error, "");
    ASSERT_EQ(Running(), 1);
    RunToEnd(50);
    for (const auto& box : boxes.boxes) ADD_FAILURE() << box.caption << ": " << box.text;
    ASSERT_EQ(SlotsInUse(gs), (std::vector<int>{1, 3, 40, 41}));
    EXPECT_EQ(gs->selectedChan, 1u) << "the selection moved to the recording's first channel";
    {
        AcqLock acq(g_app->hAcq);
        for (int s : {1, 3, 40, 41}) {
            SCOPED_TRACE("slot " + std::to_string(s));
            EXPECT_EQ(gs->chanNumber[s], s);
            EXPECT_EQ(gs->chanCount[s], 500u);
            const stAcqChan* entry = GetChannelSetupEntry(acq.get(), s);
            ASSERT_NE(entry, nullptr) << "the slot leads to its record";
            EXPECT_STREQ(gs->chanLabel[s], entry->label);
        }
    }
    EXPECT_STREQ(gs->chanLabel[1], "First");
    EXPECT_STREQ(gs->chanLabel[3], "Third");
    EXPECT_STREQ(gs->chanLabel[40], "Twice third");
    for (int i : {0, 1, 250, 499}) {
        double ch1 = 0, ch3 = 0, c1 = 0, c2 = 0;
        ASSERT_EQ(GetChannelSample(gs, i, 1, &ch1), 1);
        ASSERT_EQ(GetChannelSample(gs, i, 3, &ch3), 1);
        ASSERT_EQ(GetChannelSample(gs, i, 40, &c1), 1);
        ASSERT_EQ(GetChannelSample(gs, i, 41, &c2), 1);
        EXPECT_EQ(ch1, RawToValue(static_cast<int16_t>(SimCountingWord(uint64_t(i), 0)), gs->chanScale[1],
                                  gs->chanOffset[1]));
        EXPECT_EQ(ch3, RawToValue(static_cast<int16_t>(SimCountingWord(uint64_t(i), 2)), gs->chanScale[3],
                                  gs->chanOffset[3]));
        EXPECT_DOUBLE_EQ(c1, 2 * ch3) << i;
        EXPECT_DOUBLE_EQ(c2, ch1 + ch3) << i;
    }

    // Ctrl and a click on channel button "1": CH1 is hidden, in the graph and in its record.
    SetChanButtonsShown(gs, true);
    RECT client{};
    GetClientRect(first, &client);
    SendMessageA(first, WM_SIZE, SIZE_RESTORED, MAKELPARAM(client.right, client.bottom));
    RebuildChannelItems(gs);
    auto* grid = static_cast<CChannelButtonGrid*>(gs->channelItems);
    ASSERT_NE(grid, nullptr);
    CChannelItem* button = grid->Button(grid->IndexOfSlot(1));
    ASSERT_NE(button, nullptr);
    EXPECT_EQ(button->GetChannel(), 1);
    RECT face{};
    button->GetRect(&face);
    const uint32_t third = RecordFlags(2);
    ASSERT_NE(RecordFlags(0) & 4u, 0u);
    SendMessageA(first, WM_LBUTTONDOWN, MK_LBUTTON | MK_CONTROL,
                 MAKELPARAM((face.left + face.right) / 2, (face.top + face.bottom) / 2));
    SendMessageA(first, WM_LBUTTONUP, MK_CONTROL,
                 MAKELPARAM((face.left + face.right) / 2, (face.top + face.bottom) / 2));
    EXPECT_EQ(IsChannelShown(gs, 1), 0);
    EXPECT_EQ(IsChannelShown(gs, 3), 1);
    EXPECT_EQ(RecordFlags(0) & 4u, 0u) << "CH1's Plot box is cleared";
    EXPECT_EQ(RecordFlags(2), third) << "CH3 keeps its own";

    // A copy written by the lesson opens with every channel where it was. SAVECOPY counts the
    // untitled graph as saved, so the open may take over its window: what it held is kept first.
    std::map<int, std::pair<std::string, std::vector<double>>> before;
    for (int s : {1, 3, 40, 41}) {
        before[s].first = gs->chanLabel[s];
        for (int i : {0, 123, 499}) {
            double v = 0;
            ASSERT_EQ(GetChannelSample(gs, i, s, &v), 1);
            before[s].second.push_back(v);
        }
    }
    const std::string saved = folder + "\\slots.acq", reopened = folder + "\\reopened.acq";
    RunLesson({"SAVECOPY \"slots.acq\", \"\", KeepName, R"});
    ASSERT_TRUE(CopyFileA(saved.c_str(), reopened.c_str(), FALSE));
    RunLesson({"OPEN \"reopened.acq\", Q"});
    EXPECT_EQ(g_error, "");
    for (const auto& box : boxes.boxes) ADD_FAILURE() << box.caption << ": " << box.text;
    const HWND opened = g_app->hwndActiveGraph;
    ASSERT_TRUE(opened);
    tagGS* copy = GetWindowGraph(opened);
    ASSERT_NE(copy, nullptr);
    EXPECT_NE(std::string(copy->title).find("reopened"), std::string::npos) << copy->title;
    EXPECT_EQ(SlotsInUse(copy), (std::vector<int>{1, 3, 40, 41}));
    for (int s : {1, 3, 40, 41}) {
        SCOPED_TRACE("slot " + std::to_string(s));
        EXPECT_EQ(copy->chanNumber[s], s);
        EXPECT_EQ(copy->chanLabel[s], before[s].first);
        ASSERT_EQ(copy->chanCount[s], 500u);
        const int at[] = {0, 123, 499};
        for (size_t k = 0; k < 3; ++k) {
            double b = 0;
            ASSERT_EQ(GetChannelSample(copy, at[k], s, &b), 1);
            EXPECT_EQ(before[s].second[k], b) << at[k];
        }
    }
    copy->modified = 0;
    SendMessageA(g_app->hwndClient, WM_MDIDESTROY, reinterpret_cast<WPARAM>(opened), 0);
    DeleteFileA(saved.c_str());
    DeleteFileA(reopened.c_str());
}

// A lesson that reads the fourth channel of a four-channel recording finds it in slot 4.
TEST_F(LessonRecording, ALessonMeasuresTheFourthChannelOfAFourChannelRecordingInSlotFour) {
    std::vector<std::string> lines = {"VK40 SET RATE 1000", "VK40 SET LENGTH 400",
                                      "VK40 SET STORAGE MEMORY ONCE KEEPALL NEW", "VK40 SET CHANNEL ALLOFF"};
    for (int n = 1; n <= 4; ++n) lines.push_back("VK40 SET CHANNEL " + std::to_string(n) + ", ANALOG ENABLE PLOT OFF");
    lines.push_back("VK40 STARTACQ");
    ASSERT_NE(RunLesson(lines), 0);
    ASSERT_EQ(Running(), 1);
    RunToEnd(50);
    ASSERT_EQ(SlotsInUse(gs), (std::vector<int>{1, 2, 3, 4}));
    // The first measurement box: the largest sample of channel 4 between 0.1 and 0.2 s.
    char title[260] = "";
    ASSERT_GT(GetWindowTextA(gs->hwnd, title, sizeof title), 0);
    RunLesson({std::string("SELECT WINDOW \"") + title + "\"", "SET MEASUREMENT 1, MAX", "SET MEASUREMENTCHANNEL 1, 4",
               "SET HCURSOR 0.1, 0.2", "UPDATE MMTS"});
    ASSERT_EQ(g_error, "");
    stMeasure* box = GetMeasurementAt(gs->measureGrid, 0);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(GetMeasurementChannel(box), 4);
    const double maximum = GetMeasurementValue(box);
    // The largest of CH4's samples in the selection, not the value that stands for none.
    double first4 = 0, largest = -1e300;
    ASSERT_EQ(GetChannelSample(gs, 100, 4, &first4), 1);
    for (int i = 100; i <= 200; ++i) {
        double v = 0;
        ASSERT_EQ(GetChannelSample(gs, i, 4, &v), 1);
        largest = std::max(largest, v);
    }
    EXPECT_GE(maximum, first4);
    EXPECT_LE(maximum, largest);
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
        EXPECT_GT(gs->chanCount[2], 0u);
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
