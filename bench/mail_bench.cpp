// Scan to e-mail: from the end of the scan to the mail client's compose call (the
// registry switch, the mail service library's load and its MAPI call into the
// client), measured with the virtual scanner's library and mail client. The client
// records the performance counter when its MAPISendMail is entered. Median of 20.
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "bench_clock.h"
#include "figures.h"
#include "destinations/destinations.h"

namespace {

constexpr char kClientKey[] = "SOFTWARE\\Clients\\Mail\\NetScape Messenger";

std::string BinFolder()
{
    char exe[MAX_PATH];
    GetModuleFileNameA(nullptr, exe, sizeof exe);
    std::string path(exe);
    return path.substr(0, path.find_last_of('\\') + 1);
}

// The counter the client recorded in its latest call, or 0.
long long LastCallCounter(const std::string& log)
{
    FILE* file = fopen(log.c_str(), "rb");
    if (!file)
        return 0;
    char line[4096];
    long long counter = 0;
    while (fgets(line, sizeof line, file)) {
        if (const char* field = strstr(line, "\tcounter="))
            counter = atoll(field + 9);
    }
    fclose(file);
    return counter;
}

}  // namespace

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    const std::string folder = std::string(temp) + "tornel_bench_mail\\";
    CreateDirectoryA(folder.c_str(), nullptr);
    const std::string client = folder + "SimMail.dll";
    const std::string image = folder + "page.bmp";
    CopyFileA((BinFolder() + "SimMail.dll").c_str(), client.c_str(), FALSE);
    FILE* page = fopen(image.c_str(), "wb");
    if (!page)
        return 1;
    std::vector<char> bytes(100000, 'x');
    fwrite(bytes.data(), 1, bytes.size(), page);
    fclose(page);

    HKEY key;
    if (RegCreateKeyExA(HKEY_LOCAL_MACHINE, kClientKey, 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key, nullptr) != 0)
        return 1;
    RegSetValueExA(key, "DLLPath", 0, REG_SZ, reinterpret_cast<const BYTE*>(client.c_str()), client.size() + 1);
    RegCloseKey(key);

    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    const std::string library = BinFolder() + "Duderirir.dll";
    std::vector<double> milliseconds;
    for (int i = 0; i < 20; ++i) {
        LARGE_INTEGER start;
        QueryPerformanceCounter(&start);
        if (!HandToMailService("NetscapeMessenger", library.c_str(), image.c_str())) {
            fprintf(stderr, "bench_mail: the mail service library is missing\n");
            return 1;
        }
        long long called = LastCallCounter(folder + "mapi_calls.log");
        milliseconds.push_back(static_cast<double>(called - start.QuadPart) * 1000.0 / frequency.QuadPart);
    }
    printf("scan to e-mail, end of the scan to the mail client's compose call: median %.1f ms (20 hand-offs)\n",
           Median(milliseconds));
    PrintFigure("mail-handoff", Median(milliseconds), 50, "ms");

    RegDeleteKeyA(HKEY_LOCAL_MACHINE, kClientKey);
    return 0;
}
