// The About box and the System Information dialog as the user opens them from the Help menu,
// and the version and owner queries behind them.
#include <gtest/gtest.h>
#include <windows.h>

#include <cpuid.h>
#include <cstdio>
#include <string>
#include <vector>
#include <cstring>

#include "base/app.h"
#include "shell/shell_ids.h"
#include "base/system_queries.h"
#include "devlib/vk40.h"
#include "shell/about_dialogs.h"
#include "shell/system_dialogs.h"
#include "tests/graph/dialogs/dialog_driver.h"
#include "controls/tests/text_fit.h"
#include "tests/shell/shell_fixture.h"

namespace {

// A localisation key of this test process in place of the machine's.
std::string LocalizationTestKey() {
    return "Software\\Norvane\\KymoraTests\\Localization" + std::to_string(GetCurrentProcessId());
}

class AboutInProgram : public ::testing::Test {
protected:
    void SetUp() override {
        DeleteIni();
        SetLocalizationKey(LocalizationTestKey().c_str());
        ASSERT_TRUE(BootShell());
    }
    void TearDown() override {
        ShutShell();
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, LocalizationTestKey().c_str());
        SetLocalizationKey(kLocalizationKey);
    }
    static void SetLineFrequency(const DWORD* hz) {
        RegDeleteTreeA(HKEY_LOCAL_MACHINE, LocalizationTestKey().c_str());
        if (!hz) return;
        HKEY key;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, LocalizationTestKey().c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                                  &key, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(key, "LineFrequencyHz", 0, REG_DWORD, reinterpret_cast<const BYTE*>(hz), sizeof *hz);
        RegCloseKey(key);
    }
    static void OpenAbout() { SendMessageA(g_app->hwndFrame, WM_COMMAND, IDM_HELP_ABOUT, 0); }
};

TEST_F(AboutInProgram, ShowsTheProgramTheMainsAndTheUnit) {
    const DWORD fifty = 50, five = 5;
    struct {
        const DWORD* stored;
        const char* shown;
    } cases[] = {{nullptr, "60Hz"}, {&fifty, "50Hz"}, {&five, " 5Hz"}};
    char unit[kVK40InfoChars] = "";
    GetVK40Info(unit);
    // The unit's lines, each ended by a line break the edit shows ("\r\n").
    std::string shownUnit;
    for (const char* p = unit; *p; ++p) {
        if (*p == '\r' || *p == '\n') {
            shownUnit += "\r\n";
            if (*p == '\r' && p[1] == '\n') ++p;
        } else {
            shownUnit += *p;
        }
    }
    for (const auto& c : cases) {
        SetLineFrequency(c.stored);
        std::string frequency, version, build, problems;
        std::string info;
        DWORD selStart = 1, selEnd = 2;
        bool iconKept = false, namePainted = false;
        DialogDriver driver({[&](HWND dlg) {
            frequency = ItemText(dlg, IDC_PA_LINE_FREQUENCY);
            HWND edit = GetDlgItem(dlg, IDC_PA_UNIT_INFO);
            char text[kVK40InfoChars + 64] = "";
            GetDlgItemTextA(dlg, IDC_PA_UNIT_INFO, text, sizeof text);
            info = text;
            SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&selStart), reinterpret_cast<LPARAM>(&selEnd));
            problems = JoinedProblems(TextFitProblems(dlg));
            SaveWindowPicture(dlg, "about_box");
            version = ItemText(dlg, IDC_PA_FILE_VERSION);
            build = ItemText(dlg, IDC_PA_SPECIAL_BUILD);
            iconKept = SendDlgItemMessageA(dlg, IDC_PA_PICTURE, STM_GETICON, 0, 0) != 0;
            // The product name along the top: dark strokes on the dialog's face.
            RECT band{10, 6, 200, 30};
            for (uint32_t px : Capture(dlg, band))
                if ((px & 0xFF) < 0x60 && ((px >> 8) & 0xFF) < 0x60 && ((px >> 16) & 0xFF) < 0x60) namePainted = true;
            Click(dlg, IDOK);
        }});
        OpenAbout();
        SCOPED_TRACE(c.shown);
        EXPECT_EQ(driver.Runs(), 1);
        EXPECT_EQ(driver.LeftOpen(), 0);
        EXPECT_EQ(frequency, c.shown);
        EXPECT_EQ(info, shownUnit) << "the unit's information as the device library gives it";
        EXPECT_EQ(selStart, selEnd) << "nothing of it is highlighted";
        EXPECT_EQ(problems, "");
        EXPECT_EQ(version, "3.7.0.1");
        EXPECT_EQ(build, "x86-64");
        EXPECT_TRUE(iconKept) << "without the newer unit the template's picture stays";
        EXPECT_TRUE(namePainted);
    }
}

