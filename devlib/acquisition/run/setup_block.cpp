// The acquisition set-up block, written and read field by field at fixed offsets.
#include "devlib/acquisition/run/setup_block.h"

#include <algorithm>
#include <cstring>

#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/acquisition/channels/calc_settings.h"
#include "devlib/acquisition/channels/channels.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/services/byte_cursor.h"
#include "devlib/vk40.h"

namespace {

using namespace setup_layout;

static_assert(kTailBytes == sizeof(stAcqChan) - offsetof(stAcqChan, unitsSetByUser),
              "the tail is the record's last bytes");

constexpr double kRefVoltageUnscale = 0.00030518043793392844;
constexpr int32_t kRecordsModelVK40 = 16;
constexpr int32_t kRecordsModelVK45 = 24;

void PutRect(uint8_t* at, RECT r, const RECT& desktop) {
    ClampRectToDesktop(&r, desktop);
    PutLeU16(at, static_cast<uint16_t>(r.left));
    PutLeU16(at + 2, static_cast<uint16_t>(r.top));
    PutLeU16(at + 4, static_cast<uint16_t>(r.right));
    PutLeU16(at + 6, static_cast<uint16_t>(r.bottom));
}

RECT GetRect(const uint8_t* at, const RECT& desktop) {
    RECT r{GetLeI16(at), GetLeI16(at + 2), GetLeI16(at + 4), GetLeI16(at + 6)};
    ClampRectToDesktop(&r, desktop);
    return r;
}

void PutI16(uint8_t* at, int32_t v) { PutLeU16(at, static_cast<uint16_t>(v)); }
void PutI32(uint8_t* at, int32_t v) { PutLeU32(at, static_cast<uint32_t>(v)); }

// A text field of n bytes, always terminated in the record.
void GetText(const uint8_t* at, size_t n, char* to, size_t toSize) {
    const size_t keep = std::min(n, toSize) - 1;
    memcpy(to, at, keep);
    to[keep] = '\0';
    to[strnlen(to, keep)] = '\0';
}
void PutText(uint8_t* at, size_t n, const char* text) {
    memset(at, 0, n);
    memcpy(at, text, strnlen(text, n - 1));
}

void EncodeRecord(const stAcq& acq, int i, uint8_t* at) {
    const stAcqChan& c = acq.chans[i];
    PutI32(at + kRecLengthAt, static_cast<int32_t>(kSetupRecordBytes));
    PutI16(at + kRecFlagsAt, static_cast<int32_t>(c.flags));
    PutI16(at + kRecNumberAt, c.number);
    PutI16(at + kRecKindAt, c.group);
    PutText(at + kRecLabelAt, kTextBytes, c.label);
    PutText(at + kRecUnitsAt, kTextBytes, c.units);
    const double points[4] = {c.inValue1, c.unitValue1, c.inValue2, c.unitValue2};
    for (int k = 0; k < 4; ++k) PutLeF64(at + kRecPointsAt + 8 * k, points[k]);
    PutLeF64(at + kRecMultiplierAt, acq.chanMultiplier[i]);
    PutLeF64(at + kRecAddendAt, acq.chanAddend[i]);
    PutLeF64(at + kRecGainAt, c.gain);
    PutLeF64(at + kRecOffsetAt, c.inputOffset);
    const int16_t words[5] = {c.coupling, c.highPass, c.lowPass, c.inputOption4, c.filterSelected};
    for (int k = 0; k < 5; ++k) PutI16(at + kRecInputWordsAt + 2 * k, words[k]);
    for (int k = 0; k < kFilterSlots; ++k) {
        PutI16(at + kRecFilterTypesAt + 2 * k, c.filters[k].type);
        PutLeF64(at + kRecFilterFreqsAt + 8 * k, c.filters[k].frequencyHz);
        PutLeF64(at + kRecFilterQsAt + 8 * k, c.filters[k].q);
    }
    PutText(at + kRecPresetAt, kPresetBytes, c.presetName);
    memcpy(at + kRecTailAt, &c.unitsSetByUser, kTailBytes);
}

// The input settings a block without them gives every channel.
void DefaultInputSettings(stAcqChan* c) {
    c->gain = kDefaultGain;
    c->inputOffset = 0;
    c->coupling = 0;
    c->highPass = 1;
    c->lowPass = 0;
    c->inputOption4 = 1;
    c->filterSelected = 0;
    for (auto& f : c->filters) {
        f.type = 0;
        f.frequencyHz = kDefaultFilterHz;
        f.q = kDefaultFilterQ;
    }
}

void DecodeRecord(const uint8_t* at, int32_t version, stAcq* acq, int i) {
    stAcqChan& c = acq->chans[i];
    c.flags = static_cast<uint16_t>(GetLeI16(at + kRecFlagsAt));
    GetText(at + kRecLabelAt, kTextBytes, c.label, sizeof(c.label));
    GetText(at + kRecUnitsAt, kTextBytes, c.units, sizeof(c.units));
    if (version >= kPresetTailFrom || c.group != kGroupCalc)
        GetText(at + kRecPresetAt, kPresetBytes, c.presetName, sizeof(c.presetName));
    if (version >= kPresetTailFrom) memcpy(&c.unitsSetByUser, at + kRecTailAt, kTailBytes);
    double* points[4] = {&c.inValue1, &c.unitValue1, &c.inValue2, &c.unitValue2};
    for (int k = 0; k < 4; ++k) *points[k] = GetLeF64(at + kRecPointsAt + 8 * k);
    acq->chanMultiplier[i] = GetLeF64(at + kRecMultiplierAt);
    acq->chanAddend[i] = GetLeF64(at + kRecAddendAt);
    if (version < kInputWordsFrom || (version & kVersionNibbleMask) != kInputWordsNibble) {
        DefaultInputSettings(&c);
        return;
    }
    c.gain = GetLeF64(at + kRecGainAt);
    c.inputOffset = GetLeF64(at + kRecOffsetAt);
    int16_t* words[5] = {&c.coupling, &c.highPass, &c.lowPass, &c.inputOption4, &c.filterSelected};
    for (int k = 0; k < 5; ++k) *words[k] = GetLeI16(at + kRecInputWordsAt + 2 * k);
    for (int k = 0; k < kFilterSlots; ++k) {
        c.filters[k].type = GetLeI16(at + kRecFilterTypesAt + 2 * k);
        c.filters[k].frequencyHz = GetLeF64(at + kRecFilterFreqsAt + 8 * k);
        c.filters[k].q = GetLeF64(at + kRecFilterQsAt + 8 * k);
    }
}

// A digital record of a graph recorded without digital inputs.
void ResetDigitalRecord(stAcqChan* c) {
    c->flags = 0;
    strcpy(c->units, "Volts");
    c->label[0] = '\0';
    c->presetName[0] = '\0';
    c->inValue1 = c->unitValue1 = c->inValue2 = c->unitValue2 = 0;
}

}  // namespace

