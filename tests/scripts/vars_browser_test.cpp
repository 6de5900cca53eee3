// The variables browser: its copy of the values, the number texts, and the modeless window as a
// user meets it, following the assignments of real scripts.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <cstdio>
#include <cstring>
#include <string>

#include "base/app.h"
#include "base/notify.h"
#include "scripts/scripts_ids.h"
#include "scripts/editor/vars_browser.h"
#include "scripts/engine/script_engine.h"
#include "scripts/script_api.h"

namespace {

TEST(VariableNumberText, SignificantDigitsInFixedOrExponentNotation) {
    struct Case {
        double value;
        int digits;
        const char* text;
    } cases[] = {
        {3.14159265, 5, "3.1416"},     {1000000, 5, "1.0000e+06"}, {12345, 5, "12345"},
        {99999.9, 5, "1.0000e+05"},    {0.5, 5, "0.50000"},        {0.05, 5, "5.0000e-02"},
        {-2.5, 5, "-2.5000"},          {0, 5, "0.0000"},           {1e-300, 5, "1.0000e-300"},
        {123.456, 3, "123"},           {1234.5, 3, "1.23e+03"},
    };
    for (const Case& c : cases) {
        char text[64];
        FormatNumberToDigits(text, sizeof text, c.value, c.digits);
        EXPECT_STREQ(text, c.text) << c.value << " with " << c.digits << " digits";
    }
}

TEST(VariableCategories, FiveCategoriesOfTwentySixNamesComparedWithCase) {
    VarCategorySet& set = VariableCategories();
    const struct {
        const char* name;
        const char* first;
        const char* last;
    } expected[] = {{kVarCategoryApplication, "A", "Z"},
                    {kVarCategoryMacro, "A#", "Z#"},
                    {kVarCategoryLocal, "a", "z"},
                    {kVarCategoryAppString, "A$", "Z$"},
                    {kVarCategoryMacroString, "A@", "Z@"}};
    for (int i = 0; i < 5; ++i) {
        VarCategory* category = set.CategoryAt(i);
        ASSERT_NE(category, nullptr);
        EXPECT_STREQ(category->Name(), expected[i].name);
        EXPECT_STREQ(category->EntryAt(0)->name, expected[i].first);
        EXPECT_STREQ(category->EntryAt(25)->name, expected[i].last);
        EXPECT_STREQ(category->EntryAt(26)->name, "") << "slots past the letters are free";
    }
    EXPECT_EQ(set.CategoryAt(5), nullptr);
    EXPECT_EQ(set.FindCategory("a...Z   - Application Global Variables"), nullptr) << "names keep their case";
    EXPECT_EQ(set.FindCategory(kVarCategoryLocal)->FindEntry("A"), nullptr);
    EXPECT_EQ(set.AddCategory("a sixth"), nullptr) << "all five slots are taken";
    EXPECT_EQ(SetVariableText("no such category", "A", "x"), 0);
}

TEST(VariableCategories, OverlongNamesAndValuesAreRefused) {
    VarCategory category;
    category.SetName("test");
    const std::string longest(255, 'n'), tooLong(256, 'n');
    EXPECT_EQ(category.AddEntry(tooLong.c_str()), nullptr);
    VarEntry* entry = category.AddEntry(longest.c_str(), "first");
    ASSERT_NE(entry, nullptr);
    EXPECT_EQ(category.FindEntry(longest.c_str()), entry);
    EXPECT_EQ(VarCategory::SetValueText(*entry, std::string(300, 'v').c_str()), 0);
    EXPECT_STREQ(entry->value, "first") << "a refused value leaves the old one";
    EXPECT_EQ(VarCategory::SetValueText(*entry, longest.c_str()), 1);
    EXPECT_EQ(std::strlen(entry->value), 255u);
    for (int i = 1; i < kVarEntries; ++i) EXPECT_NE(category.AddEntry(std::to_string(i).c_str()), nullptr);
    EXPECT_EQ(category.AddEntry("one too many"), nullptr);
}

// With no browser open a number's text is written only when the entry is next read: every read
// path sees the last number assigned, and a later text replaces it.
TEST(VariableCategories, NumbersAssignedWithoutTheBrowserReadAsTheirText) {
    struct Step {
        const char* text;  // a string assignment when set, else the number
        double number;
        const char* expected;
    };
    const Step steps[] = {
        {nullptr, 1.5, "1.5000"},
        {nullptr, 123456.0, "1.2346e+05"},
        {nullptr, -0.25, "-0.25000"},
        {"words", 0, "words"},
        {nullptr, 2.0, "2.0000"},
        {nullptr, 3.0, "3.0000"},
    };
    VarCategory* category = VariableCategories().FindCategory(kVarCategoryApplication);
    ASSERT_NE(category, nullptr);
    int index = -1;
    for (int i = 0; i < kVarEntries; ++i)
        if (std::strcmp(category->EntryAt(i)->name, "K") == 0) index = i;
    ASSERT_GE(index, 0);
    for (int read = 0; read < 2; ++read) {
        for (const Step& s : steps) {
            if (s.text) SetVariableText(kVarCategoryApplication, "K", s.text);
            else SetVariableNumber(kVarCategoryApplication, "K", s.number, 5);
            const VarEntry* entry = read ? category->EntryAt(index) : category->FindEntry("K");
            EXPECT_STREQ(entry->value, s.expected) << (read ? "EntryAt" : "FindEntry");
        }
    }
    // A refused text leaves the number that was assigned last.
    SetVariableNumber(kVarCategoryApplication, "K", 7.0, 5);
    EXPECT_EQ(VarCategory::SetValueText(*category->FindSlot("K"), std::string(300, 'v').c_str()), 0);
    EXPECT_STREQ(category->FindEntry("K")->value, "7.0000");
}

// ---- The window ----

class VarsBrowser : public ::testing::Test {
protected:
    void SetUp() override {
        INITCOMMONCONTROLSEX icc{sizeof icc, ICC_LISTVIEW_CLASSES};
        InitCommonControlsEx(&icc);
        saved_ = g_scriptHostCalls;
        g_scriptHostCalls.getScriptNumericVariable = GetScriptNumericVariable;
        SetScriptErrorHook(NoErrors);
        browser_ = CreateVariablesBrowser(GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(browser_, nullptr);
        combo_ = GetDlgItem(browser_, IDC_VARS_CATEGORY);
        list_ = GetDlgItem(browser_, IDC_VARS_LIST);
    }
    void TearDown() override {
        DestroyWindow(browser_);
        SplitScriptIntoSubroutines(LoadedScript(), nullptr);
        SetScriptErrorHook(nullptr);
        g_scriptHostCalls = saved_;
    }
    static int16_t NoErrors(const char* message) {
        ADD_FAILURE() << "script error: " << message;
        return 0;
    }
    // Chooses a category as the user does: the selection changes and the list is told.
    void Choose(const char* category) {
        SendMessageA(combo_, CB_SELECTSTRING, WPARAM(-1), reinterpret_cast<LPARAM>(category));
        SendMessageA(browser_, WM_COMMAND, MAKEWPARAM(IDC_VARS_CATEGORY, CBN_SELCHANGE), reinterpret_cast<LPARAM>(combo_));
    }
    // The value column of the row named so; "<none>" without such a row.
    std::string Row(const char* name) {
        const int rows = static_cast<int>(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0));
        for (int row = 0; row < rows; ++row) {
            char text[256] = "";
            ListView_GetItemText(list_, row, 0, text, sizeof text);
            if (std::strcmp(text, name) == 0) {
                ListView_GetItemText(list_, row, 1, text, sizeof text);
                return text;
            }
        }
        return "<none>";
    }
    int16_t Run(const std::string& body) {
        char dir[MAX_PATH];
        GetTempPathA(sizeof dir, dir);
        const std::string path = std::string(dir) + "kyvb_" + std::to_string(GetCurrentProcessId()) + ".scr";
        std::string crlf;
        for (char c : "t\nMain\n" + body + "END\n") crlf += c == '\n' ? std::string("\r\n") : std::string(1, c);
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(crlf.data(), 1, crlf.size(), f);
        std::fclose(f);
        int stored = 0;
        EXPECT_EQ(ReplaceLoadedScript(path.c_str(), &stored), 1);
        const int16_t result = RunScriptSubroutine(LoadedScript(), "Main", 0);
        DeleteFileA(path.c_str());
        return result;
    }
    HWND browser_ = nullptr, combo_ = nullptr, list_ = nullptr;
    stScriptHostCalls saved_{};
};

TEST_F(VarsBrowser, OpensHiddenWithTheCategoriesAndTwoColumns) {
    EXPECT_FALSE(IsWindowVisible(browser_)) << "created at start-up, shown on request";
    EXPECT_EQ(SendMessageA(combo_, CB_GETCOUNT, 0, 0), 5);
    char first[256] = "";
    SendMessageA(combo_, CB_GETLBTEXT, SendMessageA(combo_, CB_GETCURSEL, 0, 0), reinterpret_cast<LPARAM>(first));
    EXPECT_STREQ(first, kVarCategoryMacro) << "the sorted list's first entry is selected";
    EXPECT_EQ(SendMessageA(list_, LVM_GETITEMCOUNT, 0, 0), 26);
    EXPECT_NE(Row("Q#"), "<none>");
    char heading[64] = "";
    LVCOLUMNA column{};
    column.mask = LVCF_TEXT | LVCF_WIDTH;
    column.pszText = heading;
    column.cchTextMax = sizeof heading;
    ASSERT_TRUE(SendMessageA(list_, LVM_GETCOLUMNA, 1, reinterpret_cast<LPARAM>(&column)));
    EXPECT_STREQ(heading, "Variable value");
    EXPECT_EQ(column.cx, 250);
}

TEST_F(VarsBrowser, FollowsScriptAssignmentsInTheShownCategoryOnly) {
    ShowVarsBrowser(SW_SHOW);
    Choose(kVarCategoryApplication);
    ASSERT_EQ(Run("A = 3.14159265\nB = 1000000\na = 7\nS$ = \"hello\"\nM# = 0.25\n"), 1);
    EXPECT_EQ(Row("A"), "3.1416");
    EXPECT_EQ(Row("B"), "1.0000e+06");
    EXPECT_EQ(Row("a"), "<none>") << "a local is not an application variable";
    Choose(kVarCategoryLocal);
    EXPECT_EQ(Row("a"), "7.0000") << "shown once its category is chosen";
    Choose(kVarCategoryAppString);
    EXPECT_EQ(Row("S$"), "hello");
    Choose(kVarCategoryMacro);
    EXPECT_EQ(Row("M#"), "0.25000");
    // An assignment to another category changes no row of the shown one.
    ASSERT_EQ(Run("M# = 2\nA = 5\n"), 1);
    EXPECT_EQ(Row("M#"), "2.0000");
    EXPECT_EQ(Row("A"), "<none>");
    Choose(kVarCategoryApplication);
    EXPECT_EQ(Row("A"), "5.0000");
}

TEST_F(VarsBrowser, AnOverlongStringKeepsThePreviousText) {
    ShowVarsBrowser(SW_SHOW);
    Choose(kVarCategoryAppString);
    EXPECT_EQ(SetVariableText(kVarCategoryAppString, "T$", "short"), 1);
    EXPECT_EQ(Row("T$"), "short");
    EXPECT_EQ(SetVariableText(kVarCategoryAppString, "T$", std::string(300, 'x').c_str()), 1);
    EXPECT_EQ(Row("T$"), "short");
    EXPECT_STREQ(VariableCategories().FindCategory(kVarCategoryAppString)->FindEntry("T$")->value, "short");
}

// A hidden browser's rows are not written at every assignment (a lesson loop would pay for each
// one); showing it lists the values as they are then.
TEST_F(VarsBrowser, AHiddenBrowserShowsTheLatestValuesWhenShown) {
    ShowVarsBrowser(SW_SHOW);
    Choose(kVarCategoryApplication);
    ASSERT_EQ(Run("A = 1\nS$ = \"one\"\n"), 1);
    EXPECT_EQ(Row("A"), "1.0000");
    ShowVarsBrowser(SW_HIDE);
    ASSERT_EQ(Run("FOR i = 1 TO 50\nA = A + 1\nNEXT i\nS$ = \"two\"\n"), 1);
    EXPECT_EQ(Row("A"), "1.0000") << "rows of a hidden list are left alone";
    ShowVarsBrowser(SW_SHOW);
    EXPECT_EQ(Row("A"), "51.000");
    Choose(kVarCategoryLocal);
    EXPECT_EQ(Row("i"), "51.000");
    Choose(kVarCategoryAppString);
    EXPECT_EQ(Row("S$"), "two");
    ASSERT_EQ(Run("S$ = \"three\"\n"), 1);
    EXPECT_EQ(Row("S$"), "three") << "shown again, it follows again";
}

TEST_F(VarsBrowser, ShowHideAndCloseOnlyHideTheWindow) {
    ShowVarsBrowser(SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(browser_));
    SendMessageA(browser_, WM_COMMAND, MAKEWPARAM(IDC_VARS_HIDE, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(browser_, IDC_VARS_HIDE)));
    EXPECT_FALSE(IsWindowVisible(browser_));
    ShowVarsBrowser(SW_SHOW);
    SendMessageA(browser_, WM_CLOSE, 0, 0);
    EXPECT_FALSE(IsWindowVisible(browser_));
    EXPECT_TRUE(IsWindow(browser_)) << "the window lives on";
    ShowVarsBrowser(SW_SHOW);
    EXPECT_TRUE(IsWindowVisible(browser_));
}

// Dialogs of this thread: the browser is one of them once it is made.
int ThreadDialogs() {
    int count = 0;
    EnumThreadWindows(
        GetCurrentThreadId(),
        [](HWND h, LPARAM lp) -> BOOL {
            char cls[16] = "";
            GetClassNameA(h, cls, sizeof cls);
            if (std::strcmp(cls, "#32770") == 0) ++*reinterpret_cast<int*>(lp);
            return TRUE;
        },
        reinterpret_cast<LPARAM>(&count));
    return count;
}

// The program's browser is prepared at start-up and made when it is first shown: a lesson's
// assignments before then are listed, a hide asks for nothing, and later showings reuse it.
TEST_F(VarsBrowser, APreparedBrowserIsMadeWhenFirstShownWithTheValuesSoFar) {
    DestroyWindow(browser_);
    const int before = ThreadDialogs();
    PrepareVariablesBrowser(GetModuleHandleA(nullptr), nullptr);
    ASSERT_EQ(Run("A = 42\n"), 1);
    ShowVarsBrowser(SW_HIDE);
    EXPECT_EQ(ThreadDialogs(), before) << "nothing is made before it is shown";
    ShowVarsBrowser(SW_SHOW);
    browser_ = VariablesBrowserWindow();
    PrepareVariablesBrowser(nullptr, nullptr);
    ASSERT_NE(browser_, nullptr);
    EXPECT_EQ(ThreadDialogs(), before + 1);
    EXPECT_TRUE(IsWindowVisible(browser_));
    combo_ = GetDlgItem(browser_, IDC_VARS_CATEGORY);
    list_ = GetDlgItem(browser_, IDC_VARS_LIST);
    Choose(kVarCategoryApplication);
    EXPECT_EQ(Row("A"), "42.000");
    ShowVarsBrowser(SW_HIDE);
    ShowVarsBrowser(SW_SHOW);
    EXPECT_EQ(VariablesBrowserWindow(), browser_) << "one browser for the program's life";
    EXPECT_EQ(ThreadDialogs(), before + 1);
}

}  // namespace
