#include "scan/scan.h"

// Placeholder until the localized message table is in place.
void ShowEngineError(EngineStatus) {}
