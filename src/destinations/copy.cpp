// Copy to printer: the page is scanned to a BMP file and printed once, at its natural
// size, centred on one page of the printer the Copy page shows. The file is streamed
// in bands of at most 100 rows (and 1 MB), so a 600 dpi colour page never sits in
// memory whole.
#include <windows.h>

#include <cstring>

#include "common/handles.h"
#include "common/message_box.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/bmp_bands.h"
#include "destinations/destinations.h"
#include "i18n/i18n.h"
#include "resource.h"
#include "scan/scan.h"

namespace {

// Localized texts of this destination are fetched into buffers of this size.
constexpr int kMessageSize = 64;

// The printer entry copies go to: the one named by PrinterName0 (the Copy page's
// choice) when it is listed, else the entry discovery selected. 0 when neither is
// among 1..count.
int ChoosePrinterEntry(int count)
{
    char chosen[256];
    ReadChosenPrinter(chosen);
    if (const int listed = chosen[0] ? FindPrinterEntry(chosen, count) : 0)
        return listed;
    const int selected = g_selections.SelectedPrinterIndex;
    return selected >= 1 && selected <= count ? selected : 0;
}

size_t ReadFileAt(void* context, uint64_t offset, void* buffer, size_t size)
{
    HANDLE file = static_cast<HANDLE>(context);
    LARGE_INTEGER position;
    position.QuadPart = static_cast<LONGLONG>(offset);
    if (!SetFilePointerEx(file, position, nullptr, FILE_BEGIN))
        return 0;
    size_t done = 0;
    while (done < size) {
        DWORD got = 0;
        DWORD chunk = static_cast<DWORD>(size - done > 0x100000 ? 0x100000 : size - done);
        if (!ReadFile(file, static_cast<uint8_t*>(buffer) + done, chunk, &got, nullptr) || got == 0)
            break;
        done += got;
    }
    return done;
}

bool ReadPrinterPage(HDC dc, PrinterPage* page)
{
    page->horzRes = GetDeviceCaps(dc, HORZRES);
    page->vertRes = GetDeviceCaps(dc, VERTRES);
    page->dpiX = GetDeviceCaps(dc, LOGPIXELSX);
    page->dpiY = GetDeviceCaps(dc, LOGPIXELSY);
    // Some virtual printers report zeros; nothing can be placed on such a page.
    return page->horzRes > 0 && page->vertRes > 0 && page->dpiX > 0 && page->dpiY > 0;
}

// One document of one page. Once the document has started, a failure abandons it,
// so no half-drawn page reaches the printer.
class PrintDocument {
public:
    explicit PrintDocument(HDC dc) : dc_(dc) {}
    ~PrintDocument()
    {
        if (started_)
            AbortDoc(dc_);
    }
    PrintDocument(const PrintDocument&) = delete;
    PrintDocument& operator=(const PrintDocument&) = delete;

    bool Start()
    {
        DOCINFOA doc = {};
        doc.cbSize = sizeof doc;
        doc.lpszDocName = "TAVEN Tornel";
        if (StartDocA(dc_, &doc) <= 0)
            return false;
        started_ = true;
        return StartPage(dc_) > 0;
    }
    bool Finish()
    {
        if (EndPage(dc_) <= 0 || EndDoc(dc_) <= 0)
            return false;
        started_ = false;
        return true;
    }

private:
    HDC dc_;
    bool started_ = false;
};

bool DrawBands(HDC dc, BmpBandReader& reader, const PrintLayout& layout)
{
    // A short file holds only the bottom rows: the rows above them stay blank.
    const uint32_t bandRows = reader.layout().bandRows;
    Band band;
    for (uint32_t done = reader.firstRowInFile(); NextBand(layout, bandRows, done, &band); done += band.rows) {
        if (!reader.ReadBand(band.firstRow, band.rows))
            return false;
        // A band too thin to cover a device row is left out.
        if (band.height == 0 || layout.width == 0)
            continue;
        const int drawn = StretchDIBits(dc, layout.x, band.y, layout.width, band.height, 0, 0,
                                        static_cast<int>(layout.sourceWidth), static_cast<int>(band.rows),
                                        reader.bits(), reinterpret_cast<const BITMAPINFO*>(reader.info()),
                                        DIB_RGB_COLORS, SRCCOPY);
        if (drawn <= 0)
            return false;
    }
    return true;
}

}  // namespace

