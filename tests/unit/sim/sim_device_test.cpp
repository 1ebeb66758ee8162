// The virtual flatbed as a device: its chooser list, its entry points and
// records, its buttons, and the control tool that drives it.
#include <atomic>
#include <cstring>

#include "sim_harness.h"

namespace {

std::string ChooserRecordText(const void* list, size_t offset)
{
    return std::string(static_cast<const char*>(list) + offset);
}

int IniInt(const std::string& path, const char* section, const char* key)
{
    return static_cast<int>(GetPrivateProfileIntA(section, key, -12345, path.c_str()));
}

bool Contains(const std::string& text, const char* part) { return text.find(part) != std::string::npos; }

}  // namespace

TEST(SimChooser, ListsTheVirtualScannerWhilePluggedAndNothingWhenUnplugged)
{
    TempFolder folder;
    SimScanner scanner(folder, "");
    ASSERT_TRUE(scanner.GetScannerList && scanner.ReleaseScannerList);
    ChooserCriteria criteria = {};
    void* list = nullptr;
    uint32_t count = 0;
    ASSERT_EQ(scanner.GetScannerList(&criteria, &list, &count, 0), 0);
    ASSERT_EQ(count & 0xFFFF, 1u);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(ChooserRecordText(list, 0), "TAVEN Virtual Flatbed");
    EXPECT_FALSE(ChooserRecordText(list, 64).empty()) << "device id";
    // The engine accepts the record the chooser gave, and no other.
    std::vector<uint8_t> record(static_cast<uint8_t*>(list), static_cast<uint8_t*>(list) + kScannerRecordSize);
    EXPECT_EQ(scanner.ChooseScanner(record.data()), 0);
    std::vector<uint8_t> stranger(kScannerRecordSize, 0);
    EXPECT_EQ(scanner.ChooseScanner(stranger.data()), -20);
    EXPECT_EQ(scanner.ReleaseScannerList(&list), 0);
    EXPECT_EQ(list, nullptr);

    WriteTextFile(folder.File("TNSim.ini"), "[Scanner]\r\nPlugged=0\r\n");
    count = 7;
    ASSERT_EQ(scanner.GetScannerList(&criteria, &list, &count, 0), 0);
    EXPECT_EQ(count, 0u);
    EXPECT_EQ(list, nullptr);
    EXPECT_EQ(scanner.ReleaseScannerList(&list), 0) << "releasing an empty list is harmless";
    EXPECT_EQ(scanner.ChooseScanner(record.data()), -20);

    WriteTextFile(folder.File("TNSim.ini"), "[Faults]\r\nTNcGetScannerList=-21\r\n");
    EXPECT_EQ(scanner.GetScannerList(&criteria, &list, &count, 0), -21);
    EXPECT_EQ(list, nullptr);
}

TEST(SimEngine, ExportsEveryEntryPointByItsPlainName)
{
    TempFolder folder;
    SimScanner scanner(folder, "");
    for (const char* name :
         {"TNeInitEngine", "TNeChooseScanner", "TNeGetScannerCapabilities", "TNePreviewAsync", "TNePreview",
          "TNeScanAsync", "TNeScan", "TNeReleaseScanner", "TNeStopScan", "TNeProcessImage", "TNeGetStatus",
          "TNeSetStatus", "TNeReleaseEngine", "TNeGetEngineInfo", "TNeRegisterNotification"})
        EXPECT_NE(scanner.Proc(name), nullptr) << name;
    EXPECT_EQ(scanner.Get<PFN_TNeUnused>("TNeGetEngineInfo")(), -6);
}

