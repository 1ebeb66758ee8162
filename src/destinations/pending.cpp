// Destinations whose hand-off is not built yet.
#include "destinations/destinations.h"

// OCR is not built yet: a press for a word processor or a spreadsheet does nothing.
int OcrToDocument() { return 0; }
