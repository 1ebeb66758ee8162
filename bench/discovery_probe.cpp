// Application discovery as every start runs it: all eight known applications
// registered (a scratch registry tree standing for HKLM) with their programs present,
// a list holding them and three entries of the user's. Prints the median time of a
// first run (empty settings file) and of a usual start (the list already there).
// The start-up total it is set against comes from start_probe (bench/ocr_bench.py).
#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "config/config.h"
#include "scratch.h"

namespace {

constexpr int kRuns = 30;

// Every known application, each with its program in folder.
void RegisterEverything(const ScratchRegistryKey& root, const std::string& folder)
{
    for (const char* program : {"kodakimg.exe", "mspaint.exe", "photoSuite.exe", "winword.exe", "excel.exe",
                                "wordpad.exe", "user1.exe", "user2.exe", "user3.exe"})
        WriteTextFile(folder + program, "");
    const std::string appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\APP Paths\\";
    root.SetText(appPaths + "Kodakimg.exe", nullptr, folder + "kodakimg.exe");
    root.SetText("SOFTWARE\\Classes\\Paint.Picture\\Clsid", nullptr, "{D3E34B21-9D75-101A-8C3D-00AA001A1652}");
    root.SetText("SOFTWARE\\Classes\\CLSID\\{D3E34B21-9D75-101A-8C3D-00AA001A1652}\\LocalServer32", nullptr,
                 folder + "mspaint.exe");
    root.SetText("SOFTWARE\\MGI\\PhotoSuiteIII", "Path2App", folder);
    root.SetText("SOFTWARE\\Microsoft\\office\\9.0\\Word\\InstallRoot", "Path", folder);
    root.SetText("SOFTWARE\\Microsoft\\office\\8.0", "BinDirPath", folder);
    root.SetText("SOFTWARE\\Microsoft\\office\\9.0\\Excel\\InstallRoot", "Path", folder);
    root.SetText("SOFTWARE\\Microsoft\\office\\8.0\\Excel\\InstallRoot", "Path", folder);
    root.SetText(appPaths + "WORDPAD.EXE", nullptr, "\"" + folder + "wordpad.exe\"", REG_EXPAND_SZ);
}

double MedianDiscovery(HKEY root, const std::string& config, const std::string& content)
{
    std::vector<double> samples;
    for (int i = 0; i < kRuns; ++i) {
        WriteTextFile(config, content);
        double start = NowMilliseconds();
        DiscoverApplicationsUnder(root, 5, &g_selections.DefaultAppIndex);
        samples.push_back(NowMilliseconds() - start);
    }
    return Median(samples);
}

}  // namespace

int main()
{
    ScratchWindowsDirectory windows;
    ScratchRegistryKey scratch("BenchApplications");
    const std::string folder = windows.path();
    RegisterEverything(scratch, folder);
    HKEY root = scratch.get();
    if (!root)
        return 1;
    const std::string config = folder + "kmconfig.ini";

    const double firstRun = MedianDiscovery(root, config, "");
    // The list a first run leaves, with three entries of the user's in front.
    std::string list = "[Tornel_Application]\r\nNumAp=3\r\n";
    for (int i = 1; i <= 3; ++i)
        list += "ApName" + std::to_string(i) + "=User " + std::to_string(i) + "\r\nApFileName" + std::to_string(i) +
                "=" + folder + "user" + std::to_string(i) + ".exe\r\n";
    list += "ApName0=MGI PhotoSuite III SE\r\nDefault=MGI PhotoSuite III SE\r\n";
    WriteTextFile(config, list);
    DiscoverApplicationsUnder(root, 5, &g_selections.DefaultAppIndex);
    const int listed = static_cast<int>(GetPrivateProfileIntA("Tornel_Application", "NumAp", 0, config.c_str()));
    const std::string steadyList = ReadTextFile(config);
    const double steady = MedianDiscovery(root, config, steadyList);
    printf("application discovery, all 8 known applications installed, median of %d:\n", kRuns);
    printf("  first run (empty settings file): %.2f ms\n", firstRun);
    printf("  usual start (%d entries listed): %.2f ms\n", listed, steady);
    printf("discovery-ms %.3f\n", steady);
    return 0;
}
