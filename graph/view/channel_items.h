// The channel button row of a graph window: one small numbered button per channel in use, with
// a stripe in the channel's colour and a hatched face for a hidden channel, held by a grid that
// owns them.
#pragma once
#include <windows.h>
#include <cstdint>
#include "controls/button_grid.h"

class CChannelItem : public CGridButton {
public:
    CChannelItem(HWND parent, COLORREF stripe, int16_t slot);
    void SetPosition(int x, int y) override;
    void SetSelected(bool selected) override { m_selected = selected; }
    void Draw() override;

    bool IsSelected() const { return m_selected; }
    void SetSize(int width, int height);
    void GetRect(RECT* out) const { *out = m_rect; }
    bool Contains(int x, int y) const;
    bool IsVisible() const { return m_visible; }
    void SetVisible(bool visible) { m_visible = visible; }
    bool IsDisabled() const { return m_disabled; }
    void SetDisabled(bool disabled) { m_disabled = disabled; }
    // Inverts the selected state of a visible, enabled button under the point and draws it; 1
    // when it did.
    int Toggle(int x, int y);

    int16_t GetChannel() const { return m_slot; }
    void SetChannel(int16_t slot) { m_slot = slot; }
    COLORREF GetColor() const { return m_stripe; }
    void SetColor(COLORREF color) { m_stripe = color; }
    bool IsHatched() const { return m_hatched; }
    void SetHatched(bool hatched) { m_hatched = hatched; }

private:
    HWND m_parent;
    RECT m_rect{};
    bool m_selected = false;
    bool m_visible = true;
    bool m_disabled = false;
    COLORREF m_stripe;
    int16_t m_slot;
    bool m_hatched = false;
};

// The grid of a graph's channel buttons; it deletes its buttons.
class CChannelButtonGrid : public CButtonGrid {
public:
    CChannelButtonGrid() = default;
    ~CChannelButtonGrid() override;
    // Deletes every button.
    void Clear();
    CChannelItem* Button(int index) const { return static_cast<CChannelItem*>(GetItem(index)); }
    // The index of the visible button under the point; -1 for none.
    int ButtonAt(int x, int y) const;
    // The index of the button of a slot; -1 for none.
    int IndexOfSlot(int slot) const;
    // Cell width and height, for the buttons made for the grid.
    int CellWidth() const { return m_cellWidth; }
    int CellHeight() const { return m_cellHeight; }
    // The slots in use when the buttons were last made, one bit each.
    uint64_t SlotsInUse() const { return m_slotsInUse; }
    void SetSlotsInUse(uint64_t slots) { m_slotsInUse = slots; }

private:
    uint64_t m_slotsInUse = 0;
};
