// The processor's identification and clock, free disk space and the memory figure.
// The program is built for x86-64, where every processor has the identification instruction and
// the time-stamp counter; the older processors' tests stay as the fallbacks they always were.
#include "base/system_queries.h"
#include <cpuid.h>
#include <x86intrin.h>
#include <cstdio>
#include <cstring>
#include <initializer_list>

stProcessorInfo g_cpu;

namespace {

constexpr uint32_t kIdFlag = 1u << 21;
constexpr uint32_t kTscFeature = 1u << 4;
constexpr uint32_t kLoopIterations = 4000;
constexpr uint64_t kSettleTicks = 50;        // counter ticks before the first stamp
constexpr uint64_t kMeasureTicks = 20000;    // counter ticks of one try
constexpr int kMinTries = 3, kMaxTries = 20;
constexpr uint64_t kTolerance = 3;
constexpr uint8_t kNoSecondLevelCache = 0x40;
const char kNoVendor[] = "------------";

void OwnCpuid(uint32_t leaf, uint32_t regs[4]) { __cpuid(leaf, regs[0], regs[1], regs[2], regs[3]); }

CpuidReader g_cpuid = OwnCpuid;

void Cpuid(uint32_t leaf, uint32_t regs[4]) { g_cpuid(leaf, regs); }

// The ID flag of the flags register toggles only on processors that have the instruction.
bool HasCpuid() {
    if (g_cpuid != OwnCpuid) return true;
    const uint64_t before = __builtin_ia32_readeflags_u64();
    __builtin_ia32_writeeflags_u64(before ^ kIdFlag);
    const uint64_t after = __builtin_ia32_readeflags_u64();
    __builtin_ia32_writeeflags_u64(before);
    return ((before ^ after) & kIdFlag) != 0;
}

// Leaf 0: the highest standard leaf, and the vendor text (EBX, EDX, ECX) with its code.
uint32_t ReadVendor(char* text13, uint32_t* code) {
    uint32_t r[4];
    Cpuid(0, r);
    std::memcpy(text13, &r[1], 4);
    std::memcpy(text13 + 4, &r[3], 4);
    std::memcpy(text13 + 8, &r[2], 4);
    text13[12] = 0;
    *code = std::memcmp(text13, "GenuineIntel", 12) == 0   ? kCpuVendorIntel
            : std::memcmp(text13, "AuthenticAMD", 12) == 0 ? kCpuVendorAmd
                                                           : kCpuVendorOther;
    return r[0];
}

uint16_t GetCpuidFamily() {
    char vendor[13];
    if (ReadVendor(vendor, &g_cpu.nCpuVendor) < 1) return kCpuFamilyUnread;
    uint32_t r[4];
    Cpuid(1, r);
    return static_cast<uint16_t>((r[0] >> 8) & 0xF);
}

// Family 6 model 5 without a second-level cache: a descriptor byte of leaf 2 says so.
bool ReportsNoSecondLevelCache() {
    uint32_t r[4];
    Cpuid(0, r);
    if (r[0] < 2) return false;
    Cpuid(2, r);
    if ((r[0] & 0xFF) != 1) return false;
    for (uint32_t reg : r)
        for (int b = 0; b < 4; ++b)
            if (((reg >> (8 * b)) & 0xFF) == kNoSecondLevelCache) return true;
    return false;
}

uint64_t CounterNow() {
    LARGE_INTEGER t;
    QueryPerformanceCounter(&t);
    return static_cast<uint64_t>(t.QuadPart);
}

// Reads the counter and the stamp until the counter is `ticks` past `from`; the last readings.
void WaitTicks(uint64_t from, uint64_t ticks, uint64_t* counter, uint64_t* stamp) {
    do {
        *counter = CounterNow();
        *stamp = __rdtsc();
    } while (*counter - from < ticks);
}

// One try at time-critical priority: cycles and counter ticks of about 20,000 ticks.
void TimeOneTry(uint64_t* cycles, uint64_t* ticks) {
    HANDLE thread = GetCurrentThread();
    const uint64_t t0 = CounterNow();
    const int priority = GetThreadPriority(thread);
    if (priority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread, THREAD_PRIORITY_TIME_CRITICAL);
    uint64_t start = 0, stamp0 = 0, end = 0, stamp1 = 0;
    WaitTicks(t0, kSettleTicks, &start, &stamp0);
    WaitTicks(start, kMeasureTicks, &end, &stamp1);
    if (priority != THREAD_PRIORITY_ERROR_RETURN) SetThreadPriority(thread, priority);
    *cycles = static_cast<uint32_t>(stamp1 - stamp0);
    *ticks = static_cast<uint32_t>(end - start);
}

// 4,000 turns of a bit scan, a 16-bit decrement and a branch.
void RunTimingLoop() {
    uint32_t count = kLoopIterations;
    uint32_t scanned = 0;
    asm volatile(
        "1:\n\t"
        "bsf %2, %1\n\t"
        "dec %w0\n\t"
        "jnz 1b"
        : "+c"(count), "=&r"(scanned)
        : "r"(0x80000000u)
        : "cc");
}

}  // namespace

