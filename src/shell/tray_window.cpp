// The TrayWindow's procedure: the notification-area icon, its menu and the teardown;
// each message's handler calls into the scanner session, the dispatch or the settings.
// Everything here runs on the window's thread.
#include <windows.h>
#include <shellapi.h>

#include <cstddef>

#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "dispatch/dispatch.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"
#include "settings/settings.h"
#include "shell/bench_report.h"
#include "shell/launch.h"
#include "shell/scanner_session.h"
#include "shell/sibling_programs.h"
#include "shell/tray.h"

// The notification data in its 488-byte form, with the balloon fields.
static_assert(offsetof(NOTIFYICONDATAA, guidItem) == 488, "NOTIFYICONDATAA layout");
constexpr DWORD kNotifyIconDataSize = 488;

namespace {

constexpr UINT kTrayIconId = 1;
// How long a closing program waits for a stopped press's destination to end.
constexpr DWORD kDispatchEndLimitMs = 10000;
// Looks again for the end of the job that a device change waits for.
constexpr UINT_PTR kDeviceChangeTimerId = 1;
constexpr UINT kDeviceChangeRetryMs = 500;
// Adds the icon again while the notification area is not there yet (at logon the
// shell may come after the programs it starts): a minute of tries, then the
// shell's "TaskbarCreated" brings it.
constexpr UINT_PTR kIconRetryTimerId = 2;
constexpr UINT kIconRetryMs = 2000;
constexpr int kIconRetryLimit = 30;

// State of the tray window. Written and read by the window thread only.
struct TrayState {
    HMENU TrayMenu = nullptr;
    HICON ReadyIcon = nullptr;        // shared resource icon, never destroyed
    HICON UnavailableIcon = nullptr;  // shared resource icon, never destroyed
    // Set once the icon is in the notification area; cleared when the teardown removed
    // it or the shell started again without it.
    bool IconAdded = false;
    // The start balloon shows with the first icon only, not each time it is added again.
    bool StartBalloonShown = false;
    // The user was told that a settings file refuses the changes.
    bool UnsavedSettingsTold = false;
    // Tries of the icon retry timer left.
    int IconRetriesLeft = 0;
    // WM_CREATE runs the start-up once: the same message from another program does nothing.
    bool Created = false;
    bool TornDown = false;
    // The tray menu is being shown; the teardown leaves it to ShowTrayMenu to destroy.
    bool MenuOpen = false;
    // Explorer's message when it starts again and the icon must be added again.
    UINT TaskbarCreatedMessage = 0;
};
TrayState g_tray;

HICON CurrentIcon() { return ScannerReady() ? g_tray.ReadyIcon : g_tray.UnavailableIcon; }

// ---- Icon and menu ----------------------------------------------------------------

HICON LoadTrayIcon(int id)
{
    return static_cast<HICON>(LoadImageA(g_shell.Instance, MAKEINTRESOURCEA(id), IMAGE_ICON,
                                         GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), LR_SHARED));
}

NOTIFYICONDATAA IconData(HWND window, UINT flags)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = kNotifyIconDataSize;
    data.hWnd = window;
    data.uID = kTrayIconId;
    data.uFlags = flags;
    return data;
}

