// Saves and opens a 16-channel, 10-million-sample document as a graph file, beside plain writes
// and reads of the same number of bytes in the same run, and prints the throughputs and ratios.
//   graph_file_bench [samples per channel]
#include <windows.h>
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include "graph/document/graph_doc.h"
#include "documents/files/graph_file.h"
#include "base/byte_stream.h"
#include "tests/bench/bench_clock.h"

namespace {

constexpr int kChannels = 16;
constexpr DWORD kPlainChunk = 1 << 20;

uint64_t FileBytes(const std::string& path) {
    WIN32_FILE_ATTRIBUTE_DATA a;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &a)) return 0;
    return (static_cast<uint64_t>(a.nFileSizeHigh) << 32) | a.nFileSizeLow;
}

// The bytes written in large chunks, as a program that writes nothing but them would.
bool PlainWrite(const std::string& path, uint64_t bytes) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kPlainChunk]);
    for (DWORD i = 0; i < kPlainChunk; ++i) chunk[i] = static_cast<uint8_t>(i * 13);
    bool ok = true;
    for (uint64_t done = 0; ok && done < bytes;) {
        DWORD n = static_cast<DWORD>(bytes - done < kPlainChunk ? bytes - done : kPlainChunk), w = 0;
        ok = WriteFile(f, chunk.get(), n, &w, nullptr) && w == n;
        done += n;
    }
    CloseHandle(f);
    return ok;
}

bool PlainRead(const std::string& path, uint64_t* sum) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    std::unique_ptr<uint8_t[]> chunk(new uint8_t[kPlainChunk]);
    DWORD got = 0;
    uint64_t s = 0;
    while (ReadFile(f, chunk.get(), kPlainChunk, &got, nullptr) && got > 0) s += chunk[got - 1];
    CloseHandle(f);
    *sum = s;
    return true;
}

// The same, into one fresh buffer of the file's size: the bytes end in memory, as an open's do.
bool PlainReadWhole(const std::string& path, uint64_t bytes, uint64_t* sum) {
    HANDLE f = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (f == INVALID_HANDLE_VALUE) return false;
    auto* buffer = static_cast<uint8_t*>(VirtualAlloc(nullptr, bytes, MEM_RESERVE | MEM_COMMIT, PAGE_READWRITE));
    bool ok = buffer != nullptr;
    for (uint64_t done = 0; ok && done < bytes;) {
        DWORD n = static_cast<DWORD>(bytes - done < kPlainChunk ? bytes - done : kPlainChunk), got = 0;
        ok = ReadFile(f, buffer + done, n, &got, nullptr) && got == n;
        done += n;
    }
    CloseHandle(f);
    if (ok) *sum += buffer[bytes - 1];
    if (buffer) VirtualFree(buffer, 0, MEM_RELEASE);
    return ok;
}

tagGS* MakeDocument(uint32_t n) {
    tagGS* gs = nullptr;
    if (AllocGraph(&gs, 0) != 1) return nullptr;
    gs->sampleInterval = 0.1;
    for (int ch = 0; ch < kChannels; ++ch) {
        HGLOBAL h = GlobalAlloc(GMEM_MOVEABLE, static_cast<SIZE_T>(n) * 2);
        auto* p = h ? static_cast<int16_t*>(GlobalLock(h)) : nullptr;
        if (!p) return nullptr;
        for (uint32_t i = 0; i < n; ++i) p[i] = static_cast<int16_t>(((i * 31u + ch * 7u) & 0x7FFF) - 16384);
        gs->chanBlock[ch] = p;
        gs->chanFlags[ch] = 2;
        gs->chanType[ch] = 2;
        gs->chanBytes[ch] = 2;
        gs->chanCount[ch] = n;
        gs->chanScale[ch] = 10.0 / 32768.0;
    }
    gs->totalSamples = static_cast<int32_t>(n);
    return gs;
}

HANDLE OpenForReading(const std::string& path) {
    return CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
}

void Line(const char* what, double seconds, uint64_t bytes) {
    std::printf("%-46s %7.3f s %9.1f MB/s\n", what, seconds, bytes / seconds / 1e6);
}

}  // namespace

