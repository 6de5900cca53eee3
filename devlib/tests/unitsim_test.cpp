// The unit link and the unit commands against the simulated unit itself: the real VKSim.dll beside
// this program, chosen through driver settings of this program's own, with its controls under a
// key of its own and its packet log read back byte for byte. Each model and each transport kind;
// the library's start-up, the unit information, the firmware round trip, every fault the unit can
// be made to show, one-shot readings and the scaling dialog's "Cal" buttons.
#include <gtest/gtest.h>

#include <windows.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <ostream>
#include <string>
#include <vector>

#include "common/stAcq.h"
#include "devlib/acquisition/run/acq_state.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/resource.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/packet_log.h"
#include "devlib/tests/dialog_driver.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

using Bytes = std::vector<uint8_t>;
using Lines = std::vector<std::string>;

// ---- The simulated unit's clock: the link's pauses move it ----

uint64_t g_clockUs = 0;

void AdvanceClock(uint32_t ms) {
    g_clockUs += ms * 1000ull;
    SimControlSetQword(kSimClockUs, g_clockUs);
}

// ---- Packets and log lines, framed here from the protocol ----

// [01][command][data][checksum]; the PC card's header before it.
Bytes Packet(int32_t kind, uint8_t command, const Bytes& data, uint32_t replyData) {
    Bytes body{0x01, command};
    body.insert(body.end(), data.begin(), data.end());
    body.push_back(Checksum(body));
    if (kind != kTransportPcCard) return body;
    Bytes out{0x01, 0x00, static_cast<uint8_t>(replyData + 2), static_cast<uint8_t>(body.size())};
    out.insert(out.end(), body.begin(), body.end());
    return out;
}

Bytes Reply(const Bytes& data) {
    Bytes out{0x01};
    out.insert(out.end(), data.begin(), data.end());
    out.push_back(Checksum(out));
    return out;
}

std::string Sent(int32_t kind, uint8_t command, const Bytes& data, uint32_t replyData) {
    return "> " + Hex(Packet(kind, command, data, replyData));
}

std::string Got(const Bytes& data) { return "< " + Hex(Reply(data)); }

const std::string kNone = "< none";
const std::string kReset = "ioctl 95002065 - -> -";
const std::string kPing = "ioctl 950020A0 03 -> 03";

Bytes Text(const char* text, size_t size) {
    Bytes out(size, 0);
    memcpy(out.data(), text, strlen(text));
    return out;
}

Bytes BE24(uint32_t v) {
    return {static_cast<uint8_t>(v >> 16), static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)};
}

// The commands of the packets in a log, in order.
Bytes CommandsOf(const Lines& log, int32_t kind) {
    const size_t at = kind == kTransportPcCard ? 5 * 3 : 1 * 3;  // the command's place in "> 01 .."
    Bytes out;
    for (const std::string& line : log) {
        if (line.compare(0, 2, "> ") == 0 && line.size() > 2 + at + 1)
            out.push_back(static_cast<uint8_t>(std::strtoul(line.substr(2 + at, 2).c_str(), nullptr, 16)));
    }
    return out;
}

// ---- The units: both models and the three transport kinds ----

struct stUnit {
    const char* name;
    const char* driverName;  // "DriverName" of the settings
    int32_t kind;
    int32_t model;
    const char* description;
    const char* secondLine;
    uint32_t memory;
    const char* info;  // GetVK40Info with the unit's own description
};

const char kDescription40[] = "Model VK40 acquisition unit, serial 40-000417";
const char kDescription45[] = "Model VK45 acquisition unit, serial 45-000212";

const stUnit kUsb40 = {"Usb40",
                       "VKUSB",
                       kTransportUsb,
                       40,
                       kDescription40,
                       "Firmware 2.10, hardware rev. C",
                       kSimMemoryBytes40,
                       "Model VK40 acquisition unit, serial 40-000417\r\nFirmware 2.10, hardware rev. C\r\n"
                       "VK40 Internal Buffer size: 1048576 bytes\rUSB Driver Rev.: 0.0.0412"};
const stUnit kUsb45 = {"Usb45",
                       "VKUSB45",
                       kTransportUsb,
                       45,
                       kDescription45,
                       "Firmware 4.02, hardware rev. A",
                       kSimMemoryBytes45,
                       "Model VK45 acquisition unit, serial 45-000212\r\nFirmware 4.02, hardware rev. A\r\n"
                       "VK45 Internal Buffer size: 4194304 bytes\rUSB Driver Rev.: 0.0"};
const stUnit kIsa = {"Isa",
                     "VKISA.VXD",
                     kTransportIsa,
                     40,
                     kDescription40,
                     "Firmware 2.10, hardware rev. C",
                     kSimMemoryBytes40,
                     "Model VK40 acquisition unit, serial 40-000417\r\nFirmware 2.10, hardware rev. C\r\n"
                     "VK40 Internal Buffer size: 1048576 bytes\rUSB Driver Rev.: 0.0"};
