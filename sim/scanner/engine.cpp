// "TNENGINE.dll" of the virtual flatbed. It scans its own test page at the
// requested area, resolution and type, writes the file the job names, and reports
// through the scan notification from a worker thread of its own: 211, a 212 per
// band of lines, then exactly one 213 (done) or 214 (stopped or failed).
// Button presses from the scanner control tool reach the registered button
// callback on a second thread, which never waits for a scan, so a callback may
// run a whole scan before it returns.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <memory>
#include <vector>

#include "common/handles.h"
#include "common/strings.h"
#include "image_file.h"
#include "scan/engine_abi.h"
#include "scan_geometry.h"
#include "sim_config.h"
#include "test_page.h"

extern "C" IMAGE_DOS_HEADER __ImageBase;

namespace {

constexpr int kBandLines = 64;
constexpr DWORD kJoinTimeoutMs = 10000;        // a release waits this long for a scan or the button thread
constexpr DWORD kPreviousScanWaitMs = 5000;    // a new scan waits this long for the last one's end call

// The button thread's objects. Two owners hold it, the thread and the engine; the
// last to let go deletes it, so a thread that outlives a bounded join (its callback
// still running) never touches freed memory.
struct ButtonChannel {
    UniqueHandle pressEvent;
    UniqueHandle enteredEvent;
    UniqueHandle stopEvent;
    UniqueHandle mapping;
    UniqueView view;
    SimButtonState* state = nullptr;  // the view
    std::atomic<int> owners{2};
};

void LetGo(ButtonChannel* channel)
{
    if (channel->owners.fetch_sub(1) == 1)
        delete channel;
}

struct EngineState {
    // Taken by the calling threads around starting, retiring and joining threads;
    // never by the scan worker or the button thread, and never held across a callback.
    CRITICAL_SECTION control;
    UniqueHandle scanThread;      // under control: written by TNeScanAsync, joined by the releases
    DWORD scanThreadId = 0;       // under control
    HANDLE stopEvent = nullptr;   // manual reset; set by TNeStopScan, waited on by a paced worker
    // Set by TNeScanAsync, cleared by the worker right before its end notification.
    std::atomic<bool> scanActive{false};
    // Set by TNeStopScan and the releases, cleared by TNeScanAsync; read by the worker between bands.
    std::atomic<bool> stopRequested{false};
    // Written by TNeRegisterNotification, read by the button thread at each press.
    std::atomic<ButtonNotifyProc> buttonCallback{nullptr};
    UniqueHandle buttonThread;      // under control
    DWORD buttonThreadId = 0;       // under control
    ButtonChannel* button = nullptr;  // under control; the engine's share of the channel
};

EngineState g_engine;

struct ControlLock : CriticalSectionLock {
    ControlLock() : CriticalSectionLock(&g_engine.control) {}
};

// The settings file beside this DLL, read afresh at every call that needs it so a
// test or the control tool can change it while a program runs.
struct SimIni {
    char path[MAX_PATH];
    SimIni()
    {
        if (!SimIniPathBeside(reinterpret_cast<HMODULE>(&__ImageBase), path))
            path[0] = '\0';
    }
    int Int(const char* section, const char* key, int defaultValue) const
    {
        return path[0] ? ReadSimInt(path, section, key, defaultValue) : defaultValue;
    }
    int Fault(const char* entryPoint) const { return Int(kSimFaultsSection, entryPoint, 0); }
    bool Plugged() const { return Int(kSimScannerSection, kSimPluggedKey, 1) != 0; }
    int BedWidth() const { return Int(kSimScannerSection, kSimMaxWidthKey, kSimDefaultMaxWidth); }
    int BedHeight() const { return Int(kSimScannerSection, kSimMaxHeightKey, kSimDefaultMaxHeight); }
};

// ---------------------------------------------------------------------------
// The scan worker

// Everything a scan needs, copied out of the caller's job when the scan starts.
struct ScanTask {
    EngineNotifyProc notify = nullptr;
    EngineStatus jobStatus = 0;  // 0, or the status the job's values earned
    ScanGeometry geometry;
    int format = 0;
    char path[kJobPathSize] = {};
    int bedWidth = 0;
    int bedHeight = 0;
    bool textPage = false;
};

enum class ScanEnd { Done, Ended, Silent };

void NotifyStatus(const ScanTask& task, EngineStatus status)
{
    task.notify(nullptr, 0, static_cast<uint32_t>(status));
}

// Turns one rendered row into the file's packed row and the preview row.
struct RowConverter {
    const ScanGeometry& geometry;
    uint8_t tone[256];
    int threshold;
    size_t packedBytes;
    size_t previewBytes;
    std::vector<uint8_t> grey;

