// A recording from the simulated unit at the top host-paced rate with every analog input, for a
// fixed stretch of the unit's virtual time, polled as the idle loop polls it: the frames dropped
// (the counting pattern shows them) and the processor time per second of recorded data. The
// time includes the simulated unit's own work and its registry reads, so it bounds the library's.
// A second run adds all twelve calculation channels, a mix of kinds; they read their sources
// through a sample accessor like the program's, and the Expression channel evaluates through a
// small stand-in for the program's evaluator.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <string>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/calcsettings.h"
#include "devlib/acquisition/driverchoice.h"
#include "devlib/acquisition/recording.h"
#include "devlib/acquisition/samples.h"
#include "devlib/acquisition/unitlink.h"
#include "devlib/services/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

namespace {

constexpr uint32_t kSeconds = 60;
constexpr double kPeriodMs = 0.5;  // the shortest period command 54 can name
constexpr uint32_t kPollMs = 20;   // an idle turn now and then

uint64_t g_clockUs = 1000000;

void AdvanceClock(uint32_t ms) {
    g_clockUs += ms * 1000ull;
    SimControlSetQword(kSimClockUs, g_clockUs);
}

// Host slot 7 over a memory document, as the program reads one.
int32_t WINAPI BenchGetSample(tagGS* gs, int32_t index, int32_t slot, double* out) {
    if (slot < 0 || slot >= kMaxChannels || !gs->chanBlock[slot] || index < 0 || uint32_t(index) >= gs->chanCount[slot])
        return 0;
    if (gs->chanType[slot] == 1)
        *out = static_cast<const double*>(gs->chanBlock[slot])[index];
    else
        *out = static_cast<const int16_t*>(gs->chanBlock[slot])[index] * gs->chanScale[slot] + gs->chanOffset[slot];
    return 1;
}

// Host slot 18 for "CH1*2": the first run slot is CH1.
int32_t WINAPI BenchEvaluate(tagGS* gs, int32_t index, const char* text, double* out) {
    double v = 0;
    if (strcmp(text, "CH1*2") != 0 || !BenchGetSample(gs, index, 0, &v)) return 0;
    *out = 2 * v;
    return -1;
}

// Twelve calculation channels of nine kinds over CH1-CH4, one on another calculation channel.
void UseTwelveCalcChannels(stAcq* acq) {
    stCalcSettings* s = CalcSettings(acq);
    const int16_t kinds[kCalcChannels] = {kCalcMath,   kCalcDifference, kCalcSmoothing, kCalcIntegrate,
                                          kCalcRate,   kCalcFunction,   kCalcFilter,    kCalcFilter,
                                          kCalcExpression, kCalcDelay,  kCalcControl,   kCalcMath};
    for (int c = 0; c < kCalcChannels; ++c) s->kind[c] = kinds[c];
    s->math[0] = stMathParams{kMathAdd, 1, 2, {}, 0};
    s->difference[1].source = 2, s->difference[1].interval = 10;
    s->smoothing[2].source = 3, s->smoothing[2].factor = 9, s->smoothing[2].median = 1;
    s->integrate[3].source = 4, s->integrate[3].averaging = 1, s->integrate[3].samples = 50;
    s->rate[4].source = 1;
    s->function[5].source = 2, s->function[5].function = kFuncSqrt;
    s->filter[6].source = 3, s->filter[6].frequency = 50.0;
    s->filter[7].source = 4, s->filter[7].type = kCalcFilterLowHigh, s->filter[7].frequency = 1.0;
    strcpy(s->expression[8], "CH1*2");
    s->delay[9].source = 2, s->delay[9].samples = 100;
    s->control[10].source = 1, s->control[10].level1 = 0.5, s->control[10].level2 = 1.0;
    s->math[11] = stMathParams{kMathDivide, 40, 3, {}, 0};
    for (stAcqChan& c : acq->chans)
        if (c.group == 2) c.flags |= 2u;
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

}  // namespace

int main() {
    const std::string id = std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA(kSimControlKeyEnv, (std::string(kSimControlKey) + "Bench\\Recording" + id).c_str());
    SimControlClear();
    SimControlSetDword(kSimVirtualClock, 1);
    SimControlSetQword(kSimClockUs, g_clockUs);
    for (int i = 1; i <= 4; ++i)
        SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(), kSimSignalCounting);
    const std::string settings = std::string(kDriverSettingsKey) + "\\RecordingBench" + id;
    g_driverSettingsKey = settings.c_str();
    HKEY key = nullptr;
    RegCreateKeyExA(HKEY_LOCAL_MACHINE, settings.c_str(), 0, nullptr, 0, KEY_ALL_ACCESS | KEY_WOW64_64KEY, nullptr,
                    &key, nullptr);
    const DWORD type = kTransportUsb, simulated = 1;
    RegSetValueExA(key, "DriverName", 0, REG_SZ, reinterpret_cast<const BYTE*>("VKUSB"), 6);
    RegSetValueExA(key, "DriverType", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&type), sizeof(type));
    RegSetValueExA(key, kSimulatedValue, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&simulated), sizeof(simulated));
    RegCloseKey(key);
    g_unitLink.SetWait(AdvanceClock);
    g_lib.instance = GetModuleHandleA(nullptr);

    HWND frame = CreateFrameWithMenu();
    stHostCallbacks host = MakeRecordingHost(nullptr);
    host.getChannelSample = BenchGetSample;
    host.evaluateExpressionAt = BenchEvaluate;
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    int rc = 1;
    if (vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1) == 1) {
        rc = 0;
        // The run without calculation channels goes twice, first and last: the first pays the
        // one-off costs of a first run.
        for (int withCalc : {0, 1, 0}) {
            AcqLock acq(hAcq);
            auto gs = MakeGraph();
            acq->run.attachedGraph = gs.get();
            acq->warnOnOverwrite = 0;
            for (int i = 0; i < kAnalogChannels; ++i) acq->chans[i].flags |= 2u;
            if (withCalc) UseTwelveCalcChannels(acq.get());
            acq->samplePeriodMs = kPeriodMs;
            acq->acqLength = static_cast<int32_t>(kSeconds * 1000 / kPeriodMs);
            acq->maxLength = acq->acqLength;
            acq->storageKind = 2;
            acq->repeatMode = 1;
            acq->dataMode = 1;
            const double cpu0 = CpuSeconds();
            uint32_t polls = 0;
            if (StartAcquisition(acq.get(), 0)) {
                while (acq->run.running && polls < 10 * kSeconds * 1000 / kPollMs) {
                    AdvanceClock(kPollMs);
                    CheckAcquisitionStatus(acq.get());
                    ++polls;
                }
            }
            const double cpu = CpuSeconds() - cpu0;
            const uint32_t frames = gs->chanCount[0];
            uint32_t dropped = static_cast<uint32_t>(acq->acqLength) - frames;
            const auto* block = static_cast<const uint16_t*>(gs->chanBlock[0]);
            for (uint32_t i = 0; block && i < frames; ++i)
                if (block[i] != SimCountingWord(i, 0)) ++dropped;
            // Every calculation channel holds a value for every frame.
            for (int s = kAnalogChannels; withCalc && s < kAnalogChannels + kCalcChannels; ++s)
                if (gs->chanCount[s] != frames || gs->chanBytes[s] != 8) ++dropped;
            const double seconds = frames * kPeriodMs / 1000.0;
            std::printf("host-paced %.0f Hz, 4 analog%s, %u s of unit time, poll every %u ms\n", 1000.0 / kPeriodMs,
                        withCalc ? " and 12 calculation channels" : "", kSeconds, kPollMs);
            std::printf("  frames %u of %d, dropped or out of place %u\n", frames, acq->acqLength, dropped);
            std::printf("  processor %.1f ms per second of data (%.2f%% of one core)\n",
                        seconds > 0 ? cpu * 1000.0 / seconds : 0.0, seconds > 0 ? cpu * 100.0 / seconds : 0.0);
            if (dropped != 0) rc = 1;
            for (void*& block : gs->chanBlock) {
                if (HGLOBAL h = block ? GlobalHandle(block) : nullptr) {
                    GlobalUnlock(h);
                    GlobalFree(h);
                }
            }
            acq->run.attachedGraph = nullptr;
        }
    }
    ShutdownDriver();
    DestroyWindow(frame);
    ReleaseUnitTransport(g_unitLink);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, settings.c_str(), KEY_WOW64_64KEY, 0);
    SimControlClear();
    return rc;
}
