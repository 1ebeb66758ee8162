// The Copy page: the printer copies go to, chosen with the system's print setup
// dialog, and the copy scan's settings. Every command of the page stores them.
#include <windows.h>
#include <commctrl.h>
#include <commdlg.h>

#include <cstring>
#include <new>

#include "common/handles.h"
#include "common/strings.h"
#include "config/config.h"
#include "resource.h"
#include "scan/scan_tables.h"
#include "settings/pages.h"
#include "settings/settings.h"

static_assert(sizeof(PRINTDLGA) == 66, "the print setup record is 66 bytes");

namespace {

constexpr DWORD kSetupFlags = PD_PRINTSETUP | PD_NOPAGENUMS | PD_NOSELECTION;  // 0x4C
// Where the "no printer" message goes, in dialog units: from the lists' left edge to
// the Set up button's right edge, ending above the document list.
constexpr int kNoPrinterLeft = 75;
constexpr int kNoPrinterTop = 4;
constexpr int kNoPrinterRight = 233;
constexpr int kNoPrinterBottom = 29;

const PageKind kCopyKind = {kKindCopy, {IDC_COPY_DOC, IDC_COPY_RES, IDC_COPY_BRI, IDC_COPY_AREA}};

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
        WriteChosenPrinter(printer);
    }
    StoreScanSettings(page, kCopyKind);
}

// The device the setup record names, empty when it names none.
void SetupDeviceName(const CopyPageState& state, char (&device)[256])
{
    device[0] = '\0';
    if (!state.setup.hDevNames)
        return;
    LockedGlobal lock(state.setup.hDevNames);
    const auto* names = static_cast<const DEVNAMES*>(lock.get());
    if (names)
        CopyString(device, reinterpret_cast<const char*>(names) + names->wDeviceOffset);
}

// A DEVNAMES block naming one printer, for the setup to open on.
HGLOBAL MakeDeviceNames(const char* printer, const char* port)
{
    static const char kDriver[] = "winspool";
    const size_t driverSize = sizeof kDriver;
    const size_t printerSize = strlen(printer) + 1;
    const size_t portSize = strlen(port) + 1;
    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT,
                                   sizeof(DEVNAMES) + driverSize + printerSize + portSize));
    LockedGlobal lock(block.get());
    auto* names = static_cast<DEVNAMES*>(lock.get());
    if (!names)
        return nullptr;
    char* text = reinterpret_cast<char*>(names);
    names->wDriverOffset = static_cast<WORD>(sizeof(DEVNAMES));
    names->wDeviceOffset = static_cast<WORD>(names->wDriverOffset + driverSize);
    names->wOutputOffset = static_cast<WORD>(names->wDeviceOffset + printerSize);
    memcpy(text + names->wDriverOffset, kDriver, driverSize);
    memcpy(text + names->wDeviceOffset, printer, printerSize);
    memcpy(text + names->wOutputOffset, port, portSize);
    return block.release();
}

// The setup opens on the printer the page shows, not on the system's default: its OK
// would otherwise switch the copy printer. Blocks of another printer are dropped.
void AimSetupAtPagePrinter(HWND page, CopyPageState& state)
{
    char printer[256];
    GetDlgItemTextA(page, IDC_COPY_PRINTER, printer, sizeof printer);
    char device[256];
    SetupDeviceName(state, device);
    if (!printer[0] || strcmp(device, printer) == 0)
        return;
    FreeSetupBlocks(state);
    char port[256];
    ReadListedPrinterPort(printer, port);
    state.setup.hDevNames = MakeDeviceNames(printer, port);
}

// A page printer the system no longer has: the setup opens on the default instead.
bool ShowPrintSetup(CopyPageState& state)
{
    if (PrintDlgA(&state.setup))
        return true;
    if (CommDlgExtendedError() != PDERR_PRINTERNOTFOUND)
        return false;
    FreeSetupBlocks(state);
    return PrintDlgA(&state.setup) != FALSE;
}

void RunPrintSetup(HWND page, CopyPageState& state)
{
    AimSetupAtPagePrinter(page, state);
    if (!ShowPrintSetup(state) || !state.setup.hDevNames)
        return;
    LockedGlobal lock(state.setup.hDevNames);
    auto* names = static_cast<DEVNAMES*>(lock.get());
    if (!names)
        return;
    SetDlgItemTextA(page, IDC_COPY_PRINTER, reinterpret_cast<const char*>(names) + names->wDeviceOffset);
    InvalidateRect(page, nullptr, TRUE);
}

// The "no printer" message is a sentence, not a name: it takes the place of the
// hidden Set up button as well, and three lines above the document list.
void MakeRoomForNoPrinterText(HWND page)
{
    RECT room = {kNoPrinterLeft, kNoPrinterTop, kNoPrinterRight, kNoPrinterBottom};
    if (!MapDialogRect(page, &room))
        return;
    SetWindowPos(GetDlgItem(page, IDC_COPY_PRINTER), nullptr, room.left, room.top, room.right - room.left,
                 room.bottom - room.top, SWP_NOZORDER | SWP_NOACTIVATE);
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
    state->printerCount = ReadPrinterCount(-1);
    FillDestinationList(kKindCopy, page, IDC_COPY_PRINTER, state->printerCount);
    if (state->printerCount == 0) {
        ShowWindow(GetDlgItem(page, IDC_COPY_SETUP), SW_HIDE);
        MakeRoomForNoPrinterText(page);
    }
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