int main(int argc, char** argv) {
    const uint32_t n = argc > 1 ? static_cast<uint32_t>(std::atol(argv[1])) : 10000000u;
    char folder[MAX_PATH];
    GetTempPathA(sizeof folder, folder);
    const std::string plain = std::string(folder) + "kymora-bench-plain.bin";
    const std::string saved = std::string(folder) + "kymora-bench-saved.acq";
    tagGS* gs = MakeDocument(n);
    if (!gs) {
        std::printf("no memory for %u samples per channel\n", n);
        return 1;
    }
    std::printf("%d channels x %u samples (16-bit)\n", kChannels, n);

    // Saves and plain writes of as many bytes, in turn, three times: the best of each counts
    // (the page cache and other programs' writing make single runs uneven).
    double save = 1e9, plainWrite = 1e9;
    uint64_t bytes = 0;
    for (int round = 0; round < 3; ++round) {
        double t0 = BenchNow();
        HANDLE f = CreateFileA(saved.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                               FILE_ATTRIBUTE_NORMAL, nullptr);
        const int written = f != INVALID_HANDLE_VALUE && WriteAcqFile(gs, f, kWriteWhole, 0);
        if (f != INVALID_HANDLE_VALUE) CloseHandle(f);
        save = std::min(save, BenchNow() - t0);
        bytes = FileBytes(saved);
        if (!written || !bytes) {
            std::printf("save failed\n");
            return 1;
        }
        t0 = BenchNow();
        if (!PlainWrite(plain, bytes)) return 1;
        plainWrite = std::min(plainWrite, BenchNow() - t0);
    }

    // A plain read of the saved file, then opening it: for review (paged), and with every sample
    // read into memory by the reader and by the sample store's window.
    uint64_t sum = 0;
    double t0 = BenchNow();
    if (!PlainRead(saved, &sum)) return 1;
    const double plainRead = BenchNow() - t0;
    t0 = BenchNow();
    if (!PlainReadWhole(saved, bytes, &sum)) return 1;
    const double plainReadWhole = BenchNow() - t0;

    tagGS* opened = nullptr;
    AllocGraph(&opened, 0);
    lstrcpynA(opened->filePath, saved.c_str(), sizeof opened->filePath);
    HANDLE r = OpenForReading(saved);
    t0 = BenchNow();
    stGraphReadReport report{};
    const int paged = ReadGraphFileReport(opened, &r, &report);
    const double openPaged = BenchNow() - t0;
    t0 = BenchNow();
    const int loaded = paged && LoadSampleWindow(opened, 0, opened->totalSamples);
    const double loadWindow = BenchNow() - t0;
    FreeGraphRecord(opened);

    tagGS* whole = nullptr;
    AllocGraph(&whole, 0);
    r = OpenForReading(saved);
    t0 = BenchNow();
    int read;
    {
        CByteReader in(r);
        read = ReadGraphStream(whole, in, 0, nullptr);
    }
    const double openWhole = BenchNow() - t0;
    CloseHandle(r);
    FreeGraphRecord(whole);
    if (!paged || !report.paged || !loaded || !read) {
        std::printf("open failed\n");
        return 1;
    }

    Line("save (WriteAcqFile)", save, bytes);
    Line("plain write of the same bytes", plainWrite, bytes);
    Line("plain read of the same bytes (1 MB buffer)", plainRead, bytes);
    Line("plain read into one buffer of the file's size", plainReadWhole, bytes);
    Line("open, every sample read by the reader", openWhole, bytes);
    Line("open for review (samples paged)", openPaged, bytes);
    Line("paged open, then every sample loaded", openPaged + loadWindow, bytes);
    std::printf("save / plain write:                     %.2f\n", save / plainWrite);
    std::printf("open (whole) / plain read into memory:  %.2f   (/ plain read into 1 MB: %.2f)\n",
                openWhole / plainReadWhole, openWhole / plainRead);
    std::printf("open + load / plain read into memory:   %.2f   (/ plain read into 1 MB: %.2f)\n",
                (openPaged + loadWindow) / plainReadWhole, (openPaged + loadWindow) / plainRead);
    FreeGraphRecord(gs);
    DeleteFileA(saved.c_str());
    DeleteFileA(plain.c_str());
    return sum == 12345 ? 2 : 0;  // the sum keeps the plain read from being left out
}
