// Recording to disk and the append check, in the running program over a simulated unit of the
// test's own: the Start button starts the run, idle turns take the frames, and the graph file the
// run writes is read back with the program's graph file reader and compared sample by sample with
// the unit's counting pattern, after a run that ends by its length and after every kind of unit
// fault mid-run. The append warnings are answered through their buttons by a hook.
#include <gtest/gtest.h>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <functional>
#include <string>
#include <utility>
#include <vector>
#include "shell_fixture.h"
#include "tests/shell/unit_program_fixture.h"
#include "base/app.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/vk40.h"
#include "devlib/tests/run_settings.h"
#include "graph/document/graph_doc.h"
#include "graph/document/sample_store.h"
#include "graph/window/graph_window.h"
#include "shell/shell_ids.h"
#include "shell/startup.h"
#include "tests/documents/test_doc.h"

namespace {

constexpr uint16_t kDigitalHigh = 0x4000;

// Calculation channel n becomes the Math kind "source + 0.5" (source: a run number, analog 1-4): the kinds are the settings' first
// array of 16-bit words, the Math records (operator, two operands, four spare bytes, the constant)
// follow at their fixed offset.
void SetCalcToSourcePlusHalf(stAcq* acq, int n, int32_t source) {
    constexpr size_t kMathOffset = 4344, kMathRecord = 24;
    const int16_t kind = 5;  // Math
    memcpy(acq->calcSettings + 2 * n, &kind, 2);
    uint8_t* math = acq->calcSettings + kMathOffset + kMathRecord * n;
    const int32_t op = 1, first = source, second = -1;  // "+", the source, the constant
    const double constant = 0.5;
    memcpy(math, &op, 4);
    memcpy(math + 4, &first, 4);
    memcpy(math + 8, &second, 4);
    memcpy(math + 16, &constant, 8);
}

// The channels a run records: analog inputs 0-3, digital inputs and calculation channels.
struct Layout {
    const char* name;
    std::vector<int> analog, digital;
    std::vector<int> calc{};
};

// The run channel numbers in frame order: analog 1-4, then digital 20 + j, calculation 40 + j.
// Each is also the graph slot the channel is recorded into.
std::vector<int> RunNumbers(const Layout& layout) {
    std::vector<int> numbers;
    for (int a = 0; a < 4; ++a)
        for (int n : layout.analog)
            if (n == a) numbers.push_back(a + 1);
    for (int d = 0; d < 8; ++d)
        for (int n : layout.digital)
            if (n == d) numbers.push_back(20 + d);
    for (int c = 0; c < kCalcChannels; ++c)
        for (int n : layout.calc)
            if (n == c) numbers.push_back(40 + c);
    return numbers;
}

// The raw sample the counting pattern gives run channel number in frame f.
uint16_t CountingSample(int number, uint32_t f) {
    if (number >= 20) return (SimCountingWord(f, 4) >> (number - 20)) & 1 ? kDigitalHigh : 0;
    return SimCountingWord(f, static_cast<uint32_t>(number - 1));
}

std::vector<uint8_t> FileBytes(const std::string& path) {
    std::vector<uint8_t> bytes;
    HANDLE f =
        CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return bytes;
    LARGE_INTEGER size{};
    GetFileSizeEx(f, &size);
    bytes.resize(static_cast<size_t>(size.QuadPart));
    DWORD got = 0;
    if (!bytes.empty()) ReadFile(f, bytes.data(), static_cast<DWORD>(bytes.size()), &got, nullptr);
    CloseHandle(f);
    bytes.resize(got);
    return bytes;
}

// Reads the file with the program's reader: every channel of the layout is in the slot of its
// number and holds exactly frames samples, each the counting pattern's from frame 0 on.
void ExpectFileHoldsCounting(const std::string& path, const Layout& layout, uint32_t frames) {
    const std::vector<uint8_t> bytes = FileBytes(path);
    ASSERT_FALSE(bytes.empty()) << path;
    TestDoc doc;
    stGraphReadReport report{};
    ASSERT_EQ(ReadGraphBuffer(doc.gs, bytes.data(), bytes.size(), &report), 1)
        << (report.refusal ? report.refusal : "");
    EXPECT_EQ(report.repaired, 0) << "the head counts what the file holds";
    EXPECT_TRUE(doc.gs->setupBlock || doc.gs->foreignData) << "the acquisition set-up is stored with the file";
    const std::vector<int> numbers = RunNumbers(layout);
    const int lead = numbers.front();  // the run's first analog channel
    for (int s = 0; s < kMaxChannels; ++s) {
        if (std::find(numbers.begin(), numbers.end(), s) == numbers.end()) {
            EXPECT_FALSE(ChannelInUse(doc.gs, s)) << "slot " << s;
            continue;
        }
        SCOPED_TRACE("slot " + std::to_string(s));
        ASSERT_TRUE(ChannelInUse(doc.gs, s));
        EXPECT_EQ(doc.gs->chanNumber[s], s);
        ASSERT_EQ(doc.gs->chanCount[s], frames);
        if (s >= 40) {
            // Calculation channels are doubles in every record: the first analog channel of the run
            // in its units + 0.5.
            ASSERT_EQ(doc.gs->chanBytes[s], 8u);
            EXPECT_EQ(doc.gs->chanType[s], 1u);
            const auto* values = static_cast<const double*>(doc.gs->chanBlock[s]);
            const auto* first = static_cast<const int16_t*>(doc.gs->chanBlock[lead]);
            int bad = 0;
            for (uint32_t i = 0; i < frames && bad < 3; ++i) {
                const double want = first[i] * doc.gs->chanScale[lead] + doc.gs->chanOffset[lead] + 0.5;
                if (std::abs(values[i] - want) > 1e-6 * (1 + std::abs(want))) {
                    ADD_FAILURE() << "calculated sample " << i << " is " << values[i] << ", not " << want;
                    ++bad;
                }
            }
            continue;
        }
        ASSERT_EQ(doc.gs->chanBytes[s], 2u);
        const auto* block = static_cast<const uint16_t*>(doc.gs->chanBlock[s]);
        ASSERT_TRUE(block || frames == 0);
        int bad = 0;
        for (uint32_t i = 0; i < frames && bad < 3; ++i) {
            const uint16_t want = CountingSample(s, i);
            if (block[i] != want) {
                ADD_FAILURE() << "sample " << i << " is " << block[i] << ", not " << want;
                ++bad;
            }
        }
    }
}

// Answers the append warnings by clicking one of their buttons, and message boxes with OK;
// notes what each showed and whether a recording ran while it was up. This thread's windows only.
struct DialogAnswers {
    struct Seen {
        std::string caption, text;
        std::vector<std::pair<int, std::string>> buttons;
        bool centred = false;
        int32_t runningMeanwhile = -1;
    };
    explicit DialogAnswers(int button) : answer(button) {
        current = this;
        hook = SetWindowsHookExA(WH_CBT, Cbt, nullptr, GetCurrentThreadId());
    }
    ~DialogAnswers() {
        UnhookWindowsHookEx(hook);
        current = nullptr;
    }
    DialogAnswers(const DialogAnswers&) = delete;
    DialogAnswers& operator=(const DialogAnswers&) = delete;

