// A simulated unit of the test's own for the program started in the test process: its driver
// settings and its controls lie under keys named to the library through the environment, and its
// clock is virtual, so frames arrive only when the test moves the clock on.
#pragma once
#include <cstdint>
#include <string>

class CTestUnit {
public:
    // The keys of a simulated unit (driverName "VKUSB" model 40, "VKUSB45" model 45), with the
    // counting pattern on its four inputs when counting is set (else its own signals); name keeps
    // one test program's keys apart.
    bool Install(const char* name, bool counting, const char* driverName = "VKUSB");
    // Removes the keys and forgets them in the environment.
    void Remove();
    // The unit's clock moves on by ms.
    void AdvanceClock(uint32_t ms);

    uint64_t clockUs = 0;
    std::string settings;
};
