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
// The banner drawn for 125, 150 and 200 %.
#define IDB_BANNER_125 180
#define IDB_BANNER_150 181
#define IDB_BANNER_200 182
#define IDB_ABOUT_PICTURE 136
#define IDB_ABOUT_PICTURE_200 183
// The tab icons, in tab order from this id (their resource lines are made from the category table).
#define IDI_TAB_FIRST 200
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
#define IDC_ABOUT_PICTURE 1041
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
#define IDC_FILTER 1004

// Entry menu.
#define ID_DELETE_ENTRY 32778
#define ID_SHOW_PROPERTIES 32788
#define ID_LOCATE_FILE 32791
#define ID_ENABLE_ENTRY 32793
#define ID_DISABLE_ENTRY 32794
#define ID_LOCATE_REGISTRY 32796
#define ID_COPY_ENTRY 32797

// Private window messages.
// A page asks the main window to show the details of its selected entry: wParam is its tab.
#define WM_TARN_SHOW_DETAILS 0x1400
// The update check's answer, posted to the main window: wParam is the updater's exit code.
#define WM_TARN_UPDATE_RESULT 0x1401
// A fill thread has rows waiting for its page to insert them on the window's thread.
#define WM_TARN_INSERT_ROW 0x1402
// A page tells the main window that its rows show its list: wParam is its tab.
#define WM_TARN_PAGE_FILLED 0x1403
// How far a scan has come, posted to the main window: wParam is the tab whose category is being
// enumerated (the tab count once every category is, and the pages fill), lParam how many
// entries were found before it.
#define WM_TARN_PROGRESS 0x1404
// A page's filter box was typed in: wParam is its tab.
#define WM_TARN_FILTER_TYPED 0x1405
// A page's rows changed in number (a delete, a filter): wParam is its tab.
#define WM_TARN_ROWS_CHANGED 0x1406
// The scan messages, one per page in tab order from this one: wParam is the number of scans
// completed before this one, lParam points at the page's part of the scan, which the page takes.
#define WM_TARN_SCAN_FIRST 0x2400
