// Localization: texts by string id from the localization file, the dialog font,
// and dialogs created from localized templates.
#pragma once

#include <windows.h>

// ---- Texts --------------------------------------------------------------------

// Reads the localization file at path, with keys from the string-table resource of
// the ids in idList (ended by 0). 1 on success.
int LoadLocalizationFile(const char* path, const int* idList);
// The ids of every key of the string table, ended by 0.
extern const int KeyIdList[];
// Copies the text for id into buffer (size bytes with the terminating zero).
// Non-zero when a text was found; otherwise the buffer holds "String not found!".
int GetLocalizedText(int id, char* buffer, int size);
template <int N>
int GetLocalizedText(int id, char (&buffer)[N])
{
    return GetLocalizedText(id, buffer, N);
}
int FreeLocalization();

// Locates "Tornel.loc" (else "trnl_inf.loc") in the Windows directory and loads it.
// On failure shows the fixed start-up message, posts the quit message and returns 0.
int LoadInstalledLocalization();

// ---- Font ---------------------------------------------------------------------

void ApplyLocalizedFont(HWND window);
void SetWindowLocalizedText(HWND window, int id);
void SetDlgItemLocalizedText(HWND dialog, int controlId, int stringId);

// ---- Localized dialogs -----------------------------------------------------------

HGLOBAL LocalizeDialogTemplate(HINSTANCE instance, LPCSTR templateName);
INT_PTR LocalizedDialogBox(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc);
INT_PTR LocalizedDialogBoxParam(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param);
HWND LocalizedCreateDialog(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc);
HWND LocalizedCreateDialogParam(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param);

// A text from the localization file used as a format: only the conversions the
// caller expects are substituted; any other or extra conversion shows the text with
// the argument appended instead of interpreting it.
void FormatLocalizedText(char* out, int size, const char* text, const char* argument);
void FormatLocalizedText(char* out, int size, const char* text, const char* argument, unsigned long number);
