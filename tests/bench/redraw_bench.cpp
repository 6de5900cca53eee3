// Redraws a 1600 x 900 Chart of 16 channels x 10 million 16-bit samples into a memory bitmap,
// at full zoom-out and zoomed in, beside a bare min/max scan over the same samples.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include "graph/document/graph_doc.h"
#include "graph/render/render_api.h"
#include "graph/render/waveforms.h"
#include "tests/bench/bench_clock.h"
#include "controls/tests/dib32.h"

namespace {

constexpr int kChannels = 16;
constexpr int kWidth = 1600, kHeight = 900;
constexpr int kRepeats = 3;

// A sine with a little pseudo-random noise, different per channel.
void Fill(int16_t* p, uint32_t n, int ch) {
    uint32_t noise = 12345u + static_cast<uint32_t>(ch);
    int32_t phase = 0;
    const int32_t period = 5000 + ch * 700;
    for (uint32_t i = 0; i < n; ++i) {
        noise = noise * 1664525u + 1013904223u;
        int32_t tri = phase < period / 2 ? phase : period - phase;  // a cheap triangle
        p[i] = static_cast<int16_t>(tri * 40000 / period - 10000 + static_cast<int32_t>(noise >> 22) - 512);
        if (++phase == period) phase = 0;
    }
}

// The bare scan: lowest and highest sample of every channel over [first, first + n).
double BareScan(tagGS* gs, uint32_t first, uint32_t n, int64_t* checksum) {
    double t0 = BenchNow();
    int64_t sum = 0;
    for (int ch = 0; ch < kChannels; ++ch) {
        const int16_t* p = static_cast<const int16_t*>(gs->chanBlock[ch]) + first;
        int16_t lo = p[0], hi = p[0];
        for (uint32_t i = 1; i < n; ++i) {
            lo = p[i] < lo ? p[i] : lo;
            hi = p[i] > hi ? p[i] : hi;
        }
        sum += lo + hi;
    }
    *checksum += sum;
    return BenchNow() - t0;
}

double Best(double a, double b) { return a < b ? a : b; }

}  // namespace

int main(int argc, char** argv) {
    uint32_t n = argc > 1 ? static_cast<uint32_t>(std::atol(argv[1])) : 10000000u;
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) != 1) return 1;
    InitNewGraph(gs);
    for (int s = 0; s < kMaxChannels; ++s) gs->chanFlags[s] = 0;
    gs->gridShown = 0;
    gs->displayMode = kModeChart;
    gs->cursorShown = kCursorHidden;
    gs->sampleInterval = 1.0;
    gs->hDivisions = 10.0;
    gs->plotRect = RECT{0, 0, kWidth, kHeight};
    const int band = kHeight / kChannels;
    for (int ch = 0; ch < kChannels; ++ch) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n) * 2);
        auto* p = h ? static_cast<int16_t*>(GlobalLock(h)) : nullptr;
        if (!p) {
            std::printf("no memory for %u samples\n", n);
            return 1;
        }
        Fill(p, n, ch);
        gs->chanBlock[ch] = p;
        gs->chanFlags[ch] = 2;
        gs->chanType[ch] = 2;
        gs->chanBytes[ch] = 2;
        gs->chanCount[ch] = n;
        gs->chanScale[ch] = 10.0 / 32768.0;
        gs->chanOffset[ch] = 0.0;
        gs->chanBandRects[ch] = RECT{0, ch * band + 1, kWidth, (ch + 1) * band};
        gs->chanPixelMap[3][ch] = ch * band + band / 2.0;           // row of 0
        gs->chanPixelMap[2][ch] = (band - 2) / 2.0 / (10.0 * 0.5);  // +-5 fills the band
    }
    gs->totalSamples = static_cast<int32_t>(n);

    void* bits = nullptr;
    HDC dc = CreateCompatibleDC(nullptr);
    HBITMAP bmp = CreateTopDownDib32(dc, kWidth, kHeight, &bits);
    if (!dc || !bmp) return 1;
    HGDIOBJ oldBmp = SelectObject(dc, bmp);

    std::printf("%u samples x %d channels, %dx%d Chart into a DIB section (best of %d)\n", n, kChannels, kWidth,
                kHeight, kRepeats);
    std::printf("%-22s %12s %10s %10s %8s %10s\n", "view", "samples/ch", "redraw ms", "scan ms", "ratio", "limit ms");
    int64_t checksum = 0;
    bool met = true;
    const uint32_t zooms[] = {1, 10, 100, 1000, 10000};
    for (uint32_t zoom : zooms) {
        uint32_t visible = n / zoom;
        uint32_t first = (n - visible) / 2;
        gs->hPerDiv = static_cast<double>(visible) * gs->sampleInterval / gs->hDivisions;
        gs->hStart = first * gs->sampleInterval;
        double redraw = 1e30, scan = 1e30;
        for (int r = 0; r < kRepeats; ++r) {
            double t0 = BenchNow();
            if (PaintPlotArea(dc, gs) != 1) {
                std::printf("redraw failed\n");
                return 1;
            }
            GdiFlush();
            redraw = Best(redraw, BenchNow() - t0);
            scan = Best(scan, BareScan(gs, first, visible, &checksum));
        }
        char view[32];
        std::snprintf(view, sizeof view, zoom == 1 ? "full zoom-out" : "zoom x%u", zoom);
        // The drawing itself (pens, lines into the bitmap) is allowed 20 ms beyond the scan.
        const double limit = 1.5 * scan + 0.020;
        met = met && redraw <= limit;
        std::printf("%-22s %12u %10.2f %10.2f %8.2f %10.2f\n", view, visible, redraw * 1e3, scan * 1e3, redraw / scan,
                    limit * 1e3);
    }
    std::printf("target: every redraw within 1.5 times its bare scan plus 20 ms: %s\n", met ? "met" : "missed");
    std::printf("(checksum %lld)\n", static_cast<long long>(checksum));

    SelectObject(dc, oldBmp);
    DeleteObject(bmp);
    DeleteDC(dc);
    FreeGraphRecord(gs);
    return 0;
}
