// Resource, command, control and string ids of the device library, shared by vk40.rc and the
// code so that each is named once. Only #defines: the resource compiler reads this file too.
// The program reads the command ids too: every id from IDM_DEVICE_FIRST to IDM_DEVICE_LAST
// that the program does not take itself is passed to the library's command operation.
#pragma once

// Resources ("VK40" names the device menu's template)
#define IDR_PRESETS_MENU 146
#define IDR_VK40_FIRMWARE 131  // of type "VK40Firmware"

// The shared button bitmaps, in the order of the library's image table
#define IDB_START_IDLE 166
#define IDB_START_RUNNING 167
#define IDB_PLAYBACK_IDLE 169
#define IDB_PLAYBACK_RUNNING 168
#define IDB_TOGGLE_ON 152
#define IDB_TOGGLE_OFF 151
#define IDB_TOGGLE_ARMED 179

// The acquisition status images of the graph's status strip
#define IDB_STATUS_NO_UNIT 2010
#define IDB_STATUS_READY 2011
#define IDB_STATUS_RUNNING 2012
#define IDB_STATUS_WAITING 2013
#define IDB_STATUS_BUSY 2014
#define IDB_STATUS_OTHER 2015
#define IDB_STATUS_RESTART 2018
#define IDB_STATUS_FINISHING 137

// Dialogs
#define IDD_ELECTRODE_CHECK_VK40 128
#define IDD_ELECTRODE_CHECK 183
#define IDD_CHANNEL_SETUP 400
#define IDD_ACQUISITION_SETUP 600
#define IDD_SCALING 800
#define IDD_TRIGGER_SETUP 1213
#define IDD_INPUT_VALUES 1218
#define IDD_FIRMWARE_LENGTH 129
#define IDD_CALC_WARNING 113
#define IDD_DRIVER_ABOUT 1200
#define IDD_READ_BACK 147  // progress of a unit-memory read-back
#define IDD_APPEND_EDITED 105    // "Acquisition Warning": the data was edited, replace or abort
#define IDD_APPEND_CHANGED 1217  // "Acquisition Warning": the set-up changed, revert, replace or abort
// The calculation channels' parameter dialogs (calc_dialogs.rc)
#define IDD_CALC_EXPRESSION 106
#define IDD_CALC_DELAY 114
#define IDD_CALC_CONTROL 117
#define IDD_CALC_INTEGRATE 130
#define IDD_CALC_SMOOTHING 133
#define IDD_CALC_RATE 140
#define IDD_CALC_MATH 150
#define IDD_CALC_FUNCTION 160
#define IDD_CALC_DIFFERENCE 170
#define IDD_CALC_FILTER 180

// Controls of the About box and the firmware length prompt
#define IDC_ABOUT_STATUS 1095
#define IDC_ABOUT_INFO 1096
#define IDC_ABOUT_STORE_INFO 1097
#define IDC_ABOUT_DUMP 1098
#define IDC_ABOUT_NORMAL_MODE 1099
#define IDC_ABOUT_DOWNLOAD 1100
#define IDC_ABOUT_FIRMWARE_MODE 1101
#define IDC_ABOUT_AT_CONNECT 1102
#define IDC_ABOUT_SPARE 1201
#define IDC_FIRMWARE_LENGTH 1105
#define IDC_CALC_WARNING_HEADING 1130
#define IDC_CALC_WARNING_TEXT 1131

// The progress line of the read-back (dialog 147); its template text is the line's format
#define IDC_READ_BACK_PROGRESS 1205
// The text of the two append warnings
#define IDC_APPEND_TEXT 1216

// Strings of the library's string table (English, Spanish, French, Italian)
#define IDS_CONVERT_SETUP 5040
#define IDS_CONVERT_SETUP_CAPTION 5041
// The warning of a start-up without its script (caption IDS_CONVERT_SETUP_CAPTION, "Warning")
#define IDS_STARTUP_MISSING 5042

// Controls of Setup Acquisition
#define IDC_STORAGE 601
#define IDC_RESTART_INTERVAL_UNIT 605
#define IDC_RESTART_COUNT_KIND 606
#define IDC_LENGTH_UNIT 633
#define IDC_REPEAT_MODE 1018
#define IDC_DATA_MODE 1019

