// The update agent's process-wide values and its timer tick. The window procedure
// reads and sets them for other processes (wm_AgentMsg).
#pragma once

#include <windows.h>

#include <string>

#include "agent/AgentHost.h"

struct AgentState {
    int timerCount = -3;          // checks begin once it reaches 1; "/SleepX=" sets it
    int shutdownCountdown = -1;   // 0: quit on this tick; above 0: count down; -1: never
    int mode = 0;                 // 0 background, 1 interactive, 2 interactive requested
    bool probingEnabled = true;
    bool checkNow = false;
    bool justDownloadInfoFile = false;
    bool tickBusy = false;
    int state = 0;                // 0 idle, 1 checking, 2 fetching, 3 running the update
    // Test mode: a developer's folder replaces the update server for the day.
    bool testMode = false;
    std::string testUrl;
    DWORD testModeReadAt = 0;     // tick count of the last registry read
    HWND window = nullptr;        // the launcher window the agent runs in (hidden)
    AgentHost host;
    bool Interactive() const { return mode == 1; }
};

AgentState& Agent();

// Runs for every timer message of the agent's window: the schedule, and the check when
// one is due.
void AgentTimerTick(HWND window);

// Posts (code, value) to the notify window through the host.
void AgentNotify(int code, int value);
// Sets the launcher window's label through the host.
void AgentCaption(const std::string& text);
