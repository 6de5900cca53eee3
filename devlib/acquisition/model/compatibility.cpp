// The conversion of a graph's stored acquisition set-up to the connected unit model: rates,
// channels, gains, offsets and filters the model cannot record are brought to ones it can.
// Works on the stored block's bytes, field by field, little-endian.
#include "devlib/acquisition/model/device.h"

#include <cmath>
#include <cstring>

#include "common/byte_order.h"
#include "common/stAcq.h"
#include "devlib/acquisition/model/setup_layout.h"

namespace {

using namespace setup_layout;

constexpr size_t kRecUsedBytes = kRecPresetAt;  // the fields converted end before this
constexpr int32_t kAnalogRecords = kAnalogChannels;
constexpr uint16_t kEnabled = kChanEnabled;

constexpr int32_t kMarkChannels = 1;
constexpr int32_t kMarkGains = 2;
constexpr int32_t kMarkRate = 3;

constexpr long kFastRateHz = 2000;
constexpr int32_t kFastLengthLimit = 100000;
constexpr int16_t kStorageFastVK40 = kStorageFastUnitMemory;
constexpr int16_t kStorageFastVK45 = kStorageMemory;
constexpr uint16_t kModeWaitBits = 0x90;
constexpr uint16_t kModeOtherBits = 0xA0;
constexpr uint16_t kModeConverted = 0xB0;

// The block being converted, with what has changed so far.
struct stConverter {
    uint8_t* block;
    size_t size;
    bool vk40;  // the connected model
    stSetupConversion result;
    uint8_t* analog[kAnalogRecords];
    int32_t analogCount;

