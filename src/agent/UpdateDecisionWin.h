// The update decision's values read from the description files, the registry and the
// clock, and the decision's logs. The rules themselves are in agent/UpdateDecision.h.
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "agent/UpdateDecision.h"

// Where the test-mode values are kept.
constexpr const char* kTestModeKey = "HKEY_CURRENT_USER\\Software\\Morbrook\\Kalvex\\AutoUpdate";

// Reads TestMode, TestModeDate and TestModeURL into the agent's values when forced or
// after more than 30 seconds; returns whether test mode is on.
bool CheckTestMode(bool forced);

// Now, in the agent's seconds.
std::int64_t NowSeconds();

// The schedule's answer for this tick; clears the check-now request.
int ShotTimeStatus();

// The size of a file on an HTTP server, or -1 when it cannot be learned (no connection,
// no such file). The check gets it from the HTTP client.
using HttpFileSize = std::function<std::int64_t(const std::string& url)>;

// The six tests on the description files as they are now, with their trace and update-log
// lines. interactive: the user asked for this check.
Decision GetOkToPerformAU(bool infoFetched, bool interactive, const HttpFileSize& httpFileSize);
