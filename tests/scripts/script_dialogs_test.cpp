// The lesson statements' dialogs as a user meets them: each is opened as a word or the menu
// would open it, a hook acts on it as the user would (reads what it shows, types, presses
// buttons), and the test checks what it returned and left behind. Both looks are covered: the
// bitmap look reads small pictures that the test writes into a lesson's "Prompts" and "Buttons".
#include <gtest/gtest.h>

#include <windows.h>
#include <commdlg.h>
#include <dlgs.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "tests/graph/dialogs/dialog_driver.h"
#include "base/app.h"
#include "base/lesson.h"
#include "base/notify.h"
#include "scripts/scripts_ids.h"
#include "controls/script_button.h"
#include "controls/short_string.h"
#include "controls/dib_file.h"
#include "devlib/vk40.h"
#include "scripts/dialogs/script_dialogs.h"
#include "scripts/editor/vars_browser.h"
#include "scripts/engine/script_engine.h"

namespace {

// ---- Files ----

std::string TempFolder(const char* tag) {
    char dir[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    std::string folder = std::string(dir) + tag + "_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void WriteFile(const std::string& path, const std::string& bytes) {
    FILE* f = std::fopen(path.c_str(), "wb");
    ASSERT_NE(f, nullptr) << path;
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
}

// A script file with CR LF line ends.
void WriteScript(const std::string& path, const std::string& text) {
    std::string crlf;
    for (char c : text) crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
    WriteFile(path, crlf);
}

// A one-colour 24-bit .bmp of the given size.
void WriteBitmap(const std::string& path, int width, int height, COLORREF colour) {
    const int stride = (width * 3 + 3) & ~3;
    const uint32_t pixels = uint32_t(stride) * uint32_t(height);
    BITMAPFILEHEADER file{};
    BITMAPINFOHEADER info{};
    file.bfType = 0x4D42;
    file.bfOffBits = sizeof file + sizeof info;
    file.bfSize = file.bfOffBits + pixels;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    std::string bytes(reinterpret_cast<const char*>(&file), sizeof file);
    bytes.append(reinterpret_cast<const char*>(&info), sizeof info);
    std::string row(size_t(stride), 0);
    for (int x = 0; x < width; ++x) {
        row[size_t(x) * 3] = static_cast<char>(GetBValue(colour));
        row[size_t(x) * 3 + 1] = static_cast<char>(GetGValue(colour));
        row[size_t(x) * 3 + 2] = static_cast<char>(GetRValue(colour));
    }
    for (int y = 0; y < height; ++y) bytes += row;
    WriteFile(path, bytes);
}

// ---- The user at the dialog ----

// Acts on each modal dialog of this thread as it finishes its initialisation, one action per
// dialog in order. An action reads the dialog and posts what a user's clicks and keys would send.
struct DialogUser {
    static std::vector<std::function<void(HWND)>> actions;
    static std::vector<HWND> seen;
    static HHOOK hook;
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam) {
        const auto* call = reinterpret_cast<const CWPRETSTRUCT*>(lParam);
        if (code == HC_ACTION && call->message == WM_INITDIALOG && !actions.empty()) {
            char cls[16] = "";
            GetClassNameA(call->hwnd, cls, sizeof cls);
            const bool child = (GetWindowLongPtrA(call->hwnd, GWL_STYLE) & WS_CHILD) != 0;
            if (std::strcmp(cls, "#32770") == 0 && !child) {
                auto action = actions.front();
                actions.erase(actions.begin());
                seen.push_back(call->hwnd);
                action(call->hwnd);
            }
        }
        return CallNextHookEx(hook, code, wParam, lParam);
    }
};
std::vector<std::function<void(HWND)>> DialogUser::actions;
std::vector<HWND> DialogUser::seen;
HHOOK DialogUser::hook = nullptr;

void Press(HWND dlg, int id) {
    PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(GetDlgItem(dlg, id)));
}
void Type(HWND dlg, int id, const char* text) { SetDlgItemTextA(dlg, id, text); }
std::string Text(HWND dlg, int id) {
    char text[512] = "";
    GetDlgItemTextA(dlg, id, text, sizeof text);
    return text;
}
bool Shown(HWND dlg, int id) { return (GetWindowLongPtrA(GetDlgItem(dlg, id), GWL_STYLE) & WS_VISIBLE) != 0; }
RECT Place(HWND dlg, int id) {
    RECT rc{};
    GetWindowRect(GetDlgItem(dlg, id), &rc);
    MapWindowPoints(nullptr, dlg, reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}
SIZE ImageSize(HANDLE image) {
    BITMAP bm{};
    if (!image || !GetObjectA(image, sizeof bm, &bm)) return SIZE{0, 0};
    return SIZE{bm.bmWidth, bm.bmHeight};
}
SIZE ButtonImage(HWND dlg, int id) {
    return ImageSize(reinterpret_cast<HANDLE>(SendDlgItemMessageA(dlg, id, BM_GETIMAGE, IMAGE_BITMAP, 0)));
}
SIZE StaticImage(HWND dlg, int id) {
    return ImageSize(reinterpret_cast<HANDLE>(SendDlgItemMessageA(dlg, id, STM_GETIMAGE, IMAGE_BITMAP, 0)));
}

// ---- Fixture: a program folder with two lessons and the pictures of the first ----

class ScriptDialogs : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(sizeof cwd_, cwd_);
        folder_ = TempFolder("kydlg");
        lessons_ = folder_ + "\\Lessons";
        CreateDirectoryA(lessons_.c_str(), nullptr);
        for (const char* lesson : {"Alpha", "Beta"}) CreateDirectoryA((lessons_ + "\\" + lesson).c_str(), nullptr);
        const std::string prompts = lessons_ + "\\Alpha\\Prompts", buttons = lessons_ + "\\Alpha\\Buttons";
        CreateDirectoryA(prompts.c_str(), nullptr);
        CreateDirectoryA(buttons.c_str(), nullptr);
        WriteBitmap(prompts + "\\Question.bmp", 300, 60, RGB(0, 0, 255));
        WriteBitmap(prompts + "\\Small.bmp", 40, 20, RGB(0, 128, 0));
        WriteBitmap(prompts + "\\Label.bmp", 50, 18, RGB(255, 255, 0));
        WriteBitmap(prompts + "\\Red.bmp", 30, 16, RGB(255, 0, 0));
        WriteBitmap(prompts + "\\Green.bmp", 30, 24, RGB(0, 255, 0));
        WriteBitmap(buttons + "\\Yes.bmp", 64, 26, RGB(10, 20, 30));
        WriteBitmap(buttons + "\\No.bmp", 48, 26, RGB(30, 20, 10));
        WriteBitmap(buttons + "\\Ok_button.bmp", 56, 22, RGB(1, 2, 3));
        WriteBitmap(buttons + "\\Cancel_button.bmp", 70, 22, RGB(3, 2, 1));
        WriteScript(lessons_ + "\\Alpha\\Alpha", "Alpha\nOnTitleCheck\nT = T + 1\nEND\nOnOpenFile\nO = 11\nEND\n");
        WriteScript(lessons_ + "\\Beta\\Beta", "Beta\nOnTitleCheck\nT = T + 10\nEND\nOnOpenFile\nO = 22\nEND\n");
        FillUpLessonDescriptions(lessons_.c_str());

        savedApp_ = g_app;
        app_ = stApp{};
        app_.hInstance = GetModuleHandleA(nullptr);
        lstrcpynA(app_.szAppFolder, folder_.c_str(), sizeof app_.szAppFolder);
        g_app = &app_;
        lessonFolder_.Assign("Alpha");
        g_script.lessonFolder = &lessonFolder_;
        g_script.lessonButtonMode = 0;
        for (double& v : g_script.variables) v = 0;
        SplitScriptIntoSubroutines(LoadedScript(), nullptr);
        savedNotify_ = g_scriptHostCalls;
        g_scriptHostCalls.getScriptNumericVariable = GetScriptNumericVariable;  // as the program fills it
        errors_.clear();
        SetScriptErrorHook(RecordError);
        DialogUser::actions.clear();
        DialogUser::seen.clear();
        DialogUser::hook = SetWindowsHookExA(WH_CALLWNDPROCRET, DialogUser::Hook, nullptr, GetCurrentThreadId());
        ASSERT_NE(DialogUser::hook, nullptr);
    }
    void TearDown() override {
        UnhookWindowsHookEx(DialogUser::hook);
        EXPECT_TRUE(DialogUser::actions.empty()) << "a dialog the test expected did not open";
        EXPECT_TRUE(errors_.empty()) << "a script statement failed: " << (errors_.empty() ? "" : errors_[0]);
        SetScriptErrorHook(nullptr);
        g_scriptHostCalls = savedNotify_;
        SplitScriptIntoSubroutines(LoadedScript(), nullptr);
        g_script.lessonFolder = nullptr;
        g_script.lessonButtonMode = 0;
        g_app = savedApp_;
        SetCurrentDirectoryA(cwd_);
    }
    static void User(std::function<void(HWND)> action) { DialogUser::actions.push_back(std::move(action)); }
    static double Var(char letter) { return g_script.variables[letter - 'A']; }
    // Loads a script from a file beside the lessons and runs its subroutine "Main".
    int16_t RunScript(const std::string& text) {
        const std::string path = folder_ + "\\main.scr";
        WriteScript(path, text);
        int stored = 0;
        EXPECT_EQ(ReplaceLoadedScript(path.c_str(), &stored), 1);
        return RunScriptSubroutine(LoadedScript(), "Main", 0);
    }

    // A failing statement is a fault of the test's scripts: kept and answered with "No".
    static std::vector<std::string> errors_;
    static int16_t RecordError(const char* message) {
        errors_.emplace_back(message);
        return 0;
    }
    stScriptHostCalls savedNotify_{};
    char cwd_[MAX_PATH] = "";
    std::string folder_, lessons_;
    stApp app_{};
    stApp* savedApp_ = nullptr;
    ShortString lessonFolder_;
};

