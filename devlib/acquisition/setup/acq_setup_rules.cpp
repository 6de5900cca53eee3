// The arithmetic and the consistency rules of the acquisition settings.
#include "devlib/acquisition/setup/acq_setup_rules.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "common/stAcq.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/services/free_room.h"
#include "devlib/services/value_text.h"
#include "devlib/services/library.h"

namespace {

constexpr double kDiskReserveBytes = 40000.0;
constexpr double kLargestLength = 2147483647.0;
constexpr int32_t kShortSampleCount = 100000;
constexpr double kKilo = 1024.0;
constexpr double kMega = 1048576.0;
constexpr double kPerChannelMs = 0.0545;
constexpr double kFrameOverheadMs = 0.0364;
constexpr int32_t kFewFramesLess = 8;
constexpr uint32_t kDefaultUnitMemoryBytes = 1048576;

// Milliseconds of one length unit; samples have none.
double UnitMs(int32_t unit) {
    switch (unit) {
    case kLenMs: return 1.0;
    case kLenSeconds: return 1000.0;
    case kLenMinutes: return 60000.0;
    case kLenHours: return 3600000.0;
    default: return 0.0;
    }
}

// Frames as a length: none below 1, the largest 32-bit value at most.
int32_t ClampToLength(double frames) {
    if (!(frames > 0)) return 0;
    return frames >= kLargestLength ? static_cast<int32_t>(kLargestLength) : static_cast<int32_t>(frames);
}

}  // namespace

// A calculation channel keeps four words a frame.
int32_t FrameBytes(int32_t analog, int32_t digital, int32_t calc) {
    return std::max(2, 2 * (analog + 4 * calc + digital));
}

// Disk runs leave room on the drive, memory runs keep to the allowance (half of it for a ring,
// which reads into a second buffer), unit-memory runs to the smaller of both.
int32_t ComputeMaxLength(const stMaxLengthInputs& in) {
    const double n = FrameBytes(in.analog, in.digital, in.calc);
    if (in.storage == kStorageDisk) {
        if (in.freeDiskBytes <= kDiskReserveBytes) return 0;
        return ClampToLength(std::floor((in.freeDiskBytes - kDiskReserveBytes) / n) - 1);
    }
    if (in.storage == kStorageMemory || in.storage == kStorageDoubles) {
        double frames = std::floor(in.memoryBytes / n) - 1;
        if (in.repeatMode == kRepeatRing) frames = std::floor(frames / 2);
        return ClampToLength(frames);
    }
    const double m = std::max(2, 2 * (in.analog + (in.digitalPresent ? 1 : 0)));
    double frames = std::min(std::floor(in.memoryBytes / n), std::floor(in.unitMemoryBytes / m));
    if (in.analog + in.digital == 1 && std::fabs(in.periodMs - kFastestPeriodMs) < 1e-9) frames -= kFewFramesLess;
    return ClampToLength(frames);
}

// The free disk space counts only for disk runs: asking costs a disk access.
stMaxLengthInputs MaxLengthInputsOf(const stAcq* acq) {
    stMaxLengthInputs in{};
    in.storage = acq->storageKind;
    in.repeatMode = acq->repeatMode;
    for (const stAcqChan& c : acq->chans) {
        if (!(c.flags & kChanEnabled)) continue;
        if (c.group == kGroupAnalog) ++in.analog;
        if (c.group == kGroupDigital) ++in.digital;
        if (c.group == kGroupCalc) ++in.calc;
    }
    in.digitalPresent = in.digital > 0;
    char root[MAX_PATH] = "";
    GetCurrentDirectoryA(sizeof root, root);
    if (root[0] && root[1] == ':') root[3] = '\0';
    in.freeDiskBytes = in.storage == kStorageDisk ? GetFreeDiskSpace(root) : 0;
    in.memoryBytes = GetFreeMemoryForRecording();
    in.unitMemoryBytes = g_lib.unitMemoryBytes ? g_lib.unitMemoryBytes : kDefaultUnitMemoryBytes;
    in.periodMs = acq->samplePeriodMs;
    return in;
}

