// Button manager: the settings dialog with its four pages (Application, Copy, Mail,
// Folder), each editing what one scanner button does.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

// The dialog's order to a page to store what it shows (both parameters 0).
constexpr UINT WM_SAVEPAGE = WM_USER + 11;

// Shows the Button manager modally, owned by owner: 1 after OK, 0 after Cancel or
// close, -1 when the dialog could not be made. OK stores every page and all button
// settings; otherwise the button settings in memory are put back as they were when
// the dialog opened (what a page writes at once stays written). Window thread only.
INT_PTR RunButtonManager(HINSTANCE instance, HWND owner);

// The open Button manager, or null. Window thread only.
HWND ButtonManagerWindow();

// The program ends while the dialog is open: puts the button settings back as they
// were when it opened, so the settings saved at exit hold no unconfirmed edit.
void AbandonButtonManagerEdits();

// ---- Mail systems as the Mail page shows them ---------------------------------------

// A display name gives its identifier, an identifier its display name (exact,
// case-sensitive). False, and out untouched, when the text is neither.
bool MapMailSystemName(const char* text, char* out, size_t size);
template <size_t N>
bool MapMailSystemName(const char* text, char (&out)[N])
{
    return MapMailSystemName(text, out, N);
}