std::vector<std::string> ScriptDialogs::errors_;

// ---- Prompt (136) ----

// Looks at a modal dialog from its own loop, after it has been shown and focused, then answers.
struct OnceUp {
    static int press;  // 0: close
    static bool selected;
    static int focus;
    static void CALLBACK Look(HWND dlg, UINT, UINT_PTR id, DWORD) {
        KillTimer(dlg, id);
        DWORD from = 0, to = 0;
        SendDlgItemMessageA(dlg, IDC_PROMPT_MESSAGE, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                            reinterpret_cast<LPARAM>(&to));
        selected = to > from;
        focus = GetDlgCtrlID(GetFocus());
        if (press)
            Press(dlg, press);
        else
            PostMessageA(dlg, WM_CLOSE, 0, 0);
    }
};
int OnceUp::press = 0;
bool OnceUp::selected = true;
int OnceUp::focus = 0;

TEST_F(ScriptDialogs, PromptShowsOnlyButtonsWithTextAndAnswersWithThePressedOne) {
    struct Case {
        const char* message;
        const char* buttons[3];
        int press;  // 0: close the dialog
        bool shown[3];
        int result;
    } cases[] = {
        {"Only one", {"OK", "", ""}, IDOK, {true, false, false}, 1},
        {"Two of them", {"Yes", "No", ""}, IDCANCEL, {true, true, false}, 2},
        {"All three", {"A", "B", "C"}, IDC_PROMPT_BUTTON3, {true, true, true}, 3},
        {"Closed", {"A", "B", ""}, 0, {true, true, false}, -1},
        {"", {"", "", "Third only"}, IDC_PROMPT_BUTTON3, {false, false, true}, 3},
    };
    const int ids[3] = {IDOK, IDCANCEL, IDC_PROMPT_BUTTON3};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        bool shown[3] = {};
        std::string texts[3], message;
        bool messageShown = false, pictureShown = true;
        User([&](HWND dlg) {
            for (int i = 0; i < 3; ++i) {
                shown[i] = Shown(dlg, ids[i]);
                texts[i] = Text(dlg, ids[i]);
            }
            message = Text(dlg, IDC_PROMPT_MESSAGE);
            messageShown = Shown(dlg, IDC_PROMPT_MESSAGE);
            pictureShown = Shown(dlg, IDC_PROMPT_PICTURE);
            // The focus and the selection as the user first sees them: once the dialog is up.
            OnceUp::press = c.press;
            SetTimer(dlg, 1, 0, OnceUp::Look);
        });
        EXPECT_EQ(ShowScriptPrompt(c.message, c.buttons[0], c.buttons[1], c.buttons[2]), c.result);
        for (int i = 0; i < 3; ++i) {
            EXPECT_EQ(shown[i], c.shown[i]) << "button " << i + 1;
            if (c.shown[i]) {
                EXPECT_EQ(texts[i], c.buttons[i]);
            }
        }
        EXPECT_EQ(messageShown, c.message[0] != 0);
        if (c.message[0]) {
            EXPECT_EQ(message, c.message);
        }
        EXPECT_FALSE(pictureShown) << "the text look has no picture";
        EXPECT_FALSE(OnceUp::selected) << "the message is read, not selected";
        // (When other programs hold the display's activation the dialog may have no focus at all.)
        EXPECT_NE(OnceUp::focus, IDC_PROMPT_MESSAGE) << "the focus is on a button, not the message";
    }
}

