// The one saved selection and the selection made from the view.
#include <gtest/gtest.h>
#include "graph/window/saved_selection.h"
#include "tests/graph/window/blank_graph.h"
#include "common/tagGS.h"

namespace {

TEST(SavedSelection, SavedSelectionComesBack) {
    auto gs = NewRecord();
    gs->selStart = 12.5;
    gs->selEnd = 40.0;
    gs->selectedChan = 9;
    SaveSelection(gs.get());
    gs->selStart = gs->selEnd = 0.0;
    gs->selectedChan = 1;
    auto other = NewRecord();
    RestoreSelection(other.get());
    EXPECT_DOUBLE_EQ(other->selStart, 12.5);
    EXPECT_DOUBLE_EQ(other->selEnd, 40.0);
    EXPECT_EQ(other->selectedChan, 9u);
}

TEST(SavedSelection, VisibleRangeSelectionStaysInsideTheChannel) {
    auto gs = NewRecord();
    gs->chanCount[3] = 100;  // 500 ms
    struct Case {
        double hStart, selStart, selEnd;
    } cases[] = {
        {600.0, 0.0, 500.0},    // ends before the view: the whole channel
        {500.0, 0.0, 500.0},    // ends at the view's start: still the whole channel
        {100.0, 100.0, 300.0},  // the visible 200 ms
        {400.0, 400.0, 500.0},  // the view runs past the end
    };
    for (const Case& c : cases) {
        gs->hStart = c.hStart;
        SelectChannelVisibleRange(gs.get(), 3);
        EXPECT_EQ(gs->selectedChan, 3u);
        EXPECT_DOUBLE_EQ(gs->selStart, c.selStart) << c.hStart;
        EXPECT_DOUBLE_EQ(gs->selEnd, c.selEnd) << c.hStart;
    }
}

}  // namespace
