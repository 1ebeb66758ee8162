// Destinations: what happens to a scanned image after the scan. Each runs on the
// dispatching thread, names its file, runs a scan job and hands the result on.
#pragma once

// Scan to application: scans to a BMP file and starts the default application of
// [Tornel_Application] with it; word processors and spreadsheets go to OCR instead.
int LaunchScanToApplication();
// Copy to printer.
int CopyToPrinter();
// Scan to e-mail.
int ScanToEmail();
// OCR to document.
int OcrToDocument();
// Scan to folder: the page is stored under a dated, numbered name in the chosen folder.
int ScanToFolder();

// Removes one pair of surrounding double quotes in place: a trailing quote, then a
// leading one; a quote inside the name stays.
void StripOuterQuotes(char* text);
// True when the application's display name is a word processor or a spreadsheet
// whose documents come from OCR.
bool IsOcrApplication(const char* displayName);
