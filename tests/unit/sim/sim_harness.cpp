#include "sim_harness.h"

#include <cstring>

NotifyLog* g_notifyLog = nullptr;

int32_t __cdecl RecordNotification(void* data, uint32_t count, uint32_t code)
{
    NotifyLog* log = g_notifyLog;
    if (!log)
        return 0;
    {
        std::lock_guard<std::mutex> guard(log->lock);
        log->codes.push_back(code);
        log->threads.push_back(GetCurrentThreadId());
        if (code == kNotifyScanBlock && data)
            log->blockBytes.append(static_cast<const char*>(data), count);
    }
    if (code == kNotifyScanBlock)
        SetEvent(log->firstBlock);
    if (code == kNotifyScanDone || code == kNotifyScanEnded)
        SetEvent(log->ended);
    return 0;
}

SimScanner::SimScanner(const TempFolder& folder, const std::string& iniText)
{
    const std::string bin = BuildBinFolder();
    for (const char* dll : {"TNENGINE.dll", "TNLocalChooser.dll"})
        CopyFileA((bin + dll).c_str(), folder.File(dll).c_str(), FALSE);
    if (!iniText.empty())
        WriteTextFile(folder.File("TNSim.ini"), iniText);
    engine_ = LoadLibraryA(folder.File("TNENGINE.dll").c_str());
    chooser_ = LoadLibraryA(folder.File("TNLocalChooser.dll").c_str());
    InitEngine = Get<PFN_TNeInitEngine>("TNeInitEngine");
    ChooseScanner = Get<PFN_TNeChooseScanner>("TNeChooseScanner");
    GetCapabilities = Get<PFN_TNeGetScannerCapabilities>("TNeGetScannerCapabilities");
    ProcessImage = Get<PFN_TNeProcessImage>("TNeProcessImage");
    ScanAsync = Get<PFN_TNeScanAsync>("TNeScanAsync");
    StopScan = Get<PFN_TNeStopScan>("TNeStopScan");
    ReleaseScanner = Get<PFN_TNeReleaseScanner>("TNeReleaseScanner");
    ReleaseEngine = Get<PFN_TNeReleaseEngine>("TNeReleaseEngine");
    RegisterNotification = Get<PFN_TNeRegisterNotification>("TNeRegisterNotification");
    GetScannerList = reinterpret_cast<PFN_TNcGetScannerList>(ChooserProc("TNcGetScannerList"));
    ReleaseScannerList = reinterpret_cast<PFN_TNcReleaseScannerList>(ChooserProc("TNcReleaseScannerList"));
}

SimScanner::~SimScanner()
{
    // The release joins the engine's threads; only then may the library go.
    if (ReleaseEngine)
        ReleaseEngine();
    if (engine_)
        FreeLibrary(engine_);
    if (chooser_)
        FreeLibrary(chooser_);
}

void* SimScanner::Proc(const char* name) const
{
    return engine_ ? reinterpret_cast<void*>(GetProcAddress(engine_, name)) : nullptr;
}

void* SimScanner::ChooserProc(const char* name) const
{
    return chooser_ ? reinterpret_cast<void*>(GetProcAddress(chooser_, name)) : nullptr;
}

void MakeJob(SimScanner& scanner, TestJob* out, int imageType, int dpi, const int (&area)[4], const std::string& path,
             int format)
{
    uint8_t* job = out->job.data();
    ASSERT_EQ(scanner.ProcessImage(kProcessDefaults, job), 0);
    WriteU16(job, kParamBitsPerSample, imageType == kImageTypeLineArt ? 1 : 8);
    WriteU32(job, kParamImageType, static_cast<uint32_t>(imageType));
    WriteU16(job, kParamXResolution, static_cast<uint16_t>(dpi));
    WriteU16(job, kParamYResolution, static_cast<uint16_t>(dpi));
    ASSERT_LT(path.size(), kJobPathSize);
    memcpy(job + kJobPath, path.c_str(), path.size() + 1);
    WriteU32(job, kJobFormat, static_cast<uint32_t>(format));
    for (int i = 0; i < 4; ++i)
        WriteU32(job, kJobArea + 4 * i, static_cast<uint32_t>(area[i]));
    WriteU32(out->request, kRequestJob, static_cast<uint32_t>(reinterpret_cast<uintptr_t>(job)));
    out->request[4] = kRequestByte4;
    out->request[5] = kRequestByte5;
    out->request[6] = kRequestByte6;
}

int RunScanctl(const std::string& arguments, std::string* output)
{
    SECURITY_ATTRIBUTES inherit = {sizeof inherit, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherit, 0))
        return -1;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = writeEnd;
    startup.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    PROCESS_INFORMATION process = {};
    std::string commandLine = "\"" + BuildBinFolder() + "scanctl.exe\" " + arguments;
    std::vector<char> buffer(commandLine.begin(), commandLine.end());
    buffer.push_back('\0');
    BOOL started = CreateProcessA(nullptr, buffer.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                                  &process);
    CloseHandle(writeEnd);
    if (!started) {
        CloseHandle(readEnd);
        return -1;
    }
    output->clear();
    char chunk[512];
    DWORD got = 0;
    while (ReadFile(readEnd, chunk, sizeof chunk, &got, nullptr) && got > 0)
        output->append(chunk, got);
    CloseHandle(readEnd);
    DWORD exitCode = static_cast<DWORD>(-1);
    if (WaitForSingleObject(process.hProcess, 30000) == WAIT_OBJECT_0)
        GetExitCodeProcess(process.hProcess, &exitCode);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(exitCode);
}
