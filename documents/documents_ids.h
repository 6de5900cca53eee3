// Ids of the documents layer: the journal, markers, measurement boxes, standard curves and text
// files, shared by their resource scripts and the code.
// Only #defines: the resource compiler reads this file too.
#pragma once

// The template added to the common open dialog, and the Journal Preferences dialog (a dialog
// template shares no name space with the menu of the same number)
#define IDD_OPEN_OPTIONS 167
#define IDD_JOURNAL_PREFS 350

// Faces of the journal's tool buttons
#define IDB_JOURNAL_TIME 124
#define IDB_JOURNAL_DATE 125
#define IDB_JOURNAL_AUTO_TIME 177
#define IDB_JOURNAL_PRINT 130
#define IDB_JOURNAL_LOAD 131
#define IDB_JOURNAL_SAVE 132

// Strings; a command's menu help is the string of the command's own id
#define IDS_PRINT_TITLE 24
#define IDS_TOO_MANY_CHANNELS 47

// Controls of the graph window's measurement popup, marker bar and journal
#define IDC_MEASURE_POPUP_FIRST 32
#define IDC_MEASURE_POPUP_LAST 38
#define IDC_MARKER_PREVIOUS 64
#define IDC_MARKER_NEXT 65
#define IDC_MARKER_LABEL 67
#define IDC_JOURNAL_EDIT 401
#define IDC_JOURNAL_INSERT_TIME 402
#define IDC_JOURNAL_INSERT_DATE 403
#define IDC_JOURNAL_AUTO_TIME 404
#define IDC_JOURNAL_LOAD 405
#define IDC_JOURNAL_SAVE 406
#define IDC_JOURNAL_PRINT 407
// The Journal Preferences dialog
#define IDC_JOURNAL_PREF_NAME 351
#define IDC_JOURNAL_PREF_UNITS 352
#define IDC_JOURNAL_PREF_PER_LINE 353
#define IDC_JOURNAL_PREF_TIME_VALUES 354
#define IDC_JOURNAL_PREF_CHANNELS 1043
#define IDC_JOURNAL_PREF_FONT 1141
#define IDC_JOURNAL_PREF_TABS 1142

// Edit, with its Clipboard and Journal popups
#define IDM_EDIT_CLEAR_ALL 518

// Markers; the marker popup lists the markers from IDM_MARKER_LISTED_FIRST
#define IDM_MARKER_FIRST 4607
#define IDM_MARKER_FIND 4607
#define IDM_MARKER_CLEAR_CURRENT 4609
#define IDM_MARKER_CLEAR_ALL 4610
#define IDM_MARKER_SUMMARY_ALL 4612
#define IDM_MARKER_SUMMARY_EVENTS 4613
#define IDM_MARKER_SUMMARY_APPENDS 4614
#define IDM_MARKER_PREFERENCES 4615
#define IDM_MARKER_SELECT 4616
#define IDM_MARKER_LISTED_FIRST 4617
#define IDM_MARKER_LAST 4863

