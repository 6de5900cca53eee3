// Which transport the unit link gets from the machine's driver settings: the unit's driver, the
// simulated unit's library when "Simulated" is 1, or none when that library is missing; and the
// library's start-up over the chosen transport. A stand-in VKSim.dll lies beside this program.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdint>
#include <string>

#include "common/stAcq.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/binding/binding.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

namespace {

std::string ProgramFolder() {
    char path[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, path, sizeof(path));
    std::string folder = path;
    return folder.substr(0, folder.find_last_of('\\') + 1);
}

// An empty folder of this test's own.
std::string EmptyFolder() {
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    const std::string folder = std::string(temp) + "vk40_nosim_" + std::to_string(GetCurrentProcessId());
    CreateDirectoryA(folder.c_str(), nullptr);
    return folder;
}

void NoWait(uint32_t) {}

// The driver settings of this test program alone: other programs bind the library meanwhile and
// must not find a simulated unit or another model in the machine's settings.
class OwnDriverSettings {
public:
    OwnDriverSettings() : m_key(std::string(kDriverSettingsKey) + "\\Test" + std::to_string(GetCurrentProcessId())) {
        g_driverSettingsKey = m_key.c_str();
    }
    ~OwnDriverSettings() {
        g_driverSettingsKey = kDriverSettingsKey;
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, m_key.c_str(), KEY_WOW64_64KEY, 0);
    }
    const char* Key() const { return m_key.c_str(); }

private:
    std::string m_key;
};

class UnitChoice : public ::testing::Test {
protected:
    void TearDown() override {
        ReleaseUnitTransport(link);
        ReleaseUnitTransport(g_unitLink);
    }
    OwnDriverSettings settings;
    vk40test::RegValue simulated{HKEY_LOCAL_MACHINE, settings.Key(), kSimulatedValue};
    CUnitLink link;
};

TEST_F(UnitChoice, WithoutTheValueTheLinkTalksToTheDriver) {
    struct {
        const char* what;
        bool dword;
        uint32_t value;
        const char* text;
    } cases[] = {
        {"no value", false, 0, nullptr},
        {"0", true, 0, nullptr},
        {"2", true, 2, nullptr},
        {"a string 1 is no DWORD", false, 0, "1"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        simulated.Remove();
        if (c.dword) {
            ASSERT_TRUE(simulated.SetDword(c.value));
        }
        if (c.text) {
            ASSERT_TRUE(simulated.SetString(c.text));
        }
        EXPECT_EQ(IsSimulatedUnitChosen(), 0);
        EXPECT_EQ(ChooseUnitTransport(link, ProgramFolder().c_str()), 1);
        EXPECT_EQ(link.Transport(), &g_driverTransport);
        EXPECT_EQ(GetModuleHandleA(kSimulatedUnitDll), nullptr) << "nothing loaded";
    }
}

TEST_F(UnitChoice, ASimulatedUnitThatIsMissingLeavesNoUnit) {
    ASSERT_TRUE(simulated.SetDword(1));
    const std::string folder = EmptyFolder();
    EXPECT_EQ(ChooseUnitTransport(link, folder.c_str()), 0);
    EXPECT_EQ(link.Transport(), nullptr);
    EXPECT_EQ(link.Open("\\\\.\\VKUSB", kTransportUsb), 0);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.SetCommand(kCmdStop, 0, nullptr), 0);
    EXPECT_EQ(GetModuleHandleA(kSimulatedUnitDll), nullptr);
    RemoveDirectoryA(folder.c_str());
}

TEST_F(UnitChoice, ASimulatedUnitBesideTheLibraryTakesTheDriversPlace) {
    ASSERT_TRUE(simulated.SetDword(1));
    EXPECT_EQ(ChooseUnitTransport(link, nullptr), 1) << "the library's own folder";
    ASSERT_NE(link.Transport(), nullptr);
    EXPECT_NE(link.Transport(), &g_driverTransport);
    link.SetWait(NoWait);
    EXPECT_EQ(link.Open("\\\\.\\VKUSB", kTransportUsb), 1);
    EXPECT_EQ(link.SetCommand(kCmdStop, 0, nullptr), 1);
    link.Close();
    ReleaseUnitTransport(link);
    EXPECT_EQ(link.Transport(), &g_driverTransport);
    EXPECT_EQ(GetModuleHandleA(kSimulatedUnitDll), nullptr) << "unloaded once released";
}

