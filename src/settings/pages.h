// What the Button manager's pages share: their construction (fonts, texts,
// tooltips), the lists of scan settings and destinations, and the save of the scan
// settings. Window thread only.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

#include "config/config.h"

// The page procedures, created by the Button manager through the localized-template
// path with the page templates 104, 119, 120 and 121.
INT_PTR CALLBACK ApplicationPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK MailPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);
INT_PTR CALLBACK FolderPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam);

// The Add-application dialog (template 126): 1 when an application was added.
INT_PTR RunAddApplicationDialog(HWND page);

// ---- Construction -----------------------------------------------------------------

// A control and the localized text it shows.
struct ControlText {
    int control;
    int text;
};

// Gives the listed controls the stock system font when the scanner software's
// language key exists.
void ApplyLanguageFont(HWND page, const int* controls, size_t count);
template <size_t N>
void ApplyLanguageFont(HWND page, const int (&controls)[N])
{
    ApplyLanguageFont(page, controls, N);
}
void SetControlTexts(HWND page, const ControlText* texts, size_t count);
template <size_t N>
void SetControlTexts(HWND page, const ControlText (&texts)[N])
{
    SetControlTexts(page, texts, N);
}

// The size a tool is added with: the structure of 44 bytes, with lParam.
constexpr UINT kToolInfoSize = 44;

// The page's tooltip window, owned by the page (it goes when the page goes).
HWND CreatePageTooltips(HWND owner);
// A tool for a control; a null text is asked of the owner when shown (TTN_GETDISPINFO).
void AddControlTool(HWND tooltips, HWND owner, int control, const char* text);
// One tool per listed control with its localized text; the tooltip keeps a copy.
void AddControlTools(HWND tooltips, HWND owner, const ControlText* tips, size_t count);
template <size_t N>
void AddControlTools(HWND tooltips, HWND owner, const ControlText (&tips)[N])
{
    AddControlTools(tooltips, owner, tips, N);
}
// Answers a tooltip's request for text with a control's current text, cut to the
// notification's own 80-character field, which outlives the handler.
void SupplyControlText(LPARAM notification, HWND control);
// True for the request-for-text notification in either character set.
bool IsTooltipTextRequest(LPARAM notification);

// ---- Lists --------------------------------------------------------------------------

// The selected position of a list, -1 when nothing is selected.
int SelectedPosition(HWND page, int control);
// Selects a position; one outside the list selects nothing.
void SelectPosition(HWND page, int control, int position);
int AddListText(HWND page, int control, const char* text);
// An entry's text (empty for a position outside the list).
void ListText(HWND page, int control, int position, char* out, size_t size);
// The selected entry's text (empty when nothing is selected).
void SelectedText(HWND page, int control, char* out, size_t size);

// The ids of a page's four scan-setting lists.
struct ScanListIds {
    int doc;
    int res;
    int bri;
    int area;
};

// What one page edits: its ButtonKind, whose function section filters the lists.
struct PageKind {
    int kind;
    ScanListIds lists;
};

// Fills the document-type, resolution, brightness and scan-area lists from the
// function section and the kind's button settings; the scan area comes from the
// page's "DefaultArea" and is stored in the button settings (memory only).
void FillScanSettingLists(HWND page, const PageKind& pageKind);
// Stores the four lists' positions in the kind's button settings and the scan area
// as the page's "DefaultArea".
void StoreScanSettings(HWND page, const PageKind& pageKind);

// Fills a page's destination control from the function section's "Component".
void FillDestinationList(int kind, HWND page, int control, int currentValue);

constexpr size_t kPageTextSize = 260;

// The shell's folder browser, owned by the page, opened on startFolder (or the
// desktop when null). The choice as a file-system path with a closing backslash
// (empty for a choice that has none); false when the browser was cancelled. A folder
// the ANSI calls cannot name (outside the code page, no short form) leaves path empty
// and its name, as far as the code page shows it, in unnamable.
bool BrowseForFolder(HWND page, const char* startFolder, char (&path)[MAX_PATH], char (&unnamable)[MAX_PATH]);
