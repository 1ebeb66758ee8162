#include "shell/bench_report.h"

#ifdef TORNEL_BENCH_REPORT
namespace {

// This process's count of one kind, at most kGuiCountUnknown - 1; kGuiCountUnknown
// when the system does not count it.
DWORD OwnCount(DWORD kind)
{
    SetLastError(ERROR_SUCCESS);
    const DWORD count = GetGuiResources(GetCurrentProcess(), kind);
    if (count == 0 && GetLastError() != ERROR_SUCCESS)
        return kGuiCountUnknown;
    return count < kGuiCountUnknown ? count : kGuiCountUnknown - 1;
}

}  // namespace
#endif

// Only the debug build (TORNEL_BENCH_REPORT) answers; what ships has no such report.
LRESULT AnswerGuiCountsRequest(UINT message)
{
#ifdef TORNEL_BENCH_REPORT
    static const UINT request = RegisterWindowMessageA(kGuiCountsMessageName);
    if (request == 0 || message != request)
        return 0;
    const DWORD gdi = OwnCount(GR_GDIOBJECTS);
    const DWORD user = OwnCount(GR_USEROBJECTS);
    return kGuiCountsAnswered | static_cast<LRESULT>(gdi) | static_cast<LRESULT>(user << 16);
#else
    (void)message;
    return 0;
#endif
}
