// The unit link against a scripted unit behind its transport table: the packets' bytes for each
// transport kind, the retries, the reply checks, the USB pipe reset and recovery, the data stream
// and the driver's small control codes. The driver's own transport is checked on plain files.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "common/stAcq.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/unit/transport.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/binding/binding.h"
#include "devlib/tests/fake_unit.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

using Bytes = std::vector<uint8_t>;
using Calls = std::vector<std::string>;

// ---- Framing and checks, over buffers ----

struct stFrameCase {
    const char* what;
    int32_t kind;
    uint8_t command;
    Bytes data;
    size_t replyLength;
    Bytes expected;  // empty: nothing can be framed
};

TEST(UnitPackets, FramesEveryKindByteForByte) {
    const stFrameCase cases[] = {
        {"ISA, no data", 1, 18, {}, 1, {0x01, 0x12, 0xED}},
        {"USB, no data", 3, 18, {}, 1, {0x01, 0x12, 0xED}},
        {"PC card, no data", 2, 18, {}, 1, {0x01, 0x00, 0x03, 0x03, 0x01, 0x12, 0xED}},
        {"ISA, period", 1, 54, {0x00, 0x01}, 1, {0x01, 0x36, 0x00, 0x01, 0xC8}},
        {"USB, period", 3, 54, {0x00, 0x01}, 1, {0x01, 0x36, 0x00, 0x01, 0xC8}},
        {"PC card, period", 2, 54, {0x00, 0x01}, 1, {0x01, 0x00, 0x03, 0x05, 0x01, 0x36, 0x00, 0x01, 0xC8}},
        {"USB, ring read", 3, 19, {0x00, 0x10, 0x00, 0x28}, 40, {0x01, 0x13, 0x00, 0x10, 0x00, 0x28, 0xB4}},
        {"PC card, ring read",
         2,
         19,
         {0x00, 0x10, 0x00, 0x28},
         40,
         {0x01, 0x00, 0x2A, 0x07, 0x01, 0x13, 0x00, 0x10, 0x00, 0x28, 0xB4}},
        {"the sum wraps", 1, 0xFF, {0xFF, 0xFF}, 1, {0x01, 0xFF, 0xFF, 0xFF, 0x02}},
        {"a sum of 0 has checksum 0", 3, 0xFF, {}, 1, {0x01, 0xFF, 0x00}},
        {"no transport", 0, 18, {}, 1, {}},
        {"unknown kind", 4, 18, {}, 1, {}},
        {"PC card packet longer than its length byte", 2, 61, Bytes(253, 0x20), 1, {}},
        {"PC card reply longer than its length byte", 2, 19, {0, 0, 0, 254}, 254, {}},
    };
    for (const stFrameCase& c : cases) {
        SCOPED_TRACE(c.what);
        uint8_t out[kPacketBufferSize];
        const size_t length =
            FramePacket(c.kind, c.command, c.data.data(), c.data.size(), c.replyLength, out, sizeof(out));
        EXPECT_EQ(Bytes(out, out + length), c.expected);
    }
}

TEST(UnitPackets, RefusesWhatTheBuffersCannotHold) {
    Bytes data(kPacketBufferSize - 3, 0x55);
    std::vector<uint8_t> out(kPacketBufferSize + 8);
    EXPECT_EQ(FramePacket(1, 61, data.data(), data.size(), 1, out.data(), out.size()), kPacketBufferSize);
    data.push_back(0);
    EXPECT_EQ(FramePacket(1, 61, data.data(), data.size(), 1, out.data(), out.size()), 0u) << "one byte too many";
    EXPECT_EQ(FramePacket(3, 19, nullptr, 0, kPacketBufferSize - 1, out.data(), out.size()), 0u)
        << "a reply the buffer cannot take";
    uint8_t small[4];
    EXPECT_EQ(FramePacket(3, 54, data.data(), 2, 1, small, sizeof(small)), 0u) << "a caller's buffer too small";
    EXPECT_EQ(FramePacket(3, 54, nullptr, 2, 1, out.data(), out.size()), 0u) << "data bytes without data";
}

struct stReplyCase {
    const char* what;
    Bytes reply;
    size_t replyLength;
    bool valid;
};

