// Resource, command, control and string ids of the program, shared by kymora.rc and the code so
// that each is named once. Only #defines: the resource compiler reads this file too.
// The device library's ids (its menu, from 5000, and the Start button) are in devlib/resource.h.
#pragma once

// Resources
#define IDR_MARKER_KEYS 270

// Strings; a command's menu help is the string of the command's own id
#define IDS_APP_TITLE 18
#define IDS_NO_MEMORY 30
#define IDS_NO_DISK_SPACE 45

// The Journal Preferences dialog
#define IDC_SCRIPT_BUTTON_FIRST 12000
#define IDC_SCRIPT_BUTTON_LAST 12010
