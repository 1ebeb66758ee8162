#include "dispatch/dispatch.h"

#include <atomic>

#include "common/handles.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

// The press claim in one value, so that checking and taking it is one step: 0 while
// idle; kClaimHeld plus the running job's FunctionCode (0 for none of the four) while a
// job runs; kClaimClosed added once the program closes.
constexpr int kClaimHeld = 0x100;
constexpr int kClaimClosed = 0x200;
constexpr int kClaimFunctionMask = 0xff;

// State of the press claim, shared by every thread that brings a press.
struct PressClaimState {
    // Taken and released by the thread that runs the job (the engine's button thread, a
    // dispatch thread of the window); closed by the window thread at the end; read by
    // every press that arrives.
    std::atomic<int> Claim{0};
    // Set by the first press refused during a job; cleared by the job's release before
    // the claim is free again.
    std::atomic<bool> RefusalTold{false};
    // Set by the window thread at start-up; read by a refused press's thread.
    std::atomic<RefusedPressListener> Listener{nullptr};
    // Signalled by each release; waited on by the closing window thread.
    UniqueHandle Released{CreateEventA(nullptr, FALSE, FALSE, nullptr)};
};
PressClaimState g_press;

// The ButtonKind whose progress pictures a function publishes, else -1.
int ProgressKindOf(int functionCode)
{
    return functionCode == kFunctionApplication ? kKindImage
           : functionCode == kFunctionCopy      ? kKindCopy
           : functionCode == kFunctionMail      ? kKindMail
                                                : -1;
}

void RunDestination(int functionCode)
{
    switch (functionCode) {
    case kFunctionApplication:
        SetActiveDestination(Destination::Application);
        LaunchScanToApplication(ScanOrderFor(kKindImage));
        break;
    case kFunctionCopy:
        SetActiveDestination(Destination::Printer);
        CopyToPrinter(ScanOrderFor(kKindCopy));
        break;
    case kFunctionMail:
        SetActiveDestination(Destination::Mail);
        ScanToEmail(ScanOrderFor(kKindMail));
        break;
    case kFunctionFolder:
        SetActiveDestination(Destination::Folder);
        ScanToFolder(ScanOrderFor(kKindMyFolder));
        break;
    default:
        break;
    }
}

// Application, copy and mail publish their progress pictures; the folder has none.
void RunFunction(int functionCode)
{
    PublishProgressPictures(ProgressKindOf(functionCode));
    RunDestination(functionCode);
}

// A refused claim during a job is acknowledged once for that job; a closing program
// refuses without a word.
void TellRefusal(int claim)
{
    if (claim & kClaimClosed || g_press.RefusalTold.exchange(true))
        return;
    if (RefusedPressListener listener = g_press.Listener.load())
        listener(claim & kClaimFunctionMask);
}

void ShowLastScanGone(const char* path)
{
    ShowLocalizedMessage(IDS_MSG_LAST_SCAN_GONE, "The last scanned page %s is no longer there. Scan the page again.",
                         path, MB_OK | MB_ICONEXCLAMATION);
}

void RunResend(int functionCode, const char* path)
{
    switch (functionCode) {
    case kFunctionApplication:
        ResendToApplication(path);
        break;
    case kFunctionCopy:
        ResendToPrinter(path);
        break;
    case kFunctionMail:
        ResendToMail(path);
        break;
    case kFunctionFolder:
        ResendToFolder(path);
        break;
    default:
        break;
    }
}

}  // namespace

int ButtonNumberFromCode(uint32_t buttonCode)
{
    if (buttonCode == 0)
        return 0;
    int number = 1;
    while (!(buttonCode & 1u)) {
        buttonCode >>= 1;
        ++number;
    }
    return number;
}

int DispatchButton(int buttonNumber)
{
    int functionCode = ReadButtonFunction(buttonNumber);
    if (!TryClaimPress(functionCode))
        return 1;
    // Under the claim: the flags of the job before are cleared only once it has ended.
    ClearActiveDestinations();
    g_scan.JobAborted = 0;
    RunFunction(functionCode);
    ReleasePress();
    return 1;
}

int RunButtonFunction(int buttonNumber, const char* section)
{
    RunFunction(ReadButtonFunction(buttonNumber, section));
    return 1;
}

bool TryClaimPress(int functionCode)
{
    bool named = functionCode == kFunctionApplication || functionCode == kFunctionCopy ||
                 functionCode == kFunctionMail || functionCode == kFunctionFolder;
    int idle = 0;
    if (g_press.Claim.compare_exchange_strong(idle, kClaimHeld | (named ? functionCode : 0)))
        return true;
    TellRefusal(idle);
    return false;
}

void ReleasePress()
{
    g_press.RefusalTold = false;
    // Keeps only the closed mark: a job that ends after the close opens nothing again.
    g_press.Claim.fetch_and(kClaimClosed);
    SetEvent(g_press.Released.get());
}

bool PressRunning() { return (g_press.Claim.load() & kClaimHeld) != 0; }

void StopTakingPresses() { g_press.Claim.fetch_or(kClaimClosed); }

bool WaitForPressEnd(uint32_t limitMs)
{
    const DWORD start = GetTickCount();
    // Each release signals the event; one left from an earlier release only makes the
    // loop look at the claim once more.
    while (g_press.Claim.load() & kClaimHeld) {
        DWORD waited = GetTickCount() - start;
        if (waited >= limitMs || WaitForSingleObject(g_press.Released.get(), limitMs - waited) == WAIT_FAILED)
            return false;
    }
    return true;
}

void SetRefusedPressListener(RefusedPressListener listener) { g_press.Listener = listener; }

int ResendLastScan(int functionCode)
{
    if (!TryClaimPress(functionCode))
        return 1;
    char path[260];
    // Before any scan there is nothing to send; the menu offers nothing then.
    if (LastFiledPage(path)) {
        if (FileExists(path))
            RunResend(functionCode, path);
        else
            ShowLastScanGone(path);
    }
    ReleasePress();
    return 1;
}
