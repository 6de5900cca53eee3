// The pure parts of waveform rendering: value-to-row maps, the per-column min/max groups of a
// compressed plot, and the order segments are drawn in.
#include "graph/render/waveforms.h"

#include <cmath>
#include <cstdint>

int64_t CutToward0(double v, int64_t limit) {
    if (!(v == v)) return 0;
    if (v >= static_cast<double>(limit)) return limit;
    if (v <= -static_cast<double>(limit)) return -limit;
    return static_cast<int64_t>(v);
}

int32_t Saturate16(int64_t v) {
    return static_cast<int32_t>(v < INT16_MIN ? INT16_MIN : (v > INT16_MAX ? INT16_MAX : v));
}

stRowMap ValueRowMap(double yZero, double yScale) {
    stRowMap m{};
    m.y0 = CutToward0(2.0 * yZero, kMaxColumn);
    m.scale2 = std::isfinite(yScale) ? 2.0 * yScale : 0.0;
    return m;
}

stRowMap RawRowMap(double yZero, double yScale, double scale, double offset) {
    if (!std::isfinite(yScale)) yScale = 0.0;
    if (!std::isfinite(scale)) scale = 0.0;
    if (!std::isfinite(offset)) offset = 0.0;
    stRowMap m = ValueRowMap(yZero, yScale);
    m.y0 -= CutToward0(2.0 * yScale * offset, kMaxColumn);
    // |k| x 32768 stays far inside 64 bits.
    m.k = CutToward0(2.0 * yScale * scale * 16384.0 + 0.5, int64_t(1) << 40);
    return m;
}

int32_t RowOfValue(const stRowMap& map, double value) {
    if (!std::isfinite(value)) return Saturate16(map.y0 >> 1);
    return Saturate16((map.y0 - CutToward0(value * map.scale2, int64_t(1) << 40)) >> 1);
}

int32_t RowOfRaw(const stRowMap& map, int16_t raw) { return Saturate16((map.y0 - ((raw * map.k) >> 14)) >> 1); }

namespace {

// End of the group that starts at sample i of column col: the first index whose position lies
// in a later column, at most n.
size_t GroupEnd(size_t i, size_t n, int32_t col, int64_t pos0, int64_t step) {
    if (step <= 0) return n;
    int64_t need = static_cast<int64_t>(col + 1) * (int64_t(1) << kFixShift) - pos0;
    int64_t j = need / step + (need % step != 0);
    if (j <= static_cast<int64_t>(i)) j = static_cast<int64_t>(i) + 1;
    return j > static_cast<int64_t>(n) ? n : static_cast<size_t>(j);
}

}  // namespace

size_t CompressColumns(const int16_t* samples, size_t n, int64_t pos0, int64_t step, stColumnMinMax16* out,
                       size_t maxOut, size_t* written) {
    size_t i = 0, w = 0;
    while (i < n && w < maxOut) {
        int32_t col = FixColumn(pos0 + static_cast<int64_t>(i) * step);
        size_t end = GroupEnd(i, n, col, pos0, step);
        int16_t lo = samples[i], hi = samples[i];
        for (size_t j = i + 1; j < end; ++j) {
            int16_t v = samples[j];
            lo = v < lo ? v : lo;
            hi = v > hi ? v : hi;
        }
        out[w++] = stColumnMinMax16{col, static_cast<uint32_t>(end - i), lo, hi, samples[i], samples[end - 1], 0, 0};
        i = end;
    }
    *written = w;
    return i;
}

size_t CompressColumns(const double* samples, size_t n, int64_t pos0, int64_t step, stColumnMinMaxF* out, size_t maxOut,
                       size_t* written) {
    size_t i = 0, w = 0;
    while (i < n && w < maxOut) {
        int32_t col = FixColumn(pos0 + static_cast<int64_t>(i) * step);
        size_t end = GroupEnd(i, n, col, pos0, step);
        stColumnMinMaxF g{col, 0, 0.0, 0.0, 0.0, 0.0, 0, 0};
        for (size_t j = i; j < end; ++j) {
            double v = samples[j];
            if (!std::isfinite(v)) {
                if (g.count)
                    g.tailGap = 1;
                else
                    g.leadGap = 1;
                continue;
            }
            if (g.count == 0) {
                g.lo = g.hi = g.first = v;
            } else {
                g.lo = v < g.lo ? v : g.lo;
                g.hi = v > g.hi ? v : g.hi;
            }
            g.last = v;
            g.tailGap = 0;
            ++g.count;
        }
        out[w++] = g;
        i = end;
    }
    *written = w;
    return i;
}

int PlanSegmentDraws(const stSegmentMark* marks, int n, double interval, double timeOffset, stSegmentDraw* out) {
    int active = -1;
    for (int i = 0; i < n && active < 0; ++i)
        if (marks[i].active) active = i;
    auto drawOf = [&](int i, stSegmentDraw* d) {
        double pos = marks[i].position > 0 ? marks[i].position - 1.0 : 0.0;
        double start = pos * interval + timeOffset;
        d->start = start;
        d->length = (static_cast<double>(marks[i].end) - 1.0) * interval - start;
        d->emphasis = marks[i].active;
        return d->length >= 0.0;
    };
    int count = 0;
    for (int i = 0; i < n; ++i)
        if (i != active && drawOf(i, &out[count])) ++count;
    if (active >= 0 && drawOf(active, &out[count])) ++count;
    return count;
}
