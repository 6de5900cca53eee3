// The script editor as a lesson author meets it, in the program booted inside the test: its
// tools are clicked, its menu commands chosen, keys and characters sent to its text pane, and
// what the pane, the files, the variables and the Watch window then hold is read back.
#include <gtest/gtest.h>
#include <windows.h>
#include <richedit.h>

#include <algorithm>
#include <cstring>
#include <memory>

#include <string>
#include <utility>
#include <vector>

#include "base/app.h"
#include "base/lesson.h"
#include "graph/graph_ids.h"
#include "graph/window/graph_window.h"
#include "scripts/scripts_ids.h"
#include "graph/document/graph_doc.h"
#include "scripts/dialogs/script_dialogs.h"
#include "scripts/editor/script_editor.h"
#include "scripts/editor/script_print.h"
#include "graph/render/printing.h"
#include "controls/tests/render_test_support.h"
#include "scripts/engine/script_engine.h"
#include "scripts/words/word_fields.h"
#include "button/lumikey.h"
#include "tests/documents/acq_builder.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "tests/shell/box_capture.h"
#include "tests/shell/shell_fixture.h"

namespace {

// Lines 0..11 of the lesson's script, as a lesson author writes it.
const char kScript[] =
    "Editor test lesson\r\n"  // 0
    "Main\r\n"                // 1
    "a = 1.5\r\n"             // 2
    "A = 2\r\n"               // 3
    "CALL \"Helper\"\r\n"     // 4
    "B = 3\r\n"               // 5
    "D = A + B\r\n"           // 6
    "END\r\n"                 // 7
    "Helper\r\n"              // 8
    "C = 4\r\n"               // 9
    "END\r\n";                // 10

std::string g_openAnswer;  // what the open dialog returns ("" = Cancel)
int AnswerOpen(char* name, const char*) {
    lstrcpynA(name, g_openAnswer.c_str(), MAX_PATH);
    return g_openAnswer.empty() ? 0 : 1;
}
int NoPrompt(const char*, const char*, const char*, const char*) { return -1; }
int NoNumber(const char*, const char*, char*) { return -1; }
int NoText(const char*, const char*, char*) { return -1; }
int NoItems(const char*, const char* const*, int, int, int) { return -1; }
int NoLesson(char*) { return 0; }
const stScriptDialogs kDialogs = {NoPrompt, NoNumber, NoText, NoItems, NoLesson, AnswerOpen};

int16_t StopOnError(const char*) { return 0; }

std::string ReadText(const std::string& path) {
    const Bytes bytes = ReadWholeFile(path);
    return std::string(bytes.begin(), bytes.end());
}

// The windows of a class that this thread made.
std::vector<HWND> ThreadWindows(const char* cls) {
    struct Search {
        const char* cls;
        std::vector<HWND> found;
    } search{cls, {}};
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND w, LPARAM p) -> BOOL {
            auto* s = reinterpret_cast<Search*>(p);
            char name[64] = "";
            GetClassNameA(w, name, sizeof name);
            if (lstrcmpiA(name, s->cls) == 0) s->found.push_back(w);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&search));
    return search.found;
}

class ScriptEditor : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        ASSERT_TRUE(BootShell());
        SetScriptErrorHook(StopOnError);
        SetScriptDialogs(&kDialogs);
        for (int i = 0; i < 26; ++i) {
            g_script.variables[i] = 0.0;
            g_script.strings[i][0] = 0;
        }
        ASSERT_TRUE(WriteWholeFile(folder.File("lesson.acq"), BuildAcq(RichRecipe())));
        WriteScript(kScript);
        editor = OpenScriptEditor();
        ASSERT_NE(editor, nullptr);
        pane = GetDlgItem(editor, IDC_SCRIPT_PANE);
        ASSERT_NE(pane, nullptr);
    }
    void TearDown() override {
        if (IsWindow(editor)) DestroyWindow(editor);
        for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
            if (tagGS* gs = GetWindowGraph(w)) gs->modified = 0;
        SetScriptDialogs(nullptr);
        SetScriptErrorHook(nullptr);
        ShutShell();
    }
    void WriteScript(const std::string& text) {
        ASSERT_TRUE(WriteWholeFile(ScriptPath(), Bytes(text.begin(), text.end())));
    }
    std::string ScriptPath() const { return folder.File("lesson.SCR"); }

    HWND Tool(int id) const { return GetDlgItem(editor, id); }
    // A click on a tool: press and release inside it.
    void Click(int id) {
        HWND tool = Tool(id);
        ASSERT_NE(tool, nullptr) << id;
        SendMessageA(tool, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(5, 5));
        SendMessageA(tool, WM_LBUTTONUP, 0, MAKELPARAM(5, 5));
        PumpMessages();
    }
    // A command of the editor's menu.
    void Menu(int id) {
        SendMessageA(editor, WM_COMMAND, MAKEWPARAM(id, 0), 0);
        PumpMessages();
    }
    void OpenLesson() {
        g_openAnswer = folder.File("lesson.SCR");
        Click(IDM_SCRIPT_OPEN);
    }
    // The user picks a subroutine from the list.
    void Pick(const char* name) {
        HWND combo = Tool(IDC_SCRIPT_MACROS);
        const LRESULT index = SendMessageA(combo, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1), reinterpret_cast<LPARAM>(name));
        ASSERT_GE(index, 0) << name;
        SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
        SendMessageA(editor, WM_COMMAND, MAKEWPARAM(IDC_SCRIPT_MACROS, CBN_SELENDOK), reinterpret_cast<LPARAM>(combo));
    }
    LONG CaretLine() const {
        CHARRANGE range{};
        SendMessageA(pane, EM_EXGETSEL, 0, reinterpret_cast<LPARAM>(&range));
        return static_cast<LONG>(SendMessageA(pane, EM_EXLINEFROMCHAR, 0, range.cpMin));
    }
    void PutCaretOnLine(int line) {
        const LONG at = static_cast<LONG>(SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
        CHARRANGE range{at, at};
        SendMessageA(pane, EM_EXSETSEL, 0, reinterpret_cast<LPARAM>(&range));
    }
    // The pane's text as the user sees it, one "\n" per line end.
    std::string PaneLines() const {
        char text[4096] = "";
        GetWindowTextA(pane, text, sizeof text);
        std::string out;
        for (const char* p = text; *p; ++p)
            if (*p != '\n') out += *p == '\r' ? '\n' : *p;
        return out;
    }
    void Type(const std::string& text) {
        for (char c : text) SendMessageA(pane, WM_CHAR, static_cast<WPARAM>(static_cast<unsigned char>(c)), 1);
    }
    static double Var(char letter) { return g_script.variables[letter - 'A']; }

    TempFolder folder{"kyeditor"};
    HWND editor = nullptr;
    HWND pane = nullptr;
};

