// Unit identity: which model the driver stands for, what depends on it (channel counts, tables,
// file names), and the conversion of a graph's stored set-up to the connected model.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "devlib/services/library.h"

struct tagGS;

// The model as texts show it: 40 or 45 (0 before the probe).
int32_t PrintedModel(int32_t model);

// Storage allowances of a sample rate (the Acquisition Setup dialog's storage list).
constexpr int32_t kStorageUnitMemoryOnly = 1;
constexpr int32_t kStorageUnitOrMemory = 2;
constexpr int32_t kStorageAny = 4;

// The longest trigger delay in samples: the trigger window and the model conversion both bound it.
constexpr int32_t kTrigDelayLimit = 8388608;

struct stRateRow {
    const char* label;
    double periodMs;
    int32_t allowance;
};

struct stGainRow {
    int32_t code;  // sent with the gain command
    double gain;
    const char* label;  // "x" and the gain
    double rangeVolts;  // input range
    double offsetStep;  // volts per count of the offset command
};

// What the probe chose, once, for the connected model.
struct stUnitIdentity {
    char menuTitle[16];
    char driverFile[MAX_PATH];  // the USB driver's file, for its version
    const char* presetsFile;
    const stRateRow* rates;
    int32_t rateCount;
    const stGainRow* gains;
    int32_t gainCount;
    // The model's constant pair and step for the stimulator.
    int32_t stimFirst;
    int32_t stimSecond;
    double stimStep;
};
extern stUnitIdentity g_unit;

// Picks the model, counts, tables and files from the device path.
void ProbeUnitDriver(const char* devicePath);
inline bool IsVK40() { return g_unitModel == kModelVK40; }

// The gain table row of a gain; a gain the model lacks is looked up as 200.
const stGainRow* FindGainRow(double gain);
int32_t GainCodeOf(double gain);
// The gain codes last stored by CVKDevice::GainStore, one per analog channel.
extern uint8_t g_storedGainCodes[4];

// The channel record (index into stAcq::chans: analog, then digital, then calculation) of a
// graph slot on a unit with digitalCount digital channels; -1 when the slot names none.
int32_t ChannelRecordForSlot(int32_t slot, int32_t digitalCount);
int32_t GetStartupFlag();

// ---- A graph's stored set-up and the connected model ----

// The outcome of a conversion: whether anything changed, and the graph's mismatch mark (0-3).
struct stSetupConversion {
    int32_t changed;
    int32_t mismatch;
};

// Converts a graph's acquisition set-up block (little-endian, as graphs store it) in place so
// that the unit model can record with it; graphModel is the model that recorded the graph.
stSetupConversion ConvertSetupForUnit(uint8_t* block, size_t size, int32_t unitModel, int32_t graphModel);

// Marks a graph as needing another model's set-up: a non-zero mark keeps an earlier non-zero
// one; 0 clears it.
void SetModelMismatch(tagGS* gs, int32_t mark);
