#include <gtest/gtest.h>

#include "common/strings.h"

TEST(BoundedStrings, CopyCutsAndTerminates)
{
    char small[6];
    EXPECT_FALSE(CopyString(small, "abcdefgh"));
    EXPECT_STREQ(small, "abcde");
    EXPECT_TRUE(CopyString(small, "abcde"));
    EXPECT_STREQ(small, "abcde");
    EXPECT_TRUE(CopyString(small, nullptr));
    EXPECT_STREQ(small, "");
}