std::string Lines(const char* crlf) {
    std::string out;
    for (const char* p = crlf; *p; ++p)
        if (*p != '\n') out += *p == '\r' ? '\n' : *p;
    return out;
}

}  // namespace

TEST_F(ScriptEditor, OpensWithOnlyNewAndOpenThenOpenFillsTheToolsTitleAndList) {
    char title[260] = "";
    GetWindowTextA(editor, title, sizeof title);
    EXPECT_STREQ(title, "Script[]");
    const int later[] = {IDM_SCRIPT_SAVE, IDM_SCRIPT_SAVE_AS, IDM_SCRIPT_PRINT, IDC_SCRIPT_MACROS, IDM_SCRIPT_RUN,
                         IDM_SCRIPT_STEP_OVER, IDM_SCRIPT_STEP_INTO, IDM_SCRIPT_RUN_TO_CURSOR,
                         IDM_SCRIPT_TOGGLE_BREAKPOINT, IDM_SCRIPT_DELETE_BREAKPOINTS, IDM_SCRIPT_WATCH};
    EXPECT_TRUE(IsWindowEnabled(Tool(IDM_SCRIPT_NEW)));
    EXPECT_TRUE(IsWindowEnabled(Tool(IDM_SCRIPT_OPEN)));
    for (int id : later) EXPECT_FALSE(IsWindowEnabled(Tool(id))) << id;
    EXPECT_FALSE(IsWindowVisible(Tool(IDM_SCRIPT_INSERT)));

    g_openAnswer.clear();  // the open dialog cancelled: nothing changes
    Click(IDM_SCRIPT_OPEN);
    EXPECT_FALSE(IsWindowEnabled(Tool(IDM_SCRIPT_SAVE)));

    OpenLesson();
    GetWindowTextA(editor, title, sizeof title);
    EXPECT_EQ(std::string(title), "Script[" + ScriptPath() + "]");
    for (int id : later) EXPECT_TRUE(IsWindowEnabled(Tool(id))) << id;
    EXPECT_FALSE(IsWindowVisible(Tool(IDM_SCRIPT_INSERT)));
    HWND combo = Tool(IDC_SCRIPT_MACROS);
    ASSERT_EQ(SendMessageA(combo, CB_GETCOUNT, 0, 0), 2);
    char name[64] = "";
    SendMessageA(combo, CB_GETLBTEXT, 1, reinterpret_cast<LPARAM>(name));
    EXPECT_STREQ(name, "Helper");
    EXPECT_EQ(SendMessageA(combo, CB_GETCURSEL, 0, 0), 0);
    EXPECT_EQ(CaretLine(), 1) << "the caret at the first subroutine's name";
}

// Open used to leave the pane empty, so that a Save wrote an empty script over the lesson's.
TEST_F(ScriptEditor, OpenFillsThePaneSoThatSaveKeepsTheScript) {
    OpenLesson();
    EXPECT_EQ(PaneLines(), Lines(kScript));
    EXPECT_FALSE(SendMessageA(pane, EM_GETMODIFY, 0, 0));
    Click(IDM_SCRIPT_SAVE);
    EXPECT_EQ(ReadText(ScriptPath()), kScript);

    // The author's typing is what the next save writes, and what the next run steps through.
    PutCaretOnLine(6);
    Type("E = 7\r");
    EXPECT_TRUE(SendMessageA(pane, EM_GETMODIFY, 0, 0));
    Menu(IDM_SCRIPT_SAVE);
    const std::string saved = ReadText(ScriptPath());
    EXPECT_NE(saved.find("B = 3\r\nE = 7\r\nD = A + B\r\n"), std::string::npos) << saved;
    EXPECT_FALSE(SendMessageA(pane, EM_GETMODIFY, 0, 0));
    Pick("Main");
    Click(IDM_SCRIPT_RUN);
    EXPECT_EQ(Var('E'), 7) << "the run uses the saved text";
    EXPECT_EQ(Var('D'), 5);
}

