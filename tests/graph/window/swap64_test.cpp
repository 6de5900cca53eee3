// Two eight-byte values exchanged.
#include <gtest/gtest.h>
#include "graph/window/swap64.h"

namespace {

TEST(Swap64, SwapExchangesEightBytes) {
    double a = 1.5, b = -2.25;
    Swap64(&a, &b);
    EXPECT_EQ(a, -2.25);
    EXPECT_EQ(b, 1.5);
}

}  // namespace