void SetCpuidReader(CpuidReader reader) { g_cpuid = reader ? reader : OwnCpuid; }

uint32_t LoopCyclesPerIteration(uint16_t type) {
    if (type <= 2) return 0;
    if (type == 3) return 115;
    if (type == 4) return 47;
    if (type == 5) return 43;
    return type <= 15 ? 38 : 0;
}

// In 64-bit mode the processor always has the identification instruction; the tests for the
// 8086, 286 and 386 apply only to processors that cannot run this program.
uint16_t GetProcessorType() {
    if (HasCpuid()) return GetCpuidFamily();
    g_cpu.nCpuVendor = 0;
    return 4;
}

uint32_t GetCpuFeatures(char* szVendor) {
    lstrcpyA(szVendor, kNoVendor);
    if (!HasCpuid()) return 0;
    uint32_t code = 0;
    if (ReadVendor(szVendor, &code) < 1) return 0;
    uint32_t r[4];
    Cpuid(1, r);
    return r[3];
}

void GetCpuBrandString(char* szOut) {
    char text[49];
    for (uint32_t i = 0; i < 3; ++i) {
        uint32_t r[4];
        Cpuid(0x80000002u + i, r);
        std::memcpy(text + 16 * i, r, 16);
    }
    text[48] = 0;
    lstrcpyA(szOut, text);
}

void GetProcessorModel(uint32_t* pVendor, uint16_t* pType, uint16_t* pModel, char* szBrand) {
    *pType = GetProcessorType();
    *pVendor = g_cpu.nCpuVendor;
    const bool cpuid = HasCpuid();
    if (*pVendor == kCpuVendorAmd && cpuid) {
        GetCpuBrandString(szBrand);
        return;
    }
    szBrand[0] = 0;
    *pModel = 0;
    if (!cpuid || (*pType != 5 && *pType != 6 && *pType != 15)) return;
    uint32_t r[4];
    Cpuid(1, r);
    if (*pType == 15) {
        *pModel = static_cast<uint16_t>(r[1] & 0xFF);
        return;
    }
    *pModel = static_cast<uint16_t>((r[0] >> 4) & 0xF);
    if (*pType == 6 && *pModel == 5 && ReportsNoSecondLevelCache()) *pModel = 6;
}

uint64_t MicrosFromTicks(uint64_t ticks, uint64_t frequency) {
    const uint64_t tenth = frequency / 10;
    if (!tenth) return 0;
    uint64_t micros = ticks * 100000 / tenth;
    if (micros % frequency > frequency / 2) ++micros;
    return micros;
}

uint64_t RoundedMHz(uint64_t cycles, uint64_t micros) {
    if (!micros) return 0;
    return cycles / micros + (cycles % micros > micros / 2 ? 1 : 0);
}

bool SpeedTriesDiffer(uint64_t freq, uint64_t freq2, uint64_t freq3) {
    const int64_t sum = static_cast<int64_t>(freq + freq2 + freq3);
    for (uint64_t f : {freq, freq2, freq3}) {
        const int64_t d = 3 * static_cast<int64_t>(f) - sum;
        if ((d < 0 ? -d : d) > static_cast<int64_t>(kTolerance)) return true;
    }
    return false;
}

FREQ_INFO SpeedFromTotals(uint64_t totalCycles, uint64_t totalMicros) {
    if (!totalMicros) return FREQ_INFO{};
    uint64_t tenths = totalCycles * 10 / totalMicros;
    const uint64_t hundredths = totalCycles * 100 / totalMicros;
    if (hundredths - 10 * tenths >= 6) ++tenths;
    const uint64_t raw = totalCycles / totalMicros;
    const uint64_t norm = raw + (tenths - 10 * raw >= 6 ? 1 : 0);
    return FREQ_INFO{static_cast<uint32_t>(totalCycles), static_cast<uint32_t>(totalMicros),
                     static_cast<uint32_t>(raw), static_cast<uint32_t>(norm)};
}

FREQ_INFO SpeedFromLoop(uint64_t nominal, uint64_t micros) {
    if (!micros) return FREQ_INFO{static_cast<uint32_t>(nominal), 0, 0, 0};
    const uint64_t raw = nominal / micros;
    return FREQ_INFO{static_cast<uint32_t>(nominal), static_cast<uint32_t>(micros), static_cast<uint32_t>(raw),
                     static_cast<uint32_t>(RoundedMHz(nominal, micros))};
}