// The program bound to the newer unit's driver (no unit needs to answer: the model follows the
// driver's name).
class AboutWithNewerUnit : public AboutInProgram {
protected:
    void SetUp() override {
        settings = "Software\\NORVANE\\TVX3x\\DriverSettings\\AboutTest" + std::to_string(GetCurrentProcessId());
        HKEY key = nullptr;
        ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY,
                                  nullptr, &key, nullptr),
                  ERROR_SUCCESS);
        const char driver[] = "VKUSB45";
        const DWORD type = 3;
        RegSetValueExA(key, "DriverName", 0, REG_SZ, reinterpret_cast<const BYTE*>(driver), sizeof driver);
        RegSetValueExA(key, "DriverType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof type);
        RegCloseKey(key);
        SetEnvironmentVariableA("VK40_DRIVER_SETTINGS_KEY", settings.c_str());
        AboutInProgram::SetUp();
    }
    void TearDown() override {
        AboutInProgram::TearDown();
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, settings.c_str(), KEY_WOW64_64KEY, 0);
        SetEnvironmentVariableA("VK40_DRIVER_SETTINGS_KEY", nullptr);
    }
    std::string settings;
};

// The newer unit's picture stands beside the labels and above the unit's box, covering none of
// them.
TEST_F(AboutWithNewerUnit, TheUnitPictureCoversNoOtherControl) {
    ASSERT_EQ(CVKDevice::GetDeviceNum(), 45);
    bool shown = false;
    RECT picture{};
    std::vector<std::pair<std::string, RECT>> others;
    DialogDriver driver({[&](HWND dlg) {
        HWND pic = GetDlgItem(dlg, IDC_PA_PICTURE);
        shown = SendMessageA(pic, STM_GETIMAGE, IMAGE_BITMAP, 0) != 0 && IsWindowVisible(pic);
        GetWindowRect(pic, &picture);
        for (HWND child = GetWindow(dlg, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
            if (child == pic || !IsWindowVisible(child)) continue;
            char text[128] = "";
            GetWindowTextA(child, text, sizeof text);
            RECT rc{};
            GetWindowRect(child, &rc);
            others.push_back({std::to_string(GetDlgCtrlID(child)) + " \"" + text + "\"", rc});
        }
        SaveWindowPicture(dlg, "about_box_vk45");
        Click(dlg, IDOK);
    }});
    OpenAbout();
    ASSERT_EQ(driver.Runs(), 1);
    EXPECT_TRUE(shown) << "the unit's picture in place of the icon";
    EXPECT_GT(picture.right - picture.left, 32) << "a picture, not a dot";
    EXPECT_GT(picture.bottom - picture.top, 16);
    ASSERT_GE(others.size(), 9u);
    for (const auto& other : others) {
        RECT overlap{};
        EXPECT_FALSE(IntersectRect(&overlap, &picture, &other.second)) << other.first;
    }
}

TEST_F(AboutInProgram, SystemInfoButtonShowsTheMachine) {
    IdentifyProcessor();
    std::string windows, buildText, owner, processor, clock, vendor, memory, problems;
    DialogDriver driver({[](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDC_PA_SYSTEM_INFO, 0); },
                         [&](HWND dlg) {
                             windows = ItemText(dlg, IDC_SI_WINDOWS);
                             buildText = ItemText(dlg, IDC_SI_BUILD);
                             owner = ItemText(dlg, IDC_SI_OWNER);
                             processor = ItemText(dlg, IDC_SI_PROCESSOR);
                             clock = ItemText(dlg, IDC_SI_CLOCK);
                             vendor = ItemText(dlg, IDC_SI_VENDOR);
                             memory = ItemText(dlg, IDC_SI_MEMORY);
                             problems = JoinedProblems(TextFitProblems(dlg));
                             SaveWindowPicture(dlg, "system_information");
                             Click(dlg, IDOK);
                         }});
    OpenAbout();
    ASSERT_EQ(driver.Runs(), 2) << "the System Info button opened the second dialog over the About box";
    EXPECT_EQ(problems, "") << "every label and value shows whole";

    char expected[256] = "";
    DWORD platform = 0;
    EXPECT_EQ(windows, GetWindowsVersionName(expected, sizeof expected, &platform) ? expected : "");
    EXPECT_EQ(buildText, GetWindowsBuildText(expected, sizeof expected) ? expected : "");
    char who[256], organisation[256];
    ReadRegisteredOwner(HKEY_LOCAL_MACHINE, kProductKey, platform, who, organisation);
    EXPECT_EQ(owner, std::string(who) + "\r\n" + organisation);
    GetProcessorName(expected, sizeof expected, g_cpu.nCpuType, g_cpu.nCpuModel,
                     g_cpu.nCpuVendor == kCpuVendorAmd ? 1 : 0, g_cpu.szCpuBrand);
    EXPECT_EQ(processor, expected);
    ASSERT_GT(g_cpu.nCpuMHz, 0u);
    EXPECT_EQ(clock, std::to_string(g_cpu.nCpuMHz) + " MHz");
    EXPECT_EQ(vendor, g_cpu.szCpuVendor);
    unsigned long long kilobytes = 0;
    ASSERT_EQ(std::sscanf(memory.c_str(), "%llu K", &kilobytes), 1) << memory;
    EXPECT_GT(kilobytes, 0u);
    EXPECT_EQ(memory, std::to_string(kilobytes) + " K");
}

