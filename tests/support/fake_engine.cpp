#include "fake_engine.h"

#include "common/handles.h"
#include "test_support.h"

#include <cstdio>
#include <cstring>

namespace {

FakeScript g_script;
UniqueHandle g_scanThread;
std::atomic<bool> g_stopped{false};
EngineNotifyProc g_notify = nullptr;

EngineStatus __cdecl FakeCapabilities(void* capabilities)
{
    auto* bytes = static_cast<uint8_t*>(capabilities);
    WriteU16(bytes, kCapsMaxWidthOffset, g_script.maxWidth);
    WriteU16(bytes, kCapsMaxHeightOffset, g_script.maxHeight);
    return g_script.capabilitiesStatus;
}

EngineStatus __cdecl FakeProcessImage(int32_t operation, void* parameters)
{
    if (operation == kProcessFinish) {
        ++FakeEngine::finishCalls;
        return 0;
    }
    // Defaults of our own choosing, so the test sees which fields the job set.
    memset(parameters, 0xEE, kScanParametersSize);
    return g_script.defaultsStatus;
}

EngineStatus __cdecl FakeStop()
{
    ++FakeEngine::stopCalls;
    g_stopped = true;
    return 0;
}

void WriteOutputFile(const uint8_t* job)
{
    const char* path = reinterpret_cast<const char*>(job + kJobPath);
    FILE* file = fopen(path, "wb");
    if (!file)
        return;
    fputs("BM fake scan", file);
    fclose(file);
}

DWORD WINAPI PlayScript(LPVOID)
{
    auto pause = [] {
        if (g_script.pauseMs)
            Sleep(g_script.pauseMs);
    };
    if (g_script.sendStart)
        g_notify(nullptr, 0, kNotifyScanStarted);
    for (uint32_t code : g_script.statusCodes) {
        pause();
        g_notify(nullptr, 0, code);
    }
    std::vector<uint8_t> block(g_script.blockBytes, g_script.blockValue);
    for (int i = 0; i < g_script.blocks && !g_stopped; ++i) {
        pause();
        g_notify(block.data(), static_cast<uint32_t>(block.size()), kNotifyScanBlock);
    }
    WriteOutputFile(FakeEngine::lastJob.data());
    switch (g_script.end) {
    case FakeEnd::Normal:
        g_notify(nullptr, 0, g_stopped ? kNotifyScanEnded : kNotifyScanDone);
        break;
    case FakeEnd::AfterStop:
        WaitUntil([] { return g_stopped.load(); }, 20000);
        g_notify(nullptr, 0, kNotifyScanEnded);
        break;
    case FakeEnd::Never:
        break;
    }
    return 0;
}

EngineStatus __cdecl FakeScanAsync(void* request, EngineNotifyProc notify, int32_t)
{
    ++FakeEngine::scanCalls;
    if (FakeEngine::onScan)
        FakeEngine::onScan();
    auto* bytes = static_cast<uint8_t*>(request);
    FakeEngine::lastRequest.assign(bytes, bytes + kScanRequestSize);
    auto* job = reinterpret_cast<uint8_t*>(static_cast<uintptr_t>(ReadU32(bytes, kRequestJob)));
    FakeEngine::lastJob.assign(job, job + kScanJobSize);
    g_notify = notify;
    g_stopped = false;
    FakeEngine::JoinScanThread();
    g_scanThread.reset(CreateThread(nullptr, 0, PlayScript, nullptr, 0, nullptr));
    return 0;
}

}  // namespace

std::atomic<int> FakeEngine::scanCalls{0};
std::atomic<int> FakeEngine::stopCalls{0};
std::atomic<int> FakeEngine::finishCalls{0};
std::vector<uint8_t> FakeEngine::lastJob;
std::vector<uint8_t> FakeEngine::lastRequest;
std::function<void()> FakeEngine::onScan;

void FakeEngine::Install(const FakeScript& script)
{
    JoinScanThread();
    g_script = script;
    scanCalls = 0;
    stopCalls = 0;
    finishCalls = 0;
    lastJob.clear();
    lastRequest.clear();
    ScanEngine = ScanEngineTable{};
    ScanEngine.GetScannerCapabilities = FakeCapabilities;
    ScanEngine.ProcessImage = FakeProcessImage;
    ScanEngine.ScanAsync = FakeScanAsync;
    ScanEngine.StopScan = FakeStop;
}

void FakeEngine::JoinScanThread()
{
    if (!g_scanThread)
        return;
    g_stopped = true;  // an engine waiting for a stop gives up
    WaitForSingleObject(g_scanThread.get(), 30000);
    g_scanThread.reset();
}

void FakeEngine::Uninstall()
{
    JoinScanThread();
    ScanEngine = ScanEngineTable{};
}
