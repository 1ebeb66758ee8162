// The program's message boxes. Every box goes through these two calls, so a test can
// record what the program would show instead of showing it.
#pragma once

#include <windows.h>

// Shows a box owned by the window that has the keyboard focus on this thread (none
// on a thread without windows), as the program's boxes are as a rule. Returns the
// button chosen.
int ShowMessage(const char* text, const char* caption = nullptr, UINT type = MB_OK);
// The same with a given owner; null for a box that belongs to no window.
int ShowMessageOwnedBy(HWND owner, const char* text, const char* caption = nullptr, UINT type = MB_OK);

// Tests put a recorder here (it gets what MessageBoxA would get, on the showing
// thread); nullptr restores MessageBoxA.
using MessageBoxFunction = int(WINAPI*)(HWND owner, const char* text, const char* caption, UINT type);
void SetMessageBoxForTests(MessageBoxFunction show);