    void Mark(int32_t mark) {
        result.changed = 1;
        if (mark && !result.mismatch) result.mismatch = mark;
    }
    void Set16(uint8_t* at, int32_t v, int32_t mark = 0) {
        if (GetLeI16(at) != v) {
            PutLeU16(at, v);
            Mark(mark);
        }
    }
    void Set32(uint8_t* at, int32_t v) {
        if (GetLeI32(at) != v) {
            PutLeU32(at, v);
            Mark(0);
        }
    }
    void SetDouble(uint8_t* at, double v, int32_t mark = 0) {
        if (GetLeF64(at) != v) {
            PutLeF64(at, v);
            Mark(mark);
        }
    }
    long RateHz() const {
        const double period = GetLeF64(block + kPeriodAt);
        return period > 0 && std::isfinite(period) ? std::lround(1000.0 / period) : 0;
    }
};

// The analog channel records, found by the header's offset and each record's own length.
void FindAnalogRecords(stConverter& c) {
    c.analogCount = 0;
    size_t at = static_cast<uint32_t>(GetLeI32(c.block + kFirstRecordAt));
    const int32_t count = GetLeI16(c.block + kRecordCountAt);
    for (int32_t i = 0; i < count && c.analogCount < kAnalogRecords; ++i) {
        if (at < kSetupHeaderBytes || at > c.size || c.size - at < kRecUsedBytes) return;
        const int32_t length = GetLeI32(c.block + at);
        if (GetLeI16(c.block + at + kRecKindAt) == 0) c.analog[c.analogCount++] = c.block + at;
        if (length < static_cast<int32_t>(kRecUsedBytes)) return;
        at += static_cast<size_t>(length);
    }
}

// The first model samples one channel at 100 kHz and at most two at 50 kHz.
void LimitFastChannels(stConverter& c, long rate) {
    int32_t enabled = 0;
    for (int32_t i = 0; i < c.analogCount; ++i) enabled += (GetLeI16(c.analog[i] + kRecFlagsAt) & kEnabled) ? 1 : 0;
    int32_t seen = 0;
    for (int32_t i = 0; i < c.analogCount; ++i) {
        const int16_t flags = GetLeI16(c.analog[i] + kRecFlagsAt);
        if (!(flags & kEnabled)) continue;
        ++seen;
        const bool drop = (rate == 100000 && seen > 1) || (rate == 50000 && enabled > 1 && i >= 2);
        if (drop) c.Set16(c.analog[i] + kRecFlagsAt, flags & ~kEnabled, kMarkChannels);
    }
}

// The nearest gain the model has, for the gains only the other model has.
double MapGain(bool vk40, double gain) {
    if (vk40) {
        if (gain == 10 || gain == 20 || gain == 50) return 100;
        if (gain == 20000) return 25000;
    } else {
        if (gain == 2500) return 2000;
        if (gain == 25000) return 20000;
    }
    return gain;
}

// One analog channel: gains, hardware offset, hardware filters and digital filters.
void ConvertChannel(stConverter& c, uint8_t* rec, long rate) {
    const double gain = GetLeF64(rec + kRecGainAt);
    c.SetDouble(rec + kRecGainAt, MapGain(c.vk40, gain), kMarkGains);

    const double newGain = GetLeF64(rec + kRecGainAt);
    const double offset = GetLeF64(rec + kRecOffsetAt);
    const double limit = c.vk40 ? 0.01 : (newGain >= 1000 ? 0.005 : HUGE_VAL);
    if (offset > limit)
        c.SetDouble(rec + kRecOffsetAt, limit);
    else if (offset < -limit)
        c.SetDouble(rec + kRecOffsetAt, -limit);

    if (c.vk40) {
        if (GetLeI16(rec + kRecHighPassAt) == 2) c.Set16(rec + kRecHighPassAt, 1);
        for (int32_t f = 0; f < kFilterSlots; ++f) {
            if (rate > kFastRateHz) {
                c.Set16(rec + kRecFilterTypesAt + 2 * f, 0);
                continue;
            }
            uint8_t* freq = rec + kRecFilterFreqsAt + 8 * f;
            const double hz = GetLeF64(freq);
            if (hz < 30)
                c.SetDouble(freq, 30);
            else if (hz > 1000)
                c.SetDouble(freq, 1000);
        }
    } else if (GetLeI16(rec + kRecLowPassAt) != 0) {
        c.Set16(rec + kRecLowPassAt, 0);
    }
}

// Rates the model lacks, and the storage a fast rate needs.
void ConvertRate(stConverter& c) {
    const long rate = c.RateHz();
    long mapped = rate;
    if (c.vk40 && rate == 50000)
        mapped = 40000;
    else if (c.vk40 && rate == 20000)
        mapped = 25000;
    else if (!c.vk40 && rate == 40000)
        mapped = 50000;
    if (mapped != rate) c.SetDouble(c.block + kPeriodAt, 1000.0 / static_cast<double>(mapped), kMarkRate);
    if (mapped > kFastRateHz) c.Set16(c.block + kStorageAt, c.vk40 ? kStorageFastVK40 : kStorageFastVK45, kMarkRate);
}

// The pre-start delay as the trigger set-up limits it: none with storage kind 4, never negative.
void RecomputeDelay(stConverter& c) {
    int32_t delay = GetLeI32(c.block + kDelayAt);
    if (GetLeI16(c.block + kStorageAt) == kStorageFastVK40 || delay < 0)
        delay = 0;
    else if (delay > kTrigDelayLimit)
        delay = kTrigDelayLimit;
    c.Set32(c.block + kDelayAt, delay);
}

// Lengths, and the start-signal modes of one model recorded with the other.
void ConvertModes(stConverter& c, int32_t graphModel) {
    if (c.vk40 && c.RateHz() > kFastRateHz && GetLeI32(c.block + kLengthAt) > kFastLengthLimit)
        c.Set32(c.block + kLengthAt, kFastLengthLimit);
    const uint16_t mode = static_cast<uint16_t>(GetLeI16(c.block + kModeAt));
    if (c.vk40 && graphModel == kModelVK45) {
        if ((mode & kModeWaitBits) == kModeWaitBits) {
            c.Set16(c.block + kRefCommandAt, 3);
            RecomputeDelay(c);
        } else if ((mode & kModeOtherBits) == kModeOtherBits) {
            c.Set16(c.block + kModeAt, mode | kModeConverted);
            c.Set16(c.block + kRefCommandAt, 3);
            RecomputeDelay(c);
        }
    } else if (!c.vk40 && graphModel == kModelVK40 && (mode & kModeWaitBits) == kModeWaitBits) {
        c.Set16(c.block + kRefCommandAt, 4);
    }
}

}  // namespace

// Channels first (they depend on the stored rate), then the rate and storage, then lengths and modes.
stSetupConversion ConvertSetupForUnit(uint8_t* block, size_t size, int32_t unitModel, int32_t graphModel) {
    stConverter c{};
    if (!block || size < kSetupHeaderBytes || GetLeI16(block + kVersionAt) <= kSetupOldestVersion ||
        (unitModel != kModelVK40 && unitModel != kModelVK45))
        return c.result;
    c.block = block;
    c.size = size;
    c.vk40 = unitModel == kModelVK40;
    FindAnalogRecords(c);

    const long rate = c.RateHz();
    if (c.vk40) LimitFastChannels(c, rate);
    for (int32_t i = 0; i < c.analogCount; ++i) ConvertChannel(c, c.analog[i], rate);
    ConvertRate(c);
    ConvertModes(c, graphModel);
    return c.result;
}
