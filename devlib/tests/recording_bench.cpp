// Recordings from the simulated unit with every analog input, at the top host-paced rate and at
// the second model's top high-speed rate, each for a fixed stretch of the unit's virtual time,
// polled as the idle loop polls it: the frames dropped (the counting pattern shows them) and the
// processor time per second of recorded data. The time includes the simulated unit's own work
// and its registry reads, so it bounds the library's. A third run adds all twelve calculation
// channels, a mix of kinds; they read their sources through a sample accessor like the program's,
// and the Expression channel evaluates through the program's own evaluator (host slot 18).
#include <windows.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/tests/run_settings.h"
#include "devlib/tests/vk40_test_util.h"
#include "devlib/vk40.h"

using namespace vk40test;

// The program's evaluator (tests/bench/program_evaluator.cpp).
hostcb::EvaluateExpressionAt ProgramExpressionEvaluator();

// The program's layers call the library's exports through import pointers; here the library is
// built into the benchmark, so the pointers name its own copies and no second library loads.
extern "C" {
void* __imp_getMsgBoxText = reinterpret_cast<void*>(&getMsgBoxText);
void* __imp_getHLabelText = reinterpret_cast<void*>(&getHLabelText);
void* __imp_setDirtyGraphFlag = reinterpret_cast<void*>(&setDirtyGraphFlag);
void* __imp_getRangeOfAllowedValues = reinterpret_cast<void*>(&getRangeOfAllowedValues);
void* __imp_getOffsetByScalingInUnits = reinterpret_cast<void*>(&getOffsetByScalingInUnits);
void* __imp_TranslateJournalHints = reinterpret_cast<void*>(&TranslateJournalHints);
void* __imp_HandleTheDialog = reinterpret_cast<void*>(&HandleTheDialog);
void* __imp_GetPopupMenuItemName = reinterpret_cast<void*>(&GetPopupMenuItemName);
void* __imp_AdjustMenuByContainerData = reinterpret_cast<void*>(&AdjustMenuByContainerData);
void* __imp__ZN8CVK40Fix13GetAnalogDataEiPd = reinterpret_cast<void*>(&CVK40Fix::GetAnalogData);
void* __imp_getDlgCtrlText = reinterpret_cast<void*>(&getDlgCtrlText);
void* __imp_GetAnalogChannelParams = reinterpret_cast<void*>(&GetAnalogChannelParams);
void* __imp_GetDigitalChannelParams = reinterpret_cast<void*>(&GetDigitalChannelParams);
void* __imp__ZN9CVKDevice12GetDeviceNumEv = reinterpret_cast<void*>(&CVKDevice::GetDeviceNum);
void* __imp__ZN9CVKDevice6IsVK40Ev = reinterpret_cast<void*>(&CVKDevice::IsVK40);
void* __imp__ZN9CVKDevice9IsNotVK40Ev = reinterpret_cast<void*>(&CVKDevice::IsNotVK40);
void* __imp_HandleShowMessage = reinterpret_cast<void*>(&HandleShowMessage);
void* __imp_GetDlgMultiTextItem = reinterpret_cast<void*>(&GetDlgMultiTextItem);
void* __imp_HandleTheToolBar = reinterpret_cast<void*>(&HandleTheToolBar);
void* __imp_mlgetName = reinterpret_cast<void*>(&mlgetName);
void* __imp_SrcNavRelease = reinterpret_cast<void*>(&SrcNavRelease);
void* __imp_ApplyChannelParams = reinterpret_cast<void*>(&ApplyChannelParams);
void* __imp__Z8SetOrAddjjPKc =
    reinterpret_cast<void*>(static_cast<int32_t (*)(uint32_t, uint32_t, const char*)>(&SetOrAdd));
}
// Members of the library's bitmap object: their import pointers are written out by hand, since a
// member function's address cannot be cast to a plain pointer in C++.
asm(".data\n.p2align 3\n"
    ".globl __imp__ZNK9CMLBitmap3GetE9EMLBITMAP\n__imp__ZNK9CMLBitmap3GetE9EMLBITMAP: .quad _ZNK9CMLBitmap3GetE9EMLBITMAP\n"
    ".globl __imp__ZN9CMLBitmap9SetBitmapEP6HWND__9EMLBITMAPi\n"
    "__imp__ZN9CMLBitmap9SetBitmapEP6HWND__9EMLBITMAPi: .quad _ZN9CMLBitmap9SetBitmapEP6HWND__9EMLBITMAPi\n"
    ".globl __imp__ZN9CMLBitmap16InitFromResourceEv\n"
    "__imp__ZN9CMLBitmap16InitFromResourceEv: .quad _ZN9CMLBitmap16InitFromResourceEv\n"
    ".globl __imp_m_MLBitmap\n__imp_m_MLBitmap: .quad m_MLBitmap\n"
    ".text\n");