// Controls of Change Scaling Parameters (dialog 800)
#define IDC_SCALE_HEADING 801
#define IDC_SCALE_INPUT_TITLE 802
#define IDC_SCALE_VALUE_TITLE 803
#define IDC_SCALE_POINT1 804
#define IDC_SCALE_POINT2 805
#define IDC_SCALE_INPUT1 806
#define IDC_SCALE_INPUT1_UNIT 807
#define IDC_SCALE_VALUE1 808
#define IDC_SCALE_CAL1 809
#define IDC_SCALE_INPUT2 810
#define IDC_SCALE_INPUT2_UNIT 811
#define IDC_SCALE_VALUE2 812
#define IDC_SCALE_CAL2 813
#define IDC_SCALE_UNITS_TITLE 814
#define IDC_SCALE_UNITS 815

// Controls shared by the calculation dialogs
#define IDC_CALC_HEADING 1500
#define IDC_CALC_LABEL 1501
#define IDC_CALC_PRESET_NAME 1502
#define IDC_CALC_NEW_PRESET 1503
#define IDC_CALC_SCALING 1504
#define IDC_CALC_SOURCE 1505
#define IDC_CALC_SOURCE_UNITS 1506
// Integrate
#define IDC_INT_AVERAGE 1510
#define IDC_INT_RESET 1511
#define IDC_INT_SAMPLES 1512
#define IDC_INT_OPTIONS 1513
#define IDC_INT_RECTIFY 1514
#define IDC_INT_RMS 1515
#define IDC_INT_BASELINE 1516
#define IDC_INT_CONTROL 1517
#define IDC_INT_CONTROL_UNITS 1518
#define IDC_INT_LOW 1519
#define IDC_INT_HIGH 1520
#define IDC_INT_POSITIVE 1521
#define IDC_INT_NEGATIVE 1522
#define IDC_INT_MEAN_SUBTRACT 1523
#define IDC_INT_MAX_CYCLE 1524
// Smoothing, Difference
#define IDC_SMOOTH_FACTOR 1530
#define IDC_SMOOTH_MEDIAN 1531
#define IDC_DIFF_INTERVAL 1535
// Math
#define IDC_MATH_FIRST 1540
#define IDC_MATH_OPERATOR 1541
#define IDC_MATH_SECOND 1542
#define IDC_MATH_CONSTANT 1543
// Function
#define IDC_FUNC_LIST 1545
#define IDC_FUNC_UPPER_TITLE 1546
#define IDC_FUNC_UPPER 1547
#define IDC_FUNC_LOWER_TITLE 1548
#define IDC_FUNC_LOWER 1549
// Filter
#define IDC_FILTER_TYPE 1550
#define IDC_FILTER_FREQ_TITLE 1551
#define IDC_FILTER_FREQ 1552
#define IDC_FILTER_HIGH_TITLE 1553
#define IDC_FILTER_HIGH 1554
#define IDC_FILTER_Q 1555
// Expression
#define IDC_EXPR_TEXT 1560
#define IDC_EXPR_CHANNELS 1561
#define IDC_EXPR_FUNCTIONS 1562
#define IDC_EXPR_OPERATORS 1563
#define IDC_EXPR_CLEAR 1564
// Delay
#define IDC_DELAY_VALUE 1570
#define IDC_DELAY_UNIT 1571
// Control
#define IDC_CTRL_TITLE 1575
#define IDC_CTRL_OUTPUT 1576
#define IDC_CTRL_FUNCTION0 1577
#define IDC_CTRL_FUNCTION1 1578
#define IDC_CTRL_FUNCTION2 1579
#define IDC_CTRL_FUNCTION3 1580
#define IDC_CTRL_LEVEL1 1581
#define IDC_CTRL_LEVEL2 1582
#define IDC_CTRL_LEVEL1_UNITS 1583
#define IDC_CTRL_LEVEL2_UNITS 1584
// Rate
#define IDC_RATE_FUNCTION 1590
#define IDC_RATE_POSITIVE 1591
#define IDC_RATE_NEGATIVE 1592
#define IDC_RATE_BASELINE 1593
#define IDC_RATE_AUTO 1594
#define IDC_RATE_LEVEL_TITLE 1595
#define IDC_RATE_LEVEL 1596
#define IDC_RATE_LEVEL_UNITS 1597
#define IDC_RATE_WINDOW 1598
#define IDC_RATE_MIN_TITLE 1599
#define IDC_RATE_MIN 1610
#define IDC_RATE_MIN_UNITS 1611
#define IDC_RATE_MAX_TITLE 1612
#define IDC_RATE_MAX 1613
#define IDC_RATE_MAX_UNITS 1614
#define IDC_RATE_CHAN_UNITS 1615

// Controls of Setup Triggering
#define IDC_TRIGGER_SOURCE 621
#define IDC_TRIGGER_SLOPE 622

