// Channel edits over the channel clipboard, resampling, and the one-level undo store.
#include "graph/document/channel_edits.h"
#include <windows.h>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <vector>
#include "base/app.h"
#include "base/locked_block.h"
#include "base/notify.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/files/graph_file.h"
#include "documents/markers/markers.h"
#include "graph/dialogs/dialogs_api.h"
#include "graph/document/graph_doc.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "graph/window/graph_window.h"

// ---- Pure parts ----

double RoundToNearestIncrement(double x, double inc) {
    if (inc == 0.0) return x;
    const double q = x / inc;
    return std::trunc(x < 0.0 ? q - 0.5 : q + 0.5) * inc;
}

namespace {
void ShowZeroIncrement() {
    MessageBoxA(Owner(), Keyed("inc=0.0!"), Keyed("RoundUp"), MB_OK);
}

double RoundFromOrigin(double x, double inc, double origin, bool allowBelow) {
    if (inc == 0.0) {
        ShowZeroIncrement();
        return x;
    }
    const double q = (x - origin) / inc;
    double n = std::trunc(q);
    const double away = n + (q < 0.0 ? -1.0 : 1.0);
    if ((allowBelow ? x < origin : x > origin) && std::fabs(away - q) < 0.0001) n = away;
    return origin + n * inc;
}
}  // namespace

double RoundDownFromOrigin(double x, double inc, double origin) { return RoundFromOrigin(x, inc, origin, true); }
double RoundUpFromOrigin(double x, double inc, double origin) { return RoundFromOrigin(x, inc, origin, false); }

uint32_t ResampledCount(uint32_t count, double factor) {
    if (count == 0 || !(factor > 0.0)) return 0;
    if (factor == 1.0) return count;
    double n = std::trunc(count * factor);
    if (factor < 1.0)
        n += std::trunc(1.0 / factor) - 1.0;
    else
        n += 1.0 - std::trunc(factor);
    if (n < 1.0) return 1;  // a channel keeps at least one sample
    return n >= 4294967295.0 ? 0xFFFFFFFFu : static_cast<uint32_t>(n);
}

void ResampleValues(const double* values, uint32_t count, double factor, double* out, uint32_t outCount) {
    if (count == 0) return;
    for (uint32_t j = 0; j < outCount; ++j) {
        const double pos = j / factor;
        uint32_t i0 = pos >= count - 1 ? count - 1 : static_cast<uint32_t>(pos);
        uint32_t i1 = i0 + 1 < count ? i0 + 1 : count - 1;
        out[j] = i0 == i1 ? values[i0] : values[i0] + (values[i1] - values[i0]) * (pos - i0);
    }
}

namespace {

// Bytes of one sample of a slot.
size_t SlotWidth(const tagGS* gs, int slot) {
    return gs->chanBytes[slot] ? gs->chanBytes[slot] : SampleWidth(gs->chanType[slot]);
}

bool ValidSlot(int slot) { return slot >= 0 && slot < kMaxChannels; }

// The raw form of a value: the nearest raw step, so that a value read from a raw sample gives
// back that sample.
int16_t ToRaw(double value, double scale, double offset) {
    if (scale == 0.0 || !std::isfinite(value)) return 0;
    const double r = std::nearbyint((value - offset) / scale);
    return r >= 32767.0 ? 32767 : r <= -32768.0 ? -32768 : static_cast<int16_t>(r);
}

// Makes a locked block hold exactly bytes (freed and null for 0). False when that fails; the
// block is then as it was.
bool ResizeBlock(void** block, size_t bytes) {
    if (bytes == 0) {
        FreeLockedBlock(*block);
        return true;
    }
    if (!*block) {
        *block = AllocLockedBlock(bytes);
        return *block != nullptr;
    }
    if (LockedBlockBytes(*block) < bytes) return GrowLockedBlock(block, bytes);
    HGLOBAL h = GlobalHandle(*block);
    if (!h) return false;
    GlobalUnlock(h);
    HGLOBAL smaller = GlobalReAlloc(h, bytes, GMEM_MOVEABLE);
    void* p = GlobalLock(smaller ? smaller : h);
    if (!p) return false;
    *block = p;
    return true;
}

// A slot as f64 values; an empty slot just takes the type.
bool EnsureDouble(tagGS* gs, int slot) {
    if (gs->chanCount[slot] == 0) {
        if (!LoadSampleWindow(gs, 0, gs->totalSamples)) return false;
        FreeLockedBlock(gs->chanBlock[slot]);
        gs->chanType[slot] = kTypeDouble;
        gs->chanBytes[slot] = sizeof(double);
        return true;
    }
    return ConvertChannelToDouble(gs, slot) != 0;
}

}  // namespace

