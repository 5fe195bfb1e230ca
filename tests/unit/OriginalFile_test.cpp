#include "agent/OriginalFile.h"

#include <gtest/gtest.h>

namespace {

TEST(StubAUInfo, OnlyTheTextOneIsTrue)
{
    const struct {
        const char* stored;
        bool expected;
    } cases[] = {{"1", true}, {"yes", false}, {"true", false}, {"2", false}, {"", false}, {" 1", false}};
    for (const auto& c : cases)
        EXPECT_EQ(FlagText(c.stored), c.expected) << c.stored;
}

TEST(StubAUInfo, OverrideListRoundTripAndPartialParse)
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

TEST(StubAUInfo, OverridesStandForTheirFlagsOnly)
{
    EXPECT_EQ(OverrideIndexOf(Keys::RequestConfirmationBeforeDownload), 1);
    EXPECT_EQ(OverrideIndexOf(Keys::RestartProcess), 5);
    EXPECT_EQ(OverrideIndexOf(Keys::RequestConfirmationBeforeInstallForce), 7);
    EXPECT_EQ(OverrideIndexOf(Keys::RemoveStartUpShortcut), -1);
    EXPECT_EQ(OverrideIndexOf(Keys::VersionNew), -1);
}

TEST(StubAUInfo, SecondsAndTheirReadableCopy)
{
    const DateTime when{2026, 12, 8, 14, 5, 9};
    const std::int64_t seconds = SecondsFromDateTime(when);
    EXPECT_EQ(seconds, (46364LL * 86400) + 14 * 3600 + 5 * 60 + 9);
    EXPECT_EQ(ReadableSeconds(seconds), "08-DEC-2026 14:05:09");
    EXPECT_EQ(ReadableSeconds(0), "30-DEC-1899 00:00:00");
}

} // namespace
