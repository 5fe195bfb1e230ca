#include "agent/OriginalFile.h"

#include <gtest/gtest.h>

namespace {

TEST(OriginalFile, SecondsAndTheirReadableCopy)
{
    const DateTime when{2026, 12, 8, 14, 5, 9};
    const std::int64_t seconds = SecondsFromDateTime(when);
    EXPECT_EQ(seconds, (46364LL * 86400) + 14 * 3600 + 5 * 60 + 9);
    EXPECT_EQ(ReadableSeconds(seconds), "08-DEC-2026 14:05:09");
    EXPECT_EQ(ReadableSeconds(0), "30-DEC-1899 00:00:00");
}

} // namespace