const stUnit kPcCard = {"PcCard",
                        "VKPCM.VXD",
                        kTransportPcCard,
                        40,
                        kDescription40,
                        "Firmware 2.10, hardware rev. C",
                        kSimMemoryBytes40,
                        "Model VK40 acquisition unit, serial 40-000417\r\nFirmware 2.10, hardware rev. C\r\n"
                        "VK40 Internal Buffer size: 1048576 bytes\rUSB Driver Rev.: 0.0"};
const stUnit kAllUnits[] = {kUsb40, kUsb45, kIsa, kPcCard};

std::string DevicePath(const stUnit& u) { return std::string("\\\\.\\") + u.driverName; }

// The lines a successful open writes: USB through its adapter's unit 0, the others directly.
Lines OpenLines(const stUnit& u) {
    if (u.kind != kTransportUsb) return {"open " + DevicePath(u)};
    const std::string unitName = u.model == 45 ? kSimUsbUnitName45 : kSimUsbUnitName40;
    Bytes record(82, 0);
    record[4] = 0x4F;
    record[5] = 0x1D;
    record[6] = u.model == 45 ? 0x45 : 0x40;
    memcpy(record.data() + 14, unitName.data(), unitName.size());
    return {"open " + DevicePath(u), "ioctl 950020B4 - -> 01 00 00 00", "ioctl 950020B8 00 00 00 00 -> " + Hex(record),
            "open \\\\.\\" + unitName};
}

Lines CloseLines(const stUnit& u) {
    if (u.kind != kTransportUsb) return {"close " + DevicePath(u)};
    return {"close \\\\.\\" + std::string(u.model == 45 ? kSimUsbUnitName45 : kSimUsbUnitName40),
            "close " + DevicePath(u)};
}

Lines Join(std::initializer_list<Lines> parts) {
    Lines out;
    for (const Lines& p : parts) out.insert(out.end(), p.begin(), p.end());
    return out;
}

// ---- The fixture: settings, controls, log and working folder of this process alone ----

class SimulatedUnit : public ::testing::Test {
protected:
    void SetUp() override {
        const std::string id = std::to_string(GetCurrentProcessId());
        char temp[MAX_PATH] = "";
        GetTempPathA(sizeof(temp), temp);
        GetCurrentDirectoryA(sizeof(previousFolder), previousFolder);
        folder = std::string(temp) + "vk40_unitsim_" + id;
        CreateDirectoryA(folder.c_str(), nullptr);
        SetCurrentDirectoryA(folder.c_str());
        logFile = folder + "\\packets.log";
        DeleteFileA(logFile.c_str());

        controlKey = std::string(kSimControlKey) + "Tests\\UnitSim" + id;
        SetEnvironmentVariableA(kSimControlKeyEnv, controlKey.c_str());
        ASSERT_TRUE(SimControlClear());
        ASSERT_TRUE(SimControlSetDword(kSimVirtualClock, 1));
        g_clockUs = 1000000;
        ASSERT_TRUE(SimControlSetQword(kSimClockUs, g_clockUs));
        ASSERT_TRUE(SimControlSetString(kSimLogFile, logFile.c_str()));

        settingsKey = std::string(kDriverSettingsKey) + "\\UnitSim" + id;
        g_driverSettingsKey = settingsKey.c_str();

        // Each test meets the link as the library's load leaves it: closed, with no path kept.
        g_unitLink.~CUnitLink();
        new (&g_unitLink) CUnitLink();
        g_unitLink.SetWait(AdvanceClock);
        g_lib.instance = GetModuleHandleA(nullptr);
    }

    void TearDown() override {
        lock.reset();
        if (frame) {
            ShutdownDriver();
            DestroyWindow(frame);
        }
        ReleaseUnitTransport(g_unitLink);
        g_unitLink.SetWait(nullptr);
        g_driverSettingsKey = kDriverSettingsKey;
        RegDeleteKeyExA(HKEY_LOCAL_MACHINE, settingsKey.c_str(), KEY_WOW64_64KEY, 0);
        SimControlClear();
        DeleteFileA(logFile.c_str());
        DeleteFileA("VK40.BIN");
        DeleteFileA("Vk40Presets.dat");
        DeleteFileA("Vk45Presets.dat");
        SetCurrentDirectoryA(previousFolder);
        RemoveDirectoryA(folder.c_str());
    }

    // The driver settings name the unit and choose the simulated one.
    void Choose(const stUnit& u) {
        ASSERT_TRUE(WriteSimulatedUnitSettings(settingsKey, u.driverName, static_cast<uint32_t>(u.kind)));
    }

    // The library's start-up over the unit, as the program binds it.
    stAcq* Start(const stUnit& u) {
        Choose(u);
        frame = CreateFrameWithMenu();
        host = MakeRecordingHost(nullptr);
        EXPECT_EQ(vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1), 1);
        lock = std::make_unique<AcqView>(hAcq);
        return lock->get();
    }

    Lines Log() const { return ReadPacketLog(logFile); }
    // What was logged since the last call.
    Lines TakeLog() { return TakePacketLog(logFile); }

    char previousFolder[MAX_PATH] = "";
    std::string folder, logFile, controlKey, settingsKey;
    HWND frame = nullptr;
    stHostCallbacks host{};
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    std::unique_ptr<AcqView> lock;
};

