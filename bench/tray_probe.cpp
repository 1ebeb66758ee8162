// Process start to notification icon: starts a program and measures the time until
// the shell's tray knows its icon, and until its window answers a sent WM_NULL (its
// message loop). The icon is seen from outside with NIM_MODIFY without changes on
// (window, icon id 1): the tray answers a change of an icon it does not know with
// failure, so the first success is the moment NIM_ADD went through. Ends the program
// with WM_DESTROY and waits for it. Runs Tornel and the minimal tray program of the
// same build alternately and prints the medians and their ratios.
//   tray_probe TORNEL_EXE MINIMAL_EXE [RUNS]
#include <windows.h>
#include <shellapi.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "bench_clock.h"

namespace {

constexpr double kGiveUpMs = 20000;


bool IconKnown(HWND window)
{
    NOTIFYICONDATAA data = {};
    data.cbSize = sizeof data;
    data.hWnd = window;
    data.uID = 1;
    return Shell_NotifyIconA(NIM_MODIFY, &data) != FALSE;
}

bool Answers(HWND window)
{
    DWORD_PTR result;
    return SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 50, &result) != 0;
}

struct StartTimes {
    double icon = -1;  // ms from CreateProcess to the icon known to the tray
    double loop = -1;  // ms from CreateProcess to the first answer to WM_NULL
};

bool Ended(HANDLE process) { return WaitForSingleObject(process, 0) == WAIT_OBJECT_0; }

StartTimes MeasureStart(const char* exe, const char* windowName)
{
    StartTimes times;
    std::string commandLine = std::string("\"") + exe + "\"";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    double start = NowMilliseconds();
    if (!CreateProcessA(exe, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi))
        return times;
    HWND window = nullptr;
    while (NowMilliseconds() - start < kGiveUpMs && !Ended(pi.hProcess)) {
        if (!window)
            window = FindWindowA(windowName, windowName);
        if (window && times.icon < 0 && IconKnown(window))
            times.icon = NowMilliseconds() - start;
        if (window && times.icon >= 0 && Answers(window)) {
            times.loop = NowMilliseconds() - start;
            break;
        }
        Sleep(1);
    }
    if (window)
        SendMessageTimeoutA(window, WM_DESTROY, 0, 0, SMTO_ABORTIFHUNG, 5000, nullptr);
    if (WaitForSingleObject(pi.hProcess, 10000) != WAIT_OBJECT_0)
        TerminateProcess(pi.hProcess, 1);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    return times;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 3) {
        fprintf(stderr, "usage: tray_probe TORNEL_EXE MINIMAL_EXE [RUNS]\n");
        return 2;
    }
    const char* kTornel = "TAVEN Tornel";
    const char* kMinimal = "Tornel Bench Tray";
    int runs = argc > 3 ? atoi(argv[3]) : 10;
    std::vector<double> tornelIcon, tornelLoop, minimalIcon, minimalLoop;
    // One warm-up of each, not counted.
    MeasureStart(argv[1], kTornel);
    MeasureStart(argv[2], kMinimal);
    for (int i = 0; i < runs; ++i) {
        StartTimes t = MeasureStart(argv[1], kTornel);
        StartTimes m = MeasureStart(argv[2], kMinimal);
        if (t.icon < 0 || t.loop < 0 || m.icon < 0 || m.loop < 0) {
            fprintf(stderr,
                    "tray_probe: run %d: a program did not add its icon or reach its message loop "
                    "(Tornel %.1f/%.1f ms, minimal %.1f/%.1f ms)\n",
                    i + 1, t.icon, t.loop, m.icon, m.loop);
            return 1;
        }
        tornelIcon.push_back(t.icon);
        tornelLoop.push_back(t.loop);
        minimalIcon.push_back(m.icon);
        minimalLoop.push_back(m.loop);
    }
    double ti = Median(tornelIcon), mi = Median(minimalIcon);
    double tl = Median(tornelLoop), ml = Median(minimalLoop);
    printf("start to tray icon, median of %d: Tornel %.1f ms, minimal tray program %.1f ms, ratio %.2f\n", runs, ti,
           mi, mi > 0 ? ti / mi : 0);
    printf("start to message loop after the icon, median of %d: Tornel %.1f ms, minimal tray program %.1f ms, "
           "ratio %.2f\n",
           runs, tl, ml, ml > 0 ? tl / ml : 0);
    return 0;
}