TEST_F(ScriptDialogs, ShowVarsBrowserButtonShowsTheBrowserAndKeepsThePromptOpen) {
    HWND browser = CreateVariablesBrowser(GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(browser, nullptr);
    struct Case {
        const char* third;
        int result;
        bool browserShown;
    } cases[] = {
        {"Show VarsBrowser", 1, true},   // stays open: the next press (button 1) ends it
        {"show varsbrowser", 3, false},  // compared with case: an ordinary third button
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.third);
        ShowWindow(browser, SW_HIDE);
        User([](HWND dlg) {
            Press(dlg, IDC_PROMPT_BUTTON3);
            Press(dlg, IDOK);
        });
        EXPECT_EQ(ShowScriptPrompt("Stop here?", "Continue", "No", c.third), c.result);
        EXPECT_EQ(IsWindowVisible(browser) != FALSE, c.browserShown);
    }
    DestroyWindow(browser);
}

TEST_F(ScriptDialogs, PromptBitmapLookShowsLessonPicturesInOneCentredRow) {
    g_script.lessonButtonMode = 1;
    struct Case {
        const char* message;
        const char* buttons[3];
        SIZE picture;
    } cases[] = {
        {"Question.bmp", {"Yes.bmp", "No.bmp", ""}, {300, 60}},  // the picture sets the width
        {"Small.bmp", {"Yes.bmp", "No.bmp", "Yes.bmp"}, {40, 20}},  // the buttons set it
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.message);
        SIZE picture{}, images[3]{};
        RECT pictureAt{}, buttonAt[3]{}, client{};
        bool shown[3] = {}, messageShown = true;
        User([&](HWND dlg) {
            picture = StaticImage(dlg, IDC_PROMPT_PICTURE);
            pictureAt = Place(dlg, IDC_PROMPT_PICTURE);
            const int ids[3] = {IDOK, IDCANCEL, IDC_PROMPT_BUTTON3};
            for (int i = 0; i < 3; ++i) {
                images[i] = ButtonImage(dlg, ids[i]);
                buttonAt[i] = Place(dlg, ids[i]);
                shown[i] = Shown(dlg, ids[i]);
            }
            messageShown = Shown(dlg, IDC_PROMPT_MESSAGE);
            GetClientRect(dlg, &client);
            Press(dlg, IDCANCEL);
        });
        EXPECT_EQ(ShowScriptPrompt(c.message, c.buttons[0], c.buttons[1], c.buttons[2]), 2);
        EXPECT_EQ(picture.cx, c.picture.cx);
        EXPECT_EQ(picture.cy, c.picture.cy);
        EXPECT_FALSE(messageShown) << "the message names the picture instead";
        EXPECT_EQ(images[0].cx, 64) << "button 1 shows Yes.bmp";
        EXPECT_EQ(images[1].cx, 48) << "button 2 shows No.bmp";
        EXPECT_EQ(shown[2], c.buttons[2][0] != 0);
        const int margin = pictureAt.left;
        const int widest = 64;
        EXPECT_EQ(client.right, std::max<int>(c.picture.cx + 2 * margin, 3 * widest + 30));
        const int middle = (client.right - widest) / 2;
        EXPECT_EQ(buttonAt[1].left, middle) << "the middle button is centred";
        EXPECT_EQ(buttonAt[0].left, middle - 15 - widest);
        EXPECT_EQ(buttonAt[2].left, middle + widest + 15);
        EXPECT_EQ(buttonAt[0].top, buttonAt[1].top);
        EXPECT_GE(buttonAt[0].top, pictureAt.top + c.picture.cy) << "the row stands under the picture";
        EXPECT_EQ(client.bottom, buttonAt[0].bottom + 40);
    }
}

// ---- Number prompt (137), text prompt (955), text entry (138) ----

TEST_F(ScriptDialogs, NumberPromptReturnsTheTypedTextOnOkAndKeepsItOnCancel) {
    struct Case {
        int press;
        const char* typed;
        int result;
        const char* after;
    } cases[] = {{IDOK, "2.5", 0, "2.5"}, {IDCANCEL, "99", 1, "1.000000000"}, {0, "99", 1, "1.000000000"}};
    for (const Case& c : cases) {
        char text[256] = "1.000000000";
        std::string message, label, initial;
        bool pictureShown = true;
        User([&](HWND dlg) {
            message = Text(dlg, IDC_NUMBER_MESSAGE);
            label = Text(dlg, IDC_NUMBER_LABEL);
            initial = Text(dlg, IDC_NUMBER_EDIT);
            pictureShown = Shown(dlg, IDC_NUMBER_PICTURE);
            EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_NUMBER_EDIT, EM_GETLIMITTEXT, 0, 0), 255);
            DWORD from = 1, to = 0;
            SendDlgItemMessageA(dlg, IDC_NUMBER_EDIT, EM_GETSEL, reinterpret_cast<WPARAM>(&from),
                                reinterpret_cast<LPARAM>(&to));
            EXPECT_EQ(from, 0u);
            EXPECT_EQ(to, std::strlen("1.000000000")) << "the whole start text is selected";
            EXPECT_EQ(GetFocus(), GetDlgItem(dlg, IDC_NUMBER_EDIT));
            Type(dlg, IDC_NUMBER_EDIT, c.typed);
            if (c.press)
                Press(dlg, c.press);
            else
                PostMessageA(dlg, WM_CLOSE, 0, 0);
        });
        EXPECT_EQ(ShowScriptNumberPrompt("How many beats?", "Beats:", text), c.result);
        EXPECT_STREQ(text, c.after);
        EXPECT_EQ(message, "How many beats?");
        EXPECT_EQ(label, "Beats:");
        EXPECT_EQ(initial, "1.000000000");
        EXPECT_FALSE(pictureShown);
    }
}