int AnyOtherChannel(const tagGS* gs, int slot) {
    for (int s = 0; s < kMaxChannels; ++s)
        if (s != slot && (gs->chanFlags[s] & kChanSlotMask) != 0) return 1;
    return 0;
}

namespace {

// The interval the document has once a paste into slot is done, and the count it inserts.
double IntervalAfterPaste(const tagGS* clip, const tagGS* doc, int slot) {
    return doc->chanCount[slot] == 0 && !AnyOtherChannel(doc, slot) ? clip->sampleInterval : doc->sampleInterval;
}

double PasteFactor(const tagGS* clip, const tagGS* doc, int slot) {
    const double after = IntervalAfterPaste(clip, doc, slot);
    if (!g_app || !g_app->options.bInterpolatePaste || !(after > 0.0) || !(clip->sampleInterval > 0.0)) return 1.0;
    return clip->sampleInterval / after;
}

uint32_t PastedCount(const tagGS* clip, const tagGS* doc, int slot) {
    return ResampledCount(clip->chanCount[0], PasteFactor(clip, doc, slot));
}

// The values of a slot's samples [first, first + n); false when a read fails.
bool ReadValues(tagGS* gs, int slot, uint32_t first, uint32_t n, double* out) {
    PagingPolicyScope scope(kPagingForward);
    for (uint32_t i = 0; i < n; ++i)
        if (!GetChannelSample(gs, static_cast<int>(first + i), slot, &out[i])) return false;
    return true;
}

// Stores values into a block of a slot's type.
void StoreValues(const double* values, uint32_t n, uint16_t type, double scale, double offset, void* block) {
    if (type == 1) {
        std::memcpy(block, values, static_cast<size_t>(n) * sizeof(double));
        return;
    }
    auto* raw = static_cast<int16_t*>(block);
    for (uint32_t i = 0; i < n; ++i) raw[i] = ToRaw(values[i], scale, offset);
}

void SetZoomLevelZero(tagGS* gs, int slot) {
    gs->zoomVCenter[0][slot] = gs->chanVCenter[slot];
    gs->zoomVPerDiv[0][slot] = gs->chanVPerDiv[slot];
    gs->zoomLevel = 0;
    gs->zoomCount = 0;
}

void RecomputeChannelLayout(tagGS* gs) {
    if (gs->hwnd) UpdateGraphScrollBars(gs);
}

}  // namespace

// ---- Time ranges ----

namespace {
int RangeToSamples(const tagGS* gs, double t0, double t1, uint32_t limit, int* first, int* last) {
    double a = 0.0, b = 0.0;
    if (gs->sampleInterval > 0.0) {
        a = RoundUpToIncrement(t0 / gs->sampleInterval, 1.0);
        b = RoundUpToIncrement(t1 / gs->sampleInterval, 1.0);
    }
    auto index = [](double v) { return !(v > 0.0) ? 0.0 : v > 2147483647.0 ? 2147483647.0 : std::trunc(v); };
    double lo = index(a), hi = index(b);
    if (lo > hi) std::swap(lo, hi);
    if (hi > limit) hi = limit;
    if (lo > hi) lo = hi;
    *first = static_cast<int>(lo);
    *last = static_cast<int>(hi);
    return limit != 0;
}
}  // namespace