bool AddTrayIcon(HWND window, bool withBalloon)
{
    NOTIFYICONDATAA data = IconData(window, NIF_MESSAGE | NIF_ICON | NIF_TIP | (withBalloon ? NIF_INFO : 0));
    data.uCallbackMessage = WM_TORNEL_TRAY_CALLBACK;
    data.hIcon = CurrentIcon();
    char text[1024];
    GetLocalizedText(IDS_TIP_TORNEL, text);
    CopyString(data.szTip, 128, text);
    CopyString(data.szInfoTitle, 64, text);
    GetLocalizedText(IDS_TIP_TORNEL_INFO, text);
    CopyString(data.szInfo, 256, text);
    if (Shell_NotifyIconA(NIM_ADD, &data))
        return true;
    // An icon that is there already (a "TaskbarCreated" sent by another program) cannot
    // be added again; it can be changed.
    data.uFlags = NIF_ICON;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

// Adds the icon, or keeps trying on a timer while the notification area is missing.
void PlaceTrayIcon(HWND window)
{
    if (g_tray.IconAdded || g_tray.TornDown)
        return;
    if (AddTrayIcon(window, !g_tray.StartBalloonShown)) {
        g_tray.IconAdded = true;
        g_tray.StartBalloonShown = true;
        KillTimer(window, kIconRetryTimerId);
        return;
    }
    if (g_tray.IconRetriesLeft <= 0) {
        g_tray.IconRetriesLeft = kIconRetryLimit;
        SetTimer(window, kIconRetryTimerId, kIconRetryMs, nullptr);
    }
}

void RetryTrayIcon(HWND window)
{
    if (g_tray.IconAdded || --g_tray.IconRetriesLeft <= 0) {
        KillTimer(window, kIconRetryTimerId);
        g_tray.IconRetriesLeft = 0;
        return;
    }
    PlaceTrayIcon(window);
}

}  // namespace