class SimulatedUnitOf : public SimulatedUnit, public ::testing::WithParamInterface<stUnit> {};

// gtest names a case by this, and so does the test's name under ctest.
void PrintTo(const stUnit& u, std::ostream* os) { *os << u.name; }

std::string UnitName(const ::testing::TestParamInfo<stUnit>& info) { return info.param.name; }

// ---- The link on every unit: identity, a set command's acknowledgement, a query ----

TEST_F(SimulatedUnit, EveryModelAndTransportKindAnswersTheLinkByteForByte) {
    for (const stUnit& u : kAllUnits) {
        SCOPED_TRACE(u.name);
        Choose(u);
        char path[MAX_PATH] = "";
        int32_t kind = 0;
        ASSERT_EQ(GetDriverName(path, &kind), 1);
        EXPECT_EQ(path, DevicePath(u));
        EXPECT_EQ(kind, u.kind);

        CUnitLink link;
        link.SetWait(AdvanceClock);
        ASSERT_EQ(ChooseUnitTransport(link, nullptr), 1);
        ASSERT_EQ(link.Open(path, kind), 1);
        EXPECT_EQ(PrintedModel(g_unitModel), u.model);
        EXPECT_EQ(TakeLog(), OpenLines(u));

        uint8_t description[120] = {};
        ASSERT_EQ(link.QueryCommand(kCmdDescription, 0, nullptr, sizeof(description), description), 1);
        EXPECT_EQ(Bytes(description, description + 120), Text(u.description, 120));
        const uint8_t gain[2] = {6, 2};  // x5000 on input 2, a code both models have
        ASSERT_EQ(link.SetCommand(kCmdInputGain, sizeof(gain), gain), 1);
        uint8_t memory[3] = {};
        ASSERT_EQ(link.QueryCommand(kCmdMemorySize, 0, nullptr, sizeof(memory), memory), 1);
        EXPECT_EQ(Bytes(memory, memory + 3), BE24(u.memory));
        link.Close();

        const Lines expected = Join({
            {Sent(u.kind, kCmdDescription, {}, 120), Got(Text(u.description, 120))},
            {Sent(u.kind, kCmdInputGain, {6, 2}, 1), kAck},
            {Sent(u.kind, kCmdMemorySize, {}, 3), Got(BE24(u.memory))},
            CloseLines(u),
        });
        EXPECT_EQ(TakeLog(), expected);
        ReleaseUnitTransport(link);
    }
}

// A USB status asked as a bare packet comes back on the data stream (the idle poll's way).
TEST_F(SimulatedUnit, AUsbPacketWithoutAReplyIsAnsweredOnTheDataStream) {
    Start(kUsb40);
    TakeLog();
    ASSERT_EQ(g_unitLink.SendPacket(kCmdStatus, 0, nullptr), 1);
    uint8_t status[6] = {};
    ASSERT_EQ(g_unitLink.Drain(sizeof(status), status), 1);
    const Bytes reply = Reply({0x00, 0x80, 0x00, 0x00});  // not sampling; ready; no error
    EXPECT_EQ(Bytes(status, status + 6), reply);
    EXPECT_EQ(TakeLog(), (Lines{"w " + Hex(Packet(kTransportUsb, kCmdStatus, {}, 0)), "r " + Hex(reply)}));
}

// The USB adapter's exports reach the simulated driver; the old transports have no adapter.
TEST_F(SimulatedUnit, TheAdapterExportsAnswerOnUsbOnly) {
    Start(kUsb45);
    _LNX200_VENDOR_INFO info{};
    ASSERT_EQ(GetVendorInfo(&info), 1);
    EXPECT_EQ(info.vendorId, 0x1D4F);
    EXPECT_EQ(info.productId, 0x0045);
    const uint8_t bytes[5] = {9, 8, 7, 6, 5};
    EXPECT_EQ(WriteAdapterBytes(bytes, sizeof(bytes)), 5);
    uint8_t back[16] = {};
    ASSERT_EQ(ReadAdapterBytes(back), 1);
    EXPECT_EQ(Bytes(back, back + 6), (Bytes{9, 8, 7, 6, 5, 0}));
    EXPECT_EQ(GetAdapterMode(), 2);
    EXPECT_EQ(TakeLog().back(), "ioctl 950020B0 - -> 01 00 00 00");

    lock.reset();
    ShutdownDriver();
    DestroyWindow(frame);
    frame = nullptr;
    TakeLog();
    Start(kIsa);
    EXPECT_EQ(TakeLog().at(0), "open \\\\.\\VKISA.VXD") << "the path given, not the one kept for USB";
    EXPECT_EQ(GetVendorInfo(&info), 0);
    EXPECT_TRUE(Log().empty()) << "asked of no driver";
}

// ---- The library's start-up and the unit information ----