int ChannelRangeToSamples(tagGS* doc, int slot, double t0, double t1, int* first, int* last) {
    if (!doc || !first || !last || !ValidSlot(slot)) return 0;
    return RangeToSamples(doc, t0, t1, doc->chanCount[slot], first, last);
}

// ---- Edits ----

int CopyChannelRange(tagGS* doc, int slot, double t0, double t1, tagGS* clip) {
    if (!doc || !clip || !ValidSlot(slot)) return 0;
    int first = 0, last = 0;
    if (!ChannelRangeToSamples(doc, slot, t0, t1, &first, &last)) return 0;
    const uint32_t n = static_cast<uint32_t>(last - first);
    if (n == 0) {
        clip->chanCount[0] = 0;
        return 1;
    }
    std::vector<double> values;
    if (!ResizeBlock(&clip->chanBlock[0], n * SlotWidth(doc, slot))) return 0;
    try {
        values.resize(n);
    } catch (...) {
        return 0;
    }
    if (!ReadValues(doc, slot, static_cast<uint32_t>(first), n, values.data())) return 0;
    StoreValues(values.data(), n, doc->chanType[slot], doc->chanScale[slot], doc->chanOffset[slot], clip->chanBlock[0]);
    clip->chanCount[0] = n;
    clip->chanVCenter[0] = doc->chanVCenter[slot];
    clip->chanVPerDiv[0] = doc->chanVPerDiv[slot];
    clip->chanType[0] = doc->chanType[slot];
    clip->chanBytes[0] = static_cast<uint16_t>(SlotWidth(doc, slot));
    clip->chanScale[0] = doc->chanScale[slot];
    clip->chanOffset[0] = doc->chanOffset[slot];
    clip->sampleInterval = doc->sampleInterval;
    lstrcpynA(clip->chanLabel[0], doc->chanLabel[slot], sizeof clip->chanLabel[0]);
    lstrcpynA(clip->chanUnits[0], doc->chanUnits[slot], sizeof clip->chanUnits[0]);
    lstrcpynA(clip->chanDescription[0], doc->chanDescription[slot], sizeof clip->chanDescription[0]);
    return 1;
}

int DeleteChannelRange(tagGS* doc, int slot, double t0, double t1) {
    if (!doc || !ValidSlot(slot) || doc->acquiring) return 0;
    if (!LoadSampleWindow(doc, 0, doc->totalSamples)) return 0;
    int first = 0, last = 0;
    if (!ChannelRangeToSamples(doc, slot, t0, t1, &first, &last)) return 0;
    if (first == last) return 1;
    const size_t w = SlotWidth(doc, slot);
    const uint32_t count = doc->chanCount[slot];
    auto* b = static_cast<uint8_t*>(doc->chanBlock[slot]);
    if (!b) return 0;
    std::memmove(b + first * w, b + last * w, (count - static_cast<uint32_t>(last)) * w);
    doc->chanCount[slot] = count - static_cast<uint32_t>(last - first);
    ResizeBlock(&doc->chanBlock[slot], doc->chanCount[slot] * w);  // a failed shrink keeps the larger block
    doc->selStart = doc->selEnd = first * doc->sampleInterval;
    UpdateGraphLength(doc);
    setDirtyGraphFlag(doc, 1);
    return 1;
}

