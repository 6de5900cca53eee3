// Reads every sample of a 16-channel, 10-million-sample document through GetChannelSample, paged
// from disk and held in memory, beside a plain loop over the same samples, and prints each time
// as a multiple of the plain loop's beside its target.
//
// Every figure is the best of a few runs, so that other work on the machine weighs less. The disk
// runs come first, while the process holds no large blocks: under Wine a file open costs more the
// more memory the process maps, and a document is paged because it is not held in memory.
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "graph/document/graph_doc.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int kChannels = 16;
constexpr double kScale = 10.0 / 32768.0;
constexpr double kOffset = 0.25;
constexpr int kRuns = 3;
// At most this many times the plain loop's time.
constexpr double kMemoryTarget = 3.0;
constexpr double kDiskTarget = 6.0;

int16_t Pattern(int ch, uint32_t i) { return static_cast<int16_t>(((i * 31u + ch * 7u) & 0x7FFF) - 16384); }

// Every sample through GetChannelSample, frame by frame; false at the first failed read.
bool ReadAll(tagGS* gs, uint32_t n, double* sum) {
    double s = 0;
    for (uint32_t i = 0; i < n; ++i)
        for (int ch = 0; ch < kChannels; ++ch) {
            double v;
            if (!GetChannelSample(gs, static_cast<int>(i), ch, &v)) return false;
            s += v;
        }
    *sum = s;
    return true;
}

// The shortest of kRuns runs of one reading, in seconds, and the sum the reading gave; a negative
// time when a run failed or two runs disagree.
template <typename Reading>
double Best(Reading reading, double* sum) {
    double best = -1;
    for (int r = 0; r < kRuns; ++r) {
        double s = 0, t0 = BenchNow();
        if (!reading(&s)) return -1;
        double t = BenchNow() - t0;
        if (r > 0 && s != *sum) return -1;
        *sum = s;
        if (best < 0 || t < best) best = t;
    }
    return best;
}

// The document's samples as a file of frames, in slot order.
bool WriteFrames(const char* path, uint32_t n) {
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::vector<int16_t> chunk(65536 * kChannels);
    bool written = true;
    for (uint32_t i = 0; i < n && written; i += 65536) {
        uint32_t m = n - i < 65536 ? n - i : 65536;
        for (uint32_t j = 0; j < m; ++j)
            for (int ch = 0; ch < kChannels; ++ch) chunk[j * kChannels + ch] = Pattern(ch, i + j);
        DWORD done = 0;
        DWORD bytes = m * kChannels * 2;
        written = WriteFile(f, chunk.data(), bytes, &done, nullptr) && done == bytes;
    }
    // On disk before the runs: a file still being written back makes every open slow.
    written = written && FlushFileBuffers(f);
    CloseHandle(f);
    return written;
}

void FreeBlocks(tagGS* gs) {
    for (void*& block : gs->chanBlock)
        if (block) {
            HGLOBAL h = GlobalHandle(block);
            GlobalUnlock(h);
            GlobalFree(h);
            block = nullptr;
        }
}

// Window loads of a scan through the document, frame by frame.
int CountLoads(tagGS* gs, uint32_t n) {
    int loads = 0;
    int32_t first = -1;
    gs->winFirst = 0;
    gs->winLen = 0;
    for (uint32_t i = 0; i < n; ++i) {
        double v;
        if (!GetChannelSample(gs, static_cast<int>(i), 0, &v)) return -1;
        if (gs->winFirst != first) {
            first = gs->winFirst;
            ++loads;
        }
    }
    return loads;
}

// Microseconds per window load: windows that share nothing, and windows that keep half of the one
// before; and what opening the file, asking its size and closing it cost alone.
void TimeLoads(tagGS* gs, uint32_t n, double* whole, double* half, double* open) {
    const int loads = 200;
    uint32_t span = n > 4 * kPagingWindow ? n - 2 * kPagingWindow : 1;
    double t0 = BenchNow();
    for (int i = 0; i < loads; ++i)
        LoadSampleWindow(gs, static_cast<int>((i * 7919ull * kPagingWindow) % span), kPagingWindow);
    *whole = (BenchNow() - t0) / loads * 1e6;
    t0 = BenchNow();
    for (int i = 0; i < loads; ++i)
        LoadSampleWindow(gs, static_cast<int>(i * (kPagingWindow / 2) % span), kPagingWindow);
    *half = (BenchNow() - t0) / loads * 1e6;
    t0 = BenchNow();
    for (int i = 0; i < loads; ++i) {
        HANDLE f = CreateFileA(gs->filePath, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        LARGE_INTEGER size;
        GetFileSizeEx(f, &size);
        CloseHandle(f);
    }
    *open = (BenchNow() - t0) / loads * 1e6;
}

struct Figure {
    const char* what;
    double seconds;
    double sum;
    double target;  // 0: shown for comparison only
};

}  // namespace

