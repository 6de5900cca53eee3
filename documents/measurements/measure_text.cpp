// Measurement results and selected wave data as plain text.
#include "documents/measurements/measure_text.h"
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include "base/app.h"
#include "base/notify.h"
#include "base/services.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include "documents/documents_api.h"
#include "documents/journal/journal.h"
#include "documents/measurements/doc_measure.h"
#include "documents/measurements/measure_box.h"
#include "documents/measurements/measure_result.h"

namespace {

constexpr size_t kMeasureTextBytes = 4100;

// The name a measurement carries in the text, by type and horizontal mode.
const char* TypeName(int type, uint32_t hMode) {
    static const char* const kNames[26] = {"",         "Value",    "delta",    "P-P",      "Max",      "Min",
                                           "Mean",     "StdDev",   "Integral", "Area",     "lin_reg",  "Slope",
                                           "",         "Median",   "",         "x-axis: T", "deltaT",  "Freq",
                                           "BPM",      "Samples",  "delta S",  "median T", "max T",    "min T",
                                           "Calculate", "Correlate"};
    static const char* const kFrequency[] = {"x-axis: F", "deltaF", "Sample", "median F", "max F", "min F"};
    static const char* const kOwn[] = {"x-axis: X", "deltaX", "Sample", "median X", "max X", "min X"};
    if (type < 0 || type > 25) return "";
    if (hMode == kHUnitFrequency || hMode == kHUnitUser) {
        const char* const* names = hMode == kHUnitFrequency ? kFrequency : kOwn;
        switch (type) {
        case measure::kHAbs: return names[0];
        case measure::kDeltaH: return names[1];
        case measure::kFrequency: return names[2];
        case measure::kMedianH: return names[3];
        case measure::kMaxH: return names[4];
        case measure::kMinH: return names[5];
        default: break;
        }
    }
    return kNames[type];
}

// The unit written behind a value, by type.
std::string UnitFor(const tagGS* gs, const stMeasure* box, int type, int slot) {
    const std::string chan = slot >= 0 && slot < kMaxChannels ? std::string(gs->chanUnits[slot], strnlen(gs->chanUnits[slot], 19)) : "";
    auto combined = [&](const char* joiner, const char* key) {
        if (gs->hUnitKind == kHUnitUser) return chan + joiner + gs->hUnitAbbrev;
        if (gs->hUnitKind == kHUnitFrequency) return chan + joiner + "Hz";
        return chan + joiner + Keyed(key);
    };
    switch (type) {
    case measure::kIntegral:
    case measure::kArea: return combined("-", "sec");
    case measure::kLinReg:
    case measure::kSlope: return combined("/", "sec");
    case measure::kHAbs:
    case measure::kDeltaH:
    case measure::kFrequency:
    case measure::kMedianH:
    case measure::kMaxH:
    case measure::kMinH:
    case measure::kCalculate: return GetMeasurementLabel(box);
    case measure::kBpm: return "BPM";
    case measure::kSampleNumber:
    case measure::kDeltaSamples: return Keyed("samples");
    case measure::kCorrelate: return "";
    default: return chan.size() > 19 ? chan.substr(0, 18) : chan;
    }
}

// The value as written: the number alone without units, else the box's own text.
std::string ValueText(const tagGS* gs, const stMeasure* box, int type, int units) {
    const double v = GetMeasurementValue(box);
    const bool plain = !units && gs->hUnitKind != kHUnitUser && v != measure::kNoValue;
    const bool clockText = gs->hUnitKind == kHUnitClock &&
                           (type == measure::kHAbs || (type == measure::kDeltaH && std::fabs(v) > 60000.0));
    if (!plain || clockText) return GetMeasurementResultText(box);
    char text[64];
    measure::FormatValue(text, sizeof text, type == measure::kFrequency ? v * 1000.0 : v, gs->precisionDigits);
    return text;
}

WaveTextEscapeProbe g_escapeProbe = nullptr;
PointerProbe g_pointerProbe = nullptr;

// One channel's part of the XY text: its name or number, the value and its unit.
std::string XYPart(const tagGS* gs, int slot, double value, int names, int units, int numbers) {
    std::string part;
    char text[64];
    if (names) part += std::string(gs->chanLabel[slot], strnlen(gs->chanLabel[slot], 40));
    if (numbers) {
        std::snprintf(text, sizeof text, "(%d)", slot);
        part += text;
    }
    if (names) part += " = ";
    measure::FormatValue(text, sizeof text, value, gs->precisionDigits);
    part += text;
    if (units) part += std::string(" ") + std::string(gs->chanUnits[slot], strnlen(gs->chanUnits[slot], 20));
    return part;
}

bool EscapeHeld() { return g_escapeProbe ? g_escapeProbe() : IsEscapeKeyDown(); }

// A bounded writer into one block sized up front.
struct Writer {
    char* at;
    char* end;
    bool Put(const char* s, size_t n) {
        if (n > static_cast<size_t>(end - at)) return false;
        std::memcpy(at, s, n);
        at += n;
        return true;
    }
    bool Put(const char* s) { return Put(s, std::strlen(s)); }
    void DropLast() { --at; }
};

}  // namespace