int PasteChannelRange(tagGS* clip, tagGS* doc, int slot, double t) {
    if (!clip || !doc || !ValidSlot(slot) || doc->acquiring) return 0;
    if ((clip->chanCount[0] && !ConvertChannelToDouble(clip, 0)) || !EnsureDouble(doc, slot)) return 0;
    const uint32_t c = doc->chanCount[slot];
    const double factor = PasteFactor(clip, doc, slot);
    const uint32_t k = ResampledCount(clip->chanCount[0], factor);
    if (k > 0 && !GrowLockedBlock(&doc->chanBlock[slot], (static_cast<size_t>(c) + k) * sizeof(double))) return 0;
    int p = 0, unused = 0;
    RangeToSamples(doc, t, t, c, &p, &unused);
    if (k > 0) {
        auto* target = static_cast<double*>(doc->chanBlock[slot]);
        std::memmove(target + p + k, target + p, (c - static_cast<uint32_t>(p)) * sizeof(double));
        // Samples of another rate are brought to the document's before they go in.
        ResampleValues(static_cast<const double*>(clip->chanBlock[0]), clip->chanCount[0], factor, target + p, k);
    }
    if (c == 0) {
        doc->chanVCenter[slot] = clip->chanVCenter[0];
        doc->chanVPerDiv[slot] = clip->chanVPerDiv[0];
        SetZoomLevelZero(doc, slot);
        lstrcpynA(doc->chanLabel[slot], clip->chanLabel[0], sizeof doc->chanLabel[slot]);
        lstrcpynA(doc->chanUnits[slot], clip->chanUnits[0], sizeof doc->chanUnits[slot]);
        lstrcpynA(doc->chanDescription[slot], clip->chanDescription[0], sizeof doc->chanDescription[slot]);
        doc->sampleInterval = IntervalAfterPaste(clip, doc, slot);
    }
    doc->chanCount[slot] = c + k;
    doc->selectedChan = static_cast<uint32_t>(slot);
    UpdateGraphLength(doc);
    doc->selStart = doc->selEnd = (static_cast<double>(p) + k) * doc->sampleInterval;
    setDirtyGraphFlag(doc, 1);
    return 1;
}

int DuplicateChannelRange(tagGS* doc, int src, double t0, double t1, int dst) {
    if (!doc || !ValidSlot(src) || !ValidSlot(dst) || src == dst) return 0;
    if (!LoadSampleWindow(doc, 0, doc->totalSamples)) return 0;
    int first = 0, last = 0;
    if (!ChannelRangeToSamples(doc, src, t0, t1, &first, &last)) return 0;
    if (first == last) {
        first = 0;
        last = static_cast<int>(doc->chanCount[src]);
    }
    const size_t w = SlotWidth(doc, src), n = static_cast<size_t>(last - first);
    if (!doc->chanBlock[src] || !ResizeBlock(&doc->chanBlock[dst], n * w)) return 0;
    std::memcpy(doc->chanBlock[dst], static_cast<const uint8_t*>(doc->chanBlock[src]) + first * w, n * w);
    doc->chanCount[dst] = static_cast<uint32_t>(n);
    doc->chanVCenter[dst] = doc->chanVCenter[src];
    doc->chanVPerDiv[dst] = doc->chanVPerDiv[src];
    doc->chanType[dst] = doc->chanType[src];
    doc->chanBytes[dst] = static_cast<uint16_t>(w);
    doc->chanScale[dst] = doc->chanScale[src];
    doc->chanOffset[dst] = doc->chanOffset[src];
    lstrcpynA(doc->chanLabel[dst], doc->chanLabel[src], sizeof doc->chanLabel[dst]);
    lstrcpynA(doc->chanUnits[dst], doc->chanUnits[src], sizeof doc->chanUnits[dst]);
    lstrcpynA(doc->chanDescription[dst], doc->chanDescription[src], sizeof doc->chanDescription[dst]);
    return 1;
}

// Slot 0 is never handed out: it is the recording's first input.
int NewChannelSlot(tagGS* doc, int* slot) {
    if (!doc || !slot) return 0;
    for (int s = 1; s < kMaxChannels; ++s) {
        if ((doc->chanFlags[s] & kChanSlotMask) != 0) continue;
        doc->chanFlags[s] = 2;
        doc->chanCount[s] = 0;
        setDirtyGraphFlag(doc, 1);
        if (g_app) notify::UpdateTransformMenu(g_app->hwndFrame, doc->hwnd);
        *slot = s;
        return 1;
    }
    return 0;
}

