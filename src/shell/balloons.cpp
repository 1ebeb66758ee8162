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
#include "i18n/i18n.h"
#include "resource.h"
#include "shell/launch.h"
#include "shell/tray.h"

namespace {

constexpr char kNotificationSection[] = "Notification";

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

// Runs on the dispatching thread: the window thread shows the balloon.
void QueueBalloon(DestinationResult result, const char* what)
{
    HWND window = g_shell.MainWindow;
    if (!window || ReadIniInt(kConfigFileName, kNotificationSection, "Balloons", 1) == 0)
        return;
    BalloonRequest request = {};
    const BalloonText& entry = kBalloonTexts[static_cast<int>(result)];
    char text[256];
    if (!GetLocalizedText(entry.id, text))
        CopyString(text, entry.english);
    // A saved page is named by its long path: the folder may be kept in its short form.
    if (result == DestinationResult::Saved) {
        DWORD length = GetLongPathNameA(what, request.savedFile, sizeof request.savedFile);
        if (length == 0 || length >= sizeof request.savedFile)
            CopyString(request.savedFile, what);
        what = request.savedFile;
    }
    FormatLocalizedText(request.text, text, what);
    PushBalloon(request);
    // A lost wake-up leaves the request for the next one.
    PostMessageA(window, WM_TORNEL_SHOW_BALLOON, 0, 0);
}

}  // namespace

void ListenForDestinationResults() { SetDestinationResultListener(QueueBalloon); }

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
