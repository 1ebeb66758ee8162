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

// Tray icons
#define IDI_READY 131
#define IDI_UNAVAILABLE 132
