// Stand-ins for what the scan job calls of the engine binding, the dispatch and
// localization, until those are part of tornel_core: then this file goes (its
// definitions would clash with the real ones).
#include <windows.h>

#include "common/strings.h"
#include "config/config.h"
#include "i18n/i18n.h"
#include "scan/scan.h"
#include "scan/scan_tables.h"

ScanEngineTable ScanEngine = {};
ScanState g_scan;

EngineStatus EngineGetScannerCapabilities(void* capabilities)
{
    return ScanEngine.GetScannerCapabilities ? ScanEngine.GetScannerCapabilities(capabilities) : kStatusLibNotFound;
}

EngineStatus EngineProcessImage(int32_t operation, void* parameters)
{
    return ScanEngine.ProcessImage ? ScanEngine.ProcessImage(operation, parameters) : kStatusLibNotFound;
}

EngineStatus EngineScanAsync(void* request, EngineNotifyProc notify)
{
    return ScanEngine.ScanAsync ? ScanEngine.ScanAsync(request, notify, 0) : kStatusLibNotFound;
}

EngineStatus EngineStopScan() { return ScanEngine.StopScan ? ScanEngine.StopScan() : kStatusLibNotFound; }

void ClearActiveDestinations()
{
    g_scan.ActiveApplication = 0;
    g_scan.ActivePrinter = 0;
    g_scan.ActiveMail = 0;
    g_scan.ActiveFolder = 0;
}

void SetActiveDestination(Destination destination)
{
    ClearActiveDestinations();
    switch (destination) {
    case Destination::Application:
        g_scan.ActiveApplication = 1;
        break;
    case Destination::Printer:
        g_scan.ActivePrinter = 1;
        break;
    case Destination::Mail:
        g_scan.ActiveMail = 1;
        break;
    case Destination::Folder:
        g_scan.ActiveFolder = 1;
        break;
    }
}

void GetScanArea(int32_t area[4], int, int buttonKind)
{
    ScanAreaForIndex(ButtonSettings[buttonKind].Area, area);
    ClampScanArea(area, g_scan.MaxWidth.load(), g_scan.MaxHeight.load());
}

HWND LocalizedCreateDialog(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc)
{
    return CreateDialogParamA(instance, templateName, parent, proc, 0);
}

void FormatLocalizedText(char* out, int size, const char* text, const char*)
{
    CopyString(out, static_cast<size_t>(size), text);
}