// The device menu and the commands the library takes
#define IDM_DEVICE_FIRST 5000
#define IDM_CHANNELS 5001
#define IDM_ACQUISITION 5002
#define IDM_INPUTVALUES 5003
#define IDM_MANUAL 5004
#define IDM_AUTOPLOT 5006
#define IDM_AUTOSCROLL 5007
#define IDM_ORGTEMPLATE 5008
#define IDM_ABOUT 5011
#define IDM_WARNINGONOVERWRITE 5012
#define IDM_TRIGGERING 5013
#define IDM_STIMULATOR 5014
#define IDM_ELECTRODE 5015
#define IDM_PRESET_RENAME 5016
#define IDM_PRESET_DELETE 5017
#define IDM_CHANNEL_LABEL 5018
#define IDM_CHANNEL_UNITS 5019
#define IDM_DEVICE_LAST 9999  // 10000 on are the program's recent files

// Output Control; the program hands these to the active graph's output panels
#define IDM_OUTPUT_PANEL_DIALOG 5029
#define IDM_OUTPUT_FIRST 5032
#define IDM_OUTPUT_CHANNEL 5032
#define IDM_OUTPUT_DIGITAL 5033
#define IDM_OUTPUT_PULSES 5034
#define IDM_OUTPUT_VOLTAGE 5035
#define IDM_OUTPUT_TVXSTM 5036
#define IDM_OUTPUT_TVXSTM_SECOND 5037
#define IDM_OUTPUT_RJ72C 5038
#define IDM_OUTPUT_RJ72C_ADVANCED 5039
#define IDM_OUTPUT_LAST 5039

// The Start button the library puts on the attached graph window
#define IDC_START_BUTTON 8448

// Messages the library sends the attached graph window about its recording
#define WM_VK_RUN_STARTED 0x8002  // wParam 1 for a unit-paced run
#define WM_VK_RUN_ENDED 0x8003
#define WM_VK_RUN_STOPPED 0x8004  // ended by the Start button

// Acquisition Setup, Setup Triggering and the device preferences (acqsetup_dialogs.rc)
#define IDD_DEVICE_PREFERENCES 1000
#define IDD_AUTOSAVE_NAME 2112
#define IDC_SAMPLE_RATE 1076
#define IDC_ACQ_RESET 602
#define IDC_MAX_LENGTH 631
#define IDC_LENGTH 632
#define IDC_LENGTH_SCROLL 634
#define IDC_AUTO_RESTART 635
#define IDC_ACQ_OPTION 641
#define IDC_RESTART_COUNT 1017
#define IDC_RESTART_INTERVAL 1020
#define IDC_RESTART_INTERVAL_TITLE 1021
#define IDC_ACQ_FILE 1022
#define IDC_SIZE_NEEDED 1202
#define IDC_TRIGGER_VOLTS 10
#define IDC_TRIGGER_UNITS 412
#define IDC_TRIGGER_SCROLL 623
#define IDC_TRIGGER_LEVEL 624
#define IDC_TRIGGER_SOURCE_GROUP 1221
#define IDC_TRIGGER_LEVEL_GROUP 1222
#define IDC_PREF_FROM_ZERO 1001
#define IDC_PREF_WARN_OVERWRITE 1002
#define IDC_AUTOSAVE_NAME 1012
#define IDC_AUTOSAVE_HINT 1013
// The graph's segment view command, sent to the attached graph when the data mode changes
#define IDM_GRAPH_SEGMENT_VIEW 4881