// The processor's own identification, answered after a pause on the first question: the clock
// is still being measured when the dialog comes unless the dialog waits for it.
void LateCpuid(uint32_t leaf, uint32_t regs[4]) {
    static bool paused = false;
    if (!paused) {
        paused = true;
        Sleep(1000);  // only makes the measurement late; the dialog must wait however long it takes
    }
    __cpuid_count(leaf, 0, regs[0], regs[1], regs[2], regs[3]);
}

TEST_F(AboutInProgram, SystemInfoWaitsForTheMeasuredProcessor) {
    SetCpuidReader(LateCpuid);
    IdentifyProcessor();
    std::string processor, clock, vendor;
    DialogDriver driver({[](HWND dlg) { PostMessageA(dlg, WM_COMMAND, IDC_PA_SYSTEM_INFO, 0); },
                         [&](HWND dlg) {
                             processor = ItemText(dlg, IDC_SI_PROCESSOR);
                             clock = ItemText(dlg, IDC_SI_CLOCK);
                             vendor = ItemText(dlg, IDC_SI_VENDOR);
                             Click(dlg, IDOK);
                         }});
    OpenAbout();
    AwaitProcessorInfo();
    SetCpuidReader(nullptr);
    ASSERT_EQ(driver.Runs(), 2);
    ASSERT_GT(g_cpu.nCpuMHz, 0u);
    EXPECT_EQ(clock, std::to_string(g_cpu.nCpuMHz) + " MHz");
    EXPECT_EQ(vendor, g_cpu.szCpuVendor);
    EXPECT_NE(vendor, "Unknown");
    char expected[256] = "";
    GetProcessorName(expected, sizeof expected, g_cpu.nCpuType, g_cpu.nCpuModel,
                     g_cpu.nCpuVendor == kCpuVendorAmd ? 1 : 0, g_cpu.szCpuBrand);
    EXPECT_EQ(processor, expected);
}

int g_cpuidCalls = 0;
void CountedCpuid(uint32_t leaf, uint32_t regs[4]) {
    ++g_cpuidCalls;
    __cpuid_count(leaf, 0, regs[0], regs[1], regs[2], regs[3]);
}

// Start-up only asks for the description: the processor is questioned and its clock measured
// when the description is first read, once, and again only after a new request.
TEST(ProcessorDescription, IsMeasuredWhenFirstReadNotWhenAskedFor) {
    SetCpuidReader(CountedCpuid);
    g_cpuidCalls = 0;
    IdentifyProcessor();
    EXPECT_EQ(g_cpuidCalls, 0) << "asking measures nothing";
    EXPECT_EQ(g_cpu.nCpuMHz, 0u);
    AwaitProcessorInfo();
    const int firstRead = g_cpuidCalls;
    EXPECT_GT(firstRead, 0);
    EXPECT_GT(g_cpu.nCpuMHz, 0u);
    EXPECT_NE(std::string(g_cpu.szCpuVendor), "");
    AwaitProcessorInfo();
    EXPECT_EQ(g_cpuidCalls, firstRead) << "read again, it is not measured again";
    IdentifyProcessor();
    AwaitProcessorInfo();
    EXPECT_GT(g_cpuidCalls, firstRead) << "a new request is measured afresh";
    SetCpuidReader(nullptr);
}

