// The slot predicates and the set-up entry each slot stands for.
#include <gtest/gtest.h>
#include "graph/window/channel_slots.h"
#include "tests/graph/window/blank_graph.h"
#include "common/tagGS.h"
#include "common/stAcq.h"
#include "devlib/vk40.h"
#include <cstring>
#include <memory>

namespace {

TEST(ChannelSlots, SlotPredicatesReadTheStateBits) {
    auto gs = NewRecord();
    struct Case {
        uint32_t flags;
        int shown, autoScalable;
    } cases[] = {{0, 0, 1}, {1, 0, 1}, {2, 1, 1}, {3, 1, 1}, {2 | kChanHidden, 1, 0}, {kChanHidden, 0, 0}};
    for (const Case& c : cases) {
        gs->chanFlags[7] = c.flags;
        EXPECT_EQ(IsChannelShown(gs.get(), 7), c.shown) << c.flags;
        EXPECT_EQ(IsChannelAutoScalable(gs.get(), 7), c.autoScalable) << c.flags;
    }
    EXPECT_EQ(IsChannelShown(gs.get(), -1), 0);
    EXPECT_EQ(IsChannelShown(gs.get(), kMaxChannels), 0);
    std::memset(gs->chanFlags, 0, sizeof gs->chanFlags);
    gs->chanFlags[0] = 2;
    gs->chanFlags[12] = 3;
    gs->chanFlags[59] = 2 | kChanHidden;
    gs->chanFlags[30] = 1;
    EXPECT_EQ(CountShownSlots(gs.get()), 3);
}

TEST(ChannelSlots, ChannelSetupEntriesFollowTheUnitsDigitalCount) {
    auto acq = std::make_unique<stAcq>();
    int32_t saved = NDChan;
    struct Case {
        int32_t digital;
        int slot;
        int entry;  // -1: none
    } cases[] = {{0, 0, -1},  {0, 1, 0},  {0, 4, 3},   {0, 5, -1},  {0, 20, -1}, {0, 40, 4},  {0, 51, 15},
                 {0, 52, -1}, {8, 20, 4}, {8, 27, 11}, {8, 28, -1}, {8, 40, 12}, {8, 51, 23}, {8, 39, -1}};
    for (const Case& c : cases) {
        NDChan = c.digital;
        stAcqChan* e = GetChannelSetupEntry(acq.get(), c.slot);
        if (c.entry < 0)
            EXPECT_EQ(e, nullptr) << c.digital << " " << c.slot;
        else
            EXPECT_EQ(e, &acq->chans[c.entry]) << c.digital << " " << c.slot;
    }
    EXPECT_EQ(GetChannelSetupEntry(nullptr, 1), nullptr);
    NDChan = saved;
}

}  // namespace
