// The operations through which the unit link reaches a unit. The unit's kernel-mode driver is one
// implementation; anything else that answers the unit's protocol is another table of the same
// operations, and the link does not know which one it talks to.
#pragma once

#include <windows.h>

#include <cstdint>

struct stTransportOps {
    // Opens a device path; null when it cannot be opened.
    HANDLE (*open)(void* context, const char* path);
    // One control call on an open device; 1 with *returned set to the output count (for a write
    // code, which has no output, the count of bytes taken), else 0.
    int32_t (*control)(void* context, HANDLE device, uint32_t code, const void* in, uint32_t inSize, void* out,
                       uint32_t outSize, uint32_t* returned);
    void (*close)(void* context, HANDLE device);
    void* context;  // handed back as the first argument of every operation
    // The time the unit samples by, in microseconds: a run's elapsed time, the frames a stopped
    // run can have recorded and the wait before an automatic restart are measured on it. Null:
    // the system's performance counter.
    uint64_t (*clockUs)(void* context);
};

// The driver's control codes. Unless a code says otherwise it goes to the unit's device handle.
constexpr uint32_t kIoAdapterUnitCount = 0x950020B4;  // adapter handle; out: 4-byte count of units
constexpr uint32_t kIoAdapterUnitName = 0x950020B8;   // adapter handle; in: 4-byte index; out: 82 bytes
constexpr uint32_t kIoPacket = 0x9500200C;            // in: a packet; out: its reply
constexpr uint32_t kIoReadData = 0x95006008;          // out: bytes of the data stream
constexpr uint32_t kIoWriteData = 0x9500A004;         // in: bytes (ISA, PC card)
constexpr uint32_t kIoWriteUsb = 0x95002054;          // in: bytes (USB)
constexpr uint32_t kIoResetPipe = 0x95002065;
constexpr uint32_t kIoPing = 0x950020A0;            // in: 1 byte, 3; out: 1 byte, 3
constexpr uint32_t kIoLastError = 0x95002074;       // out: 4 bytes
constexpr uint32_t kIoStatus = 0x95002078;          // out: 4 bytes
constexpr uint32_t kIoUnitState = 0x9500207C;       // in: 1 byte; out: 4 bytes
constexpr uint32_t kIoSetValue = 0x95002069;        // in: 4 bytes
constexpr uint32_t kIoVendorInfo = 0x950020A4;      // out: 6 bytes
constexpr uint32_t kIoAdapterRead = 0x950020A8;     // out: 16 bytes (20-byte buffer)
constexpr uint32_t kIoAdapterWrite = 0x950020AC;    // in: up to 16 bytes; out: 1 byte
constexpr uint32_t kIoAdapterMode = 0x950020B0;     // out: 4 bytes
constexpr uint32_t kIoDriverRevision = 0x950020C8;  // out: 32 bytes of text

// The unit's driver: CreateFileA on its device path, DeviceIoControl and CloseHandle.
extern const stTransportOps g_driverTransport;

// Calls through a transport table. Each holds the null checks: without a table, an entry or (for
// control and close) a device nothing is called and the answer is null or 0.
inline HANDLE TransportOpen(const stTransportOps* t, const char* path) {
    return t && t->open && path ? t->open(t->context, path) : nullptr;
}

inline int32_t TransportControl(const stTransportOps* t, HANDLE device, uint32_t code, const void* in, uint32_t inSize,
                                void* out, uint32_t outSize, uint32_t* returned) {
    if (!t || !t->control || !device) return 0;
    return t->control(t->context, device, code, in, inSize, out, outSize, returned);
}

inline void TransportClose(const stTransportOps* t, HANDLE device) {
    if (t && t->close && device) t->close(t->context, device);
}

inline uint64_t TransportClockUs(const stTransportOps* t) {
    if (t && t->clockUs) return t->clockUs(t->context);
    LARGE_INTEGER now{}, frequency{};
    if (!QueryPerformanceFrequency(&frequency) || frequency.QuadPart <= 0 || !QueryPerformanceCounter(&now))
        return GetTickCount64() * 1000ull;
    const uint64_t ticks = static_cast<uint64_t>(now.QuadPart), perSecond = static_cast<uint64_t>(frequency.QuadPart);
    return ticks / perSecond * 1000000ull + ticks % perSecond * 1000000ull / perSecond;
}
