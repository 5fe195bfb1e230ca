// The announcement of a release instead of its installation: its inform file is fetched
// into the agent's folder and shown in the inform dialog, and the release's version is
// recorded once it was shown.
#pragma once

struct AgentSession;
struct Release;

// True when the dialog was shown or its address opened.
bool PerformAutoInform(AgentSession& session, const Release& release);
