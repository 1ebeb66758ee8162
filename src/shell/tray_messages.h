// The tray window as other programs reach it: its class and title, and the private
// messages they send it. Tornel, the virtual scanner's sibling programs and the tests
// include this header; the build reads it for the setups (#defines only, one a line).
#pragma once

// Class and title of the tray window, and the name of the single-instance mutex.
#define TORNEL_TRAY_WINDOW "TAVEN Tornel"

// The notification-area icon's callback.
#define WM_TORNEL_TRAY_CALLBACK (WM_USER + 10)
// A sibling program asks Tornel to give the scanner up while it runs, and to take it
// back when it ends.
#define WM_TORNEL_RELEASE_SCANNER (WM_USER + 21)
#define WM_TORNEL_REACQUIRE_SCANNER (WM_USER + 22)
// A launch for a button hands the press to the resident instance: wParam is the
// ButtonNumber (1 to 4).
#define WM_TORNEL_BUTTON_PRESS (WM_USER + 23)
// Tornel's own threads: a finished destination's balloon waits in the shell's queue;
// the message only wakes the window and carries nothing.
#define WM_TORNEL_SHOW_BALLOON (WM_USER + 30)
// A settings file refused a write: the window tells the user once.
#define WM_TORNEL_SETTINGS_UNSAVED (WM_USER + 34)
