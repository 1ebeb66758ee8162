// The hidden TrayWindow: the notification-area icon and its menu, and the teardown.
#pragma once

#include <windows.h>

#include <cstdint>

#include "shell/tray_messages.h"

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);

// Shows a text in a balloon on the tray icon.
void ShowTrayBalloon(HWND window, const char* text);
// The balloons of finished destinations and of a press refused during a job: listening
// starts with the window; a click on the balloon of a saved page opens its folder with
// the file selected.
void ListenForDestinationResults();
// Shows the balloons waiting in the shell's queue.
LRESULT OnShowBalloon(HWND window);
void OpenBalloonFolder();

// The popup menu of the icon, with localized texts.
HMENU BuildTrayMenu();

// The icon follows the scanner session: ready or unavailable.
void ShowScannerIcon(HWND window);
// The menu is built anew, with the texts loaded now.
void ReplaceTrayMenu();

// Shows the Button manager modally, owned by the given window; while it is open,
// brings it to the front instead.
void ShowButtonManager(HWND owner);
