// The update cycle: a release that passed the check is fetched, the running product
// stopped, the update's payload installed with the setup run, the version recorded, the
// product started again, and the agent restarted from its plain file.
#pragma once

struct AgentSession;
struct Release;

// True when the update setup ran and reported completion. release: with the agent's
// overrides in place of its flags.
bool PerformAutoUpdate(AgentSession& session, const Release& release);

// Starts the plain agent so that it replaces this copy once it has ended, then ends
// this copy. Does nothing for an agent started with a limited lifetime.
void ReStartAutoUpdateExe(AgentSession& session);
