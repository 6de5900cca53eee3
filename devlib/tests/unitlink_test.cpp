// The unit link reaches the unit only through its transport table: a recording transport shows
// every open, control call and close, and the driver's own transport is checked on plain files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "devlib/acquisition/device.h"
#include "devlib/acquisition/transport.h"
#include "devlib/acquisition/unitlink.h"

namespace {

// A transport that writes down every call and opens what it is told to.
struct stRecordingTransport {
    std::vector<std::string> calls;
    bool opens = true;
    uintptr_t nextHandle = 0x100;

    static HANDLE Open(void* self, const char* path)
    {
        auto* t = static_cast<stRecordingTransport*>(self);
        t->calls.push_back(std::string("open ") + path);
        return t->opens ? reinterpret_cast<HANDLE>(t->nextHandle++) : nullptr;
    }
    static int32_t Control(void* self, HANDLE device, uint32_t code, const void*, uint32_t, void*, uint32_t,
                           uint32_t*)
    {
        auto* t = static_cast<stRecordingTransport*>(self);
        t->calls.push_back("control " + std::to_string(reinterpret_cast<uintptr_t>(device)) + " " +
                           std::to_string(code));
        return 0;
    }
    static void Close(void* self, HANDLE device)
    {
        auto* t = static_cast<stRecordingTransport*>(self);
        t->calls.push_back("close " + std::to_string(reinterpret_cast<uintptr_t>(device)));
    }

    stTransportOps Table() { return {Open, Control, Close, this}; }
};

using Calls = std::vector<std::string>;

class UnitLinkTransport : public ::testing::Test {
protected:
    void SetUp() override
    {
        table = fake.Table();
        EXPECT_EQ(link.SetTransport(&table), &g_driverTransport) << "a new link talks to the driver";
    }

    stRecordingTransport fake;
    stTransportOps table{};
    CUnitLink link;
};

TEST_F(UnitLinkTransport, OpenLooksForTheUnitThroughTheTransportAndClosesItAgain)
{
    EXPECT_EQ(link.Open("\\\\.\\VKUSB", kTransportUsb), 0) << "no packets yet: no unit is reported";
    EXPECT_EQ(fake.calls, (Calls{"open \\\\.\\VKUSB", "close 256"}));
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.Kind(), kTransportUsb);
}

TEST_F(UnitLinkTransport, KindAndPathDecideWhatIsOpened)
{
    struct {
        const char* what;
        const char* path;
        int32_t kind;
        bool opens;
        Calls calls;
        int32_t kindAfter;
    } cases[] = {
        {"kind from the path", "\\\\.\\VKPCM.VXD", 0, true, {"open \\\\.\\VKPCM.VXD", "close 256"}, kTransportPcCard},
        {"a given kind wins", "\\\\.\\VKUSB45", kTransportIsa, true, {"open \\\\.\\VKUSB45", "close 256"},
         kTransportIsa},
        {"no device", "\\\\.\\VKISA.VXD", kTransportIsa, false, {"open \\\\.\\VKISA.VXD"}, kTransportIsa},
        {"unknown path, no kind", "\\\\.\\OTHER", 7, true, {}, kTransportNone},
        {"no path", nullptr, kTransportUsb, true, {}, kTransportUsb},
    };
    for (const auto& c : cases) {
        CUnitLink fresh;
        fresh.SetTransport(&table);
        fake.calls.clear();
        fake.nextHandle = 0x100;
        fake.opens = c.opens;
        EXPECT_EQ(fresh.Open(c.path, c.kind), 0) << c.what;
        EXPECT_EQ(fake.calls, c.calls) << c.what;
        EXPECT_EQ(fresh.Kind(), c.kindAfter) << c.what;
        EXPECT_FALSE(fresh.IsOpen()) << c.what;
    }
}

TEST_F(UnitLinkTransport, TheFirstPathIsKeptForReopening)
{
    link.Open("\\\\.\\VKUSB", kTransportUsb);
    fake.calls.clear();
    link.Open("\\\\.\\VKUSB45", kTransportUsb);
    EXPECT_EQ(fake.calls, (Calls{"open \\\\.\\VKUSB", "close 257"}));
}

TEST_F(UnitLinkTransport, AClosedLinkFailsEveryCommandWithoutTouchingTheTransport)
{
    link.Open("\\\\.\\VKUSB", kTransportUsb);
    fake.calls.clear();
    uint8_t reply[8] = {};
    const uint8_t data[2] = {1, 2};
    EXPECT_EQ(link.QueryCommand(69, sizeof(data), data, sizeof(reply), reply), 0);
    EXPECT_EQ(link.SetCommand(kCmdStop, 0, nullptr), 0);
    link.Close();
    EXPECT_EQ(fake.calls, Calls{});
}

TEST_F(UnitLinkTransport, ALinkWithoutATransportOpensNothing)
{
    link.SetTransport(nullptr);
    EXPECT_EQ(link.Open("\\\\.\\VKUSB", kTransportUsb), 0);
    link.Close();
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(fake.calls, Calls{});
}

// ---- The driver's transport, on paths that exist here ----

std::string TempPath(const char* name)
{
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof(dir), dir);
    return std::string(dir) + name;
}

TEST(DriverTransport, AMissingDriverGivesNoHandle)
{
    SetLastError(0);
    EXPECT_EQ(TransportOpen(&g_driverTransport, "\\\\.\\VKUSB"), nullptr) << "not INVALID_HANDLE_VALUE either";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(DriverTransport, OpensOnlyWhatIsNewAndClosesWhatItOpened)
{
    const std::string path = TempPath("vk40_transport_test.bin");
    DeleteFileA(path.c_str());

    HANDLE device = TransportOpen(&g_driverTransport, path.c_str());
    ASSERT_NE(device, nullptr);
    EXPECT_EQ(TransportOpen(&g_driverTransport, path.c_str()), nullptr) << "opened without sharing, as new";

    // A plain file knows none of the driver's control codes.
    uint8_t out[4] = {};
    uint32_t returned = 99;
    EXPECT_EQ(TransportControl(&g_driverTransport, device, 0x950020A0, "\3", 1, out, sizeof(out), &returned), 0);
    EXPECT_EQ(returned, 0u);
    EXPECT_EQ(TransportControl(&g_driverTransport, nullptr, 0x950020A0, "\3", 1, out, sizeof(out), &returned), 0);

    TransportClose(&g_driverTransport, device);
    EXPECT_NE(GetFileAttributesA(path.c_str()), INVALID_FILE_ATTRIBUTES) << "the open made the file";
    HANDLE again = CreateFileA(path.c_str(), GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    EXPECT_NE(again, INVALID_HANDLE_VALUE) << "the close released the file";
    if (again != INVALID_HANDLE_VALUE)
        CloseHandle(again);
    DeleteFileA(path.c_str());
}

}  // namespace
