// The binding to the engine and chooser, against the virtual scanner's libraries.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstring>

#include "common/paths.h"
#include "scan/scan.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

class EngineBindingTest : public ::testing::Test {
protected:
    void SetUp() override { UnloadScanEngine(); }
    void TearDown() override { UnloadScanEngine(); }
    void InstallEngine(const char* builtName)
    {
        ASSERT_TRUE(CopyFileA((BuildBinFolder() + builtName).c_str(), folder_.File("TNENGINE.dll").c_str(), FALSE))
            << builtName;
    }
    // The chooser goes where the scanner's setup puts it: the Windows directory.
    void InstallChooser()
    {
        ASSERT_TRUE(CopyFileA((BuildBinFolder() + "TNLocalChooser.dll").c_str(),
                              folder_.File("TNLocalChooser.dll").c_str(), FALSE));
    }

    ScratchWindowsDirectory folder_;
};

bool AllBound()
{
    const void* const* slot = reinterpret_cast<const void* const*>(&ScanEngine);
    for (size_t i = 0; i < sizeof ScanEngine / sizeof(void*); ++i) {
        if (!slot[i])
            return false;
    }
    return true;
}

// A chooser setting beside the chooser library in the Windows directory, removed
// again afterwards.
class ChooserSetting {
public:
    explicit ChooserSetting(const char* text) : path_(std::string(WindowsDirectory()) + "TNSim.ini")
    {
        WriteTextFile(path_, text);
    }
    ~ChooserSetting() { DeleteFileA(path_.c_str()); }

private:
    std::string path_;
};

}  // namespace

TEST_F(EngineBindingTest, BindsEveryEntryPointOnce)
{
    InstallEngine("TNENGINE.dll");
    EXPECT_EQ(LoadScanEngine(), 1);
    EXPECT_TRUE(ScanEngineLoaded());
    EXPECT_TRUE(AllBound());
    // Loaded already: nothing to do, the library stays.
    EXPECT_EQ(LoadScanEngine(), 0);
    EXPECT_TRUE(ScanEngineLoaded());
    EXPECT_EQ(EngineInitEngine(), kStatusOk);
    uint8_t capabilities[kScannerCapabilitiesSize] = {};
    EXPECT_EQ(EngineGetScannerCapabilities(capabilities), kStatusOk);
    EXPECT_EQ(ReadU16(capabilities, kCapsMaxWidthOffset), 850);
    EXPECT_EQ(ReadU16(capabilities, kCapsMaxHeightOffset), 1169);
    EXPECT_EQ(EngineReleaseEngine(), kStatusOk);
}

TEST_F(EngineBindingTest, MissingLibraryIsNeverCalled)
{
    EXPECT_EQ(LoadScanEngine(), 0);
    EXPECT_FALSE(ScanEngineLoaded());
    uint8_t block[kScanParametersSize] = {};
    EXPECT_EQ(EngineInitEngine(), kStatusLibNotFound);
    EXPECT_EQ(EngineChooseScanner(block), kStatusLibNotFound);
    EXPECT_EQ(EngineGetScannerCapabilities(block), kStatusLibNotFound);
    EXPECT_EQ(EngineProcessImage(kProcessDefaults, block), kStatusLibNotFound);
    EXPECT_EQ(EngineScanAsync(block, nullptr), kStatusLibNotFound);
    EXPECT_EQ(EngineStopScan(), kStatusLibNotFound);
    EXPECT_EQ(EngineReleaseScanner(), kStatusLibNotFound);
    EXPECT_EQ(EngineReleaseEngine(), kStatusLibNotFound);
    EXPECT_EQ(EngineRegisterNotification(ButtonNotificationCallback), kStatusLibNotFound);
}

