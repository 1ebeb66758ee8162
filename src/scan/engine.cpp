// Binding to the maker's scan engine and scanner chooser. The engine is bound all
// or nothing into ScanEngine; nothing is ever called through a missing export, and
// every call made while the engine is not bound reports kStatusLibNotFound.
#include <cstring>

#include "common/bind_proc.h"
#include "common/handles.h"
#include "common/paths.h"
#include "scan/scan.h"

ScanEngineTable ScanEngine;

namespace {

// The engine library, loaded once by the window thread at start-up and kept for the
// process's lifetime.
HMODULE g_engineModule = nullptr;

// The chosen scanner. Written by GetScannerList on the window thread; read by the
// engine calls that choose the scanner, on the same thread.
uint8_t g_scannerRecord[kScannerRecordSize];
EngineStatus g_lastListStatus = kStatusOk;

bool BindAll(HMODULE module, ScanEngineTable& table)
{
    bool ok = true;
    ok &= BindProc(module, "TNeInitEngine", table.InitEngine);
    ok &= BindProc(module, "TNeChooseScanner", table.ChooseScanner);
    ok &= BindProc(module, "TNeGetScannerCapabilities", table.GetScannerCapabilities);
    ok &= BindProc(module, "TNePreviewAsync", table.PreviewAsync);
    ok &= BindProc(module, "TNePreview", table.Preview);
    ok &= BindProc(module, "TNeScanAsync", table.ScanAsync);
    ok &= BindProc(module, "TNeScan", table.Scan);
    ok &= BindProc(module, "TNeReleaseScanner", table.ReleaseScanner);
    ok &= BindProc(module, "TNeStopScan", table.StopScan);
    ok &= BindProc(module, "TNeProcessImage", table.ProcessImage);
    ok &= BindProc(module, "TNeGetStatus", table.GetStatus);
    ok &= BindProc(module, "TNeSetStatus", table.SetStatus);
    ok &= BindProc(module, "TNeReleaseEngine", table.ReleaseEngine);
    ok &= BindProc(module, "TNeGetEngineInfo", table.GetEngineInfo);
    ok &= BindProc(module, "TNeRegisterNotification", table.RegisterNotification);
    return ok;
}

}  // namespace

int LoadScanEngine()
{
    if (g_engineModule)
        return 0;
    char path[MAX_PATH];
    if (!WindowsFilePath(path, "TNENGINE.dll"))
        return 0;
    UniqueModule module(LoadLibraryA(path));
    if (!module)
        return 0;
    ScanEngineTable table = {};
    if (!BindAll(module.get(), table))
        return 0;
    ScanEngine = table;
    g_engineModule = module.release();
    return 1;
}

bool ScanEngineLoaded() { return g_engineModule != nullptr; }

void UnloadScanEngine()
{
    ScanEngine = {};
    if (g_engineModule) {
        FreeLibrary(g_engineModule);
        g_engineModule = nullptr;
    }
}

EngineStatus EngineInitEngine()
{
    return ScanEngine.InitEngine ? ScanEngine.InitEngine() : kStatusLibNotFound;
}

EngineStatus EngineChooseScanner(void* scannerRecord)
{
    return ScanEngine.ChooseScanner ? ScanEngine.ChooseScanner(scannerRecord) : kStatusLibNotFound;
}

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

EngineStatus EngineReleaseScanner()
{
    return ScanEngine.ReleaseScanner ? ScanEngine.ReleaseScanner() : kStatusLibNotFound;
}

EngineStatus EngineReleaseEngine()
{
    return ScanEngine.ReleaseEngine ? ScanEngine.ReleaseEngine() : kStatusLibNotFound;
}

EngineStatus EngineRegisterNotification(ButtonNotifyProc callback)
{
    return ScanEngine.RegisterNotification ? ScanEngine.RegisterNotification(callback) : kStatusLibNotFound;
}

// The chooser is loaded for each query and unloaded again, so a scanner plugged in
// later is seen by the next query. The scanner's setup puts it in the Windows
// directory: loaded from there by its full path, no copy elsewhere on the search
// path can stand in for it.
int GetScannerList()
{
    char path[MAX_PATH];
    UniqueModule chooser(WindowsFilePath(path, "TNLocalChooser.dll") ? LoadLibraryA(path) : nullptr);
    if (!chooser) {
        g_lastListStatus = kStatusChooserLibNotFound;
        return 0;
    }
    PFN_TNcGetScannerList getList = nullptr;
    PFN_TNcReleaseScannerList releaseList = nullptr;
    if (!BindProc(chooser.get(), "TNcGetScannerList", getList)) {
        g_lastListStatus = kStatusChooserLibNotFound;
        return 0;
    }
    BindProc(chooser.get(), "TNcReleaseScannerList", releaseList);

    ChooserCriteria criteria = {};
    void* list = nullptr;
    uint32_t count = 0;
    EngineStatus status = getList(&criteria, &list, &count, 0);
    bool found = status == kStatusOk && (count & 0xFFFF) != 0 && list != nullptr;
    if (found)
        memcpy(g_scannerRecord, list, kScannerRecordSize);
    if (releaseList)
        releaseList(&list);
    g_lastListStatus = status;
    return found ? 1 : 0;
}

EngineStatus LastScannerListStatus() { return g_lastListStatus; }

uint8_t* ScannerRecord() { return g_scannerRecord; }

void ForgetScannerRecord() { memset(g_scannerRecord, 0, sizeof g_scannerRecord); }