TEST(SimEngine, CapabilitiesAndDefaultParametersFollowTheSettingsFile)
{
    TempFolder folder;
    SimScanner scanner(folder, "");
    uint8_t caps[kScannerCapabilitiesSize];
    memset(caps, 0xCD, sizeof caps);
    EXPECT_EQ(scanner.InitEngine(), 0);
    EXPECT_EQ(scanner.GetCapabilities(caps), 0);
    EXPECT_EQ(ReadU16(caps, kCapsMaxWidthOffset), 850u);
    EXPECT_EQ(ReadU16(caps, kCapsMaxHeightOffset), 1169u);

    std::vector<uint8_t> params(kScanParametersSize, 0xEE);
    EXPECT_EQ(scanner.ProcessImage(kProcessDefaults, params.data()), 0);
    EXPECT_EQ(ReadU16(params.data(), kParamBitsPerSample), 8u);
    EXPECT_EQ(ReadS32(params.data(), kParamImageType), kImageTypeColour);
    EXPECT_EQ(ReadU32(params.data(), kParamFixed56), 2u);
    EXPECT_EQ(ReadS16(params.data(), kParamXResolution), 150);
    EXPECT_EQ(ReadS16(params.data(), kParamYResolution), 150);
    EXPECT_EQ(ReadU16(params.data(), kParamFixed68), 100u);
    EXPECT_EQ(params[kScanParametersSize - 1], 0) << "the whole record is set";
    EXPECT_EQ(scanner.ProcessImage(kProcessFinish, params.data()), 0);

    WriteTextFile(folder.File("TNSim.ini"),
                  "[Scanner]\r\nMaxWidth=1200\r\nMaxHeight=1400\r\n"
                  "[Faults]\r\nTNeInitEngine=-10\r\nTNeGetScannerCapabilities=-9\r\nTNeProcessImage=-4\r\n");
    EXPECT_EQ(scanner.InitEngine(), -10);
    EXPECT_EQ(scanner.GetCapabilities(caps), -9);
    EXPECT_EQ(ReadU16(caps, kCapsMaxWidthOffset), 1200u) << "the limits are filled whatever the status";
    EXPECT_EQ(ReadU16(caps, kCapsMaxHeightOffset), 1400u);
    EXPECT_EQ(scanner.ProcessImage(kProcessDefaults, params.data()), -4);

    WriteTextFile(folder.File("TNSim.ini"), "[Scanner]\r\nPlugged=0\r\n");
    EXPECT_EQ(scanner.GetCapabilities(caps), kStatusDeviceNotConnected);
}

// ---------------------------------------------------------------------------
// Buttons

namespace {

// What the button callback saw; written by the engine's button thread.
struct ButtonProbe {
    SimScanner* scanner = nullptr;
    TestJob* job = nullptr;  // a scan to run from inside the callback, or none
    std::atomic<uint32_t> code{0};
    std::atomic<DWORD> thread{0};
    std::atomic<bool> scanEnded{false};
    HANDLE returned = CreateEventA(nullptr, FALSE, FALSE, nullptr);
    ~ButtonProbe() { CloseHandle(returned); }
};

ButtonProbe* g_probe = nullptr;

int32_t __cdecl OnButton(void* record)
{
    ButtonProbe* probe = g_probe;
    probe->code = *static_cast<uint32_t*>(record);
    probe->thread = GetCurrentThreadId();
    // Like the scanner monitor, the callback runs a whole scan before it returns.
    if (probe->job && probe->scanner->ScanAsync(probe->job->request, RecordNotification, 0) == 0)
        probe->scanEnded = g_notifyLog->WaitEnd(30000);
    SetEvent(probe->returned);
    return 0;
}

}  // namespace

