// The "Save Settings" dialog (a new named preset, or a new name for one) and the "Organize
// Settings" dialog (rename, delete and reorder a panel's presets).
#pragma once
#include <windows.h>
#include "outputs/framework/out_prefs.h"

class COutCtlView;

// Save mode: settings are saved as a new preset of the panel. 1 when the dialog ended with OK.
int RunSaveSettingsDialog(HWND parent, COutCtlView* panel, const PrefList& settings);
// Rename mode: the preset at index gets a new name. 1 when renamed.
int RunRenameSettingsDialog(HWND parent, COutCtlView* panel, int index);
// 1 when the dialog ran.
int RunOrganizeSettingsDialog(HWND parent, COutCtlView* panel);