void SetWaveTextEscapeProbe(WaveTextEscapeProbe probe) { g_escapeProbe = probe; }
void SetXYPointerProbe(PointerProbe probe) { g_pointerProbe = probe; }

int GetXYCursorValues(tagGS* gs, double* x, double* y) {
    if (!gs || !gs->hwnd) return 0;
    const uint32_t xs = gs->xyXChan, ys = gs->selectedChan;
    if (xs >= static_cast<uint32_t>(kMaxChannels) || ys >= static_cast<uint32_t>(kMaxChannels)) return 0;
    POINT p{};
    if (!(g_pointerProbe ? g_pointerProbe(&p) : GetCursorPos(&p))) return 0;
    ScreenToClient(gs->hwnd, &p);
    if (!PtInRect(&gs->plotRect, p)) return 0;
    const double xScale = gs->chanPixelMap[kMapXScale][xs], yScale = gs->chanPixelMap[kMapYScale][ys];
    if (xScale == 0.0 || yScale == 0.0) return 0;
    *x = (p.x - gs->chanPixelMap[kMapXZero][xs]) / xScale;
    *y = (gs->chanPixelMap[kMapYZero][ys] - p.y) / yScale;
    return 1;
}

int& TextSeparatorSetting() {
    static int setting = 0;
    return setting;
}

char TextSeparatorChar(int setting) {
    switch (setting) {
    case 1: return ',';
    case 2: return ' ';
    case 3: return '$';
    default: return '\t';
    }
}

void FormatMeasurementsText(tagGS* gs, char* out, size_t size, int names, int units, int perLine, int channelNumbers) {
    if (!out || size == 0) return;
    out[0] = 0;
    if (gs && gs->displayMode == kModeXY) {
        double x = 0.0, y = 0.0;
        if (!gs->measureShown || !GetXYCursorValues(gs, &x, &y)) return;
        const std::string text = XYPart(gs, static_cast<int>(gs->xyXChan), x, names, units, channelNumbers) +
                                 (perLine ? "\r\n" : "\t") +
                                 XYPart(gs, static_cast<int>(gs->selectedChan), y, names, units, channelNumbers) +
                                 "\r\n";
        std::snprintf(out, size, "%s", text.c_str());
        return;
    }
    void* grid = gs ? gs->measureGrid : nullptr;
    const int n = GetMeasurementCount(grid);
    std::string text;
    for (int i = 0; i < n; ++i) {
        const stMeasure* box = GetMeasurementAt(grid, i);
        const int type = GetMeasurementType(box);
        if (type < 1 || type > 25 || !IsMeasurementShown(box)) continue;
        int slot = GetMeasurementChannel(box);
        if (slot < 0) slot = static_cast<int>(gs->selectedChan);
        char number[16];
        std::snprintf(number, sizeof number, "(%d)", slot);
        if (names) {
            const char* key = TypeName(type, gs->hUnitKind);
            const char* name = GetPopupMenuItemName(kMeasureTypeMenu, key);
            text += name ? name : key;
        }
        if (channelNumbers) text += number;
        if (names) text += " = ";
        text += ValueText(gs, box, type, units);
        if (units && GetMeasurementValue(box) != measure::kNoValue) text += UnitFor(gs, box, type, slot);
        text += perLine ? "\r\n" : "\t";
    }
    if (!text.empty()) text += perLine ? "\r\n\r\n" : "\r\n";
    std::snprintf(out, size, "%s", text.c_str());
}

