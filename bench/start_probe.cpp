// Process start to message loop: starts a program, then measures the time until its
// window answers a sent WM_NULL (which it can only do from its message loop); ends
// it with WM_DESTROY and waits for the process. Runs Tornel and a minimal program of
// the same build alternately and prints the medians and their ratio.
//   start_probe TORNEL_EXE MINIMAL_EXE [RUNS]
#include <windows.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {


HWND FindAnswering(const char* name)
{
    HWND window = FindWindowA(name, name);
    if (!window)
        return nullptr;
    DWORD_PTR result;
    if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 50, &result))
        return nullptr;
    return window;
}

// Milliseconds from CreateProcess to the answering window; negative on failure.
double MeasureStart(const char* exe, const char* windowName)
{
    std::string commandLine = std::string("\"") + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    double start = NowMilliseconds();
    if (!CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return -1;
    HWND window = nullptr;
    while (!(window = FindAnswering(windowName))) {
        if (NowMilliseconds() - start > 20000 || WaitForSingleObject(pi.hProcess, 0) == WAIT_OBJECT_0)
            break;
        Sleep(0);
    }
    double elapsed = NowMilliseconds() - start;
    if (window)
        SendMessageTimeoutA(window, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return window ? elapsed : -1;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: start_probe TORNEL_EXE MINIMAL_EXE [RUNS]\n");
        return 2;
    }
    int runs = argc > 3 ? atoi(argv[3]) : 10;
    std::vector<double> tornel, minimal;
    // One warm-up of each, not counted.
    MeasureStart(argv[1], "TAVEN Tornel");
    MeasureStart(argv[2], "Tornel Bench Minimal");
    for (int i = 0; i < runs; ++i) {
        double t = MeasureStart(argv[1], "TAVEN Tornel");
        double m = MeasureStart(argv[2], "Tornel Bench Minimal");
        if (t < 0 || m < 0) {
            fprintf(stderr, "start_probe: a program did not reach its message loop\n");
            return 1;
        }
        tornel.push_back(t);
        minimal.push_back(m);
    }
    double t = Median(tornel), m = Median(minimal);
    printf("start to message loop, median of %d: Tornel %.1f ms, minimal program %.1f ms, ratio %.2f\n", runs, t, m,
           m > 0 ? t / m : 0);
    return 0;
}
