// Channel selection of a graph window: the selected channel and everything drawn for it, the
// channel button row that selects, shows and hides channels, and the channel pop-up menu.
#include "graph/view/channel_selection.h"
#include "graph/view/channel_items.h"
#include "graph/view/axes.h"
#include "graph/view/display_modes.h"
#include "graph/view/layout.h"
#include "graph/window/channel_slots.h"
#include "documents/documents_api.h"
#include "documents/measurements/measure_box.h"
#include "base/app.h"
#include "base/notify.h"
#include "graph/graph_ids.h"
#include "common/stAcq.h"
#include "common/tagGS.h"
#include "devlib/vk40.h"
#include <cstdio>
#include <new>

namespace {

constexpr uint32_t kUnitShownBit = 4;

CChannelButtonGrid* Grid(const tagGS* gs) { return static_cast<CChannelButtonGrid*>(gs->channelItems); }
bool SlotInUse(const tagGS* gs, int s) { return s >= 0 && s < kMaxChannels && (gs->chanFlags[s] & kChanSlotMask) != 0; }

void SetSlotState(tagGS* gs, int s, uint32_t state) { gs->chanFlags[s] = (gs->chanFlags[s] & ~kChanSlotMask) | state; }

// The button row, the labels and, where one scale stands for all, the scale of the new channel.
void DrawSelectedChannel(tagGS* gs, int s) {
    HDC dc = GetDC(gs->hwnd);
    if (!dc) return;
    RefreshChannelButtons(dc, gs);
    for (int slot = 0; slot < kMaxChannels; ++slot) DrawChannelLabel(dc, gs, slot);
    if (gs->displayMode != kModeChart) {
        DrawChannelScales(dc, gs);
        DrawChannelLabel(dc, gs, s);
    }
    ReleaseDC(gs->hwnd, dc);
}

// The whole channel area after a channel was shown or hidden.
void ShowChannelChange(tagGS* gs) {
    if (gs->displayMode == kModeChart) {
        LayoutGraphWindow(gs);
        if (gs->hwnd) InvalidateRect(gs->hwnd, &gs->chanBandRects[0], FALSE);
    }
    UpdateGraphScrollBars(gs);
    if (!gs->hwnd) return;
    if (HDC dc = GetDC(gs->hwnd)) {
        RefreshChannelButtons(dc, gs);
        ReleaseDC(gs->hwnd, dc);
    }
    const RECT& plot = gs->plotRect;
    RECT label{gs->chanLabelRects[0].left, plot.top, gs->chanLabelRects[0].right, plot.bottom};
    RECT scale{gs->chanScaleRects[0].left, plot.top, gs->chanScaleRects[0].right, plot.bottom};
    if (!gs->acquiring) {
        RECT all{label.left, plot.top, scale.right, plot.bottom};
        InvalidateRect(gs->hwnd, &all, TRUE);
    } else {
        InvalidateRect(gs->hwnd, &scale, FALSE);
        InvalidateRect(gs->hwnd, &label, TRUE);
    }
}

// One button's slot takes a state: its slot bits, the unit's shown bit and its hatching.
void ApplyButtonState(tagGS* gs, CChannelItem* b, bool shown) {
    int s = b->GetChannel();
    if (s < 0 || s >= kMaxChannels) return;
    SetSlotState(gs, s, shown ? kChanSlotShown : kChanSlotHidden);
    b->SetHatched(!shown);
    SetUnitChannelShown(s, shown ? 1 : 0);
}

// The boxes' channel lists offer the slots in use; a box whose channel was in use at the last
// rebuild and is free now follows the selected channel.
void RetargetMeasurements(tagGS* gs, uint64_t before) {
    int slots[kMaxChannels];
    int n = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if (SlotInUse(gs, s)) slots[n++] = s;
    if (!gs->measureGrid) return;
    RefillMeasurementRowChannels(gs->measureGrid, slots, n);
    for (int i = 0; i < GetMeasurementCount(gs->measureGrid); ++i) {
        stMeasure* box = GetMeasurementAt(gs->measureGrid, i);
        int chan = box ? GetMeasurementChannel(box) : -1;
        if (chan < 0 || chan >= kMaxChannels || SlotInUse(gs, chan) || !(before >> chan & 1)) continue;
        SetMeasurementChannel(box, -1);
        StoreMeasurementSettings(box);
    }
}

}  // namespace

