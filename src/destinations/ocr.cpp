// OCR to document: when the default application is a word processor or a
// spreadsheet, the page is scanned to TIFF, an outside OCR program recognises it,
// and the document opens in the application. Runs on the dispatching thread.
#include <windows.h>

#include <atomic>
#include <cstring>
#include <string>

#include "common/message_box.h"
#include "common/process.h"
#include "common/registry.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

constexpr char kOcrApplicationKey[] = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\App Paths\\Sprint.exe";
// The OCR application shows its own progress and may wait for its user; past this
// the press stops waiting for it and looks for the document.
constexpr DWORD kOcrApplicationLimitMs = 600000;

// The window the OCR engine may report to. Written by the window thread at start-up,
// read by the dispatching thread.
std::atomic<HWND> g_reportWindow{nullptr};

// ---- Messages --------------------------------------------------------------------

void ShowInvalidOcrDestination()
{
    ShowLocalizedMessage(IDS_MSG_INVALID_OCR_DEST, nullptr, nullptr, MB_ICONEXCLAMATION, 64);
}

// The OCR program could not be started or left no document.
void ShowOcrEngineError() { ShowStartFailure("OCR enginer"); }

// The application could not be started on the document: its path and the system's code.
void ShowStartError(const char* program, DWORD error)
{
    char format[1024];
    if (!GetLocalizedText(IDS_START_FAILED, format))
        CopyString(format, "The program \"%s\" could not be started.");
    AppendString(format, " Error Code : %lu");
    char text[1024];
    FormatLocalizedText(text, format, program, error);
    ShowMessage(text);
}

// ---- Programs ----------------------------------------------------------------------

// The default application on the document, which runs on its own. The application's
// path as stored may carry quotes; the program start adds its own. True when started.
bool OpenDocument(const char* application, const char* documentPath)
{
    char program[260];
    CopyString(program, application);
    StripOuterQuotes(program);
    std::string document = std::string("\"") + documentPath + "\"";
    DWORD error = StartProgram(program, document.c_str());
    if (error != ERROR_SUCCESS)
        ShowStartError(application, error);
    return error == ERROR_SUCCESS;
}

// ---- Files -------------------------------------------------------------------------

struct OcrFiles {
    char image[260];
    char document[260];
};

void NameFiles(int kind, OcrFiles* files)
{
    MakeOutputFileName(files->image, "tif");
    MakeOutputFileName(files->document, kind == kExcelDocument ? "xls" : "rtf");
}

// False, with nothing shown, when the scan was aborted or left no image.
bool ScanPage(const OcrFiles& files, const ScanOrder& order)
{
    return RunScanJob(files.image, order, kOutputFormatTiff) && FileExists(files.image);
}

void DeleteImageIfAsked(const char* imagePath)
{
    if (DeleteOcrImageWanted())
        DeleteFileA(imagePath);
}

// The OCR application's path from App Paths, without quotes; false when it names no file.
bool FindOcrApplication(char (&path)[260])
{
    DWORD type = 0;
    if (!ReadRegistryText(HKEY_LOCAL_MACHINE, kOcrApplicationKey, nullptr, path, sizeof path, &type))
        return false;
    if (type == REG_EXPAND_SZ) {
        char expanded[260];
        DWORD length = ExpandEnvironmentStringsA(path, expanded, sizeof expanded);
        if (length == 0 || length > sizeof expanded)
            return false;
        CopyString(path, expanded);
    }
    if (!FileExists(path))
        return false;
    StripOuterQuotes(path);
    return true;
}

bool ContainsNoCase(const char* text, const char* part)
{
    const size_t length = strlen(part);
    for (; *text; ++text) {
        if (_strnicmp(text, part, length) == 0)
            return true;
    }
    return false;
}

// The engine presents a Word document itself when the first OCR destination is Word.
bool FirstOcrDestinationIsWord()
{
    char name[32];
    ReadDestinationName(PageList::OcrDestinations, 0, name);
    return strcmp(name, "Microsoft Word") == 0;
}

