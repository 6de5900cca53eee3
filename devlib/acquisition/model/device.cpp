// Unit identity: the model the driver stands for and everything chosen with it, the rate and gain
// tables, CVKDevice, and the conversion of a graph's stored set-up to the connected model.
#include "devlib/acquisition/model/device.h"

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"
#include "devlib/vk40.h"
#include "common/keyed_format.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <new>

namespace {

constexpr int32_t kFixedChanRecords = 16;  // 4 analog + 12 calculation
constexpr int32_t kVK45DigitalChannels = 8;
constexpr double kLookupGain = 200.0;  // what a gain the model lacks is looked up as

const stRateRow kRatesVK40[] = {
    {"100K", 0.01, kStorageUnitMemoryOnly},
    {"40K", 0.025, kStorageUnitOrMemory},
    {"25K", 0.04, kStorageAny},
    {"10K", 0.1, kStorageAny},
    {"5000.0", 0.2, kStorageAny},
    {"2000.0", 0.5, kStorageAny},
    {"1000.0", 1, kStorageAny},
    {"500.0", 2, kStorageAny},
    {"250.0", 4, kStorageAny},
    {"200.0", 5, kStorageAny},
    {"100.0", 10, kStorageAny},
    {"50.0", 20, kStorageAny},
    {"25.0", 40, kStorageAny},
    {"20.0", 50, kStorageAny},
    {"10.0", 100, kStorageAny},
    {"5.0", 200, kStorageAny},
    {"2.5", 400, kStorageAny},
    {"2.0", 500, kStorageAny},
    {"1.0", 1000, kStorageAny},
};

const stRateRow kRatesVK45[] = {
    {"100K", 0.01, kStorageAny}, {"50K", 0.02, kStorageAny},   {"25K", 0.04, kStorageAny},   {"20K", 0.05, kStorageAny},
    {"10K", 0.1, kStorageAny},   {"5000.0", 0.2, kStorageAny}, {"2000.0", 0.5, kStorageAny}, {"1000.0", 1, kStorageAny},
    {"500.0", 2, kStorageAny},   {"200.0", 5, kStorageAny},    {"100.0", 10, kStorageAny},   {"50.0", 20, kStorageAny},
    {"20.0", 50, kStorageAny},   {"10.0", 100, kStorageAny},   {"5.0", 200, kStorageAny},    {"2.0", 500, kStorageAny},
    {"1.0", 1000, kStorageAny},
};

constexpr double kStepVK40 = 3.125e-07;
const stGainRow kGainsVK40[] = {
    {0, 100, "x100", 10, kStepVK40},     {1, 200, "x200", 10, kStepVK40},     {2, 500, "x500", 10, kStepVK40},
    {3, 1000, "x1000", 10, kStepVK40},   {4, 2000, "x2000", 10, kStepVK40},   {5, 2500, "x2500", 10, kStepVK40},
    {6, 5000, "x5000", 10, kStepVK40},   {7, 10000, "x10000", 10, kStepVK40}, {8, 25000, "x25000", 10, kStepVK40},
    {9, 50000, "x50000", 10, kStepVK40},
};

constexpr double kStepVK45Low = 8.2372323e-06;
constexpr double kStepVK45Mid = 8.2372323e-07;
constexpr double kStepVK45High = 3.2076985e-07;
const stGainRow kGainsVK45[] = {
    {10, 10, "x10", 100, kStepVK45Low},     {11, 20, "x20", 100, kStepVK45Low},
    {12, 50, "x50", 100, kStepVK45Low},     {0, 100, "x100", 10, kStepVK45Mid},
    {1, 200, "x200", 10, kStepVK45Mid},     {2, 500, "x500", 10, kStepVK45Mid},
    {3, 1000, "x1000", 4, kStepVK45High},   {4, 2000, "x2000", 4, kStepVK45High},
    {6, 5000, "x5000", 4, kStepVK45High},   {7, 10000, "x10000", 4, kStepVK45High},
    {8, 20000, "x20000", 4, kStepVK45High}, {9, 50000, "x50000", 4, kStepVK45High},
};

template <typename T, size_t N>
constexpr int32_t CountOf(const T (&)[N]) {
    return static_cast<int32_t>(N);
}

int32_t g_startupDone = 0;

}  // namespace

