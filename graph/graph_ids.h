// Ids of the graph layer: the graph window and its toolbar, the file dialogs, the graph dialogs
// and printing, shared by its resource scripts and the code.
// Only #defines: the resource compiler reads this file too.
#pragma once

// Resources
#define IDR_JOURNAL_MENU 168
// The file dialogs: the ".acq" chooser, and the templates added to the common save and browse
// dialogs (a dialog template shares no name space with the menu of the same number)
#define IDD_FILE_CHOOSER 129
#define IDD_SAVE_OPTIONS 168
#define IDD_BROWSE_FOLDER 170

// Faces of the tool buttons, in the order of the application record's button bitmaps
#define IDB_FACE_IBEAM_BAR 223
#define IDB_FACE_IBEAM_BAR_OFF 224

// Strings; a command's menu help is the string of the command's own id
#define IDS_CANNOT_OPEN_FILE 49
#define IDS_FILE_TRUNCATED 50
#define IDS_POPUPS_OVER_PLOT 61441

// Keys of the device library's menu labels that replace item texts: Undo, the colours, and the
// display items, whose keys run on by one for Scope and by two for XY mode
#define IDS_LABEL_CANT_UNDO 2201

// Controls of the frame and of the graph window
#define IDC_TOOL_ARROW 16
#define IDC_TOOL_IBEAM 17
#define IDC_TOOL_ZOOM 18
#define IDC_GRAPH_SCROLLBAR 20
#define IDC_JOURNAL_NEW 408
#define IDC_CHANNEL_DIRECTOR 665
// The file chooser's controls, and those of the templates added to the browse and save dialogs
#define IDC_CHOOSER_LIST 1044
#define IDC_CHOOSER_BROWSE 1432
#define IDC_BROWSE_OK 1120
#define IDC_BROWSE_CANCEL 1121
#define IDC_SAVE_SELECTION_ONLY 1133

// The channel director's commands: select a channel, or choose the X channel of XY mode
#define IDM_SELECT_CHANNEL_FIRST 256
#define IDM_SELECT_CHANNEL_LAST 511
#define IDM_X_CHANNEL_FIRST 512

// The journal's right-click menu
#define IDM_JOURNAL_UNDO 357
#define IDM_JOURNAL_CUT 358
#define IDM_JOURNAL_COPY 359
#define IDM_JOURNAL_PASTE 360
#define IDM_JOURNAL_CLEAR 361
#define IDM_JOURNAL_SELECT_ALL 362
#define IDM_JOURNAL_FONT 366
#define IDM_JOURNAL_NO_WRAP 371
#define IDM_JOURNAL_WRAP 372

// The marker keys F2-F12
#define IDM_MARKER_KEY_FIRST 392
#define IDM_MARKER_KEY_LAST 401

// Edit, with its Clipboard and Journal popups
#define IDM_EDIT_UNDO 513

// Transform
#define IDM_TRANSFORM_FIND_PEAK 1067
#define IDM_TRANSFORM_FIND_NEXT_PEAK 1068

// Display, with its Wave color, Show and Dot size popups
#define IDM_DISPLAY_AUTOSCALE_HORIZONTAL 2053
#define IDM_SHOW_SCOPE 2082
#define IDM_SHOW_CHART 2083
#define IDM_SHOW_XY 2084
#define IDM_SHOW_GRID 2085
#define IDM_SHOW_MARKERS 2087
#define IDM_SHOW_MEASUREMENTS 2089
#define IDM_SHOW_CHANNEL_NUMBERS 2090
#define IDM_SHOW_JOURNAL 2091
#define IDM_DISPLAY_AUTOSCALE_ACTIVE 2098
#define IDM_DISPLAY_CENTER_VERTICALLY 2099
#define IDM_DISPLAY_CENTER_HORIZONTALLY 2100
#define IDM_DISPLAY_OPTIMIZE_RANGES 2117
#define IDM_DISPLAY_OPTIMIZE_RANGE 2118
#define IDM_TOOL_ARROW 2130
#define IDM_TOOL_SELECTION 2131
#define IDM_TOOL_ZOOM 2132

// Keys that the accelerators pass to the graph window
#define IDM_KEY_LEFT 4864
#define IDM_KEY_RIGHT 4865
#define IDM_KEY_UP 4866
#define IDM_KEY_DOWN 4867

// The graph toolbar's own buttons
#define IDM_SEGMENT_VIEW 4881

// Text files: the Read Text Options and Save Options dialogs and the file dialogs' buttons
#define IDC_SAVE_TEXT_OPTIONS 1025