char* WriteSelectionAsText(tagGS* gs, int header, HGLOBAL* block) {
    if (block) *block = nullptr;
    if (!gs || gs->sampleInterval <= 0.0) return nullptr;
    const int sel = static_cast<int>(gs->selectedChan);
    int32_t first = 0, last = 0;
    if (sel < 0 || sel >= kMaxChannels || !GetSelectionSampleRange(gs, &first, &last, static_cast<int16_t>(sel)) ||
        first < 0)
        return nullptr;
    const bool time = JournalPrefs().waveTimeValues != 0;
    const char sep[2] = {TextSeparatorChar(TextSeparatorSetting()), 0};
    int slots[kMaxChannels], used = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if (ChannelInUse(gs, s)) slots[used++] = s;
    const size_t lines = static_cast<size_t>(last - first + 1);
    const size_t bytes = 41 * used + lines * (15 * used + (time ? 14 : 0) + 2) + 8;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, bytes);
    char* text = h ? static_cast<char*>(GlobalLock(h)) : nullptr;
    if (!text) {
        if (h) GlobalFree(h);
        return nullptr;
    }
    Writer w{text, text + bytes - 1};
    SetWaitCursor(1);
    notify::SetStatusTextFmt("Writing text: %3lu%% completed", 0);
    double divisor = 1.0;
    const char* unit = measure::TimeUnitFor(static_cast<int32_t>(gs->hUnitKind), last * gs->sampleInterval,
                                            gs->hUnitAbbrev, &divisor);
    bool headed = false;
    if (time) {
        headed = w.Put(KeyedLabel(unit)) && w.Put(sep);
    }
    for (int k = 0; header && k < used; ++k) headed = w.Put(gs->chanLabel[slots[k]], strnlen(gs->chanLabel[slots[k]], 40)) && w.Put(sep);
    if (headed) w.DropLast();
    bool ok = w.Put("\r\n");
    measure::ChannelView views[kMaxChannels];
    for (int k = 0; k < used; ++k) views[k] = ChannelViewOf(gs, slots[k]);
    int32_t shown = 0;
    for (int32_t i = first; ok && i <= last; ++i) {
        char num[40];
        if (time) {
            std::snprintf(num, sizeof num, "%-G%c", i * gs->sampleInterval / divisor, sep[0]);
            ok = w.Put(num);
        }
        for (int k = 0; ok && k < used; ++k) {
            double stored = 0.0;
            const measure::ChannelView& v = views[k];
            if (i < v.count) {
                if (!v.stored || !v.stored(v.ctx, v.key, i, &stored)) ok = false;
                const double y = v.form == 1 ? stored : stored * v.scale + v.offset;
                std::snprintf(num, sizeof num, "%-G%c", y, sep[0]);
                ok = ok && w.Put(num);
            } else {
                ok = w.Put(sep);
            }
        }
        if (ok && (time || used > 0)) w.DropLast();
        ok = ok && w.Put("\r\n") && !EscapeHeld();
        const int32_t pct = last > first ? static_cast<int32_t>((int64_t(i) - first) * 100 / (last - first)) : 100;
        if (pct != shown) notify::SetStatusTextFmt("Writing text: %3lu%% completed", shown = pct);
    }
    ok = ok && w.Put("\r\n");
    SetWaitCursor(0);
    notify::SetStatusText("Ready");
    if (!ok) {
        GlobalUnlock(h);
        GlobalFree(h);
        return nullptr;
    }
    if (block) *block = h;
    return text;
}

int CopyTextToClipboard(const char* text) {
    if (!text) return 0;
    const size_t n = std::strlen(text) + 1;
    HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, n);
    char* p = h ? static_cast<char*>(GlobalLock(h)) : nullptr;
    if (!p) {
        if (h) GlobalFree(h);
        return 0;
    }
    std::memcpy(p, text, n);
    GlobalUnlock(h);
    if (!OpenClipboard(Owner())) {
        GlobalFree(h);
        return 0;
    }
    EmptyClipboard();
    const bool set = SetClipboardData(CF_TEXT, h) != nullptr;
    CloseClipboard();
    if (!set) GlobalFree(h);
    return set ? 1 : 0;
}

void CopyMeasurementsToClipboard(tagGS* gs) {
    if (!gs) return;
    const stJournalPrefs& p = JournalPrefs();
    char text[kMeasureTextBytes];
    FormatMeasurementsText(gs, text, sizeof text, p.measurementName, p.measurementUnit, p.measurementPerLine,
                           p.channelNumbers);
    CopyTextToClipboard(text);
}

void CopySelectionTextToClipboard(tagGS* gs) {
    HGLOBAL h = nullptr;
    const char* text = WriteSelectionAsText(gs, 1, &h);
    if (!text) return;
    CopyTextToClipboard(text);
    GlobalUnlock(h);
    GlobalFree(h);
}

int JournalPasteMeasurements(tagGS* gs) {
    if (!gs) return 0;
    const stJournalPrefs& p = JournalPrefs();
    char text[kMeasureTextBytes];
    FormatMeasurementsText(gs, text, sizeof text, p.measurementName, p.measurementUnit, p.measurementPerLine,
                           p.channelNumbers);
    JournalAppendText(gs, text);
    return 1;
}

int JournalPasteWaveData(tagGS* gs) {
    HGLOBAL h = nullptr;
    const char* text = WriteSelectionAsText(gs, 1, &h);
    if (!text) return 0;
    JournalAppendText(gs, text);
    GlobalUnlock(h);
    GlobalFree(h);
    return 1;
}