int DeleteChannelData(tagGS* doc, int slot) {
    if (!doc || !ValidSlot(slot) || doc->acquiring) return 0;
    if (!LoadSampleWindow(doc, 0, doc->totalSamples)) return 0;
    FreeLockedBlock(doc->chanBlock[slot]);
    doc->chanFlags[slot] = 0;
    doc->chanCount[slot] = 0;
    UpdateGraphLength(doc);
    doc->chanType[slot] = kTypeDouble;
    doc->chanBytes[slot] = sizeof(double);
    int held = -1;
    for (int s = 0; s < kMaxChannels && held < 0; ++s)
        if ((doc->chanFlags[s] & kChanSlotMask) != 0) held = s;
    if (held >= 0) {
        doc->selectedChan = static_cast<uint32_t>(held);
        RecomputeChannelLayout(doc);
        setDirtyGraphFlag(doc, 1);
        return 1;
    }
    if (g_app) notify::UpdateTransformMenu(g_app->hwndFrame, doc->hwnd);
    notify::UpdateGraphEditMenus(doc);
    doc->selStart = doc->selEnd = 0.0;
    doc->totalSamples = 0;
    setDirtyGraphFlag(doc, 0);
    return 1;
}

// ---- Resampling ----

namespace {
// The number prompt, starting at the rate given and refusing less than the smallest.
int AskWithNumberPrompt(tagGS* doc, double* rate, double minRate) {
    // The label picks the prompt's sample-rate texts, the minimum-rate note among them.
    const int answer =
        PromptForNumber(doc->hwnd, rate, "&samples/second", "Enter new sample rate", nullptr, nullptr, 0, &minRate);
    return answer == 1 ? 1 : 0;
}
SampleRatePromptProc g_ratePrompt = AskWithNumberPrompt;

// The smallest rate that leaves the recording at least one sample, as the prompt shows it.
double SmallestRate(const tagGS* doc, double current) {
    if (doc->totalSamples <= 0) return 0.0;
    char text[64];
    snprintf(text, sizeof text, "%f", current / doc->totalSamples);
    return atof(text) + 1e-6;
}

// Asks until the answer is not below the smallest rate; false on Cancel.
bool AskSampleRate(tagGS* doc, double current, double* rate) {
    if (!g_ratePrompt) return false;
    const double smallest = SmallestRate(doc, current);
    double value = current;
    for (;;) {
        if (!g_ratePrompt(doc, &value, smallest)) return false;
        if (!(value < smallest)) break;
        MessageBeep(0xFFFFFFFF);
        value = smallest;
    }
    *rate = value;
    return true;
}
}  // namespace

void SetSampleRatePrompt(SampleRatePromptProc prompt) { g_ratePrompt = prompt ? prompt : AskWithNumberPrompt; }

int ResampleChannel(tagGS* doc, int slot, double factor) {
    if (!doc || !ValidSlot(slot) || !(factor > 0.0) || !std::isfinite(factor)) return 0;
    if (factor == 1.0) return 1;
    if (!LoadSampleWindow(doc, 0, doc->totalSamples)) return 0;
    const uint32_t count = doc->chanCount[slot];
    if (count == 0) return 1;
    const uint32_t n = ResampledCount(count, factor);
    const size_t w = SlotWidth(doc, slot);
    if (n > 0x7FFFFFFFu / w) return 0;
    std::vector<double> values, out;
    try {
        values.resize(count);
        out.resize(n);
    } catch (...) {
        return 0;
    }
    if (!ReadValues(doc, slot, 0, count, values.data())) return 0;
    ResampleValues(values.data(), count, factor, out.data(), n);
    void* block = AllocLockedBlock(n * w);
    if (!block) return 0;
    StoreValues(out.data(), n, doc->chanType[slot], doc->chanScale[slot], doc->chanOffset[slot], block);
    FreeLockedBlock(doc->chanBlock[slot]);
    doc->chanBlock[slot] = block;
    doc->chanCount[slot] = n;
    return 1;
}

