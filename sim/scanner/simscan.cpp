// simscan: runs one scan through the "TNENGINE.dll" beside it, the way the
// scanner monitor does, and prints what the engine reported:
//   simscan OUTPUT colour|grey|lineart bmp|tiff DPI [LEFT TOP RIGHT BOTTOM]
// The area is in hundredths of an inch (default: the whole bed). Exit code 0 when
// the scan ended with 213, 1 when it ended otherwise, 2 for a usage error.
#include <windows.h>

#include <psapi.h>

#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "common/handles.h"
#include "common/strings.h"
#include "scan/engine_abi.h"

namespace {

constexpr DWORD kScanTimeoutMs = 600000;

struct ScanWatch {
    HANDLE done = nullptr;                  // set by the engine's thread at 213/214
    std::atomic<uint32_t> endCode{0};       // written by the engine's thread
    std::atomic<uint64_t> blockBytes{0};    // written by the engine's thread
    std::atomic<uint32_t> blocks{0};        // written by the engine's thread
};

ScanWatch g_watch;

int32_t __cdecl OnNotify(void*, uint32_t count, uint32_t code)
{
    if (code == kNotifyScanBlock) {
        g_watch.blockBytes += count;
        ++g_watch.blocks;
    } else if (code == kNotifyScanDone || code == kNotifyScanEnded) {
        g_watch.endCode = code;
        SetEvent(g_watch.done);
    } else if (code != kNotifyScanStarted) {
        printf("status %ld\n", static_cast<long>(static_cast<int32_t>(code)));
    }
    return 0;
}

int Usage()
{
    fputs("usage: simscan OUTPUT colour|grey|lineart bmp|tiff DPI [LEFT TOP RIGHT BOTTOM]\n", stderr);
    return 2;
}

int ImageTypeOf(const char* name)
{
    if (strcmp(name, "colour") == 0)
        return kImageTypeColour;
    if (strcmp(name, "grey") == 0)
        return kImageTypeGrey;
    return strcmp(name, "lineart") == 0 ? kImageTypeLineArt : 0;
}

int FormatOf(const char* name)
{
    if (strcmp(name, "bmp") == 0)
        return kOutputFormatBmp;
    return strcmp(name, "tiff") == 0 ? kOutputFormatTiff : 0;
}

template <class Proc>
bool Bind(HMODULE engine, const char* name, Proc* proc)
{
    *proc = reinterpret_cast<Proc>(reinterpret_cast<void*>(GetProcAddress(engine, name)));
    if (!*proc)
        fprintf(stderr, "simscan: the engine has no %s\n", name);
    return *proc != nullptr;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 5 && argc != 9)
        return Usage();
    const int imageType = ImageTypeOf(argv[2]);
    const int format = FormatOf(argv[3]);
    const int dpi = atoi(argv[4]);
    if (!imageType || !format || dpi <= 0)
        return Usage();

    char enginePath[MAX_PATH];
    DWORD length = GetModuleFileNameA(nullptr, enginePath, sizeof enginePath);
    char* slash = length && length < sizeof enginePath ? strrchr(enginePath, '\\') : nullptr;
    if (!slash)
        return Usage();
    slash[1] = '\0';
    AppendString(enginePath, "TNENGINE.dll");
    UniqueModule engine(LoadLibraryA(enginePath));
    if (!engine) {
        fprintf(stderr, "simscan: cannot load %s (error %lu)\n", enginePath, GetLastError());
        return 2;
    }
    PFN_TNeGetScannerCapabilities getCapabilities;
    PFN_TNeProcessImage processImage;
    PFN_TNeScanAsync scanAsync;
    PFN_TNeReleaseEngine releaseEngine;
    if (!Bind(engine.get(), "TNeGetScannerCapabilities", &getCapabilities) ||
        !Bind(engine.get(), "TNeProcessImage", &processImage) || !Bind(engine.get(), "TNeScanAsync", &scanAsync) ||
        !Bind(engine.get(), "TNeReleaseEngine", &releaseEngine))
        return 2;

    uint8_t capabilities[kScannerCapabilitiesSize];
    getCapabilities(capabilities);
    std::vector<uint8_t> job(kScanJobSize, 0);
    if (processImage(kProcessDefaults, job.data()) != 0)
        return 2;
    WriteU16(job.data(), kParamBitsPerSample, imageType == kImageTypeLineArt ? 1 : 8);
    WriteU32(job.data(), kParamImageType, static_cast<uint32_t>(imageType));
    WriteU16(job.data(), kParamXResolution, static_cast<uint16_t>(dpi));
    WriteU16(job.data(), kParamYResolution, static_cast<uint16_t>(dpi));
    CopyString(reinterpret_cast<char*>(job.data()) + kJobPath, kJobPathSize, argv[1]);
    WriteU32(job.data(), kJobFormat, static_cast<uint32_t>(format));
    int32_t area[4] = {0, 0, ReadU16(capabilities, kCapsMaxWidthOffset), ReadU16(capabilities, kCapsMaxHeightOffset)};
    for (int i = 0; argc == 9 && i < 4; ++i)
        area[i] = atoi(argv[5 + i]);
    for (int i = 0; i < 4; ++i)
        WriteU32(job.data(), kJobArea + 4 * i, static_cast<uint32_t>(area[i]));
    uint8_t request[kScanRequestSize] = {};
    WriteU32(request, kRequestJob, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(job.data())));

    UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    g_watch.done = done.get();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    int32_t status = scanAsync(request, OnNotify, 0);
    if (status != 0) {
        printf("scan refused %ld\n", static_cast<long>(status));
        return 1;
    }
    bool ended = WaitForSingleObject(done.get(), kScanTimeoutMs) == WAIT_OBJECT_0;
    QueryPerformanceCounter(&end);
    releaseEngine();
    if (!ended) {
        printf("no end notification\n");
        return 1;
    }
    PROCESS_MEMORY_COUNTERS memory = {};
    memory.cb = sizeof memory;
    GetProcessMemoryInfo(GetCurrentProcess(), &memory, sizeof memory);
    printf("end %lu blocks %lu preview-bytes %llu ms %lld peak-kb %lu\n", static_cast<unsigned long>(g_watch.endCode.load()),
           static_cast<unsigned long>(g_watch.blocks.load()), static_cast<unsigned long long>(g_watch.blockBytes.load()),
           static_cast<long long>((end.QuadPart - start.QuadPart) * 1000 / frequency.QuadPart),
           static_cast<unsigned long>(memory.PeakWorkingSetSize / 1024));
    return g_watch.endCode.load() == kNotifyScanDone ? 0 : 1;
}