TEST_F(ScriptDialogs, NumberPromptBitmapLookShowsOkCancelLabelAndMessagePictures) {
    g_script.lessonButtonMode = 1;
    SIZE ok{}, cancel{}, label{}, message{};
    bool messageShown = true;
    RECT okAt{}, cancelAt{}, client{};
    User([&](HWND dlg) {
        ok = ButtonImage(dlg, IDOK);
        cancel = ButtonImage(dlg, IDCANCEL);
        label = StaticImage(dlg, IDC_NUMBER_LABEL);
        message = StaticImage(dlg, IDC_NUMBER_PICTURE);
        messageShown = Shown(dlg, IDC_NUMBER_MESSAGE);
        okAt = Place(dlg, IDOK);
        cancelAt = Place(dlg, IDCANCEL);
        GetClientRect(dlg, &client);
        Type(dlg, IDC_NUMBER_EDIT, "7");
        Press(dlg, IDOK);
    });
    char text[256] = "0";
    EXPECT_EQ(ShowScriptNumberPrompt("Question.bmp", "Label.bmp", text), 0);
    EXPECT_STREQ(text, "7");
    EXPECT_EQ(ok.cx, 56);
    EXPECT_EQ(cancel.cx, 70);
    EXPECT_EQ(label.cx, 50);
    EXPECT_EQ(message.cx, 300);
    EXPECT_FALSE(messageShown);
    EXPECT_EQ(cancelAt.left - okAt.right, 15) << "the buttons stand 15 pixels apart";
    EXPECT_NEAR((okAt.left + cancelAt.right) / 2.0, client.right / 2.0, 1.0) << "and are centred";
}

TEST_F(ScriptDialogs, TextPromptStartsWithTheInitialTextAndHasNoCancel) {
    char out[256] = "stale";
    std::string initial;
    bool pictureShown = true;
    User([&](HWND dlg) {
        initial = Text(dlg, IDC_TEXT_PROMPT_EDIT);
        pictureShown = Shown(dlg, IDC_TEXT_PROMPT_PICTURE);
        EXPECT_EQ(Text(dlg, IDC_TEXT_PROMPT_MESSAGE), "Your name?");
        Type(dlg, IDC_TEXT_PROMPT_EDIT, "Ada");
        PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);  // Esc: nothing happens
        Press(dlg, IDOK);
    });
    EXPECT_EQ(ShowScriptTextPrompt("Your name?", "Nobody", out), 1);
    EXPECT_STREQ(out, "Ada");
    EXPECT_EQ(initial, "Nobody");
    EXPECT_FALSE(pictureShown);

    g_script.lessonButtonMode = 1;
    SIZE ok{}, picture{};
    User([&](HWND dlg) {
        ok = ButtonImage(dlg, IDOK);
        picture = StaticImage(dlg, IDC_TEXT_PROMPT_PICTURE);
        EXPECT_FALSE(Shown(dlg, IDC_TEXT_PROMPT_MESSAGE));
        Press(dlg, IDOK);
    });
    EXPECT_EQ(ShowScriptTextPrompt("Small.bmp", out, out), 1);
    EXPECT_STREQ(out, "Ada") << "the initial text may be the output itself";
    EXPECT_EQ(ok.cx, 56);
    EXPECT_EQ(picture.cx, 40);
}

TEST_F(ScriptDialogs, TextEntryLimitsItsTextAndAnswersOkOrCancel) {
    struct Case {
        int press;
        const char* typed;
        int result;
        const char* out;
    } cases[] = {{IDOK, "Marker one", 1, "Marker"}, {IDCANCEL, "Marker one", 0, "-"}};
    for (const Case& c : cases) {
        char out[16] = "-";
        std::string title;
        User([&](HWND dlg) {
            char caption[64] = "";
            GetWindowTextA(dlg, caption, sizeof caption);
            title = caption;
            EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_TEXT_ENTRY_EDIT, EM_GETLIMITTEXT, 0, 0), 6);
            EXPECT_EQ(Text(dlg, IDC_TEXT_ENTRY_EDIT), "Initia") << "the start text is cut to the limit";
            SendDlgItemMessageA(dlg, IDC_TEXT_ENTRY_EDIT, EM_SETSEL, 0, -1);
            SendDlgItemMessageA(dlg, IDC_TEXT_ENTRY_EDIT, EM_REPLACESEL, TRUE, reinterpret_cast<LPARAM>(c.typed));
            Press(dlg, c.press);
        });
        EXPECT_EQ(ShowScriptTextEntry("Enter script name", "Initial", out, 6), c.result);
        EXPECT_STREQ(out, c.out);
        EXPECT_EQ(title, "Enter script name");
    }
}

// ---- Item chooser (139) ----

TEST_F(ScriptDialogs, ItemChooserStartsAtTheGivenItemAndReturnsTheChosenOne) {
    const char* items[] = {"Heart", "Lung", "Muscle"};
    struct Case {
        const char* name;
        int initial, cancelAllowed;
        std::function<void(HWND)> act;
        int startSel;
        int result;
    } cases[] = {
        {"OK on the start item", 2, 1, [](HWND d) { Press(d, IDOK); }, 2, 2},
        {"a negative start selects the first", -3, 1, [](HWND d) { Press(d, IDOK); }, 0, 0},
        {"Cancel", 1, 1, [](HWND d) { Press(d, IDCANCEL); }, 1, -1},
        {"double click", 0, 1,
         [](HWND d) {
             SendDlgItemMessageA(d, IDC_SCRIPT_TEXT_LIST, LB_SETCURSEL, 1, 0);
             PostMessageA(d, WM_COMMAND, MAKEWPARAM(IDC_SCRIPT_TEXT_LIST, LBN_DBLCLK),
                          reinterpret_cast<LPARAM>(GetDlgItem(d, IDC_SCRIPT_TEXT_LIST)));
         },
         0, 1},
        {"no Cancel when not allowed: Esc does nothing", 1, 0,
         [](HWND d) {
             EXPECT_FALSE(Shown(d, IDCANCEL));
             PostMessageA(d, WM_COMMAND, IDCANCEL, 0);
             Press(d, IDOK);
         },
         1, 1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        int startSel = -2, count = 0;
        std::string title, second;
        User([&](HWND dlg) {
            startSel = static_cast<int>(SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_GETCURSEL, 0, 0));
            count = static_cast<int>(SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_GETCOUNT, 0, 0));
            char text[64] = "";
            SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_GETTEXT, 1, reinterpret_cast<LPARAM>(text));
            second = text;
            GetWindowTextA(dlg, text, sizeof text);
            title = text;
            EXPECT_FALSE(Shown(dlg, IDC_SCRIPT_PICTURE_LIST));
            c.act(dlg);
        });
        EXPECT_EQ(ShowScriptItemChooser("Pick an organ", items, 3, c.initial, c.cancelAllowed), c.result);
        EXPECT_EQ(startSel, c.startSel);
        EXPECT_EQ(count, 3);
        EXPECT_EQ(second, "Lung") << "the items keep their order";
        EXPECT_EQ(title, "Pick an organ");
    }
}