namespace {

constexpr uint32_t kPollMs = 20;  // an idle turn now and then

struct stBenchRun {
    const char* what;
    const char* driverName;  // "VKUSB": model 40, "VKUSB45": model 45
    double periodMs;
    uint32_t seconds;
    int withCalc;  // all twelve calculation channels on
};
const stBenchRun kRuns[] = {
    {"host-paced", "VKUSB", 0.5, 60, 0},  // the shortest period command 54 can name
    {"host-paced with 12 calculation channels", "VKUSB", 0.5, 60, 1},
    {"high-speed (model 45)", "VKUSB45", 0.01, 20, 0},  // 100 kHz, the unit's ring read with long requests
};
constexpr int kRunCount = static_cast<int>(sizeof(kRuns) / sizeof(kRuns[0]));

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
    // A channel reference and a function, as a lesson would write it.
    strcpy(s->expression[8], "CH1*2+SQRT(ABS(CH2))");
    s->delay[9].source = 2, s->delay[9].samples = 100;
    s->control[10].source = 1, s->control[10].level1 = 0.5, s->control[10].level2 = 1.0;
    s->math[11] = stMathParams{kMathDivide, 40, 3, {}, 0};
    for (stAcqChan& c : acq->chans)
        if (c.group == kGroupCalc) c.flags |= 2u;
}

double CpuSeconds() {
    FILETIME created, exited, kernel, user;
    GetProcessTimes(GetCurrentProcess(), &created, &exited, &kernel, &user);
    auto value = [](const FILETIME& f) { return (static_cast<uint64_t>(f.dwHighDateTime) << 32) | f.dwLowDateTime; };
    return static_cast<double>(value(kernel) + value(user)) / 1e7;
}

