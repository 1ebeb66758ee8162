// The resident instance's session with the scanner: whether it holds the scanner,
// what it does when a device comes or goes or a sibling program asks for the scanner,
// and the engine's button callback that starts a press.
#pragma once

#include <windows.h>

#include <cstdint>

// Whether to take the scanner at start-up: not while the maker's scanning
// application, its copier or its scanner test program holds it.
void DecideScanner();
// True while the icon is to show the scanner as ready.
bool ScannerReady();
// 0 when the scanner is held, 5 when none is present, or the engine's status.
int32_t OpenScanner();
void CloseScanner();
// A device change waits while a job runs or another change of the scanner is under way.
bool DeviceChangeMustWait();
// A device came or went: the scanner is opened, or closed when it is gone; the icon and
// the menu of the window follow.
void FollowDeviceChange(HWND window);
// A sibling program asks to have the scanner released or taken back; a request that
// arrives while another change is under way is dropped.
void FollowScannerRequest(HWND window, bool release);

// Called by the engine, on its own thread, when a front-panel button is pressed.
int32_t __cdecl ButtonNotificationCallback(void* record);
// While window is not null, an engine's press is posted to it instead of dispatched on
// the engine's thread: the start-up sets it before it takes the scanner, and clears it
// once the lists a press chooses from are refreshed.
void QueueEnginePressesTo(HWND window);
// Registers ButtonNotificationCallback with the engine; a failure is shown. Returns
// the engine's status.
int32_t RegisterButtonNotification();
