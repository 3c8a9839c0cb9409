// Resource, control and private window message identifiers, shared by the resource script and
// the code. Plain numbers only: the resource compiler reads this file too.
#pragma once

#define IDR_MANIFEST 1

#define IDD_MAIN 102
#define IDD_ABOUT 103
#define IDD_PAGE 145
#define IDR_ENTRY_MENU 129

#define IDI_APP 128
#define IDB_BANNER 133
#define IDB_ABOUT_PICTURE 136
#define IDI_TAB_WINLOGON 148
#define IDI_TAB_EXPLORER 149
#define IDI_TAB_DRIVERS 151
#define IDI_TAB_HIJACKS 152
#define IDI_TAB_INTERNET 153
#define IDI_TAB_LOGON 154
#define IDI_TAB_PRINT 155
#define IDI_TAB_SERVICES 156
#define IDI_TAB_TASKS 157
#define IDI_TAB_WINSOCK 158
#define IDI_TAB_APPINIT 159
#define IDI_TAB_KNOWNDLLS 160
#define IDI_TAB_NETWORK 161
#define IDI_TAB_SHORTCUTS 172
// The about button's five blink frames, drawn in this order.
#define IDB_BLINK_1 173
#define IDB_BLINK_2 174
#define IDB_BLINK_3 175
#define IDB_BLINK_4 176
#define IDB_BLINK_5 177

// Main window.
#define IDC_REFRESH 1003
#define IDC_ABOUT 1007

// About box.
#define IDC_ABOUT_OK 1036
#define IDC_ABOUT_SUPPORT_MAIL 1037
#define IDC_ABOUT_SAMPLE_MAIL 1038
#define IDC_ABOUT_SITE 1039
#define IDC_ABOUT_PRODUCT 1040
#define IDC_DETAIL_ICON 1009
#define IDC_DETAIL_NAME 1010
#define IDC_SIZE_LABEL 1011
#define IDC_DETAIL_DESCRIPTION 1012
#define IDC_TIME_LABEL 1013
#define IDC_DETAIL_COMPANY 1014
#define IDC_VERSION_LABEL 1015
#define IDC_DETAIL_SIZE 1016
#define IDC_DETAIL_TIME 1017
#define IDC_UNUSED_TEXT 1018
#define IDC_DETAIL_SEPARATOR 1020
#define IDC_DETAIL_LOCATION 1022
#define IDC_LOCATION_LABEL 1023
#define IDC_DETAIL_COMMAND 1024
#define IDC_KB_LABEL 1025
#define IDC_DETAIL_VERSION 1026
#define IDC_BANNER_FRAME 1031
#define IDC_BANNER 1032
#define IDC_SITE_LINK 1035
#define IDC_TABS 1045

// Page.
#define IDC_LIST 1002

// Entry menu.
#define ID_DELETE_ENTRY 32778
#define ID_SHOW_PROPERTIES 32788
#define ID_LOCATE_FILE 32791
#define ID_ENABLE_ENTRY 32793
#define ID_DISABLE_ENTRY 32794
#define ID_LOCATE_REGISTRY 32796

// Private window messages.
// A page asks the main window to show an entry's details: lParam points at the entry.
#define WM_TARN_SHOW_DETAILS 0x1400
// The update check's answer, posted to the main window: wParam is the updater's exit code.
#define WM_TARN_UPDATE_RESULT 0x1401
// A fill thread hands its page one row to insert on the window's thread: lParam points at it.
#define WM_TARN_INSERT_ROW 0x1402
// The scan messages, one per page in tab order: wParam is the number of scans completed before
// this one, lParam 0.
#define WM_TARN_SCAN_LOGON 0x2400
#define WM_TARN_SCAN_EXPLORER 0x3400
#define WM_TARN_SCAN_INTERNET 0x4400
#define WM_TARN_SCAN_TASKS 0x5400
#define WM_TARN_SCAN_SERVICES 0x6400
#define WM_TARN_SCAN_DRIVERS 0x7400
#define WM_TARN_SCAN_HIJACKS 0x8400
#define WM_TARN_SCAN_APPINIT 0x9400
#define WM_TARN_SCAN_KNOWNDLLS 0xA400
#define WM_TARN_SCAN_WINLOGON 0xB400
#define WM_TARN_SCAN_WINSOCK 0x500
#define WM_TARN_SCAN_NETWORK 0x600
#define WM_TARN_SCAN_PRINT 0x700
#define WM_TARN_SCAN_SHORTCUTS 0x800
