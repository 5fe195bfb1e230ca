#include "agent/CheckSchedule.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>

namespace {

constexpr std::int64_t kNow = 4000000000; // 2026 in seconds since 1899
constexpr std::int64_t kMax64 = std::numeric_limits<std::int64_t>::max();

TEST(CheckSchedule, ShotTimeStatusTable)
{
    struct Case {
        const char* what;
        bool probing, checkNow, testMode;
        std::int64_t interval, last;
        ShotTime status;
    };
    const Case cases[] = {
        {"interval -1", true, false, false, -1, 0, ShotTime::None},
        {"interval -1, check requested", true, true, false, -1, kNow, ShotTime::Check},
        {"interval -2 is never too", true, false, false, -2, kNow, ShotTime::None},
        {"interval 0, first check", true, false, false, 0, 0, ShotTime::CheckOnce},
        {"interval 0, probing ended", false, false, false, 0, 0, ShotTime::None},
        {"probing ended, check requested", false, true, false, 0, kNow, ShotTime::Check},
        {"interval 60, 59 s ago", true, false, false, 60, kNow - 59, ShotTime::None},
        {"interval 60, 60 s ago", true, false, false, 60, kNow - 60, ShotTime::Check},
        {"test mode checks every 5 s", true, false, true, 86400, kNow - 5, ShotTime::Check},
        {"test mode, 4 s ago", true, false, true, 86400, kNow - 4, ShotTime::None},
        {"interval sum overflows", true, false, false, kMax64, kNow, ShotTime::None},
        {"last check in the future", true, false, false, 60, kNow + 3600, ShotTime::None},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        ShotTimeFacts facts;
        facts.probingEnabled = c.probing;
        facts.checkNow = c.checkNow;
        facts.testMode = c.testMode;
        facts.probeSecondsInterval = c.interval;
        facts.probeSecondsLast = c.last;
        facts.now = kNow;
        EXPECT_EQ(ShotTimeStatus(facts), c.status);
    }
}

TEST(CheckSchedule, TestModeHoldsForTodayOnly)
{
    const DateTime today{2026, 12, 10, 9, 30, 0};
    EXPECT_TRUE(IsTestModeOn("1", "10-DEC-2026", today));
    EXPECT_FALSE(IsTestModeOn("1", "09-DEC-2026", today)); // yesterday's
    EXPECT_FALSE(IsTestModeOn("1", "", today));
    EXPECT_FALSE(IsTestModeOn("yes", "10-DEC-2026", today));
    EXPECT_FALSE(IsTestModeOn("0", "10-DEC-2026", today));
}

TEST(CheckSchedule, TestModeIsReadAgainAfterThirtySeconds)
{
    EXPECT_TRUE(TestModeRefreshDue(true, 1000, 1000));
    EXPECT_FALSE(TestModeRefreshDue(false, 31000, 1000));
    EXPECT_TRUE(TestModeRefreshDue(false, 31001, 1000));
    // Across the tick count's wrap-around.
    EXPECT_FALSE(TestModeRefreshDue(false, 100, 0xFFFFFF00u));
    EXPECT_TRUE(TestModeRefreshDue(false, 40000, 0xFFFFFF00u));
}

} // namespace
