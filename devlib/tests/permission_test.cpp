// The command permission table through the library's exports.
#include <gtest/gtest.h>

#include "devlib/vk40.h"

namespace {

// The table lives as long as the library, so every case takes ids no other case has used.
uint32_t FreshId() {
    static uint32_t next = 30000;
    return next++;
}

TEST(VK40Permissions, RegistrationCodes) {
    const uint32_t cut = FreshId();
    const uint32_t print = FreshId();
    EXPECT_EQ(RegHotKeyEx(cut, 0, 1), kHotKeyRegistered);
    EXPECT_EQ(RegHotKeyEx(print, 1, 0), kHotKeyRegistered);
    EXPECT_EQ(RegHotKeyEx(cut, 1, 0), kHotKeyAlreadyRegistered);
    EXPECT_EQ(GetStatusHotKeyEx(cut), 0u) << "a second registration keeps the first status";
    EXPECT_EQ(GetStatusHotKeyEx(print), 1u);
    EXPECT_EQ(GetStatusHotKeyEx(FreshId()), kHotKeyUnregistered);
    EXPECT_EQ(RegHotKeyEx(0, 1, 1), kHotKeyTableFull) << "id 0 marks a free entry";
    EXPECT_EQ(GetStatusHotKeyEx(0), kHotKeyUnregistered);
}

TEST(VK40Permissions, SetStatusOnlyForRegisteredIds) {
    const uint32_t id = FreshId();
    const uint32_t unknown = FreshId();
    ASSERT_EQ(RegHotKeyEx(id, 1, 0), kHotKeyRegistered);
    EXPECT_EQ(SetStatusHotKeyEx(id, 0), kHotKeyStatusSet);
    EXPECT_EQ(GetStatusHotKeyEx(id), 0u);
    EXPECT_EQ(SetStatusHotKeyEx(id, 1), kHotKeyStatusSet);
    EXPECT_EQ(GetStatusHotKeyEx(id), 1u);
    EXPECT_EQ(SetStatusHotKeyEx(unknown, 1), kHotKeyNotRegistered);
    EXPECT_EQ(GetStatusHotKeyEx(unknown), kHotKeyUnregistered) << "a failed set registers nothing";
}

struct stEnableCase {
    uint32_t status;
    int32_t fixed;
    uint32_t afterEnableAll;
};

TEST(VK40Permissions, EnableAllAllowsEveryCommandThatIsNotFixed) {
    const stEnableCase cases[] = {
        {0, 0, 1},  // restricted, allowed again (like Cut)
        {0, 1, 0},  // fixed: restricted for good
        {1, 1, 1},  // fixed and allowed stays allowed (like Print)
        {5, 0, 1},  // any status of a command that is not fixed becomes allowed
    };
    uint32_t ids[4];
    for (int i = 0; i < 4; ++i) {
        ids[i] = FreshId();
        ASSERT_EQ(RegHotKeyEx(ids[i], cases[i].status, cases[i].fixed), kHotKeyRegistered) << i;
    }
    EnableAllHotKeys();
    for (int i = 0; i < 4; ++i) EXPECT_EQ(GetStatusHotKeyEx(ids[i]), cases[i].afterEnableAll) << i;

    // Switched off again by a script, then all enabled.
    ASSERT_EQ(SetStatusHotKeyEx(ids[0], 0), kHotKeyStatusSet);
    ASSERT_EQ(SetStatusHotKeyEx(ids[2], 0), kHotKeyStatusSet);
    EnableAllHotKeys();
    EXPECT_EQ(GetStatusHotKeyEx(ids[0]), 1u);
    EXPECT_EQ(GetStatusHotKeyEx(ids[2]), 0u);
}

}  // namespace
