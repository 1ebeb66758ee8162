// Scan to application: the page is scanned to a BMP file and the default application
// that the user chose on the Application page is started with it.
#include <windows.h>

#include <atomic>
#include <cstring>

#include "common/handles.h"
#include "common/paths.h"
#include "common/strings.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "scan/scan.h"

namespace {

constexpr char kApplicationSection[] = "Tornel_Application";
constexpr size_t kCommandLineSize = 520;

// Written by tests before a press; read by the dispatching thread.
std::atomic<DestinationMessageBox> g_messageBox{nullptr};

int ShowDestinationMessage(const char* text)
{
    DestinationMessageBox show = g_messageBox.load();
    if (!show)
        show = &MessageBoxA;
    return show(GetFocus(), text, nullptr, MB_OK);
}

void ReportStartFailure(const char* program)
{
    char text[kCommandLineSize + 64];
    FormatStartFailure(text, program);
    ShowDestinationMessage(text);
}

bool StartApplication(char* commandLine)
{
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, CREATE_DEFAULT_ERROR_MODE | NORMAL_PRIORITY_CLASS,
                        nullptr, nullptr, &startup, &process))
        return false;
    // The application runs on its own; nothing here waits for it.
    UniqueHandle thread(process.hThread);
    UniqueHandle started(process.hProcess);
    return true;
}

}  // namespace

void SetDestinationMessageBoxForTests(DestinationMessageBox show) { g_messageBox = show; }

void StripOuterQuotes(char* text)
{
    size_t length = strlen(text);
    if (length > 0 && text[length - 1] == '"')
        text[--length] = '\0';
    if (length > 0 && text[0] == '"')
        memmove(text, text + 1, length);
}

bool IsOcrApplication(const char* displayName)
{
    return strstr(displayName, "Microsoft Word") || strstr(displayName, "Microsoft Excel") ||
           strstr(displayName, "Windows WordPad");
}

bool BuildApplicationCommandLine(char* out, size_t size, const char* program, const char* imagePath)
{
    return FormatString(out, size, "%s \"%s\"", program, imagePath);
}

int LaunchScanToApplication()
{
    char iniPath[MAX_PATH];
    WindowsFilePath(iniPath, "kmconfig.ini");
    char id[20];
    GetPrivateProfileStringA(kApplicationSection, "DefaultID", "1", id, sizeof id, iniPath);
    char key[260];
    FormatString(key, "%s%s", "ApFileName", id);
    char program[260];
    GetPrivateProfileStringA(kApplicationSection, key, "", program, sizeof program, iniPath);
    FormatString(key, "%s%s", "ApName", id);
    char displayName[256];
    GetPrivateProfileStringA(kApplicationSection, key, "", displayName, sizeof displayName, iniPath);
    StripOuterQuotes(program);

    if (IsOcrApplication(displayName)) {
        OcrToDocument();  // it makes its own scan
        return 1;
    }

    char imagePath[260];
    MakeOutputFileName(imagePath, "bmp");
    if (!RunScanJob(imagePath, kKindImage, kOutputFormatBmp))
        return 0;  // aborted: nothing is started and nothing more is shown

    char commandLine[kCommandLineSize];
    if (!BuildApplicationCommandLine(commandLine, sizeof commandLine, program, imagePath) ||
        !StartApplication(commandLine)) {
        ReportStartFailure(program);
        return 0;
    }
    return 1;
}
