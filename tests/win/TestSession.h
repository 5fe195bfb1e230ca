// An agent session for the Windows tests: its description files and fetched files in a
// folder of the test's own, and (optionally) a payload of its own, as the launcher gives
// the agent when agent mode starts.
#pragma once

#include <string>

#include "agent/AgentSession.h"
#include "util/Utils.h"

// The agent's files as an agent named agent.exe of the product "p" keeps them in folder.
inline AgentFiles TestAgentFiles(const std::string& folder)
{
    return AgentFilesOf(folder, folder, "p.info", "p.original", "agent.exe");
}

inline AgentSession MakeTestSession(const std::string& folder, const TGFileInfo* own = nullptr)
{
    return AgentSession(AgentHost{own, {}, {}, {}}, TestAgentFiles(folder));
}
