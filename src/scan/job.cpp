// The scan job: turns a destination's stored settings into a scan by the engine,
// collects the scanned lines for the progress dialog's preview, and releases the
// waiting destination when the engine reports the end.
#include <windows.h>

#include <cstring>
#include <memory>
#include <new>

#include "common/handles.h"
#include "common/strings.h"
#include "config/config.h"
#include "scan/scan.h"

ScanState g_scan;
uint8_t ScanParameters[kScanParametersSize];

namespace {

constexpr size_t kPreviewHeaderSize = sizeof(BITMAPINFOHEADER);  // 40
static_assert(kPreviewHeaderSize == 40, "the preview starts with a 40-byte header");

// A finished job's progress thread is in its last cycle for at most about 1.5 s.
constexpr DWORD kProgressThreadEndLimitMs = 10000;
// How long a freer waits for a block of lines being copied into the preview.
constexpr DWORD kPreviewWriterWaitMs = 2000;
// A preview larger than this is not allocated; the scan runs without it.
constexpr long long kPreviewSizeLimit = 512LL * 1024 * 1024;

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
void ReleaseFinishedBlocks()
{
    if (g_scan.JobRunning.load()) {
        (void)g_blocks.job.release();
        (void)g_blocks.request.release();
        return;
    }
    g_blocks.job.reset();
    g_blocks.request.reset();
}

// The job-end event outlives every job: created by the first, reset by each.
UniqueHandle g_jobEnded;

void SignalJobEnded()
{
    if (g_jobEnded)
        SetEvent(g_jobEnded.get());
}

// A job that cannot start still ends: the destination is released as aborted.
void ReleaseDestinationAsAborted()
{
    g_scan.JobAborted = 1;
    SignalJobEnded();
    HANDLE done = g_scan.JobDoneEvent.load();
    if (done)
        SetEvent(done);
}

void FailJobStart(EngineStatus status)
{
    g_blocks.job.reset();
    g_blocks.request.reset();
    ShowEngineError(status);
    ReleaseDestinationAsAborted();
}

// The engine refused the scan itself: its progress thread is told the job is over
// and has ended before the destination is released (its dialog's start clears
// JobAborted), and the user hears of it at once.
void FailScanCall(EngineStatus status)
{
    g_scan.JobRunning = false;
    g_scan.PreviewOpen = false;
    g_scan.ScanFinished = 1;
    ShowEngineError(status);
    WaitForProgressThreadEnd();
    ReleaseFinishedBlocks();
    ReleaseDestinationAsAborted();
}

int KindDocTypeMask(int buttonKind)
{
    return ReadFunctionInt(buttonKind, "DocType", 0);
}

// Sets the fields of ScanParameters that the destination's settings decide.
void ApplyButtonSettings(const ButtonSetting& setting, int buttonKind)
{
    WriteU16(ScanParameters, kParamFixed68, 100);
    // A resolution index outside the list keeps the engine's default resolution.
    int dpi = ResolutionForIndex(setting.Res);
    if (dpi > 0) {
        WriteU16(ScanParameters, kParamXResolution, static_cast<uint16_t>(dpi));
        WriteU16(ScanParameters, kParamYResolution, static_cast<uint16_t>(dpi));
    }
    int doc = DocCodeFromPosition(setting.Doc, KindDocTypeMask(buttonKind));
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

void FillJobBlocks(const char* path, const ButtonSetting& setting, int32_t format)
{
    uint8_t* job = g_blocks.job.get();
    CopyString(reinterpret_cast<char*>(job + kJobPath), kJobPathSize, path);
    WriteU32(job, kJobFormat, static_cast<uint32_t>(format));
    // The area of the same copy as the other settings: GetScanArea would read the
    // table again, and the Button manager may have changed it meanwhile.
    int32_t area[4] = {};
    ScanAreaForIndex(setting.Area, area);
    ClampScanArea(area, g_scan.MaxWidth, g_scan.MaxHeight);
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
bool WaitForJobEnd(HANDLE done)
{
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

// The engine sent no end: stop it, tell the user, and end the job as aborted. The
// preview is closed to a late engine; its blocks are left to it.
void GiveUpSilentJob()
{
    g_scan.JobAborted = 1;
    g_scan.PreviewOpen = false;
    g_scan.ScanFinished = 1;
    g_scan.ScanBusy = false;
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

void CopyIntoPreview(const void* data, uint32_t count)
{
    HGLOBAL block = g_scan.PreviewImage.load();
    if (!block || !data)
        return;
    uint8_t* bits = g_scan.PreviewBits.load();
    if (!bits) {
        bits = static_cast<uint8_t*>(GlobalLock(block));
        if (!bits)
            return;
        g_scan.PreviewWritePos = kPreviewHeaderSize;
        g_scan.PreviewBits = bits;
        g_scan.PreviewLocked = true;
    }
    size_t size = g_scan.PreviewSize.load();
    size_t pos = g_scan.PreviewWritePos.load();
    if (pos >= size)
        return;
    size_t take = count < size - pos ? count : size - pos;
    memcpy(bits + pos, data, take);
    g_scan.PreviewWritePos = pos + take;
}

void OnScanBlock(const void* data, uint32_t count)
{
    // Counted in before the gate is looked at, so a freer either sees this writer or
    // this writer sees the gate closed.
    ++g_scan.PreviewWriters;
    if (g_scan.PreviewOpen.load())
        CopyIntoPreview(data, count);
    --g_scan.PreviewWriters;
}

void OnScanEnd()
{
    // An end after the job was given up (or twice) finds no job to release.
    if (!g_scan.JobRunning.exchange(false))
        return;
    // The event first: the destination may go on while the engine finishes below.
    HANDLE done = g_scan.JobDoneEvent.load();
    if (done)
        SetEvent(done);
    g_scan.PreviewOpen = false;
    g_scan.PreviewLocked = false;
    g_scan.ScanFinished = 1;
    EngineProcessImage(kProcessFinish, ScanParameters);
    g_scan.ScanBusy = false;
    SignalJobEnded();
}

void OnEngineStatus(uint32_t code)
{
    ShowEngineError(static_cast<EngineStatus>(code));
    g_scan.ScanBusy = false;
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

void ClearActiveDestinations()
{
    g_scan.ActiveApplication = 0;
    g_scan.ActivePrinter = 0;
    g_scan.ActiveMail = 0;
    g_scan.ActiveFolder = 0;
}

void SetActiveDestination(Destination destination)
{
    switch (destination) {
    case Destination::Application:
        g_scan.ActiveApplication = 1;
        break;
    case Destination::Printer:
        g_scan.ActivePrinter = 1;
        break;
    case Destination::Mail:
        g_scan.ActiveMail = 1;
        break;
    case Destination::Folder:
        g_scan.ActiveFolder = 1;
        break;
    }
}

bool ScanJobActive() { return g_scan.JobDoneEvent.load() != nullptr || g_scan.ScanBusy.load(); }

void GetScanArea(int32_t area[4], int /*docType: the area does not depend on it*/, int buttonKind)
{
    int areaIndex = (buttonKind >= 0 && buttonKind < kButtonKindCount) ? ReadButtonSetting(buttonKind).Area : 0;
    ScanAreaForIndex(areaIndex, area);
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
    if (!g_scan.JobRunning.load())
        return;
    g_scan.JobAborted = 1;
    EngineStopScan();
    HANDLE ended = g_scan.JobEndedEvent.load();
    if (ended)
        WaitForSingleObject(ended, kExitStopLimitMs);
    // The engine removes what it stopped; one that ended late or not at all may
    // still have left its file.
    if (!g_scan.JobCompleted.load() && g_scan.JobPath[0])
        DeleteFileA(g_scan.JobPath);
}

void FreePreviewImage()
{
    g_scan.PreviewOpen = false;
    // Bounded by the clock: a Sleep(1) can last a whole timer tick (15.6 ms).
    const DWORD start = GetTickCount();
    while (g_scan.PreviewWriters.load() != 0) {
        if (GetTickCount() - start >= kPreviewWriterWaitMs)
            return;  // a writer that never leaves: better a lost block than a freed one in use
        Sleep(1);
    }
    UniqueGlobal block(g_scan.PreviewImage.exchange(nullptr));
    uint8_t* bits = g_scan.PreviewBits.exchange(nullptr);
    g_scan.PreviewLocked = false;
    g_scan.PreviewSize = 0;
    // The engine's thread locked the block at its first block of lines.
    if (block && bits)
        GlobalUnlock(block.get());
}

int AllocatePreviewImage(const void* request)
{
    // A block a previous job left (its progress thread never ran) goes first.
    FreePreviewImage();
    if (!request)
        return 0;
    const uint8_t* job = reinterpret_cast<const uint8_t*>(static_cast<uintptr_t>(ReadU32(request, kRequestJob)));
    if (!job)
        return 0;
    int xres = ReadS16(job, kJobParameters + kParamXResolution);
    int yres = ReadS16(job, kJobParameters + kParamYResolution);
    int left = ReadS32(job, kJobArea), top = ReadS32(job, kJobArea + 4);
    int right = ReadS32(job, kJobArea + 8), bottom = ReadS32(job, kJobArea + 12);
    int type = ReadS32(job, kJobParameters + kParamImageType);
    int bits = ReadU16(job, kJobParameters + kParamBitsPerSample);
    (void)bits;  // the type alone decides the layout of the preview

    long long pixels = static_cast<long long>(right - left) * xres / 100;
    long long lines = static_cast<long long>(bottom - top) * yres / 100;
    if (pixels < 0)
        pixels = 0;
    if (lines < 0)
        lines = 0;
    long long rowBytes;
    if (type == kImageTypeLineArt) {
        rowBytes = (pixels + 7) / 8;
        if (rowBytes > 4)
            rowBytes = rowBytes / 4 * 4;
    } else {
        rowBytes = pixels / 4 * 4;
        if (type == kImageTypeColour)
            rowBytes *= 3;
    }
    long long size = lines * rowBytes;
    if (size > kPreviewSizeLimit)
        return 0;

    UniqueGlobal block(GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, static_cast<SIZE_T>(size) + kPreviewHeaderSize));
    {
        LockedGlobal lock(block.get());
        auto* header = static_cast<BITMAPINFOHEADER*>(lock.get());
        if (!header)
            return 0;
        header->biSize = kPreviewHeaderSize;
        header->biWidth = static_cast<LONG>(type == kImageTypeLineArt  ? rowBytes * 8
                                            : type == kImageTypeColour ? rowBytes / 3
                                                                       : rowBytes);
        header->biHeight = static_cast<LONG>(lines);
        header->biPlanes = 1;
        header->biBitCount = static_cast<WORD>(type == kImageTypeLineArt ? 1 : type == kImageTypeColour ? 24 : 8);
        header->biCompression = BI_RGB;
        header->biSizeImage = static_cast<DWORD>(size);
    }

    g_scan.PreviewBits = nullptr;
    g_scan.PreviewLocked = false;
    g_scan.PreviewWritePos = kPreviewHeaderSize;
    g_scan.PreviewSize = static_cast<size_t>(size) + kPreviewHeaderSize;
    g_scan.PreviewImage = block.release();
    g_scan.PreviewOpen = true;
    return 1;
}

void StartScanJob(const char* path, int buttonKind, int32_t format)
{
    // Consecutive jobs share the flags and the preview: the last one's progress
    // thread must be gone before this one starts.
    WaitForProgressThreadEnd();
    ReleaseFinishedBlocks();
    g_scan.LastNotificationTick = GetTickCount();
    g_scan.ScanFinished = 0;
    g_scan.JobAborted = 0;
    g_scan.JobCompleted = false;
    g_scan.JobResolution = 0;
    if (!g_jobEnded) {
        g_jobEnded.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
        g_scan.JobEndedEvent = g_jobEnded.get();
    }
    if (g_jobEnded)
        ResetEvent(g_jobEnded.get());

    if (!path || strlen(path) >= kJobPathSize || buttonKind < 0 || buttonKind >= kButtonKindCount) {
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
    // One copy of the button's settings for the whole job.
    const ButtonSetting setting = ReadButtonSetting(buttonKind);
    ApplyButtonSettings(setting, buttonKind);
    g_scan.JobResolution = ReadU16(ScanParameters, kParamXResolution);
    FillJobBlocks(path, setting, format);

    StartProgressThread();
    AllocatePreviewImage(g_blocks.request.get());
    CopyString(g_scan.JobPath, path);
    g_scan.LastNotificationTick = GetTickCount();
    g_scan.JobRunning = true;
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
        OnEngineStatus(code);
        break;
    }
    g_scan.LastNotificationTick = GetTickCount();
    --g_scan.NotificationsInside;
    return 0;
}

bool RunScanJob(const char* path, int buttonKind, int32_t format)
{
    // No path could be formed; MakeOutputFileName has said why.
    if (!path[0])
        return false;
    UniqueHandle done(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    if (!done) {
        ShowEngineError(kStatusNotEnoughMemory);
        return false;
    }
    g_scan.JobDoneEvent = done.get();
    StartScanJob(path, buttonKind, format);
    bool ended = WaitForJobEnd(done.get());
    if (!ended)
        GiveUpSilentJob();
    ResetEvent(done.get());
    g_scan.JobDoneEvent = nullptr;
    ReleaseFinishedBlocks();
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