void ShowTrayBalloon(HWND window, const char* text)
{
    NOTIFYICONDATAA data = IconData(window, NIF_INFO);
    char title[1024];
    GetLocalizedText(IDS_TIP_TORNEL, title);
    CopyString(data.szInfoTitle, 64, title);
    CopyString(data.szInfo, 256, text);
    data.uTimeout = 10000;
    data.dwInfoFlags = NIIF_INFO;
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

void ShowScannerIcon(HWND window)
{
    NOTIFYICONDATAA data = IconData(window, NIF_ICON);
    data.hIcon = CurrentIcon();
    Shell_NotifyIconA(NIM_MODIFY, &data);
}

void ReplaceTrayMenu()
{
    if (g_tray.TrayMenu)
        DestroyMenu(g_tray.TrayMenu);
    g_tray.TrayMenu = BuildTrayMenu();
}

namespace {

void DeleteTrayIcon(HWND window)
{
    NOTIFYICONDATAA data = IconData(window, 0);
    Shell_NotifyIconA(NIM_DELETE, &data);
}

void AppendMenuText(HMENU menu, UINT command, int textId)
{
    char text[128];
    GetLocalizedText(textId, text);
    AppendMenuA(menu, MF_STRING, command, text);
}

// ---- Message handlers --------------------------------------------------------------

// Start-up, then the icon and its menu.
LRESULT OnCreate(HWND window)
{
    if (g_tray.Created)
        return 0;
    g_tray.Created = true;
    if (!StartResidentInstance(window))
        return 0;
    g_tray.ReadyIcon = LoadTrayIcon(IDI_READY);
    g_tray.UnavailableIcon = LoadTrayIcon(IDI_UNAVAILABLE);
    // A notification area that is not there yet is waited for: the program stays.
    PlaceTrayIcon(window);
    // The discoveries come once the icon shows, the spooler's start being the slowest
    // step of a start; every press meanwhile waits in this window's queue.
    RunStartupDiscoveries();
    QueueEnginePressesTo(nullptr);
    g_tray.TrayMenu = BuildTrayMenu();
    ListenForDestinationResults();
    return 0;
}

// A press's function still running when the program closes, on whichever thread: no
// press starts any more, its scan is stopped and the destination given a moment to see
// the abort. False when it still runs.
bool EndRunningPress()
{
    StopTakingPresses();
    StopScanForExit();
    return WaitForPressEnd(kDispatchEndLimitMs);
}

void TearDown(HWND window)
{
    // A second WM_DESTROY (one sent by another instance, then the real one) finds
    // everything gone already.
    if (!g_tray.TornDown) {
        g_tray.TornDown = true;
        bool pressEnded = EndRunningPress();
        // An open Button manager goes with the program: its edits were not confirmed.
        AbandonButtonManagerEdits();
        SaveButtonSettings();
        KillTimer(window, kIconRetryTimerId);
        if (g_tray.MenuOpen)
            EndMenu();
        else if (g_tray.TrayMenu) {
            DestroyMenu(g_tray.TrayMenu);
            g_tray.TrayMenu = nullptr;
        }
        if (g_tray.IconAdded) {
            DeleteTrayIcon(window);
            g_tray.IconAdded = false;
        }
        // A press that outlived the wait may still look texts up and call the engine:
        // the end of the process takes those instead.
        if (pressEnded) {
            FreeLocalization();
            CloseScanner();
        }
    }
}

LRESULT OnDestroy(HWND window)
{
    TearDown(window);
    PostQuitMessage(0);
    return 0;
}

// The session ends: Windows ends the process after this returns, without WM_DESTROY.
// The message loop is told to end as well, so that the same message sent by another
// program ends Tornel as a close does instead of leaving it without icon or scanner.
LRESULT OnEndSession(HWND window, WPARAM ending) { return ending ? OnDestroy(window) : 0; }

// A modal dialog or menu of this window waits for input: the texts it looked up
// leave their one lookup record.
LRESULT OnEnterIdle()
{
    WritePendingLookupRecord();
    return 0;
}

// The message comes from another process: anything but a button is dropped. The
// dispatch decides whether the press runs; the teardown waits for its claim.
LRESULT OnButtonPress(WPARAM buttonNumber)
{
    if (buttonNumber >= 1 && buttonNumber <= 4)
        StartButtonDispatch(static_cast<int>(buttonNumber));
    return 0;
}

struct ResendItem {
    UINT command;
    int functionCode;
    int textId;
    const char* english;  // for a localization file older than the menu item
};
constexpr ResendItem kResendItems[] = {
    {IDM_RESEND_APPLICATION, kFunctionApplication, IDS_MENU_RESEND_APPLICATION, "Application (%s)"},
    {IDM_RESEND_COPY, kFunctionCopy, IDS_MENU_RESEND_COPY, "Copy (%s)"},
    {IDM_RESEND_MAIL, kFunctionMail, IDS_MENU_RESEND_MAIL, "E-mail (%s)"},
    {IDM_RESEND_FOLDER, kFunctionFolder, IDS_MENU_RESEND_FOLDER, "Folder (%s)"},
};

// What the function would use, as the Button manager names it; false when the page
// as it is cannot go there.
bool NameResendTarget(int functionCode, char (&name)[260])
{
    name[0] = '\0';
    switch (functionCode) {
    case kFunctionApplication: {
        char application[256];
        const bool takes = ApplicationTakesFiledPage(application);
        CopyString(name, application);
        return takes;
    }
    case kFunctionCopy: {
        CopyPrinter printer;
        if (FindCopyPrinter(&printer) == 0)
            CopyString(name, printer.printer);
        return true;
    }
    case kFunctionMail: {
        char program[257];
        MailProgramName(program);
        CopyString(name, program);
        return true;
    }
    default:
        ChosenFolderName(name);
        return true;
    }
}

// The submenu names each function's target as it is now, and offers them while the
// last filed page is there and no press runs.
void UpdateResendMenu()
{
    const int count = GetMenuItemCount(g_tray.TrayMenu);
    HMENU resend = count > 0 ? GetSubMenu(g_tray.TrayMenu, count - 1) : nullptr;
    if (!resend)
        return;
    char page[260];
    const bool pageThere = !PressRunning() && LastFiledPage(page) && FileExists(page);
    for (const ResendItem& item : kResendItems) {
        char target[260];
        const bool usable = NameResendTarget(item.functionCode, target);
        char format[128];
        char text[400];
        if (!GetLocalizedText(item.textId, format))
            CopyString(format, item.english);
        FormatLocalizedText(text, format, target);
        ModifyMenuA(resend, item.command, MF_BYCOMMAND | MF_STRING, item.command, text);
        EnableMenuItem(resend, item.command, MF_BYCOMMAND | (pageThere && usable ? MF_ENABLED : MF_GRAYED));
    }
}

void ShowTrayMenu(HWND window)
{
    if (g_shell.SettingsDialogOpen || ScanJobActive() || !g_tray.TrayMenu || g_tray.MenuOpen || g_tray.TornDown)
        return;
    EnableMenuItem(g_tray.TrayMenu, IDM_CLOSE, MF_BYCOMMAND | MF_ENABLED);
    UpdateResendMenu();
    POINT cursor;
    GetCursorPos(&cursor);
    // The window must be foreground, or the menu stays open when the user clicks elsewhere.
    SetForegroundWindow(window);
    // The menu's loop lets posted messages in: a second click waits for this menu, and
    // a close during it leaves the menu to be destroyed here.
    g_tray.MenuOpen = true;
    TrackPopupMenu(g_tray.TrayMenu, TPM_RIGHTALIGN, cursor.x, cursor.y, 0, window, nullptr);
    g_tray.MenuOpen = false;
    if (g_tray.TornDown && g_tray.TrayMenu) {
        DestroyMenu(g_tray.TrayMenu);
        g_tray.TrayMenu = nullptr;
    }
    PostMessageA(window, WM_NULL, 0, 0);
}

LRESULT OnTrayCallback(HWND window, LPARAM mouseMessage)
{
    switch (mouseMessage) {
    case WM_RBUTTONDOWN:
        ShowTrayMenu(window);
        break;
    case WM_LBUTTONDBLCLK:
        ShowButtonManager(window);
        break;
    case NIN_BALLOONUSERCLICK:
        OpenBalloonFolder();
        break;
    default:
        break;
    }
    return 0;
}

LRESULT OnCommand(HWND window, WPARAM wParam)
{
    // The whole wParam is compared on purpose, not its low word: a command whose
    // high word is set (an accelerator, a control's notification) starts nothing.
    switch (wParam) {
    case IDM_BUTTON_MANAGER:
        ShowButtonManager(window);
        break;
    case IDM_CLOSE:
        SendMessageA(window, WM_DESTROY, 0, 0);
        break;
    case IDM_KELMIO:
        StartSiblingUnlessRunning(kKelmio);
        break;
    case IDM_COPIER:
        StartSiblingUnlessRunning(kCopier);
        break;
    case IDM_SCANNER_TEST:
        StartSiblingUnlessRunning(kScannerTest);
        break;
    default:
        // The items of "Send last scan to", from the table the submenu is built from.
        for (const ResendItem& item : kResendItems) {
            if (wParam == item.command)
                StartResendDispatch(item.functionCode);
        }
        break;
    }
    return 0;
}

LRESULT OnDeviceChange(HWND window)
{
    // Never under a running job or another change: it is handled once they have ended.
    if (DeviceChangeMustWait()) {
        SetTimer(window, kDeviceChangeTimerId, kDeviceChangeRetryMs, nullptr);
        return 0;
    }
    KillTimer(window, kDeviceChangeTimerId);
    if (!g_tray.TornDown)
        FollowDeviceChange(window);
    return 0;
}

// A settings file refused a write: the user learns once that changes are not saved.
LRESULT OnSettingsUnsaved()
{
    char path[MAX_PATH];
    // Once per run, also when another program posts the message again.
    if (g_tray.UnsavedSettingsTold || !GetUnsavedSettingsFile(path))
        return 0;
    g_tray.UnsavedSettingsTold = true;
    ShowLocalizedMessage(IDS_MSG_SETTINGS_NOT_SAVED,
                         "Tornel cannot save its settings in %s. Your changes last only until Tornel ends.", path,
                         MB_OK | MB_ICONEXCLAMATION);
    return 0;
}

// Release and reacquisition requests come from other programs; one that arrives while
// another change is under way is dropped (its sender asks again when it next starts or
// ends), and none touches the engine after the teardown.
LRESULT OnScannerRequest(HWND window, bool release)
{
    if (!g_tray.TornDown)
        FollowScannerRequest(window, release);
    return 0;
}

LRESULT OnTimer(HWND window, WPARAM timer)
{
    if (timer == kDeviceChangeTimerId)
        return OnDeviceChange(window);
    if (timer == kIconRetryTimerId)
        RetryTrayIcon(window);
    return 0;
}

// The shell started again: the icon is added again, without the start balloon; before
// the first icon this is the moment the notification area has come.
LRESULT OnTaskbarCreated(HWND window)
{
    if (!g_tray.Created || g_tray.TornDown)
        return 0;
    g_tray.IconAdded = false;
    PlaceTrayIcon(window);
    return 0;
}

}  // namespace

HMENU BuildTrayMenu()
{
    HMENU menu = CreatePopupMenu();
    if (!menu)
        return nullptr;
    AppendMenuText(menu, IDM_KELMIO, IDS_MENU_KELMIO);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuText(menu, IDM_COPIER, IDS_MENU_COPIER);
    AppendMenuText(menu, IDM_SCANNER_TEST, IDS_MENU_SCANNER_TEST);
    AppendMenuText(menu, IDM_BUTTON_MANAGER, IDS_MENU_PUSH_BUTTON);
    AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
    AppendMenuText(menu, IDM_CLOSE, IDS_MENU_CLOSE);
    // The last item: its texts and states are set each time the menu shows.
    HMENU resend = CreatePopupMenu();
    if (resend) {
        for (const ResendItem& item : kResendItems)
            AppendMenuText(resend, item.command, item.textId);
        char text[128];
        if (!GetLocalizedText(IDS_MENU_SEND_LAST_SCAN, text))
            CopyString(text, "Send last scan to");
        AppendMenuA(menu, MF_SEPARATOR, 0, nullptr);
        if (!AppendMenuA(menu, MF_POPUP, reinterpret_cast<UINT_PTR>(resend), text))
            DestroyMenu(resend);
    }
    return menu;
}

void ShowButtonManager(HWND owner)
{
    // A second request while the dialog is open (a double click, another instance's
    // "/SHOW") brings the open dialog to the front rather than stacking another.
    if (g_shell.SettingsDialogOpen) {
        if (HWND open = ButtonManagerWindow())
            SetForegroundWindow(open);
        return;
    }
    g_shell.SettingsDialogOpen = 1;
    RunButtonManager(g_shell.Instance, owner);
    g_shell.SettingsDialogOpen = 0;
}

LRESULT CALLBACK TrayWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_CREATE:
        g_tray.TaskbarCreatedMessage = RegisterWindowMessageA("TaskbarCreated");
        return OnCreate(window);
    case WM_DESTROY:
        return OnDestroy(window);
    case WM_COMMAND:
        return OnCommand(window, wParam);
    case WM_DEVICECHANGE:
        return OnDeviceChange(window);
    case WM_TIMER:
        return OnTimer(window, wParam);
    case WM_TORNEL_TRAY_CALLBACK:
        return OnTrayCallback(window, lParam);
    case WM_TORNEL_RELEASE_SCANNER:
        return OnScannerRequest(window, true);
    case WM_TORNEL_REACQUIRE_SCANNER:
        return OnScannerRequest(window, false);
    case WM_TORNEL_BUTTON_PRESS:
        return OnButtonPress(wParam);
    case WM_TORNEL_SHOW_BALLOON:
        return OnShowBalloon(window);
    case WM_ENDSESSION:
        return OnEndSession(window, wParam);
    case WM_ENTERIDLE:
        return OnEnterIdle();
    case WM_TORNEL_SETTINGS_UNSAVED:
        return OnSettingsUnsaved();
    default:
        if (message != 0 && message == g_tray.TaskbarCreatedMessage)
            return OnTaskbarCreated(window);
        if (LRESULT counts = AnswerGuiCountsRequest(message))
            return counts;
        return DefWindowProcA(window, message, wParam, lParam);
    }
}
