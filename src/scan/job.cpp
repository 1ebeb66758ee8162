// The scan job: turns the settings a press took into a scan by the engine, hands the
// scanned lines to the preview, and releases the waiting destination at the end.
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "common/handles.h"
#include "common/strings.h"
#include "config/config.h"
#include "scan/preview.h"
#include "scan/scan.h"

ScanState g_scan;
uint8_t ScanParameters[kScanParametersSize];

namespace {

// A finished job's progress thread is in its last cycle for at most about 1.5 s.
constexpr DWORD kProgressThreadEndLimitMs = 10000;
// How long a closing program waits for the engine to end a stopped scan.
constexpr DWORD kExitStopLimitMs = 10000;

// The blocks the engine scans for; they must outlive the scan call until the end
// notification. Dispatching thread only.
struct JobBlocks {
    std::unique_ptr<uint8_t[]> job;
    std::unique_ptr<uint8_t[]> request;
};
JobBlocks g_blocks;
// The last job's progress thread, kept so that the next job can wait for its end.
// Dispatching thread only.
UniqueHandle g_progressThread;

// Written by tests before a job; read by the dispatching thread.
std::atomic<DWORD> g_silenceLimit{kEngineSilenceLimitMs};
// The class before the job raised it. Written by the dispatching thread before the
// progress thread starts; read by that thread at its end.
std::atomic<DWORD> g_savedPriorityClass{0};

// The blocks of a job the engine has ended are freed; those of a job it never ended
// are left to it, since a silent engine may still read them.
void ReleaseBlocks(bool engineEnded)
{
    if (!engineEnded) {
        (void)g_blocks.job.release();
        (void)g_blocks.request.release();
    }
    g_blocks.job.reset();
    g_blocks.request.reset();
}

// A job that cannot start still ends: the destination is released as aborted.
void ReleaseDestinationAsAborted()
{
    g_scan.JobAborted = 1;
    g_scan.Phase = JobPhase::Ending;
    SetEvent(g_scan.JobEnded.get());
}

void FailJobStart(EngineStatus status)
{
    ReleaseBlocks(true);
    ShowEngineError(status);
    ReleaseDestinationAsAborted();
}

// The engine refused the scan itself: its progress thread sees the job end and has
// ended before the destination is released (its dialog's start clears JobAborted),
// and the user hears of it at once.
void FailScanCall(EngineStatus status)
{
    g_scan.Phase = JobPhase::Ending;
    ShowEngineError(status);
    WaitForProgressThreadEnd();
    ReleaseBlocks(true);
    ReleaseDestinationAsAborted();
}

// Sets the fields of ScanParameters that the order's settings decide.
void ApplyScanOrder(const ScanOrder& order)
{
    const ButtonSetting& setting = order.setting;
    WriteU16(ScanParameters, kParamFixed68, 100);
    // A resolution index outside the list keeps the engine's default resolution.
    int dpi = ResolutionForIndex(setting.Res);
    if (dpi > 0) {
        WriteU16(ScanParameters, kParamXResolution, static_cast<uint16_t>(dpi));
        WriteU16(ScanParameters, kParamYResolution, static_cast<uint16_t>(dpi));
    }
    int doc = DocCodeFromPosition(setting.Doc, order.docTypes);
    BrightnessLevels level = BrightnessForIndex(setting.Bri);
    if (doc >= 0 && doc < kDocTypeCount) {
        WriteU32(ScanParameters, kParamImageType, static_cast<uint32_t>(kDocTypes[doc].imageType));
        WriteU16(ScanParameters, kParamBitsPerSample, static_cast<uint16_t>(kDocTypes[doc].bitsPerSample));
        if (kDocTypes[doc].imageType == kImageTypeLineArt) {
            WriteU16(ScanParameters, kParamBlackWhiteLevel, static_cast<uint16_t>(level.blackWhite));
        } else {
            WriteU16(ScanParameters, kParamBlackWhiteLevel, 0);
            WriteU16(ScanParameters, kParamToneLevel, static_cast<uint16_t>(level.tone));
        }
    }
    WriteU32(ScanParameters, kParamFixed56, 2);
}

void FillJobBlocks(const char* path, const ScanOrder& order, int32_t format)
{
    uint8_t* job = g_blocks.job.get();
    CopyString(reinterpret_cast<char*>(job + kJobPath), kJobPathSize, path);
    WriteU32(job, kJobFormat, static_cast<uint32_t>(format));
    int32_t area[4] = {};
    GetScanArea(area, order);
    for (int i = 0; i < 4; ++i)
        WriteU32(job, kJobArea + 4 * i, static_cast<uint32_t>(area[i]));
    memcpy(job + kJobParameters, ScanParameters, kScanParametersSize);

    uint8_t* request = g_blocks.request.get();
    WriteU32(request, kRequestJob, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(job)));
    request[4] = kRequestByte4;
    request[5] = kRequestByte5;
    request[6] = kRequestByte6;
}

