// The program's message boxes. Every box goes through these two calls, so a test can
// record what the program would show instead of showing it.
#pragma once

#include <windows.h>

// Shows a box owned by the window with the keyboard focus on this thread (none on a
// thread without windows), the program's rule for its boxes. Returns the button chosen.
int ShowMessage(const char* text, const char* caption = nullptr, UINT type = MB_OK);
// The same with a given owner; null for a box that belongs to no window.
int ShowMessageOwnedBy(HWND owner, const char* text, const char* caption = nullptr, UINT type = MB_OK);

// Tests record what MessageBoxA would get instead (nullptr restores MessageBoxA).
using MessageBoxFunction = int(WINAPI*)(HWND owner, const char* text, const char* caption, UINT type);
void SetMessageBoxForTests(MessageBoxFunction show);
