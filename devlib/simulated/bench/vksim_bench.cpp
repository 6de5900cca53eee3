// What one driver call to the simulated unit costs, and whether a host reading a 4-channel,
// 2 kHz recording the way the library does keeps up with it in real time.
#include <windows.h>

#include <cstdint>
#include <cstdio>
#include <vector>

#include "devlib/acquisition/unit/transport.h"
#include "devlib/simulated/simcontrol.h"
#include "devlib/simulated/simpacket.h"

namespace {

constexpr uint32_t kPacket = 0x9500200C;

double Now() {
    LARGE_INTEGER c, f;
    QueryPerformanceCounter(&c);
    QueryPerformanceFrequency(&f);
    return static_cast<double>(c.QuadPart) / static_cast<double>(f.QuadPart);
}

// One query; the reply's data bytes, empty on failure.
std::vector<uint8_t> Query(const stTransportOps* ops, HANDLE h, uint8_t command, std::vector<uint8_t> data,
                           uint32_t r) {
    uint8_t packet[64];
    const uint32_t n = SimFramePacket(kSimKindIsa, command, data.data(), static_cast<uint32_t>(data.size()), r, packet,
                                      sizeof(packet));
    std::vector<uint8_t> reply(r + 2);
    uint32_t got = 0;
    if (!TransportControl(ops, h, kPacket, packet, n, reply.data(), r + 2, &got) || got != r + 2) return {};
    return std::vector<uint8_t>(reply.begin() + 1, reply.end() - 1);
}

}  // namespace

int main() {
    SetEnvironmentVariableA(kSimControlKeyEnv, "Software\\NORVANE\\TVX3x\\SimulatorBench");
    SimControlClear();
    HMODULE dll = LoadLibraryA(kSimLibrary);
    auto get = dll ? reinterpret_cast<SimTransportFn>(reinterpret_cast<void*>(GetProcAddress(dll, kSimTransportExport)))
                   : nullptr;
    const stTransportOps* ops = get ? get() : nullptr;
    HANDLE h = ops ? TransportOpen(ops, "\\\\.\\VKISA.VXD") : nullptr;
    if (!h) {
        std::printf("VKSim.dll did not open\n");
        return 1;
    }

    const int calls = 20000;
    double t0 = Now();
    for (int i = 0; i < calls; ++i) Query(ops, h, 51, {}, 4);
    const double perCall = (Now() - t0) / calls;
    std::printf("status query                      %8.1f us a call (%6.0f calls/s)\n", perCall * 1e6, 1 / perCall);

    // 4 inputs at 0.5 ms: 16,000 bytes a second, read as the library reads: write address, then
    // chunks of 248 bytes.
    Query(ops, h, 54, {0, 1}, 1);
    Query(ops, h, 2, {3, 0, 0, 0x0F, 0, 0}, 1);
    Query(ops, h, 64, {1}, 1);
    uint32_t readPos = 0, bytes = 0, polls = 0, overflow = 0, maxBacklog = 0;
    double inCalls = 0;
    t0 = Now();
    while (Now() - t0 < 2.0) {
        const double c0 = Now();
        const std::vector<uint8_t> w = Query(ops, h, 17, {}, 3);
        ++polls;
        uint32_t count = ((w[0] * 256u + w[1] + w[2] * 32768u) - (readPos & 0x7FFFFF)) & 0x7FFFFF;
        if (count > 32768) ++overflow;
        if (count > maxBacklog) maxBacklog = count;
        count -= count % 8;
        while (count) {
            const uint32_t chunk = count < 248 ? count : 248;
            const uint32_t address = readPos & 0x7FFF;
            Query(ops, h, 19, {uint8_t(address >> 8), uint8_t(address), 0, uint8_t(chunk)}, chunk);
            readPos += chunk;
            bytes += chunk;
            count -= chunk;
        }
        inCalls += Now() - c0;
        Sleep(1);
    }
    std::printf(
        "2 s of 4 inputs at 2 kHz            %8u bytes in %u polls, largest backlog %u bytes, "
        "%u overflows, %.1f%% of the time in driver calls\n",
        bytes, polls, maxBacklog, overflow, 100 * inCalls / 2.0);

    // A recording left unread for 60 s: the one call that catches up.
    Query(ops, h, 64, {0}, 1);
    SimControlSetDword(kSimVirtualClock, 1);
    SimControlSetQword(kSimClockUs, 1000000);
    Query(ops, h, 64, {1}, 1);
    SimControlSetQword(kSimClockUs, 61000000);
    t0 = Now();
    Query(ops, h, 17, {}, 3);
    std::printf("catching up 60 s unread (120,000 frames) %8.2f ms\n", (Now() - t0) * 1e3);

    TransportClose(ops, h);
    FreeLibrary(dll);
    SimControlClear();
    return 0;
}