int main(int argc, char** argv) {
    uint32_t n = argc > 1 ? static_cast<uint32_t>(std::atol(argv[1])) : 10000000u;
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) != 1) return 1;
    for (int ch = 0; ch < kChannels; ++ch) {
        gs->chanFlags[ch] = 2;
        gs->chanType[ch] = 2;
        gs->chanBytes[ch] = 2;
        gs->chanCount[ch] = n;
        gs->chanScale[ch] = kScale;
        gs->chanOffset[ch] = kOffset;
    }
    gs->totalSamples = static_cast<int32_t>(n);

    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, "ssb", 0, path);
    if (!WriteFrames(path, n)) {
        std::printf("could not write %s\n", path);
        DeleteFileA(path);
        return 1;
    }
    std::vector<Figure> figures;

    // Paged through the 8,192-sample window, by each placement of the re-loaded window.
    lstrcpyA(gs->filePath, path);
    gs->dataOffset = 0;
    gs->storageKind = kStoreDiskPaged;
    gs->winSize = kPagingWindow;
    const struct {
        uint32_t policy;
        const char* what;
    } policies[] = {{kPagingForward, "GetChannelSample, disk, policy 0"},
                    {kPagingCentred, "GetChannelSample, disk, policy 1"}};
    int loads[2] = {};
    for (int k = 0; k < 2; ++k) {
        PagingPolicyScope scope(policies[k].policy);
        loads[k] = CountLoads(gs, n);
    }
    double wholeLoad = 0, halfLoad = 0, openClose = 0;
    TimeLoads(gs, n, &wholeLoad, &halfLoad, &openClose);
    for (const auto& p : policies) {
        PagingPolicyScope scope(p.policy);
        Figure f{p.what, 0, 0, kDiskTarget};
        f.seconds = Best(
            [&](double* s) {
                gs->winFirst = 0;
                gs->winLen = 0;
                return ReadAll(gs, n, s);
            },
            &f.sum);
        figures.push_back(f);
    }
    FreeBlocks(gs);
    DeleteFileA(path);

    // The same samples held in memory.
    gs->storageKind = kStoreMemory;
    for (int ch = 0; ch < kChannels; ++ch) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n) * 2);
        auto* p = h ? static_cast<int16_t*>(GlobalLock(h)) : nullptr;
        if (!p) {
            std::printf("no memory for %u samples\n", n);
            return 1;
        }
        for (uint32_t i = 0; i < n; ++i) p[i] = Pattern(ch, i);
        gs->chanBlock[ch] = p;
    }
    // The plain loop: the same blocks, the same conversion, the same order.
    Figure plain{"plain loop over the blocks", 0, 0, 0};
    plain.seconds = Best(
        [&](double* s) {
            double sum = 0;
            for (uint32_t i = 0; i < n; ++i)
                for (int ch = 0; ch < kChannels; ++ch)
                    sum += static_cast<const int16_t*>(gs->chanBlock[ch])[i] * kScale + kOffset;
            *s = sum;
            return true;
        },
        &plain.sum);
    Figure memory{"GetChannelSample, in memory", 0, 0, kMemoryTarget};
    memory.seconds = Best([&](double* s) { return ReadAll(gs, n, s); }, &memory.sum);
    // While a recording runs the Escape key is not watched: what watching it costs.
    Figure recording{"  the same while recording (no Escape)", 0, 0, 0};
    gs->acquiring = 1;
    recording.seconds = Best([&](double* s) { return ReadAll(gs, n, s); }, &recording.sum);
    gs->acquiring = 0;
    figures.insert(figures.begin(), {memory, recording});

    std::printf("%d channels x %u samples (16-bit), best of %d runs\n", kChannels, n, kRuns);
    std::printf("%-40s %8s %14s\n", "", "seconds", "x plain loop");
    std::printf("%-40s %8.3f %14.1f\n", plain.what, plain.seconds, 1.0);
    int rc = plain.seconds > 0 ? 0 : 1;
    for (const Figure& f : figures) {
        if (f.seconds < 0 || f.sum != plain.sum) {
            std::printf("%-40s read failed or sums differ\n", f.what);
            rc = 1;
            continue;
        }
        double ratio = f.seconds / plain.seconds;
        std::printf("%-40s %8.3f %14.1f", f.what, f.seconds, ratio);
        if (f.target > 0) std::printf("   target at most %.0f: %s", f.target, ratio <= f.target ? "met" : "MISSED");
        std::printf("\n");
    }
    std::printf("window loads per disk run: policy 0 %d, policy 1 %d; the run's file stays open between them\n",
                loads[0], loads[1]);
    std::printf(
        "a window load on its own, opening and closing the file: %.0f us reading all %u frames,\n"
        "  %.0f us keeping half of them; opening the file, asking its size and closing it: %.0f us\n",
        wholeLoad, kPagingWindow, halfLoad, openClose);
    FreeGraphRecord(gs);
    return rc;
}
