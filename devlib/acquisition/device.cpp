// Unit identity. Only the model and the channel counts follow the driver so far; the tables,
// file names and driver file that also depend on it come later.
#include "devlib/acquisition/device.h"

#include "common/stAcq.h"
#include "devlib/vk40.h"

#include <windows.h>

namespace {

constexpr int32_t kFixedChanRecords = 16;  // 4 analog + 12 calculation
constexpr int32_t kVK45DigitalChannels = 8;

int32_t g_startupDone = 0;

}  // namespace

int32_t NDChan = 0;
int32_t NChanTotal = kFixedChanRecords;
int32_t g_unitModel = 0;

// Picks the model from the device path: the second model's USB driver, or else the first model.
void ProbeUnitDriver(const char* devicePath)
{
    const bool vk45 = devicePath && lstrcmpiA(devicePath, "\\\\.\\VKUSB45") == 0;
    g_unitModel = vk45 ? kModelVK45 : kModelVK40;
    if (vk45)
        NDChan = kVK45DigitalChannels;
    NChanTotal = NDChan + kFixedChanRecords;
}

int32_t ChannelRecordForSlot(int32_t slot, int32_t digitalCount)
{
    if (digitalCount < 0 || digitalCount > kMaxDigitalChannels)
        return -1;
    if (slot >= kFirstAnalogSlot && slot < kFirstAnalogSlot + kAnalogChannels)
        return slot - kFirstAnalogSlot;
    if (slot >= kFirstDigitalSlot && slot < kFirstDigitalSlot + digitalCount)
        return kAnalogChannels + slot - kFirstDigitalSlot;
    if (slot >= kFirstCalcSlot && slot < kFirstCalcSlot + kCalcChannels)
        return kAnalogChannels + digitalCount + slot - kFirstCalcSlot;
    return -1;
}

// Set by the program once its start-up lesson script has run.
void SetStartupFlag(int32_t done)
{
    g_startupDone = done;
}

int32_t GetStartupFlag()
{
    return g_startupDone;
}
