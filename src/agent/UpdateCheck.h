// The update check: asking before it when the user wants that, fetching the release's
// ".info" file, deciding, and handing a release over to the inform dialog or the update
// cycle. An interactive check always ends with a message.
#pragma once

#include "agent/Fetch.h"
#include "agent/Release.h"

struct AgentSession;

// The release's description as the fetch brought it, read once.
struct FetchedRelease {
    FetchOutcome fetch;
    Release release;
};

// Fetches the release's ".info" file from the update server, between the notifications
// (40, 1) and (40, 2); the session keeps the version of the release it describes.
FetchedRelease DownloadInfoFile(AgentSession& session);

// The question before a check; true when the user lets it go ahead.
bool AskBeforeCheck(AgentSession& session);

// One check, with its bookkeeping in the ".original" file.
void PerformShot(AgentSession& session);