int32_t NDChan = 0;
int32_t NChanTotal = kFixedChanRecords;
uint8_t g_storedGainCodes[4] = {};
stUnitIdentity g_unit = {
    "&VK40", "",    "Vk40Presets.dat", kRatesVK40, CountOf(kRatesVK40), kGainsVK40, CountOf(kGainsVK40),
    26,      51308, 0.001953};

int32_t PrintedModel(int32_t model) { return model == kModelVK45 ? 45 : model == kModelVK40 ? 40 : 0; }

// Picks the model from the device path: the second model's USB driver, or else the first model.
// Everything model-dependent follows here, once.
void ProbeUnitDriver(const char* devicePath) {
    const bool vk45 = devicePath && lstrcmpiA(devicePath, "\\\\.\\VKUSB45") == 0;
    g_unitModel = vk45 ? kModelVK45 : kModelVK40;
    NDChan = vk45 ? kVK45DigitalChannels : 0;
    NChanTotal = NDChan + kFixedChanRecords;

    char windows[MAX_PATH] = "";
    const UINT length = GetWindowsDirectoryA(windows, sizeof(windows));
    if (length == 0 || length >= sizeof(windows)) windows[0] = '\0';
    std::snprintf(g_unit.driverFile, sizeof(g_unit.driverFile), "%s\\System32\\Drivers\\%s", windows,
                  vk45 ? "vk45usb.sys" : "vkusb.sys");
    std::snprintf(g_unit.menuTitle, sizeof(g_unit.menuTitle), "&VK%d", PrintedModel(g_unitModel));
    g_unit.presetsFile = vk45 ? "Vk45Presets.dat" : "Vk40Presets.dat";
    g_unit.rates = vk45 ? kRatesVK45 : kRatesVK40;
    g_unit.rateCount = vk45 ? CountOf(kRatesVK45) : CountOf(kRatesVK40);
    g_unit.gains = vk45 ? kGainsVK45 : kGainsVK40;
    g_unit.gainCount = vk45 ? CountOf(kGainsVK45) : CountOf(kGainsVK40);
    g_unit.stimFirst = vk45 ? 1 : 26;
    g_unit.stimSecond = vk45 ? 10000 : 51308;
    g_unit.stimStep = vk45 ? 0.01 : 0.001953;
}

// The connected model's row of a gain, else the row of 200 (else the first row).
const stGainRow* FindGainRow(double gain) {
    for (int32_t pass = 0; pass < 2; ++pass) {
        for (int32_t i = 0; i < g_unit.gainCount; ++i) {
            if (g_unit.gains[i].gain == gain) return &g_unit.gains[i];
        }
        gain = kLookupGain;
    }
    return &g_unit.gains[0];
}

int32_t GainCodeOf(double gain) { return FindGainRow(gain)->code; }

int32_t ChannelRecordForSlot(int32_t slot, int32_t digitalCount) {
    if (digitalCount < 0 || digitalCount > kMaxDigitalChannels) return -1;
    if (slot >= kFirstAnalogSlot && slot < kFirstAnalogSlot + kAnalogChannels) return slot - kFirstAnalogSlot;
    if (slot >= kFirstDigitalSlot && slot < kFirstDigitalSlot + digitalCount)
        return kAnalogChannels + slot - kFirstDigitalSlot;
    if (slot >= kFirstCalcSlot && slot < kFirstCalcSlot + kCalcChannels)
        return kAnalogChannels + digitalCount + slot - kFirstCalcSlot;
    return -1;
}

// Set by the program once its start-up lesson script has run.
void SetStartupFlag(int32_t done) { g_startupDone = done; }

int32_t GetStartupFlag() { return g_startupDone; }

