// The program's id ranges, and the ids that base itself uses. Each layer names its own resource,
// command, control and string ids in <layer>/<layer>_ids.h beside its resource scripts; the device
// library's (its menu, from 5000, and the Start button) are in devlib/resource.h.
// Only #defines: the resource compiler reads this file too.
//
// Ranges that more than one layer relies on:
// - a command's menu help is the string of the command's own id, and a popup's is the string one
//   below its first item's id;
// - the device library takes the commands from IDM_DEVICE_FIRST to IDM_DEVICE_LAST that the
//   program does not take itself; within it the program's own are the output panels' close
//   (5030) and the keys of translated texts (5001, 5002);
// - the channel director's commands (graph) run from IDM_SELECT_CHANNEL_FIRST and
//   IDM_X_CHANNEL_FIRST, the window list (shell) from IDM_WINDOW_CHILD_FIRST, the listed markers
//   (documents) from IDM_MARKER_LISTED_FIRST, the recent files (shell) from
//   IDM_RECENT_FILE_FIRST, and the lesson buttons' controls from IDC_SCRIPT_BUTTON_FIRST (below).
#pragma once

// The marker keys F2-F12 (an accelerator table)
#define IDR_MARKER_KEYS 270

// Strings that base's own message boxes show
#define IDS_APP_TITLE 18
#define IDS_NO_MEMORY 30
#define IDS_NO_DISK_SPACE 45

// Control ids of the buttons that a lesson adds to the toolbar
#define IDC_SCRIPT_BUTTON_FIRST 12000
#define IDC_SCRIPT_BUTTON_LAST 12010
