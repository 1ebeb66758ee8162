// The entry point's work: which button (if any) caused the launch, which instance
// keeps the tray icon, and the start-up and message loop of the resident instance.
#include "shell/launch.h"

#include <cstdio>
#include <cstring>
#include <cwchar>

#include "common/bind_proc.h"
#include "common/handles.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "dispatch/dispatch.h"
#include "i18n/i18n.h"
#include "scan/scan.h"
#include "resource.h"
#include "shell/scanner_session.h"
#include "shell/shell.h"

ShellState g_shell;

namespace {

// The Still Image service names a button's event by its GUID.
const struct {
    const char* guid;
    uint32_t buttonCode;
} kButtonEvents[] = {
    {"{7f951c8d-e5bd-4b66-b634-f5b8917a3007}", 1},
    {"{c2bcf5ad-bbd9-45d5-bfe1-241ac30d5859}", 2},
    {"{a2c255b3-8b3e-42a3-a026-00a7b6d99338}", 4},
    {"{9a1d4274-8243-46df-bb09-3f888dc78046}", 8},
};

// Buffers as long as the Still Image interface fills them (its internal names are
// at most 128 characters).
constexpr size_t kStiNameLength = 128;

// The part of the Still Image interface this program calls: its tenth method,
// after the three IUnknown methods and Initialize, GetDeviceList, GetDeviceInfo,
// CreateDevice, GetDeviceValue and SetDeviceValue.
struct StillImageVtbl {
    void* QueryInterface;
    void* AddRef;
    ULONG(STDMETHODCALLTYPE* Release)(void* self);
    void* Initialize;
    void* GetDeviceList;
    void* GetDeviceInfo;
    void* CreateDevice;
    void* GetDeviceValue;
    void* SetDeviceValue;
    HRESULT(STDMETHODCALLTYPE* GetSTILaunchInformation)(void* self, WCHAR* deviceName, DWORD* eventCode,
                                                          WCHAR* eventName);
};
struct StillImage {
    StillImageVtbl* vtbl;
};
typedef HRESULT(WINAPI* PFN_StiCreateInstanceW)(HINSTANCE, DWORD, StillImage**, void*);
// The wide entry point expects the header's version with its Unicode flag
// (STI_VERSION_REAL | STI_VERSION_FLAG_UNICODE, as sti.h defines STI_VERSION for
// wide callers); an older service that refuses it leaves the command-line switches.
constexpr DWORD kStiVersionReal = 0x00000002;
constexpr DWORD kStiVersionFlagUnicode = 0x01000000;
constexpr DWORD kStiVersion = kStiVersionReal | kStiVersionFlagUnicode;

// How long a launch waits for a starting resident instance to make its window.
constexpr DWORD kResidentWindowWaitMs = 10000;
constexpr DWORD kResidentWindowPollMs = 50;

struct LaunchEvent {
    WCHAR deviceName[kStiNameLength];
    DWORD eventCode;
    WCHAR eventName[kStiNameLength];
};

// sti.dll is loaded at run time: there is no import library for it, and a system
// without it simply has no launch information.
bool AskStillImageService(HINSTANCE instance, LaunchEvent& event)
{
    UniqueModule sti(LoadLibraryW(L"sti.dll"));
    if (!sti)
        return false;
    PFN_StiCreateInstanceW create = nullptr;
    if (!BindProc(sti.get(), "StiCreateInstanceW", create))
        return false;
    StillImage* stillImage = nullptr;
    if (FAILED(create(instance, kStiVersion, &stillImage, nullptr)) || !stillImage)
        return false;
    HRESULT result =
        stillImage->vtbl->GetSTILaunchInformation(stillImage, event.deviceName, &event.eventCode, event.eventName);
    stillImage->vtbl->Release(stillImage);
    return SUCCEEDED(result) && event.eventName[0] != L'\0';
}

// When the interface gives nothing (a system whose service hands the information
// only on the command line), the same two switches are decoded here.
bool ReadLaunchSwitches(LaunchEvent& event)
{
    const wchar_t* commandLine = GetCommandLineW();
    if (!FindLaunchSwitch(commandLine, L"StiEvent", event.eventName, kStiNameLength))
        return false;
    FindLaunchSwitch(commandLine, L"StiDevice", event.deviceName, kStiNameLength);
    return true;
}

// The event text of each launch is kept in "c:\tmp.txt", the only trace the
// program leaves. A drive root without write rights is no reason to stop.
void RecordLaunchEvent(const char* eventText)
{
    UniqueStdFile file(fopen("c:\\tmp.txt", "w"));
    if (file)
        fputs(eventText, file.get());
}

bool RegisterTrayClass(HINSTANCE instance)
{
    WNDCLASSA wc = {};
    wc.style = CS_HREDRAW | CS_VREDRAW;
    wc.lpfnWndProc = TrayWindowProc;
    wc.hInstance = instance;
    wc.hCursor = LoadCursor(nullptr, IDC_ARROW);
    wc.hbrBackground = static_cast<HBRUSH>(GetStockObject(WHITE_BRUSH));
    wc.lpszClassName = kTornelName;
    return RegisterClassA(&wc) != 0;
}

// Registers the class and creates the hidden TrayWindow; its WM_CREATE runs the
// whole start-up.
HWND CreateTrayWindow(HINSTANCE instance)
{
    g_shell.Instance = instance;
    RegisterTrayClass(instance);
    HWND window = CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kTornelName, kTornelName, WS_POPUP, 100, 100,
                                  100, 100, nullptr, nullptr, instance, nullptr);
    if (window) {
        ShowWindow(window, SW_HIDE);
        UpdateWindow(window);
    }
    g_shell.MainWindow = window;
    return window;
}

