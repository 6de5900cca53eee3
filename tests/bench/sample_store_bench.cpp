// Reads every sample of a 16-channel, 10-million-sample document through GetChannelSample, held
// in memory and paged from disk, beside a plain loop over the same samples.
#include <windows.h>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <vector>
#include "graph/document/graph_doc.h"

namespace {

constexpr int kChannels = 16;
constexpr double kScale = 10.0 / 32768.0;
constexpr double kOffset = 0.25;

double Seconds(const LARGE_INTEGER& a, const LARGE_INTEGER& b) {
    LARGE_INTEGER f;
    QueryPerformanceFrequency(&f);
    return static_cast<double>(b.QuadPart - a.QuadPart) / static_cast<double>(f.QuadPart);
}

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

void Report(const char* what, double samples, double seconds, double plainRate) {
    double rate = samples / seconds;
    std::printf("%-34s %8.2f s  %12.0f samples/s", what, seconds, rate);
    if (plainRate > 0) std::printf("  (plain loop is %.1fx faster)", plainRate / rate);
    std::printf("\n");
}

}  // namespace

int main(int argc, char** argv) {
    uint32_t n = argc > 1 ? static_cast<uint32_t>(std::atol(argv[1])) : 10000000u;
    double samples = static_cast<double>(n) * kChannels;
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) != 1) return 1;
    for (int ch = 0; ch < kChannels; ++ch) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n) * 2);
        auto* p = h ? static_cast<int16_t*>(GlobalLock(h)) : nullptr;
        if (!p) {
            std::printf("no memory for %u samples\n", n);
            return 1;
        }
        for (uint32_t i = 0; i < n; ++i) p[i] = Pattern(ch, i);
        gs->chanBlock[ch] = p;
        gs->chanFlags[ch] = 2;
        gs->chanType[ch] = 2;
        gs->chanBytes[ch] = 2;
        gs->chanCount[ch] = n;
        gs->chanScale[ch] = kScale;
        gs->chanOffset[ch] = kOffset;
    }
    gs->totalSamples = static_cast<int32_t>(n);
    std::printf("%d channels x %u samples (16-bit)\n", kChannels, n);

    // The plain loop: the same arrays, the same conversion, the same order.
    LARGE_INTEGER t0, t1;
    QueryPerformanceCounter(&t0);
    double plainSum = 0;
    for (uint32_t i = 0; i < n; ++i)
        for (int ch = 0; ch < kChannels; ++ch)
            plainSum += static_cast<const int16_t*>(gs->chanBlock[ch])[i] * kScale + kOffset;
    QueryPerformanceCounter(&t1);
    double plainSeconds = Seconds(t0, t1);
    double plainRate = samples / plainSeconds;
    Report("plain loop", samples, plainSeconds, 0);

    QueryPerformanceCounter(&t0);
    double memorySum = 0;
    bool ok = ReadAll(gs, n, &memorySum);
    QueryPerformanceCounter(&t1);
    if (!ok || memorySum != plainSum) {
        std::printf("in memory: read failed or sums differ\n");
        return 1;
    }
    Report("GetChannelSample, in memory", samples, Seconds(t0, t1), plainRate);

    // While a recording runs the Escape key is not asked: what the key costs per read.
    gs->acquiring = 1;
    QueryPerformanceCounter(&t0);
    ok = ReadAll(gs, n, &memorySum);
    QueryPerformanceCounter(&t1);
    gs->acquiring = 0;
    if (!ok || memorySum != plainSum) {
        std::printf("in memory, recording: read failed or sums differ\n");
        return 1;
    }
    Report("GetChannelSample, memory, no Esc", samples, Seconds(t0, t1), plainRate);

    // The same samples as a file of frames, then paged back through an 8,192-sample window.
    char dir[MAX_PATH], path[MAX_PATH];
    GetTempPathA(sizeof dir, dir);
    GetTempFileNameA(dir, "ssb", 0, path);
    HANDLE f = CreateFileA(path, GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return 1;
    std::vector<int16_t> chunk(65536 * kChannels);
    bool written = true;
    for (uint32_t i = 0; i < n && written; i += 65536) {
        uint32_t m = n - i < 65536 ? n - i : 65536;
        for (uint32_t j = 0; j < m; ++j)
            for (int ch = 0; ch < kChannels; ++ch)
                chunk[j * kChannels + ch] = static_cast<const int16_t*>(gs->chanBlock[ch])[i + j];
        DWORD done = 0;
        DWORD bytes = m * kChannels * 2;
        written = WriteFile(f, chunk.data(), bytes, &done, nullptr) && done == bytes;
    }
    CloseHandle(f);
    if (!written) {
        std::printf("could not write %s\n", path);
        DeleteFileA(path);
        return 1;
    }
    for (void*& block : gs->chanBlock)
        if (block) {
            HGLOBAL h = GlobalHandle(block);
            GlobalUnlock(h);
            GlobalFree(h);
            block = nullptr;
        }
    lstrcpyA(gs->filePath, path);
    gs->dataOffset = 0;
    gs->storageKind = kStoreDiskPaged;
    gs->winSize = kPagingWindow;

    const struct {
        uint32_t policy;
        const char* what;
    } runs[] = {{kPagingForward, "GetChannelSample, disk, policy 0"}, {kPagingCentred, "GetChannelSample, disk, policy 1"}};
    int rc = 0;
    for (const auto& run : runs) {
        gs->winFirst = 0;
        gs->winLen = 0;
        PagingPolicyScope scope(run.policy);
        QueryPerformanceCounter(&t0);
        double diskSum = 0;
        ok = ReadAll(gs, n, &diskSum);
        QueryPerformanceCounter(&t1);
        if (!ok || diskSum != plainSum) {
            std::printf("%s: read failed or sums differ\n", run.what);
            rc = 1;
            break;
        }
        Report(run.what, samples, Seconds(t0, t1), plainRate);
    }
    std::printf("window held at the end: %u samples per channel\n", gs->winLen);
    FreeGraphRecord(gs);
    DeleteFileA(path);
    return rc;
}
