// The unit link: opening the unit through its transport, command packets with their retries and
// reply checks, the data stream, the driver's small control codes and the USB pipe recovery.
#include "devlib/acquisition/unit/unit_link.h"

#include "common/stAcq.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/unit/playback.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/services/library.h"

#include <cstring>

CUnitLink g_unitLink;

namespace {

struct stTransportPath {
    const char* path;
    int32_t kind;
};

const stTransportPath kTransportPaths[] = {
    {"\\\\.\\VKISA.VXD", kTransportIsa},
    {"\\\\.\\VKPCM.VXD", kTransportPcCard},
    {"\\\\.\\VKUSB", kTransportUsb},
    {"\\\\.\\VKUSB45", kTransportUsb},
};

constexpr uint32_t kUnitNameBytes = 82;
constexpr uint32_t kUnitNameOffset = 14;
constexpr uint32_t kUsbCloseWaitMs = 500;
constexpr uint32_t kRecoverWaitMs = 500;
constexpr uint32_t kRecoverDrainBytes = 250;
constexpr int32_t kDrainReads = 3;
constexpr size_t kIsaClearBytes = 1024;
constexpr uint32_t kIsaClearSend = 128;
constexpr uint32_t kIsaClearReply = 16;
constexpr uint8_t kIsaReplyFill = 0xFF;  // odd: see ExchangeIsa
constexpr uint16_t kStimStatusDataBytes = 10;
constexpr uint16_t kStimStatusReplyBytes = 8;
constexpr uint8_t kAdapterWriteFailed = 0x80;
constexpr uint32_t kAdapterReadBuffer = 20;

// A bare device name: no folder separators and no drive colon, so "\\.\" + name can only
// name a device, never a file that opening would create.
bool IsDeviceName(const char* name) { return name && *name && !std::strpbrk(name, "\\/:"); }

// "\\.\" followed by a bare device name.
bool IsDevicePath(const char* path) {
    const size_t prefix = sizeof(kDevicePrefix) - 1;
    return path && std::strncmp(path, kDevicePrefix, prefix) == 0 && IsDeviceName(path + prefix);
}

}  // namespace

// The transport a device path stands for (0 when it is none of the unit's drivers).
int32_t TransportKindFromPath(const char* path) {
    if (!path) return kTransportNone;
    for (const stTransportPath& entry : kTransportPaths) {
        if (strcmp(entry.path, path) == 0) return entry.kind;
    }
    return kTransportNone;
}

// The run state says whether the unit was set up, so that a close first lets it finish.
int32_t IsUnitMarkedInitialised() {
    AcqLock acq(g_lib.hAcq);
    return acq && acq->run.unitInitialised ? 1 : 0;
}

// ---- Opening and closing ----

// When the library unloads: the driver's handles are closed. Another transport's library may
// already be gone at that point, so its handles are left to the process's end.
CUnitLink::~CUnitLink() {
    if (m_transport == &g_driverTransport) CloseHandles();
}

// Opens the unit: the kind given (or the path's), the unit's model from the path, then the
// device: USB through the adapter of the first path stored (the one its recovery opens again),
// ISA and PC card at the path given. 1 when the device handle is open.
int32_t CUnitLink::Open(const char* path, int32_t kind) {
    m_kind = (kind >= kTransportIsa && kind <= kTransportUsb) ? kind : TransportKindFromPath(path);
    ProbeUnitDriver(path);
    if (m_kind == kTransportNone || !IsDevicePath(path)) return 0;
    if (m_path[0] == '\0') lstrcpynA(m_path, path, sizeof(m_path));
    CloseHandles();  // opening again must not leak what the last open got
    if (m_kind == kTransportUsb) return OpenUsb();
    m_device = TransportOpen(m_transport, path);
    return m_device ? 1 : 0;
}

// USB: the stored path is the adapter; it must count a unit, and the name of unit 0 is the
// device. The name comes from the driver, so it must be a bare device name too.
int32_t CUnitLink::OpenUsb() {
    m_adapter = TransportOpen(m_transport, m_path);
    if (!m_adapter) return 0;
    uint32_t units = 0;
    uint32_t got = 0;
    const uint32_t index = 0;
    char answer[kUnitNameBytes + 1] = {};
    if (!Control(m_adapter, kIoAdapterUnitCount, nullptr, 0, &units, sizeof(units), &got) || got != sizeof(units) ||
        units == 0 || !Control(m_adapter, kIoAdapterUnitName, &index, sizeof(index), answer, kUnitNameBytes, &got) ||
        got <= kUnitNameOffset || !IsDeviceName(answer + kUnitNameOffset)) {
        CloseHandles();
        return 0;
    }
    char device[MAX_PATH];
    lstrcpyA(device, kDevicePrefix);
    lstrcatA(device, answer + kUnitNameOffset);
    m_device = TransportOpen(m_transport, device);
    if (!m_device) {
        CloseHandles();
        return 0;
    }
    return 1;
}