    static LRESULT CALLBACK Cbt(int code, WPARAM wParam, LPARAM lParam) {
        HWND w = reinterpret_cast<HWND>(wParam);
        char cls[16] = "";
        // A dialog shown again may come back under the handle of the one closed before it.
        if (code == HCBT_DESTROYWND && current)
            current->handled.erase(std::remove(current->handled.begin(), current->handled.end(), w),
                                   current->handled.end());
        if (code == HCBT_ACTIVATE && current && GetWindowThreadProcessId(w, nullptr) == GetCurrentThreadId() &&
            GetClassNameA(w, cls, sizeof cls) && lstrcmpA(cls, "#32770") == 0 &&
            std::find(current->handled.begin(), current->handled.end(), w) == current->handled.end()) {
            current->handled.push_back(w);
            current->Note(w);
        }
        return CallNextHookEx(current ? current->hook : nullptr, code, wParam, lParam);
    }

    // The save dialog's file name box (a combo box in the explorer style, an edit otherwise).
    static HWND FileNameBox(HWND dlg) {
        HWND box = GetDlgItem(dlg, 0x47C);
        return box ? box : GetDlgItem(dlg, 0x480);
    }

    void Note(HWND dlg) {
        Seen seen;
        char text[1024] = "";
        if (HWND box = FileNameBox(dlg)) {
            GetWindowTextA(dlg, text, sizeof text);
            seen.caption = text;
            GetWindowTextA(box, text, sizeof text);
            seen.text = text;
            shown.push_back(seen);
            std::string name = fileName;
            if (!fileNames.empty()) {
                name = fileNames.front();
                fileNames.erase(fileNames.begin());
            }
            if (!name.empty()) SetWindowTextA(box, name.c_str());
            PostMessageA(GetDlgItem(dlg, name.empty() ? IDCANCEL : IDOK), BM_CLICK, 0, 0);
            return;
        }
        GetWindowTextA(dlg, text, sizeof text);
        seen.caption = text;
        const bool warning = GetDlgItem(dlg, IDC_APPEND_TEXT) != nullptr;
        GetDlgItemTextA(dlg, warning ? IDC_APPEND_TEXT : 0xFFFF, text, sizeof text);
        seen.text = text;
        for (int id : {IDOK, IDCANCEL, IDYES, IDNO}) {
            if (HWND b = GetDlgItem(dlg, id)) {
                GetWindowTextA(b, text, sizeof text);
                seen.buttons.push_back({id, text});
            }
        }
        RECT mine, parent;
        GetWindowRect(dlg, &mine);
        if (GetParent(dlg) && GetWindowRect(GetParent(dlg), &parent))
            seen.centred = std::abs((mine.left + mine.right) - (parent.left + parent.right)) <= 2 &&
                           std::abs((mine.top + mine.bottom) - (parent.top + parent.bottom)) <= 2;
        {
            AcqLock acq(g_app->hAcq);
            seen.runningMeanwhile = acq ? acq->run.running : -1;
        }
        shown.push_back(seen);
        HWND button = warning ? GetDlgItem(dlg, answer) : nullptr;
        if (button)
            PostMessageA(button, BM_CLICK, 0, 0);
        else if (answer == 0 && warning)
            PostMessageA(dlg, WM_CLOSE, 0, 0);
        else
            PostMessageA(dlg, WM_COMMAND, warning ? answer : (messageAnswer ? messageAnswer : IDOK), 0);
    }

