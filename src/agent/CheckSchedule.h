// When the agent checks for a release, on plain values: the schedule of the ".original"
// file, a check asked for by another process, and test mode's date rule. The values come
// from the ".original" file, the registry and the clock (agent/CheckScheduleWin.h).
#pragma once

#include <cstdint>
#include <string>

#include "util/Utils.h"

struct ShotTimeFacts {
    bool probingEnabled = true;
    bool checkNow = false;
    bool testMode = false;
    std::int64_t probeSecondsInterval = 0; // ".original"; 0: once per run; negative: never
    std::int64_t probeSecondsLast = 0;
    std::int64_t now = 0; // seconds since 30 December 1899, local time
};
// The numbers are those the trace line " ShotTimeStatus=" prints.
enum class ShotTime : int {
    None = 0, // no check
    Check = 1,
    CheckOnce = 2, // check, then stop checking for this run
};
// The caller clears its check-now request afterwards, whatever the result.
ShotTime ShotTimeStatus(const ShotTimeFacts& facts);

// On for the registry value "1" together with today's date ("08-DEC-2026"), so that it
// switches itself off at midnight.
bool IsTestModeOn(const std::string& testMode, const std::string& testModeDate, const DateTime& today);
// The registry is read again when forced or after more than 30 seconds; the millisecond
// tick count wraps after 49.7 days.
bool TestModeRefreshDue(bool forced, std::uint32_t nowTick, std::uint32_t lastTick);
