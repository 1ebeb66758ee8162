#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/paths.h"
#include "shell/shell.h"
#include "test_support.h"

namespace {

struct OsCase {
    const char* name;
    OsVersionFacts facts;
    int32_t expected;
};

// Raw GetVersion values as the releases report them (build number in the high word,
// top bit set on the 9x family), with GetVersionExA's answer on the NT family.
const OsCase kReleases[] = {
    {"Windows 95", {0xC3B60004u, false, 0, 0}, kOsWin95},
    {"Windows 98", {0xC0000A04u, false, 0, 0}, kOsWin98},
    {"Windows Me", {0xC0005A04u, false, 0, 0}, kOsWin98},
    {"Windows NT 4.0", {0x05650004u, true, VER_PLATFORM_WIN32_NT, 4}, kOsWinNt},
    {"Windows 2000", {0x08930005u, true, VER_PLATFORM_WIN32_NT, 5}, kOsWin2000},
    {"Windows XP", {0x0A280105u, true, VER_PLATFORM_WIN32_NT, 5}, kOsWin2000},
    {"Windows 7", {0x1DB10106u, true, VER_PLATFORM_WIN32_NT, 6}, kOsWin2000},
    {"NT without GetVersionExA", {0x05280003u, false, 0, 0}, kOsWinNt},
    {"NT reporting an unknown platform", {0x0A280105u, true, 7, 5}, kOsWin2000},
    {"NT 4 reporting an unknown platform", {0x05650004u, true, 7, 4}, kOsWin16},
};

TEST(OsProbe, DecidesEveryRelease)
{
    for (const OsCase& release : kReleases)
        EXPECT_EQ(DecideOsType(release.facts), release.expected) << release.name;
}

TEST(OsProbe, OverrideTextsMatchExactly)
{
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, "WIN16"), kOsWin16);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, "WIN95"), kOsWin95);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, "WIN98"), kOsWin98);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin95, "WINNT"), kOsWinNt);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin95, "WIN2000"), kOsWin2000);

    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, "win98"), kOsWin2000);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, "WIN98 "), kOsWin2000);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, "WIN9"), kOsWin2000);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, "WINXP"), kOsWin2000);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, ""), kOsWin2000);
    EXPECT_EQ(ApplyOsTypeOverride(kOsWin2000, nullptr), kOsWin2000);
}

// Points the Windows directory at a scratch folder and back again.
class OsProbeFiles : public ::testing::Test {
protected:

    void WriteDriverIni(const std::string& text) { WriteTextFile(folder_.File("TAVENDRV.INI"), text); }

    ScratchWindowsDirectory folder_;
};

TEST_F(OsProbeFiles, RunningSystemIsTheNtFamily)
{
    OsVersionFacts facts = ReadOsVersionFacts();
    EXPECT_EQ(facts.rawVersion & 0x80000000u, 0u);
    EXPECT_TRUE(facts.versionExAnswered);
    EXPECT_EQ(facts.platformId, static_cast<uint32_t>(VER_PLATFORM_WIN32_NT));
    EXPECT_GE(facts.majorVersion, 5u);
    EXPECT_EQ(ProbeOsType(), kOsWin2000) << "no TAVENDRV.INI: the detected type";
}

TEST_F(OsProbeFiles, DriverIniForcesTheType)
{
    WriteDriverIni("[TrickOS]\r\nOSTYPE=WIN98\r\n");
    EXPECT_EQ(ProbeOsType(), kOsWin98);
    WriteDriverIni("[TrickOS]\r\nOSTYPE=WIN16\r\n");
    EXPECT_EQ(ProbeOsType(), kOsWin16);
    WriteDriverIni("[trickos]\r\nostype=WINNT\r\n");
    EXPECT_EQ(ProbeOsType(), kOsWinNt) << "section and key names are not case-sensitive";
}

TEST_F(OsProbeFiles, UnknownOverridesKeepTheDetectedType)
{
    const int32_t detected = DecideOsType(ReadOsVersionFacts());
    WriteDriverIni("[TrickOS]\r\nOSTYPE=win98\r\n");
    EXPECT_EQ(ProbeOsType(), detected);
    WriteDriverIni("[TrickOS]\r\nOSTYPE=\r\n");
    EXPECT_EQ(ProbeOsType(), detected);
    WriteDriverIni("[Other]\r\nOSTYPE=WIN95\r\n");
    EXPECT_EQ(ProbeOsType(), detected);
}

}  // namespace