    int answer;
    int messageAnswer = IDOK;
    std::string fileName;  // typed into a save dialog, which is then confirmed; empty: cancelled
    std::vector<std::string> fileNames;  // typed into the first save dialogs in turn, before fileName
    std::vector<Seen> shown;
    std::vector<HWND> handled;
    HHOOK hook = nullptr;
    static DialogAnswers* current;
};
DialogAnswers* DialogAnswers::current = nullptr;

// The program over a simulated model-40 unit whose clock moves only when the test moves it.
class DiskRecording : public ProgramWithUnit {
protected:
    void SetUp() override {
        Boot("disk", true, [] { SimControlSetDword(kSimSignalDigital, kSimSignalCounting); });
    }
    void TearDown() override {
        ShutProgram();
        for (const std::string& f : files) DeleteFileA(f.c_str());
        LeaveFolder();
    }

    // The set-up of the next run: the channels, storage kind, data mode, length and period.
    void SetUpRun(const Layout& layout, int32_t storage, int16_t dataMode, int32_t length, double periodMs = 1.0) {
        AcqLock acq(g_app->hAcq);
        vk40test::EnableInputs(acq.get(), layout.analog, layout.digital);
        for (stAcqChan& c : acq->chans)
            for (int n : layout.calc)
                if (c.group == kGroupCalc && c.number == n) {
                    c.flags |= 2u;
                    SetCalcToSourcePlusHalf(acq.get(), n, layout.analog.front() + 1);
                }
        vk40test::SetUpRun(acq.get(), storage, periodMs, length, dataMode);
        acq->warnOnOverwrite = 0;
    }
    // A graph saved before under a file of the test's folder.
    std::string NameGraph(const char* name) {
        const std::string path = folder + "\\" + name;
        lstrcpynA(gs->filePath, path.c_str(), sizeof gs->filePath);
        lstrcpynA(gs->title, name, sizeof gs->title);
        files.push_back(path);
        return path;
    }
    static int16_t DataMode() {
        AcqLock acq(g_app->hAcq);
        return acq->dataMode;
    }
    // A whole run of length frames from the Start button.
    void Record(uint32_t stepMs = 250) {
        Press();
        ASSERT_EQ(Running(), 1);
        RunToEnd(stepMs);
    }

