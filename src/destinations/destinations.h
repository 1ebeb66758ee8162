// Destinations: what happens to a scanned image after the scan.
#pragma once

int LaunchScanToApplication();
int CopyToPrinter();
int ScanToEmail();
int OcrToDocument();
