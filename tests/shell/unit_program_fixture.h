// The program booted in the test process over a simulated unit of the test's own, in a working
// folder of its own, with the unit found ready by the first idle turn. Runs move on only when
// the test moves the unit's virtual clock.
#pragma once
#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <functional>
#include <string>

#include "tests/shell/test_unit.h"

struct tagGS;

class ProgramWithUnit : public ::testing::Test {
protected:
    // name keeps this test program's folder and keys apart; signals sets the unit's inputs
    // before the program starts (counting puts the counting pattern on all four first);
    // driverName picks the model ("VKUSB" 40, "VKUSB45" 45).
    void Boot(const char* name, bool counting, const std::function<void()>& signals = {},
              const char* driverName = "VKUSB");
    void TearDown() override;
    // The two halves of TearDown, for fixtures with files of their own to remove in between.
    void ShutProgram();
    void LeaveFolder();

    static int32_t Running();
    // A click in the middle of the first graph's Start button.
    void Press();
    // The unit's clock moves on; the next idle turn takes the frames that came meanwhile.
    void Advance(uint32_t ms);
    // Idle turns until the run ends.
    void RunToEnd(uint32_t stepMs);

    char previousFolder[MAX_PATH] = "";
    std::string folder;
    CTestUnit unit;
    HWND first = nullptr;
    tagGS* gs = nullptr;
};
