#include <gtest/gtest.h>
TEST(Bench, Runs) { EXPECT_EQ(1 + 1, 2); }
