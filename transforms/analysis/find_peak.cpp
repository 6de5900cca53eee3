// Find Peak, Find Next and Find All on a graph document.
#include "transforms/analysis/find_peak.h"
#include "transforms/analysis/peak_search.h"
#include "transforms/transforms_api.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "documents/documents_api.h"
#include "documents/measurements/measurements.h"
#include "graph/document/sample_store.h"
#include "graph/render/render_api.h"
#include <cmath>
#include <cstdio>
#include <utility>
#include <vector>

stFindPeakSettings g_findPeak = {kPeakPositive, 0, 0.0, 0.0, 90.0, 0.0, 0, 0.0, kPlacePreviousPeak,
                                 0.0, 0.0, 0, 0, 0, 1.0};

CPeakChannelValues::CPeakChannelValues(tagGS* gs, int slot, int32_t end) {
    if (gs->storageKind == kStoreMemory && gs->chanType[slot] == 1 && gs->chanBlock[slot]) {
        m_data = static_cast<const double*>(gs->chanBlock[slot]);
        m_end = end;
        return;
    }
    m_copy.reserve(end > 0 ? static_cast<size_t>(end) : 0);
    double v = 0.0;
    for (int32_t i = 0; i < end && GetChannelSample(gs, i, slot, &v); ++i) m_copy.push_back(v);
    m_data = m_copy.data();
    m_end = static_cast<int32_t>(m_copy.size());
}

namespace {

// The selection's XOR band, drawn or erased on the graph window.
void XorSelection(tagGS* gs) {
    if (!gs->hwnd) return;
    if (HDC dc = GetDC(gs->hwnd)) {
        DrawSelectionXor(dc, gs);
        ReleaseDC(gs->hwnd, dc);
    }
}

int32_t ToSample(double time, double interval) {
    const double q = std::floor(time / interval + 0.5);
    if (!(q > 0.0)) return 0;
    return q >= 2147483647.0 ? 2147483647 : static_cast<int32_t>(q);
}

// The levels follow the peak just selected: its value against the selection's extremes.
void TrackLevels(tagGS* gs, int slot) {
    double value = 0.0, minimum = 0.0, maximum = 0.0;
    if (!MeasureSelection(gs, slot, Measure::Value, &value) || !MeasureSelection(gs, slot, Measure::Min, &minimum) ||
        !MeasureSelection(gs, slot, Measure::Max, &maximum))
        return;
    TrackPeakLevels(value, minimum, maximum, g_findPeak.percent, &g_findPeak.positiveLevel,
                    &g_findPeak.negativeLevel);
}

// One search over the values from the first cursor; moves the cursors when a peak is found.
int SearchFrom(tagGS* gs, int slot, const CPeakChannelValues& values, int32_t limit) {
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return 0;
    const uint32_t count = gs->chanCount[slot];
    const double interval = gs->sampleInterval;
    int32_t s = ToSample(gs->selStart, interval);
    int32_t end = limit < static_cast<int64_t>(count) ? limit : static_cast<int32_t>(count);
    if (end > values.end()) end = values.end();
    stPeakRule rule{g_findPeak.mode, 0.0, 0};
    if (rule.mode == kPeakInterval) {
        rule.stepSamples = IntervalInSamples(g_findPeak.interval, g_findPeak.unitFactor, interval);
        if (g_findPeak.placement == kPlacePeak && gs->selStart != gs->selEnd)
            s -= ToSample(g_findPeak.firstOffset, interval);
        if (s < 0) s = 0;
    } else {
        rule.level = rule.mode == kPeakPositive ? g_findPeak.positiveLevel : g_findPeak.negativeLevel;
    }
    stPeakHit hit{};
    SetWaitCursor(1);
    const int found = FindPeakInValues(values.data(), s, end, rule, &hit);
    SetWaitCursor(0);
    if (!found) return 0;
    XorSelection(gs);
    PlacePeakCursors(gs->selStart, hit, g_findPeak.placement, g_findPeak.firstOffset, g_findPeak.secondOffset,
                     interval, count, &gs->selStart, &gs->selEnd);
    if (g_findPeak.mode != kPeakInterval && g_findPeak.tracking) TrackLevels(gs, slot);
    if (count == 0 || gs->selStart > (count - 1) * interval) return 0;
    XorSelection(gs);
    UpdateAllMeasurements(gs);
    if (g_findPeak.pasteToJournal) JournalPasteMeasurements(gs);
    return 1;
}

int SlotOf(const tagGS* gs, int32_t channel) {
    return channel < 0 || channel >= kMaxChannels ? static_cast<int>(gs->selectedChan) : channel;
}

}  // namespace

CPeakChannelValues PeakSearchValues(tagGS* gs, int32_t limit, int32_t channel) {
    const int slot = SlotOf(gs, channel);
    const int32_t count = static_cast<int32_t>(gs->chanCount[slot]);
    return CPeakChannelValues(gs, slot, limit < count ? limit : count);
}

int FindPeakInValuesOf(tagGS* gs, int32_t limit, int32_t channel, const CPeakChannelValues& values) {
    return gs ? SearchFrom(gs, SlotOf(gs, channel), values, limit) : 0;
}

int FindPeakInChannel(tagGS* gs, int32_t limit, int32_t channel) {
    if (!gs) return 0;
    return FindPeakInValuesOf(gs, limit, channel, PeakSearchValues(gs, limit, channel));
}

// The range starts at 0 and runs to the channel's end without a selection; the samples are read
// once for all the searches.
int FindAllPeaks(tagGS* gs) {
    if (!gs) return 0;
    const int slot = static_cast<int>(gs->selectedChan);
    int32_t first = 0, last = 0;
    if (!GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(slot))) return 0;
    if (gs->selStart == gs->selEnd) {
        gs->selStart = gs->selEnd = 0.0;
        last = static_cast<int32_t>(gs->chanCount[slot]) - 1;
    }
    if (gs->selStart > gs->selEnd) std::swap(gs->selStart, gs->selEnd);
    if (g_findPeak.mode == kPeakInterval && g_findPeak.startFromStartTime)
        gs->selStart = g_findPeak.startTime * g_findPeak.unitFactor;
    const int32_t limit = first > last ? first : last;
    CPeakChannelValues values(gs, slot, limit);
    long found = 0;
    SetWaitCursor(1);
    for (;;) {
        const double before = gs->selStart;
        if (!SearchFrom(gs, slot, values, limit)) break;
        ++found;
        if (!(gs->selStart > before)) break;  // a search that does not move on would never end
    }
    SetWaitCursor(0);
    if (g_findPeak.pasteToJournal) {
        char text[48];
        std::snprintf(text, sizeof text, "%ld peaks found\r\n", found);
        JournalAppendText(gs, text);
    }
    return 1;
}