// One recording; 0 when every frame arrived in its place.
int RunOnce(const stBenchRun& r) {
    const std::string id = std::to_string(GetCurrentProcessId());
    SetEnvironmentVariableA(kSimControlKeyEnv, (std::string(kSimControlKey) + "Bench\\Recording" + id).c_str());
    SimControlClear();
    SimControlSetDword(kSimVirtualClock, 1);
    SimControlSetQword(kSimClockUs, g_clockUs);
    for (int i = 1; i <= 4; ++i)
        SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(), kSimSignalCounting);
    const std::string settings = std::string(kDriverSettingsKey) + "\\RecordingBench" + id;
    g_driverSettingsKey = settings.c_str();
    WriteSimulatedUnitSettings(settings, r.driverName);
    g_unitLink.SetWait(AdvanceClock);
    g_lib.instance = GetModuleHandleA(nullptr);

    HWND frame = CreateFrameWithMenu();
    stHostCallbacks host = MakeRecordingHost(nullptr);
    host.getChannelSample = BenchGetSample;
    host.evaluateExpressionAt = ProgramExpressionEvaluator();
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    int rc = 1;
    if (vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1) == 1) {
        AcqLock acq(hAcq);
        auto gs = MakeGraph();
        acq->run.attachedGraph = gs.get();
        acq->warnOnOverwrite = 0;
        for (int i = 0; i < kAnalogChannels; ++i) acq->chans[i].flags |= 2u;
        if (r.withCalc) UseTwelveCalcChannels(acq.get());
        SetUpRun(acq.get(), kStorageMemory, r.periodMs, static_cast<int32_t>(r.seconds * 1000 / r.periodMs + 0.5));
        acq->maxLength = acq->acqLength;
        const double cpu0 = CpuSeconds();
        uint32_t polls = 0;
        if (StartAcquisition(acq.get(), 0)) {
            while (acq->run.running && polls < 10 * r.seconds * 1000 / kPollMs) {
                AdvanceClock(kPollMs);
                CheckAcquisitionStatus(acq.get());
                ++polls;
            }
        }
        const double cpu = CpuSeconds() - cpu0;
        // Every channel sits in the slot of its number: analog 1-4, calculation 40 + j.
        const uint32_t frames = gs->chanCount[1];
        uint32_t dropped = static_cast<uint32_t>(acq->acqLength) - frames;
        for (int c = 0; c < kAnalogChannels; ++c) {
            const auto* block = static_cast<const uint16_t*>(gs->chanBlock[c + 1]);
            for (uint32_t i = 0; block && i < frames; ++i)
                if (block[i] != SimCountingWord(i, static_cast<uint32_t>(c))) ++dropped;
        }
        // Every calculation channel holds a value for every frame.
        for (int s = 40; r.withCalc && s < 40 + kCalcChannels; ++s)
            if (gs->chanCount[s] != frames || gs->chanBytes[s] != 8) ++dropped;
        // The Expression channel (C9) holds the evaluator's value of its text at every frame.
        uint32_t wrong = 0;
        const auto* expr = r.withCalc ? static_cast<const double*>(gs->chanBlock[48]) : nullptr;
        for (uint32_t i = 0; expr && i < frames; ++i) {
            double ch1 = 0, ch2 = 0;
            BenchGetSample(gs.get(), static_cast<int32_t>(i), 1, &ch1);
            BenchGetSample(gs.get(), static_cast<int32_t>(i), 2, &ch2);
            if (std::fabs(expr[i] - (ch1 * 2 + std::sqrt(std::fabs(ch2)))) > 1e-9 * (1 + std::fabs(expr[i]))) ++wrong;
        }
        const double seconds = frames * r.periodMs / 1000.0;
        std::printf("%s %.0f Hz, 4 analog, %u s of unit time, poll every %u ms\n", r.what, 1000.0 / r.periodMs,
                    r.seconds, kPollMs);
        std::printf("  frames %u of %d, dropped or out of place %u\n", frames, acq->acqLength, dropped);
        if (r.withCalc) std::printf("  Expression channel values unlike its text's %u\n", wrong);
        std::printf("  processor %.1f ms per second of data (%.2f%% of one core)\n",
                    seconds > 0 ? cpu * 1000.0 / seconds : 0.0, seconds > 0 ? cpu * 100.0 / seconds : 0.0);
        rc = dropped == 0 && wrong == 0 ? 0 : 1;
        for (void*& block : gs->chanBlock) {
            if (HGLOBAL h = block ? GlobalHandle(block) : nullptr) {
                GlobalUnlock(h);
                GlobalFree(h);
            }
        }
    }
    ShutdownDriver();
    DestroyWindow(frame);
    ReleaseUnitTransport(g_unitLink);
    g_unitLink.SetWait(nullptr);
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, settings.c_str(), KEY_WOW64_64KEY, 0);
    SimControlClear();
    return rc;
}

}  // namespace

// Each recording runs in a process of its own (the library is set up once per process): with no
// argument the benchmark starts itself once per recording; "run <n>" does recording n.
int RunInChild(int index) {
    char exe[MAX_PATH] = "";
    GetModuleFileNameA(nullptr, exe, sizeof(exe));
    std::string command = std::string("\"") + exe + "\" run " + std::to_string(index);
    STARTUPINFOA si{};
    si.cb = sizeof(si);
    PROCESS_INFORMATION pi{};
    if (!CreateProcessA(nullptr, &command[0], nullptr, nullptr, TRUE, 0, nullptr, nullptr, &si, &pi)) return 1;
    WaitForSingleObject(pi.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(pi.hProcess, &code);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return static_cast<int>(code);
}

int main(int argc, char** argv) {
    if (argc == 3 && std::strcmp(argv[1], "run") == 0) {
        const int index = std::atoi(argv[2]);
        const int rc = index >= 0 && index < kRunCount ? RunOnce(kRuns[index]) : 1;
        std::fflush(stdout);
        return rc;
    }
    int rc = 0;
    for (int i = 0; i < kRunCount; ++i) rc |= RunInChild(i);
    return rc;
}