// Start-up over the simulated unit: the driver settings' path and kind, the adapter's unit 0, the
// stop command as the first packet and the second model picked from the path.
TEST_F(UnitChoice, StartUpOpensTheSimulatedUnitAndSendsTheStopCommand) {
    vk40test::RegValue name(HKEY_LOCAL_MACHINE, settings.Key(), "DriverName");
    vk40test::RegValue type(HKEY_LOCAL_MACHINE, settings.Key(), "DriverType");
    ASSERT_TRUE(name.SetString("VKUSB45"));
    ASSERT_TRUE(type.SetDword(3));
    ASSERT_TRUE(simulated.SetDword(1));

    // Our own reference keeps the stand-in (and what it wrote down) past the library's release.
    HMODULE fake = LoadLibraryA((ProgramFolder() + kSimulatedUnitDll).c_str());
    ASSERT_NE(fake, nullptr);
    using TextFn = const char* (*)();
    const auto trace = reinterpret_cast<TextFn>(reinterpret_cast<void*>(GetProcAddress(fake, "FakeSimTrace")));
    const auto packets = reinterpret_cast<TextFn>(reinterpret_cast<void*>(GetProcAddress(fake, "FakeSimPackets")));
    ASSERT_TRUE(trace && packets);

    HWND frame = vk40test::CreateFrameWithMenu();
    stHostCallbacks host = vk40test::MakeRecordingHost(nullptr);
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    g_unitLink.SetWait(NoWait);
    ASSERT_EQ(vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1), 1);
    EXPECT_TRUE(g_unitLink.IsOpen());
    EXPECT_EQ(g_unitModel, kModelVK45);
    EXPECT_EQ(NDChan, 8);
    EXPECT_EQ(NChanTotal, 24);
    EXPECT_STREQ(trace(),
                 "open \\\\.\\VKUSB45\ncontrol 100 950020B4\ncontrol 100 950020B8\nopen \\\\.\\VKUNIT0\n"
                 "control 101 9500200C\n");
    EXPECT_STREQ(packets(), "01 12 ED \n");
    ShutdownDriver();
    EXPECT_FALSE(g_unitLink.IsOpen());
    const std::string after = trace();
    EXPECT_NE(after.find("close 101\nclose 100\n"), std::string::npos) << after;
    FreeLibrary(fake);
    EXPECT_EQ(GetModuleHandleA(kSimulatedUnitDll), nullptr);
    DestroyWindow(frame);
}

// On Windows NT 4 the old drivers' services name the driver; the ISA one wins over the PC card's,
// and the choice is noted for the user.
TEST(OldDriverServices, TheIsaServiceWinsAndTheChoiceIsNotedForTheUser) {
    constexpr char kPcm[] = "System\\CurrentControlSet\\Services\\VkPcm";
    constexpr char kIsa[] = "System\\CurrentControlSet\\Services\\VkIsa";
    char path[MAX_PATH] = "\\\\.\\VKUSB";
    int32_t kind = 3;
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPcm);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kIsa);
    EXPECT_EQ(ProbeOldDriverServices(path, &kind), 0);
    EXPECT_STREQ(path, "\\\\.\\VKUSB") << "nothing found, nothing changed";

    HKEY key = nullptr;
    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kPcm, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ProbeOldDriverServices(path, &kind), 1);
    EXPECT_STREQ(path, "\\\\.\\VKPCM");
    EXPECT_EQ(kind, 2);

    ASSERT_EQ(RegCreateKeyExA(HKEY_LOCAL_MACHINE, kIsa, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr),
              ERROR_SUCCESS);
    RegCloseKey(key);
    EXPECT_EQ(ProbeOldDriverServices(path, &kind), 1);
    EXPECT_STREQ(path, "\\\\.\\VKISA");
    EXPECT_EQ(kind, 1);

    char name[32] = "";
    DWORD size = sizeof(name);
    DWORD type = 0;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, kDriverSettingsKey, 0, KEY_READ, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegQueryValueExA(key, "DriverName", nullptr, nullptr, reinterpret_cast<BYTE*>(name), &size),
              ERROR_SUCCESS);
    size = sizeof(type);
    RegQueryValueExA(key, "DriverType", nullptr, nullptr, reinterpret_cast<BYTE*>(&type), &size);
    RegCloseKey(key);
    EXPECT_STREQ(name, "VKISA");
    EXPECT_EQ(type, 1u);

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kPcm);
    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kIsa);
    RegDeleteKeyA(HKEY_CURRENT_USER, kDriverSettingsKey);
}

}  // namespace