TEST_F(ScriptEditor, OpeningOverUnsavedChangesAsksAndCancelKeepsThem) {
    OpenLesson();
    PutCaretOnLine(3);
    Type("; note\r");
    {
        BoxCapture boxes;
        boxes.answer = IDCANCEL;
        OpenLesson();
        ASSERT_EQ(boxes.boxes.size(), 1u);
        EXPECT_EQ(boxes.boxes[0].text, "The script has been changed.\nDo you want to save the changes?");
        EXPECT_EQ(boxes.boxes[0].caption, "Wavemind");
    }
    EXPECT_NE(PaneLines().find("; note"), std::string::npos) << "Cancel keeps the edit";
    EXPECT_EQ(ReadText(ScriptPath()), kScript);
    {
        BoxCapture boxes;
        boxes.answer = IDYES;
        OpenLesson();
        EXPECT_EQ(boxes.boxes.size(), 1u);
    }
    EXPECT_NE(ReadText(ScriptPath()).find("; note\r\n"), std::string::npos) << "Yes saved before opening";
    EXPECT_NE(PaneLines().find("; note"), std::string::npos) << "the saved script is opened again";
    int lessonGraphs = 0;
    for (HWND w = GetWindow(g_app->hwndClient, GW_CHILD); w; w = GetWindow(w, GW_HWNDNEXT))
        if (tagGS* gs = GetWindowGraph(w)) lessonGraphs += lstrcmpiA(gs->filePath, folder.File("lesson.acq").c_str()) == 0;
    EXPECT_EQ(lessonGraphs, 1) << "the lesson's graph is opened once";
}

TEST_F(ScriptEditor, StepIntoAndStepOverFollowTheStatementsWithTheCaret) {
    OpenLesson();
    Pick("Main");
    // Each Step Into: the caret's line afterwards and the variables it left.
    struct Step {
        int tool;
        LONG line;
        double a, c, b;
    };
    const Step steps[] = {
        {IDM_SCRIPT_STEP_INTO, 2, 0, 0, 0},   // entering: no statement runs yet
        {IDM_SCRIPT_STEP_INTO, 3, 0, 0, 0},   // a = 1.5 (a local)
        {IDM_SCRIPT_STEP_INTO, 4, 2, 0, 0},
        {IDM_SCRIPT_STEP_INTO, 8, 2, 0, 0},   // into Helper: the caret at its name
        {IDM_SCRIPT_STEP_INTO, 9, 2, 0, 0},   // its first statement
        {IDM_SCRIPT_STEP_INTO, 10, 2, 4, 0},
        {IDM_SCRIPT_STEP_INTO, 5, 2, 4, 0},   // back in Main after the CALL
        {IDM_SCRIPT_STEP_OVER, 6, 2, 4, 3},
        {IDM_SCRIPT_STEP_OVER, 7, 2, 4, 3},
        {IDM_SCRIPT_STEP_OVER, 1, 2, 4, 3},   // Main returned: the caret at its name
    };
    int n = 0;
    for (const Step& s : steps) {
        Click(s.tool);
        EXPECT_EQ(CaretLine(), s.line) << "step " << n;
        EXPECT_EQ(Var('A'), s.a) << "step " << n;
        EXPECT_EQ(Var('C'), s.c) << "step " << n;
        EXPECT_EQ(Var('B'), s.b) << "step " << n;
        ++n;
    }
    EXPECT_EQ(Var('D'), 5);

    // Step Over runs a CALL whole.
    g_script.variables['C' - 'A'] = 0;
    Pick("Main");
    for (int i = 0; i < 3; ++i) Click(IDM_SCRIPT_STEP_OVER);
    ASSERT_EQ(CaretLine(), 4);
    Click(IDM_SCRIPT_STEP_OVER);
    EXPECT_EQ(CaretLine(), 5);
    EXPECT_EQ(Var('C'), 4);
}