// Off-desktop windows come back where the user can reach them: one that stood only partly off
// could still have its caption out of reach.
int32_t ClampRectToDesktop(RECT* rc, const RECT& desktop) {
    if (rc->left >= desktop.left && rc->top >= desktop.top && rc->right <= desktop.right &&
        rc->bottom <= desktop.bottom)
        return 0;
    const LONG w = std::min(rc->right - rc->left, desktop.right - desktop.left);
    const LONG h = std::min(rc->bottom - rc->top, desktop.bottom - desktop.top);
    rc->left = desktop.left + (desktop.right - desktop.left - w) / 2;
    rc->top = desktop.top + (desktop.bottom - desktop.top - h) / 2;
    rc->right = rc->left + w;
    rc->bottom = rc->top + h;
    return 1;
}

void EncodeSetupBlock(const stAcq& acq, int32_t records, const RECT& desktop, uint8_t* b, size_t size) {
    const size_t total = SetupBlockSize(records);
    if (!b || size < total || records < 0 || records > kMaxChanRecords) return;
    PutI16(b + kVersionAt, kSetupVersion);
    PutI32(b + kSizeAt, static_cast<int32_t>(total));
    PutI32(b + kFirstRecordAt, static_cast<int32_t>(kSetupHeaderBytes));
    PutI16(b + kRecordCountAt, records);
    PutI32(b + kDelayAt, acq.preStartDelay);
    PutLeF64(b + kPeriodAt, acq.samplePeriodMs);
    PutI32(b + kLengthAt, acq.acqLength);
    PutI16(b + kStorageAt, acq.storageKind);
    PutI16(b + kModeAt, acq.unitMode);
    PutI16(b + kRefCommandAt, acq.refCommand);
    PutI16(b + kRefVoltageAt, static_cast<int32_t>(acq.refVoltage * kRefVoltageCountsPerVolt));
    PutI16(b + kSetupWordAt, acq.settingTwo);
    PutI16(b + kRepeatAt, acq.repeatMode);
    PutI16(b + kAutoRestartAt, acq.autoRestart);
    PutRect(b + kManualPlaceAt, acq.manualControlPlacement, desktop);
    PutRect(b + kStatusRectAt, acq.statusRect, desktop);
    PutRect(b + kAcqSetupPlaceAt, acq.acqSetupPlacement, desktop);
    PutRect(b + kChanSetupPlaceAt, acq.channelSetupPlacement, desktop);
    PutI16(b + kDataModeAt, acq.dataMode);
    PutLeF64(b + kRestartIntervalAt, acq.restartInterval);
    PutLeF64(b + kSetupDoubleAt, acq.settingOne);
    PutI32(b + kRestartCountAt, acq.restartCount);
    PutI16(b + kEndlessAt, acq.endlessRestart);
    PutI16(b + kAutosaveAt, acq.autosaveEnable);
    PutI16(b + kAutosaveNumberAt, acq.autosaveNumber);
    PutRect(b + kTriggerPlaceAt, acq.triggerPlacement, desktop);
    PutI16(b + kInputValuesShownAt, acq.run.inputValuesShown);
    PutRect(b + kStimPlaceAt, acq.stimulatorPlacement, desktop);
    PutI32(b + kChanSetupShownAt, acq.channelSetupShown);
    PutI32(b + kAcqSetupShownAt, acq.acqSetupShown);
    PutI32(b + kRelayoutAt, acq.inputValuesRelayout);
    EncodeCalcSetup(*CalcSettings(&acq), b);
    for (int32_t i = 0; i < records; ++i) EncodeRecord(acq, i, b + kSetupHeaderBytes + i * kSetupRecordBytes);
}