TEST_P(SimulatedUnitOf, StartUpProbesTheModelSendsTheStopCommandAndReadsTheUnit) {
    const stUnit& u = GetParam();
    Start(u);
    EXPECT_TRUE(g_unitLink.IsOpen());
    EXPECT_EQ(PrintedModel(g_unitModel), u.model);
    EXPECT_EQ(NDChan, u.model == 45 ? 8 : 0);
    EXPECT_EQ(TakeLog(), Join({OpenLines(u), {Sent(u.kind, kCmdStop, {}, 1), kAck}}));

    char text[kVK40InfoChars] = "";
    ASSERT_EQ(GetVK40Info(text), 1);
    EXPECT_STREQ(text, u.info);
    EXPECT_EQ(g_unitMemorySize, u.memory);
    EXPECT_EQ(CommandsOf(Log(), u.kind), (Bytes{kCmdDescription, kCmdDescription2, kCmdMemorySize}));

    lock.reset();
    ShutdownDriver();
    DestroyWindow(frame);
    frame = nullptr;
    EXPECT_FALSE(g_unitLink.IsOpen());
    const Lines log = Log();
    const Lines closing = CloseLines(u);
    ASSERT_GE(log.size(), closing.size());
    EXPECT_EQ(Lines(log.end() - static_cast<long>(closing.size()), log.end()), closing);
}

TEST_F(SimulatedUnit, AUnitWithoutItsModelTextIsNamedByTheModel) {
    ASSERT_TRUE(SimControlSetString(kSimDescription, "Prototype board 7"));
    Start(kUsb45);
    char text[kVK40InfoChars] = "";
    ASSERT_EQ(GetVK40Info(text), 1);
    EXPECT_EQ(std::string(text).substr(0, std::string(text).find('\r')), "VK45 Information not available");
}

TEST_F(SimulatedUnit, WithTheUnitAbsentStartUpGoesOnWithoutIt) {
    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 1));
    Start(kUsb40);
    EXPECT_FALSE(g_unitLink.IsOpen());
    EXPECT_EQ(TakeLog(), (Lines{"open \\\\.\\VKUSB failed"})) << "no command reaches a closed link";
    char text[kVK40InfoChars] = "";
    EXPECT_EQ(GetVK40Info(text), 0);
    EXPECT_STREQ(text, "Disconnected");
    EXPECT_TRUE(Log().empty());
}

// ---- Firmware into the unit's memory and the memory dump back out ----