TEST_F(ScriptEditor, RunStopsAtBreakpointsAndRunToCursorAtTheCaretsLine) {
    OpenLesson();
    Pick("Main");
    // Without breakpoints a run goes through and stops at the subroutine's start.
    Click(IDM_SCRIPT_RUN);
    EXPECT_EQ(Var('D'), 5);
    EXPECT_EQ(CaretLine(), 1);

    for (int i = 0; i < 26; ++i) g_script.variables[i] = 0.0;
    PutCaretOnLine(9);
    SendMessageA(pane, WM_KEYDOWN, VK_F5, 0);  // a breakpoint in Helper
    PutCaretOnLine(6);
    Menu(IDM_SCRIPT_TOGGLE_BREAKPOINT);  // and one in Main
    Pick("Main");
    Click(IDM_SCRIPT_RUN);
    EXPECT_EQ(CaretLine(), 9);
    EXPECT_EQ(Var('A'), 2);
    EXPECT_EQ(Var('C'), 0) << "stopped before the breakpoint's statement";
    Click(IDM_SCRIPT_RUN);
    EXPECT_EQ(CaretLine(), 6);
    EXPECT_EQ(Var('C'), 4);
    EXPECT_EQ(Var('B'), 3);
    EXPECT_EQ(Var('D'), 0);
    Click(IDM_SCRIPT_RUN);
    EXPECT_EQ(Var('D'), 5);
    EXPECT_EQ(CaretLine(), 1);

    // F5 on a breakpoint's line takes it away; Delete All Breakpoints takes the rest.
    for (int i = 0; i < 26; ++i) g_script.variables[i] = 0.0;
    PutCaretOnLine(9);
    SendMessageA(pane, WM_KEYDOWN, VK_F5, 0);
    Click(IDM_SCRIPT_DELETE_BREAKPOINTS);
    Pick("Main");
    Click(IDM_SCRIPT_RUN);
    EXPECT_EQ(Var('D'), 5);

    // Run to cursor: up to the statement on the caret's line.
    for (int i = 0; i < 26; ++i) g_script.variables[i] = 0.0;
    Pick("Main");
    PutCaretOnLine(5);
    Click(IDM_SCRIPT_RUN_TO_CURSOR);
    EXPECT_EQ(CaretLine(), 5);
    EXPECT_EQ(Var('C'), 4);
    EXPECT_EQ(Var('B'), 0);
}

TEST_F(ScriptEditor, TheWatchWindowShowsLocalsGlobalsAndStrings) {
    OpenLesson();
    Pick("Main");
    for (int i = 0; i < 3; ++i) Click(IDM_SCRIPT_STEP_INTO);  // a = 1.5 and A = 2 ran
    std::strcpy(g_script.strings[1], "second");
    Click(IDM_SCRIPT_WATCH);
    std::vector<HWND> dialogs = ThreadWindows("#32770");
    HWND watch = nullptr;
    for (HWND d : dialogs)
        if (GetWindow(d, GW_OWNER) == editor) watch = d;
    ASSERT_NE(watch, nullptr);
    auto field = [&](int i) {
        char text[64] = "";
        GetDlgItemTextA(watch, IDC_WATCH_FIRST_VALUE + i, text, sizeof text);
        return std::string(text);
    };
    auto caption = [&] {
        char text[64] = "";
        GetDlgItemTextA(watch, IDC_WATCH_CAPTION, text, sizeof text);
        return std::string(text);
    };
    EXPECT_EQ(caption(), "Local Variables");
    EXPECT_EQ(field(0), "1.500000000");
    EXPECT_EQ(field(1), "") << "a local holding 0 is an empty field";
    SendMessageA(GetDlgItem(watch, IDC_WATCH_GLOBALS), BM_CLICK, 0, 0);
    EXPECT_EQ(caption(), "Global Variables");
    EXPECT_EQ(field(0), "2.000000000");
    EXPECT_EQ(field(1), "");
    SendMessageA(GetDlgItem(watch, IDC_WATCH_STRINGS), BM_CLICK, 0, 0);
    EXPECT_EQ(caption(), "Global Strings");
    EXPECT_EQ(field(1), "second");

    // The Watch window follows the steps; closing it leaves the editor.
    SendMessageA(GetDlgItem(watch, IDC_WATCH_GLOBALS), BM_CLICK, 0, 0);
    Click(IDM_SCRIPT_STEP_OVER);
    Click(IDM_SCRIPT_STEP_OVER);
    EXPECT_EQ(field(1), "3.000000000");
    SendMessageA(watch, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindow(watch));
    EXPECT_TRUE(IsWindow(editor));
}

