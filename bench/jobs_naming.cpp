// Output naming with a busy day: 1,000 files of today in the scan folder. Measures
// MakeOutputFileName, whose serial comes from one enumeration of the day's names,
// against the same naming done with the plain rule of eight find-first lookups per
// candidate number, in the same folder and the same run. Prints times and ratios.
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <string>

#include "common/paths.h"
#include "scan/scan.h"

#include "bench_clock.h"
#include "figures.h"
#include "scratch.h"

namespace {


template <class Work>
double MillisecondsPerRun(int runs, Work work)
{
    double start = NowSeconds();
    for (int i = 0; i < runs; ++i)
        work();
    return (NowSeconds() - start) * 1000.0 / runs;
}

void Touch(const std::string& path)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
}

void RemoveFolder(const std::string& folder)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do
            DeleteFileA((folder + data.cFileName).c_str());
        while (FindNextFileA(find, &data));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

// Fills the folder with serials 1..1000 of today, the extensions taken in turn from
// the given list, and returns the folder-and-day prefix the namer uses.
std::string FillDay(const std::string& folder, const char* const* extensions, int extensionCount)
{
    SYSTEMTIME today;
    GetLocalTime(&today);
    char day[32];
    FormatDatePrefix(today, day, sizeof day);
    for (int serial = 1; serial <= 1000; ++serial) {
        char name[64];
        snprintf(name, sizeof name, "%s%03d.%s", day, serial, extensions[serial % extensionCount]);
        Touch(folder + name);
    }
    char shortFolder[512];
    DWORD length = GetShortPathNameA(folder.c_str(), shortFolder, sizeof shortFolder);
    return (length > 0 && length < sizeof shortFolder ? std::string(shortFolder) : folder) + day;
}

// The serial by enumeration as a share of the eight lookups it replaces.
double Measure(const char* what, const std::string& windows, const char* const* extensions, int extensionCount)
{
    std::string folder = windows + "Scans\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    std::string prefix = FillDay(folder, extensions, extensionCount);

    char name[260];
    int enumerated = NextFreeSerial(prefix.c_str());
    int looked = NextFreeSerialByLookups(prefix.c_str());
    double make = MillisecondsPerRun(20, [&] { MakeOutputFileName(name, "bmp"); });
    double enumeration = MillisecondsPerRun(20, [&] { NextFreeSerial(prefix.c_str()); });
    double lookups = MillisecondsPerRun(3, [&] { NextFreeSerialByLookups(prefix.c_str()); });
    // The whole name with the plain rule: the same folder and INI work, the lookups
    // in place of the enumeration.
    double plainMake = make - enumeration + lookups;

    printf("%s (serial %d, the lookups agree: %s)\n", what, enumerated, enumerated == looked ? "yes" : "NO");
    printf("  serial by enumeration       %9.3f ms\n", enumeration);
    printf("  serial by eight lookups     %9.3f ms   ratio %.1fx\n", lookups, lookups / enumeration);
    printf("  MakeOutputFileName          %9.3f ms  (%s)\n", make, name);
    printf("  the same with the lookups   %9.3f ms   ratio %.1fx\n", plainMake, plainMake / make);
    RemoveFolder(folder);
    return lookups > 0 ? enumeration / lookups : 0;
}

}  // namespace

int main()
{
    ScratchWindowsDirectory windowsFolder;
    const std::string& windows = windowsFolder.path();
    WriteTextFile(windows + "kmconfig.ini", "[MyFolder]\r\nNum=1\r\nDefault=1\r\nFolder1=" + windows + "Scans\\\r\n");

    printf("Output naming with 1,000 files of today in the scan folder\n\n");
    const char* const bmpOnly[] = {"bmp"};
    double worst = Measure("all bmp: one lookup per taken number", windows, bmpOnly, 1);
    const char* const mixed[] = {"bmp", "jpg", "tif", "pcx", "psd", "tga", "rtf", "xls"};
    worst = std::max(worst, Measure("the eight types in turn", windows, mixed, 8));
    const char* const documents[] = {"xls"};
    worst = std::max(worst, Measure("all xls: eight lookups per taken number", windows, documents, 1));
    PrintFigure("naming", worst, 1, "x-lookups");
    return 0;
}