// A new selected channel: its button, labels, scales and measurements follow.
void SelectGraphChannel(tagGS* gs, int16_t slot) {
    if (!gs || slot < 0 || slot >= kMaxChannels) return;
    if (gs->selectedChan == static_cast<uint32_t>(slot)) return;
    gs->selectedChan = static_cast<uint32_t>(slot);
    if (CChannelButtonGrid* grid = Grid(gs)) grid->SelectItem(grid->IndexOfSlot(slot), 0);
    if (gs->vScrollBar) SetScrollPos(gs->vScrollBar, SB_CTL, ScrollChannelValue(gs, kScrollNone), TRUE);
    if (gs->hwnd) DrawSelectedChannel(gs, slot);
    if (gs->measureShown) UpdateAllMeasurements(gs);
    bool scopeGrid = gs->displayMode == kModeScope && gs->gridShown;
    // Grey waves and the Scope grid follow the selected channel.
    if (gs->hwnd && !gs->acquiring && (gs->grayNonSelected || scopeGrid || gs->displayMode == kModeXY))
        InvalidateRect(gs->hwnd, &gs->plotRect, FALSE);
    gs->modified = 1;
    notify::UpdateGraphMenus(gs);
    if (g_app && g_app->hwndFrame) notify::UpdateTransformMenu(g_app->hwndFrame, gs->hwnd);
}

// One button per channel in use, in display order; hidden channels get hatched buttons.
void RebuildChannelItems(tagGS* gs) {
    if (!gs) return;
    CChannelButtonGrid* grid = Grid(gs);
    if (grid) {
        grid->Clear();
        for (int i = 0; i < kMaxChannels; ++i) {
            int s = static_cast<int>(gs->chanOrder[i]);
            if (!SlotInUse(gs, s)) continue;
            auto* b = new (std::nothrow) CChannelItem(gs->hwnd, gs->chanColor[s], static_cast<int16_t>(s));
            if (!b) break;
            b->SetSize(grid->CellWidth(), grid->CellHeight());
            b->SetVisible(gs->displayMode != kModeXY);
            b->SetHatched((gs->chanFlags[s] & kChanSlotMask) < kChanSlotShown);
            if (grid->AddItem(b) < 0) {
                delete b;
                break;
            }
        }
        RECT row{};
        grid->GetRect(&row);
        grid->MoveTo(row.left, row.top);
        grid->SelectItem(IsChanButtonsShown(gs) ? grid->IndexOfSlot(static_cast<int>(gs->selectedChan)) : -1, 0);
        if (gs->hwnd && IsChanButtonsShown(gs)) InvalidateRect(gs->hwnd, &row, TRUE);
    }
    uint64_t before = 0, now = 0;
    for (int s = 0; s < kMaxChannels; ++s)
        if (SlotInUse(gs, s)) now |= uint64_t(1) << s;
    if (grid) {
        before = grid->SlotsInUse();
        grid->SetSlotsInUse(now);
    }
    RetargetMeasurements(gs, before);
}

// The unit's own set-up keeps the shown state too, so a new run shows the same channels.
void SetUnitChannelShown(int slot, uint32_t shown) {
    if (!g_app || !g_app->hAcq) return;
    AcqLock acq(g_app->hAcq);
    stAcqChan* entry = GetChannelSetupEntry(acq.get(), slot);
    if (!entry) return;
    if (shown)
        entry->flags |= kUnitShownBit;
    else
        entry->flags &= ~kUnitShownBit;
}

// Ctrl-click on a channel button: shows a hidden channel or hides a shown one.
void ToggleChannelFromButton(tagGS* gs, int index, int all) {
    CChannelButtonGrid* grid = gs ? Grid(gs) : nullptr;
    CChannelItem* clicked = grid ? grid->Button(index) : nullptr;
    if (!clicked) return;
    int s = clicked->GetChannel();
    if (s < 0 || s >= kMaxChannels) return;
    bool show = (gs->chanFlags[s] & kChanSlotMask) < kChanSlotShown;
    ApplyButtonState(gs, clicked, show);
    if (all) {
        for (int i = 0; i < grid->GetCount(); ++i)
            if (CChannelItem* b = grid->Button(i)) ApplyButtonState(gs, b, show);
    }
    // A hidden selected channel hands the selection to the first channel still shown.
    if (!show && grid->GetSelectedIndex() == index) {
        for (int i = 0; i < grid->GetCount(); ++i) {
            CChannelItem* b = grid->Button(i);
            if (b && IsChannelShown(gs, b->GetChannel())) {
                SelectGraphChannel(gs, b->GetChannel());
                break;
            }
        }
    }
    if (all) {
        for (int i = 0; i < grid->GetCount(); ++i)
            if (CChannelItem* b = grid->Button(i)) b->Draw();
    } else {
        clicked->Draw();
    }
    ShowChannelChange(gs);
}

