// The unit's kernel-mode driver as a transport: the device path opened as a file, control codes
// sent with DeviceIoControl.
#include "devlib/acquisition/unit/transport.h"

namespace {

// Read and write access, no sharing, a new file's disposition and no flags: what the driver expects.
HANDLE DriverOpen(void*, const char* path) {
    HANDLE h = CreateFileA(path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    return h == INVALID_HANDLE_VALUE ? nullptr : h;
}

int32_t DriverControl(void*, HANDLE device, uint32_t code, const void* in, uint32_t inSize, void* out, uint32_t outSize,
                      uint32_t* returned) {
    DWORD count = 0;
    const BOOL ok = DeviceIoControl(device, code, const_cast<void*>(in), inSize, out, outSize, &count, nullptr);
    if (returned) *returned = count;
    return ok ? 1 : 0;
}

void DriverClose(void*, HANDLE device) { CloseHandle(device); }

}  // namespace

const stTransportOps g_driverTransport = {DriverOpen, DriverControl, DriverClose, nullptr, nullptr};
