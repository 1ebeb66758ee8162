// Memory of a resident program as Windows reports it: finds the window (class and
// title both NAME), its process, and prints the working set and the private bytes
// from GetProcessMemoryInfo and its handle count (Wine reports the private bytes of the calling process
// only; the Linux view of bench/tray_bench.py gives them). Wine does not give another
// process's GDI and USER counts either: Tornel's debug build answers the benchmarks'
// own registered message with them, and the release build does not answer at all.
//   tray_memory NAME...
#include <windows.h>
#include <psapi.h>

#include <cstdio>

#include "common/handles.h"
#include "shell/bench_report.h"

namespace {

bool PrintMemory(const char* name)
{
    HWND window = FindWindowA(name, name);
    if (!window) {
        fprintf(stderr, "tray_memory: no window \"%s\"\n", name);
        return false;
    }
    DWORD processId = 0;
    GetWindowThreadProcessId(window, &processId);
    UniqueHandle process(OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, processId));
    if (!process) {
        fprintf(stderr, "tray_memory: cannot open the process of \"%s\" (error %lu)\n", name, GetLastError());
        return false;
    }
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    if (!GetProcessMemoryInfo(process.get(), reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters),
                              sizeof counters)) {
        fprintf(stderr, "tray_memory: GetProcessMemoryInfo failed (error %lu)\n", GetLastError());
        return false;
    }
    DWORD_PTR counts = 0;
    if (SendMessageTimeoutA(window, RegisterWindowMessageA(kGuiCountsMessageName), 0, 0, SMTO_ABORTIFHUNG, 5000,
                            &counts) &&
        (counts & kGuiCountsAnswered)) {
        const DWORD gdi = counts & kGuiCountUnknown, user = (counts >> 16) & kGuiCountUnknown;
        if (gdi == kGuiCountUnknown || user == kGuiCountUnknown)
            printf("%s: GDI and USER objects not counted by this system, ", name);
        else
            printf("%s: GDI objects %lu, USER objects %lu, ", name, static_cast<unsigned long>(gdi),
                   static_cast<unsigned long>(user));
    }
    DWORD handles = 0;
    // Wine answers 0 for another process: that is no count.
    if (GetProcessHandleCount(process.get(), &handles) && handles != 0)
        printf("%s: handles %lu, ", name, static_cast<unsigned long>(handles));
    else
        printf("%s: handles not reported, ", name);
    printf("working set %lu KB (peak %lu KB), ", static_cast<unsigned long>(counters.WorkingSetSize / 1024),
           static_cast<unsigned long>(counters.PeakWorkingSetSize / 1024));
    // Wine fills the private bytes only for the calling process itself.
    if (counters.PrivateUsage == 0)
        printf("private bytes not reported for another process\n");
    else
        printf("private bytes %lu KB\n", static_cast<unsigned long>(counters.PrivateUsage / 1024));
    return true;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2) {
        fprintf(stderr, "usage: tray_memory NAME...\n");
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        if (!PrintMemory(argv[i]))
            status = 1;
    }
    return status;
}
