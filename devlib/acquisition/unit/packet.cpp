// Framing and checking of the unit's packets.
#include "devlib/acquisition/unit/packet.h"

#include <cstring>

namespace {

constexpr int32_t kKindIsa = 1;
constexpr int32_t kKindPcCard = 2;
constexpr int32_t kKindUsb = 3;
constexpr size_t kByteField = 0xFF;  // the PC card header's length fields are one byte each

// [0x01][command][data][checksum] at out; answers its length.
size_t FrameBody(uint8_t command, const uint8_t* data, size_t dataLength, uint8_t* out) {
    out[0] = kPacketStart;
    out[1] = command;
    if (dataLength) memcpy(out + 2, data, dataLength);
    out[2 + dataLength] = PacketChecksum(out, 2 + dataLength);
    return dataLength + kPacketOverhead;
}

}  // namespace

// The 8-bit sum of the bytes, negated: a packet's bytes then sum to 0.
uint8_t PacketChecksum(const uint8_t* bytes, size_t count) {
    uint8_t sum = 0;
    for (size_t i = 0; i < count; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(0x100 - sum);
}

// [0x01][command][data][checksum]; a PC card puts its four header bytes before it.
size_t FramePacket(int32_t kind, uint8_t command, const uint8_t* data, size_t dataLength, size_t replyLength,
                   uint8_t* out, size_t outSize) {
    if (!out || (dataLength && !data) || replyLength + kReplyOverhead > kPacketBufferSize) return 0;
    const size_t body = dataLength + kPacketOverhead;
    switch (kind) {
    case kKindIsa:
    case kKindUsb:
        if (body > outSize || body > kPacketBufferSize) return 0;
        return FrameBody(command, data, dataLength, out);
    case kKindPcCard:
        // The header's lengths are single bytes: a length they cannot hold would tell the card a
        // wrong size, so such a packet is not sent at all.
        if (body > kByteField || replyLength + kReplyOverhead > kByteField || body + kPcCardHeaderSize > outSize)
            return 0;
        out[0] = kPacketStart;
        out[1] = 0x00;
        out[2] = static_cast<uint8_t>(replyLength + kReplyOverhead);
        out[3] = static_cast<uint8_t>(body);
        return kPcCardHeaderSize + FrameBody(command, data, dataLength, out + kPcCardHeaderSize);
    default: return 0;
    }
}

// The length asked for, the start byte and the checksum of everything before the last byte.
bool ReplyChecks(const uint8_t* reply, size_t count, size_t replyLength) {
    if (!reply || count != replyLength + kReplyOverhead) return false;
    return reply[0] == kPacketStart && reply[count - 1] == PacketChecksum(reply, count - 1);
}