// After the OCR program: the document opens in the application unless the program
// delivered it there itself; the image goes as "DeleteOcrImage" says, whatever happened.
int FinishOcr(bool delivered, bool sendMode, const DefaultApplication& application, const OcrFiles& files)
{
    if (!delivered)
        ShowOcrEngineError();
    else if (sendMode || OpenDocument(application.file, files.document))
        AnnounceDestinationResult(DestinationResult::Opened, application.name);
    DeleteImageIfAsked(files.image);
    return delivered ? 1 : 0;
}

}  // namespace

void SetOcrReportWindow(HWND window) { g_reportWindow = window; }

int GetOcrEngineFolder(char* buffer, size_t size)
{
    ReadKelmioUserPath("", buffer, size);
    AppendBackslash(buffer, size);
    AppendString(buffer, size, "OcrDrv\\");
    return 1;
}

int OcrToDocument(const ScanOrder& order)
{
    char ocrApplication[260];
    if (!FindOcrApplication(ocrApplication)) {
        ShowInvalidOcrDestination();
        return 0;
    }
    DefaultApplication application;
    ReadDefaultApplication(&application);
    // EXCEL.EXE is how the program is usually spelled on disk.
    const int kind = ContainsNoCase(application.file, "excel.exe") ? kExcelDocument : kWordDocument;
    const bool sendMode = kind == kExcelDocument;
    const int32_t language = g_selections.OcrLanguage.load();
    if (language == kOcrTraditionalChinese || language == kOcrSimplifiedChinese)
        return OcrWithEngine(kind, order);

    OcrFiles files;
    NameFiles(kind, &files);
    if (!ScanPage(files, order))
        return 0;
    std::string arguments = std::string("\"") + files.image + "\"";
    // Document paths have blanks ("Documents and Settings"): the path is quoted.
    arguments += sendMode ? std::string(" /send MSExcel") : std::string(" /out \"") + files.document + "\"";
    const bool started = RunProgram(ocrApplication, arguments.c_str(), kOcrApplicationLimitMs) == ERROR_SUCCESS;
    // In send mode the application hands the text to the spreadsheet itself.
    const bool delivered = started && (sendMode || WaitForDocument(files.document, DocumentDone::Closed));
    return FinishOcr(delivered, sendMode, application, files);
}

int OcrWithEngine(int kind, const ScanOrder& order)
{
    const bool sendMode = kind == kExcelDocument || FirstOcrDestinationIsWord();
    DefaultApplication application;
    ReadDefaultApplication(&application);
    if (!FileExists(static_cast<const char*>(application.file))) {
        ShowInvalidOcrDestination();
        return 0;
    }
    char folder[260];
    GetOcrEngineFolder(folder, sizeof folder);
    char engine[300];
    char settingsPath[300];
    if (!FormatString(engine, "%sLxOcr.exe", folder) || !FormatString(settingsPath, "%sLxOcr.ini", folder) ||
        !FileExists(static_cast<const char*>(engine))) {
        ShowLocalizedMessage(IDS_ERROR_OCR, nullptr, nullptr);
        return 0;
    }
    OcrFiles files;
    NameFiles(kind, &files);
    if (!ScanPage(files, order))
        return 0;
    OcrSettings settings = {};
    settings.imagePath = files.image;
    settings.documentPath = files.document;
    settings.fileType = kind == kExcelDocument ? "XLS" : "RTF";
    const int32_t language = g_selections.OcrLanguage.load();
    settings.languageName = language == kOcrTraditionalChinese  ? "Traditional Chinese"
                            : language == kOcrSimplifiedChinese ? "Simplified Chinese"
                                                                : "English";
    settings.notifyWindow = g_reportWindow.load();
    settings.sendMode = sendMode;
    // A job file that could not be written would leave the engine on the last job.
    if (!WriteOcrSettings(settings, settingsPath))
        return FinishOcr(false, sendMode, application, files);

    // The engine is not waited for: the document shows that it worked. In send mode
    // the application it opens keeps the document open.
    const std::string arguments = std::string("/d=") + settingsPath;
    const DocumentDone done = sendMode ? DocumentDone::Settled : DocumentDone::Closed;
    const bool delivered =
        StartProgram(engine, arguments.c_str()) == ERROR_SUCCESS && WaitForDocument(files.document, done);
    return FinishOcr(delivered, sendMode, application, files);
}