TEST_F(ScriptEditor, TabMovesAlongTheToolsAndHintsFollowTheMouse) {
    OpenLesson();
    HWND combo = Tool(IDC_SCRIPT_MACROS);
    SetFocus(combo);
    SendMessageA(combo, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), Tool(IDM_SCRIPT_RUN));
    BYTE keys[256];
    GetKeyboardState(keys);
    BYTE shifted[256];
    std::memcpy(shifted, keys, sizeof keys);
    shifted[VK_SHIFT] = 0x80;
    SetKeyboardState(shifted);
    SetFocus(combo);
    SendMessageA(combo, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), Tool(IDM_SCRIPT_PRINT));
    SetFocus(Tool(IDM_SCRIPT_NEW));
    SendMessageA(editor, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), pane) << "Shift+Tab from the first tool goes to the pane";
    SetKeyboardState(keys);
    SetFocus(Tool(IDM_SCRIPT_WATCH));
    SendMessageA(editor, WM_KEYDOWN, VK_TAB, 0);
    EXPECT_EQ(GetFocus(), pane) << "Tab from the last tool goes to the pane";

    // The hint line: text while the mouse is over a tool, plain grey once it is over the editor.
    auto hintInk = [&] {
        UpdateWindow(editor);
        RECT client;
        GetClientRect(editor, &client);
        HDC dc = GetDC(editor);
        int ink = 0;
        for (int y = client.bottom - 21; y < client.bottom - 8; ++y)
            for (int x = 10; x < 160; ++x) ink += GetPixel(dc, x, y) != RGB(0xC0, 0xC0, 0xC0);
        ReleaseDC(editor, dc);
        return ink;
    };
    SendMessageA(editor, WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));
    EXPECT_EQ(hintInk(), 0);
    SendMessageA(combo, WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_GT(hintInk(), 20) << "Select macro to run";
    SendMessageA(editor, WM_MOUSEMOVE, 0, MAKELPARAM(200, 200));
    EXPECT_EQ(hintInk(), 0);
    SendMessageA(Tool(IDM_SCRIPT_RUN), WM_MOUSEMOVE, 0, MAKELPARAM(3, 3));
    EXPECT_GT(hintInk(), 20) << "a tool's own hover notice";
}

TEST_F(ScriptEditor, TheLessonChoosersEditScriptButtonOpensTheEditor) {
    DestroyWindow(editor);
    EXPECT_TRUE(ThreadWindows("acqScript").empty());
    static HHOOK hook = nullptr;
    hook = SetWindowsHookExA(
        WH_CBT,
        [](int code, WPARAM wParam, LPARAM lParam) -> LRESULT {
            if (code == HCBT_ACTIVATE) {
                HWND w = reinterpret_cast<HWND>(wParam);
                if (GetDlgItem(w, IDC_LESSON_EDIT_SCRIPT))
                    PostMessageA(w, WM_COMMAND, MAKEWPARAM(IDC_LESSON_EDIT_SCRIPT, BN_CLICKED),
                                 reinterpret_cast<LPARAM>(GetDlgItem(w, IDC_LESSON_EDIT_SCRIPT)));
            }
            return CallNextHookEx(hook, code, wParam, lParam);
        },
        nullptr, GetCurrentThreadId());
    char path[MAX_PATH] = "";
    const int result = RunLessonChooser(0, path);
    UnhookWindowsHookEx(hook);
    EXPECT_EQ(result, 1);
    const std::vector<HWND> editors = ThreadWindows("acqScript");
    ASSERT_EQ(editors.size(), 1u);
    char title[64] = "";
    GetWindowTextA(editors[0], title, sizeof title);
    EXPECT_STREQ(title, "Script[]");
    EXPECT_TRUE(IsWindowVisible(editors[0]));
    editor = editors[0];
}

namespace {

// The tools with pictures, the hidden Insert tool last.
const int kPictureTools[] = {IDM_SCRIPT_NEW, IDM_SCRIPT_OPEN, IDM_SCRIPT_SAVE, IDM_SCRIPT_SAVE_AS, IDM_SCRIPT_PRINT,
                             IDM_SCRIPT_RUN, IDM_SCRIPT_STEP_OVER, IDM_SCRIPT_STEP_INTO, IDM_SCRIPT_RUN_TO_CURSOR,
                             IDM_SCRIPT_TOGGLE_BREAKPOINT, IDM_SCRIPT_DELETE_BREAKPOINTS, IDM_SCRIPT_WATCH,
                             IDM_SCRIPT_INSERT};

using Picture = stBitmapPixels;

// Whether the picture stands whole somewhere in the captured square.
bool Shows(const std::vector<uint32_t>& shot, int size, const Picture& p) {
    for (int oy = 0; oy + p.height <= size; ++oy)
        for (int ox = 0; ox + p.width <= size; ++ox) {
            bool all = true;
            for (int y = 0; all && y < p.height; ++y)
                for (int x = 0; all && x < p.width; ++x)
                    all = (shot[size_t(oy + y) * size + ox + x] & 0xFFFFFF) == p.pixels[size_t(y) * p.width + x];
            if (all) return true;
        }
    return false;
}

uint32_t Rgb(COLORREF c) { return (uint32_t(GetRValue(c)) << 16) | (uint32_t(GetGValue(c)) << 8) | GetBValue(c); }

}  // namespace

