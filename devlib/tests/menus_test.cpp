// The menu keys, the menu-item groups and the device menu through VK40.dll's exports and its
// operation table, on real menus and a real frame window.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "devlib/resource.h"
#include "devlib/vk40.h"
#include "devlib/tests/vk40_test_util.h"

using namespace vk40test;

namespace {

std::string ItemText(HMENU menu, int pos) {
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(pos), text, sizeof text, MF_BYPOSITION);
    return text;
}

struct stKeyCase {
    uint32_t key;
    const char* text;  // null: no title
};

TEST(VK40MenusKeys, DefaultTitlesAreThereFromTheStart) {
    const stKeyCase cases[] = {
        {1051, "&Help"},     {1001, "&File"},           {1003, "&Transform"}, {1471, "Dot Si&ze"}, {5000, "&VK40"},
        {10000, "&Lessons"}, {5103, "O&utput Control"}, {4242, nullptr},      {0, nullptr},
    };
    for (const stKeyCase& c : cases) {
        SCOPED_TRACE(c.key);
        if (c.text)
            EXPECT_STREQ(GetMenuStrKey(c.key), c.text);
        else
            EXPECT_EQ(GetMenuStrKey(c.key), nullptr);
    }
}

TEST(VK40MenusKeys, SetRenamesOnlyKnownKeysAndSurvivesRepeatedDefaults) {
    EXPECT_EQ(SetMenuStrKey(1004, "&Anzeige"), kMenuKeySet);
    EXPECT_STREQ(GetMenuStrKey(1004), "&Anzeige");
    EXPECT_EQ(SetMenuStrKey(4243, "Nowhere"), kMenuKeyMissing);
    EXPECT_EQ(GetMenuStrKey(4243), nullptr) << "a missing key is not added";
    EXPECT_EQ(SetMenuStrKey(0, "Free"), kMenuKeyMissing);

    const std::string longText(300, 'k');
    EXPECT_EQ(SetMenuStrKey(1409, longText.c_str()), kMenuKeySet);
    EXPECT_EQ(std::string(GetMenuStrKey(1409)), std::string(127, 'k'));

    // More default sets than the table holds: the extra ones are dropped, the first ones win.
    for (int i = 0; i < 8; ++i) EXPECT_EQ(InitMenuStrKeyContainer(), 1);
    EXPECT_STREQ(GetMenuStrKey(1004), "&Anzeige");
    EXPECT_STREQ(GetMenuStrKey(1051), "&Help");
    EXPECT_EQ(SetMenuStrKey(1004, "&Display"), kMenuKeySet);
    EXPECT_STREQ(GetMenuStrKey(1004), "&Display");
}

// A menu like the program's Display menu: a plain item, a separator, the wave-colour sub-menu
// with one nested item that is not a colour, and a last item without an entry.
HMENU MakeDisplayMenu() {
    HMENU colours = CreatePopupMenu();
    AppendMenuA(colours, MF_STRING, 2065, "Red");
    AppendMenuA(colours, MF_STRING, 2066, "Green");
    AppendMenuA(colours, MF_STRING, 2080, "Auto");
    HMENU menu = CreatePopupMenu();
    AppendMenuA(menu, MF_STRING, 100, "&Open");
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(colours), "&Wave color");
    AppendMenuA(menu, MF_STRING | MF_CHECKED, 101, "&Print");
    return menu;
}

TEST(VK40MenusItems, AdjustRenamesItemsAndKeepsSubMenusIdsAndColours) {
    constexpr uint32_t kGroup = 117;
    EXPECT_EQ(SetMenuItem(kGroup, "&OPEN", "&Oeffnen"), kMenuItemSet) << "names ignore case";
    EXPECT_EQ(SetMenuItem(kGroup, "&Wave color", "&Wellenfarbe"), kMenuItemSet);
    EXPECT_EQ(SetMenuItem(kGroup, "Red", "Rot"), kMenuItemSet);
    EXPECT_EQ(SetMenuItem(kGroup, "Auto", "Automatisch"), kMenuItemSet);
    EXPECT_STREQ(GetPopupMenuItemName(kGroup, "red"), "Rot");
    EXPECT_EQ(GetPopupMenuItemName(kGroup, "&Print"), nullptr);
    EXPECT_EQ(GetPopupMenuItemName(4244, "Red"), nullptr);

    HMENU menu = MakeDisplayMenu();
    ASSERT_NE(menu, nullptr);
    EXPECT_EQ(AdjustMenuByContainerData(kGroup, menu), 1);

    ASSERT_EQ(GetMenuItemCount(menu), 4);
    EXPECT_EQ(ItemText(menu, 0), "&Oeffnen");
    EXPECT_EQ(GetMenuItemID(menu, 0), 100u);
    EXPECT_EQ(GetMenuState(menu, 1, MF_BYPOSITION) & MF_SEPARATOR, static_cast<UINT>(MF_SEPARATOR));
    EXPECT_EQ(ItemText(menu, 2), "&Wellenfarbe");
    HMENU colours = GetSubMenu(menu, 2);
    ASSERT_NE(colours, nullptr) << "the renamed item still opens its sub-menu";
    ASSERT_EQ(GetMenuItemCount(colours), 3);
    EXPECT_EQ(ItemText(colours, 0), "Red") << "wave colours keep their texts";
    EXPECT_EQ(ItemText(colours, 2), "Automatisch");
    EXPECT_EQ(GetMenuItemID(colours, 2), 2080u);
    EXPECT_EQ(ItemText(menu, 3), "&Print");
    EXPECT_NE(GetMenuState(menu, 101, MF_BYCOMMAND) & MF_CHECKED, 0u) << "the state stays";

    // A second setting of a name replaces its text.
    EXPECT_EQ(SetMenuItem(kGroup, "&Oeffnen", "&Auf"), kMenuItemSet);
    EXPECT_EQ(AdjustMenuByContainerData(kGroup, menu), 1);
    EXPECT_EQ(ItemText(menu, 0), "&Auf");

    EXPECT_EQ(AdjustMenuByContainerData(4245, menu), kMenuGroupMissing);
    EXPECT_EQ(AdjustMenuByContainerData(kGroup, nullptr), 0);
    DestroyMenu(menu);
}

