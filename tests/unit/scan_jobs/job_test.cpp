// Whole scan jobs in the process: the job, its progress thread and dialog, and an
// engine on its own notification thread, with the destination waiting as it does.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <thread>

#include "common/paths.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "fake_engine.h"
#include "resource.h"
#include "scan/preview.h"
#include "scan/scan.h"
#include "test_support.h"

namespace {

class ScanJob : public ::testing::Test {
protected:
    void SetUp() override
    {
        ini_ = windows_.File("kmconfig.ini");
        WriteTextFile(ini_, "[Image]\r\nDocType=7\r\n[Copy]\r\nDocType=5\r\n");
        for (int kind = 0; kind < kButtonKindCount; ++kind)
            WriteButtonSetting(kind, ButtonSetting{0, 0, 0, 0, 0});
        ClearActiveDestinations();
        path_ = windows_.File("scan.bmp");
    }
    void TearDown() override
    {
        WaitForProgressThreadEnd();
        FakeEngine::Uninstall();
        SetEngineSilenceLimitForTests(0);
    }
    std::vector<int32_t> JobArea()
    {
        std::vector<int32_t> area;
        for (int i = 0; i < 4; ++i)
            area.push_back(ReadS32(FakeEngine::lastJob.data(), kJobArea + 4 * i));
        return area;
    }
    int Param16(size_t offset) { return ReadS16(FakeEngine::lastJob.data(), kJobParameters + offset); }
    int Param32(size_t offset) { return ReadS32(FakeEngine::lastJob.data(), kJobParameters + offset); }

