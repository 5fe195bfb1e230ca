// The requests other processes make of a running agent through its window (the
// message wm_AgentMsg: the code in wParam, the value in lParam). Codes and values are
// 32-bit on every build.
#pragma once

#include <cstdint>

enum class AgentRequestCode : std::uint32_t {
    GetVersionOriginal = 4,
    GetVersionNew = 5,
    GetState = 7,
    GetProbeInterval = 8,
    GetReAskInterval = 9,
    GetProbeLast = 10,
    GetReAskLast = 11,
    SetProbeInterval = 12,
    SetReAskInterval = 13,
    SetProbeLast = 14,
    SetReAskLast = 15,
    SetOverrideFirst = 20, // 20 to 25: override bytes 0 to 5, from the value's low byte
    SetOverrideLast = 25,
    SetShutdownCountdown = 30,
    PerformUpdateCycle = 31, // value 2: an interactive check
    JustDownloadInfoFile = 32,
};

// Notification codes posted to the notify window that another process registered
// (wm_LocalMsg); the value is 1 before and 2 after the agent's steps.
enum NotifyCode : int {
    NotifyCheck = 40,     // the ".info" fetch
    NotifyFetch = 41,     // the update or inform file fetch
    NotifyRunUpdate = 42, // the update setup's run
    NotifyLoopEnded = 43,
    NotifyWindow = 50,
    NotifyAgentMessage = 51,
};

struct AgentSession;

// Sets the shutdown countdown (wm_ShutDown, or request 30). A countdown of 0 that comes
// while a step is under way (a question on screen, a download, the wait for the
// product's end) ends that step: the session is stopping, the open boxes close as if
// declined and no later box waits, a running download stops, so that the next tick
// ends the run. An uninstaller's "/STOP=0" is never lost behind a question.
void RequestShutdown(AgentSession& session, int countdown);

// Performs one request on the session. Getters answer the low half of 64-bit values;
// setters and unknown codes answer 0 (unknown codes change nothing).
std::int32_t PerformAgentRequest(AgentSession& session, std::uint32_t code, std::int32_t value);
