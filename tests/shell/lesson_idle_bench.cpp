// What a lesson's "OnIdleAcquisition" costs a recording: the same recording from the simulated
// unit with and without a few idle statements, polled as the program's idle loop polls it. Prints
// the frames that arrived in place in each, how often the subroutine ran, and its time per run
// beside the poll interval and the idle step's own time. Run by tools/bench.sh; never part of the test suite.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <string>

#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/simulated/simcontrol.h"
#include "graph/document/sample_store.h"
#include "scripts/engine/script_engine.h"
#include "shell/startup.h"
#include "tests/shell/unit_program_fixture.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int kFrames = 3000;  // 3 s of unit time at 1 kHz

class LessonIdleBench : public ProgramWithUnit {
protected:
    void SetUp() override { Boot("idlebench", true); }
    void TearDown() override {
        DeleteFileA(ScriptPath().c_str());
        ProgramWithUnit::TearDown();
    }
    std::string ScriptPath() const { return folder + "\\idle_lesson.txt"; }

    // Records kFrames of input 1 through a lesson; the idle subroutine when asked. Answers the
    // seconds the run took and the frames out of place.
    double Record(bool idle, uint32_t* outOfPlace) {
        std::string text = "Idle lesson\r\nMain\r\nVK40 SET RATE 1000\r\nVK40 SET LENGTH " + std::to_string(kFrames) +
                           "\r\nVK40 SET STORAGE MEMORY ONCE KEEPALL NEW\r\nVK40 SET CHANNEL ALLOFF\r\n"
                           "VK40 SET CHANNEL 1, ANALOG ENABLE PLOT OFF \"In\"\r\nVK40 STARTACQ\r\nEND\r\n";
        if (idle) text += "OnIdleAcquisition\r\nN = N + 1\r\nA = N * 2 + 1\r\nIF A > 1000\r\nB = B + 1\r\nENDIF\r\nEND\r\n";
        HANDLE f = CreateFileA(ScriptPath().c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        DWORD wrote = 0;
        WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &wrote, nullptr);
        CloseHandle(f);
        int stored = 0;
        EXPECT_EQ(ReplaceLoadedScript(ScriptPath().c_str(), &stored), 1);
        g_script.variables['N' - 'A'] = 0;
        EXPECT_NE(RunScriptSubroutine(LoadedScript(), "Main", 0), 0);
        const double t0 = BenchNow();
        for (int i = 0; i < 4 * kFrames && Running() == 1; ++i) Advance(kRecordingPollMs);
        const double seconds = BenchNow() - t0;
        EXPECT_EQ(Running(), 0);
        *outOfPlace = 0;
        // CH1 is in slot 1.
        if (gs->chanCount[1] != static_cast<uint32_t>(kFrames)) *outOfPlace = kFrames;
        for (uint32_t i = 1; i < gs->chanCount[1]; ++i) {
            double a = 0, b = 0;
            GetChannelSample(gs, static_cast<int32_t>(i - 1), 1, &a);
            GetChannelSample(gs, static_cast<int32_t>(i), 1, &b);
            if (a == b) ++*outOfPlace;  // the counting pattern steps at every frame
        }
        return seconds;
    }
};

TEST_F(LessonIdleBench, IdleStatementsBesideAPlainRecording) {
    uint32_t plainLost = 0, idleLost = 0;
    Record(false, &plainLost);  // warms the program up
    const double plain = Record(false, &plainLost);
    Record(true, &idleLost);
    const double runs = g_script.variables['N' - 'A'];
    // The subroutine alone, through the engine as the library's host call reaches it.
    constexpr int kCalls = 20000;
    const double t0 = BenchNow();
    for (int i = 0; i < kCalls; ++i) RunScriptSubroutine(LoadedScript(), "OnIdleAcquisition", 0);
    const double each = (BenchNow() - t0) / kCalls * 1e6;
    const double pollUs = kRecordingPollMs * 1000.0;
    std::printf("recording of %d frames at 1 kHz, polled every %lu ms of unit time\n", kFrames,
                static_cast<unsigned long>(kRecordingPollMs));
    std::printf("  without OnIdleAcquisition: frames out of place %u, idle step %.1f us each\n", plainLost,
                plain / kFrames * 1e6);
    std::printf("  with OnIdleAcquisition (5 statements): frames out of place %u, %.0f runs\n", idleLost, runs);
    std::printf("  each run of the subroutine: %.2f us, %.2f%% of the poll interval, %.2f%% of an idle step\n", each,
                each / pollUs * 100.0, each / (plain / kFrames * 1e6) * 100.0);
    EXPECT_EQ(plainLost, 0u);
    EXPECT_EQ(idleLost, 0u);
    EXPECT_GT(runs, 0);
}

}  // namespace