TEST_P(SimulatedUnitOf, FirmwareGoesInIn120ByteBlocksAndTheDumpReadsItBack) {
    const stUnit& u = GetParam();
    stAcq* acq = Start(u);
    TakeLog();
    HRSRC found = FindResourceA(g_lib.instance, MAKEINTRESOURCEA(IDR_VK40_FIRMWARE), "VK40Firmware");
    ASSERT_NE(found, nullptr);
    const auto* image = static_cast<const uint8_t*>(LockResource(LoadResource(g_lib.instance, found)));
    const size_t size = SizeofResource(g_lib.instance, found);
    ASSERT_EQ(size, 11950u);

    ASSERT_EQ(DownloadFirmware(acq), 1);
    const Lines sent = TakeLog();
    if (u.model == 45) {
        EXPECT_TRUE(sent.empty()) << "the second model takes no firmware";
        return;
    }
    ASSERT_EQ(sent.size(), 200u) << "100 blocks, each acknowledged";
    Bytes first{0x00, 0x00};
    first.insert(first.end(), image, image + 120);
    EXPECT_EQ(sent[0], Sent(u.kind, kCmdFirmwareBlock, first, 1));
    Bytes last{0x2E, 0x68};  // offset 11,880
    last.insert(last.end(), image + 11880, image + size);
    last.resize(122, 0);
    EXPECT_EQ(sent[198], Sent(u.kind, kCmdFirmwareBlock, last, 1));
    for (size_t i = 1; i < sent.size(); i += 2) EXPECT_EQ(sent[i], kAck) << "block " << i / 2;

    ASSERT_EQ(DumpUnitMemory(acq, 12000), 1);
    HANDLE f = CreateFileA("VK40.BIN", GENERIC_READ, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(f, INVALID_HANDLE_VALUE);
    Bytes dumped(13000);
    DWORD got = 0;
    ReadFile(f, dumped.data(), static_cast<DWORD>(dumped.size()), &got, nullptr);
    CloseHandle(f);
    dumped.resize(got);
    Bytes expected(image, image + size);
    expected.resize(12000, 0);
    EXPECT_EQ(dumped, expected);
    const Lines read = TakeLog();
    ASSERT_EQ(read.size(), 200u);
    EXPECT_EQ(read[2], Sent(u.kind, kCmdReadMemory, {0x00, 0x78, 0x00, 0x78}, 120));
    EXPECT_EQ(read[3], Got(Bytes(image + 120, image + 240)));
}

// ---- Faults: retries as the transport allows, counted in the log, and never a hang ----

TEST_F(SimulatedUnit, EachFaultIsHandledAsItsTransportKindAllows) {
    const uint32_t mem = kSimMemoryBytes40;
    const Bytes good = BE24(mem);
    const std::string goodReply = Got(good);
    Bytes badSum = Reply(good);
    ++badSum.back();
    const std::string badReply = "< " + Hex(badSum);
    const std::string shortReply = Got({good[0], good[1]});
    const std::string lastError = "ioctl 95002074 - -> 01 00 00 00";  // the driver timed out

    struct stCase {
        const char* what;
        stUnit unit;
        uint32_t fault;
        uint32_t count;
        int32_t ok;
        Lines lines;  // with S standing for the query as sent
    } cases[] = {
        {"USB, one lost packet: the pipe is reset and the query tried again",
         kUsb40,
         kSimFaultNoReply,
         1,
         1,
         {"S", kNone, lastError, kReset, kPing, "S", goodReply}},
        {"USB, nothing answers: three tries",
         kUsb40,
         kSimFaultNoReply,
         kSimForever,
         0,
         {"S", kNone, lastError, kReset, kPing, "S", kNone, lastError, kReset, kPing, "S", kNone, lastError, kReset,
          kPing, kReset, kPing}},
        {"USB, a bad checksum is not tried again", kUsb40, kSimFaultBadChecksum, 1, 0, {"S", badReply, kReset, kPing}},
        {"USB, a short reply is not tried again", kUsb40, kSimFaultWrongLength, 1, 0, {"S", shortReply, kReset, kPing}},
        {"ISA, nothing answers: ten tries", kIsa, kSimFaultNoReply, kSimForever, 0, {"S", kNone, "S", kNone, "S", kNone,
                                                                                     "S", kNone, "S", kNone, "S", kNone,
                                                                                     "S", kNone, "S", kNone, "S", kNone,
                                                                                     "S", kNone}},
        {"ISA, a bad checksum is tried again", kIsa, kSimFaultBadChecksum, 1, 1, {"S", badReply, "S", goodReply}},
        {"ISA, a short reply is tried again", kIsa, kSimFaultWrongLength, 1, 1, {"S", shortReply, "S", goodReply}},
        {"PC card, a short reply every time: ten tries",
         kPcCard,
         kSimFaultWrongLength,
         kSimForever,
         0,
         {"S", shortReply, "S", shortReply, "S", shortReply, "S", shortReply, "S", shortReply,
          "S", shortReply, "S", shortReply, "S", shortReply, "S", shortReply, "S", shortReply}},
        {"PC card, one lost packet", kPcCard, kSimFaultNoReply, 1, 1, {"S", kNone, "S", goodReply}},
    };
    for (const stCase& c : cases) {
        SCOPED_TRACE(c.what);
        Choose(c.unit);
        CUnitLink link;
        link.SetWait(AdvanceClock);
        ASSERT_EQ(ChooseUnitTransport(link, nullptr), 1);
        ASSERT_EQ(link.Open(DevicePath(c.unit).c_str(), c.unit.kind), 1);
        const std::string query = Sent(c.unit.kind, kCmdMemorySize, {}, 3);
        ASSERT_TRUE(SimControlSetDword(kSimFault, c.fault));
        ASSERT_TRUE(SimControlSetDword(kSimFaultCommand, kCmdMemorySize));
        ASSERT_TRUE(SimControlSetDword(kSimFaultCount, c.count));
        TakeLog();

        uint8_t reply[3] = {};
        EXPECT_EQ(link.QueryCommand(kCmdMemorySize, 0, nullptr, sizeof(reply), reply), c.ok);
        if (c.ok) {
            EXPECT_EQ(Bytes(reply, reply + 3), good);
        }
        Lines expected = c.lines;
        for (std::string& line : expected) line = line == "S" ? query : line;
        EXPECT_EQ(TakeLog(), expected);

        // Other commands pass meanwhile, and once the fault is gone the query answers again.
        EXPECT_EQ(link.SetCommand(kCmdStop, 0, nullptr), 1);
        ASSERT_TRUE(SimControlSetDword(kSimFault, kSimFaultNone));
        TakeLog();
        EXPECT_EQ(link.QueryCommand(kCmdMemorySize, 0, nullptr, sizeof(reply), reply), 1);
        EXPECT_EQ(TakeLog(), (Lines{query, goodReply}));
        link.Close();
        ReleaseUnitTransport(link);
    }
}

TEST_F(SimulatedUnit, AUsbUnitThatWasUnpluggedIsFoundAgainByTheRecovery) {
    Start(kUsb40);
    TakeLog();
    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 1));
    EXPECT_EQ(g_unitLink.SetCommand(kCmdStop, 0, nullptr), 0);
    const std::string stop = Sent(kTransportUsb, kCmdStop, {}, 1);
    const std::string lastError = "ioctl 95002074 - -> fail";
    const std::string reset = "ioctl 95002065 - -> fail";
    EXPECT_EQ(TakeLog(), (Lines{stop, kNone, lastError, reset, stop, kNone, lastError, reset, stop, kNone, lastError,
                                reset, reset}))
        << "three tries; a reset that fails asks no ping";
    EXPECT_EQ(g_unitLink.Recover(), 0) << "still unplugged";

    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 0));
    TakeLog();
    EXPECT_EQ(g_unitLink.Recover(), 1);
    EXPECT_EQ(TakeLog(), Join({OpenLines(kUsb40),
                               {kReset, kPing, "ioctl 95002078 - -> 01 00 00 00", "ioctl 9500207C 00 -> 00 01 00 00"}}))
        << "a link whose open failed has nothing to close";
    EXPECT_EQ(g_unitLink.SetCommand(kCmdStop, 0, nullptr), 1);
}

