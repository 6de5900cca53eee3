// The library's process-wide values, which every part of it reads: one record per process,
// the connected unit's model and the settings read beside them.
#pragma once

#include <windows.h>

#include <cstdint>

#include "common/binding.h"

// Windows kinds written by GetOsKind.
constexpr uint16_t kOsWin32s = 0;
constexpr uint16_t kOsWin95 = 1;
constexpr uint16_t kOsWin98 = 2;
constexpr uint16_t kOsWinNT = 3;

constexpr int32_t kGraphStatusWidth = 80;  // written to the host's level: the graph's status box width

// One set per process.
struct stLibrary {
    HINSTANCE instance = nullptr;  // every resource of the library comes from here
    HWND hostFrame = nullptr;      // owner of the menu bar that carries the device menu
    stHostCallbacks host = {};     // private copy, taken once by vk40_Initialize
    uint16_t osKind = 0;
    HBRUSH faceBrush = nullptr;  // COLOR_BTNFACE, re-made on a system colour change
    HGLOBAL hAcq = nullptr;      // the same handle the program holds
    uint32_t filterDelayMs = 0;
    int32_t hostValue = 0;         // last SetDriverValue
    int32_t autoPlotting = 1;      // menu item 5006
    int32_t scrolling = 1;         // menu item 5007
    int16_t electrodeShown = 0;    // menu item 5015
    int32_t readStatusEnable = 0;  // ask "KEY VK40 not found" when no unit answers
    char driverPath[MAX_PATH] = "\\\\.\\VKUSB";
    int32_t driverType = 3;  // USB
    int32_t otherGraphActive = 0;  // another graph was activated while the attached one records
    int32_t activationDone = 1;    // 0 while OnGraphActivated runs
    int32_t unitCheckSuppressed = 0;  // the user chose to work without the unit, or it is not to be used
    int32_t autoRestartPending = 0;
    int32_t lastDrawnState = -1;      // the status image last drawn
    uint32_t unitMemoryBytes = 0;     // command 70's answer
};
extern stLibrary g_lib;

uint16_t GetOsKind();

constexpr int32_t kModelVK40 = 30;  // printed as 40
constexpr int32_t kModelVK45 = 35;  // printed as 45

extern int32_t g_unitModel;  // 0 until the driver is probed

// The connected unit's name as its menu title shows it; four characters, like "VK40".
const char* UnitName();
// The caption of the device library's boxes: the keyed unit caption, which names the unit as the
// menu does.
const char* UnitCaption();
