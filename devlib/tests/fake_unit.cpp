// The scripted unit behind a transport table.
#include "devlib/tests/fake_unit.h"

#include <cstdio>
#include <cstring>

namespace vk40test {

namespace {

constexpr uint32_t kCodeUnitCount = 0x950020B4;
constexpr uint32_t kCodeUnitName = 0x950020B8;
constexpr uint32_t kCodePacket = 0x9500200C;
constexpr uint32_t kCodeRead = 0x95006008;
constexpr uint32_t kCodeWriteIsa = 0x9500A004;
constexpr uint32_t kCodeWriteUsb = 0x95002054;
constexpr uint32_t kCodeReset = 0x95002065;
constexpr uint32_t kCodePing = 0x950020A0;
constexpr uint32_t kCodeLastError = 0x95002074;
constexpr uint32_t kCodeStatus = 0x95002078;
constexpr uint32_t kCodeUnitState = 0x9500207C;
constexpr uint32_t kCodeSetValue = 0x95002069;
constexpr uint32_t kCodeVendor = 0x950020A4;
constexpr uint32_t kCodeAdapterRead = 0x950020A8;
constexpr uint32_t kCodeAdapterWrite = 0x950020AC;
constexpr uint32_t kCodeAdapterMode = 0x950020B0;
constexpr uint32_t kCodeRevision = 0x950020C8;

void Put(uint8_t* out, uint32_t outSize, const void* data, uint32_t size, uint32_t* returned) {
    const uint32_t n = size < outSize ? size : outSize;
    if (out && n) memcpy(out, data, n);
    *returned = n;
}

}  // namespace

std::string Hex(uint32_t value) {
    char text[16];
    std::snprintf(text, sizeof(text), "%X", value);
    return text;
}

stTransportOps CFakeUnit::Table() { return {Open, Control, Close, this, nullptr}; }

uint8_t CFakeUnit::Checksum(const uint8_t* bytes, size_t count) {
    unsigned sum = 0;
    for (size_t i = 0; i < count; ++i) sum += bytes[i];
    return static_cast<uint8_t>((256 - sum % 256) % 256);
}

std::vector<uint8_t> CFakeUnit::Reply(const std::vector<uint8_t>& data) {
    std::vector<uint8_t> reply(data.size() + 1);
    reply[0] = 0x01;
    for (size_t i = 0; i < data.size(); ++i) reply[i + 1] = data[i];
    reply.push_back(Checksum(reply.data(), reply.size()));
    return reply;
}

std::vector<std::string> CFakeUnit::Trace() const {
    std::vector<std::string> out;
    for (const stFakeCall& c : calls) out.push_back(c.what);
    return out;
}

int CFakeUnit::Count(uint32_t code) const {
    int n = 0;
    for (const stFakeCall& c : calls) n += c.code == code ? 1 : 0;
    return n;
}

std::vector<std::vector<uint8_t>> CFakeUnit::Packets() const {
    std::vector<std::vector<uint8_t>> out;
    for (const stFakeCall& c : calls) {
        if (c.code != kCodePacket && c.code != kCodeWriteUsb) continue;
        if (m_kind == 2 && c.in.size() >= 4)
            out.emplace_back(c.in.begin() + 4, c.in.end());
        else
            out.push_back(c.in);
    }
    return out;
}

std::vector<uint8_t> CFakeUnit::CommandsSent() const {
    std::vector<uint8_t> out;
    for (const std::vector<uint8_t>& p : Packets()) out.push_back(p.size() > 1 ? p[1] : 0);
    return out;
}

HANDLE CFakeUnit::Open(void* self, const char* path) {
    auto* unit = static_cast<CFakeUnit*>(self);
    stFakeCall call;
    call.what = std::string("open ") + path;
    unit->calls.push_back(call);
    for (const std::string& r : unit->refused) {
        if (r == path) return nullptr;
    }
    return unit->opens ? reinterpret_cast<HANDLE>(unit->m_nextHandle++) : nullptr;
}

void CFakeUnit::Close(void* self, HANDLE device) {
    auto* unit = static_cast<CFakeUnit*>(self);
    stFakeCall call;
    call.what = "close " + Hex(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(device)));
    call.device = reinterpret_cast<uintptr_t>(device);
    unit->calls.push_back(call);
}

int32_t CFakeUnit::Control(void* self, HANDLE device, uint32_t code, const void* in, uint32_t inSize, void* out,
                           uint32_t outSize, uint32_t* returned) {
    auto* unit = static_cast<CFakeUnit*>(self);
    stFakeCall call;
    call.device = reinterpret_cast<uintptr_t>(device);
    call.code = code;
    call.what = "control " + Hex(static_cast<uint32_t>(call.device)) + " " + Hex(code);
    if (in && inSize) call.in.assign(static_cast<const uint8_t*>(in), static_cast<const uint8_t*>(in) + inSize);
    call.outSize = outSize;
    unit->calls.push_back(call);
    uint32_t got = 0;
    const int32_t ok = unit->Fails(code) ? 0 : unit->Answer(call, static_cast<uint8_t*>(out), &got);
    if (returned) *returned = ok ? got : 0;
    return ok;
}

