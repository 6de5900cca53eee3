// The unit's packets over plain byte buffers: framing for each transport kind, the checksum and
// the check of a reply. Nothing here talks to a driver.
#pragma once

#include <cstddef>
#include <cstdint>

#include "common/byte_order.h"  // the fields of command data and replies are big-endian

constexpr uint8_t kPacketStart = 0x01;
constexpr uint8_t kPacketAck = 0x06;         // the data byte of a set command's reply
constexpr size_t kPacketBufferSize = 16400;  // outgoing packets and replies both fit this
constexpr size_t kPcCardHeaderSize = 4;      // [0x01][0x00][reply length + 2][packet length]
constexpr size_t kPacketOverhead = 3;        // start byte, command, checksum
constexpr size_t kReplyOverhead = 2;         // start byte, checksum

// The mode byte of command 2: the run waits for the start signal.
constexpr uint8_t kModeWaitForStart = 0x80;
// Bytes the unit sends unasked on the data stream.
constexpr uint8_t kStreamRunComplete = 6;
constexpr uint8_t kStreamStartSignal = 7;

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
