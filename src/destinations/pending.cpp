#include "destinations/destinations.h"
#include "scan/scan.h"

// The destinations are not built yet: a press assigned to one of them does nothing.
int LaunchScanToApplication() { return 0; }
int CopyToPrinter() { return 0; }
int ScanToEmail() { return 0; }
int OcrToDocument() { return 0; }
int ScanToFolder()
{
    SetActiveDestination(Destination::Folder);
    return 0;
}
