// VKSim.dll through its one export, as the unit link meets it: device names opened, control
// codes called with hand-framed packets, the test controls set in the registry. Each test uses a
// key and a log file of its own (tests run as parallel processes) and a fresh load of the DLL,
// so each meets a freshly powered unit.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "devlib/acquisition/unit/transport.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/simulated/simpacket.h"

namespace {

using Bytes = std::vector<uint8_t>;

constexpr uint32_t kPacket = 0x9500200C;
constexpr uint32_t kReadData = 0x95006008;
constexpr uint32_t kWriteLegacy = 0x9500A004;
constexpr uint32_t kWriteUsb = 0x95002054;
constexpr uint32_t kResetPipe = 0x95002065;
constexpr uint32_t kPing = 0x950020A0;
constexpr uint32_t kLastError = 0x95002074;
constexpr uint32_t kDriverStatus = 0x95002078;
constexpr uint32_t kUnitState = 0x9500207C;
constexpr uint32_t kSetValue = 0x95002069;
constexpr uint32_t kVendorInfo = 0x950020A4;
constexpr uint32_t kAdapterRead = 0x950020A8;
constexpr uint32_t kAdapterWrite = 0x950020AC;
constexpr uint32_t kAdapterMode = 0x950020B0;
constexpr uint32_t kUnitCount = 0x950020B4;
constexpr uint32_t kUnitName = 0x950020B8;
constexpr uint32_t kDriverRevision = 0x950020C8;

constexpr char kUsb40[] = "\\\\.\\VKUSB";
constexpr char kUsb45[] = "\\\\.\\VKUSB45";
constexpr char kIsa[] = "\\\\.\\VKISA.VXD";
constexpr char kPcCard[] = "\\\\.\\VKPCM.VXD";

const Bytes kStopUsb = {0x01, 0x12, 0xED};
const Bytes kStopPcCard = {0x01, 0x00, 0x03, 0x03, 0x01, 0x12, 0xED};
const Bytes kAck = {0x01, 0x06, 0xF9};
const Bytes kNak = {0x01, 0x15, 0xEA};

struct Result {
    bool ok;
    Bytes out;
};

Bytes Frame(int32_t kind, uint8_t command, const Bytes& data, uint32_t replyData) {
    uint8_t out[512];
    const uint32_t n =
        SimFramePacket(kind, command, data.data(), static_cast<uint32_t>(data.size()), replyData, out, sizeof(out));
    return Bytes(out, out + n);
}

class SimDll : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string name = ::testing::UnitTest::GetInstance()->current_test_info()->name();
        key = "Software\\NORVANE\\TVX3x\\SimulatorTests\\" + name;
        log = "vksim_" + name + ".log";
        SetEnvironmentVariableA(kSimControlKeyEnv, key.c_str());
        DeleteFileA(log.c_str());
        ASSERT_TRUE(SimControlClear());
        ASSERT_TRUE(SimControlSetDword(kSimVirtualClock, 1));
        Clock(1000000);
        module = LoadLibraryA(kSimLibrary);
        ASSERT_NE(module, nullptr);
        auto* get =
            reinterpret_cast<SimTransportFn>(reinterpret_cast<void*>(GetProcAddress(module, kSimTransportExport)));
        ASSERT_NE(get, nullptr);
        ops = get();
        ASSERT_NE(ops, nullptr);
    }
    void TearDown() override {
        for (HANDLE h : opened) TransportClose(ops, h);
        if (module) FreeLibrary(module);
        SimControlClear();
        DeleteFileA(log.c_str());
    }

    void Clock(uint64_t us) { ASSERT_TRUE(SimControlSetQword(kSimClockUs, clockUs = us)); }
    void Later(uint64_t us) { Clock(clockUs + us); }

    HANDLE Open(const char* path) {
        HANDLE h = TransportOpen(ops, path);
        if (h) opened.push_back(h);
        return h;
    }
    void Close(HANDLE h) {
        TransportClose(ops, h);
        opened.erase(std::find(opened.begin(), opened.end(), h));
    }
    Result Control(HANDLE h, uint32_t code, const Bytes& in, uint32_t outSize) {
        Bytes out(outSize);
        uint32_t returned = 0xDEAD;
        const int32_t ok =
            TransportControl(ops, h, code, in.empty() ? nullptr : in.data(), static_cast<uint32_t>(in.size()),
                             out.empty() ? nullptr : out.data(), outSize, &returned);
        const bool write = code == kWriteUsb || code == kWriteLegacy;
        if (ok && write) {
            EXPECT_EQ(returned, in.size()) << "a write counts the bytes it took";
        } else {
            EXPECT_TRUE(ok ? returned <= outSize : returned == 0) << "returned " << returned;
        }
        out.resize(ok && !write ? returned : 0);
        return {ok != 0, out};
    }
    Result Send(HANDLE h, const Bytes& packet, uint32_t outSize = 16400) {
        return Control(h, kPacket, packet, outSize);
    }
    // A query or set command framed for the kind, with a reply of r data bytes; the reply's data.
    Bytes Query(HANDLE h, int32_t kind, uint8_t command, const Bytes& data, uint32_t r) {
        const Result res = Send(h, Frame(kind, command, data, r), r + 2);
        EXPECT_TRUE(res.ok) << "command " << int(command);
        EXPECT_TRUE(SimReplyChecks(res.out.data(), static_cast<uint32_t>(res.out.size()), r))
            << "command " << int(command);
        return res.out.size() == r + 2 ? Bytes(res.out.begin() + 1, res.out.end() - 1) : Bytes{};
    }
    bool Set(HANDLE h, int32_t kind, uint8_t command, const Bytes& data) {
        return Query(h, kind, command, data, 1) == Bytes{0x06};
    }
    uint32_t LastError(HANDLE h) {
        const Result r = Control(h, kLastError, {}, 4);
        return r.out.size() == 4
                   ? r.out[0] | (r.out[1] << 8) | (r.out[2] << 16) | (static_cast<uint32_t>(r.out[3]) << 24)
                   : 0xFFFFFFFF;
    }
    // The USB road: the adapter's unit count and unit 0's name, then the unit itself.
    HANDLE OpenUsbUnit(const char* adapterPath, HANDLE* adapter = nullptr) {
        HANDLE a = Open(adapterPath);
        EXPECT_NE(a, nullptr);
        if (adapter) *adapter = a;
        EXPECT_EQ(Control(a, kUnitCount, {}, 4).out, (Bytes{1, 0, 0, 0}));
        const Result name = Control(a, kUnitName, {0, 0, 0, 0}, 82);
        EXPECT_EQ(name.out.size(), 82u);
        return name.out.size() == 82
                   ? Open(("\\\\.\\" + std::string(reinterpret_cast<const char*>(&name.out[14]))).c_str())
                   : nullptr;
    }
    uint32_t ControlValue(const char* name) {
        DWORD value = 0xFFFFFFFF;
        DWORD size = sizeof(value);
        RegGetValueA(HKEY_CURRENT_USER, key.c_str(), name, RRF_RT_REG_DWORD, nullptr, &value, &size);
        return value;
    }
    std::string LogText() {
        std::ifstream f(log, std::ios::binary);
        std::stringstream s;
        s << f.rdbuf();
        return s.str();
    }

    std::string key;
    std::string log;
    HMODULE module = nullptr;
    const stTransportOps* ops = nullptr;
    std::vector<HANDLE> opened;
    uint64_t clockUs = 0;
};

