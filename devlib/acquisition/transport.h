// The operations through which the unit link reaches a unit. The unit's kernel-mode driver is one
// implementation; anything else that answers the unit's protocol is another table of the same
// three operations, and the link does not know which one it talks to.
#pragma once

#include <windows.h>

#include <cstdint>

struct stTransportOps {
    // Opens a device path; null when it cannot be opened.
    HANDLE (*open)(void* context, const char* path);
    // One control call on an open device; 1 with *returned set to the output count, else 0.
    int32_t (*control)(void* context, HANDLE device, uint32_t code, const void* in, uint32_t inSize, void* out,
                       uint32_t outSize, uint32_t* returned);
    void (*close)(void* context, HANDLE device);
    void* context;  // handed back as the first argument of every operation
};

// The unit's driver: CreateFileA on its device path, DeviceIoControl and CloseHandle.
extern const stTransportOps g_driverTransport;

// Calls through a transport table. Each holds the null checks: without a table, an entry or (for
// control and close) a device nothing is called and the answer is null or 0.
inline HANDLE TransportOpen(const stTransportOps* t, const char* path)
{
    return t && t->open && path ? t->open(t->context, path) : nullptr;
}

inline int32_t TransportControl(const stTransportOps* t, HANDLE device, uint32_t code, const void* in,
                                uint32_t inSize, void* out, uint32_t outSize, uint32_t* returned)
{
    if (!t || !t->control || !device)
        return 0;
    return t->control(t->context, device, code, in, inSize, out, outSize, returned);
}

inline void TransportClose(const stTransportOps* t, HANDLE device)
{
    if (t && t->close && device)
        t->close(t->context, device);
}