    std::vector<std::string> files;
};

const Layout kLayouts[] = {
    {"one analog", {2}, {}},
    {"three analog", {0, 1, 3}, {}},  // 6-byte frames straddle the unit ring's end
    {"all analog", {0, 1, 2, 3}, {}},
    {"analog and digital", {0, 3}, {0, 2}},
    {"analog, digital and a calculation channel", {1, 2}, {1}, {0}},  // records of 2- and 8-byte samples
};

TEST_F(DiskRecording, TheFileHoldsEveryFrameOfTheRunForEachLayout) {
    int run = 0;
    for (const Layout& layout : kLayouts) {
        SCOPED_TRACE(layout.name);
        const std::string path = NameGraph(("disk" + std::to_string(run++) + ".acq").c_str());
        SetUpRun(layout, 1, 1, 12001);  // longer than the graph's ring and the unit's ring
        Record();
        const std::vector<int> numbers = RunNumbers(layout);
        ASSERT_EQ(gs->chanCount[numbers.front()], 12001u);
        ExpectFileHoldsCounting(path, layout, 12001);
        // The graph now pages its samples from the file it wrote.
        EXPECT_EQ(gs->storageKind, kStoreDiskPaged);
        for (int s : numbers) {
            if (s >= 40) continue;
            for (uint32_t i : {0u, 8191u, 8192u, 12000u}) {
                double v = 0;
                ASSERT_EQ(GetChannelSample(gs, static_cast<int>(i), s, &v), 1);
                EXPECT_EQ(v,
                          RawToValue(static_cast<int16_t>(CountingSample(s, i)), gs->chanScale[s], gs->chanOffset[s]))
                    << "slot " << s << " sample " << i;
            }
        }
    }
}

// While the run goes on the graph holds the newest frames in its ring, which the program reads
// and draws; older frames are only in the file.
TEST_F(DiskRecording, WhileItRecordsTheGraphReadsItsNewestFramesFromItsRing) {
    const Layout layout{"three analog", {0, 1, 2}, {}};
    const std::string path = NameGraph("live.acq");
    SetUpRun(layout, 1, 1, 30000);
    Press();
    ASSERT_EQ(Running(), 1);
    for (int i = 0; i < 50; ++i) Advance(250);
    ASSERT_EQ(Running(), 1);
    ASSERT_EQ(gs->storageKind, kStoreDiskRecording);
    const int total = gs->totalSamples;
    ASSERT_GT(total, 12000);
    RedrawWindow(first, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW | RDW_ALLCHILDREN);
    for (int s : RunNumbers(layout)) {
        for (int i : {total - 1, total - 100, total - 8192}) {
            double v = 0;
            ASSERT_EQ(GetChannelSample(gs, i, s, &v), 1) << "sample " << i;
            EXPECT_EQ(v, RawToValue(static_cast<int16_t>(CountingSample(s, static_cast<uint32_t>(i))), gs->chanScale[s],
                                    gs->chanOffset[s]))
                << "slot " << s << " sample " << i;
        }
        double v = 0;
        EXPECT_EQ(GetChannelSample(gs, total - 8193, s, &v), 0) << "let go by the ring";
    }
    // Stopped by the button, the file holds every frame that came.
    Press();
    ASSERT_EQ(Running(), 0);
    ExpectFileHoldsCounting(path, layout, gs->chanCount[1]);
}

TEST_F(DiskRecording, ANeverSavedGraphAsksForItsFileBeforeTheRunAndCancelStartsNothing) {
    const Layout layout{"two analog", {0, 1}, {}};
    SetUpRun(layout, 1, 1, 500);
    lstrcpynA(gs->title, "Untitled1", sizeof gs->title);
    gs->filePath[0] = '\0';
    {
        DialogAnswers answers(IDCANCEL);
        Press();
        ASSERT_EQ(answers.shown.size(), 1u);
        EXPECT_EQ(answers.shown[0].text, "Untitled1.ACQ") << "the proposed name";
    }
    EXPECT_EQ(Running(), 0);
    EXPECT_STREQ(gs->title, "Untitled1");
    EXPECT_EQ(gs->filePath[0], '\0');
    EXPECT_EQ(GetFileAttributesA((folder + "\\Untitled1.ACQ").c_str()), INVALID_FILE_ATTRIBUTES);

    const std::string path = folder + "\\chosen.ACQ";
    files.push_back(path);
    {
        DialogAnswers answers(IDCANCEL);
        answers.fileName = folder + "\\chosen";  // the extension comes with the dialog
        Press();
        ASSERT_EQ(answers.shown.size(), 1u);
        ASSERT_EQ(Running(), 1);
    }
    RunToEnd(250);
    // The dialog adds the filter's extension, in whichever case it has it.
    EXPECT_EQ(lstrcmpiA(gs->title, "chosen.ACQ"), 0) << gs->title;
    EXPECT_EQ(lstrcmpiA(gs->filePath, path.c_str()), 0) << gs->filePath;
    char title[MAX_PATH] = "";
    GetWindowTextA(first, title, sizeof title);
    CharUpperA(title);
    EXPECT_NE(std::string(title).find("CHOSEN.ACQ"), std::string::npos) << title;
    ExpectFileHoldsCounting(path, layout, 500);
}

// A new graph's Start asks for its file: the file another window shows
// is refused by name after the dialog's own replace question, and the dialog comes again.
// Cancel there starts nothing; another name records into that file. The shown file never changes.
TEST_F(DiskRecording, TheFileAnotherGraphShowsIsRefusedAndTheSaveDialogComesAgain) {
    const Layout layout{"two analog", {0, 1}, {}};
    const std::string shown = NameGraph("shown.acq");
    SetUpRun(layout, 1, 1, 9000);  // more than the paging window: the graph reads its file
    Record();
    ASSERT_EQ(gs->storageKind, kStoreDiskPaged);
    const std::vector<uint8_t> before = FileBytes(shown);
    ASSERT_FALSE(before.empty());

    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_FILE_NEW, 0);
    HWND second = g_app->hwndActiveGraph;
    ASSERT_TRUE(second && second != first);
    tagGS* fresh = GetWindowGraph(second);
    ASSERT_TRUE(fresh);
    ASSERT_EQ(fresh->filePath[0], '\0');
    const std::string title = fresh->title;
    HWND start = GetDlgItem(second, IDC_START_BUTTON);
    ASSERT_TRUE(start);
    // The run starts, if at all, at the button; its file is made at the first data.
    auto pressAndWait = [&] {
        ClickMiddle(start);
        for (int i = 0; i < 4 && Running() == 1; ++i) Advance(250);
    };
    // The path in other case names the file too, and the dialog lets it through.
    std::string upper = shown;
    CharUpperA(&upper[0]);
    for (const std::string& spelling : {shown, upper}) {
        SCOPED_TRACE(spelling);
        ASSERT_FALSE(spelling.empty());
        DialogAnswers answers(IDCANCEL);
        answers.messageAnswer = IDYES;  // the dialog's own question whether to replace the file
        answers.fileNames = {spelling};
        pressAndWait();
        EXPECT_EQ(Running(), 0);
        ASSERT_EQ(answers.shown.size(), 4u) << "save dialog, replace question, refusal, save dialog";
        EXPECT_TRUE(answers.shown[0].buttons.empty()) << answers.shown[0].text;
        EXPECT_FALSE(answers.shown[1].buttons.empty());
        const std::string refusal = "The document " + spelling + " is already open.\nPlease choose another name.";
        EXPECT_EQ(lstrcmpiA(answers.shown[2].text.c_str(), refusal.c_str()), 0) << answers.shown[2].text;
        EXPECT_TRUE(answers.shown[3].buttons.empty()) << "the save dialog again: " << answers.shown[3].text;
        EXPECT_EQ(fresh->filePath[0], '\0');
        EXPECT_EQ(fresh->title, title);
        EXPECT_TRUE(FileBytes(shown) == before) << "the shown file was written over";
    }

    const std::string other = folder + "\\other.ACQ";
    files.push_back(other);
    {
        DialogAnswers answers(IDCANCEL);
        answers.messageAnswer = IDYES;
        answers.fileNames = {shown, other};
        ClickMiddle(start);
        ASSERT_EQ(answers.shown.size(), 4u);
        ASSERT_EQ(Running(), 1);
    }
    RunToEnd(250);
    EXPECT_EQ(lstrcmpiA(fresh->filePath, other.c_str()), 0) << fresh->filePath;
    ExpectFileHoldsCounting(other, layout, 9000);
    EXPECT_TRUE(FileBytes(shown) == before);
    ExpectFileHoldsCounting(shown, layout, 9000);
}