TEST(UnitPackets, AReplyChecksByLengthStartAndChecksum) {
    const stReplyCase cases[] = {
        {"acknowledgement", {0x01, 0x06, 0xF9}, 1, true},
        {"checksum one too high", {0x01, 0x06, 0xFA}, 1, false},
        {"checksum one too low", {0x01, 0x06, 0xF8}, 1, false},
        {"one byte short", {0x01, 0x06}, 1, false},
        {"one byte long", {0x01, 0x06, 0xF9, 0x00}, 1, false},
        {"wrong start byte", {0x02, 0x06, 0xF8}, 1, false},
        {"three data bytes", {0x01, 0x00, 0x10, 0x02, 0xED}, 3, true},
        {"three data bytes, one changed", {0x01, 0x00, 0x11, 0x02, 0xED}, 3, false},
        {"empty", {}, 0, false},
    };
    for (const stReplyCase& c : cases) {
        SCOPED_TRACE(c.what);
        EXPECT_EQ(ReplyChecks(c.reply.data(), c.reply.size(), c.replyLength), c.valid);
    }
    EXPECT_EQ(PacketChecksum(nullptr, 0), 0);
}

// ---- The link over the scripted unit ----

void NoWait(uint32_t ms);
std::vector<uint32_t> g_waits;
void NoWait(uint32_t ms) { g_waits.push_back(ms); }

// A link opened on the scripted unit with the given kind; the trace starts empty.
class LinkFixture {
public:
    explicit LinkFixture(int32_t kind) : unit(kind) {
        table = unit.Table();
        link.SetTransport(&table);
        link.SetWait(NoWait);
        g_waits.clear();
    }
    bool OpenAs(int32_t kind) {
        const char* path = kind == kTransportUsb      ? "\\\\.\\VKUSB"
                           : kind == kTransportPcCard ? "\\\\.\\VKPCM.VXD"
                                                      : "\\\\.\\VKISA.VXD";
        const bool ok = link.Open(path, kind) == 1;
        unit.Clear();
        return ok;
    }

    CFakeUnit unit;
    stTransportOps table{};
    CUnitLink link;
};

const std::string kPacket = "9500200C";
const std::string kReset = "95002065";
const std::string kPing = "950020A0";
const std::string kLastError = "95002074";

std::string Ctl(uint32_t device, const std::string& code) { return "control " + Hex(device) + " " + code; }

TEST(UnitLink, UsbOpensUnitZeroThroughTheAdapter) {
    LinkFixture f(kTransportUsb);
    EXPECT_EQ(f.link.Open("\\\\.\\VKUSB", kTransportUsb), 1);
    EXPECT_EQ(f.unit.Trace(),
              (Calls{"open \\\\.\\VKUSB", Ctl(0x100, "950020B4"), Ctl(0x100, "950020B8"), "open \\\\.\\VKUNIT0"}));
    EXPECT_EQ(f.unit.calls[2].in, (Bytes{0, 0, 0, 0})) << "unit index 0";
    EXPECT_EQ(f.unit.calls[2].outSize, 82u);
    EXPECT_TRUE(f.link.IsOpen());
    f.unit.Clear();
    f.link.Close();
    EXPECT_EQ(f.unit.Trace(), (Calls{"close 101", "close 100"}));
    EXPECT_EQ(g_waits, (std::vector<uint32_t>{500})) << "the USB driver gets its pause after the device closes";
}

TEST(UnitLink, IsaAndPcCardOpenTheirPathItself) {
    for (int32_t kind : {kTransportIsa, kTransportPcCard}) {
        LinkFixture f(kind);
        const char* path = kind == kTransportIsa ? "\\\\.\\VKISA.VXD" : "\\\\.\\VKPCM.VXD";
        EXPECT_EQ(f.link.Open(path, 0), 1) << "the kind from the path";
        EXPECT_EQ(f.link.Kind(), kind);
        EXPECT_EQ(f.unit.Trace(), (Calls{std::string("open ") + path}));
        f.unit.Clear();
        f.link.Close();
        EXPECT_EQ(f.unit.Trace(), (Calls{"close 100"}));
        EXPECT_TRUE(g_waits.empty());
    }
}

struct stOpenFault {
    const char* what;
    uint32_t units;
    std::string name;
    std::vector<std::string> refused;
    std::map<uint32_t, int> failing;
    Calls calls;
};