TEST_F(SimulatedUnit, AnIsaUnitThatIsGoneCostsTenTriesAndNoMore) {
    Start(kIsa);
    TakeLog();
    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 1));
    EXPECT_EQ(g_unitLink.SetCommand(kCmdStop, 0, nullptr), 0);
    const Lines log = TakeLog();
    EXPECT_EQ(log.size(), 20u);
    EXPECT_EQ(CommandsOf(log, kTransportIsa), Bytes(10, kCmdStop));
}

// The status reply's error code and ready bit, as the About box shows them.
TEST_P(SimulatedUnitOf, TheAboutBoxShowsTheUnitsStatusAndErrorCode) {
    const stUnit& u = GetParam();
    stAcq* acq = Start(u);
    ASSERT_TRUE(SimControlSetDword(kSimStatusError, 258));
    ASSERT_TRUE(SimControlSetDword(kSimStatusNotReady, 1));
    std::vector<std::string> seen;
    WithDialogs(
        [&](HWND dlg) {
            seen.push_back(ItemText(dlg, IDC_ABOUT_STATUS));
            seen.push_back(ItemText(dlg, IDC_ABOUT_INFO));
            SimControlSetDword(kSimStatusError, 0);
            SimControlSetDword(kSimStatusNotReady, 0);
            SendClick(dlg, IDOK);
            seen.push_back(ItemText(dlg, IDC_ABOUT_STATUS));
            SendClick(dlg, IDCANCEL);
        },
        [&] { ShowDriverAbout(g_lib.instance, frame, acq); });
    EXPECT_EQ(seen, (std::vector<std::string>{"Status = 0 Error code = 258", u.info, "Status = 128   Error code = 0"}));
}

// ---- Readings of the inputs ----

// A known DC level on input 3 at a gain of 2000, read by the model's own one-shot; the value comes
// within one step of the converter. The scaling points are the identity, so units are volts.
TEST_P(SimulatedUnitOf, AOneShotReadingOfADcInputComesWithinAStep) {
    const stUnit& u = GetParam();
    stAcq* acq = Start(u);
    ASSERT_TRUE(SimControlSetDword("Signal3", kSimSignalDc));
    ASSERT_TRUE(SimControlSetDword("Amplitude3", 1500));  // microvolts
    stAcqChan& rec = acq->chans[2];
    rec.inValue1 = rec.unitValue1 = 0;
    rec.inValue2 = rec.unitValue2 = 1;
    ASSERT_EQ(SetInputGain(acq, 3, 2000), 1);
    TakeLog();

    double value = 0;
    ASSERT_EQ(ReadAnalogInput(acq, 3, &value), 1);
    EXPECT_NEAR(value, 0.0015, 10.0 / 32768 / 2000);
    const Lines log = TakeLog();
    const Bytes arm{0x01, 0x00, 0x00, 0x04, 0x00, 0x00};  // input 3 is bit 2 of the mask
    if (u.model == 40) {
        EXPECT_EQ(CommandsOf(log, u.kind), (Bytes{kCmdSamplePeriod, kCmdArm, kCmdSampling, kCmdSampling,
                                                  kCmdWriteAddress, kCmdReadRing, kCmdStop}));
        EXPECT_EQ(log[2], Sent(u.kind, kCmdArm, arm, 1));
        EXPECT_EQ(log[4], Sent(u.kind, kCmdSampling, {kSamplingOneShot}, 1));
        // The one shot wrote 32 frames of one word: the 40 bytes before the write address 64.
        EXPECT_EQ(log[8], Sent(u.kind, kCmdWriteAddress, {}, 3));
        EXPECT_EQ(log[9], Got({0x00, 0x40, 0x00}));
        EXPECT_EQ(log[10], Sent(u.kind, kCmdReadRing, {0x00, 0x18, 0x00, 0x28}, 40));
    } else {
        EXPECT_EQ(CommandsOf(log, u.kind), (Bytes{kCmdStimulatorStatus, kCmdSamplePeriod, kCmdArm, kCmdSampling,
                                                  kCmdSampling, kCmdWriteAddress, kCmdReadRing, kCmdStop}));
        // 20 ms of a run at 0.5 ms: 40 frames, 80 bytes.
        EXPECT_EQ(log[11], Got({0x00, 0x50, 0x00}));
        EXPECT_EQ(log[12], Sent(u.kind, kCmdReadRing, {0x00, 0x28, 0x00, 0x28}, 40));
    }
}