// Before the loop waits for the next message, the texts looked up since it last
// waited leave their one lookup record.
int RunMessageLoop()
{
    MSG msg;
    for (;;) {
        if (!PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE))
            WritePendingLookupRecord();
        BOOL got = GetMessageA(&msg, nullptr, 0, 0);
        if (got == 0 || got == -1)
            break;
        // A WM_TIMER's lParam is a function DispatchMessage calls. This program sets no
        // timer with one, so such a message was posted by another program: dropped.
        if (msg.message == WM_TIMER && msg.lParam != 0)
            continue;
        TranslateMessage(&msg);
        DispatchMessageA(&msg);
    }
    return static_cast<int>(msg.wParam);
}

int RunResidentInstance(HINSTANCE instance, bool show, int buttonNumber)
{
    CreateTrayWindow(instance);
    if (show)
        ShowButtonManager(g_shell.MainWindow);
    // The launch's own press runs beside the message loop, like every later one, so
    // the window answers (and ignores further presses) while the job runs.
    if (buttonNumber)
        StartButtonDispatch(buttonNumber);
    return RunMessageLoop();
}

// The launching process may find the mutex before the resident instance has made its
// window: it waits for the window, with a bound.
HWND WaitForResidentWindow()
{
    DWORD start = GetTickCount();
    for (;;) {
        HWND resident = FindWindowA(kTornelName, kTornelName);
        if (resident || GetTickCount() - start >= kResidentWindowWaitMs)
            return resident;
        Sleep(kResidentWindowPollMs);
    }
}

// The resident instance holds the mutex but its window did not appear in time or
// refused the press: a second start-up beside it would compete for the scanner and
// rewrite the settings, so the user is asked to press again instead.
void TellPressNotTaken()
{
    LoadInstalledLocalization();
    // The tables go with the process, which ends now: freeing them would write the
    // lookup record, and this process writes nothing.
    ShowLocalizedMessage(IDS_MSG_PRESS_NOT_TAKEN,
                         "Tornel is not ready to take the press yet. Press the button again in a moment.", nullptr,
                         MB_OK | MB_ICONEXCLAMATION);
}