std::string Text(const Bytes& b) { return std::string(b.begin(), std::find(b.begin(), b.end(), 0)); }

TEST_F(SimDll, UsbUnitsAreOpenedByTheNameTheirAdapterGives) {
    struct {
        const char* adapter;
        const char* unitName;
        const char* model;
        Bytes memory;
    } cases[] = {
        {kUsb40, kSimUsbUnitName40, "Model VK40", {0x10, 0x00, 0x00}},
        {kUsb45, kSimUsbUnitName45, "Model VK45", {0x40, 0x00, 0x00}},
    };
    for (const auto& k : cases) {
        HANDLE adapter = nullptr;
        HANDLE unit = OpenUsbUnit(k.adapter, &adapter);
        ASSERT_NE(unit, nullptr) << k.adapter;
        const Result name = Control(adapter, kUnitName, {0, 0, 0, 0}, 82);
        EXPECT_EQ(Text(Bytes(name.out.begin() + 14, name.out.end())), k.unitName);
        EXPECT_EQ(Text(Query(unit, kSimKindUsb, 57, {}, 120)).substr(0, 10), k.model);
        EXPECT_EQ(Query(unit, kSimKindUsb, 70, {}, 3), k.memory);
        EXPECT_FALSE(Send(adapter, kStopUsb).ok) << "the adapter carries no packets";
        EXPECT_FALSE(Control(unit, kUnitCount, {}, 4).ok) << "the unit does not count units";
        EXPECT_FALSE(Control(adapter, kUnitName, {1, 0, 0, 0}, 82).ok) << "there is no unit 1";
        EXPECT_EQ(TransportOpen(ops, k.adapter), nullptr) << "no sharing";
        EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SHARING_VIOLATION));
    }
    EXPECT_EQ(TransportOpen(ops, "\\\\.\\VKUSB46"), nullptr);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
    EXPECT_EQ(TransportOpen(ops, "C:\\VKUSB"), nullptr);
}