// A USB open that does not reach a unit leaves nothing open behind it.
TEST(UnitLink, AUsbOpenThatFailsClosesTheAdapterAgain) {
    // clang-format off
    const stOpenFault cases[] = {
        {"no adapter", 1, "VKUNIT0", {"\\\\.\\VKUSB"}, {}, {"open \\\\.\\VKUSB"}},
        {"no unit attached", 0, "VKUNIT0", {}, {}, {"open \\\\.\\VKUSB", Ctl(0x100, "950020B4"), "close 100"}},
        {"count unreadable", 1, "VKUNIT0", {}, {{0x950020B4, 0}},
         {"open \\\\.\\VKUSB", Ctl(0x100, "950020B4"), "close 100"}},
        {"name unreadable", 1, "VKUNIT0", {}, {{0x950020B8, 0}},
         {"open \\\\.\\VKUSB", Ctl(0x100, "950020B4"), Ctl(0x100, "950020B8"), "close 100"}},
        {"a name that is a path", 1, "..\\x", {}, {},
         {"open \\\\.\\VKUSB", Ctl(0x100, "950020B4"), Ctl(0x100, "950020B8"), "close 100"}},
        {"an empty name", 1, "", {}, {},
         {"open \\\\.\\VKUSB", Ctl(0x100, "950020B4"), Ctl(0x100, "950020B8"), "close 100"}},
        {"the unit does not open", 1, "VKUNIT0", {"\\\\.\\VKUNIT0"}, {},
         {"open \\\\.\\VKUSB", Ctl(0x100, "950020B4"), Ctl(0x100, "950020B8"), "open \\\\.\\VKUNIT0", "close 100"}},
    };
    // clang-format on
    for (const stOpenFault& c : cases) {
        SCOPED_TRACE(c.what);
        LinkFixture f(kTransportUsb);
        f.unit.unitCount = c.units;
        f.unit.unitName = c.name;
        f.unit.refused = c.refused;
        f.unit.failing = c.failing;
        EXPECT_EQ(f.link.Open("\\\\.\\VKUSB", kTransportUsb), 0);
        EXPECT_EQ(f.unit.Trace(), c.calls);
        EXPECT_FALSE(f.link.IsOpen());
    }
}

TEST(UnitLink, KindAndPathDecideWhatIsOpened) {
    struct {
        const char* what;
        const char* path;
        int32_t kind;
        Calls calls;
        int32_t kindAfter;
    } cases[] = {
        {"kind from the path", "\\\\.\\VKPCM.VXD", 0, {"open \\\\.\\VKPCM.VXD"}, kTransportPcCard},
        {"a given kind wins", "\\\\.\\VKUSB45", kTransportIsa, {"open \\\\.\\VKUSB45"}, kTransportIsa},
        {"unknown path, no kind", "\\\\.\\OTHER", 7, {}, kTransportNone},
        {"no path", nullptr, kTransportUsb, {}, kTransportUsb},
        {"a path that is no device", "C:\\temp\\x", kTransportIsa, {}, kTransportIsa},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        LinkFixture f(kTransportIsa);
        f.link.Open(c.path, c.kind);
        EXPECT_EQ(f.unit.Trace(), c.calls);
        EXPECT_EQ(f.link.Kind(), c.kindAfter);
    }
}

// USB opens the first path it was given (its recovery opens that one again); ISA and PC card open
// the path they are given.
TEST(UnitLink, TheFirstPathIsKeptForTheUsbAdapterAndAReopenLeaksNothing) {
    LinkFixture f(kTransportIsa);
    f.link.Open("\\\\.\\VKISA.VXD", kTransportIsa);
    f.unit.Clear();
    EXPECT_EQ(f.link.Open("\\\\.\\VKPCM.VXD", kTransportIsa), 1);
    EXPECT_EQ(f.unit.Trace(), (Calls{"close 100", "open \\\\.\\VKPCM.VXD"}));
    EXPECT_STREQ(f.link.Path(), "\\\\.\\VKISA.VXD");

    LinkFixture usb(kTransportUsb);
    usb.link.Open("\\\\.\\VKUSB", kTransportUsb);
    usb.unit.Clear();
    EXPECT_EQ(usb.link.Open("\\\\.\\VKUSB45", kTransportUsb), 1);
    EXPECT_EQ(usb.unit.Trace(), (Calls{"close 101", "close 100", "open \\\\.\\VKUSB", Ctl(0x102, "950020B4"),
                                       Ctl(0x102, "950020B8"), "open \\\\.\\VKUNIT0"}));
}

