// Locked blocks: a large block freed and asked for again at its size comes back zeroed, as a new
// one is, whatever was written in it; another size gets a block of its own size.
#include <gtest/gtest.h>
#include <windows.h>
#include <cstdint>
#include <cstring>
#include "base/locked_block.h"

namespace {

bool AllZero(const void* p, size_t bytes) {
    const auto* b = static_cast<const uint8_t*>(p);
    for (size_t i = 0; i < bytes; ++i)
        if (b[i]) return false;
    return true;
}

TEST(LockedBlock, BlocksAskedForAgainComeBackZeroedAtTheirSize) {
    const struct {
        size_t first, second;
    } rows[] = {
        {2u << 20, 2u << 20},          // the same size: the freed block may be handed back
        {(2u << 20) + 24, (2u << 20) + 24},
        {3u << 20, 2u << 20},          // smaller
        {2u << 20, 5u << 20},          // larger
        {4096, 4096},                  // small blocks are never kept
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::to_string(row.first) + " then " + std::to_string(row.second));
        void* p = AllocLockedBlock(row.first);
        ASSERT_NE(p, nullptr);
        EXPECT_TRUE(AllZero(p, row.first));
        std::memset(p, 0xA5, row.first);
        FreeLockedBlock(p);
        EXPECT_EQ(p, nullptr);
        void* q = AllocLockedBlock(row.second);
        ASSERT_NE(q, nullptr);
        EXPECT_GE(LockedBlockBytes(q), row.second);
        EXPECT_LT(LockedBlockBytes(q), row.second + 4096);
        EXPECT_TRUE(AllZero(q, LockedBlockBytes(q)));
        // Still a locked block of its own: it grows and frees as any other.
        ASSERT_TRUE(GrowLockedBlock(&q, row.second + 100));
        EXPECT_TRUE(AllZero(q, row.second + 100));
        FreeLockedBlock(q);
    }
}

// More freed blocks than are kept: each one asked for again is zeroed and whole.
TEST(LockedBlock, ManyFreedBlocksStayUsable) {
    void* blocks[8];
    for (int k = 0; k < 8; ++k) {
        blocks[k] = AllocLockedBlock(static_cast<size_t>(k + 1) << 20);
        ASSERT_NE(blocks[k], nullptr);
        std::memset(blocks[k], 0x5A, static_cast<size_t>(k + 1) << 20);
    }
    for (void*& b : blocks) FreeLockedBlock(b);
    for (int k = 7; k >= 0; --k) {
        const size_t bytes = static_cast<size_t>(k + 1) << 20;
        blocks[k] = AllocLockedBlock(bytes);
        ASSERT_NE(blocks[k], nullptr);
        EXPECT_EQ(LockedBlockBytes(blocks[k]), bytes) << k;
        EXPECT_TRUE(AllZero(blocks[k], bytes)) << k;
    }
    for (void*& b : blocks) FreeLockedBlock(b);
}

}  // namespace
