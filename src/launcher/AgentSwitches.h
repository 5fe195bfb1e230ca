// The switches the plain agent reads and passes on to its X_ copy, on plain text.
#pragma once

#include <cstdint>
#include <string>

// The X_ copy's arguments: " /TRANSIENTx=" + the override list when one was given,
// " /SleepX=" + the delay when one was given.
std::string XCopyArguments(const std::string& transient, const std::string& delay);

// The two numbers of "/WM_MSG=window:message" (0 for a field that is not a number).
struct LocalMessage {
    std::int64_t window = 0;
    std::int64_t message = 0;
};
LocalMessage ParseLocalMessage(const std::string& value);

// The X_ copy's file name and its window class.
std::string XCopyName(const std::string& agentFileName);
std::string AgentWindowClass(const std::string& fileName);
