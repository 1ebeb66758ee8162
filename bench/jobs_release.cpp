// How soon the waiting destination goes on after the engine's end notification,
// and what the wait costs while the scan runs. The job's blocking wait is measured
// against the zero time-out polling loop a destination could use instead, in the
// same process on the same engine: a stand-in engine on its own thread that sends
// start, blocks of lines for about a second, then the end.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <vector>

#include "common/message_box.h"
#include "fake_engine.h"

#include "bench_clock.h"

namespace {

int WINAPI PrintMessage(HWND, const char* text, const char*, UINT)
{
    printf("message: %s\n", text);
    return IDOK;
}

double ThreadCpuSeconds()
{
    FILETIME created, exited, kernel, user;
    GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user);
    auto seconds = [](FILETIME t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) | t.dwLowDateTime) / 1e7;
    };
    return seconds(kernel) + seconds(user);
}

// The end notification's moment, taken on the engine's thread just before it.
std::atomic<double> g_endSent{0.0};
// The job's own notification procedure, called behind the timing.
EngineNotifyProc g_jobNotify = nullptr;
// The stand-in engine's scan call, which TimedScanAsync wraps.
PFN_TNeScanAsync g_fakeScanAsync = nullptr;

int32_t __cdecl TimedNotify(void* data, uint32_t count, uint32_t code)
{
    if (code == kNotifyScanDone || code == kNotifyScanEnded)
        g_endSent = NowSeconds();
    return g_jobNotify(data, count, code);
}

EngineStatus __cdecl TimedScanAsync(void* request, EngineNotifyProc notify, int32_t reserved)
{
    g_jobNotify = notify;
    return g_fakeScanAsync(request, TimedNotify, reserved);
}

struct Figures {
    std::vector<double> latencyUs;
    std::vector<double> waitCpuMs;
};

// The destination's wait as the job does it.
void RunBlocking(const char* path)
{
    RunScanJob(path, ScanOrderFor(kKindImage), kOutputFormatBmp);
}

// The polling destination: starts the job and tests its end event with a zero
// time-out until it is signalled.
void RunPolling(const char* path)
{
    StartScanJob(path, ScanOrderFor(kKindImage), kOutputFormatBmp);
    while (WaitForSingleObject(g_scan.JobEnded.get(), 0) != WAIT_OBJECT_0) {
    }
    g_scan.Phase = JobPhase::Idle;
}

Figures Measure(void (*destination)(const char*), const char* path, int jobs)
{
    Figures figures;
    for (int i = 0; i < jobs; ++i) {
        FakeScript script;
        script.blocks = 10;
        script.pauseMs = 100;
        FakeEngine::Install(script);
        g_fakeScanAsync = ScanEngine.ScanAsync;
        ScanEngine.ScanAsync = TimedScanAsync;
        double cpuBefore = ThreadCpuSeconds();
        destination(path);
        double wokeUp = NowSeconds();
        double cpuAfter = ThreadCpuSeconds();
        figures.latencyUs.push_back((wokeUp - g_endSent.load()) * 1e6);
        figures.waitCpuMs.push_back((cpuAfter - cpuBefore) * 1e3);
        WaitForProgressThreadEnd();
    }
    return figures;
}

double Median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

void Print(const char* what, const Figures& figures)
{
    printf("  %-28s end -> going on: median %8.1f us, max %8.1f us;  waiting thread's CPU per 1 s scan: median %7.1f ms\n",
           what, Median(figures.latencyUs), *std::max_element(figures.latencyUs.begin(), figures.latencyUs.end()),
           Median(figures.waitCpuMs));
}

}  // namespace

int main()
{
    char temp[MAX_PATH];
    GetTempPathA(sizeof temp, temp);
    char path[MAX_PATH];
    snprintf(path, sizeof path, "%sbench_release_%lu.bmp", temp, GetCurrentProcessId());
    SetMessageBoxForTests(PrintMessage);

    const int jobs = 7;
    printf("Scan job hand-off, %d jobs of about 1 s each way\n", jobs);
    Figures blocking = Measure(RunBlocking, path, jobs);
    Figures polling = Measure(RunPolling, path, jobs);
    Print("blocking wait (RunScanJob)", blocking);
    Print("zero time-out polling", polling);
    FakeEngine::Uninstall();
    DeleteFileA(path);
    return 0;
}