TEST(UnitLink, AClosedLinkFailsEveryOperationWithoutTouchingTheTransport) {
    LinkFixture f(kTransportUsb);
    f.link.Open("\\\\.\\OTHER", 0);
    uint8_t buffer[32] = {};
    const uint8_t data[2] = {1, 2};
    uint32_t status = 0;
    EXPECT_EQ(f.link.QueryCommand(69, sizeof(data), data, 8, buffer), 0);
    EXPECT_EQ(f.link.SetCommand(kCmdStop, 0, nullptr), 0);
    EXPECT_EQ(f.link.ReadData(buffer, sizeof(buffer)), -1);
    EXPECT_EQ(f.link.WriteData(data, sizeof(data)), -1);
    EXPECT_EQ(f.link.SendPacket(64, 1, data), 0);
    EXPECT_EQ(f.link.Drain(4, buffer), 0);
    EXPECT_EQ(f.link.Ping(), 0);
    EXPECT_EQ(f.link.ResetPipe(), 0);
    EXPECT_EQ(f.link.LastError(), -1);
    EXPECT_EQ(f.link.Status(&status), 0);
    EXPECT_EQ(f.link.UnitState(buffer), 0);
    EXPECT_EQ(f.link.SetValue(1), 0);
    EXPECT_EQ(f.link.VendorInfo(buffer, 6), 0);
    EXPECT_EQ(f.link.AdapterRead(buffer), 0);
    EXPECT_EQ(f.link.AdapterWrite(data, 2), -1);
    EXPECT_EQ(f.link.AdapterMode(), 0);
    f.link.Close();
    EXPECT_EQ(f.unit.Trace(), Calls{});
}

TEST(UnitLink, CommandsGoOutFramedForTheirKindWithTheReplySizeAsked) {
    for (int32_t kind : {kTransportIsa, kTransportPcCard, kTransportUsb}) {
        SCOPED_TRACE(kind);
        LinkFixture f(kind);
        ASSERT_TRUE(f.OpenAs(kind));
        const uint8_t period[2] = {0x00, 0x01};
        EXPECT_EQ(f.link.SetCommand(kCmdSamplePeriod, sizeof(period), period), 1);
        f.unit.answers[kCmdWriteAddress] = {0x12, 0x34, 0x01};
        uint8_t where[3] = {};
        EXPECT_EQ(f.link.QueryCommand(kCmdWriteAddress, 0, nullptr, sizeof(where), where), 1);
        EXPECT_EQ(Bytes(where, where + 3), (Bytes{0x12, 0x34, 0x01}));
        ASSERT_EQ(f.unit.calls.size(), 2u);
        const Bytes setBody = {0x01, 0x36, 0x00, 0x01, 0xC8};
        const Bytes queryBody = {0x01, 0x11, 0xEE};
        Bytes setPacket = setBody;
        Bytes queryPacket = queryBody;
        if (kind == kTransportPcCard) {
            setPacket.insert(setPacket.begin(), {0x01, 0x00, 0x03, 0x05});
            queryPacket.insert(queryPacket.begin(), {0x01, 0x00, 0x05, 0x03});
        }
        EXPECT_EQ(f.unit.calls[0].in, setPacket);
        EXPECT_EQ(f.unit.calls[0].outSize, 3u) << "a set's reply is three bytes";
        EXPECT_EQ(f.unit.calls[1].in, queryPacket);
        EXPECT_EQ(f.unit.calls[1].outSize, 5u) << "r + 2";
    }
}

struct stRetryCase {
    const char* what;
    int32_t kind;
    bool set;
    std::vector<eReply> replies;
    eReply otherwise;
    int32_t result;
    int packetCalls;
    int allCalls;
};

// Each kind's tries, counted in control calls: USB retries only a failed call (after the driver's
// last error and a pipe reset) and resets once more when it gives up; ISA and PC card try ten
// times whatever went wrong.
TEST(UnitLink, RetriesFollowTheTransportKind) {
    const stRetryCase cases[] = {
        {"USB, never answers", kTransportUsb, true, {}, eReply::CallFails, 0, 3, 3 * 4 + 2},
        {"USB, fails once", kTransportUsb, true, {eReply::CallFails}, eReply::Good, 1, 2, 5},
        {"USB, fails twice", kTransportUsb, false, {eReply::CallFails, eReply::CallFails}, eReply::Good, 1, 3, 9},
        {"USB, bad checksum", kTransportUsb, false, {}, eReply::BadChecksum, 0, 1, 3},
        {"USB, wrong length", kTransportUsb, false, {}, eReply::WrongLength, 0, 1, 3},
        {"USB, refused set", kTransportUsb, true, {}, eReply::Nak, 0, 1, 3},
        {"USB, nothing written", kTransportUsb, false, {}, eReply::Nothing, 0, 1, 3},
        {"USB, good", kTransportUsb, false, {}, eReply::Good, 1, 1, 1},
        {"ISA, never answers", kTransportIsa, true, {}, eReply::CallFails, 0, 10, 10},
        {"ISA, bad checksum", kTransportIsa, false, {}, eReply::BadChecksum, 0, 10, 10},
        {"ISA, refused set", kTransportIsa, true, {}, eReply::Nak, 0, 10, 10},
        {"ISA, two bad then good",
         kTransportIsa,
         false,
         {eReply::BadChecksum, eReply::WrongLength},
         eReply::Good,
         1,
         3,
         3},
        {"ISA, good on the tenth", kTransportIsa, true, std::vector<eReply>(9, eReply::CallFails), eReply::Good, 1, 10,
         10},
        {"PC card, never answers", kTransportPcCard, false, {}, eReply::CallFails, 0, 10, 10},
        {"PC card, nothing written", kTransportPcCard, false, {}, eReply::Nothing, 0, 10, 10},
        {"PC card, good", kTransportPcCard, true, {}, eReply::Good, 1, 1, 1},
    };
    for (const stRetryCase& c : cases) {
        SCOPED_TRACE(c.what);
        LinkFixture f(c.kind);
        ASSERT_TRUE(f.OpenAs(c.kind));
        f.unit.replies.assign(c.replies.begin(), c.replies.end());
        f.unit.otherwise = c.otherwise;
        f.unit.answers[kCmdDescription2] = {'A', 'B'};
        uint8_t reply[kDescription2Bytes];
        const int32_t result = c.set ? f.link.SetCommand(kCmdStop, 0, nullptr)
                                     : f.link.QueryCommand(kCmdDescription2, 0, nullptr, sizeof(reply), reply);
        EXPECT_EQ(result, c.result);
        EXPECT_EQ(f.unit.Count(0x9500200C), c.packetCalls);
        EXPECT_EQ(static_cast<int>(f.unit.calls.size()), c.allCalls);
    }
}

