// Scan engine and scan jobs: the binding to the maker's scan engine, the scan job,
// its progress dialog and the naming of output files.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "common/handles.h"
#include "config/config.h"
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

// The string id of the message for an engine status; every status without a
// message of its own (0 and -1 among them) gets "MsgErrorOccured".
int EngineErrorTextId(EngineStatus status);
// Shows the message for an engine status in a message box (caption "Error").
void ShowEngineError(EngineStatus status);

// ---- Shared job state -----------------------------------------------------------

// The four destination flags; the dispatch sets one before the scan starts.
enum class Destination { Application, Printer, Mail, Folder };

// Where the scan job stands; every "is a job running" question is answered from it.
enum class JobPhase {
    Idle,      // no job
    Starting,  // the job prepares its scan; the engine has not been asked yet
    Scanning,  // from the scan's start to the engine's end: the engine may call
    Stopping,  // scanning, and the closing program has stopped the scan
    Ending,    // the engine ended, the job could not start or was given up
};

// State that the dispatching thread, the scan progress thread and the engine's
// notification thread share. One instance, g_scan.
struct ScanState {
    // Destination flags. Written by the dispatching thread (cleared and one set under the
    // press claim); read by the progress thread for its title and animation.
    std::atomic<int> ActiveApplication{0};
    std::atomic<int> ActivePrinter{0};
    std::atomic<int> ActiveMail{0};
    std::atomic<int> ActiveFolder{0};

    // Set by the user's Abort and by the exit stop; cleared by the dispatch, at a job's
    // start and when the progress dialog is created; read by the destination after the wait.
    std::atomic<int> JobAborted{0};
    // Written by the dispatching thread (the start; Ending for a failed start or a silent
    // engine; Idle once the destination has the end), the engine's thread (Ending) and
    // the window thread's exit stop (Stopping); read by the progress thread, which cycles
    // while the engine scans, and by the tray, which stays shut while a job runs.
    std::atomic<JobPhase> Phase{JobPhase::Idle};
    // Reset at each job's start, signalled once the phase is Ending. The destination waits
    // on it, and so does the window thread when the program closes during a job.
    UniqueHandle JobEnded{CreateEventA(nullptr, TRUE, FALSE, nullptr)};

    // The bed's limits in hundredths of an inch, read at the start of every job by
    // the dispatching thread; 0 while unknown.
    std::atomic<int> MaxWidth{0};
    std::atomic<int> MaxHeight{0};
    // The resolution the job scans at, as its parameters hold it once its settings are
    // applied (the engine's default where the setting names none); 0 before a job has
    // taken its settings. Written by the dispatching thread at the job's start; read
    // by it after the job, so the copy prints at the resolution it scanned.
    std::atomic<int> JobResolution{0};

    // ---- Scan job and progress dialog (job.cpp, progress.cpp) ----

    // The progress dialog. Written by the progress thread (created, cleared at its
    // end); read by the engine's notification thread at the start notification.
    std::atomic<HWND> ProgressDialog{nullptr};
    // Set by the engine's start notification, taken by the progress thread, which
    // enables Abort itself: the dialog's thread pumps no messages, so a cross-thread
    // EnableWindow from the engine's thread would wait for it.
    std::atomic<bool> AbortRequestedUsable{false};

    // GetTickCount of the job's start or of its latest notification; the waiting
    // destination reads it to notice an engine that has gone silent.
    std::atomic<DWORD> LastNotificationTick{0};
    // The file the running job writes, set by the dispatching thread before the phase
    // is Scanning; read by the window thread when the program closes during the job.
    char JobPath[kJobPathSize] = {};
    // Set by the end notification when the engine reports the file complete (213);
    // cleared at each job's start. Read by the window thread at exit.
    std::atomic<bool> JobCompleted{false};
    // Non-zero while a notification is being handled (an error box may be open on the
    // engine's thread): the silence bound does not run out meanwhile.
    std::atomic<int> NotificationsInside{0};
};
extern ScanState g_scan;

void ClearActiveDestinations();
void SetActiveDestination(Destination destination);
// From a destination's start of a job until it has taken the job's end.
bool ScanJobActive();
// While the engine scans: the phase is Scanning or Stopping.
bool JobScanning();

// ---- Scan jobs: running a scan for a destination ----------------------------------

// What a press decided for its scan, taken once as it arrives: its function's ButtonKind
// with a copy of that kind's settings. The job scans by this copy alone, so an edit in
// the Button manager meanwhile changes the next press, never the running one.
struct ScanOrder {
    int kind;
    ButtonSetting setting;
    int docTypes;  // "DocType" of the kind's section: the mask of its document list
};
// The order for a ButtonKind as the settings stand now.
ScanOrder ScanOrderFor(int kind);

