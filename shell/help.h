// The Help menu's items and the About box.
#pragma once
#include <windows.h>

// Opens the document or page of a Help item; returns the shell's result.
INT_PTR OpenHelpItem(UINT id);
void ShowAboutDialog(HWND owner);
// Registers the Help menu's labels with the device library.
void RegisterHelpMenuLabels();