// Closes whatever is open; a unit that was set up is asked its stimulator status first. The
// transport kind and the stored path survive.
void CUnitLink::Close() {
    if (m_device && IsUnitMarkedInitialised()) {
        const uint8_t zeros[kStimStatusDataBytes] = {};
        uint8_t reply[kStimStatusReplyBytes];
        QueryCommand(kCmdStimulatorStatus, kStimStatusDataBytes, zeros, kStimStatusReplyBytes, reply);
    }
    CloseHandles();
}

// The USB driver needs a moment after its device closes before anything opens it again.
void CUnitLink::CloseHandles() {
    if (m_device) {
        TransportClose(m_transport, m_device);
        m_device = nullptr;
        if (m_kind == kTransportUsb) Wait(kUsbCloseWaitMs);
    }
    if (m_adapter) {
        TransportClose(m_transport, m_adapter);
        m_adapter = nullptr;
    }
}

const stTransportOps* CUnitLink::SetTransport(const stTransportOps* transport) {
    Close();
    const stTransportOps* previous = m_transport;
    m_transport = transport;
    return previous;
}

void CUnitLink::Wait(uint32_t ms) const {
    if (m_wait)
        m_wait(ms);
    else
        Sleep(ms);
}

CUnitLink::WaitFn CUnitLink::SetWait(WaitFn wait) {
    const WaitFn previous = m_wait;
    m_wait = wait;
    return previous;
}

int32_t CUnitLink::Control(HANDLE device, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                           uint32_t* returned) {
    uint32_t got = 0;
    const int32_t ok = TransportControl(m_transport, device, code, in, inSize, out, outSize, &got);
    // A count beyond the output buffer is the driver's fault; nothing may read that far. (Write
    // codes have no output buffer: their count is of the bytes taken.)
    if (out && got > outSize) got = outSize;
    if (returned) *returned = got;
    return ok;
}

// ---- Commands ----

int32_t CUnitLink::QueryCommand(uint8_t command, uint16_t dataLength, const uint8_t* data, uint16_t replyLength,
                                uint8_t* reply) {
    return Exchange(command, dataLength, data, replyLength, false, reply);
}

// A set command: acknowledged by a reply whose one data byte is 0x06.
int32_t CUnitLink::SetCommand(uint8_t command, uint16_t dataLength, const uint8_t* data) {
    return Exchange(command, dataLength, data, 1, true, nullptr);
}

// Frames the command once for the link's kind and sends it with the kind's retries; a reply
// that checks has its data bytes copied out.
int32_t CUnitLink::Exchange(uint8_t command, uint16_t dataLength, const uint8_t* data, uint16_t replyLength, bool set,
                            uint8_t* reply) {
    if (!m_device || (replyLength && !set && !reply)) return 0;
    const size_t length = FramePacket(m_kind, command, data, dataLength, replyLength, m_packet, sizeof(m_packet));
    if (!length) return 0;
    const int32_t ok =
        m_kind == kTransportUsb ? ExchangeUsb(length, replyLength, set) : ExchangeIsa(length, replyLength, set);
    if (ok && reply && !set) memcpy(reply, m_packet + 1, replyLength);
    return ok;
}

// USB: a failed call is retried after a pipe reset; any answer ends the tries, and a wrong
// answer costs one more reset.
int32_t CUnitLink::ExchangeUsb(size_t packetLength, uint16_t replyLength, bool set) {
    const uint32_t replyBytes = replyLength + kReplyOverhead;
    for (int32_t t = 0; t < kUsbTries; ++t) {
        memset(m_reply, 0, replyBytes);
        uint32_t count = 0;
        if (!Control(m_device, kIoPacket, m_packet, static_cast<uint32_t>(packetLength), m_reply, replyBytes, &count)) {
            LastError();
            ResetPipe();
            continue;
        }
        if (ReplyAccepted(count, replyLength, set)) return 1;
        break;
    }
    ResetPipe();
    return 0;
}

// ISA and PC card: the old drivers' counts are not to be trusted, so the reply is checked at its
// full length in an area refilled before every try (stale bytes of an earlier reply must not
// pass for this one's). The fill is odd: a reply that checks sums to 0, so a short one followed
// by zeros would check again at the full length; behind an odd fill none short by fewer than 256
// bytes does.
int32_t CUnitLink::ExchangeIsa(size_t packetLength, uint16_t replyLength, bool set) {
    const uint32_t replyBytes = replyLength + kReplyOverhead;
    for (int32_t t = 0; t < kIsaTries; ++t) {
        memset(m_reply, kIsaReplyFill, replyBytes);
        uint32_t count = 0;
        if (Control(m_device, kIoPacket, m_packet, static_cast<uint32_t>(packetLength), m_reply, replyBytes, &count) &&
            ReplyAccepted(replyBytes, replyLength, set))
            return 1;
    }
    return 0;
}

