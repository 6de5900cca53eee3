// A lesson loop of 100,000 statements (assignments, arithmetic, IF) as the user runs it: the
// program booted over a simulated unit with its start-up script, the lesson read from its file
// in the Lessons folder and started from the Lessons menu. The lesson sets the frame's caption
// before and after its loop; the time between the two is the loop's. Prints statements per
// second, the best of a few starts; tools/bench.sh runs the same loop in Lua beside it.
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "base/app.h"
#include "shell/shell_ids.h"
#include "devlib/vk40.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"
#include "shell/startup.h"
#include "tests/shell/shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int kStarts = 5;
constexpr int kTurns = 20000;
constexpr int kStatementsPerTurn = 5;  // FOR, two assignments, IF (false: on after ENDIF), NEXT

// The loop as a lesson author writes it, with capitals (the application's variables) as Lua's
// globals; the loop's letter is the subroutine's own.
constexpr char kLesson[] =
    "Loop lesson\r\n"
    "OnOpenFile\r\n"
    "A = 0\r\n"
    "B = 0\r\n"
    "SET WINDOWCAPTION \"loop start\"\r\n"
    "FOR i = 1 TO 20000\r\n"
    "A = A + i * 2\r\n"
    "B = A / 3 - i\r\n"
    "IF B > A\r\n"
    "C = 1\r\n"
    "ENDIF\r\n"
    "NEXT i\r\n"
    "SET WINDOWCAPTION \"loop end\"\r\n"
    "END\r\n";

// A loop whose turn is one statement: what FOR and NEXT cost beside their body.
constexpr int kSumTurns = 100000;
constexpr char kSumLesson[] =
    "Sum lesson\r\n"
    "OnOpenFile\r\n"
    "S = 0\r\n"
    "SET WINDOWCAPTION \"loop start\"\r\n"
    "FOR i = 1 TO 100000\r\n"
    "S = S + i\r\n"
    "NEXT i\r\n"
    "SET WINDOWCAPTION \"loop end\"\r\n"
    "END\r\n";

bool EndsWith(const char* text, const char* tail) {
    const size_t n = std::strlen(text), m = std::strlen(tail);
    return n >= m && std::strcmp(text + n - m, tail) == 0;
}

// The frame's captions, timed: the start when the caption is in place, the end as it comes.
WNDPROC g_frameProc = nullptr;
double g_start = 0, g_end = 0;
LRESULT CALLBACK TimedFrame(HWND hwnd, UINT msg, WPARAM wParam, LPARAM lParam) {
    if (msg != WM_SETTEXT || !lParam) return CallWindowProcA(g_frameProc, hwnd, msg, wParam, lParam);
    const char* text = reinterpret_cast<const char*>(lParam);
    if (EndsWith(text, "loop end")) g_end = BenchNow();
    const LRESULT result = CallWindowProcA(g_frameProc, hwnd, msg, wParam, lParam);
    if (EndsWith(text, "loop start")) g_start = BenchNow();
    return result;
}

std::string ProgramFolder() {
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    *std::strrchr(exe, '\\') = 0;
    return exe;
}

std::vector<std::string> g_errors;
int16_t KeepError(const char* message) {
    g_errors.push_back(message ? message : "");
    return 0;
}

