// The Help menu in the running program: built from what this machine can open, its items handed
// to the shell (recorded here in its place), a missing document reported.
#include <gtest/gtest.h>
#include <windows.h>

#include <string>
#include <vector>

#include "base/app.h"
#include "shell/shell_ids.h"
#include "shell/help.h"
#include "tests/documents/acq_builder.h"
#include "tests/shell/box_capture.h"
#include "tests/shell/shell_fixture.h"

namespace {

struct Opened {
    std::string file, parameters;
};
std::vector<Opened> g_opened;
bool g_htmProgram = false;

INT_PTR RecordOpen(HWND, const char* file, const char* parameters) {
    g_opened.push_back({file ? file : "", parameters ? parameters : "<none>"});
    return 42;
}

// A reader for PDF documents is installed; a program for .htm files only when the case says so.
BOOL FakeHasProgramFor(const char* file) {
    const std::string f(file);
    if (f.size() > 4 && f.compare(f.size() - 4, 4, ".htm") == 0) return g_htmProgram && GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES;
    return GetFileAttributesA(file) != INVALID_FILE_ATTRIBUTES;
}

class HelpMenuInProgram : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        g_opened.clear();
        g_htmProgram = false;
        SetHelpShell({RecordOpen, FakeHasProgramFor});
        CreateDirectoryA(folder.File("User Support").c_str(), nullptr);
        CreateDirectoryA(folder.File("TVX Videos").c_str(), nullptr);
        ASSERT_TRUE(BootShell());
        lstrcpynA(g_app->szAppFolder, folder.path.c_str(), sizeof g_app->szAppFolder);
    }
    void TearDown() override {
        ShutShell();
        for (const char* f : {"User Support\\Quick Guide TVX 3_7.pdf", "User Support\\TVX 3_7 Tutorial.pdf",
                              "TVX Videos\\tvxvideodata.htm"})
            DeleteFileA(folder.File(f).c_str());
        RemoveDirectoryA(folder.File("User Support").c_str());
        RemoveDirectoryA(folder.File("TVX Videos").c_str());
        SetHelpShell({nullptr, nullptr});
    }
    void Put(const char* name) { ASSERT_TRUE(WriteWholeFile(folder.File(name), Bytes{'%', 'P'})); }

    // The Help popup as the user opens it: labels ("-" for a separator); empty without one.
    static std::vector<std::string> HelpItems() {
        std::vector<std::string> items;
        HMENU bar = GetMenu(g_app->hwndFrame);
        HMENU help = nullptr;
        char text[128];
        for (int i = 0; i < GetMenuItemCount(bar); ++i)
            if (GetSubMenu(bar, i) && GetMenuStringA(bar, i, text, sizeof text, MF_BYPOSITION) &&
                std::string(text) == "&Help")
                help = GetSubMenu(bar, i);
        for (int i = 0; help && i < GetMenuItemCount(help); ++i) {
            if (GetMenuItemID(help, i) == 0) {
                items.push_back("-");
                continue;
            }
            GetMenuStringA(help, i, text, sizeof text, MF_BYPOSITION);
            items.push_back(text);
        }
        return items;
    }
    static void Command(UINT id) { SendMessageA(g_app->hwndFrame, WM_COMMAND, id, 0); }

    TempFolder folder{"kymora_help_"};
};

