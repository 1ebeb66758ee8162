#include "dispatch/dispatch.h"

#include "common/message_box.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

constexpr const char* kProgressSection = "Progress";

// The progress pictures of a function live in its own section of "Button.InI"
// and are published under [Progress] for the maker's other programs.
const char* ProgressSectionFor(int functionCode)
{
    switch (functionCode) {
    case kFunctionApplication:
        return "Image";
    case kFunctionCopy:
        return "Copy";
    case kFunctionMail:
        return "Mail";
    default:
        return nullptr;
    }
}

void CopyProgressEntry(const char* section, const char* fromKey, const char* toKey)
{
    char value[512];
    ReadIniString(kButtonFileName, section, fromKey, "", value);
    // An absent entry is published as an empty value, not deleted.
    WriteIniString(kButtonFileName, kProgressSection, toKey, value);
}

void PublishProgressEntries(int functionCode)
{
    const char* section = ProgressSectionFor(functionCode);
    CopyProgressEntry(section, "Progress1", "ScanTo_Image1");
    CopyProgressEntry(section, "Progress2", "ScanTo_Image2");
}

void RunDestination(int functionCode)
{
    switch (functionCode) {
    case kFunctionApplication:
        SetActiveDestination(Destination::Application);
        LaunchScanToApplication();
        break;
    case kFunctionCopy:
        SetActiveDestination(Destination::Printer);
        CopyToPrinter();
        break;
    case kFunctionMail:
        SetActiveDestination(Destination::Mail);
        ScanToEmail();
        break;
    default:
        break;
    }
}

// One function at a time, a press's or a re-send's: false while one runs.
bool TakePressClaim()
{
    bool idle = false;
    return g_scan.DispatchRunning.compare_exchange_strong(idle, true);
}

void ReleasePressClaim() { g_scan.DispatchRunning = false; }

void ShowLastScanGone(const char* path)
{
    char format[512];
    char text[1024];
    if (GetLocalizedText(IDS_MSG_LAST_SCAN_GONE, format))
        FormatLocalizedText(text, format, path);
    else
        FormatString(text, "The last scanned page %s is no longer there. Scan the page again.", path);
    ShowMessage(text, nullptr, MB_OK | MB_ICONEXCLAMATION);
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
    // One function at a time, whichever way its press came: a press while another
    // press's function runs is ignored.
    bool idle = false;
    if (!g_scan.DispatchRunning.compare_exchange_strong(idle, true))
        return 1;
    g_scan.JobAborted = 0;
    RunButtonFunction(buttonNumber, "Main");
    g_scan.DispatchRunning = false;
    return 1;
}

int DispatchButtonPress(int buttonNumber)
{
    // The running job's flags belong to it: a press it ignores clears nothing.
    if (g_scan.DispatchRunning.load())
        return 1;
    ClearActiveDestinations();
    return DispatchButton(buttonNumber);
}

int RunButtonFunction(int buttonNumber, const char* section)
{
    char key[16];
    FormatString(key, "%d", buttonNumber);
    int functionCode = ReadIniInt(kButtonFileName, section, key, 0);

    switch (functionCode) {
    case kFunctionApplication:
    case kFunctionCopy:
    case kFunctionMail:
        PublishProgressEntries(functionCode);
        RunDestination(functionCode);
        break;
    case kFunctionFolder:
        ScanToFolder();
        break;
    default:
        break;
    }
    return 1;
}

int ResendLastScan(int functionCode)
{
    if (!TakePressClaim())
        return 1;
    char path[260];
    // Before any scan there is nothing to send; the menu offers nothing then.
    if (LastFiledPage(path)) {
        if (FileExists(path))
            RunResend(functionCode, path);
        else
            ShowLastScanGone(path);
    }
    ReleasePressClaim();
    return 1;
}
