// Scan engine and scan jobs: the binding to the maker's scan engine, the dispatch
// of a button press to its function, the scan job, its progress dialog, the naming
// of output files and the folder function.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "scan/engine_abi.h"
#include "scan/scan_tables.h"

// ---- Engine binding -------------------------------------------------------------

// The engine's entry points, bound all or nothing by LoadScanEngine. Written once on
// the window thread at start-up, before any engine thread exists; read by every thread.
struct ScanEngineTable {
    PFN_TNeInitEngine InitEngine;
    PFN_TNeChooseScanner ChooseScanner;
    PFN_TNeGetScannerCapabilities GetScannerCapabilities;
    PFN_TNeUnused PreviewAsync;
    PFN_TNeUnused Preview;
    PFN_TNeScanAsync ScanAsync;
    PFN_TNeUnused Scan;
    PFN_TNeReleaseScanner ReleaseScanner;
    PFN_TNeStopScan StopScan;
    PFN_TNeProcessImage ProcessImage;
    PFN_TNeUnused GetStatus;
    PFN_TNeUnused SetStatus;
    PFN_TNeReleaseEngine ReleaseEngine;
    PFN_TNeUnused GetEngineInfo;
    PFN_TNeRegisterNotification RegisterNotification;
};
extern ScanEngineTable ScanEngine;

// Loads "TNENGINE.dll" from the Windows directory and binds every entry point.
// 1 when it loaded the library now; 0 when it was loaded already or cannot be
// loaded (then the table stays empty and every engine call reports kStatusLibNotFound).
int LoadScanEngine();
bool ScanEngineLoaded();
// Unloads the engine and empties the table (tests; the program keeps it for its lifetime).
void UnloadScanEngine();

// The engine calls, each kStatusLibNotFound when the engine is not bound.
EngineStatus EngineInitEngine();
EngineStatus EngineChooseScanner(void* scannerRecord);
EngineStatus EngineGetScannerCapabilities(void* capabilities);
EngineStatus EngineProcessImage(int32_t operation, void* parameters);
EngineStatus EngineScanAsync(void* request, EngineNotifyProc notify);
EngineStatus EngineStopScan();
EngineStatus EngineReleaseScanner();
EngineStatus EngineReleaseEngine();
EngineStatus EngineRegisterNotification(ButtonNotifyProc callback);

// Fills ScannerRecord from "TNLocalChooser.dll". 1 on success; 0 when the library or
// its entry point is missing, the status is not 0 or no scanner is listed.
int GetScannerList();
// The status of the last GetScannerList: kStatusChooserLibNotFound for a missing
// library or entry point.
EngineStatus LastScannerListStatus();
// The chosen scanner's record; valid after a successful GetScannerList.
uint8_t* ScannerRecord();
void ForgetScannerRecord();

// Shows the message for an engine status in a message box (caption "Error").
void ShowEngineError(EngineStatus status);

// ---- Shared job state -----------------------------------------------------------

// The four destination flags; the dispatch sets one before the scan starts.
enum class Destination { Application, Printer, Mail, Folder };

// State that the dispatching thread, the scan progress thread and the engine's
// notification thread share. One instance, g_scan.
struct ScanState {
    // Destination flags. Written by the dispatching thread (cleared before an engine
    // press is dispatched); read by the progress thread for its title and animation.
    std::atomic<int> ActiveApplication{0};
    std::atomic<int> ActivePrinter{0};
    std::atomic<int> ActiveMail{0};
    std::atomic<int> ActiveFolder{0};

    // Set by the progress thread when the user aborts; cleared by the dispatch and
    // when the progress dialog is created; read by the destination after the wait.
    std::atomic<int> JobAborted{0};
    // Set by the engine's end notification (or an abort); read by the progress thread.
    std::atomic<int> ScanFinished{0};
    // Set by the progress thread while a job runs; cleared at the end. The tray reads it.
    std::atomic<bool> ScanBusy{false};
    // The event the destination waits on. Created and cleared by the destination,
    // signalled by the engine's end notification.
    std::atomic<HANDLE> JobDoneEvent{nullptr};

    // The bed's limits in hundredths of an inch, read at the start of every job by
    // the dispatching thread; 0 while unknown.
    std::atomic<int> MaxWidth{0};
    std::atomic<int> MaxHeight{0};
};
extern ScanState g_scan;

void ClearActiveDestinations();
void SetActiveDestination(Destination destination);

// ---- Button dispatch --------------------------------------------------------------

// 1 + the position of the lowest set bit of a ButtonCode; 0 for 0.
int ButtonNumberFromCode(uint32_t buttonCode);
// Clears JobAborted and runs the button's function from "Button.InI" [Main]. Returns 1.
int DispatchButton(int buttonNumber);
// Runs the function that the given section of "Button.InI" assigns to the button. Returns 1.
int RunButtonFunction(int buttonNumber, const char* section);
// The scan area of a ButtonKind within the bed's limits (g_scan.MaxWidth, MaxHeight).
void GetScanArea(int32_t area[4], int docType, int buttonKind);

// ---- Destinations run by the dispatch ---------------------------------------------

// Scan to folder: the page is stored under a dated, numbered name in the chosen folder.
int ScanToFolder();