// A checked reply (a set command's carries the acknowledgement) replaces the packet.
bool CUnitLink::ReplyAccepted(uint32_t count, uint16_t replyLength, bool set) {
    if (!ReplyChecks(m_reply, count, replyLength) || (set && m_reply[1] != kPacketAck)) return false;
    memcpy(m_packet, m_reply, count);
    return true;
}

// Samples of the attached graph: from its play-back source when it has one (the bytes it filled,
// which may be fewer than asked), else the unit's ring.
int32_t CUnitLink::ReadSamples(const uint8_t* request, uint16_t length, uint8_t* buffer, stAcq* acq) {
    tagGS* gs = acq ? acq->run.attachedGraph : nullptr;
    if (gs && PlaybackServesGraph(gs)) return PlaybackReadSamples(acq, gs, request, length, buffer);
    return QueryCommand(kCmdReadRing, kRingRequestBytes, request, length, buffer);
}

// ---- The data stream ----

// Bytes of the unit's data stream; the count read, or -1.
int32_t CUnitLink::ReadData(void* buffer, uint32_t size) {
    if (!m_device || !buffer) return -1;
    uint32_t got = 0;
    if (!Control(m_device, kIoReadData, nullptr, 0, buffer, size, &got)) {
        if (m_kind == kTransportUsb) LastError();
        return -1;
    }
    return static_cast<int32_t>(got);
}

// Bytes to the unit; the count taken (USB: all of them), or -1.
int32_t CUnitLink::WriteData(const void* bytes, uint32_t size) {
    if (!m_device || (size && !bytes)) return -1;
    uint32_t got = 0;
    if (m_kind == kTransportUsb) {
        if (!Control(m_device, kIoWriteUsb, bytes, size, nullptr, 0, &got) || got != size) {
            LastError();
            return -1;
        }
        return static_cast<int32_t>(size);
    }
    return Control(m_device, kIoWriteData, bytes, size, nullptr, 0, &got) ? static_cast<int32_t>(got) : -1;
}

// A packet that gets no reply; 1 when the driver took all of it.
int32_t CUnitLink::SendPacket(uint8_t command, uint16_t dataLength, const uint8_t* data) {
    if (!m_device) return 0;
    const size_t length = FramePacket(m_kind, command, data, dataLength, 0, m_packet, sizeof(m_packet));
    if (!length) return 0;
    uint32_t got = 0;
    if (!Control(m_device, kIoWriteUsb, m_packet, static_cast<uint32_t>(length), nullptr, 0, &got) || got != length) {
        if (m_kind == kTransportUsb) LastError();
        return 0;
    }
    return 1;
}

// Reads and drops what the unit still sends: up to three reads into the same buffer.
int32_t CUnitLink::Drain(uint32_t size, void* buffer) {
    uint32_t total = 0;
    for (int32_t i = 0; i < kDrainReads && total < size; ++i) {
        const int32_t got = ReadData(buffer, size - total);
        if (got < 0) return 0;
        total += static_cast<uint32_t>(got);
    }
    return total == size ? 1 : 0;
}

// ---- Recovery ----

// Finds the unit again after a stall, as its transport kind allows.
int32_t CUnitLink::Recover() { return m_kind == kTransportUsb ? RecoverUsb() : ClearIsaUnit(); }

// Finds the unit again: a fresh open of the stored path, a pipe reset, the driver's status and
// the unit's state; a unit with bytes pending is drained and asked once more.
int32_t CUnitLink::RecoverUsb() {
    Close();
    if (!Open(m_path, kTransportUsb)) return 0;
    uint32_t status = 0;
    if (!ResetPipe() || !Status(&status)) return 0;
    uint8_t state[4] = {};
    if (!UnitState(state)) return 0;
    if ((state[1] & 1) && state[2] != 0) {
        Wait(kRecoverWaitMs);
        uint8_t drained[kRecoverDrainBytes];
        Drain(kRecoverDrainBytes, drained);
        if (!UnitState(state)) return 0;
    }
    return state[1] & 1;
}

// ISA and PC card: a packet of zeros flushes the card's command state.
int32_t CUnitLink::ClearIsaUnit() {
    if (!m_device) return 0;
    memset(m_packet, 0, kIsaClearBytes);
    uint32_t got = 0;
    return Control(m_device, kIoPacket, m_packet, kIsaClearSend, m_reply, kIsaClearReply, &got);
}

