// The Button manager dialog: four icon tabs, one page per button function, OK that
// stores every page and the button settings, Cancel that puts the settings back.
#include <windows.h>
#include <commctrl.h>

#include "config/config.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "settings/pages.h"
#include "settings/settings.h"

namespace {

constexpr int kPageCount = 4;
constexpr int kTabImageWidth = 35;
constexpr int kTabImageHeight = 25;
constexpr COLORREF kTabMaskColour = RGB(192, 192, 192);

// The pages in tab order, with the tab's picture and tooltip.
struct PageEntry {
    int templateId;
    DLGPROC procedure;
    int bitmapId;
    int tipId;
};
const PageEntry kPages[kPageCount] = {
    {IDD_APPLICATION_PAGE, ApplicationPageProc, IDB_TAB_APPLICATION, IDS_TIP_SCAN_APPLICATION},
    {IDD_COPY_PAGE, CopyPageProc, IDB_TAB_COPY, IDS_TIP_SCAN_PRINTER},
    {IDD_MAIL_PAGE, MailPageProc, IDB_TAB_MAIL, IDS_TIP_SCAN_EMAIL},
    {IDD_FOLDER_PAGE, FolderPageProc, IDB_TAB_FOLDER, IDS_TIP_SCAN_FOLDER},
};

// One open dialog. Lives on the stack of RunButtonManager; window thread only.
struct ManagerState {
    HINSTANCE instance = nullptr;
    HWND dialog = nullptr;
    // A page is created when its tab is first shown (or at OK); null until then.
    HWND pages[kPageCount] = {};
    // Where the pages go: inside the tab control's frame, below the row of tabs.
    RECT pagePlace = {};
    HIMAGELIST images = nullptr;
    // Each tab's picture in the image list; -1 for one that could not be loaded.
    int tabImages[kPageCount] = {-1, -1, -1, -1};
    // The button settings as they were when the dialog opened, put back unless OK.
    ButtonSetting saved[kButtonKindCount] = {};
    // The text a tab's tooltip shows: the tooltip reads it after the handler returned.
    char tabTip[kPageTextSize] = "";
    wchar_t tabTipWide[kPageTextSize] = L"";
};

// The open dialog's state, for a second request and for the program's end.
ManagerState* g_open = nullptr;

ManagerState* StateOf(HWND dialog)
{
    return reinterpret_cast<ManagerState*>(GetWindowLongPtrA(dialog, GWLP_USERDATA));
}

void CreateTabImages(ManagerState& state)
{
    state.images = ImageList_Create(kTabImageWidth, kTabImageHeight, ILC_COLOR32 | ILC_MASK, 16, 16);
    if (!state.images)
        return;
    for (int index = 0; index < kPageCount; ++index) {
        HBITMAP bitmap = LoadBitmapA(state.instance, MAKEINTRESOURCEA(kPages[index].bitmapId));
        if (!bitmap)
            continue;
        state.tabImages[index] = ImageList_AddMasked(state.images, bitmap, kTabMaskColour);
        DeleteObject(bitmap);
    }
    ImageList_SetBkColor(state.images, CLR_NONE);
}

void SetButtonTexts(HWND dialog)
{
    char text[kPageTextSize];
    GetLocalizedText(IDS_MENU_PUSH_BUTTON, text);
    SetWindowTextA(dialog, text);
    const ControlText kButtons[] = {{IDOK, IDS_DLG_BUTTON_OK}, {IDCANCEL, IDS_DLG_BUTTON_CANCEL}};
    SetControlTexts(dialog, kButtons);
    const int kFontControls[] = {IDOK, IDCANCEL};
    ApplyLanguageFont(dialog, kFontControls);
}

void InsertTabs(HWND tabs, const ManagerState& state)
{
    if (state.images)
        SendMessageA(tabs, TCM_SETIMAGELIST, 0, reinterpret_cast<LPARAM>(state.images));
    for (int index = 0; index < kPageCount; ++index) {
        TCITEMA item = {};
        item.mask = TCIF_IMAGE;
        item.iImage = state.tabImages[index];
        SendMessageA(tabs, TCM_INSERTITEMA, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&item));
    }
}

