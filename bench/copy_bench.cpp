// Copy to printer with a 600 dpi A4 colour page (about 104 MB as BMP), printed on a
// printer whose port is a file: the peak memory growth while the copy prints, and
// its time against sending the whole image in one StretchDIBits (the image read
// into memory whole), in the same process. Three rounds of each; times are medians.
#include <windows.h>
#include <psapi.h>

#include <cstdio>
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
bool PrintEmptyPage()
{
    UniqueDc dc(CreateDCA("WINSPOOL", kPrinter, nullptr, nullptr));
    DOCINFOA doc = {sizeof doc, "TAVEN Tornel", nullptr, nullptr, 0};
    return dc && StartDocA(dc.get(), &doc) > 0 && StartPage(dc.get()) > 0 && EndPage(dc.get()) > 0 &&
           EndDoc(dc.get()) > 0;
}

}  // namespace

int main()
{
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
