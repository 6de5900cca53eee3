// One math-error policy in the program's process: the device library loads with the program
// and its hook answers for both modules, after the program's own start-up step has run.
#include <gtest/gtest.h>
#include <windows.h>
#include <math.h>
#include <cmath>
#include "shell/startup.h"

namespace {

constexpr double kSingularityAnswer = 65535.0;

TEST(MathErrorPolicy, HoldsForTheProgramsMathsWithTheLibraryLoaded) {
    ASSERT_NE(GetModuleHandleA("VK40.dll"), nullptr) << "the library loads with the program";
    InstallFaultHandlers();  // the program's start-up step, after the library has loaded

    volatile double minusE2 = -std::exp(2.0);
    volatile double minusThousand = -1000.0;
    volatile double zero = 0.0;
    volatile double outOfDomain = 2.0;
    volatile double two = 2.0;
    EXPECT_NEAR(log(minusE2), 2.0, 1e-12) << "the logarithm of the magnitude";
    EXPECT_DOUBLE_EQ(log10(minusThousand), 3.0);
    EXPECT_EQ(log(zero), kSingularityAnswer) << "the library's answer for a singularity";
    EXPECT_EQ(log10(zero), kSingularityAnswer);
    EXPECT_NEAR(log(two), 0.6931471805599453, 1e-15) << "no error, no hook";
    EXPECT_TRUE(std::isnan(acos(outOfDomain))) << "other errors keep the runtime's answer";
}

}  // namespace