// The graph dialogs: prompts, scale dialogs, channel label, grid, preferences, order, axis format
#define IDD_NUMBER_PROMPT 150
#define IDD_TIME_PROMPT 950
#define IDD_VSCALE 118
#define IDD_VSCALE_LOCKED 204
#define IDD_HSCALE 952
#define IDD_HSCALE_HMS 953
#define IDD_HSCALE_LOCKED 202
#define IDD_HSCALE_LOCKED_HMS 203
#define IDD_CHANNEL_LABEL 954
#define IDD_GRID_OPTIONS 201
#define IDD_DISPLAY_PREFS 300
#define IDD_WAVEFORM_ORDER 1900
#define IDD_HAXIS_FORMAT 200
// Translation sets of the number prompt chosen by its label
#define IDT_PROMPT_LOWER_LIMIT 150
#define IDT_PROMPT_UPPER_LIMIT 151
#define IDT_PROMPT_LOWER_THRESHOLD 152
#define IDT_PROMPT_UPPER_THRESHOLD 153
#define IDT_PROMPT_DIFFERENCE 154
#define IDT_PROMPT_SAMPLE_RATE 155
#define IDC_PROMPT_LABEL 151
#define IDC_PROMPT_EDIT 152
#define IDC_PROMPT_UNITS 153
#define IDC_PROMPT_CHECK 154
#define IDC_PROMPT_NOTE 155
#define IDC_HMS_HOURS 214
#define IDC_HMS_MINUTES 215
#define IDC_HMS_SECONDS 216
#define IDC_HMS_COLON1 217
#define IDC_HMS_COLON2 218
// Vertical Scale (free)
#define IDC_VS_CHANNEL 1031
#define IDC_VS_SCALING 1024
#define IDC_VS_SCALE 1032
#define IDC_VS_SCALE_UNITS 1033
#define IDC_VS_MIDPOINT 1034
#define IDC_VS_MID_UNITS 1035
#define IDC_VS_PRECISION 1045
#define IDC_VS_ALL_SCALE 1020
#define IDC_VS_ALL_MIDPOINT 1021
#define IDC_VS_ALL_DECIMALS 1022
// Vertical Scale - LOCKED
#define IDC_VL_CHANNEL 1000
#define IDC_VL_CHANNEL_TEXT 1171
#define IDC_VL_RANGE_GROUP 1166
#define IDC_VL_UPPER_LABEL 1155
#define IDC_VL_UPPER 1012
#define IDC_VL_UPPER_UNITS 1167
#define IDC_VL_LOWER_LABEL 1156
#define IDC_VL_LOWER 1005
#define IDC_VL_LOWER_UNITS 1168
#define IDC_VL_MAJOR 1006
#define IDC_VL_MAJOR_UNITS 1170
#define IDC_VL_BASE 1177
#define IDC_VL_BASE_UNITS 1178
#define IDC_VL_MINOR 1169
#define IDC_VL_PRECISION 1001
#define IDC_VL_ALL_LIMITS 1020
#define IDC_VL_ALL_MAJOR 1021
#define IDC_VL_ALL_DECIMALS 1022
#define IDC_VL_SCALING 1024
// Channel label
#define IDC_LABEL_PROMPT 1112
#define IDC_LABEL_EDIT 1035
// Grid Options
#define IDC_GRID_MAJOR_STYLE 1000
#define IDC_GRID_MINOR_STYLE 1001
#define IDC_GRID_MAJOR_WIDTH 1146
#define IDC_GRID_MINOR_WIDTH 1147
#define IDC_GRID_MAJOR_COLOR 1148
#define IDC_GRID_MINOR_COLOR 1149
#define IDC_GRID_MINOR_ON 1021
#define IDC_GRID_LOCK 1020
#define IDC_GRID_START_END 1163
#define IDC_GRID_MID_RANGE 1164
#define IDC_GRID_LOCK_TEXT 1172
#define IDC_GRID_PREVIEW 1145
// Display Preferences
#define IDC_PREFS_ROWS 1000
#define IDC_PREFS_PRECISION 1001
#define IDC_PREFS_GRAY 301
#define IDC_PREFS_AUTOSCALE 302
#define IDC_PREFS_TILE 303
#define IDC_PREFS_ALL_MEMORY 304
#define IDC_PREFS_DRAFT 305
#define IDC_PREFS_INTERPOLATE 306
#define IDC_PREFS_TOOLS 1020
#define IDC_PREFS_PAGE_FULL 1120
#define IDC_PREFS_PAGE_HALF 1121
#define IDC_PREFS_PAGE_QUARTER 1122
#define IDC_PREFS_JOURNAL 1024
// Set Waveform Order: the list, its check-box notification and its move request
#define IDC_ORDER_LIST 1901
#define IDN_ORDER_CHECK 1224
#define IDB_ORDER_CHECK "CHECK"
// Set Horizontal Axis format
#define IDC_HAXIS_TIME 201
#define IDC_HAXIS_FREQUENCY 202
#define IDC_HAXIS_CLOCK 203
#define IDC_HAXIS_ARBITRARY 204
#define IDC_HAXIS_UNITS_LABEL 205
#define IDC_HAXIS_ABBREV_LABEL 206
#define IDC_HAXIS_INTERVAL 207
#define IDC_HAXIS_FIRST 208
#define IDC_HAXIS_UNITS 209
#define IDC_HAXIS_ABBREV 210
#define IDC_HAXIS_INTERVAL_LABEL 211
#define IDC_HAXIS_FIRST_LABEL 212
#define IDC_HAXIS_ABBREV_NOTE 213
// Faces of the graph toolbar's buttons, enabled and disabled
#define IDB_TB_SCOPE 103
#define IDB_TB_SCOPE_OFF 199
#define IDB_TB_CHART 104
#define IDB_TB_CHART_OFF 186
#define IDB_TB_XY 105
#define IDB_TB_XY_OFF 182
#define IDB_TB_ARROW 220
#define IDB_TB_ARROW_OFF 222
#define IDB_TB_ZOOM 227
#define IDB_TB_ZOOM_OFF 228
#define IDB_TB_OVERLAP 275
#define IDB_TB_OVERLAP_OFF 276
#define IDB_TB_VAUTOSCALE 107
#define IDB_TB_VAUTOSCALE_OFF 197
#define IDB_TB_HAUTOSCALE 108
#define IDB_TB_HAUTOSCALE_OFF 198
#define IDB_TB_VCENTER 109
#define IDB_TB_VCENTER_OFF 184
#define IDB_TB_HCENTER 110
#define IDB_TB_HCENTER_OFF 183
#define IDB_TB_FIND_PEAK 121
#define IDB_TB_FIND_PEAK_OFF 192
#define IDB_TB_FIND_NEXT_PEAK 122
#define IDB_TB_FIND_NEXT_PEAK_OFF 191
#define IDB_TB_GRID 116
#define IDB_TB_GRID_OFF 193
#define IDB_TB_MEASUREMENTS 118
#define IDB_TB_MEASUREMENTS_OFF 195
#define IDB_TB_CHANNELS 119
#define IDB_TB_CHANNELS_OFF 185
#define IDB_TB_MARKERS 117
#define IDB_TB_MARKERS_OFF 194
#define IDB_TB_JOURNAL 120
#define IDB_TB_JOURNAL_OFF 200
// Horizontal Scale (free)
#define IDC_HS_SCALE_LABEL 1240
#define IDC_HS_SCALE 1032
#define IDC_HS_SCALE_UNITS 1033
#define IDC_HS_START_LABEL 1165
#define IDC_HS_START 1036
#define IDC_HS_START_UNITS 1037
#define IDC_HS_PRECISION 1045
#define IDC_HS_HOLD 1020
// Horizontal Scale - LOCKED
#define IDC_HL_START_LABEL 1156
#define IDC_HL_START 1005
#define IDC_HL_END_LABEL 1155
#define IDC_HL_END 1012
#define IDC_HL_RANGE_GROUP 1157
#define IDC_HL_START_UNITS 1152
#define IDC_HL_END_UNITS 1150
#define IDC_HL_MAJOR 1006
#define IDC_HL_MAJOR_UNITS 1151
#define IDC_HL_MINOR 1154
#define IDC_HL_BASE 1173
#define IDC_HL_BASE_UNITS 1174
#define IDC_HL_PRECISION 1045
#define IDC_HL_HOLD 1020
// Horizontal Scale in hours, minutes and seconds: the scale and start rows (free), and the
// start, end, major division and base point rows (locked)
#define IDC_HH_SCALE_H 1038
#define IDC_HH_SCALE_M 1039
#define IDC_HH_SCALE_S 1040
#define IDC_HH_SCALE_UNITS 1033
#define IDC_HH_START_UNITS 1037
#define IDC_HL_ROW1_LABEL 1160
#define IDC_HL_ROW2_LABEL 1161
#define IDC_HL_ROW1_H 1012
#define IDC_HL_ROW1_M 1005
#define IDC_HL_ROW1_S 1006
#define IDC_HL_ROW2_H 1013
#define IDC_HL_ROW2_M 1007
#define IDC_HL_ROW2_S 1008
#define IDC_HL_ROW3_H 1014
#define IDC_HL_ROW3_M 1009
#define IDC_HL_ROW3_S 1010
#define IDC_HL_ROW4_H 1015
#define IDC_HL_ROW4_M 1011
#define IDC_HL_ROW4_S 1016
#define IDC_HL_ROW1_UNITS 1158
#define IDC_HL_ROW2_UNITS 1159
#define IDC_HL_ROW3_UNITS 1162
#define IDC_HL_ROW4_UNITS 1163

// Printing of graphs: the progress dialog, the print dialog's own controls, the failure text.
#define IDS_CANNOT_PRINT 25
#define IDD_PRINT_PROGRESS 125
#define IDC_PRINT_PAGE 126
#define IDC_PRINT_GRAPH_NAME 127
#define IDC_PRINT_PRINTER 128
#define IDC_PRINT_PLOTS 1780
#define IDC_PRINT_FIT 1781
#define IDC_PRINT_PLOTS_LABEL 1782
#define IDC_PRINT_FIT_LABEL 1783
#define IDC_PRINT_PLOTS_UNITS 1784
#define IDC_PRINT_FIT_UNITS 1785