// Windows lets a process bring a window to the front only while it is allowed to; this
// launch, which the user started, hands the right on to the resident instance so the
// Button manager opens in front. The function is looked up: a system without it has
// no such rule.
void LetResidentComeToFront(HWND resident)
{
    BOOL(WINAPI * allow)(DWORD process) = nullptr;
    DWORD residentProcess = 0;
    if (BindProc(GetModuleHandleA("user32.dll"), "AllowSetForegroundWindow", allow) &&
        GetWindowThreadProcessId(resident, &residentProcess) && residentProcess)
        allow(residentProcess);
}

int ForwardToResidentInstance(bool show, int buttonNumber)
{
    HWND resident = WaitForResidentWindow();
    // Returns once the resident instance has closed its dialog.
    if (show && resident) {
        LetResidentComeToFront(resident);
        SendMessageA(resident, WM_COMMAND, IDM_BUTTON_MANAGER, 0);
    }
    if (!buttonNumber)
        return 0;
    // The resident instance runs the press as it runs one from the engine: one
    // process holds the scanner, scans and writes the settings files. This process
    // writes nothing.
    if (resident && PostMessageA(resident, WM_TORNEL_BUTTON_PRESS, buttonNumber, 0))
        return 0;
    TellPressNotTaken();
    return 0;
}

// OCR to document runs in the language chosen before, also when the Button manager
// was not opened since the start.
void LoadOcrLanguageFromCountry()
{
    char country[260];
    GetLocalizedText(IDS_COUNTRY, country);
    LoadOcrLanguage(country);
}

}  // namespace

uint32_t ButtonCodeFromEventText(const char* eventText)
{
    for (const auto& event : kButtonEvents) {
        if (strcmp(eventText, event.guid) == 0)
            return event.buttonCode;
    }
    return 0;
}

bool IsShowCommand(const char* commandLine) { return commandLine && strcmp(commandLine, "/SHOW") == 0; }

void EventTextFromName(const wchar_t* eventName, char (&eventText)[kEventTextSize])
{
    // Converts as many characters as fit in the text's 65 bytes with its zero.
    int count = static_cast<int>(wcsnlen(eventName, kEventTextSize - 1));
    int written = 0;
    while (count > 0) {
        written = WideCharToMultiByte(CP_ACP, 0, eventName, count, eventText, sizeof eventText - 1, nullptr, nullptr);
        if (written > 0)
            break;
        --count;
    }
    eventText[written] = '\0';
    LowerAscii(eventText);
}

// The Still Image service starts a program with the command line it registered,
// which ends in the two switches: a start without them (the Run key, the Start menu,
// /SHOW) is no launch by an event and has nothing to ask the service, whose COM
// libraries would otherwise be loaded at every start.
void ReadLaunchEventText(HINSTANCE instance, char (&eventText)[kEventTextSize])
{
    eventText[0] = '\0';
    LaunchEvent switches = {};
    if (!ReadLaunchSwitches(switches))
        return;
    LaunchEvent event = {};
    if (!AskStillImageService(instance, event))
        event = switches;
    EventTextFromName(event.eventName, eventText);
}

int RunTornel(HINSTANCE instance, const char* commandLine)
{
    char eventText[kEventTextSize];
    ReadLaunchEventText(instance, eventText);
    RecordLaunchEvent(eventText);
    int buttonNumber = ButtonNumberFromCode(ButtonCodeFromEventText(eventText));
    bool show = IsShowCommand(commandLine);

    UniqueHandle mutex(CreateMutexA(nullptr, TRUE, kTornelName));
    DWORD error = GetLastError();
    if (error != ERROR_ALREADY_EXISTS)
        return RunResidentInstance(instance, show, buttonNumber);
    return ForwardToResidentInstance(show, buttonNumber);
}

bool StartResidentInstance(HWND window)
{
    ReportUnsavedSettingsTo(window, WM_TORNEL_SETTINGS_UNSAVED);
    LoadScanEngine();
    g_selections.OsType = ProbeOsType();
    SetOcrReportWindow(window);
    LoadButtonSettings();
    if (!LoadInstalledLocalization())
        return false;
    LoadOcrLanguageFromCountry();
    QueueEnginePressesTo(window);
    DecideScanner();
    return true;
}
