#include <gtest/gtest.h>

#include <string>

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