TEST(UnitLink, AUsbCallThatFailsReadsTheErrorAndResetsThePipeBeforeTheNextTry) {
    LinkFixture f(kTransportUsb);
    ASSERT_TRUE(f.OpenAs(kTransportUsb));
    f.unit.replies = {eReply::CallFails, eReply::BadChecksum};
    EXPECT_EQ(f.link.SetCommand(kCmdStop, 0, nullptr), 0);
    EXPECT_EQ(f.unit.Trace(), (Calls{Ctl(0x101, kPacket), Ctl(0x101, kLastError), Ctl(0x101, kReset), Ctl(0x101, kPing),
                                     Ctl(0x101, kPacket), Ctl(0x101, kReset), Ctl(0x101, kPing)}));
    EXPECT_EQ(f.unit.calls[3].in, (Bytes{3})) << "the ping sends 3";
}

// An old driver's count is not looked at: a try whose reply area stays untouched must not pass for
// the reply of the try before it.
TEST(UnitLink, AnIsaReplyThatWritesNothingIsNotTakenFromTheLastOne) {
    LinkFixture f(kTransportIsa);
    ASSERT_TRUE(f.OpenAs(kTransportIsa));
    uint8_t where[3];
    f.unit.answers[kCmdWriteAddress] = {1, 2, 3};
    ASSERT_EQ(f.link.QueryCommand(kCmdWriteAddress, 0, nullptr, sizeof(where), where), 1);
    f.unit.otherwise = eReply::Nothing;
    EXPECT_EQ(f.link.QueryCommand(kCmdWriteAddress, 0, nullptr, sizeof(where), where), 0);
    EXPECT_EQ(f.unit.Count(0x9500200C), 11);
}

TEST(UnitLink, AQueryCopiesOnlyTheReplyDataBytes) {
    LinkFixture f(kTransportUsb);
    ASSERT_TRUE(f.OpenAs(kTransportUsb));
    f.unit.answers[kCmdStatus] = {0xAA, 0x05, 0x01, 0x02};
    uint8_t reply[6] = {9, 9, 9, 9, 9, 9};
    EXPECT_EQ(f.link.QueryCommand(kCmdStatus, 0, nullptr, 4, reply), 1);
    EXPECT_EQ(Bytes(reply, reply + 6), (Bytes{0xAA, 0x05, 0x01, 0x02, 9, 9}));
    f.unit.otherwise = eReply::BadChecksum;
    uint8_t untouched[4] = {7, 7, 7, 7};
    EXPECT_EQ(f.link.QueryCommand(kCmdStatus, 0, nullptr, 4, untouched), 0);
    EXPECT_EQ(Bytes(untouched, untouched + 4), (Bytes{7, 7, 7, 7})) << "a rejected reply is not copied";
}

