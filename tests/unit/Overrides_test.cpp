#include "agent/Overrides.h"

#include <gtest/gtest.h>

namespace {

TEST(Overrides, ListRoundTripAndPartialParse)
{
    OverrideBytes bytes = FreshOverrides();
    EXPECT_EQ(OverrideList(bytes), "|255|255|255|255|255|255|255|255|");
    bytes[1] = 1;
    bytes[7] = 0;
    OverrideBytes back = FreshOverrides();
    ParseOverrideList(OverrideList(bytes), back);
    EXPECT_EQ(back, bytes);

    OverrideBytes partial = FreshOverrides();
    partial[2] = 7;
    ParseOverrideList("|1|2|x||", partial);
    EXPECT_EQ(OverrideList(partial), "|1|2|7|255|255|255|255|255|");

    // A negative number is a number too: its low byte ends an override (-1 is 255).
    ParseOverrideList("|-1| 258 |-2|", partial);
    EXPECT_EQ(OverrideList(partial), "|255|2|254|255|255|255|255|255|");
}

TEST(Overrides, ByteOneIsTrueOtherBytesFalseAndTwoFiftyFiveTheReleasesOwn)
{
    OverrideBytes bytes = FreshOverrides();
    for (bool flag : {false, true})
        EXPECT_EQ(Overridden(bytes, Override::RestartProcess, flag), flag);
    for (const auto& [byte, want] : {std::pair<int, bool>{1, true}, {0, false}, {2, false}, {254, false}}) {
        bytes[static_cast<int>(Override::RestartProcess)] = static_cast<std::uint8_t>(byte);
        EXPECT_EQ(Overridden(bytes, Override::RestartProcess, !want), want) << byte;
    }
}

} // namespace
