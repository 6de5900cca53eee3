// The driver settings in the registry and the transport they choose.
#include "devlib/acquisition/unit/driver_choice.h"

#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/library.h"
#include "devlib/services/reg_key.h"
#include "devlib/vk40.h"

#include <cstring>

namespace {

constexpr char kPcCardService[] = "System\\CurrentControlSet\\Services\\VkPcm";
constexpr char kIsaService[] = "System\\CurrentControlSet\\Services\\VkIsa";
constexpr DWORD kNt4Major = 4;

HMODULE g_simModule = nullptr;
const stTransportOps* g_simTransport = nullptr;

// A bare device name: no folder separators and no drive colon.
bool IsDeviceName(const char* name) { return name && *name && !std::strpbrk(name, "\\/:"); }

bool MachineKeyExists(const char* path) { return RegKey(HKEY_LOCAL_MACHINE, path, kMachineRead) ? true : false; }

// Writes the user's note of an old driver; 0 when the key cannot be made.
int32_t WriteUserDriverChoice(const char* name, DWORD type) {
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kDriverSettingsKey, 0, nullptr, 0, KEY_WRITE, nullptr, &key, nullptr) !=
        ERROR_SUCCESS)
        return 0;
    RegSetValueExA(key, "DriverName", 0, REG_SZ, reinterpret_cast<const BYTE*>(name),
                   static_cast<DWORD>(strlen(name) + 1));
    RegSetValueExA(key, "DriverType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof(type));
    RegCloseKey(key);
    return 1;
}

bool IsWindowsNt4() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    return GetVersionExA(&info) && info.dwPlatformId == VER_PLATFORM_WIN32_NT && info.dwMajorVersion == kNt4Major;
}

// The device library's own folder, with its closing backslash.
void LibraryFolder(char* folder, DWORD size) {
    folder[0] = '\0';
    const DWORD length = GetModuleFileNameA(g_lib.instance, folder, size);
    if (length == 0 || length >= size) {
        folder[0] = '\0';
        return;
    }
    char* slash = strrchr(folder, '\\');
    if (slash)
        slash[1] = '\0';
    else
        folder[0] = '\0';
}

}  // namespace

const char* g_driverSettingsKey = kDriverSettingsKey;

// The key the environment names, if any; without one the key stays as it is.
void UseDriverSettingsKeyFromEnvironment() {
    static char key[MAX_PATH];
    const DWORD length = GetEnvironmentVariableA(kDriverSettingsKeyEnv, key, sizeof(key));
    if (length > 0 && length < sizeof(key)) g_driverSettingsKey = key;
}

// The device path and transport kind to open, from the machine's driver settings. Without them
// the outputs keep what the caller put there (the USB path) and the answer is 0, except on NT 4
// where the old drivers' services may name one; a setting that is no bare device name empties
// the path, so nothing is opened.
int32_t GetDriverName(char* path260, int32_t* kind) {
    if (!path260 || !kind) return 0;
    RegKey key(HKEY_LOCAL_MACHINE, g_driverSettingsKey, kMachineRead);
    char name[MAX_PATH - 4] = {};
    if (!key.ReadString("DriverName", name, sizeof(name)))
        return IsWindowsNt4() ? ProbeOldDriverServices(path260, kind) : 0;
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

// The PC-card service first, then the ISA one, which wins when both exist. The notes go to the
// user's key and are never read back.
int32_t ProbeOldDriverServices(char* path260, int32_t* kind) {
    int32_t found = 0;
    if (MachineKeyExists(kPcCardService)) {
        if (!WriteUserDriverChoice("VKPCM", kTransportPcCard)) return 0;
        lstrcpyA(path260, "\\\\.\\VKPCM");
        *kind = kTransportPcCard;
        found = 1;
    }
    if (MachineKeyExists(kIsaService)) {
        if (!WriteUserDriverChoice("VKISA", kTransportIsa)) return 0;
        lstrcpyA(path260, "\\\\.\\VKISA");
        *kind = kTransportIsa;
        found = 1;
    }
    return found;
}

// Only a DWORD of exactly 1 chooses the simulated unit.
int32_t IsSimulatedUnitChosen() {
    RegKey key(HKEY_LOCAL_MACHINE, g_driverSettingsKey, kMachineRead);
    uint32_t simulated = 0;
    return key.ReadDword(kSimulatedValue, &simulated) && simulated == 1 ? 1 : 0;
}

// The simulated unit stays loaded once found; a second call answers the same table.
const stTransportOps* LoadSimulatedUnit(const char* folder) {
    if (g_simModule) return g_simTransport;
    char path[MAX_PATH];
    if (folder) {
        lstrcpynA(path, folder, sizeof(path));
        const size_t length = strlen(path);
        if (length && path[length - 1] != '\\' && length + 1 < sizeof(path)) lstrcatA(path, "\\");
    } else {
        LibraryFolder(path, sizeof(path));
    }
    if (strlen(path) + sizeof(kSimulatedUnitDll) > sizeof(path)) return nullptr;
    lstrcatA(path, kSimulatedUnitDll);
    HMODULE module = LoadLibraryA(path);
    if (!module) return nullptr;
    const auto entry =
        reinterpret_cast<VKSimTransportProc>(reinterpret_cast<void*>(GetProcAddress(module, kSimulatedUnitExport)));
    const stTransportOps* table = entry ? entry() : nullptr;
    if (!table) {
        FreeLibrary(module);
        return nullptr;
    }
    g_simModule = module;
    g_simTransport = table;
    return table;
}

// Unloads the simulated unit; nothing may still hold its table.
void FreeSimulatedUnit() {
    if (g_simModule) FreeLibrary(g_simModule);
    g_simModule = nullptr;
    g_simTransport = nullptr;
}

// The driver unless the settings choose the simulated unit; then its library or nothing.
int32_t ChooseUnitTransport(CUnitLink& link, const char* folder) {
    if (IsSimulatedUnitChosen()) {
        const stTransportOps* simulated = LoadSimulatedUnit(folder);
        link.SetTransport(simulated);
        return simulated ? 1 : 0;
    }
    link.SetTransport(&g_driverTransport);
    FreeSimulatedUnit();
    return 1;
}

void ReleaseUnitTransport(CUnitLink& link) {
    link.SetTransport(&g_driverTransport);
    FreeSimulatedUnit();
}