TEST(UnitLink, APipeResetCountsOnlyWhenThePingAnswers3) {
    LinkFixture f(kTransportUsb);
    ASSERT_TRUE(f.OpenAs(kTransportUsb));
    EXPECT_EQ(f.link.ResetPipe(), 1);
    f.unit.pingAnswer = 2;
    EXPECT_EQ(f.link.ResetPipe(), 0);
    f.unit.failing[0x95002065] = 1;
    f.unit.Clear();
    EXPECT_EQ(f.link.ResetPipe(), 0);
    EXPECT_EQ(f.unit.Trace(), (Calls{Ctl(0x101, kReset)})) << "no ping after a reset that failed";
    f.unit.failing[0x950020A0] = 1;
    f.unit.Clear();
    EXPECT_EQ(f.link.ResetPipe(), 0);
    EXPECT_EQ(f.unit.Trace(), (Calls{Ctl(0x101, kReset), Ctl(0x101, kPing), Ctl(0x101, kLastError)}));
}

struct stRecoverCase {
    const char* what;
    std::vector<std::array<uint8_t, 4>> states;
    std::map<uint32_t, int> failing;
    int32_t result;
    bool drains;
};

// USB recovery: the link is opened afresh, the pipe reset, the driver's status and the unit's
// state read; a unit with bytes pending is drained and asked once more.
TEST(UnitLink, RecoveryReopensResetsAndReadsTheUnitState) {
    const stRecoverCase cases[] = {
        {"ready", {{0, 1, 0, 0}}, {}, 1, false},
        {"not ready", {{0, 0, 5, 0}}, {}, 0, false},
        {"pending bytes, then ready", {{0, 1, 7, 0}, {0, 1, 0, 0}}, {}, 1, true},
        {"pending bytes, then not ready", {{0, 1, 7, 0}, {0, 0, 0, 0}}, {}, 0, true},
        {"state says failed", {{1, 1, 0, 0}}, {}, 0, false},
        {"no status", {{0, 1, 0, 0}}, {{0x95002078, 0}}, 0, false},
    };
    for (const stRecoverCase& c : cases) {
        SCOPED_TRACE(c.what);
        LinkFixture f(kTransportUsb);
        ASSERT_TRUE(f.OpenAs(kTransportUsb));
        f.unit.unitStates.assign(c.states.begin(), c.states.end());
        f.unit.failing = c.failing;
        g_waits.clear();
        EXPECT_EQ(f.link.Recover(), c.result);
        Calls expected = {"close 101",
                          "close 100",
                          "open \\\\.\\VKUSB",
                          Ctl(0x102, "950020B4"),
                          Ctl(0x102, "950020B8"),
                          "open \\\\.\\VKUNIT0",
                          Ctl(0x103, kReset),
                          Ctl(0x103, kPing),
                          Ctl(0x103, "95002078")};
        if (c.failing.empty()) {
            expected.push_back(Ctl(0x103, "9500207C"));
            if (c.drains) {
                expected.push_back(Ctl(0x103, "95006008"));
                expected.push_back(Ctl(0x103, "9500207C"));
            }
        } else {
            expected.push_back(Ctl(0x103, kLastError));
        }
        EXPECT_EQ(f.unit.Trace(), expected);
        EXPECT_EQ(g_waits, c.drains ? (std::vector<uint32_t>{500, 500}) : (std::vector<uint32_t>{500}));
        if (c.drains) {
            const stFakeCall& drain = f.unit.calls[10];
            EXPECT_EQ(drain.outSize, 250u);
        }
    }
}

TEST(UnitLink, IsaRecoveryFlushesTheCardWith128ZeroBytes) {
    for (int32_t kind : {kTransportIsa, kTransportPcCard}) {
        LinkFixture f(kind);
        ASSERT_TRUE(f.OpenAs(kind));
        EXPECT_EQ(f.link.Recover(), 1);
        ASSERT_EQ(f.unit.calls.size(), 1u);
        EXPECT_EQ(f.unit.calls[0].code, 0x9500200Cu);
        EXPECT_EQ(f.unit.calls[0].in, Bytes(128, 0));
        EXPECT_EQ(f.unit.calls[0].outSize, 16u);
        EXPECT_TRUE(f.link.IsOpen()) << "the link stays as it was";
    }
}

TEST(UnitLink, CloseAsksASetUpUnitForItsStimulatorStatusFirst) {
    HGLOBAL hAcq = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
    ASSERT_NE(hAcq, nullptr);
    const HGLOBAL saved = g_lib.hAcq;
    g_lib.hAcq = hAcq;
    {
        AcqLock acq(hAcq);
        acq->run.unitInitialised = 1;
    }
    LinkFixture f(kTransportIsa);
    ASSERT_TRUE(f.OpenAs(kTransportIsa));
    f.link.Close();
    ASSERT_EQ(f.unit.Packets().size(), 1u);
    Bytes expected = {0x01, 69};
    expected.insert(expected.end(), 10, 0);
    expected.push_back(CFakeUnit::Checksum(expected.data(), expected.size()));
    EXPECT_EQ(f.unit.Packets()[0], expected);
    EXPECT_EQ(f.unit.calls[0].outSize, 10u) << "an 8-byte reply";
    EXPECT_EQ(f.unit.calls.back().what, "close 100");
    g_lib.hAcq = saved;
    GlobalFree(hAcq);
}