TEST_F(ScriptEditor, EveryToolShowsItsOwnPicture) {
    std::vector<std::vector<uint32_t>> seen;
    for (int id : kPictureTools) {
        HBITMAP loaded = LoadBitmapA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id));
        ASSERT_NE(loaded, nullptr) << id;
        const Picture picture = BitmapPixels(loaded);
        DeleteObject(loaded);
        EXPECT_EQ(picture.width, 16) << id;
        EXPECT_EQ(picture.height, 15) << id;
        for (const auto& other : seen) EXPECT_NE(other, picture.pixels) << id << ": two tools share a picture";
        seen.push_back(picture.pixels);
        const auto held = reinterpret_cast<HBITMAP>(SendMessageA(Tool(id), LKM_GETENABLEBITMAP, 0, 0));
        ASSERT_NE(held, nullptr) << id;
        EXPECT_EQ(BitmapPixels(held).pixels, picture.pixels) << id;
    }

    // Before a script is open the later tools are greyed: their pictures are etched, not gone.
    const uint32_t face = Rgb(GetSysColor(COLOR_BTNFACE));
    const uint32_t highlight = Rgb(GetSysColor(COLOR_BTNHIGHLIGHT));
    for (int id : {IDM_SCRIPT_SAVE, IDM_SCRIPT_RUN, IDM_SCRIPT_TOGGLE_BREAKPOINT}) {
        const std::vector<uint32_t> shot = Capture(Tool(id), RECT{0, 0, 22, 22});
        ASSERT_EQ(shot.size(), 22u * 22u);
        int etched = 0;
        for (int y = 3; y < 19; ++y)
            for (int x = 3; x < 19; ++x) etched += (shot[size_t(y) * 22 + x] & 0xFFFFFF) == highlight;
        EXPECT_GT(etched, 5) << id;
    }

    // Enabled, each visible tool draws its picture whole.
    OpenLesson();
    for (size_t i = 0; i + 1 < sizeof kPictureTools / sizeof kPictureTools[0]; ++i) {
        const int id = kPictureTools[i];
        ASSERT_TRUE(IsWindowEnabled(Tool(id))) << id;
        const std::vector<uint32_t> shot = Capture(Tool(id), RECT{0, 0, 22, 22});
        ASSERT_EQ(shot.size(), 22u * 22u);
        Picture picture;
        picture.width = 16;
        picture.height = 15;
        picture.pixels = seen[i];
        EXPECT_TRUE(Shows(shot, 22, picture)) << id;
        int inked = 0;
        for (uint32_t px : shot) inked += (px & 0xFFFFFF) != face;
        EXPECT_GT(inked, 60) << id;
    }
}

TEST_F(ScriptEditor, TheCurrentLineMarkFollowsTheStepsAndBreakpointsShowBesideTheirLines) {
    OpenLesson();
    // The pane's lines as drawn: top and bottom of each.
    auto band = [&](int line) {
        const LONG start = static_cast<LONG>(SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
        const LONG next = static_cast<LONG>(SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line + 1), 0));
        POINTL a{}, b{};
        SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&a), start);
        SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&b), next);
        return std::make_pair(static_cast<int>(a.y), static_cast<int>(b.y));
    };
    // The lines whose band holds a pixel of the colour in the gutter.
    auto linesWith = [&](COLORREF colour) {
        RECT client;
        GetClientRect(pane, &client);
        const std::vector<uint32_t> shot = Capture(pane, RECT{0, 0, kPaneGutter, client.bottom});
        std::vector<int> found;
        for (int line = 0; line < 11; ++line) {
            const auto rows = band(line);
            bool any = false;
            for (int y = std::max(rows.first, 0); y < rows.second && y < client.bottom; ++y)
                for (int x = 0; x < kPaneGutter; ++x) any = any || (shot[size_t(y) * kPaneGutter + x] & 0xFFFFFF) == Rgb(colour);
            if (any) found.push_back(line);
        }
        // Nothing of the colour outside the lines' bands either.
        int outside = 0;
        const int last = band(10).second;
        for (int y = last; y < client.bottom; ++y)
            for (int x = 0; x < kPaneGutter; ++x) outside += (shot[size_t(y) * kPaneGutter + x] & 0xFFFFFF) == Rgb(colour);
        EXPECT_EQ(outside, 0);
        return found;
    };
    using Lines = std::vector<int>;
    ASSERT_LT(band(0).first, band(1).first) << "the pane's lines have heights";

    Pick("Main");
    EXPECT_EQ(linesWith(kPaneMarkColour), Lines{1}) << "the chosen subroutine's name line";
    struct Step {
        int tool;
        int line;  // where the caret and the mark stand afterwards
    };
    const Step steps[] = {
        {IDM_SCRIPT_STEP_INTO, 2}, {IDM_SCRIPT_STEP_INTO, 3}, {IDM_SCRIPT_STEP_INTO, 4}, {IDM_SCRIPT_STEP_INTO, 8},
        {IDM_SCRIPT_STEP_INTO, 9}, {IDM_SCRIPT_STEP_INTO, 10}, {IDM_SCRIPT_STEP_INTO, 5}, {IDM_SCRIPT_STEP_OVER, 6},
    };
    for (const Step& s : steps) {
        Click(s.tool);
        ASSERT_EQ(CaretLine(), s.line);
        EXPECT_EQ(linesWith(kPaneMarkColour), Lines{s.line}) << "after the step to line " << s.line;
    }
    EXPECT_TRUE(linesWith(kPaneBreakpointColour).empty());

    // Breakpoints show beside their lines; a run stops at one with the mark on it.
    PutCaretOnLine(9);
    SendMessageA(pane, WM_KEYDOWN, VK_F5, 0);
    PutCaretOnLine(3);
    Click(IDM_SCRIPT_TOGGLE_BREAKPOINT);
    EXPECT_EQ(linesWith(kPaneBreakpointColour), (Lines{3, 9}));
    Pick("Main");
    Click(IDM_SCRIPT_RUN);
    ASSERT_EQ(CaretLine(), 3);
    EXPECT_EQ(linesWith(kPaneMarkColour), Lines{3});
    EXPECT_EQ(linesWith(kPaneBreakpointColour), (Lines{3, 9})) << "the dot stays under the mark";
    Click(IDM_SCRIPT_RUN);
    ASSERT_EQ(CaretLine(), 9);
    EXPECT_EQ(linesWith(kPaneMarkColour), Lines{9});
    Click(IDM_SCRIPT_DELETE_BREAKPOINTS);
    EXPECT_TRUE(linesWith(kPaneBreakpointColour).empty());
    EXPECT_EQ(linesWith(kPaneMarkColour), Lines{9});

    // The text starts right of the gutter, so that the marks never cover a character: no ink in
    // the gap between the gutter and the text on any line.
    constexpr int kGap = 2;
    const std::vector<uint32_t> strip = Capture(pane, RECT{kPaneGutter, 0, kPaneGutter + kGap, band(10).second});
    int ink = 0;
    for (uint32_t px : strip) ink += (px & 0xFFFFFF) != Rgb(GetSysColor(COLOR_WINDOW));
    EXPECT_EQ(ink, 0);
    // Also after the author resizes the editor, which lays the pane's text out again.
    for (const SIZE& size : {SIZE{600, 480}, SIZE{300, 260}}) {
        SetWindowPos(editor, nullptr, 0, 0, size.cx, size.cy, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
        PumpMessages();
        for (int line = 0; line < 11; ++line) {
            POINTL at{};
            SendMessageA(pane, EM_POSFROMCHAR, reinterpret_cast<WPARAM>(&at),
                         SendMessageA(pane, EM_LINEINDEX, static_cast<WPARAM>(line), 0));
            EXPECT_GE(at.x, kPaneGutter + kGap) << "line " << line << " at width " << size.cx;
        }
    }
    EXPECT_EQ(linesWith(kPaneMarkColour), Lines{9});
}

