// What every transform shares: its range, undo entry, progress, Escape, destination and finish.
#include "transforms/transform_conventions.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "graph/document/channel_edits.h"
#include "graph/document/sample_store.h"
#include "graph/view/channel_selection.h"
#include "graph/view/display_modes.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <utility>

namespace {
EscapeProbe g_escapeProbe = nullptr;

bool KeyboardEscape() { return IsEscapeKeyDown(); }

// A selection edge as a sample index: rounded to the nearest sample, then truncated.
int32_t EdgeIndex(double t, double interval) {
    if (!(interval > 0.0)) return 0;
    const double r = RoundToNearestIncrement(t / interval, 1.0);
    if (!(r > 0.0)) return 0;
    return r >= 2147483647.0 ? INT32_MAX : static_cast<int32_t>(r);
}
}  // namespace

int SelectedRange(tagGS* gs, TransformRange* range) {
    return SelectionRangeOf(gs, gs ? static_cast<int>(gs->selectedChan) : 0, range);
}

// The selection through the program's one selection-to-samples rule.
int SelectionRangeOf(tagGS* gs, int slot, TransformRange* range) {
    *range = TransformRange{};
    range->slot = slot;
    if (!gs || slot < 0 || slot >= kMaxChannels) return kTransformBadSelection;
    range->selectionEmpty = gs->selStart == gs->selEnd;
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return kTransformBadSelection;
    range->first = first;
    range->last = last;
    return kTransformDone;
}

void UseWholeChannel(const tagGS* gs, TransformRange* range) {
    range->first = 0;
    range->last = static_cast<int32_t>(gs->chanCount[range->slot]) - 1;
    range->entire = true;
}

void SelectionTimesToRange(double start, double end, double interval, int32_t count, int32_t* first, int32_t* last) {
    int32_t a = EdgeIndex(start, interval), b = EdgeIndex(end, interval);
    if (a > b) std::swap(a, b);
    if (b > count - 1) b = count - 1;
    if (a > b) a = b < 0 ? 0 : b;
    *first = a;
    *last = b;
}

void RangeFromSelectionTimes(const tagGS* gs, int32_t count, TransformRange* range) {
    SelectionTimesToRange(gs->selStart, gs->selEnd, gs->sampleInterval, count, &range->first, &range->last);
    range->entire = false;
}

double* ChannelAsDoubles(tagGS* gs, int slot) {
    if (!gs || slot < 0 || slot >= kMaxChannels || !ConvertChannelToDouble(gs, slot)) return nullptr;
    if (gs->chanType[slot] != 1 || !gs->chanCount[slot]) return nullptr;
    return static_cast<double*>(gs->chanBlock[slot]);
}

int ReadChannelValues(tagGS* gs, int slot, int32_t first, int64_t n, double* out) {
    if (!gs || !out || slot < 0 || slot >= kMaxChannels || first < 0 || n < 0) return 0;
    if (static_cast<int64_t>(first) + n > static_cast<int64_t>(gs->chanCount[slot])) return 0;
    if (!LoadSampleWindow(gs, 0, gs->totalSamples)) return 0;
    const void* block = gs->chanBlock[slot];
    if (gs->storageKind != kStoreMemory || !block) {
        for (int64_t i = 0; i < n; ++i)
            if (!ReadChannelSample(gs, static_cast<int>(first + i), slot, &out[i])) return 0;
        return 1;
    }
    if (gs->chanType[slot] == kTypeDouble) {
        std::memcpy(out, static_cast<const double*>(block) + first, static_cast<size_t>(n) * sizeof(double));
        return 1;
    }
    // What the block holds of the channel: a sample past it reads 0, as after a conversion.
    const auto* raw = static_cast<const int16_t*>(block);
    const size_t held = LockedBlockBytes(raw) / sizeof(int16_t);
    for (int64_t i = 0; i < n; ++i) {
        const size_t at = static_cast<size_t>(first + i);
        out[i] = at < held ? RawToValue(raw[at], gs->chanScale[slot], gs->chanOffset[slot]) : 0.0;
    }
    return 1;
}