    explicit RowConverter(const ScanGeometry& g)
        : geometry(g), threshold(LineArtThreshold(g.blackWhiteLevel)), packedBytes(PackedRowBytes(g.imageType, g.pixels)),
          previewBytes(PreviewRowBytes(g.imageType, g.pixels)), grey(static_cast<size_t>(g.pixels))
    {
        MakeToneTable(g.toneLevel, tone);
    }

    void Convert(const uint8_t* bgr, uint8_t* packed, uint8_t* preview)
    {
        const size_t pixels = static_cast<size_t>(geometry.pixels);
        if (geometry.imageType == kImageTypeColour) {
            for (size_t i = 0; i < pixels * 3; ++i)
                packed[i] = tone[bgr[i]];
            memcpy(preview, packed, previewBytes);
            return;
        }
        for (size_t x = 0; x < pixels; ++x)
            grey[x] = GreyOf(bgr[3 * x], bgr[3 * x + 1], bgr[3 * x + 2]);
        if (geometry.imageType == kImageTypeGrey) {
            for (size_t x = 0; x < pixels; ++x)
                packed[x] = tone[grey[x]];
            memcpy(preview, packed, previewBytes);
            return;
        }
        PackLineArt(grey.data(), geometry.pixels, threshold, packed, packedBytes, 0);
        // Preview pixels past the right edge show as paper.
        PackLineArt(grey.data(), geometry.pixels, threshold, preview, previewBytes, 1);
    }
};

// Holds a paced scan back until the lines done are due; a stop wakes it at once.
void PaceWait(DWORD startTick, int linesDone, int linesPerSecond)
{
    if (linesPerSecond <= 0)
        return;
    uint64_t dueMs = static_cast<uint64_t>(linesDone) * 1000u / static_cast<uint64_t>(linesPerSecond);
    uint64_t elapsed = GetTickCount() - startTick;
    if (dueMs > elapsed)
        WaitForSingleObject(g_engine.stopEvent, static_cast<DWORD>(dueMs - elapsed));
}

ScanEnd RunScan(const ScanTask& task)
{
    SimIni ini;
    if (task.jobStatus != 0) {
        NotifyStatus(task, task.jobStatus);
        return ScanEnd::Ended;
    }
    if (!ini.Plugged()) {
        NotifyStatus(task, kStatusDeviceNotConnected);
        return ScanEnd::Ended;
    }
    const int linesPerSecond = ini.Int(kSimScannerSection, kSimLinesPerSecondKey, 0);
    const int scanError = ini.Fault(kSimScanErrorKey);
    const bool noEnd = ini.Fault(kSimNoEndNotificationKey) != 0;
    const ScanGeometry& g = task.geometry;

    task.notify(nullptr, 0, kNotifyScanStarted);

    TestPageRenderer renderer;
    if (!renderer.Create(g, task.bedWidth, task.bedHeight, kBandLines, task.textPage)) {
        NotifyStatus(task, kStatusNotEnoughMemory);
        return ScanEnd::Ended;
    }
    ImageFileWriter writer;
    if (!writer.Open(task.path, task.format, g, kBandLines)) {
        NotifyStatus(task, kStatusFileIoError);
        return ScanEnd::Ended;
    }
    RowConverter converter(g);
    std::vector<uint8_t> packed(converter.packedBytes * kBandLines);
    std::vector<uint8_t> preview(converter.previewBytes * kBandLines + 1);
    const int errorLine = scanError != 0 ? g.lines / 2 : -1;
    const DWORD startTick = GetTickCount();

    for (int first = 0; first < g.lines; first += kBandLines) {
        const int count = std::min(kBandLines, g.lines - first);
        if (g_engine.stopRequested.load())
            return ScanEnd::Ended;  // the writer deletes the unfinished file
        if (!ini.Plugged()) {
            writer.Abort();
            NotifyStatus(task, kStatusDeviceNotConnected);
            return ScanEnd::Ended;
        }
        const uint8_t* rows = renderer.Render(first);
        for (int i = 0; i < count; ++i)
            converter.Convert(rows + static_cast<size_t>(i) * renderer.Stride(),
                              packed.data() + static_cast<size_t>(i) * converter.packedBytes,
                              preview.data() + static_cast<size_t>(i) * converter.previewBytes);
        if (!writer.WriteBand(first, count, packed.data())) {
            writer.Abort();
            NotifyStatus(task, kStatusFileIoError);
            return ScanEnd::Ended;
        }
        task.notify(preview.data(), static_cast<uint32_t>(converter.previewBytes * static_cast<size_t>(count)),
                    kNotifyScanBlock);
        if (errorLine >= first && errorLine < first + count) {
            writer.Abort();
            NotifyStatus(task, scanError);
            return ScanEnd::Ended;
        }
        PaceWait(startTick, first + count, linesPerSecond);
    }
    if (!writer.Finish()) {
        NotifyStatus(task, kStatusFileIoError);
        return ScanEnd::Ended;
    }
    return noEnd ? ScanEnd::Silent : ScanEnd::Done;
}

// The engine's own time of one scan, for the benchmarks, when its settings ask for it.
void LogScanTime(LARGE_INTEGER start, LARGE_INTEGER end)
{
    SimIni ini;
    if (!ini.Int(kSimBenchSection, kSimScanLogKey, 0))
        return;
    char path[MAX_PATH];
    CopyString(path, ini.path);
    char* name = strrchr(path, '\\');
    if (!name || !CopyString(name + 1, sizeof path - static_cast<size_t>(name + 1 - path), kSimScanLogName))
        return;
    char line[64];
    FormatString(line, "scan %lld %lld\r\n", static_cast<long long>(start.QuadPart), static_cast<long long>(end.QuadPart));
    UniqueFile log(CreateFileA(path, FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (log)
        WriteFile(log.get(), line, static_cast<DWORD>(strlen(line)), &written, nullptr);
}

DWORD WINAPI ScanWorker(void* parameter)
{
    std::unique_ptr<ScanTask> task(static_cast<ScanTask*>(parameter));
    LARGE_INTEGER start, finished;
    QueryPerformanceCounter(&start);
    ScanEnd end = RunScan(*task);
    QueryPerformanceCounter(&finished);
    if (end == ScanEnd::Done)
        LogScanTime(start, finished);
    // The scan is over once its file is complete or gone: a caller released by
    // the end notification may start the next one at once.
    g_engine.scanActive.store(false);
    if (end == ScanEnd::Done)
        task->notify(nullptr, 0, kNotifyScanDone);
    else if (end == ScanEnd::Ended)
        task->notify(nullptr, 0, kNotifyScanEnded);
    return 0;
}

// Under control: lets go of the last scan's thread, which has sent its end
// notification and is returning from it. False when it cannot be waited for.
bool RetirePreviousScan()
{
    if (!g_engine.scanThread)
        return true;
    if (g_engine.scanThreadId == GetCurrentThreadId())
        return false;  // called from that scan's own notification
    if (WaitForSingleObject(g_engine.scanThread.get(), kPreviousScanWaitMs) != WAIT_OBJECT_0)
        return false;
    g_engine.scanThread.reset();
    g_engine.scanThreadId = 0;
    return true;
}

// Under control: stops a running scan and waits (bounded) until its worker,
// end notification included, is done.
void StopAndJoinScan()
{
    if (!g_engine.scanThread)
        return;
    g_engine.stopRequested.store(true);
    SetEvent(g_engine.stopEvent);
    if (g_engine.scanThreadId == GetCurrentThreadId())
        return;  // released from inside a notification: the worker ends after it returns
    if (WaitForSingleObject(g_engine.scanThread.get(), kJoinTimeoutMs) != WAIT_OBJECT_0)
        return;
    g_engine.scanThread.reset();
    g_engine.scanThreadId = 0;
}

std::unique_ptr<ScanTask> ReadScanTask(void* job, EngineNotifyProc notify)
{
    SimIni ini;
    auto task = std::make_unique<ScanTask>();
    task->notify = notify;
    task->bedWidth = ini.BedWidth();
    task->bedHeight = ini.BedHeight();
    task->textPage = ini.Int(kSimScannerSection, kSimTextPageKey, 0) != 0;
    task->jobStatus = ReadScanGeometry(job, task->bedWidth, task->bedHeight, &task->geometry);
    task->format = ReadS32(job, kJobFormat);
    const char* path = static_cast<const char*>(job) + kJobPath;
    if (task->jobStatus == 0 && (task->format != kOutputFormatBmp && task->format != kOutputFormatTiff))
        task->jobStatus = kStatusUnsupportedMode;
    if (task->jobStatus == 0 && (path[0] == '\0' || !memchr(path, '\0', kJobPathSize)))
        task->jobStatus = kStatusBadArguments;
    if (task->jobStatus == 0)
        CopyString(task->path, path);
    return task;
}

// ---------------------------------------------------------------------------
// The button thread

void DeliverPress(ButtonChannel& channel)
{
    ButtonNotifyProc callback = g_engine.buttonCallback.load();
    if (!callback)
        return;
    SimButtonState* state = channel.state;
    LONG sequence = state->pressSequence;
    uint32_t code = state->code;
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    state->callbackThreadId = static_cast<LONG>(GetCurrentThreadId());
    state->enteredQpc = now.QuadPart;
    InterlockedExchange(&state->enteredSequence, sequence);
    SetEvent(channel.enteredEvent.get());

    uint32_t record = code;
    callback(&record);

    QueryPerformanceCounter(&now);
    state->returnedQpc = now.QuadPart;
    InterlockedExchange(&state->returnedSequence, sequence);
}

DWORD WINAPI ButtonWorker(void* parameter)
{
    ButtonChannel* channel = static_cast<ButtonChannel*>(parameter);
    // The stop event comes first so that it wins over a pending press.
    HANDLE waits[2] = {channel->stopEvent.get(), channel->pressEvent.get()};
    while (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0 + 1)
        DeliverPress(*channel);
    LetGo(channel);
    return 0;
}

ButtonChannel* OpenButtonChannel()
{
    auto channel = std::make_unique<ButtonChannel>();
    channel->pressEvent.reset(CreateEventA(nullptr, FALSE, FALSE, kSimButtonPressEvent));
    channel->enteredEvent.reset(CreateEventA(nullptr, FALSE, FALSE, kSimButtonEnteredEvent));
    channel->stopEvent.reset(CreateEventA(nullptr, TRUE, FALSE, nullptr));
    channel->mapping.reset(CreateFileMappingA(INVALID_HANDLE_VALUE, nullptr, PAGE_READWRITE, 0,
                                              sizeof(SimButtonState), kSimButtonStateBlock));
    if (!channel->pressEvent || !channel->enteredEvent || !channel->stopEvent || !channel->mapping)
        return nullptr;
    channel->view.reset(MapViewOfFile(channel->mapping.get(), FILE_MAP_ALL_ACCESS, 0, 0, sizeof(SimButtonState)));
    channel->state = static_cast<SimButtonState*>(channel->view.get());
    return channel->state ? channel.release() : nullptr;
}

// Under control. The thread of a callback that never returns is left running
// after the bounded wait; its channel stays alive until it ends.
void StopButtonThread()
{
    if (!g_engine.buttonThread)
        return;
    ButtonChannel* channel = g_engine.button;
    InterlockedExchange(&channel->state->listenerThreadId, 0);
    SetEvent(channel->stopEvent.get());
    if (g_engine.buttonThreadId != GetCurrentThreadId())
        WaitForSingleObject(g_engine.buttonThread.get(), kJoinTimeoutMs);
    g_engine.buttonThread.reset();
    g_engine.buttonThreadId = 0;
    g_engine.button = nullptr;
    LetGo(channel);
}

EngineStatus StartButtonThread()
{
    if (g_engine.buttonThread)
        return kStatusOk;
    ButtonChannel* channel = OpenButtonChannel();
    if (!channel)
        return kStatusUnableToOpenDevice;
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, ButtonWorker, channel, 0, &threadId);
    if (!thread) {
        delete channel;
        return kStatusNotEnoughMemory;
    }
    g_engine.buttonThread.reset(thread);
    g_engine.buttonThreadId = threadId;
    g_engine.button = channel;
    InterlockedExchange(&channel->state->listenerThreadId, static_cast<LONG>(threadId));
    return kStatusOk;
}

}  // namespace

// ---------------------------------------------------------------------------
// Entry points

extern "C" {

BOOL WINAPI DllMain(HINSTANCE, DWORD reason, LPVOID)
{
    // Only objects are made here; threads are started and joined by the entry
    // points, never from here.
    if (reason == DLL_PROCESS_ATTACH) {
        InitializeCriticalSection(&g_engine.control);
        g_engine.stopEvent = CreateEventA(nullptr, TRUE, FALSE, nullptr);
        return g_engine.stopEvent != nullptr;
    }
    return TRUE;
}

EngineStatus __cdecl TNeInitEngine(void) { return SimIni().Fault("TNeInitEngine"); }

EngineStatus __cdecl TNeChooseScanner(void* scannerRecord)
{
    SimIni ini;
    if (int fault = ini.Fault("TNeChooseScanner"))
        return fault;
    if (!scannerRecord)
        return kStatusBadArguments;
    const char* deviceId = static_cast<const char*>(scannerRecord) + kSimRecordDeviceIdOffset;
    if (!ini.Plugged() || strncmp(deviceId, kSimDeviceId, sizeof kSimDeviceId) != 0)
        return kStatusChosenDeviceNotFound;
    return kStatusOk;
}

EngineStatus __cdecl TNeGetScannerCapabilities(void* capabilities)
{
    SimIni ini;
    if (!capabilities)
        return kStatusBadArguments;
    memset(capabilities, 0, kScannerCapabilitiesSize);
    WriteU16(capabilities, kCapsMaxWidthOffset, static_cast<uint16_t>(ini.BedWidth()));
    WriteU16(capabilities, kCapsMaxHeightOffset, static_cast<uint16_t>(ini.BedHeight()));
    WriteU16(capabilities, 4, 600);                // optical resolution, dpi
    WriteU16(capabilities, 6, kSimMaxResolution);  // highest resolution, dpi
    if (int fault = ini.Fault("TNeGetScannerCapabilities"))
        return fault;
    return ini.Plugged() ? kStatusOk : kStatusDeviceNotConnected;
}

EngineStatus __cdecl TNeProcessImage(int32_t operation, void* parameters)
{
    if (int fault = SimIni().Fault("TNeProcessImage"))
        return fault;
    if (operation == kProcessFinish)
        return kStatusOk;
    if (operation != kProcessDefaults)
        return kStatusUnsupportedFunction;
    if (!parameters)
        return kStatusBadArguments;
    memset(parameters, 0, kScanParametersSize);
    WriteU32(parameters, kParamFirstField, static_cast<uint32_t>(kScanParametersSize));
    WriteU16(parameters, kParamBitsPerSample, 8);
    WriteU32(parameters, kParamImageType, kImageTypeColour);
    WriteU32(parameters, kParamFixed56, 2);
    WriteU16(parameters, kParamXResolution, 150);
    WriteU16(parameters, kParamYResolution, 150);
    WriteU16(parameters, kParamFixed68, 100);
    WriteU16(parameters, kParamBlackWhiteLevel, 0);
    WriteU16(parameters, kParamToneLevel, 100);
    return kStatusOk;
}

EngineStatus __cdecl TNeScanAsync(void* request, EngineNotifyProc notify, int32_t)
{
    if (int fault = SimIni().Fault("TNeScanAsync"))
        return fault;
    if (!request || !notify)
        return kStatusBadArguments;
    void* job = reinterpret_cast<void*>(static_cast<uintptr_t>(ReadU32(request, kRequestJob)));
    if (!job)
        return kStatusBadArguments;
    std::unique_ptr<ScanTask> task = ReadScanTask(job, notify);

    ControlLock lock;
    bool idle = false;
    if (!g_engine.scanActive.compare_exchange_strong(idle, true))
        return kStatusDeviceBusy;
    if (!RetirePreviousScan()) {
        g_engine.scanActive.store(false);
        return kStatusDeviceBusy;
    }
    g_engine.stopRequested.store(false);
    ResetEvent(g_engine.stopEvent);
    DWORD threadId = 0;
    HANDLE thread = CreateThread(nullptr, 0, ScanWorker, task.get(), 0, &threadId);
    if (!thread) {
        g_engine.scanActive.store(false);
        return kStatusNotEnoughMemory;
    }
    task.release();  // the worker owns it now
    g_engine.scanThread.reset(thread);
    g_engine.scanThreadId = threadId;
    return kStatusOk;
}

EngineStatus __cdecl TNeStopScan(void)
{
    g_engine.stopRequested.store(true);
    SetEvent(g_engine.stopEvent);
    return SimIni().Fault("TNeStopScan");
}

EngineStatus __cdecl TNeRegisterNotification(ButtonNotifyProc callback)
{
    if (int fault = SimIni().Fault("TNeRegisterNotification"))
        return fault;
    ControlLock lock;
    g_engine.buttonCallback.store(callback);
    if (!callback) {
        StopButtonThread();
        return kStatusOk;
    }
    return StartButtonThread();
}

// The releases do their work even when a fault is injected, so that no thread of
// this library outlives the program's hold on it.
EngineStatus __cdecl TNeReleaseScanner(void)
{
    {
        ControlLock lock;
        StopAndJoinScan();
    }
    return SimIni().Fault("TNeReleaseScanner");
}

EngineStatus __cdecl TNeReleaseEngine(void)
{
    {
        ControlLock lock;
        StopAndJoinScan();
        g_engine.buttonCallback.store(nullptr);
        StopButtonThread();
    }
    return SimIni().Fault("TNeReleaseEngine");
}

// Preview, synchronous scan, status and information calls exist for the binding
// but are not part of what the virtual flatbed offers.
EngineStatus __cdecl TNePreviewAsync(void) { return kStatusUnsupportedFunction; }
EngineStatus __cdecl TNePreview(void) { return kStatusUnsupportedFunction; }
EngineStatus __cdecl TNeScan(void) { return kStatusUnsupportedFunction; }
EngineStatus __cdecl TNeGetStatus(void) { return kStatusUnsupportedFunction; }
EngineStatus __cdecl TNeSetStatus(void) { return kStatusUnsupportedFunction; }
EngineStatus __cdecl TNeGetEngineInfo(void) { return kStatusUnsupportedFunction; }

}  // extern "C"
