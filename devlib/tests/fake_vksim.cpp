// A stand-in for the simulated unit's library, built as VKSim.dll into a folder of its own: its
// transport table is the scripted unit of the tests, and it tells what it was asked.
#include <windows.h>

#include <string>

#include "devlib/tests/fake_unit.h"

namespace {

vk40test::CFakeUnit& Unit() {
    static vk40test::CFakeUnit unit(3);
    return unit;
}

stTransportOps g_table;
std::string g_text;

}  // namespace

extern "C" __declspec(dllexport) const stTransportOps* VKSimTransport() {
    g_table = Unit().Table();
    return &g_table;
}

// Every call so far, one a line.
extern "C" __declspec(dllexport) const char* FakeSimTrace() {
    g_text.clear();
    for (const std::string& line : Unit().Trace()) g_text += line + "\n";
    return g_text.c_str();
}

// The command packets so far in hex, one a line.
extern "C" __declspec(dllexport) const char* FakeSimPackets() {
    g_text.clear();
    for (const std::vector<uint8_t>& packet : Unit().Packets()) {
        for (uint8_t b : packet) {
            char hex[4];
            wsprintfA(hex, "%02X ", b);
            g_text += hex;
        }
        g_text += "\n";
    }
    return g_text.c_str();
}
