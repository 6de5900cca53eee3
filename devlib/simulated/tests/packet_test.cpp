// The unit's framing and ring arithmetic as plain functions over buffers.
#include <gtest/gtest.h>

#include <vector>

#include "devlib/simulated/simpacket.h"
#include "devlib/simulated/simring.h"

namespace {

using Bytes = std::vector<uint8_t>;

Bytes Frame(int32_t kind, uint8_t command, const Bytes& data, uint32_t replyData) {
    uint8_t out[300];
    const uint32_t n =
        SimFramePacket(kind, command, data.data(), static_cast<uint32_t>(data.size()), replyData, out, sizeof(out));
    return Bytes(out, out + n);
}

TEST(SimPacket, PacketsCarryStartCommandDataAndTheNegatedSum) {
    struct {
        const char* what;
        int32_t kind;
        uint8_t command;
        Bytes data;
        uint32_t replyData;
        Bytes packet;
    } cases[] = {
        {"stop, USB", kSimKindUsb, 18, {}, 1, {0x01, 0x12, 0xED}},
        {"stop, ISA", kSimKindIsa, 18, {}, 1, {0x01, 0x12, 0xED}},
        {"stop, PC card: prefix with reply length + 2 and n + 3",
         kSimKindPcCard,
         18,
         {},
         1,
         {0x01, 0x00, 0x03, 0x03, 0x01, 0x12, 0xED}},
        {"period 5 ms", kSimKindUsb, 54, {0x00, 0x0A}, 1, {0x01, 0x36, 0x00, 0x0A, 0xBF}},
        {"status query, PC card", kSimKindPcCard, 51, {}, 4, {0x01, 0x00, 0x06, 0x03, 0x01, 0x33, 0xCC}},
        {"ring read, sum wraps",
         kSimKindIsa,
         19,
         {0x7F, 0xF0, 0x00, 0xFA},
         250,
         {0x01, 0x13, 0x7F, 0xF0, 0x00, 0xFA, 0x83}},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Frame(c.kind, c.command, c.data, c.replyData), c.packet) << c.what;
        stSimPacket parsed;
        ASSERT_EQ(SimParsePacket(c.kind, c.packet.data(), static_cast<uint32_t>(c.packet.size()), &parsed),
                  SimParse::Ok)
            << c.what;
        EXPECT_EQ(parsed.command, c.command) << c.what;
        EXPECT_EQ(Bytes(parsed.data, parsed.data + parsed.dataLength), c.data) << c.what;
        EXPECT_EQ(parsed.replyBytes, c.kind == kSimKindPcCard ? static_cast<int32_t>(c.replyData + 2) : -1) << c.what;
    }
}

TEST(SimPacket, DamagedPacketsAreToldApart) {
    struct {
        const char* what;
        int32_t kind;
        Bytes packet;
        SimParse result;
    } cases[] = {
        {"checksum one too high", kSimKindUsb, {0x01, 0x12, 0xEE}, SimParse::BadChecksum},
        {"checksum one too low", kSimKindIsa, {0x01, 0x36, 0x00, 0x0A, 0xBE}, SimParse::BadChecksum},
        {"no start byte", kSimKindUsb, {0x00, 0x12, 0xEE}, SimParse::BadStart},
        {"two bytes", kSimKindUsb, {0x01, 0x12}, SimParse::TooShort},
        {"nothing", kSimKindIsa, {}, SimParse::TooShort},
        {"PC card without its prefix", kSimKindPcCard, {0x01, 0x12, 0xED}, SimParse::TooShort},
        {"PC card length byte wrong", kSimKindPcCard, {0x01, 0x00, 0x03, 0x04, 0x01, 0x12, 0xED}, SimParse::BadPrefix},
        {"PC card second byte not 0", kSimKindPcCard, {0x01, 0x01, 0x03, 0x03, 0x01, 0x12, 0xED}, SimParse::BadPrefix},
        {"USB packet framed for the PC card",
         kSimKindUsb,
         {0x01, 0x00, 0x03, 0x03, 0x01, 0x12, 0xED},
         SimParse::BadChecksum},
        {"128 zero bytes", kSimKindIsa, Bytes(128, 0), SimParse::BadStart},
    };
    for (const auto& c : cases) {
        stSimPacket parsed;
        EXPECT_EQ(SimParsePacket(c.kind, c.packet.data(), static_cast<uint32_t>(c.packet.size()), &parsed), c.result)
            << c.what;
    }
}