// The calibration steps every input's offset by a known amount and reads it back: on grounded
// inputs the correction is the nominal 1 on all four, so each offset reached its own input.
TEST_P(SimulatedUnitOf, CalibrationReachesEveryInput) {
    const stUnit& u = GetParam();
    stAcq* acq = Start(u);
    for (const char* name : {"Signal1", "Signal2", "Signal3", "Signal4"})
        ASSERT_TRUE(SimControlSetDword(name, kSimSignalNone));
    ASSERT_EQ(CalibrateInputs(acq), 1);
    for (int i = 0; i < kAnalogChannels; ++i) EXPECT_NEAR(g_offsetCorrection[i], 1.0, 1e-3) << "input " << i + 1;
}

// The "Cal" buttons of dialog 800 opened from the program's entry: the reader that start-up
// installs takes the channel's own gain to the unit and answers volts at the input on both models.
TEST_P(SimulatedUnitOf, TheCalButtonsReadTheInputInVoltsAtTheChannelsGain) {
    const stUnit& u = GetParam();
    stAcq* acq = Start(u);
    ASSERT_TRUE(SimControlSetDword("Signal1", kSimSignalDc));
    ASSERT_TRUE(SimControlSetDword("Amplitude1", 2000));  // microvolts
    stAcqChan& rec = acq->chans[0];
    rec.gain = 2000;  // the unit still amplifies by 1000, its power-on gain
    rec.inValue1 = 0;
    rec.unitValue1 = 0;
    rec.inValue2 = 0.001;
    rec.unitValue2 = 50;  // mmHg, say: the reading is volts whatever the units

    CBoxCapture boxes;
    std::string read, clipped;
    lock.reset();  // the dialog's entry locks the record itself
    CModalDriver fits(IDC_SCALE_UNITS, [&](HWND dlg) {
        Click(dlg, IDC_SCALE_CAL1);
        read = ControlText(dlg, IDC_SCALE_INPUT1);
        Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(VK40SetupUnitsDlg(frame, hAcq, 1), 1);
    ASSERT_TRUE(fits.ran);
    EXPECT_TRUE(boxes.boxes.empty());
    EXPECT_NEAR(std::atof(read.c_str()), 2000.0, 1e6 * 10.0 / 32768 / 2000) << read << " microvolts";
    {
        AcqView view(hAcq);
        view->chans[0].gain = 5000;  // 10 V after the gain: more than the input stage takes
    }
    CModalDriver clips(IDC_SCALE_UNITS, [&](HWND dlg) {
        Click(dlg, IDC_SCALE_CAL2);
        clipped = ControlText(dlg, IDC_SCALE_INPUT2);
        Click(dlg, IDCANCEL);
    });
    EXPECT_EQ(VK40SetupUnitsDlg(frame, hAcq, 1), 1);
    ASSERT_TRUE(clips.ran);
    EXPECT_EQ(clipped, "1000") << "the field keeps its value";
    ASSERT_EQ(boxes.boxes.size(), 1u);
    EXPECT_EQ(boxes.boxes[0].text, "The input signal is too large for this gain.\nReduce the gain and try again.");
}

INSTANTIATE_TEST_SUITE_P(Units, SimulatedUnitOf, ::testing::ValuesIn(kAllUnits), UnitName);

// ---- The acquisition state between runs ----

// The idle step's unit check with the switches as the running program sets them; the library's
// flags go back to their start-up values afterwards.
class UnitCheck : public SimulatedUnit {
protected:
    void TearDown() override {
        g_lib.readStatusEnable = 0;
        g_lib.unitCheckSuppressed = 0;
        g_lib.autoRestartPending = 0;
        SetStartupFlag(0);
        SimulatedUnit::TearDown();
    }
    stAcq* StartChecking(const stUnit& u) {
        stAcq* acq = Start(u);
        SetStartupFlag(1);
        g_lib.readStatusEnable = 1;
        TakeLog();
        return acq;
    }
};

TEST_F(UnitCheck, TheFirstIdleTurnSetsTheUnitUpAndShowsItReady) {
    for (const stUnit& u : {kUsb40, kIsa}) {
        SCOPED_TRACE(u.driverName);
        stAcq* acq = StartChecking(u);
        ASSERT_EQ(acq->run.unitInitialised, 0);
        EXPECT_EQ(OnIdleAcquisition(hAcq, nullptr), 1);
        EXPECT_EQ(acq->run.unitInitialised, 1);
        EXPECT_EQ(acq->run.statusState, kStatusReady);
        EXPECT_GT(g_lib.unitMemoryBytes, 0u) << "command 70's answer is kept";
        const Lines log = TakeLog();
        const Bytes sent = CommandsOf(log, u.kind);
        const std::string runMode = Hex(Packet(u.kind, kCmdProgramMode, {2}, 0));
        const auto modeLines = std::count_if(log.begin(), log.end(), [&](const std::string& line) {
            return line.size() > 2 && line.compare(2, std::string::npos, runMode) == 0;
        });
        EXPECT_EQ(modeLines, 2) << "run mode is sent twice";
        ASSERT_GE(sent.size(), 2u);
        EXPECT_EQ(sent.back(), kCmdStatus);
        EXPECT_NE(std::find(sent.begin(), sent.end(), kCmdMemorySize), sent.end());

        // Set up, the next turns only ask the status.
        EXPECT_EQ(OnIdleAcquisition(hAcq, nullptr), 1);
        EXPECT_EQ(CommandsOf(TakeLog(), u.kind), Bytes{kCmdStatus});
        TearDown();
        SetUp();
    }
}

TEST_F(UnitCheck, AStatusWithoutTheReadyBitShowsStateTenAndConnectsAgain) {
    stAcq* acq = StartChecking(kUsb40);
    OnIdleAcquisition(hAcq, nullptr);
    ASSERT_EQ(acq->run.unitInitialised, 1);
    ASSERT_TRUE(SimControlSetDword(kSimStatusNotReady, 1));
    OnIdleAcquisition(hAcq, nullptr);
    EXPECT_EQ(acq->run.statusState, 10);
    EXPECT_EQ(acq->run.unitInitialised, 0) << "the next turn sets the unit up again";
    ASSERT_TRUE(SimControlSetDword(kSimStatusNotReady, 0));
    TakeLog();
    OnIdleAcquisition(hAcq, nullptr);
    EXPECT_EQ(acq->run.statusState, kStatusReady);
    EXPECT_NE(CommandsOf(TakeLog(), kTransportUsb).size(), 1u);
}

TEST_F(UnitCheck, CancelOnTheNotFoundQuestionStopsAskingTheUnit) {
    stAcq* acq = StartChecking(kUsb40);
    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 1));
    std::vector<std::string> asked;
    WithDialogs(
        [&](HWND box) {
            asked.push_back(MessageBoxText(box));
            SendClick(box, IDCANCEL);
        },
        [&] { OnIdleAcquisition(hAcq, nullptr); });
    ASSERT_EQ(asked.size(), 1u);
    EXPECT_NE(asked[0].find("cannot find the VK40"), std::string::npos) << asked[0];
    EXPECT_EQ(acq->run.statusState, kStatusNoUnit);
    EXPECT_EQ(g_lib.unitCheckSuppressed, 1);

    // Working without the unit: no question and no unit command on later turns.
    ASSERT_TRUE(SimControlSetDword(kSimAbsent, 0));
    TakeLog();
    WithDialogs([&](HWND box) { asked.push_back(MessageBoxText(box)); SendClick(box, IDCANCEL); },
                [&] { OnIdleAcquisition(hAcq, nullptr); });
    EXPECT_EQ(asked.size(), 1u);
    EXPECT_TRUE(TakeLog().empty());
    EXPECT_EQ(acq->run.statusState, kStatusNoUnit);
}