// The channel menu's items, in columns that fit the screen.
int BuildChannelMenuItems(const tagGS* gs, int list, int shownOnly, int perColumn, stChannelMenuItem* out, int max) {
    if (!gs || !out) return 0;
    const UINT base = list ? IDM_X_CHANNEL_FIRST : IDM_SELECT_CHANNEL_FIRST;
    const uint32_t current = list ? gs->xyXChan : gs->selectedChan;
    int n = 0;
    for (int s = 0; s < kMaxChannels && n < max; ++s) {
        if (!SlotInUse(gs, s)) continue;
        stChannelMenuItem& item = out[n++];
        item.id = base + static_cast<UINT>(s);
        std::snprintf(item.text, sizeof item.text, "Ch%d, %s", s, gs->chanLabel[s]);
        item.flags = MF_STRING;
        if (perColumn > 0 && n % perColumn == 0) item.flags |= MF_MENUBARBREAK;
        if (shownOnly && !IsChannelShown(gs, s)) item.flags |= MF_GRAYED;
        if (current == static_cast<uint32_t>(s)) item.flags |= MF_CHECKED;
    }
    return n;
}

// The channel menu at the click; its choice goes to the director as a command.
void ShowChannelPopup(tagGS* gs, HWND owner, int list, int x, int y, int shownOnly) {
    if (!gs || !gs->hwnd) return;
    HMENU menu = CreatePopupMenu();
    if (!menu) return;
    int itemHeight = GetSystemMetrics(SM_CYMENU);
    int perColumn = itemHeight > 0 ? GetSystemMetrics(SM_CYSCREEN) / itemHeight : 0;
    stChannelMenuItem items[kMaxChannels];
    int n = BuildChannelMenuItems(gs, list, shownOnly, perColumn, items, kMaxChannels);
    for (int i = 0; i < n; ++i) {
        AppendMenuA(menu, items[i].flags & ~MF_CHECKED, items[i].id, items[i].text);
        if (!(items[i].flags & MF_CHECKED)) continue;
        if (g_app && g_app->bitmaps.hbmCheck)
            SetMenuItemBitmaps(menu, items[i].id, MF_BYCOMMAND, nullptr, g_app->bitmaps.hbmCheck);
        CheckMenuItem(menu, items[i].id, MF_BYCOMMAND | MF_CHECKED);
    }
    POINT p{x + 1, y + 1};
    ClientToScreen(gs->hwnd, &p);
    TrackPopupMenu(menu, TPM_LEFTALIGN, p.x, p.y, 0, owner ? owner : gs->hwnd, nullptr);
    DestroyMenu(menu);
}

// The button row's rectangle; empty without a row.
RECT ChannelButtonRowRect(const tagGS* gs) {
    RECT r{};
    if (gs && Grid(gs)) Grid(gs)->GetRect(&r);
    return r;
}

// The button under a point; -1 for none.
int ChannelButtonAt(const tagGS* gs, int x, int y) { return gs && Grid(gs) ? Grid(gs)->ButtonAt(x, y) : -1; }

// The slot of a button; -1 for none.
int ChannelButtonSlot(const tagGS* gs, int index) {
    CChannelItem* b = gs && Grid(gs) ? Grid(gs)->Button(index) : nullptr;
    return b ? b->GetChannel() : -1;
}

bool ChannelButtonRect(const tagGS* gs, int slot, RECT* out) {
    CChannelButtonGrid* grid = gs ? Grid(gs) : nullptr;
    CChannelItem* b = grid ? grid->Button(grid->IndexOfSlot(slot)) : nullptr;
    if (!b) return false;
    b->GetRect(out);
    return true;
}

// A channel's button takes its new colour.
void SetChannelButtonColor(tagGS* gs, int slot, COLORREF color) {
    CChannelButtonGrid* grid = gs ? Grid(gs) : nullptr;
    if (!grid) return;
    if (CChannelItem* b = grid->Button(grid->IndexOfSlot(slot))) b->SetColor(color);
}