// ---- One control code each ----

// The unit answers 3 when its pipe works.
int32_t CUnitLink::Ping() {
    if (!m_device) return 0;
    const uint8_t in = kPingAnswer;
    uint8_t out = 0;
    uint32_t got = 0;
    if (!Control(m_device, kIoPing, &in, sizeof(in), &out, sizeof(out), &got)) {
        LastError();
        return 0;
    }
    return got == sizeof(out) && out == kPingAnswer ? 1 : 0;
}

// The reset counts only when the unit answers the ping afterwards.
int32_t CUnitLink::ResetPipe() {
    if (!m_device) return 0;
    uint32_t got = 0;
    if (!Control(m_device, kIoResetPipe, nullptr, 0, nullptr, 0, &got)) return 0;
    return Ping();
}

// The driver's last error code, or -1 when even that cannot be read.
int32_t CUnitLink::LastError() {
    int32_t code = 0;
    uint32_t got = 0;
    if (!m_device || !Control(m_device, kIoLastError, nullptr, 0, &code, sizeof(code), &got) || got != sizeof(code))
        return -1;
    return code;
}

// The driver's status word; 0 when it cannot be read.
int32_t CUnitLink::Status(uint32_t* status) {
    uint32_t value = 0;
    uint32_t got = 0;
    if (!m_device || !Control(m_device, kIoStatus, nullptr, 0, &value, sizeof(value), &got) || got != sizeof(value)) {
        if (m_device) LastError();
        return 0;
    }
    if (status) *status = value;
    return 1;
}

// Success when four bytes come back and the first is 0.
int32_t CUnitLink::UnitState(uint8_t state[4]) {
    if (!m_device || !state) return 0;
    const uint8_t in = 0;
    uint32_t got = 0;
    if (!Control(m_device, kIoUnitState, &in, sizeof(in), state, 4, &got)) {
        LastError();
        return 0;
    }
    return got == 4 && state[0] == 0 ? 1 : 0;
}

// A 4-byte value for the driver.
int32_t CUnitLink::SetValue(uint32_t value) {
    uint32_t got = 0;
    return m_device ? Control(m_device, kIoSetValue, &value, sizeof(value), nullptr, 0, &got) : 0;
}

// USB only.
int32_t CUnitLink::VendorInfo(void* out, uint32_t size) {
    if (!m_device || m_kind != kTransportUsb || !out || size < kVendorInfoBytes) return 0;
    uint8_t info[kVendorInfoBytes] = {};
    uint32_t got = 0;
    if (!Control(m_device, kIoVendorInfo, nullptr, 0, info, sizeof(info), &got) || got != sizeof(info)) return 0;
    memcpy(out, info, sizeof(info));
    return 1;
}

// The adapter's 16 bytes; 1 only when all 16 came.
int32_t CUnitLink::AdapterRead(uint8_t out[kAdapterBytes]) {
    if (!m_device || !out) return 0;
    uint8_t buffer[kAdapterReadBuffer] = {};
    uint32_t got = 0;
    if (!Control(m_device, kIoAdapterRead, nullptr, 0, buffer, sizeof(buffer), &got) || got != kAdapterBytes) return 0;
    memcpy(out, buffer, kAdapterBytes);
    return 1;
}

// The adapter's answer byte, or -1 (a failed call, or an answer with bit 7 set).
int32_t CUnitLink::AdapterWrite(const uint8_t* bytes, uint32_t count) {
    if (!m_device || count > kAdapterBytes || (count && !bytes)) return -1;
    uint8_t answer = 0;
    uint32_t got = 0;
    if (!Control(m_device, kIoAdapterWrite, bytes, count, &answer, sizeof(answer), &got) || got != sizeof(answer) ||
        (answer & kAdapterWriteFailed))
        return -1;
    return answer;
}

// 2 when the adapter's mode value is non-zero, 1 when it is zero, 0 when it cannot be read.
int32_t CUnitLink::AdapterMode() {
    uint32_t mode = 0;
    uint32_t got = 0;
    if (!m_device || !Control(m_device, kIoAdapterMode, nullptr, 0, &mode, sizeof(mode), &got) || got != sizeof(mode))
        return 0;
    return mode ? 2 : 1;
}

// The driver's revision text (up to 32 bytes).
int32_t CUnitLink::DriverRevision(char out[kDriverRevisionBytes + 1]) {
    if (!m_device || !out) return 0;
    char text[kDriverRevisionBytes] = {};
    uint32_t got = 0;
    if (!Control(m_device, kIoDriverRevision, nullptr, 0, text, sizeof(text), &got) || got == 0) return 0;
    memcpy(out, text, got);
    out[got] = '\0';
    return 1;
}
