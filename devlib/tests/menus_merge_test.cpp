// Merging the device menu for each unit model and each ".\Menu.Dsc": links the library's objects
// and its menu resource, so the model and the resource module can be chosen per case.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/binding/binding.h"
#include "devlib/binding/menus.h"
#include "devlib/resource.h"

namespace {

constexpr char kFrameClass[] = "VK40MenusMergeFrame";
constexpr UINT kDeviceItems[] = {IDM_CHANNELS, IDM_ACQUISITION, IDM_TRIGGERING,         IDM_INPUTVALUES, IDM_ELECTRODE,
                                 IDM_AUTOPLOT, IDM_AUTOSCROLL,  IDM_WARNINGONOVERWRITE, IDM_ORGTEMPLATE};

HWND CreateFrame(bool withMenuBar) {
    static bool registered = false;
    if (!registered) {
        WNDCLASSA wc{};
        wc.lpfnWndProc = DefWindowProcA;
        wc.hInstance = GetModuleHandleA(nullptr);
        wc.lpszClassName = kFrameClass;
        registered = RegisterClassA(&wc) != 0;
    }
    HMENU bar = nullptr;
    if (withMenuBar) {
        bar = CreateMenu();
        AppendMenuA(bar, MF_STRING, 1001, "&File");
    }
    return CreateWindowExA(0, kFrameClass, "frame", WS_OVERLAPPEDWINDOW, 0, 0, 300, 200, nullptr, bar,
                           GetModuleHandleA(nullptr), nullptr);
}

bool HasItem(HMENU menu, UINT id) { return GetMenuState(menu, id, MF_BYCOMMAND) != static_cast<UINT>(-1); }

std::string ItemText(HMENU menu, int pos) {
    char text[256] = {};
    GetMenuStringA(menu, static_cast<UINT>(pos), text, sizeof text, MF_BYPOSITION);
    return text;
}

// Runs each case in its own empty folder, which is ".\" for the library.
class VK40MenusMergeFixture : public ::testing::Test {
protected:
    void SetUp() override {
        GetCurrentDirectoryA(sizeof m_oldDir, m_oldDir);
        char temp[MAX_PATH] = {};
        GetTempPathA(sizeof temp, temp);
        static int serial = 0;
        m_dir =
            std::string(temp) + "vk40menus" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(++serial);
        ASSERT_TRUE(CreateDirectoryA(m_dir.c_str(), nullptr));
        ASSERT_TRUE(SetCurrentDirectoryA(m_dir.c_str()));
        g_lib.instance = GetModuleHandleA(nullptr);
        g_lib.autoPlotting = 1;
        g_lib.scrolling = 1;
        g_unitModel = kModelVK40;
    }

    void TearDown() override {
        SetCurrentDirectoryA(m_oldDir);
        const std::string dsc = m_dir + "\\Menu.Dsc";
        DeleteFileA(dsc.c_str());
        RemoveDirectoryA(dsc.c_str());
        RemoveDirectoryA(m_dir.c_str());
    }

