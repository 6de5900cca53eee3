// Machine-wide settings the library reads from the registry. The tests write the machine key
// of their own Wine prefix and put it back as they found it.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/locale.h"
#include "devlib/vk40.h"
#include "devlib/tests/vk40_test_util.h"

namespace {

constexpr char kDriverSettingsKey[] = "Software\\NORVANE\\TVX3x\\DriverSettings\\0000";

struct stDwordCase {
    bool present;
    uint32_t stored;
    uint32_t expected;
};

TEST(VK40Registry, FilterDelayDefaultsTo100AndIsCappedAt500) {
    vk40test::RegValue value(HKEY_LOCAL_MACHINE, kLocalizationKey, "HWFilterDelayMs");
    const stDwordCase cases[] = {
        {false, 0, 100},  {true, 0, 0},     {true, 250, 250},         {true, 500, 500},
        {true, 501, 500}, {true, 700, 500}, {true, 0xFFFFFFFFu, 500},  // compared without sign
    };
    for (const stDwordCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.present ? "stored " : "missing ") << c.stored);
        if (c.present)
            ASSERT_TRUE(value.SetDword(c.stored));
        else
            value.Remove();
        EXPECT_EQ(GetFilterDelayMs(), c.expected);
    }
    ASSERT_TRUE(value.SetString("700"));
    EXPECT_EQ(GetFilterDelayMs(), 100u) << "a value that is no number counts as missing";
}

TEST(VK40Registry, LineFrequencyDefaultsTo60WithoutBound) {
    vk40test::RegValue value(HKEY_LOCAL_MACHINE, kLocalizationKey, "LineFrequencyHz");
    const stDwordCase cases[] = {
        {false, 0, 60},
        {true, 50, 50},
        {true, 60, 60},
        {true, 100000, 100000},
    };
    for (const stDwordCase& c : cases) {
        SCOPED_TRACE(testing::Message() << (c.present ? "stored " : "missing ") << c.stored);
        if (c.present)
            ASSERT_TRUE(value.SetDword(c.stored));
        else
            value.Remove();
        EXPECT_EQ(GetLineFrequencyHz(), c.expected);
    }
}

TEST(VK40Registry, DriverNameComesFromTheMachineDriverSettings) {
    vk40test::RegValue name(HKEY_LOCAL_MACHINE, kDriverSettingsKey, "DriverName");
    vk40test::RegValue type(HKEY_LOCAL_MACHINE, kDriverSettingsKey, "DriverType");

    char path[MAX_PATH] = "\\\\.\\VKUSB";
    int32_t kind = 3;
    EXPECT_EQ(GetDriverName(path, &kind), 0);
    EXPECT_STREQ(path, "\\\\.\\VKUSB") << "without settings the caller's default stays";
    EXPECT_EQ(kind, 3);

    ASSERT_TRUE(name.SetString("VKISA.VXD"));
    ASSERT_TRUE(type.SetDword(1));
    EXPECT_EQ(GetDriverName(path, &kind), 1);
    EXPECT_STREQ(path, "\\\\.\\VKISA.VXD");
    EXPECT_EQ(kind, 1);

    type.Remove();
    EXPECT_EQ(GetDriverName(path, &kind), 1);
    EXPECT_EQ(kind, 0) << "a missing type leaves the kind to the path";
    EXPECT_EQ(GetDriverName(nullptr, &kind), 0);
}

struct stDriverNameCase {
    const char* stored;
    const char* path;  // "": refused
};

// Only a bare device name makes a device path; anything that could name a file leaves nothing
// to open, not even the caller's default.
TEST(VK40Registry, DriverNameMustBeABareDeviceName) {
    vk40test::RegValue name(HKEY_LOCAL_MACHINE, kDriverSettingsKey, "DriverName");
    vk40test::RegValue type(HKEY_LOCAL_MACHINE, kDriverSettingsKey, "DriverType");
    ASSERT_TRUE(type.SetDword(1));
    const stDriverNameCase cases[] = {
        {"VKUSB45", "\\\\.\\VKUSB45"},
        {"VKISA.VXD", "\\\\.\\VKISA.VXD"},
        {"C:\\windows\\temp\\x", ""},
        {"C:x", ""},
        {"..\\x", ""},
        {"temp/x", ""},
        {"\\\\server\\share", ""},
        {"", ""},
    };
    for (const stDriverNameCase& c : cases) {
        SCOPED_TRACE(c.stored);
        ASSERT_TRUE(name.SetString(c.stored));
        char path[MAX_PATH] = "\\\\.\\VKUSB";
        int32_t kind = 3;
        const bool accepted = c.path[0] != '\0';
        EXPECT_EQ(GetDriverName(path, &kind), accepted ? 1 : 0);
        EXPECT_STREQ(path, c.path);
        EXPECT_EQ(kind, accepted ? 1 : 0);
    }
}

// The library's start-up opens the driver it is given with the create-new disposition; a file
// path given as the driver must not be created.
TEST(VK40Registry, StartUpCreatesNoFileNamedAsTheDriver) {
    char temp[MAX_PATH] = "";
    ASSERT_NE(GetTempPathA(sizeof temp, temp), 0u);
    const std::string file = std::string(temp) + "vk40_driver_" + std::to_string(GetCurrentProcessId());
    DeleteFileA(file.c_str());
    vk40test::RegValue name(HKEY_LOCAL_MACHINE, kDriverSettingsKey, "DriverName");
    vk40test::RegValue type(HKEY_LOCAL_MACHINE, kDriverSettingsKey, "DriverType");
    ASSERT_TRUE(name.SetString(file.c_str()));
    ASSERT_TRUE(type.SetDword(1));

    HWND frame = vk40test::CreateFrameWithMenu();
    ASSERT_NE(frame, nullptr);
    stHostCallbacks host = vk40test::MakeRecordingHost(nullptr);
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    EXPECT_EQ(vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1), 1) << "the library starts without a unit";
    const DWORD attributes = GetFileAttributesA(file.c_str());
    EXPECT_EQ(attributes, INVALID_FILE_ATTRIBUTES) << file << " was created";
    EXPECT_EQ(NDChan, 0) << "the first model, as without a driver";
    if (ops.shutdownDriver) ops.shutdownDriver();
    DestroyWindow(frame);
    DeleteFileA(file.c_str());
}

}  // namespace