// Measurement boxes: the type menu (its ids are the type numbers + 201) and the Waveform
// Arithmetic dialog of a "calculate" box
#define IDR_MEASURE_TYPES 117
#define IDM_MEASURE_NONE 201
#define IDM_MEASURE_VALUE 202
#define IDM_MEASURE_DELTA 203
#define IDM_MEASURE_PP 204
#define IDM_MEASURE_MAX 205
#define IDM_MEASURE_MIN 206
#define IDM_MEASURE_MEAN 207
#define IDM_MEASURE_STDDEV 208
#define IDM_MEASURE_INTEGRAL 209
#define IDM_MEASURE_AREA 210
#define IDM_MEASURE_LINREG 211
#define IDM_MEASURE_SLOPE 212
#define IDM_MEASURE_MEDIAN 214
#define IDM_MEASURE_HABS 216
#define IDM_MEASURE_DELTA_H 217
#define IDM_MEASURE_FREQ 218
#define IDM_MEASURE_BPM 219
#define IDM_MEASURE_SAMPLES 220
#define IDM_MEASURE_DELTA_S 221
#define IDM_MEASURE_MEDIAN_H 222
#define IDM_MEASURE_MAX_H 223
#define IDM_MEASURE_MIN_H 224
#define IDM_MEASURE_CALCULATE 225
#define IDM_MEASURE_CORRELATE 226
#define IDD_WAVEFORM_ARITHMETIC 1760
#define IDC_CALC_SOURCE1 501
#define IDC_CALC_OPERATOR 502
#define IDC_CALC_SOURCE2 503
#define IDC_CALC_CONSTANT 505
#define IDC_CALC_UNITS 1012
// The standard-curve dialogs and their controls
#define IDD_STD_CURVE 261
#define IDD_STD_CURVE_SETTINGS 262
#define IDC_CURVE_LIST 1010
#define IDC_CURVE_X_EDIT 1012
#define IDC_CURVE_Y_EDIT 1013
#define IDC_CURVE_GET_DATA 1024
#define IDC_CURVE_ADD 1025
#define IDC_CURVE_PLOT 1027
#define IDC_CURVE_DELETE 1350
#define IDC_CURVE_SETTINGS 10
#define IDC_CURVE_Y_LABEL 1367
#define IDC_CURVE_X_LABEL 1368
#define IDC_CURVE_Y_UNITS 1370
#define IDC_CURVE_X_UNITS 1371
#define IDC_CURVE_X_CAPTION 1373
#define IDC_CURVE_Y_CAPTION 1377
#define IDC_CURVE_SLOPE_ERROR 1422
#define IDC_CURVE_FROM 1012
#define IDC_CURVE_TO 1013
#define IDC_CURVE_STEPS 1277
#define IDC_CURVE_CHANNEL_UNITS 1393
#define IDC_CURVE_DOT_COLOUR 1000
#define IDC_CURVE_DOT_SIZE 1001

// Text files: the Read Text Options and Save Options dialogs and the file dialogs' buttons
#define IDD_READ_TEXT_OPTIONS 750
#define IDC_TEXT_START_LINE 751
#define IDC_TEXT_TO_END 752
#define IDC_TEXT_TO_LINE 753
#define IDC_TEXT_END_LINE 754
#define IDC_TEXT_INTERVAL 755
#define IDC_TEXT_UNIT 756
#define IDC_TEXT_DELIMITER 757
#define IDD_TEXT_SAVE_OPTIONS 1800
#define IDC_TEXT_HEADER 801
#define IDC_TEXT_SELECTION 802
#define IDC_TEXT_HSCALE 803
#define IDC_TEXT_SAVE_DELIMITER 804
#define IDC_TEXT_DELIMITER_LABEL 805
#define IDC_OPEN_TEXT_OPTIONS 1024
// The Select Marker dialog and its list
#define IDD_SELECT_MARKER 700
#define IDC_SELECT_MARKER_LIST 701

// The Marker Preferences pages, their controls, and the one-line text dialog of Rename
#define IDD_MARKER_PREFS_APPEND 265
#define IDD_MARKER_PREFS_FIXED 266
#define IDD_MARKER_PREFS_SEQUENTIAL 267
#define IDD_MARKER_PREFS_SUMMARY 268
#define IDD_ENTER_TEXT 1138  // not 138, which is the lessons' text entry
#define IDC_ENTER_TEXT_EDIT 139
#define IDC_MARKER_PREF_KEY 1000
#define IDC_MARKER_PREF_LIST 1010
#define IDC_MARKER_PREF_TEXT 1012
#define IDC_MARKER_PREF_STAMP 1020
#define IDC_MARKER_PREF_USE 1021
#define IDC_MARKER_PREF_ADD 1024
#define IDC_MARKER_PREF_RENAME 1025
#define IDC_MARKER_PREF_TOP 1026
#define IDC_MARKER_PREF_BOTTOM 1027
#define IDC_MARKER_PREF_DELETE 1350
#define IDC_MARKER_PREF_DELETE_ALL 1351
#define IDC_MARKER_PREF_MOVE 1353
#define IDC_MARKER_PREF_DEFAULT 1378
#define IDC_MARKER_PREF_CUSTOM 1379
#define IDC_MARKER_PREF_HEADING 1381
#define IDC_MARKER_PREF_BY_TIME 1384
#define IDC_MARKER_PREF_BY_LABEL 1385
#define IDC_MARKER_PREF_SEPARATE 1763
#define IDC_MARKER_PREF_HEADER 1764

// The marker bar's step-button icons
#define IDI_MARKER_PREVIOUS 271
#define IDI_MARKER_NEXT 273

// The device library's container of renamed marker-menu texts.
#define IDR_MARKER_MENU_TEXTS 5001
