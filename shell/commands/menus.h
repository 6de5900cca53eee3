// Frame menu state: enabled, checked and relabelled items, item help, the Lessons menu, hot keys.
#pragma once
#include <windows.h>
#include <cstdint>

struct tagGS;

constexpr int kMaxLessons = 64;

void AttachFrameMenu();
void UpdateFrameMenus(HWND frame, HMENU menu);
void UpdateGraphMenus(tagGS* gs);
void UpdateGraphEditMenus(tagGS* gs);
void UpdateEditMenu(tagGS* gs, int hasShownChannels);
void UpdateJournalEditMenu(tagGS* gs, HWND journal);
void UpdateTextEditMenus(tagGS* gs, HWND box);
void UpdateRecordingMenus(tagGS* gs);
void UpdateTransformMenu(HWND frame, HWND graphWindow);
void EnableGraphToolButtons(tagGS* gs);
void DisableGraphToolButtons();
// The graph toolbar's buttons after every display change of the active graph.
void UpdateGraphToolbar();
void MakeColorMenuOwnerDrawn(HMENU menu);
void DrawColorMenuItem(DRAWITEMSTRUCT* dis);
// Entry point kept for a later caller; only tests call it now.
void DrawOwnerItemFocus(DRAWITEMSTRUCT* dis);
void ShowPopupItemHelp(HMENU menu, UINT position, BOOL systemMenu);
void OnFrameMenuSelect(HMENU menu, UINT item, HMENU popup, UINT flags);
int LoadMenuHelpString(uint16_t id, char* buffer, int size);
void SetRadioCheckBitmaps();
int BuildLessonsMenu(HMENU popup);
void RegisterCommandHotKeys();

// A frame menu popup by its place in the bar, one further right while a graph is maximised.
HMENU GetFramePopup(HMENU menu, int position);