TEST_F(DiskRecording, AFileThatCannotBeMadeRefusesTheStartAndSaysSo) {
    const Layout layout{"one analog", {0}, {}};
    SetUpRun(layout, 1, 1, 500);
    const std::string path = folder + "\\no such folder\\run.acq";
    lstrcpynA(gs->filePath, path.c_str(), sizeof gs->filePath);
    DialogAnswers answers(IDCANCEL);
    Press();
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(gs->acquiring, 0u);
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text, "The recording file cannot be written\nAcquisition not performed");
    EXPECT_EQ(gs->chanBlock[1], nullptr);
}

// Each fault, injected after some frames came: the run ends with its message, and the file reads
// back with exactly the frames the graph received, none lost or shifted.
TEST_F(DiskRecording, AUnitFaultMidRunLeavesAReadableFileOfEveryFrameReceived) {
    struct Fault {
        const char* name;
        std::function<void()> inject;
        uint32_t advanceMs;
        const char* message;
    };
    const Fault faults[] = {
        {"no reply", [] { SimControlSetDword(kSimFaultCommand, 19), SimControlSetDword(kSimFault, kSimFaultNoReply); },
         100, "Communications error"},
        {"bad checksum",
         [] { SimControlSetDword(kSimFaultCommand, 19), SimControlSetDword(kSimFault, kSimFaultBadChecksum); }, 100,
         "Communications error"},
        {"ring overflow", [] {}, 9000, "Buffer overflow"},
        {"unit gone", [] { SimControlSetDword(kSimAbsent, 1); }, 100, "Communications error"},
    };
    const Layout layout{"all analog and digital", {0, 1, 2, 3}, {1}};
    int run = 0;
    for (const Fault& fault : faults) {
        SCOPED_TRACE(fault.name);
        const std::string path = NameGraph(("fault" + std::to_string(run++) + ".acq").c_str());
        SetUpRun(layout, 1, 1, 100000);
        Press();
        ASSERT_EQ(Running(), 1);
        for (int i = 0; i < 12; ++i) Advance(97);
        const uint32_t before = gs->chanCount[1];
        ASSERT_GT(before, 1000u);
        {
            DialogAnswers answers(IDOK);
            fault.inject();
            Advance(fault.advanceMs);
            EXPECT_EQ(Running(), 0);
            ASSERT_GE(answers.shown.size(), 1u);
            EXPECT_NE(answers.shown[0].text.find(fault.message), std::string::npos) << answers.shown[0].text;
            SimControlSetDword(kSimFault, kSimFaultNone);
            SimControlSetDword(kSimAbsent, 0);
        }
        EXPECT_GE(gs->chanCount[1], before);
        ExpectFileHoldsCounting(path, layout, gs->chanCount[1]);
    }
}

TEST_F(DiskRecording, AppendModeWithDiskStorageIsStoredAsOverwriteAndTheRunGoesOnce) {
    const Layout layout{"two analog", {1, 2}, {}};
    const std::string path = NameGraph("mode.acq");
    SetUpRun(layout, 1, 1, 700);
    Record();
    SetUpRun(layout, 1, 3, 400);
    {
        AcqLock acq(g_app->hAcq);
        acq->repeatMode = kRepeatRing;  // a ring would never end by its length
    }
    {
        DialogAnswers answers(IDCANCEL);
        Record();
        EXPECT_TRUE(answers.shown.empty()) << "a disk run asks nothing about appending";
    }
    EXPECT_EQ(DataMode(), 1);
    ExpectFileHoldsCounting(path, layout, 400);
}

TEST_F(DiskRecording, ARunWaitingForTheStartSignalCreatesItsFileWhenTheSignalComes) {
    const Layout layout{"analog and digital", {0, 2}, {3}};
    const std::string path = NameGraph("signal.acq");
    SimControlSetDword(kSimExternalTriggerFrame, 1500);
    SetUpRun(layout, 1, 1, 3000);
    {
        AcqLock acq(g_app->hAcq);
        acq->unitMode = 0x80;
    }
    Press();
    ASSERT_EQ(Running(), 1);
    Advance(1000);
    EXPECT_EQ(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "no file before the signal";
    RunToEnd(250);
    ExpectFileHoldsCounting(path, layout, 3000);  // the pattern counts from the signal's frame
}

// A graph that pages from the file of a disk run is loaded into memory, and a memory run in
// append mode adds its frames behind the file's.
TEST_F(DiskRecording, AMemoryRunAppendsToTheDataOfADiskRun) {
    const Layout layout{"two analog", {0, 3}, {}};
    NameGraph("first.acq");
    SetUpRun(layout, 1, 1, 9000);  // more than the graph's paging window
    Record();
    ASSERT_EQ(gs->storageKind, kStoreDiskPaged);
    SetUpRun(layout, 2, 3, 500);
    DialogAnswers answers(IDCANCEL);
    Record(40);
    EXPECT_TRUE(answers.shown.empty());
    EXPECT_EQ(gs->storageKind, kStoreMemory);
    for (int s : RunNumbers(layout)) {
        ASSERT_EQ(gs->chanCount[s], 9500u);
        const auto* block = static_cast<const uint16_t*>(gs->chanBlock[s]);
        for (uint32_t i = 0; i < 9500; ++i)
            ASSERT_EQ(block[i], CountingSample(s, i < 9000 ? i : i - 9000)) << "slot " << s << " sample " << i;
    }
}

// ---- High-speed runs on the second model ----

// The program over a simulated model-45 unit: at periods below 0.5 ms the unit fills a ring in
// its own memory, which the host reads with long requests as the run goes.
class FastDiskRecording : public DiskRecording {
protected:
    void SetUp() override {
        Boot(
            "diskfast", true, [] { SimControlSetDword(kSimSignalDigital, kSimSignalCounting); }, "VKUSB45");
    }
    // A combo box choice as the user makes it.
    static bool Choose(HWND dlg, int id, const char* text) {
        HWND combo = GetDlgItem(dlg, id);
        const LRESULT at =
            SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(text));
        if (at == CB_ERR) return false;
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo));
        return true;
    }
    // Typed over the field's text, then the focus leaves it.
    static void Type(HWND dlg, int id, const char* text) {
        HWND edit = GetDlgItem(dlg, id);
        SendMessageA(edit, EM_SETSEL, 0, -1);
        SendMessageA(edit, WM_CHAR, VK_BACK, 0);
        for (const char* p = text; *p; ++p) SendMessageA(edit, WM_CHAR, static_cast<WPARAM>(*p), 0);
        SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, EN_KILLFOCUS), reinterpret_cast<LPARAM>(edit));
    }
};