// In the middle of the screen's work area, the size unchanged.
void CentreDialog(HWND dialog)
{
    RECT frame;
    GetWindowRect(dialog, &frame);
    int width = frame.right - frame.left;
    int height = frame.bottom - frame.top;
    MoveWindow(dialog, (GetSystemMetrics(SM_CXFULLSCREEN) - width) / 2,
               (GetSystemMetrics(SM_CYFULLSCREEN) - height) / 2, width, height, TRUE);
}

// Inside the tab control's frame, below the row of tabs.
RECT PageRectangle(HWND dialog, HWND tabs)
{
    RECT frame;
    GetWindowRect(tabs, &frame);
    POINT origin = {frame.left + 5, frame.top + 33};
    ScreenToClient(dialog, &origin);
    return RECT{origin.x, origin.y, origin.x + (frame.right - frame.left) - 10,
                origin.y + (frame.bottom - frame.top) - 40};
}

// A page costs its template's localization, its lists and its tooltips: the dialog
// opens with the first page only and makes each other one when its tab is first
// chosen. The pages sit above the tab control in the z-order, so it never paints
// over them.
void CreatePage(ManagerState& state, int index)
{
    if (state.pages[index])
        return;
    const PageEntry& entry = kPages[index];
    HWND page = LocalizedCreateDialog(state.instance, MAKEINTRESOURCEA(entry.templateId), state.dialog,
                                      entry.procedure);
    state.pages[index] = page;
    const RECT& place = state.pagePlace;
    if (page)
        SetWindowPos(page, HWND_TOP, place.left, place.top, place.right - place.left, place.bottom - place.top, 0);
}

void ShowPage(ManagerState& state, int shown)
{
    CreatePage(state, shown);
    for (int index = 0; index < kPageCount; ++index) {
        if (state.pages[index])
            ShowWindow(state.pages[index], index == shown ? SW_SHOWNORMAL : SW_HIDE);
    }
}

HWND AddButtonTooltips(HWND dialog)
{
    HWND tooltips = CreatePageTooltips(dialog);
    const ControlText kTips[] = {{IDOK, IDS_TIP_OK}, {IDCANCEL, IDS_TIP_CANCEL}};
    AddControlTools(tooltips, dialog, kTips);
    return tooltips;
}

// A tab control with the tooltips style has a tool per tab that asks the dialog for
// its text. One whose tooltip has no tools (Wine's) gets them in the dialog's own
// tooltip instead, one rectangle per tab with its text.
void AddMissingTabTools(HWND tabs, HWND tooltips)
{
    HWND own = reinterpret_cast<HWND>(SendMessageA(tabs, TCM_GETTOOLTIPS, 0, 0));
    if (!tooltips || (own && SendMessageA(own, TTM_GETTOOLCOUNT, 0, 0) > 0))
        return;
    for (int index = 0; index < kPageCount; ++index) {
        char text[kPageTextSize];
        GetLocalizedText(kPages[index].tipId, text);
        TTTOOLINFOA tool = {};
        tool.cbSize = kToolInfoSize;
        tool.uFlags = TTF_SUBCLASS;
        tool.hwnd = tabs;
        tool.uId = static_cast<UINT_PTR>(index);
        SendMessageA(tabs, TCM_GETITEMRECT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(&tool.rect));
        tool.lpszText = text;
        SendMessageA(tooltips, TTM_ADDTOOLA, 0, reinterpret_cast<LPARAM>(&tool));
    }
}

// The dialog is owned by the hidden tray window, so Windows gives it no taskbar
// button of its own and may open it behind the window the user works in: it asks for
// both. The request came from the user (the tray icon, the Start menu, "/SHOW", whose
// launching instance lets this one take the foreground).
void ComeToFront(HWND dialog)
{
    LONG_PTR style = GetWindowLongPtrA(dialog, GWL_EXSTYLE);
    SetWindowLongPtrA(dialog, GWL_EXSTYLE, style | WS_EX_APPWINDOW);
    SetForegroundWindow(dialog);
}

// ---- Message handlers --------------------------------------------------------------

