// The simulated unit's driver: the device names it opens, the control codes it answers and the
// packets it carries to the unit, as the unit's kernel-mode driver would. It reads the test
// controls at every call, keeps the unit's clock and writes the packet log.
#include "devlib/acquisition/unit/transport.h"

#include "devlib/simulated/simcontrol.h"
#include "devlib/simulated/simpacket.h"
#include "devlib/simulated/simring.h"
#include "devlib/simulated/simunit.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

namespace {

// Driver control codes.
constexpr uint32_t kIoctlPacket = 0x9500200C;
constexpr uint32_t kIoctlReadData = 0x95006008;
constexpr uint32_t kIoctlWriteLegacy = 0x9500A004;
constexpr uint32_t kIoctlWriteUsb = 0x95002054;
constexpr uint32_t kIoctlResetPipe = 0x95002065;
constexpr uint32_t kIoctlPing = 0x950020A0;
constexpr uint32_t kIoctlLastError = 0x95002074;
constexpr uint32_t kIoctlDriverStatus = 0x95002078;
constexpr uint32_t kIoctlUnitState = 0x9500207C;
constexpr uint32_t kIoctlSetValue = 0x95002069;
constexpr uint32_t kIoctlVendorInfo = 0x950020A4;
constexpr uint32_t kIoctlAdapterRead = 0x950020A8;
constexpr uint32_t kIoctlAdapterWrite = 0x950020AC;
constexpr uint32_t kIoctlAdapterMode = 0x950020B0;
constexpr uint32_t kIoctlUnitCount = 0x950020B4;
constexpr uint32_t kIoctlUnitName = 0x950020B8;
constexpr uint32_t kIoctlDriverRevision = 0x950020C8;

constexpr uint8_t kPingAnswer = 3;
constexpr uint32_t kAdapterBytes = 16;
constexpr uint32_t kUnitNameBytes = 82;
constexpr uint32_t kUnitNameAt = 14;
constexpr uint32_t kVendorBytes = 6;
constexpr uint16_t kVendorId = 0x1D4F;
constexpr uint16_t kVendorRelease = 0x0210;
constexpr uint32_t kRevisionBytes = 32;
constexpr char kDriverRevision[] = "0412";

// The names the driver answers to. Behind each USB adapter name sits one unit, opened by the
// name the adapter gives; the ISA and PC-card names open their unit directly.
struct stSimDevice {
    const char* path;
    int32_t kind;
    int32_t model;
    bool adapter;
    uint32_t port;
};

constexpr stSimDevice kDevices[] = {
    {"\\\\.\\VKUSB", kSimKindUsb, 40, true, 0},      {"\\\\.\\VKUSB-0", kSimKindUsb, 40, false, 0},
    {"\\\\.\\VKUSB45", kSimKindUsb, 45, true, 1},    {"\\\\.\\VKUSB45-0", kSimKindUsb, 45, false, 1},
    {"\\\\.\\VKISA.VXD", kSimKindIsa, 40, false, 2}, {"\\\\.\\VKPCM.VXD", kSimKindPcCard, 40, false, 3},
};
constexpr uint32_t kPorts = 4;
constexpr uint32_t kHandles = 16;
constexpr uintptr_t kHandleBase = 0x5E100;

// The driver's side of one unit: the unit while it has power, the pipe and the driver's values.
struct stSimPort {
    std::unique_ptr<CSimUnit> unit;
    uint32_t power = 0;  // power-ons so far; a handle from an earlier one is dead
    bool stalled = false;
    uint32_t lastError = kSimErrNone;
    uint32_t driverValue = 0;
    uint8_t adapterData[kAdapterBytes] = {};
};

struct stSimHandle {
    bool used = false;
    uint32_t device = 0;
    uint32_t power = 0;
};

struct stSimDriver {
    SRWLOCK lock = SRWLOCK_INIT;
    stSimPort ports[kPorts];
    stSimHandle handles[kHandles];
    uint8_t replyData[kSimMaxReply];
    uint8_t reply[kSimMaxReply + 2];
};

stSimDriver g_sim;

// One call at a time, whichever thread makes it.
class CSimLock {
public:
    CSimLock() { AcquireSRWLockExclusive(&g_sim.lock); }
    ~CSimLock() { ReleaseSRWLockExclusive(&g_sim.lock); }
    CSimLock(const CSimLock&) = delete;
    CSimLock& operator=(const CSimLock&) = delete;
};

// --- The controls ---

class CControlKey {
public:
    explicit CControlKey(REGSAM access) {
        char path[MAX_PATH];
        SimControlKeyPath(path, sizeof(path));
        if (RegOpenKeyExA(HKEY_CURRENT_USER, path, 0, access, &m_key) != ERROR_SUCCESS) m_key = nullptr;
    }
    ~CControlKey() {
        if (m_key) RegCloseKey(m_key);
    }
    CControlKey(const CControlKey&) = delete;
    CControlKey& operator=(const CControlKey&) = delete;

