// Localization: texts by string id from the localization file, the dialog font,
// and dialogs created from localized templates.
#pragma once

#include <windows.h>

#include <atomic>
#include <cstdint>

#include "i18n/loc_text.h"

// ---- Texts --------------------------------------------------------------------

// The ids of every key of the string table, ended by kKeyIdListEnd.
extern const uint32_t KeyIdList[];
constexpr int kKeyIdCount = 200;

struct TextEntry;

// The module's tables and font. Built by the window thread while the tray window is
// created (before any button is dispatched) and freed when it is destroyed; every
// thread that shows a text reads them in between without a lock.
struct LocalizationState {
    KeyRecord* KeyTable = nullptr;   // sorted records, terminator at KeyCount
    int KeyCount = 0;
    TextEntry** TextTable = nullptr;  // BucketCount chain heads, bucket = id % 100
    int BucketCount = 0;
    LOGFONTA LogFont = {};
    int PointSize = 8;
    HFONT Font = nullptr;  // none until a file was loaded, or when it cannot be created
    // Set by every lookup of a key's text, on whichever thread; cleared by the window
    // thread when it writes the lookup record, once the burst of lookups is over.
    std::atomic<bool> LookupRecordPending{false};
    // The thread that loaded the installed file and runs the message loop; written
    // once before any other thread looks a text up.
    DWORD WindowThreadId = 0;
};
extern LocalizationState g_localization;

// Builds KeyTable from the string table's keys for idList, reads the file at path
// into TextTable and creates the localized font. 1 on success; 0 when the key table,
// the file or the buckets cannot be had, or a text could not be stored (after
// loading all the others).
int LoadLocalizationFile(const char* path, const uint32_t* idList);
// Copies the text for id into buffer (size bytes with the terminating zero).
// Non-zero when a text was found; otherwise the buffer holds "String not found!".
int GetLocalizedText(int id, char* buffer, int size);
template <int N>
int GetLocalizedText(int id, char (&buffer)[N])
{
    return GetLocalizedText(id, buffer, N);
}
// Frees the texts and the buckets and deletes the font, after writing a lookup
// record still pending. Returns 1.
int FreeLocalization();

// The lookup record ("R710Debug.ini" [R710BTNS] Test=8) that the lookups since the
// last call left pending, written once for the whole burst. The window thread calls
// it when its message queue goes idle; a lookup on another thread wakes that queue.
void WritePendingLookupRecord();

// Locates "Tornel.loc" (else "trnl_inf.loc") in the Windows directory and loads it.
// On failure shows the fixed start-up message, posts the quit message with exit
// code 0 and returns 0; the caller then stops its start-up.
int LoadInstalledLocalization();

// 1 when every id of the key table has a text (or the table is empty).
int CheckAllTexts(const KeyRecord* keyTable);

// ---- Font ---------------------------------------------------------------------

// Replaces the LOGFONT and recomputes the point size; the font itself stays.
void SetLocalizedLogFont(const LOGFONTA* font);

void SetDlgItemLocalizedText(HWND dialog, int controlId, int stringId);

// ---- Localized dialogs -----------------------------------------------------------

// A copy of the dialog template with the localized font and the localized titles of
// button and static controls whose id is a string id: a movable block (unlocked),
// or null when the template cannot be found, read or copied.
HGLOBAL LocalizeDialogTemplate(HINSTANCE instance, LPCSTR templateName);
// -1 when the copy could not be made.
INT_PTR LocalizedDialogBox(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc);
INT_PTR LocalizedDialogBoxParam(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param);
// Null when the copy or the dialog could not be made.
HWND LocalizedCreateDialog(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc);
HWND LocalizedCreateDialogParam(HINSTANCE instance, LPCSTR templateName, HWND parent, DLGPROC proc, LPARAM param);

// A message box with the localized text of textId, fetched into textSize bytes (the
// buffer a message's rule names), its one %s filled with argument (null: the text is
// shown as it is); fallback is the text when the localization has none (null: the
// text is the key's "String not found!"). Owner: the window with the focus, no caption.
int ShowLocalizedMessage(int textId, const char* fallback, const char* argument, UINT type = MB_OK,
                         int textSize = 1024);

// Tells the user that a program could not be started, naming its path (owner: the
// window with the focus, no caption).
void ShowStartFailure(const char* program);
