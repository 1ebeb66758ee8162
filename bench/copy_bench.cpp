// Copy to printer with a 600 dpi A4 colour page (about 104 MB as BMP), printed on a
// printer whose port is a file: the peak memory growth while the copy prints, and
// its time against sending the whole image in one StretchDIBits (the image read
// into memory whole), in the same process. Three rounds of each; times are medians.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <new>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "figures.h"
#include "common/handles.h"
#include "common/message_box.h"
#include "destinations/destinations.h"

namespace {

constexpr char kPrinter[] = "Tornel Bench Copy";
constexpr int kWidth = 4960, kHeight = 7016, kResolution = 600;

std::string g_folder;

int Run(const std::string& arguments)
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string line = std::string(exe);
    line = "\"" + line.substr(0, line.find_last_of('\\') + 1) + "add_test_printer.exe\" " + arguments;
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &process))
        return -1;
    DWORD code = 1;
    WaitForSingleObject(process.hProcess, 60000);
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

// A bottom-up 24-bit BMP of the given size with a gradient, written row by row.
bool WritePage(const std::string& path, int width, int height)
{
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    if (!file)
        return false;
    const DWORD stride = (width * 3 + 3) / 4 * 4;
    BITMAPFILEHEADER header = {};
    BITMAPINFOHEADER info = {};
    header.bfType = 0x4D42;
    header.bfOffBits = sizeof header + sizeof info;
    header.bfSize = header.bfOffBits + stride * height;
    info.biSize = sizeof info;
    info.biWidth = width;
    info.biHeight = height;
    info.biPlanes = 1;
    info.biBitCount = 24;
    info.biSizeImage = stride * height;
    DWORD written = 0;
    WriteFile(file.get(), &header, sizeof header, &written, nullptr);
    WriteFile(file.get(), &info, sizeof info, &written, nullptr);
    std::vector<BYTE> row(stride);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            row[x * 3] = static_cast<BYTE>(x);
            row[x * 3 + 1] = static_cast<BYTE>(y);
            row[x * 3 + 2] = static_cast<BYTE>((x + y) / 64);
        }
        if (!WriteFile(file.get(), row.data(), stride, &written, nullptr) || written != stride)
            return false;
    }
    return true;
}

// Wine reports Linux's counters of the process: the resident size now and its peak
// since the start (which cannot be reset from inside, so the copies print first).
PROCESS_MEMORY_COUNTERS Memory()
{
    PROCESS_MEMORY_COUNTERS counters = {};
    counters.cb = sizeof counters;
    GetProcessMemoryInfo(GetCurrentProcess(), &counters, sizeof counters);
    return counters;
}

int WINAPI Quiet(HWND, const char* text, const char*, UINT)
{
    fprintf(stderr, "bench_copy: %s\n", text);
    return IDOK;
}