bool CFakeUnit::Fails(uint32_t code) {
    auto it = failing.find(code);
    if (it == failing.end()) return false;
    if (it->second > 0 && --it->second == 0) failing.erase(it);
    return true;
}

int32_t CFakeUnit::Answer(const stFakeCall& call, uint8_t* out, uint32_t* returned) {
    switch (call.code) {
    case kCodeUnitCount: Put(out, call.outSize, &unitCount, 4, returned); return 1;
    case kCodeUnitName: {
        uint8_t name[82] = {};
        memcpy(name + 14, unitName.c_str(), unitName.size() < 67 ? unitName.size() : 67);
        Put(out, call.outSize, name, sizeof(name), returned);
        return 1;
    }
    case kCodePacket: return AnswerPacket(call, out, returned);
    case kCodeRead: {
        uint32_t n = call.outSize;
        if (!readCounts.empty()) {
            n = readCounts.front();
            readCounts.pop_front();
        }
        if (n == kReadFails) return 0;
        for (uint32_t i = 0; out && i < n && i < call.outSize; ++i) out[i] = static_cast<uint8_t>(i);
        *returned = n;
        return 1;
    }
    case kCodeWriteIsa:
    case kCodeWriteUsb:
        *returned = writeTaken == UINT32_MAX ? static_cast<uint32_t>(call.in.size()) : writeTaken;
        return 1;
    case kCodeReset:
    case kCodeSetValue: return 1;
    case kCodePing: Put(out, call.outSize, &pingAnswer, 1, returned); return 1;
    case kCodeLastError: Put(out, call.outSize, &lastError, 4, returned); return 1;
    case kCodeStatus: {
        const uint32_t status = 0x11;
        Put(out, call.outSize, &status, 4, returned);
        return 1;
    }
    case kCodeUnitState: {
        std::array<uint8_t, 4> state = {0, 0, 0, 0};
        if (!unitStates.empty()) {
            state = unitStates.front();
            if (unitStates.size() > 1) unitStates.pop_front();
        }
        Put(out, call.outSize, state.data(), 4, returned);
        return 1;
    }
    case kCodeVendor: Put(out, call.outSize, vendor.data(), 6, returned); return 1;
    case kCodeAdapterRead: {
        uint8_t bytes[16];
        for (int i = 0; i < 16; ++i) bytes[i] = static_cast<uint8_t>(0xA0 + i);
        Put(out, call.outSize, bytes, 16, returned);
        return 1;
    }
    case kCodeAdapterWrite: Put(out, call.outSize, &adapterAnswer, 1, returned); return 1;
    case kCodeAdapterMode: Put(out, call.outSize, &adapterMode, 4, returned); return 1;
    case kCodeRevision:
        Put(out, call.outSize, revision.c_str(), static_cast<uint32_t>(revision.size() + 1), returned);
        return 1;
    default: return 0;
    }
}

// A packet's answer: a query's scripted data (or zeros), or the acknowledgement of a set (a
// three-byte reply for a command that has no scripted answer).
int32_t CFakeUnit::AnswerPacket(const stFakeCall& call, uint8_t* out, uint32_t* returned) {
    eReply how = otherwise;
    if (!replies.empty()) {
        how = replies.front();
        replies.pop_front();
    }
    if (how == eReply::CallFails) return 0;
    const size_t skip = m_kind == 2 ? 4 : 0;
    const uint8_t command = call.in.size() > skip + 1 ? call.in[skip + 1] : 0;
    const uint32_t replyData = call.outSize >= 2 ? call.outSize - 2 : 0;
    std::vector<uint8_t> data(replyData, 0);
    auto queued = answerQueue.find(command);
    auto scripted = answers.find(command);
    if (queued != answerQueue.end() && !queued->second.empty()) {
        const std::vector<uint8_t> next = queued->second.front();
        queued->second.pop_front();
        for (size_t i = 0; i < data.size() && i < next.size(); ++i) data[i] = next[i];
    } else if (scripted != answers.end()) {
        for (size_t i = 0; i < data.size() && i < scripted->second.size(); ++i) data[i] = scripted->second[i];
    } else if (replyData == 1) {
        data[0] = 0x06;
    }
    if (how == eReply::Nak) data.assign(1, 0x15);
    std::vector<uint8_t> reply = Reply(data);
    if (how == eReply::BadChecksum) reply.back() = static_cast<uint8_t>(reply.back() + 1);
    if (how == eReply::WrongLength) reply.pop_back();
    if (how == eReply::Nothing) {
        *returned = call.outSize;
        return 1;
    }
    Put(out, call.outSize, reply.data(), static_cast<uint32_t>(reply.size()), returned);
    return 1;
}

}  // namespace vk40test
