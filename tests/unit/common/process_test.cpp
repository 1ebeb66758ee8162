#include <gtest/gtest.h>

#include <windows.h>

#include <string>

#include "common/paths.h"
#include "common/process.h"

TEST(ProgramCommandLine, QuotesTheProgramAndRefusesALineThatDoesNotFit)
{
    char line[32];
    ASSERT_TRUE(BuildProgramCommandLine(line, sizeof line, "C:\\a b\\p.exe", "\"x.bmp\""));
    EXPECT_STREQ(line, "\"C:\\a b\\p.exe\" \"x.bmp\"");
    ASSERT_TRUE(BuildProgramCommandLine(line, sizeof line, "C:\\p.exe", nullptr));
    EXPECT_STREQ(line, "\"C:\\p.exe\"");
    // 31 characters fit with the terminator; one more and nothing is started.
    EXPECT_TRUE(BuildProgramCommandLine(line, sizeof line, "C:\\p.exe", std::string(20, 'a').c_str()));
    EXPECT_FALSE(BuildProgramCommandLine(line, sizeof line, "C:\\p.exe", std::string(21, 'a').c_str()));
}

// Under WoW64 a program of the system folder is reached through Sysnative, the real
// system folder; anywhere else a path stays as it is. Runs in both prefixes.
TEST(NativeSystemPath, SystemProgramsAreReachedWhereTheyAre)
{
    char system[MAX_PATH], windows[MAX_PATH], native[MAX_PATH];
    ASSERT_GT(GetSystemDirectoryA(system, sizeof system) * GetWindowsDirectoryA(windows, sizeof windows), 0u);
    const std::string notepad = std::string(system) + "\\notepad.exe";
    ASSERT_TRUE(NativeSystemPath(native, notepad.c_str()));
    EXPECT_EQ(native, RunningUnderWow64() ? std::string(windows) + "\\Sysnative\\notepad.exe" : notepad);
    EXPECT_NE(GetFileAttributesA(native), INVALID_FILE_ATTRIBUTES);
    ASSERT_TRUE(NativeSystemPath(native, "C:\\Program Files\\p.exe"));
    EXPECT_STREQ(native, "C:\\Program Files\\p.exe");
}
