// The unit's packets over plain byte buffers: framing for each transport kind, the checksum and
// the check of a reply. Nothing here talks to a driver.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr uint8_t kPacketStart = 0x01;
constexpr uint8_t kPacketAck = 0x06;         // the data byte of a set command's reply
constexpr size_t kPacketBufferSize = 16400;  // outgoing packets and replies both fit this
constexpr size_t kPcCardHeaderSize = 4;      // [0x01][0x00][reply length + 2][packet length]
constexpr size_t kPacketOverhead = 3;        // start byte, command, checksum
constexpr size_t kReplyOverhead = 2;         // start byte, checksum

// Two's complement of the 8-bit sum of the bytes.
uint8_t PacketChecksum(const uint8_t* bytes, size_t count);

// Frames a command and its data for the transport kind (1 ISA, 2 PC card, 3 USB) into out and
// answers the packet's length. 0 when nothing can be framed: an unknown kind, a packet or a
// reply larger than the unit's buffer, or on a PC card lengths that its one-byte header fields
// cannot carry.
size_t FramePacket(int32_t kind, uint8_t command, const uint8_t* data, size_t dataLength, size_t replyLength,
                   uint8_t* out, size_t outSize);

// A reply of replyLength data bytes: count bytes that start with 0x01 and end with the
// checksum of the bytes before it.
bool ReplyChecks(const uint8_t* reply, size_t count, size_t replyLength);

// Big-endian fields of command data and replies.
inline void PutBE16(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 8);
    at[1] = static_cast<uint8_t>(value);
}
inline void PutBE24(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 16);
    at[1] = static_cast<uint8_t>(value >> 8);
    at[2] = static_cast<uint8_t>(value);
}
inline void PutBE32(uint8_t* at, uint32_t value) {
    at[0] = static_cast<uint8_t>(value >> 24);
    at[1] = static_cast<uint8_t>(value >> 16);
    at[2] = static_cast<uint8_t>(value >> 8);
    at[3] = static_cast<uint8_t>(value);
}
inline uint32_t GetBE16(const uint8_t* at) { return (static_cast<uint32_t>(at[0]) << 8) | at[1]; }
inline uint32_t GetBE24(const uint8_t* at) {
    return (static_cast<uint32_t>(at[0]) << 16) | (static_cast<uint32_t>(at[1]) << 8) | at[2];
}
inline uint32_t GetBE32(const uint8_t* at) {
    return (static_cast<uint32_t>(at[0]) << 24) | (static_cast<uint32_t>(at[1]) << 16) |
           (static_cast<uint32_t>(at[2]) << 8) | at[3];
}
