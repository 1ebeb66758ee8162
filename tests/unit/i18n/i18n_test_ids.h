// Resource ids of the localization test program. #defines only: windres reads it.
#pragma once

#define IDD_TEST_LABELS 9001
#define IDD_TEST_NO_FONT 9002
#define IDD_TEST_LARGE 9003

#define IDR_LOC_ENGLISH 9101
#define IDR_LOC_GERMAN 9102

// Ids of controls that are not string ids.
#define IDC_TEST_PLAIN 1001
