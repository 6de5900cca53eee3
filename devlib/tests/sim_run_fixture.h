// The library started in the test process over a simulated unit of the test's own: its registry
// keys, a folder of its own, the unit's virtual clock and counting signals, and a graph attached.
// Tests of runs derive from it; the unit link waits by stepping the virtual clock.
#pragma once

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "common/binding.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/tests/packet_log.h"
#include "devlib/tests/run_settings.h"
#include "devlib/tests/vk40_test_util.h"

namespace vk40test {

// The simulated unit's clock, in microseconds; AdvanceClock steps it.
extern uint64_t g_simClockUs;
void AdvanceClock(uint32_t ms);

class SimulatedRunTest : public ::testing::Test {
protected:
    // name keeps the folder and the keys of one test program apart from another's.
    explicit SimulatedRunTest(const char* name) : name_(name) {}

    void SetUp() override;
    void TearDown() override;

    // The library over a simulated USB unit ("VKUSB" model 40, "VKUSB45" model 45) with host
    // callbacks from MakeRecordingHost that AdjustHost may change, and a graph attached.
    stAcq* Start(const char* driverName = "VKUSB");
    virtual void AdjustHost(stHostCallbacks&) {}

    // Records exactly the analog inputs and digital inputs given (EnableInputs).
    static void Enable(stAcq* acq, const std::vector<int>& analog, const std::vector<int>& digital) {
        EnableInputs(acq, analog, digital);
    }
    // Shuts the library down and frees the graph, so that Start can begin again.
    void Stop();
    // Polls as the idle loop would, stepping the unit's clock, until the run ends.
    static int Run(stAcq* acq, uint32_t stepMs, int maxPolls = 2000);

    char previousFolder[MAX_PATH] = "";
    std::string folder, controlKey, settingsKey;
    HWND frame = nullptr;
    stHostCallbacks host{};
    stDriverOps ops{};
    int32_t level = 0;
    HGLOBAL hAcq = nullptr;
    std::unique_ptr<AcqView> lock;
    std::unique_ptr<tagGS> gs;
    std::unique_ptr<CBoxCapture> boxes;

private:
    std::string name_;
};

}  // namespace vk40test
