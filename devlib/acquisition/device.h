// Unit identity: which model the driver stands for, and the library-wide flags around it.
#pragma once

#include <cstdint>

constexpr int32_t kModelVK40 = 30;  // printed as 40
constexpr int32_t kModelVK45 = 35;  // printed as 45

extern int32_t g_unitModel;  // 0 until the driver is probed

// Graph channel slots of the unit's channels: analog 1-4, digital from 20, calculation 40-51.
constexpr int32_t kFirstAnalogSlot = 1;
constexpr int32_t kFirstDigitalSlot = 20;
constexpr int32_t kFirstCalcSlot = 40;

void ProbeUnitDriver(const char* devicePath);
// The channel record (index into stAcq::chans: analog, then digital, then calculation) of a
// graph slot on a unit with digitalCount digital channels; -1 when the slot names none.
int32_t ChannelRecordForSlot(int32_t slot, int32_t digitalCount);
inline bool IsVK40() { return g_unitModel == kModelVK40; }
int32_t GetStartupFlag();
