// CScriptButton: the window it makes, its geometry, and bitmap faces from the lesson's folder.
#include <gtest/gtest.h>

#include "base/app.h"
#include "base/lesson.h"
#include "controls/script_button.h"
#include "controls/tests/bmp_builder.h"
#include "controls/tests/controls_test_support.h"
#include "controls/short_string.h"
#include "base/resource.h"

using testsupport::CurrentDirectory;
using testsupport::TempFolder;
using testsupport::TestParent;

namespace {

constexpr char kLesson[] = "Lesson 03 EEG";

// A program folder with Lessons\<lesson>\Buttons\face.bmp, made current for the test.
class ControlsScriptButton : public testing::Test {
protected:
    void SetUp() override {
        testsupport::ResetFakes();
        const std::string buttons = std::string("Lessons\\") + kLesson + "\\Buttons";
        ASSERT_TRUE(program.MakeDirs(buttons));
        ASSERT_TRUE(program.MakeDirs("elsewhere"));
        BmpLayout face;
        face.width = 16;
        face.height = 12;
        face.bitCount = 24;
        face.pixel = [](int x, int y) -> uint32_t { return RGB(x * 15, y * 20, 90); };
        ASSERT_TRUE(program.WriteFile(buttons + "\\face.bmp", BuildBmp(face)));
        // The same name beside the start folder must not be what gets loaded.
        ASSERT_TRUE(program.WriteFile("elsewhere\\decoy.bmp", BuildBmp(face)));

        lstrcpynA(g_app->szAppFolder, program.path().c_str(), sizeof g_app->szAppFolder);
        lessonFolder.Assign(kLesson);
        g_script.lessonFolder = &lessonFolder;
        savedCwd = CurrentDirectory();
        ASSERT_TRUE(SetCurrentDirectoryA(program.Sub("elsewhere").c_str()));
        startCwd = CurrentDirectory();
    }
    void TearDown() override {
        g_script.lessonFolder = nullptr;
        SetCurrentDirectoryA(savedCwd.c_str());
    }

    void CreateButton(CScriptButton& b) {
        const RECT rc{10, 20, 90, 44};
        ASSERT_EQ(b.Create(parent.hwnd(), IDC_SCRIPT_BUTTON_FIRST + 2, &rc), 1);
    }
    static bool HasBitmapStyle(const CScriptButton& b) {
        return (GetWindowLongPtrA(b.GetWindow(), GWL_STYLE) & BS_BITMAP) != 0;
    }
    static HBITMAP ShownImage(const CScriptButton& b) {
        return reinterpret_cast<HBITMAP>(SendMessageA(b.GetWindow(), BM_GETIMAGE, IMAGE_BITMAP, 0));
    }

    TempFolder program;
    ShortString lessonFolder;
    TestParent parent;
    std::string savedCwd, startCwd;
};

RECT WindowRectInParent(HWND hwnd) {
    RECT rc;
    GetWindowRect(hwnd, &rc);
    MapWindowPoints(nullptr, GetParent(hwnd), reinterpret_cast<POINT*>(&rc), 2);
    return rc;
}

}  // namespace

TEST_F(ControlsScriptButton, SetTextNamesTheCaptionAndTheWindow) {
    CScriptButton b;
    b.SetText("Before");  // no window yet: the caption alone
    EXPECT_STREQ(b.GetCaption(), "Before");
    CreateButton(b);
    const std::string longText(400, 'w');
    struct {
        const char* text;
        std::string shown;
    } cases[] = {{"Record", "Record"}, {"", ""}, {longText.c_str(), std::string(kScriptCaptionMax - 1, 'w')}};
    for (const auto& c : cases) {
        b.SetText(c.text);
        char window[512] = "";
        GetWindowTextA(b.GetWindow(), window, sizeof window);
        EXPECT_EQ(std::string(b.GetCaption()), c.shown);
        EXPECT_EQ(std::string(window), c.shown);
    }
}