TEST_F(SimDll, EachKindFramesItsPacketsAndRefusesABadChecksum) {
    struct {
        const char* path;
        int32_t kind;
        Bytes stop;
        Bytes badChecksum;
    } cases[] = {
        {kIsa, kSimKindIsa, kStopUsb, {0x01, 0x12, 0xEE}},
        {kPcCard, kSimKindPcCard, kStopPcCard, {0x01, 0x00, 0x03, 0x03, 0x01, 0x12, 0xEE}},
    };
    HANDLE handles[2] = {};
    for (const auto& k : cases) {
        HANDLE h = handles[&k - cases] = Open(k.path);
        ASSERT_NE(h, nullptr) << k.path;
        EXPECT_EQ(Send(h, k.stop, 3).out, kAck) << k.path;
        EXPECT_EQ(Send(h, k.badChecksum, 3).out, kNak) << k.path;
        EXPECT_EQ(Text(Query(h, k.kind, 57, {}, 120)).substr(0, 10), "Model VK40") << k.path;
        EXPECT_EQ(Query(h, k.kind, 51, {}, 4), (Bytes{0, 0x80, 0, 0})) << k.path;
    }
    HANDLE usb = OpenUsbUnit(kUsb40);
    EXPECT_EQ(Send(usb, kStopUsb, 3).out, kAck);
    EXPECT_EQ(Send(usb, {0x01, 0x12, 0xEE}, 3).out, kNak);
    EXPECT_EQ(Send(usb, {0x01, 0x12, 0x01, 0xED}, 3).out, kNak) << "a data byte the checksum does not cover";

    HANDLE pc = handles[1];
    EXPECT_FALSE(Send(pc, kStopUsb, 3).ok) << "a PC-card packet without its prefix is never answered";
    EXPECT_EQ(Send(pc, {0x01, 0x00, 0x02, 0x03, 0x01, 0x12, 0xED}, 16).out, (Bytes{0x01, 0x06}))
        << "the interface reads as many bytes as the prefix asks for";
    EXPECT_EQ(Send(pc, kStopPcCard, 3).out, (Bytes{0xF9, 0x01, 0x06})) << "the byte left over comes first";
    EXPECT_EQ(Send(pc, Bytes(128, 0), 16).out, Bytes{0xF9}) << "128 zero bytes read back what was left";
    EXPECT_FALSE(Send(pc, Bytes(128, 0), 16).ok) << "then nothing answers them";
    EXPECT_EQ(Send(pc, kStopPcCard, 3).out, kAck) << "and the PC card needs no reset afterwards";
}

