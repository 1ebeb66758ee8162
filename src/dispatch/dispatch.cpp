#include "dispatch/dispatch.h"

#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
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