TEST_F(ScriptDialogs, ItemChooserBitmapLookListsPicturesAndDrawsTheSelectedOneFramed) {
    g_script.lessonButtonMode = 1;
    const char* items[] = {"Red.bmp", "Green.bmp"};
    std::vector<SIZE> sizes;
    bool textShown = true, pictureShown = false;
    int itemHeight = 0;
    COLORREF centre[2] = {}, edge[2] = {};
    User([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_SCRIPT_PICTURE_LIST);
        textShown = Shown(dlg, IDC_SCRIPT_TEXT_LIST);
        pictureShown = Shown(dlg, IDC_SCRIPT_PICTURE_LIST);
        itemHeight = static_cast<int>(SendMessageA(list, LB_GETITEMHEIGHT, 0, 0));
        for (int i = 0; i < 2; ++i)
            sizes.push_back(ImageSize(reinterpret_cast<HANDLE>(SendMessageA(list, LB_GETITEMDATA, i, 0))));
        // The list's owner draws item 1 as selected, then not, into a bitmap of the test's own.
        HDC screen = GetDC(nullptr);
        HDC dc = CreateCompatibleDC(screen);
        HBITMAP target = CreateCompatibleBitmap(screen, 40, 30);
        ReleaseDC(nullptr, screen);
        HGDIOBJ old = SelectObject(dc, target);
        for (int pass = 0; pass < 2; ++pass) {
            DRAWITEMSTRUCT item{};
            item.CtlType = ODT_LISTBOX;
            item.CtlID = IDC_SCRIPT_PICTURE_LIST;
            item.itemID = 1;
            item.itemAction = ODA_DRAWENTIRE;
            item.itemState = pass == 0 ? ODS_SELECTED : 0;
            item.hwndItem = list;
            item.hDC = dc;
            item.rcItem = RECT{0, 0, 40, 30};
            item.itemData = static_cast<ULONG_PTR>(SendMessageA(list, LB_GETITEMDATA, 1, 0));
            SendMessageA(dlg, WM_DRAWITEM, IDC_SCRIPT_PICTURE_LIST, reinterpret_cast<LPARAM>(&item));
            centre[pass] = GetPixel(dc, 20, 15);
            edge[pass] = GetPixel(dc, 0, 0);
        }
        SelectObject(dc, old);
        DeleteObject(target);
        DeleteDC(dc);
        SendMessageA(list, LB_SETCURSEL, 1, 0);
        Press(dlg, IDOK);
    });
    EXPECT_EQ(ShowScriptItemChooser("Small.bmp", items, 2, 0, 0), 1);
    EXPECT_FALSE(textShown);
    EXPECT_TRUE(pictureShown);
    ASSERT_EQ(sizes.size(), 2u);
    EXPECT_EQ(sizes[0].cx, 30);
    EXPECT_EQ(sizes[1].cy, 24);
    EXPECT_EQ(itemHeight, 26) << "rows fit the tallest picture";
    for (int pass = 0; pass < 2; ++pass) EXPECT_EQ(centre[pass], RGB(0, 255, 0)) << "the picture fills the item";
    EXPECT_EQ(edge[0], GetSysColor(COLOR_HIGHLIGHT)) << "a selected item is framed in the highlight colour";
    EXPECT_EQ(edge[1], GetSysColor(COLOR_WINDOW));
}

// ---- Lesson chooser (165) ----

TEST_F(ScriptDialogs, LessonChooserRunsEveryTitleCheckAndReturnsTheChosenScript) {
    struct Case {
        const char* pick;
        bool doubleClick;
        const char* lesson;
    } cases[] = {{"Beta", false, "Beta"}, {"Alpha", true, "Alpha"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pick);
        g_script.variables['T' - 'A'] = 0;
        std::vector<std::string> listed;
        bool editShown = true;
        User([&](HWND dlg) {
            HWND list = GetDlgItem(dlg, IDC_SCRIPT_TEXT_LIST);
            for (int i = 0; i < SendMessageA(list, LB_GETCOUNT, 0, 0); ++i) {
                char text[MAX_PATH] = "";
                SendMessageA(list, LB_GETTEXT, i, reinterpret_cast<LPARAM>(text));
                listed.push_back(text);
            }
            editShown = Shown(dlg, IDC_LESSON_EDIT_SCRIPT);
            SendMessageA(list, LB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(c.pick));
            if (c.doubleClick)
                PostMessageA(dlg, WM_COMMAND, MAKEWPARAM(IDC_SCRIPT_TEXT_LIST, LBN_DBLCLK), reinterpret_cast<LPARAM>(list));
            else
                Press(dlg, IDOK);
        });
        char file[MAX_PATH] = "junk";
        EXPECT_EQ(ShowLessonChooser(file), 1);
        EXPECT_EQ(std::string(file), lessons_ + "\\" + c.lesson + "\\" + c.lesson);
        EXPECT_EQ(Var('T'), 11) << "each lesson's OnTitleCheck ran once";
        EXPECT_FALSE(editShown);
        EXPECT_NE(std::find(listed.begin(), listed.end(), "Alpha"), listed.end());
        EXPECT_NE(std::find(listed.begin(), listed.end(), "Beta"), listed.end());
    }
}

// The chooser reads every lesson's script to run its title check; the loaded script, whose
// statement may be the one that opened the chooser, must stay as it is.
TEST_F(ScriptDialogs, LessonChooserLeavesTheRunningScriptLoaded) {
    const std::string text = "main\nMain\nA = 1\nCHOOSELESSON one two\nB = 2\nEND\nOther\nD = 4\nEND\n";
    CScriptSubroutine* mainDuring = nullptr;
    std::string mainTextDuring;
    bool titleCheckLoaded = true;
    User([&](HWND dlg) {
        mainDuring = FindScriptSubroutine(LoadedScript(), "Main");
        mainTextDuring = mainDuring ? mainDuring->Text() : "";
        titleCheckLoaded = FindScriptSubroutine(LoadedScript(), "OnTitleCheck") != nullptr;
        Press(dlg, IDCANCEL);  // Quit
    });
    EXPECT_EQ(RunScript(text), kScriptLessonCancelled);
    EXPECT_EQ(Var('A'), 1);
    EXPECT_EQ(Var('B'), 0) << "Quit stops the run";
    EXPECT_EQ(Var('T'), 11) << "both title checks ran";
    CScriptSubroutine* main = FindScriptSubroutine(LoadedScript(), "Main");
    ASSERT_NE(main, nullptr);
    EXPECT_EQ(mainDuring, main) << "the running subroutine's record was neither freed nor replaced";
    EXPECT_EQ(mainTextDuring, main->Text());
    EXPECT_NE(mainTextDuring.find("CHOOSELESSON"), std::string::npos);
    EXPECT_FALSE(titleCheckLoaded) << "no lesson's script took the loaded one's place";
    EXPECT_EQ(RunScriptSubroutine(LoadedScript(), "Other", 0), 1) << "the script still runs";
    EXPECT_EQ(Var('D'), 4);
}