// Every frame of the counting pattern is in the file once, in its place: at 100 kHz past the end
// of the unit's ring, in batches too large to draw and in small ones drawn as they come, with
// digital and calculation channels, and at a slower high-speed rate.
TEST_F(FastDiskRecording, TheFileHoldsEveryFrameAtTheHighSpeedRates) {
    const struct {
        Layout layout;
        double periodMs;
        int32_t length;
        uint32_t stepMs;
    } cases[] = {
        {{"100K, all analog, past the ring's end", {0, 1, 2, 3}, {}}, 0.01, 600001, 700},  // 4.8 MB
        {{"100K, all analog, drawn as it comes", {0, 1, 2, 3}, {}}, 0.01, 60001, 40},
        {{"100K, analog, digital and a calculation channel", {0, 3}, {0, 2}, {0}}, 0.01, 250001, 300},
        {{"25K, one analog", {2}, {}}, 0.04, 100001, 250},
    };
    int run = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.layout.name);
        const std::string path = NameGraph(("fast" + std::to_string(run++) + ".acq").c_str());
        SetUpRun(c.layout, 1, 1, c.length, c.periodMs);
        DialogAnswers answers(IDOK);
        Press();
        ASSERT_EQ(Running(), 1) << "the run starts";
        RunToEnd(c.stepMs);
        EXPECT_TRUE(answers.shown.empty()) << (answers.shown.empty() ? "" : answers.shown.front().text);
        EXPECT_EQ(gs->totalSamples, c.length);
        EXPECT_EQ(gs->sampleInterval, c.periodMs);
        EXPECT_EQ(gs->storageKind, kStoreDiskPaged);
        ExpectFileHoldsCounting(path, c.layout, static_cast<uint32_t>(c.length));
    }
}

// In every high-speed run the fill gauge shows a batch against the unit's large ring:
// x 32 / (ring / 1024) bytes, two pixels for 560 KB of a 4 MB ring rather than a full column.
TEST_F(FastDiskRecording, TheFillGaugeShowsTheBatchAgainstTheHighSpeedRing) {
    SetUpRun({"all analog", {0, 1, 2, 3}, {}}, 2, 1, 200000, 0.01);
    Press();
    ASSERT_EQ(Running(), 1);
    // The first poll's new status image is drawn over the gauge: the second one's gauge stays.
    Advance(700);
    Advance(700);  // 70,000 frames of 8 bytes
    ASSERT_EQ(Running(), 1);
    const RECT box = gs->statusBoxRect;
    ASSERT_GT(box.bottom - box.top, 6);
    HDC dc = GetDC(first);
    const int x = box.right - 20;
    // The strip's last row lies below the client area: the column is read from the row above.
    const COLORREF bottom = GetPixel(dc, x, box.bottom - 2), above = GetPixel(dc, x, box.bottom - 4);
    ReleaseDC(first, dc);
    EXPECT_EQ(bottom, RGB(0, 0, 0));
    EXPECT_NE(above, RGB(0, 0, 0)) << "the column stays low";
    Press();
    EXPECT_EQ(Running(), 0);
}

