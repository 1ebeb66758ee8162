// The TrayWindow's procedure: everything here runs on the window's thread.
#include <cstring>

#include "common/handles.h"
#include "resource.h"
#include "scan/scan.h"
#include "shell/launch.h"
#include "shell/tray.h"

namespace {

// State of the tray window. Written and read by the window thread only, except
// where a field says otherwise.
struct TrayState {
    // 1 shows the ready icon, 0 the unavailable one.
    int ScannerReady = 0;
    // 1 after this program initialised the engine and chose the scanner.
    int EngineOpen = 0;
};
TrayState g_tray;

// Whether to take the scanner: not while the maker's scanning application, its
// copier or its scanner test program holds it.
void DecideScanner()
{
    HANDLE kelmio = CreateMutexA(nullptr, TRUE, "Kelmio application");
    DWORD error = GetLastError();
    if (kelmio && error == ERROR_ALREADY_EXISTS) {
        g_tray.ScannerReady = 1;
        CloseHandle(kelmio);
        return;
    }
    // Otherwise the mutex stays held by this program for its lifetime.
    if (FindWindowA("Copier", "Copier") || FindWindowA(nullptr, "TAVEN Scanner Test Program")) {
        g_tray.ScannerReady = 1;
        return;
    }
    OpenScanner();
}

LRESULT OnCreate(HWND)
{
    LoadScanEngine();
    DecideScanner();
    return 0;
}

LRESULT OnDestroy(HWND)
{
    CloseScanner();
    PostQuitMessage(0);
    return 0;
}

LRESULT OnCommand(HWND window, WPARAM wParam)
{
    switch (wParam) {
    case IDM_BUTTON_MANAGER:
        ShowButtonManager(window);
        break;
    case IDM_CLOSE:
        SendMessageA(window, WM_DESTROY, 0, 0);
        break;
    default:
        break;
    }
    return 0;
}

}  // namespace

int32_t OpenScanner()
{
    if (!GetScannerList()) {
        g_tray.ScannerReady = 0;
        return kStatusNoScanner;
    }
    EngineStatus status = EngineInitEngine();
    if (status == kStatusOk)
        status = EngineChooseScanner(ScannerRecord());
    if (status != kStatusOk) {
        g_tray.ScannerReady = 0;
        ShowEngineError(status);
        return status;
    }
    RegisterButtonNotification();
    g_tray.ScannerReady = 1;
    g_tray.EngineOpen = 1;
    return kStatusOk;
}

void CloseScanner()
{
    if (g_tray.EngineOpen) {
        if (g_scan.ScanBusy) {
            MessageBoxA(nullptr, "Scanner is in use", "Error", MB_OK);
        } else {
            EngineReleaseScanner();
            EngineReleaseEngine();
            g_tray.EngineOpen = 0;
        }
    }
    ForgetScannerRecord();
}

void ShowButtonManager(HWND owner)
{
    // The Button manager is not built yet: its dialog resource does not exist, so
    // the call returns at once.
    g_shell.SettingsDialogOpen = 1;
    DialogBoxParamA(g_shell.Instance, MAKEINTRESOURCEA(IDD_BUTTON_MANAGER), owner, nullptr, 0);
    g_shell.SettingsDialogOpen = 0;
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_COMMAND:
        return OnCommand(window, wParam);
    case kReleaseScannerMessage:
        CloseScanner();
        return 0;
    default:
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
