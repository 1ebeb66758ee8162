#include <gtest/gtest.h>

#include "common/handles.h"

namespace {

// How often each of the values 1 to 4 was closed.
int g_closed[5];

struct CountingTraits {
    using Type = int;
    static Type Empty() { return 0; }
    static void Close(Type value) { ++g_closed[value]; }
};
using Counted = Unique<CountingTraits>;

}  // namespace

TEST(Unique, ClosesEveryValueOnceWhicheverWayItLeaves)
{
    {
        Counted first(1);
        Counted second(std::move(first));  // moved, not closed
        EXPECT_FALSE(first);
        EXPECT_EQ(second.get(), 1);

        Counted third(2);
        third = std::move(second);  // 2 is closed, 1 moves on
        EXPECT_EQ(g_closed[2], 1);
        EXPECT_EQ(g_closed[1], 0);

        third.reset(3);  // closes 1
        EXPECT_EQ(g_closed[1], 1);
        *third.put() = 4;  // closes 3, then the slot is filled
        EXPECT_EQ(g_closed[3], 1);
        EXPECT_EQ(third.release(), 4);  // given up: never closed
        EXPECT_FALSE(third);

        Counted last(4);
    }
    // Nothing more than above, and the last one at its scope's end.
    EXPECT_EQ(g_closed[1], 1);
    EXPECT_EQ(g_closed[2], 1);
    EXPECT_EQ(g_closed[3], 1);
    EXPECT_EQ(g_closed[4], 1);
    EXPECT_EQ(g_closed[0], 0) << "the empty value is never closed";
}