TEST_F(SimDll, ALostPacketStallsTheUsbPipeUntilItIsReset) {
    HANDLE unit = OpenUsbUnit(kUsb40);
    EXPECT_EQ(LastError(unit), kSimErrNone);
    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultNoReply));
    ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, 57));
    ASSERT_TRUE(SimControlSetDword(kSimFaultCount, 1));
    EXPECT_EQ(Send(unit, kStopUsb, 3).out, kAck) << "another command is not hit";
    EXPECT_FALSE(Send(unit, Frame(kSimKindUsb, 57, {}, 120), 122).ok);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_SEM_TIMEOUT));
    EXPECT_EQ(LastError(unit), kSimErrTimeout);
    EXPECT_EQ(ControlValue(kSimFaultCount), 0u) << "counted down";
    EXPECT_FALSE(Send(unit, kStopUsb).ok) << "stalled";
    EXPECT_EQ(LastError(unit), kSimErrStalled);
    EXPECT_FALSE(Control(unit, kPing, {3}, 1).ok) << "no ping through a stalled pipe";
    EXPECT_TRUE(Control(unit, kResetPipe, {}, 0).ok);
    EXPECT_EQ(Control(unit, kPing, {3}, 1).out, Bytes{3});
    EXPECT_EQ(Text(Query(unit, kSimKindUsb, 57, {}, 120)).substr(0, 10), "Model VK40") << "the fault has fired once";
}

TEST_F(SimDll, ALostPacketOnIsaCostsOnlyItsOwnCall) {
    HANDLE h = Open(kIsa);
    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultNoReply));
    ASSERT_TRUE(SimControlSetDword(kSimFaultCount, 3));
    for (int i = 0; i < 3; ++i) EXPECT_FALSE(Send(h, kStopUsb, 3).ok) << i;
    EXPECT_EQ(Send(h, kStopUsb, 3).out, kAck) << "no pipe to reset";
    ASSERT_TRUE(SimControlSetDword(kSimFaultCount, kSimForever));
    for (int i = 0; i < 12; ++i) EXPECT_FALSE(Send(h, kStopUsb, 3).ok) << "for ever: " << i;
    EXPECT_EQ(ControlValue(kSimFaultCount), kSimForever);
}

TEST_F(SimDll, DamagedRepliesHitOnlyTheChosenCommand) {
    HANDLE unit = OpenUsbUnit(kUsb40);
    ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, 51));

    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultBadChecksum));
    Result status = Send(unit, Frame(kSimKindUsb, 51, {}, 4), 6);
    ASSERT_TRUE(status.ok);
    EXPECT_EQ(status.out, (Bytes{0x01, 0x00, 0x80, 0x00, 0x00, 0x80})) << "checksum 0x7F plus one";
    EXPECT_FALSE(SimReplyChecks(status.out.data(), 6, 4));
    EXPECT_EQ(Send(unit, kStopUsb, 3).out, kAck);

    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultWrongLength));
    status = Send(unit, Frame(kSimKindUsb, 51, {}, 4), 6);
    ASSERT_TRUE(status.ok);
    EXPECT_EQ(status.out.size(), 5u) << "one data byte short";
    EXPECT_TRUE(SimReplyChecks(status.out.data(), 5, 3)) << "with its own checksum right";
    EXPECT_EQ(Send(unit, kStopUsb, 3).out, kAck);

    ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, 18));
    EXPECT_EQ(Send(unit, kStopUsb, 3).out, (Bytes{0x01, 0xFF})) << "an acknowledgement without its 0x06";
}

TEST_F(SimDll, AnAbsentUnitFailsEveryCallAndComesBackFreshlyPoweredOn) {
    HANDLE adapter = nullptr;
    HANDLE unit = OpenUsbUnit(kUsb40, &adapter);
    Bytes text(128, 0);
    text[0] = 'X';
    ASSERT_TRUE(Set(unit, kSimKindUsb, 61, text));
    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 1));
    EXPECT_FALSE(Send(unit, kStopUsb).ok);
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_DEVICE_NOT_CONNECTED));
    EXPECT_FALSE(Control(unit, kResetPipe, {}, 0).ok);
    EXPECT_EQ(TransportOpen(ops, kIsa), nullptr) << "nothing opens";
    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 0));
    EXPECT_FALSE(Send(unit, kStopUsb).ok) << "a handle from before the power loss stays dead";
    EXPECT_EQ(LastError(unit), 0xFFFFFFFFu);
    Close(unit);
    Close(adapter);
    HANDLE again = OpenUsbUnit(kUsb40);
    ASSERT_NE(again, nullptr);
    EXPECT_EQ(Text(Query(again, kSimKindUsb, 57, {}, 120)).substr(0, 10), "Model VK40")
        << "the description of power-on";
}