    ScratchWindowsDirectory windows_;
    std::string ini_, path_;
    ShownMessages shown_;
};

TEST_F(ScanJob, TheEndReleasesTheDestinationWithTheSettingsApplied)
{
    FakeEngine::Install(FakeScript{});
    WriteButtonSetting(kKindImage, ButtonSetting{0, 2, 1, 0, 0});  // colour, 300 dpi, darker, A4
    SetActiveDestination(Destination::Application);

    EXPECT_TRUE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    EXPECT_EQ(ReadTextFile(path_), "BM fake scan");
    ASSERT_EQ(FakeEngine::lastJob.size(), kScanJobSize);
    EXPECT_STREQ(reinterpret_cast<const char*>(FakeEngine::lastJob.data() + kJobPath), path_.c_str());
    EXPECT_EQ(ReadS32(FakeEngine::lastJob.data(), kJobFormat), kOutputFormatBmp);
    EXPECT_EQ(JobArea(), (std::vector<int32_t>{11, 0, 837, 1169}));
    EXPECT_EQ(Param16(kParamXResolution), 300);
    EXPECT_EQ(Param16(kParamYResolution), 300);
    EXPECT_EQ(Param16(kParamFixed68), 100);
    EXPECT_EQ(Param32(kParamImageType), kImageTypeColour);
    EXPECT_EQ(Param16(kParamBitsPerSample), 8);
    EXPECT_EQ(Param16(kParamBlackWhiteLevel), 0);
    EXPECT_EQ(Param16(kParamToneLevel), 120);
    EXPECT_EQ(Param32(kParamFixed56), 2);
    const std::vector<uint8_t>& request = FakeEngine::lastRequest;
    EXPECT_NE(ReadU32(request.data(), kRequestJob), 0u);
    EXPECT_EQ(std::vector<uint8_t>(request.begin() + 4, request.end()),
              (std::vector<uint8_t>{17, 64, 1, 0, 0, 0, 0, 0}));
    // The engine is told to finish right after the destination was released.
    EXPECT_TRUE(WaitUntil([] { return FakeEngine::finishCalls.load() == 1; }, 5000));
    EXPECT_TRUE(shown_.Take().empty());

    // The progress thread ends at the close of its cycle and leaves nothing behind.
    WaitForProgressThreadEnd();
    EXPECT_FALSE(ScanJobActive());
    EXPECT_EQ(g_scan.ProgressDialog.load(), nullptr);
    EXPECT_EQ(g_preview.Image.load(), nullptr);
    EXPECT_EQ(GetPriorityClass(GetCurrentProcess()), static_cast<DWORD>(NORMAL_PRIORITY_CLASS));
}

TEST_F(ScanJob, LineArtFromTheSectionsShorterListWithinTheBed)
{
    // [Copy] offers colour photo and black-and-white document: position 1 is line art.
    FakeScript script;
    script.maxWidth = 800;
    script.maxHeight = 1100;
    FakeEngine::Install(script);
    WriteButtonSetting(kKindCopy, ButtonSetting{1, 0, 2, 0, 2});  // lighter, 150 dpi, Letter

    EXPECT_TRUE(RunScanJob(path_.c_str(), ScanOrderFor(kKindCopy), kOutputFormatBmp));
    EXPECT_EQ(Param32(kParamImageType), kImageTypeLineArt);
    EXPECT_EQ(Param16(kParamBitsPerSample), 1);
    EXPECT_EQ(Param16(kParamBlackWhiteLevel), 22);
    EXPECT_EQ(Param16(kParamToneLevel), static_cast<int16_t>(0xEEEE));  // the engine's default stays
    EXPECT_EQ(Param16(kParamXResolution), 150);
    EXPECT_EQ(g_scan.JobResolution.load(), 150);
    EXPECT_EQ(JobArea(), (std::vector<int32_t>{0, 0, 800, 1100}));

    // An index outside the list scans at the engine's default, and the job says so.
    WriteButtonSetting(kKindCopy, ButtonSetting{1, 9, 2, 0, 2});
    EXPECT_TRUE(RunScanJob(path_.c_str(), ScanOrderFor(kKindCopy), kOutputFormatBmp));
    EXPECT_EQ(g_scan.JobResolution.load(), ReadU16(FakeEngine::lastJob.data(), kJobParameters + kParamXResolution));
    EXPECT_EQ(g_scan.JobResolution.load(), 0xEEEE);
}

TEST_F(ScanJob, AbortReleasesTheDestinationAsAborted)
{
    FakeScript script;
    script.end = FakeEnd::AfterStop;
    FakeEngine::Install(script);
    SetActiveDestination(Destination::Folder);

    // The user presses Abort once the engine has made it usable.
    bool clicked = false;
    std::thread user([&] {
        HWND abort = nullptr;
        clicked = WaitUntil(
            [&] {
                HWND dialog = g_scan.ProgressDialog.load();
                abort = dialog ? GetDlgItem(dialog, IDC_PROGRESS_ABORT) : nullptr;
                return abort && IsWindowEnabled(abort) && IsWindowVisible(dialog);
            },
            10000);
        if (clicked)
            PostMessageA(abort, WM_LBUTTONDOWN, MK_LBUTTON, 0);
    });
    bool completed = RunScanJob(path_.c_str(), ScanOrderFor(kKindMyFolder), kOutputFormatBmp);
    user.join();

    ASSERT_TRUE(clicked) << "the progress dialog never offered Abort";
    EXPECT_FALSE(completed);
    EXPECT_EQ(g_scan.JobAborted.load(), 1);
    EXPECT_EQ(FakeEngine::stopCalls.load(), 1);
    EXPECT_TRUE(shown_.Take().empty());
    WaitForProgressThreadEnd();
    EXPECT_EQ(g_preview.Image.load(), nullptr);
    EXPECT_FALSE(ScanJobActive());
}

TEST_F(ScanJob, AnEngineThatNeverEndsIsGivenUpAfterItsSilence)
{
    FakeScript script;
    script.end = FakeEnd::Never;
    FakeEngine::Install(script);
    SetEngineSilenceLimitForTests(400);

    EXPECT_FALSE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgTimeOut"});
    EXPECT_EQ(FakeEngine::stopCalls.load(), 1);
    EXPECT_EQ(g_scan.JobAborted.load(), 1);
    WaitForProgressThreadEnd();
    EXPECT_EQ(g_scan.ProgressDialog.load(), nullptr);
}

TEST_F(ScanJob, AnEngineThatKeepsTalkingIsNotGivenUp)
{
    // Notifications farther apart than nothing but closer than the limit: the whole
    // scan lasts longer than the limit and still completes.
    FakeScript script;
    script.blocks = 6;
    script.pauseMs = 150;
    FakeEngine::Install(script);
    SetEngineSilenceLimitForTests(500);
    EXPECT_TRUE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    EXPECT_TRUE(shown_.Take().empty());
}

TEST_F(ScanJob, AJobThatCannotStartShowsWhyAndReleasesTheDestination)
{
    FakeScript noScanner;
    noScanner.capabilitiesStatus = kStatusDeviceNotConnected;
    FakeEngine::Install(noScanner);
    EXPECT_FALSE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgDeviceNotConnected"});
    EXPECT_EQ(g_scan.MaxWidth.load(), 850);  // the limits are stored whatever the status

    FakeScript noDefaults;
    noDefaults.defaultsStatus = kStatusNotEnoughMemory;
    FakeEngine::Install(noDefaults);
    EXPECT_FALSE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgNotEnoughMemory"});

    std::string tooLong = windows_.path() + std::string(300, 'a') + ".bmp";
    FakeEngine::Install(FakeScript{});
    EXPECT_FALSE(RunScanJob(tooLong.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgBadArguments"});

    EXPECT_EQ(FakeEngine::scanCalls.load(), 0);
    EXPECT_EQ(g_scan.ProgressDialog.load(), nullptr);
}

TEST_F(ScanJob, AnEngineErrorIsShownAndTheJobGoesOn)
{
    FakeScript script;
    script.statusCodes = {7};
    FakeEngine::Install(script);
    EXPECT_TRUE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgErrorOccured"});
    EXPECT_EQ(ReadTextFile(path_), "BM fake scan");
}

TEST_F(ScanJob, ANewJobWaitsForThePreviousProgressThread)
{
    // The first job's dialog outlives its job by up to a cycle; the second scan may
    // start only once it is gone, or both threads would share the flags and preview.
    FakeEngine::Install(FakeScript{});
    EXPECT_TRUE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    HWND firstDialog = g_scan.ProgressDialog.load();
    bool firstStillThere = true;
    FakeEngine::Install(FakeScript{});
    FakeEngine::onScan = [&] { firstStillThere = firstDialog && IsWindow(firstDialog); };
    EXPECT_TRUE(RunScanJob(path_.c_str(), ScanOrderFor(kKindImage), kOutputFormatBmp));
    FakeEngine::onScan = nullptr;
    EXPECT_FALSE(firstStillThere);
}

TEST(ProgressLook, TheLaterDestinationFlagWins)
{
    ClearActiveDestinations();
    EXPECT_EQ(ProgressLookForDestination().titleId, 0);
    g_scan.ActiveApplication = 1;
    EXPECT_EQ(ProgressLookForDestination().frames[0], 106);
    EXPECT_EQ(ProgressLookForDestination().titleId, 11212);
    g_scan.ActiveMail = 1;
    ProgressLook look = ProgressLookForDestination();
    EXPECT_EQ(look.frames[0], 113);
    EXPECT_EQ(look.frames[2], 115);
    EXPECT_EQ(look.titleId, 11214);
    ClearActiveDestinations();
}

TEST(ProgressLook, EveryFrameIsA24BitPictureOf110By105)
{
    const int ids[] = {106, 107, 108, 110, 111, 112, 113, 114, 115, 116, 117, 118};
    for (int id : ids) {
        HBITMAP frame = static_cast<HBITMAP>(
            LoadImageA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(id), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION));
        ASSERT_NE(frame, nullptr) << "bitmap " << id;
        BITMAP info = {};
        GetObjectA(frame, sizeof info, &info);
        EXPECT_EQ(info.bmWidth, 110) << id;
        EXPECT_EQ(info.bmHeight, 105) << id;
        EXPECT_EQ(info.bmBitsPixel, 24) << id;
        DeleteObject(frame);
    }
}

// ---- Scan to folder ---------------------------------------------------------------

TEST_F(ScanJob, ScanToFolderSeedsAnEmptyListAndLeavesTheFileThere)
{
    std::string pictures = windows_.File("Pictures");
    CreateDirectoryA(pictures.c_str(), nullptr);
    ScratchRegistryKey shellFolders("JobShellFolders");
    ASSERT_TRUE(shellFolders.SetText("", "My Pictures", pictures));
    SetShellFoldersKeyForTests(HKEY_CURRENT_USER, shellFolders.subkey().c_str());
    WriteTextFile(ini_, "[MyFolder]\r\n");
    FakeEngine::Install(FakeScript{});

    EXPECT_EQ(ScanToFolder(ScanOrderFor(kKindMyFolder)), 1);

    SetShellFoldersKeyForTests(nullptr, nullptr);
    char value[260];
    GetPrivateProfileStringA("MyFolder", "Folder1", "", value, sizeof value, ini_.c_str());
    EXPECT_EQ(std::string(value), "");
    EXPECT_EQ(GetPrivateProfileIntA("MyFolder", "Num", 0, ini_.c_str()), 1u);
    EXPECT_EQ(GetPrivateProfileIntA("MyFolder", "Default", 0, ini_.c_str()), 1u);
    std::string written = reinterpret_cast<const char*>(FakeEngine::lastJob.data() + kJobPath);
    EXPECT_EQ(ReadTextFile(written), "BM fake scan");
    char longWritten[MAX_PATH];
    GetLongPathNameA(written.c_str(), longWritten, sizeof longWritten);
    EXPECT_EQ(std::string(longWritten).rfind(pictures + "\\", 0), 0u) << longWritten;
    EXPECT_EQ(ReadS32(FakeEngine::lastJob.data(), kJobFormat), kOutputFormatBmp);
}

}  // namespace