TEST_F(ScriptDialogs, LessonChooserQuitClosesTheFrameAndOpeningModeOpensTheLesson) {
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.hInstance = GetModuleHandleA(nullptr);
    wc.lpszClassName = "KyDlgTestFrame";
    RegisterClassA(&wc);
    HWND frame = CreateWindowA("KyDlgTestFrame", "", WS_OVERLAPPEDWINDOW, 0, 0, 100, 100, nullptr, nullptr,
                               wc.hInstance, nullptr);
    ASSERT_NE(frame, nullptr);
    app_.hwndFrame = frame;

    User([](HWND dlg) { Press(dlg, IDCANCEL); });
    EXPECT_EQ(RunLessonChooser(1, nullptr), 0);
    MSG msg{};
    EXPECT_TRUE(PeekMessageA(&msg, frame, WM_CLOSE, WM_CLOSE, PM_REMOVE)) << "Quit closes the program";

    User([](HWND dlg) {
        SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>("Beta"));
        Press(dlg, IDOK);
    });
    EXPECT_EQ(RunLessonChooser(1, nullptr), 1);
    EXPECT_EQ(std::string(LastOpenedScriptPath()), lessons_ + "\\Beta\\Beta");
    EXPECT_EQ(Var('O'), 22) << "the chosen lesson's OnOpenFile ran";
    EXPECT_NE(FindScriptSubroutine(LoadedScript(), "OnOpenFile"), nullptr);
    EXPECT_FALSE(PeekMessageA(&msg, frame, WM_CLOSE, WM_CLOSE, PM_REMOVE));
    app_.hwndFrame = nullptr;
    DestroyWindow(frame);
}

// ---- The pictures of the lesson that is opened ----

// A lesson opened as the Lessons menu opens it, from its folder under "Lessons", shows the
// pictures of its own "Prompts" and "Buttons": in its prompts, number and text prompts, item
// chooser and bitmap script buttons. Another lesson does not see them.
TEST_F(ScriptDialogs, AnOpenedLessonShowsThePicturesOfItsOwnFolder) {
    g_script.lessonFolder = nullptr;  // only the opening of a lesson names it
    WriteScript(lessons_ + "\\Alpha\\Alpha",
                "Alpha\nOnOpenFile\nSET VISUALMODE GRAPHICS\n"
                "PROMPT \"Question.bmp\", \"Yes.bmp\", \"No.bmp\", \"\", P\n"
                "GETNUMBER \"Question.bmp\", \"Label.bmp\", N, R\nGETSTRING \"Small.bmp\", S$, Q\n"
                "I = 1\nC = 2\nCHOOSEITEM \"Small.bmp\", I, C, 1, \"Red.bmp\", \"Green.bmp\"\nEND\n");
    SIZE prompt{}, yes{}, numberPicture{}, label{}, ok{}, textPicture{}, items[2]{};
    User([&](HWND dlg) {
        prompt = StaticImage(dlg, IDC_PROMPT_PICTURE);
        yes = ButtonImage(dlg, IDOK);
        Press(dlg, IDOK);
    });
    User([&](HWND dlg) {
        numberPicture = StaticImage(dlg, IDC_NUMBER_PICTURE);
        label = StaticImage(dlg, IDC_NUMBER_LABEL);
        ok = ButtonImage(dlg, IDOK);
        Press(dlg, IDOK);
    });
    User([&](HWND dlg) {
        textPicture = StaticImage(dlg, IDC_TEXT_PROMPT_PICTURE);
        Press(dlg, IDOK);
    });
    User([&](HWND dlg) {
        HWND list = GetDlgItem(dlg, IDC_SCRIPT_PICTURE_LIST);
        for (int i = 0; i < 2; ++i)
            items[i] = ImageSize(reinterpret_cast<HANDLE>(SendMessageA(list, LB_GETITEMDATA, i, 0)));
        Press(dlg, IDOK);
    });
    SetCurrentDirectoryA(folder_.c_str());
    const char* alpha = GetLessonFileName("Alpha");
    ASSERT_TRUE(alpha);
    EXPECT_EQ(OpenScript(alpha), 1);
    EXPECT_EQ(prompt.cx, 300) << "the prompt shows Prompts\\Question.bmp";
    EXPECT_EQ(yes.cx, 64) << "its first button Buttons\\Yes.bmp";
    EXPECT_EQ(numberPicture.cx, 300);
    EXPECT_EQ(label.cx, 50);
    EXPECT_EQ(ok.cx, 56) << "OK shows Buttons\\Ok_button.bmp";
    EXPECT_EQ(textPicture.cx, 40);
    EXPECT_EQ(items[0].cx, 30);
    EXPECT_EQ(items[1].cy, 24);

    // A script button of the lesson takes its face from the lesson's "Buttons".
    HWND parent =
        CreateWindowA("STATIC", "", WS_POPUP, 0, 0, 200, 40, nullptr, nullptr, GetModuleHandleA(nullptr), nullptr);
    ASSERT_TRUE(parent);
    const RECT at{0, 0, 80, 20};
    {
        CScriptButton button;
        ASSERT_EQ(button.Create(parent, 12000, &at), 1);
        EXPECT_EQ(button.SetBitmap("Yes.bmp"), 1);
        EXPECT_EQ(ImageSize(button.GetBitmap()).cx, 64);
    }
    // Beta has no pictures: its button finds none of Alpha's.
    SetCurrentDirectoryA(folder_.c_str());
    EXPECT_EQ(OpenScript(GetLessonFileName("Beta")), 1);
    {
        CScriptButton button;
        ASSERT_EQ(button.Create(parent, 12000, &at), 1);
        EXPECT_EQ(button.SetBitmap("Yes.bmp"), 0);
    }
    DestroyWindow(parent);
}

// ---- The words that ask through the dialogs ----