// As a user does it: Acquisition Setup's 100K and "Hard Disk" and a length in samples, then
// Start on a graph never saved: the save dialog names the file and the run records into it.
TEST_F(FastDiskRecording, HardDiskAt100KChosenInAcquisitionSetupRecordsFromTheStartButton) {
    const Layout layout{"two analog", {0, 1}, {}};
    SetUpRun(layout, 2, 1, 6000, 5.0);  // memory at 5 ms, as a new set-up has it
    SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_ACQUISITION, 0);
    HWND dlg = nullptr;
    {
        AcqLock acq(g_app->hAcq);
        dlg = acq->hwndAcqSetup;
    }
    ASSERT_TRUE(dlg && IsWindowVisible(dlg));
    ASSERT_TRUE(Choose(dlg, IDC_SAMPLE_RATE, "100K"));
    ASSERT_TRUE(Choose(dlg, IDC_STORAGE, "Hard Disk"));
    SendDlgItemMessageA(dlg, IDC_LENGTH_UNIT, CB_SETCURSEL, 0, 0);  // samples
    SendMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_LENGTH_UNIT, CBN_SELCHANGE),
                 reinterpret_cast<LPARAM>(GetDlgItem(dlg, IDC_LENGTH_UNIT)));
    Type(dlg, IDC_LENGTH, "150000");
    {
        AcqLock acq(g_app->hAcq);
        ASSERT_EQ(acq->samplePeriodMs, 0.01);
        ASSERT_EQ(acq->storageKind, 1);
        ASSERT_EQ(acq->acqLength, 150000);
    }
    lstrcpynA(gs->title, "Untitled1", sizeof gs->title);
    gs->filePath[0] = '\0';
    const std::string path = folder + "\\fast.ACQ";
    files.push_back(path);
    {
        DialogAnswers answers(IDCANCEL);
        answers.fileName = folder + "\\fast";
        Press();
        ASSERT_EQ(answers.shown.size(), 1u) << "the save dialog, and no message";
        EXPECT_EQ(answers.shown[0].text, "Untitled1.ACQ");
        ASSERT_EQ(Running(), 1);
    }
    RunToEnd(250);
    EXPECT_EQ(lstrcmpiA(gs->filePath, path.c_str()), 0) << gs->filePath;
    ExpectFileHoldsCounting(path, layout, 150000);
}

// ---- The append check, in memory runs ----

class AppendCheck : public DiskRecording {
protected:
    // Two channels recorded anew, then append mode chosen: the graph holds 300 frames.
    void FirstRun() {
        SetUpRun(kTwo, 2, 1, 300);
        Record(40);
        ASSERT_EQ(gs->chanCount[1], 300u);
        AcqLock acq(g_app->hAcq);
        acq->dataMode = kDataAppend;
    }
    // Both channels (CH1 and CH3) hold the pattern run after run: each run counts from its first
    // frame again.
    void ExpectSegments(uint32_t runs) {
        ASSERT_EQ(gs->chanCount[1], 300u * runs);
        ASSERT_EQ(gs->chanCount[3], 300u * runs);
        for (int s : {1, 3}) {
            const auto* block = static_cast<const uint16_t*>(gs->chanBlock[s]);
            for (uint32_t i = 0; i < 300u * runs; ++i)
                ASSERT_EQ(block[i], CountingSample(s, i % 300)) << "slot " << s << " sample " << i;
        }
    }
    const Layout kTwo{"two analog", {0, 2}, {}};
};

TEST_F(AppendCheck, AnUnchangedGraphTakesTheNextRunBehindItsDataWithoutAQuestion) {
    FirstRun();
    DialogAnswers answers(IDCANCEL);
    Record(40);
    EXPECT_TRUE(answers.shown.empty());
    ExpectSegments(2);
    Record(40);
    ExpectSegments(3);
    // Overwrite replaces without a question while the warning is off.
    SetUpRun(kTwo, 2, 1, 300);
    Record(40);
    EXPECT_TRUE(answers.shown.empty());
    ExpectSegments(1);
}

TEST_F(AppendCheck, EditedDataAsksReplaceOrAbortAndEachAnswerDoesWhatItSays) {
    const struct {
        const char* name;
        int button;  // 0: the window closed
        bool starts;
    } answersTable[] = {{"Replace", IDOK, true}, {"Abort", IDCANCEL, false}, {"closed", 0, false}};
    for (const auto& c : answersTable) {
        SCOPED_TRACE(c.name);
        FirstRun();
        gs->chanCount[3] = 250;  // an edit shortened one channel
        DialogAnswers answers(c.button);
        Press();
        ASSERT_EQ(answers.shown.size(), 1u);
        const auto& seen = answers.shown[0];
        EXPECT_EQ(seen.caption, "Acquisition Warning");
        EXPECT_EQ(seen.text,
                  "You have modified or edited data in a way which prevents appending acquisitions. You can replace "
                  "the existing data or abort.");
        EXPECT_EQ(seen.buttons, (std::vector<std::pair<int, std::string>>{{IDOK, "&Replace"}, {IDCANCEL, "&Abort"}}));
        EXPECT_TRUE(seen.centred);
        EXPECT_EQ(seen.runningMeanwhile, 0) << "asked before the start";
        EXPECT_EQ(Running(), c.starts ? 1 : 0);
        if (c.starts) {
            RunToEnd(40);
            ExpectSegments(1);  // replaced: only the new run
        } else {
            EXPECT_EQ(gs->chanCount[1], 300u);
            EXPECT_EQ(gs->chanCount[3], 250u);
        }
    }
}

