#include "agent/CheckSchedule.h"

ShotTime ShotTimeStatus(const ShotTimeFacts& facts)
{
    if (!facts.probingEnabled && !facts.checkNow)
        return ShotTime::None;
    const std::int64_t interval = facts.testMode ? 5 : facts.probeSecondsInterval;
    ShotTime result = facts.now >= SaturatingSum(facts.probeSecondsLast, interval) ? ShotTime::Check : ShotTime::None;
    if (facts.probeSecondsInterval == 0 && result == ShotTime::Check)
        result = ShotTime::CheckOnce;
    // Every negative interval means never: -2 must not mean a check on every tick.
    if (facts.probeSecondsInterval < 0)
        result = ShotTime::None;
    if (facts.checkNow)
        result = ShotTime::Check;
    return result;
}

bool IsTestModeOn(const std::string& testMode, const std::string& testModeDate, const DateTime& today)
{
    return testMode == "1" && testModeDate == DateText(today);
}

bool TestModeRefreshDue(bool forced, std::uint32_t nowTick, std::uint32_t lastTick)
{
    return forced || static_cast<std::uint32_t>(nowTick - lastTick) > 30000;
}
