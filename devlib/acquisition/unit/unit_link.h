// The library's one link to the acquisition unit: it opens the unit through a transport (the
// unit's kernel-mode driver unless another table is set), frames commands into packets, checks
// the replies, reads the data stream and recovers a stalled USB pipe.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/acquisition/unit/packet.h"
#include "devlib/acquisition/unit/transport.h"

struct stAcq;

// Transport kinds.
constexpr int32_t kTransportNone = 0;
constexpr int32_t kTransportIsa = 1;
constexpr int32_t kTransportPcCard = 2;
constexpr int32_t kTransportUsb = 3;

constexpr char kDevicePrefix[] = "\\\\.\\";  // a driver path starts with it
constexpr char kDefaultDriverPath[] = "\\\\.\\VKUSB";
constexpr char kDriverSettingsKey[] = "Software\\NORVANE\\TVX3x\\DriverSettings\\0000";
constexpr REGSAM kMachineRead = KEY_READ | KEY_WOW64_64KEY;  // the machine's own view, also from 32-bit code

constexpr int32_t kUsbTries = 3;
constexpr int32_t kIsaTries = 10;
constexpr uint8_t kPingAnswer = 3;
constexpr uint32_t kAdapterBytes = 16;
constexpr uint32_t kVendorInfoBytes = 6;
constexpr uint32_t kDriverRevisionBytes = 32;

class CUnitLink {
public:
    using WaitFn = void (*)(uint32_t ms);

    CUnitLink() = default;
    ~CUnitLink();
    CUnitLink(const CUnitLink&) = delete;
    CUnitLink& operator=(const CUnitLink&) = delete;

    int32_t Open(const char* path, int32_t kind);
    void Close();

    // Commands with a reply of replyLength data bytes (a query) or an acknowledgement (a set).
    int32_t QueryCommand(uint8_t command, uint16_t dataLength, const uint8_t* data, uint16_t replyLength,
                         uint8_t* reply);
    int32_t SetCommand(uint8_t command, uint16_t dataLength, const uint8_t* data);
    int32_t ReadSamples(const uint8_t* request, uint16_t length, uint8_t* buffer, stAcq* acq);

    // The data stream and packets without a reply.
    int32_t ReadData(void* buffer, uint32_t size);
    int32_t WriteData(const void* bytes, uint32_t size);
    int32_t SendPacket(uint8_t command, uint16_t dataLength, const uint8_t* data);
    int32_t Drain(uint32_t size, void* buffer);
    int32_t Recover();

    // One driver control code each.
    int32_t Ping();
    int32_t ResetPipe();
    int32_t LastError();
    int32_t Status(uint32_t* status);
    int32_t UnitState(uint8_t state[4]);
    int32_t SetValue(uint32_t value);
    int32_t VendorInfo(void* out, uint32_t size);
    int32_t AdapterRead(uint8_t out[kAdapterBytes]);
    int32_t AdapterWrite(const uint8_t* bytes, uint32_t count);
    int32_t AdapterMode();
    int32_t DriverRevision(char out[kDriverRevisionBytes + 1]);

    int32_t IsOpen() const { return m_device != nullptr; }
    int32_t Kind() const { return m_kind; }
    const char* Path() const { return m_path; }

    // Closes the link (its handles belong to the transport that opened them) and takes another
    // transport; returns the one it replaces.
    const stTransportOps* SetTransport(const stTransportOps* transport);
    const stTransportOps* Transport() const { return m_transport; }

    // The link's pauses (after a USB close, in the recovery, between unit commands); a test
    // takes them over to stay fast and to see them.
    void Wait(uint32_t ms) const;
    WaitFn SetWait(WaitFn wait);

    // The unit's clock (the transport's; the system's performance counter for the driver), in
    // microseconds and in milliseconds that wrap as a tick count does.
    uint64_t ClockUs() const { return TransportClockUs(m_transport); }
    uint32_t ClockMs() const { return static_cast<uint32_t>(ClockUs() / 1000u); }

private:
    int32_t Exchange(uint8_t command, uint16_t dataLength, const uint8_t* data, uint16_t replyLength, bool set,
                     uint8_t* reply);
    int32_t ExchangeUsb(size_t packetLength, uint16_t replyLength, bool set);
    int32_t ExchangeIsa(size_t packetLength, uint16_t replyLength, bool set);
    bool ReplyAccepted(uint32_t count, uint16_t replyLength, bool set);
    int32_t Control(HANDLE device, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                    uint32_t* returned);
    int32_t OpenUsb();
    void CloseHandles();
    int32_t RecoverUsb();
    int32_t ClearIsaUnit();

    const stTransportOps* m_transport = &g_driverTransport;
    HANDLE m_adapter = nullptr;
    HANDLE m_device = nullptr;
    uint8_t m_packet[kPacketBufferSize] = {};  // outgoing packet, then the reply copied over it
    char m_path[MAX_PATH] = {};
    int32_t m_kind = kTransportIsa;
    uint8_t m_reply[kPacketBufferSize] = {};  // the raw reply of a query
    WaitFn m_wait = nullptr;                  // null: Sleep
};

extern CUnitLink g_unitLink;

int32_t TransportKindFromPath(const char* path);

// Whether the run-state record marks the unit as set up (the link's close then asks the
// stimulator status first).
int32_t IsUnitMarkedInitialised();
