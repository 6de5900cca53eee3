// The unit link: driver choice and the open/close of the driver's device.
#include "devlib/acquisition/unitlink.h"

#include "devlib/acquisition/device.h"
#include "devlib/services/regkey.h"
#include "devlib/vk40.h"

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

void CloseHandleOnce(HANDLE& h)
{
    if (h) {
        CloseHandle(h);
        h = nullptr;
    }
}

}  // namespace

// The transport a device path stands for (0 when it is none of the unit's drivers).
int32_t TransportKindFromPath(const char* path)
{
    if (!path)
        return kTransportNone;
    for (const stTransportPath& entry : kTransportPaths) {
        if (strcmp(entry.path, path) == 0)
            return entry.kind;
    }
    return kTransportNone;
}

// Looks for the unit's driver. The packet transport is not built yet, so even a driver that
// opens is closed again and the link reports no unit.
int32_t CUnitLink::Open(const char* path, int32_t kind)
{
    m_kind = (kind >= kTransportIsa && kind <= kTransportUsb) ? kind : TransportKindFromPath(path);
    ProbeUnitDriver(path);
    if (m_kind == kTransportNone || !path)
        return 0;
    if (m_path[0] == '\0')
        lstrcpynA(m_path, path, sizeof(m_path));

    // USB opens the adapter first; the other transports open the device itself.
    HANDLE h = CreateFileA(m_path, GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_NEW, 0, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return 0;
    CloseHandle(h);
    return 0;
}

// Closes whatever is open; the transport kind survives.
void CUnitLink::Close()
{
    CloseHandleOnce(m_device);
    CloseHandleOnce(m_adapter);
}

// A query answered by the unit. No transport yet: answers 0, as without a unit.
int32_t CUnitLink::QueryCommand(uint8_t, uint16_t, const uint8_t*, uint16_t, uint8_t*)
{
    return 0;
}

// A set command acknowledged by the unit. No transport yet: answers 0, as without a unit.
int32_t CUnitLink::SetCommand(uint8_t, uint16_t, const uint8_t*)
{
    return 0;
}

// The device path and transport kind to open, from the machine's driver settings. Without them
// the outputs keep what the caller put there (the USB path) and the answer is 0. The NT 4 service
// probe for the old ISA and PC-card drivers is not done.
int32_t GetDriverName(char* path260, int32_t* kind)
{
    if (!path260 || !kind)
        return 0;
    RegKey key(HKEY_LOCAL_MACHINE, kDriverSettingsKey, KEY_READ);
    char name[MAX_PATH - 4] = {};
    if (!key.ReadString("DriverName", name, sizeof(name)))
        return 0;
    uint32_t type = 0;
    key.ReadDword("DriverType", &type);
    lstrcpyA(path260, "\\\\.\\");
    lstrcatA(path260, name);
    *kind = static_cast<int32_t>(type);
    return 1;
}
