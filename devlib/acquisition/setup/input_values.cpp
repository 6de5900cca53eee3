// The Input Values pane: which channels it shows, what it reads and how it draws them.
#include "devlib/acquisition/setup/input_values.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "common/binding.h"
#include "common/tagGS.h"
#include "devlib/acquisition/model/device.h"
#include "devlib/acquisition/run/run_control.h"
#include "devlib/acquisition/run/samples.h"
#include "devlib/acquisition/unit/unit_cmd.h"
#include "devlib/acquisition/unit/unit_link.h"
#include "devlib/services/value_text.h"
#include "devlib/resource.h"
#include "devlib/services/library.h"

stInputValuesPane g_inputValues;

namespace {

constexpr uint32_t kFlagOn = 2;
constexpr uint32_t kFlagValues = 8;
constexpr int32_t kValueWidth = 17;
constexpr int32_t kFewestColours = 4;  // fewer screen colours draw the bars black
constexpr COLORREF kOwnBarColours[] = {RGB(0, 0, 255), RGB(255, 0, 0), RGB(0, 128, 0), RGB(128, 0, 128)};

}  // namespace

int32_t ChannelIdOfRecord(const stAcqChan& rec) {
    switch (rec.group) {
    case kGroupAnalog: return rec.number >= 0 && rec.number < kAnalogChannels ? rec.number + 1 : 0;
    case kGroupDigital: return rec.number >= 0 && rec.number < kMaxDigitalChannels ? kFirstDigitalSlot + rec.number : 0;
    case kGroupCalc: return rec.number >= 0 && rec.number < kCalcChannels ? kFirstCalcSlot + rec.number : 0;
    default: return 0;
    }
}

// Record order; a recording shows only what it records.
int32_t CollectShownChannels(const stAcq* acq, int32_t running, stShownChannel out[kMaxChanRecords]) {
    const uint32_t need = running ? (kFlagOn | kFlagValues) : kFlagValues;
    int32_t count = 0;
    for (int32_t r = 0; r < kMaxChanRecords; ++r) {
        const stAcqChan& rec = acq->chans[r];
        const int32_t id = ChannelIdOfRecord(rec);
        if (id && (rec.flags & need) == need) out[count++] = {id, r};
    }
    return count;
}

int32_t RunSlotOfChannel(const stAcqRun& run, int32_t id) { return RunSlotOfNumber(run, id); }

// Half the range is the divisions' quarter times the scale per division, twice.
void ChannelDisplayRange(const tagGS* gs, int32_t slot, int32_t id, double* minimum, double* maximum) {
    if (gs && slot >= 0 && slot < kMaxChannels && gs->chanVPerDiv[slot] > 0 && gs->chanVDivisions[slot] > 0) {
        const double half = gs->chanVDivisions[slot] * 0.25 * gs->chanVPerDiv[slot] * 2;
        *minimum = gs->chanVCenter[slot] - half;
        *maximum = gs->chanVCenter[slot] + half;
        return;
    }
    *minimum = IsDigitalId(id) ? 0.0 : -10.0;
    *maximum = IsDigitalId(id) ? kDigitalSetLevel : 10.0;
}

double LevelFraction(double value, double minimum, double maximum) {
    if (!(maximum > minimum) || std::isnan(value)) return 0.0;
    return std::clamp((value - minimum) / (maximum - minimum), 0.0, 1.0);
}

int32_t FormatPaneValue(double value, int32_t decimals, char* text, size_t size) {
    char buffer[kValueWidth + 1] = "";
    const int32_t digits = std::clamp(decimals, 0, kValuesMaxDecimals);
    FormatValueText(kValueWidth, digits, kFmtFixedDecimals | kFmtNoExponent, value, buffer);
    snprintf(text, size, "%s", buffer);
    return static_cast<int32_t>(strlen(text));
}

void ListChannelName(int32_t id, char* text, size_t size) {
    if (IsCalcId(id))
        snprintf(text, size, "C%-2d= ", id - kFirstCalcSlot);
    else if (IsDigitalId(id))
        snprintf(text, size, "D%-2d= ", id - kFirstDigitalSlot + 1);
    else
        snprintf(text, size, "A%-2d= ", id);
}

void BarChannelName(int32_t id, char* text, size_t size) {
    if (IsCalcId(id))
        snprintf(text, size, "C%-2d", id - kFirstCalcSlot);
    else if (IsDigitalId(id))
        snprintf(text, size, "D%-2d", id - kFirstDigitalSlot + 1);
    else
        snprintf(text, size, "CH%-2d", id);
}

