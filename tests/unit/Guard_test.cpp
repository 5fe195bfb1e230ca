#include "util/Guard.h"

#include <gtest/gtest.h>

TEST(Guard, BusyFlagClearsWhenItsOwnerEnds)
{
    bool busy = false;
    {
        BusyGuard outer(busy);
        EXPECT_TRUE(outer.Entered());
        EXPECT_TRUE(busy);
        {
            // A nested entry (a tick dispatched inside a tick's wait) does not run and
            // must not clear the outer one's flag.
            BusyGuard inner(busy);
            EXPECT_FALSE(inner.Entered());
        }
        EXPECT_TRUE(busy);
    }
    EXPECT_FALSE(busy);
}