// Thousands from 100,000 frames on, to keep the text short.
void FormatMaxLengthText(int32_t maxLength, char* text, int32_t size) {
    if (maxLength < kShortSampleCount)
        std::snprintf(text, size, "%ld Samples", static_cast<long>(maxLength));
    else
        std::snprintf(text, size, "%ld kSamples", static_cast<long>(maxLength / 1000));
}

// Bytes, then rounded kilobytes up to a megabyte, then rounded megabytes.
void FormatSizeText(double bytes, char* text, int32_t size) {
    if (bytes <= kKilo)
        std::snprintf(text, size, "%ld bytes", static_cast<long>(bytes));
    else if (bytes <= kMega)
        std::snprintf(text, size, "%ld Kbytes", static_cast<long>(std::lround(bytes / kKilo)));
    else
        std::snprintf(text, size, "%ld Mbytes", static_cast<long>(std::lround(bytes / kMega)));
}

// Samples as a whole number; durations with the digits each unit needs.
void FormatLengthText(int32_t length, int32_t unit, double periodMs, char* text, int32_t size) {
    static const int32_t digits[] = {0, 3, 6, 7, 7};
    if (unit <= kLenSamples || unit > kLenHours) {
        std::snprintf(text, size, "%ld", static_cast<long>(length));
        return;
    }
    char buffer[40] = "";
    FormatValueText(39, digits[unit], kFmtFixedDecimals, length * periodMs / UnitMs(unit), buffer);
    std::snprintf(text, size, "%s", buffer);
}

// Whole frames; a hair of tolerance keeps 1.5 s at 1 ms from becoming 1499.
double LengthFromValue(double value, int32_t unit, double periodMs) {
    if (unit <= kLenSamples || unit > kLenHours) return std::floor(value + 1e-9);
    if (!(periodMs > 0)) return 0;
    return std::floor(value * UnitMs(unit) / periodMs + 1e-6);
}

// The first model converts channel after channel: more channels need a longer frame.
double ChannelMinimumPeriod(int32_t storage, int32_t analog, int32_t digitalPresent) {
    if (storage == kStorageDisk || storage == kStorageMemory) {
        const int32_t channels = analog + (digitalPresent ? 1 : 0);
        return channels > 0 ? channels * kPerChannelMs + kFrameOverheadMs : 0;
    }
    if (analog == 2 || analog == 3) return 0.02;
    if (analog >= 4) return 0.04;
    return 0;
}

// A ring runs only in memory and never appends.
int16_t AllowedRepeatMode(int16_t repeat, int32_t storage, int16_t dataMode, int32_t autoRestart) {
    if (repeat != kRepeatRing) return kRepeatOnce;
    if (storage != kStorageMemory && storage != kStorageDoubles) return kRepeatOnce;
    if (dataMode == kDataAppend) return kRepeatOnce;
    if (storage == kStorageDoubles && autoRestart) return kRepeatOnce;
    return kRepeatRing;
}

// Disk runs and storage 5 write files of their own: they cannot append.
int16_t AllowedDataMode(int16_t dataMode, int32_t storage) {
    if (dataMode < kDataOverwrite || dataMode > kDataAppend) return kDataOverwrite;
    if (dataMode == kDataAppend && (storage == kStorageDisk || storage == kStorageDoubles)) return kDataOverwrite;
    return dataMode;
}

// A period between rows shows as the next slower rate.
int32_t RateRowForPeriod(const stRateRow* rows, int32_t count, double periodMs) {
    for (int32_t i = 0; i < count; ++i)
        if (rows[i].periodMs >= periodMs - 1e-9) return i;
    return count - 1;
}

// The fastest rates leave time for one or two conversions a frame.
int32_t AnalogLimitForPeriod(double periodMs) {
    if (std::fabs(periodMs - 0.01) < 1e-9) return 1;
    if (std::fabs(periodMs - 0.02) < 1e-9) return 2;
    return kAnalogChannels;
}

// The list holds disk, memory and, only while it is the storage, unit memory; a fourth entry
// stands for storage 5.
int32_t StorageSelection(int32_t storage) {
    if (storage == kStorageDoubles) return 3;
    if (storage >= kStorageUnitMemory) return 2;
    return std::max(0, storage - 1);
}

int32_t StorageOfSelection(int32_t selection) { return selection == 3 ? kStorageDoubles : selection + 1; }
