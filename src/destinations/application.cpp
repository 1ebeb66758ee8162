// Scan to application: the page is scanned to a BMP file and the default application
// that the user chose on the Application page is started with it.
#include <cstring>

#include "common/process.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "scan/scan.h"

bool IsOcrApplication(const char* displayName)
{
    return strstr(displayName, "Microsoft Word") || strstr(displayName, "Microsoft Excel") ||
           strstr(displayName, "Windows WordPad");
}

// The hand-off after the scan: the application starts with the page.
static int OpenInApplication(const DefaultApplication& application, const char* imagePath)
{
    char program[260];
    CopyString(program, application.file);
    StripOuterQuotes(program);
    char quotedImage[262];
    FormatString(quotedImage, "\"%s\"", imagePath);
    if (StartProgram(program, quotedImage) != ERROR_SUCCESS) {
        ShowStartFailure(program);
        return 0;
    }
    AnnounceDestinationResult(DestinationResult::Opened, application.name[0] ? application.name : program);
    return 1;
}

int LaunchScanToApplication(const ScanOrder& order)
{
    // The same entry that OCR takes as the default application.
    DefaultApplication application;
    ReadDefaultApplication(&application);
    if (IsOcrApplication(application.name)) {
        OcrToDocument(order);  // it makes its own scan
        return 1;
    }

    char imagePath[260];
    MakeOutputFileName(imagePath, "bmp");
    if (!RunScanJob(imagePath, order, kOutputFormatBmp))
        return 0;  // aborted: nothing is started and nothing more is shown
    return OpenInApplication(application, imagePath);
}

bool ApplicationTakesFiledPage(char (&name)[256])
{
    DefaultApplication application;
    ReadDefaultApplication(&application);
    CopyString(name, application.name[0] ? application.name : application.file);
    return !IsOcrApplication(application.name);
}

int ResendToApplication(const char* imagePath)
{
    DefaultApplication application;
    ReadDefaultApplication(&application);
    // OCR reads only the TIFF of its own scan: a filed BMP page is not offered to it.
    if (IsOcrApplication(application.name))
        return 0;
    return OpenInApplication(application, imagePath);
}
