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
#define IDD_DRIVER_ABOUT 1200

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

// Strings of the library's string table (English, Spanish, French, Italian)
#define IDS_CONVERT_SETUP 5040
#define IDS_CONVERT_SETUP_CAPTION 5041

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
#define IDM_DEVICE_LAST 10000

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