TEST(WindowsVersionTexts, NamesAndBuildsOfTheKnownVersions) {
    struct {
        DWORD platform, major, minor, build;
        const char* csd;
        WORD suite;
        BYTE product;
        int extended;
        const char* name;  // null: not a version the dialog knows
        const char* buildText;
    } cases[] = {
        {1, 4, 0, 0x04000457, " C", 0, 0, 0, "Microsoft Windows 95 OSR2", "4.00.1111"},
        {1, 4, 0, 950, "", 0, 0, 0, "Microsoft Windows 95", "4.00. 950"},
        {1, 4, 10, 2222, " A ", 0, 0, 0, "Microsoft Windows 98 SE", "4.10.2222"},
        {1, 4, 90, 3000, "", 0, 0, 0, "Microsoft Windows Me", "4.90.3000"},
        {2, 4, 0, 1381, "Service Pack 6", 0, 1, 1, "Microsoft Windows NT Professional", "1381 Service Pack 6"},
        {2, 5, 0, 2195, "", 0x2, 3, 1, "Microsoft Windows 2000 Advanced Server", "2195"},
        {2, 5, 1, 2600, "Service Pack 2", 0x200, 1, 1, "Microsoft Windows XP Home Edition", "2600 Service Pack 2"},
        {2, 5, 1, 2600, "", 0, 1, 1, "Microsoft Windows XP Professional", "2600"},
        {2, 5, 1, 2600, "", 0x200, 1, 0, "Microsoft Windows XP", "2600"},
        {2, 5, 2, 3790, "", 0, 3, 1, "Microsoft Windows .NET Server", "3790"},
        {2, 5, 2, 3790, "", 0x2, 3, 1, "Microsoft Windows .NET Enterprise Server", "3790"},
        {2, 10, 0, 19045, "", 0, 1, 1, nullptr, "19045"},
        {0, 3, 10, 0, "", 0, 0, 0, nullptr, nullptr},
    };
    for (const auto& c : cases) {
        OSVERSIONINFOEXA v{};
        v.dwPlatformId = c.platform;
        v.dwMajorVersion = c.major;
        v.dwMinorVersion = c.minor;
        v.dwBuildNumber = c.build;
        lstrcpyA(v.szCSDVersion, c.csd);
        v.wSuiteMask = c.suite;
        v.wProductType = c.product;
        char name[128] = "", build[128] = "";
        SCOPED_TRACE(std::to_string(c.major) + "." + std::to_string(c.minor));
        EXPECT_EQ(WindowsVersionName(v, c.extended, name, sizeof name), c.name ? 1 : 0);
        if (c.name) {
            EXPECT_STREQ(name, c.name);
        }
        EXPECT_EQ(WindowsBuildText(v, build, sizeof build), c.buildText ? 1 : 0);
        if (c.buildText) {
            EXPECT_STREQ(build, c.buildText);
        }
    }
}

// The product's own key answers when it holds both texts; with either missing the system's key
// answers both.
TEST(RegisteredOwner, ProductKeyFirstThenTheSystems) {
    const std::string key = "Software\\Norvane\\KymoraTests\\Product" + std::to_string(GetCurrentProcessId());
    char systemOwner[256], systemOrganisation[256];
    ReadRegisteredOwner(HKEY_CURRENT_USER, "Software\\Norvane\\KymoraTests\\NoSuchKey", 2, systemOwner,
                        systemOrganisation);
    struct {
        const char* name;
        const char* company;
        bool own;
    } cases[] = {{"Ada Lab", "Physiology Dept", true}, {"Ada Lab", "", false}, {"", "Physiology Dept", false}};
    for (const auto& c : cases) {
        HKEY hkey;
        ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, key.c_str(), 0, nullptr, 0, KEY_WRITE, nullptr, &hkey, nullptr),
                  ERROR_SUCCESS);
        RegSetValueExA(hkey, "Name", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.name), lstrlenA(c.name) + 1);
        RegSetValueExA(hkey, "Company", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.company), lstrlenA(c.company) + 1);
        RegCloseKey(hkey);
        char owner[256], organisation[256];
        ReadRegisteredOwner(HKEY_CURRENT_USER, key.c_str(), 2, owner, organisation);
        EXPECT_STREQ(owner, c.own ? c.name : systemOwner) << c.name << "/" << c.company;
        EXPECT_STREQ(organisation, c.own ? c.company : systemOrganisation) << c.name << "/" << c.company;
    }
    RegDeleteTreeA(HKEY_CURRENT_USER, key.c_str());
}

}  // namespace
