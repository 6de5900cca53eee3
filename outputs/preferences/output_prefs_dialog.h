// The small "Output Preferences: " dialog of the channel-to-output and digital output panels.
#pragma once

class COutCtlView;

// Runs the dialog for the panel (types 0 and 1; nothing for the others) on a copy of its
// controller's set; OK copies it back and marks the document changed. 1 on OK.
int RunOutputPrefsDialog(COutCtlView* panel);
