// The update decision on a fetched release and the installed product's description as it
// is now, with its trace and update-log lines (the rules are in agent/UpdateDecision.h).
#pragma once

#include <cstdint>
#include <functional>
#include <string>

#include "agent/UpdateDecision.h"

struct AgentSession;
struct Release;

// The size of a file on an HTTP server, or -1 when it cannot be learned (no connection,
// no such file). The check gets it from the HTTP client.
using HttpFileSize = std::function<std::int64_t(const std::string& url)>;

// The six tests. infoFetched: the release's description arrived; the session says whether
// the user asked for this check and whether test mode's folder replaces the server.
Decision GetOkToPerformAU(const AgentSession& session, const Release& release, bool infoFetched,
                          const HttpFileSize& httpFileSize);
