// Which driver the unit link opens, from the machine's driver settings, and which transport
// answers for it: the unit's own driver, or the simulated unit when the settings choose it.
#pragma once

#include <windows.h>

#include <cstdint>

#include "devlib/acquisition/unit/transport.h"

class CUnitLink;

constexpr char kSimulatedUnitDll[] = "VKSim.dll";
constexpr char kSimulatedUnitExport[] = "VKSimTransport";
constexpr char kSimulatedValue[] = "Simulated";
using VKSimTransportProc = const stTransportOps* (*)();

// The machine key the driver settings are read from: kDriverSettingsKey. A test points it at a
// key of its own so that it does not change the settings other programs read meanwhile.
extern const char* g_driverSettingsKey;
// A program started for a test reads settings of its own: this environment variable names
// another key under HKEY_LOCAL_MACHINE, taken as g_driverSettingsKey when the library starts.
constexpr char kDriverSettingsKeyEnv[] = "VK40_DRIVER_SETTINGS_KEY";
void UseDriverSettingsKeyFromEnvironment();

// The machine's driver settings hold the DWORD "Simulated" = 1.
int32_t IsSimulatedUnitChosen();

// Loads the simulated unit from the folder (the device library's own when null) and answers its
// transport table; null when the library or its export is missing.
const stTransportOps* LoadSimulatedUnit(const char* folder);
void FreeSimulatedUnit();

// Points the link at the transport the settings choose. With the simulated unit chosen but not
// to be had, the link gets no transport at all, so it stays closed. 1 when a transport is set.
int32_t ChooseUnitTransport(CUnitLink& link, const char* folder);
// Back to the driver, and the simulated unit unloaded once nothing can call into it.
void ReleaseUnitTransport(CUnitLink& link);

// Windows NT 4 without driver settings: the services of the old ISA and PC-card drivers name the
// driver, and the choice is written down for the user. 1 when one of them was found.
int32_t ProbeOldDriverServices(char* path260, int32_t* kind);