class ScriptBench : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("scriptbench", true);
        SetScriptErrorHook(KeepError);
        lessonFolder = folder + "\\Lessons\\Loop";
        CreateDirectoryA((folder + "\\Lessons").c_str(), nullptr);
        CreateDirectoryA(lessonFolder.c_str(), nullptr);
        ASSERT_TRUE(WriteLesson(kLesson, sizeof kLesson - 1));
        // As the program starts: the variables browser's home, the Lessons menu, the start-up script.
        ASSERT_TRUE(CopyFileA((ProgramFolder() + "\\StartUp").c_str(), (folder + "\\StartUp").c_str(), FALSE));
        lstrcpynA(g_app->szAppFolder, folder.c_str(), sizeof g_app->szAppFolder);
        PrepareVariablesBrowser(g_app->hInstance, g_app->hwndFrame);
        ASSERT_EQ(FillUpLessonDescriptions((folder + "\\Lessons").c_str()), 1);
        g_app->frame.bFrameMenuAttached = 0;
        ASSERT_EQ(StartLessons(g_app->hwndFrame, ""), 1);
        PumpMessages();
    }
    void TearDown() override {
        if (g_frameProc && g_app->hwndFrame)
            SetWindowLongPtrA(g_app->hwndFrame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(g_frameProc));
        SetScriptErrorHook(nullptr);
        ShutProgram();
        DeleteFileA((lessonFolder + "\\Loop").c_str());
        RemoveDirectoryA(lessonFolder.c_str());
        RemoveDirectoryA((folder + "\\Lessons").c_str());
        DeleteFileA((folder + "\\StartUp").c_str());
        LeaveFolder();
    }
    // The lesson file the Lessons menu's entry opens: read again at every start.
    bool WriteLesson(const char* text, DWORD size) {
        HANDLE f = CreateFileA((lessonFolder + "\\Loop").c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
        if (f == INVALID_HANDLE_VALUE) return false;
        DWORD wrote = 0;
        WriteFile(f, text, size, &wrote, nullptr);
        CloseHandle(f);
        return wrote == size;
    }
    // The best of kStarts starts of the lesson from the Lessons menu, in seconds between its
    // two captions; 0 when a start failed.
    double BestStart(double expectedA, double expectedS) {
        double best = 1e30;
        for (int i = 0; i < kStarts; ++i) {
            g_start = g_end = 0;
            SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_LESSON_FIRST, 0);
            PumpMessages();
            EXPECT_TRUE(g_errors.empty()) << g_errors.front();
            EXPECT_GT(g_start, 0.0);
            EXPECT_GT(g_end, g_start);
            EXPECT_EQ(g_script.variables['A' - 'A'], expectedA) << "the loop ran to its end";
            EXPECT_EQ(g_script.variables['S' - 'A'], expectedS) << "the loop ran to its end";
            if (!g_errors.empty() || !(g_end > g_start)) return 0.0;
            if (g_end - g_start < best) best = g_end - g_start;
        }
        return best;
    }
    std::string lessonFolder;
};

TEST_F(ScriptBench, LessonLoopStartedFromTheLessonsMenu) {
    char text[64] = "";
    ASSERT_GT(GetMenuStringA(GetMenu(g_app->hwndFrame), IDM_LESSON_FIRST, text, sizeof text, MF_BYCOMMAND), 0);
    ASSERT_STREQ(text, "Loop");
    g_frameProc = reinterpret_cast<WNDPROC>(
        SetWindowLongPtrA(g_app->hwndFrame, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(TimedFrame)));
    ASSERT_TRUE(g_frameProc);
    const double best = BestStart(2.0 * kTurns * (kTurns + 1) / 2, 0.0);
    ASSERT_GT(best, 0.0);
    const double statements = static_cast<double>(kTurns) * kStatementsPerTurn;
    std::printf("lesson loop in the program: %.0f statements in %.2f ms, %.0f statements/s\n", statements,
                best * 1000.0, statements / best);
    std::printf("kymora_statements_per_s %.0f\n", statements / best);

    ASSERT_TRUE(WriteLesson(kSumLesson, sizeof kSumLesson - 1));
    const double sum = BestStart(2.0 * kTurns * (kTurns + 1) / 2, 1.0 * kSumTurns * (kSumTurns + 1) / 2);
    ASSERT_GT(sum, 0.0);
    std::printf("one-statement loop in the program: %d turns in %.2f ms\n", kSumTurns, sum * 1000.0);
    std::printf("kymora_sum_loop_ms %.3f\n", sum * 1000.0);
}

// Failures only: the figures are the output.
class FailurePrinter : public ::testing::EmptyTestEventListener {
    void OnTestPartResult(const ::testing::TestPartResult& result) override {
        if (result.failed())
            std::printf("%s:%d: %s\n", result.file_name() ? result.file_name() : "", result.line_number(),
                        result.summary());
    }
};

}  // namespace

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    ::testing::TestEventListeners& listeners = ::testing::UnitTest::GetInstance()->listeners();
    delete listeners.Release(listeners.default_result_printer());
    listeners.Append(new FailurePrinter);
    return RUN_ALL_TESTS();
}