TEST_F(UnitCheck, TheStartButtonDuringAPendingRestartOnlyCancelsIt) {
    stAcq* acq = StartChecking(kUsb40);
    g_lib.autoRestartPending = 1;
    EXPECT_EQ(ToggleAcquisition(acq, 1), 1);
    EXPECT_EQ(g_lib.autoRestartPending, 0);
    EXPECT_EQ(acq->run.running, 0) << "no run was started";
    EXPECT_TRUE(TakeLog().empty());
}

TEST_F(SimulatedUnit, OnlyTheExactTextNoKeepsTheProgramOffTheUnit) {
    struct {
        const char* value;  // null: no value
        int32_t desired;
    } cases[] = {{nullptr, 1}, {"NO", 0}, {"no", 1}, {"No", 1}, {"YES", 1}, {"", 1}, {"NO ", 1}};
    EXPECT_EQ(GetConnectToVK40IsDesired(), 1) << "no key at all";
    for (const auto& c : cases) {
        SCOPED_TRACE(c.value ? c.value : "(none)");
        Choose(kUsb40);
        HKEY key = nullptr;
        ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, settingsKey.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key),
                  ERROR_SUCCESS);
        if (c.value)
            RegSetValueExA(key, "HWUsageFlag", 0, REG_SZ, reinterpret_cast<const BYTE*>(c.value),
                           static_cast<DWORD>(strlen(c.value) + 1));
        else
            RegDeleteValueA(key, "HWUsageFlag");
        RegCloseKey(key);
        EXPECT_EQ(GetConnectToVK40IsDesired() != 0, c.desired != 0);
    }
}

TEST_F(SimulatedUnit, AUnitMarkedNotToBeUsedIsNeverAskedByTheIdleStep) {
    Choose(kUsb40);
    HKEY key = nullptr;
    ASSERT_EQ(RegOpenKeyExA(HKEY_LOCAL_MACHINE, settingsKey.c_str(), 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, &key),
              ERROR_SUCCESS);
    RegSetValueExA(key, "HWUsageFlag", 0, REG_SZ, reinterpret_cast<const BYTE*>("NO"), 3);
    RegCloseKey(key);
    stAcq* acq = Start(kUsb40);
    SetStartupFlag(1);
    g_lib.readStatusEnable = 1;
    TakeLog();
    OnIdleAcquisition(hAcq, nullptr);
    EXPECT_TRUE(TakeLog().empty());
    EXPECT_EQ(acq->run.statusState, kStatusNoUnit);
    EXPECT_EQ(g_lib.unitCheckSuppressed, 1);
    g_lib.unitCheckSuppressed = 0;
    g_lib.readStatusEnable = 0;
    SetStartupFlag(0);
}

}  // namespace
