// The unit's packets as plain bytes: the checksum, the host's packet in the framing of each
// transport kind, and the unit's reply. No state and no driver calls, so they are tested alone.
#pragma once

#include <cstdint>

constexpr uint8_t kSimPacketStart = 0x01;
constexpr uint8_t kSimAck = 0x06;
constexpr uint8_t kSimNak = 0x15;

// Transport kinds, as the unit link numbers them.
constexpr int32_t kSimKindIsa = 1;
constexpr int32_t kSimKindPcCard = 2;
constexpr int32_t kSimKindUsb = 3;

// The PC-card prefix: [0x01][0x00][reply length + 2][n + 3] before the packet itself.
constexpr uint32_t kSimPcCardPrefix = 4;

// A parsed host packet; data points into the caller's buffer.
struct stSimPacket {
    uint8_t command = 0;
    const uint8_t* data = nullptr;
    uint32_t dataLength = 0;
    int32_t replyBytes = -1;  // PC card: the reply length (r + 2) the interface reads back; else -1
};

enum class SimParse { Ok, TooShort, BadStart, BadPrefix, BadChecksum };

// The two's complement of the 8-bit sum of the bytes.
uint8_t SimChecksum(const uint8_t* bytes, uint32_t count);

// Reads a host packet of the given kind; with Ok or BadChecksum the command and data are filled.
SimParse SimParsePacket(int32_t kind, const uint8_t* in, uint32_t size, stSimPacket* out);

// The host's side of the framing, for tests and for anything that must speak to the unit:
// writes the packet for `count` data bytes and a reply of `replyData` bytes; returns its size,
// 0 when it does not fit.
uint32_t SimFramePacket(int32_t kind, uint8_t command, const uint8_t* data, uint32_t count, uint32_t replyData,
                        uint8_t* out, uint32_t capacity);

// The unit's reply [0x01][data][checksum]; returns its size, 0 when it does not fit.
uint32_t SimFrameReply(const uint8_t* data, uint32_t count, uint8_t* out, uint32_t capacity);

// Test seam: whether a reply of r data bytes checks (its length, its start byte and its checksum),
// so tests can judge what the unit answers; the device library checks replies in its own link.
bool SimReplyChecks(const uint8_t* reply, uint32_t size, uint32_t r);
