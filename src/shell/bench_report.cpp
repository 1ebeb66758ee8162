#include "shell/bench_report.h"

// Only the debug build (TORNEL_BENCH_REPORT) answers; what ships has no such report.
LRESULT AnswerGuiCountsRequest(UINT message)
{
#ifdef TORNEL_BENCH_REPORT
    static const UINT request = RegisterWindowMessageA(kGuiCountsMessageName);
    if (request == 0 || message != request)
        return 0;
    HANDLE self = GetCurrentProcess();
    const DWORD gdi = GetGuiResources(self, GR_GDIOBJECTS);
    const DWORD user = GetGuiResources(self, GR_USEROBJECTS);
    return MAKELRESULT(gdi, user);
#else
    (void)message;
    return 0;
#endif
}
