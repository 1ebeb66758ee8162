// The scanner session: taking the scanner at start-up, giving it up and taking it back,
// following device changes, and the engine's button callback.
#include "shell/scanner_session.h"

#include <atomic>

#include "common/handles.h"
#include "common/message_box.h"
#include "dispatch/dispatch.h"
#include "scan/scan.h"
#include "shell/launch.h"
#include "shell/sibling_programs.h"
#include "shell/tray.h"

namespace {

// State of the session. Written and read by the window thread only: the start-up, the
// device changes and the sibling programs' requests all arrive there.
struct ScannerSession {
    // 1 shows the ready icon, 0 the unavailable one.
    int ScannerReady = 0;
    // 1 after this program initialised the engine and chose the scanner.
    int EngineOpen = 0;
    // The "Kelmio application" mutex this program created at start-up, held for its lifetime.
    UniqueHandle StartupMutex;
    // The "Kelmio Application" mutex this program created when taking the scanner back.
    UniqueHandle ReacquireMutex;
    // A scanner release, reacquisition or device change is under way (its message
    // boxes let further messages in): another one waits or is dropped.
    bool ScannerChanging = false;
    // "Scanner is in use" shows; further release requests add no box.
    bool InUseBoxOpen = false;
};
ScannerSession g_session;

// The window a press the engine reports is posted to while the start-up still runs
// (its discoveries follow the icon); null once it is done, when the engine's thread
// dispatches the press itself. Written by the window thread; read by the engine's.
std::atomic<HWND> g_startupWindow{nullptr};

// Whether the maker's scanning application holds the scanner, told by its mutex; the
// mutex this program creates when it does not is kept in mine.
bool KelmioHoldsScanner(const char* mutexName, UniqueHandle& mine)
{
    UniqueHandle kelmio(CreateMutexA(nullptr, TRUE, mutexName));
    DWORD error = GetLastError();
    if (kelmio && error == ERROR_ALREADY_EXISTS)
        return true;
    mine = std::move(kelmio);
    return false;
}

// Another program gave the scanner back: take it unless a sibling still uses it.
void ReacquireScanner(HWND window)
{
    // During a job the scanner is held already, and its engine must not be started again.
    if (ScanJobActive())
        return;
    // The probe must see only other holders: a mutex this program created on an
    // earlier call would otherwise keep the scanner from ever being taken back.
    g_session.ReacquireMutex.reset();
    // The capital "A" is intended: see DecideScanner.
    if (KelmioHoldsScanner("Kelmio Application", g_session.ReacquireMutex) ||
        FindWindowA(nullptr, kScannerTest.windowTitle) || FindWindowA(nullptr, kCopier.windowTitle)) {
        g_session.ScannerReady = 1;
        return;
    }
    OpenScanner();
    ShowScannerIcon(window);
}

}  // namespace

void DecideScanner()
{
    // Two spellings are intended: "application" here, "Application" in ReacquireScanner.
    // The mutex this program creates stays held for its lifetime.
    if (KelmioHoldsScanner("Kelmio application", g_session.StartupMutex) || SiblingWindowExists(kCopier) ||
        SiblingWindowExists(kScannerTest)) {
        g_session.ScannerReady = 1;
        return;
    }
    OpenScanner();
}

bool ScannerReady() { return g_session.ScannerReady != 0; }

int32_t OpenScanner()
{
    if (!GetScannerList()) {
        g_session.ScannerReady = 0;
        return kStatusNoScanner;
    }
    EngineStatus status = EngineInitEngine();
    if (status == kStatusOk)
        status = EngineChooseScanner(ScannerRecord());
    if (status != kStatusOk) {
        g_session.ScannerReady = 0;
        ShowEngineError(status);
        return status;
    }
    RegisterButtonNotification();
    g_session.ScannerReady = 1;
    g_session.EngineOpen = 1;
    return kStatusOk;
}

void CloseScanner()
{
    if (g_session.EngineOpen) {
        if (ScanJobActive()) {
            if (!g_session.InUseBoxOpen) {
                g_session.InUseBoxOpen = true;
                ShowMessageOwnedBy(nullptr, "Scanner is in use", "Error");
                g_session.InUseBoxOpen = false;
            }
        } else {
            EngineReleaseScanner();
            EngineReleaseEngine();
            g_session.EngineOpen = 0;
        }
    }
    ForgetScannerRecord();
}

bool DeviceChangeMustWait() { return ScanJobActive() || g_session.ScannerChanging; }

void FollowDeviceChange(HWND window)
{
    g_session.ScannerChanging = true;
    if (!GetScannerList()) {
        CloseScanner();
        ReplaceTrayMenu();
        g_session.ScannerReady = 0;
        ShowScannerIcon(window);
    } else if (GetScannerList()) {
        // The second scanner-list call is intended; keep it.
        OpenScanner();
        ShowScannerIcon(window);
    }
    g_session.ScannerChanging = false;
}

void FollowScannerRequest(HWND window, bool release)
{
    if (g_session.ScannerChanging)
        return;
    g_session.ScannerChanging = true;
    if (release)
        CloseScanner();
    else
        ReacquireScanner(window);
    g_session.ScannerChanging = false;
}

int32_t __cdecl ButtonNotificationCallback(void* record)
{
    uint32_t value = record ? *static_cast<const uint32_t*>(record) : 0;
    // Only the four button bits mean a press; anything else is not re-dispatched.
    if (value != 1 && value != 2 && value != 4 && value != 8)
        return 0;
    g_shell.LastEngineButtonCode = value;
    const int buttonNumber = ButtonNumberFromCode(value);
    // During the start-up the press waits in the window's queue, as a launch's does.
    const HWND startup = g_startupWindow.load();
    if (!startup || !PostMessageA(startup, WM_TORNEL_BUTTON_PRESS, static_cast<WPARAM>(buttonNumber), 0))
        DispatchButton(buttonNumber);
    return 0;
}

void QueueEnginePressesTo(HWND window) { g_startupWindow = window; }

int32_t RegisterButtonNotification()
{
    EngineStatus status = EngineRegisterNotification(ButtonNotificationCallback);
    if (status != kStatusOk)
        ShowEngineError(status);
    return status;
}
