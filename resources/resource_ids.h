// Resource and control ids of the setup program, shared by the resource script
// and the code. The numbers are fixed; the names say which page a control is on
// and what kind it is (Ico icon, Txt static text, Edt edit, Btn push button,
// Chk check box, Rad radio button, Prg progress bar, Vw rich-edit view).
#pragma once

// Dialog templates of the nine wizard pages, in wizard order.
#define IDD_WELCOME 106
#define IDD_LICENCE 107
#define IDD_DESTINATION 108
#define IDD_START_MENU 109
#define IDD_DATA_FOLDER 110
#define IDD_TASKS 111
#define IDD_READY 112
#define IDD_INSTALLING 113
#define IDD_FINISH 114

// Page header strings (title, subtitle).
#define IDS_WELCOME_SUBTITLE 129
#define IDS_WELCOME_TITLE 130
#define IDS_LICENCE_TITLE 131
#define IDS_LICENCE_SUBTITLE 132
#define IDS_DESTINATION_TITLE 133
#define IDS_DESTINATION_SUBTITLE 134
#define IDS_START_MENU_TITLE 135
#define IDS_START_MENU_SUBTITLE 136
#define IDS_DATA_FOLDER_TITLE 137
#define IDS_DATA_FOLDER_SUBTITLE 138
#define IDS_TASKS_TITLE 139
#define IDS_TASKS_SUBTITLE 140
#define IDS_READY_TITLE 141
#define IDS_READY_SUBTITLE 142
#define IDS_INSTALLING_TITLE 143
#define IDS_INSTALLING_SUBTITLE 144
#define IDS_FINISH_TITLE 145
#define IDS_FINISH_SUBTITLE 146

// Raw data beside the package archives (135, 139): the SHA-256 digest of each,
// written by tools/kvrdigest.cpp and checked before an archive is opened.
#define IDR_PACKAGE_DIGESTS 140

// Icons and bitmaps.
#define IDI_APPLICATION_ICON 130
#define IDI_DATA_FOLDER 134
#define IDI_DESTINATION 136
#define IDI_START_MENU 137
#define IDB_WATERMARK 131
#define IDB_HEADER 132

// Welcome page.
#define IDC_WELCOME_TXT_NOTICE 1025
#define IDC_WELCOME_TXT_RUNNING 1026

// Licence page.
#define IDC_LICENCE_VW_TEXT 1000
#define IDC_LICENCE_RAD_ACCEPT 1001
#define IDC_LICENCE_RAD_DECLINE 1002

// Destination page.
#define IDC_DESTINATION_ICO 1003
#define IDC_DESTINATION_EDT_FOLDER 1004
#define IDC_DESTINATION_BTN_BROWSE 1005
#define IDC_DESTINATION_TXT_REINSTALL 1006
#define IDC_DESTINATION_TXT_PER_USER 1007

// Start Menu page.
#define IDC_START_MENU_ICO 1008
#define IDC_START_MENU_EDT_GROUP 1009
#define IDC_START_MENU_BTN_BROWSE 1010
#define IDC_START_MENU_CHK_NONE 1011

// Data folder page.
#define IDC_DATA_FOLDER_ICO 1012
#define IDC_DATA_FOLDER_EDT_FOLDER 1013
#define IDC_DATA_FOLDER_BTN_BROWSE 1014
#define IDC_DATA_FOLDER_TXT_DEFINED 1006

// Tasks page.
#define IDC_TASKS_CHK_DESKTOP 1015
#define IDC_TASKS_CHK_QUICK_LAUNCH 1016

// Ready page.
#define IDC_READY_EDT_SUMMARY 1017

// Installing page: the install steps write to these (engine/install_page_ids.h).
#define IDC_INSTALLING_PRG_PROGRESS 1018
#define IDC_INSTALLING_TXT_DETAIL 1019
#define IDC_INSTALLING_TXT_STATUS 1020

// Finish page.
#define IDC_FINISH_CHK_LAUNCH 1021
#define IDC_FINISH_CHK_MANUAL 1022
#define IDC_FINISH_CHK_HARDWARE_GUIDE 1023
#define IDC_FINISH_TXT_IMPORTANT 1024

// The sheet's own Next button.
#define IDC_SHEET_NEXT 0x3024
