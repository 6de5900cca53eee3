// Small operations shared by the graph window and its neighbours.
#include "graph/window/support.h"
#include "common/tagGS.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include "graph/render/waveforms.h"
#include <new>
#include <cmath>
#include <cstring>

namespace {
struct SavedSelection {
    double selStart = 0.0, selEnd = 0.0;
    uint32_t selectedChan = 0;
} g_savedSelection;

constexpr uint64_t kTicksPerMs = 10000;  // FILETIME counts 100 ns
constexpr int kScaleSteps = 10;          // a rounded range spans about ten whole units
constexpr int kFirstAnalogSlot = 1, kLastAnalogSlot = 4;
constexpr int kFirstDigitalSlot = 20;
constexpr int kFirstCalcSlot = 40, kLastCalcSlot = 51;

bool ValidSlot(int slot) { return slot >= 0 && slot < kMaxChannels; }
}  // namespace

int IsChannelShown(const tagGS* gs, int slot) {
    if (!gs || !ValidSlot(slot)) return 0;
    return (gs->chanFlags[slot] & kChanSlotMask) >= 2 ? 1 : 0;
}

int CountShownSlots(const tagGS* gs) {
    int n = 0;
    for (int slot = 0; slot < kMaxChannels; ++slot) n += IsChannelShown(gs, slot);
    return n;
}

int IsChannelAutoScalable(const tagGS* gs, int slot) {
    if (!gs || !ValidSlot(slot)) return 0;
    return (gs->chanFlags[slot] & kChanHidden) == 0 ? 1 : 0;
}

// Analog slots 1-4, then the unit's digital records, then the calculation records.
stAcqChan* GetChannelSetupEntry(stAcq* acq, int slot) {
    if (!acq) return nullptr;
    int digital = NDChan;
    int entry = -1;
    if (slot >= kFirstAnalogSlot && slot <= kLastAnalogSlot)
        entry = slot - kFirstAnalogSlot;
    else if (slot >= kFirstDigitalSlot && slot < kFirstDigitalSlot + digital)
        entry = slot - 16;
    else if (slot >= kFirstCalcSlot && slot <= kLastCalcSlot)
        entry = slot + digital - 36;
    if (entry < 0 || entry >= kMaxChanRecords) return nullptr;
    return &acq->chans[entry];
}

void SaveSelection(const tagGS* gs) {
    g_savedSelection.selStart = gs->selStart;
    g_savedSelection.selEnd = gs->selEnd;
    g_savedSelection.selectedChan = gs->selectedChan;
}

void RestoreSelection(tagGS* gs) {
    gs->selStart = g_savedSelection.selStart;
    gs->selEnd = g_savedSelection.selEnd;
    gs->selectedChan = g_savedSelection.selectedChan;
}

void SelectChannelVisibleRange(tagGS* gs, int slot) {
    if (!gs || !ValidSlot(slot)) return;
    gs->selectedChan = static_cast<uint32_t>(slot);
    double length = gs->chanCount[slot] * gs->sampleInterval;
    if (length <= gs->hStart) {
        gs->selStart = 0.0;
        gs->selEnd = length;
        return;
    }
    gs->selStart = gs->hStart;
    double visibleEnd = gs->hStart + gs->hPerDiv * gs->hDivisions;
    gs->selEnd = length < visibleEnd ? length : visibleEnd;
}

void Swap64(void* a, void* b) {
    uint64_t x, y;
    std::memcpy(&x, a, sizeof x);
    std::memcpy(&y, b, sizeof y);
    std::memcpy(a, &y, sizeof y);
    std::memcpy(b, &x, sizeof x);
}

void RoundChannelScale(tagGS* gs, int slot) {
    if (!gs || !ValidSlot(slot)) return;
    double span = gs->chanVPerDiv[slot] * gs->chanVDivisions[slot];
    double lo = gs->chanVCenter[slot] - span / 2, hi = gs->chanVCenter[slot] + span / 2;
    double range = std::fabs(hi - lo);
    double perDiv = std::ceil(range / kScaleSteps);
    if (perDiv <= 0.0) return;  // an empty range has no divisions to round to
    gs->chanVDivisions[slot] = range / perDiv;
    gs->chanVPerDiv[slot] = perDiv;
    gs->chanVCenter[slot] = (hi + lo) / 2;
    gs->chanVOffsetDiv[slot] = 0.0;
}

void RoundScalesForGrid(tagGS* gs, int xyOnly) {
    if (!gs) return;
    if (xyOnly) {
        RoundChannelScale(gs, static_cast<int>(gs->selectedChan));
        RoundChannelScale(gs, static_cast<int>(gs->xyXChan));
        return;
    }
    for (int slot = 0; slot < kMaxChannels; ++slot)
        if (IsChannelShown(gs, slot)) RoundChannelScale(gs, slot);
    // The visible time stays; it is counted in divisions of 1000 ms for slow recordings and of
    // 50 ms for fast ones.
    double start = GraphXToTime(gs, gs->plotRect.left);
    double end = GraphXToTime(gs, gs->plotRect.right);
    gs->hPerDiv = gs->sampleInterval >= 0.5 ? 1000.0 : 50.0;
    gs->hStart = start > 0 ? start : 0.0;
    gs->hDivisions = (end - gs->hStart) / gs->hPerDiv;
    gs->gridExtraValue = 0.0;
}

char* AllocTimeText(const SYSTEMTIME* st) {
    if (!st) return nullptr;
    int size = GetTimeFormatA(LOCALE_USER_DEFAULT, 0, st, nullptr, nullptr, 0);
    if (size <= 0) return nullptr;
    char* text = new (std::nothrow) char[static_cast<size_t>(size)];
    if (!text) return nullptr;
    if (GetTimeFormatA(LOCALE_USER_DEFAULT, 0, st, nullptr, text, size) <= 0) {
        delete[] text;
        return nullptr;
    }
    return text;
}

int MatchFileTag(HANDLE file, uint32_t tag) {
    LARGE_INTEGER zero{}, where{};
    if (!SetFilePointerEx(file, zero, &where, FILE_CURRENT)) return 0;
    uint32_t read = 0;
    DWORD got = 0;
    if (!ReadFile(file, &read, sizeof read, &got, nullptr)) return 0;
    if (got == sizeof read && read == tag) return 1;
    SetFilePointerEx(file, where, nullptr, FILE_BEGIN);
    return 0;
}

uint64_t SystemTimeToInt64(const SYSTEMTIME* st) {
    FILETIME ft{};
    if (!SystemTimeToFileTime(st, &ft)) return 0;
    return (static_cast<uint64_t>(ft.dwHighDateTime) << 32) | ft.dwLowDateTime;
}

SYSTEMTIME Int64ToSystemTime(uint64_t value) {
    FILETIME ft{static_cast<DWORD>(value & 0xFFFFFFFFu), static_cast<DWORD>(value >> 32)};
    SYSTEMTIME st{};
    FileTimeToSystemTime(&ft, &st);
    return st;
}

void AddMillisecondsToSystemTime(SYSTEMTIME* out, const SYSTEMTIME* in, uint32_t ms) {
    *out = Int64ToSystemTime(SystemTimeToInt64(in) + ms * kTicksPerMs);
}