double SampleStep(const tagGS* gs) {
    if (gs->hUnitKind == kHUnitUser) return gs->sampleInterval;
    if (gs->hUnitKind == kHUnitFrequency) return gs->sampleInterval * 1000.0;
    return gs->sampleInterval / 1000.0;
}

double SampleRate(const tagGS* gs) {
    if (gs->hUnitKind == kHUnitUser) return gs->sampleInterval;
    return gs->sampleInterval > 0.0 ? 1000.0 / gs->sampleInterval : 0.0;
}

int SaveTransformUndo(tagGS* gs, const TransformRange& range, const char* name) {
    if (!gs->chanCount[range.slot]) return 1;
    char text[80];
    std::snprintf(text, sizeof text, "Undo %s", name);
    return SaveUndo(gs, range.slot, range.entire ? kUndoWholeInPlace : kUndoInPlace, text);
}

uint32_t ProgressPercent(int64_t index, int64_t first, int64_t last) {
    const int64_t n = last - first + 1;
    if (n <= 0 || index <= first) return 0;
    const int64_t done = index - first;
    return static_cast<uint32_t>(done >= n ? 100 : done * 100 / n);
}

void SetTransformEscapeProbe(EscapeProbe probe) { g_escapeProbe = probe; }

bool TransformEscapeHeld() { return (g_escapeProbe ? g_escapeProbe : KeyboardEscape)(); }

TransformProgress::TransformProgress(const char* key, int64_t first, int64_t last)
    : m_key(key), m_first(first), m_last(last), m_next(first), m_shown(0), m_stopped(false) {
    SetWaitCursor(1);
    notify::SetStatusTextFmt(m_key, 0);
}

TransformProgress::~TransformProgress() {
    notify::SetStatusText("Ready");
    SetWaitCursor(0);
}

// The next index at which the percentage changes is worked out once, so Step is one compare.
bool TransformProgress::Advance(int64_t index) {
    if (m_stopped || TransformEscapeHeld()) {
        m_stopped = true;
        return false;
    }
    ShowPercent(index);
    return true;
}

void TransformProgress::ShowPercent(int64_t index) {
    const uint32_t pct = ProgressPercent(index, m_first, m_last);
    if (pct != m_shown) {
        m_shown = pct;
        notify::SetStatusTextFmt(m_key, static_cast<int32_t>(pct));
    }
    // The first index of the next percent: smallest i with (i - first) * 100 >= (pct + 1) * n.
    const int64_t n = m_last - m_first + 1;
    const int64_t need = (static_cast<int64_t>(pct) + 1) * n;
    m_next = m_first + (need + 99) / 100;
    if (m_next <= index) m_next = index + 1;
}

void FillDestinationList(HWND combo, const tagGS* gs, int select, bool numbered) {
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    int inUse = 0;
    for (int slot = 0; slot < kMaxChannels; ++slot) {
        if (!ChannelInUse(gs, slot)) continue;
        ++inUse;
        char text[80];
        const int label = static_cast<int>(sizeof gs->chanLabel[slot]);
        if (numbered)
            std::snprintf(text, sizeof text, "CH%2d, %.*s", slot, label, gs->chanLabel[slot]);
        else
            std::snprintf(text, sizeof text, "%.*s", label, gs->chanLabel[slot]);
        if (!text[0]) std::snprintf(text, sizeof text, "%d", slot + 1);
        const LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), slot);
        if (slot == select) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
    if (inUse < kMaxChannels - 1) {
        const LRESULT at = SendMessageA(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Keyed("New")));
        SendMessageA(combo, CB_SETITEMDATA, static_cast<WPARAM>(at), static_cast<LPARAM>(-1));
        if (select < 0) SendMessageA(combo, CB_SETCURSEL, static_cast<WPARAM>(at), 0);
    }
}