// The first mismatch a graph gets is the one its append question reports.
void SetModelMismatch(tagGS* gs, int32_t mark) {
    if (!gs) return;
    if (mark == 0)
        gs->modelMismatch = 0;
    else if (gs->modelMismatch == 0)
        gs->modelMismatch = static_cast<uint32_t>(mark);
}

// ---- CVKDevice ----

int32_t CVKDevice::m_hardwarewarning = 1;

const char* CVKDevice::GetMenuTitle() { return g_unit.menuTitle; }

int32_t CVKDevice::GetDeviceNum() { return PrintedModel(g_unitModel); }

int32_t CVKDevice::IsVK40() { return g_unitModel == kModelVK40 ? 1 : 0; }

int32_t CVKDevice::IsNotVK40() { return g_unitModel != kModelVK40 ? 1 : 0; }

// A graph recorded with the other model (a graph that records none is not different).
int32_t CVKDevice::IsDeviceDifferent(tagGS* gs) {
    return gs && gs->unitModel != 0 && static_cast<int32_t>(gs->unitModel) != g_unitModel ? 1 : 0;
}

// The graph is not read: the gains are those of the channel records the run set up.
void CVKDevice::GainStore(tagGS*) {
    AcqLock acq(g_lib.hAcq);
    if (!acq) return;
    for (int32_t i = 0; i < kAnalogChannels; ++i)
        g_storedGainCodes[i] = static_cast<uint8_t>(GainCodeOf(acq->chans[i].gain));
}

namespace {

// The conversion question, in the user's language; 1 for OK.
int32_t AskToConvert(const tagGS* gs) {
    char format[512] = "";
    char caption[64] = "";
    if (!LoadStringA(g_lib.instance, IDS_CONVERT_SETUP, format, sizeof(format)))
        lstrcpyA(format,
                 "This file was created for an VK%d. You are using an VK%d, so some parameters must be "
                 "converted in order to record data. Data viewing and analysis functions will not be "
                 "affected. Is this what you wish to do?");
    if (!LoadStringA(g_lib.instance, IDS_CONVERT_SETUP_CAPTION, caption, sizeof(caption))) lstrcpyA(caption, "Warning");
    const int32_t graphModel = gs->unitModel ? static_cast<int32_t>(gs->unitModel) : g_unitModel;
    char text[640];
    FormatKeyedText(text, sizeof(text), format, PrintedModel(graphModel), PrintedModel(g_unitModel));
    return MessageBoxA(gs->hwnd, text, caption, MB_OKCANCEL | MB_ICONWARNING) == IDOK ? 1 : 0;
}

}  // namespace

// Adapts the graph's stored set-up to the connected model. The conversion is worked on a copy
// and kept only when the user agrees, so a cancelled question leaves the graph as it was.
int32_t CVKDevice::CheckCompatibility(tagGS* gs) {
    if (!gs) return 0;
    if (!gs->setupBlock) return 1;
    const SIZE_T size = GlobalSize(gs->setupBlock);
    uint8_t* copy = new (std::nothrow) uint8_t[size ? size : 1];
    if (!copy) return 0;
    const uint8_t* stored = static_cast<const uint8_t*>(GlobalLock(gs->setupBlock));
    if (!stored) {
        delete[] copy;
        return 1;
    }
    memcpy(copy, stored, size);
    GlobalUnlock(gs->setupBlock);

    const stSetupConversion conversion =
        ConvertSetupForUnit(copy, size, g_unitModel, static_cast<int32_t>(gs->unitModel));
    int32_t result = 1;
    if (conversion.changed && m_hardwarewarning) result = AskToConvert(gs);
    if (result && conversion.changed) {
        if (uint8_t* block = static_cast<uint8_t*>(GlobalLock(gs->setupBlock))) {
            memcpy(block, copy, size);
            GlobalUnlock(gs->setupBlock);
        }
        SetModelMismatch(gs, conversion.mismatch);
    }
    delete[] copy;
    return result;
}