TEST(SimPacket, RepliesCheckOnlyWithTheirLengthStartAndChecksum) {
    uint8_t reply[8];
    const uint8_t ack = 0x06;
    ASSERT_EQ(SimFrameReply(&ack, 1, reply, sizeof(reply)), 3u);
    EXPECT_EQ(Bytes(reply, reply + 3), (Bytes{0x01, 0x06, 0xF9}));
    EXPECT_TRUE(SimReplyChecks(reply, 3, 1));
    EXPECT_FALSE(SimReplyChecks(reply, 3, 2)) << "a reply of the wrong length";
    reply[2] = 0xFA;
    EXPECT_FALSE(SimReplyChecks(reply, 3, 1)) << "checksum off by one";
    const uint8_t status[4] = {0, 0x80, 0x12, 0x34};
    ASSERT_EQ(SimFrameReply(status, 4, reply, sizeof(reply)), 6u);
    EXPECT_EQ(Bytes(reply, reply + 6), (Bytes{0x01, 0x00, 0x80, 0x12, 0x34, 0x39}));
    EXPECT_EQ(SimFrameReply(status, 4, reply, 5), 0u) << "no room";
}

TEST(SimRing, WritesAndReadsWrapAtTheEnd) {
    uint8_t ring[10] = {};
    uint64_t total = 0;
    const uint8_t first[7] = {1, 2, 3, 4, 5, 6, 7};
    const uint8_t second[6] = {11, 12, 13, 14, 15, 16};
    SimRingWrite(ring, sizeof(ring), &total, first, sizeof(first));
    SimRingWrite(ring, sizeof(ring), &total, second, sizeof(second));
    EXPECT_EQ(total, 13u);
    EXPECT_EQ(Bytes(ring, ring + 10), (Bytes{14, 15, 16, 4, 5, 6, 7, 11, 12, 13}));
    uint8_t out[6];
    SimRingRead(ring, sizeof(ring), 7, out, 6);
    EXPECT_EQ(Bytes(out, out + 6), (Bytes{11, 12, 13, 14, 15, 16})) << "a read across the end";
    SimRingRead(ring, sizeof(ring), 27, out, 2);
    EXPECT_EQ(Bytes(out, out + 2), (Bytes{11, 12})) << "an address past the end is taken modulo the size";
}

// The host counts bytes as byte0 × 256 + byte1 + byte2 × 32,768 and relies on that modulo 0x800000.
TEST(SimRing, TheWriteAddressCountsBytesModuloEightMegabytes) {
    for (uint64_t total :
         {0ull, 1ull, 32767ull, 32768ull, 80000ull, 0x7FFFFFull, 0x800000ull, 0x800000ull + 4660ull, 123456789ull}) {
        uint8_t a[3];
        SimWriteAddress(total, a);
        EXPECT_LT(a[0], 0x80) << total;
        EXPECT_EQ(a[0] * 256u + a[1] + a[2] * 32768u, total % 0x800000) << total;
    }
    uint8_t a[3];
    SimWriteAddress(3 * 32768 + 0x1234, a);
    EXPECT_EQ(Bytes(a, a + 3), (Bytes{0x12, 0x34, 0x03}));
}

TEST(SimRing, FramesFallDueAtWholePeriods) {
    EXPECT_EQ(SimFramesDue(9999999, 1000000), 9u);
    EXPECT_EQ(SimFramesDue(10000000, 1000000), 10u);
    EXPECT_EQ(SimFramesDue(0, 500000), 0u);
    EXPECT_EQ(SimFramesDue(123, 0), 0u) << "no period, no frames";
}

}  // namespace
