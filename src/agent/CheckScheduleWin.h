// The schedule's values read from the ".original" file, the registry and the clock
// (the rules are in agent/CheckSchedule.h).
#pragma once

#include <cstdint>

#include "agent/CheckSchedule.h"

struct AgentSession;

// Where the test-mode values are kept.
constexpr const char* kTestModeKey = "HKEY_CURRENT_USER\\Software\\Morbrook\\Kalvex\\AutoUpdate";

// Reads TestMode, TestModeDate and TestModeURL into the session when forced or after
// more than 30 seconds; returns whether test mode is on.
bool CheckTestMode(AgentSession& session, bool forced);

// Now, in the agent's seconds.
std::int64_t NowSeconds();

// The schedule's answer for this tick; clears the session's check-now request.
ShotTime ShotTimeStatus(AgentSession& session);