// ---- Print Script ----

TEST(ScriptPrintLayout, LinesFillPagesFromTheTop) {
    struct Case {
        int32_t count, line, page;
        std::vector<stScriptLinePlace> want;
    } cases[] = {
        {3, 10, 100, {{0, 0}, {0, 10}, {0, 20}}},
        {4, 10, 30, {{0, 0}, {0, 10}, {0, 20}, {1, 0}}},  // 30 + 10 would pass the bottom
        {3, 10, 25, {{0, 0}, {0, 10}, {1, 0}}},
        {2, 50, 20, {{0, 0}, {1, 0}}},  // a line taller than the page still gets one
    };
    for (const Case& c : cases) {
        std::vector<stScriptLinePlace> got(static_cast<size_t>(c.count));
        PlaceScriptLines(c.count, c.line, c.page, got.data());
        for (size_t i = 0; i < got.size(); ++i) {
            EXPECT_EQ(got[i].page, c.want[i].page) << c.count << "/" << c.page << " line " << i;
            EXPECT_EQ(got[i].y, c.want[i].y) << c.count << "/" << c.page << " line " << i;
        }
    }
}

namespace {

// The printer of the editor's tests: a memory page, each ended page copied aside.
struct stScriptPrinter {
    std::unique_ptr<CDibSurface> surface;
    std::vector<std::unique_ptr<CDibSurface>> pages;
    std::vector<std::string> progress;
    DWORD askedFlags = 0;
    int failStep = 0;     // 2 StartPage fails
    int cancelAfter = 0;  // Cancel pressed in the progress dialog as this page ends
    int endDocs = 0, abortDocs = 0;
} g_scriptPrinter;

BOOL ScriptPrintDialog(PRINTDLGA* pd, DWORD* error) {
    *error = 0;
    g_scriptPrinter.askedFlags = pd->Flags;
    pd->hDC = g_scriptPrinter.surface->Dc();
    return TRUE;
}
int ScriptStartDoc(HDC, const DOCINFOA*) { return 1; }
int ScriptStartPage(HDC dc) {
    PatBlt(dc, 0, 0, g_scriptPrinter.surface->Width(), g_scriptPrinter.surface->Height(), WHITENESS);
    return g_scriptPrinter.failStep == 2 ? SP_ERROR : 1;
}
int ScriptEndPage(HDC dc) {
    const int w = g_scriptPrinter.surface->Width(), h = g_scriptPrinter.surface->Height();
    auto page = std::make_unique<CDibSurface>(w, h);
    BitBlt(page->Dc(), 0, 0, w, h, dc, 0, 0, SRCCOPY);
    g_scriptPrinter.pages.push_back(std::move(page));
    char line[64] = "";
    GetDlgItemTextA(PrintProgressWindow(), IDC_PRINT_PAGE, line, sizeof line);
    g_scriptPrinter.progress.push_back(line);
    if (g_scriptPrinter.cancelAfter == static_cast<int>(g_scriptPrinter.pages.size())) {
        PostMessageA(GetDlgItem(PrintProgressWindow(), IDCANCEL), BM_CLICK, 0, 0);
        PrintAbortProc(dc, 0);
    }
    return 1;
}
int ScriptEndDoc(HDC) {
    ++g_scriptPrinter.endDocs;
    return 1;
}
int ScriptAbortDoc(HDC) {
    ++g_scriptPrinter.abortDocs;
    return 1;
}
BOOL ScriptKeepDC(HDC) { return TRUE; }
const stPrintDevice kScriptDevice{ScriptPrintDialog, nullptr,      ScriptStartDoc, ScriptStartPage,
                                  ScriptEndPage,     ScriptEndDoc, ScriptAbortDoc, ScriptKeepDC};

bool RowHasInk(const CDibSurface& s, int top, int bottom) {
    for (int y = top; y < bottom; ++y)
        for (int x = 0; x < s.Width() / 2; ++x)
            if (s.At(x, y) != RGB(255, 255, 255)) return true;
    return false;
}

}  // namespace