TEST_F(ScriptDialogs, LessonWordsAskThroughTheDialogsAndStoreTheAnswers) {
    User([](HWND dlg) { Press(dlg, IDCANCEL); });  // PROMPT: No
    User([](HWND dlg) {                             // GETNUMBER
        EXPECT_EQ(Text(dlg, IDC_NUMBER_EDIT), "4.000000000");
        Type(dlg, IDC_NUMBER_EDIT, "12.5");
        Press(dlg, IDOK);
    });
    User([](HWND dlg) {  // GETSTRING
        EXPECT_EQ(Text(dlg, IDC_TEXT_PROMPT_EDIT), "old");
        Type(dlg, IDC_TEXT_PROMPT_EDIT, "new text");
        Press(dlg, IDOK);
    });
    User([](HWND dlg) {  // CHOOSEITEM
        EXPECT_EQ(SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_GETCURSEL, 0, 0), 1);
        SendDlgItemMessageA(dlg, IDC_SCRIPT_TEXT_LIST, LB_SETCURSEL, 2, 0);
        Press(dlg, IDOK);
    });
    const int16_t result = RunScript(
        "main\nMain\nPROMPT \"Record now?\", \"Yes\", \"No\", \"\", P\nN = 4\nGETNUMBER \"Beats\", \"n:\", N, R\n"
        "S$ = \"old\"\nGETSTRING \"Name\", S$, Q\nI = 2\nC = 3\nCHOOSEITEM \"Organ\", I, C, 1, \"a\", \"b\", \"c\"\nEND\n");
    EXPECT_EQ(result, 1);
    EXPECT_EQ(Var('P'), 2);
    EXPECT_EQ(Var('N'), 12.5);
    EXPECT_EQ(Var('R'), 0);
    EXPECT_STREQ(g_script.strings['S' - 'A'], "new text");
    EXPECT_EQ(Var('I'), 3);
    EXPECT_EQ(Var('C'), 0);
}

// ---- File dialogs ----

TEST(LessonDataList, ListsLessonDataNamesAndFolders) {
    struct Case {
        const char* name;
        bool folder;
        bool listed;
    } cases[] = {
        {"frog-L01", false, true}, {"frog-l99", false, true}, {"x-L1a", false, true},
        {"frog-LA1", false, false}, {"notes.txt", false, false}, {"Lessons", true, true},
        {"ab", false, false},      {"L1", false, false},
    };
    for (const Case& c : cases) EXPECT_EQ(IsLessonDataListItem(c.name, c.folder), c.listed) << c.name;
}

// The common dialog as a user meets it: a name typed into its name box and OK, or Cancel.
void TypeFileName(HWND dlg, const char* name) {
    SendMessageA(dlg, CDM_SETCONTROLTEXT, cmb13, reinterpret_cast<LPARAM>(name));
    SendMessageA(dlg, CDM_SETCONTROLTEXT, edt1, reinterpret_cast<LPARAM>(name));
}

TEST_F(ScriptDialogs, FileDialogPromptPutsTheChosenPathIntoItsStringVariable) {
    WriteFile(folder_ + "\\data.txt", "1 2 3\r\n");
    struct Case {
        const char* name;
        const char* line;
        const char* typed;  // null: Cancel
        std::string expected;
    } cases[] = {
        {"open an existing file", "FileDialogPrompt \"OpenFileMode\", \"%F\", \"Pick\", \"\", \"Text\\*.txt\\\", \"OverwritePrompt\", F$",
         "data.txt", folder_ + "\\data.txt"},
        {"an empty folder is the current one", "FileDialogPrompt \"OpenFileMode\", \"\", \"Pick\", \"\", \"Text\\*.txt\\\", \"\", F$",
         "data.txt", folder_ + "\\data.txt"},
        {"cancel gives an empty text", "FileDialogPrompt \"OpenFileMode\", \"%F\", \"Pick\", \"\", \"Text\\*.txt\\\", \"\", F$",
         nullptr, ""},
        {"a locked name replaces what was typed", "FileDialogPrompt \"SaveAsFileMode\", \"%F\\\", \"Save\", \"locked.txt\", \"Text\\*.txt\\\", \"\", F$, LockName",
         "typed.txt", folder_ + "\\locked.txt"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string line = c.line;
        if (line.find("%F") != std::string::npos) line.replace(line.find("%F"), 2, folder_);
        SetCurrentDirectoryA(folder_.c_str());
        std::string title;
        User([&](HWND dlg) {
            char caption[64] = "";
            GetWindowTextA(dlg, caption, sizeof caption);
            title = caption;
            if (c.typed) {
                TypeFileName(dlg, c.typed);
                PostMessageA(dlg, WM_COMMAND, IDOK, 0);
            } else {
                PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0);
            }
        });
        std::strcpy(g_script.strings['F' - 'A'], "before");
        EXPECT_EQ(RunScript("main\nMain\n" + line + "\nEND\n"), 1);
        EXPECT_EQ(std::string(g_script.strings['F' - 'A']), c.expected);
        EXPECT_TRUE(title == "Pick" || title == "Save") << title;
    }
}

// With LockName the name box is disabled; Enter still saves under the locked name and Escape
// still cancels, the keys going to the control that has the focus.
TEST_F(ScriptDialogs, FileDialogPromptWithALockedNameAnswersEnterAndEscape) {
    struct Case {
        WPARAM key;
        std::string expected;
    } cases[] = {{VK_ESCAPE, ""}, {VK_RETURN, folder_ + "\\locked.txt"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.key);
        User([&](HWND dlg) { PressKeyWhenSetUp(dlg, c.key); });
        std::strcpy(g_script.strings['F' - 'A'], "before");
        std::string line = "FileDialogPrompt \"SaveAsFileMode\", \"%F\\\", \"Save\", \"locked.txt\", "
                           "\"Text\\*.txt\\\", \"\", F$, LockName";
        line.replace(line.find("%F"), 2, folder_);
        EXPECT_EQ(RunScript("main\nMain\n" + line + "\nEND\n"), 1);
        const KeyPressSeen seen = LastKeyPress();
        ASSERT_TRUE(seen.pressed);
        EXPECT_TRUE(seen.focusInDialog) << "a control of the dialog has the focus";
        EXPECT_EQ(std::string(g_script.strings['F' - 'A']), c.expected);
    }
}

TEST_F(ScriptDialogs, FileDialogPromptWithAWrongFieldShowsTheErrorDialog) {
    const char* lines[] = {
        "FileDialogPrompt \"Sideways\", \"\", \"t\", \"\", \"a\\*.*\\\", \"\", F$",
        "FileDialogPrompt \"OpenFileMode\", \"\", \"t\", \"\", \"a\\*.*\\\", \"\", F",
        "FileDialogPrompt \"OpenFileMode\", \"\", \"t\"",
    };
    for (const char* line : lines) {
        SCOPED_TRACE(line);
        errors_.clear();
        std::strcpy(g_script.strings['F' - 'A'], "kept");
        EXPECT_EQ(RunScript(std::string("main\nMain\n") + line + "\nX = 1\nEND\n"), 0) << "the error dialog answered No";
        EXPECT_EQ(errors_.size(), 1u);
        EXPECT_STREQ(g_script.strings['F' - 'A'], "kept");
        EXPECT_EQ(Var('X'), 0);
    }
    errors_.clear();
}