TEST_F(SimDll, StatusControlsReachTheStatusAndTheUnitState) {
    HANDLE unit = OpenUsbUnit(kUsb40);
    EXPECT_EQ(Control(unit, kUnitState, {0}, 4).out, (Bytes{0, 1, 0, 0}));
    ASSERT_TRUE(SimControlSetDword(kSimStatusError, 0x0203));
    ASSERT_TRUE(SimControlSetDword(kSimStatusNotReady, 1));
    EXPECT_EQ(Query(unit, kSimKindUsb, 51, {}, 4), (Bytes{0, 0x00, 0x02, 0x03}));
    EXPECT_EQ(Control(unit, kUnitState, {0}, 4).out, (Bytes{0, 0, 0, 0}));
    ASSERT_TRUE(SimControlSetDword(kSimStimulatorError, 16));
    EXPECT_EQ(Query(unit, kSimKindUsb, 69, {1, 0, 2, 0, 0xC6, 0x03, 0x02, 0x00, 0, 0}, 8)[0], 16);
}

// Samples under the virtual clock through the driver: 1 ms frames of inputs 2 and 4 counting.
TEST_F(SimDll, TheRingFillsAsTheVirtualClockAdvancesAndOverflowsWhenNotRead) {
    for (const char* input : {"Signal2", "Signal4"}) ASSERT_TRUE(SimControlSetDword(input, kSimSignalCounting));
    HANDLE h = Open(kIsa);
    const int32_t kind = kSimKindIsa;
    ASSERT_TRUE(Set(h, kind, 54, {0x00, 0x02}));
    ASSERT_TRUE(Set(h, kind, 2, {3, 0, 0x00, 0x0A, 0, 0}));
    ASSERT_TRUE(Set(h, kind, 64, {1}));
    Later(10999);
    EXPECT_EQ(Query(h, kind, 17, {}, 3), (Bytes{0, 40, 0})) << "10 frames of 4 bytes";
    const Bytes ring = Query(h, kind, 19, {0, 0, 0, 40}, 40);
    ASSERT_EQ(ring.size(), 40u);
    for (uint32_t f = 0; f < 10; ++f) {
        EXPECT_EQ((ring[4 * f] << 8) | ring[4 * f + 1], SimCountingWord(f, 1)) << f;
        EXPECT_EQ((ring[4 * f + 2] << 8) | ring[4 * f + 3], SimCountingWord(f, 3)) << f;
    }
    EXPECT_EQ(Query(h, kind, 17, {}, 3), (Bytes{0, 40, 0})) << "time stands still between the test's steps";
    ASSERT_TRUE(SimControlSetDword(kSimRingStalled, 1));
    Later(5000);
    EXPECT_EQ(Query(h, kind, 17, {}, 3), (Bytes{0, 40, 0})) << "a stalled ring";
    ASSERT_TRUE(SimControlSetDword(kSimRingStalled, 0));
    Later(10000000);
    const Bytes w = Query(h, kind, 17, {}, 3);
    const uint32_t written = w[0] * 256u + w[1] + w[2] * 32768u;
    EXPECT_EQ(written, 40u + 10000u * 4) << "every frame after the stall counted";
    EXPECT_GT(written - 40u, 32768u) << "more than a ring since the last read: the host sees the overflow";
}