// Print Script: the plain print dialog (the graph's options not on it), every line of the pane
// on as many pages as it takes, the progress dialog counting the pages; a printer that fails is
// reported with the script's name; Cancel in the progress dialog stops quietly.
TEST_F(ScriptEditor, PrintScriptPrintsEveryLineOnAsManyPagesAsItTakes) {
    std::string text = kScript;
    for (int i = 0; i < 150; ++i) text += "C = " + std::to_string(i) + "\r\n";
    WriteScript(text);
    OpenLesson();
    CDibSurface probe(1, 1);
    const int w = GetDeviceCaps(probe.Dc(), HORZRES), h = GetDeviceCaps(probe.Dc(), VERTRES);
    SIZE cc{};
    GetTextExtentPoint32A(probe.Dc(), "CC", 2, &cc);
    const int count = static_cast<int>(SendMessageA(pane, EM_GETLINECOUNT, 0, 0));
    ASSERT_GE(count, 160);
    std::vector<stScriptLinePlace> places(static_cast<size_t>(count));
    PlaceScriptLines(count, cc.cy, h, places.data());
    const size_t pages = static_cast<size_t>(places.back().page + 1);
    ASSERT_GE(pages, 2u);
    SetPrintDevice(&kScriptDevice);
    const DWORD flags = PrintSetupForTests().Flags;
    struct Case {
        int failStep, cancelAfter;
        size_t pages, boxes;
        int endDocs, abortDocs;
    } cases[] = {{0, 0, pages, 0, 1, 0}, {2, 0, 0, 1, 0, 1}, {0, 1, 1, 0, 0, 1}};
    for (const Case& c : cases) {
        SCOPED_TRACE(testing::Message() << "fail " << c.failStep << " cancel " << c.cancelAfter);
        g_scriptPrinter = stScriptPrinter{};
        g_scriptPrinter.surface = std::make_unique<CDibSurface>(w, h);
        g_scriptPrinter.failStep = c.failStep;
        g_scriptPrinter.cancelAfter = c.cancelAfter;
        BoxCapture boxes;
        boxes.caption = "Norvane Tessaly";
        Click(IDM_SCRIPT_PRINT);
        EXPECT_EQ(g_scriptPrinter.askedFlags & (PD_ENABLEPRINTHOOK | PD_ENABLEPRINTTEMPLATE), 0u);
        EXPECT_EQ(PrintSetupForTests().Flags, flags) << "the print block keeps the graph's options";
        ASSERT_EQ(boxes.boxes.size(), c.boxes);
        if (c.boxes) {
            EXPECT_EQ(boxes.boxes[0].text, "Cannot print " + ScriptPath() + "!");
        }
        ASSERT_EQ(g_scriptPrinter.pages.size(), c.pages);
        EXPECT_EQ(g_scriptPrinter.endDocs, c.endDocs);
        EXPECT_EQ(g_scriptPrinter.abortDocs, c.abortDocs);
        EXPECT_TRUE(IsWindowEnabled(g_app->hwndFrame));
        EXPECT_EQ(PrintProgressWindow(), nullptr);
        for (size_t p = 0; p < g_scriptPrinter.pages.size(); ++p) {
            EXPECT_EQ(g_scriptPrinter.progress[p], "Now printing Page " + std::to_string(p + 1));
            // The page's first and last rows of text are inked, nothing below the last.
            const CDibSurface& page = *g_scriptPrinter.pages[p];
            int first = -1, last = -1;
            for (int i = 0; i < count - 1; ++i)  // the pane's last line is the empty one after the last line end
                if (places[i].page == static_cast<int>(p)) {
                    if (first < 0) first = i;
                    last = i;
                }
            EXPECT_TRUE(RowHasInk(page, places[first].y, places[first].y + cc.cy)) << "page " << p;
            EXPECT_TRUE(RowHasInk(page, places[last].y, places[last].y + cc.cy)) << "page " << p;
            EXPECT_FALSE(RowHasInk(page, places[last].y + cc.cy, h)) << "page " << p;
        }
    }
    SetPrintDevice(nullptr);
}