// ---- The data stream ----

TEST(UnitLink, ReadAndWriteAnswerTheirCounts) {
    LinkFixture f(kTransportUsb);
    ASSERT_TRUE(f.OpenAs(kTransportUsb));
    uint8_t buffer[64] = {};
    f.unit.readCounts = {10, 500};
    EXPECT_EQ(f.link.ReadData(buffer, sizeof(buffer)), 10);
    EXPECT_EQ(f.link.ReadData(buffer, sizeof(buffer)), 64) << "a count beyond the buffer is cut to it";
    EXPECT_EQ(f.link.ReadData(nullptr, 4), -1);
    f.unit.failing[0x95006008] = 1;
    f.unit.Clear();
    EXPECT_EQ(f.link.ReadData(buffer, sizeof(buffer)), -1);
    EXPECT_EQ(f.unit.Trace(), (Calls{Ctl(0x101, "95006008"), Ctl(0x101, kLastError)}));

    const uint8_t bytes[5] = {1, 2, 3, 4, 5};
    EXPECT_EQ(f.link.WriteData(bytes, sizeof(bytes)), 5);
    f.unit.writeTaken = 4;
    EXPECT_EQ(f.link.WriteData(bytes, sizeof(bytes)), -1) << "USB: all bytes or failure";

    LinkFixture isa(kTransportIsa);
    ASSERT_TRUE(isa.OpenAs(kTransportIsa));
    isa.unit.writeTaken = 4;
    EXPECT_EQ(isa.link.WriteData(bytes, sizeof(bytes)), 4);
    EXPECT_EQ(isa.unit.calls.back().code, 0x9500A004u);
}

TEST(UnitLink, SendPacketWritesAFramedPacketWithoutReply) {
    LinkFixture f(kTransportUsb);
    ASSERT_TRUE(f.OpenAs(kTransportUsb));
    const uint8_t start = kSamplingStart;
    EXPECT_EQ(f.link.SendPacket(kCmdSampling, 1, &start), 1);
    ASSERT_EQ(f.unit.calls.size(), 1u);
    EXPECT_EQ(f.unit.calls[0].code, 0x95002054u);
    EXPECT_EQ(f.unit.calls[0].in, (Bytes{0x01, 0x40, 0x01, 0xBE}));
    f.unit.writeTaken = 3;
    EXPECT_EQ(f.link.SendPacket(kCmdSampling, 1, &start), 0);
}

TEST(UnitLink, DrainReadsAtMostThreeTimesUntilTheCountsAddUp) {
    struct {
        const char* what;
        std::deque<uint32_t> counts;
        int32_t result;
        int reads;
    } cases[] = {
        {"at once", {250}, 1, 1},
        {"in three", {100, 100, 50}, 1, 3},
        {"short after three", {100, 100, 10}, 0, 3},
        {"a read fails", {100, kReadFails}, 0, 2},
    };
    for (auto& c : cases) {
        SCOPED_TRACE(c.what);
        LinkFixture f(kTransportIsa);
        ASSERT_TRUE(f.OpenAs(kTransportIsa));
        f.unit.readCounts = c.counts;
        uint8_t buffer[250];
        EXPECT_EQ(f.link.Drain(250, buffer), c.result);
        EXPECT_EQ(f.unit.Count(0x95006008), c.reads);
        ASSERT_GE(f.unit.calls.size(), static_cast<size_t>(c.reads));
        EXPECT_EQ(f.unit.calls[0].outSize, 250u);
        if (c.reads > 1) {
            EXPECT_EQ(f.unit.calls[1].outSize, 150u) << "the rest, into the same buffer";
        }
    }
}

// ---- One control code each ----