int PrintScannedImage(const char* /*driver*/, const char* printer, const char* /*port*/, const char* path,
                      int32_t resolution)
{
    // The port argument is ignored by Windows and breaks the job elsewhere: none is given.
    UniqueDc dc(CreateDCA("WINSPOOL", printer, nullptr, nullptr));
    if (!dc) {
        ShowLocalizedMessage(IDS_MSG_CAN_NOT_PRINT, nullptr, nullptr, MB_OK | MB_ICONEXCLAMATION, kMessageSize);
        return 0;
    }
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!file) {
        char text[300 + MAX_PATH];
        FormatString(text, "File %s open error", path);
        ShowMessage(text, nullptr, MB_OK);
        return 0;
    }
    LARGE_INTEGER fileSize;
    BmpBandReader reader;
    PrinterPage page;
    PrintLayout layout;
    if (!GetFileSizeEx(file.get(), &fileSize) ||
        reader.Open(ReadFileAt, file.get(), static_cast<uint64_t>(fileSize.QuadPart)) != BmpCheck::Ok ||
        !ReadPrinterPage(dc.get(), &page) ||
        !ComputePrintLayout(page, reader.layout().width, reader.layout().height,
                            resolution > 0 ? resolution : reader.layout().resolution, &layout)) {
        ShowLocalizedMessage(IDS_MSG_CAN_NOT_PRINT, nullptr, nullptr, MB_OK | MB_ICONEXCLAMATION, kMessageSize);
        return 0;
    }
    if (!reader.AllocateBand()) {
        ShowLocalizedMessage(IDS_MSG_NOT_ENOUGH_MEMORY, nullptr, nullptr, MB_OK | MB_ICONEXCLAMATION, kMessageSize);
        return 0;
    }
    PrintDocument document(dc.get());
    if (!document.Start() || !DrawBands(dc.get(), reader, layout) || !document.Finish()) {
        ShowLocalizedMessage(IDS_MSG_CAN_NOT_PRINT, nullptr, nullptr, MB_OK | MB_ICONEXCLAMATION, kMessageSize);
        return 0;
    }
    return 1;
}

int FindCopyPrinter(CopyPrinter* out)
{
    const int count = ReadPrinterCount(0);
    if (count < 1 || !SystemHasDefaultPrinter())
        return IDS_MSG_NO_PRINTER;
    const int entry = ChoosePrinterEntry(count);
    if (entry == 0)
        return IDS_MSG_CAN_NOT_PRINT;
    ReadPrinterEntry(entry, out->printer, out->driver, out->port);
    return 0;
}

int PrintCopy(const CopyPrinter& printer, const char* imagePath, int32_t resolution)
{
    if (!PrintScannedImage(printer.driver, printer.printer, printer.port, imagePath, resolution))
        return 0;
    AnnounceDestinationResult(DestinationResult::Printed, printer.printer);
    return 1;
}

// FindCopyPrinter, saying why when there is none.
static bool ChooseCopyPrinter(CopyPrinter* printer)
{
    const int failure = FindCopyPrinter(printer);
    if (failure)
        ShowLocalizedMessage(failure, nullptr, nullptr,
                             MB_OK | (failure == IDS_MSG_NO_PRINTER ? MB_ICONHAND : MB_ICONEXCLAMATION), kMessageSize);
    return failure == 0;
}

int CopyToPrinter(const ScanOrder& order)
{
    CopyPrinter printer;
    if (!ChooseCopyPrinter(&printer))
        return 0;
    char imagePath[260];
    MakeOutputFileName(imagePath, "bmp");
    if (!RunScanJob(imagePath, order, kOutputFormatBmp))
        return 0;  // aborted: nothing is printed and nothing more is shown
    // The print takes the resolution the job scanned at, not the setting as it is now.
    return PrintCopy(printer, imagePath, g_scan.JobResolution.load());
}

int ResendToPrinter(const char* imagePath)
{
    CopyPrinter printer;
    if (!ChooseCopyPrinter(&printer))
        return 0;
    // The page says the resolution it was scanned at.
    return PrintCopy(printer, imagePath, 0);
}