void StartProgressThread()
{
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, ScanProgressThread, nullptr, CREATE_SUSPENDED, &threadId);
    if (!thread)
        return;  // the scan runs without its dialog
    SetThreadPriority(thread, THREAD_PRIORITY_HIGHEST);
    DWORD current = GetPriorityClass(GetCurrentProcess());
    g_savedPriorityClass = current ? current : NORMAL_PRIORITY_CLASS;
    SetPriorityClass(GetCurrentProcess(), HIGH_PRIORITY_CLASS);
    g_progressThread.reset(thread);
    ResumeThread(thread);
}

// Blocks until the event is signalled; false when the engine stayed silent for the
// whole limit. Time inside a notification (an error box may be open on the engine's
// thread) does not count as silence.
bool WaitForJobEnd()
{
    HANDLE done = g_scan.JobEnded.get();
    for (;;) {
        DWORD limit = g_silenceLimit.load();
        DWORD silent = GetTickCount() - g_scan.LastNotificationTick.load();
        if (g_scan.NotificationsInside.load() > 0)
            silent = 0;
        if (silent >= limit)
            return WaitForSingleObject(done, 0) == WAIT_OBJECT_0;
        DWORD result = WaitForSingleObject(done, limit - silent);
        if (result == WAIT_OBJECT_0)
            return true;
        if (result != WAIT_TIMEOUT)
            return false;
    }
}

// The engine sent no end: stop it, tell the user, and end the job as aborted. A late
// engine finds the job ended: its lines and its end are dropped; its blocks are left to it.
void GiveUpSilentJob()
{
    g_scan.JobAborted = 1;
    g_scan.Phase = JobPhase::Ending;
    EngineStopScan();
    ShowEngineError(kStatusTimeOut);
}

void OnScanStarted()
{
    g_scan.AbortRequestedUsable = true;
    HWND dialog = g_scan.ProgressDialog.load();
    // Never a synchronous call into the dialog's thread: it pumps no messages.
    if (dialog)
        ShowWindowAsync(dialog, SW_SHOWNORMAL);
}

void OnScanBlock(const void* data, uint32_t count)
{
    if (JobScanning())
        WritePreviewBlock(data, count);
}

// The first end of a scanning job ends it. The event comes first, so the destination
// may go on while the engine finishes; a scan the closing program stopped is finished
// before the event, so the teardown never releases the engine under the finish.
void OnScanEnd()
{
    JobPhase was = g_scan.Phase.load();
    do {
        if (was != JobPhase::Scanning && was != JobPhase::Stopping)
            return;  // an end after the job was given up, or a second end
    } while (!g_scan.Phase.compare_exchange_weak(was, JobPhase::Ending));
    const bool stopped = was == JobPhase::Stopping;
    if (stopped)
        EngineProcessImage(kProcessFinish, ScanParameters);
    SetEvent(g_scan.JobEnded.get());
    if (!stopped)
        EngineProcessImage(kProcessFinish, ScanParameters);
}

// The last page a finished job filed as a BMP since the program started. Written by
// the dispatching thread at the job's end, read by the window thread for its menu and
// by a re-send; always under the lock.
struct FiledPage {
    CriticalSection lock;
    char path[260] = {};
};
FiledPage g_filedPage;

void RememberFiledPage(const char* path)
{
    CriticalSectionLock held(g_filedPage.lock.get());
    CopyString(g_filedPage.path, path);
}

}  // namespace

bool ScanJobActive() { return g_scan.Phase.load() != JobPhase::Idle; }

bool JobScanning()
{
    const JobPhase phase = g_scan.Phase.load();
    return phase == JobPhase::Scanning || phase == JobPhase::Stopping;
}

ScanOrder ScanOrderFor(int kind)
{
    return ScanOrder{kind, ReadButtonSetting(kind), ReadFunctionInt(kind, "DocType", 0)};
}

void GetScanArea(int32_t area[4], const ScanOrder& order)
{
    ScanAreaForIndex(order.setting.Area, area);
    ClampScanArea(area, g_scan.MaxWidth, g_scan.MaxHeight);
}

void SetEngineSilenceLimitForTests(DWORD milliseconds)
{
    g_silenceLimit = milliseconds ? milliseconds : kEngineSilenceLimitMs;
}