TEST_F(ScriptDialogs, OpenAndSaveDialogsReturnTheChosenNames) {
    const std::string data = folder_ + "\\data";
    CreateDirectoryA(data.c_str(), nullptr);
    WriteFile(data + "\\frog-L01", "x");
    SetCurrentDirectoryA(cwd_);
    std::string title;
    User([&](HWND dlg) {
        char caption[64] = "";
        GetWindowTextA(dlg, caption, sizeof caption);
        title = caption;
        TypeFileName(dlg, "frog-L01");
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    });
    char name[MAX_PATH] = "";
    EXPECT_NE(OpenFileDialog(name, data.c_str()), 0);
    EXPECT_STREQ(name, "frog-L01");
    EXPECT_EQ(title, "Open File");
    char current[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(lstrcmpiA(current, data.c_str()), 0) << "the chosen file's folder becomes current";

    User([](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDCANCEL, 0); });
    std::strcpy(name, "unchanged");
    EXPECT_EQ(OpenFileDialog(name, data.c_str()), 0);
    EXPECT_STREQ(name, "unchanged");

    SetCurrentDirectoryA(folder_.c_str());
    User([&](HWND dlg) {
        TypeFileName(dlg, (data + "\\lesson.scr").c_str());
        PostMessageA(dlg, WM_COMMAND, IDOK, 0);
    });
    char saved[256] = "";
    EXPECT_EQ(SaveFileDialog("Script Files|*.scr|", "Save Script", saved), 1);
    EXPECT_EQ(lstrcmpiA(saved, (data + "\\lesson.scr").c_str()), 0) << saved;
    GetCurrentDirectoryA(sizeof current, current);
    EXPECT_EQ(lstrcmpiA(current, folder_.c_str()), 0) << "the save dialog puts the current folder back";
}

// The picture look paints the title's picture over the caption bar, from border to border.
TEST_F(ScriptDialogs, ItemChooserBitmapLookPaintsTheTitlePictureOverTheCaption) {
    g_script.lessonButtonMode = 1;
    const char* items[] = {"Green.bmp"};
    COLORREF caption = 0, below = 0;
    User([&](HWND dlg) {
        ShowWindow(dlg, SW_SHOW);
        SendMessageA(dlg, WM_NCPAINT, 1, 0);
        RECT rc{};
        GetWindowRect(dlg, &rc);
        HDC dc = GetWindowDC(dlg);
        const int frame = GetSystemMetrics(SM_CYFIXEDFRAME), bar = GetSystemMetrics(SM_CYCAPTION);
        caption = GetPixel(dc, (rc.right - rc.left) / 2, (frame + bar) / 2);
        below = GetPixel(dc, (rc.right - rc.left) / 2, frame + bar + 4);
        ReleaseDC(dlg, dc);
        Press(dlg, IDOK);
    });
    EXPECT_EQ(ShowScriptItemChooser("Red.bmp", items, 1, 0, 1), 0);
    EXPECT_EQ(caption, RGB(255, 0, 0));
    EXPECT_NE(below, RGB(255, 0, 0)) << "the client area is not painted over";
}

// The script error dialog is the prompt: its message names the line; "Show VarsBrowser" shows the
// browser and leaves it up, and Continue lets the run go on.
TEST_F(ScriptDialogs, ScriptErrorAsksThroughThePromptWithTheVariablesBrowserAtHand) {
    HWND browser = CreateVariablesBrowser(GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(browser, nullptr);
    SetScriptErrorHook(nullptr);
    struct Case {
        int answer;
        int16_t result;
        double after;
    } cases[] = {{IDOK, 1, 2}, {IDCANCEL, 0, 0}};
    for (const Case& c : cases) {
        ShowWindow(browser, SW_HIDE);
        std::string message, third;
        bool browserShownBefore = true;
        User([&](HWND dlg) {
            message = Text(dlg, IDC_PROMPT_MESSAGE);
            third = Text(dlg, IDC_PROMPT_BUTTON3);
            browserShownBefore = IsWindowVisible(browser) != FALSE;
            Press(dlg, IDC_PROMPT_BUTTON3);
            Press(dlg, c.answer);
        });
        g_script.variables['B' - 'A'] = 0;
        EXPECT_EQ(RunScript("main\nMain\nA = 1\nNOSUCHWORD here\nB = 2\nEND\n"), c.result);
        EXPECT_EQ(Var('B'), c.after);
        EXPECT_NE(message.find("NOSUCHWORD"), std::string::npos) << message;
        EXPECT_NE(message.find("Main"), std::string::npos) << message;
        EXPECT_EQ(third, "Show VarsBrowser");
        EXPECT_FALSE(browserShownBefore);
        EXPECT_TRUE(IsWindowVisible(browser));
    }
    SetScriptErrorHook(RecordError);
    DestroyWindow(browser);
}

// The lesson chooser's picture look paints the start-up caption picture; the text look does not.
TEST_F(ScriptDialogs, LessonChooserPaintsTheLessonCaptionPictureInThePictureLook) {
    app_.bitmaps.hbmLessonPrompt = LoadDibFile((lessons_ + "\\Alpha\\Prompts\\Red.bmp").c_str());
    ASSERT_NE(app_.bitmaps.hbmLessonPrompt, nullptr);
    for (int mode : {1, 0}) {
        g_script.lessonButtonMode = mode;
        COLORREF caption = 0;
        User([&](HWND dlg) {
            ShowWindow(dlg, SW_SHOW);
            SendMessageA(dlg, WM_NCPAINT, 1, 0);
            RECT rc{};
            GetWindowRect(dlg, &rc);
            HDC dc = GetWindowDC(dlg);
            caption = GetPixel(dc, (rc.right - rc.left) / 3,
                               (GetSystemMetrics(SM_CYFIXEDFRAME) + GetSystemMetrics(SM_CYCAPTION)) / 2);
            ReleaseDC(dlg, dc);
            Press(dlg, IDOK);
        });
        char file[MAX_PATH] = "";
        EXPECT_EQ(ShowLessonChooser(file), 1);
        EXPECT_EQ(caption == RGB(255, 0, 0), mode == 1) << "mode " << mode;
    }
    DeleteObject(app_.bitmaps.hbmLessonPrompt);
    app_.bitmaps.hbmLessonPrompt = nullptr;
}

}  // namespace
