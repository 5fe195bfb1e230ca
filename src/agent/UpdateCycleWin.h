// The update cycle: a release that passed the check is fetched, the running product
// stopped, the update's payload installed with the setup run, the version recorded, the
// product started again, and the agent restarted from its plain file.
#pragma once

#include <string>
#include <vector>

#include "agent/UpdateCycle.h"

class OriginalFile;
struct AgentFiles;
struct AgentSession;
struct Release;

// The installed product's shortcut files that the release asks to remove once it is
// installed, named before the installation rewrites the product's description.
std::vector<std::string> ShortcutsToRemove(const OriginalFile& original, const Release& release);

// Removes the agent's fetch folder and what is in it (files in transit only), unless it
// is a link.
void ClearFetchFolder(const AgentFiles& files);

// Completed when the update setup ran and reported completion; PutOff when the product
// still ran after the shutdown's wait. release: with the agent's overrides in place of
// its flags.
CycleEnd PerformAutoUpdate(AgentSession& session, const Release& release);

// Starts the plain agent so that it replaces this copy once it has ended, then ends
// this copy. Does nothing for an agent started with a limited lifetime.
void ReStartAutoUpdateExe(AgentSession& session);