// The order's scan area within the bed's limits (g_scan.MaxWidth, MaxHeight).
void GetScanArea(int32_t area[4], const ScanOrder& order);

// The engine's scan parameters, filled with defaults by the engine at each job and
// then set from the order's settings. Written by the dispatching thread before the
// scan starts; handed to the engine again at the end notification.
extern uint8_t ScanParameters[kScanParametersSize];

// Starts a scan into path by the order, written in the given OutputFormatCode.
// g_scan.JobEnded is signalled when the job ends, with JobAborted set when the job
// could not start.
void StartScanJob(const char* path, const ScanOrder& order, int32_t format);
// The engine's scan notification: 211 start, 212 lines, 213/214 end, else a status.
int32_t __cdecl OnEngineNotification(void* data, uint32_t count, uint32_t code);

// What every destination does to get its file scanned: starts the job, waits for its
// end (bounded by the engine's silence limit) and leaves the job idle. True when the
// job completed; false when it was aborted, could not start or timed out.
bool RunScanJob(const char* path, const ScanOrder& order, int32_t format);
// The last page a finished job wrote as a BMP since the program started, whichever
// destination it was for; false (and an empty path) before any.
bool LastFiledPage(char (&path)[260]);

// An engine that sends nothing for this long is given up: the scan is stopped,
// "MsgTimeOut" shown and the destination released as aborted.
constexpr DWORD kEngineSilenceLimitMs = 60000;
// Tests shorten the limit; 0 restores kEngineSilenceLimitMs.
void SetEngineSilenceLimitForTests(DWORD milliseconds);
// Waits (bounded) until the progress thread of the last job has ended.
void WaitForProgressThreadEnd();
// Puts back the process priority class that the job raised (progress thread's end).
void RestoreJobPriorityClass();
// The program is closing: a running scan is stopped as Abort stops it, the engine's
// end is awaited (bounded), and a file it left unfinished is deleted, so no partial
// image stays under its final name.
void StopScanForExit();

// ---- Progress dialog ---------------------------------------------------------------

DWORD WINAPI ScanProgressThread(LPVOID);
INT_PTR CALLBACK ProgressDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
// 1 when a message of that number for that window was waiting and was removed (for
// key messages only VK_ESCAPE counts), else 0.
int CheckAbortClick(HWND button, UINT message);
void RectScreenToClient(HWND window, RECT* rect);
// Draws a locked preview (header and rows) scaled into target, keeping proportions;
// rows of zero bytes (not scanned yet) are left as they are. Returns 1.
int DrawPreviewImage(HDC dc, const RECT* target, const void* preview);
// The three frame bitmap ids and the title string id for the set destination flag,
// a later flag in Application, Printer, Mail, Folder winning; title 0 when none is set.
struct ProgressLook {
    int frames[3];
    int titleId;
};
ProgressLook ProgressLookForDestination();

// ---- Output names and folders -------------------------------------------------------

// Writes the full path of a new file for the extension (without dot) into out.
void MakeOutputFileName(char* out, size_t size, const char* extension);
template <size_t N>
void MakeOutputFileName(char (&out)[N], const char* extension)
{
    MakeOutputFileName(out, N, extension);
}
// Reads a value of HKCU "...\Explorer\Shell Folders". 1 when read, else 0. A folder
// whose name the ANSI code page cannot hold is given by its short (8.3) form; without
// one it counts as not read.
int GetShellFolder(const char* valueName, char* buffer, DWORD size);
// The running user's default scan folder (My Pictures). False when the ANSI calls
// cannot name it; folder then holds its name as far as the code page shows it.
bool DefaultScanFolder(char* folder, size_t size);
// Tells the user that a folder cannot be used for scans (its name is outside the
// ANSI code page and it has no short form).
void ShowInvalidFolder(const char* folder);
// Tests read the shell folders from a scratch key; nullptr restores the real one.
void SetShellFoldersKeyForTests(HKEY root, const char* subkey);

// The day's part of a name: English month abbreviation and day, as "Dec_06_".
void FormatDatePrefix(const SYSTEMTIME& date, char* out, size_t size);
// The first serial n >= 1 for which no file "<folderAndPrefix><n>.<ext>" exists for
// any of the eight image and document extensions (n with three digits below 1000):
// one enumeration of the folder.
int NextFreeSerial(const char* folderAndPrefix);
// The same rule asked name by name, eight find-first lookups per candidate; the
// reference that NextFreeSerial is measured and checked against.
int NextFreeSerialByLookups(const char* folderAndPrefix);
