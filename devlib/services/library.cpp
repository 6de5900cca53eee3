// The library's process-wide values and the settings read beside them.
#include "devlib/services/library.h"

#include "devlib/services/reg_key.h"
#include "devlib/services/run_state.h"
#include "devlib/vk40.h"
#include "common/locale.h"

stLibrary g_lib;
HWND hwndGetDlg = nullptr;
int32_t g_unitModel = 0;
stRunControlTrace g_runTrace{};

namespace {

constexpr uint32_t kDefaultFilterDelayMs = 100;
constexpr uint32_t kMaxFilterDelayMs = 500;
constexpr uint32_t kDefaultLineFrequencyHz = 60;
constexpr uint32_t kWin98BuildMinor = 10;  // Windows 98 and Me report 10 and up here

}  // namespace

// Which family of Windows runs the library.
uint16_t GetOsKind() {
    OSVERSIONINFOA info{};
    info.dwOSVersionInfoSize = sizeof(info);
    if (!GetVersionExA(&info)) return g_lib.osKind;
    switch (info.dwPlatformId) {
    case VER_PLATFORM_WIN32s: g_lib.osKind = kOsWin32s; break;
    case VER_PLATFORM_WIN32_WINDOWS:
        g_lib.osKind = ((info.dwBuildNumber >> 16) & 0xF) < kWin98BuildMinor ? kOsWin95 : kOsWin98;
        break;
    case VER_PLATFORM_WIN32_NT: g_lib.osKind = kOsWinNT; break;
    default: break;
    }
    return g_lib.osKind;
}

// The unit's hardware filter delay: how long a recording waits for the inputs to settle.
uint32_t GetFilterDelayMs() {
    RegKey key(HKEY_LOCAL_MACHINE, kLocalizationKey, KEY_READ);
    uint32_t delay = kDefaultFilterDelayMs;
    if (!key.ReadDword("HWFilterDelayMs", &delay)) return kDefaultFilterDelayMs;
    return delay > kMaxFilterDelayMs ? kMaxFilterDelayMs : delay;
}

// The mains frequency the channel filters are set for.
uint32_t GetLineFrequencyHz() {
    RegKey key(HKEY_LOCAL_MACHINE, kLocalizationKey, KEY_READ);
    uint32_t hz = kDefaultLineFrequencyHz;
    if (!key.ReadDword("LineFrequencyHz", &hz)) return kDefaultLineFrequencyHz;
    return hz;
}