TEST(SimButtons, PressReachesTheCallbackWhichCanRunAWholeScan)
{
    TempFolder folder;
    SimScanner scanner(folder, "");
    const int area[4] = {0, 0, 400, 300};
    TestJob job;
    MakeJob(scanner, &job, kImageTypeColour, 100, area, folder.File("button.bmp"), kOutputFormatBmp);
    NotifyLog log;
    g_notifyLog = &log;
    ButtonProbe probe;
    probe.scanner = &scanner;
    probe.job = &job;
    g_probe = &probe;
    ASSERT_EQ(scanner.RegisterNotification(OnButton), 0);

    std::string output;
    EXPECT_EQ(RunScanctl("press 3 --wait 20000", &output), 0) << output;
    EXPECT_TRUE(Contains(output, "press 3 code 4 qpc ")) << output;
    EXPECT_TRUE(Contains(output, "callback-entered-us ")) << output;
    ASSERT_EQ(WaitForSingleObject(probe.returned, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(probe.code.load(), 4u);
    EXPECT_NE(probe.thread.load(), GetCurrentThreadId());
    EXPECT_TRUE(probe.scanEnded.load()) << "the scan ended while its callback was still waiting";
    EXPECT_EQ(log.Count(213), 1);
    {
        std::lock_guard<std::mutex> guard(log.lock);
        for (DWORD thread : log.threads)
            EXPECT_NE(thread, probe.thread.load()) << "scan notifications never come on the button thread";
    }

    // Any code is passed on as it is.
    probe.job = nullptr;
    EXPECT_EQ(RunScanctl("press-code 77", &output), 0) << output;
    ASSERT_EQ(WaitForSingleObject(probe.returned, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(probe.code.load(), 77u);

    // Once the callback is withdrawn, nobody listens.
    EXPECT_EQ(scanner.RegisterNotification(nullptr), 0);
    EXPECT_EQ(RunScanctl("press 1", &output), 2);
    EXPECT_TRUE(Contains(output, "no scan engine is listening")) << output;
    g_notifyLog = nullptr;
    g_probe = nullptr;
}

TEST(SimButtons, ReleasingTheEngineStopsListening)
{
    TempFolder folder;
    SimScanner scanner(folder, "");
    ButtonProbe probe;
    g_probe = &probe;
    ASSERT_EQ(scanner.RegisterNotification(OnButton), 0);
    ASSERT_EQ(scanner.RegisterNotification(OnButton), 0) << "registering again keeps one thread";
    std::string output;
    EXPECT_EQ(RunScanctl("press 4 --wait 20000", &output), 0) << output;
    ASSERT_EQ(WaitForSingleObject(probe.returned, 30000), WAIT_OBJECT_0);
    EXPECT_EQ(probe.code.load(), 8u);
    EXPECT_EQ(scanner.ReleaseEngine(), 0);
    EXPECT_EQ(RunScanctl("press 2", &output), 2) << output;
    g_probe = nullptr;
}

// ---------------------------------------------------------------------------
// The control tool's settings

TEST(Scanctl, EditsTheSettingsFileItIsPointedAt)
{
    TempFolder folder;
    const std::string ini = folder.File("TNSim.ini");
    const std::string at = " --ini \"" + ini + "\"";
    std::string output;

    EXPECT_EQ(RunScanctl("unplug" + at, &output), 0) << output;
    EXPECT_EQ(IniInt(ini, "Scanner", "Plugged"), 0);
    EXPECT_EQ(RunScanctl("plug" + at, &output), 0) << output;
    EXPECT_EQ(IniInt(ini, "Scanner", "Plugged"), 1);
    EXPECT_EQ(RunScanctl("pace 350" + at, &output), 0) << output;
    EXPECT_EQ(IniInt(ini, "Scanner", "LinesPerSecond"), 350);
    EXPECT_EQ(RunScanctl("fault TNeScanAsync -5" + at, &output), 0) << output;
    EXPECT_EQ(RunScanctl("fault ScanError -9" + at, &output), 0) << output;
    EXPECT_TRUE(Contains(ReadTextFile(ini), "TNeScanAsync=-5"));
    EXPECT_TRUE(Contains(ReadTextFile(ini), "ScanError=-9"));
    EXPECT_EQ(RunScanctl("fault clear" + at, &output), 0) << output;
    EXPECT_FALSE(Contains(ReadTextFile(ini), "[Faults]"));
    EXPECT_EQ(IniInt(ini, "Scanner", "LinesPerSecond"), 350) << "clearing faults keeps the pace";
}

TEST(Scanctl, RejectsBadCommandsWithExitCode2)
{
    TempFolder folder;
    const std::string at = " --ini \"" + folder.File("TNSim.ini") + "\"";
    std::string output;
    for (const std::string& arguments :
         {std::string(""), std::string("fly"), std::string("press 5"), std::string("press x"),
          std::string("press-code"), "fault NoSuchCall -1" + at, "fault TNeScanAsync five" + at, "pace -3" + at,
          "pace" + at, std::string("press 1 --wait"), "unplug extra" + at}) {
        EXPECT_EQ(RunScanctl(arguments, &output), 2) << "scanctl " << arguments;
        EXPECT_FALSE(output.empty()) << "scanctl " << arguments << " says why";
    }
    EXPECT_EQ(GetFileAttributesA(folder.File("TNSim.ini").c_str()), INVALID_FILE_ATTRIBUTES)
        << "nothing was written";
}