    explicit operator bool() const { return m_key != nullptr; }

    // A DWORD or QWORD value.
    bool Number(const char* name, uint64_t* out) const {
        DWORD type = 0;
        uint64_t value = 0;
        DWORD size = sizeof(value);
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(&value), &size) != ERROR_SUCCESS)
            return false;
        if (!((type == REG_DWORD && size == 4) || (type == REG_QWORD && size == 8))) return false;
        *out = value;
        return true;
    }
    template <typename T>
    void Read(const char* name, T* out) const {
        uint64_t v = 0;
        if (Number(name, &v)) *out = static_cast<T>(v);
    }
    bool Text(const char* name, char* out, DWORD size) const {
        DWORD type = 0;
        DWORD got = size - 1;
        if (RegQueryValueExA(m_key, name, nullptr, &type, reinterpret_cast<BYTE*>(out), &got) != ERROR_SUCCESS ||
            type != REG_SZ) {
            out[0] = '\0';
            return false;
        }
        out[got < size ? got : size - 1] = '\0';
        return true;
    }
    void SetDword(const char* name, uint32_t value) const {
        const DWORD v = value;
        RegSetValueExA(m_key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&v), sizeof(v));
    }
    void SetQword(const char* name, uint64_t value) const {
        RegSetValueExA(m_key, name, 0, REG_QWORD, reinterpret_cast<const BYTE*>(&value), sizeof(value));
    }

private:
    HKEY m_key = nullptr;
};

void ReadInputControls(const CControlKey& key, stSimControls* c) {
    char name[32];
    for (uint32_t i = 0; i < kSimInputs; ++i) {
        snprintf(name, sizeof(name), "%s%u", kSimSignalPrefix, i + 1);
        key.Read(name, &c->signal[i]);
        snprintf(name, sizeof(name), "%s%u", kSimAmplitudePrefix, i + 1);
        key.Read(name, &c->amplitudeUv[i]);
        snprintf(name, sizeof(name), "%s%u", kSimFrequencyPrefix, i + 1);
        key.Read(name, &c->frequencyMilliHz[i]);
    }
    key.Read(kSimSignalDigital, &c->digitalSignal);
    key.Read(kSimFrequencyDigital, &c->digitalFrequencyMilliHz);
    key.Read(kSimImpedance1, &c->impedanceOhms[0]);
    key.Read(kSimImpedance2, &c->impedanceOhms[1]);
    key.Read(kSimNoiseSeed, &c->noiseSeed);
}

// The controls as they stand; the defaults where the key or a value is missing.
stSimControls ReadControls() {
    stSimControls c;
    const CControlKey key(KEY_QUERY_VALUE);
    if (!key) return c;
    uint32_t flag = 0;
    key.Read(kSimAbsent, &flag);
    c.absent = flag != 0;
    ReadInputControls(key, &c);
    flag = 0;
    key.Read(kSimVirtualClock, &flag);
    c.virtualClock = flag != 0;
    key.Read(kSimClockUs, &c.clockUs);
    key.Read(kSimClockStepUs, &c.clockStepUs);
    key.Read(kSimFault, &c.fault);
    key.Read(kSimFaultCommand, &c.faultCommand);
    key.Read(kSimFaultCount, &c.faultCount);
    key.Read(kSimStatusError, &c.statusError);
    flag = 0;
    key.Read(kSimStatusNotReady, &flag);
    c.statusNotReady = flag != 0;
    key.Read(kSimStimulatorError, &c.stimulatorError);
    flag = 0;
    key.Read(kSimRingStalled, &flag);
    c.ringStalled = flag != 0;
    key.Read(kSimExternalTriggerFrame, &c.externalTriggerFrame);
    key.Read(kSimRecordedBytesExtra, &c.recordedBytesExtra);
    c.hasDescription = key.Text(kSimDescription, c.description, sizeof(c.description));
    key.Text(kSimLogFile, c.logFile, sizeof(c.logFile));
    return c;
}