TEST_F(SimDll, FirmwareBlocksGoIntoMemoryAndReadBackOverThePcCard) {
    HANDLE h = Open(kPcCard);
    Bytes image(360);
    for (size_t i = 0; i < image.size(); ++i) image[i] = static_cast<uint8_t>(i ^ 0x5A);
    for (uint32_t offset = 0; offset < image.size(); offset += 120) {
        Bytes block = {static_cast<uint8_t>(offset >> 8), static_cast<uint8_t>(offset)};
        block.insert(block.end(), image.begin() + offset, image.begin() + offset + 120);
        const Bytes packet = Frame(kSimKindPcCard, 56, block, 1);
        ASSERT_EQ(packet.size(), 129u);
        EXPECT_EQ(packet[3], 125) << "n + 3";
        EXPECT_EQ(Send(h, packet, 3).out, kAck) << offset;
    }
    for (uint32_t address = 0; address < image.size(); address += 120) {
        EXPECT_EQ(Query(h, kSimKindPcCard, 55,
                        {static_cast<uint8_t>(address >> 8), static_cast<uint8_t>(address), 0, 120}, 120),
                  Bytes(image.begin() + address, image.begin() + address + 120))
            << address;
    }
}

TEST_F(SimDll, WrittenPacketsAreAnsweredOnTheDataStream) {
    HANDLE unit = OpenUsbUnit(kUsb40);
    EXPECT_TRUE(Control(unit, kWriteUsb, Frame(kSimKindUsb, 51, {}, 4), 0).ok);
    EXPECT_EQ(Control(unit, kUnitState, {0}, 4).out, (Bytes{0, 1, 6, 0})) << "six bytes wait";
    EXPECT_EQ(Control(unit, kReadData, {}, 4).out, (Bytes{0x01, 0x00, 0x80, 0x00}));
    EXPECT_EQ(Control(unit, kReadData, {}, 250).out, (Bytes{0x00, 0x7F}));
    EXPECT_EQ(Control(unit, kReadData, {}, 250).out, Bytes{}) << "nothing more";

    EXPECT_TRUE(Control(unit, kWriteUsb, Frame(kSimKindUsb, 51, {}, 4), 0).ok);
    EXPECT_EQ(Send(unit, kStopUsb, 3).out, (Bytes{0x01, 0x00, 0x80})) << "an answer left waiting comes first";
    EXPECT_TRUE(Control(unit, kResetPipe, {}, 0).ok);
    EXPECT_EQ(Control(unit, kUnitState, {0}, 4).out, (Bytes{0, 1, 6, 0})) << "a pipe reset leaves the unit's bytes";
    EXPECT_EQ(Control(unit, kReadData, {}, 250).out, (Bytes{0x00, 0x00, 0x7F, 0x01, 0x06, 0xF9})) << "drained";
    EXPECT_EQ(Control(unit, kUnitState, {0}, 4).out, (Bytes{0, 1, 0, 0}));
    EXPECT_FALSE(Control(unit, kWriteLegacy, kStopUsb, 0).ok) << "the old drivers' write code";

    HANDLE isa = Open(kIsa);
    EXPECT_TRUE(Control(isa, kWriteLegacy, kStopUsb, 0).ok);
    EXPECT_EQ(Control(isa, kReadData, {}, 16).out, kAck);
    EXPECT_FALSE(Control(isa, kWriteUsb, kStopUsb, 0).ok) << "the USB write code";
}

