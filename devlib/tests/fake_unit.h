// A scripted stand-in for the unit's driver behind a transport table: it writes down every call
// and answers as a well-formed unit would, except where a test scripts a fault. Its packet rules
// (checksums, the PC card header) are its own, written from the protocol, not taken from the
// library's code.
#pragma once

#include <windows.h>

#include <array>
#include <cstdint>
#include <deque>
#include <map>
#include <string>
#include <vector>

#include "devlib/acquisition/unit/transport.h"

namespace vk40test {

// What a packet call answers.
enum class eReply {
    Good,         // [01][data][checksum], or the acknowledgement of a set
    CallFails,    // the control call fails
    BadChecksum,  // a good reply with its checksum one off
    WrongLength,  // a good reply one byte short
    Nak,          // [01][15][checksum]: a reply that checks but is no acknowledgement
    Nothing,      // the call succeeds and writes nothing, counting the full length
};

struct stFakeCall {
    std::string what;  // "open <path>", "close <handle>", "control <handle> <code in hex>"
    uintptr_t device = 0;
    uint32_t code = 0;
    std::vector<uint8_t> in;
    uint32_t outSize = 0;
};

class CFakeUnit {
public:
    explicit CFakeUnit(int32_t kind) : m_kind(kind) {}
    stTransportOps Table();

    // ---- The script ----
    std::deque<eReply> replies;  // one per packet call; then `otherwise`
    eReply otherwise = eReply::Good;
    std::map<uint8_t, std::vector<uint8_t>> answers;                  // a query's data by command (else zeros)
    std::map<uint8_t, std::deque<std::vector<uint8_t>>> answerQueue;  // taken first, one a query
    std::map<uint32_t, int> failing;  // control codes that fail (0: always, n: the next n times)
    bool opens = true;
    std::vector<std::string> refused;  // paths that do not open
    uint32_t unitCount = 1;
    std::string unitName = "VKUNIT0";
    uint8_t pingAnswer = 3;
    std::deque<std::array<uint8_t, 4>> unitStates;  // successive answers; the last one stays
    std::deque<uint32_t> readCounts;                // successive data read counts (else the size)
    uint32_t writeTaken = UINT32_MAX;               // bytes a write takes (else all)
    int32_t lastError = 0x1234;
    std::string revision = "REV.7";
    std::array<uint8_t, 6> vendor = {0x34, 0x12, 0x78, 0x56, 0xBC, 0x9A};
    uint32_t adapterMode = 5;
    uint8_t adapterAnswer = 0x21;

    // ---- What happened ----
    std::vector<stFakeCall> calls;
    void Clear() { calls.clear(); }
    std::vector<std::string> Trace() const;  // every call's `what`
    int Count(uint32_t code) const;
    // The command packets sent, without the PC card header (its bytes are in `calls`).
    std::vector<std::vector<uint8_t>> Packets() const;
    std::vector<uint8_t> CommandsSent() const;  // the command byte of each packet

    // The protocol's checksum, and a reply framed by hand.
    static uint8_t Checksum(const uint8_t* bytes, size_t count);
    static std::vector<uint8_t> Reply(const std::vector<uint8_t>& data);

private:
    static HANDLE Open(void* self, const char* path);
    static int32_t Control(void* self, HANDLE device, uint32_t code, const void* in, uint32_t inSize, void* out,
                           uint32_t outSize, uint32_t* returned);
    static void Close(void* self, HANDLE device);
    int32_t Answer(const stFakeCall& call, uint8_t* out, uint32_t* returned);
    int32_t AnswerPacket(const stFakeCall& call, uint8_t* out, uint32_t* returned);
    bool Fails(uint32_t code);

    int32_t m_kind;
    uintptr_t m_nextHandle = 0x100;
};

// A data read count that makes the read fail.
constexpr uint32_t kReadFails = 0xFFFFFFFF;

// A handle as the fake numbers them, for comparing traces.
std::string Hex(uint32_t value);

}  // namespace vk40test