bool SetupBlockIsSound(const uint8_t* b, size_t size) {
    if (!b || size < 2) return size == 0;
    const int32_t v = GetLeI16(b + kVersionAt);
    if (v <= 0) return false;
    if (v <= kSetupOldestVersion || size < kSetupHeaderBytes) return true;
    const int32_t first = GetLeI32(b + kFirstRecordAt);
    const int32_t count = GetLeI16(b + kRecordCountAt);
    if (count < 0 || (count > 0 && first < static_cast<int32_t>(kSetupHeaderBytes))) return false;
    // Each record whole inside the block, the next at its stored length.
    size_t at = static_cast<size_t>(first);
    for (int32_t n = 0; n < count; ++n) {
        if (at > size || size - at < kSetupRecordBytes) return false;
        const int32_t step = GetLeI32(b + at + kRecLengthAt);
        if (step < static_cast<int32_t>(kSetupRecordBytes)) return false;
        at += static_cast<size_t>(step);
    }
    return true;
}

// The header, then the records of the smaller count, each placed by its kind and number.
stSetupRead DecodeSetupBlock(const uint8_t* b, size_t size, int32_t records, int32_t digitalCount, const RECT& desktop,
                             bool neverSaved, stAcq* acq) {
    stSetupRead read{};
    if (!b || size < kSetupHeaderBytes) return read;
    const int32_t v = GetLeI16(b + kVersionAt);
    if (v <= kSetupOldestVersion) return read;
    read.version = v;
    read.storedRecords = GetLeI16(b + kRecordCountAt);
    read.storedModel = read.storedRecords == kRecordsModelVK40   ? kModelVK40
                       : read.storedRecords == kRecordsModelVK45 ? kModelVK45
                                                                 : 0;
    acq->preStartDelay = GetLeI32(b + kDelayAt);
    acq->samplePeriodMs = GetLeF64(b + kPeriodAt);
    acq->acqLength = GetLeI32(b + kLengthAt);
    acq->storageKind = GetLeI16(b + kStorageAt);
    acq->unitMode = GetLeI16(b + kModeAt);
    acq->refCommand = static_cast<uint8_t>(GetLeI16(b + kRefCommandAt));
    acq->refVoltage = GetLeI16(b + kRefVoltageAt) * kRefVoltageUnscale;
    acq->settingTwo = GetLeI16(b + kSetupWordAt);
    acq->repeatMode = static_cast<int16_t>(GetLeI16(b + kRepeatAt) + (v <= kRepeatShiftedUpTo ? 1 : 0));
    acq->autoRestart = GetLeI16(b + kAutoRestartAt);
    acq->manualControlPlacement = GetRect(b + kManualPlaceAt, desktop);
    acq->statusRect = GetRect(b + kStatusRectAt, desktop);
    acq->acqSetupPlacement = GetRect(b + kAcqSetupPlaceAt, desktop);
    acq->channelSetupPlacement = GetRect(b + kChanSetupPlaceAt, desktop);
    acq->dataMode = GetLeI16(b + kDataModeAt);
    acq->restartInterval = GetLeF64(b + kRestartIntervalAt);
    acq->settingOne = GetLeF64(b + kSetupDoubleAt);
    acq->restartCount = GetLeI32(b + kRestartCountAt);
    acq->endlessRestart = GetLeI16(b + kEndlessAt);
    acq->autosaveEnable = GetLeI16(b + kAutosaveAt);
    acq->autosaveNumber = GetLeI16(b + kAutosaveNumberAt);
    acq->triggerPlacement = GetRect(b + kTriggerPlaceAt, desktop);
    acq->run.inputValuesShown = GetLeI16(b + kInputValuesShownAt);
    RECT stim = GetRect(b + kStimPlaceAt, desktop);
    const LONG maxLeft = (desktop.right - desktop.left) * 8 / 10, maxTop = (desktop.bottom - desktop.top) * 8 / 10;
    OffsetRect(&stim, std::clamp(stim.left, 0L, maxLeft) - stim.left, std::clamp(stim.top, 0L, maxTop) - stim.top);
    acq->stimulatorPlacement = stim;
    DecodeCalcSetup(b, v, acq->firstAnalogNumber, CalcSettings(acq));
    if (v >= kPresetTailFrom && neverSaved) {
        acq->channelSetupShown = GetLeI32(b + kChanSetupShownAt);
        acq->acqSetupShown = GetLeI32(b + kAcqSetupShownAt);
        acq->inputValuesRelayout = GetLeI32(b + kRelayoutAt);
    }

    const size_t first = static_cast<size_t>(GetLeI32(b + kFirstRecordAt));
    const int32_t count = std::min(read.storedRecords, records);
    size_t at = first;
    for (int32_t n = 0; n < count && at <= size && size - at >= kSetupRecordBytes; ++n) {
        stAcqChan key{};
        key.group = GetLeI16(b + at + kRecKindAt);
        key.number = GetLeI16(b + at + kRecNumberAt);
        const int32_t i = ChannelTableIndex(key, digitalCount);
        if (key.group == kGroupDigital && (GetLeI16(b + at + kRecFlagsAt) & kChanEnabled) && i < 0)
            read.otherModelDigital = 1;
        if (i >= 0) DecodeRecord(b + at, v, acq, i);
        const int32_t step = GetLeI32(b + at + kRecLengthAt);
        if (step <= 0) break;
        at += static_cast<size_t>(step);
    }
    if (read.storedModel == kModelVK40 && digitalCount > 0)
        for (int32_t d = 0; d < digitalCount; ++d) ResetDigitalRecord(&acq->chans[kAnalogChannels + d]);
    return read;
}

