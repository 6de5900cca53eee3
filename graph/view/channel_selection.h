// Channel selection of a graph window, the channel button row that follows it, and the channel
// pop-up menu.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

// Makes a slot the selected channel.
void SelectGraphChannel(tagGS* gs, int16_t slot);
// Rebuilds the channel button row and the measurement boxes' channel lists.
void RebuildChannelItems(tagGS* gs);
// Mirrors a channel's shown state into the device library's channel set-up.
void SetUnitChannelShown(int slot, uint32_t shown);
// Shows a hidden or hides a shown channel from its button (with all set, every button of the row
// takes the new state), then lays the window out again.
void ToggleChannelFromButton(tagGS* gs, int buttonIndex, int all);
// The channel pop-up menu: list 0 picks the selected (vertical) channel, 1 the X channel.
void ShowChannelPopup(tagGS* gs, HWND owner, int list, int x, int y, int shownOnly);
// The menu's items: the texts and the flags (grey, checked, column break) for a screen that fits
// perColumn items per column, in the order they are appended.
struct stChannelMenuItem {
    UINT id;
    UINT flags;
    char text[64];
};
int BuildChannelMenuItems(const tagGS* gs, int list, int shownOnly, int perColumn, stChannelMenuItem* out, int max);

// The button row: its rectangle, the button under a point (-1 none), and a slot's stripe colour.
RECT ChannelButtonRowRect(const tagGS* gs);
int ChannelButtonAt(const tagGS* gs, int x, int y);
int ChannelButtonSlot(const tagGS* gs, int index);
// The rectangle of a slot's button; false when the slot has none.
bool ChannelButtonRect(const tagGS* gs, int slot, RECT* out);
void SetChannelButtonColor(tagGS* gs, int slot, COLORREF color);
