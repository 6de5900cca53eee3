#include "devlib/tests/sim_run_fixture.h"

#include <cstring>
#include <new>

#include "devlib/acquisition/calc/calc.h"
#include "devlib/acquisition/unit/driver_choice.h"
#include "devlib/acquisition/run/recording.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/binding/binding.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/vk40.h"

namespace vk40test {

uint64_t g_simClockUs = 0;

void AdvanceClock(uint32_t ms) {
    g_simClockUs += ms * 1000ull;
    SimControlSetQword(kSimClockUs, g_simClockUs);
}

void SimulatedRunTest::SetUp() {
    const std::string id = std::to_string(GetCurrentProcessId());
    char temp[MAX_PATH] = "";
    GetTempPathA(sizeof(temp), temp);
    GetCurrentDirectoryA(sizeof(previousFolder), previousFolder);
    folder = std::string(temp) + "vk40_" + name_ + "_" + id;
    CreateDirectoryA(folder.c_str(), nullptr);
    SetCurrentDirectoryA(folder.c_str());
    DeleteFileA("packets.log");  // a process of the same id may have left one
    controlKey = std::string(kSimControlKey) + "Tests\\" + name_ + id;
    SetEnvironmentVariableA(kSimControlKeyEnv, controlKey.c_str());
    ASSERT_TRUE(SimControlClear());
    ASSERT_TRUE(SimControlSetDword(kSimVirtualClock, 1));
    g_simClockUs = 1000000;
    ASSERT_TRUE(SimControlSetQword(kSimClockUs, g_simClockUs));
    for (int i = 1; i <= 4; ++i)
        SimControlSetDword((std::string(kSimSignalPrefix) + std::to_string(i)).c_str(), kSimSignalCounting);
    SimControlSetDword(kSimSignalDigital, kSimSignalCounting);
    settingsKey = std::string(kDriverSettingsKey) + "\\" + name_ + id;
    g_driverSettingsKey = settingsKey.c_str();
    g_unitLink.~CUnitLink();
    new (&g_unitLink) CUnitLink();
    g_unitLink.SetWait(AdvanceClock);
    g_lib.instance = GetModuleHandleA(nullptr);
    g_runLayer.scriptStopRequest = 0;
    Recorder() = stHostRecorder{};
}

void SimulatedRunTest::Stop() {
    if (gs) {
        for (void*& block : gs->chanBlock) {
            if (HGLOBAL h = block ? GlobalHandle(block) : nullptr) {
                GlobalUnlock(h);
                GlobalFree(h);
            }
            block = nullptr;
        }
    }
    if (lock) ReleaseCalcChannels(lock->get());
    boxes.reset();
    lock.reset();
    if (frame) {
        ShutdownDriver();
        DestroyWindow(frame);
        frame = nullptr;
    }
    ReleaseUnitTransport(g_unitLink);
    g_unitLink.SetWait(nullptr);
    gs.reset();
}

void SimulatedRunTest::TearDown() {
    Stop();
    g_driverSettingsKey = kDriverSettingsKey;
    RegDeleteKeyExA(HKEY_LOCAL_MACHINE, settingsKey.c_str(), KEY_WOW64_64KEY, 0);
    SimControlClear();
    DeleteFileA("Vk40Presets.dat");
    DeleteFileA("Vk45Presets.dat");
    DeleteFileA("packets.log");
    SetCurrentDirectoryA(previousFolder);
    RemoveDirectoryA(folder.c_str());
}

stAcq* SimulatedRunTest::Start(const char* driverName) {
    g_unitLink.~CUnitLink();  // a fresh link for every start, as after a stop
    new (&g_unitLink) CUnitLink();
    g_unitLink.SetWait(AdvanceClock);
    EXPECT_TRUE(WriteSimulatedUnitSettings(settingsKey, driverName));
    frame = CreateFrameWithMenu();
    host = MakeRecordingHost(nullptr);
    AdjustHost(host);
    EXPECT_EQ(vk40_Initialize(frame, &host, &ops, &level, &hAcq, 1), 1);
    lock = std::make_unique<AcqView>(hAcq);
    stAcq* acq = lock->get();
    gs = MakeGraph();
    boxes = std::make_unique<CBoxCapture>();
    acq->run.attachedGraph = gs.get();
    acq->warnOnOverwrite = 0;
    return acq;
}

int SimulatedRunTest::Run(stAcq* acq, uint32_t stepMs, int maxPolls) {
    int polls = 0;
    while (acq->run.running && polls < maxPolls) {
        AdvanceClock(stepMs);
        CheckAcquisitionStatus(acq);
        ++polls;
    }
    return polls;
}

}  // namespace vk40test
