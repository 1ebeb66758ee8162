// Destinations: what happens to a scanned image after the scan. Each runs on the
// dispatching thread, names its file, runs a scan job and hands the result on.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>

struct ScanOrder;  // what the press decided for its scan (scan/scan.h)

// Scan to application: scans to a BMP file and starts the default application of
// [Tornel_Application] with it; word processors and spreadsheets go to OCR instead.
int LaunchScanToApplication(const ScanOrder& order);
// Copy to printer: scans to a BMP file and prints it on the printer the Copy page
// shows, at its natural size. 1 when printed.
int CopyToPrinter(const ScanOrder& order);
// Prints a BMP file of the given scan resolution once, centred on one page of the
// named printer, in bands of at most 100 rows; failures are shown here. The driver
// and port names are not needed: the spooler knows the printer by name. 1 or 0.
int PrintScannedImage(const char* driver, const char* printer, const char* port, const char* path,
                      int32_t resolution);
// Scan to e-mail: scans to a BMP file and hands it to the mail service library, the
// chosen mail client being the system's default for the call. 1 when handed over.
int ScanToEmail(const ScanOrder& order);
// The hand-off after the scan: the mail system's client becomes the system's default,
// the library at libraryPath gets the image, and the earlier default is put back.
// False when the library or its entry is missing.
bool HandToMailService(const char* identifier, const char* libraryPath, const char* imagePath);
// Where the default mail client is named: the machine's key, the user's key, and
// whether the system reads the user's first (Vista and later).
struct MailDefaultKeys {
    HKEY machine;
    HKEY user;
    bool userDefaultHonoured;
};
// HandToMailService over the given keys. The machine's default is switched; the
// user's too when it is read first and holds a value, or alone when the machine's
// cannot be written. When neither could be switched, the page goes to the default
// there is and the user is told once which program that is.
bool HandToMailServiceWith(const MailDefaultKeys& keys, const char* identifier, const char* libraryPath,
                           const char* imagePath);
// Writes the unsent draft of a page beside it ("X-Unsent: 1", MIME, the page attached
// in base64 under its file name, the localized subject and text); never over an
// existing file. False when it could not be written whole.
bool WriteMailDraft(const char* imagePath, char* draftPath, size_t size);
// OCR to document: the page is scanned to TIFF, recognised by the OCR application
// (the OCR engine for the Chinese languages) and the document opened in the default
// application, or delivered by the OCR program itself for a spreadsheet.
int OcrToDocument(const ScanOrder& order);
// The OCR engine's route for a DocumentKind.
int OcrWithEngine(int kind, const ScanOrder& order);
// The OCR engine's folder: "UserPath" of "kelmio32.ini" with "OcrDrv\". Always 1.
int GetOcrEngineFolder(char* buffer, size_t size);
// The program's main window, which the OCR engine is told it may report to.
void SetOcrReportWindow(HWND window);

// DocumentKind: what OCR makes for the default application.
constexpr int kWordDocument = 7;   // "rtf", engine file type "RTF"
constexpr int kExcelDocument = 8;  // "xls", engine file type "XLS"

// What shows that the OCR program has written the document.
enum class DocumentDone {
    // Not empty and no program holds it open: Tornel opens it next.
    Closed,
    // Not empty and no longer growing: the OCR program presents it itself, in an
    // application that keeps it open.
    Settled,
};
// Waits until the OCR program has written the document. Looked at once a second;
// false when the file has neither appeared nor grown for the wait's limit.
bool WaitForDocument(const char* path, DocumentDone done);
// Tests shorten the limit; 0 restores it (120 s).
void SetOcrDocumentWaitLimitForTests(DWORD milliseconds);
// Scan to folder: the page is stored under a dated, numbered name in the chosen folder.
int ScanToFolder(const ScanOrder& order);

// True when the application's display name is a word processor or a spreadsheet
// whose documents come from OCR.
bool IsOcrApplication(const char* displayName);

// ---- Sending a filed page again ---------------------------------------------------
// Each runs the hand-off of a destination on a page already on disk, without a scan;
// it shows its failures and announces its result as after a press. 1 when handed on.

// The application opens the page; nothing for an OCR application (see below).
int ResendToApplication(const char* imagePath);
// False when the default application is an OCR one, which reads only the TIFF of its
// own scan; name gets the application's name either way.
bool ApplicationTakesFiledPage(char (&name)[256]);
// The Copy printer prints the page at its natural size from the resolution it names.
int ResendToPrinter(const char* imagePath);
// The mail program (or a draft without one) gets the page attached.
int ResendToMail(const char* imagePath);
// The page is copied into the chosen folder under a new dated name.
int ResendToFolder(const char* imagePath);
// Where a press would hand its page: the mail program by the name the user knows, the
// chosen folder (empty when there is none).
void MailProgramName(char (&program)[257]);
void ChosenFolderName(char (&folder)[260]);

// The printer copies go to, as the Copy page shows it.
struct CopyPrinter {
    char printer[256] = {};
    char driver[256] = {};
    char port[256] = {};
};
// 0 and the printer filled, or the id of the text that says why there is none.
int FindCopyPrinter(CopyPrinter* out);
// Prints a page on the printer once; resolution 0 takes the one the file names.
// Announces the print. 1 when printed.
int PrintCopy(const CopyPrinter& printer, const char* imagePath, int32_t resolution);
// The draft route's hand-off: the page goes out as an unsent draft, or is shown to be
// attached by hand. 1 when the draft opened.
int MailDraftOfPage(const char* imagePath);

// ---- A finished hand-off ---------------------------------------------------------

// What a destination did with the page.
enum class DestinationResult { Saved, Opened, Printed, Mailed };
// Told by a destination whose hand-off succeeded, on the dispatching thread: the path
// of the saved file, or the name of the application, printer or mail client.
void AnnounceDestinationResult(DestinationResult result, const char* what);
// The listener (the tray, which shows it); nullptr: nobody listens.
using DestinationResultListener = void (*)(DestinationResult result, const char* what);
void SetDestinationResultListener(DestinationResultListener listener);