int PromptForSampleRate(tagGS* doc, int ask, double rate) {
    if (!doc || !(doc->sampleInterval > 0.0) || doc->acquiring) return 0;
    const double current = 1000.0 / doc->sampleInterval;
    if (ask && !AskSampleRate(doc, current, &rate)) return 0;
    if (!(rate > 0.0) || !std::isfinite(rate)) return 0;
    const double interval = 1000.0 / rate;
    if (interval == doc->sampleInterval) return 0;
    const double factor = doc->sampleInterval / interval;
    bool done = true;
    SetWaitCursor(1);
    for (int s = 0; s < kMaxChannels && done; ++s)
        if ((doc->chanFlags[s] & kChanSlotMask) != 0) done = ResampleChannel(doc, s, factor) != 0;
    SetWaitCursor(0);
    if (done) {
        ScaleMarkerPositions(doc, factor);
        doc->sampleInterval = interval;
        UpdateGraphLength(doc);
        setDirtyGraphFlag(doc, 1);
        // The snapshot's sample positions belong to the old rate.
        if (g_app && g_app->undo.nKind && g_app->undo.gs.hwnd == doc->hwnd) ClearUndo();
    }
    if (doc->hwnd) RedrawWindow(doc->hwnd, nullptr, nullptr, RDW_INVALIDATE | RDW_NOERASE);
    return done ? 1 : 0;
}

// ---- Undo ----

int SaveUndo(tagGS* doc, int slot, int kind, const char* text) {
    if (!g_app || !doc || !ValidSlot(slot) || kind < kUndoCut || kind > kUndoReplace || doc->acquiring) return 0;
    if (!LoadSampleWindow(doc, 0, doc->totalSamples)) return 0;
    tagGS& store = g_app->undo.gs;
    const uint32_t count = doc->chanCount[slot];
    const bool point = doc->selStart == doc->selEnd;
    int first = 0, last = 0;
    uint32_t n = 0;
    if (kind == kUndoReplace || kind == kUndoWholeInPlace || (kind == kUndoInPlace && point)) {
        n = count;
    } else if (kind == kUndoInPlace) {
        ChannelRangeToSamples(doc, slot, doc->selStart, doc->selEnd, &first, &last);
        if (last >= static_cast<int>(count)) last = static_cast<int>(count) - 1;
        if (first > last) first = last < 0 ? 0 : last;
        n = count ? static_cast<uint32_t>(last - first + 1) : 0;
    } else {
        // A cut or a paste takes away exactly the samples of the edited range.
        ChannelRangeToSamples(doc, slot, doc->selStart, doc->selEnd, &first, &last);
        n = static_cast<uint32_t>(last - first);
    }
    tagGS* clip = g_app->gsClipboard;
    const size_t w = SlotWidth(doc, slot);
    if (!clip || !ResizeBlock(&store.chanBlock[0], n * w) || (n && !doc->chanBlock[slot])) {
        ClearUndo();
        return 0;
    }
    if (n) std::memcpy(store.chanBlock[0], static_cast<const uint8_t*>(doc->chanBlock[slot]) + first * w, n * w);
    store.chanCount[0] = n;
    store.winFirst = first;  // where the saved samples go back
    store.chanVCenter[0] = doc->chanVCenter[slot];
    store.chanVPerDiv[0] = doc->chanVPerDiv[slot];
    store.chanType[0] = doc->chanType[slot];
    store.chanBytes[0] = static_cast<uint16_t>(w);
    store.chanScale[0] = doc->chanScale[slot];
    store.chanOffset[0] = doc->chanOffset[slot];
    store.selStart = doc->selStart;
    store.selEnd = doc->selEnd;
    store.selectedChan = static_cast<uint32_t>(slot);
    store.hwnd = doc->hwnd;
    store.totalSamples = static_cast<int32_t>(kind == kUndoPaste ? PastedCount(clip, doc, slot) : clip->chanCount[0]);
    store.sampleInterval = doc->sampleInterval;
    if (g_app->frame.hmenuFrame) {
        wsprintfA(g_app->undo.szText, "%.50s\tCtrl+Z", text ? text : "Undo");
        g_app->undo.bEnabled = 1;
    }
    g_app->undo.nKind = static_cast<uint32_t>(kind);
    return 1;
}