// The Setup Channels window, its rows, Input Channel Parameters and the presets organiser
// (chansetup_dialogs.rc)
#define IDD_CHANNEL_SETUP_OTHER 181  // the window for models with digital inputs
#define IDD_CHANNEL_ROW 182
#define IDD_INPUT_PARAMS 124
#define IDD_PRESET_ORGANIZER 1390
#define IDD_PRESET_RENAME 142
#define IDC_CHSET_DIGITAL_SPIN 1393
#define IDC_CHSET_CALC_SPIN 1394
#define IDC_ROW_NAME 1396
#define IDC_ROW_ACQUIRE 1397
#define IDC_ROW_PLOT 1398
#define IDC_ROW_VALUES 1399
#define IDC_ROW_LABEL 1160
#define IDC_ROW_PRESETS 1400
#define IDC_ROW_SETUP 1401
#define IDC_ICP_HEADING 1700
#define IDC_ICP_LABEL 1701
#define IDC_ICP_PRESET_NAME 1702
#define IDC_ICP_OFFSET 1703
#define IDC_ICP_UNITS 1704
#define IDC_ICP_GAIN 1705
#define IDC_ICP_AC 1706
#define IDC_ICP_DC 1707
#define IDC_ICP_HP0 1708
#define IDC_ICP_HP1 1709
#define IDC_ICP_HP2 1710
#define IDC_ICP_LP1K 1711
#define IDC_ICP_LP5K 1712
#define IDC_ICP_SLOT 1713
#define IDC_ICP_TYPE 1714
#define IDC_ICP_FREQ 1715
#define IDC_ICP_Q 1716
#define IDC_ICP_NOTE 1717
#define IDC_ICP_NEW_PRESET 1718
#define IDC_ICP_UPDATE_HW 1719
#define IDC_ICP_SCALING 1720
#define IDC_OCP_LIST 1188
#define IDC_OCP_RENAME 1185
#define IDC_OCP_DELETE 1186
#define IDC_OCP_MOVE 1191
#define IDC_OCP_TOP 1192
#define IDC_OCP_BOTTOM 1193
#define IDC_OCP_DELETE_ALL 1194
#define IDC_OCP_CALC_TEXT 1372
#define IDC_OCP_ANALOG_TEXT 1373
#define IDC_RENAME_OLD 1189
#define IDC_RENAME_NEW 1017
#define IDB_PRESET_CALC 140
#define IDB_PRESET_ANALOG 141
#define IDB_ROW_PRESETS 148
#define IDB_ROW_SETUP 149

// The Input Values pane and the model-40 electrode checker (devlib/values_dialogs.rc)
#define IDC_VALUES_UNAVAILABLE 1370   // the pane's text while it shows no values
#define IDC_ELECTRODE_VALUE 1105      // the impedance in kilo-ohms
#define IDC_ELECTRODE_UNITS 1077
#define IDC_ELECTRODE_IDLE_TITLE 23003  // the checker's title while it reads no impedance
#define IDT_INPUT_VALUES 111
#define IDT_ELECTRODE_CHECK 300
#define IDC_VALUES_RELAYOUT 1101  // sent to the Input Values pane: lay out again
// The second model's two-input electrode check (dialog 183)
#define IDC_ELECTRODE_BAR1 1406
#define IDC_ELECTRODE_BAR2 1407
#define IDC_ELECTRODE_TEXT1 1409
#define IDC_ELECTRODE_TEXT2 1410
#define IDC_ELECTRODE_NO_READING 1411

// The Input Values pane's options (devlib/options_dialogs.rc)
#define IDD_VALUES_OPTIONS 1110
#define IDC_VOPT_PRECISION 1111
#define IDC_VOPT_NAMES 1112
#define IDC_VOPT_UNITS 1113
#define IDC_VOPT_LABELS 1114
#define IDC_VOPT_RANGE 1115
#define IDC_VOPT_VALUES 1116
#define IDC_VOPT_FONT 1117

// Manual Control, the Stimulator panel and its preferences (devlib/output_dialogs.rc)
#define IDD_MANUAL_CONTROL 900
#define IDC_MANUAL_SCROLL 903
#define IDC_MANUAL_VOLTS 905
#define IDC_MANUAL_VOLTAGE_OUT 5000
#define IDC_MANUAL_CH3_OUT 5001
#define IDC_MANUAL_OUTPUT_GROUP 5003
#define IDC_MANUAL_VOLTS_LABEL 1207
#define IDC_MANUAL_MODE_GROUP 1208
#define IDD_STIMULATOR 1220
#define IDC_STIM_WIDTH 1111
#define IDC_STIM_RATE 1112
#define IDC_STIM_LOWER 1113
#define IDC_STIM_UPPER 1114
#define IDC_STIM_COUNT 1115
#define IDC_STIM_START 1117
#define IDC_STIM_PREFS 1121
#define IDC_STIM_SCROLL 1127
#define IDC_STIM_PERIOD 1131
#define IDC_STIM_CONTINUOUS 1235
#define IDC_STIM_NUMBERED 11001
#define IDD_STIM_PREFERENCES 1221
#define IDC_STIMPREF_WITH_ACQ 1000
#define IDC_STIMPREF_WITH_BUTTON 1002
#define IDC_STIMPREF_MARKERS 1130
#define IDC_STIMPREF_LOCK 1132
#define IDC_STIMPREF_LIMIT_ON 1133
#define IDC_STIMPREF_LIMIT 1131
#define IDC_STIMPREF_CORRECTION 1128
#define IDC_STIMPREF_INCREMENT 1129
#define IDC_STIMPREF_DELAY 1198
