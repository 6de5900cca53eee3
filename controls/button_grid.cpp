// A container that lays out equally sized grid buttons in rows and columns and keeps one selected.
#include "controls/button_grid.h"

#include <new>

namespace {
constexpr int16_t kDefaultSpacing = 2;
constexpr int kMaxItems = 0x7FFF;  // the count is a 16-bit field
}  // namespace

CButtonGrid::CButtonGrid()
    : m_rect{},
      m_cellHeight(0),
      m_cellWidth(0),
      m_selected(0),
      m_autoHeight(0),
      m_autoWidth(0),
      m_rows(0),
      m_columns(0),
      m_count(0),
      m_hSpacing(kDefaultSpacing),
      m_vSpacing(kDefaultSpacing) {}

CButtonGrid::~CButtonGrid() { RemoveAll(); }

void CButtonGrid::SetLayout(int x, int y, int rows, int columns, int cellHeight, int cellWidth) {
    m_rows = static_cast<int16_t>(rows);
    m_columns = static_cast<int16_t>(columns);
    m_cellHeight = static_cast<uint16_t>(cellHeight);
    m_cellWidth = static_cast<uint16_t>(cellWidth);
    m_autoHeight = m_cellHeight == kGridAutoSize;
    m_autoWidth = m_cellWidth == kGridAutoSize;
    // Room for one spacing above and below the rows.
    m_rect.left = x;
    m_rect.top = y;
    m_rect.right = x + m_cellWidth * m_columns + (m_columns - 1) * m_hSpacing;
    m_rect.bottom = y + m_cellHeight * m_rows + (m_rows - 1) * m_vSpacing + 2 * m_vSpacing;
}

void CButtonGrid::MoveTo(int x, int y) {
    OffsetRect(&m_rect, x - m_rect.left, y - m_rect.top);
    int px = x;
    int py = y + m_vSpacing;
    int column = 0;
    for (CGridButton* item : m_items) {
        item->SetPosition(px, py);
        if (++column == m_columns) {
            column = 0;
            px = x;
            py += m_cellHeight + m_vSpacing;
        } else {
            px += m_cellWidth + m_hSpacing;
        }
    }
}

void CButtonGrid::GetRect(RECT* out) const {
    if (out) *out = m_rect;
}

// Re-selecting the selected item deselects and selects it again, so it is redrawn either way.
void CButtonGrid::SelectItem(int index, int redraw) {
    if (CGridButton* old = GetItem(m_selected)) {
        old->SetSelected(false);
        if (redraw) old->Draw();
    }
    if (CGridButton* item = GetItem(index)) {
        item->SetSelected(true);
        if (redraw) item->Draw();
    }
    m_selected = static_cast<int16_t>(index);
}

int CButtonGrid::AddItem(CGridButton* item) {
    if (!item || m_count >= kMaxItems) return -1;
    try {
        m_items.push_back(item);
    } catch (const std::bad_alloc&) {
        return -1;
    }
    return m_count++;
}

CGridButton* CButtonGrid::GetItem(int index) const {
    return (index >= 0 && index < m_count) ? m_items[static_cast<size_t>(index)] : nullptr;
}

void CButtonGrid::RemoveAll() {
    m_items.clear();
    m_count = 0;
}

void CButtonGrid::SetSpacing(int horizontal, int vertical) {
    m_hSpacing = static_cast<int16_t>(horizontal);
    m_vSpacing = static_cast<int16_t>(vertical);
}