void MeasureSpeedTsc(FREQ_INFO* out) {
    *out = FREQ_INFO{};
    LARGE_INTEGER f;
    if (!QueryPerformanceFrequency(&f) || f.QuadPart <= 0) return;
    const uint64_t frequency = static_cast<uint64_t>(f.QuadPart);
    uint64_t freq = 0, freq2 = 0, freq3 = 0, totalCycles = 0, totalMicros = 0;
    for (int tries = 1;; ++tries) {
        freq3 = freq2;
        freq2 = freq;
        uint64_t cycles = 0, ticks = 0;
        TimeOneTry(&cycles, &ticks);
        const uint64_t micros = MicrosFromTicks(ticks, frequency);
        if (micros) {
            totalMicros += micros;
            totalCycles += cycles;
            freq = RoundedMHz(cycles, micros);
        }
        if (tries >= kMaxTries) break;
        if (tries >= kMinTries && !SpeedTriesDiffer(freq, freq2, freq3)) break;
    }
    *out = SpeedFromTotals(totalCycles, totalMicros);
}

void MeasureSpeedLoop(FREQ_INFO* out, uint32_t nominalCycles) {
    *out = FREQ_INFO{};
    LARGE_INTEGER f;
    if (!QueryPerformanceFrequency(&f) || f.QuadPart <= 0) return;
    uint64_t smallest = UINT64_MAX;
    for (int i = 0; i < 10; ++i) {
        const uint64_t t0 = CounterNow();
        RunTimingLoop();
        const uint64_t t1 = CounterNow();
        if (t1 - t0 < smallest) smallest = t1 - t0;
    }
    *out = SpeedFromLoop(nominalCycles, MicrosFromTicks(smallest, static_cast<uint64_t>(f.QuadPart)));
}

void MeasureCpuSpeed(FREQ_INFO* out, char* szVendor) {
    *out = FREQ_INFO{};
    const uint16_t type = GetProcessorType();
    const uint32_t features = GetCpuFeatures(szVendor);
    if (type & 0x8000) return;
    const uint32_t nominal = LoopCyclesPerIteration(type) * kLoopIterations;
    if (features & kTscFeature)
        MeasureSpeedTsc(out);
    else if (type >= 3)
        MeasureSpeedLoop(out, nominal);
}

uint32_t GetProcessorInfo(uint32_t* pVendor, char* szVendor, uint16_t* pModel, uint16_t* pType, char* szBrand) {
    std::memset(szVendor, 0, 13);
    GetProcessorModel(pVendor, pType, pModel, szBrand);
    FREQ_INFO info{};
    MeasureCpuSpeed(&info, szVendor);
    if (!info.cycles && !info.micros) return 0;
    return info.normMHz;
}

// The names of the families and models the dialog knows; anything else is "Unknown".
void GetProcessorName(char* out, size_t size, uint16_t family, uint16_t model, int useBrand, const char* brand) {
    const char* name = "Unknown";
    if (useBrand == 1) {
        name = brand ? brand : "";
    } else if (family == 0) {
        name = "Intel 8086/88";
    } else if (family >= 2 && family <= 4) {
        static const char* const kEarly[] = {"Intel 286", "Intel 386", "Intel 486"};
        name = kEarly[family - 2];
    } else if (family == 5) {
        name = model == 1 || model == 2 ? "Pentium " : model == 3 ? "Pentium(486ODrive)" : model == 4 ? "Pentium MMX" : "Pentium";
    } else if (family == 6) {
        name = model == 3 ? "Pentium II, model 3" : model == 5 ? "Pentium II, model 5" : model == 6 ? "Celeron"
               : model == 7 ? "Pentium III" : "Pentium Pro";
    } else if (family == 15) {
        static const char* const kBrands[16] = {
            "Pentium IV", "Intel Celeron", "Intel Pentium III", "Intel Pentium III Xeon",
            "Intel Pentium III", "Pentium IV", "Mobile Intel Pentium III - M", "Mobile Intel Celeron",
            "Intel Pentium IV", "Intel Pentium IV", "Intel Celeron", "Intel Xeon",
            "Intel Xeon MP", "Pentium IV", "Mobile Intel Pentium IV - M", "Mobile Intel Celeron"};
        name = model < 16 ? kBrands[model] : "Pentium IV";
    }
    if (size) lstrcpynA(out, name, static_cast<int>(size));
}

double FreeMemoryFromTotal(uint64_t totalPhys) { return static_cast<double>(totalPhys / 100 * 10); }

// The extended status: the plain one saturates at 4 GB.
double GetFreeMemory() {
    MEMORYSTATUSEX status{};
    status.dwLength = sizeof status;
    if (!GlobalMemoryStatusEx(&status)) return 0.0;
    return FreeMemoryFromTotal(status.ullTotalPhys);
}
