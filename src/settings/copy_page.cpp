// The Copy page: the printer copies go to, chosen with the system's print setup
// dialog, and the copy scan's settings. Every command of the page stores them.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <new>

#include "common/handles.h"
#include "config/config.h"
#include "resource.h"
#include "scan/scan_tables.h"
#include "settings/pages.h"
#include "settings/settings.h"

static_assert(sizeof(PRINTDLGA) == 66, "the print setup record is 66 bytes");

namespace {

constexpr char kPrinterSection[] = "Tornel_Printer";
constexpr DWORD kSetupFlags = PD_PRINTSETUP | PD_NOPAGENUMS | PD_NOSELECTION;  // 0x4C

const PageKind kCopyKind = {kKindCopy, "Copy", "Printer", {IDC_COPY_DOC, IDC_COPY_RES, IDC_COPY_BRI, IDC_COPY_AREA}};

const int kFontControls[] = {IDC_COPY_PRINTER_LABEL, IDC_COPY_DOC_LABEL, IDC_COPY_RES_LABEL, IDC_COPY_BRI_LABEL,
                             IDC_COPY_AREA_LABEL,    IDC_COPY_SETUP,     IDC_COPY_DOC,       IDC_COPY_RES,
                             IDC_COPY_BRI,           IDC_COPY_AREA};
const ControlText kTexts[] = {
    {IDC_COPY_PRINTER_LABEL, IDS_DLG_PRINTER}, {IDC_COPY_DOC_LABEL, IDS_DLG_DOC_TYPE},
    {IDC_COPY_RES_LABEL, IDS_DLG_RESOLUTION},  {IDC_COPY_BRI_LABEL, IDS_DLG_BRIGHTNESS},
    {IDC_COPY_AREA_LABEL, IDS_DLG_SCAN_AREA},  {IDC_COPY_SETUP, IDS_DLG_SETUP},
};
const ControlText kTips[] = {
    {IDC_COPY_DOC, IDS_TIP_DOCUMENT},   {IDC_COPY_RES, IDS_TIP_RESOLUTION},  {IDC_COPY_BRI, IDS_TIP_BRIGHTNESS},
    {IDC_COPY_AREA, IDS_TIP_SCAN_AREA}, {IDC_COPY_SETUP, IDS_TIP_COPY_SETUP},
};

// One page's state, owned by the page window.
struct CopyPageState {
    // "NumPrinter" as the page opened (-1 when absent). The page's own: the printer
    // the copy function uses stays as discovery chose it.
    int printerCount = -1;
    // The print setup record; the device blocks it returns stay for the next Set up
    // of the same page and are freed with the page.
    PRINTDLGA setup = {};
};

CopyPageState* StateOf(HWND page)
{
    return reinterpret_cast<CopyPageState*>(GetWindowLongPtrA(page, GWLP_USERDATA));
}

void ResetSetupRecord(CopyPageState& state, HWND page)
{
    state.setup = {};
    state.setup.lStructSize = sizeof state.setup;
    state.setup.hwndOwner = page;
    state.setup.Flags = kSetupFlags;
}

void FreeSetupBlocks(CopyPageState& state)
{
    if (state.setup.hDevMode)
        GlobalFree(state.setup.hDevMode);
    if (state.setup.hDevNames)
        GlobalFree(state.setup.hDevNames);
    state.setup.hDevMode = nullptr;
    state.setup.hDevNames = nullptr;
}

// A rectangle tool over the printer-name label: a static control gets no mouse
// messages of its own, the page under it does.
void AddPrinterNameTool(HWND tooltips, HWND page)
{
    HWND label = GetDlgItem(page, IDC_COPY_PRINTER);
    if (!tooltips || !label)
        return;
    TTTOOLINFOA tool = {};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = TTF_SUBCLASS;
    tool.hwnd = page;
    tool.uId = 0;
    GetWindowRect(label, &tool.rect);
    MapWindowPoints(nullptr, page, reinterpret_cast<POINT*>(&tool.rect), 2);
    tool.lpszText = LPSTR_TEXTCALLBACKA;
    SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
}

// The printer, the copy scan's settings and its scan area, as the page shows them.
// The "no printer" text is a message, not a printer: it is never stored as one.
void StoreCopySettings(HWND page, const CopyPageState& state)
{
    if (state.printerCount != 0) {
        char printer[256];
        GetDlgItemTextA(page, IDC_COPY_PRINTER, printer, sizeof printer);
        WriteIniIndexedString(kConfigFileName, kPrinterSection, "PrinterName", 0, printer);
    }
    StoreScanSettings(page, kCopyKind);
}

void RunPrintSetup(HWND page, CopyPageState& state)
{
    if (!PrintDlgA(&state.setup) || !state.setup.hDevNames)
        return;
    LockedGlobal lock(state.setup.hDevNames);
    auto* names = static_cast<DEVNAMES*>(lock.get());
    if (!names)
        return;
    SetDlgItemTextA(page, IDC_COPY_PRINTER, reinterpret_cast<const char*>(names) + names->wDeviceOffset);
    InvalidateRect(page, nullptr, TRUE);
}

// ---- Message handlers --------------------------------------------------------------

INT_PTR OnInitDialog(HWND page)
{
    auto* state = new (std::nothrow) CopyPageState();
    if (!state)
        return TRUE;
    SetWindowLongPtrA(page, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    ApplyLanguageFont(page, kFontControls);
    SetControlTexts(page, kTexts);
    state->printerCount = ReadListCount(kPrinterSection, "NumPrinter", "PrinterName", -1);
    FillDestinationList("Copy", page, IDC_COPY_PRINTER, state->printerCount);
    if (state->printerCount == 0)
        ShowWindow(GetDlgItem(page, IDC_COPY_SETUP), SW_HIDE);
    FillScanSettingLists(page, kCopyKind);
    ResetSetupRecord(*state, page);
    HWND tooltips = CreatePageTooltips(page);
    AddPrinterNameTool(tooltips, page);
    AddControlTools(tooltips, page, kTips);
    return TRUE;
}

// The printer name may be longer than the label: the tooltip shows it whole.
INT_PTR OnNotify(HWND page, LPARAM notification)
{
    if (!IsTooltipTextRequest(notification) || reinterpret_cast<const NMHDR*>(notification)->idFrom != 0)
        return FALSE;
    SupplyControlText(notification, GetDlgItem(page, IDC_COPY_PRINTER));
    return TRUE;
}

INT_PTR OnCommand(HWND page, WPARAM wParam)
{
    CopyPageState* state = StateOf(page);
    if (!state)
        return TRUE;
    if (LOWORD(wParam) == IDC_COPY_SETUP)
        RunPrintSetup(page, *state);
    StoreCopySettings(page, *state);
    return TRUE;
}

INT_PTR OnSavePage(HWND page)
{
    if (CopyPageState* state = StateOf(page))
        StoreCopySettings(page, *state);
    return TRUE;
}

void OnNcDestroy(HWND page)
{
    CopyPageState* state = StateOf(page);
    SetWindowLongPtrA(page, GWLP_USERDATA, 0);
    if (!state)
        return;
    FreeSetupBlocks(*state);
    delete state;
}

}  // namespace

INT_PTR CALLBACK CopyPageProc(HWND page, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(page);
    case WM_NOTIFY:
        return OnNotify(page, lParam);
    case WM_COMMAND:
        return OnCommand(page, wParam);
    case WM_SAVEPAGE:
        return OnSavePage(page);
    case WM_NCDESTROY:
        OnNcDestroy(page);
        return FALSE;
    default:
        return FALSE;
    }
}
