// The preference sheet of the pulse and stimulator panels: "General" and "Advanced" pages over
// a copy of the panel controller's set, with "Save Settings" and "Organize List". The advanced
// RJ72C stimulator's sheet has the same first page and an empty second one.
#pragma once

class COutCtlView;

// Runs the sheet modally; OK copies the edited set into the controller. 1 on OK.
int RunPulsePrefsSheet(COutCtlView* panel);
