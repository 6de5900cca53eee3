// Ids of the lesson scripts' dialogs, the script editor and the variables browser, shared by
// their resource scripts and the code.
// Only #defines: the resource compiler reads this file too.
#pragma once

// Resources
#define IDR_FRAME_MENU 1

// File
#define IDM_FILE_QUIT 262

// Display, with its Wave color, Show and Dot size popups
#define IDM_SHOW_LAST_DOT_ONLY 2102

// The lesson scripts' dialogs: prompt, number prompt, text entry, item chooser, lesson chooser,
// text prompt, and the modeless variables browser
#define IDD_SCRIPT_PROMPT 136
#define IDD_SCRIPT_NUMBER 137
#define IDD_SCRIPT_TEXT_ENTRY 138
#define IDD_SCRIPT_ITEMS 139
#define IDD_LESSON_CHOOSER 165
#define IDD_VARS_BROWSER 206
#define IDD_SCRIPT_TEXT_PROMPT 955
#define IDC_PROMPT_BUTTON3 3
#define IDC_PROMPT_MESSAGE 4
#define IDC_PROMPT_PICTURE 5
#define IDC_NUMBER_LABEL 3
#define IDC_NUMBER_EDIT 4
#define IDC_NUMBER_MESSAGE 5
#define IDC_NUMBER_PICTURE 6
#define IDC_TEXT_PROMPT_EDIT 3
#define IDC_TEXT_PROMPT_MESSAGE 4
#define IDC_TEXT_PROMPT_PICTURE 5
#define IDC_TEXT_ENTRY_EDIT 3
#define IDC_SCRIPT_TEXT_LIST 1110
#define IDC_SCRIPT_PICTURE_LIST 1111
#define IDC_LESSON_EDIT_SCRIPT 1024
#define IDC_VARS_CATEGORY 1000
#define IDC_VARS_LIST 1010
#define IDC_VARS_RESET_MENU 1024
#define IDC_VARS_HIDE 1184
// The script editor: its tools (also its menu commands), the subroutine list, and the Watch window
#define IDM_SCRIPT_NEW 134
#define IDM_SCRIPT_OPEN 140
#define IDM_SCRIPT_SAVE 141
#define IDM_SCRIPT_SAVE_AS 142
#define IDM_SCRIPT_PRINT 143
#define IDM_SCRIPT_RUN 144
#define IDM_SCRIPT_STEP_INTO 145
#define IDM_SCRIPT_RUN_TO_CURSOR 146
#define IDM_SCRIPT_WATCH 147
#define IDM_SCRIPT_INSERT 154
#define IDC_SCRIPT_MACROS 156
#define IDM_SCRIPT_STEP_OVER 158
#define IDM_SCRIPT_TOGGLE_BREAKPOINT 159
#define IDM_SCRIPT_DELETE_BREAKPOINTS 160
#define IDC_SCRIPT_PANE 1
#define IDD_SCRIPT_WATCH 162
#define IDC_WATCH_LOCALS 1018
#define IDC_WATCH_GLOBALS 1019
#define IDC_WATCH_STRINGS 1020
#define IDC_WATCH_SUBROUTINES 1053
#define IDC_WATCH_FIRST_VALUE 1054
#define IDC_WATCH_CAPTION 1111

// The script editor's new lesson: the empty graph it copies (user-defined type "EMPTY40").
#define IDR_EMPTY_GRAPH 9001
