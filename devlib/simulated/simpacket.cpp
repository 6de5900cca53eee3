// Framing of the unit's packets and replies.
#include "devlib/simulated/simpacket.h"

#include <cstring>

// The two's complement of the byte sum, so that the covered bytes and the checksum add up to 0.
uint8_t SimChecksum(const uint8_t* bytes, uint32_t count) {
    uint8_t sum = 0;
    for (uint32_t i = 0; i < count; ++i) sum = static_cast<uint8_t>(sum + bytes[i]);
    return static_cast<uint8_t>(0x100 - sum);
}

// [0x01][command][data][checksum], after the PC-card prefix when there is one. The prefix's
// fourth byte must give the length of the packet behind it.
SimParse SimParsePacket(int32_t kind, const uint8_t* in, uint32_t size, stSimPacket* out) {
    if (!in || !out) return SimParse::TooShort;
    uint32_t at = 0;
    out->replyBytes = -1;
    if (kind == kSimKindPcCard) {
        if (size < kSimPcCardPrefix + 3) return SimParse::TooShort;
        if (in[0] != kSimPacketStart || in[1] != 0 || in[3] != static_cast<uint8_t>(size - kSimPcCardPrefix))
            return SimParse::BadPrefix;
        out->replyBytes = in[2];
        at = kSimPcCardPrefix;
    }
    if (size < at + 3) return SimParse::TooShort;
    if (in[at] != kSimPacketStart) return SimParse::BadStart;
    const uint32_t packet = size - at;
    out->command = in[at + 1];
    out->data = in + at + 2;
    out->dataLength = packet - 3;
    return SimChecksum(in + at, packet - 1) == in[size - 1] ? SimParse::Ok : SimParse::BadChecksum;
}

uint32_t SimFramePacket(int32_t kind, uint8_t command, const uint8_t* data, uint32_t count, uint32_t replyData,
                        uint8_t* out, uint32_t capacity) {
    const uint32_t prefix = kind == kSimKindPcCard ? kSimPcCardPrefix : 0;
    const uint32_t size = prefix + count + 3;
    if (!out || size > capacity || (count && !data)) return 0;
    if (prefix) {
        out[0] = kSimPacketStart;
        out[1] = 0;
        out[2] = static_cast<uint8_t>(replyData + 2);
        out[3] = static_cast<uint8_t>(count + 3);
    }
    uint8_t* packet = out + prefix;
    packet[0] = kSimPacketStart;
    packet[1] = command;
    if (count) memcpy(packet + 2, data, count);
    packet[count + 2] = SimChecksum(packet, count + 2);
    return size;
}

uint32_t SimFrameReply(const uint8_t* data, uint32_t count, uint8_t* out, uint32_t capacity) {
    if (!out || count + 2 > capacity || (count && !data)) return 0;
    out[0] = kSimPacketStart;
    if (count) memcpy(out + 1, data, count);
    out[count + 1] = SimChecksum(out, count + 1);
    return count + 2;
}

bool SimReplyChecks(const uint8_t* reply, uint32_t size, uint32_t r) {
    return reply && size == r + 2 && reply[0] == kSimPacketStart && reply[size - 1] == SimChecksum(reply, size - 1);
}