namespace {
// The saved samples written over n samples of the slot from pos, in the slot's own form.
void PutSavedSamples(tagGS* doc, int slot, uint32_t pos) {
    const tagGS& store = g_app->undo.gs;
    const uint32_t n = store.chanCount[0];
    const size_t w = SlotWidth(doc, slot);
    auto* to = static_cast<uint8_t*>(doc->chanBlock[slot]) + pos * w;
    if (store.chanType[0] == doc->chanType[slot]) {
        std::memcpy(to, store.chanBlock[0], n * w);
        return;
    }
    for (uint32_t i = 0; i < n; ++i) {
        double v = 0.0;
        SampleValueAt(&store, 0, i, &v);
        StoreValues(&v, 1, doc->chanType[slot], doc->chanScale[slot], doc->chanOffset[slot], to + i * w);
    }
}

// Whether the channel still has the places the snapshot's samples go back to.
bool SnapshotFits(const tagGS* doc, int s, uint32_t kind) {
    const tagGS& store = g_app->undo.gs;
    const uint64_t c = doc->chanCount[s], n = store.chanCount[0], at = static_cast<uint32_t>(store.winFirst);
    const uint64_t k = static_cast<uint32_t>(store.totalSamples);
    switch (kind) {
    case kUndoPaste: return at + k <= c;
    case kUndoInPlace:
    case kUndoWholeInPlace: return at + n <= c;
    default: return true;
    }
}

// Puts the saved samples back by kind; false (no memory) leaves the document as it was.
bool RestoreSamples(tagGS* doc, int s, uint32_t kind) {
    tagGS& store = g_app->undo.gs;
    const uint32_t c = doc->chanCount[s], n = store.chanCount[0];
    const uint32_t k = static_cast<uint32_t>(store.totalSamples);
    const uint32_t at = static_cast<uint32_t>(store.winFirst);
    const size_t w = SlotWidth(doc, s);
    switch (kind) {
    case kUndoCut: {
        const uint32_t p = at < c ? at : c;
        if (n && !GrowLockedBlock(&doc->chanBlock[s], (static_cast<size_t>(c) + n) * w)) return false;
        if (c == 0) SetZoomLevelZero(doc, s);
        if (n == 0) return true;
        auto* b = static_cast<uint8_t*>(doc->chanBlock[s]);
        std::memmove(b + (p + n) * w, b + p * w, (c - p) * w);
        PutSavedSamples(doc, s, p);
        doc->chanCount[s] = c + n;
        return true;
    }
    case kUndoPaste: {
        const size_t after = static_cast<size_t>(c) - k + n;
        if (after > c && !GrowLockedBlock(&doc->chanBlock[s], after * w)) return false;
        if (auto* b = static_cast<uint8_t*>(doc->chanBlock[s]))
            std::memmove(b + (at + n) * w, b + (at + k) * w, (c - at - k) * w);
        if (after < c) ResizeBlock(&doc->chanBlock[s], after * w);
        if (n) PutSavedSamples(doc, s, at);
        doc->chanCount[s] = static_cast<uint32_t>(after);
        return true;
    }
    case kUndoInPlace:
    case kUndoWholeInPlace:
        if (n) PutSavedSamples(doc, s, at);
        return true;
    case kUndoReplace:
        FreeLockedBlock(doc->chanBlock[s]);
        doc->chanBlock[s] = store.chanBlock[0];
        store.chanBlock[0] = nullptr;
        doc->chanCount[s] = n;
        doc->chanType[s] = store.chanType[0];
        doc->chanBytes[s] = store.chanBytes[0];
        doc->chanScale[s] = store.chanScale[0];
        doc->chanOffset[s] = store.chanOffset[0];
        doc->sampleInterval = store.sampleInterval;
        return true;
    default: return false;
    }
}
}  // namespace