// The fault that hits this command's packet, if any; a counted fault is counted down in the key.
uint32_t TakeFault(const stSimControls& c, uint8_t command) {
    if (c.fault == kSimFaultNone || c.faultCount == 0) return kSimFaultNone;
    if (c.faultCommand != kSimAnyCommand && c.faultCommand != command) return kSimFaultNone;
    if (c.faultCount != kSimForever) {
        const CControlKey key(KEY_SET_VALUE);
        if (key) key.SetDword(kSimFaultCount, c.faultCount - 1);
    }
    return c.fault;
}

// A virtual clock that runs while the host talks to the unit moves on at every call.
void StepClock(stSimControls* c) {
    if (!c->virtualClock || c->clockStepUs == 0) return;
    c->clockUs += c->clockStepUs;
    const CControlKey key(KEY_SET_VALUE);
    if (key) key.SetQword(kSimClockUs, c->clockUs);
}

// The unit's clock: the virtual one when asked for, else the high-resolution counter.
uint64_t NowNs(const stSimControls& c) {
    if (c.virtualClock) return c.clockUs * 1000;
    LARGE_INTEGER count;
    LARGE_INTEGER frequency;
    QueryPerformanceCounter(&count);
    QueryPerformanceFrequency(&frequency);
    const uint64_t f = static_cast<uint64_t>(frequency.QuadPart);
    const uint64_t n = static_cast<uint64_t>(count.QuadPart);
    return f ? (n / f) * 1000000000ull + (n % f) * 1000000000ull / f : 0;
}

// --- The packet log ---

std::string Hex(const uint8_t* bytes, uint32_t count) {
    static const char kDigits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(count * 3);
    for (uint32_t i = 0; i < count; ++i) {
        if (i) s += ' ';
        s += kDigits[bytes[i] >> 4];
        s += kDigits[bytes[i] & 15];
    }
    return s;
}