// Columns or rows share the room left after the one-pixel gaps.
void LayoutLevelBars(const RECT& client, int32_t top, int32_t margin, int32_t count, int32_t textWidth,
                     int32_t textLines, int32_t lineHeight, int32_t stacked, RECT* bars) {
    if (count <= 0) return;
    const int32_t textHeight = textLines * lineHeight;
    if (!stacked) {
        const int32_t room = client.right - client.left - 2 * margin - (count - 1);
        const int32_t width = std::max({textWidth, room / count, kMinBarPixels});
        const int32_t barTop = top + textHeight;
        const int32_t bottom = std::max<int32_t>(client.bottom - margin, barTop + kMinBarPixels);
        for (int32_t i = 0; i < count; ++i) {
            const int32_t left = client.left + margin + i * (width + 1);
            bars[i] = RECT{left, barTop, left + width, bottom};
        }
        return;
    }
    const int32_t room = client.bottom - top - margin - (count - 1);
    const int32_t height = std::max({textHeight, room / count, kMinBarPixels});
    const int32_t left = client.left + margin + textWidth;
    const int32_t right = std::max<int32_t>(client.right - margin, left + kMinBarPixels);
    for (int32_t i = 0; i < count; ++i) {
        const int32_t rowTop = top + i * (height + 1);
        bars[i] = RECT{left, rowTop, right, rowTop + height};
    }
}

// Black is a colour a graph may give its channel like any other.
COLORREF LevelBarColour(const tagGS* gs, int32_t slot, int32_t id, int32_t screenColours) {
    if (screenColours < kFewestColours) return RGB(0, 0, 0);
    if (gs && slot >= 0 && slot < kMaxChannels) return gs->chanColor[slot];
    return kOwnBarColours[static_cast<size_t>(id) % (sizeof(kOwnBarColours) / sizeof(kOwnBarColours[0]))];
}

RECT FilledPartOfBar(const RECT& bar, double fraction, int32_t stacked) {
    RECT fill = bar;
    const double f = std::clamp(fraction, 0.0, 1.0);
    if (stacked)
        fill.right = bar.left + static_cast<LONG>(std::lround((bar.right - bar.left) * f));
    else
        fill.top = bar.bottom - static_cast<LONG>(std::lround((bar.bottom - bar.top) * f));
    return fill;
}

// ---- Reading ----

namespace {

// The newest sample of a run slot: the end of the run so far, or of the ring's window.
bool NewestSample(stAcq* acq, int32_t slot, double* value) {
    tagGS* gs = acq->run.attachedGraph;
    if (!gs || slot < 0 || slot >= kMaxChannels) return false;
    int64_t newest = -1;
    if (gs->winSize > 0)
        newest = static_cast<int64_t>(gs->winFirst) + gs->winLen - 1;
    else
        newest = static_cast<int64_t>(gs->chanCount[slot]) - 1;
    if (newest < 0) return false;
    return HostGetChannelSample(&g_lib.host, gs, static_cast<int32_t>(newest), slot, value) != 0;
}

// While a recording runs every shown channel takes the newest sample of its slot.
int32_t ReadRecordedValues(stAcq* acq) {
    stShownChannel shown[kMaxChanRecords];
    const int32_t count = CollectShownChannels(acq, 1, shown);
    stInputValuesPane& p = g_inputValues;
    for (int32_t i = 0; i < count; ++i) {
        const int32_t id = shown[i].id;
        double v = 0;
        if (!NewestSample(acq, RunSlotOfChannel(acq->run, id), &v)) continue;
        if (IsCalcId(id)) {
            p.calc[id - kFirstCalcSlot] = v;
        } else if (IsDigitalId(id)) {
            const uint16_t bit = static_cast<uint16_t>(1u << (id - kFirstDigitalSlot));
            p.digitalBits = DigitalSampleSet(v) ? (p.digitalBits | bit) : (p.digitalBits & ~bit);
        } else {
            p.analog[id - 1] = v;
        }
    }
    return 1;
}

}  // namespace

int32_t ReadInputValues(stAcq* acq) {
    if (!acq) return 0;
    if (acq->run.running) return ReadRecordedValues(acq);
    // Without a ready unit the pane shows only its note: asking would only wait on the link.
    if (acq->run.statusState == kStatusNoUnit) return 0;
    for (int32_t ch = 1; ch <= kAnalogChannels; ++ch) {
        if (!ReadAnalogInput(acq, ch, &g_inputValues.analog[ch - 1])) return 0;
    }
    return g_unitModel == kModelVK45 ? ReadDigitalInputsNow(&g_inputValues.digitalBits) : 1;
}