// The comparison: the whole file in memory and one StretchDIBits for the page.
bool PrintWhole(const std::string& path)
{
    UniqueDc dc(CreateDCA("WINSPOOL", kPrinter, nullptr, nullptr));
    UniqueFile file(CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    if (!dc || !file)
        return false;
    DWORD size = GetFileSize(file.get(), nullptr);
    std::unique_ptr<BYTE[]> image(new (std::nothrow) BYTE[size]);
    DWORD got = 0;
    if (!image || !ReadFile(file.get(), image.get(), size, &got, nullptr) || got != size)
        return false;
    auto* info = reinterpret_cast<BITMAPINFO*>(image.get() + sizeof(BITMAPFILEHEADER));
    const int x = GetDeviceCaps(dc.get(), LOGPIXELSX), y = GetDeviceCaps(dc.get(), LOGPIXELSY);
    DOCINFOA doc = {sizeof doc, "TAVEN Tornel", nullptr, nullptr, 0};
    if (StartDocA(dc.get(), &doc) <= 0 || StartPage(dc.get()) <= 0)
        return false;
    const int width = kWidth * x / kResolution, height = kHeight * y / kResolution;
    bool drawn = StretchDIBits(dc.get(), 0, 0, width, height, 0, 0, kWidth, kHeight,
                               image.get() + reinterpret_cast<BITMAPFILEHEADER*>(image.get())->bfOffBits, info,
                               DIB_RGB_COLORS, SRCCOPY) > 0;
    return EndPage(dc.get()) > 0 && EndDoc(dc.get()) > 0 && drawn;
}

// The floor of any copy on this printer: a job of one empty page, from the DC to EndDoc.
bool PrintEmptyPageOn(const char* printer)
{
    UniqueDc dc(CreateDCA("WINSPOOL", printer, nullptr, nullptr));
    DOCINFOA doc = {sizeof doc, "TAVEN Tornel", nullptr, nullptr, 0};
    return dc && StartDocA(dc.get(), &doc) > 0 && StartPage(dc.get()) > 0 && EndPage(dc.get()) > 0 &&
           EndDoc(dc.get()) > 0;
}

bool PrintEmptyPage() { return PrintEmptyPageOn(kPrinter); }

// The phases of one print of a page with the calls the copy makes, the page read into
// memory first and drawn with one StretchDIBits: what the printer driver and the
// spooler cost whatever program prints the page. Milliseconds per phase.
struct PrintPhases {
    double dc = 0, start = 0, draw = 0, endPage = 0, endDoc = 0, release = 0;
    double Total() const { return dc + start + draw + endPage + endDoc + release; }
};

bool PrintTimed(const char* printer, const std::vector<BYTE>& image, PrintPhases* phases)
{
    const auto* header = reinterpret_cast<const BITMAPFILEHEADER*>(image.data());
    const auto* info = reinterpret_cast<const BITMAPINFO*>(image.data() + sizeof(BITMAPFILEHEADER));
    const int width = info->bmiHeader.biWidth, height = std::abs(info->bmiHeader.biHeight);
    double at = NowMilliseconds();
    auto lap = [&at](double* phase) {
        const double now = NowMilliseconds();
        *phase = now - at;
        at = now;
    };
    UniqueDc dc(CreateDCA("WINSPOOL", printer, nullptr, nullptr));
    lap(&phases->dc);
    if (!dc)
        return false;
    DOCINFOA doc = {sizeof doc, "TAVEN Tornel", nullptr, nullptr, 0};
    bool done = StartDocA(dc.get(), &doc) > 0 && StartPage(dc.get()) > 0;
    lap(&phases->start);
    const int x = GetDeviceCaps(dc.get(), LOGPIXELSX), y = GetDeviceCaps(dc.get(), LOGPIXELSY);
    const LONG resolution = info->bmiHeader.biXPelsPerMeter > 0 ? info->bmiHeader.biXPelsPerMeter * 254 / 10000 : 150;
    done = done && StretchDIBits(dc.get(), 0, 0, width * x / resolution, height * y / resolution, 0, 0, width, height,
                                 image.data() + header->bfOffBits, info, DIB_RGB_COLORS, SRCCOPY) > 0;
    lap(&phases->draw);
    done = done && EndPage(dc.get()) > 0;
    lap(&phases->endPage);
    done = done && EndDoc(dc.get()) > 0;
    lap(&phases->endDoc);
    dc.reset();
    lap(&phases->release);
    return done;
}

// bench_copy floor PRINTER BMP: the copy of that page as Tornel prints it beside the
// same page printed with the same calls in one StretchDIBits, phase by phase, and a
// job of one empty page, alternately in this process; medians of 7.
int PrintFloor(const char* printer, const char* path)
{
    std::vector<BYTE> image;
    UniqueFile file(CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr));
    DWORD size = file ? GetFileSize(file.get(), nullptr) : 0;
    DWORD got = 0;
    image.resize(size);
    if (size < sizeof(BITMAPFILEHEADER) + sizeof(BITMAPINFOHEADER) ||
        !ReadFile(file.get(), image.data(), size, &got, nullptr) || got != size) {
        fprintf(stderr, "bench_copy: cannot read %s\n", path);
        return 1;
    }
    SetMessageBoxForTests(Quiet);
    std::vector<double> copies, empties, dc, start, draw, endPage, endDoc, release, totals;
    for (int round = 0; round < 8; ++round) {
        double begin = NowMilliseconds();
        const bool copied = PrintScannedImage("", printer, "", path, 0) != 0;
        const double copy = NowMilliseconds() - begin;
        PrintPhases phases;
        const bool printed = PrintTimed(printer, image, &phases);
        begin = NowMilliseconds();
        const bool empty = PrintEmptyPageOn(printer);
        const double emptyJob = NowMilliseconds() - begin;
        if (!copied || !printed || !empty) {
            fprintf(stderr, "bench_copy: a print on %s failed\n", printer);
            return 1;
        }
        if (round == 0)
            continue;  // the first round loads the driver
        copies.push_back(copy);
        empties.push_back(emptyJob);
        dc.push_back(phases.dc);
        start.push_back(phases.start);
        draw.push_back(phases.draw);
        endPage.push_back(phases.endPage);
        endDoc.push_back(phases.endDoc);
        release.push_back(phases.release);
        totals.push_back(phases.Total());
    }
    printf("  the copy's print of the pressed page (%s): Tornel %.1f ms; the same page with the same calls in one "
           "StretchDIBits %.1f ms (CreateDC %.1f, StartDoc and StartPage %.1f, StretchDIBits %.1f, EndPage %.1f, "
           "EndDoc %.1f, DeleteDC %.1f); a job of one empty page %.1f ms (medians of %zu)\n",
           printer, Median(copies), Median(totals), Median(dc), Median(start), Median(draw), Median(endPage),
           Median(endDoc), Median(release), Median(empties), copies.size());
    printf("  floor %.1f ms\n", Median(totals));
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc == 4 && strcmp(argv[1], "floor") == 0)
        return PrintFloor(argv[2], argv[3]);

    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    g_folder = std::string(temp) + "tornel_bench_copy\\";
    CreateDirectoryA(g_folder.c_str(), nullptr);
    const std::string page = g_folder + "page600.bmp";
    const std::string output = g_folder + "out.ps";
    const std::string small = g_folder + "small.bmp";
    if (!WritePage(page, kWidth, kHeight) || !WritePage(small, 64, 64) ||
        Run(std::string("add \"") + kPrinter + "\" \"" + output + "\"") != 0) {
        fprintf(stderr, "bench_copy: cannot make the page or the printer\n");
        return 1;
    }
    SetMessageBoxForTests(Quiet);

    // The peak is the process's highest resident size so far: the banded copies go
    // first, before the whole image has ever been in memory. A small copy first loads
    // the printer driver and the spooler, which any first print of a process pays.
    const PROCESS_MEMORY_COUNTERS cold = Memory();
    if (!PrintScannedImage("", kPrinter, "", small.c_str(), kResolution))
        return 1;
    const PROCESS_MEMORY_COUNTERS before = Memory();
    std::vector<double> banded, whole;
    for (int round = 0; round < 3; ++round) {
        double start = NowSeconds();
        if (!PrintScannedImage("", kPrinter, "", page.c_str(), kResolution))
            return 1;
        banded.push_back(NowSeconds() - start);
    }
    const PROCESS_MEMORY_COUNTERS after = Memory();
    std::vector<double> smallCopies, emptyJobs;
    for (int round = 0; round < 5; ++round) {
        double start = NowSeconds();
        PrintScannedImage("", kPrinter, "", small.c_str(), kResolution);
        smallCopies.push_back(NowSeconds() - start);
        start = NowSeconds();
        PrintEmptyPage();
        emptyJobs.push_back(NowSeconds() - start);
    }
    for (int round = 0; round < 3; ++round) {
        double start = NowSeconds();
        if (!PrintWhole(page)) {
            fprintf(stderr, "bench_copy: the whole-image print failed\n");
            return 1;
        }
        whole.push_back(NowSeconds() - start);
    }
    const PROCESS_MEMORY_COUNTERS end = Memory();
    printf("copy of a 600 dpi A4 colour page (%d x %d, %.0f MB), median of 3:\n", kWidth, kHeight,
           (kHeight * ((kWidth * 3 + 3) / 4 * 4)) / 1048576.0);
    constexpr double kMb = 1048576.0;
    printf("  peak memory growth while printing in bands: %.1f MB (resident %.1f MB before, peak %.1f MB after)\n",
           (static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.WorkingSetSize)) / kMb,
           before.WorkingSetSize / kMb, after.PeakWorkingSetSize / kMb);
    printf("  (loading the printer driver and the spooler with a first small copy: %.1f MB)\n",
           (static_cast<double>(before.PeakWorkingSetSize) - static_cast<double>(cold.WorkingSetSize)) / kMb);
    printf("  the whole image in one StretchDIBits raised the peak to %.1f MB\n", end.PeakWorkingSetSize / kMb);
    PrintFigure("copy-memory",
                (static_cast<double>(after.PeakWorkingSetSize) - static_cast<double>(before.WorkingSetSize)) / kMb,
                5, "MB");
    printf("  print time in bands %.2f s, whole image in one StretchDIBits %.2f s: ratio %.2f\n", Median(banded),
           Median(whole), Median(banded) / Median(whole));
    printf("  a 64 x 64 copy %.1f ms, a job of one empty page on the same printer %.1f ms (median of 5)\n",
           Median(smallCopies) * 1000, Median(emptyJobs) * 1000);
    Run(std::string("delete \"") + kPrinter + "\"");
    DeleteFileA(page.c_str());
    DeleteFileA(small.c_str());
    DeleteFileA(output.c_str());
    RemoveDirectoryA(g_folder.c_str());
    return 0;
}