    void WriteDsc(const std::string& text) {
        HANDLE file = CreateFileA("Menu.Dsc", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
        ASSERT_NE(file, INVALID_HANDLE_VALUE);
        DWORD written = 0;
        WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
        CloseHandle(file);
    }

    // Merges into a new frame; answers the merged pop-up (null when none was added).
    HMENU Merge() {
        m_frame = CreateFrame(true);
        HMENU bar = GetMenu(m_frame);
        EXPECT_EQ(MergeDriverMenu(m_frame), 0);
        if (GetMenuItemCount(bar) != 2) return nullptr;
        m_title = ItemText(bar, 1);
        return GetSubMenu(bar, 1);
    }

    void CloseFrame() { DestroyWindow(m_frame); }

    char m_oldDir[MAX_PATH] = {};
    std::string m_dir;
    HWND m_frame = nullptr;
    std::string m_title;
};

struct stModelCase {
    int32_t model;
    const char* title;
    std::vector<UINT> kept;
    std::vector<UINT> removed;
};

TEST_F(VK40MenusMergeFixture, EachModelKeepsOnlyItsOutputs) {
    const stModelCase cases[] = {
        {kModelVK40,
         "&VK40",
         {IDM_OUTPUT_CHANNEL, IDM_OUTPUT_VOLTAGE, IDM_OUTPUT_PULSES, IDM_OUTPUT_TVXSTM},
         {IDM_OUTPUT_DIGITAL, IDM_OUTPUT_TVXSTM_SECOND, IDM_OUTPUT_RJ72C, IDM_OUTPUT_RJ72C_ADVANCED}},
        {kModelVK45,
         "&VK45",
         {IDM_OUTPUT_CHANNEL, IDM_OUTPUT_DIGITAL, IDM_OUTPUT_VOLTAGE, IDM_OUTPUT_PULSES, IDM_OUTPUT_TVXSTM,
          IDM_OUTPUT_RJ72C},
         {IDM_OUTPUT_TVXSTM_SECOND, IDM_OUTPUT_RJ72C_ADVANCED}},
    };
    for (const stModelCase& c : cases) {
        SCOPED_TRACE(c.title);
        g_unitModel = c.model;
        HMENU device = Merge();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ(m_title, c.title);
        for (UINT id : kDeviceItems) EXPECT_TRUE(HasItem(device, id)) << id;
        for (UINT id : c.kept) EXPECT_TRUE(HasItem(device, id)) << id;
        for (UINT id : c.removed) EXPECT_FALSE(HasItem(device, id)) << id;
        HMENU outputs = GetSubMenu(device, 4);
        ASSERT_NE(outputs, nullptr);
        EXPECT_EQ(GetMenuItemCount(outputs), static_cast<int>(c.kept.size()));
        CloseFrame();
    }
}

TEST_F(VK40MenusMergeFixture, CheckMarksFollowTheFlags) {
    g_lib.autoPlotting = 0;
    g_lib.scrolling = 1;
    HMENU device = Merge();
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(GetMenuState(device, IDM_AUTOPLOT, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_NE(GetMenuState(device, IDM_AUTOSCROLL, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_NE(GetMenuState(device, IDM_WARNINGONOVERWRITE, MF_BYCOMMAND) & MF_CHECKED, 0u);
    EXPECT_EQ(GetMenuState(device, IDM_ELECTRODE, MF_BYCOMMAND) & MF_CHECKED, 0u);
    CloseFrame();
}

// Warn On Overwrite shows the acquisition record's flag, which a graph's activation may have
// turned off before the menu joins the frame's.
TEST_F(VK40MenusMergeFixture, WarnOnOverwriteShowsTheRecordsFlag) {
    HGLOBAL record = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
    ASSERT_TRUE(record);
    const HGLOBAL kept = g_lib.hAcq;
    g_lib.hAcq = record;
    for (int32_t flag : {0, 1}) {
        AcqLock(record)->warnOnOverwrite = flag;
        HMENU device = Merge();
        ASSERT_NE(device, nullptr);
        EXPECT_EQ((GetMenuState(device, IDM_WARNINGONOVERWRITE, MF_BYCOMMAND) & MF_CHECKED) != 0, flag != 0) << flag;
        CloseFrame();
    }
    g_lib.hAcq = kept;
    GlobalFree(record);
}

struct stDscCase {
    const char* what;
    std::string text;
    std::vector<UINT> removed;  // every other device item stays
};

TEST_F(VK40MenusMergeFixture, MenuDscRemovesOnlyWellFormedEntries) {
    static const char kZeroBytes[] = "IDM_\0AUTOSCROLL=OFF\0IDM_AUTOSCROLL=OFF";
    const std::string huge = "IDM_CHANNELS=OFF\r\n" + std::string(2 << 20, ' ');
    const stDscCase cases[] = {
        {"equals sign", "IDM_ELECTRODE=OFF\r\n", {IDM_ELECTRODE}},
        {"blank", "IDM_ELECTRODE OFF", {IDM_ELECTRODE}},
        {"blanks around the equals sign", "IDM_ELECTRODE = OFF\r\n", {}},
        {"name in other case", "IDM_electrode=OFF", {IDM_ELECTRODE}},
        {"several entries on one line",
         "IDM_ACQUISITION=OFF IDM_TRIGGERING=OFF;IDM_AUTOPLOT=ON",
         {IDM_ACQUISITION, IDM_TRIGGERING}},
        {"other words around",
         "; menu\r\nshow IDM_WARNINGONOVERWRITE=OFF please\r\nIDM_ORGTEMPLATE=OFF",
         {IDM_WARNINGONOVERWRITE, IDM_ORGTEMPLATE}},
        {"items the menu lacks", "IDM_MANUAL=OFF IDM_ABOUT=OFF IDM_STIMULATOR=OFF IDM_UNKNOWN=OFF", {}},
        {"cut short", "IDM_CHANNELS=OF", {}},
        {"name to the end", "IDM_CHANNELS", {}},
        {"bare prefix", "IDM_", {}},
        {"empty file", "", {}},
        {"zero bytes inside", std::string(kZeroBytes, sizeof kZeroBytes - 1), {IDM_AUTOSCROLL}},
        {"too large to be a description", huge, {}},
    };
    for (const stDscCase& c : cases) {
        SCOPED_TRACE(c.what);
        WriteDsc(c.text);
        HMENU device = Merge();
        ASSERT_NE(device, nullptr);
        for (UINT id : kDeviceItems) {
            const bool removed = std::find(c.removed.begin(), c.removed.end(), id) != c.removed.end();
            EXPECT_EQ(HasItem(device, id), !removed) << id;
        }
        CloseFrame();
    }
}

// A description whose size past 4 GiB has small low 32 bits: the entry at its start would be
// obeyed if only those bits were taken for its size.
TEST_F(VK40MenusMergeFixture, MenuDscPastFourGigabytesIsIgnored) {
    const std::string entry = "IDM_ELECTRODE=OFF";
    HANDLE file = CreateFileA("Menu.Dsc", GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    ASSERT_NE(file, INVALID_HANDLE_VALUE);
    DWORD written = 0;
    EXPECT_TRUE(WriteFile(file, entry.data(), static_cast<DWORD>(entry.size()), &written, nullptr));
    LARGE_INTEGER end{};
    end.QuadPart = (LONGLONG{1} << 32) + static_cast<LONGLONG>(entry.size());
    const bool grown = SetFilePointerEx(file, end, nullptr, FILE_BEGIN) && SetEndOfFile(file);
    CloseHandle(file);
    ASSERT_TRUE(grown) << "the folder's file system cannot hold a sparse file past 4 GiB";
    WIN32_FILE_ATTRIBUTE_DATA info{};
    ASSERT_TRUE(GetFileAttributesExA("Menu.Dsc", GetFileExInfoStandard, &info));
    ASSERT_EQ(info.nFileSizeHigh, 1u);
    ASSERT_EQ(info.nFileSizeLow, entry.size());

    HMENU device = Merge();
    ASSERT_NE(device, nullptr);
    for (UINT id : kDeviceItems) EXPECT_TRUE(HasItem(device, id)) << id;
    CloseFrame();
}

TEST_F(VK40MenusMergeFixture, UnreadableMenuDscLeavesTheMenuWhole) {
    ASSERT_TRUE(CreateDirectoryA("Menu.Dsc", nullptr)) << "a folder where the file should be";
    HMENU device = Merge();
    ASSERT_NE(device, nullptr);
    for (UINT id : kDeviceItems) EXPECT_TRUE(HasItem(device, id)) << id;
    CloseFrame();
}

TEST_F(VK40MenusMergeFixture, MissingTemplateOrMenuBarChangesNothing) {
    g_lib.instance = GetModuleHandleA("kernel32.dll");  // a module without the template
    EXPECT_EQ(Merge(), nullptr);
    EXPECT_EQ(GetMenuItemCount(GetMenu(m_frame)), 1);
    CloseFrame();

    g_lib.instance = GetModuleHandleA(nullptr);
    HWND bare = CreateFrame(false);
    EXPECT_EQ(MergeDriverMenu(bare), 0);
    EXPECT_EQ(GetMenu(bare), nullptr);
    DestroyWindow(bare);
    EXPECT_EQ(MergeDriverMenu(nullptr), 0);
}

}  // namespace
