// A button press becomes a ButtonNumber, "Button.InI" [Main] names the function it
// runs, and the function's destination runs to its end on the calling thread.
#include <cstring>

#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "scan/scan.h"

ScanState g_scan;

namespace {

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

void CopyProgressEntry(const char* iniPath, const char* section, const char* fromKey, const char* toKey)
{
    char value[512];
    GetPrivateProfileStringA(section, fromKey, "", value, sizeof value, iniPath);
    // An absent entry is published as an empty value, not deleted.
    WritePrivateProfileStringA("Progress", toKey, value, iniPath);
}

void PublishProgressEntries(const char* iniPath, int functionCode)
{
    const char* section = ProgressSectionFor(functionCode);
    CopyProgressEntry(iniPath, section, "Progress1", "ScanTo_Image1");
    CopyProgressEntry(iniPath, section, "Progress2", "ScanTo_Image2");
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

void ClearActiveDestinations()
{
    g_scan.ActiveApplication = 0;
    g_scan.ActivePrinter = 0;
    g_scan.ActiveMail = 0;
    g_scan.ActiveFolder = 0;
}

void SetActiveDestination(Destination destination)
{
    switch (destination) {
    case Destination::Application:
        g_scan.ActiveApplication = 1;
        break;
    case Destination::Printer:
        g_scan.ActivePrinter = 1;
        break;
    case Destination::Mail:
        g_scan.ActiveMail = 1;
        break;
    case Destination::Folder:
        g_scan.ActiveFolder = 1;
        break;
    }
}

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
    char iniPath[MAX_PATH];
    if (!WindowsFilePath(iniPath, "Button.InI"))
        return 1;
    char key[16];
    FormatString(key, "%d", buttonNumber);
    int functionCode = static_cast<int>(GetPrivateProfileIntA(section, key, 0, iniPath));

    switch (functionCode) {
    case kFunctionApplication:
    case kFunctionCopy:
    case kFunctionMail:
        PublishProgressEntries(iniPath, functionCode);
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

void GetScanArea(int32_t area[4], int /*docType: the area does not depend on it*/, int buttonKind)
{
    int areaIndex = (buttonKind >= 0 && buttonKind < kButtonKindCount) ? ReadButtonSetting(buttonKind).Area : 0;
    ScanAreaForIndex(areaIndex, area);
    ClampScanArea(area, g_scan.MaxWidth, g_scan.MaxHeight);
}
