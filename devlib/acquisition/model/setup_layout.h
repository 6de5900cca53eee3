// The byte layout of the acquisition set-up block a graph document keeps: a fixed header and one
// record per channel, little-endian. The block's writer and reader and the model conversion all
// use these offsets.
#pragma once

#include <cstddef>
#include <cstdint>

constexpr size_t kSetupHeaderBytes = 7724;
constexpr size_t kSetupRecordBytes = 474;
constexpr int16_t kSetupVersion = 0x0A02;
constexpr int32_t kSetupOldestVersion = 1535;  // blocks of this version and below are discarded
constexpr int32_t kRepeatShiftedUpTo = 1791;   // these versions store the repeat mode minus 1
constexpr int32_t kInputWordsFrom = 1792;      // and the low nibble 2: gain, offset, input words, filters
constexpr int32_t kVersionNibbleMask = 0xF, kInputWordsNibble = 2;
constexpr int32_t kPresetTailFrom = 2560;      // the record tail and the window visibilities

constexpr size_t SetupBlockSize(int32_t records) {
    return kSetupHeaderBytes + static_cast<size_t>(records) * kSetupRecordBytes;
}

namespace setup_layout {

// Header.
constexpr size_t kVersionAt = 0, kSizeAt = 2, kFirstRecordAt = 6, kRecordCountAt = 10;
constexpr size_t kDelayAt = 12, kPeriodAt = 16, kLengthAt = 24, kStorageAt = 28, kModeAt = 30;
constexpr size_t kRefCommandAt = 32, kRefVoltageAt = 34, kSetupWordAt = 42, kRepeatAt = 44;
constexpr size_t kAutoRestartAt = 46, kManualPlaceAt = 82, kStatusRectAt = 102;
constexpr size_t kAcqSetupPlaceAt = 122, kChanSetupPlaceAt = 130;
constexpr size_t kDataModeAt = 5582, kRestartIntervalAt = 5584, kSetupDoubleAt = 5592;
constexpr size_t kRestartCountAt = 5600, kEndlessAt = 5604, kAutosaveAt = 5606, kAutosaveNumberAt = 5608;
constexpr size_t kTriggerPlaceAt = 5610, kInputValuesShownAt = 5892, kStimPlaceAt = 5912;
constexpr size_t kChanSetupShownAt = 7700, kAcqSetupShownAt = 7704, kRelayoutAt = 7708;
static_assert(kRestartIntervalAt == kDataModeAt + 2 && kSetupDoubleAt == kRestartIntervalAt + 8 &&
                  kRestartCountAt == kSetupDoubleAt + 8 && kEndlessAt == kRestartCountAt + 4,
              "the restart fields follow the data mode without gaps");
static_assert(kRelayoutAt + 4 + 3 * 4 == kSetupHeaderBytes, "three visibility words end the header");

// Channel record.
constexpr size_t kRecLengthAt = 0, kRecFlagsAt = 4, kRecNumberAt = 6, kRecKindAt = 8, kRecLabelAt = 10;
constexpr size_t kRecUnitsAt = 50, kRecPointsAt = 90, kRecMultiplierAt = 122, kRecAddendAt = 130;
constexpr size_t kRecGainAt = 138, kRecOffsetAt = 146, kRecInputWordsAt = 154;
constexpr size_t kRecHighPassAt = 156, kRecLowPassAt = 158, kRecFilterTypesAt = 164;
constexpr size_t kRecFilterFreqsAt = 170, kRecFilterQsAt = 194, kRecPresetAt = 218, kRecTailAt = 346;
constexpr size_t kTextBytes = 40, kPresetBytes = 128, kTailBytes = 128;
constexpr int32_t kFilterSlots = 3;
static_assert(kRecUnitsAt == kRecLabelAt + kTextBytes && kRecPointsAt == kRecUnitsAt + kTextBytes, "texts");
static_assert(kRecHighPassAt == kRecInputWordsAt + 2 && kRecLowPassAt == kRecHighPassAt + 2,
              "the filter input words are among the input words");
static_assert(kRecFilterQsAt == kRecFilterFreqsAt + 8 * kFilterSlots &&
                  kRecPresetAt == kRecFilterQsAt + 8 * kFilterSlots,
              "filter slots");
static_assert(kRecTailAt + kTailBytes == kSetupRecordBytes, "the record's tail ends it");

}  // namespace setup_layout
