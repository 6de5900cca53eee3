// Unit identity: which model the driver stands for, and the library-wide flags around it.
#pragma once

#include <cstdint>

constexpr int32_t kModelVK40 = 30;  // printed as 40
constexpr int32_t kModelVK45 = 35;  // printed as 45

extern int32_t g_unitModel;  // 0 until the driver is probed

void ProbeUnitDriver(const char* devicePath);
inline bool IsVK40() { return g_unitModel == kModelVK40; }
int32_t GetStartupFlag();