TEST_F(ControlsScriptButton, CreateMakesAPushButtonWithTheGuiFont) {
    CScriptButton b;
    CreateButton(b);
    HWND hwnd = b.GetWindow();
    char cls[16] = "";
    GetClassNameA(hwnd, cls, sizeof cls);
    EXPECT_STREQ(cls, "Button");
    EXPECT_EQ(GetDlgCtrlID(hwnd), IDC_SCRIPT_BUTTON_FIRST + 2);
    EXPECT_EQ(GetParent(hwnd), parent.hwnd());
    const LONG_PTR style = GetWindowLongPtrA(hwnd, GWL_STYLE);
    EXPECT_EQ(style & (WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP), WS_CHILD | WS_VISIBLE | WS_GROUP | WS_TABSTOP);
    EXPECT_EQ(style & (BS_BITMAP | 0xF), 0) << "a plain push button";
    EXPECT_EQ(GetWindowTextLengthA(hwnd), 0);
    EXPECT_EQ(reinterpret_cast<HGDIOBJ>(SendMessageA(hwnd, WM_GETFONT, 0, 0)), GetStockObject(DEFAULT_GUI_FONT));
    const RECT expected{10, 20, 90, 44};
    const RECT actual = WindowRectInParent(hwnd);
    EXPECT_TRUE(EqualRect(&actual, &expected));
    EXPECT_EQ(b.GetBitmap(), nullptr);

    CScriptButton noId;
    EXPECT_EQ(noId.Create(parent.hwnd(), 0, &expected), 0);
    EXPECT_EQ(noId.GetWindow(), nullptr);
    RECT kept;
    noId.GetRect(&kept);
    EXPECT_TRUE(EqualRect(&kept, &expected));
}

TEST_F(ControlsScriptButton, SizeAndMoveFollowTheRectangle) {
    CScriptButton b;
    CreateButton(b);
    b.SetSize(100, 30);
    RECT rc;
    b.GetRect(&rc);
    const RECT sized{10, 20, 110, 50};
    EXPECT_TRUE(EqualRect(&rc, &sized));
    RECT wr = WindowRectInParent(b.GetWindow());
    EXPECT_TRUE(EqualRect(&wr, &sized));

    b.MoveTo(200, 5);
    b.GetRect(&rc);
    const RECT moved{200, 5, 300, 35};
    EXPECT_TRUE(EqualRect(&rc, &moved));
    wr = WindowRectInParent(b.GetWindow());
    EXPECT_TRUE(EqualRect(&wr, &moved));
}

TEST_F(ControlsScriptButton, BitmapFromTheLessonButtonsFolder) {
    CScriptButton b;
    CreateButton(b);
    ASSERT_EQ(b.SetBitmap("face.bmp"), 1);
    EXPECT_EQ(CurrentDirectory(), startCwd);
    ASSERT_NE(b.GetBitmap(), nullptr);
    EXPECT_TRUE(HasBitmapStyle(b));
    EXPECT_EQ(ShownImage(b), b.GetBitmap());
    EXPECT_STREQ(b.GetCaption(), "face.bmp");
    BITMAP info{};
    ASSERT_EQ(GetObjectA(b.GetBitmap(), sizeof info, &info), int(sizeof info));
    EXPECT_EQ(info.bmWidth, 16);
    EXPECT_EQ(info.bmHeight, 12);

    // A second face replaces the first, which is deleted.
    HBITMAP first = b.GetBitmap();
    ASSERT_EQ(b.SetBitmap("face.bmp"), 1);
    EXPECT_NE(b.GetBitmap(), first);
    EXPECT_EQ(ShownImage(b), b.GetBitmap());
    EXPECT_EQ(GetObjectType(first), 0u) << "the old bitmap was deleted";
}

TEST_F(ControlsScriptButton, MissingFileLeavesATextButton) {
    struct Row {
        const char* what;
        bool faceFirst;
        const char* file;
        bool lessonKnown;
    };
    const Row rows[] = {
        {"missing file", false, "absent.bmp", true},
        {"a file of the start folder only", false, "decoy.bmp", true},
        {"missing file after a face", true, "absent.bmp", true},
        {"no current lesson", false, "face.bmp", false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        CScriptButton b;
        CreateButton(b);
        if (row.faceFirst) {
            ASSERT_EQ(b.SetBitmap("face.bmp"), 1);
        }
        g_script.lessonFolder = row.lessonKnown ? &lessonFolder : nullptr;
        EXPECT_EQ(b.SetBitmap(row.file), 0);
        g_script.lessonFolder = &lessonFolder;
        EXPECT_EQ(CurrentDirectory(), startCwd);
        EXPECT_EQ(b.GetBitmap(), nullptr);
        EXPECT_FALSE(HasBitmapStyle(b));
        EXPECT_EQ(ShownImage(b), nullptr);
        EXPECT_STREQ(b.GetCaption(), row.file);
    }
}

TEST_F(ControlsScriptButton, DestructorRemovesWindowAndBitmap) {
    HWND hwnd;
    HBITMAP bmp;
    {
        CScriptButton b;
        CreateButton(b);
        ASSERT_EQ(b.SetBitmap("face.bmp"), 1);
        hwnd = b.GetWindow();
        bmp = b.GetBitmap();
    }
    EXPECT_FALSE(IsWindow(hwnd));
    EXPECT_EQ(GetObjectType(bmp), 0u);
}
