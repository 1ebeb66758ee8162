// The balloon a finished destination shows on the tray icon: what happened, in the
// localization's words (in English when the file has none), and for a saved page a
// click that opens its folder with the file selected. A setting turns them off.
#include <windows.h>

#include "common/handles.h"
#include "common/paths.h"
#include "common/process.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "dispatch/dispatch.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "shell/launch.h"
#include "shell/tray.h"

namespace {

struct BalloonText {
    int id;
    const char* english;  // for a localization file older than the balloons
};
// Indexed by DestinationResult.
constexpr BalloonText kBalloonTexts[] = {
    {IDS_TIP_DONE_SAVED, "Saved %s"},
    {IDS_TIP_DONE_OPENED, "Opened in %s"},
    {IDS_TIP_DONE_PRINTED, "Printed on %s"},
    {IDS_TIP_DONE_MAILED, "Handed to %s"},
};

// A press that cannot run while a job runs, and the functions it names.
constexpr BalloonText kBusyText = {IDS_TIP_BUSY, "Busy: scanning for %s. Press again when it is done."};
constexpr struct {
    int functionCode;
    BalloonText name;
} kFunctionNames[] = {
    {kFunctionApplication, {IDS_TIP_FUNCTION_APPLICATION, "Application"}},
    {kFunctionCopy, {IDS_TIP_FUNCTION_COPY, "Copy"}},
    {kFunctionMail, {IDS_TIP_FUNCTION_MAIL, "E-mail"}},
    {kFunctionFolder, {IDS_TIP_FUNCTION_FOLDER, "Folder"}},
};

struct BalloonRequest {
    char text[256];
    char savedFile[MAX_PATH];  // empty unless a page was saved
};

// The balloons waiting for the window thread. The request itself never travels in
// the message: any program can post that message, so it only wakes the window,
// which then takes what this queue holds. One job runs at a time, so a few places
// are plenty; when they are full the oldest request gives way.
// Written by the dispatching thread (PushBalloon), read and emptied by the window
// thread (PopBalloon), always under the lock.
struct BalloonQueue {
    static constexpr int kLength = 4;
    CriticalSection lock;
    BalloonRequest requests[kLength] = {};
    int first = 0;
    int count = 0;
};
BalloonQueue g_balloons;

void PushBalloon(const BalloonRequest& request)
{
    CriticalSectionLock held(g_balloons.lock.get());
    if (g_balloons.count == BalloonQueue::kLength) {
        g_balloons.first = (g_balloons.first + 1) % BalloonQueue::kLength;
        --g_balloons.count;
    }
    g_balloons.requests[(g_balloons.first + g_balloons.count) % BalloonQueue::kLength] = request;
    ++g_balloons.count;
}

bool PopBalloon(BalloonRequest& request)
{
    CriticalSectionLock held(g_balloons.lock.get());
    if (g_balloons.count == 0)
        return false;
    request = g_balloons.requests[g_balloons.first];
    g_balloons.first = (g_balloons.first + 1) % BalloonQueue::kLength;
    --g_balloons.count;
    return true;
}

// The saved file of the balloon last shown, for a click on it. Window thread only.
char g_balloonFile[MAX_PATH];

void GetBalloonText(const BalloonText& entry, char (&text)[256])
{
    if (!GetLocalizedText(entry.id, text))
        CopyString(text, entry.english);
}

bool BalloonsWanted()
{
    return g_shell.MainWindow.load() && BalloonsSwitchedOn();
}

// Runs on the dispatching thread: the window thread shows the balloon.
void SendBalloon(const BalloonRequest& request)
{
    PushBalloon(request);
    // A lost wake-up leaves the request for the next one.
    PostMessageA(g_shell.MainWindow, WM_TORNEL_SHOW_BALLOON, 0, 0);
}

void QueueBalloon(DestinationResult result, const char* what)
{
    if (!BalloonsWanted())
        return;
    BalloonRequest request = {};
    char text[256];
    GetBalloonText(kBalloonTexts[static_cast<int>(result)], text);
    // A saved page is named by its long path: the folder may be kept in its short form.
    if (result == DestinationResult::Saved) {
        DWORD length = GetLongPathNameA(what, request.savedFile, sizeof request.savedFile);
        if (length == 0 || length >= sizeof request.savedFile)
            CopyString(request.savedFile, what);
        what = request.savedFile;
    }
    FormatLocalizedText(request.text, text, what);
    SendBalloon(request);
}

// Runs on the refused press's thread, once per job; a click on it opens nothing.
void QueueBusyBalloon(int runningFunction)
{
    for (const auto& function : kFunctionNames) {
        if (function.functionCode != runningFunction || !BalloonsWanted())
            continue;
        BalloonRequest request = {};
        char text[256];
        char name[256];
        GetBalloonText(kBusyText, text);
        GetBalloonText(function.name, name);
        FormatLocalizedText(request.text, text, name);
        SendBalloon(request);
    }
}

}  // namespace

void ListenForDestinationResults()
{
    SetDestinationResultListener(QueueBalloon);
    SetRefusedPressListener(QueueBusyBalloon);
}

// The message's parameters are not looked at: a post from another program finds an
// empty queue and shows nothing.
LRESULT OnShowBalloon(HWND window)
{
    BalloonRequest request;
    while (PopBalloon(request)) {
        CopyString(g_balloonFile, request.savedFile);
        ShowTrayBalloon(window, request.text);
    }
    return 0;
}

void OpenBalloonFolder()
{
    char explorer[MAX_PATH];
    char arguments[MAX_PATH + 16];
    if (!g_balloonFile[0] || !WindowsFilePath(explorer, "explorer.exe") ||
        !FormatString(arguments, "/select,\"%s\"", g_balloonFile))
        return;
    StartProgram(explorer, arguments);
}
