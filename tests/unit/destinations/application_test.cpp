// Scan to application: which application, its command line, and what is shown when
// it cannot be started, against a real kmconfig.ini and real processes.
#include <gtest/gtest.h>

#include <windows.h>

#include <cstdio>
#include <string>
#include <vector>

#include "common/paths.h"
#include "common/strings.h"
#include "config/config.h"
#include "destinations/destinations.h"
#include "fake_engine.h"
#include "scan/scan.h"
#include "test_support.h"

namespace {

TEST(ApplicationFileName, LosesOnlyItsOuterQuotes)
{
    struct Case {
        const char* stored;
        const char* used;
    };
    const Case cases[] = {
        {"\"C:\\Program Files\\Paint\\paint.exe\"", "C:\\Program Files\\Paint\\paint.exe"},
        {"C:\\a\"b\\paint.exe", "C:\\a\"b\\paint.exe"},
        {"C:\\paint.exe\"", "C:\\paint.exe"},
        {"\"C:\\paint.exe", "C:\\paint.exe"},
        {"\"", ""},
        {"", ""},
    };
    for (const Case& c : cases) {
        char text[260];
        snprintf(text, sizeof text, "%s", c.stored);
        StripOuterQuotes(text);
        EXPECT_STREQ(text, c.used) << c.stored;
    }
}

TEST(ApplicationFileName, OfficeNamesGoToOcrCaseSensitively)
{
    EXPECT_TRUE(IsOcrApplication("Microsoft Word 2000"));
    EXPECT_TRUE(IsOcrApplication("Microsoft Excel"));
    EXPECT_TRUE(IsOcrApplication("Windows WordPad"));
    EXPECT_FALSE(IsOcrApplication("microsoft word"));
    EXPECT_FALSE(IsOcrApplication("Paint"));
}

class ScanToApplication : public ::testing::Test {
protected:
    void SetUp() override
    {
        ini_ = windows_.File("kmconfig.ini");
        scans_ = windows_.File("Scans");
        CreateDirectoryA(scans_.c_str(), nullptr);
        FakeEngine::Install(FakeScript{});
    }
    void TearDown() override
    {
        WaitForProgressThreadEnd();
        FakeEngine::Uninstall();
    }
    void Configure(const std::string& application)
    {
        WriteTextFile(ini_, "[MyFolder]\r\nNum=1\r\nDefault=1\r\nFolder1=" + scans_ + "\\\r\n[Tornel_Application]\r\n" +
                                application);
    }
    // How many images the scans left in the scan folder.
    int ScannedFiles()
    {
        int count = 0;
        WIN32_FIND_DATAA data;
        HANDLE find = FindFirstFileA((scans_ + "\\*.bmp").c_str(), &data);
        if (find == INVALID_HANDLE_VALUE)
            return 0;
        do
            ++count;
        while (FindNextFileA(find, &data));
        FindClose(find);
        return count;
    }

    ScratchWindowsDirectory windows_;
    std::string ini_, scans_;
    ShownMessages shown_;
};

TEST_F(ScanToApplication, StartsTheDefaultApplicationWithTheScannedImage)
{
    // Without "DefaultID" the first entry is used; its stored quotes are removed.
    char system[MAX_PATH];
    GetSystemDirectoryA(system, sizeof system);
    Configure("ApName1=Attributes\r\nApFileName1=\"" + std::string(system) + "\\attrib.exe\"\r\n");
    EXPECT_EQ(LaunchScanToApplication(ScanOrderFor(kKindImage)), 1);
    EXPECT_EQ(FakeEngine::scanCalls.load(), 1);
    EXPECT_EQ(ReadS32(FakeEngine::lastJob.data(), kJobFormat), kOutputFormatBmp);
    EXPECT_EQ(ScannedFiles(), 1);
    EXPECT_TRUE(shown_.Take().empty());
}

TEST_F(ScanToApplication, AProgramThatCannotStartIsReported)
{
    Configure("DefaultID=2\r\nApName2=Gone\r\nApFileName2=C:\\no\\such\\viewer.exe\r\n");
    EXPECT_EQ(LaunchScanToApplication(ScanOrderFor(kKindImage)), 0);
    EXPECT_EQ(FakeEngine::scanCalls.load(), 1);
    EXPECT_EQ(shown_.Take(),
              std::vector<std::string>{"The program \"C:\\no\\such\\viewer.exe\" could not be started."});
}

TEST_F(ScanToApplication, AnAbortedScanStartsNothingAndSaysNothing)
{
    FakeScript noScanner;
    noScanner.capabilitiesStatus = kStatusDeviceNotConnected;
    FakeEngine::Install(noScanner);
    Configure("ApName1=Gone\r\nApFileName1=C:\\no\\such\\viewer.exe\r\n");
    EXPECT_EQ(LaunchScanToApplication(ScanOrderFor(kKindImage)), 0);
    EXPECT_EQ(shown_.Take(), std::vector<std::string>{"MsgDeviceNotConnected"});
}

}  // namespace