int ExecuteUndo() {
    if (!g_app) return 0;
    tagGS& store = g_app->undo.gs;
    const uint32_t kind = g_app->undo.nKind;
    tagGS* doc = store.hwnd && IsWindow(store.hwnd) ? GetWindowGraph(store.hwnd) : nullptr;
    const int s = static_cast<int>(store.selectedChan);
    if (!doc || kind == 0 || !ValidSlot(s)) {
        ClearUndo();
        return 0;
    }
    // A recording writes into the blocks: the snapshot waits until it ends.
    if (doc->acquiring || !LoadSampleWindow(doc, 0, doc->totalSamples)) return 0;
    if (!SnapshotFits(doc, s, kind)) {
        ClearUndo();
        return 0;
    }
    const uint32_t before = doc->chanCount[s];
    if (!RestoreSamples(doc, s, kind)) return 0;
    doc->chanVCenter[s] = store.chanVCenter[0];
    doc->chanVPerDiv[s] = store.chanVPerDiv[0];
    if (kind == kUndoReplace) {
        doc->zoomVCenter[doc->zoomLevel % kZoomLevels][s] = store.chanVCenter[0];
        doc->zoomVPerDiv[doc->zoomLevel % kZoomLevels][s] = store.chanVPerDiv[0];
    } else if (doc->chanCount[s] == 0 || (kind == kUndoCut && before == 0)) {
        SetZoomLevelZero(doc, s);
    }
    // Markers follow a change of the time line of a document that holds only this channel.
    if (!AnyOtherChannel(doc, s) && (kind == kUndoCut || kind == kUndoPaste)) {
        const int64_t k = kind == kUndoPaste ? store.totalSamples : 0;
        ShiftMarkersForEdit(doc, static_cast<uint32_t>(store.winFirst), -k);
        ShiftMarkersForEdit(doc, static_cast<uint32_t>(store.winFirst), store.chanCount[0]);
    }
    UpdateGraphLength(doc);
    doc->selectedChan = static_cast<uint32_t>(s);
    doc->selStart = store.selStart;
    doc->selEnd = store.selEnd;
    RecomputeChannelLayout(doc);
    setDirtyGraphFlag(doc, 1);
    UpdateAllMeasurements(doc);
    if (doc->hwnd) InvalidateRect(doc->hwnd, nullptr, FALSE);
    ClearUndo();
    return 1;
}

void ClearUndo() {
    if (!g_app) return;
    FreeLockedBlock(g_app->undo.gs.chanBlock[0]);
    g_app->undo.gs.chanCount[0] = 0;
    if (g_app->frame.hmenuFrame) {
        lstrcpyA(g_app->undo.szText, "Can't Undo");
        g_app->undo.bEnabled = 0;
    }
    g_app->undo.nKind = 0;
}

void InitUndoStore() {
    if (!g_app) return;
    lstrcpyA(g_app->undo.szText, "Can't Undo");
    g_app->undo.bEnabled = 0;
}

int UndoKind() { return g_app ? static_cast<int>(g_app->undo.nKind) : 0; }

const char* UndoText() { return g_app ? g_app->undo.szText : ""; }

int UndoHeldFor(const tagGS* doc) {
    if (!g_app) return 0;
    HWND owner = g_app->undo.gs.hwnd;
    return owner && IsWindow(owner) && GetWindowGraph(owner) == doc ? 1 : 0;
}

void ClearUndoOfSlot(const tagGS* doc, uint32_t slot) {
    if (!g_app || !doc) return;
    const tagGS& store = g_app->undo.gs;
    if (g_app->undo.nKind && store.hwnd == doc->hwnd && store.selectedChan == slot) ClearUndo();
}

void UndoFailedPaste() {
    if (!g_app) return;
    g_app->undo.gs.totalSamples = 0;
    if (g_app->undo.nKind == kUndoPaste)
        ExecuteUndo();
    else
        ClearUndo();
}
