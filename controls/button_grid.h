// A container that lays out equally sized grid buttons in rows and columns and keeps one selected.
#pragma once
#include <windows.h>
#include <cstdint>
#include <vector>

// What the grid needs of an item; the graph window's buttons implement it.
class CGridButton {
public:
    virtual ~CGridButton() = default;
    virtual void SetPosition(int x, int y) = 0;
    virtual void SetSelected(bool selected) = 0;
    virtual void Draw() = 0;
};

// A cell size of this value asks the derived grid to size the cells itself.
constexpr uint16_t kGridAutoSize = 65535;

class CButtonGrid {
public:
    CButtonGrid();
    virtual ~CButtonGrid();
    CButtonGrid(const CButtonGrid&) = delete;
    CButtonGrid& operator=(const CButtonGrid&) = delete;

    void SetLayout(int x, int y, int rows, int columns, int cellHeight, int cellWidth);
    void MoveTo(int x, int y);
    int GetCount() const { return m_count; }
    void GetRect(RECT* out) const;
    void SelectItem(int index, int redraw);
    int GetSelectedIndex() const { return m_selected; }

    // The grid keeps the pointer but does not own the item. Returns its index, or -1.
    int AddItem(CGridButton* item);
    CGridButton* GetItem(int index) const;
    // Forgets all items (they are not deleted).
    void RemoveAll();
    void SetSpacing(int horizontal, int vertical);

protected:
    RECT m_rect;
    uint16_t m_cellHeight;
    uint16_t m_cellWidth;
    int16_t m_selected;
    int32_t m_autoHeight;
    int32_t m_autoWidth;
    int16_t m_rows;
    int16_t m_columns;
    int16_t m_count;
    std::vector<CGridButton*> m_items;
    int16_t m_hSpacing;
    int16_t m_vSpacing;
};