// A graph whose channel lies in a slot that belongs to no channel of the unit (slot 0, as files
// laid out by other means have it) cannot be continued in place: the edited-data question.
TEST_F(AppendCheck, AChannelOutsideItsOwnSlotAsksReplaceOrAbort) {
    FirstRun();
    // CH1's channel moves from slot 1 to slot 0.
    std::swap(gs->chanFlags[0], gs->chanFlags[1]);
    std::swap(gs->chanBlock[0], gs->chanBlock[1]);
    std::swap(gs->chanCount[0], gs->chanCount[1]);
    std::swap(gs->chanBytes[0], gs->chanBytes[1]);
    std::swap(gs->chanType[0], gs->chanType[1]);
    std::swap(gs->chanScale[0], gs->chanScale[1]);
    std::swap(gs->chanOffset[0], gs->chanOffset[1]);
    std::swap(gs->chanNumber[0], gs->chanNumber[1]);
    DialogAnswers answers(IDCANCEL);
    Press();
    ASSERT_EQ(answers.shown.size(), 1u);
    EXPECT_EQ(answers.shown[0].text,
              "You have modified or edited data in a way which prevents appending acquisitions. You can replace "
              "the existing data or abort.");
    EXPECT_EQ(Running(), 0);
    EXPECT_EQ(gs->chanCount[0], 300u);
    EXPECT_EQ(gs->chanCount[3], 300u);
}

TEST_F(AppendCheck, ADifferentPeriodAsksRevertReplaceOrAbortBeforeStarting) {
    const struct {
        const char* name;
        int button;
        bool starts;
        double period;      // the set-up's period afterwards
        uint32_t segments;  // runs the graph holds afterwards (0: unchanged from the first)
    } answersTable[] = {
        {"Revert", IDYES, true, 1.0, 2},
        {"Replace", IDNO, true, 2.0, 1},
        {"Abort", IDCANCEL, false, 2.0, 0},
    };
    for (const auto& c : answersTable) {
        SCOPED_TRACE(c.name);
        FirstRun();
        {
            AcqLock acq(g_app->hAcq);
            acq->samplePeriodMs = 2.0;
        }
        DialogAnswers answers(c.button);
        Press();
        ASSERT_EQ(answers.shown.size(), 1u);
        const auto& seen = answers.shown[0];
        EXPECT_EQ(seen.caption, "Acquisition Warning");
        EXPECT_EQ(seen.text,
                  "You have changed acquisition parameters which cannot be changed when appending data. You can reset "
                  "the parameters or replace the existing data.");
        EXPECT_EQ(seen.buttons, (std::vector<std::pair<int, std::string>>{
                                    {IDCANCEL, "&Abort"}, {IDYES, "&Revert"}, {IDNO, "R&eplace"}}));
        EXPECT_TRUE(seen.centred);
        EXPECT_EQ(seen.runningMeanwhile, 0) << "asked before the start";
        ASSERT_EQ(Running(), c.starts ? 1 : 0);
        {
            AcqLock acq(g_app->hAcq);
            EXPECT_EQ(acq->samplePeriodMs, c.period);
        }
        if (c.starts) RunToEnd(80);
        EXPECT_EQ(gs->sampleInterval, c.starts ? c.period : 1.0);
        ExpectSegments(c.segments ? c.segments : 1);
    }
}

// A graph marked for the other model, or recorded with it, is asked about with the model
// question instead of the dialogs: OK records anew, Cancel starts nothing.
TEST_F(AppendCheck, AGraphOfTheOtherModelGetsTheModelQuestion) {
    const struct {
        const char* name;
        uint32_t mark, model;
        double period;
        const char* text;
        int answer;
    } cases[] = {
        {"marked, OK", 1, 0, 1.0,
         "This file contains channels that require an VK40. If you click \"OK\" to record with an VK40, existing data "
         "will be overwritten.",
         IDOK},
        {"marked, Cancel", 1, 0, 1.0, nullptr, IDCANCEL},
        {"recorded with the other model, period changed, OK", 0, 35, 2.0,
         "Data recorded with the new acquisition parameters cannot be appended onto the existing data. Click \"OK\" "
         "to overwrite the existing data and begin the recording.",
         IDOK},
        {"recorded with the other model, period changed, Cancel", 0, 35, 2.0, nullptr, IDCANCEL},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        FirstRun();
        gs->modelMismatch = c.mark;
        if (c.model) gs->unitModel = c.model;
        {
            AcqLock acq(g_app->hAcq);
            acq->samplePeriodMs = c.period;
        }
        DialogAnswers answers(IDCANCEL);
        answers.messageAnswer = c.answer;
        Press();
        ASSERT_EQ(answers.shown.size(), 1u);
        EXPECT_EQ(answers.shown[0].caption, "Warning");
        if (c.text) {
            EXPECT_EQ(answers.shown[0].text, c.text);
        }
        EXPECT_EQ(answers.shown[0].runningMeanwhile, 0);
        if (c.answer == IDOK) {
            ASSERT_EQ(Running(), 1);
            RunToEnd(80);
            ExpectSegments(1);
            EXPECT_EQ(gs->modelMismatch, 0u) << "the graph now belongs to the connected unit";
            EXPECT_EQ(gs->unitModel, 30u);
        } else {
            EXPECT_EQ(Running(), 0);
            EXPECT_EQ(gs->chanCount[1], 300u);
        }
    }
}

TEST_F(AppendCheck, AChangedChannelSetIsRevertedToTheGraphsChannels) {
    FirstRun();
    SetUpRun({"three analog", {0, 1, 2}, {}}, 2, 3, 300);
    DialogAnswers answers(IDYES);
    Record(40);
    ASSERT_EQ(answers.shown.size(), 1u);
    ExpectSegments(2);
    EXPECT_FALSE(ChannelInUse(gs, 2));
    AcqLock acq(g_app->hAcq);
    EXPECT_EQ(acq->run.analogCount, 2);
}

}  // namespace