TEST(VK40MenusItems, BadNamesAndFullTablesAreRefused) {
    EXPECT_EQ(SetMenuItem(0, "Open", "Auf"), 0) << "group 0 marks a free group";
    EXPECT_EQ(SetMenuItem(168, nullptr, "Auf"), 0);
    EXPECT_EQ(SetMenuItem(168, "", "Auf"), 0);
    EXPECT_EQ(GetPopupMenuItemName(168, nullptr), nullptr);

    // One group takes 128 names; the next new one finds no room, an existing one still changes.
    constexpr uint32_t kFullGroup = 6001;
    for (int i = 0; i < 128; ++i) {
        const std::string name = "Item " + std::to_string(i);
        ASSERT_EQ(SetMenuItem(kFullGroup, name.c_str(), "x"), kMenuItemSet) << i;
    }
    EXPECT_EQ(SetMenuItem(kFullGroup, "Item 128", "x"), kMenuItemNoRoom);
    EXPECT_EQ(SetMenuItem(kFullGroup, "item 5", "Fifth"), kMenuItemSet);
    EXPECT_STREQ(GetPopupMenuItemName(kFullGroup, "Item 5"), "Fifth");

    // New groups until none is free; the groups made keep working.
    bool full = false;
    for (uint32_t group = 6100; group < 6130 && !full; ++group)
        full = SetMenuItem(group, "Open", "Auf") == kMenuItemNoRoom;
    EXPECT_TRUE(full) << "25 groups at most";
    EXPECT_EQ(SetMenuItem(kFullGroup, "Item 6", "Sixth"), kMenuItemSet);
    EXPECT_STREQ(GetPopupMenuItemName(6100, "OPEN"), "Auf");
}

// The device menu reached through the operation table of a bound library.
TEST(VK40MenusMerge, DeviceMenuJoinsTheFrameMenuBarThroughTheOperationTable) {
    // No ".\Menu.Dsc" where the test runs.
    char oldDir[MAX_PATH] = {};
    GetCurrentDirectoryA(sizeof oldDir, oldDir);
    char temp[MAX_PATH] = {};
    GetTempPathA(sizeof temp, temp);
    ASSERT_TRUE(SetCurrentDirectoryA(temp));
    DeleteFileA("Menu.Dsc");

    HWND frame = CreateFrameWithMenu();
    ASSERT_NE(frame, nullptr);
    HMENU bar = GetMenu(frame);
    const int before = GetMenuItemCount(bar);
    stHostCallbacks host = MakeRecordingHost(nullptr);
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    ASSERT_EQ(vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1), 1);

    EXPECT_EQ(ops.appendDriverMenu(frame), 0);
    ASSERT_EQ(GetMenuItemCount(bar), before + 1);
    EXPECT_EQ(ItemText(bar, before), "&VK40");
    HMENU device = GetSubMenu(bar, before);
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(ItemText(device, 0), "Setup &Channels...");
    EXPECT_EQ(GetMenuItemID(device, 0), static_cast<UINT>(IDM_CHANNELS));
    HMENU outputs = GetSubMenu(device, 4);
    ASSERT_NE(outputs, nullptr);
    EXPECT_EQ(ItemText(device, 4), "O&utput Control");
    ASSERT_EQ(GetMenuItemCount(outputs), 4);
    const char* kept[] = {"CH#", "Voltage", "Pulses", "Stimulator - TVXSTM"};
    for (int i = 0; i < 4; ++i) EXPECT_EQ(ItemText(outputs, i), kept[i]) << i;
    EXPECT_NE(GetMenuState(device, IDM_WARNINGONOVERWRITE, MF_BYCOMMAND) & MF_CHECKED, 0u);

    ops.shutdownDriver();
    DestroyWindow(frame);
    SetCurrentDirectoryA(oldDir);
}

}  // namespace
