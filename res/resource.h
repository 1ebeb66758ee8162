// Every numeric resource id of Tornel. #defines only: windres reads this file too.
#pragma once

// Dialog templates
#define IDD_BUTTON_MANAGER 101
#define IDD_SCAN_PROGRESS 105

// Tray window commands
#define IDM_KELMIO 11202
#define IDM_COPIER 203
#define IDM_SCANNER_TEST 204
#define IDM_BUTTON_MANAGER 205
#define IDM_CLOSE 209

// Icons
#define IDI_READY 131
#define IDI_UNAVAILABLE 132

// Localized texts used by the tray
#define IDS_TIP_TORNEL 11201
#define IDS_MENU_KELMIO 11202
#define IDS_MENU_COPIER 11204
#define IDS_MENU_SCANNER_TEST 11205
#define IDS_MENU_PUSH_BUTTON 11206
#define IDS_MENU_CLOSE 11210
#define IDS_TIP_TORNEL_INFO 11340
// Scan progress dialog
#define IDC_PROGRESS_FRAME_BOX 1018
#define IDC_PROGRESS_ABORT 1019
#define IDC_PROGRESS_PREVIEW_BOX 1020

// Progress animation frames, three per destination
#define IDB_APPLICATION_1 106
#define IDB_APPLICATION_2 107
#define IDB_APPLICATION_3 108
#define IDB_PRINTER_1 110
#define IDB_PRINTER_2 111
#define IDB_PRINTER_3 112
#define IDB_MAIL_1 113
#define IDB_MAIL_2 114
#define IDB_MAIL_3 115
#define IDB_FOLDER_1 116
#define IDB_FOLDER_2 117
#define IDB_FOLDER_3 118