INT_PTR OnInitDialog(HWND dialog, ManagerState* state)
{
    SetWindowLongPtrA(dialog, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(state));
    state->dialog = dialog;
    CreateTabImages(*state);
    SetButtonTexts(dialog);
    HWND tabs = GetDlgItem(dialog, IDC_MANAGER_TABS);
    InsertTabs(tabs, *state);
    CentreDialog(dialog);
    ComeToFront(dialog);
    state->pagePlace = PageRectangle(dialog, tabs);
    ShowPage(*state, 0);
    ShowWindow(dialog, SW_SHOW);
    AddMissingTabTools(tabs, AddButtonTooltips(dialog));
    return TRUE;
}

// A tab's tooltip asks for its text with the tab's index as the id.
void SupplyTabTip(ManagerState& state, LPARAM notification)
{
    const NMHDR* header = reinterpret_cast<const NMHDR*>(notification);
    UINT_PTR index = header->idFrom;
    state.tabTip[0] = '\0';
    if (index < static_cast<UINT_PTR>(kPageCount))
        GetLocalizedText(kPages[index].tipId, state.tabTip);
    if (header->code == TTN_GETDISPINFOW) {
        MultiByteToWideChar(CP_ACP, 0, state.tabTip, -1, state.tabTipWide, kPageTextSize);
        reinterpret_cast<NMTTDISPINFOW*>(notification)->lpszText = state.tabTipWide;
    } else {
        reinterpret_cast<NMTTDISPINFOA*>(notification)->lpszText = state.tabTip;
    }
}

INT_PTR OnNotify(HWND dialog, LPARAM notification)
{
    ManagerState* state = StateOf(dialog);
    if (!state)
        return FALSE;
    const NMHDR* header = reinterpret_cast<const NMHDR*>(notification);
    if (header->idFrom == IDC_MANAGER_TABS && header->code == TCN_SELCHANGE) {
        LRESULT selected = SendDlgItemMessageA(dialog, IDC_MANAGER_TABS, TCM_GETCURSEL, 0, 0);
        if (selected >= 0 && selected < kPageCount)
            ShowPage(*state, static_cast<int>(selected));
        return TRUE;
    }
    if (IsTooltipTextRequest(notification)) {
        SupplyTabTip(*state, notification);
        return TRUE;
    }
    return FALSE;
}

// Every page stores what it shows before the settings are written; a page never
// shown is made now, hidden, so it stores what it would have shown.
void OnOk(HWND dialog)
{
    ManagerState* state = StateOf(dialog);
    if (state) {
        for (int index = 0; index < kPageCount; ++index) {
            CreatePage(*state, index);
            HWND& page = state->pages[index];
            if (!page)
                continue;
            SendMessageA(page, WM_SAVEPAGE, 0, 0);
            DestroyWindow(page);
            page = nullptr;
        }
    }
    EndDialog(dialog, 1);
    SaveButtonSettings();
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        OnOk(dialog);
        return TRUE;
    case IDCANCEL:
        PostMessageA(dialog, WM_CLOSE, 0, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK ButtonManagerProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        return OnInitDialog(dialog, reinterpret_cast<ManagerState*>(lParam));
    case WM_NOTIFY:
        return OnNotify(dialog, lParam);
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    case WM_CLOSE:
        EndDialog(dialog, 0);
        return TRUE;
    default:
        return FALSE;
    }
}

}  // namespace

INT_PTR RunButtonManager(HINSTANCE instance, HWND owner)
{
    ManagerState state;
    state.instance = instance;
    CopyButtonSettings(state.saved);
    g_open = &state;
    // The tab control's class is registered before the dialog that holds it is made:
    // the common controls' library is loaded on this first call.
    INITCOMMONCONTROLSEX classes = {sizeof classes, ICC_TAB_CLASSES};
    InitCommonControlsEx(&classes);
    INT_PTR result = DialogBoxParamA(instance, MAKEINTRESOURCEA(IDD_BUTTON_MANAGER), owner, ButtonManagerProc,
                                     reinterpret_cast<LPARAM>(&state));
    g_open = nullptr;
    if (result != 1)
        RestoreButtonSettings(state.saved);
    if (state.images)
        ImageList_Destroy(state.images);
    return result;
}

HWND ButtonManagerWindow() { return g_open ? g_open->dialog : nullptr; }

void AbandonButtonManagerEdits()
{
    if (g_open)
        RestoreButtonSettings(g_open->saved);
}