TEST_F(EngineBindingTest, LibraryMissingAnExportIsRefusedWhole)
{
    InstallEngine("partial_engine.dll");
    EXPECT_EQ(LoadScanEngine(), 0);
    EXPECT_FALSE(ScanEngineLoaded());
    // Even the entry points it has are not called through.
    EXPECT_EQ(EngineInitEngine(), kStatusLibNotFound);
    EXPECT_EQ(EngineReleaseEngine(), kStatusLibNotFound);
    // A complete library installed later binds.
    InstallEngine("TNENGINE.dll");
    EXPECT_EQ(LoadScanEngine(), 1);
}

TEST_F(EngineBindingTest, ScannerListHasThePluggedScannerOnly)
{
    // Without the chooser in the Windows directory there is no list, whatever the
    // search path holds (the build's copy sits beside this program).
    ForgetScannerRecord();
    EXPECT_EQ(GetScannerList(), 0);
    EXPECT_EQ(LastScannerListStatus(), kStatusChooserLibNotFound);
    InstallChooser();
    ASSERT_EQ(GetScannerList(), 1);
    EXPECT_EQ(LastScannerListStatus(), kStatusOk);
    EXPECT_STREQ(reinterpret_cast<const char*>(ScannerRecord()), "TAVEN Virtual Flatbed");
    {
        ChooserSetting unplugged("[Scanner]\r\nPlugged=0\r\n");
        EXPECT_EQ(GetScannerList(), 0);
    }
    {
        ChooserSetting failing("[Faults]\r\nTNcGetScannerList=-21\r\n");
        EXPECT_EQ(GetScannerList(), 0);
        EXPECT_EQ(LastScannerListStatus(), -21);
    }
    EXPECT_EQ(GetScannerList(), 1);
    ForgetScannerRecord();
    EXPECT_EQ(ScannerRecord()[0], 0);
}

TEST_F(EngineBindingTest, PressThroughTheEngineReachesTheDispatch)
{
    ShownMessages shown;  // the mail function finds no mail system here and says so
    InstallEngine("TNENGINE.dll");
    InstallChooser();
    WriteTextFile(folder_.File("Button.InI"), "[Main]\r\n2=4\r\n[Mail]\r\nProgress1=pressed\r\n");
    ASSERT_EQ(LoadScanEngine(), 1);
    ASSERT_EQ(GetScannerList(), 1);
    ASSERT_EQ(EngineInitEngine(), kStatusOk);
    ASSERT_EQ(EngineChooseScanner(ScannerRecord()), kStatusOk);
    ASSERT_EQ(RegisterButtonNotification(), kStatusOk);

    // The scanner control tool presses button 2 and waits until the callback ran.
    std::string commandLine = "\"" + BuildBinFolder() + "scanctl.exe\" press 2 --wait 10000";
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    PROCESS_INFORMATION pi = {};
    ASSERT_TRUE(CreateProcessA(nullptr, &commandLine[0], nullptr, nullptr, FALSE, 0, nullptr, nullptr, &si, &pi));
    ASSERT_EQ(WaitForSingleObject(pi.hProcess, 20000), WAIT_OBJECT_0) << "scanctl did not finish";
    DWORD exitCode = 1;
    GetExitCodeProcess(pi.hProcess, &exitCode);
    CloseHandle(pi.hThread);
    CloseHandle(pi.hProcess);
    EXPECT_EQ(exitCode, 0u);

    char value[64] = "";
    // The entries are published, then the destination flag set: wait for both.
    WaitUntil(
        [&] {
            GetPrivateProfileStringA("Progress", "ScanTo_Image1", "", value, sizeof value,
                                     folder_.File("Button.InI").c_str());
            return strcmp(value, "pressed") == 0 && g_scan.ActiveMail.load() == 1;
        },
        2000);
    EXPECT_STREQ(value, "pressed");
    EXPECT_EQ(g_shell.LastEngineButtonCode, 2u);
    EXPECT_EQ(g_scan.ActiveMail, 1);
    EXPECT_EQ(EngineRegisterNotification(nullptr), kStatusOk);
    EXPECT_EQ(EngineReleaseScanner(), kStatusOk);
    EXPECT_EQ(EngineReleaseEngine(), kStatusOk);
}