void Log(const stSimControls& c, const std::string& line) {
    if (!c.logFile[0]) return;
    HANDLE f = CreateFileA(c.logFile, FILE_APPEND_DATA, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr, OPEN_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return;
    const std::string text = line + "\r\n";
    DWORD written = 0;
    WriteFile(f, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(f);
}

// --- Handles and power ---

const stSimDevice* FindDevice(const char* path) {
    for (const stSimDevice& d : kDevices) {
        if (lstrcmpiA(d.path, path) == 0) return &d;
    }
    return nullptr;
}

stSimHandle* FindHandle(HANDLE h) {
    const uintptr_t v = reinterpret_cast<uintptr_t>(h);
    if (v < kHandleBase || (v - kHandleBase) % 4 != 0 || (v - kHandleBase) / 4 >= kHandles) return nullptr;
    stSimHandle* handle = &g_sim.handles[(v - kHandleBase) / 4];
    return handle->used ? handle : nullptr;
}

// Unplugged: every unit loses its power and what it held; open handles die with it.
void PowerOffAll() {
    for (stSimPort& port : g_sim.ports) {
        port.unit.reset();
        ++port.power;
        port.stalled = false;
        port.lastError = kSimErrNotConnected;
    }
}

bool DeviceIsOpen(uint32_t device) {
    for (const stSimHandle& h : g_sim.handles) {
        if (h.used && h.device == device) return true;
    }
    return false;
}

// --- One control call ---

struct stSimCall {
    const stSimDevice& device;
    stSimPort& port;
    const stSimControls& controls;
    uint64_t nowNs;
    uint32_t code;
    const uint8_t* in;
    uint32_t inSize;
    uint8_t* out;
    uint32_t outSize;
    uint32_t returned = 0;
    uint32_t error = kSimErrNone;
};

bool Fail(stSimCall& call, uint32_t error) {
    call.error = error;
    call.returned = 0;
    return false;
}

// No answer came: on USB the pipe stalls until it is reset.
bool NoReply(stSimCall& call) {
    if (call.device.kind == kSimKindUsb) call.port.stalled = true;
    return Fail(call, kSimErrTimeout);
}

bool IsUsbCode(uint32_t code) {
    switch (code) {
    case kIoctlWriteUsb:
    case kIoctlResetPipe:
    case kIoctlPing:
    case kIoctlLastError:
    case kIoctlDriverStatus:
    case kIoctlUnitState:
    case kIoctlSetValue:
    case kIoctlVendorInfo:
    case kIoctlAdapterRead:
    case kIoctlAdapterWrite:
    case kIoctlAdapterMode:
    case kIoctlDriverRevision: return true;
    default: return false;
    }
}

// The unit's framed answer to a packet, with the fault that hits it, into g_sim.reply; a bad
// checksum is refused. Returns its size.
uint32_t UnitAnswer(stSimCall& call, SimParse parse, const stSimPacket& packet, uint32_t fault) {
    uint32_t r = 1;
    if (parse == SimParse::BadChecksum)
        g_sim.replyData[0] = kSimNak;
    else
        r = call.port.unit->Execute(packet.command, packet.data, packet.dataLength, call.nowNs, call.controls,
                                    g_sim.replyData, kSimMaxReply);
    if (fault == kSimFaultWrongLength) --r;
    const uint32_t size = SimFrameReply(g_sim.replyData, r, g_sim.reply, sizeof(g_sim.reply));
    if (fault == kSimFaultBadChecksum) ++g_sim.reply[size - 1];
    return size;
}

// The bytes reach the unit: what is no packet it ignores, a lost packet it never sees, and the
// answer to any other goes out behind whatever the unit had still to send.
void Deliver(stSimCall& call, stSimPacket* packet) {
    const SimParse parse = SimParsePacket(call.device.kind, call.in, call.inSize, packet);
    if (parse != SimParse::Ok && parse != SimParse::BadChecksum) return;
    const uint32_t fault = TakeFault(call.controls, packet->command);
    if (fault == kSimFaultNoReply) return;
    call.port.unit->QueueStream(g_sim.reply, UnitAnswer(call, parse, *packet, fault));
}

// Command code: the packet goes out, then as many bytes as the caller's buffer holds come back
// from the unit (on the PC card as many as the prefix asks for). Bytes left over from an earlier
// exchange come first; when nothing comes the call times out.
bool PacketCall(stSimCall& call) {
    if (call.port.stalled) return Fail(call, kSimErrStalled);
    stSimPacket packet;
    Deliver(call, &packet);
    uint32_t want = call.outSize;
    if (packet.replyBytes >= 0 && static_cast<uint32_t>(packet.replyBytes) < want)
        want = static_cast<uint32_t>(packet.replyBytes);
    const uint32_t got = call.out ? call.port.unit->ReadStream(call.out, want) : 0;
    if (got == 0) return NoReply(call);
    call.returned = got;
    return true;
}

// Write code: the bytes are taken whole, and the count returned is of the bytes taken (a write
// has no output); the answer waits on the data stream.
bool WriteCall(stSimCall& call) {
    const bool usb = call.device.kind == kSimKindUsb;
    if (usb != (call.code == kIoctlWriteUsb)) return Fail(call, kSimErrBadRequest);
    if (call.port.stalled) return Fail(call, kSimErrStalled);
    stSimPacket packet;
    Deliver(call, &packet);
    call.returned = call.inSize;
    return true;
}

bool ReadCall(stSimCall& call) {
    if (call.port.stalled) return Fail(call, kSimErrStalled);
    call.returned = call.out ? call.port.unit->ReadStream(call.out, call.outSize) : 0;
    return true;
}

bool Answer(stSimCall& call, const uint8_t* bytes, uint32_t count) {
    if (!call.out || call.outSize < count) return Fail(call, kSimErrBadRequest);
    memcpy(call.out, bytes, count);
    call.returned = count;
    return true;
}

bool AnswerLE32(stSimCall& call, uint32_t value) {
    uint8_t bytes[4];
    PutLeU32(bytes, value);
    return Answer(call, bytes, 4);
}

// The USB driver's own calls: pipe, ping, errors, unit state, vendor and adapter data.
bool UsbCall(stSimCall& call) {
    stSimPort& port = call.port;
    switch (call.code) {
    case kIoctlResetPipe:
        port.stalled = false;  // what the unit has still to send stays: the recovery drains it
        return true;
    case kIoctlPing: {
        if (port.stalled) return Fail(call, kSimErrStalled);
        if (call.inSize < 1 || call.in[0] != kPingAnswer) return Fail(call, kSimErrBadRequest);
        return Answer(call, &kPingAnswer, 1);
    }
    case kIoctlLastError: return AnswerLE32(call, port.lastError);
    case kIoctlDriverStatus: return AnswerLE32(call, 1);
    case kIoctlUnitState: {
        if (port.stalled) return Fail(call, kSimErrStalled);
        if (call.inSize < 1) return Fail(call, kSimErrBadRequest);
        const uint32_t pending = port.unit->StreamPending();
        const uint8_t state[4] = {0, static_cast<uint8_t>(call.controls.statusNotReady ? 0 : 1),
                                  static_cast<uint8_t>(pending > 255 ? 255 : pending), 0};
        return Answer(call, state, 4);
    }
    case kIoctlSetValue:
        if (call.inSize < 4) return Fail(call, kSimErrBadRequest);
        port.driverValue = GetLeU32(call.in);
        return true;
    case kIoctlVendorInfo: {
        const uint16_t product = static_cast<uint16_t>(call.device.model == 45 ? 0x0045 : 0x0040);
        const uint8_t info[kVendorBytes] = {kVendorId & 0xFF,
                                            kVendorId >> 8,
                                            static_cast<uint8_t>(product),
                                            static_cast<uint8_t>(product >> 8),
                                            kVendorRelease & 0xFF,
                                            kVendorRelease >> 8};
        return Answer(call, info, kVendorBytes);
    }
    case kIoctlAdapterRead: return Answer(call, port.adapterData, kAdapterBytes);
    case kIoctlAdapterWrite: {
        if (call.inSize < 1 || call.inSize > kAdapterBytes) return Fail(call, kSimErrBadRequest);
        memcpy(port.adapterData, call.in, call.inSize);
        const uint8_t written = static_cast<uint8_t>(call.inSize);
        return Answer(call, &written, 1);
    }
    case kIoctlAdapterMode: return AnswerLE32(call, 1);
    case kIoctlDriverRevision: {
        if (call.device.model != 40) return Fail(call, kSimErrBadRequest);
        uint8_t text[kRevisionBytes] = {};
        memcpy(text, kDriverRevision, sizeof(kDriverRevision) - 1);
        return Answer(call, text, kRevisionBytes);
    }
    default: return Fail(call, kSimErrBadRequest);
    }
}

// The adapter answers only how many units it has and the name of unit 0.
bool AdapterCall(stSimCall& call) {
    if (call.code == kIoctlUnitCount) return AnswerLE32(call, 1);
    if (call.code != kIoctlUnitName || call.inSize < 4 || call.in[0] || call.in[1] || call.in[2] || call.in[3])
        return Fail(call, kSimErrBadRequest);
    uint8_t record[kUnitNameBytes] = {};
    const char* name = call.device.model == 45 ? kSimUsbUnitName45 : kSimUsbUnitName40;
    record[4] = kVendorId & 0xFF;
    record[5] = kVendorId >> 8;
    record[6] = static_cast<uint8_t>(call.device.model == 45 ? 0x45 : 0x40);
    memcpy(record + kUnitNameAt, name, strlen(name));
    return Answer(call, record, kUnitNameBytes);
}

bool Dispatch(stSimCall& call) {
    if (call.device.adapter) return AdapterCall(call);
    switch (call.code) {
    case kIoctlPacket: return PacketCall(call);
    case kIoctlReadData: return ReadCall(call);
    case kIoctlWriteLegacy:
    case kIoctlWriteUsb: return WriteCall(call);
    default:
        if (call.device.kind != kSimKindUsb || !IsUsbCode(call.code)) return Fail(call, kSimErrBadRequest);
        return UsbCall(call);
    }
}

void LogCall(const stSimControls& c, uint32_t code, const uint8_t* in, uint32_t inSize, const uint8_t* out,
             uint32_t returned, bool ok) {
    if (!c.logFile[0]) return;
    switch (code) {
    case kIoctlPacket:
        Log(c, "> " + Hex(in, inSize));
        Log(c, ok ? "< " + Hex(out, returned) : std::string("< none"));
        return;
    case kIoctlWriteLegacy:
    case kIoctlWriteUsb: Log(c, "w " + Hex(in, inSize) + (ok ? "" : " -> fail")); return;
    case kIoctlReadData:
        Log(c, !ok ? std::string("r fail") : returned ? "r " + Hex(out, returned) : std::string("r"));
        return;
    default: {
        char head[32];
        snprintf(head, sizeof(head), "ioctl %08X ", static_cast<unsigned>(code));
        const std::string input = inSize ? Hex(in, inSize) : "-";
        const std::string output = !ok ? "fail" : returned ? Hex(out, returned) : "-";
        Log(c, head + input + " -> " + output);
    }
    }
}

DWORD WindowsError(uint32_t error) {
    switch (error) {
    case kSimErrTimeout: return ERROR_SEM_TIMEOUT;
    case kSimErrStalled: return ERROR_IO_DEVICE;
    case kSimErrNotConnected: return ERROR_DEVICE_NOT_CONNECTED;
    default: return ERROR_INVALID_FUNCTION;
    }
}

// --- The transport's three operations ---

int32_t FreeHandleSlot() {
    for (uint32_t i = 0; i < kHandles; ++i) {
        if (!g_sim.handles[i].used) return static_cast<int32_t>(i);
    }
    return -1;
}

// Opens a device name as CreateFileA would open the driver's: no sharing, and nothing while the
// unit is unplugged. The unit powers on with its first open.
HANDLE SimOpen(void*, const char* path) {
    CSimLock lock;
    const stSimControls c = ReadControls();
    const stSimDevice* device = path ? FindDevice(path) : nullptr;
    if (device && c.absent) PowerOffAll();
    const uint32_t index = device ? static_cast<uint32_t>(device - kDevices) : 0;
    const int32_t slot = FreeHandleSlot();
    const DWORD error = !device || c.absent   ? ERROR_FILE_NOT_FOUND
                        : DeviceIsOpen(index) ? ERROR_SHARING_VIOLATION
                        : slot < 0            ? ERROR_TOO_MANY_OPEN_FILES
                                              : ERROR_SUCCESS;
    if (error != ERROR_SUCCESS) {
        Log(c, std::string("open ") + (path ? path : "") + " failed");
        SetLastError(error);
        return nullptr;
    }
    stSimPort& port = g_sim.ports[device->port];
    if (!port.unit) {
        port.unit = std::make_unique<CSimUnit>(device->model, c, NowNs(c));
        port.stalled = false;
        port.lastError = kSimErrNone;
    }
    g_sim.handles[slot] = {true, index, port.power};
    Log(c, std::string("open ") + path);
    return reinterpret_cast<HANDLE>(kHandleBase + 4 * static_cast<uintptr_t>(slot));
}

int32_t SimControl(void*, HANDLE h, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                   uint32_t* returned) {
    CSimLock lock;
    if (returned) *returned = 0;
    stSimControls c = ReadControls();
    StepClock(&c);
    const auto* input = static_cast<const uint8_t*>(in);
    auto* output = static_cast<uint8_t*>(out);
    if (!input) inSize = 0;
    stSimHandle* handle = FindHandle(h);
    if (!handle) {
        LogCall(c, code, input, inSize, output, 0, false);
        SetLastError(ERROR_INVALID_HANDLE);
        return 0;
    }
    const stSimDevice& device = kDevices[handle->device];
    stSimPort& port = g_sim.ports[device.port];
    if (c.absent) PowerOffAll();
    stSimCall call{device, port, c, NowNs(c), code, input, inSize, output, output ? outSize : 0};
    bool ok = false;
    if (c.absent || !port.unit || handle->power != port.power) {
        Fail(call, kSimErrNotConnected);
    } else {
        port.unit->Advance(call.nowNs, c);
        ok = Dispatch(call);
    }
    LogCall(c, code, input, inSize, output, call.returned, ok);
    if (!ok) {
        port.lastError = call.error;
        SetLastError(WindowsError(call.error));
        return 0;
    }
    if (returned) *returned = call.returned;
    return 1;
}

void SimClose(void*, HANDLE h) {
    CSimLock lock;
    stSimHandle* handle = FindHandle(h);
    if (!handle) return;
    Log(ReadControls(), std::string("close ") + kDevices[handle->device].path);
    *handle = stSimHandle{};
}

// The clock the unit samples by, so a run's elapsed time follows a virtual clock too.
uint64_t SimClockUs(void*) {
    CSimLock lock;
    stSimControls c;
    const CControlKey key(KEY_QUERY_VALUE);
    if (key) {
        uint32_t flag = 0;
        key.Read(kSimVirtualClock, &flag);
        c.virtualClock = flag != 0;
        key.Read(kSimClockUs, &c.clockUs);
    }
    return NowNs(c) / 1000ull;
}

const stTransportOps kSimTransport = {SimOpen, SimControl, SimClose, nullptr, SimClockUs};

}  // namespace

// The simulated unit's transport table, in place of the driver's.
extern "C" __declspec(dllexport) const stTransportOps* VKSimTransport(void) { return &kSimTransport; }