TEST_F(HelpMenuInProgram, HoldsWhatThisMachineCanOpen) {
    struct {
        const char* what;
        bool guides, video, htm;
        std::vector<std::string> items;
    } cases[] = {
        {"no .htm program", true, true, false, {"Quick Guide", "Open TVX Tutorial", "-", "About Norvane Tessaly"}},
        {"no guide and no .htm program", false, true, false, {"About Norvane Tessaly"}},
        {"everything",
         true,
         true,
         true,
         {"Quick Guide", "Open TVX Tutorial", "Support Materials from Web", "Video Data Files", "-",
          "About Norvane Tessaly"}},
        {"the web page without the video page", false, false, true, {"Support Materials from Web", "-", "About Norvane Tessaly"}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        for (const char* f : {"User Support\\Quick Guide TVX 3_7.pdf", "User Support\\TVX 3_7 Tutorial.pdf"}) {
            if (c.guides)
                Put(f);
            else
                DeleteFileA(folder.File(f).c_str());
        }
        if (c.video)
            Put("TVX Videos\\tvxvideodata.htm");
        else
            DeleteFileA(folder.File("TVX Videos\\tvxvideodata.htm").c_str());
        g_htmProgram = c.htm;
        SetHelpShell({RecordOpen, FakeHasProgramFor});  // the machine changed: ask again
        InitHelpMenu();
        EXPECT_EQ(HelpItems(), c.items);
    }
}

TEST_F(HelpMenuInProgram, ItemsOpenTheirTargetsThroughTheShell) {
    Put("User Support\\Quick Guide TVX 3_7.pdf");
    Put("TVX Videos\\tvxvideodata.htm");
    Command(IDM_HELP_QUICK_GUIDE);
    Command(IDM_HELP_SUPPORT_WEB);
    Command(IDM_HELP_VIDEO_FILES);
    ASSERT_EQ(g_opened.size(), 3u);
    EXPECT_EQ(g_opened[0].file, folder.path + "\\User Support\\Quick Guide TVX 3_7.pdf");
    EXPECT_EQ(g_opened[0].parameters, "<none>");
    EXPECT_EQ(g_opened[1].file, "https://www.norvane.com/tvxsupport/tvxsupportmaterials.htm");
    EXPECT_EQ(g_opened[2].file, folder.path + "\\TVX Videos\\tvxvideodata.htm");
    EXPECT_EQ(OpenHelpItem(IDM_HELP_CONTENTS), 42) << "a command in no row takes the video row";
    EXPECT_EQ(g_opened.back().file, folder.path + "\\TVX Videos\\tvxvideodata.htm");
}

TEST_F(HelpMenuInProgram, AMissingGuideIsReportedAndNotHandedOn) {
    Put("User Support\\TVX 3_7 Tutorial.pdf");
    InitHelpMenu();
    ASSERT_EQ(HelpItems()[0], "Open TVX Tutorial");
    ASSERT_TRUE(DeleteFileA(folder.File("User Support\\TVX 3_7 Tutorial.pdf").c_str()));  // gone since
    BoxCapture boxes;
    Command(IDM_HELP_TUTORIAL);
    EXPECT_TRUE(g_opened.empty());
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "The document '" + folder.path +
                                       "\\User Support\\TVX 3_7 Tutorial.pdf' cannot be found.\nPlease install "
                                       "Norvane Tessaly again.");
}

TEST_F(HelpMenuInProgram, LessonsChangeHideAndBringBackItems) {
    Put("User Support\\Quick Guide TVX 3_7.pdf");
    EXPECT_EQ(GetHelpItemCommand(1057), IDM_HELP_SUPPORT_WEB);
    EXPECT_EQ(GetHelpItemCommand(999), -1);

    // An empty target keeps the old one; the flags change: the guide is no longer beside the program.
    SetHelpItem(1053, "", 0, 0, 0);
    Command(IDM_HELP_QUICK_GUIDE);
    ASSERT_EQ(g_opened.size(), 1u);
    EXPECT_EQ(g_opened[0].file, "User Support\\Quick Guide TVX 3_7.pdf");
    SetHelpItem(1053, "Guides\\Other.pdf", 0, 0, 0);
    Command(IDM_HELP_QUICK_GUIDE);
    EXPECT_EQ(g_opened.back().file, "Guides\\Other.pdf");

    HideHelpItem(IDM_HELP_ABOUT);
    InitHelpMenu();
    EXPECT_EQ(HelpItems(), (std::vector<std::string>{"Quick Guide"})) << "no separator before a hidden About";
    HideHelpItem(IDM_HELP_POPUP);
    InitHelpMenu();
    EXPECT_TRUE(HelpItems().empty()) << "a hidden Help popup leaves the menu off the bar";
    ShowAllHelpItems();
    InitHelpMenu();
    EXPECT_EQ(HelpItems(), (std::vector<std::string>{"Quick Guide", "-", "About Norvane Tessaly"}));

    HMENU bar = GetMenu(g_app->hwndFrame);
    EnableMenuCommand(bar, IDM_HELP_POPUP, FALSE);
    int position = -1;
    for (int i = 0; i < GetMenuItemCount(bar); ++i)
        if (GetSubMenu(bar, i) == HelpMenu()) position = i;
    ASSERT_GE(position, 0);
    EXPECT_TRUE(GetMenuState(bar, static_cast<UINT>(position), MF_BYPOSITION) & MF_GRAYED);
    EnableMenuCommand(bar, IDM_HELP_QUICK_GUIDE, FALSE);
    EXPECT_TRUE(GetMenuState(bar, IDM_HELP_QUICK_GUIDE, MF_BYCOMMAND) & MF_GRAYED);
}

}  // namespace

namespace {

TEST_F(HelpMenuInProgram, ARebuiltMenuKeepsItsPlaceOnTheBar) {
    HMENU bar = GetMenu(g_app->hwndFrame);
    auto positionOf = [bar](HMENU popup) {
        for (int i = 0; i < GetMenuItemCount(bar); ++i)
            if (GetSubMenu(bar, i) == popup) return i;
        return -1;
    };
    const int before = positionOf(HelpMenu());
    ASSERT_GE(before, 0);
    HMENU later = CreatePopupMenu();
    ASSERT_TRUE(AppendMenuA(bar, MF_POPUP | MF_STRING, reinterpret_cast<UINT_PTR>(later), "&Later"));
    InitHelpMenu();
    EXPECT_EQ(positionOf(HelpMenu()), before);
    EXPECT_EQ(positionOf(later), GetMenuItemCount(bar) - 1) << "the popup added after it stays after it";
}

}  // namespace
