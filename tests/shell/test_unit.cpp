#include "tests/shell/test_unit.h"

#include <windows.h>

#include <cstring>

#include "devlib/simulated/simcontrol.h"

namespace {
constexpr char kSettingsRoot[] = "Software\\NORVANE\\TVX3x\\DriverSettings\\";
constexpr char kSettingsEnv[] = "VK40_DRIVER_SETTINGS_KEY";
}  // namespace

bool CTestUnit::Install(const char* name, bool counting, const char* driverName) {
    const std::string id = std::to_string(GetCurrentProcessId());
    settings = std::string(kSettingsRoot) + name + id;
    HKEY key = nullptr;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return false;
    const DWORD type = 3, simulated = 1;
    RegSetValueExA(key, "DriverName", 0, REG_SZ, reinterpret_cast<const BYTE*>(driverName),
                   static_cast<DWORD>(strlen(driverName) + 1));
    RegSetValueExA(key, "DriverType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof type);
    RegSetValueExA(key, kSimDriverSetting, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&simulated), sizeof simulated);
    RegCloseKey(key);
    SetEnvironmentVariableA(kSettingsEnv, settings.c_str());
    SetEnvironmentVariableA(kSimControlKeyEnv, (std::string(kSimControlKey) + "Tests\\" + name + id).c_str());
    if (!SimControlClear() || !SimControlSetDword(kSimVirtualClock, 1)) return false;
    clockUs = 1000000;
    if (!SimControlSetQword(kSimClockUs, clockUs)) return false;
    for (int i = 1; counting && i <= 4; ++i)
        SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(), kSimSignalCounting);
    return true;
}

void CTestUnit::Remove() {
    SimControlClear();
    if (!settings.empty()) RegDeleteKeyExA(HKEY_LOCAL_MACHINE, settings.c_str(), KEY_WOW64_64KEY, 0);
    SetEnvironmentVariableA(kSettingsEnv, nullptr);
    SetEnvironmentVariableA(kSimControlKeyEnv, nullptr);
}

void CTestUnit::AdvanceClock(uint32_t ms) {
    clockUs += ms * 1000ull;
    SimControlSetQword(kSimClockUs, clockUs);
}