int OpenDestination(tagGS* gs, int choice, TransformDestination* dest) {
    *dest = TransformDestination{};
    if (choice >= 0) {
        if (choice >= kMaxChannels) return 0;
        dest->slot = choice;
        return 1;
    }
    int slot = -1;
    if (!NewChannelSlot(gs, &slot) || slot < 0) return 0;
    gs->chanType[slot] = 1;
    gs->chanBytes[slot] = 8;
    dest->slot = slot;
    dest->created = true;
    RebuildChannelItems(gs);
    return 1;
}

void AbandonDestination(tagGS* gs, TransformDestination* dest) {
    if (dest->created && dest->slot >= 0) {
        DeleteChannelData(gs, dest->slot);
        RebuildChannelItems(gs);
    }
    *dest = TransformDestination{};
}

uint32_t GrownDestinationCount(uint32_t oldCount, int32_t first, int32_t last) {
    const uint64_t length = last >= first ? static_cast<uint64_t>(static_cast<int64_t>(last) - first + 1) : 0;
    uint64_t grown;
    if (first >= 0 && static_cast<uint32_t>(first) < oldCount)
        grown = std::max<uint64_t>(oldCount, static_cast<uint64_t>(last) + 1);
    else
        grown = oldCount + length;
    return grown > 0xFFFFFFFFull ? 0xFFFFFFFFu : static_cast<uint32_t>(grown);
}

int32_t DestinationWriteStart(uint32_t oldCount, int32_t first) {
    return first >= 0 && static_cast<uint32_t>(first) < oldCount ? first : static_cast<int32_t>(oldCount);
}

// Storing the last sample grows the block, zero-filled, as every sample store does.
int GrowChannelTo(tagGS* gs, int slot, uint32_t count) {
    if (count == 0 || count <= gs->chanCount[slot]) return ConvertChannelToDouble(gs, slot);
    if (count > 0x7FFFFFFFu) return 0;
    return PutChannelSample(gs, static_cast<int>(count - 1), slot, 0.0);
}

void FinishTransform(tagGS* gs) {
    setDirtyGraphFlag(gs, 1);
    if (gs->autoscaleMode) AutoScaleGraph(gs, gs->autoscaleMode == 1);
    UpdateGraphScrollBars(gs);
    if (gs->hwnd) InvalidateRect(gs->hwnd, nullptr, FALSE);
}

void SetFrequencyResultGrid(tagGS* gs, bool gridShown) {
    gs->hUnitKind = kHUnitFrequency;
    gs->gridShown = gridShown ? 1 : 0;
    SetGridFine(gs, gridShown);
    gs->gridColor = 0x8F8F8F;
    gs->gridMinorColor = 0xC0C0C0;
    const uint16_t gridOptions[4] = {0, 2, 1, 1};
    std::memcpy(gs->gridOptions, gridOptions, sizeof gridOptions);
}

void ShowResultGraph(HWND hwnd) {
    if (!g_app || !hwnd || !IsWindow(hwnd)) return;
    BOOL zoomed = FALSE;
    auto active = reinterpret_cast<HWND>(
        SendMessageA(g_app->hwndClient, WM_MDIGETACTIVE, 0, reinterpret_cast<LPARAM>(&zoomed)));
    if (active && active != hwnd && zoomed) ShowWindow(active, SW_SHOWNORMAL);
    SendMessageA(g_app->hwndClient, WM_MDIACTIVATE, reinterpret_cast<WPARAM>(hwnd), 0);
    ShowWindow(hwnd, SW_SHOW);
    SendMessageA(g_app->hwndClient, WM_MDIREFRESHMENU, 0, 0);
}

void SetResultMeasurements(tagGS* gs, const int types[5]) {
    if (!gs || !types) return;
    const int boxes = GetMeasurementCount(gs->measureGrid);
    if (boxes <= 2) return;
    for (int b = 0; b < 5 && b < boxes; ++b)
        if (stMeasure* box = GetMeasurementAt(gs->measureGrid, b)) SetMeasurementType(box, types[b]);
    SetMeasurementCaptions(gs);
}
