// Destinations whose hand-off is not built yet.
#include "destinations/destinations.h"

// Printing is not built yet: the press does nothing.
int CopyToPrinter() { return 0; }

// Mailing is not built yet: the press does nothing.
int ScanToEmail() { return 0; }

// OCR is not built yet: a press for a word processor or a spreadsheet does nothing.
int OcrToDocument() { return 0; }
