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

void CloseOnce(const stTransportOps* transport, HANDLE& h)
{
    TransportClose(transport, h);
    h = nullptr;
}

constexpr char kDevicePrefix[] = "\\\\.\\";

// A bare device name: no folder separators and no drive colon, so "\\.\" + name can only
// name a device, never a file that opening would create.
bool IsDeviceName(const char* name)
{
    return name && *name && !std::strpbrk(name, "\\/:");
}

// "\\.\" followed by a bare device name.
bool IsDevicePath(const char* path)
{
    const size_t prefix = sizeof(kDevicePrefix) - 1;
    return path && std::strncmp(path, kDevicePrefix, prefix) == 0 && IsDeviceName(path + prefix);
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

// Looks for the unit through the transport. Packets are not framed yet, so even a device that
// opens is closed again and the link reports no unit.
int32_t CUnitLink::Open(const char* path, int32_t kind)
{
    m_kind = (kind >= kTransportIsa && kind <= kTransportUsb) ? kind : TransportKindFromPath(path);
    ProbeUnitDriver(path);
    if (m_kind == kTransportNone || !IsDevicePath(path))
        return 0;
    if (m_path[0] == '\0')
        lstrcpynA(m_path, path, sizeof(m_path));

    HANDLE h = TransportOpen(m_transport, m_path);
    if (!h)
        return 0;
    TransportClose(m_transport, h);
    return 0;
}

// Closes whatever is open; the transport kind survives.
void CUnitLink::Close()
{
    CloseOnce(m_transport, m_device);
    CloseOnce(m_transport, m_adapter);
}

const stTransportOps* CUnitLink::SetTransport(const stTransportOps* transport)
{
    Close();
    const stTransportOps* previous = m_transport;
    m_transport = transport;
    return previous;
}

// A query answered by the unit. No packets yet: answers 0, as without a unit, and sends nothing.
int32_t CUnitLink::QueryCommand(uint8_t, uint16_t, const uint8_t*, uint16_t, uint8_t*)
{
    return 0;
}

// A set command acknowledged by the unit. No packets yet: answers 0, as without a unit, and sends nothing.
int32_t CUnitLink::SetCommand(uint8_t, uint16_t, const uint8_t*)
{
    return 0;
}

// The device path and transport kind to open, from the machine's driver settings. Without them
// the outputs keep what the caller put there (the USB path) and the answer is 0; a setting that
// is no bare device name empties the path, so nothing is opened. The NT 4 service probe for the
// old ISA and PC-card drivers is not done.
int32_t GetDriverName(char* path260, int32_t* kind)
{
    if (!path260 || !kind)
        return 0;
    RegKey key(HKEY_LOCAL_MACHINE, kDriverSettingsKey, KEY_READ);
    char name[MAX_PATH - 4] = {};
    if (!key.ReadString("DriverName", name, sizeof(name)))
        return 0;
    if (!IsDeviceName(name)) {
        // A path is no driver, and the default driver is no stand-in for a broken setting:
        // leave nothing to open.
        path260[0] = '\0';
        *kind = kTransportNone;
        return 0;
    }
    uint32_t type = 0;
    key.ReadDword("DriverType", &type);
    lstrcpyA(path260, kDevicePrefix);
    lstrcatA(path260, name);
    *kind = static_cast<int32_t>(type);
    return 1;
}