void WaitForProgressThreadEnd()
{
    if (!g_progressThread)
        return;
    WaitForSingleObject(g_progressThread.get(), kProgressThreadEndLimitMs);
    g_progressThread.reset();
}

void RestoreJobPriorityClass()
{
    DWORD saved = g_savedPriorityClass.exchange(0);
    if (saved)
        SetPriorityClass(GetCurrentProcess(), saved);
}

void StopScanForExit()
{
    JobPhase scanning = JobPhase::Scanning;
    if (!g_scan.Phase.compare_exchange_strong(scanning, JobPhase::Stopping))
        return;
    g_scan.JobAborted = 1;
    EngineStopScan();
    WaitForSingleObject(g_scan.JobEnded.get(), kExitStopLimitMs);
    // The engine removes what it stopped; one that ended late or not at all may
    // still have left its file.
    if (!g_scan.JobCompleted.load() && g_scan.JobPath[0])
        DeleteFileA(g_scan.JobPath);
}

void StartScanJob(const char* path, const ScanOrder& order, int32_t format)
{
    // Consecutive jobs share the flags and the preview: the last one's progress
    // thread must be gone before this one starts.
    WaitForProgressThreadEnd();
    ReleaseBlocks(!JobScanning());
    g_scan.Phase = JobPhase::Starting;
    ResetEvent(g_scan.JobEnded.get());
    g_scan.LastNotificationTick = GetTickCount();
    g_scan.JobAborted = 0;
    g_scan.JobCompleted = false;
    g_scan.JobResolution = 0;

    if (!path || strlen(path) >= kJobPathSize || order.kind < 0 || order.kind >= kButtonKindCount) {
        FailJobStart(kStatusBadArguments);
        return;
    }
    g_blocks.job.reset(new (std::nothrow) uint8_t[kScanJobSize]());
    g_blocks.request.reset(new (std::nothrow) uint8_t[kScanRequestSize]());
    if (!g_blocks.job || !g_blocks.request) {
        FailJobStart(kStatusNotEnoughMemory);
        return;
    }

    uint8_t capabilities[kScannerCapabilitiesSize] = {};
    EngineStatus status = EngineGetScannerCapabilities(capabilities);
    g_scan.MaxWidth = ReadU16(capabilities, kCapsMaxWidthOffset);
    g_scan.MaxHeight = ReadU16(capabilities, kCapsMaxHeightOffset);
    if (status != kStatusOk) {
        FailJobStart(status);
        return;
    }
    WriteU32(ScanParameters, kParamFirstField, 0);
    status = EngineProcessImage(kProcessDefaults, ScanParameters);
    if (status != kStatusOk) {
        FailJobStart(status);
        return;
    }
    ApplyScanOrder(order);
    g_scan.JobResolution = ReadU16(ScanParameters, kParamXResolution);
    FillJobBlocks(path, order, format);

    CopyString(g_scan.JobPath, path);
    g_scan.Phase = JobPhase::Scanning;
    StartProgressThread();
    OpenPreview(g_blocks.request.get());
    g_scan.LastNotificationTick = GetTickCount();
    status = EngineScanAsync(g_blocks.request.get(), OnEngineNotification);
    if (status != kStatusOk)
        FailScanCall(status);
}

int32_t __cdecl OnEngineNotification(void* data, uint32_t count, uint32_t code)
{
    ++g_scan.NotificationsInside;
    switch (code) {
    case kNotifyScanStarted:
        OnScanStarted();
        break;
    case kNotifyScanBlock:
        OnScanBlock(data, count);
        break;
    case kNotifyScanDone:
        g_scan.JobCompleted = true;
        OnScanEnd();
        break;
    case kNotifyScanEnded:
        OnScanEnd();
        break;
    default:
        ShowEngineError(static_cast<EngineStatus>(code));
        break;
    }
    g_scan.LastNotificationTick = GetTickCount();
    --g_scan.NotificationsInside;
    return 0;
}

bool RunScanJob(const char* path, const ScanOrder& order, int32_t format)
{
    // No path could be formed; MakeOutputFileName has said why.
    if (!path[0])
        return false;
    StartScanJob(path, order, format);
    const bool ended = WaitForJobEnd();
    if (!ended)
        GiveUpSilentJob();
    ReleaseBlocks(ended);
    g_scan.Phase = JobPhase::Idle;
    const bool finished = ended && g_scan.JobAborted.load() == 0;
    if (finished && format == kOutputFormatBmp)
        RememberFiledPage(path);
    return finished;
}

bool LastFiledPage(char (&path)[260])
{
    CriticalSectionLock held(g_filedPage.lock.get());
    CopyString(path, g_filedPage.path);
    return path[0] != '\0';
}