TEST_F(SimDll, TheUsbDriversOwnCalls) {
    HANDLE unit40 = OpenUsbUnit(kUsb40);
    HANDLE unit45 = OpenUsbUnit(kUsb45);
    EXPECT_EQ(Control(unit40, kVendorInfo, {}, 6).out, (Bytes{0x4F, 0x1D, 0x40, 0x00, 0x10, 0x02}));
    EXPECT_EQ(Control(unit45, kVendorInfo, {}, 6).out, (Bytes{0x4F, 0x1D, 0x45, 0x00, 0x10, 0x02}));
    EXPECT_EQ(Control(unit40, kDriverStatus, {}, 4).out, (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(Control(unit40, kAdapterMode, {}, 4).out, (Bytes{1, 0, 0, 0}));
    EXPECT_EQ(Control(unit40, kAdapterWrite, {0xDE, 0xAD, 0xBE, 0xEF}, 1).out, Bytes{4});
    const Result data = Control(unit40, kAdapterRead, {}, 20);
    ASSERT_EQ(data.out.size(), 16u);
    EXPECT_EQ(Bytes(data.out.begin(), data.out.begin() + 5), (Bytes{0xDE, 0xAD, 0xBE, 0xEF, 0x00}));
    EXPECT_FALSE(Control(unit40, kAdapterWrite, Bytes(17, 1), 1).ok) << "at most 16 bytes";
    EXPECT_TRUE(Control(unit40, kSetValue, {5, 0, 0, 0}, 0).ok);
    const Result revision = Control(unit40, kDriverRevision, {}, 32);
    ASSERT_EQ(revision.out.size(), 32u);
    EXPECT_EQ(Text(revision.out), "0412");
    EXPECT_FALSE(Control(unit45, kDriverRevision, {}, 32).ok) << "the second model's driver has none";
    EXPECT_FALSE(Control(unit40, kPing, {4}, 1).ok);
    EXPECT_FALSE(Control(unit40, 0x95001234, {}, 4).ok) << "an unknown code";

    HANDLE isa = Open(kIsa);
    for (uint32_t code : {kResetPipe, kPing, kLastError, kUnitState, kVendorInfo, kAdapterMode})
        EXPECT_FALSE(Control(isa, code, {3}, 16).ok) << std::hex << code;
}

TEST_F(SimDll, WhatTheCallersBufferCannotHoldWaitsForTheNextRead) {
    HANDLE h = Open(kIsa);
    const Result first = Send(h, Frame(kSimKindIsa, 57, {}, 120), 100);
    ASSERT_EQ(first.out.size(), 100u);
    const Result rest = Control(h, kReadData, {}, 64);
    ASSERT_EQ(rest.out.size(), 22u);
    Bytes whole = first.out;
    whole.insert(whole.end(), rest.out.begin(), rest.out.end());
    EXPECT_EQ(whole, Send(h, Frame(kSimKindIsa, 57, {}, 120), 122).out);
}

TEST_F(SimDll, ThePacketLogHoldsEveryCallByteForByte) {
    ASSERT_TRUE(SimControlSetString(kSimLogFile, log.c_str()));
    HANDLE adapter = nullptr;
    HANDLE unit = OpenUsbUnit(kUsb40, &adapter);
    EXPECT_EQ(Send(unit, kStopUsb, 3).out, kAck);
    EXPECT_EQ(Send(unit, {0x01, 0x12, 0xEE}, 3).out, kNak);
    EXPECT_TRUE(Control(unit, kWriteUsb, {0x01, 0x33, 0xCC}, 0).ok);
    EXPECT_EQ(Control(unit, kReadData, {}, 16).out.size(), 6u);
    EXPECT_EQ(Control(unit, kReadData, {}, 16).out.size(), 0u);
    EXPECT_EQ(Control(unit, kPing, {3}, 1).out, Bytes{3});
    EXPECT_EQ(TransportOpen(ops, kUsb40), nullptr);
    ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultNoReply));
    EXPECT_FALSE(Send(unit, kStopUsb, 3).ok);
    Close(unit);
    Close(adapter);

    std::string name = "ioctl 950020B8 00 00 00 00 -> 00 00 00 00 4F 1D 40 00 00 00 00 00 00 00 56 4B 55 53 42 2D 30";
    for (int i = 21; i < 82; ++i) name += " 00";
    const std::string expected =
        "open \\\\.\\VKUSB\r\n"
        "ioctl 950020B4 - -> 01 00 00 00\r\n" +
        name +
        "\r\n"
        "open \\\\.\\VKUSB-0\r\n"
        "> 01 12 ED\r\n"
        "< 01 06 F9\r\n"
        "> 01 12 EE\r\n"
        "< 01 15 EA\r\n"
        "w 01 33 CC\r\n"
        "r 01 00 80 00 00 7F\r\n"
        "r\r\n"
        "ioctl 950020A0 03 -> 03\r\n"
        "open \\\\.\\VKUSB failed\r\n"
        "> 01 12 ED\r\n"
        "< none\r\n"
        "close \\\\.\\VKUSB-0\r\n"
        "close \\\\.\\VKUSB\r\n";
    EXPECT_EQ(LogText(), expected);
}

}  // namespace
