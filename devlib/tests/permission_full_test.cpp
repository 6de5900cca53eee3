// A full permission table; its own program, so that no other test finds the table full.
#include <gtest/gtest.h>

#include "devlib/vk40.h"

namespace {

constexpr uint32_t kCapacity = 128;
constexpr uint32_t kFirstId = 20000;

TEST(VK40PermissionsFull, The129thCommandFindsNoRoom) {
    for (uint32_t i = 0; i < kCapacity; ++i) ASSERT_EQ(RegHotKeyEx(kFirstId + i, i % 2, 0), kHotKeyRegistered) << i;
    EXPECT_EQ(RegHotKeyEx(kFirstId + kCapacity, 1, 0), kHotKeyTableFull);
    EXPECT_EQ(GetStatusHotKeyEx(kFirstId + kCapacity), kHotKeyUnregistered);
    EXPECT_EQ(RegHotKeyEx(kFirstId, 1, 0), kHotKeyAlreadyRegistered) << "a full table still knows its ids";
    for (uint32_t i = 0; i < kCapacity; ++i) EXPECT_EQ(GetStatusHotKeyEx(kFirstId + i), i % 2) << i;
}

}  // namespace
