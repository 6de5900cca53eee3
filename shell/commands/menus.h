// Frame menu state: enabled and checked items, item help, hot keys.
#pragma once
#include <windows.h>

struct tagGS;

void AttachFrameMenu();
void UpdateFrameMenus(HWND frame, HMENU menu);
void UpdateTransformMenu(tagGS* gs);
void UpdateGraphMenus(tagGS* gs);
void UpdateRecordingMenus(tagGS* gs);
void MakeColorMenuOwnerDrawn(HMENU menu);
void DrawColorMenuItem(DRAWITEMSTRUCT* dis);
void ShowPopupItemHelp(HMENU menu, UINT position, BOOL systemMenu);
void OnFrameMenuSelect(HMENU menu, UINT item, HMENU popup, UINT flags);
void SetRadioCheckBitmaps();
void RegisterCommandHotKeys();
void RegisterHelpMenuLabels();
void HideScriptToolbarButtons();