TEST(UnitLink, SmallControlCodesAnswerAsTheirTableSays) {
    LinkFixture f(kTransportUsb);
    ASSERT_TRUE(f.OpenAs(kTransportUsb));
    EXPECT_EQ(f.link.LastError(), 0x1234);
    uint32_t status = 0;
    EXPECT_EQ(f.link.Status(&status), 1);
    EXPECT_EQ(status, 0x11u);

    uint8_t state[4];
    f.unit.unitStates = {{0, 1, 2, 3}};
    EXPECT_EQ(f.link.UnitState(state), 1);
    f.unit.unitStates = {{4, 1, 2, 3}};
    EXPECT_EQ(f.link.UnitState(state), 0) << "byte 0 must be 0";

    f.unit.Clear();
    EXPECT_EQ(f.link.SetValue(0x01020304), 1);
    EXPECT_EQ(f.unit.calls[0].in, (Bytes{0x04, 0x03, 0x02, 0x01}));

    _LNX200_VENDOR_INFO vendor{};
    EXPECT_EQ(f.link.VendorInfo(&vendor, sizeof(vendor)), 1);
    EXPECT_EQ(vendor.vendorId, 0x1234);
    EXPECT_EQ(vendor.productId, 0x5678);
    EXPECT_EQ(vendor.deviceId, 0x9ABC);

    uint8_t adapter[16];
    EXPECT_EQ(f.link.AdapterRead(adapter), 1);
    EXPECT_EQ(adapter[15], 0xAF);
    EXPECT_EQ(f.unit.calls.back().outSize, 20u);

    const uint8_t bytes[16] = {};
    EXPECT_EQ(f.link.AdapterWrite(bytes, 16), 0x21);
    f.unit.adapterAnswer = 0x81;
    EXPECT_EQ(f.link.AdapterWrite(bytes, 16), -1) << "bit 7 is failure";
    EXPECT_EQ(f.link.AdapterWrite(bytes, 17), -1) << "16 bytes at most";

    EXPECT_EQ(f.link.AdapterMode(), 2);
    f.unit.adapterMode = 0;
    EXPECT_EQ(f.link.AdapterMode(), 1);
    f.unit.failing[0x950020B0] = 1;
    EXPECT_EQ(f.link.AdapterMode(), 0);

    char revision[kDriverRevisionBytes + 1];
    EXPECT_EQ(f.link.DriverRevision(revision), 1);
    EXPECT_STREQ(revision, "REV.7");

    LinkFixture isa(kTransportIsa);
    ASSERT_TRUE(isa.OpenAs(kTransportIsa));
    EXPECT_EQ(isa.link.VendorInfo(&vendor, sizeof(vendor)), 0) << "USB only";
    EXPECT_TRUE(isa.unit.calls.empty());
}

// ---- Samples ----

TEST(UnitLink, ReadSamplesAsksTheRingWhenNoPlaybackServesTheGraph) {
    LinkFixture f(kTransportUsb);
    ASSERT_TRUE(f.OpenAs(kTransportUsb));
    HGLOBAL hAcq = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, sizeof(stAcq));
    AcqLock acq(hAcq);
    f.unit.answers[kCmdReadRing] = {0x10, 0x20, 0x30, 0x40};
    const uint8_t request[4] = {0x00, 0x40, 0x00, 0x04};
    uint8_t samples[4] = {};
    EXPECT_EQ(f.link.ReadSamples(request, 4, samples, acq.get()), 1);
    EXPECT_EQ(Bytes(samples, samples + 4), (Bytes{0x10, 0x20, 0x30, 0x40}));
    EXPECT_EQ(f.unit.Packets()[0], (Bytes{0x01, 0x13, 0x00, 0x40, 0x00, 0x04, 0xA8}));
    EXPECT_EQ(f.unit.calls[0].outSize, 6u);
}

// ---- The driver's transport, on paths that exist here ----

std::string TempPath(const char* name) {
    char dir[MAX_PATH] = {};
    GetTempPathA(sizeof(dir), dir);
    return std::string(dir) + name;
}

TEST(DriverTransport, AMissingDriverGivesNoHandle) {
    SetLastError(0);
    EXPECT_EQ(TransportOpen(&g_driverTransport, "\\\\.\\VKUSB"), nullptr) << "not INVALID_HANDLE_VALUE either";
    EXPECT_EQ(GetLastError(), static_cast<DWORD>(ERROR_FILE_NOT_FOUND));
}

TEST(DriverTransport, ALinkOnTheDriverFindsNoUnitHere) {
    CUnitLink link;
    EXPECT_EQ(link.Transport(), &g_driverTransport) << "a new link talks to the driver";
    EXPECT_EQ(link.Open("\\\\.\\VKUSB", kTransportUsb), 0);
    EXPECT_FALSE(link.IsOpen());
    EXPECT_EQ(link.SetCommand(kCmdStop, 0, nullptr), 0);
}

TEST(DriverTransport, OpensOnlyWhatIsNewAndClosesWhatItOpened) {
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
    if (again != INVALID_HANDLE_VALUE) CloseHandle(again);
    DeleteFileA(path.c_str());
}

}  // namespace
