// The Help menu, built at run time from its table of items, and the About box.
#pragma once
#include <windows.h>
#include <cstdint>

// Opens the document or page of a Help item through the shell; returns the shell's result.
INT_PTR OpenHelpItem(UINT id);
void ShowAboutDialog(HWND owner);
// Registers the Help menu's labels with the device library.
void RegisterHelpMenuLabels();
// Builds the Help menu from the items whose targets can be opened and appends it to the frame's
// menu bar (the previous one goes).
void InitHelpMenu();
// The command of the item with that label key, or -1.
int32_t GetHelpItemCommand(uint32_t labelKey);
// The item with that label key takes the target (when given and not empty) and the three flags.
void SetHelpItem(uint32_t labelKey, const char* target, uint32_t relative, uint32_t needsHtm, uint32_t viaBrowser);
// The same, for the item with that command.
void SetHelpItemOfCommand(UINT command, const char* target, uint32_t relative, uint32_t needsHtm, uint32_t viaBrowser);
// A lesson's menu change of the item with that command: 0 enable, 1 gray, other remove.
void ChangeHelpItem(UINT command, int action);
void HideHelpItem(UINT id);
void ShowAllHelpItems();
// Enables or grays a command; the Help popup itself (4358) by its position on the bar.
void EnableMenuCommand(HMENU menu, UINT id, BOOL enable);
// Test seam: the popup the last InitHelpMenu appended, or null.
HMENU HelpMenu();

// What the Help items ask of the system shell, replaceable so that tests record what would
// open: ShellExecute's "open" of a file (or of a program with parameters), and whether a
// program is registered for a file.
struct stHelpShell {
    INT_PTR (*open)(HWND owner, const char* file, const char* parameters);
    BOOL (*hasProgramFor)(const char* file);
};
// Test seam: null members restore the system's own.
void SetHelpShell(const stHelpShell& shell);
