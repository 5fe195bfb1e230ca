// The switches the plain agent reads and passes on to its X_ copy, on plain text.
#pragma once

#include <cstdint>
#include <string>

#include "agent/AgentFolders.h"

// The X_ copy's arguments: "/AgentFolder=" + the agent's folder when the copy runs from
// another (the user's own, agent/AgentFolders.h), " /TRANSIENTx=" + the override list
// and " /SleepX=" + the delay when they were given.
std::string XCopyArguments(const std::string& transient, const std::string& delay,
                           const std::string& agentFolder = std::string());
// The switch that tells an X_ copy where the agent is installed.
constexpr const char* kAgentFolderSwitch = "/AgentFolder=";

// The two numbers of "/WM_MSG=window:message" (0 for a field that is not a number).
struct LocalMessage {
    std::int64_t window = 0;
    std::int64_t message = 0;
};
LocalMessage ParseLocalMessage(const std::string& value);

// The window class of an agent file's window (XCopyName: agent/AgentFolders.h).
std::string AgentWindowClass(const std::string& fileName);
