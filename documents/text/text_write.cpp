// Writing a graph document as a text file of number columns.
#include "documents/text/text_file.h"
#include "documents/documents_api.h"
#include "documents/files/sample_frames.h"
#include "common/binding.h"
#include "common/tagGS.h"
#include "base/app.h"
#include "base/device.h"
#include "base/byte_stream.h"
#include "base/notify.h"
#include "base/services.h"
#include "devlib/vk40.h"
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>

namespace {


bool InUse(const tagGS* gs, int slot) { return (gs->chanFlags[slot] & kChanSlotMask) != 0; }

// A time brought up to a whole sample, unless it lies within a relative 1e-5 of one.
int32_t SampleIndexOf(double timeMs, double interval) {
    if (!(interval > 0.0)) return 0;
    double v = timeMs / interval;
    const double nearest = std::round(v);
    v = std::fabs(v - nearest) <= 1e-5 * std::fabs(v) ? nearest : std::ceil(v);
    if (!(v > 0.0)) return 0;
    return v >= 2147483647.0 ? 0x7FFFFFFF : static_cast<int32_t>(v);
}

// One sample: through the host's sample store when it is bound (any storage kind), else from a
// document held in memory.
bool SampleAt(tagGS* gs, int32_t index, int slot, double* out) {
    if (g_app && DeviceHasSampleStore()) return DeviceGetChannelSample(gs, index, slot, out) != 0;
    if (gs->storageKind != kStoreMemory || index < 0 || static_cast<uint32_t>(index) >= gs->chanCount[slot]) return false;
    const void* block = gs->chanBlock[slot];
    if (!block) return false;
    *out = gs->chanType[slot] == kTypeDouble ? static_cast<const double*>(block)[index]
                                   : RawToValue(static_cast<const int16_t*>(block)[index], gs->chanScale[slot],
                                                gs->chanOffset[slot]);
    return std::isfinite(*out);
}

// The value in "%-G" followed by the delimiter.
void PutValue(std::string& line, double v, char d) {
    char field[48];
    std::snprintf(field, sizeof field, "%-G%c", v, d);
    line += field;
}

bool PutLine(CByteWriter& out, std::string& line) {
    line += "\r\n";
    const bool ok = out.Write(line.data(), line.size());
    line.clear();
    return ok;
}

bool WriteHeader(tagGS* gs, CByteWriter& out, int32_t first, int32_t last, char d, const char* unitName) {
    int used = 0;
    for (int s = 0; s < kMaxChannels; ++s) used += InUse(gs, s) ? 1 : 0;
    std::string line = gs->title;
    char text[96];
    bool ok = PutLine(out, line);
    std::snprintf(text, sizeof text, "%f msec/sample", gs->sampleInterval);
    line = text;
    ok = ok && PutLine(out, line);
    std::snprintf(text, sizeof text, "%d channel%s", used, used == 1 ? "" : "s");
    line = text;
    ok = ok && PutLine(out, line);
    for (int s = 0; s < kMaxChannels && ok; ++s) {
        if (!InUse(gs, s)) continue;
        line.assign(gs->chanLabel[s], strnlen(gs->chanLabel[s], sizeof gs->chanLabel[s]));
        ok = PutLine(out, line);
        line.assign(gs->chanUnits[s], strnlen(gs->chanUnits[s], sizeof gs->chanUnits[s]));
        ok = ok && PutLine(out, line);
    }
    if (unitName) (line += unitName) += d;
    for (int s = 0; s < kMaxChannels; ++s)
        if (InUse(gs, s)) {
            std::snprintf(text, sizeof text, "CH%1d%c", s, d);
            line += text;
        }
    ok = ok && PutLine(out, line);
    if (unitName) line += d;
    for (int s = 0; s < kMaxChannels; ++s)
        if (InUse(gs, s)) {
            const int64_t count = static_cast<int64_t>(gs->chanCount[s]) - first;
            const int64_t n = std::max<int64_t>(0, std::min<int64_t>(count, last - first));
            std::snprintf(text, sizeof text, "%ld%c", static_cast<long>(n), d);
            line += text;
        }
    return ok && PutLine(out, line);
}

}  // namespace

void TextSampleRange(const tagGS* gs, int selectionOnly, int32_t* first, int32_t* last) {
    if (!selectionOnly) {
        *first = 0;
        *last = std::max(gs->totalSamples, 0);
        return;
    }
    int32_t a = SampleIndexOf(gs->selStart, gs->sampleInterval);
    int32_t b = SampleIndexOf(gs->selEnd, gs->sampleInterval);
    if (a == b) b = a + 1;
    if (a > b) std::swap(a, b);
    const uint32_t s = gs->selectedChan < kMaxChannels ? gs->selectedChan : 0;
    const int64_t end = static_cast<int64_t>(gs->chanCount[s]) - 1;
    if (b > end) b = static_cast<int32_t>(std::max<int64_t>(end, 0));
    if (a > b) a = b;
    *first = a;
    *last = b;
}

int WriteTextStream(tagGS* gs, CByteWriter& out, int selectionOnly) {
    int32_t first = 0, last = 0;
    TextSampleRange(gs, selectionOnly, &first, &last);
    const char d = kDelimiterChars[g_textSave.delimiter <= 2 ? g_textSave.delimiter : 0];
    char unitName[64] = "";
    double divisor = 1.0;
    if (g_textSave.hScale) {
        notify::ChooseTimeUnits(gs, last * gs->sampleInterval, unitName, gs->hUnitKind, &divisor, 0);
        if (!(divisor > 0.0)) divisor = 1.0;
    }
    const char* unit = g_textSave.hScale ? unitName : nullptr;
    if (g_textSave.header && !WriteHeader(gs, out, first, last, d, unit)) return 0;
    const char* progress = "Saving text file: %3lu%% completed";
    notify::SetStatusTextFmt(progress, 0);
    int32_t shown = 0;
    std::string line;
    for (int32_t i = first; i < last; ++i) {
        if (unit) PutValue(line, i * gs->sampleInterval / divisor, d);
        for (int s = 0; s < kMaxChannels; ++s) {
            if (!InUse(gs, s)) continue;
            if (static_cast<uint32_t>(i) >= gs->chanCount[s]) {
                line += d;
                continue;
            }
            double v = 0.0;
            if (!SampleAt(gs, i, s, &v)) {
                notify::SetStatusText("Ready");
                out.Fail(ERROR_READ_FAULT);
                return 0;
            }
            PutValue(line, v, d);
        }
        if (!PutLine(out, line)) break;
        const int32_t percent = static_cast<int32_t>(static_cast<int64_t>(i - first) * 100 / (last - first));
        if (percent != shown) notify::SetStatusTextFmt(progress, shown = percent);
    }
    notify::SetStatusText("Ready");
    return out.Ok() ? 1 : 0;
}

int WriteTextFile(tagGS* gs, HANDLE file, int selectionOnly) {
    CByteWriter out(file);
    const int written = WriteTextStream(gs, out, selectionOnly) && out.Flush();
    if (!written) SetLastError(out.Error() ? out.Error() : ERROR_WRITE_FAULT);
    return written ? 1 : 0;
}
