// Destinations: what happens to a scanned image after the scan. Each runs on the
// dispatching thread, names its file, runs a scan job and hands the result on.
#pragma once

#include <windows.h>

#include <cstddef>

// Scan to application: scans to a BMP file and starts the default application of
// [Tornel_Application] with it; word processors and spreadsheets go to OCR instead.
int LaunchScanToApplication();
// Copy to printer.
int CopyToPrinter();
// Scan to e-mail.
int ScanToEmail();
// OCR to document.
int OcrToDocument();

// The application's command line: the program, a blank, the image path in double
// quotes, in a buffer of the given size. False when it does not fit: a cut command
// line would start the wrong program or open the wrong file.
bool BuildApplicationCommandLine(char* out, size_t size, const char* program, const char* imagePath);
// Removes one pair of surrounding double quotes in place: a trailing quote, then a
// leading one; a quote inside the name stays.
void StripOuterQuotes(char* text);
// True when the application's display name is a word processor or a spreadsheet
// whose documents come from OCR.
bool IsOcrApplication(const char* displayName);

// Destinations show their failures through this function (MessageBoxA unless a test
// records the texts instead; nullptr restores it).
using DestinationMessageBox = int(WINAPI*)(HWND owner, const char* text, const char* caption, unsigned type);
void SetDestinationMessageBoxForTests(DestinationMessageBox show);
