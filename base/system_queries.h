// What the program asks of the machine: the processor's identification and clock, the free space
// of a drive and a memory figure. The processor is read once at start-up; the lesson words and
// the file writer ask for space and memory whenever they need them.
#pragma once
#include <windows.h>
#include <cstdint>

#include "common/free_disk.h"

// One clock measurement; all zero when nothing was measured.
struct FREQ_INFO {
    uint32_t cycles;   // processor clock cycles counted
    uint32_t micros;   // elapsed microseconds
    uint32_t rawMHz;   // cycles / micros, truncated
    uint32_t normMHz;  // rounded
};

// Vendor codes.
constexpr uint32_t kCpuVendorIntel = 0;
constexpr uint32_t kCpuVendorAmd = 1;
constexpr uint32_t kCpuVendorOther = 15;
constexpr uint16_t kCpuFamilyUnread = 0xFFFF;

// The processor as start-up found it, kept for the System Information dialog.
struct stProcessorInfo {
    uint32_t nCpuVendor;
    char szCpuVendor[13];
    uint16_t nCpuType;
    uint16_t nCpuModel;
    char szCpuBrand[52];
    uint32_t nCpuMHz;
};
extern stProcessorInfo g_cpu;

// Test seam: the identification instruction, replaceable so tests can stand in any processor: leaf in,
// EAX, EBX, ECX, EDX out. Null restores the processor's own.
using CpuidReader = void (*)(uint32_t leaf, uint32_t regs[4]);
// Test seam: only tests call it.
void SetCpuidReader(CpuidReader reader);

uint32_t GetProcessorInfo(uint32_t* pVendor, char* szVendor, uint16_t* pModel, uint16_t* pType, char* szBrand);
uint16_t GetProcessorType();
void GetProcessorModel(uint32_t* pVendor, uint16_t* pType, uint16_t* pModel, char* szBrand);
uint32_t GetCpuFeatures(char* szVendor);
void GetCpuBrandString(char* szOut);
void MeasureCpuSpeed(FREQ_INFO* out, char* szVendor);
void MeasureSpeedTsc(FREQ_INFO* out);
void MeasureSpeedLoop(FREQ_INFO* out, uint32_t nominalCycles);
// Loop cycles of one timing iteration for a processor type (0 for types without a figure).
uint32_t LoopCyclesPerIteration(uint16_t type);

// The arithmetic of the clock measurement, apart from the counters.
// Microseconds of a count of performance-counter ticks at frequency F.
uint64_t MicrosFromTicks(uint64_t ticks, uint64_t frequency);
// cycles / micros, rounded up when the remainder exceeds half of micros.
uint64_t RoundedMHz(uint64_t cycles, uint64_t micros);
// Whether the three latest results still differ by more than the tolerance.
bool SpeedTriesDiffer(uint64_t freq, uint64_t freq2, uint64_t freq3);
// The record of the summed tries.
FREQ_INFO SpeedFromTotals(uint64_t totalCycles, uint64_t totalMicros);
// The record of the timing loop's smallest duration.
FREQ_INFO SpeedFromLoop(uint64_t nominal, uint64_t micros);

// The processor's name by family and model (or the brand text when useBrand is 1).
void GetProcessorName(char* out, size_t size, uint16_t family, uint16_t model, int useBrand, const char* brand);

// GetFreeDiskSpace(path): the free bytes of path's drive, asked as the device library asks them.
// A tenth of the installed physical memory.
double GetFreeMemory();
// The same figure from a total (the arithmetic is kept apart for the case of large memories).
double FreeMemoryFromTotal(uint64_t totalPhys);
