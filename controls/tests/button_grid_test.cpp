// CButtonGrid: layout arithmetic, item placement and selection.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "controls/button_grid.h"

namespace {

// Records what the grid asks of an item, in order, into a log shared by all items.
class FakeGridButton : public CGridButton {
public:
    FakeGridButton(int index, std::vector<std::string>* log) : m_index(index), m_log(log) {}
    void SetPosition(int x, int y) override {
        this->x = x;
        this->y = y;
    }
    void SetSelected(bool on) override {
        selected = on;
        m_log->push_back(std::to_string(m_index) + (on ? " select" : " deselect"));
    }
    void Draw() override { m_log->push_back(std::to_string(m_index) + " draw"); }

    int x = -1, y = -1;
    bool selected = false;

private:
    int m_index;
    std::vector<std::string>* m_log;
};

struct Grid {
    CButtonGrid grid;
    std::vector<std::unique_ptr<FakeGridButton>> items;
    std::vector<std::string> log;

    explicit Grid(int count) {
        for (int i = 0; i < count; ++i) {
            items.push_back(std::make_unique<FakeGridButton>(i, &log));
            EXPECT_EQ(grid.AddItem(items.back().get()), i);
        }
    }
};

RECT GridRect(const CButtonGrid& g) {
    RECT rc;
    g.GetRect(&rc);
    return rc;
}

}  // namespace

TEST(ControlsButtonGrid, ConstructedEmptyWithSpacingTwo) {
    CButtonGrid g;
    EXPECT_EQ(g.GetCount(), 0);
    EXPECT_EQ(g.GetSelectedIndex(), 0);
    const RECT rc = GridRect(g);
    EXPECT_TRUE(IsRectEmpty(&rc));
    // Spacing shows in the layout: one column, one row.
    g.SetLayout(0, 0, 1, 2, 10, 10);
    EXPECT_EQ(GridRect(g).right, 10 * 2 + 2);
    EXPECT_EQ(GridRect(g).bottom, 10 + 2 * 2);
    g.SelectItem(0, 1);  // no items: nothing to touch
}

TEST(ControlsButtonGrid, LayoutRectangleArithmetic) {
    struct Row {
        int x, y, rows, columns, cellH, cellW, hSpace, vSpace;
        RECT expected;
    };
    const Row rows[] = {
        // 60 channel buttons in one row.
        {10, 20, 1, 60, 18, 30, 2, 2, {10, 20, 10 + 30 * 60 + 59 * 2, 20 + 18 + 0 + 4}},
        {0, 0, 1, 60, 16, 24, 2, 4, {0, 0, 24 * 60 + 59 * 2, 16 + 8}},
        {5, 7, 3, 4, 20, 40, 2, 2, {5, 7, 5 + 160 + 6, 7 + 60 + 4 + 4}},
        {5, 7, 3, 4, 20, 40, 6, 4, {5, 7, 5 + 160 + 18, 7 + 60 + 8 + 8}},
        {-3, -4, 2, 1, 10, 10, 0, 0, {-3, -4, 7, 16}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(testing::Message() << row.rows << "x" << row.columns << " spacing " << row.hSpace << ","
                                        << row.vSpace);
        CButtonGrid g;
        g.SetSpacing(row.hSpace, row.vSpace);
        g.SetLayout(row.x, row.y, row.rows, row.columns, row.cellH, row.cellW);
        const RECT rc = GridRect(g);
        EXPECT_TRUE(EqualRect(&rc, &row.expected)) << rc.left << "," << rc.top << "," << rc.right << "," << rc.bottom;
    }
}

TEST(ControlsButtonGrid, SixtyColumnsPlaceSixtyItemsSideBySide) {
    Grid g(60);
    g.grid.SetLayout(0, 0, 1, 60, 18, 30);
    g.grid.MoveTo(12, 100);
    const RECT rc = GridRect(g.grid);
    const RECT expected{12, 100, 12 + 30 * 60 + 59 * 2, 100 + 18 + 4};
    EXPECT_TRUE(EqualRect(&rc, &expected));
    for (int i = 0; i < 60; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(g.items[i]->x, 12 + i * 32);
        EXPECT_EQ(g.items[i]->y, 102);
    }
    // The last item ends exactly at the grid's right edge.
    EXPECT_EQ(g.items[59]->x + 30, rc.right);
}

TEST(ControlsButtonGrid, MoveToWrapsRowsAndKeepsTheSize) {
    Grid g(7);
    g.grid.SetSpacing(3, 4);
    g.grid.SetLayout(0, 0, 3, 3, 20, 50);
    const RECT before = GridRect(g.grid);
    g.grid.MoveTo(100, 200);
    const RECT after = GridRect(g.grid);
    EXPECT_EQ(after.left, 100);
    EXPECT_EQ(after.top, 200);
    EXPECT_EQ(after.right - after.left, before.right - before.left);
    EXPECT_EQ(after.bottom - after.top, before.bottom - before.top);
    const POINT expected[7] = {{100, 204}, {153, 204}, {206, 204}, {100, 228}, {153, 228}, {206, 228}, {100, 252}};
    for (int i = 0; i < 7; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(g.items[i]->x, expected[i].x);
        EXPECT_EQ(g.items[i]->y, expected[i].y);
    }
}

TEST(ControlsButtonGrid, AutoSizeFlagsFollowTheMagicSize) {
    struct Probe : CButtonGrid {
        int autoH() const { return m_autoHeight; }
        int autoW() const { return m_autoWidth; }
    };
    Probe g;
    g.SetLayout(0, 0, 1, 1, kGridAutoSize, 20);
    EXPECT_TRUE(g.autoH());
    EXPECT_FALSE(g.autoW());
    g.SetLayout(0, 0, 1, 1, 20, kGridAutoSize);
    EXPECT_FALSE(g.autoH());
    EXPECT_TRUE(g.autoW());
}

TEST(ControlsButtonGrid, SelectItemMovesTheSelection) {
    struct Row {
        const char* what;
        int first;  // selected before
        int next;
        int redraw;
        std::vector<std::string> log;
    };
    const Row rows[] = {
        {"another item, redrawn", 0, 3, 1, {"0 deselect", "0 draw", "3 select", "3 draw"}},
        {"another item, quietly", 0, 3, 0, {"0 deselect", "3 select"}},
        {"the same item again", 2, 2, 1, {"2 deselect", "2 draw", "2 select", "2 draw"}},
        {"out of range", 1, 9, 1, {"1 deselect", "1 draw"}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        Grid g(5);
        g.grid.SelectItem(row.first, 0);
        g.log.clear();
        g.grid.SelectItem(row.next, row.redraw);
        EXPECT_EQ(g.log, row.log);
        EXPECT_EQ(g.grid.GetSelectedIndex(), row.next);
        for (int i = 0; i < 5; ++i) EXPECT_EQ(g.items[i]->selected, i == row.next) << "item " << i;
    }
}

TEST(ControlsButtonGrid, ItemsAreNotOwned) {
    std::vector<std::string> log;
    FakeGridButton item(0, &log);
    {
        CButtonGrid g;
        EXPECT_EQ(g.AddItem(&item), 0);
        EXPECT_EQ(g.AddItem(nullptr), -1);
        EXPECT_EQ(g.GetCount(), 1);
        EXPECT_EQ(g.GetItem(0), &item);
        EXPECT_EQ(g.GetItem(1), nullptr);
        g.RemoveAll();
        EXPECT_EQ(g.GetCount(), 0);
        g.AddItem(&item);
    }
    item.SetPosition(1, 2);  // still alive after the grid is gone
    EXPECT_EQ(item.x, 1);
}