// ---- The document's block ----

namespace {

RECT Desktop() {
    RECT r{};
    if (!SystemParametersInfoA(SPI_GETWORKAREA, 0, &r, 0) || IsRectEmpty(&r))
        r = RECT{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
    return r;
}

}  // namespace

// Grows the block when the unit has more records; what the library keeps no copy of stays.
int32_t SaveAcquisitionSetup(stAcq* acq, tagGS* gs) {
    if (!acq || !gs) return 0;
    const size_t size = SetupBlockSize(NChanTotal);
    HGLOBAL h = gs->setupBlock;
    const size_t have = h ? GlobalSize(h) : 0;
    if (!h) {
        h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    } else if (have < size) {
        HGLOBAL grown = GlobalReAlloc(h, size, GMEM_MOVEABLE | GMEM_ZEROINIT);
        if (!grown) return 0;
        h = grown;
    }
    if (!h) return 0;
    gs->setupBlock = h;
    auto* block = static_cast<uint8_t*>(GlobalLock(h));
    if (!block) return 0;
    EncodeSetupBlock(*acq, NChanTotal, Desktop(), block, GlobalSize(h));
    GlobalUnlock(h);
    return 1;
}

// The stored graph's model comes from its record count; another model's set-up is converted
// (with the user's consent) before it is read.
int32_t RestoreAcquisitionSetup(stAcq* acq, tagGS* gs) {
    if (!acq || !gs) return 0;
    if (!gs->setupBlock && gs->foreignData) {
        gs->setupBlock = gs->foreignData;
        gs->foreignData = nullptr;
    }
    HGLOBAL h = gs->setupBlock;
    if (!h) return 0;
    const size_t size = GlobalSize(h);
    {
        const auto* block = static_cast<const uint8_t*>(GlobalLock(h));
        if (!block) return 0;
        // A block too short for the header is some other program's: kept, not read.
        if (size < kSetupHeaderBytes) {
            GlobalUnlock(h);
            return 0;
        }
        const int32_t v = GetLeI16(block + kVersionAt);
        const int32_t stored = GetLeI16(block + kRecordCountAt);
        GlobalUnlock(h);
        if (v <= kSetupOldestVersion) {
            GlobalFree(h);
            gs->setupBlock = nullptr;
            return 0;
        }
        if (stored == kRecordsModelVK40) gs->unitModel = kModelVK40;
        if (stored == kRecordsModelVK45) gs->unitModel = kModelVK45;
    }
    if (g_unitModel && gs->unitModel && static_cast<int32_t>(gs->unitModel) != g_unitModel &&
        !CVKDevice::CheckCompatibility(gs))
        return 0;
    const auto* block = static_cast<const uint8_t*>(GlobalLock(h));
    if (!block) return 0;
    const stSetupRead read = DecodeSetupBlock(block, size, NChanTotal, NDChan, Desktop(), gs->filePath[0] == '\0', acq);
    GlobalUnlock(h);
    if (read.otherModelDigital) SetModelMismatch(gs, 1);
    if (!read.version) return 0;
    g_runPanels.refreshSetupPanels(acq);
    return 1;
}
