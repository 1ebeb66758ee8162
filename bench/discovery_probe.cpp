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
#include "common/paths.h"
#include "config/config.h"

namespace {

constexpr int kRuns = 30;
const std::string kScratch = "Software\\TornelBench\\Applications";

void SetText(const std::string& subkey, const char* name, const std::string& text, DWORD type = REG_SZ)
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, (kScratch + "\\" + subkey).c_str(), 0, nullptr, 0, KEY_WRITE, nullptr,
                        &key, nullptr) != ERROR_SUCCESS)
        return;
    RegSetValueExA(key, name, 0, type, reinterpret_cast<const BYTE*>(text.c_str()),
                   static_cast<DWORD>(text.size() + 1));
    RegCloseKey(key);
}

void WriteWholeFile(const std::string& path, const std::string& text)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    DWORD written = 0;
    ::WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
    CloseHandle(file);
}

// Every known application, each with its program in folder.
void RegisterEverything(const std::string& folder)
{
    for (const char* program : {"kodakimg.exe", "mspaint.exe", "photoSuite.exe", "winword.exe", "excel.exe",
                                "wordpad.exe", "user1.exe", "user2.exe", "user3.exe"})
        WriteWholeFile(folder + program, "");
    const std::string appPaths = "SOFTWARE\\Microsoft\\Windows\\CurrentVersion\\APP Paths\\";
    SetText(appPaths + "Kodakimg.exe", nullptr, folder + "kodakimg.exe");
    SetText("SOFTWARE\\Classes\\Paint.Picture\\Clsid", nullptr, "{D3E34B21-9D75-101A-8C3D-00AA001A1652}");
    SetText("SOFTWARE\\Classes\\CLSID\\{D3E34B21-9D75-101A-8C3D-00AA001A1652}\\LocalServer32", nullptr,
            folder + "mspaint.exe");
    SetText("SOFTWARE\\MGI\\PhotoSuiteIII", "Path2App", folder);
    SetText("SOFTWARE\\Microsoft\\office\\9.0\\Word\\InstallRoot", "Path", folder);
    SetText("SOFTWARE\\Microsoft\\office\\8.0", "BinDirPath", folder);
    SetText("SOFTWARE\\Microsoft\\office\\9.0\\Excel\\InstallRoot", "Path", folder);
    SetText("SOFTWARE\\Microsoft\\office\\8.0\\Excel\\InstallRoot", "Path", folder);
    SetText(appPaths + "WORDPAD.EXE", nullptr, "\"" + folder + "wordpad.exe\"", REG_EXPAND_SZ);
}

std::string ReadWholeFile(const std::string& path)
{
    std::string content;
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    char block[4096];
    DWORD read = 0;
    while (file != INVALID_HANDLE_VALUE && ReadFile(file, block, sizeof block, &read, nullptr) && read > 0)
        content.append(block, read);
    if (file != INVALID_HANDLE_VALUE)
        CloseHandle(file);
    return content;
}

void DeleteTree(HKEY parent, const char* name)
{
    HKEY key;
    if (RegOpenKeyExA(parent, name, 0, KEY_ALL_ACCESS, &key) != ERROR_SUCCESS)
        return;
    char child[256];
    DWORD size = sizeof child;
    while (RegEnumKeyExA(key, 0, child, &size, nullptr, nullptr, nullptr, nullptr) == ERROR_SUCCESS) {
        DeleteTree(key, child);
        size = sizeof child;
    }
    RegCloseKey(key);
    RegDeleteKeyA(parent, name);
}

double MedianDiscovery(HKEY root, const std::string& config, const std::string& content)
{
    std::vector<double> samples;
    for (int i = 0; i < kRuns; ++i) {
        WriteWholeFile(config, content);
        double start = NowMilliseconds();
        DiscoverApplicationsUnder(root, 5, &DefaultAppIndex);
        samples.push_back(NowMilliseconds() - start);
    }
    return Median(samples);
}

}  // namespace

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "tornel_bench_discovery\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    SetWindowsDirectory(folder.c_str());
    RegisterEverything(folder);
    HKEY root;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kScratch.c_str(), 0, KEY_READ, &root) != ERROR_SUCCESS)
        return 1;
    const std::string config = folder + "kmconfig.ini";

    const double firstRun = MedianDiscovery(root, config, "");
    // The list a first run leaves, with three entries of the user's in front.
    std::string list = "[Tornel_Application]\r\nNumAp=3\r\n";
    for (int i = 1; i <= 3; ++i)
        list += "ApName" + std::to_string(i) + "=User " + std::to_string(i) + "\r\nApFileName" + std::to_string(i) +
                "=" + folder + "user" + std::to_string(i) + ".exe\r\n";
    list += "ApName0=MGI PhotoSuite III SE\r\nDefault=MGI PhotoSuite III SE\r\n";
    WriteWholeFile(config, list);
    DiscoverApplicationsUnder(root, 5, &DefaultAppIndex);
    const int listed = static_cast<int>(GetPrivateProfileIntA("Tornel_Application", "NumAp", 0, config.c_str()));
    const std::string steadyList = ReadWholeFile(config);
    const double steady = MedianDiscovery(root, config, steadyList);
    RegCloseKey(root);
    DeleteTree(HKEY_CURRENT_USER, "Software\\TornelBench");
    printf("application discovery, all 8 known applications installed, median of %d:\n", kRuns);
    printf("  first run (empty settings file): %.2f ms\n", firstRun);
    printf("  usual start (%d entries listed): %.2f ms\n", listed, steady);
    printf("discovery-ms %.3f\n", steady);
    return 0;
}
