// The hot-key table as the program and its lesson scripts drive it: registration at start-up,
// scripts switching commands off and on, and the reset that allows the re-enabled ones again.
#include <gtest/gtest.h>

#include "devlib/vk40.h"

namespace {

enum class Op { Register, SetStatus, EnableAll };

struct stStep {
    Op op;
    int key;            // index into the case's ids
    uint32_t status;    // Register and SetStatus
    int32_t fixed;      // Register
    int32_t result;     // expected answer of Register and SetStatus
    uint32_t after[3];  // expected status of each id after the step
};

TEST(VK40HotKeys, ScriptSessionSwitchesCommandsByTheirCodes) {
    // Ids the other permission cases do not use: like Cut (not fixed), Print (fixed) and one
    // command a script never registers.
    const uint32_t ids[3] = {40514, 40261, 40999};
    constexpr uint32_t kNone = kHotKeyUnregistered;
    const stStep steps[] = {
        {Op::Register, 0, 0, 0, kHotKeyRegistered, {0, kNone, kNone}},
        {Op::Register, 1, 1, 1, kHotKeyRegistered, {0, 1, kNone}},
        {Op::Register, 0, 1, 0, kHotKeyAlreadyRegistered, {0, 1, kNone}},
        {Op::SetStatus, 2, 0, 0, kHotKeyNotRegistered, {0, 1, kNone}},
        {Op::EnableAll, 0, 0, 0, 0, {1, 1, kNone}},
        {Op::SetStatus, 0, 0, 0, kHotKeyStatusSet, {0, 1, kNone}},
        {Op::SetStatus, 1, 0, 0, kHotKeyStatusSet, {0, 0, kNone}},
        {Op::EnableAll, 0, 0, 0, 0, {1, 0, kNone}},
        {Op::SetStatus, 1, 1, 0, kHotKeyStatusSet, {1, 1, kNone}},
        {Op::Register, 2, 7, 1, kHotKeyRegistered, {1, 1, 7}},
        {Op::EnableAll, 0, 0, 0, 0, {1, 1, 7}},
    };
    int index = 0;
    for (const stStep& step : steps) {
        SCOPED_TRACE(index++);
        const uint32_t id = ids[step.key];
        switch (step.op) {
        case Op::Register: EXPECT_EQ(RegHotKeyEx(id, step.status, step.fixed), step.result); break;
        case Op::SetStatus: EXPECT_EQ(SetStatusHotKeyEx(id, step.status), step.result); break;
        case Op::EnableAll: EnableAllHotKeys(); break;
        }
        for (int k = 0; k < 3; ++k) EXPECT_EQ(GetStatusHotKeyEx(ids[k]), step.after[k]) << "id " << k;
    }
}

}  // namespace
