// What the virtual flatbed shares with the outside: its settings file "TNSim.ini"
// (beside the engine DLL, which is the Windows directory once installed) and the
// named objects through which the scanner control tool presses its buttons.
#pragma once

#include <windows.h>

#include <cstdint>

constexpr const char kSimIniName[] = "TNSim.ini";

// [Scanner]: presence, pace and bed size. [Faults]: a status per entry point
// (key = the entry point's name), plus the scan faults below.
constexpr const char kSimScannerSection[] = "Scanner";
constexpr const char kSimPluggedKey[] = "Plugged";                // 1 present (default), 0 unplugged
constexpr const char kSimLinesPerSecondKey[] = "LinesPerSecond";  // 0 = as fast as possible (default)
constexpr const char kSimMaxWidthKey[] = "MaxWidth";              // hundredths of an inch, default 850
constexpr const char kSimMaxHeightKey[] = "MaxHeight";            // hundredths of an inch, default 1169
constexpr const char kSimTextPageKey[] = "TextPage";              // 1: the page of printed text, 0 the test page
constexpr const char kSimFaultsSection[] = "Faults";
constexpr const char kSimScanErrorKey[] = "ScanError";                  // status sent half-way through a scan
constexpr const char kSimNoEndNotificationKey[] = "NoEndNotification";  // 1: a scan never sends 213/214
// [Bench] ScanLog=1: each scan appends "scan START END" (QueryPerformanceCounter
// values, from the scan's start to its file complete) to "TNSimScans.log" beside the
// settings file, so a benchmark can take the engine's own time out of a press.
constexpr const char kSimBenchSection[] = "Bench";
constexpr const char kSimScanLogKey[] = "ScanLog";
constexpr const char kSimScanLogName[] = "TNSimScans.log";

// The page of printed text lies on the bed when "TextPage" is 1: these lines in a
// large plain font, for recognition.
constexpr const char* kSimTextPageLines[] = {"Tornel reads this page", "quick brown foxes jump", "over the lazy dog"};

constexpr int kSimDefaultMaxWidth = 850;
constexpr int kSimDefaultMaxHeight = 1169;

// Named objects of the button path. The engine creates them when a button callback
// is registered; the control tool only opens them, so a missing block means that no
// engine is listening.
constexpr const char kSimButtonPressEvent[] = "TNSimButtonPress";      // auto-reset: one press
constexpr const char kSimButtonEnteredEvent[] = "TNSimButtonEntered";  // auto-reset: a callback was entered
constexpr const char kSimButtonStateBlock[] = "TNSimButtonState";      // shared memory, SimButtonState

// The shared block. Sequence numbers let the tool match its press with the
// callback that it caused; time stamps are QueryPerformanceCounter values.
struct SimButtonState {
    volatile LONG pressSequence;     // written by the control tool after code and pressQpc
    volatile uint32_t code;          // written by the control tool: the ButtonCode to deliver
    volatile int64_t pressQpc;       // written by the control tool
    volatile LONG listenerThreadId;  // written by the engine: its button thread, 0 when none listens
    volatile LONG enteredSequence;   // written by the engine's button thread when it calls the callback
    volatile int64_t enteredQpc;     // written by the engine's button thread
    volatile LONG returnedSequence;  // written by the engine's button thread when the callback returned
    volatile int64_t returnedQpc;    // written by the engine's button thread
    volatile LONG callbackThreadId;  // written by the engine's button thread
};

// The settings file beside the given module ("TNSim.ini" in the module's folder).
bool SimIniPathBeside(HMODULE module, char* out, size_t size);
template <size_t N>
bool SimIniPathBeside(HMODULE module, char (&out)[N])
{
    return SimIniPathBeside(module, out, N);
}

// An integer key; the default when the file, the key or a number is missing.
// Negative values are read as such (statuses are negative).
int ReadSimInt(const char* iniPath, const char* section, const char* key, int defaultValue);

// The status injected for an entry point, 0 when none is.
int SimFault(const char* iniPath, const char* entryPoint);
bool SimPlugged(const char* iniPath);

// The one scanner the chooser lists: a 188-byte entry with the model name at
// offset 0 and the device id at offset 64, both NUL-terminated.
constexpr const char kSimModelName[] = "TAVEN Virtual Flatbed";
constexpr const char kSimDeviceId[] = "TNSIM\\VFLATBED\\0001";
constexpr size_t kSimRecordModelOffset = 0;
constexpr size_t kSimRecordDeviceIdOffset = 64;
